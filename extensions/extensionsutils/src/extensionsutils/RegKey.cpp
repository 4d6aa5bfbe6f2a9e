#include "extensionsutils/RegKey.h"

#include <cstdint>

namespace extensionsutils {
namespace {

// HKEY_CLASSES_ROOT up to HKEY_CURRENT_USER_LOCAL_SETTINGS (0x80000000 to 0x80000007, sign-extended in
// 64-bit builds): handles that the system owns.
bool isPredefinedKey(HKEY key)
{
    const auto value = reinterpret_cast<std::intptr_t>(key);
    const auto first = reinterpret_cast<std::intptr_t>(HKEY_CLASSES_ROOT);
    return value >= first && value <= first + 7;
}

} // namespace

REGSAM withView(REGSAM access, RegistryView view)
{
    switch (view) {
    case RegistryView::Wow64_64: return access | KEY_WOW64_64KEY;
    case RegistryView::Wow64_32: return access | KEY_WOW64_32KEY;
    default: return access;
    }
}

RegKey& RegKey::operator=(RegKey&& other) noexcept
{
    if (this != &other) reset(other.release());
    return *this;
}

HKEY* RegKey::put() noexcept
{
    reset();
    return &handle_;
}

HKEY RegKey::release() noexcept
{
    const HKEY handle = handle_;
    handle_ = nullptr;
    return handle;
}

void RegKey::reset(HKEY handle) noexcept
{
    const HKEY previous = handle_;
    handle_ = handle;
    if (previous && previous != handle && !isPredefinedKey(previous)) RegCloseKey(previous);
}

LONG RegKey::readString(const wchar_t* valueName, wchar_t* buffer, DWORD bufferChars, DWORD& lengthChars) const
{
    if (!buffer || bufferChars == 0) return ERROR_INVALID_PARAMETER;
    buffer[0] = L'\0';
    // The query counts in bytes; a size it cannot express is capped, which only costs room.
    const DWORD capacityChars = bufferChars > MAXDWORD / sizeof(wchar_t) ? MAXDWORD / sizeof(wchar_t) : bufferChars;
    DWORD type = 0;
    DWORD bytes = capacityChars * sizeof(wchar_t);
    const LONG result = RegQueryValueExW(handle_, valueName, nullptr, &type, reinterpret_cast<BYTE*>(buffer), &bytes);
    if (result != ERROR_SUCCESS) {
        buffer[0] = L'\0';
        return result;
    }
    const DWORD chars = bytes / sizeof(wchar_t);
    const bool isString = type == REG_SZ || type == REG_EXPAND_SZ;
    if (!isString || bytes % sizeof(wchar_t) != 0 || chars == 0 || buffer[chars - 1] != L'\0') {
        buffer[0] = L'\0';
        return ERROR_INVALID_DATA;
    }
    lengthChars = chars - 1;
    return ERROR_SUCCESS;
}

LONG RegKey::writeString(const wchar_t* valueName, const std::wstring& value) const
{
    if (value.size() >= MAXDWORD / sizeof(wchar_t)) return ERROR_INVALID_PARAMETER;
    const DWORD bytes = static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t));
    return RegSetValueExW(handle_, valueName, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()), bytes);
}

LONG RegKey::writeDword(const wchar_t* valueName, DWORD value) const
{
    return RegSetValueExW(handle_, valueName, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof(value));
}

} // namespace extensionsutils
