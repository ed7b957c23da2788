#include "entry.h"
#include "state.h"

TW_UINT16 PendingTransfersHandler(TripletCall*)
{
    conditionCode = TWCC_BADPROTOCOL;
    return TWRC_FAILURE;
}

TW_UINT16 SetupMemoryHandler(TripletCall*)
{
    conditionCode = TWCC_BADPROTOCOL;
    return TWRC_FAILURE;
}

TW_UINT16 SetupFileHandler(TripletCall*)
{
    conditionCode = TWCC_BADPROTOCOL;
    return TWRC_FAILURE;
}

TW_UINT16 TransferGroupHandler(TripletCall*)
{
    conditionCode = TWCC_BADPROTOCOL;
    return TWRC_FAILURE;
}

TW_UINT16 Palette8Handler(TripletCall*)
{
    conditionCode = TWCC_BADPROTOCOL;
    return TWRC_FAILURE;
}

