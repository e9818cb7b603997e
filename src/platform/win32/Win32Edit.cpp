// The in-place editor over a real EDIT window.
//
// The EDIT window is subclassed: its procedure is replaced by ours, which
// hands each message to the owning framework object (CTzEdit and its
// message map); when that object calls Default(), the message goes on to the
// EDIT class's procedure. So the edit control keeps its own caret, selection
// and text handling, and its EN_UPDATE notifications reach the grid window
// through WM_COMMAND as they would for any child.
#include "win32.h"

#include <exception>
#include <vector>

#include "Win32Edit.h"
#include "Win32Gdi.h"
#include "Win32Site.h"

namespace TzGrid::Win32 {

namespace {

// The window property that leads from the EDIT window to its wrapper. (The
// EDIT class keeps its own data in the window's extra bytes; a property
// cannot collide with anything it stores.)
constexpr wchar_t kWrapperProperty[] = L"TzGrid.EditWindow";

class Win32EditWindow : public CWindowImpl {
 public:
  explicit Win32EditWindow(CWnd* owner) : m_owner(owner) {}
  ~Win32EditWindow() override { DestroyWindow(); }

  bool Create(::HWND parent, DWORD style, const ::RECT& rect, UINT id) {
    ::HWND hwnd = ::CreateWindowExW(0, L"EDIT", L"", style, rect.left, rect.top, rect.right - rect.left,
                                    rect.bottom - rect.top, parent, reinterpret_cast<::HMENU>(::UINT_PTR(id)),
                                    GetModuleInstance(), nullptr);
    if (!hwnd) return false;
    m_hwnd = hwnd;
    ::SetPropW(hwnd, kWrapperProperty, this);
    m_original = reinterpret_cast<::WNDPROC>(
        ::SetWindowLongPtrW(hwnd, GWLP_WNDPROC, reinterpret_cast<::LONG_PTR>(&Win32EditWindow::Procedure)));
    return m_original != nullptr;
  }

  HWND GetHwnd() const override { return m_hwnd; }
  bool IsWindow() const override { return m_hwnd && ::IsWindow(m_hwnd); }
  BOOL ShowWindow(int nCmdShow) override { return m_hwnd ? ::ShowWindow(m_hwnd, nCmdShow) : FALSE; }
  bool IsWindowVisible() const override { return m_hwnd && ::IsWindowVisible(m_hwnd); }
  void MoveWindow(int x, int y, int nWidth, int nHeight, BOOL bRepaint) override {
    if (m_hwnd) ::MoveWindow(m_hwnd, x, y, nWidth, nHeight, bRepaint);
  }
  void SetWindowText(const CString& text) override {
    if (m_hwnd) ::SetWindowTextW(m_hwnd, Wide(text.GetString()));
  }
  CString GetWindowText() const override { return WindowTextOf(m_hwnd); }
  void SetFocus() override {
    if (m_hwnd) ::SetFocus(m_hwnd);
  }
  CRect GetWindowRect() const override {
    ::RECT r{};
    if (m_hwnd) ::GetWindowRect(m_hwnd, &r);
    return FromWin(r);
  }
  LRESULT SendMessage(UINT message, WPARAM wParam, LPARAM lParam) override {
    return m_hwnd ? ::SendMessageW(m_hwnd, message, wParam, lParam) : 0;
  }
  LRESULT DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) override {
    if (!m_hwnd || !m_original) return 0;
    return ::CallWindowProcW(m_original, m_hwnd, message, wParam, lParam);
  }
  void DestroyWindow() override {
    if (!m_hwnd) return;
    // The owner is being destroyed or replaces its window: the messages of
    // the destruction go straight to the EDIT class.
    m_destroying = true;
    if (::IsWindow(m_hwnd)) ::DestroyWindow(m_hwnd);
    m_hwnd = nullptr;
  }

 private:
  static ::LRESULT CALLBACK Procedure(::HWND hwnd, ::UINT message, ::WPARAM wParam, ::LPARAM lParam) {
    auto* self = static_cast<Win32EditWindow*>(::GetPropW(hwnd, kWrapperProperty));
    if (!self) return ::DefWindowProcW(hwnd, message, wParam, lParam);
    ::WNDPROC original = self->m_original;
    if (message == WM_NCDESTROY) {
      // Last message: the window goes back to its class procedure and
      // forgets us, and we forget it.
      ::SetWindowLongPtrW(hwnd, GWLP_WNDPROC, reinterpret_cast<::LONG_PTR>(original));
      ::RemovePropW(hwnd, kWrapperProperty);
      self->m_hwnd = nullptr;
      return ::CallWindowProcW(original, hwnd, message, wParam, lParam);
    }
    // While the window is destroyed (by its owner, or with the grid's
    // window) the owner may be half destroyed itself; the EDIT class must
    // still see WM_DESTROY to free its own data.
    if (self->m_destroying || message == WM_DESTROY) return ::CallWindowProcW(original, hwnd, message, wParam, lParam);
    Win32ControlSite* site = Win32ControlSite::FromHwnd(::GetParent(hwnd));
    // Keys the editor forwards reach host handlers that may destroy the
    // control: the control, its site and this window's owner outlive the
    // message.
    CMessageHold hold(site ? site->LifetimeAnchor() : nullptr);
    if (site && site->OfferTabToControl(hwnd, message, wParam, lParam)) return 0;
    ::LRESULT answer = 0;
    if (message == WM_GETOBJECT && site && site->onAccessMessage &&
        site->onAccessMessage(hwnd, message, wParam, lParam, &answer)) {
      return answer;
    }
    try {
      return self->m_owner->WindowProc(message, wParam, lParam);
    } catch (const CException& e) {
      if (site) site->OnMessageFailed(message, e.GetDescription());
    } catch (const std::exception& e) {
      if (site) site->OnMessageFailed(message, std::string("unexpected failure: ") + e.what());
    } catch (...) {
      if (site) site->OnMessageFailed(message, "unexpected failure");
    }
    return 0;
  }

  CWnd* m_owner;
  ::HWND m_hwnd = nullptr;
  ::WNDPROC m_original = nullptr;
  bool m_destroying = false;
};

}  // namespace

std::unique_ptr<CWindowImpl> CreateEditWindow(::HWND parent, CWnd* pOwner, DWORD dwStyle, const ::RECT& rect,
                                              UINT nID) {
  if (!parent || !pOwner) return nullptr;
  auto window = std::make_unique<Win32EditWindow>(pOwner);
  if (!window->Create(parent, dwStyle, rect, nID)) return nullptr;
  return window;
}

CString WindowTextOf(::HWND hwnd) {
  if (!hwnd) return CString();
  int length = ::GetWindowTextLengthW(hwnd);
  if (length <= 0) return CString();
  std::vector<wchar_t> buffer(std::size_t(length) + 1, L'\0');
  int copied = ::GetWindowTextW(hwnd, buffer.data(), length + 1);
  return CString(Narrow(buffer.data()), std::size_t(copied < 0 ? 0 : copied));
}

}  // namespace TzGrid::Win32
