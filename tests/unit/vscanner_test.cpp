#include "vscanner_test.h"

#include <ostream>
#include <sstream>

Rgb BlockColour(int column, int row)
{
    return Rgb{static_cast<BYTE>(40 * column + 10), static_cast<BYTE>(60 * row + 20),
               static_cast<BYTE>(230 - 35 * column - 10 * row)};
}

Rgb BedAt(long long x, long long y)
{
    if (x < 0 || y < 0 || x >= kBedWidth || y >= kBedLength)
        return kWhite;
    return BlockColour(static_cast<int>(x / 100), static_cast<int>(y / 100));
}

std::string TestBedBmp()
{
    return MakeBmp(kBedColumns, kBedRows, [](int x, int y) { return BlockColour(x, y); });
}

std::string PlainBmp(int width, int height, Rgb colour)
{
    return MakeBmp(width, height, [colour](int, int) { return colour; });
}

DWORD BytesPerLine(DWORD pixels, int bits)
{
    switch (bits) {
    case 1:
        return (pixels + 7) / 8;
    case 4:
        return (pixels + 1) / 2;
    case 8:
        return pixels;
    default:
        return 3 * pixels;
    }
}

TestJob MakeJob(int x, int y, int cx, int cy, int resolution, int bits, int imageType)
{
    TestJob t = {};
    ScanSettings& s = t.settings;
    // Brightness, contrast, highlight and shadow are four bytes in a row.
    for (BYTE* tone : {&s.masterBrightness, &s.redBrightness, &s.greenBrightness, &s.blueBrightness}) {
        tone[0] = 100;
        tone[1] = 100;
        tone[2] = 255;
        tone[3] = 0;
    }
    s.masterGammaValue = s.redGammaValue = s.greenGammaValue = s.blueGammaValue = 100;
    s.x = static_cast<WORD>(x);
    s.y = static_cast<WORD>(y);
    s.cx = static_cast<WORD>(cx);
    s.cy = static_cast<WORD>(cy);
    s.resolution = static_cast<WORD>(resolution);
    s.bitsPerPixel = static_cast<BYTE>(bits);
    s.imageType = static_cast<BYTE>(imageType);
    s.scanMethod = 2;
    JobInfo& j = t.job;
    j.jobImageType = static_cast<BYTE>(imageType);
    j.outputPixels = j.scanPixels = static_cast<DWORD>(static_cast<long long>(cx) * resolution / 300);
    j.outputLines = j.scanLines = static_cast<DWORD>(static_cast<long long>(cy) * resolution / 300);
    j.outputBytesPerLine = j.scanBytesPerLine = BytesPerLine(j.outputPixels, bits);
    return t;
}

Rgb Expected(const TestJob& t, long long i, long long j)
{
    const ScanSettings& s = t.settings;
    const long long x = s.x + (2 * i + 1) * s.cx / (2LL * t.job.outputPixels);
    const long long y = s.y + (2 * j + 1) * s.cy / (2LL * t.job.outputLines);
    return BedAt(x, y);
}

void VirtualScannerTest::SetUp()
{
    SourceTest::SetUp();
    window = GetDesktopWindow();
    LoadDriver();
}

void VirtualScannerTest::TearDown()
{
    if (dibHandle)
        GlobalFree(dibHandle);
    UnloadDriver();
    SourceTest::TearDown();
}

void VirtualScannerTest::LoadDriver()
{
    UnloadDriver();
    const std::string folder = ProgramFolder();
    d.deviceLibrary = LoadLibraryA((folder + "morlin.dll").c_str());
    d.transferLibrary = LoadLibraryA((folder + "tevran.dll").c_str());
    ASSERT_NE(nullptr, d.deviceLibrary);
    ASSERT_NE(nullptr, d.transferLibrary);
    ASSERT_EQ(0, ResolveDriverFunctions(&d)) << "every driver function is exported";
}

void VirtualScannerTest::UnloadDriver()
{
    if (d.transferLibrary)
        FreeLibrary(d.transferLibrary);
    if (d.deviceLibrary)
        FreeLibrary(d.deviceLibrary);
    d = DriverTable{};
}

void VirtualScannerTest::Config(const std::string& ini)
{
    files.Write("\\vscanner.ini", ini);
}

void VirtualScannerTest::UseTestBed(const std::string& more)
{
    const std::string bed = files.Write("\\vstestbed.bmp", TestBedBmp());
    Config("[Scanner]\r\nFlatbedWidth=" + std::to_string(kBedWidth) + "\r\nFlatbedLength="
           + std::to_string(kBedLength) + "\r\nFeederWidth=" + std::to_string(kBedWidth)
           + "\r\nFeederLength=" + std::to_string(kBedLength) + "\r\n[Bed]\r\nFlatbed=" + bed
           + "\r\nFeeder=" + bed + "\r\n" + more);
}

std::vector<std::string> VirtualScannerTest::LogLines()
{
    std::vector<std::string> lines;
    std::istringstream in(files.Read("\\vscanner.log"));
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        lines.push_back(line);
    }
    return lines;
}

std::string VirtualScannerTest::LastLogLine()
{
    const auto lines = LogLines();
    return lines.empty() ? "(no log)" : lines.back();
}

int VirtualScannerTest::Native(TestJob& t, std::vector<BYTE>* dib)
{
    HGLOBAL handle = nullptr;
    const int result = d.createDIB(nullptr, &handle, "twscan", &t.settings, &t.job, &t.params, 0,
                                   nullptr, nullptr, nullptr);
    dib->clear();
    if (result == 700 && handle) {
        const BYTE* bytes = static_cast<const BYTE*>(GlobalLock(handle));
        dib->assign(bytes, bytes + GlobalSize(handle));
        GlobalUnlock(handle);
        GlobalFree(handle);
    }
    return result;
}

std::vector<VirtualScannerTest::Strip> VirtualScannerTest::Memory(TestJob& t, DWORD rowsPerStrip,
                                                                  bool handle)
{
    std::vector<Strip> strips;
    const DWORD length = rowsPerStrip * t.job.outputBytesPerLine;
    for (int call = 0; call < 100000; ++call) {
        Strip strip{};
        strip.data.assign(length, 0xCD);
        HGLOBAL memory = nullptr;
        strip.xfer.Memory.Length = length;
        if (handle) {
            memory = GlobalAlloc(GMEM_MOVEABLE, length);
            strip.xfer.Memory.Flags = TWMF_APPOWNS | TWMF_HANDLE;
            strip.xfer.Memory.TheMem = memory;
        } else {
            strip.xfer.Memory.Flags = TWMF_APPOWNS | TWMF_POINTER;
            strip.xfer.Memory.TheMem = strip.data.data();
        }
        strip.result = d.avMemXfer(window, &strip.xfer, &t.settings, &t.job, &t.params, 0, nullptr,
                                   nullptr, nullptr);
        if (memory) {
            const BYTE* bytes = static_cast<const BYTE*>(GlobalLock(memory));
            strip.data.assign(bytes, bytes + length);
            GlobalUnlock(memory);
            GlobalFree(memory);
        }
        strip.activeAfter = t.job.transferActive;
        strips.push_back(strip);
        if (strip.result != 700)
            break;
    }
    return strips;
}

const BITMAPINFOHEADER& DibHeader(const std::vector<BYTE>& dib)
{
    return *reinterpret_cast<const BITMAPINFOHEADER*>(dib.data());
}

const RGBQUAD* DibPalette(const std::vector<BYTE>& dib)
{
    return reinterpret_cast<const RGBQUAD*>(dib.data() + sizeof(BITMAPINFOHEADER));
}

const BYTE* DibRow(const std::vector<BYTE>& dib, long j)
{
    const BITMAPINFOHEADER& h = DibHeader(dib);
    const size_t stride = ((h.biWidth * h.biBitCount + 31) / 32) * 4;
    const BYTE* bits = dib.data() + h.biSize + h.biClrUsed * sizeof(RGBQUAD);
    return bits + (h.biHeight - 1 - j) * stride;
}

Rgb DibPixel24(const std::vector<BYTE>& dib, long i, long j)
{
    const BYTE* p = DibRow(dib, j) + 3 * i;
    return Rgb{p[2], p[1], p[0]};
}
