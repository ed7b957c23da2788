#include "notify.h"

#include <cstring>
#include <string>

#include "calibration.h"
#include "printqueue.h"
#include "profile.h"
#include "settings.h"
#include "state.h"

namespace {

constexpr DWORD kCalibrateBeforeScan = 1u << 9;
constexpr BYTE kOnePassColor = 1u << 5;

// The application has the manager loaded already: this only takes a
// reference. Nonzero once delivered, 0 when the manager cannot be reached.
int ReachSourceManager(TW_UINT16 message)
{
    HMODULE manager = LoadLibraryA(WindowsPath("\\TWAIN_32.DLL").c_str());
    if (!manager)
        return 0;
    auto entry = reinterpret_cast<DSMENTRYPROC>(GetProcAddress(manager, "DSM_Entry"));
    if (!entry) {
        FreeLibrary(manager);
        return 0;
    }
    entry(&sourceIdentity, &appIdentity, DG_CONTROL, DAT_NULL, message, nullptr);
    return FreeLibrary(manager);
}

// The client Pagerol without our dialog brings its own settings.
void ApplyPagerolSettings()
{
    const std::string tray = WindowsPath(kTrayFileName);
    if (ReadInt(tray, kSectionTwain, "Image Type", 0) == 0 && ReadInt(tray, kSectionTwain, "Halftone", 0) != 0) {
        settings.imageType = 1;
        settings.halftone = 1;
    }
    settings.invertImage = ReadInt(tray, kSectionTwain, "Invert", 0);
    // The client's 0..255 scale with 127 neutral, ours 0..200 with 100.
    settings.masterContrast = static_cast<BYTE>((ReadInt(tray, kSectionTwain, "Contrast", 127) & 0xFF) * 100 / 127);
    settings.masterBrightness =
        static_cast<BYTE>((ReadInt(tray, kSectionTwain, "Brightness", 127) & 0xFF) * 100 / 127);
    settings.colorFilter = 0;
}

// Cuts the scan area to the scanner; the origin never moves. An origin at
// or beyond the limit leaves no area, which the job derivation refuses.
WORD FitExtent(WORD origin, WORD extent, WORD limit)
{
    if (origin + extent <= limit)
        return extent;
    return origin >= limit ? 0 : static_cast<WORD>(limit - origin);
}

void FitScanArea()
{
    WORD width, length;
    switch (basicAbility.scannerType) {
    case 64:
        width = basicAbility.feederWidth;
        length = basicAbility.feederLength;
        break;
    case 128:
        width = basicAbility.flatbedWidth;
        length = basicAbility.flatbedLength;
        break;
    case 160:
        width = settings.scanMethod < 2 ? basicAbility.feederWidth : basicAbility.flatbedWidth;
        length = settings.scanMethod < 2 ? basicAbility.feederLength : basicAbility.flatbedLength;
        break;
    default:
        return;
    }
    settings.cx = FitExtent(settings.x, settings.cx, width);
    settings.cy = FitExtent(settings.y, settings.cy, length);
}

bool CalibratesBeforeScan()
{
    return (scannerAbility.optionFlags & kCalibrateBeforeScan) || BasicModelBegins("KM210XCS") ||
           (BasicModelBegins("KM210C") && !BasicModelBegins("KM210CS"));
}

} // namespace

extern "C" int WINAPI NotifyCloseDSReq()
{
    return ReachSourceManager(MSG_CLOSEDSREQ);
}

extern "C" int WINAPI NotifyXferReady()
{
    if (!PrintQueueIdle())
        return ShowPrintJobsMessage();

    if (IsApp("Pagerol") && !uiInUse)
        ApplyPagerolSettings();
    if (uiInUse)
        ReadSourceSettings();
    FitScanArea();

    // The job's pages are those the settings file prepared; the running
    // counter starts again at the first.
    pageCount = static_cast<int>(preparedPages);
    settings.scanPage = 1;
    settings.onePassColor = (basicAbility.colorFlags & kOnePassColor) ? 1 : 0;

    // The application may ask for the image while the notification runs.
    sourceState = kStateXferReady;
    if (CalibratesBeforeScan())
        DoCalibration(1, 1, 8);
    return ReachSourceManager(MSG_XFERREADY);
}
