#include "afxmem.h"

#include <atomic>
#include <cstdio>
#include <cstring>
#include <limits>
#include <new>

#include "afxexcept.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/mman.h>
#include <unistd.h>
#endif

namespace TzGrid {

// The header at the start of every block; the slots follow it.
struct CFixedSlabAlloc::Block {
  Block* prevAvailable;
  Block* nextAvailable;
  Block* prevBlock;
  Block* nextBlock;
  void* freeList;           // slots given back, linked through their first bytes
  std::uint32_t untouched;  // slots from here on were never handed out
  std::uint32_t live;
  bool isAvailable;
};

namespace {
constexpr std::size_t kHeaderBytes = 64;  // the header, rounded to a cache line
static_assert(sizeof(void*) <= 8 && kHeaderBytes >= 56, "block header fits its space");
}  // namespace

CFixedSlabAlloc::CFixedSlabAlloc(std::size_t slotBytes)
    : m_slotBytes(slotBytes < sizeof(void*) ? sizeof(void*) : (slotBytes + 3) / 4 * 4),
      m_slotsPerBlock((kBlockBytes - kHeaderBytes) / m_slotBytes) {}

CFixedSlabAlloc::~CFixedSlabAlloc() {
  while (m_allBlocks) {
    Block* next = m_allBlocks->nextBlock;
    AfxFreeAlignedPages(m_allBlocks, kBlockBytes);
    m_allBlocks = next;
  }
}

char* CFixedSlabAlloc::SlotAt(Block* block, std::size_t index) const noexcept {
  return reinterpret_cast<char*>(block) + kHeaderBytes + index * m_slotBytes;
}

void CFixedSlabAlloc::LinkAvailable(Block* block) noexcept {
  block->isAvailable = true;
  block->prevAvailable = nullptr;
  block->nextAvailable = m_available;
  if (m_available) m_available->prevAvailable = block;
  m_available = block;
}

void CFixedSlabAlloc::UnlinkAvailable(Block* block) noexcept {
  if (block->prevAvailable) block->prevAvailable->nextAvailable = block->nextAvailable;
  if (block->nextAvailable) block->nextAvailable->prevAvailable = block->prevAvailable;
  if (m_available == block) m_available = block->nextAvailable;
  block->isAvailable = false;
  block->prevAvailable = block->nextAvailable = nullptr;
}

CFixedSlabAlloc::Block* CFixedSlabAlloc::AddBlock() {
  void* pages = AfxAllocAlignedPages(kBlockBytes);
  if (!pages) AfxThrowMemoryException();
  Block* block = new (pages) Block{};
  block->nextBlock = m_allBlocks;
  if (m_allBlocks) m_allBlocks->prevBlock = block;
  m_allBlocks = block;
  LinkAvailable(block);
  m_freeSlots += m_slotsPerBlock;
  ++m_blocks;
  return block;
}

void CFixedSlabAlloc::ReleaseBlock(Block* block) noexcept {
  if (block->isAvailable) UnlinkAvailable(block);
  if (block->prevBlock) block->prevBlock->nextBlock = block->nextBlock;
  if (block->nextBlock) block->nextBlock->prevBlock = block->prevBlock;
  if (m_allBlocks == block) m_allBlocks = block->nextBlock;
  m_freeSlots -= m_slotsPerBlock;
  --m_blocks;
  AfxFreeAlignedPages(block, kBlockBytes);
}

void CFixedSlabAlloc::Reserve(std::size_t count) {
  std::size_t wanted = m_reserved + count;
  std::size_t added = 0;
  try {
    while (m_freeSlots < wanted) {
      AddBlock();
      ++added;
    }
  } catch (...) {
    // Give back what this call took: the blocks just added are empty.
    while (added-- > 0) ReleaseBlock(m_allBlocks);
    throw;
  }
  m_reserved = wanted;
}

void CFixedSlabAlloc::ReleaseReservation() noexcept {
  m_reserved = 0;
  for (Block* block = m_available; block;) {
    Block* next = block->nextAvailable;
    if (block->live == 0) ReleaseBlock(block);
    block = next;
  }
}

void* CFixedSlabAlloc::Allocate() {
  Block* block = m_available ? m_available : AddBlock();
  char* slot;
  if (block->freeList) {
    slot = static_cast<char*>(block->freeList);
    std::memcpy(&block->freeList, slot, sizeof block->freeList);  // slots may be only 4-aligned
  } else {
    slot = SlotAt(block, block->untouched++);
  }
  ++block->live;
  --m_freeSlots;
  ++m_live;
  if (m_reserved) --m_reserved;
  if (!block->freeList && block->untouched == m_slotsPerBlock) UnlinkAvailable(block);
  return slot;
}

void CFixedSlabAlloc::Free(void* slot) noexcept {
  if (!slot) return;
  auto* block = reinterpret_cast<Block*>(reinterpret_cast<std::uintptr_t>(slot) & ~std::uintptr_t(kBlockBytes - 1));
  std::memcpy(slot, &block->freeList, sizeof block->freeList);
  block->freeList = slot;
  --block->live;
  ++m_freeSlots;
  --m_live;
  if (!block->isAvailable) LinkAvailable(block);
  // An empty block goes back to the system unless a reservation counts on it.
  if (block->live == 0 && m_freeSlots - m_slotsPerBlock >= m_reserved) ReleaseBlock(block);
}

namespace {
// Grids on different threads share the count.
std::atomic<std::size_t> g_pagesLimit{std::numeric_limits<std::size_t>::max()};
std::atomic<std::size_t> g_pagesHeld{0};
std::atomic<std::uint64_t> g_availableLimit{std::numeric_limits<std::uint64_t>::max()};

void* MapAlignedPages(std::size_t bytes) noexcept;
void UnmapAlignedPages(void* pages, std::size_t bytes) noexcept;
}  // namespace

std::size_t AfxSetAlignedPagesLimit(std::size_t bytes) noexcept { return g_pagesLimit.exchange(bytes); }
std::size_t AfxGetAlignedPagesHeld() noexcept { return g_pagesHeld.load(); }

void* AfxAllocAlignedPages(std::size_t bytes) noexcept {
  std::size_t held = g_pagesHeld.fetch_add(bytes) + bytes;
  void* pages = held >= bytes && held <= g_pagesLimit.load() ? MapAlignedPages(bytes) : nullptr;
  if (!pages) g_pagesHeld.fetch_sub(bytes);
  return pages;
}

void AfxFreeAlignedPages(void* pages, std::size_t bytes) noexcept {
  if (!pages) return;
  UnmapAlignedPages(pages, bytes);
  g_pagesHeld -= bytes;
}

#ifdef _WIN32

namespace {

void* MapAlignedPages(std::size_t bytes) noexcept {
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

void UnmapAlignedPages(void* pages, std::size_t) noexcept { ::VirtualFree(pages, 0, MEM_RELEASE); }

}  // namespace

static std::uint64_t SystemAvailableMemory() noexcept {
  ::MEMORYSTATUSEX status{};
  status.dwLength = sizeof status;
  if (!::GlobalMemoryStatusEx(&status)) return std::numeric_limits<std::uint64_t>::max();
  return status.ullAvailPageFile;
}

#else

namespace {

void* MapAlignedPages(std::size_t bytes) noexcept {
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

void UnmapAlignedPages(void* pages, std::size_t bytes) noexcept { ::munmap(pages, bytes); }

}  // namespace

static std::uint64_t SystemAvailableMemory() noexcept {
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

#endif

std::uint64_t AfxSetAvailableMemoryLimit(std::uint64_t bytes) noexcept { return g_availableLimit.exchange(bytes); }

std::uint64_t AfxGetAvailableMemory() noexcept {
  const std::uint64_t system = SystemAvailableMemory();
  const std::uint64_t limit = g_availableLimit.load();
  return system < limit ? system : limit;
}


}  // namespace TzGrid
