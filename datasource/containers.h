// TWAIN capability containers: TW_ONEVALUE, TW_ENUMERATION, TW_RANGE and
// TW_ARRAY built in movable global memory for the application, and read from
// the blocks an application sends. Nothing here knows a capability.
#pragma once

#include <cstddef>

#include "twain.h"

#pragma pack(push, 1)

// The header of a stored enumeration; its items live in a separate list.
struct EnumDescriptor {
    TW_UINT16 ItemType;
    TW_UINT32 NumItems;
    TW_UINT32 CurrentIndex;
    TW_UINT32 DefaultIndex;
};

// The header of a stored array.
struct ArrayDescriptor {
    TW_UINT16 ItemType;
    TW_UINT32 NumItems;
};

#pragma pack(pop)

static_assert(offsetof(EnumDescriptor, ItemType) == 0);
static_assert(offsetof(EnumDescriptor, NumItems) == 2);
static_assert(offsetof(EnumDescriptor, CurrentIndex) == 6);
static_assert(offsetof(EnumDescriptor, DefaultIndex) == 10);
static_assert(sizeof(EnumDescriptor) == 14);
static_assert(offsetof(ArrayDescriptor, ItemType) == 0);
static_assert(offsetof(ArrayDescriptor, NumItems) == 2);
static_assert(sizeof(ArrayDescriptor) == 6);

// Block sizes of the standard's 2-byte packed layouts.
constexpr size_t kOneValueSize = 6;
constexpr size_t kRangeSize = 22;
constexpr size_t kEnumerationHeaderSize = 14;
constexpr size_t kArrayHeaderSize = 6;

// Result of the builders: the container was built, or its memory could not
// be allocated (hContainer is then null and ConType unchanged).
constexpr TW_UINT16 kBuilt = 0;
constexpr TW_UINT16 kNoMemory = 2;

// Bytes of one item: 1 for the 8-bit types, 4 for the 32-bit types and
// TWTY_FIX32, 16 for TWTY_FRAME, 2 for every other type.
constexpr size_t ItemSize(TW_UINT16 itemType)
{
    switch (itemType) {
    case TWTY_INT8:
    case TWTY_UINT8:
        return 1;
    case TWTY_INT32:
    case TWTY_UINT32:
    case TWTY_FIX32:
        return 4;
    case TWTY_FRAME:
        return 16;
    default:
        return 2;
    }
}

// Rounds to the nearest 1/65536, halves upward, for non-negative values.
constexpr TW_FIX32 ToFix32(double value)
{
    const TW_INT32 v = static_cast<TW_INT32>(value * 65536.0 + 0.5);
    return TW_FIX32{static_cast<TW_INT16>(v >> 16), static_cast<TW_UINT16>(v & 0xFFFF)};
}

constexpr double FromFix32(TW_FIX32 value)
{
    return (static_cast<double>(value.Whole) * 65536.0 + value.Frac) / 65536.0;
}

// A TW_FIX32 as the 32-bit word a container item or range field holds.
constexpr TW_UINT32 FixWord(TW_FIX32 value)
{
    return (static_cast<TW_UINT32>(value.Frac) << 16) | static_cast<TW_UINT16>(value.Whole);
}

// The value is stored as a full 32-bit word whatever the item type; narrower
// values travel in its low bytes.
TW_UINT16 BuildOneValue(pTW_CAPABILITY capability, TW_UINT16 itemType, TW_UINT32 value);
// items holds descriptor.NumItems packed items of descriptor.ItemType.
TW_UINT16 BuildEnumeration(pTW_CAPABILITY capability, const EnumDescriptor& descriptor,
                           const void* items);
TW_UINT16 BuildArray(pTW_CAPABILITY capability, const ArrayDescriptor& descriptor,
                     const void* items);
TW_UINT16 BuildRange(pTW_CAPABILITY capability, const TW_RANGE& range);

// Copies the item of the application's one-value container into destination,
// whatever ConType says, as far as destination holds (destinationSize bytes,
// the item's low bytes first). Only the 8-, 16- and 32-bit numeric types and
// TWTY_FIX32 are read. Answers whether an item was copied; otherwise
// destination keeps its previous value (no container, a handle that cannot be
// locked, a block shorter than a one-value, another item type).
bool ReadOneValue(const TW_CAPABILITY* capability, void* destination, size_t destinationSize);

// Copies item number index (0-based) of the application's enumeration into
// destination, as far as destination holds. An item the enumeration does not
// hold (index beyond NumItems or beyond the allocated block) is no item, and
// string items are never read. Answers whether an item was copied.
bool ReadEnumerationItem(const TW_CAPABILITY* capability, void* destination, size_t destinationSize,
                         TW_UINT32 index);
