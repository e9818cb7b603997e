// COM hygiene of the module: an object lives exactly as long as its
// references, the module may unload after the last one, and many
// create-activate-destroy cycles leave no handles, GDI or USER objects or
// memory behind.
#include "../../tools/demohost/OleContainer.h"
#include "EventSink.h"

#include <psapi.h>

#include <cstdio>
#include <cstdlib>
#include <vector>

namespace ModuleTest {

namespace {

using TzGridHost::OleContainer;

CLSID CLSIDFromProgIDHelper() {
  CLSID clsid{};
  CLSIDFromProgID(kProgId, &clsid);
  return clsid;
}

struct Usage {
  DWORD gdiObjects;
  DWORD userObjects;
  DWORD handles;
  SIZE_T memory;
};

// Wine answers GetGuiResources and GetProcessHandleCount with 0 (they are
// stubs there), so the counts are also taken by probing: a GDI handle
// table index is in use when GetObjectType accepts it (Wine takes the index
// alone as a handle), a kernel handle when GetHandleInformation does, and
// the USER objects that matter here are windows.
DWORD ProbeGdiObjects() {
  DWORD count = 0;
  for (ULONG_PTR index = 1; index < 0x10000; ++index) {
    if (GetObjectType(reinterpret_cast<HGDIOBJ>(index)) != 0) ++count;
  }
  return count;
}

DWORD ProbeKernelHandles() {
  DWORD count = 0;
  for (ULONG_PTR value = 4; value < 0x10000; value += 4) {
    DWORD flags = 0;
    if (GetHandleInformation(reinterpret_cast<HANDLE>(value), &flags)) ++count;
  }
  return count;
}

BOOL CALLBACK CountWindow(HWND hwnd, LPARAM param) {
  DWORD pid = 0;
  GetWindowThreadProcessId(hwnd, &pid);
  if (pid != GetCurrentProcessId()) return TRUE;
  auto* count = reinterpret_cast<DWORD*>(param);
  ++*count;
  EnumChildWindows(hwnd, [](HWND, LPARAM p) -> BOOL { ++*reinterpret_cast<DWORD*>(p); return TRUE; }, param);
  return TRUE;
}

DWORD ProbeWindows() {
  DWORD count = 0;
  EnumWindows(CountWindow, reinterpret_cast<LPARAM>(&count));
  return count;
}

// Memory the process has committed for itself (heaps included).
SIZE_T CommittedPrivateBytes() {
  SIZE_T total = 0;
  MEMORY_BASIC_INFORMATION info{};
  const char* address = nullptr;
  while (VirtualQuery(address, &info, sizeof(info)) == sizeof(info)) {
    if (info.State == MEM_COMMIT && info.Type == MEM_PRIVATE) total += info.RegionSize;
    const char* next = static_cast<const char*>(info.BaseAddress) + info.RegionSize;
    if (next <= address) break;
    address = next;
  }
  return total;
}

Usage Measure() {
  Usage u{};
  u.gdiObjects = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);
  if (u.gdiObjects == 0) u.gdiObjects = ProbeGdiObjects();
  u.userObjects = GetGuiResources(GetCurrentProcess(), GR_USEROBJECTS);
  if (u.userObjects == 0) u.userObjects = ProbeWindows();
  if (!GetProcessHandleCount(GetCurrentProcess(), &u.handles) || u.handles == 0) u.handles = ProbeKernelHandles();
  u.memory = CommittedPrivateBytes();
  return u;
}

// The probes see what they must: a few objects made on purpose show up
// in each count (a leak check whose counts stay at zero would prove nothing).
void CheckProbesSeeLeaks() {
  Usage before = Measure();
  HBRUSH brushes[3] = {CreateSolidBrush(RGB(1, 2, 3)), CreateSolidBrush(RGB(4, 5, 6)), CreateSolidBrush(RGB(7, 8, 9))};
  HWND window = CreateWindowExW(0, L"STATIC", L"probe", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
  HANDLE event = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  const SIZE_T bytes = 4 * 1024 * 1024;
  void* block = VirtualAlloc(nullptr, bytes, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
  // Heap blocks too, small enough to stay inside the heap.
  std::vector<void*> blocks;
  for (int i = 0; i < 1024; ++i) blocks.push_back(std::malloc(4000));
  Usage during = Measure();
  CHECK(during.gdiObjects >= before.gdiObjects + 3);
  CHECK(during.userObjects >= before.userObjects + 1);
  CHECK(during.handles >= before.handles + 1);
  CHECK(during.memory >= before.memory + bytes + 3 * 1024 * 1024);
  for (void* block : blocks) std::free(block);
  VirtualFree(block, 0, MEM_RELEASE);
  CloseHandle(event);
  DestroyWindow(window);
  for (HBRUSH brush : brushes) DeleteObject(brush);
}

// One life of a control: embedded, filled, painted, advised, closed, released.
void OneCycle(HWND host, int index) {
  OleContainer* site = nullptr;
  if (FAILED(OleContainer::Create(host, RECT{0, 0, 300, 200}, kProgId, &site))) {
    CHECK(!"embedding in a cycle");
    return;
  }
  IDispatch* grid = nullptr;
  site->Control()->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&grid));
  EventSink sink;
  IConnectionPoint* point = nullptr;
  DWORD cookie = 0;
  AdviseEvents(grid, &sink, &point, &cookie);
  Put(grid, L"Rows", Long(40));
  Call(grid, L"SetCellText", {Long(index % 40), Long(1), Text(L"cycle")});
  Call(grid, L"SetDefaultFont", {Text(L"Arial"), Long(-12), Long(700)});
  HWND window = site->ControlWindow();
  PostMessageW(window, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(75, 50));
  PostMessageW(window, WM_LBUTTONUP, 0, MAKELPARAM(75, 50));
  RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
  Pump(0);
  if (point) {
    point->Unadvise(cookie);
    point->Release();
  }
  grid->Release();
  site->Close();
  site->Release();
  Pump(0);
}

}  // namespace

void RunLifetimeTests() {
  // Alive while referenced, and the module says so.
  IUnknown* control = nullptr;
  if (!CHECK(SUCCEEDED(CoCreateInstance(CLSIDFromProgIDHelper(), nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown,
                                        reinterpret_cast<void**>(&control))))) {
    return;
  }
  CHECK_HR(ModuleCanUnloadNow(), S_FALSE);
  IDispatch* dispatch = nullptr;
  control->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&dispatch));
  IUnknown* identity = nullptr;
  dispatch->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&identity));
  CHECK(identity == control);
  identity->Release();

  // An advised sink is held by the control and let go when it dies.
  EventSink sink;
  IConnectionPoint* point = nullptr;
  DWORD cookie = 0;
  CHECK_HR(AdviseEvents(control, &sink, &point, &cookie), S_OK);
  CHECK(sink.Refs() == 2);
  point->Release();
  dispatch->Release();
  CHECK_HR(ModuleCanUnloadNow(), S_FALSE);
  CHECK(control->Release() == 0);
  CHECK(sink.Refs() == 1);
  CHECK_HR(ModuleCanUnloadNow(), S_OK);

  // A server lock keeps the module even without objects.
  IClassFactory* factory = nullptr;
  if (CHECK(SUCCEEDED(CoGetClassObject(CLSIDFromProgIDHelper(), CLSCTX_INPROC_SERVER, nullptr, IID_IClassFactory,
                                       reinterpret_cast<void**>(&factory))))) {
    CHECK_HR(factory->LockServer(TRUE), S_OK);
    CHECK_HR(ModuleCanUnloadNow(), S_FALSE);
    CHECK_HR(factory->LockServer(FALSE), S_OK);
    CHECK_HR(ModuleCanUnloadNow(), S_OK);
    IUnknown* outer = reinterpret_cast<IUnknown*>(factory);
    IUnknown* aggregated = nullptr;
    CHECK_HR(factory->CreateInstance(outer, IID_IUnknown, reinterpret_cast<void**>(&aggregated)),
             CLASS_E_NOAGGREGATION);
    factory->Release();
  }
}

// COM unloads the module once it may, and a later creation loads it again
// with a working window class.
void RunUnloadTests() {
  HWND host = CreateHostWindow(L"TzGrid reload", 320, 220);
  OneCycle(host, 0);
  CHECK_HR(ModuleCanUnloadNow(), S_OK);
  for (int i = 0; i < 3 && GetModuleHandleW(L"TzGrid.ocx"); ++i) {
    CoFreeUnusedLibrariesEx(0, 0);
    Pump(50);
  }
  CHECK(GetModuleHandleW(L"TzGrid.ocx") == nullptr);
  OleContainer* site = nullptr;
  if (CHECK(SUCCEEDED(OleContainer::Create(host, RECT{0, 0, 300, 200}, kProgId, &site)))) {
    HWND window = site->ControlWindow();
    CHECK(window && IsWindow(window));
    site->Close();
    site->Release();
  }
  DestroyWindow(host);
}

void RunHygieneTests(int cycles) {
  CheckProbesSeeLeaks();
  HWND host = CreateHostWindow(L"TzGrid cycles", 320, 220);
  // Warm up: the first lives load libraries, fonts and caches for good.
  for (int i = 0; i < 5; ++i) OneCycle(host, i);
  Usage before = Measure();
  for (int i = 0; i < cycles; ++i) OneCycle(host, i);
  Usage after = Measure();
  std::printf("  %d cycles: GDI %lu -> %lu, USER %lu -> %lu, handles %lu -> %lu, memory %zu -> %zu\n", cycles,
              before.gdiObjects, after.gdiObjects, before.userObjects, after.userObjects, before.handles, after.handles,
              std::size_t(before.memory), std::size_t(after.memory));
  CHECK(after.gdiObjects <= before.gdiObjects + 2);
  CHECK(after.userObjects <= before.userObjects + 2);
  CHECK(after.handles <= before.handles + 4);
  // A leak of one grid per cycle (40 rows of cells, a window, fonts, a
  // bitmap) is far above this bound; the heap may keep a little slack.
  CHECK(before.gdiObjects > 0 && before.userObjects > 0 && before.handles > 0 && before.memory > 0);
  CHECK(after.memory <= before.memory + 2 * 1024 * 1024);
  CHECK_HR(ModuleCanUnloadNow(), S_OK);
  DestroyWindow(host);
}

}  // namespace ModuleTest
