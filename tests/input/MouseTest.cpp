// Mouse selection and its events and header double clicks, driven by button
// messages on the headless window.
#include "TestSupport.h"

namespace TzGrid::Test {
namespace {

using Mouse = UserGrid;

// A cell is selected on the release, reported by its column index (not its
// display position) and redrawn in place; a click on no cell or in the
// fixed strip changes nothing; an ordinary cell in a fixed row is selectable.
TEST_F(Mouse, ClickSelectsOnRelease) {
  grid.m_layout.SetColumnAtPosition(1, 4);
  grid.m_layout.SetColumnAtPosition(4, 1);  // [0 4 2 3 1]
  Press(At(3, 1));
  EXPECT_EQ(grid.m_focusCell, CGridCell());
  Release(At(3, 1));
  EXPECT_EQ(Events(), std::vector<EventRecord>{Selected(3, 4)});
  EXPECT_EQ(grid.m_focusCell, Cell(3, 4));
  EXPECT_TRUE(window.invalidations.empty());
  EXPECT_FALSE(window.HasUpdate());
  grid.SetFixedColumns(1);
  window.PaintAll();
  window.ClearRecords();
  const std::string before = Snapshot(grid);
  for (CPoint p : {CPoint(20, 50), CPoint(275, 50), CPoint(100, 230)}) Click(p);
  EXPECT_TRUE(window.events.empty());
  EXPECT_EQ(Snapshot(grid), before);
  grid.SetCellHeaderFlag(0, 2, 0);
  Click(At(0, 2));
  EXPECT_EQ(grid.m_focusCell, Cell(0, 2));
  ExpectNoFailure();
}

// A double click on a header steps its sort state 0, 1, 2, 0 (another state
// counts on) and repaints; on a read-only cell it does nothing.
TEST_F(Mouse, DoubleClicks) {
  for (int expected : {1, 2, 0, 1}) {
    window.ClearRecords();
    window.Send(WM_LBUTTONDBLCLK, MK_LBUTTON, Pt(At(0, 1)));
    EXPECT_EQ(Attributes(0, 1).nSortState, expected);
    ASSERT_EQ(window.invalidations.size(), 1u);
    EXPECT_TRUE(window.events.empty() && window.defaultCalls.empty());
  }
  grid.SetCellSortState(0, 1, 7);
  window.Send(WM_LBUTTONDBLCLK, MK_LBUTTON, Pt(At(0, 1)));
  EXPECT_EQ(Attributes(0, 1).nSortState, 8);
  grid.SetCellReadOnlyFlag(3, 3);
  window.Send(WM_LBUTTONDBLCLK, MK_LBUTTON, Pt(At(3, 3)));
  EXPECT_EQ(Editor(), nullptr);
}

}  // namespace
}  // namespace TzGrid::Test
