// The framework layer: strings on both sides of their length boundaries and
// the text file writer's UTF-8 bytes at its buffer's edges (its other paths
// are checked through the CSV export; the slab allocator through the cell
// store's big resizes).
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

// One-, two-, three- and four-byte characters whose boundaries fall
// everywhere relative to the buffer's end, in one long write and many short.
TEST(FileWriter, TextLargerThanTheBufferArrivesWhole) {
  TempDir dir;
  const std::filesystem::path path = dir.File("t.txt");
  const std::u16string unit = u"ab\u00E9\u20AC\U0001F600\n";
  const std::string unitBytes = "ab\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80\r\n";
  std::u16string text;
  std::string expected = "\xEF\xBB\xBF";
  while (expected.size() < 3 * CStdioFile::kBufferBytes) {
    text += unit;
    expected += unitBytes;
  }
  FILE* stream = nullptr;  // opened as ExportEx opens it
  ASSERT_EQ(AfxOpenStream(&stream, CString(std::u16string_view(U16(path))), u"wt,ccs=UTF-8"), 0);
  CStdioFile file;
  file.Attach(stream);
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
