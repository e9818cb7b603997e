// The grid in a real window where only this host sees it: the picture to
// the pixel, the border band, the drag's cursor and worker thread, the
// editor losing the focus. Cell (row, column) covers x = 50 column .. + 49
// and y = 20 row .. + 19, its grid lines on the last of those.
#include "PlatformHarness.h"

namespace TzGrid::Win32::Test {
namespace {

// Header cell (0, 0): a raised frame, no grid lines in the header band.
// Cell (2, 1) in its own colour, the others in the grid's, the focus cell
// (3, 2) framed in black, the empty-area colour beyond. A repaint of cell
// (2, 1) alone is drawn off screen with the cell's corner as the bitmap's
// origin: its new colour lands exactly on the cell.
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
              {148, 60, 148, 78, kBlack}, {249, 30, 249, 30, kGridLine}, {100, 99, 100, 99, kGridLine},
              {300, 50, 300, 50, empty}, {100, 200, 100, 200, empty});
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
  EXPECT_TRUE(PumpUntil([&] { return f.ctrl.m_nFirstCol >= firstColumn; }, 5000));
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
  PumpUntil([] { return false; }, 300);
  int first = f.ctrl.m_nFirstCol, target = f.ctrl.GetColumnAtPoint(CPoint(100, 10));
  PumpUntil([] { return false; }, 300);
  EXPECT_TRUE(f.ctrl.m_nFirstCol == first && target > 1);
  f.Post(WM_LBUTTONUP, 0, MAKELPARAM(100, 10));
  EXPECT_TRUE(f.ctrl.m_nMouseMode == MOUSE_IDLE && ::GetCapture() == nullptr);
  EXPECT_EQ(f.ctrl.GetColumnVisibleIndex(1), LONG(target));
  EXPECT_TRUE(::GetCursor() == ::LoadCursorW(nullptr, MAKEINTRESOURCEW(32512)));
}

// The window goes away while the worker, scrolling fast (Shift held), is
// blocked sending to it: neither the window's end nor the control's may
// hang (the watchdog fails a hang).
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
