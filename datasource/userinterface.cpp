#include "entry.h"
#include "state.h"

TW_UINT16 UserInterfaceHandler(TripletCall*)
{
    conditionCode = TWCC_BADPROTOCOL;
    return TWRC_FAILURE;
}

