// Mouse selection and its events, header double clicks and Ctrl+right
// clicks, driven by button messages on the headless window.
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
  EXPECT_EQ(grid.m_pFocusCell, nullptr);
  Release(At(3, 1));
  EXPECT_EQ(Events(), std::vector<EventRecord>{Selected(3, 4)});
  EXPECT_EQ(grid.m_pFocusCell, Cell(3, 4));
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
  EXPECT_EQ(grid.m_pFocusCell, Cell(0, 2));
  ExpectNoFailure();
}

// The second click on the focus cell opens the editor over it with its text
// and the grid's font, unless the cell is read-only. During the edit a click
// elsewhere reports the selection, then the exit of the edited cell, and
// the host's handlers see the state before each step.
TEST_F(Mouse, SecondClickEditsAndAClickElsewhereEndsTheEdit) {
  grid.SetCellReadOnlyFlag(4, 2);
  Click(At(4, 2));
  Click(At(4, 2));
  EXPECT_EQ(Editor(), nullptr);
  grid.SetCellText(4, 1, u"xyz");
  Click(At(4, 1));
  window.ClearRecords();
  Click(At(4, 1));
  EXPECT_EQ(Count(WM_LBUTTONDBLCLK), 1);
  ASSERT_NE(Editor(), nullptr);
  EXPECT_EQ(Editor()->GetWindowText(), CString(u"xyz"));
  EXPECT_TRUE(EditorHasFocus());
  EXPECT_EQ(Editor()->Rect(), CRect(50, 80, 99, 99));  // the grid lines stay visible
  EXPECT_EQ(Editor()->Font(), grid.m_fontDefault.GetSafeHandle());
  Type(u"hi");
  window.ClearRecords();
  std::vector<std::string> seen;
  window.onEvent = [&](DISPID id, const CDispArgs&) {
    seen.push_back(std::to_string(id) + ":" + std::to_string(grid.GetCurrentRow()) + "," +
                   std::to_string(grid.GetCurrentColumn()) + " shown " + std::to_string(Editor()->IsWindowVisible()));
  };
  Click(At(5, 3));
  EXPECT_EQ(Events(), (std::vector<EventRecord>{Selected(5, 3), Exited(4, 1)}));
  EXPECT_EQ(seen, (std::vector<std::string>{"1:4,1 shown 1", "2:4,1 shown 0"}));
  EXPECT_EQ(grid.m_bEditMode, 0);
  EXPECT_EQ(Text(4, 1), "xyzhi");
}

// A host that rebuilds the grid from its handler leaves the click nothing
// to finish: it ends cleanly, the message failing.
TEST_F(Mouse, AHostRebuildingTheGridFromItsHandlerCausesNoHarm) {
  Click(At(2, 2));
  window.onEvent = [&](DISPID, const CDispArgs&) { grid.ResizeGrid(2, 2); };
  Click(At(6, 4));
  EXPECT_EQ(CheckInvariants(grid), "");
  EXPECT_EQ(window.failedMessages.size(), 1u);
}

// A double click on a header steps its sort state 0, 1, 2, 0 (another state
// counts on) and repaints; on a read-only cell it does nothing.
TEST_F(Mouse, DoubleClicks) {
  for (int expected : {1, 2, 0, 1}) {
    window.ClearRecords();
    window.Send(WM_LBUTTONDBLCLK, MK_LBUTTON, Pt(At(0, 1)));
    EXPECT_EQ(Cell(0, 1)->m_nSortState, expected);
    ASSERT_EQ(window.invalidations.size(), 1u);
    EXPECT_TRUE(window.events.empty() && window.defaultCalls.empty());
  }
  grid.SetCellSortState(0, 1, 7);
  window.Send(WM_LBUTTONDBLCLK, MK_LBUTTON, Pt(At(0, 1)));
  EXPECT_EQ(Cell(0, 1)->m_nSortState, 8);
  grid.SetCellReadOnlyFlag(3, 3);
  window.Send(WM_LBUTTONDBLCLK, MK_LBUTTON, Pt(At(3, 3)));
  EXPECT_EQ(Editor(), nullptr);
}

// Ctrl+right click on a header moves its column to the front; every right
// click also reaches the framework.
TEST_F(Mouse, CtrlRightClickOnAHeaderMovesItsColumnToTheFront) {
  window.Send(WM_RBUTTONUP, 0, Pt(At(0, 3)));
  window.Send(WM_RBUTTONUP, MK_CONTROL, Pt(At(4, 3)));  // not a header
  EXPECT_EQ(Order(), (std::vector<UINT>{0, 1, 2, 3, 4}));
  window.Send(WM_RBUTTONUP, MK_CONTROL, Pt(At(0, 3)));
  EXPECT_EQ(Order(), (std::vector<UINT>{3, 0, 1, 2, 4}));
  EXPECT_EQ(window.invalidations.size(), 1u);
  EXPECT_EQ(window.defaultCalls, (std::vector<UINT>{WM_RBUTTONUP, WM_RBUTTONUP, WM_RBUTTONUP}));
}

}  // namespace
}  // namespace TzGrid::Test
