// Enabling and disabling the source, the logo window and the UI plug-in.
#pragma once

#include <windows.h>

// Closes the plug-in's dialog, destroys the logo window, releases the
// plug-in library and frees the work buffers: what an enable built.
void TearDownUserInterface();
