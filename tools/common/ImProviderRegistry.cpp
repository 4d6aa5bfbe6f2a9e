#include "common/ImProviderRegistry.h"

#include "common/RegistryValue.h"

namespace tools {

std::optional<DWORD> readUpAndRunning()
{
    return readRegistryValue(HKEY_CURRENT_USER, ProviderKey, UpAndRunningValue).asDword();
}

LONG writeDefaultImApp()
{
    return writeRegistryString(HKEY_CURRENT_USER, ImProvidersKey, DefaultImAppValue, ProviderName);
}

} // namespace tools
