// The Win32 platform's test host: a native program, run under Wine, that
// puts controls in real windows (no COM), drives them with real window
// messages and reads pixels back from the screen.
//
//   tzgrid_platform_host [check name prefixes...]
//
// Each check prints "PASS <name>" or "FAIL <name>: <what differed>"; a
// check that hangs for 30 s fails and ends the run. Exit code: 0 when every
// selected check passed, else 1.
#include "PlatformHarness.h"

namespace TzGrid::Win32::Test {
namespace {

std::atomic<const char*> g_running{nullptr};
std::atomic<ULONGLONG> g_startedMs{0};

// A deadlock is the typical failure of the window and worker threads.
void Watch() {
  for (;;) {
    ::Sleep(250);
    const char* name = g_running.load();
    if (name && ::GetTickCount64() - g_startedMs.load() > 30000) {
      std::printf("FAIL %s: timed out (hung)\n", name);
      std::fflush(stdout);
      ::ExitProcess(1);
    }
  }
}

// The failure a check ended with, or empty when it passed.
std::string Outcome(const Check& check) {
  try {
    check.run();
    return {};
  } catch (const CException& e) {
    return "exception: " + std::string(e.GetDescription().c_str());
  } catch (const std::exception& e) {
    return e.what();
  }
}

int Run(const std::vector<std::string>& prefixes) {
  std::thread(Watch).detach();
  int passed = 0, failed = 0;
  for (const Check& check : Checks()) {
    std::string name = check.name;
    bool selected = prefixes.empty() || std::any_of(prefixes.begin(), prefixes.end(),
                                                    [&](const std::string& p) { return name.rfind(p, 0) == 0; });
    if (!selected) continue;
    g_startedMs = ::GetTickCount64();
    g_running = check.name;
    std::string failure = Outcome(check);
    g_running = nullptr;
    (failure.empty() ? passed : failed) += 1;
    std::printf(failure.empty() ? "PASS %s\n" : "FAIL %s: %s\n", check.name, failure.c_str());
    std::fflush(stdout);
  }
  std::printf("SUMMARY passed=%d failed=%d\n", passed, failed);
  return failed || !passed ? 1 : 0;
}

}  // namespace
}  // namespace TzGrid::Win32::Test

int main(int argc, char** argv) { return TzGrid::Win32::Test::Run(std::vector<std::string>(argv + 1, argv + argc)); }
