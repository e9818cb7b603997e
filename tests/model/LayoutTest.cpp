// The layout members through the dispatch map: what each answers at the
// last index and one past it, what it repaints, and what it refuses.
#include "TestSupport.h"

namespace TzGrid::Test {
namespace {

class Layout : public GridTest {
 protected:
  // The member's integer answer, and whether it asked for a whole repaint
  // (records cleared for the next call).
  std::pair<std::int64_t, bool> Answer(std::u16string_view name, CDispArgs args) {
    window.ClearRecords();
    std::int64_t result = Call(grid, Id(name), std::move(args)).Integer();
    const auto& inv = window.invalidations;
    return {result, !inv.empty() && inv.back().whole && inv.back().erase};
  }
};

TEST_F(Layout, SizesAnswerAtTheLastIndexAndIgnoreThePastTheEnd) {
  using R = std::pair<std::int64_t, bool>;
  EXPECT_EQ(Answer(u"SetColumnWidth", {I4(4), I4(80)}), R(1, true));
  EXPECT_EQ(Call(grid, u"GetColumnWidth", {I4(4)}).Integer(), 80);
  EXPECT_EQ(Answer(u"SetColumnWidth", {I4(5), I4(80)}), R(0, false));
  EXPECT_EQ(Answer(u"SetRowHeight", {I4(4), I4(40)}), R(1, true));
  EXPECT_EQ(grid.m_arRowHeights.GetAt(4), 40u);
  EXPECT_EQ(Answer(u"SetRowHeight", {I4(5), I4(40)}), R(0, false));
  Call(grid, u"SetColumnWidth", {I4(0), I4(-2)});  // stored as the unsigned value of its bits
  EXPECT_EQ(grid.m_arColWidths.GetAt(0), 0xFFFFFFFEu);
  EXPECT_EQ(window.modifiedCalls, 0);
  // The default width is for columns made later, and answers for a grid without rows.
  EXPECT_EQ(Answer(u"SetDefaultColumnWidth", {I4(70)}), R(0, false));
  PutHr(grid, Id(u"Columns"), I4(6));
  EXPECT_EQ(std::pair(grid.m_arColWidths.GetAt(4), grid.m_arColWidths.GetAt(5)), std::pair(80u, 70u));
  PutHr(grid, Id(u"Rows"), I4(0));
  EXPECT_EQ(Call(grid, u"GetColumnWidth", {I4(123)}).Integer(), 70);
}

// Fixed columns take 0 to the column count, the last one included; fixed
// rows are stored as given and bounded where they are used.
TEST_F(Layout, FixedCounts) {
  using R = std::pair<std::int64_t, bool>;
  EXPECT_EQ(Answer(u"SetNumFixedColumns", {I4(6)}), R(6, false));
  EXPECT_EQ(grid.m_nFixedCols, 0);
  EXPECT_EQ(window.modifiedCalls, 1);
  EXPECT_EQ(Answer(u"SetNumFixedColumns", {I4(5)}), R(5, true));
  EXPECT_EQ(grid.m_nFixedCols, 5);
  EXPECT_EQ(Answer(u"SetNumFixedColumns", {I4(-1)}), R(-1, false));
  EXPECT_EQ(Answer(u"SetNumFixedColumns", {I4(0)}), R(0, true));
  EXPECT_EQ(grid.m_nFixedCols, 0);
  EXPECT_EQ(Answer(u"SetNumFixedRows", {I4(9)}), R(0, false));
  EXPECT_EQ(grid.m_nFixedRows, 9);
  EXPECT_EQ(grid.FixedRowsInUse(), 5);
  EXPECT_EQ(window.modifiedCalls, 0);
}

TEST_F(Layout, ColumnOrderMoveAndVisibleIndex) {
  // Written entry by entry: 4 is now listed twice and 0 not at all.
  EXPECT_EQ(Call(grid, u"SetColumnOrder", {I4(4), I4(0)}).Integer(), 0);
  EXPECT_EQ(Order(), (std::vector<UINT>{4, 1, 2, 3, 4}));
  EXPECT_EQ(CallHr(grid, u"SetColumnOrder", {I4(1), I4(5)}), DISP_E_EXCEPTION);
  // The first display position of a column; 0 for one not in the map or past the end.
  for (auto [col, pos] : {std::pair{4, 0}, {3, 3}, {0, 0}, {99, 0}}) {
    EXPECT_EQ(Call(grid, u"GetColumnVisibleIndex", {I4(col)}).Integer(), pos) << col;
  }
  grid.SetColumnOrder(0, 0);  // a permutation again
  Call(grid, u"MoveColumn", {I4(1), I4(3)});
  EXPECT_EQ(Order(), (std::vector<UINT>{0, 2, 3, 1, 4}));
  Call(grid, u"MoveColumn", {I4(4), I4(0)});  // from the last position to the first
  EXPECT_EQ(Order(), (std::vector<UINT>{4, 0, 2, 3, 1}));
  window.ClearRecords();
  Call(grid, u"MoveColumn", {I4(0), I4(1)});  // already there: still repaints
  EXPECT_EQ(Order(), (std::vector<UINT>{4, 0, 2, 3, 1}));
  EXPECT_TRUE(window.invalidations.back().whole);
  const std::string before = Snapshot(grid);
  for (auto [col, to] : {std::pair{7, 0}, {0, 5}, {0, -1}}) {
    EXPECT_EQ(CallHr(grid, u"MoveColumn", {I4(col), I4(to)}), DISP_E_EXCEPTION) << col << " to " << to;
  }
  EXPECT_EQ(Snapshot(grid), before);
}

// SetFirstVisibleColumn scrolls by sending one line scroll per column and
// then repaints everything instead of moving pixels for each of them.
TEST_F(Layout, FirstVisibleColumnSendsOneScrollPerColumn) {
  CTzGridCtrl wide;
  Headless::HeadlessWindow narrow(wide, 120, 100);
  wide.ResizeGrid(10, 5);
  narrow.ClearRecords();
  Call(wide, u"SetFirstVisibleColumn", {I4(1)});  // already first: nothing at all
  EXPECT_TRUE(narrow.invalidations.empty());
  Call(wide, u"SetFirstVisibleColumn", {I4(4)});
  ASSERT_EQ(narrow.sentMessages.size(), 3u);
  for (const MSG& m : narrow.sentMessages) {
    EXPECT_EQ(std::tuple(m.message, m.wParam, m.lParam), std::tuple(UINT(WM_HSCROLL), WPARAM(SB_LINERIGHT), 0));
  }
  EXPECT_EQ(std::pair(wide.m_nFirstCol, wide.m_nHScrollPos), std::pair(3, 150));
  EXPECT_TRUE(narrow.scrollCalls.empty());
  EXPECT_TRUE(narrow.invalidations.back().whole);
  narrow.ClearRecords();
  narrow.Send(WM_HSCROLL, SB_LINERIGHT, 0);  // a line scroll after it moves pixels again
  EXPECT_EQ(narrow.scrollCalls.size(), 1u);
  narrow.ClearRecords();
  Call(wide, u"SetFirstVisibleColumn", {I4(2)});
  ASSERT_EQ(narrow.sentMessages.size(), 3u);
  EXPECT_EQ(narrow.sentMessages[0].wParam, WPARAM(SB_LINELEFT));
  EXPECT_EQ(wide.m_nFirstCol, 1);
  EXPECT_EQ(CallHr(wide, u"SetFirstVisibleColumn", {I4(0)}), DISP_E_EXCEPTION);
  EXPECT_EQ(CallHr(wide, u"SetFirstVisibleColumn", {I4(11)}), DISP_E_EXCEPTION);
  Call(wide, u"SetFirstVisibleColumn", {I4(10)});  // the last column number is a column
  EXPECT_EQ(wide.m_nFirstCol, 9);
  wide.MoveColumn(3, 0);  // a reordered column is scrolled to where it is shown
  Call(wide, u"SetFirstVisibleColumn", {I4(4)});
  EXPECT_EQ(wide.m_nFirstCol, 0);
}

}  // namespace
}  // namespace TzGrid::Test
