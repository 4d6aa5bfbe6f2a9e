#include "extensionsutils/ConnectionPoint.h"

#include "extensionsutils/EventDelivery.h"
#include "extensionsutils/SnapshotEnumerator.h"

#include <memory>
#include <new>
#include <utility>

namespace extensionsutils {

namespace {

struct ConnectionEntry
{
    ComPtr<IUnknown> sink;
    DWORD cookie;
};

void handOutConnection(const ConnectionEntry& entry, CONNECTDATA* data)
{
    data->pUnk = entry.sink.get();
    if (data->pUnk) data->pUnk->AddRef();
    data->dwCookie = entry.cookie;
}

using ConnectionEnumerator = SnapshotEnumerator<IEnumConnections, CONNECTDATA, ConnectionEntry, handOutConnection>;

// The arguments as the queue keeps them: by value, so that none points into the firing thread's memory.
std::shared_ptr<const DispatchParameters> queuedCopy(const DispatchParameters& parameters)
{
    auto copy = std::make_shared<DispatchParameters>();
    for (std::size_t i = 0; i < parameters.count(); ++i) {
        Variant value;
        if (FAILED(copyByValue(*parameters.at(i).get(), value)) || FAILED(copy->add(value))) return nullptr;
    }
    return copy;
}

} // namespace

ConnectionPoint::ConnectionPoint(IConnectionPointContainer& container, const IID& eventInterface)
    : container_(container), eventInterface_(eventInterface)
{
}

// The container is going: every sink leaves its lane, and the sinks are released here, as Unadvise would.
ConnectionPoint::~ConnectionPoint()
{
    for (Connection& connection : connections_) {
        if (connection.delivery) connection.delivery->close();
    }
}

HRESULT ConnectionPoint::QueryInterface(REFIID iid, void** result)
{
    if (!result) return E_POINTER;
    *result = nullptr;
    if (!IsEqualIID(iid, IID_IUnknown) && !IsEqualIID(iid, IID_IConnectionPoint)) return E_NOINTERFACE;
    *result = static_cast<IConnectionPoint*>(this);
    AddRef();
    return S_OK;
}

ULONG ConnectionPoint::AddRef()
{
    return container_.AddRef();
}

ULONG ConnectionPoint::Release()
{
    return container_.Release();
}

HRESULT ConnectionPoint::GetConnectionInterface(IID* iid)
{
    if (!iid) return E_POINTER;
    *iid = eventInterface_;
    return S_OK;
}

HRESULT ConnectionPoint::GetConnectionPointContainer(IConnectionPointContainer** container)
{
    if (!container) return E_POINTER;
    container_.AddRef();
    *container = &container_;
    return S_OK;
}

HRESULT ConnectionPoint::Advise(IUnknown* sink, DWORD* cookie)
{
    if (!cookie) return E_POINTER;
    *cookie = 0;
    if (!sink) return E_POINTER;
    if (refusingAdvise()) return CO_E_SERVER_STOPPING;
    ComPtr<IDispatch> dispatch;
    const IID* succeededAs = &eventInterface_;
    if (FAILED(sink->QueryInterface(eventInterface_, reinterpret_cast<void**>(dispatch.out())))) {
        succeededAs = &IID_IDispatch;
        if (FAILED(sink->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(dispatch.out())))) return CONNECT_E_CANNOTCONNECT;
    }
    if (!dispatch) return CONNECT_E_CANNOTCONNECT;
    // The sink takes its place in the lane of its apartment (see EventDelivery::laneFor).
    const auto delivery = DeliveryLane::join(EventDelivery::laneFor(dispatch.get(), *succeededAs), dispatch);
    if (!delivery) return E_OUTOFMEMORY;
    vorn::MutexGuard guard(mutex_);
    if (refusing_) return CO_E_SERVER_STOPPING;
    const DWORD issued = issueCookie();
    try {
        connections_.push_back(Connection{issued, dispatch, delivery});
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
    *cookie = issued;
    return S_OK;
}

HRESULT ConnectionPoint::Unadvise(DWORD cookie)
{
    // Released after the mutex: Release may call out of the process.
    ComPtr<IDispatch> released;
    std::shared_ptr<DeliveryLane::Member> delivery;
    {
        vorn::MutexGuard guard(mutex_);
        auto found = connections_.begin();
        while (found != connections_.end() && found->cookie != cookie) ++found;
        if (found == connections_.end()) return CONNECT_E_NOCONNECTION;
        released = std::move(found->sink);
        delivery = std::move(found->delivery);
        connections_.erase(found);
    }
    ComPtr<IDispatch> queued = delivery ? delivery->close() : ComPtr<IDispatch>();
    return S_OK;
}

HRESULT ConnectionPoint::EnumConnections(IEnumConnections** connections)
try {
    if (!connections) return E_POINTER;
    *connections = nullptr;
    auto snapshot = std::make_shared<std::vector<ConnectionEntry>>();
    {
        vorn::MutexGuard guard(mutex_);
        for (const Connection& connection : connections_) {
            snapshot->push_back(ConnectionEntry{ComPtr<IUnknown>(connection.sink.get()), connection.cookie});
        }
    }
    return ConnectionEnumerator::create(std::move(snapshot), connections);
} catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
}

std::size_t ConnectionPoint::connectionCount() const
{
    vorn::MutexGuard guard(mutex_);
    return connections_.size();
}

void ConnectionPoint::refuseAdvise()
{
    vorn::MutexGuard guard(mutex_);
    refusing_ = true;
}

bool ConnectionPoint::refusingAdvise() const
{
    vorn::MutexGuard guard(mutex_);
    return refusing_;
}

std::vector<std::shared_ptr<DeliveryLane::Member>> ConnectionPoint::deliveries() const
{
    std::vector<std::shared_ptr<DeliveryLane::Member>> snapshot;
    vorn::MutexGuard guard(mutex_);
    try {
        snapshot.reserve(connections_.size());
        for (const Connection& connection : connections_) snapshot.push_back(connection.delivery);
    } catch (const std::bad_alloc&) {
        snapshot.clear();
    }
    return snapshot;
}

HRESULT ConnectionPoint::fire(DISPID id, const DispatchParameters& parameters, const std::wstring& stateKey) const
{
    const std::vector<std::shared_ptr<DeliveryLane::Member>> snapshot = deliveries();
    if (snapshot.empty()) return connectionCount() == 0 ? S_OK : E_OUTOFMEMORY;
    std::shared_ptr<const DispatchParameters> queued;
    try {
        queued = queuedCopy(parameters);
    } catch (const std::bad_alloc&) {
    }
    if (!queued) return E_OUTOFMEMORY;
    HRESULT result = S_OK;
    for (const std::shared_ptr<DeliveryLane::Member>& delivery : snapshot) {
        if (delivery && FAILED(delivery->post(id, queued, stateKey))) result = E_OUTOFMEMORY;
    }
    return result;
}

DWORD ConnectionPoint::issueCookie()
{
    do {
        ++lastCookie_;
    } while (lastCookie_ == 0 || cookieInUse(lastCookie_));
    return lastCookie_;
}

bool ConnectionPoint::cookieInUse(DWORD cookie) const
{
    for (const Connection& connection : connections_) {
        if (connection.cookie == cookie) return true;
    }
    return false;
}

} // namespace extensionsutils
