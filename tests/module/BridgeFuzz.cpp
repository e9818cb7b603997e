// A seeded random driver of the control's IDispatch bridge under Wine, the
// control in place in a window of its own: random Invokes (members real and
// not, any flags, argument counts and named arguments, VARIANTs from
// well-typed to hostile) and window messages to the grid or its editor,
// after a scripted run of the regressions found so far. After every step
// the counts and a sentinel cell's text must agree with a small model.
//   tzgrid_bridge_fuzz <seed> <steps>
// Exit code: the number of inconsistencies (at most 255), 3 when a step
// hangs; a fault prints the step and ends the process with its code.
#include "../../src/automation/DispatchMap.h"
#include "../../tools/demohost/OleContainer.h"
#include "HostileVariants.h"
#include "HostKit.h"

#include <algorithm>
#include <atomic>
#include <climits>
#include <cmath>
#include <cstdio>
#include <map>

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
  LONG Between(LONG low, LONG high) { return LONG(low + std::int64_t(Next() % std::uint64_t(std::int64_t(high) - low + 1))); }
  template <typename T>
  const T& Pick(const std::vector<T>& items) {
    return items[Below(std::uint32_t(items.size()))];
  }

 private:
  std::uint64_t m_state;
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

// The long the platform makes of a plain value: what the bridge must take.
// A null BSTR or object and the missing-argument marker are no value.
Argument Plain(VARIANT plain) {
  VARTYPE vt = V_VT(&plain);
  VARIANT number = Blank(VT_EMPTY);
  if (((vt == VT_BSTR || vt == VT_DISPATCH || vt == VT_UNKNOWN) && !V_BYREF(&plain)) ||
      (vt == VT_ERROR && V_ERROR(&plain) == DISP_E_PARAMNOTFOUND) ||
      FAILED(VariantChangeType(&number, &plain, 0, VT_I4))) {
    return {plain, std::nullopt};
  }
  return {plain, V_I4(&number)};
}

Argument Refused(VARIANT value) { return {value, std::nullopt}; }

// An object answering "length" (DISPID -1) and items by index as a JScript
// array does: its length may lie (negative, or more than the bridge reads),
// and one item may be a text or fail.
class ScriptArray final : public Dispatch {
 public:
  explicit ScriptArray(Random& random) : m_count(LONG(random.Below(6))), m_first(random.Between(-2, 8)) {
    std::uint32_t lie = random.Below(10);
    m_length = lie == 0 ? -3 : lie == 1 ? (1 << 20) : m_count;
    m_oddItem = random.OneIn(3) ? LONG(random.Below(4)) : -1;
    m_oddText = random.Pick(std::vector<const wchar_t*>{nullptr, L"2", L"two"});
  }
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) override {
    wchar_t* end = nullptr;
    ids[0] = count == 1 ? DISPID(std::wcstol(names[0], &end, 10)) : -2;
    if (count == 1 && std::wstring(names[0]) == L"length") ids[0] = -1;
    else if (ids[0] < 0 || end == names[0] || *end) return DISP_E_UNKNOWNNAME;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS*, VARIANT* result, EXCEPINFO*,
                                   UINT*) override {
    if (!result) return E_POINTER;
    if (id == m_oddItem && !m_oddText) return E_FAIL;
    if (id != -1 && (id < 0 || id >= m_count)) return DISP_E_MEMBERNOTFOUND;
    *result = id == -1 ? Long(m_length) : id == m_oddItem ? Text(m_oddText) : Blank(VT_R8);
    if (V_VT(result) == VT_R8) V_R8(result) = m_first + id + (id % 2 ? 0.5 : 0.0);
    return S_OK;
  }

 private:
  LONG m_count, m_first, m_length, m_oddItem;
  const wchar_t* m_oddText;
};

// Makes arguments from well-typed to hostile: a value of some kind in some
// shape. callBack is an object whose default value a coercion may ask for
// (the grid itself: the coercion calls back into the control).
class ArgumentMaker {
 public:
  ArgumentMaker(Random& random, Keeper& arena, IDispatch* callBack, IDispatch* scriptArray)
      : m_random(random), m_arena(arena), m_callBack(callBack), m_scriptArray(scriptArray) {}

  // Any value (Value) as it is or behind a reference, or one of the kinds
  // every hostile client tries (HostileArgument).
  Argument Hostile() {
    if (!m_random.OneIn(4)) return Shaped(Value());
    // The kinds in turn: a run of a few hundred steps meets every one.
    static std::size_t next = 0;
    VARIANT v = HostileArgument(next++ % HostileKinds(), m_arena, m_callBack);
    if ((V_VT(&v) & VT_ARRAY) && !(V_VT(&v) & VT_BYREF)) KeepArray(V_ARRAY(&v));
    return Refused(v);
  }

  // What a member's parameter of type want takes, sometimes behind a
  // reference. ExportEx's column list (a long by reference) is a number,
  // a script array or an array of any element type.
  Argument Fitting(VARTYPE want) {
    static const std::vector<LONG> kEdges = {INT_MIN, INT_MAX, 65535, 65536, -32769, 32768, -1};
    std::uint32_t kind = m_random.Below(8);
    if (want == (VT_BYREF | VT_I4)) {
      return Shaped(kind < 2 ? Number(m_random.Between(-1, 6)) : kind < 4 ? Refused(ObjectValue(m_scriptArray))
                                                                          : Refused(NumericArray(-1, 6)));
    }
    if (want == VT_BSTR || want == (VT_BYREF | VT_BSTR)) return Shaped(kind ? Text() : Number(m_random.Between(0, 99)));
    LONG value = kind ? m_random.Between(-2, 12) : m_random.Pick(kEdges);
    return Shaped(Number(want == VT_BOOL ? m_random.Between(-1, 1) : value));
  }

  // A bare long reference as ExportEx's column list is a C++ caller's own
  // array of as many columns as its count says: it is backed by one long
  // enough for any count, its first entry the drawn number.
  void BackCallerSized(Argument& list) {
    constexpr std::size_t kLongestList = 32768;
    if (V_VT(&list.value) != (VT_BYREF | VT_I4) || !V_I4REF(&list.value)) return;
    auto* columns = new std::vector<LONG>(kLongestList);
    for (LONG& c : *columns) c = m_random.Between(-1, 6);
    (*columns)[0] = *V_I4REF(&list.value);
    m_arena.Later([columns] { delete columns; });
    V_I4REF(&list.value) = columns->data();
  }

  // Mostly small; sometimes negative, or 2^31 - 1 rows or columns that no
  // memory holds: refused before any change.
  Argument Count() {
    static const std::vector<LONG> kRefused = {-1, -1000, INT_MIN, INT_MAX};
    std::uint32_t kind = m_random.Below(100);
    LONG value = kind < 2 ? 0 : kind < 80 ? m_random.Between(1, 30) : kind < 93 ? m_random.Between(31, 300)
                                                                                  : m_random.Pick(kRefused);
    return m_random.OneIn(12) ? Hostile() : Shaped(Number(value));
  }

 private:
  // The value as it is, or (one in ten each) behind a typed reference or a
  // VARIANT reference.
  Argument Shaped(Argument plain) {
    std::uint32_t shape = m_random.Below(10);
    return shape == 0 ? ByReference(plain) : shape == 1 ? VariantChain(plain) : plain;
  }

  // The number as one of the types a host may pass it in (VT_INT and
  // VT_UINT: the same bits as VT_I4).
  Argument Number(LONG value) {
    VARIANT plain = Long(value), converted = Blank(VT_EMPTY);
    VARTYPE as = m_random.OneIn(3) ? VARTYPE(VT_I4) : m_random.Pick(NumericElementTypes());
    if (as != VT_I4 && SUCCEEDED(VariantChangeType(&converted, &plain, 0, as))) plain = converted;
    if (V_VT(&plain) == VT_BSTR) KeepText(V_BSTR(&plain));
    if (V_VT(&plain) == VT_I4 && m_random.OneIn(8)) V_VT(&plain) = m_random.OneIn(2) ? VT_INT : VT_UINT;
    return Plain(plain);
  }

  void KeepText(BSTR text) { m_arena.Keep(text, +[](BSTR owned) { SysFreeString(owned); }); }

  // Numbers as text, an embedded NUL, quotes and line breaks, texts up to a
  // megabyte, a null BSTR, one of odd byte length (half a character last).
  Argument Text() {
    static const std::vector<std::wstring> kTexts = {L"12", L"  -3 ", std::wstring(L"a\0b", 3), L"1e400", L"t\n\t\"q\", "};
    std::wstring text = m_random.OneIn(2) ? m_random.Pick(kTexts) : L"t" + std::to_wstring(m_random.Below(1000));
    if (m_random.OneIn(8)) text.assign(m_random.OneIn(20) ? (std::size_t(1) << 20) : m_random.Below(5000), L'x');
    VARIANT plain = Blank(VT_BSTR);
    std::uint32_t odd = m_random.Below(10);
    if (odd == 1) V_BSTR(&plain) = SysAllocStringByteLen("x\0y\0z", 1 + 2 * m_random.Below(3));
    if (odd > 1) V_BSTR(&plain) = SysAllocStringLen(text.data(), UINT(text.size()));
    KeepText(V_BSTR(&plain));
    return Plain(plain);
  }

  VARIANT ObjectValue(IDispatch* object) {
    VARIANT v = Blank(VT_DISPATCH);
    V_DISPATCH(&v) = object;
    return v;
  }

  // A scalar of any type (any bits, infinities, NaN, malformed DECIMALs,
  // error codes), a text, an object (null, the grid - no default value -,
  // the script array), a type no argument has, or an array: VARIANTs of
  // any kind, more elements than the bridge reads, errors, numbers.
  Argument Value() {
    static const std::vector<double> kReals = {2.5, -0.5, 1e300, 2147483647.5, NAN, INFINITY};
    static const std::vector<VARTYPE> kGarbage = {VT_VOID, VT_PTR, VT_SAFEARRAY, VT_LPWSTR, VT_HRESULT, VT_CLSID,
                                                  VT_BLOB, VARTYPE(VT_VECTOR | VT_I4), VARTYPE(VT_ARRAY | VT_RECORD),
                                                  VT_VARIANT, 0x7FFF, 0xFFFF};
    VARIANT v = Blank(m_random.Pick(kScalarTypes));
    std::uint64_t bits = m_random.Next();
    LONG count = 1 + LONG(m_random.Below(3));
    SAFEARRAY* array = nullptr;
    switch (m_random.Below(9)) {
      case 0: case 1:
        if (V_VT(&v) == VT_BSTR) return Text();
        // A DECIMAL's 64 low bits are where V_I8 is; its other fields fill the words before.
        V_I8(&v) = m_random.OneIn(3) ? LONGLONG(bits) : LONGLONG(m_random.Between(-3, 12));
        if (V_VT(&v) == VT_R4) V_R4(&v) = float(m_random.Pick(kReals));
        if (V_VT(&v) == VT_R8 || V_VT(&v) == VT_DATE) V_R8(&v) = m_random.Pick(kReals);
        if (V_VT(&v) == VT_ERROR && m_random.OneIn(2)) V_ERROR(&v) = DISP_E_PARAMNOTFOUND;
        if (V_VT(&v) == VT_DECIMAL) {
          V_DECIMAL(&v).Hi32 = ULONG(bits >> 40);
          V_DECIMAL(&v).scale = BYTE(m_random.Below(40));
          V_DECIMAL(&v).sign = m_random.OneIn(4) ? BYTE(bits >> 56) : (m_random.OneIn(2) ? DECIMAL_NEG : 0);
        }
        return Plain(v);
      case 2: case 3: return Text();
      case 4:
        v = ObjectValue(m_random.Pick(std::vector<IDispatch*>{nullptr, m_callBack, m_scriptArray}));
        if (m_random.OneIn(2)) V_VT(&v) = VT_UNKNOWN;
        return Plain(v);
      case 5:  // a random type may turn out a plain scalar (zero, a null BSTR or object) after all
        v = Blank(m_random.OneIn(4) ? VARTYPE(bits) : m_random.Pick(kGarbage));
        return std::count(kScalarTypes.begin(), kScalarTypes.end(), V_VT(&v)) || V_VT(&v) == VT_DISPATCH ||
                       V_VT(&v) == VT_UNKNOWN
                   ? Plain(v)
                   : Refused(v);
      case 6:
        array = SafeArrayCreateVector(VT_VARIANT, 0, count);
        for (LONG i = 0; i < count; ++i) {
          Argument element = Hostile();
          SafeArrayPutElement(array, &i, &element.value);
        }
        break;
      case 7:
        array = SafeArrayCreateVector(m_random.OneIn(2) ? VT_UI1 : VT_ERROR, 0, m_random.OneIn(2) ? 70000 : 2);
        break;
      default: return Refused(NumericArray(-3, 9));
    }
    return Refused(ArrayArgument(KeepArray(array)));
  }

  // A vector of up to four numbers of any element type.
  VARIANT NumericArray(LONG low, LONG high) {
    std::vector<LONG> values(m_random.Below(5));
    for (LONG& value : values) value = m_random.Between(low, high);
    SAFEARRAY* array = ArrayOfLongs(m_random.Pick(NumericElementTypes()), values);
    return ArrayArgument(KeepArray(array ? array : ArrayOfLongs(VT_I4, values)));
  }

  SAFEARRAY* KeepArray(SAFEARRAY* array) { return m_arena.Keep(array, +[](SAFEARRAY* a) { SafeArrayDestroy(a); }); }

  // The value behind a pointer of its own type: a typed host variable
  // passed by reference. Types no host variable has stay as they are.
  Argument ByReference(Argument plain) {
    VARTYPE vt = V_VT(&plain.value);
    bool scalar = vt != VT_EMPTY && vt != VT_NULL && std::count(kScalarTypes.begin(), kScalarTypes.end(), vt);
    if (!scalar && (vt & ~VT_TYPEMASK) != VT_ARRAY) return plain;
    VARIANT ref = Blank(VARTYPE(VT_BYREF | vt));
    VARIANT* slot = m_arena.NewSlot(plain.value);
    V_BYREF(&ref) = vt == VT_DECIMAL ? static_cast<void*>(slot) : static_cast<void*>(&V_I1(slot));
    if (vt == VT_BSTR && V_BSTR(slot)) {
      V_BSTR(slot) = SysAllocStringByteLen(reinterpret_cast<LPCSTR>(V_BSTR(slot)), SysStringByteLen(V_BSTR(slot)));
      m_arena.Later([slot] { SysFreeString(V_BSTR(slot)); });
    }
    return {ref, plain.asLong};
  }

  // VT_BYREF|VT_VARIANT over the value: what script hosts pass, taken as
  // the value (deeper chains are among the hostile kinds).
  Argument VariantChain(Argument plain) { return {VariantReference(m_arena.NewSlot(plain.value)), plain.asLong}; }

  Random& m_random;
  Keeper& m_arena;
  IDispatch* m_callBack;
  IDispatch* m_scriptArray;
};

// ---- The step the watchdog and the fault handler report

std::atomic<std::uint64_t> g_step{0};
std::atomic<ULONGLONG> g_stepStarted{0};
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

// A step that runs 30 s (a loop, a deadlock, a modal box waiting for a
// user) ends the run.
DWORD WINAPI Watchdog(void*) {
  for (;; Sleep(250)) {
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
  for (int i = 0; i < 64 && PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE); ++i) DispatchMessageW(&msg);
}

// ---- The model and one call

struct Counts {
  LONG rows = 0, columns = 0;
  bool operator==(const Counts& other) const { return rows == other.rows && columns == other.columns; }
  std::string Text() const { return std::to_string(rows) + " x " + std::to_string(columns); }
};

bool IsCountSetter(DISPID id) { return id == kColumns || id == kRows || id == kSetNumColumns || id == kSetNumRows; }
bool SetsRows(DISPID id) { return id == kRows || id == kSetNumRows; }

// The answers the bridge may give; any other is an inconsistency.
const std::vector<HRESULT> kBridgeAnswers = {S_OK, DISP_E_MEMBERNOTFOUND, DISP_E_BADPARAMCOUNT, DISP_E_TYPEMISMATCH,
                                             DISP_E_OVERFLOW, DISP_E_PARAMNOTOPTIONAL, DISP_E_PARAMNOTFOUND,
                                             DISP_E_NONAMEDARGS, DISP_E_EXCEPTION};

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
    if (!IsPut()) return (flags & kCall) != 0 && named.empty() && arguments.size() == std::size_t(entry->cParams);
    return entry->kind == TzGrid::DispKind::Property && arguments.size() == 1 &&
           named == std::vector<DISPID>{DISPID_PROPERTYPUT};
  }
  // A put of Rows or Columns, or SetNumRows/SetNumColumns.
  bool SetsCount() const { return entry && IsCountSetter(dispid) && (IsPut() || dispid > kRows); }
  std::string Text() const {
    std::string text = "invoke " + std::to_string(dispid) + " flags " + Hex(flags) + " types";
    for (const Argument& a : arguments) {
      text.append(" ").append(Hex(V_VT(&a.value)));
      if (a.asLong) text.append("=").append(std::to_string(*a.asLong));
    }
    return text + " named " + std::to_string(named.size() + extraNamed) + (dropArguments ? " rgvarg=null" : "") +
           (dropNamed ? " rgdispidNamedArgs=null" : "");
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

  // The regressions found so far: calls and the results they must give
  // (null: any). A column order naming a column the grid lacks once made a
  // write to a cell past that entry fail after storing its text; a shrink
  // makes the order a permutation again (the columns left out at the end).
  void RunScript() {
    const std::vector<std::pair<CallPlan, const wchar_t*>> script = {
        {ScriptedCall(kSetColumnOrder, {Long(9), Long(1)}), L"0"},
        {ScriptedCall(kSetCellText, {Long(1), Long(2), ModuleTest::Text(L"past the hole")}), nullptr},
        {ScriptedCall(kGetCellText, {Long(1), Long(2)}), L"past the hole"},
        {ScriptedCall(kSetNumColumns, {Long(4)}), nullptr},
        {ScriptedCall(kGetColumnVisibleIndex, {Long(1)}), L"3"},
        {ScriptedCall(kSetCellText, {Long(1), Long(1), ModuleTest::Text(L"back in")}), nullptr},
        {ScriptedCall(kGetCellText, {Long(1), Long(1)}), L"back in"},
    };
    ReloadInitialState();
    for (auto [plan, expected] : script) {
      std::snprintf(g_stepText, sizeof g_stepText, "scripted %s", plan.Text().c_str());
      std::wstring result;
      HRESULT hr = Perform(plan, &result);
      if (hr != S_OK) Inconsistent("a scripted call answered " + Hex(hr));
      if (expected && result != expected) Inconsistent("a scripted call gave " + Narrow(result));
      for (Argument& a : plan.arguments) VariantClear(&a.value);
    }
    ReloadInitialState();
  }

  void Run(std::uint64_t steps) {
    for (g_step = 1; g_step <= steps; ++g_step) {
      g_stepStarted = GetTickCount64();
      if (m_random.Below(100) < 60) {
        Keeper arena;  // what the arguments point at, released when the call is over
        IDispatch* scriptArray = new ScriptArray(m_random);
        ArgumentMaker maker(m_random, arena, m_grid, scriptArray);
        CallPlan plan = PlanCall(maker);
        std::snprintf(g_stepText, sizeof g_stepText, "%s", plan.Text().c_str());
        Perform(plan);
        scriptArray->Release();
      } else {
        MessageStep();
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
    for (const auto& [hr, count] : m_answers) std::printf(" %s %d", Hex(hr).c_str(), count);
    std::printf(" ), %d reloads, %d inconsistencies\n", m_reloads, m_inconsistencies);
  }

 private:
  // A member of the map mostly, or an id it lacks (never the modal About
  // box, which would wait for a user); the flags a host would use mostly, or odd ones;
  // the arguments the member wants, sometimes too few or too many;
  // malformed DISPPARAMS and missing out-pointers sometimes.
  CallPlan PlanCall(ArgumentMaker& maker) {
    static const std::vector<DISPID> kOtherIds = {0, -1, -4, 28, 44, 100, 0x7FFFFFFF, DISPID_PROPERTYPUT};
    static const std::vector<WORD> kOddFlags = {0, DISPATCH_PROPERTYPUTREF, DISPATCH_METHOD | DISPATCH_PROPERTYPUT,
                                                0xFFFF};
    const std::vector<TzGrid::DispEntry>& map = TzGrid::GetDispatchMap();
    CallPlan plan;
    plan.dispid = map[m_random.Below(std::uint32_t(map.size()))].dispid;
    if (m_random.OneIn(8)) plan.dispid = m_random.OneIn(4) ? DISPID(m_random.Next()) : m_random.Pick(kOtherIds);
    if (plan.dispid == DISPID_ABOUTBOX) plan.dispid = DISPID_REFRESH;
    plan.entry = TzGrid::FindDispEntry(TzGrid::DISPID(plan.dispid));
    bool property = plan.entry && plan.entry->kind == TzGrid::DispKind::Property;
    std::uint32_t flags = m_random.Below(14);
    plan.flags = flags < 2 ? m_random.Pick(kOddFlags) : property && flags < 8 ? WORD(DISPATCH_PROPERTYPUT)
                                                      : property && flags < 11 ? WORD(DISPATCH_PROPERTYGET) : kCall;
    if (plan.IsPut()) plan.named = {DISPID_PROPERTYPUT};
    std::size_t expected = plan.entry ? (plan.IsPut() ? 1 : std::size_t(plan.entry->cParams)) : m_random.Below(4);
    std::size_t count = m_random.OneIn(8) ? m_random.Below(7) : expected;
    for (std::size_t i = 0; i < count; ++i) {
      VARTYPE want = !plan.entry || i >= expected ? VARTYPE(VT_I4) : plan.IsPut() ? plan.entry->vtResult : plan.entry->params[i].vt;
      if (i == 0 && plan.entry && IsCountSetter(plan.dispid)) {
        plan.arguments.push_back(maker.Count());
      } else {
        plan.arguments.push_back(m_random.OneIn(7) ? maker.Hostile() : maker.Fitting(want));
      }
    }
    // A count that would make the grid larger than the driver allows, but
    // that the grid would take, becomes 3 (without a draw: the steps must
    // not depend on the control's answers).
    std::optional<LONG> value = plan.entry && IsCountSetter(plan.dispid) && count ? plan.arguments[0].asLong : std::nullopt;
    std::int64_t other = SetsRows(plan.dispid) ? m_model.columns : m_model.rows;
    if (value && *value > 0 && *value < kHugeCount && *value * other > kMaxFuzzCells) plan.arguments[0] = {Long(3), 3};
    // The exports ask for a file name in a modal dialog when their type is
    // 0: the driver always asks for an export without a file.
    std::size_t exportType = plan.dispid == kExportData ? 4 : 0;
    if ((plan.dispid == kExportData || plan.dispid == kExportEx) && exportType < plan.arguments.size()) {
      plan.arguments[exportType] = {Long(m_random.Between(1, 3)), {}};
    }
    constexpr std::size_t kColumnList = 2;
    if (plan.dispid == kExportEx && plan.arguments.size() > kColumnList) {
      maker.BackCallerSized(plan.arguments[kColumnList]);
    }
    switch (m_random.Below(40)) {
      case 0: plan.dropArguments = !plan.arguments.empty(); break;
      case 1: plan.named.push_back(DISPID_PROPERTYPUT); plan.dropNamed = true; break;
      case 2: plan.extraNamed = 1 + m_random.Below(3); plan.dropNamed = true; break;
      case 3: plan.named.push_back(m_random.Between(-3, 5)); break;
      case 4: plan.named.clear(); break;
      default: break;
    }
    plan.wantResult = !m_random.OneIn(5);
    plan.wantExcep = !m_random.OneIn(5);
    plan.wantArgErr = !m_random.OneIn(5);
    return plan;
  }

  // Makes the call and checks what it must leave: an answer of the bridge
  // with its out-parameters filled in, a result of the member's type,
  // counts as the model predicts, the sentinel's text.
  HRESULT Perform(CallPlan& plan, std::wstring* resultText = nullptr) {
    static const std::vector<DISPID> kTextWriters = {kSetCellText, kPaste, kExportEx, kExportData};
    bool textMayChange = Editor() || std::count(kTextWriters.begin(), kTextWriters.end(), plan.dispid);
    std::vector<VARIANT> reversed;
    for (auto it = plan.arguments.rbegin(); it != plan.arguments.rend(); ++it) reversed.push_back(it->value);
    DISPPARAMS params = {reversed.empty() || plan.dropArguments ? nullptr : reversed.data(),
                         plan.named.empty() || plan.dropNamed ? nullptr : plan.named.data(),
                         UINT(std::max<std::size_t>(reversed.size(), plan.dropArguments)),
                         UINT(plan.named.size() + plan.extraNamed)};
    UINT argErr = 0xFFFFFFFF;
    EXCEPINFO excep{};
    VARIANT result = Blank(VT_EMPTY);
    HRESULT hr = m_grid->Invoke(plan.dispid, IID_NULL, LOCALE_USER_DEFAULT, plan.flags, &params,
                                plan.wantResult ? &result : nullptr, plan.wantExcep ? &excep : nullptr,
                                plan.wantArgErr ? &argErr : nullptr);
    ++m_answers[hr];
    if (!std::count(kBridgeAnswers.begin(), kBridgeAnswers.end(), hr)) Inconsistent("Invoke answered " + Hex(hr) + ", no DISP_E_* answer");
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
    CheckSentinel(textMayChange);
    return hr;
  }

  // Only a count call that succeeded changes the counts, to what the model
  // predicts: a refusal for a negative count, an empty grid when either is
  // 0, else the counts asked for. One within the driver's bounds must be
  // taken (a larger one as memory allows). plan is null after a message.
  void CheckCounts(const CallPlan* plan, HRESULT hr) {
    Counts now = ReadCounts(), asked = m_model;
    std::optional<Counts> predicted;
    if (plan && plan->WellFormed() && plan->SetsCount() && plan->arguments[0].asLong) {
      (SetsRows(plan->dispid) ? asked.rows : asked.columns) = *plan->arguments[0].asLong;
      if (asked.rows >= 0 && asked.columns >= 0) predicted = asked.rows && asked.columns ? asked : Counts{};
      if (asked == m_model) predicted = m_model;
    }
    if (hr == S_OK && plan && plan->SetsCount()) {
      if (!predicted) Inconsistent("a count call the model expected refused was taken; counts now " + now.Text());
      if (predicted && !(now == *predicted)) {
        Inconsistent("counts " + now.Text() + " after a count call, expected " + predicted->Text());
      }
    } else if (!(now == m_model)) {
      Inconsistent("counts changed from " + m_model.Text() + " to " + now.Text() + " by a step answering " +
                   Hex(hr));
    } else if (predicted && hr != S_OK && std::int64_t(predicted->rows) * predicted->columns <= kMaxFuzzCells) {
      Inconsistent("a count call the model expected taken was refused: " + Hex(hr));
    }
    m_model = now;
  }

  // The sentinel cell keeps its text through every step that does not
  // write it; after those that may (text-writing members, window messages,
  // any step while an editor is open) its text is read anew.
  void CheckSentinel(bool textMayHaveChanged) {
    if (m_model.rows <= kSentinelRow || m_model.columns <= kSentinelColumn) return m_sentinel.reset();
    if (!m_sentinel) {
      HRESULT hr = Call(m_grid, L"SetCellText", {Long(kSentinelRow), Long(kSentinelColumn), ModuleTest::Text(L"sentinel")});
      if (hr != S_OK) return Inconsistent("the sentinel cannot be written: " + Hex(hr));
      m_sentinel = L"sentinel";
    }
    std::wstring text = CallText(m_grid, L"GetCellText", {Long(kSentinelRow), Long(kSentinelColumn)});
    if (text == L"<failed>") Inconsistent("the sentinel cell of a " + m_model.Text() + " grid cannot be read");
    if (text != *m_sentinel && !textMayHaveChanged) {
      Inconsistent("the sentinel reads '" + Narrow(text.substr(0, 40)) + "', expected '" + Narrow(*m_sentinel) + "'");
    }
    m_sentinel = text;
  }

  Counts ReadCounts() {
    Counts counts{CallLong(m_grid, L"Rows"), CallLong(m_grid, L"Columns")};
    if (counts.rows < 0 || counts.columns < 0) Inconsistent("the counts cannot be read back");
    return counts;
  }

  void ReloadInitialState() {
    std::snprintf(g_stepText, sizeof g_stepText, "reload the initial state");
    if (FAILED(LoadState(m_site->Control(), m_initialState))) Inconsistent("the initial state cannot be loaded");
    PumpPending();
    ++m_reloads;
    m_emptySteps = 0;
    m_model = ReadCounts();
    m_sentinel.reset();
    CheckSentinel(false);
  }

  void Inconsistent(const std::string& what) {
    if (++m_inconsistencies <= 20) Report("INCONSISTENT", what);
  }

  HWND Editor() const {
    HWND editor = FindEditor(m_site->ControlWindow());
    return editor && IsWindowVisible(editor) ? editor : nullptr;
  }

  // Keys, characters, mouse, wheel, scroll bars, sizes, focus and timers,
  // sent or posted to the grid or its editor (a point of any bits
  // sometimes: negative and huge coordinates); or a real resize by the
  // container, sometimes to nothing.
  void MessageStep() {
    static const std::vector<UINT> kMessages = {WM_KEYDOWN, WM_KEYDOWN, WM_KEYUP, WM_CHAR, WM_CHAR, WM_LBUTTONDOWN,
                                                WM_LBUTTONUP, WM_MOUSEMOVE, WM_LBUTTONDBLCLK, WM_MOUSEWHEEL,
                                                WM_VSCROLL, WM_HSCROLL, WM_SIZE, WM_SETFOCUS, WM_KILLFOCUS,
                                                WM_CANCELMODE, WM_CAPTURECHANGED, WM_TIMER, WM_RBUTTONDOWN,
                                                WM_SYSKEYDOWN, WM_PAINT, 0};
    static const std::vector<WPARAM> kKeys = {VK_LEFT, VK_RIGHT, VK_UP, VK_DOWN, VK_PRIOR, VK_NEXT, VK_HOME, VK_END,
                                              VK_TAB, VK_RETURN, VK_ESCAPE, VK_F2, VK_DELETE, VK_BACK, VK_INSERT,
                                              VK_SHIFT, VK_CONTROL, 'A', '7', '\t', '\n', '\b', '\r', 0x1B, 0,
                                              0xFFFF, 0x263A};
    HWND grid = m_site->ControlWindow();
    if (!IsWindow(grid)) return Inconsistent("the control has no window");
    HWND target = m_random.OneIn(3) && Editor() ? Editor() : grid;  // a draw whatever the editor's state
    UINT message = m_random.Pick(kMessages);
    // A key, the left button's state, a scroll code with any position, a
    // wheel turn, a timer id; none where the system takes a handle (the
    // EDIT class draws into the HDC a WM_PAINT carries).
    WPARAM w = 0;
    if (message == WM_KEYDOWN || message == WM_KEYUP || message == WM_CHAR || message == WM_SYSKEYDOWN) {
      w = m_random.Pick(kKeys);
    } else if (message == WM_VSCROLL || message == WM_HSCROLL) {
      w = MAKEWPARAM(m_random.Below(10), m_random.Next());
    } else if (message == WM_MOUSEWHEEL) {
      w = MAKEWPARAM(0, WORD(-120 * m_random.Between(-1, 40)));
    } else if (message == WM_TIMER || (message >= WM_MOUSEMOVE && message <= WM_LBUTTONDBLCLK)) {
      w = m_random.Below(message == WM_TIMER ? 2 : 0x20);  // a timer of the grid, or any mouse keys held
    }
    LPARAM l = m_random.OneIn(8) ? LPARAM(m_random.Next()) : MAKELPARAM(m_random.Between(-20, 520), m_random.Between(-20, 420));
    bool post = m_random.OneIn(2);
    std::snprintf(g_stepText, sizeof g_stepText, "%s message 0x%04X w 0x%llX l 0x%llX to the %s", post ? "post" : "send",
                  message, (unsigned long long)w, (unsigned long long)l, target == grid ? "grid" : "editor");
    if (!message) {
      m_site->SetRect(RECT{0, 0, LOWORD(l) % 900, HIWORD(l) % 700});
    } else if (post) {
      PostMessageW(target, message, w, l);
    } else {
      SendMessageW(target, message, w, l);
    }
    PumpPending();
  }

  Random m_random;
  OleContainer* m_site;
  IDispatch* m_grid;
  IStream* m_initialState;
  Counts m_model;
  std::optional<std::wstring> m_sentinel;  // nothing while the sentinel cell is not written
  int m_emptySteps = 0, m_inconsistencies = 0, m_reloads = 0;
  std::map<HRESULT, int> m_answers;
};

// The control in place in our own container, UI-active, and its first
// state saved (to reload when the grid has been emptied); then the scripted
// run and steps random ones.
int RunFuzz(std::uint64_t seed, std::uint64_t steps) {
  g_seed = seed;
  HWND host = CreateHostWindow(L"TzGrid bridge fuzz", 520, 420);
  int inconsistencies = 1;
  if (Hosted h(Container::Own, host, RECT{10, 10, 510, 410}); h.ok() && SUCCEEDED(h.site->UiActivate())) {
    Pump(50);
    ComPtr<IStream> initial = SavedState(h.control);
    Driver driver(seed, h.site, h.grid, initial.Get());
    driver.RunScript();
    driver.Run(steps);
    inconsistencies = driver.Inconsistencies();
  }
  DestroyWindow(host);
  return std::min(inconsistencies, 255);
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
  CloseHandle(CreateThread(nullptr, 0, BridgeFuzz::Watchdog, nullptr, 0, nullptr));
  int inconsistencies = BridgeFuzz::RunFuzz(std::wcstoull(argv[1], nullptr, 10), std::wcstoull(argv[2], nullptr, 10));
  OleUninitialize();
  return inconsistencies;
}
