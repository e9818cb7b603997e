// The random side of the bridge fuzzer: a seeded generator, the storage
// that outlives the arguments of one call, and the makers of argument
// VARIANTs, from well-typed values to hostile ones.
#pragma once

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#include <oleauto.h>

#include <cstdint>
#include <deque>
#include <functional>
#include <optional>
#include <vector>

namespace BridgeFuzz {

// splitmix64: the same numbers for a seed on every build and runtime.
class Random {
 public:
  explicit Random(std::uint64_t seed) : m_state(seed) {}
  std::uint64_t Next() {
    std::uint64_t z = (m_state += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
  }
  std::uint32_t Below(std::uint32_t n) { return std::uint32_t(Next() % n); }
  bool OneIn(std::uint32_t n) { return Below(n) == 0; }
  std::int32_t Between(std::int32_t low, std::int32_t high) {
    return std::int32_t(low + std::int64_t(Next() % std::uint64_t(std::int64_t(high) - low + 1)));
  }
  template <typename T>
  const T& Pick(const std::vector<T>& items) {
    return items[Below(std::uint32_t(items.size()))];
  }

 private:
  std::uint64_t m_state;
};

// Everything the arguments of one call point at, released when the call is
// over. The argument VARIANTs themselves are never cleared: they may be
// references, or refer to themselves.
class Arena {
 public:
  Arena() = default;
  Arena(const Arena&) = delete;
  Arena& operator=(const Arena&) = delete;
  ~Arena();

  VARIANT* NewVariant();  // VT_EMPTY, at a stable address
  void* NewBytes(std::size_t size);  // zeroed, 16-byte aligned
  BSTR Keep(BSTR text);
  SAFEARRAY* Keep(SAFEARRAY* array);
  // Slots a callee may reallocate through a reference: the value a slot
  // holds at the end is the one released.
  BSTR* NewSlot(BSTR text);
  SAFEARRAY** NewSlot(SAFEARRAY* array);
  IRecordInfo* Records(ULONG size);  // plain bytes of that size
  void Later(std::function<void()> release) { m_releases.push_back(std::move(release)); }

 private:
  std::deque<VARIANT> m_variants;
  std::deque<BSTR> m_textSlots;
  std::deque<SAFEARRAY*> m_arraySlots;
  std::vector<std::function<void()>> m_releases;
};

// An argument and, when the bridge must accept it where a long is wanted,
// the long it stands for (nothing when it must be refused).
struct Argument {
  VARIANT value;
  std::optional<LONG> asLong;
};

// What the makers draw from. callBack is an object whose default value a
// coercion may ask for (the grid itself, so that the coercion calls back
// into the control); scriptArray answers "length" and items by index name
// like a JScript array.
struct ArgumentSource {
  Random& random;
  Arena& arena;
  IDispatch* callBack;
  IDispatch* scriptArray;
};

// A value for a parameter of type want (VT_I4, VT_BSTR, VT_BYREF|VT_I4 for
// a column list, ...): mostly well-typed, sometimes a number of another
// type or behind a reference.
Argument Fitting(ArgumentSource& source, VARTYPE want);
// A row or column count: mostly small, sometimes one the grid must refuse.
Argument Count(ArgumentSource& source);
// Anything at all: odd scalars, references (null, chained, to themselves),
// arrays of every kind, records, nonsense types, objects.
Argument Hostile(ArgumentSource& source);

// A JScript-like array object with random items (sometimes failing ones,
// a negative or a huge length). One reference for the caller.
IDispatch* NewScriptArray(Random& random);

}  // namespace BridgeFuzz
