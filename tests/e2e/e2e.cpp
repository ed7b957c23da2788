#include "e2e.h"

void E2eTest::SetUp()
{
    scannerLog.Remove();
    companionLog.Remove();
}

RunResult E2eTest::Scan(std::vector<std::string> args)
{
    args.insert(args.begin(), "--dismiss");
    return RunTwscan(args, 180000);
}

void E2eTest::SetScannerKey(const std::string& section, const std::string& key, const std::string& value)
{
    SetIniValue(scannerIni.Path(), section, key, value);
}

std::string Describe(const RunResult& run)
{
    return "exit " + std::to_string(run.exitCode) + (run.timedOut ? " (killed)" : "") + "\nstdout:\n" +
           run.out + "stderr:\n" + run.err;
}

void ExpectOneSavedImage(const RunResult& run, long width, long height, int bits)
{
    ASSERT_EQ(run.exitCode, 0u) << Describe(run);
    const auto lines = run.OutLines();
    ASSERT_EQ(lines.size(), 1u) << Describe(run);
    ImageLine image;
    ASSERT_TRUE(ParseImageLine(lines[0], image)) << lines[0];
    EXPECT_EQ(image.number, 1);
    if (width) {
        EXPECT_EQ(image.width, width) << lines[0];
    }
    if (height) {
        EXPECT_EQ(image.height, height) << lines[0];
    }
    EXPECT_EQ(image.bits, bits) << lines[0];
    // twscan printed what DAT_IMAGEINFO announced and the delivery matched;
    // the file must say the same.
    BmpFile bmp;
    std::string error;
    ASSERT_TRUE(LoadBmp(image.file, bmp, error)) << error;
    EXPECT_EQ(bmp.Width(), image.width);
    EXPECT_EQ(bmp.Height(), image.height);
    EXPECT_EQ(bmp.Bits(), image.bits);
}
