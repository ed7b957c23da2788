#include "userinterface.h"

#include "entry.h"
#include "state.h"

TW_UINT16 UserInterfaceHandler(TripletCall*)
{
    conditionCode = TWCC_BADPROTOCOL;
    return TWRC_FAILURE;
}

void TearDownUserInterface()
{
    if (uiDialog) {
        HWND dialog = uiDialog;
        uiDialog = nullptr;
        SendMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
    }
    if (logoWindow) {
        DestroyWindow(logoWindow);
        logoWindow = nullptr;
    }
    if (uiLibrary) {
        FreeLibrary(uiLibrary);
        uiLibrary = nullptr;
    }
    for (int i = 0; i < kWorkBufferCount; ++i) {
        if (workBufferHandles[i]) {
            GlobalUnlock(workBufferHandles[i]);
            GlobalFree(workBufferHandles[i]);
        }
        workBufferHandles[i] = nullptr;
        workBuffers[i] = nullptr;
    }
}
