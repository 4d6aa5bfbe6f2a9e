#pragma once

// What the host client's installer writes so that Office finds the provider, done here the same way:
//   1. HKEY_CURRENT_USER "Software\IM Providers" DefaultIMApp = "Norvane Quillon";
//   2. the module's own registration (DllRegisterServer: its AppID and its type library, machine-wide);
//   3. the type library's locale-0 entry beside the 0x409 one that registration writes (see the .cpp).
// Needs the rights of an installer (HKEY_LOCAL_MACHINE). Runs on the caller's thread, COM initialised.

#include "hostsim/TavoModule.h"

#include <windows.h>

#include <string>
#include <vector>

namespace hostsim {

struct InstallStep {
    std::wstring description;
    HRESULT result = S_OK;
};

// Runs every step, also after a failure, and reports each.
std::vector<InstallStep> installProvider(const TavoModule& module);

} // namespace hostsim
