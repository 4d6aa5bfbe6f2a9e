#include "IUCOfficeIntegration/UCCAutomation.h"

#include "ExtensionProvider/ExtensionProviderClient.h"
#include "IUCOfficeIntegration/StartConversationInputParser.h"
#include "logging/Logging.h"

#include "extensionsutils/Bstr.h"
#include "extensionsutils/SafeArray.h"

#include <new>

using extensionsutils::Bstr;
using extensionsutils::SafeArray;

namespace {

// A call to one participant goes to the remote endpoint URI of the context when Office gave one: the
// number or address the user picked for that person. The host's result is its own to log; only a list
// that cannot be built fails here.
HRESULT callParticipants(const StartConversationInputParser& parser, SAFEARRAY* participantUris)
{
    if (parser.endpointUri().empty() || parser.participantCount() != 1) {
        ExtensionProviderClient::startCall(participantUris);
        return S_OK;
    }
    const SafeArray endpoint = SafeArray::ofStrings({parser.endpointUri()});
    if (!endpoint) return E_OUTOFMEMORY;
    ExtensionProviderClient::startCall(endpoint.get());
    return S_OK;
}

// Memory ran out before the host was asked; logged for the member.
HRESULT noConversation(const logging::CallSite& caller)
{
    TAVO_LOG_AT(caller, 4, "out of memory, no conversation started");
    return E_OUTOFMEMORY;
}

} // namespace

HRESULT UCCAutomation::LaunchAddContactWizard(BSTR)
{
    return E_NOTIMPL;
}

// Memory running out before the host is asked answers E_OUTOFMEMORY; the exception never reaches COM.
HRESULT UCCAutomation::StartConversation(AutomationModalities conversationModes, SAFEARRAY* participantUris,
                                         SAFEARRAY* contextTypes, SAFEARRAY* contextDatas, IUCCConversationWindow**)
{
    try {
        const StartConversationInputParser parser(participantUris, contextTypes, contextDatas);
        if (parser.ranOutOfMemory()) return noConversation(TAVO_CALL_SITE);
        if (!parser.isValid()) {
            TAVO_LOG(4, "Invalid arguments passed to StartConversation");
            return E_INVALIDARG;
        }
        const Bstr subject(parser.subject());
        // The host logs its own failures; Office is not told of them.
        switch (conversationModes) {
        case uiaConversationModeInstantMessage:
            ExtensionProviderClient::startChat(participantUris, subject.get());
            return S_OK;
        case uiaConversationModeAudio:
        case uiaConversationModeVideo:
            return callParticipants(parser, participantUris);
        default:
            return S_OK;
        }
    } catch (const std::bad_alloc&) {
        return noConversation(TAVO_CALL_SITE);
    }
}

HRESULT UCCAutomation::JoinConference(BSTR, IUCCConversationWindow**)
{
    return E_NOTIMPL;
}

HRESULT UCCAutomation::StartConversationEx(AutomationModalities, SAFEARRAY*, SAFEARRAY*, SAFEARRAY*, IUnknown*, VARIANT,
                                           IUCCAsynchronousOperation**)
{
    return E_NOTIMPL;
}

HRESULT UCCAutomation::JoinConferenceEx(BSTR, INT64, IUnknown*, VARIANT, IUCCAsynchronousOperation**)
{
    return E_NOTIMPL;
}

HRESULT UCCAutomation::GetConversationWindow(IUCCConversation*, IUCCConversationWindow**)
{
    return E_NOTIMPL;
}
