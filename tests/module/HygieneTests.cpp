// COM hygiene of the module: an object lives exactly as long as its
// references, the module may unload after the last one, and many
// create-activate-destroy cycles leave no handles, GDI or USER objects or
// memory behind.
#include "HostKit.h"

#include <cstdio>
#include <string>

namespace ModuleTest {

namespace {

struct Usage {
  DWORD gdiObjects = 0;
  DWORD windows = 0;
  DWORD handles = 0;
  SIZE_T memory = 0;  // committed private bytes, heaps included
};

BOOL CALLBACK CountChildWindow(HWND, LPARAM param) {
  ++*reinterpret_cast<DWORD*>(param);
  return TRUE;
}

BOOL CALLBACK CountWindow(HWND hwnd, LPARAM param) {
  DWORD pid = 0;
  GetWindowThreadProcessId(hwnd, &pid);
  if (pid != GetCurrentProcessId()) return TRUE;
  ++*reinterpret_cast<DWORD*>(param);
  EnumChildWindows(hwnd, CountChildWindow, param);
  return TRUE;
}

// Wine answers GetGuiResources and GetProcessHandleCount with 0 (they are
// stubs there), so the counts are taken by probing: a GDI handle table
// index is in use when GetObjectType accepts it (Wine takes the index alone
// as a handle), a kernel handle when GetHandleInformation does, and the
// USER objects that matter here are windows.
Usage Measure() {
  Usage u;
  for (ULONG_PTR index = 1; index < 0x10000; ++index) {
    DWORD flags = 0;
    if (GetObjectType(reinterpret_cast<HGDIOBJ>(index)) != 0) ++u.gdiObjects;
    if (index % 4 == 0 && GetHandleInformation(reinterpret_cast<HANDLE>(index), &flags)) ++u.handles;
  }
  EnumWindows(CountWindow, reinterpret_cast<LPARAM>(&u.windows));
  MEMORY_BASIC_INFORMATION info{};
  for (const char* address = nullptr; VirtualQuery(address, &info, sizeof(info)) == sizeof(info);) {
    if (info.State == MEM_COMMIT && info.Type == MEM_PRIVATE) u.memory += info.RegionSize;
    const char* next = static_cast<const char*>(info.BaseAddress) + info.RegionSize;
    if (next <= address) break;
    address = next;
  }
  return u;
}

// One life of a control: embedded, advised, filled, clicked, painted, closed.
void OneCycle(HWND host, int index) {
  Hosted h(Container::Own, host, RECT{0, 0, 300, 200});
  if (!h.ok()) return;
  Put(h.grid, L"Rows", Long(40));
  Call(h.grid, L"SetCellText", {Long(index % 40), Long(1), Text(L"cycle")});
  Call(h.grid, L"SetDefaultFont", {Text(L"Arial"), Long(-12), Long(700)});
  PostClick(h.window, 75, 50);
  RedrawWindow(h.window, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
  Pump(0);
}

// regsvr32 and COM look the module's entry points up by their plain names.
// On x86 they are __stdcall, which compilers decorate (DllGetClassObject@12):
// the plain name must be exported, and no decorated one beside it.
void CheckPlainExports(HMODULE module) {
  const char* const plain[] = {"DllGetClassObject", "DllCanUnloadNow", "DllRegisterServer", "DllUnregisterServer",
                               "DllInstall"};
  const char* const decorated[] = {"DllGetClassObject@12", "_DllGetClassObject@12", "DllCanUnloadNow@0",
                                   "DllRegisterServer@0", "DllUnregisterServer@0", "DllInstall@8"};
  for (const char* name : plain) Check(GetProcAddress(module, name) != nullptr, std::string("export ") + name, __FILE__, __LINE__);
  for (const char* name : decorated) {
    Check(GetProcAddress(module, name) == nullptr, std::string("no decorated export ") + name, __FILE__, __LINE__);
  }
  // DllInstall knows one command line, "user" (any case); anything else,
  // no command line included, is refused before the registry is touched.
  using InstallFn = HRESULT(STDAPICALLTYPE*)(BOOL, LPCWSTR);
  auto install = reinterpret_cast<InstallFn>(reinterpret_cast<void*>(GetProcAddress(module, "DllInstall")));
  if (!CHECK(install)) return;
  for (BOOL doInstall : {TRUE, FALSE}) {
    CHECK_HR(install(doInstall, nullptr), E_INVALIDARG);
    CHECK_HR(install(doInstall, L""), E_INVALIDARG);
    CHECK_HR(install(doInstall, L"machine"), E_INVALIDARG);
    CHECK_HR(install(doInstall, L"users"), E_INVALIDARG);
  }
}

}  // namespace

// A control lives while referenced, and the module says so; COM unloads
// the module once it may, and a later creation loads it again with a
// working window class.
void RunUnloadTests() {
  IUnknown* control = NewGrid().Detach();
  if (HMODULE module = GetModuleHandleW(L"TzGrid.ocx"); CHECK(module)) CheckPlainExports(module);
  CHECK(control && ModuleCanUnloadNow() == S_FALSE);
  CHECK(control && control->Release() == 0 && ModuleCanUnloadNow() == S_OK);
  HWND host = CreateHostWindow(L"TzGrid reload", 320, 220);
  OneCycle(host, 0);
  CHECK_HR(ModuleCanUnloadNow(), S_OK);
  for (int i = 0; i < 3 && GetModuleHandleW(L"TzGrid.ocx"); ++i) {
    CoFreeUnusedLibrariesEx(0, 0);
    Pump(50);
  }
  CHECK(GetModuleHandleW(L"TzGrid.ocx") == nullptr);
  CHECK(Hosted(Container::Own, host, RECT{0, 0, 300, 200}).ok());
  DestroyWindow(host);
}

void RunHygieneTests() {
  HWND host = CreateHostWindow(L"TzGrid cycles", 320, 220);
  // Warm up: the first lives load libraries, fonts and caches for good.
  for (int i = 0; i < 5; ++i) OneCycle(host, i);
  const int cycles = 60;
  Usage before = Measure();
  // Counts at zero would prove nothing: the host's own window, GDI objects,
  // handles and memory must show.
  CHECK(before.gdiObjects && before.windows && before.handles && before.memory);
  for (int i = 0; i < cycles; ++i) OneCycle(host, i);
  Usage after = Measure();
  std::printf("  %d cycles: GDI %lu -> %lu, windows %lu -> %lu, handles %lu -> %lu, memory %zu -> %zu\n", cycles,
              before.gdiObjects, after.gdiObjects, before.windows, after.windows, before.handles, after.handles,
              std::size_t(before.memory), std::size_t(after.memory));
  // A leak of one grid per cycle (40 rows of cells, a window, fonts, a
  // bitmap) is far above these bounds; the heap may keep a little slack.
  CHECK(after.gdiObjects <= before.gdiObjects + 2 && after.windows <= before.windows + 2);
  CHECK(after.handles <= before.handles + 4 && after.memory <= before.memory + 2 * 1024 * 1024);
  CHECK_HR(ModuleCanUnloadNow(), S_OK);
  DestroyWindow(host);
}

}  // namespace ModuleTest
