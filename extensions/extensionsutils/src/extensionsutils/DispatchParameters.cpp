#include "extensionsutils/DispatchParameters.h"

#include <new>
#include <utility>

namespace extensionsutils {

namespace {

// A plain VARIANT array, as DISPPARAMS takes it, cleared when it goes.
struct OwnedVariantArray
{
    explicit OwnedVariantArray(std::size_t count) : values(count)
    {
        for (VARIANT& value : values) VariantInit(&value);
    }
    ~OwnedVariantArray()
    {
        for (VARIANT& value : values) VariantClear(&value);
    }
    OwnedVariantArray(const OwnedVariantArray&) = delete;
    OwnedVariantArray& operator=(const OwnedVariantArray&) = delete;

    std::vector<VARIANT> values;
};

} // namespace

HRESULT DispatchParameters::add(const VARIANT& value)
{
    Variant copy;
    const HRESULT hr = VariantCopy(copy.out(), const_cast<VARIANT*>(&value)); // the SDK header lacks const
    if (FAILED(hr)) return hr;
    try {
        values_.push_back(std::move(copy));
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
    return S_OK;
}

HRESULT DispatchParameters::invoke(IDispatch* target, DISPID id) const
{
    if (!target) return E_FAIL;
    try {
        return invokeWithCopies(target, id);
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
}

// Throws std::bad_alloc before the call when the copies cannot be held.
HRESULT DispatchParameters::invokeWithCopies(IDispatch* target, DISPID id) const
{
    // The callee gets copies of its own, so a sink that changes its arguments cannot reach the next sink's.
    const std::size_t count = values_.size();
    OwnedVariantArray reversed(count);
    for (std::size_t i = 0; i < count; ++i) {
        const HRESULT hr = VariantCopy(&reversed.values[i], const_cast<VARIANT*>(values_[count - 1 - i].get()));
        if (FAILED(hr)) return hr;
    }
    DISPPARAMS parameters = {};
    parameters.rgvarg = count ? reversed.values.data() : nullptr;
    parameters.cArgs = static_cast<UINT>(count);
    return target->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &parameters, nullptr, nullptr, nullptr);
}

} // namespace extensionsutils
