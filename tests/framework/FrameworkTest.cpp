// The framework layer: the text file writer's UTF-8 bytes at its buffer's
// edges (its other paths are checked through the CSV export; the slab
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

}  // namespace
}  // namespace TzGrid::Test
