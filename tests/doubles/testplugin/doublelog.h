// Appending one line to a log file in the Windows directory, for the doubles.
#pragma once

#include <windows.h>
#include <string>

inline std::string DoubleWindowsPath(const char* name)
{
    char windows[MAX_PATH];
    const UINT length = GetWindowsDirectoryA(windows, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return std::string();
    return std::string(windows) + name;
}

inline void AppendDoubleLog(const char* name, const std::string& text)
{
    const std::string path = DoubleWindowsPath(name);
    if (path.empty())
        return;
    HANDLE log = CreateFileA(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE,
                             nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (log == INVALID_HANDLE_VALUE)
        return;
    const std::string line = text + "\r\n";
    DWORD written = 0;
    WriteFile(log, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
    CloseHandle(log);
}
