// The headless desktop: the process-wide services of the platform (message
// boxes, the save dialog, the shell, modal dialogs, the clipboard), each
// recording what it was asked and answering as a test scripts it.
#pragma once

#include <deque>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "../../framework/afx.h"

namespace TzGrid::Headless {

struct MessageBoxCall {
  std::u16string text;
  UINT type;
};

struct SaveDialogCall {
  BOOL bOpen;
  std::u16string defExt;
  std::u16string fileName;
  DWORD flags;
  std::u16string filter;
  bool hasParent;
  DWORD structSize;
  BOOL vistaStyle;
};

struct Desktop {
  std::mutex lock;
  std::vector<MessageBoxCall> messageBoxes;
  int messageBoxAnswer = IDOK;
  // Each save dialog takes the next answer: a path (accepted) or nullopt
  // (cancelled). With none left, the dialog is cancelled.
  std::deque<std::optional<std::u16string>> saveDialogAnswers;
  std::vector<SaveDialogCall> saveDialogs;
  std::vector<std::u16string> shellOpened;
  std::vector<UINT> dialogsShown;

  // The clipboard: format -> bytes of the block as handed over.
  bool clipboardBusy = false;  // another program holds it open: OpenClipboard fails
  bool clipboardOpen = false;
  bool clipboardLockFails = false;  // the blocks it hands out cannot be locked: GlobalLock fails
  HWND clipboardOwner = nullptr;
  std::map<UINT, std::vector<unsigned char>> clipboardData;

  // Forgets every record and script (between tests).
  void Reset();
};

Desktop& GetDesktop();

}  // namespace TzGrid::Headless
