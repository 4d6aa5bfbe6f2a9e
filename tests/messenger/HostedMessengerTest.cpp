// The Messenger object as the class factory makes it, over the fake host (a signed-in user and a few
// contacts) and a module worker: the host's presence changes and resolution answers become Office's events.
#include "MessengerFixture.h"

#include "ExtensionProvider/TavoExtensionIMAndPresenceEvents.h"

using fakehost::FakeHost;
using namespace officeevents;

namespace {

const wchar_t* const refusedPresenceLine = L"Failed to enqueue the presence change task, because mpWorkerThread is NULL.";

class HostedMessengerTest : public MessengerTest {
protected:
    fakeoffice::FakeOfficeSink* connectSink() { return ModuleFixture::connectSink(messenger.identity()); }
    std::vector<std::wstring> resolvedEvents() const { return described(journal->events(), contactResolved); }
    // An OnContactResolved of "email, imAddress", with S_OK and ADDRESS_TYPE_SMTP.
    static std::wstring resolved(const wchar_t* addresses) { return L"0x41a(0, 1, " + std::wstring(addresses) + L")"; }
};

TEST_F(HostedMessengerTest, TheListenerIsRegisteredOnceUntilUninitialise)
{
    ASSERT_EQ(host().addedListeners().size(), 1u);
    messenger->uninitialise();
    EXPECT_EQ(host().removedListeners(), host().addedListeners()) << "removed once, with the pointer given at registration";
    EXPECT_EQ(host().listenerCount(), 0u);

    host().failMethod(HostMethod::AddIMAndPresenceEventListener, E_FAIL, 1);
    host().failMethod(HostMethod::CreateEventManager, E_FAIL, 1);
    for (int failing = 0; failing < 2; ++failing) createMessenger(0);
    EXPECT_EQ(logCount(L"eventManager->AddIMAndPresenceEventListener(imAndPresenceEvents), failed"), 2u);
    EXPECT_EQ(host().listenerCount(), 0u);
}

TEST_F(HostedMessengerTest, PresenceChangesReachEverySinkInOrderOnTheWorker)
{
    connectSink();
    connectSink();
    const struct { const wchar_t* contact; long presence; LONG status; } changes[] = {
        {L"bob", 1, MISTATUS_ONLINE}, {L"carol", 2, MISTATUS_AWAY}, {L"bob", 5, MISTATUS_OFFLINE}, {L"carol", 9, MISTATUS_UNKNOWN}};
    std::vector<std::wstring> expected;
    for (const auto& change : changes) {
        host().setPresence(change.contact, change.presence, L"text");
        EXPECT_EQ(host().firePresenceChanged(change.contact), std::vector<HRESULT>{S_OK});
        drainWorker(); // one at a time: a change still waiting for its sink would be replaced by the next
        expected.insert(expected.end(), 2, L"0x406(" + std::wstring(change.contact) + L", " + std::to_wstring(change.status) + L")");
    }
    EXPECT_EQ(described(journal->events(), contactStatusChange), expected);
    for (const OfficeEvent& event : journal->events()) EXPECT_EQ(event.apartment, "MTA");
    EXPECT_EQ(host().recordsOf(L"sending presence update for contact - carol").at(0).threadId, workerThreadId);
}

TEST_F(HostedMessengerTest, APresenceChangeTooLateToDeliverFailsWithItsLogLine)
{
    connectSink();
    enterStopWindow();
    EXPECT_EQ(host().firePresenceChanged(L"bob"), std::vector<HRESULT>{E_FAIL});
    expectLogged(refusedPresenceLine, 1); // module level 4
    stopWorker();
    EXPECT_EQ(host().firePresenceChanged(L"bob"), std::vector<HRESULT>{E_FAIL});
    EXPECT_EQ(logCount(refusedPresenceLine), 2u);
    EXPECT_EQ(journal->count(), 0u);
}

// A disconnect from inside an event is refused too, and changes nothing.
TEST_F(HostedMessengerTest, MalformedPresenceChangesAreRefusedWithTheirLogLines)
{
    connectSink();
    ComPtr<IDispatch> contact = host().makeContactObject(L"bob"), presence = host().makePresenceState(1, L"Available");
    ComPtr<IDispatch> wrong = host().makeWrongObject();
    const struct { IDispatch* contact; IDispatch* presence; const wchar_t* line; } cases[] = {
        {nullptr, presence.get(), L"Contact is NULL"},
        {contact.get(), nullptr, L"PresenceState is NULL"},
        {contact.get(), wrong.get(), L"Unable to QueryInterface IDispatch for IPresenceState"},
        {wrong.get(), presence.get(), L"Unable to QueryInterface IDispatch for IContact"},
    };
    auto listener = extensionsutils::ComObject<TavoExtensionIMAndPresenceEvents>::create();
    ASSERT_EQ(listener->Initialize(messenger.get(), worker, std::make_shared<Configuration>(0), nullptr), S_OK);
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.line, c.line + wcslen(c.line)));
        EXPECT_EQ(listener->OnContactPresenceChanged(c.contact, c.presence), E_FAIL);
        EXPECT_EQ(logCount(c.line), 1u);
    }
    HRESULT nested = S_OK;
    host().addLogHook([&](const fakehost::LogRecord& record) {
        if (record.message == L"Contact is NULL") nested = listener->disconnect();
    });
    EXPECT_EQ(listener->OnContactPresenceChanged(nullptr, presence.get()), E_FAIL);
    host().clearLogHooks();
    EXPECT_EQ(nested, E_UNEXPECTED);
    EXPECT_EQ(logCount(L"could not take the listener lock"), 1u);
    EXPECT_EQ(listener->OnContactPresenceChanged(contact.get(), presence.get()), S_OK);
    drainWorker();
    EXPECT_EQ(journal->count(), 1u) << "only the well-formed change reaches the Messenger object";
}

TEST_F(HostedMessengerTest, HostKeepingTheListenerAfterAFailedRemovalCannotReachTheObject)
{
    connectSink();
    host().failMethod(HostMethod::RemoveIMAndPresenceEventListener);
    messenger->uninitialise();
    EXPECT_EQ(logCount(L"pEventManager->RemoveIMAndPresenceEventListener failed"), 1u);
    ASSERT_EQ(host().listenerCount(), 1u);
    EXPECT_EQ(host().firePresenceChanged(L"bob"), std::vector<HRESULT>{E_FAIL});
    EXPECT_EQ(logCount(L"windowsMessenger is NULL"), 1u);
    // A resolution answer is accepted and logged whatever comes of it.
    EXPECT_EQ(host().answerResolution(L"ann@example.com", L"sip:ann"), std::vector<HRESULT>{S_OK});
    expectLogged(L"Contact Resolved", 4); // module level 1
    drainWorker();
    EXPECT_EQ(journal->count(), 0u);
    host().clearFailures();
}

TEST_F(HostedMessengerTest, ResolutionsReachOfficeInOrderPerAddressOnlyWhenFound)
{
    connectSink();
    const std::vector<std::wstring> asked = {L"ann@example.com", L"bob@example.com", L"ann@example.com", L"nobody@example.com",
                                             L"cy@example.com"};
    for (const std::wstring& address : asked) EXPECT_EQ(resolve(address), E_PENDING);
    EXPECT_EQ(resolve(L""), E_INVALIDARG);
    EXPECT_EQ(host().resolveRequests(), asked) << "an empty address is refused before the host";
    // Bob@Example.com is another address (case counts); the user's collation ignores the soft hyphen in cy's
    // address, and Office is told the address it asked for.
    const std::pair<const wchar_t*, const wchar_t*> answers[] = {{L"ann@example.com", L"sip:ann-1"}, {L"nobody@example.com", L""},
        {L"Bob@Example.com", L"sip:Bob"}, {L"bob@example.com", L"sip:bob"}, {L"ann@example.com", L"sip:ann-2"},
        {L"cy@exam\u00ADple.com", L"sip:cy"}, {L"ann@example.com", L"sip:late"}};
    for (const auto& [email, imAddress] : answers) {
        host().answerResolution(email, imAddress);
        drainWorker();
    }
    EXPECT_EQ(resolvedEvents(), (std::vector<std::wstring>{resolved(L"ann@example.com, sip:ann-1"), resolved(L"bob@example.com, sip:bob"),
                                                           resolved(L"ann@example.com, sip:ann-2"), resolved(L"cy@example.com, sip:cy")}));
    EXPECT_EQ(logCount(L"Resolution failed, not notifying clients"), 1u);
    const auto unmatched = host().recordsOf(L"Unable to find a corresponding first callback, returning a dummy");
    ASSERT_EQ(unmatched.size(), 2u) << "Bob@Example.com and a third answer for ann find nobody waiting";
    EXPECT_EQ(unmatched[0].hostLevel, 1); // module level 4
    EXPECT_EQ(host().recordsOf(L"Dummy callback executed").at(1).hostLevel, 3); // module level 2
}

TEST_F(HostedMessengerTest, AnAnswerGivenAtOnceReachesOfficeOnlyAfterResolveContactReturned)
{
    connectSink();
    host().setResolutionMode(FakeHost::ResolutionMode::WhileRequesting);
    host().setResolutionAnswer(L"ann@example.com", L"sip:ann");
    std::size_t firedBeforeReturn = 99;
    host().setAnsweredWhileRequestingHook([&] {
        drainWorker();
        firedBeforeReturn = journal->count();
    });
    EXPECT_EQ(resolve(L"ann@example.com"), E_PENDING);
    drainWorker();
    EXPECT_EQ(firedBeforeReturn, 0u);
    EXPECT_EQ(resolvedEvents(), std::vector<std::wstring>{resolved(L"ann@example.com, sip:ann")});
}

} // namespace
