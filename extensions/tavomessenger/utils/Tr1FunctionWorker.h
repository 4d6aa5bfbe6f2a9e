#pragma once

#include "utils/WorkObject.h"

#include <functional>

// A work object that runs one function. Built on any thread, run on the worker thread.
class Tr1FunctionWorker : public WorkObject {
public:
    explicit Tr1FunctionWorker(std::function<void()> function);

    // Calls the function; an empty one raises std::bad_function_call, which the worker catches.
    void DoWork() override;

private:
    std::function<void()> function_;
};
