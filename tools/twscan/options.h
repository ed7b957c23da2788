// Command line of twscan: what to open, how to negotiate, where to save.
#pragma once

#include <string>

#include "twain.h"

struct Options {
    std::string source;           // product name; empty: the manager's default source
    bool list = false;            // print the sources and exit
    std::string app = "twscan";   // our ProductName
    TW_UINT16 xfer = TWSX_NATIVE; // transfer mechanism
    int pixel = -1;               // TWPT_ value, -1: not negotiated
    int dpi = 0;                  // 0: not negotiated
    bool frameSet = false;
    double frame[4] = {};         // left, top, right, bottom in inches
    int count = 0;                // CAP_XFERCOUNT, 0: not negotiated
    bool ui = false;              // ShowUI
    std::string out = "scan%d.bmp";
    bool dismiss = false;         // answer message boxes
    double timeout = 60;          // seconds without a transfer
    std::string log;              // triplet log file, empty: none
};

// Fills options from the command line; on a mistake returns false with the
// reason in error. A later occurrence of an option replaces an earlier one,
// so wrappers can put their defaults first.
bool ParseOptions(int argc, char** argv, Options& options, std::string& error);

// The usage text printed after a command-line mistake.
const char* UsageText();

// The output name of image number n: each "%d" of the pattern becomes n. A
// pattern without "%d" names the first image as given; later images get
// "-n" before the extension, so no image overwrites another.
std::string OutputName(const std::string& pattern, int n);
