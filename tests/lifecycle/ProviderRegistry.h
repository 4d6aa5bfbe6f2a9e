#pragma once

// The registry state that starting and stopping the module changes: the UpAndRunning value by which
// Office finds the running provider, and the Messenger API interfaces' TypeLib entries that a start
// repairs. SavedProviderRegistry keeps the test's Wine prefix as it found it.

#include "SavedRegistryKey.h"

#include <windows.h>

#include <memory>
#include <optional>
#include <vector>

// UpAndRunning under HKEY_CURRENT_USER "Software\IM Providers\Norvane Quillon"; nothing when the key or
// the value is missing or is not a DWORD.
std::optional<DWORD> readUpAndRunning();

// Saves "Software\IM Providers" (then emptied, so no earlier value can pass for the module's) and the
// TypeLib entries of the Messenger API interfaces in both hives and views; puts everything back when it
// goes.
class SavedProviderRegistry {
public:
    SavedProviderRegistry();

private:
    std::vector<std::unique_ptr<registrytest::SavedRegistryKey>> keys_;
};
