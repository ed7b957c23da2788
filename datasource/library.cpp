// The library entry of the data source DLL.
#include "identity.h"

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID)
{
    if (reason != DLL_PROCESS_ATTACH)
        return TRUE;
    return AttachSource(instance) ? TRUE : FALSE;
}
