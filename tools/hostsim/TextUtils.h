#pragma once

// Small text helpers for the simulator's line formats: trimming, splitting, case folding, numbers, and
// reading a UTF-8 text file.

#include <optional>
#include <string>
#include <vector>

namespace hostsim {

std::wstring trim(const std::wstring& text);
std::wstring toLower(const std::wstring& text);

// Splits at every separator; the parts are trimmed.
std::vector<std::wstring> splitFields(const std::wstring& line, wchar_t separator);

// Splits at runs of blanks; "double quotes" keep blanks inside one word (the quotes are dropped, "" inside
// quotes is one quote). False, with the reason, for an unterminated quote.
bool splitWords(const std::wstring& line, std::vector<std::wstring>& words, std::wstring& error);

// A whole unsigned number, decimal or 0x hexadecimal, within 32 bits.
std::optional<unsigned long> parseUnsigned(const std::wstring& text);

// "0x80004005": an HRESULT or Win32 code as people look it up.
std::wstring hexCode(unsigned long code);

// The file's text, UTF-8 (a leading byte-order mark is dropped); nothing when it cannot be read.
std::optional<std::wstring> readUtf8File(const std::wstring& path);

// Lines without their CR/LF ends.
std::vector<std::wstring> splitLines(const std::wstring& text);

} // namespace hostsim
