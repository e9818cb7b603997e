// The dispatch map and the call frame: every member answers, unknown
// DISPIDs are refused, arguments are counted and coerced as an Automation
// server does, and every refused call leaves the grid as it was.
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
  Headless::GetDesktop().Reset();
  std::int32_t slot = 0;
  std::u16string text = u"Arial";
  for (const DispEntry& e : GetDispatchMap()) {
    CTzGridCtrl grid;
    HRESULT hr = grid.Invoke(e.dispid, DISPATCH_METHOD | DISPATCH_PROPERTYGET, GoodArgs(e, &slot, &text), nullptr);
    EXPECT_EQ(hr, S_OK) << e.name;
    EXPECT_EQ(grid.Invoke(e.dispid, DISPATCH_PROPERTYPUT, {I4(5)}, nullptr),
              e.kind == DispKind::Property ? S_OK : DISP_E_MEMBERNOTFOUND)
        << e.name;
  }
  EXPECT_EQ(Headless::GetDesktop().dialogsShown, std::vector<UINT>{1});  // AboutBox: the About dialog
  EXPECT_EQ(FindDispEntry(u"setcelltext"), FindDispEntry(u"SetCellText"));  // names are case-insensitive
  EXPECT_EQ(FindDispEntry(u"SetCellTex"), nullptr);
  CTzGridCtrl grid;
  for (DISPID unknown : {28, 0, 43, -551, -1, 1000}) {
    EXPECT_EQ(grid.Invoke(unknown, DISPATCH_METHOD, {}, nullptr), DISP_E_MEMBERNOTFOUND) << unknown;
  }
  EXPECT_EQ(grid.Invoke(0, 0, {}, nullptr), DISP_E_MEMBERNOTFOUND);
}

// Each refused call with the exact HRESULT: wrong counts, types that cannot
// be coerced, values outside the parameter's range (each type's edge),
// bad indices and counts no machine holds. None of them changes anything.
TEST(Dispatch, RefusedCallsAnswerExactlyAndChangeNothing) {
  CTzGridCtrl grid;
  Headless::HeadlessWindow window(grid, 300, 200);
  grid.m_cells.TextToWrite(grid.GetCell(4, 4)) = u"kept";
  const std::string before = Snapshot(grid);
  const std::int32_t huge = 0x7FFFFFFF;
  struct Case {
    const char16_t* member;
    WORD flags;
    CDispArgs args;
    HRESULT hr;
  } cases[] = {
      {u"SetColumnWidth", DISPATCH_METHOD, {I4(1)}, DISP_E_BADPARAMCOUNT},
      {u"SetColumnWidth", DISPATCH_METHOD, {I4(1), I4(2), I4(3)}, DISP_E_BADPARAMCOUNT},
      {u"GetNumRows", DISPATCH_METHOD, {I4(1)}, DISP_E_BADPARAMCOUNT},
      {u"Columns", DISPATCH_PROPERTYGET, {I4(1)}, DISP_E_BADPARAMCOUNT},
      {u"Columns", DISPATCH_PROPERTYPUT, {}, DISP_E_BADPARAMCOUNT},
      {u"SetColumnWidth", DISPATCH_METHOD, {CDispArg::Bstr(u"1"), I4(2)}, DISP_E_TYPEMISMATCH},
      {u"SetCellText", DISPATCH_METHOD, {I4(0), I4(0), I4(3)}, DISP_E_TYPEMISMATCH},
      // ExportEx's column list by reference, but no list behind it.
      {u"ExportEx", DISPATCH_METHOD, {CDispArg::UI2(0), CDispArg::I2(1), CDispArg::ByRefI4(nullptr, 0), I4(0), I4(0)},
       DISP_E_TYPEMISMATCH},
      {u"SetCellJustification", DISPATCH_METHOD, {I4(0), I4(0), I4(32768)}, DISP_E_TYPEMISMATCH},
      {u"SetCellJustification", DISPATCH_METHOD, {I4(0), I4(0), I4(-32769)}, DISP_E_TYPEMISMATCH},
      {u"SetCellHeaderFlag", DISPATCH_METHOD, {I4(0), I4(0), I4(65536)}, DISP_E_TYPEMISMATCH},
      {u"SetCellHeaderFlag", DISPATCH_METHOD, {I4(0), I4(0), I4(-1)}, DISP_E_TYPEMISMATCH},
      {u"ExportData", DISPATCH_METHOD, {I4(-1), I4(0), I4(0), I4(0), I4(1)}, DISP_E_TYPEMISMATCH},
      // An unsigned long for a long: taken up to 2^31 - 1 (a bad column), refused from 2^31.
      {u"GetColumnWidth", DISPATCH_METHOD, {CDispArg::UI4(0x7FFFFFFFu)}, DISP_E_EXCEPTION},
      {u"GetColumnWidth", DISPATCH_METHOD, {CDispArg::UI4(0x80000000u)}, DISP_E_TYPEMISMATCH},
      // A long literal where a list is declared becomes a one-entry list, the lowest long too.
      {u"ExportEx", DISPATCH_METHOD, {CDispArg::UI2(1), CDispArg::I2(1), I4(INT32_MIN), I4(0), I4(0)}, DISP_E_EXCEPTION},
      {u"SetColumnWidth", DISPATCH_METHOD, {I4(-1), I4(10)}, DISP_E_EXCEPTION},
      {u"SetRowHeight", DISPATCH_METHOD, {I4(-3), I4(10)}, DISP_E_EXCEPTION},
      {u"GetColumnWidth", DISPATCH_METHOD, {I4(-1)}, DISP_E_EXCEPTION},
      {u"GetColumnWidth", DISPATCH_METHOD, {I4(5)}, DISP_E_EXCEPTION},
      {u"SetColumnOrder", DISPATCH_METHOD, {I4(0), I4(5)}, DISP_E_EXCEPTION},
      {u"SetColumnOrder", DISPATCH_METHOD, {I4(0), I4(-1)}, DISP_E_EXCEPTION},
      {u"SetFirstVisibleColumn", DISPATCH_METHOD, {I4(-4)}, DISP_E_EXCEPTION},
      {u"Columns", DISPATCH_PROPERTYPUT, {I4(-2)}, DISP_E_EXCEPTION},
      {u"SetNumRows", DISPATCH_METHOD, {I4(-1)}, DISP_E_EXCEPTION},
      {u"Columns", DISPATCH_PROPERTYPUT, {I4(huge)}, E_OUTOFMEMORY},
      {u"Rows", DISPATCH_PROPERTYPUT, {I4(huge)}, E_OUTOFMEMORY},
      {u"SetNumColumns", DISPATCH_METHOD, {I4(huge)}, E_OUTOFMEMORY},
  };
  for (const Case& c : cases) {
    std::string why;
    CDispArg result;
    EXPECT_EQ(grid.Invoke(Id(c.member), c.flags, c.args, &result, &why), c.hr) << CString(c.member).ToUtf8();
    if (c.hr == DISP_E_EXCEPTION || c.hr == E_OUTOFMEMORY) {
      EXPECT_FALSE(why.empty()) << CString(c.member).ToUtf8();
    }
    EXPECT_EQ(Snapshot(grid), before) << CString(c.member).ToUtf8();
  }
  EXPECT_EQ(AfxManageStateGuard::Depth(), 0);  // every way out left the module state
}

// Integers of another width are taken when the value fits, each type's
// lowest value included; results come back in the member's own type.
TEST(Dispatch, ArgumentsAreCoercedAndResultsTyped) {
  CTzGridCtrl grid;
  CDispArg result;
  EXPECT_EQ(grid.Invoke(Id(u"SetColumnWidth"), DISPATCH_METHOD, {CDispArg::I2(4), CDispArg::UI4(80)}, &result), S_OK);
  EXPECT_EQ(result.Type(), VT_I2);
  EXPECT_EQ(result.Integer(), 1);
  EXPECT_EQ(grid.m_arColWidths.GetAt(4), 80u);
  EXPECT_EQ(Call(grid, u"SetCellJustification", {I4(0), I4(0), I4(-32768)}).Integer(), VARIANT_FALSE);
  EXPECT_EQ(Call(grid, u"SetCellHeaderFlag", {I4(0), I4(0), I4(65535)}).Type(), VT_EMPTY);
  EXPECT_EQ(Call(grid, u"Columns").Type(), VT_I4);
  EXPECT_EQ(Call(grid, u"SetNumColumns", {I4(7)}).Type(), VT_I2);
  EXPECT_EQ(Call(grid, u"SetNumFixedColumns", {I4(1)}).Type(), VT_I4);
  EXPECT_EQ(Call(grid, u"Columns").Integer(), 7);
  EXPECT_EQ(Call(grid, u"FixedColumns").Integer(), 1);
}

}  // namespace
}  // namespace TzGrid::Test
