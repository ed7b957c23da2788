// The per-application table apsetup.ini.
#include "testsupport.h"

#include "profile.h"
#include "userinterface.h"

namespace {

class RegistrationTest : public SourceTest {
protected:
    std::string table;
    void SetUp() override
    {
        SourceTest::SetUp();
        table = WindowsPath("\\apsetup.ini");
        files.Remove("\\apsetup.ini");
    }
    std::string Slot(int k) { return ReadText(table, "Index Mapping ApName", std::to_string(k).c_str(), "", 33); }
};

} // namespace

TEST_F(RegistrationTest, NewApplicationTakesTheFirstFreeSlot)
{
    ASSERT_TRUE(RegisterApplication("Scan Pro"));
    EXPECT_EQ("Scan Pro", Slot(0));
    EXPECT_EQ("Scan Pro", ReadText(table, "ApName Mapping", "Scan Pro", "", 33));
    EXPECT_EQ("Scan Pro", ReadText(table, "Alias Mapping", "Scan Pro", "", 33));
    EXPECT_EQ(0, ReadInt(table, "LineArt", "Scan Pro", -1));
    EXPECT_EQ(0, ReadInt(table, "Gray", "Scan Pro", -1));

    ASSERT_TRUE(RegisterApplication("Other"));
    EXPECT_EQ("Other", Slot(1));

    const std::string before = files.Read("\\apsetup.ini");
    ASSERT_TRUE(RegisterApplication("Scan Pro"));
    EXPECT_EQ(before, files.Read("\\apsetup.ini")) << "a known application leaves the file unchanged";
}

TEST_F(RegistrationTest, HolesAreReusedAndAnyLineArtValueCountsAsKnown)
{
    files.Write("\\apsetup.ini", "[Index Mapping ApName]\r\n0=A\r\n1=\r\n2=C\r\n[LineArt]\r\nKnown=1\r\n");
    ASSERT_TRUE(RegisterApplication("New"));
    EXPECT_EQ("New", Slot(1));
    const std::string before = files.Read("\\apsetup.ini");
    ASSERT_TRUE(RegisterApplication("Known"));
    EXPECT_EQ(before, files.Read("\\apsetup.ini"));
}

TEST_F(RegistrationTest, FullTableRefusesAndNeverUsesSlot99)
{
    std::string content = "[Index Mapping ApName]\r\n";
    for (int k = 0; k <= 98; ++k)
        content += std::to_string(k) + "=App" + std::to_string(k) + "\r\n";
    files.Write("\\apsetup.ini", content);
    EXPECT_FALSE(RegisterApplication("Late"));
    EXPECT_EQ("", Slot(99));
    EXPECT_EQ(-1, ReadInt(table, "LineArt", "Late", -1));
}
