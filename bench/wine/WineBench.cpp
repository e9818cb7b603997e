// The real TzGrid.ocx in Wine's ATL container, timed through the paths a
// host uses (window messages, RedrawWindow, IDispatch::Invoke), each figure
// beside a floor taken in this same process:
//  - for painting and scrolling, a plain child window of the same frame and
//    size, beside the grid, whose WM_PAINT makes an off-screen frame of the
//    update area, fills it and copies it to the window: what any
//    double-buffered control pays the window system for the same pixels;
//  - for late-bound calls, a minimal in-process IDispatch written here that
//    checks the argument count, coerces the integers with VariantChangeType
//    and stores or returns the text.
//
//   tzgrid_wine_bench.exe [--short] [--probe strip|w2|w2loop|w3|setloop|set10]
// The grid and the floor are timed alternately, so that a change in the
// machine's load reaches both. The frame is two clients wide: the screen
// should be at least 3840 x 1080 (bench/wine/run.sh starts Xvfb so).
// --short runs a few repetitions (to keep the program working in CI);
// --probe sets the grid up, then does one operation between two
// OutputDebugString markers, for a relay or trace log of just that step.
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#include <ole2.h>
#include <oleauto.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <string>
#include <vector>

namespace {

constexpr int kCols = 20;
constexpr int kRows = 1000000;
constexpr int kRowHeight = 20;
constexpr int kClientWidth = 1920;
constexpr int kClientHeight = 1080;
constexpr wchar_t kProgId[] = L"TZGRID.TzGridCtrl.1";

bool g_failed = false;

void Fail(const char* what, HRESULT hr = S_OK) {
  std::printf("FAIL %s (0x%08lX)\n", what, static_cast<unsigned long>(hr));
  std::fflush(stdout);
  g_failed = true;
}

// ---- time

double g_ticksPerMs = 0;

double NowMs() {
  LARGE_INTEGER t;
  QueryPerformanceCounter(&t);
  return double(t.QuadPart) / g_ticksPerMs;
}

double Median(std::vector<double> v) {
  if (v.empty()) return 0;
  std::sort(v.begin(), v.end());
  std::size_t n = v.size();
  return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

// Dispatches whatever is queued, without waiting.
void Drain() {
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
}

// Dispatches messages for about ms milliseconds.
void Pump(DWORD ms) {
  DWORD start = GetTickCount();
  for (;;) {
    Drain();
    if (GetTickCount() - start >= ms) break;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
  }
}

// ---- the text of a cell: "R" + row in 6 digits (modulo 1,000,000) + "C" + column in 2 digits

std::wstring CellText(int row, int col) {
  wchar_t text[16];
  std::swprintf(text, 16, L"R%06dC%02d", row % 1000000, col % 100);
  return text;
}

// ---- the floor window

constexpr wchar_t kFloorClass[] = L"TzGridBenchFloor";
constexpr COLORREF kFloorColour = RGB(255, 255, 255);

LRESULT CALLBACK FloorProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_ERASEBKGND: return 1;
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(hwnd, &ps);
      RECT area = ps.rcPaint;
      int w = area.right - area.left, h = area.bottom - area.top;
      if (dc && w > 0 && h > 0) {
        // The least a double-buffered paint does: a frame of the update
        // area, filled, copied to the window, thrown away.
        HDC memory = CreateCompatibleDC(dc);
        HBITMAP bitmap = CreateCompatibleBitmap(dc, w, h);
        HGDIOBJ old = SelectObject(memory, bitmap);
        RECT fill = {0, 0, w, h};
        SetBkColor(memory, kFloorColour);
        ExtTextOutW(memory, 0, 0, ETO_OPAQUE, &fill, nullptr, 0, nullptr);
        BitBlt(dc, area.left, area.top, w, h, memory, 0, 0, SRCCOPY);
        SelectObject(memory, old);
        DeleteObject(bitmap);
        DeleteDC(memory);
      }
      EndPaint(hwnd, &ps);
      return 0;
    }
    default: return DefWindowProcW(hwnd, message, wParam, lParam);
  }
}

LRESULT CALLBACK FrameProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  return DefWindowProcW(hwnd, message, wParam, lParam);
}

// SetCellText(500000 + i % 1024, 7, text) through a cached DISPID, as a
// late-bound host calls it: the call i of a timed series.
void SetTextBelowTheView(IDispatch* object, DISPID id, BSTR text, int i) {
  VARIANT args[3];
  V_VT(&args[0]) = VT_BSTR;
  V_BSTR(&args[0]) = text;
  V_VT(&args[1]) = VT_I4;
  V_I4(&args[1]) = 7;
  V_VT(&args[2]) = VT_I4;
  V_I4(&args[2]) = 500000 + (i & 1023);
  DISPPARAMS params = {args, nullptr, 3, 0};
  UINT argErr = 0;
  object->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params, nullptr, nullptr, &argErr);
}

// ---- the minimal in-process IDispatch (the floor of a late-bound call)

class MinimalDispatch final : public IDispatch {
 public:
  static constexpr DISPID kRows = 2, kSetCellText = 7, kGetCellText = 11;

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override {
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IDispatch)) {
      *ppv = static_cast<IDispatch*>(this);
      AddRef();
      return S_OK;
    }
    *ppv = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ULONG(++m_refs); }
  ULONG STDMETHODCALLTYPE Release() override { return ULONG(--m_refs); }  // lives on the stack
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
    *count = 0;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }

  HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                                   EXCEPINFO*, UINT*) override {
    if (!params) return E_INVALIDARG;
    switch (id) {
      case kRows: {
        if (!(flags & DISPATCH_PROPERTYPUT)) return DISP_E_MEMBERNOTFOUND;
        if (params->cArgs != 1) return DISP_E_BADPARAMCOUNT;
        LONG rows = 0;
        if (!Long(params->rgvarg[0], &rows) || rows < 0) return DISP_E_TYPEMISMATCH;
        // One initialised empty text per cell: the least a grid that keeps
        // its cells must do for a new row count.
        m_cells.clear();
        m_cells.shrink_to_fit();
        m_cells.resize(std::size_t(rows) * kCols);
        m_rows = rows;
        return S_OK;
      }
      case kSetCellText: {
        if (params->cArgs != 3) return DISP_E_BADPARAMCOUNT;
        LONG row = 0, col = 0;
        if (!Long(params->rgvarg[2], &row) || !Long(params->rgvarg[1], &col)) return DISP_E_TYPEMISMATCH;
        if (V_VT(&params->rgvarg[0]) != VT_BSTR) return DISP_E_TYPEMISMATCH;
        std::wstring* cell = Cell(row, col);
        if (!cell) return DISP_E_EXCEPTION;
        BSTR text = V_BSTR(&params->rgvarg[0]);
        cell->assign(text ? text : L"", text ? SysStringLen(text) : 0);
        return S_OK;
      }
      case kGetCellText: {
        if (params->cArgs != 2) return DISP_E_BADPARAMCOUNT;
        LONG row = 0, col = 0;
        if (!Long(params->rgvarg[1], &row) || !Long(params->rgvarg[0], &col)) return DISP_E_TYPEMISMATCH;
        std::wstring* cell = Cell(row, col);
        if (!cell) return DISP_E_EXCEPTION;
        if (result) {
          V_VT(result) = VT_BSTR;
          V_BSTR(result) = SysAllocStringLen(cell->data(), UINT(cell->size()));
        }
        return S_OK;
      }
      default: return DISP_E_MEMBERNOTFOUND;
    }
  }

 private:
  static bool Long(VARIANTARG& arg, LONG* value) {
    VARIANT converted;
    VariantInit(&converted);
    if (FAILED(VariantChangeType(&converted, &arg, 0, VT_I4))) return false;
    *value = V_I4(&converted);
    return true;
  }
  std::wstring* Cell(LONG row, LONG col) {
    if (row < 0 || col < 0 || row >= m_rows || col >= kCols) return nullptr;
    return &m_cells[std::size_t(row) * kCols + std::size_t(col)];
  }

  LONG m_refs = 1;
  LONG m_rows = 0;
  std::vector<std::wstring> m_cells;
};

// ---- late-bound calls with cached DISPIDs

struct Caller {
  IDispatch* object = nullptr;

  DISPID Id(const wchar_t* name) {
    DISPID id = DISPID_UNKNOWN;
    LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
    HRESULT hr = object->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id);
    if (FAILED(hr)) Fail("GetIDsOfNames", hr);
    return id;
  }

  // args in the order of the member's parameters.
  HRESULT Invoke(DISPID id, WORD flags, std::vector<VARIANT> args, VARIANT* result = nullptr) {
    std::reverse(args.begin(), args.end());
    DISPID putId = DISPID_PROPERTYPUT;
    DISPPARAMS params = {args.empty() ? nullptr : args.data(), nullptr, UINT(args.size()), 0};
    if (flags & DISPATCH_PROPERTYPUT) {
      params.rgdispidNamedArgs = &putId;
      params.cNamedArgs = 1;
    }
    UINT argErr = 0;
    return object->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, flags, &params, result, nullptr, &argErr);
  }
};

VARIANT Long(LONG value) {
  VARIANT v;
  VariantInit(&v);
  V_VT(&v) = VT_I4;
  V_I4(&v) = value;
  return v;
}

VARIANT UShort(USHORT value) {
  VARIANT v;
  VariantInit(&v);
  V_VT(&v) = VT_UI2;
  V_UI2(&v) = value;
  return v;
}

VARIANT Borrowed(BSTR text) {
  VARIANT v;
  VariantInit(&v);
  V_VT(&v) = VT_BSTR;
  V_BSTR(&v) = text;
  return v;
}

// ---- the scene: a frame window, the grid in Wine's ATL container, the floor window

struct Scene {
  HWND frame = nullptr;
  HWND ax = nullptr;     // the ATL container window
  HWND grid = nullptr;   // the control's own window
  HWND floor = nullptr;  // the floor window: same place, size and frame as the grid's window
  IDispatch* dispatch = nullptr;
  Caller grid_;
  DISPID idRows = 0, idSetCellText = 0, idGetCellText = 0, idHeaderFlag = 0;
};

using AtlAxWinInitFn = BOOL(WINAPI*)();
using AtlAxGetControlFn = HRESULT(WINAPI*)(HWND, IUnknown**);

void RegisterWindowClasses(HINSTANCE instance) {
  WNDCLASSW wc{};
  wc.lpfnWndProc = FrameProc;
  wc.hInstance = instance;
  wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
  wc.lpszClassName = L"TzGridBenchFrame";
  RegisterClassW(&wc);
  wc.lpfnWndProc = FloorProc;
  wc.hbrBackground = nullptr;
  wc.lpszClassName = kFloorClass;
  RegisterClassW(&wc);
}

// The control's window and its IDispatch, from the container holding it.
bool TakeControl(Scene& s, AtlAxGetControlFn getControl) {
  IUnknown* unknown = nullptr;
  HRESULT hr = getControl(s.ax, &unknown);
  if (FAILED(hr) || !unknown) return Fail("AtlAxGetControl", hr), false;
  IOleInPlaceObject* inPlace = nullptr;
  if (SUCCEEDED(unknown->QueryInterface(IID_IOleInPlaceObject, reinterpret_cast<void**>(&inPlace)))) {
    inPlace->GetWindow(&s.grid);
    inPlace->Release();
  }
  unknown->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&s.dispatch));
  unknown->Release();
  if (!s.grid || !s.dispatch) return Fail("control window or IDispatch"), false;
  return true;
}

// The floor window copies the grid window's size and frame (border and
// both scroll bars), so that both paint client areas of one size; it sits
// beside the container, in the same frame, so that both stay visible.
bool CreateFloor(Scene& s, HINSTANCE instance) {
  RECT gridRect{};
  GetWindowRect(s.grid, &gridRect);
  MapWindowPoints(nullptr, s.frame, reinterpret_cast<POINT*>(&gridRect), 2);
  OffsetRect(&gridRect, kClientWidth, 0);
  DWORD style = WS_CHILD | WS_VISIBLE | WS_BORDER | WS_HSCROLL | WS_VSCROLL;
  s.floor = CreateWindowExW(0, kFloorClass, L"", style, gridRect.left, gridRect.top, gridRect.right - gridRect.left,
                            gridRect.bottom - gridRect.top, s.frame, nullptr, instance, nullptr);
  if (!s.floor) return Fail("floor window"), false;
  SCROLLINFO si{sizeof(si), SIF_RANGE | SIF_PAGE | SIF_POS, 0, 1000, 100, 0, 0};
  SetScrollInfo(s.floor, SB_VERT, &si, TRUE);
  SetScrollInfo(s.floor, SB_HORZ, &si, TRUE);
  return true;
}

bool BuildScene(Scene& s) {
  HMODULE atl = LoadLibraryW(L"atl100.dll");
  if (!atl) return Fail("atl100.dll"), false;
  auto init = reinterpret_cast<AtlAxWinInitFn>(reinterpret_cast<void*>(GetProcAddress(atl, "AtlAxWinInit")));
  auto getControl =
      reinterpret_cast<AtlAxGetControlFn>(reinterpret_cast<void*>(GetProcAddress(atl, "AtlAxGetControl")));
  if (!init || !getControl || !init()) return Fail("AtlAxWinInit"), false;

  HINSTANCE instance = GetModuleHandleW(nullptr);
  RegisterWindowClasses(instance);
  // A frame without a caption or border, so that its client area (and the
  // container filling it) is exactly the workload's 1920 x 1080.
  s.frame = CreateWindowExW(0, L"TzGridBenchFrame", L"TzGrid bench", WS_POPUP | WS_VISIBLE | WS_CLIPCHILDREN, 0, 0,
                            2 * kClientWidth, kClientHeight, nullptr, nullptr, instance, nullptr);
  if (!s.frame) return Fail("frame window"), false;
  s.ax = CreateWindowExW(0, L"AtlAxWin100", kProgId, WS_CHILD | WS_VISIBLE, 0, 0, kClientWidth, kClientHeight,
                         s.frame, nullptr, instance, nullptr);
  if (!s.ax) return Fail("AtlAxWin100 window"), false;
  Pump(200);
  if (!TakeControl(s, getControl) || !CreateFloor(s, instance)) return false;

  s.grid_.object = s.dispatch;
  s.idRows = s.grid_.Id(L"Rows");
  s.idSetCellText = s.grid_.Id(L"SetCellText");
  s.idGetCellText = s.grid_.Id(L"GetCellText");
  s.idHeaderFlag = s.grid_.Id(L"SetCellHeaderFlag");
  return !g_failed;
}

void SetText(Scene& s, int row, int col) {
  BSTR text = SysAllocString(CellText(row, col).c_str());
  HRESULT hr = s.grid_.Invoke(s.idSetCellText, DISPATCH_METHOD, {Long(row), Long(col), Borrowed(text)});
  SysFreeString(text);
  if (FAILED(hr)) Fail("SetCellText", hr);
}

std::wstring GetText(Caller& c, DISPID id, int row, int col) {
  VARIANT result;
  VariantInit(&result);
  std::wstring text;
  HRESULT hr = c.Invoke(id, DISPATCH_METHOD, {Long(row), Long(col)}, &result);
  if (SUCCEEDED(hr) && V_VT(&result) == VT_BSTR && V_BSTR(&result)) text = V_BSTR(&result);
  VariantClear(&result);
  return text;
}

void FillRows(Scene& s, int first, int last) {
  for (int r = std::max(first, 0); r <= std::min(last, kRows - 1); ++r) {
    for (int c = 0; c < kCols; ++c) SetText(s, r, c);
  }
}

int VScrollPos(HWND grid) {
  SCROLLINFO si{sizeof(si), SIF_POS, 0, 0, 0, 0, 0};
  GetScrollInfo(grid, SB_VERT, &si);
  return si.nPos;
}

// Brings the grid's first scrolled row to topRow the way a user's thumb
// drag ends: the bar's position is set, then the control is told the thumb
// was released there. The control picks the first row whose bottom the
// thumb reaches and snaps to that row's top, so the thumb goes one pixel
// into the row.
void ScrollGridTo(Scene& s, int topRow) {
  int pos = (topRow - 1) * kRowHeight;
  SetScrollPos(s.grid, SB_VERT, pos + 1, FALSE);
  SendMessageW(s.grid, WM_VSCROLL, MAKEWPARAM(SB_THUMBPOSITION, 0), 0);
  UpdateWindow(s.grid);
  if (VScrollPos(s.grid) != pos) {
    SCROLLINFO si{sizeof(si), SIF_ALL, 0, 0, 0, 0, 0};
    GetScrollInfo(s.grid, SB_VERT, &si);
    std::printf("  asked %d: min %d max %d page %u pos %d track %d\n", pos, si.nMin, si.nMax, si.nPage, si.nPos,
                si.nTrackPos);
    Fail("thumb scroll did not reach its row");
  }
}

// The area below the header row that the floor scrolls, as the grid does.
RECT ScrolledArea(HWND window) {
  RECT client{};
  GetClientRect(window, &client);
  client.top += kRowHeight;
  return client;
}

RECT BottomStrip(HWND window) {
  RECT client{};
  GetClientRect(window, &client);
  client.top = client.bottom - kRowHeight;
  return client;
}

// ---- the measurements

struct Row {
  const char* name;
  const char* unit;
  double grid;
  double floor;  // 0: no floor
};

void Print(const std::vector<Row>& rows) {
  std::printf("%-44s %14s %14s %8s\n", "figure", "TzGrid.ocx", "floor", "ratio");
  for (const Row& r : rows) {
    char g[32], f[32], q[16];
    std::snprintf(g, sizeof g, "%.3f %s", r.grid, r.unit);
    if (r.floor > 0) {
      std::snprintf(f, sizeof f, "%.3f %s", r.floor, r.unit);
      std::snprintf(q, sizeof q, "%.3gx", r.grid / r.floor);
    } else {
      std::snprintf(f, sizeof f, "-");
      std::snprintf(q, sizeof q, "-");
    }
    std::printf("%-44s %14s %14s %8s\n", r.name, g, f, q);
  }
  std::fflush(stdout);
}

// The medians of the grid's and the floor's timings of one operation.
struct Pair {
  double grid;
  double floor;
};

// Times gridOp and floorOp alternately, reps times each, the one going
// first changing every time: drift in the machine's load then reaches both
// figures alike.
template <class GridOp, class FloorOp>
Pair Paired(int reps, GridOp gridOp, FloorOp floorOp) {
  std::vector<double> g, f;
  for (int i = 0; i < reps; ++i) {
    for (int k = 0; k < 2; ++k) {
      bool gridTurn = (k == 0) == (i % 2 == 0);
      Drain();
      double t0 = NowMs();
      if (gridTurn) {
        gridOp(i);
      } else {
        floorOp(i);
      }
      (gridTurn ? g : f).push_back(NowMs() - t0);
    }
  }
  return {Median(g), Median(f)};
}

void FullRepaint(HWND window) { RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW); }

void StripRepaint(HWND window) {
  RECT strip = BottomStrip(window);
  InvalidateRect(window, &strip, FALSE);
  UpdateWindow(window);
}

// One-row scroll step of the grid: WM_VSCROLL SB_LINEDOWN and the repaint
// of what it uncovers.
void GridLineScroll(HWND grid) {
  SendMessageW(grid, WM_VSCROLL, MAKEWPARAM(SB_LINEDOWN, 0), 0);
  UpdateWindow(grid);
}

// The floor's step: the system moves the pixels, the window paints the strip.
void FloorLineScroll(HWND floor) {
  RECT area = ScrolledArea(floor);
  ScrollWindowEx(floor, 0, -kRowHeight, &area, &area, nullptr, nullptr, SW_INVALIDATE);
  UpdateWindow(floor);
}

struct Plan {
  int paintReps = 50;     // W2 and the strip
  int scrollReps = 200;   // W3, W3b
  int resizeReps = 5;     // Rows = 1,000,000
  int callBatches = 21;
  int callsPerBatch = 5000;
};

// The rows a 1080 px client shows, and where W3b starts: 200 steps before the end.
constexpr int kShownRows = kClientHeight / kRowHeight + 2;
constexpr int kLateTop = kRows - 200 - kShownRows;

// The workload's shape: 20 columns of 50 px, rows of 20 px, one fixed
// (header) row, no fixed column: the control's defaults but the counts.
void ShapeGrid(Scene& s) {
  HRESULT hr = s.grid_.Invoke(s.grid_.Id(L"Columns"), DISPATCH_PROPERTYPUT, {Long(kCols)});
  if (FAILED(hr)) Fail("Columns", hr);
  s.grid_.Invoke(s.grid_.Id(L"FixedRows"), DISPATCH_PROPERTYPUT, {Long(1)});
  s.grid_.Invoke(s.grid_.Id(L"FixedColumns"), DISPATCH_PROPERTYPUT, {Long(0)});
}

// Rows = 1,000,000 from a grid of 2 rows, through Invoke.
Row MeasureResize(Scene& s, Caller& floorCaller, int reps) {
  std::vector<double> g, f;
  for (int i = 0; i < reps; ++i) {
    s.grid_.Invoke(s.idRows, DISPATCH_PROPERTYPUT, {Long(2)});
    floorCaller.Invoke(MinimalDispatch::kRows, DISPATCH_PROPERTYPUT, {Long(2)});
    Drain();
    double t0 = NowMs();
    HRESULT hr = s.grid_.Invoke(s.idRows, DISPATCH_PROPERTYPUT, {Long(kRows)});
    g.push_back(NowMs() - t0);
    if (FAILED(hr)) Fail("Rows = 1000000", hr);
    t0 = NowMs();
    floorCaller.Invoke(MinimalDispatch::kRows, DISPATCH_PROPERTYPUT, {Long(kRows)});
    f.push_back(NowMs() - t0);
  }
  return {"Rows = 1,000,000 via Invoke (20 columns)", "ms", Median(g), Median(f)};
}

// The header row and the rows the measurements show get their texts.
void FillMeasuredRows(Scene& s, int scrollReps) {
  for (int c = 0; c < kCols; ++c) {
    s.grid_.Invoke(s.idHeaderFlag, DISPATCH_METHOD, {Long(0), Long(c), UShort(1)});
  }
  FillRows(s, 0, kShownRows + scrollReps + 2);
  FillRows(s, kLateTop - 1, kRows - 1);
}

// Long enough for a sampling profiler to see where a repaint goes; the
// fastest repaints of grid and floor, which a busy machine disturbs least,
// for comparing two builds.
void ProbeRepaintLoop(Scene& s) {
  std::vector<double> g, f;
  for (int i = 0; i < 500; ++i) {
    double t0 = NowMs();
    FullRepaint(s.grid);
    double t1 = NowMs();
    FullRepaint(s.floor);
    g.push_back(t1 - t0);
    f.push_back(NowMs() - t1);
  }
  std::sort(g.begin(), g.end());
  std::sort(f.begin(), f.end());
  std::printf("W2 grid: fastest %.3f ms, tenth %.3f ms, median %.3f ms; floor: %.3f, %.3f, %.3f ms\n", g[0],
              g[g.size() / 10], Median(g), f[0], f[f.size() / 10], Median(f));
}

// Late-bound SetCellText below the view: many calls for a sampling
// profiler, or ten for a relay log.
void ProbeSetCellText(Scene& s, int calls) {
  BSTR text = SysAllocString(CellText(123, 7).c_str());
  for (int i = 0; i < calls; ++i) SetTextBelowTheView(s.dispatch, s.idSetCellText, text, i);
  SysFreeString(text);
}

// One operation between the two markers a relay or trace log is cut at.
void RunProbe(Scene& s, const char* probe) {
  Pump(100);
  OutputDebugStringA("TZBENCH probe begin");
  std::printf("probe begins\n");
  std::fflush(stdout);
  if (std::strcmp(probe, "w2") == 0) {
    FullRepaint(s.grid);
  } else if (std::strcmp(probe, "w2loop") == 0) {
    ProbeRepaintLoop(s);
  } else if (std::strcmp(probe, "setloop") == 0 || std::strcmp(probe, "set10") == 0) {
    ProbeSetCellText(s, std::strcmp(probe, "set10") == 0 ? 10 : 5000000);
  } else if (std::strcmp(probe, "w3") == 0) {
    GridLineScroll(s.grid);
  } else {
    StripRepaint(s.grid);
  }
  OutputDebugStringA("TZBENCH probe end");
}

// W2 and the strip over the rows the grid shows now, grid and floor alternately.
void MeasureRepaints(Scene& s, int reps, const char* fullName, const char* stripName, std::vector<Row>& rows) {
  Pair full = Paired(reps, [&](int) { FullRepaint(s.grid); }, [&](int) { FullRepaint(s.floor); });
  Pair strip = Paired(reps, [&](int) { StripRepaint(s.grid); }, [&](int) { StripRepaint(s.floor); });
  rows.push_back({fullName, "ms", full.grid, full.floor});
  rows.push_back({stripName, "ms", strip.grid, strip.floor});
}

Row MeasureLineScrolls(Scene& s, int reps, const char* name) {
  Pair step = Paired(reps, [&](int) { GridLineScroll(s.grid); }, [&](int) { FloorLineScroll(s.floor); });
  return {name, "ms", step.grid, step.floor};
}

void MeasurePaintAndScroll(Scene& s, const Plan& plan, std::vector<Row>& rows) {
  Pump(100);
  MeasureRepaints(s, plan.paintReps, "W2 full repaint, text (RedrawWindow)", "20 px strip repaint, text", rows);
  rows.push_back(MeasureLineScrolls(s, plan.scrollReps, "W3 line scroll at the top + repaint"));

  ScrollGridTo(s, kLateTop);
  Pump(50);
  rows.push_back(MeasureLineScrolls(s, plan.scrollReps, "W3b line scroll 200 rows before the end"));

  // The same repaints over rows without text, mid-grid.
  ScrollGridTo(s, kRows / 2);
  Pump(50);
  MeasureRepaints(s, plan.paintReps, "W2 full repaint, no text", "20 px strip repaint, no text", rows);
  ScrollGridTo(s, 1);
  Pump(50);
}

// GetCellText(500000 + i % 1024, 7) through a cached DISPID, as a
// late-bound host calls it: the call i of a timed series.
void GetTextBelowTheView(IDispatch* object, DISPID id, int i) {
  VARIANT args[2];
  V_VT(&args[0]) = VT_I4;
  V_I4(&args[0]) = 7;
  V_VT(&args[1]) = VT_I4;
  V_I4(&args[1]) = 500000 + (i & 1023);
  DISPPARAMS params = {args, nullptr, 2, 0};
  VARIANT result;
  VariantInit(&result);
  UINT argErr = 0;
  object->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params, &result, nullptr, &argErr);
  VariantClear(&result);
}

// n calls in one timing: the figure per call is the batch's over n.
template <class Call>
auto Batch(int n, Call call) {
  return [n, call](int) {
    for (int i = 0; i < n; ++i) call(i);
  };
}

// Late-bound calls, DISPIDs cached, on cells below the view (the row range
// moves so that the same cell is not hit every time).
void MeasureCalls(Scene& s, Caller& floorCaller, const Plan& plan, std::vector<Row>& rows) {
  BSTR text = SysAllocString(CellText(123, 7).c_str());
  floorCaller.Invoke(MinimalDispatch::kRows, DISPATCH_PROPERTYPUT, {Long(kRows)});
  auto setOn = [text](Caller& c, DISPID id) {
    return [&c, id, text](int i) { SetTextBelowTheView(c.object, id, text, i); };
  };
  auto getOn = [](Caller& c, DISPID id) { return [&c, id](int i) { GetTextBelowTheView(c.object, id, i); }; };
  const int n = plan.callsPerBatch;
  const double perCallUs = 1000.0 / n;
  Pair set = Paired(plan.callBatches, Batch(n, setOn(s.grid_, s.idSetCellText)),
                    Batch(n, setOn(floorCaller, MinimalDispatch::kSetCellText)));
  Pump(50);
  Pair get = Paired(plan.callBatches, Batch(n, getOn(s.grid_, s.idGetCellText)),
                    Batch(n, getOn(floorCaller, MinimalDispatch::kGetCellText)));
  SysFreeString(text);
  rows.push_back({"SetCellText via Invoke, per call", "us", set.grid * perCallUs, set.floor * perCallUs});
  rows.push_back({"GetCellText via Invoke, per call", "us", get.grid * perCallUs, get.floor * perCallUs});

  // The calls must have done their work, or the figures mean nothing.
  if (GetText(s.grid_, s.idGetCellText, 500000, 7) != CellText(123, 7)) Fail("SetCellText did not store the text");
  if (GetText(floorCaller, MinimalDispatch::kGetCellText, 500000, 7) != CellText(123, 7)) {
    Fail("the floor did not store the text");
  }
}

int Run(bool shortRun, const char* probe) {
  Plan plan;
  if (shortRun) plan = Plan{5, 10, 1, 3, 2000};
  Scene s;
  if (!BuildScene(s)) return 1;
  MinimalDispatch minimal;
  Caller floorCaller{&minimal};
  std::vector<Row> rows;

  ShapeGrid(s);
  rows.push_back(MeasureResize(s, floorCaller, probe ? 1 : plan.resizeReps));
  FillMeasuredRows(s, plan.scrollReps);
  Pump(100);
  if (probe) {
    RunProbe(s, probe);
  } else {
    MeasurePaintAndScroll(s, plan, rows);
    MeasureCalls(s, floorCaller, plan, rows);
    std::printf("TzGrid.ocx in Wine's ATL container, %d x %d client, %d x %d grid%s\n", kClientWidth, kClientHeight,
                kCols, kRows, shortRun ? " (short run: few repetitions)" : "");
    Print(rows);
  }
  s.dispatch->Release();
  DestroyWindow(s.frame);
  return g_failed ? 1 : 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  bool shortRun = false;
  const char* probe = nullptr;
  static std::string probeName;
  for (int i = 1; i < argc; ++i) {
    if (std::wcscmp(argv[i], L"--short") == 0) {
      shortRun = true;
    } else if (std::wcscmp(argv[i], L"--probe") == 0 && i + 1 < argc) {
      std::wstring w = argv[++i];
      probeName.assign(w.begin(), w.end());
      probe = probeName.c_str();
    } else {
      std::fprintf(stderr, "usage: tzgrid_wine_bench.exe [--short] [--probe strip|w2|w2loop|w3|setloop|set10]\n");
      return 2;
    }
  }
  LARGE_INTEGER f;
  QueryPerformanceFrequency(&f);
  g_ticksPerMs = double(f.QuadPart) / 1000.0;
  if (FAILED(OleInitialize(nullptr))) {
    std::printf("FAIL OleInitialize\n");
    return 1;
  }
  int rc = Run(shortRun, probe);
  OleUninitialize();
  return rc;
}
