// The process-wide variables that every handler of the data source shares.
// One source instance per loaded copy of the library; all zero at load except
// where state.cpp says otherwise.
#pragma once

#include <cstring>

#include "records.h"
#include "twain.h"

// TWAIN states, stored as hundredfold numbers.
constexpr int kStateLoaded = 300;
constexpr int kStateOpen = 400;
constexpr int kStateEnabled = 500;
constexpr int kStateXferReady = 600;
constexpr int kStateTransferring = 700;

// Entry and dispatch
extern HINSTANCE moduleInstance;
extern int sourceState;
extern TW_UINT16 conditionCode;
extern TW_IDENTITY appIdentity;    // Id 0: no application connected
extern TW_IDENTITY sourceIdentity;
extern HWND appWindow;             // owner of the data source's boxes and windows
extern int uiInUse;                // the UI plug-in's dialog is in use
extern HWND uiDialog;              // the UI plug-in's dialog, or null

// Settings and abilities
extern char settingsPath[MAX_PATH];
extern ScanSettings settings;      // the request: what the application and the user asked for
extern ScanSettings jobSettings;   // the request as the last derivation rewrote it for the driver
extern DWORD preparedPages;        // "Scan Page" as last read from the settings file
extern BasicAbility basicAbility;
extern ScannerAbility scannerAbility;

// Enable, disable and the UI plug-in
extern HWND logoWindow;
extern HMODULE uiLibrary;
extern int lineArtInvert;
extern int grayInvert;
constexpr int kWorkBufferCount = 3;
constexpr SIZE_T kWorkBufferSize = 256;
extern HGLOBAL workBufferHandles[kWorkBufferCount];
extern void* workBuffers[kWorkBufferCount];

// Notifications and pending transfers
extern int pageCount;

// Capability values other handlers read or count
extern TW_INT16 transferCount;
extern TW_BOOL feederEnabled;
extern TW_BOOL feedPage;
extern BYTE paperPresent;
// Current values of capabilities that other handlers read or change.
extern TW_UINT16 unitsCurrent;        // ICAP_UNITS
extern TW_UINT16 xferMechCurrent;     // ICAP_XFERMECH
extern TW_UINT16 planarChunkyCurrent; // ICAP_PLANARCHUNKY

// The scan job and the transfers
extern JobInfo jobInfo;
extern ScanParameters scanParameters;
constexpr int kFileNameSize = 256;
extern char transferFileName[kFileNameSize];
extern HGLOBAL dibHandle;

// The application's product name, by which per-application rules are chosen,
// compared whole or by its beginning.
inline const char* AppName() { return appIdentity.ProductName; }
inline bool IsApp(const char* name) { return std::strcmp(AppName(), name) == 0; }
inline bool AppBegins(const char* prefix)
{
    return std::strncmp(AppName(), prefix, std::strlen(prefix)) == 0;
}

// The scanner's model as the basic record names it (not necessarily
// terminated; prefixes are at most its 8 characters).
inline bool BasicModelBegins(const char* prefix)
{
    return std::strncmp(basicAbility.modelName, prefix, std::strlen(prefix)) == 0;
}
