#include "common/RegistryValue.h"

#include <cstring>

namespace tools {

namespace {

using extensionsutils::RegKey;

RegKey openKey(HKEY hive, const std::wstring& path, REGSAM access, RegistryView view)
{
    RegKey key;
    RegOpenKeyExW(hive, path.c_str(), 0, extensionsutils::withView(access, view), key.put());
    return key;
}

LONG createKey(HKEY hive, const std::wstring& path, RegKey& key)
{
    return RegCreateKeyExW(hive, path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_WRITE, nullptr, key.put(),
                           nullptr);
}

} // namespace

std::optional<std::wstring> RegistryValue::asString() const
{
    if (!valueFound || (type != REG_SZ && type != REG_EXPAND_SZ)) return std::nullopt;
    std::wstring text(reinterpret_cast<const wchar_t*>(data.data()), data.size() / sizeof(wchar_t));
    const std::size_t end = text.find(L'\0');
    if (end != std::wstring::npos) text.resize(end);
    return text;
}

std::optional<DWORD> RegistryValue::asDword() const
{
    if (!valueFound || type != REG_DWORD || data.size() != sizeof(DWORD)) return std::nullopt;
    DWORD value = 0;
    memcpy(&value, data.data(), sizeof(value));
    return value;
}

RegistryValue readRegistryValue(HKEY hive, const std::wstring& keyPath, const wchar_t* valueName, RegistryView view)
{
    RegistryValue result;
    const RegKey key = openKey(hive, keyPath, KEY_QUERY_VALUE, view);
    if (!key) return result;
    result.keyFound = true;
    DWORD size = 0;
    LONG status = RegQueryValueExW(key.get(), valueName, nullptr, &result.type, nullptr, &size);
    // A value may grow between the two calls: ask again until it fits.
    while (status == ERROR_SUCCESS || status == ERROR_MORE_DATA) {
        result.data.resize(size);
        status = RegQueryValueExW(key.get(), valueName, nullptr, &result.type,
                                  result.data.empty() ? nullptr : result.data.data(), &size);
        if (status == ERROR_SUCCESS) {
            result.data.resize(size);
            result.valueFound = true;
            return result;
        }
    }
    result.type = REG_NONE;
    result.data.clear();
    return result;
}

bool registryKeyExists(HKEY hive, const std::wstring& keyPath, RegistryView view)
{
    return static_cast<bool>(openKey(hive, keyPath, KEY_READ, view));
}

std::vector<std::wstring> registrySubkeyNames(HKEY hive, const std::wstring& keyPath, RegistryView view)
{
    std::vector<std::wstring> names;
    const RegKey key = openKey(hive, keyPath, KEY_READ, view);
    if (!key) return names;
    for (DWORD index = 0;; ++index) {
        wchar_t name[256]; // the longest key name the registry allows is 255 characters
        DWORD length = 256;
        const LONG status = RegEnumKeyExW(key.get(), index, name, &length, nullptr, nullptr, nullptr, nullptr);
        if (status != ERROR_SUCCESS) break;
        names.emplace_back(name, length);
    }
    return names;
}

LONG writeRegistryString(HKEY hive, const std::wstring& keyPath, const wchar_t* valueName, const std::wstring& value)
{
    RegKey key;
    const LONG status = createKey(hive, keyPath, key);
    return status == ERROR_SUCCESS ? key.writeString(valueName, value) : status;
}

LONG writeRegistryDword(HKEY hive, const std::wstring& keyPath, const wchar_t* valueName, DWORD value)
{
    RegKey key;
    const LONG status = createKey(hive, keyPath, key);
    return status == ERROR_SUCCESS ? key.writeDword(valueName, value) : status;
}

std::wstring hiveName(HKEY hive)
{
    if (hive == HKEY_CURRENT_USER) return L"HKEY_CURRENT_USER";
    if (hive == HKEY_LOCAL_MACHINE) return L"HKEY_LOCAL_MACHINE";
    if (hive == HKEY_CLASSES_ROOT) return L"HKEY_CLASSES_ROOT";
    if (hive == HKEY_USERS) return L"HKEY_USERS";
    return L"(another hive)";
}

} // namespace tools
