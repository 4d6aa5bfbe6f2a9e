#pragma once

// The common part of an object that COM calls late-bound for one event interface (an Office event sink, a
// callback object, a sink on the host's events): it answers IUnknown, IDispatch and that interface, counts
// its references and deletes itself at zero (made with new, handed out with ComPtr::attach), offers no type
// information, and advises itself on a source's connection point. Each sink writes only Invoke.
//
// Any thread: the reference count is atomic; the rest is fixed at construction.

#include "extensionsutils/ComPtr.h"

#include <oaidl.h>
#include <ocidl.h>

#include <atomic>

namespace tools {

class DispatchSink : public IDispatch {
public:
    DispatchSink(const DispatchSink&) = delete;
    DispatchSink& operator=(const DispatchSink&) = delete;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override
    {
        if (!object) return E_POINTER;
        *object = nullptr;
        const bool dispatch = IsEqualIID(iid, IID_IDispatch) && answersIDispatch();
        if (!IsEqualIID(iid, IID_IUnknown) && !dispatch && !IsEqualIID(iid, eventInterface_)) return E_NOINTERFACE;
        *object = static_cast<IDispatch*>(this);
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++references_; }
    ULONG STDMETHODCALLTYPE Release() override
    {
        const ULONG left = --references_;
        if (left == 0) delete this;
        return left;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override
    {
        if (!count) return E_POINTER;
        *count = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo** info) override
    {
        if (info) *info = nullptr;
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }

    // References held now, the caller's included.
    ULONG references() const { return references_.load(); }

protected:
    explicit DispatchSink(const IID& eventInterface) : eventInterface_(eventInterface) {}
    virtual ~DispatchSink() = default;

    // A sink may refuse IDispatch and answer only its event interface, as some do.
    virtual bool answersIDispatch() const { return true; }

    const IID& eventInterface() const { return eventInterface_; }

    // Advises this sink on the source's connection point for its interface; the point and cookie are the
    // caller's to keep for the unadvise. S_OK or the failure.
    HRESULT adviseOn(IUnknown* source, extensionsutils::ComPtr<IConnectionPoint>& point, DWORD& cookie)
    {
        if (!source) return E_POINTER;
        extensionsutils::ComPtr<IConnectionPointContainer> container;
        HRESULT hr = source->QueryInterface(IID_IConnectionPointContainer, reinterpret_cast<void**>(container.out()));
        if (FAILED(hr)) return hr;
        hr = container->FindConnectionPoint(eventInterface_, point.out());
        if (FAILED(hr)) return hr;
        return point->Advise(static_cast<IDispatch*>(this), &cookie);
    }

private:
    const IID eventInterface_;
    std::atomic<ULONG> references_{1};
};

} // namespace tools
