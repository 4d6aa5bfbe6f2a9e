#include "HostedMessenger.h"

#include "ExtensionProvider/TavoExtensionIMAndPresenceEvents.h"

#include "extensionsutils/Bstr.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using extensionsutils::Bstr;
using extensionsutils::ComPtr;
using fakehost::HostMethod;
using fakeoffice::OfficeEvent;

namespace {

const DISPID OnContactStatusChangeId = 0x406;

std::wstring signinNameOf(const extensionsutils::Variant& contact)
{
    if (contact.type() != VT_DISPATCH || !contact.get()->pdispVal) return L"<no contact>";
    ComPtr<IMessengerContact> messengerContact;
    if (FAILED(contact.get()->pdispVal->QueryInterface(IID_IMessengerContact, reinterpret_cast<void**>(messengerContact.out()))))
        return L"<not a Messenger contact>";
    Bstr name;
    messengerContact->get_SigninName(name.out());
    return name.str();
}

using HostEventsTest = HostedMessengerTest;

TEST_F(HostEventsTest, ListenerIsRegisteredOnceAndRemovedAtUninitialise)
{
    ASSERT_EQ(host().addedListeners().size(), 1u);
    EXPECT_EQ(host().listenerCount(), 1u);
    EXPECT_TRUE(host().removedListeners().empty());

    messenger->uninitialise();

    EXPECT_EQ(host().removedListeners(), host().addedListeners()) << "removed once, with the pointer given at registration";
    EXPECT_EQ(host().listenerCount(), 0u);
    EXPECT_EQ(logCount(L"Uninitialising ExtensionEventManager"), 1u);
    const std::vector<fakehost::LogRecord> destructing = host().recordsOf(L"destructing");
    ASSERT_GE(destructing.size(), 1u);
    EXPECT_EQ(destructing[0].function, L"TavoExtensionEventManager::~TavoExtensionEventManager");
    EXPECT_EQ(destructing[0].file, L"extensions/tavomessenger/ExtensionProvider/TavoExtensionEventManager");
}

TEST_F(HostEventsTest, PresenceChangesReachEverySinkOnTheWorkerThreadInOrderWithTheMappedStatus)
{
    connectSink();
    connectSink();
    const struct
    {
        const wchar_t* contact;
        long presence;
        LONG status;
    } changes[] = {{L"bob", 1, MISTATUS_ONLINE},         {L"carol", 2, MISTATUS_AWAY}, {L"bob", 3, MISTATUS_DO_NOT_DISTURB},
                   {L"bob", 4, MISTATUS_AWAY},           {L"bob", 5, MISTATUS_OFFLINE}, {L"carol", 9, MISTATUS_UNKNOWN}};
    for (const auto& change : changes) {
        host().setPresence(change.contact, change.presence, L"text");
        EXPECT_EQ(host().firePresenceChanged(change.contact), std::vector<HRESULT>{S_OK});
        drainWorker(); // one at a time: a change still waiting for its sink would be replaced by the next
    }

    const std::vector<OfficeEvent> events = eventsWithId(OnContactStatusChangeId);
    ASSERT_EQ(events.size(), 2 * std::size(changes));
    for (std::size_t i = 0; i < events.size(); ++i) {
        SCOPED_TRACE(i);
        const auto& change = changes[i / 2];
        EXPECT_EQ(events[i].apartment, "MTA");
        ASSERT_EQ(events[i].arguments.size(), 2u);
        EXPECT_EQ(signinNameOf(events[i].arguments[0]), change.contact);
        EXPECT_EQ(events[i].arguments[1].type(), VT_I4);
        EXPECT_EQ(events[i].arguments[1].get()->lVal, change.status);
    }
    const std::vector<fakehost::LogRecord> sent = host().recordsOf(L"sending presence update for contact - carol");
    ASSERT_EQ(sent.size(), 2u);
    EXPECT_EQ(sent[0].hostLevel, 5); // module level 0
    EXPECT_EQ(sent[0].function, L"ExtensionProviderEventWorkers::contactStatusChanged");
    EXPECT_EQ(sent[0].threadId, workerThreadId);
}

TEST_F(HostEventsTest, PresenceChangeAfterTheWorkerEndedFailsWithItsLogLine)
{
    connectSink();
    stopWorker();

    EXPECT_EQ(host().firePresenceChanged(L"bob"), std::vector<HRESULT>{E_FAIL});

    const std::vector<fakehost::LogRecord> records =
        host().recordsOf(L"Failed to enqueue the presence change task, because mpWorkerThread is NULL.");
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].hostLevel, 1); // module level 4
    EXPECT_EQ(records[0].function, L"TavoExtensionIMAndPresenceEvents::OnContactPresenceChanged");
    EXPECT_EQ(records[0].file, L"extensions/tavomessenger/ExtensionProvider/TavoExtensionIMAndPresenceEvents");
    EXPECT_EQ(journal->count(), 0u);
}

TEST_F(HostEventsTest, PresenceChangeInTheStopWindowFailsWithItsLogLine)
{
    connectSink();
    enterStopWindow();

    EXPECT_EQ(host().firePresenceChanged(L"bob"), std::vector<HRESULT>{E_FAIL});
    EXPECT_EQ(logCount(L"Failed to enqueue the presence change task, because mpWorkerThread is NULL."), 1u);
    stopWorker();
    EXPECT_EQ(journal->count(), 0u);
}

TEST_F(HostEventsTest, MalformedPresenceChangesAreRefusedWithTheirLogLines)
{
    connectSink();
    ComPtr<IDispatch> contact = host().makeContactObject(L"bob");
    ComPtr<IDispatch> presence = host().makePresenceState(1, L"Available");
    ComPtr<IDispatch> wrong = host().makeWrongObject();
    const struct
    {
        IDispatch* contact;
        IDispatch* presence;
        const wchar_t* line;
    } cases[] = {
        {nullptr, presence.get(), L"Contact is NULL"},
        {contact.get(), nullptr, L"PresenceState is NULL"},
        {contact.get(), wrong.get(), L"Unable to QueryInterface IDispatch for IPresenceState"},
        {wrong.get(), presence.get(), L"Unable to QueryInterface IDispatch for IContact"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.line, c.line + wcslen(c.line)));
        EXPECT_EQ(host().firePresenceChangedWith(c.contact, c.presence), std::vector<HRESULT>{E_FAIL});
        EXPECT_EQ(logCount(c.line), 1u);
    }
    drainWorker();
    EXPECT_EQ(journal->count(), 0u);
}

TEST_F(HostEventsTest, FailedRegistrationIsLoggedAndTheObjectStillWorks)
{
    host().failMethod(HostMethod::AddIMAndPresenceEventListener, E_FAIL, 1);
    host().failMethod(HostMethod::CreateEventManager, E_FAIL, 1);

    createMessenger();
    createMessenger();

    EXPECT_EQ(logCount(L"eventManager->AddIMAndPresenceEventListener(imAndPresenceEvents), failed"), 2u);
    EXPECT_EQ(host().listenerCount(), 1u) << "only the fixture's object is registered";
}

TEST_F(HostEventsTest, HostKeepingTheListenerAfterAFailedRemovalCannotReachTheObject)
{
    connectSink();
    host().failMethod(HostMethod::RemoveIMAndPresenceEventListener);

    messenger->uninitialise();

    EXPECT_EQ(logCount(L"pEventManager->RemoveIMAndPresenceEventListener failed"), 1u);
    ASSERT_EQ(host().listenerCount(), 1u);
    EXPECT_EQ(host().firePresenceChanged(L"bob"), std::vector<HRESULT>{E_FAIL});
    EXPECT_EQ(logCount(L"windowsMessenger is NULL"), 1u);
    EXPECT_EQ(host().answerResolution(L"ann@example.com", L"sip:ann"), std::vector<HRESULT>{S_OK});
    drainWorker();
    EXPECT_EQ(journal->count(), 0u);

    host().clearFailures();
    host().shutdown(); // lets go of the listener it kept
}

TEST_F(HostEventsTest, ResolutionAnswerIsLoggedAndAcceptedWhateverComesOfIt)
{
    EXPECT_EQ(host().answerResolution(L"nobody-asked@example.com", L""), std::vector<HRESULT>{S_OK});
    const std::vector<fakehost::LogRecord> records = host().recordsOf(L"Contact Resolved");
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].hostLevel, 4); // module level 1
    EXPECT_EQ(records[0].function, L"TavoExtensionIMAndPresenceEvents::OnContactResolved");
}

} // namespace

TEST_F(HostEventsTest, ADisconnectFromInsideAnEventIsRefusedAndChangesNothing)
{
    connectSink();
    auto listener = extensionsutils::ComObject<TavoExtensionIMAndPresenceEvents>::create();
    ASSERT_EQ(listener->Initialize(messenger.get(), worker, std::make_shared<Configuration>(0), nullptr), S_OK);
    HRESULT nested = S_OK;
    host().addLogHook([&](const fakehost::LogRecord& record) {
        if (record.message == L"Contact is NULL") nested = listener->disconnect();
    });
    ComPtr<IDispatch> presence = host().makePresenceState(1, L"Available");
    EXPECT_EQ(listener->OnContactPresenceChanged(nullptr, presence.get()), E_FAIL);
    host().clearLogHooks();

    EXPECT_EQ(nested, E_UNEXPECTED);
    EXPECT_EQ(logCount(L"could not take the listener lock"), 1u);
    EXPECT_EQ(listener->OnContactPresenceChanged(host().makeContactObject(L"bob").get(), presence.get()), S_OK);
    drainWorker();
    EXPECT_EQ(journal->count(), 1u) << "the listener still reaches the Messenger object";
}
