#include "utils/Tr1FunctionWorker.h"
#include "utils/WorkerThreadImpl.h"

#include "ExtensionProvider/HostClassObject.h"

#include "support/FakeHostEnvironment.h"

#include "Watchdog.h"

#include "vorn/Event.h"
#include "vorn/Mutex.h"

#include <gtest/gtest.h>

#include <objbase.h>
#include <windows.h>

#include <atomic>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

using fakehost::LogRecord;

namespace {

const wchar_t* const droppedAfterStop = L"Item added to work thread after shutdown, ignoring";

std::shared_ptr<WorkObject> work(std::function<void()> function)
{
    return std::make_shared<Tr1FunctionWorker>(std::move(function));
}

// The calling thread's COM apartment as a word: "MTA" only when the thread itself joined it.
std::string apartment()
{
    APTTYPE type = APTTYPE_CURRENT;
    APTTYPEQUALIFIER qualifier = APTTYPEQUALIFIER_NONE;
    const HRESULT result = CoGetApartmentType(&type, &qualifier);
    if (result == CO_E_NOTINITIALIZED) return "none";
    if (FAILED(result)) return "error";
    if (type == APTTYPE_MTA) return qualifier == APTTYPEQUALIFIER_IMPLICIT_MTA ? "implicit MTA" : "MTA";
    return "other";
}

struct Entry {
    std::string what;
    DWORD thread;
    std::string apartment;
};

class Journal {
public:
    void add(const std::string& what)
    {
        vorn::MutexGuard guard(mutex_);
        entries_.push_back(Entry{what, GetCurrentThreadId(), apartment()});
    }

    std::vector<Entry> entries()
    {
        vorn::MutexGuard guard(mutex_);
        return entries_;
    }

    std::vector<std::string> order()
    {
        std::vector<std::string> whats;
        for (const Entry& entry : entries()) whats.push_back(entry.what);
        return whats;
    }

private:
    vorn::Mutex mutex_;
    std::vector<Entry> entries_;
};

class WorkerThreadTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_EQ(environment.registration(), S_OK);
        ASSERT_EQ(hostaccess::fetchHostClassObject(), S_OK);
    }

    void TearDown() override { hostaccess::releaseHostClassObject(); }

    fakehost::FakeHost& host() { return environment.host(); }

    // The one record with this message, or a failure.
    LogRecord onlyRecordOf(const std::wstring& message)
    {
        const std::vector<LogRecord> records = host().recordsOf(message);
        EXPECT_EQ(records.size(), 1u) << "records of: " << std::string(message.begin(), message.end());
        return records.empty() ? LogRecord() : records.front();
    }

    std::vector<LogRecord> recordsStartingWith(const std::wstring& prefix)
    {
        std::vector<LogRecord> found;
        for (const LogRecord& record : host().logRecords()) {
            if (record.message.compare(0, prefix.size(), prefix) == 0) found.push_back(record);
        }
        return found;
    }

    fakehost::FakeHostEnvironment environment;
};

} // namespace

TEST_F(WorkerThreadTest, RunsComInitialisationFirstThenWorkInAddOrderThenDeinitialisationAndCompletionLast)
{
    Watchdog watchdog(30000, "worker order");
    Journal journal;
    vorn::Event completed(false);
    vorn::Event allQueued(false);
    vorn::Event dQueued(false);
    auto worker = std::make_shared<WorkerThreadImpl>();
    // Added at once, before the thread can have started: it must still find COM initialised.
    worker->AddWork(work([&] {
        journal.add("A");
        allQueued.wait();
    }));
    worker->AddWork(work([&] { journal.add("B"); }));
    std::weak_ptr<WorkerThread> weakWorker = worker;
    worker->AddWork(work([&, weakWorker] {
        journal.add("C");
        if (auto self = weakWorker.lock()) self->AddWork(work([&] { journal.add("D, added by C"); }));
        dQueued.set();
    }));
    worker->AddWork(work([&] { journal.add("E"); }));
    allQueued.set();
    ASSERT_EQ(0, dQueued.wait(20000));
    worker->stop(
        [&] {
            journal.add("completion");
            completed.set();
        },
        false);
    ASSERT_EQ(0, completed.wait(20000));

    const std::vector<Entry> entries = journal.entries();
    ASSERT_EQ(journal.order(),
              (std::vector<std::string>{"A", "B", "C", "E", "D, added by C", "completion"}));
    for (const Entry& entry : entries) {
        EXPECT_EQ(entry.thread, entries.front().thread) << entry.what;
        EXPECT_NE(entry.thread, GetCurrentThreadId()) << entry.what;
    }
    for (std::size_t i = 0; i + 1 < entries.size(); ++i)
        EXPECT_EQ(entries[i].apartment, "MTA") << entries[i].what << " ran outside the multithreaded apartment";
    EXPECT_NE(entries.back().apartment, "MTA") << "COM was not uninitialised before the completion function";
}

TEST_F(WorkerThreadTest, WorkAddedAfterStopIsDroppedWithAWarningAndTheCompletionStillRuns)
{
    Watchdog watchdog(30000, "work after stop");
    Journal journal;
    vorn::Event completed(false);
    auto worker = std::make_shared<WorkerThreadImpl>();
    worker->AddWork(work([&] { journal.add("before stop"); }));
    worker->stop(
        [&] {
            journal.add("completion");
            completed.set();
        },
        false);
    worker->AddWork(work([&] { journal.add("after stop"); }));
    ASSERT_EQ(0, completed.wait(20000));
    worker.reset();

    EXPECT_EQ(journal.order(), (std::vector<std::string>{"before stop", "completion"}));
    const LogRecord warning = onlyRecordOf(droppedAfterStop);
    EXPECT_EQ(warning.hostLevel, 2); // module level 3
    EXPECT_EQ(warning.function, L"WorkerThreadImpl::AddWork");
    EXPECT_EQ(warning.file, L"extensions/tavomessenger/utils/WorkerThreadImpl");
}

TEST_F(WorkerThreadTest, ASecondStopIsIgnoredAndItsCompletionNeverRuns)
{
    Watchdog watchdog(30000, "second stop");
    std::atomic<int> firstCompletions{0};
    std::atomic<int> secondCompletions{0};
    vorn::Event completed(false);
    auto worker = std::make_shared<WorkerThreadImpl>();
    worker->stop(
        [&] {
            ++firstCompletions;
            completed.set();
        },
        false);
    worker->stop([&] { ++secondCompletions; }, false);
    ASSERT_EQ(0, completed.wait(20000));
    std::weak_ptr<WorkerThreadImpl> watcher = worker;
    worker.reset();
    while (!watcher.expired()) Sleep(1);

    EXPECT_EQ(firstCompletions, 1);
    EXPECT_EQ(secondCompletions, 0);
}

TEST_F(WorkerThreadTest, StopWhileWorkIsQueuedRunsThatWorkBeforeTheCompletion)
{
    Watchdog watchdog(30000, "stop with queued work");
    Journal journal;
    vorn::Event gateEntered(false);
    vorn::Event gateOpen(false);
    vorn::Event completed(false);
    auto worker = std::make_shared<WorkerThreadImpl>();
    worker->AddWork(work([&] {
        gateEntered.set();
        gateOpen.wait();
        journal.add("gate");
    }));
    gateEntered.wait();
    for (int i = 1; i <= 3; ++i) worker->AddWork(work([&, i] { journal.add("queued " + std::to_string(i)); }));
    worker->stop(
        [&] {
            journal.add("completion");
            completed.set();
        },
        false);
    // The server lets go of the worker at once; the queued stop keeps it alive until it has run.
    std::weak_ptr<WorkerThreadImpl> watcher = worker;
    worker.reset();
    EXPECT_FALSE(watcher.expired());
    gateOpen.set();

    ASSERT_EQ(0, completed.wait(20000));
    while (!watcher.expired()) Sleep(1);
    EXPECT_EQ(journal.order(),
              (std::vector<std::string>{"gate", "queued 1", "queued 2", "queued 3", "completion"}));
}

TEST_F(WorkerThreadTest, DestroyingAWorkerThatWasNeverStoppedWaitsForItsQueuedWorkAndDeinitialisation)
{
    Watchdog watchdog(30000, "destroy without stop");
    Journal journal;
    auto worker = std::make_shared<WorkerThreadImpl>();
    worker->AddWork(work([&] {
        Sleep(200);
        journal.add("slow");
    }));
    worker->AddWork(work([&] { journal.add("last"); }));
    worker.reset();

    EXPECT_EQ(journal.order(), (std::vector<std::string>{"slow", "last"}));
    EXPECT_TRUE(host().recordsOf(droppedAfterStop).empty());
}

TEST_F(WorkerThreadTest, WorkThatThrowsIsLoggedAsAnErrorAndTheWorkerKeepsRunning)
{
    Watchdog watchdog(30000, "throwing work");
    Journal journal;
    vorn::Event completed(false);
    auto worker = std::make_shared<WorkerThreadImpl>();
    worker->AddWork(work(nullptr));
    worker->AddWork(work([] { throw std::runtime_error("host went away"); }));
    worker->AddWork(work([&] { journal.add("after the failures"); }));
    worker->stop([&] { completed.set(); }, false);
    ASSERT_EQ(0, completed.wait(20000));
    worker.reset();

    EXPECT_EQ(journal.order(), std::vector<std::string>{"after the failures"});
    const std::vector<LogRecord> errors = recordsStartingWith(L"Work item threw");
    ASSERT_EQ(errors.size(), 2u);
    for (const LogRecord& error : errors) {
        EXPECT_EQ(error.hostLevel, 1); // module level 4
        EXPECT_EQ(error.file, L"extensions/tavomessenger/utils/WorkerThreadImpl");
    }
    EXPECT_NE(errors[1].message.find(L"host went away"), std::wstring::npos);
}

TEST_F(WorkerThreadTest, Tr1FunctionWorkerLogsTheStartAndTheEndOfItsWork)
{
    Watchdog watchdog(30000, "Tr1FunctionWorker log");
    bool ran = false;
    Tr1FunctionWorker worker([&] { ran = true; });
    worker.DoWork();

    EXPECT_TRUE(ran);
    const LogRecord start = onlyRecordOf(L"Starting work for TR1FunctionWorker");
    const LogRecord finish = onlyRecordOf(L"Finished work for TR1FunctionWorker");
    EXPECT_EQ(start.hostLevel, 4); // module level 1
    EXPECT_EQ(finish.hostLevel, 4);
    EXPECT_EQ(start.function, L"Tr1FunctionWorker::DoWork");
    EXPECT_EQ(start.file, L"extensions/tavomessenger/utils/Tr1FunctionWorker");
}

TEST_F(WorkerThreadTest, EmptyWorkIsRefusedWithAWarning)
{
    Watchdog watchdog(30000, "empty work");
    auto worker = std::make_shared<WorkerThreadImpl>();
    worker->AddWork(nullptr);
    worker.reset();

    const LogRecord warning = onlyRecordOf(L"Empty item added to work thread, ignoring");
    EXPECT_EQ(warning.hostLevel, 2);
}

TEST_F(WorkerThreadTest, WorkFromManyThreadsRunsOnceEachInEachThreadsOrder)
{
    Watchdog watchdog(60000, "concurrent AddWork");
    const int threads = 4;
    const int itemsPerThread = 200;
    std::vector<std::vector<int>> seen(threads);
    vorn::Event completed(false);
    auto worker = std::make_shared<WorkerThreadImpl>();
    std::vector<std::thread> adders;
    for (int t = 0; t < threads; ++t) {
        adders.emplace_back([&, t] {
            for (int i = 0; i < itemsPerThread; ++i) worker->AddWork(work([&seen, t, i] { seen[t].push_back(i); }));
        });
    }
    for (auto& adder : adders) adder.join();
    worker->stop([&] { completed.set(); }, false);
    ASSERT_EQ(0, completed.wait(30000));
    worker.reset();

    for (int t = 0; t < threads; ++t) {
        ASSERT_EQ(seen[t].size(), static_cast<std::size_t>(itemsPerThread));
        for (int i = 0; i < itemsPerThread; ++i) EXPECT_EQ(seen[t][i], i);
    }
}

TEST_F(WorkerThreadTest, ReleasingTheLastReferenceInsideWorkOnTheWorkerThreadDoesNotHang)
{
    Watchdog watchdog(30000, "last reference on the worker thread");
    auto worker = std::make_shared<WorkerThreadImpl>();
    std::weak_ptr<WorkerThreadImpl> watcher = worker;
    std::atomic<bool> laterRan{false};
    vorn::Event gateOpen(false);
    // The item carries the only other reference; once main lets go, the worker dies with the item,
    // on its own thread, without ever having been stopped.
    worker->AddWork(work([keep = worker, &gateOpen] { gateOpen.wait(); }));
    worker->AddWork(work([&] { laterRan = true; }));
    worker.reset();
    gateOpen.set();

    while (!watcher.expired()) Sleep(1);
    EXPECT_FALSE(laterRan) << "work behind the last reference is dropped with the worker";
}
