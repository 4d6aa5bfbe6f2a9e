#pragma once

#include "IUCOfficeIntegration/Answer.h"

#include "extensionsutils/ComObject.h"
#include "extensionsutils/DispatchImpl.h"
#include "extensionsutils/MICComPtr.h"
#include "vorn/ReadWriteLock.h"

#include "TavoMessengerLib.h"

class UCCContactManager;

// The signed-in user as Office 2013/2016 sees it behind the client object: only the user's own contact,
// through the client's contact manager. Publishing, phones, permissions and settings belong to the host
// client and answer E_NOTIMPL. Made with ComObject<UCCSelf> by the client object, one per client.
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
    // The contact manager's self contact; E_FAIL while there is no contact manager to ask.
    HRESULT STDMETHODCALLTYPE get_Contact(IUCCContact** selfContact) override;
    // Writes VARIANT_FALSE and answers E_NOTIMPL: the host client owns the user's phones.
    HRESULT STDMETHODCALLTYPE CanSetPhone(ContactEndpointType type, VARIANT_BOOL* canSet) override;
    HRESULT STDMETHODCALLTYPE get_IsInResiliencyMode(VARIANT_BOOL* inResiliency) override { return answer(inResiliency, VARIANT_FALSE); }
    HRESULT STDMETHODCALLTYPE PublishContactInformation(SAFEARRAY*, SAFEARRAY*, IUnknown*, VARIANT,
                                                        IUCCAsynchronousOperation**) override
    {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE CreatePhone(ContactEndpointType, BSTR, VARIANT_BOOL, IUCCPhone**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_Phones(SAFEARRAY**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetPhones(SAFEARRAY*, IUnknown*, VARIANT, IUCCAsynchronousOperation**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetPublishableCustomAvailabilityStates(LONG, SAFEARRAY**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_Permissions(SAFEARRAY**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_PhotoDisplayed(VARIANT_BOOL*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_TestCallEndpoint(IUCCContactEndpoint**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetPhone(ContactEndpointType, BSTR, VARIANT_BOOL, IUnknown*, VARIANT,
                                       IUCCAsynchronousOperation**) override
    {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE RemovePhone(ContactEndpointType, IUnknown*, VARIANT, IUCCAsynchronousOperation**) override
    {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE GetPhone(ContactEndpointType, IUCCPhone**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetSettingInternal(SettingItemTypeInternal, VARIANT*) override { return E_NOTIMPL; }

    // IUCCSelf2
    HRESULT STDMETHODCALLTYPE GetAlertLevelForNotification(BSTR, NotificationTypes, NotificationUrgencyType,
                                                           IUCCAlertLevel**) override
    {
        return E_NOTIMPL;
    }

protected:
    UCCSelf() = default;
    ~UCCSelf() = default;

private:
    extensionsutils::MICComPtr<UCCContactManager> manager();

    vorn::ReadWriteLock lock;
    extensionsutils::MICComPtr<UCCContactManager> contactManager;
};
