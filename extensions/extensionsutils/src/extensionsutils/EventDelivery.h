#pragma once

#include "extensionsutils/LogSink.h"

#include "vorn/Condition.h"
#include "vorn/Mutex.h"
#include "vorn/ThreadPool.h"

#include <windows.h>

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

namespace extensionsutils {

class DeliveryQueue;

// The threads that make the calls into Office's event sinks, shared by every DeliveryQueue (one per
// advised sink). Each queue has at most one call in flight, so a sink gets its events in order while
// sinks proceed side by side, a few calls at a time; a sink that blocks holds one thread and, after a
// moment, no share of the calls in flight, so it delays nobody else.
//
// A call that has not returned within the stall limit marks its sink stalled: one log line says so, the
// call is cancelled where COM allows it (CoCancelCall; without it the thread simply waits for the sink),
// and waitUntilSettled, which the stop sequence uses before revoking, no longer waits for that sink.
// The pool's threads hold the module loaded until they end, so a call still blocked in Office when the
// host unloads the module returns into mapped code.
//
// One instance lives while any queue does (instance() makes it). Threads: any. `mutex_` guards the
// counts and the calls in flight; it is never held while a sink is called and never taken with a
// queue's mutex held the other way round (a queue may call in here under its own mutex).
class EventDelivery
{
public:
    static constexpr DWORD defaultStallLimitMs = 10000;

    // The shared instance, made on first use; empty when it cannot be made.
    static std::shared_ptr<EventDelivery> instance();

    // Waits until every queue has delivered what it holds or is stalled. True when settled, false when
    // `timeoutMs` passed first. True at once when no queue exists; false at once on a delivery thread
    // (a sink's handler), which would wait for itself.
    static bool waitUntilSettled(DWORD timeoutMs);
    // The same, but a sink whose call has run long enough to give up its slot counts as settled too:
    // for keeping order once the stop can no longer wait for slow sinks, while the healthy sinks' calls
    // still waiting for a slot are waited for.
    static bool waitUntilSettledOrBlocked(DWORD timeoutMs);

    // How long a call may take before its sink counts as stalled. Tests lower it.
    static void setStallLimit(DWORD milliseconds);
    static DWORD stallLimit();

    // Where the delivery's log lines go (sink failures, stalls); none by default.
    static void setLogSink(LogSinkPtr sink);
    static void log(int level, int line, const char* function, const std::string& messageUtf8);

    EventDelivery();
    ~EventDelivery();
    EventDelivery(const EventDelivery&) = delete;
    EventDelivery& operator=(const EventDelivery&) = delete;

    // For DeliveryQueue: a queue became busy (it holds events or a call) or idle again.
    void queueBusy();
    void queueIdle();
    // Runs queue->deliverNext() on a delivery thread.
    void schedule(std::shared_ptr<DeliveryQueue> queue);
    // Brackets one call into a sink on the calling delivery thread. `knownStalled`: the sink stalled
    // before and has not answered since, so stop need not wait for it. callEnded answers whether this
    // call was marked stalled.
    void callStarted(const DeliveryQueue* queue, bool knownStalled, bool cancellable);
    bool callEnded(const DeliveryQueue* queue);
    // Whether a call past the limit can be cancelled here (CoCancelCall works).
    static bool callsCancellable();
    // Marks the calls in flight past the limit as stalled (one log line each) and cancels them where
    // possible.
    void checkStalls();

private:
    struct Call
    {
        const DeliveryQueue* queue;
        DWORD threadId;
        DWORD startedAt;
        bool stalled;
        bool cancellable;
    };

    std::size_t markStalled();
    std::size_t answeringCalls() const;
    void logStalls(std::size_t count);
    enum class Settle { Delivered, DeliveredOrBlocked };
    bool settled(Settle settle) const;
    bool waitSettled(DWORD timeoutMs, Settle settle);
    static bool waitUntil(DWORD timeoutMs, Settle settle);

    vorn::Mutex mutex_;
    vorn::Condition changed_;
    long busyQueues_ = 0;
    std::vector<Call> calls_;
    vorn::ThreadPool pool_;
};

} // namespace extensionsutils
