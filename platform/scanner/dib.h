// Device-independent bitmaps of the delivered image: the packed DIB of the
// native transfer (in movable global memory) and the BMP file of the file
// transfer and the prescan. Rows bottom-up, padded to four bytes; a palette
// for 1, 4 and 8 bits (1 bit: 0 black, 1 white; gray ramps; the 3-3-2 colour
// cube for palette colour).
#pragma once

#include <windows.h>

#include <cstdint>

#include "pipeline.h"

// The biggest bitmap the scanner makes, headers included; a bigger job gets
// kResultNoMemory.
constexpr uint64_t kMaxImageBytes = 0x7FFFFFFF;

struct DibLayout {
    BITMAPINFOHEADER header;
    RGBQUAD palette[256];
    uint32_t paletteEntries;
    uint32_t stride;      // bytes per row, a multiple of four
    uint32_t headerBytes; // info header and palette
    uint32_t imageBytes;  // rows
};

// kResultOk, or kResultNoMemory for a bitmap beyond kMaxImageBytes.
int PlanDib(const ImageJob& job, DibLayout* layout);

// Entry i of the palette colour cube.
RGBQUAD CubeColour(int index);

// The whole image as a packed DIB in movable global memory. kResultOk (the
// handle in *dib), or kResultNoMemory.
int CreateNativeDib(LineRenderer* renderer, HGLOBAL* dib);

// The whole image as a BMP file (a relative name is relative to the current
// directory). kResultOk, kResultNoMemory, kResultNoDisk when the disk is full,
// kResultWriteError for any other failure; a failed file is removed.
int WriteBmpFile(const char* name, LineRenderer* renderer);
