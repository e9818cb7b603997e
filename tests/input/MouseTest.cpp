// Mouse selection and its events, header double clicks and Ctrl+right
// clicks, driven by button messages on the headless window.
#include "InputTestSupport.h"

namespace TzGrid::Test {
namespace {

using Mouse = UserGrid;

// A cell is selected on the release (reporting the column index, not the
// display position) and redrawn in place; a click on no cell or in the
// fixed strip changes nothing, an ordinary cell in a fixed row is selectable.
TEST_F(Mouse, ClickSelectsOnRelease) {
  grid.m_layout.SetColumnAtPosition(1, 4);
  grid.m_layout.SetColumnAtPosition(4, 1);  // [0 4 2 3 1]
  Press(At(3, 1));
  EXPECT_EQ(grid.m_pFocusCell, nullptr);
  EXPECT_TRUE(window.events.empty());
  Release(At(3, 1));
  EXPECT_EQ(Events(), std::vector<EventRecord>{Selected(3, 4)});
  EXPECT_EQ(grid.m_pFocusCell, Cell(3, 4));
  EXPECT_TRUE(window.invalidations.empty());
  EXPECT_FALSE(window.HasUpdate());

  grid.SetFixedColumns(1);
  window.PaintAll();  // the scroll state follows the new fixed strip
  window.ClearRecords();
  const std::string before = Snapshot(grid);
  for (CPoint p : {CPoint(20, 50), CPoint(275, 50), CPoint(100, 230)}) Click(p);
  EXPECT_TRUE(window.events.empty());
  EXPECT_EQ(Snapshot(grid), before);
  grid.SetCellHeaderFlag(0, 2, 0);
  Click(At(0, 2));
  EXPECT_EQ(Events(), std::vector<EventRecord>{Selected(0, 2)});
  EXPECT_EQ(grid.m_pFocusCell, Cell(0, 2));
  ExpectNoFailure();
}

// A press on a header begins a column drag, so a click there selects
// nothing; a release over a header after a press elsewhere is reported but
// leaves the focus where it was.
TEST_F(Mouse, HeaderClicksAreDragsThatEndSilently) {
  Click(At(2, 2));
  window.ClearRecords();
  Click(At(0, 3));
  EXPECT_TRUE(window.events.empty());
  EXPECT_FALSE(window.captured);
  EXPECT_EQ(grid.m_nMouseMode, MOUSE_IDLE);
  Press(At(2, 3));
  Release(At(0, 3));
  EXPECT_EQ(Events(), std::vector<EventRecord>{Selected(0, 3)});
  EXPECT_EQ(grid.m_pFocusCell, Cell(2, 2));
}

// The second click on the focus cell reaches the double-click handler and
// opens the editor over it with its text, unless the cell is read-only.
TEST_F(Mouse, SecondClickOnTheFocusCellOpensTheEditor) {
  grid.SetCellReadOnlyFlag(4, 2);
  Click(At(4, 2));
  Click(At(4, 2));
  EXPECT_EQ(Editor(), nullptr);
  EXPECT_EQ(grid.m_bEditMode, 0);
  grid.SetCellText(4, 1, u"xyz");
  window.ClearRecords();
  Click(At(4, 1));
  EXPECT_EQ(Editor(), nullptr);
  Click(At(4, 1));
  EXPECT_EQ(Events(), (std::vector<EventRecord>{Selected(4, 1), Selected(4, 1)}));
  ASSERT_NE(Editor(), nullptr);
  EXPECT_TRUE(Editor()->IsWindowVisible());
  EXPECT_EQ(Editor()->GetWindowText(), CString(u"xyz"));
  EXPECT_TRUE(EditorHasFocus());
  EXPECT_EQ(grid.m_bEditMode, 1);
  EXPECT_EQ(Editor()->Rect(), CRect(50, 80, 99, 99));  // grid lines stay visible
  EXPECT_EQ(Editor()->Font(), grid.m_fontDefault.GetSafeHandle());
  EXPECT_EQ(Count(WM_LBUTTONDBLCLK), 1);
  ExpectNoFailure();
}

// During an edit a click elsewhere reports the selection, then the exit of
// the edited cell; the host sees the state before each step.
TEST_F(Mouse, ClickingAnotherCellDuringAnEditReportsSelectThenExit) {
  Click(At(2, 2));
  Click(At(2, 2));
  Type(u"hi");
  window.ClearRecords();
  std::vector<std::string> seen;
  window.onEvent = [&](DISPID id, const CDispArgs&) {
    seen.push_back(std::to_string(id) + ":" + std::to_string(grid.GetCurrentRow()) + "," +
                   std::to_string(grid.GetCurrentColumn()) + " edit " + std::to_string(grid.m_bEditMode) +
                   " shown " + std::to_string(Editor()->IsWindowVisible()));
  };
  Click(At(5, 3));
  EXPECT_EQ(Events(), (std::vector<EventRecord>{Selected(5, 3), Exited(2, 2)}));
  EXPECT_EQ(seen, (std::vector<std::string>{"1:2,2 edit 1 shown 1", "2:2,2 edit 1 shown 0"}));
  EXPECT_FALSE(Editor()->IsWindowVisible());
  EXPECT_EQ(grid.m_bEditMode, 0);
  EXPECT_EQ(grid.m_pFocusCell, Cell(5, 3));
  EXPECT_EQ(Text(2, 2), "hi");
  window.ClearRecords();
  Click(At(6, 1));  // with the edit over, the selection only
  EXPECT_EQ(Events(), std::vector<EventRecord>{Selected(6, 1)});
}

TEST_F(Mouse, AHostRebuildingTheGridFromItsHandlerCausesNoHarm) {
  Click(At(2, 2));
  window.onEvent = [&](DISPID, const CDispArgs&) { grid.ResizeGrid(2, 2); };
  Click(At(6, 4));  // the clicked cell no longer exists after the event
  EXPECT_EQ(CheckInvariants(grid), "");
  EXPECT_EQ(window.failedMessages.size(), 1u);
}

// A double click on a header steps its sort state 0, 1, 2, 0 (any other
// state counts on) and repaints; on a read-only cell it does nothing; on
// another cell during an edit it moves the edit there.
TEST_F(Mouse, DoubleClicks) {
  for (int expected : {1, 2, 0, 1}) {
    window.ClearRecords();
    window.Send(WM_LBUTTONDBLCLK, MK_LBUTTON, Pt(At(0, 1)));
    EXPECT_EQ(Cell(0, 1)->m_nSortState, expected);
    ASSERT_EQ(window.invalidations.size(), 1u);
    EXPECT_TRUE(window.invalidations[0].whole);
    EXPECT_TRUE(window.events.empty());
    EXPECT_TRUE(window.defaultCalls.empty());
  }
  grid.SetCellSortState(0, 1, 7);
  window.Send(WM_LBUTTONDBLCLK, MK_LBUTTON, Pt(At(0, 1)));
  EXPECT_EQ(Cell(0, 1)->m_nSortState, 8);
  grid.SetCellReadOnlyFlag(3, 3);
  std::string before = Snapshot(grid);
  window.Send(WM_LBUTTONDBLCLK, MK_LBUTTON, Pt(At(3, 3)));
  EXPECT_EQ(Snapshot(grid), before);
  EXPECT_EQ(Editor(), nullptr);

  grid.SetCellText(7, 4, u"seven");
  Click(At(2, 2));
  Click(At(2, 2));
  window.ClearRecords();
  window.Send(WM_LBUTTONDBLCLK, MK_LBUTTON, Pt(At(7, 4)));
  EXPECT_EQ(Events(), std::vector<EventRecord>{Exited(2, 2)});
  EXPECT_EQ(grid.m_pFocusCell, Cell(7, 4));
  EXPECT_EQ(grid.m_bEditMode, 1);
  EXPECT_TRUE(Editor()->IsWindowVisible());
  EXPECT_EQ(Editor()->GetWindowText(), CString(u"seven"));
  EXPECT_EQ(Editor()->Rect(), CRect(200, 140, 249, 159));
}

// Ctrl+right click on a header moves its column to the front; other right
// clicks and the hit test are the framework's.
TEST_F(Mouse, CtrlRightClickOnAHeaderMovesItsColumnToTheFront) {
  window.Send(WM_RBUTTONUP, 0, Pt(At(0, 3)));
  window.Send(WM_RBUTTONUP, MK_CONTROL, Pt(At(4, 3)));  // not a header
  EXPECT_EQ(Order(), (std::vector<UINT>{0, 1, 2, 3, 4}));
  EXPECT_TRUE(window.invalidations.empty());
  window.Send(WM_RBUTTONUP, MK_CONTROL, Pt(At(0, 3)));
  EXPECT_EQ(Order(), (std::vector<UINT>{3, 0, 1, 2, 4}));
  EXPECT_EQ(window.invalidations.size(), 1u);
  EXPECT_TRUE(window.events.empty());
  EXPECT_EQ(window.defaultCalls, (std::vector<UINT>{WM_RBUTTONUP, WM_RBUTTONUP, WM_RBUTTONUP}));
  EXPECT_EQ(window.Send(WM_NCHITTEST, 0, MAKELPARAM(150, 100)), HTCLIENT);
  EXPECT_EQ(window.defaultCalls.back(), UINT(WM_NCHITTEST));
}

}  // namespace
}  // namespace TzGrid::Test
