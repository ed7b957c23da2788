#include "dib.h"

#include <cstring>
#include <new>
#include <vector>

#include "results.h"

namespace {

// Rows of a BMP file are written in blocks of about this size.
constexpr uint32_t kFileBlockBytes = 1u << 20;

LONG PelsPerMeter(WORD resolution)
{
    return static_cast<LONG>((resolution * 10000L + 127) / 254);
}

void FillPalette(const ImageJob& job, DibLayout* layout)
{
    RGBQUAD* palette = layout->palette;
    switch (job.bits) {
    case 1:
        layout->paletteEntries = 2;
        palette[0] = RGBQUAD{0, 0, 0, 0};
        palette[1] = RGBQUAD{255, 255, 255, 0};
        break;
    case 4:
        layout->paletteEntries = 16;
        for (int i = 0; i < 16; ++i) {
            const BYTE level = static_cast<BYTE>(i * 17);
            palette[i] = RGBQUAD{level, level, level, 0};
        }
        break;
    case 8:
        layout->paletteEntries = 256;
        for (int i = 0; i < 256; ++i) {
            if (job.kind == OutputKind::Palette8) {
                palette[i] = CubeColour(i);
            } else {
                const BYTE level = static_cast<BYTE>(i);
                palette[i] = RGBQUAD{level, level, level, 0};
            }
        }
        break;
    default:
        layout->paletteEntries = 0;
        break;
    }
}

// Renders lines [first, first + count) into rows stored bottom-up from
// block: the last of the lines in the first row.
void RenderBlock(LineRenderer* renderer, const DibLayout& layout, uint32_t first, uint32_t count,
                 BYTE* block)
{
    const uint32_t packed = renderer->job.packedBytes;
    for (uint32_t k = 0; k < count; ++k) {
        BYTE* row = block + static_cast<size_t>(count - 1 - k) * layout.stride;
        const BYTE* previous = k ? row + layout.stride : nullptr;
        RenderLine(renderer, first + k, row, previous);
        std::memset(row + packed, 0, layout.stride - packed);
    }
}

struct FileGuard {
    HANDLE handle = INVALID_HANDLE_VALUE;
    ~FileGuard()
    {
        if (handle != INVALID_HANDLE_VALUE)
            CloseHandle(handle);
    }
};

int WriteError()
{
    const DWORD error = GetLastError();
    return error == ERROR_DISK_FULL || error == ERROR_HANDLE_DISK_FULL ? kResultNoDisk
                                                                        : kResultWriteError;
}

bool WriteAt(HANDLE file, uint64_t offset, const void* data, uint32_t size)
{
    LARGE_INTEGER position;
    position.QuadPart = static_cast<LONGLONG>(offset);
    DWORD written = 0;
    return SetFilePointerEx(file, position, nullptr, FILE_BEGIN)
           && WriteFile(file, data, size, &written, nullptr) && written == size;
}

} // namespace

RGBQUAD CubeColour(int index)
{
    return RGBQUAD{static_cast<BYTE>(64 * (index / 64) + 63),
                   static_cast<BYTE>(32 * ((index / 8) % 8) + 31),
                   static_cast<BYTE>(32 * (index % 8) + 31), 0};
}

int PlanDib(const ImageJob& job, DibLayout* layout)
{
    *layout = DibLayout{};
    FillPalette(job, layout);
    const uint64_t stride = ((static_cast<uint64_t>(job.pixels) * job.bits + 31) / 32) * 4;
    const uint64_t imageBytes = stride * job.lines;
    const uint64_t headerBytes = sizeof(BITMAPINFOHEADER) + layout->paletteEntries * sizeof(RGBQUAD);
    if (imageBytes + headerBytes + sizeof(BITMAPFILEHEADER) > kMaxImageBytes)
        return kResultNoMemory;
    layout->stride = static_cast<uint32_t>(stride);
    layout->imageBytes = static_cast<uint32_t>(imageBytes);
    layout->headerBytes = static_cast<uint32_t>(headerBytes);
    BITMAPINFOHEADER& h = layout->header;
    h.biSize = sizeof h;
    h.biWidth = static_cast<LONG>(job.pixels);
    h.biHeight = static_cast<LONG>(job.lines);
    h.biPlanes = 1;
    h.biBitCount = static_cast<WORD>(job.bits);
    h.biCompression = BI_RGB;
    h.biSizeImage = layout->imageBytes;
    h.biXPelsPerMeter = PelsPerMeter(job.resolution);
    h.biYPelsPerMeter = PelsPerMeter(job.resolution);
    h.biClrUsed = layout->paletteEntries;
    h.biClrImportant = 0;
    return kResultOk;
}

int CreateNativeDib(LineRenderer* renderer, HGLOBAL* dib)
{
    DibLayout layout;
    if (PlanDib(renderer->job, &layout) != kResultOk)
        return kResultNoMemory;
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, layout.headerBytes + static_cast<SIZE_T>(layout.imageBytes));
    if (!memory)
        return kResultNoMemory;
    BYTE* base = static_cast<BYTE*>(GlobalLock(memory));
    if (!base) {
        GlobalFree(memory);
        return kResultNoMemory;
    }
    std::memcpy(base, &layout.header, sizeof layout.header);
    std::memcpy(base + sizeof layout.header, layout.palette, layout.paletteEntries * sizeof(RGBQUAD));
    RenderBlock(renderer, layout, 0, renderer->job.lines, base + layout.headerBytes);
    GlobalUnlock(memory);
    *dib = memory;
    return kResultOk;
}

int WriteBmpFile(const char* name, LineRenderer* renderer)
{
    if (!name || !name[0])
        return kResultWriteError;
    DibLayout layout;
    if (PlanDib(renderer->job, &layout) != kResultOk)
        return kResultNoMemory;
    const uint32_t lines = renderer->job.lines;
    uint32_t blockLines = kFileBlockBytes / layout.stride;
    blockLines = blockLines == 0 ? 1 : blockLines > lines ? lines : blockLines;
    std::vector<BYTE> block;
    try {
        block.resize(static_cast<size_t>(blockLines) * layout.stride);
    } catch (const std::bad_alloc&) {
        return kResultNoMemory;
    }

    FileGuard file;
    file.handle = CreateFileA(name, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                              nullptr);
    if (file.handle == INVALID_HANDLE_VALUE)
        return WriteError();
    // Only a file this call made, on a disk, is removed after a failure:
    // never a device, never someone else's file.
    const bool existed = GetLastError() == ERROR_ALREADY_EXISTS;
    const bool removable = !existed && GetFileType(file.handle) == FILE_TYPE_DISK;
    auto fail = [&](int result) {
        if (file.handle != INVALID_HANDLE_VALUE)
            CloseHandle(file.handle);
        file.handle = INVALID_HANDLE_VALUE;
        if (removable)
            DeleteFileA(name);
        return result;
    };

    BITMAPFILEHEADER fileHeader = {};
    const uint32_t dataOffset = sizeof fileHeader + layout.headerBytes;
    fileHeader.bfType = 0x4D42; // "BM"
    fileHeader.bfSize = dataOffset + layout.imageBytes;
    fileHeader.bfOffBits = dataOffset;
    if (!WriteAt(file.handle, 0, &fileHeader, sizeof fileHeader)
        || !WriteAt(file.handle, sizeof fileHeader, &layout.header, sizeof layout.header)
        || !WriteAt(file.handle, sizeof fileHeader + sizeof layout.header, layout.palette,
                    layout.paletteEntries * sizeof(RGBQUAD)))
        return fail(WriteError());
    // Lines are rendered top-down (diffusion needs that order); each block of
    // them is one run of rows in the bottom-up file.
    for (uint32_t first = 0; first < lines; first += blockLines) {
        const uint32_t count = lines - first < blockLines ? lines - first : blockLines;
        RenderBlock(renderer, layout, first, count, block.data());
        const uint64_t offset =
            dataOffset + static_cast<uint64_t>(lines - first - count) * layout.stride;
        if (!WriteAt(file.handle, offset, block.data(), count * layout.stride))
            return fail(WriteError());
    }
    if (!CloseHandle(file.handle)) {
        file.handle = INVALID_HANDLE_VALUE;
        return fail(WriteError());
    }
    file.handle = INVALID_HANDLE_VALUE;
    return kResultOk;
}
