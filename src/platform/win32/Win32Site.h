// The control's window on Win32: the platform site of one control. The COM
// module creates one per control object; it exists without a window until
// the container activates the control in place.
#pragma once

#include <functional>
#include <memory>

#include "win32.h"

namespace TzGrid::Win32 {

// The object that owns a site and its control (the COM object, in the
// module) keeps itself alive while one of their windows handles a message:
// a host may release its last reference, destroy the container or reload
// the control from an event handler, and the handler's caller must not
// return into freed memory.
class CLifetimeAnchor {
 public:
  virtual void HoldForMessage() = 0;
  // May destroy the anchor, its site and its control: the last call a
  // window procedure makes.
  virtual void ReleaseAfterMessage() = 0;

 protected:
  ~CLifetimeAnchor() = default;
};

// Lifetime: the site refers to its control and gives the control itself
// as the control's site; the control must outlive the site (declare the
// site after the control in the object that holds both, so that it goes
// first). Destroying the site destroys the window.
class Win32ControlSite : public CControlSite {
 public:
  explicit Win32ControlSite(COleControl& ctrl);
  ~Win32ControlSite() override;

  // Creates the control's child window in parent at rect (parent client
  // coordinates); returns false when the window cannot be created.
  bool CreateControlWindow(::HWND parent, const ::RECT& rect);
  void DestroyControlWindow();
  ::HWND Hwnd() const noexcept;
  void SetWindowRect(const ::RECT& rect);  // position and size in the parent

  // Container hooks, set by the COM object.
  std::function<void(DISPID, const CDispArgs&)> onFireEvent;
  std::function<void()> onModified;
  std::function<void()> onFocus;  // the control's window took the keyboard focus
  // Accessibility: WM_GETOBJECT to the control's window or its editor (true
  // with *result set when answered) and WM_SETFOCUS, once handled.
  std::function<bool(::HWND, ::UINT, ::WPARAM, ::LPARAM, ::LRESULT*)> onAccessMessage;
  // A message handler ended with an exception (the message was abandoned).
  std::function<void(UINT, const std::string&)> onMessageFailed;

  // ---- CWindowImpl
  HWND GetHwnd() const override { return m_hwnd; }
  bool IsWindow() const override;
  BOOL ShowWindow(int nCmdShow) override;
  bool IsWindowVisible() const override;
  void MoveWindow(int x, int y, int nWidth, int nHeight, BOOL bRepaint) override;
  void SetWindowText(const CString& text) override;
  CString GetWindowText() const override;
  void SetFocus() override;
  CRect GetWindowRect() const override;
  LRESULT SendMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
  LRESULT DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
  void DestroyWindow() override { DestroyControlWindow(); }

  // ---- CControlSite
  CRect GetClientRect() const override;
  void InvalidateControl(const RECT* lpRect, BOOL bErase) override;
  void InvalidateRect(const RECT* lpRect, BOOL bErase) override;
  void Refresh() override;
  void OnModified() override;
  void FireEvent(DISPID dispid, const CDispArgs& args) override;
  CDC* GetDC() override;
  int ReleaseDC(CDC* pDC) override;
  void SetCapture() override;
  void ReleaseCapture() override;
  int SetScrollInfo(int nBar, const SCROLLINFO& info, BOOL bRedraw) override;
  BOOL GetScrollInfo(int nBar, SCROLLINFO* lpInfo, UINT nMask) override;
  int SetScrollPos(int nBar, int nPos, BOOL bRedraw) override;
  void ScrollWindow(int xAmount, int yAmount, const RECT* lpRect, const RECT* lpClipRect) override;
  void ScreenToClient(RECT* lpRect) const override;
  void SetCursor(int nCursorId) override;
  SHORT GetKeyState(int nVirtKey) override;
  SHORT GetAsyncKeyState(int nVirtKey) override;
  std::unique_ptr<CWindowImpl> CreateEditChild(CWnd* pOwner, DWORD dwStyle, const RECT& rect, UINT nID) override;
  void OnMessageFailed(UINT message, const std::string& description) override;

  COleControl& Control() const noexcept { return m_ctrl; }
  // The site whose control window hwnd is, or null.
  static Win32ControlSite* FromHwnd(::HWND hwnd) noexcept;

  // Offers a Tab key press met by hwnd (the grid's window or its editor) to
  // the control's pre-translation, when it is the Tab the user typed (taken
  // from the thread's queue and not pre-translated by the container); true
  // when the control consumed it.
  bool OfferTabToControl(::HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

  void SetLifetimeAnchor(CLifetimeAnchor* anchor) noexcept { m_anchor = anchor; }
  CLifetimeAnchor* LifetimeAnchor() const noexcept { return m_anchor; }

 private:
  static ::LRESULT CALLBACK WindowProcedure(::HWND hwnd, ::UINT message, ::WPARAM wParam, ::LPARAM lParam);
  ::LRESULT HandleMessage(::UINT message, ::WPARAM wParam, ::LPARAM lParam);
  void Paint();

  // The client rectangle, asked of the system once after each change. A
  // host writing cells below the view asks for it on every write, and
  // under Wine each question is a call into the window system.
  ::RECT ClientArea() const;
  // Every change of the client area is computed in WM_NCCALCSIZE and
  // reported by WM_WINDOWPOSCHANGED and WM_SIZE.
  static bool MayChangeClientArea(::UINT message) noexcept {
    return message == WM_NCCALCSIZE || message == WM_WINDOWPOSCHANGED || message == WM_SIZE;
  }

  COleControl& m_ctrl;
  ::HWND m_hwnd = nullptr;
  mutable ::RECT m_client{};
  mutable bool m_clientKnown = false;
  CLifetimeAnchor* m_anchor = nullptr;
  bool m_watchingKeys = false;  // counted in the thread's key watch
};

// Holds a window's anchor for the length of one message (no anchor: nothing).
class CMessageHold {
 public:
  explicit CMessageHold(CLifetimeAnchor* anchor) noexcept : m_anchor(anchor) {
    if (m_anchor) m_anchor->HoldForMessage();
  }
  ~CMessageHold() {
    if (m_anchor) m_anchor->ReleaseAfterMessage();
  }
  CMessageHold(const CMessageHold&) = delete;
  CMessageHold& operator=(const CMessageHold&) = delete;

 private:
  CLifetimeAnchor* m_anchor;
};

// A container that pre-translates keys has taken the message the thread
// last took from its queue: it will not be dispatched, and it must not be
// mistaken later for a Tab the user typed.
void ForgetQueuedTab() noexcept;

// The module instance, for resources (cursor 101, dialogs 1 and 200, icon).
// Until one is set, the module this code is linked into (the .ocx, or the
// test program's .exe).
void SetModuleInstance(::HINSTANCE instance) noexcept;
::HINSTANCE GetModuleInstance() noexcept;

// The name of the control's window class, registered on the first window.
const wchar_t* ControlWindowClassName() noexcept;
// Unregisters the window class (module unload; no control window may exist).
void UnregisterControlWindowClass() noexcept;

// A drawing context over an HDC the caller owns (IViewObject::Draw, WM_PAINT).
// The objects the control selects into it are put back when the CDC is
// deleted; the HDC itself is neither deleted nor released.
std::unique_ptr<CDC> WrapHdc(::HDC hdc, bool printing = false);

}  // namespace TzGrid::Win32
