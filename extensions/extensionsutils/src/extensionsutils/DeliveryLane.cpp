#include "extensionsutils/DeliveryLane.h"

#include "extensionsutils/EventDelivery.h"

#include <objbase.h>

#include <iterator>
#include <new>
#include <sstream>
#include <utility>

namespace extensionsutils {

DeliveryLane::Member::Member(std::shared_ptr<DeliveryLane> lane, ComPtr<IDispatch> sink)
    : lane_(std::move(lane)), sink_(std::move(sink))
{
    ++lane_->members_;
}

DeliveryLane::Member::~Member()
{
    --lane_->members_;
}

HRESULT DeliveryLane::Member::post(DISPID id, const std::shared_ptr<const DispatchParameters>& parameters, const std::wstring& key,
                                   AnswerHandler answered)
{
    return lane_->post(shared_from_this(), id, parameters, key, std::move(answered));
}

ComPtr<IDispatch> DeliveryLane::Member::close()
{
    return lane_->close(*this);
}

std::shared_ptr<DeliveryLane::Member> DeliveryLane::join(const std::shared_ptr<DeliveryLane>& lane, ComPtr<IDispatch> sink)
{
    if (!lane) return nullptr;
    try {
        return std::make_shared<Member>(lane, std::move(sink));
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

DeliveryLane::DeliveryLane(std::shared_ptr<EventDelivery> delivery) : delivery_(std::move(delivery))
{
    // A mutex whose critical section could not be allocated locks nothing: no lane without one.
    if (mutex_.lock() != 0) throw std::bad_alloc();
    mutex_.unlock();
}

DeliveryLane::~DeliveryLane() = default;

HRESULT DeliveryLane::post(const std::shared_ptr<Member>& member, DISPID id, const std::shared_ptr<const DispatchParameters>& parameters,
                           const std::wstring& key, AnswerHandler answered)
{
    // Both destroyed after the mutex: what they end up holding (dropped events, a replaced state's
    // arguments) may hold objects.
    PendingList dropped;
    Pending incoming{member, id, parameters, std::wstring(), std::move(answered)};
    try {
        incoming.key = key;
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
    bool startDelivery = false;
    bool firstDrop = false;
    {
        vorn::MutexGuard guard(mutex_);
        if (!member->sink_) return S_OK;
        try {
            if (enqueue(incoming, dropped)) firstDrop = !std::exchange(member->overflowLogged_, true);
        } catch (const std::bad_alloc&) {
            return E_OUTOFMEMORY;
        }
        delivery_->noteWaiting(pending_.size());
        if (!scheduled_) {
            scheduled_ = true;
            startDelivery = true;
            delivery_->laneBusy();
        }
    }
    if (firstDrop) logFirstDrop();
    if (startDelivery) {
        delivery_->ready(shared_from_this());
    } else {
        delivery_->startThreads(); // in case starting a thread for this lane failed before
    }
    // An apartment that stopped answering is noticed as soon as something new is waiting for it.
    delivery_->checkStalls();
    return S_OK;
}

void DeliveryLane::logFirstDrop()
{
    try {
        const std::string text = "An event sink has " + std::to_string(oneOffLimit)
                                 + " one-off events waiting; the oldest are dropped and counted until it takes them";
        EventDelivery::log(3, __FILE__, __LINE__, "DeliveryLane::post", text.c_str());
    } catch (const std::bad_alloc&) {
        // the drops are still counted
    }
}

// Under mutex_. Takes the event over, or leaves in it the undelivered state it replaced. Throws
// std::bad_alloc with nothing changed. True when a one-off event was dropped for room.
bool DeliveryLane::enqueue(Pending& event, PendingList& dropped)
{
    Member& member = *event.member;
    if (event.key.empty()) {
        pending_.push_back(std::move(event));
        ++member.oneOffs_;
        return stalled_ && dropOneOffsPastLimit(member, dropped);
    }
    const auto indexed = byKey_.emplace(std::make_tuple(&member, event.id, event.key), pending_.end());
    if (!indexed.second) {
        indexed.first->second->parameters.swap(event.parameters); // the newer state replaces the undelivered one
        return false;
    }
    try {
        pending_.push_back(std::move(event));
    } catch (const std::bad_alloc&) {
        byKey_.erase(indexed.first);
        throw;
    }
    indexed.first->second = std::prev(pending_.end());
    return false;
}

// Under mutex_: the member's oldest one-off events go until it holds the limit. True when any went.
bool DeliveryLane::dropOneOffsPastLimit(Member& member, PendingList& dropped)
{
    bool droppedAny = false;
    for (auto event = pending_.begin(); event != pending_.end() && member.oneOffs_ > oneOffLimit;) {
        const auto next = std::next(event);
        if (event->member.get() == &member && event->key.empty()) {
            dropped.splice(dropped.end(), pending_, event);
            --member.oneOffs_;
            delivery_->noteDropped();
            droppedAny = true;
        }
        event = next;
    }
    return droppedAny;
}

ComPtr<IDispatch> DeliveryLane::close(Member& member)
{
    PendingList dropped; // destroyed after the mutex: the arguments may hold objects
    vorn::MutexGuard guard(mutex_);
    for (auto event = pending_.begin(); event != pending_.end();) {
        const auto next = std::next(event);
        if (event->member.get() == &member) {
            if (!event->key.empty()) unindex(*event);
            dropped.splice(dropped.end(), pending_, event);
        }
        event = next;
    }
    member.oneOffs_ = 0;
    return std::move(member.sink_);
}

// Under mutex_. Looked up without copying the key: removing never allocates.
void DeliveryLane::unindex(const Pending& event)
{
    const auto indexed = byKey_.find(std::forward_as_tuple(static_cast<const Member*>(event.member.get()), event.id, event.key));
    if (indexed != byKey_.end()) byKey_.erase(indexed);
}

bool DeliveryLane::deliverNext()
{
    Pending event{nullptr, 0, nullptr, std::wstring(), AnswerHandler()};
    ComPtr<IDispatch> sink;
    std::size_t sinks = 0;
    {
        vorn::MutexGuard guard(mutex_);
        if (!pending_.empty()) {
            event = std::move(pending_.front());
            pending_.pop_front();
            Member& member = *event.member;
            if (!event.key.empty()) {
                unindex(event);
            } else if (--member.oneOffs_ == 0) {
                member.overflowLogged_ = false;
            }
            sink = member.sink_;
            sinks = members_;
        }
    }
    if (sink) call(event, sink, sinks);
    // Released before the lane goes on: the sink, the arguments and the member may be the last references.
    sink.reset();
    event = Pending{nullptr, 0, nullptr, std::wstring(), AnswerHandler()};
    vorn::MutexGuard guard(mutex_);
    if (pending_.empty()) scheduled_ = false;
    return scheduled_;
}

void DeliveryLane::call(const Pending& event, const ComPtr<IDispatch>& sink, std::size_t sinks)
{
    // Lets a call that went past the limit be cancelled where COM supports it.
    const bool cancellable = EventDelivery::callsCancellable() && SUCCEEDED(CoEnableCallCancellation(nullptr));
    delivery_->callStarted(this, stalled_.load(), cancellable, sinks);
    const HRESULT hr = event.parameters->invoke(sink.get(), event.id);
    const bool stalledNow = delivery_->callEnded(this);
    if (cancellable) CoDisableCallCancellation(nullptr);
    noteAnswer(hr, event, stalledNow);
}

void DeliveryLane::noteAnswer(HRESULT hr, const Pending& event, bool stalledNow)
{
    if (hr == RPC_E_CALL_CANCELED) {
        stalled_ = true; // cancelled past the limit: the apartment has not answered yet
    } else if (stalled_ || stalledNow) {
        stalled_ = false;
        EventDelivery::log(2, __FILE__, __LINE__, "DeliveryLane::deliverNext",
                           "Stalled apartment returned; delivering the latest state to its event sinks");
    }
    if (event.answered) {
        event.answered(hr);
        return;
    }
    if (SUCCEEDED(hr)) return;
    try {
        std::ostringstream text;
        text << "Event sink failed: dispid 0x" << std::hex << event.id << ", hr 0x" << static_cast<unsigned long>(hr);
        EventDelivery::log(4, __FILE__, __LINE__, "DeliveryLane::deliverNext", text.str().c_str());
    } catch (const std::bad_alloc&) {
        // the line is lost; the lane goes on
    }
}

} // namespace extensionsutils
