#include "userinterface.h"

#include <cstdlib>
#include <cstring>
#include <string>

#include "calibration.h"
#include "driver.h"
#include "entry.h"
#include "errors.h"
#include "imaging.h"
#include "notify.h"
#include "printqueue.h"
#include "profile.h"
#include "services.h"
#include "state.h"

namespace {

typedef HWND(__cdecl* CreateDialogFunction)(HWND parent);

constexpr int kUITextMax = 29;
constexpr int kApplicationSlots = 99; // "0" to "98"; "99" is never used

const char kEnableFailure[] = "General failure in response to MSG_ENABLEDS.  ";
// Enable is where the scanner is connected: its failures name the open.
const char kConnectFailure[] = "General failure in response to MSG_OPENDS.  ";

void WriteTrayErrorCode(const char* code)
{
    WriteText(WindowsPath(kTrayFileName), kSectionTwain, "Error Code", code);
}

// The logo: the imaging library is loaded while the logo window lives; a
// missing library or logo file leaves the window plain.
struct Logo {
    HMODULE fileLibrary;
    HMODULE kernelLibrary;
    LoadFileProc loadFile;
    FreeBitmapProc freeBitmap;
    PaintDCProc paintDC;
    CreatePaintPaletteProc createPaintPalette;
    BitmapHandle bitmap;
    HPALETTE palette;
};
Logo logo;

void ReleaseLogo()
{
    if (logo.freeBitmap)
        logo.freeBitmap(&logo.bitmap);
    if (logo.palette)
        DeleteObject(logo.palette);
    if (logo.fileLibrary)
        FreeLibrary(logo.fileLibrary);
    if (logo.kernelLibrary)
        FreeLibrary(logo.kernelLibrary);
    logo = Logo{};
}

bool LoadLogo()
{
    ReleaseLogo();
    logo.fileLibrary = LoadLibraryA("LTFIL60N.dll");
    logo.kernelLibrary = LoadLibraryA("LTKRN60N.dll");
    if (!logo.fileLibrary || !logo.kernelLibrary)
        return false;
    logo.loadFile = reinterpret_cast<LoadFileProc>(GetProcAddress(logo.fileLibrary, "L_LoadFile"));
    logo.freeBitmap = reinterpret_cast<FreeBitmapProc>(GetProcAddress(logo.kernelLibrary, "L_FreeBitmap"));
    logo.paintDC = reinterpret_cast<PaintDCProc>(GetProcAddress(logo.kernelLibrary, "L_PaintDC"));
    logo.createPaintPalette =
        reinterpret_cast<CreatePaintPaletteProc>(GetProcAddress(logo.kernelLibrary, "L_CreatePaintPalette"));
    if (!logo.loadFile || !logo.freeBitmap || !logo.paintDC || !logo.createPaintPalette)
        return false;
    const std::string path = WindowsPath("\\kmlogo.km");
    return logo.loadFile(path.c_str(), &logo.bitmap, 0, kOrderBgr, kLoadAllocate | kLoadStore, nullptr,
                         nullptr) == kImagingSuccess;
}

// The client area becomes the logo's size, the window centred on the screen.
void FitWindowToLogo(HWND window)
{
    RECT frame{0, 0, logo.bitmap.width, logo.bitmap.height};
    AdjustWindowRectEx(&frame, static_cast<DWORD>(GetWindowLongPtrA(window, GWL_STYLE)), FALSE,
                       static_cast<DWORD>(GetWindowLongPtrA(window, GWL_EXSTYLE)));
    const int width = frame.right - frame.left;
    const int height = frame.bottom - frame.top;
    const int left = (GetSystemMetrics(SM_CXSCREEN) - width) / 2;
    const int top = (GetSystemMetrics(SM_CYSCREEN) - height) / 2 - GetSystemMetrics(SM_CYCAPTION);
    MoveWindow(window, left, top, width + 1, height + 1, FALSE);
}

void PaintLogo(HWND window)
{
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(window, &paint);
    if (!logo.palette && logo.createPaintPalette)
        logo.palette = logo.createPaintPalette(dc, &logo.bitmap);
    if (BitmapPresent(&logo.bitmap) && logo.paintDC) {
        HPALETTE previous = logo.palette ? SelectPalette(dc, logo.palette, FALSE) : nullptr;
        if (logo.palette)
            RealizePalette(dc);
        RECT whole{0, 0, logo.bitmap.width, logo.bitmap.height};
        logo.paintDC(dc, &logo.bitmap, nullptr, nullptr, &whole, &paint.rcPaint, SRCCOPY);
        if (previous)
            SelectPalette(dc, previous, FALSE);
    }
    EndPaint(window, &paint);
}

INT_PTR CALLBACK LogoWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM)
{
    switch (message) {
    case WM_INITDIALOG:
        if (LoadLogo())
            FitWindowToLogo(window);
        return TRUE;
    case WM_PAINT:
        PaintLogo(window);
        return TRUE;
    case WM_COMMAND:
        if (LOWORD(wParam) >= kFirstReloadCommand && LOWORD(wParam) <= kLastReloadCommand) {
            if (!LoadUIPlugin(window))
                NotifyCloseDSReq();
            ShowWindow(window, SW_HIDE);
            return TRUE;
        }
        break;
    case WM_TIMER:
        if (wParam == kUIChangeTimer) {
            SendMessageA(window, WM_COMMAND, kFirstReloadCommand + 1, 0);
            KillTimer(window, kUIChangeTimer);
            return TRUE;
        }
        break;
    case WM_DESTROY:
        ReleaseLogo();
        return TRUE;
    }
    // The plug-in asks for another user interface through win.ini.
    if (ReadInt(kWinIni, kSectionScanner, "UI change", 0) != 0) {
        WriteText(kWinIni, kSectionScanner, "UI change", "0");
        SetTimer(window, kUIChangeTimer, 100, nullptr);
    }
    return FALSE;
}

void CreateLogoWindow()
{
    const char* templateName = FileExists(WindowsPath("\\kmlogo.km")) ? "ShowLogo" : "NoShowLogo";
    logoWindow = CreateDialogParamA(moduleInstance, templateName, appWindow, LogoWindowProc, 0);
    if (logoWindow) {
        ShowWindow(logoWindow, SW_SHOW);
        UpdateWindow(logoWindow);
    }
}

void DestroyLogoWindow()
{
    if (logoWindow)
        DestroyWindow(logoWindow);
    logoWindow = nullptr;
}

void FreeWorkBuffers()
{
    for (int i = 0; i < kWorkBufferCount; ++i) {
        if (workBufferHandles[i]) {
            GlobalUnlock(workBufferHandles[i]);
            GlobalFree(workBufferHandles[i]);
        }
        workBufferHandles[i] = nullptr;
        workBuffers[i] = nullptr;
    }
}

bool AllocateWorkBuffers()
{
    // Buffers left by an enable that failed at the plug-in are replaced.
    FreeWorkBuffers();
    for (int i = 0; i < kWorkBufferCount; ++i) {
        workBufferHandles[i] = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, kWorkBufferSize);
        workBuffers[i] = workBufferHandles[i] ? GlobalLock(workBufferHandles[i]) : nullptr;
        if (!workBuffers[i]) {
            FreeWorkBuffers();
            return false;
        }
    }
    return true;
}

void ReleaseUIPlugin()
{
    if (uiDialog && IsWindow(uiDialog))
        DestroyWindow(uiDialog);
    uiDialog = nullptr;
    if (uiLibrary)
        FreeLibrary(uiLibrary);
    uiLibrary = nullptr;
}

// After the logo window appeared, a failed enable takes it down again.
TW_UINT16 FailEnable()
{
    DestroyLogoWindow();
    if (IsApp("Pagerol"))
        WriteTrayErrorCode("-2");
    return TWRC_FAILURE;
}

void ChooseScanMethod()
{
    switch (scannerAbility.scannerType) {
    case 64:
    case 160:
        settings.scanMethod = PaperInFeeder() ? 1 : 2;
        break;
    case 128:
        settings.scanMethod = 2;
        break;
    }
}

TW_UINT16 EnableSource(const TW_USERINTERFACE& ui)
{
    if (sourceState != kStateOpen) {
        FailTriplet(TWCC_SEQERROR, kEnableFailure);
        StartCompanion("twain_in");
        return TWRC_FAILURE;
    }
    if (!PrintQueueIdle()) {
        ShowPrintJobsMessage();
        return TWRC_FAILURE;
    }
    appWindow = static_cast<HWND>(ui.hParent);
    CreateLogoWindow();
    uiInUse = ui.ShowUI && !IsApp("WordScan");

    if (!RegisterApplication(AppName()))
        return FailEnable();
    const std::string table = WindowsPath(kAppTableFileName);
    lineArtInvert = ReadInt(table, kSectionLineArt, AppName(), 0);
    grayInvert = ReadInt(table, kSectionGray, AppName(), 0);

    if (!BindDriver()) {
        FailEnable();
        DS_Error(appWindow, kConnectFailure, kResultNotBound);
        UnbindDriver();
        return TWRC_FAILURE;
    }
    const int interfaceNumber =
        std::atoi(ReadText(settingsPath, kSectionScanner, "Interface", "0", 9).c_str());
    if (IsApp("Pagerol"))
        WriteTrayErrorCode("0");
    if (TestScanner(appWindow, interfaceNumber) == 0) {
        FailEnable();
        DS_Error(appWindow, kConnectFailure, kResultNoAnswer);
        StartCompanion("twain_false");
        UnbindDriver();
        return TWRC_FAILURE;
    }
    GetAbilityForUIEx(&scannerAbility);
    if (ReadInt(settingsPath, kSectionScanner, "DoCalibration", 0) != 0) {
        DoCalibration(0, 1, 8);
        WriteText(settingsPath, kSectionScanner, "DoCalibration", "0");
    }
    if (ReadInt(ModelFilePath(), kSectionDS, "LAMPON", 0) != 0 && driver.trunOnLamp)
        driver.trunOnLamp();
    if (!AllocateWorkBuffers()) {
        FailEnable();
        DS_Error(appWindow, kConnectFailure, TWCC_LOWMEMORY);
        UnbindDriver();
        return TWRC_FAILURE;
    }

    TW_UINT16 result;
    if (uiInUse) {
        bool loaded = false;
        if (logoWindow) {
            loaded = LoadUIPlugin(logoWindow);
            if (uiDialog)
                BringWindowToTop(uiDialog);
            ShowWindow(logoWindow, SW_HIDE);
        }
        if (logoWindow && uiDialog && loaded) {
            sourceState = kStateEnabled;
            result = TWRC_SUCCESS;
        } else {
            DS_Error(appWindow, kEnableFailure, 3);
            result = TWRC_FAILURE;
        }
    } else {
        sourceState = kStateEnabled;
        DestroyLogoWindow();
        ChooseScanMethod();
        NotifyXferReady();
        conditionCode = TWCC_SUCCESS;
        result = TWRC_SUCCESS;
    }
    StartCompanion("twain_in");
    return result;
}

TW_UINT16 DisableSource(const TW_USERINTERFACE& ui)
{
    if (sourceState < kStateEnabled || sourceState > kStateTransferring)
        return FailTriplet(TWCC_SEQERROR, "General failure in response to MSG_DISABLEDS.  ");
    if ((!ui.ShowUI || !uiInUse) && logoWindow)
        ShowWindow(logoWindow, SW_HIDE);
    TearDownUserInterface();
    sourceState = kStateOpen;
    StartCompanion("twain_out");
    return TWRC_SUCCESS;
}

} // namespace

TW_UINT16 UserInterfaceHandler(TripletCall* call)
{
    const auto& ui = *static_cast<const TW_USERINTERFACE*>(call->data);
    switch (call->msg) {
    case MSG_ENABLEDS:
        return EnableSource(ui);
    case MSG_DISABLEDS:
        return DisableSource(ui);
    default:
        return FailTriplet(TWCC_BADPROTOCOL, "General failure in response to DAT_USERINTERFACE.  ");
    }
}

bool RegisterApplication(const char* productName)
{
    const std::string table = WindowsPath(kAppTableFileName);
    if (ReadInt(table, kSectionLineArt, productName, -1) != -1)
        return true;
    for (int slot = 0; slot < kApplicationSlots; ++slot) {
        char key[8];
        wsprintfA(key, "%d", slot);
        if (!ReadText(table, kSectionIndexMapping, key, "", 1).empty())
            continue;
        WriteText(table, kSectionIndexMapping, key, productName);
        WriteText(table, kSectionApNameMapping, productName, productName);
        WriteText(table, kSectionAliasMapping, productName, productName);
        WriteText(table, kSectionLineArt, productName, "0");
        WriteText(table, kSectionGray, productName, "0");
        return true;
    }
    return false;
}

bool LoadUIPlugin(HWND parent)
{
    ReleaseUIPlugin();

    const std::string model = ModelFilePath();
    std::string uiNumber = ReadText(settingsPath, kSectionScanner, "UI version", "0", 4);
    const int attempts = ReadInt(model, kSectionUIVersion, "UI Num", 3);
    std::string uiName;
    // The configured number first, then "0", "1", ... until all attempts are made.
    for (int attempt = 0; !uiLibrary && attempt < attempts; ++attempt) {
        uiName = ReadText(model, kSectionUIVersion, uiNumber.c_str(), "Error", kUITextMax);
        const std::string language = ReadLanguage("Error");
        const std::string file = ReadText(model, language.c_str(), uiName.c_str(), "Error", kUITextMax);
        const std::string folder = ReadText(model, kSectionDS, "PATH", "Error", kDriverFolderMax);
        uiLibrary = LoadLibraryA(WindowsPath(folder + file).c_str());
        if (!uiLibrary)
            uiNumber = std::to_string(attempt);
    }
    if (!uiLibrary)
        return false;

    const std::string function = ReadText(model, uiName.c_str(), "function", "Error", kUITextMax);
    auto create = reinterpret_cast<CreateDialogFunction>(GetProcAddress(uiLibrary, function.c_str()));
    if (!create) {
        // A plug-in without its creation function counts as not loaded.
        FreeLibrary(uiLibrary);
        uiLibrary = nullptr;
        return false;
    }
    uiDialog = create(parent);
    return true;
}

void StartCompanion(const char* keyword)
{
    const std::string command = WindowsPath(driverFolder) + "vostel32.exe " + keyword;
    WinExec(command.c_str(), SW_SHOW);
}

void TearDownUserInterface()
{
    if (uiDialog) {
        HWND dialog = uiDialog;
        uiDialog = nullptr;
        SendMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
        // A plug-in that kept its dialog must not leave it running code
        // from a released library.
        if (IsWindow(dialog))
            DestroyWindow(dialog);
    }
    DestroyLogoWindow();
    ReleaseUIPlugin();
    FreeWorkBuffers();
}
