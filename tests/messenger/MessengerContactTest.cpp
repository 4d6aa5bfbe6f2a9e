// People as the Messenger API hands them to Office: the Messenger contact made from the host's contact
// (members signed in and out, presence converted to status, availability and the presence array), the
// contact list with its For Each side, and the per-contact details behind the UC contacts.

#include "MessengerFixture.h"

#include "IUCOfficeIntegration/ExtensionProviderContactDetails.h"

#include <atomic>
#include <thread>

namespace {

const wchar_t* const kAlice = L"sip:alice@example.com";

std::wstring signinNameOf(IDispatch* item) { return item ? stringOf(property(item, L"SigninName")) : L"<none>"; }

// The names an enumerator hands out with Next(count) until it is exhausted.
Strings walk(IEnumVARIANT* enumerator, ULONG count)
{
    for (Strings names;;) {
        std::vector<VARIANT> items(count);
        ULONG fetched = 0;
        const HRESULT hr = enumerator->Next(count, items.data(), &fetched);
        for (ULONG i = 0; i < fetched; ++i) {
            names.push_back(signinNameOf(items[i].pdispVal));
            VariantClear(&items[i]);
        }
        if (hr != S_OK) return names;
    }
}

// The threads on which events reached a details handler (what the codes become: the UC contact's tests). The
// fake host waits for each event it fires, so the test reads these after the event without a lock.
struct ChangeRecorder {
    ContactDetails::ChangeHandler handler() { return [this](DISPPARAMS*) { threads.push_back(std::this_thread::get_id()); }; }
    std::vector<std::thread::id> threads;
};

class MessengerContactTest : public MessengerTest {
protected:
    void SetUp() override
    {
        MessengerTest::SetUp();
        host().addContact({kAlice, L"", L"Alice Liddell", L"+44 1", L"+44 2", L"+44 3", L"+44 4", true, 1, L"Available"});
    }
    static MISTATUS statusOf(const ComPtr<IMessengerContactAdvanced>& contact)
    {
        MISTATUS status = MISTATUS_LOCAL_FINDING_SERVER;
        return contact->get_Status(&status) == S_OK ? status : MISTATUS_LOCAL_FINDING_SERVER;
    }
    std::wstring phoneNumberOf(const ComPtr<IMessengerContactAdvanced>& contact, MPHONE_TYPE type)
    {
        Bstr number(L"<none>");
        EXPECT_EQ(contact->get_PhoneNumber(type, number.out()), S_OK);
        return number ? number.str() : L"<none>";
    }
    // The presence array (12 elements): state, availability, note, custom text and calendar; the rest empty.
    void expectPresence(const ComPtr<IMessengerContactAdvanced>& contact, LONG state, LONG availability, const Variant& note,
                        const wchar_t* custom, const Variant& calendar)
    {
        Variant value;
        EXPECT_EQ(contact->get_PresenceProperties(value.out()), S_OK);
        const std::vector<Variant> elements = elementsOf<Variant>(value, VT_VARIANT);
        ASSERT_EQ(elements.size(), 12u);
        EXPECT_EQ(int32Of(elements[PRESENCE_PROP_MSTATE]), state);
        EXPECT_EQ(int32Of(elements[PRESENCE_PROP_AVAILABILITY]), availability);
        EXPECT_TRUE(sameValue(elements[PRESENCE_PROP_PRESENCE_NOTE], note));
        EXPECT_EQ(stringOf(elements[PRESENCE_PROP_CUSTOM_STATUS_STRING]), custom);
        EXPECT_TRUE(sameValue(elements[PRESENCE_PROP_CURRENT_CALENDAR_STATE], calendar));
        for (int index : {2, 4, 5, 7, 9, 10, 11}) EXPECT_TRUE(elements[index].isEmpty()) << "element " << index;
    }
    void expectUnknownPresence(const ComPtr<IMessengerContactAdvanced>& contact)
    {
        expectPresence(contact, MISTATUS_UNKNOWN, 18000, text(L""), L"", number(1));
    }
    // MyContacts over this host list.
    ComPtr<IMessengerContacts> contactsOf(const Strings& signinNames)
    {
        host().setContactList(signinNames);
        ComPtr<IDispatch> list;
        EXPECT_EQ(S_OK, messengerApi()->get_MyContacts(list.out()));
        return list.as<IMessengerContacts>();
    }
    Strings itemsOf(const ComPtr<IMessengerContacts>& contacts)
    {
        Strings names;
        LONG count = -1;
        EXPECT_EQ(contacts->get_Count(&count), S_OK);
        for (LONG index = 0; index < count; ++index) {
            ComPtr<IDispatch> item;
            EXPECT_EQ(contacts->Item(index, item.out()), S_OK);
            names.push_back(signinNameOf(item.get()));
        }
        return names;
    }
    std::shared_ptr<ContactDetails> detailsOfAlice(bool watched = false)
    {
        auto details = std::make_shared<ExtensionProviderContactDetails>(host().makeContactObject(kAlice).as<IContact>());
        if (watched) details->startWatchingContact(recorder.handler());
        return details;
    }

    ChangeRecorder recorder;
};

TEST_F(MessengerContactTest, CopiesTheHostContactOrIsNoneWhenAFieldIsUnreadable)
{
    host().addContact({L"dave", L"dave-id", L"Dave Diver", L"+1 work", L"+1 home", L"", L"+1 other"});
    const ComPtr<IMessengerContactAdvanced> contact = contactOf(L"dave");
    ASSERT_TRUE(contact && !extensionsutils::sameComObject(contact.get(), contactOf(L"dave").get())) << "a new contact each time";
    EXPECT_EQ(stringOf(property(contact.as<IDispatch>().get(), L"FriendlyName")), L"Dave Diver");
    // The empty mobile number is not kept at all.
    for (const auto& [type, expected] : {std::pair{MPHONE_TYPE_WORK, L"+1 work"}, std::pair{MPHONE_TYPE_HOME, L"+1 home"},
                                         std::pair{MPHONE_TYPE_CUSTOM, L"+1 other"}, std::pair{MPHONE_TYPE_MOBILE, L"<none>"}})
        EXPECT_EQ(phoneNumberOf(contact, type), expected) << type;
    for (HostMethod method : {HostMethod::GetFriendlyName, HostMethod::GetSigninName, HostMethod::GetWorkNumber,
                              HostMethod::GetMobileNumber, HostMethod::GetHomeNumber, HostMethod::GetOtherNumber}) {
        host().failMethod(method, E_FAIL, 1);
        EXPECT_FALSE(contactOf(L"bob")) << static_cast<int>(method);
    }
    const auto flags = std::make_shared<Configuration>(0);
    EXPECT_FALSE(TavoMessengerExtensionBroker::CreateMessengerContact(nullptr, flags));
    EXPECT_FALSE(TavoMessengerExtensionBroker::CreateMessengerContact(host().makeWrongObject().get(), flags));
}

TEST_F(MessengerContactTest, SignedOutEveryMemberRefusesWritingNothing)
{
    const ComPtr<IMessengerContactAdvanced> contact = contactOf(L"bob");
    const std::vector<MemberRow> members = {
        {L"FriendlyName", kGet, {}, S_OK, text(L"Friendly bob")}, {L"SigninName", kGet, {}, S_OK, text(L"bob")},
        {L"ServiceName", kGet, {}, S_OK, text(L"bob")}, {L"ServiceId", kGet, {}, S_OK, text(L"{83D4679F-B6D7-11D2-BF36-00C04FB90A03}")},
        {L"PhoneNumber", kGet, {number(MPHONE_TYPE_WORK)}, S_OK, text(L"work of bob")},
        {L"Status", kGet, {}, S_OK, number(MISTATUS_ONLINE)}, {L"CanPage", kGet, {}, S_OK, truth(false)},
        {L"IsSelf", kGet, {}, S_OK, truth(false)},
        {L"Blocked", kPut, {truth(true)}}, {L"Blocked", kGet, {}, S_OK, truth(true)},
        {L"IsTagged", kPut, {truth(true)}}, {L"IsTagged", kGet, {}, S_OK, truth(true)},
        {L"Property", kPut, {number(MCONTACTPROP_EMAIL), text(L"b@x")}},
        {L"Property", kGet, {number(MCONTACTPROP_EMAIL)}, S_OK, text(L"b@x")},
        {L"PresenceProperties", kGet, {}}, {L"PresenceProperties", kPut, {Variant()}}};
    expectAnswers(contact.as<IDispatch>().get(), members);
    signOut();
    expectAnswers(contact.as<IDispatch>().get(), members, NotLoggedOn);
    EXPECT_TRUE(host().tagRequests().empty()) << "tagging stays with Office";
    EXPECT_EQ(contact->put_Blocked(VARIANT_FALSE), NotLoggedOn);
    host().setSignedInValue(0);
    EXPECT_TRUE(sameValue(property(contact.as<IDispatch>().get(), L"Blocked"), truth(true))) << "a refused put changed the contact";
    for (HRESULT refused : {contact->get_FriendlyName(nullptr), contact->get_Status(nullptr), contact->get_Blocked(nullptr),
                            contact->get_Property(MCONTACTPROP_EMAIL, nullptr), contact->get_PresenceProperties(nullptr)})
        EXPECT_EQ(refused, E_POINTER);
}

TEST_F(MessengerContactTest, KeepsPropertiesByValueBlockedOnlyForVariantTrue)
{
    const ComPtr<IMessengerContactAdvanced> contact = contactOf(L"bob");
    const ComPtr<IDispatch> late = contact.as<IDispatch>();
    EXPECT_TRUE(contact->put_Blocked(1) == S_OK && contact->put_IsTagged(1) == S_OK);
    EXPECT_TRUE(sameValue(property(late.get(), L"Blocked"), truth(false)) && sameValue(property(late.get(), L"IsTagged"), truth(false)));
    // A by-reference value is kept as what it refers to, not as a pointer into the caller's memory (the one
    // deterministic catch of a shallow copy: the Messenger object's own test reads memory already freed).
    Variant referenced = text(L"bob@example.com");
    EXPECT_EQ(contact->put_Property(MCONTACTPROP_EMAIL, *byReference(referenced.get()).get()), S_OK);
    referenced = text(L"changed afterwards");
    EXPECT_EQ(contact->put_Property(MCONTACTPROP_EMAIL, referenceTo()), E_INVALIDARG);
    EXPECT_EQ(stringOf(property(late.get(), L"Property", {number(MCONTACTPROP_EMAIL)})), L"bob@example.com");
}

// Asked of the host on every call: nothing is cached.
TEST_F(MessengerContactTest, MapsTheHostPresenceToStatusAvailabilityAndTheArrayOrPhoneMode)
{
    const ComPtr<IMessengerContactAdvanced> contact = contactOf(L"bob");
    const struct { long presence; MISTATUS status; LONG availability; } table[] = {
        {1, MISTATUS_ONLINE, 3000}, {2, MISTATUS_AWAY, 15000}, {3, MISTATUS_DO_NOT_DISTURB, 9000}, {4, MISTATUS_AWAY, 15000},
        {5, MISTATUS_OFFLINE, 0}, {0, MISTATUS_UNKNOWN, 0}, {6, MISTATUS_UNKNOWN, 0}, {-1, MISTATUS_UNKNOWN, 0}};
    for (const auto& row : table) {
        SCOPED_TRACE(testing::Message() << "host presence " << row.presence);
        host().setPresence(L"bob", row.presence, L"Out for lunch");
        EXPECT_EQ(statusOf(contact), row.status);
        expectPresence(contact, row.status, row.availability, Variant(), L"Out for lunch", number(1));
    }
    for (std::uint32_t flags : {2u, 3u}) {
        const ComPtr<IMessengerContactAdvanced> phoneMode = contactOf(L"bob", flags);
        host().resetCallCounts();
        expectPresence(phoneMode, MISTATUS_ONLINE, 0, Variant(), L"Phone mode", text(L""));
        EXPECT_EQ(host().callCount(HostMethod::RequestPresenceState), 0u);
    }
}

TEST_F(MessengerContactTest, AnUnreadablePresenceIsUnknownOrOffline)
{
    const ComPtr<IMessengerContactAdvanced> contact = contactOf(L"bob");
    const struct { HostMethod method; Fault fault; MISTATUS status; } statuses[] = {
        {HostMethod::GetPresenceForContact, Fails, MISTATUS_UNKNOWN}, {HostMethod::GetPresenceForContact, WrongObject, MISTATUS_OFFLINE},
        {HostMethod::GetPresenceForContact, Empty, MISTATUS_OFFLINE}, {HostMethod::GetPresenceState, Fails, MISTATUS_UNKNOWN}};
    for (const auto& row : statuses) {
        breakOnce(row.method, row.fault);
        EXPECT_EQ(statusOf(contact), row.status) << static_cast<int>(row.method);
    }
    for (const auto& [method, fault] :
         {std::pair{HostMethod::GetContact, Fails}, std::pair{HostMethod::GetContact, WrongObject},
          std::pair{HostMethod::RequestPresenceState, Fails}, std::pair{HostMethod::RequestPresenceState, WrongObject},
          std::pair{HostMethod::GetPresenceState, Fails}, std::pair{HostMethod::GetPresenceString, Fails}}) {
        breakOnce(method, fault);
        expectUnknownPresence(contact);
    }
    host().addContact({L"", L"", L"Nobody"});
    const ComPtr<IMessengerContactAdvanced> nameless = contactOf(L"");
    host().resetCallCounts();
    expectUnknownPresence(nameless);
    EXPECT_EQ(host().callCount(HostMethod::GetContact), 0u);
    // The contact's presence source is made once, with the contact.
    host().failMethod(HostMethod::CreateIMAndPresence, E_FAIL, 1);
    const ComPtr<IMessengerContactAdvanced> sourceless = contactOf(L"bob");
    EXPECT_EQ(statusOf(sourceless), MISTATUS_OFFLINE);
    Variant value = number(42);
    EXPECT_EQ(sourceless->get_PresenceProperties(value.get()), E_FAIL);
    EXPECT_EQ(int32Of(value), 42);
}

TEST_F(MessengerContactTest, PresencePropertiesRefreshThePhoneNumbersWithoutForgettingAny)
{
    host().addContact({L"bob", L"bob-id", L"Bob", L"100"});
    const ComPtr<IMessengerContactAdvanced> contact = contactOf(L"bob");
    host().addContact({L"bob", L"bob-id", L"Bob", L"", L"300", L"200", L"400"});
    // Even a host presence that cannot be read still brings the numbers along.
    host().failMethod(HostMethod::RequestPresenceState, E_FAIL, 1);
    host().failMethod(HostMethod::GetHomeNumber, E_FAIL, 1);
    Variant value;
    ASSERT_EQ(contact->get_PresenceProperties(value.out()), S_OK);
    for (const auto& [type, expected] : {std::pair{MPHONE_TYPE_WORK, L"100"}, std::pair{MPHONE_TYPE_MOBILE, L"200"},
                                         std::pair{MPHONE_TYPE_HOME, L"<none>"}, std::pair{MPHONE_TYPE_CUSTOM, L"400"}})
        EXPECT_EQ(phoneNumberOf(contact, type), expected) << type;
}

TEST_F(MessengerContactTest, TheContactListIsTheHostListLessWhatCannotBeConverted)
{
    const ComPtr<IMessengerContacts> contacts = contactsOf({L"carol", L"bob", L"carol"});
    EXPECT_EQ(itemsOf(contacts), (Strings{L"carol", L"bob", L"carol"}));
    EXPECT_EQ(host().watchRequests(), (Strings{L"carol", L"bob", L"carol"}));
    const ComPtr<IDispatch> dispatch = contacts.as<IDispatch>();
    EXPECT_EQ(3, int32Of(property(dispatch.get(), L"Count")));
    EXPECT_EQ(L"bob", signinNameOf(objectOf(answer(dispatch.get(), L"Item", kCall, {number(1)})).get()));
    IDispatch* item = sentinel<IDispatch>();
    EXPECT_TRUE(contacts->Item(-1, &item) == S_OK && contacts->Item(3, &item) == S_OK && contactsOf({})->Item(0, &item) == S_OK);
    EXPECT_EQ(item, sentinel<IDispatch>()) << "indexes beyond the list are left out";
    const struct { HostMethod method; Fault fault; Strings left; } failures[] = {
        {HostMethod::GetItem, Fails, {L"carol"}}, {HostMethod::GetItem, WrongObject, {L"carol"}},
        {HostMethod::GetMobileNumber, Fails, {L"carol"}}, {HostMethod::GetCount, Fails, {}}, {HostMethod::GetContacts, WrongObject, {}}};
    for (const auto& row : failures) {
        breakOnce(row.method, row.fault);
        EXPECT_EQ(itemsOf(contactsOf({L"bob", L"carol"})), row.left) << static_cast<int>(row.method);
    }
    host().failMethod(HostMethod::WatchContact, E_FAIL, 1);
    host().resetCallCounts();
    EXPECT_EQ(itemsOf(contactsOf({L"bob", L"carol"})).size(), 2u);
    EXPECT_EQ(host().callCount(HostMethod::WatchContact), 2u) << "a failed watch stopped the others";
    // Remove answers, signed in or out, and changes nothing; signed out the list refuses, writing nothing.
    const ComPtr<IMessengerContacts> two = contactsOf({L"bob", L"carol"});
    EXPECT_EQ(two->Remove(objectOf(answer(two.as<IDispatch>().get(), L"Item", kCall, {number(0)})).get()), S_OK);
    EXPECT_EQ(two->Remove(host().makeWrongObject().get()), S_OK);
    EXPECT_EQ(itemsOf(two), (Strings{L"bob", L"carol"}));
    signOut();
    LONG count = -1;
    IUnknown* snapshot = nullptr;
    EXPECT_TRUE(two->get_Count(&count) == NotLoggedOn && two->Item(0, &item) == NotLoggedOn && two->get__NewEnum(&snapshot) == NotLoggedOn);
    EXPECT_TRUE(count == -1 && item == sentinel<IDispatch>() && !snapshot);
    EXPECT_EQ(two->Remove(nullptr), S_OK);
}

TEST_F(MessengerContactTest, NewEnumHandsOutASnapshotThatIsAlsoAnEnumerator)
{
    const ComPtr<IMessengerContacts> contacts = contactsOf({L"bob", L"carol", L"me"});
    const Variant result = property(contacts.as<IDispatch>().get(), L"_NewEnum");
    ASSERT_EQ(VT_UNKNOWN, result.type());
    const ComPtr<IUnknown> snapshot(result.get()->punkVal);
    const ComPtr<IMessengerContacts> copy = snapshot.as<IMessengerContacts>();
    const ComPtr<IEnumVARIANT> enumerator = snapshot.as<IEnumVARIANT>();
    ASSERT_TRUE(copy && enumerator && !extensionsutils::sameComObject(copy.get(), contacts.get()));
    EXPECT_EQ(itemsOf(copy), itemsOf(contacts));
    EXPECT_EQ(walk(enumerator.get(), 2), (Strings{L"bob", L"carol", L"me"}));
    EXPECT_TRUE(enumerator->Reset() == S_OK && enumerator->Skip(1) == S_OK);
    ComPtr<IEnumVARIANT> clone;
    ASSERT_EQ(enumerator->Clone(clone.out()), S_OK);
    EXPECT_EQ(walk(clone.get(), 1), (Strings{L"carol", L"me"}));
    EXPECT_EQ(walk(enumerator.get(), 5), (Strings{L"carol", L"me"})) << "clones walk apart";
    EXPECT_TRUE(enumerator->Reset() == S_OK && enumerator->Skip(4) == S_FALSE);
    Variant item;
    ULONG fetched = 9;
    EXPECT_TRUE(enumerator->Next(1, item.out(), &fetched) == S_FALSE && fetched == 0u);
    EXPECT_EQ(enumerator->Next(2, item.out(), nullptr), E_POINTER);
}

TEST_F(MessengerContactTest, HostChangesReachTheDetailsHandlerWithTheirCodesOnTheHostThread)
{
    std::shared_ptr<ContactDetails> details = detailsOfAlice(true);
    EXPECT_EQ(host().callCount(HostMethod::StartWatching), 1u);
    EXPECT_EQ(host().fireContactChanged(kAlice, {4, 1}), std::vector<HRESULT>{S_OK});
    ASSERT_EQ(recorder.threads.size(), 1u);
    EXPECT_NE(recorder.threads[0], std::this_thread::get_id());
    // Watching again replaces the advise; destruction ends it.
    ChangeRecorder second;
    details->startWatchingContact(second.handler());
    EXPECT_EQ(host().contactSinkCount(kAlice), 1u);
    host().fireContactChanged(kAlice, {3});
    EXPECT_TRUE(recorder.threads.size() == 1u && second.threads.size() == 1u);
    std::shared_ptr<TransactionLock> holder = details->getReadTransactionLock();
    EXPECT_EQ(host().openReadTransactions(), 1u) << "the read transaction lasts while any holder keeps it";
    holder.reset();
    EXPECT_EQ(host().openReadTransactions(), 0u);
    details.reset();
    EXPECT_EQ(host().contactSinkCount(kAlice), 0u);
}

TEST_F(MessengerContactTest, AContactWhoseEventsCannotBeConnectedIsStillRead)
{
    host().failMethod(HostMethod::FindConnectionPoint, E_FAIL, 1);
    std::shared_ptr<ContactDetails> details = detailsOfAlice(true);
    expectLogged(L"Unable to initialised sink for _IContactEvents, contact updates will not be reported", 1);
    EXPECT_EQ(details->getPresenceState(), 3500);
    host().failMethod(HostMethod::Advise, E_FAIL, 1);
    details->startWatchingContact(recorder.handler());
    EXPECT_EQ(host().callCount(HostMethod::StartWatching), 2u);
    details.reset();
    EXPECT_EQ(host().callCount(HostMethod::Unadvise), 0u) << "nothing was advised, so nothing is unadvised";
}

// The host may keep the sink (a failed Unadvise, an event in flight): the released owner hears nothing.
TEST_F(MessengerContactTest, AChangeAfterTheOwnerWasReleasedCallsNothing)
{
    host().failMethod(HostMethod::Unadvise);
    detailsOfAlice(true).reset();
    ASSERT_EQ(host().contactSinkCount(kAlice), 1u);
    EXPECT_EQ(host().fireContactChanged(kAlice, {4}), std::vector<HRESULT>{S_OK});
    EXPECT_TRUE(recorder.threads.empty());
    host().clearFailures();
    for (int round = 0; round < 20; ++round) { // changes racing the details' destruction
        auto calls = std::make_shared<std::atomic<int>>(0);
        std::shared_ptr<ContactDetails> details = detailsOfAlice();
        details->startWatchingContact([calls](DISPPARAMS*) { ++*calls; });
        std::thread firing([this] { for (int i = 0; i < 5; ++i) host().fireContactChanged(kAlice, {4}); });
        details.reset();
        firing.join();
        const int settled = *calls;
        host().fireContactChanged(kAlice, {4});
        EXPECT_EQ(*calls, settled);
    }
}

} // namespace
