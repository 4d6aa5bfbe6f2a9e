// The Messenger object's lock against callers that meet it on one thread or across the module stop: a
// nested write is refused, and the stop never waits forever for a resolution under way. (Many callers at
// once, with the host firing changes, are the soak's.)

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

} // namespace
