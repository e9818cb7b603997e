// Persistence through a stream, a property bag and an OLE document: the
// version stamp alone, and a load gives the default grid.
#include "../../src/module/TzGridIds.h"
#include "HostKit.h"

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
  stream->Stat(&stat, STATFLAG_NONAME);
  CHECK(stat.cbSize.QuadPart == 4);
  DWORD version = 0;
  stream->Seek(LARGE_INTEGER{}, STREAM_SEEK_SET, nullptr);
  stream->Read(&version, 4, nullptr);
  CHECK(version == 0x00010000);
  stream->Seek(LARGE_INTEGER{}, STREAM_SEEK_SET, nullptr);
  CHECK_HR(persist->Load(stream.Get()), S_OK);
  CHECK(IsDefaultGrid(grid) && persist->IsDirty() == S_FALSE);
  // A stream too short for the stamp is refused.
  CHECK(FAILED(persist->Load(stream.Get())));
}

// An OLE document: OleCreate into a storage, changed, OleSave, OleLoad (the
// class read back from the storage, the default grid).
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
}

}  // namespace ModuleTest
