#include "utils/WorkerThreadImpl.h"

#include "logging/Results.h"

#include "vorn/Task.h"

#include <objbase.h>

#include <exception>
#include <string>
#include <utility>

namespace {

// One thread that never ends for idleness.
const int poolThreads = 1;
const int idleTimeoutSeconds = 60;

// Nothing may leave a work item on the worker thread: an exception there would end the host's process.
template <typename Function>
void runGuarded(Function&& function)
{
    try {
        function();
    } catch (const std::exception& error) {
        TAVO_LOG(4, "Work item threw an exception, ignoring: " << error.what());
    } catch (...) {
        TAVO_LOG(4, "Work item threw an unknown exception, ignoring");
    }
}

class InitialiseTask : public vorn::Task {
public:
    void run() override
    {
        const HRESULT result = CoInitializeEx(nullptr, COINIT_MULTITHREADED);
        if (FAILED(result)) TAVO_LOG(4, "CoInitializeEx failed on the worker thread: 0x" << std::hex << result);
    }

    std::string name() const override { return "COM initialisation"; }
};

class ExecuteWorkObjectTask : public vorn::Task {
public:
    explicit ExecuteWorkObjectTask(std::shared_ptr<WorkObject> work)
        : work(std::move(work))
    {
    }

    void run() override
    {
        runGuarded([this] { work->DoWork(); });
    }

    std::string name() const override { return "TavoMessenger WorkObject"; }

private:
    std::shared_ptr<WorkObject> work;
};

class DeInitialiseTask : public vorn::Task {
public:
    // `worker` keeps the worker alive until this task has run; empty when its stop waits anyway.
    DeInitialiseTask(std::shared_ptr<WorkerThreadImpl> worker, std::function<void()> completion)
        : worker(std::move(worker))
        , completion(std::move(completion))
    {
    }

    void run() override
    {
        CoUninitialize();
        if (completion) runGuarded(completion);
    }

    std::string name() const override { return "COM de-initialisation"; }

private:
    std::shared_ptr<WorkerThreadImpl> worker;
    std::function<void()> completion;
};

} // namespace

WorkerThreadImpl::WorkerThreadImpl()
    : pool(std::make_shared<vorn::ThreadPool>(poolThreads, poolThreads, idleTimeoutSeconds))
{
    pool->submit(std::make_shared<InitialiseTask>(), false, false);
}

WorkerThreadImpl::~WorkerThreadImpl()
{
    // When the last reference goes on the worker thread itself, the pool cannot wait for its own
    // thread: the de-initialisation is then dropped with the pool instead of waiting forever.
    stop([] {}, true);
}

bool WorkerThreadImpl::AddWork(std::shared_ptr<WorkObject> work)
{
    vorn::MutexGuard guard(mutex);
    if (stopped) return TAVO_FAIL(3, "Item added to work thread after shutdown, ignoring", false);
    if (!work) return TAVO_FAIL(3, "Empty item added to work thread, ignoring", false);
    pool->submit(std::make_shared<ExecuteWorkObjectTask>(std::move(work)), false, false);
    return true;
}

void WorkerThreadImpl::stop(std::function<void()> completion, bool blocking)
{
    {
        vorn::MutexGuard guard(mutex);
        if (stopped) return;
        stopped = true;
    }
    // Submitted outside the mutex: a blocking stop waits for work that may itself call AddWork.
    std::shared_ptr<WorkerThreadImpl> keepAlive = blocking ? nullptr : weak_from_this().lock();
    pool->submit(std::make_shared<DeInitialiseTask>(std::move(keepAlive), std::move(completion)), blocking, false);
}
