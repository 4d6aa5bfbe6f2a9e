#include "IUCOfficeIntegration/UCCContactEndpoint.h"
#include "IUCOfficeIntegration/UCCContactInformationChangedEventData.h"
#include "IUCOfficeIntegration/UCCContactSettingChangedEventData.h"
#include "IUCOfficeIntegration/UCCContactSubscription.h"
#include "IUCOfficeIntegration/UCCLocaleString.h"

#include "ValuesFixture.h"

#include "extensionsutils/Bstr.h"

using extensionsutils::Bstr;
using extensionsutils::ComObject;
using extensionsutils::ComPtr;
using extensionsutils::MICComPtr;
using extensionsutils::SafeArray;
using extensionsutils::Variant;

using LocaleString = ValuesFixture;
using ContactEndpoint = ValuesFixture;
using InformationChangedEventData = ValuesFixture;
using SettingChangedEventData = ValuesFixture;
using ContactSubscription = ValuesFixture;

TEST_F(LocaleString, AnswersItsTextWithTheUnknownLocale)
{
    // Custom activity texts may hold any character, an embedded NUL included.
    const std::wstring text(L"In a meeting\0 until 3", 21);
    MICComPtr<UCCLocaleString> object = ComObject<UCCLocaleString>::create();
    object->setValue(text);
    ComPtr<IUCCLocaleString> localeString = object.as<IUCCLocaleString>();

    LONG locale = 0;
    EXPECT_EQ(localeString->get_LocaleId(&locale), S_OK);
    EXPECT_EQ(locale, -1);
    Bstr value;
    EXPECT_EQ(localeString->get_Value(value.out()), S_OK);
    EXPECT_EQ(value.str(), text);
}

TEST_F(ContactEndpoint, AWorkNumberAnswersItsTypeAndTheBareNumberAsNameAndAddress)
{
    ComPtr<IUCCContactEndpoint> endpoint =
        ComObject<UCCContactEndpoint>::create(L"+44 20 7946 0001", ucContactEndpointTypeWorkPhone).as<IUCCContactEndpoint>();

    ContactEndpointType type = ucContactEndpointTypeSip;
    EXPECT_EQ(endpoint->get_Type(&type), S_OK);
    EXPECT_EQ(type, 0);
    Bstr name;
    EXPECT_EQ(endpoint->get_DisplayName(name.out()), S_OK);
    EXPECT_EQ(name.str(), L"+44 20 7946 0001");
    Bstr uri;
    EXPECT_EQ(endpoint->get_Uri(uri.out()), S_OK);
    EXPECT_EQ(uri.str(), L"+44 20 7946 0001");
}

TEST_F(ContactEndpoint, CannotBeStartedAndRefusesNullOutputs)
{
    MICComPtr<UCCContactEndpoint> object = ComObject<UCCContactEndpoint>::create();
    object->setNumber(L"555");
    object->setType(ucContactEndpointTypeHomePhone);
    ComPtr<IUCCContactEndpoint> endpoint = object.as<IUCCContactEndpoint>();

    VARIANT_BOOL canStart = VARIANT_TRUE;
    EXPECT_EQ(endpoint->CanStart(ucModalityAudioVideo, &canStart), E_NOTIMPL);
    EXPECT_EQ(canStart, VARIANT_FALSE);
    EXPECT_EQ(endpoint->CanStart(ucModalityAudioVideo, nullptr), E_NOTIMPL);
    ContactEndpointType type = ucContactEndpointTypeSip;
    EXPECT_EQ(endpoint->get_Type(&type), S_OK);
    EXPECT_EQ(type, ucContactEndpointTypeHomePhone);
    EXPECT_EQ(endpoint->get_Type(nullptr), E_POINTER);
    EXPECT_EQ(endpoint->get_DisplayName(nullptr), E_POINTER);
    EXPECT_EQ(endpoint->get_Uri(nullptr), E_POINTER);
}

TEST_F(InformationChangedEventData, ANewOneAnswersAnEmptyArray)
{
    MICComPtr<UCCContactInformationChangedEventData> data = ComObject<UCCContactInformationChangedEventData>::create();

    EXPECT_EQ(data->count(), 0u);
    SAFEARRAY* types = nullptr;
    ASSERT_EQ(data.as<IUCCContactInformationChangedEventData>()->get_ChangedContactInformation(&types), S_OK);
    EXPECT_TRUE(takeInt32s(types).empty());
}

TEST_F(InformationChangedEventData, AnswersTypesInTheOrderAppendedRepeatsIncluded)
{
    MICComPtr<UCCContactInformationChangedEventData> data = ComObject<UCCContactInformationChangedEventData>::create();
    for (ContactInformationType type : {ucPresenceAvailability, ucPresenceActivityId, ucPresenceCustomActivity,
                                        ucPresenceActivity, ucPresenceDisplayName, ucPresenceAvailability}) {
        data->append(type);
    }
    ComPtr<IUCCContactInformationChangedEventData> eventData = data.as<IUCCContactInformationChangedEventData>();

    EXPECT_EQ(data->count(), 6u);
    SAFEARRAY* types = nullptr;
    ASSERT_EQ(eventData->get_ChangedContactInformation(&types), S_OK);
    EXPECT_EQ(takeInt32s(types), (std::vector<LONG>{0, 1, 8, 7, 10, 0}));
    // Each answer is a new array: the first one's destruction leaves the next one whole.
    ASSERT_EQ(eventData->get_ChangedContactInformation(&types), S_OK);
    EXPECT_EQ(takeInt32s(types).size(), 6u);
    EXPECT_EQ(eventData->get_ChangedContactInformation(nullptr), E_POINTER);
}

TEST_F(SettingChangedEventData, AnswersTheSettingAndACopyOfItsValue)
{
    MICComPtr<UCCContactSettingChangedEventData> data = ComObject<UCCContactSettingChangedEventData>::create();
    data->setSetting(ucContactTagged);
    Variant tagged = Variant::fromBool(true);
    ASSERT_EQ(data->setValue(*tagged.get()), S_OK);
    ComPtr<IUCCContactSettingChangedEventData> eventData = data.as<IUCCContactSettingChangedEventData>();

    ContactSetting setting = ucContactAccessLevel;
    EXPECT_EQ(eventData->get_Setting(&setting), S_OK);
    EXPECT_EQ(setting, ucContactTagged);
    Variant value;
    EXPECT_EQ(eventData->get_Value(value.out()), S_OK);
    EXPECT_EQ(value.type(), VT_BOOL);
    EXPECT_EQ(value.get()->boolVal, VARIANT_TRUE);
    EXPECT_EQ(eventData->get_Setting(nullptr), E_POINTER);
    EXPECT_EQ(eventData->get_Value(nullptr), E_POINTER);
}

TEST_F(SettingChangedEventData, AValueThatCannotBeCopiedIsRefusedAndTheHeldOneStays)
{
    MICComPtr<UCCContactSettingChangedEventData> data = ComObject<UCCContactSettingChangedEventData>::create();
    ASSERT_EQ(data->setValue(*Variant::fromBool(false).get()), S_OK);
    VARIANT broken;
    VariantInit(&broken);
    broken.vt = 0x7FFF; // no such type

    EXPECT_HRESULT_FAILED(data->setValue(broken));
    Variant value;
    EXPECT_EQ(data->get_Value(value.out()), S_OK);
    EXPECT_EQ(value.type(), VT_BOOL);
    EXPECT_EQ(value.get()->boolVal, VARIANT_FALSE);
}

TEST_F(ContactSubscription, AcceptsEverySubscriptionRequestWithoutReadingIt)
{
    ComPtr<IUCCContactSubscription> subscription = ComObject<UCCContactSubscription>::create().as<IUCCContactSubscription>();
    SafeArray types = SafeArray::ofInt32s({0, 10});
    SafeArray strings = SafeArray::ofStrings({L"not a type"});
    SafeArray twoDimensions;
    SAFEARRAYBOUND bounds[2] = {{2, 0}, {2, 0}};
    twoDimensions.attach(SafeArrayCreate(VT_I4, 2, bounds));

    EXPECT_EQ(subscription->Subscribe(ucSubscriptionRefreshRateHigh, types.get()), S_OK);
    EXPECT_EQ(subscription->Subscribe(ucSubscriptionRefreshRateLow, nullptr), S_OK);
    EXPECT_EQ(subscription->Subscribe(ucSubscriptionRefreshRateLow, strings.get()), S_OK);
    EXPECT_EQ(subscription->Subscribe(ucSubscriptionRefreshRateLow, twoDimensions.get()), S_OK);
    EXPECT_EQ(subscription->Unsubscribe(), S_OK);
    EXPECT_EQ(subscription->AddContact(nullptr), S_OK);
    EXPECT_EQ(subscription->RemoveContact(nullptr), S_OK);
}

TEST_F(ContactSubscription, AnswersNoContactsAndTakesNoneByAddressOrArray)
{
    ComPtr<IUCCContactSubscription> subscription = ComObject<UCCContactSubscription>::create().as<IUCCContactSubscription>();
    SafeArray strings = SafeArray::ofStrings({L"sip:alice@example.com"});

    SAFEARRAY* contacts = reinterpret_cast<SAFEARRAY*>(1);
    EXPECT_EQ(subscription->get_Contacts(&contacts), E_NOTIMPL);
    EXPECT_EQ(contacts, nullptr);
    EXPECT_EQ(subscription->get_Contacts(nullptr), E_NOTIMPL);
    SAFEARRAY* types = reinterpret_cast<SAFEARRAY*>(1);
    EXPECT_EQ(subscription->get_LastSubscribedContactInformation(&types), E_NOTIMPL);
    EXPECT_EQ(types, nullptr);
    ContactSubscriptionRefreshRate rate = ucSubscriptionRefreshRateHigh;
    EXPECT_EQ(subscription->get_LastSubscribedRefreshRate(&rate), E_NOTIMPL);
    EXPECT_EQ(subscription->AddContactByUri(nullptr), E_NOTIMPL);
    EXPECT_EQ(subscription->AddContacts(nullptr), E_NOTIMPL);
    EXPECT_EQ(subscription->AddContacts(strings.get()), E_NOTIMPL);
}
