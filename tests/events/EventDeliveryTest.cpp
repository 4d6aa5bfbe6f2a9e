#include "EventsFixture.h"
#include "TestMessenger.h"

#include "utils/ModuleLogSink.h"

#include "extensionsutils/ComPtr.h"
#include "extensionsutils/EventDelivery.h"
#include "extensionsutils/MICComPtr.h"

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

using extensionsutils::ComPtr;
using extensionsutils::EventDelivery;
using extensionsutils::MICComPtr;
using fakeoffice::FakeOfficeSink;
using fakeoffice::OfficeEvent;

namespace {

const DISPID OnContactStatusChangeId = 0x406;
const DISPID OnContactResolvedId = 0x41a;
const DWORD testStallLimitMs = 300;
const int contacts = 4;
const int changesPerContact = 50;

std::wstring signinNameOf(const OfficeEvent& event)
{
    ComPtr<IMessengerContact> contact = ComPtr<IDispatch>(event.arguments.at(0).get()->pdispVal).as<IMessengerContact>();
    extensionsutils::Bstr name;
    if (contact) contact->get_SigninName(name.out());
    return name.str();
}

// One Office's view of the status events it got: per contact, the statuses in arrival order.
std::map<std::wstring, std::vector<LONG>> statusesByContact(const std::vector<OfficeEvent>& events)
{
    std::map<std::wstring, std::vector<LONG>> statuses;
    for (const OfficeEvent& event : events) {
        if (event.id == OnContactStatusChangeId) statuses[signinNameOf(event)].push_back(event.arguments.at(1).get()->lVal);
    }
    return statuses;
}

class EventDeliveryTest : public EventsFixture
{
protected:
    void SetUp() override
    {
        EventsFixture::SetUp();
        EventDelivery::setStallLimit(testStallLimitMs);
        EventDelivery::setLogSink(std::make_shared<ModuleLogSink>());
    }

    void releaseModuleObjects() override
    {
        release->set(); // a hung handler returns before the sinks go
        EventDelivery::waitUntilSettled(20000);
        for (const ComPtr<FakeOfficeSink>& sink : sinks) sink->unadvise();
        sinks.clear();
        messenger.reset();
        EventDelivery::setLogSink(nullptr);
        EventDelivery::setStallLimit(EventDelivery::defaultStallLimitMs);
    }

    FakeOfficeSink* connectSink(std::shared_ptr<fakeoffice::OfficeEventJournal> journalOfSink)
    {
        sinks.push_back(FakeOfficeSink::create(DIID_DMessengerEvents, std::move(journalOfSink)));
        EXPECT_EQ(sinks.back()->advise(messenger.identity()), S_OK);
        return sinks.back().get();
    }

    // A storm: every contact changes status `changesPerContact` times, the statuses counting up; a
    // resolution answer in the middle.
    void fireStatus(int contactNumber, int status)
    {
        ComPtr<IDispatch> contact =
            extensionsutils::ComObject<TestMessengerContact>::create(L"c" + std::to_wstring(contactNumber)).as<IDispatch>();
        ASSERT_EQ(messenger->Fire_OnContactStatusChange(contact.get(), static_cast<MISTATUS>(status)), S_OK);
    }

    void fireStorm()
    {
        for (int change = 1; change <= changesPerContact; ++change) {
            for (int c = 0; c < contacts; ++c) fireStatus(c, change);
            if (change == changesPerContact / 2) {
                ASSERT_EQ(messenger->Fire_OnContactResolved(S_OK, ADDRESS_TYPE_SMTP, extensionsutils::Bstr(L"a@b").get(),
                                                            extensionsutils::Bstr(L"sip:a@b").get()),
                          S_OK);
            }
        }
    }

    // Each contact's statuses arrive in firing order, none twice, and the last one fired arrives last.
    static void expectLatestStateInOrder(const std::vector<OfficeEvent>& events)
    {
        const auto statuses = statusesByContact(events);
        ASSERT_EQ(statuses.size(), static_cast<std::size_t>(contacts));
        for (const auto& entry : statuses) {
            SCOPED_TRACE(entry.first);
            for (std::size_t i = 1; i < entry.second.size(); ++i) EXPECT_LT(entry.second[i - 1], entry.second[i]);
            EXPECT_EQ(entry.second.back(), changesPerContact);
        }
        std::size_t resolutions = 0;
        for (const OfficeEvent& event : events) resolutions += event.id == OnContactResolvedId;
        EXPECT_EQ(resolutions, 1u) << "a one-off event is never merged or dropped";
    }

    MICComPtr<TestMessenger> messenger = extensionsutils::ComObject<TestMessenger>::create();
    std::vector<ComPtr<FakeOfficeSink>> sinks;
    std::shared_ptr<vorn::Event> release = std::make_shared<vorn::Event>(false);
};

} // namespace

TEST_F(EventDeliveryTest, AHungOfficeDelaysNoOtherOfficeNorTheStopAndGetsTheLatestStateWhenItReturns)
{
    auto hungJournal = std::make_shared<fakeoffice::OfficeEventJournal>();
    FakeOfficeSink* hung = connectSink(hungJournal);
    connectSink(journal);
    auto entered = std::make_shared<vorn::Event>();
    auto gate = release;
    bool first = true;
    hung->setHook([&first, entered, gate](const OfficeEvent&) {
        if (!first) return;
        first = false;
        entered->set();
        gate->wait(60000); // Office stops answering in its handler
    });

    fireStatus(0, 0);
    ASSERT_EQ(entered->wait(5000), 0);
    fireStorm();

    // The other Office gets every contact's latest state while the first hangs, and the stop's wait
    // for the shutdown events comes back within the limit instead of waiting on the hung sink.
    const DWORD started = GetTickCount();
    EXPECT_TRUE(EventDelivery::waitUntilSettled(testStallLimitMs + 2000));
    EXPECT_LT(GetTickCount() - started, testStallLimitMs + 2000);
    expectLatestStateInOrder(journal->events());
    EXPECT_EQ(logCount(L"Event sink has not returned within the stall limit; marked stalled, its events are kept "
                       L"coalesced until it returns"),
              1u);
    ASSERT_EQ(messenger->Fire_OnAppShutdown(), S_OK);
    EXPECT_TRUE(EventDelivery::waitUntilSettled(testStallLimitMs + 2000)) << "the hung sink is not waited for again";
    EXPECT_EQ(journal->events().back().id, 0x408);

    // When it returns, the hung Office gets what its queue kept: one latest state per contact, the
    // resolution answer and shutdown, and nothing of the storm in between.
    release->set();
    std::vector<OfficeEvent> late;
    for (DWORD waited = 0; waited < 5000 && (late.empty() || late.back().id != 0x408); waited += 10) {
        Sleep(10); // the hung call has yet to return and stop counting as stalled
        late = hungJournal->events();
    }
    expectLatestStateInOrder(late);
    EXPECT_EQ(late.size(), 1u + contacts + 2u) << "the queue held one event per contact plus the one-offs";
    EXPECT_EQ(late.back().id, 0x408);
    EXPECT_EQ(logCount(L"Stalled event sink returned; delivering the latest state to it"), 1u);
}

TEST_F(EventDeliveryTest, HealthySinksGetEachContactsStatesInOrderAndTheLastOneAlways)
{
    auto secondJournal = std::make_shared<fakeoffice::OfficeEventJournal>();
    connectSink(journal);
    connectSink(secondJournal);

    fireStorm();

    ASSERT_TRUE(EventDelivery::waitUntilSettled(5000));
    expectLatestStateInOrder(journal->events());
    expectLatestStateInOrder(secondJournal->events());
    EXPECT_EQ(logCount(L"Event sink has not returned within the stall limit; marked stalled, its events are kept "
                       L"coalesced until it returns"),
              0u);
}
