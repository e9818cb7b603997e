// Data exchange through the real system: the clipboard other programs
// share (blocks of any size, with or without a terminator) and the CSV
// export through the save dialog the user answers, read back byte for byte.
#include "../../tools/demohost/OleContainer.h"
#include "HostKit.h"

#include <atomic>
#include <cstdio>
#include <thread>

namespace ModuleTest {

namespace {

// The CF_UNICODETEXT block on the clipboard, all its bytes.
std::string ClipboardBytes() {
  std::string bytes;
  if (!OpenClipboard(nullptr)) return "<not opened>";
  if (HGLOBAL block = GetClipboardData(CF_UNICODETEXT)) {
    if (const char* data = static_cast<const char*>(GlobalLock(block))) {
      bytes.assign(data, GlobalSize(block));
      GlobalUnlock(block);
    }
  }
  CloseClipboard();
  return bytes;
}

struct PasteCase {
  const char* what;
  std::string bytes;  // the block's content, exactly
  const wchar_t* want;
};

// Blocks another program may offer. The text is everything up to the
// first NUL, or the whole block when it holds none; but SetClipboardData
// itself makes every CF_UNICODETEXT block end in a NUL, writing it over
// the last whole unit (Windows does, and Wine copies it): a block of three
// units and no terminator reaches every reader as two. An odd last byte
// takes that NUL and leaves the units whole.
const std::vector<PasteCase> kPasteCases = {
    {"three units, no terminator", std::string("x\0y\0z\0", 6), L"xy"},
    {"three units and an odd byte", std::string("x\0y\0z\0!", 7), L"xyz"},
    {"a NUL inside", std::string("a\0b\0\0\0c\0d\0", 10), L"ab"},
    {"terminated, a tab inside", std::string("t\0\t\0h\0\0\0", 8), L"t\th"},
};

// Pastes each block into the focus cell (2, 3) by the method and by Ctrl+V
// typed into the window: the cell gets what any reader of the clipboard
// gets. Then copies back out.
void CheckClipboard(Hosted& h) {
  CHECK(OfferBlock("x\0y\0z\0", 6) && ClipboardBytes() == std::string("x\0y\0\0\0", 6));
  for (bool byKey : {false, true}) {
    for (const PasteCase& c : kPasteCases) {
      h.FocusCell(2, 3);
      CHECK_HR(Call(h.grid, L"SetCellText", {Long(2), Long(3), Text(L"before")}), S_OK);
      if (!CHECK(OfferBlock(c.bytes.data(), c.bytes.size()))) continue;
      if (byKey) {
        PostMessageW(h.window, WM_CHAR, 0x16, 0x002F0001);
        h.Pump(60);
      } else {
        CHECK_HR(Call(h.grid, L"PasteFromClipboard", {}), S_OK);
      }
      std::wstring got = CallText(h.grid, L"GetCellText", {Long(2), Long(3)});
      Check(got == c.want, std::string(byKey ? "Ctrl+V" : "PasteFromClipboard") + ", " + c.what + ": '" +
                               Narrow(got) + "'", __FILE__, __LINE__);
    }
  }
  // A copy offers the text and one terminating NUL: 8 bytes for "abc".
  CHECK_HR(Call(h.grid, L"SetCellText", {Long(2), Long(3), Text(L"abc")}), S_OK);
  CHECK_HR(Call(h.grid, L"CopyToClipboard", {}), S_OK);
  CHECK(ClipboardBytes() == std::string("a\0b\0c\0\0\0", 8));
}

// ---- the save dialog, answered by a user of our own

// Windows of this process shown as a dialog ("#32770"): the save dialog.
BOOL CALLBACK FindOwnDialog(HWND window, LPARAM found) {
  wchar_t cls[16] = L"";
  DWORD process = 0;
  GetWindowThreadProcessId(window, &process);
  if (process != GetCurrentProcessId() || !IsWindowVisible(window)) return TRUE;
  GetClassNameW(window, cls, 16);
  if (std::wcscmp(cls, L"#32770") != 0) return TRUE;
  *reinterpret_cast<HWND*>(found) = window;
  return FALSE;
}

// Waits on its own thread for the save dialog, types the path into its
// file name field and presses Save, as the user does.
class DialogAnswerer {
 public:
  explicit DialogAnswerer(std::wstring path) : m_path(std::move(path)), m_thread([this] { Answer(); }) {}
  ~DialogAnswerer() {
    m_stop = true;
    m_thread.join();
  }
  bool Answered() const { return m_answered; }

 private:
  void Answer() {
    for (int i = 0; i < 400 && !m_stop; ++i) {
      HWND dialog = nullptr;
      EnumWindows(FindOwnDialog, LPARAM(&dialog));
      if (dialog) {
        // The explorer dialog's name field is a combo box (cmb13) in newer
        // layouts and an edit (edt1) in older ones.
        SetDlgItemTextW(dialog, 0x47C, m_path.c_str());
        SetDlgItemTextW(dialog, 0x480, m_path.c_str());
        SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), LPARAM(GetDlgItem(dialog, IDOK)));
        m_answered = true;
        return;
      }
      Sleep(25);
    }
  }

  std::wstring m_path;
  std::atomic<bool> m_stop{false}, m_answered{false};
  std::thread m_thread;
};

std::string FileBytes(const wchar_t* path) {
  std::string bytes;
  if (FILE* f = _wfopen(path, L"rb")) {
    char buffer[4096];
    for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, f)) > 0;) bytes.append(buffer, n);
    std::fclose(f);
  }
  return bytes;
}

// A C++ host's call through the type library: ColumnArray is a long*
// pointing at the first of nColumnCount column indices, repeats included.
void CheckExportThroughDialog(Hosted& h) {
  for (LONG r = 0; r < 3; ++r) {
    for (LONG c = 0; c < 5; ++c) {
      std::wstring text = L"r" + std::to_wstring(r) + L"c" + std::to_wstring(c);
      CHECK_HR(Call(h.grid, L"SetCellText", {Long(r), Long(c), Text(text.c_str())}), S_OK);
    }
  }
  CHECK_HR(Call(h.grid, L"SetCellText", {Long(1), Long(4), Text(L"a\"b\nc  ")}), S_OK);
  wchar_t dir[MAX_PATH];
  GetCurrentDirectoryW(MAX_PATH, dir);
  std::wstring path = std::wstring(dir) + L"\\exported.csv";
  DeleteFileW(path.c_str());

  LONG columns[3] = {4, 4, 1};
  VARIANT list = Blank(VT_BYREF | VT_I4);
  V_I4REF(&list) = columns;
  // ExportEx(nType 0, nColumnCount 3, ColumnArray, lStartRow 1, lEndRow 3)
  std::vector<VARIANT> args = {Long(3), Long(1), list, Blank(VT_I2), Blank(VT_UI2)};
  V_I2(&args[3]) = 3;
  Answer a{};
  {
    DialogAnswerer user(path);
    a = Ask(h.grid, 35, DISPATCH_METHOD, args);
    CHECK(user.Answered());
  }
  CHECK_HR(a.hr, S_OK);
  const std::string want =
      "\xEF\xBB\xBF\"a\"b c\",\"a\"b c\",\"r1c1\",\r\n"
      "\"r2c4\",\"r2c4\",\"r2c1\",\r\n";
  std::string got = FileBytes(path.c_str());
  Check(got == want, "ExportEx through the dialog wrote '" + got + "'", __FILE__, __LINE__);
  CHECK(columns[0] == 4 && columns[1] == 4 && columns[2] == 1);
  DeleteFileW(path.c_str());

  // ExportData(2, 3, 1, 2, 0): display positions 1 and 2 of rows 0 and 1,
  // in the locale's narrow encoding, no byte-order mark.
  {
    DialogAnswerer user(path);
    CHECK(CallLong(h.grid, L"ExportData", {Long(2), Long(3), Long(1), Long(2), Long(0)}) == 0);
    CHECK(user.Answered());
  }
  got = FileBytes(path.c_str());
  Check(got == "\"r0c1\",\"r0c2\",\r\n\"r1c1\",\"r1c2\",\r\n", "ExportData through the dialog wrote '" + got + "'",
        __FILE__, __LINE__);
  DeleteFileW(path.c_str());
}

}  // namespace

void RunExchangeTests() {
  HWND host = CreateHostWindow(L"TzGrid exchange", 420, 320);
  if (Hosted h(Container::Own, host, RECT{10, 10, 410, 310}); h.ok()) {
    CheckClipboard(h);
    CheckExportThroughDialog(h);
  }
  DestroyWindow(host);
}

}  // namespace ModuleTest
