#include "imagingfiles.h"

#include <fstream>

namespace {

void Append16(std::vector<uint8_t>& bytes, uint16_t value)
{
    bytes.push_back(static_cast<uint8_t>(value));
    bytes.push_back(static_cast<uint8_t>(value >> 8));
}

void Append32(std::vector<uint8_t>& bytes, uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        bytes.push_back(static_cast<uint8_t>(value >> (8 * i)));
}

const uint8_t* RowFromTop(const BitmapHandle& bitmap, int y)
{
    return bitmap.data + static_cast<size_t>(bitmap.height - 1 - y) * bitmap.bytesPerLine;
}

} // namespace

void Put16(std::vector<uint8_t>& bytes, size_t offset, uint16_t value)
{
    bytes[offset] = static_cast<uint8_t>(value);
    bytes[offset + 1] = static_cast<uint8_t>(value >> 8);
}

void Put32(std::vector<uint8_t>& bytes, size_t offset, uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        bytes[offset + i] = static_cast<uint8_t>(value >> (8 * i));
}

std::vector<uint8_t> BuildBmp(const BmpLayout& layout)
{
    std::vector<uint8_t> header;
    const bool core = layout.headerSize == 12;
    Append32(header, layout.headerSize);
    if (core) {
        Append16(header, static_cast<uint16_t>(layout.width));
        Append16(header, static_cast<uint16_t>(layout.height));
        Append16(header, 1);
        Append16(header, static_cast<uint16_t>(layout.bitsPerPixel));
    } else {
        Append32(header, static_cast<uint32_t>(layout.width));
        Append32(header, static_cast<uint32_t>(layout.height));
        Append16(header, 1);
        Append16(header, static_cast<uint16_t>(layout.bitsPerPixel));
        Append32(header, layout.compression);
        Append32(header, static_cast<uint32_t>(layout.pixels.size()));
        Append32(header, 2835);
        Append32(header, 2835);
        Append32(header, static_cast<uint32_t>(layout.palette.size()));
        Append32(header, 0);
        if (layout.headerSize > 40) {
            for (size_t i = 0; i < 3; ++i)
                Append32(header, i < layout.masks.size() ? layout.masks[i] : 0);
            header.resize(layout.headerSize, 0);
        } else {
            for (uint32_t mask : layout.masks)
                Append32(header, mask);
        }
    }
    for (const RGBQUAD& entry : layout.palette) {
        header.push_back(entry.rgbBlue);
        header.push_back(entry.rgbGreen);
        header.push_back(entry.rgbRed);
        if (!core)
            header.push_back(0);
    }
    std::vector<uint8_t> file;
    file.push_back('B');
    file.push_back('M');
    const uint32_t offset = static_cast<uint32_t>(14 + header.size());
    Append32(file, static_cast<uint32_t>(offset + layout.pixels.size()));
    Append32(file, 0);
    Append32(file, offset);
    file.insert(file.end(), header.begin(), header.end());
    file.insert(file.end(), layout.pixels.begin(), layout.pixels.end());
    return file;
}

std::vector<uint8_t> StoredRows(int width, int signedHeight, int bitsPerPixel,
                                const Pattern& pattern)
{
    const int height = signedHeight < 0 ? -signedHeight : signedHeight;
    const size_t rowBytes = static_cast<size_t>(BitmapRowBytes(width, bitsPerPixel));
    std::vector<uint8_t> rows(rowBytes * height, 0);
    for (int stored = 0; stored < height; ++stored) {
        const int y = signedHeight < 0 ? stored : height - 1 - stored;
        uint8_t* row = rows.data() + stored * rowBytes;
        for (int x = 0; x < width; ++x) {
            const uint32_t v = pattern(x, y);
            switch (bitsPerPixel) {
            case 1:
                row[x / 8] |= static_cast<uint8_t>((v & 1) << (7 - x % 8));
                break;
            case 4:
                row[x / 2] |= static_cast<uint8_t>((v & 15) << (x % 2 ? 0 : 4));
                break;
            case 8:
                row[x] = static_cast<uint8_t>(v);
                break;
            case 16:
                row[2 * x] = static_cast<uint8_t>(v);
                row[2 * x + 1] = static_cast<uint8_t>(v >> 8);
                break;
            default: {
                uint8_t* p = row + x * (bitsPerPixel / 8);
                p[0] = static_cast<uint8_t>(v);
                p[1] = static_cast<uint8_t>(v >> 8);
                p[2] = static_cast<uint8_t>(v >> 16);
                if (bitsPerPixel == 32)
                    p[3] = 0x5A;
            }
            }
        }
    }
    return rows;
}

uint32_t PixelValue(const BitmapHandle& bitmap, int x, int y)
{
    const uint8_t* row = RowFromTop(bitmap, y);
    switch (bitmap.bitsPerPixel) {
    case 1:
        return (row[x / 8] >> (7 - x % 8)) & 1;
    case 4:
        return (row[x / 2] >> (x % 2 ? 0 : 4)) & 15;
    case 8:
        return row[x];
    case 16:
        return row[2 * x] | (row[2 * x + 1] << 8);
    default: {
        const uint8_t* p = row + x * (bitmap.bitsPerPixel / 8);
        if (bitmap.order == kOrderRgb)
            return (p[0] << 16) | (p[1] << 8) | p[2];
        return (p[2] << 16) | (p[1] << 8) | p[0];
    }
    }
}

uint32_t PixelColour(const BitmapHandle& bitmap, int x, int y)
{
    const uint32_t v = PixelValue(bitmap, x, y);
    if (bitmap.bitsPerPixel <= 8) {
        const RGBQUAD& e = bitmap.palette[v];
        return (e.rgbRed << 16) | (e.rgbGreen << 8) | e.rgbBlue;
    }
    if (bitmap.bitsPerPixel == 16) {
        auto widen = [](uint32_t c) { return (c << 3) | (c >> 2); };
        return (widen((v >> 10) & 31) << 16) | (widen((v >> 5) & 31) << 8) | widen(v & 31);
    }
    return v;
}

TempFolder::TempFolder()
{
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    folder_ = std::string(temp) + "tovrin-imaging-" + std::to_string(GetCurrentProcessId()) + "\\";
    CreateDirectoryA(folder_.c_str(), nullptr);
}

TempFolder::~TempFolder()
{
    for (const auto& file : files_)
        DeleteFileA(file.c_str());
    RemoveDirectoryA(folder_.c_str());
}

std::string TempFolder::Write(const std::string& name, const std::vector<uint8_t>& bytes)
{
    const std::string path = folder_ + name;
    std::ofstream(path, std::ios::binary | std::ios::trunc)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    files_.push_back(path);
    return path;
}
