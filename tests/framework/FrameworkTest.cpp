// The framework layer: strings on both sides of their length boundaries,
// default message processing, and the text file writer's exact UTF-8 bytes
// at its buffer's edges (its narrow encoding, a file that cannot be created
// and full disks are checked through the CSV export; the slab allocator
// through the cell store's big resizes).
#include "TestSupport.h"
#include "framework/afxfile.h"

namespace TzGrid::Test {
namespace {

// Up to 11 characters live in the string itself; longer ones take a block
// whose header holds a 16-bit length, past 0xFFFE a 32-bit one. Text and
// length must come out the same on either side of each boundary.
TEST(Framework, StringLengthHeadersAroundTheBoundaries) {
  CString inlined(u"R000123C07x"), spilled(u"R000123C07xy");
  EXPECT_EQ(inlined.HeapBytes(), 0u);
  EXPECT_EQ(spilled.HeapBytes(), 28u);  // 2 + 13 units
  inlined += u"y";
  EXPECT_EQ(inlined, spilled);
  spilled.Assign(u"ab");
  EXPECT_EQ(spilled.HeapBytes(), 0u);
  CString moved(std::move(inlined));
  EXPECT_TRUE(inlined.IsEmpty());
  EXPECT_EQ(moved.View(), u"R000123C07xy");
  for (std::size_t length : {std::size_t(0xFFFD), std::size_t(0xFFFE), std::size_t(0xFFFF), std::size_t(0x10001)}) {
    std::u16string text(length, u'x');
    text[length - 1] = u'\xFFFF';  // the long-form marker as a character must not confuse it
    CString s(text.data(), text.size());
    EXPECT_EQ(s.View(), text);
    EXPECT_EQ(s.GetString()[length], u'\0');
    CString grown(s);
    grown += u"ab";
    EXPECT_EQ(grown.View(), text + u"ab");
    // A text of the same length is written over the block; any other gets
    // a block whose header tells its own length.
    const WCHAR* block = s.GetString();
    s.Assign(std::u16string(length, u'y'));
    EXPECT_EQ(s.GetString(), block);
    s.Assign(std::u16string(length - 1, u'y'));
    EXPECT_EQ(std::size_t(s.GetLength()), length - 1);
    EXPECT_EQ(s.GetString()[length - 1], u'\0');
  }
}

// Messages the control does not handle go to default processing; the
// dialog code asks for arrows, tabs and characters.
TEST(Framework, UnhandledMessagesReachDefaultProcessing) {
  CTzGridCtrl grid;
  Headless::HeadlessWindow window(grid, 100, 100);
  window.ClearRecords();
  EXPECT_EQ(window.Send(WM_GETDLGCODE), LRESULT(0x83));
  EXPECT_EQ(window.Send(WM_NCHITTEST, 0, 0), HTCLIENT);
  EXPECT_EQ(window.Send(0x7777, 0, 0), 0);
  EXPECT_EQ(window.defaultCalls, (std::vector<UINT>{WM_NCHITTEST, 0x7777}));
}

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

}  // namespace
}  // namespace TzGrid::Test
