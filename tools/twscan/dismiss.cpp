#include "dismiss.h"

#include <set>
#include <windows.h>

#include "output.h"

namespace {

constexpr DWORD kPollMs = 50;
// Controls of a message box: the text, the icon, and the standard buttons
// IDOK (1) to IDCONTINUE (11).
constexpr int kTextId = 0xFFFF;
constexpr int kIconId = 0x0440;
constexpr UINT kTimeoutMs = 2000;

int ControlId(HWND control)
{
    return GetDlgCtrlID(control) & 0xFFFF;
}

struct Survey {
    bool onlyBoxControls = true;
    bool hasText = false;
    bool hasButton = false;
};

BOOL CALLBACK SurveyControl(HWND control, LPARAM lParam)
{
    auto* survey = reinterpret_cast<Survey*>(lParam);
    const int id = ControlId(control);
    if (id == kTextId)
        survey->hasText = true;
    else if (id >= IDOK && id <= 11)
        survey->hasButton = true;
    else if (id != kIconId)
        survey->onlyBoxControls = false;
    return TRUE;
}

// A dialog is a message box when it holds nothing but a text, an icon and
// standard buttons; the source's own dialogs hold other controls.
bool IsMessageBox(HWND window)
{
    char className[16];
    if (!GetClassNameA(window, className, sizeof className) || lstrcmpA(className, "#32770") != 0)
        return false;
    if (!IsWindowVisible(window))
        return false;
    Survey survey;
    EnumChildWindows(window, SurveyControl, reinterpret_cast<LPARAM>(&survey));
    return survey.onlyBoxControls && survey.hasText && survey.hasButton;
}

std::string ReadText(HWND control)
{
    char text[4096] = "";
    DWORD_PTR copied = 0;
    if (control)
        SendMessageTimeoutA(control, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text),
                            SMTO_ABORTIFHUNG, kTimeoutMs, &copied);
    text[sizeof text - 1] = '\0';
    return text;
}

// OK when the box has it; otherwise its default button, else any button.
int ButtonToPress(HWND box)
{
    if (GetDlgItem(box, IDOK))
        return IDOK;
    DWORD_PTR answer = 0;
    if (SendMessageTimeoutA(box, DM_GETDEFID, 0, 0, SMTO_ABORTIFHUNG, kTimeoutMs, &answer) &&
        HIWORD(answer) == DC_HASDEFID)
        return LOWORD(answer);
    for (int id = IDCANCEL; id <= 11; ++id) {
        if (GetDlgItem(box, id))
            return id;
    }
    return IDOK;
}

std::set<HWND> answered;

BOOL CALLBACK VisitWindow(HWND window, LPARAM)
{
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    if (process != GetCurrentProcessId() || answered.count(window) || !IsMessageBox(window))
        return TRUE;
    answered.insert(window);
    PrintRawError("message: " + EscapeText(ReadText(GetDlgItem(window, kTextId))));
    const int button = ButtonToPress(window);
    PostMessageA(window, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(window, button)));
    return TRUE;
}

DWORD WINAPI DismissThread(void*)
{
    for (;;) {
        EnumWindows(VisitWindow, 0);
        // Forget boxes that have gone: their handles may come back.
        for (auto it = answered.begin(); it != answered.end();)
            it = IsWindow(*it) ? std::next(it) : answered.erase(it);
        Sleep(kPollMs);
    }
}

} // namespace

std::string EscapeText(const std::string& text)
{
    std::string escaped;
    for (char c : text) {
        switch (c) {
        case '\\':
            escaped += "\\\\";
            break;
        case '\n':
            escaped += "\\n";
            break;
        case '\r':
            escaped += "\\r";
            break;
        case '\t':
            escaped += "\\t";
            break;
        default:
            escaped += c;
        }
    }
    return escaped;
}

void StartDismisser()
{
    HANDLE thread = CreateThread(nullptr, 0, DismissThread, nullptr, 0, nullptr);
    if (thread)
        CloseHandle(thread);
}
