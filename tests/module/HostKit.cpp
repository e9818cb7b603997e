#include "HostKit.h"

#include "../../src/module/TzGridIds.h"
#include "../../tools/demohost/OleContainer.h"

#include <cstdio>
#include <cstring>

namespace ModuleTest {

namespace {
int g_failures = 0;
}  // namespace

bool Check(bool ok, const std::string& what, const char* file, int line) {
  if (!ok) {
    ++g_failures;
    std::printf("FAIL %s:%d: %s\n", file, line, what.c_str());
    std::fflush(stdout);
  }
  return ok;
}

bool CheckHr(HRESULT got, HRESULT expected, const char* call, const char* expectedName, const char* file, int line) {
  return Check(got == expected, std::string(call) + " gave " + Hex(got) + ", expected " + expectedName, file, line);
}

int Failures() { return g_failures; }

std::string Narrow(const std::wstring& text) {
  int n = WideCharToMultiByte(CP_UTF8, 0, text.data(), int(text.size()), nullptr, 0, nullptr, nullptr);
  std::string out(std::size_t(n), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.data(), int(text.size()), out.data(), n, nullptr, nullptr);
  return out;
}

std::string Hex(long value) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%08lX", static_cast<unsigned long>(value));
  return text;
}

VARIANT Blank(VARTYPE vt) {
  VARIANT v;
  std::memset(&v, 0, sizeof v);
  V_VT(&v) = vt;
  return v;
}

VARIANT Long(LONG value) {
  VARIANT v = Blank(VT_I4);
  V_I4(&v) = value;
  return v;
}

VARIANT Text(const wchar_t* value) {
  VARIANT v = Blank(VT_BSTR);
  V_BSTR(&v) = SysAllocString(value);
  return v;
}

Answer Ask(IDispatch* object, DISPID id, WORD flags, std::vector<VARIANT> reversedArgs,
           std::optional<std::vector<DISPID>> given, VARIANT* result) {
  bool put = (flags & DISPATCH_PROPERTYPUT) != 0;
  std::vector<DISPID> named = given ? *given : put ? std::vector<DISPID>{DISPID_PROPERTYPUT} : std::vector<DISPID>{};
  DISPPARAMS params = {reversedArgs.data(), named.data(), UINT(reversedArgs.size()), UINT(named.size())};
  EXCEPINFO excep{};
  UINT argErr = 12345;
  if (result) VariantInit(result);
  HRESULT hr = object->Invoke(id, IID_NULL, 0, flags, &params, result, &excep, &argErr);
  for (VARIANT& v : reversedArgs) VariantClear(&v);
  Answer a{hr, argErr, excep.scode, excep.wCode, excep.bstrSource ? excep.bstrSource : L"",
           excep.bstrDescription ? excep.bstrDescription : L""};
  for (BSTR text : {excep.bstrSource, excep.bstrDescription, excep.bstrHelpFile}) SysFreeString(text);
  return a;
}

HRESULT Call(IDispatch* object, const wchar_t* name, std::vector<VARIANT> args, VARIANT* result, WORD flags) {
  DISPID id = DISPID_UNKNOWN;
  LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
  if (result) VariantInit(result);
  HRESULT hr = object->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id);
  if (SUCCEEDED(hr)) return Ask(object, id, flags, {args.rbegin(), args.rend()}, std::nullopt, result).hr;
  for (VARIANT& v : args) VariantClear(&v);
  return hr;
}

HRESULT Put(IDispatch* object, const wchar_t* name, VARIANT value) {
  return Call(object, name, {value}, nullptr, DISPATCH_PROPERTYPUT);
}

LONG CallLong(IDispatch* object, const wchar_t* name, std::vector<VARIANT> args) {
  VARIANT result;
  HRESULT hr = Call(object, name, std::move(args), &result);
  LONG value = -99999;
  if (SUCCEEDED(hr) && SUCCEEDED(VariantChangeType(&result, &result, 0, VT_I4))) value = V_I4(&result);
  VariantClear(&result);
  return value;
}

std::wstring CallText(IDispatch* object, const wchar_t* name, std::vector<VARIANT> args) {
  VARIANT result;
  HRESULT hr = Call(object, name, std::move(args), &result);
  std::wstring text = L"<failed>";
  if (SUCCEEDED(hr) && V_VT(&result) == VT_BSTR) text.assign(V_BSTR(&result), SysStringLen(V_BSTR(&result)));
  VariantClear(&result);
  return text;
}

ComPtr<IDispatch> NewGrid() {
  ComPtr<IDispatch> grid;
  CoCreateInstance(TzGridCom::CLSID_TzGrid, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch, &grid);
  return grid;
}

int PumpThroughContainer(TzGridHost::OleContainer* site, DWORD ms) {
  int taken = 0;
  for (DWORD start = GetTickCount();; MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT)) {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      if (site && site->OfferAccelerator(&msg)) {
        ++taken;
        continue;
      }
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
    if (GetTickCount() - start >= ms) return taken;
  }
}

void Pump(DWORD ms) { PumpThroughContainer(nullptr, ms); }

HWND CreateHostWindow(const wchar_t* title, int width, int height) {
  static ATOM atom = 0;
  if (!atom) {
    WNDCLASSW wc{};
    wc.lpfnWndProc = DefWindowProcW;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"TzGridTestHost";
    atom = RegisterClassW(&wc);
  }
  RECT frame = {0, 0, width, height};
  AdjustWindowRect(&frame, WS_OVERLAPPEDWINDOW, FALSE);
  HWND hwnd = CreateWindowExW(0, L"TzGridTestHost", title, WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, 20, 20,
                              frame.right - frame.left, frame.bottom - frame.top, nullptr, nullptr,
                              GetModuleHandleW(nullptr), nullptr);
  ShowWindow(hwnd, SW_SHOW);
  UpdateWindow(hwnd);
  return hwnd;
}

HRESULT ModuleCanUnloadNow() {
  HMODULE module = GetModuleHandleW(L"TzGrid.ocx");
  auto canUnload = reinterpret_cast<HRESULT(STDAPICALLTYPE*)()>(
      module ? reinterpret_cast<void*>(GetProcAddress(module, "DllCanUnloadNow")) : nullptr);
  return canUnload ? canUnload() : E_FAIL;
}

ComPtr<IStream> SavedState(IUnknown* control) {
  ComPtr<IStream> stream;
  auto persist = Query<IPersistStreamInit>(control);
  if (!persist || FAILED(CreateStreamOnHGlobal(nullptr, TRUE, &stream)) || FAILED(persist->Save(stream.Get(), FALSE))) {
    stream.Reset();
  }
  return stream;
}

HRESULT LoadState(IUnknown* control, IStream* state) {
  auto persist = Query<IPersistStreamInit>(control);
  if (!persist || !state) return E_FAIL;
  state->Seek(LARGE_INTEGER{}, STREAM_SEEK_SET, nullptr);
  return persist->Load(state);
}

HWND FindEditor(HWND grid) { return FindWindowExW(grid, nullptr, L"Edit", nullptr); }

bool EditorShown(HWND grid) { return IsWindowVisible(FindEditor(grid)) != FALSE; }

void PostClick(HWND window, int x, int y, UINT down) {
  PostMessageW(window, WM_MOUSEMOVE, 0, MAKELPARAM(x, y));
  PostMessageW(window, down, MK_LBUTTON, MAKELPARAM(x, y));
  PostMessageW(window, WM_LBUTTONUP, 0, MAKELPARAM(x, y));
}

void PostKey(WORD key) {
  LPARAM press = LPARAM(1 | (MapVirtualKeyW(key, MAPVK_VK_TO_VSC) << 16));
  PostMessageW(GetFocus(), WM_KEYDOWN, key, press);
  PostMessageW(GetFocus(), WM_KEYUP, key, press | 0xC0000000);
}

bool OfferBlock(const void* bytes, std::size_t size) {
  if (!OpenClipboard(nullptr)) return false;
  EmptyClipboard();
  HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, size);
  void* data = block ? GlobalLock(block) : nullptr;
  if (data) {
    std::memcpy(data, bytes, size);
    GlobalUnlock(block);
  }
  bool offered = data && SetClipboardData(CF_UNICODETEXT, block);
  if (!offered && block) GlobalFree(block);
  CloseClipboard();
  return offered;
}

std::string Describe(const std::vector<ReceivedEvent>& events) {
  std::string text;
  for (const ReceivedEvent& e : events) {
    text += " (" + std::to_string(e.dispid) + ": " + std::to_string(e.row) + ", " + std::to_string(e.column) + ")";
  }
  return text.empty() ? " none" : text;
}

bool EventSink::Received(const std::vector<ReceivedEvent>& want) {
  bool same = events == want;
  if (!same) std::printf("  events received:%s, expected%s\n", Describe(events).c_str(), Describe(want).c_str());
  events.clear();
  return same;
}

EventSink::EventSink() : Dispatch(TzGridCom::DIID_DTzGridEvents) {}

HRESULT EventSink::Invoke(DISPID dispid, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT*, EXCEPINFO*, UINT*) {
  // The last argument comes first: rgvarg[1] is the row. A call not shaped
  // like an event is recorded with row and column -12345.
  bool shaped = flags == DISPATCH_METHOD && params && params->cArgs == 2 && params->cNamedArgs == 0 &&
                V_VT(&params->rgvarg[0]) == VT_I4 && V_VT(&params->rgvarg[1]) == VT_I4;
  events.push_back({dispid, shaped ? V_I4(&params->rgvarg[1]) : -12345, shaped ? V_I4(&params->rgvarg[0]) : -12345});
  if (shaped && onEvent) onEvent(events.back());
  return S_OK;
}

HRESULT AdviseEvents(IUnknown* control, IDispatch* sink, IConnectionPoint** point, DWORD* cookie) {
  GUID source{};
  auto info = Query<IProvideClassInfo2>(control);
  HRESULT hr = info ? info->GetGUID(GUIDKIND_DEFAULT_SOURCE_DISP_IID, &source) : E_NOINTERFACE;
  auto container = Query<IConnectionPointContainer>(control);
  if (SUCCEEDED(hr)) hr = container ? container->FindConnectionPoint(source, point) : E_NOINTERFACE;
  return SUCCEEDED(hr) ? (*point)->Advise(sink, cookie) : hr;
}

namespace {

// Embeds a new control in Wine's ATL host window (AtlAxWin100 of
// atl100.dll) at rect of parent: the host window, or null.
HWND EmbedInAtl(HWND parent, const RECT& rect, IUnknown** control) {
  static HMODULE atl = LoadLibraryW(L"atl100.dll");
  auto init = reinterpret_cast<BOOL(WINAPI*)()>(reinterpret_cast<void*>(GetProcAddress(atl, "AtlAxWinInit")));
  auto getControl = reinterpret_cast<HRESULT(WINAPI*)(HWND, IUnknown**)>(
      reinterpret_cast<void*>(GetProcAddress(atl, "AtlAxGetControl")));
  // Wine's AtlAxWinInit registers its window class each time and fails
  // when the class exists: once is enough.
  static bool ready = init && init();
  if (!CHECK(atl && ready && getControl)) return nullptr;
  HWND ax =
      CreateWindowExW(0, L"AtlAxWin100", kProgId, WS_CHILD | WS_VISIBLE, rect.left, rect.top, rect.right - rect.left,
                      rect.bottom - rect.top, parent, nullptr, GetModuleHandleW(nullptr), nullptr);
  Pump(50);
  CHECK(ax && SUCCEEDED(getControl(ax, control)) && *control);
  return ax;
}

}  // namespace

Hosted::Hosted(Container kind_, HWND parent, const RECT& rect) : kind(kind_) {
  if (kind == Container::Atl) {
    ax = EmbedInAtl(parent, rect, &control);
  } else {
    HRESULT hr = TzGridHost::OleContainer::Create(parent, rect, kProgId, &site);
    if (!Check(SUCCEEDED(hr), "embedding in our container: " + Hex(hr), __FILE__, __LINE__)) return;
    control = site->Control();
    control->AddRef();
  }
  if (auto inPlace = Query<IOleInPlaceObject>(control)) inPlace->GetWindow(&window);
  if (!CHECK(IsWindow(window))) return;
  control->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&grid));
  CHECK_HR(AdviseEvents(control, &sink, &point, &cookie), S_OK);
}

Hosted::~Hosted() {
  if (point) point->Unadvise(cookie);
  Abandon();
  if (site) {
    site->Close();
    site->Release();
  }
  ::ModuleTest::Pump(30);
}

void Hosted::Abandon() {
  for (IUnknown** held : {reinterpret_cast<IUnknown**>(&point), reinterpret_cast<IUnknown**>(&grid), &control}) {
    if (*held) (*held)->Release();
    *held = nullptr;
  }
  if (ax) DestroyWindow(ax);
  ax = nullptr;
}

void Hosted::Pump(DWORD ms) { translated += PumpThroughContainer(site, ms); }

void Hosted::FocusCell(LONG row, LONG column) {
  // An edit the last step left open ends as a host ends it, without an
  // event: its cell's text set again.
  LONG focusRow = CallLong(grid, L"GetCurrentRow"), focusColumn = CallLong(grid, L"GetCurrentColumn");
  if (focusRow >= 0) {
    std::wstring text = CallText(grid, L"GetCellText", {Long(focusRow), Long(focusColumn)});
    Call(grid, L"SetCellText", {Long(focusRow), Long(focusColumn), Text(text.c_str())});
  }
  SetFocus(window);
  CHECK_HR(Call(grid, L"SetFocusedCell", {Long(row), Long(column)}), S_OK);
  Pump(30);
  sink.events.clear();
}

void Hosted::StartEdit(LONG row, LONG column) {
  FocusCell(row, column);
  PostMessageW(window, WM_CHAR, 'a', 0x001E0001);
  Pump(60);
  CHECK(EditorShown(window) && GetFocus() == FindEditor(window));
  sink.events.clear();
}

}  // namespace ModuleTest
