#pragma once

// Everything in the registry that the tools read and hostsim (or the module it runs) writes, saved for one
// test and emptied, then put back exactly when the test ends: HKCU "Software\IM Providers", the
// DisableResolveContact key, and every classes key that registering the module writes.

#include "SavedClassesRegistry.h"
#include "SavedRegistryKey.h"

#include <memory>
#include <string>
#include <vector>

namespace tooltest {

class SavedToolRegistry {
public:
    explicit SavedToolRegistry(const std::wstring& modulePath);

private:
    std::vector<std::unique_ptr<registrytest::SavedRegistryKey>> keys_;
    SavedClassesRegistry classes_;
};

// Registers the module as its installer does, in this process: DllRegisterServer (the module is loaded only
// for that), then, when asked, the type library's locale-0 entry that Wine's marshaler needs.
HRESULT registerModule(const std::wstring& modulePath, bool withLocaleZeroEntry);

} // namespace tooltest
