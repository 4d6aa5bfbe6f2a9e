#pragma once

#include "extensionsutils/ComPtr.h"
#include "extensionsutils/DispatchParameters.h"

#include "vorn/Mutex.h"

#include <windows.h>
#include <oaidl.h>

#include <cstddef>
#include <functional>
#include <list>
#include <map>
#include <memory>
#include <string>
#include <utility>

namespace extensionsutils {

class EventDelivery;

// The events on their way to one advised sink, called by EventDelivery's threads one at a time, in the
// order they were posted. An event posted with a key is a state (one contact's presence): it replaces an
// undelivered event with the same dispatch id and key where that one stands, so a storm leaves one
// event per contact, and the sink, when it gets to it, gets the latest state. An event without a key
// (a resolution answer, shutdown) is never merged or dropped. So the queue holds at most one event per
// state it reports plus the one-off events.
//
// Threads: posted from any thread, delivered on delivery threads. `mutex_` guards every member below it
// and is never held while the sink is called or released.
class DeliveryQueue : public std::enable_shared_from_this<DeliveryQueue>
{
public:
    // Told the result of the call that delivered an event, on the delivery thread, with no lock held. An
    // event posted with one is a call whose answer its poster reports itself; the queue logs no failure
    // of it.
    using AnswerHandler = std::function<void(HRESULT)>;

    DeliveryQueue(ComPtr<IDispatch> sink, std::shared_ptr<EventDelivery> delivery);
    ~DeliveryQueue();
    DeliveryQueue(const DeliveryQueue&) = delete;
    DeliveryQueue& operator=(const DeliveryQueue&) = delete;

    // E_OUTOFMEMORY when the event cannot be held; S_OK (and nothing queued) once the queue is closed.
    HRESULT post(DISPID id, const std::shared_ptr<const DispatchParameters>& parameters, const std::wstring& key,
                 AnswerHandler answered = AnswerHandler());

    // The sink was unadvised: undelivered events are dropped and the queue's reference to the sink is
    // handed out, to be released outside every lock. A call in flight holds a reference of its own.
    ComPtr<IDispatch> close();

    // Undelivered events, the one in flight not counted.
    std::size_t pendingCount() const;

    // On a delivery thread: calls the sink with the oldest event, then hands the queue back to the
    // delivery for the next one, or goes idle.
    void deliverNext();

private:
    struct Pending
    {
        DISPID id;
        std::shared_ptr<const DispatchParameters> parameters;
        std::wstring key; // empty: a one-off event
        AnswerHandler answered;
    };
    using PendingList = std::list<Pending>;
    using KeyIndex = std::map<std::pair<DISPID, std::wstring>, PendingList::iterator>;

    void enqueue(Pending event);
    void call(const Pending& event, const ComPtr<IDispatch>& sink);
    void noteAnswer(HRESULT hr, const Pending& event, bool stalledNow);

    const std::shared_ptr<EventDelivery> delivery_;
    mutable vorn::Mutex mutex_;
    ComPtr<IDispatch> sink_;
    PendingList pending_;
    KeyIndex byKey_;
    bool scheduled_ = false; // a delivery is queued or running: the queue counts as busy
    bool closed_ = false;
    // Touched only by the delivery thread that holds the queue (one at a time):
    bool stalled_ = false;
};

} // namespace extensionsutils
