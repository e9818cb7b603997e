// The platform services: clipboard, message box, save dialog, threads and
// dialogs, and the module resources (drag cursor, About box) from TzGrid.ocx.
#include "PlatformHarness.h"

namespace TzGrid::Win32::Test {
namespace {

// ---------------------------------------------------------------- services

void ServicesClipboard() {
  const char16_t text[] = u"abc";
  HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, sizeof(text));
  EXPECT_TRUE(block != nullptr);
  void* p = GlobalLock(block);
  EXPECT_TRUE(p != nullptr);
  std::memcpy(p, text, sizeof(text));
  GlobalUnlock(block);
  EXPECT_TRUE(OpenClipboard(nullptr));
  EXPECT_TRUE(EmptyClipboard());
  EXPECT_TRUE(SetClipboardData(CF_UNICODETEXT, block) != nullptr);
  EXPECT_TRUE(CloseClipboard());

  EXPECT_TRUE(OpenClipboard(nullptr));
  HGLOBAL got = GetClipboardData(CF_UNICODETEXT);
  EXPECT_TRUE(got != nullptr);
  EXPECT_TRUE(GlobalSize(got) >= sizeof(text));
  auto* chars = static_cast<const char16_t*>(GlobalLock(got));
  EXPECT_TRUE(chars != nullptr && std::u16string(chars) == u"abc");
  GlobalUnlock(got);
  EXPECT_TRUE(CloseClipboard());
}

// Finds a dialog of this thread whose caption is caption, waiting up to 5 s.
struct DialogSearch {
  const wchar_t* caption;
  ::HWND found = nullptr;
};

::HWND WaitForDialog(DWORD thread, const wchar_t* caption) {
  for (int i = 0; i < 500; ++i) {
    DialogSearch search{caption};
    ::EnumThreadWindows(
        thread,
        [](::HWND hwnd, ::LPARAM param) -> ::BOOL {
          auto* s = reinterpret_cast<DialogSearch*>(param);
          wchar_t cls[32] = {}, title[128] = {};
          ::GetClassNameW(hwnd, cls, 32);
          ::GetWindowTextW(hwnd, title, 128);
          if (std::wstring(cls) == L"#32770" && (!s->caption || std::wstring(title) == s->caption) &&
              ::IsWindowVisible(hwnd)) {
            s->found = hwnd;
            return FALSE;
          }
          return TRUE;
        },
        reinterpret_cast<::LPARAM>(&search));
    if (search.found) return search.found;
    ::Sleep(10);
  }
  return nullptr;
}

std::wstring StaticTexts(::HWND dialog) {
  std::wstring texts;
  ::EnumChildWindows(
      dialog,
      [](::HWND child, ::LPARAM param) -> ::BOOL {
        wchar_t cls[32] = {}, text[256] = {};
        ::GetClassNameW(child, cls, 32);
        ::GetWindowTextW(child, text, 256);
        if (_wcsicmp(cls, L"Static") == 0) *reinterpret_cast<std::wstring*>(param) += text;
        return TRUE;
      },
      reinterpret_cast<::LPARAM>(&texts));
  return texts;
}

void ServicesMessageBox() {
  HostWindow host;
  ::SetActiveWindow(host.Hwnd());
  DWORD me = ::GetCurrentThreadId();
  std::wstring seen;
  bool closed = false;
  std::thread watcher([&] {
    ::HWND box = WaitForDialog(me, L"TzGrid");
    if (!box) return;
    seen = StaticTexts(box);
    closed = ::PostMessageW(box, WM_COMMAND, IDOK, 0) != 0;
  });
  int answer = AfxMessageBox(CString(u"NULL cell"));
  watcher.join();
  EXPECT_TRUE(closed);
  EXPECT_EQ(answer, IDOK);
  EXPECT_TRUE(seen.find(L"NULL cell") != std::wstring::npos);
}

void ServicesSaveDialog() {
  HostWindow host;
  wchar_t tempDir[MAX_PATH] = {};
  ::GetTempPathW(MAX_PATH, tempDir);
  std::wstring typed = std::wstring(tempDir) + L"tzgrid_platform_export";
  DWORD me = ::GetCurrentThreadId();
  bool typedIn = false;
  std::thread watcher([&] {
    ::HWND dialog = WaitForDialog(me, nullptr);
    if (!dialog) return;
    // The file name box of the system's dialog (edt1, or the combo box
    // cmb13 that newer dialogs put in its place).
    ::HWND name = ::GetDlgItem(dialog, 0x480);
    if (!name) name = ::GetDlgItem(dialog, 0x47C);
    if (!name) return;
    ::SendMessageW(name, WM_SETTEXT, 0, reinterpret_cast<::LPARAM>(typed.c_str()));
    typedIn = ::PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0) != 0;
  });
  CFileDialog dialog(FALSE, u".csv", u"export.csv", OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT,
                     u"CSV Files (*.csv)|*.csv|All Files (*.*)|*.*||");
  int result = dialog.DoModal();
  watcher.join();
  EXPECT_TRUE(typedIn);
  EXPECT_EQ(result, IDOK);
  std::u16string path(dialog.GetPathName().View());
  std::u16string expected;
  for (wchar_t c : typed + L".csv") expected += char16_t(c);
  if (path != expected) Fail(__LINE__, "path is " + Utf8(path) + ", expected " + Utf8(expected));
}

unsigned SetFlagLater(void* param) {
  ::Sleep(50);
  static_cast<std::atomic<int>*>(param)->store(7);
  return 3;
}

void ServicesThreadsAndDialogs() {
  std::atomic<int> flag{0};
  ThreadHandle worker = BeginThreadEx(&SetFlagLater, &flag);
  EXPECT_TRUE(worker != 0);
  JoinThread(worker);
  EXPECT_EQ(flag.load(), 7);
  EXPECT_TRUE(BeginThreadEx(nullptr, nullptr) == 0);
  // This program has no dialog resources: the dialog cannot be shown.
  CDialogEx about(100);
  EXPECT_EQ(about.DoModal(), -1);
}

// ---------------------------------------------------------------- module resources

// With the control module's resources (TzGrid.ocx, named by TZGRID_OCX):
// the drag cursor 101 and the About box template come from the module
// instance the site was given.

class ModuleResources {
 public:
  ModuleResources() {
    const char* path = std::getenv("TZGRID_OCX");
    if (!path || !*path) throw CheckSkipped("TZGRID_OCX is not set (TzGrid.ocx not built)");
    m_module = ::LoadLibraryA(path);
    if (!m_module) throw CheckFailed(std::string("cannot load ") + path);
    SetModuleInstance(m_module);
  }
  ~ModuleResources() {
    SetModuleInstance(nullptr);
    ::FreeLibrary(m_module);
  }
  ::HMODULE Module() const { return m_module; }

 private:
  ::HMODULE m_module = nullptr;
};

void ModuleDragCursor() {
  ProbeFixture f;
  ModuleResources resources;
  ::HCURSOR drag = ::LoadCursorW(resources.Module(), MAKEINTRESOURCEW(IDC_DRAGCOLUMN));
  EXPECT_TRUE(drag != nullptr);
  EXPECT_TRUE(drag != ::LoadCursorW(nullptr, MAKEINTRESOURCEW(32512)));
  f.ctrl.SetCursor(IDC_DRAGCOLUMN);
  EXPECT_TRUE(::GetCursor() == drag);
  f.ctrl.SetCursor(32512);
  EXPECT_TRUE(::GetCursor() == ::LoadCursorW(nullptr, MAKEINTRESOURCEW(32512)));
}

// The grid's own column drag shows the module's cursor, and the drop puts
// the arrow back.
void ModuleDragCursorDuringColumnDrag() {
  Guarded([] {
    GridFixture f;
    ModuleResources resources;
    f.HeaderRow();
    f.Settle();
    ::PostMessageW(f.Hwnd(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(75, 10));
    f.Settle();
    f.ExpectNoFailures();
    EXPECT_EQ(f.ctrl.m_nMouseMode, MOUSE_DRAGGING);
    EXPECT_TRUE(::GetCursor() == ::LoadCursorW(resources.Module(), MAKEINTRESOURCEW(IDC_DRAGCOLUMN)));
    ::PostMessageW(f.Hwnd(), WM_LBUTTONUP, 0, MAKELPARAM(75, 10));
    f.Settle();
    EXPECT_TRUE(::GetCursor() == ::LoadCursorW(nullptr, MAKEINTRESOURCEW(32512)));
  });
}

void ModuleAboutBox() {
  HostWindow host;
  ModuleResources resources;
  DWORD me = ::GetCurrentThreadId();
  bool closed = false;
  std::thread watcher([&] {
    ::HWND box = WaitForDialog(me, L"About TzGrid Control");
    if (box) closed = ::PostMessageW(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0) != 0;
  });
  CDialogEx about(1);
  int result = about.DoModal();
  watcher.join();
  EXPECT_TRUE(closed);
  EXPECT_EQ(result, IDOK);
}

}  // namespace

std::vector<Check> ServiceChecks() {
  return {
      {"services.clipboard", ServicesClipboard},
      {"services.message_box", ServicesMessageBox},
      {"services.save_dialog", ServicesSaveDialog},
      {"services.threads_and_dialogs", ServicesThreadsAndDialogs},
      {"module_resources.drag_cursor", ModuleDragCursor},
      {"module_resources.about_box", ModuleAboutBox},
      {"module_resources.cursor_during_column_drag", ModuleDragCursorDuringColumnDrag},
  };
}

}  // namespace TzGrid::Win32::Test
