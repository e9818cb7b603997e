// The native demo: fills a sample grid through the automation interface,
// by member name as a script host calls it, paints it in a headless window
// and writes the picture as a PNG file.
//
//   tzgrid_demo [output.png]
//
// Without an argument the picture goes to the temporary directory. The
// program prints the file's path.
#include <cstdio>
#include <filesystem>
#include <string>

#include "automation/DispatchMap.h"
#include "model/TzGridCtrl.h"
#include "platform/headless/HeadlessWindow.h"

using namespace TzGrid;

namespace {

constexpr int kWidth = 640;
constexpr int kHeight = 400;
constexpr int kDataRows = 200;

// Calls a member of the grid by name; failures are reported and counted.
class Host {
 public:
  explicit Host(CTzGridCtrl& grid) : m_grid(grid) {}

  CDispArg Call(const char16_t* name, CDispArgs args = {}) { return Invoke(name, DISPATCH_METHOD, std::move(args)); }
  void Put(const char16_t* name, CDispArg value) { Invoke(name, DISPATCH_PROPERTYPUT, {std::move(value)}); }
  int Failures() const { return m_failures; }

 private:
  CDispArg Invoke(const char16_t* name, WORD flags, CDispArgs args) {
    CDispArg result;
    const DispEntry* entry = FindDispEntry(std::u16string_view(name));
    std::string why = "no such member";
    HRESULT hr = entry ? m_grid.Invoke(entry->dispid, flags, args, &result, &why) : DISP_E_MEMBERNOTFOUND;
    if (hr != S_OK) {
      ++m_failures;
      std::fprintf(stderr, "%s failed: 0x%08X %s\n", CString(name).ToUtf8().c_str(), unsigned(hr), why.c_str());
    }
    return result;
  }

  CTzGridCtrl& m_grid;
  int m_failures = 0;
};

CDispArg I4(int v) { return CDispArg::I4(v); }
CDispArg Text(const std::u16string& s) { return CDispArg::Bstr(s); }
std::u16string Utf16(const std::string& s) { return std::u16string(CString::FromUtf8(s).View()); }

struct Column {
  const char* title;
  int width;
  short justify;  // 0 left, 1 centre, 2 right
};

// Column 0 is the fixed strip at the left.
const Column kColumns[] = {
    {"", 30, 0},          {"Product", 150, 0}, {"Region", 90, 1},    {"Units", 70, 2},
    {"Price", 80, 2},     {"Status", 100, 1},  {"Notes", 110, 0},
};
constexpr int kColumnCount = int(sizeof kColumns / sizeof kColumns[0]);

const char* const kProducts[] = {"Anchor bolts", "Brass hinges", "Cedar planks", "Drill bits", "Epoxy resin",
                                 "Fence posts",  "Gate latches", "Hex nuts",     "Iron brackets", "Jigsaw blades"};
const char* const kRegions[] = {"North", "South", "East", "West", "Central"};

constexpr COLORREF kStripe = 0x00F7F1EA;
constexpr COLORREF kInStock = 0x00207020;
constexpr COLORREF kBackOrder = 0x002020C0;
constexpr COLORREF kHighlight = 0x00A0F0FF;
constexpr COLORREF kPriceInk = 0x00803010;

void FillHeader(Host& host) {
  for (int c = 0; c < kColumnCount; ++c) {
    host.Call(u"SetColumnWidth", {I4(c), I4(kColumns[c].width)});
    host.Call(u"SetCellText", {I4(0), I4(c), Text(Utf16(kColumns[c].title))});
    host.Call(u"SetCellHeaderFlag", {I4(0), I4(c), CDispArg::UI2(1)});
  }
  // Sorted by product, then by units descending.
  host.Call(u"SetCellSortState", {I4(0), I4(1), CDispArg::UI2(1)});
  host.Call(u"SetCellSortState", {I4(0), I4(3), CDispArg::UI2(2)});
}

void FillRow(Host& host, int r) {
  int i = r - 1;
  int units = (i * 37) % 500 + 3;
  char price[16];
  std::snprintf(price, sizeof price, "%d.%02d", 2 + (i * 13) % 90, (i * 29) % 100);
  bool inStock = i % 4 != 2;
  const std::string texts[kColumnCount] = {
      std::to_string(r), kProducts[i % 10], kRegions[i % 5], std::to_string(units), price,
      inStock ? "In stock" : "Back order", i % 6 == 0 ? "Checked on delivery" : ""};
  for (int c = 0; c < kColumnCount; ++c) {
    host.Call(u"SetCellText", {I4(r), I4(c), Text(Utf16(texts[c]))});
    host.Call(u"SetCellJustification", {I4(r), I4(c), CDispArg::I2(kColumns[c].justify)});
    if (r % 2 == 0) host.Call(u"SetItemBackColor", {I4(r), I4(c), I4(LONG(kStripe))});
  }
  host.Call(u"SetCellForeColour", {I4(r), I4(5), I4(LONG(inStock ? kInStock : kBackOrder))});
  host.Call(u"SetCellForeColour", {I4(r), I4(4), I4(LONG(kPriceInk))});
}

std::string OutputPath(int argc, char** argv) {
  if (argc > 1) return argv[1];
  return (std::filesystem::temp_directory_path() / "tzgrid-sample-grid.png").string();
}

}  // namespace

int main(int argc, char** argv) {
  CTzGridCtrl grid;
  Headless::HeadlessWindow window(grid, kWidth, kHeight);
  Host host(grid);

  host.Put(u"Columns", I4(kColumnCount));
  host.Put(u"Rows", I4(kDataRows + 1));
  host.Put(u"FixedColumns", I4(1));
  host.Call(u"SetGridBackColor", {I4(0x00FFFFFF)});
  FillHeader(host);
  for (int r = 1; r <= kDataRows; ++r) FillRow(host, r);
  host.Call(u"SetItemBackColor", {I4(4), I4(3), I4(LONG(kHighlight))});
  host.Call(u"SetFocusedCell", {I4(3), I4(2)});

  // The first paint also brings the scroll bars up to date; the second one
  // shows the grid as they left it.
  window.PaintAll();
  window.PaintAll();

  const std::string path = OutputPath(argc, argv);
  std::string error;
  if (!Headless::WritePng(window.framebuffer, path, &error)) {
    std::fprintf(stderr, "could not write %s: %s\n", path.c_str(), error.c_str());
    return 1;
  }
  for (const auto& failure : window.failedMessages) std::fprintf(stderr, "paint failed: %s\n", failure.second.c_str());

  const SCROLLINFO& v = window.ScrollBar(SB_VERT);
  std::printf("TzGrid sample: %ld columns x %ld rows (1 fixed row, 1 fixed column) in a %d x %d window\n",
              long(grid.GetColumns()), long(host.Call(u"GetNumRows").Integer()), kWidth, kHeight);
  std::printf("current cell: row %ld, column %ld; vertical scroll range 0..%d, page %u\n",
              long(host.Call(u"GetCurrentRow").Integer()), long(host.Call(u"GetCurrentColumn").Integer()), v.nMax,
              v.nPage);
  std::printf("%s\n", std::filesystem::absolute(path).string().c_str());
  return host.Failures() == 0 && window.failedMessages.empty() ? 0 : 1;
}
