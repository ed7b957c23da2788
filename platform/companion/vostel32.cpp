// The companion program: the data source starts it with WinExec and one word
// ("twain_in", "twain_out", "twain_false"); it appends that word as one line
// to the Windows directory's vostel32.log and exits.
#include <windows.h>
#include <cstdlib>
#include <string>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    if (__argc < 2 || !__argv[1])
        return 0;
    char windows[MAX_PATH];
    const UINT length = GetWindowsDirectoryA(windows, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return 0;
    const std::string path = std::string(windows) + "\\vostel32.log";
    const std::string line = std::string(__argv[1]) + "\r\n";
    // Append access keeps each line whole even when two copies run at once.
    HANDLE log = CreateFileA(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE,
                             nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (log == INVALID_HANDLE_VALUE)
        return 0;
    DWORD written = 0;
    WriteFile(log, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
    CloseHandle(log);
    return 0;
}
