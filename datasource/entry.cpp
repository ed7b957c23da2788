#include "entry.h"

#include "errors.h"
#include "state.h"

namespace {

struct DispatchEntry {
    TW_UINT16 dat;
    TripletHandler handler;
    // The handler reads or writes pData for every message; a null pointer is
    // refused before it runs. Handlers with a message that takes no data
    // check for themselves.
    bool needsData;
};

constexpr DispatchEntry kControlTable[] = {
    {DAT_IDENTITY, IdentityHandler, false},
    {DAT_USERINTERFACE, UserInterfaceHandler, true},
    {DAT_CAPABILITY, CapabilityHandler, true},
    {DAT_STATUS, StatusHandler, true},
    {DAT_PENDINGXFERS, PendingTransfersHandler, true},
    {DAT_SETUPMEMXFER, SetupMemoryHandler, true},
    {DAT_SETUPFILEXFER, SetupFileHandler, true},
    {DAT_XFERGROUP, TransferGroupHandler, true},
    {0, nullptr, false},
};

constexpr DispatchEntry kImageTable[] = {
    {DAT_IMAGEINFO, ImageInfoHandler, true},
    {DAT_IMAGELAYOUT, ImageLayoutHandler, true},
    {DAT_IMAGEMEMXFER, MemoryTransferHandler, true},
    {DAT_IMAGENATIVEXFER, NativeTransferHandler, true},
    {DAT_IMAGEFILEXFER, FileTransferHandler, false},
    {DAT_PALETTE8, Palette8Handler, true},
    {0, nullptr, false},
};

TW_UINT16 ProcessEvent(TW_MEMREF data)
{
    auto* event = static_cast<pTW_EVENT>(data);
    if (!uiDialog || !event->pEvent)
        return TWRC_NOTDSEVENT;
    if (!IsDialogMessageA(uiDialog, static_cast<LPMSG>(event->pEvent)))
        return TWRC_NOTDSEVENT;
    event->TWMessage = MSG_NULL;
    return TWRC_DSEVENT;
}

} // namespace

extern "C" TW_UINT16 WINAPI DS_Entry(pTW_IDENTITY pOrigin, TW_UINT32 dataGroup, TW_UINT16 dat,
                                     TW_UINT16 msg, TW_MEMREF pData)
{
    if (!pOrigin)
        return Refuse(TWCC_BADVALUE);
    // Another application than the connected one: nothing runs.
    if (appIdentity.Id != 0 && pOrigin->Id != appIdentity.Id)
        return TWRC_FAILURE;

    if (msg == MSG_PROCESSEVENT) {
        if (!pData)
            return Refuse(TWCC_BADVALUE);
        return ProcessEvent(pData);
    }

    if (!(dataGroup == DG_CONTROL && dat == DAT_STATUS))
        conditionCode = TWCC_SUCCESS;

    TripletCall call{pOrigin, dataGroup, dat, msg, pData};

    const DispatchEntry* table = nullptr;
    if (dataGroup == DG_CONTROL)
        table = kControlTable;
    else if (dataGroup == DG_IMAGE)
        table = kImageTable;
    else
        return Refuse(TWCC_BADPROTOCOL);

    for (const DispatchEntry* entry = table; entry->handler; ++entry) {
        if (entry->dat != dat)
            continue;
        if (entry->needsData && !pData)
            return Refuse(TWCC_BADVALUE);
        return entry->handler(&call);
    }
    return Refuse(TWCC_BADPROTOCOL);
}

TW_UINT16 StatusHandler(TripletCall* call)
{
    if (call->msg != MSG_GET)
        return FailTriplet(TWCC_BADPROTOCOL, "General failure in response to DAT_STATUS.  ");
    auto* status = static_cast<pTW_STATUS>(call->data);
    status->ConditionCode = conditionCode;
    status->Reserved = 0;
    conditionCode = TWCC_SUCCESS;
    return TWRC_SUCCESS;
}
