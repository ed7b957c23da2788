#include "messagebox.h"

MessageBoxHook messageBoxHook;

int ShowMessageBox(HWND owner, const char* text, const char* caption, UINT flags)
{
    if (messageBoxHook)
        return messageBoxHook(owner, text, caption, flags);
    return MessageBoxA(owner, text, caption, flags);
}
