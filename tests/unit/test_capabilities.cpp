// Capability negotiation through DS_Entry, as an application does it: the
// values of every capability, what a set changes, the per-application
// answers and containers that hold nothing or the wrong thing.
//
// The capability store lives as long as the process. Every test leaves it as
// it was at load by setting the initial values again through DS_Entry (see
// CapabilityTest::TearDown), so the tests may run in any order.
#include "testsupport.h"

#include "containerbytes.h"

#include <cstring>
#include <string>
#include <vector>

#include "capabilities.h"
#include "containers.h"
#include "driver.h"
#include "entry.h"
#include "identity.h"
#include "settings.h"
#include "state.h"

namespace {

constexpr const char* kCapsFailure = "General failure in response to DAT_CAPS.  ";

LONG fakeStatus;
int WINAPI FakeStatus(BYTE*, BYTE*, BYTE*, LONG* status)
{
    *status = fakeStatus;
    return 1;
}

BYTE fakePaper;
int fakePaperResult;
int paperQueries;
int WINAPI FakeADFPaper(BYTE* paper)
{
    ++paperQueries;
    *paper = fakePaper;
    return fakePaperResult;
}

int pageFeeds;
void WINAPI FakePageFeed()
{
    ++pageFeeds;
}

constexpr unsigned long Fix(int whole, unsigned frac = 0)
{
    return (static_cast<unsigned long>(frac) << 16) | static_cast<TW_UINT16>(whole);
}

// Expected blocks, composed here independently of the source's builders.
std::vector<BYTE> OneValueBytes(TW_UINT16 type, unsigned long item)
{
    std::vector<BYTE> bytes;
    Put16(bytes, type);
    Put32(bytes, item);
    return bytes;
}

std::vector<BYTE> EnumerationBytes(TW_UINT16 type, std::vector<unsigned long> items,
                                   unsigned long current, unsigned long defaultIndex)
{
    std::vector<BYTE> bytes;
    Put16(bytes, type);
    Put32(bytes, items.size());
    Put32(bytes, current);
    Put32(bytes, defaultIndex);
    for (unsigned long item : items) {
        if (type == TWTY_FIX32)
            Put32(bytes, item);
        else
            Put16(bytes, item);
    }
    return bytes;
}

std::vector<BYTE> RangeBytes(TW_UINT16 type, unsigned long minimum, unsigned long maximum,
                             unsigned long step, unsigned long defaultValue, unsigned long current)
{
    std::vector<BYTE> bytes;
    Put16(bytes, type);
    for (unsigned long v : {minimum, maximum, step, defaultValue, current})
        Put32(bytes, v);
    return bytes;
}

std::vector<BYTE> EmptyArrayBytes()
{
    std::vector<BYTE> bytes;
    Put16(bytes, TWTY_UINT16);
    Put32(bytes, 0);
    return bytes;
}

HGLOBAL Block(const std::vector<BYTE>& bytes)
{
    HGLOBAL handle = GlobalAlloc(GMEM_MOVEABLE, bytes.size());
    void* data = GlobalLock(handle);
    std::memcpy(data, bytes.data(), bytes.size());
    GlobalUnlock(handle);
    return handle;
}

// What the source answered: the return code and the container, if any.
struct Reply {
    TW_UINT16 rc;
    TW_UINT16 conType;
    bool container;
    std::vector<BYTE> bytes;

    // A 32-bit word of the block (0 beyond its end), wide enough to compare
    // with signed and unsigned expectations alike.
    long long Word(size_t offset) const
    {
        long long v = 0;
        for (size_t i = 0; i < 4 && offset + i < bytes.size(); ++i)
            v |= static_cast<long long>(bytes[offset + i]) << (8 * i);
        return v;
    }
    long long Item() const { return Word(2); }          // one-value
    long long CurrentIndex() const { return Word(6); }  // enumeration
    long long RangeCurrent() const { return Word(18); } // range
};

// Every capability of the table, and the source's own numbers.
const TW_UINT16 kAllCapabilities[] = {
    CAP_XFERCOUNT,
    ICAP_COMPRESSION,
    ICAP_PIXELTYPE,
    ICAP_UNITS,
    ICAP_XFERMECH,
    CAP_AUTHOR,
    CAP_FEEDERENABLED,
    CAP_FEEDERLOADED,
    CAP_TIMEDATE,
    CAP_SUPPORTEDCAPS,
    CAP_AUTOFEED,
    CAP_CLEARPAGE,
    CAP_FEEDPAGE,
    ICAP_AUTOBRIGHT,
    ICAP_BRIGHTNESS,
    ICAP_CONTRAST,
    ICAP_FILTER,
    ICAP_GAMMA,
    ICAP_HIGHLIGHT,
    ICAP_IMAGEFILEFORMAT,
    ICAP_LIGHTSOURCE,
    ICAP_PHYSICALWIDTH,
    ICAP_PHYSICALHEIGHT,
    ICAP_SHADOW,
    ICAP_XNATIVERESOLUTION,
    ICAP_YNATIVERESOLUTION,
    ICAP_XRESOLUTION,
    ICAP_YRESOLUTION,
    ICAP_TILES,
    ICAP_LIGHTPATH,
    ICAP_PIXELFLAVOR,
    ICAP_PLANARCHUNKY,
    ICAP_SUPPORTEDSIZES,
    ICAP_THRESHOLD,
    ICAP_XSCALING,
    ICAP_YSCALING,
    ICAP_BITDEPTH,
    kCapColorMagician,
    kCapSharpenMode,
    kCapDescreenMode,
    kCapReloadSettings,
};

class CapabilityTest : public SourceTest {
protected:
    TW_IDENTITY origin{};

    void SetUp() override
    {
        SourceTest::SetUp();
        fakeStatus = 0;
        driver.parallPortStatusEx = FakeStatus;
        fakePaper = 0;
        fakePaperResult = 1;
        paperQueries = 0;
        pageFeeds = 0;
    }

    // The store as at load, set again through the application's door.
    void TearDown() override
    {
        appIdentity = TW_IDENTITY{};
        fakeStatus = 0;
        struct Initial {
            TW_UINT16 cap;
            TW_UINT16 type;
            unsigned long value;
        };
        const Initial initial[] = {
            {ICAP_COMPRESSION, TWTY_UINT16, 0},  {ICAP_PIXELTYPE, TWTY_UINT16, 0},
            {ICAP_UNITS, TWTY_UINT16, 0},        {ICAP_XFERMECH, TWTY_UINT16, 2},
            {ICAP_BRIGHTNESS, TWTY_FIX32, 0},    {ICAP_CONTRAST, TWTY_FIX32, 0},
            {ICAP_FILTER, TWTY_UINT16, 3},       {ICAP_HIGHLIGHT, TWTY_INT16, 255},
            {ICAP_SHADOW, TWTY_INT16, 0},        {ICAP_IMAGEFILEFORMAT, TWTY_UINT16, 2},
            {ICAP_LIGHTSOURCE, TWTY_UINT16, 4},  {ICAP_XRESOLUTION, TWTY_FIX32, Fix(300)},
            {ICAP_LIGHTPATH, TWTY_UINT16, 0},    {ICAP_PIXELFLAVOR, TWTY_UINT16, 0},
            {ICAP_PLANARCHUNKY, TWTY_UINT16, 0}, {ICAP_SUPPORTEDSIZES, TWTY_UINT16, 0},
            {ICAP_THRESHOLD, TWTY_UINT16, 127},  {ICAP_BITDEPTH, TWTY_UINT16, 1},
        };
        for (const Initial& i : initial)
            EXPECT_EQ(TWRC_SUCCESS, SetOne(i.cap, i.type, i.value)) << "restoring " << i.cap;
        SourceTest::TearDown();
    }

    TW_UINT16 Call(TW_UINT16 msg, TW_CAPABILITY* cap)
    {
        return DS_Entry(&origin, DG_CONTROL, DAT_CAPABILITY, msg, cap);
    }

    Reply Get(TW_UINT16 capId, TW_UINT16 msg = MSG_GET)
    {
        TW_CAPABILITY cap{capId, 0x7777, nullptr};
        Reply reply{Call(msg, &cap), cap.ConType, cap.hContainer != nullptr, {}};
        if (cap.hContainer) {
            reply.bytes.resize(GlobalSize(cap.hContainer));
            std::memcpy(reply.bytes.data(), GlobalLock(cap.hContainer), reply.bytes.size());
            GlobalUnlock(cap.hContainer);
            GlobalFree(cap.hContainer);
        }
        return reply;
    }
    long long Current(TW_UINT16 capId) { return Get(capId, MSG_GETCURRENT).Item(); }

    // Sets with a container of the given bytes, which the test then frees.
    TW_UINT16 SetBlock(TW_UINT16 capId, TW_UINT16 conType, const std::vector<BYTE>& bytes,
                       TW_UINT16 msg = MSG_SET)
    {
        TW_CAPABILITY cap{capId, conType, Block(bytes)};
        const TW_UINT16 rc = Call(msg, &cap);
        GlobalFree(cap.hContainer);
        return rc;
    }
    TW_UINT16 SetOne(TW_UINT16 capId, TW_UINT16 type, unsigned long value, TW_UINT16 msg = MSG_SET)
    {
        return SetBlock(capId, TWON_ONEVALUE, OneValueBytes(type, value), msg);
    }
    TW_UINT16 SetEnumeration(TW_UINT16 capId, TW_UINT16 type, std::vector<unsigned long> items)
    {
        return SetBlock(capId, TWON_ENUMERATION, EnumerationBytes(type, items, 0, 0));
    }

    TW_UINT16 Status()
    {
        TW_STATUS status{0xAAAA, 0xBBBB};
        EXPECT_EQ(TWRC_SUCCESS, DS_Entry(&origin, DG_CONTROL, DAT_STATUS, MSG_GET, &status));
        return status.ConditionCode;
    }
    // A refused value: failure, TWCC_BADVALUE, and the handler's text in a
    // box while the driver has a status to show.
    void ExpectBadValue(TW_UINT16 rc)
    {
        EXPECT_EQ(TWRC_FAILURE, rc);
        EXPECT_EQ(TWCC_BADVALUE, Status());
        ASSERT_FALSE(boxes.boxes.empty());
        EXPECT_EQ(kCapsFailure, boxes.Last().text);
        boxes.boxes.clear();
    }
    void SetApplication(const char* name)
    {
        lstrcpynA(appIdentity.ProductName, name, sizeof appIdentity.ProductName);
    }
};

} // namespace

TEST_F(CapabilityTest, ValuesAtLoad)
{
    struct Case {
        TW_UINT16 cap;
        TW_UINT16 conType;
        std::vector<BYTE> get; // MSG_GET and MSG_GETDEFAULT
        TW_UINT16 currentType; // MSG_GETCURRENT one-value
        unsigned long current;
    };
    const std::vector<unsigned long> resolutions = {Fix(100), Fix(150), Fix(200),
                                                    Fix(300), Fix(400), Fix(600)};
    const Case cases[] = {
        {CAP_XFERCOUNT, TWON_ONEVALUE, OneValueBytes(TWTY_INT16, 0xFFFFFFFF), TWTY_INT16,
         0xFFFFFFFF},
        {ICAP_COMPRESSION, TWON_ONEVALUE, OneValueBytes(TWTY_UINT16, 0), TWTY_UINT16, 0},
        {ICAP_PIXELTYPE, TWON_ENUMERATION, EnumerationBytes(TWTY_UINT16, {0, 1, 2, 3}, 0, 0),
         TWTY_UINT16, 0},
        {ICAP_UNITS, TWON_ENUMERATION, EnumerationBytes(TWTY_UINT16, {0, 1, 5}, 0, 0), TWTY_UINT16,
         0},
        {ICAP_XFERMECH, TWON_ENUMERATION, EnumerationBytes(TWTY_UINT16, {0, 1, 2}, 2, 2),
         TWTY_UINT16, 2},
        {CAP_FEEDERENABLED, TWON_ONEVALUE, OneValueBytes(TWTY_BOOL, 0), TWTY_BOOL, 0},
        {CAP_FEEDERLOADED, TWON_ONEVALUE, OneValueBytes(TWTY_BOOL, 0), TWTY_BOOL, 0},
        {CAP_SUPPORTEDCAPS, TWON_ARRAY, EmptyArrayBytes(), TWTY_UINT16, 0},
        {CAP_AUTOFEED, TWON_ONEVALUE, OneValueBytes(TWTY_BOOL, 0), TWTY_BOOL, 0},
        {CAP_CLEARPAGE, TWON_ONEVALUE, OneValueBytes(TWTY_BOOL, 0), TWTY_BOOL, 0},
        {CAP_FEEDPAGE, TWON_ONEVALUE, OneValueBytes(TWTY_BOOL, 0), TWTY_BOOL, 0},
        {ICAP_AUTOBRIGHT, TWON_ONEVALUE, OneValueBytes(TWTY_BOOL, 0), TWTY_BOOL, 0},
        {ICAP_BRIGHTNESS, TWON_RANGE, RangeBytes(TWTY_FIX32, Fix(-127), Fix(127), Fix(1), 0, 0),
         TWTY_FIX32, 0},
        {ICAP_CONTRAST, TWON_RANGE, RangeBytes(TWTY_FIX32, Fix(-127), Fix(127), Fix(1), 0, 0),
         TWTY_FIX32, 0},
        {ICAP_FILTER, TWON_ENUMERATION, EnumerationBytes(TWTY_UINT16, {3, 0, 1, 2}, 0, 0),
         TWTY_UINT16, 3},
        {ICAP_GAMMA, TWON_ONEVALUE, OneValueBytes(TWTY_FIX32, Fix(1, 26214)), TWTY_FIX32,
         Fix(1, 26214)},
        {ICAP_HIGHLIGHT, TWON_RANGE, RangeBytes(TWTY_INT16, 1, 255, 1, 255, 255), TWTY_INT16, 255},
        {ICAP_IMAGEFILEFORMAT, TWON_ENUMERATION, EnumerationBytes(TWTY_UINT16, {2, 0}, 0, 0),
         TWTY_UINT16, 2},
        {ICAP_LIGHTSOURCE, TWON_ENUMERATION, EnumerationBytes(TWTY_UINT16, {0, 1, 2, 3, 4}, 4, 4),
         TWTY_UINT16, 4},
        {ICAP_PHYSICALWIDTH, TWON_ONEVALUE, OneValueBytes(TWTY_FIX32, Fix(8, 32768)), TWTY_FIX32,
         Fix(8, 32768)},
        {ICAP_PHYSICALHEIGHT, TWON_ONEVALUE, OneValueBytes(TWTY_FIX32, Fix(11, 45220)), TWTY_FIX32,
         Fix(11, 45220)},
        {ICAP_SHADOW, TWON_RANGE, RangeBytes(TWTY_INT16, 0, 254, 1, 0, 0), TWTY_INT16, 0},
        {ICAP_XNATIVERESOLUTION, TWON_ENUMERATION,
         EnumerationBytes(TWTY_FIX32, {0, Fix(300)}, 1, 1), TWTY_FIX32, Fix(300)},
        {ICAP_YNATIVERESOLUTION, TWON_ENUMERATION,
         EnumerationBytes(TWTY_FIX32, {0, Fix(300)}, 1, 1), TWTY_FIX32, Fix(300)},
        {ICAP_XRESOLUTION, TWON_ENUMERATION, EnumerationBytes(TWTY_FIX32, resolutions, 3, 3),
         TWTY_FIX32, Fix(300)},
        {ICAP_YRESOLUTION, TWON_ENUMERATION, EnumerationBytes(TWTY_FIX32, resolutions, 3, 3),
         TWTY_FIX32, Fix(300)},
        {ICAP_TILES, TWON_ONEVALUE, OneValueBytes(TWTY_BOOL, 0), TWTY_BOOL, 0},
        {ICAP_LIGHTPATH, TWON_ENUMERATION, EnumerationBytes(TWTY_UINT16, {0, 1}, 0, 0), TWTY_UINT16,
         0},
        {ICAP_PIXELFLAVOR, TWON_ENUMERATION, EnumerationBytes(TWTY_UINT16, {0, 1}, 0, 0),
         TWTY_UINT16, 0},
        {ICAP_PLANARCHUNKY, TWON_ENUMERATION, EnumerationBytes(TWTY_UINT16, {0, 1}, 0, 0),
         TWTY_UINT16, 0},
        {ICAP_SUPPORTEDSIZES, TWON_ENUMERATION,
         EnumerationBytes(TWTY_UINT16, {0, 1, 2, 3, 4, 5, 6, 7}, 0, 0), TWTY_UINT16, 0},
        {ICAP_THRESHOLD, TWON_RANGE, RangeBytes(TWTY_UINT16, 0, 255, 1, 127, 127), TWTY_UINT16,
         127},
        // The scaling maximum is the plain word 0x8000 (a TW_FIX32 of -32768).
        {ICAP_XSCALING, TWON_RANGE, RangeBytes(TWTY_FIX32, 0, 0x8000, 1, 1, 1), TWTY_FIX32, Fix(1)},
        {ICAP_YSCALING, TWON_RANGE, RangeBytes(TWTY_FIX32, 0, 0x8000, 1, 1, 1), TWTY_FIX32, Fix(1)},
        {ICAP_BITDEPTH, TWON_ENUMERATION, EnumerationBytes(TWTY_UINT16, {1, 4, 8}, 0, 0),
         TWTY_UINT16, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.cap);
        for (TW_UINT16 msg : {MSG_GET, MSG_GETDEFAULT}) {
            const Reply reply = Get(c.cap, msg);
            EXPECT_EQ(TWRC_SUCCESS, reply.rc);
            EXPECT_EQ(c.conType, reply.conType);
            EXPECT_EQ(c.get, reply.bytes);
        }
        const Reply current = Get(c.cap, MSG_GETCURRENT);
        EXPECT_EQ(TWRC_SUCCESS, current.rc);
        if (c.conType == TWON_ARRAY) {
            EXPECT_EQ(c.get, current.bytes);
            continue;
        }
        EXPECT_EQ(TWON_ONEVALUE, current.conType);
        EXPECT_EQ(OneValueBytes(c.currentType, c.current), current.bytes);
    }
    EXPECT_TRUE(boxes.boxes.empty());
}

TEST_F(CapabilityTest, CapabilitiesWithoutAnAnswer)
{
    // CAP_TIMEDATE refuses without a condition code; others have nothing.
    struct Case {
        TW_UINT16 cap;
        TW_UINT16 msg;
        TW_UINT16 rc;
    };
    const Case cases[] = {
        {CAP_TIMEDATE, MSG_GET, TWRC_FAILURE},
        {CAP_TIMEDATE, MSG_GETDEFAULT, TWRC_FAILURE},
        {CAP_TIMEDATE, MSG_GETCURRENT, TWRC_SUCCESS},
        {CAP_TIMEDATE, MSG_SET, TWRC_SUCCESS},
        {ICAP_FRAMES, MSG_GET, TWRC_SUCCESS},
        {ICAP_FRAMES, MSG_SET, TWRC_SUCCESS},
        {CAP_AUTHOR, MSG_GET, TWRC_SUCCESS},
        {kCapColorMagician, MSG_GET, TWRC_SUCCESS},
        {kCapReloadSettings, MSG_GETCURRENT, TWRC_SUCCESS},
        {0x8123, MSG_RESET, TWRC_SUCCESS},
    };
    fakeStatus = 123;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.cap);
        HGLOBAL mark = reinterpret_cast<HGLOBAL>(0x5678);
        TW_CAPABILITY cap{c.cap, 0x7777, mark};
        EXPECT_EQ(c.rc, Call(c.msg, &cap));
        EXPECT_EQ(0x7777, cap.ConType);
        EXPECT_EQ(mark, cap.hContainer);
        EXPECT_EQ(TWCC_SUCCESS, Status());
    }
    EXPECT_TRUE(boxes.boxes.empty());
}

TEST_F(CapabilityTest, UnknownMessagesFailWithBadProtocol)
{
    fakeStatus = 123;
    for (TW_UINT16 msg : {MSG_QUERYSUPPORT, MSG_GETFIRST, MSG_GETNEXT, MSG_NULL}) {
        SCOPED_TRACE(msg);
        TW_CAPABILITY cap{ICAP_UNITS, 0x7777, nullptr};
        EXPECT_EQ(TWRC_FAILURE, Call(msg, &cap));
        EXPECT_EQ(nullptr, cap.hContainer);
        EXPECT_EQ(TWCC_BADPROTOCOL, Status());
        ASSERT_EQ(1u, boxes.boxes.size());
        EXPECT_EQ(kCapsFailure, boxes.Last().text);
        boxes.boxes.clear();
    }
    // Without a driver status the user sees nothing; the application still
    // learns the reason.
    fakeStatus = 0;
    TW_CAPABILITY cap{0x8123, 0, nullptr};
    EXPECT_EQ(TWRC_FAILURE, Call(MSG_QUERYSUPPORT, &cap));
    EXPECT_EQ(TWCC_BADPROTOCOL, Status());
    EXPECT_TRUE(boxes.boxes.empty());
    EXPECT_EQ(TWRC_SUCCESS, Get(ICAP_UNITS, MSG_GETCURRENT).rc) << "nothing changed";
}

TEST_F(CapabilityTest, NoDataIsRefusedBeforeTheHandler)
{
    EXPECT_EQ(TWRC_FAILURE, Call(MSG_GET, nullptr));
    EXPECT_EQ(TWCC_BADVALUE, Status());
}

TEST_F(CapabilityTest, XferMechCurrentValueAndIndexGoApart)
{
    EXPECT_EQ(2u, Current(ICAP_XFERMECH));
    xferMechCurrent = TWSX_NATIVE; // what a native transfer does
    EXPECT_EQ(0u, Current(ICAP_XFERMECH));
    EXPECT_EQ(2u, Get(ICAP_XFERMECH).CurrentIndex());

    EXPECT_EQ(TWRC_SUCCESS, SetOne(ICAP_XFERMECH, TWTY_UINT16, TWSX_FILE));
    EXPECT_EQ(1u, Current(ICAP_XFERMECH));
    EXPECT_EQ(1u, Get(ICAP_XFERMECH).CurrentIndex());
    EXPECT_EQ(TWSX_FILE, xferMechCurrent);
}

TEST_F(CapabilityTest, ValidatedEnumerations)
{
    fakeStatus = 123;
    struct Case {
        TW_UINT16 cap;
        unsigned long accepted;
        unsigned long index;
        unsigned long rejected;
    };
    const Case cases[] = {
        {ICAP_UNITS, TWUN_PIXELS, 2, TWUN_POINTS},
        {ICAP_XFERMECH, TWSX_NATIVE, 0, 3},
        {ICAP_FILTER, TWFT_BLUE, 3, 4},
        {ICAP_IMAGEFILEFORMAT, TWFF_TIFF, 1, TWFF_PICT},
        {ICAP_LIGHTSOURCE, TWLS_RED, 0, 5},
        {ICAP_LIGHTPATH, TWLP_TRANSMISSIVE, 1, 2},
        {ICAP_PIXELFLAVOR, TWPF_VANILLA, 1, 2},
        {ICAP_PLANARCHUNKY, TWPC_PLANAR, 1, 2},
        {ICAP_SUPPORTEDSIZES, TWSS_B6, 7, 8},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.cap);
        EXPECT_EQ(TWRC_SUCCESS, SetOne(c.cap, TWTY_UINT16, c.accepted));
        EXPECT_EQ(c.accepted, Current(c.cap));
        EXPECT_EQ(c.index, Get(c.cap).CurrentIndex());
        EXPECT_EQ(TWCC_SUCCESS, Status());

        // The rejected value stays current; the index stays where it was.
        ExpectBadValue(SetOne(c.cap, TWTY_UINT16, c.rejected));
        EXPECT_EQ(c.rejected, Current(c.cap));
        EXPECT_EQ(c.index, Get(c.cap).CurrentIndex());
    }
}

TEST_F(CapabilityTest, UnitsThreeIsRejectedAndThenReported)
{
    ExpectBadValue((fakeStatus = 123, SetOne(ICAP_UNITS, TWTY_UINT16, 3)));
    EXPECT_EQ(3u, Current(ICAP_UNITS));
    EXPECT_EQ(3, unitsCurrent) << "the value other handlers read";
    EXPECT_EQ(0u, Get(ICAP_UNITS).CurrentIndex());
}

TEST_F(CapabilityTest, SetActionsOnTheSettings)
{
    settings.colorFilter = 0;
    EXPECT_EQ(TWRC_SUCCESS, SetOne(ICAP_FILTER, TWTY_UINT16, TWFT_NONE));
    EXPECT_EQ(4, settings.colorFilter);
    EXPECT_EQ(TWRC_SUCCESS, SetOne(ICAP_FILTER, TWTY_UINT16, TWFT_RED));
    EXPECT_EQ(1, settings.colorFilter);
    EXPECT_EQ(TWRC_FAILURE, SetOne(ICAP_FILTER, TWTY_UINT16, 7));
    EXPECT_EQ(1, settings.colorFilter) << "a rejected filter leaves the settings";

    EXPECT_EQ(TWRC_SUCCESS, SetOne(ICAP_PIXELFLAVOR, TWTY_UINT16, TWPF_VANILLA));
    EXPECT_EQ(1, lineArtInvert);
    EXPECT_EQ(1, grayInvert);
    EXPECT_EQ(TWRC_FAILURE, SetOne(ICAP_PIXELFLAVOR, TWTY_UINT16, 9));
    EXPECT_EQ(1, lineArtInvert);
    EXPECT_EQ(TWRC_SUCCESS, SetOne(ICAP_PIXELFLAVOR, TWTY_UINT16, TWPF_CHOCOLATE));
    EXPECT_EQ(0, lineArtInvert);
    EXPECT_EQ(0, grayInvert);

    settings.useTransparence = 0;
    EXPECT_EQ(TWRC_SUCCESS, SetOne(ICAP_LIGHTPATH, TWTY_UINT16, TWLP_TRANSMISSIVE));
    EXPECT_EQ(0u, settings.useTransparence);

    EXPECT_EQ(TWRC_SUCCESS, SetOne(kCapColorMagician, TWTY_UINT16, 1));
    EXPECT_EQ(1u, settings.colorMagician);
    EXPECT_EQ(TWRC_SUCCESS, SetOne(kCapSharpenMode, TWTY_UINT16, 0x1234));
    EXPECT_EQ(0x34, settings.sharpenMode);
    EXPECT_EQ(TWRC_SUCCESS, SetOne(kCapDescreenMode, TWTY_UINT16, 0x0101));
    EXPECT_EQ(0x01, settings.descreenMode);
    // The source's own numbers take a one-value whatever the kind says.
    EXPECT_EQ(TWRC_SUCCESS,
              SetBlock(kCapSharpenMode, TWON_ENUMERATION, OneValueBytes(TWTY_UINT16, 2)));
    EXPECT_EQ(2, settings.sharpenMode);

    EXPECT_EQ(TWRC_SUCCESS, SetOne(ICAP_COMPRESSION, TWTY_UINT16, 5));
    EXPECT_EQ(5u, Current(ICAP_COMPRESSION)) << "taken as it comes";
    EXPECT_EQ(TWRC_SUCCESS, SetOne(ICAP_THRESHOLD, TWTY_UINT16, 300));
    EXPECT_EQ(300u, Current(ICAP_THRESHOLD));
    EXPECT_EQ(300u, Get(ICAP_THRESHOLD).RangeCurrent());

    EXPECT_EQ(TWRC_SUCCESS, SetOne(CAP_XFERCOUNT, TWTY_INT16, 5));
    EXPECT_EQ(5, transferCount);
    EXPECT_EQ(5u, Current(CAP_XFERCOUNT));

    // Read and ignored.
    const ScanSettings before = settings;
    for (TW_UINT16 cap : {CAP_AUTHOR, ICAP_AUTOBRIGHT, ICAP_TILES})
        EXPECT_EQ(TWRC_SUCCESS, SetOne(cap, TWTY_BOOL, TRUE));
    EXPECT_EQ(0, std::memcmp(&before, &settings, sizeof settings));
    EXPECT_EQ(0u, Current(ICAP_TILES));
}

TEST_F(CapabilityTest, PixelTypeSetsTheImageTypeWithoutValidation)
{
    struct Case {
        unsigned long pixelType;
        unsigned long index;
        BYTE imageType;
        DWORD colorMagician;
    };
    const Case cases[] = {
        {TWPT_RGB, 2, 3, 1},
        {TWPT_GRAY, 1, 2, 0},
        {TWPT_PALETTE, 3, 5, 1},
        {TWPT_BW, 0, 0, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.pixelType);
        settings.colorMagician = 1;
        EXPECT_EQ(TWRC_SUCCESS, SetOne(ICAP_PIXELTYPE, TWTY_UINT16, c.pixelType));
        EXPECT_EQ(c.pixelType, Current(ICAP_PIXELTYPE));
        EXPECT_EQ(c.index, Get(ICAP_PIXELTYPE).CurrentIndex());
        EXPECT_EQ(c.imageType, settings.imageType);
        EXPECT_EQ(c.colorMagician, settings.colorMagician);
    }
    // Outside the list: kept and reported, nothing else moves, no failure.
    EXPECT_EQ(TWRC_SUCCESS, SetOne(ICAP_PIXELTYPE, TWTY_UINT16, 9));
    EXPECT_EQ(9u, Current(ICAP_PIXELTYPE));
    EXPECT_EQ(0u, Get(ICAP_PIXELTYPE).CurrentIndex());
    EXPECT_EQ(0, settings.imageType);
    EXPECT_EQ(TWCC_SUCCESS, Status());
}

TEST_F(CapabilityTest, ResolutionsFromFiftyToSixHundred)
{
    fakeStatus = 123;
    settings.resolution = 300;
    EXPECT_EQ(TWRC_SUCCESS, SetOne(ICAP_XRESOLUTION, TWTY_FIX32, Fix(250)));
    EXPECT_EQ(250, settings.resolution);
    EXPECT_EQ(Fix(250), Current(ICAP_XRESOLUTION));

    ExpectBadValue(SetOne(ICAP_XRESOLUTION, TWTY_FIX32, Fix(700)));
    EXPECT_EQ(Fix(300), Current(ICAP_XRESOLUTION));
    EXPECT_EQ(250, settings.resolution) << "a rejected resolution leaves the settings";

    const TW_FIX32 almostFifty = ToFix32(49.9);
    ExpectBadValue(SetOne(ICAP_XRESOLUTION, TWTY_FIX32, FixWord(almostFifty)));
    EXPECT_EQ(250, settings.resolution);

    // The fraction is kept in the current value; the settings take the whole.
    EXPECT_EQ(TWRC_SUCCESS, SetOne(ICAP_XRESOLUTION, TWTY_FIX32, Fix(50, 0x8000)));
    EXPECT_EQ(50, settings.resolution);
    EXPECT_EQ(Fix(50, 0x8000), Current(ICAP_XRESOLUTION));
    EXPECT_EQ(TWRC_SUCCESS, SetOne(ICAP_XRESOLUTION, TWTY_FIX32, Fix(600)));
    EXPECT_EQ(600, settings.resolution);
    EXPECT_EQ(3u, Get(ICAP_XRESOLUTION).CurrentIndex()) << "the index never moves";
}

TEST_F(CapabilityTest, YResolutionSetsTheXCurrentValue)
{
    EXPECT_EQ(TWRC_SUCCESS, SetOne(ICAP_YRESOLUTION, TWTY_FIX32, Fix(150)));
    EXPECT_EQ(150, settings.resolution);
    EXPECT_EQ(Fix(150), Current(ICAP_XRESOLUTION));
    EXPECT_EQ(Fix(300), Current(ICAP_YRESOLUTION));
    EXPECT_EQ(3u, Get(ICAP_YRESOLUTION).CurrentIndex());
}

TEST_F(CapabilityTest, BrightnessAndContrastMapOntoTheSettings)
{
    struct Case {
        int whole;
        BYTE tone;
    };
    const Case cases[] = {{-127, 0}, {-64, 49}, {0, 100}, {64, 150}, {127, 200}};
    for (TW_UINT16 cap : {ICAP_BRIGHTNESS, ICAP_CONTRAST}) {
        for (const Case& c : cases) {
            SCOPED_TRACE(testing::Message() << cap << " " << c.whole);
            EXPECT_EQ(TWRC_SUCCESS, SetOne(cap, TWTY_FIX32, Fix(c.whole)));
            const bool brightness = cap == ICAP_BRIGHTNESS;
            const BYTE fields[] = {
                brightness ? settings.masterBrightness : settings.masterContrast,
                brightness ? settings.redBrightness : settings.redContrast,
                brightness ? settings.greenBrightness : settings.greenContrast,
                brightness ? settings.blueBrightness : settings.blueContrast,
            };
            for (BYTE field : fields)
                EXPECT_EQ(c.tone, field);
            EXPECT_EQ(Fix(c.whole), Current(cap));
            EXPECT_EQ(Fix(c.whole), Get(cap).RangeCurrent());
        }
    }
    // The fraction is dropped; no range check, bytes keep their low bits.
    EXPECT_EQ(TWRC_SUCCESS, SetOne(ICAP_BRIGHTNESS, TWTY_FIX32, Fix(10, 0x8000)));
    EXPECT_EQ(Fix(10), Current(ICAP_BRIGHTNESS));
    EXPECT_EQ(TWRC_SUCCESS, SetOne(ICAP_BRIGHTNESS, TWTY_FIX32, Fix(254)));
    EXPECT_EQ(BYTE(300), settings.masterBrightness);
    EXPECT_EQ(Fix(254), Current(ICAP_BRIGHTNESS));

    // Only a one-value is acted on.
    EXPECT_EQ(TWRC_SUCCESS, SetEnumeration(ICAP_BRIGHTNESS, TWTY_FIX32, {Fix(-127)}));
    EXPECT_EQ(Fix(254), Current(ICAP_BRIGHTNESS));
}

TEST_F(CapabilityTest, HighlightAndShadowPushEachOther)
{
    EXPECT_EQ(TWRC_SUCCESS, SetOne(ICAP_SHADOW, TWTY_INT16, 120));
    EXPECT_EQ(TWRC_SUCCESS, SetOne(ICAP_HIGHLIGHT, TWTY_INT16, 100));
    EXPECT_EQ(100u, Current(ICAP_HIGHLIGHT));
    EXPECT_EQ(99u, Current(ICAP_SHADOW));
    EXPECT_EQ(99u, Get(ICAP_SHADOW).RangeCurrent());
    for (BYTE field : {settings.masterHighlight, settings.redHighlight, settings.greenHighlight,
                       settings.blueHighlight})
        EXPECT_EQ(100, field);
    for (BYTE field :
         {settings.masterShadow, settings.redShadow, settings.greenShadow, settings.blueShadow})
        EXPECT_EQ(99, field);

    EXPECT_EQ(TWRC_SUCCESS, SetOne(ICAP_HIGHLIGHT, TWTY_INT16, 150));
    EXPECT_EQ(99u, Current(ICAP_SHADOW)) << "a highlight above the shadow moves nothing";
    EXPECT_EQ(TWRC_SUCCESS, SetOne(ICAP_SHADOW, TWTY_INT16, 200));
    EXPECT_EQ(200u, Current(ICAP_SHADOW));
    EXPECT_EQ(201u, Current(ICAP_HIGHLIGHT));
    EXPECT_EQ(201u, Get(ICAP_HIGHLIGHT).RangeCurrent());
    EXPECT_EQ(201, settings.blueHighlight);
    EXPECT_EQ(200, settings.blueShadow);

    // Highlight takes a one-value only; shadow reads one whatever the kind.
    EXPECT_EQ(TWRC_SUCCESS, SetBlock(ICAP_HIGHLIGHT, TWON_RANGE, OneValueBytes(TWTY_INT16, 255)));
    EXPECT_EQ(201u, Current(ICAP_HIGHLIGHT));
    EXPECT_EQ(TWRC_SUCCESS, SetBlock(ICAP_SHADOW, TWON_RANGE, OneValueBytes(TWTY_INT16, 10)));
    EXPECT_EQ(10u, Current(ICAP_SHADOW));
}

TEST_F(CapabilityTest, GammaReachesTheSettingsTruncated)
{
    EXPECT_EQ(TWRC_SUCCESS, SetOne(ICAP_GAMMA, TWTY_FIX32, Fix(2, 13107)));
    EXPECT_EQ(219, settings.masterGammaValue);
    EXPECT_EQ(Fix(1, 26214), Current(ICAP_GAMMA)) << "always reports 1.4";
    EXPECT_EQ(TWRC_SUCCESS,
              SetBlock(ICAP_GAMMA, TWON_ENUMERATION, OneValueBytes(TWTY_FIX32, Fix(1))));
    EXPECT_EQ(219, settings.masterGammaValue) << "only a one-value is acted on";
}

TEST_F(CapabilityTest, BitDepthIsAlwaysReportedAsOne)
{
    for (unsigned long depth : {8ul, 4ul, 3ul}) {
        SCOPED_TRACE(depth);
        EXPECT_EQ(TWRC_SUCCESS, SetOne(ICAP_BITDEPTH, TWTY_UINT16, depth));
        EXPECT_EQ(1u, Current(ICAP_BITDEPTH));
        EXPECT_EQ(0u, Get(ICAP_BITDEPTH).CurrentIndex());
    }
}

TEST_F(CapabilityTest, FeederEnabledChoosesTheScanSource)
{
    EXPECT_EQ(TWRC_SUCCESS, SetOne(CAP_FEEDERENABLED, TWTY_BOOL, FALSE));
    EXPECT_EQ(FALSE, feederEnabled);
    EXPECT_EQ(2, scanParameters.scanSource);
    EXPECT_EQ(TWRC_SUCCESS, SetOne(CAP_FEEDERENABLED, TWTY_BOOL, TRUE));
    EXPECT_EQ(TRUE, feederEnabled);
    EXPECT_EQ(1, scanParameters.scanSource);
}

TEST_F(CapabilityTest, FeedPageFeedsOnlyWithTheFeederEnabled)
{
    driver.pageFeed = FakePageFeed;
    feederEnabled = FALSE;
    EXPECT_EQ(TWRC_SUCCESS, SetOne(CAP_FEEDPAGE, TWTY_BOOL, TRUE));
    EXPECT_EQ(FALSE, feedPage);
    EXPECT_EQ(0, pageFeeds);

    feederEnabled = TRUE;
    EXPECT_EQ(TWRC_SUCCESS, SetOne(CAP_FEEDPAGE, TWTY_BOOL, TRUE));
    EXPECT_EQ(TRUE, feedPage);
    EXPECT_EQ(1, pageFeeds);

    // Asking for the whole value feeds again while the feeder is chosen.
    settings.scanMethod = 0;
    EXPECT_EQ(TRUE, Get(CAP_FEEDPAGE).Item());
    EXPECT_EQ(TRUE, Get(CAP_FEEDPAGE, MSG_GETDEFAULT).Item());
    EXPECT_EQ(3, pageFeeds);
    EXPECT_EQ(TRUE, Current(CAP_FEEDPAGE));
    EXPECT_EQ(3, pageFeeds) << "the current value feeds nothing";
    settings.scanMethod = 2;
    EXPECT_EQ(TRUE, Get(CAP_FEEDPAGE).Item());
    EXPECT_EQ(3, pageFeeds) << "not on the flatbed";

    EXPECT_EQ(TWRC_SUCCESS, SetOne(CAP_FEEDPAGE, TWTY_BOOL, FALSE));
    EXPECT_EQ(3, pageFeeds);

    // A driver without PageFeed is never called.
    driver.pageFeed = nullptr;
    settings.scanMethod = 0;
    EXPECT_EQ(TWRC_SUCCESS, SetOne(CAP_FEEDPAGE, TWTY_BOOL, TRUE));
    EXPECT_EQ(TRUE, Get(CAP_FEEDPAGE).Item());
}

TEST_F(CapabilityTest, FeederAnswer)
{
    driver.getADFPaper = FakeADFPaper;
    struct Case {
        const char* app;
        BYTE paper;
        TW_BOOL enabled;
        BYTE scanMethod;
        TW_BOOL answer;
    };
    const Case cases[] = {
        {"twscan", 1, TRUE, 0, TRUE},      {"twscan", 1, TRUE, 1, TRUE},
        {"twscan", 0, TRUE, 0, FALSE},     {"twscan", 1, FALSE, 0, FALSE},
        {"twscan", 1, TRUE, 2, FALSE},     {"Laserfiche", 0, TRUE, 2, TRUE},
        {"DocManager", 0, FALSE, 2, TRUE}, {"Laserfiche ", 0, TRUE, 2, FALSE},
        {"laserfiche", 0, TRUE, 2, FALSE},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message()
                     << c.app << " paper " << int(c.paper) << " method " << int(c.scanMethod));
        SetApplication(c.app);
        fakePaper = c.paper;
        feederEnabled = c.enabled;
        settings.scanMethod = c.scanMethod;
        for (TW_UINT16 cap : {CAP_FEEDERENABLED, CAP_FEEDERLOADED, CAP_AUTOFEED}) {
            for (TW_UINT16 msg : {MSG_GET, MSG_GETDEFAULT, MSG_GETCURRENT}) {
                paperQueries = 0;
                const Reply reply = Get(cap, msg);
                EXPECT_EQ(OneValueBytes(TWTY_BOOL, c.answer), reply.bytes);
                EXPECT_EQ(1, paperQueries);
                EXPECT_EQ(c.paper, paperPresent);
            }
        }
    }
}

TEST_F(CapabilityTest, LaserficheOnAFlatbedOnlyScanner)
{
    driver.getADFPaper = FakeADFPaper;
    scannerAbility.scannerType = 128;
    settings.scanMethod = 2;
    SetApplication("Laserfiche");
    const Reply reply = Get(CAP_FEEDERLOADED);
    EXPECT_EQ(TWRC_SUCCESS, reply.rc);
    EXPECT_EQ(TWON_ONEVALUE, reply.conType);
    EXPECT_EQ(TRUE, reply.Item());
}

TEST_F(CapabilityTest, FeederAnswerKeepsThePaperWhenTheQueryFails)
{
    settings.scanMethod = 0;
    paperPresent = 1;
    driver.getADFPaper = FakeADFPaper;
    fakePaper = 0;
    fakePaperResult = 0; // the driver could not ask the feeder
    EXPECT_EQ(TRUE, Current(CAP_FEEDERLOADED));
    EXPECT_EQ(1, paperPresent);

    driver.getADFPaper = nullptr; // no such export: the last answer stands
    EXPECT_EQ(TRUE, Current(CAP_FEEDERLOADED));
    paperPresent = 0;
    EXPECT_EQ(FALSE, Current(CAP_FEEDERLOADED));
}

TEST_F(CapabilityTest, EnumerationPathKeepsTheValuesApartFromItsEffects)
{
    EXPECT_EQ(TWRC_SUCCESS, SetOne(ICAP_PIXELTYPE, TWTY_UINT16, TWPT_GRAY));
    settings.imageType = 1;
    settings.x = settings.y = 100;
    settings.cx = settings.cy = 900;
    settings.resolution = 200;

    // An ordinary client: the image type follows the current pixel type.
    SetApplication("twscan");
    EXPECT_EQ(TWRC_SUCCESS, SetEnumeration(ICAP_PIXELTYPE, TWTY_UINT16, {TWPT_RGB}));
    EXPECT_EQ(TWPT_GRAY, Current(ICAP_PIXELTYPE));
    EXPECT_EQ(1u, Get(ICAP_PIXELTYPE).CurrentIndex());
    EXPECT_EQ(2, settings.imageType);
    EXPECT_EQ(100, settings.x);
    EXPECT_EQ(TWRC_SUCCESS, SetEnumeration(ICAP_XRESOLUTION, TWTY_FIX32, {Fix(600)}));
    EXPECT_EQ(200, settings.resolution);
    EXPECT_EQ(Fix(300), Current(ICAP_XRESOLUTION));

    // The two OCR clients get the letter page, WordScan 300 dpi as well.
    for (const char* app : {"WordScan", "OmniPage Limited Edition"}) {
        SCOPED_TRACE(app);
        SetApplication(app);
        settings.x = settings.y = 100;
        settings.cx = settings.cy = 900;
        EXPECT_EQ(TWRC_SUCCESS, SetEnumeration(ICAP_PIXELTYPE, TWTY_UINT16, {TWPT_BW, TWPT_RGB}));
        EXPECT_EQ(0, settings.x);
        EXPECT_EQ(0, settings.y);
        EXPECT_EQ(2550, settings.cx);
        EXPECT_EQ(3300, settings.cy);
        EXPECT_EQ(TWPT_GRAY, Current(ICAP_PIXELTYPE));
    }
    SetApplication("WordScan");
    for (TW_UINT16 cap : {ICAP_XRESOLUTION, ICAP_YRESOLUTION}) {
        settings.resolution = 200;
        EXPECT_EQ(TWRC_SUCCESS, SetEnumeration(cap, TWTY_FIX32, {Fix(100)}));
        EXPECT_EQ(300, settings.resolution);
    }

    // A palette leaves the image type.
    EXPECT_EQ(TWRC_SUCCESS, SetOne(ICAP_PIXELTYPE, TWTY_UINT16, TWPT_PALETTE));
    settings.imageType = 1;
    EXPECT_EQ(TWRC_SUCCESS, SetEnumeration(ICAP_PIXELTYPE, TWTY_UINT16, {TWPT_RGB}));
    EXPECT_EQ(1, settings.imageType);

    // The others keep their values.
    const struct {
        TW_UINT16 cap;
        unsigned long current;
    } kept[] = {{ICAP_XFERMECH, 2},     {ICAP_IMAGEFILEFORMAT, 2}, {ICAP_LIGHTSOURCE, 4},
                {ICAP_PLANARCHUNKY, 0}, {ICAP_SUPPORTEDSIZES, 0},  {ICAP_THRESHOLD, 127},
                {ICAP_BITDEPTH, 1}};
    for (const auto& k : kept) {
        SCOPED_TRACE(k.cap);
        EXPECT_EQ(TWRC_SUCCESS, SetEnumeration(k.cap, TWTY_UINT16, {1, 0}));
        EXPECT_EQ(k.current, Current(k.cap));
    }
    // Other container kinds are ignored.
    EXPECT_EQ(TWRC_SUCCESS, SetBlock(ICAP_XFERMECH, TWON_RANGE, OneValueBytes(TWTY_UINT16, 0)));
    EXPECT_EQ(2u, Current(ICAP_XFERMECH));
}

TEST_F(CapabilityTest, AnyContainerIsReadAsAOneValueForTheFirstGroup)
{
    EXPECT_EQ(TWRC_SUCCESS, SetBlock(ICAP_UNITS, TWON_RANGE, OneValueBytes(TWTY_UINT16, 5)));
    EXPECT_EQ(5u, Current(ICAP_UNITS));
    EXPECT_EQ(TWRC_SUCCESS, SetBlock(CAP_XFERCOUNT, TWON_ARRAY, OneValueBytes(TWTY_INT16, 3)));
    EXPECT_EQ(3, transferCount);
}

TEST_F(CapabilityTest, WideItemsNeverSpillIntoTheNextVariable)
{
    // The two-byte variables the handlers share; a four-byte item written
    // into one of them would reach whichever the linker put next to it.
    struct Shared {
        TW_INT16 transferCount;
        TW_BOOL feederEnabled;
        TW_BOOL feedPage;
        BYTE paperPresent;
        TW_UINT16 units;
        TW_UINT16 xferMech;
        TW_UINT16 planarChunky;
        bool operator==(const Shared& o) const
        {
            return transferCount == o.transferCount && feederEnabled == o.feederEnabled &&
                   feedPage == o.feedPage && paperPresent == o.paperPresent && units == o.units &&
                   xferMech == o.xferMech && planarChunky == o.planarChunky;
        }
    };
    auto shared = [] {
        return Shared{transferCount, feederEnabled,   feedPage,           paperPresent,
                      unitsCurrent,  xferMechCurrent, planarChunkyCurrent};
    };
    Shared expected = shared();

    EXPECT_EQ(TWRC_SUCCESS, SetOne(ICAP_UNITS, TWTY_UINT32, 0xFFFF0001));
    expected.units = 1;
    EXPECT_TRUE(expected == shared());
    EXPECT_EQ(TWRC_SUCCESS, SetOne(CAP_XFERCOUNT, TWTY_INT32, 0x7FFF0002));
    expected.transferCount = 2;
    EXPECT_TRUE(expected == shared());
    EXPECT_EQ(TWRC_SUCCESS, SetOne(ICAP_XFERMECH, TWTY_FIX32, 0xFFFF0000));
    expected.xferMech = 0;
    EXPECT_TRUE(expected == shared());
    EXPECT_EQ(TWRC_SUCCESS, SetOne(CAP_FEEDERENABLED, TWTY_UINT32, 0xFFFF0001));
    expected.feederEnabled = 1;
    EXPECT_TRUE(expected == shared());
}

TEST_F(CapabilityTest, ContainersThatHoldNothingUsable)
{
    std::vector<BYTE> frame = OneValueBytes(TWTY_FRAME, 1);
    frame.resize(18, 0x11);
    std::vector<BYTE> text = OneValueBytes(TWTY_STR32, 0x41414141);
    text.resize(36, 'A');
    const std::vector<BYTE> shortBlock = {4, 0, 1, 0};

    const std::vector<BYTE> fine = OneValueBytes(TWTY_UINT16, 1);
    struct Container {
        const char* what;
        TW_UINT16 conType;
        const std::vector<BYTE>* bytes; // null: no container
        bool freed;                     // the block is freed before the call
    };
    const Container containers[] = {
        {"null", TWON_ONEVALUE, nullptr, false},
        {"freed", TWON_ONEVALUE, &fine, true},
        {"frame", TWON_ONEVALUE, &frame, false},
        {"string", TWON_ONEVALUE, &text, false},
        {"short", TWON_ONEVALUE, &shortBlock, false},
        {"short enumeration", TWON_ENUMERATION, &shortBlock, false},
        {"freed enumeration", TWON_ENUMERATION, &fine, true},
    };
    const TW_UINT16 caps[] = {ICAP_UNITS,     ICAP_BRIGHTNESS,   ICAP_XFERMECH,
                              ICAP_PIXELTYPE, ICAP_XRESOLUTION,  ICAP_GAMMA,
                              CAP_XFERCOUNT,  kCapColorMagician, ICAP_LIGHTSOURCE};
    settings.masterBrightness = settings.redBrightness = 100;
    settings.greenBrightness = settings.blueBrightness = 100;
    settings.masterGammaValue = 140;
    settings.resolution = 300;
    settings.colorMagician = 7;
    const ScanSettings before = settings;
    for (const Container& c : containers) {
        for (TW_UINT16 capId : caps) {
            SCOPED_TRACE(testing::Message() << c.what << " " << capId);
            const long long current = Current(capId);
            TW_CAPABILITY cap{capId, c.conType, c.bytes ? Block(*c.bytes) : nullptr};
            if (c.freed)
                GlobalFree(cap.hContainer);
            EXPECT_EQ(TWRC_SUCCESS, Call(MSG_SET, &cap));
            if (c.bytes && !c.freed)
                GlobalFree(cap.hContainer);
            EXPECT_EQ(current, Current(capId));
            EXPECT_EQ(TWCC_SUCCESS, Status());
        }
    }
    EXPECT_EQ(0, std::memcmp(&before, &settings, sizeof settings));
}

TEST_F(CapabilityTest, ShortEnumerationsAreReadOnlyAsFarAsTheyGo)
{
    // The pixel type's enumeration path looks at the item at the current
    // pixel type's place, which a one-item enumeration does not have.
    EXPECT_EQ(TWRC_SUCCESS, SetOne(ICAP_PIXELTYPE, TWTY_UINT16, TWPT_PALETTE));
    std::vector<BYTE> lying = EnumerationBytes(TWTY_UINT16, {TWPT_BW}, 0, 0);
    lying[2] = 0xFF; // claims 255 items
    EXPECT_EQ(TWRC_SUCCESS, SetBlock(ICAP_PIXELTYPE, TWON_ENUMERATION, lying));
    // Frames and strings are no items for the light source's second place.
    std::vector<BYTE> frames = EnumerationBytes(TWTY_FRAME, {}, 0, 0);
    frames[2] = 2;
    frames.resize(14 + 32, 0x22);
    EXPECT_EQ(TWRC_SUCCESS, SetBlock(ICAP_LIGHTSOURCE, TWON_ENUMERATION, frames));
    EXPECT_EQ(4u, Current(ICAP_LIGHTSOURCE));
    EXPECT_EQ(TWPT_PALETTE, Current(ICAP_PIXELTYPE));
}

TEST_F(CapabilityTest, ALockedContainerIsReadAndStaysLocked)
{
    TW_CAPABILITY cap{ICAP_UNITS, TWON_ONEVALUE, Block(OneValueBytes(TWTY_UINT16, 1))};
    ASSERT_NE(nullptr, GlobalLock(cap.hContainer));
    EXPECT_EQ(TWRC_SUCCESS, Call(MSG_SET, &cap));
    EXPECT_EQ(1u, Current(ICAP_UNITS));
    EXPECT_EQ(1u, GlobalFlags(cap.hContainer) & GMEM_LOCKCOUNT);
    GlobalUnlock(cap.hContainer);
    GlobalFree(cap.hContainer);
}

TEST_F(CapabilityTest, ResetIsASetWithWhateverContainerComes)
{
    EXPECT_EQ(TWRC_SUCCESS, SetOne(ICAP_UNITS, TWTY_UINT16, TWUN_CENTIMETERS, MSG_RESET));
    EXPECT_EQ(1u, Current(ICAP_UNITS));
    EXPECT_EQ(TWRC_SUCCESS, SetOne(ICAP_BRIGHTNESS, TWTY_FIX32, Fix(64), MSG_RESET));
    EXPECT_EQ(150, settings.masterBrightness);
}

TEST_F(CapabilityTest, ResetWithAnEmptyContainerLeavesEveryValue)
{
    // A source opened on an empty settings file: settings and store agree.
    lstrcpynA(settingsPath, files.Write("\\kmscan32.ini", "").c_str(), sizeof settingsPath);
    ResetScanSettings(&settings, &scannerAbility);
    ReadSourceSettings();
    scanParameters.scanSource = 1;
    settings.colorFilter = 2;

    auto answers = [this] {
        std::vector<std::vector<BYTE>> all;
        for (TW_UINT16 cap : kAllCapabilities)
            for (TW_UINT16 msg : {MSG_GET, MSG_GETCURRENT})
                all.push_back(Get(cap, msg).bytes);
        return all;
    };
    const auto answersBefore = answers();

    for (TW_UINT16 conType :
         {TW_UINT16(0), TW_UINT16(TWON_ONEVALUE), TW_UINT16(TWON_ENUMERATION)}) {
        for (TW_UINT16 capId : kAllCapabilities) {
            if (capId == kCapReloadSettings)
                continue; // re-reads the file: its own test
            SCOPED_TRACE(testing::Message() << "kind " << conType << " cap " << capId);
            ScanSettings expected = settings;
            if (capId == ICAP_FILTER)
                expected.colorFilter = 4; // stored again from the current filter
            const ScanParameters parameters = scanParameters;
            const int inverts[] = {lineArtInvert, grayInvert};
            const TW_INT16 count = transferCount;

            TW_CAPABILITY cap{capId, conType, nullptr};
            EXPECT_EQ(TWRC_SUCCESS, Call(MSG_RESET, &cap));
            EXPECT_EQ(nullptr, cap.hContainer);
            EXPECT_EQ(0, std::memcmp(&expected, &settings, sizeof settings));
            EXPECT_EQ(0, std::memcmp(&parameters, &scanParameters, sizeof parameters));
            EXPECT_EQ(inverts[0], lineArtInvert);
            EXPECT_EQ(inverts[1], grayInvert);
            EXPECT_EQ(count, transferCount);
        }
    }
    EXPECT_EQ(answersBefore, answers());
    EXPECT_EQ(4, settings.colorFilter);
}

TEST_F(CapabilityTest, ReloadSettingsReadsTheSettingsFile)
{
    lstrcpynA(settingsPath,
              files
                  .Write("\\kmscan32.ini", "[Kelmora Scanner]\r\nScan Page=2\r\nScan Method=2\r\n"
                                           "[2]\r\nResolution=200\r\nMaster Brightness=120\r\n"
                                           "Image Type=3\r\n")
                  .c_str(),
              sizeof settingsPath);
    ResetScanSettings(&settings, &scannerAbility);
    scannerAbility.flatbedWidth = 2550;
    scannerAbility.flatbedLength = 3508;
    for (TW_UINT16 msg : {MSG_SET, MSG_RESET}) {
        SCOPED_TRACE(msg);
        settings.resolution = 0;
        settings.masterBrightness = 0;
        settings.imageType = 0;
        // The container is not read: none, or a one-value, alike.
        TW_CAPABILITY cap{kCapReloadSettings, 0, nullptr};
        EXPECT_EQ(TWRC_SUCCESS, Call(msg, &cap));
        EXPECT_EQ(200, settings.resolution);
        EXPECT_EQ(120, settings.masterBrightness);
        EXPECT_EQ(3, settings.imageType);
        EXPECT_EQ(2u, settings.scanPage);
        EXPECT_EQ(2u, preparedPages);
        EXPECT_EQ(2550, settings.cx);
    }
    EXPECT_EQ(TWRC_SUCCESS, SetOne(kCapReloadSettings, TWTY_UINT16, 1));
    EXPECT_EQ(200, settings.resolution);
}

TEST_F(CapabilityTest, TheStoreOutlivesOpenAndClose)
{
    files.Write("\\7d32.ini", "[LANGUAGE]\r\nLANGUAGE=English\r\n");
    EXPECT_EQ(TWRC_SUCCESS, SetOne(ICAP_UNITS, TWTY_UINT16, TWUN_CENTIMETERS));
    EXPECT_EQ(TWRC_SUCCESS, SetOne(ICAP_BRIGHTNESS, TWTY_FIX32, Fix(64)));
    TW_IDENTITY source{};
    ASSERT_EQ(TWRC_SUCCESS, DS_Entry(&origin, DG_CONTROL, DAT_IDENTITY, MSG_OPENDS, &source));
    EXPECT_EQ(1u, Current(ICAP_UNITS));
    EXPECT_EQ(Fix(64), Current(ICAP_BRIGHTNESS));
    ASSERT_EQ(TWRC_SUCCESS, DS_Entry(&origin, DG_CONTROL, DAT_IDENTITY, MSG_CLOSEDS, nullptr));
    EXPECT_EQ(1u, Current(ICAP_UNITS));
    EXPECT_EQ(Fix(64), Current(ICAP_BRIGHTNESS));
    EXPECT_EQ(Fix(64), Get(ICAP_BRIGHTNESS).RangeCurrent());
}
