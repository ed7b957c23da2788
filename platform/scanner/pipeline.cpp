#include "pipeline.h"

#include <cstring>
#include <new>

#include "results.h"

namespace {

ToneValues Tone(BYTE brightness, BYTE contrast, BYTE highlight, BYTE shadow, WORD gamma)
{
    return ToneValues{brightness, contrast, highlight, shadow, gamma};
}

OutputKind KindOf(int bits, int imageType, bool diffusion)
{
    switch (bits) {
    case 24:
        return OutputKind::Color24;
    case 8:
        return imageType == 5 ? OutputKind::Palette8 : OutputKind::Gray8;
    case 4:
        return OutputKind::Gray4;
    default:
        if (imageType == 1)
            return diffusion ? OutputKind::Diffusion1 : OutputKind::Pattern1;
        return OutputKind::Threshold1;
    }
}

// The sample position of output index i of count over [start, start + extent).
inline uint64_t SamplePosition(uint32_t start, uint32_t extent, uint32_t count, uint64_t i)
{
    return start + ((2 * i + 1) * extent) / (2 * static_cast<uint64_t>(count));
}

inline BYTE GrayOf(const BYTE* bgr, int colorFilter)
{
    switch (colorFilter) {
    case 1:
        return bgr[2];
    case 2:
        return bgr[1];
    case 3:
        return bgr[0];
    default:
        return static_cast<BYTE>((77 * bgr[2] + 150 * bgr[1] + 29 * bgr[0] + 128) >> 8);
    }
}

// A pixel moves as one four-byte word: the fourth byte read is the next
// pixel's (or the bed row's spare byte) and the fourth byte written is
// overwritten by the next pixel, so the last pixel of a line moves byte by
// byte instead.
inline uint32_t Load4(const BYTE* p)
{
    uint32_t v;
    std::memcpy(&v, p, 4);
    return v;
}

inline void Store4(BYTE* p, uint32_t v)
{
    std::memcpy(p, &v, 4);
}

// Blue-green-red to red-green-blue within a word (the fourth byte is junk).
inline uint32_t SwapWord(uint32_t v)
{
    return __builtin_bswap32(v) >> 8;
}

void Gather(const LineRenderer& r, const BYTE* bedRow, BYTE* out)
{
    const uint32_t pixels = r.job.pixels;
    if (r.unitStep) {
        const size_t onBed = static_cast<size_t>(r.unitSpan) * 3;
        if (onBed)
            std::memcpy(out, bedRow + static_cast<size_t>(r.job.x) * 3, onBed);
        std::memset(out + onBed, 0xFF, static_cast<size_t>(pixels) * 3 - onBed);
        return;
    }
    const uint32_t* columns = r.columns.data();
    const uint32_t last = pixels - 1;
    for (uint32_t i = 0; i < last; ++i, out += 3)
        Store4(out, Load4(bedRow + columns[i]));
    const BYTE* in = bedRow + columns[last];
    out[0] = in[0];
    out[1] = in[1];
    out[2] = in[2];
}

void GatherSwapped(const LineRenderer& r, const BYTE* bedRow, BYTE* out)
{
    const uint32_t* columns = r.columns.data();
    const uint32_t last = r.job.pixels - 1;
    if (r.unitStep) {
        // Consecutive bed pixels: no table needed.
        const BYTE* in = bedRow + static_cast<size_t>(r.job.x) * 3;
        const uint32_t onBed = r.unitSpan < last ? r.unitSpan : last;
        for (uint32_t i = 0; i < onBed; ++i, in += 3, out += 3)
            Store4(out, SwapWord(Load4(in)));
        for (uint32_t i = onBed; i < last; ++i, out += 3)
            Store4(out, 0xFFFFFFFF);
    } else {
        for (uint32_t i = 0; i < last; ++i, out += 3)
            Store4(out, SwapWord(Load4(bedRow + columns[i])));
    }
    const BYTE* in = bedRow + columns[last];
    out[0] = in[2];
    out[1] = in[1];
    out[2] = in[0];
}

void RenderColour(LineRenderer* r, const BYTE* bedRow, BYTE* out)
{
    const uint32_t pixels = r->job.pixels;
    if (r->neutral) {
        if (r->order == ByteOrder::Bgr)
            Gather(*r, bedRow, out);
        else
            GatherSwapped(*r, bedRow, out);
        return;
    }
    Gather(*r, bedRow, out);
    const BYTE* blue = r->colourCurves[0];
    const BYTE* green = r->colourCurves[1];
    const BYTE* red = r->colourCurves[2];
    if (r->order == ByteOrder::Bgr) {
        for (uint32_t i = 0; i < pixels; ++i, out += 3) {
            out[0] = blue[out[0]];
            out[1] = green[out[1]];
            out[2] = red[out[2]];
        }
    } else {
        for (uint32_t i = 0; i < pixels; ++i, out += 3) {
            const BYTE b = out[0];
            out[0] = red[out[2]];
            out[1] = green[out[1]];
            out[2] = blue[b];
        }
    }
}

// Packs one bit per pixel, most significant bit first, 1 = white.
template <typename WhiteTest>
void PackBits(const BYTE* samples, uint32_t pixels, int colorFilter, const BYTE* curve,
              WhiteTest white, BYTE* out)
{
    BYTE byte = 0;
    uint32_t i = 0;
    for (; i < pixels; ++i, samples += 3) {
        byte = static_cast<BYTE>(byte << 1 | (white(i, curve[GrayOf(samples, colorFilter)]) ? 1 : 0));
        if ((i & 7) == 7) {
            *out++ = byte;
            byte = 0;
        }
    }
    if (i & 7)
        *out = static_cast<BYTE>(byte << (8 - (i & 7)));
}

// Floyd-Steinberg, left to right. Errors are kept in sixteenths; each
// line's row has a spare entry at both ends so that no index leaves it.
void RenderDiffusion(LineRenderer* r, const BYTE* samples, BYTE* out)
{
    const size_t pixels = r->job.pixels;
    int* current = r->errors.data();    // entry k + 1 belongs to pixel k
    int* next = current + pixels + 2;
    std::memset(next, 0, (pixels + 2) * sizeof(int));
    BYTE byte = 0;
    size_t i = 0;
    for (; i < pixels; ++i, samples += 3) {
        const int value = r->grayCurve[GrayOf(samples, r->job.colorFilter)] + current[i + 1] / 16;
        const bool white = value >= 128;
        const int error = value - (white ? 255 : 0);
        current[i + 2] += error * 7;
        next[i] += error * 3;
        next[i + 1] += error * 5;
        next[i + 2] += error;
        byte = static_cast<BYTE>(byte << 1 | (white ? 1 : 0));
        if ((i & 7) == 7) {
            *out++ = byte;
            byte = 0;
        }
    }
    if (i & 7)
        *out = static_cast<BYTE>(byte << (8 - (i & 7)));
    std::memcpy(current, next, (pixels + 2) * sizeof(int));
}

} // namespace

int DescribeImage(const ScanSettings* settings, const JobInfo* job, ImageJob* out)
{
    if (!settings || !job)
        return kResultBadWidth;
    ImageJob image = {};
    image.bits = settings->bitsPerPixel;
    if (image.bits != 1 && image.bits != 4 && image.bits != 8 && image.bits != 24)
        return kResultBadWidth;
    image.pixels = job->outputPixels;
    image.lines = job->outputLines;
    image.cx = settings->cx;
    image.cy = settings->cy;
    if (image.pixels == 0 || image.lines == 0 || image.cx == 0 || image.cy == 0)
        return kResultAreaTooSmall;
    const uint64_t packed = (static_cast<uint64_t>(image.pixels) * image.bits + 7) / 8;
    if (job->outputBytesPerLine < packed)
        return kResultBadWidth;
    image.bytesPerLine = job->outputBytesPerLine;
    image.packedBytes = static_cast<uint32_t>(packed);
    image.imageType = job->jobImageType;
    image.kind = KindOf(image.bits, image.imageType, settings->diffusion != 0);
    image.invert = job->jobInvert != 0;
    image.halftoneCode = job->halftoneCode;
    image.colorFilter = settings->colorFilter;
    image.x = settings->x;
    image.y = settings->y;
    image.resolution = settings->resolution;
    const ScanSettings& s = *settings;
    image.master = Tone(s.masterBrightness, s.masterContrast, s.masterHighlight, s.masterShadow,
                        s.masterGammaValue);
    image.red = Tone(s.redBrightness, s.redContrast, s.redHighlight, s.redShadow, s.redGammaValue);
    image.green = Tone(s.greenBrightness, s.greenContrast, s.greenHighlight, s.greenShadow,
                       s.greenGammaValue);
    image.blue = Tone(s.blueBrightness, s.blueContrast, s.blueHighlight, s.blueShadow,
                      s.blueGammaValue);
    image.feeder = settings->scanMethod < 2;
    *out = image;
    return kResultOk;
}

ImageJob PlainColourImage(uint32_t x, uint32_t y, uint32_t cx, uint32_t cy, uint32_t pixels,
                          uint32_t lines)
{
    ImageJob image = {};
    image.pixels = pixels;
    image.lines = lines;
    image.bytesPerLine = image.packedBytes = pixels * 3;
    image.bits = 24;
    image.imageType = 4;
    image.kind = OutputKind::Color24;
    image.x = x;
    image.y = y;
    image.cx = cx;
    image.cy = cy;
    image.master = image.red = image.green = image.blue = kNeutralTone;
    return image;
}

int StartRenderer(LineRenderer* r, const ImageJob& job, BedPtr bed, ByteOrder order)
{
    StopRenderer(r);
    if (job.pixels > kMaxLinePixels)
        return kResultNoMemory;
    r->job = job;
    r->bed = std::move(bed);
    r->order = order;
    try {
        r->columns.resize(job.pixels);
        r->line.resize(static_cast<size_t>(job.pixels) * 3 + 1);
        if (job.kind == OutputKind::Diffusion1)
            r->errors.assign(2 * (static_cast<size_t>(job.pixels) + 2), 0);
    } catch (const std::bad_alloc&) {
        StopRenderer(r);
        return kResultNoMemory;
    }
    const uint32_t width = static_cast<uint32_t>(r->bed->width);
    for (uint32_t i = 0; i < job.pixels; ++i) {
        const uint64_t x = SamplePosition(job.x, job.cx, job.pixels, i);
        r->columns[i] = static_cast<uint32_t>((x < width ? x : width) * 3);
    }
    r->unitStep = job.cx == job.pixels;
    r->unitSpan = job.x >= width ? 0 : (width - job.x < job.pixels ? width - job.x : job.pixels);

    const bool colour = job.kind == OutputKind::Color24 || job.kind == OutputKind::Palette8;
    BuildToneCurve(job.blue, job.invert, r->colourCurves[0]);
    BuildToneCurve(job.green, job.invert, r->colourCurves[1]);
    BuildToneCurve(job.red, job.invert, r->colourCurves[2]);
    BuildToneCurve(job.master, job.invert, r->grayCurve);
    r->neutral = !job.invert
                 && (colour ? IsNeutralTone(job.red) && IsNeutralTone(job.green)
                                  && IsNeutralTone(job.blue)
                            : IsNeutralTone(job.master));
    r->pattern = PatternForCode(job.halftoneCode);
    r->positionFree = job.kind != OutputKind::Pattern1 && job.kind != OutputKind::Diffusion1;
    r->lastBedRow = -1;
    return kResultOk;
}

void RenderLine(LineRenderer* r, uint32_t j, BYTE* out, const BYTE* previous)
{
    const ImageJob& job = r->job;
    const Bed& bed = *r->bed;
    uint64_t y = SamplePosition(job.y, job.cy, job.lines, j);
    if (y > static_cast<uint64_t>(bed.height))
        y = bed.height; // the white row
    const long long bedRow = static_cast<long long>(y);
    if (previous && r->positionFree && bedRow == r->lastBedRow) {
        std::memcpy(out, previous, job.packedBytes);
        return;
    }
    r->lastBedRow = bedRow;
    const BYTE* row = bed.pixels + static_cast<size_t>(y) * bed.stride;

    if (job.kind == OutputKind::Color24) {
        RenderColour(r, row, out);
        return;
    }
    BYTE* samples = r->line.data();
    Gather(*r, row, samples);
    const uint32_t pixels = job.pixels;
    switch (job.kind) {
    case OutputKind::Gray8:
        for (uint32_t i = 0; i < pixels; ++i, samples += 3)
            out[i] = r->grayCurve[GrayOf(samples, job.colorFilter)];
        break;
    case OutputKind::Palette8: {
        const BYTE* blue = r->colourCurves[0];
        const BYTE* green = r->colourCurves[1];
        const BYTE* red = r->colourCurves[2];
        for (uint32_t i = 0; i < pixels; ++i, samples += 3)
            out[i] = static_cast<BYTE>((red[samples[2]] >> 5) | (green[samples[1]] >> 5) << 3
                                       | (blue[samples[0]] >> 6) << 6);
        break;
    }
    case OutputKind::Gray4:
        for (uint32_t i = 0; i < pixels; ++i, samples += 3) {
            const BYTE level = static_cast<BYTE>(r->grayCurve[GrayOf(samples, job.colorFilter)] >> 4);
            if (i & 1)
                out[i / 2] = static_cast<BYTE>(out[i / 2] | level);
            else
                out[i / 2] = static_cast<BYTE>(level << 4);
        }
        break;
    case OutputKind::Threshold1:
        PackBits(samples, pixels, job.colorFilter, r->grayCurve,
                 [](uint32_t, BYTE level) { return level >= 128; }, out);
        break;
    case OutputKind::Pattern1: {
        const int size = r->pattern.size;
        const BYTE* thresholds = r->pattern.thresholds + (j % size) * size;
        PackBits(samples, pixels, job.colorFilter, r->grayCurve,
                 [thresholds, size](uint32_t i, BYTE level) { return level >= thresholds[i % size]; },
                 out);
        break;
    }
    case OutputKind::Diffusion1:
        RenderDiffusion(r, samples, out);
        break;
    case OutputKind::Color24:
        break;
    }
}

void StopRenderer(LineRenderer* r)
{
    r->bed.reset();
    std::vector<uint32_t>().swap(r->columns);
    std::vector<BYTE>().swap(r->line);
    std::vector<int>().swap(r->errors);
}
