// The source's identity, and opening and closing it.
#pragma once

#include <windows.h>

// Process attach: keeps the instance and fills the source identity from the
// model file. A null instance is refused.
bool AttachSource(HINSTANCE instance);
