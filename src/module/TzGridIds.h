// The identity of TzGrid.ocx: its type library, interfaces and classes.
// These values never change; TzGrid.idl carries the same GUIDs and the
// type-library test checks that the registered library agrees with them.
//
// Module code includes it after platform/win32/win32.h (framework headers
// before <windows.h>); test hosts without the framework include it alone.
#pragma once

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

namespace TzGridCom {

// TzGridLib 1.0
inline constexpr GUID LIBID_TzGridLib = {0xAC917D36, 0x9C73, 0x4180, {0x9F, 0xF5, 0x06, 0x4F, 0x8D, 0x3D, 0x93, 0x2E}};
inline constexpr WORD kTypeLibMajor = 1;
inline constexpr WORD kTypeLibMinor = 0;
inline constexpr LCID kTypeLibLcid = 0x0409;

// _DTzGrid and _DTzGridEvents
inline constexpr GUID DIID_DTzGrid = {0xC14ED25A, 0x2595, 0x4A48, {0x93, 0xA5, 0xDE, 0xA4, 0xAC, 0xF6, 0x80, 0x29}};
inline constexpr GUID DIID_DTzGridEvents = {0x68E92D40, 0x4B6B, 0x4622, {0x90, 0xF1, 0x50, 0x9C, 0x1A, 0x47, 0x9B, 0x89}};

// coclass TzGrid and its property page
inline constexpr GUID CLSID_TzGrid = {0x20282617, 0xD20D, 0x44D8, {0xB8, 0xD8, 0x48, 0x2D, 0xF5, 0x03, 0xFD, 0xDE}};
inline constexpr GUID CLSID_TzGridPropPage = {0x9D5E729D, 0xCE55, 0x4413, {0x9F, 0x1B, 0xF0, 0x40, 0xB9, 0x95, 0x0B, 0x8E}};

inline constexpr const wchar_t* kControlProgId = L"TZGRID.TzGridCtrl.1";

// OLEMISC_SETCLIENTSITEFIRST | OLEMISC_ACTIVATEWHENVISIBLE | OLEMISC_INSIDEOUT |
// OLEMISC_CANTLINKINSIDE | OLEMISC_RECOMPOSEONRESIZE
inline constexpr DWORD kMiscStatus = 0x20191;

// The persisted version stamp: major 1 in the high word, minor 0 in the low.
inline constexpr DWORD kPersistVersion = 0x00010000;

}  // namespace TzGridCom
