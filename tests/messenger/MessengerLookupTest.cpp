// How Office 2007/2010 finds people through the Messenger object: GetContact, the user's contact list,
// AddContact, and e-mail resolution answered by the OnContactResolved event.

#include "MessengerFixture.h"

#include "support/LateBoundCall.h"

#include "RawRegistry.h"
#include "SavedRegistryKey.h"

#include "extensionsutils/Bstr.h"

#include <gmock/gmock.h>

#include <algorithm>
#include <cstdint>

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
IDispatch* const UnwrittenDispatch = reinterpret_cast<IDispatch*>(static_cast<std::uintptr_t>(0x5EE0));
const BSTR UnwrittenBstr = reinterpret_cast<BSTR>(static_cast<std::uintptr_t>(0x5EE4));

std::wstring textOf(HRESULT (STDMETHODCALLTYPE IMessengerContact::*getter)(BSTR*), IMessengerContact& contact)
{
    Bstr value;
    EXPECT_EQ(S_OK, (contact.*getter)(value.out()));
    return value.str();
}

class MessengerLookupTest : public MessengerTest {
protected:
    void SetUp() override
    {
        settings_.clear();
        MessengerTest::SetUp();
    }

    ComPtr<IMessengerContact> contactFor(const wchar_t* signinName)
    {
        ComPtr<IDispatch> found;
        EXPECT_EQ(S_OK, messengerApi()->GetContact(Bstr(signinName).get(), Bstr(L"").get(), found.out()));
        return found.as<IMessengerContact>();
    }

    HRESULT resolve(const wchar_t* address, IMessengerAdvanced* api = nullptr,
                    CONTACT_RESOLUTION_TYPE type = CONTACT_RESOLUTION_ANY)
    {
        ComPtr<IMessengerContactResolution> resolution =
            api ? ComPtr<IMessengerAdvanced>(api).as<IMessengerContactResolution>() : messenger.as<IMessengerContactResolution>();
        BSTR imAddress = UnwrittenBstr;
        const HRESULT hr = resolution->ResolveContact(ADDRESS_TYPE_SMTP, type, Bstr(address).get(), &imAddress);
        EXPECT_EQ(UnwrittenBstr, imAddress) << "the IM address was written";
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

TEST_F(MessengerLookupTest, GetContactGivesTheHostsContactAndAsksTheHostToWatchIt)
{
    ComPtr<IMessengerContact> bob = contactFor(L"bob");
    ASSERT_TRUE(bob);
    EXPECT_EQ(L"Friendly bob", textOf(&IMessengerContact::get_FriendlyName, *bob));
    EXPECT_EQ(L"bob", textOf(&IMessengerContact::get_SigninName, *bob));
    Bstr work;
    EXPECT_EQ(S_OK, bob->get_PhoneNumber(MPHONE_TYPE_WORK, work.out()));
    EXPECT_EQ(L"work of bob", work.str());
    EXPECT_THAT(host().watchRequests(), ElementsAre(L"bob"));

    const std::vector<fakehost::LogRecord> requests = host().recordsOf(L"got a request for contact - bob");
    EXPECT_TRUE(std::any_of(requests.begin(), requests.end(), [](const fakehost::LogRecord& record) {
        return record.function == L"TavoMessengerAdvanced::GetContact" && record.hostLevel == 3;
    }));

    // Every request makes a new contact.
    ComPtr<IMessengerContact> again = contactFor(L"bob");
    EXPECT_FALSE(extensionsutils::sameComObject(bob.get(), again.get()));
}

TEST_F(MessengerLookupTest, AnExchangeNameIsLookedUpByTheUserIdAfterItsLastEquals)
{
    ComPtr<IMessengerContact> bob = contactFor(L"/o=Org/ou=Site/cn=Recipients/cn=bob-id");
    ASSERT_TRUE(bob);
    EXPECT_EQ(L"bob", textOf(&IMessengerContact::get_SigninName, *bob));
    EXPECT_THAT(host().userIdLookups(), ElementsAre(L"bob-id"));
    EXPECT_THAT(host().watchRequests(), ElementsAre(L"bob"));
}

TEST_F(MessengerLookupTest, ANameTheHostDoesNotKnowStillGivesAContactThatIsNotWatched)
{
    ComPtr<IMessengerContact> stranger = contactFor(L"stranger@example.com");
    ASSERT_TRUE(stranger);
    EXPECT_EQ(L"", textOf(&IMessengerContact::get_FriendlyName, *stranger));
    EXPECT_EQ(L"stranger@example.com", textOf(&IMessengerContact::get_SigninName, *stranger));
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
    IDispatch* contact = UnwrittenDispatch;
    EXPECT_EQ(E_FAIL, api->GetContact(nullptr, nullptr, &contact));
    EXPECT_EQ(E_FAIL, api->GetContact(Bstr(L"").get(), nullptr, &contact));
    EXPECT_EQ(UnwrittenDispatch, contact);
    EXPECT_EQ(E_POINTER, api->GetContact(Bstr(L"bob").get(), nullptr, nullptr));
    EXPECT_TRUE(host().uriLookups().empty());

    host().failMethod(HostMethod::GetHomeNumber);
    EXPECT_EQ(ContactNotFound, api->GetContact(Bstr(L"bob").get(), nullptr, &contact));
    EXPECT_EQ(UnwrittenDispatch, contact);
    const Logged failure = onlyRecordOf(L"Unable to create instance of messenger contact, returning not found");
    EXPECT_EQ(4, failure.moduleLevel);
    EXPECT_EQ(L"TavoMessengerAdvanced::GetContact", failure.function);
    EXPECT_EQ(SourceFile, failure.file);
}

TEST_F(MessengerLookupTest, AFailedWatchRequestDoesNotStopGetContact)
{
    host().failMethod(HostMethod::WatchContact);
    ComPtr<IMessengerContact> bob = contactFor(L"bob");
    EXPECT_TRUE(bob);
    EXPECT_EQ(4, onlyRecordOf(L"Start watching failed").moduleLevel);
}

TEST_F(MessengerLookupTest, LateBoundGetContactGivesTheSameContact)
{
    const LateBoundResult found =
        callByName(lateBound().get(), L"GetContact", DISPATCH_METHOD, {Variant::fromString(L"carol"), Variant::fromString(L"")});
    EXPECT_EQ(S_OK, found.member);
    ASSERT_EQ(VT_DISPATCH, found.value.type());
    ComPtr<IMessengerContact> carol = ComPtr<IDispatch>(found.value.get()->pdispVal).as<IMessengerContact>();
    ASSERT_TRUE(carol);
    EXPECT_EQ(L"carol", textOf(&IMessengerContact::get_SigninName, *carol));
}

TEST_F(MessengerLookupTest, MyContactsIsTheHostsContactListAllWatched)
{
    host().setContactList({L"bob", L"carol"});
    ComPtr<IDispatch> list;
    ASSERT_EQ(S_OK, messengerApi()->get_MyContacts(list.out()));
    ComPtr<IMessengerContacts> contacts = list.as<IMessengerContacts>();
    ASSERT_TRUE(contacts);
    LONG count = 0;
    EXPECT_EQ(S_OK, contacts->get_Count(&count));
    EXPECT_EQ(2, count);
    ComPtr<IDispatch> first;
    ASSERT_EQ(S_OK, contacts->Item(0, first.out()));
    EXPECT_EQ(L"bob", textOf(&IMessengerContact::get_SigninName, *first.as<IMessengerContact>()));
    EXPECT_THAT(host().watchRequests(), ElementsAre(L"bob", L"carol"));

    // A new collection every time.
    ComPtr<IDispatch> again;
    ASSERT_EQ(S_OK, messengerApi()->get_MyContacts(again.out()));
    EXPECT_FALSE(extensionsutils::sameComObject(list.get(), again.get()));
}

TEST_F(MessengerLookupTest, MyContactsFailsWhenTheHostCannotGiveTheList)
{
    ComPtr<IMessengerAdvanced> api = messengerApi();
    IDispatch* list = UnwrittenDispatch;
    host().failMethod(HostMethod::GetContacts);
    EXPECT_EQ(E_FAIL, api->get_MyContacts(&list));
    EXPECT_EQ(4, onlyRecordOf(L"pIMAndPresence->GetContacts failed").moduleLevel);
    host().clearFailures();

    host().answerEmpty(HostMethod::GetContacts);
    EXPECT_EQ(S_OK, api->get_MyContacts(&list)) << "no list is no error";
    host().clearFailures();

    host().failMethod(HostMethod::CreateIMAndPresence);
    EXPECT_EQ(E_FAIL, api->get_MyContacts(&list));
    EXPECT_TRUE(host().logged(L"pClassFactory CreateInstance IID_IIMAndPresence failed"));
    EXPECT_EQ(UnwrittenDispatch, list);
    EXPECT_EQ(E_POINTER, api->get_MyContacts(nullptr));
}

TEST_F(MessengerLookupTest, AddContactPassesAddressesOfFiveCharactersOrMoreAndAlwaysSucceeds)
{
    ComPtr<IMessengerAdvanced> api = messengerApi();
    EXPECT_EQ(S_OK, api->AddContact(0, Bstr(L"a@b.c").get()));
    EXPECT_EQ(S_OK, api->AddContact(0, Bstr(L"a@bc").get()));
    EXPECT_EQ(S_OK, api->AddContact(0, nullptr));
    EXPECT_THAT(host().addedContacts(), ElementsAre(L"a@b.c"));
    EXPECT_EQ(2u, host().loggedCount(L"email address string is less than 5 chars - cannot add"));

    host().failMethod(HostMethod::AddContact);
    EXPECT_EQ(S_OK, api->AddContact(0, Bstr(L"dave@example.com").get()));
    EXPECT_EQ(4, onlyRecordOf(L"pIMAndPresence->AddContact failed").moduleLevel);
    host().clearFailures();

    signOut();
    EXPECT_EQ(S_OK, api->AddContact(0, Bstr(L"erin@example.com").get()));
    EXPECT_EQ(2u, host().callCount(HostMethod::AddContact)) << "a signed-out request reached the host";
}

TEST_F(MessengerLookupTest, AResolvedAddressReachesOfficeAsOnContactResolvedNeverAsTheOutParameter)
{
    ComPtr<FakeOfficeSink> sink = FakeOfficeSink::create(DIID_DMessengerEvents, journal);
    ASSERT_EQ(S_OK, sink->advise(messenger.identity()));
    host().setResolutionMode(fakehost::FakeHost::ResolutionMode::Automatic);
    host().setResolutionAnswer(L"bob@example.com", L"bob");
    host().setResolutionAnswer(L"carol@example.com", L"carol");

    EXPECT_EQ(E_PENDING, resolve(L"bob@example.com"));
    EXPECT_EQ(E_PENDING, resolve(L"carol@example.com", nullptr, CONTACT_RESOLUTION_CACHED_ONLY));
    ASSERT_TRUE(waitUntil([this] { return resolvedEvents().size() == 2; }));

    const std::vector<OfficeEvent> events = resolvedEvents();
    for (std::size_t i = 0; i < events.size(); ++i) {
        const OfficeEvent& event = events[i];
        ASSERT_EQ(4u, event.arguments.size());
        EXPECT_EQ(S_OK, event.arguments[0].get()->lVal);
        EXPECT_EQ(ADDRESS_TYPE_SMTP, event.arguments[1].get()->lVal);
        EXPECT_EQ(i == 0 ? L"bob@example.com" : L"carol@example.com", std::wstring(event.arguments[2].get()->bstrVal));
        EXPECT_EQ(i == 0 ? L"bob" : L"carol", std::wstring(event.arguments[3].get()->bstrVal));
    }
    EXPECT_THAT(host().resolveRequests(), ElementsAre(L"bob@example.com", L"carol@example.com"));
    EXPECT_TRUE(host().logged(L"Resolving contact - bob@example.com Address type: 1 Resolution type: 1"));
    EXPECT_EQ(S_OK, sink->unadvise());
}

TEST_F(MessengerLookupTest, AnAddressNobodyHasIsNeverReportedToOffice)
{
    ComPtr<FakeOfficeSink> sink = FakeOfficeSink::create(DIID_DMessengerEvents, journal);
    ASSERT_EQ(S_OK, sink->advise(messenger.identity()));
    host().setResolutionMode(fakehost::FakeHost::ResolutionMode::Automatic);
    EXPECT_EQ(E_PENDING, resolve(L"nobody@example.com"));
    ASSERT_TRUE(waitUntil([this] { return host().logged(L"Resolution failed, not notifying clients"); }));
    EXPECT_TRUE(resolvedEvents().empty());
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

TEST_F(MessengerLookupTest, LateBoundResolutionIsPendingLikeTheVirtualTables)
{
    ComPtr<IMessengerContactResolution> resolution = messenger.as<IMessengerContactResolution>();
    const LateBoundResult result =
        callByName(resolution.get(), L"ResolveContact", DISPATCH_METHOD,
                   {Variant::fromInt32(ADDRESS_TYPE_SMTP), Variant::fromInt32(CONTACT_RESOLUTION_ANY),
                    Variant::fromString(L"bob@example.com")});
    EXPECT_EQ(E_PENDING, result.member);
    EXPECT_THAT(host().resolveRequests(), ElementsAre(L"bob@example.com"));
}

TEST_F(MessengerLookupTest, ARequestStillPendingAtModuleStopDoesNotKeepTheObjectAlive)
{
    // Manual answers: this request is never answered. The fixture checks that the object went.
    EXPECT_EQ(E_PENDING, resolve(L"bob@example.com"));
    messenger->uninitialise();
    // An answer after stop reaches nobody.
    EXPECT_TRUE(host().answerResolution(L"bob@example.com", L"bob").empty());
    EXPECT_EQ(S_OK, resolve(L"carol@example.com")) << "after stop there is no resolver to ask";
}

} // namespace
