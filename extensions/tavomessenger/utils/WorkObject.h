#pragma once

// One piece of work for the worker thread. DoWork runs on the worker thread, alone, in the order the
// work was added; a work object handles its own failures.
class WorkObject {
public:
    virtual ~WorkObject() = default;
    virtual void DoWork() = 0;
};
