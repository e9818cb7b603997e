// Geometry and hit testing: where cells lie and what lies under a point,
// with the less-or-equal boundaries, the 3-pixel border window and the
// failures of reads outside the layout arrays.
#include "TestSupport.h"

namespace TzGrid::Test {
namespace {

// Three columns of 50, rows of 20, one fixed row, scrolled to the start.
class Geometry : public ::testing::Test {
 protected:
  CTzGridCtrl grid;
  void SetUp() override {
    grid.ResizeGrid(3, 5);
    grid.m_nFirstCol = 0;
    grid.m_nTopRow = 1;
  }
};

TEST_F(Geometry, ColumnAtPointCountsTheRightEdgeAsTheColumnsOwn) {
  for (int x = 0; x <= 50; ++x) EXPECT_EQ(grid.GetColumnAtPoint({x, 5}), 0) << x;
  for (int x = 51; x <= 100; ++x) EXPECT_EQ(grid.GetColumnAtPoint({x, 5}), 1) << x;
  for (int x = 101; x <= 150; ++x) EXPECT_EQ(grid.GetColumnAtPoint({x, 5}), 2) << x;
  EXPECT_EQ(grid.GetColumnAtPoint({151, 5}), -1);
  EXPECT_EQ(grid.GetColumnAtPoint({-1, 5}), -1);
  // y plays no part.
  EXPECT_EQ(grid.GetColumnAtPoint({60, -500}), 1);
}

TEST_F(Geometry, RowAtPointAnswersInTheBandAndBelowIt) {
  for (int y = 0; y <= 19; ++y) EXPECT_EQ(grid.GetRowAtPoint({5, y}), 0) << y;
  for (int y = 20; y <= 40; ++y) EXPECT_EQ(grid.GetRowAtPoint({5, y}), 1) << y;
  EXPECT_EQ(grid.GetRowAtPoint({5, 41}), 2);
  EXPECT_EQ(grid.GetRowAtPoint({5, 100}), 4);
  EXPECT_EQ(grid.GetRowAtPoint({5, 101}), -1);
  EXPECT_EQ(grid.GetRowAtPoint({5, -1}), -1);
  EXPECT_EQ(grid.GetRowAtPoint({-9999, 30}), 1);
}

TEST_F(Geometry, RowAtPointInsideATallBandTakesTheRowAbove) {
  grid.SetNumFixedRows(2);
  grid.m_layout.SetHeightOfRow(1, 25);
  grid.m_nTopRow = 2;
  EXPECT_EQ(grid.GetRowAtPoint({0, 20}), 0);  // a running sum belongs to the row above
  EXPECT_EQ(grid.GetRowAtPoint({0, 21}), 1);
  EXPECT_EQ(grid.GetRowAtPoint({0, 44}), 1);
  EXPECT_EQ(grid.GetRowAtPoint({0, 45}), 2);  // y = FH: the first scrolled row
}

TEST_F(Geometry, ScrolledRowsStartBelowTheBand) {
  grid.m_nTopRow = 3;
  EXPECT_EQ(grid.GetRowAtPoint({0, 20}), 3);
  EXPECT_EQ(grid.GetRowAtPoint({0, 41}), 4);
  EXPECT_EQ(grid.GetRowAtPoint({0, 60}), 4);
  EXPECT_EQ(grid.GetRowAtPoint({0, 61}), -1);
}

TEST_F(Geometry, FixedStripHasNoColumn) {
  grid.SetFixedColumns(2);
  grid.m_layout.SetWidthOfColumn(0, 30);
  grid.m_layout.SetWidthOfColumn(1, 40);
  grid.m_nFirstCol = 2;
  for (int x = 0; x <= 69; ++x) EXPECT_EQ(grid.GetColumnAtPoint({x, 5}), -1) << x;
  EXPECT_EQ(grid.GetColumnAtPoint({70, 5}), 2);
  EXPECT_EQ(grid.GetColumnAtPoint({120, 5}), 2);
  EXPECT_EQ(grid.GetColumnAtPoint({121, 5}), -1);
}

TEST_F(Geometry, FirstColumnBelowTheStripCountsTwice) {
  grid.SetFixedColumns(1);
  grid.m_nFirstCol = 0;  // column 0 is both the strip and the first scrolled column
  EXPECT_EQ(grid.GetColumnAtPoint({49, 0}), -1);
  EXPECT_EQ(grid.GetColumnAtPoint({50, 0}), 0);
  EXPECT_EQ(grid.GetColumnAtPoint({100, 0}), 0);
  EXPECT_EQ(grid.GetColumnAtPoint({101, 0}), 1);
}

TEST_F(Geometry, ColumnAtPointFollowsTheOrderMapAndTheFirstColumn) {
  grid.m_layout.SetWidthOfColumn(2, 10);
  grid.MoveColumn(2, 0);  // positions: 2 (10 px), 0, 1
  EXPECT_EQ(grid.GetColumnAtPoint({10, 0}), 0);
  EXPECT_EQ(grid.GetColumnAtPoint({11, 0}), 1);
  EXPECT_EQ(grid.GetColumnAtPoint({61, 0}), 2);
  grid.m_nFirstCol = 1;
  EXPECT_EQ(grid.GetColumnAtPoint({0, 0}), 1);
  EXPECT_EQ(grid.GetColumnAtPoint({51, 0}), 2);
  EXPECT_EQ(grid.GetColumnAtPoint({101, 0}), -1);
}

TEST_F(Geometry, ColumnAtPointSkipsPositionsBelowZero) {
  grid.m_nFirstCol = -2;
  EXPECT_EQ(grid.GetColumnAtPoint({0, 0}), -2);  // x = FW falls on the first position
  EXPECT_EQ(grid.GetColumnAtPoint({1, 0}), 0);
  EXPECT_EQ(grid.GetColumnAtPoint({51, 0}), 1);
  grid.m_nFirstCol = INT32_MIN;  // no walk up from the far end of the range
  EXPECT_EQ(grid.GetColumnAtPoint({1, 0}), 0);
}

TEST_F(Geometry, BorderWindowIsThreePixelsOnEachSide) {
  int border = -7;
  for (int x : {47, 50, 53}) {
    border = -7;
    EXPECT_EQ(grid.GetColumnBorderAtPoint({x, 10}, border), 0) << x;
    EXPECT_EQ(border, 50);
  }
  for (int x : {46, 54}) {
    border = -7;
    EXPECT_EQ(grid.GetColumnBorderAtPoint({x, 10}, border), -1) << x;
    EXPECT_EQ(border, -7) << "written on failure";
  }
  EXPECT_EQ(grid.GetColumnBorderAtPoint({100, 10}, border), 1);
  EXPECT_EQ(border, 100);
  EXPECT_EQ(grid.GetColumnBorderAtPoint({152, 10}, border), 2);
  EXPECT_EQ(border, 150);
}

TEST_F(Geometry, BorderIsFoundOnlyInTheHeaderBand) {
  int border = -7;
  EXPECT_EQ(grid.GetColumnBorderAtPoint({50, 20}, border), 0);  // y = FH still counts
  border = -7;
  EXPECT_EQ(grid.GetColumnBorderAtPoint({50, 21}, border), -1);
  EXPECT_EQ(border, -7);
  EXPECT_EQ(grid.GetColumnBorderAtPoint({50, -100}, border), 0);
}

TEST_F(Geometry, BorderIsShiftedByTheFixedStrip) {
  grid.SetFixedColumns(1);
  grid.m_layout.SetWidthOfColumn(0, 30);
  grid.m_nFirstCol = 1;
  int border = 0;
  EXPECT_EQ(grid.GetColumnBorderAtPoint({77, 0}, border), 1);
  EXPECT_EQ(border, 80);
  EXPECT_EQ(grid.GetColumnBorderAtPoint({83, 0}, border), 1);
  EXPECT_EQ(grid.GetColumnBorderAtPoint({76, 0}, border), -1);
  EXPECT_EQ(grid.GetColumnBorderAtPoint({30, 0}, border), -1) << "the strip's edge is no border";
}

TEST_F(Geometry, NarrowColumnsGiveTheLeftBorder) {
  grid.m_layout.SetWidthOfColumn(1, 4);
  int border = 0;
  // Borders at 50 and 54 both lie within 3 of 52.
  EXPECT_EQ(grid.GetColumnBorderAtPoint({52, 0}, border), 0);
  EXPECT_EQ(border, 50);
  EXPECT_EQ(grid.GetColumnBorderAtPoint({53, 0}, border), 0);
  EXPECT_EQ(grid.GetColumnBorderAtPoint({54, 0}, border), 1);  // 50 is now 4 away
  EXPECT_EQ(grid.GetColumnBorderAtPoint({57, 0}, border), 1);
  EXPECT_EQ(border, 54);
}

TEST_F(Geometry, BorderTestFailsOnANegativeFirstColumn) {
  grid.m_nFirstCol = -1;
  int border = -7;
  EXPECT_THROW(grid.GetColumnBorderAtPoint({50, 0}, border), CInvalidArgException);
  EXPECT_EQ(border, -7);
}

TEST_F(Geometry, CellRectOfTheDefaultLayout) {
  CRect rc;
  grid.GetCellRect(1, 0, &rc);
  EXPECT_EQ(rc, CRect(0, 20, 49, 39));
  grid.GetCellRect(0, 0, &rc);
  EXPECT_EQ(rc, CRect(0, 0, 49, 19));
  grid.GetCellRect(4, 2, &rc);
  EXPECT_EQ(rc, CRect(100, 80, 149, 99));
  CPoint origin;
  grid.GetCellOrigin(4, 2, &origin);
  EXPECT_EQ(origin, CPoint(100, 80));
}

TEST_F(Geometry, CellRectOfASecondFixedRow) {
  grid.SetNumFixedRows(2);
  grid.m_layout.SetHeightOfRow(1, 25);
  grid.m_nTopRow = 2;
  CRect rc;
  grid.GetCellRect(1, 1, &rc);
  EXPECT_EQ(rc, CRect(50, 20, 99, 44));
  grid.GetCellRect(2, 1, &rc);
  EXPECT_EQ(rc, CRect(50, 45, 99, 64));
}

TEST_F(Geometry, CellsFollowTheOrderMapAndTheScrollIndices) {
  grid.MoveColumn(2, 0);  // positions: 2, 0, 1
  CRect rc;
  grid.GetCellRect(1, 2, &rc);
  EXPECT_EQ(rc, CRect(0, 20, 49, 39));
  grid.GetCellRect(1, 1, &rc);
  EXPECT_EQ(rc, CRect(100, 20, 149, 39));
  grid.m_nFirstCol = 1;
  grid.m_nTopRow = 3;
  grid.GetCellRect(3, 0, &rc);
  EXPECT_EQ(rc, CRect(0, 20, 49, 39));
  grid.GetCellRect(0, 0, &rc);  // a fixed row keeps its place
  EXPECT_EQ(rc, CRect(0, 0, 49, 19));
}

TEST_F(Geometry, OriginOfACellWithoutAPlaceLiesPastTheEnd) {
  grid.m_nFirstCol = 1;
  grid.m_nTopRow = 3;
  CPoint origin;
  grid.GetCellOrigin(1, 0, &origin);  // row scrolled off above, column off to the left
  EXPECT_EQ(origin, CPoint(100, 20 + 40));
  grid.GetCellOrigin(-1, 1, &origin);  // a negative row is stacked from the top over all rows
  EXPECT_EQ(origin, CPoint(0, 100));
  grid.m_nFirstCol = 3;  // at or past the end: no column is met
  grid.GetCellOrigin(3, 0, &origin);
  EXPECT_EQ(origin, CPoint(0, 20));
}

TEST_F(Geometry, CellRectOfACellWithoutAPlaceFailsWithoutWriting) {
  const CRect untouched(-1, -2, -3, -4);
  CRect rc = untouched;
  grid.m_nFirstCol = 1;
  EXPECT_THROW(grid.GetCellRect(1, 0, &rc), CInvalidArgException);
  EXPECT_EQ(rc, untouched);
  grid.m_nFirstCol = 0;
  grid.m_nTopRow = 3;
  EXPECT_THROW(grid.GetCellRect(2, 0, &rc), CInvalidArgException);
  EXPECT_THROW(grid.GetCellRect(5, 0, &rc), CInvalidArgException);
  EXPECT_THROW(grid.GetCellRect(3, 3, &rc), CInvalidArgException);
  EXPECT_THROW(grid.GetCellRect(-1, 0, &rc), CInvalidArgException);
  EXPECT_EQ(rc, untouched);
  grid.m_nFirstCol = 7;
  EXPECT_THROW(grid.GetCellRect(3, 0, &rc), CInvalidArgException);
  EXPECT_EQ(rc, untouched);
}

TEST_F(Geometry, AColumnOfWidthZeroEndsLeftOfItsStart) {
  grid.m_layout.SetWidthOfColumn(1, 0);
  CRect rc;
  grid.GetCellRect(2, 1, &rc);
  EXPECT_EQ(rc, CRect(50, 40, 49, 59));
  grid.GetCellRect(2, 2, &rc);
  EXPECT_EQ(rc.left, 50);
}

TEST_F(Geometry, StoredFixedCountsAboveTheMatrixAreBounded) {
  grid.SetNumFixedRows(99);  // stored as given
  grid.m_nFixedCols = 42;
  grid.m_nTopRow = 5;
  // Every row is fixed, every column in the strip: nothing scrolls.
  EXPECT_EQ(grid.GetRowAtPoint({0, 99}), 4);
  EXPECT_EQ(grid.GetRowAtPoint({0, 100}), -1);
  EXPECT_EQ(grid.GetColumnAtPoint({149, 0}), -1);
  CRect rc;
  grid.GetCellRect(4, 0, &rc);
  EXPECT_EQ(rc.top, 80);
  EXPECT_EQ(rc.bottom, 99);
}

TEST_F(Geometry, AnOrderEntryNamingNoColumnFailsCleanly) {
  grid.SetColumnOrder(77, 2);  // position 2 shows no column
  EXPECT_THROW(grid.GetColumnAtPoint({120, 0}), CInvalidArgException);
  EXPECT_EQ(grid.GetColumnAtPoint({60, 0}), 1);
  int border = 3;
  EXPECT_THROW(grid.GetColumnBorderAtPoint({160, 0}, border), CInvalidArgException);
  EXPECT_EQ(border, 3);
  CPoint origin(9, 9);
  EXPECT_THROW(grid.GetCellOrigin(1, 2, &origin), CInvalidArgException);
  EXPECT_EQ(origin, CPoint(9, 9));
}

TEST_F(Geometry, HostileWidthsWrapInsteadOfOverflowing) {
  grid.m_layout.SetWidthOfColumn(0, 0x7FFFFFFFu);
  grid.m_layout.SetWidthOfColumn(1, 0x7FFFFFFFu);
  // 0x7FFFFFFF + 0x7FFFFFFF wraps to -2: position 1 ends left of the strip.
  EXPECT_EQ(grid.GetColumnAtPoint({5, 0}), 0);
  CPoint origin;
  grid.GetCellOrigin(1, 2, &origin);
  EXPECT_EQ(origin.x, -2);
  int border = 0;
  EXPECT_EQ(grid.GetColumnBorderAtPoint({INT32_MAX, 0}, border), 0);
  EXPECT_EQ(border, INT32_MAX);
}

TEST_F(Geometry, RowPositionsFollowEveryHeightChangeAndWrap) {
  CPoint origin;
  grid.GetCellOrigin(4, 0, &origin);
  EXPECT_EQ(origin.y, 80);
  grid.SetRowHeight(2, 35);
  grid.GetCellOrigin(4, 0, &origin);
  EXPECT_EQ(origin.y, 95);
  grid.m_layout.SetHeightOfRow(1, 0xFFFFFFF0u);  // adds as -16
  grid.GetCellOrigin(4, 0, &origin);
  EXPECT_EQ(origin.y, 20 - 16 + 35 + 20);
  CRect rc;
  grid.GetCellRect(2, 0, &rc);
  EXPECT_EQ(rc.top, 4);
  EXPECT_EQ(rc.bottom, 4 + 35 - 1);
  grid.m_layout.SetHeightOfRow(2, 5);
  grid.GetCellRect(3, 0, &rc);
  EXPECT_EQ(rc.top, 20 - 16 + 5);
  EXPECT_EQ(grid.GetRowAtPoint({0, 20 - 16 + 5 + 20}), 3);
}

}  // namespace
}  // namespace TzGrid::Test
