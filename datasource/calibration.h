// Calibration of the scanner's lamp and sensor, with the sheet prompt and
// the waiting window.
#pragma once

#include <windows.h>

// The driver's result, 0 when no calibration sheet was found, 706 without a
// bound driver (nothing is asked then).
extern "C" int WINAPI DoCalibration(int a, int b, int c);
