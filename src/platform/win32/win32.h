// Every translation unit of the Win32 platform and of the module includes
// this first: the framework headers, then <windows.h>, then the removal of
// the A/W macros whose names the framework's classes use as member names.
// Inside namespace TzGrid, unqualified names find the framework's types;
// the Win32 ones are spelled with :: (::RECT, ::HWND).
#pragma once

#include "../../framework/afx.h"

#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#undef DrawText
#undef SendMessage
#undef GetObject
#undef CreateFontIndirect
#undef LoadCursor
#undef MessageBox
#undef DefWindowProc
#undef SetWindowText
#undef GetWindowText
#undef GetClassName
#undef CreateWindow
#undef PostMessage
#undef TRANSPARENT
#undef OPAQUE
#undef RGB
#undef GetRValue
#undef GetGValue
#undef GetBValue
#undef LOWORD
#undef HIWORD
#undef MAKELPARAM
#undef MAKEWPARAM
#undef GET_X_LPARAM
#undef GET_Y_LPARAM
