// Text files as the framework writes them: CStdioFile over a runtime stream,
// and CFileException for what goes wrong.
//
// A file written through CStdioFile is a text file: every line feed of the
// written text reaches the file as carriage return plus line feed. Its
// encoding is chosen when the stream is opened:
//   - CStdioFile::Open (mode "wt"): the narrow encoding of the runtime's
//     current locale (LC_CTYPE), one character at a time; a character the
//     locale cannot represent makes the write fail;
//   - AfxOpenStream with "wt,ccs=UTF-8": UTF-8, the file starting with the
//     byte-order mark EF BB BF.
//
// The runtime opens the file (and, for UTF-8, may write the byte-order mark
// itself); from then on the class converts and buffers the text itself and
// writes bytes to the stream's descriptor, using the runtime's own character
// conversion for the locale's encoding: the buffer is written out whenever
// fewer than kReserveBytes bytes of room are left in it before the next
// character, on Close and on Abort, so a write fails exactly when the buffer
// it fills cannot reach the file.
#pragma once

#include <cstdio>
#include <cstring>
#include <cwchar>
#include <initializer_list>
#include <memory>
#include <string>
#include <string_view>

#include "afxexcept.h"
#include "afxstr.h"

namespace TzGrid {

class CFileException : public CException {
 public:
  enum Cause {
    none = 0,
    genericException,
    fileNotFound,
    badPath,
    tooManyOpenFiles,
    accessDenied,
    invalidFile,
    removeCurrentDir,
    directoryFull,
    badSeek,
    hardIO,
    sharingViolation,
    lockViolation,
    diskFull,
    endOfFile,
  };

  CFileException() : CException("no file error") {}
  CFileException(int cause, long lOsError, const CString& fileName);

  // Builds the exception for an errno value of the runtime.
  static CFileException FromErrno(int errnoValue, const CString& fileName);
  [[noreturn]] static void ThrowErrno(int errnoValue, const CString& fileName);

  // The message the framework shows for this failure (names the file).
  CString GetErrorMessage() const;
  // Shows that message in a modal box.
  int ReportError(UINT nType = MB_OK, UINT nMessageID = 0) const;

  int m_cause = none;
  long m_lOsError = 0;
  CString m_strFileName;
};

class CFile {
 public:
  enum OpenFlags : UINT {
    modeRead = 0x0000,
    modeWrite = 0x0001,
    modeReadWrite = 0x0002,
    modeCreate = 0x1000,
    typeText = 0x4000,
    typeBinary = 0x8000,
  };
};

class CStdioFile : public CFile {
 public:
  // Size of the conversion buffer and the room kept free in it for one
  // character (the longest multibyte character of any locale).
  static constexpr std::size_t kBufferBytes = std::size_t(1) << 20;
  static constexpr std::size_t kReserveBytes = 16;

  CStdioFile() noexcept;
  // Takes over a stream opened by AfxOpenStream (closed by Close, Abort or
  // the destructor).
  explicit CStdioFile(FILE* pOpenStream);
  void Attach(FILE* pOpenStream);
  CStdioFile(const CStdioFile&) = delete;
  CStdioFile& operator=(const CStdioFile&) = delete;
  // Closes an open file, writing what is buffered; failures are ignored here.
  ~CStdioFile();

  // Opens for writing in text mode in the locale's narrow encoding; only
  // modeCreate | modeWrite (creating or emptying the file) is supported.
  // FALSE with *pError filled when the file cannot be opened.
  BOOL Open(const CString& fileName, UINT nOpenFlags, CFileException* pError = nullptr);

  // Writes the text up to its first NUL character (the runtime's string
  // write); raises CFileException when it cannot be converted or written.
  void WriteString(std::u16string_view text);
  void WriteString(const WCHAR* text) { WriteString(std::u16string_view(text ? text : u"")); }
  // One write of the parts one after the other, as WriteString of their
  // concatenation (it ends at the first NUL of any part), without building it.
  void WriteStrings(std::initializer_list<std::u16string_view> parts);

  // Writes printable ASCII (0x20 to 0x7E only), which reads the same in
  // every encoding a text file can have: copied, not converted.
  void WriteAscii(std::string_view text) {
    // The usual case, inline: room to spare and no shift state to leave.
    if (char* room = AsciiRoom(text.size())) {
      std::memcpy(room, text.data(), text.size());
      CommitAscii(text.size());
      return;
    }
    WriteAsciiSlowly(text);
  }
  // A line end: CR LF, as every line feed the file writes becomes.
  void WriteLineEnd() {
    if (char* room = AsciiRoom(2)) {
      room[0] = '\r';
      room[1] = '\n';
      CommitAscii(2);
      return;
    }
    WriteString(u"\n");
  }
  // For a writer that builds printable ASCII in place: where up to bytes
  // of it may go, or null when WriteAscii must take it (no room to spare,
  // or a shift state to leave). CommitAscii then counts what was built.
  char* AsciiRoom(std::size_t bytes) noexcept {
    const bool fits = m_pStream && m_asciiAsIs && kBufferBytes - m_used >= bytes + kReserveBytes;
    return fits ? m_buffer.get() + m_used : nullptr;
  }
  void CommitAscii(std::size_t bytes) noexcept { m_used += bytes; }

  // Writes what is buffered and closes; raises CFileException on failure
  // (the file is closed all the same).
  void Close();
  // Closes without raising, writing what can still be written.
  void Abort() noexcept;

  bool IsOpen() const noexcept { return m_pStream != nullptr; }
  void SetFilePath(const CString& path) { m_strFileName = path; }
  const CString& GetFilePath() const noexcept { return m_strFileName; }

  FILE* m_pStream = nullptr;

 private:
  enum class Encoding { LocaleNarrow, Utf8 };
  bool FlushBuffer() noexcept;
  void FlushOrThrow();
  // Both return false when the text held a NUL (where the writing stops).
  bool WriteUtf8(std::u16string_view text);
  bool WriteNarrow(std::u16string_view text);
  // WriteAscii without room to spare, or between a locale's shifts.
  void WriteAsciiSlowly(std::string_view text);
  [[noreturn]] void ThrowWriteFailure(int errnoValue);

  std::unique_ptr<char[]> m_buffer;
  std::size_t m_used = 0;
  Encoding m_encoding = Encoding::LocaleNarrow;
  int m_failedErrno = 0;     // errno of the last buffer write that failed
  std::mbstate_t m_shift{};  // the locale conversion's shift state
  bool m_asciiAsIs = true;   // ASCII goes out as it is (UTF-8, or the initial shift state)
  CString m_strFileName;
};

// The runtime's _wfopen_s for writing text files: mode u"wt" (the locale's
// narrow encoding) or u"wt,ccs=UTF-8" (UTF-8 with a byte-order mark). Returns
// 0 with *ppStream set, or an errno value with *ppStream null. The stream is
// meant for CStdioFile(FILE*). Each platform defines it over its runtime.
int AfxOpenStream(FILE** ppStream, const CString& fileName, const WCHAR* mode);

}  // namespace TzGrid
