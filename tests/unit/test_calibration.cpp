// DoCalibration: the sheet prompt, the paper check, the waiting window and
// the driver's DoCalibrate.
#include "testsupport.h"

#include <cstring>
#include <string>
#include <vector>

#include "calibration.h"
#include "driver.h"
#include "km7d32res.h"
#include "state.h"

namespace {

struct SeenWindow {
    std::string caption;
    std::string title;
    std::string wait;
};
std::vector<std::string> calibrateCalls;
std::vector<SeenWindow> windowsDuringCalibration;
BYTE sheetInFeeder;

BOOL CALLBACK CollectCalibrationWindow(HWND window, LPARAM)
{
    if (!GetDlgItem(window, IDC_CALIBRATION_WAIT))
        return TRUE;
    char caption[200], title[200], wait[200];
    GetWindowTextA(window, caption, sizeof caption);
    GetDlgItemTextA(window, IDC_CALIBRATION_TITLE, title, sizeof title);
    GetDlgItemTextA(window, IDC_CALIBRATION_WAIT, wait, sizeof wait);
    windowsDuringCalibration.push_back({caption, title, wait});
    return TRUE;
}

int WINAPI FakeDoCalibrate(int a, int b, int c)
{
    calibrateCalls.push_back(std::to_string(a) + "," + std::to_string(b) + "," + std::to_string(c));
    EnumThreadWindows(GetCurrentThreadId(), CollectCalibrationWindow, 0);
    return 77;
}

int WINAPI FakeGetADFPaper(BYTE* paper)
{
    *paper = sheetInFeeder;
    return 1;
}

const char kTexts[] =
    "[LANGUAGE]\r\nLANGUAGE=English\r\n[English]\r\nIDS_PUTPAPERMSG=Insert the calibration sheet.\r\n"
    "CaliTitle=Calibrating\r\nIDS_WAIT=Please wait.\r\nIDS_NOPAPER=No paper.\r\nIDS_NOPAPER1=Load it.\r\n";

class CalibrationTest : public SourceTest {
protected:
    void SetUp() override
    {
        SourceTest::SetUp();
        moduleInstance = GetModuleHandleA(nullptr);
        calibrateCalls.clear();
        windowsDuringCalibration.clear();
        FakeDriverBinding();
        driver.doCalibrate = FakeDoCalibrate;
        driver.getADFPaper = FakeGetADFPaper;
        files.Write("\\7d32.ini", kTexts);
    }
    void Model(const char* name)
    {
        std::memset(basicAbility.modelName, 0, sizeof basicAbility.modelName);
        std::memcpy(basicAbility.modelName, name, std::strlen(name));
    }
    bool WindowGone()
    {
        windowsDuringCalibration.clear();
        EnumThreadWindows(GetCurrentThreadId(), CollectCalibrationWindow, 0);
        return windowsDuringCalibration.empty();
    }
};

} // namespace

TEST_F(CalibrationTest, ScannerWithoutSheetCalibratesAtOnce)
{
    Model("KM530C");
    EXPECT_EQ(77, DoCalibration(0x100, 0x201, 0x308));
    EXPECT_EQ(std::vector<std::string>{"0,1,8"}, calibrateCalls) << "low bytes reach the driver";
    EXPECT_TRUE(boxes.boxes.empty());
    EXPECT_TRUE(windowsDuringCalibration.empty());
}

TEST_F(CalibrationTest, EmptyFeederStopsASheetCalibration)
{
    Model("KM36");
    sheetInFeeder = 0;
    EXPECT_EQ(0, DoCalibration(0, 1, 8));
    EXPECT_TRUE(calibrateCalls.empty());
    ASSERT_EQ(2u, boxes.boxes.size());
    EXPECT_EQ("Insert the calibration sheet.", boxes.boxes[0].text);
    EXPECT_EQ("Input paper", boxes.boxes[0].caption);
    EXPECT_EQ(nullptr, boxes.boxes[0].owner);
    EXPECT_EQ(UINT(MB_SYSTEMMODAL | MB_ICONEXCLAMATION), boxes.boxes[0].flags);
    EXPECT_EQ("\n\nNo paper.\nLoad it.", boxes.boxes[1].text);
}

TEST_F(CalibrationTest, SheetInPlaceShowsTheWaitingWindowWhileCalibrating)
{
    for (const char* model : {"KM7D", "KM210X", "KM210XCS", "KM36"}) {
        calibrateCalls.clear();
        windowsDuringCalibration.clear();
        boxes.boxes.clear();
        Model(model);
        sheetInFeeder = 1;
        EXPECT_EQ(77, DoCalibration(0, 1, 8)) << model;
        EXPECT_EQ(1u, boxes.boxes.size()) << "the prompt only";
        ASSERT_EQ(1u, windowsDuringCalibration.size()) << model;
        EXPECT_EQ("Calibrating", windowsDuringCalibration[0].caption);
        EXPECT_EQ("Calibrating", windowsDuringCalibration[0].title);
        EXPECT_EQ("Please wait.", windowsDuringCalibration[0].wait);
        EXPECT_TRUE(WindowGone()) << "destroyed after the calibration";
    }
}

TEST_F(CalibrationTest, OptionBitAsksForTheSheetOnAnyModel)
{
    Model("KM530C");
    scannerAbility.optionFlags = 0x100;
    sheetInFeeder = 1;
    EXPECT_EQ(77, DoCalibration(1, 1, 8));
    EXPECT_EQ(1u, boxes.boxes.size());
    EXPECT_EQ(1u, windowsDuringCalibration.size());
}

TEST_F(CalibrationTest, MissingTextsShowError)
{
    files.Remove("\\7d32.ini");
    Model("KM7D");
    sheetInFeeder = 1;
    DoCalibration(0, 1, 8);
    ASSERT_EQ(1u, boxes.boxes.size());
    EXPECT_EQ("Error", boxes.Last().text);
    ASSERT_EQ(1u, windowsDuringCalibration.size());
    EXPECT_EQ("Error", windowsDuringCalibration[0].caption);
    EXPECT_EQ("Error", windowsDuringCalibration[0].title);
    EXPECT_EQ("Error", windowsDuringCalibration[0].wait);
}

TEST_F(CalibrationTest, NothingWithoutADriver)
{
    UnbindDriver();
    Model("KM7D");
    EXPECT_EQ(706, DoCalibration(0, 1, 8));
    EXPECT_TRUE(boxes.boxes.empty()) << "no prompt for a scanner that is not there";
    EXPECT_TRUE(calibrateCalls.empty());
}
