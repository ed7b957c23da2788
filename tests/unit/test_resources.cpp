// The dialog templates of the data source, read from the built km7d32.ds as
// the logo window and the calibration window will use them.
#include "testsupport.h"

#include "km7d32res.h"

namespace {

struct DialogItem {
    DWORD style;
    int x, y, cx, cy;
    int id;
    unsigned classAtom; // 0x80 button, 0x82 static
    std::string text;
};

struct DialogTemplate {
    DWORD style;
    int cx, cy;
    std::string caption;
    int pointSize = 0;
    std::string face;
    std::vector<DialogItem> items;
};

// Reads the classic DLGTEMPLATE layout that the resource compiler writes.
class TemplateReader {
public:
    TemplateReader(const BYTE* data, size_t size) : data_(data), size_(size) {}
    bool ok() const { return ok_; }
    WORD Word()
    {
        if (at_ + 2 > size_) {
            ok_ = false;
            return 0;
        }
        const WORD w = static_cast<WORD>(data_[at_] | (data_[at_ + 1] << 8));
        at_ += 2;
        return w;
    }
    DWORD Dword()
    {
        const DWORD low = Word();
        return low | (static_cast<DWORD>(Word()) << 16);
    }
    std::string Text()
    {
        std::string text;
        for (WORD c = Word(); ok_ && c != 0; c = Word())
            text += static_cast<char>(c < 128 ? c : '?');
        return text;
    }
    // A name or an ordinal: the ordinal, or 0 with the name in text.
    unsigned NameOrOrdinal(std::string* text)
    {
        const WORD first = Word();
        if (first == 0xFFFF)
            return Word();
        at_ -= 2;
        *text = Text();
        return 0;
    }
    void AlignDword() { at_ = (at_ + 3) & ~size_t{3}; }

private:
    const BYTE* data_;
    size_t size_;
    size_t at_ = 0;
    bool ok_ = true;
};

bool ReadTemplate(const BYTE* data, size_t size, DialogTemplate* dialog)
{
    TemplateReader in(data, size);
    dialog->style = in.Dword();
    in.Dword(); // extended style
    const int count = in.Word();
    in.Word();
    in.Word();
    dialog->cx = static_cast<short>(in.Word());
    dialog->cy = static_cast<short>(in.Word());
    std::string ignored;
    in.NameOrOrdinal(&ignored); // menu
    in.NameOrOrdinal(&ignored); // class
    dialog->caption = in.Text();
    if (dialog->style & DS_SETFONT) {
        dialog->pointSize = in.Word();
        dialog->face = in.Text();
    }
    for (int i = 0; i < count && in.ok(); ++i) {
        in.AlignDword();
        DialogItem item{};
        item.style = in.Dword();
        in.Dword();
        item.x = static_cast<short>(in.Word());
        item.y = static_cast<short>(in.Word());
        item.cx = static_cast<short>(in.Word());
        item.cy = static_cast<short>(in.Word());
        item.id = static_cast<short>(in.Word());
        std::string className;
        item.classAtom = in.NameOrOrdinal(&className);
        in.NameOrOrdinal(&item.text);
        const WORD extra = in.Word();
        for (WORD b = 0; b < extra; b += 2)
            in.Word();
        dialog->items.push_back(item);
    }
    return in.ok();
}

INT_PTR CALLBACK PlainDialogProc(HWND, UINT message, WPARAM, LPARAM)
{
    return message == WM_INITDIALOG;
}

class ResourceTest : public ::testing::Test {
protected:
    HMODULE source = nullptr;
    void SetUp() override
    {
        source = LoadLibraryExA((ProgramFolder() + "km7d32.ds").c_str(), nullptr,
                                LOAD_LIBRARY_AS_DATAFILE);
        ASSERT_NE(nullptr, source);
    }
    void TearDown() override
    {
        if (source)
            FreeLibrary(source);
    }
    // The template by name; fails the test when it is missing or unreadable.
    bool Load(const char* name, DialogTemplate* dialog, const BYTE** data = nullptr)
    {
        HRSRC found = FindResourceA(source, name, MAKEINTRESOURCEA(5) /* RT_DIALOG */);
        if (!found)
            return false;
        HGLOBAL loaded = LoadResource(source, found);
        const BYTE* bytes = loaded ? static_cast<const BYTE*>(LockResource(loaded)) : nullptr;
        if (!bytes)
            return false;
        if (data)
            *data = bytes;
        return ReadTemplate(bytes, SizeofResource(source, found), dialog);
    }
};

} // namespace

TEST_F(ResourceTest, LogoWindowTemplates)
{
    DialogTemplate logo;
    ASSERT_TRUE(Load("ShowLogo", &logo));
    EXPECT_TRUE(logo.style & WS_POPUP);
    EXPECT_TRUE(logo.style & WS_THICKFRAME) << "sizing border";
    EXPECT_EQ(0u, logo.style & WS_CAPTION) << "no caption";
    EXPECT_TRUE(logo.style & DS_CENTER);
    EXPECT_EQ(205, logo.cx);
    EXPECT_EQ(94, logo.cy);
    EXPECT_EQ(8, logo.pointSize);
    EXPECT_EQ("MS Sans Serif", logo.face);
    EXPECT_TRUE(logo.items.empty());

    DialogTemplate connecting;
    ASSERT_TRUE(Load("NoShowLogo", &connecting));
    EXPECT_TRUE(connecting.style & WS_POPUP);
    EXPECT_EQ(static_cast<DWORD>(WS_CAPTION), connecting.style & WS_CAPTION);
    EXPECT_TRUE(connecting.style & DS_CENTER);
    EXPECT_EQ("Scanner Testing", connecting.caption);
    EXPECT_EQ(123, connecting.cx);
    EXPECT_EQ(46, connecting.cy);
    EXPECT_EQ(16, connecting.pointSize);
    EXPECT_EQ("System", connecting.face);
    ASSERT_EQ(2u, connecting.items.size());
    struct Expected {
        const char* text;
        int x, y, cx, cy;
    };
    const Expected texts[] = {{"   Connecting scanner ", 7, 9, 113, 12},
                              {"Please wait...", 52, 27, 72, 12}};
    for (size_t i = 0; i < 2; ++i) {
        const DialogItem& item = connecting.items[i];
        EXPECT_EQ(texts[i].text, item.text) << "blanks included";
        EXPECT_EQ(0x82u, item.classAtom) << "static";
        EXPECT_EQ(texts[i].x, item.x);
        EXPECT_EQ(texts[i].y, item.y);
        EXPECT_EQ(texts[i].cx, item.cx);
        EXPECT_EQ(texts[i].cy, item.cy);
    }
}

TEST_F(ResourceTest, CalibrationTemplateHasTheTitleAndWaitingItems)
{
    DialogTemplate calibration;
    ASSERT_TRUE(Load("CALIBRATION", &calibration));
    EXPECT_EQ(static_cast<DWORD>(WS_CAPTION), calibration.style & WS_CAPTION);
    std::vector<int> ids;
    for (const DialogItem& item : calibration.items) {
        ids.push_back(item.id);
        EXPECT_EQ(0x82u, item.classAtom) << item.id;
    }
    EXPECT_EQ((std::vector<int>{IDC_CALIBRATION_TITLE, IDC_CALIBRATION_WAIT}), ids);
}

TEST_F(ResourceTest, EveryTemplateMakesAWindow)
{
    for (const char* name : {"ShowLogo", "NoShowLogo", "CALIBRATION"}) {
        DialogTemplate dialog;
        const BYTE* bytes = nullptr;
        ASSERT_TRUE(Load(name, &dialog, &bytes)) << name;
        HWND window = CreateDialogIndirectParamA(
            GetModuleHandleA(nullptr), reinterpret_cast<LPCDLGTEMPLATEA>(bytes), nullptr,
            PlainDialogProc, 0);
        ASSERT_NE(nullptr, window) << name;
        EXPECT_TRUE(IsWindowVisible(window)) << name << " shows itself when created";
        if (std::string(name) == "CALIBRATION") {
            EXPECT_NE(nullptr, GetDlgItem(window, IDC_CALIBRATION_TITLE));
            EXPECT_NE(nullptr, GetDlgItem(window, IDC_CALIBRATION_WAIT));
        }
        DestroyWindow(window);
    }
}

TEST_F(ResourceTest, StringTableStaysInPlace)
{
    char text[64];
    struct Case {
        unsigned id;
        const char* text;
    };
    for (const Case c : {Case{9001, "Kelmora"}, Case{9002, "\\kmscan32.ini"},
                         Case{9003, "\\7d32.ini"}}) {
        ASSERT_GT(LoadStringA(source, c.id, text, sizeof text), 0) << c.id;
        EXPECT_STREQ(c.text, text);
    }
}
