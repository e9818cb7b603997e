#include "HeadlessServices.h"

#include <chrono>
#include <cstring>
#include <thread>
#include <unordered_map>

namespace TzGrid {

namespace Headless {

void Desktop::Reset() {
  std::lock_guard<std::mutex> guard(lock);
  messageBoxes.clear();
  messageBoxAnswer = IDOK;
  saveDialogAnswers.clear();
  saveDialogs.clear();
  shellOpened.clear();
  dialogsShown.clear();
  clipboardBusy = false;
  clipboardOpen = false;
  clipboardLockFails = false;
  clipboardOwner = nullptr;
  clipboardData.clear();
}

Desktop& GetDesktop() {
  static Desktop desktop;
  return desktop;
}

namespace {

// Movable global memory blocks, as the clipboard exchanges them.
struct GlobalBlock {
  std::vector<unsigned char> bytes;
  int locks = 0;
  bool lockFails = false;
};

std::u16string Str(const CString& s) { return std::u16string(s.View()); }

// Worker threads by handle, so that JoinThread can wait for one.
std::mutex g_threadLock;
std::unordered_map<ThreadHandle, std::thread> g_threads;
ThreadHandle g_nextThread = 1;

}  // namespace
}  // namespace Headless

using namespace Headless;

int AfxMessageBox(const CString& text, UINT nType, UINT) {
  Desktop& d = GetDesktop();
  std::lock_guard<std::mutex> guard(d.lock);
  d.messageBoxes.push_back({Str(text), nType});
  return d.messageBoxAnswer;
}

int CFileDialog::DoModal() {
  Desktop& d = GetDesktop();
  std::lock_guard<std::mutex> guard(d.lock);
  d.saveDialogs.push_back({m_bOpenFileDialog, Str(m_strDefExt), Str(m_strFileName), m_dwFlags, Str(m_strFilter),
                           m_pParentWnd != nullptr, m_dwSize, m_bVistaStyle});
  if (d.saveDialogAnswers.empty()) return IDCANCEL;
  std::optional<std::u16string> answer = d.saveDialogAnswers.front();
  d.saveDialogAnswers.pop_front();
  if (!answer) return IDCANCEL;
  m_strPathName = CString(std::u16string_view(*answer));
  return IDOK;
}

int CDialogEx::DoModal() {
  Desktop& d = GetDesktop();
  std::lock_guard<std::mutex> guard(d.lock);
  d.dialogsShown.push_back(m_nIDTemplate);
  return IDOK;
}

void ShellExecuteOpen(const CString& path) {
  Desktop& d = GetDesktop();
  std::lock_guard<std::mutex> guard(d.lock);
  d.shellOpened.push_back(Str(path));
}

BOOL OpenClipboard(HWND hWndNewOwner) {
  Desktop& d = GetDesktop();
  std::lock_guard<std::mutex> guard(d.lock);
  if (d.clipboardBusy || d.clipboardOpen) return FALSE;
  d.clipboardOpen = true;
  d.clipboardOwner = hWndNewOwner;
  return TRUE;
}

BOOL EmptyClipboard() {
  Desktop& d = GetDesktop();
  std::lock_guard<std::mutex> guard(d.lock);
  if (!d.clipboardOpen) return FALSE;
  d.clipboardData.clear();
  return TRUE;
}

HGLOBAL SetClipboardData(UINT uFormat, HGLOBAL hMem) {
  Desktop& d = GetDesktop();
  std::lock_guard<std::mutex> guard(d.lock);
  if (!d.clipboardOpen || !hMem) return nullptr;
  // The clipboard takes the block over: keep its bytes, free the block.
  auto* block = static_cast<GlobalBlock*>(hMem);
  d.clipboardData[uFormat] = block->bytes;
  delete block;
  return hMem;
}

HGLOBAL GetClipboardData(UINT uFormat) {
  Desktop& d = GetDesktop();
  // The clipboard owns what it hands out; one block per format, kept until
  // the clipboard changes or closes.
  static thread_local std::unique_ptr<GlobalBlock> handedOut;
  std::lock_guard<std::mutex> guard(d.lock);
  if (!d.clipboardOpen) return nullptr;
  auto it = d.clipboardData.find(uFormat);
  if (it == d.clipboardData.end()) return nullptr;
  handedOut = std::make_unique<GlobalBlock>();
  handedOut->bytes = it->second;
  handedOut->lockFails = d.clipboardLockFails;
  return handedOut.get();
}

BOOL CloseClipboard() {
  Desktop& d = GetDesktop();
  std::lock_guard<std::mutex> guard(d.lock);
  if (!d.clipboardOpen) return FALSE;
  d.clipboardOpen = false;
  return TRUE;
}

HGLOBAL GlobalAlloc(UINT, std::size_t dwBytes) {
  try {
    auto* block = new GlobalBlock;
    block->bytes.assign(dwBytes, 0);
    return block;
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
}

void* GlobalLock(HGLOBAL hMem) {
  if (!hMem) return nullptr;
  auto* block = static_cast<GlobalBlock*>(hMem);
  if (block->lockFails) return nullptr;
  ++block->locks;
  return block->bytes.empty() ? static_cast<void*>(block) : block->bytes.data();
}

BOOL GlobalUnlock(HGLOBAL hMem) {
  if (!hMem) return FALSE;
  auto* block = static_cast<GlobalBlock*>(hMem);
  if (block->locks > 0) --block->locks;
  return block->locks > 0;
}

std::size_t GlobalSize(HGLOBAL hMem) { return hMem ? static_cast<GlobalBlock*>(hMem)->bytes.size() : 0; }

HGLOBAL GlobalFree(HGLOBAL hMem) {
  delete static_cast<GlobalBlock*>(hMem);
  return nullptr;
}

ThreadHandle BeginThreadEx(unsigned (*proc)(void*), void* arg) {
  std::lock_guard<std::mutex> guard(g_threadLock);
  ThreadHandle handle = g_nextThread++;
  try {
    g_threads.emplace(handle, std::thread([proc, arg] { proc(arg); }));
  } catch (const std::system_error&) {
    return 0;
  }
  return handle;
}

void JoinThread(ThreadHandle handle) {
  std::thread worker;
  {
    std::lock_guard<std::mutex> guard(g_threadLock);
    auto it = g_threads.find(handle);
    if (it == g_threads.end()) return;
    worker = std::move(it->second);
    g_threads.erase(it);
  }
  if (worker.joinable()) worker.join();
}

void Sleep(DWORD milliseconds) { std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds)); }

}  // namespace TzGrid
