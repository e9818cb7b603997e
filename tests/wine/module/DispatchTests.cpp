// IDispatch::Invoke of the control at the COM level: the HRESULTs, the
// argument index of a refused argument, the exception information, the
// coercions an Automation server applies, by-reference arguments and
// SAFEARRAYs for a long* parameter.
#include "../../../src/module/TzGridIds.h"
#include "HostKit.h"

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

}  // namespace

void RunDispatchTests() {
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
