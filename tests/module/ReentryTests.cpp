// A host's event handler that destroys the control or reloads it, from each
// place the control fires an event: a click, a double click that ends an
// edit, Down in the editor, a typed Tab in the editor. The control is in
// Wine's ATL host; run.sh runs this group with Wine's heap checks on, so a
// handler's caller touching freed memory fails here.
#include "HostKit.h"

namespace ModuleTest {

namespace {

// Where the control fires from: a click on the grid, or with an edit open
// on cell (2, 1) a double click that ends it, or a key in the editor.
struct Trigger {
  const char* name;
  UINT click;  // a button message posted at (x, y) of the grid; 0: the key
  int x, y;
  WPARAM key;
  LPARAM keyData;
};
const Trigger kTriggers[] = {
    {"click", WM_LBUTTONDOWN, 125, 50, 0, 0},
    {"double click while editing", WM_LBUTTONDBLCLK, 175, 70, 0, 0},
    {"Down in the editor", 0, 0, 0, VK_DOWN, 0x00500001},
    {"Tab in the editor", 0, 0, 0, VK_TAB, 0x000F0001},
};

void RunCase(HWND top, const Trigger& trigger, bool reload) {
  std::string name = std::string(reload ? "reload" : "destroy") + " from a handler after a " + trigger.name;
  Hosted h(Container::Atl, top, RECT{0, 0, 400, 300});
  if (!h.ok()) return;
  ComPtr<IStream> saved = SavedState(h.control);
  HWND oldWindow = h.window;
  if (trigger.click != WM_LBUTTONDOWN) h.StartEdit(2, 1);
  h.sink.events.clear();

  bool acted = false;
  h.sink.onEvent = [&](const ReceivedEvent&) {
    if (acted) return;
    acted = true;
    if (reload) {
      CHECK_HR(LoadState(h.control, saved.Get()), S_OK);
    } else {
      h.Abandon();  // the host lets go of everything it holds, and its window
    }
  };
  if (trigger.click) {
    PostClick(h.window, trigger.x, trigger.y, trigger.click);
  } else {
    PostMessageW(FindEditor(h.window), WM_KEYDOWN, trigger.key, trigger.keyData);
  }
  Pump(150);
  h.sink.onEvent = nullptr;
  Check(acted, name + ": an event fired", __FILE__, __LINE__);

  if (!reload) {
    Check(!IsWindow(oldWindow), name + ": the window is gone", __FILE__, __LINE__);
    Check(h.sink.Refs() == 1, name + ": the sink is let go", __FILE__, __LINE__);
    Check(ModuleCanUnloadNow() == S_OK, name + ": nothing of the control is left", __FILE__, __LINE__);
    return;
  }
  // A new grid in a new window at the same place, which works: cell (3, 3)
  // spans x 150..199, y 60..79.
  HWND window = nullptr;
  if (auto inPlace = Query<IOleInPlaceObject>(h.control)) inPlace->GetWindow(&window);
  bool fresh = window && IsWindow(window) && window != oldWindow && GetParent(window) == h.ax &&
               CallLong(h.grid, L"Rows") == 5 && CallLong(h.grid, L"GetCurrentRow") == -1;
  Check(fresh, name + ": a fresh grid in place", __FILE__, __LINE__);
  h.sink.events.clear();
  if (window) PostClick(window, 175, 70);
  Pump(100);
  Check(h.sink.Received({{1, 3, 3}}), name + ": the new grid fires its events", __FILE__, __LINE__);
}

}  // namespace

void RunReentryTests() {
  HWND top = CreateHostWindow(L"TzGrid handlers", 420, 320);
  for (bool reload : {false, true}) {
    for (const Trigger& trigger : kTriggers) RunCase(top, trigger, reload);
  }
  DestroyWindow(top);
}

}  // namespace ModuleTest
