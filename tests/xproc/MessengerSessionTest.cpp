// The Office 2010 session judges the provider: a well-behaved one passes; each kind of fault (a wrong
// result, a value of the wrong shape, a missing event, a signed-out host answering) is one violation that
// names the call.
#include "SessionFixture.h"

#include "officesim/MessengerSession.h"

#include "TavoMessengerLib.h"

namespace officesimtest {
namespace {

using officesim::answerOf;

class MessengerSessionTest : public SessionFixture {
protected:
    officesim::MessengerSessionResult run()
    {
        events_.advise(messenger_.messenger->identity(), DIID_DMessengerEvents, L"DMessengerEvents");
        return officesim::MessengerSession(messenger_, check_, events_, settings_).run(messenger_.messenger->identity());
    }

    // The provider answers a resolution by firing OnContactResolved(S_OK, SMTP, address, imAddress).
    void answerResolutionsWith(const std::wstring& imAddress)
    {
        messenger_.onResolve = [this, imAddress](const std::wstring& address) {
            messenger_.messenger->fire(0x41A, {Variant::fromInt32(S_OK), Variant::fromInt32(1),
                                               Variant::fromString(address), Variant::fromString(imAddress)});
        };
    }
};

TEST_F(MessengerSessionTest, AWellBehavedProviderPassesAndFillsThePeopleTable)
{
    settings_.resolve = {L"bo@corp.example"};
    answerResolutionsWith(L"bo@example");
    const officesim::MessengerSessionResult result = run();

    EXPECT_EQ(0, report_.violations()) << report();
    EXPECT_TRUE(result.signedIn);
    EXPECT_EQ(std::vector<std::wstring>{L"bo@example"}, result.contactNames);
    ASSERT_EQ(2u, report_.people().size());
    EXPECT_TRUE(report_.people()[0].self);
    EXPECT_EQ(std::optional<long>(34), report_.people()[1].status);
    EXPECT_EQ(L"Available", report_.people()[1].activity);
    EXPECT_EQ(1u, printed("ResolveContact(bo@corp.example): OnContactResolved -> bo@example")) << report();
    EXPECT_EQ((std::vector<std::wstring>{L"chat", L"call"}), messenger_.conversations);
}

TEST_F(MessengerSessionTest, AFailingMemberIsOneViolationNamingTheCall)
{
    messenger_.myStatusAnswer = answerOf(E_FAIL, 0L);
    run();
    EXPECT_EQ(1, report_.violations()) << report();
    EXPECT_EQ(1u, printed("VIOLATION: IMessenger.MyStatus: answered 0x80004005 (E_FAIL), expected S_OK")) << report();
}

TEST_F(MessengerSessionTest, ValuesOfTheWrongShapeAreViolations)
{
    std::vector<Variant> eleven = availablePresenceProperties();
    eleven.pop_back();
    messenger_.presence = answerOf(S_OK, arrayOf(eleven));
    messenger_.contactStatus = answerOf(S_OK, 7L);
    run();
    EXPECT_LE(2, report_.violations()) << report();
    EXPECT_LE(1u, printed("PresenceProperties: answered 11 properties, not 12")) << report();
    EXPECT_LE(1u, printed("IMessengerContact.Status: answered 7, which is no MISTATUS")) << report();
}

TEST_F(MessengerSessionTest, ALateBoundValueOfAnotherTypeIsAViolation)
{
    messenger_.myStatusAnswer = answerOf(S_OK, 2L);
    messenger_.myStatusAnswer.shapeProblem = L"answered VT_BSTR where the member declares a 32-bit number";
    run();
    EXPECT_EQ(1u, printed("VIOLATION: IMessenger.MyStatus: answered VT_BSTR where the member declares")) << report();
}

TEST_F(MessengerSessionTest, AResolutionThatIsNeverAnsweredIsAMissingEvent)
{
    settings_.resolve = {L"nobody@corp.example"};
    run();
    EXPECT_EQ(1, report_.violations()) << report();
    EXPECT_EQ(1u, printed("no OnContactResolved for it within 300 ms (missing event)")) << report();
}

TEST_F(MessengerSessionTest, AResolutionAnsweredAtOnceInsteadOfPendingIsAViolation)
{
    settings_.resolve = {L"bo@corp.example"};
    messenger_.resolveResult = E_FAIL;
    run();
    EXPECT_EQ(1u, printed("ResolveContact(bo@corp.example): answered 0x80004005 (E_FAIL), expected 0x8000000A")) << report();
}

TEST_F(MessengerSessionTest, ASignedOutHostMustRefuseTheGuardedCalls)
{
    messenger_.signin = answerOf(static_cast<HRESULT>(0x8100031EL), std::wstring());
    messenger_.myStatusAnswer = answerOf(S_OK, 2L); // a provider that forgot the guard
    const officesim::MessengerSessionResult result = run();
    EXPECT_FALSE(result.signedIn);
    EXPECT_EQ(1u, printed("the host user is signed out")) << report();
    EXPECT_EQ(1u, printed("VIOLATION: IMessenger.MyStatus (signed out): answered 0x00000000 (S_OK), expected 0x8100031E"))
        << report();
}

TEST_F(MessengerSessionTest, AcceptingALiveMeetingIsAViolation)
{
    messenger_.liveMeetingResult = S_OK;
    run();
    EXPECT_EQ(1u, printed("StartConversation(live meeting, bo@example): answered 0x00000000 (S_OK), expected 0x80070057"))
        << report();
}

} // namespace
} // namespace officesimtest
