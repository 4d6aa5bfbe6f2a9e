#include "vorn/Condition.h"
#include "vorn/Event.h"
#include "vorn/Mutex.h"
#include "vorn/ReadWriteLock.h"

#include "support/ThreadTestHelpers.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <atomic>
#include <functional>
#include <memory>
#include <string>
#include <thread>
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
        if (condition.wait(mutex, timeoutMs) == 0) ++woken;
    }

    void awaitEntered(int count)
    {
        waitUntil([&] {
            vorn::MutexGuard guard(mutex);
            return entered == count;
        }, INFINITE);
    }
};

// Runs `body` on threads of its own and joins them when it goes.
struct Threads {
    std::vector<std::thread> all;
    void start(int count, const std::function<void()>& body)
    {
        for (int i = 0; i < count; ++i) all.emplace_back(body);
    }
    ~Threads() { join(); }
    void join()
    {
        for (auto& thread : all) thread.join();
        all.clear();
    }
};

// Holds the lock shared on its own thread until released.
class SharedHolder {
public:
    explicit SharedHolder(vorn::ReadWriteLock& lock)
        : thread_([this, &lock] {
            vorn::SharedGuard guard(lock);
            gate_.arriveAndWait();
        })
    {
        gate_.waitUntilReached();
    }
    ~SharedHolder()
    {
        gate_.open();
        thread_.join();
    }

private:
    Gate gate_;
    std::thread thread_;
};

// A writer on its own thread that records when it got the lock.
struct Writer {
    explicit Writer(vorn::ReadWriteLock& lock)
        : thread([this, &lock] {
            vorn::ExclusiveGuard guard(lock);
            in = true;
        })
    {
        waitUntil([&] { return lock.waitingWriters() == 1 || in; }, INFINITE);
    }
    ~Writer() { thread.join(); }
    std::atomic<bool> in{false};
    std::thread thread;
};

} // namespace

TEST(Mutex, GuardsSerialiseReadModifyWriteAcrossThreads)
{
    Watchdog watchdog(60000, "mutex counter");
    vorn::Mutex mutex;
    long counter = 0;
    Threads threads;
    threads.start(4, [&] {
        for (int i = 0; i < 20000; ++i) {
            vorn::MutexGuard guard(mutex);
            const long seen = counter;
            if (i % 1000 == 0) std::this_thread::yield();
            counter = seen + 1;
        }
    });
    threads.join();
    EXPECT_EQ(80000, counter);
}

TEST(Event, AutoResetLetsOneWaiterThroughPerSetAndManualResetAllAndStaysSet)
{
    Watchdog watchdog(30000, "events");
    vorn::Event autoReset(true);
    autoReset.set();
    autoReset.set();
    EXPECT_EQ(0, autoReset.wait(0)) << "a set before the wait is kept";
    EXPECT_EQ(1, autoReset.wait(50)) << "and cleared as its waiter leaves";

    std::atomic<int> passed{0};
    Threads waiters;
    waiters.start(3, [&] { passed += autoReset.wait() == 0; });
    for (int expected = 1; expected <= 3; ++expected) {
        autoReset.set();
        waitUntil([&] { return passed >= expected; });
        Sleep(100);
        EXPECT_EQ(expected, passed);
    }
    waiters.join();

    vorn::Event manualReset(false);
    waiters.start(4, [&] { passed += manualReset.wait() == 0; });
    Sleep(50);
    manualReset.set();
    waiters.join();
    EXPECT_EQ(7, passed);
    EXPECT_EQ(0, manualReset.wait(0));
}

TEST(Condition, WaitWithoutNotifyTimesOutAndReturnsWithTheMutexHeld)
{
    Watchdog watchdog(30000, "condition time-out");
    vorn::Mutex mutex;
    vorn::Condition condition;
    std::atomic<bool> otherGotMutex{false};
    mutex.lock();
    EXPECT_EQ(1, condition.wait(mutex, 200));
    std::thread other([&] {
        vorn::MutexGuard guard(mutex);
        otherGotMutex = true;
    });
    Sleep(100);
    EXPECT_FALSE(otherGotMutex) << "the mutex must be locked again when wait returns";
    mutex.unlock();
    other.join();
}

TEST(Condition, NotifyOneWakesExactlyOneWaiterAndNotifyAllEveryWaiter)
{
    Watchdog watchdog(30000, "notify");
    WaitingRoom room;
    Threads waiters;
    waiters.start(3, [&] { room.waitHere(INFINITE); });
    room.awaitEntered(3);
    room.condition.notifyOne();
    waitUntil([&] { return room.woken >= 1; });
    Sleep(200);
    EXPECT_EQ(1, room.woken);

    waiters.start(3, [&] { room.waitHere(INFINITE); });
    room.awaitEntered(6);
    room.condition.notifyAll();
    waiters.join();
    EXPECT_EQ(6, room.woken);
}

TEST(Condition, WaiterArrivingAfterANotifyCannotTakeItFromTheWaiterItWasFor)
{
    Watchdog watchdog(30000, "late waiter");
    WaitingRoom room;
    std::thread early([&] { room.waitHere(INFINITE); });
    room.awaitEntered(1);
    int lateResult = -2;
    {
        vorn::MutexGuard guard(room.mutex);
        room.condition.notifyOne();
        lateResult = room.condition.wait(room.mutex, 300);
    }
    early.join();
    EXPECT_EQ(1, lateResult);
    EXPECT_EQ(1, room.woken);
}

TEST(Condition, TimedWaitersThatMissANotifyLeaveNoStrayWakeUpBehind)
{
    Watchdog watchdog(120000, "timed waiters");
    WaitingRoom room;
    std::atomic<bool> stop{false};
    Threads waiters;
    waiters.start(4, [&] {
        while (!stop) room.waitHere(1);
    });
    for (int i = 0; i < 2000; ++i) {
        if (i % 2) room.condition.notifyOne();
        else room.condition.notifyAll();
    }
    stop = true;
    room.condition.notifyAll();
    waiters.join();

    // A fresh waiter is not woken without a notify, and one notify wakes it.
    const int wokenBefore = room.woken;
    const int enteredBefore = room.entered;
    std::thread fresh([&] { room.waitHere(300); });
    room.awaitEntered(enteredBefore + 1);
    fresh.join();
    EXPECT_EQ(wokenBefore, room.woken);
    std::thread notified([&] { room.waitHere(INFINITE); });
    room.awaitEntered(enteredBefore + 2);
    room.condition.notifyOne();
    notified.join();
    EXPECT_EQ(wokenBefore + 1, room.woken);
}

TEST(ReadWriteLock, ReaderArrivingWhileAWriterWaitsGoesAfterTheWriter)
{
    Watchdog watchdog(30000, "writer preference");
    vorn::ReadWriteLock lock;
    vorn::Mutex mutex;
    std::vector<std::string> order;
    auto arrive = [&](const char* who) {
        vorn::MutexGuard guard(mutex);
        order.push_back(who);
    };
    auto reader = std::make_unique<SharedHolder>(lock);
    std::thread writer([&] {
        vorn::ExclusiveGuard guard(lock);
        arrive("writer");
        Sleep(50);
    });
    waitUntil([&] { return lock.waitingWriters() == 1; }, INFINITE);
    std::thread lateReader([&] {
        vorn::SharedGuard guard(lock);
        arrive("late reader");
    });
    Sleep(150);
    reader.reset();
    writer.join();
    lateReader.join();
    EXPECT_EQ((std::vector<std::string>{"writer", "late reader"}), order);
}

TEST(ReadWriteLock, NestedSharedAcquisitionPassesAQueuedWriterAndTheWriterFollowsTheOuterRelease)
{
    Watchdog watchdog(30000, "nested shared acquisition");
    vorn::ReadWriteLock lock;
    vorn::Event outerHeld(false);
    vorn::Event writerQueued(false);
    vorn::Event nestedReleased(false);
    vorn::Event releaseOuter(false);
    std::thread reader([&] {
        vorn::SharedGuard outer(lock);
        outerHeld.set();
        writerQueued.wait();
        EXPECT_TRUE(vorn::SharedGuard(lock).owns());
        nestedReleased.set();
        releaseOuter.wait();
    });
    outerHeld.wait();
    {
        Writer writer(lock);
        writerQueued.set();
        EXPECT_EQ(0, nestedReleased.wait(10000)) << "the nested shared acquisition waited behind the writer";
        Sleep(100);
        EXPECT_FALSE(writer.in) << "the writer got in while the outer shared hold was still there";
        releaseOuter.set();
    }
    reader.join();
}

TEST(ReadWriteLock, ExclusiveHolderReentersInEitherModeAndUpgradeOrStrayUnlockIsRefused)
{
    Watchdog watchdog(30000, "nested exclusive acquisition");
    vorn::ReadWriteLock lock;
    EXPECT_EQ(1, lock.unlock()) << "nothing held";
    ASSERT_EQ(0, lock.lockExclusive());
    EXPECT_EQ(0, lock.lockShared());
    EXPECT_EQ(0, lock.lockExclusive());
    std::atomic<bool> otherIn{false};
    std::thread other([&] {
        vorn::SharedGuard guard(lock);
        otherIn = true;
    });
    EXPECT_EQ(0, lock.unlock());
    EXPECT_EQ(0, lock.unlock());
    Sleep(100);
    EXPECT_FALSE(otherIn);
    EXPECT_EQ(0, lock.unlock());
    other.join();
    EXPECT_TRUE(otherIn);

    ASSERT_EQ(0, lock.lockShared());
    EXPECT_FALSE(vorn::ExclusiveGuard(lock).owns()) << "an upgrade would wait for itself";
    std::thread([&] { EXPECT_EQ(1, lock.unlock()) << "another thread's shared hold is not its to release"; }).join();
    {
        Writer writer(lock);
        EXPECT_FALSE(writer.in) << "the refused upgrade and the stray unlock left the shared hold";
        EXPECT_EQ(0, lock.unlock());
    }
}

TEST(ReadWriteLock, WriterGetsInWhileReadersKeepOverlapping)
{
    Watchdog watchdog(60000, "writer starvation");
    vorn::ReadWriteLock lock;
    std::atomic<bool> stop{false};
    Threads readers;
    readers.start(3, [&] {
        while (!stop) {
            vorn::SharedGuard guard(lock);
            Sleep(2);
        }
    });
    for (int i = 0; i < 20; ++i) EXPECT_TRUE(vorn::ExclusiveGuard(lock).owns());
    stop = true;
}

TEST(ReadWriteLock, ManyReadersNestedReadersAndWritersNeverOverlapAWriterAndAllFinish)
{
    Watchdog watchdog(240000, "reader-writer stress");
    vorn::ReadWriteLock lock;
    std::atomic<int> readersInside{0};
    std::atomic<int> writersInside{0};
    std::atomic<int> violations{0};
    std::atomic<long> writes{0};
    long guardedValue = 0;

    auto readNested = [&](int depth, auto& self) -> void {
        vorn::SharedGuard guard(lock);
        if (!guard.owns()) return void(++violations);
        ++readersInside;
        if (writersInside != 0) ++violations;
        const long seen = guardedValue;
        if (depth > 1) self(depth - 1, self);
        if (guardedValue != seen) ++violations;
        --readersInside;
    };
    std::atomic<unsigned> nextSeed{12345u};
    Threads threads;
    threads.start(8, [&] {
        unsigned seed = nextSeed++;
        for (int i = 0; i < 2000; ++i) {
            seed = seed * 1103515245u + 12345u;
            const unsigned choice = (seed >> 16) % 10;
            if (choice >= 3) {
                readNested(1 + static_cast<int>(choice % 3), readNested);
                continue;
            }
            vorn::ExclusiveGuard guard(lock);
            if (!guard.owns() || ++writersInside != 1 || readersInside != 0) ++violations;
            guardedValue += 1;
            ++writes;
            if (choice == 0) SwitchToThread();
            --writersInside;
        }
    });
    threads.join();

    EXPECT_EQ(0, violations);
    EXPECT_EQ(writes.load(), guardedValue);
    EXPECT_EQ(0, lock.waitingWriters());
    EXPECT_EQ(0, lock.lockExclusive()) << "the lock must be free after the last holder left";
    EXPECT_EQ(0, lock.unlock());
}
