// Scroll handlers on the 10 x 30 layout (columns 50 wide, rows 20 high, one
// fixed row, no fixed columns) in a 200 x 200 client area, driven through
// WM_HSCROLL, WM_VSCROLL and WM_MOUSEWHEEL as the scroll bars and the wheel
// send them.
#include "TestSupport.h"

namespace TzGrid::Test {
namespace {

class Scroll : public ::testing::Test {
 protected:
  CTzGridCtrl grid;
  Headless::HeadlessWindow window{grid, 200, 200};
  void SetUp() override {
    grid.ResizeGrid(10, 30);
    window.PaintAll();
    window.ClearRecords();
  }
  void H(UINT code) { window.Send(WM_HSCROLL, MAKEWPARAM(int(code), 0), 0); }
  void V(UINT code) { window.Send(WM_VSCROLL, MAKEWPARAM(int(code), 0), 0); }
  void AtColumn(int first, int pos) {
    grid.m_nFirstCol = first;
    grid.m_nHScrollPos = pos;
  }
  void AtRow(int top, int pos) {
    grid.m_nTopRow = top;
    grid.m_nVScrollPos = pos;
  }
  void ExpectColumn(int first, int pos) {
    EXPECT_EQ(grid.m_nFirstCol, first);
    EXPECT_EQ(grid.m_nHScrollPos, pos);
  }
  void ExpectRow(int top, int pos) {
    EXPECT_EQ(grid.m_nTopRow, top);
    EXPECT_EQ(grid.m_nVScrollPos, pos);
  }
  void ExpectNoFailure() { EXPECT_TRUE(window.failedMessages.empty()) << window.failedMessages.front().second; }
};

TEST_F(Scroll, LineRightMovesOneColumnAndThePixels) {
  H(SB_LINELEFT);  // nothing left of the first column: no step, no failure
  ExpectColumn(0, 0);
  ExpectNoFailure();
  H(SB_LINERIGHT);
  ExpectColumn(1, 50);
  EXPECT_EQ(window.ScrollBar(SB_HORZ).nPos, 50);
  ASSERT_EQ(window.scrollCalls.size(), 1u);
  const auto& call = window.scrollCalls[0];
  EXPECT_EQ(call.dx, -50);
  EXPECT_EQ(call.dy, 0);
  EXPECT_EQ(call.rect, CRect(0, 0, 200, 200));
  EXPECT_EQ(call.clip, CRect(0, 0, 200, 200));
  // Only the uncovered strip waits for a repaint, never the whole control.
  EXPECT_EQ(window.UpdateRect(), CRect(150, 0, 200, 200));
  EXPECT_TRUE(window.invalidations.empty());
  ExpectNoFailure();
}

TEST_F(Scroll, PageRightPassesAClientWidthAndStopsAtTheEnd) {
  H(SB_PAGERIGHT);
  ExpectColumn(4, 200);
  AtColumn(8, 400);
  window.ClearRecords();
  H(SB_PAGERIGHT);  // columns 8 and 9 fit: the new position 500 is past 499
  ExpectColumn(8, 400);
  AtColumn(9, 450);
  H(SB_LINERIGHT);
  ExpectColumn(9, 450);
  EXPECT_TRUE(window.scrollCalls.empty());
}

TEST_F(Scroll, PageLeftWalksBackAndJumpsToTheStartAtPositionZero) {
  AtColumn(8, 400);
  H(SB_PAGELEFT);
  ExpectColumn(4, 200);
  AtColumn(3, 150);
  H(SB_PAGELEFT);
  ExpectColumn(0, 0);
  EXPECT_EQ(window.scrollCalls.back().dx, 150);
  H(SB_PAGELEFT);  // nothing left of position 0
  H(SB_LINELEFT);
  ExpectColumn(0, 0);
  EXPECT_EQ(window.scrollCalls.size(), 2u);
}

TEST_F(Scroll, ThumbSnapsToTheLeftEdgeOfTheTargetColumn) {
  for (int t : {0, 50}) {
    AtColumn(3, 150);
    window.SetTrackPos(SB_HORZ, t);
    H(SB_THUMBTRACK);
    ExpectColumn(0, 0);
  }
  for (int t : {51, 100}) {
    AtColumn(3, 150);
    window.SetTrackPos(SB_HORZ, t);
    H(SB_THUMBPOSITION);
    ExpectColumn(1, 50);
  }
  AtColumn(0, 0);
  window.SetTrackPos(SB_HORZ, 120);
  H(SB_THUMBTRACK);
  ExpectColumn(2, 100);
  // Past every column: no target, nothing happens.
  window.SetTrackPos(SB_HORZ, 501);
  H(SB_THUMBTRACK);
  ExpectColumn(2, 100);
}

TEST_F(Scroll, VerticalPagesMeasureDifferently) {
  V(SB_PAGEDOWN);  // page of 200 - 20 (the fixed band)
  ExpectRow(10, 180);
  ASSERT_FALSE(window.scrollCalls.empty());
  EXPECT_EQ(window.scrollCalls.back().dy, -180);
  EXPECT_EQ(window.scrollCalls.back().rect, CRect(0, 20, 200, 200));
  AtRow(20, 380);
  V(SB_PAGEUP);  // page of the full 200
  ExpectRow(10, 180);
  AtRow(25, 480);
  V(SB_PAGEDOWN);  // never past the last row
  ExpectRow(29, 560);
  V(SB_LINEDOWN);
  ExpectRow(29, 560);
  AtRow(3, 40);
  V(SB_PAGEUP);  // stops at the first scrollable row
  ExpectRow(1, 0);
  V(SB_LINEUP);  // position would go below 0: clamped to a step of 0
  ExpectRow(1, 0);
}

TEST_F(Scroll, VerticalThumbAndLines) {
  window.SetTrackPos(SB_VERT, 41);
  V(SB_THUMBTRACK);
  ExpectRow(3, 40);
  V(SB_LINEUP);
  ExpectRow(2, 20);
  V(SB_LINEDOWN);
  V(SB_LINEDOWN);
  ExpectRow(4, 60);
  EXPECT_EQ(window.ScrollBar(SB_VERT).nPos, 60);
}

TEST_F(Scroll, NothingScrollsWhenEverythingFits) {
  window.Resize(500, 600);
  window.ClearRecords();
  for (UINT code = 0; code <= 8; ++code) {
    window.SetTrackPos(SB_HORZ, 120);
    window.SetTrackPos(SB_VERT, 120);
    H(code);
    V(code);
  }
  ExpectColumn(0, 0);
  ExpectRow(1, 0);
  EXPECT_TRUE(window.scrollCalls.empty());
}

TEST_F(Scroll, EndCodesAreIgnored) {
  AtColumn(3, 150);
  AtRow(5, 80);
  for (UINT code : {SB_TOP, SB_BOTTOM, SB_ENDSCROLL}) {
    H(code);
    V(code);
  }
  ExpectColumn(3, 150);
  ExpectRow(5, 80);
  EXPECT_TRUE(window.scrollCalls.empty());
}

TEST_F(Scroll, WheelStepsOneRowWhateverTheDistance) {
  AtRow(10, 180);
  auto wheel = [&](int delta) { window.Send(WM_MOUSEWHEEL, MAKEWPARAM(0, delta), MAKELPARAM(10, 10)); };
  wheel(120);
  ExpectRow(9, 160);
  wheel(240);
  ExpectRow(8, 140);
  wheel(-120);
  ExpectRow(9, 160);
  wheel(0);
  ExpectRow(10, 180);
  // Each wheel message went through the window as one WM_VSCROLL.
  int vscrolls = 0;
  for (const MSG& m : window.sentMessages) vscrolls += m.message == WM_VSCROLL;
  EXPECT_EQ(vscrolls, 4);
}

TEST_F(Scroll, FixedStripStaysAndTheLastColumnIsNeverPassed) {
  grid.SetFixedColumns(2);
  grid.UpdateScrollBars();
  AtColumn(2, 0);
  H(SB_LINERIGHT);
  ExpectColumn(3, 50);
  EXPECT_EQ(window.scrollCalls.back().rect, CRect(100, 0, 200, 200));
  // With fixed columns the pixel clamp lets a step to position 10 through;
  // the count rule refuses it.
  AtColumn(9, 350);
  H(SB_LINERIGHT);
  ExpectColumn(9, 350);
}

// However narrow, the last column can be scrolled to the left edge: the
// pixel clamp lets the position reach the total width less one pixel.
TEST_F(Scroll, AOnePixelLastColumnCanBeScrolledTo) {
  grid.m_layout.SetWidthOfColumn(9, 1);
  grid.UpdateScrollBars();
  AtColumn(8, 400);
  H(SB_LINERIGHT);
  ExpectColumn(9, 450);
}

TEST_F(Scroll, PageRightPastAColumnWiderThanTheClientDoesNothing) {
  grid.m_layout.SetWidthOfColumn(0, 250);
  grid.UpdateScrollBars();
  H(SB_PAGERIGHT);
  ExpectColumn(0, 0);
  H(SB_LINERIGHT);  // a line step still passes it
  ExpectColumn(1, 250);
}

TEST_F(Scroll, TheEditorHidesWhileItsColumnIsOutOfViewAndComesBackWithTheFocus) {
  window.Send(WM_LBUTTONUP, 0, MAKELPARAM(75, 50));  // select (2, 1)
  window.Send(WM_CHAR, 'k', 1);                      // and type into it
  Headless::HeadlessEdit* editor = window.EditChild();
  ASSERT_NE(editor, nullptr);
  const CRect placed = editor->Rect();
  H(SB_LINERIGHT);
  EXPECT_TRUE(editor->IsWindowVisible());  // column 1 is now the first shown
  H(SB_LINERIGHT);
  EXPECT_FALSE(editor->IsWindowVisible());
  window.MoveFocusAway();
  H(SB_LINELEFT);
  EXPECT_TRUE(editor->IsWindowVisible());
  EXPECT_TRUE(editor->HasFocus());
  EXPECT_EQ(editor->Rect(), placed);  // never moved by a scroll
  // Right of the last visible position it is hidden as well.
  H(SB_LINELEFT);
  grid.m_pFocusCell = grid.GetCell(2, 5);
  H(SB_LINERIGHT);
  // Position 5 is the first one not inside the client area: still counted
  // as visible. Position 6 is beyond it.
  EXPECT_TRUE(editor->IsWindowVisible());
  grid.m_pFocusCell = grid.GetCell(2, 6);
  H(SB_LINELEFT);
  EXPECT_FALSE(editor->IsWindowVisible());  // back at 0 the last counted is 4
  EXPECT_EQ(grid.GetCell(2, 1)->m_strText, CString(u"k"));
  // Once the edit is over, scrolling its column back into view shows nothing.
  grid.m_bEditMode = 0;
  grid.m_pFocusCell = grid.GetCell(2, 1);
  H(SB_LINERIGHT);
  H(SB_LINELEFT);
  EXPECT_FALSE(editor->IsWindowVisible());
}

TEST_F(Scroll, ABadOrderMapEndsTheMessageWithoutAChange) {
  grid.m_layout.SetColumnAtPosition(1, 77);
  std::string before = Snapshot(grid);
  H(SB_PAGERIGHT);
  EXPECT_EQ(Snapshot(grid), before);
  ASSERT_EQ(window.failedMessages.size(), 1u);
  EXPECT_EQ(window.failedMessages[0].first, WM_HSCROLL);
}

}  // namespace
}  // namespace TzGrid::Test

namespace TzGrid::Test {
namespace {

// After a scroll the window shows moved pixels plus a repainted strip; that
// must be exactly the picture a full repaint of the scrolled state draws.
class ScrollPixels : public Scroll {
 protected:
  void SetUp() override {
    Scroll::SetUp();
    for (int r = 0; r < 30; ++r) {
      for (int c = 0; c < 10; ++c) grid.GetCell(r, c)->m_strText = CString::FromUtf8(std::to_string(r * 10 + c));
    }
    for (int c = 0; c < 10; ++c) grid.GetCell(0, c)->m_bHeader = true;
    grid.GetCell(3, 2)->m_clrBack = RGB(200, 220, 90);
    grid.GetCell(4, 3)->m_nJustify = 2;
    grid.m_pFocusCell = grid.GetCell(5, 1);
    window.PaintAll();
    window.ClearRecords();
  }
  void ExpectSameAsFullRepaint(UINT message, UINT code) {
    window.Send(message, code, 0);
    ASSERT_FALSE(window.scrollCalls.empty());
    EXPECT_TRUE(window.Paint());
    const Headless::Pixmap scrolled = window.framebuffer;
    window.PaintAll();
    int differing = 0;
    for (std::size_t i = 0; i < scrolled.pixels.size(); ++i) differing += scrolled.pixels[i] != window.framebuffer.pixels[i];
    EXPECT_EQ(differing, 0) << "after message " << message << " code " << code;
    ExpectNoFailure();
    window.ClearRecords();
  }
};

TEST_F(ScrollPixels, LineStepsMatchAFullRepaint) {
  ExpectSameAsFullRepaint(WM_VSCROLL, SB_LINEDOWN);
  ExpectSameAsFullRepaint(WM_HSCROLL, SB_LINERIGHT);
  ExpectSameAsFullRepaint(WM_VSCROLL, SB_LINEDOWN);
  ExpectSameAsFullRepaint(WM_VSCROLL, SB_LINEUP);
  ExpectSameAsFullRepaint(WM_HSCROLL, SB_LINELEFT);
}

TEST_F(ScrollPixels, PagesAndAFixedStripMatchAFullRepaint) {
  grid.SetFixedColumns(1);
  window.PaintAll();
  window.ClearRecords();
  ExpectSameAsFullRepaint(WM_HSCROLL, SB_LINERIGHT);
  ExpectSameAsFullRepaint(WM_VSCROLL, SB_PAGEDOWN);
  ExpectSameAsFullRepaint(WM_HSCROLL, SB_PAGERIGHT);
  ExpectSameAsFullRepaint(WM_HSCROLL, SB_PAGELEFT);
}

}  // namespace
}  // namespace TzGrid::Test
