// Clipboard copy and paste of the focus cell's text, as CF_UNICODETEXT.
//
// The automation methods and the Ctrl+C / Ctrl+V keys do the same exchange
// with different care: the methods go on when the clipboard cannot be opened
// (the later clipboard calls then fail and nothing is exchanged) and paste
// through SetCellText, which ends an edit of the cell and repaints that cell;
// the keys stop when the clipboard cannot be opened and paste straight into
// the cell, repainting the whole grid.
#include <cstring>
#include <vector>

#include "../model/TzGridCtrl.h"
#include "../access/AccessEvents.h"

namespace TzGrid {

namespace {

std::size_t UnicodeBlockBytes(const CString& text) { return (std::size_t(text.GetLength()) + 1) * sizeof(WCHAR); }

// Hands a filled block to the clipboard; a block the clipboard refuses is
// still ours and is freed.
void GiveBlockToClipboard(HGLOBAL hBlock) {
  GlobalUnlock(hBlock);
  if (!SetClipboardData(CF_UNICODETEXT, hBlock)) GlobalFree(hBlock);
}

// Reads the text of a clipboard block: its units up to the first NUL, or all
// of them when it holds none. Never reads past GlobalSize. False when the
// block cannot be locked.
bool ReadBlockText(HGLOBAL hBlock, CString& text) {
  std::size_t nBytes = GlobalSize(hBlock);
  std::vector<WCHAR> units((nBytes + 1) / sizeof(WCHAR), 0);
  const void* pData = GlobalLock(hBlock);
  if (!pData) return false;
  if (nBytes) std::memcpy(units.data(), pData, nBytes);
  GlobalUnlock(hBlock);
  text = CString::FromTruncated(std::u16string_view(units.data(), units.size()));
  return true;
}

// Closes the clipboard on every way out, an exception included: a clipboard
// left open would lock every other program out of it.
class ClipboardCloser {
 public:
  ClipboardCloser() = default;
  ClipboardCloser(const ClipboardCloser&) = delete;
  ClipboardCloser& operator=(const ClipboardCloser&) = delete;
  ~ClipboardCloser() { Close(); }
  void Close() {
    if (m_bOpen) CloseClipboard();
    m_bOpen = false;
  }

 private:
  bool m_bOpen = true;
};

// A bounded copy of count units that stops after the first NUL, leaving
// the rest of the destination as it was (the key path's copy).
void CopyUnitsBounded(WCHAR* dest, const WCHAR* src, std::size_t count) {
  for (std::size_t i = 0; i < count; ++i) {
    dest[i] = src[i];
    if (src[i] == 0) break;
  }
}

}  // namespace

void CTzGridCtrl::CopyToClipboard() {
  AFX_MANAGE_STATE(AfxGetStaticModuleState());
  if (!m_focusCell) return;
  const CString text = CellText(m_focusCell).ToString();
  if (text.IsEmpty()) return;

  OpenClipboard(GetSafeHwnd());  // not tested: the calls below fail when it did not open
  ClipboardCloser closer;
  EmptyClipboard();
  std::size_t nBytes = UnicodeBlockBytes(text);
  HGLOBAL hBlock = GlobalAlloc(GMEM_MOVEABLE, nBytes);
  void* pData = hBlock ? GlobalLock(hBlock) : nullptr;
  if (!pData) {
    // No memory for the block: the clipboard stays emptied, nothing is offered.
    if (hBlock) GlobalFree(hBlock);
    return;
  }
  std::memset(pData, 0, nBytes);
  std::memcpy(pData, text.GetString(), nBytes);  // the text and its terminating NUL
  GiveBlockToClipboard(hBlock);
}

void CTzGridCtrl::PasteFromClipboard() {
  AFX_MANAGE_STATE(AfxGetStaticModuleState());
  if (!m_focusCell || CellAttributes(m_focusCell).bReadOnly) return;

  CString text;
  {
    OpenClipboard(GetSafeHwnd());  // not tested: GetClipboardData fails when it did not open
    ClipboardCloser closer;
    HGLOBAL hBlock = GetClipboardData(CF_UNICODETEXT);
    if (!hBlock || !ReadBlockText(hBlock, text)) return;
  }
  SetCellText(m_focusCell.m_nRow, m_focusCell.m_nCol, text);
}

void CTzGridCtrl::CopyFocusTextByKey() {
  if (!m_focusCell) return;
  const CString text = CellText(m_focusCell).ToString();
  if (text.IsEmpty()) return;
  if (!OpenClipboard(GetSafeHwnd())) return;
  ClipboardCloser closer;

  EmptyClipboard();
  std::size_t nUnits = std::size_t(text.GetLength()) + 1;
  HGLOBAL hBlock = GlobalAlloc(GMEM_MOVEABLE, nUnits * sizeof(WCHAR));
  WCHAR* pData = hBlock ? static_cast<WCHAR*>(GlobalLock(hBlock)) : nullptr;
  if (!pData) {
    if (hBlock) GlobalFree(hBlock);
    return;
  }
  CopyUnitsBounded(pData, text.GetString(), nUnits);
  GiveBlockToClipboard(hBlock);
}

void CTzGridCtrl::PasteFocusTextByKey() {
  if (!m_focusCell || CellAttributes(m_focusCell).bReadOnly) return;
  if (!OpenClipboard(GetSafeHwnd())) return;
  {
    ClipboardCloser closer;
    HGLOBAL hBlock = GetClipboardData(CF_UNICODETEXT);
    CString text;
    if (hBlock && ReadBlockText(hBlock, text)) {
      m_cells.TextToWrite(m_focusCell) = text;
      Access::NotifyTextChanged(*this, m_focusCell.m_nRow, m_focusCell.m_nCol);
    }
  }
  // The whole grid, also when the clipboard held no text.
  InvalidateRect(nullptr, TRUE);
}

}  // namespace TzGrid
