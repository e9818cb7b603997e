// Where rows, columns and cells lie on the client area, and what lies under
// a point. Every answer follows the layout arrays as they are at the call,
// so widths, heights, order and scroll indices may change between two calls
// (the row sums come from a cache that the arrays' change counts keep true).
// All reads go through the checked arrays: an index the layout does not hold
// raises the invalid-argument exception before any out-parameter is written.
#include "../model/LayoutMath.h"
#include "../model/TzGridCtrl.h"

namespace TzGrid {

namespace {

// The tolerance of the column-border test, on each side of the border.
constexpr int kBorderSlack = 3;

// Width of the column shown at display position p.
UINT WidthAtPosition(const CTzGridCtrl& g, int p) {
  return g.m_arColWidths.GetAt(int(g.m_arColOrder.GetAt(p)));
}

// The fixed strip takes its widths by column index, not through the order map.
int FixedWidth(const CTzGridCtrl& g) { return g.ColumnWidthSum(0, g.FixedColsInUse()); }

int FixedHeight(const CTzGridCtrl& g) { return g.RowHeightSum(0, g.FixedRowsInUse()); }

// Top of a row and the row at which the scan stopped (the row itself when it
// has a place, else m_nRows). Fixed rows (and negative ones) are stacked from
// the top of the control, the others from the bottom of the fixed band.
struct RowScan {
  int top;
  int stoppedAt;
};

RowScan ScanToRow(const CTzGridCtrl& g, int nRow) {
  int first;
  int y;
  if (nRow <= g.FixedRowsInUse() - 1) {
    first = 0;
    y = 0;
  } else {
    first = g.m_nTopRow;
    y = FixedHeight(g);
  }
  // Where a walk from the first row would stop: at the row itself when it
  // lies ahead, else where the rows run out. The heights up to there come
  // from the model's prefix sums, which fail exactly where the walk would
  // (a host filling a million rows calls this once per cell).
  int stop = first;
  if (first <= nRow && nRow < g.m_nRows) {
    stop = nRow;
  } else if (first < g.m_nRows) {
    stop = g.m_nRows;
  }
  y = AddPixels(y, UINT(g.RowHeightSum(first, stop)));
  return {y, stop};
}

// Left edge of a column index in the scrolled region and the display
// position at which the scan stopped (the column's own when it is shown,
// else the first position past the scan).
struct ColumnScan {
  int left;
  int stoppedAt;
};

ColumnScan ScanToColumn(const CTzGridCtrl& g, int nCol) {
  int x = FixedWidth(g);
  int p = g.m_nFirstCol;
  for (; p < g.m_nCols && g.m_arColOrder.GetAt(p) != UINT(nCol); ++p) x = AddPixels(x, WidthAtPosition(g, p));
  return {x, p};
}

}  // namespace

int CTzGridCtrl::GetColumnAtPoint(CPoint pt) {
  int fixedWidth = FixedWidth(*this);
  if (pt.x < 0 || pt.x < fixedWidth) return -1;

  int acc = fixedWidth;
  int p = m_nFirstCol;
  if (p < 0) {
    // Positions below zero add no width, so only x = the strip's edge can
    // fall on them, and then on the first one; skip the rest in one step
    // instead of walking up from a far negative index.
    if (pt.x <= acc) return p;
    p = 0;
  }
  for (; p < m_nCols; ++p) {
    acc = AddPixels(acc, WidthAtPosition(*this, p));
    // Less-or-equal: the first pixel of the next cell still counts as this one.
    if (pt.x <= acc) return p;
  }
  return -1;
}

int CTzGridCtrl::GetRowAtPoint(CPoint pt) {
  int fixedHeight = FixedHeight(*this);
  if (pt.y < 0) return -1;

  // The row whose running bottom edge first reaches pt.y (pt.y <= acc, that
  // is acc > pt.y - 1): the first pixel of the next row still counts as
  // this one. Searched in the row sums, not walked.
  if (pt.y >= fixedHeight) {
    int r = FindRowPassing(m_nTopRow, fixedHeight, pt.y - 1);
    return r < m_nRows ? r : -1;
  }
  const int fixedRows = FixedRowsInUse();
  int r = m_rowSums.FindPassing(m_arRowHeights, fixedRows, 0, 0, pt.y - 1);
  return r < fixedRows ? r : -1;
}

int CTzGridCtrl::GetColumnBorderAtPoint(CPoint pt, int& borderX) {
  // Only the header band answers; its bottom pixel row y = FH still counts.
  if (pt.y > FixedHeight(*this)) return -1;

  int acc = FixedWidth(*this);
  for (int p = m_nFirstCol; p < m_nCols; ++p) {
    acc = AddPixels(acc, WidthAtPosition(*this, p));
    // Compared in 64 bits so that a point at the ends of the int range
    // cannot overflow the window arithmetic.
    std::int64_t x = pt.x;
    if (x - kBorderSlack <= acc && acc <= x + kBorderSlack) {
      borderX = acc;
      return p;
    }
  }
  return -1;
}

void CTzGridCtrl::GetCellOrigin(int nRow, int nCol, CPoint* pPoint) {
  // A row or column the scans never meet is not an error here: the origin
  // then lies just past the last row or column, which callers that only
  // want to invalidate can live with.
  RowScan row = ScanToRow(*this, nRow);
  ColumnScan column = ScanToColumn(*this, nCol);
  *pPoint = CPoint(column.left, row.top);
}

void CTzGridCtrl::GetCellRect(int nRow, int nCol, CRect* pRect) {
  // Unlike the origin, the size comes from the row and position where the
  // scans stopped; a cell without a place (scrolled off, or past the end)
  // makes that read fail, which is what callers that check first rely on.
  RowScan row = ScanToRow(*this, nRow);
  int bottom = SubPixels(AddPixels(row.top, m_arRowHeights.GetAt(row.stoppedAt)), 1);
  ColumnScan column = ScanToColumn(*this, nCol);
  int right = SubPixels(AddPixels(column.left, WidthAtPosition(*this, column.stoppedAt)), 1);
  *pRect = CRect(column.left, row.top, right, bottom);
}

}  // namespace TzGrid
