#include "SavedToolRegistry.h"

#include "hostsim/ProviderInstallation.h"

namespace tooltest {

SavedToolRegistry::SavedToolRegistry(const std::wstring& modulePath) : classes_(modulePath)
{
    for (const wchar_t* path :
         {L"Software\\IM Providers", L"Software\\Norvane Works\\Unified Communications\\Mivra"}) {
        keys_.push_back(std::make_unique<registrytest::SavedRegistryKey>(HKEY_CURRENT_USER, path));
        keys_.back()->clear();
    }
}

HRESULT registerModule(const std::wstring& modulePath, bool withLocaleZeroEntry)
{
    const HMODULE module = LoadLibraryW(modulePath.c_str());
    if (!module) return HRESULT_FROM_WIN32(GetLastError());
    using RegisterFunction = HRESULT(WINAPI*)();
    const auto registerServer =
        reinterpret_cast<RegisterFunction>(reinterpret_cast<void*>(GetProcAddress(module, "DllRegisterServer")));
    HRESULT hr = registerServer ? registerServer() : E_NOTIMPL;
    // No thread of the module runs: it was never started, so it can go again at once.
    FreeLibrary(module);
    if (SUCCEEDED(hr) && withLocaleZeroEntry) hr = hostsim::registerTypeLibraryLocaleZero(modulePath);
    return hr;
}

} // namespace tooltest
