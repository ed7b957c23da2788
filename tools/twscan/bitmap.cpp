#include "bitmap.h"

#include <cstdio>
#include <cstring>
#include <memory>

namespace {

constexpr uint64_t kMaxPixelBytes = 1ull << 31;

uint64_t Stride(long width, int bits)
{
    return ((static_cast<uint64_t>(width) * bits + 31) / 32) * 4;
}

struct FileCloser {
    void operator()(FILE* file) const { std::fclose(file); }
};
using File = std::unique_ptr<FILE, FileCloser>;

// The colour table entries that follow a BITMAPINFOHEADER.
bool ColourTableEntries(const BITMAPINFOHEADER& header, uint64_t& entries, std::string& error)
{
    const bool indexed = header.biBitCount <= 8;
    const uint64_t most = indexed ? (1u << header.biBitCount) : 256;
    entries = header.biClrUsed ? header.biClrUsed : (indexed ? most : 0);
    if (entries > most) {
        error = "the bitmap claims " + std::to_string(entries) + " colours for " +
                std::to_string(header.biBitCount) + " bits";
        return false;
    }
    return true;
}

// What every bitmap header we accept must say; gives the bytes of the
// colour table and of the pixels.
bool CheckHeader(const BITMAPINFOHEADER& header, uint64_t& tableBytes, uint64_t& pixelBytes,
                 std::string& error)
{
    if (header.biSize < sizeof(BITMAPINFOHEADER) || header.biSize > 4096) {
        error = "the bitmap header has an unknown size " + std::to_string(header.biSize);
        return false;
    }
    const int bits = header.biBitCount;
    if (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32) {
        error = "the bitmap has " + std::to_string(bits) + " bits per pixel";
        return false;
    }
    if (header.biPlanes != 1 || header.biCompression != BI_RGB) {
        error = "the bitmap is compressed or has several planes";
        return false;
    }
    if (header.biWidth <= 0 || header.biHeight == 0 || header.biHeight == LONG_MIN) {
        error = "the bitmap is " + std::to_string(header.biWidth) + " by " +
                std::to_string(header.biHeight) + " pixels";
        return false;
    }
    uint64_t entries = 0;
    if (!ColourTableEntries(header, entries, error))
        return false;
    tableBytes = entries * sizeof(RGBQUAD);
    const uint64_t rows = header.biHeight < 0 ? -static_cast<int64_t>(header.biHeight) : header.biHeight;
    pixelBytes = Stride(header.biWidth, bits) * rows;
    if (pixelBytes > kMaxPixelBytes) {
        error = "the bitmap is too large";
        return false;
    }
    return true;
}

ImageShape ShapeOf(const BITMAPINFOHEADER& header)
{
    ImageShape shape;
    shape.width = header.biWidth;
    shape.height = header.biHeight < 0 ? -header.biHeight : header.biHeight;
    shape.bits = header.biBitCount;
    return shape;
}

bool WriteAll(FILE* file, const void* data, size_t bytes)
{
    return bytes == 0 || std::fwrite(data, 1, bytes, file) == bytes;
}

BITMAPFILEHEADER FileHeader(uint64_t offBits, uint64_t total)
{
    BITMAPFILEHEADER file{};
    file.bfType = 0x4D42; // "BM"
    file.bfSize = static_cast<DWORD>(total);
    file.bfOffBits = static_cast<DWORD>(offBits);
    return file;
}

File Create(const std::string& path, std::string& error)
{
    File file(std::fopen(path.c_str(), "wb"));
    if (!file)
        error = "cannot write " + path;
    return file;
}

bool Finish(File file, const std::string& path, std::string& error)
{
    if (std::fclose(file.release()) != 0) {
        error = "cannot write " + path;
        return false;
    }
    return true;
}

} // namespace

bool MeasurePackedDib(const void* dib, size_t available, ImageShape& shape, size_t& bytes,
                      std::string& error)
{
    if (available < sizeof(BITMAPINFOHEADER)) {
        error = "the bitmap holds only " + std::to_string(available) + " bytes";
        return false;
    }
    BITMAPINFOHEADER header;
    std::memcpy(&header, dib, sizeof header);
    uint64_t tableBytes = 0, pixelBytes = 0;
    if (!CheckHeader(header, tableBytes, pixelBytes, error))
        return false;
    const uint64_t total = header.biSize + tableBytes + pixelBytes;
    if (total > available) {
        error = "the bitmap's headers promise " + std::to_string(total) + " bytes, its memory holds " +
                std::to_string(available);
        return false;
    }
    shape = ShapeOf(header);
    bytes = static_cast<size_t>(total);
    return true;
}

bool WritePackedDib(const std::string& path, const void* dib, size_t bytes, std::string& error)
{
    BITMAPINFOHEADER header;
    std::memcpy(&header, dib, sizeof header);
    uint64_t entries = 0;
    ColourTableEntries(header, entries, error);
    const uint64_t offBits = sizeof(BITMAPFILEHEADER) + header.biSize + entries * sizeof(RGBQUAD);
    const BITMAPFILEHEADER fileHeader = FileHeader(offBits, sizeof(BITMAPFILEHEADER) + bytes);
    File file = Create(path, error);
    if (!file)
        return false;
    if (!WriteAll(file.get(), &fileHeader, sizeof fileHeader) || !WriteAll(file.get(), dib, bytes)) {
        error = "cannot write " + path;
        return false;
    }
    return Finish(std::move(file), path, error);
}

bool WriteRowsAsBmp(const std::string& path, long width, long height, int bits,
                    const std::vector<RGBQUAD>& palette, const std::vector<uint8_t>& rows,
                    size_t rowBytes, int dpi, std::string& error)
{
    const uint64_t stride = Stride(width, bits);
    BITMAPINFOHEADER header{};
    header.biSize = sizeof header;
    header.biWidth = width;
    header.biHeight = height;
    header.biPlanes = 1;
    header.biBitCount = static_cast<WORD>(bits);
    header.biCompression = BI_RGB;
    header.biSizeImage = static_cast<DWORD>(stride * height);
    // Pixels per metre from dots per inch, rounded.
    header.biXPelsPerMeter = header.biYPelsPerMeter = static_cast<LONG>(dpi / 0.0254 + 0.5);
    header.biClrUsed = static_cast<DWORD>(palette.size());
    const uint64_t offBits =
        sizeof(BITMAPFILEHEADER) + sizeof header + palette.size() * sizeof(RGBQUAD);
    const BITMAPFILEHEADER fileHeader = FileHeader(offBits, offBits + header.biSizeImage);

    File file = Create(path, error);
    if (!file)
        return false;
    bool written = WriteAll(file.get(), &fileHeader, sizeof fileHeader) &&
                   WriteAll(file.get(), &header, sizeof header) &&
                   WriteAll(file.get(), palette.data(), palette.size() * sizeof(RGBQUAD));
    std::vector<uint8_t> line(stride, 0);
    for (long y = height - 1; written && y >= 0; --y) {
        std::memcpy(line.data(), rows.data() + y * rowBytes, rowBytes);
        written = WriteAll(file.get(), line.data(), line.size());
    }
    if (!written) {
        error = "cannot write " + path;
        return false;
    }
    return Finish(std::move(file), path, error);
}

bool ReadBmpShape(const std::string& path, ImageShape& shape, std::string& error)
{
    File file(std::fopen(path.c_str(), "rb"));
    if (!file) {
        error = "the source wrote no file " + path;
        return false;
    }
    BITMAPFILEHEADER fileHeader;
    BITMAPINFOHEADER header;
    if (std::fread(&fileHeader, sizeof fileHeader, 1, file.get()) != 1 ||
        std::fread(&header, sizeof header, 1, file.get()) != 1 || fileHeader.bfType != 0x4D42) {
        error = path + " is not a BMP file";
        return false;
    }
    uint64_t tableBytes = 0, pixelBytes = 0;
    if (!CheckHeader(header, tableBytes, pixelBytes, error)) {
        error = path + ": " + error;
        return false;
    }
    std::fseek(file.get(), 0, SEEK_END);
    const long size = std::ftell(file.get());
    const uint64_t headers = sizeof fileHeader + header.biSize + tableBytes;
    if (fileHeader.bfOffBits < headers || size < 0 ||
        static_cast<uint64_t>(size) < fileHeader.bfOffBits + pixelBytes) {
        error = path + " is shorter than its headers promise";
        return false;
    }
    shape = ShapeOf(header);
    return true;
}
