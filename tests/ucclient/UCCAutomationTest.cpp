// Starting chats and calls in the host client when Office's user clicks a conversation button.

#include "IUCOfficeIntegration/UCCAutomation.h"

#include "ArrayShapes.h"
#include "ClientFixture.h"
#include "support/LateBoundCall.h"

using extensionsutils::Bstr;
using extensionsutils::ComObject;
using extensionsutils::ComPtr;
using extensionsutils::SafeArray;
using extensionsutils::Variant;
using fakehost::ConversationKind;
using fakehost::ConversationStart;

namespace {

const wchar_t* const kCarol = L"carol@example.com";

class UCCAutomationTest : public ClientFixture {
protected:
    void SetUp() override
    {
        ClientFixture::SetUp();
        automation = ComObject<UCCAutomation>::create().as<IUCCAutomation>();
        ASSERT_TRUE(automation);
    }

    void TearDown() override
    {
        automation.reset();
        ClientFixture::TearDown();
    }

    HRESULT start(LONG modes, const std::vector<std::wstring>& participants, const std::vector<LONG>& contextTypes = {},
                  const std::vector<Variant>& contextDatas = {})
    {
        const SafeArray uris = arrays::strings(participants);
        const SafeArray types = arrays::types(contextTypes);
        const SafeArray datas = arrays::datas(contextDatas);
        IUCCConversationWindow* window = reinterpret_cast<IUCCConversationWindow*>(0x5150);
        const HRESULT hr = automation->StartConversation(static_cast<AutomationModalities>(modes), uris.get(),
                                                         types.get(), datas.get(), &window);
        EXPECT_EQ(window, reinterpret_cast<IUCCConversationWindow*>(0x5150)) << "no window is handed back";
        return hr;
    }

    // The one conversation the host was asked to start.
    ConversationStart onlyConversation()
    {
        const std::vector<ConversationStart> started = host().conversations();
        EXPECT_EQ(started.size(), 1u);
        return started.empty() ? ConversationStart() : started.front();
    }

    ComPtr<IUCCAutomation> automation;
};

using Participants = std::vector<std::wstring>;

TEST_F(UCCAutomationTest, InstantMessageStartsAChatWithTheOthersOnceEachAndTheSubject)
{
    EXPECT_EQ(start(uiaConversationModeInstantMessage, {kAlice, kUser, kBob, kAlice}, {uiaConversationContextSubject},
                    {Variant::fromString(L"Budget")}),
              S_OK);
    const ConversationStart chat = onlyConversation();
    EXPECT_EQ(chat.kind, ConversationKind::GroupChat);
    EXPECT_EQ(chat.participants, (Participants{kAlice, kBob}));
    EXPECT_TRUE(chat.hasSubject);
    EXPECT_EQ(chat.subject, L"Budget");
}

TEST_F(UCCAutomationTest, InstantMessageToOnePersonIsAnInstantMessage)
{
    EXPECT_EQ(start(uiaConversationModeInstantMessage, {kAlice}), S_OK);
    const ConversationStart chat = onlyConversation();
    EXPECT_EQ(chat.kind, ConversationKind::InstantMessage);
    EXPECT_EQ(chat.participants, (Participants{kAlice}));
}

TEST_F(UCCAutomationTest, InstantMessageIgnoresTheRemoteEndpoint)
{
    EXPECT_EQ(start(uiaConversationModeInstantMessage, {kAlice}, {uiaConversationContextRemoteEndpointUri},
                    {Variant::fromString(L"tel:+441")}),
              S_OK);
    EXPECT_EQ(onlyConversation().participants, (Participants{kAlice}));
}

TEST_F(UCCAutomationTest, TheSignedInUserNamedBySipUriIsNotInvited)
{
    EXPECT_EQ(start(uiaConversationModeInstantMessage, {L"sip:alice@example.com", L"SIP:me@example.com", L"sip:bob@example.com"}),
              S_OK);
    EXPECT_EQ(start(uiaConversationModeAudio, {L"sip:me@example.com", L"sip:bob@example.com"}), S_OK);
    const std::vector<ConversationStart> started = host().conversations();
    ASSERT_EQ(started.size(), 2u);
    EXPECT_EQ(started[0].participants, (Participants{L"sip:alice@example.com", L"sip:bob@example.com"}));
    EXPECT_EQ(started[1].kind, ConversationKind::Call);
    EXPECT_EQ(started[1].participants, (Participants{L"sip:bob@example.com"}));
}

TEST_F(UCCAutomationTest, AudioOrVideoCallsTheOthersOnceEach)
{
    EXPECT_EQ(start(uiaConversationModeAudio, {kAlice, kUser, kAlice}), S_OK);
    EXPECT_EQ(start(uiaConversationModeVideo, {kBob, kAlice, kBob}), S_OK);
    const std::vector<ConversationStart> calls = host().conversations();
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_EQ(calls[0].kind, ConversationKind::Call);
    EXPECT_EQ(calls[0].participants, (Participants{kAlice}));
    EXPECT_EQ(calls[1].kind, ConversationKind::ConferenceCall);
    EXPECT_EQ(calls[1].participants, (Participants{kBob, kAlice}));
}

TEST_F(UCCAutomationTest, ACallToOnePersonGoesToTheRemoteEndpointWhenOfficeGivesOne)
{
    EXPECT_EQ(start(uiaConversationModeAudio, {kAlice}, {uiaConversationContextRemoteEndpointUri},
                    {Variant::fromString(L"tel:+441")}),
              S_OK);
    const ConversationStart call = onlyConversation();
    EXPECT_EQ(call.kind, ConversationKind::Call);
    EXPECT_EQ(call.participants, (Participants{L"tel:+441"}));
}

TEST_F(UCCAutomationTest, ACallToSeveralPeopleIgnoresTheRemoteEndpoint)
{
    EXPECT_EQ(start(uiaConversationModeVideo, {kAlice, kBob}, {uiaConversationContextRemoteEndpointUri},
                    {Variant::fromString(L"tel:+441")}),
              S_OK);
    const ConversationStart call = onlyConversation();
    EXPECT_EQ(call.kind, ConversationKind::ConferenceCall);
    EXPECT_EQ(call.participants, (Participants{kAlice, kBob}));
}

TEST_F(UCCAutomationTest, OtherModesAndCombinationsStartNothing)
{
    for (LONG modes : {0L, 3L, 5L, 6L, 7L, 8L, 16L, 31L}) {
        EXPECT_EQ(start(modes, {kAlice}), S_OK) << modes;
    }
    EXPECT_TRUE(host().conversations().empty());
}

TEST_F(UCCAutomationTest, ParticipantsFromAnyLowerBoundAreCalled)
{
    const SafeArray uris = arrays::stringsFrom(1, {kAlice, kCarol});
    IUCCConversationWindow* window = nullptr;
    EXPECT_EQ(automation->StartConversation(uiaConversationModeAudio, uris.get(), arrays::noContext().get(),
                                            arrays::noData().get(), &window),
              S_OK);
    EXPECT_EQ(onlyConversation().participants, (Participants{kAlice, kCarol}));
}

TEST_F(UCCAutomationTest, MalformedArgumentsAreRefusedAndStartNothing)
{
    const SafeArray variantParticipants = arrays::datas({Variant::fromString(kAlice)});
    IUCCConversationWindow* window = nullptr;
    EXPECT_EQ(automation->StartConversation(uiaConversationModeInstantMessage, variantParticipants.get(),
                                            arrays::noContext().get(), arrays::noData().get(), &window),
              E_INVALIDARG);
    EXPECT_EQ(automation->StartConversation(uiaConversationModeAudio, nullptr, arrays::noContext().get(),
                                            arrays::noData().get(), &window),
              E_INVALIDARG);
    EXPECT_EQ(start(uiaConversationModeAudio, {kAlice}, {uiaConversationContextSubject, 20}, {Variant::fromString(L"s")}),
              E_INVALIDARG);
    EXPECT_TRUE(host().conversations().empty());

    const std::vector<fakehost::LogRecord> records = host().recordsOf(L"Invalid arguments passed to StartConversation");
    ASSERT_EQ(records.size(), 3u);
    EXPECT_EQ(records[0].hostLevel, 1); // module level 4
    EXPECT_EQ(records[0].function, L"UCCAutomation::StartConversation");
    EXPECT_EQ(records[0].file, L"extensions/tavomessenger/IUCOfficeIntegration/UCCAutomation");
}

TEST_F(UCCAutomationTest, HostFailuresAreNotReportedToOffice)
{
    host().failMethod(fakehost::HostMethod::StartGroupChat);
    host().failMethod(fakehost::HostMethod::MakeCall);
    host().failMethod(fakehost::HostMethod::CreatePhone);
    EXPECT_EQ(start(uiaConversationModeInstantMessage, {kAlice, kBob}), S_OK);
    EXPECT_EQ(start(uiaConversationModeAudio, {kAlice}), S_OK);
    EXPECT_EQ(host().callCount(fakehost::HostMethod::StartGroupChat), 1u);
}

TEST_F(UCCAutomationTest, OtherMembersAreNotImplementedAndWriteNothing)
{
    IUCCConversationWindow* window = reinterpret_cast<IUCCConversationWindow*>(0x5150);
    IUCCAsynchronousOperation* operation = reinterpret_cast<IUCCAsynchronousOperation*>(0x5150);
    const VARIANT noState = Variant().get()[0];
    EXPECT_EQ(automation->LaunchAddContactWizard(Bstr(kAlice).get()), E_NOTIMPL);
    EXPECT_EQ(automation->JoinConference(Bstr(L"https://meet/1").get(), &window), E_NOTIMPL);
    const SafeArray uris = arrays::strings({kAlice});
    EXPECT_EQ(automation->StartConversationEx(uiaConversationModeInstantMessage, uris.get(), arrays::noContext().get(),
                                              arrays::noData().get(), nullptr, noState, &operation),
              E_NOTIMPL);
    EXPECT_EQ(automation->JoinConferenceEx(Bstr(L"https://meet/1").get(), 0, nullptr, noState, &operation), E_NOTIMPL);
    EXPECT_EQ(automation->GetConversationWindow(nullptr, &window), E_NOTIMPL);
    EXPECT_EQ(window, reinterpret_cast<IUCCConversationWindow*>(0x5150));
    EXPECT_EQ(operation, reinterpret_cast<IUCCAsynchronousOperation*>(0x5150));
    EXPECT_TRUE(host().conversations().empty());
}

TEST_F(UCCAutomationTest, AnswersLateBoundAsOfficeCallsIt)
{
    ComPtr<IDispatch> dispatch = automation.as<IDispatch>();
    ASSERT_TRUE(dispatch);
    EXPECT_EQ(dispatchIdOf(dispatch.get(), L"StartConversation"), 0x60020001);

    const LateBoundResult started = callByName(
        dispatch.get(), L"StartConversation", DISPATCH_METHOD,
        {Variant::fromInt32(uiaConversationModeInstantMessage), Variant::fromSafeArray(arrays::strings({kAlice, kBob}).detach()),
         Variant::fromSafeArray(arrays::types({uiaConversationContextSubject}).detach()),
         Variant::fromSafeArray(arrays::datas({Variant::fromString(L"Plans")}).detach())});
    EXPECT_EQ(started.invoke, S_OK);
    const ConversationStart chat = onlyConversation();
    EXPECT_EQ(chat.participants, (Participants{kAlice, kBob}));
    EXPECT_EQ(chat.subject, L"Plans");

    const LateBoundResult refused = callByName(
        dispatch.get(), L"StartConversation", DISPATCH_METHOD,
        {Variant::fromInt32(uiaConversationModeAudio), Variant::fromSafeArray(arrays::strings({kAlice}).detach()),
         Variant::fromSafeArray(arrays::types({1, 20}).detach()), Variant::fromSafeArray(arrays::noData().detach())});
    EXPECT_EQ(refused.member, E_INVALIDARG);

    EXPECT_EQ(callByName(dispatch.get(), L"LaunchAddContactWizard", DISPATCH_METHOD).member, E_NOTIMPL);
    EXPECT_EQ(callByName(dispatch.get(), L"JoinConference", DISPATCH_METHOD, {Variant::fromString(L"x")}).member,
              E_NOTIMPL);
    EXPECT_EQ(host().conversations().size(), 1u);
}

} // namespace
