// The cell attribute members, called by name as a host calls them: where a
// member does more than store its argument (text cut at a NUL, the cell
// repainted, the editor closed, values refused or kept, flags toggled), and
// bad indices refused with the grid unchanged. What a stored colour or flag
// looks like is the painting tests' business.
#include "TestSupport.h"

namespace TzGrid::Test {
namespace {

CDispArg Bstr(std::u16string s) { return CDispArg::Bstr(std::move(s)); }
CDispArg Short(std::int16_t v) { return CDispArg::I2(v); }

class CellAttributes : public GridTest {
 protected:
  std::int64_t Answer(const char16_t* member, CDispArgs args) { return Call(grid, member, std::move(args)).Integer(); }
};

TEST_F(CellAttributes, TextIsKeptUpToItsFirstNulAndRepaintsJustItsCell) {
  Call(grid, u"SetCellText", {I4(0), I4(0), Bstr(u"Größe ✓")});
  EXPECT_EQ(Call(grid, u"GetCellText", {I4(0), I4(0)}).String(), u"Größe ✓");
  Call(grid, u"SetCellText", {I4(1), I4(1), Bstr(std::u16string(u"ab\0cd", 5))});
  EXPECT_EQ(grid.CellText(grid.GetCell(1, 1)).GetLength(), 2);
  Call(grid, u"SetCellText", {I4(3), I4(2), CDispArg::NullBstr()});
  grid.SetCellText(1, 3, CString(std::u16string_view(u"\0y", 2)));  // called directly too
  EXPECT_EQ(Text(3, 2) + Text(1, 3), "");
  window.ClearRecords();
  Call(grid, u"SetCellText", {I4(2), I4(1), Bstr(u"x")});
  ASSERT_EQ(window.invalidations.size(), 1u);
  EXPECT_FALSE(window.invalidations[0].whole || window.invalidations[0].viaInvalidateRect);
  EXPECT_EQ(window.invalidations[0].rect, CRect(50, 40, 100, 60));
  EXPECT_EQ(window.modifiedCalls, 0);
  // The rectangle follows the column order and the scrolled rows; a row
  // scrolled off above still gets one (past the last row).
  grid.m_layout.SetWidthOfColumn(3, 70);
  grid.MoveColumn(3, 0);  // positions: 3, 0, 1, 2, 4
  grid.m_nTopRow = 2;
  window.ClearRecords();
  Call(grid, u"SetCellText", {I4(3), I4(1), Bstr(u"x")});
  Call(grid, u"SetCellText", {I4(1), I4(3), Bstr(u"x")});
  ASSERT_EQ(window.invalidations.size(), 2u);
  EXPECT_EQ(window.invalidations[0].rect, CRect(120, 40, 170, 60));
  EXPECT_EQ(window.invalidations[1].rect, CRect(0, 80, 70, 100));
  // A row beginning at the client's bottom edge (300) shows nothing and
  // asks for no repaint; the row above it does.
  grid.SetRows(17);
  window.ClearRecords();
  Call(grid, u"SetCellText", {I4(16), I4(0), Bstr(u"x")});
  Call(grid, u"SetCellText", {I4(15), I4(0), Bstr(u"x")});
  ASSERT_EQ(window.invalidations.size(), 1u);
  EXPECT_EQ(window.invalidations[0].rect, CRect(70, 280, 120, 300));
  EXPECT_EQ(Text(16, 0), "x");
}

TEST_F(CellAttributes, JustificationFlagsAndItemDataHaveTheirOwnRules) {
  EXPECT_EQ(Answer(u"SetCellJustification", {I4(1), I4(1), Short(2)}), VARIANT_TRUE);
  for (std::int16_t bad : {3, -1, 32767, -32768}) {
    EXPECT_EQ(Answer(u"SetCellJustification", {I4(1), I4(1), Short(bad)}), VARIANT_FALSE) << bad;
  }
  EXPECT_EQ(grid.CellAttributes(grid.GetCell(1, 1)).nJustify, 2);
  // The value is judged before the index: a bad value at a bad index is false, not an exception.
  EXPECT_EQ(Answer(u"SetCellJustification", {I4(99), I4(-4), Short(3)}), VARIANT_FALSE);
  EXPECT_EQ(CallHr(grid, u"SetCellJustification", {I4(99), I4(0), Short(1)}), DISP_E_EXCEPTION);
  // Read-only toggles; any non-zero value counts as set.
  Call(grid, u"SetCellReadOnlyFlag", {I4(3), I4(1)});
  EXPECT_EQ(grid.CellAttributes(grid.GetCell(3, 1)).bReadOnly, 1);
  Call(grid, u"SetCellReadOnlyFlag", {I4(3), I4(1)});
  EXPECT_EQ(grid.CellAttributes(grid.GetCell(3, 1)).bReadOnly, 0);
  // The header flag is set by 1 only; any other value clears it.
  for (auto [flag, set] : {std::pair{1, true}, {2, false}, {1, true}, {0, false}}) {
    Call(grid, u"SetCellHeaderFlag", {I4(0), I4(2), CDispArg::UI2(std::uint16_t(flag))});
    EXPECT_EQ(grid.CellAttributes(grid.GetCell(0, 2)).bHeader, set) << flag;
  }
  // Item data 0 keeps the old value; every other 32-bit value is kept.
  Call(grid, u"SetCellItemData", {I4(2), I4(2), CDispArg::UI4(7)});
  Call(grid, u"SetCellItemData", {I4(2), I4(2), CDispArg::UI4(0)});
  EXPECT_EQ(Answer(u"GetCellItemData", {I4(2), I4(2)}), 7);
  Call(grid, u"SetCellItemData", {I4(2), I4(2), CDispArg::UI4(0xFFFFFFFFu)});
  EXPECT_EQ(Answer(u"GetCellItemData", {I4(2), I4(2)}), 0xFFFFFFFFll);
}

// The default font is rebuilt from the arguments alone: the face cut to the
// field, the height bounded to 2048 pixels either way (still a font, never
// glyphs that keep the system busy for minutes), no repaint.
TEST_F(CellAttributes, DefaultFontIsRebuiltFromTheArguments) {
  grid.m_lfDefault.lfItalic = 1;
  std::u16string face(40, u'F');
  EXPECT_EQ(Answer(u"SetDefaultFont", {CDispArg::ByRefBstr(&face), I4(-13), I4(700)}), VARIANT_TRUE);
  EXPECT_EQ(std::u16string(grid.m_lfDefault.lfFaceName), std::u16string(31, u'F'));
  EXPECT_EQ(std::tuple(grid.m_lfDefault.lfHeight, grid.m_lfDefault.lfWeight, grid.m_lfDefault.lfItalic),
            std::tuple(LONG(-13), LONG(700), BYTE(0)));
  EXPECT_NE(grid.m_fontDefault.GetSafeHandle(), nullptr);
  EXPECT_TRUE(window.invalidations.empty());
  for (auto [height, used] : {std::pair{2048, 2048}, {2049, 2048}, {INT32_MAX, 2048}, {-2049, -2048},
                              {INT32_MIN, -2048}}) {
    Call(grid, u"SetDefaultFont", {Bstr(u"Arial"), I4(height), I4(400)});  // a literal is taken as well
    EXPECT_EQ(grid.m_lfDefault.lfHeight, used) << height;
  }
  EXPECT_EQ(std::u16string(grid.m_lfDefault.lfFaceName), u"Arial");
}

TEST_F(CellAttributes, FocusedCellAndTheCurrentCell) {
  auto current = [&] { return std::pair(Answer(u"GetCurrentRow", {}), Answer(u"GetCurrentColumn", {})); };
  EXPECT_EQ(current(), std::pair(std::int64_t(-1), std::int64_t(-1)));
  Call(grid, u"SetFocusedCell", {I4(4), I4(4)});  // the last cell is a cell
  EXPECT_EQ(grid.m_focusCell, grid.GetCell(4, 4));
  Call(grid, u"SetFocusedCell", {I4(2), I4(3)});
  EXPECT_EQ(current(), std::pair(std::int64_t(2), std::int64_t(3)));
  EXPECT_TRUE(window.invalidations.empty() && window.events.empty());
  Call(grid, u"SetFocusedCell", {I4(5), I4(0)});  // past the end: ignored
  Call(grid, u"SetFocusedCell", {I4(0), I4(5)});
  EXPECT_EQ(CallHr(grid, u"SetFocusedCell", {I4(-1), I4(0)}), DISP_E_EXCEPTION);
  EXPECT_EQ(CallHr(grid, u"SetFocusedCell", {I4(0), I4(-1)}), DISP_E_EXCEPTION);
  EXPECT_EQ(grid.m_focusCell, grid.GetCell(2, 3));
  grid.MoveColumn(3, 0);
  EXPECT_EQ(Answer(u"GetCurrentColumn", {}), 3);  // a column index, not a display position
  grid.ResizeGrid(2, 2);
  EXPECT_EQ(current(), std::pair(std::int64_t(-1), std::int64_t(-1)));
  grid.ResizeGrid(0, 0);  // past the end of nothing: ignored
  Call(grid, u"SetFocusedCell", {I4(0), I4(0)});
  EXPECT_EQ(grid.m_focusCell, CGridCell());
}

TEST_F(CellAttributes, BadIndicesFailAndChangeNothing) {
  std::vector<std::pair<const char16_t*, CDispArgs>> calls;
  for (auto [r, c] : {std::pair{5, 0}, {0, 5}, {-1, 0}, {0, -1}, {INT32_MIN, INT32_MAX}}) {
    for (const char16_t* twoArguments : {u"GetCellText", u"SetCellReadOnlyFlag", u"GetCellSortState", u"GetCellItemData"}) {
      calls.push_back({twoArguments, {I4(r), I4(c)}});
    }
    calls.push_back({u"SetCellText", {I4(r), I4(c), Bstr(u"x")}});
    calls.push_back({u"SetItemBackColor", {I4(r), I4(c), I4(5)}});
    calls.push_back({u"SetCellForeColour", {I4(r), I4(c), I4(5)}});
    calls.push_back({u"SetCellJustification", {I4(r), I4(c), Short(1)}});
    calls.push_back({u"SetCellHeaderFlag", {I4(r), I4(c), CDispArg::UI2(1)}});
    calls.push_back({u"SetCellSortState", {I4(r), I4(c), CDispArg::UI2(1)}});
    calls.push_back({u"SetCellItemData", {I4(r), I4(c), CDispArg::UI4(9)}});
    calls.push_back({u"SetCellBold", {I4(r), I4(c), Short(1)}});
  }
  grid.m_bEditMode = 1;
  Call(grid, u"SetFocusedCell", {I4(1), I4(1)});
  const std::string before = Snapshot(grid);
  for (const auto& [member, args] : calls) {
    std::string why;
    EXPECT_EQ(CallHr(grid, member, args, &why), DISP_E_EXCEPTION) << CString(member).ToUtf8();
    EXPECT_FALSE(why.empty());
  }
  EXPECT_EQ(Snapshot(grid), before);
  EXPECT_TRUE(window.invalidations.empty());
  grid.ResizeGrid(0, 0);  // an empty grid has no cell to address
  EXPECT_EQ(CallHr(grid, u"GetCellText", {I4(0), I4(0)}), DISP_E_EXCEPTION);
}

}  // namespace
}  // namespace TzGrid::Test
