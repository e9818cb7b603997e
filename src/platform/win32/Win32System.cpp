// The framework's system services over the Windows API and its C runtime:
// aligned pages from VirtualAlloc, the commit still to spare, text files
// opened by _wfopen_s and written through their descriptor, and the
// module-state slot in a TLS index of the system's own.
#include "win32.h"

#include <fcntl.h>
#include <io.h>

#include <cerrno>
#include <cstdio>
#include <limits>

#include "../../framework/afxfile.h"
#include "../../framework/afxsys.h"

namespace TzGrid {

// ---------------------------------------------------------------- memory

void* Sys::MapAlignedPages(std::size_t bytes) noexcept {
  // Reserve twice the size to learn where an aligned range lies, give the
  // reservation back and claim exactly that range; another thread may take
  // it in between, so try a few times.
  for (int attempt = 0; attempt < 8; ++attempt) {
    void* probe = ::VirtualAlloc(nullptr, bytes * 2, MEM_RESERVE, PAGE_NOACCESS);
    if (!probe) return nullptr;
    std::uintptr_t aligned = (reinterpret_cast<std::uintptr_t>(probe) + bytes - 1) & ~std::uintptr_t(bytes - 1);
    ::VirtualFree(probe, 0, MEM_RELEASE);
    void* pages = ::VirtualAlloc(reinterpret_cast<void*>(aligned), bytes, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE);
    if (pages) return pages;
  }
  return nullptr;
}

void Sys::UnmapAlignedPages(void* pages, std::size_t) noexcept { ::VirtualFree(pages, 0, MEM_RELEASE); }

// The commit still available: what the system can back with memory or the
// page file before allocations start failing.
std::uint64_t Sys::AvailableMemory() noexcept {
  ::MEMORYSTATUSEX status{};
  status.dwLength = sizeof status;
  if (!::GlobalMemoryStatusEx(&status)) return std::numeric_limits<std::uint64_t>::max();
  return status.ullAvailPageFile;
}

// ------------------------------------------------------------ text files

int AfxOpenStream(FILE** ppStream, const CString& fileName, const WCHAR* mode) {
  if (!ppStream) return EINVAL;
  *ppStream = nullptr;
  if (fileName.View().find(u'\0') != std::u16string_view::npos) return EINVAL;
  static_assert(sizeof(wchar_t) == sizeof(WCHAR), "the Windows runtime's wide characters are UTF-16 units");
  return _wfopen_s(ppStream, reinterpret_cast<const wchar_t*>(fileName.GetString()),
                   reinterpret_cast<const wchar_t*>(mode));
}

// The runtime translates a text stream's characters itself; the writer
// does that, so the descriptor is switched to bytes. What the runtime had
// already put in the stream (a UTF-8 byte-order mark) is flushed first.
Sys::StreamText Sys::TakeOverStream(std::FILE* stream) {
  std::fflush(stream);
  const int fd = _fileno(stream);
  const int previous = _setmode(fd, _O_BINARY);
  const bool utf8 = previous == _O_WTEXT || previous == _O_U16TEXT || previous == _O_U8TEXT;
  return {utf8, utf8 && _lseeki64(fd, 0, SEEK_CUR) > 0};
}

int Sys::StreamDescriptor(std::FILE* stream) { return _fileno(stream); }

// The runtime's write takes an unsigned count: a larger buffer goes out in
// several calls.
long long Sys::WriteToDescriptor(int fd, const char* data, std::size_t count) {
  const unsigned chunk = count > (1u << 30) ? (1u << 30) : unsigned(count);
  return _write(fd, data, chunk);
}

// ---------------------------------------------------------- module state

namespace {
// mingw emulates thread_local: every access locks and looks up two tables,
// and guards open and close twice on each automation call. The system's own
// slot is a read of the thread's block.
::DWORD& SlotIndex() noexcept {
  static ::DWORD index = ::TlsAlloc();
  return index;
}
}  // namespace

void* Sys::ThreadSlot() noexcept {
  const ::DWORD index = SlotIndex();
  return index == TLS_OUT_OF_INDEXES ? nullptr : ::TlsGetValue(index);
}

void* Sys::SwapThreadSlot(void* value) noexcept {
  const ::DWORD index = SlotIndex();
  if (index == TLS_OUT_OF_INDEXES) return nullptr;
  void* previous = ::TlsGetValue(index);
  ::TlsSetValue(index, value);
  return previous;
}

void Sys::SetThreadSlot(void* value) noexcept {
  const ::DWORD index = SlotIndex();
  if (index != TLS_OUT_OF_INDEXES) ::TlsSetValue(index, value);
}

void Sys::FreeThreadSlot() noexcept {
  ::DWORD& index = SlotIndex();
  if (index != TLS_OUT_OF_INDEXES) ::TlsFree(index);
  index = TLS_OUT_OF_INDEXES;
}

}  // namespace TzGrid
