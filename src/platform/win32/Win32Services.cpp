// The process-wide services of the framework over the system's own: message
// boxes, the clipboard and global memory, the file dialog, the shell, the
// module's modal dialogs, threads.
#include "win32.h"

#include <commdlg.h>
#include <process.h>
#include <shellapi.h>

#include <new>
#include <vector>

#include "Win32Gdi.h"
#include "Win32Site.h"

namespace TzGrid {

namespace Win32 {
namespace {

constexpr wchar_t kMessageBoxCaption[] = L"TzGrid";

::HWND OwnerWindow(const CWnd* pWnd) {
  if (pWnd) {
    if (HWND hwnd = pWnd->GetSafeHwnd()) return static_cast<::HWND>(hwnd);
  }
  return ::GetActiveWindow();
}

// "CSV Files (*.csv)|*.csv|" becomes "CSV Files (*.csv)\0*.csv\0\0": the
// system's filter list is a sequence of NUL-terminated strings ended by an
// empty one.
std::vector<wchar_t> SystemFilter(const CString& filter) {
  std::vector<wchar_t> out;
  for (WCHAR c : filter.View()) out.push_back(c == u'|' ? L'\0' : wchar_t(c));
  if (out.empty() || out.back() != L'\0') out.push_back(L'\0');
  out.push_back(L'\0');
  return out;
}

// The default extension as the dialog wants it: without a leading dot.
std::vector<wchar_t> SystemDefaultExtension(const CString& ext) {
  std::u16string_view view = ext.View();
  while (!view.empty() && view.front() == u'.') view.remove_prefix(1);
  std::vector<wchar_t> out(view.begin(), view.end());
  out.push_back(L'\0');
  return out;
}

::INT_PTR CALLBACK SimpleDialogProc(::HWND dialog, ::UINT message, ::WPARAM wParam, ::LPARAM) {
  switch (message) {
    case WM_INITDIALOG: return TRUE;  // the system gives the first control the focus
    case WM_COMMAND: {
      ::WORD id = ::WORD(wParam & 0xFFFF);
      if (id == IDOK || id == IDCANCEL) {
        ::EndDialog(dialog, id);
        return TRUE;
      }
      return FALSE;
    }
    case WM_CLOSE:
      ::EndDialog(dialog, IDCANCEL);
      return TRUE;
    default: return FALSE;
  }
}

// _beginthreadex wants the system's calling convention; the framework's
// thread entry is a plain function. The start block carries it across.
struct ThreadStart {
  unsigned (*proc)(void*);
  void* arg;
};

unsigned __stdcall ThreadTrampoline(void* param) {
  ThreadStart start = *static_cast<ThreadStart*>(param);
  delete static_cast<ThreadStart*>(param);
  return start.proc(start.arg);
}

}  // namespace
}  // namespace Win32

using namespace Win32;

int AfxMessageBox(const CString& text, UINT nType, UINT) {
  return ::MessageBoxW(::GetActiveWindow(), Wide(text.GetString()), kMessageBoxCaption, nType);
}

// ---- clipboard and global memory

BOOL OpenClipboard(HWND hWndNewOwner) { return ::OpenClipboard(static_cast<::HWND>(hWndNewOwner)); }
BOOL EmptyClipboard() { return ::EmptyClipboard(); }
HGLOBAL SetClipboardData(UINT uFormat, HGLOBAL hMem) {
  return ::SetClipboardData(uFormat, static_cast<::HANDLE>(hMem));
}
HGLOBAL GetClipboardData(UINT uFormat) { return ::GetClipboardData(uFormat); }
BOOL CloseClipboard() { return ::CloseClipboard(); }
HGLOBAL GlobalAlloc(UINT uFlags, std::size_t dwBytes) { return ::GlobalAlloc(uFlags, dwBytes); }
void* GlobalLock(HGLOBAL hMem) { return ::GlobalLock(static_cast<::HGLOBAL>(hMem)); }
BOOL GlobalUnlock(HGLOBAL hMem) { return ::GlobalUnlock(static_cast<::HGLOBAL>(hMem)); }
std::size_t GlobalSize(HGLOBAL hMem) { return ::GlobalSize(static_cast<::HGLOBAL>(hMem)); }
HGLOBAL GlobalFree(HGLOBAL hMem) { return ::GlobalFree(static_cast<::HGLOBAL>(hMem)); }

// ---- shell and dialogs

void ShellExecuteOpen(const CString& path) {
  ::ShellExecuteW(nullptr, L"Open", Wide(path.GetString()), nullptr, nullptr, SW_SHOW);
}

int CFileDialog::DoModal() {
  // Long enough for any path the dialog can return; the initial file name
  // is cut to fit.
  constexpr std::size_t kPathCapacity = 32768;
  std::vector<wchar_t> path(kPathCapacity, L'\0');
  std::u16string_view initial = m_strFileName.View();
  std::size_t initialLength = initial.size() < kPathCapacity - 1 ? initial.size() : kPathCapacity - 1;
  for (std::size_t i = 0; i < initialLength; ++i) path[i] = wchar_t(initial[i]);

  std::vector<wchar_t> filter = SystemFilter(m_strFilter);
  std::vector<wchar_t> defExt = SystemDefaultExtension(m_strDefExt);

  ::OPENFILENAMEW ofn{};
  ofn.lStructSize = sizeof(ofn);
  ofn.hwndOwner = OwnerWindow(m_pParentWnd);
  ofn.lpstrFilter = m_strFilter.IsEmpty() ? nullptr : filter.data();
  ofn.nFilterIndex = 1;
  ofn.lpstrFile = path.data();
  ofn.nMaxFile = ::DWORD(kPathCapacity);
  ofn.lpstrDefExt = defExt.size() > 1 ? defExt.data() : nullptr;
  ofn.Flags = m_dwFlags | OFN_EXPLORER;

  ::BOOL accepted = m_bOpenFileDialog ? ::GetOpenFileNameW(&ofn) : ::GetSaveFileNameW(&ofn);
  if (!accepted) return IDCANCEL;
  m_strPathName = CString(Narrow(path.data()));
  return IDOK;
}

int CDialogEx::DoModal() {
  ::INT_PTR result = ::DialogBoxParamW(GetModuleInstance(), MAKEINTRESOURCEW(m_nIDTemplate), OwnerWindow(m_pParentWnd),
                                       &SimpleDialogProc, 0);
  return int(result);
}

// ---- threads

ThreadHandle BeginThreadEx(unsigned (*proc)(void*), void* arg) {
  if (!proc) return 0;
  auto* start = new (std::nothrow) ThreadStart{proc, arg};
  if (!start) return 0;
  std::uintptr_t handle = ::_beginthreadex(nullptr, 0, &ThreadTrampoline, start, 0, nullptr);
  if (!handle) delete start;
  return ThreadHandle(handle);
}

void JoinThread(ThreadHandle handle) {
  if (!handle) return;
  auto thread = reinterpret_cast<::HANDLE>(handle);
  // A worker may at this moment be blocked in SendMessageW to a window of
  // this thread (the auto-scroll worker sends WM_HSCROLL to the grid). A
  // plain wait would then never end: the message it waits on is only
  // delivered when this thread takes sent messages. So the wait also wakes
  // for sent messages and lets the system deliver them (PeekMessage with
  // PM_QS_SENDMESSAGE dispatches only messages sent from other threads, no
  // posted input). The join still ends only when the worker ends: the
  // caller must have told it to stop (the control sets bStop first).
  for (;;) {
    ::DWORD woken = ::MsgWaitForMultipleObjectsEx(1, &thread, INFINITE, QS_SENDMESSAGE, 0);
    if (woken != WAIT_OBJECT_0 + 1) break;  // the thread ended, or the wait failed
    ::MSG msg;
    ::PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
  }
  ::CloseHandle(thread);
}

void Sleep(DWORD milliseconds) { ::Sleep(milliseconds); }

}  // namespace TzGrid
