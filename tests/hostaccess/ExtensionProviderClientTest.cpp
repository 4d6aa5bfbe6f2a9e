#include "ExtensionProvider/ExtensionProviderClient.h"

#include "HostAccessFixture.h"

#include "extensionsutils/Bstr.h"

#include <gtest/gtest.h>

using extensionsutils::Bstr;
using extensionsutils::ComPtr;
using fakehost::HostMethod;

namespace client = ExtensionProviderClient;

namespace {

constexpr HRESULT kNotFound = static_cast<HRESULT>(0x8100030A);

class ExtensionProviderClientTest : public HostAccessFixture {
protected:
    std::wstring signinNameOf(const ComPtr<IContact>& contact)
    {
        Bstr name;
        EXPECT_EQ(contact->get_SigninName(name.out()), S_OK);
        return name.str();
    }

    HRESULT lookUp(const wchar_t* name, ComPtr<IContact>& contact)
    {
        const Bstr text(name);
        return client::getContact(text.get(), contact);
    }
};

// ----- getContact -----

TEST_F(ExtensionProviderClientTest, LooksUpANameWithoutEqualsByUri)
{
    addContact(L"sip:alice@example.com", L"alice");
    ComPtr<IContact> contact;

    ASSERT_EQ(lookUp(L"sip:alice@example.com", contact), S_OK);
    EXPECT_EQ(signinNameOf(contact), L"sip:alice@example.com");
    EXPECT_EQ(host().uriLookups(), std::vector<std::wstring>{L"sip:alice@example.com"});
    EXPECT_EQ(host().callCount(HostMethod::GetContactByUserId), 0u);
    EXPECT_EQ(onlyRecordOf(L"looking for contact by uri").hostLevel, 5);
    EXPECT_EQ(onlyRecordOf(L"looking for contact by uri").function, L"ExtensionProviderClient::getContact");
    EXPECT_EQ(onlyRecordOf(L"got a request for contact - sip:alice@example.com").hostLevel, 3);
}

TEST_F(ExtensionProviderClientTest, ANameWhoseOnlyEqualsOpensItIsAUri)
{
    addContact(L"=abc", L"abc");
    ComPtr<IContact> contact;

    ASSERT_EQ(lookUp(L"=abc", contact), S_OK);
    EXPECT_EQ(host().uriLookups(), std::vector<std::wstring>{L"=abc"});
    EXPECT_EQ(host().callCount(HostMethod::GetContactByUserId), 0u);
}

TEST_F(ExtensionProviderClientTest, ExchangeNamesAreLookedUpByWhatFollowsTheLastEquals)
{
    addContact(L"jsmith@example.com", L"jsmith");
    addContact(L"c@example.com", L"c");
    addContact(L"nobody@example.com", L"");
    ComPtr<IContact> contact;

    ASSERT_EQ(lookUp(L"/o=Org/ou=Site/cn=Recipients/cn=jsmith", contact), S_OK);
    EXPECT_EQ(signinNameOf(contact), L"jsmith@example.com");
    ASSERT_EQ(lookUp(L"a=b=c", contact), S_OK);
    EXPECT_EQ(signinNameOf(contact), L"c@example.com");
    ASSERT_EQ(lookUp(L"abc=", contact), S_OK);
    EXPECT_EQ(signinNameOf(contact), L"nobody@example.com");

    EXPECT_EQ(host().userIdLookups(), (std::vector<std::wstring>{L"jsmith", L"c", L""}));
    EXPECT_EQ(host().callCount(HostMethod::GetContact), 0u);
    EXPECT_EQ(host().loggedCount(L"signin name contains '=' assuming EXCHANGE format"), 3u);
    EXPECT_EQ(host().loggedCount(L"looking for contact by userId"), 3u);
    EXPECT_EQ(host().recordsOf(L"looking for contact by userId")[0].function, L"ExtensionProviderClient::getContact");
}

TEST_F(ExtensionProviderClientTest, AFoundContactReplacesWhatTheHolderHeld)
{
    addContact(L"carol", L"carol-id");
    ComPtr<IContact> contact;
    ASSERT_EQ(lookUp(L"bob", contact), S_OK);

    ASSERT_EQ(lookUp(L"carol", contact), S_OK);
    EXPECT_EQ(signinNameOf(contact), L"carol");
}

TEST_F(ExtensionProviderClientTest, EveryFailedLookupAnswersContactNotFoundAndKeepsTheHolder)
{
    ComPtr<IContact> contact;
    ASSERT_EQ(lookUp(L"bob", contact), S_OK);
    IContact* const held = contact.get();

    EXPECT_EQ(lookUp(L"stranger", contact), kNotFound);
    EXPECT_EQ(lookUp(L"cn=stranger", contact), kNotFound);
    host().answerEmpty(HostMethod::GetContact);
    EXPECT_EQ(lookUp(L"bob", contact), kNotFound);
    EXPECT_EQ(host().loggedCount(L"pIMAndPresence->GetContact failed"), 3u);

    host().answerWrongObject(HostMethod::GetContact);
    EXPECT_EQ(lookUp(L"bob", contact), kNotFound);
    EXPECT_EQ(onlyRecordOf(L"Unable to QueryInterface returned IDispatch for IContact").hostLevel, 1);

    host().failMethod(HostMethod::CreateIMAndPresence);
    EXPECT_EQ(lookUp(L"bob", contact), kNotFound);
    EXPECT_EQ(onlyRecordOf(L"could not create a IIMAndPresence object").hostLevel, 1);

    EXPECT_EQ(contact.get(), held);
}

TEST_F(ExtensionProviderClientTest, LogRecordsNameTheOperationAndItsSource)
{
    ComPtr<IContact> contact;
    lookUp(L"stranger", contact);

    const fakehost::LogRecord record = onlyRecordOf(L"pIMAndPresence->GetContact failed");
    EXPECT_EQ(record.function, L"ExtensionProviderClient::getContact");
    EXPECT_EQ(record.file, L"extensions/tavomessenger/ExtensionProvider/ExtensionProviderClient");
    EXPECT_GT(record.line, 0);
}

// ----- the signed-in user -----

TEST_F(ExtensionProviderClientTest, TheClientUsersJidIsItsSigninName)
{
    Bstr jid;
    ASSERT_EQ(client::getClientUserJid(jid), S_OK);
    EXPECT_EQ(jid.str(), L"me");
    EXPECT_EQ(onlyRecordOf(L"got signin name: me").hostLevel, 4);
}

TEST_F(ExtensionProviderClientTest, AnUnreadableSigninNameIsStillSuccessWithANullJid)
{
    host().failMethod(HostMethod::GetSigninName, E_ACCESSDENIED);
    Bstr jid(L"stale");

    ASSERT_EQ(client::getClientUserJid(jid), S_OK);
    EXPECT_EQ(jid.get(), nullptr);
}

TEST_F(ExtensionProviderClientTest, AnUnknownClientUserFailsTheJid)
{
    host().clearClientUser();
    Bstr jid(L"stale");

    EXPECT_EQ(client::getClientUserJid(jid), E_FAIL);
    EXPECT_EQ(jid.str(), L"stale");
    EXPECT_TRUE(host().logged(L"call to GetLoggedInUser failed"));
    EXPECT_TRUE(host().logged(L"Unable to get ClientUser contact"));
}

TEST_F(ExtensionProviderClientTest, TheClientUserContactFailsWithoutProviderManagementOrUser)
{
    ComPtr<IContact> user;
    host().answerEmpty(HostMethod::GetLoggedInUser);
    EXPECT_EQ(client::getClientUserContact(user), E_FAIL);
    EXPECT_TRUE(host().logged(L"call to GetLoggedInUser failed"));

    host().failMethod(HostMethod::CreateProviderManagement);
    EXPECT_EQ(client::getClientUserContact(user), E_FAIL);
    EXPECT_TRUE(host().logged(L"could not create ProviderManagement"));
    EXPECT_FALSE(user);
}

TEST_F(ExtensionProviderClientTest, TheClientUserContactThatIsNoContactFails)
{
    host().answerWrongObject(HostMethod::GetLoggedInUser);
    ComPtr<IContact> user;
    EXPECT_EQ(client::getClientUserContact(user), E_NOINTERFACE);
    EXPECT_FALSE(user);

    Bstr jid;
    EXPECT_EQ(client::getClientUserJid(jid), E_FAIL);
}

TEST_F(ExtensionProviderClientTest, OnlySignedInValueZeroMeansLoggedIn)
{
    EXPECT_TRUE(client::isClientLoggedIn());

    host().setSignedInValue(1);
    EXPECT_FALSE(client::isClientLoggedIn());
    host().setSignedInValue(-1);
    EXPECT_FALSE(client::isClientLoggedIn());
    EXPECT_EQ(host().loggedCount(L"isSignedIn is not 0, returning false"), 2u);
}

TEST_F(ExtensionProviderClientTest, AHostThatCannotTellIsNotLoggedIn)
{
    host().failMethod(HostMethod::IsSignedIn);
    EXPECT_FALSE(client::isClientLoggedIn());
    EXPECT_EQ(onlyRecordOf(L"providerManagement->IsSignedIn failed").hostLevel, 1);

    host().answerEmpty(HostMethod::CreateProviderManagement);
    EXPECT_FALSE(client::isClientLoggedIn());
    EXPECT_EQ(onlyRecordOf(L"GetProviderManagement failed").hostLevel, 1);
}

// ----- watching and tagging -----

TEST_F(ExtensionProviderClientTest, WatchingAndTaggingReachTheHostWithItsResults)
{
    const Bstr bob(L"bob");
    EXPECT_EQ(client::startWatchingContact(bob.get()), S_OK);
    EXPECT_EQ(host().watchRequests(), std::vector<std::wstring>{L"bob"});

    EXPECT_EQ(client::TagContact(bob.get(), VARIANT_TRUE), S_OK);
    EXPECT_EQ(client::TagContact(bob.get(), VARIANT_FALSE), S_OK);
    const auto tags = host().tagRequests();
    ASSERT_EQ(tags.size(), 2u);
    EXPECT_EQ(tags[0].first, L"bob");
    EXPECT_EQ(tags[0].second, -1) << "VARIANT_TRUE widened to 32 bits";
    EXPECT_EQ(tags[1].second, 0);

    const HRESULT refused = static_cast<HRESULT>(0x80040201);
    host().failMethod(HostMethod::WatchContact, refused);
    host().failMethod(HostMethod::TagContact, refused);
    EXPECT_EQ(client::startWatchingContact(bob.get()), refused);
    EXPECT_EQ(client::TagContact(bob.get(), VARIANT_TRUE), refused);
}

TEST_F(ExtensionProviderClientTest, WatchingAndTaggingFailWithoutIMAndPresence)
{
    host().failMethod(HostMethod::CreateIMAndPresence);
    const Bstr bob(L"bob");

    EXPECT_EQ(client::startWatchingContact(bob.get()), E_FAIL);
    EXPECT_TRUE(host().logged(L"could not create a IIMAndPresence object"));
    EXPECT_EQ(client::TagContact(bob.get(), VARIANT_TRUE), E_FAIL);
    EXPECT_TRUE(host().logged(L"imAndPresence is nullptr"));
    EXPECT_TRUE(host().watchRequests().empty());
    EXPECT_TRUE(host().tagRequests().empty());
}

// ----- without the host class object -----

TEST_F(ExtensionProviderClientTest, EveryOperationFailsQuietlyWithoutTheHostClassObject)
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
    extensionsutils::SafeArray kept = client::removeDuplicatesAndClientUser(participants.get());
    ASSERT_TRUE(kept);
    std::vector<std::wstring> names{L"unchanged"};
    ASSERT_EQ(extensionsutils::readStrings(kept.get(), names), S_OK);
    EXPECT_TRUE(names.empty());

    for (int method = 0; method < static_cast<int>(HostMethod::Count); ++method)
        EXPECT_EQ(host().callCount(static_cast<HostMethod>(method)), 0u) << "host method " << method;
    EXPECT_TRUE(host().logRecords().empty());
    EXPECT_FALSE(contact);
}

TEST_F(ExtensionProviderClientTest, OperationsWorkAgainAfterTheNextFetch)
{
    hostaccess::releaseHostClassObject();
    EXPECT_FALSE(client::isClientLoggedIn());

    ASSERT_EQ(hostaccess::fetchHostClassObject(), S_OK);
    EXPECT_TRUE(client::isClientLoggedIn());
}

} // namespace
