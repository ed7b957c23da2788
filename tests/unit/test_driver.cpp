// Binding and releasing the scanner driver.
#include "testsupport.h"

#include <cstring>

#include "driver.h"
#include "errors.h"
#include "profile.h"

namespace {

class DriverTest : public SourceTest {
protected:
    void Model(const std::string& path, const std::string& device, const std::string& transfer)
    {
        files.Write("\\7d32.ini", "[DS]\r\nPATH=" + path + "\r\n[LANGUAGE]\r\nLANGUAGE=English\r\n[English]\r\nTWDSM=" +
                                      device + "\r\nSCANMODE=" + transfer + "\r\n");
    }
};

} // namespace

TEST_F(DriverTest, FolderRewrite)
{
    struct Case {
        const char* before;
        const char* after;
    };
    for (Case c : {Case{"\\twain\\", "\\TWAIN_32\\"}, Case{"\\twain_32\\", "\\twain_32\\"},
                   Case{"\\TWAIN_32\\", "\\TWAIN_32\\"}, Case{"\\twain_64\\", "\\TWAIN_32_64\\"},
                   Case{"\\drivers\\", "\\DRIVERS\\"}, Case{"\\a\\twain\\twain\\", "\\A\\TWAIN_32\\TWAIN\\"},
                   Case{"", ""}}) {
        char folder[100];
        std::strcpy(folder, c.before);
        RewriteDriverFolder(folder, sizeof folder);
        EXPECT_STREQ(c.after, folder) << c.before;
    }
    char tight[10] = "\\twain\\";
    RewriteDriverFolder(tight, sizeof tight);
    EXPECT_STREQ("\\TWAIN\\", tight) << "no room to insert: left upper-cased, never overrun";
}

TEST_F(DriverTest, BindsByNameAndRewritesTheFolder)
{
    files.CopyFromBin("fakedevice.dll", "\\twain\\fakedevice.dll");
    Model("\\twain\\", "fakedevice.dll", "missing-transfer.dll");
    ASSERT_TRUE(BindDriver()) << "a missing transfer library does not stop the binding";
    EXPECT_TRUE(DriverBound());
    EXPECT_NE(nullptr, driver.openDeviceDriver);
    EXPECT_NE(nullptr, driver.testScanner);
    EXPECT_EQ(nullptr, driver.avMemXfer);
    EXPECT_EQ(nullptr, driver.createDIB);
    EXPECT_EQ(nullptr, driver.pageFeed) << "not offered by this library";
    EXPECT_STREQ("\\TWAIN_32\\", driverFolder);
    EXPECT_EQ(std::string::npos, files.Read("\\fakedevice.log").find("OpenDeviceDriver"))
        << "OpenDeviceDriver is never called";

    UnbindDriver();
    EXPECT_FALSE(DriverBound());
    EXPECT_EQ(nullptr, driver.testScanner);
    EXPECT_EQ(nullptr, GetModuleHandleA("fakedevice.dll"));
    EXPECT_NE(std::string::npos, files.Read("\\fakedevice.log").find("CloseDeviceDriver"));
}

TEST_F(DriverTest, DeviceLibraryWithoutOpenDeviceDriverIsRefused)
{
    files.CopyFromBin("noopen.dll", "\\fakedrv\\noopen.dll");
    Model("\\fakedrv\\", "noopen.dll", "tevran.dll");
    EXPECT_FALSE(BindDriver());
    EXPECT_FALSE(DriverBound());
    EXPECT_EQ(nullptr, driver.testScanner);
    EXPECT_EQ(nullptr, GetModuleHandleA("noopen.dll"));
    UnbindDriver();
    EXPECT_EQ(std::string::npos, files.Read("\\fakedevice.log").find("CloseDeviceDriver"))
        << "a refused library is never closed";
}

TEST_F(DriverTest, MissingDeviceLibraryOrModelFileFails)
{
    Model("\\fakedrv\\", "nothere.dll", "tevran.dll");
    EXPECT_FALSE(BindDriver());
    files.Remove("\\7d32.ini");
    EXPECT_FALSE(BindDriver()) << "folder \"Error\", morlin.dll there does not exist";
    EXPECT_STREQ("Error", driverFolder);
}

TEST_F(DriverTest, BindingTwiceReleasesTheEarlierBinding)
{
    files.CopyFromBin("fakedevice.dll", "\\fakedrv\\fakedevice.dll");
    Model("\\fakedrv\\", "fakedevice.dll", "x.dll");
    ASSERT_TRUE(BindDriver());
    ASSERT_TRUE(BindDriver());
    UnbindDriver();
    EXPECT_EQ(nullptr, GetModuleHandleA("fakedevice.dll")) << "one load per binding";
}

TEST_F(DriverTest, ErrorReportAsksTheBoundDriver)
{
    files.CopyFromBin("fakedevice.dll", "\\fakedrv\\fakedevice.dll");
    Model("\\fakedrv\\", "fakedevice.dll", "x.dll");
    files.Write("\\fakedevice.ini", "[Fake]\r\nStatus=42\r\n");
    DS_Error(nullptr, "", 11);
    EXPECT_TRUE(boxes.boxes.empty()) << "no driver bound: nothing to describe";
    ASSERT_TRUE(BindDriver());
    DS_Error(nullptr, "", 11);
    ASSERT_EQ(1u, boxes.boxes.size());
    EXPECT_EQ("Error Code : 42\n\nUnknow error.", boxes.Last().text);
    UnbindDriver();
    DS_Error(nullptr, "", 11);
    EXPECT_EQ(1u, boxes.boxes.size()) << "the status query runs after close without the table";
}
