#include "extensionsutils/CallbackDelivery.h"

#include "extensionsutils/EventDelivery.h"

#include "vorn/Mutex.h"

#include <iterator>
#include <map>
#include <memory>
#include <new>
#include <utility>

namespace extensionsutils {

namespace {

// The queues of callback objects with calls pending, by COM identity. A queue lives while it has work
// (its delivery holds it); an entry whose queue has gone is replaced or swept. Never destroyed: a
// delivery may still end while the process unloads.
struct Registry
{
    vorn::Mutex mutex;
    std::map<IUnknown*, std::weak_ptr<DeliveryQueue>> queues; // guarded by mutex
};

Registry& registry()
{
    static Registry* const instance = new Registry;
    return *instance;
}

// The callback's identity, or the pointer itself when it does not answer IUnknown. A proxy answers it
// without a call into Office.
IUnknown* identityOf(IDispatch* callback)
{
    ComPtr<IUnknown> identity;
    if (FAILED(callback->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(identity.out()))) || !identity) {
        return callback;
    }
    return identity.get(); // the callback holds it
}

// Throws std::bad_alloc.
std::shared_ptr<DeliveryQueue> queueFor(IDispatch* callback, const std::shared_ptr<EventDelivery>& delivery)
{
    IUnknown* const identity = identityOf(callback);
    Registry& r = registry();
    vorn::MutexGuard guard(r.mutex);
    for (auto entry = r.queues.begin(); entry != r.queues.end();) {
        entry = entry->second.expired() ? r.queues.erase(entry) : std::next(entry);
    }
    std::weak_ptr<DeliveryQueue>& slot = r.queues[identity];
    std::shared_ptr<DeliveryQueue> queue = slot.lock();
    if (queue) return queue;
    queue = std::make_shared<DeliveryQueue>(ComPtr<IDispatch>(callback), delivery);
    slot = queue;
    return queue;
}

} // namespace

HRESULT CallbackDelivery::post(IDispatch* callback, DISPID id, DispatchParameters parameters,
                               DeliveryQueue::AnswerHandler answered)
{
    if (!callback) return E_FAIL;
    const std::shared_ptr<EventDelivery> delivery = EventDelivery::instance();
    if (!delivery) return E_OUTOFMEMORY;
    try {
        const std::shared_ptr<DeliveryQueue> queue = queueFor(callback, delivery);
        auto queued = std::make_shared<const DispatchParameters>(std::move(parameters));
        return queue->post(id, queued, std::wstring(), std::move(answered));
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
}

} // namespace extensionsutils
