// Mouse selection, resize and drag. Not implemented yet: each fails loudly.
#include "../model/TzGridCtrl.h"

namespace TzGrid {

void CTzGridCtrl::OnLButtonDown(UINT, CPoint) { AfxThrowNotImplementedException("OnLButtonDown"); }
void CTzGridCtrl::OnLButtonUp(UINT, CPoint) { AfxThrowNotImplementedException("OnLButtonUp"); }
void CTzGridCtrl::OnLButtonDblClk(UINT, CPoint) { AfxThrowNotImplementedException("OnLButtonDblClk"); }
void CTzGridCtrl::OnRButtonUp(UINT, CPoint) { AfxThrowNotImplementedException("OnRButtonUp"); }
LRESULT CTzGridCtrl::OnNcHitTest(CPoint point) { return COleControl::OnNcHitTest(point); }
void CTzGridCtrl::OnMouseMove(UINT, CPoint) { AfxThrowNotImplementedException("OnMouseMove"); }
BOOL CTzGridCtrl::OnSetCursor(CWnd*, UINT, UINT) { AfxThrowNotImplementedException("OnSetCursor"); }
unsigned CTzGridCtrl::AutoScrollThreadProc(void*) { return 0; }
void CTzGridCtrl::StopAutoScrollWorker() {}

}  // namespace TzGrid
