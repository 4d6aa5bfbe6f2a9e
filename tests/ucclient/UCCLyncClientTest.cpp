// The client object that Office 2013/2016 gets from GetInterface: its fixed answers, the user's address,
// the objects behind it, and the state event at shutdown.

#include "extensionsutils/EventDelivery.h"
#include "IUCOfficeIntegration/UCCLyncClient.h"

#include "ClientFixture.h"
#include "support/LateBoundCall.h"

#include "ExtensionProvider/ContactResolver.h"

#include <chrono>
#include <future>
#include <thread>
#include <type_traits>

using extensionsutils::Bstr;
using extensionsutils::ComPtr;
using extensionsutils::MICComPtr;
using extensionsutils::Variant;
using fakeoffice::OfficeEvent;

namespace {

const wchar_t* const ClientSourceFile = L"extensions/tavomessenger/IUCOfficeIntegration/UCCLyncClient";

class UCCLyncClientTest : public ClientFixture {
protected:
    void SetUp() override
    {
        ClientFixture::SetUp();
        object = UCCLyncClient::create();
        ASSERT_TRUE(object);
        client = object.as<IUCCLyncClient>();
    }

    void TearDown() override
    {
        client.reset();
        object.reset();
        ClientFixture::TearDown();
    }

    ClientState stateOf(IUCCClient* source)
    {
        ClientState state = ucClientStateInvalid;
        EXPECT_EQ(source->get_State(&state), S_OK);
        return state;
    }

    // The event data of a recorded OnStateChanged, checked for its shape on the way.
    ComPtr<IUCCClientStateChangedEventData> eventDataOf(const OfficeEvent& event)
    {
        EXPECT_EQ(event.id, 100);
        EXPECT_TRUE(IsEqualIID(event.eventInterface, DIID__IUCCLyncClientEvents));
        if (event.arguments.size() != 2) {
            ADD_FAILURE() << event.arguments.size() << " arguments";
            return nullptr;
        }
        EXPECT_EQ(event.arguments[0].type(), VT_UNKNOWN);
        EXPECT_EQ(event.arguments[1].type(), VT_UNKNOWN);
        EXPECT_TRUE(extensionsutils::sameComObject(event.arguments[0].get()->punkVal, client.get()))
            << "the event's source is the client";
        ComPtr<IUnknown> data(event.arguments[1].get()->punkVal);
        return data.as<IUCCClientStateChangedEventData>();
    }

    MICComPtr<UCCLyncClient> object;
    ComPtr<IUCCLyncClient> client;
};

TEST_F(UCCLyncClientTest, AFreshClientIsASignedInUnifiedCommunicationsClient)
{
    EXPECT_EQ(stateOf(client.get()), ucClientStateSignedIn);
    ClientType type = ucClientTypeUnknown;
    EXPECT_EQ(client->get_Type(&type), S_OK);
    EXPECT_EQ(type, ucClientTypeUC);
    EXPECT_EQ(client->get_State(nullptr), E_POINTER);
    EXPECT_EQ(client->get_Type(nullptr), E_POINTER);
}

TEST_F(UCCLyncClientTest, UriIsTheSignedInUsersAddressAsTheHostNamesIt)
{
    BSTR uri = nullptr;
    ASSERT_EQ(client->get_Uri(&uri), S_OK);
    EXPECT_EQ(takeText(uri), kUser);

    // Asked afresh every time: a host that no longer knows its user fails the call.
    host().clearClientUser();
    BSTR untouched = reinterpret_cast<BSTR>(0x1234);
    EXPECT_EQ(client->get_Uri(&untouched), E_FAIL);
    EXPECT_EQ(untouched, reinterpret_cast<BSTR>(0x1234));
    EXPECT_TRUE(host().logged(L"Unable to get ClientUser contact"));
    EXPECT_EQ(client->get_Uri(nullptr), E_POINTER);
}

TEST_F(UCCLyncClientTest, AHostUserWithoutANameGivesAnEmptyUri)
{
    host().answerEmpty(fakehost::HostMethod::GetSigninName);
    BSTR uri = nullptr;
    ASSERT_EQ(client->get_Uri(&uri), S_OK);
    EXPECT_NE(uri, nullptr) << "a string, not a null pointer";
    EXPECT_EQ(takeText(uri), L"");
}

TEST_F(UCCLyncClientTest, HandsOutTheSameSelfAndContactManagerForItsWholeLife)
{
    ComPtr<IUCCSelf> self;
    ComPtr<IUCCSelf> selfAgain;
    ASSERT_EQ(client->get_Self(self.out()), S_OK);
    ASSERT_EQ(client->get_Self(selfAgain.out()), S_OK);
    EXPECT_TRUE(self);
    EXPECT_EQ(self, selfAgain);

    ComPtr<IUCCContactManager> manager;
    ComPtr<IUCCContactManager> privateManager;
    ASSERT_EQ(client->get_ContactManager(manager.out()), S_OK);
    ASSERT_EQ(client.as<IUCCClient2>()->get_PrivateContactManager(privateManager.out()), S_OK);
    EXPECT_TRUE(manager);
    EXPECT_EQ(manager, privateManager);

    EXPECT_EQ(client->get_Self(nullptr), E_POINTER);
    EXPECT_EQ(client->get_ContactManager(nullptr), E_POINTER);
    EXPECT_EQ(client.as<IUCCClient2>()->get_PrivateContactManager(nullptr), E_POINTER);
}

TEST_F(UCCLyncClientTest, AnswersEveryInterfaceOfTheClassAsOneObject)
{
    for (const IID& iid : {IID_IUnknown, IID_IDispatch, IID_IUCCClient, IID_IUCCLyncClient, IID_IUCCClient2,
                           IID_IConnectionPointContainer}) {
        ComPtr<IUnknown> answer;
        ASSERT_EQ(client->QueryInterface(iid, reinterpret_cast<void**>(answer.out())), S_OK);
        EXPECT_TRUE(extensionsutils::sameComObject(answer.get(), client.get()));
    }
    ComPtr<IUnknown> none;
    EXPECT_EQ(client->QueryInterface(IID_IUCCSelf, reinterpret_cast<void**>(none.out())), E_NOINTERFACE);

    ComPtr<IConnectionPoint> point;
    EXPECT_EQ(client.as<IConnectionPointContainer>()->FindConnectionPoint(DIID__IUCCLyncClientEvents, point.out()), S_OK);
    EXPECT_EQ(client.as<IConnectionPointContainer>()->FindConnectionPoint(DIID__IUCCContactEvents, point.out()),
              CONNECT_E_NOCONNECTION);
}

TEST_F(UCCLyncClientTest, HostOwnedMembersAreNotImplementedAndLeaveTheirOutputs)
{
    void* const sentinel = reinterpret_cast<void*>(0x5150);
    auto untouched = [&](auto** slot) { *slot = static_cast<std::remove_pointer_t<decltype(slot)>>(sentinel); };

    IUCCConversationManager* conversations;
    untouched(&conversations);
    EXPECT_EQ(client->get_ConversationManager(&conversations), E_NOTIMPL);
    IUCCConferenceScheduler* scheduler;
    untouched(&scheduler);
    EXPECT_EQ(client->get_ConferenceScheduler(&scheduler), E_NOTIMPL);
    IUCCAsynchronousOperation* operation;
    untouched(&operation);
    EXPECT_EQ(client->Signin(Bstr(kUser).get(), nullptr, nullptr, nullptr, Variant().get()[0], &operation), E_NOTIMPL);
    EXPECT_EQ(client->Signout(nullptr, Variant().get()[0], &operation), E_NOTIMPL);
    IUCCSignInConfiguration* configuration;
    untouched(&configuration);
    EXPECT_EQ(client->get_SignInConfiguration(&configuration), E_NOTIMPL);
    LyncClientCapabilityTypes capabilities = static_cast<LyncClientCapabilityTypes>(77);
    EXPECT_EQ(client->get_Capabilities(&capabilities), E_NOTIMPL);
    IUCCDeviceManager* devices;
    untouched(&devices);
    EXPECT_EQ(client->get_DeviceManager(&devices), E_NOTIMPL);
    IUCCRoomManager* rooms;
    untouched(&rooms);
    EXPECT_EQ(client.as<IUCCClient2>()->get_RoomManager(&rooms), E_NOTIMPL);
    IUCCClientSettings* settings;
    untouched(&settings);
    EXPECT_EQ(client.as<IUCCClient2>()->get_Settings(&settings), E_NOTIMPL);

    EXPECT_EQ(conversations, sentinel);
    EXPECT_EQ(scheduler, sentinel);
    EXPECT_EQ(operation, sentinel);
    EXPECT_EQ(configuration, sentinel);
    EXPECT_EQ(capabilities, 77);
    EXPECT_EQ(devices, sentinel);
    EXPECT_EQ(rooms, sentinel);
    EXPECT_EQ(settings, sentinel);
    EXPECT_EQ(stateOf(client.get()), ucClientStateSignedIn) << "signing out is the host's";
}

TEST_F(UCCLyncClientTest, SetUpMembersSucceedWithNothingDoneAndTheirOutputsAsTheyWere)
{
    SAFEARRAY* delegators = reinterpret_cast<SAFEARRAY*>(0x5150);
    EXPECT_EQ(client->get_DelegatorClients(&delegators), S_OK);
    EXPECT_EQ(delegators, reinterpret_cast<SAFEARRAY*>(0x5150));
    IUCCUtilities* utilities = reinterpret_cast<IUCCUtilities*>(0x5150);
    EXPECT_EQ(client->get_Utilities(&utilities), S_OK);
    EXPECT_EQ(utilities, reinterpret_cast<IUCCUtilities*>(0x5150));
    IUCCApplicationRegistration* registration = reinterpret_cast<IUCCApplicationRegistration*>(0x5150);
    EXPECT_EQ(client->CreateApplicationRegistration(Bstr(L"{0}").get(), Bstr(L"app").get(), &registration), S_OK);
    EXPECT_EQ(registration, reinterpret_cast<IUCCApplicationRegistration*>(0x5150));
    VARIANT_BOOL suppressed = 7;
    EXPECT_EQ(client->get_InSuppressedMode(&suppressed), S_OK);
    EXPECT_EQ(suppressed, 7);
    IUCCAsynchronousOperation* operation = reinterpret_cast<IUCCAsynchronousOperation*>(0x5150);
    EXPECT_EQ(client->Initialize(Bstr(L"Office").get(), nullptr, nullptr, nullptr, nullptr,
                                 static_cast<SupportedFeatures>(0), nullptr, Variant().get()[0], &operation),
              S_OK);
    EXPECT_EQ(client->Shutdown(nullptr, Variant().get()[0], &operation), S_OK);
    EXPECT_EQ(operation, reinterpret_cast<IUCCAsynchronousOperation*>(0x5150));
    EXPECT_EQ(stateOf(client.get()), ucClientStateSignedIn) << "shutting down is the host's";
}

TEST_F(UCCLyncClientTest, SigningOutFiresOnStateChangedOnceWithTheOldAndNewState)
{
    adviseSink(client.get(), DIID__IUCCLyncClientEvents);
    adviseSink(client.get(), DIID__IUCCLyncClientEvents);

    object->setClientState(ucClientStateSignedOut);
    object->setClientState(ucClientStateSignedOut);

    EXPECT_EQ(stateOf(client.get()), ucClientStateSignedOut);
    const std::vector<OfficeEvent> events = journal->events();
    ASSERT_EQ(events.size(), 2u) << "one event for each of the two sinks";
    for (const OfficeEvent& event : events) {
        ComPtr<IUCCClientStateChangedEventData> data = eventDataOf(event);
        ASSERT_TRUE(data);
        ClientState oldState = ucClientStateInvalid;
        ClientState newState = ucClientStateInvalid;
        LONG status = -1;
        EXPECT_EQ(data->get_OldState(&oldState), S_OK);
        EXPECT_EQ(data->get_NewState(&newState), S_OK);
        EXPECT_EQ(data->get_StatusCode(&status), S_OK);
        EXPECT_EQ(oldState, ucClientStateSignedIn);
        EXPECT_EQ(newState, ucClientStateSignedOut);
        EXPECT_EQ(status, 0);
        EXPECT_EQ(data->get_OldState(nullptr), E_POINTER);
    }

    const fakehost::LogRecord record = onlyRecordOf(L"Setting client state from: 3 to: 1");
    EXPECT_EQ(record.hostLevel, 4); // module level 1
    EXPECT_EQ(record.function, L"UCCLyncClient::setClientState");
    EXPECT_EQ(record.file, ClientSourceFile);
}

TEST_F(UCCLyncClientTest, AFailingOrLeavingSinkDoesNotKeepTheStateFromChanging)
{
    auto failing = adviseSink(client.get(), DIID__IUCCLyncClientEvents);
    failing->setResult(E_FAIL);
    adviseSink(client.get(), DIID__IUCCLyncClientEvents);
    object->setClientState(ucClientStateSignedOut);
    EXPECT_EQ(journal->count(), 2u) << "the sink after the failing one still hears of it";
    EXPECT_EQ(stateOf(client.get()), ucClientStateSignedOut);

    // A sink that unadvises inside the event (another Office process reacting to it) is let go without
    // harm, and the sink after it still hears of the change.
    failing->setHook([&](const OfficeEvent&) { failing->unadvise(); });
    object->setClientState(ucClientStateSignedIn);
    EXPECT_EQ(stateOf(client.get()), ucClientStateSignedIn);
    EXPECT_EQ(journal->count(), 4u);
}

TEST_F(UCCLyncClientTest, ASinkMayReadTheStateFromAnyThreadWhileItHandlesTheEvent)
{
    // Office's sink runs in another process: its reads arrive on another thread of the host's process
    // while the event is still being fired.
    ClientState readOnFiringThread = ucClientStateInvalid;
    ClientState readOnOtherThread = ucClientStateInvalid;
    bool otherThreadAnswered = false;
    std::thread reader;
    auto sink = adviseSink(client.get(), DIID__IUCCLyncClientEvents);
    sink->setHook([&](const OfficeEvent&) {
        client->get_State(&readOnFiringThread);
        std::promise<void> answered;
        std::future<void> done = answered.get_future();
        reader = std::thread([&, promise = std::move(answered)]() mutable {
            CoInitializeEx(nullptr, COINIT_MULTITHREADED);
            client->get_State(&readOnOtherThread);
            CoUninitialize();
            promise.set_value();
        });
        otherThreadAnswered = done.wait_for(std::chrono::seconds(10)) == std::future_status::ready;
    });

    object->setClientState(ucClientStateSignedOut);
    extensionsutils::EventDelivery::waitUntilSettled(5000);
    if (reader.joinable()) reader.join();

    EXPECT_TRUE(otherThreadAnswered) << "a read from another thread waited for the event to end";
    EXPECT_EQ(readOnFiringThread, ucClientStateSignedOut);
    EXPECT_EQ(readOnOtherThread, ucClientStateSignedOut);
}

TEST_F(UCCLyncClientTest, InitialiseLendsTheResolverToTheContactManagerUntilDisconnected)
{
    auto resolver = std::make_shared<ContactResolver>(std::weak_ptr<WorkerThread>());
    object->initialise(std::weak_ptr<WorkerThread>(), resolver);
    EXPECT_EQ(resolver.use_count(), 2);
    object->disconnect();
    EXPECT_EQ(resolver.use_count(), 1) << "a stopping module keeps nothing of its resolver";
    object->disconnect();
}

TEST_F(UCCLyncClientTest, AnswersLateBoundAsOfficeCallsIt)
{
    ComPtr<IDispatch> dispatch = client.as<IDispatch>();
    LateBoundResult state = callByName(dispatch.get(), L"State", DISPATCH_PROPERTYGET);
    EXPECT_EQ(state.invoke, S_OK);
    EXPECT_EQ(state.value.get()->lVal, ucClientStateSignedIn);
    EXPECT_EQ(dispatchIdOf(dispatch.get(), L"State"), 0x60020001);

    LateBoundResult type = callByName(dispatch.get(), L"Type", DISPATCH_PROPERTYGET);
    EXPECT_EQ(type.invoke, S_OK);
    EXPECT_EQ(type.value.get()->lVal, ucClientTypeUC);

    LateBoundResult uri = callByName(dispatch.get(), L"Uri", DISPATCH_PROPERTYGET);
    ASSERT_EQ(uri.invoke, S_OK);
    ASSERT_EQ(uri.value.type(), VT_BSTR);
    EXPECT_STREQ(uri.value.get()->bstrVal, kUser);

    LateBoundResult self = callByName(dispatch.get(), L"Self", DISPATCH_PROPERTYGET);
    ASSERT_EQ(self.invoke, S_OK);
    ASSERT_EQ(self.value.type(), VT_DISPATCH);
    EXPECT_TRUE(ComPtr<IDispatch>(self.value.get()->pdispVal).as<IUCCSelf>());

    LateBoundResult manager = callByName(dispatch.get(), L"ContactManager", DISPATCH_PROPERTYGET);
    ASSERT_EQ(manager.invoke, S_OK);
    ASSERT_EQ(manager.value.type(), VT_DISPATCH);
    EXPECT_TRUE(ComPtr<IDispatch>(manager.value.get()->pdispVal).as<IUCCContactManager>());

    EXPECT_EQ(callByName(dispatch.get(), L"Signin", DISPATCH_METHOD).member, E_NOTIMPL);
    EXPECT_EQ(callByName(dispatch.get(), L"Signout", DISPATCH_METHOD).member, E_NOTIMPL);
    EXPECT_EQ(callByName(dispatch.get(), L"ConversationManager", DISPATCH_PROPERTYGET).member, E_NOTIMPL);
    EXPECT_EQ(callByName(dispatch.get(), L"DeviceManager", DISPATCH_PROPERTYGET).member, E_NOTIMPL);
    EXPECT_EQ(callByName(dispatch.get(), L"Initialize", DISPATCH_METHOD, {Variant::fromString(L"Office")}).invoke, S_OK);
    EXPECT_EQ(callByName(dispatch.get(), L"Shutdown", DISPATCH_METHOD).invoke, S_OK);
    EXPECT_EQ(callByName(dispatch.get(), L"InSuppressedMode", DISPATCH_PROPERTYGET).invoke, S_OK);

    // IUCCClient2 answers through its own IDispatch.
    ComPtr<IUCCClient2> client2 = client.as<IUCCClient2>();
    IDispatch* dispatch2 = client2.get();
    EXPECT_EQ(dispatchIdOf(dispatch2, L"PrivateContactManager"), 0x10000001);
    LateBoundResult privateManager = callByName(dispatch2, L"PrivateContactManager", DISPATCH_PROPERTYGET);
    ASSERT_EQ(privateManager.invoke, S_OK);
    ASSERT_EQ(privateManager.value.type(), VT_DISPATCH);
    EXPECT_TRUE(extensionsutils::sameComObject(privateManager.value.get()->pdispVal, manager.value.get()->pdispVal));
    EXPECT_EQ(callByName(dispatch2, L"RoomManager", DISPATCH_PROPERTYGET).member, E_NOTIMPL);
}

TEST_F(UCCLyncClientTest, TheEventDataAnswersLateBound)
{
    adviseSink(client.get(), DIID__IUCCLyncClientEvents);
    object->setClientState(ucClientStateSignedOut);
    ASSERT_EQ(journal->count(), 1u);
    ComPtr<IDispatch> data = eventDataOf(journal->events().front()).as<IDispatch>();
    ASSERT_TRUE(data);
    LateBoundResult oldState = callByName(data.get(), L"OldState", DISPATCH_PROPERTYGET);
    LateBoundResult newState = callByName(data.get(), L"NewState", DISPATCH_PROPERTYGET);
    LateBoundResult status = callByName(data.get(), L"StatusCode", DISPATCH_PROPERTYGET);
    EXPECT_EQ(oldState.invoke, S_OK);
    EXPECT_EQ(oldState.value.get()->lVal, ucClientStateSignedIn);
    EXPECT_EQ(newState.value.get()->lVal, ucClientStateSignedOut);
    EXPECT_EQ(status.invoke, S_OK);
    EXPECT_EQ(status.value.get()->lVal, 0);
}

} // namespace
