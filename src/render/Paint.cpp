// The paint entry and the grid painter. Not implemented yet: fails loudly.
#include "../model/TzGridCtrl.h"

namespace TzGrid {

void CTzGridCtrl::OnDraw(CDC*, const CRect&, const CRect&) { AfxThrowNotImplementedException("OnDraw"); }
void CTzGridCtrl::DrawGrid(CDC*, const CRect&, const CRect&) { AfxThrowNotImplementedException("DrawGrid"); }
void CTzGridCtrl::DrawCell(CGridCell*, const CRect*, CDC*) { AfxThrowNotImplementedException("DrawCell"); }

}  // namespace TzGrid
