// DrawText on the headless context: where the ink lands (not the glyphs'
// exact shapes): alignment, vertical centring, line breaks and wrapping,
// clipping, background modes, colour, weight and size.
#include <gtest/gtest.h>

#include <string>

#include "platform/headless/HeadlessGdi.h"

namespace TzGrid::Headless {
namespace {

constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr COLORREF kInk = RGB(1, 1, 1);
constexpr UINT kLeftCell = DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX | DT_EDITCONTROL;   // 0x2824
constexpr UINT kRightCell = DT_RIGHT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX | DT_EDITCONTROL;  // 0x2826
constexpr UINT kCentredWrap = DT_CENTER | DT_WORDBREAK | DT_NOPREFIX;                               // 0x811
constexpr UINT kHeader = DT_CENTER | DT_VCENTER | DT_NOPREFIX;                                      // 0x805

struct Box {
  int left = INT32_MAX, top = INT32_MAX, right = INT32_MIN, bottom = INT32_MIN;  // right, bottom exclusive
  bool Empty() const { return right < left; }
  int Width() const { return right - left; }
  int Height() const { return bottom - top; }
};

LOGFONTW Arial(LONG height, LONG weight = FW_NORMAL) {
  LOGFONTW lf{};
  lf.lfHeight = height;
  lf.lfWeight = weight;
  std::char_traits<WCHAR>::copy(lf.lfFaceName, u"Arial", 6);
  return lf;
}

class TextTest : public ::testing::Test {
 protected:
  void SetUp() override {
    pixmap.Resize(300, 120, kWhite);
    dc = CreatePixmapDC(pixmap, CRect(0, 0, 300, 120));
    LOGFONTW lf = Arial(80);
    ASSERT_TRUE(font.CreatePointFontIndirect(&lf));
    dc->SelectObject(&font);
    dc->SetTextColor(kInk);
    dc->SetBkMode(TRANSPARENT);
  }
  int Draw(const std::u16string& text, CRect rect, UINT format) {
    return dc->DrawText(text.c_str(), int(text.size()), &rect, format);
  }
  // Bounding box of the pixels that differ from the background, within area.
  Box Ink(COLORREF background = kWhite, CRect area = CRect(0, 0, 300, 120)) const {
    Box box;
    for (int y = area.top; y < area.bottom; ++y) {
      for (int x = area.left; x < area.right; ++x) {
        if (pixmap.At(x, y) == background) continue;
        box.left = std::min(box.left, x), box.right = std::max(box.right, x + 1);
        box.top = std::min(box.top, y), box.bottom = std::max(box.bottom, y + 1);
      }
    }
    return box;
  }
  void Clear() { std::fill(pixmap.pixels.begin(), pixmap.pixels.end(), kWhite); }

  Pixmap pixmap;
  std::unique_ptr<CDC> dc;
  CFont font;
};

TEST_F(TextTest, EightPointArialIsElevenPixelsHigh) {
  TextMetrics m = GetTextMetrics(*dc);
  // -11 px em: Liberation Sans' Windows ascent and descent scale to 10 + 2.
  EXPECT_EQ(m.ascent, 10);
  EXPECT_EQ(m.descent, 2);
  EXPECT_EQ(m.height, 12);
  Draw(u"H", CRect(10, 10, 100, 40), DT_LEFT | DT_NOPREFIX);
  Box ink = Ink();
  // A capital is about 0.72 em: 8 pixels at 11 px, sitting on the baseline.
  EXPECT_GE(ink.Height(), 7);
  EXPECT_LE(ink.Height(), 9);
  EXPECT_EQ(ink.bottom, 10 + m.ascent);
}

TEST_F(TextTest, PointSizeMatchesTheEquivalentCharacterHeight) {
  CFont byPixels, byCell;
  LOGFONTW pixels = Arial(-11), cell = Arial(12);
  byPixels.CreateFontIndirect(&pixels);
  byCell.CreateFontIndirect(&cell);  // a 12-pixel cell holds an 11-pixel em
  int pointWidth = GetTextWidth(*dc, u"The quick brown fox");
  dc->SelectObject(&byPixels);
  EXPECT_EQ(GetTextWidth(*dc, u"The quick brown fox"), pointWidth);
  EXPECT_EQ(GetTextMetrics(*dc).height, 12);
  dc->SelectObject(&byCell);
  EXPECT_EQ(GetTextMetrics(*dc).height, 12);
  EXPECT_EQ(GetTextWidth(*dc, u"The quick brown fox"), pointWidth);
}

TEST_F(TextTest, LargerFontsAreTaller) {
  CFont big;
  LOGFONTW lf = Arial(-40);
  big.CreateFontIndirect(&lf);
  dc->SelectObject(&big);
  TextMetrics m = GetTextMetrics(*dc);
  EXPECT_EQ(m.ascent, 36);  // 40 * 1854 / 2048
  EXPECT_EQ(m.descent, 8);  // 40 * 434 / 2048
  Draw(u"H", CRect(0, 0, 300, 120), DT_LEFT | DT_NOPREFIX);
  EXPECT_NEAR(Ink().Height(), 29, 1);
}

TEST_F(TextTest, DefaultFontOfANewContextDrawsText) {
  auto fresh = CreatePixmapDC(pixmap, CRect(0, 0, 300, 120));
  CRect r(5, 5, 200, 30);
  EXPECT_EQ(fresh->DrawText(u"Default", -1, &r, DT_LEFT | DT_SINGLELINE | DT_NOPREFIX), GetTextMetrics(*fresh).height);
  EXPECT_FALSE(Ink().Empty());
}

TEST_F(TextTest, LeftTextStartsAtTheRectangleLeft) {
  Draw(u"Hello", CRect(20, 10, 200, 30), kLeftCell);
  Box ink = Ink();
  ASSERT_FALSE(ink.Empty());
  EXPECT_GE(ink.left, 20);
  EXPECT_LE(ink.left, 22);
}

TEST_F(TextTest, RightTextEndsAtTheRectangleRight) {
  Draw(u"Hello", CRect(20, 10, 200, 30), kRightCell);
  Box ink = Ink();
  ASSERT_FALSE(ink.Empty());
  EXPECT_LE(ink.right, 200);
  EXPECT_GE(ink.right, 198);
  EXPECT_EQ(ink.right - ink.left, [&] {
    Clear();
    Draw(u"Hello", CRect(20, 10, 200, 30), kLeftCell);
    return Ink().Width();
  }());
}

TEST_F(TextTest, CentredTextIsCentred) {
  CRect rect(40, 10, 240, 30);
  Draw(u"HOH", rect, kHeader);
  Box ink = Ink();
  ASSERT_FALSE(ink.Empty());
  // Twice the centres, to compare without rounding.
  EXPECT_NEAR(ink.left + ink.right, rect.left + rect.right, 2);
  // Exactly half of the room that the advance leaves.
  Clear();
  Draw(u"HOH", CRect(40, 10, 240, 30), DT_LEFT | DT_NOPREFIX);
  int leftInk = Ink().left;
  int advance = GetTextWidth(*dc, u"HOH");
  EXPECT_EQ(ink.left - leftInk, (200 - advance) / 2);
}

TEST_F(TextTest, SingleLineTextIsCentredVertically) {
  TextMetrics m = GetTextMetrics(*dc);
  Draw(u"Hxg", CRect(10, 0, 200, m.height), kLeftCell);
  Box atTop = Ink();
  Clear();
  CRect tall(10, 30, 200, 70);  // 40 high
  EXPECT_EQ(Draw(u"Hxg", tall, kLeftCell), (40 - m.height) / 2 + m.height);
  Box centred = Ink();
  EXPECT_EQ(centred.top - 30, atTop.top + (40 - m.height) / 2);
  EXPECT_NEAR(centred.top + centred.bottom, 30 + 70, 4);
}

TEST_F(TextTest, WithoutSingleLineVerticalCentringHasNoEffect) {
  Draw(u"Head", CRect(10, 30, 200, 90), kHeader);
  Box ink = Ink();
  EXPECT_GE(ink.top, 30);
  EXPECT_LT(ink.bottom, 30 + GetTextMetrics(*dc).height + 1);
}

TEST_F(TextTest, WordBreakWrapsOntoASecondLine) {
  const int lh = GetTextMetrics(*dc).height;
  int oneLine = GetTextWidth(*dc, u"alpha beta");
  int alpha = GetTextWidth(*dc, u"alpha");
  ASSERT_LT(alpha + 4, oneLine - 4);
  CRect rect(10, 10, 10 + oneLine - 2, 100);
  EXPECT_EQ(Draw(u"alpha beta", rect, kCentredWrap), 2 * lh);
  Box first = Ink(kWhite, CRect(0, 10, 300, 10 + lh));
  Box second = Ink(kWhite, CRect(0, 10 + lh, 300, 10 + 2 * lh));
  ASSERT_FALSE(first.Empty());
  ASSERT_FALSE(second.Empty());
  EXPECT_TRUE(Ink(kWhite, CRect(0, 10 + 2 * lh, 300, 120)).Empty());
  // Each line centred on its own.
  EXPECT_NEAR(first.left + first.right, rect.left + rect.right, 3);
  EXPECT_NEAR(second.left + second.right, rect.left + rect.right, 3);
  // With room for both words, one line.
  Clear();
  EXPECT_EQ(Draw(u"alpha beta", CRect(10, 10, 10 + oneLine, 100), kCentredWrap), lh);
}

TEST_F(TextTest, LongWordIsNotBrokenButClipped) {
  const int lh = GetTextMetrics(*dc).height;
  CRect rect(50, 10, 70, 100);
  EXPECT_EQ(Draw(u"Supercalifragilistic", rect, kCentredWrap), lh);
  Box ink = Ink();
  EXPECT_GE(ink.left, 50);
  EXPECT_LE(ink.right, 70);
  EXPECT_LE(ink.bottom, 10 + lh);
}

TEST_F(TextTest, LineBreaksSplitLinesWithoutSingleLine) {
  const int lh = GetTextMetrics(*dc).height;
  EXPECT_EQ(Draw(u"one\r\ntwo\nthree\rfour", CRect(10, 0, 200, 120), DT_LEFT | DT_NOPREFIX), 4 * lh);
  for (int line = 0; line < 4; ++line) {
    EXPECT_FALSE(Ink(kWhite, CRect(0, line * lh, 300, (line + 1) * lh)).Empty()) << line;
  }
  EXPECT_TRUE(Ink(kWhite, CRect(0, 4 * lh, 300, 120)).Empty());
  // On one line, the breaks do not break.
  Clear();
  EXPECT_EQ(Draw(u"one\r\ntwo", CRect(10, 0, 200, 120), DT_LEFT | DT_SINGLELINE | DT_NOPREFIX), lh);
  EXPECT_TRUE(Ink(kWhite, CRect(0, lh, 300, 120)).Empty());
}

TEST_F(TextTest, EditControlHidesAPartlyVisibleLastLine) {
  const int lh = GetTextMetrics(*dc).height;
  CRect rect(10, 10, 200, 10 + lh + lh / 2);
  Draw(u"first\nsecond", rect, DT_LEFT | DT_NOPREFIX | DT_EDITCONTROL);
  EXPECT_TRUE(Ink(kWhite, CRect(0, 10 + lh, 300, 120)).Empty());
  Clear();
  Draw(u"first\nsecond", rect, DT_LEFT | DT_NOPREFIX);
  Box second = Ink(kWhite, CRect(0, 10 + lh, 300, 120));
  ASSERT_FALSE(second.Empty());
  EXPECT_LE(second.bottom, rect.bottom);
}

TEST_F(TextTest, NoInkOutsideTheRectangle) {
  CFont big;
  LOGFONTW lf = Arial(-30);
  big.CreateFontIndirect(&lf);
  dc->SelectObject(&big);
  CRect rect(40, 20, 90, 35);
  Draw(u"Wide glyphs jq", rect, DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
  Box ink = Ink();
  ASSERT_FALSE(ink.Empty());
  EXPECT_GE(ink.left, 40);
  EXPECT_GE(ink.top, 20);
  EXPECT_LE(ink.right, 90);
  EXPECT_LE(ink.bottom, 35);
  // An empty rectangle shows nothing but still reports the height.
  Clear();
  EXPECT_GT(Draw(u"abc", CRect(100, 50, 100, 80), kLeftCell), 0);
  EXPECT_TRUE(Ink().Empty());
}

TEST_F(TextTest, TextIsAlsoClippedToTheClipBoxAndFollowsTheOrigin) {
  auto clipped = CreatePixmapDC(pixmap, CRect(0, 0, 60, 120));
  clipped->SetWindowOrg(-100, 0);  // logical x lands 100 pixels to the right
  CRect rect(0, 0, 200, 20);
  clipped->DrawText(u"Hello world", -1, &rect, kLeftCell);
  EXPECT_TRUE(Ink().Empty());
  clipped->SetWindowOrg(-20, 0);
  clipped->DrawText(u"Hello world", -1, &rect, kLeftCell);
  Box ink = Ink();
  ASSERT_FALSE(ink.Empty());
  EXPECT_GE(ink.left, 20);
  EXPECT_LE(ink.left, 22);
  EXPECT_LE(ink.right, 60);
}

TEST_F(TextTest, OpaqueModeFillsTheTextExtentTransparentLeavesIt) {
  const COLORREF back = RGB(0, 200, 0);
  const int lh = GetTextMetrics(*dc).height;
  int advance = GetTextWidth(*dc, u"Hi there");
  CRect rect(10, 10, 200, 10 + lh);
  CRect wide(0, 0, 300, 120);
  dc->FillSolidRect(&wide, kWhite);  // also sets the background colour to white
  dc->FillSolidRect(0, 0, 0, 0, back);  // the background colour is now green
  Draw(u"Hi there", rect, kLeftCell);
  EXPECT_EQ(Ink(kWhite).Empty(), false);
  for (int y = 0; y < 120; ++y) {
    for (int x = 0; x < 300; ++x) ASSERT_NE(pixmap.At(x, y), back);
  }
  dc->SetBkMode(OPAQUE);
  Clear();
  Draw(u"Hi there", rect, kLeftCell);
  Box filled = Ink(kWhite);
  EXPECT_EQ(filled.left, 10);
  EXPECT_EQ(filled.top, 10);
  EXPECT_EQ(filled.right, 10 + advance);
  EXPECT_EQ(filled.bottom, 10 + lh);
  EXPECT_EQ(pixmap.At(10, 10), back);
}

TEST_F(TextTest, DarkestInkIsTheTextColour) {
  dc->SetTextColor(RGB(200, 0, 50));
  Draw(u"Ink", CRect(10, 10, 200, 40), kLeftCell);
  int exact = 0;
  for (COLORREF c : pixmap.pixels) {
    exact += c == RGB(200, 0, 50);
    // Every inked pixel lies between the text colour and the background.
    EXPECT_GE(GetRValue(c), 200);
    EXPECT_GE(GetBValue(c), 50);
  }
  EXPECT_GT(exact, 5);
}

TEST_F(TextTest, EdgePixelsMixTextAndBackgroundChannelByChannel) {
  const COLORREF back = RGB(10, 200, 90), ink = RGB(240, 20, 160);
  std::fill(pixmap.pixels.begin(), pixmap.pixels.end(), back);
  dc->SetTextColor(ink);
  Draw(u"Blended edges of several glyphs", CRect(3, 10, 300, 40), kLeftCell);
  int mixed = 0, solid = 0;
  auto between = [](int v, int a, int b) { return v >= std::min(a, b) && v <= std::max(a, b); };
  for (COLORREF c : pixmap.pixels) {
    ASSERT_EQ(c >> 24, 0u);
    ASSERT_TRUE(between(GetRValue(c), 10, 240) && between(GetGValue(c), 200, 20) && between(GetBValue(c), 90, 160))
        << std::hex << c;
    // A partly covered pixel moves every channel by the same fraction.
    if (c != back && c != ink) {
      ++mixed;
      double fr = (GetRValue(c) - 10) / 230.0, fg = (200 - GetGValue(c)) / 180.0, fb = (GetBValue(c) - 90) / 70.0;
      EXPECT_NEAR(fr, fg, 0.02);
      EXPECT_NEAR(fr, fb, 0.03);
    }
    solid += c == ink;
  }
  EXPECT_GT(mixed, 20);
  EXPECT_GT(solid, 20);
}

TEST_F(TextTest, BoldIsWiderThanRegular) {
  Draw(u"Header text", CRect(10, 10, 290, 30), kLeftCell);
  Box regular = Ink();
  int regularAdvance = GetTextWidth(*dc, u"Header text");
  CFont bold;
  LOGFONTW lf = Arial(80, FW_BOLD);
  bold.CreatePointFontIndirect(&lf);
  dc->SelectObject(&bold);
  EXPECT_GT(GetTextWidth(*dc, u"Header text"), regularAdvance);
  Clear();
  Draw(u"Header text", CRect(10, 10, 290, 30), kLeftCell);
  EXPECT_GT(Ink().Width(), regular.Width());
  // Weight 600 is already bold; 500 is not.
  CFont semi;
  lf.lfWeight = 500;
  semi.CreatePointFontIndirect(&lf);
  dc->SelectObject(&semi);
  EXPECT_EQ(GetTextWidth(*dc, u"Header text"), regularAdvance);
}

TEST_F(TextTest, CountMinusOneReadsToTheTerminator) {
  CRect rect(10, 10, 200, 30);
  dc->DrawText(u"Same\0hidden", -1, &rect, kLeftCell);
  Box terminated = Ink();
  Clear();
  Draw(u"Same", rect, kLeftCell);
  Box counted = Ink();
  EXPECT_EQ(terminated.left, counted.left);
  EXPECT_EQ(terminated.right, counted.right);
  EXPECT_EQ(dc->DrawText(u"x", -5, &rect, kLeftCell), 0);
  EXPECT_EQ(dc->DrawText(u"", 0, &rect, kLeftCell), 0);
}

TEST_F(TextTest, PrefixUnderlinesTheNextCharacterUnlessNoPrefix) {
  const int lh = GetTextMetrics(*dc).height;
  CRect rect(10, 10, 200, 10 + lh);
  Draw(u"&Hi", rect, DT_LEFT | DT_SINGLELINE);
  Box prefixed = Ink();
  int hWidth = GetTextWidth(*dc, u"H");
  // The underline lies below the baseline, under the H only.
  Box underline = Ink(kWhite, CRect(0, 10 + GetTextMetrics(*dc).ascent, 300, 120));
  ASSERT_FALSE(underline.Empty());
  EXPECT_EQ(underline.left, 10);
  EXPECT_EQ(underline.right, 10 + hWidth);
  Clear();
  Draw(u"&Hi", rect, kLeftCell);
  EXPECT_GT(Ink().Width(), prefixed.Width());  // the '&' is shown
  Clear();
  Draw(u"A&&B", rect, DT_LEFT | DT_SINGLELINE);
  Box doubled = Ink();
  Clear();
  Draw(u"A&B", rect, kLeftCell);
  EXPECT_EQ(Ink().right, doubled.right);
}

TEST_F(TextTest, CalcRectMeasuresWithoutDrawing) {
  const int lh = GetTextMetrics(*dc).height;
  CRect rect(10, 10, 300, 10);
  EXPECT_EQ(dc->DrawText(u"two\nlines", -1, &rect, DT_LEFT | DT_NOPREFIX | 0x400), 2 * lh);
  EXPECT_EQ(rect.bottom, 10 + 2 * lh);
  EXPECT_EQ(rect.right, 10 + GetTextWidth(*dc, u"lines"));
  EXPECT_TRUE(Ink().Empty());
}

TEST_F(TextTest, CentringInARectangleLowerThanTheLineTruncatesTowardZero) {
  ASSERT_EQ(GetTextMetrics(*dc).height, 12);
  const UINT format = DT_SINGLELINE | DT_LEFT | DT_VCENTER | 0x400;  // DT_CALCRECT
  // The reported height runs from the top to the centred line's bottom.
  CRect rect(0, 0, 0, 15);
  EXPECT_EQ(dc->DrawText(u"ABCabc123g", -1, &rect, format), 13);
  EXPECT_EQ(rect.bottom, 13);
  rect = CRect(0, 0, 0, -1);  // (-1 - 12) / 2 = -6
  EXPECT_EQ(dc->DrawText(u"ABCabc123g", -1, &rect, format), 6);
  rect = CRect(0, 0, 0, -2);  // (-2 - 12) / 2 = -7
  EXPECT_EQ(dc->DrawText(u"ABCabc123g", -1, &rect, format), 5);
  rect = CRect(0, 1, 0, 0);  // (-1 - 12) / 2 = -6 from top 1
  EXPECT_EQ(dc->DrawText(u"ABCabc123g", -1, &rect, format), 6);
  EXPECT_EQ(rect.top, 1);
  EXPECT_EQ(rect.bottom, 7);
}

TEST_F(TextTest, NoClipLetsTextPassTheRectangle) {
  Draw(u"Wide text", CRect(10, 10, 20, 30), DT_LEFT | DT_SINGLELINE | DT_NOPREFIX | 0x100);  // DT_NOCLIP
  EXPECT_GT(Ink().right, 25);
}

TEST_F(TextTest, BottomPutsASingleLineOnTheRectangleBottom) {
  const int lh = GetTextMetrics(*dc).height;
  EXPECT_EQ(Draw(u"Low", CRect(10, 10, 200, 60), DT_LEFT | DT_BOTTOM | DT_SINGLELINE | DT_NOPREFIX), 50);
  Box ink = Ink();
  EXPECT_GE(ink.top, 60 - lh);
  EXPECT_LE(ink.bottom, 60);
}

TEST_F(TextTest, UnderlinedFontUnderlinesTheWholeLine) {
  CFont underlined;
  LOGFONTW lf = Arial(-11);
  lf.lfUnderline = 1;
  underlined.CreateFontIndirect(&lf);
  dc->SelectObject(&underlined);
  const TextMetrics m = GetTextMetrics(*dc);
  Draw(u"ab cd", CRect(10, 10, 200, 10 + m.height), DT_LEFT | DT_SINGLELINE | DT_NOPREFIX);
  // The row below the baseline is inked under the space as well.
  Box below = Ink(kWhite, CRect(0, 10 + m.ascent, 300, 10 + m.height));
  EXPECT_EQ(below.left, 10);
  EXPECT_EQ(below.right, 10 + GetTextWidth(*dc, u"ab cd"));
}

TEST_F(TextTest, ItalicAndOtherFamiliesKeepTheirAdvances) {
  CFont italic, serif;
  LOGFONTW lf = Arial(-11);
  lf.lfItalic = 1;
  italic.CreateFontIndirect(&lf);
  dc->SelectObject(&italic);
  EXPECT_GT(Draw(u"Slanted", CRect(10, 10, 200, 40), kLeftCell), 0);
  EXPECT_FALSE(Ink().Empty());
  LOGFONTW times = Arial(-11);
  std::char_traits<WCHAR>::copy(times.lfFaceName, u"Times New Roman", 16);
  serif.CreateFontIndirect(&times);
  int sans = GetTextWidth(*dc, u"Metric compatible");
  dc->SelectObject(&serif);
  EXPECT_NE(GetTextWidth(*dc, u"Metric compatible"), sans);
}

TEST_F(TextTest, SurrogatePairsAndLoneSurrogatesAreDrawn) {
  const WCHAR text[] = {u'a', 0xD83D, 0xDE00, u'b', 0xDC00, u'c', 0};
  CRect rect(10, 10, 200, 30);
  EXPECT_EQ(dc->DrawText(text, -1, &rect, kLeftCell), (20 - 12) / 2 + 12);
  EXPECT_FALSE(Ink().Empty());
}

TEST_F(TextTest, RotatedFontsFailLoudly) {
  CFont rotated;
  LOGFONTW lf = Arial(-11);
  lf.lfEscapement = 900;
  rotated.CreateFontIndirect(&lf);
  dc->SelectObject(&rotated);
  CRect rect(0, 0, 100, 20);
  EXPECT_THROW(dc->DrawText(u"up", -1, &rect, kLeftCell), CNotImplementedException);
}

TEST_F(TextTest, UnsupportedFormatsFailLoudly) {
  CRect rect(0, 0, 100, 20);
  EXPECT_THROW(dc->DrawText(u"a\tb", -1, &rect, 0x40), CNotImplementedException);  // DT_EXPANDTABS
  EXPECT_THROW(dc->DrawText(u"long", -1, &rect, 0x8000), CNotImplementedException);  // DT_END_ELLIPSIS
}

TEST_F(TextTest, FontDeletedWhileSelectedStillDraws) {
  {
    CFont temporary;
    LOGFONTW lf = Arial(-20);
    temporary.CreateFontIndirect(&lf);
    dc->SelectObject(&temporary);
  }
  EXPECT_EQ(Draw(u"Still here", CRect(10, 10, 290, 60), DT_LEFT | DT_NOPREFIX), GetTextMetrics(*dc).height);
  EXPECT_GT(Ink().Height(), 12);
}

TEST_F(TextTest, UnknownFacesUseTheArialMetrics) {
  int arial = GetTextWidth(*dc, u"Metric compatible");
  CFont other;
  LOGFONTW lf = Arial(80);
  std::char_traits<WCHAR>::copy(lf.lfFaceName, u"No Such Face", 13);
  other.CreatePointFontIndirect(&lf);
  dc->SelectObject(&other);
  EXPECT_EQ(GetTextWidth(*dc, u"Metric compatible"), arial);
}

}  // namespace
}  // namespace TzGrid::Headless
