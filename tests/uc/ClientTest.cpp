// The client object Office 2013/2016 gets from GetInterface, and the self object behind it: fixed answers,
// the user's address asked afresh, the objects handed out for the client's life, and the state event.

#include "IUCOfficeIntegration/UCCLyncClient.h"

#include "UcFixture.h"

#include <chrono>
#include <future>
#include <thread>

namespace {

template <class T>
T* sentinel()
{
    return reinterpret_cast<T*>(0x5150);
}

class Client : public UcFixture {
protected:
    void SetUp() override
    {
        UcFixture::SetUp();
        object = UCCLyncClient::create();
        ASSERT_TRUE(object);
        object->initialise(worker, resolver);
        client = object.as<IUCCLyncClient>();
        ASSERT_EQ(client->get_Self(self.out()), S_OK);
    }

    void releaseTestObjects() override
    {
        self.reset();
        client.reset();
        if (object) object->disconnect();
        object.reset();
    }

    ClientState state()
    {
        ClientState value = ucClientStateInvalid;
        EXPECT_EQ(client->get_State(&value), S_OK);
        return value;
    }

    MICComPtr<UCCLyncClient> object;
    ComPtr<IUCCLyncClient> client;
    ComPtr<IUCCSelf> self;
};

TEST_F(Client, UriIsTheUsersAddressAskedAfreshEveryTime)
{
    BSTR uri = nullptr;
    ASSERT_EQ(client->get_Uri(&uri), S_OK);
    EXPECT_EQ(takeText(uri), kUser);
    host().answerEmpty(HostMethod::GetSigninName, 1);
    ASSERT_EQ(client->get_Uri(&uri), S_OK);
    EXPECT_NE(uri, nullptr) << "a nameless user is an empty string, not a null pointer";
    SysFreeString(uri);

    host().clearClientUser();
    BSTR untouched = sentinel<OLECHAR>();
    EXPECT_EQ(client->get_Uri(&untouched), E_FAIL);
    EXPECT_EQ(untouched, sentinel<OLECHAR>());
    EXPECT_EQ(client->get_Uri(nullptr), E_POINTER);
}

TEST_F(Client, HandsOutOneSelfAndOneContactManagerAndAnswersItsInterfacesAsOneObject)
{
    ComPtr<IUCCSelf> selfAgain;
    ASSERT_EQ(client->get_Self(selfAgain.out()), S_OK);
    EXPECT_EQ(self, selfAgain);
    ComPtr<IUCCContactManager> contactManager;
    ComPtr<IUCCContactManager> privateManager;
    ASSERT_EQ(client->get_ContactManager(contactManager.out()), S_OK);
    ASSERT_EQ(client.as<IUCCClient2>()->get_PrivateContactManager(privateManager.out()), S_OK);
    EXPECT_EQ(contactManager, privateManager);

    for (const IID& iid : {IID_IUnknown, IID_IDispatch, IID_IUCCClient, IID_IUCCLyncClient, IID_IUCCClient2,
                           IID_IConnectionPointContainer}) {
        ComPtr<IUnknown> answer;
        ASSERT_EQ(client->QueryInterface(iid, reinterpret_cast<void**>(answer.out())), S_OK);
        EXPECT_TRUE(extensionsutils::sameComObject(answer.get(), client.get()));
    }
    ComPtr<IConnectionPoint> point;
    EXPECT_EQ(client.as<IConnectionPointContainer>()->FindConnectionPoint(DIID__IUCCContactEvents, point.out()),
              CONNECT_E_NOCONNECTION);
}

TEST_F(Client, SelfsContactIsTheUsersOwnThroughTheClientsManagerWhileTheHostKnowsTheUser)
{
    ComPtr<IUCCContact> contact;
    ASSERT_EQ(self->get_Contact(contact.out()), S_OK);
    EXPECT_EQ(uriOf(contact.get()), L"sip:alice@example.com");
    ComPtr<IUCCContactManager> contactsManager;
    ComPtr<IUCCContactManager> clientsManager;
    ASSERT_EQ(contact->get_ContactManager(contactsManager.out()), S_OK);
    ASSERT_EQ(client->get_ContactManager(clientsManager.out()), S_OK);
    EXPECT_EQ(contactsManager, clientsManager);

    host().clearClientUser();
    IUCCContact* none = sentinel<IUCCContact>();
    EXPECT_EQ(self->get_Contact(&none), E_FAIL);
    MICComPtr<UCCLyncClient> fresh = UCCLyncClient::create();
    ComPtr<IUCCSelf> freshSelf;
    ASSERT_EQ(fresh->get_Self(freshSelf.out()), S_OK);
    EXPECT_EQ(freshSelf->get_Contact(&none), E_FAIL) << "before the client is initialised";
    EXPECT_TRUE(host().logged(L"No contact manager to ask for the self contact"));
    EXPECT_EQ(none, sentinel<IUCCContact>());
}

// Late-bound callers see the same answers (LateBoundTest); through the vtable a refused call must also
// leave its out-parameter as it was, and the set-up members succeed doing nothing.
TEST_F(Client, RefusedAndSetUpMembersLeaveTheirOutputsAlone)
{
    const VARIANT noState = Variant().get()[0];
    IUCCConversationManager* conversations = sentinel<IUCCConversationManager>();
    IUCCAsynchronousOperation* operation = sentinel<IUCCAsynchronousOperation>();
    SAFEARRAY* array = sentinel<SAFEARRAY>();
    EXPECT_EQ(client->get_ConversationManager(&conversations), E_NOTIMPL);
    EXPECT_EQ(client->Signout(nullptr, noState, &operation), E_NOTIMPL);
    EXPECT_EQ(self->get_Phones(&array), E_NOTIMPL);
    EXPECT_EQ(client->Shutdown(nullptr, noState, &operation), S_OK);
    EXPECT_EQ(client->get_DelegatorClients(&array), S_OK);
    VARIANT_BOOL canSet = VARIANT_TRUE;
    EXPECT_EQ(self->CanSetPhone(ucContactEndpointTypeMobilePhone, &canSet), E_NOTIMPL);
    EXPECT_EQ(canSet, VARIANT_FALSE) << "the one refused member that answers no";
    EXPECT_EQ(conversations, sentinel<IUCCConversationManager>());
    EXPECT_EQ(operation, sentinel<IUCCAsynchronousOperation>());
    EXPECT_EQ(array, sentinel<SAFEARRAY>());
    EXPECT_EQ(state(), ucClientStateSignedIn) << "signing in and out is the host's";
}

TEST_F(Client, SigningOutFiresOnStateChangedOnceToEverySinkWithTheOldAndNewState)
{
    adviseSink(client.get(), DIID__IUCCLyncClientEvents);
    adviseSink(client.get(), DIID__IUCCLyncClientEvents);
    object->setClientState(ucClientStateSignedOut);
    object->setClientState(ucClientStateSignedOut);

    EXPECT_EQ(state(), ucClientStateSignedOut);
    const std::vector<OfficeEvent> events = journal->events();
    ASSERT_EQ(events.size(), 2u);
    for (const OfficeEvent& event : events) {
        EXPECT_EQ(event.id, 100);
        ASSERT_EQ(event.arguments.size(), 2u);
        EXPECT_TRUE(extensionsutils::sameComObject(event.arguments[0].get()->punkVal, client.get()));
        ComPtr<IDispatch> data = ComPtr<IUnknown>(event.arguments[1].get()->punkVal).as<IDispatch>();
        ASSERT_TRUE(data);
        EXPECT_EQ(callByName(data.get(), L"OldState", DISPATCH_PROPERTYGET).value.get()->lVal, ucClientStateSignedIn);
        EXPECT_EQ(callByName(data.get(), L"NewState", DISPATCH_PROPERTYGET).value.get()->lVal, ucClientStateSignedOut);
        EXPECT_EQ(callByName(data.get(), L"StatusCode", DISPATCH_PROPERTYGET).value.get()->lVal, 0);
    }
}

TEST_F(Client, AFailingOrLeavingSinkDoesNotKeepTheNextSinkFromHearing)
{
    auto failing = adviseSink(client.get(), DIID__IUCCLyncClientEvents);
    failing->setResult(E_FAIL);
    adviseSink(client.get(), DIID__IUCCLyncClientEvents);
    object->setClientState(ucClientStateSignedOut);
    EXPECT_EQ(journal->count(), 2u);

    // Another Office unadvising inside the event must not make the sink after it miss the change.
    failing->setHook([&](const OfficeEvent&) { failing->unadvise(); });
    object->setClientState(ucClientStateSignedIn);
    EXPECT_EQ(state(), ucClientStateSignedIn);
    EXPECT_EQ(journal->count(), 4u);
}

TEST_F(Client, ASinkMayReadTheStateFromAnotherThreadWhileItHandlesTheEvent)
{
    // Office's sink runs in another process: its read arrives on another thread while the event is fired.
    ClientState readOnOtherThread = ucClientStateInvalid;
    bool otherThreadAnswered = false;
    std::thread reader;
    auto sink = adviseSink(client.get(), DIID__IUCCLyncClientEvents);
    sink->setHook([&](const OfficeEvent&) {
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
    extensionsutils::EventDelivery::waitUntilSettled(20000);
    if (reader.joinable()) reader.join();

    EXPECT_TRUE(otherThreadAnswered) << "a read from another thread waited for the event to end";
    EXPECT_EQ(readOnOtherThread, ucClientStateSignedOut);
}

TEST_F(Client, DisconnectLetsGoOfTheResolver)
{
    const long held = resolver.use_count();
    object->disconnect();
    EXPECT_LT(resolver.use_count(), held) << "a stopping module keeps nothing of its resolver";
    object->disconnect();
}

} // namespace
