// The conversation with the source manager: its entry point, our identity
// and window, the identity of the opened source, the TWAIN state as we see
// it, and every triplet we send (logged, and explained when it fails).
#pragma once

#include <string>

#include "twain.h"

extern TW_IDENTITY appIdentity;
extern TW_IDENTITY sourceIdentity;
extern HWND appWindow;
// TWAIN state from the application's side: 1 to 7.
extern int appState;
// Number of triplets we are inside right now; nonzero means that a message
// loop running now belongs to the manager or the source, not to us.
extern int tripletDepth;

// Loads TWAIN_32.DLL and finds DSM_Entry; false with the reason printed.
bool LoadSourceManager();
// Starts the triplet log; false with the reason printed.
bool OpenTripletLog(const std::string& path);

// A triplet to the manager itself (no destination).
TW_UINT16 CallManager(TW_UINT16 dat, TW_UINT16 msg, TW_MEMREF data);
// A triplet to the opened source.
TW_UINT16 CallSource(TW_UINT32 dg, TW_UINT16 dat, TW_UINT16 msg, TW_MEMREF data);

// The condition code that DAT_STATUS reported after the last failure
// (TWCC_BUMMER when the status itself could not be read).
extern TW_UINT16 lastConditionCode;
// "DG_IMAGE DAT_IMAGEINFO MSG_GET failed: TWRC_FAILURE (TWCC_SEQERROR)"
std::string FailureText(TW_UINT32 dg, TW_UINT16 dat, TW_UINT16 msg, TW_UINT16 rc);
