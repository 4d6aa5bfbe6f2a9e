#include "IUCOfficeIntegration/UCCContactSubscription.h"

// Neither the refresh rate nor the types are read: the array may be anything, null included.
HRESULT UCCContactSubscription::Subscribe(ContactSubscriptionRefreshRate, SAFEARRAY*)
{
    return S_OK;
}

HRESULT UCCContactSubscription::Unsubscribe()
{
    return S_OK;
}

HRESULT UCCContactSubscription::AddContact(IUCCContact*)
{
    return S_OK;
}

HRESULT UCCContactSubscription::RemoveContact(IUCCContact*)
{
    return S_OK;
}

HRESULT UCCContactSubscription::get_LastSubscribedRefreshRate(ContactSubscriptionRefreshRate* freshness)
{
    if (freshness) *freshness = ucSubscriptionRefreshRateLow;
    return E_NOTIMPL;
}

HRESULT UCCContactSubscription::get_LastSubscribedContactInformation(SAFEARRAY** types)
{
    if (types) *types = nullptr;
    return E_NOTIMPL;
}

HRESULT UCCContactSubscription::get_Contacts(SAFEARRAY** contacts)
{
    if (contacts) *contacts = nullptr;
    return E_NOTIMPL;
}

HRESULT UCCContactSubscription::AddContactByUri(BSTR)
{
    return E_NOTIMPL;
}

HRESULT UCCContactSubscription::AddContacts(SAFEARRAY*)
{
    return E_NOTIMPL;
}
