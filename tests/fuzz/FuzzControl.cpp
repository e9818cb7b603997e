// libFuzzer target: the input is decoded into a sequence of automation
// calls (any DISPID, any argument values and types, right and wrong counts)
// and window messages (mouse, keys, characters, scroll codes, sizes,
// negative and huge values) on a control in a headless window. After every
// step the model's invariants must hold; any crash, sanitizer report or
// broken invariant is a finding.
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <memory>

#include "../TestSupport.h"
#include "automation/DispatchMap.h"

using namespace TzGrid;

namespace {

// The input, read front to back; past its end every byte reads 0.
struct Input {
  const std::uint8_t* data;
  std::size_t size, pos = 0;

  bool Empty() const { return pos >= size; }
  std::uint8_t Byte() { return pos < size ? data[pos++] : 0; }
  std::uint32_t U32() {
    std::uint32_t v = 0;
    for (int i = 0; i < 4; ++i) v = (v << 8) | Byte();
    return v;
  }
  // Integers that matter at the edges more often than uniform ones would.
  std::int32_t Interesting() {
    static const std::int32_t kValues[] = {0, 1, 2, 3, 4, 5, -1, -2, 6, 7, 10, 19, 20, 21, 49, 50, 51, 100,
                                           255, 256, 1000, 32767, -32768, 65535, INT_MAX, INT_MIN, 0x7FFF0000};
    std::uint8_t b = Byte();
    return b < 200 ? kValues[b % (sizeof(kValues) / sizeof(kValues[0]))] : std::int32_t(U32());
  }
  // A coordinate in and around a client area.
  int Coordinate() {
    std::uint8_t b = Byte();
    return b < 230 ? int(Byte()) * 4 + (b % 4) - 20 : int(std::int16_t(U32()));
  }
};

// Grids above this many cells cost seconds and gigabytes per input without
// exercising anything a small grid does not; the harness skips such sizes.
bool SizeTooLarge(const CTzGridCtrl& grid, DISPID dispid, const CDispArgs& args) {
  constexpr std::int64_t kCellLimit = 200000;
  bool columns = dispid == 1 || dispid == 9, rows = dispid == 2 || dispid == 10;
  if (!(columns || rows) || args.empty()) return false;
  std::int64_t count = args[0].Integer(), other = columns ? grid.m_nRows : grid.m_nCols;
  return count * (other ? other : 1) > kCellLimit || count > kCellLimit;
}

// What by-reference arguments point at, alive for the call.
struct Storage {
  std::int32_t longs[8] = {};
  std::u16string strings[8];
  int nextString = 0;
};

CDispArg MakeArg(Input& in, VARTYPE wanted, Storage& store) {
  VARTYPE vt = wanted;
  if (in.Byte() < 40) {
    static const VARTYPE kTypes[] = {VT_I2, VT_I4, VT_UI2, VT_UI4, VT_BSTR, VT_BOOL, VT_EMPTY,
                                     VT_BYREF | VT_I4, VT_BYREF | VT_BSTR};
    vt = kTypes[in.Byte() % 9];
  }
  std::int32_t v = in.Interesting();
  switch (vt) {
    case VT_I2: return CDispArg::I2(std::int16_t(v));
    case VT_UI2: return CDispArg::UI2(std::uint16_t(v));
    case VT_UI4: return CDispArg::UI4(std::uint32_t(v));
    case VT_BOOL: return CDispArg::Bool(v & 1);
    case VT_EMPTY: return CDispArg();
    case VT_BSTR: {
      if (v == 0 && in.Byte() < 60) return CDispArg::NullBstr();
      std::u16string text;
      int length = in.Byte() % 40;
      for (int i = 0; i < length; ++i) text += char16_t(in.Byte() < 200 ? 0x20 + in.Byte() % 0x60 : in.U32() & 0xFFFF);
      return CDispArg::Bstr(text);
    }
    case VT_BYREF | VT_I4: {
      int count = in.Byte() % 8;
      for (int i = 0; i < count; ++i) store.longs[i] = in.Interesting();
      return CDispArg::ByRefI4(count ? store.longs : nullptr, std::size_t(count));
    }
    case VT_BYREF | VT_BSTR: {
      std::u16string& text = store.strings[store.nextString++ % 8];
      int length = in.Byte() % 48;
      text.clear();
      for (int i = 0; i < length; ++i) text += char16_t(0x20 + in.Byte() % 0x60);
      return CDispArg::ByRefBstr(&text);
    }
    default: return CDispArg::I4(v);
  }
}

void CallMember(Input& in, CTzGridCtrl& grid) {
  const auto& map = GetDispatchMap();
  const DispEntry* entry = &map[in.Byte() % map.size()];
  DISPID dispid = entry->dispid;
  if (in.Byte() < 8) dispid = std::int16_t(in.U32());  // unknown ones too
  WORD flags = DISPATCH_METHOD | DISPATCH_PROPERTYGET;
  std::uint8_t kind = in.Byte();
  if (kind < 40) flags = DISPATCH_PROPERTYPUT;
  if (kind >= 250) flags = WORD(in.Byte());
  int count = flags == DISPATCH_PROPERTYPUT ? 1 : entry->cParams;
  if (in.Byte() < 20) count = in.Byte() % 7;
  Storage store;
  CDispArgs args;
  for (int i = 0; i < count; ++i) {
    VARTYPE wanted = flags == DISPATCH_PROPERTYPUT ? entry->vtResult : i < entry->cParams ? entry->params[std::size_t(i)].vt : VT_I4;
    args.push_back(MakeArg(in, wanted, store));
  }
  if (SizeTooLarge(grid, dispid, args)) return;  // the id called, which may not be the entry's
  CDispArg result;
  grid.Invoke(dispid, flags, args, &result);
}

void SendWindowMessage(Input& in, CTzGridCtrl& grid, Headless::HeadlessWindow& window) {
  static const UINT kKeys[] = {VK_LEFT, VK_RIGHT, VK_UP, VK_DOWN, VK_TAB, VK_RETURN, VK_PRIOR, VK_NEXT,
                               VK_DELETE, VK_BACK, VK_SHIFT, VK_CONTROL, VK_ESCAPE, 'A', VK_HOME, VK_END};
  std::uint8_t op = in.Byte() % 20;
  LPARAM point = MAKELPARAM(in.Coordinate(), in.Coordinate());
  WPARAM flags = in.Byte() & (MK_LBUTTON | MK_RBUTTON | MK_SHIFT | MK_CONTROL);
  switch (op) {
    case 0: window.Resize(in.Byte() * 8, in.Byte() * 4); break;
    case 1: window.Send(WM_HSCROLL, MAKEWPARAM(in.Byte() % 10, 0), 0); break;
    case 2: window.Send(WM_VSCROLL, MAKEWPARAM(in.Byte() % 10, 0), 0); break;
    case 3: window.SetTrackPos(in.Byte() & 1, in.Interesting()); break;
    case 4: window.Send(WM_MOUSEWHEEL, MAKEWPARAM(0, in.Interesting()), point); break;
    case 5: window.Send(WM_LBUTTONDOWN, flags, point); break;
    case 6: window.Send(WM_LBUTTONUP, flags, point); break;
    case 7: window.Send(WM_LBUTTONDBLCLK, flags, point); break;
    case 8: window.Send(WM_RBUTTONUP, flags, point); break;
    case 9: window.Send(WM_MOUSEMOVE, in.Byte() < 128 ? 0 : flags, point); break;
    case 10: window.SendKeyboard(WM_KEYDOWN, kKeys[in.Byte() % 16], 1); break;
    case 11: window.SendKeyboard(WM_KEYUP, kKeys[in.Byte() % 16], 1); break;
    case 12: window.SendKeyboard(WM_CHAR, in.Byte() < 200 ? in.Byte() % 0x80 : in.U32() & 0xFFFF, 1); break;
    case 13: window.SetKeyDown(in.Byte() & 1 ? VK_SHIFT : VK_CONTROL, in.Byte() & 1); break;
    case 14: window.Paint(); break;
    case 15: window.PumpMessages(); break;
    case 16: window.Send(WM_SETCURSOR, 0, MAKELPARAM(1, WM_MOUSEMOVE)); break;
    case 17: if (grid.m_edit.HasWindow()) grid.m_edit.SendMessage(in.Byte() & 1 ? WM_CHAR : WM_KEYDOWN, in.Byte(), 0); break;
    case 18: if (grid.m_edit.HasWindow()) grid.m_edit.SendMessage(WM_KILLFOCUS, 0, 0); break;
    default: window.Send(WM_SYSCHAR, in.Byte(), 0); break;
  }
}

// Any broken invariant aborts, which libFuzzer reports as a finding.
void CheckState(const CTzGridCtrl& grid, int step) {
  std::string problem = Test::CheckInvariants(grid, /*requirePermutation=*/false);
  int mode = grid.m_nMouseMode;
  if (mode != MOUSE_IDLE && mode != MOUSE_OVER_BORDER && mode != MOUSE_RESIZING && mode != MOUSE_DRAGGING) {
    problem += "mouse mode " + std::to_string(mode) + "; ";
  }
  if (grid.m_bEditMode > 1) problem += "edit mode flag " + std::to_string(grid.m_bEditMode) + "; ";
  if (problem.empty()) return;
  std::fprintf(stderr, "invariant broken after step %d: %s\n", step, problem.c_str());
  std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  Headless::GetDesktop().Reset();
  Input in{data, size};
  auto grid = std::make_unique<CTzGridCtrl>();
  {
    Headless::HeadlessWindow window(*grid, 200 + in.Byte(), 100 + in.Byte());
    // A host that calls back into the control from its event handlers.
    window.onEvent = [&](DISPID, const CDispArgs&) {
      CDispArg result;
      grid->Invoke(23, DISPATCH_METHOD, {}, &result);
    };
    for (int step = 0; step < 96 && !in.Empty(); ++step) {
      in.Byte() < 110 ? CallMember(in, *grid) : SendWindowMessage(in, *grid, window);
      CheckState(*grid, step);
    }
    window.PumpMessages();
    grid.reset();  // the control goes first, as a host releasing it while shown
  }
  return 0;
}
