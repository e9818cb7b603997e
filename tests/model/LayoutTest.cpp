// The layout members: widths, heights, default width, fixed counts, order.
#include "TestSupport.h"

namespace TzGrid::Test {
namespace {

std::vector<UINT> Order(const CTzGridCtrl& g) {
  std::vector<UINT> v;
  for (int i = 0; i < g.m_arColOrder.GetSize(); ++i) v.push_back(g.m_arColOrder.GetAt(i));
  return v;
}

class Layout : public DesktopTest {
 protected:
  CTzGridCtrl grid;
  Headless::HeadlessWindow window{grid, 400, 300};
  void SetUp() override {
    DesktopTest::SetUp();
    window.ClearRecords();
  }
  bool WholeRepaintRequested() const {
    return !window.invalidations.empty() && window.invalidations.back().whole && window.invalidations.back().erase;
  }
};

TEST_F(Layout, ColumnWidthSoftAndHardChecks) {
  EXPECT_EQ(Call(grid, 5, {I4(4), I4(80)}).Integer(), 1);
  EXPECT_TRUE(WholeRepaintRequested());
  EXPECT_EQ(Call(grid, 32, {I4(4)}).Integer(), 80);
  window.ClearRecords();
  EXPECT_EQ(Call(grid, 5, {I4(5), I4(80)}).Integer(), 0);
  EXPECT_TRUE(window.invalidations.empty());
  EXPECT_EQ(CallHr(grid, 5, {I4(-1), I4(80)}), DISP_E_EXCEPTION);
  EXPECT_EQ(CallHr(grid, 32, {I4(5)}), DISP_E_EXCEPTION);
  // A negative width is stored as the unsigned value of its bits.
  Call(grid, 5, {I4(0), I4(-2)});
  EXPECT_EQ(grid.m_arColWidths.GetAt(0), 0xFFFFFFFEu);
  EXPECT_EQ(window.modifiedCalls, 0);
}

TEST_F(Layout, RowHeightAndDefaultWidth) {
  EXPECT_EQ(Call(grid, 6, {I4(0), I4(40)}).Integer(), 1);
  EXPECT_EQ(grid.m_arRowHeights.GetAt(0), 40u);
  EXPECT_EQ(Call(grid, 6, {I4(5), I4(40)}).Integer(), 0);
  EXPECT_EQ(CallHr(grid, 6, {I4(-1), I4(40)}), DISP_E_EXCEPTION);
  window.ClearRecords();
  EXPECT_EQ(Call(grid, 26, {I4(70)}).Integer(), 0);
  EXPECT_TRUE(window.invalidations.empty());
  EXPECT_EQ(PutHr(grid, 1, I4(6)), S_OK);
  EXPECT_EQ(grid.m_arColWidths.GetAt(5), 70u);
  EXPECT_EQ(grid.m_arColWidths.GetAt(4), 50u);
  PutHr(grid, 2, I4(0));
  EXPECT_EQ(Call(grid, 32, {I4(123)}).Integer(), 70);
}

TEST_F(Layout, FixedCounts) {
  EXPECT_EQ(Call(grid, 25, {I4(9)}).Integer(), 9);
  EXPECT_EQ(grid.m_nFixedCols, 0);
  EXPECT_EQ(window.modifiedCalls, 1);
  EXPECT_TRUE(window.invalidations.empty());
  EXPECT_EQ(Call(grid, 25, {I4(2)}).Integer(), 2);
  EXPECT_EQ(grid.m_nFixedCols, 2);
  EXPECT_TRUE(WholeRepaintRequested());
  window.ClearRecords();
  EXPECT_EQ(Call(grid, 17, {I4(9)}).Integer(), 0);
  EXPECT_EQ(grid.m_nFixedRows, 9);  // stored as given, bounded where used
  EXPECT_EQ(grid.FixedRowsInUse(), 5);
  EXPECT_EQ(window.modifiedCalls, 0);
  EXPECT_TRUE(window.invalidations.empty());
}

TEST_F(Layout, VisibleIndexAndColumnOrder) {
  EXPECT_EQ(Call(grid, 33, {I4(4), I4(0)}).Integer(), 0);
  EXPECT_EQ(Order(grid), (std::vector<UINT>{4, 1, 2, 3, 4}));
  EXPECT_TRUE(WholeRepaintRequested());
  EXPECT_EQ(Call(grid, 30, {I4(4)}).Integer(), 0);
  EXPECT_EQ(Call(grid, 30, {I4(3)}).Integer(), 3);
  EXPECT_EQ(Call(grid, 30, {I4(0)}).Integer(), 0);  // not in the map
  EXPECT_EQ(Call(grid, 30, {I4(99)}).Integer(), 0);
  EXPECT_EQ(CallHr(grid, 33, {I4(1), I4(5)}), DISP_E_EXCEPTION);
  EXPECT_EQ(Order(grid), (std::vector<UINT>{4, 1, 2, 3, 4}));
}

TEST_F(Layout, MoveColumnBothDirections) {
  Call(grid, 42, {I4(1), I4(3)});
  EXPECT_EQ(Order(grid), (std::vector<UINT>{0, 2, 3, 1, 4}));
  Call(grid, 42, {I4(1), I4(3)});  // already there
  EXPECT_EQ(Order(grid), (std::vector<UINT>{0, 2, 3, 1, 4}));
  Call(grid, 42, {I4(4), I4(0)});
  EXPECT_EQ(Order(grid), (std::vector<UINT>{4, 0, 2, 3, 1}));
  window.ClearRecords();
  Call(grid, 42, {I4(0), I4(1)});
  EXPECT_EQ(Order(grid), (std::vector<UINT>{4, 0, 2, 3, 1}));
  EXPECT_TRUE(WholeRepaintRequested());
  std::string before = Snapshot(grid);
  EXPECT_EQ(CallHr(grid, 42, {I4(7), I4(0)}), DISP_E_EXCEPTION);
  EXPECT_EQ(CallHr(grid, 42, {I4(0), I4(5)}), DISP_E_EXCEPTION);
  EXPECT_EQ(CallHr(grid, 42, {I4(0), I4(-1)}), DISP_E_EXCEPTION);
  EXPECT_EQ(Snapshot(grid), before);
}

TEST_F(Layout, FirstVisibleColumnSendsOneScrollPerColumn) {
  CTzGridCtrl wide;
  Headless::HeadlessWindow narrow(wide, 120, 100);
  wide.ResizeGrid(10, 5);
  narrow.ClearRecords();
  Call(wide, 41, {I4(1)});  // already first: nothing at all
  EXPECT_TRUE(narrow.invalidations.empty());
  Call(wide, 41, {I4(4)});
  ASSERT_EQ(narrow.sentMessages.size(), 3u);
  for (const MSG& m : narrow.sentMessages) {
    EXPECT_EQ(m.message, WM_HSCROLL);
    EXPECT_EQ(m.wParam, SB_LINERIGHT);
    EXPECT_EQ(m.lParam, 0);
  }
  EXPECT_EQ(wide.m_nFirstCol, 3);
  EXPECT_EQ(wide.m_nHScrollPos, 150);
  EXPECT_TRUE(narrow.scrollCalls.empty());  // no pixels moved: the whole control repaints
  EXPECT_TRUE(narrow.invalidations.back().whole);
  narrow.ClearRecords();
  Call(wide, 41, {I4(5)});  // a line scroll after it moves pixels again
  narrow.Send(WM_HSCROLL, SB_LINERIGHT, 0);
  EXPECT_EQ(narrow.scrollCalls.size(), 1u);
  Call(wide, 41, {I4(4)});
  narrow.ClearRecords();
  Call(wide, 41, {I4(2)});
  ASSERT_EQ(narrow.sentMessages.size(), 2u);
  EXPECT_EQ(narrow.sentMessages[0].wParam, SB_LINELEFT);
  EXPECT_EQ(wide.m_nFirstCol, 1);
  EXPECT_TRUE(narrow.invalidations.back().whole);
  EXPECT_EQ(CallHr(wide, 41, {I4(0)}), DISP_E_EXCEPTION);
  EXPECT_EQ(CallHr(wide, 41, {I4(11)}), DISP_E_EXCEPTION);
  EXPECT_EQ(wide.m_nFirstCol, 1);
  // A reordered column is scrolled to where it is shown.
  wide.MoveColumn(3, 0);
  Call(wide, 41, {I4(4)});
  EXPECT_EQ(wide.m_nFirstCol, 0);
}

}  // namespace
}  // namespace TzGrid::Test
