#include "ContactFixture.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

using extensionsutils::Bstr;
using extensionsutils::ComPtr;
using extensionsutils::SafeArray;
using extensionsutils::Variant;
using fakehost::HostMethod;

namespace {

class UCCContactTest : public ContactFixture
{
protected:
    Variant information(IUCCContact* contact, ContactInformationType type, HRESULT expected = S_OK)
    {
        Variant value;
        EXPECT_EQ(contact->GetContactInformation(type, value.out()), expected) << "type " << type;
        return value;
    }

    // Number, type of each endpoint.
    static std::vector<std::pair<std::wstring, ContactEndpointType>> endpointsOf(
        const std::vector<ComPtr<IDispatch>>& endpoints)
    {
        std::vector<std::pair<std::wstring, ContactEndpointType>> result;
        for (const ComPtr<IDispatch>& element : endpoints) {
            ComPtr<IUCCContactEndpoint> endpoint = element.as<IUCCContactEndpoint>();
            if (!endpoint) {
                result.emplace_back(L"<null>", ucContactEndpointTypeInvalid);
                continue;
            }
            Bstr number;
            ContactEndpointType type = ucContactEndpointTypeInvalid;
            endpoint->get_Uri(number.out());
            endpoint->get_Type(&type);
            result.emplace_back(number.str(), type);
        }
        return result;
    }

    // A contact over an address the host could not resolve, as a failed lookup yields.
    ComPtr<IUCCContact> unresolvedContact()
    {
        ComPtr<IUCCContact> contact;
        EXPECT_EQ(manager->createContact(std::make_shared<FailedResolutionContactDetails>(), contact.out()), S_OK);
        return contact;
    }
};

} // namespace

TEST_F(UCCContactTest, AvailabilityIsTheUcNumberOfTheHostPresence)
{
    ComPtr<IUCCContact> bob = contactFor(kBob);
    const std::vector<std::pair<long, LONG>> expected = {{1, 3500}, {2, 15500}, {3, 9500}, {4, 15500},
                                                         {5, 18500}, {0, 0},     {6, 0}};
    for (const auto& presence : expected) {
        host().setPresence(kBob, presence.first, L"text");
        const Variant value = information(bob.get(), ucPresenceAvailability);
        ASSERT_EQ(value.type(), VT_I4);
        EXPECT_EQ(value.get()->lVal, presence.second) << "host presence " << presence.first;
    }
    host().failMethod(HostMethod::RequestPresenceState);
    EXPECT_EQ(information(bob.get(), ucPresenceAvailability).get()->lVal, 0) << "an unreadable presence is none";
}

TEST_F(UCCContactTest, ActivityDisplayNameAndActivityIdAreStrings)
{
    ComPtr<IUCCContact> bob = contactFor(kBob);
    EXPECT_EQ(textOf(information(bob.get(), ucPresenceActivity)), L"Do not disturb");
    EXPECT_EQ(textOf(information(bob.get(), ucPresenceDisplayName)), L"Bob Builder");
    EXPECT_EQ(textOf(information(bob.get(), ucPresenceActivityId)), L"");
}

TEST_F(UCCContactTest, CustomActivityIsOneLocaleStringOfThePresenceText)
{
    ComPtr<IUCCContact> bob = contactFor(kBob);
    const std::vector<ComPtr<IDispatch>> strings = dispatchesOf(information(bob.get(), ucPresenceCustomActivity));
    ASSERT_EQ(strings.size(), 1u);
    ComPtr<IUCCLocaleString> text = strings[0].as<IUCCLocaleString>();
    ASSERT_TRUE(text);
    Bstr value;
    LONG locale = 0;
    EXPECT_EQ(text->get_Value(value.out()), S_OK);
    EXPECT_EQ(text->get_LocaleId(&locale), S_OK);
    EXPECT_EQ(value.str(), L"Do not disturb");
    EXPECT_EQ(locale, -1);
}

TEST_F(UCCContactTest, InstantMessageAddressesAreTheSigninNameUnderBothTypes)
{
    ComPtr<IUCCContact> bob = contactFor(kBob);
    EXPECT_EQ(stringsOf(information(bob.get(), ucPresenceInstantMessageAddresses)), std::vector<std::wstring>{kBob});
    EXPECT_EQ(stringsOf(information(bob.get(), ucPresenceLegacyInstantMessageAddresses)),
              std::vector<std::wstring>{kBob});
    EXPECT_TRUE(stringsOf(information(unresolvedContact().get(), ucPresenceInstantMessageAddresses)).empty())
        << "no address, no element";
}

TEST_F(UCCContactTest, EndpointsAreTheNonEmptyNumbersInWorkMobileHomeOtherOrder)
{
    const std::vector<std::pair<std::wstring, ContactEndpointType>> bobs = {
        {L"+1 555 0100", ucContactEndpointTypeWorkPhone},
        {L"+1 555 0101", ucContactEndpointTypeMobilePhone},
        {L"+1 555 0102", ucContactEndpointTypeHomePhone},
        {L"+1 555 0103", ucContactEndpointTypeOtherPhone}};
    EXPECT_EQ(endpointsOf(dispatchesOf(information(contactFor(kBob).get(), ucPresenceContactEndpoints))), bobs);

    // The user has no home and no other number.
    const std::vector<std::pair<std::wstring, ContactEndpointType>> users = {
        {L"+44 20 1", ucContactEndpointTypeWorkPhone}, {L"+44 77 1", ucContactEndpointTypeMobilePhone}};
    EXPECT_EQ(endpointsOf(dispatchesOf(information(contactFor(kUser).get(), ucPresenceContactEndpoints))), users);
    EXPECT_FALSE(host().logged(L"Unable to create Endpoint instance")) << "empty numbers are skipped quietly";

    host().failMethod(HostMethod::GetMobileNumber);
    EXPECT_EQ(endpointsOf(dispatchesOf(information(contactFor(kUser).get(), ucPresenceContactEndpoints))),
              (std::vector<std::pair<std::wstring, ContactEndpointType>>{users[0]}))
        << "a failing getter leaves its number out";
    EXPECT_TRUE(dispatchesOf(information(unresolvedContact().get(), ucPresenceContactEndpoints)).empty());
}

TEST_F(UCCContactTest, UnansweredTypesAreNotImplementedWithAnEmptyValue)
{
    ComPtr<IUCCContact> bob = contactFor(kBob);
    for (const LONG type : std::vector<LONG>{ucPresenceTitle, ucPresenceLocationName, ucPresencePhoto, 49, 51, -1, 0x7fffffff}) {
        VARIANT value;
        value.vt = VT_I4; // whatever the caller left there is overwritten, not freed
        value.lVal = 1;
        EXPECT_EQ(bob->GetContactInformation(static_cast<ContactInformationType>(type), &value), E_NOTIMPL) << type;
        EXPECT_EQ(value.vt, VT_EMPTY) << type;
    }
    EXPECT_EQ(bob->GetContactInformation(ucPresenceAvailability, nullptr), E_POINTER);
}

TEST_F(UCCContactTest, HostFailuresPassTheirCodesWithAnEmptyValue)
{
    ComPtr<IUCCContact> bob = contactFor(kBob);
    host().failMethod(HostMethod::GetFriendlyName, E_ACCESSDENIED);
    host().failMethod(HostMethod::GetPresenceString, E_UNEXPECTED);
    host().failMethod(HostMethod::GetSigninName, E_HANDLE);
    EXPECT_TRUE(information(bob.get(), ucPresenceDisplayName, E_ACCESSDENIED).isEmpty());
    EXPECT_TRUE(information(bob.get(), ucPresenceActivity, E_UNEXPECTED).isEmpty());
    EXPECT_TRUE(information(bob.get(), ucPresenceCustomActivity, E_UNEXPECTED).isEmpty());
    EXPECT_EQ(onlyRecordOf(L"Unable to get PresenceString").function, L"UCCContact::setVariantToPresenceStringAsLocalString");
    EXPECT_TRUE(information(bob.get(), ucPresenceInstantMessageAddresses, E_HANDLE).isEmpty());
    Bstr uri;
    EXPECT_EQ(bob->get_Uri(uri.out()), E_HANDLE);

    ComPtr<IUCCContact> unresolved = unresolvedContact();
    EXPECT_TRUE(information(unresolved.get(), ucPresenceDisplayName, E_FAIL).isEmpty());
    EXPECT_EQ(information(unresolved.get(), ucPresenceAvailability).get()->lVal, 0);
}

TEST_F(UCCContactTest, EveryReadHoldsOneHostReadTransactionWhileItAsksTheHost)
{
    ComPtr<IUCCContact> bob = contactFor(kBob);
    std::vector<unsigned> openAtRequest;
    host().addLogHook([&](const fakehost::LogRecord& record) {
        if (record.message.rfind(L"Request received for", 0) == 0) openAtRequest.push_back(host().openReadTransactions());
    });
    information(bob.get(), ucPresenceDisplayName);
    SafeArray types = int32Array({ucPresenceAvailability});
    ComPtr<IUCCContactInformationDictionary> dictionary;
    EXPECT_EQ(bob->BatchGetContactInformation(types.get(), dictionary.out()), S_OK);
    host().clearLogHooks();
    // One for the single read; the batch holds its own while each of its reads holds another.
    EXPECT_EQ(openAtRequest, (std::vector<unsigned>{1, 1, 2}));
    EXPECT_EQ(host().openReadTransactions(), 0u);
    const fakehost::LogRecord request = host().recordsOf(L"Request received for contact information of type: 10").at(0);
    EXPECT_EQ(request.hostLevel, 3); // module level 2
    EXPECT_EQ(request.function, L"UCCContact::GetContactInformation");
    EXPECT_EQ(request.file, L"extensions/tavomessenger/IUCOfficeIntegration/UCCContact");
}

TEST_F(UCCContactTest, BatchAnswersEveryRequestedTypeUnansweredOnesEmpty)
{
    ComPtr<IUCCContact> bob = contactFor(kBob);
    SafeArray types = int32Array({ucPresenceDisplayName, ucPresenceAvailability, ucPresenceTitle}, 5);
    ComPtr<IUCCContactInformationDictionary> dictionary;
    ASSERT_EQ(bob->BatchGetContactInformation(types.get(), dictionary.out()), S_OK);
    EXPECT_EQ(onlyRecordOf(L"Request received for batched contact information 3 items").function,
              L"UCCContact::BatchGetContactInformation");

    LONG count = 0;
    EXPECT_EQ(dictionary->get_Count(&count), S_OK);
    EXPECT_EQ(count, 3);
    SAFEARRAY* keys = nullptr;
    EXPECT_EQ(dictionary->get_Keys(&keys), S_OK);
    EXPECT_EQ(int32sOf(keys), (std::vector<LONG>{0, 10, 14}));
    Variant value;
    EXPECT_EQ(dictionary->get_Item(ucPresenceDisplayName, value.out()), S_OK);
    EXPECT_EQ(textOf(value), L"Bob Builder");
    EXPECT_EQ(dictionary->get_Item(ucPresenceAvailability, value.out()), S_OK);
    EXPECT_EQ(value.get()->lVal, 9500);
    EXPECT_EQ(dictionary->get_Item(ucPresenceTitle, value.out()), S_OK);
    EXPECT_TRUE(value.isEmpty());

    SafeArray none = int32Array({});
    EXPECT_EQ(bob->BatchGetContactInformation(none.get(), dictionary.out()), S_OK);
    EXPECT_EQ(dictionary->get_Count(&count), S_OK);
    EXPECT_EQ(count, 0);
}

TEST_F(UCCContactTest, BatchRefusesAnythingButAOneDimensionalArrayOfTypes)
{
    ComPtr<IUCCContact> bob = contactFor(kBob);
    ComPtr<IUCCContactInformationDictionary> dictionary;
    SafeArray strings = SafeArray::ofStrings({L"10"});
    EXPECT_EQ(bob->BatchGetContactInformation(strings.get(), dictionary.out()), E_INVALIDARG);
    SAFEARRAYBOUND bounds[2] = {{1, 0}, {1, 0}};
    SafeArray square(SafeArrayCreate(VT_I4, 2, bounds));
    EXPECT_EQ(bob->BatchGetContactInformation(square.get(), dictionary.out()), E_INVALIDARG);
    EXPECT_EQ(bob->BatchGetContactInformation(nullptr, dictionary.out()), E_POINTER);
    EXPECT_FALSE(dictionary);
    SafeArray types = int32Array({ucPresenceAvailability});
    EXPECT_EQ(bob->BatchGetContactInformation(types.get(), nullptr), E_POINTER);
    EXPECT_EQ(host().openReadTransactions(), 0u);
}

TEST_F(UCCContactTest, UriIsTheSigninNameAfterTheSipScheme)
{
    Bstr uri;
    EXPECT_EQ(contactFor(kBob)->get_Uri(uri.out()), S_OK);
    EXPECT_EQ(uri.str(), L"sip:bob@example.com");
    EXPECT_EQ(unresolvedContact()->get_Uri(uri.out()), S_OK);
    EXPECT_EQ(uri.str(), L"sip:");
    EXPECT_EQ(contactFor(kBob)->get_Uri(nullptr), E_POINTER);
}

TEST_F(UCCContactTest, SettingsHoldTheTagFirstThenEveryReadableNumberByEndpointType)
{
    ComPtr<IUCCContactSettingDictionary> settings;
    ASSERT_EQ(contactFor(kUser)->get_Settings(settings.out()), S_OK);
    LONG count = 0;
    EXPECT_EQ(settings->get_Count(&count), S_OK);
    EXPECT_EQ(count, 5);
    Variant value;
    EXPECT_EQ(settings->GetValueAt(0, value.out()), S_OK);
    ASSERT_EQ(value.type(), VT_BOOL);
    EXPECT_EQ(value.get()->boolVal, VARIANT_FALSE);
    ContactSetting key = ucContactTagged;
    EXPECT_EQ(settings->GetKeyAt(0, &key), S_OK);
    EXPECT_EQ(key, 0) << "keys read in ascending order";

    EXPECT_EQ(settings->get_Item(static_cast<ContactSetting>(ucContactEndpointTypeMobilePhone), value.out()), S_OK);
    ASSERT_EQ(value.type(), VT_DISPATCH);
    ComPtr<IUCCContactEndpoint> mobile = ComPtr<IDispatch>(value.get()->pdispVal).as<IUCCContactEndpoint>();
    ASSERT_TRUE(mobile);
    Bstr number;
    EXPECT_EQ(mobile->get_DisplayName(number.out()), S_OK);
    EXPECT_EQ(number.str(), L"+44 77 1");
    EXPECT_EQ(settings->get_Item(static_cast<ContactSetting>(ucContactEndpointTypeHomePhone), value.out()), S_OK);
    EXPECT_EQ(value.type(), VT_DISPATCH);
    EXPECT_EQ(value.get()->pdispVal, nullptr) << "an empty number is a null endpoint";
    EXPECT_EQ(host().loggedCount(L"Unable to create Endpoint instance"), 2u);

    EXPECT_EQ(contactFor(kBob)->get_Settings(settings.out()), S_OK);
    EXPECT_EQ(settings->get_Item(ucContactTagged, value.out()), S_OK);
    EXPECT_EQ(value.get()->boolVal, VARIANT_TRUE);
    EXPECT_EQ(host().openReadTransactions(), 0u);
    EXPECT_EQ(contactFor(kBob)->get_Settings(nullptr), E_POINTER);
}

TEST_F(UCCContactTest, SettingsLeaveOutWhatTheHostCannotRead)
{
    ComPtr<IUCCContact> bob = contactFor(kBob);
    host().failMethod(HostMethod::GetIsTagged);
    host().failMethod(HostMethod::GetHomeNumber);
    ComPtr<IUCCContactSettingDictionary> settings;
    ASSERT_EQ(bob->get_Settings(settings.out()), S_OK);
    SAFEARRAY* keys = nullptr;
    EXPECT_EQ(settings->get_Keys(&keys), S_OK);
    EXPECT_EQ(int32sOf(keys), (std::vector<LONG>{0, 1, 3}));

    ASSERT_EQ(unresolvedContact()->get_Settings(settings.out()), S_OK);
    LONG count = -1;
    EXPECT_EQ(settings->get_Count(&count), S_OK);
    EXPECT_EQ(count, 0);
}

TEST_F(UCCContactTest, ChangeSettingTagsAndUntagsThroughTheHost)
{
    ComPtr<IUCCContact> bob = contactFor(kBob);
    const VARIANT none = *Variant().get();
    IUCCAsynchronousOperation* operation = reinterpret_cast<IUCCAsynchronousOperation*>(1);
    EXPECT_EQ(bob->ChangeSetting(ucContactTagged, *Variant::fromBool(false).get(), nullptr, none, &operation), S_OK);
    EXPECT_EQ(operation, nullptr) << "no operation is handed out";
    EXPECT_EQ(bob->ChangeSetting(ucContactTagged, *Variant::fromBool(true).get(), nullptr, none, nullptr), S_OK);
    EXPECT_EQ(bob->ChangeSetting(ucContactTagged, *Variant::fromInt32(0).get(), nullptr, none, nullptr), S_OK)
        << "a number converts to a boolean";
    using Request = std::pair<std::wstring, long>;
    EXPECT_EQ(host().tagRequests(), (std::vector<Request>{{kBob, 0}, {kBob, -1}, {kBob, 0}}));

    host().failMethod(HostMethod::TagContact);
    EXPECT_EQ(bob->ChangeSetting(ucContactTagged, *Variant::fromBool(true).get(), nullptr, none, nullptr), S_OK)
        << "the host's answer is not Office's business";
}

TEST_F(UCCContactTest, ChangeSettingRefusesOtherSettingsUnresolvedContactsAndNonBooleans)
{
    ComPtr<IUCCContact> bob = contactFor(kBob);
    const VARIANT yes = *Variant::fromBool(true).get();
    const VARIANT none = *Variant().get();
    EXPECT_EQ(bob->ChangeSetting(static_cast<ContactSetting>(0), yes, nullptr, none, nullptr), E_NOTIMPL);
    EXPECT_EQ(unresolvedContact()->ChangeSetting(ucContactTagged, yes, nullptr, none, nullptr), E_NOTIMPL);
    EXPECT_EQ(bob->ChangeSetting(ucContactTagged, *Variant::fromString(L"perhaps").get(), nullptr, none, nullptr),
              E_INVALIDARG);
    EXPECT_EQ(bob->ChangeSetting(ucContactTagged, none, nullptr, none, nullptr), S_OK) << "empty reads as false";
    EXPECT_EQ(host().tagRequests().size(), 1u);

    VARIANT_BOOL canSet = VARIANT_TRUE;
    EXPECT_EQ(bob->CanChangeSetting(ucContactTagged, &canSet), S_OK);
    EXPECT_EQ(canSet, VARIANT_TRUE);
    EXPECT_EQ(bob->CanChangeSetting(static_cast<ContactSetting>(ucContactEndpointTypeWorkPhone), &canSet), S_OK);
    EXPECT_EQ(canSet, VARIANT_FALSE);
    canSet = VARIANT_TRUE;
    EXPECT_EQ(unresolvedContact()->CanChangeSetting(ucContactTagged, &canSet), S_OK);
    EXPECT_EQ(canSet, VARIANT_FALSE);
    EXPECT_EQ(bob->CanChangeSetting(ucContactTagged, nullptr), E_POINTER);
}

TEST_F(UCCContactTest, CanStartInstantMessageAndAudioOnlyOnTheUsersOwnContact)
{
    ComPtr<IUCCContact> user = contactFor(kUser);
    ComPtr<IUCCContact> bob = contactFor(kBob);
    const auto canStart = [](IUCCContact* contact, LONG modalities) {
        VARIANT_BOOL answer = 7;
        EXPECT_EQ(contact->CanStart(static_cast<ModalityTypes>(modalities), &answer), S_OK);
        return answer;
    };
    EXPECT_EQ(canStart(user.get(), ucModalityInstantMessage), VARIANT_TRUE);
    EXPECT_EQ(canStart(user.get(), ucModalityAudioVideo), VARIANT_TRUE);
    EXPECT_EQ(canStart(user.get(), ucModalityApplicationSharing), VARIANT_FALSE);
    EXPECT_EQ(canStart(user.get(), ucModalityInstantMessage | ucModalityAudioVideo), VARIANT_FALSE);
    EXPECT_EQ(canStart(bob.get(), ucModalityInstantMessage), VARIANT_FALSE);
    EXPECT_EQ(canStart(bob.get(), ucModalityAudioVideo), VARIANT_FALSE);
    EXPECT_EQ(onlyRecordOf(L"CanStart for modality: 4").function, L"UCCContact::CanStart");
    EXPECT_EQ(user->CanStart(ucModalityInstantMessage, nullptr), E_POINTER);

    host().clearClientUser();
    EXPECT_EQ(canStart(user.get(), ucModalityInstantMessage), VARIANT_FALSE);
    EXPECT_EQ(onlyRecordOf(L"Unable to get client user Jid").function, L"UCCContact::isClientUser");
}

TEST_F(UCCContactTest, AContactWithoutAddressIsNeverTheUser)
{
    ComPtr<IUCCContact> unresolved = unresolvedContact();
    host().answerEmpty(HostMethod::GetSigninName); // the host knows the user but gives no name
    VARIANT_BOOL answer = VARIANT_TRUE;
    EXPECT_EQ(unresolved->CanStart(ucModalityInstantMessage, &answer), S_OK);
    EXPECT_EQ(answer, VARIANT_FALSE);
}

TEST_F(UCCContactTest, FixedAndUnsupportedMembers)
{
    ComPtr<IUCCContact> bob = contactFor(kBob);
    ComPtr<IUCCContactManager> owner;
    EXPECT_EQ(bob->get_ContactManager(owner.out()), S_OK);
    EXPECT_TRUE(extensionsutils::sameComObject(owner.get(), manager.identity()));
    UnifiedCommunicationType type = ucUnifiedCommunicationUnknown;
    EXPECT_EQ(bob->get_UnifiedCommunicationType(&type), S_OK);
    EXPECT_EQ(type, ucUnifiedCommunicationEnabled);
    VARIANT_BOOL flag = VARIANT_TRUE;
    EXPECT_EQ(bob->CanMoveToGroup(nullptr, nullptr, &flag), S_OK);
    EXPECT_EQ(flag, VARIANT_FALSE);

    const VARIANT none = *Variant().get();
    IUCCGroupCollection* groups = nullptr;
    IUCCContactEndpoint* endpoint = nullptr;
    IUCCContactInformationDictionary* dictionary = nullptr;
    EXPECT_EQ(bob->get_CustomGroups(&groups), E_NOTIMPL);
    EXPECT_EQ(bob->MoveToGroup(nullptr, nullptr, nullptr, none, nullptr), E_NOTIMPL);
    EXPECT_EQ(bob->CreateContactEndpoint(Bstr(L"tel:+1").get(), &endpoint), E_NOTIMPL);
    EXPECT_EQ(bob->GetOrganizationInformation(static_cast<OrganizationStructureTypes>(0), nullptr, none, nullptr),
              E_NOTIMPL);
    SafeArray types = int32Array({ucPresenceAvailability});
    EXPECT_EQ(bob->GetMultipleContactInformation(types.get(), &dictionary), E_NOTIMPL);

    ComPtr<IUCCContact2> second = bob.as<IUCCContact2>();
    ASSERT_TRUE(second);
    flag = VARIANT_TRUE;
    EXPECT_EQ(second->IsAnonymous(&flag), S_OK);
    EXPECT_EQ(flag, VARIANT_FALSE);
    IUCCContact* raw = nullptr;
    SAFEARRAY* values = nullptr;
    EXPECT_EQ(second->SetAdditionalUris(nullptr), E_NOTIMPL);
    EXPECT_EQ(second->GetRawContactbyUri(Bstr(kBob).get(), &raw), E_NOTIMPL);
    EXPECT_EQ(second->BatchGetContactInformation2(1, &values), E_NOTIMPL);

    EXPECT_EQ(bob->get_ContactManager(nullptr), E_POINTER);
    EXPECT_EQ(bob->get_UnifiedCommunicationType(nullptr), E_POINTER);
    EXPECT_EQ(second->IsAnonymous(nullptr), E_POINTER);
}

TEST_F(UCCContactTest, ConstructionAndDestructionAreLogged)
{
    ComPtr<IUCCContact> bob = contactFor(kBob);
    std::vector<fakehost::LogRecord> contactRecords;
    for (const fakehost::LogRecord& record : host().logRecords())
        if (record.function == L"UCCContact::UCCContact") contactRecords.push_back(record);
    ASSERT_EQ(contactRecords.size(), 1u);
    const std::wstring address = contactRecords[0].message.substr(std::wstring(L"Constructor ").size());
    EXPECT_EQ(contactRecords[0].hostLevel, 4); // module level 1
    EXPECT_EQ(contactRecords[0].file, L"extensions/tavomessenger/IUCOfficeIntegration/UCCContact");
    bob.reset();
    EXPECT_EQ(onlyRecordOf(L"Destructor" + address).function, L"UCCContact::~UCCContact");
    EXPECT_EQ(host().contactSinkCount(kBob), 0u) << "the watching ended with the contact";
}
