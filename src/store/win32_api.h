#pragma once

// The Win32 API as this program includes it, in the store's file layer and
// the Win32 windows alike: no min/max macros, and no MessageBox macro, which
// would rename the MessageBox interface every front-end shares (the program
// calls MessageBoxW by name).
#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>
#undef MessageBox
