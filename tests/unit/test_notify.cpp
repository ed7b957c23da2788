// NotifyXferReady and NotifyCloseDSReq: what the source prepares before it
// tells the application, and the call through the source manager.
#include "testsupport.h"

#include <cstring>
#include <vector>

#include "driver.h"
#include "notify.h"
#include "profile.h"
#include "state.h"

namespace {

struct ManagerCall {
    pTW_IDENTITY origin;
    pTW_IDENTITY destination;
    TW_UINT32 group;
    TW_UINT16 dat;
    TW_UINT16 msg;
    TW_MEMREF data;
    int stateDuringCall;
};
std::vector<ManagerCall> managerCalls;

void WINAPI RecordManagerCall(pTW_IDENTITY origin, pTW_IDENTITY destination, TW_UINT32 group, TW_UINT16 dat,
                              TW_UINT16 msg, TW_MEMREF data)
{
    managerCalls.push_back({origin, destination, group, dat, msg, data, sourceState});
}

std::vector<std::string> calibrations;
int WINAPI FakeDoCalibrate(int a, int b, int c)
{
    calibrations.push_back(std::to_string(a) + "," + std::to_string(b) + "," + std::to_string(c));
    return 1;
}

int WINAPI SheetInFeeder(BYTE* paper)
{
    *paper = 1;
    return 1;
}

typedef void(WINAPI* SetCallbackProc)(decltype(&RecordManagerCall));

class NotifyTest : public SourceTest {
protected:
    HMODULE manager = nullptr;
    void SetUp() override
    {
        SourceTest::SetUp();
        managerCalls.clear();
        calibrations.clear();
        files.CopyFromBin("fakedsm.dll", "\\TWAIN_32.DLL");
        manager = LoadLibraryA(WindowsPath("\\TWAIN_32.DLL").c_str());
        ASSERT_NE(nullptr, manager);
        auto setCallback = reinterpret_cast<SetCallbackProc>(GetProcAddress(manager, "FakeDsmSetCallback"));
        ASSERT_NE(nullptr, setCallback) << "our source manager, not the system's";
        setCallback(RecordManagerCall);
        FakeDriverBinding();
        driver.doCalibrate = FakeDoCalibrate;
        std::strcpy(scannerAbility.interfaceName, "SCSI");
        sourceState = kStateEnabled;
        std::strcpy(appIdentity.ProductName, "TestApp");
        sourceIdentity.Id = 4;
        settingsPath[0] = '\0';
        lstrcpyA(settingsPath, SettingsFilePath().c_str());
    }
    void TearDown() override
    {
        if (manager)
            FreeLibrary(manager);
        SourceTest::TearDown();
    }
    void Flatbed(BYTE type, WORD width, WORD length)
    {
        basicAbility.scannerType = type;
        basicAbility.flatbedWidth = width;
        basicAbility.flatbedLength = length;
        basicAbility.feederWidth = 2000;
        basicAbility.feederLength = 3000;
    }
};

} // namespace

TEST_F(NotifyTest, TransferReadyGoesThroughTheManagerInState600)
{
    EXPECT_NE(0, NotifyXferReady());
    ASSERT_EQ(1u, managerCalls.size());
    const ManagerCall& call = managerCalls[0];
    EXPECT_EQ(&sourceIdentity, call.origin);
    EXPECT_EQ(&appIdentity, call.destination);
    EXPECT_EQ(DWORD(DG_CONTROL), call.group);
    EXPECT_EQ(DAT_NULL, call.dat);
    EXPECT_EQ(MSG_XFERREADY, call.msg);
    EXPECT_EQ(nullptr, call.data);
    EXPECT_EQ(kStateXferReady, call.stateDuringCall) << "ready before the application hears of it";
}

TEST_F(NotifyTest, CloseRequestChangesNothing)
{
    EXPECT_NE(0, NotifyCloseDSReq());
    ASSERT_EQ(1u, managerCalls.size());
    EXPECT_EQ(MSG_CLOSEDSREQ, managerCalls[0].msg);
    EXPECT_EQ(kStateEnabled, sourceState);
}

TEST_F(NotifyTest, NoManagerMeansNoNotification)
{
    FreeLibrary(manager);
    manager = nullptr;
    files.Remove("\\TWAIN_32.DLL");
    EXPECT_EQ(0, NotifyXferReady());
    EXPECT_EQ(kStateXferReady, sourceState);
    EXPECT_EQ(0, NotifyCloseDSReq());
}

TEST_F(NotifyTest, ScanAreaIsFittedIntoTheScanner)
{
    struct Case {
        BYTE type;
        BYTE method;
        WORD x, cx, y, cy;
        WORD expectedCx, expectedCy;
    };
    const Case cases[] = {
        {128, 2, 300, 2400, 0, 3000, 2250, 3000},
        {128, 2, 0, 2550, 100, 3508, 2550, 3408},
        {160, 1, 0, 2550, 0, 3508, 2000, 3000}, // feeder limits
        {160, 0, 0, 2550, 0, 3508, 2000, 3000},
        {160, 2, 0, 2550, 0, 3508, 2550, 3508}, // flatbed limits
        {64, 2, 100, 5000, 0, 100, 1900, 100},
        {99, 2, 0, 9000, 0, 9000, 9000, 9000}, // unknown type: no fitting
        // An origin at or beyond the limit leaves no area rather than wrapping round.
        {128, 2, 2550, 100, 3600, 10, 0, 0},
        {128, 2, 3000, 100, 0, 100, 0, 100},
    };
    for (const Case& c : cases) {
        Flatbed(c.type, 2550, 3508);
        settings.scanMethod = c.method;
        settings.x = c.x;
        settings.cx = c.cx;
        settings.y = c.y;
        settings.cy = c.cy;
        NotifyXferReady();
        EXPECT_EQ(c.expectedCx, settings.cx) << "type " << int(c.type) << " x " << c.x;
        EXPECT_EQ(c.expectedCy, settings.cy) << "type " << int(c.type) << " y " << c.y;
        EXPECT_EQ(c.x, settings.x) << "the origin never moves";
    }
}

TEST_F(NotifyTest, PageCountComesFromTheSettingsFileEveryTime)
{
    files.Write("\\kmscan32.ini", "[Kelmora Scanner]\r\nScan Page=3\r\n");
    uiInUse = 1;
    NotifyXferReady();
    EXPECT_EQ(3, pageCount);
    EXPECT_EQ(1u, settings.scanPage);

    // Without the dialog nothing is re-read; the pages counted by the last
    // job must not become the next job's page count.
    uiInUse = 0;
    preparedPages = 1;
    settings.scanPage = 2;
    NotifyXferReady();
    EXPECT_EQ(1, pageCount);
    settings.scanPage = 3;
    NotifyXferReady();
    EXPECT_EQ(1, pageCount);
    EXPECT_EQ(1u, settings.scanPage);
}

TEST_F(NotifyTest, OnePassColourFromTheBasicRecord)
{
    basicAbility.colorFlags = 0x20;
    NotifyXferReady();
    EXPECT_EQ(1u, settings.onePassColor);
    basicAbility.colorFlags = 0xDF;
    NotifyXferReady();
    EXPECT_EQ(0u, settings.onePassColor);
}

TEST_F(NotifyTest, PagerolBringsItsOwnSettingsWithoutTheDialog)
{
    std::strcpy(appIdentity.ProductName, "Pagerol");
    files.Write("\\kmintray.ini", "[Twain]\r\nImage Type=0\r\nHalftone=1\r\nContrast=255\r\nBrightness=0\r\nInvert=1\r\n");
    settings.imageType = 0;
    settings.colorFilter = 2;
    NotifyXferReady();
    EXPECT_EQ(1, settings.imageType);
    EXPECT_EQ(1, settings.halftone);
    EXPECT_EQ(200, settings.masterContrast);
    EXPECT_EQ(0, settings.masterBrightness);
    EXPECT_EQ(0, settings.colorFilter);
    EXPECT_EQ(1u, settings.invertImage);

    files.Write("\\kmintray.ini", "[Twain]\r\nContrast=127\r\nBrightness=383\r\n");
    NotifyXferReady();
    EXPECT_EQ(100, settings.masterContrast);
    EXPECT_EQ(100, settings.masterBrightness) << "the low byte of 383 is 127";

    files.Write("\\kmintray.ini", "[Twain]\r\nContrast=0\r\n");
    files.Write("\\kmscan32.ini", "[1]\r\nMaster Contrast=150\r\n");
    uiInUse = 1;
    NotifyXferReady();
    EXPECT_EQ(150, settings.masterContrast) << "with the dialog the tray file is not read";
}

TEST_F(NotifyTest, CalibrationBeforeTheScan)
{
    struct Case {
        const char* model;
        DWORD optionFlags;
        bool calibrates;
    };
    const Case cases[] = {
        {"KM210CS", 0, false}, {"KM210CS", 0x200, true}, {"KM210C", 0, true},
        {"KM210XCS", 0, true}, {"KM530C", 0, false},     {"KM530C", 0x200, true},
    };
    driver.getADFPaper = SheetInFeeder; // KM210X models calibrate on a sheet
    for (const Case& c : cases) {
        calibrations.clear();
        std::memset(basicAbility.modelName, 0, sizeof basicAbility.modelName);
        std::memcpy(basicAbility.modelName, c.model, std::strlen(c.model));
        scannerAbility.optionFlags = c.optionFlags;
        NotifyXferReady();
        EXPECT_EQ(c.calibrates ? 1u : 0u, calibrations.size()) << c.model << " " << c.optionFlags;
        if (!calibrations.empty()) {
            EXPECT_EQ("1,1,8", calibrations[0]);
        }
    }
}

TEST_F(NotifyTest, PrintJobsStopTheScan)
{
    std::strcpy(scannerAbility.interfaceName, "None");
    CreateDirectoryA(WindowsPath("\\system32\\spool").c_str(), nullptr);
    CreateDirectoryA(WindowsPath("\\system32\\spool\\printers").c_str(), nullptr);
    const std::string job = WindowsPath("\\system32\\spool\\printers\\9.SPL");
    HANDLE held = CreateFileA(job.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    boxes.answer = IDOK;
    EXPECT_EQ(IDOK, NotifyXferReady());
    CloseHandle(held);
    DeleteFileA(job.c_str());
    ASSERT_EQ(1u, boxes.boxes.size());
    EXPECT_EQ("There are print jobs in processing, please wait till all print jobs done.", boxes.Last().text);
    EXPECT_EQ(kStateEnabled, sourceState);
    EXPECT_TRUE(managerCalls.empty());
}
