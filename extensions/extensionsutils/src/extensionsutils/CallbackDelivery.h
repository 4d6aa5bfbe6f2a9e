#pragma once

#include "extensionsutils/DeliveryLane.h"
#include "extensionsutils/DispatchParameters.h"

#include <windows.h>
#include <oaidl.h>

#include <memory>

namespace extensionsutils {

// Calls to a callback object that Office hands over with a request (the answer to an asynchronous
// operation), made by the event delivery's threads instead of the thread that learnt the answer, so that a
// callback that hangs in Office holds up neither that thread nor any other Office. The callback takes its
// place in the lane of its apartment, beside that apartment's event sinks: its answers arrive in the order
// they were posted, after the events posted before them. Answers are one-off events, never merged.
// Threads: made on the thread of Office's request (finding the apartment may call COM there, never on a
// thread that must not wait for Office); post from any thread.
class CallbackDelivery
{
public:
    // `held`: the interface the callback is held as (so that its proxy is not asked for another).
    CallbackDelivery(IDispatch* callback, REFIID held);

    // Queues the call of `id` with `parameters` on the callback; `answered` is told its result on the
    // delivery thread. E_FAIL for a null callback, as Invoke on none answers; E_OUTOFMEMORY when the call
    // cannot be queued. Either way `answered` is not called.
    HRESULT post(DISPID id, DispatchParameters parameters, DeliveryLane::AnswerHandler answered) const;

private:
    const bool hasCallback_;
    const std::shared_ptr<DeliveryLane::Member> member_; // empty without a callback or memory
};

} // namespace extensionsutils
