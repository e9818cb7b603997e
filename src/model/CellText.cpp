#include "CellText.h"

#include <algorithm>
#include <bit>
#include <new>

namespace TzGrid {

namespace {

// Texts are narrowed four units at a time (UnitLanes, afxstr.h). Packing
// the lanes' low bytes in order needs lane 0 lowest: every target of the
// module and of the tests is little-endian.
static_assert(std::endian::native == std::endian::little, "lanes are read in memory order");
using Lanes = UnitLanes;
constexpr Lanes kEachLane = kEachUnitLane;
constexpr Lanes kHighBytes = 0xFF00FF00FF00FF00ull;

// For lanes of at most 0xFF: bit 15 of each lane set where its unit lies
// outside U+0020..U+007E. Neither sum carries out of its lane.
Lanes OutsidePrintableAscii(Lanes lanes) noexcept {
  const Lanes atLeastSpace = lanes + 0x7FE0 * kEachLane;  // bit 15: unit >= 0x20
  const Lanes pastTilde = lanes + 0x7F81 * kEachLane;     // bit 15: unit >= 0x7F
  return (~atLeastSpace | pastTilde) & 0x8000 * kEachLane;
}

// For lanes of at most 0xFF: their low bytes, in order.
std::uint32_t PackLowBytes(Lanes lanes) noexcept {
  lanes = (lanes | lanes >> 8) & 0x0000FFFF0000FFFFull;
  return std::uint32_t(lanes | lanes >> 16);
}

// A text of up to kInlineChars units narrowed to one byte a unit, held in
// registers until it is known to fit, as the twelve bytes of an inline
// text (the tag byte left for the caller). Whole words of four units are
// read first and the last units one at a time: a text just copied into a
// string the same way is read back from the processor's store buffer
// without a stall, which overlapping reads would cause.
struct NarrowText {
  std::uint32_t words[3] = {};
  bool fits = false;       // every unit at most U+00FF
  bool printable = false;  // every unit in U+0020..U+007E
};
static_assert(sizeof(NarrowText::words) == CCellText::kInlineChars + 1);

NarrowText NarrowShort(std::u16string_view text) noexcept {
  NarrowText narrow;
  const std::size_t whole = text.size() / 4;
  Lanes any = 0, outside = 0;
  for (std::size_t w = 0; w < whole; ++w) {
    const Lanes lanes = LoadUnitLanes(text.data() + 4 * w);
    any |= lanes;
    outside |= OutsidePrintableAscii(lanes);
    narrow.words[w] = PackLowBytes(lanes);
  }
  char16_t anyLast = 0;
  bool lastPrintable = true;
  for (std::size_t i = 4 * whole; i < text.size(); ++i) {
    anyLast |= text[i];
    lastPrintable &= text[i] >= 0x20 && text[i] <= 0x7E;
    narrow.words[whole] |= std::uint32_t(std::uint8_t(text[i])) << (8 * (i - 4 * whole));
  }
  narrow.fits = (any & kHighBytes) == 0 && anyLast <= 0xFF;
  narrow.printable = outside == 0 && lastPrintable;
  return narrow;
}

}  // namespace

void CCellText::Assign(std::u16string_view text) {
  if (text.size() <= kInlineChars) {
    // The old text stays until the new one is known to fit.
    const NarrowText narrow = NarrowShort(text);
    if (narrow.fits) {
      FreeHeapBlock();
      std::memcpy(m_bytes, narrow.words, sizeof narrow.words);
      SetInlineLength(text.size(), narrow.printable);
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
