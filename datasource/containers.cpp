#include "containers.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

namespace {

// A locked global block, unlocked when the guard goes. A handle that cannot
// be locked (none, freed, not a global handle) yields no data.
class LockedBlock {
public:
    explicit LockedBlock(HGLOBAL handle)
        : handle_(handle), data_(handle ? static_cast<BYTE*>(GlobalLock(handle)) : nullptr),
          size_(data_ ? GlobalSize(handle) : 0)
    {
    }
    ~LockedBlock()
    {
        if (data_)
            GlobalUnlock(handle_);
    }
    LockedBlock(const LockedBlock&) = delete;
    LockedBlock& operator=(const LockedBlock&) = delete;

    BYTE* data() const { return data_; }
    size_t size() const { return size_; }

private:
    HGLOBAL handle_;
    BYTE* data_;
    size_t size_;
};

// Allocates the block, stores its handle in hContainer whatever the outcome
// and, when there is a block, sets the container kind and answers the
// locked data.
BYTE* AllocateContainer(pTW_CAPABILITY capability, TW_UINT16 kind, uint64_t size, HGLOBAL* handle)
{
    // A size the address space cannot hold is an allocation failure, not a
    // short block.
    const SIZE_T bytes = static_cast<SIZE_T>(size);
    *handle = bytes == size ? GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, bytes) : nullptr;
    capability->hContainer = *handle;
    if (!*handle)
        return nullptr;
    BYTE* data = static_cast<BYTE*>(GlobalLock(*handle));
    if (!data) {
        GlobalFree(*handle);
        *handle = nullptr;
        capability->hContainer = nullptr;
        return nullptr;
    }
    capability->ConType = kind;
    return data;
}

// Item sizes the readers accept: the numeric types and TWTY_FRAME. String
// items are longer than ItemSize says and are never read.
size_t ReadableItemSize(TW_UINT16 itemType)
{
    switch (itemType) {
    case TWTY_INT8:
    case TWTY_UINT8:
    case TWTY_INT16:
    case TWTY_UINT16:
    case TWTY_BOOL:
    case TWTY_INT32:
    case TWTY_UINT32:
    case TWTY_FIX32:
    case TWTY_FRAME:
        return ItemSize(itemType);
    default:
        return 0;
    }
}

} // namespace

TW_UINT16 BuildOneValue(pTW_CAPABILITY capability, TW_UINT16 itemType, TW_UINT32 value)
{
    HGLOBAL handle;
    BYTE* data = AllocateContainer(capability, TWON_ONEVALUE, kOneValueSize, &handle);
    if (!data)
        return kNoMemory;
    auto* block = reinterpret_cast<pTW_ONEVALUE>(data);
    block->ItemType = itemType;
    block->Item = value;
    GlobalUnlock(handle);
    return kBuilt;
}

TW_UINT16 BuildEnumeration(pTW_CAPABILITY capability, const EnumDescriptor& descriptor,
                           const void* items)
{
    const uint64_t itemBytes = uint64_t(ItemSize(descriptor.ItemType)) * descriptor.NumItems;
    HGLOBAL handle;
    BYTE* data = AllocateContainer(capability, TWON_ENUMERATION, kEnumerationHeaderSize + itemBytes,
                                   &handle);
    if (!data)
        return kNoMemory;
    std::memcpy(data, &descriptor, kEnumerationHeaderSize);
    if (itemBytes)
        std::memcpy(data + kEnumerationHeaderSize, items, static_cast<size_t>(itemBytes));
    GlobalUnlock(handle);
    return kBuilt;
}

TW_UINT16 BuildArray(pTW_CAPABILITY capability, const ArrayDescriptor& descriptor,
                     const void* items)
{
    const uint64_t itemBytes = uint64_t(ItemSize(descriptor.ItemType)) * descriptor.NumItems;
    HGLOBAL handle;
    BYTE* data = AllocateContainer(capability, TWON_ARRAY, kArrayHeaderSize + itemBytes, &handle);
    if (!data)
        return kNoMemory;
    std::memcpy(data, &descriptor, kArrayHeaderSize);
    if (itemBytes)
        std::memcpy(data + kArrayHeaderSize, items, static_cast<size_t>(itemBytes));
    GlobalUnlock(handle);
    return kBuilt;
}

TW_UINT16 BuildRange(pTW_CAPABILITY capability, const TW_RANGE& range)
{
    HGLOBAL handle;
    BYTE* data = AllocateContainer(capability, TWON_RANGE, kRangeSize, &handle);
    if (!data)
        return kNoMemory;
    std::memcpy(data, &range, kRangeSize);
    GlobalUnlock(handle);
    return kBuilt;
}

bool ReadOneValue(const TW_CAPABILITY* capability, void* destination, size_t destinationSize)
{
    if (!capability || !destination)
        return false;
    LockedBlock block(capability->hContainer);
    if (block.size() < kOneValueSize)
        return false;
    const auto* oneValue = reinterpret_cast<const TW_ONEVALUE*>(block.data());
    // A frame does not fit the 4-byte item field.
    const size_t itemSize =
        oneValue->ItemType == TWTY_FRAME ? 0 : ReadableItemSize(oneValue->ItemType);
    if (itemSize == 0)
        return false;
    std::memcpy(destination, block.data() + offsetof(TW_ONEVALUE, Item),
                std::min(itemSize, destinationSize));
    return true;
}

bool ReadEnumerationItem(const TW_CAPABILITY* capability, void* destination, size_t destinationSize,
                         TW_UINT32 index)
{
    if (!capability || !destination)
        return false;
    LockedBlock block(capability->hContainer);
    if (block.size() < kEnumerationHeaderSize)
        return false;
    EnumDescriptor header;
    std::memcpy(&header, block.data(), kEnumerationHeaderSize);
    const size_t itemSize = ReadableItemSize(header.ItemType);
    if (itemSize == 0 || index >= header.NumItems)
        return false;
    const uint64_t offset = kEnumerationHeaderSize + uint64_t(index) * itemSize;
    if (offset + itemSize > block.size())
        return false;
    std::memcpy(destination, block.data() + offset, std::min(itemSize, destinationSize));
    return true;
}
