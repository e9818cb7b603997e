#include "afxfile.h"

#include <cerrno>
#include <cstring>
#include <new>

#include "afxctl.h"
#include "afxsys.h"

#if defined(__SSE2__) || defined(_M_X64)
#include <emmintrin.h>
#define TZGRID_FILE_SSE2 1
#endif

namespace TzGrid {

// ---------------------------------------------------------------- exceptions

namespace {

int CauseOfErrno(int errnoValue) {
  switch (errnoValue) {
    case 0: return CFileException::none;
    case ENOENT: return CFileException::fileNotFound;
    case ENOTDIR:
    case ENAMETOOLONG:
    case EINVAL: return CFileException::badPath;
    case EMFILE:
    case ENFILE: return CFileException::tooManyOpenFiles;
    case EACCES:
    case EPERM:
    case EROFS:
    case EISDIR: return CFileException::accessDenied;
    case EBADF: return CFileException::invalidFile;
    case ENOSPC:
#ifdef EDQUOT
    case EDQUOT:
#endif
    case EFBIG: return CFileException::diskFull;
    case EIO: return CFileException::hardIO;
    case EBUSY:
    case ETXTBSY: return CFileException::sharingViolation;
    case EDEADLK: return CFileException::lockViolation;
    default: return CFileException::genericException;
  }
}

std::u16string Utf16(const char* ascii) {
  std::u16string out;
  while (*ascii) out += char16_t(static_cast<unsigned char>(*ascii++));
  return out;
}

// The wording of each cause: the words before and after the quoted file name.
CString MessageFor(int cause, long osError, const CString& fileName) {
  const char16_t* before = u"An error occurred with the file ";
  std::u16string after = u".";
  switch (cause) {
    case CFileException::fileNotFound:
      before = u"Cannot open ";
      after = u": the file or a folder on its path does not exist.";
      break;
    case CFileException::badPath:
      before = u"Cannot open ";
      after = u": the path is not valid.";
      break;
    case CFileException::tooManyOpenFiles:
      before = u"Cannot open ";
      after = u": too many files are open.";
      break;
    case CFileException::accessDenied:
      before = u"Cannot open ";
      after = u": access is denied.";
      break;
    case CFileException::invalidFile:
      before = u"The file ";
      after = u" is not open.";
      break;
    case CFileException::diskFull:
      before = u"Cannot write ";
      after = u": the disk is full.";
      break;
    case CFileException::hardIO:
      before = u"Cannot write ";
      after = u": the device reported an input/output error.";
      break;
    case CFileException::sharingViolation:
    case CFileException::lockViolation:
      before = u"Cannot use ";
      after = u": another program is using it.";
      break;
    default:
      if (osError == EILSEQ) {
        before = u"Cannot write ";
        after = u": a character has no representation in the file's encoding.";
      } else {
        after = u" (system error ";
        after.append(Utf16(std::to_string(osError).c_str()));
        after.append(u").");
      }
      break;
  }
  std::u16string text(before);
  text.append(1, u'"');
  text.append(fileName.View());
  text.append(1, u'"');
  text.append(after);
  return CString(std::u16string_view(text));
}

}  // namespace

CFileException::CFileException(int cause, long lOsError, const CString& fileName)
    : CException(MessageFor(cause, lOsError, fileName).ToUtf8()),
      m_cause(cause),
      m_lOsError(lOsError),
      m_strFileName(fileName) {}

CFileException CFileException::FromErrno(int errnoValue, const CString& fileName) {
  return CFileException(CauseOfErrno(errnoValue), errnoValue, fileName);
}

void CFileException::ThrowErrno(int errnoValue, const CString& fileName) { throw FromErrno(errnoValue, fileName); }

CString CFileException::GetErrorMessage() const { return MessageFor(m_cause, m_lOsError, m_strFileName); }

int CFileException::ReportError(UINT nType, UINT nMessageID) const {
  return AfxMessageBox(GetErrorMessage(), nType, nMessageID);
}

// ------------------------------------------------------------- the writer

CStdioFile::CStdioFile() noexcept = default;

CStdioFile::CStdioFile(FILE* pOpenStream) { Attach(pOpenStream); }

CStdioFile::~CStdioFile() { Abort(); }

BOOL CStdioFile::Open(const CString& fileName, UINT nOpenFlags, CFileException* pError) {
  Abort();
  m_strFileName = fileName;
  if (nOpenFlags != (modeCreate | modeWrite) && nOpenFlags != (modeCreate | modeWrite | typeText)) {
    if (pError) *pError = CFileException(CFileException::genericException, EINVAL, fileName);
    return FALSE;
  }
  FILE* stream = nullptr;
  int error = AfxOpenStream(&stream, fileName, u"wt");
  if (error != 0) {
    if (pError) *pError = CFileException::FromErrno(error, fileName);
    return FALSE;
  }
  Attach(stream);
  return TRUE;
}

void CStdioFile::Attach(FILE* stream) {
  Abort();
  if (!stream) return;
  try {
    m_buffer.reset(new char[kBufferBytes]);
  } catch (const std::bad_alloc&) {
    std::fclose(stream);
    AfxThrowMemoryException();
  }
  m_pStream = stream;
  m_used = 0;
  m_failedErrno = 0;
  m_shift = std::mbstate_t{};
  m_asciiAsIs = true;
  const Sys::StreamText text = Sys::TakeOverStream(stream);
  m_encoding = text.utf8 ? Encoding::Utf8 : Encoding::LocaleNarrow;
  if (text.utf8 && !text.byteOrderMarkWritten) {
    // A UTF-8 text file starts with the byte-order mark; it goes out with
    // the first buffer, so a file that cannot be written fails in a write.
    static const char kByteOrderMark[3] = {'\xEF', '\xBB', '\xBF'};
    std::memcpy(m_buffer.get(), kByteOrderMark, sizeof kByteOrderMark);
    m_used = sizeof kByteOrderMark;
  }
}

// Writes the buffer to the descriptor. On failure the buffered bytes are
// dropped, as the runtime drops a buffer it could not write.
bool CStdioFile::FlushBuffer() noexcept {
  if (!m_pStream) return false;
  const char* data = m_buffer.get();
  std::size_t left = m_used;
  m_used = 0;
  const int fd = Sys::StreamDescriptor(m_pStream);
  while (left > 0) {
    const long long written = Sys::WriteToDescriptor(fd, data, left);
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) {
      m_failedErrno = written < 0 ? errno : ENOSPC;
      return false;
    }
    data += written;
    left -= std::size_t(written);
  }
  return true;
}

void CStdioFile::ThrowWriteFailure(int errnoValue) { CFileException::ThrowErrno(errnoValue, m_strFileName); }

void CStdioFile::FlushOrThrow() {
  if (!FlushBuffer()) ThrowWriteFailure(m_failedErrno);
}

void CStdioFile::WriteString(std::u16string_view text) {
  if (!m_pStream) ThrowWriteFailure(EBADF);
  if (m_encoding == Encoding::Utf8) {
    WriteUtf8(text);
  } else {
    WriteNarrow(text);
  }
}

namespace {

bool IsHighSurrogate(char16_t c) { return c >= 0xD800 && c <= 0xDBFF; }
bool IsLowSurrogate(char16_t c) { return c >= 0xDC00 && c <= 0xDFFF; }

// Converts the units from p up to end (a surrogate pair may reach one unit
// past end, when end is not the text's end) to UTF-8 at out, each line feed
// as CR LF, stopping at a NUL. Advances p; returns the end of the output.
// The caller guarantees room for three bytes a unit.
inline char* ConvertToUtf8(const char16_t*& p, const char16_t* end, const char16_t* textEnd, char* out,
                           bool& sawNul) {
  while (p < end) {
#ifdef TZGRID_FILE_SSE2
    // Eight printable ASCII units at a time: each is its own byte.
    if (end - p >= 8) {
      __m128i units = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
      // Signed compares: units of 0x8000 and above count as below 0x20.
      __m128i outside = _mm_or_si128(_mm_cmplt_epi16(units, _mm_set1_epi16(0x20)),
                                     _mm_cmpgt_epi16(units, _mm_set1_epi16(0x7F)));
      if (_mm_movemask_epi8(outside) == 0) {
        _mm_storel_epi64(reinterpret_cast<__m128i*>(out), _mm_packus_epi16(units, units));
        out += 8;
        p += 8;
        continue;
      }
    }
#endif
    char16_t c = *p;
    if (c >= 0x20 && c < 0x80) {
      *out++ = char(c);
      ++p;
    } else if (c < 0x80) {
      if (c == 0) {  // the text ends at its first NUL
        sawNul = true;
        return out;
      }
      if (c == u'\n') *out++ = '\r';
      *out++ = char(c);
      ++p;
    } else if (c < 0x800) {
      *out++ = char(0xC0 | (c >> 6));
      *out++ = char(0x80 | (c & 0x3F));
      ++p;
    } else if (IsHighSurrogate(c) && p + 1 < textEnd && IsLowSurrogate(p[1])) {
      std::uint32_t cp = 0x10000 + ((std::uint32_t(c) - 0xD800) << 10) + (std::uint32_t(p[1]) - 0xDC00);
      *out++ = char(0xF0 | (cp >> 18));
      *out++ = char(0x80 | ((cp >> 12) & 0x3F));
      *out++ = char(0x80 | ((cp >> 6) & 0x3F));
      *out++ = char(0x80 | (cp & 0x3F));
      p += 2;
    } else {
      if (IsHighSurrogate(c) || IsLowSurrogate(c)) c = 0xFFFD;  // a lone half has no UTF-8 form
      *out++ = char(0xE0 | (c >> 12));
      *out++ = char(0x80 | ((c >> 6) & 0x3F));
      *out++ = char(0x80 | (c & 0x3F));
      ++p;
    }
  }
  return out;
}

}  // namespace

void CStdioFile::WriteStrings(std::initializer_list<std::u16string_view> parts) {
  if (!m_pStream) ThrowWriteFailure(EBADF);
  for (std::u16string_view part : parts) {
    bool goOn;
    if (m_encoding == Encoding::Utf8 && kBufferBytes - m_used >= 3 * part.size() + kReserveBytes) {
      // The usual case, a short part with room to spare: it cannot bring the
      // room below the reserve, so it is converted in one go.
      const char16_t* p = part.data();
      bool sawNul = false;
      char* out = ConvertToUtf8(p, p + part.size(), p + part.size(), m_buffer.get() + m_used, sawNul);
      m_used = std::size_t(out - m_buffer.get());
      goOn = !sawNul;
    } else {
      goOn = m_encoding == Encoding::Utf8 ? WriteUtf8(part) : WriteNarrow(part);
    }
    if (!goOn) return;
  }
}

// UTF-16 to UTF-8 straight into the buffer. Every unit takes at most three
// bytes (a surrogate pair four for two units, a line feed two), so a run of
// units that cannot bring the room below the reserve is converted without
// looking at the room again.
bool CStdioFile::WriteUtf8(std::u16string_view text) {
  const char16_t* p = text.data();
  const char16_t* const end = p + text.size();
  while (p < end) {
    std::size_t room = kBufferBytes - m_used;
    if (room < kReserveBytes) {
      FlushOrThrow();
      continue;
    }
    std::size_t safeUnits = (room - kReserveBytes) / 3 + 1;
    const char16_t* runEnd = std::size_t(end - p) < safeUnits ? end : p + safeUnits;
    bool sawNul = false;
    char* out = ConvertToUtf8(p, runEnd, end, m_buffer.get() + m_used, sawNul);
    m_used = std::size_t(out - m_buffer.get());
    if (sawNul) return false;
  }
  return true;
}

// One character at a time through the C library's conversion under the
// current LC_CTYPE locale. The characters converted before one that fails
// stay in the buffer and reach the file, as with the runtime's own writer.
bool CStdioFile::WriteNarrow(std::u16string_view text) {
  const char16_t* p = text.data();
  const char16_t* const end = p + text.size();
  while (p < end) {
    if (*p == 0) return false;
    if (kBufferBytes - m_used < kReserveBytes) FlushOrThrow();
    char* out = m_buffer.get() + m_used;
    char16_t c = *p;
    // Printable ASCII is the same byte in every locale's encoding (from the
    // initial shift state): a run of it is copied without the library.
    if (c >= 0x20 && c < 0x7F && std::mbsinit(&m_shift)) {
      const std::size_t room = kBufferBytes - m_used;
      std::size_t n = 0;
      while (p + n < end && n < room && p[n] >= 0x20 && p[n] < 0x7F) {
        out[n] = char(p[n]);
        ++n;
      }
      m_used += n;
      p += n;
      continue;
    }
    if (c == u'\n') {
      out[0] = '\r';
      out[1] = '\n';
      m_used += 2;
      ++p;
      continue;
    }
    std::uint32_t cp = c;
    std::size_t units = 1;
    if (IsHighSurrogate(c) && p + 1 < end && IsLowSurrogate(p[1])) {
      cp = 0x10000 + ((std::uint32_t(c) - 0xD800) << 10) + (std::uint32_t(p[1]) - 0xDC00);
      units = 2;
    }
    // Where wchar_t holds 16 bits (Windows) the runtime converts one unit at
    // a time, and no narrow encoding of its locales writes a character
    // past U+FFFF from a surrogate half.
    std::size_t bytes = cp > std::uint32_t(WCHAR_MAX) ? std::size_t(-1) : std::wcrtomb(out, wchar_t(cp), &m_shift);
    if (bytes == std::size_t(-1)) {
      m_shift = std::mbstate_t{};
      m_asciiAsIs = true;
      ThrowWriteFailure(EILSEQ);
    }
    m_asciiAsIs = std::mbsinit(&m_shift) != 0;
    m_used += bytes;
    p += units;
  }
  return true;
}

void CStdioFile::WriteAsciiSlowly(std::string_view text) {
  if (!m_pStream) ThrowWriteFailure(EBADF);
  // A stateful locale encoding between shifts may need its escape back to
  // the initial state first: its own conversion knows how.
  if (m_encoding == Encoding::LocaleNarrow && !std::mbsinit(&m_shift)) {
    std::u16string wide(text.begin(), text.end());
    WriteNarrow(wide);
    return;
  }
  // Past the buffer's room: copied in pieces, the buffer written out between.
  while (!text.empty()) {
    if (kBufferBytes - m_used < kReserveBytes) FlushOrThrow();
    const std::size_t room = kBufferBytes - m_used;
    const std::size_t count = text.size() < room ? text.size() : room;
    std::memcpy(m_buffer.get() + m_used, text.data(), count);
    m_used += count;
    text.remove_prefix(count);
  }
}

void CStdioFile::Close() {
  if (!m_pStream) return;
  bool flushed = FlushBuffer();
  int flushError = m_failedErrno;
  int closeResult = std::fclose(m_pStream);
  int closeError = errno;
  m_pStream = nullptr;
  m_buffer.reset();
  if (!flushed) ThrowWriteFailure(flushError);
  if (closeResult != 0) ThrowWriteFailure(closeError);
}

void CStdioFile::Abort() noexcept {
  if (!m_pStream) return;
  FlushBuffer();
  std::fclose(m_pStream);
  m_pStream = nullptr;
  m_buffer.reset();
}

}  // namespace TzGrid
