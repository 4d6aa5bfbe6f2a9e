#pragma once

#include "extensionsutils/ComPtr.h"
#include "extensionsutils/DispatchParameters.h"

#include "vorn/Mutex.h"

#include <windows.h>
#include <ocidl.h>
#include <olectl.h>

#include <cstddef>
#include <vector>

namespace extensionsutils {

// The connection point of one event interface: the advised sinks in advise order, each with its cookie.
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
    // never issued twice while advised.
    HRESULT STDMETHODCALLTYPE Advise(IUnknown* sink, DWORD* cookie) override;
    HRESULT STDMETHODCALLTYPE Unadvise(DWORD cookie) override;
    HRESULT STDMETHODCALLTYPE EnumConnections(IEnumConnections** connections) override;

    const IID& eventInterface() const { return eventInterface_; }
    std::size_t connectionCount() const;
    // The sinks advised now, in advise order, as Advise stored them, taken in one step under the mutex.
    // Empty when memory runs out.
    std::vector<ComPtr<IDispatch>> sinks() const;

    // Calls `id` on every sink advised when the event starts, in advise order, each called without the
    // mutex. A sink that unadvises from inside the event (every Office process shares the one object, and
    // one of them may unadvise in its shutdown handler) does not keep the others from getting it. E_FAIL
    // if a sink failed, else S_OK (S_OK with no sinks); E_OUTOFMEMORY when the list cannot be copied.
    HRESULT fire(DISPID id, const DispatchParameters& parameters) const;

private:
    struct Connection
    {
        DWORD cookie;
        ComPtr<IDispatch> sink;
    };

    DWORD issueCookie();
    bool cookieInUse(DWORD cookie) const;

    IConnectionPointContainer& container_;
    const IID eventInterface_;
    mutable vorn::Mutex mutex_;
    std::vector<Connection> connections_;
    DWORD lastCookie_ = 0;
};

} // namespace extensionsutils
