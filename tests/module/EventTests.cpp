// Events reach a host's sink: the control embedded in place in our own
// container, clicks delivered as window messages through the queue, the
// events checked in order with their row and column indices.
#include "../../tools/demohost/OleContainer.h"
#include "HostKit.h"

namespace ModuleTest {

namespace {

void Click(Hosted& h, int x, int y) {
  PostClick(h.window, x, y);
  Pump(150);
}

void CheckEvents(Hosted& h, HWND host) {
  CHECK(GetParent(h.window) == host && h.site->InPlaceActivations() == 1 && h.cookie != 0);

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

  // Frozen events are dropped, not queued.
  auto control = Query<IOleControl>(h.control);
  control->FreezeEvents(TRUE);
  Click(h, 75, 30);
  CHECK(h.sink.Received({}));
  control->FreezeEvents(FALSE);
  Click(h, 75, 50);
  CHECK(h.sink.Received({{1, 2, 4}}));

  // Unadvised, the sink hears nothing more and is let go.
  CHECK_HR(h.point->Unadvise(h.cookie), S_OK);
  CHECK_HR(h.point->Unadvise(h.cookie), CONNECT_E_NOCONNECTION);
  Click(h, 125, 70);
  CHECK(h.sink.Received({}) && h.sink.Refs() == 1);
}

}  // namespace

void RunEventTests() {
  HWND host = CreateHostWindow(L"TzGrid events", 400, 300);
  HWND window = nullptr;
  if (Hosted h(Container::Own, host, RECT{0, 0, 400, 300}); h.ok()) {
    window = h.window;
    CheckEvents(h, host);
  }
  // Closing the container destroys the control's window.
  CHECK(window && !IsWindow(window));
  DestroyWindow(host);
}

}  // namespace ModuleTest
