// One cell of the grid.
#pragma once

#include "../framework/afx.h"

namespace TzGrid {

// The record is packed to 4-byte alignment with the text and the 8-byte
// member first, so that twenty million of them cost 60 bytes each (the
// fields alone take 58), a text of up to 11 characters included.
// No cell carries a font of its own: cells are drawn in the grid's fonts.
// Cells live in their row's block in the cell store (CCellStore::Make),
// made a row at a time when first needed, and are destroyed by the store.
#pragma pack(push, 4)
class CGridCell : public CObject {
 public:
  CGridCell(int nRow, int nCol) noexcept : m_nRow(nRow), m_nCol(nCol) {}

  CString m_strText;              // the cell text
  std::uint64_t m_dwItemData = 0; // the host's value; the interface carries the low 32 bits
  std::int32_t m_bReadOnly = 0;   // non-zero: not editable by the user
  int m_nRow;                     // row index
  int m_nCol;                     // column index (never a display position)
  COLORREF m_clrBack = 0;         // 0: the grid's background
  COLORREF m_clrText = 0;         // 0: the colour 0x010101
  std::int16_t m_nJustify = 0;    // 0 left, 1 centre, 2 right
  std::uint16_t m_nSortState = 0; // 0 none, 1 "(A)", 2 " (D)"
  bool m_bHeader = false;         // drawn in header style in the header band
  bool m_bBold = false;           // recorded only; drawing does not consult it
};
#pragma pack(pop)
static_assert(sizeof(CGridCell) == 60, "the cell record packs to 60 bytes");


}  // namespace TzGrid
