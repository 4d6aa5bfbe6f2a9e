#pragma once

#include "extensionsutils/DeliveryQueue.h"
#include "extensionsutils/DispatchParameters.h"

#include <windows.h>
#include <oaidl.h>

namespace extensionsutils {

// Calls to the callback objects that Office hands over with a request (the answer to an asynchronous
// operation), made by the event delivery's threads instead of the thread that learnt the answer, so that
// a callback that hangs in Office holds up neither that thread nor any other Office. A callback object
// has one DeliveryQueue while calls to it are pending: two answers to one object arrive in the order they
// were posted. Answers are one-off events, never merged or dropped.
// Threads: any. The registry's mutex is never held while a callback is called or released.
class CallbackDelivery
{
public:
    // Queues the call of `id` with `parameters` on `callback`; `answered` is told its result on the
    // delivery thread. E_FAIL for a null callback, as Invoke on none answers; E_OUTOFMEMORY when the
    // call cannot be queued. Either way `answered` is not called.
    static HRESULT post(IDispatch* callback, DISPID id, DispatchParameters parameters,
                        DeliveryQueue::AnswerHandler answered);
};

} // namespace extensionsutils
