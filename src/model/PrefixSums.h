// Cached prefix sums of a size array (the row heights, the column widths by
// index), so that a hit test, a scroll step or the visible extent costs
// O(log rows) on a grid of a million rows instead of a walk from row 0, and
// a scroll step over tens of thousands of columns does not add them all up.
//
// The cache gives exactly the results of the walks it replaces: sums wrap
// as 32-bit values like AddPixels, and the binary search is used only where
// no partial sum can leave the 32-bit range (where the walk's running sum
// grows monotonically); elsewhere the walk itself runs. It belongs to the
// layout room, which owns the array and calls Forget on every write to it;
// the sums are rebuilt on the next question.
#pragma once

#include <vector>

#include "../framework/afxcoll.h"

namespace TzGrid {

class CPrefixSums {
 public:
  // Sum of sizes[from .. to - 1], wrapped to 32 bits as AddPixels adds.
  // Raises the invalid-argument exception where the walk would read past
  // the array.
  int Sum(const CUIntArray& sizes, int from, int to) const;

  // The first r in from .. count - 1 for which acc + sizes[from] + ... +
  // sizes[r] (added with AddPixels) is greater than limit (signed); count
  // when there is none.
  int FindPassing(const CUIntArray& sizes, int count, int from, int acc, int limit) const;

  // The array changed: the sums are made again when next asked for.
  void Forget() noexcept { m_valid = false; }

 private:
  void Refresh(const CUIntArray& sizes) const;

  mutable std::vector<std::uint64_t> m_prefix;  // m_prefix[i] = exact sum of the first i entries
  mutable bool m_valid = false;
};

}  // namespace TzGrid
