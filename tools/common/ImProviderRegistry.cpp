#include "common/ImProviderRegistry.h"

#include "common/RegistryValue.h"

namespace tools {

const wchar_t* const ImProvidersKey = L"Software\\IM Providers";
const wchar_t* const DefaultImAppValue = L"DefaultIMApp";
const wchar_t* const ProviderName = L"Norvane Quillon";
const wchar_t* const ProviderKey = L"Software\\IM Providers\\Norvane Quillon";
const wchar_t* const Office2007ProviderKey = L"Software\\IM Providers\\Communicator";
const wchar_t* const UpAndRunningValue = L"UpAndRunning";

std::optional<DWORD> readUpAndRunning()
{
    return readRegistryValue(HKEY_CURRENT_USER, ProviderKey, UpAndRunningValue).asDword();
}

LONG writeDefaultImApp()
{
    return writeRegistryString(HKEY_CURRENT_USER, ImProvidersKey, DefaultImAppValue, ProviderName);
}

} // namespace tools
