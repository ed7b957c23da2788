// Painting a bitmap into a device context, and its paint palette.
#include <cstring>
#include <vector>

#include "bitmapmemory.h"

namespace {

struct PaintInfo {
    BITMAPINFOHEADER header;
    RGBQUAD colours[256];
};

bool EmptyRect(const RECT& r)
{
    return r.right <= r.left || r.bottom <= r.top;
}

// Restores the device context's clipping and stretch mode on every exit.
class SavedDC {
public:
    explicit SavedDC(HDC hdc) : hdc_(hdc), saved_(SaveDC(hdc)) {}
    ~SavedDC()
    {
        if (saved_)
            RestoreDC(hdc_, saved_);
    }
    SavedDC(const SavedDC&) = delete;
    SavedDC& operator=(const SavedDC&) = delete;

private:
    HDC hdc_;
    int saved_;
};

} // namespace

extern "C" {

int WINAPI L_PaintDC(HDC hdc, BitmapHandle* bitmap, const RECT* source, const RECT* sourceClip,
                     const RECT* destination, const RECT* destinationClip, DWORD rop)
{
    if (!BitmapPresent(bitmap))
        return kImagingNoBitmap;
    if (!hdc || !BitmapConsistent(bitmap))
        return kImagingInvalidParameter;
    const RECT whole{0, 0, bitmap->width, bitmap->height};
    const RECT from = source ? *source : whole;
    const RECT to = destination ? *destination : whole;
    if (EmptyRect(from))
        return kImagingInvalidParameter;
    // The part of the source that is painted: inside the clip and the bitmap.
    RECT part = from;
    if (sourceClip && !IntersectRect(&part, &part, sourceClip))
        return kImagingSuccess;
    if (!IntersectRect(&part, &part, &whole))
        return kImagingSuccess;
    // Where that part lands in the stretched destination.
    const int fromWidth = from.right - from.left;
    const int fromHeight = from.bottom - from.top;
    const int toWidth = to.right - to.left;
    const int toHeight = to.bottom - to.top;
    const int left = to.left + MulDiv(part.left - from.left, toWidth, fromWidth);
    const int right = to.left + MulDiv(part.right - from.left, toWidth, fromWidth);
    const int top = to.top + MulDiv(part.top - from.top, toHeight, fromHeight);
    const int bottom = to.top + MulDiv(part.bottom - from.top, toHeight, fromHeight);
    if (left == right || top == bottom)
        return kImagingSuccess;

    PaintInfo info{};
    info.header.biSize = sizeof(BITMAPINFOHEADER);
    info.header.biWidth = bitmap->width;
    info.header.biHeight = bitmap->height; // bottom-up, as stored
    info.header.biPlanes = 1;
    info.header.biBitCount = static_cast<WORD>(bitmap->bitsPerPixel);
    info.header.biCompression = BI_RGB;
    if (bitmap->bitsPerPixel <= 8) {
        info.header.biClrUsed = PaletteSize(bitmap);
        std::memcpy(info.colours, bitmap->palette, sizeof info.colours);
    }

    PixelLock pixels(bitmap);
    if (!pixels.pixels())
        return kImagingNoMemory;
    const void* bits = pixels.pixels();
    // GDI reads blue first: an RGB bitmap is painted from a swapped copy.
    std::vector<uint8_t> swapped;
    if (bitmap->order == kOrderRgb && bitmap->bitsPerPixel >= 24) {
        swapped.assign(pixels.pixels(), pixels.pixels() + bitmap->dataSize);
        const int step = bitmap->bitsPerPixel / 8;
        for (int y = 0; y < bitmap->height; ++y) {
            uint8_t* row = swapped.data() + static_cast<size_t>(y) * bitmap->bytesPerLine;
            for (int x = 0; x < bitmap->width; ++x)
                std::swap(row[x * step], row[x * step + 2]);
        }
        bits = swapped.data();
    }

    SavedDC saved(hdc);
    if (destinationClip) {
        const int clip = IntersectClipRect(hdc, destinationClip->left, destinationClip->top,
                                           destinationClip->right, destinationClip->bottom);
        if (clip == ERROR)
            return kImagingPaintFailed;
        if (clip == NULLREGION)
            return kImagingSuccess; // nothing of it can show
    }
    SetStretchBltMode(hdc, COLORONCOLOR);
    // The source origin of a bottom-up DIB is its lower-left corner.
    const int lines = StretchDIBits(hdc, left, top, right - left, bottom - top, part.left,
                                    bitmap->height - part.bottom, part.right - part.left,
                                    part.bottom - part.top, bits,
                                    reinterpret_cast<const BITMAPINFO*>(&info), DIB_RGB_COLORS,
                                    rop);
    return lines == 0 || lines == static_cast<int>(GDI_ERROR) ? kImagingPaintFailed
                                                              : kImagingSuccess;
}

HPALETTE WINAPI L_CreatePaintPalette(HDC hdc, BitmapHandle* bitmap)
{
    if (!bitmap)
        return nullptr;
    if (BitmapPresent(bitmap) && bitmap->bitsPerPixel <= 8 && PaletteSize(bitmap) > 0) {
        const unsigned count = PaletteSize(bitmap);
        struct {
            WORD version;
            WORD count;
            PALETTEENTRY entries[256];
        } logical{0x300, static_cast<WORD>(count), {}};
        for (unsigned i = 0; i < count; ++i)
            logical.entries[i] = PALETTEENTRY{bitmap->palette[i].rgbRed,
                                              bitmap->palette[i].rgbGreen,
                                              bitmap->palette[i].rgbBlue, 0};
        return CreatePalette(reinterpret_cast<const LOGPALETTE*>(&logical));
    }
    if (hdc)
        return CreateHalftonePalette(hdc);
    HDC screen = GetDC(nullptr);
    HPALETTE palette = CreateHalftonePalette(screen);
    ReleaseDC(nullptr, screen);
    return palette;
}

} // extern "C"
