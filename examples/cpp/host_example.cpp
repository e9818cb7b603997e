// A small Windows host of the TzGrid control.
//
//  - creates the control in a window through ATL's control host: after
//    AtlAxWinInit, a child window of class "AtlAxWin100" whose text is the
//    ProgID creates the control and activates it in place (atl100.dll comes
//    with Windows' Visual C++ 2010 runtime and with Wine);
//  - fills it late-bound, through IDispatch::GetIDsOfNames and Invoke, as a
//    script host does;
//  - reads it early-bound, with the interface ID and the DISPIDs known at
//    compile time from the headers generated from the type library
//    (TzGrid.h by widl or MIDL, TzGridDispIds.h by tools/dispid_header.sh);
//  - connects an event sink to the control's connection point and reacts to
//    GridCellSelected and GridCellExited while a click, an edit and a key are
//    posted to the grid's window.
//
// Exits with 0 when everything it checks holds, 1 when a check fails, 2
// when the control cannot be created (not registered?).
#define NOMINMAX
#include <windows.h>
#include <ole2.h>
#include <olectl.h>
#include <ocidl.h>

#include <initguid.h>  // TzGrid.h defines its GUIDs in this file

#include "TzGrid.h"
#include "TzGridDispIds.h"

#include <cstdio>
#include <string>
#include <vector>

namespace {

int g_failures = 0;

void Check(bool ok, const char* what) {
  if (!ok) {
    ++g_failures;
    std::printf("FAIL %s\n", what);
  }
}

// Dispatches the thread's messages for about ms milliseconds.
void Pump(DWORD ms) {
  DWORD start = GetTickCount();
  do {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
  } while (GetTickCount() - start < ms);
}

std::string Narrow(const wchar_t* text) {
  if (!text) return {};
  int n = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
  std::string out(n > 0 ? std::size_t(n - 1) : 0, '\0');
  if (n > 1) WideCharToMultiByte(CP_UTF8, 0, text, -1, out.data(), n, nullptr, nullptr);
  return out;
}

VARIANT Long(LONG value) {
  VARIANT v;
  VariantInit(&v);
  V_VT(&v) = VT_I4;
  V_I4(&v) = value;
  return v;
}

VARIANT Text(const wchar_t* value) {
  VARIANT v;
  VariantInit(&v);
  V_VT(&v) = VT_BSTR;
  V_BSTR(&v) = SysAllocString(value);
  return v;
}

// Invokes a member by DISPID with the arguments in their natural order
// (DISPPARAMS wants them last first). Clears the arguments; the caller
// clears the result. A failure is printed with the control's description.
HRESULT InvokeById(IDispatch* object, DISPID id, std::vector<VARIANT> args, VARIANT* result = nullptr,
                   WORD flags = DISPATCH_METHOD) {
  std::vector<VARIANT> reversed(args.rbegin(), args.rend());
  DISPPARAMS params = {reversed.empty() ? nullptr : reversed.data(), nullptr, UINT(reversed.size()), 0};
  DISPID putId = DISPID_PROPERTYPUT;
  if (flags == DISPATCH_PROPERTYPUT) {
    params.rgdispidNamedArgs = &putId;
    params.cNamedArgs = 1;
  }
  EXCEPINFO excep = {};
  UINT argErr = 0;
  VARIANT ignored;
  VariantInit(&ignored);
  HRESULT hr = object->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, flags, &params, result ? result : &ignored, &excep,
                              &argErr);
  VariantClear(&ignored);
  for (VARIANT& v : args) VariantClear(&v);
  if (hr == DISP_E_EXCEPTION) {
    std::printf("  member %ld raised 0x%08lX: %s\n", long(id), static_cast<unsigned long>(excep.scode),
                Narrow(excep.bstrDescription).c_str());
    SysFreeString(excep.bstrSource);
    SysFreeString(excep.bstrDescription);
    SysFreeString(excep.bstrHelpFile);
  }
  return hr;
}

// Late binding: the member is looked up by name first.
HRESULT CallByName(IDispatch* object, const wchar_t* name, std::vector<VARIANT> args, VARIANT* result = nullptr,
                   WORD flags = DISPATCH_METHOD) {
  DISPID id = DISPID_UNKNOWN;
  LPOLESTR names[1] = {const_cast<LPOLESTR>(name)};
  HRESULT hr = object->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id);
  if (FAILED(hr)) {
    for (VARIANT& v : args) VariantClear(&v);
    std::printf("  no member named %s\n", Narrow(name).c_str());
    return hr;
  }
  return InvokeById(object, id, std::move(args), result, flags);
}

// Early-bound reads: a long or a text result of a member given by DISPID.
LONG ReadLong(IDispatch* object, DISPID id, std::vector<VARIANT> args = {}) {
  VARIANT result;
  VariantInit(&result);
  LONG value = -99999;
  if (SUCCEEDED(InvokeById(object, id, std::move(args), &result, DISPATCH_METHOD | DISPATCH_PROPERTYGET)) &&
      SUCCEEDED(VariantChangeType(&result, &result, 0, VT_I4))) {
    value = V_I4(&result);
  }
  VariantClear(&result);
  return value;
}

std::wstring ReadText(IDispatch* object, LONG row, LONG column) {
  VARIANT result;
  VariantInit(&result);
  std::wstring text = L"<failed>";
  if (SUCCEEDED(InvokeById(object, DISPID_DTzGrid_GetCellText, {Long(row), Long(column)}, &result)) &&
      V_VT(&result) == VT_BSTR) {
    text = V_BSTR(&result) ? V_BSTR(&result) : L"";
  }
  VariantClear(&result);
  return text;
}

// The host's event sink: an IDispatch that answers for _DTzGridEvents and
// takes the two events by DISPID. What the host does with them: remember the
// selected cell and its text, and read back the text of a cell whose edit
// ended (the cell already holds what the user typed).
class GridEvents final : public IDispatch {
 public:
  explicit GridEvents(IDispatch* grid) : m_grid(grid) {}

  struct Received {
    DISPID id;
    LONG row;
    LONG column;
    std::wstring text;  // the cell's text when the event arrived
  };
  std::vector<Received> received;

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override {
    if (!ppv) return E_POINTER;
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IDispatch) || IsEqualIID(riid, DIID__DTzGridEvents)) {
      *ppv = static_cast<IDispatch*>(this);
      AddRef();
      return S_OK;
    }
    *ppv = nullptr;
    return E_NOINTERFACE;
  }
  // The sink lives on main's stack and outlives the connection.
  ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
  ULONG STDMETHODCALLTYPE Release() override { return 1; }
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
    if (count) *count = 0;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* params, VARIANT*, EXCEPINFO*,
                                   UINT*) override {
    if (!params || params->cArgs != 2) return DISP_E_BADPARAMCOUNT;
    // Arguments arrive last first: rgvarg[1] is lRow, rgvarg[0] is lColumn.
    VARIANT row, column;
    VariantInit(&row);
    VariantInit(&column);
    if (FAILED(VariantChangeType(&row, &params->rgvarg[1], 0, VT_I4)) ||
        FAILED(VariantChangeType(&column, &params->rgvarg[0], 0, VT_I4))) {
      return DISP_E_TYPEMISMATCH;
    }
    Received r{id, V_I4(&row), V_I4(&column), ReadText(m_grid, V_I4(&row), V_I4(&column))};
    const char* name = id == DISPID_DTzGridEvents_GridCellSelected ? "GridCellSelected"
                       : id == DISPID_DTzGridEvents_GridCellExited ? "GridCellExited"
                                                                   : "unknown event";
    std::printf("event %s(%ld, %ld), cell text \"%s\"\n", name, r.row, r.column, Narrow(r.text.c_str()).c_str());
    received.push_back(r);
    return S_OK;
  }

 private:
  IDispatch* m_grid;
};

// The centre of a cell in the grid's client area, from the column widths
// the control reports and the rows' default height (20 pixels). Column
// index = display position here: the example does not reorder columns.
POINT CellCentre(IDispatch* grid, LONG row, LONG column) {
  LONG x = 0;
  for (LONG c = 0; c < column; ++c) x += ReadLong(grid, DISPID_DTzGrid_GetColumnWidth, {Long(c)});
  x += ReadLong(grid, DISPID_DTzGrid_GetColumnWidth, {Long(column)}) / 2;
  return POINT{x, row * 20 + 10};
}

void Click(HWND grid, POINT at) {
  LPARAM where = MAKELPARAM(at.x, at.y);
  PostMessageW(grid, WM_MOUSEMOVE, 0, where);
  PostMessageW(grid, WM_LBUTTONDOWN, MK_LBUTTON, where);
  PostMessageW(grid, WM_LBUTTONUP, 0, where);
  Pump(150);
}

bool Received(const GridEvents& sink, std::size_t index, DISPID id, LONG row, LONG column) {
  return sink.received.size() > index && sink.received[index].id == id && sink.received[index].row == row &&
         sink.received[index].column == column;
}

int Run() {
  // ---- the container window and the control in it
  HINSTANCE instance = GetModuleHandleW(nullptr);
  WNDCLASSW wc = {};
  wc.lpfnWndProc = DefWindowProcW;
  wc.hInstance = instance;
  wc.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));  // IDC_ARROW
  wc.hbrBackground = HBRUSH(COLOR_WINDOW + 1);
  wc.lpszClassName = L"TzGridExampleHost";
  RegisterClassW(&wc);
  HWND host = CreateWindowExW(0, wc.lpszClassName, L"TzGrid host example", WS_OVERLAPPEDWINDOW | WS_VISIBLE,
                              CW_USEDEFAULT, CW_USEDEFAULT, 520, 320, nullptr, nullptr, instance, nullptr);
  HMODULE atl = LoadLibraryW(L"atl100.dll");
  using InitFn = BOOL(WINAPI*)();
  using GetControlFn = HRESULT(WINAPI*)(HWND, IUnknown**);
  auto atlInit = atl ? reinterpret_cast<InitFn>(reinterpret_cast<void*>(GetProcAddress(atl, "AtlAxWinInit"))) : nullptr;
  auto atlGetControl =
      atl ? reinterpret_cast<GetControlFn>(reinterpret_cast<void*>(GetProcAddress(atl, "AtlAxGetControl"))) : nullptr;
  if (!host || !atlInit || !atlGetControl || !atlInit()) {
    std::printf("cannot set up the ATL control host (atl100.dll)\n");
    return 2;
  }
  HWND ax = CreateWindowExW(0, L"AtlAxWin100", L"TZGRID.TzGridCtrl.1", WS_CHILD | WS_VISIBLE, 0, 0, 500, 280, host,
                            nullptr, instance, nullptr);
  Pump(100);
  IUnknown* control = nullptr;
  if (!ax || FAILED(atlGetControl(ax, &control)) || !control) {
    std::printf("the control TZGRID.TzGridCtrl.1 could not be created: is TzGrid.ocx registered?\n");
    return 2;
  }
  HWND gridWindow = nullptr;
  IOleInPlaceObject* inPlace = nullptr;
  if (SUCCEEDED(control->QueryInterface(IID_IOleInPlaceObject, reinterpret_cast<void**>(&inPlace)))) {
    inPlace->GetWindow(&gridWindow);
    inPlace->Release();
  }
  Check(gridWindow && IsWindow(gridWindow), "the control is active in place with a window of its own");

  // ---- late-bound: fill the grid by member names
  IDispatch* late = nullptr;
  control->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&late));
  Check(late != nullptr, "the control is an IDispatch");
  if (!late) return 1;
  Check(SUCCEEDED(CallByName(late, L"Columns", {Long(4)}, nullptr, DISPATCH_PROPERTYPUT)), "Columns = 4");
  Check(SUCCEEDED(CallByName(late, L"Rows", {Long(8)}, nullptr, DISPATCH_PROPERTYPUT)), "Rows = 8");
  const wchar_t* header[] = {L"Order", L"Customer", L"Amount", L"Status"};
  for (LONG c = 0; c < 4; ++c) {
    CallByName(late, L"SetCellText", {Long(0), Long(c), Text(header[c])});
    CallByName(late, L"SetCellHeaderFlag", {Long(0), Long(c), Long(1)});
  }
  CallByName(late, L"SetColumnWidth", {Long(1), Long(120)});
  for (LONG r = 1; r < 8; ++r) {
    wchar_t text[32];
    wsprintfW(text, L"A-%03ld", 100 + r);
    CallByName(late, L"SetCellText", {Long(r), Long(0), Text(text)});
    wsprintfW(text, L"Customer %ld", r);
    CallByName(late, L"SetCellText", {Long(r), Long(1), Text(text)});
    wsprintfW(text, L"%ld.00", r * 125);
    CallByName(late, L"SetCellText", {Long(r), Long(2), Text(text)});
    CallByName(late, L"SetCellJustification", {Long(r), Long(2), Long(2)});
    CallByName(late, L"SetCellText", {Long(r), Long(3), Text(r % 3 ? L"open" : L"shipped")});
  }
  CallByName(late, L"Refresh", {});
  Pump(100);

  // ---- early-bound: the interface by its IID, members by their DISPIDs
  IDispatch* grid = nullptr;
  control->QueryInterface(DIID__DTzGrid, reinterpret_cast<void**>(&grid));
  Check(grid != nullptr, "QueryInterface for DIID__DTzGrid");
  if (!grid) return 1;
  Check(ReadLong(grid, DISPID_DTzGrid_Columns) == 4 && ReadLong(grid, DISPID_DTzGrid_GetNumRows) == 8,
        "the grid is 4 x 8");
  Check(ReadText(grid, 3, 1) == L"Customer 3", "GetCellText(3, 1) is \"Customer 3\"");
  Check(ReadLong(grid, DISPID_DTzGrid_GetColumnWidth, {Long(1)}) == 120, "column 1 is 120 wide");
  Check(ReadLong(grid, DISPID_DTzGrid_GetCurrentRow) == -1, "no focus cell yet");
  VARIANT result;
  VariantInit(&result);
  HRESULT hr = InvokeById(grid, DISPID_DTzGrid_GetCellText, {Long(99), Long(0)}, &result);
  Check(hr == DISP_E_EXCEPTION, "GetCellText(99, 0) raises an exception");
  VariantClear(&result);

  // ---- events: the sink on the control's connection point
  GridEvents sink(grid);
  IConnectionPointContainer* container = nullptr;
  IConnectionPoint* point = nullptr;
  DWORD cookie = 0;
  control->QueryInterface(IID_IConnectionPointContainer, reinterpret_cast<void**>(&container));
  if (container) container->FindConnectionPoint(DIID__DTzGridEvents, &point);
  Check(point && SUCCEEDED(point->Advise(&sink, &cookie)) && cookie != 0, "sink connected to _DTzGridEvents");
  if (!point) return 1;

  // A click on cell (2, 1): GridCellSelected(2, 1), then the cell has the focus.
  std::printf("click on (2, 1)\n");
  Click(gridWindow, CellCentre(grid, 2, 1));
  Check(Received(sink, 0, DISPID_DTzGridEvents_GridCellSelected, 2, 1), "GridCellSelected(2, 1) arrived");
  Check(!sink.received.empty() && sink.received[0].text == L"Customer 2", "the handler read the cell's text");
  Check(ReadLong(grid, DISPID_DTzGrid_GetCurrentRow) == 2 && ReadLong(grid, DISPID_DTzGrid_GetCurrentColumn) == 1,
        "(2, 1) is the focus cell after the click");

  // A second click on the focus cell opens the editor over it; the user
  // types a new name and presses Down: GridCellExited(2, 1) reports the
  // edit, the cell holds the typed text, the focus moves to (3, 1).
  std::printf("second click on (2, 1), typing, Down\n");
  Click(gridWindow, CellCentre(grid, 2, 1));
  Check(Received(sink, 1, DISPID_DTzGridEvents_GridCellSelected, 2, 1), "the second click selects (2, 1) again");
  HWND editor = FindWindowExW(gridWindow, nullptr, L"Edit", nullptr);
  Check(editor && IsWindowVisible(editor), "the editor is open");
  if (editor) {
    SendMessageW(editor, EM_SETSEL, 0, -1);
    for (const wchar_t* p = L"Acme Ltd"; *p; ++p) PostMessageW(editor, WM_CHAR, *p, 1);
    PostMessageW(editor, WM_KEYDOWN, VK_DOWN, 1);
    Pump(150);
  }
  Check(Received(sink, 2, DISPID_DTzGridEvents_GridCellExited, 2, 1), "GridCellExited(2, 1) arrived");
  Check(sink.received.size() > 2 && sink.received[2].text == L"Acme Ltd", "the exited cell holds the typed text");
  Check(ReadText(grid, 2, 1) == L"Acme Ltd", "GetCellText(2, 1) is the typed text");
  Check(ReadLong(grid, DISPID_DTzGrid_GetCurrentRow) == 3, "Down moved the focus to row 3");
  Check(!editor || !IsWindowVisible(editor), "the editor is hidden");

  // A click below the last row is on no cell: no event.
  std::size_t before = sink.received.size();
  Click(gridWindow, POINT{60, 250});
  Check(sink.received.size() == before, "a click below the rows fires nothing");

  Check(SUCCEEDED(point->Unadvise(cookie)), "sink disconnected");
  point->Release();
  container->Release();
  grid->Release();
  late->Release();
  control->Release();
  DestroyWindow(host);
  Pump(50);
  return g_failures == 0 ? 0 : 1;
}

}  // namespace

int main() {
  if (FAILED(OleInitialize(nullptr))) {
    std::printf("OleInitialize failed\n");
    return 2;
  }
  int rc = Run();
  OleUninitialize();
  std::printf(rc == 0 ? "host_example: all checks passed\n" : "host_example: failed\n");
  std::fflush(stdout);
  return rc;
}
