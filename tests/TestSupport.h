// Shared helpers of the native tests.
#pragma once

#include <gtest/gtest.h>

#include <clocale>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
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

// The default 5 x 5 grid in a 400 x 300 window, with the window's records
// cleared after creation.
class GridTest : public DesktopTest {
 protected:
  CTzGridCtrl grid;
  Headless::HeadlessWindow window{grid, 400, 300};
  void SetUp() override {
    DesktopTest::SetUp();
    window.ClearRecords();
  }
  Headless::Desktop& Desk() { return Headless::GetDesktop(); }
};

// A fresh temporary directory, removed with everything in it at the end.
class TempDir {
 public:
  TempDir() : m_path((std::filesystem::temp_directory_path() / "tzgrid-test-XXXXXX").string()) {
    if (!mkdtemp(m_path.data())) throw std::runtime_error("mkdtemp failed");
  }
  ~TempDir() {
    std::error_code ignored;
    std::filesystem::remove_all(m_path, ignored);
  }
  std::filesystem::path File(const std::string& name) const { return std::filesystem::path(m_path) / name; }

 private:
  std::string m_path;
};

inline std::u16string U16(const std::filesystem::path& asciiPath) {
  const std::string narrow = asciiPath.string();
  return std::u16string(narrow.begin(), narrow.end());
}

inline std::string ReadBytes(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Switches the C library's LC_CTYPE for one scope and back.
class CtypeLocale {
 public:
  explicit CtypeLocale(const char* name) : m_saved(std::setlocale(LC_CTYPE, nullptr)) {
    m_ok = std::setlocale(LC_CTYPE, name) != nullptr;
  }
  ~CtypeLocale() { std::setlocale(LC_CTYPE, m_saved.c_str()); }
  bool Ok() const { return m_ok; }

 private:
  std::string m_saved;
  bool m_ok = false;
};

}  // namespace TzGrid::Test
