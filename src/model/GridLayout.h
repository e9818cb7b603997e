// The layout room: where every column and row of the grid lies. It owns the
// column widths (by column index), the row heights (by row index), the
// column order map (display position to column index), the fixed counts and
// the scroll origin, and the caches over the sizes. The arrays change only
// through the writes below, and each write drops what the caches knew about
// it; there is no other way to change them, so no answer can be stale.
//
// Every query names its index space: a column index names a column of the
// matrix, a display position the place where one is shown; rows have one
// index space. Reads are checked like the platform's arrays: an index the
// layout does not hold raises the invalid-argument exception, and a query
// fails exactly where a walk over the arrays from the start would fail.
#pragma once

#include <vector>

#include "../framework/afx.h"
#include "ColumnCache.h"
#include "GridExtent.h"
#include "PrefixSums.h"

namespace TzGrid {

class CTzGridCtrl;

class CGridLayout {
 public:
  // The layout keeps the sizes of the rows and columns the extent counts.
  explicit CGridLayout(const CGridExtent& extent) noexcept : m_extent(extent) {}
  CGridLayout(const CGridLayout&) = delete;
  CGridLayout& operator=(const CGridLayout&) = delete;

  // ---- counts, as the extent has them: a resize fits the three arrays to
  // them (widths and order map one entry a column, heights one a row)
  int ColumnCount() const noexcept { return m_extent.Columns(); }
  int RowCount() const noexcept { return m_extent.Rows(); }

  // ---- the stored arrays, for reading only
  const CUIntArray& ColumnWidths() const noexcept { return m_arColWidths; }
  const CUIntArray& RowHeights() const noexcept { return m_arRowHeights; }
  const CUIntArray& ColumnOrder() const noexcept { return m_arColOrder; }

  // ---- single entries, by their own index space
  UINT WidthOfColumn(int nCol) const { return m_arColWidths.GetAt(nCol); }
  UINT HeightOfRow(int nRow) const { return m_arRowHeights.GetAt(nRow); }
  int ColumnAtPosition(int nPos) const { return int(m_arColOrder.GetAt(nPos)); }
  UINT WidthAtPosition(int nPos) const { return m_arColWidths.GetAt(ColumnAtPosition(nPos)); }
  // The first display position showing nCol; -1 when the map holds none.
  int PositionOfColumn(int nCol) const { return m_positions.FindPosition(m_arColOrder, ColumnCount(), nCol); }

  // ---- sums and searches over the sizes, from the caches
  // Widths of the columns from .. to-1, by column index; heights of rows
  // from .. to-1. Both wrap to 32 bits as AddPixels adds.
  int ColumnWidthSum(int from, int to) const { return m_widthSums.Sum(m_arColWidths, from, to); }
  int RowHeightSum(int from, int to) const { return m_heightSums.Sum(m_arRowHeights, from, to); }
  // The first row r in from .. count-1 at which acc plus the heights from ..
  // r is greater than limit; count when there is none.
  int FindRowPassing(int from, int acc, int limit) const { return FindRowPassingWithin(RowCount(), from, acc, limit); }
  int FindRowPassingWithin(int count, int from, int acc, int limit) const {
    return m_heightSums.FindPassing(m_arRowHeights, count, from, acc, limit);
  }
  // The first column index whose widths from column 0, by index, add up to
  // more than limit; ColumnCount() when none.
  int FindColumnPassing(int limit) const {
    return m_widthSums.FindPassing(m_arColWidths, ColumnCount(), 0, 0, limit);
  }
  // The first display position whose widths from position 0 add up to
  // more than limit; ColumnCount() when none.
  int FindPositionPassing(int limit) const {
    return m_positions.FindPassing(m_arColOrder, m_arColWidths, ColumnCount(), limit);
  }

  // ---- the fixed band and strip
  // The fixed counts as the layout uses them: a stored count above the
  // matrix (the fixed rows take any value, a shrink may leave one) is
  // bounded to 0 .. count.
  int FixedRowsInUse() const noexcept;
  int FixedColsInUse() const noexcept;
  // The strip takes its widths by column index, not through the order map.
  int FixedWidth() const { return ColumnWidthSum(0, FixedColsInUse()); }
  int FixedHeight() const { return RowHeightSum(0, FixedRowsInUse()); }

  // ---- the scroll origin
  int FirstScrolledPosition() const noexcept { return m_nFirstCol; }
  int TopScrolledRow() const noexcept { return m_nTopRow; }
  int HorizontalScrollPixels() const noexcept { return m_nHScrollPos; }
  int VerticalScrollPixels() const noexcept { return m_nVScrollPos; }

  // ---- client pixels (x right, y down, from the client area's corner)
  // The display position of the scrolled column under x; -1 over the fixed
  // strip and right of the last column.
  int PositionAtX(int x) const;
  // The row under y, in the fixed band or among the scrolled rows; -1 when none.
  int RowAtY(int y) const;
  // The display position whose right border lies within the slack of x,
  // tested in the header band only; borderX receives the border on success.
  int PositionWithBorderNear(CPoint pt, int& borderX) const;
  // The top-left corner of a cell (row index, column index); a row or column
  // without a place gets the corner just past the last one.
  CPoint CellOrigin(int nRow, int nCol) const;
  // The top of a row (row index); a row without a place gets the top just
  // past the last row. No column is looked at.
  int TopOfRow(int nRow) const { return ScanToRow(nRow).top; }
  // The cell's rectangle, right and bottom inclusive; raises for a cell
  // without a place (scrolled off, or past the end).
  CRect CellRect(int nRow, int nCol) const;

  // ---- writes; each forgets what the caches derived from what it changes
  void SetWidthOfColumn(int nCol, UINT width);
  void SetHeightOfRow(int nRow, UINT height);
  // Any column value is stored: a host writes a permutation entry by entry.
  void SetColumnAtPosition(int nPos, UINT nCol);
  // The column shown at 'from' moves to 'to'; those between shift by one
  // towards 'from'. Both are checked before the map changes.
  void MoveDisplayPosition(int from, int to);
  // Room for the arrays of a grid of nCols x nRows, taken before a resize
  // so that the resize itself cannot fail half way; raises when out of memory.
  void Reserve(int nCols, int nRows);
  // A resize fits the arrays to the counts the extent is about to take.
  // New rows get 'height'; the remaining ones keep theirs.
  void ResizeRows(int nRows, UINT height);
  // New columns get 'width' and the display position equal to their index.
  // A shrink keeps the order map a permutation: surviving columns keep the
  // relative order of their first entries, repeated entries and those of
  // removed columns go, and surviving columns the map missed follow in index
  // order. 'listed' holds nCols flags set aside by the reservation.
  void ResizeColumns(int nCols, UINT width, std::vector<bool>& listed);
  // Empties the arrays, as the extent is about to become 0 x 0.
  void Clear() noexcept;

 private:
  friend class CTzGridCtrl;  // reaches the fixed counts and the scroll origin under their own names

  void ForgetHeights() noexcept { m_heightSums.Forget(); }
  void ForgetWidths() noexcept {
    m_widthSums.Forget();
    m_positions.ForgetSums();
  }
  void ForgetOrder() noexcept { m_positions.Forget(); }
  // The left edge of column nCol in the scrolled region and the display
  // position at which the scan stopped (nCol's own, else past the scan).
  struct ColumnScan {
    int left;
    int stoppedAt;
  };
  ColumnScan ScanToColumn(int nCol) const;
  // The top of a row and the row at which the scan stopped (the row itself
  // when it has a place, else RowCount()).
  struct RowScan {
    int top;
    int stoppedAt;
  };
  RowScan ScanToRow(int nRow) const;

  const CGridExtent& m_extent;
  CUIntArray m_arColWidths;   // by column index
  CUIntArray m_arRowHeights;  // by row index
  CUIntArray m_arColOrder;    // display position -> column index
  int m_nFixedCols = 0;
  int m_nFixedRows = 0;
  int m_nFirstCol = 0;    // first scrolled display position shown
  int m_nTopRow = 0;      // first scrolled row shown
  int m_nHScrollPos = 0;  // scroll positions in pixels
  int m_nVScrollPos = 0;

  CPrefixSums m_heightSums;
  CPrefixSums m_widthSums;  // widths by column index
  CColumnCache m_positions;
};

}  // namespace TzGrid
