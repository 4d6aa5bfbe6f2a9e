#include "IUCOfficeIntegration/UCCAutomation.h"

#include "ExtensionProvider/ExtensionProviderClient.h"
#include "IUCOfficeIntegration/StartConversationInputParser.h"
#include "logging/Results.h"

#include "extensionsutils/Bstr.h"
#include "extensionsutils/SafeArray.h"

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

} // namespace

HRESULT UCCAutomation::StartConversation(AutomationModalities conversationModes, SAFEARRAY* participantUris,
                                         SAFEARRAY* contextTypes, SAFEARRAY* contextDatas, IUCCConversationWindow**)
try {
    const StartConversationInputParser parser(participantUris, contextTypes, contextDatas);
    if (!parser.isValid()) return TAVO_FAIL(4, "Invalid arguments passed to StartConversation", E_INVALIDARG);
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
}
TAVO_CATCH_RETURN
