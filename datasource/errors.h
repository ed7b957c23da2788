// DS_Error: error code to a localized message box, and the common way a
// TWAIN handler refuses a triplet.
#pragma once

#include "twain.h"

extern "C" void WINAPI DS_Error(HWND owner, const char* text, LONG code);

// The composed message box text holds at most this many characters.
constexpr size_t kErrorTextMax = 255;

// Sets the condition code, reports it with the handler's fixed text and
// answers TWRC_FAILURE.
TW_UINT16 FailTriplet(TW_UINT16 code, const char* text);

// Sets the condition code and answers TWRC_FAILURE without a message.
TW_UINT16 Refuse(TW_UINT16 code);
