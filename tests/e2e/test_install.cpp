// The installed source as Wine's source manager sees it.
#include "e2e.h"

namespace {

TEST_F(E2eTest, SourceManagerListsTheInstalledSource)
{
    const RunResult run = Scan({"--list"});
    EXPECT_EQ(run.exitCode, 0u) << Describe(run);
    EXPECT_TRUE(AnyLineContains(run.OutLines(), "Tovrin")) << Describe(run);
    for (const auto& line : run.OutLines()) {
        if (line.find("Tovrin") != std::string::npos) {
            EXPECT_EQ(line, "Tovrin");
        }
    }
}

TEST_F(E2eTest, InstalledFilesHaveWindowsLineEnds)
{
    for (const char* name : {"\\7d32.ini", "\\easy.ini", "\\vscanner.ini"}) {
        const std::string text = ReadWholeFile(WindowsFile(name));
        ASSERT_FALSE(text.empty()) << name;
        size_t bare = 0;
        for (size_t i = 0; i < text.size(); ++i)
            bare += text[i] == '\n' && (i == 0 || text[i - 1] != '\r');
        EXPECT_EQ(bare, 0u) << name;
    }
    char value[64];
    GetPrivateProfileStringA("DS", "DSNAME", "", value, sizeof value, WindowsFile("\\7d32.ini").c_str());
    EXPECT_STREQ(value, "sane.ds");
    GetPrivateProfileStringA("Easy", "function", "", value, sizeof value, WindowsFile("\\7d32.ini").c_str());
    EXPECT_STREQ(value, "CreateSimpleDialog");
    EXPECT_TRUE(PathExists(WindowsFile("\\twain_64\\sane.ds")));
    EXPECT_TRUE(PathExists(WindowsFile("\\twain_32.dll")));
}

// What the tests rely on to change the scanner: a key set in its section,
// and the file as installed again after the test.
TEST_F(E2eTest, ScannerSettingsChangedByATestAreRestored)
{
    const std::string path = WindowsFile("\\vscanner.ini");
    const std::string installed = ReadWholeFile(path);
    {
        RestoredFile restored(path);
        SetIniValue(path, "Faults", "Transfer", "701");
        EXPECT_EQ(GetPrivateProfileIntA("Faults", "Transfer", 0, path.c_str()), 701u);
        const std::string changed = ReadWholeFile(path);
        EXPECT_EQ(changed.find("[Faults]"), changed.rfind("[Faults]")) << changed;
    }
    EXPECT_EQ(ReadWholeFile(path), installed);
    EXPECT_EQ(GetPrivateProfileIntA("Faults", "Transfer", 0, path.c_str()), 0u);
}

} // namespace
