// IDispatch::Invoke of the control at the COM level: the HRESULTs, the
// argument index of a refused argument, the exception information, the
// coercions an Automation server applies, by-reference arguments, SAFEARRAYs
// for a long* parameter, and hostile arguments (HostileVariants), each
// refused with the grid left as it was. The bridge fuzzer throws the same
// hostile arguments at every member under Wine's heap checks; here each
// kind is answered exactly.
#include "HostKit.h"
#include "HostileVariants.h"

#include <optional>

namespace ModuleTest {

namespace {

const WORD kCall = DISPATCH_METHOD | DISPATCH_PROPERTYGET, kPut = DISPATCH_PROPERTYPUT;
const DISPID kColumns = 1, kRows = 2, kSetCellText = 7, kSetNumRows = 10, kGetCellText = 11,
             kSetFocusedCell = 15, kSetCellHeaderFlag = 19, kExportEx = 35, kSetDefaultFont = 39;
// The grid's own exception: its source, a description opening with the member.
bool IsGridException(const Answer& a, const wchar_t* member, SCODE scode) {
  return a.hr == DISP_E_EXCEPTION && a.scode == scode && a.wCode == 0 && a.source == L"TzGrid" &&
         a.description.find(member) == 0;
}

// What a refused call must leave alone: the counts and one cell's text.
std::wstring StateOf(IDispatch* grid) {
  return std::to_wstring(CallLong(grid, L"Rows")) + L" x " + std::to_wstring(CallLong(grid, L"Columns")) + L" " +
         CallText(grid, L"GetCellText", {Long(2), Long(3)});
}

struct Refusal {
  std::string what;
  DISPID id;
  std::vector<VARIANT> reversedArgs;
  HRESULT wanted;
  UINT argErr;  // the DISPPARAMS index Invoke names; ~0u: not checked
  WORD flags = kCall;
  std::optional<std::vector<DISPID>> named = std::nullopt;
};

void ExpectRefusals(IDispatch* grid, std::vector<Refusal> cases) {
  for (Refusal& c : cases) {
    std::wstring before = StateOf(grid);
    Answer a = Ask(grid, c.id, c.flags, std::move(c.reversedArgs), c.named);
    Check(a.hr == c.wanted, c.what + " gave " + Hex(a.hr) + ", expected " + Hex(c.wanted), __FILE__, __LINE__);
    Check(c.argErr == ~0u || a.argErr == c.argErr, c.what + ": argErr " + std::to_string(a.argErr), __FILE__, __LINE__);
    Check(StateOf(grid) == before, c.what + " changed the grid", __FILE__, __LINE__);
  }
}

// ExportEx(nType 1: no file, two columns, columns, rows 0..0): the column
// list is DISPPARAMS index 2.
std::vector<VARIANT> ExportArgs(VARIANT columns) {
  VARIANT n = Blank(VT_I2);
  V_I2(&n) = 2;
  return {Long(1), Long(0), columns, n, Long(1)};
}

// Each hostile kind as a row, and as a column list when it is an array:
// DISP_E_TYPEMISMATCH naming the argument. Where text is wanted, a null
// reference is refused too.
void HostileArgumentsAreRefused(IDispatch* grid) {
  const HRESULT kMismatch = DISP_E_TYPEMISMATCH;
  Keeper keeper;
  std::vector<Refusal> cases = {
      {"a null BSTR* face name", kSetDefaultFont, {Long(400), Long(10), Reference(VT_BSTR)}, kMismatch, 2},
      {"a null VARIANT* text", kSetCellText, {Reference(VT_VARIANT), Long(1), Long(1)}, kMismatch, 0},
      {"a VARIANT reference to itself as a row count", kRows, {HostileArgument(2, keeper, grid)}, kMismatch, 0, kPut},
  };
  for (std::size_t kind = 0; kind < HostileKinds(); ++kind) {
    std::string what;
    VARIANT row = HostileArgument(kind, keeper, grid, &what);
    cases.push_back({what + " as a row", kGetCellText, {Long(3), row}, kMismatch, 1});
    if (V_VT(&row) & VT_ARRAY) {
      cases.push_back({what + " as columns", kExportEx, ExportArgs(HostileArgument(kind, keeper, grid)), kMismatch, 2});
    }
  }
  ExpectRefusals(grid, std::move(cases));
  // One step is the one scripts take for their variables: still taken.
  LONG column = 3;
  VARIANT two = Long(2), columnRef = Reference(VT_I4, &column);
  CHECK(CallText(grid, L"GetCellText", {VariantReference(&two), VariantReference(&columnRef)}) == L"sentinel");
}

// The column list of ExportEx read element by element with the array's own
// element type; a column outside the grid is an exception naming it.
void ColumnArraysAreReadByTheirElementType(IDispatch* grid) {
  for (VARTYPE vt : NumericElementTypes()) {
    std::string type = "an array of type " + std::to_string(vt);
    // A VARIANT_BOOL holds 0 or -1 only: column 0 twice.
    SAFEARRAY* good = ArrayOfLongs(vt, vt == VT_BOOL ? std::vector<LONG>{0, 0} : std::vector<LONG>{2, 3});
    Answer a = Ask(grid, kExportEx, kCall, ExportArgs(ArrayArgument(good)));
    Check(good && a.hr == S_OK, type + " holding existing columns gave " + Hex(a.hr), __FILE__, __LINE__);
    if (vt == VT_BOOL) continue;
    a = Ask(grid, kExportEx, kCall, ExportArgs(ArrayArgument(ArrayOfLongs(vt, {2, 7}))));
    Check(IsGridException(a, L"ExportEx", E_INVALIDARG) && a.description.find(L"index 7") != std::wstring::npos,
          type + " holding column 7", __FILE__, __LINE__);
  }
}

// Failures inside a member are exceptions of the call naming it: out of
// memory (error 7 in scripts) and an index outside the grid.
void MemberFailuresAreExceptions(IDispatch* grid) {
  std::wstring before = StateOf(grid);
  CHECK(IsGridException(Ask(grid, kSetNumRows, kCall, {Long(2147483647)}), L"SetNumRows", CTL_E_OUTOFMEMORY));
  CHECK(IsGridException(Ask(grid, kSetCellText, kCall, {Text(L"lost"), Long(0), Long(-1)}), L"SetCellText",
                        E_INVALIDARG));
  CHECK(StateOf(grid) == before);
}

// Members that do not exist, kinds a member does not have, argument counts,
// types and named arguments: the refusals Automation clients rely on.
void CallsAreCheckedAgainstTheInterface(IDispatch* grid) {
  VARIANT missing = Blank(VT_ERROR);
  V_ERROR(&missing) = DISP_E_PARAMNOTFOUND;
  VARIANT result;
  // Parameter names resolve to their positions, in any letter case.
  const wchar_t* names[] = {L"setcelltext", L"TextData", L"ROW", L"Colour"};
  DISPID ids[4] = {};
  CHECK_HR(grid->GetIDsOfNames(IID_NULL, const_cast<LPOLESTR*>(names), 3, 0, ids), S_OK);
  CHECK(ids[0] == kSetCellText && ids[1] == 2 && ids[2] == 0);
  CHECK_HR(grid->GetIDsOfNames(IID_NULL, const_cast<LPOLESTR*>(names), 4, 0, ids), DISP_E_UNKNOWNNAME);
  // A null DISPPARAMS is a call without arguments (the bridge fuzzer sends
  // DISPPARAMS whose counts promise more than their pointers hold).
  CHECK_HR(grid->Invoke(kSetNumRows, IID_NULL, 0, kCall, nullptr, nullptr, nullptr, nullptr), DISP_E_BADPARAMCOUNT);
  CHECK(grid->Invoke(kRows, IID_NULL, 0, DISPATCH_PROPERTYGET, nullptr, &result, nullptr, nullptr) == S_OK &&
        V_VT(&result) == VT_I4 && V_I4(&result) == 5);
  ExpectRefusals(grid, {
      {"the DISPID the interface skips", 28, {}, DISP_E_MEMBERNOTFOUND, ~0u},
      {"an unknown DISPID", 999, {}, DISP_E_MEMBERNOTFOUND, ~0u},
      {"a put of a method", kSetCellText, {Long(1)}, DISP_E_MEMBERNOTFOUND, ~0u, kPut},
      {"a put without DISPID_PROPERTYPUT", kColumns, {Long(6)}, DISP_E_PARAMNOTOPTIONAL, ~0u, kPut,
       std::vector<DISPID>{}},
      {"named arguments of a method", kSetFocusedCell, {Long(1), Long(1)}, DISP_E_NONAMEDARGS, ~0u, kCall,
       std::vector<DISPID>{0, 1}},
      {"one argument of two", kGetCellText, {Long(0)}, DISP_E_BADPARAMCOUNT, ~0u},
      {"a text for a row", kSetCellText, {Text(L"x"), Long(0), Text(L"not a number")}, DISP_E_TYPEMISMATCH, 2},
      {"70000 for an unsigned short", kSetCellHeaderFlag, {Long(70000), Long(0), Long(0)}, DISP_E_OVERFLOW, 0},
      {"a missing argument", kGetCellText, {missing, Long(0)}, DISP_E_PARAMNOTOPTIONAL, ~0u},
  });
}

// Arguments by reference, null and odd-length BSTRs.
void ArgumentsAreConverted(IDispatch* grid) {
  // By reference: a long and a BSTR variable (scripts pass VARIANT ones).
  LONG row = 2;
  CHECK(CallText(grid, L"GetCellText", {Reference(VT_I4, &row), Long(3)}) == L"sentinel");
  BSTR face = SysAllocString(L"Arial");
  CHECK(CallLong(grid, L"SetDefaultFont", {Reference(VT_BSTR, &face), Long(-12), Long(700)}) == -1);
  CHECK(std::wstring(face) == L"Arial");
  SysFreeString(face);
  // A null BSTR where text is wanted is the empty text; a BSTR of odd byte
  // length holds its whole characters, the half one is dropped.
  CHECK_HR(Ask(grid, kSetCellText, kCall, {Blank(VT_BSTR), Long(1), Long(1)}).hr, S_OK);
  CHECK(CallText(grid, L"GetCellText", {Long(1), Long(1)}).empty());
  VARIANT odd = Blank(VT_BSTR);
  V_BSTR(&odd) = SysAllocStringByteLen("a\0b\0c", 5);
  CHECK_HR(Ask(grid, kSetCellText, kCall, {odd, Long(1), Long(1)}).hr, S_OK);
  CHECK(CallText(grid, L"GetCellText", {Long(1), Long(1)}) == L"ab");
}

}  // namespace

void RunDispatchTests() {
  for (void (*group)(IDispatch*) : {HostileArgumentsAreRefused, ColumnArraysAreReadByTheirElementType,
                                    MemberFailuresAreExceptions, CallsAreCheckedAgainstTheInterface,
                                    ArgumentsAreConverted}) {
    // A fresh grid of 5 rows and 4 columns with "sentinel" at row 2, column 3.
    ComPtr<IDispatch> grid = NewGrid();
    if (!CHECK(grid)) return;
    Put(grid.Get(), L"Rows", Long(5));
    Put(grid.Get(), L"Columns", Long(4));
    Call(grid.Get(), L"SetCellText", {Long(2), Long(3), Text(L"sentinel")});
    group(grid.Get());
  }
}

}  // namespace ModuleTest
