#include "afxmem.h"

#include <atomic>
#include <cstring>
#include <limits>
#include <new>

#include "afxexcept.h"
#include "afxsys.h"


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
}  // namespace

std::size_t AfxSetAlignedPagesLimit(std::size_t bytes) noexcept { return g_pagesLimit.exchange(bytes); }
std::size_t AfxGetAlignedPagesHeld() noexcept { return g_pagesHeld.load(); }

void* AfxAllocAlignedPages(std::size_t bytes) noexcept {
  std::size_t held = g_pagesHeld.fetch_add(bytes) + bytes;
  void* pages = held >= bytes && held <= g_pagesLimit.load() ? Sys::MapAlignedPages(bytes) : nullptr;
  if (!pages) g_pagesHeld.fetch_sub(bytes);
  return pages;
}

void AfxFreeAlignedPages(void* pages, std::size_t bytes) noexcept {
  if (!pages) return;
  Sys::UnmapAlignedPages(pages, bytes);
  g_pagesHeld -= bytes;
}

std::uint64_t AfxSetAvailableMemoryLimit(std::uint64_t bytes) noexcept { return g_availableLimit.exchange(bytes); }

std::uint64_t AfxGetAvailableMemory() noexcept {
  const std::uint64_t system = Sys::AvailableMemory();
  const std::uint64_t limit = g_availableLimit.load();
  return system < limit ? system : limit;
}

}  // namespace TzGrid
