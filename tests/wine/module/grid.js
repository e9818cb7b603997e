// Drives TzGrid from JScript by its ProgID, windowless: every member of
// _DTzGrid by name with its result checked, a JScript array for ExportEx's
// column list, literals for by-reference strings, and out-of-range indices
// raising an error that try/catch receives with the grid unchanged.
// Prints "ALL OK" and exits 0 when every check passed.
var failures = 0;

function check(ok, what) {
  if (!ok) {
    failures++;
    WScript.Echo("FAIL " + what);
  }
}

// Runs f, which must fail with the grid's error naming member.
function expectError(member, f) {
  try {
    f();
  } catch (e) {
    check(e.description.indexOf(member) >= 0, member + " error names the member (" + e.description + ")");
    check(e.number !== 0, member + " error has a number");
    return;
  }
  check(false, member + " raised no error");
}

var g = new ActiveXObject("TZGRID.TzGridCtrl.1");

check(g.Columns === 5 && g.Rows === 5, "new grid is 5 x 5");
g.Columns = 6;
g.Rows = 4;
check(g.Columns === 6 && g.GetNumRows() === 4, "Columns and Rows puts");
check(g.SetNumColumns(5) === 0 && g.Columns === 5, "SetNumColumns");
check(g.SetNumRows(6) === 0 && g.Rows === 6, "SetNumRows");
g.FixedRows = 2;
g.FixedColumns = 1;
check(g.FixedRows === 2 && g.FixedColumns === 1, "fixed count puts");
check(g.SetNumFixedRows(1) === 0 && g.FixedRows === 1, "SetNumFixedRows");
check(g.SetNumFixedColumns(0) === 0 && g.FixedColumns === 0, "SetNumFixedColumns");

check(g.SetColumnWidth(2, 90) === 1 && g.GetColumnWidth(2) === 90, "SetColumnWidth");
check(g.SetRowHeight(1, 30) === 1, "SetRowHeight");
check(g.SetDefaultColumnWidth(60) === 0, "SetDefaultColumnWidth");
g.MoveColumn(3, 0);
check(g.GetColumnVisibleIndex(3) === 0 && g.GetColumnVisibleIndex(0) === 1, "MoveColumn(3, 0)");
check(g.SetColumnOrder(0, 0) === 0 && g.SetColumnOrder(3, 1) === 0, "SetColumnOrder");
check(g.GetColumnVisibleIndex(0) === 0 && g.GetColumnVisibleIndex(3) === 1, "order after SetColumnOrder");
g.SetFirstVisibleColumn(1);
g.Refresh();

var text = "zw\u00f6lf \u00e9l\u00e8ves";
g.SetCellText(2, 1, text);
check(g.GetCellText(2, 1) === text, "non-ASCII text round trip");
g.SetCellText(3, 1, "a\u0000b");
check(g.GetCellText(3, 1) === "a", "text ends at its first NUL");
g.SetItemBackColor(1, 1, 0x00C800);
g.SetCellForeColour(1, 1, 0xFF);
g.SetGridBackColor(0xFFFFFF);
check(g.SetCellJustification(1, 1, 1) === true && g.SetCellJustification(1, 1, 5) === false, "SetCellJustification");
g.SetCellReadOnlyFlag(1, 1);
g.SetCellHeaderFlag(0, 0, 1);
g.SetCellSortState(0, 0, 1);
check(g.GetCellSortState(0, 0) === 1, "sort state");
g.SetCellItemData(2, 2, 4000000000);
check(g.GetCellItemData(2, 2) === 4000000000, "item data above 2^31 as unsigned long");
g.SetCellBold(2, 2, 1);
check(g.SetDefaultFont("Arial", -12, 400) === true, "SetDefaultFont with a literal");
check(g.SetCellFont(0, 0, "Arial", -12, 700) === true, "SetCellFont with a literal");

check(g.GetCurrentRow() === -1 && g.GetCurrentColumn() === -1, "no focus cell at first");
g.SetFocusedCell(2, 1);
check(g.GetCurrentRow() === 2 && g.GetCurrentColumn() === 1, "SetFocusedCell");
g.CopyToClipboard();
g.SetFocusedCell(4, 4);
g.PasteFromClipboard();
check(g.GetCellText(4, 4) === text, "clipboard round trip");

check(g.ExportData(0, 0, 0, 0, 1) === 0, "ExportData of type 1");
g.ExportEx(1, 2, [3, 0], 0, 0);
expectError("ExportEx", function () { g.ExportEx(1, 2, [3, 17], 0, 0); });
expectError("ExportEx", function () { g.ExportEx(1, 3, [3, 0], 0, 0); });

g.SetShowFilterRow(0);
g.TestMethod();

var rows = g.Rows;
expectError("SetCellText", function () { g.SetCellText(-1, 0, "x"); });
expectError("GetCellText", function () { g.GetCellText(0, 5); });
expectError("SetCellForeColour", function () { g.SetCellForeColour(6, 0, 1); });
expectError("GetCellItemData", function () { g.GetCellItemData(0, 99); });
expectError("SetCellBold", function () { g.SetCellBold(99, 0, 1); });
expectError("GetCellSortState", function () { g.GetCellSortState(-5, 0); });
expectError("SetCellReadOnlyFlag", function () { g.SetCellReadOnlyFlag(0, -1); });
expectError("SetCellHeaderFlag", function () { g.SetCellHeaderFlag(6, 0, 1); });
expectError("SetCellItemData", function () { g.SetCellItemData(6, 0, 1); });
check(g.Rows === rows && g.GetCellText(2, 1) === text, "state unchanged after the errors");

// A property that does not exist and a missing argument are refused.
var refused = false;
try { g.NoSuchMember(); } catch (e) { refused = true; }
check(refused, "an unknown member is refused");
refused = false;
try { g.GetCellText(0); } catch (e) { refused = true; }
check(refused, "a missing argument is refused");

g.AboutBox();

g = null;
if (failures === 0) {
  WScript.Echo("ALL OK");
  WScript.Quit(0);
}
WScript.Echo(failures + " checks failed");
WScript.Quit(1);
