// The calls between the data source and the scanner driver: the transfer
// library (AvMemXfer, CreateDIB) and the device library (everything else).
// All use the Windows API calling convention; a BYTE argument travels as a
// 32-bit value whose low byte counts.
#pragma once

#include "records.h"
#include "../platform/twain/twain.h"

// Driver result codes shared with DS_Error.
enum DriverResult : int {
    kResultEnd = 6,           // transfer finished or cancelled
    kResultOk = 700,
    kResultNoPaper = 701,
    kResultNoMemory = 702,
    kResultNoDisk = 703,
    kResultWriteError = 704,
    kResultSilent = 705,
    kResultNotBound = 706,
    kResultAreaTooSmall = 710,
    kResultBadWidth = 711,
    kResultNoAnswer = 713,
};

// Transfer library
typedef int(WINAPI* AvMemXferProc)(HWND dialog, TW_IMAGEMEMXFER* xfer, ScanSettings* settings,
                                   JobInfo* job, ScanParameters* params, int zero, void* buffer1,
                                   void* buffer2, void* buffer3);
typedef int(WINAPI* CreateDIBProc)(HWND dialog, HGLOBAL* dibHandle, const char* name,
                                   ScanSettings* settings, JobInfo* job, ScanParameters* params,
                                   int mechanism, void* buffer1, void* buffer2, void* buffer3);

// Device library
typedef int(WINAPI* CheckDiskSpaceProc)(const char* path);
typedef int(WINAPI* TestScannerProc)(HWND owner, int interfaceNumber);
typedef int(WINAPI* GetAbilityForUIProc)(BasicAbility* out);
typedef int(WINAPI* GetADFPaperProc)(BYTE* paper);
typedef int(WINAPI* FlatbedOrTransProc)(ScanSettings* settings);
typedef int(WINAPI* SelectScannerProc)(int value);
typedef int(WINAPI* PreScanFileProc)(HWND owner, ScanSettings* settings, ScannerAbility* ability,
                                     LPARAM value1, LPARAM value2);
typedef void(WINAPI* PageFeedProc)();
typedef int(WINAPI* OpenDeviceDriverProc)();
typedef void(WINAPI* CloseDeviceDriverProc)();
typedef int(WINAPI* DoCalibrateProc)(int a, int b, int c);
typedef int(WINAPI* PlainDriverProc)(); // PaperFeed, EOPStatus, speed and lamp functions
typedef int(WINAPI* ByteDriverProc)(int value); // ChangeSpeedMode, ChangeParallPort, FlatbedTransSwitch
typedef int(WINAPI* ParallPortStatusExProc)(BYTE* a, BYTE* b, BYTE* c, LONG* status);
typedef int(WINAPI* GetAbilityForUIExProc)(ScannerAbility* out);
typedef int(WINAPI* EOPStatusExProc)(BYTE* status);
