#include "MemDC.h"

namespace TzGrid {

CMemDC::CMemDC(CDC* pDC) : m_pTargetDC(pDC) {
  m_rcArea.SetRectEmpty();
  m_bOffscreen = pDC->IsPrinting() ? FALSE : TRUE;
  if (!m_bOffscreen) {
    // Borrow the printer's handles; the destructor hands them back untouched.
    m_bPrinting = pDC->m_bPrinting;
    m_hDC = pDC->m_hDC;
    m_hAttribDC = pDC->m_hAttribDC;
    return;
  }
  pDC->GetClipBox(&m_rcArea);
  CreateCompatibleDC(pDC);
  // Compatible with the target, not with the new memory context: a memory
  // context starts with a one-bit bitmap, and a bitmap like it would lose
  // every colour.
  m_bitmap.CreateCompatibleBitmap(pDC, m_rcArea.Width(), m_rcArea.Height());
  m_pOldBitmap = SelectObject(&m_bitmap);
  // Drawing at the target's coordinates lands in the bitmap, with the clip
  // box's top-left corner on its first pixel; the rest falls off it.
  SetWindowOrg(m_rcArea.left, m_rcArea.top);
}

CMemDC::~CMemDC() {
  // Runs also while a failed paint unwinds: the target then shows what had
  // been drawn so far. Nothing may escape a destructor.
  try {
    if (m_bOffscreen) {
      m_pTargetDC->BitBlt(m_rcArea.left, m_rcArea.top, m_rcArea.Width(), m_rcArea.Height(), this, m_rcArea.left,
                          m_rcArea.top, SRCCOPY);
      // A memory context always starts with a bitmap of its own; without
      // one there is nothing to put back.
      if (m_pOldBitmap) SelectObject(m_pOldBitmap);
    } else {
      m_hDC = nullptr;
      m_hAttribDC = nullptr;
    }
  } catch (const CException&) {
    if (!m_bOffscreen) {
      m_hDC = nullptr;
      m_hAttribDC = nullptr;
    }
  }
  // m_bitmap goes with the members, the memory context with the base.
}

}  // namespace TzGrid
