#include "profile.h"

#include <array>
#include <vector>
#include <windows.h>

#include "state.h"

namespace {

struct BuiltInString {
    unsigned id;
    const char* text;
};

// Same texts as the string table in the resources, for a module without them.
constexpr std::array<BuiltInString, 3> kBuiltInStrings{{
    {kStringCompany, "Kelmora"},
    {kStringSettingsFile, "\\kmscan32.ini"},
    {kStringModelFile, "\\7d32.ini"},
}};

} // namespace

std::string ModuleString(unsigned id)
{
    char buffer[256];
    int length = LoadStringA(moduleInstance, id, buffer, sizeof buffer);
    if (length > 0)
        return std::string(buffer, length);
    for (const auto& entry : kBuiltInStrings)
        if (entry.id == id)
            return entry.text;
    return {};
}

std::string WindowsDirectory()
{
    char buffer[MAX_PATH];
    UINT length = GetWindowsDirectoryA(buffer, sizeof buffer);
    if (length == 0 || length >= sizeof buffer)
        return {};
    return std::string(buffer, length);
}

std::string WindowsPath(std::string_view name)
{
    std::string path = WindowsDirectory();
    path.append(name);
    return path;
}

std::string ModelFilePath()
{
    return WindowsPath(ModuleString(kStringModelFile));
}

std::string SettingsFilePath()
{
    return WindowsPath(ModuleString(kStringSettingsFile));
}

int ReadInt(const char* file, const char* section, const char* key, int defaultValue)
{
    UINT value = file ? GetPrivateProfileIntA(section, key, defaultValue, file)
                      : GetProfileIntA(section, key, defaultValue);
    return static_cast<int>(value);
}

std::string ReadText(const char* file, const char* section, const char* key,
                     const char* defaultValue, int maxChars)
{
    if (maxChars < 0)
        maxChars = 0;
    std::vector<char> buffer(maxChars + 1);
    DWORD length = file ? GetPrivateProfileStringA(section, key, defaultValue, buffer.data(),
                                                   static_cast<DWORD>(buffer.size()), file)
                        : GetProfileStringA(section, key, defaultValue, buffer.data(),
                                            static_cast<DWORD>(buffer.size()));
    if (length > static_cast<DWORD>(maxChars))
        length = maxChars;
    return std::string(buffer.data(), length);
}

bool WriteText(const char* file, const char* section, const char* key, const char* value)
{
    BOOL done = file ? WritePrivateProfileStringA(section, key, value, file)
                     : WriteProfileStringA(section, key, value);
    return done != FALSE;
}

bool WriteInt(const char* file, const char* section, const char* key, int value)
{
    char text[16];
    wsprintfA(text, "%d", value);
    return WriteText(file, section, key, text);
}

std::string ReadLanguage(const char* defaultValue)
{
    return ReadText(ModelFilePath(), kSectionLanguage, kSectionLanguage, defaultValue,
                    kLanguageMax);
}

bool FileExists(const std::string& path)
{
    DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}
