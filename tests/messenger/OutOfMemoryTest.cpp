// Memory running out inside the module: in any of Office's getters and conversation starts, on both APIs,
// the first, second, third ... allocation of the call fails in turn, until the call runs through. Every run
// must end in a COM answer (the normal one, E_OUTOFMEMORY, or the failure the call gives when an object
// cannot be made), never an exception leaving the call, and nothing may be left behind. The host's stop is
// tried with its first allocation failing.
#include "MessengerFixture.h"

#include "TavoMessengerExports.h"
#include "ClassFactory.h"
#include "Workers.h"

#include "support/AllocationFailures.h"
#include "common/ContractIds.h"

#include <string>

using fakehost::AllocationFailures;

namespace {

// Rows whose getter takes the same path as another row's (the Messenger user's names and service id through
// the primary service, a contact's stored strings) are left to that row.
// Fails allocation 1, 2, ... of the getter until one run needs fewer allocations than the one armed; its
// answer, whatever it is, is released again.
template <class Out, class Get>
void sweep(const std::string& name, Get get, HRESULT cannotMake = E_OUTOFMEMORY)
{
    for (long n = 1; n < 5000; ++n) {
        AllocationFailures::arm(n);
        Out out{};
        HRESULT hr = S_OK;
        try {
            hr = get(&out);
        } catch (...) {
            AllocationFailures::disarm();
            FAIL() << name << ": an exception left the call when allocation " << n << " failed";
        }
        if constexpr (std::is_same_v<Out, BSTR>) SysFreeString(out);
        else if constexpr (std::is_same_v<Out, VARIANT>) VariantClear(&out);
        else if constexpr (std::is_pointer_v<Out>) if (out) out->Release();
        if (!AllocationFailures::disarm()) return;
        EXPECT_TRUE(SUCCEEDED(hr) || hr == E_OUTOFMEMORY || hr == cannotMake)
            << name << ": allocation " << n << " failed and the call answered 0x" << std::hex << hr;
    }
    ADD_FAILURE() << name << " never ran through";
}

using OutOfMemoryTest = MessengerTest;

TEST_F(OutOfMemoryTest, MessengerApiGettersAnswerInsteadOfThrowing)
{
    ComPtr<IMessengerAdvanced> api = messengerApi();
    const Bstr bobName(L"bob");
    sweep<BSTR>("MySigninName", [&](auto out) { return api->get_MySigninName(out); });
    sweep<MISTATUS>("MyStatus", [&](auto out) { return api->get_MyStatus(out); });
    sweep<BSTR>("MyPhoneNumber", [&](auto out) { return api->get_MyPhoneNumber(MPHONE_TYPE_WORK, out); });
    sweep<IDispatch*>("MyContacts", [&](auto out) { return api->get_MyContacts(out); }, E_FAIL);
    sweep<IDispatch*>("Services", [&](auto out) { return api->get_Services(out); });
    sweep<IDispatch*>("GetContact", [&](auto out) { return api->GetContact(bobName.get(), nullptr, out); }, ContactNotFound);
    const ComPtr<IMessengerContactAdvanced> bob = contactOf(L"bob");
    sweep<BSTR>("Contact.FriendlyName", [&](auto out) { return bob->get_FriendlyName(out); });
    sweep<BSTR>("Contact.PhoneNumber", [&](auto out) { return bob->get_PhoneNumber(MPHONE_TYPE_WORK, out); });
    sweep<MISTATUS>("Contact.Status", [&](auto out) { return bob->get_Status(out); });
    sweep<VARIANT>("Contact.Property", [&](auto out) { return bob->get_Property(MCONTACTPROP_EMAIL, out); });
}

TEST_F(OutOfMemoryTest, UcApiGettersAnswerInsteadOfThrowing)
{
    ComPtr<IUCOfficeIntegration> integration = messenger.as<IUCOfficeIntegration>();
    const Bstr version(L"15.0.0.0");
    sweep<OIFeature>("GetSupportedFeatures", [&](auto out) { return integration->GetSupportedFeatures(version.get(), out); });
    sweep<BSTR>("GetAuthenticationInfo", [&](auto out) { return integration->GetAuthenticationInfo(version.get(), out); });
    sweep<IDispatch*>("GetInterface", [&](auto out) { return integration->GetInterface(version.get(), oiInterfaceIUCCLyncClient, out); });
    ComPtr<IDispatch> clientObject;
    ASSERT_EQ(S_OK, integration->GetInterface(version.get(), oiInterfaceIUCCLyncClient, clientObject.out()));
    ComPtr<IUCCLyncClient> client = clientObject.as<IUCCLyncClient>();
    sweep<BSTR>("Client.Uri", [&](auto out) { return client->get_Uri(out); });
    sweep<IUCCSelf*>("Client.Self", [&](auto out) { return client->get_Self(out); });
    ComPtr<IUCCContactManager> manager;
    ASSERT_EQ(S_OK, client->get_ContactManager(manager.out()));
    addContact(L"bob@example.com");
    const Bstr bob(L"sip:bob@example.com");
    sweep<IUCCContact*>("GetContactByUri", [&](auto out) { return manager->GetContactByUri(bob.get(), out); });
    sweep<IUCCContact*>("GetSelfContact", [&](auto out) { return manager->GetSelfContact(out); });
    sweep<IUCCContactSubscription*>("CreateSubscription", [&](auto out) { return manager->CreateSubscription(out); });
    ComPtr<IUCCContact> self;
    ASSERT_EQ(S_OK, manager->GetSelfContact(self.out()));
    sweep<BSTR>("Contact.Uri", [&](auto out) { return self->get_Uri(out); });
    for (const ContactInformationType type : {ucPresenceAvailability, ucPresenceActivityId, ucPresenceActivity, ucPresenceCustomActivity,
                                              ucPresenceDisplayName, ucPresenceInstantMessageAddresses, ucPresenceContactEndpoints})
        sweep<VARIANT>("Contact.GetContactInformation " + std::to_string(type),
                       [&](auto out) { return self->GetContactInformation(type, out); });
    const SafeArray types = SafeArray::ofInt32s({ucPresenceAvailability, ucPresenceDisplayName, ucPresenceContactEndpoints});
    sweep<IUCCContactInformationDictionary*>("Contact.BatchGetContactInformation",
                                             [&](auto out) { return self->BatchGetContactInformation(types.get(), out); });
    sweep<IUCCContactSettingDictionary*>("Contact.Settings", [&](auto out) { return self->get_Settings(out); });
    sweep<VARIANT_BOOL>("Contact.CanStart", [&](auto out) { return self->CanStart(ucModalityInstantMessage, out); });
}

// A chat and a call with three people and a subject, as Office starts them from a meeting's attendees.
TEST_F(OutOfMemoryTest, MessengerStartConversationAnswersInsteadOfThrowing)
{
    addContact(L"dave");
    ComPtr<IMessengerAdvanced> api = messengerApi();
    const Variant people = arrayArgument(arrayFrom(VT_VARIANT, std::vector<Variant>{text(L"bob"), text(L"carol"), text(L"dave")}));
    const Variant subject = text(L"Budget"), none;
    for (const CONVERSATION_TYPE type : {CONVERSATION_TYPE_IM, CONVERSATION_TYPE_AUDIO})
        sweep<VARIANT>("StartConversation " + std::to_string(type), [&](auto window) {
            return api->StartConversation(type, *people.get(), *none.get(), *subject.get(), *none.get(), *none.get(), window);
        });
}

TEST_F(OutOfMemoryTest, UcStartConversationAnswersInsteadOfThrowing)
{
    ComPtr<IDispatch> object;
    ASSERT_EQ(S_OK, messenger.as<IUCOfficeIntegration>()->GetInterface(Bstr(L"15.0.0.0").get(), oiInterfaceIUCCAutomation, object.out()));
    ComPtr<IUCCAutomation> automation = object.as<IUCCAutomation>();
    const SafeArray people = arrayFrom(VT_BSTR, Strings{L"bob@example.com", L"carol@example.com", L"dave@example.com"});
    const SafeArray contextTypes = int32Array({uiaConversationContextSubject});
    const SafeArray contextDatas = arrayFrom(VT_VARIANT, std::vector<Variant>{text(L"Budget")});
    for (const AutomationModalities modes : {uiaConversationModeInstantMessage, uiaConversationModeAudio})
        sweep<IUCCConversationWindow*>("Automation.StartConversation " + std::to_string(modes), [&](auto window) {
            return automation->StartConversation(modes, people.get(), contextTypes.get(), contextDatas.get(), window);
        });
}

// The host's stopped callback: how often it was called.
class CountingStoppedCallback : public TavoMessengerStoppedCallback {
public:
    void onStopped() override
    {
        ++calls;
        SetEvent(called.get());
    }
    std::atomic<int> calls{0};
    Handle called = newEvent();
};

// A host built with Microsoft's compiler stops the running module while memory runs out: the stop's first
// allocation fails. The module still stops and tells the host, once.
TEST_F(OutOfMemoryTest, TheDecoratedStopNotifiesOnceWhenItsFirstAllocationFails)
{
    StartTavoMessengerImpl(0);
    auto callback = std::make_shared<CountingStoppedCallback>();
    auto* block = new tavomessenger_abi::SharedCallbackBlock(callback); // as callStopTavoMessenger lays it out
    InterlockedIncrement(&block->uses);                                 // the argument's copy, which the stop releases
    AllocationFailures::arm(1);
    StopTavoMessengerImpl(TavoMessengerSharedPointer{&block->object, block});
    AllocationFailures::disarm();
    block->release();
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(callback->called.get(), 20000)) << "the host was never told";
    EXPECT_TRUE(waitUntil([] { return !hostaccess::hasHostClassObject(); })) << "the module did not stop";
    EXPECT_EQ(1, callback->calls);
}

// Memory running out anywhere on the way of the shutdown events: the revocation still runs to its end (the
// object uninitialised, both class objects revoked), and the delivery still takes the next event to every
// sink. The class objects are registered in-process under ids of this test only.
TEST_F(OutOfMemoryTest, AStopRevokesAndDeliveryGoesOnWhereverMemoryRunsOut)
{
    const CLSID classes[] = {{0x6f1a3c52, 0x8b0d, 0x4e27, {0x9c, 0x41, 0x2b, 0x7d, 0x5e, 0x0a, 0x9f, 0x11}},
                             {0x6f1a3c52, 0x8b0d, 0x4e27, {0x9c, 0x41, 0x2b, 0x7d, 0x5e, 0x0a, 0x9f, 0x12}}};
    for (long n = 1; n < 5000; ++n) {
        SCOPED_TRACE(n);
        const std::size_t listeners = host().listenerCount();
        MICComPtr<ClassFactory> factory = extensionsutils::ComObject<ClassFactory>::create();
        factory->Initialize(worker, std::make_shared<Configuration>(0));
        ComPtr<IUnknown> office;
        ASSERT_EQ(S_OK, factory->CreateInstance(nullptr, contractid::IUnknown, reinterpret_cast<void**>(office.out())));
        const auto messengerJournal = std::make_shared<fakeoffice::OfficeEventJournal>();
        const auto ucJournal = std::make_shared<fakeoffice::OfficeEventJournal>();
        connectSink(office.get(), messengerJournal);
        connectSink(office.get(), ucJournal, contractid::IUCOfficeIntegrationEvents);
        DWORD cookies[2] = {};
        for (int i = 0; i < 2; ++i)
            ASSERT_EQ(S_OK, CoRegisterClassObject(classes[i], factory.identity(), CLSCTX_INPROC_SERVER, REGCLS_MULTIPLEUSE, &cookies[i]));
        auto container = std::make_shared<ClassFactoryContainer>();
        container->setRegistration(factory, cookies[0], cookies[1]);

        AllocationFailures::arm(n);
        try {
            TavoMessengerStateWorkers::revokeMessenger(container);
        } catch (...) {
            AllocationFailures::disarm();
            FAIL() << "an exception left the stop when allocation " << n << " failed";
        }
        const bool failed = AllocationFailures::disarm();
        for (const CLSID& clsid : classes) {
            ComPtr<IUnknown> found;
            const HRESULT hr = CoGetClassObject(clsid, CLSCTX_INPROC_SERVER, nullptr, contractid::IUnknown,
                                                reinterpret_cast<void**>(found.out()));
            EXPECT_TRUE(FAILED(hr));
        }
        EXPECT_EQ(listeners, host().listenerCount()) << "the object was not uninitialised";
        const auto implementation = factory->getImplementation();
        ASSERT_EQ(S_OK, implementation->Fire_OnAppShutdown());
        ASSERT_EQ(S_OK, implementation->Fire_OnShuttingDown());
        EXPECT_EQ(DISPID(0x408), messengerJournal->events().back().id);
        EXPECT_EQ(DISPID(50), ucJournal->events().back().id);
        for (const ComPtr<FakeOfficeSink>& sink : sinks) sink->unadvise();
        sinks.clear();
        if (!failed) return;
    }
    ADD_FAILURE() << "the stop never ran through";
}

} // namespace
