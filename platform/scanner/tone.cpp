#include "tone.h"

#include <cmath>

bool IsNeutralTone(const ToneValues& tone)
{
    return tone.brightness == 100 && tone.contrast == 100 && tone.highlight == 255
           && tone.shadow == 0 && (tone.gamma == 100 || tone.gamma == 0);
}

void BuildToneCurve(const ToneValues& tone, bool invert, BYTE out[256])
{
    const double gamma = tone.gamma ? tone.gamma / 100.0 : 1.0;
    // Contrast below 100 flattens towards middle gray, above it steepens;
    // 200 would be a step, so it stops just short of that.
    const int contrast = tone.contrast > 199 ? 199 : tone.contrast;
    const double slope = contrast <= 100 ? contrast / 100.0 : 100.0 / (200 - contrast);
    const double offset = (tone.brightness - 100) * 255.0 / 200.0;
    const int shadow = tone.shadow;
    const int highlight = tone.highlight > tone.shadow ? tone.highlight : tone.shadow + 1;
    for (int level = 0; level < 256; ++level) {
        double v = (level - shadow) / double(highlight - shadow);
        v = v < 0 ? 0 : v > 1 ? 1 : v;
        v = 255.0 * std::pow(v, 1.0 / gamma);
        v += offset;
        v = (v - 127.5) * slope + 127.5;
        int result = static_cast<int>(std::lround(v));
        result = result < 0 ? 0 : result > 255 ? 255 : result;
        out[level] = static_cast<BYTE>(invert ? 255 - result : result);
    }
}
