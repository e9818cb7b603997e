// Persistence through a stream and a property bag: version 1.0 and nothing
// of the grid; a grid changed after is dirty, and a load gives the default
// grid again. The one property page is "General".
#include "HostKit.h"

#include <map>

namespace ModuleTest {

namespace {

// A host's property bag (a form's text, a web page's PARAM tags), in memory.
struct MemoryBag final : Object<IPropertyBag> {
  std::map<std::wstring, LONG> values;
  HRESULT STDMETHODCALLTYPE Read(LPCOLESTR name, VARIANT* value, IErrorLog*) override {
    if (!values.count(name)) return E_INVALIDARG;
    *value = Long(values[name]);
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE Write(LPCOLESTR name, VARIANT* value) override {
    VARIANT number = Blank(VT_EMPTY);
    HRESULT hr = VariantChangeType(&number, value, 0, VT_I4);
    if (SUCCEEDED(hr)) values[name] = V_I4(&number);
    return hr;
  }
};

void CheckPropertyBagAndPage(IDispatch* grid) {
  auto persist = Query<IPersistPropertyBag>(grid);
  MemoryBag bag;  // the grid's state is its version alone
  CHECK(persist && persist->Save(&bag, TRUE, TRUE) == S_OK);
  CHECK(bag.values == (std::map<std::wstring, LONG>{{L"_Version", 0x10000}}));
  CHECK_HR(Put(grid, L"Rows", Long(100)), S_OK);
  CHECK(persist && persist->Load(&bag, nullptr) == S_OK && CallLong(grid, L"Rows") == 5);
  auto pages = Query<ISpecifyPropertyPages>(grid);
  CAUUID ids{};
  ComPtr<IPropertyPage> page;
  PROPPAGEINFO info = {sizeof(PROPPAGEINFO), nullptr, {}, nullptr, nullptr, 0};
  CHECK(pages && pages->GetPages(&ids) == S_OK && ids.cElems == 1);
  if (ids.cElems) CoCreateInstance(ids.pElems[0], nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&page));
  CHECK(page && page->GetPageInfo(&info) == S_OK && info.pszTitle && std::wstring(info.pszTitle) == L"General");
  CoTaskMemFree(info.pszTitle);
  CoTaskMemFree(ids.pElems);
}

}  // namespace

void RunPersistenceTests() {
  ComPtr<IDispatch> grid = NewGrid();
  auto persist = Query<IPersistStreamInit>(grid.Get());
  ComPtr<IStream> stream = SavedState(grid.Get());
  if (!CHECK(persist && stream)) return;
  DWORD stamp[2] = {};
  ULONG read = 0;
  stream->Seek(LARGE_INTEGER{}, STREAM_SEEK_SET, nullptr);
  stream->Read(stamp, sizeof stamp, &read);
  CHECK(read == 4 && stamp[0] == 0x00010000);
  CHECK_HR(Put(grid.Get(), L"Rows", Long(100)), S_OK);
  CHECK_HR(Call(grid.Get(), L"SetCellText", {Long(3), Long(3), Text(L"kept?")}), S_OK);
  CHECK(persist->IsDirty() == S_OK && LoadState(grid.Get(), stream.Get()) == S_OK && persist->IsDirty() == S_FALSE);
  CHECK(CallLong(grid.Get(), L"Rows") == 5 && CallText(grid.Get(), L"GetCellText", {Long(3), Long(3)}).empty());
  // Read to its end, the stream is too short for the stamp: refused.
  CHECK(FAILED(persist->Load(stream.Get())));
  CheckPropertyBagAndPage(grid.Get());
}

}  // namespace ModuleTest
