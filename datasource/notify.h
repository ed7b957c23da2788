// Telling the application through the source manager that an image is ready
// or that the user wants to close.
#pragma once

#include <windows.h>

extern "C" {
int WINAPI NotifyXferReady();
int WINAPI NotifyCloseDSReq();
}
