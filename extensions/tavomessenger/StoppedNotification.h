#pragma once

#include <atomic>

// The host's stopped callback as the module holds it between a stop and its end, whichever export brought
// it. Threads: notified on the worker thread, or on the stopping thread when nothing runs; the first call
// of notify wins, so a stop that fails half-way can still notify without notifying twice.
class StoppedNotification
{
public:
    virtual ~StoppedNotification() = default;

    // Calls the host's callback the first time only; what the callback throws stays here, logged.
    void notify();

private:
    virtual void callHost() = 0;

    std::atomic<bool> notified{false};
};
