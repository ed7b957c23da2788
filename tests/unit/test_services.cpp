// The plain exports for UI plug-ins: what reaches the driver, the ability
// records, the fallbacks, and calls without a bound driver.
#include "testsupport.h"

#include <cstring>
#include <string>
#include <vector>

#include "driver.h"
#include "profile.h"
#include "services.h"
#include "state.h"

namespace {

std::vector<std::string> calls;
BasicAbility driverBasic;
ScannerAbility driverExtended;
BYTE eopByte;
int eopExResult;

void Record(const std::string& call)
{
    calls.push_back(call);
}

int WINAPI FakeTestScanner(HWND, int number)
{
    Record("TestScanner " + std::to_string(number));
    return 1;
}
int WINAPI FakeGetAbilityForUI(BasicAbility* out)
{
    Record("GetAbilityForUI");
    *out = driverBasic;
    return 1;
}
int WINAPI FakeGetAbilityForUIEx(ScannerAbility* out)
{
    Record("GetAbilityForUIEx");
    *out = driverExtended;
    return 1;
}
int WINAPI FakeFlatbedOrTrans(ScanSettings*)
{
    Record("FlatbedOrTrans");
    return 11;
}
int WINAPI FakeFlatbedTransSwitch(int value)
{
    Record("FlatbedTransSwitch " + std::to_string(value));
    return 12;
}
int WINAPI FakeSelectScanner(int value)
{
    Record("SelectScanner " + std::to_string(value));
    return 13;
}
ScannerAbility* prescanAbility;
int WINAPI FakePreScanFile(HWND, ScanSettings*, ScannerAbility* ability, LPARAM a, LPARAM b)
{
    prescanAbility = ability;
    Record("PreScanFile " + std::to_string(a) + " " + std::to_string(b));
    return 14;
}
int WINAPI FakePreScanFileEx(HWND, ScanSettings*, ScannerAbility* ability, LPARAM, LPARAM)
{
    prescanAbility = ability;
    Record("PreScanFileEx");
    return 15;
}
int WINAPI FakePaperFeed()
{
    Record("PaperFeed");
    return 16;
}
int WINAPI FakeEOPStatus()
{
    Record("EOPStatus");
    return 17;
}
int WINAPI FakeEOPStatusEx(BYTE* out)
{
    Record("EOPStatusEx");
    *out = eopByte;
    return eopExResult;
}
int WINAPI FakeSlowDown()
{
    Record("SlowDownSpeed");
    return 18;
}
int WINAPI FakeSpeedUp()
{
    Record("SpeedUpSpeed");
    return 19;
}
int WINAPI FakeChangeSpeedMode(int value)
{
    Record("ChangeSpeedMode " + std::to_string(value));
    return 20;
}
int WINAPI FakeChangeParallPort(int value)
{
    Record("ChangeParallPort " + std::to_string(value));
    return 21;
}
int WINAPI FakeLampOn()
{
    Record("TrunOnLamp");
    return 22;
}
int WINAPI FakeLampOff()
{
    Record("TrunOffLamp");
    return 23;
}

void BindFakes()
{
    driver.testScanner = FakeTestScanner;
    driver.getAbilityForUI = FakeGetAbilityForUI;
    driver.getAbilityForUIEx = FakeGetAbilityForUIEx;
    driver.flatbedOrTrans = FakeFlatbedOrTrans;
    driver.flatbedTransSwitch = FakeFlatbedTransSwitch;
    driver.selectScanner = FakeSelectScanner;
    driver.preScanFile = FakePreScanFile;
    driver.preScanFileEx = FakePreScanFileEx;
    driver.paperFeed = FakePaperFeed;
    driver.eopStatus = FakeEOPStatus;
    driver.eopStatusEx = FakeEOPStatusEx;
    driver.slowDownSpeed = FakeSlowDown;
    driver.speedUpSpeed = FakeSpeedUp;
    driver.changeSpeedMode = FakeChangeSpeedMode;
    driver.changeParallPort = FakeChangeParallPort;
    driver.trunOnLamp = FakeLampOn;
    driver.trunOffLamp = FakeLampOff;
}

class ServicesTest : public SourceTest {
protected:
    void SetUp() override
    {
        SourceTest::SetUp();
        calls.clear();
        driverBasic = BasicAbility{};
        std::memcpy(driverBasic.modelName, "KM530CXY", 8);
        std::memcpy(driverBasic.firmwareVersion, "1.10", 4);
        driverBasic.opticalResolution = 600;
        driverBasic.maxXResolution = 1200;
        driverBasic.maxYResolution = 2400;
        driverBasic.colorFlags = 0x20;
        driverBasic.scannerType = 160;
        driverBasic.flatbedWidth = 2550;
        driverBasic.flatbedLength = 3508;
        driverBasic.feederWidth = 2500;
        driverBasic.feederLength = 4200;
        driverBasic.modelFlags = 9;
        driverExtended = ScannerAbility{};
        std::strcpy(driverExtended.interfaceName, "SCSI");
        driverExtended.optionFlags = 0x300109;
        BindFakes();
        std::strcpy(scannerAbility.interfaceName, "SCSI");
    }
};

} // namespace

TEST_F(ServicesTest, ForwardingWithLowBytes)
{
    struct Case {
        int result;
        int expected;
        const char* call;
    };
    const Case cases[] = {
        {TestScanner(nullptr, 0x102), 1, "TestScanner 2"},
        {SelectScanner(0x1234), 13, "SelectScanner 4660"},
        {DoPaperFeed(), 16, "PaperFeed"},
        {SlowDownScanSpeed(), 18, "SlowDownSpeed"},
        {SpeedUpScanSpeed(), 19, "SpeedUpSpeed"},
        {SetSpeedMode(0x101), 20, "ChangeSpeedMode 1"},
        {SetPrintPortMode(0x304), 21, "ChangeParallPort 4"},
        {LampOn(), 22, "TrunOnLamp"},
        {LampOff(), 23, "TrunOffLamp"},
        {GetEOPStatus(), 17, "EOPStatus"},
        {FlatbedOrTrans(&settings), 11, "FlatbedOrTrans"},
        {Interface(5), 0, nullptr},
    };
    size_t index = 0;
    for (const Case& c : cases) {
        EXPECT_EQ(c.expected, c.result) << (c.call ? c.call : "Interface");
        if (c.call) {
            ASSERT_LT(index, calls.size());
            EXPECT_EQ(c.call, calls[index++]);
        }
    }
    EXPECT_EQ(index, calls.size()) << "Interface reaches no driver function";
}

TEST_F(ServicesTest, AbilityBuiltFromTheBasicRecord)
{
    BasicAbility basic{};
    GetAbilityForUI(&basic);
    EXPECT_EQ(0, basic.scannerType) << "all zero before the first refresh";

    std::memset(scannerAbility.spareD, 0x77, sizeof scannerAbility.spareD);
    scannerAbility.lineArtWidthAlign = 8;
    ScannerAbility out{};
    EXPECT_EQ(1, GetAbilityForUIEx(&out));
    EXPECT_EQ(std::vector<std::string>{"GetAbilityForUI"}, calls);
    EXPECT_EQ(std::string("KM530CXY", 8), std::string(out.modelName, 8));
    EXPECT_EQ(std::string("1.10"), std::string(out.firmwareVersion, 4));
    EXPECT_STREQ("None", out.interfaceName);
    EXPECT_STREQ("None", out.auxiliaryName);
    EXPECT_EQ(0u, out.optionFlags);
    EXPECT_EQ(0u, out.driverFlags);
    EXPECT_EQ(0u, out.recordFlags);
    EXPECT_EQ(1200, out.maxXResolution);
    EXPECT_EQ(1200, out.maxColorXResolution) << "plain and colour maxima are equal";
    EXPECT_EQ(2400, out.maxColorYResolution);
    EXPECT_EQ(600, out.opticalResolution);
    EXPECT_EQ(0x20, out.colorFlags);
    EXPECT_EQ(160, out.scannerType);
    EXPECT_EQ(2500, out.feederWidth);
    EXPECT_EQ(9, out.modelFlags);
    EXPECT_EQ(8, out.lineArtWidthAlign) << "kept";
    EXPECT_EQ(0x77, out.spareD[0]) << "kept";
    EXPECT_EQ(0, std::memcmp(&out, &scannerAbility, sizeof out));

    GetAbilityForUI(&basic);
    EXPECT_EQ(0, std::memcmp(&basic, &driverBasic, sizeof basic));
}

TEST_F(ServicesTest, ExtendedRecordFromTheDriverWithRecordFlag)
{
    driverBasic.hasExtendedAbility = 1;
    driverExtended.recordFlags = 0;
    ScannerAbility out{};
    GetAbilityForUIEx(&out);
    EXPECT_EQ((std::vector<std::string>{"GetAbilityForUI", "GetAbilityForUIEx"}), calls);
    EXPECT_EQ(1u, out.recordFlags & 1) << "set even if the driver wrote 0";
    EXPECT_STREQ("SCSI", out.interfaceName);
    EXPECT_EQ(0x300109u, out.optionFlags);
    driverExtended.recordFlags = 6;
    GetAbilityForUIEx(&out);
    EXPECT_EQ(7u, out.recordFlags) << "the driver's other bits stay";
    EXPECT_EQ(1, GetAbilityForUIEx(&scannerAbility)) << "its own record as the target";
}

TEST_F(ServicesTest, PrescanHandsTheDriverTheSourcesOwnAbility)
{
    ScannerAbility callers{};
    EXPECT_EQ(14, PreScanFile(nullptr, &settings, &callers, 640, 480));
    EXPECT_EQ(&scannerAbility, prescanAbility);
    EXPECT_EQ("PreScanFile 640 480", calls.back());
    RECT preview{0, 0, 300, 400};
    EXPECT_EQ(15, PreScanFileEx(nullptr, &settings, &callers, reinterpret_cast<LPARAM>(&preview), 1));
    EXPECT_EQ(&scannerAbility, prescanAbility);
}

TEST_F(ServicesTest, PrescanRefusedWhilePrinting)
{
    std::strcpy(scannerAbility.interfaceName, "None");
    CreateDirectoryA(WindowsPath("\\system32\\spool").c_str(), nullptr);
    CreateDirectoryA(WindowsPath("\\system32\\spool\\printers").c_str(), nullptr);
    const std::string job = WindowsPath("\\system32\\spool\\printers\\7.SHD");
    HANDLE held = CreateFileA(job.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    EXPECT_EQ(700, PreScanFile(nullptr, &settings, nullptr, 1, 2));
    EXPECT_EQ(700, PreScanFileEx(nullptr, &settings, nullptr, 1, 2));
    EXPECT_EQ(2u, boxes.boxes.size());
    EXPECT_TRUE(calls.empty()) << "the scanner is not touched";
    std::strcpy(scannerAbility.interfaceName, "SCSI");
    EXPECT_EQ(14, PreScanFile(nullptr, &settings, nullptr, 1, 2)) << "SCSI scanners never look";
    CloseHandle(held);
    DeleteFileA(job.c_str());
}

TEST_F(ServicesTest, ExtendedDriverFunctionsOnlyWhenAnnouncedAndPresent)
{
    settings.useTransparence = 0x101;
    EXPECT_EQ(11, FlatbedOrTrans(&settings)) << "not announced";
    scannerAbility.driverFlags = 1u << 24;
    EXPECT_EQ(12, FlatbedOrTrans(&settings));
    EXPECT_EQ("FlatbedTransSwitch 1", calls.back());
    driver.flatbedTransSwitch = nullptr;
    EXPECT_EQ(11, FlatbedOrTrans(&settings)) << "announced but missing";

    EXPECT_EQ(17, GetEOPStatus());
    scannerAbility.driverFlags = 1u << 23;
    eopByte = 0xAB;
    eopExResult = 1;
    EXPECT_EQ(0xAB, GetEOPStatus());
    eopExResult = 0;
    EXPECT_EQ(0, GetEOPStatus()) << "a failing EOPStatusEx";
    driver.eopStatusEx = nullptr;
    EXPECT_EQ(17, GetEOPStatus());
}

TEST_F(ServicesTest, NothingIsCalledWithoutADriver)
{
    driver = DriverTable{};
    ScannerAbility out{};
    std::memset(&out, 0x5A, sizeof out);
    EXPECT_EQ(0, GetAbilityForUIEx(&out));
    EXPECT_EQ(0x5A, out.scannerType & 0xFF) << "left alone";
    EXPECT_EQ(0, TestScanner(nullptr, 0));
    EXPECT_EQ(0, GetEOPStatus());
    for (int result : {SelectScanner(1), DoPaperFeed(), SlowDownScanSpeed(), SpeedUpScanSpeed(), SetSpeedMode(1),
                       SetPrintPortMode(1), LampOn(), LampOff(), FlatbedOrTrans(&settings),
                       PreScanFile(nullptr, &settings, nullptr, 1, 1), PreScanFileEx(nullptr, &settings, nullptr, 1, 1)})
        EXPECT_EQ(706, result);
    EXPECT_TRUE(calls.empty());
    EXPECT_TRUE(boxes.boxes.empty());
}
