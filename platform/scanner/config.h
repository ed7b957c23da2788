// The virtual scanner's configuration: vscanner.ini in the Windows directory.
// Every device function reads it afresh, the transfer functions at the first
// call of each image, so a test can change it between calls. Missing keys
// take the defaults of the table in README.md.
#pragma once

#include <windows.h>

#include <string>

constexpr const char* kConfigFileName = "\\vscanner.ini";
constexpr const char* kCallLogFileName = "\\vscanner.log";
constexpr const char* kPrescanFileName = "\\kmpre.bmp";

// [Scanner]: what the ability records report.
struct ScannerConfig {
    std::string model;
    std::string firmware;
    std::string interfaceName;
    std::string auxiliaryName;
    int type;
    int optical;
    int maxX, maxY;
    int maxColorX, maxColorY;
    int colorFlags;
    int flatbedWidth, flatbedLength; // 1/300 inch
    int feederWidth, feederLength;
    int extended;
    DWORD optionFlags;
    DWORD driverFlags;
    BYTE halftoneCodes[8];
    BYTE align[5]; // line art, gray, colour, halftone, diffusion
};

// [Faults]: each 0 means normal behaviour.
struct FaultConfig {
    int testScanner;
    long status;
    int prescan;
    int transfer;
    int calibrate;
    int adfQuery;
};

struct VirtualScannerConfig {
    ScannerConfig scanner;
    std::string flatbedImage; // [Bed] Flatbed, empty: the built-in page
    std::string feederImage;  // [Bed] Feeder
    FaultConfig faults;
};

// The Windows directory followed by name (which begins with a backslash).
std::string ScannerWindowsPath(const char* name);

VirtualScannerConfig ReadConfig();

// [Bed] "Sheets", read by the device library once, when it is loaded.
int ReadSheetCount();

// A number as the configuration writes it: decimal, or hexadecimal after
// "0x"; an optional minus sign. Anything else is not a number.
bool ParseNumber(const char* text, long long* value);
