// The Win32 drawing context: fills, frames, pens, text, off-screen
// contexts, and the grid drawn into a context its container owns.
#include "PlatformHarness.h"

namespace TzGrid::Win32::Test {
namespace {

// A memory context with a 24-bit bitmap of w x h filled with colour.
struct MemorySurface {
  std::unique_ptr<CDC> screen = WrapHdc(::GetDC(nullptr));
  CDC dc;
  CBitmap bitmap;
  CBitmap* previous = nullptr;

  MemorySurface(int w, int h, COLORREF fill) {
    EXPECT_TRUE(dc.CreateCompatibleDC(screen.get()));
    EXPECT_TRUE(bitmap.CreateCompatibleBitmap(screen.get(), w, h));
    previous = dc.SelectObject(&bitmap);
    EXPECT_TRUE(previous != nullptr);
    dc.FillSolidRect(0, 0, w, h, fill);
  }
  ~MemorySurface() {
    dc.SelectObject(previous);
    ::HDC hdc = static_cast<::HDC>(screen->m_hDC);
    screen.reset();
    ::ReleaseDC(nullptr, hdc);
  }
  COLORREF At(int x, int y) const { return dc.GetPixel(x, y); }
};


// The shapes the grid is drawn with, on one surface, as rows of pixels:
// '.' the background, 'w' white, 's' shadow, 'k' black, 'g' the grid line
// colour, 'l' light grey. Right and bottom edges and a line's end point are
// left out; a 3-D frame's corners belong to its bottom-right colour; a
// hollow rectangle leaves its inside; the drag band inverts and inverts back.
std::string Row(const MemorySurface& s, int y, int width, COLORREF back) {
  std::string row;
  for (int x = 0; x < width; ++x) {
    COLORREF c = s.At(x, y);
    row += c == back ? '.' : c == kWhite ? 'w' : c == kShadow ? 's' : c == kBlack ? 'k' : c == kGridLine ? 'g'
         : c == kLightGrey ? 'l' : '?';
  }
  return row;
}

void GdiShapesCoverTheirEdges() {
  constexpr COLORREF back = RGB(10, 20, 30);
  MemorySurface s(35, 10, back);
  CRect frame(1, 1, 7, 5);
  s.dc.Draw3dRect(&frame, kWhite, kShadow);
  CRect fill(9, 1, 12, 3);
  s.dc.FillSolidRect(&fill, kBlack);
  CPen pen(PS_SOLID, 0, kGridLine);
  CPen* old = s.dc.SelectObject(&pen);
  EXPECT_TRUE(old != nullptr);
  s.dc.MoveTo(14, 2);
  EXPECT_TRUE(s.dc.LineTo(20, 2));
  s.dc.MoveTo(22, 1);
  s.dc.LineTo(22, 4);
  EXPECT_TRUE(s.dc.SelectStockObject(BLACK_PEN) != nullptr);
  EXPECT_TRUE(s.dc.SelectStockObject(NULL_BRUSH) != nullptr);
  EXPECT_TRUE(s.dc.Rectangle(24, 1, 29, 5));
  CBrush& grey = CBrush::Stock(LTGRAY_BRUSH);
  EXPECT_TRUE(grey.m_hObject == ::GetStockObject(LTGRAY_BRUSH));
  CRect greyRect(31, 1, 33, 3);
  s.dc.FillRect(&greyRect, &grey);
  EXPECT_EQ(Row(s, 0, 35, back), std::string("..................................."));
  EXPECT_EQ(Row(s, 1, 35, back), std::string(".wwwwws..kkk..........g.kkkkk..ll.."));
  EXPECT_EQ(Row(s, 2, 35, back), std::string(".w....s..kkk..gggggg..g.k...k..ll.."));
  EXPECT_EQ(Row(s, 3, 35, back), std::string(".w....s...............g.k...k......"));
  EXPECT_EQ(Row(s, 4, 35, back), std::string(".ssssss.................kkkkk......"));
  EXPECT_EQ(Row(s, 5, 35, back), std::string("..................................."));
  s.dc.SelectObject(old);

  CRect band(3, 6, 5, 10);
  s.dc.InvertRect(&band);
  EXPECT_COLOUR(s.At(3, 7), back ^ 0x00FFFFFFu);
  EXPECT_COLOUR(s.At(4, 9), back ^ 0x00FFFFFFu);
  EXPECT_COLOUR(s.At(5, 7), back);
  s.dc.InvertRect(&band);
  EXPECT_COLOUR(s.At(3, 7), back);

  // Releasing a stock wrapper never deletes the system's object; a pen is
  // no stock brush.
  grey.DeleteObject();
  EXPECT_EQ(::GetObjectType(::GetStockObject(LTGRAY_BRUSH)), ::DWORD(OBJ_BRUSH));
  EXPECT_TRUE(CBrush::Stock(LTGRAY_BRUSH).m_hObject == ::GetStockObject(LTGRAY_BRUSH));
  bool refused = false;
  try {
    CBrush::Stock(BLACK_PEN);
  } catch (const CInvalidArgException&) {
    refused = true;
  }
  EXPECT_TRUE(refused);
}

LOGFONTW ArialLogFont(int height, int weight) {
  LOGFONTW lf{};
  lf.lfHeight = height;
  lf.lfWeight = weight;
  std::char_traits<char16_t>::copy(lf.lfFaceName, u"Arial", 6);
  return lf;
}

void GdiPointFontAndSelection() {
  ::HDC screen = ::GetDC(nullptr);
  int dpi = ::GetDeviceCaps(screen, LOGPIXELSY);
  ::ReleaseDC(nullptr, screen);

  LOGFONTW lf = ArialLogFont(80, FW_BOLD);
  CFont font;
  EXPECT_TRUE(font.CreatePointFontIndirect(&lf, nullptr));
  ::LOGFONTW created{};
  EXPECT_TRUE(::GetObjectW(static_cast<::HGDIOBJ>(font.m_hObject), sizeof(created), &created) != 0);
  EXPECT_EQ(int(created.lfHeight), -::MulDiv(80, dpi, 720));
  EXPECT_EQ(int(created.lfWeight), FW_BOLD);
  EXPECT_TRUE(std::wstring(created.lfFaceName) == L"Arial");

  LOGFONTW pixels = ArialLogFont(-13, FW_NORMAL);
  CFont exact;
  EXPECT_TRUE(exact.CreateFontIndirect(&pixels));
  EXPECT_TRUE(::GetObjectW(static_cast<::HGDIOBJ>(exact.m_hObject), sizeof(created), &created) != 0);
  EXPECT_EQ(int(created.lfHeight), -13);

  // SelectObject answers the object it replaced; deleting an object still
  // selected first puts the context's original back, so it really goes.
  MemorySurface s(10, 10, kWhite);
  ::HGDIOBJ original = ::GetCurrentObject(static_cast<::HDC>(s.dc.m_hDC), OBJ_FONT);
  CFont* first = s.dc.SelectObject(&font);
  EXPECT_TRUE(first != nullptr && first->m_hObject == original);
  CFont* second = s.dc.SelectObject(&exact);
  EXPECT_TRUE(second != nullptr && second->m_hObject == font.m_hObject);
  ::HGDIOBJ exactHandle = static_cast<::HGDIOBJ>(exact.m_hObject);
  EXPECT_TRUE(exact.DeleteObject());
  EXPECT_TRUE(exact.m_hObject == nullptr);
  EXPECT_TRUE(::GetCurrentObject(static_cast<::HDC>(s.dc.m_hDC), OBJ_FONT) == original);
  EXPECT_EQ(::GetObjectType(exactHandle), ::DWORD(0));
}

void GdiTextInColour() {
  MemorySurface s(120, 30, kWhite);
  LOGFONTW lf = ArialLogFont(-16, FW_BOLD);
  CFont font;
  EXPECT_TRUE(font.CreateFontIndirect(&lf));
  s.dc.SelectObject(&font);
  s.dc.SetBkMode(TRANSPARENT);
  constexpr COLORREF ink = RGB(1, 1, 1);
  s.dc.SetTextColor(ink);
  CRect r(10, 5, 60, 25);
  int height = s.dc.DrawText(u"HMW", 3, &r, DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
  EXPECT_TRUE(height > 0);
  int inked = 0, outside = 0;
  for (int y = 0; y < 30; ++y) {
    for (int x = 0; x < 120; ++x) {
      COLORREF c = s.At(x, y);
      bool inRect = x >= 10 && x < 60 && y >= 5 && y < 25;
      if (c == ink && inRect) ++inked;
      if (c != kWhite && !inRect) ++outside;
    }
  }
  EXPECT_TRUE(inked > 10);   // solid strokes in the exact colour
  EXPECT_EQ(outside, 0);     // clipped to its rectangle
  s.dc.SelectStockObject(SYSTEM_FONT);
}

// A cell rectangle far beyond GDI's 27-bit coordinates (a row a billion
// pixels tall) draws its text exactly where a small rectangle with the same
// anchor does, at once; text anchored out of GDI's range is not drawn.
void GdiTextInHugeRect() {
  constexpr UINT format = DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX;
  LOGFONTW lf = ArialLogFont(-16, FW_BOLD);
  CFont font;
  EXPECT_TRUE(font.CreateFontIndirect(&lf));
  auto draw = [&](MemorySurface& s, CRect r) {
    s.dc.SelectObject(&font);
    s.dc.SetBkMode(TRANSPARENT);
    s.dc.SetTextColor(RGB(1, 1, 1));
    s.dc.DrawText(u"HMW", 3, &r, format);
    s.dc.SelectStockObject(SYSTEM_FONT);
  };
  MemorySurface plain(120, 30, kWhite), giant(120, 30, kWhite), outOfRange(120, 30, kWhite);
  draw(plain, CRect(10, 5, 60, 25));  // centred on y = 15
  draw(giant, CRect(10, 15 - 0x7FFFFFF0, 60, 15 + 0x7FFFFFF0));
  draw(outOfRange, CRect(10, 0x7FFFFF00, 60, 0x7FFFFFF0));
  int inked = 0;
  for (int y = 0; y < 30; ++y) {
    for (int x = 0; x < 120; ++x) {
      EXPECT_COLOUR(giant.At(x, y), plain.At(x, y));
      EXPECT_COLOUR(outOfRange.At(x, y), kWhite);
      inked += plain.At(x, y) != kWhite;
    }
  }
  EXPECT_TRUE(inked > 10);
}

// The off-screen path as the paint uses it: a memory context whose window
// origin is the clip box's corner, copied to the target in one block.
void GdiOffscreenWindowOrigin() {
  MemorySurface target(60, 40, kWhite);
  CDC memory;
  EXPECT_TRUE(memory.CreateCompatibleDC(&target.dc));
  CBitmap bitmap;
  EXPECT_TRUE(bitmap.CreateCompatibleBitmap(&target.dc, 20, 10));
  CBitmap* old = memory.SelectObject(&bitmap);
  EXPECT_TRUE(old != nullptr);
  EXPECT_TRUE(memory.SetWindowOrg(30, 15) == CPoint(0, 0));
  EXPECT_TRUE(memory.GetWindowOrg() == CPoint(30, 15));
  CRect clip;
  memory.GetClipBox(&clip);
  EXPECT_TRUE(clip == CRect(30, 15, 50, 25));
  memory.FillSolidRect(0, 0, 200, 200, RGB(9, 9, 9));  // beyond the bitmap: clipped
  CRect inner(32, 16, 34, 18);
  memory.FillSolidRect(&inner, RGB(200, 0, 0));
  EXPECT_TRUE(target.dc.BitBlt(30, 15, 20, 10, &memory, 30, 15, SRCCOPY));
  EXPECT_COLOUR(target.At(30, 15), RGB(9, 9, 9));
  EXPECT_COLOUR(target.At(32, 16), RGB(200, 0, 0));
  EXPECT_COLOUR(target.At(33, 17), RGB(200, 0, 0));
  EXPECT_COLOUR(target.At(49, 24), RGB(9, 9, 9));
  EXPECT_COLOUR(target.At(50, 24), kWhite);
  EXPECT_COLOUR(target.At(29, 15), kWhite);
  memory.SelectObject(old);
}


// A target DC that the caller owns, as a container hands one to
// IViewObject::Draw: the control draws into it (through its off-screen
// bitmap, or straight when printing) and hands it back with the objects it
// had selected.
struct CallerDc {
  ::HDC screen = ::GetDC(nullptr);
  ::HDC hdc = ::CreateCompatibleDC(screen);
  ::HBITMAP bitmap = ::CreateCompatibleBitmap(screen, 300, 200);
  ::HGDIOBJ oldBitmap = ::SelectObject(hdc, bitmap);
  ::HGDIOBJ pen = ::GetCurrentObject(hdc, OBJ_PEN);
  ::HGDIOBJ brush = ::GetCurrentObject(hdc, OBJ_BRUSH);
  ::HGDIOBJ font = ::GetCurrentObject(hdc, OBJ_FONT);
  CallerDc() {
    ::RECT all{0, 0, 300, 200};
    ::FillRect(hdc, &all, static_cast<::HBRUSH>(::GetStockObject(BLACK_BRUSH)));
  }
  ~CallerDc() {
    ::SelectObject(hdc, oldBitmap);
    ::DeleteObject(bitmap);
    ::DeleteDC(hdc);
    ::ReleaseDC(nullptr, screen);
  }
  bool ObjectsAsBefore() const {
    return ::GetCurrentObject(hdc, OBJ_PEN) == pen && ::GetCurrentObject(hdc, OBJ_BRUSH) == brush &&
           ::GetCurrentObject(hdc, OBJ_FONT) == font && ::GetCurrentObject(hdc, OBJ_BITMAP) == bitmap;
  }
  COLORREF At(int x, int y) const { return COLORREF(::GetPixel(hdc, x, y)); }
};

void DrawIntoCallerDc(bool printing) {
  Guarded([printing] {
    CallerDc target;
    CTzGridCtrl ctrl;  // no window: drawn as a container's view of it
    for (int c = 0; c < ctrl.GetColumns(); ++c) ctrl.SetCellHeaderFlag(0, c, 1);
    ctrl.SetFocusedCell(2, 0);
    {
      std::unique_ptr<CDC> dc = WrapHdc(target.hdc, printing);
      CRect bounds(0, 0, 300, 200);
      ctrl.OnDraw(dc.get(), bounds, bounds);
      // The painter leaves its font and stock objects selected; the
      // caller's DC has its own back as soon as the paint is over.
      EXPECT_TRUE(target.ObjectsAsBefore());
    }
    EXPECT_TRUE(target.ObjectsAsBefore());
    EXPECT_TRUE(::GetObjectType(target.hdc) == OBJ_MEMDC);
    EXPECT_COLOUR(target.At(0, 0), kWhite);
    EXPECT_COLOUR(target.At(48, 5), kShadow);
    EXPECT_COLOUR(target.At(25, 10), kLightGrey);
    EXPECT_COLOUR(target.At(49, 30), kGridLine);
    // Without a window only the first column's cells are drawn (no visible
    // extent is known); that is enough to see the cell drawer's output.
    EXPECT_COLOUR(target.At(0, 40), kBlack);  // focus frame of (2, 0)
    EXPECT_COLOUR(target.At(48, 58), kBlack);
    EXPECT_COLOUR(target.At(20, 50), COLORREF(::GetSysColor(COLOR_WINDOW)));
    EXPECT_COLOUR(target.At(280, 150), COLORREF(::GetSysColor(COLOR_BTNSHADOW)));
  });
}

void GdiViewDrawOffscreen() { DrawIntoCallerDc(false); }
void GdiViewDrawPrinting() { DrawIntoCallerDc(true); }

}  // namespace

std::vector<Check> GdiChecks() {
  return {
      {"gdi.shapes_cover_their_edges", GdiShapesCoverTheirEdges},
      {"gdi.point_font_and_selection", GdiPointFontAndSelection},
      {"gdi.text_in_colour", GdiTextInColour},
      {"gdi.text_in_huge_rect", GdiTextInHugeRect},
      {"gdi.offscreen_window_origin", GdiOffscreenWindowOrigin},
      {"gdi.view_draw_offscreen", GdiViewDrawOffscreen},
      {"gdi.view_draw_printing", GdiViewDrawPrinting},
  };
}

}  // namespace TzGrid::Win32::Test
