#pragma once

#include <cstddef>
#include <string>

namespace extensionsutils {

// UTF-16 <-> UTF-8. Embedded NULs are kept; unpaired surrogates and invalid bytes become U+FFFD.
// A null pointer converts to an empty string.
std::string toUtf8(const wchar_t* text);
std::string toUtf8(const wchar_t* text, std::size_t length);
std::string toUtf8(const std::wstring& text);

std::wstring toUtf16(const char* text, std::size_t length);
std::wstring toUtf16(const std::string& utf8);

} // namespace extensionsutils
