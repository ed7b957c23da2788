// BMP files: a packed DIB written out behind a file header, an image built
// from top-down rows, and the check of a BMP file that a source wrote.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include <windows.h>

struct ImageShape {
    long width = 0;
    long height = 0; // always positive: rows, whatever their order
    int bits = 0;
};

// Checks a packed DIB (BITMAPINFOHEADER, colour table, pixels) that lies in
// `available` bytes; gives its shape and the bytes it occupies.
bool MeasurePackedDib(const void* dib, size_t available, ImageShape& shape, size_t& bytes,
                      std::string& error);

// Writes a checked packed DIB of `bytes` bytes as a BMP file.
bool WritePackedDib(const std::string& path, const void* dib, size_t bytes, std::string& error);

// Writes a bottom-up BMP from top-down rows of rowBytes bytes each (pixels
// as a BMP stores them: BGR for 24 bits, most significant bit first).
bool WriteRowsAsBmp(const std::string& path, long width, long height, int bits,
                    const std::vector<RGBQUAD>& palette, const std::vector<uint8_t>& rows,
                    size_t rowBytes, int dpi, std::string& error);

// Reads a BMP file's headers and checks that the file holds the pixels
// they promise.
bool ReadBmpShape(const std::string& path, ImageShape& shape, std::string& error);
