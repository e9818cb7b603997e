// Events reach a host's sink: the control embedded in place in our own
// container, clicks delivered as window messages through the queue, the
// events checked in order with their row and column indices.
#include "../../tools/demohost/OleContainer.h"
#include "EventSink.h"

#include <cstdio>

namespace ModuleTest {

namespace {

using TzGridHost::OleContainer;

// A press and release at a client point of the grid, through the queue.
void Click(HWND grid, int x, int y) {
  PostMessageW(grid, WM_MOUSEMOVE, 0, MAKELPARAM(x, y));
  PostMessageW(grid, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, y));
  PostMessageW(grid, WM_LBUTTONUP, 0, MAKELPARAM(x, y));
  Pump(150);
}

// The same click as the user makes it: cursor moved and buttons pressed
// through SendInput, routed by the system to the window under the cursor.
void ClickWithInput(HWND grid, int x, int y) {
  POINT screen = {x, y};
  ClientToScreen(grid, &screen);
  SetCursorPos(screen.x, screen.y);
  Pump(50);
  INPUT inputs[2] = {};
  inputs[0].type = INPUT_MOUSE;
  inputs[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
  inputs[1].type = INPUT_MOUSE;
  inputs[1].mi.dwFlags = MOUSEEVENTF_LEFTUP;
  SendInput(2, inputs, sizeof(INPUT));
  Pump(250);
}

bool SameEvents(const std::vector<ReceivedEvent>& got, const std::vector<ReceivedEvent>& want) {
  if (got == want) return true;
  std::printf("  events received:");
  for (const ReceivedEvent& e : got) std::printf(" (%ld: %ld, %ld)", e.dispid, e.row, e.column);
  std::printf("\n");
  return false;
}

}  // namespace

void RunEventTests() {
  HWND host = CreateHostWindow(L"TzGrid events", 400, 300);
  OleContainer* site = nullptr;
  HRESULT hr = OleContainer::Create(host, RECT{0, 0, 400, 300}, kProgId, &site);
  if (!Check(SUCCEEDED(hr), ("embedding in the test container: " + Hex(hr)).c_str(), __FILE__, __LINE__)) return;
  HWND grid = site->ControlWindow();
  CHECK(grid && IsWindow(grid) && GetParent(grid) == host);
  CHECK(site->InPlaceActivations() == 1);
  IDispatch* dispatch = nullptr;
  site->Control()->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&dispatch));

  EventSink sink;
  IConnectionPoint* point = nullptr;
  DWORD cookie = 0;
  CHECK_HR(AdviseEvents(site->Control(), &sink, &point, &cookie), S_OK);
  CHECK(cookie != 0);

  // Column index 4 shown at display position 1: order 0, 4, 1, 2, 3. The
  // column argument of an event is the column index, not the position.
  CHECK_HR(Call(dispatch, L"MoveColumn", {Long(4), Long(1)}), S_OK);
  CHECK(CallLong(dispatch, L"GetColumnVisibleIndex", {Long(1)}) == 2);
  Pump(50);

  // Cells are 50 x 20 pixels: row 2 at display position 2 is around (125, 50).
  Click(grid, 125, 50);
  CHECK(SameEvents(sink.events, {{1, 2, 1}}));
  CHECK(CallLong(dispatch, L"GetCurrentRow") == 2 && CallLong(dispatch, L"GetCurrentColumn") == 1);

  // A second click on the focus cell selects it again and opens the editor.
  sink.events.clear();
  Click(grid, 125, 50);
  CHECK(SameEvents(sink.events, {{1, 2, 1}}));
  HWND editor = FindEditor(grid);
  CHECK(editor && IsWindowVisible(editor));

  // Leaving the edited cell: selected (new) first, exited (old) second.
  sink.events.clear();
  Click(grid, 175, 70);
  CHECK(SameEvents(sink.events, {{1, 3, 2}, {2, 2, 1}}));
  CHECK(CallLong(dispatch, L"GetCurrentRow") == 3 && CallLong(dispatch, L"GetCurrentColumn") == 2);
  CHECK(!editor || !IsWindowVisible(editor));

  // Keys reach the grid through the container's accelerator translation:
  // Tab in the editor of cell (3, 2) ends the edit with GridCellExited.
  CHECK_HR(site->UiActivate(), S_OK);
  CHECK(site->HasActiveObject());
  sink.events.clear();
  Click(grid, 175, 70);
  editor = FindEditor(grid);
  CHECK(editor && IsWindowVisible(editor));
  CHECK(SameEvents(sink.events, {{1, 3, 2}}));
  sink.events.clear();
  PostMessageW(editor ? editor : grid, WM_KEYDOWN, VK_TAB, 0x000F0001);
  CHECK(PumpThroughContainer(site, 150) >= 1);
  CHECK(SameEvents(sink.events, {{2, 3, 2}}));
  // A key for another window is not the grid's.
  MSG other = {host, WM_KEYDOWN, VK_TAB, 0x000F0001, 0, {0, 0}};
  CHECK(!site->OfferAccelerator(&other));

  // A click below the last row fires nothing.
  sink.events.clear();
  Click(grid, 100, 250);
  CHECK(SameEvents(sink.events, {}));

  // Real input through the system's input queue.
  SetForegroundWindow(host);
  sink.events.clear();
  ClickWithInput(grid, 225, 30);
  CHECK(SameEvents(sink.events, {{1, 1, 3}}));

  // Frozen events are dropped, not queued.
  IOleControl* control = nullptr;
  site->Control()->QueryInterface(IID_IOleControl, reinterpret_cast<void**>(&control));
  control->FreezeEvents(TRUE);
  sink.events.clear();
  Click(grid, 75, 30);
  CHECK(SameEvents(sink.events, {}));
  control->FreezeEvents(FALSE);
  Click(grid, 75, 50);
  CHECK(SameEvents(sink.events, {{1, 2, 4}}));
  control->Release();

  // The connection is listed, and gone after Unadvise.
  IEnumConnections* connections = nullptr;
  if (CHECK(SUCCEEDED(point->EnumConnections(&connections)))) {
    CONNECTDATA data[2] = {};
    ULONG fetched = 0;
    CHECK(connections->Next(2, data, &fetched) == S_FALSE && fetched == 1 && data[0].dwCookie == cookie);
    for (ULONG i = 0; i < fetched; ++i) data[i].pUnk->Release();
    connections->Release();
  }
  CHECK_HR(point->Unadvise(cookie), S_OK);
  CHECK_HR(point->Unadvise(cookie), CONNECT_E_NOCONNECTION);
  sink.events.clear();
  Click(grid, 125, 70);
  CHECK(SameEvents(sink.events, {}));
  CHECK(sink.Refs() == 1);

  // A sink that is not a dispatch interface cannot connect.
  struct NotASink : IUnknown {
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override {
      *ppv = IsEqualIID(riid, IID_IUnknown) ? this : nullptr;
      return *ppv ? S_OK : E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
  } notASink;
  DWORD badCookie = 1;
  CHECK_HR(point->Advise(&notASink, &badCookie), CONNECT_E_CANNOTCONNECT);
  CHECK(badCookie == 0);

  point->Release();
  dispatch->Release();
  site->Close();
  CHECK(!IsWindow(grid));
  site->Release();
  DestroyWindow(host);
}

}  // namespace ModuleTest
