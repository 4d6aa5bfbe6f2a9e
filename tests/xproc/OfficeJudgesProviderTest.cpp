// officesim is the cross-process suite's judge: a well-behaved provider must pass both sessions, and each
// kind of fault (a failing member, a value of the wrong shape, a missing or premature event, a signed-out
// host answering, an event of the wrong shape) must be one violation that names the call. A judge that
// stopped seeing a fault would let the suite pass a broken module.
#include "SessionFixture.h"

#include "officesim/MessengerSession.h"
#include "officesim/UcSession.h"

#include "TavoMessengerLib.h"

#include <functional>

namespace officesimtest {
namespace {

using extensionsutils::ComPtr;
using officesim::answerOf;

class OfficeJudgesProvider : public SessionFixture {
protected:
    void runMessenger()
    {
        events_.advise(messenger_.messenger->identity(), DIID_DMessengerEvents, L"DMessengerEvents");
        officesim::MessengerSession(messenger_, check_, events_, settings_).run(messenger_.messenger->identity());
    }
    void runUc() { officesim::UcSession(uc_, check_, events_, settings_).run(messenger_.messenger->identity(), {L"bo@example"}); }

    void answerResolutionsWith(const std::wstring& imAddress)
    {
        messenger_.onResolve = [this, imAddress](const std::wstring& address) {
            messenger_.messenger->fire(0x41A, {Variant::fromInt32(S_OK), Variant::fromInt32(1),
                                               Variant::fromString(address), Variant::fromString(imAddress)});
        };
    }
};

TEST_F(OfficeJudgesProvider, AWellBehavedProviderPassesBothSessions)
{
    settings_.resolve = {L"bo@corp.example"};
    settings_.lookup = {L"bo@corp.example"};
    answerResolutionsWith(L"bo@example");
    runMessenger();
    runUc();
    EXPECT_EQ(0, report_.violations()) << report();
    EXPECT_EQ(1u, printed("ResolveContact(bo@corp.example): OnContactResolved -> bo@example")) << report();
    EXPECT_EQ(1u, printed("Lookup(bo@corp.example): _IUCCContactsAndGroupsCallback.OnLookup -> sip:bo@corp.example"))
        << report();
}

struct Fault {
    const char* name;
    std::function<void(FakeMessengerApi&, FakeUcApi&, officesim::SessionSettings&)> arrange;
    bool uc;               // the UC session judges it, else the Messenger session
    const char* violation; // a line of the report
};

class OfficeJudgesFault : public OfficeJudgesProvider, public ::testing::WithParamInterface<Fault> {};

TEST_P(OfficeJudgesFault, IsAViolationNamingTheCall)
{
    GetParam().arrange(messenger_, uc_, settings_);
    GetParam().uc ? runUc() : runMessenger();
    EXPECT_LE(1, report_.violations()) << report();
    EXPECT_EQ(1u, printed(GetParam().violation)) << report();
}

const Fault faults[] = {
    {"FailingMember", [](auto& m, auto&, auto&) { m.myStatusAnswer = answerOf(E_FAIL, 0L); }, false,
     "VIOLATION: IMessenger.MyStatus: answered 0x80004005 (E_FAIL), expected S_OK"},
    {"NoMistatus", [](auto& m, auto&, auto&) { m.contactStatus = answerOf(S_OK, 7L); }, false,
     "IMessenger.GetContact(bo@example): IMessengerContact.Status: answered 7, which is no MISTATUS"},
    {"LateBoundValueOfAnotherType",
     [](auto& m, auto&, auto&) {
         m.myStatusAnswer = answerOf(S_OK, 2L);
         m.myStatusAnswer.shapeProblem = L"answered VT_BSTR where the member declares a 32-bit number";
     },
     false, "VIOLATION: IMessenger.MyStatus: answered VT_BSTR where the member declares"},
    {"ResolutionNeverAnswered", [](auto&, auto&, auto& s) { s.resolve = {L"nobody@corp.example"}; }, false,
     "no OnContactResolved for it within 300 ms (missing event)"},
    {"ResolutionNotPending",
     [](auto& m, auto&, auto& s) {
         s.resolve = {L"bo@corp.example"};
         m.resolveResult = E_FAIL;
     },
     false, "ResolveContact(bo@corp.example): answered 0x80004005 (E_FAIL), expected 0x8000000A"},
    {"SignedOutHostAnswering",
     [](auto& m, auto&, auto&) {
         m.signin = answerOf(static_cast<HRESULT>(0x8100031EL), std::wstring());
         m.myStatusAnswer = answerOf(S_OK, 2L);
     },
     false, "VIOLATION: IMessenger.MyStatus (signed out): answered 0x00000000 (S_OK), expected 0x8100031E"},
    {"LiveMeetingAccepted", [](auto& m, auto&, auto&) { m.liveMeetingResult = S_OK; }, false,
     "StartConversation(live meeting, bo@example): answered 0x00000000 (S_OK), expected 0x80070057"},
    {"ClientNotSignedIn", [](auto&, auto& u, auto&) { u.state = answerOf(S_OK, 1L); }, true,
     "VIOLATION: IUCCClient.State: answered signed out (1) while the provider runs"},
    {"AddressWithoutSip", [](auto&, auto& u, auto&) { u.uriScheme = L""; }, true,
     "IUCCContact.Uri: answered \"bo@example\", which is no sip: address"},
    {"LookupNeverAnswered",
     [](auto&, auto& u, auto& s) {
         s.lookup = {L"bo@corp.example"};
         u.answerLookups = false;
     },
     true, "no OnLookup within 300 ms (missing event)"},
};

INSTANTIATE_TEST_SUITE_P(Faults, OfficeJudgesFault, ::testing::ValuesIn(faults),
                         [](const ::testing::TestParamInfo<Fault>& info) { return std::string(info.param.name); });

TEST_F(OfficeJudgesProvider, AnEventOfTheWrongShapeOrThatIsNeverSentIsAViolation)
{
    ComPtr<FakeEventSource> messenger = FakeEventSource::create();
    ASSERT_EQ(S_OK, events_.advise(messenger->identity(), DIID_DMessengerEvents, L"DMessengerEvents"));
    messenger->fire(0x406, {Variant::fromString(L"carla@example"), Variant::fromInt32(2)});
    messenger->fire(0x400, {Variant::fromInt32(S_OK)}); // OnSignin
    events_.describeNew();
    EXPECT_EQ(1u, printed("VIOLATION: DMessengerEvents.OnContactStatusChange: arrived with the arguments (VT_BSTR, VT_I4)"))
        << report();
    EXPECT_EQ(1u, printed("VIOLATION: DMessengerEvents dispid 0x400: an event the provider never sends")) << report();
}

} // namespace
} // namespace officesimtest
