#pragma once

#include "extensionsutils/ModuleLock.h"

#include <windows.h>
#include <oaidl.h>

#include <atomic>
#include <functional>
#include <utility>

namespace extensionsutils {

// What a dispatch event listener calls for its event: the caller's DISPPARAMS, valid only during the call.
using DispatchEventHandler = std::function<void(DISPPARAMS*)>;

// A sink for a source's event dispinterface `Events`: answers one dispatch identifier by calling its
// handler and ignores every other one. The source holds it by counted reference (it may keep it after its
// listener has gone, with an event in flight or after a failed Unadvise); once disabled it forwards nothing.
//
// Threads: Invoke runs on the source's threads; disable on the thread that drops the listener. The flag
// is atomic and no lock is held while the handler runs, so a call already past the flag when the listener
// goes may still finish: handlers therefore refer to their owners only weakly.
// Each live sink holds the module lock, since a host keeping it alive keeps the module's code in use.
template <class Events>
class DispatchEventListenerImpl final : public Events
{
public:
    DispatchEventListenerImpl(DISPID dispid, DispatchEventHandler handler)
        : handler_(std::move(handler)), dispid_(dispid)
    {
        lockModule();
    }
    DispatchEventListenerImpl(const DispatchEventListenerImpl&) = delete;
    DispatchEventListenerImpl& operator=(const DispatchEventListenerImpl&) = delete;

    // Called by the listener as it goes: from now on no event reaches the handler.
    void disable() { disabled_.store(true); }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** result) override
    {
        if (!result) return E_POINTER;
        *result = nullptr;
        if (!IsEqualIID(iid, IID_IUnknown) && !IsEqualIID(iid, IID_IDispatch) && !IsEqualIID(iid, __uuidof(Events)))
            return E_NOINTERFACE;
        *result = static_cast<Events*>(this);
        AddRef();
        return S_OK;
    }

    ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(++referenceCount_); }

    ULONG STDMETHODCALLTYPE Release() override
    {
        const LONG remaining = --referenceCount_;
        if (remaining == 0) delete this;
        return static_cast<ULONG>(remaining);
    }

    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }

    // The result, exception and argument-error outputs are never written.
    HRESULT STDMETHODCALLTYPE Invoke(DISPID dispid, REFIID, LCID, WORD, DISPPARAMS* parameters, VARIANT*, EXCEPINFO*,
                                     UINT*) override
    {
        if (disabled_.load() || dispid != dispid_) return S_OK;
        if (!parameters) return E_POINTER;
        try {
            if (handler_) handler_(parameters);
        } catch (...) {
            // Nothing may unwind into the host's thread; the event is lost, the host's call still succeeds.
        }
        return S_OK;
    }

private:
    ~DispatchEventListenerImpl() { unlockModule(); }

    std::atomic<bool> disabled_{false};
    const DispatchEventHandler handler_;
    std::atomic<LONG> referenceCount_{0};
    const DISPID dispid_;
};

} // namespace extensionsutils
