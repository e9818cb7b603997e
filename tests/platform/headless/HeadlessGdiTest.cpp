// The headless drawing context, tested only where the grid's pictures rely
// on it: which pixels a fill, frame, line or inversion covers, clipping and
// the window origin, the off-screen bitmap and its blit, and where text ink
// lands. The grid's own pixel tests build on these.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "platform/headless/HeadlessGdi.h"

namespace TzGrid::Headless {
namespace {

constexpr COLORREF kPaper = RGB(255, 255, 255);
constexpr COLORREF kRed = RGB(255, 0, 0);
constexpr COLORREF kBlue = RGB(0, 0, 255);
constexpr COLORREF kInvalid = 0xFFFFFFFF;
constexpr UINT kLeftCell = DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX | DT_EDITCONTROL;
constexpr UINT kRightCell = DT_RIGHT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX | DT_EDITCONTROL;
constexpr UINT kCentredWrap = DT_CENTER | DT_WORDBREAK | DT_NOPREFIX;

// Bounding box of the pixels that are not paper; right and bottom exclusive.
struct Box {
  int left = INT32_MAX, top = INT32_MAX, right = INT32_MIN, bottom = INT32_MIN;
  bool Empty() const { return right < left; }
  int Width() const { return right - left; }
};

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
      COLORREF c = pixmap.At(x, y);
      s += c == kPaper ? '.' : c == kRed ? 'r' : c == kBlue ? 'b' : '?';
    }
    return s;
  }
  Box Ink(CRect area = CRect(0, 0, 300, 120)) const {
    Box box;
    for (int y = area.top; y < area.bottom; ++y) {
      for (int x = area.left; x < area.right; ++x) {
        if (pixmap.At(x, y) == kPaper) continue;
        box.left = std::min(box.left, x), box.right = std::max(box.right, x + 1);
        box.top = std::min(box.top, y), box.bottom = std::max(box.bottom, y + 1);
      }
    }
    return box;
  }
  void Clear() { std::fill(pixmap.pixels.begin(), pixmap.pixels.end(), kPaper); }
  void SelectEightPointArial() {
    LOGFONTW lf{};
    lf.lfHeight = 80;
    std::char_traits<WCHAR>::copy(lf.lfFaceName, u"Arial", 6);
    ASSERT_TRUE(font.CreatePointFontIndirect(&lf));
    dc->SelectObject(&font);
    dc->SetTextColor(RGB(1, 1, 1));
    dc->SetBkMode(TRANSPARENT);
  }
  int Draw(const std::u16string& text, CRect rect, UINT format) {
    return dc->DrawText(text.c_str(), int(text.size()), &rect, format);
  }

  Pixmap pixmap;
  std::unique_ptr<CDC> dc;
  CFont font;
};

// Cells, frames and grid lines are drawn with these: right and bottom edges
// and a line's end point are left out, a 3-D frame's corners go to the
// bottom-right colour, and the drag band inverts and inverts back.
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
  EXPECT_EQ(dc->MoveTo(0, 0), CPoint(20, 3));

  CBrush brush;
  brush.CreateSolidBrush(kRed);
  dc->SelectObject(&brush);
  EXPECT_TRUE(dc->Rectangle(1, 5, 5, 8));
  EXPECT_EQ(Row(5, 0, 6), ".bbbb.");
  EXPECT_EQ(Row(6, 0, 6), ".brrb.");
  EXPECT_EQ(Row(7, 0, 6), ".bbbb.");

  pixmap.At(31, 11) = RGB(1, 2, 3);
  CRect band(30, 10, 33, 12);
  dc->InvertRect(&band);
  EXPECT_EQ(pixmap.At(31, 11), RGB(254, 253, 252));
  EXPECT_EQ(pixmap.At(30, 10), RGB(0, 0, 0));
  EXPECT_EQ(pixmap.At(33, 10), kPaper);
  dc->InvertRect(&band);
  EXPECT_EQ(pixmap.At(31, 11), RGB(1, 2, 3));
  EXPECT_EQ(pixmap.At(30, 10), kPaper);
}

// A paint draws through the update area's clip box, in logical
// coordinates shifted by the window origin; nothing lands outside either.
TEST_F(Gdi, ClipBoxAndWindowOriginBoundEveryDrawing) {
  auto clipped = CreatePixmapDC(pixmap, CRect(5, 5, 10, 8));
  CRect box;
  EXPECT_EQ(clipped->GetClipBox(&box), 2);
  EXPECT_EQ(box, CRect(5, 5, 10, 8));
  CRect all(-50, -50, 500, 500);
  clipped->FillSolidRect(&all, kRed);
  clipped->MoveTo(0, 9);
  clipped->LineTo(40, 9);
  EXPECT_EQ(Ink().left, 5);
  EXPECT_EQ(Ink().right, 10);
  EXPECT_EQ(Ink().top, 5);
  EXPECT_EQ(Ink().bottom, 8);
  EXPECT_EQ(clipped->GetPixel(4, 5), kInvalid);

  auto beyond = CreatePixmapDC(pixmap, CRect(-10, -10, 1000, 1000));
  beyond->GetClipBox(&box);
  EXPECT_EQ(box, CRect(0, 0, 300, 120));

  Clear();
  EXPECT_EQ(dc->SetWindowOrg(10, 5), CPoint(0, 0));
  dc->FillSolidRect(12, 6, 1, 1, kBlue);
  EXPECT_EQ(pixmap.At(2, 1), kBlue);
  dc->GetClipBox(&box);
  EXPECT_EQ(box, CRect(10, 5, 310, 125));
}

// The off-screen context: a bitmap seen through its own origin, copied to
// the window through the window's clip; and a copy within one context that
// overlaps itself, as a scroll moves the pixels already drawn.
TEST_F(Gdi, BlitsCopyBetweenOriginsAndWithinOneContext) {
  CDC mem;
  ASSERT_TRUE(mem.CreateCompatibleDC(dc.get()));
  CBitmap bitmap;
  ASSERT_TRUE(bitmap.CreateCompatibleBitmap(dc.get(), 6, 4));
  CBitmap* old = mem.SelectObject(&bitmap);
  ASSERT_NE(old, nullptr);
  mem.SetWindowOrg(20, 10);
  CRect box;
  mem.GetClipBox(&box);
  EXPECT_EQ(box, CRect(20, 10, 26, 14));
  CRect whole(0, 0, 1000, 1000);
  mem.FillSolidRect(&whole, kBlue);
  mem.FillSolidRect(20, 10, 1, 1, kRed);
  EXPECT_EQ(mem.GetPixel(26, 10), kInvalid);
  auto target = CreatePixmapDC(pixmap, CRect(0, 0, 24, 120));
  EXPECT_TRUE(target->BitBlt(20, 10, 6, 4, &mem, 20, 10, SRCCOPY));
  EXPECT_EQ(Row(10, 18, 26), "..rbbb..");
  EXPECT_EQ(Row(13, 18, 26), "..bbbb..");
  EXPECT_EQ(Row(14, 18, 26), "........");
  EXPECT_EQ(mem.SelectObject(old), &bitmap);

  for (int x = 0; x < 5; ++x) pixmap.At(x, 50) = RGB(x, 0, 0);
  dc->BitBlt(1, 50, 5, 1, dc.get(), 0, 50, SRCCOPY);
  for (int x = 0; x < 5; ++x) EXPECT_EQ(pixmap.At(x + 1, 50), RGB(x, 0, 0)) << x;
}

// Cell text: an 8-point Arial line is 12 pixels (rows are sized on it);
// left text starts at the rectangle, right text ends at it, a single line is
// centred vertically and the call reports its bottom.
TEST_F(Gdi, TextLandsWhereTheCellFormatsPutIt) {
  SelectEightPointArial();
  TextMetrics m = GetTextMetrics(*dc);
  EXPECT_EQ(m.ascent, 10);
  EXPECT_EQ(m.height, 12);
  CRect cell(20, 30, 200, 70);
  EXPECT_EQ(Draw(u"Hello", cell, kLeftCell), (40 - 12) / 2 + 12);
  Box left = Ink();
  EXPECT_GE(left.left, 20);
  EXPECT_LE(left.left, 22);
  EXPECT_NEAR(left.top + left.bottom, 30 + 70, 4);
  Clear();
  Draw(u"Hello", cell, kRightCell);
  Box right = Ink();
  EXPECT_LE(right.right, 200);
  EXPECT_GE(right.right, 198);
  EXPECT_EQ(right.Width(), left.Width());

  Clear();
  Draw(u"HOH", CRect(40, 10, 240, 30), DT_CENTER | DT_NOPREFIX);
  int centred = Ink().left;
  Clear();
  Draw(u"HOH", CRect(40, 10, 240, 30), DT_LEFT | DT_NOPREFIX);
  EXPECT_EQ(centred - Ink().left, (200 - GetTextWidth(*dc, u"HOH")) / 2);
}

// Header text wraps between words and breaks at line ends; a word too
// long for its cell, the cell's rectangle and the clip box all cut ink.
TEST_F(Gdi, TextWrapsBreaksAndIsClipped) {
  SelectEightPointArial();
  const int lh = GetTextMetrics(*dc).height;
  int oneLine = GetTextWidth(*dc, u"alpha beta");
  EXPECT_EQ(Draw(u"alpha beta", CRect(10, 10, 10 + oneLine - 2, 100), kCentredWrap), 2 * lh);
  EXPECT_FALSE(Ink(CRect(0, 10 + lh, 300, 10 + 2 * lh)).Empty());
  EXPECT_TRUE(Ink(CRect(0, 10 + 2 * lh, 300, 120)).Empty());
  Clear();
  EXPECT_EQ(Draw(u"one\r\ntwo\nthree", CRect(10, 0, 200, 120), DT_LEFT | DT_NOPREFIX), 3 * lh);
  EXPECT_FALSE(Ink(CRect(0, 2 * lh, 300, 3 * lh)).Empty());
  Clear();
  EXPECT_EQ(Draw(u"one\r\ntwo", CRect(10, 0, 200, 120), kLeftCell), (120 - lh) / 2 + lh);
  EXPECT_TRUE(Ink(CRect(0, 0, 300, (120 - lh) / 2)).Empty());

  Clear();
  Draw(u"Supercalifragilistic", CRect(50, 10, 70, 100), kCentredWrap);
  Box word = Ink();
  EXPECT_GE(word.left, 50);
  EXPECT_LE(word.right, 70);
  Clear();
  auto clipped = CreatePixmapDC(pixmap, CRect(0, 0, 60, 120));
  clipped->SetWindowOrg(-20, 0);
  CRect rect(0, 0, 200, 20);
  clipped->DrawText(u"Hello world", -1, &rect, kLeftCell);
  Box ink = Ink();
  EXPECT_GE(ink.left, 20);
  EXPECT_LE(ink.right, 60);
}

// Cell text colours are checked by their darkest pixel: every inked pixel
// lies between the text colour and the paper, and the text colour occurs.
TEST_F(Gdi, TheDarkestInkIsTheTextColour) {
  SelectEightPointArial();
  dc->SetTextColor(RGB(200, 0, 50));
  Draw(u"Ink", CRect(10, 10, 200, 40), kLeftCell);
  int exact = 0;
  for (COLORREF c : pixmap.pixels) {
    exact += c == RGB(200, 0, 50);
    ASSERT_GE(GetRValue(c), 200);
    ASSERT_GE(GetBValue(c), 50);
  }
  EXPECT_GT(exact, 5);
}

// The demo and the pixel tests' failure pictures are PNG files.
TEST(GdiPng, AWrittenFileReadsBackWithTheSamePixels) {
  Pixmap pixmap;
  pixmap.Resize(7, 5);
  for (int y = 0; y < 5; ++y) {
    for (int x = 0; x < 7; ++x) pixmap.At(x, y) = RGB(x * 36, y * 60, (x * 7 + y * 13) & 0xFF);
  }
  std::string path = ::testing::TempDir() + "tzgrid_gdi_roundtrip.png";
  std::string error;
  ASSERT_TRUE(WritePng(pixmap, path, &error)) << error;
  Pixmap back;
  ASSERT_TRUE(ReadPng(path, &back, &error)) << error;
  EXPECT_EQ(back.width, 7);
  EXPECT_EQ(back.pixels, pixmap.pixels);
  std::remove(path.c_str());
  EXPECT_FALSE(WritePng(pixmap, "/nonexistent-dir/x.png", &error));
}

}  // namespace
}  // namespace TzGrid::Headless
