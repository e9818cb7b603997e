// IDispatch::Invoke of the control at the COM level: the HRESULTs, the
// argument index of a refused argument, the exception information, the
// coercions an Automation server applies, by-reference arguments and
// SAFEARRAYs for a long* parameter.
#include "../../src/module/TzGridIds.h"
#include "HostKit.h"
#include "HostileVariants.h"

#include <cstring>
#include <string>

namespace ModuleTest {

namespace {

HRESULT RawInvoke(IDispatch* grid, DISPID id, WORD flags, std::vector<VARIANT> reversedArgs,
                  std::vector<DISPID> named = {}, VARIANT* result = nullptr, EXCEPINFO* excep = nullptr,
                  UINT* argErr = nullptr) {
  DISPPARAMS params = {reversedArgs.empty() ? nullptr : reversedArgs.data(), named.empty() ? nullptr : named.data(),
                       UINT(reversedArgs.size()), UINT(named.size())};
  HRESULT hr = grid->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, flags, &params, result, excep, argErr);
  for (VARIANT& v : reversedArgs) VariantClear(&v);
  return hr;
}

VARIANT Double(double value) {
  VARIANT v;
  VariantInit(&v);
  V_VT(&v) = VT_R8;
  V_R8(&v) = value;
  return v;
}


// ---- Hostile arguments: each is refused with a DISP_E_* answer and the
// grid stays as it was.

const WORD kCall = DISPATCH_METHOD | DISPATCH_PROPERTYGET;
const DISPID kColumns = 1, kRows = 2, kSetCellText = 7, kSetNumColumns = 9, kSetNumRows = 10, kGetCellText = 11,
             kExportEx = 35, kSetDefaultFont = 39;

// What a refused call must leave alone: the counts and one cell's text.
struct GridState {
  LONG rows = 0;
  LONG columns = 0;
  std::wstring sentinel;
  bool operator==(const GridState& other) const {
    return rows == other.rows && columns == other.columns && sentinel == other.sentinel;
  }
};

GridState ReadState(IDispatch* grid) {
  return {CallLong(grid, L"Rows"), CallLong(grid, L"Columns"), CallText(grid, L"GetCellText", {Long(2), Long(3)})};
}

// A fresh grid of 5 rows and 4 columns with "sentinel" at row 2, column 3.
IDispatch* NewSentinelGrid() {
  IDispatch* grid = nullptr;
  if (FAILED(CoCreateInstance(TzGridCom::CLSID_TzGrid, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch,
                              reinterpret_cast<void**>(&grid)))) {
    return nullptr;
  }
  Put(grid, L"Rows", Long(5));
  Put(grid, L"Columns", Long(4));
  Call(grid, L"SetCellText", {Long(2), Long(3), Text(L"sentinel")});
  return grid;
}

void ClearExcepInfo(EXCEPINFO& excep) {
  SysFreeString(excep.bstrSource);
  SysFreeString(excep.bstrDescription);
  SysFreeString(excep.bstrHelpFile);
  excep = EXCEPINFO{};
}

// Calls with reversed (DISPPARAMS order) arguments and checks the answer,
// the index of the refused argument (when argErrWanted is not ~0u) and
// that the grid is unchanged.
void ExpectRefused(IDispatch* grid, DISPID id, WORD flags, std::vector<VARIANT> reversedArgs, HRESULT wanted,
                   UINT argErrWanted, const std::string& what, std::vector<DISPID> named = {}) {
  GridState before = ReadState(grid);
  UINT argErr = 12345;
  EXCEPINFO excep{};
  HRESULT hr = RawInvoke(grid, id, flags, std::move(reversedArgs), std::move(named), nullptr, &excep, &argErr);
  Check(hr == wanted, (what + " gave " + Hex(hr) + ", expected " + Hex(wanted)).c_str(), __FILE__, __LINE__);
  if (argErrWanted != ~0u) {
    Check(argErr == argErrWanted, (what + ": argErr " + std::to_string(argErr)).c_str(), __FILE__, __LINE__);
  }
  ClearExcepInfo(excep);
  Check(ReadState(grid) == before, (what + " changed the grid").c_str(), __FILE__, __LINE__);
}

// ExportEx(nType 1: no file, count, columns, rows 0..0) with a column list.
HRESULT ExportColumns(IDispatch* grid, VARIANT columns, short count, EXCEPINFO* excep = nullptr,
                      UINT* argErr = nullptr) {
  VARIANT n;
  VariantInit(&n);
  V_VT(&n) = VT_I2;
  V_I2(&n) = count;
  return RawInvoke(grid, kExportEx, kCall, {Long(1), Long(0), columns, n, Long(1)}, {}, nullptr, excep, argErr);
}

// A by-reference argument of every type with a null pointer, null strings
// and interfaces, BSTRs of odd byte length.
void NullReferencesAreTypeMismatches() {
  IDispatch* grid = NewSentinelGrid();
  if (!CHECK(grid != nullptr)) return;
  // GetCellText(row, column): the row is DISPPARAMS index 1.
  const VARTYPE referenced[] = {VT_I1,   VT_UI1,  VT_I2,      VT_UI2,  VT_I4,      VT_UI4,      VT_I8,
                                VT_UI8,  VT_INT,  VT_UINT,    VT_R4,   VT_R8,      VT_CY,       VT_DATE,
                                VT_BOOL, VT_ERROR, VT_DECIMAL, VT_BSTR, VT_DISPATCH, VT_UNKNOWN, VT_VARIANT,
                                VT_RECORD, VARTYPE(VT_ARRAY | VT_I4), VARTYPE(VT_ARRAY | VT_VARIANT)};
  for (VARTYPE vt : referenced) {
    ExpectRefused(grid, kGetCellText, kCall, {Long(3), NullReference(vt)}, DISP_E_TYPEMISMATCH, 1,
                  "GetCellText with a null reference of type " + std::to_string(vt) + " as its row");
  }
  ExpectRefused(grid, kSetCellText, kCall, {NullReference(VT_BSTR), Long(1), Long(1)}, DISP_E_TYPEMISMATCH, 0,
                "SetCellText with a null BSTR reference as its text");
  ExpectRefused(grid, kSetDefaultFont, kCall, {Long(400), Long(10), NullReference(VT_BSTR)}, DISP_E_TYPEMISMATCH,
                2, "SetDefaultFont with a null BSTR* face name");
  ExpectRefused(grid, kSetDefaultFont, kCall, {Long(400), Long(10), NullReference(VT_VARIANT)},
                DISP_E_TYPEMISMATCH, 2, "SetDefaultFont with a null VARIANT reference as its face name");
  // ExportEx(nType, nColumnCount, ColumnArray, lStartRow, lEndRow): the array is index 2.
  for (VARTYPE vt : {VARTYPE(VT_I4), VARTYPE(VT_VARIANT), VARTYPE(VT_ARRAY | VT_I4), VARTYPE(VT_DISPATCH)}) {
    ExpectRefused(grid, kExportEx, kCall, {Long(1), Long(0), NullReference(vt), Long(1), Long(1)},
                  DISP_E_TYPEMISMATCH, 2, "ExportEx with a null reference of type " + std::to_string(vt));
  }
  // An array reference whose SAFEARRAY* is null, and an array VARIANT without an array.
  SAFEARRAY* noArray = nullptr;
  VARIANT arrayRef;
  VariantInit(&arrayRef);
  V_VT(&arrayRef) = VT_BYREF | VT_ARRAY | VT_I4;
  V_ARRAYREF(&arrayRef) = &noArray;
  ExpectRefused(grid, kExportEx, kCall, {Long(1), Long(0), arrayRef, Long(1), Long(1)}, DISP_E_TYPEMISMATCH, 2,
                "ExportEx with a reference to a null SAFEARRAY*");
  VARIANT emptyArray;
  VariantInit(&emptyArray);
  V_VT(&emptyArray) = VT_ARRAY | VT_I4;
  ExpectRefused(grid, kExportEx, kCall, {Long(1), Long(0), emptyArray, Long(1), Long(1)}, DISP_E_TYPEMISMATCH, 2,
                "ExportEx with VT_ARRAY and a null SAFEARRAY*");
  // Null values of kinds that are not references.
  VARIANT nullText;
  VariantInit(&nullText);
  V_VT(&nullText) = VT_BSTR;
  ExpectRefused(grid, kGetCellText, kCall, {Long(3), nullText}, DISP_E_TYPEMISMATCH, 1, "a null BSTR as a row");
  for (VARTYPE vt : {VARTYPE(VT_DISPATCH), VARTYPE(VT_UNKNOWN)}) {
    VARIANT nullObject;
    VariantInit(&nullObject);
    V_VT(&nullObject) = vt;
    ExpectRefused(grid, kGetCellText, kCall, {Long(3), nullObject}, DISP_E_TYPEMISMATCH, 1,
                  "a null interface of type " + std::to_string(vt) + " as a row");
    VariantInit(&nullObject);
    V_VT(&nullObject) = vt;
    ExpectRefused(grid, kSetCellText, kCall, {nullObject, Long(1), Long(1)}, DISP_E_TYPEMISMATCH, 0,
                  "a null interface of type " + std::to_string(vt) + " as a text");
  }
  // A null BSTR where text is wanted is the empty text.
  VariantInit(&nullText);
  V_VT(&nullText) = VT_BSTR;
  CHECK_HR(RawInvoke(grid, kSetCellText, kCall, {nullText, Long(1), Long(1)}), S_OK);
  CHECK(CallText(grid, L"GetCellText", {Long(1), Long(1)}).empty());
  // A BSTR of odd byte length holds its whole characters; the half one is dropped.
  VARIANT odd;
  VariantInit(&odd);
  V_VT(&odd) = VT_BSTR;
  V_BSTR(&odd) = OddBstr("a\0b\0c", 5);
  CHECK_HR(RawInvoke(grid, kSetCellText, kCall, {odd, Long(1), Long(1)}), S_OK);
  CHECK(CallText(grid, L"GetCellText", {Long(1), Long(1)}) == L"ab");
  BSTR oddFace = OddBstr("A\0r\0i\0a\0l\0x", 11);
  VARIANT oddFaceRef;
  VariantInit(&oddFaceRef);
  V_VT(&oddFaceRef) = VT_BYREF | VT_BSTR;
  V_BSTRREF(&oddFaceRef) = &oddFace;
  CHECK_HR(RawInvoke(grid, kSetDefaultFont, kCall, {Long(400), Long(10), oddFaceRef}), S_OK);
  CHECK(SysStringByteLen(oddFace) == 11);  // untouched: the member did not change it
  SysFreeString(oddFace);
  CHECK(ReadState(grid).sentinel == L"sentinel");
  grid->Release();
}

// DISPPARAMS whose counts promise more than its pointers hold.
void MalformedDispParamsAreRefused() {
  IDispatch* grid = NewSentinelGrid();
  if (!CHECK(grid != nullptr)) return;
  GridState before = ReadState(grid);
  DISPID put = DISPID_PROPERTYPUT;
  VARIANT six = Long(6);
  struct Case {
    const char* what;
    DISPID id;
    WORD flags;
    DISPPARAMS params;
    HRESULT wanted;
  };
  const Case cases[] = {
      {"a method with three arguments and no rgvarg", kSetCellText, kCall, {nullptr, nullptr, 3, 0},
       DISP_E_BADPARAMCOUNT},
      {"a property put with no rgvarg", kRows, DISPATCH_PROPERTYPUT, {nullptr, &put, 1, 1}, DISP_E_BADPARAMCOUNT},
      {"a property put with no rgdispidNamedArgs", kRows, DISPATCH_PROPERTYPUT, {&six, nullptr, 1, 1},
       DISP_E_PARAMNOTFOUND},
      {"a method with named arguments and no rgdispidNamedArgs", kSetNumRows, kCall, {&six, nullptr, 1, 1},
       DISP_E_PARAMNOTFOUND},
      {"more named arguments than arguments", kRows, DISPATCH_PROPERTYPUT, {&six, &put, 1, 2}, DISP_E_BADPARAMCOUNT},
      {"a named argument without any argument", kRows, DISPATCH_PROPERTYPUT, {nullptr, &put, 0, 1},
       DISP_E_BADPARAMCOUNT},
  };
  for (const Case& c : cases) {
    DISPPARAMS params = c.params;
    EXCEPINFO excep{};
    UINT argErr = 0;
    HRESULT hr = grid->Invoke(c.id, IID_NULL, LOCALE_USER_DEFAULT, c.flags, &params, nullptr, &excep, &argErr);
    Check(hr == c.wanted, (std::string(c.what) + " gave " + Hex(hr) + ", expected " + Hex(c.wanted)).c_str(),
          __FILE__, __LINE__);
    ClearExcepInfo(excep);
    Check(ReadState(grid) == before, (std::string(c.what) + " changed the grid").c_str(), __FILE__, __LINE__);
  }
  // A null DISPPARAMS is a call without arguments.
  VARIANT rows;
  VariantInit(&rows);
  CHECK_HR(grid->Invoke(kRows, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYGET, nullptr, &rows, nullptr, nullptr),
           S_OK);
  CHECK(V_VT(&rows) == VT_I4 && V_I4(&rows) == 5);
  CHECK_HR(grid->Invoke(kSetNumRows, IID_NULL, LOCALE_USER_DEFAULT, kCall, nullptr, nullptr, nullptr, nullptr),
           DISP_E_BADPARAMCOUNT);
  CHECK(ReadState(grid) == before);
  grid->Release();
}

// The column list of ExportEx read element by element with the array's own
// element type; what cannot be a column number is refused.
void ColumnArraysAreReadByTheirElementType() {
  IDispatch* grid = NewSentinelGrid();
  if (!CHECK(grid != nullptr)) return;
  // The grid has 4 columns: 2 is one of them, 7 is not (an exception naming it).
  for (VARTYPE vt : NumericElementTypes()) {
    std::string type = "an array of type " + std::to_string(vt);
    // A VARIANT_BOOL holds 0 or -1 only: column 0 twice.
    SAFEARRAY* good = vt == VT_BOOL ? ArrayOfLongs(vt, {0, 0}) : ArrayOfLongs(vt, {2, 3});
    if (!Check(good != nullptr, (type + " built").c_str(), __FILE__, __LINE__)) continue;
    HRESULT hr = ExportColumns(grid, ArrayArgument(good), 2);
    Check(hr == S_OK, (type + " holding existing columns gave " + Hex(hr)).c_str(), __FILE__, __LINE__);
    if (vt == VT_BOOL) continue;
    EXCEPINFO excep{};
    hr = ExportColumns(grid, ArrayArgument(ArrayOfLongs(vt, {2, 7})), 2, &excep);
    Check(hr == DISP_E_EXCEPTION, (type + " holding column 7 gave " + Hex(hr)).c_str(), __FILE__, __LINE__);
    bool namesSeven = excep.bstrDescription && std::wstring(excep.bstrDescription).find(L"index 7") != std::wstring::npos;
    Check(namesSeven, (type + ": the exception names column 7").c_str(), __FILE__, __LINE__);
    ClearExcepInfo(excep);
  }
  // Records: the bytes of a record are no column number.
  IRecordInfo* record = NewByteRecordInfo(32);
  SAFEARRAYBOUND bound = {2, 0};
  SAFEARRAY* records = SafeArrayCreateEx(VT_RECORD, 1, &bound, record);
  record->Release();
  if (CHECK(records != nullptr)) {
    void* data = nullptr;
    if (SUCCEEDED(SafeArrayAccessData(records, &data))) {
      std::memset(data, 0x41, 64);  // bytes that would make a wild pointer
      SafeArrayUnaccessData(records);
    }
    ExpectRefused(grid, kExportEx, kCall, {Long(1), Long(0), ArrayArgument(records), Long(1), Long(1)},
                  DISP_E_TYPEMISMATCH, 2, "ExportEx with an array of records");
  }
  // Interfaces, two dimensions, arrays nested in VARIANT elements.
  ExpectRefused(grid, kExportEx, kCall,
                {Long(1), Long(0), ArrayArgument(SafeArrayCreateVector(VT_UNKNOWN, 0, 1)), Long(1), Long(1)},
                DISP_E_TYPEMISMATCH, 2, "ExportEx with an array of IUnknown");
  ExpectRefused(grid, kExportEx, kCall,
                {Long(1), Long(0), ArrayArgument(SafeArrayCreateVector(VT_DISPATCH, 0, 1)), Long(1), Long(1)},
                DISP_E_TYPEMISMATCH, 2, "ExportEx with an array of IDispatch");
  SAFEARRAYBOUND square[2] = {{2, 0}, {2, 0}};
  ExpectRefused(grid, kExportEx, kCall,
                {Long(1), Long(0), ArrayArgument(SafeArrayCreate(VT_I4, 2, square)), Long(1), Long(1)},
                DISP_E_TYPEMISMATCH, 2, "ExportEx with a two-dimensional array");
  SAFEARRAY* outer = SafeArrayCreateVector(VT_VARIANT, 0, 1);
  VARIANT nested = ArrayArgument(ArrayOfLongs(VT_I4, {1}));
  LONG first = 0;
  SafeArrayPutElement(outer, &first, &nested);
  VariantClear(&nested);
  ExpectRefused(grid, kExportEx, kCall, {Long(1), Long(0), ArrayArgument(outer), Long(1), Long(1)},
                DISP_E_TYPEMISMATCH, 2, "ExportEx with an array nested in a VARIANT element");
  // A descriptor whose element size does not match its type.
  SAFEARRAY* lying = ArrayOfLongs(VT_I4, {1, 2});
  if (CHECK(lying != nullptr)) {
    lying->cbElements = 2;
    VARIANT lyingRef;
    VariantInit(&lyingRef);
    V_VT(&lyingRef) = VT_BYREF | VT_ARRAY | VT_I4;
    V_ARRAYREF(&lyingRef) = &lying;
    ExpectRefused(grid, kExportEx, kCall, {Long(1), Long(0), lyingRef, Long(2), Long(1)}, DISP_E_TYPEMISMATCH, 2,
                  "ExportEx with an array whose element size is not its type's");
    lying->cbElements = 4;
    SafeArrayDestroy(lying);
  }
  // An array typed by its VARIANT as longs but holding doubles is read as doubles.
  VARIANT mislabelled = ArrayArgument(ArrayOfLongs(VT_R8, {2, 3}));
  V_VT(&mislabelled) = VT_ARRAY | VT_I4;
  CHECK_HR(ExportColumns(grid, mislabelled, 2), S_OK);
  CHECK(ReadState(grid).sentinel == L"sentinel");
  grid->Release();
}

// VARIANT references that point to themselves, to each other, or to
// another reference: one step is taken, deeper nesting is refused.
void SelfReferencingVariantsAreRefused() {
  IDispatch* grid = NewSentinelGrid();
  if (!CHECK(grid != nullptr)) return;
  VARIANT self;
  MakeSelfReference(&self);
  ExpectRefused(grid, kGetCellText, kCall, {Long(3), self}, DISP_E_TYPEMISMATCH, 1,
                "a VARIANT reference to itself as a row");
  ExpectRefused(grid, kSetCellText, kCall, {self, Long(1), Long(1)}, DISP_E_TYPEMISMATCH, 0,
                "a VARIANT reference to itself as a text");
  ExpectRefused(grid, kSetDefaultFont, kCall, {Long(400), Long(10), self}, DISP_E_TYPEMISMATCH, 2,
                "a VARIANT reference to itself as a face name");
  ExpectRefused(grid, kExportEx, kCall, {Long(1), Long(0), self, Long(1), Long(1)}, DISP_E_TYPEMISMATCH, 2,
                "a VARIANT reference to itself as a column list");
  ExpectRefused(grid, kRows, DISPATCH_PROPERTYPUT, {self}, DISP_E_TYPEMISMATCH, 0,
                "a VARIANT reference to itself as a row count", {DISPID_PROPERTYPUT});
  VARIANT a, b;
  VariantInit(&a);
  VariantInit(&b);
  a = VariantReference(&b);
  b = VariantReference(&a);
  ExpectRefused(grid, kGetCellText, kCall, {Long(3), a}, DISP_E_TYPEMISMATCH, 1, "two VARIANTs referring to each other");
  VARIANT two = Long(2);
  VARIANT once = VariantReference(&two);
  ExpectRefused(grid, kGetCellText, kCall, {Long(3), VariantReference(&once)}, DISP_E_TYPEMISMATCH, 1,
                "a reference to a reference to a row");
  SAFEARRAY* columns = ArrayOfLongs(VT_VARIANT, {1});
  LONG first = 0;
  VARIANT* element = nullptr;
  if (CHECK(columns && SUCCEEDED(SafeArrayPtrOfIndex(columns, &first, reinterpret_cast<void**>(&element))))) {
    MakeSelfReference(element);
    ExpectRefused(grid, kExportEx, kCall, {Long(1), Long(0), ArrayArgument(columns), Long(1), Long(1)},
                  DISP_E_TYPEMISMATCH, 2, "an array element that refers to itself");
  }
  // One step is the one scripts take for their variables: still taken.
  CHECK(CallText(grid, L"GetCellText", {VariantReference(&two), Long(3)}) == L"sentinel");
  LONG column = 3;
  VARIANT columnRef;
  VariantInit(&columnRef);
  V_VT(&columnRef) = VT_BYREF | VT_I4;
  V_I4REF(&columnRef) = &column;
  CHECK(CallText(grid, L"GetCellText", {Long(2), VariantReference(&columnRef)}) == L"sentinel");
  grid->Release();
}

// Failures inside a member are exceptions of the call, out of memory
// included: as the control error "Out of memory" (error 7 in scripts).
void MemberFailuresAreExceptions() {
  IDispatch* grid = NewSentinelGrid();
  if (!CHECK(grid != nullptr)) return;
  GridState before = ReadState(grid);
  struct Case {
    const char* what;
    DISPID id;
    WORD flags;
    std::vector<DISPID> named;
    const wchar_t* member;
  };
  const Case cases[] = {
      {"Rows = 2^31 - 1", kRows, DISPATCH_PROPERTYPUT, {DISPID_PROPERTYPUT}, L"Rows"},
      {"Columns = 2^31 - 1", kColumns, DISPATCH_PROPERTYPUT, {DISPID_PROPERTYPUT}, L"Columns"},
      {"SetNumRows(2^31 - 1)", kSetNumRows, kCall, {}, L"SetNumRows"},
      {"SetNumColumns(2^31 - 1)", kSetNumColumns, kCall, {}, L"SetNumColumns"},
  };
  for (const Case& c : cases) {
    EXCEPINFO excep{};
    HRESULT hr = RawInvoke(grid, c.id, c.flags, {Long(2147483647)}, c.named, nullptr, &excep);
    Check(hr == DISP_E_EXCEPTION, (std::string(c.what) + " gave " + Hex(hr)).c_str(), __FILE__, __LINE__);
    Check(excep.scode == CTL_E_OUTOFMEMORY, (std::string(c.what) + ": scode " + Hex(excep.scode)).c_str(), __FILE__,
          __LINE__);
    CHECK(excep.wCode == 0);
    CHECK(excep.bstrSource && std::wstring(excep.bstrSource) == L"TzGrid");
    bool described = excep.bstrDescription && std::wstring(excep.bstrDescription).find(c.member) == 0 &&
                     std::wstring(excep.bstrDescription).find(L"memory") != std::wstring::npos;
    Check(described, (std::string(c.what) + ": the description names the member and the memory").c_str(), __FILE__,
          __LINE__);
    ClearExcepInfo(excep);
    // Without an EXCEPINFO the answer is the same.
    CHECK_HR(RawInvoke(grid, c.id, c.flags, {Long(2147483647)}, c.named), DISP_E_EXCEPTION);
    Check(ReadState(grid) == before, (std::string(c.what) + " changed the grid").c_str(), __FILE__, __LINE__);
  }
  grid->Release();
}

}  // namespace

void RunDispatchTests() {
  NullReferencesAreTypeMismatches();
  MalformedDispParamsAreRefused();
  ColumnArraysAreReadByTheirElementType();
  SelfReferencingVariantsAreRefused();
  MemberFailuresAreExceptions();
  IDispatch* grid = nullptr;
  if (!CHECK(SUCCEEDED(CoCreateInstance(TzGridCom::CLSID_TzGrid, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch,
                                        reinterpret_cast<void**>(&grid))))) {
    return;
  }
  const WORD call = DISPATCH_METHOD | DISPATCH_PROPERTYGET;

  // Members that do not exist, and kinds a member does not have.
  CHECK_HR(RawInvoke(grid, 28, call, {}), DISP_E_MEMBERNOTFOUND);
  CHECK_HR(RawInvoke(grid, 999, call, {}), DISP_E_MEMBERNOTFOUND);
  CHECK_HR(RawInvoke(grid, 7, DISPATCH_PROPERTYPUT, {Long(1)}, {DISPID_PROPERTYPUT}), DISP_E_MEMBERNOTFOUND);
  VARIANT result;
  DISPPARAMS none = {nullptr, nullptr, 0, 0};
  CHECK_HR(grid->Invoke(1, IID_IDispatch, 0, call, &none, &result, nullptr, nullptr), DISP_E_UNKNOWNINTERFACE);

  // Puts carry DISPID_PROPERTYPUT as their one named argument.
  CHECK_HR(RawInvoke(grid, 1, DISPATCH_PROPERTYPUT, {Long(6)}), DISP_E_PARAMNOTOPTIONAL);
  CHECK_HR(RawInvoke(grid, 1, DISPATCH_PROPERTYPUT, {Long(6)}, {DISPID_PROPERTYPUT}), S_OK);
  CHECK(CallLong(grid, L"Columns") == 6);
  CHECK_HR(RawInvoke(grid, 1, DISPATCH_PROPERTYPUT, {Double(7.4)}, {DISPID_PROPERTYPUT}), S_OK);
  CHECK(CallLong(grid, L"Columns") == 7);
  CHECK_HR(RawInvoke(grid, 15, call, {Long(1), Long(1)}, {0, 1}), DISP_E_NONAMEDARGS);

  // Counts and types: the refused argument's index is its DISPPARAMS index.
  CHECK_HR(RawInvoke(grid, 11, call, {Long(0)}), DISP_E_BADPARAMCOUNT);
  UINT argErr = 99;
  CHECK_HR(RawInvoke(grid, 7, call, {Text(L"x"), Long(0), Text(L"not a number")}, {}, nullptr, nullptr, &argErr),
           DISP_E_TYPEMISMATCH);
  CHECK(argErr == 2);
  argErr = 99;
  CHECK_HR(RawInvoke(grid, 19, call, {Long(70000), Long(0), Long(0)}, {}, nullptr, nullptr, &argErr),
           DISP_E_OVERFLOW);
  CHECK(argErr == 0);
  VARIANT missing;
  VariantInit(&missing);
  V_VT(&missing) = VT_ERROR;
  V_ERROR(&missing) = DISP_E_PARAMNOTFOUND;
  CHECK_HR(RawInvoke(grid, 11, call, {missing, Long(0)}), DISP_E_PARAMNOTOPTIONAL);

  // Results come back in the interface's types.
  VariantInit(&result);
  CHECK_HR(RawInvoke(grid, 5, call, {Long(80), Long(1)}, {}, &result), S_OK);
  CHECK(V_VT(&result) == VT_I2 && V_I2(&result) == 1);
  CHECK_HR(RawInvoke(grid, 16, call, {Long(2), Long(1), Long(1)}, {}, &result), S_OK);
  CHECK(V_VT(&result) == VT_BOOL && V_BOOL(&result) == VARIANT_TRUE);
  CHECK_HR(RawInvoke(grid, 27, call, {Long(0), Long(0)}, {}, &result), S_OK);
  CHECK(V_VT(&result) == VT_UI2 && V_UI2(&result) == 0);
  CHECK_HR(RawInvoke(grid, 29, call, {Long(0), Long(0)}, {}, &result), S_OK);
  CHECK(V_VT(&result) == VT_UI4);
  CHECK_HR(RawInvoke(grid, 7, call, {Text(L"by value"), Long(2), Long(1)}), S_OK);
  CHECK_HR(RawInvoke(grid, 11, call, {Long(2), Long(1)}, {}, &result), S_OK);
  CHECK(V_VT(&result) == VT_BSTR && std::wstring(V_BSTR(&result)) == L"by value");
  VariantClear(&result);

  // By reference: a long variable, a BSTR variable, a VARIANT variable.
  LONG row = 1;
  VARIANT rowRef;
  VariantInit(&rowRef);
  V_VT(&rowRef) = VT_BYREF | VT_I4;
  V_I4REF(&rowRef) = &row;
  CHECK_HR(RawInvoke(grid, 11, call, {Long(2), rowRef}, {}, &result), S_OK);
  CHECK(V_VT(&result) == VT_BSTR && std::wstring(V_BSTR(&result)) == L"by value");
  VariantClear(&result);
  BSTR face = SysAllocString(L"Arial");
  VARIANT faceRef;
  VariantInit(&faceRef);
  V_VT(&faceRef) = VT_BYREF | VT_BSTR;
  V_BSTRREF(&faceRef) = &face;
  CHECK_HR(RawInvoke(grid, 39, call, {Long(700), Long(-12), faceRef}, {}, &result), S_OK);
  CHECK(V_VT(&result) == VT_BOOL && V_BOOL(&result) == VARIANT_TRUE && std::wstring(face) == L"Arial");
  SysFreeString(face);
  VARIANT inner = Text(L"Courier New");
  VARIANT variantRef;
  VariantInit(&variantRef);
  V_VT(&variantRef) = VT_BYREF | VT_VARIANT;
  V_VARIANTREF(&variantRef) = &inner;
  CHECK_HR(RawInvoke(grid, 39, call, {Long(400), Long(10), variantRef}, {}, &result), S_OK);
  VariantClear(&inner);

  // long* ColumnArray: a SAFEARRAY of longs, or of VARIANTs, is the list of
  // columns; an index in it outside the grid fails inside ExportEx.
  SAFEARRAY* columns = SafeArrayCreateVector(VT_I4, 0, 2);
  LONG values[2] = {3, 0};
  for (LONG i = 0; i < 2; ++i) SafeArrayPutElement(columns, &i, &values[i]);
  VARIANT list;
  VariantInit(&list);
  V_VT(&list) = VT_ARRAY | VT_I4;
  V_ARRAY(&list) = columns;
  CHECK_HR(RawInvoke(grid, 35, call, {Long(0), Long(0), list, Long(2), Long(1)}), S_OK);
  columns = SafeArrayCreateVector(VT_VARIANT, 0, 2);
  VARIANT items[2] = {Long(1), Text(L"9")};
  for (LONG i = 0; i < 2; ++i) SafeArrayPutElement(columns, &i, &items[i]);
  VariantClear(&items[1]);
  VariantInit(&list);
  V_VT(&list) = VT_ARRAY | VT_VARIANT;
  V_ARRAY(&list) = columns;
  EXCEPINFO excep{};
  CHECK_HR(RawInvoke(grid, 35, call, {Long(0), Long(0), list, Long(2), Long(1)}, {}, nullptr, &excep),
           DISP_E_EXCEPTION);
  CHECK(excep.bstrSource && std::wstring(excep.bstrSource) == L"TzGrid");
  CHECK(excep.bstrDescription && std::wstring(excep.bstrDescription).find(L"ExportEx") == 0);
  CHECK(excep.scode == E_INVALIDARG);
  SysFreeString(excep.bstrSource);
  SysFreeString(excep.bstrDescription);
  SysFreeString(excep.bstrHelpFile);

  // A failed call changes nothing.
  excep = EXCEPINFO{};
  CHECK_HR(RawInvoke(grid, 7, call, {Text(L"lost"), Long(0), Long(-1)}, {}, nullptr, &excep), DISP_E_EXCEPTION);
  CHECK(excep.bstrDescription && std::wstring(excep.bstrDescription).find(L"SetCellText") == 0);
  SysFreeString(excep.bstrSource);
  SysFreeString(excep.bstrDescription);
  SysFreeString(excep.bstrHelpFile);
  CHECK(CallText(grid, L"GetCellText", {Long(1), Long(2)}) == L"by value");
  grid->Release();
}

}  // namespace ModuleTest
