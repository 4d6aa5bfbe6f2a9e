#include "support/FakePhone.h"

#include "support/FakeAnswers.h"

namespace fakehost {

FakePhone::FakePhone(std::shared_ptr<FakeHost> host) : FakeDispatchObject<IPhone>(std::move(host)) {}

HRESULT FakePhone::MakeCall(BSTR participant)
{
    return answerAction(host(), HostMethod::MakeCall, [&] {
        ConversationStart start;
        start.kind = ConversationKind::Call;
        start.participants.push_back(stringOf(participant));
        start.participantWasNull = participant == nullptr;
        host().recordConversation(start);
        return S_OK;
    });
}

HRESULT FakePhone::MakeConferenceCall(SAFEARRAY* participants)
{
    return answerAction(host(), HostMethod::MakeConferenceCall, [&] {
        ConversationStart start;
        start.kind = ConversationKind::ConferenceCall;
        const HRESULT read = readParticipants(participants, start.participants, start.lowerBound);
        if (FAILED(read)) return read;
        host().recordConversation(start);
        return S_OK;
    });
}

} // namespace fakehost
