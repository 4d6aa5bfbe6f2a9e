#include "extensionsutils/DeliveryQueue.h"

#include "extensionsutils/EventDelivery.h"

#include <objbase.h>

#include <iterator>
#include <new>
#include <sstream>

namespace extensionsutils {

DeliveryQueue::DeliveryQueue(ComPtr<IDispatch> sink, std::shared_ptr<EventDelivery> delivery)
    : delivery_(std::move(delivery)), sink_(std::move(sink))
{
}

DeliveryQueue::~DeliveryQueue() = default;

HRESULT DeliveryQueue::post(DISPID id, const std::shared_ptr<const DispatchParameters>& parameters, const std::wstring& key,
                            AnswerHandler answered)
{
    bool startDelivery = false;
    {
        vorn::MutexGuard guard(mutex_);
        if (closed_) return S_OK;
        try {
            enqueue(Pending{id, parameters, key, std::move(answered)});
        } catch (const std::bad_alloc&) {
            return E_OUTOFMEMORY;
        }
        if (!scheduled_) {
            scheduled_ = true;
            startDelivery = true;
            delivery_->queueBusy();
        }
    }
    if (startDelivery) delivery_->schedule(shared_from_this());
    // A sink that stopped answering is noticed as soon as something new is waiting for it.
    delivery_->checkStalls();
    return S_OK;
}

// Under mutex_. Throws std::bad_alloc with nothing changed.
void DeliveryQueue::enqueue(Pending event)
{
    if (event.key.empty()) {
        pending_.push_back(std::move(event));
        return;
    }
    const auto indexed = byKey_.emplace(std::make_pair(event.id, event.key), pending_.end());
    if (!indexed.second) {
        indexed.first->second->parameters = event.parameters; // the newer state replaces the undelivered one
        return;
    }
    try {
        pending_.push_back(std::move(event));
    } catch (const std::bad_alloc&) {
        byKey_.erase(indexed.first);
        throw;
    }
    indexed.first->second = std::prev(pending_.end());
}

ComPtr<IDispatch> DeliveryQueue::close()
{
    PendingList dropped; // destroyed after the mutex: the arguments may hold objects
    vorn::MutexGuard guard(mutex_);
    closed_ = true;
    dropped.swap(pending_);
    byKey_.clear();
    return std::move(sink_);
}

std::size_t DeliveryQueue::pendingCount() const
{
    vorn::MutexGuard guard(mutex_);
    return pending_.size();
}

void DeliveryQueue::deliverNext()
{
    Pending event{0, nullptr, std::wstring(), AnswerHandler()};
    ComPtr<IDispatch> sink;
    {
        vorn::MutexGuard guard(mutex_);
        if (!closed_ && !pending_.empty()) {
            event = std::move(pending_.front());
            if (!event.key.empty()) byKey_.erase({event.id, event.key});
            pending_.pop_front();
            sink = sink_;
        }
    }
    if (sink) {
        call(event, sink);
        sink.reset();
        event.parameters.reset();
        event.answered = nullptr;
    }
    bool more = false;
    {
        vorn::MutexGuard guard(mutex_);
        more = !closed_ && !pending_.empty();
        if (!more) scheduled_ = false;
    }
    if (more) {
        delivery_->schedule(shared_from_this());
    } else {
        delivery_->queueIdle();
    }
}

void DeliveryQueue::call(const Pending& event, const ComPtr<IDispatch>& sink)
{
    // Lets a call that went past the limit be cancelled where COM supports it.
    const bool cancellable = EventDelivery::callsCancellable() && SUCCEEDED(CoEnableCallCancellation(nullptr));
    delivery_->callStarted(this, stalled_, cancellable);
    const HRESULT hr = event.parameters->invoke(sink.get(), event.id);
    const bool stalledNow = delivery_->callEnded(this);
    if (cancellable) CoDisableCallCancellation(nullptr);
    noteAnswer(hr, event, stalledNow);
}

void DeliveryQueue::noteAnswer(HRESULT hr, const Pending& event, bool stalledNow)
{
    if (hr == RPC_E_CALL_CANCELED) {
        stalled_ = true; // cancelled past the limit: the sink has not answered yet
    } else if (stalled_ || stalledNow) {
        stalled_ = false;
        EventDelivery::log(2, __LINE__, "DeliveryQueue::deliverNext",
                           "Stalled event sink returned; delivering the latest state to it");
    }
    if (event.answered) {
        event.answered(hr);
        return;
    }
    if (SUCCEEDED(hr)) return;
    std::ostringstream text;
    text << "Event sink failed: dispid 0x" << std::hex << event.id << ", hr 0x" << static_cast<unsigned long>(hr);
    EventDelivery::log(4, __LINE__, "DeliveryQueue::deliverNext", text.str());
}

} // namespace extensionsutils
