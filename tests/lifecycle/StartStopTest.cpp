#include "Gate.h"
#include "HostedModuleFixture.h"
#include "support/ThreadTestHelpers.h"

#include "extensionsutils/ComPtr.h"

#include "TavoMessengerLib.h"

#include <objbase.h>

#include <optional>

namespace {

const wchar_t* const revocationComplete = L"Revoking Messenger Class Factory complete";

using StartStopTest = HostedModuleTest;

TEST_F(StartStopTest, AStopBeforeAnyStartNotifiesTheCallbackBeforeItReturnsOnTheCallersThread)
{
    auto callback = newCallback();
    module().stop(callback);
    EXPECT_EQ(1, callback->calls());
    EXPECT_EQ(GetCurrentThreadId(), callback->thread());
    module().stop(nullptr); // no callback at all is no harm
    EXPECT_EQ(1, callback->calls());
    // Without a server the module holds no host class object, so nothing can have been logged.
    EXPECT_TRUE(host().logRecords().empty());
}

TEST_F(StartStopTest, ASecondStartIsIgnoredAndTheOneStopNotifiesOnceOnTheWorkerAfterTheRevocation)
{
    startAndWaitUntilPublished(0);
    module().start(3);
    EXPECT_EQ(1u, recordsOf(L"starting").size()) << "the second start ran a start sequence";
    EXPECT_EQ(1u, recordsOf(L"adding new MessengerPublisherWorker").size());

    auto callback = newCallback();
    module().stop(callback);
    ASSERT_TRUE(callback->waitForCall());
    Sleep(50); // a second notification would come from the worker thread now
    EXPECT_EQ(1, callback->calls());
    EXPECT_TRUE(callback->revocationLoggedBefore());

    const auto revocation = logWatch().firstSighting(revocationComplete);
    ASSERT_TRUE(revocation.has_value());
    EXPECT_NE(GetCurrentThreadId(), revocation->thread);
    EXPECT_EQ("MTA", revocation->apartment) << "the revocation ran outside the worker's multithreaded apartment";
    EXPECT_EQ(revocation->thread, callback->thread()) << "the callback did not come from the worker thread";
    EXPECT_NE("MTA", callback->apartment()) << "COM was still initialised on the worker when the host was told";
    EXPECT_EQ(std::optional<DWORD>(0), readUpAndRunning());
}

TEST_F(StartStopTest, ASecondStopNotifiesItsCallbackAtOnceAndTheFirstOnceTheWorkerIsDone)
{
    startAndWaitUntilPublished();
    auto first = newCallback();
    auto second = newCallback();
    module().stop(first);
    module().stop(second);
    EXPECT_EQ(1, second->calls()) << "the second stop did not notify before returning";
    EXPECT_EQ(GetCurrentThreadId(), second->thread());

    ASSERT_TRUE(first->waitForCall());
    EXPECT_EQ(1, first->calls());
    EXPECT_NE(GetCurrentThreadId(), first->thread());
    EXPECT_EQ(1u, recordsOf(revocationComplete).size());
}

TEST_F(StartStopTest, UpAndRunningAndTheClassObjectsFollowTheStartAndTheStopAndNothingOutlivesIt)
{
    std::optional<DWORD> whileStarting;
    std::optional<DWORD> whenShutdownBegins;
    host().addLogHook([&](const fakehost::LogRecord& record) {
        if (record.message == L"starting WorkerThread") whileStarting = readUpAndRunning();
        if (record.message == L"About to Shutdown TavoMessenger") whenShutdownBegins = readUpAndRunning();
    });
    EXPECT_EQ(std::optional<DWORD>(0), readUpAndRunning()) << "loading the module clears the value";
    EXPECT_EQ(S_OK, module().canUnloadNow());

    startAndWaitUntilPublished();
    EXPECT_EQ(std::optional<DWORD>(1), whileStarting);
    EXPECT_EQ(S_FALSE, module().canUnloadNow()) << "the registered class factory lives";
    for (const CLSID& clsid : {CLSID_Messenger, CLSID_OfficeIntegrationImpl}) {
        extensionsutils::ComPtr<IClassFactory> factory;
        EXPECT_EQ(S_OK, CoGetClassObject(clsid, CLSCTX_LOCAL_SERVER, nullptr, IID_IClassFactory,
                                         reinterpret_cast<void**>(factory.out())));
    }

    stopAndWait();
    EXPECT_EQ(std::optional<DWORD>(0), whenShutdownBegins);
    EXPECT_EQ(std::optional<DWORD>(0), readUpAndRunning());
    for (const CLSID& clsid : {CLSID_Messenger, CLSID_OfficeIntegrationImpl}) {
        extensionsutils::ComPtr<IClassFactory> factory;
        EXPECT_NE(S_OK, CoGetClassObject(clsid, CLSCTX_LOCAL_SERVER, nullptr, IID_IClassFactory,
                                         reinterpret_cast<void**>(factory.out())))
            << "a class object is still registered after the stop";
    }
    EXPECT_TRUE(waitUntil([this] { return module().canUnloadNow() == S_OK; })) << "something of the module outlived its stop";
}

// The host may stop the module before its worker has published the class objects: publishing then
// happens after the stop's first step, and must not leave Office a provider marked running.
TEST_F(StartStopTest, AStopBeforeThePublishingHasRunLeavesUpAndRunningAtZero)
{
    auto gate = holdAt(host(), L"Starting work for TR1FunctionWorker");
    module().start(0);
    ASSERT_TRUE(gate->waitUntilReached());
    auto callback = newCallback();
    module().stop(callback);
    gate->open();

    ASSERT_TRUE(callback->waitForCall());
    EXPECT_EQ(1u, recordsOf(L"calling classFactory->Uninitialize()").size()) << "the publishing did not run";
    EXPECT_EQ(std::optional<DWORD>(0), readUpAndRunning());
}

// The host may start the module again before the previous stop has finished on the old worker thread.
// The new server must keep the host client's class object (its logger and every host object) when the old
// server finishes, and UpAndRunning must stay 2 for it.
TEST_F(StartStopTest, ARestartBeforeThePreviousStopHasFinishedKeepsTheHostForTheNewServer)
{
    startAndWaitUntilPublished();
    auto gate = holdAt(host(), revocationComplete);
    auto first = newCallback();
    module().stop(first);
    ASSERT_TRUE(gate->waitUntilReached());
    module().start(0);
    gate->open();
    ASSERT_TRUE(first->waitForCall());
    ASSERT_TRUE(waitUntil([] { return readUpAndRunning() == std::optional<DWORD>(2); }))
        << "the new server is not marked running";
    Sleep(50);
    EXPECT_EQ(std::optional<DWORD>(2), readUpAndRunning());

    auto second = stopAndWait();
    EXPECT_EQ(1, second->calls());
    EXPECT_EQ(2u, recordsOf(L"About to Shutdown TavoMessenger").size()) << "the new server lost the host's logger";
    EXPECT_EQ(2u, recordsOf(revocationComplete).size());
    EXPECT_EQ(std::optional<DWORD>(0), readUpAndRunning());
}

// Two registrations of the class ids at once leave COM with none once the old one is revoked: the new
// server must publish only after the old one has revoked, and every factory must be released.
TEST_F(StartStopTest, ARestartWhileTheOldServerStillRevokesEndsActivatableWithEveryFactoryReleased)
{
    startAndWaitUntilPublished();
    auto gate = holdAt(host(), L"calling classFactory->Uninitialize()");
    auto first = newCallback();
    module().stop(first);
    ASSERT_TRUE(gate->waitUntilReached());
    module().start(0);
    Sleep(100); // a new server that did not wait would publish now
    gate->open();
    ASSERT_TRUE(first->waitForCall());
    ASSERT_TRUE(waitUntil([] { return readUpAndRunning() == std::optional<DWORD>(2); }));
    extensionsutils::ComPtr<IClassFactory> factory;
    EXPECT_EQ(S_OK, CoGetClassObject(CLSID_Messenger, CLSCTX_LOCAL_SERVER, nullptr, IID_IClassFactory,
                                     reinterpret_cast<void**>(factory.out())));
    factory.reset();
    stopAndWait();
    EXPECT_TRUE(waitUntil([this] { return module().canUnloadNow() == S_OK; })) << "a factory was never released";
}

// A host that restarts the module from its stopped callback, on the module's worker thread.
class RestartingCallback : public RecordingStoppedCallback {
public:
    RestartingCallback(const fakehost::FakeHost* host, StartTavoMessengerFunction start)
        : RecordingStoppedCallback(host), start_(start)
    {
    }
    void onStopped() override
    {
        start_(0);
        RecordingStoppedCallback::onStopped();
    }

private:
    StartTavoMessengerFunction start_;
};

TEST_F(StartStopTest, AHostThatRestartsTheModuleFromItsStoppedCallbackGetsAWorkingServer)
{
    startAndWaitUntilPublished();
    auto restarting = std::make_shared<RestartingCallback>(&host(), module().start);
    module().stop(restarting);
    ASSERT_TRUE(restarting->waitForCall());
    ASSERT_TRUE(waitUntil([] { return readUpAndRunning() == std::optional<DWORD>(2); }));

    auto callback = stopAndWait();
    EXPECT_EQ(1, callback->calls());
    EXPECT_EQ(2u, recordsOf(L"starting").size());
    EXPECT_EQ(2u, recordsOf(L"About to Shutdown TavoMessenger").size()) << "the new server lost the host's logger";
    EXPECT_EQ(std::optional<DWORD>(0), readUpAndRunning());
}

TEST_F(StartStopTest, WithoutTheHostsClassObjectTheModuleStillPublishesAndStopsSilently)
{
    host().revokeClassObject();
    startAndWaitUntilPublished();
    auto callback = stopAndWait();
    EXPECT_EQ(1, callback->calls());
    EXPECT_NE(GetCurrentThreadId(), callback->thread());
    EXPECT_EQ(std::optional<DWORD>(0), readUpAndRunning());
    EXPECT_TRUE(host().logRecords().empty());
}

} // namespace
