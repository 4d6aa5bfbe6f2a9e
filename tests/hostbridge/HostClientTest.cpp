// The module's one slot for the host's class object and the host extension API calls behind every answer:
// contact lookups, the signed-in user, watching and tagging, participant lists and the conversations they
// start, each host failure answered as specified.
#include "ExtensionProvider/ExtensionProviderClient.h"
#include "support/LateBoundAnswers.h"
#include "support/ModuleFixture.h"

#include <atomic>

using fakehost::HostMethod;
namespace client = ExtensionProviderClient;

namespace {

constexpr HRESULT kNotFound = static_cast<HRESULT>(0x8100030A);

// A BSTR array with the given lower bound; null entries stay null BSTRs.
SafeArray participants(const std::vector<const wchar_t*>& names, LONG lowerBound = 0)
{
    SAFEARRAYBOUND bound{static_cast<ULONG>(names.size()), lowerBound};
    SafeArray array(SafeArrayCreate(VT_BSTR, 1, &bound));
    for (LONG index = lowerBound; index < lowerBound + static_cast<LONG>(names.size()); ++index)
        SafeArrayPutElement(array.get(), &index, Bstr(names[index - lowerBound]).get());
    return array;
}

// The names a participant list keeps, which always come as a zero-based array.
Strings kept(SAFEARRAY* list)
{
    return elementsOf<std::wstring>(Variant::fromSafeArray(client::removeDuplicatesAndClientUser(list).detach()), VT_BSTR);
}

// The module fixture's fake host with the signed-in user "me" and the contact "bob"; the fixture's worker
// goes at once, so that each test starts from an empty log.
struct HostClient : ModuleFixture {
    void SetUp() override
    {
        ModuleFixture::SetUp();
        stopWorker();
        host().clearLog();
        host().setClientUser({L"me", L"me-id"});
        addContact(L"bob", L"bob-id");
    }
    void addContact(const std::wstring& name, const std::wstring& id) { host().addContact({name, id, L"Friendly " + name}); }
    HRESULT lookUp(const wchar_t* name, ComPtr<IContact>& contact) { return client::getContact(Bstr(name).get(), contact); }
    static std::wstring signinNameOf(const ComPtr<IContact>& contact)
    {
        Bstr name;
        return contact && SUCCEEDED(contact->get_SigninName(name.out())) ? name.str() : L"<none>";
    }
};

} // namespace

TEST_F(HostClient, TheSlotHoldsOneClassObjectUntilReleased)
{
    ComPtr<IClassFactory> factory = host().classObject();
    host().revokeClassObject();
    auto other = fakehost::FakeHost::create();
    ASSERT_EQ(other->registerClassObject(), S_OK);
    EXPECT_EQ(hostaccess::fetchHostClassObject(), S_FALSE);
    EXPECT_TRUE(hostaccess::GetLogger() && other->callCount(HostMethod::CreateLogger) == 0u) << "the slot still holds the first host";
    other->revokeClassObject();
    other->shutdown();

    const auto references = [&] {
        factory->AddRef();
        return factory->Release();
    };
    const ULONG heldWithSlot = references();
    hostaccess::releaseHostClassObject();
    EXPECT_EQ(references(), heldWithSlot - 1);
    hostaccess::releaseHostClassObject(); // a second release finds nothing to let go
    EXPECT_TRUE(hostaccess::fetchHostClassObject() == REGDB_E_CLASSNOTREG && !hostaccess::hasHostClassObject());
}

TEST_F(HostClient, AccessorsRunAlongsideFetchAndRelease)
{
    std::atomic<bool> stop{false};
    std::atomic<int> created{0};
    Threads readers(4, [&] { while (!stop) created += ComPtr<IIMAndPresence>(hostaccess::GetIMAndPresence()) ? 1 : 0; });
    Threads(1, [] {
        CoInitializeEx(nullptr, COINIT_MULTITHREADED);
        for (int round = 0; round < 200; ++round) {
            hostaccess::releaseHostClassObject();
            hostaccess::fetchHostClassObject();
        }
        CoUninitialize();
    });
    while (created < 100) std::this_thread::yield(); // the slot stays full now: readers must succeed
    stop = true;
}

// A name with an equals sign after its first character is an Exchange name: the host is asked by the user
// id after the last one.
TEST_F(HostClient, NamesAreLookedUpByUriOrByTheUserIdAfterTheLastEquals)
{
    const struct { const wchar_t *name, *found; bool byUserId; const wchar_t* key; } rows[] = {
        {L"sip:alice@example.com", L"sip:alice@example.com", false, L"sip:alice@example.com"},
        {L"=abc", L"=abc", false, L"=abc"},
        {L"/o=Org/ou=Site/cn=Recipients/cn=jsmith", L"jsmith@example.com", true, L"jsmith"},
        {L"a=b=c", L"c@example.com", true, L"c"},
        {L"abc=", L"nobody@example.com", true, L""},
    };
    for (const auto& row : rows) addContact(row.found, row.key);
    for (const auto& row : rows) {
        SCOPED_TRACE(narrow(row.name));
        host().forgetRecords();
        ComPtr<IContact> contact;
        ASSERT_EQ(lookUp(row.name, contact), S_OK);
        EXPECT_EQ(signinNameOf(contact), row.found);
        EXPECT_EQ(host().userIdLookups().size() + host().uriLookups().size(), 1u);
        EXPECT_EQ(row.byUserId ? host().userIdLookups() : host().uriLookups(), Strings{row.key});
    }
}

TEST_F(HostClient, EveryFailedLookupAnswersContactNotFound)
{
    ComPtr<IContact> contact;
    ASSERT_EQ(lookUp(L"bob", contact), S_OK);
    IContact* const held = contact.get();
    EXPECT_EQ(lookUp(L"stranger", contact), kNotFound);
    EXPECT_EQ(lookUp(L"cn=stranger", contact), kNotFound);
    host().answerEmpty(HostMethod::GetContact, 1);
    EXPECT_EQ(lookUp(L"bob", contact), kNotFound);
    host().answerWrongObject(HostMethod::GetContact, 1);
    EXPECT_TRUE(lookUp(L"bob", contact) == kNotFound && host().logged(L"Unable to QueryInterface returned IDispatch for IContact"));
    host().failMethod(HostMethod::CreateIMAndPresence, E_FAIL, 1);
    EXPECT_TRUE(lookUp(L"bob", contact) == kNotFound && host().logged(L"could not create a IIMAndPresence object"));
    EXPECT_EQ(contact.get(), held);
    ASSERT_EQ(lookUp(L"me", contact), S_OK) << "a found contact replaces what the holder held";
    EXPECT_EQ(signinNameOf(contact), L"me");
}

// The user's name and its failures as Office sees them are run by the UC client's Uri and the Messenger
// service; here the null name behind an empty Uri, the interface failure, and holders left alone.
TEST_F(HostClient, TheClientUsersJidIsItsSigninNameIfTheHostCanTell)
{
    Bstr jid;
    host().failMethod(HostMethod::GetSigninName, E_ACCESSDENIED, 1);
    ASSERT_EQ(client::getClientUserJid(jid), S_OK) << "an unreadable name is still success";
    EXPECT_EQ(jid.get(), nullptr);
    jid = Bstr(L"stale");
    ComPtr<IContact> user;
    host().answerWrongObject(HostMethod::GetLoggedInUser, 1);
    EXPECT_EQ(client::getClientUserContact(user), E_NOINTERFACE);
    host().answerEmpty(HostMethod::GetLoggedInUser, 1);
    EXPECT_EQ(client::getClientUserContact(user), E_FAIL);
    host().clearClientUser();
    EXPECT_TRUE(client::getClientUserJid(jid) == E_FAIL && jid.str() == L"stale" && !user);
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

TEST_F(HostClient, WithoutTheHostClassObjectEveryOperationFailsQuietlyUntilTheNextFetch)
{
    hostaccess::releaseHostClassObject();
    host().resetCallCounts();
    const Bstr bob(L"bob");
    ComPtr<IContact> contact;
    Bstr jid;
    SafeArray names = SafeArray::ofStrings({L"bob", L"carol"});
    EXPECT_EQ(
        (std::vector<HRESULT>{client::getContact(bob.get(), contact), client::getClientUserContact(contact), client::getClientUserJid(jid),
                              client::startWatchingContact(bob.get()), client::TagContact(bob.get(), VARIANT_TRUE),
                              client::startCall(names.get()), client::startChat(names.get(), nullptr)}),
        (std::vector<HRESULT>{kNotFound, E_FAIL, E_FAIL, E_FAIL, E_FAIL, E_FAIL, E_FAIL}));
    EXPECT_FALSE(client::isClientLoggedIn());
    for (int method = 0; method < static_cast<int>(HostMethod::Count); ++method)
        EXPECT_EQ(host().callCount(static_cast<HostMethod>(method)), 0u) << "host method " << method;
    EXPECT_TRUE(host().logRecords().empty());
    ASSERT_EQ(hostaccess::fetchHostClassObject(), S_OK);
    EXPECT_TRUE(client::isClientLoggedIn());
}

TEST_F(HostClient, ParticipantListsHoldEachReadableOtherNameOnce)
{
    const struct { std::vector<const wchar_t*> names; LONG lowerBound; Strings kept; } rows[] = {
        {{L"me", L"carol", L"bob", L"Bob", L"carol", L"me"}, 0, {L"carol", L"bob", L"Bob"}},
        {{L"bob ", L"sip:bob", L"BOB", L"Me", L" me"}, 0, {L"bob ", L"sip:bob", L"BOB", L"Me", L" me"}},
        {{nullptr, L"", L"bob", nullptr}, 0, {L"", L"bob"}},
        {{L"bob", L"carol", L"bob"}, 5, {L"bob", L"carol"}},
    };
    for (const auto& row : rows) EXPECT_EQ(kept(participants(row.names, row.lowerBound).get()), row.kept);

    // Nobody from a foreign array, nor when the user is unknown.
    SAFEARRAYBOUND bounds[2] = {{2, 0}, {2, 0}};
    SafeArray twoDimensions(SafeArrayCreate(VT_BSTR, 2, bounds));
    const SafeArray numbers = SafeArray::ofInt32s({1, 2});
    for (SAFEARRAY* foreign : {numbers.get(), static_cast<SAFEARRAY*>(nullptr), twoDimensions.get()})
        EXPECT_TRUE(kept(foreign).empty());

    host().failMethod(HostMethod::GetLoggedInUser);
    EXPECT_TRUE(kept(participants({L"bob", L"carol"}).get()).empty());
    EXPECT_EQ(client::startCall(participants({L"bob"}).get()), S_OK);
    EXPECT_EQ(client::startChat(participants({L"bob", L"carol"}).get(), nullptr), S_OK);
    EXPECT_TRUE(host().conversations().empty());
}

// The Messenger and UC conversation tables run the kinds, the lists and their bounds through startCall and
// startChat; what only these calls show: a chat with one name takes it as given, an empty list is logged.
TEST_F(HostClient, ConversationFailuresArePassedThrough)
{
    EXPECT_EQ(client::startChat(participants({L"me"}, 3).get(), nullptr), S_OK);
    EXPECT_EQ(client::startCall(participants({L"me"}).get()), S_OK);
    EXPECT_TRUE(host().conversations().size() == 1u && host().conversations()[0].participants == Strings{L"me"});
    EXPECT_TRUE(host().logged(L"cannot start conversation - nothing in list"));
    const HRESULT busy = static_cast<HRESULT>(0x80040202);
    host().failMethod(HostMethod::MakeCall, busy);
    host().failMethod(HostMethod::MakeConferenceCall, E_ACCESSDENIED);
    host().failMethod(HostMethod::StartInstantMessage, busy);
    host().failMethod(HostMethod::StartGroupChat, E_OUTOFMEMORY);
    const SafeArray one = participants({L"bob"}), two = participants({L"bob", L"carol"});
    EXPECT_EQ((std::vector<HRESULT>{client::startCall(one.get()), client::startCall(two.get()), client::startChat(one.get(), nullptr),
                                    client::startChat(two.get(), nullptr)}),
              (std::vector<HRESULT>{busy, E_ACCESSDENIED, busy, E_OUTOFMEMORY}));

    host().answerEmpty(HostMethod::CreatePhone);
    host().failMethod(HostMethod::CreateIMAndPresence);
    host().resetCallCounts();
    EXPECT_EQ(client::startCall(one.get()), E_FAIL);
    EXPECT_EQ(host().callCount(HostMethod::GetLoggedInUser), 0u) << "nothing else is asked without a phone";
    EXPECT_EQ(client::startChat(one.get(), nullptr), E_FAIL);
}
