#pragma once

#include "vorn/Condition.h"
#include "vorn/Mutex.h"
#include "vorn/Runnable.h"
#include "vorn/Task.h"

#include <windows.h>

#include <deque>
#include <memory>
#include <vector>

namespace vorn {

class ThreadPool;

// The body of every thread of one ThreadPool, and the bookkeeping those threads share.
//
// Locks: the pool mutex guards both queues and `closing_`; `mutex_` guards `pool_` and the counts.
// The two are never held together, and neither is held while a task runs, so a task may queue more.
// Life: owned by the pool until the pool is destroyed; from then on by its running threads, the last
// of which deletes it.
class PoolWorker : public Runnable {
public:
    using Queue = std::deque<std::shared_ptr<Task>>;

    PoolWorker(ThreadPool* pool, std::shared_ptr<Queue> normalQueue, std::shared_ptr<Queue> priorityQueue,
               std::shared_ptr<Mutex> poolMutex, DWORD idleTimeoutMs);

    void run() override;

    // Starts `count` threads at once; how many could be started.
    int start(int count);
    // After a task was queued: wakes an idle thread or starts a new one below `maximumThreads`.
    // False when no thread runs at all, so nothing will take the task.
    bool dispatch(int maximumThreads);
    // True on the pool's own threads, where waiting for a queued task would wait for oneself.
    bool runsOnCallingThread() const;
    // The pool is going away: drops every queued task unrun and lets the threads leave.
    // May delete this object.
    void shutdown();

private:
    ~PoolWorker() override;

    bool startThread();
    bool serveQueues();
    bool queuesEmpty() const;
    std::shared_ptr<Task> takeNext();
    void runTask(std::shared_ptr<Task> task);

    ThreadPool* pool_;
    std::shared_ptr<Queue> normalQueue_;
    std::shared_ptr<Queue> priorityQueue_;
    std::shared_ptr<Mutex> poolMutex_;
    Condition condition_;
    DWORD idleTimeoutMs_;
    mutable Mutex mutex_;
    int running_ = 0;
    int busy_ = 0;
    // Under mutex_: tasks handed to dispatch and tasks taken by a thread, counted since the start. A
    // thread about to leave for idleness also sees from `dispatched_` that work came in after it found
    // the queues empty.
    unsigned long dispatched_ = 0;
    unsigned long taken_ = 0;
    // Under the pool mutex: the pool is going away.
    bool closing_ = false;
    // Under mutex_: the threads running this worker. Kept here rather than in thread-local storage,
    // whose per-thread clean-up would run module code after a pinned thread has let the module go.
    std::vector<DWORD> threadIds_;

    void enterThread();
    void leaveThread();
};

} // namespace vorn
