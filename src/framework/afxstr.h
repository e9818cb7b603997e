// CString: a counted UTF-16 string.
//
// Grids hold millions of short texts, so a text of up to 11 characters
// lives in the object itself (24 bytes) and costs no allocation; a longer
// one lives in a heap block that stores its length just before the
// characters. Either way the characters are NUL-terminated, and the length
// is counted, so a string may hold NUL characters (as a BSTR can); the
// members that must stop at the first NUL say so (FromTruncated).
//
// The last of the object's twelve 16-bit units tells the two apart: for an
// inline text it holds the unused capacity (11 minus the length), so an
// 11-character text ends on a 0 that is also its terminator; for a heap
// text it holds 0xFFFF and the first four units hold the pointer. The heap
// block's length header is one unit for lengths up to 0xFFFE, the marker
// 0xFFFF and a 32-bit length in front of it for longer strings. The class
// packs to 4-byte alignment: 24 bytes on either bitness, with no padding.
#pragma once

#include <cstring>
#include <string>
#include <string_view>

#include "afxdefs.h"

namespace TzGrid {

#pragma pack(push, 4)
class CString {
 public:
  CString() noexcept { SetInlineLength(0); }
  CString(const WCHAR* text);  // NUL-terminated; null gives the empty string
  CString(const WCHAR* text, std::size_t length) { Set(text, length); }
  explicit CString(std::u16string_view text) : CString(text.data(), text.size()) {}
  CString(const CString& other) : CString(other.GetString(), other.GetLength()) {}
  CString(CString&& other) noexcept { TakeFrom(other); }
  ~CString() {
    if (IsOnHeap()) FreeHeapBlock();
  }

  CString& operator=(const CString& other);
  CString& operator=(CString&& other) noexcept {
    if (this != &other) {
      if (IsOnHeap()) FreeHeapBlock();
      TakeFrom(other);
    }
    return *this;
  }

  // The characters up to the first NUL (all of them when there is none).
  static CString FromTruncated(std::u16string_view text);
  static CString FromUtf8(std::string_view utf8);

  int GetLength() const noexcept {
    return IsOnHeap() ? int(StoredLength(HeapChars())) : int(kInlineChars - m_units[kTagUnit]);
  }
  bool IsEmpty() const noexcept { return GetLength() == 0; }
  const WCHAR* GetString() const noexcept { return IsOnHeap() ? HeapChars() : m_units; }
  operator const WCHAR*() const noexcept { return GetString(); }
  std::u16string_view View() const noexcept { return {GetString(), std::size_t(GetLength())}; }
  WCHAR GetAt(int index) const;

  void Empty() noexcept {
    if (IsOnHeap()) FreeHeapBlock();
    SetInlineLength(0);
  }
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

  // The most characters a string holds without a heap block.
  static constexpr std::size_t kInlineChars = 11;

 private:
  static constexpr std::size_t kTagUnit = kInlineChars;  // the last unit
  static constexpr WCHAR kHeapTag = 0xFFFF;
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
  bool IsOnHeap() const noexcept { return m_units[kTagUnit] == kHeapTag; }
  WCHAR* HeapChars() const noexcept {
    WCHAR* chars;
    std::memcpy(&chars, m_units, sizeof chars);
    return chars;
  }
  void SetHeapChars(WCHAR* chars) noexcept {
    std::memcpy(m_units, &chars, sizeof chars);
    m_units[kTagUnit] = kHeapTag;
  }
  // Marks the inline text as length characters long and terminates it.
  void SetInlineLength(std::size_t length) noexcept {
    if (length < kInlineChars) m_units[length] = 0;
    m_units[kTagUnit] = WCHAR(kInlineChars - length);
  }
  WCHAR* MutableChars() noexcept { return IsOnHeap() ? HeapChars() : m_units; }
  // Takes other's text (and block); other is left empty.
  void TakeFrom(CString& other) noexcept {
    std::memcpy(m_units, other.m_units, sizeof m_units);
    other.SetInlineLength(0);
  }
  // Makes this string text (which must not lie in this string). Inline for
  // the short texts hosts hand over by the million.
  void Set(const WCHAR* text, std::size_t length) {
    if (!text) length = 0;
    if (length > kInlineChars) {
      SetOnHeap(text, length);
      return;
    }
    CopyShort(m_units, text, length);
    SetInlineLength(length);
  }
  void SetOnHeap(const WCHAR* text, std::size_t length);
  // Copies up to kInlineChars units, with no call: whole words of four
  // units, then the last units one at a time (a cell's text reads them
  // back the same way, see CellText.cpp). GCC warns about the word copy
  // where it inlines the copy of a literal shorter than a word, on a path
  // the length rules out.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Warray-bounds"
  static void CopyShort(WCHAR* to, const WCHAR* from, std::size_t length) noexcept {
    std::size_t i = 0;
    for (; i + 4 <= length; i += 4) std::memcpy(to + i, from + i, 4 * sizeof(WCHAR));
    for (; i < length; ++i) to[i] = from[i];
  }
#pragma GCC diagnostic pop
  void FreeHeapBlock() noexcept;

  WCHAR m_units[kInlineChars + 1];
};
#pragma pack(pop)

// Four UTF-16 units read as one word, lane i holding unit i in memory
// order, so that short texts are scanned and narrowed four units at a time.
using UnitLanes = std::uint64_t;
constexpr UnitLanes kEachUnitLane = 0x0001000100010001ull;  // 1 in every lane
inline UnitLanes LoadUnitLanes(const char16_t* units) noexcept {
  UnitLanes lanes;
  std::memcpy(&lanes, units, sizeof lanes);
  return lanes;
}

// The characters of text before its first NUL (all of them when there is
// none): what a C string copy of it would see.
// Inline, four units a word: every text a host writes into a cell passes
// through here.
inline std::u16string_view UpToFirstNul(std::u16string_view text) noexcept {
  std::size_t length = 0;
  for (; length + 4 <= text.size(); length += 4) {
    const UnitLanes lanes = LoadUnitLanes(text.data() + length);
    if (((lanes - kEachUnitLane) & ~lanes & 0x8000 * kEachUnitLane) != 0) break;  // a lane of 0
  }
  while (length < text.size() && text[length] != u'\0') ++length;
  return text.substr(0, length);
}

// The runtime's wide white-space test (space, tab, CR, LF, VT, FF and the
// Unicode spaces), the same on both platforms.
bool IsWideSpace(WCHAR ch);

}  // namespace TzGrid
