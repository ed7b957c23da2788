// The bed: what lies on the flatbed or on each sheet fed, at 300 dots per inch
// (one pixel per 1/300 inch), 24-bit, made once per process and reused while
// the configuration names the same content and size.
#pragma once

#include <windows.h>

#include <memory>

#include "config.h"

enum BedKind { kBedFlatbed, kBedFeeder };

// Rows top-down, blue-green-red. There are height + 1 rows of width + 1
// pixels: the extra column and the extra row are white, so that sampling
// beyond the bed needs no test per pixel.
struct Bed {
    int width;
    int height;
    size_t stride;
    const BYTE* pixels;
    HBITMAP section; // owns pixels
};

using BedPtr = std::shared_ptr<const Bed>;

// The biggest bed the scanner keeps in memory; a configured bed beyond it
// gives kResultNoMemory.
constexpr unsigned long long kMaxBedBytes = 1ull << 30;

// The bed of the kind (sizes from [Scanner], content from [Bed]). Result:
// kResultOk, kResultNoMemory, or kResultBadBed for an unreadable image file.
int AcquireBed(const VirtualScannerConfig& config, BedKind kind, BedPtr* out);

// The built-in page: a white bed with a document that keeps clear of the
// bed's edges (dark frame, text-like stripes, gray ramp, colour patches).
void DrawBuiltInPage(BYTE* pixels, size_t stride, int width, int height);

// What the headers of a bed file say, once they have been checked.
struct BedFileInfo {
    int width;
    int height;
    bool topDown;       // rows stored top row first (negative height)
    DWORD pixelOffset;  // where the rows begin
    size_t stride;      // bytes per stored row
};

// A file that LoadImage may be trusted with: a 24-bit uncompressed BMP whose
// headers are sane, whose pixel rows lie inside the file and whose pixels
// take no more than kMaxBedBytes.
bool CheckBedFile(const char* path, BedFileInfo* info);
