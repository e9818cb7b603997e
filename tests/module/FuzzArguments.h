// The random side of the bridge fuzzer: a seeded generator, the storage
// that stays alive behind the arguments of one call, and the makers of
// argument VARIANTs, from well-typed values to hostile ones (null
// references, chains, self-references, arrays of every element type,
// records, odd BSTRs, objects that call back).
#pragma once

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#include <oleauto.h>

#include <cstdint>
#include <deque>
#include <optional>
#include <utility>
#include <vector>

namespace BridgeFuzz {

// splitmix64: the same numbers for a seed on every build and runtime.
class Random {
 public:
  explicit Random(std::uint64_t seed) : m_state(seed) {}
  std::uint64_t Next();
  // 0 .. n - 1; n > 0.
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

// Everything the arguments of one call point at, freed when the call is
// over. Argument VARIANTs themselves are never cleared: they may be
// references, or refer to themselves; what they own is listed here.
class Arena {
 public:
  Arena() = default;
  Arena(const Arena&) = delete;
  Arena& operator=(const Arena&) = delete;
  ~Arena();

  // A VARIANT at a stable address (VT_EMPTY).
  VARIANT* NewVariant();
  // size zeroed bytes at a stable, 16-byte aligned address.
  void* NewBytes(std::size_t size);
  BSTR Keep(BSTR text);
  // A slot holding text: the callee may reallocate it, the slot's value at
  // the end is what gets freed.
  BSTR* NewBstrSlot(BSTR text);
  SAFEARRAY* Keep(SAFEARRAY* array);
  SAFEARRAY** NewArraySlot(SAFEARRAY* array);
  // An array whose descriptor was made to lie about its element size: the
  // true size is put back before the array is destroyed.
  void KeepLying(SAFEARRAY* array, ULONG trueElementSize);
  // A record type of plain bytes for VT_RECORD arrays and values.
  IRecordInfo* Records(ULONG size);

 private:
  std::deque<VARIANT> m_variants;
  std::vector<void*> m_blocks;
  std::vector<BSTR> m_texts;
  std::deque<BSTR> m_slots;
  std::vector<SAFEARRAY*> m_arrays;
  std::deque<SAFEARRAY*> m_arraySlots;
  std::vector<std::pair<SAFEARRAY*, ULONG>> m_lying;
  std::vector<IRecordInfo*> m_records;
};

// An argument and, when the bridge must accept it where a long is wanted,
// the long it stands for (nothing when it must be refused).
struct Argument {
  VARIANT value;
  std::optional<LONG> asLong;
};

// Makes argument VARIANTs. callBack is an object whose default value the
// platform may ask for during a coercion (the grid itself, so that the
// coercion calls back into the control); scriptArray answers "length" and
// items by index name like a JScript array.
class ArgumentMaker {
 public:
  ArgumentMaker(Random& random, Arena& arena, IDispatch* callBack, IDispatch* scriptArray)
      : m_random(random), m_arena(arena), m_callBack(callBack), m_scriptArray(scriptArray) {}

  // A value meant for a parameter of type want (VT_I4, VT_BSTR,
  // VT_BYREF|VT_I4 for a column list, ...): mostly well-typed, sometimes a
  // number of another type or a reference to one.
  Argument Fitting(VARTYPE want);
  // A count for Rows/Columns: mostly small, sometimes one the grid must
  // refuse (negative, too large for memory).
  Argument Count();
  // Anything at all.
  Argument Hostile();

 private:
  Argument Number(LONG value);
  Argument AnyScalar();
  Argument AnyText();
  BSTR RandomText();
  Argument ByReference(Argument plain);
  Argument VariantChain(Argument plain);
  Argument NullReference();
  Argument SelfReference();
  Argument AnyArray();
  Argument ColumnList();
  Argument ArrayOf(VARTYPE vt, std::size_t count, LONG low, LONG high);
  Argument RecordValue();
  Argument GarbageType();
  Argument Object();

  Random& m_random;
  Arena& m_arena;
  IDispatch* m_callBack;
  IDispatch* m_scriptArray;
};

// A JScript-like array object: "length" and the items "0", "1", ... with
// random values (sometimes hostile ones, sometimes a huge length). One
// reference for the caller.
IDispatch* NewScriptArray(Random& random);

}  // namespace BridgeFuzz
