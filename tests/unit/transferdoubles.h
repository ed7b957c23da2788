// What the scan-job and transfer tests share: triplets sent as an
// application sends them, a scanner described in place of the driver's
// records, and a driver double that records its calls.
#pragma once

#include <cstring>
#include <string>
#include <vector>

#include "testsupport.h"

#include "driver.h"
#include "entry.h"
#include "state.h"
#include "system.h"

namespace doubles {

// The status the driver reports to DS_Error. Nonzero, so that every DS_Error
// call of the driver-status group shows a box and a test sees it.
inline LONG driverStatus = 42;
inline int WINAPI StatusDouble(BYTE*, BYTE*, BYTE*, LONG* status)
{
    *status = driverStatus;
    return 1;
}

// Model file with every text the transfers can show.
constexpr const char kModelFile[] =
    "[LANGUAGE]\r\nLANGUAGE=English\r\n"
    "[English]\r\n"
    "IDS_LOWMEMORY=Not enough memory, close other programs.\r\n"
    "IDS_NOPAPER=No paper.\r\nIDS_NOPAPER1=Load paper.\r\n"
    "IDS_NODISK=Disk full.\r\nIDS_NODISK1=Free space.\r\n"
    "IDS_BADSIZE=Area too small.\r\nIDS_BADWIDTH=Bad width.\r\n"
    "Err42=Paper jam.\r\n";
constexpr const char kStatusBox[] = "Error Code : 42\n\nPaper jam.";

// One call of CreateDIB or AvMemXfer as the driver received it.
struct DriverCall {
    std::string function;
    HWND dialog;
    HGLOBAL* dibSlot;
    std::string name;
    ScanSettings* settings;
    JobInfo* job;
    ScanParameters* params;
    int mechanism;
    TW_IMAGEMEMXFER* memXfer;
    void* buffers[3];
    // Copies taken during the call.
    ScanSettings settingsSeen;
    JobInfo jobSeen;
};
inline std::vector<DriverCall> driverCalls;
// Results handed out in order; the last one repeats.
inline std::vector<int> driverResults{700};
inline HGLOBAL const kDib = reinterpret_cast<HGLOBAL>(static_cast<ULONG_PTR>(0x5A5A0));

inline int NextResult()
{
    const size_t i = driverCalls.size() - 1;
    return i < driverResults.size() ? driverResults[i] : driverResults.back();
}

inline int WINAPI CreateDIBDouble(HWND dialog, HGLOBAL* dib, const char* name, ScanSettings* s,
                                  JobInfo* job, ScanParameters* params, int mechanism, void* b1,
                                  void* b2, void* b3)
{
    driverCalls.push_back({"CreateDIB", dialog, dib, name ? name : "(null)", s, job, params, mechanism,
                           nullptr, {b1, b2, b3}, *s, *job});
    const int result = NextResult();
    if (result == 700)
        *dib = kDib;
    return result;
}

inline int WINAPI AvMemXferDouble(HWND dialog, TW_IMAGEMEMXFER* xfer, ScanSettings* s, JobInfo* job,
                                  ScanParameters* params, int zero, void* b1, void* b2, void* b3)
{
    driverCalls.push_back({"AvMemXfer", dialog, nullptr, "", s, job, params, zero, xfer,
                           {b1, b2, b3}, *s, *job});
    return NextResult();
}

inline BYTE paperInFeeder = 1;
inline int adfResult = 1;
inline int adfCalls = 0;
inline int WINAPI GetADFPaperDouble(BYTE* paper)
{
    ++adfCalls;
    *paper = paperInFeeder;
    return adfResult;
}

// A scanner of no special model: optical 600, maxima 1200, a halftone table
// and width alignments of its own, flatbed and feeder.
inline ScannerAbility PlainScanner()
{
    ScannerAbility a{};
    std::strcpy(a.modelName, "KM999");
    std::strcpy(a.firmwareVersion, "1.10");
    const BYTE codes[8] = {11, 12, 13, 14, 15, 16, 17, 18};
    std::memcpy(a.halftoneCodes, codes, sizeof codes);
    a.recordFlags = 1;
    a.flatbedWidth = 2550;
    a.flatbedLength = 3508;
    a.feederWidth = 2550;
    a.feederLength = 4200;
    a.opticalResolution = 600;
    a.maxXResolution = a.maxYResolution = 1200;
    a.maxColorXResolution = a.maxColorYResolution = 1200;
    a.scannerType = 160;
    a.lineArtWidthAlign = 8;
    a.grayWidthAlign = 2;
    a.colorWidthAlign = 4;
    a.halftoneWidthAlign = 8;
    a.diffusionWidthAlign = 8;
    return a;
}

// A gray page of one by one inch at 100 dpi, flatbed, speed mode.
inline ScanSettings PlainRequest()
{
    ScanSettings s{};
    s.scanPage = 1;
    s.imageType = 2;
    s.resolution = 100;
    s.xScaleFactor = s.yScaleFactor = 100;
    s.masterBrightness = s.redBrightness = s.greenBrightness = s.blueBrightness = 100;
    s.masterContrast = s.redContrast = s.greenContrast = s.blueContrast = 100;
    s.masterHighlight = s.redHighlight = s.greenHighlight = s.blueHighlight = 255;
    s.masterGammaValue = s.redGammaValue = s.greenGammaValue = s.blueGammaValue = 140;
    s.saturation = 100;
    s.scanSpeed = 0;
    s.halftone = 3;
    s.cx = s.cy = 300;
    s.scanMethod = 2;
    return s;
}

inline void SetProduct(const char* name)
{
    std::memset(appIdentity.ProductName, 0, sizeof appIdentity.ProductName);
    std::strncpy(appIdentity.ProductName, name, sizeof appIdentity.ProductName - 1);
}

// Three work buffers as an enable leaves them.
inline BYTE workBufferStore[kWorkBufferCount][kWorkBufferSize];
inline void ProvideWorkBuffers()
{
    for (int i = 0; i < kWorkBufferCount; ++i)
        workBuffers[i] = workBufferStore[i];
}
inline void FreeWorkBuffers()
{
    for (int i = 0; i < kWorkBufferCount; ++i) {
        workBuffers[i] = nullptr;
        workBufferHandles[i] = nullptr;
    }
}

// A source with a scanner and a request, the driver replaced by the doubles.
class TransferTest : public SourceTest {
protected:
    void SetUp() override
    {
        SourceTest::SetUp();
        platformIdOverride = 0;
        driverCalls.clear();
        driverResults = {700};
        driverStatus = 42;
        paperInFeeder = 1;
        adfResult = 1;
        adfCalls = 0;
        driver.parallPortStatusEx = StatusDouble;
        driver.createDIB = CreateDIBDouble;
        driver.avMemXfer = AvMemXferDouble;
        driver.getADFPaper = GetADFPaperDouble;
        scannerAbility = PlainScanner();
        settings = PlainRequest();
        ProvideWorkBuffers();
        sourceState = kStateXferReady;
        WriteModelFile();
    }
    void TearDown() override
    {
        FreeWorkBuffers();
        platformIdOverride = 0;
        SourceTest::TearDown();
    }

    TW_IDENTITY origin{};
    TW_UINT16 Call(TW_UINT32 group, TW_UINT16 dat, TW_UINT16 msg, TW_MEMREF data)
    {
        return DS_Entry(&origin, group, dat, msg, data);
    }
    TW_UINT16 Control(TW_UINT16 dat, TW_UINT16 msg, TW_MEMREF data)
    {
        return Call(DG_CONTROL, dat, msg, data);
    }
    TW_UINT16 Image(TW_UINT16 dat, TW_UINT16 msg, TW_MEMREF data)
    {
        return Call(DG_IMAGE, dat, msg, data);
    }
    // Reads and clears the condition code, as an application does.
    TW_UINT16 Status()
    {
        TW_STATUS status{0xAAAA, 0xBBBB};
        EXPECT_EQ(TWRC_SUCCESS, Control(DAT_STATUS, MSG_GET, &status));
        return status.ConditionCode;
    }
    // The current value of a capability, as MSG_GETCURRENT reports it.
    TW_UINT32 CurrentValue(TW_UINT16 cap)
    {
        TW_CAPABILITY capability{};
        capability.Cap = cap;
        EXPECT_EQ(TWRC_SUCCESS, Control(DAT_CAPABILITY, MSG_GETCURRENT, &capability));
        if (!capability.hContainer)
            return 0xDEADBEEF;
        const auto* one = static_cast<const TW_ONEVALUE*>(GlobalLock(capability.hContainer));
        const TW_UINT32 value = one ? one->Item : 0xDEADBEEF;
        GlobalUnlock(capability.hContainer);
        GlobalFree(capability.hContainer);
        return value;
    }
    void WriteModelFile() { files.Write("\\7d32.ini", kModelFile); }
    // Writes kmscan32.ini and points the source at it, as an open does.
    void WriteSettingsFile(const std::string& content)
    {
        const std::string path = files.Write("\\kmscan32.ini", content);
        lstrcpynA(settingsPath, path.c_str(), MAX_PATH);
    }
};

} // namespace doubles
