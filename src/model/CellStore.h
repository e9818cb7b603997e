// The cells of a grid, made when first needed.
//
// A cell nobody wrote to is seen by a host only through its creation values
// (empty text, colours 0, flags 0, item data 0), so the store makes no cell,
// and no row, until a member writes one or the grid needs a cell object
// that stays put (the focus cell, the edited cell). An empty million-row
// grid then costs one row pointer per row, and resizing costs what the
// made rows hold, not rows x columns.
#pragma once

#include <vector>

#include "../framework/afx.h"
#include "GridCell.h"

namespace TzGrid {

class CCellStore {
 public:
  CCellStore();
  ~CCellStore();
  CCellStore(const CCellStore&) = delete;
  CCellStore& operator=(const CCellStore&) = delete;

  int RowCount() const noexcept { return m_rows.GetSize(); }
  int ColumnCount() const noexcept { return m_nCols; }

  // The cell at (nRow, nCol), or null while it has not been made. Raises
  // the invalid-argument exception for an index outside the store.
  CGridCell* Find(int nRow, int nCol) const;
  // The cell at (nRow, nCol), made with its creation values when it has not
  // been made yet; it never moves afterwards. Raises the invalid-argument
  // exception for an index outside the store and the memory exception when
  // the cell cannot be made (nothing is lost then).
  CGridCell* Make(int nRow, int nCol);

  // The row's cells in column order (null where none was made), or null
  // for a row without a made cell.
  const CGridRow* RowOrNull(int nRow) const { return m_rows.GetAt(nRow); }
  std::size_t MadeCellCount() const noexcept { return m_cellSlots.GetLiveCount(); }
  std::size_t MadeRowCount() const noexcept { return m_rowSlots.GetLiveCount(); }

  // A resize in two steps: Reserve takes every piece of memory the resize
  // needs (raising the memory exception, with nothing changed, when it
  // cannot), then Resize cannot fail. Cells outside the new size are
  // destroyed; focus is cleared when it points at one of them.
  void Reserve(int nCols, int nRows);
  void Resize(int nCols, int nRows, CGridCell*& focus) noexcept;
  // Destroys every cell and row: the store is 0 x 0.
  void Clear() noexcept;

 private:
  CGridRow* NewRow();
  void DeleteRow(CGridRow* row) noexcept;
  void DeleteCells(CGridRow& row, int fromCol, CGridCell*& focus) noexcept;

  CGridRows m_rows;  // one entry per row; null for a row with no made cell
  int m_nCols = 0;
  CFixedSlabAlloc m_cellSlots{sizeof(CGridCell)};
  CFixedSlabAlloc m_rowSlots{sizeof(CGridRow)};
};

}  // namespace TzGrid
