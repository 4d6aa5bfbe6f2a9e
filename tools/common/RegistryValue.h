#pragma once

// Plain reads and writes of single registry values, telling a missing key from a missing value and from a
// value of another type, which is what a diagnosis needs to say. Any thread; nothing is shared.

#include "extensionsutils/RegKey.h"

#include <windows.h>

#include <optional>
#include <string>
#include <vector>

namespace tools {

using extensionsutils::RegistryView;

struct RegistryValue {
    bool keyFound = false;
    bool valueFound = false;
    DWORD type = REG_NONE;
    std::vector<BYTE> data;

    // REG_SZ or REG_EXPAND_SZ, up to the first NUL (a value without a terminating NUL is taken whole).
    std::optional<std::wstring> asString() const;
    // REG_DWORD of exactly four bytes.
    std::optional<DWORD> asDword() const;
};

// valueName nullptr or L"": the default value.
RegistryValue readRegistryValue(HKEY hive, const std::wstring& keyPath, const wchar_t* valueName,
                                RegistryView view = RegistryView::Default);

bool registryKeyExists(HKEY hive, const std::wstring& keyPath, RegistryView view = RegistryView::Default);

// The names of the key's direct subkeys, in the registry's order; empty when the key is missing.
std::vector<std::wstring> registrySubkeyNames(HKEY hive, const std::wstring& keyPath,
                                              RegistryView view = RegistryView::Default);

// Creates the key when needed and writes the value (REG_SZ with its NUL, or REG_DWORD). A Win32 error code.
LONG writeRegistryString(HKEY hive, const std::wstring& keyPath, const wchar_t* valueName, const std::wstring& value);
LONG writeRegistryDword(HKEY hive, const std::wstring& keyPath, const wchar_t* valueName, DWORD value);

// "HKEY_CURRENT_USER" and the like, for messages.
std::wstring hiveName(HKEY hive);

} // namespace tools
