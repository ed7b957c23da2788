// Records with fixed byte layouts that cross a library boundary: the scanner
// driver fills the ability records and reads the job records, the UI plug-in
// shares ScanSettings and ScannerAbility by pointer. Byte-packed, little-endian.
#pragma once

#include <windows.h>
#include <cstddef>

#pragma pack(push, 1)

// Filled by the driver's GetAbilityForUI. Sizes in 1/300 inch.
struct BasicAbility {
    char modelName[8];
    char firmwareVersion[4];
    WORD opticalResolution;
    WORD maxXResolution;
    WORD maxYResolution;
    BYTE spareA;
    BYTE hasExtendedAbility;
    BYTE colorFlags;  // bit 5: one-pass colour
    BYTE scannerType; // 64 feeder, 128 flatbed, 160 both
    WORD flatbedWidth;
    WORD flatbedLength;
    WORD feederWidth;
    WORD feederLength;
    BYTE spareB;
    BYTE modelFlags;
    BYTE spareC[12];
};

// Filled by the driver's GetAbilityForUIEx, or built from BasicAbility.
struct ScannerAbility {
    BYTE spareA[12];
    char modelName[20];
    char firmwareVersion[8];
    char interfaceName[12];
    char auxiliaryName[8];
    BYTE halftoneCodes[8];
    DWORD optionFlags;
    DWORD driverFlags;
    DWORD recordFlags;
    WORD flatbedWidth;
    WORD flatbedLength;
    WORD feederWidth;
    WORD feederLength;
    WORD opticalResolution;
    WORD maxXResolution;
    WORD maxYResolution;
    WORD maxColorXResolution;
    WORD maxColorYResolution;
    WORD colorFlags;
    WORD scannerType;
    BYTE spareB[4];
    BYTE modelFlags;
    BYTE spareC;
    BYTE lineArtWidthAlign;
    BYTE grayWidthAlign;
    BYTE colorWidthAlign;
    BYTE halftoneWidthAlign;
    BYTE diffusionWidthAlign;
    BYTE spareD[29];
};

// The scan settings shared by the data source and the UI plug-in.
struct ScanSettings {
    DWORD scanPage;
    char modelName[24];
    DWORD onePassColor;
    BYTE spareA;
    BYTE sharpenMode;
    BYTE descreenMode;
    BYTE colorFilter;
    BYTE imageType;
    DWORD halftonePatternCode;
    WORD resolution;
    DWORD xScaleFactor;
    DWORD yScaleFactor;
    BYTE masterBrightness;
    BYTE masterContrast;
    BYTE masterHighlight;
    BYTE masterShadow;
    WORD masterGammaValue;
    BYTE redBrightness;
    BYTE redContrast;
    BYTE redHighlight;
    BYTE redShadow;
    WORD redGammaValue;
    BYTE greenBrightness;
    BYTE greenContrast;
    BYTE greenHighlight;
    BYTE greenShadow;
    WORD greenGammaValue;
    BYTE blueBrightness;
    BYTE blueContrast;
    BYTE blueHighlight;
    BYTE blueShadow;
    WORD blueGammaValue;
    WORD angle;
    BYTE intensity;
    BYTE saturation;
    BYTE scanSpeed;
    BYTE halftone;
    DWORD diffusion;
    DWORD colorMagician;
    DWORD autoSize;
    BYTE unit;
    WORD x;
    WORD y;
    WORD cx;
    WORD cy;
    DWORD lockSize;
    DWORD lockScale;
    BYTE scanMethod;
    WORD prescanY;
    WORD prescanX;
    WORD prescanLength;
    WORD prescanWidth;
    DWORD invertImage;
    DWORD useTransparence;
    DWORD functions;
    BYTE spareB;
    BYTE tet;
    BYTE bitsPerPixel;
};

// The scan parameter block handed to the driver.
struct ScanParameters {
    WORD left;
    WORD top;
    WORD width;
    WORD length;
    WORD pixelsPerLine;
    WORD lines;
    BYTE scanMode;
    BYTE scanSource;
    BYTE passBits;
    BYTE alwaysOne;
    BYTE spare16[2];
    BYTE halftoneNumber;
    BYTE spare19[2];
    BYTE colorFilter;
    BYTE spareA;
    BYTE spare23;
    WORD optionFlags;
    BYTE spare26[6];
    WORD xResolution;
    WORD yResolution;
    BYTE spare36;
    BYTE saturationThreshold;
    BYTE brightnessHighThreshold;
    BYTE brightnessLowThreshold;
    BYTE edgeThreshold;
    BYTE spare41[7];
};

// The derived job sizes and options.
struct JobInfo {
    BYTE jobImageType;
    DWORD scanPixels;
    DWORD outputPixels;
    DWORD scanBytesPerLine;
    DWORD outputBytesPerLine;
    DWORD scanLines;
    DWORD outputLines;
    DWORD spareA;
    DWORD transferActive;
    DWORD scanOptions;
    DWORD jobDescreen;
    DWORD jobInvert;
    BYTE halftoneCode;
    DWORD jobFunctions;
};

#pragma pack(pop)

static_assert(sizeof(BasicAbility) == 44);
static_assert(offsetof(BasicAbility, modelName) == 0);
static_assert(offsetof(BasicAbility, firmwareVersion) == 8);
static_assert(offsetof(BasicAbility, opticalResolution) == 12);
static_assert(offsetof(BasicAbility, maxXResolution) == 14);
static_assert(offsetof(BasicAbility, maxYResolution) == 16);
static_assert(offsetof(BasicAbility, spareA) == 18);
static_assert(offsetof(BasicAbility, hasExtendedAbility) == 19);
static_assert(offsetof(BasicAbility, colorFlags) == 20);
static_assert(offsetof(BasicAbility, scannerType) == 21);
static_assert(offsetof(BasicAbility, flatbedWidth) == 22);
static_assert(offsetof(BasicAbility, flatbedLength) == 24);
static_assert(offsetof(BasicAbility, feederWidth) == 26);
static_assert(offsetof(BasicAbility, feederLength) == 28);
static_assert(offsetof(BasicAbility, spareB) == 30);
static_assert(offsetof(BasicAbility, modelFlags) == 31);
static_assert(offsetof(BasicAbility, spareC) == 32);

static_assert(sizeof(ScannerAbility) == 142);
static_assert(offsetof(ScannerAbility, spareA) == 0);
static_assert(offsetof(ScannerAbility, modelName) == 12);
static_assert(offsetof(ScannerAbility, firmwareVersion) == 32);
static_assert(offsetof(ScannerAbility, interfaceName) == 40);
static_assert(offsetof(ScannerAbility, auxiliaryName) == 52);
static_assert(offsetof(ScannerAbility, halftoneCodes) == 60);
static_assert(offsetof(ScannerAbility, optionFlags) == 68);
static_assert(offsetof(ScannerAbility, driverFlags) == 72);
static_assert(offsetof(ScannerAbility, recordFlags) == 76);
static_assert(offsetof(ScannerAbility, flatbedWidth) == 80);
static_assert(offsetof(ScannerAbility, flatbedLength) == 82);
static_assert(offsetof(ScannerAbility, feederWidth) == 84);
static_assert(offsetof(ScannerAbility, feederLength) == 86);
static_assert(offsetof(ScannerAbility, opticalResolution) == 88);
static_assert(offsetof(ScannerAbility, maxXResolution) == 90);
static_assert(offsetof(ScannerAbility, maxYResolution) == 92);
static_assert(offsetof(ScannerAbility, maxColorXResolution) == 94);
static_assert(offsetof(ScannerAbility, maxColorYResolution) == 96);
static_assert(offsetof(ScannerAbility, colorFlags) == 98);
static_assert(offsetof(ScannerAbility, scannerType) == 100);
static_assert(offsetof(ScannerAbility, spareB) == 102);
static_assert(offsetof(ScannerAbility, modelFlags) == 106);
static_assert(offsetof(ScannerAbility, spareC) == 107);
static_assert(offsetof(ScannerAbility, lineArtWidthAlign) == 108);
static_assert(offsetof(ScannerAbility, grayWidthAlign) == 109);
static_assert(offsetof(ScannerAbility, colorWidthAlign) == 110);
static_assert(offsetof(ScannerAbility, halftoneWidthAlign) == 111);
static_assert(offsetof(ScannerAbility, diffusionWidthAlign) == 112);
static_assert(offsetof(ScannerAbility, spareD) == 113);

static_assert(sizeof(ScanSettings) == 134);
static_assert(offsetof(ScanSettings, scanPage) == 0);
static_assert(offsetof(ScanSettings, modelName) == 4);
static_assert(offsetof(ScanSettings, onePassColor) == 28);
static_assert(offsetof(ScanSettings, spareA) == 32);
static_assert(offsetof(ScanSettings, sharpenMode) == 33);
static_assert(offsetof(ScanSettings, descreenMode) == 34);
static_assert(offsetof(ScanSettings, colorFilter) == 35);
static_assert(offsetof(ScanSettings, imageType) == 36);
static_assert(offsetof(ScanSettings, halftonePatternCode) == 37);
static_assert(offsetof(ScanSettings, resolution) == 41);
static_assert(offsetof(ScanSettings, xScaleFactor) == 43);
static_assert(offsetof(ScanSettings, yScaleFactor) == 47);
static_assert(offsetof(ScanSettings, masterBrightness) == 51);
static_assert(offsetof(ScanSettings, masterContrast) == 52);
static_assert(offsetof(ScanSettings, masterHighlight) == 53);
static_assert(offsetof(ScanSettings, masterShadow) == 54);
static_assert(offsetof(ScanSettings, masterGammaValue) == 55);
static_assert(offsetof(ScanSettings, redBrightness) == 57);
static_assert(offsetof(ScanSettings, redContrast) == 58);
static_assert(offsetof(ScanSettings, redHighlight) == 59);
static_assert(offsetof(ScanSettings, redShadow) == 60);
static_assert(offsetof(ScanSettings, redGammaValue) == 61);
static_assert(offsetof(ScanSettings, greenBrightness) == 63);
static_assert(offsetof(ScanSettings, greenContrast) == 64);
static_assert(offsetof(ScanSettings, greenHighlight) == 65);
static_assert(offsetof(ScanSettings, greenShadow) == 66);
static_assert(offsetof(ScanSettings, greenGammaValue) == 67);
static_assert(offsetof(ScanSettings, blueBrightness) == 69);
static_assert(offsetof(ScanSettings, blueContrast) == 70);
static_assert(offsetof(ScanSettings, blueHighlight) == 71);
static_assert(offsetof(ScanSettings, blueShadow) == 72);
static_assert(offsetof(ScanSettings, blueGammaValue) == 73);
static_assert(offsetof(ScanSettings, angle) == 75);
static_assert(offsetof(ScanSettings, intensity) == 77);
static_assert(offsetof(ScanSettings, saturation) == 78);
static_assert(offsetof(ScanSettings, scanSpeed) == 79);
static_assert(offsetof(ScanSettings, halftone) == 80);
static_assert(offsetof(ScanSettings, diffusion) == 81);
static_assert(offsetof(ScanSettings, colorMagician) == 85);
static_assert(offsetof(ScanSettings, autoSize) == 89);
static_assert(offsetof(ScanSettings, unit) == 93);
static_assert(offsetof(ScanSettings, x) == 94);
static_assert(offsetof(ScanSettings, y) == 96);
static_assert(offsetof(ScanSettings, cx) == 98);
static_assert(offsetof(ScanSettings, cy) == 100);
static_assert(offsetof(ScanSettings, lockSize) == 102);
static_assert(offsetof(ScanSettings, lockScale) == 106);
static_assert(offsetof(ScanSettings, scanMethod) == 110);
static_assert(offsetof(ScanSettings, prescanY) == 111);
static_assert(offsetof(ScanSettings, prescanX) == 113);
static_assert(offsetof(ScanSettings, prescanLength) == 115);
static_assert(offsetof(ScanSettings, prescanWidth) == 117);
static_assert(offsetof(ScanSettings, invertImage) == 119);
static_assert(offsetof(ScanSettings, useTransparence) == 123);
static_assert(offsetof(ScanSettings, functions) == 127);
static_assert(offsetof(ScanSettings, spareB) == 131);
static_assert(offsetof(ScanSettings, tet) == 132);
static_assert(offsetof(ScanSettings, bitsPerPixel) == 133);

static_assert(sizeof(ScanParameters) == 48);
static_assert(offsetof(ScanParameters, left) == 0);
static_assert(offsetof(ScanParameters, top) == 2);
static_assert(offsetof(ScanParameters, width) == 4);
static_assert(offsetof(ScanParameters, length) == 6);
static_assert(offsetof(ScanParameters, pixelsPerLine) == 8);
static_assert(offsetof(ScanParameters, lines) == 10);
static_assert(offsetof(ScanParameters, scanMode) == 12);
static_assert(offsetof(ScanParameters, scanSource) == 13);
static_assert(offsetof(ScanParameters, passBits) == 14);
static_assert(offsetof(ScanParameters, alwaysOne) == 15);
static_assert(offsetof(ScanParameters, halftoneNumber) == 18);
static_assert(offsetof(ScanParameters, colorFilter) == 21);
static_assert(offsetof(ScanParameters, spareA) == 22);
static_assert(offsetof(ScanParameters, optionFlags) == 24);
static_assert(offsetof(ScanParameters, xResolution) == 32);
static_assert(offsetof(ScanParameters, yResolution) == 34);
static_assert(offsetof(ScanParameters, saturationThreshold) == 37);
static_assert(offsetof(ScanParameters, brightnessHighThreshold) == 38);
static_assert(offsetof(ScanParameters, brightnessLowThreshold) == 39);
static_assert(offsetof(ScanParameters, edgeThreshold) == 40);

static_assert(sizeof(JobInfo) == 50);
static_assert(offsetof(JobInfo, jobImageType) == 0);
static_assert(offsetof(JobInfo, scanPixels) == 1);
static_assert(offsetof(JobInfo, outputPixels) == 5);
static_assert(offsetof(JobInfo, scanBytesPerLine) == 9);
static_assert(offsetof(JobInfo, outputBytesPerLine) == 13);
static_assert(offsetof(JobInfo, scanLines) == 17);
static_assert(offsetof(JobInfo, outputLines) == 21);
static_assert(offsetof(JobInfo, spareA) == 25);
static_assert(offsetof(JobInfo, transferActive) == 29);
static_assert(offsetof(JobInfo, scanOptions) == 33);
static_assert(offsetof(JobInfo, jobDescreen) == 37);
static_assert(offsetof(JobInfo, jobInvert) == 41);
static_assert(offsetof(JobInfo, halftoneCode) == 45);
static_assert(offsetof(JobInfo, jobFunctions) == 46);
