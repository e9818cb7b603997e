// The checks of the Win32 platform's test host, in the order they run: the
// drawing context, the control site over a real window and the platform's
// dialogs, then the grid in a real window where only this host sees it.
#include <cstdlib>
#include <thread>

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
  std::vector<::HGDIOBJ> before = Selected(target.Hdc());
  CTzGridCtrl ctrl;  // no window: drawn as a container's view of it
  for (int c = 0; c < ctrl.GetColumns(); ++c) ctrl.SetCellHeaderFlag(0, c, 1);
  ctrl.SetFocusedCell(2, 0);
  {
    std::unique_ptr<CDC> dc = WrapHdc(target.Hdc(), printing);
    CRect bounds(0, 0, 300, 200);
    ctrl.OnDraw(dc.get(), bounds, bounds);
    EXPECT_TRUE(Selected(target.Hdc()) == before);
  }
  EXPECT_TRUE(Selected(target.Hdc()) == before && ::GetObjectType(target.Hdc()) == OBJ_MEMDC);
  // Without a window only the first column's cells are drawn (no visible
  // extent is known): enough to see the cell drawer's output, the focus
  // frame of (2, 0) included.
  ExpectRuns(__LINE__, target.Hdc(),
             {{0, 0, 47, 0, kWhite}, {48, 0, 48, 18, kShadow}, {25, 10, 25, 10, kLightGrey},
              {49, 20, 49, 39, kGridLine}, {0, 40, 48, 40, kBlack}, {48, 40, 48, 58, kBlack},
              {20, 50, 20, 50, SystemColour(COLOR_WINDOW)}, {280, 150, 280, 150, SystemColour(COLOR_BTNSHADOW)}});
}

PLATFORM_CHECK(GdiViewDrawOffscreen, "gdi.view_draw_offscreen") { DrawIntoCallerDc(false); }
PLATFORM_CHECK(GdiViewDrawPrinting, "gdi.view_draw_printing") { DrawIntoCallerDc(true); }

// The control's child window: its style and class, sizes told to the
// control once the window exists. A message is answered by the control's
// handler, the rest by the system's default processing; a failing handler
// is reported and the window lives on.
PLATFORM_CHECK(SiteWindowAndMessages, "site.window_and_messages") {
  ProbeFixture f;
  ::HWND hwnd = f.Hwnd();
  EXPECT_TRUE(::GetParent(hwnd) == f.host && f.ctrl.IsWindow());
  ::LONG_PTR style = ::GetWindowLongPtrW(hwnd, GWL_STYLE), wanted = WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN | WS_BORDER;
  EXPECT_EQ(style & wanted, wanted);
  EXPECT_TRUE((::GetClassLongPtrW(hwnd, GCL_STYLE) & CS_DBLCLKS) && !::GetClassLongPtrW(hwnd, GCLP_HBRBACKGROUND));
  EXPECT_TRUE(f.ctrl.Received(WM_SIZE) && f.ctrl.windowExistedAtSize);
  ::RECT client{};
  ::GetClientRect(hwnd, &client);
  CRect rc;
  f.ctrl.GetClientRect(&rc);
  EXPECT_TRUE(f.site.GetClientRect() == FromWin(client) && rc == FromWin(client));
  EXPECT_TRUE(Win32ControlSite::FromHwnd(hwnd) == &f.site && !Win32ControlSite::FromHwnd(f.host));
  EXPECT_EQ(f.ctrl.SendMessage(kProbeThrow, 0, 0), LRESULT(0));
  EXPECT_TRUE(f.failures.size() == 1 && f.failures[0].find("probe failure") != std::string::npos);
  EXPECT_EQ(f.ctrl.SendMessage(kProbeMessage, 1, 0), LRESULT(1001));
  EXPECT_EQ(f.ctrl.SendMessage(WM_NCHITTEST, 0, MAKELPARAM(50, 50)), LRESULT(HTCLIENT));
  f.site.DestroyControlWindow();
  EXPECT_TRUE(!::IsWindow(hwnd) && !f.ctrl.IsWindow() && f.site.Hwnd() == nullptr);
}

// A partial invalidation repaints only that area: the control is told so,
// its clip box is the area, and nothing else is erased or drawn. Refresh
// repaints everything before it returns.
PLATFORM_CHECK(SitePaintsThroughOnDraw, "site.paints_through_ondraw") {
  ProbeFixture f;
  constexpr COLORREF green = RGB(0, 128, 0), magenta = RGB(200, 0, 200), blue = RGB(0, 0, 255);
  CRect client = f.site.GetClientRect(), area(10, 10, 30, 20);
  EXPECT_TRUE(f.ctrl.draws >= 1 && f.ctrl.lastBounds == client);
  f.ctrl.paintColour = magenta;
  int before = f.ctrl.draws;
  f.ctrl.InvalidateControl(&area);
  ::UpdateWindow(f.Hwnd());
  EXPECT_EQ(f.ctrl.draws, before + 1);
  EXPECT_TRUE(f.ctrl.lastInvalid == area && f.ctrl.lastClip == area && f.ctrl.lastBounds == client);
  EXPECT_RUNS(f.Hwnd(), {10, 10, 29, 19, magenta}, {30, 10, 30, 19, green}, {9, 10, 9, 19, green},
              {client.right - 1, client.bottom - 1, client.right - 1, client.bottom - 1, green});
  EXPECT_TRUE(!f.ctrl.Received(WM_ERASEBKGND));  // answered by the site: nothing to erase
  EXPECT_EQ(::SendMessageW(f.Hwnd(), WM_ERASEBKGND, 0, 0), ::LRESULT(1));
  f.ctrl.paintColour = blue;
  f.ctrl.Refresh();
  EXPECT_EQ(f.ctrl.draws, before + 2);
  EXPECT_RUNS(f.Hwnd(), {200, 100, 200, 100, blue});
}

// The position is bounded to nMax - nPage + 1; an empty range hides the
// bar, the client area grows by its height and the control hears of it.
// ScrollWindow moves pixels and leaves the uncovered strip to repaint.
PLATFORM_CHECK(SiteScrollBarsAndScrollWindow, "site.scroll_bars_and_scroll_window") {
  ProbeFixture f;
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
  ProbeFixture f;
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

// The EDIT class keeps the style without WS_BORDER (it draws its border
// itself), tells the control's window of changes with EN_UPDATE, hides and
// moves; the control's window going away takes it along and leaves its
// owner without a window.
PLATFORM_CHECK(SiteEditChild, "site.edit_child") {
  ProbeFixture f;
  CWnd edit;
  edit.AttachImpl(f.site.CreateEditChild(&edit, 0x50810080, RECT{20, 30, 120, 50}, 1), &f.ctrl);
  ::HWND hedit = static_cast<::HWND>(edit.GetSafeHwnd());
  EXPECT_TRUE(hedit && ::GetParent(hedit) == f.Hwnd() && ::GetDlgCtrlID(hedit) == 1);
  DWORD wanted = 0x50810080 & ~WS_BORDER;
  EXPECT_EQ(DWORD(::GetWindowLongPtrW(hedit, GWL_STYLE)) & wanted, wanted);
  f.ctrl.messages.clear();
  edit.SetWindowText(CString(u"xyz"));
  EXPECT_TRUE(edit.GetWindowText() == CString(u"xyz"));
  EXPECT_TRUE(f.ctrl.Received(WM_COMMAND, MAKEWPARAM(1, EN_UPDATE)));
  EXPECT_TRUE(edit.ShowWindow(SW_HIDE) && !edit.IsWindowVisible());
  edit.MoveWindow(5, 5, 50, 20);
  CRect placed = edit.GetImpl()->GetWindowRect();
  f.ctrl.ScreenToClient(&placed);
  EXPECT_TRUE(placed == CRect(5, 5, 55, 25));
  f.site.DestroyControlWindow();
  EXPECT_TRUE(!::IsWindow(hedit) && edit.GetSafeHwnd() == nullptr && f.failures.empty());
}

// Runs modal, which shows a dialog box on this thread, while another
// thread waits for the box and hands it to answer; modal's result.
int AnsweredModal(const std::function<int()>& modal, const std::function<void(::HWND)>& answer) {
  DWORD me = ::GetCurrentThreadId();
  bool answered = false;
  std::thread watcher([&] {
    for (int i = 0; i < 500 && !answered; ++i, ::Sleep(10)) {
      ::HWND box = ::FindWindowW(L"#32770", nullptr);
      if (box && ::IsWindowVisible(box) && ::GetWindowThreadProcessId(box, nullptr) == me) {
        answer(box);
        ::PostMessageW(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
        answered = true;
      }
    }
  });
  int result = modal();
  watcher.join();
  EXPECT_TRUE(answered);
  return result;
}

// A message box shows its text. The file name typed into the system's save
// dialog (edt1, or the combo box cmb13 newer dialogs have in its place)
// comes back with the default extension. A dialog resource the program
// lacks is refused.
PLATFORM_CHECK(ServicesDialogs, "services.dialogs") {
  HostWindow();
  std::wstring shown(256, L'\0');
  auto read = [&](::HWND box) { ::GetDlgItemTextW(box, 0xFFFF, shown.data(), 256); };
  EXPECT_EQ(AnsweredModal([] { return AfxMessageBox(CString(u"NULL cell")); }, read), IDOK);
  EXPECT_TRUE(shown.find(L"NULL cell") != std::wstring::npos);
  wchar_t tempDir[MAX_PATH] = {};
  ::GetTempPathW(MAX_PATH, tempDir);
  std::wstring typed = std::wstring(tempDir) + L"tzgrid_platform_export", expected = typed + L".csv";
  CFileDialog dialog(FALSE, u".csv", u"export.csv", OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT,
                     u"CSV Files (*.csv)|*.csv|All Files (*.*)|*.*||");
  auto type = [&](::HWND box) {
    ::HWND name = ::GetDlgItem(box, 0x480) ? ::GetDlgItem(box, 0x480) : ::GetDlgItem(box, 0x47C);
    ::SendMessageW(name, WM_SETTEXT, 0, reinterpret_cast<::LPARAM>(typed.c_str()));
  };
  EXPECT_EQ(AnsweredModal([&] { return int(dialog.DoModal()); }, type), IDOK);
  EXPECT_TRUE(dialog.GetPathName().View() == std::u16string(expected.begin(), expected.end()));
  EXPECT_EQ(CDialogEx(100).DoModal(), -1);
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

// Starts dragging the header of display position 1 - under the module's
// own cursor - out of the control to the right, until the auto-scroll
// worker, sending WM_HSCROLL from its thread, has scrolled to firstColumn.
void DragOutToTheRight(GridFixture& f, int firstColumn) {
  ModuleResources resources;
  f.Post(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(75, 10));
  EXPECT_TRUE(f.ctrl.m_nMouseMode == MOUSE_DRAGGING && ::GetCapture() == f.Hwnd());
  ::HCURSOR drag = ::LoadCursorW(resources.module, MAKEINTRESOURCEW(IDC_DRAGCOLUMN));
  EXPECT_TRUE(drag != nullptr && ::GetCursor() == drag);
  ::PostMessageW(f.Hwnd(), WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(100, 10));
  ::PostMessageW(f.Hwnd(), WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(f.site.GetClientRect().right + 30, 10));
  EXPECT_TRUE(Pump([&] { return f.ctrl.m_nFirstCol >= firstColumn; }, 5000));
  f.Settle();
  EXPECT_TRUE(f.ctrl.m_hAutoScrollThread != 0);
}

// Back inside, the worker stops after its pause, and the drop reorders the
// columns and puts the arrow back.
PLATFORM_CHECK(GridDragAutoScrollsAndDrops, "grid.drag_autoscrolls_and_drops") {
  GridFixture f(20);
  DragOutToTheRight(f, 3);
  ::PostMessageW(f.Hwnd(), WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(100, 10));
  Pump();
  EXPECT_TRUE(f.ctrl.m_autoScroll.bStop.load());
  Pump(nullptr, 300);
  int first = f.ctrl.m_nFirstCol, target = f.ctrl.GetColumnAtPoint(CPoint(100, 10));
  Pump(nullptr, 300);
  EXPECT_TRUE(f.ctrl.m_nFirstCol == first && target > 1);
  f.Post(WM_LBUTTONUP, 0, MAKELPARAM(100, 10));
  EXPECT_TRUE(f.ctrl.m_nMouseMode == MOUSE_IDLE && ::GetCapture() == nullptr);
  EXPECT_EQ(f.ctrl.GetColumnVisibleIndex(1), LONG(target));
  EXPECT_TRUE(::GetCursor() == ::LoadCursorW(nullptr, MAKEINTRESOURCEW(32512)));
}

// The window goes away while the worker, scrolling fast (Shift held), is
// blocked sending to it: neither the window's end nor the control's may
// hang (run.sh's timeout fails a hang).
PLATFORM_CHECK(GridTeardownDuringAutoScroll, "grid.teardown_during_autoscroll") {
  GridFixture f(30);
  DragOutToTheRight(f, 2);
  f.Post(WM_KEYDOWN, VK_SHIFT, 1);
  EXPECT_TRUE(f.ctrl.m_autoScroll.bFast.load());
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
