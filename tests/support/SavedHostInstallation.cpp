#include "SavedHostInstallation.h"

namespace registrytest {

SavedHostInstallation::SavedHostInstallation(const std::wstring& modulePath, SavedModuleRegistration::Start classes)
    : classes_(modulePath, classes)
{
    for (const wchar_t* path : {L"Software\\IM Providers", L"Software\\Norvane Works\\Unified Communications\\Mivra"}) {
        keys_.push_back(std::make_unique<SavedRegistryKey>(HKEY_CURRENT_USER, path));
        keys_.back()->clear();
    }
}

} // namespace registrytest
