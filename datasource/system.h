// Facts about the running Windows that some handlers choose by.
#pragma once

#include <windows.h>

// VER_PLATFORM_WIN32_NT (2) on the NT family. Tests set the override to see
// the other family's behaviour; 0 asks the system.
extern DWORD platformIdOverride;
DWORD PlatformId();
inline bool IsWindowsNT() { return PlatformId() == VER_PLATFORM_WIN32_NT; }
