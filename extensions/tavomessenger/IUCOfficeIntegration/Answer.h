#pragma once

#include "vorn/ReadWriteLock.h"

#include <windows.h>
#include <oleauto.h>

#include <string>

// The one shape of a getter that answers a value: E_POINTER for a null out-parameter, otherwise the value
// and S_OK. Any thread.

// A fixed value, or one that never changes after construction.
template <class Out, class Value>
HRESULT answer(Out* out, Value value)
{
    if (!out) return E_POINTER;
    *out = value;
    return S_OK;
}

// A member of the answering object, read under its lock held shared.
template <class Out>
HRESULT answerShared(vorn::ReadWriteLock& lock, const Out& member, Out* out)
{
    if (!out) return E_POINTER;
    vorn::SharedGuard guard(lock);
    *out = member;
    return S_OK;
}

// A new BSTR copy of the text, NULs included; a null BSTR and E_OUTOFMEMORY when it cannot be made.
inline HRESULT answerString(const std::wstring& text, BSTR* out)
{
    if (!out) return E_POINTER;
    *out = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
    return *out ? S_OK : E_OUTOFMEMORY;
}
