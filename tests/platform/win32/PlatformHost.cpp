// The Win32 platform's test host, run under Wine: controls in real windows
// (no COM), real window messages, pixels read from the screen.
//   tzgrid_platform_host [check name prefixes...]
// Prints "PASS <name>" or "FAIL <name>: <what differed>" per check; a check
// hung for 30 s (a deadlock of window and worker threads) fails and ends
// the run. Exit code 0 when every selected check passed, else 1.
#include "PlatformHarness.h"

namespace TzGrid::Win32::Test {
namespace {

std::atomic<const char*> g_running{nullptr};
std::atomic<ULONGLONG> g_startedMs{0};

void Watch() {
  for (;; ::Sleep(250)) {
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
    check.second();
  } catch (const CException& e) {
    return "exception: " + std::string(e.GetDescription().c_str());
  } catch (const std::exception& e) {
    return e.what();
  }
  return {};
}

int Run(const std::vector<std::string>& prefixes) {
  std::thread(Watch).detach();
  int passed = 0, failed = 0;
  for (const Check& check : Checks()) {
    auto selects = [&](const std::string& p) { return std::string(check.first).rfind(p, 0) == 0; };
    if (!prefixes.empty() && std::none_of(prefixes.begin(), prefixes.end(), selects)) continue;
    g_startedMs = ::GetTickCount64();
    g_running = check.first;
    std::string failure = Outcome(check);
    g_running = nullptr;
    (failure.empty() ? passed : failed) += 1;
    std::printf(failure.empty() ? "PASS %s\n" : "FAIL %s: %s\n", check.first, failure.c_str());
    std::fflush(stdout);
  }
  std::printf("SUMMARY passed=%d failed=%d\n", passed, failed);
  return failed || !passed ? 1 : 0;
}

}  // namespace
}  // namespace TzGrid::Win32::Test

int main(int argc, char** argv) { return TzGrid::Win32::Test::Run(std::vector<std::string>(argv + 1, argv + argc)); }
