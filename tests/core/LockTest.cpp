#include "vorn/Condition.h"
#include "vorn/Event.h"
#include "vorn/Mutex.h"
#include "vorn/ReadWriteLock.h"

#include "support/ThreadTestHelpers.h"

#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <string>
#include <thread>
#include <vector>

namespace {

// Runs `body` on `count` threads of its own; join() or the destructor waits for them.
struct Threads {
    std::vector<std::thread> all;
    Threads(int count, const std::function<void()>& body)
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
        waitUntil([&] { return vorn::MutexGuard{mutex}, entered == count; }, INFINITE);
    }
};

// Takes the lock on a thread of its own, shared or exclusive, and holds it until the gate opens.
struct Holder {
    Gate release;
    std::atomic<bool> in{false};
    std::thread thread;
    Holder(vorn::ReadWriteLock& lock, bool exclusive)
        : thread([this, &lock, exclusive] {
            if (exclusive ? lock.lockExclusive() : lock.lockShared()) return;
            in = true;
            release.arriveAndWait();
            lock.unlock();
        })
    {
        waitUntil([&] { return in || lock.waitingWriters() > 0; }, INFINITE);
    }
    ~Holder()
    {
        release.open();
        thread.join();
    }
};

} // namespace

TEST(Event, AutoResetLetsOneWaiterThroughPerSetAndManualResetAllAndStaysSet)
{
    vorn::Event autoReset(true);
    autoReset.set();
    autoReset.set();
    EXPECT_EQ(0, autoReset.wait(0)) << "a set before the wait is kept";
    EXPECT_EQ(1, autoReset.wait(50)) << "and cleared as its waiter leaves";
    std::atomic<int> passed{0};
    Threads waiters(3, [&] { passed += autoReset.wait() == 0; });
    for (int expected = 1; expected <= 3; ++expected) {
        autoReset.set();
        waitUntil([&] { return passed >= expected; });
        Sleep(100);
        EXPECT_EQ(expected, passed);
    }

    vorn::Event manualReset(false);
    Threads manualWaiters(4, [&] { passed += manualReset.wait() == 0; });
    Sleep(50);
    manualReset.set();
    manualWaiters.join();
    EXPECT_EQ(7, passed);
    EXPECT_EQ(0, manualReset.wait(0));
}

TEST(Condition, WaitWithoutNotifyTimesOutAndReturnsWithTheMutexHeld)
{
    WaitingRoom room;
    room.mutex.lock();
    EXPECT_EQ(1, room.condition.wait(room.mutex, 200));
    std::thread other([&] { room.waitHere(0); });
    Sleep(100);
    EXPECT_EQ(0, room.entered) << "the mutex must be locked again when wait returns";
    room.mutex.unlock();
    other.join();
}

TEST(Condition, NotifyOneWakesExactlyOneWaiterAndNotifyAllEveryWaiter)
{
    WaitingRoom room;
    Threads waiters(3, [&] { room.waitHere(INFINITE); });
    room.awaitEntered(3);
    room.condition.notifyOne();
    waitUntil([&] { return room.woken >= 1; });
    Sleep(200);
    EXPECT_EQ(1, room.woken);
    room.condition.notifyAll();
    waiters.join();
    EXPECT_EQ(3, room.woken);
}

TEST(Condition, WaiterArrivingAfterANotifyCannotTakeItFromTheWaiterItWasFor)
{
    WaitingRoom room;
    Threads early(1, [&] { room.waitHere(INFINITE); });
    room.awaitEntered(1);
    {
        vorn::MutexGuard guard(room.mutex);
        room.condition.notifyOne();
        EXPECT_EQ(1, room.condition.wait(room.mutex, 300));
    }
    early.join();
    EXPECT_EQ(1, room.woken);
}

TEST(Condition, TimedWaitersThatMissANotifyLeaveNoStrayWakeUpBehind)
{
    WaitingRoom room;
    std::atomic<bool> stop{false};
    Threads waiters(4, [&] {
        while (!stop) room.waitHere(1);
    });
    for (int i = 0; i < 2000; ++i) i % 2 ? room.condition.notifyOne() : room.condition.notifyAll();
    stop = true;
    room.condition.notifyAll();
    waiters.join();

    // A fresh waiter is not woken without a notify, and one notify wakes it.
    const int wokenBefore = room.woken;
    Threads(1, [&] { room.waitHere(300); });
    EXPECT_EQ(wokenBefore, room.woken);
    const int enteredBefore = room.entered;
    Threads notified(1, [&] { room.waitHere(INFINITE); });
    room.awaitEntered(enteredBefore + 1);
    room.condition.notifyOne();
    notified.join();
    EXPECT_EQ(wokenBefore + 1, room.woken);
}

TEST(ReadWriteLock, ReaderArrivingWhileAWriterWaitsGoesAfterTheWriter)
{
    vorn::ReadWriteLock lock;
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

TEST(ReadWriteLock, NestedSharedAcquisitionPassesAQueuedWriterAndTheWriterFollowsTheOuterRelease)
{
    vorn::ReadWriteLock lock;
    ASSERT_EQ(0, lock.lockShared());
    {
        Holder writer(lock, true);
        std::thread([&] { EXPECT_EQ(1, lock.unlock()) << "another thread's shared hold is not its to release"; }).join();
        EXPECT_EQ(0, lock.lockShared()) << "the nested acquisition waited behind the writer";
        EXPECT_EQ(0, lock.unlock());
        EXPECT_FALSE(vorn::ExclusiveGuard(lock).owns()) << "an upgrade would wait for itself";
        Sleep(100);
        EXPECT_FALSE(writer.in) << "the writer got in while the outer shared hold was still there";
        EXPECT_EQ(0, lock.unlock());
        waitUntil([&] { return bool(writer.in); });
    }
    EXPECT_EQ(1, lock.unlock()) << "nothing held";
}

TEST(ReadWriteLock, ExclusiveHolderReentersInEitherModeAndReleasesAtItsLastUnlock)
{
    vorn::ReadWriteLock lock;
    ASSERT_EQ(0, lock.lockExclusive());
    EXPECT_EQ(0, lock.lockShared());
    EXPECT_EQ(0, lock.lockExclusive());
    std::atomic<bool> otherIn{false};
    Threads other(1, [&] { otherIn = vorn::SharedGuard(lock).owns(); });
    EXPECT_EQ(0, lock.unlock());
    EXPECT_EQ(0, lock.unlock());
    Sleep(100);
    EXPECT_FALSE(otherIn);
    EXPECT_EQ(0, lock.unlock());
    other.join();
    EXPECT_TRUE(otherIn);
}

TEST(ReadWriteLock, WriterGetsInWhileReadersKeepOverlapping)
{
    vorn::ReadWriteLock lock;
    std::atomic<bool> stop{false};
    Threads readers(3, [&] {
        while (!stop) vorn::SharedGuard{lock}, Sleep(2);
    });
    for (int i = 0; i < 20; ++i) EXPECT_TRUE(vorn::ExclusiveGuard(lock).owns());
    stop = true;
}

TEST(ReadWriteLock, ManyReadersNestedReadersAndWritersNeverOverlapAWriterAndAllFinish)
{
    vorn::ReadWriteLock lock;
    std::atomic<int> readersInside{0};
    std::atomic<int> writersInside{0};
    std::atomic<int> violations{0};
    std::atomic<long> writes{0};
    long guardedValue = 0;
    std::function<void(int)> readNested = [&](int depth) {
        vorn::SharedGuard guard(lock);
        if (!guard.owns()) return void(++violations);
        ++readersInside;
        const long seen = guardedValue;
        if (writersInside != 0) ++violations;
        if (depth > 1) readNested(depth - 1);
        if (guardedValue != seen) ++violations;
        --readersInside;
    };
    std::atomic<unsigned> nextSeed{12345u};
    Threads(8, [&] {
        unsigned seed = nextSeed++;
        for (int i = 0; i < 2000; ++i) {
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
    EXPECT_EQ(0, lock.waitingWriters());
    EXPECT_EQ(0, lock.lockExclusive()) << "the lock must be free after the last holder left";
}
