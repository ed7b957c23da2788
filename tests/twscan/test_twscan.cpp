// twscan against a source that does exactly what each test asks of it,
// wrong answers included: the fake source installed as sane.ds in this
// program's own Wine prefix.
#include <gtest/gtest.h>

#include <cctype>
#include <cstdio>
#include <string>
#include <vector>

#include "harness.h"
#include "pattern.h"

namespace {

class TwscanTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        log.Remove();
        ini.Remove();
    }

    // The [Fake] section for this test: "Key=Value" lines.
    void Configure(const std::vector<std::string>& keys)
    {
        std::string text = "[Fake]\r\n";
        for (const auto& key : keys)
            text += key + "\r\n";
        ini.Write(text);
    }

    RunResult Run(std::vector<std::string> args, DWORD timeoutMs = 60000)
    {
        return RunTwscan(args, timeoutMs);
    }

    std::vector<std::string> FakeLog() const { return ReadLines(log.Path()); }

    // The fake saw the session end cleanly.
    void ExpectClosed() const
    {
        const auto lines = FakeLog();
        EXPECT_TRUE(AnyLineContains(lines, "CLOSEDS")) << ReadWholeFile(log.Path());
    }

    RestoredFile ini{WindowsFile("\\fakesource.ini")};
    RestoredFile log{WindowsFile("\\fakesource.log")};
    ScratchFolder scratch;
};

std::string Describe(const RunResult& run)
{
    return "exit " + std::to_string(run.exitCode) + (run.timedOut ? " (killed)" : "") + "\nstdout:\n" +
           run.out + "stderr:\n" + run.err;
}

// Index of the first line containing piece, or -1.
int LineIndex(const std::vector<std::string>& lines, const std::string& piece)
{
    for (size_t i = 0; i < lines.size(); ++i) {
        if (lines[i].find(piece) != std::string::npos)
            return static_cast<int>(i);
    }
    return -1;
}

TEST_F(TwscanTest, ListsEverySourceTheManagerDetects)
{
    Configure({"Products=Fake A,Fake B"});
    const RunResult run = Run({"--list"});
    EXPECT_EQ(run.exitCode, 0u) << Describe(run);
    const auto lines = run.OutLines();
    EXPECT_NE(LineIndex(lines, "Fake A"), -1) << Describe(run);
    EXPECT_NE(LineIndex(lines, "Fake B"), -1) << Describe(run);
    EXPECT_TRUE(run.err.empty()) << Describe(run);
}

TEST_F(TwscanTest, OpensTheSourceChosenByNameOrTheDefault)
{
    Configure({"Products=Fake A,Fake B"});
    RunResult run = Run({"--source", "Fake B", "--out", scratch.Path("b%d.bmp")});
    EXPECT_EQ(run.exitCode, 0u) << Describe(run);
    EXPECT_TRUE(AnyLineContains(FakeLog(), "OPENDS Fake B by twscan")) << ReadWholeFile(log.Path());

    log.Remove();
    run = Run({"--app", "Picture It!", "--out", scratch.Path("a%d.bmp")});
    EXPECT_EQ(run.exitCode, 0u) << Describe(run);
    EXPECT_TRUE(AnyLineContains(FakeLog(), "OPENDS Fake A by Picture It!")) << ReadWholeFile(log.Path());
}

TEST_F(TwscanTest, UnknownSourceNameFailsAndNamesTheKnownOnes)
{
    Configure({"Products=Fake A,Fake B"});
    const RunResult run = Run({"--source", "Nope", "--out", scratch.Path("x%d.bmp")});
    EXPECT_EQ(run.exitCode, 1u) << Describe(run);
    EXPECT_NE(run.err.find("no data source named \"Nope\""), std::string::npos) << Describe(run);
    EXPECT_NE(run.err.find("Fake A, Fake B"), std::string::npos) << Describe(run);
    EXPECT_FALSE(AnyLineContains(FakeLog(), "OPENDS")) << ReadWholeFile(log.Path());
}

struct TransferCase {
    const char* xfer;
    int bits;
    int pixelType;
    bool omitOffsets;
};

class TransferTest : public TwscanTest, public ::testing::WithParamInterface<TransferCase> {};

std::string TransferCaseName(const ::testing::TestParamInfo<TransferCase>& info)
{
    static constexpr const char* kTypes[] = {"bw", "gray", "rgb", "palette"};
    return std::string(info.param.xfer) + "_" + std::to_string(info.param.bits) + "_" +
           kTypes[info.param.pixelType] + (info.param.omitOffsets ? "_no_offsets" : "");
}

// Letters and digits of a text, the rest as "_": a test name.
std::string NameOf(std::string text)
{
    for (char& c : text)
        c = std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
    return text;
}

// Odd sizes, so rows need padding in the BMP file; several memory strips.
TEST_P(TransferTest, SavesEveryPixelAsDelivered)
{
    const TransferCase c = GetParam();
    constexpr int kWidth = 37, kHeight = 23;
    Configure({"Width=" + std::to_string(kWidth), "Height=" + std::to_string(kHeight),
               "Bits=" + std::to_string(c.bits), "PixelType=" + std::to_string(c.pixelType),
               "OmitOffsets=" + std::to_string(c.omitOffsets ? 1 : 0)});
    const std::string out = scratch.Path("img%d.bmp");
    const RunResult run = Run({"--xfer", c.xfer, "--out", out});
    ASSERT_EQ(run.exitCode, 0u) << Describe(run);
    const std::string file = scratch.Path("img1.bmp");
    const auto lines = run.OutLines();
    ASSERT_EQ(lines.size(), 1u) << Describe(run);
    EXPECT_EQ(lines[0], "image 1: 37x23, " + std::to_string(c.bits) + " bits, " + file);

    BmpFile bmp;
    std::string error;
    ASSERT_TRUE(LoadBmp(file, bmp, error)) << error;
    EXPECT_EQ(bmp.Width(), kWidth);
    EXPECT_EQ(bmp.Height(), kHeight);
    EXPECT_EQ(bmp.Bits(), c.bits);
    int wrong = 0;
    for (int y = 0; y < kHeight; ++y) {
        for (int x = 0; x < kWidth; ++x) {
            const Rgb got = bmp.At(x, y);
            const PatternColour want = PatternAt(c.bits, c.pixelType, x, y);
            if (!(PatternColour{got.r, got.g, got.b} == want) && wrong++ < 5)
                ADD_FAILURE() << "pixel " << x << "," << y << " is " << int(got.r) << "," << int(got.g) << ","
                              << int(got.b) << " instead of " << int(want.r) << "," << int(want.g) << ","
                              << int(want.b);
        }
    }
    EXPECT_EQ(wrong, 0);
    if (std::string(c.xfer) == "memory") {
        int strips = 0;
        for (const auto& line : FakeLog())
            strips += line.rfind("MEMXFER rows", 0) == 0;
        EXPECT_EQ(strips, 4) << "23 rows in strips of 7";
    }
    ExpectClosed();
}

INSTANTIATE_TEST_SUITE_P(
    Mechanisms, TransferTest,
    ::testing::Values(TransferCase{"native", 1, TWPT_BW, false}, TransferCase{"native", 4, TWPT_GRAY, false},
                      TransferCase{"native", 8, TWPT_GRAY, false}, TransferCase{"native", 8, TWPT_PALETTE, false},
                      TransferCase{"native", 24, TWPT_RGB, false}, TransferCase{"memory", 1, TWPT_BW, false},
                      TransferCase{"memory", 4, TWPT_GRAY, false}, TransferCase{"memory", 8, TWPT_GRAY, false},
                      TransferCase{"memory", 8, TWPT_PALETTE, false}, TransferCase{"memory", 24, TWPT_RGB, false},
                      TransferCase{"memory", 24, TWPT_RGB, true}, TransferCase{"file", 1, TWPT_BW, false},
                      TransferCase{"file", 8, TWPT_PALETTE, false}, TransferCase{"file", 24, TWPT_RGB, false}),
    TransferCaseName);

struct MismatchCase {
    const char* xfer;
    const char* key;
    const char* reason;
};

class MismatchTest : public TwscanTest, public ::testing::WithParamInterface<MismatchCase> {};

// The source announces 64x48, 8 bits and delivers something else.
TEST_P(MismatchTest, DeliveredImageMustBeTheAnnouncedOne)
{
    const MismatchCase c = GetParam();
    Configure({c.key});
    const RunResult run = Run({"--xfer", c.xfer, "--out", scratch.Path("m%d.bmp")});
    EXPECT_EQ(run.exitCode, 1u) << Describe(run);
    EXPECT_FALSE(run.timedOut);
    EXPECT_TRUE(run.out.empty()) << Describe(run);
    EXPECT_NE(run.err.find(c.reason), std::string::npos) << Describe(run);
    ExpectClosed();
}

INSTANTIATE_TEST_SUITE_P(
    Shapes, MismatchTest,
    ::testing::Values(
        MismatchCase{"native", "DeliverWidth=65", "announced 64x48, 8 bits but delivered 65x48, 8 bits"},
        MismatchCase{"native", "DeliverHeight=47", "announced 64x48, 8 bits but delivered 64x47, 8 bits"},
        MismatchCase{"native", "DeliverBits=24", "announced 64x48, 8 bits but delivered 64x48, 24 bits"},
        MismatchCase{"file", "DeliverWidth=63", "announced 64x48, 8 bits but delivered 63x48, 8 bits"},
        MismatchCase{"file", "DeliverBits=1", "announced 64x48, 8 bits but delivered 64x48, 1 bits"},
        MismatchCase{"memory", "DeliverHeight=47", "announced 64x48, 8 bits but delivered 64x47, 8 bits"},
        MismatchCase{"memory", "DeliverHeight=49", "announced 48 rows but sent rows up to"},
        MismatchCase{"memory", "DeliverWidth=65", "64 pixels wide but sent strips of 65"},
        MismatchCase{"memory", "DeliverBits=24", "rows of 192 bytes for 64 pixels of 8 bits"}),
    [](const ::testing::TestParamInfo<MismatchCase>& info) {
        return NameOf(std::string(info.param.xfer) + "_" + info.param.key);
    });

struct FailureCase {
    std::vector<std::string> keys;
    std::vector<std::string> args;
    const char* reason;
};

class FailureTest : public TwscanTest, public ::testing::WithParamInterface<FailureCase> {};

// Every step may go wrong; twscan says which and still closes what it opened.
TEST_P(FailureTest, FailsWithTheReasonAndClosesTheSource)
{
    const FailureCase& c = GetParam();
    Configure(c.keys);
    std::vector<std::string> args = c.args;
    args.insert(args.end(), {"--out", scratch.Path("f%d.bmp")});
    const RunResult run = Run(args);
    EXPECT_EQ(run.exitCode, 1u) << Describe(run);
    EXPECT_FALSE(run.timedOut);
    EXPECT_NE(run.err.find(c.reason), std::string::npos) << Describe(run);
    if (c.keys[0] != "Fail=OPENDS")
        ExpectClosed();
}

INSTANTIATE_TEST_SUITE_P(
    Steps, FailureTest,
    ::testing::Values(
        FailureCase{{"Fail=OPENDS"}, {}, "cannot open the source \"Fake Scanner\""},
        FailureCase{{"Fail=ENABLEDS"}, {}, "cannot be enabled: DG_CONTROL DAT_USERINTERFACE MSG_ENABLEDS failed: "
                                           "TWRC_FAILURE (TWCC_BUMMER)"},
        FailureCase{{"Fail=CAP_0103"}, {}, "the source refused ICAP_XFERMECH = native"},
        FailureCase{{"Fail=CAP_0101"}, {"--pixel", "gray"}, "refused ICAP_PIXELTYPE = gray: DG_CONTROL "
                                                            "DAT_CAPABILITY MSG_SET failed: TWRC_FAILURE (TWCC_BUMMER)"},
        FailureCase{{"Fail=CAP_1119"}, {"--dpi", "150"}, "refused ICAP_YRESOLUTION = 150"},
        FailureCase{{"Fail=CAP_0001"}, {"--count", "2"}, "refused CAP_XFERCOUNT = 2"},
        FailureCase{{"Fail=IMAGELAYOUT"}, {"--frame", "0,0,1,1"}, "the source refused the frame"},
        FailureCase{{"Fail=IMAGEINFO"}, {}, "image 1: DG_IMAGE DAT_IMAGEINFO MSG_GET failed: TWRC_FAILURE (TWCC_BUMMER)"},
        FailureCase{{"Width=0"}, {}, "announced an image of 0x48, 8 bits"},
        FailureCase{{"Bits=16"}, {}, "16 bits, which twscan cannot save"},
        FailureCase{{"Fail=NATIVEXFER"}, {}, "DAT_IMAGENATIVEXFER MSG_GET failed"},
        FailureCase{{"NullHandle=1"}, {}, "finished a native transfer without a bitmap"},
        FailureCase{{"Fail=SETUPMEMXFER"}, {"--xfer", "memory"}, "DAT_SETUPMEMXFER MSG_GET failed"},
        FailureCase{{"ZeroBuffer=1"}, {"--xfer", "memory"}, "proposes no buffer size"},
        FailureCase{{"Fail=MEMXFER"}, {"--xfer", "memory"}, "DAT_IMAGEMEMXFER MSG_GET failed"},
        FailureCase{{"Fail=PALETTE8", "PixelType=3"}, {"--xfer", "memory"}, "DAT_PALETTE8 MSG_GET failed"},
        FailureCase{{"Fail=SETUPFILEXFER"}, {"--xfer", "file"}, "DAT_SETUPFILEXFER MSG_SET failed"},
        FailureCase{{"Fail=FILEXFER"}, {"--xfer", "file"}, "DAT_IMAGEFILEXFER MSG_GET failed"},
        FailureCase{{"Fail=ENDXFER"}, {}, "DG_CONTROL DAT_PENDINGXFERS MSG_ENDXFER failed"},
        FailureCase{{"EndXferResult=65535"}, {}, "MSG_ENDXFER failed: 0xFFFF"},
        FailureCase{{"Fail=DISABLEDS"}, {}, "MSG_DISABLEDS failed"},
        FailureCase{{"Fail=CLOSEDS"}, {}, "MSG_CLOSEDS failed"},
        FailureCase{{"Cancel=NATIVEXFER"}, {}, "no image was saved"},
        FailureCase{{"Notify=closereq"}, {}, "the source asked to close before delivering an image"}),
    [](const ::testing::TestParamInfo<FailureCase>& info) {
        std::string name = info.param.keys[0];
        for (const auto& arg : info.param.args)
            name += "_" + arg;
        return NameOf(name) + "_" + std::to_string(info.index);
    });

TEST_F(TwscanTest, CancelledImageIsReportedAndNotSaved)
{
    Configure({"Cancel=MEMXFER"});
    const RunResult run = Run({"--xfer", "memory", "--out", scratch.Path("c%d.bmp")});
    EXPECT_EQ(run.exitCode, 1u) << Describe(run);
    EXPECT_NE(run.err.find("image 1: the source cancelled the transfer"), std::string::npos) << Describe(run);
    EXPECT_FALSE(PathExists(scratch.Path("c1.bmp")));
    EXPECT_TRUE(AnyLineContains(FakeLog(), "ENDXFER")) << ReadWholeFile(log.Path());
}

TEST_F(TwscanTest, SourceThatNeverNotifiesEndsAtTheTimeout)
{
    Configure({"Notify=never"});
    const DWORD start = GetTickCount();
    const RunResult run = Run({"--timeout", "2", "--out", scratch.Path("t%d.bmp")}, 30000);
    const DWORD took = GetTickCount() - start;
    EXPECT_EQ(run.exitCode, 1u) << Describe(run);
    EXPECT_NE(run.err.find("no transfer from the source within 2 seconds"), std::string::npos) << Describe(run);
    EXPECT_GE(took, 2000u);
    const auto lines = FakeLog();
    EXPECT_TRUE(AnyLineContains(lines, "DISABLEDS")) << ReadWholeFile(log.Path());
    ExpectClosed();
}

TEST_F(TwscanTest, SavesEveryPendingImageUpToTheCount)
{
    Configure({"Images=3"});
    RunResult run = Run({"--out", scratch.Path("p%d.bmp")});
    EXPECT_EQ(run.exitCode, 0u) << Describe(run);
    ASSERT_EQ(run.OutLines().size(), 3u) << Describe(run);
    for (int n = 1; n <= 3; ++n) {
        EXPECT_EQ(run.OutLines()[n - 1],
                  "image " + std::to_string(n) + ": 64x48, 8 bits, " + scratch.Path("p" + std::to_string(n) + ".bmp"));
    }

    // A source that ignores CAP_XFERCOUNT still gives no more than asked for.
    log.Remove();
    run = Run({"--count", "2", "--out", scratch.Path("q%d.bmp")});
    EXPECT_EQ(run.exitCode, 0u) << Describe(run);
    EXPECT_EQ(run.OutLines().size(), 2u) << Describe(run);
    const auto lines = FakeLog();
    EXPECT_TRUE(AnyLineContains(lines, "SET CAP_0001 type 1 = 2")) << ReadWholeFile(log.Path());
    EXPECT_TRUE(AnyLineContains(lines, "RESET")) << ReadWholeFile(log.Path());
    EXPECT_FALSE(PathExists(scratch.Path("q3.bmp")));
}

TEST_F(TwscanTest, PatternWithoutNumberKeepsEveryImage)
{
    Configure({"Images=2"});
    const RunResult run = Run({"--out", scratch.Path("page.bmp")});
    EXPECT_EQ(run.exitCode, 0u) << Describe(run);
    EXPECT_TRUE(PathExists(scratch.Path("page.bmp")));
    EXPECT_TRUE(PathExists(scratch.Path("page-2.bmp")));
}

TEST_F(TwscanTest, UnwritableOutputFailsAndClosesTheSource)
{
    Configure({});
    for (const char* xfer : {"native", "memory", "file"}) {
        log.Remove();
        const RunResult run = Run({"--xfer", xfer, "--out", scratch.Path("missing\\x%d.bmp")});
        EXPECT_EQ(run.exitCode, 1u) << xfer << "\n" << Describe(run);
        EXPECT_NE(run.err.find("cannot write " + scratch.Path("missing\\x1.bmp")), std::string::npos)
            << xfer << "\n" << Describe(run);
        ExpectClosed();
    }
}

// MSG_XFERREADY arrives while MSG_ENABLEDS is still running: the fake shows
// a message box after notifying, and the box's own message loop takes the
// notification. twscan transfers right there, inside the enable call, and
// --dismiss answers the box.
TEST_F(TwscanTest, NotificationInsideEnableIsHandledThereAndTheBoxDismissed)
{
    Configure({"BoxInEnable=Hello|World \\ two"});
    const RunResult run = Run({"--dismiss", "--out", scratch.Path("r%d.bmp")});
    EXPECT_EQ(run.exitCode, 0u) << Describe(run);
    EXPECT_EQ(run.OutLines().size(), 1u) << Describe(run);
    EXPECT_TRUE(AnyLineContains(run.ErrLines(), "message: Hello\\nWorld \\\\ two")) << Describe(run);
    const auto lines = FakeLog();
    const int info = LineIndex(lines, "IMAGEINFO");
    const int returned = LineIndex(lines, "ENABLEDS returns");
    EXPECT_NE(info, -1);
    EXPECT_LT(info, returned) << ReadWholeFile(log.Path());
    ExpectClosed();
}

// Nobody answers the box: the guard ends the process instead of a hang.
TEST_F(TwscanTest, UnansweredMessageBoxEndsAfterTheTimeoutAndGrace)
{
    Configure({"BoxInEnable=Nobody answers"});
    const RunResult run = Run({"--timeout", "1", "--out", scratch.Path("g%d.bmp")}, 40000);
    EXPECT_FALSE(run.timedOut) << Describe(run);
    EXPECT_EQ(run.exitCode, 1u) << Describe(run);
    EXPECT_NE(run.err.find("giving up"), std::string::npos) << Describe(run);
}

TEST_F(TwscanTest, NegotiatesWhatTheOptionsSayInOrder)
{
    Configure({"PixelType=2", "Bits=24"});
    RunResult run = Run({"--xfer", "memory", "--pixel", "rgb", "--dpi", "150", "--frame", "0.5,1,2.7,3.25",
                         "--count", "1", "--ui", "--out", scratch.Path("n%d.bmp")});
    EXPECT_EQ(run.exitCode, 0u) << Describe(run);
    std::vector<std::string> sets;
    for (const auto& line : FakeLog()) {
        if (line.rfind("SET ", 0) == 0 || line.rfind("LAYOUT ", 0) == 0 || line.rfind("ENABLEDS ", 0) == 0)
            sets.push_back(line);
    }
    ASSERT_EQ(sets.size(), 9u) << ReadWholeFile(log.Path());
    EXPECT_EQ(sets[0], "SET CAP_0103 type 4 = 2");
    EXPECT_EQ(sets[1], "SET CAP_0101 type 4 = 2");
    EXPECT_EQ(sets[2], "SET CAP_1118 type 7 = 150.00000");
    EXPECT_EQ(sets[3], "SET CAP_1119 type 7 = 150.00000");
    EXPECT_EQ(sets[4], "SET CAP_0102 type 4 = 0");
    // Each edge, turned into 1/300 inch and truncated, lands on the intended value.
    double edges[4] = {};
    ASSERT_EQ(std::sscanf(sets[5].c_str(), "LAYOUT %lf %lf %lf %lf", &edges[0], &edges[1], &edges[2], &edges[3]), 4);
    const int wanted[4] = {150, 300, 810, 975};
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(static_cast<int>(edges[i] * 300), wanted[i]) << sets[5];
    EXPECT_EQ(sets[6], "SET CAP_0001 type 1 = 1");
    EXPECT_EQ(sets[7], "ENABLEDS ShowUI=1");
    EXPECT_EQ(sets[8], "ENABLEDS returns");

    // Without options only the transfer mechanism is negotiated.
    log.Remove();
    run = Run({"--out", scratch.Path("o%d.bmp")});
    EXPECT_EQ(run.exitCode, 0u) << Describe(run);
    const auto lines = FakeLog();
    EXPECT_EQ(LineIndex(lines, "SET CAP_0103 type 4 = 0"), 1) << ReadWholeFile(log.Path());
    EXPECT_EQ(LineIndex(lines, "ENABLEDS ShowUI=0"), 2) << ReadWholeFile(log.Path());
}

TEST_F(TwscanTest, TripletLogHasOneLinePerTripletWithTheConditionOfFailures)
{
    Configure({});
    const std::string logFile = scratch.Path("triplets.txt");
    RunResult run = Run({"--log", logFile, "--out", scratch.Path("l%d.bmp")});
    EXPECT_EQ(run.exitCode, 0u) << Describe(run);
    auto lines = ReadLines(logFile);
    ASSERT_GE(lines.size(), 8u) << ReadWholeFile(logFile);
    EXPECT_EQ(lines.front(), "DG_CONTROL DAT_PARENT MSG_OPENDSM -> TWRC_SUCCESS");
    EXPECT_EQ(lines.back(), "DG_CONTROL DAT_PARENT MSG_CLOSEDSM -> TWRC_SUCCESS");
    const std::vector<std::string> expected = {
        "DG_CONTROL DAT_IDENTITY MSG_GETDEFAULT -> TWRC_SUCCESS",
        "DG_CONTROL DAT_IDENTITY MSG_OPENDS -> TWRC_SUCCESS",
        "DG_CONTROL DAT_CAPABILITY MSG_SET -> TWRC_SUCCESS",
        "DG_CONTROL DAT_USERINTERFACE MSG_ENABLEDS -> TWRC_SUCCESS",
        "DG_CONTROL DAT_EVENT MSG_PROCESSEVENT -> TWRC_DSEVENT MSG_XFERREADY",
        "DG_IMAGE DAT_IMAGEINFO MSG_GET -> TWRC_SUCCESS",
        "DG_IMAGE DAT_IMAGENATIVEXFER MSG_GET -> TWRC_XFERDONE",
        "DG_CONTROL DAT_PENDINGXFERS MSG_ENDXFER -> TWRC_SUCCESS",
        "DG_CONTROL DAT_USERINTERFACE MSG_DISABLEDS -> TWRC_SUCCESS",
        "DG_CONTROL DAT_IDENTITY MSG_CLOSEDS -> TWRC_SUCCESS",
    };
    int at = -1;
    for (const auto& line : expected) {
        const int found = LineIndex(lines, line);
        EXPECT_GT(found, at) << line << "\n" << ReadWholeFile(logFile);
        at = std::max(at, found);
    }
    EXPECT_EQ(LineIndex(lines, "TWRC_NOTDSEVENT"), -1);

    Configure({"Fail=IMAGEINFO"});
    run = Run({"--log", logFile, "--out", scratch.Path("l%d.bmp")});
    EXPECT_EQ(run.exitCode, 1u) << Describe(run);
    lines = ReadLines(logFile);
    EXPECT_NE(LineIndex(lines, "DG_IMAGE DAT_IMAGEINFO MSG_GET -> TWRC_FAILURE (TWCC_BUMMER)"), -1)
        << ReadWholeFile(logFile);
    EXPECT_NE(LineIndex(lines, "DG_CONTROL DAT_PENDINGXFERS MSG_RESET -> TWRC_SUCCESS"), -1) << ReadWholeFile(logFile);
}

TEST_F(TwscanTest, CommandLineMistakesFailBeforeAnyTriplet)
{
    Configure({});
    const std::vector<std::vector<std::string>> mistakes = {
        {"--xfer", "bogus"},   {"--pixel", "cmyk"},     {"--dpi", "0"},          {"--dpi", "12x"},
        {"--frame", "1,2,3"},  {"--frame", "3,0,1,1"},  {"--frame", "a,b,c,d"},  {"--count", "0"},
        {"--timeout", "-1"},   {"--timeout", "0"},      {"--app", std::string(34, 'a')},
        {"--bogus"},           {"--out"},               {"--list=yes"},
    };
    for (const auto& args : mistakes) {
        const RunResult run = Run(args);
        EXPECT_EQ(run.exitCode, 1u) << args[0] << "\n" << Describe(run);
        EXPECT_NE(run.err.find("usage: twscan"), std::string::npos) << args[0] << "\n" << Describe(run);
        EXPECT_TRUE(run.out.empty()) << args[0];
    }
    EXPECT_FALSE(PathExists(log.Path())) << ReadWholeFile(log.Path());
}

TEST_F(TwscanTest, LaterOptionReplacesTheEarlierOne)
{
    Configure({"PixelType=2", "Bits=24"});
    const RunResult run = Run({"--xfer", "file", "--pixel", "bw", "--xfer", "memory", "--pixel", "rgb",
                               "--out", scratch.Path("z%d.bmp")});
    EXPECT_EQ(run.exitCode, 0u) << Describe(run);
    const auto lines = FakeLog();
    EXPECT_TRUE(AnyLineContains(lines, "SET CAP_0103 type 4 = 2")) << ReadWholeFile(log.Path());
    EXPECT_TRUE(AnyLineContains(lines, "SET CAP_0101 type 4 = 2")) << ReadWholeFile(log.Path());
    EXPECT_TRUE(AnyLineContains(lines, "SETUPMEMXFER")) << ReadWholeFile(log.Path());
}

} // namespace
