// The prescan: kmpre.bmp in the Windows directory, 24-bit, showing the bed
// from its left edge across prescanWidth and from prescanY down prescanLength
// (1/300 inch), as wide as the caller's preview and as high as the bed's
// proportions give.
#pragma once

#include "config.h"
#include "records.h"

// The widest preview the scanner draws.
constexpr long long kMaxPreviewWidth = 16384;

// kResultPrescanDone, or kResultBadWidth (no settings, a preview width of 0
// or beyond kMaxPreviewWidth), kResultAreaTooSmall (an empty prescan area),
// or the failures of the bed and of the file.
int WritePrescanFile(const VirtualScannerConfig& config, const ScanSettings* settings,
                     long long previewWidth);
