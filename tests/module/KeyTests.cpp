// Keys reach the real control as the user types them (through the thread's
// queue, posted or from SendInput) and as the editor forwards them (sent),
// in a container that pre-translates keys (ours, UI-active: every message
// is offered to TranslateAccelerator first) and one that never does (Wine's
// ATL host). Each step checks the events in order, the focus cell and
// whether the editor shows.
#include "../../tools/demohost/OleContainer.h"
#include "EventSink.h"

#include <cstdio>
#include <functional>

namespace ModuleTest {

namespace {

using TzGridHost::OleContainer;

struct KeyBench {
  const char* container;
  HWND grid;
  IDispatch* dispatch;
  EventSink* sink;
  // Runs the container's message loop for about ms milliseconds.
  std::function<void(DWORD ms)> pump;
};

bool EditorShown(HWND grid) {
  HWND editor = FindEditor(grid);
  return editor && IsWindowVisible(editor);
}

void HoldShift(bool down) {
  BYTE keys[256];
  GetKeyboardState(keys);
  keys[VK_SHIFT] = down ? 0x80 : 0;
  SetKeyboardState(keys);
}

std::string Describe(const std::vector<ReceivedEvent>& events) {
  std::string text;
  for (const ReceivedEvent& e : events) {
    text += " (" + std::to_string(e.dispid) + ": " + std::to_string(e.row) + ", " + std::to_string(e.column) + ")";
  }
  return text.empty() ? " none" : text;
}

// The state after one step: the focus cell, the editor, the events fired.
void Expect(KeyBench& b, const char* step, LONG row, LONG column, bool editorShown,
            const std::vector<ReceivedEvent>& events) {
  LONG gotRow = CallLong(b.dispatch, L"GetCurrentRow");
  LONG gotColumn = CallLong(b.dispatch, L"GetCurrentColumn");
  bool gotEditor = EditorShown(b.grid);
  bool same = gotRow == row && gotColumn == column && gotEditor == editorShown && b.sink->events == events;
  if (!same) {
    std::printf("  %s, %s: focus (%ld, %ld) editor %s, events%s; expected (%ld, %ld) editor %s, events%s\n",
                b.container, step, gotRow, gotColumn, gotEditor ? "shown" : "hidden",
                Describe(b.sink->events).c_str(), row, column, editorShown ? "shown" : "hidden",
                Describe(events).c_str());
  }
  Check(same, (std::string(b.container) + ": " + step).c_str(), __FILE__, __LINE__);
}

// Puts the focus on a cell with the grid's window holding the keyboard
// focus and no edit showing.
void FocusCell(KeyBench& b, LONG row, LONG column) {
  // An edit the last step left open ends as a host ends it, without an
  // event: its cell's text set again.
  LONG focusRow = CallLong(b.dispatch, L"GetCurrentRow");
  LONG focusColumn = CallLong(b.dispatch, L"GetCurrentColumn");
  if (focusRow >= 0 && focusColumn >= 0) {
    std::wstring text = CallText(b.dispatch, L"GetCellText", {Long(focusRow), Long(focusColumn)});
    Call(b.dispatch, L"SetCellText", {Long(focusRow), Long(focusColumn), Text(text.c_str())});
  }
  SetFocus(b.grid);
  CHECK_HR(Call(b.dispatch, L"SetFocusedCell", {Long(row), Long(column)}), S_OK);
  b.pump(30);
  b.sink->events.clear();
}

// Types a letter on the focus cell: the editor opens over it with the focus.
void StartTypingEdit(KeyBench& b, LONG row, LONG column) {
  FocusCell(b, row, column);
  PostMessageW(b.grid, WM_CHAR, 'a', 0x001E0001);
  b.pump(60);
  CHECK(EditorShown(b.grid) && GetFocus() == FindEditor(b.grid));
  b.sink->events.clear();
}

void SendToEditor(KeyBench& b, UINT key, LPARAM lParam) {
  SendMessageW(FindEditor(b.grid), WM_KEYDOWN, key, lParam);
  b.pump(30);
}

void PostToFocus(KeyBench& b, UINT key, LPARAM lParam) {
  PostMessageW(GetFocus(), WM_KEYDOWN, key, lParam);
  PostMessageW(GetFocus(), WM_KEYUP, key, lParam | 0xC0000000);
  b.pump(60);
}

void TypeWithInput(KeyBench& b, std::vector<WORD> keysDown) {
  std::vector<INPUT> inputs;
  for (WORD key : keysDown) {
    INPUT in{};
    in.type = INPUT_KEYBOARD;
    in.ki.wVk = key;
    inputs.push_back(in);
  }
  for (auto key = keysDown.rbegin(); key != keysDown.rend(); ++key) {
    INPUT in{};
    in.type = INPUT_KEYBOARD;
    in.ki.wVk = *key;
    in.ki.dwFlags = KEYEVENTF_KEYUP;
    inputs.push_back(in);
  }
  SendInput(UINT(inputs.size()), inputs.data(), sizeof(INPUT));
  b.pump(250);
}

// How a key reaches the control.
enum class Route {
  SentToEditor,  // as the editor forwards it: SendMessage, never queued
  Typed,         // posted to the window with the focus, through the loop
  Input,         // from the system's input queue (SendInput), real Shift
};

struct KeyStep {
  const char* name;
  bool editing;  // a typing edit open on the start cell first
  LONG row, column;
  Route route;
  WORD key;
  bool shift;
  LONG wantRow, wantColumn;
  bool wantEditor;
  std::vector<ReceivedEvent> wantEvents;
};

// Cells are 50 x 20 pixels, 5 x 5, row 0 fixed; column 4 is the last.
const ReceivedEvent kExited21{2, 2, 1}, kExited22{2, 2, 2}, kExited24{2, 2, 4};
const std::vector<KeyStep> kKeySteps = {
    // The editor sends Enter as a Tab to the grid, Up and Down as they are.
    {"Enter sent by the editor, mid-row", true, 2, 1, Route::SentToEditor, VK_RETURN, false, 2, 2, false, {kExited21}},
    {"Enter sent by the editor, last column", true, 2, 4, Route::SentToEditor, VK_RETURN, false, 2, 4, true, {}},
    {"Shift+Enter sent by the editor", true, 2, 2, Route::SentToEditor, VK_RETURN, true, 2, 2, true, {}},
    {"Up sent by the editor", true, 2, 2, Route::SentToEditor, VK_UP, false, 1, 2, false, {kExited22}},
    {"Down sent by the editor", true, 2, 2, Route::SentToEditor, VK_DOWN, false, 3, 2, false, {kExited22}},
    // What the user types, through the container's message loop.
    {"typed Enter, mid-row", true, 2, 1, Route::Typed, VK_RETURN, false, 2, 2, false, {kExited21}},
    {"typed Enter, last column", true, 2, 4, Route::Typed, VK_RETURN, false, 2, 4, true, {}},
    {"typed Shift+Enter", true, 2, 2, Route::Typed, VK_RETURN, true, 2, 2, true, {}},
    {"typed Tab while editing, mid-row", true, 2, 1, Route::Typed, VK_TAB, false, 2, 2, false, {kExited21}},
    {"typed Tab while editing, last column", true, 2, 4, Route::Typed, VK_TAB, false, 2, 4, true, {kExited24}},
    {"typed Shift+Tab while editing", true, 2, 2, Route::Typed, VK_TAB, true, 2, 1, false, {kExited22}},
    {"typed Up while editing", true, 2, 2, Route::Typed, VK_UP, false, 1, 2, false, {kExited22}},
    {"typed Down while editing", true, 2, 2, Route::Typed, VK_DOWN, false, 3, 2, false, {kExited22}},
    // Not editing: moves without events, and no edit opens on the new cell.
    {"typed Tab", false, 3, 1, Route::Typed, VK_TAB, false, 3, 2, false, {}},
    {"typed Shift+Tab", false, 3, 2, Route::Typed, VK_TAB, true, 3, 1, false, {}},
    {"typed Down", false, 3, 1, Route::Typed, VK_DOWN, false, 4, 1, false, {}},
    {"typed Up", false, 4, 1, Route::Typed, VK_UP, false, 3, 1, false, {}},
    // Keys from the system's input queue.
    {"Tab from SendInput while editing", true, 2, 1, Route::Input, VK_TAB, false, 2, 2, false, {kExited21}},
    {"Shift+Tab from SendInput while editing", true, 2, 2, Route::Input, VK_TAB, true, 2, 1, false, {kExited22}},
    {"Enter from SendInput", true, 2, 1, Route::Input, VK_RETURN, false, 2, 2, false, {kExited21}},
    {"Shift+Enter from SendInput", true, 2, 2, Route::Input, VK_RETURN, true, 2, 2, true, {}},
};

// The lParam of a key press as the keyboard makes it: repeat 1, scan code.
LPARAM PressOf(WORD key) {
  UINT scan = MapVirtualKeyW(key, MAPVK_VK_TO_VSC);
  return LPARAM(1 | (scan << 16));
}

void Deliver(KeyBench& b, const KeyStep& step) {
  if (step.route == Route::Input) {
    std::vector<WORD> keys;
    if (step.shift) keys.push_back(VK_SHIFT);
    keys.push_back(step.key);
    TypeWithInput(b, keys);
    return;
  }
  HoldShift(step.shift);
  if (step.route == Route::SentToEditor) {
    SendToEditor(b, step.key, 0);
  } else {
    PostToFocus(b, step.key, PressOf(step.key));
  }
  HoldShift(false);
}

void RunKeySteps(KeyBench& b) {
  SetForegroundWindow(GetAncestor(b.grid, GA_ROOT));
  for (const KeyStep& step : kKeySteps) {
    if (step.editing) {
      StartTypingEdit(b, step.row, step.column);
    } else {
      FocusCell(b, step.row, step.column);
    }
    Deliver(b, step);
    Expect(b, step.name, step.wantRow, step.wantColumn, step.wantEditor, step.wantEvents);
  }
  // An Enter that found no cell to its right left the edit open: the next
  // character still lands in the cell.
  StartTypingEdit(b, 2, 4);
  SendToEditor(b, VK_RETURN, 0);
  PostMessageW(FindEditor(b.grid), WM_CHAR, 'b', 0x00300001);
  b.pump(30);
  CHECK(CallText(b.dispatch, L"GetCellText", {Long(2), Long(4)}) == L"ab");
  // A host's own Tab, sent to the grid, is a plain key: the key handler's move.
  FocusCell(b, 3, 1);
  SendMessageW(b.grid, WM_KEYDOWN, VK_TAB, 0);
  b.pump(30);
  Expect(b, "Tab sent to the grid", 3, 2, false, {});
}

void RunInAtl(HWND top) {
  AtlEmbedding atl;
  if (!EmbedInAtl(top, RECT{0, 0, 400, 300}, atl)) return;
  IDispatch* dispatch = nullptr;
  atl.control->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&dispatch));
  EventSink sink;
  IConnectionPoint* point = nullptr;
  DWORD cookie = 0;
  if (CHECK(dispatch && SUCCEEDED(AdviseEvents(atl.control, &sink, &point, &cookie)))) {
    KeyBench bench{"ATL host", atl.grid, dispatch, &sink, [](DWORD ms) { Pump(ms); }};
    RunKeySteps(bench);
    point->Unadvise(cookie);
    point->Release();
  }
  if (dispatch) dispatch->Release();
  atl.control->Release();
  DestroyWindow(atl.ax);
  Pump(30);
}

void RunInOwnContainer(HWND top) {
  OleContainer* site = nullptr;
  HRESULT hr = OleContainer::Create(top, RECT{0, 0, 400, 300}, kProgId, &site);
  if (!Check(SUCCEEDED(hr), ("embedding: " + Hex(hr)).c_str(), __FILE__, __LINE__)) return;
  CHECK_HR(site->UiActivate(), S_OK);
  IDispatch* dispatch = nullptr;
  site->Control()->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&dispatch));
  EventSink sink;
  IConnectionPoint* point = nullptr;
  DWORD cookie = 0;
  int translated = 0;
  if (CHECK(site->HasActiveObject() && dispatch &&
            SUCCEEDED(AdviseEvents(site->Control(), &sink, &point, &cookie)))) {
    auto pump = [site, &translated](DWORD ms) { translated += PumpThroughContainer(site, ms); };
    KeyBench bench{"own container", site->ControlWindow(), dispatch, &sink, pump};
    RunKeySteps(bench);
    // Every typed Tab went through the container's translation: five posted,
    // two from SendInput.
    CHECK(translated == 7);
    point->Unadvise(cookie);
    point->Release();
  }
  if (dispatch) dispatch->Release();
  site->Close();
  site->Release();
}

}  // namespace

void RunKeyTests() {
  HWND top = CreateHostWindow(L"TzGrid keys", 420, 320);
  RunInAtl(top);
  RunInOwnContainer(top);
  DestroyWindow(top);
}

}  // namespace ModuleTest
