// COleControl: the control framework's base class. It forwards its window
// and container services to a site that the platform provides (a simulated
// window in platform/headless/, a real one in platform/win32/), and the
// process-wide services (message box, clipboard, file dialog, shell, threads)
// are free functions each platform defines.
#pragma once

#include <memory>

#include "afxdisp.h"
#include "afxstate.h"
#include "afxwin.h"

namespace TzGrid {

using HGLOBAL = void*;
using ThreadHandle = std::uintptr_t;

// The control's window and container, as one platform object.
class CControlSite : public CWindowImpl {
 public:
  virtual CRect GetClientRect() const = 0;
  // Marks a client rectangle (null: the whole control) for repainting.
  virtual void InvalidateControl(const RECT* lpRect, BOOL bErase) = 0;
  virtual void InvalidateRect(const RECT* lpRect, BOOL bErase) = 0;
  // Invalidates the whole control and repaints it before returning.
  virtual void Refresh() = 0;
  virtual void OnModified() = 0;
  // Calls the host's handlers of an event synchronously.
  virtual void FireEvent(DISPID dispid, const CDispArgs& args) = 0;
  virtual CDC* GetDC() = 0;
  virtual int ReleaseDC(CDC* pDC) = 0;
  virtual void SetCapture() = 0;
  virtual void ReleaseCapture() = 0;
  virtual int SetScrollInfo(int nBar, const SCROLLINFO& info, BOOL bRedraw) = 0;
  virtual BOOL GetScrollInfo(int nBar, SCROLLINFO* lpInfo, UINT nMask) = 0;
  virtual int SetScrollPos(int nBar, int nPos, BOOL bRedraw) = 0;
  virtual void ScrollWindow(int xAmount, int yAmount, const RECT* lpRect, const RECT* lpClipRect) = 0;
  virtual void ScreenToClient(RECT* lpRect) const = 0;
  // IDC_ARROW, IDC_SIZEWE or the module's cursor IDC_DRAGCOLUMN.
  virtual void SetCursor(int nCursorId) = 0;
  virtual SHORT GetKeyState(int nVirtKey) = 0;
  virtual SHORT GetAsyncKeyState(int nVirtKey) = 0;
  // Creates a native edit window, a child of this one; its messages go to
  // pOwner->WindowProc.
  virtual std::unique_ptr<CWindowImpl> CreateEditChild(CWnd* pOwner, DWORD dwStyle, const RECT& rect, UINT nID) = 0;
  // A handler ended with an exception; the message is over, the window goes on.
  virtual void OnMessageFailed(UINT /*message*/, const std::string& /*description*/) {}
};

class COleControl : public CWnd {
 public:
  COleControl() = default;
  ~COleControl() override;

  // The host gives the control its site (or takes it away with null).
  void SetSite(CControlSite* pSite) noexcept;
  CControlSite* GetSite() const noexcept { return m_pSite; }
  CWindowImpl* GetImpl() const noexcept override { return m_pSite; }

  // --- services, as the framework names them ---
  bool IsWindow() const { return m_pSite && m_pSite->IsWindow(); }
  void GetClientRect(RECT* lpRect) const;
  void InvalidateControl(const RECT* lpRect = nullptr, BOOL bErase = TRUE);
  void InvalidateRect(const RECT* lpRect, BOOL bErase = TRUE);
  void Refresh();
  void SetModifiedFlag(BOOL bModified = TRUE);
  BOOL IsModified() const noexcept { return m_bModified; }
  // pbParams lists the argument types (VTS_I4 ...); the arguments follow.
  void FireEvent(DISPID dispid, const char* pbParams, ...);
  // The window's own context: a service of the window, which leaves the
  // control as it is.
  CDC* GetDC() const;
  int ReleaseDC(CDC* pDC) const;
  void SetCapture();
  void ReleaseCapture();
  BOOL SetScrollInfo(int nBar, SCROLLINFO* lpScrollInfo, BOOL bRedraw = TRUE);
  BOOL GetScrollInfo(int nBar, SCROLLINFO* lpScrollInfo, UINT nMask = SIF_ALL);
  int SetScrollPos(int nBar, int nPos, BOOL bRedraw = TRUE);
  void ScrollWindow(int xAmount, int yAmount, const RECT* lpRect = nullptr, const RECT* lpClipRect = nullptr);
  void ScreenToClient(RECT* lpRect) const;
  void SetCursor(int nCursorId);
  SHORT GetKeyState(int nVirtKey);
  SHORT GetAsyncKeyState(int nVirtKey);
  LRESULT SendMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) override;

  // Framework pieces the control calls on construction.
  void InitializeIIDs(const void* piidPrimary, const void* piidEvents) noexcept;
  void EnableSimpleFrame() noexcept { m_bSimpleFrame = true; }
  void SetBorderStyle(int nBorderStyle) noexcept { m_nBorderStyle = nBorderStyle; }
  int GetBorderStyle() const noexcept { return m_nBorderStyle; }

  // The paint entry: the platform calls it with the target context, the
  // control's bounds and the area to repaint.
  virtual void OnDraw(CDC* pDC, const CRect& rcBounds, const CRect& rcInvalid) = 0;

  // Base handlers: the framework's default processing of each message.
  void OnSize(UINT nType, int cx, int cy);
  void OnLButtonDown(UINT nFlags, CPoint point);
  void OnLButtonUp(UINT nFlags, CPoint point);
  void OnLButtonDblClk(UINT nFlags, CPoint point);
  void OnRButtonUp(UINT nFlags, CPoint point);
  void OnMouseMove(UINT nFlags, CPoint point);
  LRESULT OnNcHitTest(CPoint point);
  BOOL OnSetCursor(CWnd* pWnd, UINT nHitTest, UINT message);
  void OnKeyDown(UINT nChar, UINT nRepCnt, UINT nFlags);
  void OnKeyUp(UINT nChar, UINT nRepCnt, UINT nFlags);
  void OnChar(UINT nChar, UINT nRepCnt, UINT nFlags);
  void OnKeyDownEvent(USHORT nChar, USHORT nShiftState);
  virtual BOOL PreTranslateMessage(MSG* pMsg);

  // Stock persistence and reset hooks (the control keeps no stock property
  // of its own but the version it was saved with).
  virtual void OnResetState() {}
  DWORD GetVersionLoaded() const noexcept { return m_dwVersionLoaded; }
  void SetVersionLoaded(DWORD version) noexcept { m_dwVersionLoaded = version; }

 protected:
  CControlSite* m_pSite = nullptr;
  BOOL m_bModified = FALSE;
  bool m_bSimpleFrame = false;
  int m_nBorderStyle = 0;
  const void* m_piidPrimary = nullptr;
  const void* m_piidEvents = nullptr;
  DWORD m_dwVersionLoaded = 0;
};

// ---- process-wide services, defined by each platform ----
int AfxMessageBox(const CString& text, UINT nType = MB_OK, UINT nIDHelp = 0);

BOOL OpenClipboard(HWND hWndNewOwner);
BOOL EmptyClipboard();
HGLOBAL SetClipboardData(UINT uFormat, HGLOBAL hMem);
HGLOBAL GetClipboardData(UINT uFormat);
BOOL CloseClipboard();
HGLOBAL GlobalAlloc(UINT uFlags, std::size_t dwBytes);
void* GlobalLock(HGLOBAL hMem);
BOOL GlobalUnlock(HGLOBAL hMem);
std::size_t GlobalSize(HGLOBAL hMem);
HGLOBAL GlobalFree(HGLOBAL hMem);

// Opens a file with the program associated with it ("Open" verb).
void ShellExecuteOpen(const CString& path);

class CFileDialog {
 public:
  CFileDialog(BOOL bOpenFileDialog, const WCHAR* lpszDefExt, const WCHAR* lpszFileName, DWORD dwFlags,
              const WCHAR* lpszFilter, CWnd* pParentWnd = nullptr, DWORD dwSize = 0, BOOL bVistaStyle = TRUE)
      : m_bOpenFileDialog(bOpenFileDialog),
        m_strDefExt(lpszDefExt),
        m_strFileName(lpszFileName),
        m_dwFlags(dwFlags),
        m_strFilter(lpszFilter),
        m_pParentWnd(pParentWnd),
        m_dwSize(dwSize),
        m_bVistaStyle(bVistaStyle) {}
  // Modal; IDOK when the user accepted a path.
  int DoModal();
  CString GetPathName() const { return m_strPathName; }

  BOOL m_bOpenFileDialog;
  CString m_strDefExt;
  CString m_strFileName;
  DWORD m_dwFlags;
  CString m_strFilter;
  CWnd* m_pParentWnd;
  DWORD m_dwSize;
  BOOL m_bVistaStyle;
  CString m_strPathName;
};

// Starts a thread at once (the platform's _beginthreadex); 0 on failure.
ThreadHandle BeginThreadEx(unsigned (*proc)(void*), void* arg);
// Waits for a thread started by BeginThreadEx to end and releases its handle.
void JoinThread(ThreadHandle handle);
void Sleep(DWORD milliseconds);


}  // namespace TzGrid

namespace TzGrid {

// A modal dialog on a dialog template of the module (the About box).
class CDialogEx {
 public:
  explicit CDialogEx(UINT nIDTemplate, CWnd* pParentWnd = nullptr) : m_nIDTemplate(nIDTemplate), m_pParentWnd(pParentWnd) {}
  int DoModal();  // defined by the platform
  UINT m_nIDTemplate;
  CWnd* m_pParentWnd;
};

}  // namespace TzGrid
