#include "prescan.h"

#include "dib.h"
#include "pipeline.h"
#include "results.h"

int WritePrescanFile(const VirtualScannerConfig& config, const ScanSettings* settings,
                     long long previewWidth)
{
    if (!settings || previewWidth <= 0 || previewWidth > kMaxPreviewWidth)
        return kResultBadWidth;
    const uint32_t areaWidth = settings->prescanWidth;
    const uint32_t areaLength = settings->prescanLength;
    if (areaWidth == 0 || areaLength == 0)
        return kResultAreaTooSmall;
    const uint64_t width = static_cast<uint64_t>(previewWidth);
    uint64_t height = (width * areaLength + areaWidth / 2) / areaWidth;
    if (height == 0)
        height = 1;
    if (height * width * 3 > kMaxImageBytes)
        return kResultNoMemory;

    BedPtr bed;
    int result = AcquireBed(config, settings->scanMethod < 2 ? kBedFeeder : kBedFlatbed, &bed);
    if (result != kResultOk)
        return result;
    const ImageJob image = PlainColourImage(0, settings->prescanY, areaWidth, areaLength,
                                            static_cast<uint32_t>(width),
                                            static_cast<uint32_t>(height));
    LineRenderer renderer{};
    result = StartRenderer(&renderer, image, bed, ByteOrder::Bgr);
    if (result == kResultOk)
        result = WriteBmpFile(ScannerWindowsPath(kPrescanFileName).c_str(), &renderer);
    StopRenderer(&renderer);
    return result == kResultOk ? kResultPrescanDone : result;
}
