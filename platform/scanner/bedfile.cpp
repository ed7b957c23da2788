// Hostile or truncated files are refused before the platform's loader sees
// them: every size in the headers is checked against the file.
#include "bed.h"

namespace {

// Larger images are refused: the bed never needs them and GDI handles
// dimensions up to this comfortably.
constexpr LONG kMaxBedFileSide = 32767;

struct FileCloser {
    HANDLE handle;
    ~FileCloser()
    {
        if (handle != INVALID_HANDLE_VALUE)
            CloseHandle(handle);
    }
};

bool ReadAt(HANDLE file, void* buffer, DWORD size)
{
    DWORD read = 0;
    return ReadFile(file, buffer, size, &read, nullptr) && read == size;
}

} // namespace

bool CheckBedFile(const char* path, BedFileInfo* out)
{
    FileCloser file{CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr)};
    if (file.handle == INVALID_HANDLE_VALUE)
        return false;
    LARGE_INTEGER fileSize;
    if (!GetFileSizeEx(file.handle, &fileSize))
        return false;
    const unsigned long long size = static_cast<unsigned long long>(fileSize.QuadPart);

    BITMAPFILEHEADER fileHeader;
    BITMAPINFOHEADER info;
    if (size < sizeof fileHeader + sizeof info || !ReadAt(file.handle, &fileHeader, sizeof fileHeader)
        || !ReadAt(file.handle, &info, sizeof info))
        return false;
    if (fileHeader.bfType != 0x4D42) // "BM"
        return false;
    // BITMAPINFOHEADER and its later versions only; the old core header
    // describes no 24-bit image worth supporting.
    if (info.biSize < sizeof info || info.biSize > 256)
        return false;
    if (info.biPlanes != 1 || info.biBitCount != 24 || info.biCompression != BI_RGB)
        return false;
    if (info.biWidth <= 0 || info.biWidth > kMaxBedFileSide || info.biHeight == 0
        || info.biHeight < -kMaxBedFileSide || info.biHeight > kMaxBedFileSide)
        return false;
    const unsigned long long rows = info.biHeight < 0 ? -static_cast<long long>(info.biHeight)
                                                      : info.biHeight;
    const unsigned long long stride = (static_cast<unsigned long long>(info.biWidth) * 3 + 3) & ~3ull;
    const unsigned long long headers = sizeof fileHeader + info.biSize;
    if (fileHeader.bfOffBits < headers || fileHeader.bfOffBits > size)
        return false;
    if (size - fileHeader.bfOffBits < stride * rows || stride * rows > kMaxBedBytes)
        return false;
    out->width = info.biWidth;
    out->height = static_cast<int>(rows);
    out->topDown = info.biHeight < 0;
    out->pixelOffset = fileHeader.bfOffBits;
    out->stride = static_cast<size_t>(stride);
    return true;
}
