#include "entry.h"
#include "state.h"

TW_UINT16 IdentityHandler(TripletCall*)
{
    conditionCode = TWCC_BADPROTOCOL;
    return TWRC_FAILURE;
}

#include "identity.h"

bool AttachSource(HINSTANCE instance)
{
    if (!instance)
        return false;
    moduleInstance = instance;
    return true;
}
