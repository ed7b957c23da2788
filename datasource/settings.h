// The scan settings record's defaults and its reading from kmscan32.ini.
#pragma once

#include "records.h"

// The reset values, and the ability placeholders that stand until the
// scanner is known.
void ResetScanSettings(ScanSettings* settings, ScannerAbility* ability);

// Reads page section <page> and the size and scale locks.
void LoadPageSettings(const char* path, ScanSettings* settings, const ScannerAbility* ability,
                      int page);

// Export for the UI plug-ins as well: reads the whole record.
extern "C" int WINAPI GetAllSettingFromPrivateIni(const char* path, ScanSettings* settings,
                                                  ScannerAbility* ability);

// Reads the data source's own record from settingsPath and remembers how
// many pages the settings file prepared.
void ReadSourceSettings();
