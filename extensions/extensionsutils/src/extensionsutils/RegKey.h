#pragma once

// The one owner of an open registry key, with the few typed reads and writes the module and its tools need.
//
// Move-only; the handle is closed once, when the owner goes or is reset. The predefined root keys
// (HKEY_CURRENT_USER and the like) are only borrowed and never closed, so a holder of HKEY_CURRENT_USER
// itself is safe. The registry serialises concurrent use of one handle, so any thread may call.

#include <windows.h>

#include <memory>
#include <string>

namespace extensionsutils {

// Which registry view a key is opened in: the process's own, or the 64-bit or 32-bit one whatever the process.
enum class RegistryView { Default, Wow64_64, Wow64_32 };

// access with the KEY_WOW64_* flag of view added.
REGSAM withView(REGSAM access, RegistryView view);

class RegKey
{
public:
    RegKey() noexcept = default;
    explicit RegKey(HKEY handle) noexcept : handle_(handle) {}
    ~RegKey() { reset(); }

    RegKey(RegKey&& other) noexcept : handle_(other.release()) {}
    RegKey& operator=(RegKey&& other) noexcept;
    RegKey(const RegKey&) = delete;
    RegKey& operator=(const RegKey&) = delete;

    HKEY get() const noexcept { return handle_; }
    explicit operator bool() const noexcept { return handle_ != nullptr; }
    // For the out-parameter of RegOpenKeyExW and the like: closes what is held first. A failed call leaves
    // the owner empty, as the registry functions then write NULL.
    HKEY* put() noexcept;
    HKEY release() noexcept;
    void reset(HKEY handle = nullptr) noexcept;

    // Reads a REG_SZ or REG_EXPAND_SZ value (nullptr or L"" for the default value) into buffer, which holds
    // bufferChars characters including the terminating NUL. On success lengthChars is the string's length
    // without that NUL. ERROR_INVALID_DATA when the value has another type, an odd byte count or does not
    // end with a NUL; ERROR_MORE_DATA when it does not fit. On failure buffer holds an empty string.
    LONG readString(const wchar_t* valueName, wchar_t* buffer, DWORD bufferChars, DWORD& lengthChars) const;

    // Writes value as REG_SZ, terminating NUL included.
    LONG writeString(const wchar_t* valueName, const std::wstring& value) const;

    LONG writeDword(const wchar_t* valueName, DWORD value) const;

private:
    HKEY handle_ = nullptr;
};

using RegKeyPtr = std::shared_ptr<RegKey>;

} // namespace extensionsutils
