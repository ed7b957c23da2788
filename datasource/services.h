// Plain exports through which a UI plug-in reaches the scanner. Called
// before the driver is bound or after it was released they call nothing and
// answer a failure value: 706 (driver not bound) for results the driver
// would pass back, 0 for TestScanner, GetEOPStatus and GetAbilityForUIEx.
#pragma once

#include "records.h"

extern "C" {
int WINAPI Interface(int value);
int WINAPI TestScanner(HWND owner, int interfaceNumber);
int WINAPI GetAbilityForUI(BasicAbility* out);
int WINAPI GetAbilityForUIEx(ScannerAbility* out);
int WINAPI FlatbedOrTrans(ScanSettings* scanSettings);
int WINAPI SelectScanner(int value);
int WINAPI PreScanFile(HWND owner, ScanSettings* scanSettings, ScannerAbility* ability, LPARAM value1,
                       LPARAM value2);
int WINAPI PreScanFileEx(HWND owner, ScanSettings* scanSettings, ScannerAbility* ability,
                         LPARAM value1, LPARAM value2);
int WINAPI DoPaperFeed();
int WINAPI GetEOPStatus();
int WINAPI SlowDownScanSpeed();
int WINAPI SpeedUpScanSpeed();
int WINAPI SetSpeedMode(int mode);
int WINAPI SetPrintPortMode(int mode);
int WINAPI LampOn();
int WINAPI LampOff();
}
