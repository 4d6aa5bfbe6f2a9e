#include "extensionsutils/EventDelivery.h"

#include "extensionsutils/ComPtr.h"
#include "extensionsutils/DeliveryLane.h"
#include "extensionsutils/SinkApartment.h"

#include "vorn/Task.h"

#include <objbase.h>

#include <algorithm>
#include <new>
#include <optional>
#include <sstream>
#include <utility>

namespace extensionsutils {

namespace {

// Idle delivery threads end soon, since each holds the module loaded.
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

// CoCancelCall where it works. Wine exports it as a stub that ends the process when called, so there the
// delivery does without it (a blocked call then keeps its thread until the apartment returns).
CancelCallFunction cancelCallFunction()
{
    static const CancelCallFunction function = []() -> CancelCallFunction {
        if (runningUnderWine()) return nullptr;
        const HMODULE ole32 = GetModuleHandleW(L"ole32.dll");
        return ole32 ? reinterpret_cast<CancelCallFunction>(reinterpret_cast<void*>(GetProcAddress(ole32, "CoCancelCall"))) : nullptr;
    }();
    return function;
}

// Set while a delivery thread runs deliveries: a settle wait there would wait for itself.
thread_local bool deliveringHere = false;

// The shared state below is never destroyed: a delivery thread may still be ending while the process
// exits and its static objects go.
vorn::Mutex& sharedMutex()
{
    static vorn::Mutex* const mutex = new vorn::Mutex;
    return *mutex;
}

// Guarded by sharedMutex().
std::weak_ptr<EventDelivery>& sharedInstance()
{
    static auto* const instance = new std::weak_ptr<EventDelivery>;
    return *instance;
}

LogSinkPtr& sharedLogSink()
{
    static auto* const sink = new LogSinkPtr;
    return *sink;
}

std::shared_ptr<EventDelivery> existingInstance()
{
    vorn::MutexGuard guard(sharedMutex());
    return sharedInstance().lock();
}

// One delivery thread's work: the lanes that wait, one event at a time, inside the thread's membership of
// the multithreaded apartment (where the sinks that Office advised live as proxies), so that everything the
// delivery releases is released with COM up.
class DeliveryRun final : public vorn::Task
{
public:
    explicit DeliveryRun(std::shared_ptr<EventDelivery> delivery) : delivery_(std::move(delivery)) {}

    void run() override
    {
        const HRESULT initialised = CoInitializeEx(nullptr, COINIT_MULTITHREADED);
        std::shared_ptr<EventDelivery> delivery = std::move(delivery_);
        deliveringHere = true;
        delivery->runLanes();
        delivery.reset();
        deliveringHere = false;
        if (SUCCEEDED(initialised)) CoUninitialize();
    }

    std::string name() const override { return "Event delivery"; }

private:
    std::shared_ptr<EventDelivery> delivery_;
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

std::shared_ptr<DeliveryLane> EventDelivery::laneFor(IUnknown* sink, REFIID held)
{
    if (!sink) return nullptr;
    const std::shared_ptr<EventDelivery> delivery = instance();
    if (!delivery) return nullptr;
    const std::optional<std::uint64_t> apartment = sinkApartment(sink, held);
    if (apartment) return delivery->lane(LaneKey(true, *apartment));
    // A lane of its own: keyed by the object's identity, so that two sinks of one object still share one.
    ComPtr<IUnknown> identity;
    if (FAILED(sink->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(identity.out()))) || !identity) identity = sink;
    return delivery->lane(LaneKey(false, reinterpret_cast<std::uintptr_t>(identity.get())));
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

void EventDelivery::log(int level, const char* file, int line, const char* function, const char* messageUtf8)
{
    LogSinkPtr sink;
    {
        vorn::MutexGuard guard(sharedMutex());
        sink = sharedLogSink();
    }
    if (!sink) return;
    try {
        sink->write(level, file, line, function, messageUtf8);
    } catch (const std::bad_alloc&) {
        // the line is lost; the delivery goes on
    }
}

EventDelivery::Figures EventDelivery::figures()
{
    Figures figures;
    const std::shared_ptr<EventDelivery> delivery = existingInstance();
    if (!delivery) return figures;
    {
        vorn::MutexGuard guard(delivery->mutex_);
        figures.mostThreads = delivery->mostThreads_;
    }
    figures.mostWaiting = delivery->mostWaiting_.load();
    figures.dropped = delivery->dropped_.load();
    return figures;
}

EventDelivery::EventDelivery() : pool_(0, maximumThreads, idleThreadSeconds)
{
    // A mutex whose critical section could not be allocated locks nothing: no delivery without one.
    if (mutex_.lock() != 0) throw std::bad_alloc();
    mutex_.unlock();
    calls_.reserve(maximumThreads);
}

EventDelivery::~EventDelivery() = default;

bool EventDelivery::callsCancellable()
{
    return cancelCallFunction() != nullptr;
}

std::shared_ptr<DeliveryLane> EventDelivery::lane(LaneKey key)
{
    vorn::MutexGuard guard(mutex_);
    try {
        for (auto entry = lanes_.begin(); entry != lanes_.end();) {
            entry = entry->second.expired() ? lanes_.erase(entry) : std::next(entry);
        }
        std::weak_ptr<DeliveryLane>& slot = lanes_[key];
        std::shared_ptr<DeliveryLane> found = slot.lock();
        if (found) return found;
        found = std::make_shared<DeliveryLane>(shared_from_this());
        slot = found;
        return found;
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

void EventDelivery::laneBusy()
{
    vorn::MutexGuard guard(mutex_);
    ++busyLanes_;
}

void EventDelivery::ready(std::shared_ptr<DeliveryLane> lane)
{
    {
        vorn::MutexGuard guard(mutex_);
        appendReady(std::move(lane));
    }
    startThreads();
}

// Under mutex_.
void EventDelivery::appendReady(std::shared_ptr<DeliveryLane> lane)
{
    DeliveryLane* const added = lane.get();
    if (readyLast_) {
        readyLast_->nextReady = std::move(lane);
    } else {
        readyFirst_ = std::move(lane);
    }
    readyLast_ = added;
    ++readyLanes_;
}

// A thread is started while more lanes wait than started threads are free to take them, up to the maximum.
void EventDelivery::startThreads()
{
    for (;;) {
        {
            vorn::MutexGuard guard(mutex_);
            if (readyLanes_ <= threads_ - carrying_ || threads_ >= maximumThreads) return;
            ++threads_;
            mostThreads_ = (std::max)(mostThreads_, threads_);
        }
        try {
            pool_.submit(std::make_shared<DeliveryRun>(shared_from_this()));
        } catch (const std::bad_alloc&) {
            vorn::MutexGuard guard(mutex_);
            --threads_; // the next event posted, or the stop's wait, tries again
            return;
        }
    }
}

void EventDelivery::runLanes()
{
    for (;;) {
        std::shared_ptr<DeliveryLane> lane;
        {
            vorn::MutexGuard guard(mutex_);
            lane = takeReady();
            if (!lane) {
                --threads_;
                return;
            }
            ++carrying_;
        }
        const bool more = lane->deliverNext();
        // Declared after `lane`, so unlocked before an idle lane is let go (it may be the last reference).
        vorn::MutexGuard guard(mutex_);
        --carrying_;
        if (more) {
            appendReady(std::move(lane)); // its next event after those of the lanes that wait
        } else {
            --busyLanes_;
            changed_.notifyAll();
        }
    }
}

// Under mutex_.
std::shared_ptr<DeliveryLane> EventDelivery::takeReady()
{
    std::shared_ptr<DeliveryLane> lane = std::move(readyFirst_);
    if (!lane) return nullptr;
    readyFirst_ = std::move(lane->nextReady);
    if (!readyFirst_) readyLast_ = nullptr;
    --readyLanes_;
    return lane;
}

void EventDelivery::callStarted(DeliveryLane* lane, bool knownStalled, bool cancellable, std::size_t sinks)
{
    Stalls newlyStalled;
    {
        vorn::MutexGuard guard(mutex_);
        markStalled(newlyStalled);
        // Within the reserved capacity: one call per delivery thread.
        calls_.push_back(Call{lane, GetCurrentThreadId(), GetTickCount(), knownStalled, cancellable, sinks});
        if (knownStalled) changed_.notifyAll();
    }
    logStalls(newlyStalled);
}

bool EventDelivery::callEnded(const DeliveryLane* lane)
{
    vorn::MutexGuard guard(mutex_);
    const auto call = std::find_if(calls_.begin(), calls_.end(), [lane](const Call& c) { return c.lane == lane; });
    if (call == calls_.end()) return false;
    const bool stalled = call->stalled;
    calls_.erase(call);
    changed_.notifyAll();
    return stalled;
}

void EventDelivery::checkStalls()
{
    Stalls newlyStalled;
    {
        vorn::MutexGuard guard(mutex_);
        markStalled(newlyStalled);
    }
    logStalls(newlyStalled);
}

void EventDelivery::noteWaiting(std::size_t waiting)
{
    std::size_t most = mostWaiting_.load();
    while (waiting > most && !mostWaiting_.compare_exchange_weak(most, waiting)) {
    }
}

void EventDelivery::noteDropped()
{
    ++dropped_;
}

// Under mutex_: marks the calls past the limit, noting how many sinks each one's lane holds.
void EventDelivery::markStalled(Stalls& newlyStalled)
{
    const DWORD limit = stallLimit();
    const DWORD now = GetTickCount();
    for (Call& call : calls_) {
        if (call.stalled || now - call.startedAt < limit) continue;
        call.stalled = true;
        call.lane->markStalled();
        // Where COM supports it the blocked call returns with RPC_E_CALL_CANCELED.
        if (call.cancellable) cancelCallFunction()(call.threadId, 0);
        newlyStalled.sinks[newlyStalled.count++] = call.sinks;
    }
    if (newlyStalled.count) changed_.notifyAll();
}

void EventDelivery::logStalls(const Stalls& newlyStalled)
{
    for (std::size_t i = 0; i < newlyStalled.count; ++i) {
        try {
            std::ostringstream text;
            text << "An apartment has not returned from an event within the stall limit; marked stalled (event sinks: "
                 << newlyStalled.sinks[i] << "), their events kept merged until it returns";
            log(4, __FILE__, __LINE__, "EventDelivery::checkStalls", text.str().c_str());
        } catch (const std::bad_alloc&) {
            // the stall still counts
        }
    }
}

// Under mutex_.
bool EventDelivery::settled() const
{
    const long stalled = static_cast<long>(std::count_if(calls_.begin(), calls_.end(), [](const Call& c) { return c.stalled; }));
    return busyLanes_ <= stalled;
}

bool EventDelivery::waitSettled(DWORD timeoutMs)
{
    const DWORD startedAt = GetTickCount();
    for (;;) {
        checkStalls();
        startThreads(); // a lane whose thread could not be started for want of memory gets one now
        vorn::MutexGuard guard(mutex_);
        if (settled()) return true;
        const DWORD waited = GetTickCount() - startedAt;
        if (waited >= timeoutMs) return false;
        changed_.wait(mutex_, (std::min)(stallCheckIntervalMs, timeoutMs - waited));
        if (settled()) return true;
    }
}

} // namespace extensionsutils
