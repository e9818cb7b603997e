// CCellText: a cell's text, stored as compactly as its characters allow.
//
// Grids hold tens of millions of short texts, nearly all of them in the
// first 256 code points (codes, numbers, names in Latin script). Such a
// text of up to 11 characters lives in the object itself, one byte a
// character; any other text (longer, or with a character past U+00FF)
// lives in a heap block of UTF-16 units with its length in front. The
// length is counted, so a text may hold NUL characters as a CString can.
//
// The last of the object's twelve bytes tells the two apart: for an inline
// text its low four bits hold the unused capacity (11 minus the length) and
// bit 4 says whether every character is printable ASCII (what an export
// writes as it is, and nearly every cell holds); for a heap text it holds
// 0xFF and the first bytes hold the block's pointer. The text is the
// whole of a cell's record in the store, which keeps a row's texts side by
// side: twelve bytes each, with no padding on either bitness.
#pragma once

#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

#include "../framework/afx.h"

namespace TzGrid {

#pragma pack(push, 4)
class CCellText {
 public:
  CCellText() noexcept { SetInlineLength(0); }
  ~CCellText() { FreeHeapBlock(); }
  CCellText(const CCellText&) = delete;
  CCellText& operator=(const CCellText&) = delete;
  CCellText(CCellText&& other) noexcept { TakeFrom(other); }
  CCellText& operator=(CCellText&& other) noexcept {
    if (this != &other) {
      FreeHeapBlock();
      TakeFrom(other);
    }
    return *this;
  }

  // Replaces the text. Raises the memory exception, with the old text kept,
  // when a heap block cannot be had.
  void Assign(std::u16string_view text);
  CCellText& operator=(const CString& text) {
    Assign(text.View());
    return *this;
  }

  bool IsEmpty() const noexcept { return GetLength() == 0; }
  int GetLength() const noexcept {
    return IsOnHeap() ? int(HeapLength()) : int(kInlineChars - (m_bytes[kTagByte] & kCapacityBits));
  }
  // Every character in U+0020..U+007E (the empty text too); never for a
  // heap text.
  bool IsPrintableAscii() const noexcept { return (m_bytes[kTagByte] & ~kCapacityBits) == kPrintableBit; }

  // Inline texts are narrow: one byte a character, each the code point.
  bool IsNarrow() const noexcept { return !IsOnHeap(); }
  std::string_view NarrowView() const noexcept {
    return IsOnHeap() ? std::string_view() : std::string_view(reinterpret_cast<const char*>(m_bytes), std::size_t(GetLength()));
  }
  // Copies a narrow text's characters to out, which has room for
  // kInlineChars + 1 bytes: a fixed-size copy, so bytes past the length are
  // written too (the caller writes over them). Returns the length.
  std::size_t CopyNarrowTo(char* out) const noexcept {
    std::memcpy(out, m_bytes, sizeof m_bytes);
    return std::size_t(GetLength());
  }
  std::u16string_view WideView() const noexcept {
    return IsOnHeap() ? std::u16string_view(HeapUnits(), HeapLength()) : std::u16string_view();
  }

  // The text as UTF-16, made anew (a short one costs no allocation).
  CString ToString() const;
  operator CString() const { return ToString(); }  // NOLINT: a cell's text reads as a string
  std::string ToUtf8() const { return ToString().ToUtf8(); }

  // Bytes of heap this text holds (for memory accounting in benchmarks).
  std::size_t HeapBytes() const noexcept;

  friend bool operator==(const CCellText& a, std::u16string_view b);

  static constexpr std::size_t kInlineChars = 11;

 private:
  static constexpr std::size_t kTagByte = kInlineChars;  // the last byte
  static constexpr std::uint8_t kHeapTag = 0xFF;
  static constexpr std::uint8_t kCapacityBits = 0x0F;
  static constexpr std::uint8_t kPrintableBit = 0x10;

  bool IsOnHeap() const noexcept { return m_bytes[kTagByte] == kHeapTag; }
  // A heap block: a 32-bit length, then the units.
  char16_t* HeapBlock() const noexcept {
    char16_t* block;
    std::memcpy(&block, m_bytes, sizeof block);
    return block;
  }
  std::uint32_t HeapLength() const noexcept {
    std::uint32_t length;
    std::memcpy(&length, HeapBlock(), sizeof length);
    return length;
  }
  const char16_t* HeapUnits() const noexcept { return HeapBlock() + kHeaderUnits; }
  void SetInlineLength(std::size_t length, bool printable = true) noexcept {
    m_bytes[kTagByte] = std::uint8_t((kInlineChars - length) | (printable ? kPrintableBit : 0));
  }
  void TakeFrom(CCellText& other) noexcept {
    std::memcpy(m_bytes, other.m_bytes, sizeof m_bytes);
    other.SetInlineLength(0);
  }
  void FreeHeapBlock() noexcept;

  static constexpr std::size_t kHeaderUnits = sizeof(std::uint32_t) / sizeof(char16_t);
  static_assert(sizeof(char16_t*) <= kInlineChars, "a pointer fits before the tag byte");

  std::uint8_t m_bytes[kInlineChars + 1];
};
#pragma pack(pop)
static_assert(sizeof(CCellText) == 12, "a cell's text takes twelve bytes");

}  // namespace TzGrid
