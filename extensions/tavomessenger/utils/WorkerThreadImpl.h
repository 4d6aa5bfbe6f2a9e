#pragma once

#include "utils/WorkObject.h"
#include "utils/WorkerThread.h"

#include "vorn/Mutex.h"
#include "vorn/ThreadPool.h"

#include <functional>
#include <memory>

// The module's worker thread: one pool thread in COM's multithreaded apartment that runs COM
// initialisation first, then every work object in the order AddWork received it, then COM
// de-initialisation and the completion function handed to stop.
//
// Threads: AddWork and stop may be called from any thread; `mutex` guards `stopped` and the hand-over
// to the pool, and is never held while work runs. Must be owned by a shared pointer: a stop that does
// not wait keeps the worker alive through its last task.
class WorkerThreadImpl : public WorkerThread, public std::enable_shared_from_this<WorkerThreadImpl> {
public:
    WorkerThreadImpl();
    // Stops and waits for COM de-initialisation, unless stopped before.
    ~WorkerThreadImpl() override;
    WorkerThreadImpl(const WorkerThreadImpl&) = delete;
    WorkerThreadImpl& operator=(const WorkerThreadImpl&) = delete;

    // Queues the work behind everything added before; after stop the work is refused with a warning.
    bool AddWork(std::shared_ptr<WorkObject> work) override;

    // Queues COM de-initialisation and then `completion` behind all work added so far and refuses
    // further work. With `blocking`, waits until both have run. A repeated stop is ignored and its
    // completion never called.
    void stop(std::function<void()> completion, bool blocking);

private:
    bool stopped = false;
    std::shared_ptr<vorn::ThreadPool> pool;
    vorn::Mutex mutex;
};
