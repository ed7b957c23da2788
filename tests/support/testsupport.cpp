#include "testsupport.h"

#include <fstream>
#include <sstream>

#include "driver.h"
#include "messagebox.h"
#include "profile.h"
#include "state.h"

namespace {

MessageBoxRecorder* activeRecorder;

int RecordBox(HWND owner, const char* text, const char* caption, UINT flags)
{
    if (!activeRecorder)
        return IDOK;
    activeRecorder->boxes.push_back(
        {owner, text ? text : "(null)", caption ? caption : "(null)", flags});
    return activeRecorder->answer;
}

const char* const kSystemFiles[] = {
    "\\7d32.ini",    "\\kmscan32.ini", "\\apsetup.ini", "\\kmintray.ini", "\\easy.ini",
    "\\vscanner.ini", "\\vscanner.log", "\\vostel32.log", "\\satur.km",    "\\kmlogo.km",
    "\\KMDIB.BMP",   "\\kmpre.bmp",    "\\fakedevice.log", "\\fakedevice.ini", "\\TWAIN_32.DLL",
};

} // namespace

MessageBoxRecorder::MessageBoxRecorder()
{
    activeRecorder = this;
    messageBoxHook = RecordBox;
}

MessageBoxRecorder::~MessageBoxRecorder()
{
    if (activeRecorder == this)
        activeRecorder = nullptr;
}

const RecordedBox& MessageBoxRecorder::Last() const
{
    static const RecordedBox none{nullptr, "(no box)", "", 0};
    return boxes.empty() ? none : boxes.back();
}

WindowsFiles::~WindowsFiles()
{
    for (const auto& path : paths_) {
        DeleteFileA(path.c_str());
        FlushProfile(path);
    }
}

std::string WindowsFiles::Write(const std::string& name, const std::string& content)
{
    const std::string path = WindowsPath(name);
    std::ofstream(path, std::ios::binary | std::ios::trunc) << content;
    FlushProfile(path);
    paths_.push_back(path);
    return path;
}

void WindowsFiles::Remove(const std::string& name)
{
    const std::string path = WindowsPath(name);
    DeleteFileA(path.c_str());
    FlushProfile(path);
    paths_.push_back(path);
}

std::string WindowsFiles::CopyFromBin(const std::string& file, const std::string& name)
{
    const std::string path = WindowsPath(name);
    for (size_t slash = path.find('\\', 3); slash != std::string::npos; slash = path.find('\\', slash + 1))
        CreateDirectoryA(path.substr(0, slash).c_str(), nullptr);
    CopyFileA((ProgramFolder() + file).c_str(), path.c_str(), FALSE);
    paths_.push_back(path);
    return path;
}

std::string WindowsFiles::Read(const std::string& name) const
{
    FlushProfile(WindowsPath(name));
    std::ifstream in(WindowsPath(name), std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

bool WindowsFiles::Exists(const std::string& name) const
{
    return PathExists(WindowsPath(name));
}

void FakeDriverBinding()
{
    driver.deviceLibrary = LoadLibraryA((ProgramFolder() + "fakedevice.dll").c_str());
}

void RemoveSystemFiles()
{
    for (const char* name : kSystemFiles) {
        const std::string path = WindowsPath(name);
        DeleteFileA(path.c_str());
        FlushProfile(path);
    }
    WriteProfileStringA(kSectionScanner, nullptr, nullptr);
}

void FlushProfile(const std::string& path)
{
    WritePrivateProfileStringA(nullptr, nullptr, nullptr, path.c_str());
}

void ResetSourceState()
{
    sourceState = kStateLoaded;
    conditionCode = TWCC_SUCCESS;
    appIdentity = TW_IDENTITY{};
    sourceIdentity = TW_IDENTITY{};
    appWindow = nullptr;
    uiInUse = 0;
    uiDialog = nullptr;
    settingsPath[0] = '\0';
    settings = ScanSettings{};
    jobSettings = ScanSettings{};
    preparedPages = 0;
    basicAbility = BasicAbility{};
    scannerAbility = ScannerAbility{};
    logoWindow = nullptr;
    uiLibrary = nullptr;
    lineArtInvert = 0;
    grayInvert = 0;
    pageCount = 0;
    transferCount = -1;
    feederEnabled = TRUE;
    feedPage = FALSE;
    paperPresent = 0;
    unitsCurrent = TWUN_INCHES;
    xferMechCurrent = TWSX_MEMORY;
    planarChunkyCurrent = TWPC_CHUNKY;
    jobInfo = JobInfo{};
    scanParameters = ScanParameters{};
    lstrcpyA(transferFileName, "KMDIB.BMP");
    dibHandle = nullptr;
    driver = DriverTable{};
    driverFolder[0] = '\0';
}

void SourceTest::SetUp()
{
    RemoveSystemFiles();
    ResetSourceState();
}

void SourceTest::TearDown()
{
    UnbindDriver();
    ResetSourceState();
}
