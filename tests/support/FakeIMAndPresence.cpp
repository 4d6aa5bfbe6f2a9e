#include "support/FakeIMAndPresence.h"

#include "support/FakeAnswers.h"
#include "support/FakeContacts.h"

namespace fakehost {

FakeIMAndPresence::FakeIMAndPresence(std::shared_ptr<FakeHost> host) : FakeDispatchObject<IIMAndPresence>(std::move(host)) {}

HRESULT FakeIMAndPresence::ResolveContactByEmail(BSTR email)
{
    return answerAction(host(), HostMethod::ResolveContactByEmail, [&] {
        host().recordResolveRequest(stringOf(email));
        return S_OK;
    });
}

HRESULT FakeIMAndPresence::GetContacts(IDispatch** contacts)
{
    return answerObject(host(), HostMethod::GetContacts, contacts, [&](IDispatch** out) {
        *out = makeFakeObject<FakeContacts, IDispatch>(hostPointer(), host().contactList()).detach();
        return S_OK;
    });
}

HRESULT FakeIMAndPresence::GetContact(BSTR uri, IDispatch** contact)
{
    return answerObject(host(), HostMethod::GetContact, contact, [&](IDispatch** out) {
        host().recordUriLookup(stringOf(uri));
        const std::optional<ContactRecord> record = host().contact(stringOf(uri));
        if (!record) return kNotFound;
        *out = host().makeContactObject(record->signinName).detach();
        return S_OK;
    });
}

HRESULT FakeIMAndPresence::AddContact(BSTR signinName)
{
    return answerAction(host(), HostMethod::AddContact, [&] {
        host().recordAddedContact(stringOf(signinName));
        return S_OK;
    });
}

HRESULT FakeIMAndPresence::TagContact(BSTR signinName, LONG tagged)
{
    return answerAction(host(), HostMethod::TagContact, [&] {
        host().recordTagRequest(stringOf(signinName), tagged);
        return S_OK;
    });
}

HRESULT FakeIMAndPresence::StartInstantMessage(BSTR signinName)
{
    return answerAction(host(), HostMethod::StartInstantMessage, [&] {
        ConversationStart start;
        start.kind = ConversationKind::InstantMessage;
        start.participants.push_back(stringOf(signinName));
        start.participantWasNull = signinName == nullptr;
        host().recordConversation(start);
        return S_OK;
    });
}

HRESULT FakeIMAndPresence::StartGroupChat(SAFEARRAY* participants, BSTR subject)
{
    return answerAction(host(), HostMethod::StartGroupChat, [&] {
        ConversationStart start;
        start.kind = ConversationKind::GroupChat;
        const HRESULT read = readParticipants(participants, start.participants, start.lowerBound);
        if (FAILED(read)) return read;
        start.hasSubject = subject != nullptr;
        start.subject = stringOf(subject);
        host().recordConversation(start);
        return S_OK;
    });
}

HRESULT FakeIMAndPresence::GetPresenceForContact(BSTR signinName, IDispatch** presenceState)
{
    return answerObject(host(), HostMethod::GetPresenceForContact, presenceState, [&](IDispatch** out) {
        host().recordUriLookup(stringOf(signinName));
        const std::optional<ContactRecord> record = host().contact(stringOf(signinName));
        if (!record) return kNotFound;
        *out = host().makePresenceState(record->presence, record->presenceText).detach();
        return S_OK;
    });
}

HRESULT FakeIMAndPresence::GetContactByUserId(BSTR userId, IDispatch** contact)
{
    return answerObject(host(), HostMethod::GetContactByUserId, contact, [&](IDispatch** out) {
        host().recordUserIdLookup(stringOf(userId));
        const std::optional<ContactRecord> record = host().contactByUserId(stringOf(userId));
        if (!record) return kNotFound;
        *out = host().makeContactObject(record->signinName).detach();
        return S_OK;
    });
}

HRESULT FakeIMAndPresence::WatchContact(BSTR signinName)
{
    return answerAction(host(), HostMethod::WatchContact, [&] {
        host().recordWatchRequest(stringOf(signinName));
        return S_OK;
    });
}

} // namespace fakehost
