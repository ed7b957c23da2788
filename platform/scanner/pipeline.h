// The image pipeline: from the job's sizes and the settings' tone values to
// finished lines of the delivered image, sampled from the bed.
//
// Output pixel (i, j) shows the bed at x + (i + 1/2) * cx / pixels across and
// y + (j + 1/2) * cy / lines down (1/300 inch, truncated): the scan area is
// divided evenly and sampled at pixel centres. Beyond the bed it is white.
#pragma once

#include <windows.h>

#include <cstdint>
#include <vector>

#include "bed.h"
#include "halftone.h"
#include "records.h"
#include "tone.h"

// What one delivered pixel is made of.
enum class OutputKind {
    Color24,    // 24-bit colour
    Gray8,      // 8-bit gray
    Palette8,   // 8-bit index into the 3-3-2 colour cube
    Gray4,      // 4-bit gray
    Threshold1, // line art: 1 bit by a fixed threshold
    Pattern1,   // halftone: 1 bit by an ordered pattern
    Diffusion1, // halftone: 1 bit by error diffusion
};

// Byte order of 24-bit pixels: bitmaps store blue first, TWAIN memory
// transfers red first.
enum class ByteOrder { Bgr, Rgb };

// The longest line the scanner renders, in pixels; a wider job gets
// kResultNoMemory.
constexpr uint32_t kMaxLinePixels = 1u << 24;

// A validated copy of what the job and the settings ask for.
struct ImageJob {
    uint32_t pixels;
    uint32_t lines;
    uint32_t bytesPerLine; // as the job says: at least packedBytes
    uint32_t packedBytes;  // what the pixels need
    int bits;
    int imageType;
    OutputKind kind;
    bool invert;
    BYTE halftoneCode;
    int colorFilter; // 1 red, 2 green, 3 blue, else luminance (gray and 1-bit)
    uint32_t x, y, cx, cy;
    WORD resolution;
    ToneValues master;
    ToneValues red, green, blue;
    bool feeder; // scanMethod below 2
};

// kResultOk, kResultAreaTooSmall for an empty area or image, kResultBadWidth
// for a missing record, an unknown depth or too few bytes per line.
int DescribeImage(const ScanSettings* settings, const JobInfo* job, ImageJob* out);

// A 24-bit image of the bed area with neutral tone (the prescan).
ImageJob PlainColourImage(uint32_t x, uint32_t y, uint32_t cx, uint32_t cy, uint32_t pixels,
                          uint32_t lines);

// Renders the lines of one image in order, top to bottom.
struct LineRenderer {
    ImageJob job;
    BedPtr bed;
    ByteOrder order;
    std::vector<uint32_t> columns; // byte offset of each pixel's sample in a bed row
    bool unitStep;                 // one bed pixel per output pixel across
    uint32_t unitSpan;             // with unitStep: pixels that lie on the bed
    bool neutral;                  // tone and inversion change nothing
    BYTE colourCurves[3][256];     // blue, green, red
    BYTE grayCurve[256];
    std::vector<BYTE> line;        // one line of samples, blue-green-red
    std::vector<int> errors;       // diffusion: this line's and the next line's errors
    HalftonePattern pattern;
    bool positionFree;             // a line depends only on its bed row
    long long lastBedRow;
};

// kResultOk or kResultNoMemory.
int StartRenderer(LineRenderer* renderer, const ImageJob& job, BedPtr bed, ByteOrder order);

// Writes line j (0 = top) as packedBytes bytes to out. previous is line j - 1
// as written before, when the caller still has it, or null: lines taken from
// the same bed row are then copied instead of rendered again.
void RenderLine(LineRenderer* renderer, uint32_t j, BYTE* out, const BYTE* previous);

// Frees the renderer's buffers and its hold on the bed.
void StopRenderer(LineRenderer* renderer);
