// Office 2013/2016 reaches the UC objects late-bound (ITypeInfo::Invoke into the same vtable slots): the
// connection sequence Office runs for the people of a mail, the members it refuses, and the value objects
// whose interfaces order their slots differently.

#include "IUCOfficeIntegration/UCCAsynchronousOperation.h"
#include "IUCOfficeIntegration/UCCAutomation.h"
#include "IUCOfficeIntegration/UCCContactEndpoint.h"
#include "IUCOfficeIntegration/UCCContactInformationDictionary.h"
#include "IUCOfficeIntegration/UCCContactSettingsDictionary.h"
#include "IUCOfficeIntegration/UCCContactSubscription.h"
#include "IUCOfficeIntegration/UCCLocaleString.h"
#include "IUCOfficeIntegration/UCCLyncClient.h"

#include "UcFixture.h"

namespace {

const WORD get = DISPATCH_PROPERTYGET;
const WORD method = DISPATCH_METHOD;

class LateBound : public UcFixture {
protected:
    // The member's value, which must have succeeded.
    static Variant call(IDispatch* object, const wchar_t* name, WORD flags, const std::vector<Variant>& arguments = {})
    {
        LateBoundResult result = callByName(object, name, flags, arguments);
        EXPECT_EQ(result.invoke, S_OK) << extensionsutils::toUtf8(name);
        return std::move(result.value);
    }

    static ComPtr<IDispatch> object(const Variant& value)
    {
        EXPECT_EQ(value.type(), VT_DISPATCH);
        return value.type() == VT_DISPATCH ? ComPtr<IDispatch>(value.get()->pdispVal) : nullptr;
    }

    // Availability, activity, custom activity, name, addresses and endpoint count, as a contact card shows them.
    static std::wstring card(IDispatch* contact)
    {
        auto information = [&](LONG type) { return call(contact, L"GetContactInformation", method, {Variant::fromInt32(type)}); };
        const auto custom = elementsOf<ComPtr<IDispatch>>(information(ucPresenceCustomActivity), VT_DISPATCH);
        return std::to_wstring(information(ucPresenceAvailability).get()->lVal) + L"|" + textOf(information(ucPresenceActivity))
            + L"|" + (custom.size() == 1 ? textOf(call(custom[0].get(), L"Value", get)) : L"?") + L"|"
            + textOf(information(ucPresenceDisplayName)) + L"|"
            + elementsOf<std::wstring>(information(ucPresenceInstantMessageAddresses), VT_BSTR).at(0) + L"|"
            + std::to_wstring(elementsOf<ComPtr<IDispatch>>(information(ucPresenceContactEndpoints), VT_DISPATCH).size());
    }

    static VARIANT_BOOL canStart(IDispatch* contact, LONG modalities)
    {
        return call(contact, L"CanStart", method, {Variant::fromInt32(modalities)}).get()->boolVal;
    }
};

TEST_F(LateBound, TheOfficeSequenceForAMailHeaderWithTheUserAndAColleague)
{
    MICComPtr<UCCLyncClient> clientObject = UCCLyncClient::create();
    clientObject->initialise(worker, resolver);
    ComPtr<IDispatch> client = clientObject.as<IDispatch>();
    EXPECT_EQ(call(client.get(), L"State", get).get()->lVal, ucClientStateSignedIn);
    EXPECT_EQ(call(client.get(), L"Type", get).get()->lVal, ucClientTypeUC);
    EXPECT_EQ(textOf(call(client.get(), L"Uri", get)), kUser);
    ComPtr<IDispatch> clientManager = object(call(client.get(), L"ContactManager", get));
    ComPtr<IDispatch> self = object(call(object(call(client.get(), L"Self", get)).get(), L"Contact", get));
    EXPECT_TRUE(extensionsutils::sameComObject(object(call(self.get(), L"ContactManager", get)).get(), clientManager.get()));

    ComPtr<IDispatch> contacts = manager.as<IDispatch>();
    ComPtr<IDispatch> bob = object(call(contacts.get(), L"GetContactByUri", method, {Variant::fromString(kBob)}));
    adviseSink(bob.get());
    EXPECT_EQ(canStart(self.get(), ucModalityInstantMessage), VARIANT_TRUE);
    EXPECT_EQ(canStart(self.get(), ucModalityAudioVideo), VARIANT_TRUE);
    EXPECT_EQ(canStart(bob.get(), ucModalityInstantMessage), VARIANT_FALSE);
    EXPECT_EQ(card(self.get()), L"3500|Available|Available|Alice Liddell|alice@example.com|2");
    EXPECT_EQ(card(bob.get()), L"9500|Do not disturb|Do not disturb|Bob Builder|bob@example.com|4");

    ComPtr<IDispatch> subscription = object(call(contacts.get(), L"CreateSubscription", method));
    call(subscription.get(), L"AddContact", method, {Variant::fromDispatch(self.get())});
    call(subscription.get(), L"AddContact", method, {Variant::fromDispatch(bob.get())});
    const Int32s types = {ucPresenceAvailability, ucPresenceActivity, ucPresenceCustomActivity, ucPresenceDisplayName};
    call(subscription.get(), L"Subscribe", method, {Variant::fromInt32(1), arrayArgument(int32Array(types))});
    ComPtr<IDispatch> batch = object(call(bob.get(), L"BatchGetContactInformation", method, {arrayArgument(int32Array(types))}));
    EXPECT_EQ(call(batch.get(), L"Count", get).get()->lVal, 4);

    // Bob becomes available: Office hears it in the module's multithreaded apartment and reads the new value.
    host().setPresence(kBob, 1, L"Available");
    host().fireContactChanged(kBob, {4});
    runOnWorker([] {});
    const std::vector<OfficeEvent> events = journal->events();
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].apartment, "MTA");
    EXPECT_EQ(textOf(call(events[0].arguments[0].get()->pdispVal, L"Uri", get)), L"sip:bob@example.com");
    EXPECT_EQ(call(bob.get(), L"GetContactInformation", method, {Variant::fromInt32(ucPresenceAvailability)}).get()->lVal, 3500);

    // The tag on the contact card; the callback, state and operation may be left out.
    ComPtr<IDispatch> settings = object(call(bob.get(), L"Settings", get));
    EXPECT_EQ(call(settings.get(), L"Item", get, {Variant::fromInt32(ucContactTagged)}).get()->boolVal, VARIANT_TRUE);
    EXPECT_EQ(call(bob.get(), L"CanChangeSetting", method, {Variant::fromInt32(ucContactTagged)}).get()->boolVal, VARIANT_TRUE);
    call(bob.get(), L"ChangeSetting", method, {Variant::fromInt32(ucContactTagged), Variant::fromBool(false)});
    EXPECT_EQ(host().tagRequests(), (std::vector<std::pair<std::wstring, long>>{{kBob, 0}}));

    // A colleague known only by mail address.
    auto callback = FakeOfficeSink::create(DIID__IUCCContactsAndGroupsCallback, journal);
    host().setResolutionAnswer(L"bob.builder@mail.example.com", kBob);
    ComPtr<IDispatch> operation = object(call(contacts.get(), L"Lookup", method,
                                              {Variant::fromString(L"bob.builder@mail.example.com"),
                                               Variant::fromUnknown(callback.get()), Variant()}));
    host().answerPendingResolutions();
    settleWorker();
    EXPECT_EQ(call(operation.get(), L"IsCompleted", get).get()->boolVal, VARIANT_TRUE);
    EXPECT_EQ(journal->count(), 2u);
    EXPECT_EQ(host().openReadTransactions(), 0u);
    clientObject->disconnect();
}

// Members left to the host client or not offered answer E_NOTIMPL through Invoke.
TEST_F(LateBound, MembersNotOfferedAnswerNotImplemented)
{
    MICComPtr<UCCLyncClient> clientObject = UCCLyncClient::create();
    ComPtr<IDispatch> client = clientObject.as<IDispatch>();
    ComPtr<IUCCClient2> client2 = clientObject.as<IUCCClient2>();
    ComPtr<IDispatch> self = object(call(client.get(), L"Self", get));
    ComPtr<IUCCSelf2> self2 = self.as<IUCCSelf2>();
    ComPtr<IDispatch> contacts = manager.as<IDispatch>();
    ComPtr<IDispatch> bob = contactFor(kBob).as<IDispatch>();
    ComPtr<IUCCContact2> bob2 = bob.as<IUCCContact2>();
    ComPtr<IDispatch> automation = ComObject<UCCAutomation>::create().as<IDispatch>();
    ComPtr<IDispatch> subscription = ComObject<UCCContactSubscription>::create().as<IDispatch>();
    ComPtr<IDispatch> operation = ComObject<UCCAsynchronousOperation>::create().as<IDispatch>();
    ComPtr<IDispatch> endpoint = ComObject<UCCContactEndpoint>::create().as<IDispatch>();
    const Variant text = Variant::fromString(L"x");
    const Variant zero = Variant::fromInt32(0);
    const Variant nothing = Variant::fromUnknown(nullptr);
    struct Row {
        IDispatch* object;
        const wchar_t* name;
        WORD flags;
        std::vector<Variant> arguments;
    };
    const Row rows[] = {
        {client.get(), L"Signin", method, {}}, {client2.get(), L"RoomManager", get, {}},
        {self.get(), L"CanSetPhone", method, {Variant::fromInt32(1)}},
        {self2.get(), L"GetAlertLevelForNotification", method, {text, zero, zero}},
        {contacts.get(), L"Groups", get, {}}, {contacts.get(), L"Search", method, {text}},
        {contacts.get(), L"RemoveContactFromAllGroups", method, {nothing}},
        {bob.get(), L"GetMultipleContactInformation", method, {arrayArgument(int32Array({0}))}},
        {bob.get(), L"GetContactInformation", method, {Variant::fromInt32(ucPresenceTitle)}},
        {bob.get(), L"ChangeSetting", method, {zero, Variant::fromBool(true)}},
        {bob2.get(), L"SetAdditionalUris", method, {arrayArgument(SafeArray::ofStrings({L"sip:b@example.com"}))}},
        {bob2.get(), L"GetRawContactbyUri", method, {text}},
        {automation.get(), L"LaunchAddContactWizard", method, {}}, {automation.get(), L"JoinConference", method, {text}},
        {subscription.get(), L"LastSubscribedRefreshRate", get, {}},
        {operation.get(), L"AsyncState", get, {}}, {endpoint.get(), L"CanStart", method, {zero}},
    };
    for (const Row& row : rows)
        EXPECT_EQ(callByName(row.object, row.name, row.flags, row.arguments).member, E_NOTIMPL) << extensionsutils::toUtf8(row.name);
}

TEST_F(LateBound, EachValueObjectAnswersFromItsOwnSlots)
{
    MICComPtr<UCCContactInformationDictionary> information = ComObject<UCCContactInformationDictionary>::create();
    information->add(ucPresenceDisplayName, *Variant::fromString(L"Alice").get());
    information->add(ucPresenceAvailability, *Variant::fromInt32(3500).get());
    MICComPtr<UCCContactSettingsDictionary> settings = ComObject<UCCContactSettingsDictionary>::create();
    settings->add(ucContactWorkPhoneEndpoint, *Variant::fromInt32(7).get());
    settings->add(ucContactTagged, *Variant::fromString(L"tag").get());
    for (IDispatch* dictionary : {information.as<IDispatch>().get(), settings.as<IDispatch>().get()}) {
        const bool isSettings = dictionary == settings.as<IDispatch>().get();
        SCOPED_TRACE(isSettings ? "settings" : "information");
        const LONG lastKey = isSettings ? ucContactTagged : ucPresenceDisplayName;
        EXPECT_EQ(elementsOf<LONG>(call(dictionary, L"Keys", get), VT_I4), (Int32s{0, lastKey}));
        EXPECT_EQ(elementsOf<Variant>(call(dictionary, L"Values", get), VT_VARIANT).size(), 2u);
        EXPECT_EQ(call(dictionary, L"Count", get).get()->lVal, 2);
        EXPECT_EQ(call(dictionary, L"Item", get, {Variant::fromInt32(lastKey)}).type(), VT_BSTR);
        EXPECT_EQ(call(dictionary, L"GetKeyAt", method, {Variant::fromInt32(1)}).get()->lVal, lastKey);
        EXPECT_EQ(call(dictionary, L"GetValueAt", method, {Variant::fromInt32(1)}).type(), isSettings ? VT_BSTR : VT_I4)
            << "values in the order of adding";
        EXPECT_EQ(call(dictionary, L"ContainsKey", method, {Variant::fromInt32(7)}).get()->boolVal, VARIANT_FALSE);
        Variant found;
        EXPECT_EQ(call(dictionary, L"TryGetValue", method, {Variant::fromInt32(lastKey), byReference(found.get())}).get()->boolVal,
                  VARIANT_TRUE);
        EXPECT_EQ(found.type(), VT_BSTR);
        EXPECT_EQ(callByName(dictionary, L"GetKeyAt", method, {Variant::fromInt32(2)}).member, E_FAIL);
    }

    const std::wstring withNul(L"In a meeting\0 until 3", 21);
    EXPECT_EQ(textOf(call(ComObject<UCCLocaleString>::create(withNul).as<IDispatch>().get(), L"Value", get)), withNul);

    MICComPtr<UCCAsynchronousOperation> asynchronous = ComObject<UCCAsynchronousOperation>::create();
    ComPtr<IDispatch> operation = asynchronous.as<IDispatch>();
    EXPECT_EQ(call(operation.get(), L"IsCompleted", get).get()->boolVal, VARIANT_FALSE);
    asynchronous->complete(true);
    EXPECT_EQ(call(operation.get(), L"IsSucceeded", get).get()->boolVal, VARIANT_TRUE);
    call(operation.get(), L"CancelOperation", method);
    EXPECT_TRUE(asynchronous->isCancelled());
}

} // namespace
