// The cells of a grid, made a row at a time when first needed.
//
// A cell nobody wrote to is seen by a host only through its creation values
// (empty text, colours 0, flags 0, item data 0), so the store makes no row
// until a member writes one of its cells or the grid needs a cell object
// (the focus cell, the edited cell, the painted header band). A made row
// holds its cells side by side, in column order, so a filled grid costs
// the cell records and one row pointer per row; an empty million-row grid
// costs the row pointers only, and resizing costs what the made rows hold,
// not rows x columns.
//
// A cell stays where it is until the column count grows past what its row
// was made for: then every made row moves to a wider block, and the focus
// cell pointer handed to Resize follows its cell.
#pragma once

#include <memory>
#include <vector>

#include "../framework/afx.h"
#include "GridCell.h"
#include "GridExtent.h"

namespace TzGrid {

class CCellStore {
 public:
  // The counts are the grid's extent; the store keeps one row entry per row
  // and, in each made row, one cell per column.
  explicit CCellStore(const CGridExtent& extent);
  ~CCellStore();
  CCellStore(const CCellStore&) = delete;
  CCellStore& operator=(const CCellStore&) = delete;

  int RowCount() const noexcept { return m_extent.Rows(); }
  int ColumnCount() const noexcept { return m_extent.Columns(); }

  // The cell at (nRow, nCol), or null while its row has not been made.
  // Raises the invalid-argument exception for an index outside the store.
  CGridCell* Find(int nRow, int nCol) const;
  // The cell at (nRow, nCol), its row made with creation values when it has
  // not been made yet. Raises the invalid-argument exception for an index
  // outside the store and the memory exception when the row cannot be made
  // (nothing is lost then).
  CGridCell* Make(int nRow, int nCol);

  // The row's cells in column order (ColumnCount() of them), or null for a
  // row not made. Raises the invalid-argument exception for a bad index.
  CGridCell* RowCells(int nRow) const { return m_rows.GetAt(nRow); }
  std::size_t MadeRowCount() const noexcept { return m_madeRows; }
  std::size_t MadeCellCount() const noexcept { return m_madeRows * std::size_t(ColumnCount()); }

  // A resize in two steps: Reserve takes every piece of memory the resize
  // needs (raising the memory exception, with nothing changed, when it
  // cannot), then Resize cannot fail. Both run while the extent still has
  // the old counts, which say how far the made rows are filled; the extent
  // takes the new counts after Resize. Cells outside the new size are
  // destroyed; focus is cleared when it points at one of them and follows
  // its cell when the cell moves.
  void Reserve(int nCols, int nRows);
  void Resize(int nCols, int nRows, CGridCell*& focus) noexcept;
  // Destroys every cell and row, as the extent is about to become 0 x 0.
  void Clear() noexcept;

  // Bytes one made row of nCols columns takes, for the memory check before a resize.
  static std::size_t RowBytes(int nCols) noexcept { return std::size_t(nCols) * sizeof(CGridCell); }

 private:
  class RowBlocks;

  CGridCell* NewRow(int nRow);
  void DeleteRow(CGridCell* row, CGridCell*& focus) noexcept;
  void DestroyCells(CGridCell* row, int fromCol, int toCol, CGridCell*& focus) noexcept;
  void WidenRows(int nCols, CGridCell*& focus) noexcept;
  void DropWiderRows() noexcept;

  const CGridExtent& m_extent;
  // One entry per row: the row's first cell, or null for a row not made.
  CTypedPtrArray<CObArray, CGridCell*> m_rows;
  std::size_t m_madeRows = 0;
  // Blocks of m_rowCapacity cells each; after a shrink rows keep their wider blocks.
  int m_rowCapacity = 0;
  std::unique_ptr<RowBlocks> m_blocks;
  // Taken by Reserve for a resize that widens the rows: the wider blocks, one per made row.
  std::unique_ptr<RowBlocks> m_widerBlocks;
  std::vector<void*> m_widerRows;
};

}  // namespace TzGrid
