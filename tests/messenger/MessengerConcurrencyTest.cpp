// The Messenger object under several Office callers at once, while the host client reports presence
// changes and answers resolutions and a writer changes the property maps: nothing waits forever, no
// event is lost, and nothing of the module outlives the object.

#include "MessengerFixture.h"

#include <atomic>
#include <thread>

namespace {

// COM in the multithreaded apartment for one test thread.
struct ComThread {
    ComThread() { CoInitializeEx(nullptr, COINIT_MULTITHREADED); }
    ~ComThread() { CoUninitialize(); }
};

using MessengerConcurrencyTest = MessengerTest;

TEST_F(MessengerConcurrencyTest, AWriteFromInsideAnOperationOnItsThreadIsRefused)
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

TEST_F(MessengerConcurrencyTest, AStopWaitsForAResolutionUnderWay)
{
    // While ResolveContact holds the Messenger lock, the module stop takes the object's integration lock
    // and waits for the Messenger lock; the resolution must not need the integration lock after that.
    const DWORD caller = GetCurrentThreadId();
    std::thread stop;
    host().addLogHook([&](const fakehost::LogRecord& record) {
        if (record.threadId != caller || record.function != L"TavoMessengerAdvanced::ResolveContact" || stop.joinable()) return;
        std::atomic<bool> started{false};
        stop = std::thread([&started, this] {
            ComThread com;
            started = true;
            messenger->uninitialise();
        });
        while (!started) Sleep(1);
        Sleep(200); // for the stop to reach the lock and wait there
    });
    EXPECT_EQ(E_PENDING, resolve(L"bob@example.com"));
    host().clearLogHooks();
    ASSERT_TRUE(stop.joinable());
    stop.join();
    EXPECT_EQ(0u, host().listenerCount()) << "the stop did not finish";
}

TEST_F(MessengerConcurrencyTest, CallersAWriterAndHostEventsTogetherLoseNothing)
{
    connectSink(messenger.identity());
    host().setResolutionMode(fakehost::FakeHost::ResolutionMode::Automatic);
    host().setResolutionAnswer(L"bob@example.com", L"bob");
    host().setEnabledHostLevels({}); // the host logger stays quiet: this test is about locks, not lines

    const int rounds = 100, readers = 4;
    ComPtr<IMessengerAdvanced> api = messengerApi();
    ComPtr<IMessengerContactResolution> resolution = messenger.as<IMessengerContactResolution>();
    std::atomic<int> failures{0}, next{0};
    Threads reading(readers, [&] {
        ComThread com;
        const Bstr name(next++ % 2 ? L"bob" : L"carol"), address(L"bob@example.com");
        for (int round = 0; round < rounds; ++round) {
            ComPtr<IDispatch> contact;
            failures += api->GetContact(name.get(), nullptr, contact.out()) != S_OK;
            MISTATUS status = MISTATUS_UNKNOWN;
            failures += api->get_MyStatus(&status) != S_OK || status != MISTATUS_ONLINE;
            failures += resolution->ResolveContact(ADDRESS_TYPE_SMTP, CONTACT_RESOLUTION_ANY, address.get(), nullptr) != E_PENDING;
        }
    });
    Threads writing(1, [&] {
        ComThread com;
        for (int round = 0; round < rounds; ++round)
            failures += (api->put_Property(MMESSENGERPROP_PLCID, *number(round).get()) |
                         api->put_MyProperty(MCONTACTPROP_EMAIL, *number(round).get())) != S_OK;
    });
    for (int round = 0; round < rounds; ++round) host().postPresenceChanged(round % 2 ? L"bob" : L"carol");
    reading.join();
    writing.join();
    host().waitForHostThread();
    EXPECT_EQ(0, failures.load());
    // Presence is state (a change not sent yet gives way to a newer one): the event tests show which arrive.
    EXPECT_TRUE(waitUntil([&] { return eventsWithId(officeevents::contactResolved).size() == std::size_t(readers * rounds) &&
                                    !eventsWithId(officeevents::contactStatusChange).empty(); }))
        << "resolutions " << eventsWithId(officeevents::contactResolved).size();
}

} // namespace
