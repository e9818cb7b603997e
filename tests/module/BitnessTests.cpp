// Both bitnesses on one machine (run by tests/module/coexist.sh with the x64
// and the x86 module registered in one prefix, each host of its own
// bitness):
//   coexist       the control a host of this bitness creates by its ProgID
//                 comes from the module of its bitness and works;
//   persist-save  the state of a new control, saved through a stream and
//                 through a storage, written to files named after this
//                 bitness (persist-x64.stream, persist-x64.stg, ...);
//   persist-load  the files the other bitness wrote load here and save
//                 again to the same bytes.
// The files live in the current directory.
#include "HostKit.h"

#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace ModuleTest {

namespace {

using Bytes = std::vector<char>;

const wchar_t* OwnArch() { return sizeof(void*) == 8 ? L"x64" : L"x86"; }
const wchar_t* OtherArch() { return sizeof(void*) == 8 ? L"x86" : L"x64"; }

std::wstring StreamFile(const wchar_t* arch) { return std::wstring(L"persist-") + arch + L".stream"; }
std::wstring StorageFile(const wchar_t* arch) { return std::wstring(L"persist-") + arch + L".stg"; }

// The stream the control keeps its state in inside a storage.
constexpr const wchar_t* kContents = L"Contents";

Bytes ReadWholeFile(const std::wstring& path) {
  std::ifstream in(Narrow(path), std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

bool WriteWholeFile(const std::wstring& path, const Bytes& bytes) {
  std::ofstream out(Narrow(path), std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), std::streamsize(bytes.size()));
  return bool(out);
}

// Everything in a stream, from its start.
Bytes StreamBytes(IStream* stream) {
  Bytes bytes;
  if (!stream || FAILED(stream->Seek(LARGE_INTEGER{}, STREAM_SEEK_SET, nullptr))) return bytes;
  char chunk[256];
  ULONG read = 0;
  while (SUCCEEDED(stream->Read(chunk, sizeof chunk, &read)) && read > 0) bytes.insert(bytes.end(), chunk, chunk + read);
  return bytes;
}

Bytes ContentsOf(IStorage* storage) {
  ComPtr<IStream> contents;
  if (!storage || FAILED(storage->OpenStream(kContents, nullptr, STGM_READ | STGM_SHARE_EXCLUSIVE, 0, &contents))) {
    return {};
  }
  return StreamBytes(contents.Get());
}

// The control's state saved into a new storage: in memory when path is
// empty, otherwise a compound file at path.
ComPtr<IStorage> SavedStorage(IUnknown* control, const std::wstring& path) {
  ComPtr<IStorage> storage;
  const DWORD mode = STGM_CREATE | STGM_READWRITE | STGM_SHARE_EXCLUSIVE;
  HRESULT hr = E_FAIL;
  if (path.empty()) {
    ComPtr<ILockBytes> memory;
    if (SUCCEEDED(CreateILockBytesOnHGlobal(nullptr, TRUE, &memory))) {
      hr = StgCreateDocfileOnILockBytes(memory.Get(), mode, 0, &storage);
    }
  } else {
    hr = StgCreateDocfile(path.c_str(), mode, 0, &storage);
  }
  auto persist = Query<IPersistStorage>(control);
  if (FAILED(hr) || !persist || FAILED(persist->Save(storage.Get(), FALSE)) ||
      FAILED(persist->SaveCompleted(nullptr)) || FAILED(storage->Commit(STGC_DEFAULT))) {
    storage.Reset();
  }
  return storage;
}

// A grid that differs from a new one, so that a load shows.
void ChangeGrid(IDispatch* grid) {
  CHECK_HR(Put(grid, L"Rows", Long(100)), S_OK);
  CHECK_HR(Call(grid, L"SetCellText", {Long(3), Long(3), Text(L"before the load")}), S_OK);
}

// After a load the grid is the default one again and not dirty.
void CheckLoadedGrid(IDispatch* grid, IPersist* persist) {
  auto stream = Query<IPersistStreamInit>(persist);
  CHECK(stream && stream->IsDirty() == S_FALSE);
  CHECK(CallLong(grid, L"Rows") == 5 && CallText(grid, L"GetCellText", {Long(3), Long(3)}).empty());
}

}  // namespace

void RunCoexistTests() {
  CLSID clsid{};
  CHECK_HR(CLSIDFromProgID(L"TZGRID.TzGridCtrl.1", &clsid), S_OK);
  ComPtr<IDispatch> grid;
  CHECK_HR(CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch, &grid), S_OK);
  if (!grid) return;
  // The module serving this process is the one of its bitness: the
  // coexistence script installs each in a folder named after its bitness.
  wchar_t path[MAX_PATH] = L"";
  GetModuleFileNameW(GetModuleHandleW(L"TzGrid.ocx"), path, MAX_PATH);
  const std::wstring loaded = path, wanted = std::wstring(L"\\") + OwnArch() + L"\\TzGrid.ocx";
  std::printf("  %s host loaded %s\n", Narrow(OwnArch()).c_str(), Narrow(loaded).c_str());
  CHECK(loaded.size() > wanted.size() && _wcsicmp(loaded.c_str() + loaded.size() - wanted.size(), wanted.c_str()) == 0);
  // A cell round trip through late binding, and the control embedded and
  // painted in a window of this process.
  const std::wstring text = std::wstring(L"written by ") + OwnArch();
  CHECK_HR(Put(grid.Get(), L"Rows", Long(20)), S_OK);
  CHECK_HR(Call(grid.Get(), L"SetCellText", {Long(12), Long(2), Text(text.c_str())}), S_OK);
  CHECK(CallText(grid.Get(), L"GetCellText", {Long(12), Long(2)}) == text);
  HWND host = CreateHostWindow(L"TzGrid coexistence", 320, 220);
  {
    Hosted hosted(Container::Own, host, RECT{0, 0, 300, 200});
    CHECK(hosted.ok() && IsWindowVisible(hosted.window));
  }
  DestroyWindow(host);
}

void RunPersistSaveTests() {
  ComPtr<IDispatch> grid = NewGrid();
  if (!CHECK(grid)) return;
  ComPtr<IStream> stream = SavedState(grid.Get());
  Bytes streamBytes = StreamBytes(stream.Get());
  CHECK(!streamBytes.empty() && WriteWholeFile(StreamFile(OwnArch()), streamBytes));
  ComPtr<IStorage> storage = SavedStorage(grid.Get(), StorageFile(OwnArch()));
  CHECK(storage && !ContentsOf(storage.Get()).empty());
}

void RunPersistLoadTests() {
  // Through a stream: IPersistStreamInit::Load of the other bitness's bytes.
  const Bytes saved = ReadWholeFile(StreamFile(OtherArch()));
  if (!Check(!saved.empty(), "the other bitness's stream file " + Narrow(StreamFile(OtherArch())), __FILE__, __LINE__)) {
    return;
  }
  ComPtr<IDispatch> grid = NewGrid();
  if (!CHECK(grid)) return;
  ChangeGrid(grid.Get());
  ComPtr<IStream> stream;
  ULONG written = 0;
  CHECK(SUCCEEDED(CreateStreamOnHGlobal(nullptr, TRUE, &stream)) &&
        SUCCEEDED(stream->Write(saved.data(), ULONG(saved.size()), &written)) && written == saved.size());
  CHECK_HR(LoadState(grid.Get(), stream.Get()), S_OK);
  CheckLoadedGrid(grid.Get(), Query<IPersist>(grid.Get()).Get());
  CHECK(StreamBytes(SavedState(grid.Get()).Get()) == saved);

  // Through a storage: IPersistStorage::Load of the other bitness's
  // compound file in a control that never had InitNew.
  ComPtr<IStorage> file;
  CHECK_HR(StgOpenStorage(StorageFile(OtherArch()).c_str(), nullptr, STGM_READ | STGM_SHARE_DENY_WRITE, nullptr, 0, &file),
           S_OK);
  const Bytes contents = ContentsOf(file.Get());
  CHECK(!contents.empty());
  ComPtr<IDispatch> fresh = NewGrid();
  auto persist = Query<IPersistStorage>(fresh.Get());
  if (!CHECK(fresh && persist && file)) return;
  CHECK_HR(persist->Load(file.Get()), S_OK);
  CheckLoadedGrid(fresh.Get(), persist.Get());
  ComPtr<IStorage> again = SavedStorage(fresh.Get(), L"");
  CHECK(again && ContentsOf(again.Get()) == contents);
  // Both ways of saving hold the same state.
  CHECK(contents == saved);
}

}  // namespace ModuleTest
