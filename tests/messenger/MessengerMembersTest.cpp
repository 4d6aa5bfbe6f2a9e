// Every member of the Messenger API with the answer Office gets from it, signed in and signed out,
// through the virtual table and through IDispatch.

#include "MessengerFixture.h"

#include "support/LateBoundCall.h"

#include "extensionsutils/Bstr.h"

#include <cstdint>
#include <functional>
#include <vector>

using extensionsutils::Bstr;
using extensionsutils::ComPtr;
using extensionsutils::Variant;

namespace {

// Values an out-parameter holds before the call; a member that must not write it leaves them there.
IDispatch* const UnwrittenDispatch = reinterpret_cast<IDispatch*>(static_cast<std::uintptr_t>(0x5EE0));
const BSTR UnwrittenBstr = reinterpret_cast<BSTR>(static_cast<std::uintptr_t>(0x5EE4));
const LONG UnwrittenNumber = 0x5EE8;

struct Member {
    const char* name;
    // Calls the member through the virtual table and checks that it left its out-parameters alone.
    std::function<HRESULT(IMessengerAdvanced&, IMessengerContactResolution&)> call;
    // The same call through IDispatch.
    const wchar_t* dispatchName;
    WORD flags;
    std::vector<Variant> arguments;
    bool onResolution = false; // IMessengerContactResolution's own IDispatch
};

HRESULT leavesDispatch(HRESULT hr, IDispatch* out)
{
    EXPECT_EQ(UnwrittenDispatch, out) << "an IDispatch out-parameter was written";
    return hr;
}

HRESULT leavesBstr(HRESULT hr, BSTR out)
{
    EXPECT_EQ(UnwrittenBstr, out) << "a BSTR out-parameter was written";
    return hr;
}

HRESULT leavesNumber(HRESULT hr, LONG out)
{
    EXPECT_EQ(UnwrittenNumber, out) << "a number out-parameter was written";
    return hr;
}

HRESULT leavesVariant(HRESULT hr, const VARIANT& out)
{
    EXPECT_EQ(VT_I2, out.vt) << "a VARIANT out-parameter was written";
    EXPECT_EQ(0x5EE, out.iVal);
    return hr;
}

VARIANT unwrittenVariant()
{
    VARIANT value;
    VariantInit(&value);
    value.vt = VT_I2;
    value.iVal = 0x5EE;
    return value;
}

Variant bstr(const wchar_t* text)
{
    return Variant::fromString(text);
}

Variant number(LONG value)
{
    return Variant::fromInt32(value);
}

// Members that do nothing (or refuse) and so never write an out-parameter, signed in or not.
std::vector<Member> membersThatWriteNothing()
{
    return {
        {"get_Window",
         [](IMessengerAdvanced& m, IMessengerContactResolution&) {
             IDispatch* out = UnwrittenDispatch;
             return leavesDispatch(m.get_Window(&out), out);
         },
         L"Window", DISPATCH_PROPERTYGET, {}},
        {"ViewProfile",
         [](IMessengerAdvanced& m, IMessengerContactResolution&) {
             return m.ViewProfile(*Variant::fromString(L"bob").get());
         },
         L"ViewProfile", DISPATCH_METHOD, {bstr(L"bob")}},
        {"get_ReceiveFileDirectory",
         [](IMessengerAdvanced& m, IMessengerContactResolution&) {
             BSTR out = UnwrittenBstr;
             return leavesBstr(m.get_ReceiveFileDirectory(&out), out);
         },
         L"ReceiveFileDirectory", DISPATCH_PROPERTYGET, {}},
        {"StartVoice",
         [](IMessengerAdvanced& m, IMessengerContactResolution&) {
             IDispatch* out = UnwrittenDispatch;
             return leavesDispatch(m.StartVoice(*Variant::fromString(L"bob").get(), &out), out);
         },
         L"StartVoice", DISPATCH_METHOD, {bstr(L"bob")}},
        {"InviteApp",
         [](IMessengerAdvanced& m, IMessengerContactResolution&) {
             IDispatch* out = UnwrittenDispatch;
             return leavesDispatch(m.InviteApp(*Variant::fromString(L"bob").get(), Bstr(L"app").get(), &out), out);
         },
         L"InviteApp", DISPATCH_METHOD, {bstr(L"bob"), bstr(L"app")}},
        {"SendMail",
         [](IMessengerAdvanced& m, IMessengerContactResolution&) {
             return m.SendMail(*Variant::fromString(L"bob").get());
         },
         L"SendMail", DISPATCH_METHOD, {bstr(L"bob")}},
        {"OpenInbox", [](IMessengerAdvanced& m, IMessengerContactResolution&) { return m.OpenInbox(); }, L"OpenInbox",
         DISPATCH_METHOD, {}},
        {"SendFile",
         [](IMessengerAdvanced& m, IMessengerContactResolution&) {
             IDispatch* out = UnwrittenDispatch;
             return leavesDispatch(m.SendFile(*Variant::fromString(L"bob").get(), Bstr(L"c:\\f.txt").get(), &out), out);
         },
         L"SendFile", DISPATCH_METHOD, {bstr(L"bob"), bstr(L"c:\\f.txt")}},
        {"Signout", [](IMessengerAdvanced& m, IMessengerContactResolution&) { return m.Signout(); }, L"Signout",
         DISPATCH_METHOD, {}},
        {"Signin",
         [](IMessengerAdvanced& m, IMessengerContactResolution&) {
             return m.Signin(0, Bstr(L"me").get(), Bstr(L"secret").get());
         },
         L"Signin", DISPATCH_METHOD, {number(0), bstr(L"me"), bstr(L"secret")}},
        {"OptionsPages",
         [](IMessengerAdvanced& m, IMessengerContactResolution&) { return m.OptionsPages(0, MOPT_GENERAL_PAGE); },
         L"OptionsPages", DISPATCH_METHOD, {number(0), number(MOPT_GENERAL_PAGE)}},
        {"FindContact",
         [](IMessengerAdvanced& m, IMessengerContactResolution&) {
             return m.FindContact(0, Bstr(L"Bob").get(), Bstr(L"Builder").get(), *Variant::fromString(L"Town").get(),
                                  *Variant().get(), *Variant().get());
         },
         L"FindContact", DISPATCH_METHOD, {number(0), bstr(L"Bob"), bstr(L"Builder"), bstr(L"Town"), bstr(L""), bstr(L"")}},
        {"Phone",
         [](IMessengerAdvanced& m, IMessengerContactResolution&) {
             IDispatch* out = UnwrittenDispatch;
             return leavesDispatch(
                 m.Phone(*Variant::fromString(L"bob").get(), MPHONE_TYPE_WORK, Bstr(L"+1 555").get(), &out), out);
         },
         L"Phone", DISPATCH_METHOD, {bstr(L"bob"), number(MPHONE_TYPE_WORK), bstr(L"+1 555")}},
        {"MediaWizard", [](IMessengerAdvanced& m, IMessengerContactResolution&) { return m.MediaWizard(0); },
         L"MediaWizard", DISPATCH_METHOD, {number(0)}},
        {"Page",
         [](IMessengerAdvanced& m, IMessengerContactResolution&) {
             IDispatch* out = UnwrittenDispatch;
             return leavesDispatch(m.Page(*Variant::fromString(L"bob").get(), &out), out);
         },
         L"Page", DISPATCH_METHOD, {bstr(L"bob")}},
        {"AutoSignin", [](IMessengerAdvanced& m, IMessengerContactResolution&) { return m.AutoSignin(); },
         L"AutoSignin", DISPATCH_METHOD, {}},
        {"put_MyStatus", [](IMessengerAdvanced& m, IMessengerContactResolution&) { return m.put_MyStatus(MISTATUS_BUSY); },
         L"MyStatus", DISPATCH_PROPERTYPUT, {number(MISTATUS_BUSY)}},
        {"get_UnreadEmailCount",
         [](IMessengerAdvanced& m, IMessengerContactResolution&) {
             LONG out = UnwrittenNumber;
             return leavesNumber(m.get_UnreadEmailCount(MUAFOLDER_INBOX, &out), out);
         },
         L"UnreadEmailCount", DISPATCH_PROPERTYGET, {number(MUAFOLDER_INBOX)}},
        {"put_ContactsSortOrder",
         [](IMessengerAdvanced& m, IMessengerContactResolution&) { return m.put_ContactsSortOrder(MUASORT_ONOFFLINE); },
         L"ContactsSortOrder", DISPATCH_PROPERTYPUT, {number(MUASORT_ONOFFLINE)}},
        {"StartVideo",
         [](IMessengerAdvanced& m, IMessengerContactResolution&) {
             IDispatch* out = UnwrittenDispatch;
             return leavesDispatch(m.StartVideo(*Variant::fromString(L"bob").get(), &out), out);
         },
         L"StartVideo", DISPATCH_METHOD, {bstr(L"bob")}},
        {"get_MyGroups",
         [](IMessengerAdvanced& m, IMessengerContactResolution&) {
             IDispatch* out = UnwrittenDispatch;
             return leavesDispatch(m.get_MyGroups(&out), out);
         },
         L"MyGroups", DISPATCH_PROPERTYGET, {}},
        {"CreateGroup",
         [](IMessengerAdvanced& m, IMessengerContactResolution&) {
             IDispatch* out = UnwrittenDispatch;
             return leavesDispatch(m.CreateGroup(Bstr(L"friends").get(), *Variant().get(), &out), out);
         },
         L"CreateGroup", DISPATCH_METHOD, {bstr(L"friends"), Variant()}},
    };
}

// Members that answer with data when signed in; signed out they must write nothing either.
std::vector<Member> membersThatAnswer()
{
    return {
        {"GetContact",
         [](IMessengerAdvanced& m, IMessengerContactResolution&) {
             IDispatch* out = UnwrittenDispatch;
             return leavesDispatch(m.GetContact(Bstr(L"bob").get(), Bstr(L"").get(), &out), out);
         },
         L"GetContact", DISPATCH_METHOD, {bstr(L"bob"), bstr(L"")}},
        {"AddContact",
         [](IMessengerAdvanced& m, IMessengerContactResolution&) { return m.AddContact(0, Bstr(L"dave@example.com").get()); },
         L"AddContact", DISPATCH_METHOD, {number(0), bstr(L"dave@example.com")}},
        {"InstantMessage",
         [](IMessengerAdvanced& m, IMessengerContactResolution&) {
             IDispatch* out = UnwrittenDispatch;
             return leavesDispatch(m.InstantMessage(*Variant::fromString(L"bob").get(), &out), out);
         },
         L"InstantMessage", DISPATCH_METHOD, {bstr(L"bob")}},
        {"get_MyContacts",
         [](IMessengerAdvanced& m, IMessengerContactResolution&) {
             IDispatch* out = UnwrittenDispatch;
             return leavesDispatch(m.get_MyContacts(&out), out);
         },
         L"MyContacts", DISPATCH_PROPERTYGET, {}},
        {"get_MySigninName",
         [](IMessengerAdvanced& m, IMessengerContactResolution&) {
             BSTR out = UnwrittenBstr;
             return leavesBstr(m.get_MySigninName(&out), out);
         },
         L"MySigninName", DISPATCH_PROPERTYGET, {}},
        {"get_MyFriendlyName",
         [](IMessengerAdvanced& m, IMessengerContactResolution&) {
             BSTR out = UnwrittenBstr;
             return leavesBstr(m.get_MyFriendlyName(&out), out);
         },
         L"MyFriendlyName", DISPATCH_PROPERTYGET, {}},
        {"get_MyStatus",
         [](IMessengerAdvanced& m, IMessengerContactResolution&) {
             MISTATUS out = static_cast<MISTATUS>(UnwrittenNumber);
             return leavesNumber(m.get_MyStatus(&out), out);
         },
         L"MyStatus", DISPATCH_PROPERTYGET, {}},
        {"get_MyServiceName",
         [](IMessengerAdvanced& m, IMessengerContactResolution&) {
             BSTR out = UnwrittenBstr;
             return leavesBstr(m.get_MyServiceName(&out), out);
         },
         L"MyServiceName", DISPATCH_PROPERTYGET, {}},
        {"get_MyPhoneNumber",
         [](IMessengerAdvanced& m, IMessengerContactResolution&) {
             BSTR out = UnwrittenBstr;
             return leavesBstr(m.get_MyPhoneNumber(MPHONE_TYPE_WORK, &out), out);
         },
         L"MyPhoneNumber", DISPATCH_PROPERTYGET, {number(MPHONE_TYPE_WORK)}},
        {"get_MyProperty",
         [](IMessengerAdvanced& m, IMessengerContactResolution&) {
             VARIANT out = unwrittenVariant();
             return leavesVariant(m.get_MyProperty(MCONTACTPROP_EMAIL, &out), out);
         },
         L"MyProperty", DISPATCH_PROPERTYGET, {number(MCONTACTPROP_EMAIL)}},
        {"put_MyProperty",
         [](IMessengerAdvanced& m, IMessengerContactResolution&) {
             return m.put_MyProperty(MCONTACTPROP_EMAIL, *Variant::fromString(L"me@example.com").get());
         },
         L"MyProperty", DISPATCH_PROPERTYPUT, {number(MCONTACTPROP_EMAIL), bstr(L"me@example.com")}},
        {"get_MyServiceId",
         [](IMessengerAdvanced& m, IMessengerContactResolution&) {
             BSTR out = UnwrittenBstr;
             return leavesBstr(m.get_MyServiceId(&out), out);
         },
         L"MyServiceId", DISPATCH_PROPERTYGET, {}},
        {"get_Services",
         [](IMessengerAdvanced& m, IMessengerContactResolution&) {
             IDispatch* out = UnwrittenDispatch;
             return leavesDispatch(m.get_Services(&out), out);
         },
         L"Services", DISPATCH_PROPERTYGET, {}},
        {"get_ContactsSortOrder",
         [](IMessengerAdvanced& m, IMessengerContactResolution&) {
             MUASORT out = static_cast<MUASORT>(UnwrittenNumber);
             return leavesNumber(m.get_ContactsSortOrder(&out), out);
         },
         L"ContactsSortOrder", DISPATCH_PROPERTYGET, {}},
        {"get_Property",
         [](IMessengerAdvanced& m, IMessengerContactResolution&) {
             VARIANT out = unwrittenVariant();
             return leavesVariant(m.get_Property(MMESSENGERPROP_VERSION, &out), out);
         },
         L"Property", DISPATCH_PROPERTYGET, {number(MMESSENGERPROP_VERSION)}},
        {"put_Property",
         [](IMessengerAdvanced& m, IMessengerContactResolution&) {
             return m.put_Property(MMESSENGERPROP_VERSION, *Variant::fromString(L"14.0").get());
         },
         L"Property", DISPATCH_PROPERTYPUT, {number(MMESSENGERPROP_VERSION), bstr(L"14.0")}},
        {"StartConversation",
         [](IMessengerAdvanced& m, IMessengerContactResolution&) {
             VARIANT window = unwrittenVariant();
             return leavesVariant(m.StartConversation(CONVERSATION_TYPE_IM, *Variant::fromString(L"bob").get(),
                                                      *Variant().get(), *Variant().get(), *Variant().get(),
                                                      *Variant().get(), &window),
                                  window);
         },
         L"StartConversation", DISPATCH_METHOD, {number(CONVERSATION_TYPE_IM), bstr(L"bob")}},
        {"ResolveContact",
         [](IMessengerAdvanced&, IMessengerContactResolution& r) {
             BSTR out = UnwrittenBstr;
             return leavesBstr(r.ResolveContact(ADDRESS_TYPE_SMTP, CONTACT_RESOLUTION_ANY, Bstr(L"bob@example.com").get(), &out),
                               out);
         },
         L"ResolveContact", DISPATCH_METHOD,
         {number(ADDRESS_TYPE_SMTP), number(CONTACT_RESOLUTION_ANY), bstr(L"bob@example.com")}, true},
    };
}

class MessengerMembersTest : public MessengerTest {
protected:
    // The member's result through the chosen path.
    HRESULT call(const Member& member, CallPath path)
    {
        ComPtr<IMessengerAdvanced> api = messengerApi();
        ComPtr<IMessengerContactResolution> resolution = messenger.as<IMessengerContactResolution>();
        if (path == CallPath::VirtualTable) return member.call(*api, *resolution);
        ComPtr<IDispatch> target = member.onResolution ? ComPtr<IDispatch>(resolution.get()) : lateBound();
        const LateBoundResult result = callByName(target.get(), member.dispatchName, member.flags, member.arguments);
        return result.member;
    }

    void expectHostUntouched()
    {
        EXPECT_TRUE(host().conversations().empty()) << "a chat or call was started";
        EXPECT_TRUE(host().addedContacts().empty()) << "a contact was added";
        EXPECT_TRUE(host().watchRequests().empty()) << "a contact was watched";
        EXPECT_TRUE(host().resolveRequests().empty()) << "a resolution was asked for";
    }
};

TEST_F(MessengerMembersTest, UnsupportedMembersAnswerAsOfficeExpectsAndDoNothing)
{
    for (CallPath path : {CallPath::VirtualTable, CallPath::LateBound}) {
        for (const Member& member : membersThatWriteNothing()) {
            SCOPED_TRACE(testing::Message() << member.name << " through the " << nameOf(path));
            const bool notImplemented = std::string(member.name) == "StartVoice" || std::string(member.name) == "StartVideo";
            EXPECT_EQ(notImplemented ? E_NOTIMPL : S_OK, call(member, path));
        }
    }
    expectHostUntouched();
    MUASORT order = MUASORT_ONOFFLINE;
    EXPECT_EQ(S_OK, messengerApi()->get_ContactsSortOrder(&order));
    EXPECT_EQ(MUASORT_GROUPS, order) << "the order put before is not kept";
}

TEST_F(MessengerMembersTest, SignedOutEveryGuardedMemberRefusesAndWritesNothing)
{
    signOut();
    std::vector<Member> members = membersThatWriteNothing();
    for (Member& member : membersThatAnswer()) members.push_back(std::move(member));
    for (CallPath path : {CallPath::VirtualTable, CallPath::LateBound}) {
        for (const Member& member : members) {
            SCOPED_TRACE(testing::Message() << member.name << " through the " << nameOf(path));
            const std::string name = member.name;
            HRESULT expected = NotLoggedOn;
            if (name == "StartVoice" || name == "StartVideo") expected = E_NOTIMPL; // not guarded
            if (name == "Signin" || name == "AutoSignin" || name == "AddContact") expected = S_OK;
            if (name == "GetContact") expected = ContactNotFound;
            EXPECT_EQ(expected, call(member, path));
        }
    }
    expectHostUntouched();
    // The user's own status is never looked up while signed out.
    EXPECT_EQ(0u, host().callCount(fakehost::HostMethod::GetPresenceForContact));
    EXPECT_EQ(0u, host().callCount(fakehost::HostMethod::GetLoggedInUser));
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
    EXPECT_EQ(SourceFile, refusal.file);

    EXPECT_EQ(NotLoggedOn, api->Signout());
    EXPECT_EQ(2, onlyRecordOf(L"already logged out").moduleLevel);
    EXPECT_EQ(S_OK, api->Signin(0, nullptr, nullptr));
    EXPECT_EQ(L"TavoMessengerAdvanced::Signin", onlyRecordOf(L"client is not logged in").function);
    IDispatch* contact = UnwrittenDispatch;
    EXPECT_EQ(ContactNotFound, api->GetContact(Bstr(L"bob").get(), nullptr, &contact));
    EXPECT_EQ(L"TavoMessengerAdvanced::GetContact", onlyRecordOf(L"Client is not logged in, returning").function);
}

TEST_F(MessengerMembersTest, StartVoiceAndStartVideoAreNotImplementedWhateverTheSignInState)
{
    ComPtr<IMessengerAdvanced> api = messengerApi();
    for (long signedIn : {0L, 1L}) {
        host().setSignedInValue(signedIn);
        IDispatch* window = UnwrittenDispatch;
        EXPECT_EQ(E_NOTIMPL, api->StartVoice(*Variant::fromString(L"bob").get(), &window));
        EXPECT_EQ(E_NOTIMPL, api->StartVideo(*Variant::fromString(L"bob").get(), &window));
        EXPECT_EQ(UnwrittenDispatch, window);
    }
    EXPECT_EQ(0u, host().callCount(fakehost::HostMethod::IsSignedIn)) << "the sign-in state was asked for";
}

TEST_F(MessengerMembersTest, AuthenticationInfoIsTheFixedTextSignedInOrNot)
{
    ComPtr<IMessengerAdvanced> api = messengerApi();
    for (long signedIn : {0L, 1L}) {
        host().setSignedInValue(signedIn);
        Bstr info;
        EXPECT_EQ(S_OK, api->GetAuthenticationInfo(info.out()));
        EXPECT_EQ(L"<authenticationinfo><protocol>sip_tls</protocol></authenticationinfo>", info.str());
        const LateBoundResult lateBoundInfo = callByName(lateBound().get(), L"GetAuthenticationInfo", DISPATCH_METHOD);
        EXPECT_EQ(S_OK, lateBoundInfo.member);
        ASSERT_EQ(VT_BSTR, lateBoundInfo.value.type());
        EXPECT_EQ(info.str(), std::wstring(lateBoundInfo.value.get()->bstrVal));
    }
    EXPECT_EQ(E_INVALIDARG, api->GetAuthenticationInfo(nullptr));
}

} // namespace
