// Cached answers about the column order map, so that drawing every header
// cell of a grid with tens of thousands of columns does not walk the map
// once per cell: where a column is shown, and the last visible display
// position.
//
// Each answer is exactly the one of the walk it replaces, including where
// the walk would raise (an order entry naming no column, a map shorter than
// the column count) and including running sums that wrap to 32 bits. The
// cache is rebuilt whenever the order map, the widths or the column count
// change (the arrays' version counters), so no write can leave it stale.
#pragma once

#include <unordered_map>
#include <vector>

#include "../framework/afxcoll.h"

namespace TzGrid {

class CColumnCache {
 public:
  // The first display position p in 0 .. nCols - 1 with order[p] ==
  // UINT(nCol); -1 when there is none.
  int FindPosition(const CUIntArray& order, int nCols, int nCol) const;

  // The first display position p in 0 .. nCols - 1 at which the running
  // sum of widths[order[0]] .. widths[order[p]] (added with AddPixels) is
  // greater than limit (signed); nCols when there is none.
  int FindPassing(const CUIntArray& order, const CUIntArray& widths, int nCols, int limit) const;

 private:
  struct Key {
    const CUIntArray* order = nullptr;
    const CUIntArray* widths = nullptr;
    std::uint64_t orderVersion = ~std::uint64_t(0);
    std::uint64_t widthsVersion = ~std::uint64_t(0);
    int nCols = -1;
    bool operator==(const Key&) const = default;
  };
  void RefreshPositions(const CUIntArray& order, int nCols) const;
  void RefreshSums(const CUIntArray& order, const CUIntArray& widths, int nCols) const;

  // Positions: the first position of every value the map holds within the
  // positions the walk reads; values below the count in a vector, others
  // (written by the host) in a map.
  mutable Key m_positionsKey;
  mutable std::vector<int> m_firstPosition;
  mutable std::unordered_map<UINT, int> m_otherValues;
  mutable int m_positionsRead = 0;

  // Sums: a max-tree over the wrapped running sums of the positions before
  // the first one the walk would fail at (m_sumsRead).
  mutable Key m_sumsKey;
  mutable std::vector<int> m_maxTree;  // leaves from m_leaves on; unused leaves hold INT_MIN
  mutable std::size_t m_leaves = 0;
  mutable int m_sumsRead = 0;
};

}  // namespace TzGrid
