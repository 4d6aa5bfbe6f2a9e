#include "soak/OfficeOptions.h"

#include "soak/SoakPeople.h"

#include <cwchar>

namespace soak {

namespace {

const unsigned long maxContactSinks = 5000;

bool parseNumber(const std::wstring& text, unsigned long limit, unsigned long& value)
{
    if (text.empty() || text.size() > 10) return false;
    wchar_t* end = nullptr;
    const unsigned long long parsed = std::wcstoull(text.c_str(), &end, 10);
    if (*end != L'\0' || parsed > limit) return false;
    value = static_cast<unsigned long>(parsed);
    return true;
}

} // namespace

std::optional<OfficeOptions> parseOfficeOptions(const std::vector<std::wstring>& arguments, std::wstring& error)
{
    OfficeOptions options;
    if (arguments.empty()) {
        error = L"no mode given (load, cycles or fuzz)";
        return std::nullopt;
    }
    if (arguments[0] == L"cycles") options.mode = OfficeMode::Cycles;
    else if (arguments[0] == L"fuzz") options.mode = OfficeMode::Fuzz;
    else if (arguments[0] != L"load") {
        error = L"unknown mode " + arguments[0];
        return std::nullopt;
    }
    for (std::size_t i = 1; i < arguments.size(); ++i) {
        const std::wstring& name = arguments[i];
        if (name == L"--check") { options.check = true; continue; }
        if (name == L"--block-events") { options.blockEvents = true; continue; }
        if (name == L"--arrivals") { options.arrivals = true; continue; }
        unsigned long value = 0;
        if (i + 1 >= arguments.size() || !parseNumber(arguments[i + 1], 0xFFFFFFFFul, value)) {
            error = name + L" needs a number";
            return std::nullopt;
        }
        ++i;
        if (name == L"--threads" && value >= 1 && value <= 64) options.threads = static_cast<int>(value);
        else if (name == L"--calls") options.calls = static_cast<long>(value);
        else if (name == L"--watch" && value <= static_cast<unsigned long>(ContactCount)) options.watched = static_cast<int>(value);
        else if (name == L"--contact-sinks" && value <= maxContactSinks) options.contactSinks = static_cast<int>(value);
        else if (name == L"--seed") options.seed = static_cast<unsigned>(value);
        else {
            error = L"unknown or out-of-range option " + name;
            return std::nullopt;
        }
    }
    return options;
}

} // namespace soak
