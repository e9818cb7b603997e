// Windows as the control sees them: CWnd with a platform window behind it,
// and the edit control the in-place editor is built on.
#pragma once

#include <memory>

#include "afxgdi.h"

namespace TzGrid {

struct MSG {
  HWND hwnd = nullptr;
  UINT message = 0;
  WPARAM wParam = 0;
  LPARAM lParam = 0;
};

// A native window of the platform, as seen from the framework. The platform
// implements it; the framework object (CWnd) routes the window's messages
// through its WindowProc, and Default() reaches DefWindowProc here.
class CWindowImpl {
 public:
  virtual ~CWindowImpl() = default;
  virtual HWND GetHwnd() const = 0;
  virtual bool IsWindow() const = 0;
  virtual BOOL ShowWindow(int nCmdShow) = 0;
  virtual bool IsWindowVisible() const = 0;
  virtual void MoveWindow(int x, int y, int nWidth, int nHeight, BOOL bRepaint) = 0;
  virtual void SetWindowText(const CString& text) = 0;
  virtual CString GetWindowText() const = 0;
  virtual void SetFocus() = 0;
  // In screen coordinates, as the platform's GetWindowRect.
  virtual CRect GetWindowRect() const = 0;
  // Synchronous delivery to this window (from any thread).
  virtual LRESULT SendMessage(UINT message, WPARAM wParam, LPARAM lParam) = 0;
  // The platform's own processing of a message (the native window class).
  virtual LRESULT DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) = 0;
  virtual void DestroyWindow() = 0;
};

class CWnd {
 public:
  CWnd() = default;
  CWnd(const CWnd&) = delete;
  CWnd& operator=(const CWnd&) = delete;
  virtual ~CWnd();

  // Entry of every message of this window; the default sends it to Default().
  virtual LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam);
  // The platform's processing of the message being handled now.
  LRESULT Default();

  HWND GetSafeHwnd() const noexcept {
    CWindowImpl* impl = GetImpl();
    return impl && impl->IsWindow() ? impl->GetHwnd() : nullptr;
  }
  bool HasWindow() const noexcept { return GetSafeHwnd() != nullptr; }
  CWnd* GetParent() const noexcept { return m_pParentWnd; }

  BOOL ShowWindow(int nCmdShow) { return m_pImpl ? m_pImpl->ShowWindow(nCmdShow) : FALSE; }
  bool IsWindowVisible() const { return m_pImpl && m_pImpl->IsWindowVisible(); }
  void MoveWindow(int x, int y, int nWidth, int nHeight, BOOL bRepaint = TRUE) {
    if (m_pImpl) m_pImpl->MoveWindow(x, y, nWidth, nHeight, bRepaint);
  }
  void SetWindowText(const CString& text) {
    if (m_pImpl) m_pImpl->SetWindowText(text);
  }
  CString GetWindowText() const { return m_pImpl ? m_pImpl->GetWindowText() : CString(); }
  void SetFocus() {
    if (m_pImpl) m_pImpl->SetFocus();
  }
  void GetWindowRect(CRect* lpRect) const { *lpRect = m_pImpl ? m_pImpl->GetWindowRect() : CRect(); }
  virtual LRESULT SendMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) {
    return m_pImpl ? m_pImpl->SendMessage(message, wParam, lParam) : 0;
  }
  void DestroyWindow();

  // Binds a platform window to this object (the object owns it).
  void AttachImpl(std::unique_ptr<CWindowImpl> impl, CWnd* pParent);
  // The platform window behind this object, or null.
  virtual CWindowImpl* GetImpl() const noexcept { return m_pImpl.get(); }

 protected:
  // Runs one message with Default() bound to it (nesting is allowed).
  struct CurrentMessage {
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
  };
  class MessageScope {
   public:
    MessageScope(CWnd& wnd, UINT message, WPARAM wParam, LPARAM lParam)
        : m_wnd(wnd), m_saved(wnd.m_current) {
      m_wnd.m_current = {message, wParam, lParam};
    }
    ~MessageScope() { m_wnd.m_current = m_saved; }

   private:
    CWnd& m_wnd;
    CurrentMessage m_saved;
  };

  std::unique_ptr<CWindowImpl> m_pImpl;
  CWnd* m_pParentWnd = nullptr;
  CurrentMessage m_current{0, 0, 0};
};

class COleControl;

class CEdit : public CWnd {
 public:
  // Creates the native edit window as a child of pParent's window.
  BOOL Create(DWORD dwStyle, const RECT& rect, COleControl* pParentWnd, UINT nID);
};

}  // namespace TzGrid
