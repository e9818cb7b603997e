// A seeded random driver of the control's IDispatch bridge under Wine. The
// control sits in place in a window of its own; each step is a random
// Invoke (members real and not, any flags, argument counts and named
// arguments, VARIANTs from well-typed to hostile), a window message sent or
// posted to the grid or its editor, or a pump of the message loop. After
// every step the control must still agree with a small model: the row and
// column counts the calls that succeeded give, and a sentinel cell's text.
// A short scripted run comes first: the regressions found so far.
//
//   tzgrid_bridge_fuzz <seed> <steps>
//
// Exit code: the number of inconsistencies (at most 255), 3 when a step
// hangs; a fault ends the process with its exception code after printing
// the step. The steps are a function of the seed alone.
#include "../../src/automation/DispatchMap.h"
#include "../../tools/demohost/OleContainer.h"
#include "HostileVariants.h"
#include "HostKit.h"

#include <algorithm>
#include <atomic>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <deque>
#include <functional>
#include <limits>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace BridgeFuzz {

namespace {

using namespace ModuleTest;
using TzGridHost::OleContainer;

constexpr DISPID kColumns = 1, kRows = 2, kSetCellText = 7, kSetNumColumns = 9, kSetNumRows = 10,
                 kGetCellText = 11, kPaste = 20, kExportData = 22, kGetColumnVisibleIndex = 30,
                 kSetColumnOrder = 33, kExportEx = 35;
constexpr WORD kCall = DISPATCH_METHOD | DISPATCH_PROPERTYGET;
// The most cells a count the driver passes may give the grid, so that one
// call never allocates more than a few megabytes; larger counts it passes
// (2^31 - 1 rows or columns) are ones the grid must refuse.
constexpr std::int64_t kMaxFuzzCells = 60000;
constexpr LONG kHugeCount = 0x7FFFFFFF, kSentinelRow = 1, kSentinelColumn = 1;
const wchar_t kSentinelText[] = L"sentinel";

// splitmix64: the same numbers for a seed on every build and runtime.
class Random {
 public:
  explicit Random(std::uint64_t seed) : m_state(seed) {}
  std::uint64_t Next() {
    std::uint64_t z = (m_state += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
  }
  std::uint32_t Below(std::uint32_t n) { return std::uint32_t(Next() % n); }
  bool OneIn(std::uint32_t n) { return Below(n) == 0; }
  std::int32_t Between(std::int32_t low, std::int32_t high) {
    return std::int32_t(low + std::int64_t(Next() % std::uint64_t(std::int64_t(high) - low + 1)));
  }
  template <typename T>
  const T& Pick(const std::vector<T>& items) {
    return items[Below(std::uint32_t(items.size()))];
  }

 private:
  std::uint64_t m_state;
};

// What the arguments of one call point at, released when the call is over
// (the argument VARIANTs themselves are never cleared: they may be
// references, or refer to themselves). Slots stay where they are, zeroed:
// a VARIANT (VT_EMPTY), or the payload of any by-value type.
class Arena {
 public:
  Arena() = default;
  Arena(const Arena&) = delete;
  ~Arena() {
    for (auto it = m_releases.rbegin(); it != m_releases.rend(); ++it) (*it)();
  }
  VARIANT* NewSlot() { return &m_slots.emplace_back(VARIANT{}); }
  template <typename T>
  T Keep(T owned, void (*release)(T)) {
    if (owned) m_releases.push_back([owned, release] { release(owned); });
    return owned;
  }
  void Later(std::function<void()> release) { m_releases.push_back(std::move(release)); }

 private:
  std::deque<VARIANT> m_slots;
  std::vector<std::function<void()>> m_releases;
};

// An argument and, when the bridge must accept it where a long is wanted,
// the long it stands for (nothing when it must be refused).
struct Argument {
  VARIANT value;
  std::optional<LONG> asLong;
};

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
Argument Plain(VARIANT value) { return {value, LongOf(value)}; }

// An object answering "length" and items by index as a JScript array does;
// its length may lie (negative, or more than the bridge reads) and an item
// may fail.
class ScriptArray final : public IDispatch {
 public:
  explicit ScriptArray(Random& random) {
    std::size_t length = random.Below(6);
    std::uint32_t lie = random.Below(10);
    m_length = lie == 0 ? -3 : lie == 1 ? (1 << 20) : LONG(length);
    for (std::size_t i = 0; i < length; ++i) {
      m_items.push_back(Blank(VT_R8));
      V_R8(&m_items.back()) = random.Between(-2, 8) + (random.OneIn(3) ? 0.5 : 0.0);
      if (random.OneIn(6)) {
        m_items.back() = Blank(VT_BSTR);
        V_BSTR(&m_items.back()) = SysAllocString(random.OneIn(2) ? L"2" : L"two");
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
  // "length" is -1, an item its index written in decimal.
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) override {
    wchar_t* end = nullptr;
    long index = count == 1 ? std::wcstol(names[0], &end, 10) : -2;
    if (count == 1 && std::wstring(names[0]) == L"length") index = -1;
    else if (index < 0 || end == names[0] || *end) return DISP_E_UNKNOWNNAME;
    ids[0] = DISPID(index);
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS*, VARIANT* result, EXCEPINFO*,
                                   UINT*) override {
    if (!result) return E_POINTER;
    VariantInit(result);
    if (id == -1) {
      V_VT(result) = VT_I4;
      V_I4(result) = m_length;
      return S_OK;
    }
    if (id == m_failingItem) return E_FAIL;
    if (id < 0 || std::size_t(id) >= m_items.size()) return DISP_E_MEMBERNOTFOUND;
    return VariantCopy(result, &m_items[std::size_t(id)]);
  }

 private:
  LONG m_ref = 1, m_length = 0, m_failingItem = -1;
  std::vector<VARIANT> m_items;
};

// Makes arguments, from well-typed values to hostile ones: a value of some
// kind (scalar, text, object, record, garbage type, array) in some shape
// (as it is, behind a typed or a VARIANT reference one or more steps deep,
// a null reference, a reference to itself). callBack is an object whose
// default value a coercion may ask for (the grid itself: the coercion calls
// back into the control).
class ArgumentMaker {
 public:
  ArgumentMaker(Random& random, Arena& arena, IDispatch* callBack, IDispatch* scriptArray)
      : m_random(random), m_arena(arena), m_callBack(callBack), m_scriptArray(scriptArray) {}

  Argument Hostile() {
    using Kind = Argument (ArgumentMaker::*)();
    static const std::vector<Kind> kKinds = {&ArgumentMaker::Scalar, &ArgumentMaker::Scalar, &ArgumentMaker::Text,
                                             &ArgumentMaker::Object, &ArgumentMaker::Record,
                                             &ArgumentMaker::GarbageType, &ArgumentMaker::Array};
    Argument value = (this->*m_random.Pick(kKinds))();
    switch (m_random.Below(9)) {
      case 0: case 1: return ByReference(value);
      case 2: return VariantChain(value, 1);
      case 3: return VariantChain(value, 2 + m_random.Below(2));
      case 4: return Refused(NullReference(m_random.OneIn(4) ? VARTYPE(VT_VARIANT) : V_VT(&value.value)));
      case 5: return SelfReference();
      case 6: return VariantChain(Hostile(), 1);
      default: return value;
    }
  }

  // What a member's parameter of type want takes, sometimes behind a reference.
  Argument Fitting(VARTYPE want) {
    static const std::vector<LONG> kEdges = {INT_MIN, INT_MAX, 65535, 65536, -32769, 32768, -1};
    if (want == (VT_BYREF | VT_I4)) {
      // ExportEx's column list: a long by reference, a number, a script
      // array, arrays of every element type (behind a reference too).
      switch (m_random.Below(6)) {
        case 0: return Refused(ByReference(Number(m_random.Between(-1, 6))).value);
        case 1: return Number(m_random.Between(-1, 6));
        case 2: return Refused(Dispatch(m_scriptArray));
        case 3: return VariantChain(Refused(NumericArray(-1, 6)), 1);
        case 4: return ByReference(Refused(NumericArray(-1, 6)));
        default: return Refused(NumericArray(-1, 6));
      }
    }
    if (want == VT_BSTR || want == (VT_BYREF | VT_BSTR)) {
      Argument plain = m_random.OneIn(6) ? Number(m_random.Between(0, 99)) : Text();
      return want != VT_BSTR && m_random.OneIn(2) ? ByReference(plain) : Referenced(plain);
    }
    LONG value = m_random.OneIn(8) ? m_random.Pick(kEdges) : m_random.Between(-2, 12);
    return Referenced(Number(want == VT_BOOL ? m_random.Between(-1, 1) : value));
  }

  // Mostly small; sometimes negative, or 2^31 - 1 rows or columns that no
  // memory holds: refused before any change.
  Argument Count() {
    static const std::vector<LONG> kRefused = {-1, -1000, INT_MIN, INT_MAX};
    std::uint32_t kind = m_random.Below(100);
    LONG value = kind < 2 ? 0 : kind < 80 ? m_random.Between(1, 30) : kind < 93 ? m_random.Between(31, 300)
                                                                                  : m_random.Pick(kRefused);
    Argument plain = Number(value);
    return m_random.OneIn(12) ? Hostile() : Referenced(plain);
  }

 private:
  // The value as it is, or (one in ten each) behind a typed reference or a
  // VARIANT reference.
  Argument Referenced(Argument plain) {
    std::uint32_t shape = m_random.Below(10);
    return shape == 0 ? ByReference(plain) : shape == 1 ? VariantChain(plain, 1) : plain;
  }

  // The number as one of the types a host may pass it in.
  Argument Number(LONG value) {
    static const std::vector<VARTYPE> kAs = {VT_I4, VT_I4, VT_I4,   VT_I2,  VT_UI1,  VT_UI2,     VT_UI4,
                                             VT_I8, VT_I1, VT_UI8,  VT_R4,  VT_R8,   VT_CY,      VT_DATE,
                                             VT_DECIMAL, VT_BSTR, VT_INT, VT_UINT};
    VARTYPE as = m_random.Pick(kAs);
    VARIANT plain = Blank(VT_I4), converted = Blank(VT_EMPTY);
    V_I4(&plain) = value;
    if (as == VT_INT || as == VT_UINT) V_VT(&plain) = as;  // the same bits as a long
    if (V_VT(&plain) == VT_I4 && as != VT_I4 && SUCCEEDED(VariantChangeType(&converted, &plain, 0, as))) {
      plain = converted;
    }
    if (V_VT(&plain) == VT_BSTR) m_arena.Keep(V_BSTR(&plain), +[](BSTR text) { SysFreeString(text); });
    return Plain(plain);
  }

  // A scalar of any type: small numbers mostly; any bits, infinities, NaN,
  // malformed DECIMALs (scale above 28, odd signs) and error codes sometimes.
  Argument Scalar() {
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
    return Plain(plain);
  }

  // Numbers as text, an embedded NUL, odd byte lengths, texts up to a
  // megabyte, a null BSTR, one that overflows, quotes and line breaks.
  Argument Text() {
    VARIANT plain = Blank(VT_BSTR);
    std::uint32_t kind = m_random.Below(8);
    std::wstring text = L"t" + std::to_wstring(m_random.Below(1000)) + (m_random.OneIn(3) ? L"\n\t\"quoted\", " : L"");
    if (kind == 0) text = L"12";
    if (kind == 1) text = L"  -3 ";
    if (kind == 2) text = std::wstring(L"a\0b", 3);
    if (kind == 4) text.assign(m_random.OneIn(20) ? (std::size_t(1) << 20) : m_random.Below(5000), L'x');
    if (kind == 6) text = L"1e400";
    if (kind == 3) {
      V_BSTR(&plain) = OddBstr("x\0y\0z", 1 + 2 * m_random.Below(3));
    } else if (kind != 5) {
      V_BSTR(&plain) = SysAllocStringLen(text.data(), UINT(text.size()));
    }
    m_arena.Keep(V_BSTR(&plain), +[](BSTR text) { SysFreeString(text); });
    return Plain(plain);
  }

  VARIANT Dispatch(IDispatch* object) {
    VARIANT v = Blank(VT_DISPATCH);
    V_DISPATCH(&v) = object;
    return v;
  }

  // Null, the grid itself (it has no default value), or the script array.
  Argument Object() {
    std::uint32_t kind = m_random.Below(3);
    VARIANT v = Dispatch(kind == 0 ? nullptr : kind == 1 ? m_callBack : m_scriptArray);
    if (m_random.OneIn(2)) V_VT(&v) = VT_UNKNOWN;
    return Plain(v);
  }

  IRecordInfo* NewRecordInfo(ULONG size) {
    return m_arena.Keep(NewByteRecordInfo(size), +[](IRecordInfo* r) { r->Release(); });
  }

  Argument Record() {
    VARIANT v = Blank(VT_RECORD);
    ULONG size = 4 + 4 * m_random.Below(8);
    V_RECORDINFO(&v) = NewRecordInfo(size);
    V_RECORD(&v) = m_arena.Keep(CoTaskMemAlloc(size), +[](void* bytes) { CoTaskMemFree(bytes); });
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
    bool plainScalar = std::count(kScalarTypes.begin(), kScalarTypes.end(), vt) || vt == VT_DISPATCH || vt == VT_UNKNOWN;
    return {v, plainScalar ? LongOf(v) : std::nullopt};
  }

  // A vector of up to four numbers of any element type.
  VARIANT NumericArray(LONG low, LONG high) {
    std::vector<LONG> values(m_random.Below(5));
    for (LONG& value : values) value = m_random.Between(low, high);
    SAFEARRAY* array = ArrayOfLongs(m_random.Pick(NumericElementTypes()), values);
    if (!array) array = ArrayOfLongs(VT_I4, values);
    return ArrayArgument(m_arena.Keep(array, +[](SAFEARRAY* a) { SafeArrayDestroy(a); }));
  }

  // Arrays no column list is made of: records, objects, two dimensions, a
  // descriptor lying about its element size (only ever passed by reference:
  // a copy of it would overrun), VARIANTs of any kind (one perhaps referring
  // to itself), an array in an array, more elements than the bridge reads,
  // errors; or numbers.
  Argument Array() {
    SAFEARRAY* array = nullptr;
    SAFEARRAYBOUND bounds[2] = {{1 + m_random.Below(3), 0}, {1 + m_random.Below(2), LONG(m_random.Below(3))}};
    switch (m_random.Below(9)) {
      case 0:
        array = SafeArrayCreateEx(VT_RECORD, 1, bounds, NewRecordInfo(4 + 4 * m_random.Below(12)));
        std::memset(array->pvData, int(m_random.Below(256)), bounds[0].cElements * array->cbElements);
        break;
      case 1:
        array = SafeArrayCreateVector(m_random.OneIn(2) ? VT_UNKNOWN : VT_DISPATCH, 0, 1 + m_random.Below(2));
        if (m_random.OneIn(2)) static_cast<IUnknown**>(array->pvData)[0] = m_callBack;
        if (static_cast<IUnknown**>(array->pvData)[0]) m_callBack->AddRef();
        break;
      case 2: array = SafeArrayCreate(VT_I4, 2, bounds); break;
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
      case 4:
        array = SafeArrayCreateVector(VT_VARIANT, 0, bounds[0].cElements);
        for (LONG i = 0; i < LONG(bounds[0].cElements); ++i) {
          Argument element = Hostile();
          SafeArrayPutElement(array, &i, &element.value);
        }
        if (m_random.OneIn(4)) {
          VariantClear(static_cast<VARIANT*>(array->pvData));
          MakeSelfReference(static_cast<VARIANT*>(array->pvData));
        }
        break;
      case 5:
        array = SafeArrayCreateVector(VT_VARIANT, 0, 1);
        static_cast<VARIANT*>(array->pvData)[0] = ArrayArgument(ArrayOfLongs(VT_I4, {1}));
        break;
      case 6: array = SafeArrayCreateVector(VT_UI1, 0, 70000); break;
      case 7: array = SafeArrayCreateVector(VT_ERROR, 0, 2); break;
      default: return Refused(NumericArray(-3, 9));
    }
    return Refused(ArrayArgument(m_arena.Keep(array, +[](SAFEARRAY* a) { SafeArrayDestroy(a); })));
  }

  // The value behind a pointer of its own type: a typed host variable
  // passed by reference (one in six arrays: a reference to no array).
  // Types no host variable has stay as they are.
  Argument ByReference(Argument plain) {
    VARTYPE vt = V_VT(&plain.value);
    bool scalar = vt != VT_EMPTY && vt != VT_NULL && std::count(kScalarTypes.begin(), kScalarTypes.end(), vt);
    if (!scalar && (vt & ~VT_TYPEMASK) != VT_ARRAY) return plain;
    VARIANT ref = Blank(VARTYPE(VT_BYREF | vt));
    VARIANT* slot = m_arena.NewSlot();
    *slot = plain.value;
    V_BYREF(&ref) = vt == VT_DECIMAL ? static_cast<void*>(slot) : static_cast<void*>(&V_I1(slot));
    if (vt == VT_BSTR && V_BSTR(slot)) {
      V_BSTR(slot) = SysAllocStringByteLen(reinterpret_cast<LPCSTR>(V_BSTR(slot)), SysStringByteLen(V_BSTR(slot)));
      m_arena.Later([slot] { SysFreeString(V_BSTR(slot)); });
    }
    if (!scalar && m_random.OneIn(6)) V_ARRAY(slot) = nullptr;
    return {ref, plain.asLong};
  }

  // VT_BYREF|VT_VARIANT over the value, depth steps deep: one step is what
  // script hosts pass and is taken, deeper chains are refused.
  Argument VariantChain(Argument plain, std::uint32_t depth) {
    bool innerIsChain = V_VT(&plain.value) == (VT_BYREF | VT_VARIANT);
    VARIANT current = plain.value;
    for (std::uint32_t i = 0; i < depth; ++i) {
      VARIANT* held = m_arena.NewSlot();
      *held = current;
      current = VariantReference(held);
    }
    return {current, depth == 1 && !innerIsChain ? plain.asLong : std::nullopt};
  }

  // A reference to itself, or to a second one that refers back.
  Argument SelfReference() {
    VARIANT* first = m_arena.NewSlot();
    VARIANT* second = m_random.OneIn(2) ? first : m_arena.NewSlot();
    *first = VariantReference(second);
    *second = VariantReference(first);
    return Refused(VariantReference(first));
  }

  Random& m_random;
  Arena& m_arena;
  IDispatch* m_callBack;
  IDispatch* m_scriptArray;
};

// ---- What the watchdog thread and the fault handler report

std::atomic<std::uint64_t> g_step{0};
std::atomic<ULONGLONG> g_stepStarted{0};
std::atomic<int> g_dialogsClosed{0};
std::uint64_t g_seed = 0;
char g_stepText[512] = "";

void Report(const char* what, const std::string& detail = "") {
  std::printf("%s in step %llu (seed %llu): %s\n    step: %s\n", what, static_cast<unsigned long long>(g_step.load()),
              static_cast<unsigned long long>(g_seed), detail.c_str(), g_stepText);
  std::fflush(stdout);
}

LONG WINAPI ReportFault(EXCEPTION_POINTERS* info) {
  Report("FAULT", "exception " + Hex(long(info->ExceptionRecord->ExceptionCode)));
  return EXCEPTION_EXECUTE_HANDLER;
}

// A member or key that opens a dialog box would wait for a user: the
// watchdog cancels every dialog of this process, and ends a step that hangs.
DWORD WINAPI Watchdog(void*) {
  for (;; Sleep(250)) {
    for (HWND box = nullptr; (box = FindWindowExW(nullptr, box, L"#32770", nullptr)) != nullptr;) {
      DWORD process = 0;
      GetWindowThreadProcessId(box, &process);
      if (process != GetCurrentProcessId() || !IsWindowVisible(box)) continue;
      PostMessageW(box, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
      PostMessageW(box, WM_CLOSE, 0, 0);
      ++g_dialogsClosed;
    }
    ULONGLONG started = g_stepStarted.load();
    if (started && GetTickCount64() - started > 30000) {
      Report("HANG");
      TerminateProcess(GetCurrentProcess(), 3);
    }
  }
}

// Dispatches what is queued, at most 64 messages: a control that keeps
// posting to itself cannot hold the driver.
void PumpPending() {
  MSG msg;
  for (int i = 0; i < 64 && PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE); ++i) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
}

// ---- The model

struct Counts {
  LONG rows = 0, columns = 0;
  bool operator==(const Counts& other) const { return rows == other.rows && columns == other.columns; }
  std::string Text() const { return std::to_string(rows) + " x " + std::to_string(columns); }
};

// What a resize request must give: nothing new when the counts are the
// same, a refusal (nullopt) for a negative count, an empty grid when either
// count is 0, else the counts asked for. Whether a grid larger than the
// driver allows is taken the memory at hand decides.
std::optional<Counts> Resized(Counts now, LONG columns, LONG rows) {
  if (columns == now.columns && rows == now.rows) return now;
  if (columns < 0 || rows < 0) return std::nullopt;
  if (columns == 0 || rows == 0) return Counts{0, 0};
  return Counts{rows, columns};
}

bool IsCountSetter(DISPID id) { return id == kColumns || id == kRows || id == kSetNumColumns || id == kSetNumRows; }
bool SetsRows(DISPID id) { return id == kRows || id == kSetNumRows; }

// The answers the bridge may give, by name; any other is an inconsistency.
const std::map<HRESULT, const char*> kBridgeAnswers = {
    {S_OK, "S_OK"}, {DISP_E_MEMBERNOTFOUND, "MEMBERNOTFOUND"}, {DISP_E_BADPARAMCOUNT, "BADPARAMCOUNT"},
    {DISP_E_TYPEMISMATCH, "TYPEMISMATCH"}, {DISP_E_OVERFLOW, "OVERFLOW"},
    {DISP_E_PARAMNOTOPTIONAL, "PARAMNOTOPTIONAL"}, {DISP_E_PARAMNOTFOUND, "PARAMNOTFOUND"},
    {DISP_E_NONAMEDARGS, "NONAMEDARGS"}, {DISP_E_EXCEPTION, "EXCEPTION"}};

std::string AnswerName(HRESULT hr) {
  auto known = kBridgeAnswers.find(hr);
  return known != kBridgeAnswers.end() ? known->second : Hex(hr);
}

// ---- One call

struct CallPlan {
  DISPID dispid = 0;
  const TzGrid::DispEntry* entry = nullptr;
  WORD flags = kCall;
  std::vector<Argument> arguments;  // in parameter order
  std::vector<DISPID> named;
  bool dropArguments = false;  // rgvarg null with cArgs > 0
  bool dropNamed = false;      // rgdispidNamedArgs null with cNamedArgs > 0
  UINT extraNamed = 0;         // cNamedArgs beyond what named holds
  bool wantResult = true, wantExcep = true, wantArgErr = true;

  bool IsPut() const { return (flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) != 0; }
  // The call a host would make: the bridge must take or refuse it on its values alone.
  bool WellFormed() const {
    if (!entry || dropArguments || dropNamed || extraNamed) return false;
    if (IsPut()) {
      return entry->kind == TzGrid::DispKind::Property && arguments.size() == 1 && named.size() == 1 &&
             named[0] == DISPID_PROPERTYPUT;
    }
    return (flags & kCall) != 0 && named.empty() && arguments.size() == std::size_t(entry->cParams);
  }
  // A call that sets a count: a put of Rows or Columns, or SetNumRows/SetNumColumns.
  bool SetsCount() const { return entry && IsCountSetter(dispid) && (IsPut() || dispid > kRows); }
  std::string Text() const {
    std::string text = "invoke " + std::to_string(dispid) + " " + (entry ? entry->name : "?") + " flags " +
                       Hex(flags) + " args [";
    for (const Argument& a : arguments) {
      text += Hex(V_VT(&a.value)) + (a.asLong ? std::string(1, '=') + std::to_string(*a.asLong) : "") + " ";
    }
    text += "] named " + std::to_string(named.size() + extraNamed);
    return text + (dropArguments ? " rgvarg=null" : "") + (dropNamed ? " rgdispidNamedArgs=null" : "");
  }
};

CallPlan ScriptedCall(DISPID dispid, std::vector<VARIANT> arguments) {
  CallPlan plan;
  plan.dispid = dispid;
  plan.entry = TzGrid::FindDispEntry(TzGrid::DISPID(dispid));
  for (const VARIANT& v : arguments) plan.arguments.push_back({v, V_VT(&v) == VT_I4 ? V_I4(&v) : std::optional<LONG>()});
  return plan;
}

class Driver {
 public:
  Driver(std::uint64_t seed, OleContainer* site, IDispatch* grid, IStream* initialState)
      : m_random(seed), m_site(site), m_grid(grid), m_initialState(initialState) {}

  int Inconsistencies() const { return m_inconsistencies; }

  // The regressions found so far, each as the calls that showed it and the
  // answers they must get. A column order written entry by entry that
  // names a column the grid does not have once made a write to a cell the
  // walk reaches past that entry fail after storing its text; a shrink
  // makes the order a permutation again (foreign and removed entries
  // dropped, the columns left out following at the end).
  void RunScript() {
    const std::vector<std::pair<CallPlan, const wchar_t*>> script = {  // the result as text; null: any
        {ScriptedCall(kSetColumnOrder, {Long(9), Long(1)}), L"0"},
        {ScriptedCall(kSetCellText, {Long(1), Long(2), ModuleTest::Text(L"past the hole")}), nullptr},
        {ScriptedCall(kGetCellText, {Long(1), Long(2)}), L"past the hole"},
        {ScriptedCall(kSetNumColumns, {Long(4)}), nullptr},
        {ScriptedCall(kGetColumnVisibleIndex, {Long(1)}), L"3"},
        {ScriptedCall(kSetCellText, {Long(1), Long(1), ModuleTest::Text(L"back in")}), nullptr},
        {ScriptedCall(kGetCellText, {Long(1), Long(1)}), L"back in"},
    };
    if (!ReadCounts(&m_model)) Inconsistent("the counts cannot be read back");
    CheckSentinel(false);
    for (auto [plan, expected] : script) {
      std::snprintf(g_stepText, sizeof g_stepText, "scripted %s", plan.Text().c_str());
      std::wstring result;
      HRESULT hr = Perform(plan, &result);
      if (hr != S_OK) Inconsistent("a scripted call answered " + AnswerName(hr));
      if (expected && result != expected) Inconsistent("a scripted call gave " + Narrow(result));
      for (Argument& a : plan.arguments) VariantClear(&a.value);
    }
    ReloadInitialState();
  }

  void Run(std::uint64_t steps) {
    for (std::uint64_t step = 1; step <= steps; ++step) {
      g_step = step;
      g_stepStarted = GetTickCount64();
      std::uint32_t kind = m_random.Below(100);
      if (kind < 60) {
        InvokeStep();
      } else {
        kind < 92 ? MessageStep() : PumpStep();
        CheckCounts(nullptr, S_FALSE);
        CheckSentinel(true);  // typing may have edited it
      }
      // An empty grid stays empty (a count of 0 empties both): after a few
      // steps the driver reloads the state saved at the start, as a host
      // reloading a form would.
      m_emptySteps = m_model.rows == 0 || m_model.columns == 0 ? m_emptySteps + 1 : 0;
      if (m_emptySteps >= 8) ReloadInitialState();
      g_stepStarted = 0;
    }
    std::printf("bridge fuzz: seed %llu, %llu steps: invokes (", static_cast<unsigned long long>(g_seed),
                static_cast<unsigned long long>(steps));
    for (const auto& [name, count] : m_answers) std::printf(" %s %d", name.c_str(), count);
    std::printf(" ), %d count changes, %d reloads, %d dialogs closed, %d inconsistencies\n", m_countChanges, m_reloads,
                g_dialogsClosed.load(), m_inconsistencies);
  }

 private:
  void InvokeStep() {
    Arena arena;
    IDispatch* scriptArray = new ScriptArray(m_random);
    ArgumentMaker maker(m_random, arena, m_grid, scriptArray);
    CallPlan plan = PlanCall(maker);
    std::snprintf(g_stepText, sizeof g_stepText, "%s", plan.Text().c_str());
    Perform(plan);
    scriptArray->Release();
  }

  // A member of the map mostly, or an id it lacks; flags a host would use
  // mostly, or odd ones; the arguments the member wants, sometimes too few
  // or too many; malformed DISPPARAMS and missing out-pointers sometimes.
  CallPlan PlanCall(ArgumentMaker& maker) {
    static const std::vector<DISPID> kOtherIds = {0, -1, -4, -5, 28, 43, 44, 100, 0x7FFFFFFF, DISPID(0x80000000),
                                                  DISPID_PROPERTYPUT, 1000};
    static const std::vector<WORD> kOddFlags = {0, DISPATCH_METHOD, DISPATCH_PROPERTYGET, DISPATCH_PROPERTYPUT,
                                                DISPATCH_PROPERTYPUTREF, DISPATCH_METHOD | DISPATCH_PROPERTYPUT,
                                                0x10, 0xFFFF};
    const std::vector<TzGrid::DispEntry>& map = TzGrid::GetDispatchMap();
    CallPlan plan;
    plan.dispid = map[m_random.Below(std::uint32_t(map.size()))].dispid;
    if (m_random.OneIn(8)) plan.dispid = m_random.OneIn(4) ? DISPID(m_random.Next()) : m_random.Pick(kOtherIds);
    if (plan.dispid == DISPID_ABOUTBOX) plan.dispid = DISPID_REFRESH;  // modal; tried by its own tests
    plan.entry = TzGrid::FindDispEntry(TzGrid::DISPID(plan.dispid));
    bool property = plan.entry && plan.entry->kind == TzGrid::DispKind::Property;
    if (m_random.OneIn(7)) {
      plan.flags = m_random.Pick(kOddFlags);
    } else if (property && m_random.OneIn(2)) {
      plan.flags = DISPATCH_PROPERTYPUT;
    } else {
      plan.flags = property && m_random.OneIn(2) ? WORD(DISPATCH_PROPERTYGET) : kCall;
    }
    if (plan.IsPut()) plan.named = {DISPID_PROPERTYPUT};
    MakeArguments(plan, maker);
    // The exports ask for a file name in a modal dialog when their type is
    // 0: the driver always asks for an export without a file.
    std::size_t exportType = plan.dispid == kExportData ? 4 : 0;
    if ((plan.dispid == kExportData || plan.dispid == kExportEx) && exportType < plan.arguments.size()) {
      plan.arguments[exportType] = {Long(m_random.Between(1, 3)), {}};
    }
    switch (m_random.Below(40)) {
      case 0: plan.dropArguments = !plan.arguments.empty(); break;
      case 1: plan.named.push_back(DISPID_PROPERTYPUT); plan.dropNamed = true; break;
      case 2: plan.extraNamed = 1 + m_random.Below(3); plan.dropNamed = true; break;
      case 3: plan.named.push_back(DISPID(m_random.Between(-3, 5))); break;
      case 4: plan.named.clear(); break;
      default: break;
    }
    plan.wantResult = !m_random.OneIn(5);
    plan.wantExcep = !m_random.OneIn(5);
    plan.wantArgErr = !m_random.OneIn(5);
    return plan;
  }

  // A count that would make the grid larger than the driver allows, but
  // that the grid would take, becomes 3 (without a draw: the steps must not
  // depend on the control's answers).
  void MakeArguments(CallPlan& plan, ArgumentMaker& maker) {
    std::size_t expected = plan.entry ? (plan.IsPut() ? 1 : std::size_t(plan.entry->cParams)) : m_random.Below(4);
    std::size_t count = m_random.OneIn(8) ? m_random.Below(7) : expected;
    bool countSetter = plan.entry && IsCountSetter(plan.dispid);
    for (std::size_t i = 0; i < count; ++i) {
      VARTYPE want = VT_I4;
      if (plan.entry && i < expected) want = plan.IsPut() ? plan.entry->vtResult : plan.entry->params[i].vt;
      if (i == 0 && countSetter) {
        plan.arguments.push_back(maker.Count());
      } else {
        plan.arguments.push_back(m_random.OneIn(7) ? maker.Hostile() : maker.Fitting(want));
      }
    }
    const std::optional<LONG> value = countSetter && count ? plan.arguments[0].asLong : std::nullopt;
    std::int64_t other = SetsRows(plan.dispid) ? m_model.columns : m_model.rows;
    if (value && *value > 0 && *value < kHugeCount && *value * other > kMaxFuzzCells) plan.arguments[0] = {Long(3), 3};
  }

  // Makes the call and checks what it must leave: an answer of the bridge
  // with its out-parameters filled in, a result of the member's type,
  // counts as the model predicts, the sentinel's text.
  HRESULT Perform(CallPlan& plan, std::wstring* resultText = nullptr) {
    bool editorOpen = Editor() != nullptr;
    std::vector<VARIANT> reversed;
    for (auto it = plan.arguments.rbegin(); it != plan.arguments.rend(); ++it) reversed.push_back(it->value);
    DISPPARAMS params = {reversed.empty() || plan.dropArguments ? nullptr : reversed.data(),
                         plan.named.empty() || plan.dropNamed ? nullptr : plan.named.data(),
                         UINT(std::max<std::size_t>(reversed.size(), plan.dropArguments ? 1 : 0)),
                         UINT(plan.named.size() + plan.extraNamed)};
    UINT argErr = 0xFFFFFFFF;
    EXCEPINFO excep{};
    VARIANT result = Blank(VT_EMPTY);
    HRESULT hr = m_grid->Invoke(plan.dispid, IID_NULL, LOCALE_USER_DEFAULT, plan.flags, &params,
                                plan.wantResult ? &result : nullptr, plan.wantExcep ? &excep : nullptr,
                                plan.wantArgErr ? &argErr : nullptr);
    ++m_answers[AnswerName(hr)];
    if (!kBridgeAnswers.count(hr)) Inconsistent("Invoke answered " + Hex(hr) + ", no DISP_E_* answer");
    if (hr == DISP_E_EXCEPTION && plan.wantExcep && (!excep.scode || !excep.bstrSource || !excep.bstrDescription)) {
      Inconsistent("an exception without scode, source or description");
    }
    if ((hr == DISP_E_TYPEMISMATCH || hr == DISP_E_OVERFLOW) && plan.wantArgErr && argErr >= plan.arguments.size()) {
      Inconsistent("argErr " + std::to_string(argErr) + " names no argument");
    }
    VARTYPE resultType = plan.entry && plan.entry->vtResult != TzGrid::VT_VOID ? plan.entry->vtResult : VARTYPE(VT_EMPTY);
    if (hr == S_OK && plan.wantResult && plan.entry && !plan.IsPut() && V_VT(&result) != resultType) {
      Inconsistent("a result of type " + std::to_string(V_VT(&result)) + " from " + plan.entry->name);
    }
    if (resultText && SUCCEEDED(VariantChangeType(&result, &result, 0, VT_BSTR))) {
      resultText->assign(V_BSTR(&result), SysStringLen(V_BSTR(&result)));
    }
    VariantClear(&result);
    for (BSTR text : {excep.bstrSource, excep.bstrDescription, excep.bstrHelpFile}) SysFreeString(text);
    CheckCounts(&plan, hr);
    static const std::vector<DISPID> kTextWriters = {kSetCellText, kPaste, kExportEx, kExportData};
    CheckSentinel(editorOpen || std::count(kTextWriters.begin(), kTextWriters.end(), plan.dispid));
    return hr;
  }

  // Only a count call that succeeded changes the counts, and to what the
  // model predicts; one the model predicts within the driver's bounds must
  // be taken. plan is null after a window message or a pump.
  void CheckCounts(const CallPlan* plan, HRESULT hr) {
    Counts now;
    if (!ReadCounts(&now)) return Inconsistent("the counts cannot be read back");
    std::optional<Counts> predicted;
    if (plan && plan->WellFormed() && plan->SetsCount() && plan->arguments[0].asLong) {
      LONG value = *plan->arguments[0].asLong;
      predicted = SetsRows(plan->dispid) ? Resized(m_model, m_model.columns, value)
                                         : Resized(m_model, value, m_model.rows);
    }
    if (hr == S_OK && plan && plan->SetsCount()) {
      if (!predicted) Inconsistent("a count call the model expected refused was taken; counts now " + now.Text());
      if (predicted && !(now == *predicted)) {
        Inconsistent("counts " + now.Text() + " after a count call, expected " + predicted->Text());
      }
    } else if (!(now == m_model)) {
      Inconsistent("counts changed from " + m_model.Text() + " to " + now.Text() + " by a step answering " +
                   AnswerName(hr));
    } else if (predicted && hr != S_OK && std::int64_t(predicted->rows) * predicted->columns <= kMaxFuzzCells) {
      Inconsistent("a count call the model expected taken was refused: " + AnswerName(hr));
    }
    m_countChanges += !(now == m_model);
    m_model = now;
  }

  // The sentinel cell keeps its text through every step that does not
  // write it; after those that may (text-writing members, window messages,
  // any step while an editor is open) its text is read anew.
  void CheckSentinel(bool textMayHaveChanged) {
    if (m_model.rows <= kSentinelRow || m_model.columns <= kSentinelColumn) {
      m_sentinel.reset();
      return;
    }
    if (!m_sentinel) {
      HRESULT hr = Call(m_grid, L"SetCellText", {Long(kSentinelRow), Long(kSentinelColumn), ModuleTest::Text(kSentinelText)});
      if (hr != S_OK) return Inconsistent("the sentinel cannot be written: " + AnswerName(hr));
      m_sentinel = kSentinelText;
    }
    std::wstring text = CallText(m_grid, L"GetCellText", {Long(kSentinelRow), Long(kSentinelColumn)});
    if (text == L"<failed>") Inconsistent("the sentinel cell of a " + m_model.Text() + " grid cannot be read");
    if (text != *m_sentinel && !textMayHaveChanged) {
      Inconsistent("the sentinel reads '" + Narrow(text.substr(0, 40)) + "', expected '" +
                   Narrow(m_sentinel->substr(0, 40)) + "'");
    }
    m_sentinel = text;
  }

  bool ReadCounts(Counts* counts) {
    counts->rows = CallLong(m_grid, L"Rows");
    counts->columns = CallLong(m_grid, L"Columns");
    return counts->rows >= 0 && counts->columns >= 0;
  }

  void ReloadInitialState() {
    std::snprintf(g_stepText, sizeof g_stepText, "reload the initial state");
    IPersistStreamInit* persist = nullptr;
    m_initialState->Seek(LARGE_INTEGER{}, STREAM_SEEK_SET, nullptr);
    if (FAILED(m_site->Control()->QueryInterface(IID_IPersistStreamInit, reinterpret_cast<void**>(&persist))) ||
        FAILED(persist->Load(m_initialState))) {
      Inconsistent("the initial state cannot be loaded");
    }
    if (persist) persist->Release();
    PumpPending();
    ++m_reloads;
    m_emptySteps = 0;
    if (!ReadCounts(&m_model)) Inconsistent("the counts cannot be read back");
    m_sentinel.reset();
    CheckSentinel(false);
  }

  void Inconsistent(const std::string& what) {
    if (++m_inconsistencies <= 20) Report("INCONSISTENT", what);
  }

  HWND Editor() const {
    HWND window = m_site->ControlWindow();
    HWND editor = window ? FindWindowExW(window, nullptr, L"Edit", nullptr) : nullptr;
    return editor && IsWindowVisible(editor) ? editor : nullptr;
  }

  // Keys, characters, mouse, wheel, scroll bars, sizes and focus, sent or
  // posted to the grid or its editor; or a real resize by the container.
  void MessageStep() {
    static const std::vector<WPARAM> kKeys = {VK_LEFT, VK_RIGHT, VK_UP,     VK_DOWN,   VK_PRIOR,  VK_NEXT,
                                              VK_HOME, VK_END,   VK_TAB,    VK_RETURN, VK_ESCAPE, VK_F2,
                                              VK_DELETE, VK_BACK, 'A',      '7',       VK_SPACE,  VK_INSERT,
                                              VK_SHIFT, VK_CONTROL};
    static const std::vector<WPARAM> kChars = {'a', 'Z', '5', ' ', '\b', '\r', '\t', 0x1B, 0, 0xFFFF, 0x263A, '\n'};
    static const std::vector<UINT> kOthers = {WM_SIZE, WM_SETFOCUS, WM_KILLFOCUS, WM_CANCELMODE, WM_CAPTURECHANGED,
                                              WM_TIMER, WM_RBUTTONDOWN, WM_SYSKEYDOWN, WM_PAINT};
    HWND grid = m_site->ControlWindow();
    if (!grid || !IsWindow(grid)) return Inconsistent("the control has no window");
    // Drawn whatever the editor's state: the steps depend on the seed alone.
    HWND target = m_random.OneIn(3) && Editor() ? Editor() : grid;
    LPARAM point = m_random.OneIn(8) ? LPARAM(m_random.Next())  // any bits: negative and huge coordinates
                                     : MAKELPARAM(m_random.Between(-20, 520), m_random.Between(-20, 420));
    UINT message = m_random.Pick(kOthers);
    WPARAM w = 0;
    LPARAM l = 0;
    switch (m_random.Below(14)) {
      case 0: case 1: message = WM_KEYDOWN; w = m_random.Pick(kKeys); l = 1; break;
      case 2: message = WM_KEYUP; w = m_random.Pick(kKeys); l = LPARAM(0xC0000001); break;
      case 3: case 4: message = WM_CHAR; w = m_random.Pick(kChars); l = 1; break;
      case 5: message = WM_LBUTTONDOWN; w = MK_LBUTTON; l = point; break;
      case 6: message = WM_LBUTTONUP; l = point; break;
      case 7: message = WM_MOUSEMOVE; w = m_random.OneIn(2) ? MK_LBUTTON : 0; l = point; break;
      case 8: message = WM_LBUTTONDBLCLK; w = MK_LBUTTON; l = point; break;
      case 9: message = WM_MOUSEWHEEL; w = MAKEWPARAM(0, WORD(-120 * m_random.Between(-1, 40))); l = point; break;
      case 10: case 11:
        message = m_random.OneIn(2) ? WM_VSCROLL : WM_HSCROLL;
        w = MAKEWPARAM(WORD(m_random.Below(10)), WORD(m_random.Next()));
        break;
      case 12: {
        RECT rect = {0, 0, m_random.Between(0, 900), m_random.Between(0, 700)};  // sometimes to nothing
        std::snprintf(g_stepText, sizeof g_stepText, "resize to %ld x %ld", rect.right, rect.bottom);
        m_site->SetRect(rect);
        return PumpPending();
      }
      default:
        w = message == WM_TIMER ? WPARAM(m_random.Below(4)) : 0;
        l = message == WM_SIZE ? LPARAM(m_random.Next() & 0xFFFFFFFF) : 0;
        break;
    }
    bool post = m_random.OneIn(2);
    std::snprintf(g_stepText, sizeof g_stepText, "%s message 0x%04X w 0x%llX l 0x%llX to the %s",
                  post ? "post" : "send", message, static_cast<unsigned long long>(w),
                  static_cast<unsigned long long>(l), target == grid ? "grid" : "editor");
    post ? void(PostMessageW(target, message, w, l)) : void(SendMessageW(target, message, w, l));
    PumpPending();
  }

  // Runs the message loop for a few milliseconds: timers fire, threads that
  // send to the window get their answers.
  void PumpStep() {
    DWORD ms = m_random.Below(20);
    std::snprintf(g_stepText, sizeof g_stepText, "pump %lu ms", static_cast<unsigned long>(ms));
    for (ULONGLONG end = GetTickCount64() + ms; GetTickCount64() <= end;) {
      PumpPending();
      MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
    }
  }

  Random m_random;
  OleContainer* m_site;
  IDispatch* m_grid;
  IStream* m_initialState;
  Counts m_model;
  std::optional<std::wstring> m_sentinel;  // nothing while the sentinel cell is not written
  int m_emptySteps = 0, m_inconsistencies = 0, m_countChanges = 0, m_reloads = 0;
  std::map<std::string, int> m_answers;
};

// The control embedded in place in a window of its own, the state it
// starts with saved (to reload when the grid has been emptied), then the
// scripted run and steps random ones.
int RunFuzz(std::uint64_t seed, std::uint64_t steps) {
  g_seed = seed;
  HWND host = CreateHostWindow(L"TzGrid bridge fuzz", 520, 420);
  OleContainer* site = nullptr;
  HRESULT hr = OleContainer::Create(host, RECT{10, 10, 510, 410}, kProgId, &site);
  IDispatch* grid = nullptr;
  IPersistStreamInit* persist = nullptr;
  IStream* initial = nullptr;
  if (SUCCEEDED(hr) && site->ControlWindow()) {
    site->Control()->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&grid));
    site->Control()->QueryInterface(IID_IPersistStreamInit, reinterpret_cast<void**>(&persist));
  }
  if (persist && SUCCEEDED(CreateStreamOnHGlobal(nullptr, TRUE, &initial)) && FAILED(persist->Save(initial, FALSE))) {
    initial->Release();
    initial = nullptr;
  }
  if (persist) persist->Release();
  if (!grid || !initial) {
    std::printf("FAIL the control cannot be embedded in place: %s\n", Hex(hr).c_str());
    return 1;
  }
  site->UiActivate();
  Pump(50);
  Driver driver(seed, site, grid, initial);
  driver.RunScript();
  driver.Run(steps);
  grid->Release();
  initial->Release();
  site->Close();
  site->Release();
  DestroyWindow(host);
  return std::min(driver.Inconsistencies(), 255);
}

}  // namespace

}  // namespace BridgeFuzz

int wmain(int argc, wchar_t** argv) {
  if (argc < 3) {
    std::printf("usage: tzgrid_bridge_fuzz <seed> <steps>\n");
    return 2;
  }
  SetUnhandledExceptionFilter(BridgeFuzz::ReportFault);
  if (FAILED(OleInitialize(nullptr))) return 1;
  HANDLE watchdog = CreateThread(nullptr, 0, BridgeFuzz::Watchdog, nullptr, 0, nullptr);
  int inconsistencies = BridgeFuzz::RunFuzz(std::wcstoull(argv[1], nullptr, 10), std::wcstoull(argv[2], nullptr, 10));
  if (watchdog) CloseHandle(watchdog);
  OleUninitialize();
  return inconsistencies;
}
