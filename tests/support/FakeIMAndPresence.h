#pragma once

// The host's IIMAndPresence: contact lookup in the directory, recorded chats, tags, watch requests and
// e-mail resolution requests.

#include "support/FakeComObject.h"

namespace fakehost {

class FakeIMAndPresence : public FakeDispatchObject<IIMAndPresence> {
public:
    explicit FakeIMAndPresence(std::shared_ptr<FakeHost> host);

    HRESULT STDMETHODCALLTYPE ResolveContactByEmail(BSTR email) override;
    HRESULT STDMETHODCALLTYPE GetContacts(IDispatch** contacts) override;
    HRESULT STDMETHODCALLTYPE GetContact(BSTR uri, IDispatch** contact) override;
    HRESULT STDMETHODCALLTYPE AddContact(BSTR signinName) override;
    HRESULT STDMETHODCALLTYPE TagContact(BSTR signinName, LONG tagged) override;
    HRESULT STDMETHODCALLTYPE StartInstantMessage(BSTR signinName) override;
    HRESULT STDMETHODCALLTYPE StartGroupChat(SAFEARRAY* participants, BSTR subject) override;
    HRESULT STDMETHODCALLTYPE GetPresenceForContact(BSTR signinName, IDispatch** presenceState) override;
    HRESULT STDMETHODCALLTYPE GetContactByUserId(BSTR userId, IDispatch** contact) override;
    HRESULT STDMETHODCALLTYPE WatchContact(BSTR signinName) override;
};

} // namespace fakehost
