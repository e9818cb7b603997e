// The Win32 platform's test host: a native program, run under Wine, that
// puts controls in real windows (no COM), drives them with real window
// messages and reads pixels back from the screen.
//
// Each check runs on its own in a fresh top-level window and prints one line:
//   PASS <name>
//   FAIL <name>: <what differed>
//   PENDING <name>: <what is not implemented yet>
//   SKIP <name>: <what is missing> (the module's resources when TzGrid.ocx
//                is not built; run.sh names it in TZGRID_OCX)
// Exit code: 0 when every check passed, 1 when one failed, 2 when none
// failed but some depend on work not landed yet. Arguments select checks by
// name prefix; --list prints the names.
#include <condition_variable>
#include <mutex>
#include <thread>

#include "PlatformHarness.h"

namespace TzGrid::Win32::Test {
namespace {

// A check that hangs (a deadlock is the typical failure of the window and
// worker threads) is reported as failed and ends the program.
class Watchdog {
 public:
  explicit Watchdog(const char* name) : m_name(name), m_thread([this] { Watch(); }) {}
  ~Watchdog() {
    {
      std::lock_guard<std::mutex> guard(m_lock);
      m_done = true;
    }
    m_signal.notify_all();
    m_thread.join();
  }

 private:
  void Watch() {
    std::unique_lock<std::mutex> guard(m_lock);
    if (m_signal.wait_for(guard, std::chrono::seconds(30), [this] { return m_done; })) return;
    std::printf("FAIL %s: timed out (hung)\n", m_name);
    std::fflush(stdout);
    ::ExitProcess(1);
  }
  const char* m_name;
  std::mutex m_lock;
  std::condition_variable m_signal;
  bool m_done = false;
  std::thread m_thread;
};

bool Selected(const char* name, const std::vector<std::string>& filters) {
  if (filters.empty()) return true;
  for (const std::string& f : filters)
    if (std::string(name).rfind(f, 0) == 0) return true;
  return false;
}

std::vector<Check> AllChecks() {
  std::vector<Check> all;
  for (auto list : {GdiChecks, SiteChecks, ServiceChecks, GridChecks}) {
    for (const Check& c : list()) all.push_back(c);
  }
  return all;
}

int Run(const std::vector<std::string>& args) {
  const std::vector<Check> checks = AllChecks();
  std::vector<std::string> filters;
  for (const std::string& a : args) {
    if (a == "--list") {
      for (const Check& c : checks) std::printf("%s\n", c.name);
      return 0;
    }
    filters.push_back(a);
  }
  int passed = 0, failed = 0, pending = 0, skipped = 0;
  for (const Check& check : checks) {
    if (!Selected(check.name, filters)) continue;
    Watchdog watchdog(check.name);
    auto started = std::chrono::steady_clock::now();
    try {
      check.run();
      ++passed;
      auto elapsed = std::chrono::steady_clock::now() - started;
      long long ms = std::chrono::duration_cast<std::chrono::milliseconds>(elapsed).count();
      std::printf("PASS %s (%lld ms)\n", check.name, ms);
    } catch (const CheckSkipped& e) {
      ++skipped;
      std::printf("SKIP %s: %s\n", check.name, e.what());
    } catch (const CheckPending& e) {
      ++pending;
      std::printf("PENDING %s: %s\n", check.name, e.what());
    } catch (const CheckFailed& e) {
      ++failed;
      std::printf("FAIL %s: %s\n", check.name, e.what());
    } catch (const CNotImplementedException& e) {
      ++pending;
      std::printf("PENDING %s: %s\n", check.name, e.GetDescription().c_str());
    } catch (const CException& e) {
      ++failed;
      std::printf("FAIL %s: exception: %s\n", check.name, e.GetDescription().c_str());
    } catch (const std::exception& e) {
      ++failed;
      std::printf("FAIL %s: exception: %s\n", check.name, e.what());
    }
    std::fflush(stdout);
  }
  std::printf("SUMMARY passed=%d failed=%d pending=%d skipped=%d\n", passed, failed, pending, skipped);
  std::fflush(stdout);
  if (failed) return 1;
  return pending ? 2 : 0;
}

}  // namespace
}  // namespace TzGrid::Win32::Test

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  return TzGrid::Win32::Test::Run(args);
}
