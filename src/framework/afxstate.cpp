#include "afxstate.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace TzGrid {

namespace {
AFX_MODULE_STATE g_moduleState;

#ifdef _WIN32
// mingw emulates thread_local: every access locks and looks up two tables,
// and guards open and close twice on each automation call. The system's own
// slot is a read of the thread's block.
DWORD& InnermostSlot() noexcept {
  static DWORD slot = ::TlsAlloc();
  return slot;
}
AfxManageStateGuard* Innermost() noexcept {
  DWORD slot = InnermostSlot();
  return slot == TLS_OUT_OF_INDEXES ? nullptr : static_cast<AfxManageStateGuard*>(::TlsGetValue(slot));
}
void SetInnermost(AfxManageStateGuard* guard) noexcept {
  DWORD slot = InnermostSlot();
  if (slot != TLS_OUT_OF_INDEXES) ::TlsSetValue(slot, guard);
}
#else
thread_local AfxManageStateGuard* t_innermost = nullptr;
AfxManageStateGuard* Innermost() noexcept { return t_innermost; }
void SetInnermost(AfxManageStateGuard* guard) noexcept { t_innermost = guard; }
#endif
}  // namespace

AFX_MODULE_STATE* AfxGetStaticModuleState() noexcept { return &g_moduleState; }

AfxManageStateGuard::AfxManageStateGuard(AFX_MODULE_STATE*) noexcept : m_outer(Innermost()) {
  m_depth = m_outer ? m_outer->m_depth + 1 : 1;
  SetInnermost(this);
}

AfxManageStateGuard::~AfxManageStateGuard() { SetInnermost(m_outer); }

int AfxManageStateGuard::Depth() noexcept {
  const AfxManageStateGuard* innermost = Innermost();
  return innermost ? innermost->m_depth : 0;
}

void AfxTermThreadState() noexcept {
#ifdef _WIN32
  DWORD& slot = InnermostSlot();
  if (slot != TLS_OUT_OF_INDEXES) ::TlsFree(slot);
  slot = TLS_OUT_OF_INDEXES;
#endif
}

}  // namespace TzGrid
