// Memory for objects that are many, all of one size, and never move.
//
// A grid of 20 columns and a million rows holds twenty million cell records.
// One heap allocation each would cost a header and rounding per cell and
// take seconds to make and free; CFixedSlabAlloc instead hands out slots of
// large blocks aligned to their own size, so that freeing a slot finds its
// block by masking the address, and a block whose slots are all free goes
// back to the system at once.
#pragma once

#include <cstddef>
#include <cstdint>

namespace TzGrid {

class CFixedSlabAlloc {
 public:
  static constexpr std::size_t kBlockBytes = std::size_t(1) << 20;

  explicit CFixedSlabAlloc(std::size_t slotBytes);
  CFixedSlabAlloc(const CFixedSlabAlloc&) = delete;
  CFixedSlabAlloc& operator=(const CFixedSlabAlloc&) = delete;
  // Returns every block to the system; the owner destroys the objects first.
  ~CFixedSlabAlloc();

  // Makes sure the next `count` calls of Allocate succeed without asking the
  // system for memory. Raises the memory exception, having reserved nothing
  // more, when the system refuses.
  void Reserve(std::size_t count);
  // Drops what Reserve promised and is still untaken, giving back the blocks
  // that hold no object.
  void ReleaseReservation() noexcept;
  // One slot of slotBytes bytes, 4-byte aligned, uninitialised. Raises the
  // memory exception when the system refuses a new block.
  void* Allocate();
  // Gives a slot back; a null pointer is ignored.
  void Free(void* slot) noexcept;

  std::size_t GetLiveCount() const noexcept { return m_live; }
  std::size_t GetBlockCount() const noexcept { return m_blocks; }
  std::size_t GetSlotsPerBlock() const noexcept { return m_slotsPerBlock; }

 private:
  struct Block;
  Block* AddBlock();
  void ReleaseBlock(Block* block) noexcept;
  void LinkAvailable(Block* block) noexcept;
  void UnlinkAvailable(Block* block) noexcept;
  char* SlotAt(Block* block, std::size_t index) const noexcept;

  std::size_t m_slotBytes;
  std::size_t m_slotsPerBlock;
  Block* m_available = nullptr;  // blocks with a free slot, most recent first
  Block* m_allBlocks = nullptr;  // every block, for the destructor
  std::size_t m_freeSlots = 0;   // over all blocks
  std::size_t m_reserved = 0;    // slots promised by Reserve and not yet taken
  std::size_t m_live = 0;
  std::size_t m_blocks = 0;
};

// Blocks of `bytes` bytes aligned to `bytes` (a power of two, at least the
// page size), zero-filled, straight from the system; null when refused.
void* AfxAllocAlignedPages(std::size_t bytes) noexcept;
void AfxFreeAlignedPages(void* pages, std::size_t bytes) noexcept;

// A ceiling on the bytes AfxAllocAlignedPages may hold at once, so that the
// refusal paths can be exercised without exhausting the machine; the
// default is no ceiling. Returns the previous ceiling.
std::size_t AfxSetAlignedPagesLimit(std::size_t bytes) noexcept;
std::size_t AfxGetAlignedPagesHeld() noexcept;

// Bytes the system can still give this process without paging it to death
// (available physical memory plus free swap on Linux, the commit that is
// still available on Windows); the largest value when it cannot tell.
std::uint64_t AfxGetAvailableMemory() noexcept;
// A ceiling on what AfxGetAvailableMemory answers, so that the refusals of
// a resize can be exercised; the default is no ceiling. Returns the
// previous ceiling.
std::uint64_t AfxSetAvailableMemoryLimit(std::uint64_t bytes) noexcept;

}  // namespace TzGrid
