// Reading ScanSettings from kmscan32.ini.
#include "testsupport.h"

#include <cstring>

#include "profile.h"
#include "settings.h"
#include "state.h"

namespace {

class SettingsTest : public SourceTest {
protected:
    ScanSettings record{};
    ScannerAbility ability{};
    std::string path;

    void SetUp() override
    {
        SourceTest::SetUp();
        path = SettingsFilePath();
        ResetScanSettings(&record, &ability);
    }
    void Scanner(WORD type, WORD flatbedWidth, WORD flatbedLength, WORD feederWidth, WORD feederLength)
    {
        ability.scannerType = type;
        ability.flatbedWidth = flatbedWidth;
        ability.flatbedLength = flatbedLength;
        ability.feederWidth = feederWidth;
        ability.feederLength = feederLength;
    }
    void Load(const std::string& content)
    {
        files.Write("\\kmscan32.ini", content);
        EXPECT_EQ(1, GetAllSettingFromPrivateIni(path.c_str(), &record, &ability));
    }
};

} // namespace

TEST_F(SettingsTest, NoFileGivesTheDefaultsAndWritesThePrescanLength)
{
    files.Remove("\\kmscan32.ini");
    GetAllSettingFromPrivateIni(path.c_str(), &record, &ability);
    EXPECT_EQ(1u, record.scanPage);
    EXPECT_EQ(2, record.scanMethod);
    EXPECT_EQ(300, record.resolution);
    EXPECT_EQ(0, record.imageType);
    EXPECT_EQ(100, record.masterBrightness);
    EXPECT_EQ(255, record.blueHighlight);
    EXPECT_EQ(140, record.blueGammaValue);
    EXPECT_EQ(3, record.halftone);
    EXPECT_EQ(100u, record.xScaleFactor);
    EXPECT_EQ(1, record.scanSpeed);
    EXPECT_EQ(1u, record.autoSize);
    for (WORD value : {record.cx, record.cy, record.prescanWidth, record.prescanLength})
        EXPECT_EQ(0xFFFE, value);
    EXPECT_EQ(65534, ReadInt(path, kSectionScanner, "Prescan Length", 0));
    EXPECT_EQ(-1, ReadInt(path, kSectionScanner, "Prescan Width", -1));
}

TEST_F(SettingsTest, EveryKeyReachesItsField)
{
    Scanner(160, 2550, 3508, 2550, 4200);
    Load("[Kelmora Scanner]\r\nScan Page=2\r\nScan Speed=0\r\nUnit=2\r\nAutoSize=0\r\nScan Method=2\r\n"
         "Prescan Y=11\r\nPrescan X=12\r\nPrescan Width=2000\r\nPrescan Length=3000\r\n"
         "Use Transparence=1\r\nLock Size=1\r\nLock Scale=1\r\n"
         "[2]\r\nImage Type=3\r\nColor filter=2\r\nSharpen Mode=1\r\nDescreen Mode=1\r\nAngle=45\r\n"
         "Instensity=7\r\nSaturation=90\r\nColor Magician=1\r\nDiffusion=1\r\nInvert Image=1\r\n"
         "Resolution=600\r\nX ScaleFactor=200\r\nY ScaleFactor=150\r\n"
         "Master Brightness=101\r\nMaster Contrast=102\r\nMaster Highlight=250\r\nMaster Shadow=5\r\n"
         "Master Gamma Value=180\r\nRed Brightness=111\r\nRed Contrast=112\r\nRed Highlight=240\r\n"
         "Red Shadow=6\r\nRed Gamma Value=181\r\nGreen Brightness=121\r\nGreen Contrast=122\r\n"
         "Green Highlight=230\r\nGreen Shadow=7\r\nGreen Gamma Value=182\r\nBlue Brightness=131\r\n"
         "Blue Contrast=132\r\nBlue Highlight=220\r\nBlue Shadow=8\r\nBule Gamma Value=183\r\n"
         "Halftone=5\r\nx=100\r\ny=200\r\nCx=1000\r\nCy=2000\r\nFunctions=1024\r\nTET=2\r\n"
         "[1]\r\nImage Type=2\r\n");
    struct Case {
        const char* field;
        unsigned actual;
        unsigned expected;
    };
    const Case cases[] = {
        {"scanPage", record.scanPage, 2},       {"scanSpeed", record.scanSpeed, 0},
        {"unit", record.unit, 2},               {"autoSize", record.autoSize, 0},
        {"scanMethod", record.scanMethod, 2},   {"prescanY", record.prescanY, 11},
        {"prescanX", record.prescanX, 12},      {"prescanWidth", record.prescanWidth, 2000},
        {"prescanLength", record.prescanLength, 3000},
        {"useTransparence", record.useTransparence, 1},
        {"lockSize", record.lockSize, 1},       {"lockScale", record.lockScale, 1},
        {"imageType", record.imageType, 3},     {"colorFilter", record.colorFilter, 2},
        {"sharpenMode", record.sharpenMode, 1}, {"descreenMode", record.descreenMode, 1},
        {"angle", record.angle, 45},            {"intensity", record.intensity, 7},
        {"saturation", record.saturation, 90},  {"colorMagician", record.colorMagician, 1},
        {"diffusion", record.diffusion, 1},     {"invertImage", record.invertImage, 1},
        {"resolution", record.resolution, 600}, {"xScaleFactor", record.xScaleFactor, 200},
        {"yScaleFactor", record.yScaleFactor, 150},
        {"masterBrightness", record.masterBrightness, 101},
        {"masterContrast", record.masterContrast, 102},
        {"masterHighlight", record.masterHighlight, 250},
        {"masterShadow", record.masterShadow, 5},
        {"masterGammaValue", record.masterGammaValue, 180},
        {"redBrightness", record.redBrightness, 111}, {"redContrast", record.redContrast, 112},
        {"redHighlight", record.redHighlight, 240},   {"redShadow", record.redShadow, 6},
        {"redGammaValue", record.redGammaValue, 181},
        {"greenBrightness", record.greenBrightness, 121},
        {"greenContrast", record.greenContrast, 122},
        {"greenHighlight", record.greenHighlight, 230}, {"greenShadow", record.greenShadow, 7},
        {"greenGammaValue", record.greenGammaValue, 182},
        {"blueBrightness", record.blueBrightness, 131}, {"blueContrast", record.blueContrast, 132},
        {"blueHighlight", record.blueHighlight, 220},   {"blueShadow", record.blueShadow, 8},
        {"blueGammaValue", record.blueGammaValue, 183},
        {"halftone", record.halftone, 5},       {"x", record.x, 100},
        {"y", record.y, 200},                   {"cx", record.cx, 1000},
        {"cy", record.cy, 2000},                {"functions", record.functions, 1024},
        {"tet", record.tet, 2},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.expected, c.actual) << c.field;
}

TEST_F(SettingsTest, PrescanRangeIsClampedAndOnlyTheLengthWrittenBack)
{
    Scanner(128, 2550, 3300, 2550, 4200);
    Load("[Kelmora Scanner]\r\nPrescan Width=500\r\nPrescan Length=500\r\n");
    EXPECT_EQ(900, record.prescanLength);
    EXPECT_EQ(900, record.prescanWidth);
    EXPECT_EQ(900, ReadInt(path, kSectionScanner, "Prescan Length", 0));
    EXPECT_EQ(500, ReadInt(path, kSectionScanner, "Prescan Width", 0));

    Load("[Kelmora Scanner]\r\nPrescan Width=9000\r\nPrescan Length=9000\r\n");
    EXPECT_EQ(2550, record.prescanWidth);
    EXPECT_EQ(3300, record.prescanLength);

    Scanner(128, 800, 700, 800, 700);
    Load("[Kelmora Scanner]\r\n");
    EXPECT_EQ(900, record.prescanLength) << "a maximum below 900 still gives 900";
    EXPECT_EQ(900, record.prescanWidth);
}

TEST_F(SettingsTest, FeederPrescanUsesTheFeederMaxima)
{
    Scanner(64, 2550, 3508, 2400, 4000);
    Load("[Kelmora Scanner]\r\nScan Method=0\r\n");
    EXPECT_EQ(0, record.scanMethod);
    EXPECT_EQ(2400, record.prescanWidth);
    EXPECT_EQ(4000, record.prescanLength);
    EXPECT_EQ(2400, record.cx);
    EXPECT_EQ(4000, record.cy);
}

TEST_F(SettingsTest, ScanMethodFollowsTheScannerType)
{
    struct Case {
        WORD type;
        int stored;
        int expected;
    };
    for (Case c : {Case{128, 0, 2}, Case{128, 1, 2}, Case{64, 2, 1}, Case{64, 0, 0}, Case{160, 1, 1},
                   Case{160, 2, 2}}) {
        Scanner(c.type, 2550, 3508, 2550, 4200);
        Load("[Kelmora Scanner]\r\nScan Method=" + std::to_string(c.stored) + "\r\n");
        EXPECT_EQ(c.expected, record.scanMethod) << "type " << c.type << " stored " << c.stored;
    }
}

TEST_F(SettingsTest, ScanAreaCaps)
{
    struct Case {
        WORD type;
        WORD flatbedLength;
        int storedCy;
        WORD expected;
    };
    for (Case c : {Case{160, 3450, 3600, 3508}, Case{160, 3450, 3500, 3500}, Case{160, 3507, 3600, 3507},
                   Case{128, 3450, 3600, 3450}}) {
        Scanner(c.type, 2550, c.flatbedLength, 2550, 4200);
        Load("[1]\r\nCx=9999\r\nCy=" + std::to_string(c.storedCy) + "\r\n");
        EXPECT_EQ(c.expected, record.cy) << "type " << c.type << " bed " << c.flatbedLength << " cy "
                                         << c.storedCy;
        EXPECT_EQ(2550, record.cx);
    }
    Scanner(160, 2550, 3508, 2400, 4000);
    Load("[Kelmora Scanner]\r\nScan Method=1\r\n[1]\r\nCx=9999\r\nCy=9999\r\n");
    EXPECT_EQ(2400, record.cx) << "the feeder's maxima for the feeder";
    EXPECT_EQ(4000, record.cy);
}

TEST_F(SettingsTest, ScanPageSelectsThePageSection)
{
    Scanner(160, 2550, 3508, 2550, 4200);
    Load("[Kelmora Scanner]\r\nScan Page=3\r\n[1]\r\nResolution=100\r\n[3]\r\nResolution=600\r\n");
    EXPECT_EQ(600, record.resolution);
    Load("[Kelmora Scanner]\r\nScan Page=4\r\n[1]\r\nResolution=100\r\nImage Type=3\r\n");
    EXPECT_EQ(300, record.resolution) << "a missing page section gives the file defaults";
    EXPECT_EQ(0, record.imageType);
}

TEST_F(SettingsTest, GarbageNegativeAndHugeValuesKeepTheirLowBits)
{
    Scanner(160, 2550, 3508, 2550, 4200);
    Load("[Kelmora Scanner]\r\nScan Page=-1\r\nScan Method=261\r\nPrescan Length=-5\r\n"
         "[-1]\r\nResolution=70000\r\nImage Type=abc\r\nMaster Brightness=-56\r\nx=-1\r\n"
         "Cx=99999999999999\r\nAngle=65537\r\n");
    EXPECT_EQ(0xFFFFFFFFu, record.scanPage);
    EXPECT_EQ(5, record.scanMethod) << "261 keeps its low byte";
    EXPECT_EQ(3508, record.prescanLength) << "-5 is 65531 unsigned, lowered to the maximum";
    EXPECT_EQ(70000 & 0xFFFF, record.resolution);
    EXPECT_EQ(0, record.imageType);
    EXPECT_EQ(200, record.masterBrightness);
    EXPECT_EQ(0xFFFF, record.x);
    EXPECT_EQ(1, record.angle);
    EXPECT_LE(record.cx, 2550);
}

TEST_F(SettingsTest, NullArgumentsAreRefused)
{
    EXPECT_EQ(0, GetAllSettingFromPrivateIni(nullptr, &record, &ability));
    EXPECT_EQ(0, GetAllSettingFromPrivateIni(path.c_str(), nullptr, &ability));
    EXPECT_EQ(0, GetAllSettingFromPrivateIni(path.c_str(), &record, nullptr));
}

TEST_F(SettingsTest, ResetLeavesPlaceholdersUntilTheScannerIsKnown)
{
    std::memset(&record, 0x55, sizeof record);
    std::memset(&ability, 0x55, sizeof ability);
    ResetScanSettings(&record, &ability);
    EXPECT_EQ(1u, record.scanPage);
    EXPECT_EQ(140, record.masterGammaValue);
    EXPECT_EQ(100, record.saturation);
    EXPECT_EQ(0u, record.useTransparence);
    EXPECT_EQ(0x55, record.imageType) << "fields without a reset value keep theirs";
    EXPECT_EQ(0xFFFE, ability.flatbedWidth);
    EXPECT_EQ(0xFFFE, ability.feederLength);
    EXPECT_EQ(160, ability.scannerType);
}
