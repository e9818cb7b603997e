// Scroll-bar set-up and the visible extent, on the 10 x 30 layout with a
// 200 x 200 client area.
#include "TestSupport.h"

namespace TzGrid::Test {
namespace {

class ScrollBars : public ::testing::Test {
 protected:
  CTzGridCtrl grid;
  Headless::HeadlessWindow window{grid, 200, 200};
  void SetUp() override { grid.ResizeGrid(10, 30); }
};

TEST_F(ScrollBars, RangesFromTheLayout) {
  const SCROLLINFO& h = window.ScrollBar(SB_HORZ);
  EXPECT_EQ(h.nMin, 0);
  EXPECT_EQ(h.nMax, 650);
  EXPECT_EQ(h.nPage, 200u);
  const SCROLLINFO& v = window.ScrollBar(SB_VERT);
  EXPECT_EQ(v.nMax, 760);
  EXPECT_EQ(v.nPage, 200u);
  // The width left out is that of the highest column index, whatever order.
  grid.m_layout.SetWidthOfColumn(9, 20);
  grid.MoveColumn(9, 0);
  grid.UpdateScrollBars();
  EXPECT_EQ(window.ScrollBar(SB_HORZ).nMax, 470 - 20 + 200);
  // The fixed strip is not left out; the fixed band is.
  grid.SetFixedColumns(2);
  grid.SetFixedRows(3);
  grid.UpdateScrollBars();
  EXPECT_EQ(window.ScrollBar(SB_HORZ).nMax, 650);
  EXPECT_EQ(window.ScrollBar(SB_VERT).nMax, 600 - 60 - 20 + 200);
}

TEST_F(ScrollBars, PositionFollowsTheScrollMembersAndIsClamped) {
  grid.m_nHScrollPos = 300;
  grid.m_nVScrollPos = 9999;
  grid.UpdateScrollBars();
  EXPECT_EQ(window.ScrollBar(SB_HORZ).nPos, 300);
  EXPECT_EQ(window.ScrollBar(SB_VERT).nPos, 760 - 200 + 1);
}

TEST_F(ScrollBars, EverythingFittingResetsTheScrollState) {
  grid.m_nFirstCol = 4;
  grid.m_nHScrollPos = 200;
  grid.m_nTopRow = 7;
  grid.m_nVScrollPos = 120;
  grid.SetFixedColumns(1);
  window.Resize(500, 600);  // exactly as wide and as high as everything
  EXPECT_EQ(grid.m_nFirstCol, 1);
  EXPECT_EQ(grid.m_nHScrollPos, 0);
  EXPECT_EQ(grid.m_nTopRow, 1);
  EXPECT_EQ(grid.m_nVScrollPos, 0);
  EXPECT_EQ(window.ScrollBar(SB_HORZ).nMax, 0);
  EXPECT_EQ(window.ScrollBar(SB_HORZ).nPage, 0u);
  EXPECT_EQ(window.ScrollBar(SB_VERT).nMax, 0);
  window.Resize(499, 600);
  EXPECT_EQ(window.ScrollBar(SB_HORZ).nMax, 450 + 499);
  EXPECT_EQ(window.ScrollBar(SB_VERT).nMax, 0);
}

TEST_F(ScrollBars, LastVisibleRowAndColumn) {
  grid.m_nTopRow = 10;
  grid.m_nVScrollPos = 180;
  EXPECT_EQ(grid.GetLastVisibleRow(), 19);  // row 18 ends exactly at the edge
  window.Resize(210, 200);
  grid.m_nTopRow = 10;
  grid.m_nVScrollPos = 180;
  EXPECT_EQ(grid.GetLastVisibleColumn(), 4);  // cut by the right edge
  window.Resize(200, 200);
  EXPECT_EQ(grid.GetLastVisibleColumn(), 4);  // ends at the edge: the next one
  grid.m_nHScrollPos = 450;
  EXPECT_EQ(grid.GetLastVisibleColumn(), 10);  // every position fits
  grid.ResizeGrid(0, 0);
  EXPECT_EQ(grid.GetLastVisibleRow(), 0);
  EXPECT_EQ(grid.GetLastVisibleColumn(), 0);
}

TEST(ScrollBarsNoWindow, NothingHappensBeforeTheWindowExists) {
  CTzGridCtrl grid;
  Headless::HeadlessWindow window(grid, 100, 100, /*create=*/false);
  grid.ResizeGrid(10, 30);
  grid.m_nFirstCol = 3;
  grid.UpdateScrollBars();
  EXPECT_EQ(grid.m_nFirstCol, 3);
  EXPECT_EQ(window.ScrollBar(SB_HORZ).nMax, 0);
  EXPECT_EQ(grid.GetLastVisibleColumn(), 0);
  EXPECT_EQ(grid.GetLastVisibleRow(), 0);  // no window test: a client of height 0
  window.Create();
  EXPECT_EQ(window.ScrollBar(SB_HORZ).nMax, 450 + 100);
}

}  // namespace
}  // namespace TzGrid::Test
