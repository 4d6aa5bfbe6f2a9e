#include "extensionsutils/Variant.h"

#include "extensionsutils/Bstr.h"

#include <cstring>
#include <utility>

namespace extensionsutils {

Variant::Variant()
{
    VariantInit(&value_);
}

Variant::Variant(const VARIANT& value)
{
    VariantInit(&value_);
    VariantCopy(&value_, const_cast<VARIANT*>(&value)); // the SDK header lacks const
}

Variant::Variant(const Variant& other) : Variant(other.value_) {}

Variant::Variant(Variant&& other) noexcept
{
    value_ = other.value_;
    VariantInit(&other.value_);
}

Variant::~Variant()
{
    VariantClear(&value_);
}

Variant& Variant::operator=(const Variant& other)
{
    Variant(other).swap(*this);
    return *this;
}

Variant& Variant::operator=(Variant&& other) noexcept
{
    Variant(std::move(other)).swap(*this);
    return *this;
}

Variant Variant::fromString(const wchar_t* text)
{
    Variant result;
    result.value_.vt = VT_BSTR;
    result.value_.bstrVal = SysAllocString(text ? text : L"");
    if (!result.value_.bstrVal) result.value_.vt = VT_EMPTY;
    return result;
}

Variant Variant::fromString(const std::wstring& text)
{
    return fromBstr(Bstr(text));
}

Variant Variant::fromBstr(Bstr&& value)
{
    Variant result;
    result.value_.vt = VT_BSTR;
    result.value_.bstrVal = value.detach();
    return result;
}

Variant Variant::fromInt32(LONG value)
{
    Variant result;
    result.value_.vt = VT_I4;
    result.value_.lVal = value;
    return result;
}

Variant Variant::fromBool(bool value)
{
    Variant result;
    result.value_.vt = VT_BOOL;
    result.value_.boolVal = value ? VARIANT_TRUE : VARIANT_FALSE;
    return result;
}

Variant Variant::fromDispatch(IDispatch* value)
{
    Variant result;
    result.value_.vt = VT_DISPATCH;
    result.value_.pdispVal = value;
    if (value) value->AddRef();
    return result;
}

Variant Variant::fromUnknown(IUnknown* value)
{
    Variant result;
    result.value_.vt = VT_UNKNOWN;
    result.value_.punkVal = value;
    if (value) value->AddRef();
    return result;
}

Variant Variant::fromSafeArray(SAFEARRAY* owned)
{
    Variant result;
    if (!owned) return result;
    VARTYPE elementType = VT_EMPTY;
    if (FAILED(SafeArrayGetVartype(owned, &elementType)) || elementType == VT_EMPTY) {
        SafeArrayDestroy(owned);
        return result;
    }
    result.value_.vt = static_cast<VARTYPE>(VT_ARRAY | elementType);
    result.value_.parray = owned;
    return result;
}

VARIANT* Variant::out()
{
    reset();
    return &value_;
}

HRESULT Variant::detach(VARIANT* target)
{
    if (!target) return E_POINTER;
    std::memcpy(target, &value_, sizeof(VARIANT));
    VariantInit(&value_);
    return S_OK;
}

HRESULT Variant::copyTo(VARIANT* target) const
{
    if (!target) return E_POINTER;
    VariantInit(target);
    return VariantCopy(target, const_cast<VARIANT*>(&value_));
}

void Variant::reset()
{
    VariantClear(&value_);
}

void Variant::swap(Variant& other) noexcept
{
    VARIANT held = value_;
    value_ = other.value_;
    other.value_ = held;
}

HRESULT copyByValue(const VARIANT& argument, Variant& copy)
{
    if ((argument.vt & VT_BYREF) && !argument.byref) return E_INVALIDARG;
    Variant value;
    const HRESULT hr = VariantCopyInd(value.get(), const_cast<VARIANT*>(&argument));
    if (FAILED(hr)) return hr;
    copy.swap(value);
    return S_OK;
}

} // namespace extensionsutils
