' Drives TzGrid from VBScript by its ProgID, windowless: every member of
' _DTzGrid called by name (the bridge fuzzer checks every member's result
' type), literals, expressions and variables as arguments (by-reference
' strings included), and the grid's errors caught by the script with the
' grid unchanged. Prints "ALL OK" and exits 0 when every check passed.
Option Explicit

Dim failures, g, x, text, face, columnList, before
failures = 0

Sub Check(ok, what)
  If Not ok Then
    failures = failures + 1
    WScript.Echo "FAIL " & what
  End If
End Sub

' After a statement run under On Error Resume Next: it raised the grid's
' error naming member (and, when number is not 0, of that number).
Sub Expect(member, number)
  Dim got, source, description
  got = Err.Number
  source = Err.Source
  description = Err.Description
  Err.Clear
  Check got <> 0 And (number = 0 Or got = number), member & " raised error " & got
  Check source = "TzGrid" And InStr(description, member) > 0, member & " raised " & source & ": " & description
End Sub

Set g = CreateObject("TZGRID.TzGridCtrl.1")
Check g.Columns = 5, "Columns"
Check g.Rows = 5 And g.FixedRows = 1 And g.FixedColumns = 0, "the counts of a new grid"
x = 7
g.Columns = x
Check g.SetNumColumns(x - 1) = 0, "SetNumColumns from an expression"
Check g.SetNumRows(8) = 0, "SetNumRows"
Check g.GetNumRows() = 8, "GetNumRows"
g.Rows = 6
g.FixedRows = 2
g.FixedColumns = 1
Check g.Columns = 6 And g.Rows = 6 And g.FixedRows = 2 And g.FixedColumns = 1, "the properties written"
Check g.SetNumFixedColumns(0) = 0, "SetNumFixedColumns"
Check g.SetNumFixedRows(1) = 0, "SetNumFixedRows"
Check g.SetColumnWidth(4, 80) = 1, "SetColumnWidth"
Check g.GetColumnWidth(4) = 80, "GetColumnWidth"
Check g.SetRowHeight(0, 40) = 1, "SetRowHeight"
Check g.SetDefaultColumnWidth(70) = 0, "SetDefaultColumnWidth"
g.Columns = 7
g.MoveColumn 1, 3
Check g.GetColumnVisibleIndex(1) = 3, "GetColumnVisibleIndex after MoveColumn(1, 3)"
Check g.SetColumnOrder(2, 3) = 0, "SetColumnOrder"
g.SetFirstVisibleColumn 1
g.Refresh

text = "hello, grid"
g.SetCellText 1, 2, text
Check g.GetCellText(1, 2) = "hello, grid", "GetCellText of a text from a variable"
g.SetCellText 2, 2, 12345
Check g.GetCellText(2, 2) = "12345", "a number given for a text"
g.SetItemBackColor 1, 1, RGB(0, 200, 0)
g.SetCellForeColour 1, 1, &HFF&
g.SetGridBackColor &HFFFFFF
Check g.SetCellJustification(1, 1, 2) = True, "SetCellJustification"
g.SetCellReadOnlyFlag 1, 1
g.SetCellHeaderFlag 0, 1, 1
g.SetCellSortState 0, 1, 2
Check CLng(g.GetCellSortState(0, 1)) = 2, "GetCellSortState"
g.SetCellItemData 3, 3, 7
Check CLng(g.GetCellItemData(3, 3)) = 7, "GetCellItemData"
g.SetCellBold 2, 2, 1
face = "Arial"
Check g.SetDefaultFont(face, -12, 700) = True, "SetDefaultFont with a variable"
Check g.SetDefaultFont("Courier New", 16, 400) = True, "SetDefaultFont with a literal"
Check g.SetCellFont(1, 1, face, -12, 700) = True, "SetCellFont with a variable"
Check face = "Arial", "the variable keeps its value"
g.SetShowFilterRow 1
g.TestMethod

' The focus cell's text goes to the clipboard and comes back into another cell.
Check g.GetCurrentRow() = -1, "GetCurrentRow of a new grid"
g.SetFocusedCell 2, 3
Check g.GetCurrentRow() = 2 And g.GetCurrentColumn() = 3, "SetFocusedCell(2, 3)"
g.SetCellText 2, 3, "clip me"
g.CopyToClipboard
g.SetFocusedCell 4, 4
g.PasteFromClipboard
Check g.GetCellText(4, 4) = "clip me", "CopyToClipboard then PasteFromClipboard"

' Exports of a type other than 0 write nothing; the column list is an
' array in a variable or a single number.
Check g.ExportData(0, 0, 0, 0, 1) = 0, "ExportData of type 1"
columnList = Array(3, 0)
g.ExportEx 1, 2, columnList, 0, 0
g.ExportEx 1, 1, 2, 0, 0

' Indices outside the grid, and a count whose matrix cannot fit ("Out of
' memory", error 7), raise the grid's error and change nothing.
before = g.Rows & " x " & g.Columns & " " & g.GetCellText(1, 2) & " at " & g.GetCurrentRow() & g.GetCurrentColumn()
On Error Resume Next
g.ExportEx 1, 2, Array(3, 9), 0, 0
Expect "ExportEx", 0
g.ExportData 1, 99, 1, 1, 1
Expect "ExportData", 0
g.SetCellText 99, 0, "x"
Expect "SetCellText", 0
x = g.GetCellText(6, 0)
Expect "GetCellText", 0
g.SetFocusedCell -1, 0
Expect "SetFocusedCell", 0
g.Rows = 2147483647
Expect "Rows", 7
On Error GoTo 0
Check before = g.Rows & " x " & g.Columns & " " & g.GetCellText(1, 2) & " at " & g.GetCurrentRow() & _
  g.GetCurrentColumn(), "the grid unchanged after the errors"

' The About box is modal; the test runner closes it.
g.AboutBox
Set g = Nothing
If failures = 0 Then
  WScript.Echo "ALL OK"
  WScript.Quit 0
End If
WScript.Echo failures & " checks failed"
WScript.Quit 1
