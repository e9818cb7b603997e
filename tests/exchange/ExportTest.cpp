// CSV export through the dispatch interface: the save dialog, the file's
// bytes, the message boxes, the shell and the call's result.
#include <unistd.h>

#include "ExchangeTestSupport.h"
#include "framework/afxfile.h"

namespace TzGrid::Test {
namespace {

const std::u16string kWriteFailed = u"Error writing to output file.  Could be locked.";
const std::u16string kOpenFailed = u"Error opening file.";
const std::string kBom = "\xEF\xBB\xBF";

class Export : public DesktopTest {
 protected:
  CTzGridCtrl grid;
  Headless::HeadlessWindow window{grid, 400, 300};
  TempDir dir;
  std::filesystem::path path = dir.File("out.csv");

  void SetUp() override {
    DesktopTest::SetUp();
    FillWithCoordinates();
  }

  // Every cell reads "r<row>c<column>".
  void FillWithCoordinates() {
    for (int r = 0; r < grid.m_nRows; ++r) {
      for (int c = 0; c < grid.m_nCols; ++c) SetText(r, c, Name(r, c));
    }
  }
  static std::u16string Name(int r, int c) {
    std::u16string name(u"r0c0");
    name[1] = char16_t(u'0' + r);
    name[3] = char16_t(u'0' + c);
    return name;
  }
  void SetText(int r, int c, std::u16string text) { grid.GetCell(r, c)->m_strText = CString(std::u16string_view(text)); }
  std::u16string Text(int r, int c) { return std::u16string(grid.GetCell(r, c)->m_strText.View()); }

  void AnswerDialogWith(const std::filesystem::path& p) {
    Headless::GetDesktop().saveDialogAnswers.push_back(U16(p));
  }

  HRESULT ExportData(ULONG32 startCol, ULONG32 endCol, ULONG32 startRow, ULONG32 endRow, USHORT type,
                     short* result = nullptr) {
    CDispArg out;
    HRESULT hr = grid.Invoke(Id(u"ExportData"), DISPATCH_METHOD,
                             {CDispArg::UI4(startCol), CDispArg::UI4(endCol), CDispArg::UI4(startRow),
                              CDispArg::UI4(endRow), CDispArg::UI2(type)},
                             &out, &m_lastDescription);
    if (result) *result = short(out.Integer());
    if (hr == S_OK) {
      EXPECT_EQ(out.Type(), VT_I2);
    }
    return hr;
  }
  HRESULT ExportEx(USHORT type, short count, std::vector<std::int32_t> columns, LONG startRow, LONG endRow) {
    m_columns = std::move(columns);
    return grid.Invoke(Id(u"ExportEx"), DISPATCH_METHOD,
                       {CDispArg::UI2(type), CDispArg::I2(count),
                        CDispArg::ByRefI4(m_columns.empty() ? &m_noColumn : m_columns.data(), m_columns.size()),
                        CDispArg::I4(startRow), CDispArg::I4(endRow)},
                       nullptr, &m_lastDescription);
  }

  // The lines the coordinates fill gives for some rows and columns.
  static std::string Lines(std::vector<int> rows, std::vector<int> cols) {
    std::string s;
    for (int r : rows) {
      for (int c : cols) s += "\"r" + std::to_string(r) + "c" + std::to_string(c) + "\",";
      s += "\r\n";
    }
    return s;
  }

  const Headless::Desktop& Desk() { return Headless::GetDesktop(); }
  bool Exists(const std::filesystem::path& p) { return std::filesystem::exists(p); }

  std::vector<std::int32_t> m_columns;
  std::int32_t m_noColumn = 0;  // a host's variable when it passes no entries
  std::string m_lastDescription;
};

TEST_F(Export, WholeDefaultGridInDisplayOrder) {
  grid.MoveColumn(3, 0);  // display order 3 0 1 2 4
  AnswerDialogWith(path);
  short result = -1;
  ASSERT_EQ(ExportData(0, 0, 0, 0, 0, &result), S_OK) << m_lastDescription;
  EXPECT_EQ(result, 0);
  EXPECT_EQ(ReadBytes(path), Lines({0, 1, 2, 3, 4}, {3, 0, 1, 2, 4}));
  ASSERT_EQ(Desk().shellOpened.size(), 1u);
  EXPECT_EQ(Desk().shellOpened[0], U16(path));
  EXPECT_TRUE(Desk().messageBoxes.empty());
}

TEST_F(Export, SaveDialogIsAskedExactly) {
  AnswerDialogWith(path);
  ASSERT_EQ(ExportData(0, 0, 0, 0, 0), S_OK);
  std::vector<std::int32_t> none;
  AnswerDialogWith(dir.File("ex.csv"));
  ASSERT_EQ(ExportEx(0, 0, none, 0, 0), S_OK);
  ASSERT_EQ(Desk().saveDialogs.size(), 2u);
  for (const Headless::SaveDialogCall& call : Desk().saveDialogs) {
    EXPECT_EQ(call.bOpen, FALSE);
    EXPECT_EQ(call.defExt, u".csv");
    EXPECT_EQ(call.fileName, u"GridExport");
    EXPECT_EQ(call.flags, 6u);
    EXPECT_EQ(call.filter, u"CSV Format (*.csv)|*.csv");
    EXPECT_FALSE(call.hasParent);
    EXPECT_EQ(call.structSize, 0u);
    EXPECT_EQ(call.vistaStyle, TRUE);
  }
}

TEST_F(Export, RangeCountsDisplayPositionsAndRowsFromOne) {
  grid.MoveColumn(4, 1);  // display order 0 4 1 2 3
  AnswerDialogWith(path);
  ASSERT_EQ(ExportData(2, 3, 1, 1, 0), S_OK);
  EXPECT_EQ(ReadBytes(path), Lines({0}, {4, 1}));

  std::filesystem::path second = dir.File("rows.csv");
  AnswerDialogWith(second);
  ASSERT_EQ(ExportData(0, 0, 1, 3, 0), S_OK);
  EXPECT_EQ(ReadBytes(second), Lines({0, 1, 2}, {0, 4, 1, 2, 3}));

  std::filesystem::path third = dir.File("tail.csv");
  AnswerDialogWith(third);
  ASSERT_EQ(ExportData(5, 0, 4, 0, 0), S_OK);  // last position, rows 3 to the end
  EXPECT_EQ(ReadBytes(third), Lines({3, 4}, {3}));
}

TEST_F(Export, ExportExFollowsTheColumnListWithRepeats) {
  grid.MoveColumn(3, 0);  // the display order does not matter here
  AnswerDialogWith(path);
  ASSERT_EQ(ExportEx(0, 2, {3, 0}, 0, 0), S_OK) << m_lastDescription;
  EXPECT_EQ(ReadBytes(path), kBom + Lines({0, 1, 2, 3, 4}, {3, 0}));
  ASSERT_EQ(Desk().shellOpened.size(), 1u);
  EXPECT_EQ(Desk().shellOpened[0], U16(path));

  std::filesystem::path second = dir.File("repeats.csv");
  AnswerDialogWith(second);
  ASSERT_EQ(ExportEx(0, 4, {1, 1, 4, 1}, 1, 3), S_OK);  // rows 1 and 2
  EXPECT_EQ(ReadBytes(second), kBom + Lines({1, 2}, {1, 1, 4, 1}));
}

TEST_F(Export, ExportExUsesOnlyTheCountedEntries) {
  AnswerDialogWith(path);
  ASSERT_EQ(ExportEx(0, 1, {2, 99}, 4, 0), S_OK);  // the bad second entry is never read
  EXPECT_EQ(ReadBytes(path), kBom + Lines({4}, {2}));
}

TEST_F(Export, StartBeyondEnd) {
  AnswerDialogWith(path);
  ASSERT_EQ(ExportData(4, 2, 0, 0, 0), S_OK);  // columns backwards: an empty line per row
  EXPECT_EQ(ReadBytes(path), "\r\n\r\n\r\n\r\n\r\n");

  std::filesystem::path rows = dir.File("rows.csv");
  AnswerDialogWith(rows);
  ASSERT_EQ(ExportData(0, 0, 4, 2, 0), S_OK);
  EXPECT_TRUE(Exists(rows));
  EXPECT_EQ(ReadBytes(rows), "");

  std::filesystem::path ex = dir.File("ex.csv");
  AnswerDialogWith(ex);
  ASSERT_EQ(ExportEx(0, 2, {0, 1}, 3, 2), S_OK);
  EXPECT_EQ(ReadBytes(ex), kBom);
  EXPECT_EQ(Desk().shellOpened.size(), 3u);
}

TEST_F(Export, NoColumnsGivesEmptyLines) {
  AnswerDialogWith(path);
  ASSERT_EQ(ExportEx(0, 0, {}, 0, 0), S_OK);
  EXPECT_EQ(ReadBytes(path), kBom + "\r\n\r\n\r\n\r\n\r\n");
  std::filesystem::path negative = dir.File("negative.csv");
  AnswerDialogWith(negative);
  ASSERT_EQ(ExportEx(0, -3, {1, 2, 3}, 2, 0), S_OK);
  EXPECT_EQ(ReadBytes(negative), kBom + "\r\n\r\n\r\n");
}

TEST_F(Export, EmptyGrid) {
  grid.ResizeGrid(0, 0);
  AnswerDialogWith(path);
  EXPECT_EQ(ExportData(0, 0, 0, 0, 0), DISP_E_EXCEPTION);
  EXPECT_TRUE(Exists(path));
  EXPECT_EQ(ReadBytes(path), "");
  EXPECT_TRUE(Desk().shellOpened.empty());

  std::filesystem::path ex = dir.File("ex.csv");
  AnswerDialogWith(ex);
  ASSERT_EQ(ExportEx(0, 1, {0}, 0, 0), S_OK);
  EXPECT_EQ(ReadBytes(ex), kBom);
  ASSERT_EQ(Desk().shellOpened.size(), 1u);
  EXPECT_EQ(Desk().shellOpened[0], U16(ex));
}

TEST_F(Export, BackwardsColumnsOnAnEmptyGridEndAtTheMissingRow) {
  // Nothing bounds the rows here but the grid: the walk must stop at the
  // first row the grid does not have rather than run through 2^32 rows.
  grid.ResizeGrid(0, 0);
  AnswerDialogWith(path);
  EXPECT_EQ(ExportData(3, 2, 0, 0, 0), DISP_E_EXCEPTION);
  EXPECT_EQ(ReadBytes(path), "");
  EXPECT_EQ(ExportData(3, 2, 0, 0, 1), DISP_E_EXCEPTION);
  grid.ResizeGrid(2, 2);
  AnswerDialogWith(path);
  EXPECT_EQ(ExportEx(0, 0, {}, 0, 0x7FFFFFFF), DISP_E_EXCEPTION);
  EXPECT_EQ(ReadBytes(path), kBom + "\r\n\r\n");
}

TEST_F(Export, QuotesAndCommasStayAsTheyAre) {
  grid.ResizeGrid(3, 1);
  SetText(0, 0, u"say \"hi\"");
  SetText(0, 1, u"a,b");
  SetText(0, 2, u"\"");
  AnswerDialogWith(path);
  ASSERT_EQ(ExportData(0, 0, 0, 0, 0), S_OK);
  EXPECT_EQ(ReadBytes(path), "\"say \"hi\"\",\"a,b\",\"\"\",\r\n");
}

TEST_F(Export, LineFeedsBecomeSpacesAndTrailingSpaceIsTrimmedInTheCell) {
  grid.ResizeGrid(5, 2);
  SetText(0, 0, u"two\nwords");
  SetText(0, 1, u"end   ");
  SetText(0, 2, u"x\r\ny\t \n");
  SetText(0, 3, u"  lead");
  SetText(0, 4, u"\u3000");  // an ideographic space is white space too
  SetText(1, 0, u"kept   ");  // outside the range: neither written nor trimmed
  AnswerDialogWith(path);
  ASSERT_EQ(ExportData(0, 0, 1, 1, 0), S_OK);
  EXPECT_EQ(ReadBytes(path), "\"two words\",\"end\",\"x\r y\",\"  lead\",\"\",\r\n");
  EXPECT_EQ(Text(0, 0), u"two\nwords");  // the line feed is replaced only in the file
  EXPECT_EQ(Text(0, 1), u"end");
  EXPECT_EQ(Text(0, 2), u"x\r\ny");
  EXPECT_EQ(Text(0, 3), u"  lead");
  EXPECT_EQ(Text(0, 4), u"");
  EXPECT_EQ(Text(1, 0), u"kept   ");

  std::filesystem::path ex = dir.File("ex.csv");
  SetText(1, 1, u"a\nb \n");
  AnswerDialogWith(ex);
  ASSERT_EQ(ExportEx(0, 1, {1}, 1, 0), S_OK);
  EXPECT_EQ(ReadBytes(ex), kBom + "\"a b\",\r\n");
  EXPECT_EQ(Text(1, 1), u"a\nb");
}

TEST_F(Export, NonAsciiTextInUtf8) {
  grid.ResizeGrid(2, 1);
  SetText(0, 0, u"caf\u00E9 \u20AC");
  SetText(0, 1, u"\U0001F600\xD800x");  // a pair, then a lone half
  AnswerDialogWith(path);
  ASSERT_EQ(ExportEx(0, 2, {0, 1}, 0, 0), S_OK);
  EXPECT_EQ(ReadBytes(path), kBom + "\"caf\xC3\xA9 \xE2\x82\xAC\",\"\xF0\x9F\x98\x80\xEF\xBF\xBDx\",\r\n");
}

TEST_F(Export, NonAsciiTextInTheLocalesNarrowEncoding) {
  grid.ResizeGrid(2, 2);
  SetText(0, 0, u"plain");
  SetText(0, 1, u"ok");
  SetText(1, 0, u"x\u00E9y");
  {
    CtypeLocale utf8("C.UTF-8");
    ASSERT_TRUE(utf8.Ok());
    AnswerDialogWith(path);
    ASSERT_EQ(ExportData(0, 0, 0, 0, 0), S_OK);
    EXPECT_EQ(ReadBytes(path), "\"plain\",\"ok\",\r\n\"x\xC3\xA9y\",\"r1c1\",\r\n");
  }
  CtypeLocale c("C");  // ASCII only: the character cannot be written
  std::filesystem::path ascii = dir.File("ascii.csv");
  AnswerDialogWith(ascii);
  short result = -1;
  ASSERT_EQ(ExportData(0, 0, 0, 0, 0, &result), S_OK);
  EXPECT_EQ(result, 0);
  ASSERT_EQ(Desk().messageBoxes.size(), 1u);
  EXPECT_EQ(Desk().messageBoxes[0].text, kWriteFailed);
  EXPECT_EQ(Desk().messageBoxes[0].type, MB_OK);
  // What came before the character is in the file; nothing is opened.
  EXPECT_EQ(ReadBytes(ascii), "\"plain\",\"ok\",\r\n\"x");
  EXPECT_EQ(Desk().shellOpened.size(), 1u);  // only the first export's
}

TEST_F(Export, CancelledDialogDoesNothing) {
  Headless::GetDesktop().saveDialogAnswers.push_back(std::nullopt);
  short result = -1;
  ASSERT_EQ(ExportData(0, 0, 0, 0, 0, &result), S_OK);
  EXPECT_EQ(result, 0);
  ASSERT_EQ(ExportEx(0, 1, {0}, 0, 0), S_OK);  // no answer left: cancelled too
  EXPECT_EQ(Desk().saveDialogs.size(), 2u);
  EXPECT_TRUE(Desk().messageBoxes.empty());
  EXPECT_TRUE(Desk().shellOpened.empty());
  EXPECT_TRUE(std::filesystem::is_empty(path.parent_path()));
  EXPECT_EQ(Text(0, 0), u"r0c0");
}

TEST_F(Export, FileThatCannotBeCreated) {
  std::filesystem::path missing = dir.File("no-such-folder") / "out.csv";
  AnswerDialogWith(missing);
  short result = -1;
  ASSERT_EQ(ExportData(0, 0, 0, 0, 0, &result), S_OK);
  EXPECT_EQ(result, 0);
  ASSERT_EQ(Desk().messageBoxes.size(), 1u);
  const std::u16string& text = Desk().messageBoxes[0].text;
  EXPECT_NE(text.find(U16(missing)), std::u16string::npos) << CString(std::u16string_view(text)).ToUtf8();
  EXPECT_EQ(text, u"Cannot open \"" + U16(missing) + u"\": the file or a folder on its path does not exist.");
  EXPECT_EQ(Desk().messageBoxes[0].type, MB_OK);

  AnswerDialogWith(missing);
  ASSERT_EQ(ExportEx(0, 1, {0}, 0, 0), S_OK);
  ASSERT_EQ(Desk().messageBoxes.size(), 2u);
  EXPECT_EQ(Desk().messageBoxes[1].text, kOpenFailed);
  EXPECT_EQ(Desk().messageBoxes[1].type, MB_OK);
  EXPECT_TRUE(Desk().shellOpened.empty());
  EXPECT_FALSE(Exists(missing));
}

TEST_F(Export, DiskFullWhileWritingAField) {
  if (access("/dev/full", W_OK) != 0) GTEST_SKIP() << "no /dev/full";
  // A field longer than the writer's buffer reaches the file inside its own write.
  SetText(1, 2, std::u16string(CStdioFile::kBufferBytes + 100, u'z'));
  for (USHORT method = 0; method < 2; ++method) {
    Headless::GetDesktop().Reset();
    AnswerDialogWith("/dev/full");
    short result = -1;
    ASSERT_EQ(method == 0 ? ExportData(0, 0, 0, 0, 0, &result) : ExportEx(0, 3, {0, 1, 2}, 0, 0), S_OK)
        << m_lastDescription;
    if (method == 0) {
      EXPECT_EQ(result, 0);
    }
    ASSERT_EQ(Desk().messageBoxes.size(), 1u);
    EXPECT_EQ(Desk().messageBoxes[0].text, kWriteFailed);
    EXPECT_TRUE(Desk().shellOpened.empty());
  }
}

TEST_F(Export, DiskFullAtALineEndLeavesTheCall) {
  if (access("/dev/full", W_OK) != 0) GTEST_SKIP() << "no /dev/full";
  // The one field leaves less room than the reserve: the line end that
  // follows is the write that needs the buffer written out.
  grid.ResizeGrid(1, 1);
  SetText(0, 0, std::u16string(CStdioFile::kBufferBytes - CStdioFile::kReserveBytes - 2, u'q'));
  AnswerDialogWith("/dev/full");
  EXPECT_EQ(ExportData(0, 0, 0, 0, 0), DISP_E_EXCEPTION);
  EXPECT_NE(m_lastDescription.find("disk is full"), std::string::npos) << m_lastDescription;
  EXPECT_TRUE(Desk().messageBoxes.empty());
  EXPECT_TRUE(Desk().shellOpened.empty());
}

TEST_F(Export, DiskFullWhenClosingLeavesTheCall) {
  if (access("/dev/full", W_OK) != 0) GTEST_SKIP() << "no /dev/full";
  AnswerDialogWith("/dev/full");
  EXPECT_EQ(ExportEx(0, 1, {0}, 0, 0), DISP_E_EXCEPTION);
  EXPECT_TRUE(Desk().messageBoxes.empty());
  EXPECT_TRUE(Desk().shellOpened.empty());
}

TEST_F(Export, BadIndicesKeepWhatWasWritten) {
  AnswerDialogWith(path);
  EXPECT_EQ(ExportData(0, 0, 0, 7, 0), DISP_E_EXCEPTION);  // rows 5 and 6 do not exist
  EXPECT_EQ(ReadBytes(path), Lines({0, 1, 2, 3, 4}, {0, 1, 2, 3, 4}));

  std::filesystem::path cols = dir.File("cols.csv");
  AnswerDialogWith(cols);
  EXPECT_EQ(ExportData(4, 6, 0, 0, 0), DISP_E_EXCEPTION);  // position 5 does not exist
  EXPECT_EQ(ReadBytes(cols), "\"r0c3\",\"r0c4\",");

  std::filesystem::path ex = dir.File("ex.csv");
  AnswerDialogWith(ex);
  EXPECT_EQ(ExportEx(0, 2, {1, -1}, 0, 0), DISP_E_EXCEPTION);
  EXPECT_EQ(ReadBytes(ex), kBom + "\"r0c1\",");

  std::filesystem::path big = dir.File("big.csv");
  AnswerDialogWith(big);
  EXPECT_EQ(ExportEx(0, 1, {5}, 0, 0), DISP_E_EXCEPTION);
  EXPECT_EQ(ReadBytes(big), kBom);

  std::filesystem::path start = dir.File("start.csv");
  AnswerDialogWith(start);
  EXPECT_EQ(ExportEx(0, 1, {0}, -1, 0), DISP_E_EXCEPTION);
  EXPECT_EQ(ReadBytes(start), kBom);

  EXPECT_TRUE(Desk().shellOpened.empty());
  EXPECT_TRUE(Desk().messageBoxes.empty());
}

TEST_F(Export, ColumnCountBeyondWhatTheHostPassed) {
  // The host passed two longs but claims three: the third is never read.
  AnswerDialogWith(path);
  EXPECT_EQ(ExportEx(0, 3, {2, 0}, 0, 0), DISP_E_EXCEPTION);
  EXPECT_EQ(ReadBytes(path), kBom + "\"r0c2\",\"r0c0\",");
  EXPECT_NE(m_lastDescription.find("ColumnArray"), std::string::npos) << m_lastDescription;
  EXPECT_TRUE(Desk().shellOpened.empty());
}

TEST_F(Export, OtherExportTypesWriteNothingButCheckTheRange) {
  SetText(0, 0, u"spaces   ");
  short result = -1;
  ASSERT_EQ(ExportData(0, 0, 0, 0, 1, &result), S_OK);
  EXPECT_EQ(result, 0);
  ASSERT_EQ(ExportEx(7, 2, {0, 4}, 0, 0), S_OK);
  EXPECT_TRUE(Desk().saveDialogs.empty());
  EXPECT_TRUE(Desk().shellOpened.empty());
  EXPECT_TRUE(Desk().messageBoxes.empty());
  EXPECT_EQ(Text(0, 0), u"spaces   ");  // no field was built
  EXPECT_TRUE(std::filesystem::is_empty(path.parent_path()));

  EXPECT_EQ(ExportData(0, 6, 0, 0, 2), DISP_E_EXCEPTION);
  EXPECT_EQ(ExportEx(1, 1, {5}, 0, 0), DISP_E_EXCEPTION);
  EXPECT_EQ(ExportEx(1, 2, {0}, 0, 0), DISP_E_EXCEPTION);
  EXPECT_TRUE(Desk().saveDialogs.empty());
}

TEST_F(Export, ExistingFileIsReplaced) {
  {
    std::ofstream old(path, std::ios::binary);
    old << "old content that is longer than the export of one cell";
  }
  AnswerDialogWith(path);
  ASSERT_EQ(ExportData(1, 1, 1, 1, 0), S_OK);
  EXPECT_EQ(ReadBytes(path), "\"r0c0\",\r\n");
}

}  // namespace
}  // namespace TzGrid::Test
