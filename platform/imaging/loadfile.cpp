// Loading BMP files. The headers are checked against the file before anything
// is allocated; plain rows are read straight into the bitmap, and GDI decodes
// run-length and bit-field pixels into the bitmap's own format.
#include <cstring>
#include <memory>
#include <new>
#include <vector>

#include "bmpformat.h"

namespace {

class OpenFile {
public:
    explicit OpenFile(const char* path)
        : handle_(CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr))
    {
    }
    ~OpenFile()
    {
        if (handle_ != INVALID_HANDLE_VALUE)
            CloseHandle(handle_);
    }
    OpenFile(const OpenFile&) = delete;
    OpenFile& operator=(const OpenFile&) = delete;
    HANDLE get() const { return handle_; }

private:
    HANDLE handle_;
};

bool ReadAt(HANDLE file, uint64_t offset, void* buffer, uint32_t size)
{
    LARGE_INTEGER position;
    position.QuadPart = static_cast<LONGLONG>(offset);
    if (!SetFilePointerEx(file, position, nullptr, FILE_BEGIN))
        return false;
    auto* out = static_cast<uint8_t*>(buffer);
    while (size > 0) {
        DWORD got = 0;
        if (!ReadFile(file, out, size, &got, nullptr) || got == 0)
            return false;
        out += got;
        size -= got;
    }
    return true;
}

// Ends direct access on every exit.
class Access {
public:
    explicit Access(BitmapHandle* bitmap)
        : bitmap_(bitmap), ok_(L_BeginAccess(bitmap) == kImagingSuccess)
    {
    }
    ~Access()
    {
        if (ok_)
            L_EndAccess(bitmap_);
    }
    Access(const Access&) = delete;
    Access& operator=(const Access&) = delete;
    bool ok() const { return ok_; }

private:
    BitmapHandle* bitmap_;
    bool ok_;
};

void ReadPalette(const uint8_t* head, const BmpLayout& layout, BitmapHandle* bitmap)
{
    std::memset(bitmap->palette, 0, sizeof bitmap->palette);
    for (uint32_t i = 0; i < layout.colourCount; ++i) {
        const uint8_t* entry = head + layout.paletteOffset + i * layout.paletteEntrySize;
        bitmap->palette[i] = RGBQUAD{entry[0], entry[1], entry[2], 0};
    }
    bitmap->colourCount = layout.colourCount;
}

// BI_RGB rows are stored as the bitmap keeps them, top-down ones turned over.
int ReadPlainPixels(HANDLE file, const BmpLayout& layout, BitmapHandle* bitmap)
{
    Access access(bitmap);
    if (!access.ok())
        return kImagingNoMemory;
    if (!ReadAt(file, layout.dataOffset, bitmap->data, bitmap->dataSize))
        return kImagingFileRead;
    if (layout.topDown) {
        std::vector<uint8_t> spare(bitmap->bytesPerLine);
        for (int top = 0, bottom = bitmap->height - 1; top < bottom; ++top, --bottom) {
            uint8_t* a = bitmap->data + static_cast<size_t>(top) * bitmap->bytesPerLine;
            uint8_t* b = bitmap->data + static_cast<size_t>(bottom) * bitmap->bytesPerLine;
            std::memcpy(spare.data(), a, spare.size());
            std::memcpy(a, b, spare.size());
            std::memcpy(b, spare.data(), spare.size());
        }
    }
    return kImagingSuccess;
}

struct DibInfo {
    BITMAPINFOHEADER header;
    DWORD extra[256]; // masks or colours
};

// RLE and bit fields: GDI decodes them into a DIB section in the bitmap's format.
int DecodePixels(HANDLE file, const BmpLayout& layout, BitmapHandle* bitmap)
{
    std::unique_ptr<uint8_t[]> encoded(new (std::nothrow) uint8_t[layout.dataSize]);
    if (!encoded)
        return kImagingNoMemory;
    if (!ReadAt(file, layout.dataOffset, encoded.get(), layout.dataSize))
        return kImagingFileRead;

    DibInfo in{};
    in.header.biSize = sizeof(BITMAPINFOHEADER);
    in.header.biWidth = layout.width;
    in.header.biHeight = layout.topDown ? -layout.height : layout.height;
    in.header.biPlanes = 1;
    in.header.biBitCount = static_cast<WORD>(layout.bitsPerPixel);
    in.header.biCompression = layout.compression;
    in.header.biSizeImage = layout.dataSize;
    DibInfo out = in;
    out.header.biHeight = bitmap->height;
    out.header.biBitCount = static_cast<WORD>(bitmap->bitsPerPixel);
    out.header.biCompression = BI_RGB;
    out.header.biSizeImage = 0;
    if (layout.compression == BI_BITFIELDS) {
        std::memcpy(in.extra, layout.masks, sizeof layout.masks);
    } else {
        in.header.biClrUsed = out.header.biClrUsed = bitmap->colourCount;
        std::memcpy(in.extra, bitmap->palette, bitmap->colourCount * sizeof(RGBQUAD));
        std::memcpy(out.extra, bitmap->palette, bitmap->colourCount * sizeof(RGBQUAD));
    }

    void* decoded = nullptr;
    HBITMAP section = CreateDIBSection(nullptr, reinterpret_cast<BITMAPINFO*>(&out),
                                       DIB_RGB_COLORS, &decoded, nullptr, 0);
    if (!section || !decoded) {
        if (section)
            DeleteObject(section);
        return kImagingNoMemory;
    }
    HDC dc = CreateCompatibleDC(nullptr);
    const int lines = dc ? SetDIBits(dc, section, 0, layout.height, encoded.get(),
                                     reinterpret_cast<BITMAPINFO*>(&in), DIB_RGB_COLORS)
                         : 0;
    int result = kImagingFileFormat;
    if (lines > 0) {
        GdiFlush();
        Access access(bitmap);
        if (access.ok()) {
            std::memcpy(bitmap->data, decoded, bitmap->dataSize);
            result = kImagingSuccess;
        } else {
            result = kImagingNoMemory;
        }
    }
    if (dc)
        DeleteDC(dc);
    DeleteObject(section);
    return result;
}

void SwapRedBlue(BitmapHandle* bitmap)
{
    Access access(bitmap);
    if (!access.ok())
        return;
    const int step = bitmap->bitsPerPixel / 8;
    for (int y = 0; y < bitmap->height; ++y) {
        uint8_t* row = bitmap->data + static_cast<size_t>(y) * bitmap->bytesPerLine;
        for (int x = 0; x < bitmap->width; ++x)
            std::swap(row[x * step], row[x * step + 2]);
    }
    bitmap->order = bitmap->order == kOrderBgr ? kOrderRgb : kOrderBgr;
}

int LoadInto(const char* path, BitmapHandle* bitmap, int bitsPerPixel, int order)
{
    OpenFile file(path);
    if (file.get() == INVALID_HANDLE_VALUE)
        return kImagingFileNotFound;
    LARGE_INTEGER size;
    if (!GetFileSizeEx(file.get(), &size))
        return kImagingFileRead;
    const uint64_t fileSize = static_cast<uint64_t>(size.QuadPart);
    uint8_t head[kBmpHeadBytes];
    const uint32_t headSize =
        static_cast<uint32_t>(fileSize < kBmpHeadBytes ? fileSize : kBmpHeadBytes);
    if (headSize > 0 && !ReadAt(file.get(), 0, head, headSize))
        return kImagingFileRead;
    BmpLayout layout;
    int result = ParseBmp(head, headSize, fileSize, &layout);
    if (result != kImagingSuccess)
        return result;

    result = L_AllocateBitmap(bitmap, layout.width, layout.height, layout.bitsPerPixel, kOrderBgr);
    if (result != kImagingSuccess)
        return result;
    if (layout.bitsPerPixel <= 8)
        ReadPalette(head, layout, bitmap);
    result = layout.compression == BI_RGB ? ReadPlainPixels(file.get(), layout, bitmap)
                                          : DecodePixels(file.get(), layout, bitmap);
    if (result == kImagingSuccess && bitsPerPixel != 0 && bitsPerPixel != bitmap->bitsPerPixel)
        result = L_ColorResBitmap(bitmap, bitmap, bitsPerPixel, 0, nullptr, 0, nullptr, nullptr);
    if (result == kImagingSuccess && bitmap->bitsPerPixel >= 24 && bitmap->order != order)
        SwapRedBlue(bitmap);
    return result;
}

} // namespace

extern "C" int WINAPI L_LoadFile(const char* path, BitmapHandle* bitmap, int bitsPerPixel,
                                 int order, unsigned flags, ImagingCallback, void*)
{
    if (!bitmap)
        return kImagingNoBitmap;
    *bitmap = BitmapHandle{};
    if (!path || (order != kOrderBgr && order != kOrderRgb) ||
        (flags & (kLoadAllocate | kLoadStore)) != (kLoadAllocate | kLoadStore))
        return kImagingInvalidParameter;
    switch (bitsPerPixel) {
    case 0: case 1: case 4: case 8: case 16: case 24: case 32:
        break;
    default:
        return kImagingInvalidParameter;
    }
    const int result = LoadInto(path, bitmap, bitsPerPixel, order);
    if (result != kImagingSuccess)
        L_FreeBitmap(bitmap);
    return result;
}
