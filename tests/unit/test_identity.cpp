// The source identity, open and close.
#include "testsupport.h"

#include <cstring>

#include "driver.h"
#include "entry.h"
#include "identity.h"
#include "profile.h"
#include "state.h"

namespace {

const char kModel[] =
    "[DS]\r\nMANUFACTURER=Kelmora Test\r\nPRODUCTFAMILY=Family\r\nPRODUCTNAME=Tovrin 9\r\n"
    "VERSION_INFO=9.9\r\nPATH=\\fakedrv\\\r\n"
    "[LANGUAGE]\r\nLANGUAGE=English\r\n[English]\r\nTWDSM=fakedevice.dll\r\n";

class IdentityTest : public SourceTest {
protected:
    TW_IDENTITY app{};
    TW_IDENTITY source{};

    void SetUp() override
    {
        SourceTest::SetUp();
        files.Write("\\7d32.ini", kModel);
        AttachSource(GetModuleHandleA(nullptr));
        std::strcpy(app.Manufacturer, "Maker");
        std::strcpy(app.ProductFamily, "Family");
        std::strcpy(app.ProductName, "TestApp");
        source = sourceIdentity;
        source.Id = 7;
    }
    TW_UINT16 Identity(TW_UINT16 msg, TW_MEMREF data)
    {
        return DS_Entry(&app, DG_CONTROL, DAT_IDENTITY, msg, data);
    }
    TW_UINT16 Open() { return Identity(MSG_OPENDS, &source); }
    TW_UINT16 Close() { return Identity(MSG_CLOSEDS, nullptr); }
    TW_UINT16 Status()
    {
        TW_STATUS status{};
        DS_Entry(&app, DG_CONTROL, DAT_STATUS, MSG_GET, &status);
        return status.ConditionCode;
    }
    std::string OpenSignal() { return ReadText(kWinIni, kSectionScanner, "OpenDS", "(none)", 9); }
};

} // namespace

TEST_F(IdentityTest, IdentityBeforeAndAfterOpen)
{
    TW_IDENTITY got{};
    ASSERT_EQ(TWRC_SUCCESS, Identity(MSG_GET, &got));
    EXPECT_EQ(0u, got.Id);
    EXPECT_STREQ("Kelmora Test", got.Manufacturer);
    EXPECT_STREQ("Family", got.ProductFamily);
    EXPECT_STREQ("Tovrin 9", got.ProductName);
    EXPECT_STREQ("9.9", got.Version.Info);
    EXPECT_EQ(1, got.Version.MajorNum);
    EXPECT_EQ(6, got.Version.MinorNum);
    EXPECT_EQ(TWLG_USA, got.Version.Language);
    EXPECT_EQ(TWCY_USA, got.Version.Country);
    EXPECT_EQ(1, got.ProtocolMajor);
    EXPECT_EQ(5, got.ProtocolMinor);
    EXPECT_EQ(DWORD(DG_CONTROL | DG_IMAGE), got.SupportedGroups);

    ASSERT_EQ(TWRC_SUCCESS, Open());
    ASSERT_EQ(TWRC_SUCCESS, Identity(MSG_GET, &got));
    EXPECT_EQ(7u, got.Id) << "the identity the manager passed at open";
    EXPECT_EQ(kStateOpen, sourceState);
    EXPECT_EQ("1", OpenSignal());
}

TEST_F(IdentityTest, DefaultsWithoutModelFileAndLongTextsCut)
{
    files.Remove("\\7d32.ini");
    AttachSource(GetModuleHandleA(nullptr));
    EXPECT_STREQ("Kelmora Inc.", sourceIdentity.Manufacturer);
    EXPECT_STREQ("Tovrin", sourceIdentity.ProductFamily);
    EXPECT_STREQ("Tovrin", sourceIdentity.ProductName);
    EXPECT_STREQ("0", sourceIdentity.Version.Info);

    files.Write("\\7d32.ini", "[DS]\r\nPRODUCTNAME=" + std::string(60, 'P') + "\r\n");
    AttachSource(GetModuleHandleA(nullptr));
    EXPECT_EQ(std::string(33, 'P'), sourceIdentity.ProductName);
    EXPECT_FALSE(AttachSource(nullptr));
}

TEST_F(IdentityTest, ApplicationNames)
{
    struct Case {
        const char* manufacturer;
        const char* name;
        const char* knownAs;
    };
    const Case cases[] = {
        {"Maker", " ", "Family"},
        {"Maker", "", "Family"},
        {"Wang Laboratories, Inc.", "Imaging", "Wang Laboratories, Inc."},
        {"Wang Laboratories, Inc. (Europe)", "X", "Wang Laboratories, Inc."},
        {"Wang Laboratories", "X", "X"},
        {"Maker", "  ", "  "},
    };
    for (const Case& c : cases) {
        std::strcpy(app.Manufacturer, c.manufacturer);
        std::strcpy(app.ProductName, c.name);
        ASSERT_EQ(TWRC_SUCCESS, Open()) << c.name;
        EXPECT_STREQ(c.knownAs, appIdentity.ProductName) << c.manufacturer << "/" << c.name;
        ASSERT_EQ(TWRC_SUCCESS, Close());
    }
}

TEST_F(IdentityTest, UnterminatedApplicationStringsAreCutAtTheRecord)
{
    std::memset(app.Manufacturer, 'M', sizeof app.Manufacturer);
    std::memset(app.ProductFamily, 'F', sizeof app.ProductFamily);
    std::memset(app.ProductName, 'N', sizeof app.ProductName);
    std::memset(app.Version.Info, 'I', sizeof app.Version.Info);
    ASSERT_EQ(TWRC_SUCCESS, Open());
    EXPECT_EQ(std::string(33, 'N'), appIdentity.ProductName);
    EXPECT_EQ(std::string(33, 'M'), appIdentity.Manufacturer);
    EXPECT_EQ(std::string(33, 'F'), appIdentity.ProductFamily);
}

TEST_F(IdentityTest, MDCTwainScanIsForcedToLineArt)
{
    files.Write("\\kmscan32.ini", "[1]\r\nImage Type=3\r\nResolution=200\r\n");
    std::strcpy(app.ProductName, "MDCTwainScan 2");
    ASSERT_EQ(TWRC_SUCCESS, Open());
    EXPECT_EQ(0, settings.imageType);
    EXPECT_EQ(200, settings.resolution);
    EXPECT_EQ(-1, ReadInt(SettingsFilePath(), "1", "Image Type", -1)) << "the key is removed";
    EXPECT_EQ(200, ReadInt(SettingsFilePath(), "1", "Resolution", -1));
}

TEST_F(IdentityTest, SettingsAreReadAtOpen)
{
    ASSERT_EQ(TWRC_SUCCESS, Open());
    EXPECT_EQ(SettingsFilePath(), settingsPath);
    EXPECT_EQ(2, settings.scanMethod);
    EXPECT_EQ(300, settings.resolution);
    EXPECT_EQ(0xFFFE, settings.cx) << "placeholder maxima until the scanner is known";
    EXPECT_EQ(160, scannerAbility.scannerType);
    EXPECT_EQ(65534, ReadInt(SettingsFilePath(), kSectionScanner, "Prescan Length", 0));
    EXPECT_EQ("\\7d32.ini", ReadText(SettingsFilePath(), kSectionScanner, "Interface IniFile", "", 127));
    char current[MAX_PATH];
    GetCurrentDirectoryA(MAX_PATH, current);
    EXPECT_STREQ(WindowsDirectory().c_str(), current);
}

TEST_F(IdentityTest, SaturFileNeededOnlyBeyondUIVersion0)
{
    files.Write("\\kmscan32.ini", "[Kelmora Scanner]\r\nUI version=0\r\n");
    ASSERT_EQ(TWRC_SUCCESS, Open());
    ASSERT_EQ(TWRC_SUCCESS, Close());
    EXPECT_TRUE(boxes.boxes.empty());

    files.Write("\\kmscan32.ini", "[Kelmora Scanner]\r\nUI version=1\r\n");
    EXPECT_EQ(TWRC_FAILURE, Open());
    ASSERT_EQ(1u, boxes.boxes.size());
    EXPECT_EQ("Can't not find the 'satur.km' file.", boxes.Last().text);
    EXPECT_EQ("(null)", boxes.Last().caption);
    EXPECT_EQ(nullptr, boxes.Last().owner);
    EXPECT_EQ(UINT(MB_SYSTEMMODAL | MB_ICONEXCLAMATION), boxes.Last().flags);
    EXPECT_EQ(kStateLoaded, sourceState);
    EXPECT_EQ("0", OpenSignal());

    files.Write("\\satur.km", "x");
    EXPECT_EQ(TWRC_SUCCESS, Open());
}

TEST_F(IdentityTest, MissingModelFileStillWritesInterfaceIniFile)
{
    files.Remove("\\7d32.ini");
    conditionCode = TWCC_BUMMER;
    EXPECT_EQ(TWRC_FAILURE, Open());
    ASSERT_EQ(1u, boxes.boxes.size());
    EXPECT_EQ("(null)", boxes.Last().caption);
    EXPECT_EQ("\\7d32.ini", ReadText(SettingsFilePath(), kSectionScanner, "Interface IniFile", "", 127));
    EXPECT_EQ(TWCC_SUCCESS, Status()) << "no condition code of its own";
    EXPECT_EQ(kStateLoaded, sourceState);
}

TEST_F(IdentityTest, SecondOpenFailsAndLeavesTheSignalAtZero)
{
    ASSERT_EQ(TWRC_SUCCESS, Open());
    EXPECT_EQ(TWRC_FAILURE, Open());
    EXPECT_EQ(TWCC_SEQERROR, Status());
    EXPECT_EQ("0", OpenSignal());
    EXPECT_EQ(kStateOpen, sourceState);
}

TEST_F(IdentityTest, FileChecksComeBeforeTheStateTest)
{
    ASSERT_EQ(TWRC_SUCCESS, Open());
    files.Remove("\\7d32.ini");
    EXPECT_EQ(TWRC_FAILURE, Open());
    EXPECT_EQ(TWCC_SUCCESS, Status()) << "the file message, not the sequence error";
}

TEST_F(IdentityTest, OpenWhileAnApplicationIsRecorded)
{
    appIdentity.Id = 3;
    app.Id = 3;
    EXPECT_EQ(TWRC_FAILURE, Open());
    EXPECT_EQ(TWCC_MAXCONNECTIONS, Status());
    EXPECT_EQ("1", OpenSignal());
}

TEST_F(IdentityTest, CloseStatesAndUnknownMessages)
{
    EXPECT_EQ(TWRC_FAILURE, Close());
    EXPECT_EQ(TWCC_SEQERROR, Status());
    EXPECT_EQ(TWRC_FAILURE, Identity(MSG_USERSELECT, &source));
    EXPECT_EQ(TWCC_BADPROTOCOL, Status());
    EXPECT_EQ(TWRC_FAILURE, Identity(MSG_OPENDS, nullptr));
    EXPECT_EQ(TWCC_BADVALUE, Status());
    EXPECT_EQ(TWRC_FAILURE, Identity(MSG_GET, nullptr));
    EXPECT_EQ(TWCC_BADVALUE, Status());

    for (int state : {kStateOpen, kStateEnabled, kStateXferReady, kStateTransferring}) {
        ASSERT_EQ(TWRC_SUCCESS, Open());
        sourceState = state;
        appIdentity.Id = 0;
        EXPECT_EQ(TWRC_SUCCESS, Close()) << state;
        EXPECT_EQ(kStateLoaded, sourceState);
        EXPECT_EQ("0", OpenSignal());
    }
}

TEST_F(IdentityTest, CloseFromEnabledReleasesTheDriverAndWhatTheEnableBuilt)
{
    files.CopyFromBin("fakedevice.dll", "\\fakedrv\\fakedevice.dll");
    ASSERT_EQ(TWRC_SUCCESS, Open());
    ASSERT_TRUE(BindDriver());
    logoWindow = CreateWindowA("STATIC", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    HWND logo = logoWindow;
    workBufferHandles[0] = GlobalAlloc(GMEM_MOVEABLE, 256);
    workBuffers[0] = GlobalLock(workBufferHandles[0]);
    sourceState = kStateEnabled;

    EXPECT_EQ(TWRC_SUCCESS, Close());
    EXPECT_FALSE(DriverBound());
    EXPECT_EQ(nullptr, driver.testScanner) << "the table is cleared";
    EXPECT_EQ(nullptr, GetModuleHandleA("fakedevice.dll"));
    EXPECT_NE(std::string::npos, files.Read("\\fakedevice.log").find("CloseDeviceDriver"));
    EXPECT_FALSE(IsWindow(logo));
    EXPECT_EQ(nullptr, workBuffers[0]);
    EXPECT_EQ(nullptr, workBufferHandles[0]);
}

TEST_F(IdentityTest, ConditionCodeIsResetBySuccessfulTriplets)
{
    DS_Entry(&app, DG_AUDIO, DAT_NULL, MSG_GET, &source);
    TW_IDENTITY got{};
    ASSERT_EQ(TWRC_SUCCESS, Identity(MSG_GET, &got));
    EXPECT_EQ(TWCC_SUCCESS, Status());
}
