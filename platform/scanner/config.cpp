#include "config.h"

#include <cstdlib>
#include <cstring>

namespace {

constexpr const char* kSectionScanner = "Scanner";
constexpr const char* kSectionBed = "Bed";
constexpr const char* kSectionFaults = "Faults";

constexpr BYTE kDefaultHalftoneCodes[8] = {1, 2, 3, 4, 5, 6, 7, 8};
constexpr BYTE kDefaultAlign[5] = {8, 2, 4, 8, 8};

std::string ReadText(const std::string& file, const char* section, const char* key,
                     const char* defaultValue)
{
    char text[MAX_PATH + 1];
    GetPrivateProfileStringA(section, key, defaultValue, text, sizeof text, file.c_str());
    return text;
}

// A key that is missing, or whose value is no number, takes the default.
long long ReadNumber(const std::string& file, const char* section, const char* key,
                     long long defaultValue)
{
    char text[64];
    GetPrivateProfileStringA(section, key, "", text, sizeof text, file.c_str());
    long long value;
    return ParseNumber(text, &value) ? value : defaultValue;
}

// A comma-separated list of up to n numbers; missing entries are 0, a
// missing key gives the defaults.
template <size_t N>
void ReadByteList(const std::string& file, const char* section, const char* key,
                  const BYTE (&defaults)[N], BYTE (&out)[N])
{
    char text[128];
    GetPrivateProfileStringA(section, key, "", text, sizeof text, file.c_str());
    if (!text[0]) {
        std::memcpy(out, defaults, N);
        return;
    }
    std::memset(out, 0, N);
    const char* p = text;
    for (size_t i = 0; i < N && *p; ++i) {
        char item[32] = {};
        size_t length = std::strcspn(p, ",");
        std::memcpy(item, p, length < sizeof item - 1 ? length : sizeof item - 1);
        long long value;
        if (ParseNumber(item, &value))
            out[i] = static_cast<BYTE>(value);
        p += length;
        if (*p == ',')
            ++p;
    }
}

} // namespace

bool ParseNumber(const char* text, long long* value)
{
    while (*text == ' ' || *text == '\t')
        ++text;
    bool negative = *text == '-';
    if (negative)
        ++text;
    int base = 10;
    if (text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        base = 16;
        text += 2;
    }
    if (!*text)
        return false;
    char* end;
    unsigned long long magnitude = std::strtoull(text, &end, base);
    while (*end == ' ' || *end == '\t')
        ++end;
    if (*end || *text == '-' || *text == '+')
        return false;
    *value = negative ? -static_cast<long long>(magnitude) : static_cast<long long>(magnitude);
    return true;
}

std::string ScannerWindowsPath(const char* name)
{
    char folder[MAX_PATH];
    UINT length = GetWindowsDirectoryA(folder, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        folder[0] = '\0';
    return std::string(folder) + name;
}

VirtualScannerConfig ReadConfig()
{
    const std::string file = ScannerWindowsPath(kConfigFileName);
    VirtualScannerConfig config;
    ScannerConfig& s = config.scanner;
    auto number = [&](const char* section, const char* key, long long defaultValue) {
        return ReadNumber(file, section, key, defaultValue);
    };
    s.model = ReadText(file, kSectionScanner, "Model", "KM530C");
    s.firmware = ReadText(file, kSectionScanner, "Firmware", "1.10");
    s.interfaceName = ReadText(file, kSectionScanner, "Interface", "SCSI");
    s.auxiliaryName = ReadText(file, kSectionScanner, "Auxiliary", "None");
    s.type = static_cast<int>(number(kSectionScanner, "Type", 160));
    s.optical = static_cast<int>(number(kSectionScanner, "Optical", 600));
    s.maxX = static_cast<int>(number(kSectionScanner, "MaxX", 1200));
    s.maxY = static_cast<int>(number(kSectionScanner, "MaxY", 1200));
    s.maxColorX = static_cast<int>(number(kSectionScanner, "MaxColorX", s.maxX));
    s.maxColorY = static_cast<int>(number(kSectionScanner, "MaxColorY", s.maxY));
    s.colorFlags = static_cast<int>(number(kSectionScanner, "ColorFlags", 32));
    s.flatbedWidth = static_cast<int>(number(kSectionScanner, "FlatbedWidth", 2550));
    s.flatbedLength = static_cast<int>(number(kSectionScanner, "FlatbedLength", 3508));
    s.feederWidth = static_cast<int>(number(kSectionScanner, "FeederWidth", 2550));
    s.feederLength = static_cast<int>(number(kSectionScanner, "FeederLength", 4200));
    s.extended = static_cast<int>(number(kSectionScanner, "Extended", 1));
    s.optionFlags = static_cast<DWORD>(number(kSectionScanner, "OptionFlags", 0x00300109));
    s.driverFlags = static_cast<DWORD>(number(kSectionScanner, "DriverFlags", 0));
    ReadByteList(file, kSectionScanner, "HalftoneCodes", kDefaultHalftoneCodes, s.halftoneCodes);
    ReadByteList(file, kSectionScanner, "Align", kDefaultAlign, s.align);

    config.flatbedImage = ReadText(file, kSectionBed, "Flatbed", "");
    config.feederImage = ReadText(file, kSectionBed, "Feeder", "");

    FaultConfig& f = config.faults;
    f.testScanner = static_cast<int>(number(kSectionFaults, "TestScanner", 0));
    f.status = static_cast<long>(number(kSectionFaults, "Status", 0));
    f.prescan = static_cast<int>(number(kSectionFaults, "Prescan", 0));
    f.transfer = static_cast<int>(number(kSectionFaults, "Transfer", 0));
    f.calibrate = static_cast<int>(number(kSectionFaults, "Calibrate", 0));
    f.adfQuery = static_cast<int>(number(kSectionFaults, "ADFQuery", 0));
    return config;
}

int ReadSheetCount()
{
    const std::string file = ScannerWindowsPath(kConfigFileName);
    long long sheets = ReadNumber(file, kSectionBed, "Sheets", 0);
    if (sheets < 0)
        return 0;
    return sheets > 0x7FFFFFFF ? 0x7FFFFFFF : static_cast<int>(sheets);
}
