#include "Watchdog.h"

#include "vorn/Condition.h"
#include "vorn/Mutex.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <atomic>
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
    std::atomic<int> timedOut{0};

    void waitHere(DWORD timeoutMs)
    {
        vorn::MutexGuard guard(mutex);
        ++entered;
        const int result = condition.wait(mutex, timeoutMs);
        if (result == 0) ++woken;
        if (result == 1) ++timedOut;
    }

    void awaitEntered(int count)
    {
        for (;;) {
            {
                vorn::MutexGuard guard(mutex);
                if (entered == count) return;
            }
            Sleep(1);
        }
    }
};

} // namespace

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
    EXPECT_TRUE(otherGotMutex);
}

TEST(Condition, NotifyOneWakesExactlyOneWaiter)
{
    Watchdog watchdog(30000, "notify one");
    WaitingRoom room;
    std::vector<std::thread> waiters;
    for (int i = 0; i < 3; ++i) waiters.emplace_back([&] { room.waitHere(INFINITE); });
    room.awaitEntered(3);

    room.condition.notifyOne();
    while (room.woken < 1) Sleep(1);
    Sleep(200);
    EXPECT_EQ(1, room.woken);

    room.condition.notifyOne();
    room.condition.notifyOne();
    for (auto& waiter : waiters) waiter.join();
    EXPECT_EQ(3, room.woken);
}

TEST(Condition, NotifyAllWakesEveryWaiterThatWasWaiting)
{
    Watchdog watchdog(30000, "notify all");
    WaitingRoom room;
    std::vector<std::thread> waiters;
    for (int i = 0; i < 5; ++i) waiters.emplace_back([&] { room.waitHere(INFINITE); });
    room.awaitEntered(5);

    room.condition.notifyAll();
    for (auto& waiter : waiters) waiter.join();
    EXPECT_EQ(5, room.woken);
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

TEST(Condition, TimedWaitersThatMissANotifyDoNotLoseItForOthers)
{
    // Short time-outs racing notifies: every notify must reach someone who was waiting, and no waiter
    // may wake twice or hang afterwards.
    Watchdog watchdog(120000, "timed waiters");
    WaitingRoom room;
    std::atomic<bool> stop{false};
    std::vector<std::thread> waiters;
    for (int i = 0; i < 4; ++i) {
        waiters.emplace_back([&] {
            while (!stop) room.waitHere(1);
        });
    }
    for (int i = 0; i < 2000; ++i) {
        if (i % 2) room.condition.notifyOne();
        else room.condition.notifyAll();
    }
    stop = true;
    room.condition.notifyAll();
    for (auto& waiter : waiters) waiter.join();

    // Afterwards no release may be left over: a fresh waiter is not woken without a notify, and one
    // notify wakes it.
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
