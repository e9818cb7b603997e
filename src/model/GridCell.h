// One cell of the grid.
#pragma once

#include "../framework/afx.h"

namespace TzGrid {

class CGridCell : public CObject {
 public:
  CGridCell(int nRow, int nCol) noexcept : m_nRow(nRow), m_nCol(nCol) {}

  std::int32_t m_bReadOnly = 0;   // non-zero: not editable by the user
  CString m_strText;              // the cell text
  int m_nRow;                     // row index
  int m_nCol;                     // column index (never a display position)
  COLORREF m_clrBack = 0;         // 0: the grid's background
  std::int16_t m_nJustify = 0;    // 0 left, 1 centre, 2 right
  bool m_bHeader = false;         // drawn in header style in the header band
  std::uint16_t m_nSortState = 0; // 0 none, 1 "(A)", 2 " (D)"
  std::uint64_t m_dwItemData = 0; // the host's value; the interface carries the low 32 bits
  CFont m_font;                   // per-cell font; nothing creates it
  bool m_bBold = false;           // recorded only; drawing does not consult it
  COLORREF m_clrText = 0;         // 0: the colour 0x010101
};

using CGridRow = CTypedPtrArray<CObArray, CGridCell*>;
using CGridRows = CTypedPtrArray<CObArray, CGridRow*>;

}  // namespace TzGrid
