// The portable automation argument: the Automation types the control's
// interface uses (I2, I4, UI2, UI4, BSTR, BOOL, by-reference long and BSTR),
// and the parameter-type strings of the event map.
#pragma once

#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "afxdefs.h"
#include "afxstr.h"

namespace TzGrid {

// Event parameter lists, written as the platform writes them: FireEvent(id,
// EVENT_PARAM(VTS_I4 VTS_I4), a, b).
#define VTS_I4 "\x03"
#define EVENT_PARAM(list) list

class CDispArg {
 public:
  CDispArg() = default;
  static CDispArg I2(std::int16_t v) { return Make(VT_I2, v); }
  static CDispArg I4(std::int32_t v) { return Make(VT_I4, v); }
  static CDispArg UI2(std::uint16_t v) { return Make(VT_UI2, v); }
  static CDispArg UI4(std::uint32_t v) { return Make(VT_UI4, std::int64_t(v)); }
  static CDispArg Bool(bool v) { return Make(VT_BOOL, v ? VARIANT_TRUE : VARIANT_FALSE); }
  static CDispArg Bstr(std::u16string_view v) { return TakeBstr(CString(v)); }
  // A text the argument owns from now on (a member's result, say).
  static CDispArg TakeBstr(CString v) {
    CDispArg a = Make(VT_BSTR, 0);
    a.m_str = std::move(v);
    return a;
  }
  // A caller's text read where it lies: the caller keeps it alive for as
  // long as the argument is used (one call), so nothing is copied on the way in.
  static CDispArg BorrowedBstr(std::u16string_view v) {
    CDispArg a = Make(VT_BSTR, 0);
    a.m_view = v;
    a.m_bBorrowed = true;
    return a;
  }
  // A null BSTR: the platform treats it as the empty string.
  static CDispArg NullBstr() {
    CDispArg a = Make(VT_BSTR, 0);
    a.m_bNull = true;
    return a;
  }
  // A count for a reference whose caller vouches for its length: a C or
  // C++ host passing a long* to the first of as many longs as its own count
  // argument says.
  static constexpr std::size_t kCallerSized = static_cast<std::size_t>(-1);
  // A reference to count consecutive longs (a host passes one variable, or an array).
  static CDispArg ByRefI4(std::int32_t* p, std::size_t count = 1) {
    CDispArg a = Make(VT_BYREF | VT_I4, 0);
    a.m_pLong = p;
    a.m_count = p ? count : 0;
    return a;
  }
  static CDispArg ByRefBstr(std::u16string* p) {
    CDispArg a = Make(VT_BYREF | VT_BSTR, 0);
    a.m_pStr = p;
    return a;
  }

  VARTYPE Type() const noexcept { return m_vt; }
  std::int64_t Integer() const noexcept { return m_int; }
  std::u16string_view String() const noexcept {
    if (m_pStr) return *m_pStr;
    return m_bBorrowed ? m_view : m_str.View();
  }
  bool IsNullString() const noexcept { return m_vt == VT_BSTR ? m_bNull : m_pStr == nullptr; }
  std::int32_t* LongRef() const noexcept { return m_pLong; }
  std::size_t LongRefCount() const noexcept { return m_count; }

  friend bool operator==(const CDispArg& a, const CDispArg& b) {
    return a.m_vt == b.m_vt && a.m_int == b.m_int && a.String() == b.String() && a.m_bNull == b.m_bNull &&
           a.m_pLong == b.m_pLong;
  }

 private:
  static CDispArg Make(VARTYPE vt, std::int64_t value) {
    CDispArg a;
    a.m_vt = vt;
    a.m_int = value;
    return a;
  }
  VARTYPE m_vt = VT_EMPTY;
  std::int64_t m_int = 0;
  CString m_str;
  std::u16string_view m_view;
  bool m_bBorrowed = false;
  bool m_bNull = false;
  std::u16string* m_pStr = nullptr;
  std::int32_t* m_pLong = nullptr;
  std::size_t m_count = 0;
};

using CDispArgs = std::vector<CDispArg>;
// The arguments of one call as the member reads them, wherever the caller keeps them.
using CDispArgSpan = std::span<const CDispArg>;

}  // namespace TzGrid
