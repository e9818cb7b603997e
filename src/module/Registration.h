// The registry entries of the module's classes, as the control framework's
// registration writes them, and their removal.
#pragma once

#include "ComModule.h"

namespace TzGridCom {

// Each returns true when every entry was written (or removed).
bool RegisterControlClass(const std::wstring& modulePath);
bool RegisterPropertyPageClass(const std::wstring& modulePath);
bool UnregisterControlClass();
bool UnregisterPropertyPageClass();

// The type library embedded in the module at modulePath.
HRESULT RegisterModuleTypeLib(const std::wstring& modulePath);
HRESULT UnregisterModuleTypeLib();

}  // namespace TzGridCom
