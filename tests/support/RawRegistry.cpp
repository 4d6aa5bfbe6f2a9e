#include "RawRegistry.h"

namespace registrytest {

bool createKey(HKEY hive, const std::wstring& path, REGSAM view)
{
    HKEY key = nullptr;
    if (RegCreateKeyExW(hive, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS | view, nullptr, &key, nullptr) !=
        ERROR_SUCCESS)
        return false;
    RegCloseKey(key);
    return true;
}

bool keyExists(HKEY hive, const std::wstring& path, REGSAM view)
{
    HKEY key = nullptr;
    if (RegOpenKeyExW(hive, path.c_str(), 0, KEY_READ | view, &key) != ERROR_SUCCESS) return false;
    RegCloseKey(key);
    return true;
}

bool writeRawValue(HKEY hive, const std::wstring& path, const wchar_t* valueName, DWORD type, const void* data,
                   DWORD bytes, REGSAM view)
{
    HKEY key = nullptr;
    if (RegCreateKeyExW(hive, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS | view, nullptr, &key, nullptr) !=
        ERROR_SUCCESS)
        return false;
    // The registry stores a string one character longer than asked when the character after the data is
    // NUL (a forgotten terminator, as it sees it): end the copy with bytes that are not, so data without
    // a terminator is stored as such.
    std::vector<BYTE> copy(static_cast<const BYTE*>(data), static_cast<const BYTE*>(data) + bytes);
    copy.insert(copy.end(), {0xFF, 0xFF});
    const LONG result = RegSetValueExW(key, valueName, 0, type, copy.data(), bytes);
    RegCloseKey(key);
    return result == ERROR_SUCCESS;
}

bool readRawValue(HKEY hive, const std::wstring& path, const wchar_t* valueName, RawValue& value, REGSAM view)
{
    HKEY key = nullptr;
    if (RegOpenKeyExW(hive, path.c_str(), 0, KEY_READ | view, &key) != ERROR_SUCCESS) return false;
    DWORD bytes = 0;
    LONG result = RegQueryValueExW(key, valueName, nullptr, &value.type, nullptr, &bytes);
    if (result == ERROR_SUCCESS) {
        value.data.assign(bytes, 0);
        result = RegQueryValueExW(key, valueName, nullptr, &value.type, value.data.data(), &bytes);
        value.data.resize(bytes);
    }
    RegCloseKey(key);
    return result == ERROR_SUCCESS;
}

std::vector<BYTE> bytesOf(const std::wstring& text, bool withTerminator)
{
    const BYTE* first = reinterpret_cast<const BYTE*>(text.c_str());
    const std::size_t count = (text.size() + (withTerminator ? 1 : 0)) * sizeof(wchar_t);
    return std::vector<BYTE>(first, first + count);
}

} // namespace registrytest
