// One cell of the grid.
#pragma once

#include "../framework/afx.h"

namespace TzGrid {

// The record is packed to 4-byte alignment with the 8-byte members first, so
// that twenty million of them cost 44 bytes each (the fields alone take 42).
// No cell carries a font of its own: cells are drawn in the grid's fonts.
// Cells live in the cell store's slab of slots (CCellStore::Make), made when
// first needed; they never move and are destroyed by the store.
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
static_assert(sizeof(CGridCell) == 44, "the cell record packs to 44 bytes");

using CGridRow = CTypedPtrArray<CObArray, CGridCell*>;
using CGridRows = CTypedPtrArray<CObArray, CGridRow*>;

}  // namespace TzGrid
