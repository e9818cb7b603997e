#include "FuzzArguments.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstring>
#include <limits>
#include <string>

#include "HostileVariants.h"

namespace BridgeFuzz {

namespace {

using ModuleTest::ArrayArgument;
using ModuleTest::ArrayOfLongs;

const std::vector<VARTYPE> kScalarTypes = {VT_EMPTY, VT_NULL, VT_I1,  VT_UI1,  VT_I2,   VT_UI2,  VT_I4,
                                           VT_UI4,   VT_I8,   VT_UI8, VT_INT,  VT_UINT, VT_R4,   VT_R8,
                                           VT_CY,    VT_DATE, VT_BOOL, VT_ERROR, VT_DECIMAL, VT_BSTR};

// Every byte zero (a DECIMAL's reserved word included), so that a seed
// always makes the same values.
VARIANT Blank(VARTYPE vt) {
  VARIANT v;
  std::memset(&v, 0, sizeof v);
  V_VT(&v) = vt;
  return v;
}

// The long the platform makes of a plain value: what the bridge must take.
// A null BSTR or object and the missing-argument marker are no value.
std::optional<LONG> LongOf(const VARIANT& plain) {
  VARTYPE vt = V_VT(&plain);
  if ((vt == VT_BSTR || vt == VT_DISPATCH || vt == VT_UNKNOWN) && !V_BYREF(&plain)) return std::nullopt;
  if (vt == VT_ERROR && V_ERROR(&plain) == DISP_E_PARAMNOTFOUND) return std::nullopt;
  VARIANT number = Blank(VT_EMPTY);
  if (FAILED(VariantChangeType(&number, const_cast<VARIANT*>(&plain), 0, VT_I4))) return std::nullopt;
  return V_I4(&number);
}

Argument Refused(VARIANT value) { return {value, std::nullopt}; }

void DestroyArray(SAFEARRAY* array) { SafeArrayDestroy(array); }
void FreeText(BSTR text) { SysFreeString(text); }

class ScriptArray final : public IDispatch {
 public:
  explicit ScriptArray(Random& random) {
    std::uint32_t kind = random.Below(10);
    std::size_t length = random.Below(6);
    m_length = kind == 0 ? -3 : kind == 1 ? (1 << 20) : LONG(length);  // 2^20: more than the bridge reads
    for (std::size_t i = 0; i < length; ++i) {
      m_items.push_back(Blank(VT_R8));
      if (random.OneIn(6)) {
        m_items.back() = Blank(VT_BSTR);
        V_BSTR(&m_items.back()) = SysAllocString(random.OneIn(2) ? L"2" : L"two");
      } else {
        V_R8(&m_items.back()) = random.Between(-2, 8) + (random.OneIn(3) ? 0.5 : 0.0);
      }
    }
    m_failingItem = random.OneIn(5) ? LONG(random.Below(4)) : -1;
  }
  ~ScriptArray() {
    for (VARIANT& v : m_items) VariantClear(&v);
  }
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override {
    bool known = IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IDispatch);
    *out = known ? static_cast<IDispatch*>(this) : nullptr;
    if (known) AddRef();
    return known ? S_OK : E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ULONG(++m_ref); }
  ULONG STDMETHODCALLTYPE Release() override {
    if (--m_ref == 0) delete this;
    return 0;
  }
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
    *count = 0;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
  // "length", or an item by its index written in decimal.
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) override {
    wchar_t* end = nullptr;
    long index = count == 1 ? std::wcstol(names[0], &end, 10) : -1;
    if (count == 1 && std::wstring(names[0]) == L"length") index = kLengthId - kFirstItemId;
    else if (index < 0 || end == names[0] || *end) return DISP_E_UNKNOWNNAME;
    ids[0] = kFirstItemId + DISPID(index);
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS*, VARIANT* result, EXCEPINFO*,
                                   UINT*) override {
    if (!result) return E_POINTER;
    *result = Blank(VT_I4);
    V_I4(result) = m_length;
    LONG index = id - kFirstItemId;
    if (id == kLengthId) return S_OK;
    if (index == m_failingItem) return E_FAIL;
    if (index < 0 || std::size_t(index) >= m_items.size()) return DISP_E_MEMBERNOTFOUND;
    return VariantCopy(result, &m_items[std::size_t(index)]);
  }

 private:
  static constexpr DISPID kLengthId = 1000, kFirstItemId = 2000;
  LONG m_ref = 1, m_length = 0, m_failingItem = -1;
  std::vector<VARIANT> m_items;
};

}  // namespace

// The number as one of the types a host may pass it in.
Argument ArgumentMaker::Number(LONG value) {
  static const std::vector<VARTYPE> kAs = {VT_I4, VT_I4, VT_I4,   VT_I2,  VT_UI1,  VT_UI2,     VT_UI4,
                                           VT_I8, VT_I1, VT_UI8,  VT_R4,  VT_R8,   VT_CY,      VT_DATE,
                                           VT_DECIMAL, VT_BSTR, VT_INT, VT_UINT};
  VARTYPE as = m_random.Pick(kAs);
  VARIANT plain = Blank(VT_I4);
  V_I4(&plain) = value;
  if (as == VT_INT || as == VT_UINT) V_VT(&plain) = as;  // the same bits as a long
  VARIANT converted = Blank(VT_EMPTY);
  if (V_VT(&plain) == VT_I4 && as != VT_I4 && SUCCEEDED(VariantChangeType(&converted, &plain, 0, as))) {
    plain = converted;
  }
  if (V_VT(&plain) == VT_BSTR) m_arena.Keep(V_BSTR(&plain), FreeText);
  return {plain, LongOf(plain)};
}

// A scalar of any type: small numbers mostly; any bits, infinities, NaN,
// malformed DECIMALs (scale above 28, odd signs) and error codes sometimes.
Argument ArgumentMaker::Scalar() {
  static const std::vector<float> kFloats = {0.5f, -1.5f, 2.5f, 1e10f, -1e30f, 3.0f,
                                             std::numeric_limits<float>::infinity(),
                                             std::numeric_limits<float>::quiet_NaN()};
  static const std::vector<double> kDoubles = {0.5, 2.5, -0.5, 1e300, -4e9, 2147483647.5, std::nan(""), 4.0, 1e-300};
  VARTYPE vt = m_random.Pick(kScalarTypes);
  if (vt == VT_BSTR) return Text();
  VARIANT plain = Blank(vt);
  std::uint64_t bits = m_random.Next();
  V_I8(&plain) = m_random.OneIn(3) ? LONGLONG(bits) : LONGLONG(m_random.Between(-3, 12));
  if (vt == VT_R4) V_R4(&plain) = m_random.Pick(kFloats);
  if (vt == VT_R8 || vt == VT_DATE) V_R8(&plain) = m_random.Pick(kDoubles);
  if (vt == VT_ERROR && m_random.OneIn(2)) V_ERROR(&plain) = DISP_E_PARAMNOTFOUND;
  if (vt == VT_DECIMAL) {
    std::memcpy(&V_DECIMAL(&plain).Lo64, &bits, sizeof bits);
    V_DECIMAL(&plain).Hi32 = ULONG(m_random.Next());
    V_DECIMAL(&plain).scale = BYTE(m_random.Below(40));
    V_DECIMAL(&plain).sign = m_random.OneIn(4) ? BYTE(m_random.Below(256)) : (m_random.OneIn(2) ? DECIMAL_NEG : 0);
    V_VT(&plain) = VT_DECIMAL;
  }
  return {plain, LongOf(plain)};
}

// Numbers as text, an embedded NUL, odd byte lengths, texts up to a
// megabyte, a null BSTR, one that overflows, quotes and line breaks.
Argument ArgumentMaker::Text() {
  VARIANT plain = Blank(VT_BSTR);
  std::uint32_t kind = m_random.Below(8);
  std::wstring text = L"t" + std::to_wstring(m_random.Below(1000)) + (m_random.OneIn(3) ? L"\n\t\"quoted\", " : L"");
  if (kind == 0) text = L"12";
  if (kind == 1) text = L"  -3 ";
  if (kind == 2) text = std::wstring(L"a\0b", 3);
  if (kind == 4) text.assign(m_random.OneIn(20) ? (std::size_t(1) << 20) : m_random.Below(5000), L'x');
  if (kind == 6) text = L"1e400";
  if (kind == 3) {
    V_BSTR(&plain) = ModuleTest::OddBstr("x\0y\0z", 1 + 2 * m_random.Below(3));
  } else if (kind != 5) {
    V_BSTR(&plain) = SysAllocStringLen(text.data(), UINT(text.size()));
  }
  m_arena.Keep(V_BSTR(&plain), FreeText);
  return {plain, LongOf(plain)};
}

// The value behind a pointer of its own type: a typed host variable
// passed by reference.
Argument ArgumentMaker::ByReference(Argument plain) {
  VARTYPE vt = V_VT(&plain.value);
  if (vt == VT_EMPTY || vt == VT_NULL || (vt & (VT_BYREF | VT_ARRAY)) || vt == VT_RECORD) return plain;
  VARIANT ref = Blank(VARTYPE(VT_BYREF | vt));
  VARIANT* slot = m_arena.NewSlot();
  *slot = plain.value;
  V_BYREF(&ref) = vt == VT_DECIMAL ? static_cast<void*>(slot) : static_cast<void*>(&V_I1(slot));
  if (vt == VT_BSTR && V_BSTR(slot)) {
    V_BSTR(slot) = SysAllocStringByteLen(reinterpret_cast<LPCSTR>(V_BSTR(slot)), SysStringByteLen(V_BSTR(slot)));
    m_arena.Later([slot] { SysFreeString(V_BSTR(slot)); });
  }
  return {ref, plain.asLong};
}

// VT_BYREF|VT_VARIANT over the value, one or more steps deep: one step is
// what script hosts pass and is taken, deeper chains are refused.
Argument ArgumentMaker::VariantChain(Argument plain) {
  std::uint32_t depth = m_random.OneIn(3) ? 1 + m_random.Below(3) : 1;
  bool innerIsChain = V_VT(&plain.value) == (VT_BYREF | VT_VARIANT);
  VARIANT current = plain.value;
  for (std::uint32_t i = 0; i < depth; ++i) {
    VARIANT* held = m_arena.NewSlot();
    *held = current;
    current = ModuleTest::VariantReference(held);
  }
  return {current, depth == 1 && !innerIsChain ? plain.asLong : std::nullopt};
}

Argument ArgumentMaker::NullReference() {
  static const std::vector<VARTYPE> kTypes = {VT_I4, VT_BSTR, VT_VARIANT, VT_DECIMAL, VT_DISPATCH, VT_UNKNOWN,
                                              VT_RECORD, VT_I8, VT_R8, VT_BOOL, VARTYPE(VT_ARRAY | VT_I4),
                                              VARTYPE(VT_ARRAY | VT_VARIANT), VT_EMPTY, VT_ERROR};
  return Refused(ModuleTest::NullReference(m_random.Pick(kTypes)));
}

// A reference to itself, or to a second one that refers back.
Argument ArgumentMaker::SelfReference() {
  VARIANT* first = m_arena.NewSlot();
  VARIANT* second = m_random.OneIn(2) ? first : m_arena.NewSlot();
  *first = ModuleTest::VariantReference(second);
  *second = ModuleTest::VariantReference(first);
  return Refused(ModuleTest::VariantReference(first));
}

// A vector of numbers of any element type, by value or by reference.
Argument ArgumentMaker::NumericArray(LONG low, LONG high) {
  std::vector<LONG> values(m_random.Below(5));
  for (LONG& value : values) value = m_random.Between(low, high);
  SAFEARRAY* array = ArrayOfLongs(m_random.Pick(ModuleTest::NumericElementTypes()), values);
  if (!array) array = ArrayOfLongs(VT_I4, values);
  VARIANT v = ArrayArgument(array);
  if (!m_random.OneIn(3)) return Refused(ArrayArgument(m_arena.Keep(array, DestroyArray)));
  VARIANT ref = Blank(VARTYPE(V_VT(&v) | VT_BYREF));
  VARIANT* slot = m_arena.NewSlot();
  V_ARRAYREF(&ref) = &V_ARRAY(slot);
  V_ARRAY(slot) = array;
  m_arena.Later([slot] { SafeArrayDestroy(V_ARRAY(slot)); });
  return Refused(ref);
}

// Arrays no column list is made of: records, objects, two dimensions, a
// descriptor lying about its element size, VARIANTs of any kind (one
// perhaps referring to itself), an array in an array, more elements than
// the bridge reads, a reference to no array, errors; or numbers.
Argument ArgumentMaker::Array() {
  SAFEARRAY* array = nullptr;
  switch (m_random.Below(9)) {
    case 0: {
      SAFEARRAYBOUND bound = {1 + m_random.Below(3), 0};
      IRecordInfo* records = m_arena.Keep(ModuleTest::NewByteRecordInfo(4 + 4 * m_random.Below(12)),
                                          +[](IRecordInfo* r) { r->Release(); });
      array = SafeArrayCreateEx(VT_RECORD, 1, &bound, records);
      std::memset(array->pvData, int(m_random.Below(256)), bound.cElements * array->cbElements);
      break;
    }
    case 1:
      array = SafeArrayCreateVector(m_random.OneIn(2) ? VT_UNKNOWN : VT_DISPATCH, 0, 1 + m_random.Below(2));
      if (m_random.OneIn(2)) {
        static_cast<IUnknown**>(array->pvData)[0] = m_callBack;
        m_callBack->AddRef();
      }
      break;
    case 2: {
      SAFEARRAYBOUND bounds[2] = {{2, 0}, {1 + m_random.Below(2), LONG(m_random.Below(3))}};
      array = SafeArrayCreate(VT_I4, 2, bounds);
      break;
    }
    case 3: {
      VARTYPE vt = m_random.OneIn(2) ? VT_I4 : VT_VARIANT;
      array = ArrayOfLongs(vt, {1, 2});
      ULONG trueSize = array->cbElements;
      array->cbElements = 1 + m_random.Below(40);
      array->cbElements += array->cbElements == trueSize;
      m_arena.Later([array, trueSize] {
        array->cbElements = trueSize;
        SafeArrayDestroy(array);
      });
      VARIANT ref = Blank(VARTYPE(VT_BYREF | VT_ARRAY | vt));
      V_ARRAYREF(&ref) = &V_ARRAY(m_arena.NewSlot());
      *V_ARRAYREF(&ref) = array;
      return Refused(ref);
    }
    case 4: {
      LONG count = LONG(1 + m_random.Below(3));
      array = SafeArrayCreateVector(VT_VARIANT, 0, ULONG(count));
      for (LONG i = 0; i < count; ++i) {
        Argument element = m_random.OneIn(2) ? Scalar() : (m_random.OneIn(2) ? NullReference() : Record());
        SafeArrayPutElement(array, &i, &element.value);
      }
      if (m_random.OneIn(4)) {
        VariantClear(static_cast<VARIANT*>(array->pvData));
        ModuleTest::MakeSelfReference(static_cast<VARIANT*>(array->pvData));
      }
      break;
    }
    case 5: {
      array = SafeArrayCreateVector(VT_VARIANT, 0, 1);
      static_cast<VARIANT*>(array->pvData)[0] = ArrayArgument(ArrayOfLongs(VT_I4, {1}));
      break;
    }
    case 6: array = SafeArrayCreateVector(VT_UI1, 0, 70000); break;
    case 7: {
      VARIANT ref = Blank(VT_BYREF | VT_ARRAY | VT_I4);
      V_ARRAYREF(&ref) = &V_ARRAY(m_arena.NewSlot());
      return Refused(ref);
    }
    default:
      if (!m_random.OneIn(19)) return NumericArray(-3, 9);
      array = SafeArrayCreateVector(VT_ERROR, 0, 2);
      break;
  }
  return Refused(ArrayArgument(m_arena.Keep(array, DestroyArray)));
}

Argument ArgumentMaker::Record() {
  VARIANT v = Blank(VT_RECORD);
  ULONG size = 4 + 4 * m_random.Below(8);
  V_RECORDINFO(&v) = m_arena.Keep(ModuleTest::NewByteRecordInfo(size), +[](IRecordInfo* r) { r->Release(); });
  V_RECORD(&v) = m_arena.Keep(CoTaskMemAlloc(size), +[](void* bytes) { CoTaskMemFree(bytes); });
  std::memset(V_RECORD(&v), 0x5A, size);
  return Refused(v);
}

// A type no argument should have: reserved bits, vectors, pointers,
// by-reference or array bits with nothing behind them. A random type may
// turn out to be a plain scalar after all (zero, a null BSTR or object),
// which the platform judges safely.
Argument ArgumentMaker::GarbageType() {
  static const std::vector<VARTYPE> kTypes = {VT_VOID, VT_PTR, VT_SAFEARRAY, VT_CARRAY, VT_USERDEFINED, VT_LPSTR,
                                              VT_LPWSTR, VT_HRESULT, VT_INT_PTR, VT_FILETIME, VT_BLOB, VT_CLSID,
                                              VARTYPE(VT_VECTOR | VT_I4), VARTYPE(VT_RESERVED | VT_I4),
                                              VARTYPE(VT_ARRAY | VT_RECORD), VT_VARIANT, 15, 0x7FFF, 0xFFFF};
  VARIANT v = Blank(m_random.OneIn(4) ? VARTYPE(m_random.Next()) : m_random.Pick(kTypes));
  VARTYPE vt = V_VT(&v);
  bool plainScalar = std::count(kScalarTypes.begin(), kScalarTypes.end(), vt) || vt == VT_DISPATCH || vt == VT_UNKNOWN;
  return {v, plainScalar ? LongOf(v) : std::nullopt};
}

VARIANT ArgumentMaker::ScriptArrayArgument() {
  VARIANT v = Blank(VT_DISPATCH);
  V_DISPATCH(&v) = m_scriptArray;
  return v;
}

// Null, the grid itself (it has no default value), or the script array.
Argument ArgumentMaker::Object() {
  VARIANT v = Blank(m_random.OneIn(2) ? VT_DISPATCH : VT_UNKNOWN);
  std::uint32_t kind = m_random.Below(3);
  if (kind == 1) V_UNKNOWN(&v) = m_callBack;
  if (kind == 2) v = ScriptArrayArgument();
  return {v, LongOf(v)};
}

Argument ArgumentMaker::Hostile() {
  switch (m_random.Below(11)) {
    case 0: return Scalar();
    case 1: return ByReference(Scalar());
    case 2: return VariantChain(m_random.OneIn(2) ? Scalar() : ByReference(Scalar()));
    case 3: return NullReference();
    case 4: return SelfReference();
    case 5: return Array();
    case 6: return Record();
    case 7: return GarbageType();
    case 8: return Object();
    case 9: return Text();
    default: return VariantChain(Hostile());
  }
}

// The value as it is, or (one in outOf each) behind a typed reference or a
// VARIANT reference.
Argument ArgumentMaker::Referenced(Argument plain, std::uint32_t outOf) {
  switch (m_random.Below(outOf)) {
    case 0: return ByReference(plain);
    case 1: return VariantChain(plain);
    default: return plain;
  }
}

Argument ArgumentMaker::Fitting(VARTYPE want) {
  static const std::vector<LONG> kEdges = {INT_MIN, INT_MAX, 65535, 65536, -32769, 32768, -1};
  if (want == (VT_BYREF | VT_I4)) {
    // ExportEx's column list: a long by reference, a number, a script
    // array, arrays of every element type (behind a reference too).
    switch (m_random.Below(6)) {
      case 0: {
        VARIANT ref = Blank(VT_BYREF | VT_I4);
        V_I4REF(&ref) = &V_I4(m_arena.NewSlot());
        *V_I4REF(&ref) = m_random.Between(-1, 6);
        return Refused(ref);
      }
      case 1: return Number(m_random.Between(-1, 6));
      case 2: return Refused(ScriptArrayArgument());
      case 3: return VariantChain(NumericArray(-1, 6));
      default: return NumericArray(-1, 6);
    }
  }
  if (want == VT_BSTR || want == (VT_BYREF | VT_BSTR)) {
    Argument plain = m_random.OneIn(6) ? Number(m_random.Between(0, 99)) : Text();
    if (want == (VT_BYREF | VT_BSTR) && m_random.OneIn(2)) return ByReference(plain);
    return Referenced(plain, 10);
  }
  LONG value = m_random.OneIn(8) ? m_random.Pick(kEdges) : m_random.Between(-2, 12);
  return Referenced(Number(want == VT_BOOL ? m_random.Between(-1, 1) : value), 10);
}

// Mostly small; sometimes negative, or 2^31 - 1 rows or columns that no
// memory holds: refused before any change.
Argument ArgumentMaker::Count() {
  static const std::vector<LONG> kRefused = {-1, -1000, INT_MIN, INT_MAX};
  std::uint32_t kind = m_random.Below(100);
  LONG value = kind < 2 ? 0 : kind < 80 ? m_random.Between(1, 30) : kind < 93 ? m_random.Between(31, 300)
                                                                                : m_random.Pick(kRefused);
  Argument plain = Number(value);
  return m_random.OneIn(12) ? Hostile() : Referenced(plain, 11);
}

IDispatch* NewScriptArray(Random& random) { return new ScriptArray(random); }

}  // namespace BridgeFuzz
