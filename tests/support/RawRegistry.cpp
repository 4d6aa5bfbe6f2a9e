#include "RawRegistry.h"

namespace registrytest {

Key opened(HKEY hive, const std::wstring& path, REGSAM access, bool create)
{
    Key key;
    const LONG result = create ? RegCreateKeyExW(hive, path.c_str(), 0, nullptr, 0, access, nullptr, key.put(), nullptr)
                               : RegOpenKeyExW(hive, path.c_str(), 0, access, key.put());
    if (result != ERROR_SUCCESS) key.reset();
    return key;
}

bool createKey(HKEY hive, const std::wstring& path, REGSAM view) { return !!opened(hive, path, KEY_ALL_ACCESS | view, true); }

bool keyExists(HKEY hive, const std::wstring& path, REGSAM view) { return !!opened(hive, path, KEY_READ | view, false); }

bool writeRawValue(HKEY hive, const std::wstring& path, const wchar_t* valueName, DWORD type, const void* data,
                   DWORD bytes, REGSAM view)
{
    const Key key = opened(hive, path, KEY_ALL_ACCESS | view, true);
    if (!key) return false;
    // The registry stores a string one character longer than asked when the character after the data is
    // NUL (a forgotten terminator, as it sees it): end the copy with bytes that are not, so data without
    // a terminator is stored as such.
    std::vector<BYTE> copy(static_cast<const BYTE*>(data), static_cast<const BYTE*>(data) + bytes);
    copy.insert(copy.end(), {0xFF, 0xFF});
    return RegSetValueExW(key.get(), valueName, 0, type, copy.data(), bytes) == ERROR_SUCCESS;
}

bool readRawValue(HKEY hive, const std::wstring& path, const wchar_t* valueName, RawValue& value, REGSAM view)
{
    const Key key = opened(hive, path, KEY_READ | view, false);
    DWORD bytes = 0;
    if (!key || RegQueryValueExW(key.get(), valueName, nullptr, &value.type, nullptr, &bytes) != ERROR_SUCCESS) return false;
    value.data.assign(bytes, 0);
    const LONG result = RegQueryValueExW(key.get(), valueName, nullptr, &value.type, value.data.data(), &bytes);
    value.data.resize(bytes);
    return result == ERROR_SUCCESS;
}

std::vector<BYTE> bytesOf(const std::wstring& text, bool withTerminator)
{
    const BYTE* first = reinterpret_cast<const BYTE*>(text.c_str());
    return std::vector<BYTE>(first, first + (text.size() + (withTerminator ? 1 : 0)) * sizeof(wchar_t));
}

} // namespace registrytest
