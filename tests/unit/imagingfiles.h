// BMP files written by the imaging tests, and reading pixels of a loaded
// bitmap by position as seen (y = 0 is the top row).
#pragma once

#include <windows.h>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "imaging.h"

struct BmpLayout {
    int width = 4;
    int height = 3;                // negative: stored top-down
    int bitsPerPixel = 24;
    uint32_t compression = BI_RGB;
    uint32_t headerSize = 40;      // 12: OS/2 header; 52, 56, 108, 124: later Windows headers
    std::vector<RGBQUAD> palette;  // written as RGBTRIPLE after a 12-byte header
    std::vector<uint32_t> masks;   // after a 40-byte header, inside the larger ones
    std::vector<uint8_t> pixels;   // as stored
};

// The whole file as bytes.
std::vector<uint8_t> BuildBmp(const BmpLayout& layout);

// Pixel value of a test pattern at (x, y from the top): a palette index for
// 1 to 8 bits, a 5-5-5 value for 16, 0xRRGGBB for 24 and 32 bits.
using Pattern = std::function<uint32_t(int x, int y)>;
// Rows as a BMP stores them, bottom-up (or top-down for a negative height),
// each padded to 4 bytes; 32-bit pixels carry 0x5A in their fourth byte.
std::vector<uint8_t> StoredRows(int width, int height, int bitsPerPixel, const Pattern& pattern);

// The value of a loaded bitmap's pixel in the same terms as Pattern (24 and
// 32 bits read in the bitmap's byte order). Needs direct access.
uint32_t PixelValue(const BitmapHandle& bitmap, int x, int y);
// The colour of a pixel as 0xRRGGBB, through the palette where there is one.
uint32_t PixelColour(const BitmapHandle& bitmap, int x, int y);

// A folder of its own in the temporary folder, removed with its files.
class TempFolder {
public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    std::string Write(const std::string& name, const std::vector<uint8_t>& bytes);
    std::string Path(const std::string& name) const { return folder_ + name; }

private:
    std::string folder_;
    std::vector<std::string> files_;
};

void Put16(std::vector<uint8_t>& bytes, size_t offset, uint16_t value);
void Put32(std::vector<uint8_t>& bytes, size_t offset, uint32_t value);
