// The in-place editor: typing and double-click edits, the text following
// the editor, the editor's own keys, and the ways an edit ends.
#include "InputTestSupport.h"

namespace TzGrid::Test {
namespace {

using Editing = UserGrid;

TEST_F(Editing, TypingReplacesTheText) {
  grid.SetCellText(3, 2, u"xyz");
  Click(At(3, 2));
  Type(u'a');
  ASSERT_NE(Editor(), nullptr);
  EXPECT_EQ(Editor()->GetWindowText(), CString(u"a"));
  EXPECT_EQ(Text(3, 2), "a");
  EXPECT_TRUE(EditorHasFocus());
  EXPECT_EQ(grid.m_bEditMode, 1);
  // Origin plus the column's width and the row's height, less one.
  EXPECT_EQ(Editor()->Rect(), CRect(100, 60, 149, 79));
  // The emptied text and the typed letter were both reported.
  EXPECT_EQ(Editor()->updateNotifications, 2);
  Type(u"bc");
  Type(u'\b');
  EXPECT_EQ(Text(3, 2), "ab");
  Click(At(5, 0));
  EXPECT_EQ(Text(3, 2), "ab");  // moving away keeps it
  ExpectNoFailure();
}

// A host can make rows as high as a long holds. A cell below one has its
// origin at the end of the int range and its bottom edge past it: the
// editor's rectangle wraps as the platform's arithmetic does, and nothing
// overflows on the way (the sanitizer run checks that).
TEST_F(Editing, EditorBelowAHugeRowWrapsItsRectangle) {
  Click(At(3, 2));
  grid.SetRowHeight(2, 0x7FFFFFFF - 40);  // row 3 starts at y = 2^31 - 1
  Type(u'a');
  ASSERT_NE(Editor(), nullptr);
  EXPECT_EQ(Text(3, 2), "a");
  const CRect rect = Editor()->Rect();
  EXPECT_EQ(rect.left, 100);
  EXPECT_EQ(rect.top, 0x7FFFFFFF);
  EXPECT_EQ(rect.Width(), 49);
  EXPECT_EQ(rect.Height(), 19);
  ExpectNoFailure();
}

// Fixed rows raised past the top row draw a row twice in one paint: in the
// header band and among the scrolled rows. The editor goes over the first
// of the two and stays there paint after paint (moved back and forth, a
// real window would be due for another paint for ever).
TEST_F(Editing, AnEditedRowDrawnTwiceKeepsTheEditorInOnePlace) {
  grid.ResizeGrid(5, 40);  // more rows than the window shows: it scrolls
  Click(At(3, 1));
  Type(u'a');
  window.Send(WM_VSCROLL, SB_LINEDOWN, 0);
  window.Send(WM_VSCROLL, SB_LINEDOWN, 0);
  ASSERT_EQ(grid.m_nTopRow, 3);
  grid.SetNumFixedRows(5);  // rows 0..4 in the band; row 3 also first among the scrolled
  window.PaintAll();
  const CRect placed = Editor()->Rect();
  EXPECT_EQ(placed, CRect(50, 59, 99, 80));  // row 3 in the band, y 60..79, one pixel over
  const int movesBefore = Editor()->moves;
  grid.InvalidateControl();
  window.PaintAll();
  EXPECT_EQ(Editor()->Rect(), placed);
  EXPECT_EQ(Editor()->moves - movesBefore, 1);  // placed once by the one paint
  ExpectNoFailure();
}

TEST_F(Editing, DoubleClickShowsTheTextUntilTheUserChangesIt) {
  grid.SetCellText(2, 4, u"xyz");
  DoubleClick(At(2, 4));
  EXPECT_EQ(Editor()->GetWindowText(), CString(u"xyz"));
  EXPECT_EQ(Text(2, 4), "xyz");
  Type(u'!');
  EXPECT_EQ(Text(2, 4), "xyz!");
}

TEST_F(Editing, ReadOnlyAndCtrlCharactersStartNoEdit) {
  grid.SetCellReadOnlyFlag(3, 3);
  Click(At(3, 3));
  window.ClearRecords();
  Type(u'q');
  EXPECT_EQ(Editor(), nullptr);
  EXPECT_EQ(window.defaultCalls, std::vector<UINT>{WM_CHAR});  // passed to the base handler
  Click(At(3, 1));
  window.ClearRecords();
  window.SetKeyDown(VK_CONTROL, true);
  Type(u'q');
  window.SetKeyDown(VK_CONTROL, false);
  EXPECT_EQ(Editor(), nullptr);
  EXPECT_TRUE(window.defaultCalls.empty());
  Type(u'\t');  // not editing: a Tab character starts an edit like any other
  EXPECT_EQ(grid.m_bEditMode, 1);
}

TEST_F(Editing, WithoutAFocusCellCharactersGoToTheBaseHandler) {
  Type(u'z');
  EXPECT_EQ(Editor(), nullptr);
  EXPECT_EQ(window.defaultCalls, std::vector<UINT>{WM_CHAR});
}

TEST_F(Editing, EnterMovesRightAndReportsTheEditedCell) {
  Click(At(4, 1));
  Type(u"new");
  Key(VK_RETURN);
  EXPECT_EQ(Events(), (std::vector<EventRecord>{Selected(4, 1), Exited(4, 1)}));
  EXPECT_EQ(grid.m_pFocusCell, Cell(4, 2));
  EXPECT_EQ(grid.m_bEditMode, 0);
  EXPECT_FALSE(Editor()->IsWindowVisible());
  EXPECT_EQ(Text(4, 1), "new");
  // Enter was not given to the edit control.
  for (UINT m : Editor()->defaultCalls) EXPECT_NE(m, WM_KEYDOWN);
}

TEST_F(Editing, EnterInTheLastColumnKeepsTheEdit) {
  Click(At(4, 4));
  Type(u'x');
  Key(VK_RETURN);
  EXPECT_EQ(grid.m_pFocusCell, Cell(4, 4));
  EXPECT_EQ(grid.m_bEditMode, 1);
  EXPECT_TRUE(Editor()->IsWindowVisible());
  EXPECT_EQ(Events(), std::vector<EventRecord>{Selected(4, 4)});
}

TEST_F(Editing, UpAndDownEndTheEditLeftAndRightStayInIt) {
  Click(At(4, 2));
  Type(u'x');
  Key(VK_LEFT);
  Key(VK_RIGHT);
  EXPECT_EQ(grid.m_pFocusCell, Cell(4, 2));
  EXPECT_EQ(grid.m_bEditMode, 1);
  Key(VK_DOWN);
  EXPECT_EQ(grid.m_pFocusCell, Cell(5, 2));
  EXPECT_EQ(grid.m_bEditMode, 0);
  Type(u'y');
  Key(VK_UP);
  EXPECT_EQ(grid.m_pFocusCell, Cell(4, 2));
  EXPECT_EQ(Events(), (std::vector<EventRecord>{Selected(4, 2), Exited(4, 2), Exited(5, 2)}));
  EXPECT_EQ(Text(5, 2), "y");
}

TEST_F(Editing, SetCellTextOnTheEditedCellHidesTheEditorSilently) {
  Click(At(2, 2));
  Type(u'x');
  window.ClearRecords();
  grid.SetCellText(2, 2, u"host");
  EXPECT_FALSE(Editor()->IsWindowVisible());
  EXPECT_EQ(grid.m_bEditMode, 0);
  EXPECT_TRUE(window.events.empty());
  EXPECT_EQ(Text(2, 2), "host");
}

TEST_F(Editing, LosingTheFocusHidesTheEditorUntilTheCellIsDrawnAgain) {
  Click(At(2, 2));
  Type(u'x');
  window.MoveFocusAway();
  EXPECT_FALSE(Editor()->IsWindowVisible());
  EXPECT_EQ(grid.m_bEditMode, 1);
  EXPECT_TRUE(window.events.size() == 1);
  window.PaintAll();
  EXPECT_TRUE(Editor()->IsWindowVisible());
  EXPECT_FALSE(EditorHasFocus());
}

TEST_F(Editing, TextWrittenAfterTheFocusCellWentGoesNowhere) {
  Click(At(2, 2));
  Type(u'x');
  grid.ResizeGrid(5, 2);  // deletes the focus cell during the edit
  EXPECT_EQ(grid.m_pFocusCell, nullptr);
  Type(u'y');
  EXPECT_EQ(Editor()->GetWindowText(), CString(u"xy"));
  EXPECT_EQ(CheckInvariants(grid), "");
  ExpectNoFailure();
}

TEST_F(Editing, EditorFollowsScrollingOutOfAndBackIntoView) {
  window.Resize(300, 100);  // rows 1 .. 4 visible, the grid scrolls
  window.PaintAll();
  Click(At(2, 1));
  Type(u'x');
  for (int i = 0; i < 3; ++i) window.Send(WM_VSCROLL, SB_LINEDOWN, 0);
  EXPECT_EQ(grid.m_nTopRow, 4);
  EXPECT_FALSE(Editor()->IsWindowVisible());
  window.MoveFocusAway();
  for (int i = 0; i < 2; ++i) window.Send(WM_VSCROLL, SB_LINEUP, 0);
  EXPECT_EQ(grid.m_nTopRow, 2);
  EXPECT_TRUE(Editor()->IsWindowVisible());
  EXPECT_TRUE(EditorHasFocus());
  // Scrolling moves no child window: the editor keeps its place.
  EXPECT_EQ(Editor()->Rect(), CRect(50, 40, 99, 59));
  // Once the edit is over, scrolling the row back into view shows nothing.
  Key(VK_RETURN);
  ASSERT_EQ(grid.m_bEditMode, 0);
  ASSERT_FALSE(Editor()->IsWindowVisible());
  window.Send(WM_VSCROLL, SB_LINEDOWN, 0);
  window.Send(WM_VSCROLL, SB_LINEUP, 0);
  EXPECT_FALSE(Editor()->IsWindowVisible());
}

TEST_F(Editing, BackspaceOnTheGridEmptiesTheCellThenItsCharacterOpensAnEdit) {
  grid.SetCellText(3, 0, u"abc");
  Click(At(3, 0));
  window.ClearRecords();
  Key(VK_BACK);
  EXPECT_EQ(Text(3, 0), "");
  EXPECT_EQ(window.defaultCalls, (std::vector<UINT>{WM_KEYDOWN, WM_KEYUP}));
  Type(u'\b');
  EXPECT_EQ(grid.m_bEditMode, 1);
  EXPECT_EQ(Editor()->GetWindowText(), CString());
}

}  // namespace
}  // namespace TzGrid::Test
