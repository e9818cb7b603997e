// The headless drawing context where the grid's pictures rely on it: which
// pixels a fill, a frame and a line cover, as GDI draws them.
#include <gtest/gtest.h>

#include <string>

#include "platform/headless/HeadlessGdi.h"

namespace TzGrid::Headless {
namespace {

constexpr COLORREF kPaper = RGB(255, 255, 255);
constexpr COLORREF kRed = RGB(255, 0, 0);
constexpr COLORREF kBlue = RGB(0, 0, 255);

class Gdi : public ::testing::Test {
 protected:
  void SetUp() override {
    pixmap.Resize(300, 120, kPaper);
    dc = CreatePixmapDC(pixmap, CRect(0, 0, 300, 120));
  }
  // One pixel row as a string: '.' paper, 'r' red, 'b' blue, '?' anything else.
  std::string Row(int y, int x0, int x1) const {
    std::string s;
    for (int x = x0; x < x1; ++x) {
      const COLORREF c = pixmap.At(x, y);
      s += c == kPaper ? '.' : c == kRed ? 'r' : c == kBlue ? 'b' : '?';
    }
    return s;
  }

  Pixmap pixmap;
  std::unique_ptr<CDC> dc;
};

// Cells, frames and grid lines are drawn with these: right and bottom edges
// and a line's end point are left out, a 3-D frame's corners go to the
// bottom-right colour. (Inversion and clipping show in the grid's pictures.)
TEST_F(Gdi, ShapesCoverExactlyThePixelsOfTheirEdges) {
  CRect fill(2, 1, 6, 3);
  dc->FillSolidRect(&fill, kRed);
  CRect frame(8, 0, 13, 4);
  dc->Draw3dRect(&frame, kRed, kBlue);
  CPen pen(PS_SOLID, 0, kBlue);
  dc->SelectObject(&pen);
  dc->MoveTo(15, 2);
  dc->LineTo(19, 2);
  dc->MoveTo(20, 0);
  dc->LineTo(20, 3);
  EXPECT_EQ(Row(0, 0, 22), "........rrrrb.......b.");
  EXPECT_EQ(Row(1, 0, 22), "..rrrr..r...b.......b.");
  EXPECT_EQ(Row(2, 0, 22), "..rrrr..r...b..bbbb.b.");
  EXPECT_EQ(Row(3, 0, 22), "........bbbbb.........");
}

}  // namespace
}  // namespace TzGrid::Headless
