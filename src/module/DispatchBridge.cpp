#include "DispatchBridge.h"

#include <array>
#include <cstddef>
#include <new>
#include <optional>
#include <cstring>
#include <cwchar>
#include <string>
#include <vector>

namespace TzGridCom {

namespace {

using TzGrid::CDispArg;
using TzGrid::CDispArgs;
using TzGrid::DispEntry;

// The most parameters a member of the grid takes.
constexpr std::size_t kMaxParams = 5;
// The longest array a script may hand over for a long* parameter.
constexpr std::size_t kMaxArrayItems = 65536;

std::u16string ToU16(const wchar_t* text, std::size_t length) {
  return std::u16string(reinterpret_cast<const char16_t*>(text), length);
}

std::u16string_view BstrView(BSTR text) {
  return text ? std::u16string_view(reinterpret_cast<const char16_t*>(text), SysStringLen(text)) : std::u16string_view();
}

std::u16string FromBstr(BSTR text) { return std::u16string(BstrView(text)); }

BSTR ToBstr(std::u16string_view text) {
  return SysAllocStringLen(reinterpret_cast<const OLECHAR*>(text.data()), UINT(text.size()));
}

std::wstring Widen(const std::string& text) {
  if (text.empty()) return std::wstring();
  int n = MultiByteToWideChar(CP_UTF8, 0, text.data(), int(text.size()), nullptr, 0);
  std::wstring out(std::size_t(n > 0 ? n : 0), L'\0');
  if (n > 0) MultiByteToWideChar(CP_UTF8, 0, text.data(), int(text.size()), out.data(), n);
  return out;
}

// ---- Reading a caller's VARIANT without trusting it
//
// Nothing the caller hands over is given to VariantCopyInd or to
// VariantChangeType as it is: a by-reference VARIANT with a null pointer, a
// VARIANT that refers to itself or a record with a foreign IRecordInfo would
// take the host down inside oleaut32. Each argument is first looked through
// (at most one VT_BYREF|VT_VARIANT step, the one script hosts use for their
// variables), then read into a plain VARIANT that borrows the caller's
// payload (never cleared here), and only that plain value is coerced.

// A by-reference VARIANT whose pointer is null refers to nothing.
bool IsNullReference(const VARIANT* v) { return (V_VT(v) & VT_BYREF) != 0 && V_BYREF(v) == nullptr; }

// Script hosts pass a variable as VT_BYREF|VT_VARIANT pointing at the
// variable's own VARIANT. One such step is taken; a reference to another
// VARIANT reference (a chain, or a VARIANT that points to itself) is not a
// value a host builds for a call, and following it could never end.
HRESULT LookThrough(const VARIANT* in, const VARIANT** out) {
  if (IsNullReference(in)) return DISP_E_TYPEMISMATCH;
  if (V_VT(in) != (VT_BYREF | VT_VARIANT)) {
    *out = in;
    return S_OK;
  }
  const VARIANT* target = V_VARIANTREF(in);
  if (V_VT(target) == (VT_BYREF | VT_VARIANT) || IsNullReference(target)) return DISP_E_TYPEMISMATCH;
  *out = target;
  return S_OK;
}

// The value types a parameter of the grid can be coerced from. Everything
// else (records, arrays, pointers, reserved bits) is refused up front.
bool IsScalarType(VARTYPE vt) {
  switch (vt) {
    case VT_EMPTY: case VT_NULL:
    case VT_I1: case VT_UI1: case VT_I2: case VT_UI2: case VT_I4: case VT_UI4: case VT_I8: case VT_UI8:
    case VT_INT: case VT_UINT: case VT_R4: case VT_R8: case VT_CY: case VT_DATE: case VT_BOOL:
    case VT_ERROR: case VT_DECIMAL: case VT_BSTR: case VT_DISPATCH: case VT_UNKNOWN:
      return true;
    default:
      return false;
  }
}

// Copies the value a by-reference scalar points at into a plain VARIANT.
// BSTRs and interfaces are borrowed, not copied: the result is never cleared.
HRESULT ReadThroughReference(const VARIANT* v, VARIANT* plain) {
  VARTYPE type = VARTYPE(V_VT(v) & ~VT_BYREF);
  VariantInit(plain);
  switch (type) {
    case VT_I1: V_I1(plain) = *V_I1REF(v); break;
    case VT_UI1: V_UI1(plain) = *V_UI1REF(v); break;
    case VT_I2: V_I2(plain) = *V_I2REF(v); break;
    case VT_UI2: V_UI2(plain) = *V_UI2REF(v); break;
    case VT_I4: V_I4(plain) = *V_I4REF(v); break;
    case VT_UI4: V_UI4(plain) = *V_UI4REF(v); break;
    case VT_I8: V_I8(plain) = *V_I8REF(v); break;
    case VT_UI8: V_UI8(plain) = *V_UI8REF(v); break;
    case VT_INT: V_INT(plain) = *V_INTREF(v); break;
    case VT_UINT: V_UINT(plain) = *V_UINTREF(v); break;
    case VT_R4: V_R4(plain) = *V_R4REF(v); break;
    case VT_R8: V_R8(plain) = *V_R8REF(v); break;
    case VT_CY: V_CY(plain) = *V_CYREF(v); break;
    case VT_DATE: V_DATE(plain) = *V_DATEREF(v); break;
    case VT_BOOL: V_BOOL(plain) = *V_BOOLREF(v); break;
    case VT_ERROR: V_ERROR(plain) = *V_ERRORREF(v); break;
    // A DECIMAL fills the whole VARIANT, its type field included: the type is set after it.
    case VT_DECIMAL: V_DECIMAL(plain) = *V_DECIMALREF(v); break;
    case VT_BSTR: V_BSTR(plain) = *V_BSTRREF(v); break;
    case VT_DISPATCH: V_DISPATCH(plain) = *V_DISPATCHREF(v); break;
    case VT_UNKNOWN: V_UNKNOWN(plain) = *V_UNKNOWNREF(v); break;
    default: return DISP_E_TYPEMISMATCH;
  }
  V_VT(plain) = type;
  return S_OK;
}

// The argument as a plain, borrowed scalar VARIANT.
HRESULT PlainValue(const VARIANT* in, VARIANT* plain) {
  const VARIANT* v = nullptr;
  HRESULT hr = LookThrough(in, &v);
  if (FAILED(hr)) return hr;
  if (V_VT(v) & VT_BYREF) return ReadThroughReference(v, plain);
  if (!IsScalarType(V_VT(v))) return DISP_E_TYPEMISMATCH;
  *plain = *v;
  return S_OK;
}

// The answer for a value the platform could not coerce: an overflow stays
// one; whatever else it said (E_INVALIDARG for a malformed DECIMAL, the
// failure of an object asked for its default value, ...) means the value
// is not of a type the parameter takes.
HRESULT CoercionFailure(HRESULT hr) {
  return hr == DISP_E_OVERFLOW || hr == E_OUTOFMEMORY ? hr : DISP_E_TYPEMISMATCH;
}

// A plain value coerced with the Automation rules. A null interface has no
// value to ask for; a null BSTR is the empty string, which is text but no number.
HRESULT Coerce(const VARIANT& plain, VARTYPE vt, VARIANT* out) {
  VariantInit(out);
  switch (V_VT(&plain)) {
    case VT_DISPATCH: case VT_UNKNOWN:
      if (!V_UNKNOWN(&plain)) return DISP_E_TYPEMISMATCH;
      break;
    case VT_BSTR:
      if (!V_BSTR(&plain)) {
        if (vt != VT_BSTR) return DISP_E_TYPEMISMATCH;
        V_VT(out) = VT_BSTR;  // stays a null BSTR
        return S_OK;
      }
      break;
    default:
      break;
  }
  HRESULT hr = VariantChangeType(out, const_cast<VARIANT*>(&plain), 0, vt);
  return SUCCEEDED(hr) ? hr : CoercionFailure(hr);
}

// One argument converted to a scalar type with the Automation coercion rules.
HRESULT ChangeType(const VARIANT* in, VARTYPE vt, VARIANT* out) {
  VariantInit(out);
  VARIANT plain;
  HRESULT hr = PlainValue(in, &plain);
  return SUCCEEDED(hr) ? Coerce(plain, vt, out) : hr;
}

HRESULT ToLong(const VARIANT* in, std::int32_t* value) {
  VARIANT number;
  HRESULT hr = ChangeType(in, VT_I4, &number);
  if (SUCCEEDED(hr)) *value = V_I4(&number);
  return hr;
}

// ---- SAFEARRAYs for a long* parameter

// Reads an element of a known type from the array's memory into a
// correctly typed local and hands it over as a plain VARIANT. T is the C
// type the element type is stored as.
template <typename T>
T ElementAt(const BYTE* data, std::size_t index) {
  T value;
  std::memcpy(&value, data + index * sizeof(T), sizeof(T));
  return value;
}

// The size an element of each type that can become a long takes in an
// array; 0 for the types that cannot (records, interfaces, arrays, ...).
std::size_t ElementSizeOf(VARTYPE vt) {
  switch (vt) {
    case VT_I1: case VT_UI1: return 1;
    case VT_I2: case VT_UI2: case VT_BOOL: return 2;
    case VT_I4: case VT_UI4: case VT_INT: case VT_UINT: case VT_R4: case VT_ERROR: return 4;
    case VT_I8: case VT_UI8: case VT_R8: case VT_CY: case VT_DATE: return 8;
    case VT_DECIMAL: return sizeof(DECIMAL);
    case VT_BSTR: return sizeof(BSTR);
    case VT_VARIANT: return sizeof(VARIANT);
    default: return 0;
  }
}

// Element index of an array of element type vt as a plain, borrowed VARIANT.
void ElementAsVariant(const BYTE* data, std::size_t index, VARTYPE vt, VARIANT* plain) {
  VariantInit(plain);
  switch (vt) {
    case VT_I1: V_I1(plain) = ElementAt<CHAR>(data, index); break;
    case VT_UI1: V_UI1(plain) = ElementAt<BYTE>(data, index); break;
    case VT_I2: V_I2(plain) = ElementAt<SHORT>(data, index); break;
    case VT_UI2: V_UI2(plain) = ElementAt<USHORT>(data, index); break;
    case VT_BOOL: V_BOOL(plain) = ElementAt<VARIANT_BOOL>(data, index); break;
    case VT_I4: V_I4(plain) = ElementAt<LONG>(data, index); break;
    case VT_UI4: V_UI4(plain) = ElementAt<ULONG>(data, index); break;
    case VT_INT: V_INT(plain) = ElementAt<INT>(data, index); break;
    case VT_UINT: V_UINT(plain) = ElementAt<UINT>(data, index); break;
    case VT_R4: V_R4(plain) = ElementAt<FLOAT>(data, index); break;
    case VT_ERROR: V_ERROR(plain) = ElementAt<SCODE>(data, index); break;
    case VT_I8: V_I8(plain) = ElementAt<LONGLONG>(data, index); break;
    case VT_UI8: V_UI8(plain) = ElementAt<ULONGLONG>(data, index); break;
    case VT_R8: V_R8(plain) = ElementAt<DOUBLE>(data, index); break;
    case VT_CY: V_CY(plain) = ElementAt<CY>(data, index); break;
    case VT_DATE: V_DATE(plain) = ElementAt<DATE>(data, index); break;
    case VT_DECIMAL: V_DECIMAL(plain) = ElementAt<DECIMAL>(data, index); break;
    case VT_BSTR: V_BSTR(plain) = ElementAt<BSTR>(data, index); break;
    case VT_VARIANT: *plain = ElementAt<VARIANT>(data, index); return;  // keeps its own type
    default: return;
  }
  V_VT(plain) = vt;
}

// Arrays whose elements carry interfaces or records cannot hold column numbers.
constexpr USHORT kForeignElementFeatures = FADF_RECORD | FADF_HAVEIID | FADF_UNKNOWN | FADF_DISPATCH;

// The element type of a one-dimensional array of numbers, strings or
// VARIANTs whose element size matches that type; DISP_E_TYPEMISMATCH else.
HRESULT ElementTypeOf(SAFEARRAY* array, VARTYPE* vt) {
  if (!array || SafeArrayGetDim(array) != 1) return DISP_E_TYPEMISMATCH;
  if (array->fFeatures & kForeignElementFeatures) return DISP_E_TYPEMISMATCH;
  if (FAILED(SafeArrayGetVartype(array, vt))) return DISP_E_TYPEMISMATCH;
  std::size_t size = ElementSizeOf(*vt);
  if (size == 0 || SafeArrayGetElemsize(array) != size) return DISP_E_TYPEMISMATCH;
  return S_OK;
}

// Converts each element of a locked array's data to a long.
HRESULT LongsFromElements(const BYTE* data, std::size_t count, VARTYPE vt, std::vector<std::int32_t>& out) {
  out.clear();
  out.reserve(count);
  for (std::size_t i = 0; i < count; ++i) {
    VARIANT element;
    ElementAsVariant(data, i, vt, &element);
    std::int32_t value = 0;
    HRESULT hr = ToLong(&element, &value);
    if (FAILED(hr)) return hr;
    out.push_back(value);
  }
  return S_OK;
}

// Reads the numbers of a one-dimensional SAFEARRAY as longs, element by
// element with the array's own element type. The array stays locked while
// it is read, so a member cannot free it underneath.
HRESULT LongsFromSafeArray(SAFEARRAY* array, std::vector<std::int32_t>& out) {
  VARTYPE vt = VT_EMPTY;
  HRESULT hr = ElementTypeOf(array, &vt);
  if (FAILED(hr)) return hr;
  std::size_t count = array->rgsabound[0].cElements;
  if (count > kMaxArrayItems) return DISP_E_OVERFLOW;
  out.clear();
  if (count == 0) return S_OK;
  void* data = nullptr;
  if (FAILED(SafeArrayAccessData(array, &data))) return DISP_E_TYPEMISMATCH;
  hr = data ? LongsFromElements(static_cast<const BYTE*>(data), count, vt, out) : DISP_E_TYPEMISMATCH;
  SafeArrayUnaccessData(array);
  return hr;
}

// The SAFEARRAY an array argument holds, by value or by reference; null when
// there is none behind it.
SAFEARRAY* ArrayOf(const VARIANT* v) {
  if (!(V_VT(v) & VT_BYREF)) return V_ARRAY(v);
  return V_ARRAYREF(v) ? *V_ARRAYREF(v) : nullptr;
}

HRESULT GetDispatchProperty(IDispatch* object, const std::wstring& name, VARIANT* value) {
  VariantInit(value);  // cleared by the caller whatever the outcome
  LPOLESTR names[] = {const_cast<LPOLESTR>(name.c_str())};
  DISPID id = DISPID_UNKNOWN;
  HRESULT hr = object->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id);
  if (FAILED(hr)) return hr;
  DISPPARAMS none = {nullptr, nullptr, 0, 0};
  return object->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYGET, &none, value, nullptr, nullptr);
}

// A property of a script object read as a long.
HRESULT GetLongProperty(IDispatch* object, const std::wstring& name, std::int32_t* number) {
  VARIANT value;
  HRESULT hr = GetDispatchProperty(object, name, &value);
  if (SUCCEEDED(hr)) hr = ToLong(&value, number);
  VariantClear(&value);
  return hr;
}

// Reads a script array object (JScript's Array: "length" and the items by
// index name) as longs.
HRESULT LongsFromScriptArray(IDispatch* object, std::vector<std::int32_t>& out) {
  if (!object) return DISP_E_TYPEMISMATCH;
  std::int32_t length = 0;
  if (FAILED(GetLongProperty(object, L"length", &length)) || length < 0) return DISP_E_TYPEMISMATCH;
  if (std::size_t(length) > kMaxArrayItems) return DISP_E_OVERFLOW;
  out.clear();
  for (std::int32_t i = 0; i < length; ++i) {
    std::int32_t number = 0;
    HRESULT hr = GetLongProperty(object, std::to_wstring(i), &number);
    if (FAILED(hr)) return CoercionFailure(hr);  // the object's own failures are no answer of ours
    out.push_back(number);
  }
  return S_OK;
}

// Storage behind the converted arguments of one call, on the stack: the
// member reads the caller's own BSTRs and variables, or values kept here
// until the call returns. A call of the usual kind (numbers and a string of
// the parameters' types) allocates nothing on its way in.
struct ArgumentFrame {
  ArgumentFrame() {
    for (VARIANT& v : converted) V_VT(&v) = VT_EMPTY;
  }
  ~ArgumentFrame() {
    for (std::size_t i = 0; i < count; ++i) Slot(i)->~CDispArg();
    for (VARIANT& v : converted) {
      if (V_VT(&v) != VT_EMPTY) VariantClear(&v);
    }
  }
  ArgumentFrame(const ArgumentFrame&) = delete;
  ArgumentFrame& operator=(const ArgumentFrame&) = delete;

  // The arguments are made in place as they are converted (the count was
  // checked against the member's parameters first); only those are destroyed.
  void Push(CDispArg&& arg) {
    new (Slot(count)) CDispArg(std::move(arg));
    ++count;
  }
  TzGrid::CDispArgSpan Args() { return {Slot(0), count}; }
  CDispArg* Slot(std::size_t i) { return std::launder(reinterpret_cast<CDispArg*>(storage)) + i; }

  // What the by-reference parameters (column lists, font names) point at;
  // made for the few members that have them.
  struct ReferenceStorage {
    std::array<std::vector<std::int32_t>, kMaxParams> longs;
    std::array<std::u16string, kMaxParams> strings;
    // By-reference BSTRs of the caller, written back when the member changed them.
    std::array<BSTR*, kMaxParams> bstrTargets{};
  };
  ReferenceStorage& References() { return references ? *references : references.emplace(); }

  alignas(CDispArg) std::byte storage[kMaxParams * sizeof(CDispArg)];
  std::size_t count = 0;
  // Values coerced to a parameter's type, which borrowed arguments read.
  std::array<VARIANT, kMaxParams> converted;
  std::optional<ReferenceStorage> references;
};

// The column list of a long* parameter: the caller's own long variable, an
// array, a script array object, or one number.
HRESULT LongsFromArgument(const VARIANT* v, std::vector<std::int32_t>& longs) {
  VARTYPE type = VARTYPE(V_VT(v) & ~VT_BYREF);
  if (type & VT_ARRAY) {
    if (type & ~(VT_ARRAY | VT_TYPEMASK)) return DISP_E_TYPEMISMATCH;
    return LongsFromSafeArray(ArrayOf(v), longs);
  }
  if (V_VT(v) == VT_DISPATCH) return LongsFromScriptArray(V_DISPATCH(v), longs);
  if (V_VT(v) == (VT_BYREF | VT_DISPATCH)) return LongsFromScriptArray(*V_DISPATCHREF(v), longs);
  std::int32_t number = 0;
  HRESULT hr = ToLong(v, &number);
  if (SUCCEEDED(hr)) longs.assign(1, number);
  return hr;
}

// A long* parameter. A bare VT_BYREF|VT_I4 is what a C or C++ caller
// builds from the type library: a pointer to the first of its own longs,
// as many as the count it passes beside it (script hosts never pass one:
// VBScript refers to its variables through a VARIANT, JScript passes
// values). The same reference reached through a VARIANT is one variable.
HRESULT ConvertLongReference(const VARIANT* v, bool throughVariant, std::size_t slot, ArgumentFrame& frame) {
  if (V_VT(v) == (VT_BYREF | VT_I4)) {
    std::size_t count = throughVariant ? 1 : CDispArg::kCallerSized;
    frame.Push(CDispArg::ByRefI4(reinterpret_cast<std::int32_t*>(V_I4REF(v)), count));
    return S_OK;
  }
  std::vector<std::int32_t>& longs = frame.References().longs[slot];
  HRESULT hr = LongsFromArgument(v, longs);
  if (FAILED(hr)) return hr;
  // An empty array still needs a valid pointer; its count says there is nothing.
  longs.reserve(1);
  frame.Push(CDispArg::ByRefI4(longs.data(), longs.size()));
  return S_OK;
}

HRESULT ConvertStringReference(const VARIANT* v, std::size_t slot, ArgumentFrame& frame) {
  std::u16string& text = frame.References().strings[slot];
  if (V_VT(v) == (VT_BYREF | VT_BSTR)) {
    text = FromBstr(*V_BSTRREF(v));
    frame.References().bstrTargets[slot] = V_BSTRREF(v);
  } else {
    VARIANT converted;
    HRESULT hr = ChangeType(v, VT_BSTR, &converted);
    if (FAILED(hr)) return hr;
    text = FromBstr(V_BSTR(&converted));
    VariantClear(&converted);
  }
  frame.Push(CDispArg::ByRefBstr(&text));
  return S_OK;
}

// A value already of the parameter's scalar type as an argument. A BSTR is
// borrowed: value must outlive the call.
CDispArg ScalarArgument(const VARIANT& value) {
  switch (V_VT(&value)) {
    case VT_I2: return CDispArg::I2(V_I2(&value));
    case VT_I4: return CDispArg::I4(V_I4(&value));
    case VT_UI2: return CDispArg::UI2(V_UI2(&value));
    case VT_UI4: return CDispArg::UI4(V_UI4(&value));
    case VT_BOOL: return CDispArg::Bool(V_BOOL(&value) != VARIANT_FALSE);
    default: return V_BSTR(&value) ? CDispArg::BorrowedBstr(BstrView(V_BSTR(&value))) : CDispArg::NullBstr();
  }
}

bool IsScalarParameter(VARTYPE want) {
  return want == VT_I2 || want == VT_I4 || want == VT_UI2 || want == VT_UI4 || want == VT_BOOL || want == VT_BSTR;
}

// A value of exactly the parameter's type (the usual case: a long for a
// long, a string for a string) is taken as it is; any other is coerced.
HRESULT ConvertScalar(const VARIANT* in, VARTYPE want, std::size_t slot, ArgumentFrame& frame) {
  if (!IsScalarParameter(want)) return DISP_E_TYPEMISMATCH;
  VARIANT plain;
  HRESULT hr = PlainValue(in, &plain);
  if (FAILED(hr)) return hr;
  if (V_VT(&plain) == want) {
    frame.Push(ScalarArgument(plain));
    return S_OK;
  }
  VARIANT& converted = frame.converted[slot];
  hr = Coerce(plain, want, &converted);
  if (FAILED(hr)) return hr;
  frame.Push(ScalarArgument(converted));
  return S_OK;
}

bool IsMissing(const VARIANT* v) { return V_VT(v) == VT_ERROR && V_ERROR(v) == DISP_E_PARAMNOTFOUND; }

HRESULT ConvertArgument(const VARIANT* in, VARTYPE want, std::size_t slot, ArgumentFrame& frame) {
  const VARIANT* v = nullptr;
  HRESULT hr = LookThrough(in, &v);
  if (FAILED(hr)) return hr;
  if (IsMissing(v)) return DISP_E_PARAMNOTOPTIONAL;
  if (want == (VT_BYREF | VT_I4)) return ConvertLongReference(v, v != in, slot, frame);
  if (want == (VT_BYREF | VT_BSTR)) return ConvertStringReference(v, slot, frame);
  return ConvertScalar(v, want, slot, frame);
}

void WriteBackStrings(const ArgumentFrame& frame) {
  if (!frame.references) return;
  const ArgumentFrame::ReferenceStorage& refs = *frame.references;
  for (std::size_t i = 0; i < kMaxParams; ++i) {
    BSTR* target = refs.bstrTargets[i];
    if (!target || BstrView(*target) == refs.strings[i]) continue;
    SysReAllocStringLen(target, reinterpret_cast<const OLECHAR*>(refs.strings[i].data()), UINT(refs.strings[i].size()));
  }
}

// DISPPARAMS whose counts promise more than its pointers hold cannot be
// read at all: refused before any argument is looked at.
HRESULT CheckParamsShape(const DISPPARAMS* params) {
  if (params->cNamedArgs > params->cArgs) return DISP_E_BADPARAMCOUNT;
  if (params->cArgs > 0 && !params->rgvarg) return DISP_E_BADPARAMCOUNT;
  if (params->cNamedArgs > 0 && !params->rgdispidNamedArgs) return DISP_E_PARAMNOTFOUND;
  return S_OK;
}

// Checks the named arguments: a put carries exactly DISPID_PROPERTYPUT, a
// call or get carries none.
HRESULT CheckNamedArguments(bool isPut, const DISPPARAMS* params) {
  if (isPut) {
    if (params->cNamedArgs != 1 || params->rgdispidNamedArgs[0] != DISPID_PROPERTYPUT) {
      return DISP_E_PARAMNOTOPTIONAL;
    }
    return S_OK;
  }
  return params->cNamedArgs == 0 ? S_OK : DISP_E_NONAMEDARGS;
}

// Converts the DISPPARAMS (last argument first) into the frame, in parameter
// order; on a refusal argErr names the DISPPARAMS index of the culprit.
HRESULT ConvertArguments(const DispEntry& entry, bool isPut, const DISPPARAMS* params, ArgumentFrame& frame,
                         UINT* argErr) {
  std::size_t expected = params->cArgs;
  for (std::size_t i = 0; i < expected; ++i) {
    UINT position = UINT(expected - 1 - i);
    VARTYPE want = isPut ? entry.vtResult : entry.params[i].vt;
    HRESULT hr = ConvertArgument(&params->rgvarg[position], want, i, frame);
    if (FAILED(hr)) {
      if (argErr) *argErr = position;
      return hr;
    }
  }
  return S_OK;
}

// What a script shows when a member failed without a description of its own.
std::wstring DefaultDescription(HRESULT scode) {
  switch (scode) {
    case E_OUTOFMEMORY: return L"not enough memory";
    case E_NOTIMPL: return L"not implemented";
    default: return L"the call failed";
  }
}

// The EXCEPINFO.scode of a member's failure. Running out of memory is the
// control error "Out of memory" (CTL_E_OUTOFMEMORY, error 7), which script
// hosts show by its number: a bare E_OUTOFMEMORY in an EXCEPINFO reaches a
// VBScript Err object as -2147024882 instead. The invalid-argument
// exception is E_INVALIDARG; any other failure keeps its own code.
HRESULT ScodeOf(HRESULT outcome) {
  switch (outcome) {
    case DISP_E_EXCEPTION: return E_INVALIDARG;
    case E_OUTOFMEMORY: return CTL_E_OUTOFMEMORY;
    default: return outcome;
  }
}

// A member that failed once it was called is an exception of the call, as
// Automation clients expect: the reason goes into EXCEPINFO.scode and its
// text into the description, which names the member.
HRESULT ReportMemberFailure(const DispEntry& entry, HRESULT outcome, const std::string& description,
                            EXCEPINFO* excepInfo) {
  HRESULT scode = ScodeOf(outcome);
  std::wstring text = description.empty() ? DefaultDescription(outcome) : Widen(description);
  std::wstring member = Widen(entry.name);
  if (text.compare(0, member.size(), member) != 0) text = member + L": " + text;
  FillExcepInfo(excepInfo, scode, text);
  return DISP_E_EXCEPTION;
}

// The answers the portable call frame gives before it calls the member
// (unknown member, count or type refused) pass through as they are.
bool IsRefusalBeforeTheCall(HRESULT outcome) {
  return HRESULT_FACILITY(outcome) == FACILITY_DISPATCH && outcome != DISP_E_EXCEPTION;
}

HRESULT CallMember(TzGrid::CTzGridCtrl& ctrl, const DispEntry& entry, bool isPut, WORD flags, ArgumentFrame& frame,
                   VARIANT* result, EXCEPINFO* excepInfo) {
  TzGrid::CDispArg value;
  std::string description;
  WORD portableFlags = isPut ? WORD(DISPATCH_PROPERTYPUT) : WORD(flags & (DISPATCH_METHOD | DISPATCH_PROPERTYGET));
  HRESULT outcome = ::HRESULT(ctrl.Invoke(entry.dispid, portableFlags, frame.Args(), &value, &description));
  if (outcome == S_OK) {
    WriteBackStrings(frame);
    if (result && !isPut) outcome = ToVariant(value, result);
    if (outcome == S_OK) return S_OK;
  }
  if (IsRefusalBeforeTheCall(outcome)) return outcome;
  return ReportMemberFailure(entry, outcome, description, excepInfo);
}

HRESULT InvokeEntry(TzGrid::CTzGridCtrl& ctrl, const DispEntry& entry, WORD flags, const DISPPARAMS* params,
                    VARIANT* result, EXCEPINFO* excepInfo, UINT* argErr) {
  HRESULT hr = CheckParamsShape(params);
  if (FAILED(hr)) return hr;
  bool isPut = (flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) != 0;
  if (isPut && entry.kind != TzGrid::DispKind::Property) return DISP_E_MEMBERNOTFOUND;
  hr = CheckNamedArguments(isPut, params);
  if (FAILED(hr)) return hr;
  std::size_t expected = isPut ? 1 : std::size_t(entry.cParams);
  if (params->cArgs != expected) return DISP_E_BADPARAMCOUNT;

  ArgumentFrame frame;
  hr = ConvertArguments(entry, isPut, params, frame, argErr);
  if (hr == E_OUTOFMEMORY) return ReportMemberFailure(entry, hr, "not enough memory for the arguments", excepInfo);
  if (FAILED(hr)) return hr;
  return CallMember(ctrl, entry, isPut, flags, frame, result, excepInfo);
}

// IDispatch::GetIDsOfNames of the grid once the arrays are known to be there.
HRESULT LookUpNames(LPOLESTR* names, UINT count, DISPID* ids) {
  if (count == 0) return S_OK;
  for (UINT i = 0; i < count; ++i) ids[i] = DISPID_UNKNOWN;
  const DispEntry* entry = names[0] ? TzGrid::FindDispEntry(ToU16(names[0], std::wcslen(names[0]))) : nullptr;
  if (!entry) return DISP_E_UNKNOWNNAME;
  ids[0] = entry->dispid;
  HRESULT hr = S_OK;
  for (UINT i = 1; i < count; ++i) {
    for (int p = 0; p < entry->cParams && names[i]; ++p) {
      if (_wcsicmp(names[i], Widen(entry->params[std::size_t(p)].name).c_str()) == 0) ids[i] = p;
    }
    if (ids[i] == DISPID_UNKNOWN) hr = DISP_E_UNKNOWNNAME;
  }
  return hr;
}

}  // namespace

HRESULT ToVariant(const CDispArg& value, VARIANT* out) {
  VariantInit(out);
  switch (value.Type()) {
    case TzGrid::VT_EMPTY: return S_OK;
    case TzGrid::VT_I2: V_VT(out) = VT_I2; V_I2(out) = SHORT(value.Integer()); return S_OK;
    case TzGrid::VT_I4: V_VT(out) = VT_I4; V_I4(out) = LONG(value.Integer()); return S_OK;
    case TzGrid::VT_UI2: V_VT(out) = VT_UI2; V_UI2(out) = USHORT(value.Integer()); return S_OK;
    case TzGrid::VT_UI4: V_VT(out) = VT_UI4; V_UI4(out) = ULONG(value.Integer()); return S_OK;
    case TzGrid::VT_BOOL:
      V_VT(out) = VT_BOOL;
      V_BOOL(out) = value.Integer() ? VARIANT_TRUE : VARIANT_FALSE;
      return S_OK;
    case TzGrid::VT_BSTR:
      V_BSTR(out) = ToBstr(value.String());
      if (!V_BSTR(out) && !value.String().empty()) return E_OUTOFMEMORY;
      V_VT(out) = VT_BSTR;
      return S_OK;
    default: return DISP_E_TYPEMISMATCH;
  }
}

void FillExcepInfo(EXCEPINFO* info, HRESULT scode, const std::wstring& description) {
  if (!info) return;
  ZeroMemory(info, sizeof(*info));
  info->wCode = 0;
  info->scode = scode;
  info->bstrSource = SysAllocString(L"TzGrid");
  info->bstrDescription = SysAllocStringLen(description.data(), UINT(description.size()));
}

HRESULT InvokeGridMember(TzGrid::CTzGridCtrl& ctrl, DISPID dispid, WORD flags, DISPPARAMS* params, VARIANT* result,
                         EXCEPINFO* excepInfo, UINT* argErr) {
  const DispEntry* entry = TzGrid::FindDispEntry(TzGrid::DISPID(dispid));
  if (!entry) return DISP_E_MEMBERNOTFOUND;
  DISPPARAMS none = {nullptr, nullptr, 0, 0};
  try {
    return InvokeEntry(ctrl, *entry, flags, params ? params : &none, result, excepInfo, argErr);
  } catch (const std::exception&) {
    // Copying a huge argument or result (a text of hundreds of megabytes)
    // may not fit: the call fails as out of memory instead of letting a C++
    // exception cross the COM boundary.
    FillExcepInfo(excepInfo, ScodeOf(E_OUTOFMEMORY), L"not enough memory to pass the arguments or the result");
    return DISP_E_EXCEPTION;
  }
}

HRESULT GetGridDispIds(LPOLESTR* names, UINT count, DISPID* ids) {
  if (!names || !ids) return E_POINTER;
  try {
    return LookUpNames(names, count, ids);
  } catch (const std::exception&) {
    return E_OUTOFMEMORY;
  }
}

}  // namespace TzGridCom
