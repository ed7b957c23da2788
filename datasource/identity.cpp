#include "identity.h"

#include <cstring>
#include <string>

#include "driver.h"
#include "entry.h"
#include "errors.h"
#include "messagebox.h"
#include "profile.h"
#include "settings.h"
#include "state.h"
#include "userinterface.h"

namespace {

constexpr int kIdentityTextMax = 33;
constexpr char kWang[] = "Wang Laboratories, Inc.";

void CopyText(char* destination, const std::string& text)
{
    std::strncpy(destination, text.c_str(), kIdentityTextMax);
    destination[kIdentityTextMax] = '\0';
}

// An application's strings may be unterminated; the last byte of a 34-byte
// TWAIN string is always its terminator.
void TerminateStrings(TW_IDENTITY* identity)
{
    identity->Version.Info[kIdentityTextMax] = '\0';
    identity->Manufacturer[kIdentityTextMax] = '\0';
    identity->ProductFamily[kIdentityTextMax] = '\0';
    identity->ProductName[kIdentityTextMax] = '\0';
}

void SignalOpen(const char* value)
{
    WriteText(kWinIni, kSectionScanner, "OpenDS", value);
}

TW_UINT16 OpenSource(TripletCall* call)
{
    if (!call->data)
        return Refuse(TWCC_BADVALUE);

    // File transfers write a name without a folder into the Windows directory.
    SetCurrentDirectoryA(WindowsDirectory().c_str());
    SignalOpen("0");
    const std::string path = SettingsFilePath();
    lstrcpynA(settingsPath, path.c_str(), sizeof settingsPath);

    if (ReadInt(settingsPath, kSectionScanner, "UI version", 0) != 0 &&
        !FileExists(WindowsPath("\\satur.km"))) {
        ShowMessageBox(nullptr, "Can't not find the 'satur.km' file.", nullptr, kMessageFlags);
        return TWRC_FAILURE;
    }
    const std::string modelName = ModuleString(kStringModelFile);
    WriteText(settingsPath, kSectionScanner, "Interface IniFile", modelName.c_str());
    if (!FileExists(ModelFilePath())) {
        ShowMessageBox(nullptr, "Can't find the model file '7d32.ini' in the Windows directory.",
                       nullptr, kMessageFlags);
        return TWRC_FAILURE;
    }

    if (sourceState != kStateLoaded)
        return FailTriplet(TWCC_SEQERROR, "General failure in response to MSG_OPENDS.  ");
    if (appIdentity.Id != 0) {
        FailTriplet(TWCC_MAXCONNECTIONS, "General failure in response to MSG_OPENDS.  ");
        SignalOpen("1");
        return TWRC_FAILURE;
    }

    appIdentity = *call->origin;
    TerminateStrings(&appIdentity);
    if (appIdentity.ProductName[0] == '\0' || std::strcmp(appIdentity.ProductName, " ") == 0)
        std::memcpy(appIdentity.ProductName, appIdentity.ProductFamily, sizeof appIdentity.ProductName);
    sourceIdentity = *static_cast<pTW_IDENTITY>(call->data);
    TerminateStrings(&sourceIdentity);
    if (std::strncmp(appIdentity.Manufacturer, kWang, sizeof kWang - 1) == 0)
        CopyText(appIdentity.ProductName, kWang);

    ResetScanSettings(&settings, &scannerAbility);
    ReadSourceSettings();

    if (AppBegins("MDCTwainScan")) {
        WriteText(settingsPath, "1", "Image Type", nullptr);
        settings.imageType = 0;
    }

    sourceState = kStateOpen;
    SignalOpen("1");
    return TWRC_SUCCESS;
}

TW_UINT16 CloseSource()
{
    if (sourceState < kStateOpen || sourceState > kStateTransferring)
        return FailTriplet(TWCC_SEQERROR, "General failure in response to MSG_CLOSEDS.  ");

    // Closed without a disable: take down what the enable built first, so
    // that nothing of it can reach the driver once it is released.
    if (sourceState >= kStateEnabled)
        TearDownUserInterface();

    appIdentity.Id = 0;
    sourceState = kStateLoaded;
    UnbindDriver();
    SignalOpen("0");
    return TWRC_SUCCESS;
}

} // namespace

bool AttachSource(HINSTANCE instance)
{
    if (!instance)
        return false;
    moduleInstance = instance;

    const std::string model = ModelFilePath();
    sourceIdentity = TW_IDENTITY{};
    sourceIdentity.Version.MajorNum = 1;
    sourceIdentity.Version.MinorNum = 6;
    sourceIdentity.Version.Language = TWLG_USA;
    sourceIdentity.Version.Country = TWCY_USA;
    CopyText(sourceIdentity.Version.Info, ReadText(model, kSectionDS, "VERSION_INFO", "0", kIdentityTextMax));
    sourceIdentity.ProtocolMajor = 1;
    sourceIdentity.ProtocolMinor = 5;
    sourceIdentity.SupportedGroups = DG_CONTROL | DG_IMAGE;
    CopyText(sourceIdentity.Manufacturer,
             ReadText(model, kSectionDS, "MANUFACTURER", "Kelmora Inc.", kIdentityTextMax));
    CopyText(sourceIdentity.ProductFamily,
             ReadText(model, kSectionDS, "PRODUCTFAMILY", "Tovrin", kIdentityTextMax));
    CopyText(sourceIdentity.ProductName,
             ReadText(model, kSectionDS, "PRODUCTNAME", "Tovrin", kIdentityTextMax));
    appIdentity.Id = 0;
    return true;
}

TW_UINT16 IdentityHandler(TripletCall* call)
{
    switch (call->msg) {
    case MSG_GET:
        if (!call->data)
            return Refuse(TWCC_BADVALUE);
        *static_cast<pTW_IDENTITY>(call->data) = sourceIdentity;
        return TWRC_SUCCESS;
    case MSG_OPENDS:
        return OpenSource(call);
    case MSG_CLOSEDS:
        return CloseSource();
    default:
        return FailTriplet(TWCC_BADPROTOCOL, "General failure in response to DAT_IDENTITY.  ");
    }
}
