// The profile layer: paths, defaults, maximum lengths, writes.
#include "testsupport.h"

#include "profile.h"

namespace {

class ProfileTest : public SourceTest {
protected:
    std::string file;
    void SetUp() override
    {
        SourceTest::SetUp();
        file = files.Write("\\kmscan32.ini",
                           "[Kelmora Scanner]\r\nScan Page=3\r\nNegative=-12\r\nGarbage=abc\r\n"
                           "Text=Hello World\r\nLong=0123456789012345678901234567890123456789\r\n");
    }
};

} // namespace

TEST_F(ProfileTest, PathsAreTheWindowsDirectoryFollowedByTheName)
{
    char windows[MAX_PATH];
    GetWindowsDirectoryA(windows, MAX_PATH);
    EXPECT_EQ(std::string(windows) + "\\7d32.ini", ModelFilePath());
    EXPECT_EQ(std::string(windows) + "\\kmscan32.ini", SettingsFilePath());
    EXPECT_EQ(std::string(windows) + "\\twain_64\\x.dll", WindowsPath("\\twain_64\\x.dll"));
}

TEST_F(ProfileTest, IntegersWithDefaults)
{
    EXPECT_EQ(3, ReadInt(file, kSectionScanner, "Scan Page", 1));
    EXPECT_EQ(3, ReadInt(file, kSectionScanner, "scan page", 1)) << "keys ignore case";
    EXPECT_EQ(-12, ReadInt(file, kSectionScanner, "Negative", 0));
    EXPECT_EQ(0, ReadInt(file, kSectionScanner, "Garbage", 7));
    EXPECT_EQ(7, ReadInt(file, kSectionScanner, "Missing", 7));
    EXPECT_EQ(-1, ReadInt(file, "No Such Section", "Scan Page", -1));
    EXPECT_EQ(5, ReadInt(WindowsPath("\\nofile.ini"), kSectionScanner, "Scan Page", 5));
}

TEST_F(ProfileTest, TextsWithDefaultsAndMaximumLengths)
{
    EXPECT_EQ("Hello World", ReadText(file, kSectionScanner, "Text", "Error", 179));
    EXPECT_EQ("Hello", ReadText(file, kSectionScanner, "Text", "Error", 5));
    EXPECT_EQ("Error", ReadText(file, kSectionScanner, "Missing", "Error", 179));
    EXPECT_EQ("Err", ReadText(file, kSectionScanner, "Missing", "Error", 3)) << "defaults are cut too";
    EXPECT_EQ("", ReadText(file, kSectionScanner, "Missing", "", 9));
    struct Case {
        int max;
        size_t expected;
    };
    for (Case c : {Case{29, 29}, Case{33, 33}, Case{99, 40}, Case{0, 0}})
        EXPECT_EQ(c.expected, ReadText(file, kSectionScanner, "Long", "", c.max).size()) << c.max;
}

TEST_F(ProfileTest, WritesAndDeletes)
{
    EXPECT_TRUE(WriteInt(file, "1", "Resolution", -300));
    EXPECT_EQ(-300, ReadInt(file, "1", "Resolution", 0));
    EXPECT_TRUE(WriteText(file, "1", "Name", "Tovrin"));
    EXPECT_EQ("Tovrin", ReadText(file, "1", "Name", "", 33));
    EXPECT_TRUE(WriteText(file, "1", "Name", nullptr));
    EXPECT_EQ("gone", ReadText(file, "1", "Name", "gone", 33));
    EXPECT_NE(std::string::npos, files.Read("\\kmscan32.ini").find("Resolution=-300"));
}

TEST_F(ProfileTest, WinIniThroughTheSameHelpers)
{
    EXPECT_TRUE(WriteText(kWinIni, kSectionScanner, "OpenDS", "1"));
    EXPECT_EQ(1, ReadInt(kWinIni, kSectionScanner, "OpenDS", 0));
    EXPECT_EQ("1", ReadText(kWinIni, kSectionScanner, "OpenDS", "", 9));
    EXPECT_TRUE(WriteText(kWinIni, kSectionScanner, "OpenDS", nullptr));
    EXPECT_EQ(-1, ReadInt(kWinIni, kSectionScanner, "OpenDS", -1));
}

TEST_F(ProfileTest, LanguageOfTheModelFile)
{
    EXPECT_EQ("English", ReadLanguage("English")) << "no model file";
    EXPECT_EQ("Error", ReadLanguage("Error"));
    files.Write("\\7d32.ini", "[language]\r\nlanguage=" + std::string(40, 'L') + "\r\n");
    EXPECT_EQ(std::string(29, 'L'), ReadLanguage("Error"));
}

TEST_F(ProfileTest, ModuleStringsHaveTheirBuiltInTexts)
{
    EXPECT_EQ("\\7d32.ini", ModuleString(kStringModelFile));
    EXPECT_EQ("\\kmscan32.ini", ModuleString(kStringSettingsFile));
    EXPECT_EQ("Kelmora", ModuleString(kStringCompany));
}
