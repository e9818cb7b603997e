#include "PrefixSums.h"

#include <climits>

#include "LayoutMath.h"

namespace TzGrid {

void CPrefixSums::Refresh(const CUIntArray& sizes) const {
  if (m_valid) return;
  std::size_t n = std::size_t(sizes.GetSize());
  m_prefix.resize(n + 1);
  m_prefix[0] = 0;
  const UINT* data = sizes.GetData();
  for (std::size_t i = 0; i < n; ++i) m_prefix[i + 1] = m_prefix[i] + data[i];
  m_valid = true;
}

int CPrefixSums::Sum(const CUIntArray& sizes, int from, int to) const {
  if (to <= from) return 0;
  // The walk would fail at its first index outside the array.
  if (from < 0) AfxCheckIndex(from, sizes.GetSize(), "array");
  if (to > sizes.GetSize()) AfxCheckIndex(sizes.GetSize(), sizes.GetSize(), "array");
  Refresh(sizes);
  return int(std::uint32_t(m_prefix[std::size_t(to)] - m_prefix[std::size_t(from)]));
}

int CPrefixSums::FindPassing(const CUIntArray& sizes, int count, int from, int acc, int limit) const {
  if (from < 0 && from < count) AfxCheckIndex(from, sizes.GetSize(), "array");
  if (from >= count) return count;
  int end = count <= sizes.GetSize() ? count : sizes.GetSize();
  // A walk starting past the array's end fails at its first read.
  if (from > end) AfxCheckIndex(from, sizes.GetSize(), "array");
  Refresh(sizes);
  std::int64_t total = std::int64_t(m_prefix[std::size_t(end)] - m_prefix[std::size_t(from)]);
  if (std::int64_t(acc) + total <= INT_MAX) {
    // No partial sum leaves the 32-bit range: the running sum grows
    // monotonically, and the first entry passing the limit can be bisected.
    const std::uint64_t base = m_prefix[std::size_t(from)];
    auto passes = [&](std::size_t r) { return std::int64_t(acc) + std::int64_t(m_prefix[r + 1] - base) > limit; };
    std::size_t lo = std::size_t(from), hi = std::size_t(end);  // answer in [lo, hi]
    // Rows mostly share one height, columns one width: guess the answer from
    // the first entry and check it and its neighbour. For uniform sizes the
    // guess is right and costs two predictable probes.
    const std::uint64_t firstSize = m_prefix[lo + 1] - base;
    const std::int64_t need = std::int64_t(limit) - acc;
    if (firstSize > 0 && need >= 0 && std::uint64_t(need) / firstSize < hi - lo) {
      const std::size_t guess = lo + std::size_t(std::uint64_t(need) / firstSize);
      if (passes(guess)) {
        if (guess == lo || !passes(guess - 1)) return int(guess);
        hi = guess - 1;
      } else {
        lo = guess + 1;
      }
    }
    // Otherwise the answer is mostly near `from`: gallop out from there
    // before bisecting, so the search stays close to it in the sums.
    for (std::size_t step = 1; lo + step < hi; step *= 2) {
      if (passes(lo + step - 1)) {
        hi = lo + step - 1;
        break;
      }
      lo += step;
    }
    while (lo < hi) {
      std::size_t mid = lo + (hi - lo) / 2;
      if (passes(mid)) {
        hi = mid;
      } else {
        lo = mid + 1;
      }
    }
    if (lo < std::size_t(end)) return int(lo);
  } else {
    for (int r = from; r < end; ++r) {
      acc = AddPixels(acc, sizes.GetAt(r));
      if (acc > limit) return r;
    }
  }
  // Past the array's end the walk would raise; with the array as long as
  // the count it simply runs out of rows.
  if (end < count) AfxCheckIndex(end, sizes.GetSize(), "array");
  return count;
}

}  // namespace TzGrid
