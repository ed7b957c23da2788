// Capability negotiation: DG_CONTROL / DAT_CAPABILITY (CapabilityHandler is
// declared with the other triplet handlers in entry.h).
#pragma once

#include "twain.h"

// Capability numbers of the source's own, which the TWAIN standard leaves
// free. Each is set with a one-value.
constexpr TW_UINT16 kCapColorMagician = 0x1197;  // colorMagician := the 16-bit value
constexpr TW_UINT16 kCapSharpenMode = 0x1198;    // sharpenMode := its low 8 bits
constexpr TW_UINT16 kCapDescreenMode = 0x1199;   // descreenMode := its low 8 bits
constexpr TW_UINT16 kCapReloadSettings = 0x9999; // re-read the settings file
