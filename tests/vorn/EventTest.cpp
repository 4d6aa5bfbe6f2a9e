#include "Watchdog.h"

#include "vorn/Event.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <atomic>
#include <thread>
#include <vector>

TEST(Event, SetBeforeWaitIsKeptUntilOneWaiterTakesIt)
{
    vorn::Event event(true);
    event.set();
    event.set();
    EXPECT_EQ(0, event.wait(0));
    EXPECT_EQ(1, event.wait(50)) << "an auto-reset event clears itself as its waiter leaves";
}

TEST(Event, AutoResetLetsOneWaiterThroughPerSet)
{
    Watchdog watchdog(30000, "auto-reset event");
    vorn::Event event(true);
    std::atomic<int> passed{0};
    std::vector<std::thread> waiters;
    for (int i = 0; i < 3; ++i) {
        waiters.emplace_back([&] {
            if (event.wait() == 0) ++passed;
        });
    }

    for (int expected = 1; expected <= 3; ++expected) {
        event.set();
        while (passed < expected) Sleep(1);
        Sleep(100);
        EXPECT_EQ(expected, passed);
    }
    for (auto& waiter : waiters) waiter.join();
}

TEST(Event, ManualResetReleasesEveryWaiterAndStaysSet)
{
    Watchdog watchdog(30000, "manual-reset event");
    vorn::Event event(false);
    std::atomic<int> passed{0};
    std::vector<std::thread> waiters;
    for (int i = 0; i < 4; ++i) {
        waiters.emplace_back([&] {
            if (event.wait() == 0) ++passed;
        });
    }
    Sleep(50);
    event.set();
    for (auto& waiter : waiters) waiter.join();
    EXPECT_EQ(4, passed);
    EXPECT_EQ(0, event.wait(0));
}
