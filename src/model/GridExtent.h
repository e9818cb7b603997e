// How many rows and columns the grid has: the one place the two counts are
// kept. The control reads them as m_nRows and m_nCols; the layout room and
// the cell store, which hold per-row and per-column storage, answer their
// RowCount() and ColumnCount() from here, so no two rooms can disagree on a
// count.
//
// The counts change only in a resize (CTzGridCtrl::ResizeGrid) and when the
// whole matrix is freed. A resize first fits the store and the layout to the
// new counts, each reading the old ones here, and then writes the new counts:
// between the two steps nothing asks.
#pragma once

namespace TzGrid {

class CTzGridCtrl;

class CGridExtent {
 public:
  int Rows() const noexcept { return m_nRows; }
  int Columns() const noexcept { return m_nCols; }

 private:
  friend class CTzGridCtrl;  // writes the counts, and reads them by their usual names

  int m_nCols = 0;
  int m_nRows = 0;
};

}  // namespace TzGrid
