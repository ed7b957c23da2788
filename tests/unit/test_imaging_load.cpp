// Loading BMP files with L_LoadFile: every depth and header the format
// allows, the pixels bottom-up as stored, and hostile files failing cleanly.
#include <gtest/gtest.h>

#include <climits>

#include "imagingfiles.h"

namespace {

// A palette of distinct colours.
std::vector<RGBQUAD> TestPalette(unsigned count)
{
    std::vector<RGBQUAD> palette(count);
    for (unsigned i = 0; i < count; ++i)
        palette[i] = RGBQUAD{static_cast<BYTE>(i * 7 + 1), static_cast<BYTE>(255 - i),
                             static_cast<BYTE>(i * 3), 0};
    return palette;
}

uint32_t PatternFor(int bitsPerPixel, int x, int y)
{
    switch (bitsPerPixel) {
    case 1: return (x + y) % 2 == 0 || x == 9;
    case 4: return (x * 3 + y * 5 + 1) % 16;
    case 8: return (x * 37 + y * 11 + 5) % 256;
    case 16: return ((x * 3) << 10) | ((y * 7) << 5) | ((x + y) % 32);
    default: return ((x * 40 + 5) & 255) << 16 | ((y * 50 + 9) & 255) << 8 | ((x + y) * 30 & 255);
    }
}

bool RecordEmpty(const BitmapHandle& bitmap)
{
    return bitmap.allocated == 0 && bitmap.memory == nullptr && bitmap.data == nullptr &&
           bitmap.structSize == 0;
}

int Load(const std::string& path, BitmapHandle* bitmap, int bitsPerPixel = 0,
         int order = kOrderBgr)
{
    return L_LoadFile(path.c_str(), bitmap, bitsPerPixel, order, kLoadAllocate | kLoadStore,
                      nullptr, nullptr);
}

struct Access {
    explicit Access(BitmapHandle* bitmap) : bitmap(bitmap) { L_BeginAccess(bitmap); }
    ~Access() { L_EndAccess(bitmap); }
    BitmapHandle* bitmap;
};

class LoadFileTest : public ::testing::Test {
protected:
    TempFolder folder;
    BitmapHandle bitmap{};
    void TearDown() override { L_FreeBitmap(&bitmap); }
};

struct DepthCase {
    const char* name;
    int bitsPerPixel;
    int width;
    int height; // negative: top-down file
    uint32_t headerSize;
    unsigned colours; // palette entries written (0: none)
};

constexpr DepthCase kDepthCases[] = {
    {"1 bit", 1, 13, 5, 40, 2},
    {"1 bit top-down", 1, 13, -5, 40, 2},
    {"4 bits", 4, 7, 4, 40, 16},
    {"4 bits, 9 colours used", 4, 7, 4, 40, 9},
    {"8 bits", 8, 5, 3, 40, 256},
    {"8 bits top-down", 8, 5, -3, 40, 256},
    {"8 bits, V5 header", 8, 6, 3, 124, 256},
    {"8 bits, OS/2 header", 8, 5, 3, 12, 256},
    {"16 bits 5-5-5", 16, 6, 3, 40, 0},
    {"24 bits", 24, 5, 4, 40, 0},
    {"24 bits top-down", 24, 5, -4, 40, 0},
    {"24 bits, V4 header", 24, 3, 2, 108, 0},
    {"24 bits, OS/2 header", 24, 5, 4, 12, 0},
    {"32 bits", 32, 3, 2, 40, 0},
    {"32 bits top-down", 32, 3, -2, 40, 0},
};

} // namespace

TEST_F(LoadFileTest, EveryDepthKeepsItsPixelsBottomUpAndItsPalette)
{
    for (const DepthCase& c : kDepthCases) {
        SCOPED_TRACE(c.name);
        BmpLayout layout;
        layout.width = c.width;
        layout.height = c.height;
        layout.bitsPerPixel = c.bitsPerPixel;
        layout.headerSize = c.headerSize;
        layout.palette = TestPalette(c.colours);
        const int bits = c.bitsPerPixel;
        const unsigned colours = c.colours;
        layout.pixels = StoredRows(c.width, c.height, bits, [bits, colours](int x, int y) {
            const uint32_t v = PatternFor(bits, x, y);
            return colours ? v % colours : v;
        });
        const std::string path = folder.Write("depth.bmp", BuildBmp(layout));

        ASSERT_EQ(kImagingSuccess, Load(path, &bitmap));
        const int height = c.height < 0 ? -c.height : c.height;
        EXPECT_EQ(sizeof(BitmapHandle), bitmap.structSize);
        EXPECT_EQ(1u, bitmap.allocated);
        EXPECT_EQ(c.width, bitmap.width);
        EXPECT_EQ(height, bitmap.height);
        EXPECT_EQ(c.bitsPerPixel, bitmap.bitsPerPixel);
        EXPECT_EQ((c.width * c.bitsPerPixel + 31) / 32 * 4, bitmap.bytesPerLine);
        EXPECT_EQ(static_cast<uint32_t>(bitmap.bytesPerLine * height), bitmap.dataSize);
        EXPECT_EQ(kOrderBgr, bitmap.order);
        EXPECT_EQ(c.colours, bitmap.colourCount);
        for (unsigned i = 0; i < c.colours; ++i) {
            EXPECT_EQ(layout.palette[i].rgbRed, bitmap.palette[i].rgbRed) << i;
            EXPECT_EQ(layout.palette[i].rgbGreen, bitmap.palette[i].rgbGreen) << i;
            EXPECT_EQ(layout.palette[i].rgbBlue, bitmap.palette[i].rgbBlue) << i;
        }
        {
            Access access(&bitmap);
            ASSERT_NE(nullptr, bitmap.data);
            for (int y = 0; y < height; ++y)
                for (int x = 0; x < c.width; ++x) {
                    const uint32_t v = PatternFor(bits, x, y);
                    ASSERT_EQ(colours ? v % colours : v, PixelValue(bitmap, x, y))
                        << "x " << x << " y " << y;
                }
            // Row 0 of the memory is the bottom row of the picture.
            const uint8_t* bottom = bitmap.data;
            const uint8_t* top = bitmap.data + (height - 1) * bitmap.bytesPerLine;
            if (c.bitsPerPixel == 8) {
                EXPECT_EQ(PatternFor(8, 0, height - 1) % colours, bottom[0]);
                EXPECT_EQ(PatternFor(8, 0, 0) % colours, top[0]);
            }
            if (c.bitsPerPixel == 32 && c.headerSize == 40) {
                EXPECT_EQ(0x5A, bottom[3]) << "the fourth byte is kept as stored";
            }
        }
        L_FreeBitmap(&bitmap);
    }
}

TEST_F(LoadFileTest, RunLengthEncodedFilesAreDecodedWithTheirPalette)
{
    struct Case {
        const char* name;
        int bitsPerPixel;
        uint32_t compression;
        int width, height;
        std::vector<uint8_t> stream;
        std::vector<std::vector<uint32_t>> rowsFromTop;
    };
    const Case cases[] = {
        {"RLE8", 8, BI_RLE8, 4, 3,
         {4, 7, 0, 0,                      // bottom row: four 7s
          0, 3, 10, 11, 12, 0, 1, 9, 0, 0, // literal 10 11 12 (padded), then 9
          2, 5, 0, 2, 1, 0, 1, 6, 0, 1},   // 5 5, skip one, 6, end of bitmap
         {{5, 5, 0, 6}, {10, 11, 12, 9}, {7, 7, 7, 7}}},
        {"RLE4", 4, BI_RLE4, 4, 2,
         {4, 0x12, 0, 0,                   // 1 2 1 2
          0, 3, 0x34, 0x50, 1, 0x70, 0, 1}, // literal 3 4 5, then 7
         {{3, 4, 5, 7}, {1, 2, 1, 2}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        BmpLayout layout;
        layout.width = c.width;
        layout.height = c.height;
        layout.bitsPerPixel = c.bitsPerPixel;
        layout.compression = c.compression;
        layout.palette = TestPalette(16);
        layout.pixels = c.stream;
        ASSERT_EQ(kImagingSuccess, Load(folder.Write("rle.bmp", BuildBmp(layout)), &bitmap));
        EXPECT_EQ(c.bitsPerPixel, bitmap.bitsPerPixel);
        EXPECT_EQ(16u, bitmap.colourCount);
        EXPECT_EQ(layout.palette[7].rgbRed, bitmap.palette[7].rgbRed);
        Access access(&bitmap);
        for (int y = 0; y < c.height; ++y)
            for (int x = 0; x < c.width; ++x)
                EXPECT_EQ(c.rowsFromTop[y][x], PixelValue(bitmap, x, y)) << x << "," << y;
    }
}

TEST_F(LoadFileTest, BitFieldPixelsBecomeThePlainLayoutOfTheirDepth)
{
    // 16 bits 5-6-5 become 5-5-5.
    BmpLayout layout;
    layout.width = 3;
    layout.height = 1;
    layout.bitsPerPixel = 16;
    layout.compression = BI_BITFIELDS;
    layout.masks = {0xF800, 0x07E0, 0x001F};
    layout.pixels = {0x00, 0xF8, 0xE0, 0x07, 0x1F, 0x00, 0, 0};
    ASSERT_EQ(kImagingSuccess, Load(folder.Write("565.bmp", BuildBmp(layout)), &bitmap));
    EXPECT_EQ(16, bitmap.bitsPerPixel);
    {
        Access access(&bitmap);
        EXPECT_EQ(0x7C00u, PixelValue(bitmap, 0, 0)) << "red";
        EXPECT_EQ(0x03E0u, PixelValue(bitmap, 1, 0)) << "green";
        EXPECT_EQ(0x001Fu, PixelValue(bitmap, 2, 0)) << "blue";
    }
    L_FreeBitmap(&bitmap);

    // 32 bits with red in the low byte, in a V5 header, top-down.
    layout = BmpLayout{};
    layout.width = 2;
    layout.height = -2;
    layout.bitsPerPixel = 32;
    layout.compression = BI_BITFIELDS;
    layout.headerSize = 124;
    layout.masks = {0x000000FF, 0x0000FF00, 0x00FF0000};
    layout.pixels = {0x11, 0x22, 0x33, 0, 0x44, 0x55, 0x66, 0, // top row
                   0xFF, 0x00, 0x00, 0, 0x00, 0x00, 0xFF, 0};
    ASSERT_EQ(kImagingSuccess, Load(folder.Write("rgbx.bmp", BuildBmp(layout)), &bitmap));
    EXPECT_EQ(32, bitmap.bitsPerPixel);
    Access access(&bitmap);
    EXPECT_EQ(0x112233u, PixelColour(bitmap, 0, 0));
    EXPECT_EQ(0x445566u, PixelColour(bitmap, 1, 0));
    EXPECT_EQ(0xFF0000u, PixelColour(bitmap, 0, 1));
    EXPECT_EQ(0x0000FFu, PixelColour(bitmap, 1, 1));
}

TEST_F(LoadFileTest, RequestedDepthAndByteOrderConvertTheStoredPixels)
{
    BmpLayout layout;
    layout.width = 3;
    layout.height = 2;
    layout.bitsPerPixel = 24;
    const uint32_t colours[2][3] = {{0xFF0000, 0x00FF00, 0x0000FF}, {0x000000, 0xFFFFFF, 0x336699}};
    layout.pixels = StoredRows(3, 2, 24, [&](int x, int y) { return colours[y][x]; });
    const std::string path = folder.Write("colours.bmp", BuildBmp(layout));

    struct Case {
        int bitsPerPixel;
        int order;
        int expectedOrder;
        unsigned expectedColours;
    };
    for (const Case c : {Case{24, kOrderRgb, kOrderRgb, 0}, Case{32, kOrderBgr, kOrderBgr, 0},
                         Case{32, kOrderRgb, kOrderRgb, 0}, Case{8, kOrderBgr, kOrderBgr, 256},
                         Case{16, kOrderBgr, kOrderBgr, 0}}) {
        SCOPED_TRACE(testing::Message() << c.bitsPerPixel << " bits, order " << c.order);
        ASSERT_EQ(kImagingSuccess, Load(path, &bitmap, c.bitsPerPixel, c.order));
        EXPECT_EQ(c.bitsPerPixel, bitmap.bitsPerPixel);
        EXPECT_EQ(c.expectedOrder, bitmap.order);
        EXPECT_EQ(c.expectedColours, bitmap.colourCount);
        {
            Access access(&bitmap);
            // Every test colour lies in the fixed 8-bit cube and in 5-5-5, except
            // 0x336699 in 5-5-5, which loses its low bits.
            for (int y = 0; y < 2; ++y)
                for (int x = 0; x < 3; ++x) {
                    uint32_t expected = colours[y][x];
                    if (c.bitsPerPixel == 16 && expected == 0x336699)
                        expected = 0x31639C;
                    EXPECT_EQ(expected, PixelColour(bitmap, x, y)) << x << "," << y;
                }
            if (c.order == kOrderRgb) {
                EXPECT_EQ(0xFF, bitmap.data[bitmap.bytesPerLine]) << "red first in memory";
            }
        }
        L_FreeBitmap(&bitmap);
    }

    // An 8-bit file asked for as 24 bits takes its colours from the palette.
    BmpLayout paletted;
    paletted.width = 2;
    paletted.height = 1;
    paletted.bitsPerPixel = 8;
    paletted.palette = {{0x30, 0x20, 0x10, 0}, {0x60, 0x50, 0x40, 0}};
    paletted.pixels = {1, 0, 0, 0};
    ASSERT_EQ(kImagingSuccess, Load(folder.Write("p.bmp", BuildBmp(paletted)), &bitmap, 24));
    Access access(&bitmap);
    EXPECT_EQ(0x405060u, PixelValue(bitmap, 0, 0));
    EXPECT_EQ(0x102030u, PixelValue(bitmap, 1, 0));
}

TEST_F(LoadFileTest, HostileFilesFailCleanlyWithNothingAllocated)
{
    BmpLayout base;
    base.width = 4;
    base.height = 3;
    base.bitsPerPixel = 24;
    base.pixels = StoredRows(4, 3, 24, [](int x, int y) { return PatternFor(24, x, y); });
    const std::vector<uint8_t> good = BuildBmp(base);
    BmpLayout palettedSpec;
    palettedSpec.width = 4;
    palettedSpec.height = 2;
    palettedSpec.bitsPerPixel = 8;
    palettedSpec.palette = TestPalette(256);
    palettedSpec.pixels.assign(8, 1);
    const std::vector<uint8_t> paletted = BuildBmp(palettedSpec);

    using Edit = std::function<void(std::vector<uint8_t>&)>;
    struct Case {
        const char* name;
        const std::vector<uint8_t>* base;
        Edit edit;
        int expected;
    };
    const Case cases[] = {
        {"zero-byte file", &good, [](auto& f) { f.clear(); }, kImagingFileFormat},
        {"wrong magic", &good, [](auto& f) { f[1] = 'X'; }, kImagingFileFormat},
        {"text, not a BMP", &good,
         [](auto& f) { f.assign({'h', 'e', 'l', 'l', 'o', ' ', 'w', 'o', 'r', 'l', 'd'}); },
         kImagingFileFormat},
        {"file header only", &good, [](auto& f) { f.resize(14); }, kImagingFileFormat},
        {"cut inside the info header", &good, [](auto& f) { f.resize(30); }, kImagingFileRead},
        {"cut inside the pixels", &good, [](auto& f) { f.resize(f.size() - 5); },
         kImagingFileRead},
        {"cut inside the palette", &paletted, [](auto& f) { f.resize(54 + 100); },
         kImagingFileRead},
        {"pixel offset beyond the file", &good, [](auto& f) { Put32(f, 10, 5000); },
         kImagingFileRead},
        {"pixel offset into the headers", &good, [](auto& f) { Put32(f, 10, 20); },
         kImagingFileFormat},
        {"huge width", &good, [](auto& f) { Put32(f, 18, 100000); }, kImagingTooLarge},
        {"huge height", &good, [](auto& f) { Put32(f, 22, 0x7FFFFFFF); }, kImagingTooLarge},
        {"most negative height", &good, [](auto& f) { Put32(f, 22, 0x80000000u); },
         kImagingTooLarge},
        {"huge area within the side limit", &good,
         [](auto& f) { Put32(f, 18, 30000); Put32(f, 22, 30000); }, kImagingTooLarge},
        {"negative width", &good, [](auto& f) { Put32(f, 18, static_cast<uint32_t>(-4)); },
         kImagingFileFormat},
        {"zero height", &good, [](auto& f) { Put32(f, 22, 0); }, kImagingFileFormat},
        {"two planes", &good, [](auto& f) { Put16(f, 26, 2); }, kImagingFileFormat},
        {"7 bits per pixel", &good, [](auto& f) { Put16(f, 28, 7); }, kImagingFileFormat},
        {"unknown header size", &good, [](auto& f) { Put32(f, 14, 99); }, kImagingFileFormat},
        {"JPEG inside", &good, [](auto& f) { Put32(f, 30, 4); }, kImagingUnsupported},
        {"RLE8 on 24 bits", &good, [](auto& f) { Put32(f, 30, BI_RLE8); }, kImagingFileFormat},
        {"bit fields on 24 bits", &good, [](auto& f) { Put32(f, 30, BI_BITFIELDS); },
         kImagingFileFormat},
        {"300 colours on 8 bits", &paletted, [](auto& f) { Put32(f, 46, 300); },
         kImagingFileFormat},
        {"top-down RLE", &paletted,
         [](auto& f) { Put32(f, 30, BI_RLE8); Put32(f, 22, static_cast<uint32_t>(-2)); },
         kImagingFileFormat},
        {"RLE size beyond the file", &paletted,
         [](auto& f) { Put32(f, 30, BI_RLE8); Put32(f, 34, 100000); }, kImagingFileRead},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<uint8_t> file = *c.base;
        c.edit(file);
        bitmap.allocated = 1; // whatever the record held is overwritten
        EXPECT_EQ(c.expected, Load(folder.Write("hostile.bmp", file), &bitmap));
        EXPECT_TRUE(RecordEmpty(bitmap));
    }

    // Bit fields with no bits at all.
    BmpLayout masks;
    masks.width = 1;
    masks.height = 1;
    masks.bitsPerPixel = 32;
    masks.compression = BI_BITFIELDS;
    masks.masks = {0, 0, 0};
    masks.pixels.assign(4, 0);
    EXPECT_EQ(kImagingFileFormat, Load(folder.Write("masks.bmp", BuildBmp(masks)), &bitmap));
    EXPECT_TRUE(RecordEmpty(bitmap));

    EXPECT_EQ(kImagingFileNotFound, Load(folder.Path("missing.bmp"), &bitmap));
    EXPECT_TRUE(RecordEmpty(bitmap));
    EXPECT_EQ(kImagingFileNotFound, Load(folder.Path(""), &bitmap)) << "a folder";
}

TEST_F(LoadFileTest, BrokenRunLengthStreamsNeverReachOutsideTheImage)
{
    const std::vector<uint8_t> streams[] = {
        {200, 7, 0, 1},                          // run far beyond the row
        {0, 2, 255, 255, 1, 7, 0, 1},            // jump beyond the image, then a pixel
        {0, 200, 1, 2, 3},                       // literal run longer than the data
        {0, 0, 0, 0, 0, 0, 0, 0, 4, 9},          // more rows than the image, no end
        {4, 7},                                  // no end of line or bitmap
        {0, 2, 3, 0, 0, 2, 3, 0, 0, 2, 3, 0, 5, 1}, // jumps that leave the image upwards
        {255, 255, 255, 255, 255, 255, 255, 255},
    };
    int n = 0;
    for (const auto& stream : streams) {
        SCOPED_TRACE(n++);
        BmpLayout layout;
        layout.width = 4;
        layout.height = 2;
        layout.bitsPerPixel = 8;
        layout.compression = BI_RLE8;
        layout.palette = TestPalette(16);
        layout.pixels = stream;
        const int result = Load(folder.Write("broken.bmp", BuildBmp(layout)), &bitmap);
        if (result == kImagingSuccess) {
            EXPECT_EQ(4, bitmap.width);
            EXPECT_EQ(2, bitmap.height);
        } else {
            EXPECT_LT(result, 0);
            EXPECT_TRUE(RecordEmpty(bitmap));
        }
        L_FreeBitmap(&bitmap);
    }
}

TEST_F(LoadFileTest, BadArgumentsAreRefused)
{
    BmpLayout layout;
    layout.pixels = StoredRows(4, 3, 24, [](int x, int y) { return PatternFor(24, x, y); });
    const std::string path = folder.Write("fine.bmp", BuildBmp(layout));
    EXPECT_EQ(kImagingNoBitmap, L_LoadFile(path.c_str(), nullptr, 0, 1, 3, nullptr, nullptr));
    struct Case {
        const char* path;
        int bitsPerPixel, order;
        unsigned flags;
    };
    for (const Case c : {Case{nullptr, 0, 1, 3}, Case{path.c_str(), 12, 1, 3},
                         Case{path.c_str(), 0, 2, 3}, Case{path.c_str(), 0, -1, 3},
                         Case{path.c_str(), 0, 1, 0}, Case{path.c_str(), 0, 1, 1},
                         Case{path.c_str(), 0, 1, 2}}) {
        EXPECT_EQ(kImagingInvalidParameter,
                  L_LoadFile(c.path, &bitmap, c.bitsPerPixel, c.order, c.flags, nullptr, nullptr))
            << c.bitsPerPixel << " " << c.order << " " << c.flags;
        EXPECT_TRUE(RecordEmpty(bitmap));
    }
    // The callback slot is not used.
    EXPECT_EQ(kImagingSuccess,
              L_LoadFile(path.c_str(), &bitmap, 0, 1, 3,
                         reinterpret_cast<ImagingCallback>(static_cast<uintptr_t>(1)), nullptr));
}
