// Painting bitmaps into a device context and their paint palettes.
#include <gtest/gtest.h>

#include "imagingfiles.h"

namespace {

constexpr uint32_t kBackground = 0x404040;

// A 24-bit memory device context whose pixels the test reads back.
class Canvas {
public:
    Canvas(int width, int height) : width_(width), height_(height)
    {
        BITMAPINFO info{};
        info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
        info.bmiHeader.biWidth = width;
        info.bmiHeader.biHeight = -height; // top-down: row y at y
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 24;
        dc_ = CreateCompatibleDC(nullptr);
        section_ = CreateDIBSection(dc_, &info, DIB_RGB_COLORS, reinterpret_cast<void**>(&bits_),
                                    nullptr, 0);
        old_ = SelectObject(dc_, section_);
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x)
                Set(x, y, kBackground);
    }
    ~Canvas()
    {
        SelectObject(dc_, old_);
        DeleteObject(section_);
        DeleteDC(dc_);
    }
    HDC dc() const { return dc_; }
    uint32_t At(int x, int y) const
    {
        GdiFlush();
        const uint8_t* p = Pixel(x, y);
        return (p[2] << 16) | (p[1] << 8) | p[0];
    }

private:
    uint8_t* Pixel(int x, int y) const
    {
        return bits_ + static_cast<size_t>(y) * ((width_ * 3 + 3) & ~3) + 3 * x;
    }
    void Set(int x, int y, uint32_t c)
    {
        uint8_t* p = Pixel(x, y);
        p[0] = static_cast<uint8_t>(c);
        p[1] = static_cast<uint8_t>(c >> 8);
        p[2] = static_cast<uint8_t>(c >> 16);
    }
    int width_, height_;
    HDC dc_;
    HBITMAP section_;
    HGDIOBJ old_;
    uint8_t* bits_ = nullptr;
};

uint32_t Colour(int x, int y)
{
    return (static_cast<uint32_t>(40 * x + 20) << 16) | (static_cast<uint32_t>(50 * y + 10) << 8) |
           static_cast<uint32_t>(100 + x + y);
}

// A 5 x 4 bitmap of distinct colours, loaded from a file as the product does.
class PaintTest : public ::testing::Test {
protected:
    static constexpr int kWidth = 5;
    static constexpr int kHeight = 4;
    TempFolder folder;
    BitmapHandle bitmap{};
    void SetUp() override
    {
        BmpLayout layout;
        layout.width = kWidth;
        layout.height = kHeight;
        layout.pixels = StoredRows(kWidth, kHeight, 24, Colour);
        const std::string path = folder.Write("paint.bmp", BuildBmp(layout));
        ASSERT_EQ(kImagingSuccess, L_LoadFile(path.c_str(), &bitmap, 0, kOrderBgr, 3, nullptr,
                                              nullptr));
    }
    void TearDown() override { L_FreeBitmap(&bitmap); }
};

} // namespace

TEST_F(PaintTest, WholeBitmapStretchedIntoTheDestination)
{
    Canvas canvas(20, 20);
    const RECT once{2, 3, 2 + kWidth, 3 + kHeight};
    ASSERT_EQ(kImagingSuccess, L_PaintDC(canvas.dc(), &bitmap, nullptr, nullptr, &once, nullptr,
                                         SRCCOPY));
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x)
            ASSERT_EQ(Colour(x, y), canvas.At(2 + x, 3 + y)) << x << "," << y << " top row first";
    EXPECT_EQ(kBackground, canvas.At(1, 3));
    EXPECT_EQ(kBackground, canvas.At(2, 2));
    EXPECT_EQ(kBackground, canvas.At(2 + kWidth, 3));

    Canvas doubled(20, 20);
    const RECT twice{0, 0, 2 * kWidth, 2 * kHeight};
    ASSERT_EQ(kImagingSuccess, L_PaintDC(doubled.dc(), &bitmap, nullptr, nullptr, &twice, nullptr,
                                         SRCCOPY));
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x) {
            EXPECT_EQ(Colour(x, y), doubled.At(2 * x, 2 * y));
            EXPECT_EQ(Colour(x, y), doubled.At(2 * x + 1, 2 * y + 1));
        }
    EXPECT_EQ(kBackground, doubled.At(2 * kWidth, 0));

    Canvas origin(10, 10);
    ASSERT_EQ(kImagingSuccess, L_PaintDC(origin.dc(), &bitmap, nullptr, nullptr, nullptr, nullptr,
                                         SRCCOPY))
        << "no destination: the bitmap's size at the origin";
    EXPECT_EQ(Colour(0, 0), origin.At(0, 0));
    EXPECT_EQ(Colour(kWidth - 1, kHeight - 1), origin.At(kWidth - 1, kHeight - 1));
    EXPECT_EQ(kBackground, origin.At(kWidth, 0));
}

TEST_F(PaintTest, SourceRectangleAndClips)
{
    // A source rectangle in top-down coordinates.
    Canvas part(20, 20);
    const RECT source{1, 1, 3, 3};
    const RECT to{10, 10, 12, 12};
    ASSERT_EQ(kImagingSuccess, L_PaintDC(part.dc(), &bitmap, &source, nullptr, &to, nullptr,
                                         SRCCOPY));
    for (int j = 0; j < 2; ++j)
        for (int i = 0; i < 2; ++i)
            EXPECT_EQ(Colour(1 + i, 1 + j), part.At(10 + i, 10 + j)) << i << "," << j;
    EXPECT_EQ(kBackground, part.At(12, 12));

    // A destination clip limits the painting.
    Canvas clipped(20, 20);
    const RECT whole{0, 0, 2 * kWidth, 2 * kHeight};
    const RECT clip{0, 0, 4, 20};
    ASSERT_EQ(kImagingSuccess, L_PaintDC(clipped.dc(), &bitmap, nullptr, nullptr, &whole, &clip,
                                         SRCCOPY));
    EXPECT_EQ(Colour(1, 2), clipped.At(3, 4));
    EXPECT_EQ(kBackground, clipped.At(4, 4));
    EXPECT_EQ(kBackground, clipped.At(9, 7));

    // A source clip paints only that part, where it falls when stretched.
    Canvas sourceClipped(20, 20);
    const RECT topRows{0, 0, kWidth, 2};
    ASSERT_EQ(kImagingSuccess, L_PaintDC(sourceClipped.dc(), &bitmap, nullptr, &topRows, &whole,
                                         nullptr, SRCCOPY));
    EXPECT_EQ(Colour(4, 1), sourceClipped.At(9, 3));
    EXPECT_EQ(kBackground, sourceClipped.At(9, 4));
    EXPECT_EQ(kBackground, sourceClipped.At(0, 7));

    // A destination clip beside the destination paints nothing, without failing.
    Canvas beside(20, 20);
    const RECT away{15, 15, 20, 20};
    EXPECT_EQ(kImagingSuccess, L_PaintDC(beside.dc(), &bitmap, nullptr, nullptr, &whole, &away,
                                         SRCCOPY));
    EXPECT_EQ(kBackground, beside.At(0, 0));
    // So does a device context clipped elsewhere, as in a paint of another part.
    HRGN elsewhere = CreateRectRgn(15, 15, 20, 20);
    SelectClipRgn(beside.dc(), elsewhere);
    DeleteObject(elsewhere);
    EXPECT_EQ(kImagingSuccess, L_PaintDC(beside.dc(), &bitmap, nullptr, nullptr, &whole, nullptr,
                                         SRCCOPY));
    EXPECT_EQ(kBackground, beside.At(0, 0));

    // The clip of the caller's device context is its own again afterwards.
    HRGN region = CreateRectRgn(0, 0, 0, 0);
    EXPECT_EQ(0, GetClipRgn(clipped.dc(), region)) << "no clip region left behind";
    DeleteObject(region);
}

TEST_F(PaintTest, PaletteAndByteOrderGiveTheTrueColours)
{
    struct Case {
        const char* name;
        int bits;
        int order;
    };
    for (const Case& c : {Case{"8 bits", 8, kOrderBgr}, Case{"4 bits", 4, kOrderBgr},
                          Case{"1 bit", 1, kOrderBgr}, Case{"24 bits RGB", 24, kOrderRgb},
                          Case{"32 bits RGB", 32, kOrderRgb}, Case{"16 bits", 16, kOrderBgr}}) {
        SCOPED_TRACE(c.name);
        BitmapHandle converted{};
        ASSERT_EQ(kImagingSuccess, L_LoadFile(folder.Path("paint.bmp").c_str(), &converted,
                                              c.bits, c.order, 3, nullptr, nullptr));
        Canvas canvas(10, 10);
        ASSERT_EQ(kImagingSuccess, L_PaintDC(canvas.dc(), &converted, nullptr, nullptr, nullptr,
                                             nullptr, SRCCOPY));
        ASSERT_EQ(kImagingSuccess, L_BeginAccess(&converted));
        for (int y = 0; y < kHeight; ++y)
            for (int x = 0; x < kWidth; ++x) {
                uint32_t expected = PixelColour(converted, x, y);
                if (c.bits == 16) // GDI widens 5 bits by shifting only
                    expected &= 0xF8F8F8;
                EXPECT_EQ(expected, canvas.At(x, y) & (c.bits == 16 ? 0xF8F8F8 : 0xFFFFFF))
                    << x << "," << y;
            }
        L_EndAccess(&converted);
        L_FreeBitmap(&converted);
    }
}

TEST_F(PaintTest, NothingToPaintOrNowhereToPaintIt)
{
    Canvas canvas(10, 10);
    BitmapHandle empty{};
    EXPECT_EQ(kImagingNoBitmap, L_PaintDC(canvas.dc(), &empty, nullptr, nullptr, nullptr, nullptr,
                                          SRCCOPY));
    EXPECT_EQ(kImagingNoBitmap, L_PaintDC(canvas.dc(), nullptr, nullptr, nullptr, nullptr, nullptr,
                                          SRCCOPY));
    EXPECT_EQ(kImagingInvalidParameter, L_PaintDC(nullptr, &bitmap, nullptr, nullptr, nullptr,
                                                  nullptr, SRCCOPY));
    const RECT emptySource{3, 3, 3, 5};
    EXPECT_EQ(kImagingInvalidParameter, L_PaintDC(canvas.dc(), &bitmap, &emptySource, nullptr,
                                                  nullptr, nullptr, SRCCOPY));
    const RECT outside{100, 100, 110, 110};
    EXPECT_EQ(kImagingSuccess, L_PaintDC(canvas.dc(), &bitmap, nullptr, &outside, nullptr,
                                         nullptr, SRCCOPY))
        << "a source clip outside the bitmap paints nothing";
    EXPECT_EQ(kBackground, canvas.At(0, 0));
}

TEST_F(PaintTest, PaintPaletteHoldsThePaletteColours)
{
    EXPECT_EQ(nullptr, L_CreatePaintPalette(nullptr, nullptr));

    HDC screen = GetDC(nullptr);
    HPALETTE halftone = L_CreatePaintPalette(screen, &bitmap);
    ASSERT_NE(nullptr, halftone) << "a halftone palette for a 24-bit bitmap";
    EXPECT_GT(GetPaletteEntries(halftone, 0, 0, nullptr), 16u);
    DeleteObject(halftone);

    BitmapHandle paletted{};
    ASSERT_EQ(kImagingSuccess, L_AllocateBitmap(&paletted, 2, 2, 4, kOrderBgr));
    paletted.colourCount = 3;
    paletted.palette[2] = RGBQUAD{0x30, 0x20, 0x10, 0};
    HPALETTE own = L_CreatePaintPalette(screen, &paletted);
    ASSERT_NE(nullptr, own);
    PALETTEENTRY entries[16];
    ASSERT_EQ(3u, GetPaletteEntries(own, 0, 16, entries));
    EXPECT_EQ(0x10, entries[2].peRed);
    EXPECT_EQ(0x20, entries[2].peGreen);
    EXPECT_EQ(0x30, entries[2].peBlue);
    DeleteObject(own);

    paletted.colourCount = 1000; // set by a careless caller
    own = L_CreatePaintPalette(screen, &paletted);
    ASSERT_NE(nullptr, own);
    EXPECT_EQ(16u, GetPaletteEntries(own, 0, 0, nullptr));
    DeleteObject(own);
    L_FreeBitmap(&paletted);
    ReleaseDC(nullptr, screen);
}
