// TzGrid demo host: a top-level window embedding the TzGrid control through
// a real OLE container, filled through Automation with a sample table (a
// header row with sort marks, a fixed column, colours, alignments and a few
// hundred rows). Clicks on cells show in the title bar through the
// control's events.
//
//   tzgrid_demohost.exe                       run interactively
//   tzgrid_demohost.exe --screenshot <file>   save a picture of the window
//                                             (.png or .bmp) and exit
#include "OleContainer.h"

#include <wincodec.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

using TzGridHost::OleContainer;

constexpr const wchar_t* kProgId = L"TZGRID.TzGridCtrl.1";
constexpr int kDataRows = 300;
constexpr int kWidth = 760;
constexpr int kHeight = 520;

OleContainer* g_site = nullptr;
HWND g_frame = nullptr;

// ---- Automation by member name

HRESULT Invoke(IDispatch* grid, const wchar_t* name, std::vector<VARIANT> args, WORD flags = DISPATCH_METHOD,
               VARIANT* result = nullptr) {
  DISPID id = DISPID_UNKNOWN;
  LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
  HRESULT hr = grid->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id);
  if (SUCCEEDED(hr)) {
    std::vector<VARIANT> reversed(args.rbegin(), args.rend());
    DISPID putId = DISPID_PROPERTYPUT;
    DISPPARAMS params = {reversed.data(), nullptr, UINT(reversed.size()), 0};
    if (flags == DISPATCH_PROPERTYPUT) {
      params.rgdispidNamedArgs = &putId;
      params.cNamedArgs = 1;
    }
    hr = grid->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, flags, &params, result, nullptr, nullptr);
  }
  for (VARIANT& v : args) VariantClear(&v);
  if (FAILED(hr)) std::fwprintf(stderr, L"demohost: %ls failed: 0x%08lX\n", name, static_cast<unsigned long>(hr));
  return hr;
}

VARIANT Long(LONG value) {
  VARIANT v;
  VariantInit(&v);
  V_VT(&v) = VT_I4;
  V_I4(&v) = value;
  return v;
}

VARIANT Text(const std::wstring& value) {
  VARIANT v;
  VariantInit(&v);
  V_VT(&v) = VT_BSTR;
  V_BSTR(&v) = SysAllocStringLen(value.data(), UINT(value.size()));
  return v;
}

// ---- the sample table: invented cities, made up from syllables

std::wstring CityName(int i) {
  static const wchar_t* first[] = {L"Bel", L"Cor", L"Dun", L"Esk", L"Fal", L"Gran", L"Hol", L"Ives",
                                   L"Kel", L"Lor", L"Mar", L"Nor", L"Ost", L"Port", L"Ros", L"Sal"};
  static const wchar_t* last[] = {L"ford", L"haven", L"mouth", L"by", L"wick", L"stead", L"ton", L"dale", L"mere"};
  return std::wstring(first[(i * 7) % 16]) + last[(i * 5 + i / 16) % 9];
}

const wchar_t* Country(int i) {
  static const wchar_t* countries[] = {L"Aldoria", L"Brevia", L"Calmark", L"Dorvania", L"Estmere"};
  return countries[(i * 3) % 5];
}

void FillGrid(IDispatch* grid) {
  const int columns = 6;
  Invoke(grid, L"Columns", {Long(columns)}, DISPATCH_PROPERTYPUT);
  Invoke(grid, L"Rows", {Long(kDataRows + 1)}, DISPATCH_PROPERTYPUT);
  Invoke(grid, L"FixedRows", {Long(1)}, DISPATCH_PROPERTYPUT);
  Invoke(grid, L"FixedColumns", {Long(1)}, DISPATCH_PROPERTYPUT);
  Invoke(grid, L"SetDefaultFont", {Text(L"Arial"), Long(-12), Long(400)});

  const wchar_t* headers[columns] = {L"#", L"City", L"Country", L"Population", L"Area (km2)", L"Change %"};
  // The fixed column is a strip of blank raised frames, like row selectors.
  const LONG widths[columns] = {20, 160, 120, 130, 110, 100};
  for (int c = 0; c < columns; ++c) {
    Invoke(grid, L"SetColumnWidth", {Long(c), Long(widths[c])});
    Invoke(grid, L"SetCellText", {Long(0), Long(c), Text(headers[c])});
    Invoke(grid, L"SetCellHeaderFlag", {Long(0), Long(c), Long(1)});
    Invoke(grid, L"SetCellJustification", {Long(0), Long(c), Long(1)});
  }
  // The table is sorted by population, descending; the city column shows
  // the other sort mark.
  Invoke(grid, L"SetCellSortState", {Long(0), Long(3), Long(2)});
  Invoke(grid, L"SetCellSortState", {Long(0), Long(1), Long(1)});

  for (int r = 1; r <= kDataRows; ++r) {
    int i = r - 1;
    long population = 4200000L - long(i) * 13331L;
    long area = 80 + (i * 37) % 900;
    int change = ((i * 17) % 41) - 12;  // tenths of a percent, some negative
    wchar_t number[32];
    Invoke(grid, L"SetCellText", {Long(r), Long(0), Text(std::to_wstring(r))});
    Invoke(grid, L"SetCellText", {Long(r), Long(1), Text(CityName(i))});
    Invoke(grid, L"SetCellText", {Long(r), Long(2), Text(Country(i))});
    Invoke(grid, L"SetCellText", {Long(r), Long(3), Text(std::to_wstring(population))});
    Invoke(grid, L"SetCellText", {Long(r), Long(4), Text(std::to_wstring(area))});
    int magnitude = change < 0 ? -change : change;
    std::swprintf(number, 32, L"%lc%d.%d", change < 0 ? L'-' : L'+', magnitude / 10, magnitude % 10);
    Invoke(grid, L"SetCellText", {Long(r), Long(5), Text(number)});
    Invoke(grid, L"SetCellJustification", {Long(r), Long(0), Long(1)});
    Invoke(grid, L"SetCellJustification", {Long(r), Long(2), Long(1)});
    for (int c = 3; c < columns; ++c) Invoke(grid, L"SetCellJustification", {Long(r), Long(c), Long(2)});
    if (r % 2 == 0) {
      for (int c = 1; c < columns; ++c) Invoke(grid, L"SetItemBackColor", {Long(r), Long(c), Long(RGB(234, 242, 255))});
    }
    Invoke(grid, L"SetCellForeColour", {Long(r), Long(5), Long(change < 0 ? RGB(192, 0, 0) : RGB(0, 128, 0))});
    if (population > 4000000L) Invoke(grid, L"SetCellBold", {Long(r), Long(1), Long(1)});
    Invoke(grid, L"SetCellReadOnlyFlag", {Long(r), Long(0)});
  }
  Invoke(grid, L"SetItemBackColor", {Long(3), Long(3), Long(RGB(255, 236, 160))});
  Invoke(grid, L"SetFocusedCell", {Long(3), Long(3)});
  Invoke(grid, L"Refresh", {});
}

// ---- events into the title bar

class TitleSink final : public IDispatch {
 public:
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override {
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IDispatch) || IsEqualIID(riid, m_events)) {
      *ppv = static_cast<IDispatch*>(this);
      return S_OK;
    }
    *ppv = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
  ULONG STDMETHODCALLTYPE Release() override { return 1; }
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
    *count = 0;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE Invoke(DISPID dispid, REFIID, LCID, WORD, DISPPARAMS* params, VARIANT*, EXCEPINFO*,
                                   UINT*) override {
    if (!params || params->cArgs != 2) return S_OK;
    wchar_t title[128];
    std::swprintf(title, 128, L"TzGrid Demo - %ls row %ld, column %ld",
                  dispid == 1 ? L"selected" : L"left", V_I4(&params->rgvarg[1]), V_I4(&params->rgvarg[0]));
    SetWindowTextW(g_frame, title);
    return S_OK;
  }
  GUID m_events{};
};

TitleSink g_sink;
IConnectionPoint* g_point = nullptr;
DWORD g_cookie = 0;

void AdviseTitleSink(IUnknown* control) {
  IProvideClassInfo2* info = nullptr;
  IConnectionPointContainer* container = nullptr;
  if (SUCCEEDED(control->QueryInterface(IID_IProvideClassInfo2, reinterpret_cast<void**>(&info)))) {
    info->GetGUID(GUIDKIND_DEFAULT_SOURCE_DISP_IID, &g_sink.m_events);
    info->Release();
  }
  if (SUCCEEDED(control->QueryInterface(IID_IConnectionPointContainer, reinterpret_cast<void**>(&container)))) {
    if (SUCCEEDED(container->FindConnectionPoint(g_sink.m_events, &g_point))) g_point->Advise(&g_sink, &g_cookie);
    container->Release();
  }
}

// ---- screenshots

// The client area as it is on the screen (the frame around it belongs to
// the window manager, which a virtual display may not have).
std::vector<BYTE> CaptureWindow(HWND hwnd, int* width, int* height) {
  RECT rect{};
  GetClientRect(hwnd, &rect);
  MapWindowPoints(hwnd, nullptr, reinterpret_cast<POINT*>(&rect), 2);
  *width = rect.right - rect.left;
  *height = rect.bottom - rect.top;
  HDC screen = GetDC(nullptr);
  HDC memory = CreateCompatibleDC(screen);
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biWidth = *width;
  info.bmiHeader.biHeight = -*height;  // top-down rows
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  HGDIOBJ old = SelectObject(memory, bitmap);
  BitBlt(memory, 0, 0, *width, *height, screen, rect.left, rect.top, SRCCOPY);
  GdiFlush();
  std::vector<BYTE> pixels(static_cast<const BYTE*>(bits),
                           static_cast<const BYTE*>(bits) + std::size_t(*width) * std::size_t(*height) * 4);
  SelectObject(memory, old);
  DeleteObject(bitmap);
  DeleteDC(memory);
  ReleaseDC(nullptr, screen);
  for (std::size_t i = 3; i < pixels.size(); i += 4) pixels[i] = 0xFF;  // opaque
  return pixels;
}

bool WriteBmp(const std::wstring& path, const std::vector<BYTE>& bgra, int width, int height) {
  BITMAPFILEHEADER file{};
  BITMAPINFOHEADER header{};
  header.biSize = sizeof(header);
  header.biWidth = width;
  header.biHeight = -height;
  header.biPlanes = 1;
  header.biBitCount = 32;
  header.biCompression = BI_RGB;
  file.bfType = 0x4D42;
  file.bfOffBits = sizeof(file) + sizeof(header);
  file.bfSize = DWORD(file.bfOffBits + bgra.size());
  FILE* out = _wfopen(path.c_str(), L"wb");
  if (!out) return false;
  bool ok = std::fwrite(&file, sizeof(file), 1, out) == 1 && std::fwrite(&header, sizeof(header), 1, out) == 1 &&
            std::fwrite(bgra.data(), 1, bgra.size(), out) == bgra.size();
  return std::fclose(out) == 0 && ok;
}

bool WritePng(const std::wstring& path, const std::vector<BYTE>& bgra, int width, int height) {
  IWICImagingFactory* factory = nullptr;
  IWICStream* stream = nullptr;
  IWICBitmapEncoder* encoder = nullptr;
  IWICBitmapFrameEncode* frame = nullptr;
  bool ok = SUCCEEDED(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_IWICImagingFactory,
                                       reinterpret_cast<void**>(&factory))) &&
            SUCCEEDED(factory->CreateStream(&stream)) &&
            SUCCEEDED(stream->InitializeFromFilename(path.c_str(), GENERIC_WRITE)) &&
            SUCCEEDED(factory->CreateEncoder(GUID_ContainerFormatPng, nullptr, &encoder)) &&
            SUCCEEDED(encoder->Initialize(stream, WICBitmapEncoderNoCache)) &&
            SUCCEEDED(encoder->CreateNewFrame(&frame, nullptr)) && SUCCEEDED(frame->Initialize(nullptr)) &&
            SUCCEEDED(frame->SetSize(UINT(width), UINT(height)));
  if (ok) {
    WICPixelFormatGUID format = GUID_WICPixelFormat32bppBGRA;
    ok = SUCCEEDED(frame->SetPixelFormat(&format)) && IsEqualGUID(format, GUID_WICPixelFormat32bppBGRA) &&
         SUCCEEDED(frame->WritePixels(UINT(height), UINT(width) * 4, UINT(bgra.size()),
                                      const_cast<BYTE*>(bgra.data()))) &&
         SUCCEEDED(frame->Commit()) && SUCCEEDED(encoder->Commit());
  }
  if (frame) frame->Release();
  if (encoder) encoder->Release();
  if (stream) stream->Release();
  if (factory) factory->Release();
  return ok;
}

bool SaveScreenshot(HWND hwnd, const std::wstring& path) {
  int width = 0, height = 0;
  std::vector<BYTE> pixels = CaptureWindow(hwnd, &width, &height);
  bool png = path.size() > 4 && _wcsicmp(path.c_str() + path.size() - 4, L".png") == 0;
  return png ? WritePng(path, pixels, width, height) : WriteBmp(path, pixels, width, height);
}

// ---- the frame window

RECT GridRect(HWND hwnd) {
  RECT client{};
  GetClientRect(hwnd, &client);
  InflateRect(&client, -8, -8);
  return client;
}

LRESULT CALLBACK FrameProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_SIZE:
      if (g_site) g_site->SetRect(GridRect(hwnd));
      return 0;
    case WM_SETFOCUS:
      if (g_site) g_site->UiActivate();
      return 0;
    case WM_DESTROY:
      PostQuitMessage(0);
      return 0;
    default:
      return DefWindowProcW(hwnd, message, wParam, lParam);
  }
}

void Pump(DWORD ms) {
  DWORD start = GetTickCount();
  while (GetTickCount() - start < ms) {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
  }
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, LPWSTR, int show) {
  std::wstring screenshot;
  for (int i = 1; i + 1 < __argc; ++i) {
    if (std::wstring(__wargv[i]) == L"--screenshot") screenshot = __wargv[i + 1];
  }
  if (FAILED(OleInitialize(nullptr))) return 1;

  WNDCLASSW wc{};
  wc.lpfnWndProc = FrameProc;
  wc.hInstance = instance;
  wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  wc.lpszClassName = L"TzGridDemoHost";
  RegisterClassW(&wc);
  g_frame = CreateWindowExW(0, wc.lpszClassName, L"TzGrid Demo", WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, 0, 0,
                            kWidth, kHeight, nullptr, nullptr, instance, nullptr);
  if (!g_frame) return 1;

  HRESULT hr = OleContainer::Create(g_frame, GridRect(g_frame), kProgId, &g_site);
  if (FAILED(hr)) {
    std::fwprintf(stderr, L"demohost: cannot embed %ls (0x%08lX); is TzGrid.ocx registered?\n", kProgId,
                  static_cast<unsigned long>(hr));
    return 1;
  }
  IDispatch* grid = nullptr;
  g_site->Control()->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&grid));
  FillGrid(grid);
  AdviseTitleSink(g_site->Control());
  ShowWindow(g_frame, screenshot.empty() ? show : SW_SHOWNORMAL);
  UpdateWindow(g_frame);
  g_site->UiActivate();

  int exitCode = 0;
  if (!screenshot.empty()) {
    Pump(800);
    RedrawWindow(g_frame, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    Pump(300);
    if (!SaveScreenshot(g_frame, screenshot)) {
      std::fwprintf(stderr, L"demohost: cannot write %ls\n", screenshot.c_str());
      exitCode = 1;
    }
    DestroyWindow(g_frame);
  } else {
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
      if (g_site->OfferAccelerator(&msg)) continue;
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
  }
  if (g_point) {
    g_point->Unadvise(g_cookie);
    g_point->Release();
  }
  grid->Release();
  g_site->Close();
  g_site->Release();
  OleUninitialize();
  return exitCode;
}
