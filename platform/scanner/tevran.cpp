// tevran.dll, the transfer library of the virtual scanner: CreateDIB (native
// bitmap or BMP file) and AvMemXfer (memory strips). Both render the job from
// the bed through the image pipeline and log one line per call.
#include <windows.h>

#include <cstring>
#include <type_traits>

#include "bed.h"
#include "calllog.h"
#include "config.h"
#include "dib.h"
#include "driverapi.h"
#include "pipeline.h"
#include "results.h"
#include "sheets.h"

namespace {

constexpr int kMechanismNative = 0;
constexpr int kMechanismFile = 1;
// Not a driver result the data source knows: a call it never makes (an
// unknown mechanism, no handle slot) fails silently.
constexpr int kResultBadCall = kResultSilent;

// The image being delivered in memory strips. Its configuration, job and
// bed are those of its first strip.
struct MemoryImage {
    bool active;
    JobInfo* job;
    LineRenderer renderer;
    uint32_t nextLine;
};

MemoryImage memoryImage{};

// Forgets the memory image. Its job record is not touched here: the caller
// clears the flag of the job in hand (an abandoned image's record may be gone).
void DropMemoryImage()
{
    StopRenderer(&memoryImage.renderer);
    memoryImage.active = false;
    memoryImage.job = nullptr;
    memoryImage.nextLine = 0;
}

// Everything an image needs before its first line: the fault switch, a
// usable job, paper for the feeder, the bed and the renderer.
int StartImage(ScanSettings* settings, JobInfo* job, ByteOrder order, LineRenderer* renderer)
{
    const VirtualScannerConfig config = ReadConfig();
    if (config.faults.transfer)
        return config.faults.transfer;
    ImageJob image;
    int result = DescribeImage(settings, job, &image);
    if (result != kResultOk)
        return result;
    if (image.feeder && FeederSheetsLeft() <= 0)
        return kResultNoPaper;
    BedPtr bed;
    result = AcquireBed(config, image.feeder ? kBedFeeder : kBedFlatbed, &bed);
    if (result != kResultOk)
        return result;
    return StartRenderer(renderer, image, std::move(bed), order);
}

int DeliverDib(HGLOBAL* dibHandle, const char* name, ScanSettings* settings, JobInfo* job,
               int mechanism)
{
    // A bitmap is a whole image of its own: a memory image in progress ends.
    DropMemoryImage();
    if ((mechanism != kMechanismNative && mechanism != kMechanismFile)
        || (mechanism == kMechanismNative && !dibHandle))
        return kResultBadCall;
    LineRenderer renderer{};
    int result = StartImage(settings, job, ByteOrder::Bgr, &renderer);
    if (result != kResultOk)
        return result;
    job->transferActive = 1;
    if (mechanism == kMechanismNative)
        result = CreateNativeDib(&renderer, dibHandle);
    else
        result = WriteBmpFile(name, &renderer);
    job->transferActive = 0;
    const bool feeder = renderer.job.feeder;
    StopRenderer(&renderer);
    if (result == kResultOk && feeder)
        UseFeederSheet();
    return result;
}

// The application's buffer for one strip: its address and usable length.
struct StripBuffer {
    BYTE* data;
    uint32_t length;
    HGLOBAL handle; // locked, when the buffer came as a handle
};

StripBuffer LockStripBuffer(TW_IMAGEMEMXFER* xfer)
{
    StripBuffer buffer{nullptr, xfer->Memory.Length, nullptr};
    if (!xfer->Memory.TheMem)
        return buffer;
    if (xfer->Memory.Flags & TWMF_HANDLE) {
        buffer.handle = static_cast<HGLOBAL>(xfer->Memory.TheMem);
        const SIZE_T size = GlobalSize(buffer.handle);
        if (size < buffer.length)
            buffer.length = static_cast<uint32_t>(size);
        buffer.data = static_cast<BYTE*>(GlobalLock(buffer.handle));
        if (!buffer.data)
            buffer.handle = nullptr;
    } else {
        buffer.data = static_cast<BYTE*>(xfer->Memory.TheMem);
    }
    return buffer;
}

int DeliverStrip(TW_IMAGEMEMXFER* xfer, ScanSettings* settings, JobInfo* job)
{
    if (!job)
        return kResultBadWidth;
    // A new image begins when none is in progress for this job, or when the
    // data source has cleared the flag (a new derivation).
    if (!memoryImage.active || memoryImage.job != job || job->transferActive == 0) {
        DropMemoryImage();
        int result = StartImage(settings, job, ByteOrder::Rgb, &memoryImage.renderer);
        if (result != kResultOk) {
            StopRenderer(&memoryImage.renderer);
            return result;
        }
        memoryImage.active = true;
        memoryImage.job = job;
        memoryImage.nextLine = 0;
    }
    const ImageJob& image = memoryImage.renderer.job;
    StripBuffer buffer = xfer ? LockStripBuffer(xfer) : StripBuffer{};
    const uint32_t rowsFit = buffer.data ? buffer.length / image.bytesPerLine : 0;
    if (rowsFit == 0) {
        // Not even one line fits: nothing is written and the image is given up.
        if (buffer.handle)
            GlobalUnlock(buffer.handle);
        DropMemoryImage();
        job->transferActive = 0;
        return kResultBadWidth;
    }
    job->transferActive = 1;
    const uint32_t first = memoryImage.nextLine;
    const uint32_t rows = image.lines - first < rowsFit ? image.lines - first : rowsFit;
    for (uint32_t k = 0; k < rows; ++k) {
        BYTE* out = buffer.data + static_cast<size_t>(k) * image.bytesPerLine;
        RenderLine(&memoryImage.renderer, first + k, out, k ? out - image.bytesPerLine : nullptr);
        std::memset(out + image.packedBytes, 0, image.bytesPerLine - image.packedBytes);
    }
    if (buffer.handle)
        GlobalUnlock(buffer.handle);
    xfer->Compression = TWCP_NONE;
    xfer->BytesPerRow = image.bytesPerLine;
    xfer->Columns = image.pixels;
    xfer->Rows = rows;
    xfer->XOffset = 0;
    xfer->YOffset = first;
    xfer->BytesWritten = rows * image.bytesPerLine;
    memoryImage.nextLine = first + rows;
    if (memoryImage.nextLine < image.lines)
        return kResultOk;
    const bool feeder = image.feeder;
    DropMemoryImage();
    job->transferActive = 0;
    if (feeder)
        UseFeederSheet();
    return kResultEnd;
}

} // namespace

extern "C" {

int WINAPI CreateDIB(HWND dialog, HGLOBAL* dibHandle, const char* name, ScanSettings* settings,
                     JobInfo* job, ScanParameters* params, int mechanism, void* buffer1,
                     void* buffer2, void* buffer3)
{
    const int result = DeliverDib(dibHandle, name, settings, job, mechanism);
    LogCall("CreateDIB",
            {LogPointer(dialog), LogPointer(dibHandle), LogText(name), LogPointer(settings),
             LogPointer(job), LogPointer(params), LogInt(mechanism), LogPointer(buffer1),
             LogPointer(buffer2), LogPointer(buffer3)},
            result);
    return result;
}

int WINAPI AvMemXfer(HWND dialog, TW_IMAGEMEMXFER* xfer, ScanSettings* settings, JobInfo* job,
                     ScanParameters* params, int zero, void* buffer1, void* buffer2, void* buffer3)
{
    const int result = DeliverStrip(xfer, settings, job);
    LogCall("AvMemXfer",
            {LogPointer(dialog), LogPointer(xfer), LogPointer(settings), LogPointer(job),
             LogPointer(params), LogInt(zero), LogPointer(buffer1), LogPointer(buffer2),
             LogPointer(buffer3)},
            result);
    return result;
}

} // extern "C"

static_assert(std::is_same_v<decltype(&CreateDIB), CreateDIBProc>);
static_assert(std::is_same_v<decltype(&AvMemXfer), AvMemXferProc>);
