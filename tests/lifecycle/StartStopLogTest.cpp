#include "Gate.h"
#include "HostedModuleFixture.h"
#include "support/ThreadTestHelpers.h"

#include <gmock/gmock.h>

#include <string>
#include <vector>

using fakehost::LogRecord;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

namespace {

const wchar_t* const localServerFile = L"extensions/tavomessenger/LocalServer";
const wchar_t* const workersFile = L"extensions/tavomessenger/Workers";
const long progressHostLevel = 3; // module level 2

class StartStopLogTest : public HostedModuleTest {
protected:
    // Position of the first record with this message in the whole log; -1 when missing.
    long positionOf(const std::wstring& message) const
    {
        const std::vector<LogRecord> records = host().logRecords();
        for (std::size_t i = 0; i < records.size(); ++i)
            if (records[i].message == message) return static_cast<long>(i);
        ADD_FAILURE() << "not logged: " << std::string(message.begin(), message.end());
        return -1;
    }

    // Every record of the function came from `file`, at the progress level, on `thread`.
    void expectRecordsOf(const std::wstring& function, const std::wstring& file, DWORD thread) const
    {
        for (const LogRecord& record : host().logRecords()) {
            if (record.function != function) continue;
            const std::string message(record.message.begin(), record.message.end());
            EXPECT_EQ(file, record.file) << message;
            EXPECT_EQ(progressHostLevel, record.hostLevel) << message;
            EXPECT_EQ(thread, record.threadId) << message;
        }
    }
};

TEST_F(StartStopLogTest, TheStartSequenceLogsItsStepsInOrderOnTheCallersThreadThenPublishesOnTheWorker)
{
    startAndWaitUntilPublished();
    ASSERT_TRUE(waitUntil([this] { return host().logged(L"Finished work for TR1FunctionWorker"); }));

    EXPECT_THAT(messagesOf(L"LocalServer::start"),
                ElementsAre(L"starting", L"Setting UpAndRunning to 1",
                            L"Checking if IMessenger Interface Typelibs are set to TavoMessenger GUID",
                            L"starting WorkerThread", L"adding new MessengerPublisherWorker",
                            L"MessengerPublisherWorker work added"));
    expectRecordsOf(L"LocalServer::start", localServerFile, GetCurrentThreadId());
    EXPECT_LT(positionOf(L"Check values under HKEY_CURRENT_USER hive"), positionOf(L"starting WorkerThread"));

    // Publishing is the worker's first work item and ends with UpAndRunning 2, written there.
    const std::vector<LogRecord> published = recordsOf(L"Setting up and running to: 2");
    ASSERT_EQ(1u, published.size());
    EXPECT_EQ(recordsOf(L"Starting work for TR1FunctionWorker").at(0).threadId, published[0].threadId);
    EXPECT_NE(GetCurrentThreadId(), published[0].threadId);
}

TEST_F(StartStopLogTest, TheStopSequenceLogsOnTheCallersThreadAndTheRevocationOnTheWorkerThenNothingMore)
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

    EXPECT_THAT(messagesOf(L"LocalServer::PerformShutdown"),
                ElementsAre(L"About to Shutdown TavoMessenger", L"Creating MessengerRevokerWorker",
                            L"Stopping worker thread"));
    EXPECT_THAT(messagesOf(L"LocalServer::stop"), ElementsAre(L"leaving critical section, shutdown complete"));
    expectRecordsOf(L"LocalServer::PerformShutdown", localServerFile, GetCurrentThreadId());
    expectRecordsOf(L"LocalServer::stop", localServerFile, GetCurrentThreadId());
    EXPECT_LT(positionOf(L"Setting up and running to: 0"), positionOf(L"About to Shutdown TavoMessenger"))
        << "UpAndRunning is not cleared first";

    // Office never created the object: no shutdown events, only the revocation.
    EXPECT_THAT(messagesOf(L"TavoMessengerStateWorkers::revokeMessenger"),
                ElementsAre(L"About to begin revoking Messenger Class Factory", L"calling classFactory->Uninitialize()",
                            L"Revoking Messenger Class Factory complete"));
    EXPECT_THAT(messagesOf(L"TavoMessengerStateWorkers::applicationShutdown"), IsEmpty());
    const DWORD worker = recordsOf(L"About to begin revoking Messenger Class Factory").at(0).threadId;
    EXPECT_NE(GetCurrentThreadId(), worker);
    expectRecordsOf(L"TavoMessengerStateWorkers::revokeMessenger", workersFile, worker);

    // The module let go of the host's class object and of every host object it made.
    EXPECT_TRUE(waitUntil([this] { return host().liveObjectCount() == 0; }))
        << host().liveObjectCount() << " host objects still held";
    const std::size_t written = host().logRecords().size();
    module().stop(nullptr);
    EXPECT_EQ(written, host().logRecords().size()) << "the module logged after its stop had finished";
}

} // namespace
