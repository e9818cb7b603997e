// The automation members that set and read the layout: widths, heights,
// the default width, fixed counts and the column order.
#include "TzGridCtrl.h"
#include "../access/AccessEvents.h"

namespace TzGrid {

short CTzGridCtrl::SetColumnWidth(LONG Column, LONG Width) {
  if (Column > m_nCols - 1) return 0;
  m_layout.SetWidthOfColumn(Column, UINT(Width));  // a negative index raises here
  UpdateScrollBars();
  InvalidateControl(nullptr, TRUE);
  return 1;
}

short CTzGridCtrl::SetRowHeight(LONG Row, LONG Height) {
  if (Row > m_nRows - 1) return 0;
  m_layout.SetHeightOfRow(Row, UINT(Height));
  InvalidateControl(nullptr, TRUE);
  return 1;
}

LONG CTzGridCtrl::SetDefaultColumnWidth(LONG lColumn) {
  m_nDefColWidth = lColumn;
  return 0;
}

LONG CTzGridCtrl::GetColumnWidth(LONG Column) {
  if (m_nRows < 1) return m_nDefColWidth;
  return LONG(m_layout.WidthOfColumn(Column));
}

short CTzGridCtrl::SetNumFixedRows(LONG Rows) {
  // Stored as given; the geometry bounds it to the row count (FixedRowsInUse).
  m_nFixedRows = Rows;
  Access::NotifyShapeChanged(*this);
  return 0;
}

LONG CTzGridCtrl::SetNumFixedColumns(LONG lColumns) {
  AFX_MANAGE_STATE(AfxGetStaticModuleState());
  if (lColumns >= 0 && lColumns <= m_nCols) {
    m_nFixedCols = lColumns;
    InvalidateControl(nullptr, TRUE);
    Access::NotifyShapeChanged(*this);
  }
  SetModifiedFlag(TRUE);
  return lColumns;
}

LONG CTzGridCtrl::GetColumnVisibleIndex(LONG Column) {
  int p = FindDisplayPosition(Column);
  return p < 0 ? 0 : p;
}

short CTzGridCtrl::SetColumnOrder(LONG Column, LONG Order) {
  m_layout.SetColumnAtPosition(Order, UINT(Column));
  InvalidateControl(nullptr, TRUE);
  Access::NotifyShapeChanged(*this);
  return 0;
}

void CTzGridCtrl::MoveColumn(LONG lCol, LONG lToCol) {
  int s = FindDisplayPosition(lCol);
  // A column that is not shown, or a target outside the display positions,
  // would corrupt the order map: refused before any change.
  if (s < 0) AfxThrowInvalidArgException("column " + std::to_string(lCol) + " is not in the column order");
  if (lToCol < 0 || lToCol > m_nCols - 1) {
    AfxThrowInvalidArgException("display position " + std::to_string(lToCol) + " is outside 0.." +
                                std::to_string(m_nCols - 1));
  }
  m_layout.MoveDisplayPosition(s, lToCol);
  InvalidateControl(nullptr, TRUE);
  Access::NotifyShapeChanged(*this);
}

void CTzGridCtrl::SetFirstVisibleColumn(LONG lCol) {
  // Column numbers count from 1; anything outside the grid is refused.
  if (lCol < 1 || lCol > m_nCols) {
    AfxThrowInvalidArgException("column number " + std::to_string(lCol) + " is outside 1.." + std::to_string(m_nCols));
  }
  // The column's display position; a column missing from the order map
  // is taken as a display position itself.
  int t = lCol - 1;
  if (int p = FindDisplayPosition(t); p >= 0) t = p;
  if (t == m_nFirstCol) return;
  int d = m_nFirstCol - t;
  UINT code = d < 0 ? SB_LINERIGHT : SB_LINELEFT;
  {
    // Thousands of steps each moving the whole client area cost seconds;
    // the repaint below draws every pixel anyway.
    struct PixelsDeferred {
      bool& flag;
      explicit PixelsDeferred(bool& f) : flag(f) { flag = true; }
      ~PixelsDeferred() { flag = false; }
    } deferred(m_bWholeRepaintFollows);
    for (int i = d < 0 ? -d : d; i > 0; --i) SendMessage(WM_HSCROLL, code, 0);
  }
  m_nFirstCol = t;
  InvalidateControl(nullptr, TRUE);
}

}  // namespace TzGrid
