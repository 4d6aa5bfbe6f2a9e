#pragma once

#include "extensionsutils/ComObject.h"
#include "extensionsutils/DispatchImpl.h"

#include "TavoMessengerLib.h"

// The automation object of Office 2013 and 2016: starts chats and calls in the host client when the user
// clicks the instant-message, call or video button for some people. The host client shows its own
// conversation window; none is handed back. Made with ComObject<UCCAutomation>, one per Office
// integration object.
// Threads: Office's calling threads; no state, so no lock. Host calls are made synchronously from there.
class UCCAutomation
    : public extensionsutils::ComObjectRoot,
      public extensionsutils::DispatchImpl<IUCCAutomation, &IID_IUCCAutomation, &LIBID_TavoMessengerLib>
{
public:
    using Interfaces = extensionsutils::InterfaceTable<IUCCAutomation, extensionsutils::Via<IDispatch, IUCCAutomation>>;

    // IUCCAutomation
    HRESULT STDMETHODCALLTYPE LaunchAddContactWizard(BSTR contactEmail) override;
    // Instant message alone starts a chat; audio alone or video alone starts a call (to the remote endpoint
    // URI of the context instead, when there is exactly one participant). Any other mode, combinations
    // included, starts nothing. E_INVALIDARG for malformed arrays; S_OK otherwise, whatever the host did.
    // `window` is never written.
    HRESULT STDMETHODCALLTYPE StartConversation(AutomationModalities conversationModes, SAFEARRAY* participantUris,
                                                SAFEARRAY* contextTypes, SAFEARRAY* contextDatas,
                                                IUCCConversationWindow** window) override;
    HRESULT STDMETHODCALLTYPE JoinConference(BSTR conferenceUrl, IUCCConversationWindow** window) override;
    HRESULT STDMETHODCALLTYPE StartConversationEx(AutomationModalities conversationModes, SAFEARRAY* participantUris,
                                                  SAFEARRAY* contextTypes, SAFEARRAY* contextDatas, IUnknown* callback,
                                                  VARIANT state, IUCCAsynchronousOperation** operation) override;
    HRESULT STDMETHODCALLTYPE JoinConferenceEx(BSTR conferenceUrl, INT64 parentWindow, IUnknown* callback,
                                               VARIANT state, IUCCAsynchronousOperation** operation) override;
    HRESULT STDMETHODCALLTYPE GetConversationWindow(IUCCConversation* conversation,
                                                    IUCCConversationWindow** window) override;
};
