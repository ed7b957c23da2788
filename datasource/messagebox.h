// The one way the data source shows a message box. Tests install a hook that
// records the box instead of blocking on it.
#pragma once

#include <windows.h>

typedef int (*MessageBoxHook)(HWND owner, const char* text, const char* caption, UINT flags);
extern MessageBoxHook messageBoxHook;

// Flags of the data source's boxes: system-modal with the exclamation icon.
constexpr UINT kMessageFlags = MB_SYSTEMMODAL | MB_ICONEXCLAMATION;
constexpr const char* kMessageTitle = "Message";

int ShowMessageBox(HWND owner, const char* text, const char* caption, UINT flags);
