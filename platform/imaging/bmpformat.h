// The layout of a BMP file, read from its headers and checked against the
// file's size before anything is allocated or decoded.
#pragma once

#include <cstddef>
#include <cstdint>

#include "imaging.h"

// What the loader needs of a checked file. Everything lies inside the file.
struct BmpLayout {
    int width = 0;
    int height = 0;             // rows, positive
    bool topDown = false;       // first stored row is the top row
    int bitsPerPixel = 0;       // as stored
    uint32_t compression = 0;   // BI_RGB, BI_RLE8, BI_RLE4 or BI_BITFIELDS
    uint32_t masks[3] = {};     // red, green, blue of BI_BITFIELDS
    uint32_t colourCount = 0;   // palette entries (1, 4 and 8 bits)
    uint32_t paletteOffset = 0; // file offset of the palette
    uint32_t paletteEntrySize = 4; // 3 for OS/2 headers
    uint32_t dataOffset = 0;    // file offset of the pixel data
    uint32_t dataSize = 0;      // bytes of pixel data to read
};

// Bytes of the file head that ParseBmp needs at most: file header, the largest
// info header, masks and a full palette.
constexpr size_t kBmpHeadBytes = 14 + 124 + 12 + 256 * 4;

// head: the first min(fileSize, kBmpHeadBytes) bytes of the file.
// Returns kImagingSuccess or the reason the file cannot be loaded.
int ParseBmp(const uint8_t* head, size_t headSize, uint64_t fileSize, BmpLayout* layout);
