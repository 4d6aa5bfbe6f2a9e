#pragma once

#include "IUCOfficeIntegration/Answer.h"
#include "IUCOfficeIntegration/DispatchObject.h"

#include <string>
#include <utility>

// One of a contact's telephone numbers as Office sees it: the bare number is both its display name and
// its address (no "tel:" scheme: Office dials what it reads there). Threads: any; the number and type are
// set at construction and never change, so there is no lock.
class UCCContactEndpoint : public DispatchObject<IUCCContactEndpoint, &IID_IUCCContactEndpoint>
{
public:
    UCCContactEndpoint(std::wstring number, ContactEndpointType type) : number(std::move(number)), type(type) {}

    HRESULT STDMETHODCALLTYPE get_Type(ContactEndpointType* endpointType) override { return answer(endpointType, type); }
    HRESULT STDMETHODCALLTYPE get_DisplayName(BSTR* displayName) override { return answerString(number, displayName); }
    HRESULT STDMETHODCALLTYPE get_Uri(BSTR* uri) override { return answerString(number, uri); }
    HRESULT STDMETHODCALLTYPE CanStart(ModalityTypes, VARIANT_BOOL* canStart) override
    {
        if (canStart) *canStart = VARIANT_FALSE;
        return E_NOTIMPL;
    }

private:
    const std::wstring number;
    const ContactEndpointType type;
};
