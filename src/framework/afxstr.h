// CString: a counted UTF-16 string.
//
// The representation is one pointer (null for the empty string) to a block
// holding the length and the characters with a terminating NUL, so that an
// empty cell costs no allocation and a filled one exactly one. The length is
// counted, so a string may hold NUL characters (as a BSTR can); the members
// that must stop at the first NUL say so (FromTruncated).
#pragma once

#include <cstring>
#include <string>
#include <string_view>

#include "afxdefs.h"

namespace TzGrid {

class CString {
 public:
  CString() noexcept = default;
  CString(const WCHAR* text);  // NUL-terminated; null gives the empty string
  CString(const WCHAR* text, std::size_t length);
  explicit CString(std::u16string_view text) : CString(text.data(), text.size()) {}
  CString(const CString& other) : CString(other.GetString(), other.GetLength()) {}
  CString(CString&& other) noexcept : m_block(other.m_block) { other.m_block = nullptr; }
  ~CString() { Release(); }

  CString& operator=(const CString& other);
  CString& operator=(CString&& other) noexcept;

  // The characters up to the first NUL (all of them when there is none).
  static CString FromTruncated(std::u16string_view text);
  static CString FromUtf8(std::string_view utf8);

  int GetLength() const noexcept { return m_block ? int(m_block->length) : 0; }
  bool IsEmpty() const noexcept { return m_block == nullptr; }
  const WCHAR* GetString() const noexcept { return m_block ? m_block->chars : u""; }
  operator const WCHAR*() const noexcept { return GetString(); }
  std::u16string_view View() const noexcept { return {GetString(), std::size_t(GetLength())}; }
  WCHAR GetAt(int index) const;

  void Empty() noexcept { Release(); }
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
  struct Block {
    std::uint32_t length;
    WCHAR chars[1];  // length + 1 characters in the real allocation
  };
  static Block* Allocate(std::size_t length);
  void Release() noexcept;

  Block* m_block = nullptr;
};

// The runtime's wide white-space test (space, tab, CR, LF, VT, FF and the
// Unicode spaces), the same on both platforms.
bool IsWideSpace(WCHAR ch);

}  // namespace TzGrid
