#pragma once

#include "vorn/Mutex.h"
#include "vorn/PoolWorker.h"
#include "vorn/Task.h"

#include <deque>
#include <memory>

namespace vorn {

// Runs submitted tasks on its own threads, the priority queue before the normal queue, each queue
// first in first out. Threads above the minimum end after the idle time-out.
// Any thread may submit; destroying the pool drops every task not yet started.
class ThreadPool {
public:
    ThreadPool(int minimumThreads, int maximumThreads, int idleTimeoutSeconds);
    ~ThreadPool();
    ThreadPool(const ThreadPool&) = delete;
    ThreadPool& operator=(const ThreadPool&) = delete;

    // Queues `task`; with `blocking`, returns once it has run (or was dropped unrun). A blocking submit
    // from one of the pool's own threads does not wait, since the task could only run after its caller.
    // A null task is ignored.
    void submit(std::shared_ptr<Task> task, bool blocking = false, bool priority = false);

    int minimumThreads() const { return minimumThreads_; }
    int maximumThreads() const { return maximumThreads_; }

private:
    // Owned until the destructor hands it to its running threads (PoolWorker::shutdown).
    PoolWorker* worker_ = nullptr;
    std::shared_ptr<PoolWorker::Queue> normalQueue_;
    std::shared_ptr<PoolWorker::Queue> priorityQueue_;
    std::shared_ptr<Mutex> mutex_;
    int minimumThreads_;
    int maximumThreads_;
};

} // namespace vorn
