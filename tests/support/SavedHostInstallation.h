#pragma once

// Everything in the registry that a host client's installation and the module it runs write, saved for one
// test and put back exactly when the test ends: HKEY_CURRENT_USER "Software\IM Providers" and the
// DisableResolveContact key (emptied, so the test starts without a provider) and the module's classes keys
// (as found, or emptied when the test must start from an unregistered module).

#include "SavedModuleRegistration.h"

#include <memory>
#include <string>
#include <vector>

namespace registrytest {

class SavedHostInstallation {
public:
    SavedHostInstallation(const std::wstring& modulePath, SavedModuleRegistration::Start classes);

private:
    std::vector<std::unique_ptr<SavedRegistryKey>> keys_;
    SavedModuleRegistration classes_;
};

} // namespace registrytest
