#pragma once

#include "extensionsutils/ComObject.h"
#include "extensionsutils/DispatchImpl.h"
#include "vorn/ReadWriteLock.h"

#include "TavoMessengerLib.h"

// The handle of one asynchronous call that Office holds: it may poll it or cancel it while the worker
// thread completes it. Threads: Office's threads read and cancel, the worker thread completes; `lock`
// guards the three flags, shared for reads, exclusive for CancelOperation and complete.
class UCCAsynchronousOperation
    : public extensionsutils::ComObjectRoot,
      public extensionsutils::DispatchImpl<IUCCAsynchronousOperation, &IID_IUCCAsynchronousOperation,
                                           &LIBID_TavoMessengerLib> {
public:
    using Interfaces = extensionsutils::InterfaceTable<IUCCAsynchronousOperation,
                                                       extensionsutils::Via<IDispatch, IUCCAsynchronousOperation>>;

    bool isCancelled();
    void complete(bool success);

    HRESULT STDMETHODCALLTYPE get_AsyncState(VARIANT* userState) override;
    HRESULT STDMETHODCALLTYPE get_StatusCode(LONG* statusCode) override;
    HRESULT STDMETHODCALLTYPE get_IsCompleted(VARIANT_BOOL* isCompleted) override;
    HRESULT STDMETHODCALLTYPE get_IsSucceeded(VARIANT_BOOL* isSucceeded) override;
    HRESULT STDMETHODCALLTYPE get_IsCancelable(VARIANT_BOOL* isCancelable) override;
    HRESULT STDMETHODCALLTYPE get_DiagnosticCode(LONG* diagnosticCode) override;
    HRESULT STDMETHODCALLTYPE CancelOperation() override;

private:
    vorn::ReadWriteLock lock;
    bool completed = false;
    bool cancelled = false;
    bool succeeded = false;
};
