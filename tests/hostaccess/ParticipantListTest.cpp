#include "ExtensionProvider/ExtensionProviderClient.h"

#include "HostAccessFixture.h"

#include "extensionsutils/Bstr.h"
#include "extensionsutils/SafeArray.h"

#include <gtest/gtest.h>

using extensionsutils::Bstr;
using extensionsutils::SafeArray;
using fakehost::ConversationKind;
using fakehost::ConversationStart;
using fakehost::HostMethod;

namespace client = ExtensionProviderClient;

namespace {

using Names = std::vector<std::wstring>;

// A BSTR array with the given lower bound; null entries stay null BSTRs.
SafeArray participantArray(const std::vector<const wchar_t*>& names, LONG lowerBound = 0)
{
    SAFEARRAYBOUND bound{static_cast<ULONG>(names.size()), lowerBound};
    SafeArray array(SafeArrayCreate(VT_BSTR, 1, &bound));
    for (std::size_t i = 0; i < names.size(); ++i) {
        LONG index = lowerBound + static_cast<LONG>(i);
        Bstr name(names[i]);
        SafeArrayPutElement(array.get(), &index, name.get());
    }
    return array;
}

Names namesIn(const SafeArray& array)
{
    Names names;
    EXPECT_EQ(extensionsutils::readStrings(array.get(), names), S_OK);
    return names;
}

LONG lowerBoundOf(const SafeArray& array)
{
    LONG lower = -1;
    SafeArrayGetLBound(array.get(), 1, &lower);
    return lower;
}

class ParticipantList : public HostAccessFixture {
protected:
    Names kept(const std::vector<const wchar_t*>& names, LONG lowerBound = 0)
    {
        SafeArray input = participantArray(names, lowerBound);
        SafeArray result = client::removeDuplicatesAndClientUser(input.get());
        EXPECT_TRUE(result);
        EXPECT_EQ(lowerBoundOf(result), 0);
        return namesIn(result);
    }

    HRESULT call(const std::vector<const wchar_t*>& names)
    {
        SafeArray input = participantArray(names);
        return client::startCall(input.get());
    }

    HRESULT chat(const std::vector<const wchar_t*>& names, const wchar_t* subject = nullptr, LONG lowerBound = 0)
    {
        SafeArray input = participantArray(names, lowerBound);
        Bstr subjectText(subject);
        return client::startChat(input.get(), subjectText.get());
    }

    ConversationStart onlyConversation()
    {
        const std::vector<ConversationStart> started = host().conversations();
        EXPECT_EQ(started.size(), 1u);
        return started.empty() ? ConversationStart() : started.front();
    }
};

// ----- removeDuplicatesAndClientUser -----

TEST_F(ParticipantList, DropsTheClientUserAndRepeatsKeepingTheFirstInOrder)
{
    EXPECT_EQ(kept({L"bob", L"Bob", L"bob", L"me"}), (Names{L"bob", L"Bob"}));
    EXPECT_EQ(kept({L"me", L"carol", L"bob", L"carol", L"me"}), (Names{L"carol", L"bob"}));
}

TEST_F(ParticipantList, ComparesExactly)
{
    EXPECT_EQ(kept({L"bob", L"bob ", L"sip:bob", L"BOB", L"Me", L" me"}),
              (Names{L"bob", L"bob ", L"sip:bob", L"BOB", L"Me", L" me"}));
}

TEST_F(ParticipantList, ANullNameEqualsAnEmptyOne)
{
    EXPECT_EQ(kept({nullptr, L"", L"bob", nullptr}), (Names{L"", L"bob"}));
}

TEST_F(ParticipantList, WalksAnArrayFromItsLowerBound)
{
    EXPECT_EQ(kept({L"bob", L"carol", L"bob"}, 5), (Names{L"bob", L"carol"}));
}

TEST_F(ParticipantList, KeepsNobodyWhenTheClientUserIsUnknown)
{
    host().failMethod(HostMethod::GetLoggedInUser);
    EXPECT_TRUE(kept({L"bob", L"carol"}).empty());
    EXPECT_EQ(onlyRecordOf(L"Failed to get clientUser jid").hostLevel, 1);
    EXPECT_EQ(onlyRecordOf(L"Failed to get clientUser jid").function,
              L"ExtensionProviderClient::removeDuplicatesAndClientUser");
}

TEST_F(ParticipantList, KeepsNobodyFromAnythingButABstrVector)
{
    SafeArray numbers = SafeArray::ofInt32s({1, 2});
    EXPECT_TRUE(namesIn(client::removeDuplicatesAndClientUser(numbers.get())).empty());
    EXPECT_TRUE(namesIn(client::removeDuplicatesAndClientUser(nullptr)).empty());

    SAFEARRAYBOUND bounds[2] = {{2, 0}, {2, 0}};
    SafeArray twoDimensions(SafeArrayCreate(VT_BSTR, 2, bounds));
    EXPECT_TRUE(namesIn(client::removeDuplicatesAndClientUser(twoDimensions.get())).empty());
}

// ----- startCall -----

TEST_F(ParticipantList, ACallWithOnlyTheClientUserStartsNothing)
{
    EXPECT_EQ(call({L"me"}), S_OK);
    EXPECT_EQ(call({}), S_OK);
    EXPECT_TRUE(host().conversations().empty());
    const auto records = host().recordsOf(L"cannot start conversation - nothing in list");
    ASSERT_EQ(records.size(), 2u);
    EXPECT_EQ(records[0].hostLevel, 2);
    EXPECT_EQ(records[0].function, L"ExtensionProviderClient::startCall");
}

TEST_F(ParticipantList, ACallWithOneOtherParticipantIsAPlainCall)
{
    EXPECT_EQ(call({L"me", L"bob", L"bob"}), S_OK);
    const ConversationStart started = onlyConversation();
    EXPECT_EQ(started.kind, ConversationKind::Call);
    EXPECT_EQ(started.participants, Names{L"bob"});
}

TEST_F(ParticipantList, ACallWithSeveralParticipantsIsAConference)
{
    EXPECT_EQ(call({L"bob", L"me", L"carol", L"bob"}), S_OK);
    const ConversationStart started = onlyConversation();
    EXPECT_EQ(started.kind, ConversationKind::ConferenceCall);
    EXPECT_EQ(started.participants, (Names{L"bob", L"carol"}));
    EXPECT_EQ(started.lowerBound, 0);
}

TEST_F(ParticipantList, ACallPassesTheHostsResultThrough)
{
    const HRESULT busy = static_cast<HRESULT>(0x80040202);
    host().failMethod(HostMethod::MakeCall, busy);
    host().failMethod(HostMethod::MakeConferenceCall, E_ACCESSDENIED);

    EXPECT_EQ(call({L"bob"}), busy);
    EXPECT_EQ(call({L"bob", L"carol"}), E_ACCESSDENIED);
}

TEST_F(ParticipantList, ACallNeedsThePhone)
{
    host().answerEmpty(HostMethod::CreatePhone);
    EXPECT_EQ(call({L"bob"}), E_FAIL);
    EXPECT_EQ(onlyRecordOf(L"phone is nullptr").hostLevel, 1);
    EXPECT_EQ(host().callCount(HostMethod::GetLoggedInUser), 0u) << "nothing else is asked without a phone";
}

TEST_F(ParticipantList, ACallWithAnUnknownClientUserStartsNothing)
{
    host().clearClientUser();
    EXPECT_EQ(call({L"bob", L"carol"}), S_OK);
    EXPECT_EQ(call({L"bob"}), S_OK);
    EXPECT_TRUE(host().conversations().empty());
}

// ----- startChat -----

TEST_F(ParticipantList, AChatWithOneParticipantMessagesItAsGiven)
{
    EXPECT_EQ(chat({L"me"}), S_OK);
    const ConversationStart started = onlyConversation();
    EXPECT_EQ(started.kind, ConversationKind::InstantMessage);
    EXPECT_EQ(started.participants, Names{L"me"});
    EXPECT_EQ(host().callCount(HostMethod::GetLoggedInUser), 0u);
}

TEST_F(ParticipantList, AChatWithOneParticipantAtAnotherLowerBoundIsStillAMessage)
{
    EXPECT_EQ(chat({L"bob"}, nullptr, 3), S_OK);
    EXPECT_EQ(onlyConversation().participants, Names{L"bob"});
}

TEST_F(ParticipantList, AChatWithOnlyTheClientUserTwiceStartsNothing)
{
    EXPECT_EQ(chat({L"me", L"me"}), S_OK);
    EXPECT_TRUE(host().conversations().empty());
    EXPECT_EQ(onlyRecordOf(L"cannot start conversation - nothing in list").function,
              L"ExtensionProviderClient::startChat");
}

TEST_F(ParticipantList, AChatWithSeveralParticipantsIsAGroupChatWithItsSubject)
{
    EXPECT_EQ(chat({L"bob", L"me", L"carol", L"carol"}, L"Quarterly numbers"), S_OK);
    const ConversationStart started = onlyConversation();
    EXPECT_EQ(started.kind, ConversationKind::GroupChat);
    EXPECT_EQ(started.participants, (Names{L"bob", L"carol"}));
    EXPECT_EQ(started.lowerBound, 0);
    EXPECT_TRUE(started.hasSubject);
    EXPECT_EQ(started.subject, L"Quarterly numbers");
}

TEST_F(ParticipantList, AGroupChatMayHaveNoSubject)
{
    EXPECT_EQ(chat({L"bob", L"carol"}), S_OK);
    EXPECT_FALSE(onlyConversation().hasSubject);
}

TEST_F(ParticipantList, AChatWithAnUnknownClientUserAndSeveralParticipantsStartsNothing)
{
    host().failMethod(HostMethod::CreateProviderManagement);
    EXPECT_EQ(chat({L"bob", L"carol"}), S_OK);
    EXPECT_TRUE(host().conversations().empty());
}

TEST_F(ParticipantList, AFailedChatIsLoggedAndPassedThrough)
{
    const HRESULT refused = static_cast<HRESULT>(0x80040203);
    host().failMethod(HostMethod::StartInstantMessage, refused);
    host().failMethod(HostMethod::StartGroupChat, E_OUTOFMEMORY);

    EXPECT_EQ(chat({L"bob"}), refused);
    EXPECT_EQ(chat({L"bob", L"carol"}), E_OUTOFMEMORY);
    const auto records = host().recordsOf(L"Unable to start Chat");
    ASSERT_EQ(records.size(), 2u);
    EXPECT_EQ(records[0].hostLevel, 1);
}

TEST_F(ParticipantList, AChatNeedsIMAndPresence)
{
    host().failMethod(HostMethod::CreateIMAndPresence);
    EXPECT_EQ(chat({L"bob"}), E_FAIL);
    EXPECT_EQ(onlyRecordOf(L"imAndPresence is nullptr").hostLevel, 1);
}

TEST_F(ParticipantList, AChatFromANullOrForeignArrayStartsNothing)
{
    EXPECT_EQ(client::startChat(nullptr, nullptr), S_OK);
    SafeArray numbers = SafeArray::ofInt32s({7});
    EXPECT_EQ(client::startChat(numbers.get(), nullptr), S_OK);
    EXPECT_EQ(client::startCall(numbers.get()), S_OK);
    EXPECT_TRUE(host().conversations().empty());
}

} // namespace
