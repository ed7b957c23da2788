#include "session.h"

#include <cstdio>

#include "guard.h"
#include "names.h"
#include "output.h"

TW_IDENTITY appIdentity;
TW_IDENTITY sourceIdentity;
HWND appWindow;
int appState = 1;
int tripletDepth;
TW_UINT16 lastConditionCode;

namespace {
bool lastConditionKnown;
}

namespace {

DSMENTRYPROC dsmEntry;
FILE* tripletLog;

// Asks DAT_STATUS of whoever failed: the source for its triplets, the
// manager for its own.
TW_UINT16 ReadConditionCode(pTW_IDENTITY destination, bool& known)
{
    TW_STATUS status{};
    ++tripletDepth;
    const TW_UINT16 rc = dsmEntry(&appIdentity, destination, DG_CONTROL, DAT_STATUS, MSG_GET, &status);
    --tripletDepth;
    known = rc == TWRC_SUCCESS;
    return known ? status.ConditionCode : TWCC_BUMMER;
}

TW_UINT16 Call(pTW_IDENTITY destination, TW_UINT32 dg, TW_UINT16 dat, TW_UINT16 msg,
               TW_MEMREF data)
{
    const bool event = dat == DAT_EVENT && msg == MSG_PROCESSEVENT;
    // One triplet may take as long as a transfer is allowed to; the event
    // loop arms the guard for its own waiting.
    if (!event)
        ArmGuard();
    ++tripletDepth;
    const TW_UINT16 rc = dsmEntry(&appIdentity, destination, dg, dat, msg, data);
    --tripletDepth;

    std::string status;
    if (rc == TWRC_FAILURE) {
        lastConditionCode = ReadConditionCode(destination, lastConditionKnown);
        status = lastConditionKnown ? " (" + ConditionCodeName(lastConditionCode) + ")" : " (no status)";
    }
    // Every window message passes through MSG_PROCESSEVENT; only the calls
    // that meant something are worth a line.
    if (tripletLog && !(event && rc == TWRC_NOTDSEVENT)) {
        std::string line = TripletName(dg, dat, msg) + " -> " + ReturnCodeName(rc) + status;
        if (event && rc == TWRC_DSEVENT)
            line += " " + MessageName(static_cast<pTW_EVENT>(data)->TWMessage);
        std::fprintf(tripletLog, "%s\n", line.c_str());
        std::fflush(tripletLog);
    }
    return rc;
}

} // namespace

bool LoadSourceManager()
{
    HMODULE manager = LoadLibraryA("TWAIN_32.DLL");
    if (!manager) {
        PrintError("cannot load TWAIN_32.DLL (error " + std::to_string(GetLastError()) + ")");
        return false;
    }
    // FARPROC to the real signature: through void* so the compiler accepts it.
    dsmEntry = reinterpret_cast<DSMENTRYPROC>(
        reinterpret_cast<void*>(GetProcAddress(manager, "DSM_Entry")));
    if (!dsmEntry) {
        PrintError("TWAIN_32.DLL has no DSM_Entry");
        return false;
    }
    return true;
}

bool OpenTripletLog(const std::string& path)
{
    tripletLog = std::fopen(path.c_str(), "w");
    if (!tripletLog) {
        PrintError("cannot write the triplet log " + path);
        return false;
    }
    return true;
}

TW_UINT16 CallManager(TW_UINT16 dat, TW_UINT16 msg, TW_MEMREF data)
{
    return Call(nullptr, DG_CONTROL, dat, msg, data);
}

TW_UINT16 CallSource(TW_UINT32 dg, TW_UINT16 dat, TW_UINT16 msg, TW_MEMREF data)
{
    return Call(&sourceIdentity, dg, dat, msg, data);
}

std::string FailureText(TW_UINT32 dg, TW_UINT16 dat, TW_UINT16 msg, TW_UINT16 rc)
{
    std::string text = TripletName(dg, dat, msg) + " failed: " + ReturnCodeName(rc);
    if (rc == TWRC_FAILURE)
        text += lastConditionKnown ? " (" + ConditionCodeName(lastConditionCode) + ")" : " (no status)";
    return text;
}
