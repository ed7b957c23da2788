// Result codes of the virtual scanner. The shared ones (700 to 713) are the
// driver results the data source knows; the scanner adds one of its own.
#pragma once

#include "driverapi.h"

// The configured bed image is no readable 24-bit BMP (missing, truncated,
// hostile). DS_Error shows it through the driver-status group.
constexpr int kResultBadBed = 720;

// A prescan that wrote kmpre.bmp: the data source's callers treat 0 as
// "nothing to report".
constexpr int kResultPrescanDone = 0;

// The device functions' plain success.
constexpr int kResultDeviceOk = 1;
