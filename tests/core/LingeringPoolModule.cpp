// A module whose pool thread is still running its code when the loader's last reference goes.

#include "vorn/ThreadPool.h"

#include <windows.h>

#include <memory>

namespace {

struct LingeringTask : vorn::Task {
    LingeringTask(std::shared_ptr<vorn::ThreadPool> pool, HANDLE started) : pool(std::move(pool)), started(started) {}
    void run() override
    {
        SetEvent(started);
        Sleep(300);
    }
    std::shared_ptr<vorn::ThreadPool> pool; // the last reference: the pool dies on its own thread
    HANDLE started;
};

} // namespace

extern "C" __declspec(dllexport) void startLingeringPool(HANDLE started)
{
    auto pool = std::make_shared<vorn::ThreadPool>(1, 1, 60);
    pool->submit(std::make_shared<LingeringTask>(pool, started));
}
