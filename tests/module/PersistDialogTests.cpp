// Persistence through a stream and a property bag: the version stamp
// alone, and a load gives the default grid.
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

// Saved: the four bytes of version 1.0 and nothing of the grid; changed
// after, the control is dirty until the load.
void CheckStream(IDispatch* grid) {
  auto persist = Query<IPersistStreamInit>(grid);
  ComPtr<IStream> stream = SavedState(grid);
  DWORD stamp[2] = {};
  ULONG read = 0;
  if (!CHECK(stream)) return;
  stream->Seek(LARGE_INTEGER{}, STREAM_SEEK_SET, nullptr);
  stream->Read(stamp, sizeof stamp, &read);
  CHECK(read == 4 && stamp[0] == 0x00010000);
  Change(grid);
  CHECK(persist->IsDirty() == S_OK && LoadState(grid, stream.Get()) == S_OK);
  CHECK(IsDefaultGrid(grid) && persist->IsDirty() == S_FALSE);
  // Read to its end, the stream is too short for the stamp: refused.
  CHECK(FAILED(persist->Load(stream.Get())));
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
}

}  // namespace ModuleTest
