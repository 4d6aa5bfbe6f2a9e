#pragma once

// An Office-side DMessengerEvents sink that only counts: each OnContactStatusChange releases the given
// receipts semaphore of the host once (see BenchNames.h). Answers IUnknown, IDispatch and DMessengerEvents. Any thread.

#include <windows.h>
#include <oaidl.h>

#include <atomic>

namespace bench {

class CountingSink final : public IDispatch {
public:
    explicit CountingSink(HANDLE receipts) : receipts_(receipts) {}

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
    std::atomic<ULONG> references_{1};
};

} // namespace bench
