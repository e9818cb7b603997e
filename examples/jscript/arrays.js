// Fills a TzGrid from JScript arrays, sizes its columns to their contents,
// reorders the columns, and reads the grid back into arrays. Run it with a
// script host whose bitness matches a registered TzGrid.ocx (System32's
// cscript for x64, SysWOW64's for x86):
//
//     cscript //nologo arrays.js
//
// It exits with 0 when everything it checks holds, with 1 otherwise.
// (ExportEx would write the same arrays to a CSV file, but it asks the user
// for the file name in a modal dialog, so this unattended script does not
// call it with type 0.)
var failures = 0;

function check(ok, what) {
  if (!ok) {
    failures++;
    WScript.Echo("FAIL " + what);
  }
}

var header = ["City", "Country", "Population", "Area km\u00b2"];
var rows = [
  ["Z\u00fcrich", "Switzerland", 421878, 87.88],
  ["S\u00e3o Paulo", "Brazil", 11451245, 1521.11],
  ["Reykjav\u00edk", "Iceland", 139875, 273],
  ["Krak\u00f3w", "Poland", 804237, 326.8],
  ["\u014csaka", "Japan", 2752412, 225.21]
];

var g = new ActiveXObject("TZGRID.TzGridCtrl.1");

// Sizing: one header row plus the data; the row count includes the fixed row.
g.SetNumColumns(header.length);
g.SetNumRows(rows.length + 1);
check(g.Columns === 4 && g.GetNumRows() === 6, "grid sized to 4 x 6");

// Filling: numbers become their text; texts keep every character.
var c, r;
for (c = 0; c < header.length; c++) {
  g.SetCellText(0, c, header[c]);
  g.SetCellHeaderFlag(0, c, 1);
}
for (r = 0; r < rows.length; r++) {
  for (c = 0; c < rows[r].length; c++) {
    g.SetCellText(r + 1, c, rows[r][c]);
  }
  g.SetCellJustification(r + 1, 2, 2);
  g.SetCellJustification(r + 1, 3, 2);
}

// Column widths from the longest text of each column: about 7 pixels per
// character of the default 8-point font, plus a margin.
var widths = [];
for (c = 0; c < g.Columns; c++) {
  var longest = 0;
  for (r = 0; r < g.Rows; r++) longest = Math.max(longest, g.GetCellText(r, c).length);
  widths[c] = longest * 7 + 10;
  check(g.SetColumnWidth(c, widths[c]) === 1, "SetColumnWidth(" + c + ")");
}
for (c = 0; c < g.Columns; c++) {
  check(g.GetColumnWidth(c) === widths[c], "column " + c + " is " + widths[c] + " wide (" + g.GetColumnWidth(c) + ")");
}
check(g.SetRowHeight(0, 24) === 1, "a taller header row");

// Reorder: population first. Display positions change, indices do not.
g.MoveColumn(2, 0);
var order = [];
for (c = 0; c < g.Columns; c++) order[g.GetColumnVisibleIndex(c)] = c;
check(order.join(",") === "2,0,1,3", "display order is 2,0,1,3 (" + order.join(",") + ")");

// Read back row by row, in display order, into arrays of strings.
var table = [];
for (r = 0; r < g.Rows; r++) {
  var line = [];
  for (var p = 0; p < order.length; p++) line.push(g.GetCellText(r, order[p]));
  table.push(line);
  WScript.Echo(line.join(" | "));
}
check(table[0][0] === "Population" && table[0][1] === "City", "header in display order");
for (r = 0; r < rows.length; r++) {
  check(table[r + 1][1] === rows[r][0], "city of row " + (r + 1) + " reads back");
  check(Number(table[r + 1][0]) === rows[r][2], "population of row " + (r + 1) + " reads back as a number");
}

// The largest city, found from what the grid holds.
var best = 1;
for (r = 2; r < g.Rows; r++) {
  if (Number(g.GetCellText(r, 2)) > Number(g.GetCellText(best, 2))) best = r;
}
WScript.Echo("largest: " + g.GetCellText(best, 0) + " (" + g.GetCellText(best, 2) + ")");
check(g.GetCellText(best, 0) === "S\u00e3o Paulo", "the largest city is S\u00e3o Paulo");

// Growing keeps what is there; new columns get the default width.
check(g.SetDefaultColumnWidth(64) === 0, "SetDefaultColumnWidth answers 0");
g.Columns = 5;
check(g.GetColumnWidth(4) === 64 && g.GetColumnWidth(0) === widths[0], "a new column is 64 wide, the others kept");
check(g.GetColumnVisibleIndex(4) === 4, "a new column goes to the end");
check(g.GetCellText(3, 0) === rows[2][0], "cells kept after growing");
g.Columns = 4;

// An index outside the grid is an exception with the member's name.
try {
  g.GetCellText(g.Rows, 0);
  check(false, "GetCellText past the last row raised nothing");
} catch (e) {
  WScript.Echo("GetCellText(" + g.Rows + ", 0) raised " + e.number + ": " + e.description);
  check(e.number === -2147024809, "E_INVALIDARG (" + e.number + ")");
  check(e.description.indexOf("GetCellText") === 0, "the description names the member");
}

// ExportEx with a type other than 0 writes nothing but checks the columns
// and rows it is given: a JScript array is the column list.
g.ExportEx(1, 2, [0, 2], 1, 0);
try {
  g.ExportEx(1, 2, [0, 7], 1, 0);
  check(false, "ExportEx with column 7 raised nothing");
} catch (e) {
  check(e.description.indexOf("ExportEx") === 0, "ExportEx names itself (" + e.description + ")");
}

g = null;
if (failures === 0) {
  WScript.Echo("arrays: all checks passed");
  WScript.Quit(0);
}
WScript.Echo("arrays: " + failures + " checks failed");
WScript.Quit(1);
