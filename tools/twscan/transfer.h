// The three ways an image comes from the source: a DIB in global memory
// (native), strips into our buffer (memory), a file the source writes
// (file). Each saves a BMP file and tells what was delivered.
#pragma once

#include <string>

#include "bitmap.h"
#include "twain.h"

enum class TransferResult {
    Saved,     // the BMP file is written; delivered holds its shape
    Cancelled, // the source cancelled this image (TWRC_CANCEL)
    Failed,    // reason says why; the session cannot go on
};

TransferResult TransferImage(TW_UINT16 mechanism, const TW_IMAGEINFO& info, const std::string& path,
                             ImageShape& delivered, std::string& reason);

// Whether the delivered image is the one DAT_IMAGEINFO announced, and the
// reason when it is not.
bool Matches(const TW_IMAGEINFO& info, const ImageShape& delivered);
std::string MismatchText(const TW_IMAGEINFO& info, const ImageShape& delivered);

// The bits per pixel twscan can save for an image of this kind.
bool CanSave(const TW_IMAGEINFO& info);
