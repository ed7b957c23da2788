// Ordered halftone patterns, chosen by the job's halftone code.
#pragma once

#include <windows.h>

struct HalftonePattern {
    int size;                // the pattern is size x size and repeats
    const BYTE* thresholds;  // row-major; a level at or above its threshold is white
};

// Codes beyond the table wrap around it.
HalftonePattern PatternForCode(BYTE code);
