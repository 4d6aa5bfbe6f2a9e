#include "IUCOfficeIntegration/AsynchronousOperationWorker.h"

#include "logging/Logging.h"

#include "extensionsutils/Variant.h"

#include <utility>

AsynchronousOperationWorker::AsynchronousOperationWorker(IDispatch* callback, DISPID dispatchId, REFIID callbackInterface)
    : asyncOperation(extensionsutils::ComObject<UCCAsynchronousOperation>::create())
    , callback(callback, callbackInterface)
    , dispatchId(dispatchId)
{
}

extensionsutils::MICComPtr<UCCAsynchronousOperation> AsynchronousOperationWorker::operation() const
{
    return asyncOperation;
}

void AsynchronousOperationWorker::setResultFunction(ResultFunction function)
{
    vorn::MutexGuard guard(mutex);
    resultFunction = std::move(function);
}

AsynchronousOperationWorker::ResultFunction AsynchronousOperationWorker::takeResultFunction()
{
    vorn::MutexGuard guard(mutex);
    ResultFunction function;
    function.swap(resultFunction);
    return function;
}

void AsynchronousOperationWorker::DoWork()
{
    TAVO_LOG(1, "Starting work for AsynchronousOperationWorker");
    // Taken, not copied: what the function holds (the contact manager, for a lookup) is released once
    // the result was reported, and a second run finds nothing to report.
    const ResultFunction function = takeResultFunction();
    // Also told the callback's answer later, on the delivery thread.
    const auto reportFailure = [](HRESULT hr) {
        if (FAILED(hr)) TAVO_LOG(4, "Asynchronous Operation callback failed " << hr);
    };
    // The steps run in a lambda so that each early exit still reaches the closing line, and every line is
    // logged as DoWork's own.
    [&] {
        if (!function || !asyncOperation || asyncOperation->isCancelled()) {
            TAVO_LOG(3, "AsynchronousOperationWorker cancelled or no function set, no work carried out");
            return;
        }
        extensionsutils::DispatchParameters parameters;
        const bool succeeded = function(parameters);
        parameters.add(extensionsutils::Variant::fromDispatch(asyncOperation.as<IDispatch>().get()));
        if (asyncOperation->isCancelled()) {
            TAVO_LOG(3, "AsynchronousOperationWorker cancelled, result not reported");
            return;
        }
        // Completed before the callback runs, so that a callback reading IsCompleted sees true.
        asyncOperation->complete(succeeded);
        // Called by the event delivery, in order with the other answers to this callback: a callback that
        // hangs in Office holds up neither the worker nor any other Office.
        const HRESULT hr = callback.post(dispatchId, std::move(parameters), reportFailure);
        reportFailure(hr);
    }();
    TAVO_LOG(1, "Finished work for AsynchronousOperationWorker");
}
