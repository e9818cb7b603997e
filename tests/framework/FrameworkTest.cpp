// The framework layer: strings at their edges, the text file writer's
// UTF-8 bytes at its buffer's edges (its other paths are checked through the CSV export; the slab
// allocator through the cell store's big resizes; long strings through the
// bridge fuzzer's megabyte texts under Wine).
#include "TestSupport.h"
#include "framework/afxfile.h"

namespace TzGrid::Test {
namespace {

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

// Strings at the edges of their two stores and of UTF-8's byte counts: a
// join that ends exactly at the inline capacity, one past it, and every
// boundary code point (a high surrogate last in the text has no partner).
TEST(Strings, JoinsAndUtf8AtTheirEdges) {
  CString inlineFull(u"abcdef");
  inlineFull += std::u16string_view(u"ghijk");
  EXPECT_EQ(inlineFull.GetLength(), int(CString::kInlineChars));
  EXPECT_EQ(inlineFull.HeapBytes(), 0u);
  EXPECT_TRUE(inlineFull == u"abcdefghijk");
  inlineFull += std::u16string_view(u"l");
  EXPECT_TRUE(inlineFull == u"abcdefghijkl");
  EXPECT_GT(inlineFull.HeapBytes(), 0u);
  const std::u16string edges = u"\u007F\u0080\u07FF\u0800\uFFFF\U00010000";
  EXPECT_EQ(CString(std::u16string_view(edges)).ToUtf8(),
            "\x7F\xC2\x80\xDF\xBF\xE0\xA0\x80\xEF\xBF\xBF\xF0\x90\x80\x80");
  EXPECT_EQ(CString(std::u16string_view(u"a\xD800", 2)).ToUtf8(), "a\xEF\xBF\xBD");
  EXPECT_EQ(CString(std::u16string_view(u"\xDFFF" u"a", 2)).ToUtf8(), "\xEF\xBF\xBD" "a");  // the last lone half
  EXPECT_EQ(CString::FromUtf8("\xE0\xA0\x80\xF0\x90\x80\x80").View(), std::u16string_view(u"\u0800\U00010000"));
}

}  // namespace
}  // namespace TzGrid::Test
