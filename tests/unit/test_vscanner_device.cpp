// The virtual scanner's device library: ability records, the call log, the
// fault switches and the feeder's sheets shared with the transfer library.
#include <cstring>
#include <functional>

#include "vscanner_test.h"

namespace {

std::string Text(const char* field, size_t size)
{
    return std::string(field, strnlen(field, size));
}

class DeviceTest : public VirtualScannerTest {};

} // namespace

TEST_F(DeviceTest, AbilityRecordsHaveTheDefaultsWithoutConfiguration)
{
    BasicAbility basic;
    std::memset(&basic, 0xEE, sizeof basic);
    ASSERT_EQ(1, d.getAbilityForUI(&basic));
    EXPECT_EQ(0, std::memcmp(basic.modelName, "KM530C\0\0", 8));
    EXPECT_EQ(0, std::memcmp(basic.firmwareVersion, "1.10", 4));
    EXPECT_EQ(600, basic.opticalResolution);
    EXPECT_EQ(1200, basic.maxXResolution);
    EXPECT_EQ(1200, basic.maxYResolution);
    EXPECT_EQ(1, basic.hasExtendedAbility);
    EXPECT_EQ(32, basic.colorFlags);
    EXPECT_EQ(160, basic.scannerType);
    EXPECT_EQ(2550, basic.flatbedWidth);
    EXPECT_EQ(3508, basic.flatbedLength);
    EXPECT_EQ(2550, basic.feederWidth);
    EXPECT_EQ(4200, basic.feederLength);

    ScannerAbility ex;
    std::memset(&ex, 0xEE, sizeof ex);
    ASSERT_EQ(1, d.getAbilityForUIEx(&ex));
    EXPECT_EQ("KM530C", Text(ex.modelName, 20));
    EXPECT_EQ("1.10", Text(ex.firmwareVersion, 8));
    EXPECT_EQ("SCSI", Text(ex.interfaceName, 12));
    EXPECT_EQ("None", Text(ex.auxiliaryName, 8));
    const BYTE codes[8] = {1, 2, 3, 4, 5, 6, 7, 8};
    EXPECT_EQ(0, std::memcmp(codes, ex.halftoneCodes, 8));
    EXPECT_EQ(0x00300109u, ex.optionFlags);
    EXPECT_EQ(0u, ex.driverFlags);
    EXPECT_EQ(1u, ex.recordFlags & 1);
    EXPECT_EQ(2550, ex.flatbedWidth);
    EXPECT_EQ(3508, ex.flatbedLength);
    EXPECT_EQ(2550, ex.feederWidth);
    EXPECT_EQ(4200, ex.feederLength);
    EXPECT_EQ(600, ex.opticalResolution);
    EXPECT_EQ(1200, ex.maxXResolution);
    EXPECT_EQ(1200, ex.maxYResolution);
    EXPECT_EQ(1200, ex.maxColorXResolution);
    EXPECT_EQ(1200, ex.maxColorYResolution);
    EXPECT_EQ(32, ex.colorFlags);
    EXPECT_EQ(160, ex.scannerType);
    EXPECT_EQ(8, ex.lineArtWidthAlign);
    EXPECT_EQ(2, ex.grayWidthAlign);
    EXPECT_EQ(4, ex.colorWidthAlign);
    EXPECT_EQ(8, ex.halftoneWidthAlign);
    EXPECT_EQ(8, ex.diffusionWidthAlign);
}

TEST_F(DeviceTest, AbilityRecordsFollowTheConfiguration)
{
    Config("[Scanner]\r\nModel=KM730C Professional Edition\r\nFirmware=2.3456789\r\n"
           "Type=64\r\nOptical=300\r\nMaxX=600\r\nMaxY=800\r\nMaxColorY=400\r\nColorFlags=0\r\n"
           "FlatbedWidth=2000\r\nFlatbedLength=3000\r\nFeederWidth=2400\r\nFeederLength=5000\r\n"
           "Extended=0\r\nInterface=IF01 parallel cable\r\nAuxiliary=ADF\r\n"
           "OptionFlags=0x80\r\nDriverFlags=25165824\r\nHalftoneCodes=6,3,4\r\n"
           "Align=32,4,4,32,16\r\n");
    BasicAbility basic;
    ASSERT_EQ(1, d.getAbilityForUI(&basic));
    EXPECT_EQ(0, std::memcmp(basic.modelName, "KM730C P", 8)) << "first 8 characters, no terminator";
    EXPECT_EQ(0, std::memcmp(basic.firmwareVersion, "2.34", 4));
    EXPECT_EQ(0, basic.hasExtendedAbility);
    EXPECT_EQ(64, basic.scannerType);
    EXPECT_EQ(0, basic.colorFlags);
    EXPECT_EQ(300, basic.opticalResolution);
    EXPECT_EQ(600, basic.maxXResolution);
    EXPECT_EQ(800, basic.maxYResolution);
    EXPECT_EQ(2000, basic.flatbedWidth);
    EXPECT_EQ(5000, basic.feederLength);

    ScannerAbility ex;
    ASSERT_EQ(1, d.getAbilityForUIEx(&ex));
    EXPECT_EQ(0, std::memcmp(ex.modelName, "KM730C Professional ", 20));
    EXPECT_EQ(0, std::memcmp(ex.firmwareVersion, "2.345678", 8));
    EXPECT_EQ(0, std::memcmp(ex.interfaceName, "IF01 paralle", 12));
    EXPECT_EQ("ADF", Text(ex.auxiliaryName, 8));
    const BYTE codes[8] = {6, 3, 4, 0, 0, 0, 0, 0};
    EXPECT_EQ(0, std::memcmp(codes, ex.halftoneCodes, 8));
    EXPECT_EQ(0x80u, ex.optionFlags) << "hexadecimal";
    EXPECT_EQ(0x01800000u, ex.driverFlags) << "decimal";
    EXPECT_EQ(600, ex.maxColorXResolution) << "defaults to MaxX";
    EXPECT_EQ(400, ex.maxColorYResolution);
    EXPECT_EQ(64, ex.scannerType);
    EXPECT_EQ(32, ex.lineArtWidthAlign);
    EXPECT_EQ(4, ex.grayWidthAlign);
    EXPECT_EQ(4, ex.colorWidthAlign);
    EXPECT_EQ(32, ex.halftoneWidthAlign);
    EXPECT_EQ(16, ex.diffusionWidthAlign);
}

TEST_F(DeviceTest, NullRecordsAreRefusedAndLogged)
{
    EXPECT_EQ(0, d.getAbilityForUI(nullptr));
    EXPECT_EQ("GetAbilityForUI(0) = 0", LastLogLine());
    EXPECT_EQ(0, d.getAbilityForUIEx(nullptr));
    EXPECT_EQ(0, d.getADFPaper(nullptr));
    EXPECT_EQ(0, d.eopStatusEx(nullptr));
    EXPECT_EQ(0, d.parallPortStatusEx(nullptr, nullptr, nullptr, nullptr));
}

TEST_F(DeviceTest, EveryDeviceFunctionLogsOneLine)
{
    BYTE byte = 0;
    LONG status = 0;
    BasicAbility basic;
    ScannerAbility ex;
    ScanSettings settings = {};
    struct Case {
        std::function<void()> call;
        const char* line;
    };
    const Case cases[] = {
        {[&] { d.testScanner(window, 0x100); }, "TestScanner(ptr, 0) = 1"},
        {[&] { d.testScanner(nullptr, 2); }, "TestScanner(0, 2) = 1"},
        {[&] { d.doCalibrate(0x101, 1, 8); }, "DoCalibrate(1, 1, 8) = 1"},
        {[&] { d.changeSpeedMode(1); }, "ChangeSpeedMode(1) = 1"},
        {[&] { d.changeParallPort(0x204); }, "ChangeParallPort(4) = 1"},
        {[&] { d.flatbedTransSwitch(1); }, "FlatbedTransSwitch(1) = 1"},
        {[&] { d.selectScanner(-5); }, "SelectScanner(-5) = 1"},
        {[&] { d.flatbedOrTrans(&settings); }, "FlatbedOrTrans(ptr) = 1"},
        {[&] { d.getAbilityForUI(&basic); }, "GetAbilityForUI(ptr) = 1"},
        {[&] { d.getAbilityForUIEx(&ex); }, "GetAbilityForUIEx(ptr) = 1"},
        {[&] { d.getADFPaper(&byte); }, "GetADFPaper(ptr) = 1"},
        {[&] { d.eopStatus(); }, "EOPStatus() = 1"},
        {[&] { d.eopStatusEx(&byte); }, "EOPStatusEx(ptr) = 1"},
        {[&] { d.paperFeed(); }, "PaperFeed() = 0"},
        {[&] { d.pageFeed(); }, "PageFeed()"},
        {[&] { d.slowDownSpeed(); }, "SlowDownSpeed() = 1"},
        {[&] { d.speedUpSpeed(); }, "SpeedUpSpeed() = 1"},
        {[&] { d.trunOnLamp(); }, "TrunOnLamp() = 1"},
        {[&] { d.trunOffLamp(); }, "TrunOffLamp() = 1"},
        {[&] { d.parallPortStatusEx(&byte, &byte, &byte, &status); },
         "ParallPortStatusEx(ptr, ptr, ptr, ptr) = 0"},
        {[&] { d.checkDiskSpace("C:\\windows"); }, "CheckDiskSpace(\"C:\\windows\") = 1"},
        {[&] { d.openDeviceDriver(); }, "OpenDeviceDriver() = 1"},
        {[&] { d.closeDeviceDriver(); }, "CloseDeviceDriver()"},
    };
    for (const Case& c : cases) {
        const size_t before = LogLines().size();
        c.call();
        const auto lines = LogLines();
        ASSERT_EQ(before + 1, lines.size()) << c.line;
        EXPECT_EQ(c.line, lines.back());
    }
}

TEST_F(DeviceTest, PrescanAndTransferCallsAreLoggedWithTheirArguments)
{
    Config("[Faults]\r\nPrescan=42\r\nTransfer=43\r\n");
    TestJob t = MakeJob(0, 0, 300, 300, 100, 24, 4);
    RECT preview{0, 0, 200, 100};
    d.preScanFile(window, &t.settings, nullptr, 400, 550);
    EXPECT_EQ("PreScanFile(ptr, ptr, 0, 400, 550) = 42", LastLogLine());
    d.preScanFileEx(window, &t.settings, nullptr, reinterpret_cast<LPARAM>(&preview), 1);
    EXPECT_EQ("PreScanFileEx(ptr, ptr, 0, ptr, 1) = 42", LastLogLine());
    HGLOBAL handle = nullptr;
    d.createDIB(nullptr, &handle, "KMDIB.BMP", &t.settings, &t.job, &t.params, 1, &t, &t, &t);
    EXPECT_EQ("CreateDIB(0, ptr, \"KMDIB.BMP\", ptr, ptr, ptr, 1, ptr, ptr, ptr) = 43", LastLogLine());
    TW_IMAGEMEMXFER xfer = {};
    d.avMemXfer(window, &xfer, &t.settings, &t.job, &t.params, 0, &t, &t, &t);
    EXPECT_EQ("AvMemXfer(ptr, ptr, ptr, ptr, ptr, 0, ptr, ptr, ptr) = 43", LastLogLine());
}

// Each switch, read afresh at every call: normal, then faulty, then normal.
TEST_F(DeviceTest, FaultSwitches)
{
    BYTE paper = 0;
    BYTE a, b, c;
    LONG status = -1;
    TestJob t = MakeJob(0, 0, 300, 300, 100, 24, 4);
    struct Case {
        const char* ini;
        std::function<int()> call;
        int normal;
        int faulty;
    };
    const Case cases[] = {
        {"TestScanner=1", [&] { return d.testScanner(window, 0); }, 1, 0},
        {"Status=155", [&] { return d.parallPortStatusEx(&a, &b, &c, &status); }, 0, 155},
        {"Status=155", [&] { d.parallPortStatusEx(&a, &b, &c, &status); return int(status); }, 0, 155},
        {"Calibrate=713", [&] { return d.doCalibrate(0, 1, 8); }, 1, 713},
        {"ADFQuery=1", [&] { return d.getADFPaper(&paper); }, 1, 0},
        {"Prescan=704",
         [&] {
             t.settings.prescanWidth = 600;
             t.settings.prescanLength = 600;
             return d.preScanFile(window, &t.settings, nullptr, 100, 100);
         },
         0, 704},
        {"Transfer=707",
         [&] {
             HGLOBAL handle = nullptr;
             const int result = d.createDIB(nullptr, &handle, "twscan", &t.settings, &t.job,
                                            &t.params, 0, nullptr, nullptr, nullptr);
             if (handle)
                 GlobalFree(handle);
             EXPECT_EQ(result == 700, handle != nullptr);
             return result;
         },
         700, 707},
        {"Transfer=707",
         [&] {
             const int result = d.createDIB(nullptr, &dibHandle, "vsfault.bmp", &t.settings,
                                            &t.job, &t.params, 1, nullptr, nullptr, nullptr);
             EXPECT_EQ(result == 700, files.Exists("\\vsfault.bmp"));
             files.Remove("\\vsfault.bmp");
             return result;
         },
         700, 707},
        {"Transfer=707",
         [&] {
             std::vector<BYTE> buffer(t.job.outputBytesPerLine * t.job.outputLines);
             TW_IMAGEMEMXFER xfer = {};
             xfer.Memory = {TWMF_APPOWNS | TWMF_POINTER, static_cast<TW_UINT32>(buffer.size()),
                            buffer.data()};
             return d.avMemXfer(window, &xfer, &t.settings, &t.job, &t.params, 0, nullptr, nullptr,
                                nullptr);
         },
         6, 707},
    };
    SetCurrentDirectoryA(WindowsPath("").c_str());
    for (const Case& c : cases) {
        Config("[Bed]\r\nSheets=1\r\n");
        EXPECT_EQ(c.normal, c.call()) << c.ini << " off";
        Config(std::string("[Faults]\r\n") + c.ini + "\r\n");
        EXPECT_EQ(c.faulty, c.call()) << c.ini;
        Config("[Faults]\r\n");
        EXPECT_EQ(c.normal, c.call()) << c.ini << " off again";
    }
}

TEST_F(DeviceTest, PrescanFaultWritesNoFile)
{
    Config("[Faults]\r\nPrescan=704\r\n");
    TestJob t = MakeJob(0, 0, 300, 300, 100, 24, 4);
    t.settings.prescanWidth = 600;
    t.settings.prescanLength = 600;
    EXPECT_EQ(704, d.preScanFile(window, &t.settings, nullptr, 100, 100));
    EXPECT_FALSE(files.Exists("\\kmpre.bmp"));
}

// Sheets are read once, when the device library loads, and counted down:
// PageFeed and every finished feeder image use one, PaperFeed none.
TEST_F(DeviceTest, SheetsAreCountedAcrossBothLibraries)
{
    UseTestBed("Sheets=4\r\n");
    LoadDriver();
    Config("[Bed]\r\nSheets=100\r\n"); // too late: the count was read at load
    UseTestBed();
    auto hasPaper = [&] {
        BYTE paper = 0xEE;
        EXPECT_EQ(1, d.getADFPaper(&paper));
        return int(paper);
    };
    EXPECT_EQ(1, hasPaper());
    EXPECT_EQ(1, d.paperFeed());
    EXPECT_EQ(1, d.paperFeed());
    EXPECT_EQ(0, d.eopStatus());

    TestJob t = MakeJob(0, 0, 300, 300, 100, 24, 4);
    t.settings.scanMethod = 0; // feeder
    std::vector<BYTE> dib;
    d.pageFeed();                                   // 3 left
    ASSERT_EQ(700, Native(t, &dib));                // 2 left
    auto strips = Memory(t, 30);                    // 1 left, used by the last strip only
    ASSERT_EQ(4u, strips.size());
    EXPECT_EQ(6, strips.back().result);
    EXPECT_EQ(1, hasPaper());
    t.settings.scanMethod = 2; // the flatbed uses no sheet
    ASSERT_EQ(700, Native(t, &dib));
    EXPECT_EQ(1, hasPaper());
    t.settings.scanMethod = 1;
    ASSERT_EQ(700, Native(t, &dib)); // the last sheet
    EXPECT_EQ(0, hasPaper());
    EXPECT_EQ(0, d.paperFeed());
    EXPECT_EQ(1, d.eopStatus());
    BYTE end = 0;
    EXPECT_EQ(1, d.eopStatusEx(&end));
    EXPECT_EQ(1, end);

    // An empty feeder: every mechanism reports no paper and delivers nothing.
    EXPECT_EQ(701, Native(t, &dib));
    EXPECT_EQ(701, d.createDIB(nullptr, &dibHandle, "vsempty.bmp", &t.settings, &t.job, &t.params,
                               1, nullptr, nullptr, nullptr));
    EXPECT_FALSE(files.Exists("\\vsempty.bmp"));
    strips = Memory(t, 30);
    ASSERT_EQ(1u, strips.size());
    EXPECT_EQ(701, strips[0].result);
    EXPECT_EQ(0u, t.job.transferActive);
    d.pageFeed(); // nothing left to feed: stays empty
    EXPECT_EQ(0, hasPaper());

    // Loading the device library again reads the configured count afresh.
    Config("[Bed]\r\nSheets=1\r\n");
    LoadDriver();
    EXPECT_EQ(1, hasPaper());
}

TEST_F(DeviceTest, MemoryStripsUseNoSheetUntilTheLast)
{
    UseTestBed("Sheets=1\r\n");
    LoadDriver();
    TestJob t = MakeJob(0, 0, 300, 300, 100, 24, 4);
    t.settings.scanMethod = 0;
    std::vector<BYTE> buffer(t.job.outputBytesPerLine * 30);
    TW_IMAGEMEMXFER xfer = {};
    xfer.Memory = {TWMF_APPOWNS | TWMF_POINTER, static_cast<TW_UINT32>(buffer.size()), buffer.data()};
    BYTE paper = 0;
    for (int strip = 0; strip < 3; ++strip) {
        ASSERT_EQ(700, d.avMemXfer(window, &xfer, &t.settings, &t.job, &t.params, 0, nullptr,
                                   nullptr, nullptr));
        d.getADFPaper(&paper);
        EXPECT_EQ(1, paper) << strip;
    }
    ASSERT_EQ(6, d.avMemXfer(window, &xfer, &t.settings, &t.job, &t.params, 0, nullptr, nullptr,
                             nullptr));
    d.getADFPaper(&paper);
    EXPECT_EQ(0, paper);
}

TEST_F(DeviceTest, WithoutTheDeviceLibraryTheFeederIsEmpty)
{
    UseTestBed("Sheets=5\r\n");
    LoadDriver();
    FreeLibrary(d.deviceLibrary);
    d.deviceLibrary = nullptr;
    TestJob t = MakeJob(0, 0, 300, 300, 100, 24, 4);
    t.settings.scanMethod = 1;
    std::vector<BYTE> dib;
    EXPECT_EQ(701, Native(t, &dib));
    t.settings.scanMethod = 2;
    EXPECT_EQ(700, Native(t, &dib));
}
