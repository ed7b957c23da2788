// Colour-resolution conversion: a bitmap to another depth, palette depths by
// nearest colour of a given or a fixed colour table.
#include <array>
#include <cstring>

#include "bitmapmemory.h"
#include "pixels.h"

namespace {

constexpr std::array<RGBQUAD, 16> kVgaColours = {{
    {0, 0, 0, 0},       {0, 0, 128, 0},   {0, 128, 0, 0},   {0, 128, 128, 0},
    {128, 0, 0, 0},     {128, 0, 128, 0}, {128, 128, 0, 0}, {192, 192, 192, 0},
    {128, 128, 128, 0}, {0, 0, 255, 0},   {0, 255, 0, 0},   {0, 255, 255, 0},
    {255, 0, 0, 0},     {255, 0, 255, 0}, {255, 255, 0, 0}, {255, 255, 255, 0},
}};

// A 6x6x6 colour cube followed by a 40-step gray ramp.
constexpr std::array<RGBQUAD, 256> MakeCubeColours()
{
    std::array<RGBQUAD, 256> table{};
    int i = 0;
    for (int r = 0; r < 6; ++r)
        for (int g = 0; g < 6; ++g)
            for (int b = 0; b < 6; ++b)
                table[i++] = RGBQUAD{static_cast<BYTE>(b * 51), static_cast<BYTE>(g * 51),
                                     static_cast<BYTE>(r * 51), 0};
    for (int k = 0; k < 40; ++k) {
        const BYTE level = static_cast<BYTE>(k * 255 / 39);
        table[i++] = RGBQUAD{level, level, level, 0};
    }
    return table;
}
constexpr std::array<RGBQUAD, 256> kCubeColours = MakeCubeColours();
constexpr RGBQUAD kBlackWhite[2] = {{0, 0, 0, 0}, {255, 255, 255, 0}};

// Nearest entry by squared distance; the first of equals wins.
unsigned Nearest(const RGBQUAD* table, unsigned count, Colour c)
{
    unsigned best = 0;
    int bestDistance = 0x7FFFFFFF;
    for (unsigned i = 0; i < count && bestDistance > 0; ++i) {
        const int dr = table[i].rgbRed - c.red;
        const int dg = table[i].rgbGreen - c.green;
        const int db = table[i].rgbBlue - c.blue;
        const int distance = dr * dr + dg * dg + db * db;
        if (distance < bestDistance) {
            bestDistance = distance;
            best = i;
        }
    }
    return best;
}

// Fills target (already allocated) from source, pixel by pixel.
void ConvertPixels(const BitmapHandle* source, BitmapHandle* target)
{
    PixelLock from(source);
    PixelLock to(target);
    const int width = source->width;
    const bool toPalette = target->bitsPerPixel <= 8;
    const bool fromPalette = source->bitsPerPixel <= 8;
    // A palette source has at most 256 colours: map each once.
    std::array<unsigned, 256> indexMap{};
    if (toPalette && fromPalette)
        for (unsigned i = 0; i < 256; ++i)
            indexMap[i] = Nearest(target->palette, PaletteSize(target), PaletteColour(source, i));
    for (int y = 0; y < source->height; ++y) {
        const uint8_t* in = from.row(source, y);
        uint8_t* out = to.row(target, y);
        bool haveLast = false;
        Colour last{};
        unsigned lastIndex = 0;
        for (int x = 0; x < width; ++x) {
            if (toPalette && fromPalette) {
                SetPixelIndex(out, target->bitsPerPixel, x,
                              indexMap[PixelIndex(in, source->bitsPerPixel, x)]);
                continue;
            }
            const Colour c = ReadPixel(source, in, x);
            if (!toPalette) {
                WriteDirectPixel(target, out, x, c);
                continue;
            }
            if (!haveLast || c.red != last.red || c.green != last.green || c.blue != last.blue) {
                lastIndex = Nearest(target->palette, PaletteSize(target), c);
                last = c;
                haveLast = true;
            }
            SetPixelIndex(out, target->bitsPerPixel, x, lastIndex);
        }
    }
}

} // namespace

extern "C" int WINAPI L_ColorResBitmap(BitmapHandle* source, BitmapHandle* destination,
                                       int bitsPerPixel, unsigned flags, const RGBQUAD* colours,
                                       unsigned colourCount, ImagingCallback, void*)
{
    if (!BitmapPresent(source) || !destination)
        return kImagingNoBitmap;
    if (!ValidDepth(bitsPerPixel) || !BitmapConsistent(source))
        return kImagingInvalidParameter;
    const bool useColours = (flags & kColorResUseColours) != 0 && bitsPerPixel <= 8;
    if (useColours && (!colours || colourCount == 0 || colourCount > (1u << bitsPerPixel)))
        return kImagingInvalidParameter;
    // In place the pixel memory is replaced: a pointer held by a caller would dangle.
    if (destination == source && source->accessCount > 0)
        return kImagingAccessActive;

    const bool sameDepth = bitsPerPixel == source->bitsPerPixel && !useColours;
    if (sameDepth && destination == source)
        return kImagingSuccess;

    BitmapHandle converted;
    const int order = source->bitsPerPixel >= 24 ? source->order : kOrderBgr;
    int result = AllocatePixels(&converted, source->width, source->height, bitsPerPixel, order);
    if (result != kImagingSuccess)
        return result;
    if (bitsPerPixel <= 8) {
        const RGBQUAD* table = colours;
        unsigned count = colourCount;
        if (!useColours) {
            if (sameDepth) {
                table = source->palette;
                count = PaletteSize(source);
            } else if (bitsPerPixel == 1) {
                table = kBlackWhite;
                count = 2;
            } else if (bitsPerPixel == 4) {
                table = kVgaColours.data();
                count = kVgaColours.size();
            } else {
                table = kCubeColours.data();
                count = kCubeColours.size();
            }
        }
        std::memset(converted.palette, 0, sizeof converted.palette);
        std::memcpy(converted.palette, table, count * sizeof(RGBQUAD));
        converted.colourCount = count;
    }
    if (sameDepth) {
        PixelLock from(source);
        PixelLock to(&converted);
        std::memcpy(to.pixels(), from.pixels(), source->dataSize);
    } else {
        ConvertPixels(source, &converted);
    }
    if (destination == source)
        L_FreeBitmap(source);
    *destination = converted;
    return kImagingSuccess;
}
