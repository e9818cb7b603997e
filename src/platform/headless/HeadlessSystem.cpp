// The framework's system services over POSIX and glibc: aligned pages from
// mmap, the memory still to spare from /proc/meminfo, text files opened by
// glibc's fopen and written through their descriptor, and the module-state
// slot in a thread_local.
#include <sys/mman.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cwchar>
#include <limits>
#include <string>

#include "../../framework/afxfile.h"
#include "../../framework/afxsys.h"

namespace TzGrid {

// ---------------------------------------------------------------- memory

void* Sys::MapAlignedPages(std::size_t bytes) noexcept {
  // Map twice the size and unmap the ends around the aligned middle.
  void* mapped = ::mmap(nullptr, bytes * 2, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (mapped == MAP_FAILED) return nullptr;
  auto start = reinterpret_cast<std::uintptr_t>(mapped);
  std::uintptr_t aligned = (start + bytes - 1) & ~std::uintptr_t(bytes - 1);
  if (aligned > start) ::munmap(mapped, aligned - start);
  std::uintptr_t tail = start + bytes * 2 - (aligned + bytes);
  if (tail) ::munmap(reinterpret_cast<void*>(aligned + bytes), tail);
#ifdef MADV_POPULATE_WRITE
  // A block is filled slot by slot right away: its pages are made in one
  // call rather than by one fault each. Older kernels refuse; faults then.
  ::madvise(reinterpret_cast<void*>(aligned), bytes, MADV_POPULATE_WRITE);
#endif
  return reinterpret_cast<void*>(aligned);
}

void Sys::UnmapAlignedPages(void* pages, std::size_t bytes) noexcept { ::munmap(pages, bytes); }

// Available physical memory plus free swap: what the kernel can still hand
// out before it starts killing processes.
std::uint64_t Sys::AvailableMemory() noexcept {
  std::FILE* meminfo = std::fopen("/proc/meminfo", "r");
  if (!meminfo) return std::numeric_limits<std::uint64_t>::max();
  std::uint64_t available = 0, swapFree = 0;
  bool sawAvailable = false;
  char line[256];
  while (std::fgets(line, sizeof line, meminfo)) {
    unsigned long long kib = 0;
    if (std::sscanf(line, "MemAvailable: %llu kB", &kib) == 1) {
      available = kib * 1024;
      sawAvailable = true;
    } else if (std::sscanf(line, "SwapFree: %llu kB", &kib) == 1) {
      swapFree = kib * 1024;
    }
  }
  std::fclose(meminfo);
  return sawAvailable ? available + swapFree : std::numeric_limits<std::uint64_t>::max();
}

// ------------------------------------------------------------ text files

// The runtime's mode strings for writing: "w" with an optional "t" and an
// optional ",ccs=UTF-8". glibc's fopen understands ",ccs=" itself and marks
// such a stream wide-oriented; CStdioFile reads the encoding back from that
// orientation and starts the file with the byte-order mark. The text is
// never written through the stream's own buffer: CStdioFile converts it and
// writes bytes to the descriptor.
int AfxOpenStream(FILE** ppStream, const CString& fileName, const WCHAR* mode) {
  if (!ppStream || !mode) return EINVAL;
  *ppStream = nullptr;
  std::u16string_view m(mode);
  bool utf8 = false;
  std::size_t comma = m.find(u',');
  if (comma != std::u16string_view::npos) {
    std::u16string_view option = m.substr(comma + 1);
    if (option != u"ccs=UTF-8" && option != u"ccs=utf-8") return EINVAL;
    utf8 = true;
    m = m.substr(0, comma);
  }
  if (m != u"w" && m != u"wt") return EINVAL;
  if (fileName.IsEmpty()) return ENOENT;
  if (fileName.View().find(u'\0') != std::u16string_view::npos) return EINVAL;

  std::string path = fileName.ToUtf8();
  FILE* stream = std::fopen(path.c_str(), utf8 ? "w,ccs=UTF-8" : "w");
  if (!stream) return errno ? errno : EINVAL;
  *ppStream = stream;
  return 0;
}

// glibc marks a stream opened with ",ccs=" wide-oriented; nothing has been
// written to it yet, so the writer owes the file its byte-order mark.
Sys::StreamText Sys::TakeOverStream(std::FILE* stream) { return {fwide(stream, 0) > 0, false}; }

int Sys::StreamDescriptor(std::FILE* stream) { return fileno(stream); }

long long Sys::WriteToDescriptor(int fd, const char* data, std::size_t count) { return ::write(fd, data, count); }

// ---------------------------------------------------------- module state

namespace {
thread_local void* t_slot = nullptr;
}  // namespace

void* Sys::ThreadSlot() noexcept { return t_slot; }
void* Sys::SwapThreadSlot(void* value) noexcept {
  void* previous = t_slot;
  t_slot = value;
  return previous;
}
void Sys::SetThreadSlot(void* value) noexcept { t_slot = value; }
// The runtime frees thread_local storage with each thread.
void Sys::FreeThreadSlot() noexcept {}

}  // namespace TzGrid
