#include "ColumnCache.h"

#include <algorithm>
#include <climits>

#include "LayoutMath.h"

namespace TzGrid {

void CColumnCache::RefreshPositions(const CUIntArray& order, int nCols) const {
  if (m_positionsValid) return;
  m_positionsRead = std::max(0, std::min(nCols, order.GetSize()));
  m_firstPosition.assign(std::size_t(m_positionsRead), -1);
  m_otherValues.clear();
  const UINT* entries = order.GetData();
  for (int p = m_positionsRead - 1; p >= 0; --p) {  // backwards: the first position wins
    UINT value = entries[p];
    if (value < UINT(m_positionsRead)) {
      m_firstPosition[value] = p;
    } else {
      m_otherValues[value] = p;
    }
  }
  m_positionsValid = true;
}

int CColumnCache::FindPosition(const CUIntArray& order, int nCols, int nCol) const {
  RefreshPositions(order, nCols);
  const UINT value = UINT(nCol);
  int found = -1;
  if (value < UINT(m_positionsRead)) {
    found = m_firstPosition[value];
  } else if (auto it = m_otherValues.find(value); it != m_otherValues.end()) {
    found = it->second;
  }
  if (found >= 0) return found;
  // Not found: the walk would have gone on to a position the map does not hold.
  if (m_positionsRead < nCols) order.GetAt(m_positionsRead);
  return -1;
}

void CColumnCache::RefreshSums(const CUIntArray& order, const CUIntArray& widths, int nCols) const {
  if (m_sumsValid) return;
  // The positions the walk can add up before an index raises.
  const int readable = std::max(0, std::min(nCols, order.GetSize()));
  const UINT* entries = order.GetData();
  const UINT* sizes = widths.GetData();
  int read = 0;
  while (read < readable && entries[read] < UINT(widths.GetSize())) ++read;
  m_sumsRead = read;
  m_leaves = 1;
  while (m_leaves < std::size_t(std::max(read, 1))) m_leaves *= 2;
  m_maxTree.assign(2 * m_leaves, INT_MIN);
  int sum = 0;
  for (int p = 0; p < read; ++p) {
    sum = AddPixels(sum, sizes[entries[p]]);
    m_maxTree[m_leaves + std::size_t(p)] = sum;
  }
  for (std::size_t i = m_leaves - 1; i >= 1; --i) m_maxTree[i] = std::max(m_maxTree[2 * i], m_maxTree[2 * i + 1]);
  m_sumsValid = true;
}

int CColumnCache::FindPassing(const CUIntArray& order, const CUIntArray& widths, int nCols, int limit) const {
  RefreshSums(order, widths, nCols);
  if (m_maxTree[1] > limit) {
    // Down the tree to the leftmost running sum above the limit.
    std::size_t i = 1;
    while (i < m_leaves) i = m_maxTree[2 * i] > limit ? 2 * i : 2 * i + 1;
    return int(i - m_leaves);
  }
  if (m_sumsRead < nCols) {
    // The walk would fail here: at the order map's end or at an entry
    // naming no column.
    widths.GetAt(int(order.GetAt(m_sumsRead)));
  }
  return nCols;
}

}  // namespace TzGrid
