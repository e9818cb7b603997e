// The control in containers: Wine's ATL host window (AtlAxWin100 from
// atl100.dll) and our own minimal container, each checked for a real
// in-place activation (window, parent, size, following resizes) and for
// the picture read back from the control's window; in ours, the events.
#include "../../tools/demohost/OleContainer.h"
#include "HostKit.h"

#include <cstdio>

namespace ModuleTest {

namespace {

bool HasRect(HWND child, HWND parent, RECT want) {
  RECT got{};
  GetWindowRect(child, &got);
  MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&got), 2);
  if (!EqualRect(&got, &want)) std::printf("  rect (%ld,%ld,%ld,%ld)\n", got.left, got.top, got.right, got.bottom);
  return EqualRect(&got, &want);
}

bool PixelIs(HDC dc, int x, int y, COLORREF expected) {
  COLORREF got = GetPixel(dc, x, y);
  if (got != expected) std::printf("  pixel (%d,%d) is %06lX, expected %06lX\n", x, y, got, expected);
  return got == expected;
}

// A fresh grid in place in parent at rect, painted on its window: cell
// (1, 1) coloured spans x 50..99 and y 20..39, the area right of the five
// columns is the empty-area colour.
void CheckInPlace(Hosted& h, HWND parent, const RECT& rect) {
  CHECK(GetParent(h.window) == parent && IsWindowVisible(h.window) && HasRect(h.window, parent, rect));
  CHECK_HR(Call(h.grid, L"SetItemBackColor", {Long(1), Long(1), Long(RGB(0, 200, 0))}), S_OK);
  CHECK_HR(Call(h.grid, L"Refresh", {}), S_OK);
  RedrawWindow(h.window, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
  Pump(50);
  HDC dc = GetDC(h.window);
  CHECK(PixelIs(dc, 75, 30, RGB(0, 200, 0)));
  CHECK(PixelIs(dc, 75, 50, GetSysColor(COLOR_WINDOW)));
  CHECK(PixelIs(dc, 300, 150, GetSysColor(COLOR_BTNSHADOW)));
  ReleaseDC(h.window, dc);
}

// The same picture drawn through IViewObject into a memory bitmap where
// the caller's bounds say, as a container that prints or caches the
// control at its place on a form does.
void CheckViewObject(Hosted& h) {
  auto view = Query<IViewObject2>(h.control);
  HDC screen = GetDC(nullptr), memory = CreateCompatibleDC(screen);
  HBITMAP bitmap = CreateCompatibleBitmap(screen, 440, 330);
  HGDIOBJ old = SelectObject(memory, bitmap);
  RECTL bounds = {30, 20, 430, 320};
  CHECK(view && view->Draw(DVASPECT_CONTENT, -1, nullptr, nullptr, nullptr, memory, &bounds, nullptr, nullptr, 0) == S_OK);
  CHECK(PixelIs(memory, 105, 50, RGB(0, 200, 0)) && PixelIs(memory, 330, 170, GetSysColor(COLOR_BTNSHADOW)));
  CHECK(view && view->Draw(DVASPECT_ICON, -1, nullptr, nullptr, nullptr, memory, &bounds, nullptr, nullptr, 0) == DV_E_DVASPECT);
  SelectObject(memory, old);
  DeleteObject(bitmap);
  DeleteDC(memory);
  ReleaseDC(nullptr, screen);
}

void Click(Hosted& h, int x, int y) {
  PostClick(h.window, x, y);
  Pump(150);
}

// Events reach the host's sink in order, with their row and column
// indices, from clicks through the queue.
void CheckEvents(Hosted& h) {
  // Column index 4 shown at display position 1: order 0, 4, 1, 2, 3. The
  // column argument of an event is the column index, not the position.
  CHECK_HR(Call(h.grid, L"MoveColumn", {Long(4), Long(1)}), S_OK);
  Pump(50);

  // Cells are 50 x 20 pixels: row 2 at display position 2 is around (125, 50).
  Click(h, 125, 50);
  CHECK(h.sink.Received({{1, 2, 1}}) && CallLong(h.grid, L"GetCurrentRow") == 2);
  CHECK(CallLong(h.grid, L"GetCurrentColumn") == 1);
  // A second click on the focus cell selects it again and opens the editor.
  Click(h, 125, 50);
  CHECK(h.sink.Received({{1, 2, 1}}) && EditorShown(h.window));
  // Leaving the edited cell: selected (new) first, exited (old) second.
  Click(h, 175, 70);
  CHECK(h.sink.Received({{1, 3, 2}, {2, 2, 1}}) && !EditorShown(h.window));

  Click(h, 75, 50);
  CHECK(h.sink.Received({{1, 2, 4}}));

  // Unadvised, the sink hears nothing more and is let go.
  CHECK_HR(h.point->Unadvise(h.cookie), S_OK);
  CHECK_HR(h.point->Unadvise(h.cookie), CONNECT_E_NOCONNECTION);
  Click(h, 125, 70);
  CHECK(h.sink.Received({}) && h.sink.Refs() == 1);
}

}  // namespace

void RunAtlContainerTests() {
  HWND top = CreateHostWindow(L"TzGrid in ATL", 420, 440);
  HWND window = nullptr;
  if (Hosted h(Container::Atl, top, RECT{10, 10, 410, 310}); h.ok()) {
    window = h.window;
    CheckInPlace(h, h.ax, RECT{0, 0, 400, 300});
    CheckViewObject(h);
    // The host window's size reaches the control through SetObjectRects.
    CHECK_HR(Put(h.grid, L"Rows", Long(20)), S_OK);
    MoveWindow(h.ax, 10, 10, 300, 200, TRUE);
    Pump(50);
    CHECK(HasRect(h.window, h.ax, RECT{0, 0, 300, 200}));
    // Grown beyond any size it had, the control repaints a cell written in
    // the new area: it does not judge the cell by a client area it had before.
    MoveWindow(h.ax, 10, 10, 400, 400, TRUE);
    Pump(50);
    UpdateWindow(h.window);
    CHECK_HR(Call(h.grid, L"SetCellText", {Long(16), Long(1), Text(L"grown")}), S_OK);
    RECT update{}, cell = {50, 320, 100, 340};
    GetUpdateRect(h.window, &update, FALSE);
    CHECK(EqualRect(&update, &cell));
  }
  // Destroying the host window closes and releases the control.
  CHECK(!IsWindow(window) && ModuleCanUnloadNow() == S_OK);
  DestroyWindow(top);
}

void RunOwnContainerTests() {
  HWND host = CreateHostWindow(L"TzGrid in place", 420, 320);
  HWND window = nullptr;
  if (Hosted h(Container::Own, host, RECT{10, 10, 410, 310}); h.ok()) {
    CHECK(h.site->InPlaceActivations() == 1 && h.site->UiActivations() == 0 && !h.site->HasActiveObject());
    CheckInPlace(h, host, RECT{10, 10, 410, 310});
    CheckEvents(h);
    // UI activation: the control takes the focus and becomes the frame's
    // active object, which then sees the keyboard first.
    CHECK_HR(h.site->UiActivate(), S_OK);
    CHECK(h.site->UiActivations() == 1 && h.site->HasActiveObject() && GetFocus() == h.window);
    window = h.window;
  }
  CHECK(!IsWindow(window));
  DestroyWindow(host);
  CHECK_HR(ModuleCanUnloadNow(), S_OK);
}

}  // namespace ModuleTest
