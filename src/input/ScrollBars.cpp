// Scroll-bar set-up and the visible extent of the grid.
#include "../model/LayoutMath.h"
#include "../model/TzGridCtrl.h"

namespace TzGrid {

namespace {

// UpdateScrollBars runs at the end of every paint, and a window system may
// redraw a whole bar for a call that changes nothing (Wine repaints its
// themed bar, a few milliseconds each time). The bar is set only when its
// range, page or position differ from what it holds; a position the system
// clamped differs from the one asked for, so such a bar is set again, as
// before.
void SetBarIfChanged(CTzGridCtrl& grid, int nBar, SCROLLINFO& wanted) {
  SCROLLINFO held{};
  if (grid.GetScrollInfo(nBar, &held, SIF_RANGE | SIF_PAGE | SIF_POS) && held.nMin == wanted.nMin &&
      held.nMax == wanted.nMax && held.nPage == wanted.nPage && held.nPos == wanted.nPos) {
    return;
  }
  grid.SetScrollInfo(nBar, &wanted, TRUE);
}

}  // namespace

void CTzGridCtrl::UpdateScrollBars() {
  if (!IsWindow()) return;
  int totalW = ColumnWidthSum(0, m_nCols);
  int totalH = RowHeightSum(0, m_nRows);
  int fixedH = RowHeightSum(0, FixedRowsInUse());
  CRect client;
  GetClientRect(&client);

  SCROLLINFO horz;
  horz.fMask = SIF_RANGE | SIF_PAGE | SIF_POS;
  horz.nMin = 0;
  if (client.Width() < totalW) {
    // The width left out is that of the highest column index, not of the
    // last display position: hosts rely on the range as it has always been.
    horz.nMax = AddPixels(SubPixels(totalW, int(m_layout.WidthOfColumn(m_nCols - 1))), UINT(client.Width()));
    horz.nPage = UINT(client.Width());
  } else {
    m_nFirstCol = FixedColsInUse();
    m_nHScrollPos = 0;
    horz.nMax = 0;
    horz.nPage = 0;
  }
  horz.nPos = m_nHScrollPos;
  SetBarIfChanged(*this, SB_HORZ, horz);

  SCROLLINFO vert;
  vert.fMask = SIF_RANGE | SIF_PAGE | SIF_POS;
  vert.nMin = 0;
  if (client.Height() < totalH) {
    vert.nMax = AddPixels(SubPixels(SubPixels(totalH, fixedH), int(m_layout.HeightOfRow(m_nRows - 1))), UINT(client.Height()));
    vert.nPage = UINT(client.Height());
  } else {
    m_nTopRow = FixedRowsInUse();
    m_nVScrollPos = 0;
    vert.nMax = 0;
    vert.nPage = 0;
  }
  vert.nPos = m_nVScrollPos;
  SetBarIfChanged(*this, SB_VERT, vert);
}

int CTzGridCtrl::GetLastVisibleColumn() const {
  if (!IsWindow()) return 0;
  if (m_nCols < 1) return m_nCols;
  CRect client;
  GetClientRect(&client);
  int limit = AddPixels(SubPixels(m_nHScrollPos, client.left), UINT(client.right));
  // The first position whose running right edge passes the limit, found
  // in the cached sums rather than walked: the painter asks once per cell.
  return m_layout.FindPositionPassing(limit);
}

int CTzGridCtrl::GetLastVisibleRow() const {
  if (m_nRows < 1) return m_nRows;
  CRect client;
  GetClientRect(&client);
  int limit = AddPixels(SubPixels(m_nVScrollPos, client.top), UINT(client.bottom));
  return FindRowPassing(0, 0, limit);
}

void CTzGridCtrl::OnSize(UINT nType, int cx, int cy) {
  COleControl::OnSize(nType, cx, cy);
  UpdateScrollBars();
}

}  // namespace TzGrid
