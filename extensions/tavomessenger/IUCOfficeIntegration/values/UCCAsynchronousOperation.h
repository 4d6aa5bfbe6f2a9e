#pragma once

#include "IUCOfficeIntegration/Answer.h"
#include "IUCOfficeIntegration/DispatchObject.h"

#include "vorn/ReadWriteLock.h"

// The handle of one asynchronous call that Office holds: it may poll it or cancel it while the worker
// thread completes it. Threads: Office's threads read and cancel, the worker thread completes; `lock`
// guards the three flags, shared for reads, exclusive for CancelOperation and complete.
class UCCAsynchronousOperation : public DispatchObject<IUCCAsynchronousOperation, &IID_IUCCAsynchronousOperation>
{
public:
    bool isCancelled();
    void complete(bool success);

    HRESULT STDMETHODCALLTYPE get_AsyncState(VARIANT* userState) override;
    HRESULT STDMETHODCALLTYPE get_StatusCode(LONG* statusCode) override { return answer(statusCode, 0); }
    HRESULT STDMETHODCALLTYPE get_IsCompleted(VARIANT_BOOL* isCompleted) override;
    HRESULT STDMETHODCALLTYPE get_IsSucceeded(VARIANT_BOOL* isSucceeded) override;
    HRESULT STDMETHODCALLTYPE get_IsCancelable(VARIANT_BOOL* isCancelable) override
    {
        return answer(isCancelable, VARIANT_TRUE);
    }
    HRESULT STDMETHODCALLTYPE get_DiagnosticCode(LONG* diagnosticCode) override { return answer(diagnosticCode, 0); }
    HRESULT STDMETHODCALLTYPE CancelOperation() override;

private:
    vorn::ReadWriteLock lock;
    bool completed = false;
    bool cancelled = false;
    bool succeeded = false;
};
