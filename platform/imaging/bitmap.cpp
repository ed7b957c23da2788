// Bitmaps in memory: allocation, release and direct pixel access. The pixels
// live in movable global memory that is locked only while accessed, so that
// a forgotten pointer shows up as null instead of as stale memory.
#include "bitmapmemory.h"

#include <cstring>

namespace {

// Gray ramp of count entries from black to white.
void SetGrayPalette(BitmapHandle* bitmap, unsigned count)
{
    for (unsigned i = 0; i < count; ++i) {
        const BYTE level = static_cast<BYTE>(count > 1 ? i * 255 / (count - 1) : 0);
        bitmap->palette[i] = RGBQUAD{level, level, level, 0};
    }
    bitmap->colourCount = count;
}

} // namespace

bool ValidDepth(int bitsPerPixel)
{
    switch (bitsPerPixel) {
    case 1: case 4: case 8: case 16: case 24: case 32:
        return true;
    default:
        return false;
    }
}

int AllocatePixels(BitmapHandle* bitmap, int width, int height, int bitsPerPixel, int order)
{
    if (!bitmap)
        return kImagingNoBitmap;
    *bitmap = BitmapHandle{};
    if (width <= 0 || height <= 0 || !ValidDepth(bitsPerPixel) ||
        (order != kOrderBgr && order != kOrderRgb))
        return kImagingInvalidParameter;
    if (width > kImagingMaxDimension || height > kImagingMaxDimension)
        return kImagingTooLarge;
    const int64_t rowBytes = BitmapRowBytes(width, bitsPerPixel);
    const int64_t size = rowBytes * height;
    if (size > kImagingMaxDataSize)
        return kImagingTooLarge;
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, static_cast<SIZE_T>(size));
    if (!memory)
        return kImagingNoMemory;
    bitmap->structSize = sizeof(BitmapHandle);
    bitmap->width = width;
    bitmap->height = height;
    bitmap->bitsPerPixel = bitsPerPixel;
    bitmap->bytesPerLine = static_cast<int32_t>(rowBytes);
    bitmap->dataSize = static_cast<uint32_t>(size);
    bitmap->order = bitsPerPixel >= 24 ? order : kOrderBgr;
    bitmap->memory = memory;
    bitmap->allocated = 1;
    if (bitsPerPixel <= 8)
        SetGrayPalette(bitmap, 1u << bitsPerPixel);
    return kImagingSuccess;
}

bool BitmapConsistent(const BitmapHandle* bitmap)
{
    if (!BitmapPresent(bitmap) || !ValidDepth(bitmap->bitsPerPixel) || bitmap->width <= 0 ||
        bitmap->height <= 0 || bitmap->width > kImagingMaxDimension ||
        bitmap->height > kImagingMaxDimension)
        return false;
    const int64_t rowBytes = BitmapRowBytes(bitmap->width, bitmap->bitsPerPixel);
    return bitmap->bytesPerLine == rowBytes &&
           bitmap->dataSize == static_cast<uint64_t>(rowBytes) * bitmap->height &&
           GlobalSize(bitmap->memory) >= bitmap->dataSize;
}

PixelLock::PixelLock(const BitmapHandle* bitmap)
    : memory_(bitmap->memory), pixels_(static_cast<uint8_t*>(GlobalLock(bitmap->memory)))
{
}

PixelLock::~PixelLock()
{
    if (pixels_)
        GlobalUnlock(memory_);
}

extern "C" {

int WINAPI L_AllocateBitmap(BitmapHandle* bitmap, int width, int height, int bitsPerPixel,
                            int order)
{
    return AllocatePixels(bitmap, width, height, bitsPerPixel, order);
}

void WINAPI L_FreeBitmap(BitmapHandle* bitmap)
{
    if (!BitmapPresent(bitmap))
        return;
    for (; bitmap->accessCount > 0; --bitmap->accessCount)
        GlobalUnlock(bitmap->memory);
    GlobalFree(bitmap->memory);
    *bitmap = BitmapHandle{};
}

int WINAPI L_BeginAccess(BitmapHandle* bitmap)
{
    if (!BitmapPresent(bitmap))
        return kImagingNoBitmap;
    void* pixels = GlobalLock(bitmap->memory);
    if (!pixels)
        return kImagingNoMemory;
    bitmap->data = static_cast<uint8_t*>(pixels);
    ++bitmap->accessCount;
    return kImagingSuccess;
}

int WINAPI L_EndAccess(BitmapHandle* bitmap)
{
    if (!BitmapPresent(bitmap))
        return kImagingNoBitmap;
    // An end without a begin would unlock someone else's lock.
    if (bitmap->accessCount <= 0)
        return kImagingInvalidParameter;
    GlobalUnlock(bitmap->memory);
    if (--bitmap->accessCount == 0)
        bitmap->data = nullptr;
    return kImagingSuccess;
}

} // extern "C"
