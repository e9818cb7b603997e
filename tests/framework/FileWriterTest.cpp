// The framework's text file writer: exact bytes in both encodings, the
// buffer's edges, and the failures it reports.
#include "TestSupport.h"
#include "framework/afxfile.h"

namespace TzGrid::Test {
namespace {

class FileWriter : public DesktopTest {
 protected:
  TempDir dir;
  std::filesystem::path path = dir.File("t.txt");
  CString Path() { return CString(std::u16string_view(U16(path))); }

  // Opens the UTF-8 stream as ExportEx does.
  void OpenUtf8(CStdioFile& file) {
    FILE* stream = nullptr;
    ASSERT_EQ(AfxOpenStream(&stream, Path(), u"wt,ccs=UTF-8"), 0);
    file.Attach(stream);
  }
};

// Every UTF-8 length at its edges, lone surrogate halves, CR LF for LF,
// the text cut at a NUL; the writer's destruction keeps what was written.
TEST_F(FileWriter, Utf8WithByteOrderMarkAndCrLf) {
  {
    CStdioFile file;
    OpenUtf8(file);
    file.WriteString(u"a\nb\r\n");
    file.WriteString(u"\u00FF\u07FF\u0800\uFFFF\U00010000\U0010FFFF");
    file.WriteString(u"\xDC00|\xD800");
    file.WriteString(std::u16string_view(u"cut\0lost", 8));
    file.WriteString(u"!");
  }
  EXPECT_EQ(ReadBytes(path),
            "\xEF\xBB\xBF"
            "a\r\nb\r\r\n"
            "\xC3\xBF\xDF\xBF\xE0\xA0\x80\xEF\xBF\xBF\xF0\x90\x80\x80\xF4\x8F\xBF\xBF"
            "\xEF\xBF\xBD|\xEF\xBF\xBD"
            "cut!");
}

// One-, two-, three- and four-byte characters whose boundaries fall
// everywhere relative to the buffer's end, in one long write and many short.
TEST_F(FileWriter, TextLargerThanTheBufferArrivesWhole) {
  const std::u16string unit = u"ab\u00E9\u20AC\U0001F600\n";
  const std::string unitBytes = "ab\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80\r\n";
  std::u16string text;
  std::string expected = "\xEF\xBB\xBF";
  while (expected.size() < 3 * CStdioFile::kBufferBytes) {
    text += unit;
    expected += unitBytes;
  }
  CStdioFile file;
  OpenUtf8(file);
  file.WriteString(text);
  for (int i = 0; i < 1000; ++i) {
    file.WriteString(unit);
    expected += unitBytes;
  }
  file.Close();
  EXPECT_TRUE(ReadBytes(path) == expected);  // not EXPECT_EQ: megabytes would be printed
}

TEST_F(FileWriter, NarrowEncodingFollowsTheLocale) {
  {
    CtypeLocale utf8("C.UTF-8");
    ASSERT_TRUE(utf8.Ok());
    CStdioFile file;
    ASSERT_TRUE(file.Open(Path(), CFile::modeCreate | CFile::modeWrite));
    file.WriteString(u"\u00E9\U0001F600\n");
    file.Close();
    EXPECT_EQ(ReadBytes(path), "\xC3\xA9\xF0\x9F\x98\x80\r\n");  // no byte-order mark
  }
  CtypeLocale c("C");
  CStdioFile file;
  ASSERT_TRUE(file.Open(Path(), CFile::modeCreate | CFile::modeWrite));
  file.WriteString(u"ok\n");
  try {
    file.WriteString(u"ab\u00E9cd");
    FAIL() << "an unencodable character was written";
  } catch (const CFileException& e) {
    EXPECT_EQ(e.m_lOsError, EILSEQ);
    EXPECT_EQ(e.m_strFileName, Path());
  }
  file.Abort();
  EXPECT_EQ(ReadBytes(path), "ok\r\nab");  // what came before the character
}

TEST_F(FileWriter, RefusedOpensAndWritesSayWhy) {
  const std::filesystem::path missing = dir.File("none") / "x.csv";
  CStdioFile file;
  CFileException error;
  EXPECT_FALSE(file.Open(CString(std::u16string_view(U16(missing))), CFile::modeCreate | CFile::modeWrite, &error));
  EXPECT_EQ(error.m_cause, CFileException::fileNotFound);
  EXPECT_EQ(error.m_lOsError, ENOENT);
  error.ReportError();
  ASSERT_EQ(Headless::GetDesktop().messageBoxes.size(), 1u);
  EXPECT_EQ(Headless::GetDesktop().messageBoxes[0].text,
            u"Cannot open \"" + U16(missing) + u"\": the file or a folder on its path does not exist.");
  CFileException denied;
  EXPECT_FALSE(file.Open(CString(std::u16string_view(U16(dir.File("")))), CFile::modeCreate | CFile::modeWrite,
                         &denied));  // a folder
  EXPECT_EQ(denied.m_cause, CFileException::accessDenied);
  EXPECT_NE(denied.GetErrorMessage().ToUtf8().find("access is denied"), std::string::npos);
  EXPECT_FALSE(file.Open(Path(), CFile::modeWrite));  // without modeCreate
  EXPECT_FALSE(file.IsOpen());
  EXPECT_THROW(file.WriteString(u"x"), CFileException);
  // Only the write modes are accepted, and only a name without a NUL.
  FILE* stream = reinterpret_cast<FILE*>(1);
  EXPECT_EQ(AfxOpenStream(&stream, Path(), u"r"), EINVAL);
  EXPECT_EQ(stream, nullptr);
  EXPECT_EQ(AfxOpenStream(&stream, Path(), u"wt,ccs=UTF-16LE"), EINVAL);
  EXPECT_EQ(AfxOpenStream(&stream, CString(), u"wt"), ENOENT);
  EXPECT_EQ(AfxOpenStream(&stream, CString(std::u16string_view(u"a\0b", 3)), u"wt"), EINVAL);
  EXPECT_FALSE(std::filesystem::exists(path));
}

TEST_F(FileWriter, FullDiskIsReportedByTheWriteThatFillsTheBuffer) {
  if (access("/dev/full", W_OK) != 0) GTEST_SKIP() << "no /dev/full";
  CStdioFile file;
  ASSERT_TRUE(file.Open(u"/dev/full", CFile::modeCreate | CFile::modeWrite));
  // One byte into the reserve, and still nothing is written out.
  file.WriteString(std::u16string(CStdioFile::kBufferBytes - CStdioFile::kReserveBytes + 1, u'a'));
  try {
    file.WriteString(u"b");  // the room left is below the reserve: the buffer goes out
    FAIL() << "the full disk was not reported";
  } catch (const CFileException& e) {
    EXPECT_EQ(e.m_cause, CFileException::diskFull);
  }
  file.WriteString(u"c");  // the failed buffer was dropped: room again
  EXPECT_THROW(file.Close(), CFileException);
  EXPECT_FALSE(file.IsOpen());
}

}  // namespace
}  // namespace TzGrid::Test
