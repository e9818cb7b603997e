// The benchmark grid's cell text, shared by every benchmark: "R" + the row
// index in 6 digits (modulo 1,000,000) + "C" + the column index in 2 digits.
#pragma once

#include "framework/afxstr.h"

inline TzGrid::CString CellText(int row, int col) {
  char16_t text[10] = {u'R'};
  int r = row % 1000000;
  for (int i = 6; i >= 1; --i, r /= 10) text[i] = char16_t(u'0' + r % 10);
  text[7] = u'C';
  text[8] = char16_t(u'0' + (col / 10) % 10);
  text[9] = char16_t(u'0' + col % 10);
  return TzGrid::CString(text, 10);
}
