#include "printqueue.h"

#include <array>
#include <cstring>
#include <string>

#include "messagebox.h"
#include "profile.h"
#include "state.h"
#include "system.h"

namespace {

// Held open by another process: opening it without sharing is refused.
// The file is only opened for reading and closed again, never changed.
bool FileInUse(const std::string& path)
{
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file != INVALID_HANDLE_VALUE) {
        CloseHandle(file);
        return false;
    }
    return GetLastError() == ERROR_SHARING_VIOLATION;
}

bool AnyFileInUse(const std::string& folder, const char* pattern)
{
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((folder + pattern).c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return false;
    bool inUse = false;
    do {
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && FileInUse(folder + found.cFileName))
            inUse = true;
    } while (!inUse && FindNextFileA(search, &found));
    FindClose(search);
    return inUse;
}

std::string JournalFolder()
{
    char temp[MAX_PATH];
    DWORD length = GetEnvironmentVariableA("TEMP", temp, sizeof temp);
    if (length == 0 || length >= sizeof temp)
        return {};
    return std::string(temp, length) + "\\";
}

} // namespace

bool PrintQueueIdle()
{
    const char* name = scannerAbility.interfaceName;
    if (std::strncmp(name, "SCSI", 4) == 0 || std::strncmp(name, "IF01", 4) == 0)
        return true;

    const std::string spool =
        WindowsPath(IsWindowsNT() ? "\\system32\\spool\\printers\\" : "\\spool\\printers\\");
    if (AnyFileInUse(spool, "*.SPL") || AnyFileInUse(spool, "*.SHD"))
        return false;
    const std::string journal = JournalFolder();
    return journal.empty() || !AnyFileInUse(journal, "*.JNL");
}

int ShowPrintJobsMessage()
{
    const std::string language = ReadLanguage("English");
    const std::string text = ReadText(
        ModelFilePath(), language.c_str(), "IDS_PRINTWORKING",
        "There are print jobs in processing, please wait till all print jobs done.", 255);
    return ShowMessageBox(nullptr, text.c_str(), kMessageTitle, kMessageFlags);
}
