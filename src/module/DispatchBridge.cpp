#include "DispatchBridge.h"

#include <array>
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

std::u16string FromBstr(BSTR text) { return text ? ToU16(text, SysStringLen(text)) : std::u16string(); }

BSTR ToBstr(const std::u16string& text) {
  return SysAllocStringLen(reinterpret_cast<const OLECHAR*>(text.data()), UINT(text.size()));
}

std::wstring Widen(const std::string& text) {
  if (text.empty()) return std::wstring();
  int n = MultiByteToWideChar(CP_UTF8, 0, text.data(), int(text.size()), nullptr, 0);
  std::wstring out(std::size_t(n > 0 ? n : 0), L'\0');
  if (n > 0) MultiByteToWideChar(CP_UTF8, 0, text.data(), int(text.size()), out.data(), n);
  return out;
}

// Script hosts pass variables as references to VARIANTs; look through them.
const VARIANT* Dereference(const VARIANT* v) {
  while (V_VT(v) == (VT_BYREF | VT_VARIANT) && V_VARIANTREF(v)) v = V_VARIANTREF(v);
  return v;
}

// One argument converted to a scalar type with the Automation coercion rules.
HRESULT ChangeType(const VARIANT* in, VARTYPE vt, VARIANT* out) {
  VariantInit(out);
  VARIANT plain;
  VariantInit(&plain);
  HRESULT hr = VariantCopyInd(&plain, const_cast<VARIANT*>(in));
  if (SUCCEEDED(hr)) hr = VariantChangeType(out, &plain, 0, vt);
  VariantClear(&plain);
  return hr;
}

// Reads the numbers of a one-dimensional SAFEARRAY as longs.
HRESULT LongsFromSafeArray(SAFEARRAY* array, std::vector<std::int32_t>& out) {
  if (!array) return DISP_E_TYPEMISMATCH;
  if (SafeArrayGetDim(array) != 1) return DISP_E_TYPEMISMATCH;
  LONG lower = 0, upper = -1;
  if (FAILED(SafeArrayGetLBound(array, 1, &lower)) || FAILED(SafeArrayGetUBound(array, 1, &upper))) {
    return DISP_E_TYPEMISMATCH;
  }
  VARTYPE vt = VT_EMPTY;
  if (FAILED(SafeArrayGetVartype(array, &vt))) return DISP_E_TYPEMISMATCH;
  LONGLONG count = LONGLONG(upper) - lower + 1;
  if (count < 0) count = 0;
  if (std::size_t(count) > kMaxArrayItems) return DISP_E_OVERFLOW;
  out.clear();
  for (LONG index = lower; index <= upper; ++index) {
    VARIANT element;
    VariantInit(&element);
    HRESULT hr;
    if (vt == VT_VARIANT) {
      hr = SafeArrayGetElement(array, &index, &element);
    } else {
      // Any other element type: read it into a VARIANT of that type.
      V_VT(&element) = vt;
      hr = SafeArrayGetElement(array, &index, &V_UI1(&element));
    }
    VARIANT number;
    if (SUCCEEDED(hr)) hr = ChangeType(&element, VT_I4, &number);
    VariantClear(&element);
    if (FAILED(hr)) return hr;
    out.push_back(V_I4(&number));
  }
  return S_OK;
}

HRESULT GetDispatchProperty(IDispatch* object, const std::wstring& name, VARIANT* value) {
  LPOLESTR names[] = {const_cast<LPOLESTR>(name.c_str())};
  DISPID id = DISPID_UNKNOWN;
  HRESULT hr = object->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id);
  if (FAILED(hr)) return hr;
  DISPPARAMS none = {nullptr, nullptr, 0, 0};
  VariantInit(value);
  return object->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYGET, &none, value, nullptr, nullptr);
}

// Reads a script array object (JScript's Array: "length" and the items by
// index name) as longs.
HRESULT LongsFromScriptArray(IDispatch* object, std::vector<std::int32_t>& out) {
  if (!object) return DISP_E_TYPEMISMATCH;
  VARIANT lengthValue, length;
  HRESULT hr = GetDispatchProperty(object, L"length", &lengthValue);
  if (FAILED(hr)) return DISP_E_TYPEMISMATCH;
  hr = ChangeType(&lengthValue, VT_I4, &length);
  VariantClear(&lengthValue);
  if (FAILED(hr) || V_I4(&length) < 0) return DISP_E_TYPEMISMATCH;
  if (std::size_t(V_I4(&length)) > kMaxArrayItems) return DISP_E_OVERFLOW;
  out.clear();
  for (LONG i = 0; i < V_I4(&length); ++i) {
    VARIANT item, number;
    hr = GetDispatchProperty(object, std::to_wstring(i), &item);
    if (SUCCEEDED(hr)) hr = ChangeType(&item, VT_I4, &number);
    VariantClear(&item);
    if (FAILED(hr)) return hr;
    out.push_back(V_I4(&number));
  }
  return S_OK;
}

// Storage behind the converted arguments of one call: references handed to
// the member point here (or straight into the caller's variables).
struct ArgumentFrame {
  CDispArgs args;
  std::array<std::vector<std::int32_t>, kMaxParams> longs;
  std::array<std::u16string, kMaxParams> strings;
  // By-reference BSTRs of the caller, written back when the member changed them.
  std::array<BSTR*, kMaxParams> bstrTargets{};
};

HRESULT ConvertLongReference(const VARIANT* in, std::size_t slot, ArgumentFrame& frame) {
  const VARIANT* v = Dereference(in);
  std::vector<std::int32_t>& longs = frame.longs[slot];
  if (V_VT(v) == (VT_BYREF | VT_I4) && V_I4REF(v)) {
    frame.args.push_back(CDispArg::ByRefI4(reinterpret_cast<std::int32_t*>(V_I4REF(v)), 1));
    return S_OK;
  }
  HRESULT hr;
  if (V_VT(v) & VT_ARRAY) {
    SAFEARRAY* array = (V_VT(v) & VT_BYREF) ? (V_ARRAYREF(v) ? *V_ARRAYREF(v) : nullptr) : V_ARRAY(v);
    hr = LongsFromSafeArray(array, longs);
  } else if (V_VT(v) == VT_DISPATCH) {
    hr = LongsFromScriptArray(V_DISPATCH(v), longs);
  } else if (V_VT(v) == (VT_BYREF | VT_DISPATCH)) {
    hr = LongsFromScriptArray(V_DISPATCHREF(v) ? *V_DISPATCHREF(v) : nullptr, longs);
  } else {
    // A single number, as a literal or a variable of another type.
    VARIANT number;
    hr = ChangeType(v, VT_I4, &number);
    if (SUCCEEDED(hr)) longs.assign(1, V_I4(&number));
  }
  if (FAILED(hr)) return hr;
  // An empty array still needs a valid pointer; its count says there is nothing.
  longs.reserve(1);
  frame.args.push_back(CDispArg::ByRefI4(longs.data(), longs.size()));
  return S_OK;
}

HRESULT ConvertStringReference(const VARIANT* in, std::size_t slot, ArgumentFrame& frame) {
  const VARIANT* v = Dereference(in);
  std::u16string& text = frame.strings[slot];
  if (V_VT(v) == (VT_BYREF | VT_BSTR) && V_BSTRREF(v)) {
    text = FromBstr(*V_BSTRREF(v));
    frame.bstrTargets[slot] = V_BSTRREF(v);
  } else {
    VARIANT converted;
    HRESULT hr = ChangeType(v, VT_BSTR, &converted);
    if (FAILED(hr)) return hr;
    text = FromBstr(V_BSTR(&converted));
    VariantClear(&converted);
  }
  frame.args.push_back(CDispArg::ByRefBstr(&text));
  return S_OK;
}

HRESULT ConvertScalar(const VARIANT* in, VARTYPE want, ArgumentFrame& frame) {
  VARIANT converted;
  HRESULT hr = ChangeType(Dereference(in), want, &converted);
  if (FAILED(hr)) return hr;
  switch (want) {
    case VT_I2: frame.args.push_back(CDispArg::I2(V_I2(&converted))); break;
    case VT_I4: frame.args.push_back(CDispArg::I4(V_I4(&converted))); break;
    case VT_UI2: frame.args.push_back(CDispArg::UI2(V_UI2(&converted))); break;
    case VT_UI4: frame.args.push_back(CDispArg::UI4(V_UI4(&converted))); break;
    case VT_BOOL: frame.args.push_back(CDispArg::Bool(V_BOOL(&converted) != VARIANT_FALSE)); break;
    case VT_BSTR:
      frame.args.push_back(V_BSTR(&converted) ? CDispArg::Bstr(FromBstr(V_BSTR(&converted))) : CDispArg::NullBstr());
      break;
    default:
      VariantClear(&converted);
      return DISP_E_TYPEMISMATCH;
  }
  VariantClear(&converted);
  return S_OK;
}

bool IsMissing(const VARIANT* v) {
  v = Dereference(v);
  return V_VT(v) == VT_ERROR && V_ERROR(v) == DISP_E_PARAMNOTFOUND;
}

HRESULT ConvertArgument(const VARIANT* in, VARTYPE want, std::size_t slot, ArgumentFrame& frame) {
  if (IsMissing(in)) return DISP_E_PARAMNOTOPTIONAL;
  if (want == (VT_BYREF | VT_I4)) return ConvertLongReference(in, slot, frame);
  if (want == (VT_BYREF | VT_BSTR)) return ConvertStringReference(in, slot, frame);
  return ConvertScalar(in, want, frame);
}

void WriteBackStrings(const ArgumentFrame& frame) {
  for (std::size_t i = 0; i < kMaxParams; ++i) {
    BSTR* target = frame.bstrTargets[i];
    if (!target || FromBstr(*target) == frame.strings[i]) continue;
    SysReAllocStringLen(target, reinterpret_cast<const OLECHAR*>(frame.strings[i].data()),
                        UINT(frame.strings[i].size()));
  }
}

// Checks the named arguments: a put carries exactly DISPID_PROPERTYPUT, a
// call or get carries none.
HRESULT CheckNamedArguments(bool isPut, const DISPPARAMS* params) {
  if (isPut) {
    if (params->cNamedArgs != 1 || !params->rgdispidNamedArgs ||
        params->rgdispidNamedArgs[0] != DISPID_PROPERTYPUT) {
      return DISP_E_PARAMNOTOPTIONAL;
    }
    return S_OK;
  }
  return params->cNamedArgs == 0 ? S_OK : DISP_E_NONAMEDARGS;
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
      V_VT(out) = VT_BSTR;
      V_BSTR(out) = ToBstr(value.String());
      return V_BSTR(out) || value.String().empty() ? S_OK : E_OUTOFMEMORY;
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
  if (!params) params = &none;

  bool isPut = (flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) != 0;
  if (isPut && entry->kind != TzGrid::DispKind::Property) return DISP_E_MEMBERNOTFOUND;
  HRESULT hr = CheckNamedArguments(isPut, params);
  if (FAILED(hr)) return hr;

  std::size_t expected = isPut ? 1 : std::size_t(entry->cParams);
  if (params->cArgs != expected) return DISP_E_BADPARAMCOUNT;

  ArgumentFrame frame;
  frame.args.reserve(expected);
  for (std::size_t i = 0; i < expected; ++i) {
    UINT position = UINT(expected - 1 - i);  // DISPPARAMS holds the last argument first
    VARTYPE want = isPut ? entry->vtResult : entry->params[i].vt;
    hr = ConvertArgument(&params->rgvarg[position], want, i, frame);
    if (FAILED(hr)) {
      if (argErr) *argErr = position;
      return hr;
    }
  }

  TzGrid::CDispArg value;
  std::string description;
  WORD portableFlags = isPut ? WORD(DISPATCH_PROPERTYPUT) : WORD(flags & (DISPATCH_METHOD | DISPATCH_PROPERTYGET));
  TzGrid::HRESULT outcome = ctrl.Invoke(TzGrid::DISPID(dispid), portableFlags, frame.args, &value, &description);
  switch (::HRESULT(outcome)) {
    case S_OK:
      WriteBackStrings(frame);
      if (result && !isPut) return ToVariant(value, result);
      return S_OK;
    case DISP_E_EXCEPTION:
      // The framework's invalid-argument exception is the failure a member
      // raises for a bad index; the description names the member and index.
      FillExcepInfo(excepInfo, E_INVALIDARG, Widen(description));
      return DISP_E_EXCEPTION;
    default:
      return ::HRESULT(outcome);
  }
}

HRESULT GetGridDispIds(LPOLESTR* names, UINT count, DISPID* ids) {
  if (!names || !ids) return E_POINTER;
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

}  // namespace TzGridCom
