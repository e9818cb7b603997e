// Scroll handlers. Not implemented yet: each fails loudly.
#include "../model/TzGridCtrl.h"

namespace TzGrid {

void CTzGridCtrl::OnHScroll(UINT, UINT, CWnd*) { AfxThrowNotImplementedException("OnHScroll"); }
void CTzGridCtrl::OnVScroll(UINT, UINT, CWnd*) { AfxThrowNotImplementedException("OnVScroll"); }
BOOL CTzGridCtrl::OnMouseWheel(UINT, short, CPoint) { AfxThrowNotImplementedException("OnMouseWheel"); }

}  // namespace TzGrid
