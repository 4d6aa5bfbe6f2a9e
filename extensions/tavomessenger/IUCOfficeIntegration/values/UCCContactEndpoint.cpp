#include "IUCOfficeIntegration/values/UCCContactEndpoint.h"

#include <utility>

UCCContactEndpoint::UCCContactEndpoint(std::wstring number, ContactEndpointType type)
    : number(std::move(number))
    , type(type)
{
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
    vorn::SharedGuard guard(lock);
    return answerString(number, target);
}
