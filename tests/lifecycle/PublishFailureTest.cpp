#include "Gate.h"
#include "LogWatch.h"
#include "ProviderRegistry.h"
#include "RecordingStoppedCallback.h"
#include "support/ThreadTestHelpers.h"

#include "LocalServer.h"
#include "TavoMessengerExports.h"
#include "Workers.h"

#include "support/FakeHostEnvironment.h"

#include "extensionsutils/ModuleLock.h"

#include "TavoMessengerLib.h"

#include "Watchdog.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <objbase.h>

#include <atomic>
#include <mutex>
#include <optional>
#include <vector>

using ::testing::ElementsAre;

namespace {

const wchar_t* const publishFinished = L"Finished work for TR1FunctionWorker";
const wchar_t* const messengerFailure =
    L"Could not register the Messenger class factory, releasing the factory and setting upandrunning to 0";
const wchar_t* const officeIntegrationFailure =
    L"Could not register the OfficeIntegrationImpl factory, releasing the factory and setting upandrunning to 0";

// What the module asked the substitute registrar for.
struct Registration {
    CLSID clsid;
    DWORD context;
    DWORD flags;
};

std::mutex registrationsMutex;
std::vector<Registration> registrations; // guarded by registrationsMutex
std::atomic<DWORD> messengerCookie{0};

void recordRegistration(REFCLSID clsid, DWORD context, DWORD flags)
{
    std::lock_guard<std::mutex> lock(registrationsMutex);
    registrations.push_back(Registration{clsid, context, flags});
}

std::vector<Registration> recordedRegistrations()
{
    std::lock_guard<std::mutex> lock(registrationsMutex);
    return registrations;
}

HRESULT STDAPICALLTYPE failingForMessenger(REFCLSID clsid, IUnknown* object, DWORD context, DWORD flags, LPDWORD cookie)
{
    recordRegistration(clsid, context, flags);
    if (IsEqualCLSID(clsid, CLSID_Messenger)) return E_OUTOFMEMORY;
    return CoRegisterClassObject(clsid, object, context, flags, cookie);
}

HRESULT STDAPICALLTYPE failingForOfficeIntegration(REFCLSID clsid, IUnknown* object, DWORD context, DWORD flags,
                                                   LPDWORD cookie)
{
    recordRegistration(clsid, context, flags);
    if (IsEqualCLSID(clsid, CLSID_OfficeIntegrationImpl)) return E_ACCESSDENIED;
    const HRESULT hr = CoRegisterClassObject(clsid, object, context, flags, cookie);
    if (SUCCEEDED(hr)) messengerCookie = *cookie;
    return hr;
}

bool isRegistered(REFCLSID clsid)
{
    extensionsutils::ComPtr<IClassFactory> factory;
    return CoGetClassObject(clsid, CLSCTX_LOCAL_SERVER, nullptr, IID_IClassFactory,
                            reinterpret_cast<void**>(factory.out())) == S_OK;
}

// The module's code linked into the test, with COM's registration of class objects failing where a test
// says; the host client is the fake, registered in this process.
class PublishFailureTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        {
            std::lock_guard<std::mutex> lock(registrationsMutex);
            registrations.clear();
        }
        ASSERT_EQ(S_OK, environment_.registration());
        logWatch_ = std::make_unique<LogWatch>(host());
    }

    void TearDown() override
    {
        callStopTavoMessenger(StopTavoMessengerImpl, nullptr);
        EXPECT_TRUE(logWatch_->waitUntilOtherThreadsEnded(20000)) << "the worker thread did not end";
        TavoMessengerStateWorkers::setClassObjectRegistrar(nullptr);
        LocalServer::setStartFault(nullptr);
        host().clearLogHooks();
    }

    fakehost::FakeHost& host() const { return environment_.host(); }

    void startAndWaitForThePublishing(TavoMessengerStateWorkers::ClassObjectRegistrar registrar)
    {
        TavoMessengerStateWorkers::setClassObjectRegistrar(registrar);
        StartTavoMessengerImpl(0);
        ASSERT_TRUE(waitUntil([this] { return host().logged(publishFinished); })) << "the publishing did not run";
    }

    // Every registration was asked for local-server activation, usable by many clients.
    static void expectLocalServerRegistrations(const std::vector<Registration>& asked)
    {
        for (const Registration& registration : asked) {
            EXPECT_EQ(static_cast<DWORD>(CLSCTX_LOCAL_SERVER), registration.context);
            EXPECT_EQ(static_cast<DWORD>(REGCLS_MULTIPLEUSE), registration.flags);
        }
    }

    // A stop after a failed publishing finds nothing recorded to revoke.
    void expectAStopRevokesNothing()
    {
        host().clearLog();
        auto callback = std::make_shared<RecordingStoppedCallback>(&host());
        callStopTavoMessenger(StopTavoMessengerImpl, callback);
        ASSERT_TRUE(callback->waitForCall());
        EXPECT_EQ(1, callback->calls());
        EXPECT_THAT(messagesOf(L"TavoMessengerStateWorkers::revokeMessenger"),
                    ElementsAre(L"About to begin revoking Messenger Class Factory",
                                L"Revoking Messenger Class Factory complete"));
        EXPECT_EQ(std::optional<DWORD>(0), readUpAndRunning());
    }

    std::vector<std::wstring> messagesOf(const std::wstring& function) const
    {
        std::vector<std::wstring> messages;
        for (const fakehost::LogRecord& record : host().logRecords())
            if (record.function == function) messages.push_back(record.message);
        return messages;
    }

    // The one error record with this message, written by the publishing.
    void expectPublishingError(const std::wstring& message) const
    {
        const std::vector<fakehost::LogRecord> records = host().recordsOf(message);
        ASSERT_EQ(1u, records.size());
        EXPECT_EQ(1, records[0].hostLevel); // module level 4
        EXPECT_EQ(L"TavoMessengerStateWorkers::publishMessenger", records[0].function);
        EXPECT_EQ(L"extensions/tavomessenger/Workers", records[0].file);
    }

    Watchdog watchdog_{60000, "publish failure test"};
    SavedProviderRegistry registry_;
    fakehost::FakeHostEnvironment environment_;
    std::unique_ptr<LogWatch> logWatch_;
};

TEST_F(PublishFailureTest, AFailedMessengerRegistrationRegistersNothingElseReleasesTheFactoryAndClearsUpAndRunning)
{
    startAndWaitForThePublishing(&failingForMessenger);

    const std::vector<Registration> asked = recordedRegistrations();
    ASSERT_EQ(1u, asked.size()) << "the OfficeIntegrationImpl class was registered after the first failure";
    EXPECT_TRUE(IsEqualCLSID(CLSID_Messenger, asked[0].clsid));
    expectLocalServerRegistrations(asked);
    EXPECT_FALSE(isRegistered(CLSID_OfficeIntegrationImpl));
    expectPublishingError(messengerFailure);
    EXPECT_EQ(std::optional<DWORD>(0), readUpAndRunning());
    EXPECT_EQ(0, extensionsutils::moduleLockCount()) << "the factory was not released";

    expectAStopRevokesNothing();
}

TEST_F(PublishFailureTest, AFailedOfficeIntegrationRegistrationRevokesTheMessengerRegistrationBeforeThePublishingEnds)
{
    std::optional<DWORD> upAndRunningAtRevocation;
    std::atomic<bool> messengerRegisteredAtRevocation{true};
    host().addLogHook([&](const fakehost::LogRecord& record) {
        if (record.message != L"Revoking Messenger Class Factory complete" || upAndRunningAtRevocation) return;
        upAndRunningAtRevocation = readUpAndRunning();
        messengerRegisteredAtRevocation = isRegistered(CLSID_Messenger);
    });
    startAndWaitForThePublishing(&failingForOfficeIntegration);

    const std::vector<Registration> asked = recordedRegistrations();
    ASSERT_EQ(2u, asked.size());
    EXPECT_TRUE(IsEqualCLSID(CLSID_Messenger, asked[0].clsid));
    EXPECT_TRUE(IsEqualCLSID(CLSID_OfficeIntegrationImpl, asked[1].clsid));
    expectLocalServerRegistrations(asked);
    expectPublishingError(officeIntegrationFailure);

    EXPECT_THAT(messagesOf(L"TavoMessengerStateWorkers::revokeMessenger"),
                ElementsAre(L"About to begin revoking Messenger Class Factory", L"calling classFactory->Uninitialize()",
                            L"Revoking Messenger Class Factory complete"));
    EXPECT_FALSE(messengerRegisteredAtRevocation.load()) << "the Messenger registration was not revoked";
    EXPECT_EQ(std::optional<DWORD>(1), upAndRunningAtRevocation);
    EXPECT_TRUE(FAILED(CoRevokeClassObject(messengerCookie.load()))) << "the registration was still there";
    EXPECT_EQ(std::optional<DWORD>(0), readUpAndRunning());
    EXPECT_EQ(0, extensionsutils::moduleLockCount()) << "the factory was not released";

    expectAStopRevokesNothing();
}

// A start may throw anything, not only standard exceptions; neither that nor a host callback that throws
// may unwind into the host.
void throwSomethingOdd()
{
    throw 42;
}

class ThrowingCallback : public RecordingStoppedCallback {
public:
    using RecordingStoppedCallback::RecordingStoppedCallback;
    void onStopped() override
    {
        RecordingStoppedCallback::onStopped();
        throw 7;
    }
};

TEST_F(PublishFailureTest, AStartThatThrowsFailsCleanlyAndALaterStopIsNotifiedOnlyAfterItsRevocation)
{
    auto held = holdAt(host(), L"Revoking Messenger Class Factory complete");
    LocalServer::setStartFault(&throwSomethingOdd);
    EXPECT_EQ(E_FAIL, TavoMessengerStart(0));
    EXPECT_EQ(1u, host().recordsOf(L"Exception thrown during startup").size());
    ASSERT_TRUE(held->waitUntilReached()) << "the failed start did not run its stop sequence";

    auto callback = std::make_shared<ThrowingCallback>(&host());
    callStopTavoMessenger(StopTavoMessengerImpl, callback);
    Sleep(50);
    EXPECT_EQ(0, callback->calls()) << "notified while the failed start was still revoking";
    held->open();
    ASSERT_TRUE(callback->waitForCall());
    EXPECT_TRUE(callback->revocationLoggedBefore());
    Sleep(50);
    EXPECT_EQ(1, callback->calls());
    EXPECT_EQ(std::optional<DWORD>(0), readUpAndRunning());

    auto unstarted = std::make_shared<ThrowingCallback>();
    callStopTavoMessenger(StopTavoMessengerImpl, unstarted); // returns despite the throw
    EXPECT_EQ(1, unstarted->calls());
}

} // namespace
