// The client object Office 2013/2016 gets from GetInterface, reached late-bound as Office calls it (the
// connection sequence for the people of a mail, the members it refuses), the state event, StartConversation
// and its argument parser, and the value objects: both dictionaries and the asynchronous operation.

#include "IUCOfficeIntegration/AsynchronousOperationWorker.h"
#include "IUCOfficeIntegration/StartConversationInputParser.h"
#include "IUCOfficeIntegration/values/UCCAsynchronousOperation.h"
#include "IUCOfficeIntegration/UCCAutomation.h"
#include "IUCOfficeIntegration/values/UCCContactEndpoint.h"
#include "IUCOfficeIntegration/values/UCCContactInformationDictionary.h"
#include "IUCOfficeIntegration/values/UCCContactSettingChangedEventData.h"
#include "IUCOfficeIntegration/values/UCCContactSettingsDictionary.h"
#include "IUCOfficeIntegration/UCCContactSubscription.h"
#include "IUCOfficeIntegration/values/UCCLocaleString.h"
#include "IUCOfficeIntegration/UCCLyncClient.h"

#include "UcFixture.h"

#include <chrono>
#include <climits>
#include <future>
#include <thread>

using extensionsutils::DispatchParameters;
using fakehost::ConversationKind;

namespace {

const WORD get = DISPATCH_PROPERTYGET;
const WORD method = DISPATCH_METHOD;
const LONG kSubject = uiaConversationContextSubject;
const LONG kEndpoint = uiaConversationContextRemoteEndpointUri;

template <class T>
T* sentinel()
{
    return reinterpret_cast<T*>(0x5150);
}

// The member's value, which must have succeeded.
Variant call(IDispatch* object, const wchar_t* name, WORD flags, const std::vector<Variant>& arguments = {})
{
    LateBoundResult result = callByName(object, name, flags, arguments);
    EXPECT_EQ(result.invoke, S_OK) << extensionsutils::toUtf8(name);
    return std::move(result.value);
}

ComPtr<IDispatch> objectOf(const Variant& value)
{
    EXPECT_EQ(value.type(), VT_DISPATCH);
    return value.type() == VT_DISPATCH ? ComPtr<IDispatch>(value.get()->pdispVal) : nullptr;
}

// Availability, activity, custom activity, name, addresses and endpoint count, as a contact card shows them.
std::wstring card(IDispatch* contact)
{
    auto information = [&](LONG type) { return call(contact, L"GetContactInformation", method, {Variant::fromInt32(type)}); };
    const auto custom = elementsOf<ComPtr<IDispatch>>(information(ucPresenceCustomActivity), VT_DISPATCH);
    return std::to_wstring(information(ucPresenceAvailability).get()->lVal) + L"|" + textOf(information(ucPresenceActivity))
        + L"|" + (custom.size() == 1 ? textOf(call(custom[0].get(), L"Value", get)) : L"?") + L"|"
        + textOf(information(ucPresenceDisplayName)) + L"|"
        + elementsOf<std::wstring>(information(ucPresenceInstantMessageAddresses), VT_BSTR).at(0) + L"|"
        + std::to_wstring(elementsOf<ComPtr<IDispatch>>(information(ucPresenceContactEndpoints), VT_DISPATCH).size());
}

// A one-dimensional array of this element type whose first index is `lowerBound`.
template <class T>
SafeArray arrayFrom(VARTYPE type, LONG lowerBound, const std::vector<T>& values)
{
    SAFEARRAYBOUND bound = {static_cast<ULONG>(values.size()), lowerBound};
    SafeArray array(SafeArrayCreate(type, 1, &bound));
    for (LONG i = 0; i < static_cast<LONG>(values.size()); ++i) {
        LONG index = lowerBound + i;
        if constexpr (std::is_same_v<T, std::wstring>) SafeArrayPutElement(array.get(), &index, Bstr(values[i]).get());
        else SafeArrayPutElement(array.get(), &index, const_cast<VARIANT*>(values[i].get()));
    }
    return array;
}

SafeArray strings(const Strings& values) { return SafeArray::ofStrings(values); }
SafeArray types(const Int32s& values) { return SafeArray::ofInt32s(values); }
SafeArray datas(const std::vector<Variant>& values) { return SafeArray::ofVariants(values); }
SafeArray twoByTwo(VARTYPE elementType)
{
    SAFEARRAYBOUND bounds[2] = {{2, 0}, {2, 0}};
    return SafeArray(SafeArrayCreate(elementType, 2, bounds));
}

class Client : public UcFixture {
protected:
    void SetUp() override
    {
        UcFixture::SetUp();
        object = UCCLyncClient::create();
        ASSERT_TRUE(object);
        object->initialise(worker, resolver);
        client = object.as<IUCCLyncClient>();
        ASSERT_EQ(client->get_Self(self.out()), S_OK);
    }

    void releaseTestObjects() override
    {
        self.reset();
        client.reset();
        if (object) object->disconnect();
        object.reset();
    }

    ClientState state()
    {
        ClientState value = ucClientStateInvalid;
        EXPECT_EQ(client->get_State(&value), S_OK);
        return value;
    }

    MICComPtr<UCCLyncClient> object;
    ComPtr<IUCCLyncClient> client;
    ComPtr<IUCCSelf> self;
};

TEST_F(Client, TheOfficeSequenceForAMailHeaderWithTheUserAndAColleague)
{
    ComPtr<IDispatch> late = client.as<IDispatch>();
    EXPECT_EQ(call(late.get(), L"State", get).get()->lVal, ucClientStateSignedIn);
    EXPECT_EQ(call(late.get(), L"Type", get).get()->lVal, ucClientTypeUC);
    EXPECT_EQ(textOf(call(late.get(), L"Uri", get)), kUser);
    ComPtr<IDispatch> clientManager = objectOf(call(late.get(), L"ContactManager", get));
    EXPECT_TRUE(extensionsutils::sameComObject(objectOf(call(client.as<IUCCClient2>().get(), L"PrivateContactManager", get)).get(), clientManager.get()));
    EXPECT_TRUE(extensionsutils::sameComObject(objectOf(call(late.get(), L"Self", get)).get(), self.get()));
    ComPtr<IDispatch> me = objectOf(call(self.as<IDispatch>().get(), L"Contact", get));
    EXPECT_TRUE(extensionsutils::sameComObject(objectOf(call(me.get(), L"ContactManager", get)).get(), clientManager.get()));

    ComPtr<IDispatch> contacts = manager.as<IDispatch>();
    ComPtr<IDispatch> bob = objectOf(call(contacts.get(), L"GetContactByUri", method, {Variant::fromString(kBob)}));
    adviseSink(bob.get());
    EXPECT_EQ(call(me.get(), L"CanStart", method, {Variant::fromInt32(ucModalityAudioVideo)}).get()->boolVal, VARIANT_TRUE);
    EXPECT_EQ(card(me.get()), L"3500|Available|Available|Alice Liddell|alice@example.com|2");
    EXPECT_EQ(card(bob.get()), L"9500|Do not disturb|Do not disturb|Bob Builder|bob@example.com|4");

    ComPtr<IDispatch> subscription = objectOf(call(contacts.get(), L"CreateSubscription", method));
    call(subscription.get(), L"AddContact", method, {Variant::fromDispatch(me.get())});
    call(subscription.get(), L"AddContact", method, {Variant::fromDispatch(bob.get())});
    const Int32s types = {ucPresenceAvailability, ucPresenceActivity, ucPresenceCustomActivity, ucPresenceDisplayName};
    call(subscription.get(), L"Subscribe", method, {Variant::fromInt32(1), arrayArgument(int32Array(types))});
    ComPtr<IDispatch> batch = objectOf(call(bob.get(), L"BatchGetContactInformation", method, {arrayArgument(int32Array(types))}));
    EXPECT_EQ(call(batch.get(), L"Count", get).get()->lVal, 4);

    // Bob becomes available: Office hears it in the module's multithreaded apartment and reads the new value.
    host().setPresence(kBob, 1, L"Available");
    host().fireContactChanged(kBob, {4});
    runOnWorker([] {});
    const std::vector<OfficeEvent> events = journal->events();
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(textOf(call(events[0].arguments[0].get()->pdispVal, L"Uri", get)), L"sip:bob@example.com");
    EXPECT_EQ(call(bob.get(), L"GetContactInformation", method, {Variant::fromInt32(ucPresenceAvailability)}).get()->lVal, 3500);

    // The tag on the contact card; the callback, state and operation may be left out.
    ComPtr<IDispatch> settings = objectOf(call(bob.get(), L"Settings", get));
    EXPECT_EQ(call(settings.get(), L"Item", get, {Variant::fromInt32(ucContactTagged)}).get()->boolVal, VARIANT_TRUE);
    EXPECT_EQ(call(bob.get(), L"CanChangeSetting", method, {Variant::fromInt32(ucContactTagged)}).get()->boolVal, VARIANT_TRUE);
    call(bob.get(), L"ChangeSetting", method, {Variant::fromInt32(ucContactTagged), Variant::fromBool(false)});
    EXPECT_EQ(host().tagRequests(), (std::vector<std::pair<std::wstring, long>>{{kBob, 0}}));

    // A colleague known only by mail address.
    auto callback = FakeOfficeSink::create(DIID__IUCCContactsAndGroupsCallback, journal);
    host().setResolutionAnswer(L"bob.builder@mail.example.com", kBob);
    ComPtr<IDispatch> operation = objectOf(call(contacts.get(), L"Lookup", method,
                                              {Variant::fromString(L"bob.builder@mail.example.com"),
                                               Variant::fromUnknown(callback.get()), Variant()}));
    host().answerPendingResolutions();
    settleWorker();
    EXPECT_EQ(call(operation.get(), L"IsCompleted", get).get()->boolVal, VARIANT_TRUE);
    EXPECT_EQ(journal->count(), 2u);
    EXPECT_EQ(host().openReadTransactions(), 0u);
}

TEST_F(Client, TheUserAndTheSelfContactAreAskedAfreshAndFailWithNothingWrittenOnceTheHostForgetsThem)
{
    BSTR uri = nullptr;
    host().answerEmpty(HostMethod::GetSigninName, 1);
    ASSERT_EQ(client->get_Uri(&uri), S_OK);
    EXPECT_NE(uri, nullptr) << "a nameless user is an empty string, not a null pointer";
    SysFreeString(uri);
    host().clearClientUser();
    BSTR untouched = sentinel<OLECHAR>();
    EXPECT_EQ(client->get_Uri(&untouched), E_FAIL);
    EXPECT_EQ(untouched, sentinel<OLECHAR>());
    IUCCContact* none = sentinel<IUCCContact>();
    EXPECT_EQ(self->get_Contact(&none), E_FAIL);
    ComPtr<IUCCSelf> freshSelf;
    ASSERT_EQ(UCCLyncClient::create()->get_Self(freshSelf.out()), S_OK);
    EXPECT_EQ(freshSelf->get_Contact(&none), E_FAIL) << "before the client is initialised";
    EXPECT_EQ(none, sentinel<IUCCContact>());
}

// Late-bound they answer E_NOTIMPL; through the vtable a refused call also leaves its out-parameter alone.
TEST_F(Client, MembersNotOfferedAnswerNotImplementedAndWriteNothing)
{
    ComPtr<IDispatch> bob = contactFor(kBob).as<IDispatch>();
    ComPtr<IDispatch> contacts = manager.as<IDispatch>();
    ComPtr<IDispatch> automation = ComObject<UCCAutomation>::create().as<IDispatch>();
    const ComPtr<IUCCClient2> client2 = client.as<IUCCClient2>();
    const ComPtr<IUCCSelf2> self2 = self.as<IUCCSelf2>();
    const ComPtr<IUCCContact2> bob2 = bob.as<IUCCContact2>();
    const ComPtr<IDispatch> subscription = ComObject<UCCContactSubscription>::create().as<IDispatch>();
    const ComPtr<IDispatch> operation = ComObject<UCCAsynchronousOperation>::create().as<IDispatch>();
    const ComPtr<IDispatch> endpoint = ComObject<UCCContactEndpoint>::create().as<IDispatch>();
    const Variant text = Variant::fromString(L"x");
    const Variant zero = Variant::fromInt32(0);
    const struct {
        IDispatch* object;
        const wchar_t* name;
        WORD flags;
        std::vector<Variant> arguments;
    } rows[] = {
        {client.get(), L"Signin", method, {}}, {client2.get(), L"RoomManager", get, {}},
        {self.get(), L"CanSetPhone", method, {Variant::fromInt32(1)}},
        {self2.get(), L"GetAlertLevelForNotification", method, {text, zero, zero}},
        {contacts.get(), L"Groups", get, {}}, {contacts.get(), L"Search", method, {text}},
        {contacts.get(), L"RemoveContactFromAllGroups", method, {Variant::fromUnknown(nullptr)}},
        {bob.get(), L"GetMultipleContactInformation", method, {arrayArgument(int32Array({0}))}},
        {bob.get(), L"GetContactInformation", method, {Variant::fromInt32(ucPresenceTitle)}},
        {bob.get(), L"ChangeSetting", method, {zero, Variant::fromBool(true)}},
        {bob2.get(), L"SetAdditionalUris", method, {arrayArgument(SafeArray::ofStrings({L"sip:b@x"}))}},
        {bob2.get(), L"GetRawContactbyUri", method, {text}},
        {automation.get(), L"LaunchAddContactWizard", method, {}}, {automation.get(), L"JoinConference", method, {text}},
        {subscription.get(), L"LastSubscribedRefreshRate", get, {}},
        {operation.get(), L"AsyncState", get, {}},
        {endpoint.get(), L"CanStart", method, {zero}},
    };
    for (const auto& row : rows)
        EXPECT_EQ(callByName(row.object, row.name, row.flags, row.arguments).member, E_NOTIMPL) << extensionsutils::toUtf8(row.name);

    const VARIANT noState = Variant().get()[0];
    IUCCConversationManager* conversations = sentinel<IUCCConversationManager>();
    IUCCAsynchronousOperation* pending = sentinel<IUCCAsynchronousOperation>();
    SAFEARRAY* array = sentinel<SAFEARRAY>();
    EXPECT_EQ(client->get_ConversationManager(&conversations), E_NOTIMPL);
    EXPECT_EQ(client->Signout(nullptr, noState, &pending), E_NOTIMPL);
    EXPECT_EQ(self->get_Phones(&array), E_NOTIMPL);
    EXPECT_EQ(client->Shutdown(nullptr, noState, &pending), S_OK);
    EXPECT_EQ(client->get_DelegatorClients(&array), S_OK);
    VARIANT_BOOL canSet = VARIANT_TRUE;
    EXPECT_EQ(self->CanSetPhone(ucContactEndpointTypeMobilePhone, &canSet), E_NOTIMPL);
    EXPECT_EQ(canSet, VARIANT_FALSE) << "the one refused member that answers no";
    EXPECT_EQ(conversations, sentinel<IUCCConversationManager>());
    EXPECT_EQ(pending, sentinel<IUCCAsynchronousOperation>());
    EXPECT_EQ(array, sentinel<SAFEARRAY>());
    EXPECT_EQ(state(), ucClientStateSignedIn) << "signing in and out is the host's";
}

TEST_F(Client, SigningOutFiresOnStateChangedOnceToEverySinkEvenPastAFailingOrLeavingOne)
{
    auto failing = adviseSink(client.get(), DIID__IUCCLyncClientEvents);
    failing->setResult(E_FAIL);
    adviseSink(client.get(), DIID__IUCCLyncClientEvents);
    object->setClientState(ucClientStateSignedOut);
    object->setClientState(ucClientStateSignedOut);
    EXPECT_EQ(state(), ucClientStateSignedOut);
    const std::vector<OfficeEvent> events = journal->events();
    ASSERT_EQ(events.size(), 2u);
    for (const OfficeEvent& event : events) {
        EXPECT_EQ(event.id, 100);
        EXPECT_TRUE(extensionsutils::sameComObject(event.arguments.at(0).get()->punkVal, client.get()));
        ComPtr<IDispatch> data = ComPtr<IUnknown>(event.arguments.at(1).get()->punkVal).as<IDispatch>();
        EXPECT_EQ(call(data.get(), L"OldState", get).get()->lVal, ucClientStateSignedIn);
        EXPECT_EQ(call(data.get(), L"NewState", get).get()->lVal, ucClientStateSignedOut);
        EXPECT_EQ(call(data.get(), L"StatusCode", get).get()->lVal, 0);
    }
    // Another Office unadvising inside the event must not make the sink after it miss the change.
    failing->setHook([&](const OfficeEvent&) { failing->unadvise(); });
    object->setClientState(ucClientStateSignedIn);
    EXPECT_EQ(journal->count(), 4u);
}

TEST_F(Client, ASinkMayReadTheStateFromAnotherThreadWhileItHandlesTheEvent)
{
    // Office's sink runs in another process: its read arrives on another thread while the event is fired.
    ClientState readOnOtherThread = ucClientStateInvalid;
    bool otherThreadAnswered = false;
    std::thread reader;
    auto sink = adviseSink(client.get(), DIID__IUCCLyncClientEvents);
    sink->setHook([&](const OfficeEvent&) {
        std::promise<void> answered;
        std::future<void> done = answered.get_future();
        reader = std::thread([&, promise = std::move(answered)]() mutable {
            CoInitializeEx(nullptr, COINIT_MULTITHREADED);
            client->get_State(&readOnOtherThread);
            CoUninitialize();
            promise.set_value();
        });
        otherThreadAnswered = done.wait_for(std::chrono::seconds(10)) == std::future_status::ready;
    });
    object->setClientState(ucClientStateSignedOut);
    extensionsutils::EventDelivery::waitUntilSettled(20000);
    if (reader.joinable()) reader.join();
    EXPECT_TRUE(otherThreadAnswered) << "a read from another thread waited for the event to end";
    EXPECT_EQ(readOnOtherThread, ucClientStateSignedOut);
    const long held = resolver.use_count();
    object->disconnect();
    EXPECT_LT(resolver.use_count(), held) << "a stopping module keeps nothing of its resolver";
}

using StartConversation = UcFixture;

TEST_F(StartConversation, TheParserPairsContextByPositionFromAnyLowerBoundAndRefusesBadArrays)
{
    const StartConversationInputParser empty(strings({}).get(), types({}).get(), datas({}).get());
    EXPECT_TRUE(empty.isValid());
    const StartConversationInputParser joined(
        strings({kBob}).get(), types({kSubject, kEndpoint, 2, kSubject, 99}).get(),
        datas({Variant::fromString(L"Quarterly "), Variant::fromString(L"tel:+441"), Variant::fromInt32(5),
               Variant::fromString(L"figures"), Variant()}).get());
    EXPECT_TRUE(joined.isValid());
    EXPECT_EQ(joined.subject(), L"Quarterly figures") << "subjects join in array order; other context is ignored";
    EXPECT_EQ(joined.endpointUri(), L"tel:+441");
    const StartConversationInputParser shifted(
        arrayFrom<std::wstring>(VT_BSTR, 5, {kBob, kUser, L"c"}).get(), int32Array({kEndpoint, kSubject}, 1).get(),
        arrayFrom<Variant>(VT_VARIANT, -3, {Variant::fromString(L"tel:+442"), Variant::fromString(L"Hello")}).get());
    EXPECT_TRUE(shifted.isValid());
    EXPECT_EQ(shifted.participantCount(), 3);
    EXPECT_EQ(shifted.endpointUri(), L"tel:+442");
    EXPECT_EQ(shifted.subject(), L"Hello");

    Variant text = Variant::fromString(L"tel:1");
    VARIANT reference;
    reference.vt = VT_BYREF | VT_BSTR;
    reference.pbstrVal = &text.get()->bstrVal;
    SAFEARRAYBOUND none = {0, 0};
    const struct {
        SafeArray participants, contextTypes, contextDatas;
        const wchar_t* message;
    } rows[] = {
        {SafeArray(), types({}), datas({}), L"Array is NULL"},
        {strings({kBob}), SafeArray(), datas({}), L"Array is NULL"},
        {strings({kBob}), types({}), SafeArray(), L"Array is NULL"},
        {datas({Variant::fromString(kBob)}), types({}), datas({}), L"Array is not of expected Type"},
        {strings({kBob}), datas({}), datas({}), L"Array is not of expected Type"},
        {strings({kBob}), types({}), strings({}), L"Array is not of expected Type"},
        {strings({kBob}), SafeArray(SafeArrayCreate(VT_INT, 1, &none)), datas({}), L"Array is not of expected Type"},
        {twoByTwo(VT_BSTR), types({}), datas({}), L"Array is not one-dimensional"},
        {strings({kBob}), twoByTwo(VT_I4), twoByTwo(VT_VARIANT), L"Array is not one-dimensional"},
        {strings({kBob}), types({1}), twoByTwo(VT_VARIANT), L"Array is not one-dimensional"},
        {strings({kBob}), types({1, 20}), datas({Variant::fromString(L"s")}), L"ContextTypes and ContextData size do not match"},
        {strings({kBob}), types({}), datas({Variant::fromString(L"s")}), L"ContextTypes and ContextData size do not match"},
        {strings({kBob}), types({kSubject}), datas({Variant::fromInt32(4)}), L"Unable to set Subject"},
        {strings({kBob}), types({kEndpoint}), datas({Variant()}), L"Unable to set Endpoint URI"},
        {strings({kBob}), types({kEndpoint}), datas({Variant(reference)}), L"Unable to set Endpoint URI"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(extensionsutils::toUtf8(row.message));
        host().clearLog();
        EXPECT_FALSE(StartConversationInputParser(row.participants.get(), row.contextTypes.get(), row.contextDatas.get()).isValid());
        EXPECT_EQ(host().loggedCount(row.message), 1u);
    }
}

// Instant messages go to the others once each with the subject; audio and video call them, one person at
// the remote endpoint Office gives; the user (by any spelling of the sip: scheme) is never invited.
TEST_F(StartConversation, EachModeStartsItsHostConversation)
{
    const wchar_t* const carol = L"carol@example.com";
    const struct {
        LONG modes;
        Strings participants;
        Int32s contextTypes;
        const wchar_t* context;
        ConversationKind kind;
        Strings started;
        const wchar_t* subject;
    } rows[] = {
        {1, {carol, kUser, kBob, carol}, {kSubject}, L"Budget", ConversationKind::GroupChat, {carol, kBob}, L"Budget"},
        {1, {carol}, {}, nullptr, ConversationKind::InstantMessage, {carol}, nullptr},
        {1, {carol}, {kEndpoint}, L"tel:+441", ConversationKind::InstantMessage, {carol}, nullptr},
        {1, {L"sip:carol@example.com", L"SIP:alice@example.com", L"sip:bob@example.com"}, {}, nullptr,
         ConversationKind::GroupChat, {L"sip:carol@example.com", L"sip:bob@example.com"}, nullptr},
        {2, {L"sip:alice@example.com", L"sip:bob@example.com"}, {}, nullptr, ConversationKind::Call, {L"sip:bob@example.com"}, nullptr},
        {2, {carol, kUser, carol}, {}, nullptr, ConversationKind::Call, {carol}, nullptr},
        {4, {kBob, carol, kBob}, {}, nullptr, ConversationKind::ConferenceCall, {kBob, carol}, nullptr},
        {2, {carol}, {kEndpoint}, L"tel:+441", ConversationKind::Call, {L"tel:+441"}, nullptr},
        {4, {carol, kBob}, {kEndpoint}, L"tel:+441", ConversationKind::ConferenceCall, {carol, kBob}, nullptr},
    };
    ComPtr<IUCCAutomation> automation = ComObject<UCCAutomation>::create().as<IUCCAutomation>();
    for (const auto& row : rows) {
        SCOPED_TRACE(testing::PrintToString(row.started));
        host().forgetRecords();
        std::vector<Variant> context;
        if (row.context) context.push_back(Variant::fromString(row.context));
        EXPECT_EQ(callByName(automation.as<IDispatch>().get(), L"StartConversation", method,
                             {Variant::fromInt32(row.modes), arrayArgument(strings(row.participants)),
                              arrayArgument(types(row.contextTypes)), arrayArgument(datas(context))}).member, S_OK);
        const auto started = host().conversations();
        ASSERT_EQ(started.size(), 1u);
        EXPECT_EQ(started[0].kind, row.kind);
        EXPECT_EQ(started[0].participants, row.started);
        if (row.subject) EXPECT_EQ(started[0].subject, row.subject);
    }

    // Other modes, bad arguments and host failures start nothing and write no window.
    host().forgetRecords();
    IUCCConversationWindow* window = sentinel<IUCCConversationWindow>();
    auto start = [&](LONG modes, const SafeArray& participants, const SafeArray& contextTypes, const SafeArray& datas) {
        return automation->StartConversation(static_cast<AutomationModalities>(modes), participants.get(),
                                             contextTypes.get(), datas.get(), &window);
    };
    for (LONG modes : {0L, 3L, 5L, 6L, 7L, 8L, 16L, 31L})
        EXPECT_EQ(start(modes, strings({kBob}), types({}), datas({})), S_OK) << modes;
    EXPECT_EQ(start(1, datas({Variant::fromString(kBob)}), types({}), datas({})), E_INVALIDARG);
    EXPECT_EQ(start(2, strings({kBob}), types({1, 20}), datas({Variant::fromString(L"s")})), E_INVALIDARG);
    EXPECT_TRUE(host().conversations().empty());
    host().failMethod(HostMethod::StartGroupChat);
    host().failMethod(HostMethod::MakeCall);
    EXPECT_EQ(start(1, strings({kBob, carol}), types({}), datas({})), S_OK) << "the host's failure is not Office's business";
    EXPECT_EQ(start(2, strings({kBob}), types({}), datas({})), S_OK);
    EXPECT_EQ(window, sentinel<IUCCConversationWindow>());
}

struct InformationKind {
    using Class = UCCContactInformationDictionary;
    using Interface = IUCCContactInformationDictionary;
    using Key = ContactInformationType;
};

struct SettingsKind {
    using Class = UCCContactSettingsDictionary;
    using Interface = IUCCContactSettingDictionary;
    using Key = ContactSetting;
};

template <class Kind>
class Dictionary : public UcFixture {
protected:
    using Key = typename Kind::Key;
    static Key key(long value) { return static_cast<Key>(value); }

    // A dictionary filled with (key, text) pairs in the order given.
    ComPtr<typename Kind::Interface> dictionaryOf(const std::vector<std::pair<long, std::wstring>>& entries)
    {
        MICComPtr<typename Kind::Class> dictionary = ComObject<typename Kind::Class>::create();
        for (const auto& entry : entries) EXPECT_EQ(dictionary->add(key(entry.first), *Variant::fromString(entry.second).get()), S_OK);
        return dictionary.template as<typename Kind::Interface>();
    }

    // Late-bound as Office reads it: keys, then values by position, then each key's item.
    static std::vector<std::pair<LONG, std::wstring>> contentOf(typename Kind::Interface* dictionary)
    {
        const Int32s keyList = elementsOf<LONG>(call(dictionary, L"Keys", get), VT_I4);
        const std::vector<Variant> valueList = elementsOf<Variant>(call(dictionary, L"Values", get), VT_VARIANT);
        EXPECT_EQ(call(dictionary, L"Count", get).get()->lVal, static_cast<LONG>(keyList.size()));
        EXPECT_EQ(valueList.size(), keyList.size());
        std::vector<std::pair<LONG, std::wstring>> content;
        for (LONG i = 0; i < static_cast<LONG>(keyList.size()); ++i) {
            const LONG keyAt = call(dictionary, L"GetKeyAt", method, {Variant::fromInt32(i)}).get()->lVal;
            EXPECT_EQ(keyAt, keyList.at(i));
            EXPECT_EQ(textOf(call(dictionary, L"GetValueAt", method, {Variant::fromInt32(i)})), textOf(valueList.at(i)));
            content.emplace_back(keyAt, textOf(call(dictionary, L"Item", get, {Variant::fromInt32(keyAt)})));
        }
        return content;
    }
};

using DictionaryKinds = ::testing::Types<InformationKind, SettingsKind>;
TYPED_TEST_SUITE(Dictionary, DictionaryKinds);

// Keys answer in key order, values in the order of adding; a key added twice keeps its position and takes
// the later value, and no later key reads another key's value.
TYPED_TEST(Dictionary, KeysInKeyOrderValuesInAddingOrderEachItemItsOwn)
{
    using Content = std::vector<std::pair<LONG, std::wstring>>;
    auto dictionary = this->dictionaryOf({{10, L"ten"}, {0, L"zero"}});
    EXPECT_EQ(this->contentOf(dictionary.get()), (Content{{0, L"zero"}, {10, L"ten"}}));
    EXPECT_EQ(textOf(call(dictionary.get(), L"GetValueAt", method, {Variant::fromInt32(0)})), L"ten")
        << "position 0 pairs the lowest key with the first value added";
    auto twice = this->dictionaryOf({{0, L"a"}, {10, L"b"}, {0, L"c"}, {7, L"d"}});
    EXPECT_EQ(this->contentOf(twice.get()), (Content{{0, L"c"}, {7, L"d"}, {10, L"b"}}));
    EXPECT_TRUE(this->contentOf(this->dictionaryOf({}).get()).empty());
}

TYPED_TEST(Dictionary, AbsentKeysFailWithNothingWrittenNullOutputsAreRefusedAndAnswersAreCopies)
{
    auto dictionary = this->dictionaryOf({{3, L"three"}, {10, L"ten"}});
    for (LONG index : {LONG(-1), LONG(2), LONG_MIN, LONG_MAX}) {
        typename TestFixture::Key key = this->key(77);
        EXPECT_EQ(dictionary->GetKeyAt(index, &key), E_FAIL) << index;
        EXPECT_EQ(key, 77);
        VARIANT value;
        value.vt = VT_I4; // stands for whatever an [out] VARIANT may hold on entry
        EXPECT_EQ(dictionary->GetValueAt(index, &value), E_FAIL) << index;
        EXPECT_EQ(value.vt, VT_EMPTY);
    }
    Variant value;
    EXPECT_EQ(dictionary->get_Item(this->key(4), value.out()), E_FAIL);
    VARIANT_BOOL found = VARIANT_TRUE;
    EXPECT_EQ(dictionary->TryGetValue(this->key(4), value.out(), &found), S_OK);
    EXPECT_EQ(found, VARIANT_FALSE);
    EXPECT_TRUE(value.isEmpty());
    Variant viaReference;
    EXPECT_EQ(call(dictionary.get(), L"TryGetValue", method, {Variant::fromInt32(3), byReference(viaReference.get())}).get()->boolVal,
              VARIANT_TRUE);
    EXPECT_EQ(textOf(viaReference), L"three");
    EXPECT_EQ(call(dictionary.get(), L"ContainsKey", method, {Variant::fromInt32(7)}).get()->boolVal, VARIANT_FALSE);
    for (HRESULT refused : {dictionary->get_Values(nullptr), dictionary->get_Keys(nullptr), dictionary->get_Count(nullptr),
                            dictionary->get_Item(this->key(3), nullptr), dictionary->TryGetValue(this->key(3), nullptr, &found),
                            dictionary->TryGetValue(this->key(3), value.out(), nullptr), dictionary->GetKeyAt(0, nullptr),
                            dictionary->GetValueAt(0, nullptr), dictionary->ContainsKey(this->key(3), nullptr)})
        EXPECT_EQ(refused, E_POINTER);

    ASSERT_EQ(dictionary->get_Item(this->key(3), value.out()), S_OK);
    value.get()->bstrVal[0] = L'X'; // scribbling on a copy must not reach the dictionary
    EXPECT_EQ(this->contentOf(dictionary.get()).at(0).second, L"three");
}

using Values = UcFixture;

TEST_F(Values, ASettingValueThatCannotBeCopiedIsRefusedAndAStringWithANulIsKeptWhole)
{
    MICComPtr<UCCContactSettingChangedEventData> data = ComObject<UCCContactSettingChangedEventData>::create();
    ASSERT_EQ(data->setValue(*Variant::fromBool(false).get()), S_OK);
    VARIANT broken;
    VariantInit(&broken);
    broken.vt = 0x7FFF; // no such type
    EXPECT_HRESULT_FAILED(data->setValue(broken));
    EXPECT_EQ(call(data.as<IDispatch>().get(), L"Value", get).type(), VT_BOOL);
    const std::wstring withNul(L"In a meeting\0 until 3", 21);
    EXPECT_EQ(textOf(call(ComObject<UCCLocaleString>::create(withNul).as<IDispatch>().get(), L"Value", get)), withNul);
}

class AsynchronousOperation : public UcFixture {
protected:
    void releaseTestObjects() override { callback.reset(); }

    std::shared_ptr<AsynchronousOperationWorker> newWorker(bool succeeded = true, IDispatch* target = nullptr)
    {
        auto made = std::make_shared<AsynchronousOperationWorker>(target ? target : callback.get(), kOnLookup);
        made->setResultFunction([succeeded](DispatchParameters& parameters) {
            parameters.add(Variant::fromDispatch(nullptr));
            parameters.add(Variant::fromDispatch(nullptr));
            return succeeded;
        });
        return made;
    }

    static bool flag(const std::shared_ptr<AsynchronousOperationWorker>& worker, const wchar_t* name)
    {
        return call(worker->operation().as<IDispatch>().get(), name, get).get()->boolVal == VARIANT_TRUE;
    }

    static constexpr DISPID kOnLookup = 251;
    ComPtr<FakeOfficeSink> callback = FakeOfficeSink::create(DIID__IUCCContactsAndGroupsCallback, journal);
};

TEST_F(AsynchronousOperation, ReportsOnceThroughTheDeliveryCompletedAndLetsGoOfWhatItsResultFunctionHeld)
{
    auto reporting = newWorker(false);
    bool completedInCallback = false;
    callback->setHook([&](const OfficeEvent&) { completedInCallback = flag(reporting, L"IsCompleted"); });
    worker->AddWork(reporting);
    runOnWorker([] {});
    callback->setHook(nullptr);
    const std::vector<OfficeEvent> events = journal->events();
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].id, kOnLookup);
    EXPECT_NE(events[0].threadId, workerThreadId) << "a delivery thread calls Office, not the worker";
    ASSERT_EQ(events[0].arguments.size(), 3u);
    EXPECT_TRUE(extensionsutils::sameComObject(events[0].arguments[2].get()->pdispVal, reporting->operation().identity()));
    EXPECT_TRUE(completedInCallback);
    EXPECT_FALSE(flag(reporting, L"IsSucceeded")) << "a failed result is reported, completed but not succeeded";

    auto held = std::make_shared<int>(0); // stands for the contact manager that started the call
    auto holding = newWorker();
    holding->setResultFunction([held](DispatchParameters& parameters) {
        parameters.add(Variant::fromDispatch(nullptr));
        return true;
    });
    holding->DoWork();
    EXPECT_EQ(held.use_count(), 1) << "a finished worker still holds what its result function held";
    holding->DoWork();
    extensionsutils::EventDelivery::waitUntilSettled(20000);
    EXPECT_EQ(journal->count(), 2u);
}

TEST_F(AsynchronousOperation, CancelledBeforeOrWhileTheResultIsBuiltNothingIsReportedAndAFailingCallbackStillCompletes)
{
    auto before = newWorker();
    ASSERT_EQ(before->operation().as<IUCCAsynchronousOperation>()->CancelOperation(), S_OK);
    before->DoWork();
    auto during = newWorker();
    ComPtr<IUCCAsynchronousOperation> operation = during->operation().as<IUCCAsynchronousOperation>();
    during->setResultFunction([operation](DispatchParameters&) { return operation->CancelOperation() == S_OK; });
    during->DoWork();
    auto without = std::make_shared<AsynchronousOperationWorker>(callback.get(), kOnLookup);
    without->DoWork();
    EXPECT_EQ(journal->count(), 0u);
    EXPECT_FALSE(flag(before, L"IsCompleted") || flag(during, L"IsCompleted") || flag(without, L"IsCompleted"));

    MICComPtr<UCCAsynchronousOperation> completed = ComObject<UCCAsynchronousOperation>::create();
    completed->complete(true);
    call(completed.as<IDispatch>().get(), L"CancelOperation", method);
    EXPECT_TRUE(completed->isCancelled());
    EXPECT_EQ(call(completed.as<IDispatch>().get(), L"IsSucceeded", get).get()->boolVal, VARIANT_TRUE)
        << "cancelling after completion keeps the result";

    ComPtr<FakeOfficeSink> failing = FakeOfficeSink::create(DIID__IUCCContactsAndGroupsCallback, journal);
    failing->setResult(DISP_E_MEMBERNOTFOUND);
    auto withFailing = newWorker(true, failing.get());
    withFailing->DoWork();
    auto withNone = std::make_shared<AsynchronousOperationWorker>(nullptr, kOnLookup);
    withNone->setResultFunction([](DispatchParameters&) { return true; });
    withNone->DoWork();
    extensionsutils::EventDelivery::waitUntilSettled(20000);
    EXPECT_TRUE(flag(withFailing, L"IsCompleted") && flag(withNone, L"IsCompleted"));
    EXPECT_TRUE(host().logged(L"Asynchronous Operation callback failed -2147352573"));
}

} // namespace
