// The layout members through the dispatch map: the fixed counts and the
// first visible column, what each answers, repaints and refuses.
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

// A column moves to any display position up to the last one; one past it
// is refused, the range named, the order untouched.
TEST_F(Layout, MoveColumnReachesTheLastPositionAndNoFurther) {
  grid.MoveColumn(0, 4);
  EXPECT_EQ(Entries(grid.m_arColOrder), (std::vector<UINT>{1, 2, 3, 4, 0}));
  try {
    grid.MoveColumn(1, 5);
    ADD_FAILURE() << "a move past the last position was taken";
  } catch (const CInvalidArgException& e) {
    EXPECT_EQ(e.GetDescription(), "display position 5 is outside 0..4");
  }
  EXPECT_EQ(Entries(grid.m_arColOrder), (std::vector<UINT>{1, 2, 3, 4, 0}));
}

// The last row takes a height; the row past it is answered 0 and changes nothing.
TEST_F(Layout, RowHeightReachesTheLastRowAndNoFurther) {
  EXPECT_EQ(grid.SetRowHeight(4, 33), 1);
  EXPECT_EQ(grid.m_layout.HeightOfRow(4), 33u);
  EXPECT_EQ(grid.SetRowHeight(5, 44), 0);
  EXPECT_EQ(Entries(grid.m_arRowHeights), (std::vector<UINT>{20, 20, 20, 20, 33}));
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
