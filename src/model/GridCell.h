// One cell of the grid, as the control names it.
#pragma once

#include "../framework/afx.h"

namespace TzGrid {

// A cell's place: its row and column index. It holds none of the cell's
// data: the text and the attributes live in the grid's cell store
// (CellStore.h), which reads and writes them by place. Naming cells by
// place rather than by address keeps the store's records as small as
// their texts (they need not know where they are), and a place stays
// true when the store moves a row to a wider block. The default place
// names no cell (the grid without focus).
struct CGridCell {
  int m_nRow = -1;  // row index
  int m_nCol = -1;  // column index (never a display position)

  constexpr CGridCell() noexcept = default;
  constexpr CGridCell(int nRow, int nCol) noexcept : m_nRow(nRow), m_nCol(nCol) {}

  explicit constexpr operator bool() const noexcept { return m_nRow >= 0 && m_nCol >= 0; }
  friend constexpr bool operator==(const CGridCell&, const CGridCell&) = default;
};

}  // namespace TzGrid
