#include "hostsim/TextUtils.h"

#include "extensionsutils/Utf8.h"

#include <windows.h>

#include <cwchar>
#include <cwctype>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace hostsim {

namespace {

bool isBlank(wchar_t c)
{
    return c == L' ' || c == L'\t' || c == L'\r' || c == L'\n';
}

} // namespace

std::wstring trim(const std::wstring& text)
{
    std::size_t begin = 0;
    std::size_t end = text.size();
    while (begin < end && isBlank(text[begin])) ++begin;
    while (end > begin && isBlank(text[end - 1])) --end;
    return text.substr(begin, end - begin);
}

std::wstring toLower(const std::wstring& text)
{
    std::wstring lower = text;
    for (wchar_t& c : lower) c = static_cast<wchar_t>(std::towlower(c));
    return lower;
}

std::vector<std::wstring> splitFields(const std::wstring& line, wchar_t separator)
{
    std::vector<std::wstring> fields;
    std::size_t start = 0;
    for (;;) {
        const std::size_t end = line.find(separator, start);
        fields.push_back(trim(line.substr(start, end == std::wstring::npos ? std::wstring::npos : end - start)));
        if (end == std::wstring::npos) return fields;
        start = end + 1;
    }
}

bool splitWords(const std::wstring& line, std::vector<std::wstring>& words, std::wstring& error)
{
    words.clear();
    std::size_t i = 0;
    while (i < line.size()) {
        if (isBlank(line[i])) {
            ++i;
            continue;
        }
        std::wstring word;
        while (i < line.size() && !isBlank(line[i])) {
            if (line[i] != L'"') {
                word += line[i++];
                continue;
            }
            // A quoted stretch: up to the closing quote, with "" standing for one quote.
            ++i;
            for (;;) {
                if (i >= line.size()) {
                    error = L"a quote is not closed";
                    return false;
                }
                if (line[i] == L'"' && i + 1 < line.size() && line[i + 1] == L'"') {
                    word += L'"';
                    i += 2;
                } else if (line[i] == L'"') {
                    ++i;
                    break;
                } else {
                    word += line[i++];
                }
            }
        }
        words.push_back(word);
    }
    return true;
}

std::optional<unsigned long> parseUnsigned(const std::wstring& text)
{
    if (text.empty() || text[0] == L'-' || text[0] == L'+' || isBlank(text[0])) return std::nullopt;
    const bool hex = text.size() > 2 && text[0] == L'0' && (text[1] == L'x' || text[1] == L'X');
    std::size_t used = 0;
    unsigned long long value = 0;
    try {
        value = std::stoull(hex ? text.substr(2) : text, &used, hex ? 16 : 10);
    } catch (const std::exception&) {
        return std::nullopt;
    }
    if (used != (hex ? text.size() - 2 : text.size()) || value > 0xFFFFFFFFull) return std::nullopt;
    return static_cast<unsigned long>(value);
}

std::wstring hexCode(unsigned long code)
{
    wchar_t text[16] = {};
    swprintf(text, 16, L"0x%08lX", code);
    return text;
}

std::optional<std::wstring> readUtf8File(const std::wstring& path)
{
    std::ifstream file(std::filesystem::path(path), std::ios::binary);
    if (!file) return std::nullopt;
    std::string bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    if (file.bad()) return std::nullopt;
    if (bytes.compare(0, 3, "\xEF\xBB\xBF") == 0) bytes.erase(0, 3);
    return extensionsutils::toUtf16(bytes);
}

std::vector<std::wstring> splitLines(const std::wstring& text)
{
    std::vector<std::wstring> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find(L'\n', start);
        if (end == std::wstring::npos) end = text.size();
        std::wstring line = text.substr(start, end - start);
        if (!line.empty() && line.back() == L'\r') line.pop_back();
        lines.push_back(line);
        start = end + 1;
    }
    return lines;
}

} // namespace hostsim
