// CSV export through the dispatch interface: the save dialog, the file's
// exact bytes, the message boxes, the shell and the call's result.
#include <clocale>
#include <unistd.h>

#include "TestSupport.h"
#include "framework/afxfile.h"

namespace TzGrid::Test {
namespace {

const std::u16string kWriteFailed = u"Error writing to output file.  Could be locked.";
const std::string kBom = "\xEF\xBB\xBF";

// The lines of the coordinates fill ("r<row>c<column>" in every cell) for
// some rows and columns.
std::string Lines(std::vector<int> rows, std::vector<int> cols) {
  std::string s;
  for (int r : rows) {
    for (int c : cols) s += "\"r" + std::to_string(r) + "c" + std::to_string(c) + "\",";
    s += "\r\n";
  }
  return s;
}

class Export : public GridTest {
 protected:
  TempDir dir;
  std::filesystem::path path = dir.File("out.csv");
  std::string why;  // the last call's error description

  void SetUp() override {
    GridTest::SetUp();
    for (int r = 0; r < 5; ++r) {
      for (int c = 0; c < 5; ++c) SetText(r, c, "r" + std::to_string(r) + "c" + std::to_string(c));
    }
  }

  // The save dialog answers `to` (cancels with no path), then ExportData
  // runs; its short result must be 0 whenever the call succeeds.
  HRESULT ExportData(ULONG32 startCol, ULONG32 endCol, ULONG32 startRow, ULONG32 endRow, USHORT type = 0,
                     std::optional<std::filesystem::path> to = std::nullopt) {
    if (type == 0) Desk().saveDialogAnswers.push_back(to ? std::optional(U16(*to)) : std::nullopt);
    CDispArg out;
    HRESULT hr = grid.Invoke(Id(u"ExportData"), DISPATCH_METHOD,
                             {CDispArg::UI4(startCol), CDispArg::UI4(endCol), CDispArg::UI4(startRow),
                              CDispArg::UI4(endRow), CDispArg::UI2(type)},
                             &out, &why);
    if (hr == S_OK) {
      EXPECT_EQ(out.Type(), VT_I2);
      EXPECT_EQ(out.Integer(), 0);
    }
    return hr;
  }
  HRESULT ExportEx(USHORT type, short count, std::vector<std::int32_t> columns, LONG startRow, LONG endRow,
                   std::optional<std::filesystem::path> to = std::nullopt) {
    if (type == 0) Desk().saveDialogAnswers.push_back(to ? std::optional(U16(*to)) : std::nullopt);
    std::int32_t none = 0;  // a host's variable when it passes no entries
    return grid.Invoke(Id(u"ExportEx"), DISPATCH_METHOD,
                       {CDispArg::UI2(type), CDispArg::I2(count),
                        CDispArg::ByRefI4(columns.empty() ? &none : columns.data(), columns.size()),
                        CDispArg::I4(startRow), CDispArg::I4(endRow)},
                       nullptr, &why);
  }
};

// ExportData counts display positions and rows from 1 (0: to the end);
// ExportEx takes the counted entries of its column list, repeats included,
// rows from 0 up to the end row (0: to the end), and starts with a BOM.
TEST_F(Export, RangesGiveExactBytes) {
  grid.MoveColumn(4, 1);  // display order 0 4 1 2 3
  { std::ofstream(dir.File("old.csv")) << "old content longer than one exported cell"; }
  const struct {
    bool ex;
    long a, b, c, d;  // ExportData: columns, rows; ExportEx: count, (unused), rows
    std::vector<std::int32_t> list;
    std::string bytes;
  } cases[] = {
      {false, 0, 0, 0, 0, {}, Lines({0, 1, 2, 3, 4}, {0, 4, 1, 2, 3})},
      {false, 2, 3, 1, 1, {}, Lines({0}, {4, 1})},
      {false, 5, 0, 4, 0, {}, Lines({3, 4}, {3})},  // the last position, rows 3 to the end
      {false, 4, 2, 0, 0, {}, "\r\n\r\n\r\n\r\n\r\n"},  // columns backwards: an empty line per row
      {false, 0, 0, 4, 2, {}, ""},
      {true, 2, 0, 0, 0, {3, 0}, kBom + Lines({0, 1, 2, 3, 4}, {3, 0})},
      {true, 4, 0, 1, 3, {1, 1, 4, 1}, kBom + Lines({1, 2}, {1, 1, 4, 1})},
      {true, 1, 0, 4, 0, {2, 99}, kBom + Lines({4}, {2})},  // the bad second entry is never read
      {true, 2, 0, 3, 2, {0, 1}, kBom},
      {true, 0, 0, 0, 0, {}, kBom + "\r\n\r\n\r\n\r\n\r\n"},
      {true, -3, 0, 2, 0, {1, 2, 3}, kBom + "\r\n\r\n\r\n"},  // a negative count: no columns
  };
  int n = 0;
  for (const auto& c : cases) {
    const std::filesystem::path file = n ? dir.File(std::to_string(n) + ".csv") : dir.File("old.csv");
    HRESULT hr = c.ex ? ExportEx(0, short(c.a), c.list, c.c, c.d, file)
                      : ExportData(ULONG32(c.a), ULONG32(c.b), ULONG32(c.c), ULONG32(c.d), 0, file);
    ASSERT_EQ(hr, S_OK) << n << ": " << why;
    EXPECT_EQ(ReadBytes(file), c.bytes) << n;
    ASSERT_EQ(Desk().shellOpened.size(), std::size_t(++n));
    EXPECT_EQ(Desk().shellOpened.back(), U16(file));
  }
  EXPECT_TRUE(Desk().messageBoxes.empty());
}

// Fields are quoted as they are; a line feed becomes a space in the file
// only; trailing white space is trimmed in the cell itself, only in range.
TEST_F(Export, FieldsAreQuotedTrimmedAndEncoded) {
  grid.ResizeGrid(5, 3);
  for (auto [c, text] : {std::pair{0, "say \"hi\",\ntwo"}, {1, "end   "}, {2, "x\r\ny\t \n"},
                         {4, "\xE3\x80\x80"}}) {  // an ideographic space is white space too
    SetText(0, c, text);
  }
  grid.m_cells.TextToWrite(grid.GetCell(0, 3)) = CString(u"  lead\n\0lost", 12);  // the field ends where a C string would
  SetText(1, 0, "caf\xC3\xA9 \xE2\x82\xAC");
  SetText(1, 1, "\xF0\x9F\x98\x80");
  grid.m_cells.TextToWrite(grid.GetCell(1, 2)) = CString(u"\xD800x");  // a lone surrogate half
  SetText(2, 0, "kept   ");
  ASSERT_EQ(ExportData(0, 0, 1, 1, 0, path), S_OK);
  EXPECT_EQ(ReadBytes(path), "\"say \"hi\", two\",\"end\",\"x\r y\",\"  lead \",\"\",\r\n");
  EXPECT_EQ(Text(0, 0) + "|" + Text(0, 1) + "|" + Text(0, 2) + "|" + Text(0, 4), "say \"hi\",\ntwo|end|x\r\ny|");
  EXPECT_EQ(Text(2, 0), "kept   ");
  ASSERT_EQ(ExportEx(0, 3, {0, 1, 2}, 1, 2, path), S_OK);
  EXPECT_EQ(ReadBytes(path), kBom + "\"caf\xC3\xA9 \xE2\x82\xAC\",\"\xF0\x9F\x98\x80\",\"\xEF\xBF\xBDx\",\r\n");
}

// ExportData writes in the locale's narrow encoding; a character it cannot
// encode ends the file there with a message box and no shell.
TEST_F(Export, ExportDataFollowsTheLocale) {
  grid.ResizeGrid(2, 2);
  SetText(1, 0, "x\xC3\xA9y");
  const std::string saved = std::setlocale(LC_CTYPE, nullptr);
  ASSERT_NE(std::setlocale(LC_CTYPE, "C.UTF-8"), nullptr);
  ASSERT_EQ(ExportData(0, 0, 0, 0, 0, path), S_OK);
  EXPECT_EQ(ReadBytes(path), "\"r0c0\",\"r0c1\",\r\n\"x\xC3\xA9y\",\"r1c1\",\r\n");
  std::setlocale(LC_CTYPE, "C");
  ASSERT_EQ(ExportData(0, 0, 0, 0, 0, path), S_OK);
  EXPECT_EQ(ReadBytes(path), "\"r0c0\",\"r0c1\",\r\n\"x");
  ASSERT_EQ(Desk().messageBoxes.size(), 1u);
  EXPECT_EQ(Desk().messageBoxes[0].text, kWriteFailed);
  EXPECT_EQ(Desk().messageBoxes[0].type, MB_OK);
  EXPECT_EQ(Desk().shellOpened.size(), 1u);  // only the first export's
  std::setlocale(LC_CTYPE, saved.c_str());
}

// A bad index ends the call with an exception; what was written stays.
TEST_F(Export, BadIndicesKeepWhatWasWritten) {
  EXPECT_EQ(ExportData(0, 0, 0, 7, 0, path), DISP_E_EXCEPTION);  // rows 5 and 6 do not exist
  EXPECT_EQ(ReadBytes(path), Lines({0, 1, 2, 3, 4}, {0, 1, 2, 3, 4}));
  EXPECT_EQ(ExportData(4, 6, 0, 0, 0, path), DISP_E_EXCEPTION);  // position 5 does not exist
  EXPECT_EQ(ReadBytes(path), "\"r0c3\",\"r0c4\",");
  EXPECT_EQ(ExportEx(0, 2, {1, -1}, 0, 0, path), DISP_E_EXCEPTION);
  EXPECT_EQ(ReadBytes(path), kBom + "\"r0c1\",");
  EXPECT_EQ(ExportEx(0, 1, {0}, -1, 0, path), DISP_E_EXCEPTION);
  EXPECT_EQ(ReadBytes(path), kBom);
  EXPECT_EQ(ExportEx(0, 3, {2, 0}, 0, 0, path), DISP_E_EXCEPTION);  // two entries passed, three claimed
  EXPECT_EQ(ReadBytes(path), kBom + "\"r0c2\",\"r0c0\",");
  EXPECT_NE(why.find("ColumnArray"), std::string::npos) << why;
  // An empty grid has no row 0; backwards columns must stop there too
  // rather than walk 2^32 rows.
  grid.ResizeGrid(0, 0);
  EXPECT_EQ(ExportData(0, 0, 0, 0, 0, path), DISP_E_EXCEPTION);
  EXPECT_EQ(ExportData(3, 2, 0, 0, 0, path), DISP_E_EXCEPTION);
  EXPECT_EQ(ReadBytes(path), "");
  EXPECT_EQ(ExportData(3, 2, 0, 0, 1), DISP_E_EXCEPTION);
  ASSERT_EQ(ExportEx(0, 1, {0}, 0, 0, path), S_OK);  // no rows to read: just the BOM
  EXPECT_EQ(ReadBytes(path), kBom);
  grid.ResizeGrid(2, 2);
  EXPECT_EQ(ExportEx(0, 0, {}, 0, 0x7FFFFFFF, path), DISP_E_EXCEPTION);
  EXPECT_EQ(ReadBytes(path), kBom + "\r\n\r\n");
  EXPECT_EQ(Desk().shellOpened.size(), 1u);
  EXPECT_TRUE(Desk().messageBoxes.empty());
}

TEST_F(Export, FilesThatCannotBeWrittenAreReported) {
  const std::filesystem::path missing = dir.File("no-such-folder") / "out.csv";
  ASSERT_EQ(ExportData(0, 0, 0, 0, 0, missing), S_OK);
  ASSERT_EQ(ExportEx(0, 1, {0}, 0, 0, missing), S_OK);
  ASSERT_EQ(Desk().messageBoxes.size(), 2u);
  EXPECT_EQ(Desk().messageBoxes[0].text,
            u"Cannot open \"" + U16(missing) + u"\": the file or a folder on its path does not exist.");
  EXPECT_EQ(Desk().messageBoxes[1].text, u"Error opening file.");
  EXPECT_FALSE(std::filesystem::exists(missing));
  ASSERT_EQ(ExportData(0, 0, 0, 0), S_OK);  // a cancelled dialog: nothing written, nothing said
  EXPECT_TRUE(std::filesystem::is_empty(path.parent_path()));
  if (access("/dev/full", W_OK) != 0) GTEST_SKIP() << "no /dev/full";
  // A field longer than the writer's buffer reaches the disk inside its own
  // write: a message box, the call succeeds.
  SetText(1, 2, std::string(CStdioFile::kBufferBytes + 100, 'z'));
  ASSERT_EQ(ExportData(0, 0, 0, 0, 0, "/dev/full"), S_OK) << why;
  ASSERT_EQ(ExportEx(0, 3, {0, 1, 2}, 0, 0, "/dev/full"), S_OK) << why;
  ASSERT_EQ(Desk().messageBoxes.size(), 4u);
  EXPECT_EQ(Desk().messageBoxes[2].text, kWriteFailed);
  EXPECT_EQ(Desk().messageBoxes[3].text, kWriteFailed);
  // Full at a line end or when closing: the call fails, no message box.
  grid.ResizeGrid(1, 1);
  SetText(0, 0, std::string(CStdioFile::kBufferBytes - CStdioFile::kReserveBytes - 2, 'q'));
  EXPECT_EQ(ExportData(0, 0, 0, 0, 0, "/dev/full"), DISP_E_EXCEPTION);
  EXPECT_NE(why.find("disk is full"), std::string::npos) << why;
  SetText(0, 0, "short");
  EXPECT_EQ(ExportEx(0, 1, {0}, 0, 0, "/dev/full"), DISP_E_EXCEPTION);
  EXPECT_EQ(Desk().messageBoxes.size(), 4u);
  EXPECT_TRUE(Desk().shellOpened.empty());
}

}  // namespace
}  // namespace TzGrid::Test
