#include "afxctl.h"

#include <cstdarg>

namespace TzGrid {

COleControl::~COleControl() = default;

void COleControl::SetSite(CControlSite* pSite) noexcept { m_pSite = pSite; }

void COleControl::GetClientRect(RECT* lpRect) const {
  *lpRect = m_pSite && m_pSite->IsWindow() ? m_pSite->GetClientRect() : CRect();
}

void COleControl::InvalidateControl(const RECT* lpRect, BOOL bErase) {
  if (m_pSite) m_pSite->InvalidateControl(lpRect, bErase);
}

void COleControl::InvalidateRect(const RECT* lpRect, BOOL bErase) {
  if (m_pSite) m_pSite->InvalidateRect(lpRect, bErase);
}

void COleControl::Refresh() {
  if (m_pSite) m_pSite->Refresh();
}

void COleControl::SetModifiedFlag(BOOL bModified) {
  m_bModified = bModified ? TRUE : FALSE;
  if (m_pSite && bModified) m_pSite->OnModified();
}

void COleControl::FireEvent(DISPID dispid, const char* pbParams, ...) {
  CDispArgs args;
  va_list list;
  va_start(list, pbParams);
  for (const char* p = pbParams; p && *p; ++p) {
    // Only the 32-bit integer parameter occurs in this control's events;
    // callers pass int values (32-bit on both platforms).
    if (*p == VTS_I4[0]) args.push_back(CDispArg::I4(std::int32_t(va_arg(list, int))));
  }
  va_end(list);
  if (m_pSite) m_pSite->FireEvent(dispid, args);
}

CDC* COleControl::GetDC() const { return IsWindow() ? m_pSite->GetDC() : nullptr; }

int COleControl::ReleaseDC(CDC* pDC) const { return pDC && m_pSite ? m_pSite->ReleaseDC(pDC) : 0; }

void COleControl::SetCapture() {
  if (IsWindow()) m_pSite->SetCapture();
}

void COleControl::ReleaseCapture() {
  if (m_pSite) m_pSite->ReleaseCapture();
}

BOOL COleControl::SetScrollInfo(int nBar, SCROLLINFO* lpScrollInfo, BOOL bRedraw) {
  if (!IsWindow() || !lpScrollInfo) return FALSE;
  m_pSite->SetScrollInfo(nBar, *lpScrollInfo, bRedraw);
  return TRUE;
}

BOOL COleControl::GetScrollInfo(int nBar, SCROLLINFO* lpScrollInfo, UINT nMask) {
  if (!IsWindow() || !lpScrollInfo) return FALSE;
  return m_pSite->GetScrollInfo(nBar, lpScrollInfo, nMask);
}

int COleControl::SetScrollPos(int nBar, int nPos, BOOL bRedraw) {
  return IsWindow() ? m_pSite->SetScrollPos(nBar, nPos, bRedraw) : 0;
}

void COleControl::ScrollWindow(int xAmount, int yAmount, const RECT* lpRect, const RECT* lpClipRect) {
  if (IsWindow()) m_pSite->ScrollWindow(xAmount, yAmount, lpRect, lpClipRect);
}

void COleControl::ScreenToClient(RECT* lpRect) const {
  if (m_pSite && m_pSite->IsWindow()) m_pSite->ScreenToClient(lpRect);
}

void COleControl::SetCursor(int nCursorId) {
  if (m_pSite) m_pSite->SetCursor(nCursorId);
}

SHORT COleControl::GetKeyState(int nVirtKey) { return m_pSite ? m_pSite->GetKeyState(nVirtKey) : 0; }

SHORT COleControl::GetAsyncKeyState(int nVirtKey) { return m_pSite ? m_pSite->GetAsyncKeyState(nVirtKey) : 0; }

LRESULT COleControl::SendMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  return IsWindow() ? m_pSite->SendMessage(message, wParam, lParam) : 0;
}

void COleControl::InitializeIIDs(const void* piidPrimary, const void* piidEvents) noexcept {
  m_piidPrimary = piidPrimary;
  m_piidEvents = piidEvents;
}

// The base handlers hand the message being processed to the platform's
// default processing; the control calls them where its handlers pass a
// message on.
void COleControl::OnSize(UINT, int, int) { Default(); }
void COleControl::OnLButtonDown(UINT, CPoint) { Default(); }
void COleControl::OnLButtonUp(UINT, CPoint) { Default(); }
void COleControl::OnLButtonDblClk(UINT, CPoint) { Default(); }
void COleControl::OnRButtonUp(UINT, CPoint) { Default(); }
void COleControl::OnMouseMove(UINT, CPoint) { Default(); }
LRESULT COleControl::OnNcHitTest(CPoint) { return Default(); }
BOOL COleControl::OnSetCursor(CWnd*, UINT, UINT) { return BOOL(Default()); }
void COleControl::OnKeyDown(UINT, UINT, UINT) { Default(); }
void COleControl::OnKeyUp(UINT, UINT, UINT) { Default(); }
void COleControl::OnChar(UINT, UINT, UINT) { Default(); }
void COleControl::OnKeyDownEvent(USHORT, USHORT) {}
BOOL COleControl::PreTranslateMessage(MSG*) { return FALSE; }

}  // namespace TzGrid
