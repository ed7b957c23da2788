#include "acquire.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "guard.h"
#include "names.h"
#include "output.h"
#include "session.h"
#include "transfer.h"

namespace {

constexpr UINT_PTR kPollTimer = 1;
// Lets the loop look at its deadline, and gives the manager a message with
// our window now and then (Wine's manager re-posts a lost notification
// when it sees one).
constexpr UINT kPollMs = 200;

const Options* options;
int imageNumber;   // transfers started, numbering the output files
int imagesSaved;
bool failed;       // a failure was reported; the exit status is 1
bool finished;     // the transfers are over, the source may be disabled
bool closeRequested;
bool transferring;
unsigned long long progressTick; // when we last heard of an image (or enabled)
HHOOK messageHook;

void Fail(const std::string& reason)
{
    PrintError(reason);
    failed = true;
}

std::string Name(const TW_STR32 text)
{
    return std::string(text, strnlen(text, sizeof(TW_STR32)));
}

LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_TIMER && wParam == kPollTimer)
        return 0;
    return DefWindowProcA(window, message, wParam, lParam);
}

bool CreateAppWindow()
{
    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = WindowProc;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.lpszClassName = "TwscanWindow";
    RegisterClassA(&windowClass);
    // Never shown: it is the parent the source manager and the source need.
    appWindow = CreateWindowExA(0, windowClass.lpszClassName, "twscan", WS_OVERLAPPEDWINDOW,
                                CW_USEDEFAULT, CW_USEDEFAULT, 200, 100, nullptr, nullptr,
                                windowClass.hInstance, nullptr);
    if (!appWindow)
        Fail("cannot create a window (error " + std::to_string(GetLastError()) + ")");
    return appWindow != nullptr;
}

void FillAppIdentity()
{
    appIdentity = {};
    appIdentity.Id = 0;
    appIdentity.Version.MajorNum = 1;
    appIdentity.Version.MinorNum = 0;
    appIdentity.Version.Language = TWLG_USA;
    appIdentity.Version.Country = TWCY_USA;
    std::strcpy(appIdentity.Version.Info, "twscan 1.0");
    appIdentity.ProtocolMajor = TWON_PROTOCOLMAJOR;
    appIdentity.ProtocolMinor = TWON_PROTOCOLMINOR;
    appIdentity.SupportedGroups = DG_CONTROL | DG_IMAGE;
    std::strcpy(appIdentity.Manufacturer, "Tovrin project");
    std::strcpy(appIdentity.ProductFamily, "twscan");
    std::strncpy(appIdentity.ProductName, options->app.c_str(), sizeof(TW_STR32) - 1);
}

bool OpenManager()
{
    FillAppIdentity();
    const TW_UINT16 rc = CallManager(DAT_PARENT, MSG_OPENDSM, &appWindow);
    if (rc != TWRC_SUCCESS) {
        Fail("cannot open the source manager: " + FailureText(DG_CONTROL, DAT_PARENT, MSG_OPENDSM, rc));
        return false;
    }
    appState = 3;
    return true;
}

// Walks the manager's list of sources; visit returns true to stop.
template <typename Visit>
bool WalkSources(Visit visit)
{
    TW_IDENTITY identity{};
    TW_UINT16 msg = MSG_GETFIRST;
    for (;;) {
        const TW_UINT16 rc = CallManager(DAT_IDENTITY, msg, &identity);
        if (rc == TWRC_ENDOFLIST)
            return true;
        if (rc != TWRC_SUCCESS) {
            if (msg == MSG_GETFIRST && rc == TWRC_FAILURE && lastConditionCode == TWCC_NODS)
                return true; // no source at all
            Fail("cannot list the sources: " + FailureText(DG_CONTROL, DAT_IDENTITY, msg, rc));
            return false;
        }
        if (visit(identity))
            return true;
        msg = MSG_GETNEXT;
    }
}

bool ChooseSource()
{
    if (options->source.empty()) {
        const TW_UINT16 rc = CallManager(DAT_IDENTITY, MSG_GETDEFAULT, &sourceIdentity);
        if (rc != TWRC_SUCCESS) {
            Fail("no data source to open: " + FailureText(DG_CONTROL, DAT_IDENTITY, MSG_GETDEFAULT, rc));
            return false;
        }
        return true;
    }
    bool found = false;
    std::string known;
    if (!WalkSources([&](const TW_IDENTITY& identity) {
            if (Name(identity.ProductName) == options->source) {
                sourceIdentity = identity;
                found = true;
                return true;
            }
            known += (known.empty() ? "" : ", ") + Name(identity.ProductName);
            return false;
        }))
        return false;
    if (!found)
        Fail("no data source named \"" + options->source + "\"; the source manager knows: " +
             (known.empty() ? "none" : known));
    return found;
}

bool OpenSource()
{
    const TW_UINT16 rc = CallManager(DAT_IDENTITY, MSG_OPENDS, &sourceIdentity);
    if (rc != TWRC_SUCCESS) {
        Fail("cannot open the source \"" + Name(sourceIdentity.ProductName) +
             "\": " + FailureText(DG_CONTROL, DAT_IDENTITY, MSG_OPENDS, rc));
        return false;
    }
    appState = 4;
    return true;
}

TW_UINT32 Fix32Item(TW_INT16 whole, TW_UINT16 frac)
{
    // A TW_FIX32 in a one-value item: Whole first, then Frac.
    return static_cast<TW_UINT16>(whole) | (static_cast<TW_UINT32>(frac) << 16);
}

// Inches as TW_FIX32. The fraction is rounded up to the next 1/65536 so that
// a source which converts to its own units and truncates lands on the
// intended edge rather than one unit short.
TW_FIX32 ToFix32(double value)
{
    TW_FIX32 fix;
    double whole = std::floor(value);
    double frac = std::ceil((value - whole) * 65536.0 - 1e-6);
    if (frac >= 65536) {
        whole += 1;
        frac = 0;
    }
    fix.Whole = static_cast<TW_INT16>(whole);
    fix.Frac = static_cast<TW_UINT16>(std::max(0.0, frac));
    return fix;
}

bool SetCapability(TW_UINT16 cap, TW_UINT16 itemType, TW_UINT32 item, const std::string& shown)
{
    HGLOBAL container = GlobalAlloc(GHND, sizeof(TW_ONEVALUE));
    auto* value = container ? static_cast<pTW_ONEVALUE>(GlobalLock(container)) : nullptr;
    if (!value) {
        if (container)
            GlobalFree(container);
        Fail("not enough memory for a capability container");
        return false;
    }
    value->ItemType = itemType;
    value->Item = item;
    GlobalUnlock(container);
    TW_CAPABILITY capability{cap, TWON_ONEVALUE, container};
    const TW_UINT16 rc = CallSource(DG_CONTROL, DAT_CAPABILITY, MSG_SET, &capability);
    GlobalFree(container);
    if (rc == TWRC_CHECKSTATUS) {
        PrintError("note: the source adjusted " + CapabilityName(cap) + " (asked for " + shown + ")");
        return true;
    }
    if (rc != TWRC_SUCCESS) {
        Fail("the source refused " + CapabilityName(cap) + " = " + shown + ": " +
             FailureText(DG_CONTROL, DAT_CAPABILITY, MSG_SET, rc));
        return false;
    }
    return true;
}

bool SetFrame()
{
    TW_IMAGELAYOUT layout{};
    layout.Frame.Left = ToFix32(options->frame[0]);
    layout.Frame.Top = ToFix32(options->frame[1]);
    layout.Frame.Right = ToFix32(options->frame[2]);
    layout.Frame.Bottom = ToFix32(options->frame[3]);
    layout.DocumentNumber = layout.PageNumber = layout.FrameNumber = TWON_DONTCARE32;
    const TW_UINT16 rc = CallSource(DG_IMAGE, DAT_IMAGELAYOUT, MSG_SET, &layout);
    if (rc == TWRC_CHECKSTATUS) {
        PrintError("note: the source adjusted the frame");
        return true;
    }
    if (rc != TWRC_SUCCESS) {
        Fail("the source refused the frame: " + FailureText(DG_IMAGE, DAT_IMAGELAYOUT, MSG_SET, rc));
        return false;
    }
    return true;
}

bool Negotiate()
{
    static constexpr const char* kMechanisms[] = {"native", "file", "memory"};
    static constexpr const char* kPixelTypes[] = {"bw", "gray", "rgb"};
    if (!SetCapability(ICAP_XFERMECH, TWTY_UINT16, options->xfer, kMechanisms[options->xfer]))
        return false;
    if (options->pixel >= 0 &&
        !SetCapability(ICAP_PIXELTYPE, TWTY_UINT16, options->pixel, kPixelTypes[options->pixel]))
        return false;
    if (options->dpi > 0) {
        const TW_UINT32 dpi = Fix32Item(static_cast<TW_INT16>(options->dpi), 0);
        const std::string shown = std::to_string(options->dpi);
        if (!SetCapability(ICAP_XRESOLUTION, TWTY_FIX32, dpi, shown) ||
            !SetCapability(ICAP_YRESOLUTION, TWTY_FIX32, dpi, shown))
            return false;
    }
    if (options->frameSet &&
        (!SetCapability(ICAP_UNITS, TWTY_UINT16, TWUN_INCHES, "inches") || !SetFrame()))
        return false;
    if (options->count != 0 &&
        !SetCapability(CAP_XFERCOUNT, TWTY_INT16, static_cast<TW_UINT16>(options->count),
                       std::to_string(options->count)))
        return false;
    return true;
}

// Ends the pending transfers after a failure or when we want no more:
// MSG_ENDXFER for the image in hand, MSG_RESET for the rest.
void StopPendingTransfers()
{
    if (appState < 6)
        return;
    TW_PENDINGXFERS pending{};
    if (appState == 7) {
        const TW_UINT16 rc = CallSource(DG_CONTROL, DAT_PENDINGXFERS, MSG_ENDXFER, &pending);
        if (rc == TWRC_SUCCESS && pending.Count == 0) {
            appState = 5;
            return;
        }
    }
    pending = {};
    CallSource(DG_CONTROL, DAT_PENDINGXFERS, MSG_RESET, &pending);
    appState = 5;
}

void RunTransfers()
{
    transferring = true;
    for (;;) {
        const int n = ++imageNumber;
        const std::string label = "image " + std::to_string(n) + ": ";
        TW_IMAGEINFO info{};
        TW_UINT16 rc = CallSource(DG_IMAGE, DAT_IMAGEINFO, MSG_GET, &info);
        if (rc != TWRC_SUCCESS) {
            Fail(label + FailureText(DG_IMAGE, DAT_IMAGEINFO, MSG_GET, rc));
            break;
        }
        if (info.ImageWidth <= 0 || info.ImageLength <= 0 || !CanSave(info)) {
            Fail(label + "the source announced an image of " + std::to_string(info.ImageWidth) + "x" +
                 std::to_string(info.ImageLength) + ", " + std::to_string(info.BitsPerPixel) +
                 " bits, which twscan cannot save");
            break;
        }
        const std::string path = OutputName(options->out, n);
        ImageShape delivered;
        std::string reason;
        const TransferResult result = TransferImage(options->xfer, info, path, delivered, reason);
        appState = 7;
        if (result == TransferResult::Failed) {
            Fail(label + reason);
            break;
        }
        if (result == TransferResult::Cancelled) {
            PrintError(label + "the source cancelled the transfer");
        } else if (!Matches(info, delivered)) {
            Fail(label + MismatchText(info, delivered) + " (" + path + " kept)");
            break;
        } else {
            ++imagesSaved;
            progressTick = NowMs();
            PrintLine(label + std::to_string(delivered.width) + "x" + std::to_string(delivered.height) +
                      ", " + std::to_string(delivered.bits) + " bits, " + path);
        }
        TW_PENDINGXFERS pending{};
        rc = CallSource(DG_CONTROL, DAT_PENDINGXFERS, MSG_ENDXFER, &pending);
        if (rc != TWRC_SUCCESS) {
            Fail(FailureText(DG_CONTROL, DAT_PENDINGXFERS, MSG_ENDXFER, rc));
            break;
        }
        if (pending.Count == 0) {
            appState = 5;
            break;
        }
        appState = 6;
        // A source that ignores CAP_XFERCOUNT still gets no more than asked for.
        if (closeRequested || (options->count > 0 && n >= options->count))
            break;
    }
    StopPendingTransfers();
    finished = true;
    transferring = false;
}

void HandleSourceMessage(TW_UINT16 message)
{
    switch (message) {
    case MSG_XFERREADY:
        if (appState == 5 && !transferring && !finished) {
            appState = 6;
            RunTransfers();
        }
        break;
    case MSG_CLOSEDSREQ:
    case MSG_CLOSEDSOK:
        closeRequested = true;
        break;
    default:
        break;
    }
}

// Offers a message to the source; true when it was the source's event.
bool OfferToSource(MSG& message)
{
    if (appState < 5)
        return false;
    TW_EVENT event{&message, MSG_NULL};
    if (CallSource(DG_CONTROL, DAT_EVENT, MSG_PROCESSEVENT, &event) != TWRC_DSEVENT)
        return false;
    HandleSourceMessage(event.TWMessage);
    return true;
}

// Messages taken from our queue by a loop that is not ours (a message box
// of the source, a loop inside MSG_ENABLEDS) would never reach
// MSG_PROCESSEVENT. The ones meant for us (our window, or no window) are
// offered to the source here; a notification found this way is handled at
// once, inside the call that is still running, and the message becomes
// WM_NULL for the loop that took it.
LRESULT CALLBACK GetMessageHook(int code, WPARAM removal, LPARAM lParam)
{
    static bool offering;
    auto* message = reinterpret_cast<MSG*>(lParam);
    if (code == HC_ACTION && removal == PM_REMOVE && tripletDepth > 0 && !offering &&
        (message->hwnd == nullptr || message->hwnd == appWindow)) {
        offering = true;
        MSG copy = *message;
        if (OfferToSource(copy))
            message->message = WM_NULL;
        offering = false;
    }
    return CallNextHookEx(messageHook, code, removal, lParam);
}

bool Enable()
{
    TW_USERINTERFACE ui{};
    ui.ShowUI = options->ui ? TRUE : FALSE;
    ui.ModalUI = FALSE;
    ui.hParent = appWindow;
    // State 5 from here on: a notification may come before the call returns.
    appState = 5;
    progressTick = NowMs();
    const TW_UINT16 rc = CallSource(DG_CONTROL, DAT_USERINTERFACE, MSG_ENABLEDS, &ui);
    if (rc != TWRC_SUCCESS && rc != TWRC_CHECKSTATUS) {
        Fail("the source cannot be enabled: " +
             FailureText(DG_CONTROL, DAT_USERINTERFACE, MSG_ENABLEDS, rc));
        StopPendingTransfers();
        appState = 4;
        return false;
    }
    return true;
}

void WaitForImages()
{
    const auto timeoutMs = static_cast<unsigned long long>(options->timeout * 1000);
    SetTimer(appWindow, kPollTimer, kPollMs, nullptr);
    while (!finished && !closeRequested && !failed) {
        const unsigned long long deadline = progressTick + timeoutMs;
        const unsigned long long now = NowMs();
        if (now >= deadline) {
            char seconds[32];
            std::snprintf(seconds, sizeof seconds, "%g", options->timeout);
            Fail("no transfer from the source within " + std::string(seconds) + " seconds");
            break;
        }
        ArmGuardUntil(deadline);
        MsgWaitForMultipleObjectsEx(0, nullptr, static_cast<DWORD>(std::min(deadline - now, 1000ull)),
                                    QS_ALLINPUT, MWMO_INPUTAVAILABLE);
        MSG message;
        while (!finished && !closeRequested && !failed &&
               PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
            if (OfferToSource(message))
                continue;
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
    }
    KillTimer(appWindow, kPollTimer);
}

// Disable, close the source, close the manager: whatever of it is open.
void Shutdown()
{
    StopPendingTransfers();
    if (appState == 5) {
        TW_USERINTERFACE ui{};
        ui.ShowUI = options->ui ? TRUE : FALSE;
        ui.hParent = appWindow;
        const TW_UINT16 rc = CallSource(DG_CONTROL, DAT_USERINTERFACE, MSG_DISABLEDS, &ui);
        if (rc != TWRC_SUCCESS) {
            Fail(FailureText(DG_CONTROL, DAT_USERINTERFACE, MSG_DISABLEDS, rc));
        }
        appState = 4;
    }
    if (appState == 4) {
        const TW_UINT16 rc = CallManager(DAT_IDENTITY, MSG_CLOSEDS, &sourceIdentity);
        if (rc != TWRC_SUCCESS) {
            Fail(FailureText(DG_CONTROL, DAT_IDENTITY, MSG_CLOSEDS, rc));
        }
        appState = 3;
    }
    if (appState == 3) {
        const TW_UINT16 rc = CallManager(DAT_PARENT, MSG_CLOSEDSM, &appWindow);
        if (rc != TWRC_SUCCESS) {
            Fail(FailureText(DG_CONTROL, DAT_PARENT, MSG_CLOSEDSM, rc));
        }
        appState = 2;
    }
}

} // namespace

int ListSources(const Options& chosen)
{
    options = &chosen;
    if (!CreateAppWindow() || !OpenManager())
        return 1;
    int listed = 0;
    WalkSources([&](const TW_IDENTITY& identity) {
        PrintLine(Name(identity.ProductName));
        ++listed;
        return false;
    });
    Shutdown();
    if (!failed && listed == 0)
        Fail("the source manager knows no data source");
    return failed ? 1 : 0;
}

int Acquire(const Options& chosen)
{
    options = &chosen;
    if (!CreateAppWindow())
        return 1;
    messageHook = SetWindowsHookExA(WH_GETMESSAGE, GetMessageHook, nullptr, GetCurrentThreadId());
    if (OpenManager() && ChooseSource() && OpenSource() && Negotiate() && Enable())
        WaitForImages();
    Shutdown();
    if (messageHook)
        UnhookWindowsHookEx(messageHook);
    if (!failed && imagesSaved == 0)
        Fail(closeRequested ? "the source asked to close before delivering an image"
                            : "no image was saved");
    return failed || imagesSaved == 0 ? 1 : 0;
}
