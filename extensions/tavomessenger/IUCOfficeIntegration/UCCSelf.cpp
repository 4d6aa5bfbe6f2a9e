#include "IUCOfficeIntegration/UCCSelf.h"

#include "IUCOfficeIntegration/UCCContactManager.h"
#include "logging/Logging.h"

using extensionsutils::MICComPtr;

UCCSelf::UCCSelf() = default;

UCCSelf::~UCCSelf() = default;

void UCCSelf::setContactManager(MICComPtr<UCCContactManager> manager)
{
    vorn::ExclusiveGuard guard(lock);
    contactManager.swap(manager);
}

MICComPtr<UCCContactManager> UCCSelf::manager()
{
    vorn::SharedGuard guard(lock);
    return contactManager;
}

HRESULT UCCSelf::get_Contact(IUCCContact** selfContact)
{
    if (!selfContact) return E_POINTER;
    // Asked without the lock held: the contact manager calls the host.
    const MICComPtr<UCCContactManager> contactManager = manager();
    if (!contactManager) {
        TAVO_LOG(4, "No contact manager to ask for the self contact");
        return E_FAIL;
    }
    return contactManager->GetSelfContact(selfContact);
}

HRESULT UCCSelf::CanSetPhone(ContactEndpointType, VARIANT_BOOL* canSet)
{
    if (!canSet) return E_POINTER;
    *canSet = VARIANT_FALSE;
    return E_NOTIMPL;
}

HRESULT UCCSelf::get_IsInResiliencyMode(VARIANT_BOOL* resiliencyMode)
{
    if (!resiliencyMode) return E_POINTER;
    *resiliencyMode = VARIANT_FALSE;
    return S_OK;
}

// The user's publications, phones, permissions and settings belong to the host client.

HRESULT UCCSelf::PublishContactInformation(SAFEARRAY*, SAFEARRAY*, IUnknown*, VARIANT, IUCCAsynchronousOperation**)
{
    return E_NOTIMPL;
}

HRESULT UCCSelf::CreatePhone(ContactEndpointType, BSTR, VARIANT_BOOL, IUCCPhone**)
{
    return E_NOTIMPL;
}

HRESULT UCCSelf::get_Phones(SAFEARRAY**)
{
    return E_NOTIMPL;
}

HRESULT UCCSelf::SetPhones(SAFEARRAY*, IUnknown*, VARIANT, IUCCAsynchronousOperation**)
{
    return E_NOTIMPL;
}

HRESULT UCCSelf::GetPublishableCustomAvailabilityStates(LONG, SAFEARRAY**)
{
    return E_NOTIMPL;
}

HRESULT UCCSelf::get_Permissions(SAFEARRAY**)
{
    return E_NOTIMPL;
}

HRESULT UCCSelf::get_PhotoDisplayed(VARIANT_BOOL*)
{
    return E_NOTIMPL;
}

HRESULT UCCSelf::get_TestCallEndpoint(IUCCContactEndpoint**)
{
    return E_NOTIMPL;
}

HRESULT UCCSelf::SetPhone(ContactEndpointType, BSTR, VARIANT_BOOL, IUnknown*, VARIANT, IUCCAsynchronousOperation**)
{
    return E_NOTIMPL;
}

HRESULT UCCSelf::RemovePhone(ContactEndpointType, IUnknown*, VARIANT, IUCCAsynchronousOperation**)
{
    return E_NOTIMPL;
}

HRESULT UCCSelf::GetPhone(ContactEndpointType, IUCCPhone**)
{
    return E_NOTIMPL;
}

HRESULT UCCSelf::GetSettingInternal(SettingItemTypeInternal, VARIANT*)
{
    return E_NOTIMPL;
}

HRESULT UCCSelf::GetAlertLevelForNotification(BSTR, NotificationTypes, NotificationUrgencyType, IUCCAlertLevel**)
{
    return E_NOTIMPL;
}
