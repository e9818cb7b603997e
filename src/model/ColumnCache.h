// Cached answers about the column order map, so that drawing every header
// cell of a grid with tens of thousands of columns does not walk the map
// once per cell: where a column is shown, and the last visible display
// position.
//
// Each answer is exactly the one of the walk it replaces, including where
// the walk would raise (an order entry naming no column, a map shorter than
// the column count) and including running sums that wrap to 32 bits. It
// belongs to the layout room, which tells it of every change to the order
// map (Forget) or to the widths alone (ForgetSums); each part is rebuilt on
// the next question that needs it.
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

  // The order map or the column count changed: both answers are stale.
  void Forget() noexcept {
    m_positionsValid = false;
    m_sumsValid = false;
  }
  // Only widths changed: positions still hold.
  void ForgetSums() noexcept { m_sumsValid = false; }

 private:
  void RefreshPositions(const CUIntArray& order, int nCols) const;
  void RefreshSums(const CUIntArray& order, const CUIntArray& widths, int nCols) const;

  // Positions: the first position of every value the map holds within the
  // positions the walk reads; values below the count in a vector, others
  // (written by the host) in a map.
  mutable bool m_positionsValid = false;
  mutable std::vector<int> m_firstPosition;
  mutable std::unordered_map<UINT, int> m_otherValues;
  mutable int m_positionsRead = 0;

  // Sums: a max-tree over the wrapped running sums of the positions before
  // the first one the walk would fail at (m_sumsRead).
  mutable bool m_sumsValid = false;
  mutable std::vector<int> m_maxTree;  // leaves from m_leaves on; unused leaves hold INT_MIN
  mutable std::size_t m_leaves = 0;
  mutable int m_sumsRead = 0;
};

}  // namespace TzGrid
