#include "common/RegistryValue.h"

#include <cstring>

namespace tools {

namespace {

// Owns an open key; the predefined roots are never opened here, so every handle held is ours to close.
class OpenKey {
public:
    OpenKey(HKEY hive, const std::wstring& path, REGSAM access)
        : status_(RegOpenKeyExW(hive, path.c_str(), 0, access, &handle_))
    {
    }
    ~OpenKey()
    {
        if (status_ == ERROR_SUCCESS) RegCloseKey(handle_);
    }
    OpenKey(const OpenKey&) = delete;
    OpenKey& operator=(const OpenKey&) = delete;

    bool isOpen() const { return status_ == ERROR_SUCCESS; }
    HKEY handle() const { return handle_; }

private:
    HKEY handle_ = nullptr;
    LONG status_;
};

class CreatedKey {
public:
    CreatedKey(HKEY hive, const std::wstring& path)
        : status_(RegCreateKeyExW(hive, path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_WRITE, nullptr,
                                  &handle_, nullptr))
    {
    }
    ~CreatedKey()
    {
        if (status_ == ERROR_SUCCESS) RegCloseKey(handle_);
    }
    CreatedKey(const CreatedKey&) = delete;
    CreatedKey& operator=(const CreatedKey&) = delete;

    LONG status() const { return status_; }
    HKEY handle() const { return handle_; }

private:
    HKEY handle_ = nullptr;
    LONG status_;
};

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

RegistryValue readRegistryValue(HKEY hive, const std::wstring& keyPath, const wchar_t* valueName, REGSAM view)
{
    RegistryValue result;
    OpenKey key(hive, keyPath, KEY_QUERY_VALUE | view);
    if (!key.isOpen()) return result;
    result.keyFound = true;
    DWORD size = 0;
    LONG status = RegQueryValueExW(key.handle(), valueName, nullptr, &result.type, nullptr, &size);
    // A value may grow between the two calls: ask again until it fits.
    while (status == ERROR_SUCCESS || status == ERROR_MORE_DATA) {
        result.data.resize(size);
        status = RegQueryValueExW(key.handle(), valueName, nullptr, &result.type,
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

bool registryKeyExists(HKEY hive, const std::wstring& keyPath, REGSAM view)
{
    return OpenKey(hive, keyPath, KEY_READ | view).isOpen();
}

std::vector<std::wstring> registrySubkeyNames(HKEY hive, const std::wstring& keyPath, REGSAM view)
{
    std::vector<std::wstring> names;
    OpenKey key(hive, keyPath, KEY_READ | view);
    if (!key.isOpen()) return names;
    for (DWORD index = 0;; ++index) {
        wchar_t name[256]; // the longest key name the registry allows is 255 characters
        DWORD length = 256;
        const LONG status = RegEnumKeyExW(key.handle(), index, name, &length, nullptr, nullptr, nullptr, nullptr);
        if (status != ERROR_SUCCESS) break;
        names.emplace_back(name, length);
    }
    return names;
}

LONG writeRegistryString(HKEY hive, const std::wstring& keyPath, const wchar_t* valueName, const std::wstring& value)
{
    CreatedKey key(hive, keyPath);
    if (key.status() != ERROR_SUCCESS) return key.status();
    return RegSetValueExW(key.handle(), valueName, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                          static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
}

LONG writeRegistryDword(HKEY hive, const std::wstring& keyPath, const wchar_t* valueName, DWORD value)
{
    CreatedKey key(hive, keyPath);
    if (key.status() != ERROR_SUCCESS) return key.status();
    return RegSetValueExW(key.handle(), valueName, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof(value));
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
