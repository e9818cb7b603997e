// An off-screen drawing context for one paint: the painter draws into a
// bitmap the size of the target's clip box, and the finished picture reaches
// the target in one block transfer when the context is destroyed, so the
// user never sees a half-drawn grid. On a printer there is nothing to
// flicker, and drawing goes straight to the printer's context.
#pragma once

#include "../framework/afx.h"

namespace TzGrid {

class CMemDC : public CDC {
 public:
  explicit CMemDC(CDC* pDC);
  ~CMemDC() override;

  CMemDC(const CMemDC&) = delete;
  CMemDC& operator=(const CMemDC&) = delete;

  // The target's clip box this context covers, in the target's logical
  // coordinates (empty in the printing case).
  const CRect& GetArea() const noexcept { return m_rcArea; }
  BOOL IsOffscreen() const noexcept { return m_bOffscreen; }

 private:
  CBitmap m_bitmap;                 // the off-screen picture
  CBitmap* m_pOldBitmap = nullptr;  // what the memory context held before it
  CDC* m_pTargetDC = nullptr;       // where the picture goes; never owned
  CRect m_rcArea;                   // the target's clip box
  BOOL m_bOffscreen = FALSE;        // FALSE: printing, drawing goes straight to the target
};

}  // namespace TzGrid
