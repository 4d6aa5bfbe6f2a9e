#pragma once

// What a session asks of the provider beyond the fixed steps: whom to look at, which addresses to resolve
// or look up, whether to start conversations, and how long an awaited event may take.

#include <windows.h>

#include <string>
#include <vector>

namespace officesim {

struct SessionSettings {
    // Sign-in names to read (GetContact, GetContactByUri); empty: the contact list's names where the session
    // has one, else only the signed-in user. The first one is the one to chat with and call.
    std::vector<std::wstring> people;
    std::vector<std::wstring> resolve; // e-mail addresses for ResolveContact (Office 2010)
    std::vector<std::wstring> lookup;  // texts for Lookup (Office 2013/2016)
    bool conversations = true;         // start a chat and a call with the first person
    DWORD eventTimeoutMs = 10000;      // OnContactResolved and OnLookup must arrive within this
};

} // namespace officesim
