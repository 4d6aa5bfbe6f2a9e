#pragma once

#include "extensionsutils/ComPtr.h"
#include "extensionsutils/DispatchParameters.h"

#include "vorn/Mutex.h"

#include <windows.h>
#include <oaidl.h>

#include <atomic>
#include <cstddef>
#include <functional>
#include <list>
#include <map>
#include <memory>
#include <string>
#include <tuple>

namespace extensionsutils {

class EventDelivery;

// The events on their way to the sinks of one Office apartment (see EventDelivery), called one at a time by
// EventDelivery's threads in the order they were posted, whichever of the apartment's sinks they are for.
//
// An event posted with a key is a state (one contact's presence): it replaces an undelivered event for the
// same sink with the same dispatch id and key where that one stands, so a storm leaves one event per sink
// and state, and the sink, when it gets to it, gets the latest state. An event without a key (a resolution
// answer, shutdown, a callback's answer) is never merged; while the lane is stalled a sink holds at most
// `oneOffLimit` of them undelivered: past that the oldest is dropped, counted, and the first drop logged
// (an apartment that answers gets every one, however many come at once). So a stalled lane holds at most
// one event per sink and state it reports plus `oneOffLimit` per sink, however long its apartment hangs.
//
// Threads: posted from any thread, delivered on delivery threads. `mutex_` guards every member below it,
// the members' fields included, and is never held while Office is called or a sink released.
class DeliveryLane : public std::enable_shared_from_this<DeliveryLane>
{
public:
    static constexpr std::size_t oneOffLimit = 64;

    // Told the result of the call that delivered an event, on the delivery thread, with no lock held. An
    // event posted with one is a call whose answer its poster reports itself; the lane logs no failure of it.
    using AnswerHandler = std::function<void(HRESULT)>;

    // One sink's place in its lane: what a connection or a callback holds to queue events for the sink.
    // Threads: any; its fields are the lane's, guarded by the lane's mutex.
    class Member : public std::enable_shared_from_this<Member>
    {
    public:
        Member(std::shared_ptr<DeliveryLane> lane, ComPtr<IDispatch> sink);
        ~Member();
        Member(const Member&) = delete;
        Member& operator=(const Member&) = delete;

        // E_OUTOFMEMORY when the event cannot be held; S_OK (and nothing queued) once closed.
        HRESULT post(DISPID id, const std::shared_ptr<const DispatchParameters>& parameters, const std::wstring& key,
                     AnswerHandler answered = AnswerHandler());
        // The sink was unadvised: its undelivered events are dropped and the lane's reference to it is
        // handed out, to be released outside every lock. A call in flight holds a reference of its own.
        ComPtr<IDispatch> close();

    private:
        friend class DeliveryLane;
        const std::shared_ptr<DeliveryLane> lane_;
        // Guarded by the lane's mutex:
        ComPtr<IDispatch> sink_; // empty once closed
        std::size_t oneOffs_ = 0;
        bool overflowLogged_ = false;
    };

    // The sink's place in `lane`; empty when memory runs out.
    static std::shared_ptr<Member> join(const std::shared_ptr<DeliveryLane>& lane, ComPtr<IDispatch> sink);

    // Throws std::bad_alloc when its mutex cannot be made.
    explicit DeliveryLane(std::shared_ptr<EventDelivery> delivery);
    ~DeliveryLane();
    DeliveryLane(const DeliveryLane&) = delete;
    DeliveryLane& operator=(const DeliveryLane&) = delete;

    // On a delivery thread: calls the oldest event's sink. True when more wait (the lane stays busy); false
    // when it went idle.
    bool deliverNext();

    // For EventDelivery: the next lane waiting for a thread. Guarded by EventDelivery's mutex.
    std::shared_ptr<DeliveryLane> nextReady;
    // For EventDelivery: the call in flight has run past the stall limit.
    void markStalled() { stalled_ = true; }

private:
    struct Pending
    {
        std::shared_ptr<Member> member;
        DISPID id;
        std::shared_ptr<const DispatchParameters> parameters;
        std::wstring key; // empty: a one-off event
        AnswerHandler answered;
    };
    using PendingList = std::list<Pending>;
    using KeyIndex = std::map<std::tuple<const Member*, DISPID, std::wstring>, PendingList::iterator, std::less<>>;

    bool enqueue(Pending& event, PendingList& dropped);
    bool dropOneOffsPastLimit(Member& member, PendingList& dropped);
    void unindex(const Pending& event);
    static void logFirstDrop();
    void call(const Pending& event, const ComPtr<IDispatch>& sink, std::size_t sinks);
    void noteAnswer(HRESULT hr, const Pending& event, bool stalledNow);

    HRESULT post(const std::shared_ptr<Member>& member, DISPID id, const std::shared_ptr<const DispatchParameters>& parameters,
                 const std::wstring& key, AnswerHandler answered);
    ComPtr<IDispatch> close(Member& member);

    const std::shared_ptr<EventDelivery> delivery_;
    std::atomic<std::size_t> members_{0};
    vorn::Mutex mutex_;
    PendingList pending_;
    KeyIndex byKey_;
    bool scheduled_ = false; // waiting for a thread or delivering: the lane counts as busy
    // Its apartment has not returned from a call within the stall limit (set by the delivery, cleared by
    // the delivery thread that holds the lane when the apartment returns).
    std::atomic<bool> stalled_{false};
};

} // namespace extensionsutils
