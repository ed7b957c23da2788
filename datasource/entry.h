// DS_Entry and the record it hands to every triplet handler.
#pragma once

#include "twain.h"

struct TripletCall {
    pTW_IDENTITY origin;
    TW_UINT32 dataGroup;
    TW_UINT16 dat;
    TW_UINT16 msg;
    TW_MEMREF data;
};

typedef TW_UINT16 (*TripletHandler)(TripletCall* call);

extern "C" TW_UINT16 WINAPI DS_Entry(pTW_IDENTITY pOrigin, TW_UINT32 dataGroup, TW_UINT16 dat,
                                     TW_UINT16 msg, TW_MEMREF pData);

// Handlers of the two dispatch tables.
TW_UINT16 IdentityHandler(TripletCall* call);
TW_UINT16 UserInterfaceHandler(TripletCall* call);
TW_UINT16 CapabilityHandler(TripletCall* call);
TW_UINT16 StatusHandler(TripletCall* call);
TW_UINT16 PendingTransfersHandler(TripletCall* call);
TW_UINT16 SetupMemoryHandler(TripletCall* call);
TW_UINT16 SetupFileHandler(TripletCall* call);
TW_UINT16 TransferGroupHandler(TripletCall* call);
TW_UINT16 ImageInfoHandler(TripletCall* call);
TW_UINT16 ImageLayoutHandler(TripletCall* call);
TW_UINT16 MemoryTransferHandler(TripletCall* call);
TW_UINT16 NativeTransferHandler(TripletCall* call);
TW_UINT16 FileTransferHandler(TripletCall* call);
TW_UINT16 Palette8Handler(TripletCall* call);
