// The module's Wine test host. Each argument names a group of tests; the
// exit code is the number of failed checks (0 when all passed).
//   tzgrid_module_tests typelib dispatch lifetime events own atl keys reentry persist page about verbs unload hygiene
//   tzgrid_module_tests dismiss "<title>" <ms>   (closes modal boxes for the script tests)
#include "HostKit.h"

#include <cstdio>
#include <cstdlib>
#include <cwchar>
#include <string>

namespace ModuleTest {
void RunTypeLibTests();
void RunLifetimeTests();
void RunEventTests();
void RunOwnContainerTests();
void RunAtlContainerTests();
void RunPersistenceTests();
void RunPropertyPageTests();
void RunAboutBoxTests();
void RunPropertiesVerbTests();
void RunHygieneTests(int cycles);
void RunUnloadTests();
void RunDispatchTests();
void RunKeyTests();
void RunReentryTests();
int DismissDialogs(const std::wstring& title, DWORD ms);
}  // namespace ModuleTest

int wmain(int argc, wchar_t** argv) {
  using namespace ModuleTest;
  if (argc >= 4 && std::wstring(argv[1]) == L"dismiss") {
    return DismissDialogs(argv[2], DWORD(std::wcstoul(argv[3], nullptr, 10))) >= 0 ? 0 : 1;
  }
  if (FAILED(OleInitialize(nullptr))) {
    std::printf("FAIL OleInitialize\n");
    return 1;
  }
  for (int i = 1; i < argc; ++i) {
    std::wstring group = argv[i];
    int before = Failures();
    if (group == L"typelib") {
      RunTypeLibTests();
    } else if (group == L"lifetime") {
      RunLifetimeTests();
    } else if (group == L"events") {
      RunEventTests();
    } else if (group == L"own") {
      RunOwnContainerTests();
    } else if (group == L"atl") {
      RunAtlContainerTests();
    } else if (group == L"persist") {
      RunPersistenceTests();
    } else if (group == L"page") {
      RunPropertyPageTests();
    } else if (group == L"about") {
      RunAboutBoxTests();
    } else if (group == L"verbs") {
      RunPropertiesVerbTests();
    } else if (group == L"dispatch") {
      RunDispatchTests();
    } else if (group == L"keys") {
      RunKeyTests();
    } else if (group == L"reentry") {
      RunReentryTests();
    } else if (group == L"unload") {
      RunUnloadTests();
    } else if (group == L"hygiene") {
      RunHygieneTests(200);
    } else {
      std::printf("FAIL unknown test group %s\n", Narrow(group).c_str());
      ++before;
      Check(false, "known test group", __FILE__, __LINE__);
      continue;
    }
    std::printf("%s %s\n", Failures() == before ? "ok  " : "FAIL", Narrow(group).c_str());
    std::fflush(stdout);
  }
  CoFreeUnusedLibraries();
  OleUninitialize();
  return Failures() > 255 ? 255 : Failures();
}
