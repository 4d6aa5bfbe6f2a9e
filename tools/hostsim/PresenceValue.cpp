#include "hostsim/PresenceValue.h"

#include "hostsim/TextUtils.h"

namespace hostsim {

namespace {

struct PresenceEntry {
    long value;
    const wchar_t* name;
    const wchar_t* alias;
    const wchar_t* text;
};

const PresenceEntry presences[] = {
    {1, L"available", L"online", L"Available"},
    {2, L"away", nullptr, L"Away"},
    {3, L"dnd", L"busy", L"Do not disturb"},
    {4, L"idle", nullptr, L"Idle"},
    {5, L"offline", nullptr, L"Offline"},
};

const PresenceEntry* entryFor(long presence)
{
    for (const PresenceEntry& entry : presences)
        if (entry.value == presence) return &entry;
    return nullptr;
}

} // namespace

const wchar_t* const PresenceChoices = L"1-5 or available, away, dnd, idle, offline";

std::optional<long> parsePresence(const std::wstring& text)
{
    const std::wstring lower = toLower(text);
    for (const PresenceEntry& entry : presences) {
        if (lower == std::to_wstring(entry.value) || lower == entry.name) return entry.value;
        if (entry.alias && lower == entry.alias) return entry.value;
    }
    return std::nullopt;
}

std::wstring presenceName(long presence)
{
    const PresenceEntry* entry = entryFor(presence);
    return entry ? entry->name : std::to_wstring(presence);
}

std::wstring defaultPresenceText(long presence)
{
    const PresenceEntry* entry = entryFor(presence);
    return entry ? entry->text : std::wstring();
}

} // namespace hostsim
