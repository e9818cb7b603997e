#include "HostileVariants.h"

#include "HostKit.h"

#include <cstring>
#include <string>

namespace ModuleTest {

namespace {

// A record type of eight longs (32 bytes of plain data), made by a type
// library built in memory. One reference for the caller.
IRecordInfo* NewRecordInfo() {
  ComPtr<ICreateTypeLib2> library;
  ComPtr<ICreateTypeInfo> type;
  ComPtr<ITypeInfo> info;
  IRecordInfo* record = nullptr;
  CreateTypeLib2(SYS_WIN64, L"records.tlb", &library);
  if (!library || FAILED(library->CreateTypeInfo(const_cast<LPOLESTR>(L"Longs"), TKIND_RECORD, &type))) return nullptr;
  for (UINT i = 0; i < 8; ++i) {
    VARDESC field{};
    field.memid = MEMBERID(0x40000000 + i);
    field.varkind = VAR_PERINSTANCE;
    field.elemdescVar.tdesc.vt = VT_I4;
    std::wstring name = L"n" + std::to_wstring(i);
    type->AddVarDesc(i, &field);
    type->SetVarName(i, name.data());
  }
  if (SUCCEEDED(type->LayOut()) && SUCCEEDED(type.As(&info))) GetRecordInfoFromTypeInfo(info.Get(), &record);
  return record;
}

}  // namespace

const std::vector<VARTYPE>& NumericElementTypes() {
  static const std::vector<VARTYPE> types = {VT_I1,  VT_UI1, VT_I2,   VT_UI2, VT_I4,   VT_UI4, VT_I8,
                                             VT_UI8, VT_INT, VT_UINT, VT_R4,  VT_R8,   VT_CY,  VT_DATE,
                                             VT_BOOL, VT_DECIMAL, VT_BSTR, VT_VARIANT};
  return types;
}

// Each value a long converted to vt (VT_INT and VT_UINT take its bits,
// VT_VARIANT elements hold it as VT_I4), put where SafeArrayPutElement
// takes an element of that type from.
SAFEARRAY* ArrayOfLongs(VARTYPE vt, const std::vector<LONG>& values) {
  SAFEARRAY* array = SafeArrayCreateVector(vt, 0, ULONG(values.size()));
  for (LONG i = 0; array && i < LONG(values.size()); ++i) {
    VARIANT source = Long(values[std::size_t(i)]), element = Blank(VT_EMPTY);
    bool plainBits = vt == VT_INT || vt == VT_UINT || vt == VT_VARIANT;
    if (plainBits) element = source;
    if (vt == VT_INT || vt == VT_UINT) V_VT(&element) = vt;
    bool stored = plainBits || SUCCEEDED(VariantChangeType(&element, &source, 0, vt));
    void* from = vt == VT_BSTR ? static_cast<void*>(V_BSTR(&element)) : vt == VT_VARIANT ? &element
                 : vt == VT_DECIMAL ? static_cast<void*>(&V_DECIMAL(&element)) : &V_I1(&element);
    stored = stored && SUCCEEDED(SafeArrayPutElement(array, &i, from));
    VariantClear(&element);
    if (!stored) {
      SafeArrayDestroy(array);
      array = nullptr;
    }
  }
  return array;
}

VARIANT ArrayArgument(SAFEARRAY* array) {
  VARIANT v = Blank(VT_EMPTY);
  VARTYPE vt = VT_EMPTY;
  if (array && SUCCEEDED(SafeArrayGetVartype(array, &vt))) {
    V_VT(&v) = VARTYPE(VT_ARRAY | vt);
    V_ARRAY(&v) = array;
  }
  return v;
}

VARIANT Reference(VARTYPE vt, void* target) {
  VARIANT v = Blank(VARTYPE(VT_BYREF | vt));
  V_BYREF(&v) = target;
  return v;
}

namespace {

const char* const kKindNames[] = {
    "a null BSTR", "VT_ARRAY without an array", "a VARIANT reference to itself", "two VARIANTs referring to each other",
    "a reference to a reference to a long", "a reference to a null SAFEARRAY*", "a reference to a record",
    "an array element that refers to itself", "an array of records", "an array of objects", "a two-dimensional array",
    "an array nested in a VARIANT element", "an array whose element size is not its type's"};
constexpr std::size_t kNamedKinds = sizeof kKindNames / sizeof kKindNames[0];

// The types of the null references, after the named kinds.
const std::vector<VARTYPE>& NullableTypes() {
  static const std::vector<VARTYPE> types = [] {
    std::vector<VARTYPE> all = NumericElementTypes();
    all.insert(all.end(), {VT_ERROR, VT_DISPATCH, VT_UNKNOWN, VT_RECORD, VT_ARRAY | VT_I4, VT_ARRAY | VT_VARIANT});
    return all;
  }();
  return types;
}

}  // namespace

std::size_t HostileKinds() { return kNamedKinds + NullableTypes().size(); }

VARIANT HostileArgument(std::size_t kind, Keeper& keeper, IDispatch* object, std::string* name) {
  if (name) {
    *name = kind < kNamedKinds ? kKindNames[kind]
                               : "a null reference " + std::to_string(NullableTypes()[kind - kNamedKinds]);
  }
  SAFEARRAYBOUND bound = {2, 0}, square[2] = {{2, 0}, {2, 0}};
  SAFEARRAY* array = nullptr;
  VARIANT* first = keeper.NewSlot();
  VARIANT v = Blank(VT_RECORD);
  IRecordInfo* record = keeper.Keep(NewRecordInfo(), +[](IRecordInfo* r) { r->Release(); });
  switch (kind) {
    case 0: return Blank(VT_BSTR);
    case 1: return Blank(VT_ARRAY | VT_I4);
    case 2:
      MakeSelfReference(first);
      return *first;
    case 3:
      *first = VariantReference(keeper.NewSlot(VariantReference(first)));
      return *first;
    case 4: return VariantReference(keeper.NewSlot(VariantReference(keeper.NewSlot(Long(2)))));
    case 5: return Reference(VT_ARRAY | VT_I4, &V_ARRAY(first));  // the slot holds no array
    case 6:  // behind a VARIANT reference, as scripts pass their variables: the slot is never cleared
      V_RECORDINFO(&v) = record;
      V_RECORD(&v) = keeper.Keep(CoTaskMemAlloc(32), +[](void* bytes) { CoTaskMemFree(bytes); });
      std::memset(V_RECORD(&v), 0x5A, 32);
      return VariantReference(keeper.NewSlot(v));
    case 7:
      array = ArrayOfLongs(VT_VARIANT, {1});
      MakeSelfReference(static_cast<VARIANT*>(array->pvData));
      break;
    case 8:
      array = SafeArrayCreateEx(VT_RECORD, 1, &bound, record);
      std::memset(array->pvData, 0x41, 64);  // bytes that would make a wild pointer
      break;
    case 9:
      array = SafeArrayCreateVector(VT_DISPATCH, 0, 2);
      static_cast<IDispatch**>(array->pvData)[0] = object;
      if (object) object->AddRef();
      break;
    case 10: array = SafeArrayCreate(VT_I4, 2, square); break;
    case 11:
      array = SafeArrayCreateVector(VT_VARIANT, 0, 1);
      static_cast<VARIANT*>(array->pvData)[0] = ArrayArgument(ArrayOfLongs(VT_I4, {1}));
      break;
    case 12:
      array = ArrayOfLongs(VT_I4, {1, 2});
      array->cbElements = 2;
      keeper.Later([array] {
        array->cbElements = 4;
        SafeArrayDestroy(array);
      });
      *first = ArrayArgument(array);
      return Reference(VT_ARRAY | VT_I4, &V_ARRAY(first));
    default: return Reference(NullableTypes()[kind - kNamedKinds]);
  }
  return ArrayArgument(array);
}

}  // namespace ModuleTest
