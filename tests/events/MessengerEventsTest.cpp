// The Messenger events, the work items that fire them and the answers to Office's callback objects, over a
// Messenger object of its own (not initialised, so the host's events do not reach it): what the events carry,
// who gets them, and how a hung Office is kept from delaying the others, the worker or the stop.
#include "EventWorkers.h"
#include "IMessenger/TavoMessengerContact.h"
#include "OfficeIntegrationImpl.h"

#include "IUCOfficeIntegration/AsynchronousOperationWorker.h"
#include "IUCOfficeIntegration/UCCContactManager.h"

#include "common/ContractIds.h"
#include "support/ModuleFixture.h"
#include "logging/ModuleLogSink.h"

#include "extensionsutils/WeakPtrCComObject.h"

#include <map>
#include <utility>

using extensionsutils::Bstr;
using extensionsutils::ComPtr;
using extensionsutils::EventDelivery;
using fakeoffice::FakeOfficeSink;
using fakeoffice::OfficeEvent;
using fakeoffice::OfficeEventJournal;
using namespace officeevents;

namespace {

const DWORD testStallLimitMs = 300;
const int stormContacts = 4, changesPerContact = 50;
const wchar_t* const stalledLine = L"An apartment has not returned from an event within the stall limit; "
                                   L"marked stalled (event sinks: 1), their events kept merged until it returns";

// A Messenger contact as the module makes them; its sign-in name reads only while the host is signed in.
ComPtr<IDispatch> contactNamed(const std::wstring& name)
{
    auto contact = extensionsutils::ComObject<TavoMessengerContact>::create();
    contact->initialise(Bstr(name), Bstr(name), std::make_shared<Configuration>(0));
    return contact.as<IDispatch>();
}

// A hook that holds the first event a sink gets at the gate (Office stops answering in its handler).
std::function<void(const OfficeEvent&)> hangingAtFirstEvent(const std::shared_ptr<Gate>& gate)
{
    return [first = std::make_shared<bool>(true), gate](const OfficeEvent&) {
        if (std::exchange(*first, false)) gate->arriveAndWait();
    };
}

class MessengerEventsTest : public ModuleFixture {
protected:
    void releaseModuleObjects() override { messenger.reset(); }

    FakeOfficeSink* connectSink(std::shared_ptr<OfficeEventJournal> to = nullptr)
    {
        return ModuleFixture::connectSink(messenger.identity(), std::move(to));
    }

    void queueStatusChange(ComPtr<IDispatch> contact, MISTATUS status)
    {
        worker->AddWork(std::make_shared<Tr1FunctionWorker>([target = messenger, contact = contact.as<IMessengerContact>(), status] {
            ExtensionProviderEventWorkers::contactStatusChanged(target.get(), contact, status);
        }));
    }
    void fireStatus(int contact, int status)
    {
        const ComPtr<IDispatch> named = contactNamed(L"c" + std::to_wstring(contact));
        ASSERT_EQ(messenger->Fire_OnContactStatusChange(named.get(), static_cast<MISTATUS>(status)), S_OK);
    }
    // Each contact's statuses arrive in firing order, none twice, and the last one fired arrives last.
    static void expectLatestStateInOrder(const std::vector<OfficeEvent>& events)
    {
        std::map<std::wstring, std::vector<LONG>> statuses;
        std::size_t resolutions = 0;
        for (const OfficeEvent& event : events) {
            resolutions += event.id == contactResolved;
            if (event.id != contactStatusChange) continue;
            statuses[signinNameOf(event.arguments.at(0).get()->pdispVal)].push_back(event.arguments.at(1).get()->lVal);
        }
        ASSERT_EQ(statuses.size(), static_cast<std::size_t>(stormContacts));
        for (const auto& entry : statuses) {
            for (std::size_t i = 1; i < entry.second.size(); ++i) EXPECT_LT(entry.second[i - 1], entry.second[i]);
            EXPECT_EQ(entry.second.back(), changesPerContact);
        }
        EXPECT_EQ(resolutions, 1u) << "a one-off event is never merged or dropped";
    }

    extensionsutils::MICComPtr<OfficeIntegrationImpl> messenger = extensionsutils::WeakPtrCComObject<OfficeIntegrationImpl>::create();
};

// What the events carry to a sink is checked where the host's presence changes and the module's stop fire them.
TEST_F(MessengerEventsTest, WithNoSinkFiringSucceedsAndSendsNothing)
{
    CProxyDMessengerEvents<OfficeIntegrationImpl>& events = *messenger;
    // Null objects and strings pack as arguments.
    for (HRESULT hr : {events.Fire_OnAppShutdown(), events.Fire_OnMyStatusChange(S_OK, MISTATUS_OFFLINE),
                       events.Fire_OnContactResolved(S_OK, ADDRESS_TYPE_SMTP, nullptr, nullptr),
                       events.Fire_OnContactStatusChange(nullptr, MISTATUS_ONLINE)})
        EXPECT_EQ(hr, S_OK);
    EXPECT_EQ(journal->count(), 0u);
}

TEST_F(MessengerEventsTest, StatusWorkSkipsWhatFailsAndStillReachesTheOthers)
{
    connectSink();
    connectSink()->setResult(DISP_E_EXCEPTION);
    EventDelivery::setLogSink(std::make_shared<ModuleLogSink>());
    queueStatusChange(nullptr, MISTATUS_ONLINE);
    host().setSignedInValue(1); // signed out: the contact cannot be read
    queueStatusChange(contactNamed(L"bob"), MISTATUS_ONLINE);
    drainWorker();
    host().setSignedInValue(0);
    EXPECT_EQ(journal->count(), 0u);
    expectLogged(L"messengerContact is NULL", 1); // module level 4
    expectLogged(L"pMessengerContact->get_SigninName failed", 1);
    queueStatusChange(contactNamed(L"bob"), MISTATUS_ONLINE);
    drainWorker();
    EXPECT_EQ(journal->count(), 2u);
    EXPECT_EQ(logCount(L"Event sink failed: dispid 0x406, hr 0x80020009"), 1u);
}

TEST_F(MessengerEventsTest, AHungOfficeDelaysNoOtherOfficeNorTheStop)
{
    EventDelivery::setStallLimit(testStallLimitMs);
    EventDelivery::setLogSink(std::make_shared<ModuleLogSink>());
    auto hungJournal = std::make_shared<OfficeEventJournal>();
    auto hung = std::make_shared<Gate>();
    connectSink(hungJournal)->setHook(hangingAtFirstEvent(hung));
    connectSink();
    fireStatus(0, 0);
    ASSERT_TRUE(hung->waitUntilReached());
    // Every contact changes status `changesPerContact` times, the statuses counting up; a resolution answer
    // in the middle.
    for (int change = 1; change <= changesPerContact; ++change) {
        for (int c = 0; c < stormContacts; ++c) fireStatus(c, change);
        if (change != changesPerContact / 2) continue;
        ASSERT_EQ(messenger->Fire_OnContactResolved(S_OK, ADDRESS_TYPE_SMTP, Bstr(L"a@b").get(), Bstr(L"sip:a@b").get()), S_OK);
    }

    // The other Office gets every latest state while the first hangs; the stop's wait is bounded.
    EXPECT_TRUE(EventDelivery::waitUntilSettled(testStallLimitMs + 2000));
    expectLatestStateInOrder(journal->events());
    EXPECT_EQ(logCount(stalledLine), 1u);
    ASSERT_EQ(messenger->Fire_OnAppShutdown(), S_OK);
    EXPECT_TRUE(EventDelivery::waitUntilSettled(testStallLimitMs + 2000)) << "the hung sink is not waited for again";
    EXPECT_EQ(journal->events().back().id, appShutdown);

    // Back, the hung Office gets what its queue kept: one latest state per contact and the one-offs.
    hung->open();
    waitUntil([&] { return hungJournal->count() && hungJournal->events().back().id == appShutdown; }, 5000);
    const std::vector<OfficeEvent> late = hungJournal->events();
    expectLatestStateInOrder(late);
    EXPECT_EQ(late.size(), 1u + stormContacts + 2u);
    EXPECT_EQ(logCount(L"Stalled apartment returned; delivering the latest state to its event sinks"), 1u);
}

// The answer to an asynchronous operation goes to Office's callback object through the event delivery, and
// the answers to one callback object arrive in the order they were reported.
TEST_F(MessengerEventsTest, AHungCallbackDelaysNeitherOtherWorkNorTheStop)
{
    EventDelivery::setStallLimit(testStallLimitMs);
    auto callbackJournal = std::make_shared<OfficeEventJournal>();
    ComPtr<FakeOfficeSink> callback = FakeOfficeSink::create(contractid::IUCCContactsAndGroupsCallback, callbackJournal);
    auto hung = std::make_shared<Gate>();
    callback->setHook(hangingAtFirstEvent(hung));
    connectSink();
    const auto queueAnswer = [&](LONG which) { // a lookup's answer, its argument telling which one it is
        auto answer = std::make_shared<AsynchronousOperationWorker>(callback.get(), UCCContactManager::OnLookupId);
        answer->setResultFunction(
            [which](auto& parameters) { return SUCCEEDED(parameters.add(extensionsutils::Variant::fromInt32(which))); });
        worker->AddWork(answer);
    };
    queueAnswer(1);
    ASSERT_TRUE(hung->waitUntilReached());
    queueAnswer(2);

    runOnWorker([this] { EXPECT_EQ(messenger->Fire_OnContactStatusChange(contactNamed(L"c").get(), MISTATUS_ONLINE), S_OK); });
    EXPECT_TRUE(EventDelivery::waitUntilSettled(testStallLimitMs + 2000)) << "the stop would wait for the hung callback";
    ASSERT_EQ(journal->count(), 1u) << "the other Office got its event while the callback hangs";

    hung->open();
    waitUntil([&] { return callbackJournal->count() >= 2; }, 5000);
    // Each answer is its number and the operation.
    EXPECT_EQ(described(callbackJournal->events()), (std::vector<std::wstring>{L"0xfb(1, <not a contact>)", L"0xfb(2, <not a contact>)"}))
        << "answers are never merged or dropped";
}

} // namespace
