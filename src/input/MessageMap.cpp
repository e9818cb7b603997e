// The control's message map: every window message the grid handles, with
// the way its parameters are unpacked, in one table.
#include <array>

#include "../model/TzGridCtrl.h"
#include "InputSteps.h"

namespace TzGrid {

namespace {

using Handler = LRESULT (*)(CTzGridCtrl&, WPARAM, LPARAM);

struct MessageEntry {
  UINT message;
  Handler handler;
};

UINT KeyRepeat(LPARAM l) { return LOWORD(std::uintptr_t(l)); }
UINT KeyFlags(LPARAM l) { return HIWORD(std::uintptr_t(l)); }

const std::array<MessageEntry, 18> kMessageMap = {{
    {WM_SIZE, [](CTzGridCtrl& c, WPARAM w, LPARAM l) -> LRESULT {
       c.OnSize(UINT(w), LOWORD(std::uintptr_t(l)), HIWORD(std::uintptr_t(l)));
       return 0;
     }},
    {WM_HSCROLL, [](CTzGridCtrl& c, WPARAM w, LPARAM) -> LRESULT {
       c.OnHScroll(LOWORD(w), UINT(SHORT(HIWORD(w))), nullptr);
       return 0;
     }},
    {WM_VSCROLL, [](CTzGridCtrl& c, WPARAM w, LPARAM) -> LRESULT {
       c.OnVScroll(LOWORD(w), UINT(SHORT(HIWORD(w))), nullptr);
       return 0;
     }},
    {WM_MOUSEWHEEL, [](CTzGridCtrl& c, WPARAM w, LPARAM l) -> LRESULT {
       return c.OnMouseWheel(LOWORD(w), SHORT(HIWORD(w)), CPoint::FromLParam(l));
     }},
    {WM_LBUTTONDOWN, [](CTzGridCtrl& c, WPARAM w, LPARAM l) -> LRESULT {
       c.OnLButtonDown(UINT(w), CPoint::FromLParam(l));
       return 0;
     }},
    {WM_LBUTTONUP, [](CTzGridCtrl& c, WPARAM w, LPARAM l) -> LRESULT {
       c.OnLButtonUp(UINT(w), CPoint::FromLParam(l));
       return 0;
     }},
    {WM_LBUTTONDBLCLK, [](CTzGridCtrl& c, WPARAM w, LPARAM l) -> LRESULT {
       c.OnLButtonDblClk(UINT(w), CPoint::FromLParam(l));
       return 0;
     }},
    {WM_RBUTTONUP, [](CTzGridCtrl& c, WPARAM w, LPARAM l) -> LRESULT {
       c.OnRButtonUp(UINT(w), CPoint::FromLParam(l));
       return 0;
     }},
    {WM_MOUSEMOVE, [](CTzGridCtrl& c, WPARAM w, LPARAM l) -> LRESULT {
       c.OnMouseMove(UINT(w), CPoint::FromLParam(l));
       return 0;
     }},
    {WM_NCHITTEST, [](CTzGridCtrl& c, WPARAM, LPARAM l) -> LRESULT { return c.OnNcHitTest(CPoint::FromLParam(l)); }},
    {WM_SETCURSOR, [](CTzGridCtrl& c, WPARAM, LPARAM l) -> LRESULT {
       return c.OnSetCursor(nullptr, LOWORD(std::uintptr_t(l)), HIWORD(std::uintptr_t(l)));
     }},
    {WM_KEYDOWN, [](CTzGridCtrl& c, WPARAM w, LPARAM l) -> LRESULT {
       c.OnKeyDown(UINT(w), KeyRepeat(l), KeyFlags(l));
       return 0;
     }},
    {WM_KEYUP, [](CTzGridCtrl& c, WPARAM w, LPARAM l) -> LRESULT {
       c.OnKeyUp(UINT(w), KeyRepeat(l), KeyFlags(l));
       return 0;
     }},
    {WM_CHAR, [](CTzGridCtrl& c, WPARAM w, LPARAM l) -> LRESULT {
       c.OnChar(UINT(w), KeyRepeat(l), KeyFlags(l));
       return 0;
     }},
    {WM_DESTROY, [](CTzGridCtrl& c, WPARAM, LPARAM) -> LRESULT {
       // The window goes before the control: a running auto-scroll worker
       // must end while the site it sends through still exists.
       Input::EndAutoScrollForDestroyedWindow(c);
       return c.Default();
     }},
    {WM_GETDLGCODE, [](CTzGridCtrl& c, WPARAM, LPARAM) -> LRESULT { return c.OnGetDlgCode(); }},
    {WM_SYSCHAR, [](CTzGridCtrl& c, WPARAM w, LPARAM l) -> LRESULT { return c.OnSysChar(w, l); }},
    {WM_COMMAND, [](CTzGridCtrl& c, WPARAM w, LPARAM) -> LRESULT {
       // Only the in-place editor (control id 1) notifies the grid.
       if (LOWORD(w) == 1 && HIWORD(w) == EN_UPDATE) {
         c.OnEnUpdateEdit();
         return 0;
       }
       return c.Default();
     }},
}};

}  // namespace

LRESULT CTzGridCtrl::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
  MessageScope scope(*this, message, wParam, lParam);
  for (const MessageEntry& entry : kMessageMap) {
    if (entry.message != message) continue;
    try {
      return entry.handler(*this, wParam, lParam);
    } catch (const CException& e) {
      // A bad index ends this message where it stands; the window goes on.
      if (m_pSite) m_pSite->OnMessageFailed(message, e.GetDescription());
      return 0;
    }
  }
  return Default();
}

LRESULT CTzGridCtrl::OnSysChar(WPARAM, LPARAM) { return Default(); }

}  // namespace TzGrid
