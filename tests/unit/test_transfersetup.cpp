// Transfer set-up, the palette and the page logic of pending transfers.
#include "transferdoubles.h"

using namespace doubles;

namespace {

class PendingTest : public TransferTest {
protected:
    TW_PENDINGXFERS pending{};
    TW_UINT16 End(TW_UINT16 msg = MSG_ENDXFER)
    {
        pending.Count = 77;
        return Control(DAT_PENDINGXFERS, msg, &pending);
    }
    struct Step {
        TW_UINT16 rc;
        TW_INT16 count;
        int state;
    };
    void ExpectSteps(std::initializer_list<Step> steps)
    {
        int n = 0;
        for (const Step& step : steps) {
            SCOPED_TRACE("transfer end " + std::to_string(++n));
            EXPECT_EQ(step.rc, End());
            EXPECT_EQ(static_cast<TW_UINT16>(step.count), pending.Count);
            EXPECT_EQ(step.state, sourceState);
        }
    }
};

} // namespace

TEST_F(PendingTest, FlatbedPages)
{
    struct Case {
        const char* name;
        int pages;
        TW_INT16 transferCount;
        std::vector<Step> steps;
    };
    const Case cases[] = {
        {"one page", 1, -1, {{TWRC_SUCCESS, 0, 500}}},
        {"three pages", 3, -1, {{TWRC_SUCCESS, -1, 600}, {TWRC_SUCCESS, -1, 600}, {TWRC_SUCCESS, 0, 500}}},
        {"three pages, count 5", 3, 5, {{TWRC_SUCCESS, 4, 600}, {TWRC_SUCCESS, 3, 600}, {TWRC_SUCCESS, 0, 500}}},
        {"three pages, count 1", 3, 1, {{TWRC_SUCCESS, 0, 600}, {TWRC_SUCCESS, 0, 600}, {TWRC_SUCCESS, 0, 500}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        sourceState = kStateXferReady;
        settings.scanMethod = 2;
        settings.scanPage = 1;
        pageCount = c.pages;
        transferCount = c.transferCount;
        for (const Step& step : c.steps) {
            EXPECT_EQ(step.rc, End());
            EXPECT_EQ(static_cast<TW_UINT16>(step.count), pending.Count);
            EXPECT_EQ(step.state, sourceState);
        }
        EXPECT_EQ(static_cast<DWORD>(c.steps.size() + 1), settings.scanPage);
    }
    EXPECT_EQ(0, adfCalls) << "the flatbed does not ask the feeder";
}

TEST_F(PendingTest, FeederWithPaperAndATransferCount)
{
    settings.scanMethod = 1;
    transferCount = 2;
    ExpectSteps({{TWRC_SUCCESS, 1, 600}, {TWRC_SUCCESS, 0, 600}});
    EXPECT_EQ(2, adfCalls);

    paperInFeeder = 0;
    ExpectSteps({{TWRC_SUCCESS, 0, 500}});
    EXPECT_EQ(0, paperPresent);
}

TEST_F(PendingTest, FeederPaperByScannerType)
{
    struct Case {
        WORD scannerType;
        int state;
    };
    for (const Case c : {Case{64, 600}, Case{160, 600}, Case{128, 600}, Case{32, 600}, Case{16, 500}}) {
        scannerAbility.scannerType = c.scannerType;
        sourceState = kStateXferReady;
        settings.scanMethod = 1;
        End();
        EXPECT_EQ(c.state, sourceState) << "type " << c.scannerType;
    }
}

TEST_F(PendingTest, FeederWithoutThePaperQuery)
{
    settings.scanMethod = 1;
    driver.getADFPaper = nullptr;
    paperPresent = 1;
    ExpectSteps({{TWRC_SUCCESS, -1, 600}});
    paperPresent = 0;
    ExpectSteps({{TWRC_SUCCESS, 0, 500}});
}

TEST_F(PendingTest, FailedPaperQueryLeavesCountAndState)
{
    settings.scanMethod = 1;
    adfResult = 0;
    EXPECT_EQ(0xFFFF, End());
    EXPECT_EQ(77, pending.Count);
    EXPECT_EQ(kStateXferReady, sourceState);
    EXPECT_EQ(2u, settings.scanPage);
}

TEST_F(PendingTest, EndingInStateFiveHasNoFurtherPage)
{
    sourceState = kStateEnabled;
    settings.scanMethod = 1;
    ExpectSteps({{TWRC_SUCCESS, 0, 500}});
    pageCount = 5;
    settings.scanMethod = 2;
    ExpectSteps({{TWRC_SUCCESS, 0, 500}});
    sourceState = kStateTransferring;
    ExpectSteps({{TWRC_SUCCESS, -1, 600}});
}

TEST_F(PendingTest, PictureItOnTheFlatbedStopsAfterEachImage)
{
    SetProduct("Picture It!");
    pageCount = 3;
    ExpectSteps({{TWRC_FAILURE, 0, 500}});
    EXPECT_EQ(TWCC_SUCCESS, Status());
    EXPECT_TRUE(boxes.boxes.empty());

    // The feeder goes on as for anyone else.
    sourceState = kStateXferReady;
    settings.scanMethod = 1;
    ExpectSteps({{TWRC_SUCCESS, -1, 600}});
}

TEST_F(PendingTest, EndClearsTheRunningTransfer)
{
    jobInfo.transferActive = 1;
    pageCount = 3;
    End(MSG_RESET);
    EXPECT_EQ(0u, jobInfo.transferActive);
    EXPECT_EQ(2u, settings.scanPage);
}

TEST_F(PendingTest, SomeApplicationsGetTheNextJobDerivedAtOnce)
{
    struct Case {
        const char* product;
        bool derived;
    };
    const Case cases[] = {
        {"Wang Laboratories, Inc.", true}, {"Watermark", true},  {"Watermark Pro", true},
        {"Wang Laboratories", false},      {"twscan", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.product);
        SetProduct(c.product);
        jobInfo = JobInfo{};
        sourceState = kStateXferReady;
        settings.scanPage = 1;
        pageCount = 2;
        xferMechCurrent = TWSX_NATIVE;
        ASSERT_EQ(TWRC_SUCCESS, End());
        // Gray, 100 pixels: aligned to 32 for a native transfer.
        EXPECT_EQ(c.derived ? 96u : 0u, jobInfo.outputPixels);
    }
    // Not for the last page.
    SetProduct("Watermark");
    jobInfo = JobInfo{};
    ASSERT_EQ(TWRC_SUCCESS, End());
    EXPECT_EQ(kStateEnabled, sourceState);
    EXPECT_EQ(0u, jobInfo.outputPixels);
}

TEST_F(PendingTest, StatesAndMessages)
{
    TW_PENDINGXFERS p{};
    for (int state : {kStateOpen, kStateEnabled, kStateXferReady, kStateTransferring}) {
        sourceState = state;
        p.Count = 5;
        EXPECT_EQ(TWRC_SUCCESS, Control(DAT_PENDINGXFERS, MSG_GET, &p)) << state;
        EXPECT_EQ(0, p.Count);
        EXPECT_EQ(state, sourceState);
    }
    sourceState = kStateLoaded;
    EXPECT_EQ(TWRC_FAILURE, Control(DAT_PENDINGXFERS, MSG_GET, &p));
    EXPECT_EQ(TWCC_SEQERROR, Status());
    for (TW_UINT16 msg : {MSG_ENDXFER, MSG_RESET}) {
        for (int state : {kStateLoaded, kStateOpen}) {
            sourceState = state;
            settings.scanPage = 1;
            EXPECT_EQ(TWRC_FAILURE, Control(DAT_PENDINGXFERS, msg, &p));
            EXPECT_EQ(TWCC_SEQERROR, Status());
            EXPECT_EQ(1u, settings.scanPage) << "nothing counted";
        }
    }
    sourceState = kStateXferReady;
    EXPECT_EQ(TWRC_FAILURE, Control(DAT_PENDINGXFERS, MSG_SET, &p));
    EXPECT_EQ(TWCC_BADPROTOCOL, Status());
    ASSERT_FALSE(boxes.boxes.empty());
    EXPECT_EQ(kStatusBox, boxes.Last().text);
}

TEST_F(TransferTest, MemoryBufferSizes)
{
    struct Case {
        const char* name;
        DWORD platform;
        DWORD bytesPerLine, lines;
        TW_UINT32 minimum, maximum, preferred;
    };
    const Case cases[] = {
        {"NT, 2550 bytes by 3300 lines", VER_PLATFORM_WIN32_NT, 2550, 3300, 63750, 1048050, 1048050},
        {"other, 2550 bytes by 3300 lines", VER_PLATFORM_WIN32_WINDOWS, 2550, 3300, 30600, 30600, 30600},
        {"NT, whole image in one buffer", VER_PLATFORM_WIN32_NT, 2550, 100, 63750, 255000, 255000},
        {"other, whole image in one buffer", VER_PLATFORM_WIN32_WINDOWS, 300, 100, 30000, 30000, 30000},
        {"NT, before any derivation", VER_PLATFORM_WIN32_NT, 0, 0, 65412, 1042800, 1042800},
        {"NT, lines but no bytes", VER_PLATFORM_WIN32_NT, 0, 10, 65412, 3160, 3160},
    };
    for (TW_UINT16 msg : {MSG_GET, MSG_GETCURRENT, MSG_GETDEFAULT}) {
        for (const Case& c : cases) {
            SCOPED_TRACE(c.name);
            platformIdOverride = c.platform;
            jobInfo = JobInfo{};
            jobInfo.scanBytesPerLine = jobInfo.outputBytesPerLine = c.bytesPerLine;
            jobInfo.scanLines = jobInfo.outputLines = c.lines;
            jobInfo.transferActive = 1;
            TW_SETUPMEMXFER setup{};
            ASSERT_EQ(TWRC_SUCCESS, Control(DAT_SETUPMEMXFER, msg, &setup));
            EXPECT_EQ(c.minimum, setup.MinBufSize);
            EXPECT_EQ(c.maximum, setup.MaxBufSize);
            EXPECT_EQ(c.preferred, setup.Preferred);
            EXPECT_EQ(0u, jobInfo.transferActive);
        }
    }
    EXPECT_EQ(316u, jobInfo.scanBytesPerLine);
    EXPECT_EQ(316u, jobInfo.outputBytesPerLine);
}

TEST_F(TransferTest, SetupTripletsOutsideTheirStates)
{
    struct Case {
        TW_UINT32 group;
        TW_UINT16 dat;
        const char* text;
    };
    const Case cases[] = {
        {DG_CONTROL, DAT_SETUPMEMXFER, "DAT_SETUPMEMXFER"},
        {DG_CONTROL, DAT_SETUPFILEXFER, "DAT_SETUPFILEXFER"},
        {DG_CONTROL, DAT_XFERGROUP, "DAT_XFERGROUP"},
        {DG_IMAGE, DAT_PALETTE8, nullptr},
    };
    union {
        TW_SETUPMEMXFER memory;
        TW_SETUPFILEXFER file;
        TW_UINT32 group;
        TW_PALETTE8 palette;
    } data{};
    for (const Case& c : cases) {
        for (int state : {kStateLoaded, kStateTransferring}) {
            SCOPED_TRACE(std::to_string(c.dat) + " in " + std::to_string(state));
            sourceState = state;
            boxes.boxes.clear();
            EXPECT_EQ(TWRC_FAILURE, Call(c.group, c.dat, MSG_GET, &data));
            EXPECT_EQ(TWCC_SEQERROR, Status());
            // The palette fails without a message; the others report.
            EXPECT_EQ(c.text ? 1u : 0u, boxes.boxes.size());
        }
        for (int state : {kStateOpen, kStateEnabled, kStateXferReady}) {
            sourceState = state;
            EXPECT_EQ(TWRC_SUCCESS, Call(c.group, c.dat, MSG_GET, &data)) << state;
        }
        sourceState = kStateXferReady;
        boxes.boxes.clear();
        EXPECT_EQ(TWRC_FAILURE, Call(c.group, c.dat, MSG_QUERYSUPPORT, &data));
        EXPECT_EQ(TWCC_BADPROTOCOL, Status());
        EXPECT_EQ(c.text ? 1u : 0u, boxes.boxes.size());
        for (TW_UINT16 msg : {MSG_SET, MSG_RESET})
            EXPECT_EQ(TWRC_SUCCESS, Call(c.group, c.dat, msg, &data)) << msg;
    }
}

TEST_F(TransferTest, FileNameSetIsUsedButTheAnswerIsTheDefault)
{
    TW_SETUPFILEXFER setup{};
    std::strcpy(setup.FileName, "C:\\scans\\page.bmp");
    setup.Format = 0; // TIFF is not honoured
    ASSERT_EQ(TWRC_SUCCESS, Control(DAT_SETUPFILEXFER, MSG_SET, &setup));
    EXPECT_STREQ("C:\\scans\\page.bmp", transferFileName);

    for (TW_UINT16 msg : {MSG_GET, MSG_GETCURRENT, MSG_GETDEFAULT}) {
        TW_SETUPFILEXFER answer;
        std::memset(&answer, 'q', sizeof answer);
        answer.VRefNum = 1234;
        ASSERT_EQ(TWRC_SUCCESS, Control(DAT_SETUPFILEXFER, msg, &answer));
        EXPECT_STREQ("KMDIB.BMP", answer.FileName);
        EXPECT_EQ(TWFF_BMP, answer.Format);
        EXPECT_EQ(1234, answer.VRefNum);
    }
    EXPECT_STREQ("C:\\scans\\page.bmp", transferFileName);

    std::strcpy(setup.FileName, "other.bmp");
    ASSERT_EQ(TWRC_SUCCESS, Control(DAT_SETUPFILEXFER, MSG_RESET, &setup));
    EXPECT_STREQ("other.bmp", transferFileName);
}

TEST_F(TransferTest, FileNameIsCopiedBoundedAndTerminated)
{
    // The application's whole 256-byte name, without a terminating NUL, and
    // whatever follows it in memory.
    struct {
        TW_SETUPFILEXFER setup;
        char after[64];
    } block;
    std::memset(&block, 'n', sizeof block);
    std::memset(transferFileName, 'o', sizeof transferFileName);
    ASSERT_EQ(TWRC_SUCCESS, Control(DAT_SETUPFILEXFER, MSG_SET, &block.setup));
    EXPECT_EQ(std::string(254, 'n'), std::string(transferFileName));
}

TEST_F(TransferTest, TransferGroupIsAlwaysImage)
{
    for (TW_UINT16 msg : {MSG_GET, MSG_GETCURRENT, MSG_GETDEFAULT, MSG_RESET}) {
        TW_UINT32 group = 99;
        ASSERT_EQ(TWRC_SUCCESS, Control(DAT_XFERGROUP, msg, &group));
        EXPECT_EQ(static_cast<TW_UINT32>(DG_IMAGE), group) << msg;
    }
    TW_UINT32 group = 99;
    ASSERT_EQ(TWRC_SUCCESS, Control(DAT_XFERGROUP, MSG_SET, &group));
    EXPECT_EQ(99u, group);
}

TEST_F(TransferTest, PaletteIsAColourCube)
{
    TW_PALETTE8 palette;
    std::memset(&palette, 0xEE, sizeof palette);
    ASSERT_EQ(TWRC_SUCCESS, Image(DAT_PALETTE8, MSG_GET, &palette));
    EXPECT_EQ(256, palette.NumColors);
    EXPECT_EQ(TWPA_RGB, palette.PaletteType);
    struct Entry {
        int i;
        TW_UINT8 index, c1, c2, c3;
    };
    for (const Entry e : {Entry{0, 0, 31, 31, 63}, Entry{9, 9, 63, 63, 63}, Entry{255, 255, 255, 255, 255},
                          Entry{64, 64, 31, 31, 127}, Entry{7, 7, 255, 31, 63}}) {
        SCOPED_TRACE(e.i);
        EXPECT_EQ(e.index, palette.Colors[e.i].Index);
        EXPECT_EQ(e.c1, palette.Colors[e.i].Channel1);
        EXPECT_EQ(e.c2, palette.Colors[e.i].Channel2);
        EXPECT_EQ(e.c3, palette.Colors[e.i].Channel3);
    }

    for (TW_UINT16 msg : {MSG_GETDEFAULT, MSG_SET, MSG_RESET}) {
        std::memset(&palette, 0xEE, sizeof palette);
        EXPECT_EQ(TWRC_SUCCESS, Image(DAT_PALETTE8, msg, &palette)) << msg;
        EXPECT_EQ(0xEEEE, palette.NumColors) << "nothing changes";
    }
    EXPECT_EQ(TWRC_FAILURE, Image(DAT_PALETTE8, MSG_GETCURRENT, &palette));
    EXPECT_EQ(TWCC_BADPROTOCOL, Status());
    EXPECT_TRUE(boxes.boxes.empty());
}
