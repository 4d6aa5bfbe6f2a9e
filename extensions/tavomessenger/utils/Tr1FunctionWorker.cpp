#include "utils/Tr1FunctionWorker.h"

#include "logging/Logging.h"

#include <atomic>
#include <utility>

namespace {
std::atomic<Tr1FunctionWorker::FinishedHook> finishedHook{nullptr};
}

Tr1FunctionWorker::Tr1FunctionWorker(std::function<void()> function)
    : function_(std::move(function))
{
}

void Tr1FunctionWorker::DoWork()
{
    TAVO_LOG(1, "Starting work for TR1FunctionWorker");
    function_();
    TAVO_LOG(1, "Finished work for TR1FunctionWorker");
    if (FinishedHook hook = finishedHook.load()) hook();
}

void Tr1FunctionWorker::setFinishedHook(FinishedHook hook)
{
    finishedHook = hook;
}
