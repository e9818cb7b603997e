// The registered type library against the control's dispatch and event
// maps, member by member: names, DISPIDs, kinds, result and parameter
// types, parameter names and help strings; then the library's and the
// classes' identity and flags, and what the live control reports of itself.
#include "../../src/platform/win32/win32.h"

#include "../../src/automation/DispatchMap.h"
#include "../../src/module/TzGridIds.h"
#include "HostKit.h"

#include <cstring>
#include <cwctype>
#include <map>
#include <set>

namespace ModuleTest {

namespace {

using TzGridCom::CLSID_TzGrid;
using TzGridCom::DIID_DTzGrid;
using TzGridCom::DIID_DTzGridEvents;
using TzGridCom::LIBID_TzGridLib;

std::wstring Widen(const char* text) { return std::wstring(text, text + std::strlen(text)); }

std::wstring FromBstr(BSTR text) { return text ? std::wstring(text, SysStringLen(text)) : std::wstring(); }

// A type description as the portable VARTYPE: VT_PTR to T becomes VT_BYREF | T.
VARTYPE PortableType(const TYPEDESC& desc) {
  if (desc.vt == VT_PTR && desc.lptdesc) return VARTYPE(VT_BYREF | desc.lptdesc->vt);
  return desc.vt;
}

struct FuncInfo {
  MEMBERID memid;
  INVOKEKIND kind;
  FUNCKIND funcKind;
  VARTYPE result;
  std::vector<VARTYPE> params;
  std::vector<std::wstring> names;  // member name first, then parameters
  std::wstring help;
};

std::vector<FuncInfo> ReadFunctions(ITypeInfo* info) {
  std::vector<FuncInfo> out;
  TYPEATTR* attr = nullptr;
  if (FAILED(info->GetTypeAttr(&attr))) return out;
  WORD count = attr->cFuncs;
  info->ReleaseTypeAttr(attr);
  for (UINT i = 0; i < count; ++i) {
    FUNCDESC* desc = nullptr;
    if (FAILED(info->GetFuncDesc(i, &desc))) continue;
    FuncInfo f;
    f.memid = desc->memid;
    f.kind = desc->invkind;
    f.funcKind = desc->funckind;
    f.result = PortableType(desc->elemdescFunc.tdesc);
    for (SHORT p = 0; p < desc->cParams; ++p) f.params.push_back(PortableType(desc->lprgelemdescParam[p].tdesc));
    BSTR names[8] = {};
    UINT got = 0;
    info->GetNames(desc->memid, names, 8, &got);
    // GetNames answers for the first function with the memid; the put of a
    // property has its own parameter name, taken from its own index.
    for (UINT n = 0; n < got; ++n) {
      f.names.push_back(FromBstr(names[n]));
      SysFreeString(names[n]);
    }
    BSTR help = nullptr;
    info->GetDocumentation(desc->memid, nullptr, &help, nullptr, nullptr);
    f.help = FromBstr(help);
    SysFreeString(help);
    info->ReleaseFuncDesc(desc);
    out.push_back(std::move(f));
  }
  return out;
}

const FuncInfo* FindFunction(const std::vector<FuncInfo>& funcs, MEMBERID memid, INVOKEKIND kind) {
  for (const FuncInfo& f : funcs) {
    if (f.memid == memid && f.kind == kind) return &f;
  }
  return nullptr;
}

void CheckDispatchInterface(ITypeInfo* info) {
  TYPEATTR* attr = nullptr;
  if (!CHECK(SUCCEEDED(info->GetTypeAttr(&attr)))) return;
  CHECK(attr->typekind == TKIND_DISPATCH);
  CHECK(IsEqualGUID(attr->guid, DIID_DTzGrid));
  CHECK((attr->wTypeFlags & TYPEFLAG_FDISPATCHABLE) != 0);
  info->ReleaseTypeAttr(attr);

  std::vector<FuncInfo> funcs = ReadFunctions(info);
  std::size_t expectedFuncs = 0;
  for (const TzGrid::DispEntry& e : TzGrid::GetDispatchMap()) {
    std::string where = std::string(" (member ") + e.name + ")";
    std::wstring name = Widen(e.name);
    bool property = e.kind == TzGrid::DispKind::Property;
    std::wstring help = e.hasHelpString ? (property ? L"property " : L"method ") + name : std::wstring();
    if (property) {
      expectedFuncs += 2;
      const FuncInfo* get = FindFunction(funcs, e.dispid, INVOKE_PROPERTYGET);
      const FuncInfo* put = FindFunction(funcs, e.dispid, INVOKE_PROPERTYPUT);
      if (!Check(get && put, ("property get and put present" + where).c_str(), __FILE__, __LINE__)) continue;
      Check(get->names.size() >= 1 && get->names[0] == name, ("property name" + where).c_str(), __FILE__, __LINE__);
      Check(get->result == e.vtResult && get->params.empty(), ("get type" + where).c_str(), __FILE__, __LINE__);
      Check(put->result == VT_VOID && put->params.size() == 1 && put->params[0] == e.vtResult,
            ("put type" + where).c_str(), __FILE__, __LINE__);
      Check(get->help == help && put->help == help, ("help string" + where).c_str(), __FILE__, __LINE__);
      Check(get->funcKind == FUNC_DISPATCH, ("dispatch function" + where).c_str(), __FILE__, __LINE__);
      continue;
    }
    expectedFuncs += 1;
    const FuncInfo* f = FindFunction(funcs, e.dispid, INVOKE_FUNC);
    if (!Check(f != nullptr, ("method present under its DISPID" + where).c_str(), __FILE__, __LINE__)) continue;
    Check(f->funcKind == FUNC_DISPATCH, ("dispatch function" + where).c_str(), __FILE__, __LINE__);
    Check(!f->names.empty() && f->names[0] == name, ("method name" + where).c_str(), __FILE__, __LINE__);
    Check(f->result == e.vtResult, ("result type" + where).c_str(), __FILE__, __LINE__);
    Check(f->params.size() == std::size_t(e.cParams), ("parameter count" + where).c_str(), __FILE__, __LINE__);
    for (int p = 0; p < e.cParams && std::size_t(p) < f->params.size(); ++p) {
      const TzGrid::DispParamInfo& param = e.params[std::size_t(p)];
      Check(f->params[std::size_t(p)] == param.vt, ("type of parameter " + std::string(param.name) + where).c_str(),
            __FILE__, __LINE__);
      bool named = f->names.size() > std::size_t(p + 1) && f->names[std::size_t(p + 1)] == Widen(param.name);
      Check(named, ("name of parameter " + std::string(param.name) + where).c_str(), __FILE__, __LINE__);
    }
    Check(f->help == help, ("help string" + where).c_str(), __FILE__, __LINE__);
  }
  // Nothing in the library that the dispatch map does not serve.
  CHECK(funcs.size() == expectedFuncs);
  std::set<MEMBERID> ids;
  for (const FuncInfo& f : funcs) ids.insert(f.memid);
  CHECK(ids.size() == TzGrid::GetDispatchMap().size());
  CHECK(ids.count(28) == 0);
}

void CheckEventInterface(ITypeInfo* info) {
  TYPEATTR* attr = nullptr;
  if (!CHECK(SUCCEEDED(info->GetTypeAttr(&attr)))) return;
  CHECK(attr->typekind == TKIND_DISPATCH);
  CHECK(IsEqualGUID(attr->guid, DIID_DTzGridEvents));
  info->ReleaseTypeAttr(attr);
  std::vector<FuncInfo> funcs = ReadFunctions(info);
  CHECK(funcs.size() == TzGrid::GetEventMap().size());
  for (const TzGrid::EventEntry& e : TzGrid::GetEventMap()) {
    const FuncInfo* f = FindFunction(funcs, e.dispid, INVOKE_FUNC);
    std::string where = std::string(" (event ") + e.name + ")";
    if (!Check(f != nullptr, ("event present" + where).c_str(), __FILE__, __LINE__)) continue;
    Check(f->names.size() == 3 && f->names[0] == Widen(e.name) && f->names[1] == Widen(e.params[0].name) &&
              f->names[2] == Widen(e.params[1].name),
          ("event and parameter names" + where).c_str(), __FILE__, __LINE__);
    Check(f->result == VT_VOID && f->params.size() == 2 && f->params[0] == VT_I4 && f->params[1] == VT_I4,
          ("event types" + where).c_str(), __FILE__, __LINE__);
  }
}

void CheckCoclass(ITypeInfo* info) {
  TYPEATTR* attr = nullptr;
  if (!CHECK(SUCCEEDED(info->GetTypeAttr(&attr)))) return;
  CHECK(attr->typekind == TKIND_COCLASS);
  CHECK(IsEqualGUID(attr->guid, CLSID_TzGrid));
  CHECK((attr->wTypeFlags & TYPEFLAG_FCONTROL) != 0);
  CHECK((attr->wTypeFlags & TYPEFLAG_FCANCREATE) != 0);
  CHECK(attr->cImplTypes == 2);
  WORD implCount = attr->cImplTypes;
  info->ReleaseTypeAttr(attr);
  BSTR name = nullptr, help = nullptr;
  info->GetDocumentation(MEMBERID_NIL, &name, &help, nullptr, nullptr);
  CHECK(FromBstr(name) == L"TzGrid");
  CHECK(FromBstr(help).empty());
  SysFreeString(name);
  SysFreeString(help);

  bool sawDefault = false, sawSource = false;
  for (UINT i = 0; i < implCount; ++i) {
    INT flags = 0;
    HREFTYPE ref = 0;
    ITypeInfo* implemented = nullptr;
    if (FAILED(info->GetImplTypeFlags(i, &flags)) || FAILED(info->GetRefTypeOfImplType(i, &ref)) ||
        FAILED(info->GetRefTypeInfo(ref, &implemented))) {
      CHECK(!"implemented type readable");
      continue;
    }
    TYPEATTR* implAttr = nullptr;
    implemented->GetTypeAttr(&implAttr);
    if (implAttr && IsEqualGUID(implAttr->guid, DIID_DTzGrid)) {
      sawDefault = flags == IMPLTYPEFLAG_FDEFAULT;
    } else if (implAttr && IsEqualGUID(implAttr->guid, DIID_DTzGridEvents)) {
      sawSource = flags == (IMPLTYPEFLAG_FDEFAULT | IMPLTYPEFLAG_FSOURCE);
    }
    if (implAttr) implemented->ReleaseTypeAttr(implAttr);
    implemented->Release();
  }
  CHECK(sawDefault);
  CHECK(sawSource);
}

void CheckLibrary(ITypeLib* lib) {
  TLIBATTR* attr = nullptr;
  if (!CHECK(SUCCEEDED(lib->GetLibAttr(&attr)))) return;
  CHECK(IsEqualGUID(attr->guid, LIBID_TzGridLib));
  CHECK(attr->wMajorVerNum == 1 && attr->wMinorVerNum == 0);
  CHECK(attr->lcid == 1033);
  CHECK((attr->wLibFlags & LIBFLAG_FCONTROL) != 0);
  lib->ReleaseTLibAttr(attr);
  BSTR name = nullptr, help = nullptr;
  lib->GetDocumentation(-1, &name, &help, nullptr, nullptr);
  CHECK(FromBstr(name) == L"TzGridLib");
  CHECK(FromBstr(help).empty());
  SysFreeString(name);
  SysFreeString(help);
  CHECK(lib->GetTypeInfoCount() == 3);
}

// What a live control says about its types agrees with the library.
void CheckLiveControl() {
  IDispatch* grid = nullptr;
  if (!CHECK(SUCCEEDED(CoCreateInstance(CLSID_TzGrid, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch,
                                        reinterpret_cast<void**>(&grid))))) {
    return;
  }
  UINT count = 0;
  CHECK(SUCCEEDED(grid->GetTypeInfoCount(&count)) && count == 1);
  ITypeInfo* info = nullptr;
  if (CHECK(SUCCEEDED(grid->GetTypeInfo(0, 0, &info)))) {
    TYPEATTR* attr = nullptr;
    info->GetTypeAttr(&attr);
    CHECK(attr && IsEqualGUID(attr->guid, DIID_DTzGrid));
    if (attr) info->ReleaseTypeAttr(attr);
    info->Release();
  }
  CHECK_HR(grid->GetTypeInfo(1, 0, &info), DISP_E_BADINDEX);
  // Every member name resolves to its DISPID, in any letter case.
  for (const TzGrid::DispEntry& e : TzGrid::GetDispatchMap()) {
    std::wstring name = Widen(e.name);
    std::wstring lower = name;
    for (wchar_t& c : lower) c = wchar_t(towlower(c));
    for (const std::wstring& asked : {name, lower}) {
      LPOLESTR names[] = {const_cast<LPOLESTR>(asked.c_str())};
      DISPID id = 0;
      HRESULT hr = grid->GetIDsOfNames(IID_NULL, names, 1, 0, &id);
      Check(hr == S_OK && id == e.dispid, ("GetIDsOfNames of " + Narrow(asked)).c_str(), __FILE__, __LINE__);
    }
  }
  LPOLESTR unknown[] = {const_cast<LPOLESTR>(L"NoSuchMember")};
  DISPID id = 0;
  CHECK_HR(grid->GetIDsOfNames(IID_NULL, unknown, 1, 0, &id), DISP_E_UNKNOWNNAME);
  LPOLESTR withParams[] = {const_cast<LPOLESTR>(L"SetCellText"), const_cast<LPOLESTR>(L"TextData"),
                           const_cast<LPOLESTR>(L"Row")};
  DISPID ids[3] = {};
  CHECK_HR(grid->GetIDsOfNames(IID_NULL, withParams, 3, 0, ids), S_OK);
  CHECK(ids[0] == 7 && ids[1] == 2 && ids[2] == 0);

  IProvideClassInfo2* classInfo = nullptr;
  if (CHECK(SUCCEEDED(grid->QueryInterface(IID_IProvideClassInfo2, reinterpret_cast<void**>(&classInfo))))) {
    GUID source{};
    CHECK(SUCCEEDED(classInfo->GetGUID(GUIDKIND_DEFAULT_SOURCE_DISP_IID, &source)) &&
          IsEqualGUID(source, DIID_DTzGridEvents));
    ITypeInfo* coclass = nullptr;
    if (CHECK(SUCCEEDED(classInfo->GetClassInfo(&coclass)))) {
      TYPEATTR* attr = nullptr;
      coclass->GetTypeAttr(&attr);
      CHECK(attr && attr->typekind == TKIND_COCLASS && IsEqualGUID(attr->guid, CLSID_TzGrid));
      if (attr) coclass->ReleaseTypeAttr(attr);
      coclass->Release();
    }
    classInfo->Release();
  }
  grid->Release();
}

}  // namespace

void RunTypeLibTests() {
  ITypeLib* lib = nullptr;
  HRESULT hr = LoadRegTypeLib(LIBID_TzGridLib, 1, 0, 1033, &lib);
  if (!Check(SUCCEEDED(hr), ("LoadRegTypeLib of TzGridLib 1.0: " + Hex(hr)).c_str(), __FILE__, __LINE__)) return;
  CheckLibrary(lib);
  ITypeInfo* info = nullptr;
  if (CHECK(SUCCEEDED(lib->GetTypeInfoOfGuid(DIID_DTzGrid, &info)))) {
    CheckDispatchInterface(info);
    info->Release();
  }
  if (CHECK(SUCCEEDED(lib->GetTypeInfoOfGuid(DIID_DTzGridEvents, &info)))) {
    CheckEventInterface(info);
    info->Release();
  }
  if (CHECK(SUCCEEDED(lib->GetTypeInfoOfGuid(CLSID_TzGrid, &info)))) {
    CheckCoclass(info);
    info->Release();
  }
  lib->Release();
  CheckLiveControl();
}

}  // namespace ModuleTest
