// The Win32 platform's test host: a native program, run under Wine, that
// puts controls in real windows (no COM), drives them with real window
// messages and reads pixels back from the screen.
//
//   tzgrid_platform_host [check name prefixes...]
//
// Each check runs on its own and prints "PASS <name>" or "FAIL <name>:
// <what differed>"; a check that hangs for 30 s fails and ends the run.
// Exit code: 0 when every selected check passed, else 1.
#include "PlatformHarness.h"

namespace TzGrid::Win32::Test {
namespace {

std::atomic<const char*> g_running{nullptr};
std::atomic<long long> g_startedMs{0};

long long NowMs() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

// A deadlock is the typical failure of the window and worker threads.
void Watch() {
  for (;;) {
    std::this_thread::sleep_for(std::chrono::milliseconds(250));
    const char* name = g_running.load();
    if (name && NowMs() - g_startedMs.load() > 30000) {
      std::printf("FAIL %s: timed out (hung)\n", name);
      std::fflush(stdout);
      ::ExitProcess(1);
    }
  }
}

bool Selected(const std::string& name, const std::vector<std::string>& prefixes) {
  return prefixes.empty() || std::any_of(prefixes.begin(), prefixes.end(),
                                         [&](const std::string& p) { return name.rfind(p, 0) == 0; });
}

// The failure a check ended with, or empty when it passed.
std::string Outcome(const Check& check) {
  try {
    check.run();
    return {};
  } catch (const CheckFailed& e) {
    return e.what();
  } catch (const CException& e) {
    return "exception: " + std::string(e.GetDescription().c_str());
  } catch (const std::exception& e) {
    return std::string("exception: ") + e.what();
  }
}

int Run(const std::vector<std::string>& prefixes) {
  std::thread(Watch).detach();
  int passed = 0, failed = 0;
  for (const Check& check : Checks()) {
    if (!Selected(check.name, prefixes)) continue;
    g_startedMs = NowMs();
    g_running = check.name;
    std::string failure = Outcome(check);
    g_running = nullptr;
    if (failure.empty()) {
      ++passed;
      std::printf("PASS %s\n", check.name);
    } else {
      ++failed;
      std::printf("FAIL %s: %s\n", check.name, failure.c_str());
    }
    std::fflush(stdout);
  }
  std::printf("SUMMARY passed=%d failed=%d\n", passed, failed);
  return failed || !passed ? 1 : 0;
}

}  // namespace
}  // namespace TzGrid::Win32::Test

int main(int argc, char** argv) { return TzGrid::Win32::Test::Run(std::vector<std::string>(argv + 1, argv + argc)); }
