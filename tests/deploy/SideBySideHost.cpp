// A program that uses TzGrid without its registration: its application
// manifest (embedded, resource 1) lists the assembly TzGrid.sxs, which sits
// beside it as TzGrid.ocx and TzGrid.sxs.manifest. Every lookup below goes
// through the activation context made from the two manifests: the class by
// CLSID and by ProgID, the type library, the misc status a container reads,
// and the control in both containers with its events and its picture.
//
// The class is told by what the created object says it is (IPersist), not
// by the GUID CLSIDFromProgID answers: Wine answers a stand-in GUID from an
// activation context that still creates the right class.
//
// Prints each failure; exits with 0 when every check holds.
#include "../module/HostKit.h"

#include "../../src/module/TzGridIds.h"

#include <cstdio>

using namespace ModuleTest;

namespace {

bool IsTzGrid(IUnknown* object) {
  CLSID clsid = CLSID_NULL;
  auto persist = Query<IPersist>(object);
  return persist && SUCCEEDED(persist->GetClassID(&clsid)) && IsEqualCLSID(clsid, TzGridCom::CLSID_TzGrid);
}

void CreateByClsidAndProgId() {
  ComPtr<IUnknown> byClsid;
  CHECK_HR(CoCreateInstance(TzGridCom::CLSID_TzGrid, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown, &byClsid), S_OK);
  CHECK(IsTzGrid(byClsid.Get()));

  CLSID fromProgId = CLSID_NULL;
  CHECK_HR(CLSIDFromProgID(kProgId, &fromProgId), S_OK);
  ComPtr<IUnknown> byProgId;
  CHECK_HR(CoCreateInstance(fromProgId, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown, &byProgId), S_OK);
  CHECK(IsTzGrid(byProgId.Get()));

  // A name nobody declared is still unknown.
  CLSID unknown = CLSID_NULL;
  CHECK(FAILED(CLSIDFromProgID(L"TZGRID.NoSuchCtrl.1", &unknown)));

  // What a container asks before it creates the control.
  DWORD misc = 0;
  CHECK_HR(OleRegGetMiscStatus(TzGridCom::CLSID_TzGrid, DVASPECT_CONTENT, &misc), S_OK);
  CHECK(misc == TzGridCom::kMiscStatus);
}

// The control's class description, as a host browsing it finds it, and the
// library by its LIBID alone.
void ReadTypeLibrary() {
  ComPtr<IUnknown> control;
  CoCreateInstance(TzGridCom::CLSID_TzGrid, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown, &control);
  auto provide = Query<IProvideClassInfo>(control.Get());
  ComPtr<ITypeInfo> info;
  if (!CHECK(provide && SUCCEEDED(provide->GetClassInfo(&info)) && info)) return;
  TYPEATTR* attr = nullptr;
  if (CHECK(SUCCEEDED(info->GetTypeAttr(&attr)))) {
    CHECK(IsEqualGUID(attr->guid, TzGridCom::CLSID_TzGrid) && attr->typekind == TKIND_COCLASS && attr->cImplTypes == 2);
    info->ReleaseTypeAttr(attr);
  }
  ComPtr<ITypeLib> registered;
  CHECK_HR(LoadRegTypeLib(TzGridCom::LIBID_TzGridLib, TzGridCom::kTypeLibMajor, TzGridCom::kTypeLibMinor, 0,
                          &registered),
           S_OK);
  ComPtr<ITypeInfo> events;
  if (CHECK(registered && SUCCEEDED(registered->GetTypeInfoOfGuid(TzGridCom::DIID_DTzGridEvents, &events)))) {
    BSTR name = nullptr;
    CHECK(SUCCEEDED(events->GetDocumentation(MEMBERID_NIL, &name, nullptr, nullptr, nullptr)) && name &&
          std::wstring(name) == L"_DTzGridEvents");
    SysFreeString(name);
  }
}

// In a container: in place with a window, a click on cell (1, 1) reaches
// the host's sink as GridCellSelected, and the cell's colour is on screen.
void EmbedIn(Container kind, HWND host) {
  Hosted h(kind, host, RECT{0, 0, 400, 300});
  if (!CHECK(h.ok())) return;
  CHECK(IsTzGrid(h.control));
  CHECK_HR(Call(h.grid, L"SetItemBackColor", {Long(1), Long(1), Long(RGB(0, 200, 0))}), S_OK);
  CHECK_HR(Call(h.grid, L"Refresh", {}), S_OK);
  RedrawWindow(h.window, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
  h.Pump(50);
  HDC dc = GetDC(h.window);
  COLORREF pixel = GetPixel(dc, 75, 30);
  ReleaseDC(h.window, dc);
  if (!CHECK(pixel == RGB(0, 200, 0))) std::printf("  pixel (75,30) is %06lX\n", pixel);
  h.sink.events.clear();
  PostClick(h.window, 75, 30);
  h.Pump(150);
  bool selected = false;
  for (const ReceivedEvent& e : h.sink.events) selected = selected || e == ReceivedEvent{1, 1, 1};
  if (!CHECK(selected)) std::printf("  events:%s\n", Describe(h.sink.events).c_str());
}

}  // namespace

int wmain() {
  if (FAILED(OleInitialize(nullptr))) return 2;
  CreateByClsidAndProgId();
  ReadTypeLibrary();
  HWND host = CreateHostWindow(L"TzGrid side by side", 420, 340);
  EmbedIn(Container::Own, host);
  EmbedIn(Container::Atl, host);
  DestroyWindow(host);
  Pump(30);
  OleUninitialize();
  std::printf("%s: %d failed\n", sizeof(void*) == 8 ? "x64" : "x86", Failures());
  return Failures() == 0 ? 0 : 1;
}
