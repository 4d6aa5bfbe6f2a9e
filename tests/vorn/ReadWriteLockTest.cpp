#include "Watchdog.h"

#include "vorn/Event.h"
#include "vorn/Mutex.h"
#include "vorn/ReadWriteLock.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <atomic>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace {

void awaitWaitingWriters(vorn::ReadWriteLock& lock, int count)
{
    while (lock.waitingWriters() != count) Sleep(1);
}

// Who got the lock, in order.
class Arrivals {
public:
    void add(const std::string& who)
    {
        vorn::MutexGuard guard(mutex_);
        order_.push_back(who);
    }

    std::vector<std::string> order()
    {
        vorn::MutexGuard guard(mutex_);
        return order_;
    }

private:
    vorn::Mutex mutex_;
    std::vector<std::string> order_;
};

// Holds the lock shared on its own thread until released.
class SharedHolder {
public:
    explicit SharedHolder(vorn::ReadWriteLock& lock)
        : thread_([this, &lock] {
            lock.lockShared();
            held_.set();
            release_.wait();
            lock.unlock();
        })
    {
        held_.wait();
    }

    ~SharedHolder()
    {
        release();
        thread_.join();
    }

    void release() { release_.set(); }

private:
    vorn::Event held_{false};
    vorn::Event release_{false};
    std::thread thread_;
};

} // namespace

TEST(ReadWriteLock, ReaderArrivingWhileAWriterWaitsGoesAfterTheWriter)
{
    Watchdog watchdog(30000, "writer preference");
    vorn::ReadWriteLock lock;
    Arrivals arrivals;
    auto first = std::make_unique<SharedHolder>(lock);
    auto second = std::make_unique<SharedHolder>(lock);

    std::thread writer([&] {
        vorn::ExclusiveGuard guard(lock);
        arrivals.add("writer");
        Sleep(50);
    });
    awaitWaitingWriters(lock, 1);
    std::thread thirdReader([&] {
        vorn::SharedGuard guard(lock);
        arrivals.add("third reader");
    });
    Sleep(150);
    EXPECT_TRUE(arrivals.order().empty());

    first.reset();
    second.reset();
    writer.join();
    thirdReader.join();
    EXPECT_EQ((std::vector<std::string>{"writer", "third reader"}), arrivals.order());
}

TEST(ReadWriteLock, NestedSharedAcquisitionPassesAQueuedWriterAndTheWriterFollowsTheOuterRelease)
{
    Watchdog watchdog(30000, "nested shared acquisition");
    vorn::ReadWriteLock lock;
    std::atomic<bool> writerIn{false};
    vorn::Event outerHeld(false);
    vorn::Event writerQueued(false);
    vorn::Event nestedTaken(false);
    vorn::Event innerReleased(false);
    vorn::Event releaseOuter(false);

    std::thread reader([&] {
        vorn::SharedGuard outer(lock);
        outerHeld.set();
        writerQueued.wait();
        {
            vorn::SharedGuard inner(lock);
            EXPECT_TRUE(inner.owns());
            nestedTaken.set();
        }
        innerReleased.set();
        releaseOuter.wait();
    });
    outerHeld.wait();
    std::thread writer([&] {
        vorn::ExclusiveGuard guard(lock);
        writerIn = true;
    });
    awaitWaitingWriters(lock, 1);
    writerQueued.set();

    EXPECT_EQ(0, nestedTaken.wait(10000)) << "the nested shared acquisition waited behind the writer";
    innerReleased.wait();
    Sleep(100);
    EXPECT_FALSE(writerIn) << "the writer got in while the outer shared hold was still there";
    releaseOuter.set();
    reader.join();
    writer.join();
    EXPECT_TRUE(writerIn);
}

TEST(ReadWriteLock, ExclusiveHolderTakesItAgainInEitherModeAndReleasesOnlyAtItsLastUnlock)
{
    Watchdog watchdog(30000, "nested exclusive acquisition");
    vorn::ReadWriteLock lock;
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
    EXPECT_EQ(1, lock.unlock()) << "one unlock too many";
}

TEST(ReadWriteLock, UpgradeFromSharedIsRefusedAndTheSharedHoldStays)
{
    Watchdog watchdog(30000, "upgrade");
    vorn::ReadWriteLock lock;
    ASSERT_EQ(0, lock.lockShared());
    {
        vorn::ExclusiveGuard upgrade(lock);
        EXPECT_FALSE(upgrade.owns());
    }

    std::atomic<bool> writerIn{false};
    std::thread writer([&] {
        vorn::ExclusiveGuard guard(lock);
        writerIn = true;
    });
    awaitWaitingWriters(lock, 1);
    EXPECT_FALSE(writerIn);
    EXPECT_EQ(0, lock.unlock());
    writer.join();
    EXPECT_TRUE(writerIn);
}

TEST(ReadWriteLock, UnlockByAThreadHoldingNothingIsRefusedAndChangesNothing)
{
    Watchdog watchdog(30000, "stray unlock");
    vorn::ReadWriteLock lock;
    EXPECT_EQ(1, lock.unlock());

    SharedHolder holder(lock);
    EXPECT_EQ(1, lock.unlock()) << "a shared hold of another thread is not ours to release";
    std::atomic<bool> writerIn{false};
    std::thread writer([&] {
        vorn::ExclusiveGuard guard(lock);
        writerIn = true;
    });
    awaitWaitingWriters(lock, 1);
    EXPECT_FALSE(writerIn);
    holder.release();
    writer.join();
    EXPECT_TRUE(writerIn);
}

TEST(ReadWriteLock, WriterGetsInWhileReadersKeepOverlapping)
{
    Watchdog watchdog(60000, "writer starvation");
    vorn::ReadWriteLock lock;
    std::atomic<bool> stop{false};
    std::vector<std::thread> readers;
    for (int i = 0; i < 3; ++i) {
        readers.emplace_back([&] {
            while (!stop) {
                vorn::SharedGuard guard(lock);
                Sleep(2);
            }
        });
    }
    for (int i = 0; i < 20; ++i) {
        vorn::ExclusiveGuard guard(lock);
        EXPECT_TRUE(guard.owns());
    }
    stop = true;
    for (auto& reader : readers) reader.join();
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
        if (!guard.owns()) {
            ++violations;
            return;
        }
        ++readersInside;
        if (writersInside != 0) ++violations;
        const long seen = guardedValue;
        if (depth > 1) self(depth - 1, self);
        if (guardedValue != seen) ++violations;
        --readersInside;
    };

    std::vector<std::thread> threads;
    for (int t = 0; t < 8; ++t) {
        threads.emplace_back([&, t] {
            unsigned seed = 12345u + static_cast<unsigned>(t);
            for (int i = 0; i < 5000; ++i) {
                seed = seed * 1103515245u + 12345u;
                const unsigned choice = (seed >> 16) % 10;
                if (choice < 3) {
                    vorn::ExclusiveGuard guard(lock);
                    if (!guard.owns()) {
                        ++violations;
                        continue;
                    }
                    if (++writersInside != 1 || readersInside != 0) ++violations;
                    guardedValue += 1;
                    ++writes;
                    if (choice == 0) SwitchToThread();
                    --writersInside;
                } else {
                    readNested(1 + static_cast<int>(choice % 3), readNested);
                }
            }
        });
    }
    for (auto& thread : threads) thread.join();

    EXPECT_EQ(0, violations);
    EXPECT_EQ(writes.load(), guardedValue);
    EXPECT_EQ(0, lock.waitingWriters());
    EXPECT_EQ(0, lock.lockExclusive()) << "the lock must be free after the last holder left";
    EXPECT_EQ(0, lock.unlock());
}
