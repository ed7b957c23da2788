// The companion program stand-in vostel32.exe.
#include "testsupport.h"

namespace {

class CompanionTest : public ::testing::Test {
protected:
    WindowsFiles files;
    std::string program = ProgramFolder() + "vostel32.exe";
    void SetUp() override { files.Remove("\\vostel32.log"); }
};

} // namespace

TEST_F(CompanionTest, AppendsItsFirstArgumentAsOneLine)
{
    for (const char* word : {"twain_in", "twain_out", "twain_false"})
        EXPECT_EQ(0u, RunProgram(program, {word}).exitCode) << word;
    EXPECT_EQ("twain_in\r\ntwain_out\r\ntwain_false\r\n", files.Read("\\vostel32.log"));

    EXPECT_EQ(0u, RunProgram(program, {"two words", "ignored"}).exitCode);
    EXPECT_EQ("twain_in\r\ntwain_out\r\ntwain_false\r\ntwo words\r\n",
              files.Read("\\vostel32.log"));
}

TEST_F(CompanionTest, WithoutArgumentItWritesNothing)
{
    EXPECT_EQ(0u, RunProgram(program, {}).exitCode);
    EXPECT_FALSE(files.Exists("\\vostel32.log"));
}
