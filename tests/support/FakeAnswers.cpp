#include "support/FakeAnswers.h"

#include "support/AllocationFailures.h"

namespace fakehost {

// Every answer pauses out-of-memory injection: only the module's own allocations may fail.

HRESULT answerAction(FakeHost& host, HostMethod method, const std::function<HRESULT()>& act)
{
    const AllocationFailures::Pause hostAtWork;
    const FakeHost::Outcome outcome = host.beginCall(method);
    if (outcome.fails()) return outcome.result;
    if (outcome.injected) return S_OK;
    return act();
}

HRESULT answerString(FakeHost& host, HostMethod method, BSTR* out,
                     const std::function<std::optional<std::wstring>()>& read)
{
    const AllocationFailures::Pause hostAtWork;
    if (!out) return E_POINTER;
    *out = nullptr;
    const FakeHost::Outcome outcome = host.beginCall(method);
    if (outcome.fails()) return outcome.result;
    if (outcome.injected) return S_OK;
    const std::optional<std::wstring> value = read();
    if (!value) return kNotFound;
    *out = allocString(*value);
    return *out ? S_OK : E_OUTOFMEMORY;
}

HRESULT answerObject(FakeHost& host, HostMethod method, IDispatch** out,
                     const std::function<HRESULT(IDispatch**)>& make)
{
    const AllocationFailures::Pause hostAtWork;
    if (!out) return E_POINTER;
    *out = nullptr;
    const FakeHost::Outcome outcome = host.beginCall(method);
    if (outcome.fails()) return outcome.result;
    if (outcome.empty()) return S_OK;
    if (outcome.wrongObject()) {
        *out = host.makeWrongObject().detach();
        return S_OK;
    }
    return make(out);
}

HRESULT readParticipants(SAFEARRAY* array, std::vector<std::wstring>& names, long& lowerBound)
{
    if (!array || SafeArrayGetDim(array) != 1) return E_INVALIDARG;
    VARTYPE type = VT_EMPTY;
    if (FAILED(SafeArrayGetVartype(array, &type)) || type != VT_BSTR) return E_INVALIDARG;
    LONG lower = 0;
    LONG upper = -1;
    if (FAILED(SafeArrayGetLBound(array, 1, &lower)) || FAILED(SafeArrayGetUBound(array, 1, &upper))) return E_INVALIDARG;
    std::vector<std::wstring> result;
    for (LONGLONG i = lower; i <= upper; ++i) {
        LONG index = static_cast<LONG>(i);
        BSTR element = nullptr;
        if (FAILED(SafeArrayGetElement(array, &index, &element))) return E_INVALIDARG;
        result.push_back(stringOf(element));
        SysFreeString(element);
    }
    names = std::move(result);
    lowerBound = lower;
    return S_OK;
}

BSTR allocString(const std::wstring& text)
{
    return SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
}

std::wstring stringOf(BSTR text)
{
    return text ? std::wstring(text, SysStringLen(text)) : std::wstring();
}

} // namespace fakehost
