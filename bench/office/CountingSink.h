#pragma once

// An Office-side event sink that only counts: each call of the counted event (by default DMessengerEvents'
// OnContactStatusChange) releases the given receipts semaphore of the host once (see BenchNames.h).
// Answers IUnknown, IDispatch and its event interface. Any thread.

#include <windows.h>
#include <oaidl.h>

#include <atomic>

namespace bench {

class CountingSink final : public IDispatch {
public:
    explicit CountingSink(HANDLE receipts);
    CountingSink(HANDLE receipts, const IID& events, DISPID counted)
        : receipts_(receipts), events_(events), counted_(counted)
    {
    }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override { return ++references_; }
    ULONG STDMETHODCALLTYPE Release() override;
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override;
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override;

private:
    ~CountingSink() = default;

    HANDLE receipts_;
    IID events_;
    DISPID counted_;
    std::atomic<ULONG> references_{1};
};

} // namespace bench
