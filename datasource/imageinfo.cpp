// DAT_IMAGEINFO: what the next image will be; DAT_IMAGELAYOUT: where on the
// page it lies, in the units of ICAP_UNITS.
#include <cmath>
#include <cstring>
#include <string>

#include "driverapi.h"
#include "entry.h"
#include "errors.h"
#include "messagebox.h"
#include "profile.h"
#include "scanjob.h"
#include "state.h"

namespace {

constexpr const char* kInfoText = "General failure in transfer.  ";
constexpr const char* kLayoutText = "General failure in response to DAT_IMAGEINFO.  ";
constexpr const char* kDeriveText = "General failure in response to DAT_IDENTITY.  ";

// A layout pixel is 1/300 inch whatever the resolution.
constexpr double kPixelsPerInch = 300.0;
constexpr double kCentimetresPerInch = 2.54;
// Fractions go out scaled by 65535 and come in divided by 65536.
constexpr double kFracOut = 65535.0;
constexpr double kFracIn = 65536.0;

// The default frame: US letter, 8.5 by 11 inches.
constexpr WORD kLetterWidth = 2550;
constexpr WORD kLetterLength = 3300;

// Images this large are refused for "Image Edition", which cannot hold them.
constexpr unsigned long long kImageEditionLimit = 16777216;
constexpr int kLowMemoryTextMax = 129;

// Pixel type and samples by the job's image type.
struct PixelTypeRow {
    BYTE jobImageType;
    TW_INT16 pixelType;
    TW_INT16 samples;
    TW_INT16 bitsPerSample;
    bool derivedBitsPerPixel; // otherwise 8
    bool widthFromBytes;      // ImageWidth from the line's bytes
};
constexpr PixelTypeRow kPixelTypes[] = {
    {0, TWPT_BW, 1, 1, true, true},
    {1, TWPT_BW, 1, 1, true, true},
    {2, TWPT_GRAY, 1, 8, true, false},
    {3, TWPT_RGB, 3, 8, true, false},
    {4, TWPT_RGB, 3, 8, true, false},
    {5, TWPT_PALETTE, 1, 8, false, false},
    {6, TWPT_GRAY, 1, 4, true, false},
};
constexpr PixelTypeRow kPixelTypeOther = {0xFF, TWPT_PALETTE, 1, 8, false, false};

const PixelTypeRow& PixelTypeFor(BYTE jobImageType)
{
    for (const PixelTypeRow& row : kPixelTypes)
        if (row.jobImageType == jobImageType)
            return row;
    return kPixelTypeOther;
}

TW_FIX32 WholeFix32(int value)
{
    TW_FIX32 fix;
    fix.Whole = static_cast<TW_INT16>(value);
    fix.Frac = 0;
    return fix;
}

TW_FIX32 LayoutFix32(double value)
{
    const double whole = std::trunc(value);
    TW_FIX32 fix;
    fix.Whole = static_cast<TW_INT16>(static_cast<long>(whole));
    fix.Frac = static_cast<TW_UINT16>(static_cast<long>((value - whole) * kFracOut + 0.5));
    return fix;
}

std::string SettingsFile()
{
    return settingsPath[0] ? std::string(settingsPath) : SettingsFilePath();
}

void ShowImageEditionWarning()
{
    std::string text =
        ReadText(ModelFilePath(), ReadLanguage("Error").c_str(), "IDS_LOWMEMORY", "Error", kLowMemoryTextMax);
    const size_t comma = text.find(',');
    if (comma != std::string::npos)
        text.resize(comma);
    ShowMessageBox(nullptr, text.c_str(), nullptr, kMessageFlags);
}

TW_UINT16 GetLayout(pTW_IMAGELAYOUT layout)
{
    layout->DocumentNumber = layout->PageNumber = layout->FrameNumber = 1;
    // The frame as the UI plug-in last stored it.
    const std::string file = SettingsFile();
    const WORD x = static_cast<WORD>(ReadInt(file, "1", "x", 0));
    const WORD y = static_cast<WORD>(ReadInt(file, "1", "y", 0));
    const WORD cx = static_cast<WORD>(ReadInt(file, "1", "Cx", 0));
    const WORD cy = static_cast<WORD>(ReadInt(file, "1", "Cy", 0));
    TW_FRAME& frame = layout->Frame;

    if (unitsCurrent == TWUN_PIXELS) {
        frame.Left = WholeFix32(x);
        frame.Top = WholeFix32(y);
        frame.Right = WholeFix32(x + cx);
        frame.Bottom = WholeFix32(y + cy);
        return TWRC_SUCCESS;
    }
    double factor;
    if (unitsCurrent == TWUN_INCHES)
        factor = 1.0;
    else if (unitsCurrent == TWUN_CENTIMETERS)
        factor = kCentimetresPerInch;
    else
        return TWRC_SUCCESS; // the frame stays as the application passed it

    auto toUnit = [&](WORD value) -> float {
        return static_cast<float>(value * (1.0 / kPixelsPerInch) * factor);
    };
    const float left = toUnit(x), top = toUnit(y), width = toUnit(cx), length = toUnit(cy);
    frame.Left = LayoutFix32(left);
    frame.Top = LayoutFix32(top);
    frame.Right = LayoutFix32(static_cast<double>(left) + width);
    frame.Bottom = LayoutFix32(static_cast<double>(top) + length);
    return TWRC_SUCCESS;
}

TW_UINT16 DefaultLayout(pTW_IMAGELAYOUT layout)
{
    layout->DocumentNumber = layout->PageNumber = layout->FrameNumber = 1;
    unitsCurrent = TWUN_INCHES;
    layout->Frame.Left = WholeFix32(0);
    layout->Frame.Top = WholeFix32(0);
    layout->Frame.Right.Whole = 8;
    layout->Frame.Right.Frac = 32768;
    layout->Frame.Bottom = WholeFix32(11);
    // Asking for the default layout also makes it current.
    settings.x = 0;
    settings.y = 0;
    settings.cx = kLetterWidth;
    settings.cy = kLetterLength;
    return TWRC_SUCCESS;
}

// One edge of the application's frame in 1/300 inch, truncated toward zero.
double EdgeIn300(const TW_FIX32& edge, double perUnit)
{
    const double value = static_cast<double>(static_cast<float>(edge.Whole)) +
                         static_cast<double>(static_cast<float>(edge.Frac / kFracIn));
    return std::trunc(value * perUnit * kPixelsPerInch);
}

TW_UINT16 SetLayout(const TW_IMAGELAYOUT* layout)
{
    const TW_FRAME& frame = layout->Frame;
    double left, top, right, bottom;
    if (unitsCurrent == TWUN_PIXELS) {
        left = frame.Left.Whole;
        top = frame.Top.Whole;
        right = frame.Right.Whole;
        bottom = frame.Bottom.Whole;
    } else if (unitsCurrent == TWUN_INCHES || unitsCurrent == TWUN_CENTIMETERS) {
        const double perUnit = unitsCurrent == TWUN_INCHES ? 1.0 : 1.0 / kCentimetresPerInch;
        left = EdgeIn300(frame.Left, perUnit);
        top = EdgeIn300(frame.Top, perUnit);
        right = EdgeIn300(frame.Right, perUnit);
        bottom = EdgeIn300(frame.Bottom, perUnit);
    } else {
        return TWRC_SUCCESS;
    }

    // The area is stored in 16-bit fields: a frame before the page's origin,
    // turned inside out or beyond them would wrap into a wrong, huge area.
    constexpr double kFieldMax = 65535.0;
    if (left < 0 || top < 0 || right < left || bottom < top || right > kFieldMax || bottom > kFieldMax)
        return FailTriplet(TWCC_BADVALUE, kLayoutText);

    settings.x = static_cast<WORD>(left);
    settings.y = static_cast<WORD>(top);
    settings.cx = static_cast<WORD>(right - left);
    settings.cy = static_cast<WORD>(bottom - top);
    if (unitsCurrent == TWUN_PIXELS && IsApp("OmniPage Limited Edition")) {
        settings.x = 0;
        settings.y = 0;
        settings.cx = kLetterWidth;
        settings.cy = kLetterLength;
        settings.masterBrightness = 100;
    }
    return TWRC_SUCCESS;
}

} // namespace

TW_UINT16 ImageInfoHandler(TripletCall* call)
{
    if (sourceState != kStateXferReady)
        return FailTriplet(TWCC_SEQERROR, kInfoText);
    if (call->msg != MSG_GET)
        return FailTriplet(TWCC_BADPROTOCOL, kInfoText);

    auto* info = static_cast<pTW_IMAGEINFO>(call->data);
    info->XResolution = WholeFix32(settings.resolution);
    info->YResolution = WholeFix32(settings.resolution);

    // The image is described as the negotiated mechanism will deliver it:
    // the pixel multiple differs between memory and the other transfers, and
    // the application must receive the size it was told.
    const int result = DeriveJob(xferMechCurrent);
    if (result != kResultOk) {
        DS_Error(appWindow, kDeriveText, result);
        return TWRC_FAILURE;
    }

    const PixelTypeRow& row = PixelTypeFor(jobInfo.jobImageType);
    info->BitsPerPixel = row.derivedBitsPerPixel ? jobSettings.bitsPerPixel : 8;
    info->Planar = FALSE;
    info->Compression = TWCP_NONE;
    info->ImageLength = static_cast<TW_INT32>(jobInfo.outputLines);
    info->PixelType = row.pixelType;
    info->SamplesPerPixel = row.samples;
    for (int i = 0; i < 8; ++i)
        info->BitsPerSample[i] = i < row.samples ? row.bitsPerSample : 0;
    info->ImageWidth = static_cast<TW_INT32>(row.widthFromBytes ? jobInfo.outputBytesPerLine * 8
                                                                : jobInfo.outputPixels);
    if (row.pixelType == TWPT_RGB)
        planarChunkyCurrent = TWPC_CHUNKY;

    if (IsApp("Image Edition") &&
        1ull * jobInfo.outputLines * jobInfo.outputBytesPerLine >= kImageEditionLimit) {
        ShowImageEditionWarning();
        return TWRC_FAILURE;
    }
    return TWRC_SUCCESS;
}

TW_UINT16 ImageLayoutHandler(TripletCall* call)
{
    auto* layout = static_cast<pTW_IMAGELAYOUT>(call->data);
    switch (call->msg) {
    case MSG_GET:
    case MSG_GETCURRENT:
        return GetLayout(layout);
    case MSG_GETDEFAULT:
    case MSG_RESET:
        return DefaultLayout(layout);
    case MSG_SET:
        return SetLayout(layout);
    default:
        return FailTriplet(TWCC_BADPROTOCOL, kLayoutText);
    }
}
