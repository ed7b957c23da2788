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
    EXPECT_TRUE(FileExists(WindowsFile("\\twain_64\\sane.ds")));
    EXPECT_TRUE(FileExists(WindowsFile("\\twain_32.dll")));
}

} // namespace
