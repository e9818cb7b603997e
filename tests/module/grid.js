// A JScript smoke test of TzGrid beside the VBScript driver (grid.vbs):
// what JScript passes differently. Its numbers come as doubles or
// integers, its arrays are objects, its string literals go to by-reference
// parameters, and errors reach try/catch. Prints "ALL OK" and exits 0 when
// every check passed.
var failures = 0;
function check(ok, what) {
  if (!ok) {
    failures++;
    WScript.Echo("FAIL " + what);
  }
}
function raises(member, f) {
  try { f(); } catch (e) { return e.description.indexOf(member) >= 0; }
  return false;
}

var g = new ActiveXObject("TZGRID.TzGridCtrl.1");
g.Columns = 6;
check(g.Columns === 6 && g.SetColumnWidth(2, 90) === 1 && g.GetColumnWidth(2) === 90, "JScript numbers as long arguments");
g.SetCellItemData(2, 2, 4000000000);
check(g.GetCellItemData(2, 2) === 4000000000, "item data above 2^31 as unsigned long");
check(g.SetDefaultFont("Arial", -12, 400) === true, "a string literal for a by-reference parameter");
g.SetCellText(3, 1, "zw\u00f6lf\u0000b");
check(g.GetCellText(3, 1) === "zw\u00f6lf", "non-ASCII text up to its first NUL");
g.ExportEx(1, 2, [3, 0], 0, 0);
check(raises("ExportEx", function () { g.ExportEx(1, 2, [3, 17], 0, 0); }), "an array entry out of range");
check(g.GetCellText(3, 1) === "zw\u00f6lf", "state unchanged after the errors");
WScript.Echo(failures === 0 ? "ALL OK" : failures + " checks failed");
WScript.Quit(failures === 0 ? 0 : 1);
