#pragma once

#include "extensionsutils/LogSink.h"

#include "vorn/Condition.h"
#include "vorn/Mutex.h"
#include "vorn/ThreadPool.h"

#include <windows.h>
#include <unknwn.h>

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace extensionsutils {

class DeliveryLane;

// The threads that make the calls into Office's event sinks and callback objects. Office's unit is its
// apartment: one thread takes every call into it, one after another. So the delivery's unit is the
// apartment too: every sink of one apartment belongs to one DeliveryLane (found by the apartment's OXID,
// see sinkApartment), which has at most one call in flight; lanes proceed side by side on at most
// `maximumThreads` threads. A sink whose apartment cannot be told has a lane of its own.
//
// A call that has not returned within the stall limit marks its lane stalled: one log line says so, every
// sink of that apartment counts as stalled at once, the call is cancelled where COM allows it (CoCancelCall;
// without it the thread simply waits for Office), and waitUntilSettled, which the stop uses before revoking,
// no longer waits for that lane. A stalled lane holds one thread at most; events for it wait in its lane.
// The pool's threads hold the module loaded until they end, so a call still blocked in Office when the host
// unloads the module returns into mapped code.
//
// One instance lives while any lane does (instance() makes it). Threads: any. `mutex_` guards every member
// below it; it is never held while Office is called, and a lane may call in here under its own mutex (never
// the other way round).
class EventDelivery : public std::enable_shared_from_this<EventDelivery>
{
public:
    static constexpr DWORD defaultStallLimitMs = 10000;
    // Delivery threads at most, however many sinks hang: a stalled lane holds one.
    static constexpr int maximumThreads = 32;

    // The shared instance, made on first use; empty when it cannot be made.
    static std::shared_ptr<EventDelivery> instance();

    // The lane of the apartment that `sink` (held as `held`) lives in, made when none exists; empty when
    // memory runs out. May call COM to read the apartment (never Office on Wine; see sinkApartment).
    static std::shared_ptr<DeliveryLane> laneFor(IUnknown* sink, REFIID held);

    // Waits until every lane has delivered what it holds or is stalled. True when settled, false when
    // `timeoutMs` passed first. True at once when no lane exists; false at once on a delivery thread
    // (a sink's handler), which would wait for itself.
    static bool waitUntilSettled(DWORD timeoutMs);

    // How long a call may take before its lane counts as stalled. Tests lower it.
    static void setStallLimit(DWORD milliseconds);
    static DWORD stallLimit();

    // Where the delivery's log lines go (sink failures, stalls, dropped events); none by default.
    static void setLogSink(LogSinkPtr sink);
    // file: the caller's __FILE__, which the sink turns into the source path.
    static void log(int level, const char* file, int line, const char* function, const char* messageUtf8);

    // What the delivery has needed since it was made (zeros when none exists).
    struct Figures
    {
        long mostThreads = 0;      // delivery threads in use at once
        std::size_t mostWaiting = 0; // events waiting in one lane at once
        long dropped = 0;          // one-off events dropped for a sink that did not take them
    };
    static Figures figures();

    EventDelivery();
    ~EventDelivery();
    EventDelivery(const EventDelivery&) = delete;
    EventDelivery& operator=(const EventDelivery&) = delete;

    // For DeliveryLane, none of which throws. A lane became busy (it holds events or a call); it goes idle
    // on its delivery thread.
    void laneBusy();
    // The busy lane has an event to deliver: it is called on a delivery thread when one is free.
    void ready(std::shared_ptr<DeliveryLane> lane);
    // Starts a delivery thread where lanes wait for one (also after starting one failed for want of memory).
    void startThreads();
    // Brackets one call on the calling delivery thread. `knownStalled`: the lane stalled before and has not
    // answered since, so stop need not wait for it; `sinks`: how many sinks the lane holds, for the log.
    // callEnded answers whether this call was marked stalled.
    void callStarted(DeliveryLane* lane, bool knownStalled, bool cancellable, std::size_t sinks);
    bool callEnded(const DeliveryLane* lane);
    // Whether a call past the limit can be cancelled here (CoCancelCall works).
    static bool callsCancellable();
    // Marks the calls in flight past the limit as stalled (one log line each) and cancels them where
    // possible.
    void checkStalls();
    void noteWaiting(std::size_t waiting);
    void noteDropped();
    // The body of every delivery thread: delivers one event of each lane that waits, in turn, until none does.
    void runLanes();

private:
    struct Call
    {
        DeliveryLane* lane; // alive while its call is: the delivery thread holds it
        DWORD threadId;
        DWORD startedAt;
        bool stalled;
        bool cancellable;
        std::size_t sinks;
    };
    using LaneKey = std::pair<bool, std::uint64_t>; // (by apartment, its OXID) or (by object, its identity)
    // The calls newly marked stalled, by the sinks their lanes hold; never more than one per thread.
    struct Stalls
    {
        std::size_t sinks[maximumThreads];
        std::size_t count = 0;
    };

    std::shared_ptr<DeliveryLane> lane(LaneKey key);
    std::shared_ptr<DeliveryLane> takeReady();
    void appendReady(std::shared_ptr<DeliveryLane> lane);
    void markStalled(Stalls& newlyStalled);
    void logStalls(const Stalls& newlyStalled);
    bool settled() const;
    bool waitSettled(DWORD timeoutMs);

    vorn::Mutex mutex_;
    vorn::Condition changed_;
    long busyLanes_ = 0;
    std::vector<Call> calls_; // at most one per thread; reserved up front, so starting a call never allocates
    std::map<LaneKey, std::weak_ptr<DeliveryLane>> lanes_;
    // Lanes waiting for a thread, first come first served, linked through the lanes themselves.
    std::shared_ptr<DeliveryLane> readyFirst_;
    DeliveryLane* readyLast_ = nullptr;
    long readyLanes_ = 0;
    long threads_ = 0;     // delivery threads started and not yet ended
    long carrying_ = 0;    // of those, the ones delivering a lane's event
    long mostThreads_ = 0;
    std::atomic<std::size_t> mostWaiting_{0};
    std::atomic<long> dropped_{0};
    vorn::ThreadPool pool_;
};

} // namespace extensionsutils
