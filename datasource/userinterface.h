// Enabling and disabling the source, the logo window and the UI plug-in.
#pragma once

#include <windows.h>

// Commands that make the logo window load the UI plug-in again.
constexpr int kFirstReloadCommand = 1801;
constexpr int kLastReloadCommand = 1810;
constexpr UINT_PTR kUIChangeTimer = 99999;

// Registers the application in apsetup.ini; false when every slot is taken.
bool RegisterApplication(const char* productName);

// Loads the UI plug-in of the current "UI version" (retrying the others) and
// creates its dialog with parent as its parent; false when none loaded.
bool LoadUIPlugin(HWND parent);

// Starts the companion program with one of "twain_in", "twain_out",
// "twain_false".
void StartCompanion(const char* keyword);

// Closes the plug-in's dialog, destroys the logo window, releases the
// plug-in library and frees the work buffers: what an enable built.
void TearDownUserInterface();
