#include "TestSupport.h"

#include <sstream>

namespace TzGrid::Test {

std::string CheckInvariants(const CTzGridCtrl& g, bool requirePermutation) {
  std::ostringstream err;
  if ((g.m_nRows == 0) != (g.m_nCols == 0)) err << "counts " << g.m_nCols << "x" << g.m_nRows << " not both zero; ";
  if (g.m_cells.RowCount() != g.m_nRows) err << "store rows " << g.m_cells.RowCount() << " != " << g.m_nRows << "; ";
  if (g.m_cells.ColumnCount() != g.m_nCols) err << "store columns " << g.m_cells.ColumnCount() << "; ";
  if (g.m_arRowHeights.GetSize() != g.m_nRows) err << "heights " << g.m_arRowHeights.GetSize() << "; ";
  if (g.m_arColWidths.GetSize() != g.m_nCols) err << "widths " << g.m_arColWidths.GetSize() << "; ";
  if (g.m_arColOrder.GetSize() != g.m_nCols) err << "order " << g.m_arColOrder.GetSize() << "; ";
  std::vector<int> seen(std::size_t(g.m_nCols), 0);
  for (int p = 0; p < g.m_arColOrder.GetSize(); ++p) {
    UINT c = g.m_arColOrder.GetAt(p);
    if (!requirePermutation) continue;
    if (c >= UINT(g.m_nCols) || seen[c]++) err << "order map is not a permutation at " << p << "; ";
  }
  const CGridCell focus = g.m_focusCell;
  if (focus && (focus.m_nRow >= g.m_nRows || focus.m_nCol >= g.m_nCols)) err << "focus cell is not in the matrix; ";
  // The store's storage ends where the counts do: the last cell is there,
  // a row or column past it raises.
  auto raises = [&g](int r, int c) {
    try {
      g.CellText(g.GetCell(r, c));
      return false;
    } catch (const CInvalidArgException&) {
      return true;
    }
  };
  if (g.m_nRows > 0 && raises(g.m_nRows - 1, g.m_nCols - 1)) err << "store lacks the last cell; ";
  if (!raises(g.m_nRows, 0) || (g.m_nRows > 0 && !raises(0, g.m_nCols))) err << "store holds past the counts; ";
  return err.str();
}

CDispArg Call(CTzGridCtrl& grid, DISPID dispid, CDispArgs args) {
  CDispArg result;
  std::string description;
  HRESULT hr = grid.Invoke(dispid, DISPATCH_METHOD | DISPATCH_PROPERTYGET, args, &result, &description);
  EXPECT_EQ(hr, S_OK) << "DISPID " << dispid << ": " << description;
  return result;
}

HRESULT CallHr(CTzGridCtrl& grid, DISPID dispid, CDispArgs args, std::string* description) {
  CDispArg result;
  return grid.Invoke(dispid, DISPATCH_METHOD, args, &result, description);
}

HRESULT PutHr(CTzGridCtrl& grid, DISPID dispid, CDispArg value) {
  return grid.Invoke(dispid, DISPATCH_PROPERTYPUT, {value}, nullptr, nullptr);
}

CDispArg I4(std::int32_t v) { return CDispArg::I4(v); }

DISPID Id(std::u16string_view name) {
  const DispEntry* entry = FindDispEntry(name);
  EXPECT_NE(entry, nullptr) << "no member " << CString(name).ToUtf8();
  return entry ? entry->dispid : DISPID(-1);
}

std::vector<UINT> Entries(const CUIntArray& a) {
  std::vector<UINT> v;
  for (int i = 0; i < a.GetSize(); ++i) v.push_back(a.GetAt(i));
  return v;
}

std::string Snapshot(const CTzGridCtrl& g) {
  std::ostringstream s;
  s << g.m_nCols << "x" << g.m_nRows << " fixed " << g.m_nFixedCols << "/" << g.m_nFixedRows << " def "
    << g.m_nDefColWidth << " first " << g.m_nFirstCol << " top " << g.m_nTopRow << " pos " << g.m_nHScrollPos << ","
    << g.m_nVScrollPos << " focus " << g.m_focusCell.m_nRow << "," << g.m_focusCell.m_nCol << " edit " << int(g.m_bEditMode) << " back " << g.m_clrBack
    << "\nwidths";
  for (int i = 0; i < g.m_arColWidths.GetSize(); ++i) s << ' ' << g.m_arColWidths.GetAt(i);
  s << "\nheights";
  for (int i = 0; i < g.m_arRowHeights.GetSize(); ++i) s << ' ' << g.m_arRowHeights.GetAt(i);
  s << "\norder";
  for (int i = 0; i < g.m_arColOrder.GetSize(); ++i) s << ' ' << g.m_arColOrder.GetAt(i);
  // A cell never written reads as a new one.
  for (int r = 0; r < g.m_cells.RowCount(); ++r) {
    for (int c = 0; c < g.m_cells.ColumnCount(); ++c) {
      const CGridCell cell(r, c);
      const CCellAttributes& a = g.CellAttributes(cell);
      s << "\n" << r << "," << c << ": " << g.CellText(cell).ToUtf8() << '|' << a.bReadOnly << '|' << a.clrBack
        << '|' << a.clrText << '|' << a.nJustify << '|' << a.bHeader << '|' << a.nSortState << '|' << a.dwItemData
        << '|' << a.bBold;
    }
  }
  return s.str();
}

}  // namespace TzGrid::Test
