// The Messenger events and the work items that fire them, over a stand-in Messenger object: what the events
// carry, who gets them, and how a hung Office is kept from delaying the others.
#include "EventWorkers.h"
#include "TestMessenger.h"

#include "support/ModuleFixture.h"
#include "logging/ModuleLogSink.h"

#include <map>
#include <utility>

using extensionsutils::Bstr;
using extensionsutils::ComPtr;
using extensionsutils::EventDelivery;
using extensionsutils::MICComPtr;
using fakeoffice::FakeOfficeSink;
using fakeoffice::OfficeEvent;
using namespace officeevents;

namespace {

const DWORD testStallLimitMs = 300;
const int stormContacts = 4;
const int changesPerContact = 50;
const wchar_t* const stalledLine =
    L"Event sink has not returned within the stall limit; marked stalled, its events are kept coalesced until it returns";

ComPtr<IMessengerContact> contactNamed(const std::wstring& name, HRESULT signinResult = S_OK)
{
    return extensionsutils::ComObject<TestMessengerContact>::create(name, signinResult).as<IMessengerContact>();
}

std::wstring signinNameOf(const OfficeEvent& event)
{
    ComPtr<IMessengerContact> contact = ComPtr<IDispatch>(event.arguments.at(0).get()->pdispVal).as<IMessengerContact>();
    Bstr name;
    if (contact) contact->get_SigninName(name.out());
    return name.str();
}

class StandInMessengerTest : public ModuleFixture {
protected:
    void releaseModuleObjects() override { messenger.reset(); }

    FakeOfficeSink* connectSink(std::shared_ptr<fakeoffice::OfficeEventJournal> to = nullptr)
    {
        return ModuleFixture::connectSink(messenger.identity(), std::move(to));
    }

    std::vector<DISPID> firedIds() const
    {
        std::vector<DISPID> ids;
        for (const OfficeEvent& event : journal->events()) ids.push_back(event.id);
        return ids;
    }

    void queueStatusChange(ComPtr<IMessengerContact> contact, MISTATUS status)
    {
        worker->AddWork(std::make_shared<Tr1FunctionWorker>([target = messenger, contact, status] {
            ExtensionProviderEventWorkers::contactStatusChanged(target.get(), contact, status);
        }));
    }

    void runResolved(const std::wstring& email, const std::wstring& imAddress)
    {
        runOnWorker([target = messenger, events = messenger->getMessengerEvents(), email, imAddress] {
            ExtensionProviderEventWorkers::contactResolved(target.get(), events, Bstr(email), Bstr(imAddress));
        });
    }

    // Every contact changes status `changesPerContact` times, the statuses counting up; a resolution answer
    // in the middle.
    void fireStorm()
    {
        for (int change = 1; change <= changesPerContact; ++change) {
            for (int c = 0; c < stormContacts; ++c) fireStatus(c, change);
            if (change == changesPerContact / 2)
                ASSERT_EQ(messenger->Fire_OnContactResolved(S_OK, ADDRESS_TYPE_SMTP, Bstr(L"a@b").get(), Bstr(L"sip:a@b").get()), S_OK);
        }
    }
    void fireStatus(int contact, int status)
    {
        ComPtr<IDispatch> named = contactNamed(L"c" + std::to_wstring(contact)).as<IDispatch>();
        ASSERT_EQ(messenger->Fire_OnContactStatusChange(named.get(), static_cast<MISTATUS>(status)), S_OK);
    }

    // Each contact's statuses arrive in firing order, none twice, and the last one fired arrives last.
    static void expectLatestStateInOrder(const std::vector<OfficeEvent>& events)
    {
        std::map<std::wstring, std::vector<LONG>> statuses;
        std::size_t resolutions = 0;
        for (const OfficeEvent& event : events) {
            if (event.id == contactStatusChange) statuses[signinNameOf(event)].push_back(event.arguments.at(1).get()->lVal);
            resolutions += event.id == contactResolved;
        }
        ASSERT_EQ(statuses.size(), static_cast<std::size_t>(stormContacts));
        for (const auto& entry : statuses) {
            for (std::size_t i = 1; i < entry.second.size(); ++i) EXPECT_LT(entry.second[i - 1], entry.second[i]);
            EXPECT_EQ(entry.second.back(), changesPerContact);
        }
        EXPECT_EQ(resolutions, 1u) << "a one-off event is never merged or dropped";
    }

    MICComPtr<TestMessenger> messenger = extensionsutils::ComObject<TestMessenger>::create();
};

TEST_F(StandInMessengerTest, WithNoSinkEveryFiringOperationSucceedsAndSendsNothing)
{
    ComPtr<IDispatch> contact = contactNamed(L"bob").as<IDispatch>();
    VARIANT empty;
    VariantInit(&empty);
    VARIANT_BOOL flag = VARIANT_FALSE;
    Bstr text(L"x");
    CProxyDMessengerEvents<TestMessenger>& events = *messenger;
    for (HRESULT hr : {events.Fire_OnGroupAdded(S_OK, nullptr), events.Fire_OnContactAddedToGroup(S_OK, nullptr, nullptr),
                       events.Fire_OnIMWindowCreated(nullptr), events.Fire_OnAppShutdown(), events.Fire_OnSignin(S_OK),
                       events.Fire_OnSignout(), events.Fire_OnMyFriendlyNameChange(S_OK, text.get()),
                       events.Fire_OnMyStatusChange(S_OK, MISTATUS_OFFLINE),
                       events.Fire_OnMyPropertyChange(S_OK, MCONTACTPROP_GROUPS_PROPERTY, empty),
                       events.Fire_OnContactStatusChange(contact.get(), MISTATUS_ONLINE),
                       events.Fire_OnContactPhoneChange(S_OK, nullptr, MPHONE_TYPE_HOME, text.get()),
                       events.Fire_OnUnreadEmailChange(MUAFOLDER_INBOX, 3, &flag),
                       events.Fire_OnContactResolved(S_OK, ADDRESS_TYPE_SMTP, text.get(), text.get())})
        EXPECT_EQ(hr, S_OK);
    EXPECT_EQ(journal->count(), 0u);
}

// How each sink meets the events is the connection point's, tested with it; here: what they carry.
TEST_F(StandInMessengerTest, EventsCarryTheContactAndTheStatusAndShutdownSendsOfflineThenAppShutdown)
{
    auto second = std::make_shared<fakeoffice::OfficeEventJournal>();
    connectSink();
    connectSink(second);
    ComPtr<IDispatch> contact = contactNamed(L"bob").as<IDispatch>();
    EXPECT_EQ(messenger->Fire_OnContactStatusChange(contact.get(), MISTATUS_BUSY), S_OK);
    EXPECT_EQ(messenger->Fire_OnMyStatusChange(S_OK, MISTATUS_OFFLINE), S_OK);
    EXPECT_EQ(messenger->Fire_OnAppShutdown(), S_OK);
    for (const auto& sunk : {journal, second}) {
        const std::vector<OfficeEvent> events = sunk->events();
        ASSERT_EQ(events.size(), 3u);
        EXPECT_EQ(events[0].id, contactStatusChange);
        EXPECT_EQ(events[0].flags, DISPATCH_METHOD);
        ASSERT_EQ(events[0].arguments.size(), 2u);
        EXPECT_TRUE(extensionsutils::sameComObject(events[0].arguments[0].get()->pdispVal, contact.get()));
        EXPECT_EQ(events[0].arguments[1].get()->lVal, MISTATUS_BUSY);
        EXPECT_EQ(events[1].id, myStatusChange);
        ASSERT_EQ(events[1].arguments.size(), 2u);
        EXPECT_EQ(events[1].arguments[0].type(), VT_I4);
        EXPECT_EQ(events[1].arguments[0].get()->lVal, S_OK);
        EXPECT_EQ(events[1].arguments[1].get()->lVal, MISTATUS_OFFLINE);
        EXPECT_EQ(events[2].id, appShutdown);
        EXPECT_TRUE(events[2].arguments.empty());
    }
}

TEST_F(StandInMessengerTest, SinkThatUnadvisesDuringShutdownDoesNotCostTheOthersTheirEvents)
{
    // Every Office process shares the one Messenger object; the first may unadvise in its handler.
    FakeOfficeSink* first = connectSink();
    connectSink();
    first->setHook([first](const OfficeEvent&) { first->unadvise(); });
    EXPECT_EQ(messenger->Fire_OnMyStatusChange(S_OK, MISTATUS_OFFLINE), S_OK);
    EXPECT_EQ(messenger->Fire_OnAppShutdown(), S_OK);
    EXPECT_EQ(firedIds(), (std::vector<DISPID>{myStatusChange, myStatusChange, appShutdown}));
    EXPECT_EQ(logCount(L"Fire_OnAppShutdown - exit"), 1u);
}

TEST_F(StandInMessengerTest, StatusWorkSkipsAnUnreadableContactAndAFailingSinkCostsTheOthersNothing)
{
    connectSink();
    connectSink()->setResult(DISP_E_EXCEPTION);
    EventDelivery::setLogSink(std::make_shared<ModuleLogSink>());
    queueStatusChange(nullptr, MISTATUS_ONLINE);
    queueStatusChange(contactNamed(L"bob", E_FAIL), MISTATUS_ONLINE);
    drainWorker();
    EXPECT_EQ(journal->count(), 0u);
    expectLogged(L"messengerContact is NULL", 1); // module level 4
    expectLogged(L"pMessengerContact->get_SigninName failed", 1);

    queueStatusChange(contactNamed(L"bob"), MISTATUS_ONLINE);
    drainWorker();
    EXPECT_EQ(journal->count(), 2u);
    EXPECT_EQ(logCount(L"Event sink failed: dispid 0x406, hr 0x80020009"), 1u);
}

TEST_F(StandInMessengerTest, ResolvedAddressReachesEverySinkFromADeliveryThreadAndAFailedOneNone)
{
    connectSink();
    connectSink();
    runResolved(L"nobody@example.com", L"");
    EXPECT_EQ(journal->count(), 0u);
    expectLogged(L"Resolution failed, not notifying clients", 2); // module level 3

    runResolved(L"bob@example.com", L"sip:bob@example.com");
    const std::vector<OfficeEvent> events = eventsWithId(contactResolved);
    ASSERT_EQ(events.size(), 2u);
    for (const OfficeEvent& event : events) {
        EXPECT_EQ(event.apartment, "MTA");
        ASSERT_EQ(event.arguments.size(), 4u);
        EXPECT_EQ(event.arguments[0].get()->lVal, S_OK);
        EXPECT_EQ(event.arguments[1].get()->lVal, ADDRESS_TYPE_SMTP);
        EXPECT_STREQ(event.arguments[2].get()->bstrVal, L"bob@example.com");
        EXPECT_STREQ(event.arguments[3].get()->bstrVal, L"sip:bob@example.com");
    }
}

TEST_F(StandInMessengerTest, AHungOfficeDelaysNoOtherOfficeNorTheStopAndGetsTheLatestStateWhenItReturns)
{
    EventDelivery::setStallLimit(testStallLimitMs);
    EventDelivery::setLogSink(std::make_shared<ModuleLogSink>());
    auto hungJournal = std::make_shared<fakeoffice::OfficeEventJournal>();
    auto entered = std::make_shared<vorn::Event>();
    auto release = std::make_shared<vorn::Event>(false);
    connectSink(hungJournal)->setHook([first = std::make_shared<bool>(true), entered, release](const OfficeEvent&) {
        if (!std::exchange(*first, false)) return;
        entered->set();
        release->wait(60000); // Office stops answering in its handler
    });
    connectSink();
    fireStatus(0, 0);
    ASSERT_EQ(entered->wait(5000), 0);
    fireStorm();

    // The other Office gets every latest state while the first hangs; the stop's wait is bounded.
    const DWORD started = GetTickCount();
    EXPECT_TRUE(EventDelivery::waitUntilSettled(testStallLimitMs + 2000));
    EXPECT_LT(GetTickCount() - started, testStallLimitMs + 2000);
    expectLatestStateInOrder(journal->events());
    EXPECT_EQ(logCount(stalledLine), 1u);
    ASSERT_EQ(messenger->Fire_OnAppShutdown(), S_OK);
    EXPECT_TRUE(EventDelivery::waitUntilSettled(testStallLimitMs + 2000)) << "the hung sink is not waited for again";
    EXPECT_EQ(journal->events().back().id, appShutdown);

    // Back, the hung Office gets what its queue kept: one latest state per contact and the one-offs.
    release->set();
    std::vector<OfficeEvent> late;
    for (DWORD waited = 0; waited < 5000 && (late.empty() || late.back().id != appShutdown); waited += 10) {
        Sleep(10);
        late = hungJournal->events();
    }
    expectLatestStateInOrder(late);
    EXPECT_EQ(late.size(), 1u + stormContacts + 2u);
    EXPECT_EQ(logCount(L"Stalled event sink returned; delivering the latest state to it"), 1u);
}

TEST_F(StandInMessengerTest, HealthySinksGetEachContactsStatesInOrderAndTheLastOneAlways)
{
    EventDelivery::setStallLimit(testStallLimitMs);
    auto secondJournal = std::make_shared<fakeoffice::OfficeEventJournal>();
    connectSink();
    connectSink(secondJournal);
    fireStorm();
    ASSERT_TRUE(EventDelivery::waitUntilSettled(5000));
    expectLatestStateInOrder(journal->events());
    expectLatestStateInOrder(secondJournal->events());
    EXPECT_EQ(logCount(stalledLine), 0u);
}

} // namespace
