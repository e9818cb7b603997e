// The grid through Microsoft Active Accessibility, as a screen reader meets
// it: the accessible object of the control's window, its cells and headers,
// their places on screen against where the grid's own mouse finds them,
// the win events of the user's steps, a million-row grid, and an object
// held across the control's death. run.sh runs this group under Wine's
// heap checks.
#include <oleacc.h>
#include <psapi.h>

#include "HostKit.h"

namespace ModuleTest {

namespace {

// The test grid: 6 columns x 30 rows of 50 x 20 pixels in a 300 x 200
// control; row 0 the header band, column 0 the fixed strip, column 3 of
// width 0. With the identity order a display position is its column.
constexpr LONG kCols = 6, kRows = 30;
LONG IdOf(LONG row, LONG pos, LONG cols = kCols) { return 1 + row * cols + pos; }

VARIANT Child(LONG id) { return Long(id); }

ComPtr<IAccessible> FromWindow(HWND hwnd) {
  ComPtr<IAccessible> acc;
  HRESULT hr = AccessibleObjectFromWindow(hwnd, DWORD(OBJID_CLIENT), __uuidof(IAccessible),
                                          reinterpret_cast<void**>(acc.GetAddressOf()));
  Check(SUCCEEDED(hr) && acc, "AccessibleObjectFromWindow: " + Hex(hr), __FILE__, __LINE__);
  return acc;
}

std::wstring TakeText(BSTR text) {
  std::wstring s = text ? std::wstring(text, SysStringLen(text)) : std::wstring();
  SysFreeString(text);
  return s;
}
using TextGetter = HRESULT (STDMETHODCALLTYPE IAccessible::*)(VARIANT, BSTR*);
std::wstring TextOf(IAccessible* acc, LONG id, TextGetter get = &IAccessible::get_accName) {
  BSTR text = nullptr;
  (acc->*get)(Child(id), &text);
  return TakeText(text);
}
std::wstring Description(IAccessible* acc, LONG id) { return TextOf(acc, id, &IAccessible::get_accDescription); }
// A VARIANT answer as a child id or number: VT_EMPTY and failures as -1.
template <class Ask>
LONG ChildOf(Ask&& ask) {
  VARIANT v;
  VariantInit(&v);
  const HRESULT hr = ask(&v);
  return SUCCEEDED(hr) && v.vt == VT_I4 ? v.lVal : -1;
}
LONG Role(IAccessible* acc, LONG id) { return ChildOf([&](VARIANT* v) { return acc->get_accRole(Child(id), v); }); }
LONG State(IAccessible* acc, LONG id) { return ChildOf([&](VARIANT* v) { return acc->get_accState(Child(id), v); }); }
LONG Navigate(IAccessible* acc, LONG from, long direction) {
  return ChildOf([&](VARIANT* v) { return acc->accNavigate(direction, Child(from), v); });
}
LONG HitTest(IAccessible* acc, LONG x, LONG y) { return ChildOf([&](VARIANT* v) { return acc->accHitTest(x, y, v); }); }
LONG Focus(IAccessible* acc) { return ChildOf([&](VARIANT* v) { return acc->get_accFocus(v); }); }
RECT Location(IAccessible* acc, LONG id) {
  long x = 0, y = 0, w = 0, h = 0;
  acc->accLocation(&x, &y, &w, &h, Child(id));
  return RECT{x, y, x + w, y + h};
}
bool SameRect(const RECT& a, const RECT& b) {
  return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}
POINT ScreenOrigin(HWND hwnd) {
  POINT origin{0, 0};
  ClientToScreen(hwnd, &origin);
  return origin;
}

void FillTestGrid(Hosted& h) {
  IDispatch* g = h.grid;
  Call(g, L"SetNumColumns", {Long(kCols)});
  Call(g, L"SetNumRows", {Long(kRows)});
  Call(g, L"SetNumFixedColumns", {Long(1)});
  const wchar_t* headers[kCols] = {L"City", L"Area", L"Population", L"Hidden", L"Founded", L"Mayor"};
  for (LONG c = 0; c < kCols; ++c) {
    Call(g, L"SetCellText", {Long(0), Long(c), Text(headers[c])});
    Call(g, L"SetCellHeaderFlag", {Long(0), Long(c), Long(1)});
  }
  Call(g, L"SetCellSortState", {Long(0), Long(2), Long(2)});
  Call(g, L"SetColumnWidth", {Long(3), Long(0)});
  Call(g, L"SetCellText", {Long(5), Long(0), Text(L"Oslo")});
  Call(g, L"SetCellText", {Long(5), Long(2), Text(L"42")});
  Call(g, L"SetCellReadOnlyFlag", {Long(2), Long(2)});
  SetWindowTextW(h.window, L"Census");
  h.Pump(60);
}

// Every property of the table and of cells of each kind; bad arguments.
void CheckProperties(Hosted& h, IAccessible* acc) {
  long count = 0;
  CHECK(acc->get_accChildCount(&count) == S_OK && count == kCols * kRows);
  CHECK(Role(acc, CHILDID_SELF) == ROLE_SYSTEM_TABLE && TextOf(acc, CHILDID_SELF) == L"Census");
  CHECK(Description(acc, CHILDID_SELF) == L"6 columns, 30 rows");
  // The parent is the system's object of the grid's window (Wine 8 makes
  // it as far as its window: its properties answer E_NOTIMPL).
  ComPtr<IDispatch> parent;
  CHECK_HR(acc->get_accParent(parent.GetAddressOf()), S_OK);
  auto window = Query<IAccessible>(parent.Get());
  HWND parentWindow = nullptr, tableWindow = nullptr;
  CHECK(window && SUCCEEDED(WindowFromAccessibleObject(window.Get(), &parentWindow)) && parentWindow == h.window);
  CHECK(SUCCEEDED(WindowFromAccessibleObject(acc, &tableWindow)) && tableWindow == h.window);
  ComPtr<IDispatch> cellObject;
  CHECK_HR(acc->get_accChild(Child(IdOf(5, 2)), cellObject.GetAddressOf()), S_FALSE);  // a simple element

  CHECK(Role(acc, IdOf(0, 2)) == ROLE_SYSTEM_COLUMNHEADER && TextOf(acc, IdOf(0, 2)) == L"Population (D)");
  CHECK(Role(acc, IdOf(5, 0)) == ROLE_SYSTEM_ROWHEADER && TextOf(acc, IdOf(5, 0)) == L"Oslo");
  CHECK(Role(acc, IdOf(5, 2)) == ROLE_SYSTEM_CELL && TextOf(acc, IdOf(5, 2), &IAccessible::get_accValue) == L"42");
  CHECK(Description(acc, IdOf(5, 2)) == L"Population (D), Oslo, row 6");
  const LONG hidden = STATE_SYSTEM_INVISIBLE | STATE_SYSTEM_OFFSCREEN;
  const LONG takesFocus = STATE_SYSTEM_FOCUSABLE | STATE_SYSTEM_SELECTABLE;
  CHECK(State(acc, IdOf(2, 2)) == (takesFocus | STATE_SYSTEM_READONLY));
  CHECK(State(acc, IdOf(0, 1)) == STATE_SYSTEM_READONLY);  // a painted header
  CHECK((State(acc, IdOf(29, 1)) & hidden) == hidden && (State(acc, IdOf(4, 3)) & hidden) == hidden);

  // Focus belongs to the focus cell while the grid has the keyboard focus.
  SetFocus(h.window);
  CHECK_HR(Call(h.grid, L"SetFocusedCell", {Long(4), Long(1)}), S_OK);
  CHECK(Focus(acc) == IdOf(4, 1));
  CHECK(State(acc, IdOf(4, 1)) == (takesFocus | STATE_SYSTEM_FOCUSED | STATE_SYSTEM_SELECTED));
  SetFocus(GetParent(h.window));
  CHECK(Focus(acc) == -1 && State(acc, IdOf(4, 1)) == takesFocus);
  CHECK(TextOf(acc, IdOf(4, 1), &IAccessible::get_accDefaultAction) == L"Edit");
  CHECK(TextOf(acc, IdOf(2, 2), &IAccessible::get_accDefaultAction).empty());

  // Bad arguments get an answer, never a crash.
  BSTR name = nullptr;
  VARIANT text, to;
  VariantInit(&to);
  VariantInit(&text);
  text.vt = VT_BSTR;
  text.bstrVal = SysAllocString(L"1");
  CHECK_HR(acc->get_accName(text, &name), E_INVALIDARG);
  VariantClear(&text);
  CHECK_HR(acc->get_accName(Child(kCols * kRows + 1), &name), E_INVALIDARG);
  CHECK_HR(acc->get_accRole(Child(-1), &to), E_INVALIDARG);
  CHECK_HR(acc->get_accName(Child(1), nullptr), E_POINTER);
  CHECK_HR(acc->accLocation(nullptr, nullptr, nullptr, nullptr, Child(1)), E_POINTER);
  CHECK_HR(acc->accNavigate(99, Child(1), &to), E_INVALIDARG);
  CHECK_HR(acc->accNavigate(NAVDIR_FIRSTCHILD, Child(1), &to), E_INVALIDARG);
  CHECK_HR(acc->accSelect(SELFLAG_ADDSELECTION, Child(IdOf(4, 2))), E_INVALIDARG);
  CHECK_HR(acc->accSelect(SELFLAG_TAKEFOCUS, Child(IdOf(0, 2))), DISP_E_MEMBERNOTFOUND);
  CHECK_HR(acc->accDoDefaultAction(Child(IdOf(2, 2))), DISP_E_MEMBERNOTFOUND);
  CHECK(!EditorShown(h.window));
}

// Each cell's location is where the grid's own mouse finds it: a click at
// its middle makes it the focus cell, and a hit test at its corners names
// it. Navigation steps over the hidden column and follows a moved one.
void CheckPlacesAndNavigation(Hosted& h, IAccessible* acc) {
  const POINT origin = ScreenOrigin(h.window);
  struct Place {
    LONG row, pos, left;
  };
  for (const Place& p : {Place{1, 1, 50}, Place{3, 2, 100}, Place{8, 4, 150}, Place{7, 5, 200}}) {
    const LONG id = IdOf(p.row, p.pos);
    const RECT got = Location(acc, id);
    const RECT want{origin.x + p.left, origin.y + 20 * p.row, origin.x + p.left + 50, origin.y + 20 * p.row + 20};
    Check(SameRect(got, want), "location of cell (" + std::to_string(p.row) + ", " + std::to_string(p.pos) + ")",
          __FILE__, __LINE__);
    for (POINT corner : {POINT{got.left, got.top}, POINT{got.right - 1, got.top}, POINT{got.left, got.bottom - 1},
                         POINT{got.right - 1, got.bottom - 1}}) {
      Check(HitTest(acc, corner.x, corner.y) == id, "hit test at a corner of child " + std::to_string(id), __FILE__,
            __LINE__);
    }
    PostClick(h.window, (got.left + got.right) / 2 - origin.x, (got.top + got.bottom) / 2 - origin.y);
    h.Pump(40);
    CHECK(CallLong(h.grid, L"GetCurrentRow") == p.row && CallLong(h.grid, L"GetCurrentColumn") == p.pos);
  }
  // The fixed strip stands for the row headers; right of the last column
  // is the table itself; off the window, nothing.
  CHECK(SameRect(Location(acc, IdOf(5, 0)), RECT{origin.x, origin.y + 100, origin.x + 50, origin.y + 120}));
  CHECK(HitTest(acc, origin.x + 10, origin.y + 105) == IdOf(5, 0));
  CHECK(HitTest(acc, origin.x + 260, origin.y + 50) == CHILDID_SELF);
  CHECK(HitTest(acc, origin.x - 5, origin.y + 50) == -1);
  RECT client{};
  GetClientRect(h.window, &client);
  const RECT table{origin.x, origin.y, origin.x + client.right, origin.y + client.bottom};
  CHECK(SameRect(Location(acc, CHILDID_SELF), table));

  // Over the zero-width column, into the header band, and nowhere at the edges.
  struct Step {
    LONG from;
    long direction;
    LONG to;
  };
  for (const Step& step : {Step{IdOf(3, 2), NAVDIR_RIGHT, IdOf(3, 4)}, Step{IdOf(3, 4), NAVDIR_LEFT, IdOf(3, 2)},
                           Step{IdOf(3, 5), NAVDIR_RIGHT, -1}, Step{IdOf(3, 0), NAVDIR_LEFT, -1},
                           Step{IdOf(1, 2), NAVDIR_UP, IdOf(0, 2)}, Step{IdOf(kRows - 1, 2), NAVDIR_DOWN, -1},
                           Step{CHILDID_SELF, NAVDIR_LASTCHILD, kCols * kRows}, Step{kCols * kRows, NAVDIR_NEXT, -1}}) {
    Check(Navigate(acc, step.from, step.direction) == step.to,
          "navigation " + std::to_string(step.direction) + " from " + std::to_string(step.from), __FILE__, __LINE__);
  }
  // Column 5 moved to display position 1: it is the first step right of
  // the row header, under its own header.
  Call(h.grid, L"SetCellText", {Long(3), Long(5), Text(L"Berg")});
  CHECK_HR(Call(h.grid, L"MoveColumn", {Long(5), Long(1)}), S_OK);
  const LONG moved = Navigate(acc, IdOf(3, 0), NAVDIR_RIGHT);
  CHECK(moved == IdOf(3, 1) && TextOf(acc, moved) == L"Berg");
  CHECK(Description(acc, moved) == L"Mayor, row 4");
  CHECK_HR(Call(h.grid, L"MoveColumn", {Long(5), Long(5)}), S_OK);
}

// ---- win events, received out of context as a screen reader receives them

struct WinEvent {
  DWORD event;
  LONG child;
  bool operator==(const WinEvent& o) const { return event == o.event && child == o.child; }
};
std::vector<WinEvent> g_events;
HWND g_eventWindow = nullptr;

void CALLBACK OnWinEvent(HWINEVENTHOOK, DWORD event, HWND hwnd, LONG idObject, LONG idChild, DWORD, DWORD) {
  // The system's own focus events for the window name no child: only the
  // grid's events about its cells, and its reorders, are kept.
  if (hwnd != g_eventWindow || idObject != OBJID_CLIENT) return;
  if (idChild == CHILDID_SELF && event != EVENT_OBJECT_REORDER) return;
  g_events.push_back(WinEvent{event, idChild});
}

std::string Describe(const std::vector<WinEvent>& events) {
  std::string text;
  for (const WinEvent& e : events) {
    const char* name = e.event == EVENT_OBJECT_FOCUS       ? "focus"
                       : e.event == EVENT_OBJECT_SELECTION ? "selection"
                       : e.event == EVENT_OBJECT_VALUECHANGE ? "value"
                       : e.event == EVENT_OBJECT_REORDER   ? "reorder"
                                                           : "other";
    text += std::string(" ") + name + "(" + std::to_string(e.child) + ")";
  }
  return text;
}

void ExpectEvents(Hosted& h, const char* step, const std::vector<WinEvent>& want) {
  h.Pump(80);
  Check(g_events == want, std::string(step) + ": got" + Describe(g_events) + ", expected" + Describe(want), __FILE__,
        __LINE__);
  g_events.clear();
}

std::vector<WinEvent> Moved(LONG id) { return {{EVENT_OBJECT_FOCUS, id}, {EVENT_OBJECT_SELECTION, id}}; }

void CheckEvents(Hosted& h, IAccessible* acc) {
  g_eventWindow = h.window;
  g_events.clear();
  HWINEVENTHOOK hook = SetWinEventHook(EVENT_OBJECT_REORDER, EVENT_OBJECT_VALUECHANGE, nullptr, OnWinEvent, 0, 0,
                                       WINEVENT_OUTOFCONTEXT);
  if (!CHECK(hook)) return;
  SetForegroundWindow(GetAncestor(h.window, GA_ROOT));
  SetFocus(GetParent(h.window));
  Call(h.grid, L"SetFocusedCell", {Long(1), Long(1)});
  ExpectEvents(h, "SetFocusedCell without the keyboard focus", {});

  SetFocus(h.window);
  ExpectEvents(h, "the keyboard focus taken", Moved(IdOf(1, 1)));

  PostClick(h.window, 125, 50);  // the cell (2, 2)
  ExpectEvents(h, "a click", Moved(IdOf(2, 2)));
  PostKey(VK_DOWN);
  ExpectEvents(h, "Down", Moved(IdOf(3, 2)));
  PostMessageW(h.window, WM_CHAR, 'x', 0x002D0001);  // a typing edit: emptied, then x
  ExpectEvents(h, "typing", {{EVENT_OBJECT_VALUECHANGE, IdOf(3, 2)}, {EVENT_OBJECT_VALUECHANGE, IdOf(3, 2)}});
  PostKey(VK_RETURN);  // in the editor: right, over the hidden column
  ExpectEvents(h, "Enter in the editor", Moved(IdOf(3, 4)));
  CHECK(CallText(h.grid, L"GetCellText", {Long(3), Long(2)}) == L"x");
  CHECK(OfferBlock(L"pasted", sizeof L"pasted"));
  PostMessageW(h.window, WM_CHAR, 0x16, 0x002F0001);  // Ctrl+V
  ExpectEvents(h, "a paste", {{EVENT_OBJECT_VALUECHANGE, IdOf(3, 4)}});
  CHECK(CallText(h.grid, L"GetCellText", {Long(3), Long(4)}) == L"pasted");
  CHECK_HR(Call(h.grid, L"SetCellText", {Long(8), Long(5), Text(L"host")}), S_OK);
  ExpectEvents(h, "SetCellText", {{EVENT_OBJECT_VALUECHANGE, IdOf(8, 5)}});

  // A header dragged from display position 4 and dropped on position 1.
  PostMessageW(h.window, WM_MOUSEMOVE, 0, MAKELPARAM(175, 10));
  PostMessageW(h.window, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(175, 10));
  PostMessageW(h.window, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(75, 10));
  PostMessageW(h.window, WM_LBUTTONUP, 0, MAKELPARAM(75, 10));
  ExpectEvents(h, "a column drag", {{EVENT_OBJECT_REORDER, CHILDID_SELF}});
  CHECK(TextOf(acc, IdOf(0, 1)) == L"Founded");
  // The focus cell (3, column 4) went with its column.
  CHECK(Focus(acc) == IdOf(3, 1));

  CHECK_HR(acc->accSelect(SELFLAG_TAKEFOCUS, Child(IdOf(6, 1))), S_OK);
  ExpectEvents(h, "accSelect", Moved(IdOf(6, 1)));
  CHECK(CallLong(h.grid, L"GetCurrentRow") == 6 && CallLong(h.grid, L"GetCurrentColumn") == 4);
  CHECK_HR(Call(h.grid, L"SetNumRows", {Long(kRows + 1)}), S_OK);
  ExpectEvents(h, "a row count", {{EVENT_OBJECT_REORDER, CHILDID_SELF}});

  // The default action edits, as a double click does; the editor says
  // which cell it edits.
  CHECK_HR(Call(h.grid, L"SetCellText", {Long(6), Long(1), Text(L"7")}), S_OK);
  h.Pump(50);  // the events of this step are posted: they arrive as messages
  g_events.clear();
  CHECK_HR(acc->accDoDefaultAction(Child(IdOf(6, 2))), S_OK);
  std::vector<WinEvent> opened = Moved(IdOf(6, 2));
  opened.push_back({EVENT_OBJECT_VALUECHANGE, IdOf(6, 2)});
  ExpectEvents(h, "accDoDefaultAction", opened);
  CHECK(EditorShown(h.window) && GetFocus() == FindEditor(h.window));
  if (ComPtr<IAccessible> editor = FromWindow(FindEditor(h.window))) {
    CHECK(TextOf(editor.Get(), CHILDID_SELF) == L"Editing Area, row 7");
    CHECK(Role(editor.Get(), CHILDID_SELF) == ROLE_SYSTEM_TEXT);
    CHECK(TextOf(editor.Get(), CHILDID_SELF, &IAccessible::get_accValue) == L"7");
  }
  UnhookWinEvent(hook);
  g_eventWindow = nullptr;
}

void RunTableTests(HWND top) {
  Hosted h(Container::Own, top, RECT{0, 0, 300, 200});
  if (!h.ok()) return;
  FillTestGrid(h);
  ComPtr<IAccessible> acc = FromWindow(h.window);
  if (!acc) return;
  CheckProperties(h, acc.Get());
  CheckPlacesAndNavigation(h, acc.Get());
  CheckEvents(h, acc.Get());
}

SIZE_T PrivateBytes() {
  PROCESS_MEMORY_COUNTERS_EX counters{};
  counters.cb = sizeof counters;
  GetProcessMemoryInfo(GetCurrentProcess(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&counters), sizeof counters);
  return counters.PrivateUsage;
}

// A million rows answer at their end, and reading them all over makes no
// cell: a hundred thousand questions leave the memory where it was.
void RunMillionRowTests(HWND top) {
  Hosted h(Container::Own, top, RECT{0, 0, 300, 200});
  if (!h.ok()) return;
  const LONG cols = 20, rows = 1000000;
  Call(h.grid, L"SetNumColumns", {Long(cols)});
  Call(h.grid, L"SetNumRows", {Long(rows)});
  h.Pump(60);
  ComPtr<IAccessible> acc = FromWindow(h.window);
  if (!acc) return;
  long count = 0;
  const LONG last = cols * rows;
  CHECK(acc->get_accChildCount(&count) == S_OK && count == last);
  CHECK(Description(acc.Get(), last) == L"column 20, row 1000000");
  CHECK((State(acc.Get(), last) & STATE_SYSTEM_OFFSCREEN) != 0);
  const POINT origin = ScreenOrigin(h.window);
  CHECK(Location(acc.Get(), last).top == origin.y + 20 + (rows - 2) * 20);
  CHECK(Navigate(acc.Get(), last, NAVDIR_UP) == last - cols && Navigate(acc.Get(), last, NAVDIR_DOWN) == -1);

  const SIZE_T before = PrivateBytes();
  for (LONG i = 0; i < 100000; ++i) {
    const LONG row = LONG((std::int64_t(i) * 9973) % rows);
    const LONG id = IdOf(row, i % cols, cols);
    switch (i % 4) {
      case 0: TextOf(acc.Get(), id); break;
      case 1: Description(acc.Get(), id); break;
      case 2: State(acc.Get(), id); break;
      default: Location(acc.Get(), id); break;
    }
  }
  // A cell made per question would cost a row of cells each: 100 MB.
  const SIZE_T after = PrivateBytes();
  Check(after < before + (8u << 20), "memory grew by " + std::to_string((after - before) >> 10) + " KB", __FILE__,
        __LINE__);

  SetFocus(h.window);
  CHECK_HR(acc->accSelect(SELFLAG_TAKEFOCUS, Child(last)), S_OK);
  CHECK(CallLong(h.grid, L"GetCurrentRow") == rows - 1 && CallLong(h.grid, L"GetCurrentColumn") == cols - 1);
  CHECK((State(acc.Get(), last) & (STATE_SYSTEM_FOCUSED | STATE_SYSTEM_OFFSCREEN)) == STATE_SYSTEM_FOCUSED);
}

// Every call an object held past its control's death can make.
void ExpectDisconnected(IAccessible* acc, const std::string& when) {
  long count = 0, x = 0, y = 0, w = 0, h = 0;
  BSTR name = nullptr;
  VARIANT v;
  VariantInit(&v);
  ComPtr<IDispatch> parent;
  const bool all = acc->get_accChildCount(&count) == CO_E_OBJNOTCONNECTED &&
                   acc->get_accName(Child(CHILDID_SELF), &name) == CO_E_OBJNOTCONNECTED &&
                   acc->get_accName(Child(3), &name) == CO_E_OBJNOTCONNECTED &&
                   acc->get_accRole(Child(3), &v) == CO_E_OBJNOTCONNECTED &&
                   acc->get_accState(Child(3), &v) == CO_E_OBJNOTCONNECTED &&
                   acc->get_accParent(parent.GetAddressOf()) == CO_E_OBJNOTCONNECTED &&
                   acc->get_accFocus(&v) == CO_E_OBJNOTCONNECTED &&
                   acc->accLocation(&x, &y, &w, &h, Child(3)) == CO_E_OBJNOTCONNECTED &&
                   acc->accHitTest(10, 10, &v) == CO_E_OBJNOTCONNECTED &&
                   acc->accNavigate(NAVDIR_RIGHT, Child(3), &v) == CO_E_OBJNOTCONNECTED &&
                   acc->accSelect(SELFLAG_TAKEFOCUS, Child(8)) == CO_E_OBJNOTCONNECTED &&
                   acc->accDoDefaultAction(Child(8)) == CO_E_OBJNOTCONNECTED;
  Check(all && name == nullptr, when + ": every call answers CO_E_OBJNOTCONNECTED", __FILE__, __LINE__);
}

void RunLifetimeTests(HWND top) {
  // The control released and its window destroyed by the host.
  ComPtr<IAccessible> held;
  {
    Hosted h(Container::Own, top, RECT{0, 0, 300, 200});
    if (!h.ok()) return;
    held = FromWindow(h.window);
  }
  if (held) {
    ExpectDisconnected(held.Get(), "after the control's destruction");
    CHECK(ModuleCanUnloadNow() == S_FALSE);  // the object's code stays loaded
    held.Reset();
    CHECK(ModuleCanUnloadNow() == S_OK);
  }

  // The window gone, the control still alive.
  {
    Hosted h(Container::Own, top, RECT{0, 0, 300, 200});
    if (!h.ok()) return;
    held = FromWindow(h.window);
    if (auto inPlace = Query<IOleInPlaceObject>(h.control)) CHECK_HR(inPlace->InPlaceDeactivate(), S_OK);
    CHECK(!IsWindow(h.window));
    if (held) ExpectDisconnected(held.Get(), "after the window's destruction");
    held.Reset();
  }

  // A host handler destroys the control while a screen reader's step runs:
  // moving the focus off an edit fires GridCellExited, whose handler lets
  // go of everything.
  for (bool byDefaultAction : {false, true}) {
    Hosted h(Container::Atl, top, RECT{0, 0, 400, 300});
    if (!h.ok()) return;
    held = FromWindow(h.window);
    h.StartEdit(2, 1);
    HWND oldWindow = h.window;
    bool acted = false;
    h.sink.onEvent = [&](const ReceivedEvent&) {
      if (!acted) h.Abandon();
      acted = true;
    };
    if (held) {
      HRESULT hr = byDefaultAction ? held->accDoDefaultAction(Child(IdOf(3, 2, 5)))
                                   : held->accSelect(SELFLAG_TAKEFOCUS, Child(IdOf(3, 2, 5)));
      CHECK(SUCCEEDED(hr) || hr == E_FAIL);
      h.sink.onEvent = nullptr;
      CHECK(acted && !IsWindow(oldWindow));
      Pump(50);
      ExpectDisconnected(held.Get(), byDefaultAction ? "after a handler's destruction in accDoDefaultAction"
                                                     : "after a handler's destruction in accSelect");
    }
    held.Reset();
    CHECK(ModuleCanUnloadNow() == S_OK);
  }
}

}  // namespace

void RunAccessTests() {
  HWND top = CreateHostWindow(L"TzGrid accessibility", 640, 480);
  if (!CHECK(top)) return;
  RunTableTests(top);
  RunMillionRowTests(top);
  RunLifetimeTests(top);
  DestroyWindow(top);
  ModuleTest::Pump(30);
}

}  // namespace ModuleTest
