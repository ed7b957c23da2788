// The picture the fake source delivers: every pixel a known function of its
// position, so a test can check each pixel of what twscan saved (row order,
// RGB to BGR, palettes, bit packing).
#pragma once

#include <cstdint>

#include "twain.h"

struct PatternColour {
    uint8_t r, g, b;
    bool operator==(const PatternColour& other) const
    {
        return r == other.r && g == other.g && b == other.b;
    }
};

// The raw pixel value at (x, y): an index for 1, 4 and 8 bits, ignored for 24.
inline unsigned PatternValue(int bits, int x, int y)
{
    switch (bits) {
    case 1:
        return ((x / 3) + (y / 2)) & 1;
    case 4:
        return (x + 2 * y) & 15;
    default:
        return (x * 3 + y * 5) & 255;
    }
}

// The palette entry i of the fake's palette images (DAT_PALETTE8).
inline PatternColour PaletteColour(unsigned i)
{
    return {static_cast<uint8_t>(i), static_cast<uint8_t>(255 - i), static_cast<uint8_t>((i * 3) & 255)};
}

// The colour the pixel at (x, y) must show.
inline PatternColour PatternAt(int bits, int pixelType, int x, int y)
{
    if (bits == 24)
        return {static_cast<uint8_t>((x * 4) & 255), static_cast<uint8_t>((y * 4) & 255),
                static_cast<uint8_t>((x + y) & 255)};
    const unsigned value = PatternValue(bits, x, y);
    if (pixelType == TWPT_PALETTE)
        return PaletteColour(value);
    const uint8_t level = static_cast<uint8_t>(value * 255 / ((1u << bits) - 1));
    return {level, level, level};
}
