// The transfer library's view of the feeder: the device library's counter.
#include "sheets.h"

#include <windows.h>

namespace {

SheetCounterProc DeviceExport(const char* name)
{
    HMODULE device = GetModuleHandleA(kDeviceLibraryName);
    // Through void*: FARPROC and the counter type differ by design.
    return device ? reinterpret_cast<SheetCounterProc>(
               reinterpret_cast<void*>(GetProcAddress(device, name)))
                  : nullptr;
}

} // namespace

int FeederSheetsLeft()
{
    SheetCounterProc sheetsLeft = DeviceExport(kSheetsLeftExport);
    return sheetsLeft ? sheetsLeft() : 0;
}

void UseFeederSheet()
{
    if (SheetCounterProc useSheet = DeviceExport(kUseSheetExport))
        useSheet();
}
