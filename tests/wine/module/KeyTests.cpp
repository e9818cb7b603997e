// Keys reach the real control as the user types them (through the thread's
// queue, posted or from SendInput) and as the editor forwards them (sent),
// in a container that pre-translates keys (ours, UI-active: every message
// is offered to TranslateAccelerator first) and one that never does (Wine's
// ATL host). Each step checks the events in order, the focus cell and
// whether the editor shows.
#include "../../../tools/demohost/OleContainer.h"
#include "EventSink.h"

#include <cstdio>
#include <functional>

namespace ModuleTest {

namespace {

using TzGridHost::OleContainer;

// The lParam of a key press as the keyboard makes it: repeat 1, scan code.
constexpr LPARAM kTabPress = 0x000F0001;
constexpr LPARAM kEnterPress = 0x001C0001;

struct KeyBench {
  const char* container;
  HWND grid;
  IDispatch* dispatch;
  EventSink* sink;
  // Runs the container's message loop for about ms milliseconds.
  std::function<void(DWORD ms)> pump;
};

HWND Editor(HWND grid) { return FindWindowExW(grid, nullptr, L"Edit", nullptr); }

bool EditorShown(HWND grid) {
  HWND editor = Editor(grid);
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
  CHECK(EditorShown(b.grid) && GetFocus() == Editor(b.grid));
  b.sink->events.clear();
}

void SendToEditor(KeyBench& b, UINT key, LPARAM lParam) {
  SendMessageW(Editor(b.grid), WM_KEYDOWN, key, lParam);
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

// Cells are 50 x 20 pixels, 5 x 5, row 0 fixed; column 4 is the last.
void RunKeySteps(KeyBench& b) {
  const ReceivedEvent exited21{2, 2, 1}, exited22{2, 2, 2}, exited24{2, 2, 4};

  // What the editor sends: Enter as a Tab to the grid, Up and Down as they are.
  StartTypingEdit(b, 2, 1);
  SendToEditor(b, VK_RETURN, 0);
  Expect(b, "Enter sent by the editor, mid-row", 2, 2, false, {exited21});
  StartTypingEdit(b, 2, 4);
  SendToEditor(b, VK_RETURN, 0);
  Expect(b, "Enter sent by the editor, last column", 2, 4, true, {});
  PostMessageW(Editor(b.grid), WM_CHAR, 'b', 0x00300001);
  b.pump(30);
  CHECK(CallText(b.dispatch, L"GetCellText", {Long(2), Long(4)}) == L"ab");  // the edit went on
  StartTypingEdit(b, 2, 2);
  HoldShift(true);
  SendToEditor(b, VK_RETURN, 0);
  HoldShift(false);
  Expect(b, "Shift+Enter sent by the editor", 2, 2, true, {});
  StartTypingEdit(b, 2, 2);
  SendToEditor(b, VK_UP, 0);
  Expect(b, "Up sent by the editor", 1, 2, false, {exited22});
  StartTypingEdit(b, 2, 2);
  SendToEditor(b, VK_DOWN, 0);
  Expect(b, "Down sent by the editor", 3, 2, false, {exited22});

  // What the user types, through the container's message loop.
  StartTypingEdit(b, 2, 1);
  PostToFocus(b, VK_RETURN, kEnterPress);
  Expect(b, "typed Enter, mid-row", 2, 2, false, {exited21});
  StartTypingEdit(b, 2, 4);
  PostToFocus(b, VK_RETURN, kEnterPress);
  Expect(b, "typed Enter, last column", 2, 4, true, {});
  StartTypingEdit(b, 2, 2);
  HoldShift(true);
  PostToFocus(b, VK_RETURN, kEnterPress);
  HoldShift(false);
  Expect(b, "typed Shift+Enter", 2, 2, true, {});
  StartTypingEdit(b, 2, 1);
  PostToFocus(b, VK_TAB, kTabPress);
  Expect(b, "typed Tab while editing, mid-row", 2, 2, false, {exited21});
  StartTypingEdit(b, 2, 4);
  PostToFocus(b, VK_TAB, kTabPress);
  Expect(b, "typed Tab while editing, last column", 2, 4, true, {exited24});
  StartTypingEdit(b, 2, 2);
  HoldShift(true);
  PostToFocus(b, VK_TAB, kTabPress);
  HoldShift(false);
  Expect(b, "typed Shift+Tab while editing", 2, 1, false, {exited22});
  StartTypingEdit(b, 2, 2);
  PostToFocus(b, VK_UP, 0x00480001);
  Expect(b, "typed Up while editing", 1, 2, false, {exited22});
  StartTypingEdit(b, 2, 2);
  PostToFocus(b, VK_DOWN, 0x00500001);
  Expect(b, "typed Down while editing", 3, 2, false, {exited22});

  // Not editing: moves without events.
  FocusCell(b, 3, 1);
  PostToFocus(b, VK_TAB, kTabPress);
  Expect(b, "typed Tab", 3, 2, false, {});
  HoldShift(true);
  PostToFocus(b, VK_TAB, kTabPress);
  HoldShift(false);
  Expect(b, "typed Shift+Tab", 3, 1, false, {});
  PostToFocus(b, VK_DOWN, 0x00500001);
  Expect(b, "typed Down", 4, 1, false, {});
  PostToFocus(b, VK_UP, 0x00480001);
  Expect(b, "typed Up", 3, 1, false, {});
  SendMessageW(b.grid, WM_KEYDOWN, VK_TAB, 0);  // a host's own Tab: the key handler's move
  b.pump(30);
  Expect(b, "Tab sent to the grid", 3, 2, false, {});

  // Keys from the system's input queue, with the real Shift key.
  SetForegroundWindow(GetAncestor(b.grid, GA_ROOT));
  StartTypingEdit(b, 2, 1);
  TypeWithInput(b, {VK_TAB});
  Expect(b, "Tab from SendInput while editing", 2, 2, false, {exited21});
  StartTypingEdit(b, 2, 2);
  TypeWithInput(b, {VK_SHIFT, VK_TAB});
  Expect(b, "Shift+Tab from SendInput while editing", 2, 1, false, {exited22});
  StartTypingEdit(b, 2, 1);
  TypeWithInput(b, {VK_RETURN});
  Expect(b, "Enter from SendInput", 2, 2, false, {exited21});
  StartTypingEdit(b, 2, 2);
  TypeWithInput(b, {VK_SHIFT, VK_RETURN});
  Expect(b, "Shift+Enter from SendInput", 2, 2, true, {});
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
    auto pump = [site, &translated](DWORD ms) {
      DWORD start = GetTickCount();
      do {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
          if (site->OfferAccelerator(&msg)) {
            ++translated;
            continue;
          }
          TranslateMessage(&msg);
          DispatchMessageW(&msg);
        }
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
      } while (GetTickCount() - start < ms);
    };
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
