// The scanner driver binding: two libraries loaded by name at enable and a
// table of their functions resolved by name. An entry that did not resolve is
// null and is never called; the whole table is cleared when the driver is
// released.
#pragma once

#include "driverapi.h"

struct DriverTable {
    HMODULE transferLibrary;
    HMODULE deviceLibrary;
    // transfer library
    AvMemXferProc avMemXfer;
    CreateDIBProc createDIB;
    // device library
    CheckDiskSpaceProc checkDiskSpace;
    TestScannerProc testScanner;
    GetAbilityForUIProc getAbilityForUI;
    GetADFPaperProc getADFPaper;
    FlatbedOrTransProc flatbedOrTrans;
    SelectScannerProc selectScanner;
    PreScanFileProc preScanFile;
    PreScanFileProc preScanFileEx;
    PageFeedProc pageFeed;
    OpenDeviceDriverProc openDeviceDriver;
    CloseDeviceDriverProc closeDeviceDriver;
    DoCalibrateProc doCalibrate;
    PlainDriverProc paperFeed;
    PlainDriverProc eopStatus;
    PlainDriverProc slowDownSpeed;
    PlainDriverProc speedUpSpeed;
    PlainDriverProc trunOnLamp;
    PlainDriverProc trunOffLamp;
    ByteDriverProc changeSpeedMode;
    ByteDriverProc changeParallPort;
    ByteDriverProc flatbedTransSwitch;
    ParallPortStatusExProc parallPortStatusEx;
    GetAbilityForUIExProc getAbilityForUIEx;
    EOPStatusExProc eopStatusEx;
};

extern DriverTable driver;
constexpr int kDriverFolderMax = 99;
// [DS] "PATH" of the model file, rewritten by BindDriver ("\twain\" becomes
// "\TWAIN_32\"); the companion program is started from here.
extern char driverFolder[kDriverFolderMax + 1];

// Fills the table's function entries from its two libraries by name; the
// number of names that did not resolve.
int ResolveDriverFunctions(DriverTable* table);

bool BindDriver();
void UnbindDriver();
bool DriverBound();

// The driver's own status code for DS_Error. Without a bound driver, or one
// that offers no ParallPortStatusEx, the status is 0: there is no scanner
// error to describe, so DS_Error shows nothing for codes outside its fixed
// list.
LONG QueryDriverStatus();

// Whether the driver reports paper in the sheet feeder; false when it
// offers no GetADFPaper or the query fails.
bool PaperInFeeder();

// The binding rule for the driver folder.
void RewriteDriverFolder(char* folder, size_t size);
