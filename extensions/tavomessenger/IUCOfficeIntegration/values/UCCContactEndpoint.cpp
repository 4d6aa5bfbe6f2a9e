#include "IUCOfficeIntegration/values/UCCContactEndpoint.h"

#include "extensionsutils/Bstr.h"

#include <utility>

UCCContactEndpoint::UCCContactEndpoint(std::wstring number, ContactEndpointType type)
    : number(std::move(number))
    , type(type)
{
}

void UCCContactEndpoint::setNumber(const std::wstring& newNumber)
{
    vorn::ExclusiveGuard guard(lock);
    number = newNumber;
}

void UCCContactEndpoint::setType(ContactEndpointType newType)
{
    vorn::ExclusiveGuard guard(lock);
    type = newType;
}

HRESULT UCCContactEndpoint::get_Type(ContactEndpointType* endpointType)
{
    if (!endpointType) return E_POINTER;
    vorn::SharedGuard guard(lock);
    *endpointType = type;
    return S_OK;
}

HRESULT UCCContactEndpoint::get_DisplayName(BSTR* displayName)
{
    return copyNumber(displayName);
}

// The bare number, with no "tel:" scheme: Office dials what it reads here.
HRESULT UCCContactEndpoint::get_Uri(BSTR* uri)
{
    return copyNumber(uri);
}

HRESULT UCCContactEndpoint::CanStart(ModalityTypes, VARIANT_BOOL* canStart)
{
    if (canStart) *canStart = VARIANT_FALSE;
    return E_NOTIMPL;
}

HRESULT UCCContactEndpoint::copyNumber(BSTR* target)
{
    if (!target) return E_POINTER;
    *target = nullptr;
    vorn::SharedGuard guard(lock);
    return extensionsutils::Bstr(number).copyTo(target);
}
