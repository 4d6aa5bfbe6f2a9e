#include "IUCOfficeIntegration/UCCAsynchronousOperation.h"
#include "IUCOfficeIntegration/UCCContactEndpoint.h"
#include "IUCOfficeIntegration/UCCContactInformationChangedEventData.h"
#include "IUCOfficeIntegration/UCCContactInformationDictionary.h"
#include "IUCOfficeIntegration/UCCContactSettingChangedEventData.h"
#include "IUCOfficeIntegration/UCCContactSettingsDictionary.h"
#include "IUCOfficeIntegration/UCCContactSubscription.h"
#include "IUCOfficeIntegration/UCCLocaleString.h"

#include "support/LateBoundCall.h"
#include "ValuesFixture.h"

#include "support/TypeLibraryRegistration.h"

#include <utility>

using extensionsutils::ComObject;
using extensionsutils::ComPtr;
using extensionsutils::MICComPtr;
using extensionsutils::SafeArray;
using extensionsutils::Variant;

namespace {

const WORD get = DISPATCH_PROPERTYGET;
const WORD method = DISPATCH_METHOD;

// Office reaches these objects late-bound: IDispatch answered from the registered type library.
class LateBinding : public ValuesFixture {
protected:
    void SetUp() override
    {
        ValuesFixture::SetUp();
        ASSERT_EQ(registerTypeLibraryForMarshaling(besideThisProgram(L"TavoMessengerLib.tlb")), S_OK);
    }

    static void expectDispatchIds(IDispatch* object, const std::vector<std::pair<const wchar_t*, DISPID>>& members)
    {
        for (const auto& member : members) {
            EXPECT_EQ(dispatchIdOf(object, member.first), member.second) << extensionsutils::toUtf8(member.first);
        }
    }

    static std::vector<LONG> int32Array(const Variant& value)
    {
        EXPECT_EQ(value.type(), VT_ARRAY | VT_I4);
        if (value.type() != (VT_ARRAY | VT_I4)) return {};
        SAFEARRAY* copy = nullptr;
        SafeArrayCopy(value.get()->parray, &copy);
        return takeInt32s(copy);
    }

    static ComPtr<IDispatch> informationDictionary()
    {
        MICComPtr<UCCContactInformationDictionary> dictionary = ComObject<UCCContactInformationDictionary>::create();
        dictionary->add(ucPresenceDisplayName, *Variant::fromString(L"Alice").get());
        dictionary->add(ucPresenceAvailability, *Variant::fromInt32(3500).get());
        return dictionary.as<IDispatch>();
    }
};

} // namespace

TEST_F(LateBinding, EveryObjectAnswersTheDispatchIdentifiersOfItsOwnInterface)
{
    expectDispatchIds(informationDictionary().get(),
                      {{L"Values", 0x60020000}, {L"Count", 0x60020001}, {L"Item", 0}, {L"Keys", 0x60020003},
                       {L"TryGetValue", 0x60020004}, {L"GetKeyAt", 0x60020005}, {L"GetValueAt", 0x60020006},
                       {L"ContainsKey", 0x60020007}});
    expectDispatchIds(ComObject<UCCContactSettingsDictionary>::create().as<IDispatch>().get(),
                      {{L"Keys", 0x60020000}, {L"Values", 0x60020001}, {L"TryGetValue", 0x60020002}, {L"Item", 0},
                       {L"GetKeyAt", 0x60020004}, {L"GetValueAt", 0x60020005}, {L"ContainsKey", 0x60020006},
                       {L"Count", 0x60020007}});
    expectDispatchIds(ComObject<UCCContactEndpoint>::create().as<IDispatch>().get(),
                      {{L"Type", 0x60020000}, {L"DisplayName", 0x60020001}, {L"Uri", 0x60020002},
                       {L"CanStart", 0x60020003}});
    expectDispatchIds(ComObject<UCCLocaleString>::create().as<IDispatch>().get(),
                      {{L"LocaleId", 0x60020000}, {L"Value", 0x60020001}});
    expectDispatchIds(ComObject<UCCContactInformationChangedEventData>::create().as<IDispatch>().get(),
                      {{L"ChangedContactInformation", 0x60020000}});
    expectDispatchIds(ComObject<UCCContactSettingChangedEventData>::create().as<IDispatch>().get(),
                      {{L"Setting", 0x60020000}, {L"Value", 0x60020001}});
    expectDispatchIds(ComObject<UCCContactSubscription>::create().as<IDispatch>().get(),
                      {{L"Subscribe", 0x60020000}, {L"Unsubscribe", 0x60020001}, {L"AddContact", 0x60020002},
                       {L"RemoveContact", 0x60020003}, {L"LastSubscribedRefreshRate", 0x60020004},
                       {L"LastSubscribedContactInformation", 0x60020005}, {L"Contacts", 0x60020006},
                       {L"AddContactByUri", 0x60020007}, {L"AddContacts", 0x60020008}});
    expectDispatchIds(ComObject<UCCAsynchronousOperation>::create().as<IDispatch>().get(),
                      {{L"AsyncState", 0x60020000}, {L"StatusCode", 0x60020001}, {L"IsCompleted", 0x60020002},
                       {L"IsSucceeded", 0x60020003}, {L"IsCancelable", 0x60020004}, {L"DiagnosticCode", 0x60020005},
                       {L"CancelOperation", 0x60020006}});
}

TEST_F(LateBinding, InformationDictionaryAnswersEveryMember)
{
    ComPtr<IDispatch> dictionary = informationDictionary();

    LateBoundResult count = callByName(dictionary.get(), L"Count", get);
    EXPECT_EQ(count.invoke, S_OK);
    EXPECT_EQ(count.value.get()->lVal, 2);
    LateBoundResult item = callByName(dictionary.get(), L"Item", get, {Variant::fromInt32(ucPresenceDisplayName)});
    EXPECT_EQ(item.invoke, S_OK);
    EXPECT_EQ(textOf(item.value), L"Alice");
    EXPECT_EQ(int32Array(callByName(dictionary.get(), L"Keys", get).value), (std::vector<LONG>{0, 10}));
    LateBoundResult values = callByName(dictionary.get(), L"Values", get);
    ASSERT_EQ(values.value.type(), VT_ARRAY | VT_VARIANT);
    SAFEARRAY* valuesCopy = nullptr;
    ASSERT_EQ(SafeArrayCopy(values.value.get()->parray, &valuesCopy), S_OK);
    std::vector<Variant> valueList = takeVariants(valuesCopy);
    ASSERT_EQ(valueList.size(), 2u);
    EXPECT_EQ(textOf(valueList[0]), L"Alice");
    EXPECT_EQ(valueList[1].get()->lVal, 3500);

    Variant found;
    LateBoundResult tried = callByName(dictionary.get(), L"TryGetValue", method,
                                       {Variant::fromInt32(ucPresenceAvailability), byReference(found.get())});
    EXPECT_EQ(tried.invoke, S_OK);
    EXPECT_EQ(tried.value.get()->boolVal, VARIANT_TRUE);
    EXPECT_EQ(found.type(), VT_I4);
    EXPECT_EQ(found.get()->lVal, 3500);
    LateBoundResult keyAt = callByName(dictionary.get(), L"GetKeyAt", method, {Variant::fromInt32(1)});
    EXPECT_EQ(keyAt.invoke, S_OK);
    EXPECT_EQ(keyAt.value.get()->lVal, 10);
    LateBoundResult valueAt = callByName(dictionary.get(), L"GetValueAt", method, {Variant::fromInt32(1)});
    EXPECT_EQ(valueAt.value.get()->lVal, 3500);
    LateBoundResult contains = callByName(dictionary.get(), L"ContainsKey", method, {Variant::fromInt32(7)});
    EXPECT_EQ(contains.invoke, S_OK);
    EXPECT_EQ(contains.value.get()->boolVal, VARIANT_FALSE);
}

TEST_F(LateBinding, InformationDictionaryFailuresReachTheCallerAsTheirCodes)
{
    ComPtr<IDispatch> dictionary = informationDictionary();

    EXPECT_EQ(callByName(dictionary.get(), L"Item", get, {Variant::fromInt32(ucPresenceTitle)}).member, E_FAIL);
    EXPECT_EQ(callByName(dictionary.get(), L"GetKeyAt", method, {Variant::fromInt32(2)}).member, E_FAIL);
    EXPECT_EQ(callByName(dictionary.get(), L"GetValueAt", method, {Variant::fromInt32(-1)}).member, E_FAIL);
    Variant found = Variant::fromInt32(1);
    LateBoundResult tried = callByName(dictionary.get(), L"TryGetValue", method,
                                       {Variant::fromInt32(ucPresenceTitle), byReference(found.get())});
    EXPECT_EQ(tried.invoke, S_OK);
    EXPECT_EQ(tried.value.get()->boolVal, VARIANT_FALSE);
    EXPECT_TRUE(found.isEmpty());
}

TEST_F(LateBinding, SettingsDictionaryAnswersEachMemberFromItsOwnSlot)
{
    MICComPtr<UCCContactSettingsDictionary> settings = ComObject<UCCContactSettingsDictionary>::create();
    settings->add(ucContactTagged, *Variant::fromBool(true).get());
    settings->add(ucContactWorkPhoneEndpoint, *Variant::fromString(L"work").get());
    ComPtr<IDispatch> dictionary = settings.as<IDispatch>();

    EXPECT_EQ(int32Array(callByName(dictionary.get(), L"Keys", get).value), (std::vector<LONG>{0, 0x10000000}));
    EXPECT_EQ(callByName(dictionary.get(), L"Values", get).value.type(), VT_ARRAY | VT_VARIANT);
    EXPECT_EQ(callByName(dictionary.get(), L"Count", get).value.get()->lVal, 2);
    EXPECT_EQ(callByName(dictionary.get(), L"Item", get, {Variant::fromInt32(ucContactTagged)}).value.get()->boolVal,
              VARIANT_TRUE);
    EXPECT_EQ(callByName(dictionary.get(), L"GetKeyAt", method, {Variant::fromInt32(1)}).value.get()->lVal,
              0x10000000);
    EXPECT_EQ(textOf(callByName(dictionary.get(), L"GetValueAt", method, {Variant::fromInt32(1)}).value), L"work");
    EXPECT_EQ(callByName(dictionary.get(), L"ContainsKey", method, {Variant::fromInt32(ucContactTagged)})
                  .value.get()->boolVal,
              VARIANT_TRUE);
    Variant found;
    LateBoundResult tried = callByName(dictionary.get(), L"TryGetValue", method,
                                       {Variant::fromInt32(ucContactWorkPhoneEndpoint), byReference(found.get())});
    EXPECT_EQ(tried.value.get()->boolVal, VARIANT_TRUE);
    EXPECT_EQ(textOf(found), L"work");
}

TEST_F(LateBinding, EndpointAndLocaleStringAnswerEveryMember)
{
    ComPtr<IDispatch> endpoint =
        ComObject<UCCContactEndpoint>::create(L"+1 555 0101", ucContactEndpointTypeMobilePhone).as<IDispatch>();
    ComPtr<IDispatch> localeString = ComObject<UCCLocaleString>::create(L"Out to lunch").as<IDispatch>();

    EXPECT_EQ(callByName(endpoint.get(), L"Type", get).value.get()->lVal, ucContactEndpointTypeMobilePhone);
    EXPECT_EQ(textOf(callByName(endpoint.get(), L"DisplayName", get).value), L"+1 555 0101");
    EXPECT_EQ(textOf(callByName(endpoint.get(), L"Uri", get).value), L"+1 555 0101");
    EXPECT_EQ(callByName(endpoint.get(), L"CanStart", method, {Variant::fromInt32(ucModalityAudioVideo)}).member,
              E_NOTIMPL);
    EXPECT_EQ(callByName(localeString.get(), L"LocaleId", get).value.get()->lVal, -1);
    EXPECT_EQ(textOf(callByName(localeString.get(), L"Value", get).value), L"Out to lunch");
}

TEST_F(LateBinding, EventDataAnswerEveryMember)
{
    MICComPtr<UCCContactInformationChangedEventData> changed = ComObject<UCCContactInformationChangedEventData>::create();
    changed->append(ucPresenceDisplayName);
    changed->append(ucPresenceContactEndpoints);
    MICComPtr<UCCContactSettingChangedEventData> setting = ComObject<UCCContactSettingChangedEventData>::create();
    setting->setSetting(ucContactTagged);
    setting->setValue(*Variant::fromBool(false).get());

    EXPECT_EQ(int32Array(callByName(changed.as<IDispatch>().get(), L"ChangedContactInformation", get).value),
              (std::vector<LONG>{10, 27}));
    EXPECT_EQ(callByName(setting.as<IDispatch>().get(), L"Setting", get).value.get()->lVal, ucContactTagged);
    LateBoundResult value = callByName(setting.as<IDispatch>().get(), L"Value", get);
    EXPECT_EQ(value.value.type(), VT_BOOL);
    EXPECT_EQ(value.value.get()->boolVal, VARIANT_FALSE);
}

// Contacts and AddContacts take arrays of contact pointers, which Wine's late binding refuses before the
// object is reached (DISP_E_BADVARTYPE); they are covered through the vtable.
TEST_F(LateBinding, SubscriptionAcceptsRequestsAndRefusesWhatItDoesNotKeep)
{
    ComPtr<IDispatch> subscription = ComObject<UCCContactSubscription>::create().as<IDispatch>();
    Variant types = Variant::fromSafeArray(SafeArray::ofInt32s({0, 10}).detach());
    Variant noContact = Variant::fromDispatch(nullptr);

    EXPECT_EQ(callByName(subscription.get(), L"Subscribe", method,
                         {Variant::fromInt32(ucSubscriptionRefreshRateHigh), types})
                  .invoke,
              S_OK);
    EXPECT_EQ(callByName(subscription.get(), L"Unsubscribe", method).invoke, S_OK);
    EXPECT_EQ(callByName(subscription.get(), L"AddContact", method, {noContact}).invoke, S_OK);
    EXPECT_EQ(callByName(subscription.get(), L"RemoveContact", method, {noContact}).invoke, S_OK);
    EXPECT_EQ(callByName(subscription.get(), L"LastSubscribedRefreshRate", get).member, E_NOTIMPL);
    EXPECT_EQ(callByName(subscription.get(), L"LastSubscribedContactInformation", get).member, E_NOTIMPL);
    EXPECT_EQ(callByName(subscription.get(), L"AddContactByUri", method, {Variant::fromString(L"sip:a@b")}).member,
              E_NOTIMPL);
}

TEST_F(LateBinding, AsynchronousOperationAnswersEveryMember)
{
    MICComPtr<UCCAsynchronousOperation> object = ComObject<UCCAsynchronousOperation>::create();
    ComPtr<IDispatch> operation = object.as<IDispatch>();

    EXPECT_EQ(callByName(operation.get(), L"AsyncState", get).member, E_NOTIMPL);
    EXPECT_EQ(callByName(operation.get(), L"StatusCode", get).value.get()->lVal, 0);
    EXPECT_EQ(callByName(operation.get(), L"DiagnosticCode", get).value.get()->lVal, 0);
    EXPECT_EQ(callByName(operation.get(), L"IsCancelable", get).value.get()->boolVal, VARIANT_TRUE);
    EXPECT_EQ(callByName(operation.get(), L"IsCompleted", get).value.get()->boolVal, VARIANT_FALSE);
    object->complete(true);
    EXPECT_EQ(callByName(operation.get(), L"IsCompleted", get).value.get()->boolVal, VARIANT_TRUE);
    EXPECT_EQ(callByName(operation.get(), L"IsSucceeded", get).value.get()->boolVal, VARIANT_TRUE);
    EXPECT_EQ(callByName(operation.get(), L"CancelOperation", method).invoke, S_OK);
    EXPECT_TRUE(object->isCancelled());
}
