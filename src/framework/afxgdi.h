// Drawing objects and the drawing context, under the platform's names.
//
// The classes hold platform handles, as the platform's wrappers do; their
// member functions that touch the handles are defined by each platform
// (platform/headless/ draws into software pixels, platform/win32/ calls
// GDI). Nothing here holds grid logic.
#pragma once

#include "afxgeom.h"
#include "afxstr.h"

namespace TzGrid {

using HGDIOBJ = void*;
using HDC = void*;

constexpr int LF_FACESIZE = 32;

struct LOGFONTW {
  LONG lfHeight;
  LONG lfWidth;
  LONG lfEscapement;
  LONG lfOrientation;
  LONG lfWeight;
  BYTE lfItalic;
  BYTE lfUnderline;
  BYTE lfStrikeOut;
  BYTE lfCharSet;
  BYTE lfOutPrecision;
  BYTE lfClipPrecision;
  BYTE lfQuality;
  BYTE lfPitchAndFamily;
  WCHAR lfFaceName[LF_FACESIZE];
};

// The system colour of an index (COLOR_WINDOW, COLOR_BTNSHADOW, ...).
COLORREF GetSysColor(int index);

class CDC;

// A drawing-object wrapper is just the handle, with no virtual table and no
// flags: the grid's fonts, pens and brushes and the temporary wrappers a
// selection hands back cost one handle each. Objects the wrapper must not delete (stock
// objects) are recognised by the platform's DeleteObject; wrappers that
// merely borrow a handle let go of it with Detach before they are destroyed.
// Nothing deletes a derived wrapper through a CGdiObject pointer.
class CGdiObject {
 public:
  CGdiObject() = default;
  CGdiObject(const CGdiObject&) = delete;
  CGdiObject& operator=(const CGdiObject&) = delete;
  ~CGdiObject() { DeleteObject(); }

  HGDIOBJ GetSafeHandle() const noexcept { return m_hObject; }
  // Takes a handle: an owned object is deleted with the wrapper, a stock
  // object never is.
  void Attach(HGDIOBJ handle) noexcept {
    DeleteObject();
    m_hObject = handle;
  }
  // Lets go of the handle without deleting it.
  HGDIOBJ Detach() noexcept {
    HGDIOBJ handle = m_hObject;
    m_hObject = nullptr;
    return handle;
  }
  // Deletes the object the handle names (stock objects are only detached).
  BOOL DeleteObject();

  HGDIOBJ m_hObject = nullptr;
};

class CFont : public CGdiObject {
 public:
  // lfHeight in tenths of a point, converted for the screen (96 DPI).
  BOOL CreatePointFontIndirect(const LOGFONTW* lpLogFont, CDC* pDC = nullptr);
  // lfHeight in logical units: negative = character height, positive = cell height.
  BOOL CreateFontIndirect(const LOGFONTW* lpLogFont);
};

class CPen : public CGdiObject {
 public:
  CPen() = default;
  CPen(int nPenStyle, int nWidth, COLORREF crColor) { CreatePen(nPenStyle, nWidth, crColor); }
  BOOL CreatePen(int nPenStyle, int nWidth, COLORREF crColor);
};

class CBrush : public CGdiObject {
 public:
  BOOL CreateSolidBrush(COLORREF crColor);
  // A brush on a stock object, not owned (LTGRAY_BRUSH and the like).
  static CBrush& Stock(int nIndex);
};

class CBitmap : public CGdiObject {
 public:
  BOOL CreateCompatibleBitmap(CDC* pDC, int nWidth, int nHeight);
};
static_assert(sizeof(CFont) == sizeof(HGDIOBJ), "a wrapper is its handle");

// A drawing context. m_hDC is the platform's output handle; drawing
// operations exclude right and bottom edges as the platform's do.
class CDC {
 public:
  CDC() = default;
  CDC(const CDC&) = delete;
  CDC& operator=(const CDC&) = delete;
  virtual ~CDC();

  HDC GetSafeHdc() const noexcept { return m_hDC; }
  BOOL IsPrinting() const noexcept { return m_bPrinting; }

  BOOL CreateCompatibleDC(CDC* pDC);
  BOOL DeleteDC();
  int GetClipBox(CRect* lpRect) const;
  CPoint SetWindowOrg(int x, int y);
  CPoint GetWindowOrg() const;

  CBitmap* SelectObject(CBitmap* pBitmap);
  CFont* SelectObject(CFont* pFont);
  // A context only reads the font it is given, so a painter holding its
  // fonts as const may select them.
  CFont* SelectObject(const CFont* pFont) { return SelectObject(const_cast<CFont*>(pFont)); }
  CPen* SelectObject(CPen* pPen);
  CBrush* SelectObject(CBrush* pBrush);
  CGdiObject* SelectStockObject(int nIndex);

  void FillSolidRect(const RECT* lpRect, COLORREF clr);
  void FillSolidRect(int x, int y, int cx, int cy, COLORREF clr);
  int FillRect(const RECT* lpRect, CBrush* pBrush);
  void Draw3dRect(const RECT* lpRect, COLORREF clrTopLeft, COLORREF clrBottomRight);
  void InvertRect(const RECT* lpRect);
  int SetBkMode(int nBkMode);
  COLORREF SetTextColor(COLORREF crColor);
  CPoint MoveTo(int x, int y);
  BOOL LineTo(int x, int y);
  BOOL Rectangle(int x1, int y1, int x2, int y2);
  int DrawText(const WCHAR* lpszString, int nCount, RECT* lpRect, UINT nFormat);
  BOOL BitBlt(int x, int y, int nWidth, int nHeight, CDC* pSrcDC, int xSrc, int ySrc, DWORD dwRop);
  COLORREF GetPixel(int x, int y) const;

  HDC m_hDC = nullptr;
  HDC m_hAttribDC = nullptr;
  BOOL m_bPrinting = FALSE;
  // The platform's per-context bookkeeping (temporary wrappers of the
  // objects replaced by SelectObject, ownership of m_hDC).
  void* m_pPlatformState = nullptr;
};

}  // namespace TzGrid
