// The registered type library against the control's dispatch map: every
// member's name, DISPID, kind, result and parameter types and
// parameter names, written out the same way from both and
// compared; and the coclass's flags and interfaces. (Parameter names are
// resolved by the bridge as the library names them: the dispatch tests.)
#include "../../src/platform/win32/win32.h"

#include "../../src/automation/DispatchMap.h"
#include "../../src/module/TzGridIds.h"
#include "HostKit.h"

#include <map>

namespace ModuleTest {

namespace {

using TzGridCom::CLSID_TzGrid;
using TzGridCom::DIID_DTzGrid;
using TzGridCom::DIID_DTzGridEvents;

// Members by (DISPID, invoke kind): "Name(type name, ...) -> type".
using Signatures = std::map<std::pair<MEMBERID, int>, std::string>;

// A type description as the portable VARTYPE: VT_PTR to T becomes VT_BYREF | T.
std::string TypeName(const TYPEDESC& desc) {
  return std::to_string(desc.vt == VT_PTR && desc.lptdesc ? VT_BYREF | desc.lptdesc->vt : desc.vt);
}

// A member as the dispatch map describes it.
template <std::size_t N>
std::string Signature(const char* name, const std::array<TzGrid::DispParamInfo, N>& params, int count, VARTYPE result) {
  std::string text = std::string(name) + "(";
  for (int p = 0; p < count; ++p) {
    text += std::to_string(params[std::size_t(p)].vt) + " " + params[std::size_t(p)].name + ", ";
  }
  return text + ") -> " + std::to_string(result);
}

TYPEATTR Attributes(ITypeInfo* info) {
  TYPEATTR copy{};
  TYPEATTR* attr = nullptr;
  if (!CHECK(info && SUCCEEDED(info->GetTypeAttr(&attr)))) return copy;
  copy = *attr;
  info->ReleaseTypeAttr(attr);
  return copy;
}

// A member as the type library describes it, in the same words.
Signatures ReadSignatures(ITypeInfo* info) {
  Signatures out;
  for (UINT i = 0; i < Attributes(info).cFuncs; ++i) {
    FUNCDESC* desc = nullptr;
    if (!CHECK(SUCCEEDED(info->GetFuncDesc(i, &desc)))) continue;
    // GetNames answers for the first function with the DISPID: the put of
    // a property gets its get's names, which have no parameter.
    BSTR names[8] = {};
    UINT got = 0;
    info->GetNames(desc->memid, names, 8, &got);
    std::vector<std::string> taken;
    for (UINT n = 0; n < got; ++n) {
      taken.push_back(Narrow(std::wstring(names[n], SysStringLen(names[n]))));
      SysFreeString(names[n]);
    }
    taken.resize(std::size_t(desc->cParams) + 1, "<unnamed>");
    std::string text = taken[0] + (desc->funckind == FUNC_DISPATCH ? "(" : " (not dispatch)(");
    for (SHORT p = 0; p < desc->cParams; ++p) {
      text += TypeName(desc->lprgelemdescParam[p].tdesc);
      text += (desc->invkind == INVOKE_FUNC ? " " + taken[std::size_t(p) + 1] : "") + ", ";
    }
    text += ") -> " + TypeName(desc->elemdescFunc.tdesc);
    out[{desc->memid, desc->invkind}] = text;
    info->ReleaseFuncDesc(desc);
  }
  return out;
}

Signatures MapSignatures() {
  Signatures out;
  for (const TzGrid::DispEntry& e : TzGrid::GetDispatchMap()) {
    if (e.kind != TzGrid::DispKind::Property) {
      out[{e.dispid, INVOKE_FUNC}] = Signature(e.name, e.params, e.cParams, e.vtResult);
      continue;
    }
    std::string vt = std::to_string(e.vtResult);
    out[{e.dispid, INVOKE_PROPERTYGET}] = std::string(e.name) + "() -> " + vt;
    out[{e.dispid, INVOKE_PROPERTYPUT}] = std::string(e.name) + "(" + vt + ", ) -> 24";
  }
  return out;
}

void Compare(const Signatures& library, const Signatures& map, const std::string& what) {
  for (const auto& [key, text] : map) {
    std::string found = library.count(key) ? library.at(key) : "nothing";
    Check(found == text, what + ": the map has " + text + ", the library " + found, __FILE__, __LINE__);
  }
  Check(library.size() == map.size(), what + ": members the map does not serve", __FILE__, __LINE__);
}

// The coclass: a creatable control whose default interface is _DTzGrid and
// whose default source is _DTzGridEvents.
void CheckCoclass(ITypeInfo* info) {
  TYPEATTR attr = Attributes(info);
  CHECK(attr.typekind == TKIND_COCLASS && (attr.wTypeFlags & TYPEFLAG_FCONTROL) &&
        (attr.wTypeFlags & TYPEFLAG_FCANCREATE) && attr.cImplTypes == 2);
  INT defaultFlags = -1, sourceFlags = -1;
  for (UINT i = 0; i < attr.cImplTypes; ++i) {
    INT flags = 0;
    HREFTYPE ref = 0;
    ComPtr<ITypeInfo> type;
    info->GetImplTypeFlags(i, &flags);
    info->GetRefTypeOfImplType(i, &ref);
    if (!CHECK(SUCCEEDED(info->GetRefTypeInfo(ref, &type)))) continue;
    GUID guid = Attributes(type.Get()).guid;
    if (IsEqualGUID(guid, DIID_DTzGrid)) defaultFlags = flags;
    if (IsEqualGUID(guid, DIID_DTzGridEvents)) sourceFlags = flags;
  }
  CHECK(defaultFlags == IMPLTYPEFLAG_FDEFAULT && sourceFlags == (IMPLTYPEFLAG_FDEFAULT | IMPLTYPEFLAG_FSOURCE));
}

}  // namespace

void RunTypeLibTests() {
  ComPtr<ITypeLib> lib;
  HRESULT hr = LoadRegTypeLib(TzGridCom::LIBID_TzGridLib, 1, 0, 1033, &lib);
  if (!Check(SUCCEEDED(hr), "LoadRegTypeLib of TzGridLib 1.0: " + Hex(hr), __FILE__, __LINE__)) return;
  CHECK(lib->GetTypeInfoCount() == 3);
  ComPtr<ITypeInfo> info;
  if (CHECK(SUCCEEDED(lib->GetTypeInfoOfGuid(DIID_DTzGrid, &info)))) {
    TYPEATTR facts = Attributes(info.Get());
    CHECK(facts.typekind == TKIND_DISPATCH && (facts.wTypeFlags & TYPEFLAG_FDISPATCHABLE) != 0);
    Compare(ReadSignatures(info.Get()), MapSignatures(), "_DTzGrid");
  }
  if (CHECK(SUCCEEDED(lib->GetTypeInfoOfGuid(CLSID_TzGrid, &info)))) CheckCoclass(info.Get());
}

}  // namespace ModuleTest
