#include "ExtensionProvider/ContactResolver.h"

#include "ExtensionProvider/HostClassObject.h"
#include "logging/Results.h"
#include "utils/Tr1FunctionWorker.h"

#include "extensionsutils/ComPtr.h"

#include <new>
#include <utility>

using extensionsutils::Bstr;

namespace {

const char* const notQueued = "Failed to get reference to worker thread to enqueue contact resolution";

// Runs for an answer that no request waits for: it is logged and otherwise ignored.
void doNothing(const Bstr&, const Bstr&)
{
    TAVO_LOG(2, "Dummy callback executed");
}

// A copy that keeps a null BSTR null and embedded nulls in place.
Bstr copyOf(BSTR text)
{
    return Bstr(text, SysStringLen(text));
}

} // namespace

// One waiting request. `held` and `heldAnswer` are guarded by `mutex`: the answer may arrive on the
// host's thread while the requester is still in its call.
struct ContactResolver::Request
{
    Request(Bstr address, Callback function, std::weak_ptr<WorkerThread> worker)
        : email(std::move(address)), callback(std::move(function)), workerThread(std::move(worker))
    {
    }

    const Bstr email; // as asked for
    const Callback callback;
    const std::weak_ptr<WorkerThread> workerThread;
    vorn::Mutex mutex;
    bool held = true;
    bool answered = false;
    Bstr heldAnswer;
};

ContactResolver::Hold::~Hold()
{
    for (const std::shared_ptr<Request>& request : requests) releaseHeldAnswer(request);
}

bool ContactResolver::AddressOrder::operator()(const Bstr& a, const Bstr& b) const
{
    return VarBstrCmp(a.get(), b.get(), LOCALE_USER_DEFAULT, 0) == static_cast<HRESULT>(VARCMP_LT);
}

ContactResolver::ContactResolver(std::weak_ptr<WorkerThread> worker) : workerThread(std::move(worker))
{
}

HRESULT ContactResolver::resolveContact(BSTR email, Callback callback, Hold* callerHold)
{
    if (!callback) return E_INVALIDARG;
    const Bstr address = copyOf(email);
    if (email && !address) return E_OUTOFMEMORY;
    Hold ownHold; // an answer waits at least until this call returns
    Hold& hold = callerHold ? *callerHold : ownHold;
    try {
        auto request = std::make_shared<Request>(address, std::move(callback), workerThread);
        hold.requests.push_back(request);
        vorn::MutexGuard guard(mutex);
        pending[address].push_back(std::move(request));
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }

    extensionsutils::ComPtr<IIMAndPresence> imAndPresence = hostaccess::GetIMAndPresence();
    if (!imAndPresence) return TAVO_FAIL(3, "Unable to get IIMAndPresence instance", E_FAIL);
    if (FAILED(imAndPresence->ResolveContactByEmail(address.get()))) TAVO_LOG(3, "contact resolution failed");
    return E_PENDING;
}

HRESULT ContactResolver::onContactResolved(BSTR email, BSTR imAddress)
{
    const Bstr address = copyOf(email);
    const Bstr answer = copyOf(imAddress);
    const std::shared_ptr<Request> request = getFirstCallback(address);
    if (request) {
        vorn::MutexGuard guard(request->mutex);
        if (request->held) {
            request->answered = true;
            request->heldAnswer = answer;
            return S_OK;
        }
    }
    const bool queued = request ? queueCallback(request->workerThread, request->callback, request->email, answer)
                                : queueCallback(workerThread, doNothing, address, answer);
    if (!queued) return TAVO_FAIL(4, notQueued, E_FAIL);
    return S_OK;
}

void ContactResolver::releaseHeldAnswer(const std::shared_ptr<Request>& request)
{
    Bstr answer;
    {
        vorn::MutexGuard guard(request->mutex);
        request->held = false;
        if (!request->answered) return;
        answer = request->heldAnswer;
    }
    if (!queueCallback(request->workerThread, request->callback, request->email, answer)) TAVO_LOG(4, notQueued);
}

bool ContactResolver::queueCallback(const std::weak_ptr<WorkerThread>& worker, const Callback& callback,
                                    const Bstr& email, const Bstr& imAddress)
{
    const std::shared_ptr<WorkerThread> thread = worker.lock();
    try {
        return thread && thread->AddWork(std::make_shared<Tr1FunctionWorker>([callback, email, imAddress] {
            invokeCallback(callback, email, imAddress);
        }));
    } catch (const std::bad_alloc&) {
        return false;
    }
}

std::shared_ptr<ContactResolver::Request> ContactResolver::getFirstCallback(const Bstr& email)
{
    std::shared_ptr<Request> first;
    {
        vorn::MutexGuard guard(mutex);
        const auto entry = pending.find(email);
        if (entry != pending.end() && !entry->second.empty()) {
            first = entry->second.front();
            removeFirstCallback(email);
        }
    }
    // Logged after the mutex: the log goes to the host.
    if (!first) TAVO_LOG(4, "Unable to find a corresponding first callback, returning a dummy");
    return first;
}

void ContactResolver::removeFirstCallback(const Bstr& email)
{
    const auto entry = pending.find(email);
    if (entry == pending.end()) return;
    if (!entry->second.empty()) entry->second.pop_front();
    if (entry->second.empty()) pending.erase(entry);
}

void ContactResolver::invokeCallback(const Callback& callback, const Bstr& email, const Bstr& imAddress)
{
    callback(email, imAddress);
}
