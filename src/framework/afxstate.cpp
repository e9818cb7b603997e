#include "afxstate.h"

#include "afxsys.h"

namespace TzGrid {

namespace {
AFX_MODULE_STATE g_moduleState;

// The innermost guard open on the calling thread lives in the system's
// per-thread slot: guards open and close twice on every automation call,
// so the slot must be the cheapest per-thread storage the system has, and
// each opening or closing touches it once.
AfxManageStateGuard* Innermost() noexcept { return static_cast<AfxManageStateGuard*>(Sys::ThreadSlot()); }
AfxManageStateGuard* SwapInnermost(AfxManageStateGuard* guard) noexcept {
  return static_cast<AfxManageStateGuard*>(Sys::SwapThreadSlot(guard));
}
void SetInnermost(AfxManageStateGuard* guard) noexcept { Sys::SetThreadSlot(guard); }
}  // namespace

AFX_MODULE_STATE* AfxGetStaticModuleState() noexcept { return &g_moduleState; }

AfxManageStateGuard::AfxManageStateGuard(AFX_MODULE_STATE*) noexcept : m_outer(SwapInnermost(this)) {
  m_depth = m_outer ? m_outer->m_depth + 1 : 1;
}

AfxManageStateGuard::~AfxManageStateGuard() { SetInnermost(m_outer); }

int AfxManageStateGuard::Depth() noexcept {
  const AfxManageStateGuard* innermost = Innermost();
  return innermost ? innermost->m_depth : 0;
}

void AfxTermThreadState() noexcept { Sys::FreeThreadSlot(); }

}  // namespace TzGrid
