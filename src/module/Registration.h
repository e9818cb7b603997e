// The registry entries of the module's classes and type library, written and
// removed from the one description of them (Registration.txt, turned into
// RegistrationTable.h at build time), either for the whole machine or for
// the current user alone.
#pragma once

#include "ComModule.h"

namespace TzGridCom {

enum class RegistryScope {
  Machine,  // HKEY_CLASSES_ROOT, as regsvr32 has always registered
  User,     // HKEY_CURRENT_USER\Software\Classes: no administrator needed
};

// Each returns true when every entry was written (or removed); keys already
// gone count as removed.
bool RegisterClasses(RegistryScope scope, const std::wstring& modulePath);
bool UnregisterClasses(RegistryScope scope);

// The type library embedded in the module at modulePath. For the machine,
// RegisterTypeLib files it; for the user, its entries are written from the
// description (Wine's RegisterTypeLibForUser writes machine-wide), once the
// embedded library is known to be the one described.
HRESULT RegisterModuleTypeLib(RegistryScope scope, const std::wstring& modulePath);
HRESULT UnregisterModuleTypeLib(RegistryScope scope);

}  // namespace TzGridCom
