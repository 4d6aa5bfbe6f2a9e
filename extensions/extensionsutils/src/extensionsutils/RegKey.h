#pragma once

// Owner of one open registry key, with the few typed reads and writes the module needs.
//
// The handle is closed when the owner goes; the predefined root keys (HKEY_CURRENT_USER and the like) are
// only borrowed and never closed, so a holder of HKEY_CURRENT_USER itself is safe. Shared through
// std::shared_ptr; the registry serialises concurrent use of one handle, so any thread may call.

#include <windows.h>

#include <memory>
#include <string>

namespace extensionsutils {

class RegKey
{
public:
    explicit RegKey(HKEY handle) noexcept;
    ~RegKey();

    RegKey(const RegKey&) = delete;
    RegKey& operator=(const RegKey&) = delete;

    HKEY handle() const noexcept { return handle_; }

    // Reads a REG_SZ or REG_EXPAND_SZ value (nullptr or L"" for the default value) into buffer, which holds
    // bufferChars characters including the terminating NUL. On success lengthChars is the string's length
    // without that NUL. ERROR_INVALID_DATA when the value has another type, an odd byte count or does not
    // end with a NUL; ERROR_MORE_DATA when it does not fit. On failure buffer holds an empty string.
    LONG readString(const wchar_t* valueName, wchar_t* buffer, DWORD bufferChars, DWORD& lengthChars) const;

    // Writes value as REG_SZ, terminating NUL included.
    LONG writeString(const wchar_t* valueName, const std::wstring& value) const;

    LONG writeDword(const wchar_t* valueName, DWORD value) const;

private:
    HKEY handle_;
};

using RegKeyPtr = std::shared_ptr<RegKey>;

} // namespace extensionsutils
