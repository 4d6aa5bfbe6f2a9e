#pragma once

// Saves, and empties for the test, every classes key that registering the module can write: its AppID
// keys, its type library's key and the keys of every interface in that library, in HKEY_LOCAL_MACHINE and
// HKEY_CURRENT_USER, in both registry views. Everything is put back when the object goes.

#include "SavedRegistryKey.h"

#include <memory>
#include <string>
#include <vector>

class SavedClassesRegistry {
public:
    // modulePath: the module whose embedded type library names the interfaces.
    explicit SavedClassesRegistry(const std::wstring& modulePath);

private:
    void save(const std::wstring& path);

    std::vector<std::unique_ptr<registrytest::SavedRegistryKey>> keys_;
};
