#include "soak/SoakPeople.h"

namespace soak {

namespace {

std::wstring twoDigits(int index)
{
    return std::wstring(index < 10 ? L"0" : L"") + std::to_wstring(index);
}

} // namespace

std::wstring contactSigninName(int index)
{
    return L"c" + twoDigits(index) + L"@soak.example";
}

std::wstring contactFriendlyName(int index)
{
    return L"Contact " + twoDigits(index);
}

std::wstring contactEmail(int index)
{
    return L"c" + twoDigits(index) + L"@corp.example";
}

long nextStatus(long status)
{
    for (int i = 0; i < CycleLength; ++i)
        if (StatusCycle[i] == status) return StatusCycle[(i + 1) % CycleLength];
    return -1;
}

} // namespace soak
