#pragma once

#include "IUCOfficeIntegration/DispatchObject.h"

// The subscription that the contact manager hands Office. It accepts every request and keeps nothing:
// each contact reports its own changes once Office holds it, so there is nothing to subscribe to (neither
// the refresh rate nor the types are read: the array may be anything, null included). What it would have
// to remember answers E_NOTIMPL. No state and no lock; any thread.
class UCCContactSubscription : public DispatchObject<IUCCContactSubscription, &IID_IUCCContactSubscription>
{
public:
    HRESULT STDMETHODCALLTYPE Subscribe(ContactSubscriptionRefreshRate, SAFEARRAY*) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE Unsubscribe() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE AddContact(IUCCContact*) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE RemoveContact(IUCCContact*) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE get_LastSubscribedRefreshRate(ContactSubscriptionRefreshRate* freshness) override
    {
        if (freshness) *freshness = ucSubscriptionRefreshRateLow;
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE get_LastSubscribedContactInformation(SAFEARRAY** types) override { return noArray(types); }
    HRESULT STDMETHODCALLTYPE get_Contacts(SAFEARRAY** contacts) override { return noArray(contacts); }
    HRESULT STDMETHODCALLTYPE AddContactByUri(BSTR) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE AddContacts(SAFEARRAY*) override { return E_NOTIMPL; }

private:
    static HRESULT noArray(SAFEARRAY** array)
    {
        if (array) *array = nullptr;
        return E_NOTIMPL;
    }
};
