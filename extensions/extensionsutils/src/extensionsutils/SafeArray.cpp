#include "extensionsutils/SafeArray.h"

#include <climits>
#include <initializer_list>
#include <new>
#include <utility>

namespace extensionsutils {

namespace {

// Creates a zero-based vector of `count` elements and lets `fill` set each one in place; an element that
// cannot be filled discards the whole array (destroying it frees what was already stored).
template <class Element, class Fill>
SafeArray buildVector(VARTYPE type, std::size_t count, Fill fill)
{
    if (count > ULONG_MAX) return SafeArray();
    SafeArray result(SafeArrayCreateVector(type, 0, static_cast<ULONG>(count)));
    if (!result) return SafeArray();
    Element* data = nullptr;
    if (FAILED(SafeArrayAccessData(result.get(), reinterpret_cast<void**>(&data)))) return SafeArray();
    bool filled = true;
    for (std::size_t i = 0; i < count && filled; ++i) filled = fill(data[i], i);
    SafeArrayUnaccessData(result.get());
    if (!filled) return SafeArray();
    return result;
}

HRESULT checkedBounds(SAFEARRAY* array, std::initializer_list<VARTYPE> acceptedTypes, LONG& lower, LONG& upper)
{
    if (!array) return E_POINTER;
    if (SafeArrayGetDim(array) != 1) return E_INVALIDARG;
    VARTYPE elementType = VT_EMPTY;
    if (FAILED(SafeArrayGetVartype(array, &elementType))) return E_INVALIDARG;
    bool accepted = false;
    for (VARTYPE type : acceptedTypes) accepted = accepted || type == elementType;
    if (!accepted) return E_INVALIDARG;
    LONG low = 0;
    LONG high = 0;
    if (FAILED(SafeArrayGetLBound(array, 1, &low)) || FAILED(SafeArrayGetUBound(array, 1, &high))) return E_INVALIDARG;
    lower = low;
    upper = high;
    return S_OK;
}

// Walks lower..upper (inclusive, 64-bit so that an upper bound of LONG_MAX ends) and lets `read`
// fetch each element; the result is handed over only when every element was read.
template <class Value, class Read>
HRESULT readVector(SAFEARRAY* array, std::initializer_list<VARTYPE> acceptedTypes, std::vector<Value>& values, Read read)
{
    LONG lower = 0;
    LONG upper = 0;
    HRESULT hr = checkedBounds(array, acceptedTypes, lower, upper);
    if (FAILED(hr)) return hr;
    std::vector<Value> result;
    try {
        for (LONGLONG i = lower; i <= upper; ++i) {
            LONG index = static_cast<LONG>(i);
            Value value;
            hr = read(index, value);
            if (FAILED(hr)) return hr;
            result.push_back(std::move(value));
        }
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
    values = std::move(result);
    return S_OK;
}

} // namespace

SafeArray::SafeArray(SafeArray&& other) noexcept : array_(other.array_)
{
    other.array_ = nullptr;
}

SafeArray& SafeArray::operator=(SafeArray&& other) noexcept
{
    if (this != &other) attach(other.detach());
    return *this;
}

SafeArray::~SafeArray()
{
    reset();
}

SafeArray SafeArray::ofStrings(const std::vector<std::wstring>& values)
{
    return buildVector<BSTR>(VT_BSTR, values.size(), [&](BSTR& element, std::size_t i) {
        element = SysAllocStringLen(values[i].data(), static_cast<UINT>(values[i].size()));
        return element != nullptr;
    });
}

SafeArray SafeArray::ofVariants(const std::vector<Variant>& values)
{
    return buildVector<VARIANT>(VT_VARIANT, values.size(), [&](VARIANT& element, std::size_t i) {
        return SUCCEEDED(VariantCopy(&element, const_cast<VARIANT*>(values[i].get())));
    });
}

SafeArray SafeArray::ofInt32s(const std::vector<LONG>& values)
{
    return buildVector<LONG>(VT_I4, values.size(), [&](LONG& element, std::size_t i) {
        element = values[i];
        return true;
    });
}

SafeArray SafeArray::ofDispatchPointers(const std::vector<IDispatch*>& values)
{
    return buildVector<IDispatch*>(VT_DISPATCH, values.size(), [&](IDispatch*& element, std::size_t i) {
        element = values[i];
        if (element) element->AddRef();
        return true;
    });
}

SAFEARRAY** SafeArray::out()
{
    reset();
    return &array_;
}

SAFEARRAY* SafeArray::detach()
{
    SAFEARRAY* array = array_;
    array_ = nullptr;
    return array;
}

void SafeArray::attach(SAFEARRAY* owned)
{
    if (owned == array_) return;
    reset();
    array_ = owned;
}

void SafeArray::reset()
{
    if (array_) SafeArrayDestroy(array_);
    array_ = nullptr;
}

HRESULT vectorBounds(SAFEARRAY* array, VARTYPE expectedType, LONG& lower, LONG& upper)
{
    return checkedBounds(array, {expectedType}, lower, upper);
}

HRESULT readStrings(SAFEARRAY* array, std::vector<std::wstring>& values)
{
    return readVector(array, {VT_BSTR}, values, [array](LONG index, std::wstring& value) {
        BSTR element = nullptr;
        HRESULT hr = SafeArrayGetElement(array, &index, &element);
        if (FAILED(hr)) return hr;
        value.assign(element ? element : L"", SysStringLen(element));
        SysFreeString(element);
        return S_OK;
    });
}

HRESULT readInt32s(SAFEARRAY* array, std::vector<LONG>& values)
{
    return readVector(array, {VT_I4, VT_INT}, values, [array](LONG index, LONG& value) {
        return SafeArrayGetElement(array, &index, &value);
    });
}

HRESULT readVariants(SAFEARRAY* array, std::vector<Variant>& values)
{
    return readVector(array, {VT_VARIANT}, values, [array](LONG index, Variant& value) {
        return SafeArrayGetElement(array, &index, value.out());
    });
}

HRESULT readDispatches(SAFEARRAY* array, std::vector<ComPtr<IDispatch>>& values)
{
    return readVector(array, {VT_DISPATCH}, values, [array](LONG index, ComPtr<IDispatch>& value) {
        return SafeArrayGetElement(array, &index, value.out());
    });
}

} // namespace extensionsutils
