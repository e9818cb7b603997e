#include "afxstr.h"

#include <cstdlib>
#include <new>

#include "afxexcept.h"

namespace TzGrid {

WCHAR* CString::Allocate(std::size_t length) {
  if (length > 0x3FFFFFF0u) AfxThrowMemoryException();
  bool isLong = length >= kLongMarker;
  std::size_t header = isLong ? kLongHeader : sizeof(WCHAR);
  char* memory = static_cast<char*>(std::malloc(header + (length + 1) * sizeof(WCHAR)));
  if (!memory) AfxThrowMemoryException();
  auto* chars = reinterpret_cast<WCHAR*>(memory + header);
  if (isLong) {
    auto stored = std::uint32_t(length);
    std::memcpy(memory, &stored, sizeof stored);
    chars[-1] = kLongMarker;
  } else {
    chars[-1] = WCHAR(length);
  }
  chars[length] = 0;
  return chars;
}

void CString::FreeHeapBlock() noexcept {
  WCHAR* chars = HeapChars();
  std::free(reinterpret_cast<char*>(chars) - HeaderBytes(chars));
}

void CString::SetOnHeap(const WCHAR* text, std::size_t length) {
  WCHAR* chars = Allocate(length);
  std::memcpy(chars, text, length * sizeof(WCHAR));
  SetHeapChars(chars);
}

CString::CString(const WCHAR* text) { Set(text, text ? std::char_traits<char16_t>::length(text) : 0); }

CString& CString::operator=(const CString& other) {
  if (this != &other) {
    CString copy(other);
    *this = std::move(copy);
  }
  return *this;
}

CString& CString::Assign(std::u16string_view text) {
  if (std::size_t(GetLength()) == text.size()) {
    // text may lie in this very string
    if (!text.empty()) std::memmove(MutableChars(), text.data(), text.size() * sizeof(WCHAR));
    return *this;
  }
  CString fresh(text.data(), text.size());
  return *this = std::move(fresh);
}

CString CString::FromTruncated(std::u16string_view text) { return CString(UpToFirstNul(text)); }

WCHAR CString::GetAt(int index) const {
  AfxCheckIndex(index, GetLength(), "string");
  return GetString()[index];
}

CString& CString::operator+=(std::u16string_view other) {
  if (other.empty()) return *this;
  // Built aside first: other may be a view of this very string.
  std::u16string_view mine = View();
  std::size_t length = mine.size() + other.size();
  CString joined;
  WCHAR* chars = joined.m_units;
  if (length > kInlineChars) {
    chars = Allocate(length);
    joined.SetHeapChars(chars);
  }
  std::memcpy(chars, mine.data(), mine.size() * sizeof(WCHAR));
  std::memcpy(chars + mine.size(), other.data(), other.size() * sizeof(WCHAR));
  if (length <= kInlineChars) joined.SetInlineLength(length);
  return *this = std::move(joined);
}

CString& CString::operator+=(const CString& other) { return *this += other.View(); }

bool IsWideSpace(WCHAR ch) {
  switch (ch) {
    case 0x09: case 0x0A: case 0x0B: case 0x0C: case 0x0D: case 0x20:
    case 0x85: case 0xA0: case 0x1680: case 0x2028: case 0x2029:
    case 0x202F: case 0x205F: case 0x3000:
      return true;
    default:
      return ch >= 0x2000 && ch <= 0x200A;
  }
}

CString& CString::TrimRight() {
  int length = GetLength();
  int kept = length;
  const WCHAR* chars = GetString();
  while (kept > 0 && IsWideSpace(chars[kept - 1])) --kept;
  if (kept != length) *this = CString(GetString(), std::size_t(kept));
  return *this;
}

int CString::Replace(WCHAR from, WCHAR to) {
  int count = 0;
  WCHAR* chars = MutableChars();
  for (int i = 0; i < GetLength(); ++i) {
    if (chars[i] == from) {
      chars[i] = to;
      ++count;
    }
  }
  return count;
}

int CString::Find(WCHAR ch, int start) const {
  for (int i = start < 0 ? 0 : start; i < GetLength(); ++i) {
    if (GetString()[i] == ch) return i;
  }
  return -1;
}

std::size_t CString::HeapBytes() const noexcept {
  if (!IsOnHeap()) return 0;
  const WCHAR* chars = HeapChars();
  return HeaderBytes(chars) + (StoredLength(chars) + 1) * sizeof(WCHAR);
}

std::string CString::ToUtf8() const {
  std::string out;
  std::u16string_view s = View();
  for (std::size_t i = 0; i < s.size(); ++i) {
    std::uint32_t cp = s[i];
    if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < s.size() && s[i + 1] >= 0xDC00 && s[i + 1] <= 0xDFFF) {
      cp = 0x10000 + ((cp - 0xD800) << 10) + (s[i + 1] - 0xDC00);
      ++i;
    } else if (cp >= 0xD800 && cp <= 0xDFFF) {
      cp = 0xFFFD;  // a lone surrogate has no UTF-8 form
    }
    if (cp < 0x80) {
      out += char(cp);
    } else if (cp < 0x800) {
      out += char(0xC0 | (cp >> 6));
      out += char(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
      out += char(0xE0 | (cp >> 12));
      out += char(0x80 | ((cp >> 6) & 0x3F));
      out += char(0x80 | (cp & 0x3F));
    } else {
      out += char(0xF0 | (cp >> 18));
      out += char(0x80 | ((cp >> 12) & 0x3F));
      out += char(0x80 | ((cp >> 6) & 0x3F));
      out += char(0x80 | (cp & 0x3F));
    }
  }
  return out;
}

CString CString::FromUtf8(std::string_view utf8) {
  std::u16string out;
  std::size_t i = 0;
  while (i < utf8.size()) {
    unsigned char lead = static_cast<unsigned char>(utf8[i]);
    std::size_t extra = lead < 0x80 ? 0 : (lead >> 5) == 6 ? 1 : (lead >> 4) == 14 ? 2 : (lead >> 3) == 30 ? 3 : 4;
    std::uint32_t cp = extra == 0 ? lead : lead & (0x3F >> extra);
    bool valid = extra < 4 && i + extra < utf8.size();
    for (std::size_t k = 1; valid && k <= extra; ++k) {
      unsigned char next = static_cast<unsigned char>(utf8[i + k]);
      if ((next & 0xC0) != 0x80) valid = false;
      cp = (cp << 6) | (next & 0x3F);
    }
    if (!valid) {
      cp = 0xFFFD;  // a broken sequence becomes the replacement character
      extra = 0;
    }
    i += extra + 1;
    if (cp >= 0x10000) {
      cp -= 0x10000;
      out += char16_t(0xD800 + (cp >> 10));
      out += char16_t(0xDC00 + (cp & 0x3FF));
    } else {
      out += char16_t(cp);
    }
  }
  return CString(std::u16string_view(out));
}

}  // namespace TzGrid
