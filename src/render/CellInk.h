// What the painter and the cell drawer agree on about a cell's colours.
#pragma once

#include "../model/CellAttributes.h"

namespace TzGrid {

// A cell's colour 0 means "not set". Unset text is drawn in this
// near-black rather than in 0 itself.
constexpr COLORREF kDefaultTextColour = 0x00010101;

inline COLORREF TextColourOf(const CCellAttributes& attributes) {
  return attributes.clrText != 0 ? attributes.clrText : kDefaultTextColour;
}

}  // namespace TzGrid
