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

// Enough threads for every Office sink that is busy at once in a fan-out; idle ones end soon, since each
// holds the module loaded.
const int maximumDeliveryThreads = 64;
const int idleThreadSeconds = 5;
// How often a settle wait looks for calls that went past the limit.
const DWORD stallCheckIntervalMs = 50;

std::atomic<DWORD> stallLimitMs{EventDelivery::defaultStallLimitMs};

using CancelCallFunction = HRESULT(WINAPI*)(DWORD, ULONG);

// CoCancelCall where it works. Wine exports it as a stub that ends the process when called, so there the
// delivery does without it (a blocked call then keeps its thread until the sink returns).
CancelCallFunction cancelCallFunction()
{
    static const CancelCallFunction function = []() -> CancelCallFunction {
        const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
        if (ntdll && GetProcAddress(ntdll, "wine_get_version")) return nullptr;
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
    if (deliveringHere) return false;
    const std::shared_ptr<EventDelivery> delivery = existingInstance();
    return !delivery || delivery->waitSettled(timeoutMs);
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

void EventDelivery::callStarted(const DeliveryQueue* queue, bool knownStalled, bool cancellable)
{
    vorn::MutexGuard guard(mutex_);
    calls_.push_back(Call{queue, GetCurrentThreadId(), GetTickCount(), knownStalled, cancellable});
    if (knownStalled) changed_.notifyAll();
}

bool EventDelivery::callEnded(const DeliveryQueue* queue)
{
    vorn::MutexGuard guard(mutex_);
    const auto call = std::find_if(calls_.begin(), calls_.end(), [queue](const Call& c) { return c.queue == queue; });
    if (call == calls_.end()) return false;
    const bool stalled = call->stalled;
    calls_.erase(call);
    return stalled;
}

void EventDelivery::checkStalls()
{
    const DWORD limit = stallLimit();
    std::vector<DWORD> newlyStalled; // their delivery threads
    {
        vorn::MutexGuard guard(mutex_);
        const DWORD now = GetTickCount();
        for (Call& call : calls_) {
            if (call.stalled || now - call.startedAt < limit) continue;
            call.stalled = true;
            // Where COM supports it the blocked call returns with RPC_E_CALL_CANCELED.
            if (call.cancellable) cancelCallFunction()(call.threadId, 0);
            newlyStalled.push_back(call.threadId);
        }
        if (!newlyStalled.empty()) changed_.notifyAll();
    }
    for (std::size_t i = 0; i < newlyStalled.size(); ++i) {
        log(4, __LINE__, "EventDelivery::checkStalls",
            "Event sink has not returned within the stall limit; marked stalled, its events are kept coalesced until it returns");
    }
}

// Under mutex_.
bool EventDelivery::settled() const
{
    const long stalled = static_cast<long>(std::count_if(calls_.begin(), calls_.end(), [](const Call& c) { return c.stalled; }));
    return busyQueues_ <= stalled;
}

bool EventDelivery::waitSettled(DWORD timeoutMs)
{
    const DWORD startedAt = GetTickCount();
    for (;;) {
        checkStalls();
        vorn::MutexGuard guard(mutex_);
        if (settled()) return true;
        const DWORD waited = GetTickCount() - startedAt;
        if (waited >= timeoutMs) return false;
        changed_.wait(mutex_, (std::min)(stallCheckIntervalMs, timeoutMs - waited));
        if (settled()) return true;
    }
}

} // namespace extensionsutils
