#include "driver.h"

#include <cstddef>
#include <cstring>
#include <string>

#include "profile.h"

DriverTable driver;
char driverFolder[kDriverFolderMax + 1];

namespace {

struct DriverName {
    const char* name;
    size_t offset; // of its entry in DriverTable
};

#define ENTRY(name, member) {name, offsetof(DriverTable, member)}

// Functions of the transfer library, resolved but not required.
constexpr DriverName kTransferNames[] = {
    ENTRY("AvMemXfer", avMemXfer),
    ENTRY("CreateDIB", createDIB),
};

// The 24 functions of the device library.
constexpr DriverName kDeviceNames[] = {
    ENTRY("CheckDiskSpace", checkDiskSpace),
    ENTRY("TestScanner", testScanner),
    ENTRY("GetAbilityForUI", getAbilityForUI),
    ENTRY("GetADFPaper", getADFPaper),
    ENTRY("FlatbedOrTrans", flatbedOrTrans),
    ENTRY("SelectScanner", selectScanner),
    ENTRY("PreScanFile", preScanFile),
    ENTRY("PreScanFileEx", preScanFileEx),
    ENTRY("PageFeed", pageFeed),
    ENTRY("OpenDeviceDriver", openDeviceDriver),
    ENTRY("CloseDeviceDriver", closeDeviceDriver),
    ENTRY("DoCalibrate", doCalibrate),
    ENTRY("PaperFeed", paperFeed),
    ENTRY("EOPStatus", eopStatus),
    ENTRY("SlowDownSpeed", slowDownSpeed),
    ENTRY("SpeedUpSpeed", speedUpSpeed),
    ENTRY("TrunOnLamp", trunOnLamp),
    ENTRY("TrunOffLamp", trunOffLamp),
    ENTRY("ChangeSpeedMode", changeSpeedMode),
    ENTRY("ChangeParallPort", changeParallPort),
    ENTRY("FlatbedTransSwitch", flatbedTransSwitch),
    ENTRY("ParallPortStatusEx", parallPortStatusEx),
    ENTRY("GetAbilityForUIEx", getAbilityForUIEx),
    ENTRY("EOPStatusEx", eopStatusEx),
};
static_assert(sizeof kDeviceNames / sizeof kDeviceNames[0] == 24);

#undef ENTRY

template <size_t N> int Resolve(DriverTable* table, HMODULE library, const DriverName (&names)[N])
{
    int missing = 0;
    for (const DriverName& entry : names) {
        FARPROC function = library ? GetProcAddress(library, entry.name) : nullptr;
        *reinterpret_cast<FARPROC*>(reinterpret_cast<char*>(table) + entry.offset) = function;
        missing += function == nullptr;
    }
    return missing;
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

int ResolveDriverFunctions(DriverTable* table)
{
    return Resolve(table, table->transferLibrary, kTransferNames) +
           Resolve(table, table->deviceLibrary, kDeviceNames);
}

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
    driver.deviceLibrary = LoadLibraryA((base + deviceName).c_str());
    if (!driver.deviceLibrary) {
        ReleaseLibraries();
        return false;
    }
    ResolveDriverFunctions(&driver);
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

bool PaperInFeeder()
{
    BYTE paper = 0;
    return driver.getADFPaper && driver.getADFPaper(&paper) && paper;
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
