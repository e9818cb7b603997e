// A seeded, bounded random driver of the control's IDispatch bridge under
// Wine. It embeds the registered control in place in a window of its own,
// then for the given number of steps makes random Invoke calls (members
// real and not, any flags, argument counts and named arguments, VARIANTs
// from well-typed to hostile) interleaved with window messages sent and
// posted to the control (keys, characters, mouse, wheel, scroll bars,
// sizes, focus) and pumping of the message loop. After every step the
// control must have answered and must still agree with a small model: the
// row and column counts the driver expects from the calls that succeeded,
// and a sentinel cell's text.
//
//   tzgrid_bridge_fuzz <seed> <steps> [--trace]
//
// Exit code: 0 when every step was consistent, else the number of
// inconsistencies (at most 255); 3 when a step hangs; an access violation
// ends the process with its exception code after printing the step.
// The steps are a function of the seed alone.
#include "../../src/automation/DispatchMap.h"
#include "../../tools/demohost/OleContainer.h"
#include "FuzzArguments.h"
#include "HostKit.h"

#include <tlhelp32.h>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <cwchar>
#include <map>
#include <string>

namespace BridgeFuzz {

namespace {

using TzGridHost::OleContainer;

constexpr DISPID kColumns = 1, kRows = 2, kSetCellText = 7, kSetNumColumns = 9, kSetNumRows = 10,
                 kGetCellText = 11, kPaste = 20, kExportData = 22, kExportEx = 35;
constexpr WORD kCall = DISPATCH_METHOD | DISPATCH_PROPERTYGET;
// The one huge count the driver passes on purpose (2^31 - 1): no memory
// holds that many rows or columns, so the grid refuses it.
constexpr LONG kHugeCount = 0x7FFFFFFF;
// The most cells a count the driver passes may give the grid: one call never
// allocates more than a few megabytes. Larger counts it passes are ones the
// grid must refuse.
constexpr std::int64_t kMaxFuzzCells = 60000;
// The sentinel cell (row, column) and its text.
constexpr LONG kSentinelRow = 1, kSentinelColumn = 1;
const wchar_t kSentinelText[] = L"sentinel";
// WM_PAINT messages in one step that make it a paint storm: a step's
// bounded pumps dispatch at most 64 messages each.
constexpr std::uint64_t kPaintStormMessages = 40;
// A step that takes longer than this is a hang.
constexpr ULONGLONG kHangMs = 30000;

// ---- What the watchdog thread and the crash handler report

std::atomic<std::uint64_t> g_step{0};
std::atomic<ULONGLONG> g_stepStarted{0};
std::atomic<int> g_dialogsClosed{0};
std::uint64_t g_seed = 0;
char g_stepText[512] = "";

// The message being dispatched by the driver's loop, for a hang report.
std::atomic<UINT> g_dispatching{0};
std::atomic<std::uint64_t> g_dispatchedThisStep{0};
char g_dispatchingClass[64] = "";

void SetStepText(const std::string& text) {
  std::snprintf(g_stepText, sizeof g_stepText, "%s", text.c_str());
}

LONG WINAPI ReportFault(EXCEPTION_POINTERS* info) {
  std::printf("FAULT exception 0x%08lX at %p in step %llu (seed %llu): %s\n",
              static_cast<unsigned long>(info->ExceptionRecord->ExceptionCode),
              info->ExceptionRecord->ExceptionAddress, static_cast<unsigned long long>(g_step.load()),
              static_cast<unsigned long long>(g_seed), g_stepText);
  std::fflush(stdout);
  return EXCEPTION_EXECUTE_HANDLER;
}

// Closes any dialog box of this process: a member or key that opens one
// would otherwise wait for a user.
BOOL CALLBACK CloseOwnDialog(HWND window, LPARAM) {
  DWORD process = 0;
  GetWindowThreadProcessId(window, &process);
  wchar_t className[32] = L"";
  GetClassNameW(window, className, 32);
  if (process == GetCurrentProcessId() && IsWindowVisible(window) && std::wcscmp(className, L"#32770") == 0) {
    PostMessageW(window, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    PostMessageW(window, WM_CLOSE, 0, 0);
    ++g_dialogsClosed;
  }
  return TRUE;
}

HANDLE g_mainThread = nullptr;
DWORD g_watchdogThread = 0;

// Where a thread is: its instruction pointer as module + offset ('?' when
// it waits inside the system), enough to find a loop with the module's symbols.
void PrintWhereThreadIs(HANDLE thread, const char* which) {
  if (SuspendThread(thread) == DWORD(-1)) return;
  CONTEXT context{};
  context.ContextFlags = CONTEXT_CONTROL;
  bool got = GetThreadContext(thread, &context) != 0;
  ResumeThread(thread);
  if (!got) return;
  HMODULE module = nullptr;
  char name[MAX_PATH] = "?";
  if (GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                         reinterpret_cast<LPCSTR>(context.Rip), &module)) {
    GetModuleFileNameA(module, name, MAX_PATH);
  }
  std::printf("    %s at %s+0x%llX\n", which, name,
              static_cast<unsigned long long>(context.Rip - reinterpret_cast<DWORD64>(module)));
}

// The main thread and every other thread of the process (an auto-scroll
// worker, ...) at the time of a hang.
void PrintWhereTheThreadsAre() {
  if (g_mainThread) PrintWhereThreadIs(g_mainThread, "main thread");
  HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
  if (snapshot == INVALID_HANDLE_VALUE) return;
  THREADENTRY32 entry{};
  entry.dwSize = sizeof entry;
  for (BOOL more = Thread32First(snapshot, &entry); more; more = Thread32Next(snapshot, &entry)) {
    if (entry.th32OwnerProcessID != GetCurrentProcessId() || entry.th32ThreadID == g_watchdogThread ||
        entry.th32ThreadID == GetThreadId(g_mainThread)) {
      continue;
    }
    HANDLE thread = OpenThread(THREAD_SUSPEND_RESUME | THREAD_GET_CONTEXT, FALSE, entry.th32ThreadID);
    if (!thread) continue;
    std::string which = "thread " + std::to_string(entry.th32ThreadID);
    PrintWhereThreadIs(thread, which.c_str());
    CloseHandle(thread);
  }
  CloseHandle(snapshot);
}

// Closes dialogs and ends the process when a step hangs.
DWORD WINAPI Watchdog(void*) {
  for (;;) {
    Sleep(250);
    EnumWindows(CloseOwnDialog, 0);
    ULONGLONG started = g_stepStarted.load();
    if (started && GetTickCount64() - started > kHangMs) {
      std::printf("HANG in step %llu (seed %llu) for %llu ms: %s\n    dispatching message 0x%04X to a '%s' window "
                  "(%llu messages dispatched in this step)\n",
                  static_cast<unsigned long long>(g_step.load()), static_cast<unsigned long long>(g_seed),
                  static_cast<unsigned long long>(kHangMs), g_stepText, g_dispatching.load(), g_dispatchingClass,
                  static_cast<unsigned long long>(g_dispatchedThisStep.load()));
      PrintWhereTheThreadsAre();
      std::fflush(stdout);
      TerminateProcess(GetCurrentProcess(), 3);
    }
  }
}

// ---- Clean calls the driver makes to read the control back

HRESULT CleanInvoke(IDispatch* grid, DISPID id, WORD flags, std::vector<VARIANT> reversed, VARIANT* result,
                    std::string* failure = nullptr) {
  DISPID put = DISPID_PROPERTYPUT;
  DISPPARAMS params = {reversed.empty() ? nullptr : reversed.data(), nullptr, UINT(reversed.size()), 0};
  if (flags == DISPATCH_PROPERTYPUT) {
    params.rgdispidNamedArgs = &put;
    params.cNamedArgs = 1;
  }
  if (result) VariantInit(result);
  EXCEPINFO excep{};
  HRESULT hr = grid->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, flags, &params, result, &excep, nullptr);
  for (VARIANT& v : reversed) VariantClear(&v);
  if (failure && excep.bstrDescription) *failure = ModuleTest::Narrow(excep.bstrDescription);
  SysFreeString(excep.bstrSource);
  SysFreeString(excep.bstrDescription);
  SysFreeString(excep.bstrHelpFile);
  return hr;
}

bool ReadLong(IDispatch* grid, DISPID id, LONG* value) {
  VARIANT result;
  HRESULT hr = CleanInvoke(grid, id, DISPATCH_PROPERTYGET, {}, &result);
  bool ok = hr == S_OK && V_VT(&result) == VT_I4;
  if (ok) *value = V_I4(&result);
  VariantClear(&result);
  return ok;
}

bool ReadCellText(IDispatch* grid, LONG row, LONG column, std::wstring* text) {
  VARIANT result;
  HRESULT hr = CleanInvoke(grid, kGetCellText, kCall, {ModuleTest::Long(column), ModuleTest::Long(row)}, &result);
  bool ok = hr == S_OK && V_VT(&result) == VT_BSTR;
  if (ok) text->assign(V_BSTR(&result) ? V_BSTR(&result) : L"", SysStringLen(V_BSTR(&result)));
  VariantClear(&result);
  return ok;
}

// ---- The model

struct Counts {
  LONG rows = 0;
  LONG columns = 0;
  bool operator==(const Counts& other) const { return rows == other.rows && columns == other.columns; }
};

// What a resize request must give: nothing when the counts are the same,
// a refusal for a negative count, an empty grid (both counts 0) when
// either count is 0, the counts asked for when the grid stays small. A
// larger grid may be taken or refused, as the memory at hand decides:
// nothing then.
std::optional<Counts> Resized(Counts now, LONG columns, LONG rows) {
  if (columns == now.columns && rows == now.rows) return now;
  if (columns < 0 || rows < 0) return std::nullopt;
  if (columns == 0 || rows == 0) return Counts{0, 0};
  return Counts{rows, columns};
}

// True when the grid must take a resize the model predicted.
bool MustBeTaken(const Counts& predicted) {
  return std::int64_t(predicted.rows) * predicted.columns <= kMaxFuzzCells;
}

bool IsCountSetter(DISPID id) { return id == kColumns || id == kRows || id == kSetNumColumns || id == kSetNumRows; }
bool SetsRows(DISPID id) { return id == kRows || id == kSetNumRows; }

std::string Describe(const Counts& c) { return std::to_string(c.rows) + " x " + std::to_string(c.columns); }

// ---- One random call

struct CallPlan {
  DISPID dispid = 0;
  const TzGrid::DispEntry* entry = nullptr;
  WORD flags = kCall;
  std::vector<Argument> arguments;  // parameter order
  std::vector<DISPID> named;
  bool dropArguments = false;      // rgvarg null with cArgs > 0
  bool dropNamed = false;          // rgdispidNamedArgs null with cNamedArgs > 0
  UINT extraNamed = 0;             // cNamedArgs beyond what named holds (then also dropNamed)
  bool wantResult = true, wantExcep = true, wantArgErr = true;

  bool IsPut() const { return (flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) != 0; }
  // The call a host would make: the bridge must take or refuse it on its value alone.
  bool WellFormed() const {
    if (!entry || dropArguments || dropNamed || extraNamed) return false;
    if (IsPut()) {
      return entry->kind == TzGrid::DispKind::Property && arguments.size() == 1 && named.size() == 1 &&
             named[0] == DISPID_PROPERTYPUT;
    }
    return (flags & kCall) != 0 && named.empty() && arguments.size() == std::size_t(entry->cParams);
  }
};

std::string VarTypeText(VARTYPE vt) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%X", vt);
  return text;
}

// An argument's type and, for a value the platform can show as text
// (directly or one reference away), that text.
std::string DescribeArgument(const VARIANT& v) {
  std::string text = VarTypeText(V_VT(&v));
  VARIANT plain = v;
  if (V_VT(&v) == (VT_BYREF | VT_VARIANT) && V_VARIANTREF(&v)) plain = *V_VARIANTREF(&v);
  VARTYPE base = VARTYPE(V_VT(&plain) & ~VT_BYREF);
  bool readable = (V_VT(&plain) & ~(VT_BYREF | VT_TYPEMASK)) == 0 && (!(V_VT(&plain) & VT_BYREF) || V_BYREF(&plain)) &&
                  base != VT_DISPATCH && base != VT_UNKNOWN && base != VT_RECORD && base != VT_VARIANT &&
                  base < VT_VOID;
  VARIANT shown;
  VariantInit(&shown);
  if (readable && SUCCEEDED(VariantChangeType(&shown, &plain, VARIANT_ALPHABOOL, VT_BSTR)) && V_BSTR(&shown)) {
    std::wstring value(V_BSTR(&shown), std::min<UINT>(SysStringLen(V_BSTR(&shown)), 24));
    text.append("=").append(ModuleTest::Narrow(value));
  }
  VariantClear(&shown);
  return text;
}

std::string DescribePlan(const CallPlan& plan) {
  std::string text = "invoke " + std::to_string(plan.dispid) + (plan.entry ? std::string(" ") + plan.entry->name : "") +
                     " flags " + std::to_string(plan.flags) + " args [";
  for (const Argument& a : plan.arguments) text += DescribeArgument(a.value) + " ";
  text += "] named " + std::to_string(plan.named.size() + plan.extraNamed);
  if (plan.dropArguments) text += " rgvarg=null";
  if (plan.dropNamed) text += " rgdispidNamedArgs=null";
  return text;
}

bool IsAnswerOfTheBridge(HRESULT hr) {
  switch (hr) {
    case S_OK: case DISP_E_MEMBERNOTFOUND: case DISP_E_BADPARAMCOUNT: case DISP_E_TYPEMISMATCH:
    case DISP_E_OVERFLOW: case DISP_E_PARAMNOTOPTIONAL: case DISP_E_PARAMNOTFOUND: case DISP_E_NONAMEDARGS:
    case DISP_E_EXCEPTION:
      return true;
    default:
      return false;
  }
}

std::string AnswerName(HRESULT hr) {
  switch (hr) {
    case S_OK: return "S_OK";
    case DISP_E_MEMBERNOTFOUND: return "MEMBERNOTFOUND";
    case DISP_E_BADPARAMCOUNT: return "BADPARAMCOUNT";
    case DISP_E_TYPEMISMATCH: return "TYPEMISMATCH";
    case DISP_E_OVERFLOW: return "OVERFLOW";
    case DISP_E_PARAMNOTOPTIONAL: return "PARAMNOTOPTIONAL";
    case DISP_E_PARAMNOTFOUND: return "PARAMNOTFOUND";
    case DISP_E_NONAMEDARGS: return "NONAMEDARGS";
    case DISP_E_EXCEPTION: return "EXCEPTION";
    default: return ModuleTest::Hex(hr);
  }
}

// The VARIANT type a member's result comes back as.
VARTYPE ResultType(const TzGrid::DispEntry& entry) {
  return entry.vtResult == TzGrid::VT_VOID ? VARTYPE(VT_EMPTY) : VARTYPE(entry.vtResult);
}

class Driver {
 public:
  Driver(std::uint64_t seed, HWND host, OleContainer* site, IDispatch* grid, IStream* initialState, bool trace)
      : m_random(seed), m_host(host), m_site(site), m_grid(grid), m_initialState(initialState), m_trace(trace) {}

  void Run(std::uint64_t steps);
  int Inconsistencies() const { return m_inconsistencies; }
  void PrintFigures(std::uint64_t steps, double seconds) const;

 private:
  void InvokeStep();
  void MessageStep();
  void PumpStep();
  CallPlan PlanCall(ArgumentMaker& maker);
  void PickMember(CallPlan& plan);
  void PickFlags(CallPlan& plan);
  void MakeArguments(CallPlan& plan, ArgumentMaker& maker);
  void KeepCountsSane(CallPlan& plan);
  void DisarmModalMembers(CallPlan& plan);
  void MangleShape(CallPlan& plan);
  HRESULT Execute(CallPlan& plan, UINT* argErr, EXCEPINFO* excep, VARIANT* result);
  void CheckAnswer(const CallPlan& plan, HRESULT hr, UINT argErr, EXCEPINFO& excep, VARIANT& result);
  void CheckCounts(const CallPlan& plan, HRESULT hr, const Counts& before);
  std::optional<Counts> PredictCounts(const CallPlan& plan, const Counts& before) const;
  void CheckSentinel(bool textMayHaveChanged);
  void ResetWhenLongEmpty();
  void NotePaintStorm(std::uint64_t step);
  bool EditorVisible() const;
  HWND Editor() const;
  void PumpPending(int most);
  void Inconsistent(const std::string& what);

  Random m_random;
  HWND m_host;
  OleContainer* m_site;
  IDispatch* m_grid;
  IStream* m_initialState;
  bool m_trace;
  Counts m_model;
  bool m_sentinelAlive = false;
  std::wstring m_sentinel;
  int m_emptySteps = 0;
  int m_inconsistencies = 0;
  std::map<std::string, std::uint64_t> m_answers;
  std::uint64_t m_invokes = 0, m_messages = 0, m_pumps = 0, m_resets = 0, m_countChanges = 0, m_paintStorms = 0;
};

void Driver::Inconsistent(const std::string& what) {
  ++m_inconsistencies;
  if (m_inconsistencies <= 20) {
    std::printf("INCONSISTENT in step %llu (seed %llu): %s\n    step: %s\n",
                static_cast<unsigned long long>(g_step.load()), static_cast<unsigned long long>(g_seed), what.c_str(),
                g_stepText);
    std::fflush(stdout);
  }
}

HWND Driver::Editor() const {
  HWND window = m_site->ControlWindow();
  return window ? FindWindowExW(window, nullptr, L"Edit", nullptr) : nullptr;
}

bool Driver::EditorVisible() const {
  HWND editor = Editor();
  return editor && IsWindowVisible(editor);
}

// WM_PAINT messages the control's window received in the current step: a
// paint that makes itself due again never lets the queue run dry.
std::atomic<std::uint64_t> g_paintsThisStep{0};
const char kControlWindowClass[] = "TzGridControlWindow";

void DispatchOne(MSG& msg) {
  g_dispatching = msg.message;
  GetClassNameA(msg.hwnd, g_dispatchingClass, sizeof g_dispatchingClass);
  ++g_dispatchedThisStep;
  if (msg.message == WM_PAINT && std::strcmp(g_dispatchingClass, kControlWindowClass) == 0) ++g_paintsThisStep;
  TranslateMessage(&msg);
  DispatchMessageW(&msg);
  g_dispatching = 0;
}

// Dispatches what is queued, at most `most` messages: a control that keeps
// posting to itself cannot hold the driver.
void Driver::PumpPending(int most) {
  MSG msg;
  for (int i = 0; i < most && PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE); ++i) DispatchOne(msg);
}

// Runs the message loop for about ms milliseconds (timers fire, threads
// that send to the window get their answers).
void PumpFor(DWORD ms) {
  ULONGLONG end = GetTickCount64() + ms;
  do {
    MSG msg;
    while (GetTickCount64() <= end && PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchOne(msg);
    if (GetTickCount64() > end) break;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
  } while (GetTickCount64() <= end);
}

void Driver::Run(std::uint64_t steps) {
  ReadLong(m_grid, kRows, &m_model.rows);
  ReadLong(m_grid, kColumns, &m_model.columns);
  CheckSentinel(false);
  for (std::uint64_t step = 1; step <= steps; ++step) {
    g_step = step;
    g_dispatchedThisStep = 0;
    g_paintsThisStep = 0;
    g_stepStarted = GetTickCount64();
    std::uint32_t kind = m_random.Below(100);
    if (kind < 60) {
      InvokeStep();
    } else if (kind < 92) {
      MessageStep();
    } else {
      PumpStep();
    }
    ResetWhenLongEmpty();
    NotePaintStorm(step);
    g_stepStarted = 0;
  }
}

// ---- Invoke steps

void Driver::PickMember(CallPlan& plan) {
  const std::vector<TzGrid::DispEntry>& map = TzGrid::GetDispatchMap();
  if (m_random.OneIn(8)) {
    static const std::vector<DISPID> kOthers = {0, -1, -4, -5, 28, 43, 44, 100, 0x7FFFFFFF, DISPID(0x80000000),
                                                DISPID_PROPERTYPUT, 1000};
    plan.dispid = m_random.OneIn(4) ? DISPID(m_random.Next()) : m_random.Pick(kOthers);
  } else {
    plan.dispid = map[m_random.Below(std::uint32_t(map.size()))].dispid;
  }
  // The About box is modal and is tried by its own tests: never called here.
  if (plan.dispid == DISPID_ABOUTBOX) plan.dispid = DISPID_REFRESH;
  plan.entry = TzGrid::FindDispEntry(TzGrid::DISPID(plan.dispid));
}

void Driver::PickFlags(CallPlan& plan) {
  static const std::vector<WORD> kOdd = {0, DISPATCH_METHOD, DISPATCH_PROPERTYGET, DISPATCH_PROPERTYPUT,
                                         DISPATCH_PROPERTYPUTREF, DISPATCH_METHOD | DISPATCH_PROPERTYPUT, 0x10, 0xFFFF};
  bool property = plan.entry && plan.entry->kind == TzGrid::DispKind::Property;
  if (m_random.OneIn(7)) {
    plan.flags = m_random.Pick(kOdd);
  } else if (property && m_random.OneIn(2)) {
    plan.flags = DISPATCH_PROPERTYPUT;
  } else {
    plan.flags = property && m_random.OneIn(2) ? WORD(DISPATCH_PROPERTYGET) : kCall;
  }
  if (plan.IsPut()) plan.named = {DISPID_PROPERTYPUT};
}

void Driver::MakeArguments(CallPlan& plan, ArgumentMaker& maker) {
  std::size_t expected = plan.entry ? (plan.IsPut() ? 1 : std::size_t(plan.entry->cParams)) : m_random.Below(4);
  std::size_t count = m_random.OneIn(8) ? m_random.Below(7) : expected;
  bool countSetter = plan.entry && IsCountSetter(plan.dispid);
  for (std::size_t i = 0; i < count; ++i) {
    VARTYPE want = VT_I4;
    if (plan.entry && i < expected) want = plan.IsPut() ? plan.entry->vtResult : plan.entry->params[i].vt;
    if (countSetter && i == 0) {
      plan.arguments.push_back(maker.Count());
    } else {
      plan.arguments.push_back(m_random.OneIn(7) ? maker.Hostile() : maker.Fitting(want));
    }
  }
}

// A count that would make the grid larger than the driver allows, but that
// the grid would take, is replaced: one call never allocates gigabytes.
void Driver::KeepCountsSane(CallPlan& plan) {
  if (!plan.entry || !IsCountSetter(plan.dispid) || plan.arguments.empty()) return;
  const std::optional<LONG>& value = plan.arguments[0].asLong;
  if (!value || *value <= 0) return;
  std::int64_t other = SetsRows(plan.dispid) ? m_model.columns : m_model.rows;
  std::int64_t cells = std::int64_t(*value) * other;
  // No random number is drawn here: the steps must not depend on the answers.
  if (cells > kMaxFuzzCells && *value < kHugeCount) plan.arguments[0] = {ModuleTest::Long(3), 3};
}

// The exports ask for a file name in a modal dialog when their type is 0:
// the driver always asks for the export without a file.
void Driver::DisarmModalMembers(CallPlan& plan) {
  if ((plan.dispid == kExportData || plan.dispid == kExportEx) && !plan.arguments.empty()) {
    std::size_t typeIndex = plan.dispid == kExportData ? 4 : 0;
    if (typeIndex < plan.arguments.size()) plan.arguments[typeIndex] = {ModuleTest::Long(m_random.Between(1, 3)), {}};
  }
}

void Driver::MangleShape(CallPlan& plan) {
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
}

CallPlan Driver::PlanCall(ArgumentMaker& maker) {
  CallPlan plan;
  PickMember(plan);
  PickFlags(plan);
  MakeArguments(plan, maker);
  KeepCountsSane(plan);
  DisarmModalMembers(plan);
  MangleShape(plan);
  return plan;
}

HRESULT Driver::Execute(CallPlan& plan, UINT* argErr, EXCEPINFO* excep, VARIANT* result) {
  std::vector<VARIANT> reversed;
  for (auto it = plan.arguments.rbegin(); it != plan.arguments.rend(); ++it) reversed.push_back(it->value);
  DISPPARAMS params = {reversed.empty() || plan.dropArguments ? nullptr : reversed.data(),
                       plan.named.empty() || plan.dropNamed ? nullptr : plan.named.data(), UINT(reversed.size()),
                       UINT(plan.named.size() + plan.extraNamed)};
  if (plan.dropArguments && params.cArgs == 0) params.cArgs = 1;
  return m_grid->Invoke(plan.dispid, IID_NULL, LOCALE_USER_DEFAULT, plan.flags, &params,
                        plan.wantResult ? result : nullptr, plan.wantExcep ? excep : nullptr,
                        plan.wantArgErr ? argErr : nullptr);
}

void Driver::CheckAnswer(const CallPlan& plan, HRESULT hr, UINT argErr, EXCEPINFO& excep, VARIANT& result) {
  if (!IsAnswerOfTheBridge(hr)) Inconsistent("Invoke answered " + ModuleTest::Hex(hr) + ", no DISP_E_* answer");
  if (hr == DISP_E_EXCEPTION && plan.wantExcep) {
    if (excep.scode == 0 || !excep.bstrSource || !excep.bstrDescription) {
      Inconsistent("an exception without scode, source or description");
    }
  }
  bool argumentRefused = hr == DISP_E_TYPEMISMATCH || hr == DISP_E_OVERFLOW;
  if (argumentRefused && plan.wantArgErr && argErr >= plan.arguments.size()) {
    Inconsistent("argErr " + std::to_string(argErr) + " names no argument");
  }
  if (hr == S_OK && plan.wantResult && plan.entry && !plan.IsPut() && V_VT(&result) != ResultType(*plan.entry)) {
    Inconsistent("result of type " + VarTypeText(V_VT(&result)) + " from " + plan.entry->name);
  }
  SysFreeString(excep.bstrSource);
  SysFreeString(excep.bstrDescription);
  SysFreeString(excep.bstrHelpFile);
  VariantClear(&result);
}

std::optional<Counts> Driver::PredictCounts(const CallPlan& plan, const Counts& before) const {
  if (!plan.WellFormed() || !IsCountSetter(plan.dispid)) return std::nullopt;
  if (!plan.IsPut() && (plan.dispid == kRows || plan.dispid == kColumns)) return std::nullopt;  // a get
  const std::optional<LONG>& value = plan.arguments[0].asLong;
  if (!value) return std::nullopt;
  return SetsRows(plan.dispid) ? Resized(before, before.columns, *value) : Resized(before, *value, before.rows);
}

void Driver::CheckCounts(const CallPlan& plan, HRESULT hr, const Counts& before) {
  Counts now;
  if (!ReadLong(m_grid, kRows, &now.rows) || !ReadLong(m_grid, kColumns, &now.columns)) {
    Inconsistent("the counts cannot be read back");
    return;
  }
  std::optional<Counts> predicted = PredictCounts(plan, before);
  bool countCall = plan.entry && IsCountSetter(plan.dispid) && (plan.IsPut() || plan.dispid > kRows);
  if (hr == S_OK && countCall) {
    if (!predicted) {
      Inconsistent("a count call the model expected refused was taken; counts now " + Describe(now));
    } else if (!(now == *predicted)) {
      Inconsistent("counts " + Describe(now) + " after a count call, expected " + Describe(*predicted));
    }
  } else if (!(now == before)) {
    Inconsistent("counts changed from " + Describe(before) + " to " + Describe(now) + " by a call answering " +
                 AnswerName(hr));
  } else if (predicted && hr != S_OK && MustBeTaken(*predicted)) {
    Inconsistent("a count call the model expected taken was refused: " + AnswerName(hr));
  }
  if (!(now == m_model)) ++m_countChanges;
  m_model = now;
}

// The sentinel cell keeps its text through every call that does not write
// it. Window messages may edit it (typing into the focused cell), so after
// them, after text-writing members and while an editor is open, its text
// is read anew.
void Driver::CheckSentinel(bool textMayHaveChanged) {
  bool exists = m_model.rows > kSentinelRow && m_model.columns > kSentinelColumn;
  if (!exists) {
    m_sentinelAlive = false;
    return;
  }
  if (!m_sentinelAlive) {
    std::string why;
    HRESULT hr = CleanInvoke(m_grid, kSetCellText, kCall,
                             {ModuleTest::Text(kSentinelText), ModuleTest::Long(kSentinelColumn),
                              ModuleTest::Long(kSentinelRow)},
                             nullptr, &why);
    if (hr != S_OK) Inconsistent("the sentinel cannot be written: " + AnswerName(hr) + " (" + why + ")");
    m_sentinelAlive = hr == S_OK;
    m_sentinel = kSentinelText;
  }
  std::wstring text;
  if (!ReadCellText(m_grid, kSentinelRow, kSentinelColumn, &text)) {
    Inconsistent("the sentinel cell of a " + Describe(m_model) + " grid cannot be read");
    return;
  }
  if (text != m_sentinel && !textMayHaveChanged) {
    Inconsistent("the sentinel reads '" + ModuleTest::Narrow(text.substr(0, 40)) + "', expected '" +
                 ModuleTest::Narrow(m_sentinel.substr(0, 40)) + "'");
  }
  m_sentinel = text;
}

void Driver::InvokeStep() {
  Arena arena;
  IDispatch* scriptArray = NewScriptArray(m_random);
  ArgumentMaker maker(m_random, arena, m_grid, scriptArray);
  CallPlan plan = PlanCall(maker);
  SetStepText(DescribePlan(plan));
  if (m_trace) std::printf("%llu: %s", static_cast<unsigned long long>(g_step.load()), g_stepText);

  Counts before = m_model;
  bool editorOpen = EditorVisible();
  UINT argErr = 0xFFFFFFFF;
  EXCEPINFO excep{};
  VARIANT result;
  VariantInit(&result);
  HRESULT hr = Execute(plan, &argErr, &excep, &result);
  ++m_invokes;
  ++m_answers[AnswerName(hr)];
  if (m_trace) std::printf(" -> %s\n", AnswerName(hr).c_str());

  CheckAnswer(plan, hr, argErr, excep, result);
  CheckCounts(plan, hr, before);
  bool writesText = plan.dispid == kSetCellText || plan.dispid == kPaste || plan.dispid == kExportEx ||
                    plan.dispid == kExportData;
  CheckSentinel(editorOpen || (writesText && plan.entry));
  scriptArray->Release();
}

// ---- Window message steps

LPARAM RandomPoint(Random& random) {
  if (random.OneIn(8)) return LPARAM(random.Next());  // any bits: negative and huge coordinates
  return MAKELPARAM(random.Between(-20, 520), random.Between(-20, 420));
}

void Driver::MessageStep() {
  static const std::vector<WPARAM> kKeys = {VK_LEFT, VK_RIGHT, VK_UP,     VK_DOWN,   VK_PRIOR, VK_NEXT,  VK_HOME,
                                            VK_END,  VK_TAB,   VK_RETURN, VK_ESCAPE, VK_F2,    VK_DELETE, VK_BACK,
                                            'A',     '7',      VK_SPACE,  VK_INSERT, VK_SHIFT, VK_CONTROL};
  static const std::vector<WPARAM> kChars = {'a', 'Z', '5', ' ', '\b', '\r', '\t', 0x1B, 0, 0xFFFF, 0x263A, '\n'};
  HWND grid = m_site->ControlWindow();
  if (!grid || !IsWindow(grid)) {
    Inconsistent("the control has no window");
    return;
  }
  HWND editor = Editor();
  bool toEditor = m_random.OneIn(3);  // drawn whatever the editor's state: the steps depend on the seed alone
  HWND target = toEditor && editor && IsWindowVisible(editor) ? editor : grid;
  UINT message = 0;
  WPARAM w = 0;
  LPARAM l = 0;
  switch (m_random.Below(14)) {
    case 0: case 1: message = WM_KEYDOWN; w = m_random.Pick(kKeys); l = 1; break;
    case 2: message = WM_KEYUP; w = m_random.Pick(kKeys); l = LPARAM(0xC0000001); break;
    case 3: case 4: message = WM_CHAR; w = m_random.Pick(kChars); l = 1; break;
    case 5: message = WM_LBUTTONDOWN; w = MK_LBUTTON; l = RandomPoint(m_random); break;
    case 6: message = WM_LBUTTONUP; l = RandomPoint(m_random); break;
    case 7: message = WM_MOUSEMOVE; w = m_random.OneIn(2) ? MK_LBUTTON : 0; l = RandomPoint(m_random); break;
    case 8: message = WM_LBUTTONDBLCLK; w = MK_LBUTTON; l = RandomPoint(m_random); break;
    case 9:
      message = WM_MOUSEWHEEL;
      w = MAKEWPARAM(0, WORD(m_random.OneIn(2) ? 120 : -120 * m_random.Between(1, 40)));
      l = RandomPoint(m_random);
      break;
    case 10: case 11:
      message = m_random.OneIn(2) ? WM_VSCROLL : WM_HSCROLL;
      w = MAKEWPARAM(WORD(m_random.Below(10)), WORD(m_random.Next()));
      break;
    case 12: {
      // A real resize by the container, sometimes to nothing.
      RECT rect = {0, 0, m_random.Between(0, 900), m_random.Between(0, 700)};
      std::string text = "resize to " + std::to_string(rect.right) + " x " + std::to_string(rect.bottom);
      SetStepText(text);
      if (m_trace) std::printf("%llu: %s\n", static_cast<unsigned long long>(g_step.load()), text.c_str());
      m_site->SetRect(rect);
      ++m_messages;
      PumpPending(64);
      CheckCounts(CallPlan{}, S_FALSE, m_model);
      CheckSentinel(true);
      return;
    }
    default: {
      static const std::vector<UINT> kOthers = {WM_SIZE, WM_SETFOCUS, WM_KILLFOCUS, WM_CANCELMODE, WM_CAPTURECHANGED,
                                                WM_TIMER, WM_RBUTTONDOWN, WM_SYSKEYDOWN, WM_PAINT};
      message = m_random.Pick(kOthers);
      w = message == WM_TIMER ? WPARAM(m_random.Below(4)) : 0;
      l = message == WM_SIZE ? LPARAM(m_random.Next() & 0xFFFFFFFF) : 0;
      break;
    }
  }
  bool post = m_random.OneIn(2);
  char text[160];
  std::snprintf(text, sizeof text, "%s message 0x%04X w 0x%llX l 0x%llX to the %s", post ? "post" : "send", message,
                static_cast<unsigned long long>(w), static_cast<unsigned long long>(l),
                target == grid ? "grid" : "editor");
  SetStepText(text);
  if (m_trace) std::printf("%llu: %s\n", static_cast<unsigned long long>(g_step.load()), text);
  if (post) {
    PostMessageW(target, message, w, l);
  } else {
    SendMessageW(target, message, w, l);
  }
  ++m_messages;
  PumpPending(64);
  CheckCounts(CallPlan{}, S_FALSE, m_model);
  CheckSentinel(true);
}

void Driver::PumpStep() {
  DWORD ms = m_random.Below(20);
  SetStepText("pump " + std::to_string(ms) + " ms");
  if (m_trace) std::printf("%llu: %s\n", static_cast<unsigned long long>(g_step.load()), g_stepText);
  PumpFor(ms);
  ++m_pumps;
  CheckCounts(CallPlan{}, S_FALSE, m_model);
  CheckSentinel(true);
}

// An empty grid stays empty (a count of 0 empties both): after a few steps
// the driver loads the state it saved at the start, as a host reloading a
// form would, and reads the counts anew.
void Driver::ResetWhenLongEmpty() {
  m_emptySteps = m_model.rows == 0 || m_model.columns == 0 ? m_emptySteps + 1 : 0;
  if (m_emptySteps < 8) return;
  IPersistStreamInit* persist = nullptr;
  if (FAILED(m_site->Control()->QueryInterface(IID_IPersistStreamInit, reinterpret_cast<void**>(&persist)))) return;
  LARGE_INTEGER zero{};
  m_initialState->Seek(zero, STREAM_SEEK_SET, nullptr);
  SetStepText("reload the initial state");
  if (FAILED(persist->Load(m_initialState))) Inconsistent("the initial state cannot be loaded");
  persist->Release();
  PumpPending(64);
  ++m_resets;
  m_emptySteps = 0;
  ReadLong(m_grid, kRows, &m_model.rows);
  ReadLong(m_grid, kColumns, &m_model.columns);
  m_sentinelAlive = false;
  CheckSentinel(false);
}

// A step whose bounded pumps kept finding the control's window due for
// painting (a paint that invalidates the window again) is noted, not
// counted as an inconsistency: the control still answers, but a host's
// message loop would never go idle.
void Driver::NotePaintStorm(std::uint64_t step) {
  if (g_paintsThisStep < kPaintStormMessages) return;
  ++m_paintStorms;
  if (m_paintStorms <= 5) {
    std::printf("NOTE paint storm in step %llu (seed %llu): %llu WM_PAINT in one step; step: %s\n",
                static_cast<unsigned long long>(step), static_cast<unsigned long long>(g_seed),
                static_cast<unsigned long long>(g_paintsThisStep.load()), g_stepText);
  }
}

void Driver::PrintFigures(std::uint64_t steps, double seconds) const {
  std::printf("bridge fuzz: seed %llu, %llu steps in %.1f s: %llu invokes (", static_cast<unsigned long long>(g_seed),
              static_cast<unsigned long long>(steps), seconds, static_cast<unsigned long long>(m_invokes));
  const char* separator = "";
  for (const auto& [name, count] : m_answers) {
    std::printf("%s%s %llu", separator, name.c_str(), static_cast<unsigned long long>(count));
    separator = ", ";
  }
  std::printf("), %llu messages, %llu pumps, %llu count changes, %llu reloads, %d dialogs closed, "
              "%llu steps with a paint storm, %d inconsistencies\n",
              static_cast<unsigned long long>(m_messages), static_cast<unsigned long long>(m_pumps),
              static_cast<unsigned long long>(m_countChanges), static_cast<unsigned long long>(m_resets),
              g_dialogsClosed.load(), static_cast<unsigned long long>(m_paintStorms), m_inconsistencies);
  std::fflush(stdout);
}

// The state of a fresh control, to reload when the grid has been emptied.
IStream* SaveState(IOleObject* control) {
  IPersistStreamInit* persist = nullptr;
  if (FAILED(control->QueryInterface(IID_IPersistStreamInit, reinterpret_cast<void**>(&persist)))) return nullptr;
  IStream* stream = nullptr;
  CreateStreamOnHGlobal(nullptr, TRUE, &stream);
  if (stream && FAILED(persist->Save(stream, FALSE))) {
    stream->Release();
    stream = nullptr;
  }
  persist->Release();
  return stream;
}

int RunFuzz(std::uint64_t seed, std::uint64_t steps, bool trace) {
  g_seed = seed;
  std::printf("bridge fuzz: seed %llu, %llu steps (process %lu)\n", static_cast<unsigned long long>(seed),
              static_cast<unsigned long long>(steps), static_cast<unsigned long>(GetCurrentProcessId()));
  std::fflush(stdout);
  HWND host = ModuleTest::CreateHostWindow(L"TzGrid bridge fuzz", 520, 420);
  OleContainer* site = nullptr;
  HRESULT hr = OleContainer::Create(host, RECT{10, 10, 510, 410}, ModuleTest::kProgId, &site);
  if (FAILED(hr) || !site->ControlWindow()) {
    std::printf("FAIL the control cannot be embedded in place: %s\n", ModuleTest::Hex(hr).c_str());
    return 1;
  }
  IDispatch* grid = nullptr;
  site->Control()->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&grid));
  IStream* initial = SaveState(site->Control());
  if (!grid || !initial) {
    std::printf("FAIL no IDispatch or no saved state\n");
    return 1;
  }
  site->UiActivate();
  ModuleTest::Pump(50);

  Driver driver(seed, host, site, grid, initial, trace);
  ULONGLONG start = GetTickCount64();
  driver.Run(steps);
  double seconds = double(GetTickCount64() - start) / 1000.0;
  driver.PrintFigures(steps, seconds);

  grid->Release();
  initial->Release();
  site->Close();
  site->Release();
  DestroyWindow(host);
  return driver.Inconsistencies() > 255 ? 255 : driver.Inconsistencies();
}

}  // namespace

}  // namespace BridgeFuzz

int wmain(int argc, wchar_t** argv) {
  if (argc < 3) {
    std::printf("usage: tzgrid_bridge_fuzz <seed> <steps> [--trace]\n");
    return 2;
  }
  std::uint64_t seed = std::wcstoull(argv[1], nullptr, 10);
  std::uint64_t steps = std::wcstoull(argv[2], nullptr, 10);
  bool trace = argc > 3 && std::wstring(argv[3]) == L"--trace";
  SetUnhandledExceptionFilter(BridgeFuzz::ReportFault);
  if (FAILED(OleInitialize(nullptr))) {
    std::printf("FAIL OleInitialize\n");
    return 1;
  }
  DuplicateHandle(GetCurrentProcess(), GetCurrentThread(), GetCurrentProcess(), &BridgeFuzz::g_mainThread, 0, FALSE,
                  DUPLICATE_SAME_ACCESS);
  HANDLE watchdog = CreateThread(nullptr, 0, BridgeFuzz::Watchdog, nullptr, 0, &BridgeFuzz::g_watchdogThread);
  int inconsistencies = BridgeFuzz::RunFuzz(seed, steps, trace);
  if (watchdog) CloseHandle(watchdog);
  OleUninitialize();
  return inconsistencies;
}
