// Speed of the virtual scanner's transfers: a letter-size colour page
// (8.5 x 11 in) at 300 and 600 dpi through the native, file and memory
// mechanisms, each against a plain memcpy of the same number of bytes timed
// in the same run. Not a test: it prints figures.
//
//   tools/wine-run.sh build/x86_64/wineprefix build/x86_64/bin/bench_transfers.exe
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "driverapi.h"

namespace {

constexpr int kRuns = 5;
constexpr DWORD kStripBytes = 1u << 20; // what applications commonly ask for

AvMemXferProc avMemXfer;
CreateDIBProc createDIB;

double Now()
{
    static LARGE_INTEGER frequency = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return f;
    }();
    LARGE_INTEGER counter;
    QueryPerformanceCounter(&counter);
    return double(counter.QuadPart) / double(frequency.QuadPart);
}

struct Page {
    ScanSettings settings;
    JobInfo job;
    ScanParameters params;
    size_t dibBytes; // rows of the bitmap, padded
};

Page LetterPage(int resolution)
{
    Page page = {};
    ScanSettings& s = page.settings;
    s.masterBrightness = s.redBrightness = s.greenBrightness = s.blueBrightness = 100;
    s.masterContrast = s.redContrast = s.greenContrast = s.blueContrast = 100;
    s.masterHighlight = s.redHighlight = s.greenHighlight = s.blueHighlight = 255;
    s.masterGammaValue = s.redGammaValue = s.greenGammaValue = s.blueGammaValue = 100;
    s.cx = 2550;
    s.cy = 3300;
    s.resolution = static_cast<WORD>(resolution);
    s.bitsPerPixel = 24;
    s.imageType = 4;
    s.scanMethod = 2;
    JobInfo& j = page.job;
    j.jobImageType = 4;
    j.outputPixels = j.scanPixels = 2550 * resolution / 300;
    j.outputLines = j.scanLines = 3300 * resolution / 300;
    j.outputBytesPerLine = j.scanBytesPerLine = 3 * j.outputPixels;
    page.dibBytes = static_cast<size_t>((j.outputBytesPerLine + 3) & ~3u) * j.outputLines;
    return page;
}

// The best of kRuns, in milliseconds.
template <typename Run> double Best(Run run)
{
    double best = 1e30;
    for (int i = 0; i < kRuns; ++i) {
        const double start = Now();
        if (!run())
            return -1;
        best = std::min(best, (Now() - start) * 1000);
    }
    return best;
}

bool Native(Page& page)
{
    HGLOBAL dib = nullptr;
    const int result = createDIB(nullptr, &dib, "bench", &page.settings, &page.job, &page.params, 0,
                                 nullptr, nullptr, nullptr);
    if (dib)
        GlobalFree(dib);
    return result == 700;
}

bool File(Page& page, const std::string& path)
{
    HGLOBAL dib = nullptr;
    const int result = createDIB(nullptr, &dib, path.c_str(), &page.settings, &page.job,
                                 &page.params, 1, nullptr, nullptr, nullptr);
    return result == 700;
}

bool Memory(Page& page, std::vector<BYTE>& buffer, DWORD stripBytes)
{
    TW_IMAGEMEMXFER xfer = {};
    const DWORD rows = std::max<DWORD>(1, stripBytes / page.job.outputBytesPerLine);
    buffer.resize(static_cast<size_t>(rows) * page.job.outputBytesPerLine);
    for (;;) {
        xfer.Memory = {TWMF_APPOWNS | TWMF_POINTER, static_cast<TW_UINT32>(buffer.size()),
                       buffer.data()};
        const int result = avMemXfer(nullptr, &xfer, &page.settings, &page.job, &page.params, 0,
                                     nullptr, nullptr, nullptr);
        if (result == 6)
            return true;
        if (result != 700)
            return false;
    }
}

void Report(const char* name, double ms, double copyMs)
{
    if (ms < 0)
        std::printf("  %-34s failed\n", name);
    else
        std::printf("  %-34s %8.1f ms   %5.2f x memcpy\n", name, ms, ms / copyMs);
}

} // namespace

int main()
{
    char program[MAX_PATH];
    std::string folder(program, GetModuleFileNameA(nullptr, program, MAX_PATH));
    folder.erase(folder.find_last_of("\\/") + 1);
    HMODULE device = LoadLibraryA((folder + "morlin.dll").c_str());
    HMODULE transfer = LoadLibraryA((folder + "tevran.dll").c_str());
    if (!device || !transfer) {
        std::fprintf(stderr, "cannot load morlin.dll and tevran.dll from %s\n", folder.c_str());
        return 1;
    }
    avMemXfer = reinterpret_cast<AvMemXferProc>(
        reinterpret_cast<void*>(GetProcAddress(transfer, "AvMemXfer")));
    createDIB = reinterpret_cast<CreateDIBProc>(
        reinterpret_cast<void*>(GetProcAddress(transfer, "CreateDIB")));
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    const std::string filePath = std::string(temp) + "bench_transfers.bmp";

    std::printf("Letter-size colour page, 24 bits, best of %d runs\n", kRuns);
    for (int resolution : {300, 600}) {
        Page page = LetterPage(resolution);
        const double bedStart = Now();
        if (!Native(page)) {
            std::fprintf(stderr, "the first transfer failed (see vscanner.ini)\n");
            return 1;
        }
        const double firstMs = (Now() - bedStart) * 1000;

        // memcpy of the bitmap's bytes: into fresh global memory, as the native
        // transfer must, and into memory already touched.
        std::vector<BYTE> source(page.dibBytes, 0x5A), warm(page.dibBytes, 0);
        const double copyFresh = Best([&] {
            HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, page.dibBytes);
            if (!memory)
                return false;
            std::memcpy(GlobalLock(memory), source.data(), page.dibBytes);
            GlobalUnlock(memory);
            GlobalFree(memory);
            return true;
        });
        const double copyWarm = Best([&] {
            std::memcpy(warm.data(), source.data(), page.dibBytes);
            return warm[page.dibBytes / 2] == 0x5A;
        });
        std::vector<BYTE> strip;
        const double native = Best([&] { return Native(page); });
        const double file = Best([&] { return File(page, filePath); });
        const double memory = Best([&] { return Memory(page, strip, kStripBytes); });
        const double whole = Best([&] {
            return Memory(page, strip, page.job.outputBytesPerLine * page.job.outputLines);
        });
        DeleteFileA(filePath.c_str());

        std::printf("\n%d dpi: %lu x %lu pixels, %.1f MiB (first transfer, bed included: %.1f ms)\n",
                    resolution, page.job.outputPixels, page.job.outputLines,
                    page.dibBytes / 1048576.0, firstMs);
        std::printf("  %-34s %8.1f ms\n", "memcpy into fresh global memory", copyFresh);
        std::printf("  %-34s %8.1f ms\n", "memcpy into touched memory", copyWarm);
        Report("native (CreateDIB, mechanism 0)", native, copyFresh);
        Report("file (CreateDIB, mechanism 1)", file, copyFresh);
        Report("memory (AvMemXfer, ~1 MiB strips)", memory, copyWarm);
        Report("memory (one strip for the image)", whole, copyWarm);
    }
    FreeLibrary(transfer);
    FreeLibrary(device);
    return 0;
}
