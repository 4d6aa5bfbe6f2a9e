// A module whose pool thread is still running its code when the loader's last reference goes.

#include "vorn/ThreadPool.h"

#include <windows.h>

#include <memory>

namespace {

class LingeringTask : public vorn::Task {
public:
    LingeringTask(std::shared_ptr<vorn::ThreadPool> pool, HANDLE started)
        : pool_(std::move(pool))
        , started_(started)
    {
    }

    void run() override
    {
        SetEvent(started_);
        Sleep(300);
    }

private:
    std::shared_ptr<vorn::ThreadPool> pool_; // the last reference: the pool dies on its own thread
    HANDLE started_;
};

} // namespace

extern "C" __declspec(dllexport) void startLingeringPool(HANDLE started)
{
    auto pool = std::make_shared<vorn::ThreadPool>(1, 1, 60);
    pool->submit(std::make_shared<LingeringTask>(pool, started));
}
