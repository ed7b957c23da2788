#include "bed.h"

#include <cstring>
#include <new>
#include <string>

#include "results.h"

namespace {

struct BedCacheEntry {
    std::string key;
    BedPtr bed;
};

// One bed per kind; an image in progress keeps its own reference, so a bed
// replaced after a configuration change lives until that image is finished.
BedCacheEntry bedCache[2];

struct GdiObjectGuard {
    HGDIOBJ object;
    ~GdiObjectGuard()
    {
        if (object)
            DeleteObject(object);
    }
};

struct MemoryDCGuard {
    HDC dc;
    HGDIOBJ previous;
    ~MemoryDCGuard()
    {
        if (!dc)
            return;
        if (previous)
            SelectObject(dc, previous);
        DeleteDC(dc);
    }
};

int Clamp16(int value)
{
    return value < 0 ? 0 : value > 0xFFFF ? 0xFFFF : value;
}

// Identifies the bed's content: a changed file (time or size) makes a new bed.
bool BedKey(const std::string& image, int width, int height, std::string* key)
{
    *key = std::to_string(width) + 'x' + std::to_string(height) + '|';
    if (image.empty()) {
        *key += "built-in";
        return true;
    }
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExA(image.c_str(), GetFileExInfoStandard, &data))
        return false;
    *key += image + '|' + std::to_string(data.ftLastWriteTime.dwHighDateTime) + ':'
            + std::to_string(data.ftLastWriteTime.dwLowDateTime) + '|'
            + std::to_string(data.nFileSizeHigh) + ':' + std::to_string(data.nFileSizeLow);
    return true;
}

void DeleteBed(Bed* bed)
{
    if (bed->section)
        DeleteObject(bed->section);
    delete bed;
}

// A white bed of the size, in a DIB section so that GDI can draw into it.
int NewWhiteBed(int width, int height, BedPtr* out)
{
    // One spare byte at least, so that a pixel may be read as four bytes.
    const unsigned long long stride = (static_cast<unsigned long long>(width + 1) * 3 + 1 + 3) & ~3ull;
    const unsigned long long bytes = stride * static_cast<unsigned long long>(height + 1);
    if (bytes > kMaxBedBytes)
        return kResultNoMemory;
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width + 1;
    info.bmiHeader.biHeight = -(height + 1); // top-down
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP section = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (!section || !bits) {
        if (section)
            DeleteObject(section);
        return kResultNoMemory;
    }
    std::memset(bits, 0xFF, static_cast<size_t>(bytes));
    Bed* bed = new (std::nothrow) Bed{width, height, static_cast<size_t>(stride),
                                      static_cast<const BYTE*>(bits), section};
    if (!bed) {
        DeleteObject(section);
        return kResultNoMemory;
    }
    *out = BedPtr(bed, DeleteBed);
    return kResultOk;
}

// Scales the image file over the whole bed with the platform's loader and
// stretcher (nearest pixel, no blending, so colours stay exact).
int DrawBedFile(const std::string& image, const Bed& bed)
{
    int fileWidth, fileHeight;
    if (!CheckBedFile(image.c_str(), &fileWidth, &fileHeight))
        return kResultBadBed;
    GdiObjectGuard loaded{LoadImageA(nullptr, image.c_str(), IMAGE_BITMAP, 0, 0,
                                     LR_LOADFROMFILE | LR_CREATEDIBSECTION)};
    if (!loaded.object)
        return kResultBadBed;
    DIBSECTION dib;
    if (GetObjectA(loaded.object, sizeof dib, &dib) != sizeof dib || !dib.dsBm.bmBits
        || dib.dsBm.bmBitsPixel != 24 || dib.dsBm.bmWidth != fileWidth
        || dib.dsBm.bmHeight != fileHeight)
        return kResultBadBed;
    if (bed.width == 0 || bed.height == 0)
        return kResultOk;
    MemoryDCGuard dc{CreateCompatibleDC(nullptr), nullptr};
    if (!dc.dc)
        return kResultNoMemory;
    dc.previous = SelectObject(dc.dc, bed.section);
    SetStretchBltMode(dc.dc, COLORONCOLOR);
    BITMAPINFO info = {};
    info.bmiHeader = dib.dsBmih;
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    if (!StretchDIBits(dc.dc, 0, 0, bed.width, bed.height, 0, 0, fileWidth, fileHeight,
                       dib.dsBm.bmBits, &info, DIB_RGB_COLORS, SRCCOPY))
        return kResultNoMemory;
    GdiFlush();
    return kResultOk;
}

} // namespace

int AcquireBed(const VirtualScannerConfig& config, BedKind kind, BedPtr* out)
{
    const ScannerConfig& s = config.scanner;
    const int width = Clamp16(kind == kBedFeeder ? s.feederWidth : s.flatbedWidth);
    const int height = Clamp16(kind == kBedFeeder ? s.feederLength : s.flatbedLength);
    const std::string& image = kind == kBedFeeder ? config.feederImage : config.flatbedImage;

    std::string key;
    if (!BedKey(image, width, height, &key))
        return kResultBadBed;
    BedCacheEntry& cached = bedCache[kind];
    if (cached.bed && cached.key == key) {
        *out = cached.bed;
        return kResultOk;
    }
    cached = BedCacheEntry{};

    BedPtr bed;
    int result = NewWhiteBed(width, height, &bed);
    if (result != kResultOk)
        return result;
    Bed& drawn = const_cast<Bed&>(*bed);
    if (image.empty()) {
        DrawBuiltInPage(const_cast<BYTE*>(drawn.pixels), drawn.stride, width, height);
    } else {
        result = DrawBedFile(image, drawn);
        if (result != kResultOk)
            return result;
        // The stretch covered the white column and row only if it overran.
        for (int y = 0; y <= height; ++y)
            std::memset(const_cast<BYTE*>(drawn.pixels) + y * drawn.stride + width * 3, 0xFF, 3);
        std::memset(const_cast<BYTE*>(drawn.pixels) + height * drawn.stride, 0xFF,
                    static_cast<size_t>(width + 1) * 3);
    }
    cached = BedCacheEntry{key, bed};
    *out = bed;
    return kResultOk;
}
