// GDI behind the framework's drawing classes: what the rest of the Win32
// platform needs to hand out drawing contexts it owns.
#pragma once

#include <memory>

#include "win32.h"

namespace TzGrid::Win32 {

// A context over a window DC taken with GetDCEx: deleting the CDC puts back
// the objects it replaced and releases the DC to hwnd.
std::unique_ptr<CDC> AttachWindowDC(::HWND hwnd, ::HDC hdc);

// Conversions at the boundary: the framework's RECT and the system's have
// the same layout, but distinct types.
inline ::RECT ToWin(const RECT& r) noexcept { return ::RECT{r.left, r.top, r.right, r.bottom}; }
inline CRect FromWin(const ::RECT& r) noexcept { return CRect(int(r.left), int(r.top), int(r.right), int(r.bottom)); }
inline ::HDC Hdc(const CDC* dc) noexcept { return dc ? static_cast<::HDC>(dc->m_hDC) : nullptr; }
inline const wchar_t* Wide(const WCHAR* s) noexcept { return reinterpret_cast<const wchar_t*>(s); }
inline const WCHAR* Narrow(const wchar_t* s) noexcept { return reinterpret_cast<const WCHAR*>(s); }

}  // namespace TzGrid::Win32
