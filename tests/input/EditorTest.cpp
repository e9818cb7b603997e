// The in-place editor: typing and double-click edits, the text following
// the editor, the editor's own keys, and the ways an edit ends.
#include "InputTestSupport.h"

namespace TzGrid::Test {
namespace {

using Editing = UserGrid;

// A typed character replaces the text and opens the editor over the cell;
// the cell's text follows every change; a double click keeps the text.
TEST_F(Editing, TypingReplacesTheTextADoubleClickKeepsIt) {
  grid.SetCellText(3, 2, u"xyz");
  Click(At(3, 2));
  Type(u'a');
  ASSERT_NE(Editor(), nullptr);
  EXPECT_EQ(Editor()->GetWindowText(), CString(u"a"));
  EXPECT_TRUE(EditorHasFocus());
  EXPECT_EQ(grid.m_bEditMode, 1);
  EXPECT_EQ(Editor()->Rect(), CRect(100, 60, 149, 79));  // origin plus width and height, less one
  EXPECT_EQ(Editor()->updateNotifications, 2);  // the emptied text and the typed letter
  Type(u"bc");
  Type(u'\b');
  EXPECT_EQ(Text(3, 2), "ab");
  grid.SetCellText(2, 4, u"xyz");
  DoubleClick(At(2, 4));
  EXPECT_EQ(Text(3, 2), "ab");  // moving away keeps it
  EXPECT_EQ(Editor()->GetWindowText(), CString(u"xyz"));
  Type(u'!');
  EXPECT_EQ(Text(2, 4), "xyz!");
  ExpectNoFailure();
}

// Characters that start no edit go to the base handler, except Ctrl ones;
// Backspace empties the cell.
TEST_F(Editing, CharactersThatStartNoEdit) {
  Type(u'z');  // no focus cell
  EXPECT_EQ(window.defaultCalls, std::vector<UINT>{WM_CHAR});
  grid.SetCellReadOnlyFlag(3, 3);
  Click(At(3, 3));
  window.ClearRecords();
  Type(u'q');
  EXPECT_EQ(window.defaultCalls, std::vector<UINT>{WM_CHAR});
  Click(At(3, 1));
  window.ClearRecords();
  window.SetKeyDown(VK_CONTROL, true);
  Type(u'q');
  window.SetKeyDown(VK_CONTROL, false);
  EXPECT_EQ(Editor(), nullptr);
  EXPECT_TRUE(window.defaultCalls.empty());
  Type(u'\t');  // not editing: a Tab character starts an edit like any other
  EXPECT_EQ(grid.m_bEditMode, 1);
  // Backspace on the grid empties the cell; its character opens an empty edit.
  grid.SetCellText(3, 0, u"abc");
  Click(At(3, 0));
  window.ClearRecords();
  Key(VK_BACK);
  EXPECT_EQ(Text(3, 0), "");
  EXPECT_EQ(window.defaultCalls, (std::vector<UINT>{WM_KEYDOWN, WM_KEYUP}));
  Type(u'\b');
  EXPECT_EQ(Editor()->GetWindowText(), CString());
}

// A host can make rows as high as a long holds: the editor's rectangle
// below one wraps as the platform's arithmetic does, without overflowing
// on the way (the sanitizer run checks that).
TEST_F(Editing, EditorBelowAHugeRowWrapsItsRectangle) {
  Click(At(3, 2));
  grid.SetRowHeight(2, 0x7FFFFFFF - 40);  // row 3 starts at y = 2^31 - 1
  Type(u'a');
  ASSERT_NE(Editor(), nullptr);
  const CRect rect = Editor()->Rect();
  EXPECT_EQ(rect.left, 100);
  EXPECT_EQ(rect.top, 0x7FFFFFFF);
  EXPECT_EQ(rect.Width(), 49);
  EXPECT_EQ(rect.Height(), 19);
  ExpectNoFailure();
}

// Fixed rows raised past the top row draw a row twice in one paint. The
// editor goes over the first of the two and stays there: moved back and
// forth, a real window would be due for another paint for ever.
TEST_F(Editing, AnEditedRowDrawnTwiceKeepsTheEditorInOnePlace) {
  grid.ResizeGrid(5, 40);
  Click(At(3, 1));
  Type(u'a');
  window.Send(WM_VSCROLL, SB_LINEDOWN, 0);
  window.Send(WM_VSCROLL, SB_LINEDOWN, 0);
  ASSERT_EQ(grid.m_nTopRow, 3);
  grid.SetNumFixedRows(5);
  window.PaintAll();
  EXPECT_EQ(Editor()->Rect(), CRect(50, 59, 99, 80));  // row 3 in the band, one pixel over
  const int movesBefore = Editor()->moves;
  grid.InvalidateControl();
  window.PaintAll();
  EXPECT_EQ(Editor()->Rect(), CRect(50, 59, 99, 80));
  EXPECT_EQ(Editor()->moves - movesBefore, 1);
}

// Enter ends the edit and moves right, reporting the edited cell, but keeps
// it in the last column; Left and Right stay in the editor, Up and Down end
// the edit and move.
TEST_F(Editing, KeysThatEndAnEdit) {
  Click(At(4, 1));
  Type(u"new");
  Key(VK_RETURN);
  EXPECT_EQ(Events(), (std::vector<EventRecord>{Selected(4, 1), Exited(4, 1)}));
  EXPECT_EQ(grid.m_pFocusCell, Cell(4, 2));
  EXPECT_EQ(grid.m_bEditMode, 0);
  EXPECT_FALSE(Editor()->IsWindowVisible());
  EXPECT_EQ(Text(4, 1), "new");
  for (UINT m : Editor()->defaultCalls) EXPECT_NE(m, UINT(WM_KEYDOWN)) << "Enter reached the edit control";
  Type(u'x');
  Key(VK_LEFT);
  Key(VK_RIGHT);
  EXPECT_EQ(grid.m_pFocusCell, Cell(4, 2));
  EXPECT_EQ(grid.m_bEditMode, 1);
  Key(VK_DOWN);
  EXPECT_EQ(grid.m_pFocusCell, Cell(5, 2));
  Type(u'y');
  Key(VK_UP);
  EXPECT_EQ(grid.m_pFocusCell, Cell(4, 2));
  EXPECT_EQ(Text(5, 2), "y");
  Click(At(4, 4));
  Type(u'x');
  window.ClearRecords();
  Key(VK_RETURN);
  EXPECT_EQ(grid.m_pFocusCell, Cell(4, 4));
  EXPECT_EQ(grid.m_bEditMode, 1);
  EXPECT_TRUE(window.events.empty());
}

// Edits ended from outside: the host's SetCellText hides the editor
// silently; losing the focus hides it until the cell is drawn again; a
// focus cell deleted mid-edit leaves the typed text nowhere to go.
TEST_F(Editing, EditsEndedFromOutside) {
  Click(At(2, 2));
  Type(u'x');
  window.ClearRecords();
  grid.SetCellText(2, 2, u"host");
  EXPECT_FALSE(Editor()->IsWindowVisible());
  EXPECT_EQ(grid.m_bEditMode, 0);
  EXPECT_TRUE(window.events.empty());
  EXPECT_EQ(Text(2, 2), "host");
  Click(At(2, 3));
  window.Send(WM_CHAR, 'x', 1);
  window.MoveFocusAway();
  EXPECT_FALSE(Editor()->IsWindowVisible());
  EXPECT_EQ(grid.m_bEditMode, 1);
  window.PaintAll();
  EXPECT_TRUE(Editor()->IsWindowVisible());
  EXPECT_FALSE(EditorHasFocus());
  grid.ResizeGrid(5, 2);
  EXPECT_EQ(grid.m_pFocusCell, nullptr);
  Editor()->SendMessage(WM_CHAR, 'y', 1);
  EXPECT_EQ(Editor()->GetWindowText(), CString(u"xy"));
  EXPECT_EQ(CheckInvariants(grid), "");
  ExpectNoFailure();
}

// Scrolling moves no child window: the editor is hidden while its row is
// out of view and comes back, with the focus, only while the edit lasts.
TEST_F(Editing, EditorFollowsScrollingOutOfAndBackIntoView) {
  window.Resize(300, 100);  // rows 1 .. 4 visible
  window.PaintAll();
  Click(At(2, 1));
  Type(u'x');
  for (int i = 0; i < 3; ++i) window.Send(WM_VSCROLL, SB_LINEDOWN, 0);
  EXPECT_FALSE(Editor()->IsWindowVisible());
  window.MoveFocusAway();
  for (int i = 0; i < 2; ++i) window.Send(WM_VSCROLL, SB_LINEUP, 0);
  EXPECT_EQ(grid.m_nTopRow, 2);
  EXPECT_TRUE(Editor()->IsWindowVisible());
  EXPECT_TRUE(EditorHasFocus());
  EXPECT_EQ(Editor()->Rect(), CRect(50, 40, 99, 59));
  Key(VK_RETURN);
  ASSERT_FALSE(Editor()->IsWindowVisible());
  window.Send(WM_VSCROLL, SB_LINEDOWN, 0);
  window.Send(WM_VSCROLL, SB_LINEUP, 0);
  EXPECT_FALSE(Editor()->IsWindowVisible());
}

}  // namespace
}  // namespace TzGrid::Test
