#pragma once

#include "IUCOfficeIntegration/DispatchObject.h"

// The automation object of Office 2013 and 2016: starts chats and calls in the host client when the user
// clicks the instant-message, call or video button for some people. The host client shows its own
// conversation window; none is handed back. Made with ComObject<UCCAutomation>, one per Office
// integration object.
// Threads: Office's calling threads; no state, so no lock. Host calls are made synchronously from there.
class UCCAutomation : public DispatchObject<IUCCAutomation, &IID_IUCCAutomation>
{
public:
    // Instant message alone starts a chat; audio alone or video alone starts a call (to the remote endpoint
    // URI of the context instead, when there is exactly one participant). Any other mode, combinations
    // included, starts nothing. E_INVALIDARG for malformed arrays; S_OK otherwise, whatever the host did.
    // `window` is never written.
    HRESULT STDMETHODCALLTYPE StartConversation(AutomationModalities conversationModes, SAFEARRAY* participantUris,
                                                SAFEARRAY* contextTypes, SAFEARRAY* contextDatas,
                                                IUCCConversationWindow** window) override;

    // Contacts, conferences and conversation windows belong to the host client.
    HRESULT STDMETHODCALLTYPE LaunchAddContactWizard(BSTR) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE JoinConference(BSTR, IUCCConversationWindow**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE StartConversationEx(AutomationModalities, SAFEARRAY*, SAFEARRAY*, SAFEARRAY*, IUnknown*, VARIANT,
                                                  IUCCAsynchronousOperation**) override
    {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE JoinConferenceEx(BSTR, INT64, IUnknown*, VARIANT, IUCCAsynchronousOperation**) override
    {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE GetConversationWindow(IUCCConversation*, IUCCConversationWindow**) override { return E_NOTIMPL; }
};
