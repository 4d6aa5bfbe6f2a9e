#include "hostsim/ProviderInstallation.h"

#include "common/ImProviderRegistry.h"
#include "common/ModuleTypeLibrary.h"
#include "common/RegistryValue.h"

namespace hostsim {

std::vector<InstallStep> installProvider(const TavoModule& module)
{
    std::vector<InstallStep> steps;
    steps.push_back({L"HKEY_CURRENT_USER\\" + std::wstring(tools::ImProvidersKey) + L" " + tools::DefaultImAppValue +
                         L" = \"" + tools::ProviderName + L"\"",
                     HRESULT_FROM_WIN32(tools::writeDefaultImApp())});
    steps.push_back({L"DllRegisterServer of " + module.path(),
                     module.registerServer ? module.registerServer() : E_NOTIMPL});
    steps.push_back({L"type library entry for locale 0 (Wine's marshaler reads only that one)",
                     tools::registerTypeLibraryLocaleZero(module.path())});
    return steps;
}

} // namespace hostsim
