#pragma once

// Saves every classes key that registering the module writes (its AppID keys, its type library's key and
// the keys of the library's interfaces), in HKEY_LOCAL_MACHINE and HKEY_CURRENT_USER and in both registry
// views, and puts them back when the object goes. COM's own interfaces that the library also declares
// (IClassFactory) are left alone: registering the module never writes them, and without their keys no
// local server of the prefix can be reached any more.

#include "SavedRegistryKey.h"

#include <memory>
#include <string>
#include <vector>

namespace registrytest {

class SavedModuleRegistration {
public:
    enum class Start { AsFound, Unregistered };

    // modulePath: the module whose embedded type library names the interfaces. Unregistered: the keys are
    // emptied once saved, so the test starts from a module that was never registered.
    SavedModuleRegistration(const std::wstring& modulePath, Start start);

private:
    void save(const std::wstring& path);

    std::vector<std::unique_ptr<SavedRegistryKey>> keys_;
};

// Everything in the registry that a host client's installation and the module it runs write, saved for one
// test and put back exactly when the test ends: HKEY_CURRENT_USER "Software\IM Providers" and the
// DisableResolveContact key (emptied, so the test starts without a provider) and the module's classes keys
// (as found, or emptied when the test must start from an unregistered module).
class SavedHostInstallation {
public:
    SavedHostInstallation(const std::wstring& modulePath, SavedModuleRegistration::Start classes);

private:
    std::vector<std::unique_ptr<SavedRegistryKey>> keys_;
    SavedModuleRegistration classes_;
};

} // namespace registrytest
