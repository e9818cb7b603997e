#include "GridLayout.h"

#include <algorithm>
#include <cstdint>

#include "LayoutMath.h"

namespace TzGrid {

namespace {

// The tolerance of the column-border test, on each side of the border.
constexpr int kBorderSlack = 3;

}  // namespace

int CGridLayout::FixedRowsInUse() const noexcept {
  const int rows = RowCount();
  return m_nFixedRows < 0 ? 0 : m_nFixedRows > rows ? rows : m_nFixedRows;
}

int CGridLayout::FixedColsInUse() const noexcept {
  const int cols = ColumnCount();
  return m_nFixedCols < 0 ? 0 : m_nFixedCols > cols ? cols : m_nFixedCols;
}

// ---- client pixels

int CGridLayout::PositionAtX(int x) const {
  const int fixedWidth = FixedWidth();
  if (x < 0 || x < fixedWidth) return -1;

  int acc = fixedWidth;
  int p = m_nFirstCol;
  if (p < 0) {
    // Positions below zero add no width, so only x = the strip's edge can
    // fall on them, and then on the first one; skip the rest in one step
    // instead of walking up from a far negative index.
    if (x <= acc) return p;
    p = 0;
  }
  for (const int count = ColumnCount(); p < count; ++p) {
    acc = AddPixels(acc, WidthAtPosition(p));
    // Less-or-equal: the first pixel of the next cell still counts as this one.
    if (x <= acc) return p;
  }
  return -1;
}

int CGridLayout::RowAtY(int y) const {
  const int fixedHeight = FixedHeight();
  if (y < 0) return -1;

  // The row whose running bottom edge first reaches y (y <= acc, that is
  // acc > y - 1): the first pixel of the next row still counts as this
  // one. Searched in the row sums, not walked.
  if (y >= fixedHeight) {
    const int r = FindRowPassing(m_nTopRow, fixedHeight, y - 1);
    return r < RowCount() ? r : -1;
  }
  const int fixedRows = FixedRowsInUse();
  const int r = FindRowPassingWithin(fixedRows, 0, 0, y - 1);
  return r < fixedRows ? r : -1;
}

int CGridLayout::PositionWithBorderNear(CPoint pt, int& borderX) const {
  // Only the header band answers; its bottom pixel row y = FH still counts.
  if (pt.y > FixedHeight()) return -1;

  int acc = FixedWidth();
  for (int p = m_nFirstCol, count = ColumnCount(); p < count; ++p) {
    acc = AddPixels(acc, WidthAtPosition(p));
    // Compared in 64 bits so that a point at the ends of the int range
    // cannot overflow the window arithmetic.
    const std::int64_t x = pt.x;
    if (x - kBorderSlack <= acc && acc <= x + kBorderSlack) {
      borderX = acc;
      return p;
    }
  }
  return -1;
}

CGridLayout::RowScan CGridLayout::ScanToRow(int nRow) const {
  const int rows = RowCount();
  int first;
  int y;
  // Fixed rows (and negative ones) are stacked from the top of the control,
  // the others from the bottom of the fixed band.
  if (nRow <= FixedRowsInUse() - 1) {
    first = 0;
    y = 0;
  } else {
    first = m_nTopRow;
    y = FixedHeight();
  }
  // Where a walk from the first row would stop: at the row itself when it
  // lies ahead, else where the rows run out. The heights up to there come
  // from the prefix sums, which fail exactly where the walk would (a host
  // filling a million rows asks once per cell).
  int stop = first;
  if (first <= nRow && nRow < rows) {
    stop = nRow;
  } else if (first < rows) {
    stop = rows;
  }
  return {AddPixels(y, UINT(RowHeightSum(first, stop))), stop};
}

CGridLayout::ColumnScan CGridLayout::ScanToColumn(int nCol) const {
  int x = FixedWidth();
  int p = m_nFirstCol;
  for (const int count = ColumnCount(); p < count && m_arColOrder.GetAt(p) != UINT(nCol); ++p) {
    x = AddPixels(x, WidthAtPosition(p));
  }
  return {x, p};
}

CPoint CGridLayout::CellOrigin(int nRow, int nCol) const {
  const RowScan row = ScanToRow(nRow);
  const ColumnScan column = ScanToColumn(nCol);
  return CPoint(column.left, row.top);
}

CRect CGridLayout::CellRect(int nRow, int nCol) const {
  // The size comes from the row and position where the scans stopped; a
  // cell without a place makes that read fail, which is what callers that
  // check first rely on.
  const RowScan row = ScanToRow(nRow);
  const int bottom = SubPixels(AddPixels(row.top, HeightOfRow(row.stoppedAt)), 1);
  const ColumnScan column = ScanToColumn(nCol);
  const int right = SubPixels(AddPixels(column.left, WidthAtPosition(column.stoppedAt)), 1);
  return CRect(column.left, row.top, right, bottom);
}

// ---- writes

void CGridLayout::SetWidthOfColumn(int nCol, UINT width) {
  m_arColWidths.SetAt(nCol, width);
  ForgetWidths();
}

void CGridLayout::SetHeightOfRow(int nRow, UINT height) {
  m_arRowHeights.SetAt(nRow, height);
  ForgetHeights();
}

void CGridLayout::SetColumnAtPosition(int nPos, UINT nCol) {
  m_arColOrder.SetAt(nPos, nCol);
  ForgetOrder();
}

void CGridLayout::MoveDisplayPosition(int from, int to) {
  const int count = m_arColOrder.GetSize();
  AfxCheckIndex(from, count, "display position");
  AfxCheckIndex(to, count, "display position");
  // Rotated in place: a move allocates nothing and so cannot fail half way.
  UINT* entries = m_arColOrder.GetData();
  if (to < from) {
    std::rotate(entries + to, entries + from, entries + from + 1);
  } else if (to > from) {
    std::rotate(entries + from, entries + from + 1, entries + to + 1);
  }
  ForgetOrder();
}

void CGridLayout::Reserve(int nCols, int nRows) {
  if (nRows > m_arRowHeights.GetSize()) m_arRowHeights.Reserve(nRows);
  if (nCols > m_arColWidths.GetSize()) {
    m_arColWidths.Reserve(nCols);
    m_arColOrder.Reserve(nCols);
  }
}

void CGridLayout::ResizeRows(int nRows, UINT height) {
  const int oldRows = m_arRowHeights.GetSize();
  if (nRows == oldRows) return;
  m_arRowHeights.SetSize(nRows);
  if (nRows > oldRows) std::fill(m_arRowHeights.GetData() + oldRows, m_arRowHeights.GetData() + nRows, height);
  ForgetHeights();
}

void CGridLayout::ResizeColumns(int nCols, UINT width, std::vector<bool>& listed) {
  const int oldCols = m_arColWidths.GetSize();
  if (nCols == oldCols) return;
  m_arColWidths.SetSize(nCols);
  if (nCols < oldCols) {
    // In place (the map is longer than nCols), with the flags set aside by
    // the reservation, so that it cannot fail.
    int kept = 0;
    for (int p = 0; p < m_arColOrder.GetSize(); ++p) {
      const UINT col = m_arColOrder.GetAt(p);
      if (col < UINT(nCols) && !listed[col]) {
        listed[col] = true;
        m_arColOrder.SetAt(kept++, col);
      }
    }
    for (int col = 0; col < nCols; ++col) {
      if (!listed[std::size_t(col)]) m_arColOrder.SetAt(kept++, UINT(col));
    }
  }
  m_arColOrder.SetSize(nCols);
  for (int c = oldCols; c < nCols; ++c) {
    m_arColWidths.SetAt(c, width);
    m_arColOrder.SetAt(c, UINT(c));
  }
  ForgetWidths();
  ForgetOrder();
}

void CGridLayout::Clear() noexcept {
  m_arColWidths.RemoveAll();
  m_arColOrder.RemoveAll();
  m_arRowHeights.RemoveAll();
  ForgetWidths();
  ForgetOrder();
  ForgetHeights();
}

}  // namespace TzGrid
