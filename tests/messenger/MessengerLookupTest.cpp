// How Office 2007/2010 finds people through the Messenger object: GetContact, the user's contact list,
// AddContact, and e-mail resolution answered by the OnContactResolved event.

#include "MessengerFixture.h"

#include "support/LateBoundCall.h"

#include "RawRegistry.h"
#include "SavedRegistryKey.h"

#include "extensionsutils/Bstr.h"

#include <gmock/gmock.h>

using extensionsutils::Bstr;
using extensionsutils::ComPtr;
using extensionsutils::Variant;
using fakehost::HostMethod;
using fakeoffice::FakeOfficeSink;
using fakeoffice::OfficeEvent;
using fakeoffice::OfficeEventJournal;
using ::testing::ElementsAre;

namespace {

const DISPID OnContactResolvedId = 0x41A;

std::wstring signinNameOf(IUnknown* contact)
{
    Bstr name;
    ComPtr<IMessengerContact> messengerContact = ComPtr<IUnknown>(contact).as<IMessengerContact>();
    if (messengerContact) messengerContact->get_SigninName(name.out());
    return name.str();
}

class MessengerLookupTest : public MessengerTest {
protected:
    void SetUp() override
    {
        settings_.clear();
        MessengerTest::SetUp();
    }

    // GetContact late-bound; the contact, or null.
    ComPtr<IMessengerContact> contactFor(const wchar_t* signinName)
    {
        const LateBoundResult found = callByName(lateBound().get(), L"GetContact", DISPATCH_METHOD,
                                                 {Variant::fromString(signinName), Variant::fromString(L"")});
        EXPECT_EQ(S_OK, found.member);
        if (found.value.type() != VT_DISPATCH) return nullptr;
        return ComPtr<IDispatch>(found.value.get()->pdispVal).as<IMessengerContact>();
    }

    HRESULT resolve(const wchar_t* address, IMessengerAdvanced* api = nullptr)
    {
        ComPtr<IMessengerContactResolution> resolution =
            api ? ComPtr<IMessengerAdvanced>(api).as<IMessengerContactResolution>()
                : messenger.as<IMessengerContactResolution>();
        BSTR imAddress = kUnwrittenBstr;
        const HRESULT hr =
            resolution->ResolveContact(ADDRESS_TYPE_SMTP, CONTACT_RESOLUTION_ANY, Bstr(address).get(), &imAddress);
        EXPECT_EQ(kUnwrittenBstr, imAddress) << "the IM address was written";
        return hr;
    }

    std::vector<OfficeEvent> resolvedEvents() const
    {
        std::vector<OfficeEvent> resolved;
        for (const OfficeEvent& event : journal->events())
            if (event.id == OnContactResolvedId) resolved.push_back(event);
        return resolved;
    }

    std::shared_ptr<OfficeEventJournal> journal = std::make_shared<OfficeEventJournal>();

private:
    registrytest::SavedRegistryKey settings_{HKEY_CURRENT_USER, L"Software\\Norvane Works"};
};

TEST_F(MessengerLookupTest, GetContactGivesANewContactOfTheHostsAndAsksTheHostToWatchIt)
{
    ComPtr<IMessengerContact> bob = contactFor(L"bob");
    ASSERT_TRUE(bob);
    EXPECT_EQ(L"bob", signinNameOf(bob.get()));
    EXPECT_THAT(host().watchRequests(), ElementsAre(L"bob"));
    EXPECT_TRUE(logged(L"got a request for contact - bob", 2, L"TavoMessengerAdvanced::GetContact"));
    ComPtr<IMessengerContact> again = contactFor(L"bob");
    EXPECT_FALSE(extensionsutils::sameComObject(bob.get(), again.get()));

    // An Exchange name is looked up by the user id after its last '='.
    ComPtr<IMessengerContact> exchange = contactFor(L"/o=Org/ou=Site/cn=Recipients/cn=carol-id");
    EXPECT_EQ(L"carol", signinNameOf(exchange.get()));
    EXPECT_THAT(host().userIdLookups(), ElementsAre(L"carol-id"));
}

TEST_F(MessengerLookupTest, ANameTheHostDoesNotKnowStillGivesAContactThatIsNotWatched)
{
    ComPtr<IMessengerContact> stranger = contactFor(L"stranger@example.com");
    ASSERT_TRUE(stranger);
    EXPECT_EQ(L"stranger@example.com", signinNameOf(stranger.get()));
    EXPECT_TRUE(host().watchRequests().empty());
    EXPECT_EQ(1, onlyRecordOf(L"ExtensionProvider returned NULL contact.").moduleLevel);
    // Its status is asked of the host on each call.
    addContact(L"stranger@example.com", 3);
    MISTATUS status = MISTATUS_UNKNOWN;
    EXPECT_EQ(S_OK, stranger->get_Status(&status));
    EXPECT_EQ(MISTATUS_DO_NOT_DISTURB, status);
}

TEST_F(MessengerLookupTest, GetContactRefusesAnEmptyNameAndAnswersNotFoundForAnUnreadableContact)
{
    ComPtr<IMessengerAdvanced> api = messengerApi();
    IDispatch* contact = kUnwrittenDispatch;
    EXPECT_EQ(E_FAIL, api->GetContact(nullptr, nullptr, &contact));
    EXPECT_EQ(E_FAIL, api->GetContact(Bstr(L"").get(), nullptr, &contact));
    EXPECT_EQ(E_POINTER, api->GetContact(Bstr(L"bob").get(), nullptr, nullptr));
    EXPECT_TRUE(host().uriLookups().empty());
    host().failMethod(HostMethod::GetHomeNumber);
    EXPECT_EQ(ContactNotFound, api->GetContact(Bstr(L"bob").get(), nullptr, &contact));
    EXPECT_EQ(kUnwrittenDispatch, contact);
    EXPECT_TRUE(logged(L"Unable to create instance of messenger contact, returning not found", 4,
                       L"TavoMessengerAdvanced::GetContact"));
    // A failed watch request does not stop GetContact.
    host().clearFailures();
    host().failMethod(HostMethod::WatchContact);
    EXPECT_TRUE(contactFor(L"bob"));
    EXPECT_EQ(4, onlyRecordOf(L"Start watching failed").moduleLevel);
}

TEST_F(MessengerLookupTest, MyContactsIsANewCollectionOfTheHostsListAllWatched)
{
    host().setContactList({L"bob", L"carol"});
    const LateBoundResult list = callByName(lateBound().get(), L"MyContacts", DISPATCH_PROPERTYGET);
    ASSERT_EQ(VT_DISPATCH, list.value.type());
    ComPtr<IMessengerContacts> contacts = ComPtr<IDispatch>(list.value.get()->pdispVal).as<IMessengerContacts>();
    ASSERT_TRUE(contacts);
    LONG count = 0;
    EXPECT_EQ(S_OK, contacts->get_Count(&count));
    EXPECT_EQ(2, count);
    EXPECT_THAT(host().watchRequests(), ElementsAre(L"bob", L"carol"));
    ComPtr<IDispatch> again;
    ASSERT_EQ(S_OK, messengerApi()->get_MyContacts(again.out()));
    EXPECT_FALSE(extensionsutils::sameComObject(contacts.get(), again.get()));
}

TEST_F(MessengerLookupTest, MyContactsFailsWhenTheHostCannotGiveTheList)
{
    ComPtr<IMessengerAdvanced> api = messengerApi();
    IDispatch* list = kUnwrittenDispatch;
    host().failMethod(HostMethod::GetContacts);
    EXPECT_EQ(E_FAIL, api->get_MyContacts(&list));
    EXPECT_EQ(4, onlyRecordOf(L"pIMAndPresence->GetContacts failed").moduleLevel);
    host().clearFailures();
    host().failMethod(HostMethod::CreateIMAndPresence);
    EXPECT_EQ(E_FAIL, api->get_MyContacts(&list));
    EXPECT_TRUE(host().logged(L"pClassFactory CreateInstance IID_IIMAndPresence failed"));
    EXPECT_EQ(kUnwrittenDispatch, list);
    host().clearFailures();
    host().answerEmpty(HostMethod::GetContacts);
    ComPtr<IDispatch> none;
    EXPECT_EQ(S_OK, api->get_MyContacts(none.out())) << "no list is no error";
}

TEST_F(MessengerLookupTest, AddContactPassesAddressesOfFiveCharactersOrMoreAndAlwaysSucceeds)
{
    ComPtr<IMessengerAdvanced> api = messengerApi();
    for (const wchar_t* address : {L"a@b.c", L"a@bc", static_cast<const wchar_t*>(nullptr)})
        EXPECT_EQ(S_OK, api->AddContact(0, Bstr(address).get()));
    EXPECT_THAT(host().addedContacts(), ElementsAre(L"a@b.c"));
    EXPECT_EQ(2u, host().loggedCount(L"email address string is less than 5 chars - cannot add"));
    host().failMethod(HostMethod::AddContact);
    EXPECT_EQ(S_OK, api->AddContact(0, Bstr(L"dave@example.com").get()));
    EXPECT_EQ(4, onlyRecordOf(L"pIMAndPresence->AddContact failed").moduleLevel);
}

TEST_F(MessengerLookupTest, AResolvedAddressReachesOfficeAsOnContactResolvedNeverAsTheOutParameter)
{
    ComPtr<FakeOfficeSink> sink = FakeOfficeSink::create(DIID_DMessengerEvents, journal);
    ASSERT_EQ(S_OK, sink->advise(messenger.identity()));
    host().setResolutionMode(fakehost::FakeHost::ResolutionMode::Automatic);
    host().setResolutionAnswer(L"bob@example.com", L"bob");
    EXPECT_EQ(E_PENDING, resolve(L"bob@example.com"));
    EXPECT_EQ(E_PENDING, resolve(L"nobody@example.com"));
    ASSERT_TRUE(waitUntil([this] { return host().logged(L"Resolution failed, not notifying clients"); }));
    ASSERT_TRUE(waitUntil([this] { return resolvedEvents().size() == 1; }));
    const OfficeEvent event = resolvedEvents().at(0);
    ASSERT_EQ(4u, event.arguments.size());
    EXPECT_EQ(S_OK, event.arguments[0].get()->lVal);
    EXPECT_EQ(ADDRESS_TYPE_SMTP, event.arguments[1].get()->lVal);
    EXPECT_EQ(L"bob@example.com", stringOf(event.arguments[2]));
    EXPECT_EQ(L"bob", stringOf(event.arguments[3]));
    EXPECT_TRUE(host().logged(L"Resolving contact - bob@example.com Address type: 1 Resolution type: 1"));
    EXPECT_EQ(S_OK, sink->unadvise());
}

TEST_F(MessengerLookupTest, ResolutionDisabledInTheRegistryAsksNobody)
{
    ASSERT_TRUE(registrytest::writeDwordValue(HKEY_CURRENT_USER, L"Software\\Norvane Works\\Unified Communications\\Mivra",
                                              L"DisableResolveContact", 1));
    ComPtr<IMessengerAdvanced> disabled = createMessenger(0).as<IMessengerAdvanced>();
    EXPECT_EQ(S_OK, resolve(L"bob@example.com", disabled.get()));
    EXPECT_TRUE(host().resolveRequests().empty());
    // The setting is read when the object is made: the earlier object still resolves.
    EXPECT_EQ(E_PENDING, resolve(L"bob@example.com"));
    EXPECT_THAT(host().resolveRequests(), ElementsAre(L"bob@example.com"));
}

TEST_F(MessengerLookupTest, AnEmptyAddressIsRefusedAndTheHostIsNotAsked)
{
    EXPECT_EQ(E_INVALIDARG, resolve(L""));
    ComPtr<IMessengerContactResolution> resolution = messenger.as<IMessengerContactResolution>();
    EXPECT_EQ(E_INVALIDARG, resolution->ResolveContact(ADDRESS_TYPE_SMTP, CONTACT_RESOLUTION_ANY, nullptr, nullptr));
    EXPECT_TRUE(host().resolveRequests().empty());
}

TEST_F(MessengerLookupTest, ARequestStillPendingAtModuleStopDoesNotKeepTheObjectAlive)
{
    // Manual answers: this request is never answered. The fixture checks that the object went.
    EXPECT_EQ(E_PENDING, resolve(L"bob@example.com"));
    messenger->uninitialise();
    EXPECT_TRUE(host().answerResolution(L"bob@example.com", L"bob").empty()) << "an answer after stop reached someone";
    EXPECT_EQ(S_OK, resolve(L"carol@example.com")) << "after stop there is no resolver to ask";
}

} // namespace
