// A host's event handler that destroys the control or reloads it, from each
// place the control fires an event: a click, a double click that ends an
// edit, Down in the editor, a typed Tab in the editor. The control is in
// Wine's ATL host; run.sh runs this group with Wine's heap checks on, so a
// handler's caller touching freed memory fails here.
#include "HostKit.h"

namespace ModuleTest {

namespace {

enum class Action { DestroyContainer, Reload };
enum class Trigger { Click, DoubleClickWhileEditing, DownInEditor, TabInEditor };

std::string Name(Action action, Trigger trigger) {
  const char* triggers[] = {"click", "double click while editing", "Down in the editor", "Tab in the editor"};
  return std::string(action == Action::DestroyContainer ? "destroy" : "reload") + " from a handler after a " +
         triggers[int(trigger)];
}

// The saved state of a control, rewound for loading.
ComPtr<IStream> SavedState(IUnknown* control) {
  ComPtr<IStream> stream;
  auto persist = Query<IPersistStreamInit>(control);
  if (persist && SUCCEEDED(CreateStreamOnHGlobal(nullptr, TRUE, &stream))) {
    persist->Save(stream.Get(), FALSE);
    stream->Seek(LARGE_INTEGER{}, STREAM_SEEK_SET, nullptr);
  }
  return stream;
}

// An edit on cell (2, 1): the focus there, a letter typed.
void StartEdit(IDispatch* grid, HWND window) {
  SetFocus(window);
  Call(grid, L"SetFocusedCell", {Long(2), Long(1)});
  PostMessageW(window, WM_CHAR, 'a', 1);
  Pump(50);
  CHECK(EditorShown(window));
}

void Fire(Trigger trigger, HWND window) {
  switch (trigger) {
    case Trigger::Click: PostClick(window, 125, 50); break;
    case Trigger::DoubleClickWhileEditing: PostClick(window, 175, 70, WM_LBUTTONDBLCLK); break;
    case Trigger::DownInEditor: PostMessageW(FindEditor(window), WM_KEYDOWN, VK_DOWN, 0x00500001); break;
    case Trigger::TabInEditor: PostMessageW(FindEditor(window), WM_KEYDOWN, VK_TAB, 0x000F0001); break;
  }
}

void RunCase(HWND top, Trigger trigger, Action action) {
  std::string name = Name(action, trigger);
  Hosted h(Container::Atl, top, RECT{0, 0, 400, 300});
  if (!h.ok()) return;
  ComPtr<IStream> saved = SavedState(h.control);
  HWND oldWindow = h.window;
  if (trigger != Trigger::Click) StartEdit(h.grid, h.window);
  h.sink.events.clear();

  bool acted = false;
  h.sink.onEvent = [&](const ReceivedEvent&) {
    if (acted) return;
    acted = true;
    if (action == Action::DestroyContainer) {
      h.Abandon();  // the host lets go of everything it holds, and its window
      return;
    }
    auto persist = Query<IPersistStreamInit>(h.control);
    CHECK(persist && SUCCEEDED(persist->Load(saved.Get())));
  };
  Fire(trigger, h.window);
  Pump(150);
  h.sink.onEvent = nullptr;
  Check(acted, name + ": an event fired", __FILE__, __LINE__);

  if (action == Action::DestroyContainer) {
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
  for (Action action : {Action::DestroyContainer, Action::Reload}) {
    for (Trigger trigger :
         {Trigger::Click, Trigger::DoubleClickWhileEditing, Trigger::DownInEditor, Trigger::TabInEditor}) {
      RunCase(top, trigger, action);
    }
  }
  DestroyWindow(top);
}

}  // namespace ModuleTest
