' Builds a small price list in a TzGrid from data, styles it, reads it back
' and prints it. Run it with a script host whose bitness matches a registered
' TzGrid.ocx (System32's cscript for x64, SysWOW64's for x86):
'
'     cscript //nologo fill_and_read.vbs
'
' It exits with 0 when everything it checks holds, with 1 otherwise.
Option Explicit

Dim failures
failures = 0

Sub Check(ok, what)
  If Not ok Then
    failures = failures + 1
    WScript.Echo "FAIL " & what
  End If
End Sub

' The data: a header and one record per line, fields separated by ";".
Dim data
data = Array( _
  "Item;Qty;Price;Note", _
  "Bolt M6;250;0.12;zinc plated", _
  "Nut M6;300;0.05;", _
  "Washer 6 mm;500;0.02;bulk", _
  "Hinge;12;3.40;discontinued")

Dim g
Set g = CreateObject("TZGRID.TzGridCtrl.1")

' Size the grid to the data first: cells are written with row and column
' indices counted from 0, and row 0 is the fixed header row of a new grid.
Dim header
header = Split(data(0), ";")
g.Columns = UBound(header) + 1
g.Rows = UBound(data) + 1
g.FixedRows = 1
Check g.Columns = 4 And g.Rows = 5, "the grid is 4 x 5 (" & g.Columns & " x " & g.Rows & ")"

Dim r, c, fields
For r = 0 To UBound(data)
  fields = Split(data(r), ";")
  For c = 0 To UBound(fields)
    g.SetCellText r, c, fields(c)
  Next
Next

' The header row: header cells are drawn raised and bold in the fixed row.
For c = 0 To g.Columns - 1
  g.SetCellHeaderFlag 0, c, 1
Next

' Numbers right-aligned, a wider first column, the stock column marked as
' sorted ascending.
For r = 1 To g.Rows - 1
  Check g.SetCellJustification(r, 1, 2), "right-align quantity in row " & r
  Check g.SetCellJustification(r, 2, 2), "right-align price in row " & r
Next
Check g.SetColumnWidth(0, 110) = 1, "SetColumnWidth(0, 110) answers 1"
Check g.SetColumnWidth(9, 110) = 0, "SetColumnWidth past the last column answers 0"
g.SetCellSortState 0, 1, 1

' Colour: low stock on a yellow background in red text, discontinued items
' read-only and grey. Colours are RGB values; 0 would mean "not set".
For r = 1 To g.Rows - 1
  If CLng(g.GetCellText(r, 1)) < 100 Then
    g.SetItemBackColor r, 1, RGB(255, 255, 160)
    g.SetCellForeColour r, 1, RGB(200, 0, 0)
  End If
  If g.GetCellText(r, 3) = "discontinued" Then
    For c = 0 To g.Columns - 1
      g.SetCellForeColour r, c, RGB(128, 128, 128)
      g.SetCellReadOnlyFlag r, c   ' a toggle: call it once per cell
    Next
  End If
  g.SetCellItemData r, 0, 1000 + r  ' the host's own key for the record
Next
g.SetGridBackColor RGB(255, 255, 255)
g.Refresh  ' the attribute setters do not repaint; without a window this does nothing

' Read everything back and print it as a table.
Dim line, total
total = 0
For r = 0 To g.Rows - 1
  line = ""
  For c = 0 To g.Columns - 1
    line = line & Left(g.GetCellText(r, c) & Space(14), 14)
  Next
  WScript.Echo RTrim(line)
  If r > 0 Then total = total + CLng(g.GetCellText(r, 1)) * CDbl(Replace(g.GetCellText(r, 2), ".", Mid(CStr(1.5), 2, 1)))
Next
WScript.Echo "stock value: " & FormatNumber(total, 2)

For r = 0 To UBound(data)
  fields = Split(data(r), ";")
  For c = 0 To UBound(fields)
    Check g.GetCellText(r, c) = fields(c), "cell (" & r & ", " & c & ") reads back '" & fields(c) & "'"
  Next
Next
Check CLng(g.GetCellItemData(2, 0)) = 1002, "item data of row 2"
Check CLng(g.GetCellSortState(0, 1)) = 1, "sort mark on the Qty header"
Check g.GetColumnWidth(0) = 110 And g.GetColumnWidth(1) = 50, "column widths"
Check Abs(total - 95.8) < 0.001, "stock value 95.80 (" & total & ")"

' Focus and clipboard: copy the first item's name into the empty note of
' the nut.
g.SetFocusedCell 1, 0
Check g.GetCurrentRow() = 1 And g.GetCurrentColumn() = 0, "focus on (1, 0)"
g.CopyToClipboard
g.SetFocusedCell 2, 3
g.PasteFromClipboard
Check g.GetCellText(2, 3) = "Bolt M6", "pasted into (2, 3): '" & g.GetCellText(2, 3) & "'"

' Show the price column first; the column keeps its index.
g.MoveColumn 2, 0
Check g.GetColumnVisibleIndex(2) = 0 And g.GetColumnVisibleIndex(0) = 1, "price column shown first"
Check g.GetCellText(1, 2) = "0.12", "indices are unchanged by the move"

' A cell outside the grid is an error the script can catch; the grid is
' unchanged by it.
Dim number, description
On Error Resume Next
g.SetCellText 5, 0, "no such row"
number = Err.Number
description = Err.Description
Err.Clear
On Error GoTo 0
WScript.Echo "SetCellText(5, 0) raised " & number & ": " & description
Check number = -2147024809, "a row past the end is E_INVALIDARG (" & number & ")"
Check InStr(description, "SetCellText") = 1, "the description names the member"
Check g.Rows = 5, "the grid is unchanged after the error"

' A text where a number belongs is refused before the call: type mismatch.
On Error Resume Next
g.SetCellText "first", 0, "x"
number = Err.Number
Err.Clear
On Error GoTo 0
Check number = 13, "a text for a row is a type mismatch (" & number & ")"

Set g = Nothing
If failures = 0 Then
  WScript.Echo "fill_and_read: all checks passed"
  WScript.Quit 0
End If
WScript.Echo "fill_and_read: " & failures & " checks failed"
WScript.Quit 1
