#include "vorn/PoolWorker.h"

#include "vorn/ThreadPool.h"

#include <process.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <utility>

namespace vorn {

namespace {

// A condition that cannot wait (its semaphore could not be made) is polled instead.
const DWORD unusableConditionPollMs = 10;

// A pool thread may still be leaving this code after the call that stopped its owner has returned and
// the host has unloaded the module: the thread holds the module until it has left it.
void __cdecl threadMain(void* argument)
{
    HMODULE module = nullptr;
    GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS, reinterpret_cast<LPCWSTR>(&threadMain), &module);
    static_cast<Runnable*>(argument)->run();
    if (module) FreeLibraryAndExitThread(module, 0);
}

} // namespace

PoolWorker::PoolWorker(ThreadPool* pool, std::shared_ptr<Queue> normalQueue, std::shared_ptr<Queue> priorityQueue,
                       std::shared_ptr<Mutex> poolMutex, DWORD idleTimeoutMs)
    : pool_(pool)
    , normalQueue_(std::move(normalQueue))
    , priorityQueue_(std::move(priorityQueue))
    , poolMutex_(std::move(poolMutex))
    , idleTimeoutMs_(idleTimeoutMs)
{
}

PoolWorker::~PoolWorker() = default;

void PoolWorker::run()
{
    enterThread();
    bool timedOut = false;
    unsigned long notedDispatches = 0;
    for (;;) {
        mutex_.lock();
        if (!pool_) {
            leaveThread();
            const bool last = --running_ == 0;
            mutex_.unlock();
            if (last) delete this;
            return;
        }
        if (timedOut && running_ > pool_->minimumThreads() && dispatched_ == notedDispatches) {
            leaveThread();
            --running_;
            mutex_.unlock();
            return;
        }
        notedDispatches = dispatched_;
        mutex_.unlock();
        timedOut = serveQueues();
    }
}

// One round under the pool mutex: wait for work, then run tasks until the queues are empty.
// True when the idle time-out passed without work.
bool PoolWorker::serveQueues()
{
    poolMutex_->lock();
    bool timedOut = false;
    while (!closing_ && queuesEmpty() && !timedOut) {
        const int waited = condition_.wait(*poolMutex_, idleTimeoutMs_);
        if (waited == 1) timedOut = queuesEmpty();
        if (waited < 0) {
            poolMutex_->unlock();
            Sleep(unusableConditionPollMs);
            poolMutex_->lock();
        }
    }
    while (!closing_ && !timedOut) {
        std::shared_ptr<Task> task = takeNext();
        if (!task) break;
        poolMutex_->unlock();
        runTask(std::move(task));
        poolMutex_->lock();
    }
    poolMutex_->unlock();
    return timedOut;
}

bool PoolWorker::queuesEmpty() const
{
    return priorityQueue_->empty() && normalQueue_->empty();
}

std::shared_ptr<Task> PoolWorker::takeNext()
{
    Queue& queue = priorityQueue_->empty() ? *normalQueue_ : *priorityQueue_;
    if (queue.empty()) return nullptr;
    std::shared_ptr<Task> task = std::move(queue.front());
    queue.pop_front();
    return task;
}

void PoolWorker::runTask(std::shared_ptr<Task> task)
{
    {
        MutexGuard guard(mutex_);
        ++busy_;
        ++taken_;
    }
    // An exception leaving a thread started by _beginthread would end the whole process.
    try {
        task->run();
    } catch (...) {
        std::fputs("Error in PoolWorker::run(): a task threw an exception\n", stdout);
    }
    // Released before the pool mutex is taken again: this may destroy the pool itself.
    task.reset();
    MutexGuard guard(mutex_);
    --busy_;
}

int PoolWorker::start(int count)
{
    MutexGuard guard(mutex_);
    int started = 0;
    for (int i = 0; i < count; ++i) {
        if (startThread()) ++started;
    }
    return started;
}

// Under mutex_. The thread is counted before it starts, so it is never missed by shutdown.
bool PoolWorker::startThread()
{
    ++running_;
    if (_beginthread(threadMain, 0, this) != static_cast<std::uintptr_t>(-1)) return true;
    --running_;
    return false;
}

bool PoolWorker::dispatch(int maximumThreads)
{
    MutexGuard guard(mutex_);
    ++dispatched_;
    // Tasks handed over but not yet taken, against threads not busy: a woken thread counts as busy
    // only once it has taken a task, so idle threads alone would understate the need for more.
    const long waitingTasks = static_cast<long>(dispatched_ - taken_);
    const int idle = running_ - busy_;
    if (idle > 0) condition_.notifyOne();
    if (pool_ && waitingTasks > idle && running_ < maximumThreads) startThread();
    return running_ > 0;
}

bool PoolWorker::runsOnCallingThread() const
{
    MutexGuard guard(mutex_);
    return std::find(threadIds_.begin(), threadIds_.end(), GetCurrentThreadId()) != threadIds_.end();
}

void PoolWorker::enterThread()
{
    MutexGuard guard(mutex_);
    threadIds_.push_back(GetCurrentThreadId());
}

// Called with mutex_ held.
void PoolWorker::leaveThread()
{
    threadIds_.erase(std::remove(threadIds_.begin(), threadIds_.end(), GetCurrentThreadId()), threadIds_.end());
}

void PoolWorker::shutdown()
{
    Queue droppedNormal;
    Queue droppedPriority;
    poolMutex_->lock();
    closing_ = true;
    droppedNormal.swap(*normalQueue_);
    droppedPriority.swap(*priorityQueue_);
    poolMutex_->unlock();
    // Destroyed outside every pool lock: a task's destructor may release what queues more work.
    droppedNormal.clear();
    droppedPriority.clear();

    mutex_.lock();
    pool_ = nullptr;
    const bool threadsRun = running_ > 0;
    // Notified under mutex_, so the last thread cannot delete this object before the call returns.
    if (threadsRun) condition_.notifyAll();
    mutex_.unlock();
    if (!threadsRun) delete this;
}

} // namespace vorn
