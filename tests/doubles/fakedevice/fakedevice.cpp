// A device library for binding tests: every call appends its name to
// fakedevice.log in the Windows directory; the status comes from
// [Fake] Status of fakedevice.ini there.
#include <windows.h>

namespace {

void Log(const char* line)
{
    char path[MAX_PATH];
    GetWindowsDirectoryA(path, MAX_PATH);
    lstrcatA(path, "\\fakedevice.log");
    HANDLE file = CreateFileA(path, FILE_APPEND_DATA, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return;
    DWORD written;
    WriteFile(file, line, lstrlenA(line), &written, nullptr);
    WriteFile(file, "\r\n", 2, &written, nullptr);
    CloseHandle(file);
}

} // namespace

extern "C" {

#ifndef FAKEDEVICE_NO_OPEN
int WINAPI OpenDeviceDriver()
{
    Log("OpenDeviceDriver");
    return 1;
}
#endif

void WINAPI CloseDeviceDriver()
{
    Log("CloseDeviceDriver");
}

int WINAPI TestScanner(HWND, int)
{
    Log("TestScanner");
    return 1;
}

int WINAPI ParallPortStatusEx(BYTE* a, BYTE* b, BYTE* c, LONG* status)
{
    char path[MAX_PATH];
    GetWindowsDirectoryA(path, MAX_PATH);
    lstrcatA(path, "\\fakedevice.ini");
    *a = *b = *c = 0;
    *status = static_cast<LONG>(GetPrivateProfileIntA("Fake", "Status", 0, path));
    Log("ParallPortStatusEx");
    return *status;
}

}
