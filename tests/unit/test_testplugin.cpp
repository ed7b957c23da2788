// The test UI plug-in: what it logs, how it finds the data source's
// notifications, and its refusal to load under chosen names.
#include "testsupport.h"

#include <sstream>

#include "profile.h"
#include "testplugin.h"

namespace {

int xferReadyCalls;
int closeRequestCalls;
HWND watchedDialog;
bool dialogAliveAtClose;

int WINAPI CountXferReady()
{
    ++xferReadyCalls;
    return 1;
}

int WINAPI CountCloseRequest()
{
    ++closeRequestCalls;
    dialogAliveAtClose = IsWindow(watchedDialog) != FALSE;
    return 1;
}

template <typename Function>
FARPROC AsFarProc(Function* function)
{
    return reinterpret_cast<FARPROC>(reinterpret_cast<void (*)()>(function));
}

std::vector<std::string> Lines(const std::string& text)
{
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        lines.push_back(line);
    }
    return lines;
}

bool EndsWith(const std::string& text, const std::string& end)
{
    return text.size() >= end.size() &&
           _stricmp(text.c_str() + text.size() - end.size(), end.c_str()) == 0;
}

class TestPluginTest : public ::testing::Test {
protected:
    WindowsFiles files;
    HMODULE plugin = nullptr;
    CreateTestDialogProc create = nullptr;
    TestPluginUseExportsProc useExports = nullptr;
    HWND parent = nullptr;

    void SetUp() override
    {
        files.Remove(kTestPluginLog);
        files.Remove(kTestPluginIni);
        files.Remove("\\7d32.ini");
        xferReadyCalls = closeRequestCalls = 0;
        dialogAliveAtClose = false;
        plugin = LoadLibraryA((ProgramFolder() + "testplugin.dll").c_str());
        ASSERT_NE(nullptr, plugin);
        create = reinterpret_cast<CreateTestDialogProc>(
            reinterpret_cast<void (*)()>(GetProcAddress(plugin, "CreateTestDialog")));
        useExports = reinterpret_cast<TestPluginUseExportsProc>(
            reinterpret_cast<void (*)()>(GetProcAddress(plugin, "TestPluginUseExports")));
        ASSERT_NE(nullptr, create);
        ASSERT_NE(nullptr, useExports);
        parent = CreateWindowExA(0, "STATIC", "parent", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                                 nullptr, nullptr);
    }
    void TearDown() override
    {
        if (parent)
            DestroyWindow(parent);
        if (plugin)
            FreeLibrary(plugin);
    }
    std::vector<std::string> Log() const { return Lines(files.Read(kTestPluginLog)); }
    static void Press(HWND dialog, int id)
    {
        SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                     reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
    }
};

} // namespace

TEST_F(TestPluginTest, DialogOwnedByTheParentScansAndClosesThroughTheGivenExports)
{
    useExports(AsFarProc(CountXferReady), AsFarProc(CountCloseRequest));
    HWND dialog = create(parent);
    ASSERT_NE(nullptr, dialog);
    watchedDialog = dialog;
    EXPECT_EQ(parent, GetWindow(dialog, GW_OWNER));
    char text[16];
    GetDlgItemTextA(dialog, IDC_TESTPLUGIN_SCAN, text, sizeof text);
    EXPECT_STREQ("Scan", text);

    Press(dialog, IDC_TESTPLUGIN_SCAN);
    EXPECT_EQ(1, xferReadyCalls);
    EXPECT_EQ(0, closeRequestCalls);
    EXPECT_TRUE(IsWindow(dialog));

    Press(dialog, IDCANCEL);
    EXPECT_FALSE(IsWindow(dialog));
    EXPECT_EQ(1, closeRequestCalls);
    EXPECT_FALSE(dialogAliveAtClose) << "the dialog is gone before the close request";

    const auto log = Log();
    ASSERT_EQ(3u, log.size());
    EXPECT_TRUE(EndsWith(log[0], "\\testplugin.dll")) << log[0];
    EXPECT_EQ(0u, log[0].rfind("attach ", 0)) << log[0];
    EXPECT_EQ("create parent", log[1]);
    EXPECT_EQ("cancel", log[2]);

    FreeLibrary(plugin);
    plugin = nullptr;
    EXPECT_EQ("detach", Log().back());
}

TEST_F(TestPluginTest, WithoutParent)
{
    HWND dialog = create(nullptr);
    ASSERT_NE(nullptr, dialog);
    EXPECT_EQ(nullptr, GetWindow(dialog, GW_OWNER));
    EXPECT_EQ("create null", Log().back());
    DestroyWindow(dialog);
}

TEST_F(TestPluginTest, FindsTheNotificationsByTheConfiguredDataSourceName)
{
    files.Write("\\7d32.ini", "[DS]\r\nDSNAME=notifyds.dll\r\n");
    HWND dialog = create(parent);
    ASSERT_NE(nullptr, dialog);
    Press(dialog, IDC_TESTPLUGIN_SCAN);
    Press(dialog, IDCANCEL);
    auto log = Log();
    ASSERT_EQ(5u, log.size());
    EXPECT_EQ("NotifyXferReady", log[2]);
    EXPECT_EQ("cancel", log[3]);
    EXPECT_EQ("NotifyCloseDSReq", log[4]);

    // Functions handed over take precedence; two nulls return to the lookup.
    useExports(AsFarProc(CountXferReady), AsFarProc(CountCloseRequest));
    dialog = create(parent);
    Press(dialog, IDC_TESTPLUGIN_SCAN);
    EXPECT_EQ(1, xferReadyCalls);
    EXPECT_EQ(6u, Log().size()) << "notifyds was not called";
    useExports(nullptr, nullptr);
    Press(dialog, IDC_TESTPLUGIN_SCAN);
    EXPECT_EQ(1, xferReadyCalls);
    EXPECT_EQ("NotifyXferReady", Log().back());
    DestroyWindow(dialog);
}

TEST_F(TestPluginTest, MissingDataSourceOrExportsAreNeverCalled)
{
    // No model file: the default name km470.ds, which does not exist.
    HWND dialog = create(parent);
    ASSERT_NE(nullptr, dialog);
    Press(dialog, IDC_TESTPLUGIN_SCAN);
    Press(dialog, IDCANCEL);
    EXPECT_FALSE(IsWindow(dialog));

    // A data source without the two exports.
    files.Write("\\7d32.ini", "[DS]\r\nDSNAME=km7d32.ds\r\n");
    dialog = create(parent);
    ASSERT_NE(nullptr, dialog);
    Press(dialog, IDC_TESTPLUGIN_SCAN);
    Press(dialog, IDCANCEL);
    EXPECT_FALSE(IsWindow(dialog));

    // Only one function handed over.
    useExports(AsFarProc(CountXferReady), nullptr);
    dialog = create(parent);
    Press(dialog, IDC_TESTPLUGIN_SCAN);
    Press(dialog, IDCANCEL);
    EXPECT_EQ(1, xferReadyCalls);
    EXPECT_EQ(0, closeRequestCalls);
}

TEST_F(TestPluginTest, RefusesToLoadUnderTheNamesTheIniLists)
{
    const std::string first = WindowsPath("\\tpfirst.dll");
    const std::string second = WindowsPath("\\tpsecond.dll");
    ASSERT_TRUE(CopyFileA((ProgramFolder() + "testplugin.dll").c_str(), first.c_str(), FALSE));
    ASSERT_TRUE(CopyFileA((ProgramFolder() + "testplugin.dll").c_str(), second.c_str(), FALSE));
    files.Write(kTestPluginIni, "[Refuse]\r\ntpfirst.dll=1\r\ntpsecond.dll=0\r\n");
    files.Remove(kTestPluginLog);

    EXPECT_EQ(nullptr, LoadLibraryA(first.c_str()));
    HMODULE loaded = LoadLibraryA(second.c_str());
    EXPECT_NE(nullptr, loaded);
    if (loaded)
        FreeLibrary(loaded);

    std::vector<std::string> attaches;
    for (const auto& line : Log())
        if (line.rfind("attach ", 0) == 0)
            attaches.push_back(line);
    ASSERT_EQ(2u, attaches.size());
    EXPECT_TRUE(EndsWith(attaches[0], "\\tpfirst.dll")) << attaches[0];
    EXPECT_TRUE(EndsWith(attaches[1], "\\tpsecond.dll")) << attaches[1];
    EXPECT_TRUE(DeleteFileA(first.c_str()));
    EXPECT_TRUE(DeleteFileA(second.c_str()));
}
