#include "bmpformat.h"

#include <windows.h>

namespace {

uint16_t U16(const uint8_t* p)
{
    return static_cast<uint16_t>(p[0] | (p[1] << 8));
}

uint32_t U32(const uint8_t* p)
{
    return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

constexpr size_t kFileHeaderBytes = 14;
constexpr uint32_t kCoreHeaderBytes = 12;

// Info header sizes of the Windows versions this loader reads (40, the two
// extended mask headers, V4 and V5); they all begin with the 40-byte one.
bool KnownInfoHeader(uint32_t size)
{
    return size == 40 || size == 52 || size == 56 || size == 108 || size == 124;
}

bool CompressionFits(uint32_t compression, int bitsPerPixel, bool topDown)
{
    switch (compression) {
    case BI_RGB:
        return true;
    case BI_RLE8:
        return bitsPerPixel == 8 && !topDown;
    case BI_RLE4:
        return bitsPerPixel == 4 && !topDown;
    case BI_BITFIELDS:
        return bitsPerPixel == 16 || bitsPerPixel == 32;
    default:
        return false;
    }
}

} // namespace

int ParseBmp(const uint8_t* head, size_t headSize, uint64_t fileSize, BmpLayout* layout)
{
    *layout = BmpLayout{};
    if (headSize < kFileHeaderBytes + kCoreHeaderBytes || head[0] != 'B' || head[1] != 'M')
        return kImagingFileFormat;
    const uint32_t dataOffset = U32(head + 10);
    const uint32_t headerSize = U32(head + 14);
    const bool core = headerSize == kCoreHeaderBytes;
    if (!core && !KnownInfoHeader(headerSize))
        return kImagingFileFormat;
    if (kFileHeaderBytes + headerSize > fileSize)
        return kImagingFileRead;

    int64_t width, height;
    int planes, bitsPerPixel;
    uint32_t compression = BI_RGB, colourCount = 0;
    const uint8_t* h = head + kFileHeaderBytes;
    if (core) {
        width = U16(h + 4);
        height = U16(h + 6);
        planes = U16(h + 8);
        bitsPerPixel = U16(h + 10);
        if (bitsPerPixel != 1 && bitsPerPixel != 4 && bitsPerPixel != 8 && bitsPerPixel != 24)
            return kImagingFileFormat;
    } else {
        width = static_cast<int32_t>(U32(h + 4));
        height = static_cast<int32_t>(U32(h + 8));
        planes = U16(h + 12);
        bitsPerPixel = U16(h + 14);
        compression = U32(h + 16);
        colourCount = U32(h + 32);
    }
    if (planes != 1 || width <= 0 || height == 0)
        return kImagingFileFormat;
    layout->topDown = height < 0;
    if (height < 0)
        height = -height;
    if (width > kImagingMaxDimension || height > kImagingMaxDimension)
        return kImagingTooLarge;
    switch (bitsPerPixel) {
    case 1: case 4: case 8: case 16: case 24: case 32:
        break;
    default:
        return kImagingFileFormat;
    }
    if (!CompressionFits(compression, bitsPerPixel, layout->topDown))
        return compression <= BI_BITFIELDS ? kImagingFileFormat : kImagingUnsupported;
    layout->width = static_cast<int>(width);
    layout->height = static_cast<int>(height);
    layout->bitsPerPixel = bitsPerPixel;
    layout->compression = compression;

    // Masks follow a 40-byte header and lie inside the larger ones.
    uint64_t afterHeaders = kFileHeaderBytes + headerSize;
    if (compression == BI_BITFIELDS) {
        if (headerSize == 40)
            afterHeaders += 12;
        if (afterHeaders > fileSize)
            return kImagingFileRead;
        for (int i = 0; i < 3; ++i)
            layout->masks[i] = U32(head + kFileHeaderBytes + 40 + 4 * i);
        if (!layout->masks[0] && !layout->masks[1] && !layout->masks[2])
            return kImagingFileFormat;
    }

    if (bitsPerPixel <= 8) {
        const uint32_t most = 1u << bitsPerPixel;
        if (colourCount > most)
            return kImagingFileFormat;
        layout->colourCount = colourCount ? colourCount : most;
        layout->paletteEntrySize = core ? 3 : 4;
        layout->paletteOffset = static_cast<uint32_t>(afterHeaders);
        // Some writers store fewer entries than they declare and begin the
        // pixels early: keep the entries that lie before the pixels.
        if (dataOffset >= afterHeaders && dataOffset < afterHeaders + uint64_t{layout->colourCount} *
                                                                          layout->paletteEntrySize)
            layout->colourCount =
                static_cast<uint32_t>((dataOffset - afterHeaders) / layout->paletteEntrySize);
        if (layout->colourCount == 0)
            return kImagingFileFormat;
        afterHeaders += uint64_t{layout->colourCount} * layout->paletteEntrySize;
        if (afterHeaders > fileSize)
            return kImagingFileRead;
        if (afterHeaders > headSize)
            return kImagingFileFormat;
    }

    // The pixels begin after the headers and the palette, inside the file.
    if (dataOffset < afterHeaders)
        return kImagingFileFormat;
    if (dataOffset >= fileSize)
        return kImagingFileRead;
    const uint64_t available = fileSize - dataOffset;
    const uint64_t unpacked = static_cast<uint64_t>(BitmapRowBytes(width, bitsPerPixel)) * height;
    if (unpacked > kImagingMaxDataSize)
        return kImagingTooLarge;
    uint64_t needed = unpacked;
    if (compression == BI_RLE8 || compression == BI_RLE4) {
        const uint32_t stated = U32(h + 20);
        if (stated > available)
            return kImagingFileRead;
        needed = stated ? stated : available;
        if (needed > kImagingMaxDataSize)
            return kImagingTooLarge;
    }
    if (needed > available)
        return kImagingFileRead;
    layout->dataOffset = dataOffset;
    layout->dataSize = static_cast<uint32_t>(needed);
    return kImagingSuccess;
}
