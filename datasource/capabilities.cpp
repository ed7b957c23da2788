// DG_CONTROL / DAT_CAPABILITY: the capability store, the table of the
// capabilities the source offers, and the one handler that answers and sets
// them by the row it finds.
#include "capabilities.h"

#include <cstring>
#include <initializer_list>
#include <iterator>

#include "containers.h"
#include "driver.h"
#include "entry.h"
#include "errors.h"
#include "settings.h"
#include "state.h"

namespace {

constexpr const char* kCapsFailure = "General failure in response to DAT_CAPS.  ";

constexpr TW_FIX32 Whole(TW_INT16 n)
{
    return TW_FIX32{n, 0};
}

// A signed 16-bit range value as its 32-bit word.
constexpr TW_UINT32 IntWord(TW_INT16 n)
{
    return static_cast<TW_UINT32>(static_cast<TW_INT32>(n));
}

template <typename T, size_t N>
constexpr EnumDescriptor Describe(TW_UINT16 itemType, const T (&)[N], TW_UINT32 currentIndex,
                                  TW_UINT32 defaultIndex)
{
    return EnumDescriptor{itemType, N, currentIndex, defaultIndex};
}

// ---------------------------------------------------------------------------
// The capability store, as at load. Opening and closing the source never
// reset it. Enumerations keep their descriptor (whose CurrentIndex MSG_GET
// reports) apart from the current value (which MSG_GETCURRENT reports);
// ranges keep their own current field apart as well.

constexpr TW_UINT16 kPixelTypes[] = {TWPT_BW, TWPT_GRAY, TWPT_RGB, TWPT_PALETTE};
EnumDescriptor pixelTypeList = Describe(TWTY_UINT16, kPixelTypes, 0, 0);
TW_UINT16 pixelTypeCurrent = TWPT_BW;
// imageType of ScanSettings for each pixel type, in list order.
constexpr BYTE kImageTypes[] = {0, 2, 3, 5};

constexpr TW_UINT16 kUnits[] = {TWUN_INCHES, TWUN_CENTIMETERS, TWUN_PIXELS};
EnumDescriptor unitsList = Describe(TWTY_UINT16, kUnits, 0, 0);

constexpr TW_UINT16 kXferMechs[] = {TWSX_NATIVE, TWSX_FILE, TWSX_MEMORY};
EnumDescriptor xferMechList = Describe(TWTY_UINT16, kXferMechs, 2, 2);

TW_UINT16 compressionCurrent = TWCP_NONE;

// The three feeder capabilities share one answer, worked out at each question.
TW_BOOL feederAnswer = FALSE;

constexpr TW_UINT16 kNoCapabilities[1] = {};
constexpr ArrayDescriptor kSupportedCaps = {TWTY_UINT16, 0};

TW_RANGE brightnessRange = {TWTY_FIX32,        FixWord(Whole(-127)), FixWord(Whole(127)),
                            FixWord(Whole(1)), FixWord(Whole(0)),    FixWord(Whole(0))};
TW_FIX32 brightnessCurrent = Whole(0);
TW_RANGE contrastRange = {TWTY_FIX32,        FixWord(Whole(-127)), FixWord(Whole(127)),
                          FixWord(Whole(1)), FixWord(Whole(0)),    FixWord(Whole(0))};
TW_FIX32 contrastCurrent = Whole(0);

constexpr TW_UINT16 kFilters[] = {TWFT_NONE, TWFT_RED, TWFT_GREEN, TWFT_BLUE};
EnumDescriptor filterList = Describe(TWTY_UINT16, kFilters, 0, 0);
TW_UINT16 filterCurrent = TWFT_NONE;

// Reported whatever an application sets; a set only reaches the settings.
constexpr TW_FIX32 kGamma = ToFix32(1.4);

TW_RANGE highlightRange = {TWTY_INT16, 1, 255, 1, 255, 255};
TW_INT16 highlightCurrent = 255;

constexpr TW_UINT16 kFileFormats[] = {TWFF_BMP, TWFF_TIFF};
EnumDescriptor fileFormatList = Describe(TWTY_UINT16, kFileFormats, 0, 0);
TW_UINT16 fileFormatCurrent = TWFF_BMP;

constexpr TW_UINT16 kLightSources[] = {TWLS_RED, TWLS_GREEN, TWLS_BLUE, TWLS_NONE, TWLS_WHITE};
EnumDescriptor lightSourceList = Describe(TWTY_UINT16, kLightSources, 4, 4);
TW_UINT16 lightSourceCurrent = TWLS_WHITE;

constexpr TW_FIX32 kPhysicalWidth = ToFix32(8.5);
constexpr TW_FIX32 kPhysicalHeight = ToFix32(11.69);

TW_RANGE shadowRange = {TWTY_INT16, 0, 254, 1, 0, 0};
TW_INT16 shadowCurrent = 0;

constexpr TW_FIX32 kNativeResolutions[] = {Whole(0), Whole(300)};
EnumDescriptor xNativeResolutionList = Describe(TWTY_FIX32, kNativeResolutions, 1, 1);
EnumDescriptor yNativeResolutionList = Describe(TWTY_FIX32, kNativeResolutions, 1, 1);
constexpr TW_FIX32 kNativeResolution = Whole(300);

constexpr TW_FIX32 kResolutions[] = {Whole(100), Whole(150), Whole(200),
                                     Whole(300), Whole(400), Whole(600)};
EnumDescriptor xResolutionList = Describe(TWTY_FIX32, kResolutions, 3, 3);
EnumDescriptor yResolutionList = Describe(TWTY_FIX32, kResolutions, 3, 3);
// Either resolution capability sets this one; the Y resolution reports 300.
TW_FIX32 xResolutionCurrent = Whole(300);
constexpr TW_FIX32 kYResolution = Whole(300);
constexpr TW_INT16 kLowestResolution = 50;
constexpr TW_INT16 kHighestResolution = kResolutions[std::size(kResolutions) - 1].Whole;

constexpr TW_UINT16 kLightPaths[] = {TWLP_REFLECTIVE, TWLP_TRANSMISSIVE};
EnumDescriptor lightPathList = Describe(TWTY_UINT16, kLightPaths, 0, 0);
TW_UINT16 lightPathCurrent = TWLP_REFLECTIVE;

constexpr TW_UINT16 kPixelFlavors[] = {TWPF_CHOCOLATE, TWPF_VANILLA};
EnumDescriptor pixelFlavorList = Describe(TWTY_UINT16, kPixelFlavors, 0, 0);
TW_UINT16 pixelFlavorCurrent = TWPF_CHOCOLATE;

constexpr TW_UINT16 kPlanarChunky[] = {TWPC_CHUNKY, TWPC_PLANAR};
EnumDescriptor planarChunkyList = Describe(TWTY_UINT16, kPlanarChunky, 0, 0);

constexpr TW_UINT16 kSupportedSizes[] = {TWSS_NONE,    TWSS_A4LETTER, TWSS_B5LETTER, TWSS_USLETTER,
                                         TWSS_USLEGAL, TWSS_A5,       TWSS_B4,       TWSS_B6};
EnumDescriptor supportedSizesList = Describe(TWTY_UINT16, kSupportedSizes, 0, 0);
TW_UINT16 supportedSizesCurrent = TWSS_NONE;

TW_RANGE thresholdRange = {TWTY_UINT16, 0, 255, 1, 127, 127};
TW_UINT16 thresholdCurrent = 127;

// The maximum is the plain word 0x8000, as the source has always reported it:
// read as a TW_FIX32 that is -32768.
TW_RANGE xScalingRange = {TWTY_FIX32, 0, 0x8000, 1, 1, 1};
TW_RANGE yScalingRange = {TWTY_FIX32, 0, 0x8000, 1, 1, 1};
constexpr TW_FIX32 kScaling = Whole(1);

constexpr TW_UINT16 kBitDepths[] = {1, 4, 8};
EnumDescriptor bitDepthList = Describe(TWTY_UINT16, kBitDepths, 0, 0);
TW_UINT16 bitDepthCurrent = 1;

// ---------------------------------------------------------------------------
// Rows of the capability table.

// The container that MSG_GET and MSG_GETDEFAULT build. MSG_GETCURRENT builds
// the same for a one-value or an array, and a one-value with the current
// value for an enumeration or a range.
enum class Container {
    None,    // no container; success
    Refused, // MSG_GET and MSG_GETDEFAULT fail, condition code untouched
    OneValue,
    Enumeration,
    Range,
    Array,
};

// How MSG_SET and MSG_RESET read the application's container.
enum class SetPath {
    None,                  // no set action: success, nothing read
    AnyContainer,          // read as a one-value whatever ConType says
    OneValueOnly,          // other kinds are ignored
    OneValueOrEnumeration, // each its own way, other kinds ignored
};

// The item of an application's enumeration that the enumeration path reads.
enum class EnumItem { First, Second, AtCurrentValue };

struct CapabilityRow;
typedef void (*AnswerHook)(TW_UINT16 msg);
typedef TW_UINT16 (*SetAction)(const CapabilityRow& row, const TW_CAPABILITY* capability);
typedef void (*EnumerationEffect)();

struct CapabilityRow {
    TW_UINT16 cap;
    Container container;
    TW_UINT16 itemType;
    EnumDescriptor* enumeration;
    TW_RANGE* range;
    const ArrayDescriptor* array;
    const void* items; // item list of an enumeration or array
    void* current;     // the current value, itemType wide; null: fixedValue is reported
    TW_UINT32 fixedValue;
    AnswerHook onAnswer; // runs before every answer
    SetPath setPath;
    SetAction set;                   // one-value path
    EnumerationEffect onEnumeration; // enumeration path, after the item is read
    EnumItem enumItem;

    constexpr CapabilityRow Sets(SetPath path, SetAction action) const
    {
        CapabilityRow row = *this;
        row.setPath = path;
        row.set = action;
        return row;
    }
    constexpr CapabilityRow OnEnumeration(EnumerationEffect effect, EnumItem item) const
    {
        CapabilityRow row = *this;
        row.onEnumeration = effect;
        row.enumItem = item;
        return row;
    }
    constexpr CapabilityRow OnAnswer(AnswerHook hook) const
    {
        CapabilityRow row = *this;
        row.onAnswer = hook;
        return row;
    }
};

constexpr CapabilityRow NoAnswer(TW_UINT16 cap)
{
    return CapabilityRow{cap, Container::None};
}

constexpr CapabilityRow Refused(TW_UINT16 cap)
{
    return CapabilityRow{cap, Container::Refused};
}

constexpr CapabilityRow OneValue(TW_UINT16 cap, TW_UINT16 itemType, void* current)
{
    return CapabilityRow{cap,    Container::OneValue, itemType, nullptr, nullptr, nullptr, nullptr,
                         current};
}

constexpr CapabilityRow FixedOneValue(TW_UINT16 cap, TW_UINT16 itemType, TW_UINT32 value)
{
    return CapabilityRow{
        cap, Container::OneValue, itemType, nullptr, nullptr, nullptr, nullptr, nullptr, value};
}

constexpr CapabilityRow Enumerated(TW_UINT16 cap, TW_UINT16 itemType, EnumDescriptor& list,
                                   const void* items, void* current, TW_UINT32 fixedValue = 0)
{
    return CapabilityRow{
        cap, Container::Enumeration, itemType, &list, nullptr, nullptr, items, current, fixedValue};
}

constexpr CapabilityRow Ranged(TW_UINT16 cap, TW_UINT16 itemType, TW_RANGE& range, void* current,
                               TW_UINT32 fixedValue = 0)
{
    return CapabilityRow{cap,     Container::Range, itemType, nullptr,   &range,
                         nullptr, nullptr,          current,  fixedValue};
}

constexpr CapabilityRow Arrayed(TW_UINT16 cap, const ArrayDescriptor& array, const void* items)
{
    return CapabilityRow{cap, Container::Array, array.ItemType, nullptr, nullptr, &array, items};
}

// ---------------------------------------------------------------------------
// Values as 32-bit words, with the C conversions: signed types widen with
// their sign.

TW_UINT32 LoadWord(const void* value, TW_UINT16 itemType)
{
    switch (itemType) {
    case TWTY_INT8:
        return static_cast<TW_UINT32>(static_cast<TW_INT32>(*static_cast<const TW_INT8*>(value)));
    case TWTY_UINT8:
        return *static_cast<const TW_UINT8*>(value);
    case TWTY_INT16: {
        TW_INT16 v;
        std::memcpy(&v, value, sizeof v);
        return IntWord(v);
    }
    case TWTY_INT32:
    case TWTY_UINT32:
    case TWTY_FIX32: {
        TW_UINT32 v;
        std::memcpy(&v, value, sizeof v);
        return v;
    }
    default: {
        TW_UINT16 v;
        std::memcpy(&v, value, sizeof v);
        return v;
    }
    }
}

TW_UINT32 CurrentWord(const CapabilityRow& row)
{
    return row.current ? LoadWord(row.current, row.itemType) : row.fixedValue;
}

// Position of the current value in the row's item list, or -1.
long FindCurrent(const CapabilityRow& row)
{
    const TW_UINT32 value = CurrentWord(row);
    const auto* items = static_cast<const BYTE*>(row.items);
    const size_t size = ItemSize(row.itemType);
    for (TW_UINT32 i = 0; i < row.enumeration->NumItems; ++i)
        if (LoadWord(items + i * size, row.itemType) == value)
            return static_cast<long>(i);
    return -1;
}

// The current value, just stored, must be one of the list. A rejected value
// stays current; CurrentIndex keeps its position.
TW_UINT16 Validate(const CapabilityRow& row, long* position = nullptr)
{
    const long found = FindCurrent(row);
    if (found < 0)
        return FailTriplet(TWCC_BADVALUE, kCapsFailure);
    row.enumeration->CurrentIndex = static_cast<TW_UINT32>(found);
    if (position)
        *position = found;
    return TWRC_SUCCESS;
}

// ---------------------------------------------------------------------------
// Answers

// Paper in the feeder, the feeder enabled and the feeder chosen; two clients
// are always told yes.
void AnswerFeeder(TW_UINT16)
{
    if (driver.getADFPaper) {
        // A failed query says nothing about the paper: keep what was known.
        BYTE paper = paperPresent;
        if (driver.getADFPaper(&paper))
            paperPresent = paper;
    }
    feederAnswer = (paperPresent && feederEnabled && settings.scanMethod < 2) ||
                   IsApp("DocManager") || IsApp("Laserfiche");
}

// Asking for the whole feed-page value feeds the next sheet when feeding was
// requested and the feeder is chosen.
void FeedPageOnAnswer(TW_UINT16 msg)
{
    if (msg != MSG_GETCURRENT && feedPage && settings.scanMethod < 2 && driver.pageFeed)
        driver.pageFeed();
}

// ---------------------------------------------------------------------------
// Set actions, one-value path. Each reads into the capability's current value
// (or a copy of it), so a container that holds nothing applies the current
// value again; a capability that keeps no current value of its own then
// does nothing.

TW_UINT16 StoreValue(const CapabilityRow& row, const TW_CAPABILITY* capability)
{
    ReadOneValue(capability, row.current, ItemSize(row.itemType));
    return TWRC_SUCCESS;
}

TW_UINT16 StoreValidated(const CapabilityRow& row, const TW_CAPABILITY* capability)
{
    ReadOneValue(capability, row.current, ItemSize(row.itemType));
    return Validate(row);
}

TW_UINT16 SetPixelType(const CapabilityRow& row, const TW_CAPABILITY* capability)
{
    ReadOneValue(capability, &pixelTypeCurrent, sizeof pixelTypeCurrent);
    // Not validated: a value outside the list is kept and reported, and
    // changes nothing else.
    const long position = FindCurrent(row);
    if (position < 0)
        return TWRC_SUCCESS;
    row.enumeration->CurrentIndex = static_cast<TW_UINT32>(position);
    settings.imageType = kImageTypes[position];
    if (pixelTypeCurrent == TWPT_GRAY)
        settings.colorMagician = 0;
    return TWRC_SUCCESS;
}

TW_UINT16 SetFeederEnabled(const CapabilityRow&, const TW_CAPABILITY* capability)
{
    ReadOneValue(capability, &feederEnabled, sizeof feederEnabled);
    scanParameters.scanSource = feederEnabled ? 1 : 2;
    return TWRC_SUCCESS;
}

TW_UINT16 SetFeedPage(const CapabilityRow&, const TW_CAPABILITY* capability)
{
    if (!feederEnabled)
        return TWRC_SUCCESS;
    ReadOneValue(capability, &feedPage, sizeof feedPage);
    if (feedPage && driver.pageFeed)
        driver.pageFeed();
    return TWRC_SUCCESS;
}

// -127..127 maps onto the settings' 0..200 with 100 neutral.
BYTE ToneByte(TW_INT16 whole)
{
    return static_cast<BYTE>(static_cast<int>(whole * 100.0 / 127 + 100));
}

// Brightness and contrast set their four settings fields alike.
TW_UINT16 SetTone(const TW_CAPABILITY* capability, TW_FIX32& current, TW_RANGE& range,
                  std::initializer_list<BYTE*> fields)
{
    TW_FIX32 value = current;
    ReadOneValue(capability, &value, sizeof value);
    const BYTE tone = ToneByte(value.Whole);
    for (BYTE* field : fields)
        *field = tone;
    current = Whole(value.Whole);
    range.CurrentValue = FixWord(current);
    return TWRC_SUCCESS;
}

TW_UINT16 SetBrightness(const CapabilityRow&, const TW_CAPABILITY* capability)
{
    return SetTone(capability, brightnessCurrent, brightnessRange,
                   {&settings.masterBrightness, &settings.redBrightness, &settings.greenBrightness,
                    &settings.blueBrightness});
}

TW_UINT16 SetContrast(const CapabilityRow&, const TW_CAPABILITY* capability)
{
    return SetTone(capability, contrastCurrent, contrastRange,
                   {&settings.masterContrast, &settings.redContrast, &settings.greenContrast,
                    &settings.blueContrast});
}

TW_UINT16 SetGamma(const CapabilityRow&, const TW_CAPABILITY* capability)
{
    TW_FIX32 value;
    if (!ReadOneValue(capability, &value, sizeof value))
        return TWRC_SUCCESS;
    settings.masterGammaValue = static_cast<WORD>(static_cast<int>(FromFix32(value) * 100));
    return TWRC_SUCCESS;
}

void StoreHighlight(TW_INT16 value)
{
    const BYTE level = static_cast<BYTE>(value);
    settings.masterHighlight = level;
    settings.redHighlight = level;
    settings.greenHighlight = level;
    settings.blueHighlight = level;
    highlightCurrent = value;
    highlightRange.CurrentValue = IntWord(value);
}

void StoreShadow(TW_INT16 value)
{
    const BYTE level = static_cast<BYTE>(value);
    settings.masterShadow = level;
    settings.redShadow = level;
    settings.greenShadow = level;
    settings.blueShadow = level;
    shadowCurrent = value;
    shadowRange.CurrentValue = IntWord(value);
}

// Highlight and shadow never cross: the one set pushes the other along.
TW_UINT16 SetHighlight(const CapabilityRow&, const TW_CAPABILITY* capability)
{
    TW_INT16 value = highlightCurrent;
    ReadOneValue(capability, &value, sizeof value);
    StoreHighlight(value);
    if (value < static_cast<TW_INT32>(shadowRange.CurrentValue))
        StoreShadow(static_cast<TW_INT16>(value - 1));
    return TWRC_SUCCESS;
}

TW_UINT16 SetShadow(const CapabilityRow&, const TW_CAPABILITY* capability)
{
    TW_INT16 value = shadowCurrent;
    ReadOneValue(capability, &value, sizeof value);
    StoreShadow(value);
    if (value > static_cast<TW_INT32>(highlightRange.CurrentValue))
        StoreHighlight(static_cast<TW_INT16>(value + 1));
    return TWRC_SUCCESS;
}

// TWFT_NONE becomes 4 in the settings: no filter, asked for through TWAIN.
TW_UINT16 SetFilter(const CapabilityRow& row, const TW_CAPABILITY* capability)
{
    const TW_UINT16 result = StoreValidated(row, capability);
    if (result == TWRC_SUCCESS)
        settings.colorFilter = static_cast<BYTE>(filterCurrent + 1);
    return result;
}

// Vanilla (0 is white) inverts line art, halftone and gray images.
TW_UINT16 SetPixelFlavor(const CapabilityRow& row, const TW_CAPABILITY* capability)
{
    ReadOneValue(capability, row.current, ItemSize(row.itemType));
    long position = 0;
    const TW_UINT16 result = Validate(row, &position);
    if (result == TWRC_SUCCESS) {
        lineArtInvert = position == 1 ? 1 : 0;
        grayInvert = lineArtInvert;
    }
    return result;
}

TW_UINT16 SetThreshold(const CapabilityRow&, const TW_CAPABILITY* capability)
{
    ReadOneValue(capability, &thresholdCurrent, sizeof thresholdCurrent);
    thresholdRange.CurrentValue = thresholdCurrent;
    return TWRC_SUCCESS;
}

// Both resolution capabilities: any whole resolution from 50 up to the
// highest of the list is taken; a rejected one resets the current value to
// 300 and leaves the settings' resolution alone.
TW_UINT16 SetResolution(const CapabilityRow&, const TW_CAPABILITY* capability)
{
    TW_FIX32 value = xResolutionCurrent;
    ReadOneValue(capability, &value, sizeof value);
    if (value.Whole >= kLowestResolution && value.Whole <= kHighestResolution) {
        settings.resolution = static_cast<WORD>(value.Whole);
        xResolutionCurrent = value;
        return TWRC_SUCCESS;
    }
    xResolutionCurrent = Whole(300);
    return FailTriplet(TWCC_BADVALUE, kCapsFailure);
}

// Nothing else reads the bit depth, which follows the pixel type when the
// job is derived; whatever an application asks for, the source keeps
// reporting 1.
TW_UINT16 SetBitDepth(const CapabilityRow& row, const TW_CAPABILITY* capability)
{
    ReadOneValue(capability, &bitDepthCurrent, sizeof bitDepthCurrent);
    bitDepthCurrent = 1;
    return Validate(row);
}

TW_UINT16 SetColorMagician(const CapabilityRow&, const TW_CAPABILITY* capability)
{
    TW_UINT16 value = 0;
    if (ReadOneValue(capability, &value, sizeof value))
        settings.colorMagician = value;
    return TWRC_SUCCESS;
}

TW_UINT16 SetSharpenMode(const CapabilityRow&, const TW_CAPABILITY* capability)
{
    TW_UINT16 value = 0;
    if (ReadOneValue(capability, &value, sizeof value))
        settings.sharpenMode = static_cast<BYTE>(value);
    return TWRC_SUCCESS;
}

TW_UINT16 SetDescreenMode(const CapabilityRow&, const TW_CAPABILITY* capability)
{
    TW_UINT16 value = 0;
    if (ReadOneValue(capability, &value, sizeof value))
        settings.descreenMode = static_cast<BYTE>(value);
    return TWRC_SUCCESS;
}

// The container is not read: the whole record comes from the settings file.
TW_UINT16 ReloadSettings(const CapabilityRow&, const TW_CAPABILITY*)
{
    ReadSourceSettings();
    return TWRC_SUCCESS;
}

// ---------------------------------------------------------------------------
// Enumeration path: the source keeps its values; only these effects follow.

// The image type follows the current pixel type again (a palette leaves it);
// two OCR clients get the whole letter page as their area.
void PixelTypeFromEnumeration()
{
    switch (pixelTypeCurrent) {
    case TWPT_BW:
        settings.imageType = 0;
        break;
    case TWPT_GRAY:
        settings.imageType = 2;
        break;
    case TWPT_RGB:
        settings.imageType = 3;
        break;
    default:
        break;
    }
    if (IsApp("WordScan") || IsApp("OmniPage Limited Edition")) {
        settings.x = 0;
        settings.y = 0;
        settings.cx = 2550; // 8.5 by 11 inches in 1/300 inch
        settings.cy = 3300;
    }
}

void ResolutionFromEnumeration()
{
    if (IsApp("WordScan"))
        settings.resolution = 300;
}

// ---------------------------------------------------------------------------
// The table: one row per capability, in the order of the standard's numbers.

constexpr SetPath kAny = SetPath::AnyContainer;
constexpr SetPath kOneValue = SetPath::OneValueOnly;
constexpr SetPath kOneOrEnum = SetPath::OneValueOrEnumeration;

constexpr CapabilityRow kCapabilities[] = {
    OneValue(CAP_XFERCOUNT, TWTY_INT16, &transferCount).Sets(kAny, StoreValue),
    OneValue(ICAP_COMPRESSION, TWTY_UINT16, &compressionCurrent).Sets(kAny, StoreValue),
    Enumerated(ICAP_PIXELTYPE, TWTY_UINT16, pixelTypeList, kPixelTypes, &pixelTypeCurrent)
        .Sets(kOneOrEnum, SetPixelType)
        .OnEnumeration(PixelTypeFromEnumeration, EnumItem::AtCurrentValue),
    Enumerated(ICAP_UNITS, TWTY_UINT16, unitsList, kUnits, &unitsCurrent)
        .Sets(kAny, StoreValidated),
    Enumerated(ICAP_XFERMECH, TWTY_UINT16, xferMechList, kXferMechs, &xferMechCurrent)
        .Sets(kOneOrEnum, StoreValidated),
    NoAnswer(CAP_AUTHOR), // read and ignored
    OneValue(CAP_FEEDERENABLED, TWTY_BOOL, &feederAnswer)
        .OnAnswer(AnswerFeeder)
        .Sets(kAny, SetFeederEnabled),
    OneValue(CAP_FEEDERLOADED, TWTY_BOOL, &feederAnswer).OnAnswer(AnswerFeeder),
    Refused(CAP_TIMEDATE),
    Arrayed(CAP_SUPPORTEDCAPS, kSupportedCaps, kNoCapabilities),
    OneValue(CAP_AUTOFEED, TWTY_BOOL, &feederAnswer).OnAnswer(AnswerFeeder),
    FixedOneValue(CAP_CLEARPAGE, TWTY_BOOL, FALSE),
    OneValue(CAP_FEEDPAGE, TWTY_BOOL, &feedPage).OnAnswer(FeedPageOnAnswer).Sets(kAny, SetFeedPage),
    FixedOneValue(ICAP_AUTOBRIGHT, TWTY_BOOL, FALSE), // set: read and ignored
    Ranged(ICAP_BRIGHTNESS, TWTY_FIX32, brightnessRange, &brightnessCurrent)
        .Sets(kOneValue, SetBrightness),
    Ranged(ICAP_CONTRAST, TWTY_FIX32, contrastRange, &contrastCurrent).Sets(kOneValue, SetContrast),
    Enumerated(ICAP_FILTER, TWTY_UINT16, filterList, kFilters, &filterCurrent)
        .Sets(kAny, SetFilter),
    FixedOneValue(ICAP_GAMMA, TWTY_FIX32, FixWord(kGamma)).Sets(kOneValue, SetGamma),
    Ranged(ICAP_HIGHLIGHT, TWTY_INT16, highlightRange, &highlightCurrent)
        .Sets(kOneValue, SetHighlight),
    Enumerated(ICAP_IMAGEFILEFORMAT, TWTY_UINT16, fileFormatList, kFileFormats, &fileFormatCurrent)
        .Sets(kOneOrEnum, StoreValidated),
    Enumerated(ICAP_LIGHTSOURCE, TWTY_UINT16, lightSourceList, kLightSources, &lightSourceCurrent)
        .Sets(kOneOrEnum, StoreValidated)
        .OnEnumeration(nullptr, EnumItem::Second),
    FixedOneValue(ICAP_PHYSICALWIDTH, TWTY_FIX32, FixWord(kPhysicalWidth)),
    FixedOneValue(ICAP_PHYSICALHEIGHT, TWTY_FIX32, FixWord(kPhysicalHeight)),
    Ranged(ICAP_SHADOW, TWTY_INT16, shadowRange, &shadowCurrent).Sets(kAny, SetShadow),
    Enumerated(ICAP_XNATIVERESOLUTION, TWTY_FIX32, xNativeResolutionList, kNativeResolutions,
               nullptr, FixWord(kNativeResolution)),
    Enumerated(ICAP_YNATIVERESOLUTION, TWTY_FIX32, yNativeResolutionList, kNativeResolutions,
               nullptr, FixWord(kNativeResolution)),
    Enumerated(ICAP_XRESOLUTION, TWTY_FIX32, xResolutionList, kResolutions, &xResolutionCurrent)
        .Sets(kOneOrEnum, SetResolution)
        .OnEnumeration(ResolutionFromEnumeration, EnumItem::First),
    Enumerated(ICAP_YRESOLUTION, TWTY_FIX32, yResolutionList, kResolutions, nullptr,
               FixWord(kYResolution))
        .Sets(kOneOrEnum, SetResolution)
        .OnEnumeration(ResolutionFromEnumeration, EnumItem::First),
    FixedOneValue(ICAP_TILES, TWTY_BOOL, FALSE), // set: read and ignored
    Enumerated(ICAP_LIGHTPATH, TWTY_UINT16, lightPathList, kLightPaths, &lightPathCurrent)
        .Sets(kAny, StoreValidated),
    Enumerated(ICAP_PIXELFLAVOR, TWTY_UINT16, pixelFlavorList, kPixelFlavors, &pixelFlavorCurrent)
        .Sets(kAny, SetPixelFlavor),
    Enumerated(ICAP_PLANARCHUNKY, TWTY_UINT16, planarChunkyList, kPlanarChunky,
               &planarChunkyCurrent)
        .Sets(kOneOrEnum, StoreValidated),
    Enumerated(ICAP_SUPPORTEDSIZES, TWTY_UINT16, supportedSizesList, kSupportedSizes,
               &supportedSizesCurrent)
        .Sets(kOneOrEnum, StoreValidated),
    Ranged(ICAP_THRESHOLD, TWTY_UINT16, thresholdRange, &thresholdCurrent)
        .Sets(kOneOrEnum, SetThreshold),
    Ranged(ICAP_XSCALING, TWTY_FIX32, xScalingRange, nullptr, FixWord(kScaling)),
    Ranged(ICAP_YSCALING, TWTY_FIX32, yScalingRange, nullptr, FixWord(kScaling)),
    Enumerated(ICAP_BITDEPTH, TWTY_UINT16, bitDepthList, kBitDepths, &bitDepthCurrent)
        .Sets(kOneOrEnum, SetBitDepth),
    NoAnswer(kCapColorMagician).Sets(kAny, SetColorMagician),
    NoAnswer(kCapSharpenMode).Sets(kAny, SetSharpenMode),
    NoAnswer(kCapDescreenMode).Sets(kAny, SetDescreenMode),
    NoAnswer(kCapReloadSettings).Sets(kAny, ReloadSettings),
};

const CapabilityRow* FindRow(TW_UINT16 cap)
{
    for (const CapabilityRow& row : kCapabilities)
        if (row.cap == cap)
            return &row;
    return nullptr;
}

// ---------------------------------------------------------------------------
// Messages. A container that cannot be allocated is not reported: the answer
// is still a success, with no container.

TW_UINT16 Answer(const CapabilityRow& row, pTW_CAPABILITY capability, TW_UINT16 msg)
{
    if (row.onAnswer)
        row.onAnswer(msg);
    const bool current = msg == MSG_GETCURRENT;
    switch (row.container) {
    case Container::None:
        break;
    case Container::Refused:
        if (!current)
            return TWRC_FAILURE;
        break;
    case Container::OneValue:
        BuildOneValue(capability, row.itemType, CurrentWord(row));
        break;
    case Container::Array:
        BuildArray(capability, *row.array, row.items);
        break;
    case Container::Enumeration:
        if (current)
            BuildOneValue(capability, row.itemType, CurrentWord(row));
        else
            BuildEnumeration(capability, *row.enumeration, row.items);
        break;
    case Container::Range:
        if (current)
            BuildOneValue(capability, row.itemType, CurrentWord(row));
        else
            BuildRange(capability, *row.range);
        break;
    }
    return TWRC_SUCCESS;
}

TW_UINT32 EnumerationItemIndex(const CapabilityRow& row)
{
    switch (row.enumItem) {
    case EnumItem::Second:
        return 1;
    case EnumItem::AtCurrentValue:
        return CurrentWord(row);
    default:
        return 0;
    }
}

// MSG_RESET sets exactly as MSG_SET, with whatever container comes along.
TW_UINT16 Set(const CapabilityRow& row, pTW_CAPABILITY capability, TW_UINT16)
{
    switch (row.setPath) {
    case SetPath::None:
        return TWRC_SUCCESS;
    case SetPath::AnyContainer:
        return row.set(row, capability);
    case SetPath::OneValueOnly:
        return capability->ConType == TWON_ONEVALUE ? row.set(row, capability) : TWRC_SUCCESS;
    case SetPath::OneValueOrEnumeration:
        if (capability->ConType == TWON_ONEVALUE)
            return row.set(row, capability);
        if (capability->ConType == TWON_ENUMERATION) {
            // The item is looked at but not applied: an enumeration offers
            // choices, and the source keeps its own value.
            TW_UINT32 item = 0;
            ReadEnumerationItem(capability, &item, sizeof item, EnumerationItemIndex(row));
            if (row.onEnumeration)
                row.onEnumeration();
        }
        return TWRC_SUCCESS;
    }
    return TWRC_SUCCESS;
}

struct MessageEntry {
    TW_UINT16 msg;
    TW_UINT16 (*handler)(const CapabilityRow& row, pTW_CAPABILITY capability, TW_UINT16 msg);
};

constexpr MessageEntry kMessages[] = {
    {MSG_GET, Answer}, {MSG_GETCURRENT, Answer}, {MSG_GETDEFAULT, Answer},
    {MSG_SET, Set},    {MSG_RESET, Set},
};

} // namespace

// Answered in every state. A capability the table does not hold, or a
// message its row has no action for, succeeds without a container.
TW_UINT16 CapabilityHandler(TripletCall* call)
{
    auto* capability = static_cast<pTW_CAPABILITY>(call->data);
    for (const MessageEntry& entry : kMessages) {
        if (entry.msg != call->msg)
            continue;
        const CapabilityRow* row = FindRow(capability->Cap);
        return row ? entry.handler(*row, capability, call->msg) : TWRC_SUCCESS;
    }
    return FailTriplet(TWCC_BADPROTOCOL, kCapsFailure);
}
