// The Win32 platform's test host, run under Wine: the drawing context, the
// control site and the grid in real windows, pixels read from the screen.
//   tzgrid_platform_host [check name prefixes...]
// Prints "<name>: PASS" or "<name>: FAIL <what differed>" per check, the
// name first, so that a hang (ended by run.sh's timeout) names its check.
// Exit code 0 when every selected check passed, else 1.
#include <cstdio>
#include <cstdlib>

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
  ::HDC Hdc() const { return static_cast<::HDC>(dc.m_hDC); }
  COLORREF At(int x, int y) const { return dc.GetPixel(x, y); }
};

// A point font is sized for the screen's resolution. Text is drawn in
// solid strokes of the exact colour, clipped to its rectangle. A rectangle
// far beyond GDI's 27-bit coordinates (a row a billion pixels tall) draws
// it exactly where a small one with the same anchor does; text anchored out
// of GDI's range is not drawn. Deleting a font still selected first puts
// the context's original back, so it really goes; releasing a stock
// object's wrapper leaves it selected where it is.
PLATFORM_CHECK(GdiFontsTextAndObjects, "gdi.fonts_text_and_objects") {
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
      if (x < 10 || x >= 60 || y < 5 || y >= 25) EXPECT_EQ(plain.At(x, y), kWhite);
      EXPECT_EQ(giant.At(x, y), plain.At(x, y));
      EXPECT_EQ(outOfRange.At(x, y), kWhite);
    }
  }
  EXPECT_TRUE(inked > 10);
  EXPECT_TRUE(font.DeleteObject() && ::GetCurrentObject(plain.Hdc(), OBJ_FONT) == ::GetStockObject(SYSTEM_FONT));
  EXPECT_EQ(::GetObjectType(handle), ::DWORD(0));
  CBrush& grey = CBrush::Stock(LTGRAY_BRUSH);
  plain.dc.SelectObject(&grey);
  EXPECT_TRUE(grey.DeleteObject() && ::GetCurrentObject(plain.Hdc(), OBJ_BRUSH) == ::GetStockObject(LTGRAY_BRUSH));
  EXPECT_TRUE(CBrush::Stock(LTGRAY_BRUSH).m_hObject == ::GetStockObject(LTGRAY_BRUSH));
}

// A context its caller owns, as a container hands one to IViewObject::Draw,
// off screen and printing: the control draws into it (through its
// off-screen bitmap, or straight when printing) and hands it back with the
// objects it had selected, even though the painter leaves its font and
// stock objects selected.
PLATFORM_CHECK(GdiViewDrawIntoCallerDc, "gdi.view_draw_into_caller_dc") {
  CTzGridCtrl ctrl;  // no window: drawn as a container's view of it
  ctrl.SetItemBackColor(1, 0, LONG(RGB(255, 0, 0)));
  ctrl.SetFocusedCell(2, 0);  // its frame leaves a stock pen and brush selected
  for (bool printing : {false, true}) {
    MemorySurface target(300, 200, kBlack);
    auto selected = [&] {
      std::vector<::HGDIOBJ> objects;
      for (UINT type : {OBJ_PEN, OBJ_BRUSH, OBJ_FONT, OBJ_BITMAP})
        objects.push_back(::GetCurrentObject(target.Hdc(), type));
      return objects;
    };
    std::vector<::HGDIOBJ> before = selected();
    CRect bounds(0, 0, 300, 200);
    ctrl.OnDraw(WrapHdc(target.Hdc(), printing).get(), bounds, bounds);  // the wrapper goes at the semicolon
    EXPECT_TRUE(selected() == before && ::GetObjectType(target.Hdc()) == OBJ_MEMDC);
    // Without a window only the first column's cells are drawn (no visible
    // extent is known): the cell's colour, its grid line, the empty area.
    EXPECT_EQ(target.At(25, 30), RGB(255, 0, 0));
    EXPECT_EQ(target.At(49, 30), kGridLine);
    EXPECT_EQ(target.At(280, 150), SystemColour(COLOR_BTNSHADOW));
  }
}

// The control's window is a clipping child of the host, and the control
// hears of its size. A message goes to the control's handler and on to
// the system's default processing; a failing handler is reported, and the
// window lives on until the site destroys it.
PLATFORM_CHECK(SiteWindowAndMessages, "site.window_and_messages") {
  Fixture<ProbeControl> f;
  ::HWND hwnd = f.Hwnd();
  ::LONG_PTR style = ::GetWindowLongPtrW(hwnd, GWL_STYLE), wanted = WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN;
  EXPECT_TRUE(::GetParent(hwnd) == f.host && (style & wanted) == wanted && f.ctrl.Received(WM_SIZE));
  EXPECT_EQ(f.ctrl.SendMessage(kProbeThrow, 0, 0), LRESULT(0));
  EXPECT_TRUE(f.failures.size() == 1 && f.failures[0].find("probe failure") != std::string::npos);
  EXPECT_EQ(f.ctrl.SendMessage(WM_NCHITTEST, 0, MAKELPARAM(50, 50)), LRESULT(HTCLIENT));
  f.site.DestroyControlWindow();
  EXPECT_TRUE(!::IsWindow(hwnd) && !f.ctrl.IsWindow());
}

// The position is bounded to nMax - nPage + 1; an empty range hides the
// bar, the client area grows by its height and the control hears of it.
// ScrollWindow moves pixels and leaves the uncovered strip to repaint.
PLATFORM_CHECK(SiteScrollBarsAndScrollWindow, "site.scroll_bars_and_scroll_window") {
  Fixture<ProbeControl> f;
  SCROLLINFO info{sizeof(SCROLLINFO), SIF_RANGE | SIF_PAGE | SIF_POS, 0, 500, 100, 50, 0}, read;
  EXPECT_TRUE(f.ctrl.SetScrollInfo(SB_HORZ, &info, TRUE) && f.ctrl.GetScrollInfo(SB_HORZ, &read, SIF_ALL));
  EXPECT_TRUE(read.nMax == 500 && read.nPage == 100 && read.nPos == 50 && read.nTrackPos == 50);
  f.ctrl.SetScrollPos(SB_HORZ, 1000);
  EXPECT_TRUE(f.ctrl.GetScrollInfo(SB_HORZ, &read, SIF_POS) && read.nPos == 401);
  CRect withBar = f.site.GetClientRect();
  info.nMax = info.nPage = info.nPos = 0;
  f.ctrl.messages.clear();
  f.ctrl.SetScrollInfo(SB_HORZ, &info, TRUE);
  EXPECT_EQ(f.site.GetClientRect().Height(), withBar.Height() + ::GetSystemMetrics(SM_CYHSCROLL));
  EXPECT_TRUE(f.ctrl.Received(WM_SIZE));
  f.Settle();
  CDC* dc = f.ctrl.GetDC();
  dc->FillSolidRect(0, 0, 100, 50, RGB(255, 0, 0));
  dc->FillSolidRect(100, 0, 100, 50, RGB(0, 0, 255));
  f.ctrl.ReleaseDC(dc);
  CRect rect(0, 0, 200, 50);
  f.ctrl.ScrollWindow(-10, 0, &rect, &rect);
  EXPECT_RUNS(f.Hwnd(), {89, 10, 89, 10, RGB(255, 0, 0)}, {90, 10, 90, 10, RGB(0, 0, 255)});
  ::RECT update{};
  EXPECT_TRUE(::GetUpdateRect(f.Hwnd(), &update, FALSE) && FromWin(update) == CRect(190, 0, 200, 50));
}

// A Tab the user typed (taken from the queue) is offered to the control's
// pre-translation by the window that gets it; when the control takes it,
// the window's handler never sees it. A Tab sent with SendMessage - as the
// editor forwards Enter - is a plain key; other keys are not offered.
PLATFORM_CHECK(SiteTabIsPreTranslated, "site.tab_is_pretranslated") {
  Fixture<ProbeControl> f;
  f.Post(WM_KEYDOWN, VK_TAB, 1);
  EXPECT_TRUE(f.ctrl.preTranslated == std::vector<HWND>{f.Hwnd()} && !f.ctrl.Received(WM_KEYDOWN));
  f.ctrl.preTranslateAnswer = FALSE;
  f.Post(WM_KEYDOWN, VK_TAB, 1);
  EXPECT_TRUE(f.ctrl.preTranslated.size() == 2 && f.ctrl.Received(WM_KEYDOWN));
  f.ctrl.preTranslateAnswer = TRUE;
  f.ctrl.messages.clear();
  ::SendMessageW(f.Hwnd(), WM_KEYDOWN, VK_TAB, 1);
  f.Post(WM_KEYDOWN, VK_RIGHT, 1);
  EXPECT_TRUE(f.ctrl.preTranslated.size() == 2 && f.ctrl.Received(WM_KEYDOWN, VK_TAB));
  EXPECT_TRUE(f.ctrl.Received(WM_KEYDOWN, VK_RIGHT));
}

// The grid checks: cell (row, column) covers x = 50 column .. + 49 and
// y = 20 row .. + 19, its grid lines on the last of those.

// Header cell (0, 0): a raised frame whose corners take the shadow colour,
// no grid lines in the header band. Cell (2, 1) in its own colour, the
// others in the grid's, the focus cell (3, 2) framed in black around the
// grid's colour, grid lines ending one pixel past the last row and column,
// the empty-area colour beyond. A repaint of cell (2, 1) alone is drawn off
// screen with the cell's corner as the bitmap's origin: its new colour
// lands exactly on the cell.
PLATFORM_CHECK(GridPictureAndLoneCellRepaint, "grid.picture_and_lone_cell_repaint") {
  GridFixture f;
  constexpr COLORREF red = RGB(255, 0, 0), blue = RGB(0, 0, 255), back = RGB(255, 255, 200);
  COLORREF empty = SystemColour(COLOR_BTNSHADOW);
  f.ctrl.SetItemBackColor(2, 1, LONG(red));
  f.ctrl.SetGridBackColor(LONG(back));
  f.ctrl.SetFocusedCell(3, 2);
  f.ctrl.InvalidateControl();
  f.Settle();
  EXPECT_RUNS(f.Hwnd(), {0, 0, 47, 0, kWhite}, {0, 0, 0, 17, kWhite}, {48, 0, 48, 18, kShadow},
              {0, 18, 48, 18, kShadow}, {49, 0, 49, 19, empty}, {0, 19, 49, 19, empty}, {25, 10, 25, 10, kLightGrey},
              {0, 20, 48, 38, back}, {49, 20, 49, 39, kGridLine}, {0, 39, 49, 39, kGridLine},
              {50, 40, 98, 58, red}, {99, 40, 99, 59, kGridLine}, {50, 59, 99, 59, kGridLine},
              {100, 60, 148, 60, kBlack}, {100, 78, 148, 78, kBlack}, {100, 60, 100, 78, kBlack},
              {148, 60, 148, 78, kBlack}, {101, 61, 147, 61, back}, {249, 30, 249, 30, kGridLine},
              {100, 99, 100, 99, kGridLine}, {250, 39, 250, 39, kGridLine}, {251, 39, 251, 39, empty},
              {99, 100, 99, 100, kGridLine}, {99, 101, 99, 101, empty}, {300, 50, 300, 50, empty},
              {100, 200, 100, 200, empty});
  CRect cell(50, 40, 100, 60);
  f.ctrl.SetItemBackColor(2, 1, LONG(blue));
  f.ctrl.InvalidateControl(&cell);
  f.Settle();
  EXPECT_RUNS(f.Hwnd(), {50, 40, 98, 58, blue}, {99, 40, 99, 59, kGridLine}, {50, 39, 99, 39, kGridLine},
              {50, 60, 98, 60, back});
}

// A column border dragged in the header band: the tracking band (pixel
// columns 49 and 50 for the border at x = 50, the whole height) is drawn
// by inverting the screen's pixels, erased where it was, and the release
// applies the width.
PLATFORM_CHECK(GridResizeColumnWithBand, "grid.resize_column_with_band") {
  GridFixture f;
  COLORREF window = SystemColour(COLOR_WINDOW), inverted = window ^ 0x00FFFFFFu;
  f.Post(WM_MOUSEMOVE, 0, MAKELPARAM(49, 10));
  ::SendMessageW(f.Hwnd(), WM_SETCURSOR, reinterpret_cast<::WPARAM>(f.Hwnd()), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
  EXPECT_TRUE(::GetCursor() == ::LoadCursorW(nullptr, MAKEINTRESOURCEW(32644)));
  f.Post(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(49, 10));
  EXPECT_EQ(f.ctrl.m_nMouseMode, MOUSE_RESIZING);
  EXPECT_RUNS(f.Hwnd(), {49, 50, 49, 50, kGridLine ^ 0x00FFFFFFu}, {50, 21, 50, 38, inverted},
              {50, 5, 50, 5, kWhite ^ 0x00FFFFFFu}, {48, 50, 48, 50, window}, {51, 50, 51, 50, window});
  f.Post(WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(80, 10));
  EXPECT_RUNS(f.Hwnd(), {50, 50, 50, 50, window}, {49, 50, 49, 50, kGridLine}, {80, 50, 81, 50, inverted});
  f.Post(WM_LBUTTONUP, 0, MAKELPARAM(80, 10));
  EXPECT_TRUE(f.ctrl.m_nMouseMode == MOUSE_IDLE && f.ctrl.GetColumnWidth(0) == 80);
  EXPECT_RUNS(f.Hwnd(), {79, 50, 79, 50, kGridLine}, {80, 50, 81, 50, window}, {49, 50, 49, 50, window},
              {129, 50, 129, 50, kGridLine});
}

// The control module's resources (TzGrid.ocx, named by TZGRID_OCX) as the
// module instance the site takes its cursors from.
struct ModuleResources {
  const char* path = std::getenv("TZGRID_OCX");
  ::HMODULE module = path ? ::LoadLibraryA(path) : nullptr;
  ModuleResources() {
    if (!module) throw CheckFailed(std::string("cannot load TZGRID_OCX ") + (path ? path : "(not set)"));
    SetModuleInstance(module);
  }
  ~ModuleResources() {
    SetModuleInstance(nullptr);
    ::FreeLibrary(module);
  }
};

// A header dragged - under the module's own cursor - out of the control to
// the right starts the auto-scroll worker, which scrolls by sending
// WM_HSCROLL from its thread. The window then goes away while the worker,
// scrolling fast (Shift held), is blocked sending to it: neither the
// window's end nor the control's may hang (run.sh's timeout fails a hang).
PLATFORM_CHECK(GridTeardownDuringAutoScroll, "grid.teardown_during_autoscroll") {
  GridFixture f(30);
  ModuleResources resources;
  f.Post(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(75, 10));
  EXPECT_TRUE(f.ctrl.m_nMouseMode == MOUSE_DRAGGING && ::GetCapture() == f.Hwnd());
  ::HCURSOR drag = ::LoadCursorW(resources.module, MAKEINTRESOURCEW(IDC_DRAGCOLUMN));
  EXPECT_TRUE(drag != nullptr && ::GetCursor() == drag);
  ::PostMessageW(f.Hwnd(), WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(100, 10));
  ::PostMessageW(f.Hwnd(), WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(f.site.GetClientRect().right + 30, 10));
  EXPECT_TRUE(Pump([&] { return f.ctrl.m_nFirstCol >= 2; }, 5000));
  f.Post(WM_KEYDOWN, VK_SHIFT, 1);
  EXPECT_TRUE(f.ctrl.m_hAutoScrollThread != 0 && f.ctrl.m_autoScroll.bFast.load());
  ::Sleep(100);  // not taking messages: the worker now waits in a send
}

// The editor loses the keyboard focus to another window: it hides itself,
// the edit stays flagged, and the repaint the system asks for where it was
// shows it again (without taking the focus back).
PLATFORM_CHECK(GridEditorHidesOnFocusLoss, "grid.editor_hides_on_focus_loss") {
  GridFixture f;
  f.ctrl.SetFocusedCell(2, 1);
  ::SetFocus(f.Hwnd());
  f.Post(WM_CHAR, 'k', 1);
  ::HWND edit = ::GetDlgItem(f.Hwnd(), 1);
  EXPECT_TRUE(edit != nullptr && ::IsWindowVisible(edit) && ::GetFocus() == edit);
  ::SetFocus(f.host);  // WM_KILLFOCUS reaches the editor at once
  ::RECT update{};
  EXPECT_TRUE(!::IsWindowVisible(edit) && f.ctrl.m_bEditMode && ::GetUpdateRect(f.Hwnd(), &update, FALSE));
  f.Settle();
  EXPECT_TRUE(::IsWindowVisible(edit) && ::GetFocus() == f.host);
  EXPECT_TRUE(f.ctrl.GetCellText(2, 1) == CString(u"k"));
}

}  // namespace
}  // namespace TzGrid::Win32::Test

int main(int argc, char** argv) {
  using namespace TzGrid;
  std::vector<std::string> prefixes(argv + 1, argv + argc);
  int passed = 0, failed = 0;
  for (const auto& [name, run] : Win32::Test::g_checks) {
    auto selects = [&, name = name](const std::string& p) { return std::string(name).rfind(p, 0) == 0; };
    if (!prefixes.empty() && std::none_of(prefixes.begin(), prefixes.end(), selects)) continue;
    std::printf("%s: ", name);
    std::fflush(stdout);
    std::string failure;
    try {
      run();
    } catch (const CException& e) {
      failure = "exception: " + e.GetDescription();
    } catch (const std::exception& e) {
      failure = e.what();
    }
    (failure.empty() ? passed : failed) += 1;
    std::printf(failure.empty() ? "PASS\n" : "FAIL %s\n", failure.c_str());
    std::fflush(stdout);
  }
  std::printf("SUMMARY passed=%d failed=%d\n", passed, failed);
  return failed || !passed ? 1 : 0;
}
