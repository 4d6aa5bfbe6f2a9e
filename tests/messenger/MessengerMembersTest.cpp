// The Messenger object's surface as Office meets it: one COM identity with the interfaces Office asks
// for, and every member's answer signed in and signed out. Members run late-bound (as
// Office mostly calls); the virtual tables are checked where they differ: a refused call writes nothing.

#include "MessengerFixture.h"

#include "support/LateBoundCall.h"

#include "extensionsutils/Bstr.h"

#include <servprov.h>

using extensionsutils::Bstr;
using extensionsutils::ComPtr;
using extensionsutils::Variant;
using fakehost::HostMethod;

namespace {

using MessengerMembersTest = MessengerTest;

TEST_F(MessengerMembersTest, IsOneObjectThroughEveryInterfaceOfItsMapAndNoOther)
{
    IUnknown* identity = messenger.identity();
    for (const IID& iid : {IID_IUCOfficeIntegration, IID_IMessengerAdvanced, IID_IMessenger, IID_IMessenger2,
                           IID_IMessenger3, IID_IDispatch, IID_IConnectionPointContainer,
                           IID_IMessengerContactResolution, IID_IServiceProvider, IID_IUnknown}) {
        ComPtr<IUnknown> answer;
        ASSERT_EQ(S_OK, identity->QueryInterface(iid, reinterpret_cast<void**>(answer.out())));
        EXPECT_TRUE(extensionsutils::sameComObject(identity, answer.get()));
    }
    // The Messenger API and late-bound callers share one interface pointer.
    ComPtr<IMessengerAdvanced> advanced = messengerApi();
    EXPECT_EQ(static_cast<void*>(advanced.get()), static_cast<void*>(lateBound().get()));
    for (const IID& iid : {IID_IMessengerGroups, IID_IMessengerContact, IID_IMessengerServices, IID_IUCCLyncClient}) {
        void* result = reinterpret_cast<void*>(1);
        EXPECT_EQ(E_NOINTERFACE, identity->QueryInterface(iid, &result));
        EXPECT_EQ(nullptr, result);
    }
    EXPECT_EQ(E_POINTER, identity->QueryInterface(IID_IMessenger, nullptr));
}

TEST_F(MessengerMembersTest, QueryServiceAnswersTheUcEntryForTheUcServiceOnly)
{
    ComPtr<IServiceProvider> provider = messenger.as<IServiceProvider>();
    GUID ucService = {};
    ASSERT_EQ(S_OK, IIDFromString(L"{6B734CFB-92E4-42F3-9A5E-D4BDED5FC357}", &ucService));
    ComPtr<IUCOfficeIntegration> entry = messenger.as<IUCOfficeIntegration>();
    for (const IID& iid : {IID_IUCOfficeIntegration, IID_IUnknown, IID_IMessenger}) {
        void* result = nullptr;
        ASSERT_EQ(S_OK, provider->QueryService(ucService, iid, &result));
        EXPECT_EQ(static_cast<void*>(entry.get()), result) << "whatever interface was asked";
        static_cast<IUnknown*>(result)->Release();
    }
    void* result = reinterpret_cast<void*>(1);
    EXPECT_EQ(E_NOTIMPL, provider->QueryService(IID_IUCOfficeIntegration, IID_IUCOfficeIntegration, &result));
    EXPECT_EQ(nullptr, result);
    EXPECT_EQ(E_POINTER, provider->QueryService(ucService, IID_IUnknown, nullptr));
}

TEST_F(MessengerMembersTest, InitialiseRegistersTheHostListenerAndUninitialiseTakesItBack)
{
    EXPECT_EQ(1u, host().listenerCount());
    messenger->uninitialise();
    EXPECT_EQ(0u, host().listenerCount());
    EXPECT_EQ(host().addedListeners(), host().removedListeners());
}

struct Member {
    const wchar_t* name;
    WORD flags;
    std::vector<Variant> arguments;
    HRESULT signedIn;
    HRESULT signedOut;
    bool inert; // does nothing at the host, signed in or not
};

constexpr HRESULT kNotLoggedOn = static_cast<HRESULT>(0x8100031E);
constexpr WORD kGet = DISPATCH_PROPERTYGET;
constexpr WORD kPut = DISPATCH_PROPERTYPUT;
constexpr WORD kCall = DISPATCH_METHOD;

Variant text(const wchar_t* value) { return Variant::fromString(value); }
Variant number(LONG value) { return Variant::fromInt32(value); }

const std::vector<Member>& members()
{
    static const std::vector<Member> rows = {
        {L"Window", kGet, {}, S_OK, kNotLoggedOn, true},
        {L"ViewProfile", kCall, {text(L"bob")}, S_OK, kNotLoggedOn, true},
        {L"ReceiveFileDirectory", kGet, {}, S_OK, kNotLoggedOn, true},
        {L"StartVoice", kCall, {text(L"bob")}, E_NOTIMPL, E_NOTIMPL, true},
        {L"InviteApp", kCall, {text(L"bob"), text(L"app")}, S_OK, kNotLoggedOn, true},
        {L"SendMail", kCall, {text(L"bob")}, S_OK, kNotLoggedOn, true},
        {L"OpenInbox", kCall, {}, S_OK, kNotLoggedOn, true},
        {L"SendFile", kCall, {text(L"bob"), text(L"c:\\f.txt")}, S_OK, kNotLoggedOn, true},
        {L"Signout", kCall, {}, S_OK, kNotLoggedOn, true},
        {L"Signin", kCall, {number(0), text(L"me"), text(L"secret")}, S_OK, S_OK, true},
        {L"OptionsPages", kCall, {number(0), number(MOPT_GENERAL_PAGE)}, S_OK, kNotLoggedOn, true},
        {L"FindContact", kCall, {number(0), text(L"Bob"), text(L"B"), text(L"Town"), text(L""), text(L"")}, S_OK,
         kNotLoggedOn, true},
        {L"Phone", kCall, {text(L"bob"), number(MPHONE_TYPE_WORK), text(L"+1 555")}, S_OK, kNotLoggedOn, true},
        {L"MediaWizard", kCall, {number(0)}, S_OK, kNotLoggedOn, true},
        {L"Page", kCall, {text(L"bob")}, S_OK, kNotLoggedOn, true},
        {L"AutoSignin", kCall, {}, S_OK, S_OK, true},
        {L"MyStatus", kPut, {number(MISTATUS_BUSY)}, S_OK, kNotLoggedOn, true},
        {L"UnreadEmailCount", kGet, {number(MUAFOLDER_INBOX)}, S_OK, kNotLoggedOn, true},
        {L"ContactsSortOrder", kPut, {number(MUASORT_ONOFFLINE)}, S_OK, kNotLoggedOn, true},
        {L"StartVideo", kCall, {text(L"bob")}, E_NOTIMPL, E_NOTIMPL, true},
        {L"MyGroups", kGet, {}, S_OK, kNotLoggedOn, true},
        {L"CreateGroup", kCall, {text(L"friends"), Variant()}, S_OK, kNotLoggedOn, true},
        {L"GetAuthenticationInfo", kCall, {}, S_OK, S_OK, true},
        {L"GetContact", kCall, {text(L"bob"), text(L"")}, S_OK, static_cast<HRESULT>(0x8100030A), false},
        {L"AddContact", kCall, {number(0), text(L"dave@example.com")}, S_OK, S_OK, false},
        {L"InstantMessage", kCall, {text(L"bob")}, S_OK, kNotLoggedOn, false},
        {L"MyContacts", kGet, {}, S_OK, kNotLoggedOn, false},
        {L"MySigninName", kGet, {}, S_OK, kNotLoggedOn, false},
        {L"MyFriendlyName", kGet, {}, S_OK, kNotLoggedOn, false},
        {L"MyStatus", kGet, {}, S_OK, kNotLoggedOn, false},
        {L"MyServiceName", kGet, {}, S_OK, kNotLoggedOn, false},
        {L"MyPhoneNumber", kGet, {number(MPHONE_TYPE_WORK)}, S_OK, kNotLoggedOn, false},
        {L"MyProperty", kGet, {number(MCONTACTPROP_EMAIL)}, S_OK, kNotLoggedOn, false},
        {L"MyProperty", kPut, {number(MCONTACTPROP_EMAIL), text(L"me@example.com")}, S_OK, kNotLoggedOn, false},
        {L"MyServiceId", kGet, {}, S_OK, kNotLoggedOn, false},
        {L"Services", kGet, {}, S_OK, kNotLoggedOn, false},
        {L"ContactsSortOrder", kGet, {}, S_OK, kNotLoggedOn, false},
        {L"Property", kGet, {number(MMESSENGERPROP_VERSION)}, S_OK, kNotLoggedOn, false},
        {L"Property", kPut, {number(MMESSENGERPROP_VERSION), text(L"14.0")}, S_OK, kNotLoggedOn, false},
        {L"StartConversation", kCall, {number(CONVERSATION_TYPE_IM), text(L"bob")}, S_OK, kNotLoggedOn, false},
    };
    return rows;
}

class MessengerMemberRowsTest : public MessengerTest {
protected:
    void run(bool signedIn, bool inert)
    {
        for (const Member& member : members()) {
            if (signedIn && member.inert != inert) continue;
            SCOPED_TRACE(testing::Message() << std::string(member.name, member.name + wcslen(member.name))
                                            << " flags " << member.flags);
            LateBoundResult result = callByName(lateBound().get(), member.name, member.flags, member.arguments);
            EXPECT_EQ(signedIn ? member.signedIn : member.signedOut, result.member);
        }
    }

    void expectHostUntouched()
    {
        EXPECT_TRUE(host().conversations().empty()) << "a chat or call was started";
        EXPECT_TRUE(host().addedContacts().empty()) << "a contact was added";
        EXPECT_TRUE(host().watchRequests().empty()) << "a contact was watched";
        EXPECT_TRUE(host().resolveRequests().empty()) << "a resolution was asked for";
    }
};

TEST_F(MessengerMemberRowsTest, SignedInEveryMemberAnswersAndTheUnsupportedOnesDoNothing)
{
    run(true, true);
    expectHostUntouched();
    MUASORT order = MUASORT_ONOFFLINE;
    EXPECT_EQ(S_OK, messengerApi()->get_ContactsSortOrder(&order));
    EXPECT_EQ(MUASORT_GROUPS, order) << "the order put before is not kept";
    run(true, false);
    const LateBoundResult resolution = callByName(messenger.as<IMessengerContactResolution>().get(), L"ResolveContact",
                                                  kCall, {number(ADDRESS_TYPE_SMTP), number(CONTACT_RESOLUTION_ANY),
                                                          text(L"bob@example.com")});
    EXPECT_EQ(E_PENDING, resolution.member);
}

TEST_F(MessengerMemberRowsTest, SignedOutEveryGuardedMemberRefusesAndTheHostIsNotAsked)
{
    signOut();
    run(false, false);
    const LateBoundResult resolution = callByName(messenger.as<IMessengerContactResolution>().get(), L"ResolveContact",
                                                  kCall, {number(ADDRESS_TYPE_SMTP), number(CONTACT_RESOLUTION_ANY),
                                                          text(L"bob@example.com")});
    EXPECT_EQ(NotLoggedOn, resolution.member);
    expectHostUntouched();
    EXPECT_EQ(0u, host().callCount(HostMethod::GetPresenceForContact));
    EXPECT_EQ(0u, host().callCount(HostMethod::GetLoggedInUser));
}

// Through the virtual table a refused or unsupported call must leave every out-parameter as it was.
TEST_F(MessengerMembersTest, ARefusedOrUnsupportedCallWritesNoOutParameter)
{
    ComPtr<IMessengerAdvanced> api = messengerApi();
    ComPtr<IMessengerContactResolution> resolution = messenger.as<IMessengerContactResolution>();
    const Variant bobName = Variant::fromString(L"bob");
    const Variant nothing;
    const VARIANT& bob = *bobName.get();
    const VARIANT& none = *nothing.get();
    IDispatch* object = kUnwrittenDispatch;
    BSTR string = kUnwrittenBstr;
    LONG count = 0x5EE;
    VARIANT value;
    VariantInit(&value);
    value.vt = VT_I2;
    auto unwritten = [&](const char* member) {
        EXPECT_EQ(kUnwrittenDispatch, object) << member;
        EXPECT_EQ(kUnwrittenBstr, string) << member;
        EXPECT_EQ(0x5EE, count) << member;
        EXPECT_EQ(VT_I2, value.vt) << member;
    };
    for (bool signedIn : {true, false}) {
        host().setSignedInValue(signedIn ? 0 : 1);
        api->get_Window(&object);
        api->get_ReceiveFileDirectory(&string);
        api->StartVoice(bob, &object);
        api->StartVideo(bob, &object);
        api->InviteApp(bob, Bstr(L"app").get(), &object);
        api->SendFile(bob, Bstr(L"f").get(), &object);
        api->Phone(bob, MPHONE_TYPE_WORK, Bstr(L"1").get(), &object);
        api->Page(bob, &object);
        api->get_UnreadEmailCount(MUAFOLDER_INBOX, &count);
        api->get_MyGroups(&object);
        api->CreateGroup(Bstr(L"g").get(), none, &object);
        unwritten(signedIn ? "signed in" : "signed out");
    }
    api->GetContact(Bstr(L"bob").get(), nullptr, &object);
    api->InstantMessage(bob, &object);
    api->get_MyContacts(&object);
    api->get_Services(&object);
    api->get_MySigninName(&string);
    api->get_MyFriendlyName(&string);
    api->get_MyServiceName(&string);
    api->get_MyServiceId(&string);
    api->get_MyPhoneNumber(MPHONE_TYPE_WORK, &string);
    api->get_MyStatus(reinterpret_cast<MISTATUS*>(&count));
    api->get_ContactsSortOrder(reinterpret_cast<MUASORT*>(&count));
    api->get_MyProperty(MCONTACTPROP_EMAIL, &value);
    api->get_Property(MMESSENGERPROP_VERSION, &value);
    api->StartConversation(CONVERSATION_TYPE_IM, bob, none, none, none, none, &value);
    resolution->ResolveContact(ADDRESS_TYPE_SMTP, CONTACT_RESOLUTION_ANY, Bstr(L"bob@example.com").get(), &string);
    unwritten("signed out");
}

TEST_F(MessengerMembersTest, RefusalsAreLoggedAsTheMemberNamesThem)
{
    signOut();
    ComPtr<IMessengerAdvanced> api = messengerApi();
    MISTATUS status = MISTATUS_UNKNOWN;
    EXPECT_EQ(NotLoggedOn, api->get_MyStatus(&status));
    const Logged refusal = onlyRecordOf(L"not logged in returning MSGR_E_NOT_LOGGED_ON");
    EXPECT_EQ(1, refusal.moduleLevel);
    EXPECT_EQ(L"TavoMessengerAdvanced::get_MyStatus", refusal.function);
    EXPECT_EQ(L"extensions/tavomessenger/IMessenger/TavoMessengerAdvanced", refusal.file);
    EXPECT_EQ(NotLoggedOn, api->Signout());
    EXPECT_EQ(2, onlyRecordOf(L"already logged out").moduleLevel);
    EXPECT_EQ(S_OK, api->Signin(0, nullptr, nullptr));
    EXPECT_EQ(L"TavoMessengerAdvanced::Signin", onlyRecordOf(L"client is not logged in").function);
    IDispatch* contact = kUnwrittenDispatch;
    EXPECT_EQ(ContactNotFound, api->GetContact(Bstr(L"bob").get(), nullptr, &contact));
    EXPECT_EQ(L"TavoMessengerAdvanced::GetContact", onlyRecordOf(L"Client is not logged in, returning").function);
}

TEST_F(MessengerMembersTest, StartVoiceAndStartVideoNeverAskTheSignInState)
{
    ComPtr<IMessengerAdvanced> api = messengerApi();
    IDispatch* window = nullptr;
    EXPECT_EQ(E_NOTIMPL, api->StartVoice(*Variant::fromString(L"bob").get(), &window));
    EXPECT_EQ(E_NOTIMPL, api->StartVideo(*Variant::fromString(L"bob").get(), &window));
    EXPECT_EQ(0u, host().callCount(HostMethod::IsSignedIn));
}

TEST_F(MessengerMembersTest, AuthenticationInfoIsTheFixedTextSignedInOrNot)
{
    ComPtr<IMessengerAdvanced> api = messengerApi();
    for (long signedIn : {0L, 1L}) {
        host().setSignedInValue(signedIn);
        const LateBoundResult info = callByName(lateBound().get(), L"GetAuthenticationInfo", DISPATCH_METHOD);
        EXPECT_EQ(L"<authenticationinfo><protocol>sip_tls</protocol></authenticationinfo>", stringOf(info.value));
    }
    EXPECT_EQ(E_INVALIDARG, api->GetAuthenticationInfo(nullptr));
}

} // namespace
