// The Win32 drawing context the grid paints with, and the grid drawn into a
// context its container owns.
#include "PlatformHarness.h"

namespace TzGrid::Win32::Test {
namespace {

// A memory context with a bitmap of w x h filled with colour.
struct MemorySurface {
  ::HDC screenHdc = ::GetDC(nullptr);
  std::unique_ptr<CDC> screen = WrapHdc(screenHdc);
  CDC dc;
  CBitmap bitmap;
  CBitmap* previous = nullptr;

  MemorySurface(int w, int h, COLORREF fill) {
    EXPECT_TRUE(dc.CreateCompatibleDC(screen.get()) && bitmap.CreateCompatibleBitmap(screen.get(), w, h));
    previous = dc.SelectObject(&bitmap);
    EXPECT_TRUE(previous != nullptr);
    dc.FillSolidRect(0, 0, w, h, fill);
  }
  ~MemorySurface() {
    dc.SelectObject(previous);
    screen.reset();
    ::ReleaseDC(nullptr, screenHdc);
  }
  COLORREF At(int x, int y) const { return dc.GetPixel(x, y); }
  // A row of pixels as letters: '.' the background, 'w' white, 's' shadow,
  // 'k' black, 'g' the grid line colour, 'l' light grey, '?' another.
  std::string Row(int y, int width, COLORREF back) const {
    const COLORREF colours[] = {back, kWhite, kShadow, kBlack, kGridLine, kLightGrey};
    std::string row;
    for (int x = 0; x < width; ++x) row += ".wskgl?"[std::find(colours, colours + 6, At(x, y)) - colours];
    return row;
  }
};

// Right and bottom edges and a line's end point are left out; a 3-D
// frame's corners belong to its bottom-right colour; a hollow rectangle
// leaves its inside; the drag band inverts and inverts back; releasing a
// stock wrapper never deletes the system's object.
PLATFORM_CHECK(GdiShapesCoverTheirEdges, "gdi.shapes_cover_their_edges") {
  constexpr COLORREF back = RGB(10, 20, 30);
  MemorySurface s(35, 10, back);
  CRect frame(1, 1, 7, 5), fill(9, 1, 12, 3), greyRect(31, 1, 33, 3), band(3, 6, 5, 10);
  s.dc.Draw3dRect(&frame, kWhite, kShadow);
  s.dc.FillSolidRect(&fill, kBlack);
  CPen pen(PS_SOLID, 0, kGridLine);
  CPen* old = s.dc.SelectObject(&pen);
  s.dc.MoveTo(14, 2);
  EXPECT_TRUE(s.dc.LineTo(20, 2));
  s.dc.MoveTo(22, 1);
  s.dc.LineTo(22, 4);
  EXPECT_TRUE(s.dc.SelectStockObject(BLACK_PEN) != nullptr && s.dc.SelectStockObject(NULL_BRUSH) != nullptr);
  EXPECT_TRUE(s.dc.Rectangle(24, 1, 29, 5));
  CBrush& grey = CBrush::Stock(LTGRAY_BRUSH);
  s.dc.FillRect(&greyRect, &grey);
  const char* expected[] = {"...................................", ".wwwwws..kkk..........g.kkkkk..ll..",
                            ".w....s..kkk..gggggg..g.k...k..ll..", ".w....s...............g.k...k......",
                            ".ssssss.................kkkkk......", "..................................."};
  for (int y = 0; y < 6; ++y) EXPECT_EQ(s.Row(y, 35, back), std::string(expected[y]));
  s.dc.SelectObject(old);
  s.dc.InvertRect(&band);
  ExpectRuns(__LINE__, static_cast<::HDC>(s.dc.m_hDC), {{3, 6, 4, 9, back ^ 0x00FFFFFFu}, {5, 6, 5, 9, back}});
  s.dc.InvertRect(&band);
  EXPECT_COLOUR(s.At(3, 7), back);
  grey.DeleteObject();
  EXPECT_EQ(::GetObjectType(::GetStockObject(LTGRAY_BRUSH)), ::DWORD(OBJ_BRUSH));
  EXPECT_TRUE(CBrush::Stock(LTGRAY_BRUSH).m_hObject == ::GetStockObject(LTGRAY_BRUSH));
}

// A point font is sized for the screen's resolution. Text is drawn in
// solid strokes of the exact colour, clipped to its rectangle. A rectangle
// far beyond GDI's 27-bit coordinates (a row a billion pixels tall) draws
// it exactly where a small one with the same anchor does; text anchored out
// of GDI's range is not drawn. Deleting a font still selected first puts
// the context's original back, so it really goes.
PLATFORM_CHECK(GdiFontsAndText, "gdi.fonts_and_text") {
  MemorySurface plain(120, 30, kWhite), giant(120, 30, kWhite), outOfRange(120, 30, kWhite);
  LOGFONTW lf{}, created{};
  lf.lfHeight = 120;
  lf.lfWeight = FW_BOLD;
  std::char_traits<char16_t>::copy(lf.lfFaceName, u"Arial", 6);
  CFont font;
  EXPECT_TRUE(font.CreatePointFontIndirect(&lf, nullptr));
  ::HGDIOBJ handle = static_cast<::HGDIOBJ>(font.m_hObject);
  EXPECT_TRUE(::GetObjectW(handle, sizeof(created), &created) != 0);
  EXPECT_EQ(int(created.lfHeight), -::MulDiv(120, ::GetDeviceCaps(plain.screenHdc, LOGPIXELSY), 720));
  auto draw = [&](MemorySurface& s, CRect r) {
    CFont* original = s.dc.SelectObject(&font);
    s.dc.SetBkMode(TRANSPARENT);
    s.dc.SetTextColor(kHeaderInk);
    int height = s.dc.DrawText(u"HMW", 3, &r, DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
    EXPECT_TRUE(original && original->m_hObject == ::GetStockObject(SYSTEM_FONT));
    return height;
  };
  EXPECT_TRUE(draw(plain, CRect(10, 5, 60, 25)) > 0);  // centred on y = 15
  draw(giant, CRect(10, 15 - 0x7FFFFFF0, 60, 15 + 0x7FFFFFF0));
  draw(outOfRange, CRect(10, 0x7FFFFF00, 60, 0x7FFFFFF0));
  int inked = 0;
  for (int y = 0; y < 30; ++y) {
    for (int x = 0; x < 120; ++x) {
      inked += plain.At(x, y) == kHeaderInk;
      if (x < 10 || x >= 60 || y < 5 || y >= 25) EXPECT_COLOUR(plain.At(x, y), kWhite);
      EXPECT_COLOUR(giant.At(x, y), plain.At(x, y));
      EXPECT_COLOUR(outOfRange.At(x, y), kWhite);
    }
  }
  EXPECT_TRUE(inked > 10);
  EXPECT_TRUE(font.DeleteObject() && ::GetCurrentObject(static_cast<::HDC>(plain.dc.m_hDC), OBJ_FONT) ==
                                         ::GetStockObject(SYSTEM_FONT));
  EXPECT_EQ(::GetObjectType(handle), ::DWORD(0));
}

// The objects a context has selected.
std::vector<::HGDIOBJ> Selected(::HDC hdc) {
  std::vector<::HGDIOBJ> objects;
  for (UINT type : {OBJ_PEN, OBJ_BRUSH, OBJ_FONT, OBJ_BITMAP}) objects.push_back(::GetCurrentObject(hdc, type));
  return objects;
}

// A context its caller owns, as a container hands one to IViewObject::Draw:
// the control draws into it (through its off-screen bitmap, or straight
// when printing) and hands it back with the objects it had selected, even
// though the painter leaves its font and stock objects selected.
void DrawIntoCallerDc(bool printing) {
  MemorySurface target(300, 200, kBlack);
  ::HDC hdc = static_cast<::HDC>(target.dc.m_hDC);
  std::vector<::HGDIOBJ> before = Selected(hdc);
  CTzGridCtrl ctrl;  // no window: drawn as a container's view of it
  for (int c = 0; c < ctrl.GetColumns(); ++c) ctrl.SetCellHeaderFlag(0, c, 1);
  ctrl.SetFocusedCell(2, 0);
  {
    std::unique_ptr<CDC> dc = WrapHdc(hdc, printing);
    CRect bounds(0, 0, 300, 200);
    ctrl.OnDraw(dc.get(), bounds, bounds);
    EXPECT_TRUE(Selected(hdc) == before);
  }
  EXPECT_TRUE(Selected(hdc) == before && ::GetObjectType(hdc) == OBJ_MEMDC);
  // Without a window only the first column's cells are drawn (no visible
  // extent is known): enough to see the cell drawer's output, the focus
  // frame of (2, 0) included.
  ExpectRuns(__LINE__, hdc,
             {{0, 0, 47, 0, kWhite}, {48, 0, 48, 18, kShadow}, {25, 10, 25, 10, kLightGrey},
              {49, 20, 49, 39, kGridLine}, {0, 40, 48, 40, kBlack}, {48, 40, 48, 58, kBlack},
              {20, 50, 20, 50, SystemColour(COLOR_WINDOW)}, {280, 150, 280, 150, SystemColour(COLOR_BTNSHADOW)}});
}

PLATFORM_CHECK(GdiViewDrawOffscreen, "gdi.view_draw_offscreen") { DrawIntoCallerDc(false); }
PLATFORM_CHECK(GdiViewDrawPrinting, "gdi.view_draw_printing") { DrawIntoCallerDc(true); }

}  // namespace
}  // namespace TzGrid::Win32::Test
