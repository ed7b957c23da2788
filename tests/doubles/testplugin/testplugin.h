// The test UI plug-in testplugin.dll, for tests only. It follows the UI
// plug-in contract: CreateTestDialog(parent) opens a modeless dialog that
// closes itself on IDCANCEL and then calls the data source's
// NotifyCloseDSReq; its "Scan" button calls NotifyXferReady.
//
// It finds those two exports as the real plug-in does: LoadLibrary of
// [DS] "DSNAME" of the Windows directory's 7d32.ini (default "km470.ds"),
// loaded afresh at every CreateTestDialog, then GetProcAddress by name. A test
// that links the data source into its own program hands the functions over
// with TestPluginUseExports instead, which takes precedence; two nulls return
// to the lookup. A function that is not found is never called.
//
// Lines appended to the Windows directory's testplugin.log:
//   attach <full path of the DLL>   process attach
//   create null | create parent     CreateTestDialog, by its parent
//   cancel                          WM_COMMAND IDCANCEL, before the dialog is destroyed
//   detach                          process detach
//   auto scan | auto close          the automatic press below
// With [Auto] "Action" = scan or close in testplugin.ini the dialog presses
// Scan or closes itself "Delay" milliseconds (default 200) after it opened.
// With [Refuse] <DLL file name without folder> = 1 in the Windows directory's
// testplugin.ini, process attach fails after its log line, so a test can copy
// the DLL under several names and see the order in which a loader tries them.
#pragma once

#define IDC_TESTPLUGIN_SCAN 1001

#ifndef RC_INVOKED
#include <windows.h>

extern "C" {
// Caller-cleans convention, as the data source calls a plug-in's creation function.
HWND __cdecl CreateTestDialog(HWND parent);
void WINAPI TestPluginUseExports(FARPROC notifyXferReady, FARPROC notifyCloseDSReq);
}

typedef HWND(__cdecl* CreateTestDialogProc)(HWND parent);
typedef void(WINAPI* TestPluginUseExportsProc)(FARPROC notifyXferReady, FARPROC notifyCloseDSReq);

constexpr const char* kTestPluginLog = "\\testplugin.log";
constexpr const char* kTestPluginIni = "\\testplugin.ini";
constexpr const char* kTestPluginTemplate = "TESTDIALOG";
#endif
