// CSV export of a range of the grid to a file the user picks.
//
// Every exported cell becomes one field: a double quote, the cell's text
// (trimmed of trailing white space in the cell itself, line feeds shown as
// spaces), a double quote and a comma; every row one line. ExportData speaks
// of display positions and writes the locale's narrow encoding; ExportEx
// takes a list of column indices and writes UTF-8 with a byte-order mark.
//
// Both walk the whole range even when nothing is written (an export type
// other than 0), so bad indices are reported the same way. Each row of the
// range is looked up before its cells, so a range reaching past the last row
// ends with the invalid-argument exception there even when no column is
// exported, instead of writing empty lines for rows the grid does not have.
#include <cstring>
#include <string>

#include "../framework/afxfile.h"
#include "../model/TzGridCtrl.h"

namespace TzGrid {

namespace {

constexpr USHORT EXPORT_TO_FILE = 0;

const WCHAR kWriteFailedMessage[] = u"Error writing to output file.  Could be locked.";
const WCHAR kOpenFailedMessage[] = u"Error opening file.";

// Asks the user where to save; false when the dialog was not accepted.
bool AskForExportPath(CString& path) {
  CFileDialog dialog(FALSE, u".csv", u"GridExport", OFN_OVERWRITEPROMPT | OFN_HIDEREADONLY,
                     u"CSV Format (*.csv)|*.csv", nullptr, 0, TRUE);
  if (dialog.DoModal() != IDOK) return false;
  path = dialog.GetPathName();
  return true;
}

// One row of the matrix by its index (null when none of its cells was
// made); raises on an index outside the grid.
CCellText* RowAt(CTzGridCtrl& grid, std::int64_t row) {
  AfxCheckIndex(std::ptrdiff_t(row), grid.m_cells.RowCount(), "row");
  return grid.m_cells.RowTexts(int(row));
}

// The text of a row's cell at a column index, null when the row was never
// made; raises on a column outside the grid.
CCellText* CellAt(const CTzGridCtrl& grid, CCellText* row, std::int64_t column) {
  AfxCheckIndex(std::ptrdiff_t(column), grid.m_cells.ColumnCount(), "column");
  return row ? row + column : nullptr;
}

// Column index shown at a display position; raises on a position outside the map.
std::int64_t ColumnAtDisplayPosition(const CTzGridCtrl& grid, std::int64_t position) {
  AfxCheckIndex(std::ptrdiff_t(position), grid.m_layout.ColumnCount(), "display position");
  return UINT(grid.m_layout.ColumnAtPosition(int(position)));
}

// Writes the fields of the rows of a range and tells the method whether the
// export may go on. One object per export: a text of printable ASCII goes
// straight from the cell, the buffer for a text with line feeds is reused,
// so a field allocates nothing but the UTF-16 copy of a text too long to
// sit in its cell.
class CsvWriter {
 public:
  explicit CsvWriter(CStdioFile& file) : m_file(file) {}

  // Trims the cell's text in place, then writes its field (empty for a
  // cell never made). A field that cannot be written is reported to the
  // user and closes the file: false.
  bool WriteField(CCellText* text) {
    if (text && WriteAsciiInPlace(*text)) return true;
    return WriteFieldSlowly(text);
  }

  // Not guarded: a line end that cannot be written leaves the method as an
  // error of the call.
  void EndLine() { m_file.WriteLineEnd(); }

 private:
  // Nearly every cell holds a short text of printable ASCII with nothing
  // to trim, which is its own field text and the same bytes in every
  // encoding: its field is built in the file's buffer as it is, quote,
  // characters, quote, comma. False when the text or the buffer asks for
  // the general way.
  bool WriteAsciiInPlace(const CCellText& text) {
    if (!text.IsPrintableAscii()) return false;
    const std::string_view chars = text.NarrowView();
    if (!chars.empty() && chars.back() == ' ') return false;
    char* out = m_file.AsciiRoom(kLongestInlineField);
    if (!out) return false;
    const std::size_t length = text.CopyNarrowTo(out + 1);
    out[0] = '"';
    out[length + 1] = '"';
    out[length + 2] = ',';
    m_file.CommitAscii(length + 3);
    return true;
  }
  static constexpr std::size_t kLongestInlineField = CCellText::kInlineChars + 3;

  bool WriteFieldSlowly(CCellText* text) {
    if (text) TrimTrailingSpace(*text);
    try {
      if (text && text->IsPrintableAscii()) {
        WriteAsciiField(text->NarrowView());
      } else {
        const CString wide = text ? text->ToString() : CString();
        m_file.WriteStrings({u"\"", FieldText(wide.View()), u"\","});
      }
    } catch (const CFileException&) {
      AfxMessageBox(kWriteFailedMessage, MB_OK, 0);
      m_file.Abort();
      return false;
    }
    return true;
  }

  // A printable ASCII text goes out as it is, with no conversion.
  void WriteAsciiField(std::string_view text) {
    m_file.WriteAscii("\"");
    m_file.WriteAscii(text);
    m_file.WriteAscii("\",");
  }

  // The cell keeps its text without trailing white space. A text ending in
  // a visible ASCII character (nearly every one) has none to lose.
  static void TrimTrailingSpace(CCellText& text) {
    const int length = text.GetLength();
    if (length == 0) return;
    const WCHAR last = text.IsNarrow() ? WCHAR(std::uint8_t(text.NarrowView().back())) : text.WideView().back();
    if (last > u' ' && last < 0x7F) return;
    CString trimmed = text.ToString();
    trimmed.TrimRight();
    if (trimmed.GetLength() != length) text.Assign(trimmed.View());
  }

  // The text as the field shows it: up to its first NUL (where a C string
  // would end), each line feed shown as a space.
  std::u16string_view FieldText(std::u16string_view text) {
    std::size_t i = 0;
    while (i < text.size() && text[i] > u'\n') ++i;  // both NUL and line feed are at most 0x0A
    if (i == text.size()) return text;
    m_copy.assign(text.substr(0, i));
    for (; i < text.size() && text[i] != 0; ++i) m_copy.push_back(text[i] == u'\n' ? u' ' : text[i]);
    return m_copy;
  }

  CStdioFile& m_file;
  std::u16string m_copy;
};

// After the whole range: close the file and show it to the user.
void FinishExport(CStdioFile& file, const CString& path) {
  if (!file.IsOpen()) return;
  file.Close();
  ShellExecuteOpen(path);
}

}  // namespace

short CTzGridCtrl::ExportData(ULONG32 StartColumn, ULONG32 EndColumn, ULONG32 StartRow, ULONG32 EndRow,
                              USHORT ExportType) {
  AFX_MANAGE_STATE(AfxGetStaticModuleState());
  const bool toFile = ExportType == EXPORT_TO_FILE;
  CStdioFile file;
  CString path;
  if (toFile) {
    if (!AskForExportPath(path)) return 0;
    try {
      CFileException error;
      if (!file.Open(path, CFile::modeCreate | CFile::modeWrite, &error)) {
        error.ReportError(MB_OK);
        return 0;
      }
    } catch (const CException&) {
      AfxMessageBox(kOpenFailedMessage, MB_OK, 0);
      return 0;
    }
  }

  // Ends counted from 1 with 0 for "the last", starts counted from 1 with 0
  // for "the first"; unsigned 32-bit as the interface gives them.
  const ULONG32 lastCol = (EndColumn ? EndColumn : ULONG32(m_nCols)) - 1u;
  const ULONG32 lastRow = (EndRow ? EndRow : ULONG32(m_nRows)) - 1u;
  const ULONG32 firstCol = StartColumn ? StartColumn - 1u : 0u;
  const ULONG32 firstRow = StartRow ? StartRow - 1u : 0u;

  CsvWriter writer(file);
  // 64-bit counters: an end of 0xFFFFFFFF must not wrap into an endless walk.
  for (std::int64_t r = firstRow; r <= std::int64_t(lastRow); ++r) {
    CCellText* pRow = RowAt(*this, r);
    for (std::int64_t p = firstCol; p <= std::int64_t(lastCol); ++p) {
      CCellText* pText = CellAt(*this, pRow, ColumnAtDisplayPosition(*this, p));
      if (toFile && !writer.WriteField(pText)) return 0;
    }
    if (toFile) writer.EndLine();
  }
  FinishExport(file, path);
  return 0;
}

void CTzGridCtrl::ExportEx(USHORT nType, short nColumnCount, const std::int32_t* ColumnArray, std::size_t nAvailable,
                           LONG lStartRow, LONG lEndRow) {
  AFX_MANAGE_STATE(AfxGetStaticModuleState());
  const bool toFile = nType == EXPORT_TO_FILE;
  CStdioFile file;
  CString path;
  if (toFile) {
    if (!AskForExportPath(path)) return;
    FILE* pStream = nullptr;
    if (AfxOpenStream(&pStream, path, u"wt,ccs=UTF-8") != 0) {
      AfxMessageBox(kOpenFailedMessage, MB_OK, 0);
      return;
    }
    file.Attach(pStream);
    file.SetFilePath(path);
  }

  // lEndRow 0 means up to the last row; otherwise it counts from 1.
  const std::int64_t lastRow = (lEndRow ? std::int64_t(lEndRow) : std::int64_t(m_nRows)) - 1;
  const std::size_t available = ColumnArray ? nAvailable : 0;

  CsvWriter writer(file);
  for (std::int64_t r = lStartRow; r <= lastRow; ++r) {
    CCellText* pRow = RowAt(*this, r);
    for (int i = 0; i < nColumnCount; ++i) {
      if (std::size_t(i) >= available) {
        AfxThrowInvalidArgException("ColumnArray holds " + std::to_string(available) + " entries, entry " +
                                    std::to_string(i) + " was asked for");
      }
      CCellText* pText = CellAt(*this, pRow, ColumnArray[i]);
      if (toFile && !writer.WriteField(pText)) return;
    }
    if (toFile) writer.EndLine();
  }
  FinishExport(file, path);
}

}  // namespace TzGrid
