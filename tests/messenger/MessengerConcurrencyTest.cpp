// The Messenger object under several Office callers at once, while the host client reports presence
// changes and answers resolutions and a writer changes the property maps: nothing waits forever, no
// event is lost, and nothing of the module outlives the object.

#include "MessengerFixture.h"

#include <algorithm>
#include <atomic>
#include <thread>

namespace {

// COM in the multithreaded apartment for one test thread.
struct ComThread {
    ComThread() { CoInitializeEx(nullptr, COINIT_MULTITHREADED); }
    ~ComThread() { CoUninitialize(); }
};

class MessengerConcurrencyTest : public MessengerTest {
protected:
    // The first time `function` logs on this thread (holding its lock), starts `other` on a thread of its
    // own, gives it 200 ms to reach the lock and wait there, then runs `then` on this thread.
    void whileInside(const wchar_t* function, std::function<void()> other, std::function<void()> then = [] {})
    {
        const DWORD caller = GetCurrentThreadId();
        host().addLogHook([=](const fakehost::LogRecord& record) {
            if (record.threadId != caller || record.function != function || entered_.exchange(true)) return;
            std::atomic<bool> started{false};
            other_ = std::thread([&started, other] { ComThread com; started = true; other(); });
            while (!started) Sleep(1);
            Sleep(200);
            then();
        });
    }

    void finish()
    {
        ASSERT_TRUE(entered_);
        other_.join();
        host().clearLogHooks();
    }

private:
    std::atomic<bool> entered_{false};
    std::thread other_;
};

TEST_F(MessengerConcurrencyTest, AWriteFromInsideAnOperationOnTheSameThreadIsRefusedAndChangesNothing)
{
    ComPtr<IMessengerAdvanced> api = messengerApi();
    HRESULT nested = S_OK;
    host().addLogHook([&](const fakehost::LogRecord& record) {
        if (record.function == L"TavoMessengerAdvanced::GetContact" && nested == S_OK)
            nested = api->put_Property(MMESSENGERPROP_VERSION, *text(L"14.0").get());
    });
    ComPtr<IDispatch> bob;
    EXPECT_EQ(S_OK, api->GetContact(Bstr(L"bob").get(), nullptr, bob.out()));
    host().clearLogHooks();
    EXPECT_EQ(E_UNEXPECTED, nested);
    EXPECT_EQ(1u, logCount(L"could not take the Messenger lock"));
    EXPECT_TRUE(property(lateBound().get(), L"Property", {number(MMESSENGERPROP_VERSION)}).isEmpty()) << "nothing was stored";
}

TEST_F(MessengerConcurrencyTest, AResolutionUnderWayWhenTheModuleStopsFinishesAndTheStopThen)
{
    ComPtr<IMessengerContactResolution> resolution = messenger.as<IMessengerContactResolution>();
    // While ResolveContact holds the Messenger lock, the module stop takes the object's integration lock
    // and waits for the Messenger lock; the resolution must not need the integration lock after that.
    whileInside(L"TavoMessengerAdvanced::ResolveContact", [this] { messenger->uninitialise(); });
    EXPECT_EQ(E_PENDING, resolution->ResolveContact(ADDRESS_TYPE_SMTP, CONTACT_RESOLUTION_ANY,
                                                    Bstr(L"bob@example.com").get(), nullptr));
    finish();
    EXPECT_EQ(0u, host().listenerCount()) << "the stop did not finish";
}

TEST_F(MessengerConcurrencyTest, CallersAWriterAndHostEventsTogetherLoseNothingAndLeaveNothingBehind)
{
    connectSink(messenger.identity());
    host().setResolutionMode(fakehost::FakeHost::ResolutionMode::Automatic);
    host().setResolutionAnswer(L"bob@example.com", L"bob");
    host().setEnabledHostLevels({}); // the host logger stays quiet: this test is about locks, not lines

    const int rounds = 100, readers = 4;
    ComPtr<IMessengerAdvanced> api = messengerApi();
    ComPtr<IMessengerContactResolution> resolution = messenger.as<IMessengerContactResolution>();
    std::atomic<int> failures{0};
    std::vector<std::thread> threads;
    for (int reader = 0; reader < readers; ++reader) {
        threads.emplace_back([&, reader] {
            ComThread com;
            for (int round = 0; round < rounds; ++round) {
                ComPtr<IDispatch> contact;
                failures += api->GetContact(Bstr(reader % 2 ? L"bob" : L"carol").get(), nullptr, contact.out()) != S_OK;
                MISTATUS status = MISTATUS_UNKNOWN;
                failures += api->get_MyStatus(&status) != S_OK || status != MISTATUS_ONLINE;
                failures += resolution->ResolveContact(ADDRESS_TYPE_SMTP, CONTACT_RESOLUTION_ANY,
                                                       Bstr(L"bob@example.com").get(), nullptr) != E_PENDING;
            }
        });
    }
    threads.emplace_back([&] {
        ComThread com;
        for (int round = 0; round < rounds; ++round) {
            failures += api->put_Property(MMESSENGERPROP_PLCID, *number(round).get()) != S_OK;
            failures += api->put_MyProperty(MCONTACTPROP_EMAIL, *number(round).get()) != S_OK;
        }
    });
    for (int round = 0; round < rounds; ++round) host().postPresenceChanged(round % 2 ? L"bob" : L"carol");
    for (std::thread& thread : threads) thread.join();
    host().waitForHostThread();
    EXPECT_EQ(0, failures.load());
    // Presence changes a sink has not been sent yet are replaced by newer ones for the same contact.
    EXPECT_TRUE(waitUntil([&] { return eventsWithId(officeevents::contactResolved).size() == std::size_t(readers * rounds) &&
                                    !eventsWithId(officeevents::contactStatusChange).empty(); }))
        << "resolutions " << eventsWithId(officeevents::contactResolved).size();
    // Presence is state: Office gets each contact's latest one, whatever it was not sent meanwhile.
    Strings changed;
    for (const OfficeEvent& event : eventsWithId(officeevents::contactStatusChange))
        changed.push_back(stringOf(property(event.arguments.at(0).get()->pdispVal, L"SigninName")));
    for (const wchar_t* name : {L"bob", L"carol"})
        EXPECT_NE(std::find(changed.begin(), changed.end(), std::wstring(name)), changed.end()) << narrow(name) << "'s state arrived";
}

} // namespace
