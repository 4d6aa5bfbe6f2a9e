#pragma once

#include "extensionsutils/ComObject.h"
#include "extensionsutils/DispatchImpl.h"

#include "TavoMessengerLib.h"

// The subscription that the contact manager hands Office. It accepts every request and keeps nothing:
// each contact reports its own changes once Office holds it, so there is nothing to subscribe to.
// No state and no lock; any thread.
class UCCContactSubscription
    : public extensionsutils::ComObjectRoot,
      public extensionsutils::DispatchImpl<IUCCContactSubscription, &IID_IUCCContactSubscription,
                                           &LIBID_TavoMessengerLib> {
public:
    using Interfaces = extensionsutils::InterfaceTable<IUCCContactSubscription,
                                                       extensionsutils::Via<IDispatch, IUCCContactSubscription>>;

    HRESULT STDMETHODCALLTYPE Subscribe(ContactSubscriptionRefreshRate freshness, SAFEARRAY* types) override;
    HRESULT STDMETHODCALLTYPE Unsubscribe() override;
    HRESULT STDMETHODCALLTYPE AddContact(IUCCContact* contact) override;
    HRESULT STDMETHODCALLTYPE RemoveContact(IUCCContact* contact) override;
    HRESULT STDMETHODCALLTYPE get_LastSubscribedRefreshRate(ContactSubscriptionRefreshRate* freshness) override;
    HRESULT STDMETHODCALLTYPE get_LastSubscribedContactInformation(SAFEARRAY** types) override;
    HRESULT STDMETHODCALLTYPE get_Contacts(SAFEARRAY** contacts) override;
    HRESULT STDMETHODCALLTYPE AddContactByUri(BSTR contactUri) override;
    HRESULT STDMETHODCALLTYPE AddContacts(SAFEARRAY* contacts) override;
};
