' Drives TzGrid from VBScript by its ProgID, windowless: what only a script
' host shows. Members are found by name at run time, arguments come as
' literals, expressions and variables (strings and arrays by reference), and
' the grid's errors reach the script's Err object with the grid unchanged.
' Prints "ALL OK" and exits 0 when every check passed.
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
x = 7
g.Columns = x
Check g.Columns = 7 And g.SetNumColumns(x - 1) = 0 And g.Columns = 6, "counts from a variable and an expression"

text = "hello, grid"
g.SetCellText 1, 2, text
Check g.GetCellText(1, 2) = "hello, grid", "GetCellText of a text from a variable"
face = "Arial"
Check g.SetCellFont(1, 1, face, -12, 700) = True And face = "Arial", "SetCellFont with a variable it keeps"

' The column list of an export is an array in a variable or a single number.
columnList = Array(3, 0)
g.ExportEx 1, 2, columnList, 0, 0
g.ExportEx 1, 1, 2, 0, 0

' An index outside the grid in a statement, in an expression and in an
' array, and a count whose matrix cannot fit ("Out of memory", error 7),
' raise the grid's error and change nothing.
before = g.Rows & " x " & g.Columns & " " & g.GetCellText(1, 2)
On Error Resume Next
g.ExportEx 1, 2, Array(3, 9), 0, 0
Expect "ExportEx", 0
g.SetCellText 99, 0, "x"
Expect "SetCellText", 0
g.Rows = 2147483647
Expect "Rows", 7
On Error GoTo 0
Check before = g.Rows & " x " & g.Columns & " " & g.GetCellText(1, 2), "the grid unchanged after the errors"

If failures = 0 Then
  WScript.Echo "ALL OK"
  WScript.Quit 0
End If
WScript.Echo failures & " checks failed"
WScript.Quit 1
