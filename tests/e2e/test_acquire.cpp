// The main job: the virtual scanner's built-in page acquired without a user
// interface, by each mechanism, into a BMP whose size and depth are those
// DAT_IMAGEINFO announced (twscan refuses any other).
#include "e2e.h"

namespace {

struct AcquireCase {
    const char* xfer;
    const char* pixel;
    int bits;
};

class AcquireTest : public E2eTest, public ::testing::WithParamInterface<AcquireCase> {};

// 2 by 1.25 inches at 160 dpi: 320 x 200 pixels, a width that every pixel
// alignment of the driver (up to 32) keeps as it is.
TEST_P(AcquireTest, SavesTheAnnouncedImage)
{
    const AcquireCase c = GetParam();
    const RunResult run = Scan({"--xfer", c.xfer, "--pixel", c.pixel, "--dpi", "160", "--frame",
                                "0.5,0.5,2.5,1.75", "--out", scratch.Path("page%d.bmp")});
    ExpectOneSavedImage(run, 320, 200, c.bits);
    EXPECT_TRUE(run.err.empty()) << Describe(run);
}

INSTANTIATE_TEST_SUITE_P(
    BuiltInPage, AcquireTest,
    ::testing::Values(AcquireCase{"native", "bw", 1}, AcquireCase{"native", "gray", 8},
                      AcquireCase{"native", "rgb", 24}, AcquireCase{"memory", "bw", 1},
                      AcquireCase{"memory", "gray", 8}, AcquireCase{"memory", "rgb", 24},
                      AcquireCase{"file", "bw", 1}, AcquireCase{"file", "gray", 8},
                      AcquireCase{"file", "rgb", 24}),
    [](const ::testing::TestParamInfo<AcquireCase>& info) {
        return std::string(info.param.xfer) + "_" + info.param.pixel;
    });

// What tools/scan.sh asks for: the whole bed in colour at 150 dpi.
TEST_F(E2eTest, AcquiresTheWholePageInColour)
{
    const RunResult run = Scan({"--xfer", "memory", "--pixel", "rgb", "--dpi", "150", "--out",
                                scratch.Path("scan%d.bmp")});
    ExpectOneSavedImage(run, 0, 0, 24);
    ImageLine image;
    ASSERT_TRUE(!run.OutLines().empty() && ParseImageLine(run.OutLines()[0], image));
    // 8.5 by 11.69 inches at 150 dpi, less what the alignment takes.
    EXPECT_GT(image.width, 1240);
    EXPECT_LE(image.width, 1275);
    EXPECT_GT(image.height, 1740);
    EXPECT_LE(image.height, 1754);
}

TEST_F(E2eTest, DriverAndCompanionSeeTheSession)
{
    const RunResult run = Scan({"--xfer", "memory", "--pixel", "gray", "--dpi", "160", "--frame",
                                "0.5,0.5,2.5,1.75", "--out", scratch.Path("s%d.bmp")});
    ASSERT_EQ(run.exitCode, 0u) << Describe(run);
    const auto driver = ScannerLog();
    EXPECT_TRUE(AnyLineContains(driver, "TestScanner(ptr, 0) = 1")) << ReadWholeFile(scannerLog.Path());
    EXPECT_TRUE(AnyLineContains(driver, "AvMemXfer(")) << ReadWholeFile(scannerLog.Path());
    EXPECT_FALSE(AnyLineContains(driver, "CreateDIB(")) << ReadWholeFile(scannerLog.Path());
    EXPECT_EQ(CompanionLog(), (std::vector<std::string>{"twain_in", "twain_out"}));

    scannerLog.Remove();
    const RunResult native = Scan({"--pixel", "gray", "--dpi", "160", "--frame", "0.5,0.5,2.5,1.75",
                                   "--out", scratch.Path("n%d.bmp")});
    ASSERT_EQ(native.exitCode, 0u) << Describe(native);
    EXPECT_TRUE(AnyLineContains(ScannerLog(), "CreateDIB(")) << ReadWholeFile(scannerLog.Path());
}

// Each sheet in the feeder gives one image; CAP_XFERCOUNT stops earlier.
TEST_F(E2eTest, FeederGivesOneImagePerSheetUpToTheCount)
{
    SetScannerKey("Bed", "Sheets", "2");
    RunResult run = Scan({"--xfer", "native", "--pixel", "gray", "--dpi", "160", "--frame",
                          "0.5,0.5,2.5,1.75", "--count", "-1", "--out", scratch.Path("sheet%d.bmp")});
    EXPECT_EQ(run.exitCode, 0u) << Describe(run);
    EXPECT_EQ(run.OutLines().size(), 2u) << Describe(run);
    EXPECT_TRUE(PathExists(scratch.Path("sheet2.bmp")));

    SetScannerKey("Bed", "Sheets", "3");
    run = Scan({"--xfer", "memory", "--pixel", "bw", "--dpi", "160", "--frame", "0.5,0.5,2.5,1.75",
                "--count", "2", "--out", scratch.Path("counted%d.bmp")});
    EXPECT_EQ(run.exitCode, 0u) << Describe(run);
    EXPECT_EQ(run.OutLines().size(), 2u) << Describe(run);
    EXPECT_FALSE(PathExists(scratch.Path("counted3.bmp")));
}

// "Scan Page" = 3 prepares three flatbed pages.
TEST_F(E2eTest, PreparedFlatbedPagesGiveOneImageEach)
{
    settingsIni.Write("[Kelmora Scanner]\r\nScan Page=3\r\nScan Method=2\r\n");
    const RunResult run = Scan({"--xfer", "file", "--pixel", "rgb", "--dpi", "160", "--frame",
                                "0.5,0.5,2.5,1.75", "--out", scratch.Path("flat%d.bmp")});
    EXPECT_EQ(run.exitCode, 0u) << Describe(run);
    EXPECT_EQ(run.OutLines().size(), 3u) << Describe(run);
    EXPECT_TRUE(PathExists(scratch.Path("flat3.bmp")));
}

// The client "WordScan" is served without the dialog even when it asks for one.
TEST_F(E2eTest, WordScanGetsItsImageWithoutTheDialog)
{
    const RunResult run = Scan({"--app", "WordScan", "--ui", "--xfer", "memory", "--pixel", "gray", "--dpi",
                                "160", "--frame", "0.5,0.5,2.5,1.75", "--out", scratch.Path("w%d.bmp"),
                                "--timeout", "30"});
    ExpectOneSavedImage(run, 320, 200, 8);
}

// The whole default page (line art, 300 dpi) and the whole page in colour
// at 150 dpi, by every mechanism: each image is delivered exactly as
// DAT_IMAGEINFO announced it (twscan checks), though native and file jobs
// align the width differently from memory jobs.
struct PageCase {
    const char* xfer;
    std::vector<const char*> options;
};

class WholePageTest : public E2eTest, public ::testing::WithParamInterface<PageCase> {};

TEST_P(WholePageTest, DeliversTheAnnouncedImage)
{
    std::vector<std::string> args = {"--xfer", GetParam().xfer, "--out", scratch.Path("whole%d.bmp")};
    args.insert(args.end(), GetParam().options.begin(), GetParam().options.end());
    const RunResult run = Scan(args);
    ASSERT_EQ(run.exitCode, 0u) << Describe(run);
    ImageLine image;
    ASSERT_TRUE(!run.OutLines().empty() && ParseImageLine(run.OutLines()[0], image)) << Describe(run);
    ExpectOneSavedImage(run, image.width, image.height, image.bits);
}

INSTANTIATE_TEST_SUITE_P(
    DefaultsAndColour, WholePageTest,
    ::testing::Values(PageCase{"native", {}}, PageCase{"memory", {}}, PageCase{"file", {}},
                      PageCase{"native", {"--pixel", "rgb", "--dpi", "150"}},
                      PageCase{"memory", {"--pixel", "rgb", "--dpi", "150"}},
                      PageCase{"file", {"--pixel", "rgb", "--dpi", "150"}}),
    [](const ::testing::TestParamInfo<PageCase>& info) {
        return std::string(info.param.xfer) + (info.param.options.empty() ? "_defaults" : "_rgb_150");
    });

} // namespace
