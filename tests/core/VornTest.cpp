// The vorn threading library: conditions, the read-write lock and the thread pool (its events are run by
// every test that waits).
#include "support/ThreadTestHelpers.h"
#include "vorn/Condition.h"
#include "vorn/Event.h"
#include "vorn/Mutex.h"
#include "vorn/ReadWriteLock.h"
#include "vorn/ThreadPool.h"

#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

// Waiters count themselves under the mutex before waiting, so once the count reads `n` under the
// mutex, all `n` are inside wait (the condition registers a waiter before releasing the mutex).
struct WaitingRoom {
    vorn::Mutex mutex;
    vorn::Condition condition;
    int entered = 0;
    std::atomic<int> woken{0};
    void waitHere(DWORD timeoutMs)
    {
        vorn::MutexGuard guard(mutex);
        ++entered;
        woken += condition.wait(mutex, timeoutMs) == 0;
    }
    void awaitEntered(int count)
    {
        waitUntil([&] {
            vorn::MutexGuard guard(mutex);
            return entered == count;
        }, INFINITE);
    }
};

// Takes the lock on a thread of its own, shared or exclusive, and holds it until the gate opens.
struct Holder {
    Gate release;
    std::atomic<bool> in{false};
    std::thread thread;
    Holder(vorn::ReadWriteLock& lock, bool exclusive)
        : thread([this, &lock, exclusive] {
            if ((exclusive ? lock.lockExclusive() : lock.lockShared()) != 0) return;
            in = true;
            release.arriveAndWait();
            lock.unlock();
        }) { waitUntil([&] { return in || lock.waitingWriters() > 0; }, INFINITE); }
    ~Holder()
    {
        release.open();
        thread.join();
    }
};

// Each test's own condition and lock.
struct Condition : ::testing::Test { WaitingRoom room; };
struct ReadWriteLock : ::testing::Test { vorn::ReadWriteLock lock; };

} // namespace

TEST_F(Condition, ATimedOutWaitReturnsWithTheMutexHeld)
{
    room.mutex.lock();
    EXPECT_EQ(1, room.condition.wait(room.mutex, 200));
    Threads other(1, [&] { room.waitHere(0); });
    Sleep(100);
    EXPECT_EQ(0, room.entered) << "the mutex must be locked again when wait returns";
    room.mutex.unlock();
}

// A notify wakes only a waiter that was waiting when it came.
TEST_F(Condition, ALateWaiterCannotTakeAnEarlierNotify)
{
    Threads other(1, [&] { room.waitHere(INFINITE); });
    room.awaitEntered(1);
    {
        vorn::MutexGuard guard(room.mutex);
        room.condition.notifyOne();
        EXPECT_EQ(1, room.condition.wait(room.mutex, 300)) << "took the notify meant for the earlier waiter";
    }
    other.join();
    EXPECT_EQ(1, room.woken);
}

// A stray wake-up left behind would let a second waiter through on one notify.
TEST_F(Condition, TimedWaitersThatMissANotifyLeaveNoStrayWakeUp)
{
    std::atomic<bool> stop{false};
    Threads timed(4, [&] { while (!stop) room.waitHere(1); });
    for (int i = 0; i < 2000; ++i) i % 2 ? room.condition.notifyOne() : room.condition.notifyAll();
    stop = true;
    room.condition.notifyAll();
    timed.join();
    const int wokenBefore = room.woken, enteredBefore = room.entered;
    Threads waiters(3, [&] { room.waitHere(INFINITE); });
    room.awaitEntered(enteredBefore + 3);
    room.condition.notifyOne();
    waitUntil([&] { return room.woken > wokenBefore; });
    Sleep(200);
    EXPECT_EQ(wokenBefore + 1, room.woken);
    room.condition.notifyAll();
    waiters.join();
    EXPECT_EQ(wokenBefore + 3, room.woken);
}

TEST_F(ReadWriteLock, ReaderArrivingWhileAWriterWaitsGoesAfterTheWriter)
{
    auto reader = std::make_unique<Holder>(lock, false);
    Holder writer(lock, true);
    std::atomic<bool> lateReaderIn{false};
    Threads lateReader(1, [&] {
        vorn::SharedGuard guard(lock);
        lateReaderIn = true;
    });
    Sleep(150);
    EXPECT_FALSE(lateReaderIn);
    reader.reset();
    waitUntil([&] { return bool(writer.in); });
    Sleep(100);
    EXPECT_FALSE(lateReaderIn) << "the late reader got in beside the writer";
    writer.release.open();
    lateReader.join();
    EXPECT_TRUE(lateReaderIn);
}

TEST_F(ReadWriteLock, ANestedSharedHoldPassesAQueuedWriter)
{
    ASSERT_EQ(0, lock.lockShared());
    Holder writer(lock, true);
    EXPECT_EQ(0, lock.lockShared()) << "the nested acquisition waited behind the writer";
    EXPECT_EQ(0, lock.unlock());
    Sleep(100);
    EXPECT_FALSE(writer.in) << "the writer got in while the outer shared hold was still there";
    EXPECT_EQ(0, lock.unlock());
    waitUntil([&] { return bool(writer.in); });
}

TEST_F(ReadWriteLock, ASharedHolderCannotUpgrade)
{
    vorn::SharedGuard shared(lock);
    EXPECT_FALSE(vorn::ExclusiveGuard(lock).owns()) << "an upgrade would wait for itself";
}

TEST_F(ReadWriteLock, OnlyAHoldingThreadCanUnlock)
{
    EXPECT_EQ(1, lock.unlock()) << "nothing held";
    vorn::SharedGuard shared(lock);
    Threads(1, [&] { EXPECT_EQ(1, lock.unlock()) << "another thread's shared hold is not its to release"; });
}

TEST_F(ReadWriteLock, AnExclusiveHolderReentersUntilItsLastUnlock)
{
    ASSERT_EQ(0, lock.lockExclusive());
    EXPECT_EQ(0, lock.lockShared() + lock.lockExclusive());
    std::atomic<bool> otherIn{false};
    Threads other(1, [&] { otherIn = vorn::SharedGuard(lock).owns(); });
    EXPECT_EQ(0, lock.unlock() + lock.unlock());
    Sleep(100);
    EXPECT_FALSE(otherIn);
    EXPECT_EQ(0, lock.unlock());
    other.join();
    EXPECT_TRUE(otherIn);
}

TEST_F(ReadWriteLock, ConcurrentReadersNeverOverlapAWriter)
{
    std::atomic<int> readersInside{0}, writersInside{0}, violations{0};
    std::atomic<long> writes{0};
    long guardedValue = 0;
    std::function<void(int)> readNested = [&](int depth) {
        vorn::SharedGuard guard(lock);
        if (!guard.owns()) return void(++violations);
        ++readersInside;
        const long seen = guardedValue;
        violations += writersInside != 0;
        if (depth > 1) readNested(depth - 1);
        violations += guardedValue != seen;
        --readersInside;
    };
    std::atomic<unsigned> nextSeed{12345u};
    Threads(8, [&] {
        for (unsigned i = 0, seed = nextSeed++; i < 2000; ++i) {
            seed = seed * 1103515245u + 12345u;
            const unsigned choice = (seed >> 16) % 10;
            if (choice >= 3) {
                readNested(1 + static_cast<int>(choice % 3));
                continue;
            }
            vorn::ExclusiveGuard guard(lock);
            if (!guard.owns() || ++writersInside != 1 || readersInside != 0) ++violations;
            ++guardedValue;
            ++writes;
            if (choice == 0) SwitchToThread();
            --writersInside;
        }
    });
    EXPECT_EQ(0, violations);
    EXPECT_EQ(writes.load(), guardedValue);
    EXPECT_EQ(0, lock.waitingWriters() + lock.lockExclusive()) << "the lock must be free after the last holder left";
}

namespace {

// A task running a function; `onDestroyed` tells when the pool let go of it.
struct FunctionTask : vorn::Task {
    FunctionTask(std::function<void()> f, std::function<void()> d) : function(std::move(f)), onDestroyed(std::move(d)) {}
    ~FunctionTask() override { if (onDestroyed) onDestroyed(); }
    void run() override { function(); }
    std::function<void()> function, onDestroyed;
};
std::shared_ptr<vorn::Task> task(std::function<void()> run, std::function<void()> onDestroyed = nullptr)
{ return std::make_shared<FunctionTask>(std::move(run), std::move(onDestroyed)); }

bool threadEndsWithin(DWORD threadId, DWORD timeoutMs)
{
    HANDLE thread = OpenThread(SYNCHRONIZE, FALSE, threadId);
    const bool ended = !thread || WaitForSingleObject(thread, timeoutMs) == WAIT_OBJECT_0; // none: already gone
    if (thread) CloseHandle(thread);
    return ended;
}

} // namespace

// It would wait for a task queued behind its own caller.
TEST(ThreadPool, ABlockingSubmitFromThePoolsOwnThreadDoesNotWait)
{
    vorn::ThreadPool pool(1, 1, 60);
    std::vector<std::string> order; // written on the pool's one thread only
    vorn::Event inner(false);
    pool.submit(task([&] {
        pool.submit(task([&] {
            order.push_back("inner");
            inner.set();
        }), true);
        order.push_back("outer");
    }));
    EXPECT_EQ(0, inner.wait(10000));
    EXPECT_EQ((std::vector<std::string>{"outer", "inner"}), order);
}

TEST(ThreadPool, AThrowingTaskLeavesItsThreadRunning)
{
    vorn::ThreadPool pool(1, 1, 60);
    std::atomic<DWORD> before{0}, after{0};
    pool.submit(task([&] { before = GetCurrentThreadId(); }), true);
    pool.submit(task([] { throw std::runtime_error("task failure"); }));
    pool.submit(task([&] { after = GetCurrentThreadId(); }), true);
    EXPECT_EQ(before.load(), after.load()) << "the throwing task ended the pool's thread";
}

// Destroyed from outside while its task runs, or on its own thread by a task carrying the last reference:
// either way the tasks still queued are dropped unrun and its thread ends well before its idle time-out.
TEST(ThreadPool, ADestroyedPoolDropsItsQueuedTasksUnrun)
{
    for (const bool onItsOwnThread : {false, true}) {
        SCOPED_TRACE(onItsOwnThread ? "released by its own task" : "released from outside");
        Gate gate;
        std::atomic<bool> queuedRan{false}, queuedDestroyed{false};
        std::atomic<DWORD> poolThread{0};
        auto pool = std::make_shared<vorn::ThreadPool>(1, 1, 60);
        std::weak_ptr<vorn::ThreadPool> watcher = pool;
        pool->submit(task([&] {
            poolThread = GetCurrentThreadId();
            gate.arriveAndWait();
        }));
        gate.waitUntilReached();
        if (onItsOwnThread) pool->submit(task([keep = pool] {}));
        pool->submit(task([&] { queuedRan = true; }, [&] { queuedDestroyed = true; }));
        pool.reset();
        EXPECT_EQ(!onItsOwnThread, queuedDestroyed.load()) << "dropped with the pool, which goes at once from outside";
        gate.open();
        waitUntil([&] { return watcher.expired() && queuedDestroyed; }, INFINITE);
        EXPECT_TRUE(threadEndsWithin(poolThread, 10000));
        EXPECT_FALSE(queuedRan);
    }
}

// Growing up to the maximum is run by the event deliveries past a hung sink; idling out is not.
TEST(ThreadPool, WorkStillRunsAfterTheIdleThreadsLeft)
{
    vorn::ThreadPool idle(0, 2, 1);
    std::atomic<DWORD> firstThread{0};
    idle.submit(task([&] { firstThread = GetCurrentThreadId(); }), true);
    EXPECT_TRUE(threadEndsWithin(firstThread, 10000)) << "an idle thread above the minimum should leave";
    std::atomic<bool> ran{false};
    idle.submit(task([&] { ran = true; }), true);
    EXPECT_TRUE(ran);
}

TEST(ThreadPool, AModuleStaysLoadedUntilItsPoolThreadHasLeftIt)
{
    const wchar_t* const name = L"vorn_lingering_pool.dll";
    HMODULE module = LoadLibraryW(name);
    const auto start = reinterpret_cast<void (*)(HANDLE)>(reinterpret_cast<void*>(GetProcAddress(module, "startLingeringPool")));
    ASSERT_TRUE(module && start);
    HANDLE started = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    start(started);
    ASSERT_EQ(WaitForSingleObject(started, 10000), WAIT_OBJECT_0);
    FreeLibrary(module);
    EXPECT_NE(GetModuleHandleW(name), nullptr) << "unloaded while its thread still runs its code";
    // Had the module gone with FreeLibrary, the thread would crash this process when its sleep ends.
    waitUntil([&] { return !GetModuleHandleW(name); }, INFINITE);
    CloseHandle(started);
}
