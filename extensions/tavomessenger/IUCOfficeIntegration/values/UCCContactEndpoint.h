#pragma once

#include "IUCOfficeIntegration/Answer.h"
#include "IUCOfficeIntegration/DispatchObject.h"

#include "vorn/ReadWriteLock.h"

#include <string>

// One of a contact's telephone numbers as Office sees it: the bare number is both its display name and
// its address. Threads: any; `lock` guards `number` and `type`, set at construction and only read after.
class UCCContactEndpoint : public DispatchObject<IUCCContactEndpoint, &IID_IUCCContactEndpoint>
{
public:
    UCCContactEndpoint(std::wstring number, ContactEndpointType type);

    HRESULT STDMETHODCALLTYPE get_Type(ContactEndpointType* endpointType) override
    {
        return answerShared(lock, type, endpointType);
    }
    HRESULT STDMETHODCALLTYPE get_DisplayName(BSTR* displayName) override;
    HRESULT STDMETHODCALLTYPE get_Uri(BSTR* uri) override;
    HRESULT STDMETHODCALLTYPE CanStart(ModalityTypes modalities, VARIANT_BOOL* canStart) override;

private:
    HRESULT copyNumber(BSTR* target);

    vorn::ReadWriteLock lock;
    std::wstring number;
    ContactEndpointType type = ucContactEndpointTypeInvalid;
};
