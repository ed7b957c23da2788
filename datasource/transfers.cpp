// The three image transfers. The driver delivers the image; each handler
// makes sure a job is derived, hands it to the driver and turns the driver's
// result into a TWAIN return code, a message and the source state.
#include "driver.h"
#include "entry.h"
#include "errors.h"
#include "scanjob.h"
#include "state.h"

namespace {

constexpr const char* kNativeText = "General failure in response to DAT_IMAGENATIVEXFER.  ";
constexpr const char* kOtherText = "General failure in response to DAT_IMAGEINFO.  ";
constexpr const char* kDriverText = "General failure in response to DAT_IDENTITY.  ";

// What one driver result means for one kind of transfer: the return code and
// the DS_Error code shown (0: none).
struct Outcome {
    TW_UINT16 rc;
    LONG message;
};
struct ResultRow {
    int result;
    Outcome native, file, memory;
};
constexpr ResultRow kResults[] = {
    {kResultOk, {TWRC_XFERDONE, 0}, {TWRC_XFERDONE, 0}, {TWRC_SUCCESS, 0}},
    {kResultEnd, {TWRC_CANCEL, 0}, {TWRC_CANCEL, 0}, {TWRC_XFERDONE, 0}},
    {kResultNoPaper, {TWRC_CANCEL, 114}, {TWRC_CANCEL, kResultNoPaper}, {TWRC_CANCEL, kResultNoPaper}},
    {2, {TWRC_CANCEL, 2}, {TWRC_CANCEL, 2}, {TWRC_CANCEL, 2}},
    {kResultNoMemory, {TWRC_CANCEL, 2}, {TWRC_CANCEL, 2}, {TWRC_CANCEL, 2}},
    {kResultNoDisk, {TWRC_CANCEL, kResultNoDisk}, {TWRC_CANCEL, 0}, {TWRC_CANCEL, 0}},
    {707, {TWRC_CANCEL, 707}, {TWRC_CANCEL, 707}, {TWRC_CANCEL, 707}},
    {kResultBadWidth, {TWRC_CANCEL, kResultBadWidth}, {TWRC_CANCEL, kResultBadWidth},
     {TWRC_CANCEL, kResultBadWidth}},
};
constexpr Outcome kOtherResult = {TWRC_CANCEL, 0};

enum class Transfer { Native, File, Memory };

Outcome OutcomeOf(Transfer kind, int result)
{
    for (const ResultRow& row : kResults) {
        if (row.result != result)
            continue;
        switch (kind) {
        case Transfer::Native:
            return row.native;
        case Transfer::File:
            return row.file;
        default:
            return row.memory;
        }
    }
    return kOtherResult;
}

TW_UINT16 Finish(Transfer kind, int result)
{
    const Outcome outcome = OutcomeOf(kind, result);
    // The state is settled before the message box, which lets the
    // application's messages through.
    if (outcome.rc == TWRC_CANCEL)
        sourceState = kStateEnabled;
    if (outcome.message)
        DS_Error(appWindow, kDriverText, outcome.message);
    return outcome.rc;
}

// After a disable the work buffers are gone, and before an enable or after a
// close the driver is not bound: such a transfer never reaches the driver.
bool DriverCanTransfer(bool entryBound)
{
    if (sourceState < kStateEnabled || !entryBound)
        return false;
    for (void* buffer : workBuffers)
        if (!buffer)
            return false;
    return true;
}

// Derives the job unless the driver is in the middle of an image.
bool JobReady(int mechanism)
{
    if (jobInfo.transferActive)
        return true;
    const int result = DeriveJob(mechanism);
    if (result == kResultOk)
        return true;
    sourceState = kStateEnabled;
    DS_Error(appWindow, kDriverText, result);
    return false;
}

} // namespace

TW_UINT16 NativeTransferHandler(TripletCall* call)
{
    if (sourceState != kStateXferReady && sourceState != kStateTransferring)
        return FailTriplet(TWCC_SEQERROR, kNativeText);
    xferMechCurrent = TWSX_NATIVE;
    if (call->msg != MSG_GET)
        return FailTriplet(TWCC_BADPROTOCOL, kNativeText);
    if (!DriverCanTransfer(driver.createDIB != nullptr))
        return Refuse(TWCC_SEQERROR);
    if (!JobReady(TWSX_NATIVE))
        return TWRC_FAILURE;

    const int result = driver.createDIB(uiDialog, &dibHandle, AppName(), &jobSettings, &jobInfo,
                                        &scanParameters, TWSX_NATIVE, workBuffers[0], workBuffers[1],
                                        workBuffers[2]);
    // The bitmap belongs to the application from here on.
    if (result == kResultOk)
        *static_cast<TW_HANDLE*>(call->data) = dibHandle;
    return Finish(Transfer::Native, result);
}

TW_UINT16 FileTransferHandler(TripletCall* call)
{
    xferMechCurrent = TWSX_FILE;
    if (call->msg != MSG_GET)
        return FailTriplet(TWCC_BADPROTOCOL, kOtherText);
    if (!DriverCanTransfer(driver.createDIB != nullptr))
        return Refuse(TWCC_SEQERROR);
    if (!JobReady(TWSX_FILE))
        return TWRC_FAILURE;

    // Always a BMP file, whatever format the application asked for.
    const int result = driver.createDIB(uiDialog, &dibHandle, transferFileName, &jobSettings,
                                        &jobInfo, &scanParameters, TWSX_FILE, workBuffers[0],
                                        workBuffers[1], workBuffers[2]);
    return Finish(Transfer::File, result);
}

TW_UINT16 MemoryTransferHandler(TripletCall* call)
{
    if (call->msg != MSG_GET)
        return FailTriplet(TWCC_BADPROTOCOL, kOtherText);
    if (!DriverCanTransfer(driver.avMemXfer != nullptr))
        return Refuse(TWCC_SEQERROR);

    // The job is the one the last derivation left, normally the image info's.
    const int result = driver.avMemXfer(uiDialog, static_cast<pTW_IMAGEMEMXFER>(call->data),
                                        &jobSettings, &jobInfo, &scanParameters, 0, workBuffers[0],
                                        workBuffers[1], workBuffers[2]);
    return Finish(Transfer::Memory, result);
}
