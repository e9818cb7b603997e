// W5 on the real module: TzGrid.ocx created through COM, filled with the
// workload's 20 x 1,000,000 ten-character texts through Invoke, then both
// exports through Invoke, the save dialog answered as a user answers it.
// Each export's time stands beside the floor taken in the same process:
// one fwrite of the very bytes the export wrote, to a file of its own.
//   tzgrid_wine_export_bench [rows]
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#include <ole2.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <cwchar>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

namespace {

constexpr int kCols = 20;
constexpr DISPID kSetCellText = 7, kExportData = 22, kExportEx = 35;

double Now() {
  return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

VARIANT Long(LONG value) {
  VARIANT v;
  VariantInit(&v);
  V_VT(&v) = VT_I4;
  V_I4(&v) = value;
  return v;
}

HRESULT Invoke(IDispatch* grid, DISPID id, WORD flags, std::vector<VARIANT> reversed) {
  DISPID put = DISPID_PROPERTYPUT;
  DISPPARAMS params{reversed.data(), flags == DISPATCH_PROPERTYPUT ? &put : nullptr, UINT(reversed.size()),
                    flags == DISPATCH_PROPERTYPUT ? 1u : 0u};
  VARIANT result;
  VariantInit(&result);
  HRESULT hr = grid->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, flags, &params, &result, nullptr, nullptr);
  VariantClear(&result);
  return hr;
}

DISPID IdOf(IDispatch* grid, const wchar_t* name) {
  DISPID id = DISPID_UNKNOWN;
  LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
  grid->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id);
  return id;
}

// "R" + the row in 6 digits + "C" + the column in 2: the workload's text.
void FillGrid(IDispatch* grid, int rows) {
  Invoke(grid, IdOf(grid, L"Columns"), DISPATCH_PROPERTYPUT, {Long(kCols)});
  Invoke(grid, IdOf(grid, L"Rows"), DISPATCH_PROPERTYPUT, {Long(rows)});
  wchar_t text[16];
  BSTR value = SysAllocStringLen(nullptr, 10);
  for (int r = 0; r < rows; ++r) {
    for (int c = 0; c < kCols; ++c) {
      std::swprintf(text, 16, L"R%06dC%02d", r % 1000000, c);
      std::memcpy(value, text, 10 * sizeof(wchar_t));
      VARIANT args[3];
      VariantInit(&args[0]);
      V_VT(&args[0]) = VT_BSTR;
      V_BSTR(&args[0]) = value;
      args[1] = Long(c);
      args[2] = Long(r);
      DISPPARAMS params{args, nullptr, 3, 0};
      if (FAILED(grid->Invoke(kSetCellText, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params, nullptr, nullptr,
                              nullptr))) {
        std::printf("SetCellText(%d, %d) failed\n", r, c);
        r = rows;
        break;
      }
    }
  }
  SysFreeString(value);
}

BOOL CALLBACK FindSaveDialog(HWND window, LPARAM found) {
  DWORD process = 0;
  GetWindowThreadProcessId(window, &process);
  wchar_t cls[16] = L"";
  GetClassNameW(window, cls, 16);
  if (process != GetCurrentProcessId() || !IsWindowVisible(window) || std::wcscmp(cls, L"#32770") != 0) return TRUE;
  *reinterpret_cast<HWND*>(found) = window;
  return FALSE;
}

// The user of the save dialog, on a thread of its own: names the file and
// presses Save as soon as the dialog shows; at is when Save was pressed.
void AnswerSaveDialog(const std::wstring& path, std::atomic<bool>& answered, std::atomic<double>& at) {
  for (int i = 0; i < 2000 && !answered; ++i) {
    HWND dialog = nullptr;
    EnumWindows(FindSaveDialog, LPARAM(&dialog));
    if (dialog) {
      SetDlgItemTextW(dialog, 0x47C, path.c_str());  // the name box (cmb13), or
      SetDlgItemTextW(dialog, 0x480, path.c_str());  // its older edit (edt1)
      at = Now();
      PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), LPARAM(GetDlgItem(dialog, IDOK)));
      answered = true;
      return;
    }
    Sleep(5);
  }
}

std::string ReadFile(const std::wstring& path) {
  std::string bytes;
  if (FILE* f = _wfopen(path.c_str(), L"rb")) {
    static char chunk[1 << 16];
    for (std::size_t n; (n = std::fread(chunk, 1, sizeof chunk, f)) > 0;) bytes.append(chunk, n);
    std::fclose(f);
  }
  return bytes;
}

struct Timed {
  double seconds;
  std::string bytes;
};

// One export through Invoke with the dialog answered: the time from the
// press of Save (the dialog takes the user's time, not the export's) to
// the member's return, and the file it wrote.
Timed TimeExport(IDispatch* grid, DISPID id, std::vector<VARIANT> reversed, const std::wstring& path) {
  DeleteFileW(path.c_str());
  std::atomic<bool> answered{false};
  std::atomic<double> t0{0};
  std::thread user(AnswerSaveDialog, path, std::ref(answered), std::ref(t0));
  HRESULT hr = Invoke(grid, id, DISPATCH_METHOD, std::move(reversed));
  double t1 = Now();
  answered = true;
  user.join();
  Timed timed{t1 - t0, ReadFile(path)};
  DeleteFileW(path.c_str());
  if (FAILED(hr)) timed.bytes.clear();
  return timed;
}

// The export of the whole grid beside the same export of one row (what
// closing the dialog, opening the file and handing it to the shell cost)
// and beside one fwrite of the whole file's bytes; prints the figures and
// the ratio of the floor to the export's own time.
void MeasureExport(IDispatch* grid, const char* name, DISPID id, const std::vector<VARIANT>& whole,
                   const std::vector<VARIANT>& oneRow, const std::wstring& dir) {
  const std::wstring path = dir + L"\\w5-export.csv", raw = dir + L"\\w5-raw.csv";
  Timed fixed = TimeExport(grid, id, oneRow, path);
  Timed full = TimeExport(grid, id, whole, path);
  const std::string& bytes = full.bytes;
  DeleteFileW(raw.c_str());
  double r0 = Now();
  FILE* f = _wfopen(raw.c_str(), L"wb");
  bool wrote = f && std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
  if (f) std::fclose(f);
  double r1 = Now();
  DeleteFileW(raw.c_str());
  if (!wrote || bytes.empty() || fixed.bytes.empty()) {
    std::printf("%s: failed (%zu bytes)\n", name, bytes.size());
    return;
  }
  const double own = full.seconds - fixed.seconds;
  if (own <= 0) {
    // A small grid's export hides inside the dialog's own time.
    std::printf("%-10s %6.1f MB: %6.3f s, within one row's export (%5.3f s): too small to time\n", name,
                bytes.size() / 1e6, full.seconds, fixed.seconds);
    return;
  }
  std::printf("%-10s %6.1f MB: %6.3f s, of which one row's export %5.3f s | %6.1f MB/s | floor: one fwrite %5.3f s"
              " | ratio %.2f\n", name, bytes.size() / 1e6, full.seconds, fixed.seconds, bytes.size() / 1e6 / own,
              r1 - r0, (r1 - r0) / own);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  const int rows = argc > 1 ? _wtoi(argv[1]) : 1000000;
  if (FAILED(OleInitialize(nullptr))) return 1;
  CLSID clsid;
  IDispatch* grid = nullptr;
  if (FAILED(CLSIDFromProgID(L"TZGRID.TzGridCtrl.1", &clsid)) ||
      FAILED(CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch, reinterpret_cast<void**>(&grid)))) {
    std::printf("TzGrid.ocx is not registered\n");
    return 1;
  }
  double f0 = Now();
  FillGrid(grid, rows);
  std::printf("W5 (%d x %d cells, through Invoke; filled in %.2f s)\n", kCols, rows, Now() - f0);
  wchar_t dir[MAX_PATH];
  GetTempPathW(MAX_PATH, dir);
  std::wstring folder(dir);
  if (!folder.empty() && folder.back() == L'\\') folder.pop_back();

  // ExportData(0, 0, 0, 0, 0): every display position of every row.
  MeasureExport(grid, "ExportData", kExportData, {Long(0), Long(0), Long(0), Long(0), Long(0)},
                {Long(0), Long(1), Long(1), Long(0), Long(0)}, folder);
  // ExportEx(0, 20, columns 0..19, 0, 0) with a C++ host's long*.
  LONG columns[kCols];
  for (int c = 0; c < kCols; ++c) columns[c] = c;
  VARIANT list;
  VariantInit(&list);
  V_VT(&list) = VT_BYREF | VT_I4;
  V_I4REF(&list) = columns;
  VARIANT count, type;
  VariantInit(&count);
  V_VT(&count) = VT_I2;
  V_I2(&count) = kCols;
  VariantInit(&type);
  V_VT(&type) = VT_UI2;
  V_UI2(&type) = 0;
  MeasureExport(grid, "ExportEx", kExportEx, {Long(0), Long(0), list, count, type},
                {Long(1), Long(0), list, count, type}, folder);
  grid->Release();
  OleUninitialize();
  return 0;
}
