// The services collection behind the Messenger object's Services: exactly the primary service, which
// answers the service identity and the signed-in user, and falls silent about the user once stopping.

#include "MessengerFixture.h"

#include "support/LateBoundCall.h"

#include "extensionsutils/Bstr.h"

using extensionsutils::Bstr;
using extensionsutils::ComPtr;
using extensionsutils::Variant;
using fakehost::HostMethod;

namespace {

class MessengerServicesTest : public MessengerTest {
protected:
    void SetUp() override
    {
        MessengerTest::SetUp();
        ASSERT_EQ(S_OK, messengerApi()->get_Services(services.out()));
        const LateBoundResult primary = callByName(services.get(), L"PrimaryService", DISPATCH_PROPERTYGET);
        ASSERT_EQ(VT_DISPATCH, primary.value.type());
        service = ComPtr<IDispatch>(primary.value.get()->pdispVal).as<IMessengerService>();
        ASSERT_TRUE(service);
    }

    void TearDown() override
    {
        service.reset();
        services.reset();
        MessengerTest::TearDown();
    }

    MISTATUS myStatus()
    {
        MISTATUS status = MISTATUS_LOCAL_FINDING_SERVER;
        EXPECT_EQ(service->get_MyStatus(&status), S_OK);
        return status;
    }

    ComPtr<IDispatch> services;
    ComPtr<IMessengerService> service;
};

TEST_F(MessengerServicesTest, OfferExactlyThePrimaryServiceByIndexAndByEnumerator)
{
    EXPECT_EQ(1, int32Of(callByName(services.get(), L"Count", DISPATCH_PROPERTYGET).value));
    const LateBoundResult first = callByName(services.get(), L"Item", DISPATCH_METHOD, {Variant::fromInt32(0)});
    ASSERT_EQ(VT_DISPATCH, first.value.type());
    EXPECT_TRUE(extensionsutils::sameComObject(first.value.get()->pdispVal, service.get()));
    ComPtr<IMessengerServices> collection = services.as<IMessengerServices>();
    IDispatch* untouched = kUnwrittenDispatch;
    EXPECT_EQ(collection->Item(1, &untouched), E_FAIL);
    EXPECT_EQ(collection->Item(-1, &untouched), E_FAIL);
    EXPECT_EQ(untouched, kUnwrittenDispatch);
    EXPECT_EQ(collection->Item(0, nullptr), E_POINTER);
    EXPECT_EQ(collection->get_PrimaryService(nullptr), E_POINTER);

    ComPtr<IUnknown> unknown;
    ASSERT_EQ(collection->get__NewEnum(unknown.out()), S_OK);
    const ComPtr<IEnumVARIANT> enumerator = unknown.as<IEnumVARIANT>();
    ASSERT_TRUE(enumerator);
    VARIANT items[2];
    ULONG fetched = 0;
    EXPECT_EQ(enumerator->Next(2, items, &fetched), S_FALSE);
    ASSERT_EQ(fetched, 1u);
    EXPECT_TRUE(extensionsutils::sameComObject(items[0].pdispVal, service.get()));
    VariantClear(&items[0]);
}

TEST_F(MessengerServicesTest, AnswerTheServiceAndTheUserSignedInAndRefuseSignedOut)
{
    const ComPtr<IDispatch> dispatch = service.as<IDispatch>();
    const std::pair<const wchar_t*, Variant> answers[] = {
        {L"ServiceName", Variant::fromString(L"Norvane Quillon")},
        {L"ServiceId", Variant::fromString(L"{83D4679F-B6D7-11D2-BF36-00C04FB90A03}")},
        {L"MySigninName", Variant::fromString(L"me")},
        {L"MyFriendlyName", Variant::fromString(L"Me Myself")},
        {L"MyStatus", Variant::fromInt32(MISTATUS_ONLINE)},
    };
    for (const auto& [name, expected] : answers) {
        const LateBoundResult result = callByName(dispatch.get(), name, DISPATCH_PROPERTYGET);
        EXPECT_TRUE(sameValue(result.value, expected))
            << std::string(name, name + wcslen(name));
    }
    host().failMethod(HostMethod::GetFriendlyName, E_FAIL, 1);
    Bstr text;
    EXPECT_EQ(service->get_MyFriendlyName(text.out()), S_OK);
    EXPECT_EQ(text.str(), L"") << "an unreadable friendly name is empty";

    host().setSignedInValue(2);
    BSTR untouched = kUnwrittenBstr;
    MISTATUS status = MISTATUS_LOCAL_FINDING_SERVER;
    VARIANT value;
    VariantInit(&value);
    for (HRESULT refused : {service->get_ServiceName(&untouched), service->get_ServiceId(&untouched),
                            service->get_MySigninName(&untouched), service->get_MyFriendlyName(&untouched),
                            service->get_MyStatus(&status), service->get_Property(MSERVICEPROP_INVALID_PROPERTY, &value),
                            service->put_Property(MSERVICEPROP_INVALID_PROPERTY, value)})
        EXPECT_EQ(refused, NotLoggedOn);
    EXPECT_EQ(untouched, kUnwrittenBstr);
    EXPECT_EQ(status, MISTATUS_LOCAL_FINDING_SERVER);
    EXPECT_TRUE(logged(L"Not logged in returning MSGR_E_NOT_LOGGED_ON", 1, L"CTavoMessengerService::get_ServiceName"));
}

TEST_F(MessengerServicesTest, FailWhenTheHostCannotNameTheUserAndReportOfflineWithoutItsPresence)
{
    BSTR untouched = kUnwrittenBstr;
    MISTATUS status = MISTATUS_LOCAL_FINDING_SERVER;
    host().failMethod(HostMethod::GetLoggedInUser, E_FAIL, 3);
    EXPECT_EQ(service->get_MyFriendlyName(&untouched), E_FAIL);
    EXPECT_TRUE(logged(L"call to GetLoggedInUser failed returning NULL", 4, L"CTavoMessengerService::get_MyFriendlyName"));
    EXPECT_EQ(service->get_MySigninName(&untouched), E_FAIL);
    EXPECT_EQ(service->get_MyStatus(&status), E_FAIL);
    EXPECT_TRUE(logged(L"get_MySigninName failed", 4, L"CTavoMessengerService::get_MyStatus"));
    host().answerWrongObject(HostMethod::GetLoggedInUser, 1);
    EXPECT_EQ(service->get_MyFriendlyName(&untouched), E_FAIL);
    EXPECT_TRUE(logged(L"call pdispLoggedOnUser->QueryInterface failed returning NULL", 4,
                       L"CTavoMessengerService::get_MyFriendlyName"));
    EXPECT_EQ(untouched, kUnwrittenBstr);
    EXPECT_EQ(status, MISTATUS_LOCAL_FINDING_SERVER);

    host().failMethod(HostMethod::GetPresenceForContact, E_FAIL, 1);
    EXPECT_EQ(myStatus(), MISTATUS_OFFLINE);
    EXPECT_TRUE(logged(L"pIMAndPresence->GetPresenceForContact failed ", 4, L"CTavoMessengerService::get_MyStatus"));
    host().answerEmpty(HostMethod::GetPresenceForContact, 1);
    EXPECT_EQ(myStatus(), MISTATUS_OFFLINE);
    EXPECT_TRUE(logged(L"pDispPresenceState- is NULL", 4, L"CTavoMessengerService::get_MyStatus"));
}

TEST_F(MessengerServicesTest, AfterModuleStopOnlyTheUserGettersFallSilent)
{
    ASSERT_EQ(service->put_Property(MSERVICEPROP_INVALID_PROPERTY, *Variant::fromString(L"8.0").get()), S_OK);
    VARIANT referenceToNothing;
    VariantInit(&referenceToNothing);
    referenceToNothing.vt = VT_BYREF | VT_BSTR;
    EXPECT_EQ(service->put_Property(MSERVICEPROP_INVALID_PROPERTY, referenceToNothing), E_INVALIDARG);
    messenger->uninitialise();

    BSTR untouched = kUnwrittenBstr;
    MISTATUS status = MISTATUS_LOCAL_FINDING_SERVER;
    EXPECT_EQ(service->get_MySigninName(&untouched), S_OK);
    EXPECT_EQ(service->get_MyFriendlyName(&untouched), S_OK);
    EXPECT_EQ(service->get_MyStatus(&status), S_OK);
    EXPECT_EQ(untouched, kUnwrittenBstr);
    EXPECT_EQ(status, MISTATUS_LOCAL_FINDING_SERVER);
    EXPECT_TRUE(logged(L"shutdown in progress", 1, L"CTavoMessengerService::get_MyStatus"));
    Variant stored;
    EXPECT_EQ(service->get_Property(MSERVICEPROP_INVALID_PROPERTY, stored.out()), S_OK);
    EXPECT_EQ(stringOf(stored), L"8.0");
}

} // namespace
