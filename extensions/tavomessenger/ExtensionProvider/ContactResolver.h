#pragma once

#include "utils/WorkerThread.h"

#include "extensionsutils/Bstr.h"
#include "vorn/Mutex.h"

#include <windows.h>
#include <oleauto.h>

#include <functional>
#include <list>
#include <map>
#include <memory>

// Connects the host client's asynchronous e-mail resolution to the requests that wait for it: keeps, per
// e-mail address, the callbacks of the requests still waiting, asks the host, and runs the oldest waiting
// callback of an address on the worker thread when an answer for that address arrives. Answers are
// matched by address only (locale collation, case-sensitive), first in, first out. One per Messenger
// object, shared with the UC side and the host event sink.
//
// Threads: resolveContact on Office's calling threads, onContactResolved on the host's event thread,
// callbacks on the worker thread one at a time. `mutex` guards `pending` only and is never held across a
// host call (the logger included), a callback or AddWork.
class ContactResolver
{
public:
    // Called with the address asked for and the IM address found; an empty IM address means the host
    // found nobody.
    using Callback = std::function<void(const extensionsutils::Bstr& email, const extensionsutils::Bstr& imAddress)>;

    explicit ContactResolver(std::weak_ptr<WorkerThread> workerThread);
    ContactResolver(const ContactResolver&) = delete;
    ContactResolver& operator=(const ContactResolver&) = delete;

    // Registers the callback for `email` and asks the host. E_PENDING once the request was made (the host
    // may still have refused it), E_FAIL when the host cannot be reached; either way the callback stays
    // registered until an answer for that address arrives. E_INVALIDARG for an empty callback.
    HRESULT resolveContact(BSTR email, Callback callback);

    // Takes the oldest callback waiting for `email` (a dummy that only logs when none waits) and queues it
    // on the worker thread with the answer. E_FAIL when the worker thread is gone; the callback is then
    // dropped unrun.
    HRESULT onContactResolved(BSTR email, BSTR imAddress);

private:
    // VarBstrCmp under the user's locale, case-sensitive.
    struct AddressOrder
    {
        bool operator()(const extensionsutils::Bstr& a, const extensionsutils::Bstr& b) const;
    };

    // Takes the oldest callback of `email` out of the table, or the dummy; takes `mutex` itself.
    Callback getFirstCallback(const extensionsutils::Bstr& email);
    // Caller holds `mutex`.
    void removeFirstCallback(const extensionsutils::Bstr& email);
    static void invokeCallback(const Callback& callback, const extensionsutils::Bstr& email,
                               const extensionsutils::Bstr& imAddress);

    vorn::Mutex mutex;
    // An entry exists only while its list is non-empty.
    std::map<extensionsutils::Bstr, std::list<Callback>, AddressOrder> pending;
    const std::weak_ptr<WorkerThread> workerThread;
};
