#include "AccessibleGrid.h"

#include <oleacc.h>

#include <algorithm>
#include <climits>
#include <exception>
#include <new>
#include <optional>

#include "../access/GridAccess.h"
#include "ComModule.h"

namespace TzGridCom {

namespace {

using TzGrid::Access::CellPlace;
using TzGrid::Access::CGridAccess;
using TzGrid::Access::ChildId;
using TzGrid::Access::Direction;
using TzGrid::Access::kTableItself;

// The object id a WM_GETOBJECT asks for. oleacc passes the 32-bit id
// zero-extended in a 64-bit lParam, so only its low 32 bits count.
LONG ObjectIdOf(LPARAM lParam) noexcept { return static_cast<LONG>(static_cast<DWORD>(lParam)); }

BSTR ToBstr(const TzGrid::CString& text) {
  return ::SysAllocStringLen(reinterpret_cast<const OLECHAR*>(text.GetString()), UINT(text.GetLength()));
}

LONG ClampToLong(std::int64_t value) noexcept {
  return LONG(std::clamp<std::int64_t>(value, LONG_MIN, LONG_MAX));
}

// A child id as a caller hands it over: any integer VARIANT.
std::optional<std::int64_t> ChildIdOf(const VARIANT& child) noexcept {
  switch (child.vt) {
    case VT_I4: return child.lVal;
    case VT_INT: return child.intVal;
    case VT_I2: return child.iVal;
    case VT_UI2: return child.uiVal;
    case VT_UI4: return std::int64_t(child.ulVal);
    case VT_UINT: return std::int64_t(child.uintVal);
    default: return std::nullopt;
  }
}

void SetChild(VARIANT* out, ChildId id) noexcept {
  out->vt = VT_I4;
  out->lVal = id;
}

// The IUnknown both accessible objects share: one interface (with
// IDispatch, its base) and a reference count; the last release deletes.
class CountedAccessible : public IAccessible {
 public:
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override {
    if (!out) return E_POINTER;
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IDispatch) || IsEqualIID(riid, __uuidof(IAccessible))) {
      *out = static_cast<IAccessible*>(this);
      AddRef();
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ULONG(::InterlockedIncrement(&m_refs)); }
  ULONG STDMETHODCALLTYPE Release() override {
    LONG left = ::InterlockedDecrement(&m_refs);
    if (left == 0) delete this;
    return ULONG(left);
  }

 protected:
  virtual ~CountedAccessible() = default;

 private:
  LONG m_refs = 1;
};

// The table: the client object of the grid's window. Its children are the
// cells, simple elements named by child ids.
class AccessibleTable final : public CountedAccessible {
 public:
  AccessibleTable(AccessLink* link, HWND hwnd) noexcept : m_link(link), m_hwnd(hwnd) {
    m_link->AddRef();
    ObjectCreated();
  }


  // IDispatch: the object is used through its vtable only.
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
    if (!count) return E_POINTER;
    *count = 0;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo** out) override {
    if (out) *out = nullptr;
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override {
    return E_NOTIMPL;
  }

  // IAccessible
  HRESULT STDMETHODCALLTYPE get_accParent(IDispatch** out) override {
    return Answer(out, [&](const CGridAccess&) -> HRESULT {
      // The window object the system makes for the grid's window.
      return ::CreateStdAccessibleObject(m_hwnd, OBJID_WINDOW, IID_IDispatch, reinterpret_cast<void**>(out));
    });
  }
  HRESULT STDMETHODCALLTYPE get_accChildCount(long* out) override {
    return Answer(out, [&](const CGridAccess& access) {
      *out = access.ChildCount();
      return S_OK;
    });
  }
  HRESULT STDMETHODCALLTYPE get_accChild(VARIANT child, IDispatch** out) override {
    return AnswerFor(out, child, [&](const CGridAccess&, std::optional<CellPlace> place) {
      // Cells are simple elements: the table answers for them.
      return place ? S_FALSE : E_INVALIDARG;
    });
  }
  HRESULT STDMETHODCALLTYPE get_accName(VARIANT child, BSTR* out) override {
    return AnswerFor(out, child, [&](const CGridAccess& access, std::optional<CellPlace> place) {
      *out = place ? ToBstr(access.NameOf(*place)) : ::SysAllocString(TableName().c_str());
      return *out ? S_OK : E_OUTOFMEMORY;
    });
  }
  HRESULT STDMETHODCALLTYPE get_accValue(VARIANT child, BSTR* out) override {
    return AnswerFor(out, child, [&](const CGridAccess& access, std::optional<CellPlace> place) {
      if (!place) return S_FALSE;
      *out = ToBstr(access.ValueOf(*place));
      return *out ? S_OK : E_OUTOFMEMORY;
    });
  }
  HRESULT STDMETHODCALLTYPE get_accDescription(VARIANT child, BSTR* out) override {
    return AnswerFor(out, child, [&](const CGridAccess& access, std::optional<CellPlace> place) {
      if (place) {
        *out = ToBstr(access.DescriptionOf(*place));
      } else {
        std::wstring size =
            std::to_wstring(Grid().m_nCols) + L" columns, " + std::to_wstring(Grid().m_nRows) + L" rows";
        *out = ::SysAllocString(size.c_str());
      }
      return *out ? S_OK : E_OUTOFMEMORY;
    });
  }
  HRESULT STDMETHODCALLTYPE get_accRole(VARIANT child, VARIANT* out) override {
    return AnswerFor(out, child, [&](const CGridAccess& access, std::optional<CellPlace> place) {
      out->vt = VT_I4;
      out->lVal = place ? access.RoleOf(*place) : TzGrid::Access::kRoleTable;
      return S_OK;
    });
  }
  HRESULT STDMETHODCALLTYPE get_accState(VARIANT child, VARIANT* out) override {
    return AnswerFor(out, child, [&](const CGridAccess& access, std::optional<CellPlace> place) {
      const bool focus = HasKeyboardFocus();
      out->vt = VT_I4;
      out->lVal = place ? access.StateOf(*place, focus) : CGridAccess::TableState(focus);
      return S_OK;
    });
  }
  HRESULT STDMETHODCALLTYPE get_accHelp(VARIANT child, BSTR* out) override { return Nothing(out, child); }
  HRESULT STDMETHODCALLTYPE get_accHelpTopic(BSTR* file, VARIANT child, long* topic) override {
    if (!topic) return E_POINTER;
    *topic = 0;
    return Nothing(file, child);
  }
  HRESULT STDMETHODCALLTYPE get_accKeyboardShortcut(VARIANT child, BSTR* out) override { return Nothing(out, child); }
  HRESULT STDMETHODCALLTYPE get_accFocus(VARIANT* out) override {
    return Answer(out, [&](const CGridAccess& access) {
      if (!HasKeyboardFocus()) return S_FALSE;
      SetChild(out, access.FocusChild());
      return S_OK;
    });
  }
  HRESULT STDMETHODCALLTYPE get_accSelection(VARIANT* out) override {
    return Answer(out, [&](const CGridAccess& access) {
      const ChildId focus = access.FocusChild();
      if (focus == 0) return S_FALSE;
      SetChild(out, focus);
      return S_OK;
    });
  }
  HRESULT STDMETHODCALLTYPE get_accDefaultAction(VARIANT child, BSTR* out) override {
    return AnswerFor(out, child, [&](const CGridAccess& access, std::optional<CellPlace> place) {
      if (!place || !access.IsEditable(*place)) return S_FALSE;
      *out = ::SysAllocString(L"Edit");
      return *out ? S_OK : E_OUTOFMEMORY;
    });
  }
  HRESULT STDMETHODCALLTYPE accSelect(long flags, VARIANT child) override {
    const long supported = SELFLAG_TAKEFOCUS | SELFLAG_TAKESELECTION;
    if (flags == SELFLAG_NONE || (flags & ~supported)) return E_INVALIDARG;
    return Act(child, [&](std::optional<CellPlace> place) {
      if ((flags & SELFLAG_TAKEFOCUS) && !HasKeyboardFocus()) ::SetFocus(m_hwnd);
      if (!place) return S_OK;
      return TzGrid::Access::TakeFocus(Grid(), *place) ? S_OK : DISP_E_MEMBERNOTFOUND;
    });
  }
  HRESULT STDMETHODCALLTYPE accLocation(long* left, long* top, long* width, long* height, VARIANT child) override {
    if (!left || !top || !width || !height) return E_POINTER;
    *left = *top = *width = *height = 0;
    return AnswerFor(left, child, [&](const CGridAccess& access, std::optional<CellPlace> place) {
      POINT origin{0, 0};
      ::ClientToScreen(m_hwnd, &origin);
      std::int64_t x = 0, y = 0, w = 0, h = 0;
      if (place) {
        TzGrid::Access::Placement where = access.PlacementOf(*place);
        x = where.left, y = where.top, w = where.width, h = where.height;
      } else {
        RECT client{};
        ::GetClientRect(m_hwnd, &client);
        w = client.right, h = client.bottom;
      }
      *left = ClampToLong(origin.x + x);
      *top = ClampToLong(origin.y + y);
      *width = ClampToLong(w);
      *height = ClampToLong(h);
      return S_OK;
    });
  }
  HRESULT STDMETHODCALLTYPE accNavigate(long direction, VARIANT start, VARIANT* out) override {
    return AnswerFor(out, start, [&](const CGridAccess& access, std::optional<CellPlace> place) -> HRESULT {
      std::optional<Direction> step = DirectionOf(direction);
      if (!step) return E_INVALIDARG;
      const bool toChild = *step == Direction::kFirstChild || *step == Direction::kLastChild;
      if (place && toChild) return E_INVALIDARG;  // a cell has no children
      const ChildId from = place ? access.ChildOfCell(*place) : kTableItself;
      const ChildId to = access.Navigate(from, *step);
      if (to == 0) return S_FALSE;
      SetChild(out, to);
      return S_OK;
    });
  }
  HRESULT STDMETHODCALLTYPE accHitTest(long x, long y, VARIANT* out) override {
    return Answer(out, [&](const CGridAccess& access) {
      POINT point{x, y};
      ::ScreenToClient(m_hwnd, &point);
      std::optional<ChildId> hit = access.HitTest(point.x, point.y);
      if (!hit) return S_FALSE;
      SetChild(out, *hit);
      return S_OK;
    });
  }
  HRESULT STDMETHODCALLTYPE accDoDefaultAction(VARIANT child) override {
    return Act(child, [&](std::optional<CellPlace> place) {
      if (!place) return DISP_E_MEMBERNOTFOUND;
      return TzGrid::Access::OpenEditor(Grid(), *place) ? S_OK : DISP_E_MEMBERNOTFOUND;
    });
  }
  HRESULT STDMETHODCALLTYPE put_accName(VARIANT, BSTR) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE put_accValue(VARIANT, BSTR) override { return E_NOTIMPL; }

 private:
  ~AccessibleTable() override {
    m_link->Release();
    ObjectDestroyed();
  }

  // The grid is still there, in the window this object was made for.
  bool Connected() const noexcept { return m_link->grid && m_link->site && m_link->site->Hwnd() == m_hwnd; }
  TzGrid::CTzGridCtrl& Grid() const noexcept { return *m_link->grid; }

  bool HasKeyboardFocus() const noexcept {
    HWND focus = ::GetFocus();
    return focus && (focus == m_hwnd || ::IsChild(m_hwnd, focus));
  }

  std::wstring TableName() const {
    wchar_t text[256] = {};
    if (::GetWindowTextW(m_hwnd, text, 256) > 0) return text;
    if (m_link->containerName) {
      std::wstring name = m_link->containerName();
      if (!name.empty()) return name;
    }
    return L"Grid";
  }

  static std::optional<Direction> DirectionOf(long navdir) noexcept {
    switch (navdir) {
      case NAVDIR_UP: return Direction::kUp;
      case NAVDIR_DOWN: return Direction::kDown;
      case NAVDIR_LEFT: return Direction::kLeft;
      case NAVDIR_RIGHT: return Direction::kRight;
      case NAVDIR_NEXT: return Direction::kNext;
      case NAVDIR_PREVIOUS: return Direction::kPrevious;
      case NAVDIR_FIRSTCHILD: return Direction::kFirstChild;
      case NAVDIR_LASTCHILD: return Direction::kLastChild;
      default: return std::nullopt;
    }
  }

  // Every answer clears its out-parameter first, is refused once the grid
  // is gone, and turns a failure of the grid into E_FAIL: nothing thrown
  // crosses the interface.
  static void Clear(BSTR* out) noexcept { *out = nullptr; }
  static void Clear(VARIANT* out) noexcept { ::VariantInit(out); }
  static void Clear(IDispatch** out) noexcept { *out = nullptr; }
  static void Clear(long* out) noexcept { *out = 0; }

  template <class Out, class Body>
  HRESULT Answer(Out* out, Body body) const noexcept {
    if (!out) return E_POINTER;
    Clear(out);
    if (!Connected()) return CO_E_OBJNOTCONNECTED;
    try {
      CGridAccess access(Grid());
      return body(access);
    } catch (const std::bad_alloc&) {
      return E_OUTOFMEMORY;
    } catch (...) {
      return E_FAIL;
    }
  }

  template <class Out, class Body>
  HRESULT AnswerFor(Out* out, const VARIANT& child, Body body) const noexcept {
    return Answer(out, [&](const CGridAccess& access) -> HRESULT {
      std::optional<CellPlace> place;
      HRESULT hr = PlaceOf(access, child, &place);
      return FAILED(hr) ? hr : body(access, place);
    });
  }

  template <class Out>
  HRESULT Nothing(Out* out, const VARIANT& child) const noexcept {
    return AnswerFor(out, child, [](const CGridAccess&, std::optional<CellPlace>) { return S_FALSE; });
  }

  // A change the user could make: host handlers run inside it (an edit left
  // fires GridCellExited), so the control and its grid are held as for a
  // window message until it ends.
  template <class Body>
  HRESULT Act(const VARIANT& child, Body body) noexcept {
    if (!Connected()) return CO_E_OBJNOTCONNECTED;
    TzGrid::Win32::CMessageHold hold(m_link->site->LifetimeAnchor());
    try {
      std::optional<CellPlace> place;
      HRESULT hr = PlaceOf(CGridAccess(Grid()), child, &place);
      return FAILED(hr) ? hr : body(place);
    } catch (const std::bad_alloc&) {
      return E_OUTOFMEMORY;
    } catch (...) {
      return E_FAIL;
    }
  }

  // CHILDID_SELF is the table (no place); every other id must name a cell.
  static HRESULT PlaceOf(const CGridAccess& access, const VARIANT& child, std::optional<CellPlace>* place) {
    std::optional<std::int64_t> id = ChildIdOf(child);
    if (!id) return E_INVALIDARG;
    if (*id == CHILDID_SELF) return S_OK;
    *place = access.CellOfChild(*id);
    return *place ? S_OK : E_INVALIDARG;
  }

  AccessLink* m_link;
  HWND m_hwnd;
};

// The in-place editor: the system's own object for an edit control, with
// a name that says which cell is being edited. Everything else is the
// system's answer.
class AccessibleEditor final : public CountedAccessible {
 public:
  AccessibleEditor(AccessLink* link, IAccessible* standard) noexcept : m_link(link), m_std(standard) {
    m_link->AddRef();
    m_std->AddRef();
    ObjectCreated();
  }

  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override { return m_std->GetTypeInfoCount(count); }
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT i, LCID l, ITypeInfo** out) override {
    return m_std->GetTypeInfo(i, l, out);
  }
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID r, LPOLESTR* n, UINT c, LCID l, DISPID* d) override {
    return m_std->GetIDsOfNames(r, n, c, l, d);
  }
  HRESULT STDMETHODCALLTYPE Invoke(DISPID d, REFIID r, LCID l, WORD f, DISPPARAMS* p, VARIANT* v, EXCEPINFO* e,
                                   UINT* a) override {
    return m_std->Invoke(d, r, l, f, p, v, e, a);
  }
  HRESULT STDMETHODCALLTYPE get_accName(VARIANT child, BSTR* out) override {
    if (!out) return E_POINTER;
    *out = nullptr;
    std::optional<std::int64_t> id = ChildIdOf(child);
    if (!id || *id != CHILDID_SELF) return m_std->get_accName(child, out);
    if (!m_link->grid) return CO_E_OBJNOTCONNECTED;
    try {
      const TzGrid::CGridCell cell = m_link->grid->m_focusCell;
      CGridAccess access(*m_link->grid);
      const ChildId edited = cell ? access.ChildOfColumnIndex(cell.m_nRow, cell.m_nCol) : 0;
      if (edited == 0) return m_std->get_accName(child, out);
      TzGrid::CString name(std::u16string_view(u"Editing "));
      name += access.DescriptionOf(*access.CellOfChild(edited));
      *out = ToBstr(name);
      return *out ? S_OK : E_OUTOFMEMORY;
    } catch (...) {
      return E_FAIL;
    }
  }
  HRESULT STDMETHODCALLTYPE get_accParent(IDispatch** out) override { return m_std->get_accParent(out); }
  HRESULT STDMETHODCALLTYPE get_accChildCount(long* out) override { return m_std->get_accChildCount(out); }
  HRESULT STDMETHODCALLTYPE get_accChild(VARIANT c, IDispatch** out) override { return m_std->get_accChild(c, out); }
  HRESULT STDMETHODCALLTYPE get_accValue(VARIANT c, BSTR* out) override { return m_std->get_accValue(c, out); }
  HRESULT STDMETHODCALLTYPE get_accDescription(VARIANT c, BSTR* out) override {
    return m_std->get_accDescription(c, out);
  }
  HRESULT STDMETHODCALLTYPE get_accRole(VARIANT c, VARIANT* out) override { return m_std->get_accRole(c, out); }
  HRESULT STDMETHODCALLTYPE get_accState(VARIANT c, VARIANT* out) override { return m_std->get_accState(c, out); }
  HRESULT STDMETHODCALLTYPE get_accHelp(VARIANT c, BSTR* out) override { return m_std->get_accHelp(c, out); }
  HRESULT STDMETHODCALLTYPE get_accHelpTopic(BSTR* f, VARIANT c, long* t) override {
    return m_std->get_accHelpTopic(f, c, t);
  }
  HRESULT STDMETHODCALLTYPE get_accKeyboardShortcut(VARIANT c, BSTR* out) override {
    return m_std->get_accKeyboardShortcut(c, out);
  }
  HRESULT STDMETHODCALLTYPE get_accFocus(VARIANT* out) override { return m_std->get_accFocus(out); }
  HRESULT STDMETHODCALLTYPE get_accSelection(VARIANT* out) override { return m_std->get_accSelection(out); }
  HRESULT STDMETHODCALLTYPE get_accDefaultAction(VARIANT c, BSTR* out) override {
    return m_std->get_accDefaultAction(c, out);
  }
  HRESULT STDMETHODCALLTYPE accSelect(long f, VARIANT c) override { return m_std->accSelect(f, c); }
  HRESULT STDMETHODCALLTYPE accLocation(long* l, long* t, long* w, long* h, VARIANT c) override {
    return m_std->accLocation(l, t, w, h, c);
  }
  HRESULT STDMETHODCALLTYPE accNavigate(long d, VARIANT s, VARIANT* out) override {
    return m_std->accNavigate(d, s, out);
  }
  HRESULT STDMETHODCALLTYPE accHitTest(long x, long y, VARIANT* out) override { return m_std->accHitTest(x, y, out); }
  HRESULT STDMETHODCALLTYPE accDoDefaultAction(VARIANT c) override { return m_std->accDoDefaultAction(c); }
  HRESULT STDMETHODCALLTYPE put_accName(VARIANT c, BSTR n) override { return m_std->put_accName(c, n); }
  HRESULT STDMETHODCALLTYPE put_accValue(VARIANT c, BSTR v) override { return m_std->put_accValue(c, v); }

 private:
  ~AccessibleEditor() override {
    m_std->Release();
    m_link->Release();
    ObjectDestroyed();
  }
  AccessLink* m_link;
  IAccessible* m_std;
};

}  // namespace

AccessBridge::AccessBridge(TzGrid::CTzGridCtrl& grid, TzGrid::Win32::Win32ControlSite& site,
                           std::function<std::wstring()> containerName)
    : m_link(new AccessLink) {
  m_link->grid = &grid;
  m_link->site = &site;
  m_link->containerName = std::move(containerName);
}

AccessBridge::~AccessBridge() {
  if (m_link->grid && m_link->grid->m_pAccessEvents == this) m_link->grid->m_pAccessEvents = nullptr;
  // Objects a screen reader still holds answer CO_E_OBJNOTCONNECTED now.
  m_link->grid = nullptr;
  m_link->site = nullptr;
  m_link->containerName = nullptr;
  m_link->Release();
}

bool AccessBridge::OnMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) {
  if (message == WM_SETFOCUS && hwnd == Hwnd()) {
    // The grid took the keyboard focus: its focus cell is what the user is
    // on. Coming back from the grid's own editor, the cell never changed.
    HWND previous = reinterpret_cast<HWND>(wParam);
    const bool listened = m_link->grid->m_pAccessEvents == this;
    if (listened && (!previous || ::GetParent(previous) != hwnd)) RaiseFocusOfFocusCell();
    return false;
  }
  if (message != WM_GETOBJECT || ObjectIdOf(lParam) != OBJID_CLIENT || !Hwnd()) return false;
  IAccessible* object = nullptr;
  if (hwnd == Hwnd()) {
    object = new (std::nothrow) AccessibleTable(m_link, hwnd);
  } else if (::GetParent(hwnd) == Hwnd()) {
    IAccessible* standard = nullptr;
    if (FAILED(::CreateStdAccessibleObject(hwnd, OBJID_CLIENT, __uuidof(IAccessible),
                                           reinterpret_cast<void**>(&standard)))) {
      return false;
    }
    object = new (std::nothrow) AccessibleEditor(m_link, standard);
    standard->Release();
  }
  if (!object) return false;
  // Someone reads the grid now: from here on it tells of its changes. Until
  // a client asks, the grid has no listener and raises nothing, so a host
  // filling cells pays nothing for accessibility.
  m_link->grid->m_pAccessEvents = this;
  *result = ::LresultFromObject(__uuidof(IAccessible), wParam, object);
  object->Release();
  return true;
}

bool AccessBridge::HasKeyboardFocus() const noexcept {
  HWND hwnd = Hwnd();
  HWND focus = ::GetFocus();
  return hwnd && focus && (focus == hwnd || ::IsChild(hwnd, focus));
}

void AccessBridge::RaiseFocusOfFocusCell() {
  ChildId focus = 0;
  try {
    focus = CGridAccess(*m_link->grid).FocusChild();
  } catch (...) {
    return;
  }
  if (focus == 0) return;
  ::NotifyWinEvent(EVENT_OBJECT_FOCUS, Hwnd(), OBJID_CLIENT, focus);
  ::NotifyWinEvent(EVENT_OBJECT_SELECTION, Hwnd(), OBJID_CLIENT, focus);
}

void AccessBridge::FocusMoved() {
  // Only the control with the keyboard focus speaks of its focus cell; the
  // cell is announced when the control takes the focus.
  if (HasKeyboardFocus()) RaiseFocusOfFocusCell();
}

void AccessBridge::TextChanged(int nRow, int nCol) {
  HWND hwnd = Hwnd();
  if (!hwnd) return;
  ChildId id = 0;
  try {
    id = CGridAccess(*m_link->grid).ChildOfColumnIndex(nRow, nCol);
  } catch (...) {
    return;  // an order map naming no column: the cell has no child id
  }
  if (id != 0) ::NotifyWinEvent(EVENT_OBJECT_VALUECHANGE, hwnd, OBJID_CLIENT, id);
}

void AccessBridge::ShapeChanged() {
  if (HWND hwnd = Hwnd()) ::NotifyWinEvent(EVENT_OBJECT_REORDER, hwnd, OBJID_CLIENT, CHILDID_SELF);
}

}  // namespace TzGridCom
