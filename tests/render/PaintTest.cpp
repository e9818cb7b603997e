// The grid painter through the headless window: exact pixels of the header
// band, the fixed strip, the scrolled cells, the grid lines and the empty
// area, on the default layout and with fixed rows and columns, reordered
// columns and scrolled positions; the repaint area; the off-screen context.
#include "PaintTestSupport.h"

namespace TzGrid::Test {
namespace {

// ---- the default layout: 5 x 5, one fixed row of 20, columns of 50

class DefaultLayout : public PaintTest {
 protected:
  void SetUp() override {
    PaintTest::SetUp();
    MarkHeaderRow(0);
    window.PaintAll();
  }
};

TEST_F(DefaultLayout, HeaderCellsAreRaisedFramesOnTheFace) {
  // The first header cell is (0, 0, 49, 19); drawing stops short of its
  // right column and bottom row.
  EXPECT_PIXEL(0, 0, kWhite);
  EXPECT_PIXEL(47, 0, kWhite);
  EXPECT_PIXEL(0, 17, kWhite);
  EXPECT_PIXEL(48, 0, kShadow);  // the right edge takes the top-right corner
  EXPECT_PIXEL(48, 18, kShadow);
  EXPECT_PIXEL(0, 18, kShadow);  // the bottom edge takes the bottom-left corner
  EXPECT_PIXEL(24, 18, kShadow);
  EXPECT_PIXEL(1, 1, kFace);
  EXPECT_PIXEL(47, 17, kFace);
  EXPECT_PIXEL(25, 9, kFace);
  // Its last pixel column and row show the empty area: no grid line there.
  EXPECT_PIXEL(49, 0, kEmpty);
  EXPECT_PIXEL(49, 19, kEmpty);
  EXPECT_PIXEL(25, 19, kEmpty);
  // The next header cell starts right after.
  EXPECT_PIXEL(50, 0, kWhite);
  EXPECT_PIXEL(98, 18, kShadow);
  EXPECT_PIXEL(200, 0, kWhite);
  EXPECT_PIXEL(248, 18, kShadow);
  EXPECT_PIXEL(249, 10, kEmpty);
  EXPECT_PIXEL(250, 0, kEmpty);  // right of the last column
}

TEST_F(DefaultLayout, ScrolledCellsAndGridLines) {
  // First scrolled cell (0, 20, 49, 39): filled up to 48 x 38.
  EXPECT_PIXEL(0, 20, kBack);
  EXPECT_PIXEL(48, 38, kBack);
  // Vertical line at x = 49 from y = 20, horizontal line at y = 39 from x = 0.
  EXPECT_PIXEL(49, 20, kLine);
  EXPECT_PIXEL(49, 38, kLine);
  EXPECT_PIXEL(0, 39, kLine);
  EXPECT_PIXEL(48, 39, kLine);
  EXPECT_PIXEL(49, 39, kLine);
  // Lines on the last pixels of the last row and column.
  EXPECT_PIXEL(249, 50, kLine);
  EXPECT_PIXEL(120, 99, kLine);
  EXPECT_PIXEL(200, 80, kBack);
  // Horizontal lines run one pixel past the grid, vertical lines one pixel
  // below it; the rest of the control is the empty area.
  EXPECT_PIXEL(250, 39, kLine);
  EXPECT_PIXEL(251, 39, kEmpty);
  EXPECT_PIXEL(49, 100, kLine);
  EXPECT_PIXEL(49, 101, kEmpty);
  EXPECT_PIXEL(10, 100, kEmpty);
  EXPECT_PIXEL(260, 50, kEmpty);
  EXPECT_PIXEL(299, 149, kEmpty);
  EXPECT_PIXEL(10, 140, kEmpty);
}

TEST_F(DefaultLayout, PaintingMakesHeaderCellsReadOnly) {
  for (int c = 0; c < 5; ++c) EXPECT_EQ(grid.GetCell(0, c)->m_bReadOnly, 1) << c;
  EXPECT_EQ(grid.GetCell(1, 0)->m_bReadOnly, 0);
  // Made editable again, a header cell is read-only after the next paint.
  grid.SetCellReadOnlyFlag(0, 2);
  EXPECT_EQ(grid.GetCell(0, 2)->m_bReadOnly, 0);
  window.PaintAll();
  EXPECT_EQ(grid.GetCell(0, 2)->m_bReadOnly, 1);
}

TEST_F(DefaultLayout, AHeaderFlagInAScrolledRowDrawsAnOrdinaryCell) {
  grid.SetCellHeaderFlag(2, 1, 1);
  grid.SetCellSortState(2, 1, 1);
  window.PaintAll();
  EXPECT_PIXEL(50, 40, kBack);  // no raised frame
  EXPECT_PIXEL(98, 58, kBack);
  EXPECT_PIXEL(75, 50, kBack);
  EXPECT_EQ(grid.GetCell(2, 1)->m_bReadOnly, 0);
}

TEST_F(DefaultLayout, AHeaderBandCellWithoutTheFlagIsDrawnFlat) {
  grid.SetCellHeaderFlag(0, 1, 0);
  grid.GetCell(0, 1)->m_bReadOnly = 0;
  window.PaintAll();
  EXPECT_PIXEL(50, 0, kBack);
  EXPECT_PIXEL(98, 18, kBack);
  EXPECT_PIXEL(99, 10, kEmpty);  // no grid line in the band
  EXPECT_PIXEL(75, 19, kEmpty);
  EXPECT_EQ(grid.GetCell(0, 1)->m_bReadOnly, 0);
}

TEST_F(DefaultLayout, FocusFrameOnTheOutermostFilledPixels) {
  grid.SetFocusedCell(2, 1);  // (50, 40, 99, 59)
  window.PaintAll();
  EXPECT_PIXEL(50, 40, kBlack);
  EXPECT_PIXEL(98, 40, kBlack);
  EXPECT_PIXEL(50, 58, kBlack);
  EXPECT_PIXEL(98, 58, kBlack);
  EXPECT_PIXEL(75, 40, kBlack);
  EXPECT_PIXEL(50, 50, kBlack);
  EXPECT_PIXEL(51, 41, kBack);  // hollow inside
  EXPECT_PIXEL(97, 57, kBack);
  EXPECT_PIXEL(99, 50, kLine);  // the grid line stays
  EXPECT_PIXEL(75, 59, kLine);
  EXPECT_PIXEL(49, 50, kLine);
  EXPECT_PIXEL(75, 39, kLine);
}

TEST_F(DefaultLayout, CellColourAndGridBackground) {
  grid.SetItemBackColor(1, 2, LONG(kRed));
  window.PaintAll();
  EXPECT_PIXEL(100, 20, kRed);
  EXPECT_PIXEL(148, 38, kRed);
  EXPECT_PIXEL(149, 30, kLine);
  EXPECT_PIXEL(125, 39, kLine);
  EXPECT_PIXEL(99, 30, kLine);
  EXPECT_PIXEL(150, 20, kBack);

  grid.SetGridBackColor(LONG(kGreen));
  window.PaintAll();
  EXPECT_PIXEL(100, 20, kRed);
  EXPECT_PIXEL(150, 20, kGreen);
  EXPECT_PIXEL(0, 80, kGreen);

  grid.SetItemBackColor(1, 2, 0);  // 0: the grid's background again
  window.PaintAll();
  EXPECT_PIXEL(100, 20, kGreen);
}

TEST_F(DefaultLayout, OnlyTheRepaintAreaChangesOnScreen) {
  FillFramebuffer(kSentinel);
  CRect area(60, 25, 80, 35);
  window.InvalidateRect(&area, TRUE);
  ASSERT_TRUE(window.Paint());
  for (int y = 0; y < 150; ++y) {
    for (int x = 0; x < 300; ++x) {
      bool inside = area.PtInRect(CPoint(x, y));
      ASSERT_EQ(Px(x, y) == kSentinel, !inside) << x << "," << y;
    }
  }
  EXPECT_PIXEL(60, 25, kBack);
  EXPECT_PIXEL(79, 34, kBack);
}

TEST_F(DefaultLayout, ARepaintAreaInTheLowerHalfStillRedrawsTheHeaderBand) {
  // The painter is handed a context that covers the whole control, but only
  // the lower half is to be repainted.
  FillFramebuffer(kSentinel);
  auto dc = Headless::CreatePixmapDC(window.framebuffer, CRect(0, 0, 300, 150));
  grid.OnDraw(dc.get(), CRect(0, 0, 300, 150), CRect(0, 60, 300, 150));
  dc.reset();
  EXPECT_PIXEL(1, 1, kFace);  // header band redrawn
  EXPECT_PIXEL(248, 18, kShadow);
  // Scrolled rows and horizontal lines above the area are not drawn: the
  // background shows there.
  EXPECT_PIXEL(10, 30, kEmpty);
  EXPECT_PIXEL(10, 39, kEmpty);
  EXPECT_PIXEL(10, 45, kEmpty);  // row 2 ends at y = 59, just above the area
  EXPECT_PIXEL(10, 59, kEmpty);
  // Vertical lines run from the band down, wherever the area starts.
  EXPECT_PIXEL(49, 20, kLine);
  // Inside the area everything is drawn.
  EXPECT_PIXEL(10, 60, kBack);
  EXPECT_PIXEL(10, 79, kLine);
}

TEST_F(DefaultLayout, HeaderBandReachesTheRightEdgeOfTheControl) {
  // A repaint area at the far left: every header cell is still drawn.
  FillFramebuffer(kSentinel);
  auto dc = Headless::CreatePixmapDC(window.framebuffer, CRect(0, 0, 300, 150));
  grid.OnDraw(dc.get(), CRect(0, 0, 300, 150), CRect(0, 100, 10, 110));
  dc.reset();
  EXPECT_PIXEL(201, 1, kFace);
  EXPECT_PIXEL(75, 30, kEmpty);  // a scrolled cell outside the area
}

TEST_F(DefaultLayout, AOnePixelHeaderColumnIsNotDrawn) {
  grid.m_layout.SetWidthOfColumn(1, 1);  // position 1 is x = 50 only
  window.PaintAll();
  EXPECT_PIXEL(50, 0, kEmpty);
  EXPECT_PIXEL(50, 10, kEmpty);
  EXPECT_PIXEL(51, 0, kWhite);  // the next header cell starts at 51
  // In the scrolled rows the cell is not drawn either; its grid line is.
  EXPECT_PIXEL(50, 30, kLine);
  EXPECT_PIXEL(51, 30, kBack);
}

// Painting reads the scrolled cells without making them: a cell nobody
// wrote shows the grid's background and its grid lines, and stays unmade;
// the header band's cells are made, to take their read-only mark.
TEST_F(DefaultLayout, CellsNeverWrittenPaintAsNewAndStayUnmade) {
  EXPECT_EQ(grid.m_cells.MadeCellCount(), 5u);  // row 0, the header band
  for (int r = 1; r < 5; ++r) EXPECT_EQ(grid.m_cells.RowCells(r), nullptr) << r;
  EXPECT_PIXEL(75, 30, kBack);
  EXPECT_PIXEL(99, 30, kLine);
  EXPECT_PIXEL(75, 39, kLine);
  grid.SetItemBackColor(3, 1, RGB(1, 2, 3));
  window.PaintAll();
  EXPECT_PIXEL(75, 70, RGB(1, 2, 3));
  EXPECT_PIXEL(125, 70, kBack);  // its neighbour in the made row is new
  EXPECT_EQ(grid.m_cells.MadeRowCount(), 2u);
  EXPECT_EQ(grid.GetCellText(4, 4), CString());
  EXPECT_EQ(grid.m_cells.MadeRowCount(), 2u);
  EXPECT_TRUE(window.failedMessages.empty());
}

TEST_F(DefaultLayout, ALayoutThatCannotBeMeasuredEndsThePaintWithWhatWasDrawn) {
  grid.SetColumnOrder(77, 1);  // position 1 shows no column: no visible extent
  FillFramebuffer(kSentinel);
  grid.m_nFirstCol = 3;  // would be reset by the scroll-bar update
  window.PaintAll();
  ASSERT_EQ(window.failedMessages.size(), 1u);
  EXPECT_EQ(window.failedMessages[0].first, WM_PAINT);
  EXPECT_EQ(grid.m_nFirstCol, 3) << "the scroll bars were updated after a failed paint";
  // The background fill happened before the failure and reached the screen.
  EXPECT_PIXEL(290, 140, kEmpty);
  EXPECT_PIXEL(10, 30, kEmpty);
  grid.SetColumnOrder(1, 1);
}

// ---- grids with nothing to show

TEST_F(PaintTest, AnEmptyGridPaintsOnlyTheBackground) {
  grid.ResizeGrid(0, 0);
  grid.m_nFirstCol = 3;
  grid.m_nTopRow = 4;
  FillFramebuffer(kSentinel);
  window.PaintAll();
  for (int y = 0; y < 150; y += 7) {
    for (int x = 0; x < 300; x += 7) ASSERT_EQ(Px(x, y), kEmpty) << x << "," << y;
  }
  // The scroll bars were not updated: a fitting grid would reset these.
  EXPECT_EQ(grid.m_nFirstCol, 3);
  EXPECT_EQ(grid.m_nTopRow, 4);
  grid.ResizeGrid(2, 2);
  grid.m_nFirstCol = 1;
  window.PaintAll();
  EXPECT_EQ(grid.m_nFirstCol, 0);
}

TEST_F(PaintTest, ANullTargetDrawsNothing) {
  FillFramebuffer(kSentinel);
  grid.OnDraw(nullptr, CRect(0, 0, 300, 150), CRect(0, 0, 300, 150));
  EXPECT_PIXEL(10, 30, kSentinel);
  EXPECT_EQ(grid.GetCell(0, 0)->m_bReadOnly, 0);
}

// ---- fixed rows and columns

TEST_F(PaintTest, TwoFixedRows) {
  grid.SetFixedRows(2);
  grid.SetRowHeight(1, 25);
  grid.m_nTopRow = 2;
  MarkHeaderRow(0);
  MarkHeaderRow(1);
  window.PaintAll();
  // The second header row occupies y = 20 .. 44.
  EXPECT_PIXEL(0, 20, kWhite);
  EXPECT_PIXEL(0, 42, kWhite);
  EXPECT_PIXEL(0, 43, kShadow);
  EXPECT_PIXEL(10, 30, kFace);
  EXPECT_PIXEL(10, 44, kEmpty);
  EXPECT_PIXEL(49, 30, kEmpty);
  // The first scrolled row begins at y = 45.
  EXPECT_PIXEL(10, 45, kBack);
  EXPECT_PIXEL(10, 64, kLine);
  EXPECT_PIXEL(49, 45, kLine);
  EXPECT_PIXEL(49, 44, kEmpty);
}

TEST_F(PaintTest, AFixedColumnIsABlankFramePerRow) {
  grid.SetFixedColumns(1);
  grid.m_nFirstCol = 1;
  MarkHeaderRow(0);
  window.PaintAll();
  // Frames (0, y, 50, y + 20) for every row, the band included: exclusive
  // rectangles, so they touch without gaps; nothing inside them.
  for (int y : {0, 20, 40, 60, 80}) {
    EXPECT_PIXEL(0, y, kWhite);
    EXPECT_PIXEL(48, y, kWhite);
    EXPECT_PIXEL(49, y, kShadow);
    EXPECT_PIXEL(0, y + 18, kWhite);
    EXPECT_PIXEL(0, y + 19, kShadow);
    EXPECT_PIXEL(25, y + 19, kShadow);
    EXPECT_PIXEL(25, y + 10, kEmpty);
  }
  EXPECT_PIXEL(25, 100, kEmpty);
  // Scrolled columns start right of the strip; lines start at its edge.
  EXPECT_PIXEL(50, 0, kWhite);  // header cell of position 1
  EXPECT_PIXEL(50, 20, kBack);
  EXPECT_PIXEL(50, 39, kLine);
  EXPECT_PIXEL(99, 20, kLine);
  EXPECT_PIXEL(249, 39, kLine);
  EXPECT_PIXEL(250, 39, kLine);  // totalW + 1, position 0 being in the strip
  EXPECT_PIXEL(251, 39, kEmpty);
  EXPECT_PIXEL(250, 20, kEmpty);
}

// ---- a grid larger than its window, scrolled

class ScrolledGrid : public PaintTest {
 protected:
  void SetUp() override {
    PaintTest::SetUp();
    grid.ResizeGrid(10, 30);  // 500 x 600 in a 300 x 150 window
    MarkHeaderRow(0);
  }
};

TEST_F(ScrolledGrid, CellsFollowTheScrollIndices) {
  grid.m_nFirstCol = 2;
  grid.m_nHScrollPos = 100;
  grid.m_nTopRow = 5;
  grid.m_nVScrollPos = 80;
  grid.SetItemBackColor(5, 2, LONG(kRed));
  grid.SetItemBackColor(0, 2, LONG(kGreen));  // the header flag wins over it
  window.PaintAll();
  EXPECT_PIXEL(0, 20, kRed);
  EXPECT_PIXEL(48, 38, kRed);
  EXPECT_PIXEL(49, 30, kLine);
  EXPECT_PIXEL(1, 1, kFace);
  // Vertical lines reach the bottom of the control, horizontal ones its
  // right edge: the grid goes on past both.
  EXPECT_PIXEL(49, 149, kLine);
  EXPECT_PIXEL(299, 39, kLine);
  EXPECT_PIXEL(299, 139, kLine);
  EXPECT_EQ(grid.m_nFirstCol, 2);  // the scroll-bar update keeps a grid that does not fit
}

TEST_F(ScrolledGrid, LinesEndOnePixelPastTheLastRow) {
  grid.m_nTopRow = 25;
  grid.m_nVScrollPos = 480;  // rows 25 .. 29 at y = 20 .. 119
  window.PaintAll();
  EXPECT_PIXEL(10, 119, kLine);
  EXPECT_PIXEL(10, 118, kBack);
  EXPECT_PIXEL(49, 120, kLine);  // totalH - scroll position + 1, exclusive
  EXPECT_PIXEL(49, 121, kEmpty);
  EXPECT_PIXEL(10, 120, kEmpty);
}

TEST_F(ScrolledGrid, HorizontalLinesEndBySubtractingTheScrollPosition) {
  grid.m_nFirstCol = 6;
  grid.m_nHScrollPos = 300;  // positions 6 .. 9 at x = 0 .. 199
  window.PaintAll();
  EXPECT_PIXEL(199, 30, kLine);
  EXPECT_PIXEL(200, 39, kLine);
  EXPECT_PIXEL(201, 39, kEmpty);
  EXPECT_PIXEL(210, 30, kEmpty);
  EXPECT_PIXEL(199, 10, kEmpty);  // the last header cell's right column
  EXPECT_PIXEL(205, 10, kEmpty);
}

TEST_F(ScrolledGrid, FixedColumnFramesStayAtTheTopWhenScrolledDown) {
  grid.SetFixedColumns(1);
  grid.m_layout.SetWidthOfColumn(0, 30);
  grid.m_nFirstCol = 1;
  grid.m_nTopRow = 12;
  grid.m_nVScrollPos = 220;
  window.PaintAll();
  for (int y : {0, 20, 40, 60, 80, 100, 120, 140}) {
    EXPECT_PIXEL(0, y, kWhite) << "frame of row " << y / 20;
    EXPECT_PIXEL(29, y + 5, kShadow);
    EXPECT_PIXEL(10, y + 9, kEmpty);
  }
  EXPECT_PIXEL(30, 20, kBack);  // the scrolled region starts at the strip's edge
  EXPECT_PIXEL(30, 39, kLine);
}

TEST_F(ScrolledGrid, ReorderedColumns) {
  grid.SetColumnWidth(3, 30);
  grid.MoveColumn(3, 0);  // positions: 3 (30 px), 0, 1, 2, 4, ...
  grid.m_nFirstCol = 0;
  grid.SetItemBackColor(1, 3, LONG(kRed));
  grid.SetItemBackColor(1, 0, LONG(kGreen));
  window.PaintAll();
  EXPECT_PIXEL(0, 20, kRed);
  EXPECT_PIXEL(28, 38, kRed);
  EXPECT_PIXEL(29, 30, kLine);
  EXPECT_PIXEL(30, 20, kGreen);
  EXPECT_PIXEL(78, 38, kGreen);
  EXPECT_PIXEL(79, 30, kLine);
  EXPECT_PIXEL(28, 5, kShadow);  // the header of position 0 is 30 wide
  EXPECT_PIXEL(29, 5, kEmpty);
  EXPECT_PIXEL(30, 5, kWhite);
}

TEST_F(ScrolledGrid, APaintAfterAScrollDrawsTheUncoveredStrip) {
  window.PaintAll();
  grid.SetItemBackColor(8, 1, LONG(kRed));
  grid.m_nTopRow = 2;
  grid.m_nVScrollPos = 20;
  window.ScrollWindow(0, -20, nullptr, nullptr);
  ASSERT_TRUE(window.HasUpdate());
  window.Paint();
  // Row 8 now lies at y = 140 .. 159: its visible part came from the strip.
  EXPECT_PIXEL(50, 140, kRed);
  EXPECT_PIXEL(98, 149, kRed);
}

// ---- the off-screen context

TEST_F(PaintTest, OffscreenContextCoversTheClipBoxAndShowsOnlyAtTheEnd) {
  FillFramebuffer(kSentinel);
  auto target = Headless::CreatePixmapDC(window.framebuffer, CRect(20, 30, 30, 40));
  {
    CMemDC mem(target.get());
    EXPECT_TRUE(mem.IsOffscreen());
    EXPECT_EQ(mem.GetArea(), CRect(20, 30, 30, 40));
    CRect box;
    mem.GetClipBox(&box);
    EXPECT_EQ(box, CRect(20, 30, 30, 40));
    EXPECT_EQ(mem.GetWindowOrg(), CPoint(20, 30));
    CRect all(0, 0, 300, 150);
    mem.FillSolidRect(&all, kRed);
    EXPECT_EQ(mem.GetPixel(20, 30), kRed);
    EXPECT_EQ(mem.GetPixel(29, 39), kRed);
    EXPECT_PIXEL(25, 35, kSentinel);  // nothing on the target yet
  }
  for (int y = 0; y < 150; ++y) {
    for (int x = 0; x < 300; ++x) {
      bool inside = x >= 20 && x < 30 && y >= 30 && y < 40;
      ASSERT_EQ(Px(x, y), inside ? kRed : kSentinel) << x << "," << y;
    }
  }
}

TEST_F(PaintTest, APrinterIsDrawnOnDirectly) {
  Headless::Pixmap page;
  page.Resize(300, 150, kSentinel);
  auto printer = Headless::CreatePrintingPixmapDC(page, CRect(0, 0, 300, 150));
  HDC handle = printer->GetSafeHdc();
  {
    CMemDC mem(printer.get());
    EXPECT_FALSE(mem.IsOffscreen());
    EXPECT_EQ(mem.GetSafeHdc(), handle);
    EXPECT_TRUE(mem.IsPrinting());
    CRect r(0, 0, 5, 5);
    mem.FillSolidRect(&r, kRed);
    EXPECT_EQ(page.At(2, 2), kRed);  // straight onto the page
  }
  // The printer's context is still the caller's and still works.
  EXPECT_EQ(printer->GetSafeHdc(), handle);
  CRect r(10, 10, 12, 12);
  printer->FillSolidRect(&r, kGreen);
  EXPECT_EQ(page.At(10, 10), kGreen);

  MarkHeaderRow(0);
  grid.OnDraw(printer.get(), CRect(0, 0, 300, 150), CRect(0, 0, 300, 150));
  EXPECT_EQ(page.At(1, 1), kFace);
  EXPECT_EQ(page.At(49, 30), kLine);
}

}  // namespace
}  // namespace TzGrid::Test
