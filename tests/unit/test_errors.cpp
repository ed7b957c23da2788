// DS_Error: the texts it composes from the model file and the driver status.
#include "testsupport.h"

#include "driver.h"
#include "errors.h"
#include "messagebox.h"

namespace {

LONG fakeStatus;
int WINAPI FakeStatus(BYTE*, BYTE*, BYTE*, LONG* status)
{
    *status = fakeStatus;
    return 1;
}

const char kEnglishModel[] =
    "[LANGUAGE]\r\nLANGUAGE=English\r\n"
    "[English]\r\n"
    "IDS_LOWMEMORY=Not enough memory.\r\n"
    "IDS_NOPAPER=No paper.\r\nIDS_NOPAPER1=Load paper.\r\n"
    "IDS_NODISK=Disk full.\r\nIDS_NODISK1=Free space.\r\n"
    "IDS_WRITEERROR=W0\r\nIDS_WRITEERROR1=W1\r\nIDS_WRITEERROR2=W2\r\nIDS_WRITEERROR3=W3\r\n"
    "IDS_WRITEERROR4=W4\r\n"
    "IDS_BADSIZE=Area too small.\r\nIDS_BADWIDTH=Bad width.\r\n"
    "IDS_WARMUP=Warming up.\r\nIDS_WARMUP1=Wait.\r\n"
    "Err42=Paper jam.\r\nErr155=Lamp cold.\r\n";

struct FixedCase {
    LONG code;
    const char* withTexts;    // nullptr: no box
    const char* withDefaults; // no model file, or an unknown language
};

const FixedCase kFixedCases[] = {
    {2, "\n\nNot enough memory.", "\n\nError"},
    {3, nullptr, nullptr},
    {701, "\n\nNo paper.\nLoad paper.", "\n\nError\nError"},
    {703, "\n\nDisk full.\nFree space.", "\n\nError\nError"},
    {704, "\n\nW0\nW1\nW2\nW3\nW4", "\n\nError\nError\nError\nError\nError"},
    {705, nullptr, nullptr},
    {710, "\n\nArea too small.", "\n\nError"},
    {711, "\n\nBad width.", "\n\nError"},
};

class ErrorTest : public SourceTest {
protected:
    void SetUp() override
    {
        SourceTest::SetUp();
        driver.parallPortStatusEx = FakeStatus;
        fakeStatus = 42; // fixed codes must not consult it
    }
    void ExpectBox(LONG code, const char* expected)
    {
        SCOPED_TRACE(code);
        boxes.boxes.clear();
        HWND owner = reinterpret_cast<HWND>(0x1234);
        DS_Error(owner, "caller text", code);
        if (!expected) {
            EXPECT_TRUE(boxes.boxes.empty());
            return;
        }
        ASSERT_EQ(1u, boxes.boxes.size());
        EXPECT_EQ(expected, boxes.Last().text);
        EXPECT_EQ("Message", boxes.Last().caption);
        EXPECT_EQ(UINT(MB_SYSTEMMODAL | MB_ICONEXCLAMATION), boxes.Last().flags);
        EXPECT_EQ(owner, boxes.Last().owner);
    }
};

} // namespace

TEST_F(ErrorTest, FixedCodesWithTheModelFile)
{
    files.Write("\\7d32.ini", kEnglishModel);
    for (const auto& c : kFixedCases)
        ExpectBox(c.code, c.withTexts);
}

TEST_F(ErrorTest, FixedCodesWithoutTheModelFile)
{
    for (const auto& c : kFixedCases)
        ExpectBox(c.code, c.withDefaults);
}

TEST_F(ErrorTest, FixedCodesWithAMissingLanguageSection)
{
    std::string model = kEnglishModel;
    model.replace(model.find("LANGUAGE=English"), 16, "LANGUAGE=Klingon");
    files.Write("\\7d32.ini", model);
    for (const auto& c : kFixedCases)
        ExpectBox(c.code, c.withDefaults);
}

TEST_F(ErrorTest, DriverStatusGroup)
{
    files.Write("\\7d32.ini", kEnglishModel);
    struct Case {
        LONG code;
        LONG status;
        const char* expected;
    };
    const Case cases[] = {
        {713, 155, "Warming up.\nWait."},
        {713, 164, "Warming up.\nWait."},
        {713, 42, "Error Code : 42\n\nPaper jam."},
        {11, 155, "Error Code : 155\n\nLamp cold."},
        {11, 7, "Error Code : 7\n\nUnknow error."},
        {706, -3, "Error Code : -3\n\nUnknow error."},
        {9, 0, nullptr},
        {713, 0, nullptr},
        {4, 123, "caller text"},
    };
    for (const auto& c : cases) {
        fakeStatus = c.status;
        ExpectBox(c.code, c.expected);
    }
}

TEST_F(ErrorTest, WarmUpDefaultsWithoutTheModelFile)
{
    fakeStatus = 155;
    ExpectBox(713, "Scanner lamp does not warm up yet.\nPlease wait 30 seconds and try again.");
}

TEST_F(ErrorTest, CallerTextMayBeNull)
{
    fakeStatus = 123;
    DS_Error(nullptr, nullptr, 11);
    ASSERT_EQ(1u, boxes.boxes.size());
    EXPECT_EQ("", boxes.Last().text);
}

TEST_F(ErrorTest, NoDriverBoundShowsNothingForTheStatusGroup)
{
    driver = DriverTable{};
    ExpectBox(11, nullptr);
    ExpectBox(706, nullptr);
    ExpectBox(2, "\n\nError") ; // fixed codes need no driver
}

TEST_F(ErrorTest, LongTextsAreCutAtTheMessageLimit)
{
    const std::string longText(400, 'x');
    std::string model = "[LANGUAGE]\r\nLANGUAGE=English\r\n[English]\r\n";
    for (const char* key : {"IDS_WRITEERROR", "IDS_WRITEERROR1", "IDS_WRITEERROR2", "IDS_WRITEERROR3",
                            "IDS_WRITEERROR4", "IDS_BADSIZE", "Err42"})
        model += std::string(key) + "=" + longText + "\r\n";
    files.Write("\\7d32.ini", model);

    DS_Error(nullptr, nullptr, 710);
    ASSERT_EQ(1u, boxes.boxes.size());
    EXPECT_EQ("\n\n" + std::string(179, 'x'), boxes.Last().text) << "each text at most 179";

    DS_Error(nullptr, nullptr, 704);
    EXPECT_EQ(kErrorTextMax, boxes.Last().text.size());
    EXPECT_EQ("\n\n" + std::string(179, 'x') + "\n" + std::string(73, 'x'), boxes.Last().text);

    fakeStatus = 123;
    DS_Error(nullptr, longText.c_str(), 11);
    EXPECT_EQ(std::string(kErrorTextMax, 'x'), boxes.Last().text);
}
