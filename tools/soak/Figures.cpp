#include "soak/Figures.h"

namespace soak {

void Figures::print(const std::wstring& what, const std::wstring& value, const std::wstring& heldWhen, const wchar_t* mark)
{
    output_.line(L"soak: figure | " + scenario_ + L" | " + what + L" | " + value + L" | " + heldWhen + L" | " + mark);
}

void Figures::check(const std::wstring& what, const std::wstring& value, bool held, const std::wstring& heldWhen)
{
    if (!held) held_ = false;
    print(what, value, heldWhen, held ? L"ok" : L"FAIL");
}

void Figures::exactly(const std::wstring& what, long long value, long long expected)
{
    check(what, std::to_wstring(value), value == expected, L"= " + std::to_wstring(expected));
}

void Figures::atMost(const std::wstring& what, long long value, long long limit)
{
    check(what, std::to_wstring(value), value <= limit, L"<= " + std::to_wstring(limit));
}

void Figures::atLeast(const std::wstring& what, long long value, long long least)
{
    check(what, std::to_wstring(value), value >= least, L">= " + std::to_wstring(least));
}

void Figures::info(const std::wstring& what, const std::wstring& value)
{
    print(what, value, L"(measured)", L"info");
}

void Figures::fail(const std::wstring& what)
{
    held_ = false;
    output_.line(L"soak: FAILED: " + scenario_ + L": " + what);
}

bool Figures::verdict()
{
    output_.line(L"soak: scenario " + scenario_ + (held_ ? L" held" : L" failed"));
    return held_;
}

} // namespace soak
