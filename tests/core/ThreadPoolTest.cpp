#include "vorn/Event.h"
#include "vorn/Mutex.h"
#include "vorn/ThreadPool.h"

#include "support/ThreadTestHelpers.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <atomic>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

class FunctionTask : public vorn::Task {
public:
    FunctionTask(std::function<void()> function, std::function<void()> onDestroyed)
        : function_(std::move(function))
        , onDestroyed_(std::move(onDestroyed))
    {
    }
    ~FunctionTask() override
    {
        if (onDestroyed_) onDestroyed_();
    }
    void run() override { function_(); }

private:
    std::function<void()> function_;
    std::function<void()> onDestroyed_;
};

std::shared_ptr<vorn::Task> task(std::function<void()> function, std::function<void()> onDestroyed = nullptr)
{
    return std::make_shared<FunctionTask>(std::move(function), std::move(onDestroyed));
}

std::shared_ptr<vorn::Task> passing(const Gate& gate)
{
    return task([&gate] { gate.arriveAndWait(); });
}

struct Journal {
    vorn::Mutex mutex;
    std::vector<std::string> entries;
    std::shared_ptr<vorn::Task> adding(const std::string& entry)
    {
        return task([this, entry] {
            vorn::MutexGuard guard(mutex);
            entries.push_back(entry);
        });
    }
};

bool threadEndsWithin(DWORD threadId, DWORD timeoutMs)
{
    HANDLE thread = OpenThread(SYNCHRONIZE, FALSE, threadId);
    if (!thread) return true; // already gone
    const bool ended = WaitForSingleObject(thread, timeoutMs) == WAIT_OBJECT_0;
    CloseHandle(thread);
    return ended;
}

} // namespace

TEST(ThreadPool, BlockingSubmitWaitsForTheTaskExceptFromThePoolsOwnThread)
{
    vorn::ThreadPool pool(1, 1, 60);
    std::atomic<bool> ran{false};
    pool.submit(task([&] {
                    Sleep(100);
                    ran = true;
                }),
                true);
    EXPECT_TRUE(ran);

    Journal journal;
    vorn::Event inner(false);
    pool.submit(task([&] {
        pool.submit(task([&] {
                        journal.adding("inner")->run();
                        inner.set();
                    }),
                    true);
        journal.adding("outer")->run();
    }));
    EXPECT_EQ(0, inner.wait(10000));
    EXPECT_EQ((std::vector<std::string>{"outer", "inner"}), journal.entries);
}

TEST(ThreadPool, DestroyingThePoolDropsQueuedTasksUnrunAndItsThreadEndsPromptly)
{
    Gate gate;
    std::atomic<bool> queuedRan{false};
    std::atomic<bool> queuedDestroyed{false};
    std::atomic<DWORD> poolThread{0};
    {
        vorn::ThreadPool pool(1, 1, 60);
        pool.submit(task([&] {
            poolThread = GetCurrentThreadId();
            gate.arriveAndWait();
        }));
        gate.waitUntilReached();
        pool.submit(task([&] { queuedRan = true; }, [&] { queuedDestroyed = true; }));
    }
    EXPECT_TRUE(queuedDestroyed);
    gate.open();
    EXPECT_TRUE(threadEndsWithin(poolThread, 10000)) << "the thread must leave well before its idle time-out";
    EXPECT_FALSE(queuedRan);
}

TEST(ThreadPool, ATaskMayReleaseThePoolThatRunsIt)
{
    auto pool = std::make_shared<vorn::ThreadPool>(1, 1, 60);
    std::weak_ptr<vorn::ThreadPool> watcher = pool;
    std::atomic<DWORD> poolThread{0};
    std::atomic<bool> laterRan{false};
    Gate gate;
    pool->submit(passing(gate));
    gate.waitUntilReached();
    // The last reference travels with the task and is released on the pool's thread after it ran.
    pool->submit(task([keep = pool, &poolThread] { poolThread = GetCurrentThreadId(); }));
    pool->submit(task([&] { laterRan = true; }));
    pool.reset();
    gate.open();

    waitUntil([&] { return watcher.expired(); }, INFINITE);
    EXPECT_TRUE(threadEndsWithin(poolThread, 10000));
    EXPECT_FALSE(laterRan) << "tasks behind the one that destroyed the pool are dropped";
}

TEST(ThreadPool, StartsThreadsUpToItsMaximumAndStillRunsWorkAfterIdleOnesLeft)
{
    std::atomic<int> arrived{0};
    std::atomic<int> done{0};
    vorn::Event allArrived(false);
    vorn::ThreadPool pool(2, 4, 60);
    for (int i = 0; i < 4; ++i) {
        pool.submit(task([&] {
            if (++arrived == 4) allArrived.set();
            allArrived.wait();
            ++done;
        }));
    }
    EXPECT_EQ(0, allArrived.wait(10000)) << "four tasks could not run at the same time";
    waitUntil([&] { return done == 4; }, INFINITE);

    vorn::ThreadPool idle(0, 2, 1);
    std::atomic<DWORD> firstThread{0};
    idle.submit(task([&] { firstThread = GetCurrentThreadId(); }), true);
    EXPECT_TRUE(threadEndsWithin(firstThread, 10000)) << "an idle thread above the minimum should leave";
    std::atomic<bool> ran{false};
    idle.submit(task([&] { ran = true; }), true);
    EXPECT_TRUE(ran);
}

TEST(ThreadPool, ATaskThatThrowsDoesNotEndItsThread)
{
    vorn::ThreadPool pool(1, 1, 60);
    std::atomic<DWORD> before{0};
    std::atomic<DWORD> after{0};
    pool.submit(task([&] { before = GetCurrentThreadId(); }));
    pool.submit(task([] { throw std::runtime_error("task failure"); }));
    pool.submit(task([&] { after = GetCurrentThreadId(); }), true);
    EXPECT_NE(0u, after.load());
    EXPECT_EQ(before.load(), after.load());
}

TEST(ThreadPool, AModuleStaysLoadedUntilItsPoolThreadHasLeftIt)
{
    const wchar_t* const name = L"vorn_lingering_pool.dll";
    HMODULE module = LoadLibraryW(name);
    ASSERT_NE(module, nullptr);
    using Start = void (*)(HANDLE);
    const Start start = reinterpret_cast<Start>(reinterpret_cast<void*>(GetProcAddress(module, "startLingeringPool")));
    ASSERT_NE(start, nullptr);
    HANDLE started = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    start(started);
    ASSERT_EQ(WaitForSingleObject(started, 10000), WAIT_OBJECT_0);
    FreeLibrary(module);
    EXPECT_NE(GetModuleHandleW(name), nullptr) << "unloaded while its thread still runs its code";
    // Had the module gone with FreeLibrary, the thread would crash this process when its sleep ends.
    waitUntil([&] { return !GetModuleHandleW(name); }, INFINITE);
    CloseHandle(started);
}
