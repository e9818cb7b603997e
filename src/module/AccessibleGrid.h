// The grid as Microsoft Active Accessibility sees it: a thin IAccessible
// over what the portable core works out (access/GridAccess.h), the answer
// to WM_GETOBJECT, and the win events a screen reader listens to.
//
// A screen reader may hold the accessible object long after the control
// is gone. The object reaches the grid only through an AccessLink, which
// the bridge cuts when the grid's site goes; from then on every call
// answers CO_E_OBJNOTCONNECTED.
#pragma once

#include <functional>
#include <string>

#include "../access/AccessEvents.h"
#include "../model/TzGridCtrl.h"
#include "../platform/win32/Win32Site.h"

namespace TzGridCom {

// Shared by the bridge and every accessible object made for one grid;
// freed with the last of them. Used on the control's thread only.
struct AccessLink {
  TzGrid::CTzGridCtrl* grid = nullptr;
  TzGrid::Win32::Win32ControlSite* site = nullptr;
  std::function<std::wstring()> containerName;  // the container's name for the control, or empty
  LONG refs = 1;
  void AddRef() noexcept { ++refs; }
  void Release() noexcept {
    if (--refs == 0) delete this;
  }
};

// One per grid and site: answers the window's WM_GETOBJECT and, once a
// client has asked for an object, tells screen readers what the grid
// reports. Destroyed before its grid and site.
class AccessBridge final : public TzGrid::Access::CAccessEvents {
 public:
  AccessBridge(TzGrid::CTzGridCtrl& grid, TzGrid::Win32::Win32ControlSite& site,
               std::function<std::wstring()> containerName);
  ~AccessBridge();
  AccessBridge(const AccessBridge&) = delete;
  AccessBridge& operator=(const AccessBridge&) = delete;

  // WM_GETOBJECT to the grid's window or its editor, and WM_SETFOCUS to the
  // grid's window; true with *result set when the message is answered.
  bool OnMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result);

  // CAccessEvents
  void FocusMoved() override;
  void TextChanged(int nRow, int nCol) override;
  void ShapeChanged() override;

 private:
  HWND Hwnd() const noexcept { return m_link->site->Hwnd(); }
  bool HasKeyboardFocus() const noexcept;
  void RaiseFocusOfFocusCell();

  AccessLink* m_link;
};

}  // namespace TzGridCom
