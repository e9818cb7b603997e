// Scroll-bar set-up and the visible extent, on the 10 x 30 layout (500 x
// 600 pixels) with a 200 x 200 client area.
#include "TestSupport.h"

namespace TzGrid::Test {
namespace {

class ScrollBars : public ::testing::Test {
 protected:
  CTzGridCtrl grid;
  Headless::HeadlessWindow window{grid, 200, 200};
  void SetUp() override { grid.ResizeGrid(10, 30); }
  std::tuple<int, int, UINT, int> Bar(int bar) {
    const SCROLLINFO& s = window.ScrollBar(bar);
    return {s.nMin, s.nMax, s.nPage, s.nPos};
  }
};

TEST_F(ScrollBars, RangesLeaveOutTheLastColumnAndTheFixedBand) {
  EXPECT_EQ(Bar(SB_HORZ), std::tuple(0, 650, 200u, 0));
  EXPECT_EQ(Bar(SB_VERT), std::tuple(0, 760, 200u, 0));
  // The width left out is that of the highest column index, whatever the order.
  grid.m_layout.SetWidthOfColumn(9, 20);
  grid.MoveColumn(9, 0);
  grid.SetFixedColumns(2);  // the fixed strip is not left out; the fixed band is
  grid.SetFixedRows(3);
  grid.m_nHScrollPos = 300;
  grid.m_nVScrollPos = 9999;  // clamped to the last page
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

TEST_F(ScrollBars, EverythingFittingResetsTheScrollState) {
  grid.m_nFirstCol = 4;
  grid.m_nHScrollPos = 200;
  grid.m_nTopRow = 7;
  grid.m_nVScrollPos = 120;
  grid.SetFixedColumns(1);
  window.Resize(500, 600);  // exactly as wide and as high as everything
  EXPECT_EQ(std::tuple(grid.m_nFirstCol, grid.m_nHScrollPos, grid.m_nTopRow, grid.m_nVScrollPos),
            std::tuple(1, 0, 1, 0));
  EXPECT_EQ(Bar(SB_HORZ), std::tuple(0, 0, 0u, 0));
  EXPECT_EQ(Bar(SB_VERT), std::tuple(0, 0, 0u, 0));
  window.Resize(499, 600);  // one pixel short: the bar is back
  EXPECT_EQ(std::get<1>(Bar(SB_HORZ)), 450 + 499);
  EXPECT_EQ(std::get<1>(Bar(SB_VERT)), 0);
}

// A row or column ending exactly at the edge is followed by the next one.
TEST_F(ScrollBars, LastVisibleRowAndColumn) {
  grid.m_nTopRow = 10;
  grid.m_nVScrollPos = 180;
  EXPECT_EQ(grid.GetLastVisibleRow(), 19);  // row 18 ends at the edge
  EXPECT_EQ(grid.GetLastVisibleColumn(), 4);
  window.Resize(210, 200);
  EXPECT_EQ(grid.GetLastVisibleColumn(), 4);  // cut by the right edge
  grid.m_nHScrollPos = 450;
  EXPECT_EQ(grid.GetLastVisibleColumn(), 10);  // every position fits
  grid.ResizeGrid(1, 1);  // one row taller than the client: it is the last one shown
  window.Resize(210, 10);
  EXPECT_EQ(grid.GetLastVisibleRow(), 0);
  grid.ResizeGrid(0, 0);
  EXPECT_EQ(std::pair(grid.GetLastVisibleRow(), grid.GetLastVisibleColumn()), std::pair(0, 0));
}

TEST(ScrollBarsNoWindow, NothingHappensBeforeTheWindowExists) {
  CTzGridCtrl grid;
  Headless::HeadlessWindow window(grid, 100, 100, /*create=*/false);
  grid.ResizeGrid(10, 30);
  grid.m_nFirstCol = 3;
  grid.UpdateScrollBars();
  EXPECT_EQ(grid.m_nFirstCol, 3);
  EXPECT_EQ(window.ScrollBar(SB_HORZ).nMax, 0);
  EXPECT_EQ(std::pair(grid.GetLastVisibleRow(), grid.GetLastVisibleColumn()), std::pair(0, 0));
  window.Create();
  EXPECT_EQ(window.ScrollBar(SB_HORZ).nMax, 450 + 100);
}

}  // namespace
}  // namespace TzGrid::Test
