// Chats and calls started in the host: the participant list without the user and repeats, and which
// host conversation each list becomes.

#include "HostFixture.h"

#include "extensionsutils/Utf8.h"

using extensionsutils::Bstr;
using extensionsutils::SafeArray;
using fakehost::ConversationKind;
using fakehost::HostMethod;

namespace client = ExtensionProviderClient;

namespace {

class ParticipantList : public HostFixture {
protected:
    Names kept(const std::vector<const wchar_t*>& names, LONG lowerBound = 0)
    {
        SafeArray result = client::removeDuplicatesAndClientUser(participantArray(names, lowerBound).get());
        return namesIn(result);
    }

    static Names namesIn(const SafeArray& array)
    {
        Names names;
        EXPECT_TRUE(array);
        LONG lower = -1;
        SafeArrayGetLBound(array.get(), 1, &lower);
        EXPECT_EQ(lower, 0);
        EXPECT_EQ(extensionsutils::readStrings(array.get(), names), S_OK);
        return names;
    }
};

TEST_F(ParticipantList, KeepsTheFirstOfEachExactNameWithoutTheUser)
{
    struct Row {
        std::vector<const wchar_t*> names;
        LONG lowerBound;
        Names kept;
    };
    const Row rows[] = {
        {{L"bob", L"Bob", L"bob", L"me"}, 0, {L"bob", L"Bob"}},
        {{L"me", L"carol", L"bob", L"carol", L"me"}, 0, {L"carol", L"bob"}},
        {{L"bob ", L"sip:bob", L"BOB", L"Me", L" me"}, 0, {L"bob ", L"sip:bob", L"BOB", L"Me", L" me"}},
        {{nullptr, L"", L"bob", nullptr}, 0, {L"", L"bob"}},
        {{L"bob", L"carol", L"bob"}, 5, {L"bob", L"carol"}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::PrintToString(row.kept));
        EXPECT_EQ(kept(row.names, row.lowerBound), row.kept);
    }
}

TEST_F(ParticipantList, KeepsNobodyFromAForeignArrayOrWhenTheUserIsUnknown)
{
    EXPECT_TRUE(namesIn(client::removeDuplicatesAndClientUser(SafeArray::ofInt32s({1, 2}).get())).empty());
    EXPECT_TRUE(namesIn(client::removeDuplicatesAndClientUser(nullptr)).empty());
    SAFEARRAYBOUND bounds[2] = {{2, 0}, {2, 0}};
    SafeArray twoDimensions(SafeArrayCreate(VT_BSTR, 2, bounds));
    EXPECT_TRUE(namesIn(client::removeDuplicatesAndClientUser(twoDimensions.get())).empty());
    EXPECT_EQ(client::startChat(twoDimensions.get(), nullptr), S_OK);
    EXPECT_EQ(client::startCall(SafeArray::ofInt32s({7}).get()), S_OK);
    EXPECT_EQ(client::startChat(nullptr, nullptr), S_OK);

    host().failMethod(HostMethod::GetLoggedInUser);
    EXPECT_TRUE(kept({L"bob", L"carol"}).empty());
    EXPECT_EQ(host().recordsOf(L"Failed to get clientUser jid").at(0).function,
              L"ExtensionProviderClient::removeDuplicatesAndClientUser");
    EXPECT_EQ(client::startCall(participantArray({L"bob"}).get()), S_OK);
    EXPECT_EQ(client::startChat(participantArray({L"bob", L"carol"}).get(), nullptr), S_OK);
    EXPECT_TRUE(host().conversations().empty());
}

// One other person is a plain call or message (a chat with one name takes it as given); more are a
// conference or group chat with the subject; nobody left starts nothing.
TEST_F(ParticipantList, EachListBecomesItsHostConversation)
{
    struct Row {
        bool call;
        std::vector<const wchar_t*> names;
        LONG lowerBound;
        const wchar_t* subject;
        bool started;
        ConversationKind kind;
        Names participants;
    };
    const Row rows[] = {
        {true, {L"me"}, 0, nullptr, false, ConversationKind::Call, {}},
        {true, {}, 0, nullptr, false, ConversationKind::Call, {}},
        {true, {L"me", L"bob", L"bob"}, 0, nullptr, true, ConversationKind::Call, {L"bob"}},
        {true, {L"bob", L"me", L"carol", L"bob"}, 0, nullptr, true, ConversationKind::ConferenceCall, {L"bob", L"carol"}},
        {false, {L"me"}, 0, nullptr, true, ConversationKind::InstantMessage, {L"me"}},
        {false, {L"bob"}, 3, nullptr, true, ConversationKind::InstantMessage, {L"bob"}},
        {false, {L"me", L"me"}, 0, nullptr, false, ConversationKind::GroupChat, {}},
        {false, {L"bob", L"me", L"carol", L"carol"}, 0, L"Quarterly", true, ConversationKind::GroupChat, {L"bob", L"carol"}},
        {false, {L"bob", L"carol"}, 0, nullptr, true, ConversationKind::GroupChat, {L"bob", L"carol"}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::PrintToString(row.participants) + (row.call ? " call" : " chat"));
        host().forgetRecords();
        SafeArray names = participantArray(row.names, row.lowerBound);
        Bstr subject(row.subject);
        EXPECT_EQ(row.call ? client::startCall(names.get()) : client::startChat(names.get(), subject.get()), S_OK);
        const auto started = host().conversations();
        ASSERT_EQ(started.size(), row.started ? 1u : 0u);
        if (!row.started) {
            EXPECT_TRUE(host().logged(L"cannot start conversation - nothing in list"));
            continue;
        }
        EXPECT_EQ(started[0].kind, row.kind);
        EXPECT_EQ(started[0].participants, row.participants);
        EXPECT_EQ(started[0].lowerBound, 0);
        EXPECT_EQ(started[0].hasSubject, row.subject != nullptr);
        if (row.subject) EXPECT_EQ(started[0].subject, row.subject);
    }
}

TEST_F(ParticipantList, HostFailuresArePassedThroughAndAMissingHostObjectIsAFailure)
{
    const HRESULT busy = static_cast<HRESULT>(0x80040202);
    host().failMethod(HostMethod::MakeCall, busy);
    host().failMethod(HostMethod::MakeConferenceCall, E_ACCESSDENIED);
    host().failMethod(HostMethod::StartInstantMessage, busy);
    host().failMethod(HostMethod::StartGroupChat, E_OUTOFMEMORY);
    EXPECT_EQ(client::startCall(participantArray({L"bob"}).get()), busy);
    EXPECT_EQ(client::startCall(participantArray({L"bob", L"carol"}).get()), E_ACCESSDENIED);
    EXPECT_EQ(client::startChat(participantArray({L"bob"}).get(), nullptr), busy);
    EXPECT_EQ(client::startChat(participantArray({L"bob", L"carol"}).get(), nullptr), E_OUTOFMEMORY);
    EXPECT_EQ(host().loggedCount(L"Unable to start Chat"), 2u);

    host().answerEmpty(HostMethod::CreatePhone);
    host().failMethod(HostMethod::CreateIMAndPresence);
    host().resetCallCounts();
    EXPECT_EQ(client::startCall(participantArray({L"bob"}).get()), E_FAIL);
    EXPECT_EQ(host().callCount(HostMethod::GetLoggedInUser), 0u) << "nothing else is asked without a phone";
    EXPECT_EQ(client::startChat(participantArray({L"bob"}).get(), nullptr), E_FAIL);
}

} // namespace
