#include "IUCOfficeIntegration/UCCNumberNormalisationContact.h"

#include "DetailsFixture.h"

#include "extensionsutils/Variant.h"
#include "support/TypeLibraryRegistration.h"

#include <gtest/gtest.h>

using extensionsutils::Bstr;
using extensionsutils::ComPtr;
using extensionsutils::MICComPtr;

namespace {

class UCCNumberNormalisationContactTest : public DetailsFixture {
protected:
    // As the contact manager makes it for an address without an at sign.
    ComPtr<IUCCContact> contactFor(const wchar_t* address)
    {
        auto object = extensionsutils::ComObject<UCCNumberNormalisationContact>::create();
        EXPECT_EQ(object->setUri(Bstr(address).get()), S_OK);
        return object.as<IUCCContact>();
    }
    static std::wstring uriOf(const ComPtr<IUCCContact>& contact)
    {
        Bstr uri;
        EXPECT_EQ(contact->get_Uri(uri.out()), S_OK);
        return uri.str();
    }
};

TEST_F(UCCNumberNormalisationContactTest, AnswersTheAddressExactlyAsGivenAndNothingElse)
{
    EXPECT_EQ(uriOf(contactFor(L"4420794600001")), L"4420794600001");
    ComPtr<IUCCContact> contact = contactFor(L"tel:+4420794600001");
    EXPECT_EQ(uriOf(contact), L"tel:+4420794600001");
    EXPECT_EQ(contact->get_Uri(nullptr), E_POINTER);

    VARIANT value;
    VariantInit(&value);
    EXPECT_EQ(contact->GetContactInformation(ucPresenceAvailability, &value), E_NOTIMPL);
    EXPECT_EQ(value.vt, VT_EMPTY);
    VARIANT_BOOL flag = 7;
    EXPECT_EQ(contact->CanStart(ucModalityInstantMessage, &flag), E_NOTIMPL);
    EXPECT_EQ(contact->CanChangeSetting(ucContactTagged, &flag), E_NOTIMPL);
    EXPECT_EQ(flag, 7);
    IUCCContactSettingDictionary* settings = nullptr;
    EXPECT_EQ(contact->get_Settings(&settings), E_NOTIMPL);

    EXPECT_FALSE(contact.as<IUCCContact2>());
    EXPECT_FALSE(contact.as<IConnectionPointContainer>()) << "no events can be advised";
}

TEST_F(UCCNumberNormalisationContactTest, AnswersItsUriLateBound)
{
    ASSERT_EQ(registerTypeLibraryForMarshaling(besideThisProgram(L"TavoMessengerLib.tlb")), S_OK);
    ComPtr<IDispatch> contact = contactFor(L"tel:5550100").as<IDispatch>();
    LPOLESTR name = const_cast<LPOLESTR>(L"Uri");
    DISPID id = 0;
    ASSERT_EQ(contact->GetIDsOfNames(IID_NULL, &name, 1, 0, &id), S_OK);
    EXPECT_EQ(id, 0x60020000);

    DISPPARAMS none = {nullptr, nullptr, 0, 0};
    extensionsutils::Variant uri;
    ASSERT_EQ(contact->Invoke(id, IID_NULL, 0, DISPATCH_PROPERTYGET, &none, uri.out(), nullptr, nullptr), S_OK);
    ASSERT_EQ(uri.type(), VT_BSTR);
    EXPECT_STREQ(uri.get()->bstrVal, L"tel:5550100");
}

TEST_F(UCCNumberNormalisationContactTest, LogsItsConstructionAndDestruction)
{
    MICComPtr<UCCNumberNormalisationContact> object = extensionsutils::ComObject<UCCNumberNormalisationContact>::create();
    const void* address = object.get();
    object.reset();
    expectLifeLogged(address, L"UCCNumberNormalisationContact");
}

} // namespace
