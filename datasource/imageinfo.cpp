#include "entry.h"
#include "state.h"

TW_UINT16 ImageInfoHandler(TripletCall*)
{
    conditionCode = TWCC_BADPROTOCOL;
    return TWRC_FAILURE;
}

TW_UINT16 ImageLayoutHandler(TripletCall*)
{
    conditionCode = TWCC_BADPROTOCOL;
    return TWRC_FAILURE;
}

