#include "entry.h"
#include "state.h"

TW_UINT16 MemoryTransferHandler(TripletCall*)
{
    conditionCode = TWCC_BADPROTOCOL;
    return TWRC_FAILURE;
}

TW_UINT16 NativeTransferHandler(TripletCall*)
{
    conditionCode = TWCC_BADPROTOCOL;
    return TWRC_FAILURE;
}

TW_UINT16 FileTransferHandler(TripletCall*)
{
    conditionCode = TWCC_BADPROTOCOL;
    return TWRC_FAILURE;
}

