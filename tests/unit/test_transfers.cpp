// The native, memory and file transfers: what the driver receives, how its
// results reach the application and the user, and transfers the driver
// cannot take.
#include "transferdoubles.h"

#include "scanjob.h"

using namespace doubles;

namespace {

enum class Kind { Native, File, Memory };

class TransfersTest : public TransferTest {
protected:
    void SetUp() override
    {
        TransferTest::SetUp();
        uiDialog = reinterpret_cast<HWND>(static_cast<ULONG_PTR>(0xD1A10));
        appWindow = reinterpret_cast<HWND>(static_cast<ULONG_PTR>(0xA99));
        SetProduct("twscan");
    }
    void TearDown() override
    {
        uiDialog = nullptr;
        TransferTest::TearDown();
    }

    TW_HANDLE handleSlot = nullptr;
    TW_IMAGEMEMXFER memXfer{};
    TW_UINT16 Transfer(Kind kind, TW_UINT16 msg = MSG_GET)
    {
        switch (kind) {
        case Kind::Native:
            handleSlot = nullptr;
            return Image(DAT_IMAGENATIVEXFER, msg, &handleSlot);
        case Kind::File:
            return Image(DAT_IMAGEFILEXFER, msg, nullptr);
        default:
            return Image(DAT_IMAGEMEMXFER, msg, &memXfer);
        }
    }
    void ExpectBuffersInOrder(const DriverCall& call)
    {
        for (int i = 0; i < kWorkBufferCount; ++i)
            EXPECT_EQ(workBuffers[i], call.buffers[i]) << "buffer " << i + 1;
    }
};

const char* KindName(Kind kind)
{
    return kind == Kind::Native ? "native" : kind == Kind::File ? "file" : "memory";
}

} // namespace

TEST_F(TransfersTest, DriverResults)
{
    const std::string noPaper = "\n\nNo paper.\nLoad paper.";
    const std::string lowMemory = "\n\nNot enough memory, close other programs.";
    const std::string noDisk = "\n\nDisk full.\nFree space.";
    const std::string badWidth = "\n\nBad width.";
    struct Expect {
        TW_UINT16 rc;
        const std::string* box; // null: no message
    };
    const std::string statusBox = kStatusBox;
    struct Case {
        int result;
        Expect native, file, memory;
    };
    const Case cases[] = {
        {700, {TWRC_XFERDONE, nullptr}, {TWRC_XFERDONE, nullptr}, {TWRC_SUCCESS, nullptr}},
        {6, {TWRC_CANCEL, nullptr}, {TWRC_CANCEL, nullptr}, {TWRC_XFERDONE, nullptr}},
        // No paper: the native transfer reports code 114 through the driver status.
        {701, {TWRC_CANCEL, &statusBox}, {TWRC_CANCEL, &noPaper}, {TWRC_CANCEL, &noPaper}},
        {2, {TWRC_CANCEL, &lowMemory}, {TWRC_CANCEL, &lowMemory}, {TWRC_CANCEL, &lowMemory}},
        {702, {TWRC_CANCEL, &lowMemory}, {TWRC_CANCEL, &lowMemory}, {TWRC_CANCEL, &lowMemory}},
        // No disk space is shown for the native transfer only.
        {703, {TWRC_CANCEL, &noDisk}, {TWRC_CANCEL, nullptr}, {TWRC_CANCEL, nullptr}},
        {707, {TWRC_CANCEL, &statusBox}, {TWRC_CANCEL, &statusBox}, {TWRC_CANCEL, &statusBox}},
        {711, {TWRC_CANCEL, &badWidth}, {TWRC_CANCEL, &badWidth}, {TWRC_CANCEL, &badWidth}},
        {704, {TWRC_CANCEL, nullptr}, {TWRC_CANCEL, nullptr}, {TWRC_CANCEL, nullptr}},
        {0, {TWRC_CANCEL, nullptr}, {TWRC_CANCEL, nullptr}, {TWRC_CANCEL, nullptr}},
        {-1, {TWRC_CANCEL, nullptr}, {TWRC_CANCEL, nullptr}, {TWRC_CANCEL, nullptr}},
    };
    for (const Case& c : cases) {
        for (Kind kind : {Kind::Native, Kind::File, Kind::Memory}) {
            SCOPED_TRACE(std::string(KindName(kind)) + " result " + std::to_string(c.result));
            const Expect& e = kind == Kind::Native ? c.native : kind == Kind::File ? c.file : c.memory;
            sourceState = kStateXferReady;
            driverCalls.clear();
            driverResults = {c.result};
            boxes.boxes.clear();
            EXPECT_EQ(e.rc, Transfer(kind));
            EXPECT_EQ(1u, driverCalls.size());
            EXPECT_EQ(e.rc == TWRC_CANCEL ? kStateEnabled : kStateXferReady, sourceState);
            if (!e.box) {
                EXPECT_TRUE(boxes.boxes.empty());
                continue;
            }
            ASSERT_EQ(1u, boxes.boxes.size());
            EXPECT_EQ(*e.box, boxes.Last().text);
            EXPECT_EQ(appWindow, boxes.Last().owner);
        }
    }
}

TEST_F(TransfersTest, NativeHandsTheBitmapToTheApplication)
{
    xferMechCurrent = TWSX_MEMORY;
    ASSERT_EQ(TWRC_XFERDONE, Transfer(Kind::Native));
    EXPECT_EQ(kDib, handleSlot);
    EXPECT_EQ(kDib, dibHandle);
    EXPECT_EQ(TWSX_NATIVE, CurrentValue(ICAP_XFERMECH));
    ASSERT_EQ(1u, driverCalls.size());
    const DriverCall& call = driverCalls[0];
    EXPECT_EQ("CreateDIB", call.function);
    EXPECT_EQ(uiDialog, call.dialog);
    EXPECT_EQ(&dibHandle, call.dibSlot);
    EXPECT_EQ("twscan", call.name);
    EXPECT_EQ(&jobSettings, call.settings);
    EXPECT_EQ(&jobInfo, call.job);
    EXPECT_EQ(&scanParameters, call.params);
    EXPECT_EQ(TWSX_NATIVE, call.mechanism);
    ExpectBuffersInOrder(call);
    // Derived for the native transfer: gray lines aligned to 32 pixels.
    EXPECT_EQ(96u, call.jobSeen.outputPixels);
    EXPECT_EQ(8, call.settingsSeen.bitsPerPixel);
    EXPECT_EQ(kStateXferReady, sourceState);

    // A failed transfer leaves the application's slot alone.
    driverResults = {6};
    ASSERT_EQ(TWRC_CANCEL, Transfer(Kind::Native));
    EXPECT_EQ(nullptr, handleSlot);
}

TEST_F(TransfersTest, FileTransferWritesUnderTheNameSet)
{
    TW_SETUPFILEXFER setup{};
    std::strcpy(setup.FileName, "C:\\scans\\page1.bmp");
    ASSERT_EQ(TWRC_SUCCESS, Control(DAT_SETUPFILEXFER, MSG_SET, &setup));
    ASSERT_EQ(TWRC_XFERDONE, Transfer(Kind::File));
    ASSERT_EQ(1u, driverCalls.size());
    const DriverCall& call = driverCalls[0];
    EXPECT_EQ("C:\\scans\\page1.bmp", call.name);
    EXPECT_EQ(TWSX_FILE, call.mechanism);
    EXPECT_EQ(&dibHandle, call.dibSlot);
    EXPECT_EQ(&jobSettings, call.settings);
    ExpectBuffersInOrder(call);
    EXPECT_EQ(96u, call.jobSeen.outputPixels);
    EXPECT_EQ(TWSX_FILE, xferMechCurrent);
}

TEST_F(TransfersTest, FileTransferWithTheDefaultName)
{
    ASSERT_EQ(TWRC_XFERDONE, Transfer(Kind::File));
    EXPECT_EQ("KMDIB.BMP", driverCalls.at(0).name);
}

TEST_F(TransfersTest, FileTransferSetsTheMechanismEvenWhenRefused)
{
    EXPECT_EQ(TWRC_FAILURE, Transfer(Kind::File, MSG_SET));
    EXPECT_EQ(TWCC_BADPROTOCOL, Status());
    EXPECT_EQ(TWSX_FILE, CurrentValue(ICAP_XFERMECH));
    EXPECT_TRUE(driverCalls.empty());
    ASSERT_EQ(1u, boxes.boxes.size());
    EXPECT_EQ(kStatusBox, boxes.Last().text);
}

TEST_F(TransfersTest, MemoryStripsUntilTheLast)
{
    TW_IMAGEINFO info{};
    ASSERT_EQ(TWRC_SUCCESS, Image(DAT_IMAGEINFO, MSG_GET, &info));
    const JobInfo described = jobInfo;
    driverResults = {700, 6};
    EXPECT_EQ(TWRC_SUCCESS, Transfer(Kind::Memory));
    EXPECT_EQ(TWRC_XFERDONE, Transfer(Kind::Memory));
    EXPECT_EQ(kStateXferReady, sourceState);
    ASSERT_EQ(2u, driverCalls.size());
    for (const DriverCall& call : driverCalls) {
        EXPECT_EQ("AvMemXfer", call.function);
        EXPECT_EQ(uiDialog, call.dialog);
        EXPECT_EQ(&memXfer, call.memXfer);
        EXPECT_EQ(&jobSettings, call.settings);
        EXPECT_EQ(&jobInfo, call.job);
        EXPECT_EQ(&scanParameters, call.params);
        EXPECT_EQ(0, call.mechanism);
        ExpectBuffersInOrder(call);
        EXPECT_EQ(0, std::memcmp(&described, &call.jobSeen, sizeof described))
            << "the job of the image info";
    }
    EXPECT_TRUE(boxes.boxes.empty());
    EXPECT_EQ(TWSX_MEMORY, xferMechCurrent);
}

TEST_F(TransfersTest, NativeOnlyWhenATransferIsReady)
{
    for (int state : {kStateLoaded, kStateOpen, kStateEnabled}) {
        SCOPED_TRACE(state);
        sourceState = state;
        xferMechCurrent = TWSX_MEMORY;
        EXPECT_EQ(TWRC_FAILURE, Transfer(Kind::Native));
        EXPECT_EQ(TWCC_SEQERROR, Status());
        EXPECT_EQ(TWSX_MEMORY, xferMechCurrent);
    }
    EXPECT_TRUE(driverCalls.empty());

    sourceState = kStateTransferring;
    EXPECT_EQ(TWRC_XFERDONE, Transfer(Kind::Native));

    sourceState = kStateXferReady;
    xferMechCurrent = TWSX_MEMORY;
    EXPECT_EQ(TWRC_FAILURE, Transfer(Kind::Native, MSG_SET));
    EXPECT_EQ(TWCC_BADPROTOCOL, Status());
    EXPECT_EQ(TWSX_NATIVE, xferMechCurrent);
}

TEST_F(TransfersTest, MemoryAndFileReachTheDriverInStateFive)
{
    for (Kind kind : {Kind::Memory, Kind::File}) {
        sourceState = kStateEnabled;
        driverCalls.clear();
        EXPECT_NE(TWRC_FAILURE, Transfer(kind)) << KindName(kind);
        EXPECT_EQ(1u, driverCalls.size()) << KindName(kind);
    }
}

TEST_F(TransfersTest, SmallAreaFailsBeforeTheDriver)
{
    settings.resolution = 300;
    settings.cx = 30; // 0.1 inch
    for (Kind kind : {Kind::Native, Kind::File}) {
        SCOPED_TRACE(KindName(kind));
        sourceState = kStateXferReady;
        boxes.boxes.clear();
        EXPECT_EQ(TWRC_FAILURE, Transfer(kind));
        EXPECT_EQ(kStateEnabled, sourceState);
        ASSERT_EQ(1u, boxes.boxes.size());
        EXPECT_EQ("\n\nArea too small.", boxes.Last().text);
        EXPECT_EQ(appWindow, boxes.Last().owner);
    }
    EXPECT_TRUE(driverCalls.empty());
}

TEST_F(TransfersTest, NoDerivationWhileTheDriverDeliversAnImage)
{
    jobInfo.transferActive = 1;
    jobInfo.outputPixels = 12345;
    jobSettings.bitsPerPixel = 24;
    for (Kind kind : {Kind::Native, Kind::File}) {
        ASSERT_NE(TWRC_FAILURE, Transfer(kind));
        EXPECT_EQ(12345u, driverCalls.back().jobSeen.outputPixels) << KindName(kind);
        EXPECT_EQ(24, driverCalls.back().settingsSeen.bitsPerPixel) << KindName(kind);
    }
}

TEST_F(TransfersTest, TheTransferDeliversTheJobTheImageInfoDescribed)
{
    // Colour on a one-pass scanner, scaled: derived for the image info and
    // again for the transfer.
    settings.imageType = 3;
    settings.onePassColor = 1;
    settings.resolution = 150;
    settings.xScaleFactor = 200;
    TW_IMAGEINFO info{};
    ASSERT_EQ(TWRC_SUCCESS, Image(DAT_IMAGEINFO, MSG_GET, &info));
    const JobInfo described = jobInfo;
    const ScanSettings describedSettings = jobSettings;
    ASSERT_EQ(TWRC_XFERDONE, Transfer(Kind::Native));
    const DriverCall& call = driverCalls.at(0);
    EXPECT_EQ(4, call.settingsSeen.imageType);
    EXPECT_EQ(24, call.settingsSeen.bitsPerPixel);
    EXPECT_EQ(300, call.settingsSeen.resolution);
    EXPECT_EQ(0, std::memcmp(&described, &call.jobSeen, sizeof described));
    EXPECT_EQ(0, std::memcmp(&describedSettings, &call.settingsSeen, sizeof describedSettings));
}

// A transfer the driver cannot take (work buffers freed by a disable, driver
// not bound before an enable or after a close, or missing the entry) fails
// with a sequence error and no message, and never reaches the driver.
TEST_F(TransfersTest, TransfersTheDriverCannotTake)
{
    struct Case {
        const char* name;
        int state;
        bool buffers, createDIB, avMemXfer;
        std::vector<Kind> kinds;
    };
    const Case cases[] = {
        {"after a disable", kStateOpen, false, true, true, {Kind::Memory, Kind::File}},
        {"before an enable", kStateOpen, true, false, false, {Kind::Memory, Kind::File}},
        {"after a close", kStateLoaded, false, false, false, {Kind::Memory, Kind::File}},
        {"open with the driver still in place", kStateOpen, true, true, true, {Kind::Memory, Kind::File}},
        {"buffers missing in state 600", kStateXferReady, false, true, true,
         {Kind::Native, Kind::Memory, Kind::File}},
        {"no CreateDIB", kStateXferReady, true, false, true, {Kind::Native, Kind::File}},
        {"no AvMemXfer", kStateXferReady, true, true, false, {Kind::Memory}},
    };
    for (const Case& c : cases) {
        for (Kind kind : c.kinds) {
            SCOPED_TRACE(std::string(c.name) + ", " + KindName(kind));
            sourceState = c.state;
            if (c.buffers)
                ProvideWorkBuffers();
            else
                FreeWorkBuffers();
            driver.createDIB = c.createDIB ? CreateDIBDouble : nullptr;
            driver.avMemXfer = c.avMemXfer ? AvMemXferDouble : nullptr;
            driverCalls.clear();
            boxes.boxes.clear();
            EXPECT_EQ(TWRC_FAILURE, Transfer(kind));
            EXPECT_EQ(TWCC_SEQERROR, Status());
            EXPECT_TRUE(driverCalls.empty());
            EXPECT_TRUE(boxes.boxes.empty());
            EXPECT_EQ(c.state, sourceState);
        }
    }
}

TEST_F(TransfersTest, AfterADisableAndACloseTheDriverIsNotReached)
{
    uiDialog = nullptr;
    TW_USERINTERFACE ui{};
    ASSERT_EQ(TWRC_SUCCESS, Control(DAT_USERINTERFACE, MSG_DISABLEDS, &ui));
    ASSERT_EQ(kStateOpen, sourceState);
    for (Kind kind : {Kind::Memory, Kind::File}) {
        EXPECT_EQ(TWRC_FAILURE, Transfer(kind)) << KindName(kind);
        EXPECT_EQ(TWCC_SEQERROR, Status());
    }

    ProvideWorkBuffers(); // even with buffers, a closed source has no driver
    ASSERT_EQ(TWRC_SUCCESS, Control(DAT_IDENTITY, MSG_CLOSEDS, nullptr));
    ASSERT_EQ(kStateLoaded, sourceState);
    for (Kind kind : {Kind::Memory, Kind::File}) {
        EXPECT_EQ(TWRC_FAILURE, Transfer(kind)) << KindName(kind);
        EXPECT_EQ(TWCC_SEQERROR, Status());
    }
    EXPECT_TRUE(driverCalls.empty());
    EXPECT_TRUE(boxes.boxes.empty());
}
