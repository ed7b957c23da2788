#include "calllog.h"

#include <windows.h>

#include <cstring>

#include "config.h"

namespace {

// Texts come from applications; a missing terminator must not run away.
constexpr size_t kMaxLoggedText = 512;

void AppendLine(const std::string& line)
{
    const std::string path = ScannerWindowsPath(kCallLogFileName);
    HANDLE file = CreateFileA(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return; // a log that cannot be written must not stop the scanner
    const std::string text = line + "\r\n";
    DWORD written = 0;
    WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    CloseHandle(file);
}

std::string Call(const char* name, std::initializer_list<std::string> args)
{
    std::string line = name;
    line += '(';
    bool first = true;
    for (const std::string& arg : args) {
        if (!first)
            line += ", ";
        line += arg;
        first = false;
    }
    line += ')';
    return line;
}

} // namespace

std::string LogPointer(const void* pointer)
{
    return pointer ? "ptr" : "0";
}

std::string LogInt(long long value)
{
    return std::to_string(value);
}

std::string LogByte(long long value)
{
    return std::to_string(static_cast<unsigned>(value & 0xFF));
}

std::string LogText(const char* text)
{
    if (!text)
        return "0";
    return '"' + std::string(text, strnlen(text, kMaxLoggedText)) + '"';
}

void LogCall(const char* name, std::initializer_list<std::string> args, long long result)
{
    AppendLine(Call(name, args) + " = " + std::to_string(result));
}

void LogVoidCall(const char* name, std::initializer_list<std::string> args)
{
    AppendLine(Call(name, args));
}
