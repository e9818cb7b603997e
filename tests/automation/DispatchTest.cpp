// The dispatch map and the call frame: every member answers, unknown
// DISPIDs are refused, argument counts and types are checked, and a bad
// index comes back as DISP_E_EXCEPTION with the state unchanged.
#include "TestSupport.h"
#include "automation/DispatchMap.h"

namespace TzGrid::Test {
namespace {

// Arguments of the right types and in range for each member.
CDispArgs GoodArgs(const DispEntry& e, std::int32_t* slot, std::u16string* text) {
  CDispArgs args;
  for (int i = 0; i < e.cParams; ++i) {
    switch (e.params[std::size_t(i)].vt) {
      case VT_I2: args.push_back(CDispArg::I2(0)); break;
      case VT_UI2: args.push_back(CDispArg::UI2(1)); break;  // ExportType 1 writes nothing
      case VT_UI4: args.push_back(CDispArg::UI4(1)); break;
      case VT_BSTR: args.push_back(CDispArg::Bstr(u"x")); break;
      case VT_BYREF | VT_I4: args.push_back(CDispArg::ByRefI4(slot)); break;
      case VT_BYREF | VT_BSTR: args.push_back(CDispArg::ByRefBstr(text)); break;
      default: args.push_back(CDispArg::I4(1)); break;
    }
  }
  return args;
}

TEST(Dispatch, EveryMemberAnswersAndTheRestAreRefused) {
  std::int32_t slot = 0;
  std::u16string text = u"Arial";
  for (const DispEntry& e : GetDispatchMap()) {
    CTzGridCtrl grid;
    CDispArgs args = GoodArgs(e, &slot, &text);
    HRESULT hr = grid.Invoke(e.dispid, DISPATCH_METHOD | DISPATCH_PROPERTYGET, args, nullptr);
    EXPECT_TRUE(hr == S_OK || hr == E_NOTIMPL) << e.name << " answered " << std::hex << hr;
    if (e.kind == DispKind::Property) {
      EXPECT_EQ(grid.Invoke(e.dispid, DISPATCH_PROPERTYPUT, {CDispArg::I4(5)}, nullptr), S_OK) << e.name;
    } else {
      EXPECT_EQ(grid.Invoke(e.dispid, DISPATCH_PROPERTYPUT, {CDispArg::I4(5)}, nullptr), DISP_E_MEMBERNOTFOUND);
    }
  }
  EXPECT_EQ(FindDispEntry(u"setcelltext"), FindDispEntry(u"SetCellText"));  // names are case-insensitive
  EXPECT_EQ(FindDispEntry(u"NoSuchMember"), nullptr);
  CTzGridCtrl grid;
  for (DISPID unknown : {28, 0, 43, -551, -1, 1000}) {
    EXPECT_EQ(grid.Invoke(unknown, DISPATCH_METHOD, {}, nullptr), DISP_E_MEMBERNOTFOUND) << unknown;
  }
}

TEST(Dispatch, ArgumentCountAndTypesAreChecked) {
  CTzGridCtrl grid;
  EXPECT_EQ(CallHr(grid, Id(u"SetColumnWidth"), {I4(1)}), DISP_E_BADPARAMCOUNT);
  EXPECT_EQ(CallHr(grid, Id(u"SetColumnWidth"), {I4(1), I4(2), I4(3)}), DISP_E_BADPARAMCOUNT);
  EXPECT_EQ(CallHr(grid, Id(u"GetNumRows"), {I4(1)}), DISP_E_BADPARAMCOUNT);
  EXPECT_EQ(grid.Invoke(Id(u"Columns"), DISPATCH_PROPERTYGET, {I4(1)}, nullptr), DISP_E_BADPARAMCOUNT);
  EXPECT_EQ(grid.Invoke(Id(u"Columns"), DISPATCH_PROPERTYPUT, {}, nullptr), DISP_E_BADPARAMCOUNT);
  EXPECT_EQ(CallHr(grid, Id(u"SetColumnWidth"), {CDispArg::Bstr(u"1"), I4(2)}), DISP_E_TYPEMISMATCH);
  EXPECT_EQ(CallHr(grid, Id(u"SetCellText"), {I4(0), I4(0), I4(3)}), DISP_E_TYPEMISMATCH);
  // ExportEx's column list by reference, but no list behind it.
  EXPECT_EQ(CallHr(grid, Id(u"ExportEx"), {CDispArg::UI2(0), CDispArg::I2(1), CDispArg::ByRefI4(nullptr, 0), I4(0), I4(0)}),
            DISP_E_TYPEMISMATCH);
  // Integers of another width are taken when the value fits, as an
  // Automation server coerces; a value that does not fit is refused.
  CDispArg result;
  EXPECT_EQ(grid.Invoke(Id(u"SetColumnWidth"), DISPATCH_METHOD, {CDispArg::I2(4), CDispArg::UI4(80)}, &result), S_OK);
  EXPECT_EQ(result.Type(), VT_I2);
  EXPECT_EQ(result.Integer(), 1);
  EXPECT_EQ(CallHr(grid, Id(u"SetCellJustification"), {I4(0), I4(0), I4(70000)}), DISP_E_TYPEMISMATCH);
  EXPECT_EQ(CallHr(grid, Id(u"SetCellHeaderFlag"), {I4(0), I4(0), I4(70000)}), DISP_E_TYPEMISMATCH);
  EXPECT_EQ(CallHr(grid, Id(u"SetCellHeaderFlag"), {I4(0), I4(0), I4(-1)}), DISP_E_TYPEMISMATCH);
  // An unsigned long where a long is wanted: taken up to 2^31 - 1 (then a
  // bad column index), refused from 2^31 on.
  EXPECT_EQ(CallHr(grid, Id(u"GetColumnWidth"), {CDispArg::UI4(0x7FFFFFFFu)}), DISP_E_EXCEPTION);
  EXPECT_EQ(CallHr(grid, Id(u"GetColumnWidth"), {CDispArg::UI4(0x80000000u)}), DISP_E_TYPEMISMATCH);
  EXPECT_EQ(CallHr(grid, Id(u"ExportData"), {I4(-1), I4(0), I4(0), I4(0), I4(1)}), DISP_E_TYPEMISMATCH);
  EXPECT_EQ(grid.Invoke(0, 0, {}, nullptr), DISP_E_MEMBERNOTFOUND);
}

TEST(Dispatch, ResultTypesFollowTheTable) {
  CTzGridCtrl grid;
  CDispArg r = Call(grid, Id(u"Columns"));
  EXPECT_EQ(r.Type(), VT_I4);
  EXPECT_EQ(r.Integer(), 5);
  EXPECT_EQ(Call(grid, Id(u"GetNumRows")).Integer(), 5);
  EXPECT_EQ(Call(grid, Id(u"FixedRows")).Integer(), 1);
  EXPECT_EQ(Call(grid, Id(u"SetNumColumns"), {I4(7)}).Type(), VT_I2);
  EXPECT_EQ(Call(grid, Id(u"Columns")).Integer(), 7);
  EXPECT_EQ(Call(grid, Id(u"SetNumFixedColumns"), {I4(1)}).Type(), VT_I4);
  EXPECT_EQ(Call(grid, Id(u"FixedColumns")).Integer(), 1);
}

TEST(Dispatch, BadIndexIsAnExceptionWithStateUnchanged) {
  CTzGridCtrl grid;
  Headless::HeadlessWindow window(grid, 300, 200);
  std::string before = Snapshot(grid);
  std::string description;
  struct Case {
    DISPID id;
    CDispArgs args;
  } cases[] = {
      {Id(u"SetColumnWidth"), {I4(-1), I4(10)}},  {Id(u"SetRowHeight"), {I4(-3), I4(10)}},  {Id(u"GetColumnWidth"), {I4(5)}},  {Id(u"GetColumnWidth"), {I4(-1)}},
      {Id(u"SetColumnOrder"), {I4(0), I4(5)}},   {Id(u"SetColumnOrder"), {I4(0), I4(-1)}},  {Id(u"MoveColumn"), {I4(9), I4(0)}}, {Id(u"SetFirstVisibleColumn"), {I4(-4)}},
  };
  for (const Case& c : cases) {
    description.clear();
    EXPECT_EQ(CallHr(grid, c.id, c.args, &description), DISP_E_EXCEPTION) << c.id;
    EXPECT_FALSE(description.empty());
    EXPECT_EQ(Snapshot(grid), before) << c.id;
  }
  EXPECT_EQ(PutHr(grid, Id(u"Columns"), I4(-2)), DISP_E_EXCEPTION);
  EXPECT_EQ(CallHr(grid, Id(u"SetNumRows"), {I4(-1)}), DISP_E_EXCEPTION);
  EXPECT_EQ(Snapshot(grid), before);
  EXPECT_EQ(AfxManageStateGuard::Depth(), 0);
}

TEST(Dispatch, SizingMembersRepaintAndMarkModified) {
  CTzGridCtrl grid;
  Headless::HeadlessWindow window(grid, 400, 400);
  window.ClearRecords();
  EXPECT_EQ(PutHr(grid, Id(u"Columns"), I4(7)), S_OK);
  EXPECT_EQ(grid.m_nCols, 7);
  EXPECT_EQ(grid.m_arColWidths.GetAt(6), 50u);
  EXPECT_EQ(window.modifiedCalls, 1);
  EXPECT_TRUE(window.invalidations.back().whole);
  window.ClearRecords();
  EXPECT_EQ(PutHr(grid, Id(u"FixedRows"), I4(6)), S_OK);  // refused: only 5 rows
  EXPECT_EQ(grid.m_nFixedRows, 1);
  EXPECT_EQ(window.modifiedCalls, 1);
  EXPECT_TRUE(window.invalidations.empty());
  EXPECT_EQ(PutHr(grid, Id(u"FixedRows"), I4(5)), S_OK);
  EXPECT_EQ(grid.m_nFixedRows, 5);
  EXPECT_EQ(PutHr(grid, Id(u"FixedRows"), I4(0)), S_OK);  // none fixed is a count too
  EXPECT_EQ(grid.m_nFixedRows, 0);
  EXPECT_EQ(PutHr(grid, Id(u"FixedColumns"), I4(0)), S_OK);
  EXPECT_EQ(grid.m_nFixedCols, 0);
  // Rows: repaint only when every row fits the 400-pixel client.
  window.ClearRecords();
  EXPECT_EQ(PutHr(grid, Id(u"Rows"), I4(30)), S_OK);  // 600 px: no repaint
  EXPECT_TRUE(window.invalidations.empty());
  EXPECT_EQ(window.modifiedCalls, 1);
  EXPECT_EQ(Call(grid, Id(u"SetNumRows"), {I4(10)}).Integer(), 0);  // 200 px: repaint
  EXPECT_TRUE(window.invalidations.back().whole);
  EXPECT_EQ(window.modifiedCalls, 2);
  // The last row takes a height; the one past it does not exist.
  EXPECT_EQ(Call(grid, Id(u"SetRowHeight"), {I4(9), I4(33)}).Integer(), 1);
  EXPECT_EQ(grid.m_arRowHeights.GetAt(9), 33u);
  EXPECT_EQ(Call(grid, Id(u"SetRowHeight"), {I4(10), I4(33)}).Integer(), 0);
}

TEST(Dispatch, AnEmptiedGridStaysEmptyThroughTheInterface) {
  CTzGridCtrl grid;
  EXPECT_EQ(PutHr(grid, Id(u"Rows"), I4(0)), S_OK);
  EXPECT_EQ(Call(grid, Id(u"GetNumRows")).Integer(), 0);
  EXPECT_EQ(Call(grid, Id(u"Columns")).Integer(), 0);
  PutHr(grid, Id(u"Columns"), I4(4));
  Call(grid, Id(u"SetNumRows"), {I4(4)});
  Call(grid, Id(u"SetNumColumns"), {I4(4)});
  PutHr(grid, Id(u"Rows"), I4(4));
  EXPECT_EQ(Call(grid, Id(u"Columns")).Integer(), 0);
  EXPECT_EQ(Call(grid, Id(u"GetNumRows")).Integer(), 0);
  EXPECT_EQ(CheckInvariants(grid), "");
}

// Counts whose matrix could never fit come back as E_OUTOFMEMORY through
// every sizing member, with a description and nothing changed; a count the
// grid can hold after that works as usual.
TEST(Dispatch, CountsTooLargeForMemoryAreRefusedBeforeAnyChange) {
  CTzGridCtrl grid;
  Headless::HeadlessWindow window(grid, 300, 200);
  grid.GetCell(4, 4)->m_strText = u"kept";
  const std::string before = Snapshot(grid);
  const std::int32_t huge = 0x7FFFFFFF;
  std::string why;
  EXPECT_EQ(PutHr(grid, Id(u"Columns"), I4(huge)), E_OUTOFMEMORY);
  EXPECT_EQ(PutHr(grid, Id(u"Rows"), I4(huge)), E_OUTOFMEMORY);
  EXPECT_EQ(CallHr(grid, Id(u"SetNumColumns"), {I4(huge)}, &why), E_OUTOFMEMORY);
  EXPECT_FALSE(why.empty());
  EXPECT_EQ(Snapshot(grid), before);
  EXPECT_EQ(CheckInvariants(grid), "");
  EXPECT_EQ(AfxManageStateGuard::Depth(), 0);
  EXPECT_EQ(PutHr(grid, Id(u"Rows"), I4(1000)), S_OK);
  EXPECT_EQ(grid.GetCell(4, 4)->m_strText, u"kept");
  EXPECT_EQ(Call(grid, Id(u"GetNumRows")).Integer(), 1000);
}

TEST(Dispatch, AboutBoxShowsDialogOne) {
  Headless::GetDesktop().Reset();
  CTzGridCtrl grid;
  Call(grid, DISPID_ABOUTBOX);
  ASSERT_EQ(Headless::GetDesktop().dialogsShown.size(), 1u);
  EXPECT_EQ(Headless::GetDesktop().dialogsShown[0], 1u);
}

}  // namespace
}  // namespace TzGrid::Test
