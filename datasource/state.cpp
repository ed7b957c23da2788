#include "state.h"

HINSTANCE moduleInstance;
int sourceState = kStateLoaded;
TW_UINT16 conditionCode = TWCC_SUCCESS;
TW_IDENTITY appIdentity;
TW_IDENTITY sourceIdentity;
HWND appWindow;
int uiInUse;
HWND uiDialog;

char settingsPath[MAX_PATH];
ScanSettings settings;
ScanSettings jobSettings;
DWORD preparedPages;
BasicAbility basicAbility;
ScannerAbility scannerAbility;

HWND logoWindow;
HMODULE uiLibrary;
int lineArtInvert;
int grayInvert;
HGLOBAL workBufferHandles[kWorkBufferCount];
void* workBuffers[kWorkBufferCount];

int pageCount;

TW_INT16 transferCount = -1;
TW_BOOL feederEnabled = TRUE;
TW_BOOL feedPage = FALSE;
BYTE paperPresent;
TW_UINT16 unitsCurrent = TWUN_INCHES;
TW_UINT16 xferMechCurrent = TWSX_MEMORY;
TW_UINT16 planarChunkyCurrent = TWPC_CHUNKY;

JobInfo jobInfo;
ScanParameters scanParameters;
char transferFileName[kFileNameSize] = "KMDIB.BMP";
HGLOBAL dibHandle;
