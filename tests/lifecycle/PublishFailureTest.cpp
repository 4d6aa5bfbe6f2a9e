// The module's code linked in, with COM's registration of class objects failing where a test says: a
// failed publishing leaves nothing registered, nothing running and nothing to revoke.
#include "LifecycleSupport.h"

#include "LocalServer.h"
#include "TavoMessengerExports.h"
#include "Workers.h"

#include "utils/Tr1FunctionWorker.h"

#include "common/ContractIds.h"
#include "support/ModuleFixture.h"

#include <gmock/gmock.h>

#include <tuple>

using ::testing::ElementsAre;

namespace {

const wchar_t* const messengerFailure =
    L"Could not register the Messenger class factory, releasing the factory and setting upandrunning to 0";
const wchar_t* const officeIntegrationFailure =
    L"Could not register the OfficeIntegrationImpl factory, releasing the factory and setting upandrunning to 0";

// The substitute registrar: what the module asked it for (class, context, flags), and the class it refuses
// with what.
std::mutex registrationsMutex;
std::vector<std::tuple<CLSID, DWORD, DWORD>> registrations; // guarded by registrationsMutex
const CLSID* refusedClass = nullptr;
HRESULT refusal = S_OK;

HRESULT STDAPICALLTYPE refusingRegistrar(REFCLSID clsid, IUnknown* object, DWORD context, DWORD flags, LPDWORD cookie)
{
    {
        std::lock_guard<std::mutex> lock(registrationsMutex);
        registrations.emplace_back(clsid, context, flags);
    }
    if (IsEqualCLSID(clsid, *refusedClass)) return refusal;
    return CoRegisterClassObject(clsid, object, context, flags, cookie);
}

// Work done on any worker but the fixture's own: the module's publishing is its first.
std::atomic<DWORD> fixtureWorker{0};
std::atomic<bool> moduleWorkDone{false};
void noteWorkDone()
{
    if (GetCurrentThreadId() != fixtureWorker) moduleWorkDone = true;
}

class PublishFailureTest : public ModuleFixture {
protected:
    void SetUp() override
    {
        registrations.clear();
        ModuleFixture::SetUp();
        fixtureWorker = workerThreadId;
        moduleWorkDone = false;
        Tr1FunctionWorker::setFinishedHook(&noteWorkDone);
        logWatch = std::make_unique<LogWatch>(host());
    }
    void releaseModuleObjects() override
    {
        callStopTavoMessenger(StopTavoMessengerImpl, nullptr);
        stopWorker(); // the fixture's own, which the watch may have seen log
        EXPECT_TRUE(logWatch->waitUntilOtherThreadsEnded(20000)) << "the worker thread did not end";
        TavoMessengerStateWorkers::setClassObjectRegistrar(nullptr);
        LocalServer::setStartFault(nullptr);
        Tr1FunctionWorker::setFinishedHook(nullptr);
    }

    void startAndWaitForThePublishingRefusing(const CLSID& clsid, HRESULT result)
    {
        refusedClass = &clsid;
        refusal = result;
        TavoMessengerStateWorkers::setClassObjectRegistrar(&refusingRegistrar);
        StartTavoMessengerImpl(0);
        ASSERT_TRUE(waitUntil([] { return moduleWorkDone.load(); })) << "the publishing did not run";
    }

    // What was asked for, in order, every registration for local-server activation usable by many clients;
    // the one error record (module level 4) of the publishing; then nothing runs and nothing is held.
    void expectPublishingFailed(const std::vector<CLSID>& asked, const std::wstring& message)
    {
        std::vector<std::tuple<CLSID, DWORD, DWORD>> expected;
        for (const CLSID& clsid : asked) expected.emplace_back(clsid, CLSCTX_LOCAL_SERVER, REGCLS_MULTIPLEUSE);
        {
            std::lock_guard<std::mutex> lock(registrationsMutex);
            EXPECT_EQ(expected, registrations);
        }
        expectLogged(message, 1);
        EXPECT_EQ(std::optional<DWORD>(0), readUpAndRunning());
        EXPECT_EQ(0, extensionsutils::moduleLockCount()) << "the factory was not released";
    }

    // A stop after a failed publishing finds nothing recorded to revoke.
    void expectAStopRevokesNothing()
    {
        host().clearLog();
        auto callback = std::make_shared<RecordingStoppedCallback>(&host());
        callStopTavoMessenger(StopTavoMessengerImpl, callback);
        ASSERT_TRUE(callback->waitForCall());
        EXPECT_EQ(1, callback->calls);
        EXPECT_THAT(messagesOf(host(), L"TavoMessengerStateWorkers::revokeMessenger"),
                    ElementsAre(L"About to begin revoking Messenger Class Factory", L"Revoking Messenger Class Factory complete"));
    }

    SavedProviderRegistry registry;
    std::unique_ptr<LogWatch> logWatch;
};

TEST_F(PublishFailureTest, AFailedMessengerRegistrationLeavesNothingPublished)
{
    startAndWaitForThePublishingRefusing(contractid::Messenger, E_OUTOFMEMORY);
    expectPublishingFailed({contractid::Messenger}, messengerFailure);
    expectAStopRevokesNothing();
}

TEST_F(PublishFailureTest, AFailedOfficeIntegrationRegistrationRevokesTheMessengerOne)
{
    std::optional<DWORD> upAndRunningAtRevocation;
    std::atomic<bool> messengerRegisteredAtRevocation{true};
    host().addLogHook([&](const fakehost::LogRecord& record) {
        if (record.message != L"Revoking Messenger Class Factory complete" || upAndRunningAtRevocation) return;
        upAndRunningAtRevocation = readUpAndRunning();
        messengerRegisteredAtRevocation = classObjectRegistered(contractid::Messenger);
    });
    startAndWaitForThePublishingRefusing(contractid::OfficeIntegrationImpl, E_ACCESSDENIED);
    expectPublishingFailed({contractid::Messenger, contractid::OfficeIntegrationImpl}, officeIntegrationFailure);
    EXPECT_THAT(messagesOf(host(), L"TavoMessengerStateWorkers::revokeMessenger"),
                ElementsAre(L"About to begin revoking Messenger Class Factory", L"calling classFactory->Uninitialize()",
                            L"Revoking Messenger Class Factory complete"));
    EXPECT_FALSE(messengerRegisteredAtRevocation.load()) << "the Messenger registration was not revoked";
    EXPECT_EQ(std::optional<DWORD>(1), upAndRunningAtRevocation);
    expectAStopRevokesNothing();
}

// A start may throw anything, not only standard exceptions; neither that nor a host callback that throws
// may unwind into the host.
void throwSomethingOdd() { throw 42; }

TEST_F(PublishFailureTest, AThrowingStartFailsCleanlyLeavingTheStopToRevoke)
{
    auto held = holdAt(host(), L"Revoking Messenger Class Factory complete");
    LocalServer::setStartFault(&throwSomethingOdd);
    EXPECT_EQ(E_FAIL, TavoMessengerStart(0));
    EXPECT_EQ(1u, logCount(L"Exception thrown during startup"));
    ASSERT_TRUE(held->waitUntilReached()) << "the failed start did not run its stop sequence";

    auto callback = std::make_shared<RecordingStoppedCallback>(&host(), throwSomethingOdd);
    callStopTavoMessenger(StopTavoMessengerImpl, callback);
    Sleep(50);
    EXPECT_EQ(0, callback->calls) << "notified while the failed start was still revoking";
    held->open();
    ASSERT_TRUE(callback->waitForCall());
    EXPECT_TRUE(callback->revocationLoggedBefore);
    Sleep(50);
    EXPECT_EQ(1, callback->calls);
    EXPECT_EQ(std::optional<DWORD>(0), readUpAndRunning());

    auto unstarted = std::make_shared<RecordingStoppedCallback>(nullptr, throwSomethingOdd);
    callStopTavoMessenger(StopTavoMessengerImpl, unstarted); // returns despite the throw
    EXPECT_EQ(1, unstarted->calls);
}

// A host that retries a failed start must get a running module, not S_OK with nothing published.
TEST_F(PublishFailureTest, AStartAfterAFailedStartPublishes)
{
    LocalServer::setStartFault(&throwSomethingOdd);
    EXPECT_EQ(E_FAIL, TavoMessengerStart(0));
    LocalServer::setStartFault(nullptr);
    EXPECT_EQ(S_OK, TavoMessengerStart(0));
    EXPECT_TRUE(waitUntil([] { return readUpAndRunning() == std::optional<DWORD>(2); })) << "nothing was published";
}

} // namespace
