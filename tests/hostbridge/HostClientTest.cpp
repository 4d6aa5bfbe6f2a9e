// The host extension API calls behind every answer: contact lookups by address or Exchange name, the
// signed-in user, watching and tagging, and each host failure answered as specified.

#include "HostFixture.h"

#include "extensionsutils/Utf8.h"

using extensionsutils::Bstr;
using extensionsutils::ComPtr;
using fakehost::HostMethod;

namespace client = ExtensionProviderClient;

namespace {

constexpr HRESULT kNotFound = static_cast<HRESULT>(0x8100030A);

class HostClient : public HostFixture {
protected:
    HRESULT lookUp(const wchar_t* name, ComPtr<IContact>& contact)
    {
        return client::getContact(Bstr(name).get(), contact);
    }

    std::wstring signinNameOf(const ComPtr<IContact>& contact)
    {
        Bstr name;
        if (!contact || FAILED(contact->get_SigninName(name.out()))) return L"<none>";
        return name.str();
    }
};

// A name with an equals sign after its first character is an Exchange name: the host is asked by the user
// id after the last one.
TEST_F(HostClient, NamesAreLookedUpByUriOrByTheUserIdAfterTheLastEquals)
{
    struct Row {
        const wchar_t* name;
        const wchar_t* found;
        bool byUserId;
        const wchar_t* key;
    };
    const Row rows[] = {
        {L"sip:alice@example.com", L"sip:alice@example.com", false, L"sip:alice@example.com"},
        {L"=abc", L"=abc", false, L"=abc"},
        {L"/o=Org/ou=Site/cn=Recipients/cn=jsmith", L"jsmith@example.com", true, L"jsmith"},
        {L"a=b=c", L"c@example.com", true, L"c"},
        {L"abc=", L"nobody@example.com", true, L""},
    };
    addContact(L"sip:alice@example.com", L"alice");
    addContact(L"=abc", L"abc");
    addContact(L"jsmith@example.com", L"jsmith");
    addContact(L"c@example.com", L"c");
    addContact(L"nobody@example.com", L"");
    for (const Row& row : rows) {
        SCOPED_TRACE(extensionsutils::toUtf8(row.name));
        host().forgetRecords();
        ComPtr<IContact> contact;
        ASSERT_EQ(lookUp(row.name, contact), S_OK);
        EXPECT_EQ(signinNameOf(contact), row.found);
        EXPECT_EQ(row.byUserId ? host().userIdLookups() : host().uriLookups(), Names{row.key});
        EXPECT_TRUE((row.byUserId ? host().uriLookups() : host().userIdLookups()).empty());
        const wchar_t* line = row.byUserId ? L"looking for contact by userId" : L"looking for contact by uri";
        ASSERT_EQ(host().recordsOf(line).size(), 1u);
        EXPECT_EQ(host().recordsOf(line)[0].function, L"ExtensionProviderClient::getContact");
    }
}

TEST_F(HostClient, EveryFailedLookupAnswersContactNotFoundAndKeepsTheHolder)
{
    ComPtr<IContact> contact;
    ASSERT_EQ(lookUp(L"bob", contact), S_OK);
    IContact* const held = contact.get();

    EXPECT_EQ(lookUp(L"stranger", contact), kNotFound);
    EXPECT_EQ(lookUp(L"cn=stranger", contact), kNotFound);
    host().answerEmpty(HostMethod::GetContact, 1);
    EXPECT_EQ(lookUp(L"bob", contact), kNotFound);
    EXPECT_EQ(host().loggedCount(L"pIMAndPresence->GetContact failed"), 3u);
    host().answerWrongObject(HostMethod::GetContact, 1);
    EXPECT_EQ(lookUp(L"bob", contact), kNotFound);
    EXPECT_TRUE(host().logged(L"Unable to QueryInterface returned IDispatch for IContact"));
    host().failMethod(HostMethod::CreateIMAndPresence, E_FAIL, 1);
    EXPECT_EQ(lookUp(L"bob", contact), kNotFound);
    EXPECT_TRUE(host().logged(L"could not create a IIMAndPresence object"));
    EXPECT_EQ(contact.get(), held);

    ASSERT_EQ(lookUp(L"me", contact), S_OK) << "a found contact replaces what the holder held";
    EXPECT_EQ(signinNameOf(contact), L"me");
}

TEST_F(HostClient, TheClientUsersJidIsItsSigninNameAndNothingWhenTheHostCannotTell)
{
    Bstr jid;
    ASSERT_EQ(client::getClientUserJid(jid), S_OK);
    EXPECT_EQ(jid.str(), L"me");

    host().failMethod(HostMethod::GetSigninName, E_ACCESSDENIED, 1);
    ASSERT_EQ(client::getClientUserJid(jid), S_OK) << "an unreadable name is still success";
    EXPECT_EQ(jid.get(), nullptr);

    jid = Bstr(L"stale");
    host().answerWrongObject(HostMethod::GetLoggedInUser, 1);
    EXPECT_EQ(client::getClientUserJid(jid), E_FAIL);
    ComPtr<IContact> user;
    host().answerWrongObject(HostMethod::GetLoggedInUser, 1);
    EXPECT_EQ(client::getClientUserContact(user), E_NOINTERFACE);
    host().answerEmpty(HostMethod::GetLoggedInUser, 1);
    EXPECT_EQ(client::getClientUserContact(user), E_FAIL);
    host().failMethod(HostMethod::CreateProviderManagement, E_FAIL, 1);
    EXPECT_EQ(client::getClientUserContact(user), E_FAIL);
    host().clearClientUser();
    EXPECT_EQ(client::getClientUserJid(jid), E_FAIL);
    EXPECT_EQ(jid.str(), L"stale");
    EXPECT_FALSE(user);
}

TEST_F(HostClient, OnlySignedInValueZeroMeansLoggedIn)
{
    EXPECT_TRUE(client::isClientLoggedIn());
    for (long value : {1L, -1L}) {
        host().setSignedInValue(value);
        EXPECT_FALSE(client::isClientLoggedIn()) << value;
    }
    host().setSignedInValue(0);
    host().failMethod(HostMethod::IsSignedIn, E_FAIL, 1);
    EXPECT_FALSE(client::isClientLoggedIn());
    host().answerEmpty(HostMethod::CreateProviderManagement, 1);
    EXPECT_FALSE(client::isClientLoggedIn());
    EXPECT_TRUE(client::isClientLoggedIn());
}

TEST_F(HostClient, WatchingAndTaggingPassTheHostsResultThrough)
{
    const Bstr bob(L"bob");
    EXPECT_EQ(client::startWatchingContact(bob.get()), S_OK);
    EXPECT_EQ(client::TagContact(bob.get(), VARIANT_TRUE), S_OK);
    EXPECT_EQ(client::TagContact(bob.get(), VARIANT_FALSE), S_OK);
    EXPECT_EQ(host().watchRequests(), Names{L"bob"});
    EXPECT_EQ(host().tagRequests(), (std::vector<std::pair<std::wstring, long>>{{L"bob", -1}, {L"bob", 0}}))
        << "VARIANT_TRUE widened to 32 bits";

    const HRESULT refused = static_cast<HRESULT>(0x80040201);
    host().failMethod(HostMethod::WatchContact, refused);
    host().failMethod(HostMethod::TagContact, refused);
    EXPECT_EQ(client::startWatchingContact(bob.get()), refused);
    EXPECT_EQ(client::TagContact(bob.get(), VARIANT_TRUE), refused);
    host().failMethod(HostMethod::CreateIMAndPresence);
    EXPECT_EQ(client::startWatchingContact(bob.get()), E_FAIL);
    EXPECT_EQ(client::TagContact(bob.get(), VARIANT_TRUE), E_FAIL);
}

TEST_F(HostClient, WithoutTheHostClassObjectEveryOperationFailsQuietlyUntilTheNextFetch)
{
    hostaccess::releaseHostClassObject();
    host().resetCallCounts();
    const Bstr bob(L"bob");
    ComPtr<IContact> contact;
    Bstr jid;
    extensionsutils::SafeArray participants = extensionsutils::SafeArray::ofStrings({L"bob", L"carol"});

    EXPECT_EQ(client::getContact(bob.get(), contact), kNotFound);
    EXPECT_EQ(client::getClientUserContact(contact), E_FAIL);
    EXPECT_EQ(client::getClientUserJid(jid), E_FAIL);
    EXPECT_FALSE(client::isClientLoggedIn());
    EXPECT_EQ(client::startWatchingContact(bob.get()), E_FAIL);
    EXPECT_EQ(client::TagContact(bob.get(), VARIANT_TRUE), E_FAIL);
    EXPECT_EQ(client::startCall(participants.get()), E_FAIL);
    EXPECT_EQ(client::startChat(participants.get(), nullptr), E_FAIL);
    Names kept{L"unchanged"};
    ASSERT_EQ(extensionsutils::readStrings(client::removeDuplicatesAndClientUser(participants.get()).get(), kept), S_OK);
    EXPECT_TRUE(kept.empty());
    for (int method = 0; method < static_cast<int>(HostMethod::Count); ++method)
        EXPECT_EQ(host().callCount(static_cast<HostMethod>(method)), 0u) << "host method " << method;
    EXPECT_TRUE(host().logRecords().empty());

    ASSERT_EQ(hostaccess::fetchHostClassObject(), S_OK);
    EXPECT_TRUE(client::isClientLoggedIn());
}

} // namespace
