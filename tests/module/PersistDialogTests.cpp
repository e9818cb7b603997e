// Persistence (the version stamp alone; a load gives the default grid),
// the property page, and the About box, checked while it is up and then
// closed by a watcher thread.
#include "../../src/module/TzGridIds.h"
#include "HostKit.h"

#include <atomic>
#include <thread>

namespace ModuleTest {

namespace {

// A grid that differs from the default one, to see a load reset it.
void Change(IDispatch* grid) {
  CHECK_HR(Put(grid, L"Rows", Long(100)), S_OK);
  CHECK_HR(Put(grid, L"Columns", Long(9)), S_OK);
  CHECK_HR(Call(grid, L"SetCellText", {Long(3), Long(3), Text(L"kept?")}), S_OK);
}

bool IsDefaultGrid(IDispatch* grid) {
  return CallLong(grid, L"Rows") == 5 && CallLong(grid, L"Columns") == 5 && CallLong(grid, L"FixedRows") == 1 &&
         CallText(grid, L"GetCellText", {Long(3), Long(3)}).empty();
}

// Saved: the four bytes of version 1.0 and nothing of the grid.
void CheckStream(IDispatch* grid) {
  auto persist = Query<IPersistStreamInit>(grid);
  CHECK(persist->InitNew() == S_OK && persist->IsDirty() == S_FALSE);
  Change(grid);
  CHECK_HR(persist->IsDirty(), S_OK);
  ComPtr<IStream> stream;
  CreateStreamOnHGlobal(nullptr, TRUE, &stream);
  CHECK(persist->Save(stream.Get(), TRUE) == S_OK && persist->IsDirty() == S_FALSE);
  STATSTG stat{};
  ULARGE_INTEGER size{};
  stream->Stat(&stat, STATFLAG_NONAME);
  CHECK(stat.cbSize.QuadPart == 4 && SUCCEEDED(persist->GetSizeMax(&size)) && size.QuadPart == 4);
  DWORD version = 0;
  stream->Seek(LARGE_INTEGER{}, STREAM_SEEK_SET, nullptr);
  stream->Read(&version, 4, nullptr);
  CHECK(version == 0x00010000);
  stream->Seek(LARGE_INTEGER{}, STREAM_SEEK_SET, nullptr);
  CHECK_HR(persist->Load(stream.Get()), S_OK);
  CHECK(IsDefaultGrid(grid) && persist->IsDirty() == S_FALSE);
  // A stream too short for the stamp is refused.
  CHECK(FAILED(persist->Load(stream.Get())));
  CLSID clsid{};
  CHECK(SUCCEEDED(persist->GetClassID(&clsid)) && IsEqualCLSID(clsid, TzGridCom::CLSID_TzGrid));
}

// An OLE document: OleCreate into a storage, changed, OleSave (the stamp in
// the stream "Contents"), OleLoad (the class read back from the storage).
void CheckStorage() {
  ComPtr<ILockBytes> bytes;
  ComPtr<IStorage> storage;
  CreateILockBytesOnHGlobal(nullptr, TRUE, &bytes);
  StgCreateDocfileOnILockBytes(bytes.Get(), STGM_CREATE | STGM_READWRITE | STGM_SHARE_EXCLUSIVE, 0, &storage);
  ComPtr<IOleObject> created;
  CHECK_HR(OleCreate(TzGridCom::CLSID_TzGrid, IID_IOleObject, OLERENDER_NONE, nullptr, nullptr, storage.Get(),
                     &created),
           S_OK);
  auto persist = Query<IPersistStorage>(created.Get());
  if (!CHECK(persist)) return;
  Change(Query<IDispatch>(created.Get()).Get());
  CHECK_HR(persist->IsDirty(), S_OK);
  CHECK(OleSave(persist.Get(), storage.Get(), TRUE) == S_OK && persist->SaveCompleted(nullptr) == S_OK);
  CHECK_HR(persist->IsDirty(), S_FALSE);
  created->Close(OLECLOSE_NOSAVE);
  persist.Reset();
  created.Reset();
  ComPtr<IStream> contents;
  DWORD version = 0;
  CHECK_HR(storage->OpenStream(L"Contents", nullptr, STGM_READ | STGM_SHARE_EXCLUSIVE, 0, &contents), S_OK);
  if (contents) contents->Read(&version, sizeof(version), nullptr);
  contents.Reset();  // the storage opens its streams exclusively
  CHECK(version == 0x00010000);
  CLSID stored{};
  CHECK(SUCCEEDED(ReadClassStg(storage.Get(), &stored)) && IsEqualCLSID(stored, TzGridCom::CLSID_TzGrid));
  ComPtr<IDispatch> loaded;
  CHECK_HR(OleLoad(storage.Get(), IID_IDispatch, nullptr, &loaded), S_OK);
  CHECK(loaded && IsDefaultGrid(loaded.Get()));
}

// A host's property bag (a form's text, a web page's PARAM tags), in memory.
struct MemoryBag final : Object<IPropertyBag> {
  std::vector<std::pair<std::wstring, LONG>> values;
  HRESULT STDMETHODCALLTYPE Read(LPCOLESTR name, VARIANT* value, IErrorLog*) override {
    for (const auto& [key, number] : values) {
      if (key == name) return VariantClear(value), V_VT(value) = VT_I4, V_I4(value) = number, S_OK;
    }
    return E_INVALIDARG;
  }
  HRESULT STDMETHODCALLTYPE Write(LPCOLESTR name, VARIANT* value) override {
    VARIANT number{};
    HRESULT hr = VariantChangeType(&number, value, 0, VT_I4);
    if (SUCCEEDED(hr)) values.emplace_back(name, V_I4(&number));
    return hr;
  }
};

// The bag holds "_Version" = 1.0 alone, and loading it resets the grid.
void CheckPropertyBag(IDispatch* grid) {
  auto persist = Query<IPersistPropertyBag>(grid);
  MemoryBag bag;
  CHECK(persist && persist->Save(&bag, TRUE, TRUE) == S_OK);
  CHECK(bag.values == (std::vector<std::pair<std::wstring, LONG>>{{L"_Version", 0x10000}}));
  Change(grid);
  CHECK(persist && persist->Load(&bag, nullptr) == S_OK && IsDefaultGrid(grid));
}

}  // namespace

void RunPersistenceTests() {
  ComPtr<IDispatch> grid = NewGrid();
  if (!CHECK(grid)) return;
  CheckStream(grid.Get());
  CheckPropertyBag(grid.Get());
  CheckStorage();
  // The one property page is the module's "General".
  auto pages = Query<ISpecifyPropertyPages>(grid.Get());
  CAUUID ids{};
  CHECK(pages && pages->GetPages(&ids) == S_OK && ids.cElems == 1);
  ComPtr<IPropertyPage> page;
  PROPPAGEINFO info{sizeof(PROPPAGEINFO)};
  CoCreateInstance(ids.pElems[0], nullptr, CLSCTX_INPROC_SERVER, IID_IPropertyPage, &page);
  CHECK(page && page->GetPageInfo(&info) == S_OK && std::wstring(info.pszTitle) == L"General");
  CoTaskMemFree(info.pszTitle);
  CoTaskMemFree(ids.pElems);
}

void RunAboutBoxTests() {
  ComPtr<IDispatch> grid = NewGrid();
  std::atomic<bool> sawTexts{false};
  // The box runs its modal loop on this thread: another one checks and closes it.
  std::thread watcher([&] {
    HWND box = nullptr;
    for (DWORD start = GetTickCount(); !box && GetTickCount() - start < 10000; Sleep(100)) {
      box = FindWindowW(nullptr, L"About TzGrid Control");
    }
    HWND ok = GetDlgItem(box, IDOK);
    sawTexts = box && FindWindowExW(box, nullptr, nullptr, L"TzGrid Control, Version 1.0") && ok &&
               FindWindowExW(box, nullptr, nullptr, L"OK") == ok;
    PostMessageW(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), LPARAM(ok));
  });
  CHECK(grid && Call(grid.Get(), L"AboutBox", {}) == S_OK);
  watcher.join();
  CHECK(sawTexts);
}

}  // namespace ModuleTest
