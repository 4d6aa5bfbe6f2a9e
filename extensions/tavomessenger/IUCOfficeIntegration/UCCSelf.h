#pragma once

#include "extensionsutils/ComObject.h"
#include "extensionsutils/DispatchImpl.h"
#include "extensionsutils/MICComPtr.h"
#include "vorn/ReadWriteLock.h"

#include "TavoMessengerLib.h"

class UCCContactManager;

// The signed-in user as Office 2013/2016 sees it behind the client object: only the user's own contact,
// through the client's contact manager. Publishing, phones and permissions belong to the host client and
// are not supported. Made with ComObject<UCCSelf> by the client object, one per client.
// Threads: Office's calling threads read; the client's initialise (worker thread or the factory's caller)
// sets the contact manager. `lock` guards `contactManager`, which is never used while it is held.
class UCCSelf : public extensionsutils::ComObjectRoot,
                public extensionsutils::DispatchImpl<IUCCSelf, &IID_IUCCSelf, &LIBID_TavoMessengerLib>,
                public extensionsutils::DispatchImpl<IUCCSelf2, &IID_IUCCSelf2, &LIBID_TavoMessengerLib>
{
public:
    using Interfaces = extensionsutils::InterfaceTable<IUCCSelf, IUCCSelf2, extensionsutils::Via<IDispatch, IUCCSelf>>;

    // The contact manager that answers Contact (the client's own).
    void setContactManager(extensionsutils::MICComPtr<UCCContactManager> manager);

    // IUCCSelf
    HRESULT STDMETHODCALLTYPE PublishContactInformation(SAFEARRAY* types, SAFEARRAY* values, IUnknown* callback,
                                                        VARIANT state, IUCCAsynchronousOperation** operation) override;
    // The contact manager's self contact; E_FAIL while there is no contact manager to ask.
    HRESULT STDMETHODCALLTYPE get_Contact(IUCCContact** selfContact) override;
    HRESULT STDMETHODCALLTYPE CreatePhone(ContactEndpointType type, BSTR uri, VARIANT_BOOL toBePublished,
                                          IUCCPhone** phone) override;
    // Writes VARIANT_FALSE and answers E_NOTIMPL: the host client owns the user's phones.
    HRESULT STDMETHODCALLTYPE CanSetPhone(ContactEndpointType type, VARIANT_BOOL* canSet) override;
    HRESULT STDMETHODCALLTYPE get_Phones(SAFEARRAY** phones) override;
    HRESULT STDMETHODCALLTYPE SetPhones(SAFEARRAY* phones, IUnknown* callback, VARIANT state,
                                        IUCCAsynchronousOperation** operation) override;
    HRESULT STDMETHODCALLTYPE GetPublishableCustomAvailabilityStates(LONG localeId, SAFEARRAY** states) override;
    HRESULT STDMETHODCALLTYPE get_Permissions(SAFEARRAY** permissions) override;
    HRESULT STDMETHODCALLTYPE get_PhotoDisplayed(VARIANT_BOOL* displayed) override;
    HRESULT STDMETHODCALLTYPE get_TestCallEndpoint(IUCCContactEndpoint** endpoint) override;
    HRESULT STDMETHODCALLTYPE SetPhone(ContactEndpointType type, BSTR uri, VARIANT_BOOL toBePublished,
                                       IUnknown* callback, VARIANT state,
                                       IUCCAsynchronousOperation** operation) override;
    HRESULT STDMETHODCALLTYPE RemovePhone(ContactEndpointType type, IUnknown* callback, VARIANT state,
                                          IUCCAsynchronousOperation** operation) override;
    HRESULT STDMETHODCALLTYPE GetPhone(ContactEndpointType type, IUCCPhone** phone) override;
    // Always VARIANT_FALSE.
    HRESULT STDMETHODCALLTYPE get_IsInResiliencyMode(VARIANT_BOOL* resiliencyMode) override;
    HRESULT STDMETHODCALLTYPE GetSettingInternal(SettingItemTypeInternal item, VARIANT* setting) override;

    // IUCCSelf2
    HRESULT STDMETHODCALLTYPE GetAlertLevelForNotification(BSTR senderIdentity, NotificationTypes types,
                                                           NotificationUrgencyType urgency,
                                                           IUCCAlertLevel** alertLevel) override;

protected:
    UCCSelf();
    ~UCCSelf();

private:
    extensionsutils::MICComPtr<UCCContactManager> manager();

    vorn::ReadWriteLock lock;
    extensionsutils::MICComPtr<UCCContactManager> contactManager;
};
