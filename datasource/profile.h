// The system's INI files: paths in the Windows directory and typed reads and
// writes through the platform's profile functions. A null file means win.ini.
#pragma once

#include <string>
#include <string_view>

// File names as built: the Windows directory followed by these.
constexpr const char* kModelFileName = "\\7d32.ini";      // resource string 9003
constexpr const char* kSettingsFileName = "\\kmscan32.ini"; // resource string 9002
constexpr const char* kPluginTextsFileName = "\\easy.ini";
constexpr const char* kAppTableFileName = "\\apsetup.ini";
constexpr const char* kTrayFileName = "\\kmintray.ini";
constexpr const char* kWinIni = nullptr;

// Sections
constexpr const char* kSectionDS = "DS";
constexpr const char* kSectionLanguage = "LANGUAGE";
constexpr const char* kSectionUIVersion = "UI version";
constexpr const char* kSectionScanner = "Kelmora Scanner";
constexpr const char* kSectionTwain = "Twain";
constexpr const char* kSectionIndexMapping = "Index Mapping ApName";
constexpr const char* kSectionApNameMapping = "ApName Mapping";
constexpr const char* kSectionAliasMapping = "Alias Mapping";
constexpr const char* kSectionLineArt = "LineArt";
constexpr const char* kSectionGray = "Gray";

// Resource strings of the data source
constexpr unsigned kStringCompany = 9001;
constexpr unsigned kStringSettingsFile = 9002;
constexpr unsigned kStringModelFile = 9003;

// Longest text of a [LANGUAGE] "LANGUAGE" value.
constexpr int kLanguageMax = 29;

// A resource string of the data source module (built-in text if missing).
std::string ModuleString(unsigned id);

std::string WindowsDirectory();
// The Windows directory followed by name, which begins with a backslash.
std::string WindowsPath(std::string_view name);
std::string ModelFilePath();
std::string SettingsFilePath();

// A missing key yields the default; the caller keeps the bits its field holds.
int ReadInt(const char* file, const char* section, const char* key, int defaultValue);
inline int ReadInt(const std::string& file, const char* section, const char* key, int defaultValue)
{
    return ReadInt(file.c_str(), section, key, defaultValue);
}
// Reads at most maxChars characters; longer values are cut.
std::string ReadText(const char* file, const char* section, const char* key,
                     const char* defaultValue, int maxChars);
inline std::string ReadText(const std::string& file, const char* section, const char* key,
                            const char* defaultValue, int maxChars)
{
    return ReadText(file.c_str(), section, key, defaultValue, maxChars);
}
// A null value deletes the key.
bool WriteText(const char* file, const char* section, const char* key, const char* value);
inline bool WriteText(const std::string& file, const char* section, const char* key,
                      const char* value)
{
    return WriteText(file.c_str(), section, key, value);
}
// Writes "%d".
bool WriteInt(const char* file, const char* section, const char* key, int value);
inline bool WriteInt(const std::string& file, const char* section, const char* key, int value)
{
    return WriteInt(file.c_str(), section, key, value);
}

// The language section name: [LANGUAGE] "LANGUAGE" of the model file.
std::string ReadLanguage(const char* defaultValue);

bool FileExists(const std::string& path);
