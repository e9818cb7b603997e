// The module's Wine test host. Each argument names a group of tests; the
// exit code is the number of failed checks (0 when all passed).
//   tzgrid_module_tests typelib dispatch own atl keys exchange reentry persist unload hygiene access
// and, with both bitnesses registered (tests/module/coexist.sh):
//   tzgrid_module_tests coexist persist-save persist-load
#include "HostKit.h"

#include <cstdio>
#include <map>

namespace ModuleTest {
void RunTypeLibTests(), RunDispatchTests(), RunUnloadTests(), RunHygieneTests(),
    RunPersistenceTests(), RunOwnContainerTests(), RunAtlContainerTests(), RunKeyTests(), RunReentryTests(),
    RunExchangeTests(), RunCoexistTests(), RunPersistSaveTests(), RunPersistLoadTests(), RunAccessTests();
}  // namespace ModuleTest

int wmain(int argc, wchar_t** argv) {
  using namespace ModuleTest;
  const std::map<std::wstring, void (*)()> groups = {
      {L"typelib", RunTypeLibTests},  {L"dispatch", RunDispatchTests}, {L"unload", RunUnloadTests},
      {L"hygiene", RunHygieneTests},  {L"persist", RunPersistenceTests}, {L"own", RunOwnContainerTests},
      {L"atl", RunAtlContainerTests}, {L"keys", RunKeyTests},          {L"reentry", RunReentryTests},
      {L"exchange", RunExchangeTests}, {L"coexist", RunCoexistTests},  {L"persist-save", RunPersistSaveTests},
      {L"persist-load", RunPersistLoadTests}, {L"access", RunAccessTests}};
  if (!CHECK(SUCCEEDED(OleInitialize(nullptr)))) return 1;
  for (int i = 1; i < argc; ++i) {
    int before = Failures();
    auto group = groups.find(argv[i]);
    if (Check(group != groups.end(), "known test group " + Narrow(argv[i]), __FILE__, __LINE__)) group->second();
    std::printf("%s %s\n", Failures() == before ? "ok  " : "FAIL", Narrow(argv[i]).c_str());
    std::fflush(stdout);
  }
  CoFreeUnusedLibraries();
  OleUninitialize();
  return Failures() > 255 ? 255 : Failures();
}
