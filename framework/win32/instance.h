// The module instance handle the entry point receives, for the window class.
#pragma once

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

// Stores the handle WinMain received.
void OrvSetInstance(HINSTANCE instance);

// The stored handle; this module's own when the entry point stored none (a test program).
HINSTANCE GetInstance();
