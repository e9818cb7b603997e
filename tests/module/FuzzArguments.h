// The random side of the bridge fuzzer: a seeded generator, the storage
// that outlives the arguments of one call, and argument VARIANTs from
// well-typed values to hostile ones.
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

// What the arguments of one call point at, released when the call is over
// (the argument VARIANTs themselves are never cleared: they may be
// references, or refer to themselves). Slots stay where they are: a callee
// may reallocate what a reference points at, and the slot's last value is
// what gets released.
class Arena {
 public:
  Arena() = default;
  Arena(const Arena&) = delete;
  Arena& operator=(const Arena&) = delete;
  ~Arena() {
    for (auto it = m_releases.rbegin(); it != m_releases.rend(); ++it) (*it)();
  }
  // A zeroed VARIANT-sized slot: a VARIANT (VT_EMPTY), or the payload of
  // any by-value type, a BSTR or an array pointer.
  VARIANT* NewSlot() { return &m_slots.emplace_back(VARIANT{}); }
  template <typename T>
  T Keep(T owned, void (*release)(T)) {
    if (owned) m_releases.push_back([owned, release] { release(owned); });
    return owned;
  }
  void Later(std::function<void()> release) { m_releases.push_back(std::move(release)); }

 private:
  std::deque<VARIANT> m_slots;
  std::vector<std::function<void()>> m_releases;
};

// An argument and, when the bridge must accept it where a long is wanted,
// the long it stands for (nothing when it must be refused).
struct Argument {
  VARIANT value;
  std::optional<LONG> asLong;
};

// Makes arguments. callBack is an object whose default value a coercion
// may ask for (the grid itself: the coercion calls back into the control);
// scriptArray answers "length" and items by index like a JScript array.
class ArgumentMaker {
 public:
  ArgumentMaker(Random& random, Arena& arena, IDispatch* callBack, IDispatch* scriptArray)
      : m_random(random), m_arena(arena), m_callBack(callBack), m_scriptArray(scriptArray) {}

  // A value for a parameter of type want (VT_I4, VT_BSTR, VT_BYREF|VT_I4
  // for a column list, ...): mostly well-typed, sometimes a number of
  // another type or behind a reference.
  Argument Fitting(VARTYPE want);
  // A row or column count: mostly small, sometimes one the grid must refuse.
  Argument Count();
  // Anything at all: odd scalars and texts, references (typed, chained,
  // null, to themselves), arrays of every kind, records, nonsense types,
  // objects.
  Argument Hostile();

 private:
  Argument Number(LONG value);
  Argument Scalar();
  Argument Text();
  Argument ByReference(Argument plain);
  Argument VariantChain(Argument plain);
  Argument NullReference();
  Argument SelfReference();
  Argument Array();
  Argument NumericArray(LONG low, LONG high);
  Argument Record();
  Argument GarbageType();
  Argument Object();
  VARIANT ScriptArrayArgument();
  Argument Referenced(Argument plain, std::uint32_t outOf);

  Random& m_random;
  Arena& m_arena;
  IDispatch* m_callBack;
  IDispatch* m_scriptArray;
};

// A JScript-like array object with random items (sometimes a failing one,
// a negative or a huge length). One reference for the caller.
IDispatch* NewScriptArray(Random& random);

}  // namespace BridgeFuzz
