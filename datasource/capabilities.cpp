#include "entry.h"
#include "state.h"

TW_UINT16 CapabilityHandler(TripletCall*)
{
    conditionCode = TWCC_BADPROTOCOL;
    return TWRC_FAILURE;
}

