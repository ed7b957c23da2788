// Building the bytes of a capability container the way an application lays
// them out: little-endian words after one another.
#pragma once

#include <vector>
#include <windows.h>

inline void Put16(std::vector<BYTE>& bytes, unsigned v)
{
    bytes.push_back(BYTE(v));
    bytes.push_back(BYTE(v >> 8));
}

inline void Put32(std::vector<BYTE>& bytes, unsigned long v)
{
    Put16(bytes, v & 0xFFFF);
    Put16(bytes, v >> 16);
}
