#pragma once

// The bench's many contacts of one kind: "<prefix><n>@<domain>", added to the fake host in one go.

#include "support/FakeHost.h"

#include <functional>
#include <string>

namespace bench {

// The contact for `index`, counting round the `count` contacts of the kind.
std::wstring numberedContact(const wchar_t* prefix, const wchar_t* domain, long index, int count);

// Adds the `count` contacts, each named "<friendlyPrefix> <n>" with the presence `presenceOf(n)`.
void addNumberedContacts(fakehost::FakeHost& host, const wchar_t* prefix, const wchar_t* domain, int count,
                         const wchar_t* friendlyPrefix, const std::function<long(int)>& presenceOf);

} // namespace bench
