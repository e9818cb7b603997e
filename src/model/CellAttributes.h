// What a cell holds besides its text.
#pragma once

#include <cstdint>

#include "../framework/afx.h"

namespace TzGrid {

// Almost every cell keeps all of these at their creation values, so the
// cell store keeps them aside, for the cells that have any set.
struct CCellAttributes {
  std::uint32_t dwItemData = 0;  // the host's value (the interface carries 32 bits)
  COLORREF clrBack = 0;          // 0: the grid's background
  COLORREF clrText = 0;          // 0: the colour 0x010101
  std::int16_t nJustify = 0;     // 0 left, 1 centre, 2 right
  std::uint16_t nSortState = 0;  // 0 none, 1 "(A)", 2 " (D)"
  bool bReadOnly = false;        // not editable by the user
  bool bHeader = false;          // drawn in header style in the header band
  bool bBold = false;            // recorded only; drawing does not consult it

  bool operator==(const CCellAttributes&) const = default;
};

}  // namespace TzGrid
