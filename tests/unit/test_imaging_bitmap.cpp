// Bitmaps in memory: allocation, direct access, release, colour-resolution
// conversion, and the exports by ordinal.
#include <gtest/gtest.h>

#include "imagingfiles.h"

namespace {

// A 24-bit bitmap whose pixels (x, y from the top) have the given colours.
void Make24(BitmapHandle* bitmap, int width, int height,
            const std::function<uint32_t(int, int)>& colour)
{
    ASSERT_EQ(kImagingSuccess, L_AllocateBitmap(bitmap, width, height, 24, kOrderBgr));
    ASSERT_EQ(kImagingSuccess, L_BeginAccess(bitmap));
    for (int y = 0; y < height; ++y) {
        uint8_t* row = bitmap->data + static_cast<size_t>(height - 1 - y) * bitmap->bytesPerLine;
        for (int x = 0; x < width; ++x) {
            const uint32_t c = colour(x, y);
            row[3 * x] = static_cast<uint8_t>(c);
            row[3 * x + 1] = static_cast<uint8_t>(c >> 8);
            row[3 * x + 2] = static_cast<uint8_t>(c >> 16);
        }
    }
    L_EndAccess(bitmap);
}

RGBQUAD Quad(uint32_t rgb)
{
    return RGBQUAD{static_cast<BYTE>(rgb), static_cast<BYTE>(rgb >> 8),
                   static_cast<BYTE>(rgb >> 16), 0};
}

class BitmapTest : public ::testing::Test {
protected:
    BitmapHandle bitmap{};
    BitmapHandle other{};
    void TearDown() override
    {
        L_FreeBitmap(&bitmap);
        L_FreeBitmap(&other);
    }
};

} // namespace

TEST_F(BitmapTest, AllocationGivesZeroedPixelsAndAGrayPalette)
{
    ASSERT_EQ(kImagingSuccess, L_AllocateBitmap(&bitmap, 10, 3, 8, kOrderBgr));
    EXPECT_TRUE(BitmapPresent(&bitmap));
    EXPECT_EQ(12, bitmap.bytesPerLine);
    EXPECT_EQ(36u, bitmap.dataSize);
    EXPECT_EQ(256u, bitmap.colourCount);
    EXPECT_EQ(0, bitmap.palette[0].rgbRed);
    EXPECT_EQ(128, bitmap.palette[128].rgbGreen);
    EXPECT_EQ(255, bitmap.palette[255].rgbBlue);
    ASSERT_EQ(kImagingSuccess, L_BeginAccess(&bitmap));
    for (uint32_t i = 0; i < bitmap.dataSize; ++i)
        ASSERT_EQ(0, bitmap.data[i]);
    L_EndAccess(&bitmap);

    struct Case {
        int width, height, bits, order, expected;
    };
    for (const Case c : {Case{0, 1, 8, 1, kImagingInvalidParameter},
                         Case{1, -1, 8, 1, kImagingInvalidParameter},
                         Case{1, 1, 12, 1, kImagingInvalidParameter},
                         Case{1, 1, 24, 3, kImagingInvalidParameter},
                         Case{40000, 1, 8, 1, kImagingTooLarge},
                         Case{30000, 30000, 24, 1, kImagingTooLarge}}) {
        EXPECT_EQ(c.expected, L_AllocateBitmap(&other, c.width, c.height, c.bits, c.order))
            << c.width << "x" << c.height << "x" << c.bits;
        EXPECT_FALSE(BitmapPresent(&other));
    }
    EXPECT_EQ(kImagingNoBitmap, L_AllocateBitmap(nullptr, 1, 1, 8, 1));
}

TEST_F(BitmapTest, DirectAccessNestsAndShowsThePixelsOnlyWhileOpen)
{
    ASSERT_EQ(kImagingSuccess, L_AllocateBitmap(&bitmap, 4, 4, 24, kOrderBgr));
    EXPECT_EQ(nullptr, bitmap.data);
    ASSERT_EQ(kImagingSuccess, L_BeginAccess(&bitmap));
    uint8_t* pixels = bitmap.data;
    ASSERT_NE(nullptr, pixels);
    pixels[5] = 0xAB;
    ASSERT_EQ(kImagingSuccess, L_BeginAccess(&bitmap));
    EXPECT_EQ(2, bitmap.accessCount);
    EXPECT_EQ(pixels, bitmap.data);
    EXPECT_EQ(kImagingSuccess, L_EndAccess(&bitmap));
    EXPECT_EQ(pixels, bitmap.data) << "still open once";
    EXPECT_EQ(kImagingSuccess, L_EndAccess(&bitmap));
    EXPECT_EQ(nullptr, bitmap.data);
    EXPECT_EQ(kImagingInvalidParameter, L_EndAccess(&bitmap)) << "an end without a begin";
    ASSERT_EQ(kImagingSuccess, L_BeginAccess(&bitmap));
    EXPECT_EQ(0xAB, bitmap.data[5]) << "the pixels keep what was written";
    L_EndAccess(&bitmap);

    EXPECT_EQ(kImagingNoBitmap, L_BeginAccess(&other));
    EXPECT_EQ(kImagingNoBitmap, L_EndAccess(&other));
    EXPECT_EQ(kImagingNoBitmap, L_BeginAccess(nullptr));
}

TEST_F(BitmapTest, FreeingEmptiesTheRecordAndIsHarmlessTwice)
{
    ASSERT_EQ(kImagingSuccess, L_AllocateBitmap(&bitmap, 4, 4, 8, kOrderBgr));
    ASSERT_EQ(kImagingSuccess, L_BeginAccess(&bitmap)); // left open
    L_FreeBitmap(&bitmap);
    EXPECT_FALSE(BitmapPresent(&bitmap));
    EXPECT_EQ(0u, bitmap.allocated);
    EXPECT_EQ(nullptr, bitmap.data);
    EXPECT_EQ(nullptr, bitmap.memory);
    L_FreeBitmap(&bitmap);
    L_FreeBitmap(&other);
    L_FreeBitmap(nullptr);
}

TEST_F(BitmapTest, ConversionToAGivenColourTableTakesTheNearestColour)
{
    const uint32_t colours[2][3] = {{0xFA0505, 0x000000, 0x0AF014}, {0xFFFFFF, 0x808080, 0x00FF00}};
    Make24(&bitmap, 3, 2, [&](int x, int y) { return colours[y][x]; });
    const RGBQUAD table[4] = {Quad(0x000000), Quad(0xFF0000), Quad(0x00FF00), Quad(0xFFFFFF)};

    for (int bits : {8, 4}) {
        SCOPED_TRACE(bits);
        ASSERT_EQ(kImagingSuccess,
                  L_ColorResBitmap(&bitmap, &other, bits, kColorResUseColours, table, 4, nullptr,
                                   nullptr));
        EXPECT_EQ(bits, other.bitsPerPixel);
        EXPECT_EQ(4u, other.colourCount);
        EXPECT_EQ(BitmapRowBytes(3, bits), other.bytesPerLine);
        EXPECT_EQ(static_cast<uint32_t>(other.bytesPerLine * 2), other.dataSize);
        EXPECT_EQ(0xFF, other.palette[1].rgbRed);
        ASSERT_EQ(kImagingSuccess, L_BeginAccess(&other));
        const uint32_t expected[2][3] = {{1, 0, 2}, {3, 3, 2}};
        for (int y = 0; y < 2; ++y)
            for (int x = 0; x < 3; ++x)
                EXPECT_EQ(expected[y][x], PixelValue(other, x, y)) << x << "," << y;
        L_EndAccess(&other);
        L_FreeBitmap(&other);
    }
    EXPECT_EQ(24, bitmap.bitsPerPixel) << "a separate destination leaves the source";

    // In place, as the preview is reduced for a palette display.
    ASSERT_EQ(kImagingSuccess,
              L_ColorResBitmap(&bitmap, &bitmap, 8, kColorResUseColours, table, 4, nullptr,
                               nullptr));
    EXPECT_EQ(8, bitmap.bitsPerPixel);
    EXPECT_EQ(4, bitmap.bytesPerLine);
    EXPECT_EQ(8u, bitmap.dataSize);
    ASSERT_EQ(kImagingSuccess, L_BeginAccess(&bitmap));
    EXPECT_EQ(1u, PixelValue(bitmap, 0, 0));
    EXPECT_EQ(3u, PixelValue(bitmap, 0, 1));
    L_EndAccess(&bitmap);

    // Palette to palette maps each colour once.
    const RGBQUAD swapped[2] = {Quad(0xFFFFFF), Quad(0x000000)};
    ASSERT_EQ(kImagingSuccess,
              L_ColorResBitmap(&bitmap, &bitmap, 1, kColorResUseColours, swapped, 2, nullptr,
                               nullptr));
    ASSERT_EQ(kImagingSuccess, L_BeginAccess(&bitmap));
    EXPECT_EQ(1u, PixelValue(bitmap, 1, 0)) << "black";
    EXPECT_EQ(0u, PixelValue(bitmap, 0, 1)) << "white";
    L_EndAccess(&bitmap);
}

TEST_F(BitmapTest, ConversionBetweenDirectDepthsAndToTheFixedPalettes)
{
    const uint32_t colours[3] = {0xFF0000, 0x336699, 0xFFFFFF};
    Make24(&bitmap, 3, 1, [&](int x, int) { return colours[x]; });
    struct Case {
        int bits;
        uint32_t expected[3];
        unsigned colourCount;
    };
    const Case cases[] = {
        {32, {0xFF0000, 0x336699, 0xFFFFFF}, 0},
        {24, {0xFF0000, 0x336699, 0xFFFFFF}, 0},
        {16, {0xFF0000, 0x31639C, 0xFFFFFF}, 0},
        {8, {0xFF0000, 0x336699, 0xFFFFFF}, 256}, // all in the colour cube
        {4, {0xFF0000, 0x008080, 0xFFFFFF}, 16},  // VGA colours
        {1, {0x000000, 0x000000, 0xFFFFFF}, 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.bits);
        ASSERT_EQ(kImagingSuccess,
                  L_ColorResBitmap(&bitmap, &other, c.bits, 0, nullptr, 0, nullptr, nullptr));
        EXPECT_EQ(c.bits, other.bitsPerPixel);
        EXPECT_EQ(c.colourCount, other.colourCount);
        ASSERT_EQ(kImagingSuccess, L_BeginAccess(&other));
        for (int x = 0; x < 3; ++x)
            EXPECT_EQ(c.expected[x], PixelColour(other, x, 0)) << x;
        L_EndAccess(&other);
        L_FreeBitmap(&other);
    }
}

TEST_F(BitmapTest, ConversionRefusals)
{
    Make24(&bitmap, 2, 2, [](int, int) { return 0x123456u; });
    RGBQUAD table[17] = {};
    struct Case {
        const char* name;
        int bits;
        unsigned flags;
        const RGBQUAD* colours;
        unsigned count;
        int expected;
    };
    for (const Case& c : {Case{"depth 12", 12, 0, nullptr, 0, kImagingInvalidParameter},
                          Case{"no colours", 8, kColorResUseColours, nullptr, 4,
                               kImagingInvalidParameter},
                          Case{"zero colours", 8, kColorResUseColours, table, 0,
                               kImagingInvalidParameter},
                          Case{"17 colours in 4 bits", 4, kColorResUseColours, table, 17,
                               kImagingInvalidParameter}}) {
        EXPECT_EQ(c.expected, L_ColorResBitmap(&bitmap, &bitmap, c.bits, c.flags, c.colours,
                                               c.count, nullptr, nullptr))
            << c.name;
        EXPECT_EQ(24, bitmap.bitsPerPixel) << c.name;
    }

    // While the caller holds the pixel address the pixels cannot move.
    ASSERT_EQ(kImagingSuccess, L_BeginAccess(&bitmap));
    uint8_t* pixels = bitmap.data;
    EXPECT_EQ(kImagingAccessActive,
              L_ColorResBitmap(&bitmap, &bitmap, 8, 0, nullptr, 0, nullptr, nullptr));
    EXPECT_EQ(24, bitmap.bitsPerPixel);
    EXPECT_EQ(pixels, bitmap.data);
    EXPECT_EQ(0x56, pixels[0]);
    L_EndAccess(&bitmap);

    EXPECT_EQ(kImagingNoBitmap, L_ColorResBitmap(&other, &bitmap, 8, 0, nullptr, 0, nullptr, nullptr));
    EXPECT_EQ(kImagingNoBitmap, L_ColorResBitmap(&bitmap, nullptr, 8, 0, nullptr, 0, nullptr, nullptr));
}

TEST(ImagingExports, OrdinalsReachTheNamedFunctions)
{
    struct Case {
        const char* library;
        int ordinal;
        const char* name;
    };
    const Case cases[] = {
        {"LTFIL60N.dll", kOrdinalLoadFile, "L_LoadFile"},
        {"LTKRN60N.dll", kOrdinalBeginAccess, "L_BeginAccess"},
        {"LTKRN60N.dll", kOrdinalColorRes, "L_ColorResBitmap"},
        {"LTKRN60N.dll", kOrdinalFreeBitmap, "L_FreeBitmap"},
        {"LTKRN60N.dll", kOrdinalPaintDC, "L_PaintDC"},
        {"LTKRN60N.dll", kOrdinalEndAccess, "L_EndAccess"},
    };
    for (const Case& c : cases) {
        HMODULE module = GetModuleHandleA(c.library);
        ASSERT_NE(nullptr, module) << c.library;
        FARPROC byName = GetProcAddress(module, c.name);
        ASSERT_NE(nullptr, byName) << c.name;
        EXPECT_EQ(byName, GetProcAddress(module, MAKEINTRESOURCEA(c.ordinal))) << c.name;
    }
}

TEST_F(BitmapTest, SizeFieldsChangedByTheCallerAreNeverReadBeyondThePixels)
{
    ASSERT_EQ(kImagingSuccess, L_AllocateBitmap(&bitmap, 4, 4, 24, kOrderBgr));
    HDC dc = CreateCompatibleDC(nullptr);
    using Edit = void (*)(BitmapHandle&);
    const Edit edits[] = {
        [](BitmapHandle& b) { b.width = 1000; },
        [](BitmapHandle& b) { b.height = 1000; },
        [](BitmapHandle& b) { b.bitsPerPixel = 32; },
        [](BitmapHandle& b) { b.bytesPerLine = 4000; },
        [](BitmapHandle& b) { b.dataSize = 100000; },
    };
    for (Edit edit : edits) {
        BitmapHandle changed = bitmap;
        edit(changed);
        EXPECT_EQ(kImagingInvalidParameter,
                  L_PaintDC(dc, &changed, nullptr, nullptr, nullptr, nullptr, SRCCOPY));
        EXPECT_EQ(kImagingInvalidParameter,
                  L_ColorResBitmap(&changed, &other, 8, 0, nullptr, 0, nullptr, nullptr));
        EXPECT_FALSE(BitmapPresent(&other));
    }
    DeleteDC(dc);
}
