#pragma once

#include "extensionsutils/Variant.h"

#include <windows.h>
#include <oaidl.h>

#include <cstddef>
#include <vector>

namespace extensionsutils {

// The arguments of one outgoing IDispatch call (an event or a callback), in natural order: first argument
// first. Each value is a copy owned here. Not shared between threads.
class DispatchParameters
{
public:
    // Appends a copy (VariantCopy); the copy's failure (E_OUTOFMEMORY when it cannot be held) is returned and
    // nothing is appended.
    HRESULT add(const VARIANT& value);
    HRESULT add(const Variant& value) { return add(*value.get()); }

    std::size_t count() const { return values_.size(); }
    const Variant& at(std::size_t index) const { return values_.at(index); }

    // Calls `id` on `target` as a method (IID_NULL, LOCALE_USER_DEFAULT, no named arguments, no result,
    // exception or argument-error output) with the arguments reversed as DISPPARAMS requires.
    // E_FAIL for a null target; E_OUTOFMEMORY, without a call, when the copies cannot be made; otherwise
    // the result of Invoke.
    HRESULT invoke(IDispatch* target, DISPID id) const;

private:
    HRESULT invokeWithCopies(IDispatch* target, DISPID id) const;

    std::vector<Variant> values_;
};

} // namespace extensionsutils
