' Drives TzGrid from VBScript by its ProgID, windowless: every member of
' _DTzGrid by name, results and their types checked, literal and variable
' arguments, by-reference strings from a variable and from a literal, and
' out-of-range indices raising an error the script catches with the grid
' unchanged. Prints "ALL OK" and exits 0 when every check passed.
Option Explicit

Dim failures, g
failures = 0

Sub Check(ok, what)
  If Not ok Then
    failures = failures + 1
    WScript.Echo "FAIL " & what
  End If
End Sub

' Checks the error of the statement just run under On Error Resume Next:
' the grid's own error, naming the member, then clears it.
Sub Expect(member)
  Dim number, source, description
  number = Err.Number
  source = Err.Source
  description = Err.Description
  Err.Clear
  Check number <> 0, member & " raised an error"
  Check source = "TzGrid", member & " error source is TzGrid (" & source & ")"
  Check InStr(description, member) > 0, member & " error names the member (" & description & ")"
End Sub

Set g = CreateObject("TZGRID.TzGridCtrl.1")

' The sizing properties and methods.
Check g.Columns = 5 And g.Rows = 5, "new grid is 5 x 5"
Check VarType(g.Columns) = vbLong, "Columns is a long"
Check g.FixedRows = 1 And g.FixedColumns = 0, "fixed counts of a new grid"
g.Columns = 7
Check g.Columns = 7 And g.Rows = 5, "Columns = 7"
Check g.GetColumnWidth(6) = 50, "new columns are 50 wide"
Dim cols
cols = 6
Check g.SetNumColumns(cols) = 0, "SetNumColumns returns 0"
Check VarType(g.SetNumColumns(cols)) = vbInteger, "SetNumColumns returns a short"
Check g.Columns = 6, "SetNumColumns from a variable"
Check g.SetNumRows(8) = 0 And g.GetNumRows() = 8, "SetNumRows / GetNumRows"
g.Rows = 6
Check g.GetNumRows = 6, "Rows = 6"
g.FixedRows = 7
Check g.FixedRows = 1, "FixedRows above the row count is refused"
g.FixedRows = 2
Check g.FixedRows = 2, "FixedRows = 2"
g.FixedColumns = 1
Check g.FixedColumns = 1, "FixedColumns = 1"
Check g.SetNumFixedColumns(9) = 9 And g.FixedColumns = 1, "SetNumFixedColumns(9) answers 9 and keeps 1"
Check g.SetNumFixedColumns(0) = 0 And g.FixedColumns = 0, "SetNumFixedColumns(0)"
Check g.SetNumFixedRows(1) = 0 And g.FixedRows = 1, "SetNumFixedRows(1)"

' Layout.
Check g.SetColumnWidth(4, 80) = 1 And g.GetColumnWidth(4) = 80, "SetColumnWidth(4, 80)"
Check g.SetColumnWidth(6, 80) = 0, "SetColumnWidth past the end answers 0"
Check g.SetRowHeight(0, 40) = 1, "SetRowHeight(0, 40)"
Check g.SetRowHeight(6, 40) = 0, "SetRowHeight past the end answers 0"
Check g.SetDefaultColumnWidth(70) = 0, "SetDefaultColumnWidth"
g.Columns = 7
Check g.GetColumnWidth(6) = 70 And g.GetColumnWidth(0) = 50, "default width for new columns only"
g.MoveColumn 1, 3
Check g.GetColumnVisibleIndex(1) = 3 And g.GetColumnVisibleIndex(2) = 1, "MoveColumn(1, 3)"
Check g.SetColumnOrder(1, 1) = 0, "SetColumnOrder returns 0"
Check g.SetColumnOrder(2, 3) = 0 And g.GetColumnVisibleIndex(2) = 3, "SetColumnOrder(2, 3)"
Check g.GetColumnVisibleIndex(99) = 0, "GetColumnVisibleIndex of an unknown column"
g.SetFirstVisibleColumn 1
g.Refresh

' Cell attributes.
Dim text
text = "hello, grid"
g.SetCellText 1, 2, text
Check g.GetCellText(1, 2) = "hello, grid", "SetCellText from a variable"
g.SetCellText 0, 0, "Name"
Check g.GetCellText(0, 0) = "Name", "SetCellText from a literal"
Check VarType(g.GetCellText(0, 0)) = vbString, "GetCellText is a string"
g.SetCellText 2, 2, 12345
Check g.GetCellText(2, 2) = "12345", "a number given for a string is converted"
g.SetItemBackColor 1, 1, RGB(0, 200, 0)
g.SetCellForeColour 1, 1, &HFF&
g.SetGridBackColor &HFFFFFF
Check g.SetCellJustification(1, 1, 2) = True, "SetCellJustification(2) is true"
Check VarType(g.SetCellJustification(1, 1, 1)) = vbBoolean, "SetCellJustification is a boolean"
Check g.SetCellJustification(1, 1, 3) = False, "SetCellJustification(3) is false"
Check g.SetCellJustification(99, 99, -1) = False, "a bad value is refused before the cell check"
g.SetCellReadOnlyFlag 1, 1
g.SetCellReadOnlyFlag 1, 1
g.SetCellHeaderFlag 0, 1, 1
g.SetCellHeaderFlag 0, 1, 2
Check CLng(g.GetCellSortState(0, 1)) = 0, "sort state of a new cell"
Check VarType(g.GetCellSortState(0, 1)) = 18, "GetCellSortState is an unsigned short"
g.SetCellSortState 0, 1, 2
Check CLng(g.GetCellSortState(0, 1)) = 2, "SetCellSortState(2)"
Check CLng(g.GetCellItemData(3, 3)) = 0, "item data of a new cell"
g.SetCellItemData 3, 3, 7
g.SetCellItemData 3, 3, 0
Check CLng(g.GetCellItemData(3, 3)) = 7, "item data 0 keeps the old value"
Check VarType(g.GetCellItemData(3, 3)) = 19, "GetCellItemData is an unsigned long"
g.SetCellBold 2, 2, 1

' By-reference strings: from a variable (VT_BYREF) and from a literal.
Dim face
face = "Arial"
Check g.SetDefaultFont(face, -12, 700) = True, "SetDefaultFont with a variable"
Check face = "Arial", "the variable keeps its value"
Check g.SetDefaultFont("Courier New", 16, 400) = True, "SetDefaultFont with a literal"
Check g.SetCellFont(1, 1, face, -12, 700) = True, "SetCellFont with a variable"
Check g.SetCellFont(99, 99, "Arial", -12, 700) = True, "SetCellFont does no cell check"

' Focus cell.
Check g.GetCurrentRow() = -1 And g.GetCurrentColumn() = -1, "no focus cell at first"
g.SetFocusedCell 2, 3
Check g.GetCurrentRow() = 2 And g.GetCurrentColumn() = 3, "SetFocusedCell(2, 3)"
g.SetFocusedCell 6, 0
Check g.GetCurrentRow() = 2, "SetFocusedCell past the end changes nothing"

' Clipboard: the focus cell's text goes out and comes back into another cell.
g.SetCellText 2, 3, "clip me"
g.CopyToClipboard
g.SetFocusedCell 4, 4
g.PasteFromClipboard
Check g.GetCellText(4, 4) = "clip me", "CopyToClipboard then PasteFromClipboard"

' Export with a type other than 0 writes nothing but checks the range.
Check g.ExportData(0, 0, 0, 0, 1) = 0, "ExportData of type 1"
Dim columnList
columnList = Array(3, 0)
g.ExportEx 1, 2, columnList, 0, 0
g.ExportEx 1, 1, 2, 0, 0
On Error Resume Next
g.ExportEx 1, 2, Array(3, 9), 0, 0
Expect "ExportEx"
On Error GoTo 0
On Error Resume Next
g.ExportEx 1, 3, Array(3, 0), 0, 0
Expect "ExportEx"
On Error GoTo 0
On Error Resume Next
g.ExportData 1, 99, 1, 1, 1
Expect "ExportData"
On Error GoTo 0

' Members that do nothing.
g.SetShowFilterRow 1
g.TestMethod

' Out-of-range indices raise the grid's error and change nothing.
Dim rowsBefore, x
rowsBefore = g.Rows
On Error Resume Next
g.SetCellText 99, 0, "x"
Expect "SetCellText"
On Error GoTo 0
On Error Resume Next
x = g.GetCellText(6, 0)
Expect "GetCellText"
On Error GoTo 0
On Error Resume Next
g.SetItemBackColor 0, 7, 1
Expect "SetItemBackColor"
On Error GoTo 0
On Error Resume Next
g.SetFocusedCell -1, 0
Expect "SetFocusedCell"
On Error GoTo 0
On Error Resume Next
x = g.GetColumnWidth(7)
Expect "GetColumnWidth"
On Error GoTo 0
On Error Resume Next
x = g.SetColumnWidth(-1, 10)
Expect "SetColumnWidth"
On Error GoTo 0
On Error Resume Next
x = g.SetColumnOrder(0, 7)
Expect "SetColumnOrder"
On Error GoTo 0
On Error Resume Next
g.SetCellSortState 0, -1, 1
Expect "SetCellSortState"
On Error GoTo 0
Check g.Rows = rowsBefore And g.GetCellText(1, 2) = "hello, grid", "state unchanged after the errors"
Check g.GetCurrentRow() = 4 And g.GetCurrentColumn() = 4, "focus unchanged after the errors"

' Wrong argument counts and types are refused by the dispatch layer.
Dim number
On Error Resume Next
Err.Clear
g.SetCellText 1, 1
number = Err.Number
Err.Clear
g.SetCellText "one", 1, "x"
Dim typeNumber
typeNumber = Err.Number
On Error GoTo 0
Check number <> 0, "a missing argument is refused"
Check typeNumber <> 0, "a text where a number is wanted is refused"

' A count whose matrix cannot fit is refused as out of memory (error 7)
' with the grid unchanged; a large grid that fits is built and emptied.
Dim columnsBefore
rowsBefore = g.Rows
columnsBefore = g.Columns
On Error Resume Next
Err.Clear
g.Rows = 2147483647
number = Err.Number
Err.Clear
g.SetNumColumns 2147483647
typeNumber = Err.Number
On Error GoTo 0
Check number = 7, "Rows = 2^31 - 1 is out of memory (" & number & ")"
Check typeNumber = 7, "SetNumColumns(2^31 - 1) is out of memory (" & typeNumber & ")"
Check g.Rows = rowsBefore And g.Columns = columnsBefore, "counts unchanged after out of memory"
Check g.GetCellText(1, 2) = "hello, grid", "cells unchanged after out of memory"
g.Columns = 20
g.Rows = 1000000
g.SetCellText 999999, 19, "last"
Check g.GetCellText(999999, 19) = "last" And g.GetCellText(1, 2) = "hello, grid", "20 x 1,000,000 keeps its cells"
g.Rows = rowsBefore
g.Columns = columnsBefore
Check g.GetNumRows() = rowsBefore And g.GetCellText(1, 2) = "hello, grid", "back to the small grid"

' The About box is modal; the test runner closes it.
g.AboutBox

' A zero count empties the grid.
g.Rows = 0
Check g.GetNumRows() = 0 And g.Columns = 0, "Rows = 0 empties the grid"

Set g = Nothing
If failures = 0 Then
  WScript.Echo "ALL OK"
  WScript.Quit 0
End If
WScript.Echo failures & " checks failed"
WScript.Quit 1
