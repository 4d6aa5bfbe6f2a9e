#pragma once

#include "extensionsutils/ComObject.h"
#include "extensionsutils/DispatchImpl.h"
#include "vorn/ReadWriteLock.h"

#include "TavoMessengerLib.h"

#include <string>

// One of a contact's telephone numbers as Office sees it: the bare number is both its display name and
// its address. Threads: any; `lock` guards `number` and `type`, shared for Office's reads, exclusive for
// the setters.
class UCCContactEndpoint
    : public extensionsutils::ComObjectRoot,
      public extensionsutils::DispatchImpl<IUCCContactEndpoint, &IID_IUCCContactEndpoint, &LIBID_TavoMessengerLib> {
public:
    using Interfaces =
        extensionsutils::InterfaceTable<IUCCContactEndpoint, extensionsutils::Via<IDispatch, IUCCContactEndpoint>>;

    UCCContactEndpoint() = default;
    UCCContactEndpoint(std::wstring number, ContactEndpointType type);

    void setNumber(const std::wstring& newNumber);
    void setType(ContactEndpointType newType);

    HRESULT STDMETHODCALLTYPE get_Type(ContactEndpointType* endpointType) override;
    HRESULT STDMETHODCALLTYPE get_DisplayName(BSTR* displayName) override;
    HRESULT STDMETHODCALLTYPE get_Uri(BSTR* uri) override;
    HRESULT STDMETHODCALLTYPE CanStart(ModalityTypes modalities, VARIANT_BOOL* canStart) override;

private:
    HRESULT copyNumber(BSTR* target);

    vorn::ReadWriteLock lock;
    std::wstring number;
    ContactEndpointType type = ucContactEndpointTypeInvalid;
};
