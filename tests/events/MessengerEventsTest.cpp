#include "EventsFixture.h"
#include "TestMessenger.h"

#include "extensionsutils/ComPtr.h"
#include "extensionsutils/MICComPtr.h"

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

// How each sink meets the events (its own copies, either interface, a failing or leaving neighbour) is the
// connection point's, tested with it; here: what the Messenger object's events carry.
TEST_F(MessengerEventsTest, EventsCarryTheContactAndTheStatusAndShutdownSendsOfflineThenAppShutdown)
{
    connectSink();
    connectSink();
    ComPtr<IDispatch> contact = extensionsutils::ComObject<TestMessengerContact>::create(L"bob").as<IDispatch>();
    EXPECT_EQ(messenger->Fire_OnContactStatusChange(contact.get(), MISTATUS_BUSY), S_OK);
    for (const OfficeEvent& event : journal->events()) {
        EXPECT_EQ(event.id, OnContactStatusChangeId);
        EXPECT_EQ(event.flags, DISPATCH_METHOD);
        ASSERT_EQ(event.arguments.size(), 2u);
        ASSERT_EQ(event.arguments[0].type(), VT_DISPATCH);
        EXPECT_TRUE(extensionsutils::sameComObject(event.arguments[0].get()->pdispVal, contact.get()));
        EXPECT_EQ(event.arguments[1].get()->lVal, MISTATUS_BUSY);
    }
    EXPECT_EQ(journal->count(), 2u);

    EXPECT_EQ(messenger->Fire_OnMyStatusChange(S_OK, MISTATUS_OFFLINE), S_OK);
    EXPECT_EQ(messenger->Fire_OnAppShutdown(), S_OK);
    std::vector<OfficeEvent> shutdown = journal->events();
    shutdown.erase(shutdown.begin(), shutdown.begin() + 2);
    ASSERT_EQ(shutdown.size(), 4u);
    for (const OfficeEvent& event : shutdown) {
        if (event.id == OnAppShutdownId) {
            EXPECT_TRUE(event.arguments.empty());
            continue;
        }
        EXPECT_EQ(event.id, OnMyStatusChangeId);
        ASSERT_EQ(event.arguments.size(), 2u);
        EXPECT_EQ(event.arguments[0].type(), VT_I4);
        EXPECT_EQ(event.arguments[0].get()->lVal, 0);
        EXPECT_EQ(event.arguments[1].get()->lVal, 1);
    }
    EXPECT_EQ(logCount(L"Fire_OnAppShutdown - exit"), 1u);
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

} // namespace
