// The signed-in user as the Messenger API reports it: status, names, service, phone numbers, and the
// property maps that Office writes and reads back.

#include "MessengerFixture.h"

#include "support/LateBoundCall.h"

#include "extensionsutils/Bstr.h"

#include <cstdint>
#include <functional>

using extensionsutils::Bstr;
using extensionsutils::ComPtr;
using extensionsutils::Variant;
using fakehost::HostMethod;

namespace {

using MessengerStatusTest = MessengerTest;

// What a BSTR out-parameter holds before the call; a member that must not write it leaves it there.
BSTR unwrittenBstr()
{
    return reinterpret_cast<BSTR>(static_cast<std::uintptr_t>(0x5EE4));
}

MISTATUS myStatus(IMessengerAdvanced& api)
{
    MISTATUS status = static_cast<MISTATUS>(0x5EE);
    EXPECT_EQ(S_OK, api.get_MyStatus(&status));
    return status;
}

TEST_F(MessengerStatusTest, MyStatusIsTheHostPresenceOfTheUserMappedToMessengerStatus)
{
    const struct {
        long presence;
        MISTATUS status;
    } cases[] = {{1, MISTATUS_ONLINE},  {2, MISTATUS_AWAY},    {3, MISTATUS_DO_NOT_DISTURB}, {4, MISTATUS_AWAY},
                 {5, MISTATUS_OFFLINE}, {0, MISTATUS_UNKNOWN}, {6, MISTATUS_UNKNOWN},        {-1, MISTATUS_UNKNOWN}};
    ComPtr<IMessengerAdvanced> api = messengerApi();
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "host presence " << c.presence);
        host().setPresence(L"me", c.presence, L"text");
        EXPECT_EQ(c.status, myStatus(*api));
        const LateBoundResult lateBoundStatus = callByName(lateBound().get(), L"MyStatus", DISPATCH_PROPERTYGET);
        EXPECT_EQ(S_OK, lateBoundStatus.member);
        EXPECT_EQ(c.status, lateBoundStatus.value.get()->lVal);
    }
}

TEST_F(MessengerStatusTest, MyStatusDoesNotDependOnTheStartFlags)
{
    host().setPresence(L"me", 3, L"busy");
    for (std::uint32_t flags : {0u, 1u, 2u, 3u}) {
        SCOPED_TRACE(testing::Message() << "flags " << flags);
        ComPtr<IMessengerAdvanced> api = createMessenger(flags).as<IMessengerAdvanced>();
        EXPECT_EQ(MISTATUS_DO_NOT_DISTURB, myStatus(*api));
    }
}

TEST_F(MessengerStatusTest, ASignedInUserWhosePresenceCannotBeReadIsOffline)
{
    ComPtr<IMessengerAdvanced> api = messengerApi();
    const struct {
        const char* what;
        std::function<void()> breakHost;
        const wchar_t* logged;
    } cases[] = {
        {"no presence for the user", [this] { host().failMethod(HostMethod::GetPresenceForContact); },
         L"imAndPresence->GetPresenceForContact failed"},
        {"no presence object", [this] { host().answerEmpty(HostMethod::GetPresenceForContact); },
         L"pDispPresenceState->QueryInterface<IPresenceState> failed"},
        {"not a presence object", [this] { host().answerWrongObject(HostMethod::GetPresenceForContact); },
         L"pDispPresenceState->QueryInterface<IPresenceState> failed"},
        {"no sign-in name", [this] { host().failMethod(HostMethod::GetLoggedInUser); }, L"this->get_MySigninName failed"},
        {"no host object", [this] { host().failMethod(HostMethod::CreateIMAndPresence); },
         L"could not create a IIMAndPresence object"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        host().clearLog();
        c.breakHost();
        EXPECT_EQ(MISTATUS_OFFLINE, myStatus(*api));
        const Logged failure = onlyRecordOf(c.logged);
        EXPECT_EQ(4, failure.moduleLevel);
        EXPECT_EQ(L"TavoMessengerAdvanced::get_MyStatus", failure.function);
        EXPECT_EQ(SourceFile, failure.file);
        host().clearFailures();
    }
    // A failing presence getter is a read that failed, which the mapping reports as Unknown.
    host().failMethod(HostMethod::GetPresenceState);
    EXPECT_EQ(MISTATUS_UNKNOWN, myStatus(*api));
}

TEST_F(MessengerStatusTest, PutMyStatusSucceedsButTheStatusStaysTheHosts)
{
    ComPtr<IMessengerAdvanced> api = messengerApi();
    host().setPresence(L"me", 1, L"");
    host().resetCallCounts();
    EXPECT_EQ(S_OK, api->put_MyStatus(MISTATUS_BUSY));
    EXPECT_EQ(0u, host().callCount(HostMethod::GetPresenceForContact));
    EXPECT_EQ(MISTATUS_ONLINE, myStatus(*api));
}

TEST_F(MessengerStatusTest, TheUsersNamesAndServiceComeFromThePrimaryService)
{
    ComPtr<IMessengerAdvanced> api = messengerApi();
    const struct {
        const wchar_t* property;
        HRESULT (STDMETHODCALLTYPE IMessenger::*getter)(BSTR*);
        const wchar_t* expected;
    } cases[] = {{L"MySigninName", &IMessenger::get_MySigninName, L"me"},
                 {L"MyFriendlyName", &IMessenger::get_MyFriendlyName, L"Me Myself"},
                 {L"MyServiceName", &IMessenger::get_MyServiceName, L"Norvane Quillon"},
                 {L"MyServiceId", &IMessenger::get_MyServiceId, L"{83D4679F-B6D7-11D2-BF36-00C04FB90A03}"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << std::string(c.property, c.property + wcslen(c.property)));
        Bstr value;
        EXPECT_EQ(S_OK, (api.get()->*c.getter)(value.out()));
        EXPECT_EQ(c.expected, value.str());
        const LateBoundResult lateBoundValue = callByName(lateBound().get(), c.property, DISPATCH_PROPERTYGET);
        EXPECT_EQ(S_OK, lateBoundValue.member);
        ASSERT_EQ(VT_BSTR, lateBoundValue.value.type());
        EXPECT_EQ(c.expected, std::wstring(lateBoundValue.value.get()->bstrVal));
        EXPECT_EQ(E_POINTER, (api.get()->*c.getter)(nullptr));
    }
}

TEST_F(MessengerStatusTest, AHostThatCannotNameTheUserGivesEFail)
{
    ComPtr<IMessengerAdvanced> api = messengerApi();
    host().failMethod(HostMethod::GetLoggedInUser);
    BSTR name = nullptr;
    EXPECT_EQ(E_FAIL, api->get_MySigninName(&name));
    EXPECT_EQ(nullptr, name);
    EXPECT_EQ(E_FAIL, api->get_MyFriendlyName(&name));
    EXPECT_EQ(nullptr, name);
    EXPECT_EQ(L"TavoMessengerAdvanced::get_MyFriendlyName", onlyRecordOf(L"primaryService->get_MyFriendlyName failed").function);
    EXPECT_EQ(4, onlyRecordOf(L"primaryService->get_MySigninName failed").moduleLevel);
}

TEST_F(MessengerStatusTest, AfterModuleStopTheUsersNameIsEmptyButStillAnswered)
{
    ComPtr<IMessengerAdvanced> api = messengerApi();
    messenger->uninitialise();
    Bstr name;
    EXPECT_EQ(S_OK, api->get_MySigninName(name.out()));
    EXPECT_TRUE(name.empty());
}

TEST_F(MessengerStatusTest, MyPhoneNumberReadsTheUsersNumberOfEachKind)
{
    ComPtr<IMessengerAdvanced> api = messengerApi();
    const struct {
        MPHONE_TYPE type;
        const wchar_t* number;
    } cases[] = {{MPHONE_TYPE_HOME, L"+1 555 0100"},
                 {MPHONE_TYPE_WORK, L"+1 555 0101"},
                 {MPHONE_TYPE_MOBILE, L""}, // the user has none: empty, not absent
                 {MPHONE_TYPE_CUSTOM, L"+1 555 0103"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "type " << c.type);
        BSTR number = nullptr;
        EXPECT_EQ(S_OK, api->get_MyPhoneNumber(c.type, &number));
        ASSERT_NE(nullptr, number);
        EXPECT_EQ(c.number, std::wstring(number));
        SysFreeString(number);
        const LateBoundResult lateBoundNumber =
            callByName(lateBound().get(), L"MyPhoneNumber", DISPATCH_PROPERTYGET, {Variant::fromInt32(c.type)});
        EXPECT_EQ(S_OK, lateBoundNumber.member);
    }
}

TEST_F(MessengerStatusTest, MyPhoneNumberRefusesAllAndUnknownKinds)
{
    ComPtr<IMessengerAdvanced> api = messengerApi();
    for (long type : {-1L, 4L, 100L, -2L}) {
        SCOPED_TRACE(testing::Message() << "type " << type);
        BSTR number = nullptr;
        EXPECT_EQ(E_FAIL, api->get_MyPhoneNumber(static_cast<MPHONE_TYPE>(type), &number));
        EXPECT_EQ(nullptr, number);
    }
    EXPECT_EQ(4, onlyRecordOf(L"unknown type ALL, cannot return a number").moduleLevel);
    EXPECT_EQ(3u, host().loggedCount(L"unknown type, cannot return a number"));
    EXPECT_EQ(E_POINTER, api->get_MyPhoneNumber(MPHONE_TYPE_HOME, nullptr));
}

TEST_F(MessengerStatusTest, MyPhoneNumberAnswersSOkWithoutANumberWhenTheHostCannotTell)
{
    ComPtr<IMessengerAdvanced> api = messengerApi();
    const struct {
        const char* what;
        HostMethod method;
        bool empty;
        const wchar_t* logged;
    } cases[] = {
        {"no host object", HostMethod::CreateProviderManagement, false, nullptr},
        {"no user", HostMethod::GetLoggedInUser, false, L"providermanagement->GetLoggedInUser failed"},
        {"no user object", HostMethod::GetLoggedInUser, true, L"pDispContact->QueryInterface IID_IContact failed"},
        {"number unreadable", HostMethod::GetWorkNumber, false, L"pContact->get_WorkNumber MPHONE_TYPE_WORK failed"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        host().clearLog();
        if (c.empty) host().answerEmpty(c.method);
        else host().failMethod(c.method);
        // Without a host object the sign-in guard cannot ask either; answer as signed out then.
        const HRESULT expected = c.method == HostMethod::CreateProviderManagement ? NotLoggedOn : S_OK;
        BSTR number = unwrittenBstr();
        EXPECT_EQ(expected, api->get_MyPhoneNumber(MPHONE_TYPE_WORK, &number));
        EXPECT_EQ(unwrittenBstr(), number);
        if (c.logged) {
            EXPECT_EQ(4, onlyRecordOf(c.logged).moduleLevel);
        }
        host().clearFailures();
    }
}

TEST_F(MessengerStatusTest, PropertiesAreKeptPerKeyAndReadBackAsWritten)
{
    ComPtr<IMessengerAdvanced> api = messengerApi();
    EXPECT_EQ(S_OK, api->put_Property(MMESSENGERPROP_VERSION, *Variant::fromString(L"14.0.4760").get()));
    EXPECT_EQ(S_OK, api->put_Property(MMESSENGERPROP_PLCID, *Variant::fromInt32(0x409).get()));
    EXPECT_EQ(S_OK, api->put_Property(MMESSENGERPROP_VERSION, *Variant::fromString(L"15.0").get()));
    Variant version;
    EXPECT_EQ(S_OK, api->get_Property(MMESSENGERPROP_VERSION, version.out()));
    ASSERT_EQ(VT_BSTR, version.type());
    EXPECT_EQ(L"15.0", std::wstring(version.get()->bstrVal));
    const LateBoundResult locale =
        callByName(lateBound().get(), L"Property", DISPATCH_PROPERTYGET, {Variant::fromInt32(MMESSENGERPROP_PLCID)});
    EXPECT_EQ(S_OK, locale.member);
    EXPECT_EQ(0x409, locale.value.get()->lVal);

    // The two maps are separate, and keys nobody defined are kept too.
    EXPECT_EQ(S_OK, api->put_MyProperty(MCONTACTPROP_EMAIL, *Variant::fromString(L"me@example.com").get()));
    EXPECT_EQ(S_OK, api->put_MyProperty(static_cast<MCONTACTPROPERTY>(77), *Variant::fromInt32(77).get()));
    EXPECT_EQ(S_OK, callByName(lateBound().get(), L"MyProperty", DISPATCH_PROPERTYPUT,
                               {Variant::fromInt32(MCONTACTPROP_GROUPS_PROPERTY), Variant::fromString(L"friends")})
                        .member);
    Variant email;
    EXPECT_EQ(S_OK, api->get_MyProperty(MCONTACTPROP_EMAIL, email.out()));
    EXPECT_EQ(L"me@example.com", std::wstring(email.get()->bstrVal));
    Variant groups;
    EXPECT_EQ(S_OK, api->get_MyProperty(MCONTACTPROP_GROUPS_PROPERTY, groups.out()));
    EXPECT_EQ(L"friends", std::wstring(groups.get()->bstrVal));
    Variant seventySeven;
    EXPECT_EQ(S_OK, api->get_MyProperty(static_cast<MCONTACTPROPERTY>(77), seventySeven.out()));
    EXPECT_EQ(77, seventySeven.get()->lVal);
    EXPECT_EQ(0u, host().callCount(HostMethod::AddContact) + host().callCount(HostMethod::TagContact));
}

TEST_F(MessengerStatusTest, AnUnwrittenPropertyLeavesTheCallersVariantAlone)
{
    ComPtr<IMessengerAdvanced> api = messengerApi();
    VARIANT value;
    VariantInit(&value);
    value.vt = VT_I4;
    value.lVal = 1234;
    EXPECT_EQ(S_OK, api->get_Property(MMESSENGERPROP_PLCID, &value));
    EXPECT_EQ(VT_I4, value.vt);
    EXPECT_EQ(1234, value.lVal);
    EXPECT_EQ(S_OK, api->get_MyProperty(MCONTACTPROP_EMAIL, &value));
    EXPECT_EQ(1234, value.lVal);
    EXPECT_EQ(E_POINTER, api->get_Property(MMESSENGERPROP_PLCID, nullptr));
    EXPECT_EQ(E_POINTER, api->get_MyProperty(MCONTACTPROP_EMAIL, nullptr));
}

TEST_F(MessengerStatusTest, AByReferenceValueIsStoredByValue)
{
    ComPtr<IMessengerAdvanced> api = messengerApi();
    {
        // A script caller passes its variable by reference; the variable is gone after the call.
        Bstr text(L"kept");
        BSTR variable = text.get();
        VARIANT byReference;
        VariantInit(&byReference);
        byReference.vt = VT_BSTR | VT_BYREF;
        byReference.pbstrVal = &variable;
        EXPECT_EQ(S_OK, api->put_Property(MMESSENGERPROP_VERSION, byReference));
    }
    Variant stored;
    EXPECT_EQ(S_OK, api->get_Property(MMESSENGERPROP_VERSION, stored.out()));
    ASSERT_EQ(VT_BSTR, stored.type());
    EXPECT_EQ(L"kept", std::wstring(stored.get()->bstrVal));
}

TEST_F(MessengerStatusTest, AValueThatCannotBeCopiedIsRefusedAndNotStored)
{
    ComPtr<IMessengerAdvanced> api = messengerApi();
    VARIANT broken;
    VariantInit(&broken);
    broken.vt = 0x0FFF; // no such type
    EXPECT_EQ(DISP_E_BADVARTYPE, api->put_Property(MMESSENGERPROP_VERSION, broken));
    EXPECT_EQ(DISP_E_BADVARTYPE, api->put_MyProperty(MCONTACTPROP_EMAIL, broken));
    VARIANT referenceToNothing;
    VariantInit(&referenceToNothing);
    referenceToNothing.vt = VT_BSTR | VT_BYREF;
    EXPECT_EQ(E_INVALIDARG, api->put_Property(MMESSENGERPROP_VERSION, referenceToNothing));
    EXPECT_EQ(E_INVALIDARG, api->InstantMessage(referenceToNothing, nullptr));
    Variant stored;
    EXPECT_EQ(S_OK, api->get_Property(MMESSENGERPROP_VERSION, stored.out()));
    EXPECT_TRUE(stored.isEmpty());
}

} // namespace
