// Checked arrays with the platform's semantics: SetSize makes new entries
// null or 0 and drops entries past the new size without deleting what they
// point at; InsertAt and RemoveAt shift the later entries; every element
// access outside 0 .. size - 1 raises the invalid-argument exception.
#pragma once

#include <vector>

#include "afxexcept.h"

namespace TzGrid {

// The root of the framework's object classes. It carries no virtual table:
// the grid holds millions of objects and nothing deletes an object
// through a CObject pointer, which the protected destructor makes a compile
// error rather than a silent leak.
class CObject {
 protected:
  CObject() = default;
  ~CObject() = default;
};

template <typename T>
class CCheckedArray {
 public:
  using value_type = T;

  CCheckedArray() = default;
  CCheckedArray(const CCheckedArray& other) = default;
  CCheckedArray& operator=(const CCheckedArray& other) = default;

  int GetSize() const noexcept { return int(m_items.size()); }
  int GetCount() const noexcept { return GetSize(); }
  int GetUpperBound() const noexcept { return GetSize() - 1; }
  bool IsEmpty() const noexcept { return m_items.empty(); }

  void SetSize(int newSize) {
    if (newSize < 0) AfxThrowInvalidArgException("array size " + std::to_string(newSize) + " is negative");
    try {
      m_items.resize(std::size_t(newSize), T{});
    } catch (const std::bad_alloc&) {
      AfxThrowMemoryException();
    }
  }
  void RemoveAll() noexcept {
    m_items.clear();
    m_items.shrink_to_fit();
  }
  // Capacity hint, so that a known final size costs one allocation.
  void Reserve(int count) {
    try {
      if (count > 0) m_items.reserve(std::size_t(count));
    } catch (const std::bad_alloc&) {
      AfxThrowMemoryException();
    }
  }

  T GetAt(int index) const {
    AfxCheckIndex(index, GetSize(), "array");
    return m_items[std::size_t(index)];
  }
  void SetAt(int index, T value) {
    AfxCheckIndex(index, GetSize(), "array");
    m_items[std::size_t(index)] = value;
  }
  T& ElementAt(int index) {
    AfxCheckIndex(index, GetSize(), "array");
    return m_items[std::size_t(index)];
  }
  T operator[](int index) const { return GetAt(index); }
  T& operator[](int index) { return ElementAt(index); }

  int Add(T value) {
    m_items.push_back(value);
    return GetSize() - 1;
  }
  // Inserts count copies of value at index; index may equal the size (append),
  // beyond it the array grows with null entries first, as the platform's does.
  void InsertAt(int index, T value, int count = 1) {
    if (index < 0 || count < 0) {
      AfxThrowInvalidArgException("insert at " + std::to_string(index) + " count " + std::to_string(count));
    }
    if (index > GetSize()) SetSize(index);
    m_items.insert(m_items.begin() + index, std::size_t(count), value);
  }
  void RemoveAt(int index, int count = 1) {
    if (index < 0 || count < 0 || std::int64_t(index) + count > GetSize()) {
      AfxThrowInvalidArgException("remove " + std::to_string(count) + " entries at " + std::to_string(index) +
                                  " of an array of " + std::to_string(GetSize()));
    }
    m_items.erase(m_items.begin() + index, m_items.begin() + index + count);
  }

  // Unchecked view for loops that already bound the index by GetSize().
  const T* GetData() const noexcept { return m_items.data(); }
  T* GetData() noexcept { return m_items.data(); }

 private:
  std::vector<T> m_items;
};

// Unsigned 32-bit entries (widths, heights, the column order map).
class CUIntArray : public CCheckedArray<UINT> {};

// Pointers to objects; the array does not own them.
class CObArray : public CCheckedArray<CObject*> {};

// Type-safe pointer array over CObArray, as the platform's template. The
// element type need not derive from CObject (a row is an array of cell
// pointers); the storage is the same.
template <typename BASE, typename TYPE>
class CTypedPtrArray : public CCheckedArray<TYPE> {};

}  // namespace TzGrid
