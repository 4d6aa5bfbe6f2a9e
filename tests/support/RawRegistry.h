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
Key opened(HKEY hive, const std::wstring& path, REGSAM access, bool create = false);

struct RawValue { DWORD type = REG_NONE; std::vector<BYTE> data; };

// The bytes of text, with or without the terminating NUL.
std::vector<BYTE> bytesOf(const std::wstring& text, bool withTerminator);

bool createKey(HKEY hive, const std::wstring& path, REGSAM view = 0);
bool keyExists(HKEY hive, const std::wstring& path, REGSAM view = 0);

// valueName nullptr is the default value.
bool writeRawValue(HKEY hive, const std::wstring& path, const wchar_t* valueName, DWORD type, const void* data,
                   DWORD bytes, REGSAM view = 0);
inline bool writeRawValue(HKEY hive, const std::wstring& path, const wchar_t* valueName, DWORD type, const std::vector<BYTE>& bytes,
                          REGSAM view = 0)
{ return writeRawValue(hive, path, valueName, type, bytes.data(), static_cast<DWORD>(bytes.size()), view); }
// REG_SZ with its terminating NUL.
inline bool writeStringValue(HKEY hive, const std::wstring& path, const wchar_t* valueName, const std::wstring& text, REGSAM view = 0)
{ return writeRawValue(hive, path, valueName, REG_SZ, bytesOf(text, true), view); }
inline bool writeDwordValue(HKEY hive, const std::wstring& path, const wchar_t* valueName, DWORD value, REGSAM view = 0)
{ return writeRawValue(hive, path, valueName, REG_DWORD, &value, sizeof(value), view); }

// False when the key or the value is missing.
bool readRawValue(HKEY hive, const std::wstring& path, const wchar_t* valueName, RawValue& value, REGSAM view = 0);

} // namespace registrytest
