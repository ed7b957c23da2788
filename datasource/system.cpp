#include "system.h"

DWORD platformIdOverride;

DWORD PlatformId()
{
    if (platformIdOverride)
        return platformIdOverride;
    OSVERSIONINFOA version{};
    version.dwOSVersionInfoSize = sizeof version;
    if (!GetVersionExA(&version))
        return VER_PLATFORM_WIN32_NT;
    return version.dwPlatformId;
}
