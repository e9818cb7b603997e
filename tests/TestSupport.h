// Shared helpers of the native tests.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "automation/DispatchMap.h"
#include "model/TzGridCtrl.h"
#include "platform/headless/HeadlessServices.h"
#include "platform/headless/HeadlessWindow.h"

namespace TzGrid::Test {

// Checks the invariants of the cell matrix; returns "" or what is wrong.
// SetColumnOrder lets a host write the order map entry by entry, so a map
// that is not (yet) a permutation is a legal state; requirePermutation
// asks for one where no such call was made.
std::string CheckInvariants(const CTzGridCtrl& grid, bool requirePermutation = true);

// Calls a member through the dispatch map; fails the test on an error.
CDispArg Call(CTzGridCtrl& grid, DISPID dispid, CDispArgs args = {});
// Calls a member and returns its HRESULT (result ignored).
HRESULT CallHr(CTzGridCtrl& grid, DISPID dispid, CDispArgs args = {}, std::string* description = nullptr);
HRESULT PutHr(CTzGridCtrl& grid, DISPID dispid, CDispArg value);

CDispArg I4(std::int32_t v);

// A member's DISPID looked up by name in the dispatch map, as a script host
// finds it; fails the test when there is no such member.
DISPID Id(std::u16string_view name);
inline CDispArg Call(CTzGridCtrl& grid, const char16_t* name, CDispArgs args = {}) {
  return Call(grid, Id(name), std::move(args));
}
inline HRESULT CallHr(CTzGridCtrl& grid, const char16_t* name, CDispArgs args = {}, std::string* why = nullptr) {
  return CallHr(grid, Id(name), std::move(args), why);
}

// A snapshot of everything the model holds, for "state unchanged" checks.
std::string Snapshot(const CTzGridCtrl& grid);

// Resets the headless desktop before each test.
class DesktopTest : public ::testing::Test {
 protected:
  void SetUp() override { Headless::GetDesktop().Reset(); }
};

}  // namespace TzGrid::Test
