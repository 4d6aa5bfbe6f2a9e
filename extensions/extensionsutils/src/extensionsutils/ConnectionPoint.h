#pragma once

#include "extensionsutils/ComPtr.h"
#include "extensionsutils/DeliveryLane.h"
#include "extensionsutils/DispatchParameters.h"

#include "vorn/Mutex.h"

#include <windows.h>
#include <ocidl.h>
#include <olectl.h>

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

namespace extensionsutils {

// The connection point of one event interface: the advised sinks in advise order, each with its cookie
// and its place in the DeliveryLane of its apartment, which carries its events. Firing only queues: the
// calls into Office are made by the delivery threads, so no sink, however slow, holds up the firing thread,
// and one that hangs holds up only the sinks of its own apartment.
// It is part of its container: it has an identity of its own but the container's reference count, so a
// reference to it keeps the container alive.
// Threads: any. The sink list is guarded by the point's mutex, which is never held while a sink is called
// (QueryInterface at Advise, Release at Unadvise and every event), so a sink may advise or unadvise from
// inside an event.
class ConnectionPoint final : public IConnectionPoint
{
public:
    ConnectionPoint(IConnectionPointContainer& container, const IID& eventInterface);
    ConnectionPoint(const ConnectionPoint&) = delete;
    ConnectionPoint& operator=(const ConnectionPoint&) = delete;
    ~ConnectionPoint();

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** result) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;

    HRESULT STDMETHODCALLTYPE GetConnectionInterface(IID* iid) override;
    HRESULT STDMETHODCALLTYPE GetConnectionPointContainer(IConnectionPointContainer** container) override;
    // Takes the sink as the event interface or, failing that, as IDispatch (a sink in Office's process may
    // answer only IDispatch when the event interface is not registered there). Cookies start at 1 and are
    // never issued twice while advised. The stored pointer is used from the delivery threads, which are in
    // the multithreaded apartment like the threads Office's Advise arrives on. CO_E_SERVER_STOPPING once
    // refuseAdvise was called.
    HRESULT STDMETHODCALLTYPE Advise(IUnknown* sink, DWORD* cookie) override;
    HRESULT STDMETHODCALLTYPE Unadvise(DWORD cookie) override;
    HRESULT STDMETHODCALLTYPE EnumConnections(IEnumConnections** connections) override;

    const IID& eventInterface() const { return eventInterface_; }
    std::size_t connectionCount() const;

    // From now on Advise answers CO_E_SERVER_STOPPING: the module is stopping, and a sink advised after its
    // shutdown events were fired would never hear of the shutdown. Sinks advised before stay.
    void refuseAdvise();

    // Queues `id` for every sink advised now; each sink gets its events in firing order. With a
    // `stateKey` (say, the contact whose presence it reports) the event replaces one with the same id and
    // key that a sink has not been sent yet; without one it is always delivered. By-reference arguments
    // are queued by value: the caller's variable is gone by the time a sink runs. A sink that unadvises
    // gets nothing more from its queue. S_OK once queued (with no sinks too); E_OUTOFMEMORY when an
    // event could not be queued; sinks' own failures are logged by the delivery.
    HRESULT fire(DISPID id, const DispatchParameters& parameters, const std::wstring& stateKey = std::wstring()) const;

private:
    struct Connection
    {
        DWORD cookie;
        ComPtr<IDispatch> sink;
        std::shared_ptr<DeliveryLane::Member> delivery;
    };

    std::vector<std::shared_ptr<DeliveryLane::Member>> deliveries() const;
    bool refusingAdvise() const;

    DWORD issueCookie();
    bool cookieInUse(DWORD cookie) const;

    IConnectionPointContainer& container_;
    const IID eventInterface_;
    mutable vorn::Mutex mutex_;
    std::vector<Connection> connections_;
    DWORD lastCookie_ = 0;
    bool refusing_ = false;
};

} // namespace extensionsutils
