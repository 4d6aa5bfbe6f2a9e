// The self object behind the client: the user's own contact through the client's contact manager, and
// nothing of the user's publications or phones.

#include "IUCOfficeIntegration/UCCLyncClient.h"

#include "ClientFixture.h"
#include "support/LateBoundCall.h"

using extensionsutils::Bstr;
using extensionsutils::ComPtr;
using extensionsutils::MICComPtr;
using extensionsutils::Variant;

namespace {

class UCCSelfTest : public ClientFixture {
protected:
    void SetUp() override
    {
        ClientFixture::SetUp();
        client = UCCLyncClient::create();
        ASSERT_TRUE(client);
        client->initialise(std::weak_ptr<WorkerThread>(), nullptr);
        ASSERT_EQ(client->get_Self(self.out()), S_OK);
        ASSERT_EQ(client->get_ContactManager(manager.out()), S_OK);
    }

    void TearDown() override
    {
        self.reset();
        manager.reset();
        client.reset();
        ClientFixture::TearDown();
    }

    static std::wstring uriOf(IUCCContact* contact)
    {
        BSTR uri = nullptr;
        EXPECT_EQ(contact->get_Uri(&uri), S_OK);
        return takeText(uri);
    }

    MICComPtr<UCCLyncClient> client;
    ComPtr<IUCCSelf> self;
    ComPtr<IUCCContactManager> manager;
};

TEST_F(UCCSelfTest, ContactIsTheContactManagersSelfContact)
{
    ComPtr<IUCCContact> contact;
    ASSERT_EQ(self->get_Contact(contact.out()), S_OK);
    ComPtr<IUCCContact> managersContact;
    ASSERT_EQ(manager->GetSelfContact(managersContact.out()), S_OK);
    EXPECT_EQ(uriOf(contact.get()), uriOf(managersContact.get()));
    EXPECT_NE(uriOf(contact.get()).find(kUser), std::wstring::npos);

    ComPtr<IUCCContactManager> contactsManager;
    ASSERT_EQ(contact->get_ContactManager(contactsManager.out()), S_OK);
    EXPECT_EQ(contactsManager, manager) << "made by the client's own contact manager";
    EXPECT_EQ(self->get_Contact(nullptr), E_POINTER);
}

TEST_F(UCCSelfTest, ContactFailsWhenTheHostDoesNotKnowItsUser)
{
    host().clearClientUser();
    IUCCContact* contact = reinterpret_cast<IUCCContact*>(0x5150);
    EXPECT_EQ(self->get_Contact(&contact), E_FAIL);
    EXPECT_TRUE(host().logged(L"Unable to get ClientUser contact"));
}

TEST_F(UCCSelfTest, ContactFailsBeforeTheClientIsInitialised)
{
    MICComPtr<UCCLyncClient> fresh = UCCLyncClient::create();
    ComPtr<IUCCSelf> freshSelf;
    ASSERT_EQ(fresh->get_Self(freshSelf.out()), S_OK);
    IUCCContact* contact = reinterpret_cast<IUCCContact*>(0x5150);
    EXPECT_EQ(freshSelf->get_Contact(&contact), E_FAIL);
    EXPECT_EQ(contact, reinterpret_cast<IUCCContact*>(0x5150));
    const fakehost::LogRecord record = onlyRecordOf(L"No contact manager to ask for the self contact");
    EXPECT_EQ(record.hostLevel, 1); // module level 4
    EXPECT_EQ(record.function, L"UCCSelf::get_Contact");
}

TEST_F(UCCSelfTest, PhonesAndResiliencyAnswerNo)
{
    VARIANT_BOOL canSet = VARIANT_TRUE;
    EXPECT_EQ(self->CanSetPhone(ucContactEndpointTypeMobilePhone, &canSet), E_NOTIMPL);
    EXPECT_EQ(canSet, VARIANT_FALSE);
    EXPECT_EQ(self->CanSetPhone(ucContactEndpointTypeMobilePhone, nullptr), E_POINTER);
    VARIANT_BOOL resiliency = VARIANT_TRUE;
    EXPECT_EQ(self->get_IsInResiliencyMode(&resiliency), S_OK);
    EXPECT_EQ(resiliency, VARIANT_FALSE);
    EXPECT_EQ(self->get_IsInResiliencyMode(nullptr), E_POINTER);
}

TEST_F(UCCSelfTest, PublishingAndPhonesAreNotImplementedAndWriteNothing)
{
    IUCCAsynchronousOperation* operation = reinterpret_cast<IUCCAsynchronousOperation*>(0x5150);
    const VARIANT noState = Variant().get()[0];
    extensionsutils::SafeArray types = extensionsutils::SafeArray::ofInt32s({0});
    extensionsutils::SafeArray values = extensionsutils::SafeArray::ofVariants({Variant::fromInt32(3500)});
    EXPECT_EQ(self->PublishContactInformation(types.get(), values.get(), nullptr, noState, &operation), E_NOTIMPL);
    IUCCPhone* phone = reinterpret_cast<IUCCPhone*>(0x5150);
    EXPECT_EQ(self->CreatePhone(ucContactEndpointTypeWorkPhone, Bstr(L"tel:1").get(), VARIANT_TRUE, &phone), E_NOTIMPL);
    SAFEARRAY* array = reinterpret_cast<SAFEARRAY*>(0x5150);
    EXPECT_EQ(self->get_Phones(&array), E_NOTIMPL);
    EXPECT_EQ(self->SetPhones(nullptr, nullptr, noState, &operation), E_NOTIMPL);
    EXPECT_EQ(self->GetPublishableCustomAvailabilityStates(0x409, &array), E_NOTIMPL);
    EXPECT_EQ(self->get_Permissions(&array), E_NOTIMPL);
    VARIANT_BOOL displayed = 7;
    EXPECT_EQ(self->get_PhotoDisplayed(&displayed), E_NOTIMPL);
    IUCCContactEndpoint* endpoint = reinterpret_cast<IUCCContactEndpoint*>(0x5150);
    EXPECT_EQ(self->get_TestCallEndpoint(&endpoint), E_NOTIMPL);
    EXPECT_EQ(self->SetPhone(ucContactEndpointTypeWorkPhone, Bstr(L"tel:1").get(), VARIANT_TRUE, nullptr, noState,
                             &operation),
              E_NOTIMPL);
    EXPECT_EQ(self->RemovePhone(ucContactEndpointTypeWorkPhone, nullptr, noState, &operation), E_NOTIMPL);
    EXPECT_EQ(self->GetPhone(ucContactEndpointTypeWorkPhone, &phone), E_NOTIMPL);
    VARIANT setting;
    setting.vt = VT_I4;
    setting.lVal = 7;
    EXPECT_EQ(self->GetSettingInternal(static_cast<SettingItemTypeInternal>(0), &setting), E_NOTIMPL);
    IUCCAlertLevel* alert = reinterpret_cast<IUCCAlertLevel*>(0x5150);
    EXPECT_EQ(self.as<IUCCSelf2>()->GetAlertLevelForNotification(Bstr(kAlice).get(), static_cast<NotificationTypes>(0),
                                                                 static_cast<NotificationUrgencyType>(0), &alert),
              E_NOTIMPL);

    EXPECT_EQ(operation, reinterpret_cast<IUCCAsynchronousOperation*>(0x5150));
    EXPECT_EQ(phone, reinterpret_cast<IUCCPhone*>(0x5150));
    EXPECT_EQ(array, reinterpret_cast<SAFEARRAY*>(0x5150));
    EXPECT_EQ(displayed, 7);
    EXPECT_EQ(endpoint, reinterpret_cast<IUCCContactEndpoint*>(0x5150));
    EXPECT_EQ(setting.vt, VT_I4);
    EXPECT_EQ(setting.lVal, 7);
    EXPECT_EQ(alert, reinterpret_cast<IUCCAlertLevel*>(0x5150));
}

TEST_F(UCCSelfTest, AnswersBothInterfacesAsOneObject)
{
    for (const IID& iid : {IID_IUnknown, IID_IDispatch, IID_IUCCSelf, IID_IUCCSelf2}) {
        ComPtr<IUnknown> answer;
        ASSERT_EQ(self->QueryInterface(iid, reinterpret_cast<void**>(answer.out())), S_OK);
        EXPECT_TRUE(extensionsutils::sameComObject(answer.get(), self.get()));
    }
    ComPtr<IUnknown> none;
    EXPECT_EQ(self->QueryInterface(IID_IConnectionPointContainer, reinterpret_cast<void**>(none.out())), E_NOINTERFACE);
}

TEST_F(UCCSelfTest, AnswersLateBoundAsOfficeCallsIt)
{
    ComPtr<IDispatch> dispatch = self.as<IDispatch>();
    EXPECT_EQ(dispatchIdOf(dispatch.get(), L"Contact"), 0x60020001);
    LateBoundResult contact = callByName(dispatch.get(), L"Contact", DISPATCH_PROPERTYGET);
    ASSERT_EQ(contact.invoke, S_OK);
    ASSERT_EQ(contact.value.type(), VT_DISPATCH);
    ComPtr<IUCCContact> selfContact = ComPtr<IDispatch>(contact.value.get()->pdispVal).as<IUCCContact>();
    ASSERT_TRUE(selfContact);
    EXPECT_NE(uriOf(selfContact.get()).find(kUser), std::wstring::npos);

    LateBoundResult resiliency = callByName(dispatch.get(), L"IsInResiliencyMode", DISPATCH_PROPERTYGET);
    EXPECT_EQ(resiliency.invoke, S_OK);
    EXPECT_EQ(resiliency.value.type(), VT_BOOL);
    EXPECT_EQ(resiliency.value.get()->boolVal, VARIANT_FALSE);
    EXPECT_EQ(callByName(dispatch.get(), L"CanSetPhone", DISPATCH_METHOD, {Variant::fromInt32(1)}).member, E_NOTIMPL);
    EXPECT_EQ(callByName(dispatch.get(), L"PhotoDisplayed", DISPATCH_PROPERTYGET).member, E_NOTIMPL);

    ComPtr<IUCCSelf2> self2 = self.as<IUCCSelf2>();
    EXPECT_EQ(dispatchIdOf(self2.get(), L"GetAlertLevelForNotification"), 0x10000001);
    EXPECT_EQ(callByName(self2.get(), L"GetAlertLevelForNotification", DISPATCH_METHOD,
                         {Variant::fromString(kAlice), Variant::fromInt32(0), Variant::fromInt32(0)})
                  .member,
              E_NOTIMPL);
}

} // namespace
