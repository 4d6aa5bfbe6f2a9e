#include "utils/Tr1FunctionWorker.h"
#include "utils/WorkerThreadImpl.h"

#include "ExtensionProvider/HostClassObject.h"

#include "support/FakeHostEnvironment.h"
#include "support/FakeOfficeSink.h"
#include "support/ThreadTestHelpers.h"

#include "vorn/Event.h"
#include "vorn/Mutex.h"

#include <gtest/gtest.h>

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

std::shared_ptr<WorkObject> work(std::function<void()> function)
{
    return std::make_shared<Tr1FunctionWorker>(std::move(function));
}

struct Entry {
    std::string what;
    DWORD thread;
    std::string apartment;
};

// What ran, in order, on which thread and in which apartment.
struct Journal {
    vorn::Mutex mutex;
    std::vector<Entry> entries;

    void add(const std::string& what)
    {
        vorn::MutexGuard guard(mutex);
        entries.push_back(Entry{what, GetCurrentThreadId(), fakeoffice::currentApartment()});
    }
    std::shared_ptr<WorkObject> adding(const std::string& what)
    {
        return work([this, what] { add(what); });
    }
    std::vector<std::string> order()
    {
        vorn::MutexGuard guard(mutex);
        std::vector<std::string> whats;
        for (const Entry& entry : entries) whats.push_back(entry.what);
        return whats;
    }
};

class WorkerThreadTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_EQ(environment.registration(), S_OK);
        ASSERT_EQ(hostaccess::fetchHostClassObject(), S_OK);
    }
    void TearDown() override { hostaccess::releaseHostClassObject(); }

    // Stops the worker with a completion that joins the journal.
    void stop(WorkerThreadImpl& worker)
    {
        worker.stop(
            [this] {
                journal.add("completion");
                completed.set();
            },
            false);
    }
    // Waits for the completion, lets the worker go and waits until it is gone.
    void finish(std::shared_ptr<WorkerThreadImpl>& worker)
    {
        std::weak_ptr<WorkerThreadImpl> watcher = worker;
        worker.reset();
        ASSERT_EQ(0, completed.wait(20000));
        waitUntil([&] { return watcher.expired(); }, INFINITE);
    }

    fakehost::FakeHostEnvironment environment;
    Journal journal;
    vorn::Event completed{false};
};

} // namespace

TEST_F(WorkerThreadTest, RunsComInitialisationFirstThenWorkInAddOrderThenDeinitialisationAndCompletionLast)
{
    vorn::Event allQueued(false);
    vorn::Event dQueued(false);
    auto worker = std::make_shared<WorkerThreadImpl>();
    // Added at once, before the thread can have started: it must still find COM initialised.
    worker->AddWork(work([&] {
        journal.add("A");
        allQueued.wait();
    }));
    worker->AddWork(journal.adding("B"));
    std::weak_ptr<WorkerThread> weakWorker = worker;
    worker->AddWork(work([&, weakWorker] {
        journal.add("C");
        if (auto self = weakWorker.lock()) self->AddWork(journal.adding("D, added by C"));
        dQueued.set();
    }));
    worker->AddWork(journal.adding("E"));
    allQueued.set();
    ASSERT_EQ(0, dQueued.wait(20000));
    stop(*worker);
    finish(worker);

    const std::vector<Entry> entries = journal.entries;
    ASSERT_EQ(journal.order(), (std::vector<std::string>{"A", "B", "C", "E", "D, added by C", "completion"}));
    for (const Entry& entry : entries) {
        EXPECT_EQ(entry.thread, entries.front().thread) << entry.what;
        EXPECT_NE(entry.thread, GetCurrentThreadId()) << entry.what;
    }
    for (std::size_t i = 0; i + 1 < entries.size(); ++i)
        EXPECT_EQ(entries[i].apartment, "MTA") << entries[i].what << " ran outside the multithreaded apartment";
    EXPECT_NE(entries.back().apartment, "MTA") << "COM was not uninitialised before the completion function";
}

TEST_F(WorkerThreadTest, RefusesEmptyWorkAndWorkAfterStopWithAWarningAndTheCompletionStillRuns)
{
    auto worker = std::make_shared<WorkerThreadImpl>();
    EXPECT_TRUE(worker->AddWork(journal.adding("before stop")));
    EXPECT_FALSE(worker->AddWork(nullptr));
    stop(*worker);
    EXPECT_FALSE(worker->AddWork(journal.adding("after stop"))) << "a refusal is reported to the caller";
    worker->stop([&] { journal.add("second completion"); }, false);
    finish(worker);

    EXPECT_EQ(journal.order(), (std::vector<std::string>{"before stop", "completion"}));
    for (const wchar_t* warning : {L"Empty item added to work thread, ignoring",
                                   L"Item added to work thread after shutdown, ignoring"}) {
        const std::vector<LogRecord> records = environment.host().recordsOf(warning);
        ASSERT_EQ(records.size(), 1u);
        EXPECT_EQ(records[0].hostLevel, 2); // module level 3
        EXPECT_EQ(records[0].function, L"WorkerThreadImpl::AddWork");
    }
}

TEST_F(WorkerThreadTest, StopWhileWorkIsQueuedRunsThatWorkFirstAndKeepsTheWorkerAliveUntilThen)
{
    Gate gate;
    auto worker = std::make_shared<WorkerThreadImpl>();
    worker->AddWork(work([&] {
        gate.arriveAndWait();
        journal.add("gate");
    }));
    gate.waitUntilReached();
    for (int i = 1; i <= 3; ++i) worker->AddWork(journal.adding("queued " + std::to_string(i)));
    stop(*worker);
    std::weak_ptr<WorkerThreadImpl> watcher = worker;
    worker.reset(); // the server lets go at once; the queued stop keeps the worker alive
    EXPECT_FALSE(watcher.expired());
    gate.open();
    ASSERT_EQ(0, completed.wait(20000));
    waitUntil([&] { return watcher.expired(); }, INFINITE);
    EXPECT_EQ(journal.order(), (std::vector<std::string>{"gate", "queued 1", "queued 2", "queued 3", "completion"}));
}

TEST_F(WorkerThreadTest, DestroyingAWorkerThatWasNeverStoppedWaitsForItsQueuedWork)
{
    auto worker = std::make_shared<WorkerThreadImpl>();
    worker->AddWork(work([&] {
        Sleep(200);
        journal.add("slow");
    }));
    worker->AddWork(journal.adding("last"));
    worker.reset();
    EXPECT_EQ(journal.order(), (std::vector<std::string>{"slow", "last"}));
    EXPECT_TRUE(environment.host().recordsOf(L"Item added to work thread after shutdown, ignoring").empty());
}

TEST_F(WorkerThreadTest, WorkThatThrowsIsLoggedAsAnErrorAndTheWorkerKeepsRunning)
{
    auto worker = std::make_shared<WorkerThreadImpl>();
    worker->AddWork(work(nullptr));
    worker->AddWork(work([] { throw std::runtime_error("host went away"); }));
    worker->AddWork(journal.adding("after the failures"));
    stop(*worker);
    finish(worker);

    EXPECT_EQ(journal.order(), (std::vector<std::string>{"after the failures", "completion"}));
    std::vector<LogRecord> errors;
    for (const LogRecord& record : environment.host().logRecords())
        if (record.message.rfind(L"Work item threw", 0) == 0) errors.push_back(record);
    ASSERT_EQ(errors.size(), 2u);
    EXPECT_EQ(errors[0].hostLevel, 1); // module level 4
    EXPECT_NE(errors[1].message.find(L"host went away"), std::wstring::npos);
}

TEST_F(WorkerThreadTest, WorkFromManyThreadsRunsOnceEachInEachThreadsOrder)
{
    const int threads = 4;
    const int itemsPerThread = 200;
    std::vector<std::vector<int>> seen(threads);
    auto worker = std::make_shared<WorkerThreadImpl>();
    std::vector<std::thread> adders;
    for (int t = 0; t < threads; ++t) {
        adders.emplace_back([&, t] {
            for (int i = 0; i < itemsPerThread; ++i) worker->AddWork(work([&seen, t, i] { seen[t].push_back(i); }));
        });
    }
    for (auto& adder : adders) adder.join();
    stop(*worker);
    finish(worker);
    for (int t = 0; t < threads; ++t) {
        ASSERT_EQ(seen[t].size(), static_cast<std::size_t>(itemsPerThread));
        for (int i = 0; i < itemsPerThread; ++i) EXPECT_EQ(seen[t][i], i);
    }
}

TEST_F(WorkerThreadTest, ReleasingTheLastReferenceInsideWorkOnTheWorkerThreadDoesNotHang)
{
    auto worker = std::make_shared<WorkerThreadImpl>();
    std::weak_ptr<WorkerThreadImpl> watcher = worker;
    std::atomic<bool> laterRan{false};
    Gate gate;
    // The item carries the only other reference; once the test lets go, the worker dies with the item,
    // on its own thread, without ever having been stopped.
    worker->AddWork(work([keep = worker, &gate] { gate.arriveAndWait(); }));
    worker->AddWork(work([&] { laterRan = true; }));
    worker.reset();
    gate.open();
    waitUntil([&] { return watcher.expired(); }, INFINITE);
    EXPECT_FALSE(laterRan) << "work behind the last reference is dropped with the worker";
}
