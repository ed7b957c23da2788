// DAT_IMAGEINFO and DAT_IMAGELAYOUT as an application sees them.
#include "transferdoubles.h"

using namespace doubles;

namespace {

class ImageInfoTest : public TransferTest {
protected:
    TW_IMAGEINFO info{};
    TW_UINT16 GetInfo(TW_UINT16 msg = MSG_GET)
    {
        std::memset(&info, 0x55, sizeof info);
        return Image(DAT_IMAGEINFO, msg, &info);
    }
};

class ImageLayoutTest : public TransferTest {
protected:
    TW_IMAGELAYOUT layout{};
    TW_UINT16 Layout(TW_UINT16 msg) { return Image(DAT_IMAGELAYOUT, msg, &layout); }
    static TW_FIX32 Fix(TW_INT16 whole, TW_UINT16 frac)
    {
        TW_FIX32 f;
        f.Whole = whole;
        f.Frac = frac;
        return f;
    }
    void SetFrame(TW_FIX32 left, TW_FIX32 top, TW_FIX32 right, TW_FIX32 bottom)
    {
        layout.Frame.Left = left;
        layout.Frame.Top = top;
        layout.Frame.Right = right;
        layout.Frame.Bottom = bottom;
    }
};

void ExpectFix(TW_INT16 whole, TW_UINT16 frac, const TW_FIX32& actual, const char* what)
{
    EXPECT_EQ(whole, actual.Whole) << what;
    EXPECT_EQ(frac, actual.Frac) << what;
}

const char kStoredFrame[] = "[1]\r\nx=300\r\ny=600\r\nCx=2550\r\nCy=3300\r\n";

} // namespace

TEST_F(ImageLayoutTest, GetReportsTheStoredFrameInTheCurrentUnit)
{
    WriteSettingsFile(kStoredFrame);
    settings.x = 1; // the record in memory is not what is reported
    struct Expected {
        TW_INT16 whole;
        TW_UINT16 frac;
    };
    struct Case {
        TW_UINT16 units;
        Expected left, top, right, bottom;
    };
    const Case cases[] = {
        {TWUN_INCHES, {1, 0}, {2, 0}, {9, 32768}, {13, 0}},
        {TWUN_CENTIMETERS, {2, 35389}, {5, 5243}, {24, 8520}, {33, 1311}},
        {TWUN_PIXELS, {300, 0}, {600, 0}, {2850, 0}, {3900, 0}},
        // Units the source does not offer leave the frame as it came.
        {TWUN_POINTS, {7, 7}, {7, 7}, {7, 7}, {7, 7}},
    };
    for (TW_UINT16 msg : {MSG_GET, MSG_GETCURRENT}) {
        for (const Case& c : cases) {
            SCOPED_TRACE(c.units);
            unitsCurrent = c.units;
            SetFrame(Fix(7, 7), Fix(7, 7), Fix(7, 7), Fix(7, 7));
            layout.DocumentNumber = layout.PageNumber = layout.FrameNumber = 9;
            ASSERT_EQ(TWRC_SUCCESS, Layout(msg));
            ExpectFix(c.left.whole, c.left.frac, layout.Frame.Left, "left");
            ExpectFix(c.top.whole, c.top.frac, layout.Frame.Top, "top");
            ExpectFix(c.right.whole, c.right.frac, layout.Frame.Right, "right");
            ExpectFix(c.bottom.whole, c.bottom.frac, layout.Frame.Bottom, "bottom");
            EXPECT_EQ(1u, layout.DocumentNumber);
            EXPECT_EQ(1u, layout.PageNumber);
            EXPECT_EQ(1u, layout.FrameNumber);
        }
    }
    EXPECT_EQ(1, settings.x);
}

TEST_F(ImageLayoutTest, GetWithoutASettingsFileAnswersAnEmptyFrame)
{
    settingsPath[0] = '\0'; // before any open
    ASSERT_EQ(TWRC_SUCCESS, Layout(MSG_GET));
    ExpectFix(0, 0, layout.Frame.Left, "left");
    ExpectFix(0, 0, layout.Frame.Right, "right");
}

TEST_F(ImageLayoutTest, SetConvertsTheFrameByUnit)
{
    struct Case {
        const char* name;
        TW_UINT16 units;
        TW_FIX32 left, top, right, bottom;
        WORD x, y, cx, cy;
    };
    const Case cases[] = {
        {"inches", TWUN_INCHES, Fix(1, 0), Fix(0, 0), Fix(4, 0), Fix(5, 32768), 300, 0, 900, 1650},
        {"inches, fractions truncated", TWUN_INCHES, Fix(0, 6554), Fix(0, 0), Fix(11, 45220),
         Fix(1, 0), 30, 0, 3477, 300},
        {"centimetres", TWUN_CENTIMETERS, Fix(0, 0), Fix(0, 0), Fix(127, 0), Fix(25, 0), 0, 0, 14999,
         2952},
        {"centimetres, 2.54 is just short of an inch", TWUN_CENTIMETERS, Fix(2, 35389), Fix(0, 0),
         Fix(5, 32768), Fix(1, 0), 299, 0, 350, 118},
        {"pixels", TWUN_PIXELS, Fix(10, 999), Fix(20, 0), Fix(110, 0), Fix(220, 0), 10, 20, 100, 200},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        unitsCurrent = c.units;
        SetFrame(c.left, c.top, c.right, c.bottom);
        ASSERT_EQ(TWRC_SUCCESS, Layout(MSG_SET));
        EXPECT_EQ(c.x, settings.x);
        EXPECT_EQ(c.y, settings.y);
        EXPECT_EQ(c.cx, settings.cx);
        EXPECT_EQ(c.cy, settings.cy);
    }

    // Any other unit changes nothing.
    unitsCurrent = TWUN_TWIPS;
    SetFrame(Fix(1, 0), Fix(1, 0), Fix(2, 0), Fix(2, 0));
    ASSERT_EQ(TWRC_SUCCESS, Layout(MSG_SET));
    EXPECT_EQ(10, settings.x);
    EXPECT_EQ(100, settings.cx);
}

TEST_F(ImageLayoutTest, OmniPageGetsLetterSizeInPixelsOnly)
{
    SetProduct("OmniPage Limited Edition");
    settings.masterBrightness = 30;
    unitsCurrent = TWUN_INCHES;
    SetFrame(Fix(1, 0), Fix(1, 0), Fix(2, 0), Fix(2, 0));
    ASSERT_EQ(TWRC_SUCCESS, Layout(MSG_SET));
    EXPECT_EQ(300, settings.x);
    EXPECT_EQ(30, settings.masterBrightness);

    unitsCurrent = TWUN_PIXELS;
    ASSERT_EQ(TWRC_SUCCESS, Layout(MSG_SET));
    EXPECT_EQ(0, settings.x);
    EXPECT_EQ(0, settings.y);
    EXPECT_EQ(2550, settings.cx);
    EXPECT_EQ(3300, settings.cy);
    EXPECT_EQ(100, settings.masterBrightness);
}

TEST_F(ImageLayoutTest, DefaultLayoutBecomesCurrent)
{
    for (TW_UINT16 msg : {MSG_GETDEFAULT, MSG_RESET}) {
        SCOPED_TRACE(msg);
        unitsCurrent = TWUN_CENTIMETERS;
        settings.x = 5;
        settings.y = 6;
        settings.cx = 7;
        settings.cy = 8;
        ASSERT_EQ(TWRC_SUCCESS, Layout(msg));
        ExpectFix(0, 0, layout.Frame.Left, "left");
        ExpectFix(0, 0, layout.Frame.Top, "top");
        ExpectFix(8, 32768, layout.Frame.Right, "right");
        ExpectFix(11, 0, layout.Frame.Bottom, "bottom");
        EXPECT_EQ(1u, layout.DocumentNumber);
        EXPECT_EQ(TWUN_INCHES, CurrentValue(ICAP_UNITS));
        EXPECT_EQ(0, settings.x);
        EXPECT_EQ(0, settings.y);
        EXPECT_EQ(2550, settings.cx);
        EXPECT_EQ(3300, settings.cy);
    }
}

TEST_F(ImageLayoutTest, AnsweredInEveryState)
{
    WriteSettingsFile(kStoredFrame);
    for (int state : {kStateLoaded, kStateOpen, kStateEnabled, kStateTransferring}) {
        sourceState = state;
        EXPECT_EQ(TWRC_SUCCESS, Layout(MSG_GET)) << state;
    }
}

TEST_F(ImageLayoutTest, UnknownMessage)
{
    EXPECT_EQ(TWRC_FAILURE, Layout(MSG_QUERYSUPPORT));
    EXPECT_EQ(TWCC_BADPROTOCOL, Status());
    ASSERT_EQ(1u, boxes.boxes.size());
    EXPECT_EQ(kStatusBox, boxes.Last().text);
}

// A frame that lies before the page, is turned inside out or reaches beyond
// the 16-bit area fields would wrap into a wrong area: it is refused.
TEST_F(ImageLayoutTest, FramesTheAreaCannotHoldAreRefused)
{
    struct Case {
        const char* name;
        TW_UINT16 units;
        TW_FIX32 left, top, right, bottom;
    };
    const Case cases[] = {
        {"right before left", TWUN_INCHES, Fix(4, 0), Fix(0, 0), Fix(1, 0), Fix(5, 0)},
        {"bottom above top", TWUN_INCHES, Fix(0, 0), Fix(5, 0), Fix(1, 0), Fix(4, 0)},
        {"negative left", TWUN_INCHES, Fix(-1, 0), Fix(0, 0), Fix(1, 0), Fix(5, 0)},
        {"negative top in pixels", TWUN_PIXELS, Fix(0, 0), Fix(-300, 0), Fix(300, 0), Fix(300, 0)},
        {"beyond 65535 pixels", TWUN_INCHES, Fix(0, 0), Fix(0, 0), Fix(300, 0), Fix(5, 0)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        settings.x = 11;
        settings.y = 12;
        settings.cx = 13;
        settings.cy = 14;
        unitsCurrent = c.units;
        SetFrame(c.left, c.top, c.right, c.bottom);
        EXPECT_EQ(TWRC_FAILURE, Layout(MSG_SET));
        EXPECT_EQ(TWCC_BADVALUE, Status());
        EXPECT_EQ(11, settings.x);
        EXPECT_EQ(12, settings.y);
        EXPECT_EQ(13, settings.cx);
        EXPECT_EQ(14, settings.cy);
    }
}

TEST_F(ImageInfoTest, OnlyWhenATransferIsReady)
{
    for (int state : {kStateLoaded, kStateOpen, kStateEnabled, kStateTransferring}) {
        SCOPED_TRACE(state);
        sourceState = state;
        boxes.boxes.clear();
        EXPECT_EQ(TWRC_FAILURE, GetInfo());
        EXPECT_EQ(TWCC_SEQERROR, Status());
        ASSERT_EQ(1u, boxes.boxes.size());
        EXPECT_EQ(kStatusBox, boxes.Last().text);
    }
    sourceState = kStateXferReady;
    EXPECT_EQ(TWRC_FAILURE, GetInfo(MSG_GETCURRENT));
    EXPECT_EQ(TWCC_BADPROTOCOL, Status());
}

TEST_F(ImageInfoTest, DescribesTheJobByImageType)
{
    struct Case {
        const char* name;
        BYTE imageType;
        DWORD onePass;
        WORD cx;
        TW_INT16 pixelType, samples, bitsPerSample, bitsPerPixel;
        TW_INT32 width, length;
    };
    const Case cases[] = {
        {"line art 600 pixels wide", 0, 0, 600, TWPT_BW, 1, 1, 1, 600, 300},
        {"halftone", 1, 0, 600, TWPT_BW, 1, 1, 1, 600, 300},
        {"gray", 2, 0, 600, TWPT_GRAY, 1, 8, 8, 600, 300},
        {"colour in three passes", 3, 0, 600, TWPT_RGB, 3, 8, 24, 600, 300},
        {"colour in one pass", 3, 1, 600, TWPT_RGB, 3, 8, 24, 600, 300},
        {"palette colour is delivered as 4-bit gray", 5, 0, 600, TWPT_GRAY, 1, 4, 4, 600, 300},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        settings = PlainRequest();
        settings.imageType = c.imageType;
        settings.onePassColor = c.onePass;
        settings.resolution = 300;
        settings.cx = c.cx;
        planarChunkyCurrent = TWPC_PLANAR;
        ASSERT_EQ(TWRC_SUCCESS, GetInfo());
        ExpectFix(300, 0, info.XResolution, "x resolution");
        ExpectFix(300, 0, info.YResolution, "y resolution");
        EXPECT_EQ(c.pixelType, info.PixelType);
        EXPECT_EQ(c.samples, info.SamplesPerPixel);
        for (int i = 0; i < 8; ++i)
            EXPECT_EQ(i < c.samples ? c.bitsPerSample : 0, info.BitsPerSample[i]) << i;
        EXPECT_EQ(c.bitsPerPixel, info.BitsPerPixel);
        EXPECT_EQ(c.width, info.ImageWidth);
        EXPECT_EQ(c.length, info.ImageLength);
        EXPECT_EQ(FALSE, info.Planar);
        EXPECT_EQ(TWCP_NONE, info.Compression);
        EXPECT_EQ(c.pixelType == TWPT_RGB ? TWPC_CHUNKY : TWPC_PLANAR, CurrentValue(ICAP_PLANARCHUNKY));
        EXPECT_EQ(kStateXferReady, sourceState);
    }
    EXPECT_TRUE(boxes.boxes.empty());
}

TEST_F(ImageInfoTest, LineArtWidthIsWholeBytes)
{
    settings.imageType = 0;
    settings.resolution = 300;
    settings.cx = 604; // 604 pixels, aligned to 8: 600, 75 bytes
    ASSERT_EQ(TWRC_SUCCESS, GetInfo());
    EXPECT_EQ(75u, jobInfo.outputBytesPerLine);
    EXPECT_EQ(600, info.ImageWidth);
}

TEST_F(ImageInfoTest, ResolutionIsTheRequestedOne)
{
    settings.resolution = 150;
    settings.xScaleFactor = 200;
    ASSERT_EQ(TWRC_SUCCESS, GetInfo());
    ExpectFix(150, 0, info.XResolution, "x resolution");
    EXPECT_EQ(300, scanParameters.xResolution);
    EXPECT_EQ(300, info.ImageWidth);
}

TEST_F(ImageInfoTest, ItDescribesTheNegotiatedMechanism)
{
    // Gray at 100 dpi, 101 pixels: aligned to 2 for memory, to 32 otherwise.
    struct Case {
        TW_UINT16 mechanism;
        TW_INT32 width;
    };
    for (Case c : {Case{TWSX_MEMORY, 100}, Case{TWSX_NATIVE, 96}, Case{TWSX_FILE, 96}}) {
        xferMechCurrent = c.mechanism;
        settings.cx = 303;
        ASSERT_EQ(TWRC_SUCCESS, GetInfo());
        EXPECT_EQ(c.width, info.ImageWidth) << c.mechanism;
        EXPECT_EQ(DWORD(c.width), jobInfo.outputPixels);
    }
}

TEST_F(ImageInfoTest, ASmallAreaFailsWithItsMessage)
{
    settings.resolution = 300;
    settings.cx = settings.cy = 30;
    EXPECT_EQ(TWRC_FAILURE, GetInfo());
    EXPECT_EQ(TWCC_SUCCESS, Status()) << "the condition code is not changed";
    ExpectFix(300, 0, info.XResolution, "written before the derivation");
    EXPECT_EQ(0x5555, static_cast<TW_UINT16>(info.PixelType)) << "nothing else is written";
    ASSERT_EQ(1u, boxes.boxes.size());
    EXPECT_EQ("\n\nArea too small.", boxes.Last().text);
    EXPECT_EQ(kStateXferReady, sourceState);
}

TEST_F(ImageInfoTest, ImageEditionRefusesImagesOf16MiB)
{
    SetProduct("Image Edition");
    // Colour, 8.5 by 11 inches at 200 dpi: 5088 bytes by 2200 lines.
    settings.imageType = 3;
    settings.resolution = 200;
    settings.cx = 2550;
    settings.cy = 3300;
    ASSERT_EQ(TWRC_SUCCESS, GetInfo());
    EXPECT_TRUE(boxes.boxes.empty());

    settings.resolution = 600; // 15288 bytes by 6600 lines
    EXPECT_EQ(TWRC_FAILURE, GetInfo());
    EXPECT_EQ(TWCC_SUCCESS, Status());
    ASSERT_EQ(1u, boxes.boxes.size());
    EXPECT_EQ("Not enough memory", boxes.Last().text);
    EXPECT_EQ("(null)", boxes.Last().caption);
    EXPECT_EQ(nullptr, boxes.Last().owner);
    EXPECT_TRUE(boxes.Last().flags & MB_SYSTEMMODAL);
    EXPECT_EQ(6600u, jobInfo.outputLines) << "the derived job stays";

    // Other applications take it.
    SetProduct("Image Edition 2");
    boxes.boxes.clear();
    EXPECT_EQ(TWRC_SUCCESS, GetInfo());
    EXPECT_TRUE(boxes.boxes.empty());
}

TEST_F(ImageInfoTest, ImageEditionWarningWithoutTheModelFile)
{
    files.Remove("\\7d32.ini");
    SetProduct("Image Edition");
    settings.imageType = 3;
    settings.resolution = 600;
    settings.cx = 2550;
    settings.cy = 3300;
    EXPECT_EQ(TWRC_FAILURE, GetInfo());
    ASSERT_EQ(1u, boxes.boxes.size());
    EXPECT_EQ("Error", boxes.Last().text);
}

TEST_F(ImageInfoTest, ColourOnAOnePassScannerStaysColourOnEveryCall)
{
    settings.imageType = 3;
    settings.onePassColor = 1;
    settings.resolution = 300;
    for (int i = 0; i < 3; ++i) {
        ASSERT_EQ(TWRC_SUCCESS, GetInfo());
        EXPECT_EQ(TWPT_RGB, info.PixelType) << "call " << i;
        EXPECT_EQ(24, info.BitsPerPixel) << "call " << i;
    }
}
