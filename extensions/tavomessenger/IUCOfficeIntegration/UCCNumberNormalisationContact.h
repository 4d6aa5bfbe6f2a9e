#pragma once

#include "extensionsutils/Bstr.h"
#include "IUCOfficeIntegration/DispatchObject.h"

#include "vorn/ReadWriteLock.h"

// The contact that Office gets for an address that is a telephone number: the host has no contact for a
// bare number, so this one only gives the address back. No presence, no settings, no events (neither
// IUCCContact2 nor a connection-point container). Made with ComObject<UCCNumberNormalisationContact>, one
// per request.
// Threads: any; `lock` guards `uri`, written once by the contact manager before Office sees the object.
class UCCNumberNormalisationContact : public DispatchObject<IUCCContact, &IID_IUCCContact>
{
public:
    UCCNumberNormalisationContact();
    ~UCCNumberNormalisationContact();

    // Keeps a copy of the address exactly as Office gave it. E_OUTOFMEMORY if it cannot be copied.
    HRESULT setUri(BSTR address);

    // IUCCContact
    HRESULT STDMETHODCALLTYPE get_Uri(BSTR* contactUri) override;
    // Nothing but the address is known about a number: every other member is unsupported.
    HRESULT STDMETHODCALLTYPE GetContactInformation(ContactInformationType, VARIANT*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE BatchGetContactInformation(SAFEARRAY*, IUCCContactInformationDictionary**) override
    {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE get_Settings(IUCCContactSettingDictionary**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE CanStart(ModalityTypes, VARIANT_BOOL*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE ChangeSetting(ContactSetting, VARIANT, IUnknown*, VARIANT,
                                            IUCCAsynchronousOperation**) override
    {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE CanChangeSetting(ContactSetting, VARIANT_BOOL*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_ContactManager(IUCCContactManager**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_CustomGroups(IUCCGroupCollection**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE MoveToGroup(IUCCGroup*, IUCCGroup*, IUnknown*, VARIANT,
                                          IUCCAsynchronousOperation**) override
    {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE CanMoveToGroup(IUCCGroup*, IUCCGroup*, VARIANT_BOOL*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE CreateContactEndpoint(BSTR, IUCCContactEndpoint**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_UnifiedCommunicationType(UnifiedCommunicationType*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetOrganizationInformation(OrganizationStructureTypes, IUnknown*, VARIANT,
                                                         IUCCAsynchronousOperation**) override
    {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE GetMultipleContactInformation(SAFEARRAY*, IUCCContactInformationDictionary**) override
    {
        return E_NOTIMPL;
    }

private:
    vorn::ReadWriteLock lock;
    extensionsutils::Bstr uri;
};
