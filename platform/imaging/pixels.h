// Reading and writing single pixels of any depth the library holds.
#pragma once

#include "imaging.h"

struct Colour {
    uint8_t red, green, blue;
};

inline Colour PaletteColour(const BitmapHandle* bitmap, unsigned index)
{
    const RGBQUAD& entry = bitmap->palette[index & 255];
    return {entry.rgbRed, entry.rgbGreen, entry.rgbBlue};
}

// The palette index of pixel x of a row (1, 4 and 8 bits).
inline unsigned PixelIndex(const uint8_t* row, int bitsPerPixel, int x)
{
    switch (bitsPerPixel) {
    case 1:
        return (row[x >> 3] >> (7 - (x & 7))) & 1;
    case 4:
        return (row[x >> 1] >> ((x & 1) ? 0 : 4)) & 15;
    default:
        return row[x];
    }
}

inline void SetPixelIndex(uint8_t* row, int bitsPerPixel, int x, unsigned index)
{
    switch (bitsPerPixel) {
    case 1: {
        const uint8_t bit = static_cast<uint8_t>(0x80 >> (x & 7));
        row[x >> 3] = static_cast<uint8_t>(index ? row[x >> 3] | bit : row[x >> 3] & ~bit);
        break;
    }
    case 4: {
        uint8_t& byte = row[x >> 1];
        byte = (x & 1) ? static_cast<uint8_t>((byte & 0xF0) | (index & 15))
                       : static_cast<uint8_t>((byte & 0x0F) | ((index & 15) << 4));
        break;
    }
    default:
        row[x] = static_cast<uint8_t>(index);
    }
}

inline Colour ReadPixel(const BitmapHandle* bitmap, const uint8_t* row, int x)
{
    switch (bitmap->bitsPerPixel) {
    case 1: case 4: case 8:
        return PaletteColour(bitmap, PixelIndex(row, bitmap->bitsPerPixel, x));
    case 16: {
        const unsigned v = row[2 * x] | (row[2 * x + 1] << 8);
        auto widen = [](unsigned c) { return static_cast<uint8_t>((c << 3) | (c >> 2)); };
        return {widen((v >> 10) & 31), widen((v >> 5) & 31), widen(v & 31)};
    }
    default: {
        const uint8_t* p = row + x * (bitmap->bitsPerPixel / 8);
        return bitmap->order == kOrderRgb ? Colour{p[0], p[1], p[2]} : Colour{p[2], p[1], p[0]};
    }
    }
}

// 16, 24 and 32 bits only.
inline void WriteDirectPixel(const BitmapHandle* bitmap, uint8_t* row, int x, Colour c)
{
    switch (bitmap->bitsPerPixel) {
    case 16: {
        const unsigned v = ((c.red >> 3) << 10) | ((c.green >> 3) << 5) | (c.blue >> 3);
        row[2 * x] = static_cast<uint8_t>(v);
        row[2 * x + 1] = static_cast<uint8_t>(v >> 8);
        break;
    }
    default: {
        uint8_t* p = row + x * (bitmap->bitsPerPixel / 8);
        if (bitmap->order == kOrderRgb) {
            p[0] = c.red; p[1] = c.green; p[2] = c.blue;
        } else {
            p[0] = c.blue; p[1] = c.green; p[2] = c.red;
        }
    }
    }
}
