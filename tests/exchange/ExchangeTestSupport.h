// Helpers of the clipboard, export and file-writer tests: a temporary
// directory per test, file bytes, UTF-16 literals as bytes.
#pragma once

#include <clocale>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "TestSupport.h"

namespace TzGrid::Test {

// A fresh directory under the system's temporary directory, removed with
// everything in it when the test ends.
class TempDir {
 public:
  TempDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "tzgrid-exchange-XXXXXX").string();
    if (!mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
    m_path = pattern;
  }
  ~TempDir() {
    std::error_code ignored;
    std::filesystem::remove_all(m_path, ignored);
  }
  std::filesystem::path File(const std::string& name) const { return m_path / name; }

 private:
  std::filesystem::path m_path;
};

inline std::u16string U16(const std::filesystem::path& path) {
  std::u16string out;
  for (char c : path.string()) out += char16_t(static_cast<unsigned char>(c));
  return out;
}

inline std::string ReadBytes(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Switches LC_CTYPE for one test and back.
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
