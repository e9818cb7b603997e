// The platform services: message box, save dialog, threads, dialogs, and
// the drag cursor from the module's resources (TzGrid.ocx; its About box
// is shown by the module's own tests).
#include "PlatformHarness.h"

namespace TzGrid::Win32::Test {
namespace {

// A visible dialog box of the thread whose caption is caption (any when
// null), waited for up to 5 s.
::HWND WaitForDialog(DWORD thread, const wchar_t* caption) {
  struct Search {
    const wchar_t* caption;
    ::HWND found;
  } search{caption, nullptr};
  for (int i = 0; i < 500 && !search.found; ++i, ::Sleep(10)) {
    ::EnumThreadWindows(
        thread,
        [](::HWND hwnd, ::LPARAM param) -> ::BOOL {
          auto* s = reinterpret_cast<Search*>(param);
          wchar_t cls[32] = {}, title[128] = {};
          ::GetClassNameW(hwnd, cls, 32);
          ::GetWindowTextW(hwnd, title, 128);
          bool match = std::wstring(cls) == L"#32770" && (!s->caption || std::wstring(title) == s->caption);
          if (match && ::IsWindowVisible(hwnd)) s->found = hwnd;
          return !s->found;
        },
        reinterpret_cast<::LPARAM>(&search));
  }
  return search.found;
}

// Runs modal, which shows a dialog on this thread, while another thread
// waits for the dialog and hands it to answer; modal's result.
int AnsweredModal(const wchar_t* caption, const std::function<int()>& modal, const std::function<void(::HWND)>& answer) {
  DWORD me = ::GetCurrentThreadId();
  bool answered = false;
  std::thread watcher([&] {
    if (::HWND dialog = WaitForDialog(me, caption)) {
      answer(dialog);
      answered = true;
    }
  });
  int result = modal();
  watcher.join();
  EXPECT_TRUE(answered);
  return result;
}

void PressOk(::HWND dialog) { ::PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0); }

std::wstring ChildTexts(::HWND dialog) {
  std::wstring texts;
  ::EnumChildWindows(
      dialog,
      [](::HWND child, ::LPARAM param) -> ::BOOL {
        wchar_t text[256] = {};
        ::GetWindowTextW(child, text, 256);
        *reinterpret_cast<std::wstring*>(param) += text;
        return TRUE;
      },
      reinterpret_cast<::LPARAM>(&texts));
  return texts;
}

PLATFORM_CHECK(ServicesMessageBox, "services.message_box") {
  HostWindow host;
  std::wstring shown;
  auto readAndClose = [&](::HWND box) {
    shown = ChildTexts(box);
    PressOk(box);
  };
  EXPECT_EQ(AnsweredModal(L"TzGrid", [] { return AfxMessageBox(CString(u"NULL cell")); }, readAndClose), IDOK);
  EXPECT_TRUE(shown.find(L"NULL cell") != std::wstring::npos);
}

// The file name typed into the system's dialog (edt1, or the combo box
// cmb13 newer dialogs have in its place) comes back with the default extension.
PLATFORM_CHECK(ServicesSaveDialog, "services.save_dialog") {
  HostWindow host;
  wchar_t tempDir[MAX_PATH] = {};
  ::GetTempPathW(MAX_PATH, tempDir);
  std::wstring typed = std::wstring(tempDir) + L"tzgrid_platform_export";
  CFileDialog dialog(FALSE, u".csv", u"export.csv", OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT,
                     u"CSV Files (*.csv)|*.csv|All Files (*.*)|*.*||");
  auto typeAndSave = [&](::HWND box) {
    ::HWND name = ::GetDlgItem(box, 0x480) ? ::GetDlgItem(box, 0x480) : ::GetDlgItem(box, 0x47C);
    ::SendMessageW(name, WM_SETTEXT, 0, reinterpret_cast<::LPARAM>(typed.c_str()));
    PressOk(box);
  };
  EXPECT_EQ(AnsweredModal(nullptr, [&] { return int(dialog.DoModal()); }, typeAndSave), IDOK);
  std::wstring expected = typed + L".csv";
  EXPECT_TRUE(dialog.GetPathName().View() == std::u16string(expected.begin(), expected.end()));
}

unsigned SetFlagLater(void* param) {
  ::Sleep(50);
  static_cast<std::atomic<int>*>(param)->store(7);
  return 3;
}

PLATFORM_CHECK(ServicesThreadsAndDialogs, "services.threads_and_dialogs") {
  std::atomic<int> flag{0};
  ThreadHandle worker = BeginThreadEx(&SetFlagLater, &flag);
  EXPECT_TRUE(worker != 0);
  JoinThread(worker);
  EXPECT_EQ(flag.load(), 7);
  EXPECT_TRUE(BeginThreadEx(nullptr, nullptr) == 0);
  CDialogEx about(100);  // this program has no dialog resources
  EXPECT_EQ(about.DoModal(), -1);
}

// The control module's resources (TzGrid.ocx, named by TZGRID_OCX) as the
// module instance the site uses.
class ModuleResources {
 public:
  ModuleResources() {
    const char* path = std::getenv("TZGRID_OCX");
    m_module = path ? ::LoadLibraryA(path) : nullptr;
    if (!m_module) throw CheckFailed(std::string("cannot load TZGRID_OCX ") + (path ? path : "(not set)"));
    SetModuleInstance(m_module);
  }
  ~ModuleResources() {
    SetModuleInstance(nullptr);
    ::FreeLibrary(m_module);
  }
  ::HCURSOR DragCursor() const { return ::LoadCursorW(m_module, MAKEINTRESOURCEW(IDC_DRAGCOLUMN)); }

 private:
  ::HMODULE m_module;
};

// The grid's column drag shows the module's own cursor; the drop puts the
// arrow back.
PLATFORM_CHECK(ModuleDragCursorDuringColumnDrag, "module_resources.cursor_during_column_drag") {
  GridFixture f;
  ModuleResources resources;
  EXPECT_TRUE(resources.DragCursor() != nullptr);
  f.Post(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(75, 10));
  EXPECT_EQ(f.ctrl.m_nMouseMode, MOUSE_DRAGGING);
  EXPECT_TRUE(::GetCursor() == resources.DragCursor() && !IsArrowCursor());
  f.Post(WM_LBUTTONUP, 0, MAKELPARAM(75, 10));
  EXPECT_TRUE(IsArrowCursor());
}

}  // namespace
}  // namespace TzGrid::Win32::Test
