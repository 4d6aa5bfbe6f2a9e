// The start and stop exports as the host client calls them: what a start publishes, what a stop takes
// away and when it tells the host, in every order a host may call them, and the log lines of each step.
#include "HostedModuleFixture.h"

#include "common/ContractIds.h"
#include "support/FakeOfficeSink.h"

#include "TavoMessengerLib.h"

#include <gmock/gmock.h>

#include <algorithm>

using ::testing::ElementsAre;

namespace {

const wchar_t* const revocationComplete = L"Revoking Messenger Class Factory complete";
const std::optional<DWORD> running(2), notRunning(0);

bool becomesRunning() { return waitUntil([] { return readUpAndRunning() == running; }); }

class StartStopTest : public HostedModuleTest {
protected:
    // Every record of the function came from `file`, at the progress level (module 2), on `thread`.
    void expectRecordsOf(const std::wstring& function, const std::wstring& file, DWORD thread) const
    {
        for (const fakehost::LogRecord& record : host().logRecords()) {
            if (record.function != function) continue;
            EXPECT_EQ(file + L" 3 " + std::to_wstring(thread),
                      record.file + L" " + std::to_wstring(record.hostLevel) + L" " + std::to_wstring(record.threadId));
        }
    }
    // A stop notifies once, and `servers` servers in all kept the host's logger to their shutdown's first line.
    void expectStoppedAfter(std::size_t servers)
    {
        EXPECT_EQ(1, stopAndWait()->calls);
        EXPECT_EQ(servers, logCount(L"About to Shutdown TavoMessenger")) << "the new server lost the host's logger";
        EXPECT_EQ(notRunning, readUpAndRunning());
    }
};

// No class is served in-process, running or not: Office must come through the registered class objects.
TEST_F(StartStopTest, DllGetClassObjectServesNoClassWhetherRunningOrNot)
{
    EXPECT_EQ(S_OK, module().canUnloadNow());
    EXPECT_EQ(notRunning, readUpAndRunning()) << "loading the module clears the value";
    const CLSID unknownClass = {0x5e1a6f2c, 0x1d3b, 0x4c8e, {0x9a, 0x41, 0x27, 0x0b, 0x6c, 0x33, 0xd9, 0x10}};
    for (bool started : {false, true}) {
        if (started) startAndWaitUntilPublished();
        for (const CLSID* clsid : {&contractid::Messenger, &contractid::OfficeIntegrationImpl, &unknownClass})
            for (const IID* iid : {&contractid::IClassFactory, &contractid::IUnknown}) {
                void* object = reinterpret_cast<void*>(1);
                EXPECT_EQ(CLASS_E_CLASSNOTAVAILABLE, module().getClassObject(*clsid, *iid, &object));
                EXPECT_EQ(nullptr, object) << "the out-parameter was not cleared";
            }
        EXPECT_EQ(E_POINTER, module().getClassObject(contractid::Messenger, contractid::IClassFactory, nullptr));
    }
}

TEST_F(StartStopTest, ASecondStartRunsNothing)
{
    startAndWaitUntilPublished(0);
    module().start(3);
    EXPECT_EQ(1u, logCount(L"starting"));
}

// The second stop, with the first still under way, notifies before it returns; the first notifies once,
// from the worker after its revocation.
TEST_F(StartStopTest, OfTwoStopsTheFirstNotifiesOnTheWorkerAfterTheRevocation)
{
    auto revocationApartment = std::make_shared<std::string>();
    host().addLogHook([revocationApartment](const fakehost::LogRecord& record) {
        if (record.message == revocationComplete) *revocationApartment = fakeoffice::currentApartment();
    });
    startAndWaitUntilPublished(0);
    auto first = newCallback();
    auto second = newCallback();
    module().stop(first);
    module().stop(second);
    EXPECT_EQ("1 here", second->calledWhere()) << "the second stop did not notify before returning";
    ASSERT_TRUE(first->waitForCall());
    Sleep(50); // a second notification would come from the worker thread now
    EXPECT_EQ("1 elsewhere", first->calledWhere());
    EXPECT_EQ(1u, logCount(revocationComplete));
    EXPECT_TRUE(first->revocationLoggedBefore);
    EXPECT_EQ("MTA", *revocationApartment) << "the revocation ran outside the worker's multithreaded apartment";
    EXPECT_EQ(host().recordsOf(revocationComplete).at(0).threadId, first->thread) << "the callback did not come from the worker thread";
    EXPECT_NE("MTA", first->apartment) << "COM was still initialised on the worker when the host was told";
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
    EXPECT_EQ(1u, logCount(L"calling classFactory->Uninitialize()")) << "the publishing did not run";
    EXPECT_EQ(notRunning, readUpAndRunning());
}

// Start, stop and start again before the first server's worker has published: that publishing comes after
// its own stop, and while the first server revokes, the provider must not read as running.
TEST_F(StartStopTest, AStoppedServersLatePublishingLeavesUpAndRunningAlone)
{
    std::optional<DWORD> whenTheFirstRevokes;
    host().addLogHook([&whenTheFirstRevokes](const fakehost::LogRecord& record) {
        if (record.message == L"About to begin revoking Messenger Class Factory" && !whenTheFirstRevokes)
            whenTheFirstRevokes = readUpAndRunning();
    });
    auto gate = holdAt(host(), L"Starting work for TR1FunctionWorker");
    module().start(0);
    ASSERT_TRUE(gate->waitUntilReached());
    auto first = newCallback();
    module().stop(first);
    module().start(0);
    gate->open();
    ASSERT_TRUE(first->waitForCall());
    EXPECT_EQ(std::optional<DWORD>(1), whenTheFirstRevokes) << "the stopped server marked the provider running";
    ASSERT_TRUE(becomesRunning()) << "the second server did not publish";
    expectStoppedAfter(2);
}

// A restart while the previous stop still runs on the old worker, held at two points of the revocation: the
// new server must publish only after the old one has revoked (two registrations of the class ids at once
// leave COM with none once the old one is revoked), keep the host's class object (its logger and every host
// object) when the old one finishes, stay marked running, and release every factory.
TEST_F(StartStopTest, ARestartDuringTheOldRevocationEndsActivatable)
{
    for (const wchar_t* heldAt : {L"calling classFactory->Uninitialize()", revocationComplete}) {
        SCOPED_TRACE(std::string(heldAt, heldAt + wcslen(heldAt)));
        host().clearLog();
        startAndWaitUntilPublished();
        auto gate = holdAt(host(), heldAt);
        auto first = newCallback();
        module().stop(first);
        ASSERT_TRUE(gate->waitUntilReached());
        module().start(0);
        Sleep(100); // a new server that did not wait would publish now
        gate->open();
        ASSERT_TRUE(first->waitForCall());
        ASSERT_TRUE(becomesRunning()) << "the new server is not marked running";
        Sleep(50);
        EXPECT_EQ(running, readUpAndRunning());
        EXPECT_TRUE(classObjectRegistered(contractid::Messenger));
        expectStoppedAfter(2);
        EXPECT_EQ(2u, logCount(revocationComplete));
        EXPECT_TRUE(unloadable()) << "a factory was never released";
    }
}

TEST_F(StartStopTest, AHostThatRestartsTheModuleFromItsStoppedCallbackGetsAWorkingServer)
{
    startAndWaitUntilPublished();
    auto restarting = std::make_shared<RecordingStoppedCallback>(&host(), [start = module().start] { start(0); });
    module().stop(restarting);
    ASSERT_TRUE(restarting->waitForCall());
    ASSERT_TRUE(becomesRunning());
    expectStoppedAfter(2);
    EXPECT_EQ(2u, logCount(L"starting"));
}

TEST_F(StartStopTest, WithoutTheHostsClassObjectTheModuleStillPublishes)
{
    host().revokeClassObject();
    startAndWaitUntilPublished();
    EXPECT_EQ("1 elsewhere", stopAndWait()->calledWhere());
    EXPECT_EQ(notRunning, readUpAndRunning());
    EXPECT_TRUE(host().logRecords().empty());
}

// The start logs its steps on the caller's thread with UpAndRunning 1 while it starts; the worker's first
// work item publishes both class objects and writes UpAndRunning 2; the stop clears it first and takes them away.
TEST_F(StartStopTest, TheStartLogsItsStepsOnTheCallersThreadThenPublishesOnTheWorker)
{
    std::optional<DWORD> whileStarting, whenShutdownBegins;
    host().addLogHook([&](const fakehost::LogRecord& record) {
        if (record.message == L"starting WorkerThread") whileStarting = readUpAndRunning();
        if (record.message == L"About to Shutdown TavoMessenger") whenShutdownBegins = readUpAndRunning();
    });
    startAndWaitUntilPublished();
    EXPECT_EQ(std::optional<DWORD>(1), whileStarting);
    EXPECT_THAT(messagesOf(host(), L"LocalServer::start"),
                ElementsAre(L"starting", L"Setting UpAndRunning to 1",
                            L"Checking if IMessenger Interface Typelibs are set to TavoMessenger GUID", L"starting WorkerThread",
                            L"adding new MessengerPublisherWorker", L"MessengerPublisherWorker work added"));
    expectRecordsOf(L"LocalServer::start", L"extensions/tavomessenger/LocalServer", GetCurrentThreadId());
    const std::vector<std::wstring> log = host().logMessages();
    const auto at = [&log](const wchar_t* message) { return std::find(log.begin(), log.end(), message) - log.begin(); };
    EXPECT_LT(at(L"Check values under HKEY_CURRENT_USER hive"), at(L"starting WorkerThread")) << "the repair ran after the start";
    const std::vector<fakehost::LogRecord> published = host().recordsOf(L"Setting up and running to: 2");
    ASSERT_EQ(1u, published.size());
    EXPECT_EQ(host().recordsOf(L"Starting work for TR1FunctionWorker").at(0).threadId, published[0].threadId);
    EXPECT_NE(GetCurrentThreadId(), published[0].threadId);
    EXPECT_EQ(S_FALSE, module().canUnloadNow()) << "the registered class factory lives";
    stopAndWait();
    EXPECT_EQ(notRunning, whenShutdownBegins) << "UpAndRunning is not cleared first";
    EXPECT_FALSE(classObjectRegistered(contractid::Messenger) || classObjectRegistered(contractid::OfficeIntegrationImpl));
    EXPECT_TRUE(unloadable()) << "something of the module outlived its stop";
}

TEST_F(StartStopTest, TheStopLogsItsStepsThenTheRevocationOnTheWorker)
{
    startAndWaitUntilPublished();
    host().clearLog();
    // The worker waits until the stop has returned, so that the stop's last line is written while the
    // module still holds the host's logger.
    auto gate = holdAt(host(), L"About to begin revoking Messenger Class Factory");
    auto callback = newCallback();
    module().stop(callback);
    gate->open();
    ASSERT_TRUE(callback->waitForCall());
    EXPECT_THAT(messagesOf(host(), L"LocalServer::PerformShutdown"),
                ElementsAre(L"About to Shutdown TavoMessenger", L"Creating MessengerRevokerWorker", L"Stopping worker thread"));
    EXPECT_THAT(messagesOf(host(), L"LocalServer::stop"), ElementsAre(L"leaving critical section, shutdown complete"));
    expectRecordsOf(L"LocalServer::PerformShutdown", L"extensions/tavomessenger/LocalServer", GetCurrentThreadId());
    expectRecordsOf(L"LocalServer::stop", L"extensions/tavomessenger/LocalServer", GetCurrentThreadId());
    // Office never created the object: no shutdown events, only the revocation.
    EXPECT_THAT(messagesOf(host(), L"TavoMessengerStateWorkers::revokeMessenger"),
        ElementsAre(L"About to begin revoking Messenger Class Factory", L"calling classFactory->Uninitialize()", revocationComplete));
    EXPECT_TRUE(messagesOf(host(), L"TavoMessengerStateWorkers::applicationShutdown").empty());
    const DWORD worker = host().recordsOf(L"About to begin revoking Messenger Class Factory").at(0).threadId;
    expectRecordsOf(L"TavoMessengerStateWorkers::revokeMessenger", L"extensions/tavomessenger/Workers", worker);
    EXPECT_TRUE(waitUntil([this] { return host().liveObjectCount() == 0; })) << "a host object is still held";
    const std::size_t written = host().logRecords().size();
    module().stop(nullptr);
    EXPECT_EQ(written, host().logRecords().size()) << "the module logged after its stop had finished";
}

} // namespace
