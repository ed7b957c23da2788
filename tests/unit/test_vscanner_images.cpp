// The virtual scanner's images: native, file and memory transfers compared
// with the bed they show, every depth and palette, tone and inversion,
// halftones, the sizes it refuses, hostile bed files and the prescan.
#include <cmath>
#include <cstring>
#include <fstream>
#include <sstream>

#include "vscanner_test.h"

namespace {

class ImageTest : public VirtualScannerTest {
protected:
    void SetUp() override
    {
        VirtualScannerTest::SetUp();
        UseTestBed();
        SetCurrentDirectoryA(WindowsPath("").c_str());
    }
    std::string ReadFile(const std::string& path)
    {
        std::ifstream in(path, std::ios::binary);
        std::stringstream bytes;
        bytes << in.rdbuf();
        return bytes.str();
    }
    // The file transfer's bitmap: the file's bytes after its file header.
    int File(TestJob& t, const char* name, std::string* bmp)
    {
        const int result = d.createDIB(window, &dibHandle, name, &t.settings, &t.job, &t.params, 1,
                                       nullptr, nullptr, nullptr);
        *bmp = ReadFile(WindowsPath(std::string("\\") + name));
        files.Remove(std::string("\\") + name);
        return result;
    }
};

BYTE Luminance(Rgb c)
{
    return static_cast<BYTE>((77 * c.r + 150 * c.g + 29 * c.b + 128) >> 8);
}

int CubeIndex(Rgb c)
{
    return (c.r >> 5) | (c.g >> 5) << 3 | (c.b >> 6) << 6;
}

struct Area {
    int x, y, cx, cy, resolution;
};

const Area kAreas[] = {
    {50, 30, 400, 300, 300},  // one bed pixel per image pixel
    {0, 0, 600, 400, 150},    // every second bed pixel
    {120, 70, 250, 180, 600}, // every bed pixel twice
    {33, 17, 301, 199, 200},  // uneven steps
    {0, 0, 600, 400, 72},
};

std::string AreaName(const Area& a)
{
    return std::to_string(a.x) + "," + std::to_string(a.y) + " " + std::to_string(a.cx) + "x"
           + std::to_string(a.cy) + " at " + std::to_string(a.resolution);
}

} // namespace

TEST_F(ImageTest, NativeBitmapShowsTheBedOverTheScanArea)
{
    for (const Area& a : kAreas) {
        SCOPED_TRACE(AreaName(a));
        TestJob t = MakeJob(a.x, a.y, a.cx, a.cy, a.resolution, 24, 4);
        std::vector<BYTE> dib;
        ASSERT_EQ(700, Native(t, &dib));
        const BITMAPINFOHEADER& h = DibHeader(dib);
        EXPECT_EQ(sizeof h, h.biSize);
        EXPECT_EQ(LONG(t.job.outputPixels), h.biWidth);
        EXPECT_EQ(LONG(t.job.outputLines), h.biHeight) << "bottom-up";
        EXPECT_EQ(24, h.biBitCount);
        EXPECT_EQ(1, h.biPlanes);
        EXPECT_EQ(DWORD(BI_RGB), h.biCompression);
        EXPECT_EQ(0u, h.biClrUsed);
        const DWORD stride = (t.job.outputPixels * 3 + 3) & ~3u;
        EXPECT_EQ(stride * t.job.outputLines, h.biSizeImage);
        EXPECT_EQ(sizeof h + h.biSizeImage, dib.size());
        const LONG perMeter = std::lround(a.resolution / 0.0254);
        EXPECT_EQ(perMeter, h.biXPelsPerMeter);
        EXPECT_EQ(perMeter, h.biYPelsPerMeter);
        int wrong = 0;
        for (DWORD j = 0; j < t.job.outputLines; ++j)
            for (DWORD i = 0; i < t.job.outputPixels; ++i)
                if (!(DibPixel24(dib, i, j) == Expected(t, i, j)) && wrong++ < 5)
                    ADD_FAILURE() << "pixel " << i << "," << j << ": " << DibPixel24(dib, i, j)
                                  << " instead of " << Expected(t, i, j);
        EXPECT_EQ(0, wrong);
        for (DWORD j = 0; j < t.job.outputLines; ++j)
            for (DWORD k = t.job.outputPixels * 3; k < stride; ++k)
                EXPECT_EQ(0, DibRow(dib, j)[k]) << "row padding";
    }
}

TEST_F(ImageTest, AreaBeyondTheBedIsWhite)
{
    const Area areas[] = {{500, 300, 200, 200, 300}, {1000, 900, 300, 300, 100},
                          {590, 0, 60000, 400, 10}};
    for (const Area& a : areas) {
        SCOPED_TRACE(AreaName(a));
        TestJob t = MakeJob(a.x, a.y, a.cx, a.cy, a.resolution, 24, 4);
        std::vector<BYTE> dib;
        ASSERT_EQ(700, Native(t, &dib));
        int white = 0;
        for (DWORD j = 0; j < t.job.outputLines; ++j)
            for (DWORD i = 0; i < t.job.outputPixels; ++i) {
                ASSERT_EQ(Expected(t, i, j), DibPixel24(dib, i, j)) << i << "," << j;
                white += DibPixel24(dib, i, j) == kWhite;
            }
        EXPECT_GT(white, 0);
    }
}

TEST_F(ImageTest, FileTransferWritesTheNativeBitmapAsABmpFile)
{
    for (int bits : {24, 8, 4, 1}) {
        SCOPED_TRACE(bits);
        TestJob t = MakeJob(50, 30, 401, 300, 300, bits, bits == 24 ? 4 : bits == 8 ? 2 : bits == 4 ? 6 : 0);
        std::vector<BYTE> dib;
        ASSERT_EQ(700, Native(t, &dib));
        std::string bmp;
        // A relative name lands in the current directory.
        ASSERT_EQ(700, File(t, "vsfile.bmp", &bmp));
        ASSERT_GT(bmp.size(), sizeof(BITMAPFILEHEADER));
        const auto* fileHeader = reinterpret_cast<const BITMAPFILEHEADER*>(bmp.data());
        EXPECT_EQ(0x4D42, fileHeader->bfType);
        EXPECT_EQ(bmp.size(), fileHeader->bfSize);
        EXPECT_EQ(sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER)
                      + DibHeader(dib).biClrUsed * sizeof(RGBQUAD),
                  fileHeader->bfOffBits);
        ASSERT_EQ(dib.size(), bmp.size() - sizeof(BITMAPFILEHEADER));
        EXPECT_EQ(0, std::memcmp(dib.data(), bmp.data() + sizeof(BITMAPFILEHEADER), dib.size()));
    }
}

TEST_F(ImageTest, FileTransferOfALargeImageWritesEveryBlockInPlace)
{
    // More than one block of rows (about 1 MiB each) in the file.
    files.Write("\\vsbig.bmp", MakeBmp(600, 400, [](int x, int y) {
                    return Rgb{BYTE(x), BYTE(y), BYTE(x ^ y)};
                }));
    Config("[Scanner]\r\nFlatbedWidth=600\r\nFlatbedLength=400\r\n[Bed]\r\nFlatbed="
           + WindowsPath("\\vsbig.bmp") + "\r\n");
    TestJob t = MakeJob(0, 0, 600, 400, 900, 24, 4);
    std::vector<BYTE> dib;
    ASSERT_EQ(700, Native(t, &dib));
    std::string bmp;
    ASSERT_EQ(700, File(t, "vsbigout.bmp", &bmp));
    ASSERT_EQ(dib.size(), bmp.size() - sizeof(BITMAPFILEHEADER));
    EXPECT_EQ(0, std::memcmp(dib.data(), bmp.data() + sizeof(BITMAPFILEHEADER), dib.size()));
    EXPECT_EQ((Rgb{0, 0, 0}), DibPixel24(dib, 0, 0));
    EXPECT_EQ((Rgb{199, 133, 199 ^ 133}), DibPixel24(dib, 597, 399));
}

TEST_F(ImageTest, FileWriteFailures)
{
    TestJob t = MakeJob(0, 0, 300, 300, 100, 24, 4);
    EXPECT_EQ(704, d.createDIB(window, &dibHandle, "no such folder\\x.bmp", &t.settings, &t.job,
                               &t.params, 1, nullptr, nullptr, nullptr));
    EXPECT_EQ(704, d.createDIB(window, &dibHandle, "", &t.settings, &t.job, &t.params, 1, nullptr,
                               nullptr, nullptr));
    EXPECT_EQ(704, d.createDIB(window, &dibHandle, nullptr, &t.settings, &t.job, &t.params, 1,
                               nullptr, nullptr, nullptr));
    // Wine's drive Z: is the root of the host: its /dev/full is a full disk.
    auto deviceThere = [] {
        HANDLE device = CreateFileA("Z:\\dev\\full", GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                    nullptr, OPEN_EXISTING, 0, nullptr);
        if (device == INVALID_HANDLE_VALUE)
            return false;
        CloseHandle(device);
        return true;
    };
    if (!deviceThere())
        GTEST_SKIP() << "no full device to write to";
    EXPECT_EQ(703, d.createDIB(window, &dibHandle, "Z:\\dev\\full", &t.settings, &t.job, &t.params,
                               1, nullptr, nullptr, nullptr));
    EXPECT_TRUE(deviceThere()) << "a device is never removed";
}

TEST_F(ImageTest, MemoryStripsDeliverTopDownRgbLines)
{
    for (bool handle : {false, true}) {
        SCOPED_TRACE(handle ? "handle" : "pointer");
        TestJob t = MakeJob(50, 30, 400, 300, 300, 24, 4);
        const auto strips = Memory(t, 64, handle);
        ASSERT_EQ(5u, strips.size());
        DWORD line = 0;
        for (size_t n = 0; n < strips.size(); ++n) {
            const Strip& s = strips[n];
            const bool last = n + 1 == strips.size();
            EXPECT_EQ(last ? 6 : 700, s.result);
            EXPECT_EQ(last ? 0u : 1u, s.activeAfter != 0 ? 1u : 0u) << n;
            EXPECT_EQ(TWCP_NONE, s.xfer.Compression);
            EXPECT_EQ(1200u, s.xfer.BytesPerRow);
            EXPECT_EQ(400u, s.xfer.Columns);
            EXPECT_EQ(last ? 44u : 64u, s.xfer.Rows);
            EXPECT_EQ(0u, s.xfer.XOffset);
            EXPECT_EQ(line, s.xfer.YOffset);
            EXPECT_EQ(s.xfer.Rows * 1200u, s.xfer.BytesWritten);
            for (DWORD r = 0; r < s.xfer.Rows; ++r)
                for (DWORD i = 0; i < 400; ++i) {
                    const BYTE* p = s.data.data() + r * 1200 + 3 * i;
                    ASSERT_EQ(Expected(t, i, line + r), (Rgb{p[0], p[1], p[2]}))
                        << "pixel " << i << "," << line + r;
                }
            line += s.xfer.Rows;
        }
        EXPECT_EQ(300u, line);
        EXPECT_EQ(0u, t.job.transferActive);
    }
}

TEST_F(ImageTest, MemoryStripsHoldWholeLinesOnly)
{
    TestJob t = MakeJob(0, 0, 300, 300, 100, 8, 2);
    std::vector<BYTE> buffer(t.job.outputBytesPerLine * 3 + t.job.outputBytesPerLine - 1, 0xCD);
    TW_IMAGEMEMXFER xfer = {};
    xfer.Memory = {TWMF_APPOWNS | TWMF_POINTER, static_cast<TW_UINT32>(buffer.size()), buffer.data()};
    ASSERT_EQ(700, d.avMemXfer(window, &xfer, &t.settings, &t.job, &t.params, 0, nullptr, nullptr,
                               nullptr));
    EXPECT_EQ(3u, xfer.Rows);
    EXPECT_EQ(300u, xfer.BytesWritten);
    EXPECT_EQ(0xCD, buffer[300]) << "nothing beyond the whole lines";
}

// Memory lines are the native bitmap's rows, top-down, in TWAIN's colour
// order; strips of 7 lines also show that halftones and diffusion continue
// seamlessly from strip to strip.
TEST_F(ImageTest, MemoryAndNativeDeliverTheSameImageAtEveryDepth)
{
    struct Case {
        int bits, type;
        bool diffusion;
        BYTE halftoneCode;
    };
    const Case cases[] = {{1, 0, false, 0}, {1, 1, false, 3}, {1, 1, true, 0}, {4, 6, false, 0},
                          {8, 2, false, 0}, {8, 5, false, 0}, {24, 3, false, 0}, {24, 4, false, 0}};
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.bits) + " bits, type " + std::to_string(c.type)
                     + (c.diffusion ? ", diffusion" : ""));
        TestJob t = MakeJob(13, 21, 517, 333, 175, c.bits, c.type);
        t.settings.diffusion = c.diffusion;
        t.job.halftoneCode = c.halftoneCode;
        std::vector<BYTE> dib;
        ASSERT_EQ(700, Native(t, &dib));
        const auto strips = Memory(t, 7);
        ASSERT_EQ(6, strips.back().result);
        DWORD line = 0;
        const DWORD bytes = t.job.outputBytesPerLine;
        for (const Strip& s : strips)
            for (DWORD r = 0; r < s.xfer.Rows; ++r, ++line) {
                const BYTE* memory = s.data.data() + r * bytes;
                const BYTE* native = DibRow(dib, line);
                if (c.bits == 24) {
                    for (DWORD i = 0; i < t.job.outputPixels; ++i)
                        ASSERT_TRUE(memory[3 * i] == native[3 * i + 2]
                                    && memory[3 * i + 1] == native[3 * i + 1]
                                    && memory[3 * i + 2] == native[3 * i])
                            << "pixel " << i << "," << line;
                } else {
                    ASSERT_EQ(0, std::memcmp(memory, native, bytes)) << "line " << line;
                }
            }
        EXPECT_EQ(t.job.outputLines, line);
    }
}

TEST_F(ImageTest, DepthsAndPalettes)
{
    struct Case {
        int bits, type, colorFilter;
        DWORD paletteEntries;
    };
    const Case cases[] = {{1, 0, 0, 2}, {4, 6, 0, 16}, {8, 2, 0, 256}, {8, 2, 1, 256},
                          {8, 2, 2, 256}, {8, 2, 3, 256}, {8, 2, 4, 256}, {8, 5, 0, 256}};
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.bits) + " bits, type " + std::to_string(c.type) + ", filter "
                     + std::to_string(c.colorFilter));
        TestJob t = MakeJob(50, 30, 400, 300, 150, c.bits, c.type);
        t.settings.colorFilter = static_cast<BYTE>(c.colorFilter);
        std::vector<BYTE> dib;
        ASSERT_EQ(700, Native(t, &dib));
        const BITMAPINFOHEADER& h = DibHeader(dib);
        EXPECT_EQ(c.bits, h.biBitCount);
        ASSERT_EQ(c.paletteEntries, h.biClrUsed);
        const RGBQUAD* palette = DibPalette(dib);
        for (DWORD n = 0; n < h.biClrUsed; ++n) {
            Rgb entry{palette[n].rgbRed, palette[n].rgbGreen, palette[n].rgbBlue};
            Rgb expected;
            if (c.type == 5)
                expected = Rgb{BYTE(32 * (n % 8) + 31), BYTE(32 * ((n / 8) % 8) + 31),
                               BYTE(64 * (n / 64) + 63)};
            else if (c.bits == 1)
                expected = n ? kWhite : Rgb{0, 0, 0};
            else {
                const BYTE level = static_cast<BYTE>(n * 255 / (h.biClrUsed - 1));
                expected = Rgb{level, level, level};
            }
            ASSERT_EQ(expected, entry) << "palette entry " << n;
        }
        for (DWORD j = 0; j < t.job.outputLines; ++j) {
            const BYTE* row = DibRow(dib, j);
            for (DWORD i = 0; i < t.job.outputPixels; ++i) {
                const Rgb bed = Expected(t, i, j);
                const BYTE gray = c.colorFilter == 1   ? bed.r
                                  : c.colorFilter == 2 ? bed.g
                                  : c.colorFilter == 3 ? bed.b
                                                       : Luminance(bed);
                int value, expected;
                switch (c.bits) {
                case 1:
                    value = row[i / 8] >> (7 - i % 8) & 1;
                    expected = gray >= 128;
                    break;
                case 4:
                    value = i % 2 ? row[i / 2] & 15 : row[i / 2] >> 4;
                    expected = gray >> 4;
                    break;
                default:
                    value = row[i];
                    expected = c.type == 5 ? CubeIndex(bed) : gray;
                    break;
                }
                ASSERT_EQ(expected, value) << "pixel " << i << "," << j;
            }
        }
    }
}

TEST_F(ImageTest, InversionAndToneValues)
{
    auto level = [](double v) { return static_cast<int>(std::lround(v < 0 ? 0 : v > 255 ? 255 : v)); };
    struct Case {
        const char* name;
        std::function<void(TestJob&)> set;
        int bits;
        std::function<Rgb(Rgb)> expected;
    };
    const Case cases[] = {
        {"invert colour", [](TestJob& t) { t.job.jobInvert = 1; }, 24,
         [](Rgb c) { return Rgb{BYTE(255 - c.r), BYTE(255 - c.g), BYTE(255 - c.b)}; }},
        {"invert gray", [](TestJob& t) { t.job.jobInvert = 1; }, 8,
         [](Rgb c) { BYTE g = BYTE(255 - Luminance(c)); return Rgb{g, g, g}; }},
        {"levels",
         [](TestJob& t) {
             t.settings.masterHighlight = 200;
             t.settings.masterShadow = 50;
         },
         8,
         [&](Rgb c) { BYTE g = BYTE(level((Luminance(c) - 50) * 255.0 / 150)); return Rgb{g, g, g}; }},
        {"brightness", [](TestJob& t) { t.settings.masterBrightness = 150; }, 8,
         [&](Rgb c) { BYTE g = BYTE(level(Luminance(c) + 63.75)); return Rgb{g, g, g}; }},
        {"gamma", [](TestJob& t) { t.settings.masterGammaValue = 200; }, 8,
         [&](Rgb c) {
             BYTE g = BYTE(level(255 * std::pow(Luminance(c) / 255.0, 0.5)));
             return Rgb{g, g, g};
         }},
        {"contrast", [](TestJob& t) { t.settings.masterContrast = 50; }, 8,
         [&](Rgb c) { BYTE g = BYTE(level((Luminance(c) - 127.5) * 0.5 + 127.5)); return Rgb{g, g, g}; }},
        {"red only", [](TestJob& t) { t.settings.redBrightness = 200; }, 24,
         [&](Rgb c) { return Rgb{BYTE(level(c.r + 127.5)), c.g, c.b}; }},
        {"master leaves colour", [](TestJob& t) { t.settings.masterBrightness = 0; }, 24,
         [](Rgb c) { return c; }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TestJob t = MakeJob(0, 0, 600, 400, 50, c.bits, c.bits == 24 ? 4 : 2);
        c.set(t);
        std::vector<BYTE> dib;
        ASSERT_EQ(700, Native(t, &dib));
        for (DWORD j = 0; j < t.job.outputLines; ++j)
            for (DWORD i = 0; i < t.job.outputPixels; ++i) {
                const Rgb expected = c.expected(Expected(t, i, j));
                const BYTE* row = DibRow(dib, j);
                const Rgb got = c.bits == 24 ? DibPixel24(dib, i, j) : Rgb{row[i], row[i], row[i]};
                ASSERT_LE(std::abs(expected.r - got.r) + std::abs(expected.g - got.g)
                              + std::abs(expected.b - got.b),
                          1)
                    << "pixel " << i << "," << j << ": " << got << " instead of " << expected;
            }
    }
}

// A plain gray bed: line art is all black below the threshold, every pattern
// and the diffusion show about the share of white that the level asks for.
TEST_F(ImageTest, HalftonePatternsAndDiffusion)
{
    auto whiteShare = [](const std::vector<BYTE>& dib) {
        const BITMAPINFOHEADER& h = DibHeader(dib);
        long white = 0;
        for (long j = 0; j < h.biHeight; ++j)
            for (long i = 0; i < h.biWidth; ++i)
                white += DibRow(dib, j)[i / 8] >> (7 - i % 8) & 1;
        return double(white) / (h.biWidth * h.biHeight);
    };
    for (BYTE gray : {BYTE(0), BYTE(100), BYTE(200), BYTE(255)}) {
        SCOPED_TRACE(int(gray));
        files.Write("\\vsgray.bmp", PlainBmp(4, 4, Rgb{gray, gray, gray}));
        Config("[Scanner]\r\nFlatbedWidth=600\r\nFlatbedLength=400\r\n[Bed]\r\nFlatbed="
               + WindowsPath("\\vsgray.bmp") + "\r\n");
        LoadDriver();
        TestJob t = MakeJob(0, 0, 256, 256, 300, 1, 0);
        std::vector<BYTE> dib;
        ASSERT_EQ(700, Native(t, &dib));
        EXPECT_EQ(gray >= 128 ? 1.0 : 0.0, whiteShare(dib)) << "line art";
        t.job.jobImageType = 1;
        std::vector<BYTE> previous;
        for (int code = 0; code < 9; ++code) {
            t.job.halftoneCode = static_cast<BYTE>(code);
            ASSERT_EQ(700, Native(t, &dib));
            EXPECT_NEAR(gray / 255.0, whiteShare(dib), 0.13) << "pattern " << code;
            if (code == 8) {
                EXPECT_EQ(previous, dib) << "codes wrap around the eight patterns";
            }
            if (code == 0)
                previous = dib;
        }
        t.settings.diffusion = 1;
        ASSERT_EQ(700, Native(t, &dib));
        EXPECT_NEAR(gray / 255.0, whiteShare(dib), 0.02) << "diffusion";
    }
}

TEST_F(ImageTest, EveryPatternIsItsOwn)
{
    files.Write("\\vsgray.bmp", PlainBmp(4, 4, Rgb{100, 100, 100}));
    Config("[Scanner]\r\nFlatbedWidth=600\r\nFlatbedLength=400\r\n[Bed]\r\nFlatbed="
           + WindowsPath("\\vsgray.bmp") + "\r\n");
    TestJob t = MakeJob(0, 0, 240, 240, 300, 1, 1);
    std::vector<std::vector<BYTE>> images;
    for (int code = 1; code < 8; ++code) { // 0 and 2 share the pattern
        t.job.halftoneCode = static_cast<BYTE>(code);
        std::vector<BYTE> dib;
        ASSERT_EQ(700, Native(t, &dib));
        for (const auto& other : images)
            EXPECT_NE(other, dib) << "pattern " << code;
        images.push_back(dib);
    }
}

// Sizes are checked before anything is delivered.
TEST_F(ImageTest, UnusableJobsAreRefused)
{
    struct Case {
        const char* name;
        std::function<void(TestJob&)> spoil;
        int result;
    };
    const Case cases[] = {
        {"bytes per line short", [](TestJob& t) { t.job.outputBytesPerLine -= 1; }, 711},
        {"no bytes per line", [](TestJob& t) { t.job.outputBytesPerLine = 0; }, 711},
        {"1-bit line cut", [](TestJob& t) {
             t.settings.bitsPerPixel = 1;
             t.job.outputPixels = 100;
             t.job.outputBytesPerLine = 12;
         }, 711},
        {"no pixels", [](TestJob& t) { t.job.outputPixels = 0; }, 710},
        {"no lines", [](TestJob& t) { t.job.outputLines = 0; }, 710},
        {"no width", [](TestJob& t) { t.settings.cx = 0; }, 710},
        {"no length", [](TestJob& t) { t.settings.cy = 0; }, 710},
        {"3 bits", [](TestJob& t) { t.settings.bitsPerPixel = 3; }, 711},
        {"16 bits", [](TestJob& t) { t.settings.bitsPerPixel = 16; }, 711},
        {"no depth", [](TestJob& t) { t.settings.bitsPerPixel = 0; }, 711},
        {"line too wide", [](TestJob& t) {
             t.settings.bitsPerPixel = 1;
             t.job.outputPixels = 0x7FFFFFFF;
             t.job.outputBytesPerLine = 0x10000000;
         }, 702},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TestJob t = MakeJob(0, 0, 300, 300, 100, 24, 4);
        c.spoil(t);
        HGLOBAL handle = nullptr;
        EXPECT_EQ(c.result, d.createDIB(window, &handle, "twscan", &t.settings, &t.job, &t.params, 0,
                                        nullptr, nullptr, nullptr));
        EXPECT_EQ(nullptr, handle);
        std::string bmp;
        EXPECT_EQ(c.result, File(t, "vsbad.bmp", &bmp));
        EXPECT_TRUE(bmp.empty());
        std::vector<BYTE> buffer(1 << 16, 0xCD);
        TW_IMAGEMEMXFER xfer = {};
        xfer.Memory = {TWMF_APPOWNS | TWMF_POINTER, static_cast<TW_UINT32>(buffer.size()),
                       buffer.data()};
        EXPECT_EQ(c.result, d.avMemXfer(window, &xfer, &t.settings, &t.job, &t.params, 0, nullptr,
                                        nullptr, nullptr));
        EXPECT_EQ(std::vector<BYTE>(1 << 16, 0xCD), buffer);
        EXPECT_EQ(0u, t.job.transferActive);
    }
}

TEST_F(ImageTest, MissingRecordsAndUnknownCallsAreRefused)
{
    TestJob t = MakeJob(0, 0, 300, 300, 100, 24, 4);
    HGLOBAL handle = nullptr;
    EXPECT_EQ(711, d.createDIB(window, &handle, "twscan", nullptr, &t.job, &t.params, 0, nullptr,
                               nullptr, nullptr));
    EXPECT_EQ(711, d.createDIB(window, &handle, "twscan", &t.settings, nullptr, &t.params, 0,
                               nullptr, nullptr, nullptr));
    EXPECT_EQ(705, d.createDIB(window, nullptr, "twscan", &t.settings, &t.job, &t.params, 0,
                               nullptr, nullptr, nullptr));
    EXPECT_EQ(705, d.createDIB(window, &handle, "twscan", &t.settings, &t.job, &t.params, 2,
                               nullptr, nullptr, nullptr));
    EXPECT_EQ(nullptr, handle);
    TW_IMAGEMEMXFER xfer = {};
    EXPECT_EQ(711, d.avMemXfer(window, nullptr, &t.settings, &t.job, &t.params, 0, nullptr, nullptr,
                               nullptr));
    EXPECT_EQ(711, d.avMemXfer(window, &xfer, &t.settings, nullptr, &t.params, 0, nullptr, nullptr,
                               nullptr));
    xfer.Memory = {TWMF_APPOWNS | TWMF_POINTER, 100000, nullptr};
    EXPECT_EQ(711, d.avMemXfer(window, &xfer, &t.settings, &t.job, &t.params, 0, nullptr, nullptr,
                               nullptr)) << "no buffer";
    EXPECT_EQ(0u, t.job.transferActive);
}

TEST_F(ImageTest, BufferShorterThanOneLineGetsNothing)
{
    for (bool handle : {false, true}) {
        TestJob t = MakeJob(0, 0, 300, 300, 100, 24, 4);
        const DWORD length = t.job.outputBytesPerLine - 1;
        std::vector<BYTE> buffer(length + 16, 0xCD);
        HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, length);
        std::memset(GlobalLock(memory), 0xCD, length);
        GlobalUnlock(memory);
        TW_IMAGEMEMXFER xfer = {};
        xfer.Memory = {TW_UINT32(TWMF_APPOWNS | (handle ? TWMF_HANDLE : TWMF_POINTER)), length,
                       handle ? static_cast<void*>(memory) : buffer.data()};
        EXPECT_EQ(711, d.avMemXfer(window, &xfer, &t.settings, &t.job, &t.params, 0, nullptr,
                                   nullptr, nullptr));
        EXPECT_EQ(std::vector<BYTE>(length + 16, 0xCD), buffer);
        const BYTE* bytes = static_cast<const BYTE*>(GlobalLock(memory));
        EXPECT_EQ(std::vector<BYTE>(length, 0xCD), std::vector<BYTE>(bytes, bytes + length));
        GlobalUnlock(memory);
        GlobalFree(memory);
        EXPECT_EQ(0u, t.job.transferActive);
        // A buffer of the job's size after the refusal starts the image afresh.
        const auto strips = Memory(t, 100);
        ASSERT_EQ(1u, strips.size());
        EXPECT_EQ(6, strips[0].result);
        EXPECT_EQ(0u, strips[0].xfer.YOffset);
    }
}

// An application may ask for a frame of 65535 units at 1200 dpi: far more
// than a bitmap can hold. Memory strips need only lines and still work.
TEST_F(ImageTest, HugeJobsGetNoMemoryInsteadOfACrash)
{
    TestJob t = MakeJob(0, 0, 65535, 65535, 1200, 24, 4);
    ASSERT_EQ(262140u, t.job.outputPixels);
    HGLOBAL handle = nullptr;
    EXPECT_EQ(702, d.createDIB(window, &handle, "twscan", &t.settings, &t.job, &t.params, 0, nullptr,
                               nullptr, nullptr));
    EXPECT_EQ(nullptr, handle);
    std::string bmp;
    EXPECT_EQ(702, File(t, "vshuge.bmp", &bmp));
    EXPECT_FALSE(files.Exists("\\vshuge.bmp"));
    std::vector<BYTE> line(t.job.outputBytesPerLine);
    TW_IMAGEMEMXFER xfer = {};
    xfer.Memory = {TWMF_APPOWNS | TWMF_POINTER, static_cast<TW_UINT32>(line.size()), line.data()};
    EXPECT_EQ(700, d.avMemXfer(window, &xfer, &t.settings, &t.job, &t.params, 0, nullptr, nullptr,
                               nullptr));
    EXPECT_EQ(1u, xfer.Rows);
    EXPECT_EQ(kWhite, (Rgb{line[3 * 10000], line[3 * 10000 + 1], line[3 * 10000 + 2]}))
        << "beyond the bed";
    // A gray job whose bitmap is just too big for the limit.
    TestJob gray = MakeJob(0, 0, 65535, 65535, 500, 8, 2);
    EXPECT_EQ(702, d.createDIB(window, &handle, "twscan", &gray.settings, &gray.job, &gray.params,
                               0, nullptr, nullptr, nullptr));
}

TEST_F(ImageTest, HostileBedFilesFailCleanly)
{
    const std::string good = TestBedBmp();
    auto patched = [&](size_t offset, const void* value, size_t size) {
        std::string bytes = good;
        std::memcpy(&bytes[offset], value, size);
        return bytes;
    };
    auto dword = [&](size_t offset, DWORD value) { return patched(offset, &value, 4); };
    auto word = [&](size_t offset, WORD value) { return patched(offset, &value, 2); };
    const size_t info = sizeof(BITMAPFILEHEADER);
    struct Case {
        const char* name;
        std::string bytes;
    };
    const Case cases[] = {
        {"empty", ""},
        {"file header only", good.substr(0, 14)},
        {"truncated pixels", good.substr(0, good.size() - 10)},
        {"not a bitmap", "XX" + good.substr(2)},
        {"8 bits", word(info + offsetof(BITMAPINFOHEADER, biBitCount), 8)},
        {"32 bits", word(info + offsetof(BITMAPINFOHEADER, biBitCount), 32)},
        {"compressed", dword(info + offsetof(BITMAPINFOHEADER, biCompression), BI_RLE8)},
        {"no width", dword(info + offsetof(BITMAPINFOHEADER, biWidth), 0)},
        {"negative width", dword(info + offsetof(BITMAPINFOHEADER, biWidth), DWORD(-6))},
        {"no height", dword(info + offsetof(BITMAPINFOHEADER, biHeight), 0)},
        {"wide beyond the data", dword(info + offsetof(BITMAPINFOHEADER, biWidth), 100000)},
        {"tall beyond the data", dword(info + offsetof(BITMAPINFOHEADER, biHeight), 30000)},
        {"most negative height", dword(info + offsetof(BITMAPINFOHEADER, biHeight), 0x80000000)},
        {"core header", dword(info, 12)},
        {"huge header", dword(info, 0x7FFFFFFF)},
        {"pixels beyond the file", dword(offsetof(BITMAPFILEHEADER, bfOffBits), 0x7FFFFFF0)},
        {"pixels inside the header", dword(offsetof(BITMAPFILEHEADER, bfOffBits), 20)},
        {"two planes", word(info + offsetof(BITMAPINFOHEADER, biPlanes), 2)},
    };
    TestJob t = MakeJob(0, 0, 300, 300, 100, 24, 4);
    t.settings.prescanWidth = 600;
    t.settings.prescanLength = 400;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = files.Write("\\vshostile.bmp", c.bytes);
        Config("[Scanner]\r\nFlatbedWidth=600\r\nFlatbedLength=400\r\n[Bed]\r\nFlatbed=" + path
               + "\r\n");
        std::vector<BYTE> dib;
        EXPECT_EQ(720, Native(t, &dib));
        EXPECT_EQ(720, d.preScanFile(window, &t.settings, nullptr, 100, 100));
        EXPECT_FALSE(files.Exists("\\kmpre.bmp"));
    }
    Config("[Bed]\r\nFlatbed=" + WindowsPath("\\no such bed.bmp") + "\r\n");
    std::vector<BYTE> dib;
    EXPECT_EQ(720, Native(t, &dib));
}

TEST_F(ImageTest, TopDownBedFilesAreUpright)
{
    std::string bmp = TestBedBmp();
    // Store the same picture top-down: negative height, rows in reverse.
    const size_t offset = sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER);
    const size_t stride = (kBedColumns * 3 + 3) & ~3;
    std::string flipped = bmp.substr(0, offset);
    for (int row = kBedRows - 1; row >= 0; --row)
        flipped += bmp.substr(offset + row * stride, stride);
    const LONG height = -kBedRows;
    std::memcpy(&flipped[sizeof(BITMAPFILEHEADER) + offsetof(BITMAPINFOHEADER, biHeight)], &height, 4);
    const std::string path = files.Write("\\vstopdown.bmp", flipped);
    Config("[Scanner]\r\nFlatbedWidth=600\r\nFlatbedLength=400\r\n[Bed]\r\nFlatbed=" + path + "\r\n");
    TestJob t = MakeJob(0, 0, 600, 400, 30, 24, 4);
    std::vector<BYTE> dib;
    ASSERT_EQ(700, Native(t, &dib));
    for (DWORD j = 0; j < t.job.outputLines; ++j)
        for (DWORD i = 0; i < t.job.outputPixels; ++i)
            ASSERT_EQ(Expected(t, i, j), DibPixel24(dib, i, j)) << i << "," << j;
}

TEST_F(ImageTest, FeederAndFlatbedHaveTheirOwnBeds)
{
    const std::string bed = files.Write("\\vstestbed.bmp", TestBedBmp());
    const std::string red = files.Write("\\vsred.bmp", PlainBmp(3, 3, Rgb{200, 0, 0}));
    Config("[Scanner]\r\nFlatbedWidth=600\r\nFlatbedLength=400\r\nFeederWidth=300\r\n"
           "FeederLength=300\r\n[Bed]\r\nSheets=1\r\nFlatbed="
           + bed + "\r\nFeeder=" + red + "\r\n");
    LoadDriver();
    TestJob t = MakeJob(0, 0, 600, 400, 30, 24, 4);
    t.settings.scanMethod = 0;
    std::vector<BYTE> dib;
    ASSERT_EQ(700, Native(t, &dib));
    EXPECT_EQ((Rgb{200, 0, 0}), DibPixel24(dib, 0, 0));
    EXPECT_EQ((Rgb{200, 0, 0}), DibPixel24(dib, 29, 29));
    EXPECT_EQ(kWhite, DibPixel24(dib, 30, 0)) << "beyond the feeder's width";
    EXPECT_EQ(kWhite, DibPixel24(dib, 0, 30)) << "beyond the feeder's length";
    t.settings.scanMethod = 2;
    ASSERT_EQ(700, Native(t, &dib));
    EXPECT_EQ(BlockColour(0, 0), DibPixel24(dib, 0, 0));
}

// The configuration counts from the first call of each image: a change in
// the middle of a memory transfer waits for the next image.
TEST_F(ImageTest, ConfigurationIsReadAtTheFirstCallOfEachImage)
{
    TestJob t = MakeJob(0, 0, 600, 400, 30, 24, 4);
    std::vector<BYTE> buffer(t.job.outputBytesPerLine * 4);
    TW_IMAGEMEMXFER xfer = {};
    xfer.Memory = {TWMF_APPOWNS | TWMF_POINTER, static_cast<TW_UINT32>(buffer.size()), buffer.data()};
    auto strip = [&] {
        return d.avMemXfer(window, &xfer, &t.settings, &t.job, &t.params, 0, nullptr, nullptr, nullptr);
    };
    ASSERT_EQ(700, strip());
    const std::string blue = files.Write("\\vsblue.bmp", PlainBmp(2, 2, Rgb{0, 0, 250}));
    Config("[Scanner]\r\nFlatbedWidth=600\r\nFlatbedLength=400\r\n[Bed]\r\nFlatbed=" + blue
           + "\r\n[Faults]\r\nTransfer=707\r\n");
    int result;
    while ((result = strip()) == 700) {
    }
    ASSERT_EQ(6, result);
    EXPECT_EQ(BlockColour(0, 3), (Rgb{buffer[0], buffer[1], buffer[2]})) << "still the first bed";
    EXPECT_EQ(707, strip()) << "the next image sees the fault";
    Config("[Scanner]\r\nFlatbedWidth=600\r\nFlatbedLength=400\r\n[Bed]\r\nFlatbed=" + blue + "\r\n");
    std::vector<BYTE> dib;
    ASSERT_EQ(700, Native(t, &dib));
    EXPECT_EQ((Rgb{0, 0, 250}), DibPixel24(dib, 10, 10)) << "and the new bed";
}

TEST_F(ImageTest, PrescanShowsTheBedAtThePreviewWidth)
{
    TestJob t = MakeJob(0, 0, 600, 400, 100, 24, 4);
    t.settings.prescanWidth = 600;
    t.settings.prescanLength = 400;
    struct Case {
        const char* name;
        WORD prescanY, prescanLength;
        bool extended;
        LONG width;
        LONG height;
    };
    const Case cases[] = {
        {"whole bed", 0, 400, false, 300, 200},
        {"lower part, rectangle", 100, 200, true, 150, 50},
        {"beyond the bed", 300, 300, false, 60, 30},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        t.settings.prescanY = c.prescanY;
        t.settings.prescanLength = c.prescanLength;
        RECT preview{10, 5, 10 + c.width, 999};
        const int result = c.extended ? d.preScanFileEx(window, &t.settings, nullptr,
                                                        reinterpret_cast<LPARAM>(&preview), 1)
                                      : d.preScanFile(window, &t.settings, nullptr, c.width, 77);
        ASSERT_EQ(0, result);
        const std::string bmp = files.Read("\\kmpre.bmp");
        ASSERT_GT(bmp.size(), 54u);
        const auto* info = reinterpret_cast<const BITMAPINFOHEADER*>(bmp.data() + 14);
        EXPECT_EQ(c.width, info->biWidth);
        EXPECT_EQ(c.height, info->biHeight);
        EXPECT_EQ(24, info->biBitCount);
        const size_t stride = (c.width * 3 + 3) & ~3;
        EXPECT_EQ(54 + stride * c.height, bmp.size());
        for (LONG j = 0; j < c.height; ++j)
            for (LONG i = 0; i < c.width; ++i) {
                const BYTE* p = reinterpret_cast<const BYTE*>(bmp.data()) + 54
                                + (c.height - 1 - j) * stride + 3 * i;
                const Rgb expected = BedAt((2 * i + 1) * 600LL / (2 * c.width),
                                           c.prescanY + (2 * j + 1) * c.prescanLength / (2LL * c.height));
                ASSERT_EQ(expected, (Rgb{p[2], p[1], p[0]})) << i << "," << j;
            }
    }
}

TEST_F(ImageTest, PrescanRefusesWhatItCannotDraw)
{
    TestJob t = MakeJob(0, 0, 600, 400, 100, 24, 4);
    t.settings.prescanWidth = 600;
    t.settings.prescanLength = 400;
    EXPECT_EQ(711, d.preScanFile(window, &t.settings, nullptr, 0, 100));
    EXPECT_EQ(711, d.preScanFile(window, &t.settings, nullptr, -5, 100));
    EXPECT_EQ(711, d.preScanFile(window, &t.settings, nullptr, 1 << 20, 100));
    EXPECT_EQ(711, d.preScanFile(window, nullptr, nullptr, 100, 100));
    EXPECT_EQ(711, d.preScanFileEx(window, &t.settings, nullptr, 0, 1));
    RECT backwards{100, 0, 50, 10};
    EXPECT_EQ(711, d.preScanFileEx(window, &t.settings, nullptr, reinterpret_cast<LPARAM>(&backwards), 1));
    t.settings.prescanWidth = 0;
    EXPECT_EQ(710, d.preScanFile(window, &t.settings, nullptr, 100, 100));
    t.settings.prescanWidth = 600;
    t.settings.prescanLength = 0;
    EXPECT_EQ(710, d.preScanFile(window, &t.settings, nullptr, 100, 100));
    EXPECT_FALSE(files.Exists("\\kmpre.bmp"));
}

// Without a configured image the bed holds a document with clear edges,
// dark and light parts and colours, and a white margin all round.
TEST_F(ImageTest, BuiltInPageGivesAutoSizeSomethingToFind)
{
    Config("");
    TestJob t = MakeJob(0, 0, 600, 400, 100, 24, 4);
    t.settings.prescanWidth = 2550;
    t.settings.prescanLength = 3508;
    ASSERT_EQ(0, d.preScanFile(window, &t.settings, nullptr, 255, 351));
    const std::string bmp = files.Read("\\kmpre.bmp");
    const auto* info = reinterpret_cast<const BITMAPINFOHEADER*>(bmp.data() + 14);
    ASSERT_EQ(255, info->biWidth);
    ASSERT_EQ(351, info->biHeight);
    const size_t stride = (255 * 3 + 3) & ~3;
    auto pixel = [&](int i, int j) {
        const BYTE* p = reinterpret_cast<const BYTE*>(bmp.data()) + 54 + (350 - j) * stride + 3 * i;
        return Rgb{p[2], p[1], p[0]};
    };
    for (int i = 0; i < 255; ++i) {
        ASSERT_EQ(kWhite, pixel(i, 0));
        ASSERT_EQ(kWhite, pixel(i, 350));
    }
    for (int j = 0; j < 351; ++j) {
        ASSERT_EQ(kWhite, pixel(0, j));
        ASSERT_EQ(kWhite, pixel(254, j));
    }
    // The document's edge, found from the left on the middle line.
    int edge = 0;
    while (edge < 255 && pixel(edge, 175) == kWhite)
        ++edge;
    EXPECT_GT(edge, 10);
    EXPECT_LT(edge, 40);
    const Rgb frame = pixel(edge, 175);
    EXPECT_LT(Luminance(frame), 80) << frame;
    int dark = 0, light = 0, colourful = 0;
    for (int j = 0; j < 351; ++j)
        for (int i = 0; i < 255; ++i) {
            const Rgb c = pixel(i, j);
            dark += Luminance(c) < 60;
            light += Luminance(c) > 230;
            colourful += std::max({c.r, c.g, c.b}) - std::min({c.r, c.g, c.b}) > 120;
        }
    EXPECT_GT(dark, 255 * 351 / 50);
    EXPECT_GT(light, 255 * 351 / 2);
    EXPECT_GT(colourful, 100);
}
