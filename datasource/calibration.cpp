#include "calibration.h"

#include <cstring>
#include <string>

#include "driver.h"
#include "errors.h"
#include "km7d32res.h"
#include "messagebox.h"
#include "profile.h"
#include "state.h"

namespace {

constexpr int kCalibrationTextMax = 129;
constexpr DWORD kCalibratesOnSheet = 1u << 8;

bool CalibratesOnSheet()
{
    if (scannerAbility.optionFlags & kCalibratesOnSheet)
        return true;
    for (const char* prefix : {"KM36", "KM210X", "KM7D"})
        if (BasicModelBegins(prefix))
            return true;
    return false;
}

std::string CalibrationText(const char* key)
{
    const std::string language = ReadLanguage("Error");
    return ReadText(ModelFilePath(), language.c_str(), key, "Error", kCalibrationTextMax);
}

INT_PTR CALLBACK CalibrationWindowProc(HWND window, UINT message, WPARAM, LPARAM)
{
    if (message != WM_INITDIALOG)
        return FALSE;
    const std::string title = CalibrationText("CaliTitle");
    SetWindowTextA(window, title.c_str());
    SetDlgItemTextA(window, IDC_CALIBRATION_TITLE, title.c_str());
    SetDlgItemTextA(window, IDC_CALIBRATION_WAIT, CalibrationText("IDS_WAIT").c_str());
    return TRUE;
}

} // namespace

extern "C" int WINAPI DoCalibration(int a, int b, int c)
{
    if (!DriverBound())
        return kResultNotBound;

    bool paperPresent = true;
    HWND window = nullptr;
    int result = 0;

    if (CalibratesOnSheet()) {
        ShowMessageBox(nullptr, CalibrationText("IDS_PUTPAPERMSG").c_str(), "Input paper", kMessageFlags);
        // A driver that cannot tell gets no calibration on a sheet it cannot see.
        if (PaperInFeeder()) {
            window = CreateDialogParamA(moduleInstance, "CALIBRATION", appWindow, CalibrationWindowProc, 0);
            if (window) {
                ShowWindow(window, SW_SHOW);
                UpdateWindow(window);
            }
        } else {
            paperPresent = false;
            DS_Error(appWindow, nullptr, kResultNoPaper);
        }
    }
    if (paperPresent)
        result = driver.doCalibrate ? driver.doCalibrate(a & 0xFF, b & 0xFF, c & 0xFF) : kResultNotBound;
    if (window)
        DestroyWindow(window);
    return result;
}
