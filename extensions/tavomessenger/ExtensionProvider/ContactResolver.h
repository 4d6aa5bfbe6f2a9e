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
#include <vector>

// Connects the host client's asynchronous e-mail resolution to the requests that wait for it: keeps, per
// e-mail address, the callbacks of the requests still waiting, asks the host, and runs the oldest waiting
// callback of an address on the worker thread when an answer for that address arrives. Answers are
// matched by address only (locale collation, case-sensitive), first in, first out; a callback is told the
// address as it was asked for, not the host's spelling of it. One per Messenger object, shared with the
// UC side and the host event sink.
//
// A host may answer before its ResolveContactByEmail has returned. Office, in its single-threaded
// apartment, must not hear of a resolution before its own request has returned, so an answer to a request
// whose Hold still lives is kept back and queued when the Hold ends:
//     ContactResolver::Hold hold;                   // first local of the COM method: it ends last
//     return resolver->resolveContact(address, callback, &hold);
//
// Threads: resolveContact on Office's calling threads, onContactResolved on the host's event thread,
// callbacks on the worker thread one at a time. `mutex` guards `pending` only and is never held across a
// host call (the logger included), a callback or AddWork; each request has its own mutex for its hold.
class ContactResolver
{
    struct Request;

public:
    // Called with the address asked for and the IM address found; an empty IM address means the host
    // found nobody.
    using Callback = std::function<void(const extensionsutils::Bstr& email, const extensionsutils::Bstr& imAddress)>;

    // Keeps back the answers to the requests made under it until it is destroyed.
    class Hold
    {
    public:
        Hold() = default;
        ~Hold();
        Hold(const Hold&) = delete;
        Hold& operator=(const Hold&) = delete;

    private:
        friend class ContactResolver;
        std::vector<std::shared_ptr<Request>> requests;
    };

    explicit ContactResolver(std::weak_ptr<WorkerThread> workerThread);
    ContactResolver(const ContactResolver&) = delete;
    ContactResolver& operator=(const ContactResolver&) = delete;

    // Registers the callback for `email` and asks the host. E_PENDING once the request was made (the host
    // may still have refused it), E_FAIL when the host cannot be reached; either way the callback stays
    // registered until an answer for that address arrives. E_INVALIDARG for an empty callback. An answer
    // waits at least until this call returns, and until `hold` ends when one is given.
    HRESULT resolveContact(BSTR email, Callback callback, Hold* hold = nullptr);

    // Takes the oldest request waiting for `email` (a dummy that only logs when none waits) and queues its
    // callback on the worker thread with the answer, or keeps the answer until the request's hold ends.
    // E_FAIL when the worker thread is gone or stopping; the callback is then dropped unrun.
    HRESULT onContactResolved(BSTR email, BSTR imAddress);

private:
    // VarBstrCmp under the user's locale, case-sensitive.
    struct AddressOrder
    {
        bool operator()(const extensionsutils::Bstr& a, const extensionsutils::Bstr& b) const;
    };

    // Takes the oldest request of `email` out of the table, or none; takes `mutex` itself.
    std::shared_ptr<Request> getFirstCallback(const extensionsutils::Bstr& email);
    // Caller holds `mutex`.
    void removeFirstCallback(const extensionsutils::Bstr& email);
    // Queues the answer of a request whose hold has ended; logs when the worker refuses it.
    static void releaseHeldAnswer(const std::shared_ptr<Request>& request);
    // False when the worker thread is gone or refuses the work.
    static bool queueCallback(const std::weak_ptr<WorkerThread>& workerThread, const Callback& callback,
                              const extensionsutils::Bstr& email, const extensionsutils::Bstr& imAddress);
    static void invokeCallback(const Callback& callback, const extensionsutils::Bstr& email,
                               const extensionsutils::Bstr& imAddress);

    vorn::Mutex mutex;
    // An entry exists only while its list is non-empty.
    std::map<extensionsutils::Bstr, std::list<std::shared_ptr<Request>>, AddressOrder> pending;
    const std::weak_ptr<WorkerThread> workerThread;
};
