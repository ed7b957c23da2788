// DS_Entry: origin check, event forwarding, condition code and routing.
#include "testsupport.h"

#include "driver.h"
#include "entry.h"
#include "state.h"

namespace {

LONG fakeStatus;
int WINAPI FakeStatus(BYTE*, BYTE*, BYTE*, LONG* status)
{
    *status = fakeStatus;
    return 1;
}

class EntryTest : public SourceTest {
protected:
    TW_IDENTITY origin{};
    TW_UINT16 Call(TW_UINT32 group, TW_UINT16 dat, TW_UINT16 msg, TW_MEMREF data)
    {
        return DS_Entry(&origin, group, dat, msg, data);
    }
    TW_UINT16 Status()
    {
        TW_STATUS status{0xAAAA, 0xBBBB};
        EXPECT_EQ(TWRC_SUCCESS, Call(DG_CONTROL, DAT_STATUS, MSG_GET, &status));
        EXPECT_EQ(0, status.Reserved);
        return status.ConditionCode;
    }
};

INT_PTR CALLBACK TestDialogProc(HWND, UINT, WPARAM, LPARAM)
{
    return FALSE;
}

// A modeless dialog with one edit control, so that IsDialogMessage takes
// keyboard messages meant for it.
HWND CreateTestDialog()
{
    alignas(4) static WORD tmpl[64];
    WORD* p = tmpl;
    auto* dlg = reinterpret_cast<DLGTEMPLATE*>(p);
    dlg->style = WS_POPUP | DS_MODALFRAME;
    dlg->cdit = 1;
    dlg->cx = 100;
    dlg->cy = 50;
    p = reinterpret_cast<WORD*>(dlg + 1);
    *p++ = 0; // menu
    *p++ = 0; // class
    *p++ = 0; // title
    p = reinterpret_cast<WORD*>((reinterpret_cast<ULONG_PTR>(p) + 3) & ~ULONG_PTR(3));
    auto* item = reinterpret_cast<DLGITEMTEMPLATE*>(p);
    item->style = WS_CHILD | WS_VISIBLE | WS_TABSTOP;
    item->x = 5;
    item->y = 5;
    item->cx = 60;
    item->cy = 12;
    item->id = 100;
    p = reinterpret_cast<WORD*>(item + 1);
    *p++ = 0xFFFF;
    *p++ = 0x0081; // edit
    *p++ = 0;      // text
    *p++ = 0;      // creation data
    return CreateDialogIndirectParamA(GetModuleHandleA(nullptr), dlg, nullptr, TestDialogProc, 0);
}

} // namespace

TEST_F(EntryTest, ProcessEventWithoutDialogIsNotAnEventAndLeavesItAlone)
{
    MSG msg{};
    TW_EVENT event{&msg, 0x1234};
    conditionCode = TWCC_BADVALUE;
    EXPECT_EQ(TWRC_NOTDSEVENT, Call(DG_CONTROL, DAT_EVENT, MSG_PROCESSEVENT, &event));
    EXPECT_EQ(0x1234, event.TWMessage);
    EXPECT_EQ(TWCC_BADVALUE, conditionCode) << "events never touch the condition code";
}

TEST_F(EntryTest, ProcessEventGoesToTheDialogWhateverGroupAndType)
{
    uiDialog = CreateTestDialog();
    ASSERT_NE(nullptr, uiDialog);
    struct Case {
        TW_UINT32 group;
        TW_UINT16 dat;
    };
    for (Case c : {Case{DG_CONTROL, DAT_EVENT}, Case{DG_IMAGE, DAT_IMAGEINFO}, Case{DG_AUDIO, 0x77}}) {
        MSG msg{GetDlgItem(uiDialog, 100), WM_KEYDOWN, VK_TAB, 0};
        TW_EVENT event{&msg, 0x1234};
        EXPECT_EQ(TWRC_DSEVENT, Call(c.group, c.dat, MSG_PROCESSEVENT, &event));
        EXPECT_EQ(MSG_NULL, event.TWMessage);
    }
    // A message for another window is not the dialog's.
    HWND other = CreateWindowA("STATIC", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    MSG msg{other, WM_KEYDOWN, VK_TAB, 0};
    TW_EVENT event{&msg, 0x1234};
    EXPECT_EQ(TWRC_NOTDSEVENT, Call(DG_CONTROL, DAT_EVENT, MSG_PROCESSEVENT, &event));
    EXPECT_EQ(0x1234, event.TWMessage);
    DestroyWindow(other);
    DestroyWindow(uiDialog);
}

TEST_F(EntryTest, UnknownGroupFailsWithBadProtocolOnce)
{
    EXPECT_EQ(TWRC_FAILURE, Call(DG_AUDIO, DAT_NULL, MSG_GET, &origin));
    EXPECT_EQ(TWCC_BADPROTOCOL, Status());
    EXPECT_EQ(TWCC_SUCCESS, Status()) << "reading the status clears it";
    EXPECT_TRUE(boxes.boxes.empty());
}

TEST_F(EntryTest, UnknownImageTypeFailsWithoutMessage)
{
    driver.parallPortStatusEx = FakeStatus;
    fakeStatus = 42; // a driver status would make any reported code visible
    char data[64] = {};
    EXPECT_EQ(TWRC_FAILURE, Call(DG_IMAGE, DAT_CIECOLOR, MSG_GET, data));
    EXPECT_EQ(TWCC_BADPROTOCOL, Status());
    EXPECT_EQ(TWRC_FAILURE, Call(DG_CONTROL, 0x0077, MSG_GET, data));
    EXPECT_EQ(TWCC_BADPROTOCOL, Status());
    EXPECT_TRUE(boxes.boxes.empty());
}

TEST_F(EntryTest, StatusWithWrongMessageKeepsItsCode)
{
    driver.parallPortStatusEx = FakeStatus;
    fakeStatus = 42;
    TW_STATUS status{};
    EXPECT_EQ(TWRC_FAILURE, Call(DG_CONTROL, DAT_STATUS, MSG_SET, &status));
    ASSERT_EQ(1u, boxes.boxes.size()) << "reported through DS_Error with the driver's status";
    EXPECT_EQ("Error Code : 42\n\nUnknow error.", boxes.Last().text);
    EXPECT_EQ(TWCC_BADPROTOCOL, Status()) << "the status triplet does not reset the code";
    EXPECT_EQ(TWCC_SUCCESS, Status());
}

TEST_F(EntryTest, AnotherApplicationRunsNothing)
{
    appIdentity.Id = 5;
    origin.Id = 6;
    conditionCode = TWCC_BADVALUE;
    TW_STATUS status{0x7777, 0x7777};
    EXPECT_EQ(TWRC_FAILURE, Call(DG_CONTROL, DAT_STATUS, MSG_GET, &status));
    EXPECT_EQ(0x7777, status.ConditionCode) << "no handler ran";
    EXPECT_EQ(TWCC_BADVALUE, conditionCode);
    EXPECT_EQ(TWRC_FAILURE, Call(DG_AUDIO, DAT_NULL, MSG_GET, &status));
    EXPECT_EQ(TWCC_BADVALUE, conditionCode) << "not even the reset";

    origin.Id = 5;
    EXPECT_EQ(TWCC_BADVALUE, Status()) << "the connected application is served";

    appIdentity.Id = 0; // closed: any origin again
    origin.Id = 99;
    EXPECT_EQ(TWCC_SUCCESS, Status());
}

TEST_F(EntryTest, NullPointersAreRefusedWithBadValue)
{
    EXPECT_EQ(TWRC_FAILURE, DS_Entry(nullptr, DG_CONTROL, DAT_STATUS, MSG_GET, nullptr));
    EXPECT_EQ(TWCC_BADVALUE, Status());
    struct Case {
        TW_UINT32 group;
        TW_UINT16 dat;
        TW_UINT16 msg;
    };
    for (Case c : {Case{DG_CONTROL, DAT_STATUS, MSG_GET}, Case{DG_CONTROL, DAT_EVENT, MSG_PROCESSEVENT},
                   Case{DG_CONTROL, DAT_CAPABILITY, MSG_GET}, Case{DG_CONTROL, DAT_USERINTERFACE, MSG_ENABLEDS},
                   Case{DG_IMAGE, DAT_IMAGEINFO, MSG_GET}, Case{DG_IMAGE, DAT_IMAGENATIVEXFER, MSG_GET},
                   Case{DG_IMAGE, DAT_PALETTE8, MSG_GET}}) {
        SCOPED_TRACE(c.dat);
        EXPECT_EQ(TWRC_FAILURE, Call(c.group, c.dat, c.msg, nullptr));
        EXPECT_EQ(TWCC_BADVALUE, Status());
    }
    EXPECT_TRUE(boxes.boxes.empty());
}
