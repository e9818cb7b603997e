// Geometry and hit testing: where cells lie and what lies under a point, at
// the boundaries, and the failures of reads outside the layout arrays.
#include <initializer_list>

#include "TestSupport.h"

namespace TzGrid::Test {
namespace {

struct Hit {
  int at, expected;  // a pixel coordinate and the index (or -1) found there
};

// Three columns of 50, five rows of 20, one fixed row, scrolled to the start.
class Geometry : public ::testing::Test {
 protected:
  CTzGridCtrl grid;
  void SetUp() override {
    grid.ResizeGrid(3, 5);
    grid.m_nFirstCol = 0;
    grid.m_nTopRow = 1;
  }
  void ExpectColumnsAt(std::initializer_list<Hit> hits, int y = 5) {
    for (Hit h : hits) EXPECT_EQ(grid.GetColumnAtPoint({h.at, y}), h.expected) << "x = " << h.at;
  }
  void ExpectRowsAt(std::initializer_list<Hit> hits, int x = 5) {
    for (Hit h : hits) EXPECT_EQ(grid.GetRowAtPoint({x, h.at}), h.expected) << "y = " << h.at;
  }
  // The border position at x in the header band and its x, or -1 with
  // the x left as it was.
  void ExpectBordersAt(std::initializer_list<std::tuple<int, int, int>> hits, int y = 10) {
    for (auto [x, pos, borderX] : hits) {
      int found = -7;
      EXPECT_EQ(grid.GetColumnBorderAtPoint({x, y}, found), pos) << "x = " << x;
      EXPECT_EQ(found, pos < 0 ? -7 : borderX) << "x = " << x;
    }
  }
  CRect Rect(int r, int c) {
    CRect rc;
    grid.GetCellRect(r, c, &rc);
    return rc;
  }
  CPoint Origin(int r, int c) {
    CPoint origin;
    grid.GetCellOrigin(r, c, &origin);
    return origin;
  }
};

// A pixel on the running sum of sizes belongs to the item before it; the
// other coordinate plays no part.
TEST_F(Geometry, HitTestingCountsTheFarEdgeAsTheItemsOwn) {
  ExpectColumnsAt({{0, 0}, {50, 0}, {51, 1}, {100, 1}, {101, 2}, {150, 2}, {151, -1}, {-1, -1}});
  ExpectColumnsAt({{60, 1}}, -500);
  ExpectRowsAt({{0, 0}, {19, 0}, {20, 1}, {40, 1}, {41, 2}, {100, 4}, {101, -1}, {-1, -1}});
  ExpectRowsAt({{30, 1}}, -9999);
  grid.m_nTopRow = 3;  // scrolled rows start below the band
  ExpectRowsAt({{20, 3}, {41, 4}, {60, 4}, {61, -1}});
  grid.SetNumFixedRows(2);
  grid.m_layout.SetHeightOfRow(1, 25);
  grid.m_nTopRow = 2;
  ExpectRowsAt({{20, 0}, {21, 1}, {44, 1}, {45, 2}});  // y = 45, the band's height: the first scrolled row
}

// Within 3 pixels of a border in the header band (its bottom row y = FH
// included); of two borders that near, the left one.
TEST_F(Geometry, ColumnBordersWithinThreePixels) {
  ExpectBordersAt({{46, -1, 0}, {47, 0, 50}, {50, 0, 50}, {53, 0, 50}, {54, -1, 0}, {100, 1, 100}, {152, 2, 150}});
  ExpectBordersAt({{50, 0, 50}}, 20);
  ExpectBordersAt({{50, -1, 0}}, 21);
  ExpectBordersAt({{50, 0, 50}}, -100);
  grid.m_layout.SetWidthOfColumn(1, 4);  // borders at 50 and 54
  ExpectBordersAt({{52, 0, 50}, {53, 0, 50}, {54, 1, 54}, {57, 1, 54}});
  grid.m_layout.SetWidthOfColumn(1, 50);
  grid.SetFixedColumns(1);
  grid.m_layout.SetWidthOfColumn(0, 30);
  grid.m_nFirstCol = 1;
  ExpectBordersAt({{76, -1, 0}, {77, 1, 80}, {83, 1, 80}, {30, -1, 0}});  // the strip's edge is no border
  grid.m_nFirstCol = -1;
  int border = -7;
  EXPECT_THROW(grid.GetColumnBorderAtPoint({50, 0}, border), CInvalidArgException);
  EXPECT_EQ(border, -7);
}

TEST_F(Geometry, CellRectsAndOrigins) {
  EXPECT_EQ(Rect(1, 0), CRect(0, 20, 49, 39));
  EXPECT_EQ(Rect(0, 0), CRect(0, 0, 49, 19));
  EXPECT_EQ(Rect(4, 2), CRect(100, 80, 149, 99));
  EXPECT_EQ(Origin(4, 2), CPoint(100, 80));
  grid.m_layout.SetWidthOfColumn(1, 0);  // a column of width 0 ends left of its start
  EXPECT_EQ(Rect(2, 1), CRect(50, 40, 49, 59));
  EXPECT_EQ(Rect(2, 2).left, 50);
  grid.m_layout.SetWidthOfColumn(1, 50);
  grid.m_nFirstCol = 1;
  grid.m_nTopRow = 3;
  EXPECT_EQ(Origin(1, 0), CPoint(100, 60));  // a row scrolled off above, a column off to the left: past the end
  EXPECT_EQ(Origin(-1, 1), CPoint(0, 100));  // a negative row is stacked from the top over all rows
  grid.m_nFirstCol = 3;
  EXPECT_EQ(Origin(3, 0), CPoint(0, 20));  // at or past the end no column is met
  grid.SetNumFixedRows(2);
  grid.m_layout.SetHeightOfRow(1, 25);
  grid.m_nFirstCol = 0;
  grid.m_nTopRow = 2;
  EXPECT_EQ(Rect(1, 1), CRect(50, 20, 99, 44));
  EXPECT_EQ(Rect(2, 1), CRect(50, 45, 99, 64));
  grid.SetNumFixedRows(1);
  grid.m_layout.SetHeightOfRow(1, 20);
  grid.MoveColumn(2, 0);  // positions: 2, 0, 1
  grid.m_nTopRow = 1;
  EXPECT_EQ(Rect(1, 2), CRect(0, 20, 49, 39));
  EXPECT_EQ(Rect(1, 1), CRect(100, 20, 149, 39));
  grid.m_nFirstCol = 1;
  grid.m_nTopRow = 3;
  EXPECT_EQ(Rect(3, 0), CRect(0, 20, 49, 39));
  EXPECT_EQ(Rect(0, 0), CRect(0, 0, 49, 19));  // a fixed row keeps its place
}

}  // namespace
}  // namespace TzGrid::Test
