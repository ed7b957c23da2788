#include "driver.h"

#include <cstring>
#include <string>

#include "profile.h"

DriverTable driver;
char driverFolder[kDriverFolderMax + 1];

namespace {

struct DriverName {
    const char* name;
    FARPROC* slot;
};

// Function table of the transfer library, resolved but not required.
const DriverName kTransferNames[] = {
    {"AvMemXfer", reinterpret_cast<FARPROC*>(&driver.avMemXfer)},
    {"CreateDIB", reinterpret_cast<FARPROC*>(&driver.createDIB)},
};

// The 24 functions of the device library.
const DriverName kDeviceNames[] = {
    {"CheckDiskSpace", reinterpret_cast<FARPROC*>(&driver.checkDiskSpace)},
    {"TestScanner", reinterpret_cast<FARPROC*>(&driver.testScanner)},
    {"GetAbilityForUI", reinterpret_cast<FARPROC*>(&driver.getAbilityForUI)},
    {"GetADFPaper", reinterpret_cast<FARPROC*>(&driver.getADFPaper)},
    {"FlatbedOrTrans", reinterpret_cast<FARPROC*>(&driver.flatbedOrTrans)},
    {"SelectScanner", reinterpret_cast<FARPROC*>(&driver.selectScanner)},
    {"PreScanFile", reinterpret_cast<FARPROC*>(&driver.preScanFile)},
    {"PreScanFileEx", reinterpret_cast<FARPROC*>(&driver.preScanFileEx)},
    {"PageFeed", reinterpret_cast<FARPROC*>(&driver.pageFeed)},
    {"OpenDeviceDriver", reinterpret_cast<FARPROC*>(&driver.openDeviceDriver)},
    {"CloseDeviceDriver", reinterpret_cast<FARPROC*>(&driver.closeDeviceDriver)},
    {"DoCalibrate", reinterpret_cast<FARPROC*>(&driver.doCalibrate)},
    {"PaperFeed", reinterpret_cast<FARPROC*>(&driver.paperFeed)},
    {"EOPStatus", reinterpret_cast<FARPROC*>(&driver.eopStatus)},
    {"SlowDownSpeed", reinterpret_cast<FARPROC*>(&driver.slowDownSpeed)},
    {"SpeedUpSpeed", reinterpret_cast<FARPROC*>(&driver.speedUpSpeed)},
    {"TrunOnLamp", reinterpret_cast<FARPROC*>(&driver.trunOnLamp)},
    {"TrunOffLamp", reinterpret_cast<FARPROC*>(&driver.trunOffLamp)},
    {"ChangeSpeedMode", reinterpret_cast<FARPROC*>(&driver.changeSpeedMode)},
    {"ChangeParallPort", reinterpret_cast<FARPROC*>(&driver.changeParallPort)},
    {"FlatbedTransSwitch", reinterpret_cast<FARPROC*>(&driver.flatbedTransSwitch)},
    {"ParallPortStatusEx", reinterpret_cast<FARPROC*>(&driver.parallPortStatusEx)},
    {"GetAbilityForUIEx", reinterpret_cast<FARPROC*>(&driver.getAbilityForUIEx)},
    {"EOPStatusEx", reinterpret_cast<FARPROC*>(&driver.eopStatusEx)},
};
static_assert(sizeof kDeviceNames / sizeof kDeviceNames[0] == 24);

template <size_t N> void Resolve(HMODULE library, const DriverName (&names)[N])
{
    for (const DriverName& entry : names)
        *entry.slot = library ? GetProcAddress(library, entry.name) : nullptr;
}

// Releases both libraries without closing the device: used when a binding
// is refused before the driver was ever usable.
void ReleaseLibraries()
{
    if (driver.deviceLibrary)
        FreeLibrary(driver.deviceLibrary);
    if (driver.transferLibrary)
        FreeLibrary(driver.transferLibrary);
    driver = DriverTable{};
}

} // namespace

void RewriteDriverFolder(char* folder, size_t size)
{
    if (std::strstr(folder, "_32"))
        return;
    CharUpperA(folder);
    char* twain = std::strstr(folder, "TWAIN");
    if (!twain)
        return;
    std::string rewritten(folder, twain + 5);
    rewritten += "_32";
    rewritten += twain + 5;
    if (rewritten.size() < size)
        std::memcpy(folder, rewritten.c_str(), rewritten.size() + 1);
}

bool BindDriver()
{
    // A second binding would load the libraries twice; the earlier one goes.
    if (DriverBound())
        UnbindDriver();

    const std::string modelFile = ModelFilePath();
    const std::string folder = ReadText(modelFile, kSectionDS, "PATH", "Error", kDriverFolderMax);
    std::memcpy(driverFolder, folder.c_str(), folder.size() + 1);
    const std::string language = ReadLanguage("English");
    const std::string transferName =
        ReadText(modelFile, language.c_str(), "SCANMODE", "tevran.dll", kLanguageMax);
    const std::string deviceName =
        ReadText(modelFile, language.c_str(), "TWDSM", "morlin.dll", kLanguageMax);

    const std::string base = WindowsPath(driverFolder);
    driver.transferLibrary = LoadLibraryA((base + transferName).c_str());
    Resolve(driver.transferLibrary, kTransferNames);

    driver.deviceLibrary = LoadLibraryA((base + deviceName).c_str());
    if (!driver.deviceLibrary) {
        ReleaseLibraries();
        return false;
    }
    Resolve(driver.deviceLibrary, kDeviceNames);
    // OpenDeviceDriver is never called; its presence marks a usable library.
    if (!driver.openDeviceDriver) {
        ReleaseLibraries();
        return false;
    }

    RewriteDriverFolder(driverFolder, sizeof driverFolder);
    return true;
}

void UnbindDriver()
{
    if (driver.deviceLibrary && driver.closeDeviceDriver)
        driver.closeDeviceDriver();
    ReleaseLibraries();
}

bool DriverBound()
{
    return driver.deviceLibrary != nullptr;
}

LONG QueryDriverStatus()
{
    if (!driver.parallPortStatusEx)
        return 0;
    BYTE a = 0, b = 0, c = 0;
    LONG status = 0;
    driver.parallPortStatusEx(&a, &b, &c, &status);
    return status;
}
