// The Win32 platform's test host, run under Wine: controls in real windows
// (no COM), real window messages, pixels read from the screen.
//   tzgrid_platform_host [check name prefixes...]
// Prints "<name>: PASS" or "<name>: FAIL <what differed>" per check, the
// name before the check runs, so that a hang (a deadlock of window and
// worker threads, ended by run.sh's timeout) names its check. Exit code 0
// when every selected check passed, else 1.
#include "PlatformHarness.h"

#include <cstdio>

int main(int argc, char** argv) {
  using namespace TzGrid;
  std::vector<std::string> prefixes(argv + 1, argv + argc);
  int passed = 0, failed = 0;
  for (const auto& [name, run] : Win32::Test::g_checks) {
    auto selects = [&, name = name](const std::string& p) { return std::string(name).rfind(p, 0) == 0; };
    if (!prefixes.empty() && std::none_of(prefixes.begin(), prefixes.end(), selects)) continue;
    std::printf("%s: ", name);
    std::fflush(stdout);
    std::string failure;
    try {
      run();
    } catch (const CException& e) {
      failure = "exception: " + e.GetDescription();
    } catch (const std::exception& e) {
      failure = e.what();
    }
    (failure.empty() ? passed : failed) += 1;
    std::printf(failure.empty() ? "PASS\n" : "FAIL %s\n", failure.c_str());
    std::fflush(stdout);
  }
  std::printf("SUMMARY passed=%d failed=%d\n", passed, failed);
  return failed || !passed ? 1 : 0;
}
