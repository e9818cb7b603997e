// Mouse selection and its events, header double clicks and Ctrl+right
// clicks, driven by button messages on the headless window.
#include "InputTestSupport.h"

namespace TzGrid::Test {
namespace {

using Mouse = UserGrid;

TEST_F(Mouse, ClickSelectsOnReleaseAndReportsTheColumnIndex) {
  for (int p = 0; p < 5; ++p) grid.m_layout.SetColumnAtPosition(p, UINT(p == 0 ? 0 : p == 1 ? 4 : p - 1));  // [0 4 1 2 3]
  Press(At(3, 2));
  EXPECT_EQ(grid.m_pFocusCell, nullptr);  // nothing happens on the press
  EXPECT_TRUE(window.events.empty());
  Release(At(3, 2));
  EXPECT_EQ(Events(), std::vector<EventRecord>{Selected(3, 1)});
  EXPECT_EQ(grid.m_pFocusCell, Cell(3, 1));
  // The cell is redrawn in place; nothing asks for a repaint.
  EXPECT_TRUE(window.invalidations.empty());
  EXPECT_FALSE(window.HasUpdate());
  ExpectNoFailure();
}

TEST_F(Mouse, ClickOnNothingChangesNothing) {
  grid.SetFixedColumns(1);
  window.PaintAll();  // the scroll state follows the new fixed strip
  window.ClearRecords();
  std::string before = Snapshot(grid);
  Click(CPoint(20, 50));    // the fixed strip
  Click(CPoint(275, 50));   // right of the last column
  Click(CPoint(100, 230));  // below the last row
  EXPECT_TRUE(window.events.empty());
  EXPECT_EQ(Snapshot(grid), before);
  EXPECT_TRUE(window.failedMessages.empty());
}

TEST_F(Mouse, AnOrdinaryCellInAFixedRowIsSelectable) {
  grid.SetCellHeaderFlag(0, 2, 0);
  Click(At(0, 2));
  EXPECT_EQ(Events(), std::vector<EventRecord>{Selected(0, 2)});
  EXPECT_EQ(grid.m_pFocusCell, Cell(0, 2));
}

TEST_F(Mouse, HeaderPressBeginsADragThatAClickEndsSilently) {
  Click(At(2, 2));
  window.ClearRecords();
  Click(At(0, 3));
  EXPECT_TRUE(window.events.empty());
  EXPECT_FALSE(window.captured);
  EXPECT_EQ(grid.m_nMouseMode, MOUSE_IDLE);
  // A release over a header after a press elsewhere is reported, but the
  // focus stays where it was.
  Press(At(2, 3));
  Release(At(0, 3));
  EXPECT_EQ(Events(), std::vector<EventRecord>{Selected(0, 3)});
  EXPECT_EQ(grid.m_pFocusCell, Cell(2, 2));
}

TEST_F(Mouse, SecondClickOnTheFocusCellOpensTheEditorWithItsText) {
  grid.SetCellText(4, 1, u"xyz");
  Click(At(4, 1));
  EXPECT_EQ(Editor(), nullptr);
  Click(At(4, 1));
  EXPECT_EQ(Events(), (std::vector<EventRecord>{Selected(4, 1), Selected(4, 1)}));
  ASSERT_NE(Editor(), nullptr);
  EXPECT_TRUE(Editor()->IsWindowVisible());
  EXPECT_EQ(Editor()->GetWindowText(), CString(u"xyz"));
  EXPECT_EQ(Text(4, 1), "xyz");
  EXPECT_TRUE(EditorHasFocus());
  EXPECT_EQ(grid.m_bEditMode, 1);
  CRect cell;
  grid.GetCellRect(4, 1, &cell);
  EXPECT_EQ(Editor()->Rect(), CRect(cell.left, cell.top, cell.right, cell.bottom));
  EXPECT_EQ(Editor()->Rect(), CRect(50, 80, 99, 99));  // grid lines stay visible
  EXPECT_EQ(Editor()->Style(), 0x50810080u);
  EXPECT_EQ(Editor()->ControlId(), 1u);
  EXPECT_EQ(Editor()->Font(), grid.m_fontDefault.GetSafeHandle());
  EXPECT_NE(Editor()->Font(), nullptr);
  // The second click reached the double-click handler through the window.
  int dblclks = 0;
  for (const MSG& m : window.sentMessages) dblclks += m.message == WM_LBUTTONDBLCLK;
  EXPECT_EQ(dblclks, 1);
  ExpectNoFailure();
}

TEST_F(Mouse, SecondClickOnAReadOnlyFocusCellOpensNoEditor) {
  grid.SetCellReadOnlyFlag(4, 1);
  Click(At(4, 1));
  Click(At(4, 1));
  EXPECT_EQ(Events(), (std::vector<EventRecord>{Selected(4, 1), Selected(4, 1)}));
  EXPECT_EQ(Editor(), nullptr);
  EXPECT_EQ(grid.m_pFocusCell, Cell(4, 1));
  EXPECT_EQ(grid.m_bEditMode, 0);
}

TEST_F(Mouse, ClickingAnotherCellDuringAnEditReportsSelectThenExit) {
  Click(At(2, 2));
  Click(At(2, 2));
  Type(u"hi");
  window.ClearRecords();
  Click(At(5, 3));
  EXPECT_EQ(Events(), (std::vector<EventRecord>{Selected(5, 3), Exited(2, 2)}));
  EXPECT_FALSE(Editor()->IsWindowVisible());
  EXPECT_EQ(grid.m_bEditMode, 0);
  EXPECT_EQ(grid.m_pFocusCell, Cell(5, 3));
  EXPECT_EQ(Text(2, 2), "hi");
  // With the edit over, the next click reports the selection only.
  window.ClearRecords();
  Click(At(6, 1));
  EXPECT_EQ(Events(), std::vector<EventRecord>{Selected(6, 1)});
}

TEST_F(Mouse, TheHostSeesTheStateBeforeEachStep) {
  Click(At(2, 2));
  Click(At(2, 2));  // editing (2, 2)
  std::vector<std::string> seen;
  window.onEvent = [&](DISPID id, const CDispArgs&) {
    // The host asks the control for its current cell from its handler.
    LONG row = grid.GetCurrentRow();
    LONG col = grid.GetCurrentColumn();
    seen.push_back(std::to_string(id) + ":" + std::to_string(row) + "," + std::to_string(col) + " edit " +
                   std::to_string(grid.m_bEditMode) + " shown " + std::to_string(Editor()->IsWindowVisible()));
  };
  Click(At(6, 0));
  // GridCellSelected: nothing has changed yet. GridCellExited: the editor is
  // already hidden, the focus not yet moved.
  EXPECT_EQ(seen, (std::vector<std::string>{"1:2,2 edit 1 shown 1", "2:2,2 edit 1 shown 0"}));
}

TEST_F(Mouse, AHostRebuildingTheGridFromItsHandlerCausesNoHarm) {
  Click(At(2, 2));
  window.onEvent = [&](DISPID, const CDispArgs&) { grid.ResizeGrid(2, 2); };
  Click(At(6, 4));  // the clicked cell no longer exists after the event
  EXPECT_EQ(CheckInvariants(grid), "");
  EXPECT_EQ(window.failedMessages.size(), 1u);
}

TEST_F(Mouse, DoubleClickOnAHeaderStepsItsSortState) {
  for (int expected : {1, 2, 0, 1}) {
    window.ClearRecords();
    window.Send(WM_LBUTTONDBLCLK, MK_LBUTTON, Pt(At(0, 1)));
    EXPECT_EQ(Cell(0, 1)->m_nSortState, expected);
    ASSERT_EQ(window.invalidations.size(), 1u);
    EXPECT_TRUE(window.invalidations[0].whole);
    EXPECT_TRUE(window.events.empty());
    EXPECT_TRUE(window.defaultCalls.empty());  // no base handler
  }
  grid.SetCellSortState(0, 1, 7);
  window.Send(WM_LBUTTONDBLCLK, MK_LBUTTON, Pt(At(0, 1)));
  EXPECT_EQ(Cell(0, 1)->m_nSortState, 8);
}

TEST_F(Mouse, DoubleClickOnAReadOnlyCellDoesNothing) {
  grid.SetCellReadOnlyFlag(3, 3);
  std::string before = Snapshot(grid);
  window.Send(WM_LBUTTONDBLCLK, MK_LBUTTON, Pt(At(3, 3)));
  EXPECT_EQ(Snapshot(grid), before);
  EXPECT_EQ(Editor(), nullptr);
  EXPECT_TRUE(window.defaultCalls.empty());
}

TEST_F(Mouse, DoubleClickOnAnotherCellDuringAnEditMovesTheEdit) {
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
}

TEST_F(Mouse, HitTestIsTheFrameworks) {
  EXPECT_EQ(window.Send(WM_NCHITTEST, 0, MAKELPARAM(150, 100)), HTCLIENT);
  EXPECT_EQ(window.defaultCalls, std::vector<UINT>{WM_NCHITTEST});
}

}  // namespace
}  // namespace TzGrid::Test
