#include "hostsim/ContactDirectory.h"

#include "ToolTestSupport.h"

#include <gtest/gtest.h>

#include <set>

using hostsim::ContactDirectory;
using hostsim::DirectoryError;
using hostsim::parseDirectory;

namespace {

TEST(ContactDirectory, DemoDirectoryHoldsTheUserAndADozenContactsInEveryPresence)
{
    std::wstring error;
    const std::optional<ContactDirectory> directory =
        hostsim::loadDirectory(tooltest::besideTestProgram(L"demo-directory.txt"), error);
    ASSERT_TRUE(directory) << error;
    EXPECT_EQ(L"anna.berg@quillon.example", directory->user.record.signinName);
    EXPECT_EQ(12u, directory->contacts.size());
    std::set<long> presences;
    for (const hostsim::DirectoryEntry& contact : directory->contacts) {
        presences.insert(contact.record.presence);
        EXPECT_FALSE(contact.record.friendlyName.empty()) << contact.line;
        EXPECT_FALSE(contact.emails.empty()) << contact.line;
    }
    EXPECT_EQ((std::set<long>{1, 2, 3, 4, 5}), presences);
    EXPECT_EQ(L"hiro.tanaka@quillon.example", directory->resolve(L"h.tanaka@partner.example"));
    EXPECT_EQ(L"Eva Novák", directory->find(L"eva.novak@quillon.example")->record.friendlyName);
}

TEST(ContactDirectory, ReadsEveryFieldAndDefaultsThePresenceText)
{
    DirectoryError error;
    const std::optional<ContactDirectory> directory = parseDirectory(
        L"# comment\r\n"
        L"\r\n"
        L"USER|anna@q.example|Anna Berg|1|work=+1 555 0100|email=anna@corp.example\r\n"
        L"  contact | bo@q.example | Bo Lind | dnd | home = 22 | mobile=33 | other=44 | userid=BLIND | "
        L"note=In a meeting | tagged=YES | email=bo@corp.example | email=b.lind@corp.example\r\n"
        L"contact | cy@q.example | | Offline\r\n",
        error);
    ASSERT_TRUE(directory) << error.line << L": " << error.message;
    EXPECT_EQ(L"Anna Berg", directory->user.record.friendlyName);
    EXPECT_EQ(L"+1 555 0100", directory->user.record.workNumber);
    EXPECT_EQ(L"Available", directory->user.record.presenceText);
    EXPECT_EQ(3u, directory->user.line);
    ASSERT_EQ(2u, directory->contacts.size());
    const fakehost::ContactRecord& bo = directory->contacts[0].record;
    EXPECT_EQ(3, bo.presence);
    EXPECT_EQ(L"22", bo.homeNumber);
    EXPECT_EQ(L"33", bo.mobileNumber);
    EXPECT_EQ(L"44", bo.otherNumber);
    EXPECT_EQ(L"BLIND", bo.userId);
    EXPECT_EQ(L"In a meeting", bo.presenceText);
    EXPECT_TRUE(bo.tagged);
    EXPECT_EQ(L"bo@q.example", directory->resolve(L"b.lind@corp.example"));
    EXPECT_EQ(L"anna@q.example", directory->resolve(L"anna@corp.example"));
    EXPECT_FALSE(directory->resolve(L"nobody@corp.example"));
    EXPECT_EQ(5, directory->contacts[1].record.presence);
    EXPECT_EQ(L"", directory->contacts[1].record.friendlyName);
    EXPECT_EQ(L"Offline", directory->contacts[1].record.presenceText);
}

struct BadLine {
    const wchar_t* text;
    unsigned line;
    const wchar_t* message;
};

TEST(ContactDirectory, ABadLineIsNamedByItsNumberAndWhatIsWrong)
{
    const BadLine cases[] = {
        {L"user | a@q | A\n", 1, L"expected at least 4 fields"},
        {L"# c\n\nperson | a@q | A | 1\n", 3, L"unknown kind 'person'"},
        {L"user | a@q | A | sleepy\n", 1, L"unknown presence 'sleepy'"},
        {L"user | a@q | A | 6\n", 1, L"unknown presence '6'"},
        {L"user |  | A | 1\n", 1, L"the sign-in name is empty"},
        {L"user | a b@q | A | 1\n", 1, L"contains a blank"},
        {L"user | a@q | A | 1 | fax=1\n", 1, L"unknown field 'fax'"},
        {L"user | a@q | A | 1 | work\n", 1, L"expected key=value, found 'work'"},
        {L"user | a@q | A | 1 | work=1 | work=2\n", 1, L"field 'work' is given twice"},
        {L"user | a@q | A | 1 | tagged=maybe\n", 1, L"tagged must be yes or no"},
        {L"user | a@q | A | 1 | email=\n", 1, L"the e-mail address is empty"},
        {L"user | a@q | A | 1\ncontact | b@q | B | 1\ncontact | a@q | C | 1\n", 3,
         L"the sign-in name 'a@q' is already on line 1"},
        {L"user | a@q | A | 1\n# c\nuser | b@q | B | 1\n", 3, L"a second user line (the first is on line 1)"},
        {L"user | a@q | A | 1 | email=x@c\ncontact | b@q | B | 1 | email=x@c\n", 2,
         L"the e-mail address 'x@c' is already on line 1"},
        {L"contact | b@q | B | 1\n", 0, L"no user line"},
        {L"", 0, L"no user line"},
    };
    for (const BadLine& bad : cases) {
        DirectoryError error;
        EXPECT_FALSE(parseDirectory(bad.text, error)) << bad.text;
        EXPECT_EQ(bad.line, error.line) << bad.text;
        EXPECT_NE(std::wstring::npos, error.message.find(bad.message)) << bad.text << L" gave: " << error.message;
    }
}

TEST(ContactDirectory, LoadingNamesTheFileAndLine)
{
    tooltest::TempFile file(L"directory.txt", "user | a@q | A | 1\ncontact | b@q | B | sleepy\n");
    std::wstring error;
    EXPECT_FALSE(hostsim::loadDirectory(file.path(), error));
    EXPECT_EQ(0u, error.find(file.path() + L":2: unknown presence 'sleepy'")) << error;

    EXPECT_FALSE(hostsim::loadDirectory(file.path() + L".missing", error));
    EXPECT_EQ(file.path() + L".missing: cannot read the file", error);
}

TEST(ContactDirectory, LoadingReadsUtf8WithOrWithoutAByteOrderMark)
{
    tooltest::TempFile file(L"bom-directory.txt", "\xEF\xBB\xBFuser | a@q | \xC3\x85sa | away\n");
    std::wstring error;
    const std::optional<ContactDirectory> directory = hostsim::loadDirectory(file.path(), error);
    ASSERT_TRUE(directory) << error;
    EXPECT_EQ(L"\u00C5sa", directory->user.record.friendlyName);
    EXPECT_EQ(2, directory->user.record.presence);
}

} // namespace
