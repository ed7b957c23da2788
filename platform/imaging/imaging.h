// The imaging library: the kernel LTKRN60N.dll (bitmaps in memory, direct
// pixel access, painting, palettes, colour-resolution conversion) and the file
// library LTFIL60N.dll (loading BMP files). The caller owns the BitmapHandle
// record; the library owns the pixel memory it points to until L_FreeBitmap.
//
// Pixels are stored as a BMP stores them: rows bottom-up (row 0 is the bottom
// row), each row bytesPerLine bytes long (padded to 4 bytes), rows one after
// the other. 1, 4 and 8 bits per pixel are palette indices into `palette`
// (the leftmost pixel in the most significant bits of a byte); 16 bits are
// 5-5-5 (blue in the low bits); 24 bits are three bytes per pixel and 32 bits
// four (the fourth unused), in the byte order `order` says.
#pragma once

#include <windows.h>
#include <cstddef>
#include <cstdint>

// Results: 1 on success, a negative code otherwise.
enum ImagingResult : int {
    kImagingSuccess = 1,
    kImagingNoMemory = -1,
    kImagingNoBitmap = -2,        // null handle, or nothing allocated in it
    kImagingFileNotFound = -3,    // the file cannot be opened
    kImagingFileRead = -4,        // reading failed, or the file is shorter than its headers say
    kImagingFileFormat = -5,      // not a BMP, or headers that contradict themselves
    kImagingUnsupported = -6,     // a BMP variant this library does not decode
    kImagingTooLarge = -7,        // dimensions beyond kImagingMaxDimension or kImagingMaxDataSize
    kImagingInvalidParameter = -8,
    kImagingAccessActive = -9,    // the pixels are being accessed directly: cannot move them now
    kImagingPaintFailed = -10,
};

// Byte order of 24- and 32-bit pixels.
constexpr int kOrderRgb = 0;
constexpr int kOrderBgr = 1; // as a BMP stores them

// L_LoadFile flags: both are required.
constexpr unsigned kLoadAllocate = 1;
constexpr unsigned kLoadStore = 2;

// L_ColorResBitmap flag: map every pixel to the nearest colour of the given table.
constexpr unsigned kColorResUseColours = 16;

// Limits of what the library allocates.
constexpr int kImagingMaxDimension = 32767;
constexpr uint32_t kImagingMaxDataSize = 256u * 1024 * 1024;

#pragma pack(push, 1)

struct BitmapHandle {
    uint32_t structSize;   // sizeof(BitmapHandle) while the record holds a bitmap
    int32_t width;         // pixels
    int32_t height;        // pixels
    int32_t bitsPerPixel;  // 1, 4, 8, 16, 24 or 32
    int32_t bytesPerLine;  // row length in the pixel memory, a multiple of 4
    uint32_t allocated;    // 1 while pixel memory is allocated, else 0
    uint32_t dataSize;     // bytesPerLine * height
    int32_t order;         // kOrderBgr or kOrderRgb (24 and 32 bits; kOrderBgr otherwise)
    uint32_t colourCount;  // palette entries in use (1 to 2^bitsPerPixel), 0 above 8 bits
    int32_t accessCount;   // nesting depth of L_BeginAccess
    RGBQUAD palette[256];
    uint8_t* data;         // the pixels, valid between L_BeginAccess and L_EndAccess, else null
    HGLOBAL memory;        // the library's pixel memory
};

static_assert(offsetof(BitmapHandle, structSize) == 0);
static_assert(offsetof(BitmapHandle, width) == 4);
static_assert(offsetof(BitmapHandle, height) == 8);
static_assert(offsetof(BitmapHandle, bitsPerPixel) == 12);
static_assert(offsetof(BitmapHandle, bytesPerLine) == 16);
static_assert(offsetof(BitmapHandle, allocated) == 20);
static_assert(offsetof(BitmapHandle, dataSize) == 24);
static_assert(offsetof(BitmapHandle, order) == 28);
static_assert(offsetof(BitmapHandle, colourCount) == 32);
static_assert(offsetof(BitmapHandle, accessCount) == 36);
static_assert(offsetof(BitmapHandle, palette) == 40);
static_assert(offsetof(BitmapHandle, data) == 1064);
static_assert(offsetof(BitmapHandle, memory) == 1064 + sizeof(void*));
static_assert(sizeof(BitmapHandle) == 1064 + 2 * sizeof(void*));

#pragma pack(pop)

// A bitmap is present when its record holds one.
inline bool BitmapPresent(const BitmapHandle* bitmap)
{
    return bitmap && bitmap->structSize == sizeof(BitmapHandle) && bitmap->allocated;
}

// Row length in bytes of a bitmap row: whole 32-bit words.
constexpr int64_t BitmapRowBytes(int64_t width, int bitsPerPixel)
{
    return (width * bitsPerPixel + 31) / 32 * 4;
}

// Unused callback slot of L_LoadFile and L_ColorResBitmap; pass null.
typedef int(WINAPI* ImagingCallback)(BitmapHandle* bitmap, void* userData);

extern "C" {

// LTFIL60N.dll

// Ordinal 102. Loads a BMP file (1, 4, 8, 16, 24 or 32 bits, RLE4, RLE8, bit
// fields, bottom-up or top-down, Windows or OS/2 headers) into `bitmap`, which
// is overwritten as output (whatever it held is not freed). bitsPerPixel 0
// keeps the depth stored in the file (16-bit bit fields become 5-5-5, 32-bit
// bit fields become 8-8-8); 1, 4, 8, 16, 24 or 32 converts. order kOrderBgr or
// kOrderRgb; flags kLoadAllocate | kLoadStore. On failure the record is left
// empty (nothing allocated) and the result is negative.
int WINAPI L_LoadFile(const char* path, BitmapHandle* bitmap, int bitsPerPixel, int order,
                      unsigned flags, ImagingCallback callback, void* userData);

// LTKRN60N.dll

// Allocates zeroed pixels for a bitmap of the given size and depth; the record
// is overwritten as output. Palette bitmaps get a gray ramp of 2^bitsPerPixel
// entries, which the caller may replace (palette, colourCount).
int WINAPI L_AllocateBitmap(BitmapHandle* bitmap, int width, int height, int bitsPerPixel,
                            int order);

// Ordinal 134. Releases the pixel memory and empties the record. Harmless on
// an empty record or null; also ends any direct access still open.
void WINAPI L_FreeBitmap(BitmapHandle* bitmap);

// Ordinal 100. Begins direct access: `data` points to the pixels until the
// matching L_EndAccess. Calls nest.
int WINAPI L_BeginAccess(BitmapHandle* bitmap);
// Ordinal 159. Ends one level of direct access; `data` is null after the last.
int WINAPI L_EndAccess(BitmapHandle* bitmap);

// Ordinal 148. Paints the source rectangle of the bitmap (null: the whole
// bitmap; top-down coordinates, row 0 at the top as seen) stretched into the
// destination rectangle (null: the bitmap's size at the origin), in logical
// coordinates of hdc. A source clip (null: none) paints only the part of the
// source inside it, where it falls in the stretched destination; a destination
// clip (null: none) limits painting to that rectangle. rop is a raster
// operation such as SRCCOPY.
int WINAPI L_PaintDC(HDC hdc, BitmapHandle* bitmap, const RECT* source, const RECT* sourceClip,
                     const RECT* destination, const RECT* destinationClip, DWORD rop);

// A palette for painting the bitmap on a palette display: the bitmap's own
// colours for palette bitmaps, else a halftone palette. The caller deletes it.
// Null for a null bitmap pointer.
HPALETTE WINAPI L_CreatePaintPalette(HDC hdc, BitmapHandle* bitmap);

// Ordinal 109. Converts `source` to bitsPerPixel (1, 4, 8, 16, 24 or 32) into
// `destination`, which may be the same record (converted in place; refused
// while direct access is open) or another (overwritten as output). To 1, 4 or
// 8 bits: with kColorResUseColours in flags, every pixel becomes the index of
// the nearest of `colours` (colourCount entries, 1 to 2^bitsPerPixel); without
// it, a fixed palette (black and white; the 16 VGA colours; a 6x6x6 colour
// cube and a 40-step gray ramp). callback and userData are unused.
int WINAPI L_ColorResBitmap(BitmapHandle* source, BitmapHandle* destination, int bitsPerPixel,
                            unsigned flags, const RGBQUAD* colours, unsigned colourCount,
                            ImagingCallback callback, void* userData);

} // extern "C"

// Function pointer types, for binding by GetProcAddress.
typedef int(WINAPI* LoadFileProc)(const char*, BitmapHandle*, int, int, unsigned, ImagingCallback,
                                  void*);
typedef void(WINAPI* FreeBitmapProc)(BitmapHandle*);
typedef int(WINAPI* AccessProc)(BitmapHandle*);
typedef int(WINAPI* PaintDCProc)(HDC, BitmapHandle*, const RECT*, const RECT*, const RECT*,
                                 const RECT*, DWORD);
typedef HPALETTE(WINAPI* CreatePaintPaletteProc)(HDC, BitmapHandle*);
typedef int(WINAPI* ColorResBitmapProc)(BitmapHandle*, BitmapHandle*, int, unsigned,
                                        const RGBQUAD*, unsigned, ImagingCallback, void*);

// Ordinals of the exports.
constexpr int kOrdinalLoadFile = 102;       // LTFIL60N.dll
constexpr int kOrdinalBeginAccess = 100;    // LTKRN60N.dll
constexpr int kOrdinalColorRes = 109;
constexpr int kOrdinalFreeBitmap = 134;
constexpr int kOrdinalPaintDC = 148;
constexpr int kOrdinalEndAccess = 159;
