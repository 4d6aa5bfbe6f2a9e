#pragma once

// The people of a soak run, known to both programs by rule rather than by file: the signed-in user and
// numbered contacts. The first `watched` contacts are the ones the host's presence storm changes and Office
// keeps advised sinks on; the rest are only looked up.

#include <string>

namespace soak {

const wchar_t* const UserSigninName = L"user@soak.example";
const int ContactCount = 24;

std::wstring contactSigninName(int index); // "c07@soak.example"
std::wstring contactFriendlyName(int index); // "Contact 07"
std::wstring contactEmail(int index);        // "c07@corp.example", resolving to the contact

// The host presence values a watched contact goes through, one per change, in this order and then again;
// every contact starts at the first. Each gives a different Messenger status (2, 34, 114, 1), so that
// Office can tell a lost, repeated or reordered change from the statuses alone.
const long PresenceCycle[] = {1, 2, 3, 5};
const long StatusCycle[] = {2, 34, 114, 1};
const int CycleLength = 4;

// The Messenger status that must follow `status` in a watched contact's changes (-1 for a foreign one).
long nextStatus(long status);

} // namespace soak
