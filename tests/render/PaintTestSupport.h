// Shared fixture of the painting tests: a 5 x 5 grid in a 300 x 150 headless
// window in colours unlike the painter's own, pixel probes given as tables,
// and ink measurements that do not depend on glyph shapes.
#pragma once

#include <algorithm>
#include <initializer_list>

#include "TestSupport.h"
#include "render/MemDC.h"

namespace TzGrid::Test {

constexpr COLORREF kEmpty = 0x00305070;  // the grid's empty-area colour in these tests
constexpr COLORREF kBack = 0x00F0E0D0;   // the grid's background in these tests
constexpr COLORREF kWhite = 0x00FFFFFF;
constexpr COLORREF kShadow = 0x00808080;
constexpr COLORREF kFace = 0x00C0C0C0;
constexpr COLORREF kLine = 0x00C0C08E;
constexpr COLORREF kBlack = 0x00000000;
constexpr COLORREF kDefaultInk = 0x00010101;
constexpr COLORREF kRed = 0x000000FF;
constexpr COLORREF kGreen = 0x0000FF00;
constexpr COLORREF kSentinel = 0x00123456;

struct Probe {
  int x, y;
  COLORREF colour;  // expected there
};

// The bounding box of the pixels in a region that differ from a colour.
struct Ink {
  bool any = false;
  int left = 0, top = 0, right = 0, bottom = 0;  // inclusive
  int Width() const { return any ? right - left + 1 : 0; }
  int Height() const { return any ? bottom - top + 1 : 0; }
  double CentreX() const { return (left + right) / 2.0; }
};

class PaintTest : public DesktopTest {
 protected:
  CTzGridCtrl grid;
  Headless::HeadlessWindow window{grid, 300, 150};

  void SetUp() override {
    DesktopTest::SetUp();
    grid.m_clrEmptyArea = kEmpty;
    grid.m_clrBack = kBack;
    window.ClearRecords();
  }

  // No colour (0xFFFFFFFF) for a pixel outside the window.
  COLORREF Px(int x, int y) const { return window.framebuffer.Contains(x, y) ? window.framebuffer.At(x, y) : 0xFFFFFFFF; }
  void ExpectPixels(std::initializer_list<Probe> probes) const {
    for (const Probe& p : probes) {
      EXPECT_EQ(Px(p.x, p.y), p.colour) << "pixel (" << p.x << ", " << p.y << ") is 0x" << std::hex << Px(p.x, p.y);
    }
  }
  void FillFramebuffer(COLORREF c) { std::fill(window.framebuffer.pixels.begin(), window.framebuffer.pixels.end(), c); }
  void MarkHeaderRow(int r) {
    for (int c = 0; c < grid.m_nCols; ++c) grid.SetCellHeaderFlag(r, c, 1);
  }
  // OnDraw on a context over the whole window, with only `area` to repaint.
  void DrawWithRepaintArea(const CRect& area) {
    grid.OnDraw(Headless::CreatePixmapDC(window.framebuffer, CRect(0, 0, 300, 150)).get(), CRect(0, 0, 300, 150), area);
  }

  // Pixels of the region [left, right) x [top, bottom) unlike the background.
  Ink InkIn(const CRect& region, COLORREF background) const {
    Ink ink;
    for (int y = region.top; y < region.bottom; ++y) {
      for (int x = region.left; x < region.right; ++x) {
        if (Px(x, y) == background) continue;
        if (!ink.any) ink = {true, x, y, x, y};
        ink.left = std::min(ink.left, x), ink.right = std::max(ink.right, x);
        ink.top = std::min(ink.top, y), ink.bottom = std::max(ink.bottom, y);
      }
    }
    return ink;
  }
  int CountOf(const CRect& region, COLORREF colour) const {
    int n = 0;
    for (int y = region.top; y < region.bottom; ++y) {
      for (int x = region.left; x < region.right; ++x) n += Px(x, y) == colour;
    }
    return n;
  }
};

// The default grid with its header row, painted once.
class PaintedGrid : public PaintTest {
 protected:
  void SetUp() override {
    PaintTest::SetUp();
    MarkHeaderRow(0);
    window.PaintAll();
  }
};

}  // namespace TzGrid::Test
