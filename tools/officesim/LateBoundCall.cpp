#include "officesim/LateBoundCall.h"

#include "officesim/Names.h"

#include "common/LateBoundCall.h"

#include "extensionsutils/SafeArray.h"

namespace officesim {

using extensionsutils::ComPtr;
using extensionsutils::Variant;

namespace {

std::wstring typeProblem(const Variant& value, const wchar_t* declared)
{
    return L"answered " + variantTypeName(value.type()) + L" where the member declares " + declared;
}

template <class T>
Answer<T> failedOrShape(const LateBoundResult& result, std::wstring problem)
{
    Answer<T> answer;
    answer.hr = result.hr;
    if (SUCCEEDED(result.hr)) answer.shapeProblem = std::move(problem);
    return answer;
}

} // namespace

LateBoundResult callByName(IUnknown* object, REFIID iid, const wchar_t* name, WORD flags,
                           const std::vector<Variant>& arguments)
{
    LateBoundResult result;
    if (!object) {
        result.hr = E_POINTER;
        return result;
    }
    // A dual interface starts with IDispatch's members, so its pointer is the IDispatch to call.
    ComPtr<IDispatch> dispatch;
    result.hr = object->QueryInterface(iid, reinterpret_cast<void**>(dispatch.out()));
    if (FAILED(result.hr)) return result;
    tools::LateBoundResult call = tools::callByName(dispatch.get(), name, flags, arguments);
    result.hr = call.member;
    result.value = std::move(call.value);
    return result;
}

Answer<Nothing> nothingFrom(const LateBoundResult& result)
{
    return answerOf(result.hr, Nothing());
}

Answer<std::wstring> stringFrom(const LateBoundResult& result)
{
    if (FAILED(result.hr) || result.value.type() != VT_BSTR)
        return failedOrShape<std::wstring>(result, typeProblem(result.value, L"a BSTR"));
    const BSTR text = V_BSTR(result.value.get());
    return answerOf(result.hr, std::wstring(text ? text : L"", SysStringLen(text)));
}

Answer<long> longFrom(const LateBoundResult& result)
{
    const VARTYPE type = result.value.type();
    if (FAILED(result.hr) || (type != VT_I4 && type != VT_INT))
        return failedOrShape<long>(result, typeProblem(result.value, L"a 32-bit number"));
    return answerOf(result.hr, static_cast<long>(V_I4(result.value.get())));
}

Answer<bool> boolFrom(const LateBoundResult& result)
{
    if (FAILED(result.hr) || result.value.type() != VT_BOOL)
        return failedOrShape<bool>(result, typeProblem(result.value, L"a VARIANT_BOOL"));
    Answer<bool> answer = answerOf(result.hr, V_BOOL(result.value.get()) != VARIANT_FALSE);
    answer.shapeProblem = variantBoolProblem(V_BOOL(result.value.get()));
    return answer;
}

Answer<Object> objectFrom(const LateBoundResult& result)
{
    const VARTYPE type = result.value.type();
    if (FAILED(result.hr)) return answerOf(result.hr, Object());
    if (type == VT_EMPTY) return answerOf(result.hr, Object());
    if (type == VT_DISPATCH) return answerOf(result.hr, Object(V_DISPATCH(result.value.get())));
    if (type == VT_UNKNOWN) {
        Object object;
        IUnknown* unknown = V_UNKNOWN(result.value.get());
        if (unknown) unknown->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(object.out()));
        Answer<Object> answer = answerOf(result.hr, object);
        if (unknown && !object) answer.shapeProblem = L"answered an object without IDispatch";
        return answer;
    }
    return failedOrShape<Object>(result, typeProblem(result.value, L"an object"));
}

Answer<Variant> variantFrom(const LateBoundResult& result)
{
    return answerOf(result.hr, result.value);
}

Answer<std::vector<long>> longsFrom(const LateBoundResult& result)
{
    const VARTYPE type = result.value.type();
    if (FAILED(result.hr) || !(type & VT_ARRAY) || (type & VT_BYREF))
        return failedOrShape<std::vector<long>>(result, typeProblem(result.value, L"an array of numbers"));
    std::vector<LONG> values;
    const HRESULT read = extensionsutils::readInt32s(V_ARRAY(result.value.get()), values);
    if (FAILED(read)) {
        return failedOrShape<std::vector<long>>(result, L"answered an array that is not one dimension of "
                                                        L"32-bit numbers: " + hresultText(read));
    }
    return answerOf(result.hr, std::vector<long>(values.begin(), values.end()));
}

std::vector<Object> objectsIn(const Variant& array, std::wstring& problem)
{
    problem.clear();
    const VARTYPE type = array.type();
    if (type != (VT_ARRAY | VT_DISPATCH) && type != (VT_ARRAY | VT_UNKNOWN)) {
        problem = L"is " + variantTypeName(type) + L", not an array of objects";
        return {};
    }
    SAFEARRAY* elements = V_ARRAY(array.get());
    LONG lower = 0;
    LONG upper = -1;
    if (!elements || SafeArrayGetDim(elements) != 1 || elements->cbElements != sizeof(IUnknown*) ||
        FAILED(SafeArrayGetLBound(elements, 1, &lower)) || FAILED(SafeArrayGetUBound(elements, 1, &upper))) {
        problem = L"is not a one-dimensional array of object pointers";
        return {};
    }
    IUnknown** data = nullptr;
    if (FAILED(SafeArrayAccessData(elements, reinterpret_cast<void**>(&data)))) {
        problem = L"cannot be read";
        return {};
    }
    std::vector<Object> objects;
    for (LONGLONG i = 0; i <= static_cast<LONGLONG>(upper) - lower; ++i) {
        Object object;
        if (data[i]) data[i]->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(object.out()));
        objects.push_back(object);
    }
    SafeArrayUnaccessData(elements);
    return objects;
}

std::wstring variantBoolProblem(VARIANT_BOOL value)
{
    if (value == VARIANT_TRUE || value == VARIANT_FALSE) return std::wstring();
    return L"answered the VARIANT_BOOL " + std::to_wstring(value) + L", neither VARIANT_TRUE nor VARIANT_FALSE";
}

} // namespace officesim
