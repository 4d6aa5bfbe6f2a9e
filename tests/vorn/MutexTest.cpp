#include "Watchdog.h"

#include "vorn/Mutex.h"

#include <gtest/gtest.h>

#include <thread>
#include <vector>

TEST(Mutex, GuardsSerialiseReadModifyWriteAcrossThreads)
{
    Watchdog watchdog(60000, "mutex counter");
    vorn::Mutex mutex;
    long counter = 0;
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&] {
            for (int i = 0; i < 20000; ++i) {
                vorn::MutexGuard guard(mutex);
                const long seen = counter;
                if (i % 1000 == 0) std::this_thread::yield();
                counter = seen + 1;
            }
        });
    }
    for (auto& thread : threads) thread.join();
    EXPECT_EQ(80000, counter);
}
