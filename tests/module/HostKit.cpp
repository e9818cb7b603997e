#include "HostKit.h"

#include "../../tools/demohost/OleContainer.h"

#include <cstdio>

namespace ModuleTest {

namespace {
int g_failures = 0;
int g_checks = 0;

LRESULT CALLBACK HostWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  return DefWindowProcW(hwnd, message, wParam, lParam);
}
}  // namespace

bool Check(bool ok, const char* what, const char* file, int line) {
  ++g_checks;
  if (!ok) {
    ++g_failures;
    std::printf("FAIL %s:%d: %s\n", file, line, what);
    std::fflush(stdout);
  }
  return ok;
}

int Failures() { return g_failures; }

std::string Narrow(const std::wstring& text) {
  if (text.empty()) return std::string();
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

HRESULT Call(IDispatch* object, const wchar_t* name, std::vector<VARIANT> args, VARIANT* result, WORD flags,
             EXCEPINFO* excep) {
  DISPID id = DISPID_UNKNOWN;
  LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
  HRESULT hr = object->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id);
  if (SUCCEEDED(hr)) {
    std::vector<VARIANT> reversed(args.rbegin(), args.rend());
    DISPID putId = DISPID_PROPERTYPUT;
    DISPPARAMS params = {reversed.empty() ? nullptr : reversed.data(), nullptr, UINT(reversed.size()), 0};
    if (flags & DISPATCH_PROPERTYPUT) {
      params.rgdispidNamedArgs = &putId;
      params.cNamedArgs = 1;
    }
    EXCEPINFO local{};
    UINT argErr = 0;
    if (result) VariantInit(result);
    hr = object->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, flags, &params, result, excep ? excep : &local, &argErr);
    if (!excep) {
      SysFreeString(local.bstrSource);
      SysFreeString(local.bstrDescription);
      SysFreeString(local.bstrHelpFile);
    }
  }
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
  VARIANT converted;
  VariantInit(&converted);
  if (SUCCEEDED(hr) && SUCCEEDED(VariantChangeType(&converted, &result, 0, VT_I4))) value = V_I4(&converted);
  VariantClear(&result);
  return value;
}

std::wstring CallText(IDispatch* object, const wchar_t* name, std::vector<VARIANT> args) {
  VARIANT result;
  HRESULT hr = Call(object, name, std::move(args), &result);
  std::wstring text = L"<failed>";
  if (SUCCEEDED(hr) && V_VT(&result) == VT_BSTR) {
    text.assign(V_BSTR(&result) ? V_BSTR(&result) : L"", SysStringLen(V_BSTR(&result)));
  }
  VariantClear(&result);
  return text;
}

void Pump(DWORD ms) {
  DWORD start = GetTickCount();
  do {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
    if (GetTickCount() - start >= ms) break;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
  } while (true);
}

HWND CreateHostWindow(const wchar_t* title, int width, int height) {
  static ATOM atom = 0;
  if (!atom) {
    WNDCLASSW wc{};
    wc.lpfnWndProc = HostWindowProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    wc.lpszClassName = L"TzGridTestHost";
    atom = RegisterClassW(&wc);
  }
  RECT frame = {0, 0, width, height};
  AdjustWindowRect(&frame, WS_OVERLAPPEDWINDOW, FALSE);
  HWND hwnd = CreateWindowExW(0, L"TzGridTestHost", title, WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, 20, 20,
                              frame.right - frame.left, frame.bottom - frame.top, nullptr, nullptr,
                              GetModuleHandleW(nullptr), nullptr);
  if (hwnd) {
    ShowWindow(hwnd, SW_SHOW);
    UpdateWindow(hwnd);
  }
  return hwnd;
}

HRESULT ModuleCanUnloadNow() {
  HMODULE module = GetModuleHandleW(L"TzGrid.ocx");
  if (!module) return E_FAIL;
  using CanUnload = HRESULT(STDAPICALLTYPE*)();
  auto canUnload = reinterpret_cast<CanUnload>(reinterpret_cast<void*>(GetProcAddress(module, "DllCanUnloadNow")));
  return canUnload ? canUnload() : E_FAIL;
}

int PumpThroughContainer(TzGridHost::OleContainer* site, DWORD ms) {
  int taken = 0;
  DWORD start = GetTickCount();
  do {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      if (site->OfferAccelerator(&msg)) {
        ++taken;
        continue;
      }
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
  } while (GetTickCount() - start < ms);
  return taken;
}

HWND FindEditor(HWND grid) { return FindWindowExW(grid, nullptr, L"Edit", nullptr); }

bool EmbedInAtl(HWND parent, const RECT& rect, AtlEmbedding& out) {
  using InitFn = BOOL(WINAPI*)();
  using GetControlFn = HRESULT(WINAPI*)(HWND, IUnknown**);
  static HMODULE atl = LoadLibraryW(L"atl100.dll");
  if (!CHECK(atl != nullptr)) return false;
  auto init = reinterpret_cast<InitFn>(reinterpret_cast<void*>(GetProcAddress(atl, "AtlAxWinInit")));
  auto getControl = reinterpret_cast<GetControlFn>(reinterpret_cast<void*>(GetProcAddress(atl, "AtlAxGetControl")));
  // Wine's AtlAxWinInit registers its window class each time and fails
  // when the class exists: once is enough.
  static bool ready = init && init();
  if (!CHECK(ready && getControl)) return false;
  out = AtlEmbedding{};
  out.ax = CreateWindowExW(0, L"AtlAxWin100", kProgId, WS_CHILD | WS_VISIBLE, rect.left, rect.top,
                           rect.right - rect.left, rect.bottom - rect.top, parent, nullptr, GetModuleHandleW(nullptr),
                           nullptr);
  if (!CHECK(out.ax != nullptr)) return false;
  Pump(50);
  if (!CHECK(SUCCEEDED(getControl(out.ax, &out.control)) && out.control)) return false;
  IOleInPlaceObject* inPlace = nullptr;
  if (SUCCEEDED(out.control->QueryInterface(IID_IOleInPlaceObject, reinterpret_cast<void**>(&inPlace)))) {
    inPlace->GetWindow(&out.grid);
    inPlace->Release();
  }
  return CHECK(out.grid && IsWindow(out.grid));
}

}  // namespace ModuleTest
