#include "vorn/ThreadPool.h"

#include "vorn/BlockingTask.h"
#include "vorn/Event.h"

#include <algorithm>
#include <utility>

namespace vorn {

ThreadPool::ThreadPool(int minimumThreads, int maximumThreads, int idleTimeoutSeconds)
    : normalQueue_(std::make_shared<PoolWorker::Queue>())
    , priorityQueue_(std::make_shared<PoolWorker::Queue>())
    , mutex_(std::make_shared<Mutex>())
    , minimumThreads_(std::max(minimumThreads, 0))
    // A pool that may run no thread would never run anything.
    , maximumThreads_(std::max({maximumThreads, minimumThreads_, 1}))
{
    const DWORD idleTimeoutMs = static_cast<DWORD>(std::max(idleTimeoutSeconds, 0)) * 1000;
    worker_ = new PoolWorker(this, normalQueue_, priorityQueue_, mutex_, idleTimeoutMs);
    worker_->start(minimumThreads_);
}

ThreadPool::~ThreadPool()
{
    worker_->shutdown();
}

void ThreadPool::submit(std::shared_ptr<Task> task, bool blocking, bool priority)
{
    if (!task) return;
    std::shared_ptr<Event> done;
    if (blocking && !worker_->runsOnCallingThread()) {
        done = std::make_shared<Event>(true);
        task = std::make_shared<BlockingTask>(std::move(task), done);
    }
    {
        MutexGuard guard(*mutex_);
        (priority ? priorityQueue_ : normalQueue_)->push_back(std::move(task));
    }
    const bool threadsRun = worker_->dispatch(maximumThreads_);
    if (done && threadsRun) done->wait();
}

} // namespace vorn
