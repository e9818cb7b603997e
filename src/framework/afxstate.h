// The module state switch of every exported member: AFX_MANAGE_STATE.
#pragma once

namespace TzGrid {

// Switches the framework to the module's own state for one call. The
// portable framework keeps one state, so the switch only counts depth.
class AFX_MODULE_STATE {};
AFX_MODULE_STATE* AfxGetStaticModuleState() noexcept;
class AfxManageStateGuard {
 public:
  explicit AfxManageStateGuard(AFX_MODULE_STATE*) noexcept;
  ~AfxManageStateGuard();
  AfxManageStateGuard(const AfxManageStateGuard&) = delete;
  AfxManageStateGuard& operator=(const AfxManageStateGuard&) = delete;
  // How many guards are open on the calling thread.
  static int Depth() noexcept;

 private:
  // The guards open on a thread form a chain through their frames: the
  // thread keeps only the innermost, so opening and closing one is a
  // read and two writes of one per-thread slot.
  AfxManageStateGuard* m_outer;
  int m_depth;
};
// Gives back what the guards hold per thread; the module calls it when it is
// unloaded (nothing on platforms where the runtime does it).
void AfxTermThreadState() noexcept;
#define AFX_MANAGE_STATE(p) ::TzGrid::AfxManageStateGuard tzManageStateGuard_(p)

}  // namespace TzGrid
