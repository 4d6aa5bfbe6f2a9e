#pragma once

#include <atomic>

// The host's stopped callback as the module holds it between a stop and its end, whichever export brought
// it. Threads: notified on the worker thread, or on the stopping thread when nothing runs; the first call
// of notify wins, so a stop that fails half-way can still notify without notifying twice.
class StoppedNotification
{
public:
    virtual ~StoppedNotification() = default;

    // Calls the host's callback the first time only. What the callback throws or raises stays here,
    // logged: a C++ exception of this module's compiler, and any structured exception (an access
    // violation, a C++ exception of Microsoft's compiler, a .NET exception), on both architectures.
    void notify();

private:
    virtual void callHost() = 0;
    static void callHostCatching(void* self);

    std::atomic<bool> notified{false};
};
