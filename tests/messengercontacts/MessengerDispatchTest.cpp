// Late-bound calls, as Office's script side makes them: names and dispatch identifiers come from the
// module's registered type library.

#include "IMessenger/TavoMessengerContacts.h"
#include "IMessenger/TavoMessengerServices.h"

#include "MessengerFixture.h"

#include "support/TypeLibraryRegistration.h"

#include "extensionsutils/ComObject.h"
#include "extensionsutils/MICComPtr.h"

#include <gtest/gtest.h>

using extensionsutils::Bstr;
using extensionsutils::ComPtr;
using extensionsutils::MICComPtr;
using extensionsutils::Variant;

namespace {

class MessengerDispatch : public MessengerFixture {
protected:
    static void SetUpTestSuite()
    {
        registration = registerTypeLibraryForMarshaling(besideThisProgram(L"TavoMessenger.dll"));
    }

    void SetUp() override
    {
        ASSERT_EQ(registration, S_OK) << "the module's type library could not be registered";
        MessengerFixture::SetUp();
    }

    static DISPID idOf(IDispatch* object, const wchar_t* name)
    {
        LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
        DISPID id = DISPID_UNKNOWN;
        EXPECT_EQ(object->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id), S_OK) << "name " << name;
        return id;
    }

    // Invoke with the arguments in call order (DISPPARAMS wants them reversed). A member's failure comes
    // back as DISP_E_EXCEPTION carrying the member's own result, which is what this answers then.
    static HRESULT invoke(IDispatch* object, DISPID id, WORD flags, std::vector<Variant> arguments, Variant& result)
    {
        std::vector<VARIANT> reversed;
        for (auto argument = arguments.rbegin(); argument != arguments.rend(); ++argument)
            reversed.push_back(*argument->get());
        DISPID putId = DISPID_PROPERTYPUT;
        DISPPARAMS parameters = {reversed.data(), nullptr, static_cast<UINT>(reversed.size()), 0};
        if (flags == DISPATCH_PROPERTYPUT) {
            parameters.rgdispidNamedArgs = &putId;
            parameters.cNamedArgs = 1;
        }
        UINT argumentError = 0;
        EXCEPINFO exception = {};
        const HRESULT hr = object->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, flags, &parameters,
                                          flags == DISPATCH_PROPERTYPUT ? nullptr : result.out(), &exception,
                                          &argumentError);
        SysFreeString(exception.bstrSource);
        SysFreeString(exception.bstrDescription);
        SysFreeString(exception.bstrHelpFile);
        return hr == DISP_E_EXCEPTION ? exception.scode : hr;
    }

    static HRESULT get(IDispatch* object, const wchar_t* name, Variant& result, std::vector<Variant> arguments = {})
    {
        return invoke(object, idOf(object, name), DISPATCH_PROPERTYGET | DISPATCH_METHOD, std::move(arguments), result);
    }

    static HRESULT registration;
};

HRESULT MessengerDispatch::registration = E_UNEXPECTED;

TEST_F(MessengerDispatch, ContactAnswersByNameAndDispatchIdentifier)
{
    const ComPtr<IDispatch> contact = contactOf(L"bob").as<IDispatch>();
    ASSERT_TRUE(contact);
    EXPECT_EQ(idOf(contact.get(), L"SigninName"), 0x602);
    EXPECT_EQ(idOf(contact.get(), L"Status"), 0x601);
    EXPECT_EQ(idOf(contact.get(), L"PresenceProperties"), 0x60030002);

    Variant result;
    ASSERT_EQ(get(contact.get(), L"FriendlyName", result), S_OK);
    EXPECT_EQ(stringOf(result), L"Bob Builder");
    ASSERT_EQ(get(contact.get(), L"Status", result), S_OK);
    EXPECT_EQ(int32Of(result), MISTATUS_ONLINE);
    ASSERT_EQ(get(contact.get(), L"PresenceProperties", result), S_OK);
    EXPECT_EQ(presenceElements(*result.get()).size(), 12u);

    ASSERT_EQ(invoke(contact.get(), 0x604, DISPATCH_PROPERTYPUT, {Variant::fromBool(true)}, result), S_OK);
    ASSERT_EQ(get(contact.get(), L"Blocked", result), S_OK);
    EXPECT_EQ(result.type(), VT_BOOL);
    EXPECT_EQ(result.get()->boolVal, VARIANT_TRUE);

    host().setSignedInValue(1);
    EXPECT_EQ(get(contact.get(), L"SigninName", result), NotLoggedOn);
}

TEST_F(MessengerDispatch, ContactsAnswerCountItemAndNewEnum)
{
    host().setContactList({L"bob", L"carol"});
    ComPtr<IDispatch> hostContacts;
    ASSERT_EQ(hostaccess::GetIMAndPresence()->GetContacts(hostContacts.out()), S_OK);
    const MICComPtr<CTavoMessengerContacts> made = extensionsutils::ComObject<CTavoMessengerContacts>::create();
    made->initialise(hostContacts.get(), flags(0));
    const ComPtr<IDispatch> contacts = made.as<IDispatch>();

    Variant result;
    ASSERT_EQ(get(contacts.get(), L"Count", result), S_OK);
    EXPECT_EQ(int32Of(result), 2);
    ASSERT_EQ(invoke(contacts.get(), DISPID_VALUE, DISPATCH_METHOD, {Variant::fromInt32(1)}, result), S_OK);
    ASSERT_EQ(result.type(), VT_DISPATCH);
    Variant name;
    ASSERT_EQ(get(result.get()->pdispVal, L"SigninName", name), S_OK);
    EXPECT_EQ(stringOf(name), L"carol");

    ASSERT_EQ(invoke(contacts.get(), DISPID_NEWENUM, DISPATCH_PROPERTYGET, {}, result), S_OK);
    ASSERT_EQ(result.type(), VT_UNKNOWN);
    const ComPtr<IEnumVARIANT> enumerator = ComPtr<IUnknown>(result.get()->punkVal).as<IEnumVARIANT>();
    ASSERT_TRUE(enumerator);
    VARIANT items[3];
    ULONG fetched = 0;
    EXPECT_EQ(enumerator->Next(3, items, &fetched), S_FALSE);
    EXPECT_EQ(fetched, 2u);
    for (ULONG i = 0; i < fetched; ++i) VariantClear(&items[i]);
}

TEST_F(MessengerDispatch, ServicesAndServiceAnswerByName)
{
    const MICComPtr<TavoMessengerServices> services = extensionsutils::ComObject<TavoMessengerServices>::create();
    const ComPtr<IDispatch> collection = services.as<IDispatch>();
    EXPECT_EQ(idOf(collection.get(), L"PrimaryService"), 0x880);

    Variant result;
    ASSERT_EQ(get(collection.get(), L"Count", result), S_OK);
    EXPECT_EQ(int32Of(result), 1);
    EXPECT_EQ(invoke(collection.get(), DISPID_VALUE, DISPATCH_METHOD, {Variant::fromInt32(1)}, result), E_FAIL);
    ASSERT_EQ(get(collection.get(), L"PrimaryService", result), S_OK);
    ASSERT_EQ(result.type(), VT_DISPATCH);
    const ComPtr<IDispatch> service(result.get()->pdispVal);

    EXPECT_EQ(idOf(service.get(), L"MySigninName"), 0x888);
    ASSERT_EQ(get(service.get(), L"ServiceName", result), S_OK);
    EXPECT_EQ(stringOf(result), L"Norvane Quillon");
    ASSERT_EQ(get(service.get(), L"MySigninName", result), S_OK);
    EXPECT_EQ(stringOf(result), L"me");
    ASSERT_EQ(get(service.get(), L"MyStatus", result), S_OK);
    EXPECT_EQ(int32Of(result), MISTATUS_DO_NOT_DISTURB);
}

} // namespace
