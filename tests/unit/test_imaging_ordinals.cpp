// A program bound to the imaging library by ordinal only, as the UI plug-in
// is: the loader resolves every import by number and the calls work.
#include <gtest/gtest.h>

#include "imagingfiles.h"

TEST(ImagingByOrdinal, LoadAccessConvertPaintAndFree)
{
    TempFolder folder;
    BmpLayout layout;
    layout.width = 3;
    layout.height = 2;
    layout.pixels = StoredRows(3, 2, 24, [](int x, int y) { return x == 0 && y == 0 ? 0xFF0000u : 0u; });
    const std::string path = folder.Write("ordinal.bmp", BuildBmp(layout));

    BitmapHandle bitmap{};
    ASSERT_EQ(kImagingSuccess, L_LoadFile(path.c_str(), &bitmap, 0, kOrderBgr, 3, nullptr, nullptr));
    ASSERT_EQ(kImagingSuccess, L_BeginAccess(&bitmap));
    EXPECT_EQ(0xFF0000u, PixelValue(bitmap, 0, 0));
    EXPECT_EQ(kImagingSuccess, L_EndAccess(&bitmap));

    const RGBQUAD colours[2] = {{0, 0, 0, 0}, {0, 0, 255, 0}};
    ASSERT_EQ(kImagingSuccess, L_ColorResBitmap(&bitmap, &bitmap, 8, kColorResUseColours, colours,
                                                2, nullptr, nullptr));
    EXPECT_EQ(8, bitmap.bitsPerPixel);

    HDC dc = CreateCompatibleDC(nullptr);
    HBITMAP target = CreateBitmap(3, 2, 1, 32, nullptr);
    HGDIOBJ old = SelectObject(dc, target);
    const RECT to{0, 0, 3, 2};
    EXPECT_EQ(kImagingSuccess, L_PaintDC(dc, &bitmap, nullptr, nullptr, &to, nullptr, SRCCOPY));
    EXPECT_EQ(RGB(255, 0, 0), GetPixel(dc, 0, 0));
    EXPECT_EQ(RGB(0, 0, 0), GetPixel(dc, 1, 1));
    SelectObject(dc, old);
    DeleteObject(target);
    DeleteDC(dc);

    L_FreeBitmap(&bitmap);
    EXPECT_FALSE(BitmapPresent(&bitmap));
}
