// Tone curves: the settings' brightness and contrast (0..200, 100 neutral),
// highlight and shadow levels and gamma (times 100) as one lookup table per
// channel, with the job's inversion folded in.
#pragma once

#include <windows.h>

struct ToneValues {
    BYTE brightness;
    BYTE contrast;
    BYTE highlight;
    BYTE shadow;
    WORD gamma; // 0 counts as 100
};

constexpr ToneValues kNeutralTone{100, 100, 255, 0, 100};

// True when the curve leaves every level as it is.
bool IsNeutralTone(const ToneValues& tone);

// out[level] = the level after shadow/highlight, gamma, brightness and
// contrast, in that order, inverted when invert is set.
void BuildToneCurve(const ToneValues& tone, bool invert, BYTE out[256]);
