// The in-place editor's native window: a real EDIT control whose messages go
// to the framework object that owns it.
#pragma once

#include <memory>

#include "win32.h"

namespace TzGrid::Win32 {

// Creates an EDIT child of parent with the given style, rectangle and id,
// subclassed so that every message reaches pOwner->WindowProc and the
// owner's Default() reaches the EDIT class's own procedure. Null when the
// window cannot be created.
std::unique_ptr<CWindowImpl> CreateEditWindow(::HWND parent, CWnd* pOwner, DWORD dwStyle, const ::RECT& rect,
                                              UINT nID);

// The whole text of a window (empty for no window).
CString WindowTextOf(::HWND hwnd);

}  // namespace TzGrid::Win32
