// Persistence (the version stamp alone; a load gives the default grid),
// the property page "General" with its placeholder text, the Properties
// verb's frame and the About box, each dialog checked while it is up and
// then closed by a watcher thread.
#include "../../tools/demohost/OleContainer.h"
#include "../../src/module/TzGridIds.h"
#include "HostKit.h"

#include <atomic>
#include <cstdio>
#include <thread>

namespace ModuleTest {

namespace {

using TzGridHost::OleContainer;

std::wstring WindowText(HWND hwnd) {
  wchar_t text[256] = L"";
  GetWindowTextW(hwnd, text, 256);
  return text;
}

std::wstring ClassOf(HWND hwnd) {
  wchar_t name[64] = L"";
  GetClassNameW(hwnd, name, 64);
  return name;
}

struct ChildList {
  std::vector<HWND> windows;
};

BOOL CALLBACK CollectChild(HWND hwnd, LPARAM param) {
  reinterpret_cast<ChildList*>(param)->windows.push_back(hwnd);
  return TRUE;
}

std::vector<HWND> Children(HWND parent) {
  ChildList list;
  EnumChildWindows(parent, CollectChild, reinterpret_cast<LPARAM>(&list));
  return list.windows;
}

bool HasChildWithText(HWND parent, const std::wstring& text) {
  for (HWND child : Children(parent)) {
    if (WindowText(child) == text) return true;
  }
  return false;
}

// A simple property bag: one VARIANT per name.
class MemoryBag final : public IPropertyBag {
 public:
  std::vector<std::pair<std::wstring, VARIANT>> values;
  ~MemoryBag() {
    for (auto& v : values) VariantClear(&v.second);
  }
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override {
    *ppv = IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IPropertyBag) ? this : nullptr;
    return *ppv ? S_OK : E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
  ULONG STDMETHODCALLTYPE Release() override { return 1; }
  HRESULT STDMETHODCALLTYPE Read(LPCOLESTR name, VARIANT* value, IErrorLog*) override {
    for (auto& v : values) {
      if (v.first == name) return VariantChangeType(value, &v.second, 0, V_VT(value) == VT_EMPTY ? V_VT(&v.second) : V_VT(value));
    }
    return E_INVALIDARG;
  }
  HRESULT STDMETHODCALLTYPE Write(LPCOLESTR name, VARIANT* value) override {
    VARIANT copy;
    VariantInit(&copy);
    VariantCopy(&copy, value);
    values.emplace_back(name, copy);
    return S_OK;
  }
};

IDispatch* NewGrid() {
  IDispatch* grid = nullptr;
  CoCreateInstance(TzGridCom::CLSID_TzGrid, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch,
                   reinterpret_cast<void**>(&grid));
  return grid;
}

// Finds a top-level window of this process with the given title, waiting
// for it a little; the dialog runs its own modal loop on the main thread.
HWND WaitForTopLevel(const std::wstring& title, DWORD ms) {
  DWORD start = GetTickCount();
  while (GetTickCount() - start < ms) {
    HWND found = FindWindowW(nullptr, title.c_str());
    if (found) return found;
    Sleep(20);
  }
  return nullptr;
}

}  // namespace

void RunPersistenceTests() {
  IDispatch* grid = NewGrid();
  if (!CHECK(grid != nullptr)) return;
  IPersistStreamInit* persist = nullptr;
  grid->QueryInterface(IID_IPersistStreamInit, reinterpret_cast<void**>(&persist));
  CHECK_HR(persist->InitNew(), S_OK);
  CHECK_HR(persist->IsDirty(), S_FALSE);
  CHECK_HR(Put(grid, L"Rows", Long(100)), S_OK);
  CHECK_HR(persist->IsDirty(), S_OK);

  // Saved: the four bytes of version 1.0 and nothing of the grid.
  IStream* stream = nullptr;
  CreateStreamOnHGlobal(nullptr, TRUE, &stream);
  CHECK_HR(persist->Save(stream, TRUE), S_OK);
  CHECK_HR(persist->IsDirty(), S_FALSE);
  STATSTG stat{};
  stream->Stat(&stat, STATFLAG_NONAME);
  CHECK(stat.cbSize.QuadPart == 4);
  HGLOBAL memory = nullptr;
  GetHGlobalFromStream(stream, &memory);
  const BYTE* bytes = static_cast<const BYTE*>(GlobalLock(memory));
  CHECK(bytes && bytes[0] == 0x00 && bytes[1] == 0x00 && bytes[2] == 0x01 && bytes[3] == 0x00);
  GlobalUnlock(memory);
  ULARGE_INTEGER size{};
  CHECK(SUCCEEDED(persist->GetSizeMax(&size)) && size.QuadPart == 4);

  // Loaded into a grid of 100 rows and 9 columns: the 5 x 5 default grid.
  CHECK_HR(Put(grid, L"Columns", Long(9)), S_OK);
  CHECK_HR(Call(grid, L"SetCellText", {Long(3), Long(3), Text(L"kept?")}), S_OK);
  LARGE_INTEGER zero{};
  stream->Seek(zero, STREAM_SEEK_SET, nullptr);
  CHECK_HR(persist->Load(stream), S_OK);
  CHECK(CallLong(grid, L"Rows") == 5 && CallLong(grid, L"Columns") == 5);
  CHECK(CallLong(grid, L"FixedRows") == 1);
  CHECK(CallText(grid, L"GetCellText", {Long(3), Long(3)}).empty());
  CHECK_HR(persist->IsDirty(), S_FALSE);
  // A stream too short for the stamp is refused.
  stream->Seek(zero, STREAM_SEEK_END, nullptr);
  CHECK(FAILED(persist->Load(stream)));
  stream->Release();
  CLSID clsid{};
  CHECK(SUCCEEDED(persist->GetClassID(&clsid)) && IsEqualCLSID(clsid, TzGridCom::CLSID_TzGrid));
  persist->Release();

  // The property bag holds "_Version" = 65536 alone; loading it resets too.
  IPersistPropertyBag* bagPersist = nullptr;
  if (CHECK(SUCCEEDED(grid->QueryInterface(IID_IPersistPropertyBag, reinterpret_cast<void**>(&bagPersist))))) {
    MemoryBag bag;
    CHECK_HR(bagPersist->Save(&bag, TRUE, TRUE), S_OK);
    CHECK(bag.values.size() == 1 && bag.values[0].first == L"_Version" && V_VT(&bag.values[0].second) == VT_I4 &&
          V_I4(&bag.values[0].second) == 0x10000);
    CHECK_HR(Put(grid, L"Rows", Long(100)), S_OK);
    CHECK_HR(bagPersist->Load(&bag, nullptr), S_OK);
    CHECK(CallLong(grid, L"Rows") == 5);
    bagPersist->Release();
  }

  // An OLE document storage: the stamp in the stream "Contents".
  IPersistStorage* storagePersist = nullptr;
  if (CHECK(SUCCEEDED(grid->QueryInterface(IID_IPersistStorage, reinterpret_cast<void**>(&storagePersist))))) {
    ILockBytes* bytes = nullptr;
    IStorage* storage = nullptr;
    CreateILockBytesOnHGlobal(nullptr, TRUE, &bytes);
    StgCreateDocfileOnILockBytes(bytes, STGM_CREATE | STGM_READWRITE | STGM_SHARE_EXCLUSIVE, 0, &storage);
    CHECK_HR(storagePersist->InitNew(storage), S_OK);
    CHECK_HR(Put(grid, L"Rows", Long(100)), S_OK);
    CHECK_HR(storagePersist->IsDirty(), S_OK);
    CHECK_HR(storagePersist->Save(storage, TRUE), S_OK);
    CHECK_HR(storagePersist->SaveCompleted(nullptr), S_OK);
    CHECK_HR(storagePersist->IsDirty(), S_FALSE);
    IStream* contents = nullptr;
    if (CHECK(SUCCEEDED(storage->OpenStream(L"Contents", nullptr, STGM_READ | STGM_SHARE_EXCLUSIVE, 0, &contents)))) {
      DWORD version = 0;
      ULONG read = 0;
      contents->Read(&version, sizeof(version), &read);
      CHECK(read == 4 && version == 0x00010000);
      contents->Release();
    }
    CHECK_HR(storagePersist->Load(storage), S_OK);
    CHECK(CallLong(grid, L"Rows") == 5);
    storage->Release();
    bytes->Release();
    storagePersist->Release();
  }

  // The OLE document path of ole32: OleCreate into a storage, OleSave,
  // OleLoad from it (class read back from the storage).
  {
    ILockBytes* bytes = nullptr;
    IStorage* storage = nullptr;
    CreateILockBytesOnHGlobal(nullptr, TRUE, &bytes);
    StgCreateDocfileOnILockBytes(bytes, STGM_CREATE | STGM_READWRITE | STGM_SHARE_EXCLUSIVE, 0, &storage);
    IOleObject* created = nullptr;
    HRESULT created_hr = OleCreate(TzGridCom::CLSID_TzGrid, IID_IOleObject, OLERENDER_NONE, nullptr, nullptr, storage,
                                   reinterpret_cast<void**>(&created));
    Check(SUCCEEDED(created_hr), ("OleCreate: " + Hex(created_hr)).c_str(), __FILE__, __LINE__);
    if (created) {
      IPersistStorage* saver = nullptr;
      created->QueryInterface(IID_IPersistStorage, reinterpret_cast<void**>(&saver));
      CHECK_HR(OleSave(saver, storage, TRUE), S_OK);
      saver->SaveCompleted(nullptr);
      saver->Release();
      created->Close(OLECLOSE_NOSAVE);
      created->Release();
      CLSID stored{};
      CHECK(SUCCEEDED(ReadClassStg(storage, &stored)) && IsEqualCLSID(stored, TzGridCom::CLSID_TzGrid));
      IDispatch* loaded = nullptr;
      CHECK_HR(OleLoad(storage, IID_IDispatch, nullptr, reinterpret_cast<void**>(&loaded)), S_OK);
      if (loaded) {
        CHECK(CallLong(loaded, L"Rows") == 5 && CallLong(loaded, L"Columns") == 5);
        loaded->Release();
      }
    }
    storage->Release();
    bytes->Release();
  }

  ISpecifyPropertyPages* pages = nullptr;
  if (CHECK(SUCCEEDED(grid->QueryInterface(IID_ISpecifyPropertyPages, reinterpret_cast<void**>(&pages))))) {
    CAUUID ids{};
    CHECK_HR(pages->GetPages(&ids), S_OK);
    CHECK(ids.cElems == 1 && IsEqualGUID(ids.pElems[0], TzGridCom::CLSID_TzGridPropPage));
    CoTaskMemFree(ids.pElems);
    pages->Release();
  }
  grid->Release();
}

void RunPropertyPageTests() {
  IPropertyPage* page = nullptr;
  HRESULT hr = CoCreateInstance(TzGridCom::CLSID_TzGridPropPage, nullptr, CLSCTX_INPROC_SERVER, IID_IPropertyPage,
                                reinterpret_cast<void**>(&page));
  if (!Check(SUCCEEDED(hr), ("property page class: " + Hex(hr)).c_str(), __FILE__, __LINE__)) return;
  PROPPAGEINFO info{};
  info.cb = sizeof(info);
  CHECK_HR(page->GetPageInfo(&info), S_OK);
  CHECK(info.pszTitle && std::wstring(info.pszTitle) == L"General");
  CHECK(info.size.cx > 250 && info.size.cy > 62);  // 250 x 62 dialog units
  CoTaskMemFree(info.pszTitle);

  HWND host = CreateHostWindow(L"TzGrid page", 500, 200);
  RECT rect = {0, 0, info.size.cx, info.size.cy};
  CHECK_HR(page->Activate(host, &rect, TRUE), S_OK);
  CHECK_HR(page->Show(SW_SHOW), S_OK);
  std::vector<HWND> children = Children(host);
  // The dialog and its one static text; no input controls.
  CHECK(children.size() == 2);
  CHECK(HasChildWithText(host, L"TODO: Place controls to manipulate properties of TzGrid Control on this dialog."));
  for (HWND child : children) CHECK(ClassOf(child) != L"Edit" && ClassOf(child) != L"Button");
  CHECK_HR(page->IsPageDirty(), S_FALSE);
  CHECK_HR(page->Apply(), S_OK);
  CHECK_HR(page->Deactivate(), S_OK);
  CHECK(Children(host).empty());
  page->Release();
  DestroyWindow(host);
}

void RunAboutBoxTests() {
  IDispatch* grid = NewGrid();
  if (!CHECK(grid != nullptr)) return;
  std::atomic<bool> sawBox{false}, sawTexts{false}, sawOk{false};
  std::thread watcher([&] {
    HWND box = WaitForTopLevel(L"About TzGrid Control", 10000);
    if (!box) return;
    sawBox = true;
    Sleep(100);
    sawTexts = HasChildWithText(box, L"TzGrid Control, Version 1.0");
    HWND ok = GetDlgItem(box, IDOK);
    sawOk = ok && WindowText(ok) == L"OK";
    PostMessageW(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), reinterpret_cast<LPARAM>(ok));
  });
  // Modal: returns when the box is closed.
  CHECK_HR(Call(grid, L"AboutBox", {}), S_OK);
  watcher.join();
  CHECK(sawBox && sawTexts && sawOk);
  grid->Release();
}

void RunPropertiesVerbTests() {
  HWND host = CreateHostWindow(L"TzGrid verbs", 420, 320);
  OleContainer* site = nullptr;
  if (!CHECK(SUCCEEDED(OleContainer::Create(host, RECT{0, 0, 400, 300}, kProgId, &site)))) return;
  IEnumOLEVERB* verbs = nullptr;
  if (CHECK(SUCCEEDED(site->Control()->EnumVerbs(&verbs)))) {
    OLEVERB verb{};
    ULONG fetched = 0;
    CHECK(verbs->Next(1, &verb, &fetched) == S_OK && verb.lVerb == OLEIVERB_PROPERTIES);
    CoTaskMemFree(verb.lpszVerbName);
    CHECK(verbs->Next(1, &verb, &fetched) == S_FALSE && fetched == 0);
    verbs->Release();
  }
  std::atomic<bool> sawFrame{false}, sawPage{false};
  std::thread watcher([&] {
    DWORD start = GetTickCount();
    HWND frame = nullptr;
    while (!frame && GetTickCount() - start < 10000) {
      // The frame's title names the object; find it by its page text.
      HWND candidate = nullptr;
      while ((candidate = FindWindowExW(nullptr, candidate, nullptr, nullptr)) != nullptr) {
        DWORD pid = 0;
        GetWindowThreadProcessId(candidate, &pid);
        if (pid == GetCurrentProcessId() && IsWindowVisible(candidate) &&
            HasChildWithText(candidate,
                             L"TODO: Place controls to manipulate properties of TzGrid Control on this dialog.")) {
          frame = candidate;
          break;
        }
      }
      if (!frame) Sleep(50);
    }
    if (!frame) return;
    sawFrame = true;
    sawPage = HasChildWithText(frame, L"General") || WindowText(frame).find(L"TzGrid Control") != std::wstring::npos;
    PostMessageW(frame, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
  });
  CHECK_HR(site->Control()->DoVerb(OLEIVERB_PROPERTIES, nullptr, site, 0, host, nullptr), S_OK);
  watcher.join();
  CHECK(sawFrame);
  CHECK(sawPage);
  CHECK_HR(site->Control()->DoVerb(OLEIVERB_OPEN, nullptr, site, 0, host, nullptr), E_NOTIMPL);
  site->Close();
  site->Release();
  DestroyWindow(host);
}

// For the script tests: closes every About box that comes up until killed.
int DismissDialogs(const std::wstring& title, DWORD ms) {
  DWORD start = GetTickCount();
  int closed = 0;
  while (GetTickCount() - start < ms) {
    HWND box = FindWindowW(nullptr, title.c_str());
    if (box) {
      PostMessageW(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
      ++closed;
      Sleep(300);
    }
    Sleep(50);
  }
  return closed;
}

}  // namespace ModuleTest
