// A host's event handler that destroys the control or reloads it, from each
// place the control fires an event: a click, a double click that ends an
// edit, Down in the editor, a typed Tab in the editor. The control is in
// Wine's ATL host; run.sh runs this group with Wine's heap checks on, so a
// handler's caller touching freed memory fails here.
#include "EventSink.h"

#include <cstdio>

namespace ModuleTest {

namespace {

enum class Action { DestroyContainer, Reload };
enum class Trigger { Click, DoubleClickWhileEditing, DownInEditor, TabInEditor };

const char* Name(Action a) { return a == Action::DestroyContainer ? "destroy" : "reload"; }

const char* Name(Trigger t) {
  switch (t) {
    case Trigger::Click: return "click";
    case Trigger::DoubleClickWhileEditing: return "double click while editing";
    case Trigger::DownInEditor: return "Down in the editor";
    default: return "Tab in the editor";
  }
}

HWND GridWindowOf(IUnknown* control) {
  HWND hwnd = nullptr;
  IOleInPlaceObject* inPlace = nullptr;
  if (SUCCEEDED(control->QueryInterface(IID_IOleInPlaceObject, reinterpret_cast<void**>(&inPlace)))) {
    inPlace->GetWindow(&hwnd);
    inPlace->Release();
  }
  return hwnd;
}

// The saved state of a control: a stream to load it from.
IStream* SavedState(IUnknown* control) {
  IStream* stream = nullptr;
  IPersistStreamInit* persist = nullptr;
  if (FAILED(control->QueryInterface(IID_IPersistStreamInit, reinterpret_cast<void**>(&persist)))) return nullptr;
  if (SUCCEEDED(CreateStreamOnHGlobal(nullptr, TRUE, &stream))) {
    persist->Save(stream, FALSE);
    LARGE_INTEGER zero{};
    stream->Seek(zero, STREAM_SEEK_SET, nullptr);
  }
  persist->Release();
  return stream;
}

void PostClick(HWND grid, UINT down, int x, int y) {
  PostMessageW(grid, WM_MOUSEMOVE, 0, MAKELPARAM(x, y));
  PostMessageW(grid, down, MK_LBUTTON, MAKELPARAM(x, y));
  PostMessageW(grid, WM_LBUTTONUP, 0, MAKELPARAM(x, y));
}

// An edit on cell (2, 1): the focus there, a letter typed.
void StartEdit(IDispatch* grid, HWND window) {
  SetFocus(window);
  Call(grid, L"SetFocusedCell", {Long(2), Long(1)});
  PostMessageW(window, WM_CHAR, 'a', 1);
  Pump(50);
  HWND editor = FindEditor(window);
  CHECK(editor && IsWindowVisible(editor));
}

void Fire(Trigger trigger, HWND window) {
  switch (trigger) {
    case Trigger::Click: PostClick(window, WM_LBUTTONDOWN, 125, 50); break;
    case Trigger::DoubleClickWhileEditing: PostClick(window, WM_LBUTTONDBLCLK, 175, 70); break;
    case Trigger::DownInEditor: PostMessageW(FindEditor(window), WM_KEYDOWN, VK_DOWN, 0x00500001); break;
    case Trigger::TabInEditor: PostMessageW(FindEditor(window), WM_KEYDOWN, VK_TAB, 0x000F0001); break;
  }
}

void RunCase(HWND top, Trigger trigger, Action action) {
  std::string name = std::string(Name(action)) + " from a handler after a " + Name(trigger);
  AtlEmbedding atl;
  if (!EmbedInAtl(top, RECT{0, 0, 400, 300}, atl)) return;
  IDispatch* dispatch = nullptr;
  atl.control->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&dispatch));
  EventSink sink;
  IConnectionPoint* point = nullptr;
  DWORD cookie = 0;
  if (!CHECK(dispatch && SUCCEEDED(AdviseEvents(atl.control, &sink, &point, &cookie)))) return;
  IStream* saved = SavedState(atl.control);
  if (trigger != Trigger::Click) StartEdit(dispatch, atl.grid);
  sink.events.clear();

  bool acted = false;
  sink.onEvent = [&](const ReceivedEvent&) {
    if (acted) return;
    acted = true;
    if (action == Action::Reload) {
      IPersistStreamInit* persist = nullptr;
      atl.control->QueryInterface(IID_IPersistStreamInit, reinterpret_cast<void**>(&persist));
      CHECK(persist && SUCCEEDED(persist->Load(saved)));
      if (persist) persist->Release();
      return;
    }
    // The host lets go of everything it holds, and its window.
    point->Release();
    point = nullptr;
    dispatch->Release();
    dispatch = nullptr;
    atl.control->Release();
    atl.control = nullptr;
    DestroyWindow(atl.ax);
  };
  Fire(trigger, atl.grid);
  Pump(150);
  sink.onEvent = nullptr;
  Check(acted, (name + ": an event fired").c_str(), __FILE__, __LINE__);

  if (action == Action::DestroyContainer) {
    Check(!IsWindow(atl.grid), (name + ": the window is gone").c_str(), __FILE__, __LINE__);
    Check(sink.Refs() == 1, (name + ": the sink is let go").c_str(), __FILE__, __LINE__);
    Check(ModuleCanUnloadNow() == S_OK, (name + ": nothing of the control is left").c_str(), __FILE__, __LINE__);
  } else {
    // A new grid in a new window at the same place, which works: cell (3, 3)
    // spans x 150..199, y 60..79.
    HWND window = GridWindowOf(atl.control);
    bool fresh = window && IsWindow(window) && window != atl.grid && GetParent(window) == atl.ax &&
                 CallLong(dispatch, L"Rows") == 5 && CallLong(dispatch, L"GetCurrentRow") == -1;
    Check(fresh, (name + ": a fresh grid in place").c_str(), __FILE__, __LINE__);
    sink.events.clear();
    if (window) PostClick(window, WM_LBUTTONDOWN, 175, 70);
    Pump(100);
    bool selected = sink.events == std::vector<ReceivedEvent>{{1, 3, 3}};
    Check(selected, (name + ": the new grid fires its events").c_str(), __FILE__, __LINE__);
    point->Unadvise(cookie);
    point->Release();
    dispatch->Release();
    atl.control->Release();
    DestroyWindow(atl.ax);
    Pump(30);
  }
  if (saved) saved->Release();
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
