// Scroll bars and scroll handlers on a 10 x 30 grid (cells of 50 x 20, one
// fixed row: 500 x 600 pixels) in a 200 x 200 client area, driven by the
// scroll bars' and the wheel's messages.
#include <climits>

#include "TestSupport.h"

namespace TzGrid::Test {
namespace {

class Scroll : public GridTest {
 protected:
  void SetUp() override {
    GridTest::SetUp();
    grid.ResizeGrid(10, 30);
    window.Resize(200, 200);
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
  std::pair<int, int> Column() const { return {grid.m_nFirstCol, grid.m_nHScrollPos}; }
  std::pair<int, int> Row() const { return {grid.m_nTopRow, grid.m_nVScrollPos}; }
  std::tuple<int, int, UINT, int> Bar(int bar) {
    const SCROLLINFO& s = window.ScrollBar(bar);
    return {s.nMin, s.nMax, s.nPage, s.nPos};
  }
};

TEST_F(Scroll, RangesLeaveOutTheLastColumnAndTheFixedBand) {
  EXPECT_EQ(Bar(SB_HORZ), std::tuple(0, 650, 200u, 0));
  EXPECT_EQ(Bar(SB_VERT), std::tuple(0, 760, 200u, 0));
  // The width left out is that of the highest column index, whatever the order.
  grid.m_layout.SetWidthOfColumn(9, 20);
  grid.MoveColumn(9, 0);
  grid.SetFixedColumns(2);  // the fixed strip is not left out; the fixed band is
  grid.SetFixedRows(3);
  AtColumn(0, 300);
  AtRow(1, 9999);  // clamped to the last page
  window.ClearRecords();
  grid.UpdateScrollBars();
  EXPECT_EQ(Bar(SB_HORZ), std::tuple(0, 470 - 20 + 200, 200u, 300));
  EXPECT_EQ(Bar(SB_VERT), std::tuple(0, 600 - 60 - 20 + 200, 200u, 720 - 200 + 1));
  // A bar is set only when something about it changed (a window system may
  // redraw a whole bar for every call), or when the system clamped it.
  EXPECT_EQ(window.scrollBarSets, 2);
  grid.m_nVScrollPos = 0;
  grid.UpdateScrollBars();
  window.ClearRecords();
  grid.UpdateScrollBars();
  EXPECT_EQ(window.scrollBarSets, 0);
  grid.m_nHScrollPos = 200;
  grid.UpdateScrollBars();
  EXPECT_EQ(window.scrollBarSets, 1);
}

// Each code from a given scroll state, at the ends of both ranges. Pages
// right and down measure the scrolled band, pages left and up the whole
// client; the thumb snaps to the leading edge of the item it reaches.
TEST_F(Scroll, EveryCodeFromTheMiddleAndTheEnds) {
  struct Case {
    UINT message;
    int index, pos;
    UINT code;
    int track;
    int wantIndex, wantPos;
  };
  const Case cases[] = {
      {WM_HSCROLL, 0, 0, SB_LINELEFT, 0, 0, 0},         {WM_HSCROLL, 0, 0, SB_PAGERIGHT, 0, 4, 200},
      {WM_HSCROLL, 8, 400, SB_PAGERIGHT, 0, 8, 400},    // 8 and 9 fit: 500 is past 499
      {WM_HSCROLL, 9, 450, SB_LINERIGHT, 0, 9, 450},    {WM_HSCROLL, 8, 400, SB_PAGELEFT, 0, 4, 200},
      {WM_HSCROLL, 3, 150, SB_PAGELEFT, 0, 0, 0},       {WM_HSCROLL, 0, 0, SB_PAGELEFT, 0, 0, 0},
      {WM_HSCROLL, 3, 150, SB_THUMBTRACK, 0, 0, 0},     {WM_HSCROLL, 3, 150, SB_THUMBTRACK, 50, 0, 0},
      {WM_HSCROLL, 3, 150, SB_THUMBPOSITION, 51, 1, 50}, {WM_HSCROLL, 3, 150, SB_THUMBPOSITION, 100, 1, 50},
      {WM_HSCROLL, 0, 0, SB_THUMBTRACK, 120, 2, 100},   {WM_HSCROLL, 2, 100, SB_THUMBTRACK, 501, 2, 100},
      {WM_HSCROLL, 3, 150, SB_TOP, 0, 3, 150},          {WM_HSCROLL, 3, 150, SB_ENDSCROLL, 0, 3, 150},
      {WM_VSCROLL, 1, 0, SB_PAGEDOWN, 0, 10, 180},      {WM_VSCROLL, 20, 380, SB_PAGEUP, 0, 10, 180},
      {WM_VSCROLL, 25, 480, SB_PAGEDOWN, 0, 29, 560},   {WM_VSCROLL, 29, 560, SB_LINEDOWN, 0, 29, 560},
      {WM_VSCROLL, 3, 40, SB_PAGEUP, 0, 1, 0},          {WM_VSCROLL, 1, 0, SB_LINEUP, 0, 1, 0},
      {WM_VSCROLL, 1, 0, SB_THUMBTRACK, 41, 3, 40},     {WM_VSCROLL, 3, 40, SB_LINEUP, 0, 2, 20},
      {WM_VSCROLL, 2, 20, SB_LINEDOWN, 0, 3, 40},       {WM_VSCROLL, 5, 80, SB_BOTTOM, 0, 5, 80},
      {WM_VSCROLL, 5, 80, SB_THUMBTRACK, INT_MIN, 1, 0},  // the lowest track reaches the first row
  };
  for (const Case& c : cases) {
    const bool h = c.message == WM_HSCROLL;
    h ? AtColumn(c.index, c.pos) : AtRow(c.index, c.pos);
    window.SetTrackPos(h ? SB_HORZ : SB_VERT, c.track);
    window.Send(c.message, MAKEWPARAM(int(c.code), 0), 0);
    EXPECT_EQ(h ? Column() : Row(), std::pair(c.wantIndex, c.wantPos))
        << (h ? "H" : "V") << " code " << c.code << " from " << c.index << " track " << c.track;
  }
  ExpectNoFailure();
}

// Everything fitting resets the scroll state, empties the bars and leaves
// the codes nothing to do; one pixel short, the bar is back.
TEST_F(Scroll, EverythingFittingResetsTheScrollStateAndNothingScrolls) {
  AtColumn(4, 200);
  AtRow(7, 120);
  grid.SetFixedColumns(1);
  window.Resize(500, 600);  // exactly the grid's size
  EXPECT_EQ(std::pair(Column(), Row()), std::pair(std::pair(1, 0), std::pair(1, 0)));
  EXPECT_EQ(Bar(SB_HORZ), std::tuple(0, 0, 0u, 0));
  EXPECT_EQ(Bar(SB_VERT), std::tuple(0, 0, 0u, 0));
  grid.SetFixedColumns(0);
  AtColumn(0, 0);
  window.SetTrackPos(SB_HORZ, 120);
  window.SetTrackPos(SB_VERT, 120);
  for (UINT code = 0; code <= 8; ++code) {
    H(code);
    V(code);
  }
  EXPECT_EQ(std::pair(Column(), Row()), std::pair(std::pair(0, 0), std::pair(1, 0)));
  window.Resize(499, 600);  // one pixel short: the bar is back
  EXPECT_EQ(std::get<1>(Bar(SB_HORZ)), 450 + 499);
  EXPECT_EQ(std::get<1>(Bar(SB_VERT)), 0);
}

// One row per wheel message whatever the distance, through one WM_VSCROLL.
TEST_F(Scroll, WheelStepsOneRow) {
  AtRow(10, 180);
  for (auto [delta, top] : {std::pair{120, 9}, {240, 8}, {-120, 9}, {0, 10}}) {
    window.Send(WM_MOUSEWHEEL, MAKEWPARAM(0, delta), MAKELPARAM(10, 10));
    EXPECT_EQ(Row(), std::pair(top, 20 * (top - 1))) << delta;
  }
  EXPECT_EQ(Count(WM_VSCROLL), 4);
}

// Steps are measured by the sizes of the items they pass: the fixed strip
// stays, a one-pixel last column can still be reached, a column wider than
// the client stops a page but not a line, a line up passes the row above.
TEST_F(Scroll, StepsMeasureTheItemsTheyPass) {
  grid.SetFixedColumns(2);
  grid.UpdateScrollBars();
  AtColumn(2, 0);
  H(SB_LINERIGHT);
  EXPECT_EQ(Column(), std::pair(3, 50));
  EXPECT_EQ(window.scrollCalls.back().rect, CRect(100, 0, 200, 200));
  AtColumn(9, 350);  // the pixel clamp would let position 10 through; the count refuses it
  H(SB_LINERIGHT);
  EXPECT_EQ(Column(), std::pair(9, 350));
  grid.SetFixedColumns(0);
  grid.m_layout.SetWidthOfColumn(9, 1);
  grid.UpdateScrollBars();
  AtColumn(8, 400);
  H(SB_LINERIGHT);
  EXPECT_EQ(Column(), std::pair(9, 450));
  grid.m_layout.SetWidthOfColumn(0, 250);
  grid.UpdateScrollBars();
  AtColumn(0, 0);
  H(SB_PAGERIGHT);
  EXPECT_EQ(Column(), std::pair(0, 0));
  H(SB_LINERIGHT);
  EXPECT_EQ(Column(), std::pair(1, 250));
  grid.SetRowHeight(2, 35);
  AtRow(3, 55);
  V(SB_LINEUP);
  EXPECT_EQ(Row(), std::pair(2, 20));
  ExpectNoFailure();
}

// The editor stays where its window is: hidden while its cell is out of
// view, shown with the keyboard focus when it comes back, only while the
// edit lasts. Position 5, the first one the client cuts, counts as visible.
TEST_F(Scroll, TheEditorHidesWhileItsCellIsOutOfView) {
  window.Send(WM_LBUTTONUP, 0, MAKELPARAM(75, 50));  // select (2, 1)
  window.Send(WM_CHAR, 'k', 1);                      // and type into it
  Headless::HeadlessEdit* editor = window.EditChild();
  const CRect placed = editor->Rect();
  const std::tuple<UINT, UINT, int, bool> steps[] = {
      // message, code, the focus cell's column, then whether the editor shows
      {WM_HSCROLL, SB_LINERIGHT, 1, true}, {WM_HSCROLL, SB_LINERIGHT, 1, false}, {WM_HSCROLL, SB_LINELEFT, 1, true},
      {WM_HSCROLL, SB_LINELEFT, 6, false}, {WM_HSCROLL, SB_LINERIGHT, 5, true},  {WM_VSCROLL, SB_LINEDOWN, 1, true},
      {WM_VSCROLL, SB_LINEDOWN, 1, false}, {WM_VSCROLL, SB_LINEUP, 1, true},     {WM_VSCROLL, SB_LINEDOWN, 1, false}};
  for (auto [message, code, col, shown] : steps) {
    grid.m_focusCell = grid.GetCell(2, col);
    window.MoveFocusAway();
    window.Send(message, code, 0);
    EXPECT_EQ(editor->IsWindowVisible(), shown) << message << " " << code << " column " << col;
    EXPECT_EQ(editor->HasFocus(), shown);
  }
  EXPECT_EQ(editor->Rect(), placed);
  grid.m_bEditMode = 0;
  window.Send(WM_VSCROLL, SB_LINEUP, 0);
  EXPECT_FALSE(editor->IsWindowVisible());
}

// The moved pixels plus the repainted strip must be exactly the picture a
// full repaint of the scrolled state draws, with and without a fixed strip.
TEST_F(Scroll, ScrolledPixelsMatchAFullRepaint) {
  for (int r = 0; r < 30; ++r) {
    for (int c = 0; c < 10; ++c) grid.m_cells.TextToWrite(grid.GetCell(r, c)) = CString::FromUtf8(std::to_string(r * 10 + c));
  }
  for (int c = 0; c < 10; ++c) grid.m_cells.SetAttribute(grid.GetCell(0, c), &CCellAttributes::bHeader, true);
  grid.m_cells.SetAttribute(grid.GetCell(3, 2), &CCellAttributes::clrBack, COLORREF(RGB(200, 220, 90)));
  grid.m_cells.SetAttribute(grid.GetCell(4, 3), &CCellAttributes::nJustify, std::int16_t(2));
  grid.m_focusCell = grid.GetCell(5, 1);
  for (int fixedCols : {0, 1}) {
    grid.SetFixedColumns(fixedCols);
    window.PaintAll();
    for (auto [message, code] : {std::pair{WM_VSCROLL, SB_LINEDOWN}, {WM_HSCROLL, SB_LINERIGHT},
                                 {WM_VSCROLL, SB_PAGEDOWN}, {WM_HSCROLL, SB_PAGERIGHT}, {WM_HSCROLL, SB_PAGELEFT},
                                 {WM_VSCROLL, SB_LINEUP}}) {
      window.Send(UINT(message), code, 0);
      ASSERT_TRUE(window.Paint());
      const Headless::Pixmap scrolled = window.framebuffer;
      window.PaintAll();
      EXPECT_TRUE(scrolled.pixels == window.framebuffer.pixels) << fixedCols << ": " << message << " " << code;
    }
  }
  ExpectNoFailure();
}

}  // namespace
}  // namespace TzGrid::Test
