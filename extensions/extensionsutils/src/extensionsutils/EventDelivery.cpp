#include "extensionsutils/EventDelivery.h"

#include "extensionsutils/DeliveryQueue.h"

#include "vorn/Task.h"

#include <objbase.h>

#include <algorithm>
#include <atomic>
#include <new>
#include <utility>

namespace extensionsutils {

namespace {

const char* const sourcePath = "extensions/extensionsutils/src/extensionsutils/EventDelivery";

// Threads: enough for the calls that answer plus one per stalled sink (each holds its thread until its
// call returns); idle ones end soon, since each holds the module loaded.
const int maximumDeliveryThreads = 64;
// A call that has run this long counts as blocked: it gives up its slot, long before it counts as stalled.
const DWORD blockedCallMs = 500;
const int idleThreadSeconds = 5;
// How often a settle wait looks for calls that went past the limit.
const DWORD stallCheckIntervalMs = 50;

std::atomic<DWORD> stallLimitMs{EventDelivery::defaultStallLimitMs};

using CancelCallFunction = HRESULT(WINAPI*)(DWORD, ULONG);

bool runningUnderWine()
{
    const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    return ntdll && GetProcAddress(ntdll, "wine_get_version");
}

// Calls into Office in flight at once, stalled and blocked ones not counted: enough for every sink of a
// usual fan-out (a few Office processes with a few sinks each) to have its call on the way, so that each
// Office thread finds its next call waiting; a cap all the same, so a large fan-out does not flood them.
const std::size_t maximumAnsweringCalls = 16;

// CoCancelCall where it works. Wine exports it as a stub that ends the process when called, so there the
// delivery does without it (a blocked call then keeps its thread until the sink returns).
CancelCallFunction cancelCallFunction()
{
    static const CancelCallFunction function = []() -> CancelCallFunction {
        if (runningUnderWine()) return nullptr;
        const HMODULE ole32 = GetModuleHandleW(L"ole32.dll");
        return ole32 ? reinterpret_cast<CancelCallFunction>(reinterpret_cast<void*>(GetProcAddress(ole32, "CoCancelCall"))) : nullptr;
    }();
    return function;
}

// Set while a delivery thread runs a delivery: a settle wait there would wait for itself.
thread_local bool deliveringHere = false;

vorn::Mutex& sharedMutex()
{
    static vorn::Mutex mutex;
    return mutex;
}

// Guarded by sharedMutex().
std::weak_ptr<EventDelivery>& sharedInstance()
{
    static std::weak_ptr<EventDelivery> instance;
    return instance;
}

LogSinkPtr& sharedLogSink()
{
    static LogSinkPtr sink;
    return sink;
}

std::shared_ptr<EventDelivery> existingInstance()
{
    vorn::MutexGuard guard(sharedMutex());
    return sharedInstance().lock();
}

// One delivery on a pool thread, inside the thread's membership of the multithreaded apartment (where
// the sinks that Office advised live as proxies), so that everything the delivery releases is released
// with COM up.
class DeliveryTask final : public vorn::Task
{
public:
    explicit DeliveryTask(std::shared_ptr<DeliveryQueue> queue) : queue_(std::move(queue)) {}

    void run() override
    {
        const HRESULT initialised = CoInitializeEx(nullptr, COINIT_MULTITHREADED);
        std::shared_ptr<DeliveryQueue> queue = std::move(queue_);
        deliveringHere = true;
        queue->deliverNext();
        queue.reset();
        deliveringHere = false;
        if (SUCCEEDED(initialised)) CoUninitialize();
    }

    std::string name() const override { return "Event delivery"; }

private:
    std::shared_ptr<DeliveryQueue> queue_;
};

} // namespace

std::shared_ptr<EventDelivery> EventDelivery::instance()
{
    vorn::MutexGuard guard(sharedMutex());
    std::shared_ptr<EventDelivery> delivery = sharedInstance().lock();
    if (delivery) return delivery;
    try {
        delivery = std::make_shared<EventDelivery>();
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
    sharedInstance() = delivery;
    return delivery;
}

bool EventDelivery::waitUntilSettled(DWORD timeoutMs)
{
    return waitUntil(timeoutMs, Settle::Delivered);
}

bool EventDelivery::waitUntilSettledOrBlocked(DWORD timeoutMs)
{
    return waitUntil(timeoutMs, Settle::DeliveredOrBlocked);
}

bool EventDelivery::waitUntil(DWORD timeoutMs, Settle settle)
{
    if (deliveringHere) return false;
    const std::shared_ptr<EventDelivery> delivery = existingInstance();
    return !delivery || delivery->waitSettled(timeoutMs, settle);
}

void EventDelivery::setStallLimit(DWORD milliseconds)
{
    stallLimitMs.store(milliseconds);
}

DWORD EventDelivery::stallLimit()
{
    return stallLimitMs.load();
}

void EventDelivery::setLogSink(LogSinkPtr sink)
{
    vorn::MutexGuard guard(sharedMutex());
    sharedLogSink() = std::move(sink);
}

void EventDelivery::log(int level, int line, const char* function, const std::string& messageUtf8)
{
    LogSinkPtr sink;
    {
        vorn::MutexGuard guard(sharedMutex());
        sink = sharedLogSink();
    }
    if (sink) sink->write(level, sourcePath, line, function, messageUtf8);
}

EventDelivery::EventDelivery() : pool_(0, maximumDeliveryThreads, idleThreadSeconds) {}

EventDelivery::~EventDelivery() = default;

bool EventDelivery::callsCancellable()
{
    return cancelCallFunction() != nullptr;
}

void EventDelivery::queueBusy()
{
    vorn::MutexGuard guard(mutex_);
    ++busyQueues_;
}

void EventDelivery::queueIdle()
{
    vorn::MutexGuard guard(mutex_);
    --busyQueues_;
    changed_.notifyAll();
}

void EventDelivery::schedule(std::shared_ptr<DeliveryQueue> queue)
{
    pool_.submit(std::make_shared<DeliveryTask>(std::move(queue)));
}

// Waits while the calls in flight that still answer fill every slot: a call that has run for a while
// gives up its slot, so blocked sinks never crowd out healthy ones, while the calls into Office that
// are being answered at any one time stay few.
void EventDelivery::callStarted(const DeliveryQueue* queue, bool knownStalled, bool cancellable)
{
    for (;;) {
        std::size_t newlyStalled = 0;
        bool started = false;
        {
            vorn::MutexGuard guard(mutex_);
            newlyStalled = markStalled();
            if (knownStalled || answeringCalls() < maximumAnsweringCalls) {
                calls_.push_back(Call{queue, GetCurrentThreadId(), GetTickCount(), knownStalled, cancellable});
                if (knownStalled) changed_.notifyAll();
                started = true;
            } else {
                changed_.wait(mutex_, stallCheckIntervalMs);
            }
        }
        logStalls(newlyStalled);
        if (started) return;
    }
}

bool EventDelivery::callEnded(const DeliveryQueue* queue)
{
    vorn::MutexGuard guard(mutex_);
    const auto call = std::find_if(calls_.begin(), calls_.end(), [queue](const Call& c) { return c.queue == queue; });
    if (call == calls_.end()) return false;
    const bool stalled = call->stalled;
    calls_.erase(call);
    changed_.notifyAll();
    return stalled;
}

void EventDelivery::checkStalls()
{
    std::size_t newlyStalled = 0;
    {
        vorn::MutexGuard guard(mutex_);
        newlyStalled = markStalled();
    }
    logStalls(newlyStalled);
}

// Under mutex_: marks the calls past the limit; answers how many were newly marked.
std::size_t EventDelivery::markStalled()
{
    const DWORD limit = stallLimit();
    const DWORD now = GetTickCount();
    std::size_t marked = 0;
    for (Call& call : calls_) {
        if (call.stalled || now - call.startedAt < limit) continue;
        call.stalled = true;
        // Where COM supports it the blocked call returns with RPC_E_CALL_CANCELED.
        if (call.cancellable) cancelCallFunction()(call.threadId, 0);
        ++marked;
    }
    if (marked) changed_.notifyAll();
    return marked;
}

// Under mutex_.
std::size_t EventDelivery::answeringCalls() const
{
    const DWORD now = GetTickCount();
    return static_cast<std::size_t>(std::count_if(calls_.begin(), calls_.end(), [now](const Call& c) {
        return !c.stalled && now - c.startedAt < blockedCallMs;
    }));
}

void EventDelivery::logStalls(std::size_t count)
{
    for (std::size_t i = 0; i < count; ++i) {
        log(4, __LINE__, "EventDelivery::checkStalls",
            "Event sink has not returned within the stall limit; marked stalled, its events are kept coalesced until it returns");
    }
}

// Under mutex_.
bool EventDelivery::settled(Settle settle) const
{
    const DWORD now = GetTickCount();
    const long waitedFor = static_cast<long>(std::count_if(calls_.begin(), calls_.end(), [&](const Call& c) {
        return c.stalled || (settle == Settle::DeliveredOrBlocked && now - c.startedAt >= blockedCallMs);
    }));
    return busyQueues_ <= waitedFor;
}

bool EventDelivery::waitSettled(DWORD timeoutMs, Settle settle)
{
    const DWORD startedAt = GetTickCount();
    for (;;) {
        checkStalls();
        vorn::MutexGuard guard(mutex_);
        if (settled(settle)) return true;
        const DWORD waited = GetTickCount() - startedAt;
        if (waited >= timeoutMs) return false;
        changed_.wait(mutex_, (std::min)(stallCheckIntervalMs, timeoutMs - waited));
        if (settled(settle)) return true;
    }
}

} // namespace extensionsutils
