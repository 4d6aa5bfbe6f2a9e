#pragma once

#include "utils/WorkObject.h"

#include <memory>

// The module's one worker thread as the rest of the module sees it. Callers outside the server hold it
// by weak reference only. AddWork may be called from any thread and never waits for the work to run.
class WorkerThread {
public:
    virtual ~WorkerThread() = default;
    virtual void AddWork(std::shared_ptr<WorkObject> work) = 0;
};
