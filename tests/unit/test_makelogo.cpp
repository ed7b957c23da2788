// makelogo.exe writes a logo that the imaging library loads, as the data
// source loads kmlogo.km.
#include "testsupport.h"

#include "imaging.h"

namespace {

struct TempFile {
    std::string path;
    explicit TempFile(const char* name)
    {
        char temp[MAX_PATH];
        GetTempPathA(MAX_PATH, temp);
        path = std::string(temp) + name;
        DeleteFileA(path.c_str());
    }
    ~TempFile() { DeleteFileA(path.c_str()); }
};

uint32_t ColourAt(const BitmapHandle& bitmap, int x, int y)
{
    const uint8_t* p = bitmap.data + static_cast<size_t>(bitmap.height - 1 - y) * bitmap.bytesPerLine + 3 * x;
    return (p[2] << 16) | (p[1] << 8) | p[0];
}

const std::string kProgram = ProgramFolder() + "makelogo.exe";

} // namespace

TEST(MakeLogo, WritesA24BitLogoWithBandAndText)
{
    TempFile logo("tovrin-kmlogo.km");
    ASSERT_EQ(0u, RunProgram(kProgram, {logo.path}).exitCode);
    BitmapHandle bitmap{};
    ASSERT_EQ(kImagingSuccess,
              L_LoadFile(logo.path.c_str(), &bitmap, 0, kOrderBgr, 3, nullptr, nullptr));
    EXPECT_EQ(24, bitmap.bitsPerPixel);
    EXPECT_GE(bitmap.width, 200);
    EXPECT_LE(bitmap.width, 600);
    EXPECT_GT(bitmap.height, 40);
    ASSERT_EQ(kImagingSuccess, L_BeginAccess(&bitmap));
    EXPECT_EQ(0x006699u, ColourAt(bitmap, 3, 3)) << "the band across the top";
    EXPECT_EQ(0xFFFFFFu, ColourAt(bitmap, 2, bitmap.height / 2)) << "white beside the text";
    int dark = 0;
    for (int y = 25; y < bitmap.height - 8; ++y)
        for (int x = 0; x < bitmap.width; ++x)
            if ((ColourAt(bitmap, x, y) & 0x808080) == 0)
                ++dark;
    EXPECT_GT(dark, 300) << "the text is drawn";
    L_EndAccess(&bitmap);
    L_FreeBitmap(&bitmap);
}

TEST(MakeLogo, ReportsWhatItCannotDo)
{
    EXPECT_EQ(2u, RunProgram(kProgram, {}).exitCode) << "no path";
    TempFile nowhere("tovrin-no-such-folder\\kmlogo.km");
    EXPECT_EQ(1u, RunProgram(kProgram, {nowhere.path}).exitCode);
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(nowhere.path.c_str()));
}
