// The sheets in the feeder. The device library keeps the count: [Bed]
// "Sheets" is read once when it is loaded and counted down in memory. The
// transfer library reaches the count through two internal exports of the
// device library, found by module name.
#pragma once

constexpr const char* kDeviceLibraryName = "morlin.dll";
constexpr const char* kSheetsLeftExport = "VirtualSheetsLeft";
constexpr const char* kUseSheetExport = "VirtualUseSheet";

typedef int(__stdcall* SheetCounterProc)();

// In the transfer library: the sheets left (0 when the device library is
// not loaded), and one sheet used.
int FeederSheetsLeft();
void UseFeederSheet();
