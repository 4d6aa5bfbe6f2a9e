// A UC contact's answers from the host: contact information by type (availability is the host presence
// in UC numbers), batches, settings and the tag, CanStart, each read inside a host read transaction.

#include "UcFixture.h"

#include <utility>

namespace {

using Endpoints = std::vector<std::pair<std::wstring, LONG>>;

class Contact : public UcFixture {
protected:
    Variant information(IUCCContact* contact, LONG type, HRESULT expected = S_OK)
    {
        Variant value;
        EXPECT_EQ(contact->GetContactInformation(static_cast<ContactInformationType>(type), value.out()), expected)
            << "type " << type;
        return value;
    }

    Endpoints endpointsOf(IUCCContact* contact)
    {
        Endpoints result;
        for (const ComPtr<IDispatch>& element : elementsOf<ComPtr<IDispatch>>(information(contact, ucPresenceContactEndpoints), VT_DISPATCH)) {
            ComPtr<IUCCContactEndpoint> endpoint = element.as<IUCCContactEndpoint>();
            Bstr number;
            ContactEndpointType type = ucContactEndpointTypeInvalid;
            if (endpoint) endpoint->get_Uri(number.out());
            if (endpoint) endpoint->get_Type(&type);
            result.emplace_back(number.str(), type);
        }
        return result;
    }

    HRESULT tag(IUCCContact* contact, const Variant& value, LONG setting = ucContactTagged)
    {
        return contact->ChangeSetting(static_cast<ContactSetting>(setting), *value.get(), nullptr, *Variant().get(), nullptr);
    }
};

TEST_F(Contact, AvailabilityIsTheUcNumberOfTheHostPresence)
{
    ComPtr<IUCCContact> bob = contactFor(kBob);
    const std::pair<long, LONG> rows[] = {{1, 3500}, {2, 15500}, {3, 9500}, {4, 15500}, {5, 18500}, {0, 0}, {6, 0}};
    for (const auto& row : rows) {
        host().setPresence(kBob, row.first, L"text");
        EXPECT_EQ(information(bob.get(), ucPresenceAvailability).get()->lVal, row.second) << "host presence " << row.first;
    }
    host().failMethod(HostMethod::RequestPresenceState);
    EXPECT_EQ(information(bob.get(), ucPresenceAvailability).get()->lVal, 0) << "an unreadable presence is none";
    EXPECT_EQ(information(unresolvedContact().get(), ucPresenceAvailability).get()->lVal, 0);
}

TEST_F(Contact, TextsAddressesAndCustomActivityAnswerAsOfficeReadsThem)
{
    ComPtr<IUCCContact> bob = contactFor(kBob);
    EXPECT_EQ(textOf(information(bob.get(), ucPresenceActivity)), L"Do not disturb");
    EXPECT_EQ(textOf(information(bob.get(), ucPresenceDisplayName)), L"Bob Builder");
    EXPECT_EQ(textOf(information(bob.get(), ucPresenceActivityId)), L"");
    EXPECT_EQ(elementsOf<std::wstring>(information(bob.get(), ucPresenceInstantMessageAddresses), VT_BSTR), Strings{kBob});
    EXPECT_EQ(elementsOf<std::wstring>(information(bob.get(), ucPresenceLegacyInstantMessageAddresses), VT_BSTR), Strings{kBob});
    EXPECT_TRUE(elementsOf<std::wstring>(information(unresolvedContact().get(), ucPresenceInstantMessageAddresses), VT_BSTR).empty());

    const auto custom = elementsOf<ComPtr<IDispatch>>(information(bob.get(), ucPresenceCustomActivity), VT_DISPATCH);
    ASSERT_EQ(custom.size(), 1u);
    EXPECT_EQ(textOf(callByName(custom[0].get(), L"Value", DISPATCH_PROPERTYGET).value), L"Do not disturb");
    EXPECT_EQ(callByName(custom[0].get(), L"LocaleId", DISPATCH_PROPERTYGET).value.get()->lVal, -1);
}

TEST_F(Contact, EndpointsAreTheReadableNonEmptyNumbersInWorkMobileHomeOtherOrder)
{
    EXPECT_EQ(endpointsOf(contactFor(kBob).get()),
              (Endpoints{{L"+1 555 0100", ucContactEndpointTypeWorkPhone}, {L"+1 555 0101", ucContactEndpointTypeMobilePhone},
                         {L"+1 555 0102", ucContactEndpointTypeHomePhone}, {L"+1 555 0103", ucContactEndpointTypeOtherPhone}}));
    host().failMethod(HostMethod::GetMobileNumber);
    EXPECT_EQ(endpointsOf(contactFor(kUser).get()), (Endpoints{{L"+44 20 1", ucContactEndpointTypeWorkPhone}}))
        << "an empty number and a failing getter are left out";
    EXPECT_TRUE(endpointsOf(unresolvedContact().get()).empty());
}

TEST_F(Contact, UnansweredTypesAndHostFailuresGiveTheirCodesWithAnEmptyValue)
{
    ComPtr<IUCCContact> bob = contactFor(kBob);
    for (const LONG type : {LONG(ucPresenceTitle), LONG(ucPresencePhoto), 49L, -1L, 0x7fffffffL}) {
        VARIANT value;
        value.vt = VT_I4; // whatever the caller left there is overwritten, not freed
        EXPECT_EQ(bob->GetContactInformation(static_cast<ContactInformationType>(type), &value), E_NOTIMPL) << type;
        EXPECT_EQ(value.vt, VT_EMPTY) << type;
    }
    EXPECT_EQ(bob->GetContactInformation(ucPresenceAvailability, nullptr), E_POINTER);

    host().failMethod(HostMethod::GetFriendlyName, E_ACCESSDENIED);
    host().failMethod(HostMethod::GetPresenceString, E_UNEXPECTED);
    host().failMethod(HostMethod::GetSigninName, E_HANDLE);
    EXPECT_TRUE(information(bob.get(), ucPresenceDisplayName, E_ACCESSDENIED).isEmpty());
    EXPECT_TRUE(information(bob.get(), ucPresenceActivity, E_UNEXPECTED).isEmpty());
    EXPECT_TRUE(information(bob.get(), ucPresenceCustomActivity, E_UNEXPECTED).isEmpty());
    EXPECT_TRUE(information(bob.get(), ucPresenceInstantMessageAddresses, E_HANDLE).isEmpty());
    Bstr uri;
    EXPECT_EQ(bob->get_Uri(uri.out()), E_HANDLE);
    EXPECT_TRUE(information(unresolvedContact().get(), ucPresenceDisplayName, E_FAIL).isEmpty());
}

TEST_F(Contact, EveryReadHoldsOneHostReadTransactionWhileItAsksTheHost)
{
    ComPtr<IUCCContact> bob = contactFor(kBob);
    std::vector<unsigned> openAtRequest;
    host().addLogHook([&](const fakehost::LogRecord& record) {
        if (record.message.rfind(L"Request received for", 0) == 0) openAtRequest.push_back(host().openReadTransactions());
    });
    information(bob.get(), ucPresenceDisplayName);
    ComPtr<IUCCContactInformationDictionary> dictionary;
    EXPECT_EQ(bob->BatchGetContactInformation(int32Array({ucPresenceAvailability}).get(), dictionary.out()), S_OK);
    host().clearLogHooks();
    // One for the single read; the batch holds its own while each of its reads holds another.
    EXPECT_EQ(openAtRequest, (std::vector<unsigned>{1, 1, 2}));
    EXPECT_EQ(host().openReadTransactions(), 0u);
}

TEST_F(Contact, BatchAnswersEveryRequestedTypeAndRefusesAnythingButAVectorOfTypes)
{
    ComPtr<IUCCContact> bob = contactFor(kBob);
    ComPtr<IUCCContactInformationDictionary> dictionary;
    ASSERT_EQ(bob->BatchGetContactInformation(
                  int32Array({ucPresenceDisplayName, ucPresenceAvailability, ucPresenceTitle}, 5).get(), dictionary.out()),
              S_OK);
    SAFEARRAY* keys = nullptr;
    EXPECT_EQ(dictionary->get_Keys(&keys), S_OK);
    EXPECT_EQ(takeElements<LONG>(keys, VT_I4), (Int32s{0, 10, 14}));
    Variant value;
    EXPECT_EQ(dictionary->get_Item(ucPresenceAvailability, value.out()), S_OK);
    EXPECT_EQ(value.get()->lVal, 9500);
    EXPECT_EQ(dictionary->get_Item(ucPresenceTitle, value.out()), S_OK);
    EXPECT_TRUE(value.isEmpty()) << "an unanswered type is there, empty";

    dictionary.reset();
    SAFEARRAYBOUND bounds[2] = {{1, 0}, {1, 0}};
    SafeArray square(SafeArrayCreate(VT_I4, 2, bounds));
    EXPECT_EQ(bob->BatchGetContactInformation(SafeArray::ofStrings({L"10"}).get(), dictionary.out()), E_INVALIDARG);
    EXPECT_EQ(bob->BatchGetContactInformation(square.get(), dictionary.out()), E_INVALIDARG);
    EXPECT_EQ(bob->BatchGetContactInformation(nullptr, dictionary.out()), E_POINTER);
    EXPECT_EQ(bob->BatchGetContactInformation(int32Array({0}).get(), nullptr), E_POINTER);
    EXPECT_FALSE(dictionary);
    EXPECT_EQ(host().openReadTransactions(), 0u);
}

TEST_F(Contact, SettingsHoldTheTagFirstThenEveryReadableNumberByEndpointType)
{
    ComPtr<IUCCContactSettingDictionary> settings;
    ASSERT_EQ(contactFor(kUser)->get_Settings(settings.out()), S_OK);
    SAFEARRAY* keys = nullptr;
    EXPECT_EQ(settings->get_Keys(&keys), S_OK);
    EXPECT_EQ(takeElements<LONG>(keys, VT_I4).size(), 5u);
    Variant value;
    EXPECT_EQ(settings->GetValueAt(0, value.out()), S_OK);
    EXPECT_EQ(value.type(), VT_BOOL) << "the tag's value comes first";
    EXPECT_EQ(settings->get_Item(static_cast<ContactSetting>(ucContactEndpointTypeMobilePhone), value.out()), S_OK);
    ASSERT_EQ(value.type(), VT_DISPATCH);
    EXPECT_EQ(textOf(callByName(value.get()->pdispVal, L"DisplayName", DISPATCH_PROPERTYGET).value), L"+44 77 1");
    EXPECT_EQ(settings->get_Item(static_cast<ContactSetting>(ucContactEndpointTypeHomePhone), value.out()), S_OK);
    EXPECT_EQ(value.type(), VT_DISPATCH);
    EXPECT_EQ(value.get()->pdispVal, nullptr) << "an empty number is a null endpoint";

    host().failMethod(HostMethod::GetIsTagged);
    host().failMethod(HostMethod::GetHomeNumber);
    ASSERT_EQ(contactFor(kBob)->get_Settings(settings.out()), S_OK);
    EXPECT_EQ(settings->get_Keys(&keys), S_OK);
    EXPECT_EQ(takeElements<LONG>(keys, VT_I4), (Int32s{0, 1, 3})) << "what the host cannot read is left out";
    ASSERT_EQ(unresolvedContact()->get_Settings(settings.out()), S_OK);
    LONG count = -1;
    EXPECT_EQ(settings->get_Count(&count), S_OK);
    EXPECT_EQ(count, 0);
    EXPECT_EQ(host().openReadTransactions(), 0u);
}

TEST_F(Contact, ChangeSettingTagsThroughTheHostAndRefusesWhatItCannotChange)
{
    ComPtr<IUCCContact> bob = contactFor(kBob);
    IUCCAsynchronousOperation* operation = reinterpret_cast<IUCCAsynchronousOperation*>(1);
    EXPECT_EQ(bob->ChangeSetting(ucContactTagged, *Variant::fromBool(false).get(), nullptr, *Variant().get(), &operation), S_OK);
    EXPECT_EQ(operation, nullptr) << "no operation is handed out";
    EXPECT_EQ(tag(bob.get(), Variant::fromBool(true)), S_OK);
    EXPECT_EQ(tag(bob.get(), Variant::fromInt32(0)), S_OK) << "a number converts to a boolean";
    EXPECT_EQ(tag(bob.get(), Variant()), S_OK) << "empty reads as false";
    EXPECT_EQ(tag(bob.get(), Variant::fromString(L"perhaps")), E_INVALIDARG);
    EXPECT_EQ(tag(bob.get(), Variant::fromBool(true), 0), E_NOTIMPL);
    EXPECT_EQ(tag(unresolvedContact().get(), Variant::fromBool(true)), E_NOTIMPL);
    EXPECT_EQ(host().tagRequests(), (std::vector<std::pair<std::wstring, long>>{{kBob, 0}, {kBob, -1}, {kBob, 0}, {kBob, 0}}));
    host().failMethod(HostMethod::TagContact);
    EXPECT_EQ(tag(bob.get(), Variant::fromBool(true)), S_OK) << "the host's answer is not Office's business";

    VARIANT_BOOL canSet = VARIANT_FALSE;
    EXPECT_EQ(bob->CanChangeSetting(ucContactTagged, &canSet), S_OK);
    EXPECT_EQ(canSet, VARIANT_TRUE);
    EXPECT_EQ(bob->CanChangeSetting(static_cast<ContactSetting>(ucContactEndpointTypeWorkPhone), &canSet), S_OK);
    EXPECT_EQ(canSet, VARIANT_FALSE);
    canSet = VARIANT_TRUE;
    EXPECT_EQ(unresolvedContact()->CanChangeSetting(ucContactTagged, &canSet), S_OK);
    EXPECT_EQ(canSet, VARIANT_FALSE);
}

TEST_F(Contact, CanStartInstantMessageOrAudioOnlyOnTheUsersOwnContact)
{
    struct Row {
        ComPtr<IUCCContact> contact;
        LONG modalities;
        VARIANT_BOOL answer;
    };
    ComPtr<IUCCContact> user = contactFor(kUser);
    ComPtr<IUCCContact> userBySip = contactFor(L"sip:alice@example.com");
    ComPtr<IUCCContact> bob = contactFor(kBob);
    const Row rows[] = {
        {user, ucModalityInstantMessage, VARIANT_TRUE},
        {user, ucModalityAudioVideo, VARIANT_TRUE},
        {userBySip, ucModalityInstantMessage, VARIANT_TRUE},
        {user, ucModalityApplicationSharing, VARIANT_FALSE},
        {user, ucModalityInstantMessage | ucModalityAudioVideo, VARIANT_FALSE},
        {bob, ucModalityInstantMessage, VARIANT_FALSE},
        {bob, ucModalityAudioVideo, VARIANT_FALSE},
    };
    for (const Row& row : rows) {
        ASSERT_TRUE(row.contact);
        VARIANT_BOOL answer = 7;
        EXPECT_EQ(row.contact->CanStart(static_cast<ModalityTypes>(row.modalities), &answer), S_OK);
        EXPECT_EQ(answer, row.answer) << extensionsutils::toUtf8(uriOf(row.contact.get())) << " " << row.modalities;
    }
    VARIANT_BOOL answer = VARIANT_TRUE;
    host().answerEmpty(HostMethod::GetSigninName); // the host knows the user but gives no name
    EXPECT_EQ(unresolvedContact()->CanStart(ucModalityInstantMessage, &answer), S_OK);
    EXPECT_EQ(answer, VARIANT_FALSE) << "a contact without address is never the user";
    host().clearFailures();
    host().clearClientUser();
    EXPECT_EQ(user->CanStart(ucModalityInstantMessage, &answer), S_OK);
    EXPECT_EQ(answer, VARIANT_FALSE);
}

} // namespace
