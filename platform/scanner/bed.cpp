#include "bed.h"

#include <cstring>
#include <new>
#include <string>
#include <vector>

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

// A white bed of the size, in a DIB section (the platform's bitmap memory).
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

// Scales rows of 24-bit pixels over the whole bed, nearest pixel (no
// blending, so colours stay exact): bed pixel (x, y) shows the file's pixel
// under its centre.
int ScaleOntoBed(const BYTE* bits, size_t stride, bool topDown, int width, int height,
                 const Bed& bed)
{
    std::vector<size_t> columns;
    try {
        columns.resize(static_cast<size_t>(bed.width));
    } catch (const std::bad_alloc&) {
        return kResultNoMemory;
    }
    for (int x = 0; x < bed.width; ++x)
        columns[x] = static_cast<size_t>((2LL * x + 1) * width / (2LL * bed.width)) * 3;
    BYTE* pixels = const_cast<BYTE*>(bed.pixels);
    for (int y = 0; y < bed.height; ++y) {
        const long long row = (2LL * y + 1) * height / (2LL * bed.height);
        const BYTE* in = bits + (topDown ? row : height - 1 - row) * stride;
        BYTE* out = pixels + static_cast<size_t>(y) * bed.stride;
        for (int x = 0; x < bed.width; ++x, out += 3) {
            const BYTE* p = in + columns[x];
            out[0] = p[0];
            out[1] = p[1];
            out[2] = p[2];
        }
    }
    return kResultOk;
}

// Rows read straight from the checked file: Wine's loader yields an empty
// bitmap for files stored top-down.
int DrawTopDownFile(const std::string& image, const BedFileInfo& info, const Bed& bed)
{
    std::vector<BYTE> rows;
    try {
        rows.resize(info.stride * info.height);
    } catch (const std::bad_alloc&) {
        return kResultNoMemory;
    }
    HANDLE file = CreateFileA(image.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return kResultBadBed;
    DWORD read = 0;
    const bool ok = SetFilePointer(file, static_cast<LONG>(info.pixelOffset), nullptr, FILE_BEGIN)
                        != INVALID_SET_FILE_POINTER
                    && ReadFile(file, rows.data(), static_cast<DWORD>(rows.size()), &read, nullptr)
                    && read == rows.size();
    CloseHandle(file);
    if (!ok)
        return kResultBadBed;
    return ScaleOntoBed(rows.data(), info.stride, true, info.width, info.height, bed);
}

// Loads the image file with the platform's loader, once its headers have
// passed the checks, and scales it over the whole bed.
int DrawBedFile(const std::string& image, const Bed& bed)
{
    BedFileInfo info;
    if (!CheckBedFile(image.c_str(), &info))
        return kResultBadBed;
    if (info.topDown)
        return DrawTopDownFile(image, info, bed);
    GdiObjectGuard loaded{LoadImageA(nullptr, image.c_str(), IMAGE_BITMAP, 0, 0,
                                     LR_LOADFROMFILE | LR_CREATEDIBSECTION)};
    if (!loaded.object)
        return kResultBadBed;
    DIBSECTION dib;
    if (GetObjectA(loaded.object, sizeof dib, &dib) != sizeof dib || !dib.dsBm.bmBits
        || dib.dsBm.bmBitsPixel != 24 || dib.dsBm.bmWidth != info.width
        || dib.dsBm.bmHeight != info.height || dib.dsBm.bmWidthBytes < info.width * 3)
        return kResultBadBed;
    // The section's rows run as its header says: top-down when negative.
    return ScaleOntoBed(static_cast<const BYTE*>(dib.dsBm.bmBits),
                        static_cast<size_t>(dib.dsBm.bmWidthBytes), dib.dsBmih.biHeight < 0,
                        info.width, info.height, bed);
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
    }
    cached = BedCacheEntry{key, bed};
    *out = bed;
    return kResultOk;
}
