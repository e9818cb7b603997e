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

// A VT_EMPTY VARIANT with every byte zero: the words a DECIMAL keeps its
// scale and sign in hold no leftovers, so a seed always makes the same values.
VARIANT Blank(VARTYPE vt = VT_EMPTY) {
  VARIANT v;
  std::memset(&v, 0, sizeof v);
  V_VT(&v) = vt;
  return v;
}

const std::vector<VARTYPE> kScalarTypes = {VT_EMPTY, VT_NULL, VT_I1, VT_UI1, VT_I2,   VT_UI2,  VT_I4,
                                           VT_UI4,   VT_I8,   VT_UI8, VT_INT, VT_UINT, VT_R4,   VT_R8,
                                           VT_CY,    VT_DATE, VT_BOOL, VT_ERROR, VT_DECIMAL, VT_BSTR};

// The long the platform makes of a plain value: what the bridge must take.
// A null BSTR is no number, a null object has no value, a missing
// argument's marker is no value.
std::optional<LONG> LongOf(const VARIANT& plain) {
  VARTYPE vt = V_VT(&plain);
  if (vt == VT_BSTR && !V_BSTR(&plain)) return std::nullopt;
  if ((vt == VT_DISPATCH || vt == VT_UNKNOWN) && !V_UNKNOWN(&plain)) return std::nullopt;
  if (vt == VT_ERROR && V_ERROR(&plain) == DISP_E_PARAMNOTFOUND) return std::nullopt;
  VARIANT number = Blank();
  if (FAILED(VariantChangeType(&number, const_cast<VARIANT*>(&plain), 0, VT_I4))) return std::nullopt;
  return V_I4(&number);
}

Argument Refused(VARIANT value) { return {value, std::nullopt}; }

// How many bytes the value of a by-value VARIANT of type vt takes.
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

class ScriptArray final : public IDispatch {
 public:
  explicit ScriptArray(Random& random) {
    std::uint32_t kind = random.Below(10);
    std::size_t length = random.Below(6);
    m_length = kind == 0 ? -3 : kind == 1 ? (1 << 20) : LONG(length);  // 2^20 is more than the bridge reads
    for (std::size_t i = 0; i < length; ++i) {
      VARIANT item = Blank(VT_R8);
      if (random.OneIn(6)) {
        item = Blank(VT_BSTR);
        V_BSTR(&item) = SysAllocString(random.OneIn(2) ? L"2" : L"two");
      } else {
        V_R8(&item) = random.Between(-2, 8) + (random.OneIn(3) ? 0.5 : 0.0);
      }
      m_items.push_back(item);
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
    if (index == m_failingItem) return E_FAIL;
    if (index < 0 || std::size_t(index) >= m_items.size()) return DISP_E_MEMBERNOTFOUND;
    return VariantCopy(result, &m_items[std::size_t(index)]);
  }

 private:
  static constexpr DISPID kLengthId = 1000, kFirstItemId = 2000;
  LONG m_ref = 1;
  LONG m_length = 0;
  LONG m_failingItem = -1;
  std::vector<VARIANT> m_items;
};

// The makers of one kind of argument each; Hostile picks among them all.
class Maker {
 public:
  explicit Maker(ArgumentSource& source) : m_random(source.random), m_arena(source.arena), m_source(source) {}

  // The number as one of the types a host may pass it in.
  Argument Number(LONG value) {
    static const std::vector<VARTYPE> kAs = {VT_I4, VT_I4, VT_I4,   VT_I2,  VT_UI1,  VT_UI2,     VT_UI4,
                                             VT_I8, VT_I1, VT_UI8,  VT_R4,  VT_R8,   VT_CY,      VT_DATE,
                                             VT_DECIMAL, VT_BSTR, VT_INT, VT_UINT};
    VARTYPE as = m_random.Pick(kAs);
    VARIANT plain = Blank(VT_I4);
    V_I4(&plain) = value;
    if (as == VT_INT || as == VT_UINT) {
      V_VT(&plain) = as;  // the same bits as a long
    } else if (as != VT_I4) {
      VARIANT converted = Blank();
      if (SUCCEEDED(VariantChangeType(&converted, &plain, 0, as))) plain = converted;
    }
    if (V_VT(&plain) == VT_BSTR) m_arena.Keep(V_BSTR(&plain));
    return {plain, LongOf(plain)};
  }

  Argument AnyScalar() {
    VARTYPE vt = m_random.Pick(kScalarTypes);
    if (vt == VT_BSTR) return AnyText();
    VARIANT plain = Blank();
    std::uint64_t bits = m_random.Next();
    if (vt == VT_R4) {
      static const std::vector<float> kFloats = {0.5f, -1.5f, 2.5f, 1e10f, -1e30f, 3.0f,
                                                 std::numeric_limits<float>::infinity(),
                                                 std::numeric_limits<float>::quiet_NaN()};
      V_R4(&plain) = m_random.Pick(kFloats);
    } else if (vt == VT_R8 || vt == VT_DATE) {
      static const std::vector<double> kDoubles = {0.5, 2.5, -0.5, 1e300, -4e9, 2147483647.5, std::nan(""), 4.0, 1e-300};
      V_R8(&plain) = m_random.Pick(kDoubles);
    } else if (vt == VT_DECIMAL) {
      // Any bits: scales above 28 and signs other than 0 and 0x80 are malformed.
      DECIMAL d;
      std::memcpy(&d, &bits, sizeof bits);
      d.Hi32 = ULONG(m_random.Next());
      d.scale = BYTE(m_random.Below(40));
      d.sign = m_random.OneIn(4) ? BYTE(m_random.Below(256)) : (m_random.OneIn(2) ? DECIMAL_NEG : 0);
      V_DECIMAL(&plain) = d;
    } else if (vt == VT_ERROR) {
      V_ERROR(&plain) = m_random.OneIn(2) ? DISP_E_PARAMNOTFOUND : SCODE(bits);
    } else if (vt == VT_BOOL) {
      V_BOOL(&plain) = VARIANT_BOOL(bits);
    } else {
      V_I8(&plain) = m_random.OneIn(3) ? LONGLONG(bits) : LONGLONG(m_random.Between(-3, 12));
    }
    V_VT(&plain) = vt;
    return {plain, LongOf(plain)};
  }

  BSTR RandomText() {
    switch (m_random.Below(8)) {
      case 0: return m_arena.Keep(SysAllocString(L"12"));
      case 1: return m_arena.Keep(SysAllocString(L"  -3 "));
      case 2: return m_arena.Keep(SysAllocStringLen(L"a\0b", 3));  // an embedded NUL
      case 3: return m_arena.Keep(ModuleTest::OddBstr("x\0y\0z", 1 + 2 * m_random.Below(3)));
      case 4: {
        // Long texts, now and then a megabyte of characters.
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

  Argument AnyText() {
    VARIANT plain = Blank(VT_BSTR);
    V_BSTR(&plain) = RandomText();
    return {plain, LongOf(plain)};
  }

  // The value behind a pointer of its own type: a typed host variable
  // passed by reference.
  Argument ByReference(Argument plain) {
    VARTYPE vt = V_VT(&plain.value);
    if (vt == VT_EMPTY || vt == VT_NULL || (vt & (VT_BYREF | VT_ARRAY)) || vt == VT_RECORD) return plain;
    VARIANT ref = Blank(VARTYPE(VT_BYREF | vt));
    if (vt == VT_BSTR) {
      BSTR text = V_BSTR(&plain.value);
      V_BSTRREF(&ref) = m_arena.NewSlot(
          text ? SysAllocStringByteLen(reinterpret_cast<LPCSTR>(text), SysStringByteLen(text)) : nullptr);
    } else {
      V_BYREF(&ref) = m_arena.NewBytes(PayloadSize(vt));
      const void* payload = vt == VT_DECIMAL ? static_cast<const void*>(&V_DECIMAL(&plain.value))
                                             : static_cast<const void*>(&V_I1(&plain.value));
      std::memcpy(V_BYREF(&ref), payload, PayloadSize(vt));
    }
    return {ref, plain.asLong};
  }

  // VT_BYREF|VT_VARIANT over the value, one or more steps deep: one step
  // is what script hosts pass and is taken, deeper chains are refused.
  Argument VariantChain(Argument plain) {
    std::uint32_t depth = m_random.OneIn(3) ? 1 + m_random.Below(3) : 1;
    bool innerIsChain = V_VT(&plain.value) == (VT_BYREF | VT_VARIANT);
    VARIANT current = plain.value;
    for (std::uint32_t i = 0; i < depth; ++i) {
      VARIANT* held = m_arena.NewVariant();
      *held = current;
      current = ModuleTest::VariantReference(held);
    }
    return {current, depth == 1 && !innerIsChain ? plain.asLong : std::nullopt};
  }

  Argument NullReference() {
    static const std::vector<VARTYPE> kTypes = {VT_I4, VT_BSTR, VT_VARIANT, VT_DECIMAL, VT_DISPATCH, VT_UNKNOWN,
                                                VT_RECORD, VT_I8, VT_R8, VT_BOOL, VARTYPE(VT_ARRAY | VT_I4),
                                                VARTYPE(VT_ARRAY | VT_VARIANT), VT_EMPTY, VT_ERROR};
    return Refused(ModuleTest::NullReference(m_random.Pick(kTypes)));
  }

  // A reference to itself, or to a second one that refers back.
  Argument SelfReference() {
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

  // A vector of vt with count values in low .. high, by value or by reference.
  Argument ArrayOf(VARTYPE vt, std::size_t count, LONG low, LONG high) {
    std::vector<LONG> values;
    for (std::size_t i = 0; i < count; ++i) values.push_back(m_random.Between(low, high));
    SAFEARRAY* array = ArrayOfLongs(vt, values);
    if (!array) array = ArrayOfLongs(VT_I4, values);
    VARIANT v = ArrayArgument(array);
    if (!m_random.OneIn(3)) {
      m_arena.Keep(array);
      return Refused(v);
    }
    VARIANT ref = Blank(VARTYPE(V_VT(&v) | VT_BYREF));
    V_ARRAYREF(&ref) = m_arena.NewSlot(array);
    return Refused(ref);
  }

  Argument AnyArray() {
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
        return Refused(ArrayArgument(m_arena.Keep(array)));
      }
      case 1: {
        SAFEARRAY* array = SafeArrayCreateVector(m_random.OneIn(2) ? VT_UNKNOWN : VT_DISPATCH, 0, 1 + m_random.Below(2));
        LONG first = 0;
        if (array && m_random.OneIn(2)) SafeArrayPutElement(array, &first, m_source.callBack);
        return Refused(ArrayArgument(m_arena.Keep(array)));
      }
      case 2: {
        SAFEARRAYBOUND bounds[2] = {{2, 0}, {1 + m_random.Below(2), LONG(m_random.Below(3))}};
        return Refused(ArrayArgument(m_arena.Keep(SafeArrayCreate(VT_I4, 2, bounds))));
      }
      case 3: return LyingArray();
      case 4: return ArrayOfAnyVariants();
      case 5: {
        // An array nested in an array.
        SAFEARRAY* outer = m_arena.Keep(SafeArrayCreateVector(VT_VARIANT, 0, 1));
        VARIANT inner = ArrayArgument(ArrayOfLongs(VT_I4, {1}));
        LONG zero = 0;
        if (outer) SafeArrayPutElement(outer, &zero, &inner);
        VariantClear(&inner);
        return Refused(ArrayArgument(outer));
      }
      case 6: return Refused(ArrayArgument(m_arena.Keep(SafeArrayCreateVector(VT_UI1, 0, 70000))));  // too long
      case 7: {
        VARIANT ref = Blank(VT_BYREF | VT_ARRAY | VT_I4);
        V_ARRAYREF(&ref) = m_arena.NewSlot(static_cast<SAFEARRAY*>(nullptr));  // a reference to no array
        return Refused(ref);
      }
      default: {
        std::vector<VARTYPE> types = ModuleTest::NumericElementTypes();
        types.push_back(VT_ERROR);
        VARTYPE vt = m_random.Pick(types);
        if (vt == VT_ERROR) return Refused(ArrayArgument(m_arena.Keep(SafeArrayCreateVector(VT_ERROR, 0, 2))));
        return ArrayOf(vt, m_random.Below(5), -3, 9);
      }
    }
  }

  // A descriptor that lies about its element size; the truth is put back
  // before the array is destroyed.
  Argument LyingArray() {
    VARTYPE vt = m_random.OneIn(2) ? VT_I4 : VT_VARIANT;
    SAFEARRAY* array = ArrayOfLongs(vt, {1, 2});
    if (!array) return NullReference();
    ULONG trueSize = array->cbElements;
    array->cbElements = 1 + m_random.Below(40);
    if (array->cbElements == trueSize) ++array->cbElements;
    m_arena.Later([array, trueSize] {
      array->cbElements = trueSize;
      SafeArrayDestroy(array);
    });
    VARIANT ref = Blank(VARTYPE(VT_BYREF | VT_ARRAY | vt));
    V_ARRAYREF(&ref) = m_arena.NewSlot(static_cast<SAFEARRAY*>(nullptr));
    *V_ARRAYREF(&ref) = array;
    return Refused(ref);
  }

  // VARIANT elements of any kind, the first perhaps referring to itself.
  Argument ArrayOfAnyVariants() {
    LONG count = LONG(1 + m_random.Below(3));
    SAFEARRAY* array = m_arena.Keep(SafeArrayCreateVector(VT_VARIANT, 0, ULONG(count)));
    for (LONG i = 0; i < count; ++i) {
      Argument element = m_random.OneIn(2) ? AnyScalar() : (m_random.OneIn(2) ? NullReference() : RecordValue());
      SafeArrayPutElement(array, &i, &element.value);
    }
    VARIANT* first = nullptr;
    LONG zero = 0;
    if (m_random.OneIn(4) && SUCCEEDED(SafeArrayPtrOfIndex(array, &zero, reinterpret_cast<void**>(&first)))) {
      VariantClear(first);
      ModuleTest::MakeSelfReference(first);
    }
    return Refused(ArrayArgument(array));
  }

  Argument RecordValue() {
    VARIANT v = Blank(VT_RECORD);
    ULONG size = 4 + 4 * m_random.Below(8);
    V_RECORDINFO(&v) = m_arena.Records(size);
    V_RECORD(&v) = m_arena.NewBytes(size);
    std::memset(V_RECORD(&v), 0x5A, size);
    return Refused(v);
  }

  // A type no argument should have: reserved bits, vectors, pointers,
  // by-reference or array bits with nothing behind them. A random type may
  // turn out to be a plain scalar after all (zero, a null BSTR or object),
  // which the platform judges safely.
  Argument GarbageType() {
    static const std::vector<VARTYPE> kTypes = {VT_VOID, VT_PTR, VT_SAFEARRAY, VT_CARRAY, VT_USERDEFINED, VT_LPSTR,
                                                VT_LPWSTR, VT_HRESULT, VT_INT_PTR, VT_FILETIME, VT_BLOB, VT_CLSID,
                                                VARTYPE(VT_VECTOR | VT_I4), VARTYPE(VT_RESERVED | VT_I4),
                                                VARTYPE(VT_ARRAY | VT_RECORD), VT_VARIANT, 15, 0x7FFF, 0xFFFF};
    VARIANT v = Blank(m_random.OneIn(4) ? VARTYPE(m_random.Next()) : m_random.Pick(kTypes));
    VARTYPE vt = V_VT(&v);
    bool plainScalar = !(vt & (VT_BYREF | VT_ARRAY)) &&
                       (std::count(kScalarTypes.begin(), kScalarTypes.end(), vt) || vt == VT_DISPATCH ||
                        vt == VT_UNKNOWN);
    return {v, plainScalar ? LongOf(v) : std::nullopt};
  }

  // Null, the grid itself (it has no default value), or the script array.
  Argument Object() {
    VARIANT v = Blank(m_random.OneIn(2) ? VT_DISPATCH : VT_UNKNOWN);
    switch (m_random.Below(3)) {
      case 0: break;
      case 1: V_UNKNOWN(&v) = m_source.callBack; break;
      default: V_VT(&v) = VT_DISPATCH; V_DISPATCH(&v) = m_source.scriptArray; break;
    }
    return {v, LongOf(v)};
  }

  Argument Hostile() {
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

  // What ExportEx's column list may be: a long by reference, a number, a
  // script array, arrays of every element type (behind a reference too).
  Argument ColumnList() {
    switch (m_random.Below(6)) {
      case 0: {
        VARIANT ref = Blank(VT_BYREF | VT_I4);
        V_I4REF(&ref) = static_cast<LONG*>(m_arena.NewBytes(sizeof(LONG)));
        *V_I4REF(&ref) = m_random.Between(-1, 6);
        return Refused(ref);
      }
      case 1: return Number(m_random.Between(-1, 6));
      case 2: {
        VARIANT v = Blank(VT_DISPATCH);
        V_DISPATCH(&v) = m_source.scriptArray;
        return Refused(v);
      }
      case 3: return VariantChain(ArrayOf(m_random.Pick(ModuleTest::NumericElementTypes()), m_random.Below(4), -1, 6));
      default: return ArrayOf(m_random.Pick(ModuleTest::NumericElementTypes()), m_random.Below(5), -1, 6);
    }
  }

  Argument Fitting(VARTYPE want) {
    if (want == (VT_BYREF | VT_I4)) return ColumnList();
    Argument plain;
    if (want == VT_BSTR || want == (VT_BYREF | VT_BSTR)) {
      plain = m_random.OneIn(6) ? Number(m_random.Between(0, 99)) : AnyText();
      if (want == (VT_BYREF | VT_BSTR) && m_random.OneIn(2)) return ByReference(plain);
    } else {
      static const std::vector<LONG> kEdges = {INT_MIN, INT_MAX, 65535, 65536, -32769, 32768, -1};
      LONG value = m_random.OneIn(8) ? m_random.Pick(kEdges) : m_random.Between(-2, 12);
      plain = Number(want == VT_BOOL ? m_random.Between(-1, 1) : value);
    }
    switch (m_random.Below(10)) {
      case 0: return ByReference(plain);
      case 1: return VariantChain(plain);
      default: return plain;
    }
  }

  Argument Count() {
    std::uint32_t kind = m_random.Below(100);
    // Negative counts, and 2^31 - 1 rows or columns that no memory holds,
    // are refused before any change.
    static const std::vector<LONG> kRefused = {-1, -1000, INT_MIN, INT_MAX};
    LONG value = kind < 2    ? 0
                 : kind < 80 ? m_random.Between(1, 30)
                 : kind < 93 ? m_random.Between(31, 300)
                             : m_random.Pick(kRefused);
    Argument plain = Number(value);
    switch (m_random.Below(12)) {
      case 0: return ByReference(plain);
      case 1: return VariantChain(plain);
      case 2: return Hostile();
      default: return plain;
    }
  }

 private:
  Random& m_random;
  Arena& m_arena;
  ArgumentSource& m_source;
};

}  // namespace

// ---- Arena

Arena::~Arena() {
  for (auto it = m_releases.rbegin(); it != m_releases.rend(); ++it) (*it)();
}

VARIANT* Arena::NewVariant() {
  m_variants.emplace_back();
  VariantInit(&m_variants.back());
  return &m_variants.back();
}

void* Arena::NewBytes(std::size_t size) {
  void* block = _aligned_malloc(size ? size : 1, 16);
  std::memset(block, 0, size ? size : 1);
  Later([block] { _aligned_free(block); });
  return block;
}

BSTR Arena::Keep(BSTR text) {
  Later([text] { SysFreeString(text); });
  return text;
}

SAFEARRAY* Arena::Keep(SAFEARRAY* array) {
  if (array) Later([array] { SafeArrayDestroy(array); });
  return array;
}

BSTR* Arena::NewSlot(BSTR text) {
  BSTR* slot = &m_textSlots.emplace_back(text);
  Later([slot] { SysFreeString(*slot); });
  return slot;
}

SAFEARRAY** Arena::NewSlot(SAFEARRAY* array) {
  SAFEARRAY** slot = &m_arraySlots.emplace_back(array);
  Later([slot] {
    if (*slot) SafeArrayDestroy(*slot);
  });
  return slot;
}

IRecordInfo* Arena::Records(ULONG size) {
  IRecordInfo* records = ModuleTest::NewByteRecordInfo(size);
  Later([records] { records->Release(); });
  return records;
}

// ---- The makers

Argument Fitting(ArgumentSource& source, VARTYPE want) { return Maker(source).Fitting(want); }
Argument Count(ArgumentSource& source) { return Maker(source).Count(); }
Argument Hostile(ArgumentSource& source) { return Maker(source).Hostile(); }
IDispatch* NewScriptArray(Random& random) { return new ScriptArray(random); }

}  // namespace BridgeFuzz
