#include "scanjob.h"

#include <array>
#include <cstdlib>
#include <cstring>
#include <string_view>
#include <utility>

#include "driverapi.h"
#include "profile.h"
#include "settings.h"
#include "state.h"

namespace {

// Option bits of ScanSettings.functions.
// 0x04 and 0x10 both make the scanner work in its one-pass colour mode.
constexpr DWORD kFunctionColorModeA = 0x04;
constexpr DWORD kFunctionReduce = 0x08; // the scanner works above the resolution
constexpr DWORD kFunctionColorModeB = 0x10;
constexpr DWORD kFunctionQualityDescreen = 0x40;
constexpr DWORD kFunctionAlways = 0x80;

// Bits of ScannerAbility.optionFlags.
constexpr DWORD kAbilityNoGreenFilter = 1u << 4;
constexpr DWORD kAbilityTextEnhancement = 1u << 7;
constexpr DWORD kAbilityOption22 = 1u << 22;
constexpr DWORD kAbilityOption24 = 1u << 24;
constexpr DWORD kAbilityOption25 = 1u << 25;
constexpr DWORD kAbilityOwnResolutions = 1u << 26;

// Bits of ScanParameters.optionFlags.
constexpr WORD kParamThresholds = 0x80;
constexpr WORD kParamAlways = 0x9000;

constexpr int kMinimumSize = 64; // pixels and lines

constexpr std::string_view kWatermark = "Watermark";
constexpr std::string_view kClassLibrary = "Twain Class Library";
constexpr std::string_view kPhotoExpress = "iPhoto Express";

// Halftone pattern codes for halftone 0..6 by model, for scanners without a
// table of their own.
struct HalftoneModel {
    std::array<std::string_view, 3> prefixes;
    std::array<BYTE, 7> codes;
};
constexpr std::array<HalftoneModel, 3> kHalftoneModels{{
    {{"KM6410", "KM550", "KM570"}, {1, 2, 3, 4, 5, 6, 7}},
    {{"KM730", "KM710"}, {6, 3, 4, 5, 2, 7, 0}},
    {{"KM210C", "KM470"}, {1, 2, 0, 0, 0, 0, 0}},
}};
constexpr std::array<BYTE, 7> kHalftoneOther{4, 5, 6, 7, 1, 1, 0};

// Width alignments (line art, halftone, gray, colour) by model, for the same
// scanners.
enum class Firmware { Any, Above102, AtMost102 };
struct AlignmentModel {
    std::array<std::string_view, 4> prefixes;
    Firmware firmware;
    std::array<BYTE, 4> align;
};
constexpr std::array<AlignmentModel, 4> kAlignmentModels{{
    {{"KM6530", "KMB4", "KM730C", "KM770C"}, Firmware::Any, {32, 32, 4, 4}},
    {{"TQ500C"}, Firmware::Any, {8, 8, 2, 4}},
    {{"3100"}, Firmware::Above102, {8, 8, 2, 4}},
    {{"3100"}, Firmware::AtMost102, {32, 32, 4, 4}},
}};
constexpr std::array<BYTE, 4> kAlignmentOther{8, 8, 2, 2};

// Threshold presets by `tet` without bit 6.
struct ThresholdPreset {
    BYTE tet;
    BYTE saturation, high, low, edge;
    WORD gamma;
};
constexpr std::array<ThresholdPreset, 3> kThresholdPresets{{
    {1, 30, 30, 40, 40, 160},
    {2, 40, 40, 40, 70, 100},
    {4, 30, 30, 40, 60, 200},
}};
constexpr BYTE kTetFromFile = 128;
constexpr BYTE kTetStrongEdge = 0x40;

// Names come from fixed-size fields that need not be terminated.
std::string_view Bounded(const char* text, size_t size)
{
    if (!text)
        return {};
    size_t length = 0;
    while (length < size && text[length])
        ++length;
    return {text, length};
}

bool StartsWith(std::string_view text, std::string_view prefix)
{
    return !prefix.empty() && text.substr(0, prefix.size()) == prefix;
}

template <size_t N> bool StartsWithAny(std::string_view text, const std::array<std::string_view, N>& prefixes)
{
    for (std::string_view prefix : prefixes)
        if (StartsWith(text, prefix))
            return true;
    return false;
}

double FirmwareNumber(const ScannerAbility* ability)
{
    char text[sizeof ability->firmwareVersion + 1] = {};
    std::memcpy(text, ability->firmwareVersion, sizeof ability->firmwareVersion);
    return std::strtod(text, nullptr);
}

bool FirmwareMatches(Firmware rule, double firmware)
{
    switch (rule) {
    case Firmware::Above102:
        return firmware > 1.02;
    case Firmware::AtMost102:
        return firmware <= 1.02;
    default:
        return true;
    }
}

DWORD RoundUp4(DWORD value)
{
    return (value + 3) / 4 * 4;
}

// round(value / 300): + 0.5 and truncate.
DWORD RoundedDiv300(unsigned long long value)
{
    return static_cast<DWORD>((value + 150) / 300);
}

DWORD DownToMultiple(DWORD value, DWORD multiple)
{
    return value / multiple * multiple;
}

void SetBrightness(ScanSettings* s, BYTE value)
{
    s->masterBrightness = s->redBrightness = s->greenBrightness = s->blueBrightness = value;
}
void SetContrast(ScanSettings* s, BYTE value)
{
    s->masterContrast = s->redContrast = s->greenContrast = s->blueContrast = value;
}
void SetHighlight(ScanSettings* s, BYTE value)
{
    s->masterHighlight = s->redHighlight = s->greenHighlight = s->blueHighlight = value;
}
void SetShadow(ScanSettings* s, BYTE value)
{
    s->masterShadow = s->redShadow = s->greenShadow = s->blueShadow = value;
}
void SetGamma(ScanSettings* s, WORD value)
{
    s->masterGammaValue = s->redGammaValue = s->greenGammaValue = s->blueGammaValue = value;
}

// The UI plug-in stores brightness and contrast on 50..150; the record works
// on 0..200.
BYTE FromPluginScale(BYTE value)
{
    return static_cast<BYTE>(2 * value - 100);
}

void AdjustByImageType(ScanSettings* s, std::string_view product, int mechanism)
{
    switch (s->imageType) {
    case 0:
        SetContrast(s, 100);
        [[fallthrough]];
    case 1:
        SetHighlight(s, 255);
        SetShadow(s, 0);
        SetGamma(s, 100);
        s->intensity = 0;
        s->angle = 0;
        s->sharpenMode = 0;
        s->descreenMode = 0;
        s->colorMagician = 0;
        s->saturation = 100;
        if (StartsWith(product, kPhotoExpress))
            lineArtInvert = mechanism == TWSX_MEMORY ? 1 : 0;
        break;
    case 2:
        s->intensity = 0;
        s->angle = 0;
        s->saturation = 100;
        s->colorMagician = 0;
        break;
    case 3:
        if (s->onePassColor)
            s->imageType = 4;
        break;
    case 4:
        s->imageType = 5;
        break;
    case 5:
        s->imageType = 6;
        s->intensity = 0;
        s->angle = 0;
        s->colorMagician = 0;
        break;
    default:
        break;
    }
}

void ApplyQualityRules(ScanSettings* s, const ScannerAbility* ability)
{
    if (s->scanSpeed != 1)
        return;
    const std::string_view model = Bounded(ability->modelName, sizeof ability->modelName);
    const WORD optical = ability->opticalResolution;
    const WORD resolution = s->resolution;
    if (StartsWith(model, "KM530C")) {
        if (s->imageType == 1)
            SetGamma(s, 160);
        if (optical > resolution)
            s->functions |= kFunctionReduce;
        if (s->descreenMode == 0 && optical != resolution &&
            (s->imageType != 0 || optical > resolution)) {
            s->functions |= kFunctionQualityDescreen;
            s->descreenMode = 1;
            if (s->sharpenMode == 0)
                s->sharpenMode = 2;
        }
    } else if (StartsWith(model, "KM310C")) {
        if (optical > resolution)
            s->descreenMode = 8;
    }
}

void ApplyThresholds(ScanSettings* s, ScanParameters* params, BYTE tet)
{
    const BYTE preset = tet & static_cast<BYTE>(~kTetStrongEdge);
    auto setThresholds = [&](BYTE saturation, BYTE high, BYTE low, BYTE edge) {
        params->saturationThreshold = saturation;
        params->brightnessHighThreshold = high;
        params->brightnessLowThreshold = low;
        params->edgeThreshold = edge;
        params->optionFlags |= kParamThresholds;
        s->masterContrast = 100;
        s->masterShadow = 0;
        s->masterHighlight = 255;
        s->colorFilter = 0;
    };

    if (preset == 0) {
        params->saturationThreshold = params->brightnessHighThreshold = 0;
        params->brightnessLowThreshold = params->edgeThreshold = 0;
        params->optionFlags &= static_cast<WORD>(~kParamThresholds);
    } else if (preset == kTetFromFile) {
        const char* file = settingsPath;
        auto low8 = [&](const char* key) { return static_cast<BYTE>(ReadInt(file, "1", key, 0)); };
        setThresholds(low8("SaturationThreshold"), low8("BrightnessHighThreshold"),
                      low8("BrightnessLowThreshold"), low8("EdgeThreshold"));
        s->masterGammaValue = s->redGammaValue = s->greenGammaValue = s->blueGammaValue =
            static_cast<WORD>(ReadInt(file, "1", "Master Gamma Value", 100));
    } else {
        for (const ThresholdPreset& p : kThresholdPresets) {
            if (p.tet != preset)
                continue;
            setThresholds(p.saturation, p.high, p.low, p.edge);
            s->masterGammaValue = p.gamma;
        }
    }
    if (tet & kTetStrongEdge)
        params->edgeThreshold = 255;
}

void SelectChannel(ScanSettings* s)
{
    const BYTE type = s->imageType;
    if (s->colorFilter != 0 && (type <= 2 || type >= 6)) {
        struct Channel {
            BYTE brightness, contrast, highlight, shadow;
            WORD gamma;
        };
        Channel channel;
        switch (s->colorFilter) {
        case 1:
            channel = {s->redBrightness, s->redContrast, s->redHighlight, s->redShadow, s->redGammaValue};
            break;
        case 2:
            channel = {s->greenBrightness, s->greenContrast, s->greenHighlight, s->greenShadow,
                       s->greenGammaValue};
            break;
        case 3:
            channel = {s->blueBrightness, s->blueContrast, s->blueHighlight, s->blueShadow,
                       s->blueGammaValue};
            break;
        default:
            return;
        }
        s->masterBrightness = channel.brightness;
        s->masterContrast = channel.contrast;
        s->masterHighlight = channel.highlight;
        s->masterShadow = channel.shadow;
        s->masterGammaValue = channel.gamma;
    } else if (type >= 3) {
        s->redBrightness = s->greenBrightness = s->blueBrightness = s->masterBrightness;
        s->redContrast = s->greenContrast = s->blueContrast = s->masterContrast;
        s->redGammaValue = s->greenGammaValue = s->blueGammaValue = s->masterGammaValue;
        s->redShadow = s->greenShadow = s->blueShadow = s->masterShadow;
        s->redHighlight = s->greenHighlight = s->blueHighlight = s->masterHighlight;
    }
}

DWORD InvertBy(int flag, DWORD invertImage)
{
    return flag ? (invertImage ? 0 : 1) : invertImage;
}

} // namespace

void SelectPixelMultiple(ScannerAbility* ability, const ScanSettings* settings, int* multiple,
                         BYTE* halftoneCode, const char* productName, int mechanism)
{
    const std::string_view product = Bounded(productName, sizeof(TW_STR32));
    const BYTE halftone = settings->halftone;

    if (ability->recordFlags & 1) {
        // The scanner's own table is indexed from halftone 1; a number outside
        // it (0 with line art or diffusion) has no pattern.
        *halftoneCode = halftone >= 1 && halftone <= sizeof ability->halftoneCodes
                            ? ability->halftoneCodes[halftone - 1]
                            : 0;
    } else {
        const std::string_view model = Bounded(settings->modelName, sizeof settings->modelName);
        const std::array<BYTE, 7>* codes = &kHalftoneOther;
        for (const HalftoneModel& entry : kHalftoneModels) {
            if (StartsWithAny(model, entry.prefixes)) {
                codes = &entry.codes;
                break;
            }
        }
        *halftoneCode = halftone < codes->size() ? (*codes)[halftone] : 0;

        const double firmware = FirmwareNumber(ability);
        const std::array<BYTE, 4>* align = &kAlignmentOther;
        for (const AlignmentModel& entry : kAlignmentModels) {
            if (StartsWithAny(model, entry.prefixes) && FirmwareMatches(entry.firmware, firmware)) {
                align = &entry.align;
                break;
            }
        }
        ability->lineArtWidthAlign = (*align)[0];
        ability->halftoneWidthAlign = (*align)[1];
        ability->grayWidthAlign = (*align)[2];
        ability->colorWidthAlign = (*align)[3];
    }

    const bool alignsTo32 = StartsWith(product, kWatermark) || StartsWith(product, kClassLibrary);
    const BYTE type = settings->imageType;
    int m;
    if (mechanism != TWSX_MEMORY &&
        ((settings->functions & (kFunctionColorModeA | kFunctionReduce)) || type <= 2)) {
        m = 32;
    } else {
        switch (type) {
        case 0:
            m = alignsTo32 ? 32 : ability->lineArtWidthAlign;
            break;
        case 1:
            if (alignsTo32)
                m = 32;
            else if (settings->diffusion)
                m = ability->diffusionWidthAlign ? ability->diffusionWidthAlign : ability->lineArtWidthAlign;
            else
                m = ability->halftoneWidthAlign ? ability->halftoneWidthAlign : ability->lineArtWidthAlign;
            break;
        case 2:
        case 6:
            m = ability->grayWidthAlign;
            if (StartsWith(product, kClassLibrary))
                m = static_cast<int>(RoundUp4(m));
            break;
        case 3:
        case 4:
        case 5:
            m = static_cast<int>(RoundUp4(ability->colorWidthAlign));
            break;
        default:
            // Types beyond 6 come only from a hand-edited settings file; they
            // get the widest alignment in use.
            m = 32;
            break;
        }
    }
    // A scanner reporting no alignment aligns to single pixels; the sizes
    // below divide by the multiple.
    *multiple = m > 0 ? m : 1;
}

int DeriveScanJob(ScanSettings* s, ScanParameters* params, JobInfo* job, ScannerAbility* ability,
                  const char* productName, int uiInUse, int mechanism)
{
    const std::string_view product = Bounded(productName, sizeof(TW_STR32));

    // 1. The model name of the scanner.
    std::memset(s->modelName, 0, sizeof s->modelName);
    std::memcpy(s->modelName, ability->modelName, sizeof ability->modelName);

    // 2. What the UI plug-in stored for this page, on the record's scale.
    if (uiInUse) {
        const int page = s->scanMethod <= 1 ? 1 : static_cast<int>(s->scanPage);
        LoadPageSettings(settingsPath, s, ability, page);
        for (BYTE* field : {&s->masterBrightness, &s->redBrightness, &s->greenBrightness,
                            &s->blueBrightness, &s->masterContrast, &s->redContrast,
                            &s->greenContrast, &s->blueContrast})
            *field = FromPluginScale(*field);
    }

    // 3. Scaling is done by the resolution.
    s->resolution = static_cast<WORD>(static_cast<unsigned long long>(s->resolution) *
                                      s->xScaleFactor / 100);
    s->xScaleFactor = 100;
    s->yScaleFactor = 100;

    // 4. and 5. Tone fields the image type or colour magic do not use.
    AdjustByImageType(s, product, mechanism);
    if (s->colorMagician) {
        SetBrightness(s, 100);
        SetContrast(s, 100);
        SetHighlight(s, 255);
        SetShadow(s, 0);
        SetGamma(s, 100);
        s->intensity = 0;
        s->angle = 0;
        s->saturation = 100;
    }

    // 6. Quality mode.
    ApplyQualityRules(s, ability);

    // 7. to 10. Halftone code and pixel multiple, chosen by the type the
    // scanner really works in.
    job->jobImageType = s->imageType;
    job->transferActive = 0;
    if ((s->functions & kFunctionReduce) && s->imageType < 2)
        s->imageType = 2;
    if (s->functions & (kFunctionColorModeA | kFunctionColorModeB))
        s->imageType = 4;
    int multiple = 1;
    SelectPixelMultiple(ability, s, &multiple, &job->halftoneCode, productName, mechanism);
    s->imageType = job->jobImageType;
    const DWORD m = static_cast<DWORD>(multiple);
    const BYTE type = s->imageType;

    // 11. and 12. Sizes at the requested resolution.
    const DWORD k = m < 4 ? m : 4;
    s->cx = static_cast<WORD>(s->cx / k * k);
    const WORD resolution = s->resolution;
    const WORD optical = ability->opticalResolution;
    job->scanPixels = DownToMultiple(RoundedDiv300(1ull * s->cx * resolution), m);
    job->scanLines = static_cast<DWORD>(1ull * s->cy * resolution / 300);

    // 13. What the scanner can do: it may work at a higher resolution and
    // the driver reduces, or at its maximum and the driver enlarges.
    if (s->descreenMode != 0 && optical > resolution) {
        WORD scanResolution;
        if (resolution < 250 && !(s->functions & kFunctionQualityDescreen) && s->descreenMode != 8) {
            job->outputPixels = DownToMultiple(s->cx, m);
            job->outputLines = s->cy;
            scanResolution = optical < 300 ? optical : 300;
        } else {
            job->outputPixels = DownToMultiple(RoundedDiv300(1ull * s->cx * optical), m);
            job->outputLines = static_cast<DWORD>(1ull * s->cy * optical / 300);
            scanResolution = optical;
        }
        params->xResolution = params->yResolution = scanResolution;
        std::swap(job->scanPixels, job->outputPixels);
        std::swap(job->scanLines, job->outputLines);
        if (s->descreenMode == 8) {
            job->scanPixels = job->outputPixels;
            params->xResolution = resolution;
        }
    } else {
        if (s->descreenMode != 0)
            s->descreenMode = 9;
        const WORD maxX = type <= 2 ? ability->maxXResolution : ability->maxColorXResolution;
        const WORD maxY = type <= 2 ? ability->maxYResolution : ability->maxColorYResolution;
        job->outputPixels = DownToMultiple(RoundedDiv300(1ull * s->cx * maxX), m);
        job->outputLines = RoundedDiv300(1ull * s->cy * maxY);
        params->xResolution = maxX;
        params->yResolution = maxY;
        if (job->scanPixels > job->outputPixels) {
            std::swap(job->scanPixels, job->outputPixels);
        } else {
            job->outputPixels = job->scanPixels;
            params->xResolution = resolution;
        }
        if (job->scanLines > job->outputLines) {
            std::swap(job->scanLines, job->outputLines);
        } else {
            job->outputLines = job->scanLines;
            params->yResolution = resolution;
        }
    }

    // 14. Scan mode: a line-art or halftone image that must be resized is
    // scanned in gray.
    const bool sizesAgree = job->scanPixels == job->outputPixels && job->scanLines == job->outputLines;
    int mode = (sizesAgree && !(s->functions & kFunctionReduce)) || job->jobImageType >= 2 ? type : 2;
    if (s->functions & (kFunctionColorModeA | kFunctionColorModeB))
        mode = 4;

    // 15. Line sizes by mode.
    switch (mode) {
    case 0:
    case 1:
        job->scanPixels = DownToMultiple(job->scanPixels, m);
        job->outputPixels = DownToMultiple(job->outputPixels, m);
        job->scanBytesPerLine = job->scanPixels / 8;
        // A resolution of 0 (from a damaged settings file) leaves no pixels;
        // the size check below refuses the job.
        if (optical >= resolution && resolution != 0)
            s->cx = static_cast<WORD>(job->scanPixels * 300 / resolution);
        job->outputBytesPerLine = job->scanBytesPerLine;
        job->jobInvert = InvertBy(lineArtInvert, s->invertImage);
        params->pixelsPerLine = static_cast<WORD>(job->scanPixels);
        params->passBits = 1;
        s->bitsPerPixel = 1;
        break;
    case 2:
        job->scanBytesPerLine = job->scanPixels;
        if (type < 2) {
            job->outputBytesPerLine = job->outputPixels / 8;
            job->jobInvert = InvertBy(lineArtInvert, s->invertImage);
            s->bitsPerPixel = 1;
        } else {
            job->outputBytesPerLine = job->outputPixels;
            job->jobInvert = InvertBy(grayInvert, s->invertImage);
            s->bitsPerPixel = 8;
        }
        params->pixelsPerLine = static_cast<WORD>(job->scanPixels);
        params->passBits = 8;
        break;
    case 3:
    case 4:
    case 5:
        s->bitsPerPixel = mode == 5 ? 8 : 24;
        params->passBits = s->onePassColor ? 24 : 8;
        job->scanBytesPerLine = 3 * job->scanPixels;
        if (type < 2) {
            job->outputBytesPerLine = job->outputPixels / 8;
            job->jobInvert = InvertBy(lineArtInvert, s->invertImage);
            s->bitsPerPixel = 1;
        } else if (type == 2) {
            job->outputBytesPerLine = job->outputPixels;
            job->jobInvert = InvertBy(grayInvert, s->invertImage);
            s->bitsPerPixel = 8;
        } else {
            job->outputBytesPerLine = 3 * job->outputPixels;
            job->jobInvert = s->invertImage;
        }
        params->pixelsPerLine = static_cast<WORD>(job->scanPixels);
        break;
    case 6:
        job->scanBytesPerLine = job->scanPixels / 2;
        job->outputBytesPerLine = job->outputPixels / 2;
        job->jobInvert = InvertBy(grayInvert, s->invertImage);
        params->pixelsPerLine = static_cast<WORD>(job->scanPixels);
        params->passBits = 4;
        s->bitsPerPixel = 4;
        break;
    default:
        // An image type the scanner has no mode for: no line sizes at all,
        // so the job is refused below instead of keeping the last job's.
        job->scanBytesPerLine = job->outputBytesPerLine = 0;
        params->pixelsPerLine = 0;
        break;
    }

    // The application receives whole bytes per line: a 1- or 4-bit image is
    // no wider than its bytes hold, or the driver would be asked for pixels
    // the line has no room for and the width announced would not be the one
    // delivered.
    const DWORD pixelsInBytes = s->bitsPerPixel == 1   ? job->outputBytesPerLine * 8
                                : s->bitsPerPixel == 4 ? job->outputBytesPerLine * 2
                                                       : job->outputPixels;
    if (job->outputPixels > pixelsInBytes)
        job->outputPixels = pixelsInBytes;

    // 16. and 17. Text enhancement thresholds, for line art only.
    if (!((ability->optionFlags & kAbilityTextEnhancement) && type == 0))
        s->tet = 0;
    ApplyThresholds(s, params, s->tet);

    // 18. and 19. Colour filter and tone channels.
    if (s->onePassColor && !(ability->optionFlags & kAbilityNoGreenFilter) && s->colorFilter == 0)
        s->colorFilter = 2;
    SelectChannel(s);

    // 20. Options.
    job->scanOptions = s->descreenMode | s->sharpenMode | s->spareB;
    job->jobDescreen = s->descreenMode;
    params->halftoneNumber = s->halftone;
    if (s->diffusion && optical < resolution)
        s->diffusion = 0;
    params->alwaysOne = 1;

    // 21. Too small for the scanner.
    params->lines = static_cast<WORD>(job->scanLines);
    if (params->lines < kMinimumSize || params->pixelsPerLine < kMinimumSize)
        return kResultAreaTooSmall;

    // 22. Area and resolutions.
    params->spareA = 0;
    params->width = s->cx;
    params->length = s->cy;
    params->left = s->x >= 8 ? static_cast<WORD>(s->x - 8) : 0;
    params->top = s->y >= 8 ? static_cast<WORD>(s->y - 8) : 0;
    params->colorFilter = s->colorFilter;
    params->optionFlags |= kParamAlways;
    if (!(ability->optionFlags & kAbilityOwnResolutions)) {
        const WORD smaller = params->xResolution < params->yResolution ? params->xResolution
                                                                       : params->yResolution;
        params->xResolution = params->yResolution = smaller;
    }

    // 23. The mode the driver scans in.
    if (mode == 5)
        mode = s->onePassColor ? 4 : 3;
    if (type == 6)
        mode = 2;
    params->scanMode = static_cast<BYTE>(mode);

    // 24. Job options.
    if (ability->optionFlags & kAbilityOption25)
        s->functions |= 0x200;
    if (ability->optionFlags & kAbilityOption24)
        s->functions |= 0x400;
    if (ability->optionFlags & kAbilityOption22)
        s->functions |= 0x800;
    s->functions |= kFunctionAlways;
    job->jobFunctions = s->functions;
    return kResultOk;
}

int DeriveJob(int mechanism)
{
    jobSettings = settings;
    return DeriveScanJob(&jobSettings, &scanParameters, &jobInfo, &scannerAbility, AppName(), uiInUse,
                         mechanism);
}
