// morlin.dll, the device library of the virtual scanner: the 24 device
// functions and the feeder's sheet counter. Each function reads vscanner.ini
// afresh, answers as configured and logs one line.
#include <windows.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <type_traits>

#include "calllog.h"
#include "config.h"
#include "driverapi.h"
#include "prescan.h"
#include "results.h"
#include "sheets.h"

namespace {

// Sheets in the feeder: [Bed] "Sheets" at load, counted down in memory.
int feederSheets;

// NUL-padded; a text of the full width is copied without a terminator.
void CopyText(char* out, size_t size, const std::string& text)
{
    std::memset(out, 0, size);
    std::memcpy(out, text.data(), std::min(size, text.size()));
}

void UseSheet()
{
    if (feederSheets > 0)
        --feederSheets;
}

int PrescanResult(const ScanSettings* settings, long long previewWidth)
{
    const VirtualScannerConfig config = ReadConfig();
    if (config.faults.prescan)
        return config.faults.prescan;
    return WritePrescanFile(config, settings, previewWidth);
}

} // namespace

extern "C" {

BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID)
{
    if (reason == DLL_PROCESS_ATTACH)
        feederSheets = ReadSheetCount();
    return TRUE;
}

// Internal: the transfer library's window on the feeder (not driver functions,
// so they are not logged).
int WINAPI VirtualSheetsLeft()
{
    return feederSheets;
}

int WINAPI VirtualUseSheet()
{
    UseSheet();
    return feederSheets;
}

// 1 when the disk of the folder (the current one when null) has room left.
int WINAPI CheckDiskSpace(const char* path)
{
    ULARGE_INTEGER available = {};
    const int result =
        GetDiskFreeSpaceExA(path, &available, nullptr, nullptr) && available.QuadPart > 0 ? 1 : 0;
    LogCall("CheckDiskSpace", {LogText(path)}, result);
    return result;
}

int WINAPI TestScanner(HWND owner, int interfaceNumber)
{
    const int result = ReadConfig().faults.testScanner == 1 ? 0 : kResultDeviceOk;
    LogCall("TestScanner", {LogPointer(owner), LogByte(interfaceNumber)}, result);
    return result;
}

int WINAPI GetAbilityForUI(BasicAbility* out)
{
    int result = 0;
    if (out) {
        const ScannerConfig s = ReadConfig().scanner;
        *out = BasicAbility{};
        CopyText(out->modelName, sizeof out->modelName, s.model);
        CopyText(out->firmwareVersion, sizeof out->firmwareVersion, s.firmware);
        out->opticalResolution = static_cast<WORD>(s.optical);
        out->maxXResolution = static_cast<WORD>(s.maxX);
        out->maxYResolution = static_cast<WORD>(s.maxY);
        out->hasExtendedAbility = static_cast<BYTE>(s.extended);
        out->colorFlags = static_cast<BYTE>(s.colorFlags);
        out->scannerType = static_cast<BYTE>(s.type);
        out->flatbedWidth = static_cast<WORD>(s.flatbedWidth);
        out->flatbedLength = static_cast<WORD>(s.flatbedLength);
        out->feederWidth = static_cast<WORD>(s.feederWidth);
        out->feederLength = static_cast<WORD>(s.feederLength);
        result = kResultDeviceOk;
    }
    LogCall("GetAbilityForUI", {LogPointer(out)}, result);
    return result;
}

int WINAPI GetAbilityForUIEx(ScannerAbility* out)
{
    int result = 0;
    if (out) {
        const ScannerConfig s = ReadConfig().scanner;
        *out = ScannerAbility{};
        CopyText(out->modelName, sizeof out->modelName, s.model);
        CopyText(out->firmwareVersion, sizeof out->firmwareVersion, s.firmware);
        CopyText(out->interfaceName, sizeof out->interfaceName, s.interfaceName);
        CopyText(out->auxiliaryName, sizeof out->auxiliaryName, s.auxiliaryName);
        std::memcpy(out->halftoneCodes, s.halftoneCodes, sizeof out->halftoneCodes);
        out->optionFlags = s.optionFlags;
        out->driverFlags = s.driverFlags;
        out->recordFlags = 1;
        out->flatbedWidth = static_cast<WORD>(s.flatbedWidth);
        out->flatbedLength = static_cast<WORD>(s.flatbedLength);
        out->feederWidth = static_cast<WORD>(s.feederWidth);
        out->feederLength = static_cast<WORD>(s.feederLength);
        out->opticalResolution = static_cast<WORD>(s.optical);
        out->maxXResolution = static_cast<WORD>(s.maxX);
        out->maxYResolution = static_cast<WORD>(s.maxY);
        out->maxColorXResolution = static_cast<WORD>(s.maxColorX);
        out->maxColorYResolution = static_cast<WORD>(s.maxColorY);
        out->colorFlags = static_cast<WORD>(s.colorFlags);
        out->scannerType = static_cast<WORD>(s.type);
        out->lineArtWidthAlign = s.align[0];
        out->grayWidthAlign = s.align[1];
        out->colorWidthAlign = s.align[2];
        out->halftoneWidthAlign = s.align[3];
        out->diffusionWidthAlign = s.align[4];
        result = kResultDeviceOk;
    }
    LogCall("GetAbilityForUIEx", {LogPointer(out)}, result);
    return result;
}

// *paper: 1 while sheets remain. Result 0 when the query fails (fault).
int WINAPI GetADFPaper(BYTE* paper)
{
    int result = 0;
    if (paper) {
        if (ReadConfig().faults.adfQuery == 1) {
            *paper = 0;
        } else {
            *paper = feederSheets > 0 ? 1 : 0;
            result = kResultDeviceOk;
        }
    }
    LogCall("GetADFPaper", {LogPointer(paper)}, result);
    return result;
}

int WINAPI FlatbedOrTrans(ScanSettings* settings)
{
    const int result = settings ? kResultDeviceOk : 0;
    LogCall("FlatbedOrTrans", {LogPointer(settings)}, result);
    return result;
}

int WINAPI SelectScanner(int value)
{
    LogCall("SelectScanner", {LogInt(value)}, kResultDeviceOk);
    return kResultDeviceOk;
}

// The fourth argument is the preview width in pixels, the fifth its height
// (the height of the file follows from the bed's proportions instead).
int WINAPI PreScanFile(HWND owner, ScanSettings* settings, ScannerAbility* ability, LPARAM value1,
                       LPARAM value2)
{
    const int result = PrescanResult(settings, static_cast<long long>(value1));
    LogCall("PreScanFile",
            {LogPointer(owner), LogPointer(settings), LogPointer(ability),
             LogInt(static_cast<long long>(value1)), LogInt(static_cast<long long>(value2))},
            result);
    return result;
}

// The fourth argument points at the preview rectangle, the fifth is the
// scan speed.
int WINAPI PreScanFileEx(HWND owner, ScanSettings* settings, ScannerAbility* ability, LPARAM value1,
                         LPARAM value2)
{
    const RECT* preview = reinterpret_cast<const RECT*>(value1);
    const long long width =
        preview ? static_cast<long long>(preview->right) - static_cast<long long>(preview->left) : 0;
    const int result = PrescanResult(settings, width);
    LogCall("PreScanFileEx",
            {LogPointer(owner), LogPointer(settings), LogPointer(ability), LogPointer(preview),
             LogInt(static_cast<long long>(value2))},
            result);
    return result;
}

// Feeds (and so uses) one sheet.
void WINAPI PageFeed()
{
    UseSheet();
    LogVoidCall("PageFeed", {});
}

int WINAPI OpenDeviceDriver()
{
    LogCall("OpenDeviceDriver", {}, kResultDeviceOk);
    return kResultDeviceOk;
}

void WINAPI CloseDeviceDriver()
{
    LogVoidCall("CloseDeviceDriver", {});
}

int WINAPI DoCalibrate(int a, int b, int c)
{
    const int fault = ReadConfig().faults.calibrate;
    const int result = fault ? fault : kResultDeviceOk;
    LogCall("DoCalibrate", {LogByte(a), LogByte(b), LogByte(c)}, result);
    return result;
}

// The dialog's polling: 1 while paper lies in the feeder; no sheet is used.
int WINAPI PaperFeed()
{
    const int result = feederSheets > 0 ? 1 : 0;
    LogCall("PaperFeed", {}, result);
    return result;
}

// End of paper: 1 when the feeder is empty.
int WINAPI EOPStatus()
{
    const int result = feederSheets > 0 ? 0 : 1;
    LogCall("EOPStatus", {}, result);
    return result;
}

int WINAPI EOPStatusEx(BYTE* status)
{
    int result = 0;
    if (status) {
        *status = feederSheets > 0 ? 0 : 1;
        result = kResultDeviceOk;
    }
    LogCall("EOPStatusEx", {LogPointer(status)}, result);
    return result;
}

int WINAPI SlowDownSpeed()
{
    LogCall("SlowDownSpeed", {}, kResultDeviceOk);
    return kResultDeviceOk;
}

int WINAPI SpeedUpSpeed()
{
    LogCall("SpeedUpSpeed", {}, kResultDeviceOk);
    return kResultDeviceOk;
}

int WINAPI TrunOnLamp()
{
    LogCall("TrunOnLamp", {}, kResultDeviceOk);
    return kResultDeviceOk;
}

int WINAPI TrunOffLamp()
{
    LogCall("TrunOffLamp", {}, kResultDeviceOk);
    return kResultDeviceOk;
}

int WINAPI ChangeSpeedMode(int mode)
{
    LogCall("ChangeSpeedMode", {LogByte(mode)}, kResultDeviceOk);
    return kResultDeviceOk;
}

int WINAPI ChangeParallPort(int mode)
{
    LogCall("ChangeParallPort", {LogByte(mode)}, kResultDeviceOk);
    return kResultDeviceOk;
}

int WINAPI FlatbedTransSwitch(int transparency)
{
    LogCall("FlatbedTransSwitch", {LogByte(transparency)}, kResultDeviceOk);
    return kResultDeviceOk;
}

// The status code is [Faults] "Status" (0: no error), as result and in
// *status; the three bytes are 0.
int WINAPI ParallPortStatusEx(BYTE* a, BYTE* b, BYTE* c, LONG* status)
{
    const LONG code = ReadConfig().faults.status;
    for (BYTE* out : {a, b, c})
        if (out)
            *out = 0;
    if (status)
        *status = code;
    LogCall("ParallPortStatusEx", {LogPointer(a), LogPointer(b), LogPointer(c), LogPointer(status)},
            code);
    return code;
}

} // extern "C"

// The exports have exactly the types the data source calls them by.
static_assert(std::is_same_v<decltype(&CheckDiskSpace), CheckDiskSpaceProc>);
static_assert(std::is_same_v<decltype(&TestScanner), TestScannerProc>);
static_assert(std::is_same_v<decltype(&GetAbilityForUI), GetAbilityForUIProc>);
static_assert(std::is_same_v<decltype(&GetADFPaper), GetADFPaperProc>);
static_assert(std::is_same_v<decltype(&FlatbedOrTrans), FlatbedOrTransProc>);
static_assert(std::is_same_v<decltype(&SelectScanner), SelectScannerProc>);
static_assert(std::is_same_v<decltype(&PreScanFile), PreScanFileProc>);
static_assert(std::is_same_v<decltype(&PreScanFileEx), PreScanFileProc>);
static_assert(std::is_same_v<decltype(&PageFeed), PageFeedProc>);
static_assert(std::is_same_v<decltype(&OpenDeviceDriver), OpenDeviceDriverProc>);
static_assert(std::is_same_v<decltype(&CloseDeviceDriver), CloseDeviceDriverProc>);
static_assert(std::is_same_v<decltype(&DoCalibrate), DoCalibrateProc>);
static_assert(std::is_same_v<decltype(&PaperFeed), PlainDriverProc>);
static_assert(std::is_same_v<decltype(&EOPStatus), PlainDriverProc>);
static_assert(std::is_same_v<decltype(&SlowDownSpeed), PlainDriverProc>);
static_assert(std::is_same_v<decltype(&SpeedUpSpeed), PlainDriverProc>);
static_assert(std::is_same_v<decltype(&TrunOnLamp), PlainDriverProc>);
static_assert(std::is_same_v<decltype(&TrunOffLamp), PlainDriverProc>);
static_assert(std::is_same_v<decltype(&ChangeSpeedMode), ByteDriverProc>);
static_assert(std::is_same_v<decltype(&ChangeParallPort), ByteDriverProc>);
static_assert(std::is_same_v<decltype(&FlatbedTransSwitch), ByteDriverProc>);
static_assert(std::is_same_v<decltype(&ParallPortStatusEx), ParallPortStatusExProc>);
static_assert(std::is_same_v<decltype(&GetAbilityForUIEx), GetAbilityForUIExProc>);
static_assert(std::is_same_v<decltype(&EOPStatusEx), EOPStatusExProc>);
static_assert(std::is_same_v<decltype(&VirtualSheetsLeft), SheetCounterProc>);
static_assert(std::is_same_v<decltype(&VirtualUseSheet), SheetCounterProc>);
