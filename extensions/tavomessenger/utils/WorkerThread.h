#pragma once

#include "utils/WorkObject.h"

#include <memory>

// The module's one worker thread as the rest of the module sees it. Callers outside the server hold it
// by weak reference only. AddWork may be called from any thread and never waits for the work to run.
class WorkerThread {
public:
    virtual ~WorkerThread() = default;
    // True once the work is queued; false when it was refused (the worker is stopping, or no work was
    // given), so that a caller can answer the failure instead of reporting a delivery that never happens.
    virtual bool AddWork(std::shared_ptr<WorkObject> work) = 0;
};
