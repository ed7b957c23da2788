#include "testplugin.h"

#include <cstring>
#include <string>

#include "doublelog.h"

namespace {

typedef int(WINAPI* NotifyProc)();

HINSTANCE pluginInstance;
HMODULE dataSource;             // loaded by DSNAME
NotifyProc foundXferReady;      // from dataSource
NotifyProc foundCloseDSReq;
bool exportsGiven;              // TestPluginUseExports takes precedence
NotifyProc givenXferReady;
NotifyProc givenCloseDSReq;

// FARPROC is the platform's generic function type; the real one is NotifyProc.
NotifyProc AsNotify(FARPROC function)
{
    return reinterpret_cast<NotifyProc>(reinterpret_cast<void (*)()>(function));
}

void Log(const std::string& line)
{
    AppendDoubleLog(kTestPluginLog, line);
}

void ReleaseDataSource()
{
    if (dataSource)
        FreeLibrary(dataSource);
    dataSource = nullptr;
    foundXferReady = nullptr;
    foundCloseDSReq = nullptr;
}

void BindDataSource()
{
    ReleaseDataSource();
    char name[MAX_PATH];
    GetPrivateProfileStringA("DS", "DSNAME", "km470.ds", name, sizeof name,
                             DoubleWindowsPath("\\7d32.ini").c_str());
    dataSource = LoadLibraryA(name);
    if (!dataSource)
        return;
    foundXferReady = AsNotify(GetProcAddress(dataSource, "NotifyXferReady"));
    foundCloseDSReq = AsNotify(GetProcAddress(dataSource, "NotifyCloseDSReq"));
}

void Notify(NotifyProc given, NotifyProc found)
{
    const NotifyProc function = exportsGiven ? given : found;
    if (function)
        function();
}

constexpr UINT_PTR kAutoTimer = 1;

// [Auto] "Action" = scan or close presses that button by itself "Delay"
// milliseconds after the dialog opened, so that an end-to-end test can run
// a session with the dialog shown and nobody to press it.
void StartAutoAction(HWND dialog)
{
    const std::string ini = DoubleWindowsPath(kTestPluginIni);
    char action[16] = "";
    GetPrivateProfileStringA("Auto", "Action", "", action, sizeof action, ini.c_str());
    if (action[0])
        SetTimer(dialog, kAutoTimer, GetPrivateProfileIntA("Auto", "Delay", 200, ini.c_str()), nullptr);
}

void RunAutoAction(HWND dialog)
{
    KillTimer(dialog, kAutoTimer);
    char action[16] = "";
    GetPrivateProfileStringA("Auto", "Action", "", action, sizeof action,
                             DoubleWindowsPath(kTestPluginIni).c_str());
    Log(std::string("auto ") + action);
    if (std::strcmp(action, "scan") == 0)
        SendMessageA(dialog, WM_COMMAND, IDC_TESTPLUGIN_SCAN, 0);
    else if (std::strcmp(action, "close") == 0)
        SendMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
}

INT_PTR CALLBACK TestDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM)
{
    if (message == WM_INITDIALOG) {
        StartAutoAction(dialog);
        return TRUE;
    }
    if (message == WM_TIMER && wParam == kAutoTimer) {
        RunAutoAction(dialog);
        return TRUE;
    }
    if (message != WM_COMMAND)
        return FALSE;
    switch (LOWORD(wParam)) {
    case IDCANCEL:
        Log("cancel");
        DestroyWindow(dialog);
        Notify(givenCloseDSReq, foundCloseDSReq);
        return TRUE;
    case IDC_TESTPLUGIN_SCAN:
        Notify(givenXferReady, foundXferReady);
        return TRUE;
    default:
        return FALSE;
    }
}

} // namespace

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved)
{
    if (reason == DLL_PROCESS_ATTACH) {
        pluginInstance = instance;
        char path[MAX_PATH] = "";
        GetModuleFileNameA(instance, path, MAX_PATH);
        Log(std::string("attach ") + path);
        const char* slash = std::strrchr(path, '\\');
        const char* fileName = slash ? slash + 1 : path;
        if (GetPrivateProfileIntA("Refuse", fileName, 0,
                                  DoubleWindowsPath(kTestPluginIni).c_str()) == 1)
            return FALSE;
    } else if (reason == DLL_PROCESS_DETACH) {
        Log("detach");
        // At process exit the data source may be gone already: leave it.
        if (!reserved)
            ReleaseDataSource();
    }
    return TRUE;
}

extern "C" HWND __cdecl CreateTestDialog(HWND parent)
{
    Log(parent ? "create parent" : "create null");
    BindDataSource();
    return CreateDialogParamA(pluginInstance, kTestPluginTemplate, parent, TestDialogProc, 0);
}

extern "C" void WINAPI TestPluginUseExports(FARPROC notifyXferReady, FARPROC notifyCloseDSReq)
{
    givenXferReady = AsNotify(notifyXferReady);
    givenCloseDSReq = AsNotify(notifyCloseDSReq);
    exportsGiven = notifyXferReady || notifyCloseDSReq;
}
