// The scan job: sizes, resolutions and modes from settings and scanner, the
// model tables, threshold presets, and the same job from every derivation.
#include "transferdoubles.h"

#include "scanjob.h"

using namespace doubles;

namespace {

class ScanJobTest : public TransferTest {
protected:
    ScanSettings s = PlainRequest();
    ScannerAbility a = PlainScanner();
    ScanParameters p{};
    JobInfo j{};
    int Derive(int mechanism = TWSX_MEMORY, const char* product = "", int ui = 0)
    {
        return DeriveScanJob(&s, &p, &j, &a, product, ui, mechanism);
    }
};

struct SizeCase {
    const char* name;
    void (*setup)(ScanSettings&, ScannerAbility&);
    int result;
    DWORD scanPixels, outputPixels, scanLines, outputLines;
    WORD xResolution, yResolution;
    BYTE scanMode, passBits, bitsPerPixel;
    DWORD outputBytesPerLine;
};

const SizeCase kSizeCases[] = {
    {"gray 1 inch at 100 dpi within maxima 600",
     [](ScanSettings&, ScannerAbility& a) { a.maxXResolution = a.maxYResolution = 600; },
     700, 100, 100, 100, 100, 100, 100, 2, 8, 8, 100},
    {"gray 1 inch at 1200 dpi above maxima 600",
     [](ScanSettings& s, ScannerAbility& a) {
         s.resolution = 1200;
         a.maxXResolution = a.maxYResolution = 600;
     },
     700, 600, 1200, 600, 1200, 600, 600, 2, 8, 8, 1200},
    {"line art above the maxima is scanned in gray and delivered in 1 bit",
     [](ScanSettings& s, ScannerAbility& a) {
         s.imageType = 0;
         s.resolution = 1200;
         a.maxXResolution = a.maxYResolution = 600;
     },
     700, 600, 1200, 600, 1200, 600, 600, 2, 8, 1, 150},
    {"line art within the maxima, width aligned to 8",
     [](ScanSettings& s, ScannerAbility&) {
         s.imageType = 0;
         s.resolution = 300;
     },
     700, 296, 296, 300, 300, 300, 300, 0, 1, 1, 37},
    {"colour in three passes",
     [](ScanSettings& s, ScannerAbility&) {
         s.imageType = 3;
         s.resolution = 300;
     },
     700, 300, 300, 300, 300, 300, 300, 3, 8, 24, 900},
    {"colour in one pass",
     [](ScanSettings& s, ScannerAbility&) {
         s.imageType = 3;
         s.onePassColor = 1;
         s.resolution = 300;
     },
     700, 300, 300, 300, 300, 300, 300, 4, 24, 24, 900},
    {"palette colour becomes 4-bit gray",
     [](ScanSettings& s, ScannerAbility&) {
         s.imageType = 5;
         s.resolution = 300;
     },
     700, 300, 300, 300, 300, 300, 300, 2, 4, 4, 150},
    {"KM530C quality mode scans at the optical resolution",
     [](ScanSettings& s, ScannerAbility& a) {
         std::strcpy(a.modelName, "KM530C");
         s.scanSpeed = 1;
         s.resolution = 300;
     },
     700, 600, 300, 600, 300, 600, 600, 2, 8, 8, 300},
    {"KM530C with descreen below 250 dpi scans at 300",
     [](ScanSettings& s, ScannerAbility& a) {
         std::strcpy(a.modelName, "KM530C");
         s.scanSpeed = 1;
         s.descreenMode = 1;
         s.resolution = 200;
     },
     700, 300, 200, 300, 200, 300, 300, 2, 8, 8, 200},
    {"KM310CS descreen 8 keeps the resolution across",
     [](ScanSettings& s, ScannerAbility& a) {
         std::strcpy(a.modelName, "KM310CS");
         s.scanSpeed = 1;
         s.resolution = 300;
     },
     700, 300, 300, 600, 300, 300, 300, 2, 8, 8, 300},
    {"0.2 by 0.2 inch at 300 dpi is too small",
     [](ScanSettings& s, ScannerAbility&) {
         s.resolution = 300;
         s.cx = s.cy = 60;
     },
     710, 60, 60, 60, 60, 0, 0, 0, 0, 8, 60},
};

} // namespace

TEST_F(ScanJobTest, SizesResolutionsAndModes)
{
    for (const SizeCase& c : kSizeCases) {
        SCOPED_TRACE(c.name);
        s = PlainRequest();
        a = PlainScanner();
        p = ScanParameters{};
        j = JobInfo{};
        c.setup(s, a);
        ASSERT_EQ(c.result, Derive());
        EXPECT_EQ(c.scanPixels, j.scanPixels);
        EXPECT_EQ(c.outputPixels, j.outputPixels);
        EXPECT_EQ(c.scanLines, j.scanLines);
        EXPECT_EQ(c.outputLines, j.outputLines);
        EXPECT_EQ(c.bitsPerPixel, s.bitsPerPixel);
        EXPECT_EQ(c.outputBytesPerLine, j.outputBytesPerLine);
        if (c.result != 700)
            continue;
        EXPECT_EQ(c.xResolution, p.xResolution);
        EXPECT_EQ(c.yResolution, p.yResolution);
        EXPECT_EQ(c.scanMode, p.scanMode);
        EXPECT_EQ(c.passBits, p.passBits);
        EXPECT_EQ(1, p.alwaysOne);
        EXPECT_EQ(0x9000, p.optionFlags & 0x9000);
        EXPECT_EQ(c.scanLines, p.lines);
    }
}

TEST_F(ScanJobTest, OneAndFourBitLinesAreAsWideAsTheirBytes)
{
    // A KM530C in quality mode scans line art at twice the resolution in gray
    // and reduces it: 2550 pixels would not fit the 318 bytes of a line.
    std::strcpy(a.modelName, "KM530C");
    s.scanSpeed = 1;
    s.imageType = 0;
    s.resolution = 300;
    s.cx = 2550;
    ASSERT_EQ(700, Derive());
    EXPECT_EQ(2, p.scanMode);
    EXPECT_EQ(318u, j.outputBytesPerLine);
    EXPECT_EQ(2544u, j.outputPixels);

    s = PlainRequest();
    s.imageType = 5; // delivered as 4-bit gray
    s.resolution = 300;
    s.cx = 301;
    ASSERT_EQ(700, Derive());
    EXPECT_EQ(4, s.bitsPerPixel);
    EXPECT_EQ(j.outputBytesPerLine * 2, j.outputPixels);
}

TEST_F(ScanJobTest, ModelNameAndAreaForTheDriver)
{
    std::memcpy(a.modelName, "ABCDEFGHIJKLMNOPQRSTUVWXYZ", sizeof a.modelName); // unterminated
    std::memset(s.modelName, 'z', sizeof s.modelName);
    struct Case {
        WORD x, y, left, top;
    };
    for (const Case c : {Case{5, 0, 0, 0}, Case{20, 8, 12, 0}, Case{8, 9, 0, 1}}) {
        s.x = c.x;
        s.y = c.y;
        ASSERT_EQ(700, Derive());
        EXPECT_EQ(c.left, p.left) << "x " << c.x;
        EXPECT_EQ(c.top, p.top) << "y " << c.y;
    }
    EXPECT_EQ(std::string("ABCDEFGHIJKLMNOPQRST"), std::string(s.modelName));
    EXPECT_EQ(0, s.modelName[23]);
    EXPECT_EQ(300, p.width);
    EXPECT_EQ(300, p.length);
    EXPECT_EQ(3, p.halftoneNumber);
}

TEST_F(ScanJobTest, ThresholdPresets)
{
    struct Case {
        const char* name;
        BYTE imageType, tet;
        bool textEnhancement;
        BYTE tetAfter, saturation, high, low, edge;
        bool thresholdsInUse;
        WORD masterGamma;
    };
    const Case cases[] = {
        {"tet 1 on line art", 0, 1, true, 1, 30, 30, 40, 40, true, 160},
        {"tet 2 on line art", 0, 2, true, 2, 40, 40, 40, 70, true, 100},
        {"tet 4 on line art", 0, 4, true, 4, 30, 30, 40, 60, true, 200},
        {"tet 1 with bit 6 sets the edge threshold", 0, 0x41, true, 0x41, 30, 30, 40, 255, true, 160},
        {"tet 1 on gray is cleared", 2, 1, true, 0, 0, 0, 0, 0, false, 140},
        {"tet 1 without text enhancement is cleared", 0, 1, false, 0, 0, 0, 0, 0, false, 100},
        {"tet 3 leaves the thresholds", 0, 3, true, 3, 9, 9, 9, 9, true, 100},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        s = PlainRequest();
        s.imageType = c.imageType;
        s.tet = c.tet;
        s.masterContrast = 150;
        s.colorFilter = 1;
        a.optionFlags = c.textEnhancement ? 0x80 : 0;
        p = ScanParameters{};
        p.saturationThreshold = p.brightnessHighThreshold = p.brightnessLowThreshold = 9;
        p.edgeThreshold = 9;
        p.optionFlags = 0x80;
        ASSERT_EQ(700, Derive());
        EXPECT_EQ(c.tetAfter, s.tet);
        EXPECT_EQ(c.saturation, p.saturationThreshold);
        EXPECT_EQ(c.high, p.brightnessHighThreshold);
        EXPECT_EQ(c.low, p.brightnessLowThreshold);
        EXPECT_EQ(c.edge, p.edgeThreshold);
        EXPECT_EQ(c.thresholdsInUse, (p.optionFlags & 0x80) != 0);
        EXPECT_EQ(c.masterGamma, s.masterGammaValue);
        if (c.tetAfter == 1 || c.tetAfter == 2 || c.tetAfter == 4 || c.tetAfter == 0x41) {
            EXPECT_EQ(100, s.masterContrast);
            EXPECT_EQ(0, s.colorFilter);
        }
    }
}

TEST_F(ScanJobTest, ThresholdPresetFromTheSettingsFile)
{
    WriteSettingsFile("[1]\r\nSaturationThreshold=300\r\nBrightnessHighThreshold=21\r\n"
                      "BrightnessLowThreshold=22\r\nEdgeThreshold=23\r\nMaster Gamma Value=180\r\n"
                      "[2]\r\nSaturationThreshold=99\r\n");
    s.imageType = 0;
    s.tet = 128;
    s.scanPage = 2;
    s.colorFilter = 3;
    a.optionFlags = 0x80;
    ASSERT_EQ(700, Derive());
    EXPECT_EQ(300 & 0xFF, p.saturationThreshold);
    EXPECT_EQ(21, p.brightnessHighThreshold);
    EXPECT_EQ(22, p.brightnessLowThreshold);
    EXPECT_EQ(23, p.edgeThreshold);
    EXPECT_EQ(0x80, p.optionFlags & 0x80);
    for (WORD gamma : {s.masterGammaValue, s.redGammaValue, s.greenGammaValue, s.blueGammaValue})
        EXPECT_EQ(180, gamma);
    EXPECT_EQ(0, s.colorFilter);

    // Missing keys: thresholds 0 and gamma 100.
    WriteSettingsFile("[1]\r\n");
    s = PlainRequest();
    s.imageType = 0;
    s.tet = 128;
    ASSERT_EQ(700, Derive());
    EXPECT_EQ(0, p.saturationThreshold);
    EXPECT_EQ(0, p.edgeThreshold);
    EXPECT_EQ(100, s.blueGammaValue);
}

TEST_F(ScanJobTest, PluginScaleIsMappedWhenTheUIStoredTheSettings)
{
    WriteSettingsFile("[1]\r\nImage Type=2\r\nResolution=100\r\nCx=300\r\nCy=300\r\n"
                      "Master Brightness=75\r\nMaster Contrast=150\r\nRed Brightness=100\r\n"
                      "Blue Contrast=50\r\n"
                      "[2]\r\nMaster Brightness=120\r\n");
    a.maxXResolution = a.maxYResolution = 600;
    s.masterBrightness = 1; // replaced by the stored page
    ASSERT_EQ(700, Derive(TWSX_MEMORY, "", 1));
    EXPECT_EQ(50, s.masterBrightness);
    EXPECT_EQ(200, s.masterContrast);
    EXPECT_EQ(100, s.redBrightness);
    EXPECT_EQ(0, s.blueContrast);

    // The flatbed reads the page being scanned; the feeder always page 1.
    s = PlainRequest();
    s.scanPage = 2;
    ASSERT_EQ(700, Derive(TWSX_MEMORY, "", 1));
    EXPECT_EQ(140, s.masterBrightness);
    s = PlainRequest();
    s.scanPage = 2;
    s.scanMethod = 1;
    ASSERT_EQ(700, Derive(TWSX_MEMORY, "", 1));
    EXPECT_EQ(50, s.masterBrightness);
}

TEST_F(ScanJobTest, ScaleFactorBecomesTheResolutionOnce)
{
    s.resolution = 150;
    s.xScaleFactor = 200;
    s.yScaleFactor = 50;
    ASSERT_EQ(700, Derive());
    EXPECT_EQ(300, s.resolution);
    EXPECT_EQ(100u, s.xScaleFactor);
    EXPECT_EQ(100u, s.yScaleFactor);
    EXPECT_EQ(300, p.xResolution);
    ASSERT_EQ(700, Derive());
    EXPECT_EQ(300, s.resolution) << "the next derivation keeps 300";

    // Deriving from the stored request: the request keeps its scale factor
    // and every job is at 300 dpi.
    settings.resolution = 150;
    settings.xScaleFactor = 200;
    for (int i = 0; i < 2; ++i) {
        ASSERT_EQ(700, DeriveJob(TWSX_MEMORY));
        EXPECT_EQ(300, jobSettings.resolution);
        EXPECT_EQ(300, scanParameters.xResolution);
    }
    EXPECT_EQ(150, settings.resolution);
    EXPECT_EQ(200u, settings.xScaleFactor);
}

TEST_F(ScanJobTest, HalftoneCodes)
{
    struct Case {
        const char* model;
        bool ownTable;
        BYTE halftone;
        BYTE code;
    };
    const Case cases[] = {
        {"KM550", false, 3, 4},      {"KM6410", false, 0, 1},  {"KM570X", false, 6, 7},
        {"KM730C", false, 0, 6},     {"KM710", false, 4, 2},   {"KM210C", false, 1, 2},
        {"KM470", false, 2, 0},      {"KM999", false, 0, 4},   {"KM999", false, 5, 1},
        {"KM550", true, 3, 13},      {"KM550", true, 1, 11},   {"KM550", true, 8, 18},
        // Outside the tables: no pattern rather than a byte beside them.
        {"KM550", true, 0, 0},       {"KM550", true, 9, 0},    {"KM550", false, 7, 0},
        {"KM550", false, 200, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.model) + " halftone " + std::to_string(c.halftone));
        a = PlainScanner();
        std::strcpy(a.modelName, c.model);
        a.recordFlags = c.ownTable ? 1 : 0;
        s = PlainRequest();
        s.imageType = 1;
        s.resolution = 300;
        s.halftone = c.halftone;
        ASSERT_EQ(700, Derive());
        EXPECT_EQ(c.code, j.halftoneCode);
    }
}

TEST_F(ScanJobTest, WidthAlignmentsOfScannersWithoutTheirOwnTable)
{
    struct Case {
        const char* model;
        const char* firmware;
        BYTE lineArt, halftone, gray, colour;
    };
    const Case cases[] = {
        {"KM6530", "1.00", 32, 32, 4, 4}, {"KMB4XX", "1.00", 32, 32, 4, 4},
        {"KM730C", "1.00", 32, 32, 4, 4}, {"KM770C", "1.00", 32, 32, 4, 4},
        {"TQ500C", "1.00", 8, 8, 2, 4},   {"3100F", "1.03", 8, 8, 2, 4},
        {"3100X", "1.10", 8, 8, 2, 4},    {"3100F", "1.02", 32, 32, 4, 4},
        {"3100F", "0.9", 32, 32, 4, 4},   {"3100F", "vX", 32, 32, 4, 4},
        {"KM730", "1.00", 8, 8, 2, 2},    {"KM999", "1.00", 8, 8, 2, 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.model) + " " + c.firmware);
        a = PlainScanner();
        a.recordFlags = 0;
        std::memset(a.modelName, 0, sizeof a.modelName);
        std::strcpy(a.modelName, c.model);
        std::memset(a.firmwareVersion, 0, sizeof a.firmwareVersion);
        std::strcpy(a.firmwareVersion, c.firmware);
        a.diffusionWidthAlign = 77;
        s = PlainRequest();
        std::strcpy(s.modelName, c.model);
        int m = 0;
        BYTE code = 0;
        SelectPixelMultiple(&a, &s, &m, &code, "", TWSX_MEMORY);
        EXPECT_EQ(c.lineArt, a.lineArtWidthAlign);
        EXPECT_EQ(c.halftone, a.halftoneWidthAlign);
        EXPECT_EQ(c.gray, a.grayWidthAlign);
        EXPECT_EQ(c.colour, a.colorWidthAlign);
        EXPECT_EQ(77, a.diffusionWidthAlign);
    }
}

TEST_F(ScanJobTest, PixelMultiple)
{
    struct Case {
        const char* name;
        BYTE imageType;
        int mechanism;
        const char* product;
        DWORD functions, diffusion;
        BYTE lineArt, halftone, gray, colour, diffusionAlign;
        int multiple;
    };
    const Case cases[] = {
        {"native gray", 2, TWSX_NATIVE, "", 0, 0, 8, 8, 2, 4, 8, 32},
        {"file line art", 0, TWSX_FILE, "", 0, 0, 8, 8, 2, 4, 8, 32},
        {"native colour", 3, TWSX_NATIVE, "", 0, 0, 8, 8, 2, 6, 8, 8},
        {"native colour with option 0x04", 3, TWSX_NATIVE, "", 0x04, 0, 8, 8, 2, 6, 8, 32},
        {"memory line art", 0, TWSX_MEMORY, "", 0, 0, 16, 8, 2, 4, 8, 16},
        {"memory line art for Watermark", 0, TWSX_MEMORY, "Watermark 2", 0, 0, 16, 8, 2, 4, 8, 32},
        {"memory halftone", 1, TWSX_MEMORY, "", 0, 0, 16, 24, 2, 4, 8, 24},
        {"memory halftone without its alignment", 1, TWSX_MEMORY, "", 0, 0, 16, 0, 2, 4, 8, 16},
        {"memory diffusion", 1, TWSX_MEMORY, "", 0, 1, 16, 24, 2, 4, 40, 40},
        {"memory diffusion without its alignment", 1, TWSX_MEMORY, "", 0, 1, 16, 24, 2, 4, 0, 16},
        {"memory halftone for Twain Class Library", 1, TWSX_MEMORY, "Twain Class Library", 0, 0, 16,
         24, 2, 4, 8, 32},
        {"memory gray", 2, TWSX_MEMORY, "", 0, 0, 8, 8, 2, 4, 8, 2},
        {"memory gray for Twain Class Library", 2, TWSX_MEMORY, "Twain Class Library x", 0, 0, 8, 8,
         2, 4, 8, 4},
        {"memory 4-bit gray", 6, TWSX_MEMORY, "", 0, 0, 8, 8, 6, 4, 8, 6},
        {"memory colour rounded up to 4", 4, TWSX_MEMORY, "", 0, 0, 8, 8, 2, 6, 8, 8},
        {"memory colour", 5, TWSX_MEMORY, "", 0, 0, 8, 8, 2, 4, 8, 4},
        // A scanner that reports no alignment aligns to single pixels.
        {"memory line art aligned to 0", 0, TWSX_MEMORY, "", 0, 0, 0, 8, 2, 4, 8, 1},
        {"memory colour aligned to 0", 3, TWSX_MEMORY, "", 0, 0, 8, 8, 2, 0, 8, 1},
        {"image type beyond the table", 9, TWSX_MEMORY, "", 0, 0, 8, 8, 2, 4, 8, 32},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        a = PlainScanner();
        a.lineArtWidthAlign = c.lineArt;
        a.halftoneWidthAlign = c.halftone;
        a.grayWidthAlign = c.gray;
        a.colorWidthAlign = c.colour;
        a.diffusionWidthAlign = c.diffusionAlign;
        s = PlainRequest();
        s.imageType = c.imageType;
        s.functions = c.functions;
        s.diffusion = c.diffusion;
        int m = -1;
        BYTE code = 0;
        SelectPixelMultiple(&a, &s, &m, &code, c.product, c.mechanism);
        EXPECT_EQ(c.multiple, m);
    }
}

TEST_F(ScanJobTest, ToneFieldsByImageType)
{
    auto request = [](BYTE type) {
        ScanSettings r = PlainRequest();
        r.imageType = type;
        r.resolution = 300;
        r.masterContrast = r.redContrast = 150;
        r.masterGammaValue = 180;
        r.masterShadow = 20;
        r.intensity = 5;
        r.angle = 6;
        r.saturation = 50;
        r.sharpenMode = 3;
        r.colorMagician = 1;
        return r;
    };
    // Line art: contrasts neutral, tone curve flat, options off.
    s = request(0);
    ASSERT_EQ(700, Derive());
    EXPECT_EQ(100, s.masterContrast);
    EXPECT_EQ(100, s.masterGammaValue);
    EXPECT_EQ(0, s.masterShadow);
    EXPECT_EQ(0, s.sharpenMode);
    EXPECT_EQ(0u, s.colorMagician);
    EXPECT_EQ(100, s.saturation);
    EXPECT_EQ(0, s.intensity);

    // Gray keeps its tone curve but drops the colour options.
    s = request(2);
    s.colorMagician = 0;
    ASSERT_EQ(700, Derive());
    EXPECT_EQ(150, s.masterContrast);
    EXPECT_EQ(180, s.masterGammaValue);
    EXPECT_EQ(3, s.sharpenMode);
    EXPECT_EQ(100, s.saturation);

    // Colour magic makes every tone field neutral; colour copies the master
    // fields into the channels.
    s = request(3);
    ASSERT_EQ(700, Derive());
    EXPECT_EQ(100, s.redContrast);
    EXPECT_EQ(100, s.blueGammaValue);
    EXPECT_EQ(100, s.saturation);
    EXPECT_EQ(0, s.angle);
}

TEST_F(ScanJobTest, GreenFilterOnOnePassScanners)
{
    s.onePassColor = 1;
    s.greenBrightness = 120;
    s.greenGammaValue = 170;
    ASSERT_EQ(700, Derive());
    EXPECT_EQ(2, s.colorFilter);
    EXPECT_EQ(2, p.colorFilter);
    EXPECT_EQ(120, s.masterBrightness) << "gray uses the green channel";
    EXPECT_EQ(170, s.masterGammaValue);

    s = PlainRequest();
    s.onePassColor = 1;
    a.optionFlags = 0x10; // no default green filter
    ASSERT_EQ(700, Derive());
    EXPECT_EQ(0, s.colorFilter);
}

TEST_F(ScanJobTest, InversionByApplicationAndFlavor)
{
    struct Case {
        BYTE imageType;
        int lineArtFlag, grayFlag;
        DWORD invertImage, jobInvert;
    };
    const Case cases[] = {
        {0, 0, 0, 1, 1}, {0, 1, 0, 1, 0}, {0, 1, 0, 0, 1}, {2, 1, 0, 1, 1},
        {2, 0, 1, 1, 0}, {2, 0, 1, 0, 1}, {3, 1, 1, 1, 1},
    };
    for (const Case& c : cases) {
        s = PlainRequest();
        s.resolution = 300;
        s.imageType = c.imageType;
        s.invertImage = c.invertImage;
        lineArtInvert = c.lineArtFlag;
        grayInvert = c.grayFlag;
        ASSERT_EQ(700, Derive());
        EXPECT_EQ(c.jobInvert, j.jobInvert) << "type " << int(c.imageType);
    }

    // "iPhoto Express" inverts line art for the memory transfer only.
    s = PlainRequest();
    s.imageType = 0;
    s.resolution = 300;
    lineArtInvert = 0;
    ASSERT_EQ(700, Derive(TWSX_MEMORY, "iPhoto Express 2"));
    EXPECT_EQ(1, lineArtInvert);
    ASSERT_EQ(700, Derive(TWSX_NATIVE, "iPhoto Express 2"));
    EXPECT_EQ(0, lineArtInvert);
}

TEST_F(ScanJobTest, JobOptionsFromTheScanner)
{
    a.optionFlags = (1u << 25) | (1u << 24) | (1u << 22);
    s.functions = 0x01;
    ASSERT_EQ(700, Derive());
    EXPECT_EQ(0x01u | 0x80 | 0x200 | 0x400 | 0x800, s.functions);
    EXPECT_EQ(s.functions, j.jobFunctions);

    // Without bit 26 both resolutions are the smaller one.
    s = PlainRequest();
    s.resolution = 1200;
    a = PlainScanner();
    a.maxXResolution = 600;
    ASSERT_EQ(700, Derive());
    EXPECT_EQ(600, p.xResolution);
    EXPECT_EQ(600, p.yResolution);
    s = PlainRequest();
    s.resolution = 1200;
    a.optionFlags = 1u << 26;
    ASSERT_EQ(700, Derive());
    EXPECT_EQ(600, p.xResolution);
    EXPECT_EQ(1200, p.yResolution);
}

TEST_F(ScanJobTest, EveryDerivationOfOneImageGivesTheSameJob)
{
    // A colour image on a one-pass scanner: type 3 becomes 4 once, and must
    // not become 5 on the next derivation.
    settings.imageType = 3;
    settings.onePassColor = 1;
    settings.resolution = 150;
    settings.xScaleFactor = 200;
    settings.masterBrightness = 120;
    settings.colorMagician = 0;
    ASSERT_EQ(700, DeriveJob(TWSX_MEMORY));
    const JobInfo firstJob = jobInfo;
    const ScanParameters firstParams = scanParameters;
    const ScanSettings firstSettings = jobSettings;
    EXPECT_EQ(4, jobInfo.jobImageType);
    EXPECT_EQ(24, jobSettings.bitsPerPixel);

    for (int i = 0; i < 3; ++i) {
        ASSERT_EQ(700, DeriveJob(TWSX_MEMORY));
        EXPECT_EQ(0, std::memcmp(&firstJob, &jobInfo, sizeof jobInfo));
        EXPECT_EQ(0, std::memcmp(&firstParams, &scanParameters, sizeof scanParameters));
        EXPECT_EQ(0, std::memcmp(&firstSettings, &jobSettings, sizeof jobSettings));
    }
    // The request itself is left as the application and the user set it.
    EXPECT_EQ(3, settings.imageType);
    EXPECT_EQ(150, settings.resolution);
    EXPECT_EQ(200u, settings.xScaleFactor);
    EXPECT_EQ(0u, settings.functions);
    EXPECT_EQ(0, settings.bitsPerPixel);
}

TEST_F(ScanJobTest, DamagedSettingsAreRefusedWithoutACrash)
{
    struct Case {
        const char* name;
        void (*setup)(ScanSettings&, ScannerAbility&);
    };
    const Case cases[] = {
        {"resolution 0", [](ScanSettings& s, ScannerAbility&) { s.resolution = 0; }},
        {"line art at resolution 0",
         [](ScanSettings& s, ScannerAbility&) {
             s.imageType = 0;
             s.resolution = 0;
         }},
        {"scale factor 0", [](ScanSettings& s, ScannerAbility&) { s.xScaleFactor = 0; }},
        {"image type 9", [](ScanSettings& s, ScannerAbility&) {
             s.imageType = 9;
             s.resolution = 300;
         }},
        {"empty area", [](ScanSettings& s, ScannerAbility&) { s.cx = s.cy = 0; }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        s = PlainRequest();
        a = PlainScanner();
        j = JobInfo{};
        j.outputBytesPerLine = 999; // a previous job's
        p = ScanParameters{};
        c.setup(s, a);
        EXPECT_EQ(710, Derive());
    }
}

TEST_F(ScanJobTest, UnknownImageTypeKeepsNoSizesOfAnEarlierJob)
{
    s.resolution = 300;
    ASSERT_EQ(700, Derive());
    s = PlainRequest();
    s.imageType = 9;
    s.resolution = 300;
    EXPECT_EQ(710, Derive());
    EXPECT_EQ(0u, j.outputBytesPerLine);
    EXPECT_EQ(0, p.pixelsPerLine);
}
