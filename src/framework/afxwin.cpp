#include "afxwin.h"

#include "afxctl.h"

namespace TzGrid {

CWnd::~CWnd() { DestroyWindow(); }

LRESULT CWnd::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
  MessageScope scope(*this, message, wParam, lParam);
  return Default();
}

LRESULT CWnd::Default() {
  CWindowImpl* impl = GetImpl();
  return impl ? impl->DefWindowProc(m_current.message, m_current.wParam, m_current.lParam) : 0;
}

void CWnd::DestroyWindow() {
  if (m_pImpl) {
    std::unique_ptr<CWindowImpl> impl = std::move(m_pImpl);
    impl->DestroyWindow();
  }
}

void CWnd::AttachImpl(std::unique_ptr<CWindowImpl> impl, CWnd* pParent) {
  DestroyWindow();
  m_pImpl = std::move(impl);
  m_pParentWnd = pParent;
}

BOOL CEdit::Create(DWORD dwStyle, const RECT& rect, COleControl* pParentWnd, UINT nID) {
  if (!pParentWnd || !pParentWnd->GetSite() || !pParentWnd->IsWindow()) return FALSE;
  std::unique_ptr<CWindowImpl> impl = pParentWnd->GetSite()->CreateEditChild(this, dwStyle, rect, nID);
  if (!impl) return FALSE;
  AttachImpl(std::move(impl), pParentWnd);
  return TRUE;
}

}  // namespace TzGrid
