#include "extensionsutils/EventDelivery.h"
#include "EventsFixture.h"
#include "TestMessenger.h"

#include "extensionsutils/ComPtr.h"
#include "extensionsutils/MICComPtr.h"

#include <algorithm>
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

using extensionsutils::Bstr;
using extensionsutils::ComPtr;
using extensionsutils::MICComPtr;
using fakeoffice::FakeOfficeSink;
using fakeoffice::OfficeEvent;

namespace {

const DISPID OnContactStatusChangeId = 0x406;
const DISPID OnMyStatusChangeId = 0x407;
const DISPID OnAppShutdownId = 0x408;

class MessengerEventsTest : public EventsFixture
{
protected:
    void releaseModuleObjects() override
    {
        for (ComPtr<FakeOfficeSink>& sink : sinks) sink->unadvise();
        sinks.clear();
        messenger.reset();
    }

    // A new Office sink advised on the Messenger object's DMessengerEvents point.
    FakeOfficeSink* connectSink()
    {
        ComPtr<FakeOfficeSink> sink = FakeOfficeSink::create(DIID_DMessengerEvents, journal);
        EXPECT_EQ(sink->advise(messenger.identity()), S_OK);
        sinks.push_back(sink);
        return sink.get();
    }

    std::vector<DISPID> firedIds() const
    {
        std::vector<DISPID> ids;
        for (const OfficeEvent& event : journal->events()) ids.push_back(event.id);
        return ids;
    }

    MICComPtr<TestMessenger> messenger = extensionsutils::ComObject<TestMessenger>::create();
    std::vector<ComPtr<FakeOfficeSink>> sinks;
};

TEST_F(MessengerEventsTest, WithNoSinkEveryFiringOperationSucceedsAndSendsNothing)
{
    ComPtr<IDispatch> contact = extensionsutils::ComObject<TestMessengerContact>::create(L"bob").as<IDispatch>();
    VARIANT empty;
    VariantInit(&empty);
    VARIANT_BOOL flag = VARIANT_FALSE;
    Bstr text(L"x");
    CProxyDMessengerEvents<TestMessenger>& events = *messenger;
    EXPECT_EQ(events.Fire_OnGroupAdded(S_OK, nullptr), S_OK);
    EXPECT_EQ(events.Fire_OnContactAddedToGroup(S_OK, nullptr, nullptr), S_OK);
    EXPECT_EQ(events.Fire_OnIMWindowCreated(nullptr), S_OK);
    EXPECT_EQ(events.Fire_OnAppShutdown(), S_OK);
    EXPECT_EQ(events.Fire_OnSignin(S_OK), S_OK);
    EXPECT_EQ(events.Fire_OnSignout(), S_OK);
    EXPECT_EQ(events.Fire_OnMyFriendlyNameChange(S_OK, text.get()), S_OK);
    EXPECT_EQ(events.Fire_OnMyStatusChange(S_OK, MISTATUS_OFFLINE), S_OK);
    EXPECT_EQ(events.Fire_OnMyPropertyChange(S_OK, MCONTACTPROP_GROUPS_PROPERTY, empty), S_OK);
    EXPECT_EQ(events.Fire_OnContactStatusChange(contact.get(), MISTATUS_ONLINE), S_OK);
    EXPECT_EQ(events.Fire_OnContactPhoneChange(S_OK, nullptr, MPHONE_TYPE_HOME, text.get()), S_OK);
    EXPECT_EQ(events.Fire_OnUnreadEmailChange(MUAFOLDER_INBOX, 3, &flag), S_OK);
    EXPECT_EQ(events.Fire_OnContactResolved(S_OK, ADDRESS_TYPE_SMTP, text.get(), text.get()), S_OK);
    EXPECT_EQ(journal->count(), 0u);
}

TEST_F(MessengerEventsTest, ContactStatusChangeReachesEverySinkWithTheContactAndItsStatus)
{
    connectSink();
    connectSink();
    ComPtr<IDispatch> contact = extensionsutils::ComObject<TestMessengerContact>::create(L"bob").as<IDispatch>();

    EXPECT_EQ(messenger->Fire_OnContactStatusChange(contact.get(), MISTATUS_BUSY), S_OK);

    const std::vector<OfficeEvent> events = journal->events();
    ASSERT_EQ(events.size(), 2u);
    for (const OfficeEvent& event : events) {
        EXPECT_EQ(event.id, OnContactStatusChangeId);
        EXPECT_EQ(event.flags, DISPATCH_METHOD);
        ASSERT_EQ(event.arguments.size(), 2u);
        ASSERT_EQ(event.arguments[0].type(), VT_DISPATCH);
        EXPECT_TRUE(extensionsutils::sameComObject(event.arguments[0].get()->pdispVal, contact.get()));
        ASSERT_EQ(event.arguments[1].type(), VT_I4);
        EXPECT_EQ(event.arguments[1].get()->lVal, MISTATUS_BUSY);
    }
}

TEST_F(MessengerEventsTest, ShutdownSendsOfflineStatusThenAppShutdownWithTheirLogLines)
{
    connectSink();

    EXPECT_EQ(messenger->Fire_OnMyStatusChange(S_OK, MISTATUS_OFFLINE), S_OK);
    EXPECT_EQ(messenger->Fire_OnAppShutdown(), S_OK);

    const std::vector<OfficeEvent> events = journal->events();
    ASSERT_EQ(events.size(), 2u);
    EXPECT_EQ(events[0].id, OnMyStatusChangeId);
    ASSERT_EQ(events[0].arguments.size(), 2u);
    EXPECT_EQ(events[0].arguments[0].type(), VT_I4);
    EXPECT_EQ(events[0].arguments[0].get()->lVal, 0);
    EXPECT_EQ(events[0].arguments[1].get()->lVal, 1);
    EXPECT_EQ(events[1].id, OnAppShutdownId);
    EXPECT_TRUE(events[1].arguments.empty());

    for (const wchar_t* line : {L"Fire_OnMyStatusChange - enter", L"Fire_OnMyStatusChange - exit",
                                L"Fire_OnAppShutdown - enter", L"Fire_OnAppShutdown - exit"}) {
        const std::vector<fakehost::LogRecord> records = host().recordsOf(line);
        ASSERT_EQ(records.size(), 1u) << "log line " << std::string(line, line + wcslen(line));
        EXPECT_EQ(records[0].file, L"extensions/tavomessenger/IMessenger/DMessengerEvents_CP");
        EXPECT_EQ(records[0].hostLevel, 3); // module level 2
    }
    EXPECT_EQ(host().recordsOf(L"Fire_OnAppShutdown - enter")[0].function,
              L"CProxyDMessengerEvents<class TestMessenger>::Fire_OnAppShutdown");
}

TEST_F(MessengerEventsTest, SinkThatUnadvisesDuringShutdownDoesNotCostTheOthersTheirEvents)
{
    // Every Office process shares the one Messenger object; the first may unadvise in its handler.
    FakeOfficeSink* first = connectSink();
    connectSink();
    first->setHook([first](const OfficeEvent&) { first->unadvise(); });

    EXPECT_EQ(messenger->Fire_OnMyStatusChange(S_OK, MISTATUS_OFFLINE), S_OK);
    EXPECT_EQ(messenger->Fire_OnAppShutdown(), S_OK);

    EXPECT_EQ(firedIds(), (std::vector<DISPID>{OnMyStatusChangeId, OnMyStatusChangeId, OnAppShutdownId}));
    EXPECT_EQ(logCount(L"Fire_OnAppShutdown - exit"), 1u);
}

TEST_F(MessengerEventsTest, SinkAnsweringOnlyTheEventInterfaceReceivesEveryEvent)
{
    connectSink()->refuseIDispatch();
    ComPtr<IDispatch> contact = extensionsutils::ComObject<TestMessengerContact>::create(L"bob").as<IDispatch>();

    EXPECT_EQ(messenger->Fire_OnContactStatusChange(contact.get(), MISTATUS_AWAY), S_OK);
    EXPECT_EQ(messenger->Fire_OnAppShutdown(), S_OK);

    EXPECT_EQ(firedIds(), (std::vector<DISPID>{OnContactStatusChangeId, OnAppShutdownId}));
}

TEST_F(MessengerEventsTest, SinkThatUnadvisesDuringStatusChangeDoesNotCostTheOthersTheirEvent)
{
    FakeOfficeSink* first = connectSink();
    FakeOfficeSink* second = connectSink();
    FakeOfficeSink* third = connectSink();
    std::vector<FakeOfficeSink*> reached;
    for (FakeOfficeSink* sink : {first, second, third})
        sink->setHook([&reached, sink](const OfficeEvent&) { reached.push_back(sink); });
    first->setHook([&reached, first](const OfficeEvent&) {
        reached.push_back(first);
        first->unadvise();
    });
    ComPtr<IDispatch> contact = extensionsutils::ComObject<TestMessengerContact>::create(L"bob").as<IDispatch>();

    EXPECT_EQ(messenger->Fire_OnContactStatusChange(contact.get(), MISTATUS_ONLINE), S_OK);
    extensionsutils::EventDelivery::waitUntilSettled(5000);

    // Each sink has a queue of its own, so the order across sinks is open.
    std::sort(reached.begin(), reached.end());
    std::vector<FakeOfficeSink*> expected{first, second, third};
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(reached, expected);
    EXPECT_EQ(messenger->point().connectionCount(), 2u);
}

TEST_F(MessengerEventsTest, FailingSinkDoesNotStopDelivery)
{
    FakeOfficeSink* failing = connectSink();
    connectSink();
    failing->setResult(DISP_E_EXCEPTION);
    ComPtr<IDispatch> contact = extensionsutils::ComObject<TestMessengerContact>::create(L"bob").as<IDispatch>();

    // Firing only queues: a sink's failure is the delivery's to log and stops nothing.
    EXPECT_EQ(messenger->Fire_OnMyStatusChange(S_OK, MISTATUS_OFFLINE), S_OK);
    EXPECT_EQ(messenger->Fire_OnContactStatusChange(contact.get(), MISTATUS_ONLINE), S_OK);
    EXPECT_EQ(journal->count(), 4u);
}

TEST_F(MessengerEventsTest, SinkAnsweringOnlyIDispatchReceivesEvents)
{
    // As a sink in Office's process looks when the event interface is not registered there.
    ComPtr<FakeOfficeSink> sink = FakeOfficeSink::create(IID_IDispatch, journal);
    DWORD cookie = 0;
    ASSERT_EQ(messenger->point().Advise(sink.get(), &cookie), S_OK);
    ComPtr<IDispatch> contact = extensionsutils::ComObject<TestMessengerContact>::create(L"bob").as<IDispatch>();

    EXPECT_EQ(messenger->Fire_OnContactStatusChange(contact.get(), MISTATUS_AWAY), S_OK);
    EXPECT_EQ(messenger->Fire_OnAppShutdown(), S_OK);

    EXPECT_EQ(firedIds(), (std::vector<DISPID>{OnContactStatusChangeId, OnAppShutdownId}));
    EXPECT_EQ(messenger->point().Unadvise(cookie), S_OK);
}

} // namespace
