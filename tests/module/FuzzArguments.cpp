#include "FuzzArguments.h"

#include <climits>
#include <cmath>
#include <cstring>
#include <limits>
#include <string>

#include "HostileVariants.h"

namespace BridgeFuzz {

namespace {

// A VT_EMPTY VARIANT with every byte zero: the reserved words a DECIMAL
// uses for its scale and sign hold no leftovers, so a seed always makes
// the same values.
VARIANT Blank() {
  VARIANT v;
  std::memset(&v, 0, sizeof v);
  return v;
}

// The scalar types a VARIANT argument can carry by value.
const std::vector<VARTYPE> kScalarTypes = {VT_EMPTY, VT_NULL, VT_I1,   VT_UI1,  VT_I2,   VT_UI2,     VT_I4,
                                           VT_UI4,   VT_I8,   VT_UI8,  VT_INT,  VT_UINT, VT_R4,      VT_R8,
                                           VT_CY,    VT_DATE, VT_BOOL, VT_ERROR, VT_DECIMAL, VT_BSTR};

// The long the platform makes of a plain value: what the bridge must take.
// A null BSTR is text but no number; a null object has no value.
std::optional<LONG> LongOf(const VARIANT& plain) {
  if (V_VT(&plain) == VT_BSTR && !V_BSTR(&plain)) return std::nullopt;
  if ((V_VT(&plain) == VT_DISPATCH || V_VT(&plain) == VT_UNKNOWN) && !V_UNKNOWN(&plain)) return std::nullopt;
  if (V_VT(&plain) == VT_ERROR && V_ERROR(&plain) == DISP_E_PARAMNOTFOUND) return std::nullopt;
  VARIANT number = Blank();
  if (FAILED(VariantChangeType(&number, const_cast<VARIANT*>(&plain), 0, VT_I4))) return std::nullopt;
  return V_I4(&number);
}

Argument Refused(VARIANT value) { return {value, std::nullopt}; }


bool IsOneOf(VARTYPE vt, const std::vector<VARTYPE>& types) {
  for (VARTYPE t : types) {
    if (t == vt) return true;
  }
  return false;
}

// Where the value of a VARIANT of a by-value type sits, and how many bytes it takes.
std::size_t PayloadSize(VARTYPE vt) {
  switch (vt) {
    case VT_I1: case VT_UI1: return 1;
    case VT_I2: case VT_UI2: case VT_BOOL: return 2;
    case VT_I4: case VT_UI4: case VT_INT: case VT_UINT: case VT_R4: case VT_ERROR: return 4;
    case VT_I8: case VT_UI8: case VT_R8: case VT_CY: case VT_DATE: return 8;
    case VT_DECIMAL: return sizeof(DECIMAL);
    default: return sizeof(void*);
  }
}

// Items of the script array object: its length and values are fixed when it is made.
class ScriptArray final : public IDispatch {
 public:
  explicit ScriptArray(Random& random) {
    std::uint32_t kind = random.Below(10);
    std::size_t length = random.Below(6);
    m_length = LONG(length);
    if (kind == 0) m_length = -3;
    if (kind == 1) m_length = 1 << 20;  // more than the bridge reads: refused
    for (std::size_t i = 0; i < length; ++i) {
      VARIANT item = Blank();
      if (random.OneIn(6)) {
        V_VT(&item) = VT_BSTR;
        V_BSTR(&item) = SysAllocString(random.OneIn(2) ? L"2" : L"two");
      } else {
        V_VT(&item) = VT_R8;
        V_R8(&item) = random.Between(-2, 8) + (random.OneIn(3) ? 0.5 : 0.0);
      }
      m_items.push_back(item);
    }
    m_failItem = random.OneIn(5) ? LONG(random.Below(4)) : -1;
  }
  ~ScriptArray() {
    for (VARIANT& v : m_items) VariantClear(&v);
  }

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override {
    if (!out) return E_POINTER;
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IDispatch)) {
      *out = static_cast<IDispatch*>(this);
      AddRef();
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ULONG(++m_ref); }
  ULONG STDMETHODCALLTYPE Release() override {
    LONG left = --m_ref;
    if (left == 0) delete this;
    return ULONG(left);
  }
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
    *count = 0;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) override {
    if (count != 1) return DISP_E_UNKNOWNNAME;
    if (std::wstring(names[0]) == L"length") {
      ids[0] = kLengthId;
      return S_OK;
    }
    wchar_t* end = nullptr;
    long index = std::wcstol(names[0], &end, 10);
    if (end == names[0] || *end != 0 || index < 0) return DISP_E_UNKNOWNNAME;
    ids[0] = kFirstItemId + DISPID(index);
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS*, VARIANT* result, EXCEPINFO*,
                                   UINT*) override {
    if (!result) return E_POINTER;
    VariantInit(result);
    if (id == kLengthId) {
      V_VT(result) = VT_I4;
      V_I4(result) = m_length;
      return S_OK;
    }
    LONG index = id - kFirstItemId;
    if (index == m_failItem) return E_FAIL;
    if (index < 0 || std::size_t(index) >= m_items.size()) return DISP_E_MEMBERNOTFOUND;
    return VariantCopy(result, &m_items[std::size_t(index)]);
  }

 private:
  static constexpr DISPID kLengthId = 1000;
  static constexpr DISPID kFirstItemId = 2000;
  LONG m_ref = 1;
  LONG m_length = 0;
  LONG m_failItem = -1;
  std::vector<VARIANT> m_items;
};

}  // namespace

std::uint64_t Random::Next() {
  std::uint64_t z = (m_state += 0x9E3779B97F4A7C15ull);
  z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
  z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
  return z ^ (z >> 31);
}

// ---- Arena

Arena::~Arena() {
  for (auto& [array, size] : m_lying) {
    array->cbElements = size;
    SafeArrayDestroy(array);
  }
  for (SAFEARRAY* array : m_arrays) SafeArrayDestroy(array);
  for (SAFEARRAY* array : m_arraySlots) {
    if (array) SafeArrayDestroy(array);
  }
  for (BSTR text : m_texts) SysFreeString(text);
  for (BSTR text : m_slots) SysFreeString(text);
  for (void* block : m_blocks) _aligned_free(block);
  for (IRecordInfo* records : m_records) records->Release();
}

VARIANT* Arena::NewVariant() {
  m_variants.emplace_back();
  VariantInit(&m_variants.back());
  return &m_variants.back();
}

void* Arena::NewBytes(std::size_t size) {
  void* block = _aligned_malloc(size ? size : 1, 16);
  std::memset(block, 0, size ? size : 1);
  m_blocks.push_back(block);
  return block;
}

BSTR Arena::Keep(BSTR text) {
  m_texts.push_back(text);
  return text;
}

BSTR* Arena::NewBstrSlot(BSTR text) {
  m_slots.push_back(text);
  return &m_slots.back();
}

SAFEARRAY* Arena::Keep(SAFEARRAY* array) {
  if (array) m_arrays.push_back(array);
  return array;
}

SAFEARRAY** Arena::NewArraySlot(SAFEARRAY* array) {
  m_arraySlots.push_back(array);
  return &m_arraySlots.back();
}

void Arena::KeepLying(SAFEARRAY* array, ULONG trueElementSize) { m_lying.emplace_back(array, trueElementSize); }

IRecordInfo* Arena::Records(ULONG size) {
  m_records.push_back(ModuleTest::NewByteRecordInfo(size));
  return m_records.back();
}

// ---- Argument maker

Argument ArgumentMaker::Number(LONG value) {
  static const std::vector<VARTYPE> kAs = {VT_I4, VT_I4,   VT_I4, VT_I2,   VT_UI1,  VT_UI2,  VT_UI4,     VT_I8,
                                           VT_I1, VT_UI8,  VT_R4, VT_R8,   VT_CY,   VT_DATE, VT_DECIMAL, VT_BSTR,
                                           VT_INT, VT_UINT};
  VARTYPE as = m_random.Pick(kAs);
  VARIANT plain = Blank();
  V_VT(&plain) = VT_I4;
  V_I4(&plain) = value;
  if (as == VT_INT || as == VT_UINT) {
    V_VT(&plain) = as;  // same bits as a long
  } else if (as != VT_I4) {
    VARIANT converted = Blank();
    if (SUCCEEDED(VariantChangeType(&converted, &plain, 0, as))) plain = converted;
  }
  if (V_VT(&plain) == VT_BSTR) m_arena.Keep(V_BSTR(&plain));
  return {plain, LongOf(plain)};
}

Argument ArgumentMaker::AnyScalar() {
  VARTYPE vt = m_random.Pick(kScalarTypes);
  if (vt == VT_BSTR) return AnyText();
  VARIANT plain = Blank();
  std::uint64_t bits = m_random.Next();
  switch (vt) {
    case VT_R4: {
      static const float kFloats[] = {0.5f, -1.5f, 2.5f, 1e10f, -1e30f, std::numeric_limits<float>::infinity(),
                                      std::numeric_limits<float>::quiet_NaN(), 3.0f};
      V_R4(&plain) = kFloats[m_random.Below(8)];
      break;
    }
    case VT_R8: case VT_DATE: {
      static const double kDoubles[] = {0.5, 2.5, -0.5, 1e300, -4e9, 2147483647.5, std::nan(""), 4.0, 1e-300};
      V_R8(&plain) = kDoubles[m_random.Below(9)];
      break;
    }
    case VT_DECIMAL: {
      // Any bits, scale and sign included: scales above 28 and odd signs are malformed.
      DECIMAL d;
      std::memcpy(&d, &bits, sizeof bits);
      d.Hi32 = ULONG(m_random.Next());
      d.scale = BYTE(m_random.Below(40));
      d.sign = m_random.OneIn(4) ? BYTE(m_random.Below(256)) : (m_random.OneIn(2) ? DECIMAL_NEG : 0);
      V_DECIMAL(&plain) = d;
      break;
    }
    case VT_ERROR: V_ERROR(&plain) = m_random.OneIn(2) ? DISP_E_PARAMNOTFOUND : SCODE(bits); break;
    case VT_BOOL: V_BOOL(&plain) = VARIANT_BOOL(bits); break;
    default:
      // Integers: small values mostly, any bits sometimes.
      V_I8(&plain) = m_random.OneIn(3) ? LONGLONG(bits) : LONGLONG(m_random.Between(-3, 12));
      break;
  }
  V_VT(&plain) = vt;
  return {plain, LongOf(plain)};
}

BSTR ArgumentMaker::RandomText() {
  switch (m_random.Below(8)) {
    case 0: return m_arena.Keep(SysAllocString(L"12"));
    case 1: return m_arena.Keep(SysAllocString(L"  -3 "));
    case 2: return m_arena.Keep(SysAllocStringLen(L"a\0b", 3));  // an embedded NUL
    case 3: {
      static const char kOdd[] = "x\0y\0z";
      return m_arena.Keep(SysAllocStringByteLen(kOdd, 1 + 2 * m_random.Below(3)));  // odd byte lengths
    }
    case 4: {
      // Long texts, up to a megabyte of characters now and then.
      std::size_t length = m_random.OneIn(20) ? (std::size_t(1) << 20) : m_random.Below(5000);
      BSTR text = SysAllocStringLen(nullptr, UINT(length));
      for (std::size_t i = 0; i < length; ++i) text[i] = wchar_t(L'a' + (i % 26));
      return m_arena.Keep(text);
    }
    case 5: return nullptr;
    case 6: return m_arena.Keep(SysAllocString(L"1e400"));
    default: {
      std::wstring text = L"t" + std::to_wstring(m_random.Below(1000));
      if (m_random.OneIn(3)) text += L"\n\t\"quoted\", ";
      return m_arena.Keep(SysAllocStringLen(text.data(), UINT(text.size())));
    }
  }
}

Argument ArgumentMaker::AnyText() {
  VARIANT plain = Blank();
  V_VT(&plain) = VT_BSTR;
  V_BSTR(&plain) = RandomText();
  return {plain, LongOf(plain)};
}

// The same value behind a pointer of its own type: what a typed host
// variable passed by reference looks like.
Argument ArgumentMaker::ByReference(Argument plain) {
  VARTYPE vt = V_VT(&plain.value);
  if (vt == VT_EMPTY || vt == VT_NULL || (vt & (VT_BYREF | VT_ARRAY)) || vt == VT_RECORD) return plain;
  VARIANT ref = Blank();
  V_VT(&ref) = VARTYPE(VT_BYREF | vt);
  if (vt == VT_BSTR) {
    V_BSTRREF(&ref) = m_arena.NewBstrSlot(V_BSTR(&plain.value) ? SysAllocStringByteLen(
                                                                     reinterpret_cast<LPCSTR>(V_BSTR(&plain.value)),
                                                                     SysStringByteLen(V_BSTR(&plain.value)))
                                                               : nullptr);
  } else {
    void* target = m_arena.NewBytes(PayloadSize(vt));
    const void* source = vt == VT_DECIMAL ? static_cast<const void*>(&V_DECIMAL(&plain.value))
                                          : static_cast<const void*>(&V_I1(&plain.value));
    std::memcpy(target, source, PayloadSize(vt));
    V_BYREF(&ref) = target;
  }
  return {ref, plain.asLong};
}

// A VT_BYREF|VT_VARIANT over the value, one or more steps deep: one step is
// what script hosts pass and is taken, deeper chains are refused.
Argument ArgumentMaker::VariantChain(Argument plain) {
  std::uint32_t depth = m_random.OneIn(3) ? 1 + m_random.Below(3) : 1;
  VARIANT current = plain.value;
  for (std::uint32_t i = 0; i < depth; ++i) {
    VARIANT* held = m_arena.NewVariant();
    *held = current;
    current = ModuleTest::VariantReference(held);
  }
  bool innerIsChain = V_VT(&plain.value) == (VT_BYREF | VT_VARIANT);
  return {current, depth == 1 && !innerIsChain ? plain.asLong : std::nullopt};
}

Argument ArgumentMaker::NullReference() {
  static const std::vector<VARTYPE> kTypes = {VT_I4, VT_BSTR, VT_VARIANT, VT_DECIMAL, VT_DISPATCH, VT_UNKNOWN,
                                              VT_RECORD, VT_I8, VT_R8, VT_BOOL, VARTYPE(VT_ARRAY | VT_I4),
                                              VARTYPE(VT_ARRAY | VT_VARIANT), VT_EMPTY, VT_ERROR};
  return Refused(ModuleTest::NullReference(m_random.Pick(kTypes)));
}

Argument ArgumentMaker::SelfReference() {
  VARIANT* first = m_arena.NewVariant();
  if (m_random.OneIn(2)) {
    ModuleTest::MakeSelfReference(first);
  } else {
    VARIANT* second = m_arena.NewVariant();
    *first = ModuleTest::VariantReference(second);
    *second = ModuleTest::VariantReference(first);
  }
  return Refused(ModuleTest::VariantReference(first));
}

// A one-dimensional array of vt with count elements between low and high.
Argument ArgumentMaker::ArrayOf(VARTYPE vt, std::size_t count, LONG low, LONG high) {
  std::vector<LONG> values;
  for (std::size_t i = 0; i < count; ++i) values.push_back(m_random.Between(low, high));
  SAFEARRAY* array = ModuleTest::ArrayOfLongs(vt, values);
  if (!array) array = ModuleTest::ArrayOfLongs(VT_I4, values);
  VARIANT v = ModuleTest::ArrayArgument(array);
  if (m_random.OneIn(3)) {
    VARIANT ref = Blank();
    V_VT(&ref) = VARTYPE(V_VT(&v) | VT_BYREF);
    V_ARRAYREF(&ref) = m_arena.NewArraySlot(array);
    return Refused(ref);
  }
  m_arena.Keep(array);
  return Refused(v);
}

Argument ArgumentMaker::AnyArray() {
  switch (m_random.Below(9)) {
    case 0: {
      // Records of any size: never column numbers.
      SAFEARRAYBOUND bound = {1 + m_random.Below(3), 0};
      SAFEARRAY* array = SafeArrayCreateEx(VT_RECORD, 1, &bound, m_arena.Records(4 + 4 * m_random.Below(12)));
      void* data = nullptr;
      if (array && SUCCEEDED(SafeArrayAccessData(array, &data))) {
        std::memset(data, int(m_random.Below(256)), bound.cElements * array->cbElements);
        SafeArrayUnaccessData(array);
      }
      return Refused(ModuleTest::ArrayArgument(m_arena.Keep(array)));
    }
    case 1: {
      VARTYPE vt = m_random.OneIn(2) ? VT_UNKNOWN : VT_DISPATCH;
      SAFEARRAY* array = m_arena.Keep(SafeArrayCreateVector(vt, 0, 1 + m_random.Below(2)));
      if (array && m_random.OneIn(2)) {
        LONG first = 0;
        SafeArrayPutElement(array, &first, m_callBack);
      }
      return Refused(ModuleTest::ArrayArgument(array));
    }
    case 2: {
      SAFEARRAYBOUND bounds[2] = {{2, 0}, {1 + m_random.Below(2), LONG(m_random.Below(3))}};
      return Refused(ModuleTest::ArrayArgument(m_arena.Keep(SafeArrayCreate(VT_I4, 2, bounds))));
    }
    case 3: {
      // A descriptor that lies about its element size.
      VARTYPE vt = m_random.OneIn(2) ? VT_I4 : VT_VARIANT;
      SAFEARRAY* array = ModuleTest::ArrayOfLongs(vt, {1, 2});
      if (!array) return NullReference();
      ULONG trueSize = array->cbElements;
      array->cbElements = 1 + m_random.Below(40);
      if (array->cbElements == trueSize) ++array->cbElements;
      m_arena.KeepLying(array, trueSize);
      VARIANT ref = Blank();
      V_VT(&ref) = VARTYPE(VT_BYREF | VT_ARRAY | vt);
      V_ARRAYREF(&ref) = m_arena.NewArraySlot(nullptr);
      *V_ARRAYREF(&ref) = array;
      return Refused(ref);
    }
    case 4: {
      // VARIANT elements of any kind, one of them perhaps referring to itself.
      std::size_t count = 1 + m_random.Below(3);
      SAFEARRAY* array = m_arena.Keep(SafeArrayCreateVector(VT_VARIANT, 0, ULONG(count)));
      for (LONG i = 0; array && i < LONG(count); ++i) {
        Argument element = m_random.OneIn(2) ? AnyScalar() : (m_random.OneIn(2) ? NullReference() : RecordValue());
        SafeArrayPutElement(array, &i, &element.value);
      }
      VARIANT* first = nullptr;
      LONG zero = 0;
      if (array && m_random.OneIn(4) && SUCCEEDED(SafeArrayPtrOfIndex(array, &zero, reinterpret_cast<void**>(&first)))) {
        VariantClear(first);
        ModuleTest::MakeSelfReference(first);
      }
      return Refused(ModuleTest::ArrayArgument(array));
    }
    case 5: {
      // Arrays nested in arrays.
      SAFEARRAY* outer = m_arena.Keep(SafeArrayCreateVector(VT_VARIANT, 0, 1));
      VARIANT inner = ModuleTest::ArrayArgument(ModuleTest::ArrayOfLongs(VT_I4, {1}));
      LONG zero = 0;
      if (outer) SafeArrayPutElement(outer, &zero, &inner);
      VariantClear(&inner);
      return Refused(ModuleTest::ArrayArgument(outer));
    }
    case 6: {
      // Longer than the bridge reads.
      return Refused(ModuleTest::ArrayArgument(m_arena.Keep(SafeArrayCreateVector(VT_UI1, 0, 70000))));
    }
    case 7: {
      VARIANT ref = Blank();
      V_VT(&ref) = VT_BYREF | VT_ARRAY | VT_I4;
      V_ARRAYREF(&ref) = m_arena.NewArraySlot(nullptr);  // a reference to no array
      return Refused(ref);
    }
    default: {
      std::vector<VARTYPE> types = ModuleTest::NumericElementTypes();
      types.push_back(VT_ERROR);
      VARTYPE vt = m_random.Pick(types);
      if (vt == VT_ERROR) {
        SAFEARRAY* array = m_arena.Keep(SafeArrayCreateVector(VT_ERROR, 0, 2));
        return Refused(ModuleTest::ArrayArgument(array));
      }
      return ArrayOf(vt, m_random.Below(5), -3, 9);
    }
  }
}

Argument ArgumentMaker::RecordValue() {
  VARIANT v = Blank();
  V_VT(&v) = VT_RECORD;
  ULONG size = 4 + 4 * m_random.Below(8);
  V_RECORDINFO(&v) = m_arena.Records(size);
  V_RECORD(&v) = m_arena.NewBytes(size);
  std::memset(V_RECORD(&v), 0x5A, size);
  return Refused(v);
}

// A type no argument should have: reserved bits, vectors, pointers, and
// by-reference or array bits with nothing behind them.
Argument ArgumentMaker::GarbageType() {
  static const std::vector<VARTYPE> kTypes = {VT_VOID, VT_PTR, VT_SAFEARRAY, VT_CARRAY, VT_USERDEFINED, VT_LPSTR,
                                              VT_LPWSTR, VT_HRESULT, VT_INT_PTR, VT_FILETIME, VT_BLOB, VT_CLSID,
                                              VARTYPE(VT_VECTOR | VT_I4), VARTYPE(VT_RESERVED | VT_I4),
                                              VARTYPE(VT_ARRAY | VT_RECORD), VT_VARIANT, 15, 0x7FFF, 0xFFFF};
  VARIANT v = Blank();
  V_VT(&v) = m_random.OneIn(4) ? VARTYPE(m_random.Next()) : m_random.Pick(kTypes);
  V_BYREF(&v) = nullptr;
  // A random type may turn out to be a plain scalar after all: zero, a
  // null BSTR or a null object, which the platform can judge safely.
  bool plainScalar = !(V_VT(&v) & (VT_BYREF | VT_ARRAY)) &&
                     (IsOneOf(V_VT(&v), kScalarTypes) || V_VT(&v) == VT_DISPATCH || V_VT(&v) == VT_UNKNOWN);
  return {v, plainScalar ? LongOf(v) : std::nullopt};
}

// Objects: null, the grid itself (its default value is asked for and it
// has none), a script array, or an IUnknown.
Argument ArgumentMaker::Object() {
  VARIANT v = Blank();
  switch (m_random.Below(4)) {
    case 0: V_VT(&v) = m_random.OneIn(2) ? VT_DISPATCH : VT_UNKNOWN; V_UNKNOWN(&v) = nullptr; break;
    case 1: V_VT(&v) = VT_DISPATCH; V_DISPATCH(&v) = m_callBack; break;
    case 2: V_VT(&v) = VT_DISPATCH; V_DISPATCH(&v) = m_scriptArray; break;
    default: V_VT(&v) = VT_UNKNOWN; V_UNKNOWN(&v) = m_callBack; break;
  }
  return {v, LongOf(v)};
}

Argument ArgumentMaker::Hostile() {
  switch (m_random.Below(11)) {
    case 0: return AnyScalar();
    case 1: return ByReference(AnyScalar());
    case 2: return VariantChain(m_random.OneIn(2) ? AnyScalar() : ByReference(AnyScalar()));
    case 3: return NullReference();
    case 4: return SelfReference();
    case 5: return AnyArray();
    case 6: return RecordValue();
    case 7: return GarbageType();
    case 8: return Object();
    case 9: return AnyText();
    default: return VariantChain(Hostile());
  }
}

Argument ArgumentMaker::ColumnList() {
  switch (m_random.Below(6)) {
    case 0: {
      LONG* column = static_cast<LONG*>(m_arena.NewBytes(sizeof(LONG)));
      *column = m_random.Between(-1, 6);
      VARIANT ref = Blank();
      V_VT(&ref) = VT_BYREF | VT_I4;
      V_I4REF(&ref) = column;
      return Refused(ref);
    }
    case 1: return Number(m_random.Between(-1, 6));
    case 2: {
      VARIANT v = Blank();
      V_VT(&v) = VT_DISPATCH;
      V_DISPATCH(&v) = m_scriptArray;
      return Refused(v);
    }
    case 3: return VariantChain(ArrayOf(m_random.Pick(ModuleTest::NumericElementTypes()), m_random.Below(4), -1, 6));
    default: return ArrayOf(m_random.Pick(ModuleTest::NumericElementTypes()), m_random.Below(5), -1, 6);
  }
}

Argument ArgumentMaker::Fitting(VARTYPE want) {
  Argument plain;
  if (want == (VT_BYREF | VT_I4)) return ColumnList();
  if (want == VT_BSTR || want == (VT_BYREF | VT_BSTR)) {
    plain = m_random.OneIn(6) ? Number(m_random.Between(0, 99)) : AnyText();
    if (want == (VT_BYREF | VT_BSTR) && m_random.OneIn(2)) return ByReference(plain);
  } else {
    static const std::vector<LONG> kEdges = {INT_MIN, INT_MAX, 65535, 65536, -32769, 32768, -1};
    LONG value = m_random.OneIn(8) ? m_random.Pick(kEdges) : m_random.Between(-2, 12);
    if (want == VT_BOOL) value = m_random.Between(-1, 1);
    plain = Number(value);
  }
  switch (m_random.Below(10)) {
    case 0: return ByReference(plain);
    case 1: return VariantChain(plain);
    default: return plain;
  }
}

Argument ArgumentMaker::Count() {
  LONG value;
  std::uint32_t kind = m_random.Below(100);
  if (kind < 2) {
    value = 0;
  } else if (kind < 80) {
    value = m_random.Between(1, 30);
  } else if (kind < 93) {
    value = m_random.Between(31, 300);
  } else {
    // Refused before any change: negative, or far more than any memory
    // holds (2^31 - 1 rows or columns).
    static const std::vector<LONG> kRefused = {-1, -1000, INT_MIN, INT_MAX};
    value = m_random.Pick(kRefused);
  }
  Argument plain = Number(value);
  switch (m_random.Below(12)) {
    case 0: return ByReference(plain);
    case 1: return VariantChain(plain);
    case 2: return Hostile();
    default: return plain;
  }
}

IDispatch* NewScriptArray(Random& random) { return new ScriptArray(random); }

}  // namespace BridgeFuzz
