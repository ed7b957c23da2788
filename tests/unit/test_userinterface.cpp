// Enable and disable against the virtual scanner, with and without the
// test UI plug-in: the step order's visible effects, the logo window, the
// companion program, the application table and the user-interface switch.
#include "testsupport.h"

#include <cstring>
#include <string>
#include <vector>

#include "driver.h"
#include "entry.h"
#include "notify.h"
#include "profile.h"
#include "state.h"
#include "testplugin.h"

namespace {

struct ManagerCall {
    TW_UINT16 msg;
    int state;
    bool insideEnable;
};
std::vector<ManagerCall> managerCalls;
bool insideEnable;

void WINAPI RecordManagerCall(pTW_IDENTITY, pTW_IDENTITY, TW_UINT32, TW_UINT16, TW_UINT16 msg, TW_MEMREF)
{
    managerCalls.push_back({msg, sourceState, insideEnable});
}
typedef void(WINAPI* SetCallbackProc)(decltype(&RecordManagerCall));

const char kModel[] =
    "[DS]\r\nPATH=\\twain_64\\\r\nDSNAME=sane.ds\r\n"
    "[LANGUAGE]\r\nLANGUAGE=English\r\n"
    "[English]\r\nSCANMODE=tevran.dll\r\nTWDSM=morlin.dll\r\nEasy=testplugin.dll\r\nExpert=expert.dll\r\n"
    "Zero=plug0.dll\r\nOne=plug1.dll\r\n"
    "IDS_WARMUP=Lamp is cold.\r\nIDS_WARMUP1=Wait a little.\r\n"
    "[UI version]\r\nUI Num=3\r\n0=Easy\r\n1=Expert\r\n"
    "[Easy]\r\nfunction=CreateTestDialog\r\n[Zero]\r\nfunction=CreateTestDialog\r\n"
    "[One]\r\nfunction=CreateTestDialog\r\n";

class EnableTest : public SourceTest {
protected:
    HMODULE manager = nullptr;
    HMODULE plugin = nullptr;
    TW_IDENTITY app{};

    void SetUp() override
    {
        SourceTest::SetUp();
        moduleInstance = GetModuleHandleA(nullptr);
        managerCalls.clear();
        files.Write("\\7d32.ini", kModel);
        files.Write("\\vscanner.ini", "[Scanner]\r\nType=160\r\n");
        for (const char* dll : {"morlin.dll", "tevran.dll", "testplugin.dll"})
            files.CopyFromBin(dll, std::string("\\twain_64\\") + dll);
        files.CopyFromBin("vostel32.exe", "\\TWAIN_32_64\\vostel32.exe");
        files.Remove("\\testplugin.log");
        files.Remove("\\testplugin.ini");
        files.Remove("\\kmintray.ini");

        files.CopyFromBin("fakedsm.dll", "\\TWAIN_32.DLL");
        manager = LoadLibraryA(WindowsPath("\\TWAIN_32.DLL").c_str());
        auto setCallback = reinterpret_cast<SetCallbackProc>(GetProcAddress(manager, "FakeDsmSetCallback"));
        ASSERT_NE(nullptr, setCallback) << "our source manager, not the system's";
        setCallback(RecordManagerCall);

        // The plug-in reaches the exports linked into this program.
        plugin = LoadLibraryA(WindowsPath("\\twain_64\\testplugin.dll").c_str());
        ASSERT_NE(nullptr, plugin);
        auto useExports =
            reinterpret_cast<TestPluginUseExportsProc>(GetProcAddress(plugin, "TestPluginUseExports"));
        useExports(reinterpret_cast<FARPROC>(NotifyXferReady), reinterpret_cast<FARPROC>(NotifyCloseDSReq));

        std::strcpy(app.ProductName, "TestApp");
        Open();
    }
    void TearDown() override
    {
        if (sourceState >= kStateOpen)
            DS_Entry(&app, DG_CONTROL, DAT_IDENTITY, MSG_CLOSEDS, nullptr);
        if (plugin)
            FreeLibrary(plugin);
        if (manager)
            FreeLibrary(manager);
        SourceTest::TearDown();
    }
    void Open()
    {
        TW_IDENTITY source = sourceIdentity;
        ASSERT_EQ(TWRC_SUCCESS, DS_Entry(&app, DG_CONTROL, DAT_IDENTITY, MSG_OPENDS, &source));
    }
    TW_UINT16 Enable(bool showUI)
    {
        TW_USERINTERFACE ui{static_cast<TW_BOOL>(showUI), FALSE, reinterpret_cast<HWND>(0)};
        insideEnable = true;
        TW_UINT16 result = DS_Entry(&app, DG_CONTROL, DAT_USERINTERFACE, MSG_ENABLEDS, &ui);
        insideEnable = false;
        return result;
    }
    TW_UINT16 Disable(bool showUI)
    {
        TW_USERINTERFACE ui{static_cast<TW_BOOL>(showUI), FALSE, nullptr};
        return DS_Entry(&app, DG_CONTROL, DAT_USERINTERFACE, MSG_DISABLEDS, &ui);
    }
    TW_UINT16 Status()
    {
        TW_STATUS status{};
        DS_Entry(&app, DG_CONTROL, DAT_STATUS, MSG_GET, &status);
        return status.ConditionCode;
    }
    // The companion program is started asynchronously: wait for its lines.
    std::string CompanionLog(size_t lines)
    {
        std::string log;
        for (int wait = 0; wait < 100; ++wait) {
            log = files.Read("\\vostel32.log");
            size_t count = 0;
            for (char c : log)
                count += c == '\n';
            if (count >= lines)
                break;
            Sleep(50);
        }
        return log;
    }
    std::string PluginLog() { return files.Read("\\testplugin.log"); }
    std::string ScannerLog() { return files.Read("\\vscanner.log"); }
    static void Pump(DWORD milliseconds)
    {
        const DWORD end = GetTickCount() + milliseconds;
        MSG msg;
        while (GetTickCount() < end) {
            while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
                TranslateMessage(&msg);
                DispatchMessageA(&msg);
            }
            Sleep(10);
        }
    }
};

} // namespace

TEST_F(EnableTest, WordScanIsServedWithoutUIAndReadyBeforeTheEnableReturns)
{
    std::strcpy(appIdentity.ProductName, "WordScan");
    std::strcpy(app.ProductName, "WordScan");
    ASSERT_EQ(TWRC_SUCCESS, Enable(true));
    EXPECT_EQ(0, uiInUse);
    ASSERT_EQ(1u, managerCalls.size());
    EXPECT_EQ(MSG_XFERREADY, managerCalls[0].msg);
    EXPECT_TRUE(managerCalls[0].insideEnable);
    EXPECT_EQ(kStateXferReady, managerCalls[0].state);
    EXPECT_EQ(kStateXferReady, sourceState);
    EXPECT_EQ(nullptr, logoWindow);
    EXPECT_EQ(nullptr, uiDialog);
    EXPECT_EQ(TWCC_SUCCESS, Status());
    for (void* buffer : workBuffers)
        EXPECT_NE(nullptr, buffer);
    EXPECT_EQ("twain_in\r\n", CompanionLog(1));
    EXPECT_EQ("WordScan", ReadText(WindowsPath("\\apsetup.ini"), "Index Mapping ApName", "0", "", 33));
}

TEST_F(EnableTest, ScanMethodWithoutUIByScannerTypeAndPaper)
{
    struct Case {
        int type;
        int sheets;
        int method;
        bool asksFeeder;
    };
    for (Case c : {Case{128, 2, 2, false}, Case{160, 0, 2, true}, Case{160, 1, 1, true}, Case{64, 1, 1, true}}) {
        files.Write("\\vscanner.ini", "[Scanner]\r\nType=" + std::to_string(c.type) + "\r\n[Bed]\r\nSheets=" +
                                          std::to_string(c.sheets) + "\r\n");
        files.Remove("\\vscanner.log");
        ASSERT_EQ(TWRC_SUCCESS, Enable(false)) << c.type;
        EXPECT_EQ(c.method, settings.scanMethod) << "type " << c.type << " sheets " << c.sheets;
        EXPECT_EQ(c.asksFeeder, ScannerLog().find("GetADFPaper") != std::string::npos) << c.type;
        ASSERT_EQ(TWRC_SUCCESS, Disable(false));
        EXPECT_EQ(kStateOpen, sourceState);
        EXPECT_TRUE(DriverBound()) << "the driver stays bound until close";
        DS_Entry(&app, DG_CONTROL, DAT_IDENTITY, MSG_CLOSEDS, nullptr);
        Open();
    }
}

TEST_F(EnableTest, SecondEnableFailsAndStillStartsTheCompanion)
{
    ASSERT_EQ(TWRC_SUCCESS, Enable(false));
    EXPECT_EQ(TWRC_FAILURE, Enable(false));
    EXPECT_EQ(TWCC_SEQERROR, Status());
    EXPECT_EQ("twain_in\r\ntwain_in\r\n", CompanionLog(2));
    EXPECT_EQ(kStateXferReady, sourceState);
}

TEST_F(EnableTest, PluginHostedUnderTheHiddenLogoWindowAndClosedByDisable)
{
    ASSERT_EQ(TWRC_SUCCESS, Enable(true));
    EXPECT_EQ(kStateEnabled, sourceState);
    EXPECT_EQ(1, uiInUse);
    ASSERT_NE(nullptr, logoWindow);
    ASSERT_NE(nullptr, uiDialog);
    EXPECT_EQ(logoWindow, GetParent(uiDialog));
    EXPECT_FALSE(IsWindowVisible(logoWindow));
    EXPECT_NE(std::string::npos, PluginLog().find("create parent"));
    EXPECT_TRUE(managerCalls.empty()) << "the user starts the scan";

    HWND dialog = uiDialog;
    HWND logo = logoWindow;
    ASSERT_EQ(TWRC_SUCCESS, Disable(true));
    EXPECT_NE(std::string::npos, PluginLog().find("cancel"));
    EXPECT_FALSE(IsWindow(dialog));
    EXPECT_FALSE(IsWindow(logo));
    EXPECT_EQ(nullptr, uiDialog);
    EXPECT_EQ(nullptr, uiLibrary);
    EXPECT_EQ(kStateOpen, sourceState);
    EXPECT_TRUE(DriverBound());
    for (void* buffer : workBuffers)
        EXPECT_EQ(nullptr, buffer);
    ASSERT_EQ(1u, managerCalls.size()) << "the plug-in asks to close when it is cancelled";
    EXPECT_EQ(MSG_CLOSEDSREQ, managerCalls[0].msg);
    EXPECT_EQ("twain_in\r\ntwain_out\r\n", CompanionLog(2));
}

TEST_F(EnableTest, ScanFromThePluginNotifiesTheApplication)
{
    ASSERT_EQ(TWRC_SUCCESS, Enable(true));
    SendMessageA(uiDialog, WM_COMMAND, IDC_TESTPLUGIN_SCAN, 0);
    ASSERT_EQ(1u, managerCalls.size());
    EXPECT_EQ(MSG_XFERREADY, managerCalls[0].msg);
    EXPECT_EQ(kStateXferReady, managerCalls[0].state);
}

TEST_F(EnableTest, UserInterfaceRetryOrder)
{
    files.CopyFromBin("testplugin.dll", "\\twain_64\\plug0.dll");
    files.CopyFromBin("testplugin.dll", "\\twain_64\\plug1.dll");
    std::string model = kModel;
    model.replace(model.find("0=Easy\r\n1=Expert"), 16, "0=Zero\r\n1=One\r\n");
    files.Write("\\7d32.ini", model);
    files.Write("\\kmscan32.ini", "[Kelmora Scanner]\r\nUI version=1\r\n");
    files.Write("\\satur.km", "x");
    files.Write("\\testplugin.ini", "[Refuse]\r\nplug0.dll=1\r\nplug1.dll=1\r\n");
    DS_Entry(&app, DG_CONTROL, DAT_IDENTITY, MSG_CLOSEDS, nullptr);
    Open();

    EXPECT_EQ(TWRC_FAILURE, Enable(true));
    const std::string log = PluginLog();
    const size_t first = log.find("plug1.dll");
    const size_t second = log.find("plug0.dll", first);
    const size_t third = log.find("plug1.dll", second);
    EXPECT_NE(std::string::npos, first);
    EXPECT_NE(std::string::npos, second) << log;
    EXPECT_NE(std::string::npos, third) << log;
    EXPECT_EQ(std::string::npos, log.find("plug", third + 1)) << "three attempts in all";
    EXPECT_TRUE(boxes.boxes.empty()) << "no plug-in: nothing to show";
    EXPECT_EQ(kStateOpen, sourceState);
    EXPECT_TRUE(DriverBound()) << "the driver stays bound after the plug-in step";

    files.Write("\\testplugin.ini", "[Refuse]\r\nplug1.dll=1\r\n");
    EXPECT_EQ(TWRC_SUCCESS, Enable(true)) << "configured 1 refused, then 0";
    EXPECT_NE(nullptr, uiDialog);
}

TEST_F(EnableTest, PluginWithoutItsCreationFunctionCountsAsNotLoaded)
{
    std::string model = kModel;
    model.replace(model.find("[Easy]\r\nfunction=CreateTestDialog"), 33, "[Easy]\r\nfunction=NoSuchFunction");
    files.Write("\\7d32.ini", model);
    EXPECT_EQ(TWRC_FAILURE, Enable(true));
    EXPECT_EQ(kStateOpen, sourceState);
    EXPECT_EQ(nullptr, uiDialog);
    EXPECT_EQ(nullptr, uiLibrary);
    EXPECT_TRUE(boxes.boxes.empty());

    // The next enable binds again without loading the driver twice.
    files.Write("\\7d32.ini", kModel);
    ASSERT_EQ(TWRC_SUCCESS, Enable(true));
    ASSERT_EQ(TWRC_SUCCESS, Disable(true));
    ASSERT_EQ(TWRC_SUCCESS, DS_Entry(&app, DG_CONTROL, DAT_IDENTITY, MSG_CLOSEDS, nullptr));
    EXPECT_EQ(nullptr, GetModuleHandleA("morlin.dll")) << "no load outlives the close";
    EXPECT_EQ(nullptr, GetModuleHandleA("tevran.dll"));
}

TEST_F(EnableTest, PrintJobsStopTheEnable)
{
    std::strcpy(scannerAbility.interfaceName, "None");
    CreateDirectoryA(WindowsPath("\\system32\\spool").c_str(), nullptr);
    CreateDirectoryA(WindowsPath("\\system32\\spool\\printers").c_str(), nullptr);
    const std::string job = WindowsPath("\\system32\\spool\\printers\\3.SPL");
    HANDLE held = CreateFileA(job.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    EXPECT_EQ(TWRC_FAILURE, Enable(false));
    CloseHandle(held);
    DeleteFileA(job.c_str());
    ASSERT_EQ(1u, boxes.boxes.size());
    EXPECT_EQ("There are print jobs in processing, please wait till all print jobs done.", boxes.Last().text);
    EXPECT_EQ(kStateOpen, sourceState);
    EXPECT_FALSE(DriverBound());
    EXPECT_EQ(nullptr, logoWindow);
    Sleep(300);
    EXPECT_FALSE(files.Exists("\\vostel32.log")) << "no companion start";
}

TEST_F(EnableTest, ScannerThatDoesNotAnswer)
{
    std::strcpy(appIdentity.ProductName, "Pagerol");
    files.Write("\\vscanner.ini", "[Faults]\r\nTestScanner=1\r\nStatus=155\r\n");
    EXPECT_EQ(TWRC_FAILURE, Enable(false));
    ASSERT_EQ(1u, boxes.boxes.size());
    EXPECT_EQ("Lamp is cold.\nWait a little.", boxes.Last().text) << "asked before the driver is released";
    EXPECT_EQ("twain_false\r\n", CompanionLog(1));
    EXPECT_FALSE(DriverBound());
    EXPECT_EQ(nullptr, logoWindow);
    EXPECT_EQ(kStateOpen, sourceState);
    EXPECT_EQ("-2", ReadText(WindowsPath("\\kmintray.ini"), "Twain", "Error Code", "", 9));
}

TEST_F(EnableTest, DriverThatCannotBeBound)
{
    std::strcpy(appIdentity.ProductName, "Pagerol");
    std::string model = kModel;
    model.replace(model.find("TWDSM=morlin.dll"), 16, "TWDSM=absent.dll");
    files.Write("\\7d32.ini", model);
    EXPECT_EQ(TWRC_FAILURE, Enable(false));
    EXPECT_FALSE(DriverBound());
    EXPECT_EQ(kStateOpen, sourceState);
    EXPECT_EQ("-2", ReadText(WindowsPath("\\kmintray.ini"), "Twain", "Error Code", "", 9));
    Sleep(300);
    EXPECT_FALSE(files.Exists("\\vostel32.log"));
}

TEST_F(EnableTest, PagerolIsToldTheDriverIsBound)
{
    std::strcpy(appIdentity.ProductName, "Pagerol");
    ASSERT_EQ(TWRC_SUCCESS, Enable(false));
    EXPECT_EQ("0", ReadText(WindowsPath("\\kmintray.ini"), "Twain", "Error Code", "", 9));
}

TEST_F(EnableTest, PendingCalibrationAndLampAtEnable)
{
    files.Write("\\kmscan32.ini", "[Kelmora Scanner]\r\nDoCalibration=1\r\n");
    // The default model calibrates on a sheet from the feeder.
    files.Write("\\vscanner.ini", "[Bed]\r\nSheets=1\r\n");
    std::string model = kModel;
    model.replace(model.find("[DS]\r\n"), 6, "[DS]\r\nLAMPON=1\r\n");
    files.Write("\\7d32.ini", model);
    ASSERT_EQ(TWRC_SUCCESS, Enable(false));
    const std::string log = ScannerLog();
    EXPECT_NE(std::string::npos, log.find("DoCalibrate(0, 1, 8)")) << log;
    EXPECT_NE(std::string::npos, log.find("TrunOnLamp()")) << log;
    EXPECT_LT(log.find("DoCalibrate(0, 1, 8)"), log.find("TrunOnLamp()"));
    EXPECT_EQ(0, ReadInt(settingsPath, kSectionScanner, "DoCalibration", -1));
    EXPECT_EQ(1u, boxes.boxes.size()) << "the sheet prompt";
}

TEST_F(EnableTest, LogoWindowTakesTheLogosSize)
{
    files.Remove("\\kmlogo.km");
    ASSERT_EQ(0u, RunProgram(ProgramFolder() + "makelogo.exe", {WindowsPath("\\kmlogo.km")}).exitCode);
    ASSERT_EQ(TWRC_SUCCESS, Enable(true));
    ASSERT_NE(nullptr, logoWindow);
    RECT client;
    GetClientRect(logoWindow, &client);
    // The logo is 320 x 96; the window is made one pixel larger each way.
    EXPECT_EQ(321, client.right - client.left);
    EXPECT_EQ(97, client.bottom - client.top);
    EXPECT_EQ(nullptr, GetDlgItem(logoWindow, -1)) << "the logo template has no controls";
}

TEST_F(EnableTest, ConnectingWindowWithoutALogo)
{
    files.Remove("\\kmlogo.km");
    ASSERT_EQ(TWRC_SUCCESS, Enable(true));
    ASSERT_NE(nullptr, logoWindow);
    char caption[64];
    GetWindowTextA(logoWindow, caption, sizeof caption);
    EXPECT_STREQ("Scanner Testing", caption);
}

TEST_F(EnableTest, UserInterfaceSwitchThroughWinIni)
{
    ASSERT_EQ(TWRC_SUCCESS, Enable(true));
    HWND first = uiDialog;
    WriteText(kWinIni, kSectionScanner, "UI change", "1");
    PostMessageA(logoWindow, WM_USER, 0, 0);
    Pump(500);
    EXPECT_EQ(0, ReadInt(kWinIni, kSectionScanner, "UI change", -1)) << "taken up";
    EXPECT_NE(nullptr, uiDialog);
    EXPECT_NE(first, uiDialog);
    EXPECT_FALSE(IsWindow(first));
    const std::string log = PluginLog();
    EXPECT_NE(log.find("create parent"), log.rfind("create parent")) << "created twice: " << log;
    EXPECT_EQ(kStateEnabled, sourceState);
}

TEST_F(EnableTest, CloseWhileEnabledTakesDownThePlugin)
{
    ASSERT_EQ(TWRC_SUCCESS, Enable(true));
    HWND dialog = uiDialog;
    ASSERT_EQ(TWRC_SUCCESS, DS_Entry(&app, DG_CONTROL, DAT_IDENTITY, MSG_CLOSEDS, nullptr));
    EXPECT_FALSE(IsWindow(dialog));
    EXPECT_NE(std::string::npos, PluginLog().find("cancel"));
    EXPECT_FALSE(DriverBound());
    EXPECT_EQ(nullptr, GetModuleHandleA("morlin.dll"));
    for (void* buffer : workBuffers)
        EXPECT_EQ(nullptr, buffer);
}

TEST_F(EnableTest, DisableOutsideTheEnabledStates)
{
    EXPECT_EQ(TWRC_FAILURE, Disable(false));
    EXPECT_EQ(TWCC_SEQERROR, Status());
    TW_USERINTERFACE ui{};
    EXPECT_EQ(TWRC_FAILURE, DS_Entry(&app, DG_CONTROL, DAT_USERINTERFACE, MSG_ENABLEDSUIONLY, &ui));
    EXPECT_EQ(TWCC_BADPROTOCOL, Status());
}
