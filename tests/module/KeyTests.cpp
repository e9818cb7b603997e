// Keys reach the real control as the user types them (posted through the
// thread's queue), in a container that pre-translates keys (ours,
// UI-active: every message is offered to TranslateAccelerator first) and
// one that never does (Wine's ATL host). Each step checks the events in
// order, the focus cell and whether the editor shows.
#include "../../tools/demohost/OleContainer.h"
#include "HostKit.h"

namespace ModuleTest {

namespace {

const char* Name(Container kind) { return kind == Container::Atl ? "ATL host" : "own container"; }

void HoldShift(bool down) {
  BYTE keys[256];
  GetKeyboardState(keys);
  keys[VK_SHIFT] = down ? 0x80 : 0;
  SetKeyboardState(keys);
}

// The focus cell, the editor and the events fired after a step, as text.
std::string State(LONG row, LONG column, bool editorShown, const std::vector<ReceivedEvent>& events) {
  return "focus (" + std::to_string(row) + ", " + std::to_string(column) + "), editor " +
         (editorShown ? "shown" : "hidden") + ", events" + Describe(events);
}

struct KeyStep {
  const char* name;
  bool editing;  // a typing edit open on the start cell first
  LONG row, column;
  WORD key;
  bool shift;
  LONG wantRow, wantColumn;
  bool wantEditor;
  std::vector<ReceivedEvent> wantEvents;
};

// Cells are 50 x 20 pixels, 5 x 5, row 0 fixed; column 4 is the last.
const ReceivedEvent kExited21{2, 2, 1}, kExited22{2, 2, 2}, kExited24{2, 2, 4};
const std::vector<KeyStep> kKeySteps = {
    // What the user types, through the container's message loop: the
    // editor hands Enter to the grid as a Tab, Up and Down as they are.
    {"typed Enter, mid-row", true, 2, 1, VK_RETURN, false, 2, 2, false, {kExited21}},
    {"typed Enter, last column", true, 2, 4, VK_RETURN, false, 2, 4, true, {}},
    {"typed Shift+Enter", true, 2, 2, VK_RETURN, true, 2, 2, true, {}},
    {"typed Tab while editing, mid-row", true, 2, 1, VK_TAB, false, 2, 2, false, {kExited21}},
    {"typed Tab while editing, last column", true, 2, 4, VK_TAB, false, 2, 4, true, {kExited24}},
    {"typed Shift+Tab while editing", true, 2, 2, VK_TAB, true, 2, 1, false, {kExited22}},
    {"typed Down while editing", true, 2, 2, VK_DOWN, false, 3, 2, false, {kExited22}},
    // Not editing: moves without events, and no edit opens on the new cell.
    {"typed Tab", false, 3, 1, VK_TAB, false, 3, 2, false, {}},
    {"typed Shift+Tab", false, 3, 2, VK_TAB, true, 3, 1, false, {}},
};

// The key posted to the window with the focus, through the container's loop.
void Deliver(Hosted& h, const KeyStep& step) {
  HoldShift(step.shift);
  PostKey(step.key);
  h.Pump(60);
  HoldShift(false);
}

void RunKeySteps(Hosted& h) {
  SetForegroundWindow(GetAncestor(h.window, GA_ROOT));
  for (const KeyStep& step : kKeySteps) {
    if (step.editing) {
      h.StartEdit(step.row, step.column);
    } else {
      h.FocusCell(step.row, step.column);
    }
    Deliver(h, step);
    std::string got = State(CallLong(h.grid, L"GetCurrentRow"), CallLong(h.grid, L"GetCurrentColumn"),
                            EditorShown(h.window), h.sink.events);
    std::string want = State(step.wantRow, step.wantColumn, step.wantEditor, step.wantEvents);
    Check(got == want, std::string(Name(h.kind)) + ", " + step.name + ": " + got + "; expected " + want, __FILE__,
          __LINE__);
  }
}

// A click selects a cell, a second click opens the editor on its text;
// what the user then types goes on from the end of that text.
void TypeIntoClickedEdit(Hosted& h) {
  h.FocusCell(1, 1);
  CHECK_HR(Call(h.grid, L"SetCellText", {Long(2), Long(2), Text(L"Estmere")}), S_OK);
  for (int click = 0; click < 2; ++click) {
    PostClick(h.window, 125, 50);
    h.Pump(60);
  }
  if (!CHECK(EditorShown(h.window) && GetFocus() == FindEditor(h.window))) return;
  for (wchar_t ch : std::wstring(L"Zed")) PostMessageW(GetFocus(), WM_CHAR, ch, 1);
  h.Pump(60);
  std::wstring got = CallText(h.grid, L"GetCellText", {Long(2), Long(2)});
  Check(got == L"EstmereZed", std::string(Name(h.kind)) + ", typed after a click edit: " + Narrow(got), __FILE__,
        __LINE__);
}

}  // namespace

void RunKeyTests() {
  HWND top = CreateHostWindow(L"TzGrid keys", 420, 320);
  if (Hosted atl(Container::Atl, top, RECT{0, 0, 400, 300}); atl.ok()) {
    RunKeySteps(atl);
    TypeIntoClickedEdit(atl);
  }
  if (Hosted own(Container::Own, top, RECT{0, 0, 400, 300});
      own.ok() && CHECK(SUCCEEDED(own.site->UiActivate()) && own.site->HasActiveObject())) {
    RunKeySteps(own);
    // Every typed Tab went through the container's translation.
    CHECK(own.translated == 5);
    TypeIntoClickedEdit(own);
  }
  DestroyWindow(top);
}

}  // namespace ModuleTest
