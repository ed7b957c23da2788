#include "services.h"

#include <cstring>

#include "driver.h"
#include "printqueue.h"
#include "state.h"

namespace {

constexpr DWORD kDriverUsesFlatbedTransSwitch = 1u << 24;
constexpr DWORD kDriverUsesEOPStatusEx = 1u << 23;

int LowByte(int value)
{
    return value & 0xFF;
}

int CallPlain(PlainDriverProc function)
{
    return function ? function() : kResultNotBound;
}

int CallByte(ByteDriverProc function, int value)
{
    return function ? function(LowByte(value)) : kResultNotBound;
}

// The basic record says all the driver knows; the rest keeps its contents.
void BuildAbilityFromBasic()
{
    std::strncpy(scannerAbility.modelName, basicAbility.modelName, 8);
    std::strncpy(scannerAbility.firmwareVersion, basicAbility.firmwareVersion, 4);
    std::strncpy(scannerAbility.interfaceName, "None", sizeof scannerAbility.interfaceName);
    std::strncpy(scannerAbility.auxiliaryName, "None", sizeof scannerAbility.auxiliaryName);
    scannerAbility.optionFlags = 0;
    scannerAbility.driverFlags = 0;
    scannerAbility.flatbedWidth = basicAbility.flatbedWidth;
    scannerAbility.flatbedLength = basicAbility.flatbedLength;
    scannerAbility.feederWidth = basicAbility.feederWidth;
    scannerAbility.feederLength = basicAbility.feederLength;
    scannerAbility.opticalResolution = basicAbility.opticalResolution;
    scannerAbility.maxXResolution = basicAbility.maxXResolution;
    scannerAbility.maxYResolution = basicAbility.maxYResolution;
    scannerAbility.maxColorXResolution = basicAbility.maxXResolution;
    scannerAbility.maxColorYResolution = basicAbility.maxYResolution;
    scannerAbility.colorFlags = basicAbility.colorFlags;
    scannerAbility.scannerType = basicAbility.scannerType;
    scannerAbility.modelFlags = basicAbility.modelFlags;
}

int PreScan(PreScanFileProc function, HWND owner, ScanSettings* scanSettings, LPARAM value1,
            LPARAM value2)
{
    if (!function)
        return kResultNotBound;
    if (!PrintQueueIdle()) {
        ShowPrintJobsMessage();
        return kResultOk; // already reported
    }
    // The driver always sees the record the last ability refresh produced.
    return function(owner, scanSettings, &scannerAbility, value1, value2);
}

} // namespace

extern "C" {

// No driver function answers this; nothing calls it in the system.
int WINAPI Interface(int)
{
    return 0;
}

int WINAPI TestScanner(HWND owner, int interfaceNumber)
{
    return driver.testScanner ? driver.testScanner(owner, LowByte(interfaceNumber)) : 0;
}

int WINAPI GetAbilityForUI(BasicAbility* out)
{
    if (out)
        *out = basicAbility;
    return 1;
}

int WINAPI GetAbilityForUIEx(ScannerAbility* out)
{
    if (!driver.getAbilityForUI)
        return 0;
    driver.getAbilityForUI(&basicAbility);
    scannerAbility.recordFlags = 0;
    if (basicAbility.hasExtendedAbility && driver.getAbilityForUIEx) {
        driver.getAbilityForUIEx(&scannerAbility);
        scannerAbility.recordFlags |= 1;
    } else {
        BuildAbilityFromBasic();
    }
    if (out && out != &scannerAbility)
        *out = scannerAbility;
    return 1;
}

int WINAPI FlatbedOrTrans(ScanSettings* scanSettings)
{
    if ((scannerAbility.driverFlags & kDriverUsesFlatbedTransSwitch) && driver.flatbedTransSwitch) {
        const ScanSettings& chosen = scanSettings ? *scanSettings : settings;
        return driver.flatbedTransSwitch(LowByte(static_cast<int>(chosen.useTransparence)));
    }
    return driver.flatbedOrTrans ? driver.flatbedOrTrans(scanSettings) : kResultNotBound;
}

int WINAPI SelectScanner(int value)
{
    return driver.selectScanner ? driver.selectScanner(value) : kResultNotBound;
}

int WINAPI PreScanFile(HWND owner, ScanSettings* scanSettings, ScannerAbility*, LPARAM value1,
                       LPARAM value2)
{
    return PreScan(driver.preScanFile, owner, scanSettings, value1, value2);
}

int WINAPI PreScanFileEx(HWND owner, ScanSettings* scanSettings, ScannerAbility*, LPARAM value1,
                         LPARAM value2)
{
    return PreScan(driver.preScanFileEx, owner, scanSettings, value1, value2);
}

int WINAPI DoPaperFeed()
{
    return CallPlain(driver.paperFeed);
}

int WINAPI GetEOPStatus()
{
    if ((scannerAbility.driverFlags & kDriverUsesEOPStatusEx) && driver.eopStatusEx) {
        BYTE status = 0;
        return driver.eopStatusEx(&status) ? status : 0;
    }
    return driver.eopStatus ? driver.eopStatus() : 0;
}

int WINAPI SlowDownScanSpeed()
{
    return CallPlain(driver.slowDownSpeed);
}

int WINAPI SpeedUpScanSpeed()
{
    return CallPlain(driver.speedUpSpeed);
}

int WINAPI SetSpeedMode(int mode)
{
    return CallByte(driver.changeSpeedMode, mode);
}

int WINAPI SetPrintPortMode(int mode)
{
    return CallByte(driver.changeParallPort, mode);
}

int WINAPI LampOn()
{
    return CallPlain(driver.trunOnLamp);
}

int WINAPI LampOff()
{
    return CallPlain(driver.trunOffLamp);
}

} // extern "C"
