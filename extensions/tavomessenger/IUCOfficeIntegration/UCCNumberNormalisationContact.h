#pragma once

#include "extensionsutils/Bstr.h"
#include "extensionsutils/ComObject.h"
#include "extensionsutils/DispatchImpl.h"
#include "vorn/ReadWriteLock.h"

#include "TavoMessengerLib.h"

// The contact that Office gets for an address that is a telephone number: the host has no contact for a
// bare number, so this one only gives the address back. No presence, no settings, no events (neither
// IUCCContact2 nor a connection-point container). Made with ComObject<UCCNumberNormalisationContact>, one
// per request.
// Threads: any; `lock` guards `uri`, written once by the contact manager before Office sees the object.
class UCCNumberNormalisationContact : public extensionsutils::ComObjectRoot,
                                      public extensionsutils::DispatchImpl<IUCCContact, &IID_IUCCContact,
                                                                           &LIBID_TavoMessengerLib>
{
public:
    using Interfaces = extensionsutils::InterfaceTable<IUCCContact, extensionsutils::Via<IDispatch, IUCCContact>>;

    UCCNumberNormalisationContact();
    ~UCCNumberNormalisationContact();

    // Keeps a copy of the address exactly as Office gave it. E_OUTOFMEMORY if it cannot be copied.
    HRESULT setUri(BSTR address);

    // IUCCContact
    HRESULT STDMETHODCALLTYPE get_Uri(BSTR* contactUri) override;
    HRESULT STDMETHODCALLTYPE GetContactInformation(ContactInformationType type, VARIANT* value) override;
    HRESULT STDMETHODCALLTYPE BatchGetContactInformation(SAFEARRAY* types,
                                                         IUCCContactInformationDictionary** information) override;
    HRESULT STDMETHODCALLTYPE get_Settings(IUCCContactSettingDictionary** settings) override;
    HRESULT STDMETHODCALLTYPE CanStart(ModalityTypes modalities, VARIANT_BOOL* canStart) override;
    HRESULT STDMETHODCALLTYPE ChangeSetting(ContactSetting setting, VARIANT value, IUnknown* callback, VARIANT state,
                                            IUCCAsynchronousOperation** operation) override;
    HRESULT STDMETHODCALLTYPE CanChangeSetting(ContactSetting setting, VARIANT_BOOL* canSet) override;
    HRESULT STDMETHODCALLTYPE get_ContactManager(IUCCContactManager** manager) override;
    HRESULT STDMETHODCALLTYPE get_CustomGroups(IUCCGroupCollection** groups) override;
    HRESULT STDMETHODCALLTYPE MoveToGroup(IUCCGroup* target, IUCCGroup* source, IUnknown* callback, VARIANT state,
                                          IUCCAsynchronousOperation** operation) override;
    HRESULT STDMETHODCALLTYPE CanMoveToGroup(IUCCGroup* target, IUCCGroup* source, VARIANT_BOOL* canMove) override;
    HRESULT STDMETHODCALLTYPE CreateContactEndpoint(BSTR telephoneUri, IUCCContactEndpoint** endpoint) override;
    HRESULT STDMETHODCALLTYPE get_UnifiedCommunicationType(UnifiedCommunicationType* type) override;
    HRESULT STDMETHODCALLTYPE GetOrganizationInformation(OrganizationStructureTypes types, IUnknown* callback,
                                                         VARIANT state, IUCCAsynchronousOperation** operation) override;
    HRESULT STDMETHODCALLTYPE GetMultipleContactInformation(SAFEARRAY* types,
                                                            IUCCContactInformationDictionary** information) override;

private:
    vorn::ReadWriteLock lock;
    extensionsutils::Bstr uri;
};
