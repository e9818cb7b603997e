// Arguments a careless or hostile Automation client can hand to Invoke,
// for the dispatch tests and the bridge fuzzer: arrays of every element
// type, references, and one argument of each hostile kind.
#pragma once

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#include <oleauto.h>

#include <deque>
#include <functional>
#include <string>
#include <vector>

namespace ModuleTest {

// The element types a SAFEARRAY of numbers, strings or VARIANTs can have.
const std::vector<VARTYPE>& NumericElementTypes();

// A vector (lower bound 0) of vt holding the values, each converted from a
// long (VT_VARIANT elements hold VT_I4). Null when vt cannot hold them.
SAFEARRAY* ArrayOfLongs(VARTYPE vt, const std::vector<LONG>& values);

// A VARIANT owning array, typed VT_ARRAY | the array's element type.
VARIANT ArrayArgument(SAFEARRAY* array);

VARIANT Reference(VARTYPE vt, void* target = nullptr);  // VT_BYREF | vt
inline VARIANT VariantReference(VARIANT* target) { return Reference(VT_VARIANT, target); }
inline void MakeSelfReference(VARIANT* v) { *v = VariantReference(v); }

// What arguments point at, released (last first) when the keeper goes.
// The argument VARIANTs themselves are never cleared: they may be
// references, or refer to themselves. Slots stay where they are.
class Keeper {
 public:
  Keeper() = default;
  Keeper(const Keeper&) = delete;
  ~Keeper() {
    for (auto it = m_releases.rbegin(); it != m_releases.rend(); ++it) (*it)();
  }
  VARIANT* NewSlot(VARIANT held = VARIANT{}) { return &m_slots.emplace_back(held); }
  template <typename T>
  T Keep(T owned, void (*release)(T)) {
    if (owned) Later([owned, release] { release(owned); });
    return owned;
  }
  void Later(std::function<void()> release) { m_releases.push_back(std::move(release)); }

 private:
  std::deque<VARIANT> m_slots;
  std::vector<std::function<void()>> m_releases;
};

// One argument of each hostile kind, refused where a long, a text or a
// column list is wanted: a null BSTR; references with nothing behind them
// (of every type), to themselves, to each other, two steps deep or to a
// record; arrays without a descriptor, of records, of objects (object), of
// two dimensions, nested, holding an element that refers to itself, or
// lying about their element size (by reference only: a copy would
// overrun). What they point at is the keeper's; an array passed by value
// is the caller's to clear.
std::size_t HostileKinds();
VARIANT HostileArgument(std::size_t kind, Keeper& keeper, IDispatch* object, std::string* name = nullptr);

}  // namespace ModuleTest
