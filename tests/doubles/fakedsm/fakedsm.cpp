// A source manager for notification tests, installed as TWAIN_32.DLL in the
// Windows directory: DSM_Entry hands each call to the callback a test
// registered, so the test sees what the source had done before calling out.
#include "twain.h"

typedef void(WINAPI* FakeDsmCallback)(pTW_IDENTITY origin, pTW_IDENTITY destination, TW_UINT32 group,
                                      TW_UINT16 dat, TW_UINT16 msg, TW_MEMREF data);

namespace {
FakeDsmCallback callback;
}

extern "C" {

void WINAPI FakeDsmSetCallback(FakeDsmCallback function)
{
    callback = function;
}

TW_UINT16 WINAPI DSM_Entry(pTW_IDENTITY origin, pTW_IDENTITY destination, TW_UINT32 group, TW_UINT16 dat,
                           TW_UINT16 msg, TW_MEMREF data)
{
    if (callback)
        callback(origin, destination, group, dat, msg, data);
    return TWRC_SUCCESS;
}

}
