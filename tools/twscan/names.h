// Standard names of TWAIN values, for the triplet log and the reasons on
// stderr. A value without a name is shown as 0x and four hex digits.
#pragma once

#include <string>

#include "twain.h"

std::string GroupName(TW_UINT32 dg);
std::string DataTypeName(TW_UINT16 dat);
std::string MessageName(TW_UINT16 msg);
std::string ReturnCodeName(TW_UINT16 rc);
std::string ConditionCodeName(TW_UINT16 cc);
std::string CapabilityName(TW_UINT16 cap);
// "DG_CONTROL DAT_IDENTITY MSG_OPENDS"
std::string TripletName(TW_UINT32 dg, TW_UINT16 dat, TW_UINT16 msg);
