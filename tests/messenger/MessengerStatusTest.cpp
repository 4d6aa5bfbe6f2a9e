// The signed-in user as the Messenger API reports it: status, names, service, phone numbers, and the
// property maps that Office writes and reads back.

#include "MessengerFixture.h"

#include "support/LateBoundCall.h"

#include "extensionsutils/Bstr.h"

using extensionsutils::Bstr;
using extensionsutils::ComPtr;
using extensionsutils::Variant;
using fakehost::HostMethod;

namespace {

using MessengerStatusTest = MessengerTest;

MISTATUS myStatus(IMessengerAdvanced& api)
{
    MISTATUS status = static_cast<MISTATUS>(0x5EE);
    EXPECT_EQ(S_OK, api.get_MyStatus(&status));
    return status;
}

TEST_F(MessengerStatusTest, MyStatusIsTheUsersHostPresenceWhateverTheStartFlags)
{
    host().setPresence(L"me", 3, L"busy");
    const LateBoundResult status = callByName(lateBound().get(), L"MyStatus", DISPATCH_PROPERTYGET);
    EXPECT_EQ(MISTATUS_DO_NOT_DISTURB, status.value.get()->lVal);
    for (std::uint32_t flags : {1u, 2u, 3u})
        EXPECT_EQ(MISTATUS_DO_NOT_DISTURB, myStatus(*createMessenger(flags).as<IMessengerAdvanced>())) << flags;
}

TEST_F(MessengerStatusTest, ASignedInUserWhosePresenceCannotBeReadIsOffline)
{
    ComPtr<IMessengerAdvanced> api = messengerApi();
    const struct {
        const char* what;
        std::function<void()> breakHost;
        const wchar_t* logged;
    } cases[] = {
        {"no presence", [this] { host().failMethod(HostMethod::GetPresenceForContact); },
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
        EXPECT_TRUE(logged(c.logged, 4, L"TavoMessengerAdvanced::get_MyStatus"));
        host().clearFailures();
    }
    // A failing presence getter is a read that failed, which the mapping reports as Unknown.
    host().failMethod(HostMethod::GetPresenceState);
    EXPECT_EQ(MISTATUS_UNKNOWN, myStatus(*api));
}

TEST_F(MessengerStatusTest, PutMyStatusSucceedsButTheStatusStaysTheHosts)
{
    ComPtr<IMessengerAdvanced> api = messengerApi();
    EXPECT_EQ(S_OK, api->put_MyStatus(MISTATUS_BUSY));
    EXPECT_EQ(MISTATUS_ONLINE, myStatus(*api));
}

TEST_F(MessengerStatusTest, TheUsersNamesAndServiceComeFromThePrimaryService)
{
    const std::pair<const wchar_t*, const wchar_t*> cases[] = {
        {L"MySigninName", L"me"},
        {L"MyFriendlyName", L"Me Myself"},
        {L"MyServiceName", L"Norvane Quillon"},
        {L"MyServiceId", L"{83D4679F-B6D7-11D2-BF36-00C04FB90A03}"}};
    for (const auto& [property, expected] : cases)
        EXPECT_EQ(expected, stringOf(callByName(lateBound().get(), property, DISPATCH_PROPERTYGET).value));
    ComPtr<IMessengerAdvanced> api = messengerApi();
    EXPECT_EQ(E_POINTER, api->get_MySigninName(nullptr));
    EXPECT_EQ(E_POINTER, api->get_MyServiceId(nullptr));

    host().failMethod(HostMethod::GetLoggedInUser);
    BSTR name = nullptr;
    EXPECT_EQ(E_FAIL, api->get_MySigninName(&name));
    EXPECT_EQ(E_FAIL, api->get_MyFriendlyName(&name));
    EXPECT_EQ(nullptr, name);
    EXPECT_TRUE(logged(L"primaryService->get_MyFriendlyName failed", 4, L"TavoMessengerAdvanced::get_MyFriendlyName"));
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

TEST_F(MessengerStatusTest, MyPhoneNumberReadsTheUsersNumberOfEachKindAndRefusesOthers)
{
    const std::pair<MPHONE_TYPE, const wchar_t*> cases[] = {
        {MPHONE_TYPE_HOME, L"+1 555 0100"},
        {MPHONE_TYPE_WORK, L"+1 555 0101"},
        {MPHONE_TYPE_MOBILE, L""}, // the user has none: empty, not absent
        {MPHONE_TYPE_CUSTOM, L"+1 555 0103"}};
    for (const auto& [type, number] : cases) {
        const LateBoundResult answer =
            callByName(lateBound().get(), L"MyPhoneNumber", DISPATCH_PROPERTYGET, {Variant::fromInt32(type)});
        EXPECT_EQ(number, stringOf(answer.value)) << type;
    }
    ComPtr<IMessengerAdvanced> api = messengerApi();
    for (long type : {-1L, 4L, 100L, -2L}) {
        BSTR number = nullptr;
        EXPECT_EQ(E_FAIL, api->get_MyPhoneNumber(static_cast<MPHONE_TYPE>(type), &number)) << type;
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
        HostMethod method;
        bool empty;
        const wchar_t* logged;
    } cases[] = {
        {HostMethod::CreateProviderManagement, false, nullptr},
        {HostMethod::GetLoggedInUser, false, L"providermanagement->GetLoggedInUser failed"},
        {HostMethod::GetLoggedInUser, true, L"pDispContact->QueryInterface IID_IContact failed"},
        {HostMethod::GetWorkNumber, false, L"pContact->get_WorkNumber MPHONE_TYPE_WORK failed"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.method));
        host().clearLog();
        if (c.empty) host().answerEmpty(c.method);
        else host().failMethod(c.method);
        // Without a host object the sign-in guard cannot ask either; answer as signed out then.
        const HRESULT expected = c.method == HostMethod::CreateProviderManagement ? NotLoggedOn : S_OK;
        BSTR number = kUnwrittenBstr;
        EXPECT_EQ(expected, api->get_MyPhoneNumber(MPHONE_TYPE_WORK, &number));
        EXPECT_EQ(kUnwrittenBstr, number);
        if (c.logged) EXPECT_EQ(4, onlyRecordOf(c.logged).moduleLevel);
        host().clearFailures();
    }
}

TEST_F(MessengerStatusTest, PropertiesAreKeptPerKeyByValueAndReadBackAsWritten)
{
    ComPtr<IMessengerAdvanced> api = messengerApi();
    VARIANT untouched;
    VariantInit(&untouched);
    untouched.vt = VT_I4;
    untouched.lVal = 1234;
    EXPECT_EQ(S_OK, api->get_Property(MMESSENGERPROP_PLCID, &untouched));
    EXPECT_EQ(S_OK, api->get_MyProperty(MCONTACTPROP_EMAIL, &untouched));
    EXPECT_EQ(1234, untouched.lVal) << "an unwritten property leaves the caller's value";

    EXPECT_EQ(S_OK, api->put_Property(MMESSENGERPROP_PLCID, *Variant::fromInt32(0x409).get()));
    EXPECT_EQ(S_OK, api->put_MyProperty(static_cast<MCONTACTPROPERTY>(77), *Variant::fromInt32(77).get()));
    {
        // A script passes its variable by reference; the variable is gone after the call.
        Bstr value(L"15.0");
        BSTR variable = value.get();
        VARIANT byReference;
        VariantInit(&byReference);
        byReference.vt = VT_BSTR | VT_BYREF;
        byReference.pbstrVal = &variable;
        EXPECT_EQ(S_OK, api->put_Property(MMESSENGERPROP_VERSION, byReference));
    }
    EXPECT_EQ(S_OK, callByName(lateBound().get(), L"MyProperty", DISPATCH_PROPERTYPUT,
                               {Variant::fromInt32(MCONTACTPROP_EMAIL), Variant::fromString(L"me@example.com")})
                        .member);
    Variant version, locale, email, seventySeven;
    EXPECT_EQ(S_OK, api->get_Property(MMESSENGERPROP_VERSION, version.out()));
    EXPECT_EQ(L"15.0", stringOf(version));
    EXPECT_EQ(S_OK, api->get_Property(MMESSENGERPROP_PLCID, locale.out()));
    EXPECT_EQ(0x409, int32Of(locale));
    EXPECT_EQ(S_OK, api->get_MyProperty(MCONTACTPROP_EMAIL, email.out()));
    EXPECT_EQ(L"me@example.com", stringOf(email));
    EXPECT_EQ(S_OK, api->get_MyProperty(static_cast<MCONTACTPROPERTY>(77), seventySeven.out()));
    EXPECT_EQ(77, int32Of(seventySeven)) << "keys nobody defined are kept too";
    EXPECT_EQ(0u, host().callCount(HostMethod::AddContact) + host().callCount(HostMethod::TagContact));
    EXPECT_EQ(E_POINTER, api->get_Property(MMESSENGERPROP_PLCID, nullptr));
    EXPECT_EQ(E_POINTER, api->get_MyProperty(MCONTACTPROP_EMAIL, nullptr));
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
    EXPECT_EQ(E_INVALIDARG, api->put_MyProperty(MCONTACTPROP_EMAIL, referenceToNothing));
    EXPECT_EQ(E_INVALIDARG, api->InstantMessage(referenceToNothing, nullptr));
    Variant stored;
    EXPECT_EQ(S_OK, api->get_Property(MMESSENGERPROP_VERSION, stored.out()));
    EXPECT_TRUE(stored.isEmpty());
}

} // namespace
