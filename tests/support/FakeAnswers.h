#pragma once

// How every fake host method answers: count the call, let an injected failure replace the work, otherwise
// do the work. Shared by all fake objects so that injection behaves the same everywhere.

#include "support/AllocationFailures.h"
#include "support/FakeHost.h"

#include <windows.h>
#include <oleauto.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace fakehost {

// A method without outputs: act() is its work and result.
HRESULT answerAction(FakeHost& host, HostMethod method, const std::function<HRESULT()>& act);

// A string getter: read() gives the value, or nothing for kNotFound.
HRESULT answerString(FakeHost& host, HostMethod method, BSTR* out,
                     const std::function<std::optional<std::wstring>()>& read);

// An object getter: make() writes the new object into its argument and returns the result.
HRESULT answerObject(FakeHost& host, HostMethod method, IDispatch** out,
                     const std::function<HRESULT(IDispatch**)>& make);

// A 32-bit getter (VARIANT_BOOL included, through T): read() gives the value, or nothing for kNotFound.
template <class T>
HRESULT answerValue(FakeHost& host, HostMethod method, T* out, const std::function<std::optional<T>()>& read)
{
    const AllocationFailures::Pause hostAtWork;
    if (!out) return E_POINTER;
    const FakeHost::Outcome outcome = host.beginCall(method);
    if (outcome.fails()) return outcome.result;
    if (outcome.injected) return S_OK;
    const std::optional<T> value = read();
    if (!value) return kNotFound;
    *out = *value;
    return S_OK;
}

// A received participants array: one dimension of BSTR, walked from its lower to its upper bound.
// E_INVALIDARG for anything else. Null elements become empty strings.
HRESULT readParticipants(SAFEARRAY* array, std::vector<std::wstring>& names, long& lowerBound);

// An allocated copy of the text (embedded NULs kept).
BSTR allocString(const std::wstring& text);
std::wstring stringOf(BSTR text);

} // namespace fakehost
