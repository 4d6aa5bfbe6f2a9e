#pragma once

// The host's contact directory as a small text file: the signed-in user and the contacts, with their
// names, numbers, e-mail addresses and presence. One person per line:
//
//   # a comment; blank lines are ignored
//   user    | anna.berg@quillon.example | Anna Berg   | available | work=+46 8 555 0100 | email=anna@corp.example
//   contact | bo.lind@quillon.example   | Bo Lind     | away      | mobile=+46 70 555 0102 | note=At lunch
//
// Fields are separated by '|' and trimmed. The first four are fixed: the kind ("user" or "contact"), the
// sign-in name, the display name and the presence (1-5 or available, away, dnd, idle, offline). Any number
// of key=value fields follow, in any order:
//   work, home, mobile, other   phone numbers
//   email                       an e-mail address that resolves to this person (may be given more than once)
//   userid                      the person's user id, for lookups by user id
//   note                        the presence text (default: the presence's own name, as "Away")
//   tagged                      yes or no (default no)
// Exactly one "user" line; the contacts form the host's contact list, in file order. Sign-in names and
// e-mail addresses must be unique.

#include "support/FakeHostTypes.h"

#include <optional>
#include <string>
#include <vector>

namespace hostsim {

struct DirectoryEntry {
    fakehost::ContactRecord record;
    std::vector<std::wstring> emails;
    unsigned line = 0; // where it was defined
};

struct ContactDirectory {
    DirectoryEntry user;
    std::vector<DirectoryEntry> contacts;

    // The person with this sign-in name (the user included), or null.
    const DirectoryEntry* find(const std::wstring& signinName) const;
    // The sign-in name that this e-mail address resolves to; nothing when nobody has it.
    std::optional<std::wstring> resolve(const std::wstring& email) const;
};

struct DirectoryError {
    unsigned line = 0; // 1-based; 0 for the file as a whole
    std::wstring message;
};

// The directory in `text`, or nothing with the first error found.
std::optional<ContactDirectory> parseDirectory(const std::wstring& text, DirectoryError& error);

// Reads and parses a UTF-8 file. Errors come as "<path>:<line>: <message>" (or "<path>: <message>").
std::optional<ContactDirectory> loadDirectory(const std::wstring& path, std::wstring& error);

} // namespace hostsim
