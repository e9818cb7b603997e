// One cell of the grid.
#pragma once

#include "../framework/afx.h"

namespace TzGrid {

// The record is packed to 4-byte alignment with the 8-byte members first, so
// that twenty million of them cost 52 bytes each (the fields alone take 50).
// Cells live in the grid's slab of cell slots (CTzGridCtrl::NewCell), never
// move, and are destroyed by their owner's DeleteCell.
#pragma pack(push, 4)
class CGridCell : public CObject {
 public:
  CGridCell(int nRow, int nCol) noexcept : m_nRow(nRow), m_nCol(nCol) {}

  CString m_strText;              // the cell text
  std::uint64_t m_dwItemData = 0; // the host's value; the interface carries the low 32 bits
  CFont m_font;                   // per-cell font; nothing creates it
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
static_assert(sizeof(CGridCell) == 52, "the cell record packs to 52 bytes");

using CGridRow = CTypedPtrArray<CObArray, CGridCell*>;
using CGridRows = CTypedPtrArray<CObArray, CGridRow*>;

}  // namespace TzGrid
