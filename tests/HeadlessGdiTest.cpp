// The headless drawing context: exact pixels of fills, frames, lines,
// inversion, memory contexts, block transfers and clipping.
#include <gtest/gtest.h>
#include <png.h>

#include <cstdio>
#include <fstream>
#include <iterator>

#include "platform/headless/HeadlessGdi.h"

namespace TzGrid::Headless {
namespace {

constexpr COLORREF kPaper = RGB(10, 20, 30);
constexpr COLORREF kRed = RGB(255, 0, 0);
constexpr COLORREF kBlue = RGB(0, 0, 255);
constexpr COLORREF kGreen = RGB(0, 160, 0);
constexpr COLORREF kInvalid = 0xFFFFFFFF;

class GdiTest : public ::testing::Test {
 protected:
  void SetUp() override {
    pixmap.Resize(40, 30, kPaper);
    dc = CreatePixmapDC(pixmap, CRect(0, 0, 40, 30));
  }
  // The pixels of one row as a string: '.' paper, 'r' red, 'b' blue, '?' other.
  std::string Row(int y, int x0, int x1) const {
    std::string s;
    for (int x = x0; x < x1; ++x) {
      COLORREF c = pixmap.At(x, y);
      s += c == kPaper ? '.' : c == kRed ? 'r' : c == kBlue ? 'b' : '?';
    }
    return s;
  }
  int CountNotPaper() const {
    int n = 0;
    for (COLORREF c : pixmap.pixels) n += c != kPaper;
    return n;
  }

  Pixmap pixmap;
  std::unique_ptr<CDC> dc;
};

TEST_F(GdiTest, FillSolidRectCoversLeftTopButNotRightBottom) {
  CRect r(2, 3, 6, 5);
  dc->FillSolidRect(&r, kRed);
  EXPECT_EQ(Row(2, 0, 8), "........");
  EXPECT_EQ(Row(3, 0, 8), "..rrrr..");
  EXPECT_EQ(Row(4, 0, 8), "..rrrr..");
  EXPECT_EQ(Row(5, 0, 8), "........");
  EXPECT_EQ(CountNotPaper(), 8);
}

TEST_F(GdiTest, FillSolidRectByExtentAndNegativeExtentIsOrdered) {
  dc->FillSolidRect(1, 1, 3, 1, kRed);
  EXPECT_EQ(Row(1, 0, 6), ".rrr..");
  // A negative extent fills the pixels between the two edges, as the
  // platform's opaque rectangle does: x = 10 + -1 .. 10 -> column 9.
  dc->FillSolidRect(10, 5, -1, 2, kBlue);
  EXPECT_EQ(Row(5, 8, 11), ".b.");
  EXPECT_EQ(Row(6, 8, 11), ".b.");
  EXPECT_EQ(CountNotPaper(), 5);
}

TEST_F(GdiTest, FillRectWithStockAndSolidBrushes) {
  CRect r(0, 0, 2, 1);
  dc->FillRect(&r, &CBrush::Stock(LTGRAY_BRUSH));
  EXPECT_EQ(pixmap.At(0, 0), RGB(192, 192, 192));
  EXPECT_EQ(pixmap.At(2, 0), kPaper);
  r = CRect(0, 1, 1, 2);
  dc->FillRect(&r, &CBrush::Stock(GRAY_BRUSH));
  EXPECT_EQ(pixmap.At(0, 1), RGB(128, 128, 128));
  dc->FillRect(&r, &CBrush::Stock(DKGRAY_BRUSH));
  EXPECT_EQ(pixmap.At(0, 1), RGB(64, 64, 64));
  dc->FillRect(&r, &CBrush::Stock(BLACK_BRUSH));
  EXPECT_EQ(pixmap.At(0, 1), RGB(0, 0, 0));
  dc->FillRect(&r, &CBrush::Stock(WHITE_BRUSH));
  EXPECT_EQ(pixmap.At(0, 1), RGB(255, 255, 255));
  dc->FillRect(&r, &CBrush::Stock(NULL_BRUSH));
  EXPECT_EQ(pixmap.At(0, 1), RGB(255, 255, 255));
  CBrush green;
  ASSERT_TRUE(green.CreateSolidBrush(kGreen));
  EXPECT_NE(dc->FillRect(&r, &green), 0);
  EXPECT_EQ(pixmap.At(0, 1), kGreen);
  EXPECT_EQ(dc->FillRect(&r, nullptr), 0);
  EXPECT_THROW(CBrush::Stock(WHITE_PEN), CInvalidArgException);
}

TEST_F(GdiTest, Draw3dRectCornersBelongToTheBottomRightColour) {
  CRect r(1, 1, 6, 5);  // 5 wide, 4 high
  dc->Draw3dRect(&r, kRed, kBlue);
  EXPECT_EQ(Row(0, 0, 7), ".......");
  EXPECT_EQ(Row(1, 0, 7), ".rrrrb.");
  EXPECT_EQ(Row(2, 0, 7), ".r...b.");
  EXPECT_EQ(Row(3, 0, 7), ".r...b.");
  EXPECT_EQ(Row(4, 0, 7), ".bbbbb.");
  EXPECT_EQ(Row(5, 0, 7), ".......");
}

TEST_F(GdiTest, LineToExcludesItsEndPointAndMovesTheCurrentPoint) {
  CPen pen(PS_SOLID, 0, kRed);
  dc->SelectObject(&pen);
  dc->MoveTo(2, 1);
  EXPECT_TRUE(dc->LineTo(7, 1));
  EXPECT_EQ(Row(1, 0, 9), "..rrrrr..");
  // Leftwards from the current point (7, 1) to (4, 1): 7, 6, 5.
  dc->MoveTo(7, 3);
  dc->LineTo(4, 3);
  EXPECT_EQ(Row(3, 0, 9), ".....rrr.");
  EXPECT_EQ(dc->MoveTo(0, 0), CPoint(4, 3));
  // Vertical: (1, 5) .. (1, 8) covers rows 5, 6, 7.
  dc->MoveTo(1, 5);
  dc->LineTo(1, 8);
  EXPECT_EQ(pixmap.At(1, 4), kPaper);
  EXPECT_EQ(pixmap.At(1, 5), kRed);
  EXPECT_EQ(pixmap.At(1, 7), kRed);
  EXPECT_EQ(pixmap.At(1, 8), kPaper);
}

TEST_F(GdiTest, DiagonalLineExcludesItsEndPoint) {
  CPen pen(PS_SOLID, 1, kBlue);
  dc->SelectObject(&pen);
  dc->MoveTo(10, 10);
  dc->LineTo(14, 14);
  for (int i = 0; i < 4; ++i) EXPECT_EQ(pixmap.At(10 + i, 10 + i), kBlue) << i;
  EXPECT_EQ(pixmap.At(14, 14), kPaper);
  EXPECT_EQ(CountNotPaper(), 4);
  // A shallow line steps one pixel per column.
  dc->MoveTo(20, 20);
  dc->LineTo(28, 22);
  int inked = 0;
  for (int x = 20; x < 30; ++x) {
    int inColumn = 0;
    for (int y = 18; y < 25; ++y) inColumn += pixmap.At(x, y) == kBlue;
    EXPECT_EQ(inColumn, x < 28 ? 1 : 0) << x;
    inked += inColumn;
  }
  EXPECT_EQ(inked, 8);
  EXPECT_EQ(pixmap.At(20, 20), kBlue);
}

TEST_F(GdiTest, LineWithFarAwayEndsIsClippedWithoutWalkingItsLength) {
  CPen pen(PS_SOLID, 0, kRed);
  dc->SelectObject(&pen);
  dc->MoveTo(-2000000000, 5);
  dc->LineTo(2000000000, 7);
  int inked = 0;
  for (COLORREF c : pixmap.pixels) inked += c == kRed;
  EXPECT_EQ(inked, 40);
}

TEST_F(GdiTest, DefaultPenIsBlackAndNullPenDrawsNothing) {
  dc->MoveTo(0, 0);
  dc->LineTo(3, 0);
  EXPECT_EQ(pixmap.At(0, 0), RGB(0, 0, 0));
  dc->SelectStockObject(NULL_PEN);
  dc->MoveTo(0, 1);
  dc->LineTo(3, 1);
  EXPECT_EQ(pixmap.At(0, 1), kPaper);
  dc->SelectStockObject(WHITE_PEN);
  dc->LineTo(0, 1);
  EXPECT_EQ(pixmap.At(2, 1), RGB(255, 255, 255));
}

TEST_F(GdiTest, RectangleOutlinesWithPenAndFillsWithBrush) {
  CPen pen(PS_SOLID, 0, kRed);
  CBrush brush;
  brush.CreateSolidBrush(kBlue);
  dc->SelectObject(&pen);
  dc->SelectObject(&brush);
  EXPECT_TRUE(dc->Rectangle(1, 1, 6, 5));
  EXPECT_EQ(Row(0, 0, 7), ".......");
  EXPECT_EQ(Row(1, 0, 7), ".rrrrr.");
  EXPECT_EQ(Row(2, 0, 7), ".rbbbr.");
  EXPECT_EQ(Row(3, 0, 7), ".rbbbr.");
  EXPECT_EQ(Row(4, 0, 7), ".rrrrr.");
  EXPECT_EQ(Row(5, 0, 7), ".......");
}

TEST_F(GdiTest, RectangleWithNullBrushLeavesTheInside) {
  dc->SelectStockObject(BLACK_PEN);
  dc->SelectStockObject(NULL_BRUSH);
  dc->Rectangle(2, 2, 7, 6);
  EXPECT_EQ(pixmap.At(2, 2), RGB(0, 0, 0));
  EXPECT_EQ(pixmap.At(6, 5), RGB(0, 0, 0));
  EXPECT_EQ(pixmap.At(7, 5), kPaper);
  EXPECT_EQ(pixmap.At(6, 6), kPaper);
  for (int y = 3; y < 5; ++y) {
    for (int x = 3; x < 6; ++x) EXPECT_EQ(pixmap.At(x, y), kPaper) << x << "," << y;
  }
  EXPECT_EQ(CountNotPaper(), 5 * 4 - 3 * 2);
}

TEST_F(GdiTest, RectangleFillsWithTheDefaultWhiteBrush) {
  dc->Rectangle(0, 0, 4, 4);
  EXPECT_EQ(pixmap.At(1, 1), RGB(255, 255, 255));
  EXPECT_EQ(pixmap.At(0, 0), RGB(0, 0, 0));
}

TEST_F(GdiTest, InvertRectTwiceRestores) {
  pixmap.At(3, 3) = RGB(1, 2, 3);
  CRect r(2, 2, 5, 4);
  dc->InvertRect(&r);
  EXPECT_EQ(pixmap.At(3, 3), RGB(254, 253, 252));
  EXPECT_EQ(pixmap.At(2, 2), kPaper ^ 0x00FFFFFF);
  EXPECT_EQ(pixmap.At(5, 3), kPaper);
  EXPECT_EQ(pixmap.At(4, 4), kPaper);
  dc->InvertRect(&r);
  EXPECT_EQ(pixmap.At(3, 3), RGB(1, 2, 3));
  EXPECT_EQ(CountNotPaper(), 1);
}

TEST_F(GdiTest, DrawingIsClippedToTheClipBox) {
  auto clipped = CreatePixmapDC(pixmap, CRect(5, 5, 10, 8));
  CRect box;
  EXPECT_EQ(clipped->GetClipBox(&box), 2);
  EXPECT_EQ(box, CRect(5, 5, 10, 8));
  CRect all(0, 0, 40, 30);
  clipped->FillSolidRect(&all, kRed);
  EXPECT_EQ(CountNotPaper(), 5 * 3);
  EXPECT_EQ(pixmap.At(5, 5), kRed);
  EXPECT_EQ(pixmap.At(9, 7), kRed);
  EXPECT_EQ(pixmap.At(10, 7), kPaper);
  EXPECT_EQ(clipped->GetPixel(4, 5), kInvalid);
  EXPECT_EQ(clipped->GetPixel(9, 7), kRed);
  clipped->MoveTo(0, 6);
  clipped->LineTo(40, 6);
  EXPECT_EQ(CountNotPaper(), 5 * 3);
}

TEST_F(GdiTest, ClipBoxBeyondThePixmapIsCutToIt) {
  auto big = CreatePixmapDC(pixmap, CRect(-10, -10, 100, 100));
  CRect box;
  big->GetClipBox(&box);
  EXPECT_EQ(box, CRect(0, 0, 40, 30));
  CRect all(-50, -50, 500, 500);
  big->FillSolidRect(&all, kRed);
  EXPECT_EQ(pixmap.At(39, 29), kRed);
  EXPECT_EQ(big->GetPixel(40, 0), kInvalid);
  EXPECT_EQ(big->GetPixel(-1, 0), kInvalid);
}

TEST_F(GdiTest, WindowOriginShiftsLogicalCoordinates) {
  EXPECT_EQ(dc->SetWindowOrg(10, 5), CPoint(0, 0));
  EXPECT_EQ(dc->GetWindowOrg(), CPoint(10, 5));
  dc->FillSolidRect(12, 6, 1, 1, kRed);
  EXPECT_EQ(pixmap.At(2, 1), kRed);
  EXPECT_EQ(dc->GetPixel(12, 6), kRed);
  CRect box;
  dc->GetClipBox(&box);
  EXPECT_EQ(box, CRect(10, 5, 50, 35));
}

TEST_F(GdiTest, MemoryContextStartsWithAOnePixelBitmap) {
  CDC mem;
  ASSERT_TRUE(mem.CreateCompatibleDC(dc.get()));
  CRect box;
  mem.GetClipBox(&box);
  EXPECT_EQ(box, CRect(0, 0, 1, 1));
  EXPECT_EQ(mem.GetPixel(1, 0), kInvalid);
}

TEST_F(GdiTest, MemoryContextClipBoxIsTheBitmapShiftedByTheOrigin) {
  CDC mem;
  mem.CreateCompatibleDC(dc.get());
  CBitmap bitmap;
  ASSERT_TRUE(bitmap.CreateCompatibleBitmap(dc.get(), 20, 10));
  CBitmap* old = mem.SelectObject(&bitmap);
  ASSERT_NE(old, nullptr);
  EXPECT_NE(old, &bitmap);
  mem.SetWindowOrg(100, 200);
  CRect box;
  EXPECT_EQ(mem.GetClipBox(&box), 2);
  EXPECT_EQ(box, CRect(100, 200, 120, 210));
  // Drawing outside the bitmap falls off it.
  CRect all(0, 0, 1000, 1000);
  mem.FillSolidRect(&all, kGreen);
  EXPECT_EQ(mem.GetPixel(100, 200), kGreen);
  EXPECT_EQ(mem.GetPixel(119, 209), kGreen);
  EXPECT_EQ(mem.GetPixel(120, 209), kInvalid);
  EXPECT_EQ(mem.GetPixel(99, 200), kInvalid);
  // The replaced bitmap goes back, and the selected one is handed out.
  EXPECT_EQ(mem.SelectObject(old), &bitmap);
  mem.GetClipBox(&box);
  EXPECT_EQ(box, CRect(100, 200, 101, 201));
}

TEST_F(GdiTest, BitmapIsSelectedIntoOneMemoryContextAtATime) {
  CDC first, second;
  first.CreateCompatibleDC(nullptr);
  second.CreateCompatibleDC(nullptr);
  CBitmap bitmap;
  bitmap.CreateCompatibleBitmap(dc.get(), 4, 4);
  EXPECT_NE(first.SelectObject(&bitmap), nullptr);
  EXPECT_EQ(second.SelectObject(&bitmap), nullptr);
  EXPECT_EQ(dc->SelectObject(&bitmap), nullptr);  // not into a window context
}

TEST_F(GdiTest, BitBltCopiesBetweenOriginsAndHonoursTheDestinationClip) {
  CDC mem;
  mem.CreateCompatibleDC(dc.get());
  CBitmap bitmap;
  bitmap.CreateCompatibleBitmap(dc.get(), 6, 4);
  CBitmap* old = mem.SelectObject(&bitmap);
  mem.SetWindowOrg(20, 10);  // the bitmap shows the logical area (20, 10) .. (26, 14)
  CRect whole(20, 10, 26, 14);
  mem.FillSolidRect(&whole, kBlue);
  mem.FillSolidRect(20, 10, 1, 1, kRed);
  auto target = CreatePixmapDC(pixmap, CRect(0, 0, 24, 30));
  EXPECT_TRUE(target->BitBlt(20, 10, 6, 4, &mem, 20, 10, SRCCOPY));
  EXPECT_EQ(pixmap.At(20, 10), kRed);
  EXPECT_EQ(pixmap.At(21, 10), kBlue);
  EXPECT_EQ(pixmap.At(23, 13), kBlue);
  EXPECT_EQ(pixmap.At(24, 10), kPaper);  // beyond the destination clip
  EXPECT_EQ(pixmap.At(20, 14), kPaper);
  EXPECT_EQ(pixmap.At(19, 10), kPaper);
  EXPECT_EQ(CountNotPaper(), 4 * 4);
  mem.SelectObject(old);
}

TEST_F(GdiTest, BitBltToAShiftedDestination) {
  CDC mem;
  mem.CreateCompatibleDC(dc.get());
  CBitmap bitmap;
  bitmap.CreateCompatibleBitmap(dc.get(), 2, 2);
  mem.SelectObject(&bitmap);
  mem.FillSolidRect(0, 0, 2, 2, kRed);
  dc->SetWindowOrg(-3, -1);
  dc->BitBlt(0, 0, 2, 2, &mem, 0, 0, SRCCOPY);
  EXPECT_EQ(Row(1, 0, 6), "...rr.");
  EXPECT_EQ(Row(2, 0, 6), "...rr.");
  EXPECT_EQ(CountNotPaper(), 4);
  // Source pixels outside the source bitmap copy nothing.
  dc->BitBlt(10, 10, 5, 5, &mem, 1, 1, SRCCOPY);
  EXPECT_EQ(Row(11, 12, 16), ".r..");
  EXPECT_EQ(CountNotPaper(), 5);
  EXPECT_THROW(dc->BitBlt(0, 0, 1, 1, &mem, 0, 0, 0x00EE0086), CNotImplementedException);
}

TEST_F(GdiTest, BitBltWithinOneContextHandlesOverlap) {
  for (int x = 0; x < 5; ++x) pixmap.At(x, 0) = RGB(x, 0, 0);
  for (int y = 0; y < 5; ++y) pixmap.At(0, y + 1) = RGB(0, y, 0);
  dc->BitBlt(1, 0, 5, 1, dc.get(), 0, 0, SRCCOPY);
  for (int x = 0; x < 5; ++x) EXPECT_EQ(pixmap.At(x + 1, 0), RGB(x, 0, 0)) << x;
  dc->BitBlt(0, 2, 1, 5, dc.get(), 0, 1, SRCCOPY);
  for (int y = 0; y < 5; ++y) EXPECT_EQ(pixmap.At(0, y + 2), RGB(0, y, 0)) << y;
}

TEST_F(GdiTest, SelectObjectHandsBackThePreviousObjects) {
  CPen red(PS_SOLID, 0, kRed), blue(PS_SOLID, 0, kBlue);
  CPen* stockPen = dc->SelectObject(&red);
  ASSERT_NE(stockPen, nullptr);
  EXPECT_EQ(dc->SelectObject(&blue), &red);
  EXPECT_EQ(dc->SelectObject(stockPen), &blue);
  dc->MoveTo(0, 0);
  dc->LineTo(1, 0);
  EXPECT_EQ(pixmap.At(0, 0), RGB(0, 0, 0));

  CFont font;
  LOGFONTW lf{};
  lf.lfHeight = 80;
  ASSERT_TRUE(font.CreatePointFontIndirect(&lf));
  CFont* stockFont = dc->SelectObject(&font);
  ASSERT_NE(stockFont, nullptr);
  EXPECT_EQ(dc->SelectObject(stockFont), &font);
  EXPECT_EQ(dc->SelectObject(static_cast<CFont*>(nullptr)), nullptr);
  CFont empty;
  EXPECT_EQ(dc->SelectObject(&empty), nullptr);
}

TEST_F(GdiTest, PenDeletedWhileSelectedStaysUsable) {
  {
    CPen pen(PS_SOLID, 0, kRed);
    dc->SelectObject(&pen);
  }
  dc->MoveTo(0, 0);
  dc->LineTo(2, 0);
  EXPECT_EQ(pixmap.At(1, 0), kRed);
  // What is handed back for it is a wrapper the context keeps, which
  // selects the same red pen again.
  CPen blue(PS_SOLID, 0, kBlue);
  CPen* previous = dc->SelectObject(&blue);
  ASSERT_NE(previous, nullptr);
  EXPECT_EQ(dc->SelectObject(previous), &blue);
  dc->MoveTo(0, 1);
  dc->LineTo(2, 1);
  EXPECT_EQ(pixmap.At(1, 1), kRed);
}

TEST_F(GdiTest, BkModeAndTextColourReturnPreviousValues) {
  EXPECT_EQ(dc->SetBkMode(TRANSPARENT), OPAQUE);
  EXPECT_EQ(dc->SetBkMode(OPAQUE), TRANSPARENT);
  EXPECT_EQ(dc->SetBkMode(7), 0);
  EXPECT_EQ(dc->SetTextColor(kRed), RGB(0, 0, 0));
  EXPECT_EQ(dc->SetTextColor(kBlue), kRed);
}

TEST_F(GdiTest, ContextWithoutDeviceDrawsNothing) {
  CDC empty;
  CRect r(0, 0, 5, 5);
  empty.FillSolidRect(&r, kRed);
  EXPECT_EQ(empty.GetPixel(0, 0), kInvalid);
  CRect box(1, 2, 3, 4);
  EXPECT_EQ(empty.GetClipBox(&box), 0);
  EXPECT_FALSE(empty.DeleteDC());
  EXPECT_EQ(CountNotPaper(), 0);
}

TEST_F(GdiTest, BorrowedHandleIsNotFreedByTheBorrower) {
  auto printer = CreatePrintingPixmapDC(pixmap, CRect(0, 0, 40, 30));
  EXPECT_TRUE(printer->IsPrinting());
  {
    CDC borrower;
    borrower.m_hDC = printer->m_hDC;
    borrower.m_hAttribDC = printer->m_hAttribDC;
    borrower.FillSolidRect(0, 0, 1, 1, kRed);
  }  // the borrower's destructor must leave the printer's context alone
  printer->FillSolidRect(1, 0, 1, 1, kRed);
  EXPECT_EQ(Row(0, 0, 3), "rr.");
}

TEST(GdiBitmap, SizesAreCheckedAndAnEmptySizeGivesOnePixel) {
  CBitmap bitmap;
  EXPECT_FALSE(bitmap.CreateCompatibleBitmap(nullptr, -1, 5));
  EXPECT_FALSE(bitmap.CreateCompatibleBitmap(nullptr, 1 << 20, 1 << 20));
  ASSERT_TRUE(bitmap.CreateCompatibleBitmap(nullptr, 0, 5));
  CDC mem;
  mem.CreateCompatibleDC(nullptr);
  mem.SelectObject(&bitmap);
  CRect box;
  mem.GetClipBox(&box);
  EXPECT_EQ(box, CRect(0, 0, 1, 1));
}

TEST(GdiPng, WrittenFileReadsBackWithTheSamePixels) {
  Pixmap pixmap;
  pixmap.Resize(7, 5);
  for (int y = 0; y < 5; ++y) {
    for (int x = 0; x < 7; ++x) pixmap.At(x, y) = RGB(x * 36, y * 60, (x * 7 + y * 13) & 0xFF);
  }
  pixmap.At(0, 0) = RGB(255, 0, 0);
  std::string path = ::testing::TempDir() + "tzgrid_gdi_roundtrip.png";
  std::string error;
  ASSERT_TRUE(WritePng(pixmap, path, &error)) << error;

  // Read with libpng directly: 8-bit RGB, as written.
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  ASSERT_TRUE(png_image_begin_read_from_file(&image, path.c_str())) << image.message;
  EXPECT_EQ(image.width, 7u);
  EXPECT_EQ(image.height, 5u);
  EXPECT_EQ(image.format & PNG_FORMAT_FLAG_ALPHA, 0u);
  image.format = PNG_FORMAT_RGB;
  std::vector<png_byte> rgb(PNG_IMAGE_SIZE(image));
  ASSERT_TRUE(png_image_finish_read(&image, nullptr, rgb.data(), 0, nullptr)) << image.message;
  EXPECT_EQ(rgb[0], 255);
  EXPECT_EQ(rgb[1], 0);
  EXPECT_EQ(rgb[2], 0);
  for (int y = 0; y < 5; ++y) {
    for (int x = 0; x < 7; ++x) {
      const png_byte* p = &rgb[std::size_t(y * 7 + x) * 3];
      EXPECT_EQ(RGB(p[0], p[1], p[2]), pixmap.At(x, y)) << x << "," << y;
    }
  }
  Pixmap back;
  ASSERT_TRUE(ReadPng(path, &back, &error)) << error;
  EXPECT_EQ(back.width, 7);
  EXPECT_EQ(back.pixels, pixmap.pixels);
  std::remove(path.c_str());
}

TEST(GdiPng, FailuresAreReported) {
  Pixmap pixmap;
  pixmap.Resize(2, 2);
  std::string error;
  EXPECT_FALSE(WritePng(pixmap, "/nonexistent-dir/x.png", &error));
  EXPECT_FALSE(error.empty());
  Pixmap empty;
  EXPECT_FALSE(WritePng(empty, ::testing::TempDir() + "empty.png", &error));
  Pixmap untouched;
  untouched.Resize(1, 1, RGB(1, 2, 3));
  std::string notPng = ::testing::TempDir() + "tzgrid_not_a.png";
  std::ofstream(notPng) << "not a png";
  EXPECT_FALSE(ReadPng(notPng, &untouched, &error));
  EXPECT_EQ(untouched.At(0, 0), RGB(1, 2, 3));
  std::remove(notPng.c_str());
}

TEST(GdiSysColor, WineDefaults) {
  EXPECT_EQ(GetSysColor(COLOR_WINDOW), RGB(255, 255, 255));
  EXPECT_EQ(GetSysColor(COLOR_BTNSHADOW), RGB(160, 160, 160));
}

}  // namespace
}  // namespace TzGrid::Headless
