// What the framework asks of the operating system, and nothing more: each
// platform defines these (platform/headless/HeadlessSystem.cpp over POSIX,
// platform/win32/Win32System.cpp over the Windows API and runtime), so the
// framework's own files hold one portable body for every service.
//
// Only the framework's files and the platforms include this header; the
// grid reaches these services through the framework's classes (the slab
// allocator, CStdioFile, AFX_MANAGE_STATE).
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>

namespace TzGrid::Sys {

// ---- memory (afxmem.cpp)

// `bytes` bytes (a power of two, at least the page size) aligned to their
// own size, zero-filled, ready to be written; null when the system refuses.
void* MapAlignedPages(std::size_t bytes) noexcept;
// Gives back a range MapAlignedPages handed out, whole.
void UnmapAlignedPages(void* pages, std::size_t bytes) noexcept;
// What the system can still give this process without paging it to death;
// the largest value when it cannot tell.
std::uint64_t AvailableMemory() noexcept;

// ---- text files (afxfile.cpp; AfxOpenStream itself is the platform's)

// What the runtime made of a stream it opened for writing text.
struct StreamText {
  bool utf8;                  // opened for UTF-8 (",ccs=UTF-8")
  bool byteOrderMarkWritten;  // the runtime has put the mark in the file already
};
// Takes a stream over for writing bytes to its descriptor: whatever the
// runtime would translate from now on is the writer's business.
StreamText TakeOverStream(std::FILE* stream);
int StreamDescriptor(std::FILE* stream);
// One write of at most `count` bytes; the bytes written, or -1 with errno set.
long long WriteToDescriptor(int fd, const char* data, std::size_t count);

// ---- module state (afxstate.cpp)

// One pointer per thread, null on a thread that never set it. A guard
// opens with one swap (the read and the write in one call) and closes
// with one write.
void* ThreadSlot() noexcept;
void* SwapThreadSlot(void* value) noexcept;
void SetThreadSlot(void* value) noexcept;
// Gives the system's slot back as the module is unloaded; from then on reads
// answer null and writes are dropped. Where the runtime owns the slot (a
// thread_local), there is nothing to give back.
void FreeThreadSlot() noexcept;

}  // namespace TzGrid::Sys
