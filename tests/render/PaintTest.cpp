// The grid painter through the headless window: exact pixels of the header
// band, cells, grid lines and the empty area.
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
  // Painting marked the header band's cells read-only and made no row: a
  // cell nobody wrote paints as new.
  EXPECT_EQ(grid.m_cells.MadeCellCount(), 0u);
  EXPECT_EQ(grid.m_cells.AttributedCellCount(), 5u);
  for (int c = 0; c < 5; ++c) EXPECT_EQ(grid.CellAttributes(grid.GetCell(0, c)).bReadOnly, 1) << c;
  grid.SetCellReadOnlyFlag(0, 2);
  ASSERT_EQ(grid.CellAttributes(grid.GetCell(0, 2)).bReadOnly, 0);
  grid.SetItemBackColor(3, 1, LONG(kRed));
  window.PaintAll();
  EXPECT_EQ(grid.CellAttributes(grid.GetCell(0, 2)).bReadOnly, 1) << "each paint marks the band again";
  ExpectPixels({{75, 70, kRed}, {125, 70, kBack}});  // its neighbour is new
  EXPECT_EQ(grid.GetCellText(4, 4), CString());
  EXPECT_EQ(grid.m_cells.MadeRowCount(), 0u);
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
  grid.m_cells.SetAttribute(grid.GetCell(0, 1), &CCellAttributes::bReadOnly, false);
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
  EXPECT_EQ(grid.CellAttributes(grid.GetCell(2, 1)).bReadOnly, 0);
  EXPECT_EQ(grid.CellAttributes(grid.GetCell(0, 1)).bReadOnly, 0);
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

}  // namespace
}  // namespace TzGrid::Test
