#pragma once

// A provider object as officesim's tests need one: an IDispatch that is also a connection-point container
// with one connection point for any event interface, so that officesim can advise on it, and that fires
// events to the sinks advised on it as the provider would.
//
// One thread; not a real provider (the typed interfaces are answered by the fake APIs).

#include "extensionsutils/ComPtr.h"
#include "extensionsutils/Variant.h"

#include <windows.h>
#include <ocidl.h>

#include <atomic>
#include <vector>

namespace officesimtest {

class FakeEventSource final : public IDispatch, public IConnectionPointContainer, public IConnectionPoint {
public:
    static extensionsutils::ComPtr<FakeEventSource> create();

    // The object's identity (IUnknown is a base three times over).
    IUnknown* identity() { return static_cast<IDispatch*>(this); }

    // Invokes the dispid on every advised sink; arguments in natural order. The results, one per sink.
    std::vector<HRESULT> fire(DISPID id, const std::vector<extensionsutils::Variant>& arguments);
    std::size_t sinkCount() const { return sinks_.size(); }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override;
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo** info) override;
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override;
    HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override;
    HRESULT STDMETHODCALLTYPE EnumConnectionPoints(IEnumConnectionPoints** points) override;
    HRESULT STDMETHODCALLTYPE FindConnectionPoint(REFIID iid, IConnectionPoint** point) override;
    HRESULT STDMETHODCALLTYPE GetConnectionInterface(IID* iid) override;
    HRESULT STDMETHODCALLTYPE GetConnectionPointContainer(IConnectionPointContainer** container) override;
    HRESULT STDMETHODCALLTYPE Advise(IUnknown* sink, DWORD* cookie) override;
    HRESULT STDMETHODCALLTYPE Unadvise(DWORD cookie) override;
    HRESULT STDMETHODCALLTYPE EnumConnections(IEnumConnections** connections) override;

private:
    FakeEventSource() = default;
    ~FakeEventSource() = default;

    std::atomic<ULONG> references_{1};
    std::vector<std::pair<DWORD, extensionsutils::ComPtr<IDispatch>>> sinks_;
    DWORD nextCookie_ = 1;
};

} // namespace officesimtest
