#pragma once

// The host client's presence values 1 to 5 as people type them: the number itself or a name.
//   1 available (also: online)   2 away   3 dnd (also: busy)   4 idle   5 offline
// The module maps 2 and 4 alike; the names only help people read directories and scripts.

#include <optional>
#include <string>

namespace hostsim {

// The value for "1" to "5" or a name (any case); nothing for anything else.
std::optional<long> parsePresence(const std::wstring& text);

// "available", "away", "dnd", "idle", "offline"; the number itself for any other value.
std::wstring presenceName(long presence);

// The display text a host shows for the value, as get_PresenceString answers it by default.
std::wstring defaultPresenceText(long presence);

// What parsePresence accepts, for error messages.
extern const wchar_t* const PresenceChoices;

} // namespace hostsim
