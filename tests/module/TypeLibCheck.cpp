// The registered type library against the control's dispatch and event
// maps: every member's name, DISPID, kind, result and parameter types,
// parameter names and help string, written out the same way from both and
// compared; then the library's and the classes' identity and flags, and
// what the live control reports of itself.
#include "../../src/platform/win32/win32.h"

#include "../../src/automation/DispatchMap.h"
#include "../../src/module/TzGridIds.h"
#include "HostKit.h"

#include <cstdio>
#include <cwctype>
#include <map>

namespace ModuleTest {

namespace {

using TzGridCom::CLSID_TzGrid;
using TzGridCom::DIID_DTzGrid;
using TzGridCom::DIID_DTzGridEvents;

// Members by (DISPID, invoke kind): "Name(type name, ...) -> type 'help'".
using Signatures = std::map<std::pair<MEMBERID, int>, std::string>;

std::string Take(BSTR text) {
  std::string out = text ? Narrow(std::wstring(text, SysStringLen(text))) : std::string();
  SysFreeString(text);
  return out;
}

// A type description as the portable VARTYPE: VT_PTR to T becomes VT_BYREF | T.
std::string TypeName(const TYPEDESC& desc) {
  return std::to_string(desc.vt == VT_PTR && desc.lptdesc ? VT_BYREF | desc.lptdesc->vt : desc.vt);
}

Signatures ReadSignatures(ITypeInfo* info, bool withHelp) {
  Signatures out;
  TYPEATTR* attr = nullptr;
  if (!CHECK(SUCCEEDED(info->GetTypeAttr(&attr)))) return out;
  WORD count = attr->cFuncs;
  info->ReleaseTypeAttr(attr);
  for (UINT i = 0; i < count; ++i) {
    FUNCDESC* desc = nullptr;
    if (!CHECK(SUCCEEDED(info->GetFuncDesc(i, &desc)))) continue;
    // GetNames answers for the first function with the DISPID: the put of
    // a property gets its get's names, which have no parameter.
    BSTR names[8] = {};
    UINT got = 0;
    info->GetNames(desc->memid, names, 8, &got);
    std::vector<std::string> taken;
    for (UINT n = 0; n < got; ++n) taken.push_back(Take(names[n]));
    taken.resize(std::size_t(desc->cParams) + 1, "<unnamed>");
    std::string text = taken[0] + (desc->funckind == FUNC_DISPATCH ? "(" : " (not dispatch)(");
    for (SHORT p = 0; p < desc->cParams; ++p) {
      text += TypeName(desc->lprgelemdescParam[p].tdesc);
      if (desc->invkind == INVOKE_FUNC) text += " " + taken[std::size_t(p) + 1];
      text += ", ";
    }
    BSTR help = nullptr;
    info->GetDocumentation(desc->memid, nullptr, &help, nullptr, nullptr);
    std::string helpText = Take(help);
    text += ") -> " + TypeName(desc->elemdescFunc.tdesc) + " '" + (withHelp ? helpText : "") + "'";
    out[{desc->memid, desc->invkind}] = text;
    info->ReleaseFuncDesc(desc);
  }
  return out;
}

Signatures MapSignatures() {
  Signatures out;
  for (const TzGrid::DispEntry& e : TzGrid::GetDispatchMap()) {
    std::string vt = std::to_string(e.vtResult);
    bool property = e.kind == TzGrid::DispKind::Property;
    std::string help = e.hasHelpString ? (property ? "property " : "method ") + std::string(e.name) : "";
    if (property) {
      out[{e.dispid, INVOKE_PROPERTYGET}] = std::string(e.name) + "() -> " + vt + " '" + help + "'";
      out[{e.dispid, INVOKE_PROPERTYPUT}] = std::string(e.name) + "(" + vt + ", ) -> 24 '" + help + "'";
      continue;
    }
    std::string text = std::string(e.name) + "(";
    for (int p = 0; p < e.cParams; ++p) {
      text += std::to_string(e.params[std::size_t(p)].vt) + " " + e.params[std::size_t(p)].name + ", ";
    }
    out[{e.dispid, INVOKE_FUNC}] = text + ") -> " + vt + " '" + help + "'";
  }
  return out;
}

Signatures EventMapSignatures() {
  Signatures out;
  for (const TzGrid::EventEntry& e : TzGrid::GetEventMap()) {
    out[{e.dispid, INVOKE_FUNC}] = std::string(e.name) + "(3 " + e.params[0].name + ", 3 " + e.params[1].name +
                                   ", ) -> 24 ''";
  }
  return out;
}

void Compare(const Signatures& library, const Signatures& map, const char* what) {
  Signatures all = library;
  all.insert(map.begin(), map.end());
  for (const auto& [key, unused] : all) {
    auto inLibrary = library.find(key);
    auto inMap = map.find(key);
    std::string got = inLibrary == library.end() ? "<missing>" : inLibrary->second;
    std::string want = inMap == map.end() ? "<not in the map>" : inMap->second;
    Check(got == want, std::string(what) + " " + std::to_string(key.first) + "/" + std::to_string(key.second) +
                           ": library has " + got + ", the map " + want,
          __FILE__, __LINE__);
  }
}

struct TypeFacts {
  TYPEKIND kind = TKIND_MAX;
  GUID guid{};
  WORD flags = 0;
  WORD implTypes = 0;
};

TypeFacts FactsOf(ITypeInfo* info) {
  TypeFacts facts;
  TYPEATTR* attr = nullptr;
  if (!CHECK(info && SUCCEEDED(info->GetTypeAttr(&attr)))) return facts;
  facts = {attr->typekind, attr->guid, attr->wTypeFlags, attr->cImplTypes};
  info->ReleaseTypeAttr(attr);
  return facts;
}

// Name and help string of a type ("name|help").
std::string Documentation(ITypeInfo* info) {
  BSTR name = nullptr, help = nullptr;
  info->GetDocumentation(MEMBERID_NIL, &name, &help, nullptr, nullptr);
  return Take(name) + "|" + Take(help);
}

// The coclass: a creatable control whose default interface is _DTzGrid and
// whose default source is _DTzGridEvents.
void CheckCoclass(ITypeInfo* info) {
  TypeFacts facts = FactsOf(info);
  CHECK(facts.kind == TKIND_COCLASS && IsEqualGUID(facts.guid, CLSID_TzGrid));
  CHECK((facts.flags & TYPEFLAG_FCONTROL) && (facts.flags & TYPEFLAG_FCANCREATE) && facts.implTypes == 2);
  CHECK(Documentation(info) == "TzGrid|");
  INT defaultFlags = -1, sourceFlags = -1;
  for (UINT i = 0; i < facts.implTypes; ++i) {
    INT flags = 0;
    HREFTYPE ref = 0;
    Com<ITypeInfo> type;
    info->GetImplTypeFlags(i, &flags);
    info->GetRefTypeOfImplType(i, &ref);
    if (!CHECK(SUCCEEDED(info->GetRefTypeInfo(ref, type.out())))) continue;
    GUID guid = FactsOf(type.get()).guid;
    if (IsEqualGUID(guid, DIID_DTzGrid)) defaultFlags = flags;
    if (IsEqualGUID(guid, DIID_DTzGridEvents)) sourceFlags = flags;
  }
  CHECK(defaultFlags == IMPLTYPEFLAG_FDEFAULT);
  CHECK(sourceFlags == (IMPLTYPEFLAG_FDEFAULT | IMPLTYPEFLAG_FSOURCE));
}

void CheckLibrary(ITypeLib* lib) {
  TLIBATTR* attr = nullptr;
  if (!CHECK(SUCCEEDED(lib->GetLibAttr(&attr)))) return;
  CHECK(IsEqualGUID(attr->guid, TzGridCom::LIBID_TzGridLib) && attr->wMajorVerNum == 1 && attr->wMinorVerNum == 0);
  CHECK(attr->lcid == 1033 && (attr->wLibFlags & LIBFLAG_FCONTROL) != 0);
  lib->ReleaseTLibAttr(attr);
  BSTR name = nullptr, help = nullptr;
  lib->GetDocumentation(-1, &name, &help, nullptr, nullptr);
  CHECK(Take(name) + "|" + Take(help) == "TzGridLib|");
  CHECK(lib->GetTypeInfoCount() == 3);
}

// What a live control says about its types agrees with the library.
void CheckLiveControl() {
  Com<IDispatch> grid(NewGrid());
  if (!CHECK(grid)) return;
  UINT count = 0;
  Com<ITypeInfo> info;
  CHECK(SUCCEEDED(grid->GetTypeInfoCount(&count)) && count == 1);
  CHECK(SUCCEEDED(grid->GetTypeInfo(0, 0, info.out())) && IsEqualGUID(FactsOf(info.get()).guid, DIID_DTzGrid));
  CHECK_HR(grid->GetTypeInfo(1, 0, info.out()), DISP_E_BADINDEX);
  // Every member name resolves to its DISPID, in any letter case.
  for (const TzGrid::DispEntry& e : TzGrid::GetDispatchMap()) {
    std::wstring name(e.name, e.name + std::char_traits<char>::length(e.name)), lower = name;
    for (wchar_t& c : lower) c = wchar_t(towlower(c));
    for (const std::wstring& asked : {name, lower}) {
      LPOLESTR names[] = {const_cast<LPOLESTR>(asked.c_str())};
      DISPID id = 0;
      HRESULT hr = grid->GetIDsOfNames(IID_NULL, names, 1, 0, &id);
      Check(hr == S_OK && id == e.dispid, "GetIDsOfNames of " + Narrow(asked), __FILE__, __LINE__);
    }
  }
  LPOLESTR names[] = {const_cast<LPOLESTR>(L"SetCellText"), const_cast<LPOLESTR>(L"TextData"),
                      const_cast<LPOLESTR>(L"Row")};
  DISPID ids[3] = {};
  CHECK_HR(grid->GetIDsOfNames(IID_NULL, names, 3, 0, ids), S_OK);
  CHECK(ids[0] == 7 && ids[1] == 2 && ids[2] == 0);
  LPOLESTR unknown[] = {const_cast<LPOLESTR>(L"NoSuchMember")};
  CHECK_HR(grid->GetIDsOfNames(IID_NULL, unknown, 1, 0, ids), DISP_E_UNKNOWNNAME);

  auto classInfo = Query<IProvideClassInfo2>(grid.get());
  Com<ITypeInfo> coclass;
  CHECK(classInfo && SUCCEEDED(classInfo->GetClassInfo(coclass.out())));
  TypeFacts facts = FactsOf(coclass.get());
  CHECK(facts.kind == TKIND_COCLASS && IsEqualGUID(facts.guid, CLSID_TzGrid));
}

}  // namespace

void RunTypeLibTests() {
  Com<ITypeLib> lib;
  HRESULT hr = LoadRegTypeLib(TzGridCom::LIBID_TzGridLib, 1, 0, 1033, lib.out());
  if (!Check(SUCCEEDED(hr), "LoadRegTypeLib of TzGridLib 1.0: " + Hex(hr), __FILE__, __LINE__)) return;
  CheckLibrary(lib.get());
  Com<ITypeInfo> info;
  if (CHECK(SUCCEEDED(lib->GetTypeInfoOfGuid(DIID_DTzGrid, info.out())))) {
    TypeFacts facts = FactsOf(info.get());
    CHECK(facts.kind == TKIND_DISPATCH && (facts.flags & TYPEFLAG_FDISPATCHABLE) != 0);
    Compare(ReadSignatures(info.get(), true), MapSignatures(), "_DTzGrid");
  }
  if (CHECK(SUCCEEDED(lib->GetTypeInfoOfGuid(DIID_DTzGridEvents, info.out())))) {
    CHECK(FactsOf(info.get()).kind == TKIND_DISPATCH);
    Compare(ReadSignatures(info.get(), false), EventMapSignatures(), "_DTzGridEvents");
  }
  if (CHECK(SUCCEEDED(lib->GetTypeInfoOfGuid(CLSID_TzGrid, info.out())))) CheckCoclass(info.get());
  CheckLiveControl();
}

}  // namespace ModuleTest
