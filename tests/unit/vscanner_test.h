// What the virtual scanner's tests share: the two driver libraries loaded
// from the test program's folder and called as the data source calls them,
// vscanner.ini and bed images written into the Windows directory, jobs filled
// in by hand the way a derivation fills them, and the bed colours the test
// images expect.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "driver.h"
#include "profile.h"
#include "testsupport.h"


constexpr Rgb kWhite{255, 255, 255};

// The test bed: a BMP of kBedColumns x kBedRows blocks, each block a colour of
// its own, lying on a bed of kBedWidth x kBedLength (1/300 inch): every
// block covers 100 x 100 bed pixels.
constexpr int kBedColumns = 6;
constexpr int kBedRows = 4;
constexpr int kBedWidth = 600;
constexpr int kBedLength = 400;
Rgb BlockColour(int column, int row);
// The bed at (x, y), 1/300 inch: the block there, white beyond the bed.
Rgb BedAt(long long x, long long y);

// A 24-bit bottom-up BMP file of width x height, colour(x, y) with y = 0 the top.
template <typename Colour> std::string MakeBmp(int width, int height, Colour colour);
std::string TestBedBmp();
// A BMP that is one colour.
std::string PlainBmp(int width, int height, Rgb colour);

// Settings with neutral tone, flatbed, scan area and resolution; a job with
// the sizes a derivation gives (pixels and lines = area x resolution / 300,
// bytes per line by depth).
struct TestJob {
    ScanSettings settings;
    JobInfo job;
    ScanParameters params;
};
TestJob MakeJob(int x, int y, int cx, int cy, int resolution, int bits, int imageType);
DWORD BytesPerLine(DWORD pixels, int bits);

// The output pixel (i, j) of the job: the bed at the pixel's centre.
Rgb Expected(const TestJob& t, long long i, long long j);

class VirtualScannerTest : public SourceTest {
protected:
    void SetUp() override;
    void TearDown() override;

    // Loads (or loads again) both libraries; the device library reads
    // [Bed] "Sheets" then.
    void LoadDriver();
    void UnloadDriver();
    void Config(const std::string& ini);
    // vscanner.ini with the test bed on the flatbed, plus more lines.
    void UseTestBed(const std::string& more = "");
    std::vector<std::string> LogLines();
    std::string LastLogLine();

    // Native transfer; the DIB's bytes (empty unless 700).
    int Native(TestJob& t, std::vector<BYTE>* dib);
    // Every strip of a memory transfer into a buffer of rowsPerStrip lines.
    struct Strip {
        int result;
        TW_IMAGEMEMXFER xfer;
        std::vector<BYTE> data;
        DWORD activeAfter;
    };
    std::vector<Strip> Memory(TestJob& t, DWORD rowsPerStrip, bool handle = false);

    DriverTable d{}; // the test's own binding, apart from the data source's
    HWND window = nullptr;
    HGLOBAL dibHandle = nullptr;
};

// Readers of a packed DIB.
const BITMAPINFOHEADER& DibHeader(const std::vector<BYTE>& dib);
const RGBQUAD* DibPalette(const std::vector<BYTE>& dib);
// Row j counted from the top of the image.
const BYTE* DibRow(const std::vector<BYTE>& dib, long j);
Rgb DibPixel24(const std::vector<BYTE>& dib, long i, long j);

template <typename Colour> std::string MakeBmp(int width, int height, Colour colour)
{
    const int stride = (width * 3 + 3) & ~3;
    BITMAPFILEHEADER file = {};
    BITMAPINFOHEADER info = {};
    file.bfType = 0x4D42;
    file.bfOffBits = sizeof file + sizeof info;
    file.bfSize = file.bfOffBits + stride * height;
    info.biSize = sizeof info;
    info.biWidth = width;
    info.biHeight = height;
    info.biPlanes = 1;
    info.biBitCount = 24;
    info.biSizeImage = stride * height;
    std::string bytes(reinterpret_cast<const char*>(&file), sizeof file);
    bytes.append(reinterpret_cast<const char*>(&info), sizeof info);
    for (int row = height - 1; row >= 0; --row) {
        std::string line(stride, '\0');
        for (int x = 0; x < width; ++x) {
            const Rgb c = colour(x, row);
            line[3 * x] = static_cast<char>(c.b);
            line[3 * x + 1] = static_cast<char>(c.g);
            line[3 * x + 2] = static_cast<char>(c.r);
        }
        bytes += line;
    }
    return bytes;
}
