// CString: a counted UTF-16 string.
//
// The representation is one pointer (null for the empty string) to the
// characters, NUL-terminated, of a heap block that stores the length just
// before them, so that an empty cell costs no allocation and a filled one
// exactly one. The length is counted, so a string may hold NUL characters (as
// a BSTR can); the members that must stop at the first NUL say so
// (FromTruncated).
//
// Grids hold millions of short texts, so the length header is as small as it
// can be: one 16-bit unit for lengths up to 0xFFFE (a 10-character text and
// its header fit the allocator's smallest 24-byte request), the marker 0xFFFF
// and a 32-bit length in front of it for longer strings. The class packs to
// 4-byte alignment so that a cell record holding one needs no padding.
#pragma once

#include <cstring>
#include <string>
#include <string_view>

#include "afxdefs.h"

namespace TzGrid {

#pragma pack(push, 4)
class CString {
 public:
  CString() noexcept = default;
  CString(const WCHAR* text);  // NUL-terminated; null gives the empty string
  CString(const WCHAR* text, std::size_t length);
  explicit CString(std::u16string_view text) : CString(text.data(), text.size()) {}
  CString(const CString& other) : CString(other.GetString(), other.GetLength()) {}
  CString(CString&& other) noexcept : m_pchData(other.m_pchData) { other.m_pchData = nullptr; }
  ~CString() { Release(); }

  CString& operator=(const CString& other);
  CString& operator=(CString&& other) noexcept {
    if (this != &other) {
      Release();
      m_pchData = other.m_pchData;
      other.m_pchData = nullptr;
    }
    return *this;
  }

  // The characters up to the first NUL (all of them when there is none).
  static CString FromTruncated(std::u16string_view text);
  static CString FromUtf8(std::string_view utf8);

  int GetLength() const noexcept { return m_pchData ? int(StoredLength(m_pchData)) : 0; }
  bool IsEmpty() const noexcept { return m_pchData == nullptr; }
  const WCHAR* GetString() const noexcept { return m_pchData ? m_pchData : u""; }
  operator const WCHAR*() const noexcept { return GetString(); }
  std::u16string_view View() const noexcept { return {GetString(), std::size_t(GetLength())}; }
  WCHAR GetAt(int index) const;

  void Empty() noexcept { Release(); }
  // Replaces the characters by text's. A text of the same length is written
  // over the block in place: a host rewriting cells allocates nothing.
  CString& Assign(std::u16string_view text);
  CString& operator+=(const CString& other);
  CString& operator+=(std::u16string_view other);
  CString& operator+=(const WCHAR* other) { return *this += std::u16string_view(other ? other : u""); }
  friend CString operator+(const CString& a, std::u16string_view b) {
    CString r(a);
    r += b;
    return r;
  }

  // Removes trailing white space as the runtime's iswspace sees it.
  CString& TrimRight();
  // Replaces every occurrence of one character by another; returns the count.
  int Replace(WCHAR from, WCHAR to);
  // Index of the first occurrence of ch at or after start, or -1.
  int Find(WCHAR ch, int start = 0) const;

  std::string ToUtf8() const;

  friend bool operator==(const CString& a, const CString& b) { return a.View() == b.View(); }
  friend bool operator!=(const CString& a, const CString& b) { return !(a == b); }
  friend bool operator==(const CString& a, const WCHAR* b) { return a.View() == std::u16string_view(b ? b : u""); }

  // Bytes of heap this string holds (for memory accounting in benchmarks).
  std::size_t HeapBytes() const noexcept;

 private:
  static constexpr WCHAR kLongMarker = 0xFFFF;  // a 32-bit length precedes it
  static constexpr std::size_t kLongHeader = 8;  // uint32 length, pad, marker

  // Allocates a block for length characters and the NUL; returns the
  // characters, length stored, terminator written.
  static WCHAR* Allocate(std::size_t length);
  static std::size_t StoredLength(const WCHAR* chars) noexcept {
    if (chars[-1] != kLongMarker) return chars[-1];
    std::uint32_t length;
    std::memcpy(&length, reinterpret_cast<const char*>(chars) - kLongHeader, sizeof length);
    return length;
  }
  static std::size_t HeaderBytes(const WCHAR* chars) noexcept {
    return chars[-1] == kLongMarker ? kLongHeader : sizeof(WCHAR);
  }
  void Release() noexcept {
    if (m_pchData) FreeBlock();
  }
  void FreeBlock() noexcept;

  WCHAR* m_pchData = nullptr;
};
#pragma pack(pop)

// The runtime's wide white-space test (space, tab, CR, LF, VT, FF and the
// Unicode spaces), the same on both platforms.
bool IsWideSpace(WCHAR ch);

}  // namespace TzGrid
