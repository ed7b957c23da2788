// What the kernel's parts share about a bitmap's pixel memory.
#pragma once

#include "imaging.h"

bool ValidDepth(int bitsPerPixel);

// Palette entries of a palette bitmap. The caller may have set colourCount
// itself: never more than the depth holds.
inline unsigned PaletteSize(const BitmapHandle* bitmap)
{
    if (bitmap->bitsPerPixel > 8)
        return 0;
    const unsigned most = 1u << bitmap->bitsPerPixel;
    return bitmap->colourCount < most ? bitmap->colourCount : most;
}

// A present bitmap whose size fields still agree with its pixel memory: the
// record belongs to the caller, who may have changed them.
bool BitmapConsistent(const BitmapHandle* bitmap);

// Overwrites the record with a new zeroed bitmap (gray palette below 16 bits).
int AllocatePixels(BitmapHandle* bitmap, int width, int height, int bitsPerPixel, int order);

// Locks a present bitmap's pixels for the library's own use, independent of
// the caller's direct access.
class PixelLock {
public:
    explicit PixelLock(const BitmapHandle* bitmap);
    ~PixelLock();
    PixelLock(const PixelLock&) = delete;
    PixelLock& operator=(const PixelLock&) = delete;
    uint8_t* pixels() const { return pixels_; }
    uint8_t* row(const BitmapHandle* bitmap, int fromBottom) const
    {
        return pixels_ + static_cast<size_t>(fromBottom) * bitmap->bytesPerLine;
    }

private:
    HGLOBAL memory_;
    uint8_t* pixels_;
};
