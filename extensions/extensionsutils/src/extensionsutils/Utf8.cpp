#include "extensionsutils/Utf8.h"

#include <windows.h>

#include <climits>
#include <cwchar>

namespace extensionsutils {

std::string toUtf8(const wchar_t* text)
{
    if (!text) return std::string();
    return toUtf8(text, std::wcslen(text));
}

std::string toUtf8(const wchar_t* text, std::size_t length)
{
    // The conversion functions count in int; longer input cannot come from a BSTR anyway.
    if (!text || length == 0 || length > INT_MAX / 3) return std::string();
    const int inputLength = static_cast<int>(length);
    const int size = WideCharToMultiByte(CP_UTF8, 0, text, inputLength, nullptr, 0, nullptr, nullptr);
    if (size <= 0) return std::string();
    std::string result(static_cast<std::size_t>(size), '\0');
    const int written = WideCharToMultiByte(CP_UTF8, 0, text, inputLength, &result[0], size, nullptr, nullptr);
    result.resize(written > 0 ? static_cast<std::size_t>(written) : 0);
    return result;
}

std::string toUtf8(const std::wstring& text)
{
    return toUtf8(text.data(), text.size());
}

std::wstring toUtf16(const char* text, std::size_t length)
{
    if (!text || length == 0 || length > INT_MAX) return std::wstring();
    const int inputLength = static_cast<int>(length);
    const int size = MultiByteToWideChar(CP_UTF8, 0, text, inputLength, nullptr, 0);
    if (size <= 0) return std::wstring();
    std::wstring result(static_cast<std::size_t>(size), L'\0');
    const int written = MultiByteToWideChar(CP_UTF8, 0, text, inputLength, &result[0], size);
    result.resize(written > 0 ? static_cast<std::size_t>(written) : 0);
    return result;
}

std::wstring toUtf16(const std::string& utf8)
{
    return toUtf16(utf8.data(), utf8.size());
}

} // namespace extensionsutils
