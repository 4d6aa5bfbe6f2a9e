#pragma once

// The bare UC contact's ear on the host contact: an _IContactEvents sink that calls its handler on every
// OnContactChanged, on the host's thread, until the contact detaches it. Advised by the contact on the host
// contact's connection point and unadvised by it.
//
// Threads: Invoke on the host's event thread; detach from any thread waits for a call in progress.

#include <windows.h>
#include <oaidl.h>

#include <atomic>
#include <functional>
#include <mutex>

namespace bench {

class HostContactSink final : public IDispatch {
public:
    explicit HostContactSink(std::function<void()> changed) : changed_(std::move(changed)) {}

    // No call reaches the handler after this returns.
    void detach();

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override { return ++references_; }
    ULONG STDMETHODCALLTYPE Release() override;
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override;
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override;

private:
    ~HostContactSink() = default;

    std::mutex mutex_;
    std::function<void()> changed_; // empty once detached
    std::atomic<ULONG> references_{1};
};

} // namespace bench
