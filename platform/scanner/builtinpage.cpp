// The page the scanner shows when no image file is configured: drawn in code
// at the bed's own size, so that prescan, Auto Size and Auto Range find a
// real document with clear edges, dark and light areas and colours.
#include "bed.h"

#include <algorithm>

namespace {

struct Rgb {
    BYTE r, g, b;
};

constexpr Rgb kPaper{246, 244, 238};
constexpr Rgb kFrame{40, 40, 48};
constexpr Rgb kHeading{28, 44, 112};
constexpr Rgb kInk{30, 30, 30};
constexpr Rgb kPatches[] = {
    {220, 30, 30}, {30, 170, 60}, {30, 60, 210}, {0, 180, 220},
    {210, 40, 170}, {250, 220, 20}, {240, 130, 20}, {90, 90, 90},
};
constexpr int kRampSteps = 16;

struct Canvas {
    BYTE* pixels;
    size_t stride;
    int width;
    int height;
};

void FillRect(const Canvas& canvas, int left, int top, int right, int bottom, Rgb colour)
{
    left = std::max(left, 0);
    top = std::max(top, 0);
    right = std::min(right, canvas.width);
    bottom = std::min(bottom, canvas.height);
    for (int y = top; y < bottom; ++y) {
        BYTE* p = canvas.pixels + y * canvas.stride + left * 3;
        for (int x = left; x < right; ++x, p += 3) {
            p[0] = colour.b;
            p[1] = colour.g;
            p[2] = colour.r;
        }
    }
}

// Lines of "words": dark strokes of varied length, like printed text seen
// from afar. A fixed generator keeps the page the same in every run.
void DrawText(const Canvas& canvas, int left, int top, int right, int bottom, int unit)
{
    unsigned seed = 12345;
    const int lineHeight = 3 * unit;
    const int stroke = 2 * unit;
    for (int y = top; y + stroke <= bottom; y += lineHeight) {
        int x = left;
        // Paragraph ends: some lines stop early.
        seed = seed * 1103515245u + 12345u;
        const int lineEnd = (seed >> 16) % 5 == 0 ? left + (right - left) * 3 / 5 : right;
        while (x < lineEnd) {
            seed = seed * 1103515245u + 12345u;
            const int word = unit * (4 + static_cast<int>((seed >> 16) % 16));
            FillRect(canvas, x, y, std::min(x + word, lineEnd), y + stroke, kInk);
            x += word + 2 * unit;
        }
    }
}

} // namespace

void DrawBuiltInPage(BYTE* pixels, size_t stride, int width, int height)
{
    const Canvas canvas{pixels, stride, width, height};
    // The document keeps a margin to every edge of the bed.
    const int left = width / 12;
    const int right = width - width / 12;
    const int top = height / 16;
    const int bottom = height - height / 10;
    if (right - left < 24 || bottom - top < 24)
        return; // too small a bed for a document: it stays white
    const int frame = std::max(2, std::min(width, height) / 200);
    FillRect(canvas, left, top, right, bottom, kFrame);
    const int inLeft = left + frame, inRight = right - frame;
    const int inTop = top + frame, inBottom = bottom - frame;
    FillRect(canvas, inLeft, inTop, inRight, inBottom, kPaper);

    const int docWidth = inRight - inLeft, docHeight = inBottom - inTop;
    const int margin = docWidth / 12;
    const int unit = std::max(1, docHeight / 400);
    const int x0 = inLeft + margin, x1 = inRight - margin;
    int y = inTop + docHeight / 20;

    // Heading bar
    FillRect(canvas, x0, y, x0 + (x1 - x0) / 2, y + docHeight / 30, kHeading);
    y += docHeight / 30 + docHeight / 25;

    // First block of text
    DrawText(canvas, x0, y, x1, y + docHeight * 3 / 10, unit);
    y += docHeight * 3 / 10 + docHeight / 25;

    // Gray ramp, black to white in equal steps
    const int rampHeight = docHeight / 14;
    for (int i = 0; i < kRampSteps; ++i) {
        const BYTE level = static_cast<BYTE>(i * 255 / (kRampSteps - 1));
        FillRect(canvas, x0 + (x1 - x0) * i / kRampSteps, y, x0 + (x1 - x0) * (i + 1) / kRampSteps,
                 y + rampHeight, Rgb{level, level, level});
    }
    y += rampHeight + docHeight / 25;

    // Colour patches
    constexpr int patchCount = sizeof kPatches / sizeof kPatches[0];
    const int pitch = (x1 - x0) / patchCount;
    const int patch = pitch * 4 / 5;
    for (int i = 0; i < patchCount; ++i)
        FillRect(canvas, x0 + i * pitch, y, x0 + i * pitch + patch, y + patch, kPatches[i]);
    y += patch + docHeight / 25;

    // Second block of text down to the foot margin
    DrawText(canvas, x0, y, x1, inBottom - docHeight / 20, unit);
}
