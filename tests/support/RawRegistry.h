#pragma once

// Direct registry access for tests: sets up values exactly as another program could have left them
// (any type, any byte count) and reads back exactly what the code under test stored.

#include "extensionsutils/RegKey.h"

#include <windows.h>

#include <string>
#include <vector>

namespace registrytest {

// An open key, closed when it goes; null when it could not be opened (or created, with `create`).
using Key = extensionsutils::RegKey;
inline Key opened(HKEY hive, const std::wstring& path, REGSAM access, bool create = false)
{
    Key key;
    const LONG result = create ? RegCreateKeyExW(hive, path.c_str(), 0, nullptr, 0, access, nullptr, key.put(), nullptr)
                               : RegOpenKeyExW(hive, path.c_str(), 0, access, key.put());
    if (result != ERROR_SUCCESS) key.reset();
    return key;
}

struct RawValue { DWORD type = REG_NONE; std::vector<BYTE> data; };

// The bytes of text, with or without the terminating NUL.
inline std::vector<BYTE> bytesOf(const std::wstring& text, bool withTerminator)
{
    const BYTE* first = reinterpret_cast<const BYTE*>(text.c_str());
    return std::vector<BYTE>(first, first + (text.size() + (withTerminator ? 1 : 0)) * sizeof(wchar_t));
}

inline bool createKey(HKEY hive, const std::wstring& path, REGSAM view = 0) { return !!opened(hive, path, KEY_ALL_ACCESS | view, true); }
inline bool keyExists(HKEY hive, const std::wstring& path, REGSAM view = 0) { return !!opened(hive, path, KEY_READ | view, false); }

// valueName nullptr is the default value.
inline bool writeRawValue(HKEY hive, const std::wstring& path, const wchar_t* valueName, DWORD type, const void* data,
                          DWORD bytes, REGSAM view = 0)
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
inline bool writeRawValue(HKEY hive, const std::wstring& path, const wchar_t* valueName, DWORD type, const std::vector<BYTE>& bytes,
                          REGSAM view = 0)
{ return writeRawValue(hive, path, valueName, type, bytes.data(), static_cast<DWORD>(bytes.size()), view); }
// REG_SZ with its terminating NUL.
inline bool writeStringValue(HKEY hive, const std::wstring& path, const wchar_t* valueName, const std::wstring& text, REGSAM view = 0)
{ return writeRawValue(hive, path, valueName, REG_SZ, bytesOf(text, true), view); }
inline bool writeDwordValue(HKEY hive, const std::wstring& path, const wchar_t* valueName, DWORD value, REGSAM view = 0)
{ return writeRawValue(hive, path, valueName, REG_DWORD, &value, sizeof(value), view); }

// False when the key or the value is missing.
inline bool readRawValue(HKEY hive, const std::wstring& path, const wchar_t* valueName, RawValue& value, REGSAM view = 0)
{
    const Key key = opened(hive, path, KEY_READ | view, false);
    DWORD bytes = 0;
    if (!key || RegQueryValueExW(key.get(), valueName, nullptr, &value.type, nullptr, &bytes) != ERROR_SUCCESS) return false;
    value.data.assign(bytes, 0);
    const LONG result = RegQueryValueExW(key.get(), valueName, nullptr, &value.type, value.data.data(), &bytes);
    value.data.resize(bytes);
    return result == ERROR_SUCCESS;
}

} // namespace registrytest
