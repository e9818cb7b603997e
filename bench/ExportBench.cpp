// Workload W5: ExportEx of all 20 x 1,000,000 cells (10-character texts
// "R000123C07") to a CSV file in /tmp, beside the raw speed of writing the
// same bytes with one fwrite. Both in MB/s (10^6 bytes per second) of file
// bytes; the export's counters also carry the raw speed measured in the same
// iteration and the ratio of the two. Every timed write starts with the page
// cache's dirty data written back, so neither pays for the other's.
//
// BM_W5_CellWalk is the floor the grid's storage sets: reading the last
// character of every cell's text, as the export's trimming must, and nothing
// else.
#include <benchmark/benchmark.h>

#include "BenchWorkload.h"

#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <memory>
#include <numeric>
#include <string>
#include <vector>

#include "model/TzGridCtrl.h"
#include "platform/headless/HeadlessServices.h"

using namespace TzGrid;

namespace {

const char kExportPath[] = "/tmp/tzgrid-w5-export.csv";
const char kRawPath[] = "/tmp/tzgrid-w5-raw.csv";

CTzGridCtrl& FilledGrid() {
  static std::unique_ptr<CTzGridCtrl> grid = [] {
    auto g = std::make_unique<CTzGridCtrl>();
    BuildWorkloadGrid(*g, Texts::kEveryCell);
    return g;
  }();
  return *grid;
}

std::u16string U16(const char* ascii) {
  std::u16string s;
  while (*ascii) s += char16_t(*ascii++);
  return s;
}

std::string ReadAll(const char* path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

double Seconds(std::chrono::steady_clock::duration d) { return std::chrono::duration<double>(d).count(); }

void Settle() {
  unlink(kExportPath);
  unlink(kRawPath);
  sync();
}

// One fopen, one fwrite of all bytes, fclose; seconds.
double RawWrite(const std::string& bytes) {
  Settle();
  auto start = std::chrono::steady_clock::now();
  FILE* f = std::fopen(kRawPath, "wb");
  if (!f || std::fwrite(bytes.data(), 1, bytes.size(), f) != bytes.size()) std::abort();
  std::fclose(f);
  return Seconds(std::chrono::steady_clock::now() - start);
}

void ExportAll(CTzGridCtrl& grid, const std::vector<std::int32_t>& columns) {
  Headless::Desktop& desktop = Headless::GetDesktop();
  desktop.Reset();
  desktop.saveDialogAnswers.push_back(U16(kExportPath));
  grid.ExportEx(0, short(columns.size()), columns.data(), columns.size(), 0, 0);
  if (desktop.shellOpened.size() != 1 || !desktop.messageBoxes.empty()) std::abort();
}

void BM_W5_ExportEx(benchmark::State& state) {
  CTzGridCtrl& grid = FilledGrid();
  std::vector<std::int32_t> columns(kWorkloadCols);
  std::iota(columns.begin(), columns.end(), 0);
  double exportSeconds = 0, rawSeconds = 0;
  std::size_t fileBytes = 0;
  std::string bytes;
  for (auto _ : state) {
    state.PauseTiming();
    Settle();
    state.ResumeTiming();
    auto start = std::chrono::steady_clock::now();
    ExportAll(grid, columns);
    exportSeconds += Seconds(std::chrono::steady_clock::now() - start);

    state.PauseTiming();
    if (bytes.empty()) bytes = ReadAll(kExportPath);
    fileBytes = bytes.size();
    rawSeconds += RawWrite(bytes);
    state.ResumeTiming();
  }
  double exportMBps = double(fileBytes) * double(state.iterations()) / exportSeconds / 1e6;
  double rawMBps = double(fileBytes) * double(state.iterations()) / rawSeconds / 1e6;
  state.counters["file_MB"] = double(fileBytes) / 1e6;
  state.counters["export_MBps"] = exportMBps;
  state.counters["raw_fwrite_MBps"] = rawMBps;
  state.counters["ratio"] = exportMBps / rawMBps;
  Settle();
}

void BM_W5_RawFwrite(benchmark::State& state) {
  CTzGridCtrl& grid = FilledGrid();
  std::vector<std::int32_t> columns(kWorkloadCols);
  std::iota(columns.begin(), columns.end(), 0);
  ExportAll(grid, columns);
  std::string bytes = ReadAll(kExportPath);
  unlink(kExportPath);
  double seconds = 0;
  for (auto _ : state) {
    state.PauseTiming();
    double once = RawWrite(bytes);  // settles first; timed by itself
    seconds += once;
    state.SetIterationTime(once);
    state.ResumeTiming();
  }
  state.counters["raw_fwrite_MBps"] = double(bytes.size()) * double(state.iterations()) / seconds / 1e6;
  state.SetBytesProcessed(std::int64_t(bytes.size()) * state.iterations());
  Settle();
}

void BM_W5_CellWalk(benchmark::State& state) {
  CTzGridCtrl& grid = FilledGrid();
  for (auto _ : state) {
    std::uint64_t sum = 0;
    for (int r = 0; r < kWorkloadRows; ++r) {
      const CCellText* row = grid.m_cells.RowTexts(r);
      for (int c = 0; row && c < kWorkloadCols; ++c) {
        const CCellText& text = row[c];
        sum += text.IsNarrow() && !text.IsEmpty() ? std::uint8_t(text.NarrowView().back()) : 0;
      }
    }
    benchmark::DoNotOptimize(sum);
  }
}

}  // namespace

BENCHMARK(BM_W5_ExportEx)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();
BENCHMARK(BM_W5_RawFwrite)->Unit(benchmark::kMillisecond)->Iterations(3)->UseManualTime();
BENCHMARK(BM_W5_CellWalk)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();

BENCHMARK_MAIN();
