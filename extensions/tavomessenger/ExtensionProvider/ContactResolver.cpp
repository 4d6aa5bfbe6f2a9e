#include "ExtensionProvider/ContactResolver.h"

#include "ExtensionProvider/HostClassObject.h"
#include "utils/Logging.h"
#include "utils/Tr1FunctionWorker.h"

#include "extensionsutils/ComPtr.h"

#include <new>
#include <utility>

using extensionsutils::Bstr;

namespace {

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

bool ContactResolver::AddressOrder::operator()(const Bstr& a, const Bstr& b) const
{
    return VarBstrCmp(a.get(), b.get(), LOCALE_USER_DEFAULT, 0) == static_cast<HRESULT>(VARCMP_LT);
}

ContactResolver::ContactResolver(std::weak_ptr<WorkerThread> worker) : workerThread(std::move(worker))
{
}

HRESULT ContactResolver::resolveContact(BSTR email, Callback callback)
{
    if (!callback) return E_INVALIDARG;
    const Bstr address = copyOf(email);
    if (email && !address) return E_OUTOFMEMORY;
    try {
        vorn::MutexGuard guard(mutex);
        pending[address].push_back(std::move(callback));
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }

    extensionsutils::ComPtr<IIMAndPresence> imAndPresence = hostaccess::GetIMAndPresence();
    if (!imAndPresence) {
        TAVO_LOG(3, "Unable to get IIMAndPresence instance");
        return E_FAIL;
    }
    if (FAILED(imAndPresence->ResolveContactByEmail(address.get()))) TAVO_LOG(3, "contact resolution failed");
    return E_PENDING;
}

HRESULT ContactResolver::onContactResolved(BSTR email, BSTR imAddress)
{
    const Bstr address = copyOf(email);
    const Bstr answer = copyOf(imAddress);
    const Callback callback = getFirstCallback(address);

    std::shared_ptr<WorkerThread> worker = workerThread.lock();
    if (!worker) {
        TAVO_LOG(4, "Failed to get reference to worker thread to enqueue contact resolution");
        return E_FAIL;
    }
    try {
        worker->AddWork(std::make_shared<Tr1FunctionWorker>([callback, address, answer] {
            invokeCallback(callback, address, answer);
        }));
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
    return S_OK;
}

ContactResolver::Callback ContactResolver::getFirstCallback(const Bstr& email)
{
    Callback first;
    {
        vorn::MutexGuard guard(mutex);
        const auto entry = pending.find(email);
        if (entry != pending.end() && !entry->second.empty()) {
            first = std::move(entry->second.front());
            removeFirstCallback(email);
        }
    }
    // Logged after the mutex: the log goes to the host.
    if (first) return first;
    TAVO_LOG(4, "Unable to find a corresponding first callback, returning a dummy");
    return doNothing;
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
