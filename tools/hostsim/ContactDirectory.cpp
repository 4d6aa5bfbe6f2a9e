#include "hostsim/ContactDirectory.h"

#include "hostsim/PresenceValue.h"
#include "hostsim/TextUtils.h"

#include <map>
#include <set>

namespace hostsim {

namespace {

const std::size_t fixedFieldCount = 4; // kind | sign-in name | display name | presence

// Parses one line into an entry; the cross-line rules (one user, unique names) are the caller's.
class LineParser {
public:
    LineParser(const std::wstring& line, unsigned number) : fields_(splitFields(line, L'|')), number_(number) {}

    // False with the message in `error`.
    bool parse(bool& isUser, DirectoryEntry& entry, std::wstring& error)
    {
        if (fields_.size() < fixedFieldCount) {
            error = L"expected at least 4 fields (kind | sign-in name | display name | presence), found " +
                    std::to_wstring(fields_.size());
            return false;
        }
        const std::wstring kind = toLower(fields_[0]);
        if (kind != L"user" && kind != L"contact") {
            error = L"unknown kind '" + fields_[0] + L"' (expected user or contact)";
            return false;
        }
        isUser = kind == L"user";
        entry.line = number_;
        fakehost::ContactRecord& record = entry.record;
        record.signinName = fields_[1];
        if (record.signinName.empty()) return fail(error, L"the sign-in name is empty");
        if (record.signinName.find_first_of(L" \t") != std::wstring::npos)
            return fail(error, L"the sign-in name '" + record.signinName + L"' contains a blank");
        record.friendlyName = fields_[2];
        const std::optional<long> presence = parsePresence(fields_[3]);
        if (!presence) {
            return fail(error, L"unknown presence '" + fields_[3] + L"' (expected " + PresenceChoices + L")");
        }
        record.presence = *presence;
        record.presenceText = defaultPresenceText(*presence);
        for (std::size_t i = fixedFieldCount; i < fields_.size(); ++i)
            if (!parseField(fields_[i], entry, error)) return false;
        return true;
    }

private:
    static bool fail(std::wstring& error, const std::wstring& message)
    {
        error = message;
        return false;
    }

    bool parseField(const std::wstring& field, DirectoryEntry& entry, std::wstring& error)
    {
        const std::size_t equals = field.find(L'=');
        if (field.empty() || equals == std::wstring::npos)
            return fail(error, L"expected key=value, found '" + field + L"'");
        const std::wstring key = toLower(trim(field.substr(0, equals)));
        const std::wstring value = trim(field.substr(equals + 1));
        if (key != L"email" && !seenKeys_.insert(key).second)
            return fail(error, L"field '" + key + L"' is given twice");
        fakehost::ContactRecord& record = entry.record;
        if (key == L"work") record.workNumber = value;
        else if (key == L"home") record.homeNumber = value;
        else if (key == L"mobile") record.mobileNumber = value;
        else if (key == L"other") record.otherNumber = value;
        else if (key == L"userid") record.userId = value;
        else if (key == L"note") record.presenceText = value;
        else if (key == L"email") {
            if (value.empty()) return fail(error, L"the e-mail address is empty");
            entry.emails.push_back(value);
        } else if (key == L"tagged") {
            const std::wstring flag = toLower(value);
            if (flag != L"yes" && flag != L"no")
                return fail(error, L"tagged must be yes or no, found '" + value + L"'");
            record.tagged = flag == L"yes";
        } else {
            return fail(error, L"unknown field '" + key +
                                   L"' (expected work, home, mobile, other, email, userid, note, tagged)");
        }
        return true;
    }

    std::vector<std::wstring> fields_;
    unsigned number_;
    std::set<std::wstring> seenKeys_;
};

bool isIgnored(const std::wstring& line)
{
    const std::wstring trimmed = trim(line);
    return trimmed.empty() || trimmed[0] == L'#';
}

} // namespace

const DirectoryEntry* ContactDirectory::find(const std::wstring& signinName) const
{
    if (user.record.signinName == signinName) return &user;
    for (const DirectoryEntry& contact : contacts)
        if (contact.record.signinName == signinName) return &contact;
    return nullptr;
}

std::optional<std::wstring> ContactDirectory::resolve(const std::wstring& email) const
{
    auto owns = [&](const DirectoryEntry& entry) {
        for (const std::wstring& own : entry.emails)
            if (own == email) return true;
        return false;
    };
    if (owns(user)) return user.record.signinName;
    for (const DirectoryEntry& contact : contacts)
        if (owns(contact)) return contact.record.signinName;
    return std::nullopt;
}

std::optional<ContactDirectory> parseDirectory(const std::wstring& text, DirectoryError& error)
{
    ContactDirectory directory;
    bool haveUser = false;
    std::map<std::wstring, unsigned> signinLines;
    std::map<std::wstring, unsigned> emailLines;
    const std::vector<std::wstring> lines = splitLines(text);
    for (std::size_t index = 0; index < lines.size(); ++index) {
        const unsigned number = static_cast<unsigned>(index + 1);
        if (isIgnored(lines[index])) continue;
        auto failAt = [&](const std::wstring& message) {
            error = DirectoryError{number, message};
            return std::nullopt;
        };
        bool isUser = false;
        DirectoryEntry entry;
        std::wstring message;
        if (!LineParser(lines[index], number).parse(isUser, entry, message)) return failAt(message);
        if (isUser && haveUser) {
            return failAt(L"a second user line (the first is on line " + std::to_wstring(directory.user.line) + L")");
        }
        const auto known = signinLines.find(entry.record.signinName);
        if (known != signinLines.end()) {
            return failAt(L"the sign-in name '" + entry.record.signinName + L"' is already on line " +
                          std::to_wstring(known->second));
        }
        signinLines[entry.record.signinName] = number;
        for (const std::wstring& email : entry.emails) {
            const auto owner = emailLines.find(email);
            if (owner != emailLines.end() && owner->second != number) {
                return failAt(L"the e-mail address '" + email + L"' is already on line " +
                              std::to_wstring(owner->second));
            }
            emailLines[email] = number;
        }
        if (isUser) {
            directory.user = entry;
            haveUser = true;
        } else {
            directory.contacts.push_back(entry);
        }
    }
    if (!haveUser) {
        error = DirectoryError{0, L"no user line: the directory needs the signed-in user"};
        return std::nullopt;
    }
    return directory;
}

std::optional<ContactDirectory> loadDirectory(const std::wstring& path, std::wstring& error)
{
    const std::optional<std::wstring> text = readUtf8File(path);
    if (!text) {
        error = path + L": cannot read the file";
        return std::nullopt;
    }
    DirectoryError parseError;
    std::optional<ContactDirectory> directory = parseDirectory(*text, parseError);
    if (!directory) {
        error = path + (parseError.line ? L":" + std::to_wstring(parseError.line) : std::wstring()) + L": " +
                parseError.message;
    }
    return directory;
}

} // namespace hostsim
