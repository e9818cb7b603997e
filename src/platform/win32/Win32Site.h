// The control's window on Win32: the platform site of one control. The COM
// module creates one per control object; it exists without a window until
// the container activates the control in place.
#pragma once

#include <functional>
#include <memory>

#include "win32.h"

namespace TzGrid::Win32 {

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
  // the control's pre-translation; true when the control consumed it.
  bool OfferTabToControl(::HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

 private:
  static ::LRESULT CALLBACK WindowProcedure(::HWND hwnd, ::UINT message, ::WPARAM wParam, ::LPARAM lParam);
  ::LRESULT HandleMessage(::UINT message, ::WPARAM wParam, ::LPARAM lParam);
  void Paint();

  COleControl& m_ctrl;
  ::HWND m_hwnd = nullptr;
};

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
