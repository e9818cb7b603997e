// The in-place editor: typing and double-click edits, the text following
// the editor, and edits ended from outside. The keys that end an edit are
// the module's key tests, through the real edit control.
#include "TestSupport.h"

namespace TzGrid::Test {
namespace {

using Editing = UserGrid;

// A typed character replaces the text, the cell following every change; a
// double click keeps the text. Characters that start no edit go to the base
// handler (without a focus cell, on a read-only cell), Ctrl ones nowhere.
TEST_F(Editing, TypingReplacesTheTextADoubleClickKeepsIt) {
  Type(u'z');
  EXPECT_EQ(window.defaultCalls, std::vector<UINT>{WM_CHAR});
  grid.SetCellText(3, 2, u"xyz");
  Click(At(3, 2));
  Type(u'a');
  EXPECT_EQ(Editor()->GetWindowText(), CString(u"a"));
  EXPECT_EQ(Editor()->Rect(), CRect(100, 60, 149, 79));  // origin plus width and height, less one
  EXPECT_EQ(Editor()->updateNotifications, 2);  // the emptied text and the typed letter
  Type(u"bc\b");
  EXPECT_EQ(Text(3, 2), "ab");
  Key(VK_LEFT);  // the caret's keys stay in the editor
  Key(VK_RIGHT);
  EXPECT_EQ(grid.m_focusCell, Cell(3, 2));
  EXPECT_EQ(grid.m_bEditMode, 1);
  grid.SetCellText(2, 4, u"xyz");
  Click(At(2, 4));  // the system's sequence for a double click
  window.Send(WM_LBUTTONDBLCLK, MK_LBUTTON, Pt(At(2, 4)));
  Release(At(2, 4));
  Type(u'!');
  EXPECT_EQ(Text(2, 4), "xyz!");
  EXPECT_EQ(Text(3, 2), "ab");
  grid.SetCellReadOnlyFlag(3, 3);
  Click(At(3, 3));
  window.ClearRecords();
  Type(u'q');
  EXPECT_EQ(window.defaultCalls, std::vector<UINT>{WM_CHAR});
  Click(At(3, 1));
  window.SetKeyDown(VK_CONTROL, true);
  Type(u'q');
  window.SetKeyDown(VK_CONTROL, false);
  EXPECT_EQ(grid.m_bEditMode, 0);
  Type(u'\t');  // not editing: a Tab character starts an edit like any other
  EXPECT_EQ(grid.m_bEditMode, 1);
  // The open editor lets go of the default font before it is deleted (the
  // system font meanwhile), then gets the new one.
  Editor()->sentMessages.clear();
  grid.SetDefaultFont(u"Courier New", 20, FW_BOLD);
  ASSERT_EQ(Editor()->sentMessages.size(), 2u);
  EXPECT_EQ(Editor()->sentMessages[0].message, UINT(WM_SETFONT));
  EXPECT_EQ(Editor()->sentMessages[0].wParam, WPARAM(0));
  EXPECT_EQ(Editor()->Font(), grid.m_fontDefault.GetSafeHandle());
  ExpectNoFailure();
}

// Rows as high as a long holds: the editor's rectangle below one wraps as
// the platform's arithmetic does, without overflowing (the sanitizer run
// checks that).
TEST_F(Editing, EditorBelowAHugeRowWrapsItsRectangle) {
  Click(At(3, 2));
  grid.SetRowHeight(2, 0x7FFFFFFF - 40);  // row 3 starts at y = 2^31 - 1
  Type(u'a');
  EXPECT_EQ(Editor()->Rect().TopLeft(), CPoint(100, 0x7FFFFFFF));
  EXPECT_EQ(Editor()->Rect().Width(), 49);
  EXPECT_EQ(Editor()->Rect().Height(), 19);
}

// Fixed rows raised past the top row draw a row twice in one paint. The
// editor goes over the first of the two and stays there: moved back and
// forth, a real window would be due for another paint for ever.
TEST_F(Editing, AnEditedRowDrawnTwiceKeepsTheEditorInOnePlace) {
  grid.ResizeGrid(5, 40);
  Click(At(3, 1));
  Type(u'a');
  grid.m_nTopRow = 3;
  grid.SetNumFixedRows(5);
  window.PaintAll();
  EXPECT_EQ(Editor()->Rect(), CRect(50, 59, 99, 80));  // row 3 in the band, one pixel over
  const int movesBefore = Editor()->moves;
  grid.InvalidateControl();
  window.PaintAll();
  EXPECT_EQ(Editor()->Rect(), CRect(50, 59, 99, 80));
  EXPECT_EQ(Editor()->moves - movesBefore, 1);
}

// The host's SetCellText hides the editor silently; losing the focus hides
// it until the cell is drawn again; a focus cell deleted mid-edit leaves the
// typed text nowhere to go.
TEST_F(Editing, EditsEndedFromOutside) {
  Click(At(2, 2));
  Type(u'x');
  window.ClearRecords();
  grid.SetCellText(2, 2, u"host");
  EXPECT_FALSE(Editor()->IsWindowVisible());
  EXPECT_EQ(grid.m_bEditMode, 0);
  EXPECT_TRUE(window.events.empty());
  Click(At(2, 3));
  Type(u'x');
  window.MoveFocusAway();
  EXPECT_FALSE(Editor()->IsWindowVisible());
  window.PaintAll();
  EXPECT_TRUE(Editor()->IsWindowVisible());
  EXPECT_FALSE(Editor()->HasFocus());
  grid.ResizeGrid(5, 2);
  EXPECT_EQ(grid.m_focusCell, CGridCell());
  Editor()->SendMessage(WM_CHAR, 'y', 1);
  EXPECT_EQ(Editor()->GetWindowText(), CString(u"xy"));
  EXPECT_EQ(CheckInvariants(grid), "");
  ExpectNoFailure();
}

}  // namespace
}  // namespace TzGrid::Test
