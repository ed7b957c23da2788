#include "transfer.h"

#include <cstring>
#include <memory>
#include <vector>

#include "names.h"
#include "session.h"

namespace {

// A strip buffer larger than this is not worth the memory.
constexpr TW_UINT32 kMaxStripBytes = 64u << 20;
// Strips without rows in a row before we stop believing the source.
constexpr int kMaxEmptyStrips = 1000;

int Dpi(const TW_FIX32& resolution)
{
    return resolution.Whole > 0 ? resolution.Whole : 0;
}

// Native: the source hands over a packed DIB in global memory, which is ours
// from then on.
TransferResult TransferNative(const std::string& path, ImageShape& delivered, std::string& reason)
{
    // A pointer-wide, zeroed slot: a source that stores only 32 bits of the
    // handle still leaves a usable value.
    TW_HANDLE handle = nullptr;
    const TW_UINT16 rc = CallSource(DG_IMAGE, DAT_IMAGENATIVEXFER, MSG_GET, &handle);
    if (rc == TWRC_CANCEL)
        return TransferResult::Cancelled;
    if (rc != TWRC_XFERDONE) {
        reason = FailureText(DG_IMAGE, DAT_IMAGENATIVEXFER, MSG_GET, rc);
        return TransferResult::Failed;
    }
    if (!handle) {
        reason = "the source finished a native transfer without a bitmap";
        return TransferResult::Failed;
    }
    struct Owned {
        HGLOBAL handle;
        void* data = nullptr;
        ~Owned()
        {
            if (data)
                GlobalUnlock(handle);
            GlobalFree(handle);
        }
    } dib{handle};
    const SIZE_T available = GlobalSize(handle);
    dib.data = GlobalLock(handle);
    if (!dib.data || available == 0) {
        reason = "the source's bitmap handle cannot be read";
        return TransferResult::Failed;
    }
    size_t bytes = 0;
    if (!MeasurePackedDib(dib.data, available, delivered, bytes, reason)) {
        reason = "native transfer: " + reason;
        return TransferResult::Failed;
    }
    return WritePackedDib(path, dib.data, bytes, reason) ? TransferResult::Saved
                                                          : TransferResult::Failed;
}

// The colour table a memory-transferred image gets in its BMP file.
bool MemoryPalette(const TW_IMAGEINFO& info, std::vector<RGBQUAD>& palette, std::string& reason)
{
    const int bits = info.BitsPerPixel;
    if (bits > 8)
        return true;
    const int entries = 1 << bits;
    if (info.PixelType == TWPT_PALETTE) {
        TW_PALETTE8 colours{};
        const TW_UINT16 rc = CallSource(DG_IMAGE, DAT_PALETTE8, MSG_GET, &colours);
        if (rc != TWRC_SUCCESS) {
            reason = FailureText(DG_IMAGE, DAT_PALETTE8, MSG_GET, rc);
            return false;
        }
        if (colours.NumColors == 0 || colours.NumColors > entries) {
            reason = "the source's palette has " + std::to_string(colours.NumColors) +
                     " colours for " + std::to_string(bits) + "-bit pixels";
            return false;
        }
        for (int i = 0; i < colours.NumColors; ++i) {
            const TW_ELEMENT8& e = colours.Colors[i];
            const bool gray = colours.PaletteType == TWPA_GRAY;
            palette.push_back({gray ? e.Channel1 : e.Channel3, gray ? e.Channel1 : e.Channel2,
                               e.Channel1, 0});
        }
        return true;
    }
    if (bits == 1) {
        // TWPT_BW: 0 is black.
        palette = {{0, 0, 0, 0}, {255, 255, 255, 0}};
        return true;
    }
    for (int i = 0; i < entries; ++i) {
        const BYTE level = static_cast<BYTE>(i * 255 / (entries - 1));
        palette.push_back({level, level, level, 0});
    }
    return true;
}

// Memory: we own one buffer and the source fills it strip by strip, top to
// bottom, RGB order.
TransferResult TransferMemory(const TW_IMAGEINFO& info, const std::string& path,
                              ImageShape& delivered, std::string& reason)
{
    const long width = info.ImageWidth;
    const long height = info.ImageLength;
    const int bits = info.BitsPerPixel;
    const size_t rowBytes = (static_cast<size_t>(width) * bits + 7) / 8;

    std::vector<RGBQUAD> palette;
    if (!MemoryPalette(info, palette, reason))
        return TransferResult::Failed;

    TW_SETUPMEMXFER setup{};
    TW_UINT16 rc = CallSource(DG_CONTROL, DAT_SETUPMEMXFER, MSG_GET, &setup);
    if (rc != TWRC_SUCCESS) {
        reason = FailureText(DG_CONTROL, DAT_SETUPMEMXFER, MSG_GET, rc);
        return TransferResult::Failed;
    }
    TW_UINT32 size = 0;
    for (TW_UINT32 proposal : {setup.Preferred, setup.MaxBufSize, setup.MinBufSize}) {
        if (!size && proposal && proposal != TWON_DONTCARE32)
            size = proposal;
    }
    if (!size) {
        reason = "the source proposes no buffer size for memory transfers";
        return TransferResult::Failed;
    }
    if (size > kMaxStripBytes) {
        if (setup.MinBufSize && setup.MinBufSize != TWON_DONTCARE32 && setup.MinBufSize > kMaxStripBytes) {
            reason = "the source wants strip buffers of at least " +
                     std::to_string(setup.MinBufSize) + " bytes";
            return TransferResult::Failed;
        }
        size = kMaxStripBytes;
    }
    if (size < rowBytes) {
        reason = "the source's strip buffer of " + std::to_string(size) +
                 " bytes does not hold one row of " + std::to_string(rowBytes);
        return TransferResult::Failed;
    }
    std::unique_ptr<uint8_t[]> buffer(new (std::nothrow) uint8_t[size]);
    std::vector<uint8_t> rows;
    try {
        rows.assign(rowBytes * static_cast<size_t>(height), 0);
    } catch (const std::bad_alloc&) {
        buffer.reset();
    }
    if (!buffer) {
        reason = "not enough memory for a " + std::to_string(width) + "x" +
                 std::to_string(height) + " image";
        return TransferResult::Failed;
    }

    long rowsDone = 0;
    int emptyStrips = 0;
    for (;;) {
        TW_IMAGEMEMXFER strip;
        strip.Compression = TWON_DONTCARE16;
        strip.BytesPerRow = strip.Columns = strip.Rows = TWON_DONTCARE32;
        strip.XOffset = strip.YOffset = strip.BytesWritten = TWON_DONTCARE32;
        strip.Memory.Flags = TWMF_APPOWNS | TWMF_POINTER;
        strip.Memory.Length = size;
        strip.Memory.TheMem = buffer.get();
        rc = CallSource(DG_IMAGE, DAT_IMAGEMEMXFER, MSG_GET, &strip);
        if (rc == TWRC_CANCEL)
            return TransferResult::Cancelled;
        if (rc != TWRC_SUCCESS && rc != TWRC_XFERDONE) {
            reason = FailureText(DG_IMAGE, DAT_IMAGEMEMXFER, MSG_GET, rc);
            return TransferResult::Failed;
        }
        const TW_UINT32 stripRows = strip.Rows == TWON_DONTCARE32 ? 0 : strip.Rows;
        if (stripRows) {
            emptyStrips = 0;
            if (strip.Compression != TWCP_NONE && strip.Compression != TWON_DONTCARE16) {
                reason = "the source sent a compressed strip";
                return TransferResult::Failed;
            }
            if (strip.Columns != TWON_DONTCARE32 && strip.Columns != static_cast<TW_UINT32>(width)) {
                reason = "the source announced an image " + std::to_string(width) +
                         " pixels wide but sent strips of " + std::to_string(strip.Columns);
                return TransferResult::Failed;
            }
            // Rows may carry padding to 32 bits, no more: a longer row means
            // more bits per pixel than announced.
            const size_t padded = (rowBytes + 3) / 4 * 4;
            if (strip.BytesPerRow == TWON_DONTCARE32 || strip.BytesPerRow < rowBytes ||
                strip.BytesPerRow > padded) {
                reason = "the source sent rows of " + std::to_string(strip.BytesPerRow) +
                         " bytes for " + std::to_string(width) + " pixels of " +
                         std::to_string(bits) + " bits (" + std::to_string(rowBytes) + " bytes)";
                return TransferResult::Failed;
            }
            const uint64_t used = static_cast<uint64_t>(strip.BytesPerRow) * stripRows;
            const uint64_t written = strip.BytesWritten == TWON_DONTCARE32 ? used : strip.BytesWritten;
            if (used > size || used > written) {
                reason = "the source claims " + std::to_string(stripRows) + " rows of " +
                         std::to_string(strip.BytesPerRow) + " bytes in a strip of " +
                         std::to_string(written) + " bytes (buffer " + std::to_string(size) + ")";
                return TransferResult::Failed;
            }
            if (strip.XOffset != TWON_DONTCARE32 && strip.XOffset != 0) {
                reason = "the source sent a strip that starts at column " + std::to_string(strip.XOffset);
                return TransferResult::Failed;
            }
            // The source's YOffset when it gives one, else the rows follow on.
            const uint64_t top = strip.YOffset == TWON_DONTCARE32 ? rowsDone : strip.YOffset;
            if (top + stripRows > static_cast<uint64_t>(height)) {
                reason = "the source announced " + std::to_string(height) +
                         " rows but sent rows up to " + std::to_string(top + stripRows);
                return TransferResult::Failed;
            }
            for (TW_UINT32 r = 0; r < stripRows; ++r) {
                uint8_t* target = rows.data() + (top + r) * rowBytes;
                std::memcpy(target, buffer.get() + static_cast<size_t>(r) * strip.BytesPerRow, rowBytes);
                if (bits == 24) {
                    for (size_t x = 0; x + 2 < rowBytes; x += 3)
                        std::swap(target[x], target[x + 2]);
                }
            }
            rowsDone += stripRows;
        } else if (rc == TWRC_SUCCESS && ++emptyStrips >= kMaxEmptyStrips) {
            reason = "the source keeps sending empty strips";
            return TransferResult::Failed;
        }
        if (rc == TWRC_XFERDONE)
            break;
    }
    delivered.width = width;
    delivered.height = rowsDone;
    delivered.bits = bits;
    if (rowsDone != height) {
        reason = MismatchText(info, delivered);
        return TransferResult::Failed;
    }
    return WriteRowsAsBmp(path, width, height, bits, palette, rows, rowBytes, Dpi(info.XResolution), reason)
               ? TransferResult::Saved
               : TransferResult::Failed;
}

// File: the source writes the BMP file itself under the name we give.
TransferResult TransferFile(const std::string& path, ImageShape& delivered, std::string& reason)
{
    char full[MAX_PATH];
    const DWORD length = GetFullPathNameA(path.c_str(), sizeof full, full, nullptr);
    TW_SETUPFILEXFER setup{};
    if (length == 0 || length >= sizeof full || length >= sizeof setup.FileName) {
        reason = "the output name " + path + " is too long for a file transfer";
        return TransferResult::Failed;
    }
    // A file left from before must not pass for the source's work.
    if (!DeleteFileA(full)) {
        const DWORD error = GetLastError();
        if (error == ERROR_PATH_NOT_FOUND) {
            reason = "cannot write " + path + ": its folder does not exist";
            return TransferResult::Failed;
        }
        if (error != ERROR_FILE_NOT_FOUND) {
            reason = "cannot replace " + path;
            return TransferResult::Failed;
        }
    }
    std::memcpy(setup.FileName, full, length + 1);
    setup.Format = TWFF_BMP;
    TW_UINT16 rc = CallSource(DG_CONTROL, DAT_SETUPFILEXFER, MSG_SET, &setup);
    if (rc != TWRC_SUCCESS) {
        reason = FailureText(DG_CONTROL, DAT_SETUPFILEXFER, MSG_SET, rc);
        return TransferResult::Failed;
    }
    rc = CallSource(DG_IMAGE, DAT_IMAGEFILEXFER, MSG_GET, nullptr);
    if (rc == TWRC_CANCEL)
        return TransferResult::Cancelled;
    if (rc != TWRC_XFERDONE) {
        reason = FailureText(DG_IMAGE, DAT_IMAGEFILEXFER, MSG_GET, rc);
        return TransferResult::Failed;
    }
    return ReadBmpShape(full, delivered, reason) ? TransferResult::Saved : TransferResult::Failed;
}

} // namespace

std::string MismatchText(const TW_IMAGEINFO& info, const ImageShape& delivered)
{
    return "the source announced " + std::to_string(info.ImageWidth) + "x" +
           std::to_string(info.ImageLength) + ", " + std::to_string(info.BitsPerPixel) +
           " bits but delivered " + std::to_string(delivered.width) + "x" +
           std::to_string(delivered.height) + ", " + std::to_string(delivered.bits) + " bits";
}

bool Matches(const TW_IMAGEINFO& info, const ImageShape& delivered)
{
    return delivered.width == info.ImageWidth && delivered.height == info.ImageLength &&
           delivered.bits == info.BitsPerPixel;
}

bool CanSave(const TW_IMAGEINFO& info)
{
    switch (info.BitsPerPixel) {
    case 1:
    case 4:
    case 8:
    case 24:
        return true;
    default:
        return false;
    }
}

TransferResult TransferImage(TW_UINT16 mechanism, const TW_IMAGEINFO& info, const std::string& path,
                             ImageShape& delivered, std::string& reason)
{
    switch (mechanism) {
    case TWSX_MEMORY:
        return TransferMemory(info, path, delivered, reason);
    case TWSX_FILE:
        return TransferFile(path, delivered, reason);
    default:
        return TransferNative(path, delivered, reason);
    }
}
