// The grid painter through the headless window: exact pixels of the header
// band, the fixed strip, cells, grid lines and the empty area.
#include "TestSupport.h"

namespace TzGrid::Test {
namespace {

// The default layout: 5 x 5, one fixed row of header cells, cells of 50 x 20.
using DefaultLayout = PaintedGrid;

// Header cells are raised frames that stop short of their last pixel column
// and row; scrolled cells are filled up to their grid lines, which run one
// pixel past the grid; everything else is the empty area.
TEST_F(DefaultLayout, HeaderBandScrolledCellsAndGridLines) {
  ExpectPixels({
      // the header cell (0, 0, 49, 19): the shadow takes the far corners
      {0, 0, kWhite}, {47, 0, kWhite}, {0, 17, kWhite}, {48, 0, kShadow}, {48, 18, kShadow}, {0, 18, kShadow},
      {24, 18, kShadow}, {1, 1, kFace}, {47, 17, kFace}, {25, 9, kFace},
      // no grid line in the band; each header cell starts right after the last
      {49, 0, kEmpty}, {49, 19, kEmpty}, {25, 19, kEmpty}, {50, 0, kWhite}, {98, 18, kShadow}, {200, 0, kWhite},
      {248, 18, kShadow}, {249, 10, kEmpty}, {250, 0, kEmpty},
      // the first scrolled cell (0, 20, 49, 39) and the lines on its last pixels
      {0, 20, kBack}, {48, 38, kBack}, {49, 20, kLine}, {49, 38, kLine}, {0, 39, kLine}, {48, 39, kLine},
      {49, 39, kLine}, {249, 50, kLine}, {120, 99, kLine}, {200, 80, kBack},
      // lines one pixel past the grid, then the empty area
      {250, 39, kLine}, {251, 39, kEmpty}, {49, 100, kLine}, {49, 101, kEmpty}, {10, 100, kEmpty},
      {260, 50, kEmpty}, {299, 149, kEmpty},
  });
  // Painting made only the header band's cells, to mark them read-only; a
  // cell nobody wrote paints as new and stays unmade.
  EXPECT_EQ(grid.m_cells.MadeCellCount(), 5u);
  for (int c = 0; c < 5; ++c) EXPECT_EQ(grid.GetCell(0, c)->m_bReadOnly, 1) << c;
  for (int r = 1; r < 5; ++r) EXPECT_EQ(grid.m_cells.RowCells(r), nullptr) << r;
  grid.SetCellReadOnlyFlag(0, 2);
  ASSERT_EQ(grid.GetCell(0, 2)->m_bReadOnly, 0);
  grid.SetItemBackColor(3, 1, LONG(kRed));
  window.PaintAll();
  EXPECT_EQ(grid.GetCell(0, 2)->m_bReadOnly, 1) << "each paint marks the band again";
  ExpectPixels({{75, 70, kRed}, {125, 70, kBack}});  // its neighbour in the made row is new
  EXPECT_EQ(grid.GetCellText(4, 4), CString());
  EXPECT_EQ(grid.m_cells.MadeRowCount(), 2u);
  EXPECT_TRUE(window.failedMessages.empty());
}

// One picture, each cell with its own look: a header flag below the band
// draws an ordinary cell, a band cell without the flag is flat, the focus
// frame lies on the outermost filled pixels, a cell's colour fills exactly
// its filled area.
TEST_F(DefaultLayout, CellFlagsFocusFrameAndColours) {
  grid.SetCellHeaderFlag(2, 1, 1);
  grid.SetCellSortState(2, 1, 1);
  grid.SetCellHeaderFlag(0, 1, 0);
  grid.GetCell(0, 1)->m_bReadOnly = 0;
  grid.SetFocusedCell(3, 3);                // (150, 60, 199, 79)
  grid.SetItemBackColor(1, 2, LONG(kRed));  // (100, 20, 149, 39)
  window.PaintAll();
  ExpectPixels({
      {50, 40, kBack}, {98, 58, kBack}, {75, 50, kBack},                    // no raised frame in row 2
      {50, 0, kBack}, {98, 18, kBack}, {99, 10, kEmpty}, {75, 19, kEmpty},  // flat, no line in the band
      {150, 60, kBlack}, {198, 60, kBlack}, {150, 78, kBlack}, {198, 78, kBlack}, {175, 60, kBlack},
      {150, 70, kBlack}, {151, 61, kBack}, {197, 77, kBack},  // a hollow frame
      {199, 70, kLine}, {175, 79, kLine}, {149, 70, kLine}, {175, 59, kLine},
      {100, 20, kRed}, {148, 38, kRed}, {149, 30, kLine}, {125, 39, kLine}, {99, 30, kLine}, {150, 20, kBack},
  });
  EXPECT_EQ(grid.GetCell(2, 1)->m_bReadOnly, 0);
  EXPECT_EQ(grid.GetCell(0, 1)->m_bReadOnly, 0);
  grid.SetGridBackColor(LONG(kGreen));
  window.PaintAll();
  ExpectPixels({{100, 20, kRed}, {150, 20, kGreen}, {0, 80, kGreen}});
  grid.SetItemBackColor(1, 2, 0);  // 0: the grid's background again
  window.PaintAll();
  ExpectPixels({{100, 20, kGreen}});
}

// Only the repaint area reaches the screen, but the header band is drawn
// across the whole control whatever the area; rows and horizontal lines
// above the area are not drawn, vertical lines run down from the band.
TEST_F(DefaultLayout, TheRepaintAreaBoundsThePaintButNotTheHeaderBand) {
  FillFramebuffer(kSentinel);
  CRect area(60, 25, 80, 35);
  window.InvalidateRect(&area, TRUE);
  ASSERT_TRUE(window.Paint());
  for (int y = 0; y < 150; ++y) {
    for (int x = 0; x < 300; ++x) ASSERT_EQ(Px(x, y) == kSentinel, !area.PtInRect(CPoint(x, y))) << x << "," << y;
  }
  ExpectPixels({{60, 25, kBack}, {79, 34, kBack}});

  FillFramebuffer(kSentinel);
  DrawWithRepaintArea(CRect(0, 60, 300, 150));  // row 2 ends at y = 59, just above
  ExpectPixels({{1, 1, kFace}, {248, 18, kShadow}, {10, 30, kEmpty}, {10, 39, kEmpty}, {10, 45, kEmpty},
                {10, 59, kEmpty}, {49, 20, kLine}, {10, 60, kBack}, {10, 79, kLine}});
  FillFramebuffer(kSentinel);
  DrawWithRepaintArea(CRect(0, 100, 10, 110));
  ExpectPixels({{201, 1, kFace}, {75, 30, kEmpty}});
}

TEST_F(DefaultLayout, ALayoutThatCannotBeMeasuredEndsThePaintWithWhatWasDrawn) {
  grid.SetColumnOrder(77, 1);  // position 1 shows no column: no visible extent
  FillFramebuffer(kSentinel);
  grid.m_nFirstCol = 3;  // would be reset by the scroll-bar update
  window.PaintAll();
  ASSERT_EQ(window.failedMessages.size(), 1u);
  EXPECT_EQ(window.failedMessages[0].first, WM_PAINT);
  EXPECT_EQ(grid.m_nFirstCol, 3) << "the scroll bars were updated after a failed paint";
  // The background fill came before the failure and reached the screen.
  ExpectPixels({{290, 140, kEmpty}, {10, 30, kEmpty}});
  grid.SetColumnOrder(1, 1);
}

// A null target draws and writes nothing; an empty grid paints only the
// empty area and leaves the scroll state as it is.
TEST_F(PaintTest, NothingToPaint) {
  MarkHeaderRow(0);
  FillFramebuffer(kSentinel);
  grid.OnDraw(nullptr, CRect(0, 0, 300, 150), CRect(0, 0, 300, 150));
  EXPECT_EQ(Px(10, 30), kSentinel);
  EXPECT_EQ(grid.GetCell(0, 0)->m_bReadOnly, 0);

  grid.ResizeGrid(0, 0);
  grid.m_nFirstCol = 3;
  grid.m_nTopRow = 4;
  window.PaintAll();
  for (int y = 0; y < 150; y += 7) {
    for (int x = 0; x < 300; x += 7) ASSERT_EQ(Px(x, y), kEmpty) << x << "," << y;
  }
  EXPECT_EQ(grid.m_nFirstCol, 3);
  EXPECT_EQ(grid.m_nTopRow, 4);
  grid.ResizeGrid(2, 2);
  grid.m_nFirstCol = 1;
  window.PaintAll();
  EXPECT_EQ(grid.m_nFirstCol, 0) << "a grid that fits is scrolled back";
}

// ---- fixed rows and columns

TEST_F(PaintTest, AFixedColumnIsABlankFramePerRow) {
  grid.SetFixedColumns(1);
  grid.m_nFirstCol = 1;
  MarkHeaderRow(0);
  window.PaintAll();
  // Frames (0, y, 50, y + 20), the band's included: exclusive rectangles
  // that touch without gaps, nothing inside.
  for (int y : {0, 20, 40, 60, 80}) {
    SCOPED_TRACE(y);
    ExpectPixels({{0, y, kWhite}, {48, y, kWhite}, {49, y, kShadow}, {0, y + 18, kWhite}, {0, y + 19, kShadow},
                  {25, y + 19, kShadow}, {25, y + 10, kEmpty}});
  }
  // Scrolled columns and their lines start at the strip's edge; horizontal
  // lines end at totalW + 1, position 0 being in the strip.
  ExpectPixels({{25, 100, kEmpty}, {50, 0, kWhite}, {50, 20, kBack}, {50, 39, kLine}, {99, 20, kLine},
                {249, 39, kLine}, {250, 39, kLine}, {251, 39, kEmpty}, {250, 20, kEmpty}});
}

// A 10 x 30 grid (500 x 600 pixels) scrolled in its window: cells follow
// the scroll indices, lines reach the window's edges while the grid goes on
// and end one pixel past its last row and column (totalH - vPos + 1,
// totalW - hPos + 1) once they are in view.
TEST_F(PaintTest, ScrolledGrid) {
  grid.ResizeGrid(10, 30);
  MarkHeaderRow(0);
  grid.m_nFirstCol = 2;
  grid.m_nHScrollPos = 100;
  grid.m_nTopRow = 5;
  grid.m_nVScrollPos = 80;
  grid.SetItemBackColor(5, 2, LONG(kRed));
  grid.SetItemBackColor(0, 2, LONG(kGreen));  // the header flag wins over it
  window.PaintAll();
  ExpectPixels({{0, 20, kRed}, {48, 38, kRed}, {49, 30, kLine}, {1, 1, kFace}, {49, 149, kLine}, {299, 39, kLine},
                {299, 139, kLine}});
  EXPECT_EQ(grid.m_nFirstCol, 2) << "the scroll-bar update keeps a grid that does not fit";
  grid.m_nFirstCol = 6;  // positions 6 .. 9 at x = 0 .. 199
  grid.m_nHScrollPos = 300;
  grid.m_nTopRow = 25;  // rows 25 .. 29 at y = 20 .. 119
  grid.m_nVScrollPos = 480;
  window.PaintAll();
  ExpectPixels({{10, 119, kLine}, {10, 118, kBack}, {49, 120, kLine}, {49, 121, kEmpty}, {10, 120, kEmpty},
                {199, 30, kLine}, {200, 39, kLine}, {201, 39, kEmpty}, {210, 30, kEmpty}, {199, 10, kEmpty}});
}

}  // namespace
}  // namespace TzGrid::Test
