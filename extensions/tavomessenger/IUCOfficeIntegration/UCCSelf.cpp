#include "IUCOfficeIntegration/UCCSelf.h"

#include "IUCOfficeIntegration/UCCContactManager.h"
#include "logging/Results.h"

using extensionsutils::MICComPtr;

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
    if (!contactManager) return TAVO_FAIL(4, "No contact manager to ask for the self contact", E_FAIL);
    return contactManager->GetSelfContact(selfContact);
}

HRESULT UCCSelf::CanSetPhone(ContactEndpointType, VARIANT_BOOL* canSet)
{
    if (!canSet) return E_POINTER;
    *canSet = VARIANT_FALSE;
    return E_NOTIMPL;
}
