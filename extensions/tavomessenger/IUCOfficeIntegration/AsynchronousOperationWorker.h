#pragma once

#include "IUCOfficeIntegration/values/UCCAsynchronousOperation.h"
#include "utils/WorkObject.h"

#include "extensionsutils/CallbackDelivery.h"
#include "extensionsutils/DispatchParameters.h"
#include "extensionsutils/MICComPtr.h"
#include "vorn/Mutex.h"

#include <windows.h>
#include <oaidl.h>

#include <functional>

// Reports the result of one asynchronous call to Office: when run on the worker thread it lets the result
// function append the callback's leading arguments, appends the operation, marks the operation completed
// and queues the call of the callback method. Held by shared pointer from the call until it has run; it runs once
// (the result function is given up by the run).
//
// Threads: built on the thread of Office's request (where the callback's apartment is looked up) and handed
// its result function on any thread, run on the worker thread, which queues the callback for the event
// delivery's threads; `mutex` guards `resultFunction` and is never held while the function runs.
class AsynchronousOperationWorker : public WorkObject {
public:
    // Appends the callback's leading arguments; answers whether the operation succeeded.
    using ResultFunction = std::function<bool(extensionsutils::DispatchParameters&)>;

    // Creates the operation; when that fails, operation() is empty and a run reports nothing.
    // `callbackInterface`: the interface the callback is held as.
    AsynchronousOperationWorker(IDispatch* callback, DISPID dispatchId, REFIID callbackInterface = IID_IDispatch);

    // A new reference to the operation, for the call's output; empty if it could not be created.
    extensionsutils::MICComPtr<UCCAsynchronousOperation> operation() const;

    void setResultFunction(ResultFunction function);

    void DoWork() override;

private:
    ResultFunction takeResultFunction();

    const extensionsutils::MICComPtr<UCCAsynchronousOperation> asyncOperation;
    const extensionsutils::CallbackDelivery callback;
    vorn::Mutex mutex;
    ResultFunction resultFunction;
    const DISPID dispatchId;
};
