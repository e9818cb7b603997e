// Geometry and hit testing. Not implemented yet: each operation fails loudly.
#include "../model/TzGridCtrl.h"

namespace TzGrid {

int CTzGridCtrl::GetColumnAtPoint(CPoint) { AfxThrowNotImplementedException("GetColumnAtPoint"); }
int CTzGridCtrl::GetRowAtPoint(CPoint) { AfxThrowNotImplementedException("GetRowAtPoint"); }
int CTzGridCtrl::GetColumnBorderAtPoint(CPoint, int&) { AfxThrowNotImplementedException("GetColumnBorderAtPoint"); }
void CTzGridCtrl::GetCellOrigin(int, int, CPoint*) { AfxThrowNotImplementedException("GetCellOrigin"); }
void CTzGridCtrl::GetCellRect(int, int, CRect*) { AfxThrowNotImplementedException("GetCellRect"); }

}  // namespace TzGrid
