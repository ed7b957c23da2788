// A whole session as an application sees it: the transfer-ready and
// close-request notifications arrive through MSG_PROCESSEVENT, with and
// without a hosted UI plug-in.
#include "e2e.h"

namespace {

// The test plug-in stands in for the easy user interface.
class PluginSessionTest : public E2eTest {
protected:
    void SetUp() override
    {
        E2eTest::SetUp();
        pluginLog.Remove();
        const std::string plugin = ProgramFolder() + "testplugin.dll";
        ASSERT_TRUE(PathExists(plugin));
        pluginFile.Write(ReadWholeFile(plugin));
        SetIniValue(modelIni.Path(), "English", "Easy", "testplugin.dll");
        SetIniValue(modelIni.Path(), "Easy", "function", "CreateTestDialog");
    }
    void Auto(const std::string& action)
    {
        pluginIni.Write("[Auto]\r\nAction=" + action + "\r\nDelay=300\r\n");
    }
    std::vector<std::string> PluginLog() const { return ReadLines(pluginLog.Path()); }

    RestoredFile modelIni{WindowsFile("\\7d32.ini")};
    RestoredFile pluginFile{WindowsFile("\\twain_64\\testplugin.dll")};
    RestoredFile pluginIni{WindowsFile("\\testplugin.ini")};
    RestoredFile pluginLog{WindowsFile("\\testplugin.log")};
};

TEST_F(E2eTest, TransferReadyArrivesAsAnEventWithoutTheDialog)
{
    const std::string log = scratch.Path("triplets.log");
    const RunResult run = Scan({"--xfer", "memory", "--pixel", "gray", "--dpi", "100", "--frame", "1,1,3,2", "--out",
                                scratch.Path("s%d.bmp"), "--log", log});
    ExpectOneSavedImage(run, 200, 100, 8);
    const auto triplets = ReadLines(log);
    for (const char* expected :
         {"DG_CONTROL DAT_IDENTITY MSG_OPENDS -> TWRC_SUCCESS", "DG_CONTROL DAT_USERINTERFACE MSG_ENABLEDS -> TWRC_SUCCESS",
          "DG_CONTROL DAT_EVENT MSG_PROCESSEVENT -> TWRC_DSEVENT MSG_XFERREADY",
          "DG_IMAGE DAT_IMAGEINFO MSG_GET -> TWRC_SUCCESS", "DG_IMAGE DAT_IMAGEMEMXFER MSG_GET -> TWRC_XFERDONE",
          "DG_CONTROL DAT_USERINTERFACE MSG_DISABLEDS -> TWRC_SUCCESS",
          "DG_CONTROL DAT_IDENTITY MSG_CLOSEDS -> TWRC_SUCCESS"})
        EXPECT_TRUE(AnyLineContains(triplets, expected)) << expected << "\n" << ReadWholeFile(log);
}

TEST_F(PluginSessionTest, ClosingTheHostedDialogAsksTheApplicationToClose)
{
    Auto("close");
    const std::string log = scratch.Path("triplets.log");
    const RunResult run = Scan({"--ui", "--out", scratch.Path("s%d.bmp"), "--log", log, "--timeout", "30"});
    EXPECT_EQ(run.exitCode, 1u) << "no image was scanned\n" << Describe(run);
    EXPECT_TRUE(run.out.empty()) << Describe(run);
    const auto plugin = PluginLog();
    EXPECT_TRUE(AnyLineContains(plugin, "create parent")) << ReadWholeFile(pluginLog.Path());
    EXPECT_TRUE(AnyLineContains(plugin, "auto close"));
    EXPECT_TRUE(AnyLineContains(plugin, "cancel"));
    const auto triplets = ReadLines(log);
    EXPECT_TRUE(AnyLineContains(triplets, "DG_CONTROL DAT_EVENT MSG_PROCESSEVENT -> TWRC_DSEVENT MSG_CLOSEDSREQ"))
        << ReadWholeFile(log);
    EXPECT_TRUE(AnyLineContains(triplets, "DG_CONTROL DAT_USERINTERFACE MSG_DISABLEDS -> TWRC_SUCCESS"));
    EXPECT_TRUE(AnyLineContains(triplets, "DG_CONTROL DAT_IDENTITY MSG_CLOSEDS -> TWRC_SUCCESS"));
    EXPECT_EQ(CompanionLog(), (std::vector<std::string>{"twain_in", "twain_out"}));
}

// With the dialog the image follows what the dialog stored in the settings
// file, not what the application negotiated.
TEST_F(PluginSessionTest, ScanFromTheHostedDialogFollowsTheStoredSettings)
{
    Auto("scan");
    settingsIni.Write("[1]\r\nImage Type=2\r\nResolution=100\r\nx=300\r\ny=300\r\nCx=600\r\nCy=300\r\n");
    const RunResult run = Scan({"--ui", "--xfer", "native", "--pixel", "rgb", "--dpi", "300", "--out",
                                scratch.Path("s%d.bmp"), "--timeout", "30"});
    // Gray at 100 dpi, 2 by 1 inches; a native line is a multiple of 32 pixels.
    ExpectOneSavedImage(run, 192, 100, 8);
    EXPECT_TRUE(AnyLineContains(PluginLog(), "auto scan")) << ReadWholeFile(pluginLog.Path());
}

} // namespace
