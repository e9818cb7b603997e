// The control in containers: Wine's ATL host window (AtlAxWin100 from
// atl100.dll) and our own minimal container, each checked for a real
// in-place activation (window, parent, size, following resizes) and for
// the picture read back from the control's window.
#include "../../tools/demohost/OleContainer.h"
#include "HostKit.h"

#include <cstdio>

namespace ModuleTest {

namespace {

using TzGridHost::OleContainer;

RECT WindowRectIn(HWND child, HWND parent) {
  RECT rect{};
  GetWindowRect(child, &rect);
  MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&rect), 2);
  return rect;
}

bool SameRect(const RECT& a, const RECT& b) {
  bool same = a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
  if (!same) {
    std::printf("  rect (%ld,%ld,%ld,%ld) != (%ld,%ld,%ld,%ld)\n", a.left, a.top, a.right, a.bottom, b.left, b.top,
                b.right, b.bottom);
  }
  return same;
}

COLORREF PixelAt(HWND window, int x, int y) {
  RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
  Pump(50);
  HDC dc = GetDC(window);
  COLORREF colour = GetPixel(dc, x, y);
  ReleaseDC(window, dc);
  return colour;
}

bool PixelIs(HWND window, int x, int y, COLORREF expected) {
  COLORREF got = PixelAt(window, x, y);
  if (got != expected) std::printf("  pixel (%d,%d) is %06lX, expected %06lX\n", x, y, got, expected);
  return got == expected;
}

// The picture of a freshly embedded grid with one coloured cell: cell (1, 1)
// spans x 50..99 and y 20..39, the area right of the five columns is the
// empty-area colour.
void CheckPicture(IDispatch* grid, HWND window) {
  CHECK_HR(Call(grid, L"SetItemBackColor", {Long(1), Long(1), Long(RGB(0, 200, 0))}), S_OK);
  CHECK_HR(Call(grid, L"Refresh", {}), S_OK);
  CHECK(PixelIs(window, 75, 30, RGB(0, 200, 0)));
  CHECK(PixelIs(window, 75, 50, GetSysColor(COLOR_WINDOW)));
  CHECK(PixelIs(window, 300, 150, GetSysColor(COLOR_BTNSHADOW)));
}

// Counts the notifications a container's advise sink receives.
class CountingAdviseSink final : public IAdviseSink {
 public:
  int closes = 0;
  int viewChanges = 0;
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override {
    *ppv = IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IAdviseSink) ? this : nullptr;
    if (!*ppv) return E_NOINTERFACE;
    AddRef();
    return S_OK;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ULONG(InterlockedIncrement(&m_ref)); }
  ULONG STDMETHODCALLTYPE Release() override { return ULONG(InterlockedDecrement(&m_ref)); }  // stack-owned
  void STDMETHODCALLTYPE OnDataChange(FORMATETC*, STGMEDIUM*) override {}
  void STDMETHODCALLTYPE OnViewChange(DWORD, LONG) override { ++viewChanges; }
  void STDMETHODCALLTYPE OnRename(IMoniker*) override {}
  void STDMETHODCALLTYPE OnSave() override {}
  void STDMETHODCALLTYPE OnClose() override { ++closes; }
  LONG Refs() const { return m_ref; }

 private:
  LONG m_ref = 1;
};

}  // namespace

void RunAtlContainerTests() {
  HWND top = CreateHostWindow(L"TzGrid in ATL", 420, 440);
  AtlEmbedding atl;
  if (!EmbedInAtl(top, RECT{10, 10, 410, 310}, atl)) return;
  HWND ax = atl.ax, grid = atl.grid;
  IUnknown* unknown = atl.control;
  CHECK(GetParent(grid) == ax && IsWindowVisible(grid));
  CHECK(SameRect(WindowRectIn(grid, ax), RECT{0, 0, 400, 300}));

  IDispatch* dispatch = nullptr;
  unknown->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&dispatch));
  CHECK(CallLong(dispatch, L"Columns") == 5);
  CheckPicture(dispatch, grid);

  // The host window's size reaches the control through SetObjectRects.
  CHECK_HR(Put(dispatch, L"Rows", Long(20)), S_OK);
  MoveWindow(ax, 10, 10, 300, 200, TRUE);
  Pump(50);
  CHECK(SameRect(WindowRectIn(grid, ax), RECT{0, 0, 300, 200}));
  // Grown beyond any size it had, the control repaints a cell written in
  // the new area: it does not judge the cell by a client area it had before.
  MoveWindow(ax, 10, 10, 400, 400, TRUE);
  Pump(50);
  UpdateWindow(grid);
  CHECK_HR(Call(dispatch, L"SetCellText", {Long(16), Long(1), Text(L"grown")}), S_OK);
  RECT update{};
  GetUpdateRect(grid, &update, FALSE);
  CHECK(SameRect(update, RECT{50, 320, 100, 340}));

  dispatch->Release();
  unknown->Release();
  // Destroying the host window closes and releases the control.
  DestroyWindow(ax);
  Pump(50);
  CHECK(!IsWindow(grid));
  CHECK_HR(ModuleCanUnloadNow(), S_OK);
  DestroyWindow(top);
}

void RunOwnContainerTests() {
  HWND host = CreateHostWindow(L"TzGrid in place", 420, 320);
  OleContainer* site = nullptr;
  HRESULT hr = OleContainer::Create(host, RECT{10, 10, 410, 310}, kProgId, &site);
  if (!Check(SUCCEEDED(hr), ("embedding: " + Hex(hr)).c_str(), __FILE__, __LINE__)) return;
  HWND grid = site->ControlWindow();
  CHECK(grid && GetParent(grid) == host && IsWindowVisible(grid));
  CHECK(SameRect(WindowRectIn(grid, host), RECT{10, 10, 410, 310}));
  CHECK(site->InPlaceActivations() == 1 && site->UiActivations() == 0 && !site->HasActiveObject());

  IDispatch* dispatch = nullptr;
  site->Control()->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&dispatch));
  CheckPicture(dispatch, grid);

  // UI activation: the control takes the focus and becomes the frame's
  // active object, which then sees the keyboard first.
  CHECK_HR(site->UiActivate(), S_OK);
  CHECK(site->UiActivations() == 1 && site->HasActiveObject());
  CHECK(GetFocus() == grid);

  site->SetRect(RECT{0, 0, 200, 100});
  Pump(50);
  CHECK(SameRect(WindowRectIn(grid, host), RECT{0, 0, 200, 100}));

  // Loading saved state while in place: a new default grid in a window at
  // the same place.
  CHECK_HR(Put(dispatch, L"Rows", Long(50)), S_OK);
  IPersistStreamInit* persist = nullptr;
  if (CHECK(SUCCEEDED(site->Control()->QueryInterface(IID_IPersistStreamInit, reinterpret_cast<void**>(&persist))))) {
    IStream* stream = nullptr;
    CreateStreamOnHGlobal(nullptr, TRUE, &stream);
    CHECK_HR(persist->Save(stream, TRUE), S_OK);
    LARGE_INTEGER zero{};
    stream->Seek(zero, STREAM_SEEK_SET, nullptr);
    CHECK_HR(persist->Load(stream), S_OK);
    stream->Release();
    persist->Release();
  }
  CHECK(CallLong(dispatch, L"Rows") == 5);
  grid = site->ControlWindow();
  CHECK(grid && IsWindow(grid) && GetParent(grid) == host && IsWindowVisible(grid));
  CHECK(SameRect(WindowRectIn(grid, host), RECT{0, 0, 200, 100}));

  // Drawing through IViewObject into a memory bitmap, as a container that
  // prints or caches the picture does.
  IViewObject2* view = nullptr;
  if (CHECK(SUCCEEDED(site->Control()->QueryInterface(IID_IViewObject2, reinterpret_cast<void**>(&view))))) {
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, 300, 200);
    HGDIOBJ old = SelectObject(memory, bitmap);
    RECTL bounds = {0, 0, 300, 200};
    CHECK_HR(Call(dispatch, L"SetItemBackColor", {Long(1), Long(1), Long(RGB(0, 200, 0))}), S_OK);
    CHECK_HR(view->Draw(DVASPECT_CONTENT, -1, nullptr, nullptr, nullptr, memory, &bounds, nullptr, nullptr, 0), S_OK);
    CHECK(GetPixel(memory, 75, 30) == RGB(0, 200, 0));
    CHECK_HR(view->Draw(DVASPECT_ICON, -1, nullptr, nullptr, nullptr, memory, &bounds, nullptr, nullptr, 0),
             DV_E_DVASPECT);
    SIZEL extent{};
    CHECK_HR(view->GetExtent(DVASPECT_CONTENT, -1, nullptr, &extent), S_OK);
    CHECK(extent.cx > 0 && extent.cy > 0);
    SelectObject(memory, old);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    view->Release();
  }

  DWORD misc = 0;
  CHECK_HR(site->Control()->GetMiscStatus(DVASPECT_CONTENT, &misc), S_OK);
  CHECK(misc == 0x20191);
  CLSID clsid{};
  CHECK_HR(site->Control()->GetUserClassID(&clsid), S_OK);
  LPOLESTR userType = nullptr;
  CHECK_HR(site->Control()->GetUserType(USERCLASSTYPE_FULL, &userType), S_OK);
  CHECK(userType && std::wstring(userType) == L"TzGrid Control");
  CoTaskMemFree(userType);

  // Advise sinks: the view sink is primed when asked, the object's advise
  // sink hears the close, and both are let go.
  CountingAdviseSink adviseSink;
  DWORD adviseCookie = 0;
  CHECK_HR(site->Control()->Advise(&adviseSink, &adviseCookie), S_OK);
  IViewObject2* viewObject = nullptr;
  CountingAdviseSink viewSink;
  if (CHECK(SUCCEEDED(site->Control()->QueryInterface(IID_IViewObject2, reinterpret_cast<void**>(&viewObject))))) {
    CHECK_HR(viewObject->SetAdvise(DVASPECT_CONTENT, ADVF_PRIMEFIRST, &viewSink), S_OK);
    CHECK(viewSink.viewChanges == 1);
    CHECK_HR(viewObject->SetAdvise(DVASPECT_CONTENT, 0, nullptr), S_OK);
    viewObject->Release();
  }
  CHECK(viewSink.Refs() == 1);

  dispatch->Release();
  site->Close();
  CHECK(adviseSink.closes == 1);
  CHECK(!IsWindow(grid));
  site->Release();
  CHECK(adviseSink.Refs() == 1);
  DestroyWindow(host);
  CHECK_HR(ModuleCanUnloadNow(), S_OK);
}

}  // namespace ModuleTest
