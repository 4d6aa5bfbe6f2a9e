// The Messenger object as Office meets it: one COM identity, every member's answer signed in and signed out
// (late-bound, as Office mostly calls; through the vtable where it differs: a refused call writes
// nothing), the signed-in user, the property maps, lookup and resolution, the services, and the UC entry.

#include "MessengerFixture.h"

#include "RawRegistry.h"
#include "common/ContractIds.h"

#include <servprov.h>

#include <algorithm>

namespace {

const wchar_t* const kServiceId = L"{83D4679F-B6D7-11D2-BF36-00C04FB90A03}";

// Members that do nothing at the host, signed in or not; signed out each refuses unless its row says otherwise.
const std::vector<MemberRow> kInertMembers = {
    {L"Window", kGet, {}}, {L"ViewProfile", kCall, {text(L"bob")}}, {L"ReceiveFileDirectory", kGet, {}},
    {L"StartVoice", kCall, {text(L"bob")}, E_NOTIMPL, {}, E_NOTIMPL}, {L"InviteApp", kCall, {text(L"bob"), text(L"app")}},
    {L"SendMail", kCall, {text(L"bob")}}, {L"OpenInbox", kCall, {}}, {L"SendFile", kCall, {text(L"bob"), text(L"c:\\f.txt")}},
    {L"Signout", kCall, {}}, {L"Signin", kCall, {number(0), text(L"me"), text(L"secret")}, S_OK, {}, S_OK},
    {L"OptionsPages", kCall, {number(0), number(MOPT_GENERAL_PAGE)}},
    {L"FindContact", kCall, {number(0), text(L"Bob"), text(L"B"), text(L"Town"), text(L""), text(L"")}},
    {L"Phone", kCall, {text(L"bob"), number(MPHONE_TYPE_WORK), text(L"+1 555")}}, {L"MediaWizard", kCall, {number(0)}},
    {L"Page", kCall, {text(L"bob")}}, {L"AutoSignin", kCall, {}, S_OK, {}, S_OK}, {L"MyStatus", kPut, {number(MISTATUS_BUSY)}},
    {L"UnreadEmailCount", kGet, {number(MUAFOLDER_INBOX)}}, {L"ContactsSortOrder", kPut, {number(MUASORT_ONOFFLINE)}},
    {L"StartVideo", kCall, {text(L"bob")}, E_NOTIMPL, {}, E_NOTIMPL}, {L"MyGroups", kGet, {}},
    {L"CreateGroup", kCall, {text(L"friends"), Variant()}}, {L"GetAuthenticationInfo", kCall, {}, S_OK, {}, S_OK},
};
const std::vector<MemberRow> kActiveMembers = {
    {L"GetContact", kCall, {text(L"bob"), text(L"")}, S_OK, {}, static_cast<HRESULT>(0x8100030A)},
    {L"AddContact", kCall, {number(0), text(L"dave@example.com")}, S_OK, {}, S_OK}, {L"InstantMessage", kCall, {text(L"bob")}},
    {L"MyContacts", kGet, {}}, {L"MySigninName", kGet, {}}, {L"MyFriendlyName", kGet, {}}, {L"MyStatus", kGet, {}},
    {L"MyServiceName", kGet, {}}, {L"MyPhoneNumber", kGet, {number(MPHONE_TYPE_WORK)}}, {L"MyServiceId", kGet, {}},
    {L"MyProperty", kGet, {number(MCONTACTPROP_EMAIL)}}, {L"MyProperty", kPut, {number(MCONTACTPROP_EMAIL), text(L"me@example.com")}},
    {L"Services", kGet, {}}, {L"ContactsSortOrder", kGet, {}}, {L"Property", kGet, {number(MMESSENGERPROP_VERSION)}},
    {L"Property", kPut, {number(MMESSENGERPROP_VERSION), text(L"14.0")}},
    {L"StartConversation", kCall, {number(CONVERSATION_TYPE_IM), text(L"bob")}},
};

class MessengerApiTest : public MessengerTest {
protected:
    void expectHostUntouched()
    {
        EXPECT_TRUE(host().conversations().empty() && host().addedContacts().empty() && host().watchRequests().empty() &&
                    host().resolveRequests().empty()) << "a chat, a contact, a watch or a resolution reached the host";
    }
    MISTATUS myStatus(IMessengerAdvanced* api = nullptr)
    {
        MISTATUS status = static_cast<MISTATUS>(0x5EE);
        EXPECT_EQ(S_OK, (api ? api : messengerApi().get())->get_MyStatus(&status));
        return status;
    }
    void resolveLateBound(HRESULT expected)
    {
        answer(messenger.as<IMessengerContactResolution>().get(), L"ResolveContact", kCall,
               {number(ADDRESS_TYPE_SMTP), number(CONTACT_RESOLUTION_ANY), text(L"bob@example.com")}, expected);
    }
    // GetContact late-bound; the contact's sign-in name.
    std::wstring contactFor(const wchar_t* signinName)
    {
        const Variant found = answer(lateBound().get(), L"GetContact", kCall, {text(signinName), text(L"")});
        return found.type() == VT_DISPATCH ? stringOf(property(found.get()->pdispVal, L"SigninName")) : L"<none>";
    }
    ComPtr<IDispatch> ucEntry() const { return ComPtr<IDispatch>(messenger.as<IUCOfficeIntegration>().get()); }
};

TEST_F(MessengerApiTest, IsOneObjectThroughEveryInterfaceOfItsMap)
{
    IUnknown* identity = messenger.identity();
    for (const IID& iid : {contractid::IUCOfficeIntegration, contractid::IMessengerAdvanced, contractid::IMessenger,
                           contractid::IMessenger2, contractid::IMessenger3, contractid::IDispatch, contractid::IConnectionPointContainer,
                           contractid::IMessengerContactResolution, contractid::IServiceProvider, contractid::IUnknown}) {
        ComPtr<IUnknown> answered;
        ASSERT_EQ(S_OK, identity->QueryInterface(iid, reinterpret_cast<void**>(answered.out())));
        EXPECT_TRUE(extensionsutils::sameComObject(identity, answered.get()));
    }
    void* result = reinterpret_cast<void*>(1);
    for (const IID& iid :
         {contractid::IMessengerGroups, contractid::IMessengerContact, contractid::IMessengerServices, contractid::IUCCLyncClient})
        EXPECT_EQ(E_NOINTERFACE, identity->QueryInterface(iid, &result));
    EXPECT_EQ(nullptr, result);
    ComPtr<IServiceProvider> provider = messenger.as<IServiceProvider>();
    const GUID ucService = contractid::guid("{6b734cfb-92e4-42f3-9a5e-d4bded5fc357}");
    for (const IID& iid : {contractid::IUCOfficeIntegration, contractid::IUnknown, contractid::IMessenger}) {
        ASSERT_EQ(S_OK, provider->QueryService(ucService, iid, &result));
        EXPECT_EQ(static_cast<void*>(messenger.as<IUCOfficeIntegration>().get()), result) << "whatever interface was asked";
        static_cast<IUnknown*>(result)->Release();
    }
    EXPECT_EQ(E_NOTIMPL, provider->QueryService(contractid::IUCOfficeIntegration, contractid::IUCOfficeIntegration, &result));
    EXPECT_EQ(nullptr, result);
}

// Signed out every guarded member refuses before the host is asked; through the vtable a refused or
// unsupported call leaves its out-parameter as it was (one short list: the refusal is one shared check).
TEST_F(MessengerApiTest, SignedInEveryMemberAnswersSignedOutEachGuardedOneRefusesWritingNothing)
{
    answer(lateBound().get(), L"StartVoice", kCall, {text(L"bob")}, E_NOTIMPL);
    EXPECT_EQ(0u, host().callCount(HostMethod::IsSignedIn)) << "StartVoice never asks";
    expectAnswers(lateBound().get(), kInertMembers);
    expectHostUntouched();
    EXPECT_EQ(MUASORT_GROUPS, int32Of(property(lateBound().get(), L"ContactsSortOrder"))) << "the order put is not kept";
    EXPECT_EQ(MISTATUS_ONLINE, myStatus()) << "the status put is not kept: it is the host's";
    expectAnswers(lateBound().get(), kActiveMembers);
    resolveLateBound(E_PENDING);
    host().forgetRecords();
    host().resetCallCounts();
    signOut();
    expectAnswers(lateBound().get(), kInertMembers, NotLoggedOn);
    expectAnswers(lateBound().get(), kActiveMembers, NotLoggedOn);
    resolveLateBound(NotLoggedOn);
    expectHostUntouched();
    EXPECT_EQ(0u, host().callCount(HostMethod::GetPresenceForContact) + host().callCount(HostMethod::GetLoggedInUser));
    EXPECT_TRUE(logged(L"not logged in returning MSGR_E_NOT_LOGGED_ON", 1, L"TavoMessengerAdvanced::get_MyStatus"));
    EXPECT_EQ(L"<authenticationinfo><protocol>sip_tls</protocol></authenticationinfo>",
              stringOf(answer(lateBound().get(), L"GetAuthenticationInfo", kCall))) << "signed in or not";
    const Variant bob = text(L"bob"), none;
    IDispatch* object = sentinel<IDispatch>();
    BSTR string = sentinel<OLECHAR>();
    LONG count = 0x5EE;
    VARIANT value;
    value.vt = VT_I2;
    const HRESULT answers[] = {
        api->get_Window(&object), api->StartVoice(*bob.get(), &object), api->get_UnreadEmailCount(MUAFOLDER_INBOX, &count),
        api->get_ReceiveFileDirectory(&string), api->GetContact(Bstr(L"bob").get(), nullptr, &object), api->get_MyContacts(&object),
        api->get_MySigninName(&string), api->get_MyStatus(reinterpret_cast<MISTATUS*>(&count)),
        api->get_Property(MMESSENGERPROP_VERSION, &value),
        api->StartConversation(CONVERSATION_TYPE_IM, *bob.get(), *none.get(), *none.get(), *none.get(), *none.get(), &value)};
    EXPECT_TRUE(std::all_of(std::begin(answers), std::end(answers), [](HRESULT hr) { return FAILED(hr); }));
    EXPECT_TRUE(object == sentinel<IDispatch>() && string == sentinel<OLECHAR>() && count == 0x5EE && value.vt == VT_I2);
    EXPECT_TRUE(api->GetAuthenticationInfo(nullptr) == E_INVALIDARG && api->get_MySigninName(nullptr) == E_POINTER &&
                api->GetContact(Bstr(L"bob").get(), nullptr, nullptr) == E_POINTER);
}

TEST_F(MessengerApiTest, TheUsersNamesServiceAndNumbersComeFromThePrimaryService)
{
    expectAnswers(lateBound().get(), {{L"MySigninName", kGet, {}, S_OK, text(L"me")},
                                      {L"MyFriendlyName", kGet, {}, S_OK, text(L"Me Myself")},
                                      {L"MyServiceName", kGet, {}, S_OK, text(L"Norvane Quillon")},
                                      {L"MyServiceId", kGet, {}, S_OK, text(kServiceId)},
                                      {L"MyPhoneNumber", kGet, {number(MPHONE_TYPE_HOME)}, S_OK, text(L"+1 555 0100")},
                                      {L"MyPhoneNumber", kGet, {number(MPHONE_TYPE_WORK)}, S_OK, text(L"+1 555 0101")},
                                      {L"MyPhoneNumber", kGet, {number(MPHONE_TYPE_CUSTOM)}, S_OK, text(L"+1 555 0103")},
                                      {L"MyPhoneNumber", kGet, {number(MPHONE_TYPE_MOBILE)}, S_OK, text(L"")}}); // none: empty, not absent
    BSTR unwritten = sentinel<OLECHAR>();
    for (long type : {-1L, 4L, 100L, -2L}) EXPECT_EQ(E_FAIL, api->get_MyPhoneNumber(static_cast<MPHONE_TYPE>(type), &unwritten)) << type;
    // The host cannot tell the number: S_OK and nothing, except without a host object, which reads as signed out.
    for (const auto& [method, expected] : {std::pair{HostMethod::CreateProviderManagement, NotLoggedOn},
                                           std::pair{HostMethod::GetLoggedInUser, S_OK}, std::pair{HostMethod::GetWorkNumber, S_OK}}) {
        host().failMethod(method, E_FAIL, 1);
        EXPECT_EQ(expected, api->get_MyPhoneNumber(MPHONE_TYPE_WORK, &unwritten)) << static_cast<int>(method);
    }
    host().failMethod(HostMethod::GetLoggedInUser);
    EXPECT_TRUE(api->get_MySigninName(&unwritten) == E_FAIL && api->get_MyFriendlyName(&unwritten) == E_FAIL &&
                unwritten == sentinel<OLECHAR>());
    expectLogged(L"primaryService->get_MySigninName failed", 1);
    host().clearFailures();
    messenger->uninitialise();
    Bstr stopped;
    EXPECT_TRUE(api->get_MySigninName(stopped.out()) == S_OK && stopped.empty())
        << "after module stop the name is empty but still answered";
}

TEST_F(MessengerApiTest, MyStatusIsTheUsersHostPresenceOrOfflineWhenItCannotBeRead)
{
    host().setPresence(L"me", 3, L"busy");
    EXPECT_EQ(MISTATUS_DO_NOT_DISTURB, int32Of(property(lateBound().get(), L"MyStatus")));
    for (std::uint32_t flags : {1u, 2u, 3u})
        EXPECT_EQ(MISTATUS_DO_NOT_DISTURB, myStatus(createMessenger(flags).as<IMessengerAdvanced>().get())) << flags;
    for (const auto& [method, fault] :
         {std::pair{HostMethod::GetPresenceForContact, Fails}, std::pair{HostMethod::GetPresenceForContact, Empty},
          std::pair{HostMethod::GetPresenceForContact, WrongObject}, std::pair{HostMethod::GetLoggedInUser, Fails},
          std::pair{HostMethod::CreateIMAndPresence, Fails}}) {
        breakOnce(method, fault);
        EXPECT_EQ(MISTATUS_OFFLINE, myStatus()) << static_cast<int>(method);
    }
    EXPECT_TRUE(logged(L"imAndPresence->GetPresenceForContact failed", 4, L"TavoMessengerAdvanced::get_MyStatus"));
    host().failMethod(HostMethod::GetPresenceState);
    EXPECT_EQ(MISTATUS_UNKNOWN, myStatus()) << "a failing presence getter is a read that failed";
}

TEST_F(MessengerApiTest, PropertiesAreKeptPerKeyByValueAndReadBackAsWritten)
{
    Variant untouched = number(1234);
    EXPECT_TRUE(api->get_Property(MMESSENGERPROP_PLCID, untouched.get()) == S_OK &&
                api->get_MyProperty(MCONTACTPROP_EMAIL, untouched.get()) == S_OK);
    EXPECT_EQ(1234, int32Of(untouched)) << "an unwritten property leaves the caller's value";
    EXPECT_TRUE(api->put_Property(MMESSENGERPROP_PLCID, *number(0x409).get()) == S_OK &&
                api->put_MyProperty(static_cast<MCONTACTPROPERTY>(77), *number(77).get()) == S_OK);
    // A script passes its variable by reference; the variable is gone after the call.
    BSTR variable = SysAllocString(L"15.0");
    EXPECT_EQ(S_OK, api->put_Property(MMESSENGERPROP_VERSION, referenceTo(&variable)));
    SysFreeString(variable);
    answer(lateBound().get(), L"MyProperty", kPut, {number(MCONTACTPROP_EMAIL), text(L"me@example.com")});
    expectAnswers(lateBound().get(), {{L"Property", kGet, {number(MMESSENGERPROP_VERSION)}, S_OK, text(L"15.0")},
                                      {L"Property", kGet, {number(MMESSENGERPROP_PLCID)}, S_OK, number(0x409)},
                                      {L"MyProperty", kGet, {number(MCONTACTPROP_EMAIL)}, S_OK, text(L"me@example.com")},
                                      {L"MyProperty", kGet, {number(77)}, S_OK, number(77)}}); // keys nobody defined too
    EXPECT_EQ(0u, host().callCount(HostMethod::AddContact) + host().callCount(HostMethod::TagContact));
    EXPECT_EQ(E_POINTER, api->get_Property(MMESSENGERPROP_PLCID, nullptr));
}

TEST_F(MessengerApiTest, AValueThatCannotBeCopiedIsRefused)
{
    VARIANT broken;
    broken.vt = 0x0FFF; // no such type
    EXPECT_EQ((std::vector<HRESULT>{api->put_Property(MMESSENGERPROP_VERSION, broken), api->put_MyProperty(MCONTACTPROP_EMAIL, broken),
                                    api->put_Property(MMESSENGERPROP_VERSION, referenceTo()),
                                    api->put_MyProperty(MCONTACTPROP_EMAIL, referenceTo()), api->InstantMessage(referenceTo(), nullptr)}),
              (std::vector<HRESULT>{DISP_E_BADVARTYPE, DISP_E_BADVARTYPE, E_INVALIDARG, E_INVALIDARG, E_INVALIDARG}));
    EXPECT_TRUE(property(lateBound().get(), L"Property", {number(MMESSENGERPROP_VERSION)}).isEmpty());
}

TEST_F(MessengerApiTest, GetContactGivesANewWatchedContactEvenForANameTheHostDoesNotKnow)
{
    EXPECT_TRUE(contactFor(L"bob") == L"bob" && contactFor(L"bob") == L"bob");
    EXPECT_THAT(host().watchRequests(), ElementsAre(L"bob", L"bob"));
    host().forgetRecords();
    EXPECT_EQ(L"stranger@example.com", contactFor(L"stranger@example.com"));
    EXPECT_TRUE(host().watchRequests().empty()) << "nobody to watch";
    host().failMethod(HostMethod::WatchContact, E_FAIL, 1);
    EXPECT_EQ(L"bob", contactFor(L"bob")) << "a failed watch request does not stop GetContact";
    host().forgetRecords();
    IDispatch* contact = sentinel<IDispatch>();
    EXPECT_TRUE(api->GetContact(nullptr, nullptr, &contact) == E_FAIL && api->GetContact(Bstr(L"").get(), nullptr, &contact) == E_FAIL);
    EXPECT_TRUE(host().uriLookups().empty());
    host().failMethod(HostMethod::GetHomeNumber);
    EXPECT_TRUE(api->GetContact(Bstr(L"bob").get(), nullptr, &contact) == ContactNotFound && contact == sentinel<IDispatch>());
}

TEST_F(MessengerApiTest, MyContactsIsANewCollectionOfTheHostsList)
{
    host().setContactList({L"bob", L"carol"});
    const Variant list = property(lateBound().get(), L"MyContacts"); // its content: MessengerContactTest
    EXPECT_FALSE(extensionsutils::sameComObject(list.get()->pdispVal, property(lateBound().get(), L"MyContacts").get()->pdispVal));
    IDispatch* unwritten = sentinel<IDispatch>();
    for (HostMethod method : {HostMethod::GetContacts, HostMethod::CreateIMAndPresence}) {
        host().failMethod(method, E_FAIL, 1);
        EXPECT_EQ(E_FAIL, api->get_MyContacts(&unwritten)) << static_cast<int>(method);
    }
    EXPECT_EQ(sentinel<IDispatch>(), unwritten);
    host().answerEmpty(HostMethod::GetContacts, 1);
    ComPtr<IDispatch> none;
    EXPECT_EQ(S_OK, api->get_MyContacts(none.out())) << "no list is no error";
    for (const wchar_t* address : {L"a@b.c", L"a@bc", static_cast<const wchar_t*>(nullptr)})
        EXPECT_EQ(S_OK, api->AddContact(0, Bstr(address).get()));
    EXPECT_THAT(host().addedContacts(), ElementsAre(L"a@b.c")) << "addresses of five characters or more";
    host().failMethod(HostMethod::AddContact);
    EXPECT_EQ(S_OK, api->AddContact(0, Bstr(L"dave@example.com").get()));
}

TEST_F(MessengerApiTest, ResolutionDisabledInTheRegistryAsksNobody)
{
    ASSERT_TRUE(registrytest::writeDwordValue(HKEY_CURRENT_USER, settingsKey, L"DisableResolveContact", 1));
    EXPECT_EQ(S_OK, resolve(L"bob@example.com", createMessenger(0)));
    EXPECT_TRUE(host().resolveRequests().empty());
    EXPECT_EQ(E_PENDING, resolve(L"bob@example.com")) << "the setting is read when the object is made";
}

TEST_F(MessengerApiTest, ARequestStillPendingAtModuleStopDoesNotKeepTheObjectAlive)
{
    // Manual answers: this request is never answered. The fixture checks that the object went.
    EXPECT_EQ(E_PENDING, resolve(L"bob@example.com"));
    messenger->uninitialise();
    EXPECT_TRUE(host().answerResolution(L"bob@example.com", L"bob").empty()) << "an answer after stop reached someone";
    EXPECT_EQ(S_OK, resolve(L"carol@example.com")) << "after stop there is no resolver to ask";
}

TEST_F(MessengerApiTest, ServicesHoldOnlyThePrimaryServiceWhichFollowsTheSignIn)
{
    const ComPtr<IDispatch> collection = objectOf(property(lateBound().get(), L"Services"));
    ComPtr<IDispatch> service = objectOf(property(collection.get(), L"PrimaryService"));
    EXPECT_EQ(1, int32Of(property(collection.get(), L"Count")));
    EXPECT_TRUE(extensionsutils::sameComObject(objectOf(answer(collection.get(), L"Item", kCall, {number(0)})).get(), service.get()));
    ComPtr<IMessengerServices> typedList = collection.as<IMessengerServices>();
    IDispatch* unwritten = sentinel<IDispatch>();
    EXPECT_TRUE(typedList->Item(1, &unwritten) == E_FAIL && typedList->Item(-1, &unwritten) == E_FAIL &&
                unwritten == sentinel<IDispatch>());
    VARIANT items[2];
    ULONG fetched = 0;
    const ComPtr<IEnumVARIANT> enumerator = ComPtr<IUnknown>(property(collection.get(), L"_NewEnum").get()->punkVal).as<IEnumVARIANT>();
    ASSERT_TRUE(enumerator->Next(2, items, &fetched) == S_FALSE && fetched == 1u);
    EXPECT_TRUE(extensionsutils::sameComObject(items[0].pdispVal, service.get()));
    VariantClear(&items[0]);
    const std::vector<MemberRow> answers = {
        {L"ServiceName", kGet, {}, S_OK, text(L"Norvane Quillon")}, {L"ServiceId", kGet, {}, S_OK, text(kServiceId)},
        {L"MyStatus", kGet, {}, S_OK, number(MISTATUS_ONLINE)}, {L"Property", kGet, {number(MSERVICEPROP_INVALID_PROPERTY)}}};
    expectAnswers(service.get(), answers);
    host().failMethod(HostMethod::GetFriendlyName, E_FAIL, 1);
    EXPECT_EQ(L"", stringOf(property(service.get(), L"MyFriendlyName"))) << "an unreadable friendly name is empty";
    host().setSignedInValue(2);
    expectAnswers(service.get(), answers, NotLoggedOn);
    host().setSignedInValue(0);
    // Its names failing with the user: through the Messenger object's own names (TheUsersNames...).
    ComPtr<IMessengerService> typed = service.as<IMessengerService>();
    BSTR name = sentinel<OLECHAR>();
    MISTATUS status = MISTATUS_LOCAL_FINDING_SERVER;
    breakOnce(HostMethod::GetLoggedInUser, Fails);
    EXPECT_EQ(E_FAIL, typed->get_MyStatus(&status));
    breakOnce(HostMethod::GetPresenceForContact, Empty);
    EXPECT_EQ(MISTATUS_OFFLINE, int32Of(property(service.get(), L"MyStatus")));
    ASSERT_EQ(S_OK, typed->put_Property(MSERVICEPROP_INVALID_PROPERTY, *text(L"8.0").get()));
    EXPECT_EQ(E_INVALIDARG, typed->put_Property(MSERVICEPROP_INVALID_PROPERTY, referenceTo()));
    messenger->uninitialise();
    // After stop it falls silent: S_OK, nothing written.
    EXPECT_TRUE(typed->get_MySigninName(&name) == S_OK && typed->get_MyFriendlyName(&name) == S_OK && typed->get_MyStatus(&status) == S_OK);
    EXPECT_TRUE(name == sentinel<OLECHAR>() && status == MISTATUS_LOCAL_FINDING_SERVER);
    EXPECT_EQ(L"8.0", stringOf(property(service.get(), L"Property", {number(MSERVICEPROP_INVALID_PROPERTY)})));
}

TEST_F(MessengerApiTest, TheUcEntryAuthenticatesOnlyTheThreeKnownOfficeVersions)
{
    for (const Variant& version : {text(L"15.0.0.0"), text(L""), Variant()})
        EXPECT_EQ(oiFeatureNonBuddyPresence | oiFeatureContactTagging | oiFeatureQuickContacts | oiFeatureResolveContact,
                  int32Of(answer(ucEntry().get(), L"GetSupportedFeatures", kCall, {version})));
    // The last row is not the version it starts with.
    const std::pair<Variant, const wchar_t*> versions[] = {
        {text(L"14.0.0.0"), L"<authenticationinfo>"}, {text(L"15.0.0.0"), L"<authenticationinfo>"},
        {text(L"16.0.0.0"), L"<authenticationinfo>"}, {text(L"15.0"), L""}, {text(L"12.0.0.0"), L""}, {text(L"16.0.0.0 "), L""},
        {text(L"16.0.0.00"), L""}, {text(L""), L""}, {Variant::fromString(std::wstring(L"15.0.0.0\0x", 10)), L""}};
    for (const auto& [version, expected] : versions)
        EXPECT_EQ(expected, stringOf(answer(ucEntry().get(), L"GetAuthenticationInfo", kCall, {version}))) << "an empty answer is a string";
    // Flag value 1 empties the answer; phone mode does not.
    for (const auto& [flag, expected] : {std::pair{1u, L""}, std::pair{2u, L"<authenticationinfo>"}, std::pair{3u, L""}})
        EXPECT_EQ(expected, stringOf(answer(ComPtr<IDispatch>(createMessenger(flag).as<IUCOfficeIntegration>().get()).get(),
                                            L"GetAuthenticationInfo", kCall, {text(L"16.0.0.0")})))
            << flag;
    ComPtr<IUCOfficeIntegration> integration = messenger.as<IUCOfficeIntegration>();
    Bstr info;
    EXPECT_TRUE(integration->GetAuthenticationInfo(nullptr, info.out()) == S_OK && info);
    EXPECT_TRUE(integration->GetAuthenticationInfo(Bstr(L"15.0.0.0").get(), nullptr) == E_POINTER &&
                integration->GetSupportedFeatures(nullptr, nullptr) == E_POINTER);
}

TEST_F(MessengerApiTest, TheUcEntryHandsOutOnlyItsOneClientOrAutomationObject)
{
    ComPtr<IUCOfficeIntegration> integration = messenger.as<IUCOfficeIntegration>();
    ComPtr<IDispatch> client, again, automation;
    ASSERT_EQ(S_OK, integration->GetInterface(Bstr(L"15.0.0.0").get(), oiInterfaceIUCCLyncClient, client.out()));
    ASSERT_EQ(S_OK, integration->GetInterface(Bstr(L"16.0.0.0").get(), oiInterfaceIUCCLyncClient, again.out()));
    ASSERT_EQ(S_OK, integration->GetInterface(Bstr(L"15.0.0.0").get(), oiInterfaceIUCCAutomation, automation.out()));
    EXPECT_TRUE(extensionsutils::sameComObject(client.get(), again.get()) && client.as<IUCCLyncClient>() &&
                automation.as<IUCCAutomation>());
    IDispatch* value = sentinel<IDispatch>();
    for (long requested : {3L, 256L, 257L, 0L, -1L})
        EXPECT_EQ(E_NOTIMPL, integration->GetInterface(Bstr(L"16.0.0.0").get(), static_cast<OIInterface>(requested), &value));
    EXPECT_EQ(sentinel<IDispatch>(), value);
}

} // namespace
