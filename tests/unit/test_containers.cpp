// Capability containers: block layouts in global memory, Fix32, and reading
// whatever an application hands over without stepping outside its block.
#include "testsupport.h"

#include "containerbytes.h"

#include <cstring>
#include <vector>

#include "containers.h"

namespace {

std::vector<BYTE> Bytes(std::initializer_list<int> values)
{
    std::vector<BYTE> bytes;
    for (int v : values)
        bytes.push_back(static_cast<BYTE>(v));
    return bytes;
}

std::vector<BYTE> Contents(HGLOBAL handle)
{
    std::vector<BYTE> bytes(GlobalSize(handle));
    const void* data = GlobalLock(handle);
    if (data && !bytes.empty())
        std::memcpy(bytes.data(), data, bytes.size());
    GlobalUnlock(handle);
    return bytes;
}

HGLOBAL Block(const std::vector<BYTE>& bytes, UINT flags = GMEM_MOVEABLE)
{
    HGLOBAL handle = GlobalAlloc(flags, bytes.size());
    void* data = GlobalLock(handle);
    std::memcpy(data, bytes.data(), bytes.size());
    GlobalUnlock(handle);
    return handle;
}

std::vector<BYTE> OneValueBlock(TW_UINT16 itemType, unsigned long item)
{
    std::vector<BYTE> bytes;
    Put16(bytes, itemType);
    Put32(bytes, item);
    return bytes;
}

std::vector<BYTE> EnumerationHeader(TW_UINT16 itemType, unsigned long count)
{
    std::vector<BYTE> bytes;
    Put16(bytes, itemType);
    Put32(bytes, count);
    Put32(bytes, 0);
    Put32(bytes, 0);
    return bytes;
}

// A built container handed back to the caller, freed with the fixture.
class ContainerTest : public SourceTest {
protected:
    TW_CAPABILITY cap{0x1234, 0x7777, nullptr};
    std::vector<HGLOBAL> owned;

    void TearDown() override
    {
        for (HGLOBAL handle : owned)
            GlobalFree(handle);
        SourceTest::TearDown();
    }
    std::vector<BYTE> Built()
    {
        EXPECT_NE(nullptr, cap.hContainer);
        owned.push_back(cap.hContainer);
        // The application gets a movable block: its handle is not its address.
        void* data = GlobalLock(cap.hContainer);
        EXPECT_NE(static_cast<void*>(cap.hContainer), data);
        GlobalUnlock(cap.hContainer);
        return Contents(cap.hContainer);
    }
    TW_CAPABILITY Holding(const std::vector<BYTE>& bytes, UINT flags = GMEM_MOVEABLE)
    {
        HGLOBAL handle = Block(bytes, flags);
        owned.push_back(handle);
        return TW_CAPABILITY{0x0102, TWON_ONEVALUE, handle};
    }
};

} // namespace

TEST(Fix32, EdgeValues)
{
    struct Case {
        double value;
        TW_INT16 whole;
        TW_UINT16 frac;
    };
    const Case cases[] = {
        {1.4, 1, 26214},     {8.5, 8, 32768}, {11.69, 11, 45220},
        {300, 300, 0},       {0, 0, 0},       {2.2, 2, 13107}, // 13107.2: rounds down
        {0.5 / 65536, 0, 1},                                   // a half rounds upward
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.value);
        const TW_FIX32 fix = ToFix32(c.value);
        EXPECT_EQ(c.whole, fix.Whole);
        EXPECT_EQ(c.frac, fix.Frac);
    }
    EXPECT_EQ(1.399993896484375, FromFix32(TW_FIX32{1, 26214}));
    EXPECT_EQ(-127.0, FromFix32(TW_FIX32{-127, 0}));
    EXPECT_EQ(-0.5, FromFix32(TW_FIX32{-1, 32768})) << "Whole is signed, Frac unsigned";
    EXPECT_EQ(0x0000FF81u, FixWord(TW_FIX32{-127, 0}));
    EXPECT_EQ(0x8000012Cu, FixWord(TW_FIX32{300, 0x8000}));
}

TEST(ItemSize, ByItemType)
{
    struct Case {
        TW_UINT16 type;
        size_t size;
    };
    const Case cases[] = {
        {TWTY_INT8, 1},   {TWTY_UINT8, 1}, {TWTY_INT16, 2},  {TWTY_UINT16, 2},
        {TWTY_BOOL, 2},   {TWTY_INT32, 4}, {TWTY_UINT32, 4}, {TWTY_FIX32, 4},
        {TWTY_FRAME, 16}, {TWTY_STR32, 2}, {0x0077, 2},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.size, ItemSize(c.type)) << c.type;
}

TEST_F(ContainerTest, OneValueIsSixBytesWithAFullWord)
{
    struct Case {
        TW_UINT16 type;
        TW_UINT32 value;
    };
    const Case cases[] = {
        {TWTY_BOOL, 1},
        {TWTY_INT16, 0xFFFFFFFF},
        {TWTY_FIX32, 0x6666'0001},
        {TWTY_UINT8, 0x1234'5678},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.type);
        cap.ConType = 0x7777;
        EXPECT_EQ(kBuilt, BuildOneValue(&cap, c.type, c.value));
        EXPECT_EQ(TWON_ONEVALUE, cap.ConType);
        EXPECT_EQ(OneValueBlock(c.type, c.value), Built());
    }
}

TEST_F(ContainerTest, EnumerationIsFourteenBytesAndItsItems)
{
    const TW_UINT16 shorts[] = {0, 1, 5};
    EXPECT_EQ(kBuilt, BuildEnumeration(&cap, EnumDescriptor{TWTY_UINT16, 3, 2, 1}, shorts));
    EXPECT_EQ(TWON_ENUMERATION, cap.ConType);
    EXPECT_EQ(Bytes({4, 0, 3, 0, 0, 0, 2, 0, 0, 0, 1, 0, 0, 0, 0, 0, 1, 0, 5, 0}), Built());

    const TW_FIX32 fixes[] = {{100, 0}, {150, 0}, {200, 0}, {300, 0}, {400, 0}, {600, 0x8000}};
    EXPECT_EQ(kBuilt, BuildEnumeration(&cap, EnumDescriptor{TWTY_FIX32, 6, 3, 3}, fixes));
    std::vector<BYTE> expected = EnumerationHeader(TWTY_FIX32, 6);
    expected[6] = expected[10] = 3;
    for (const TW_FIX32& f : fixes)
        Put32(expected, FixWord(f));
    EXPECT_EQ(38u, expected.size());
    EXPECT_EQ(expected, Built());

    const BYTE bytes[] = {9, 8, 7};
    EXPECT_EQ(kBuilt, BuildEnumeration(&cap, EnumDescriptor{TWTY_UINT8, 3, 0, 0}, bytes));
    EXPECT_EQ(17u, Built().size());

    const TW_FRAME frames[2] = {};
    EXPECT_EQ(kBuilt, BuildEnumeration(&cap, EnumDescriptor{TWTY_FRAME, 2, 0, 0}, frames));
    EXPECT_EQ(46u, Built().size());
}

TEST_F(ContainerTest, ArrayIsSixBytesAndItsItems)
{
    EXPECT_EQ(kBuilt, BuildArray(&cap, ArrayDescriptor{TWTY_UINT16, 0}, nullptr));
    EXPECT_EQ(TWON_ARRAY, cap.ConType);
    EXPECT_EQ(Bytes({4, 0, 0, 0, 0, 0}), Built());

    const TW_UINT16 items[] = {0x1101, 0x0102};
    EXPECT_EQ(kBuilt, BuildArray(&cap, ArrayDescriptor{TWTY_UINT16, 2}, items));
    EXPECT_EQ(Bytes({4, 0, 2, 0, 0, 0, 0x01, 0x11, 0x02, 0x01}), Built());
}

TEST_F(ContainerTest, RangeIsAlwaysTwentyTwoBytes)
{
    const TW_RANGE range{TWTY_INT16, 1, 255, 1, 255, 100};
    EXPECT_EQ(kBuilt, BuildRange(&cap, range));
    EXPECT_EQ(TWON_RANGE, cap.ConType);
    EXPECT_EQ(Bytes({1, 0, 1, 0, 0, 0, 255, 0, 0, 0, 1, 0, 0, 0, 255, 0, 0, 0, 100, 0, 0, 0}),
              Built());
}

TEST_F(ContainerTest, ReadOneValueCopiesByItemTypeAndNeverBeyondItsDestination)
{
    struct Case {
        TW_UINT16 type;
        TW_UINT32 item;
        bool read;
        TW_UINT16 expected; // the 2-byte destination afterwards
    };
    const Case cases[] = {
        {TWTY_UINT16, 5, true, 5},
        {TWTY_BOOL, 1, true, 1},
        {TWTY_INT16, 0xFFFF, true, 0xFFFF},
        {TWTY_UINT8, 0x7F, true, 0xAA7F},        // one byte: the other stays
        {TWTY_UINT32, 0x12345678, true, 0x5678}, // only as far as the destination holds
        {TWTY_FIX32, 0x8000'012C, true, 300},
        {TWTY_FRAME, 5, false, 0xAAAA},
        {TWTY_STR32, 5, false, 0xAAAA},
        {0x0077, 5, false, 0xAAAA},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.type);
        const TW_CAPABILITY app = Holding(OneValueBlock(c.type, c.item));
        // The destination sits between guards that must survive.
        struct {
            TW_UINT16 before = 0xBBBB;
            TW_UINT16 value = 0xAAAA;
            TW_UINT16 after = 0xCCCC;
        } target;
        EXPECT_EQ(c.read, ReadOneValue(&app, &target.value, sizeof target.value));
        EXPECT_EQ(c.expected, target.value);
        EXPECT_EQ(0xBBBB, target.before);
        EXPECT_EQ(0xCCCC, target.after);
    }

    const TW_CAPABILITY fix = Holding(OneValueBlock(TWTY_FIX32, 0x8000'012C));
    TW_FIX32 value{};
    EXPECT_TRUE(ReadOneValue(&fix, &value, sizeof value));
    EXPECT_EQ(300, value.Whole);
    EXPECT_EQ(0x8000, value.Frac);
}

TEST_F(ContainerTest, ReadOneValueIgnoresConTypeAndTakesAnyGlobalBlock)
{
    TW_CAPABILITY app = Holding(OneValueBlock(TWTY_UINT16, 7));
    app.ConType = TWON_RANGE;
    TW_UINT16 value = 0;
    EXPECT_TRUE(ReadOneValue(&app, &value, sizeof value));
    EXPECT_EQ(7, value);

    const TW_CAPABILITY fixed = Holding(OneValueBlock(TWTY_UINT16, 8), GMEM_FIXED);
    EXPECT_TRUE(ReadOneValue(&fixed, &value, sizeof value));
    EXPECT_EQ(8, value);

    // A block the application still holds locked is read, and left locked.
    const TW_CAPABILITY locked = Holding(OneValueBlock(TWTY_UINT16, 9));
    ASSERT_NE(nullptr, GlobalLock(locked.hContainer));
    EXPECT_TRUE(ReadOneValue(&locked, &value, sizeof value));
    EXPECT_EQ(9, value);
    EXPECT_EQ(1u, GlobalFlags(locked.hContainer) & GMEM_LOCKCOUNT);
    GlobalUnlock(locked.hContainer);
    EXPECT_EQ(0u, GlobalFlags(locked.hContainer) & GMEM_LOCKCOUNT);
}

TEST_F(ContainerTest, ReadOneValueOfNothingLeavesTheDestination)
{
    TW_UINT16 value = 0xAAAA;
    TW_CAPABILITY none{0x0102, TWON_ONEVALUE, nullptr};
    EXPECT_FALSE(ReadOneValue(&none, &value, sizeof value));

    // Shorter than a one-value: item type and half an item.
    const TW_CAPABILITY shortBlock = Holding(Bytes({4, 0, 5, 0}));
    EXPECT_FALSE(ReadOneValue(&shortBlock, &value, sizeof value));

    HGLOBAL freed = Block(OneValueBlock(TWTY_UINT16, 5));
    GlobalFree(freed);
    TW_CAPABILITY stale{0x0102, TWON_ONEVALUE, freed};
    EXPECT_FALSE(ReadOneValue(&stale, &value, sizeof value));
    EXPECT_EQ(0xAAAA, value);
}

TEST_F(ContainerTest, ReadEnumerationItemStaysInsideTheApplicationsBlock)
{
    std::vector<BYTE> three = EnumerationHeader(TWTY_UINT16, 3);
    for (unsigned v : {10u, 11u, 12u})
        Put16(three, v);
    const TW_CAPABILITY app = Holding(three);

    // Claims ten items but holds three.
    std::vector<BYTE> lying = three;
    lying[2] = 10;
    const TW_CAPABILITY liar = Holding(lying);

    // Holds three items but claims one.
    std::vector<BYTE> modest = three;
    modest[2] = 1;
    const TW_CAPABILITY shy = Holding(modest);

    std::vector<BYTE> huge = EnumerationHeader(TWTY_UINT16, 0xFFFFFFFF);
    Put16(huge, 1);
    const TW_CAPABILITY hugeClaim = Holding(huge);

    const TW_CAPABILITY headerOnly = Holding(EnumerationHeader(TWTY_UINT16, 0));
    const TW_CAPABILITY shortBlock = Holding(Bytes({4, 0, 1, 0, 0, 0, 0, 0, 0, 0}));

    struct Case {
        const TW_CAPABILITY* cap;
        TW_UINT32 index;
        bool read;
        TW_UINT16 expected;
    };
    const Case cases[] = {
        {&app, 0, true, 10},
        {&app, 2, true, 12},
        {&app, 3, false, 0xAAAA},
        {&liar, 2, true, 12},
        {&liar, 3, false, 0xAAAA},
        {&liar, 9, false, 0xAAAA},
        {&shy, 0, true, 10},
        {&shy, 1, false, 0xAAAA},
        {&hugeClaim, 0, true, 1},
        {&hugeClaim, 0x80000000, false, 0xAAAA},
        {&hugeClaim, 0xFFFFFFFE, false, 0xAAAA},
        {&headerOnly, 0, false, 0xAAAA},
        {&shortBlock, 0, false, 0xAAAA},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.index);
        TW_UINT16 value = 0xAAAA;
        EXPECT_EQ(c.read, ReadEnumerationItem(c.cap, &value, sizeof value, c.index));
        EXPECT_EQ(c.expected, value);
    }

    TW_UINT16 value = 0xAAAA;
    TW_CAPABILITY none{0x0101, TWON_ENUMERATION, nullptr};
    EXPECT_FALSE(ReadEnumerationItem(&none, &value, sizeof value, 0));
    HGLOBAL freed = Block(three);
    GlobalFree(freed);
    TW_CAPABILITY stale{0x0101, TWON_ENUMERATION, freed};
    EXPECT_FALSE(ReadEnumerationItem(&stale, &value, sizeof value, 0));
    EXPECT_EQ(0xAAAA, value);
}

TEST_F(ContainerTest, ReadEnumerationItemFitsWideItemsIntoTheDestination)
{
    std::vector<BYTE> frames = EnumerationHeader(TWTY_FRAME, 2);
    for (int i = 0; i < 32; ++i)
        frames.push_back(BYTE(0x40 + i));
    const TW_CAPABILITY app = Holding(frames);

    struct {
        TW_UINT16 value = 0xAAAA;
        BYTE after[14] = {};
    } narrow;
    EXPECT_TRUE(ReadEnumerationItem(&app, &narrow.value, sizeof narrow.value, 1));
    EXPECT_EQ(0x5150, narrow.value);
    for (BYTE b : narrow.after)
        EXPECT_EQ(0, b) << "a frame never spills over a 2-byte destination";

    TW_FRAME frame{};
    EXPECT_TRUE(ReadEnumerationItem(&app, &frame, sizeof frame, 1));
    EXPECT_EQ(0, std::memcmp(&frame, frames.data() + 14 + 16, 16));

    std::vector<BYTE> longs = EnumerationHeader(TWTY_UINT32, 1);
    Put32(longs, 0x12345678);
    const TW_CAPABILITY wide = Holding(longs);
    TW_UINT16 value = 0;
    EXPECT_TRUE(ReadEnumerationItem(&wide, &value, sizeof value, 0));
    EXPECT_EQ(0x5678, value);

    std::vector<BYTE> strings = EnumerationHeader(TWTY_STR32, 1);
    strings.resize(14 + 34, 'x');
    const TW_CAPABILITY text = Holding(strings);
    value = 0xAAAA;
    EXPECT_FALSE(ReadEnumerationItem(&text, &value, sizeof value, 0));
    EXPECT_EQ(0xAAAA, value);
}
