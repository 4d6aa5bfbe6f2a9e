#include "IUCOfficeIntegration/values/UCCAsynchronousOperation.h"

namespace {

VARIANT_BOOL toVariantBool(bool value)
{
    return value ? VARIANT_TRUE : VARIANT_FALSE;
}

} // namespace

bool UCCAsynchronousOperation::isCancelled()
{
    vorn::SharedGuard guard(lock);
    return cancelled;
}

void UCCAsynchronousOperation::complete(bool success)
{
    vorn::ExclusiveGuard guard(lock);
    completed = true;
    succeeded = success;
}

// The state that Office passed with its call is not kept.
HRESULT UCCAsynchronousOperation::get_AsyncState(VARIANT* userState)
{
    if (userState) VariantInit(userState);
    return E_NOTIMPL;
}

HRESULT UCCAsynchronousOperation::get_IsCompleted(VARIANT_BOOL* isCompleted)
{
    if (!isCompleted) return E_POINTER;
    vorn::SharedGuard guard(lock);
    *isCompleted = toVariantBool(completed);
    return S_OK;
}

HRESULT UCCAsynchronousOperation::get_IsSucceeded(VARIANT_BOOL* isSucceeded)
{
    if (!isSucceeded) return E_POINTER;
    vorn::SharedGuard guard(lock);
    *isSucceeded = toVariantBool(succeeded);
    return S_OK;
}

// Also accepted after completion: the result has then been reported and stays as it is.
HRESULT UCCAsynchronousOperation::CancelOperation()
{
    vorn::ExclusiveGuard guard(lock);
    cancelled = true;
    return S_OK;
}
