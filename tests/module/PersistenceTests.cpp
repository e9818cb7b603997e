// Persistence through a stream: the four bytes of version 1.0 and nothing
// of the grid; a grid changed after is dirty, and a load gives the default
// grid again.
#include "HostKit.h"

namespace ModuleTest {

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
}

}  // namespace ModuleTest
