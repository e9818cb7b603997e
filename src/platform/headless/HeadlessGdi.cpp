// Provisional headless GDI: objects and contexts exist, drawing is not
// implemented yet and fails loudly.
#include "HeadlessGdi.h"

namespace TzGrid {

namespace Headless {

void Pixmap::Resize(int w, int h, COLORREF fill) {
  width = w < 0 ? 0 : w;
  height = h < 0 ? 0 : h;
  pixels.assign(std::size_t(width) * std::size_t(height), fill);
}

namespace {
struct FontObject {
  LOGFONTW lf;
  bool pointSize;
};
struct DCState {
  Pixmap* target;
  CRect clip;
};
}  // namespace

std::unique_ptr<CDC> CreatePixmapDC(Pixmap& target, const CRect& clip) {
  auto dc = std::make_unique<CDC>();
  dc->m_hDC = new DCState{&target, clip};
  dc->m_hAttribDC = dc->m_hDC;
  return dc;
}

bool WritePng(const Pixmap&, const std::string&, std::string* error) {
  if (error) *error = "PNG output is not implemented";
  return false;
}

}  // namespace Headless

using namespace Headless;

COLORREF GetSysColor(int index) {
  switch (index) {
    case COLOR_WINDOW: return RGB(255, 255, 255);
    case COLOR_WINDOWTEXT: return RGB(0, 0, 0);
    case COLOR_BTNFACE: return RGB(240, 240, 240);
    case COLOR_BTNSHADOW: return RGB(160, 160, 160);
    default: return RGB(0, 0, 0);
  }
}

BOOL CGdiObject::DeleteObject() {
  if (!m_hObject) return FALSE;
  if (!m_bStock) delete static_cast<FontObject*>(m_hObject);
  m_hObject = nullptr;
  m_bStock = false;
  return TRUE;
}

BOOL CFont::CreatePointFontIndirect(const LOGFONTW* lpLogFont, CDC*) {
  DeleteObject();
  m_hObject = new FontObject{*lpLogFont, true};
  return TRUE;
}

BOOL CFont::CreateFontIndirect(const LOGFONTW* lpLogFont) {
  DeleteObject();
  m_hObject = new FontObject{*lpLogFont, false};
  return TRUE;
}

CDC::~CDC() { delete static_cast<DCState*>(m_hDC); }

BOOL CPen::CreatePen(int, int, COLORREF) { AfxThrowNotImplementedException("CPen::CreatePen"); }
BOOL CBrush::CreateSolidBrush(COLORREF) { AfxThrowNotImplementedException("CBrush::CreateSolidBrush"); }
CBrush& CBrush::Stock(int) { AfxThrowNotImplementedException("CBrush::Stock"); }
BOOL CBitmap::CreateCompatibleBitmap(CDC*, int, int) { AfxThrowNotImplementedException("CreateCompatibleBitmap"); }
BOOL CDC::CreateCompatibleDC(CDC*) { AfxThrowNotImplementedException("CreateCompatibleDC"); }
BOOL CDC::DeleteDC() { AfxThrowNotImplementedException("DeleteDC"); }
int CDC::GetClipBox(CRect*) const { AfxThrowNotImplementedException("GetClipBox"); }
CPoint CDC::SetWindowOrg(int, int) { AfxThrowNotImplementedException("SetWindowOrg"); }
CPoint CDC::GetWindowOrg() const { AfxThrowNotImplementedException("GetWindowOrg"); }
CBitmap* CDC::SelectObject(CBitmap*) { AfxThrowNotImplementedException("SelectObject"); }
CFont* CDC::SelectObject(CFont*) { AfxThrowNotImplementedException("SelectObject"); }
CPen* CDC::SelectObject(CPen*) { AfxThrowNotImplementedException("SelectObject"); }
CBrush* CDC::SelectObject(CBrush*) { AfxThrowNotImplementedException("SelectObject"); }
CGdiObject* CDC::SelectStockObject(int) { AfxThrowNotImplementedException("SelectStockObject"); }
void CDC::FillSolidRect(const RECT*, COLORREF) { AfxThrowNotImplementedException("FillSolidRect"); }
void CDC::FillSolidRect(int, int, int, int, COLORREF) { AfxThrowNotImplementedException("FillSolidRect"); }
int CDC::FillRect(const RECT*, CBrush*) { AfxThrowNotImplementedException("FillRect"); }
void CDC::Draw3dRect(const RECT*, COLORREF, COLORREF) { AfxThrowNotImplementedException("Draw3dRect"); }
void CDC::InvertRect(const RECT*) { AfxThrowNotImplementedException("InvertRect"); }
int CDC::SetBkMode(int) { AfxThrowNotImplementedException("SetBkMode"); }
COLORREF CDC::SetTextColor(COLORREF) { AfxThrowNotImplementedException("SetTextColor"); }
CPoint CDC::MoveTo(int, int) { AfxThrowNotImplementedException("MoveTo"); }
BOOL CDC::LineTo(int, int) { AfxThrowNotImplementedException("LineTo"); }
BOOL CDC::Rectangle(int, int, int, int) { AfxThrowNotImplementedException("Rectangle"); }
int CDC::DrawText(const WCHAR*, int, RECT*, UINT) { AfxThrowNotImplementedException("DrawText"); }
BOOL CDC::BitBlt(int, int, int, int, CDC*, int, int, DWORD) { AfxThrowNotImplementedException("BitBlt"); }
COLORREF CDC::GetPixel(int, int) const { AfxThrowNotImplementedException("GetPixel"); }

}  // namespace TzGrid
