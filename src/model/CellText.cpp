#include "CellText.h"

#include <algorithm>
#include <new>

namespace TzGrid {

void CCellText::Assign(std::u16string_view text) {
  if (text.size() <= kInlineChars) {
    // Narrowed into a scratch copy first: the old text stays until the new
    // one is known to fit.
    std::uint8_t narrow[kInlineChars];
    char16_t wide = 0;
    bool printable = true;
    for (std::size_t i = 0; i < text.size(); ++i) {
      wide |= text[i];
      printable = printable && text[i] >= 0x20 && text[i] <= 0x7E;
      narrow[i] = std::uint8_t(text[i]);
    }
    if (wide <= 0xFF) {
      FreeHeapBlock();
      std::memcpy(m_bytes, narrow, text.size());
      SetInlineLength(text.size(), printable);
      return;
    }
  }
  if (text.size() > UINT32_MAX - kHeaderUnits) AfxThrowMemoryException();
  // Made before the old text goes, so that a failure keeps it.
  auto* block = static_cast<char16_t*>(::operator new((kHeaderUnits + text.size()) * sizeof(char16_t), std::nothrow));
  if (!block) AfxThrowMemoryException();
  const std::uint32_t length = std::uint32_t(text.size());
  std::memcpy(block, &length, sizeof length);
  if (!text.empty()) std::memcpy(block + kHeaderUnits, text.data(), text.size() * sizeof(char16_t));
  FreeHeapBlock();
  std::memcpy(m_bytes, &block, sizeof block);
  m_bytes[kTagByte] = kHeapTag;
}

CString CCellText::ToString() const {
  if (IsOnHeap()) return CString(WideView());
  const std::size_t length = std::size_t(GetLength());
  char16_t units[kInlineChars];
  for (std::size_t i = 0; i < length; ++i) units[i] = char16_t(m_bytes[i]);
  return CString(units, length);
}

std::size_t CCellText::HeapBytes() const noexcept {
  return IsOnHeap() ? (kHeaderUnits + HeapLength()) * sizeof(char16_t) : 0;
}

void CCellText::FreeHeapBlock() noexcept {
  if (!IsOnHeap()) return;
  ::operator delete(HeapBlock());
  SetInlineLength(0);
}

bool operator==(const CCellText& a, std::u16string_view b) {
  if (a.IsOnHeap()) return a.WideView() == b;
  std::string_view narrow = a.NarrowView();
  return narrow.size() == b.size() &&
         std::equal(narrow.begin(), narrow.end(), b.begin(), [](char n, char16_t w) { return char16_t(std::uint8_t(n)) == w; });
}

}  // namespace TzGrid
