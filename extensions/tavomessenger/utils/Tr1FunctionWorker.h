#pragma once

#include "utils/WorkObject.h"

#include <functional>

// A work object that runs one function. Built on any thread, run on the worker thread.
class Tr1FunctionWorker : public WorkObject {
public:
    explicit Tr1FunctionWorker(std::function<void()> function);

    // Calls the function; an empty one raises std::bad_function_call, which the worker catches.
    void DoWork() override;

    // Called on the worker thread after each function has run, so that a test can tell when queued work is done.
    using FinishedHook = void (*)();
    static void setFinishedHook(FinishedHook hook);

private:
    std::function<void()> function_;
};
