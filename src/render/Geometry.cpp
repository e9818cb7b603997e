// Where rows, columns and cells lie on the client area, and what lies under
// a point: the control's geometry members, answered by the layout room
// (model/GridLayout.h), which keeps its sums true on its own writes. An
// index the layout does not hold raises the invalid-argument exception
// before any out-parameter is written.
#include "../model/TzGridCtrl.h"

namespace TzGrid {

int CTzGridCtrl::GetColumnAtPoint(CPoint pt) const { return m_layout.PositionAtX(pt.x); }

int CTzGridCtrl::GetRowAtPoint(CPoint pt) const { return m_layout.RowAtY(pt.y); }

int CTzGridCtrl::GetColumnBorderAtPoint(CPoint pt, int& borderX) const {
  return m_layout.PositionWithBorderNear(pt, borderX);
}

void CTzGridCtrl::GetCellOrigin(int nRow, int nCol, CPoint* pPoint) const {
  *pPoint = m_layout.CellOrigin(nRow, nCol);
}

void CTzGridCtrl::GetCellRect(int nRow, int nCol, CRect* pRect) const { *pRect = m_layout.CellRect(nRow, nCol); }

}  // namespace TzGrid
