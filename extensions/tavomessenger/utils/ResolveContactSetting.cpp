#include "utils/RegistryUtils.h"

#include "extensionsutils/RegKey.h"

// The one registry setting of the module, read afresh on every call.
namespace RegistryUtils {

namespace {

const wchar_t* const resolveContactSettingsKey = L"Software\\Norvane Works\\Unified Communications\\Mivra";
const wchar_t* const disableResolveContactValue = L"DisableResolveContact";

} // namespace

bool isResolveContactEnabled()
{
    extensionsutils::RegKey key;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, resolveContactSettingsKey, 0, KEY_READ, key.put()) != ERROR_SUCCESS)
        return true;
    // Whatever the value's type, its first bytes are taken as the number; more than four bytes is unreadable.
    DWORD number = 0;
    DWORD size = sizeof(number);
    if (RegQueryValueExW(key.get(), disableResolveContactValue, nullptr, nullptr, reinterpret_cast<BYTE*>(&number),
                         &size) != ERROR_SUCCESS)
        return true;
    return number != 1;
}

} // namespace RegistryUtils
