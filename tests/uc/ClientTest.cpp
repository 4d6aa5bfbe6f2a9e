// The client object Office 2013/2016 gets from GetInterface, reached late-bound as Office calls it (the
// connection sequence for the people of a mail, the members it refuses), the state event, StartConversation
// and its argument parser, and the value objects: both dictionaries and the asynchronous operation.

#include "IUCOfficeIntegration/AsynchronousOperationWorker.h"
#include "IUCOfficeIntegration/StartConversationInputParser.h"
#include "IUCOfficeIntegration/values/UCCAsynchronousOperation.h"
#include "IUCOfficeIntegration/UCCAutomation.h"
#include "IUCOfficeIntegration/values/UCCContactInformationDictionary.h"
#include "IUCOfficeIntegration/values/UCCContactSettingChangedEventData.h"
#include "IUCOfficeIntegration/values/UCCLocaleString.h"
#include "IUCOfficeIntegration/UCCLyncClient.h"

#include "UcFixture.h"

#include <climits>

using extensionsutils::DispatchParameters;
using fakehost::ConversationKind;

namespace {

const LONG kSubject = uiaConversationContextSubject;
const LONG kEndpoint = uiaConversationContextRemoteEndpointUri;

SafeArray strings(const Strings& values) { return SafeArray::ofStrings(values); }
SafeArray types(const Int32s& values) { return SafeArray::ofInt32s(values); }
SafeArray datas(const std::vector<Variant>& values) { return SafeArray::ofVariants(values); }

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
    LONG state() { return int32Of(property(client.as<IDispatch>().get(), L"State")); }
    static bool same(const Variant& value, IUnknown* object) { return extensionsutils::sameComObject(objectOf(value).get(), object); }

    MICComPtr<UCCLyncClient> object;
    ComPtr<IUCCLyncClient> client;
    ComPtr<IUCCSelf> self;
};

// What Office reads first for a mail's people: the client's state, type and user, and the one contact manager
// whichever way it is reached (the whole session runs across processes, in the xproc suite).
TEST_F(Client, TheClientAsOfficeFirstReadsIt)
{
    ComPtr<IDispatch> late = client.as<IDispatch>();
    expectAnswers(late.get(), {{L"State", kGet, {}, S_OK, number(ucClientStateSignedIn)}, {L"Type", kGet, {}, S_OK, number(ucClientTypeUC)},
                               {L"Uri", kGet, {}, S_OK, text(kUser)}});
    ComPtr<IDispatch> clientManager = objectOf(property(late.get(), L"ContactManager"));
    EXPECT_TRUE(same(property(client.as<IUCCClient2>().get(), L"PrivateContactManager"), clientManager.get()));
    EXPECT_TRUE(same(property(late.get(), L"Self"), self.get()));
    ComPtr<IDispatch> me = objectOf(property(self.as<IDispatch>().get(), L"Contact"));
    EXPECT_TRUE(same(property(me.get(), L"ContactManager"), clientManager.get()));
}

// Members not offered answer E_NOTIMPL, and the user's once the host forgets the user E_FAIL; none writes its
// out-parameter (the type-library sweep reaches every member by name).
TEST_F(Client, MembersThatCannotAnswerWriteNothing)
{
    const VARIANT noState = *Variant().get();
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
    EXPECT_EQ(state(), ucClientStateSignedIn) << "signing in and out is the host's";

    Bstr uri;
    host().answerEmpty(HostMethod::GetSigninName, 1);
    ASSERT_EQ(client->get_Uri(uri.out()), S_OK);
    EXPECT_TRUE(uri) << "a nameless user is an empty string, not a null pointer";
    host().clearClientUser();
    BSTR untouched = sentinel<OLECHAR>();
    EXPECT_EQ(client->get_Uri(&untouched), E_FAIL);
    IUCCContact* none = sentinel<IUCCContact>();
    EXPECT_EQ(self->get_Contact(&none), E_FAIL);
    ComPtr<IUCCSelf> freshSelf;
    ASSERT_EQ(UCCLyncClient::create()->get_Self(freshSelf.out()), S_OK);
    EXPECT_EQ(freshSelf->get_Contact(&none), E_FAIL) << "before the client is initialised";
    EXPECT_TRUE(conversations == sentinel<IUCCConversationManager>() && pending == sentinel<IUCCAsynchronousOperation>() &&
                array == sentinel<SAFEARRAY>() && untouched == sentinel<OLECHAR>() && none == sentinel<IUCCContact>());
}

TEST_F(Client, SigningOutTellsEverySinkOncePastAFailingOrLeavingOne)
{
    FakeOfficeSink* failing = adviseSink(client.get(), contractid::IUCCLyncClientEvents);
    failing->setResult(E_FAIL);
    adviseSink(client.get(), contractid::IUCCLyncClientEvents);
    object->setClientState(ucClientStateSignedOut);
    object->setClientState(ucClientStateSignedOut);
    EXPECT_EQ(state(), ucClientStateSignedOut);
    const std::vector<OfficeEvent> events = journal->events();
    ASSERT_EQ(events.size(), 2u);
    for (const OfficeEvent& event : events) {
        EXPECT_EQ(event.id, 100);
        EXPECT_TRUE(extensionsutils::sameComObject(event.arguments.at(0).get()->punkVal, client.get()));
        expectAnswers(ComPtr<IUnknown>(event.arguments.at(1).get()->punkVal).as<IDispatch>().get(),
                      {{L"OldState", kGet, {}, S_OK, number(ucClientStateSignedIn)},
                       {L"NewState", kGet, {}, S_OK, number(ucClientStateSignedOut)},
                       {L"StatusCode", kGet, {}, S_OK, number(0)}});
    }
    // Another Office unadvising inside the event must not make the sink after it miss the change.
    failing->setHook([&](const OfficeEvent&) { failing->unadvise(); });
    object->setClientState(ucClientStateSignedIn);
    EXPECT_EQ(journal->count(), 4u);

    const long held = resolver.use_count();
    object->disconnect();
    EXPECT_LT(resolver.use_count(), held) << "a stopping module keeps nothing of its resolver";
}

using StartConversation = UcFixture;

TEST_F(StartConversation, TheParserPairsContextByPositionFromAnyLowerBound)
{
    // "participants [subject] endpoint" of a valid parse.
    const auto parsed = [](const SafeArray& participants, const SafeArray& contextTypes, const SafeArray& contextDatas) {
        const StartConversationInputParser parser(participants.get(), contextTypes.get(), contextDatas.get());
        if (!parser.isValid()) return std::wstring(L"invalid");
        return std::to_wstring(parser.participantCount()) + L" [" + parser.subject() + L"] " + parser.endpointUri();
    };
    EXPECT_EQ(parsed(strings({}), types({}), datas({})), L"0 [] ");
    EXPECT_EQ(parsed(strings({kBob}), types({kSubject, kEndpoint, 2, kSubject, 99}),
                     datas({text(L"Quarterly "), text(L"tel:+441"), number(5), text(L"figures"), Variant()})),
              L"1 [Quarterly figures] tel:+441") << "subjects join in array order; other context is ignored";
    EXPECT_EQ(parsed(arrayFrom(VT_BSTR, Strings{kBob, kUser, L"c"}, 5), int32Array({kEndpoint, kSubject}, 1),
                     arrayFrom(VT_VARIANT, std::vector<Variant>{text(L"tel:+442"), text(L"Hello")}, -3)), L"3 [Hello] tel:+442");

    Variant endpoint = text(L"tel:1");
    VARIANT reference = referenceTo(&endpoint.get()->bstrVal);
    SAFEARRAYBOUND none = {0, 0};
    const wchar_t* const notOfType = L"Array is not of expected Type";
    const wchar_t* const notOneDimension = L"Array is not one-dimensional";
    const wchar_t* const sizes = L"ContextTypes and ContextData size do not match";
    const struct { SafeArray participants, contextTypes, contextDatas; const wchar_t* message; } rows[] = {
        {SafeArray(), types({}), datas({}), L"Array is NULL"}, {strings({kBob}), SafeArray(), datas({}), L"Array is NULL"},
        {strings({kBob}), types({}), SafeArray(), L"Array is NULL"}, {datas({text(kBob)}), types({}), datas({}), notOfType},
        {strings({kBob}), datas({}), datas({}), notOfType}, {strings({kBob}), types({}), strings({}), notOfType},
        {strings({kBob}), SafeArray(SafeArrayCreate(VT_INT, 1, &none)), datas({}), notOfType},
        {twoByTwo(VT_BSTR), types({}), datas({}), notOneDimension},
        {strings({kBob}), twoByTwo(VT_I4), twoByTwo(VT_VARIANT), notOneDimension},
        {strings({kBob}), types({1}), twoByTwo(VT_VARIANT), notOneDimension}, {strings({kBob}), types({1, 20}), datas({text(L"s")}), sizes},
        {strings({kBob}), types({}), datas({text(L"s")}), sizes},
        {strings({kBob}), types({kSubject}), datas({number(4)}), L"Unable to set Subject"},
        {strings({kBob}), types({kEndpoint}), datas({Variant()}), L"Unable to set Endpoint URI"},
        {strings({kBob}), types({kEndpoint}), datas({Variant(reference)}), L"Unable to set Endpoint URI"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(narrow(row.message));
        host().clearLog();
        EXPECT_FALSE(StartConversationInputParser(row.participants.get(), row.contextTypes.get(), row.contextDatas.get()).isValid());
        EXPECT_EQ(logCount(row.message), 1u);
    }
}
// Instant messages go to the others once each with the subject; audio and video call them, one person at
// the remote endpoint Office gives; the user (by any spelling of the sip: scheme) is never invited.
TEST_F(StartConversation, EachModeStartsItsHostConversation)
{
    const wchar_t* const carol = L"carol@example.com";
    const struct { LONG modes; Strings participants; ConversationKind kind; Strings started; Int32s contextTypes = {};
                   const wchar_t* context = nullptr; } rows[] = {
        {1, {carol, kUser, kBob, carol}, ConversationKind::GroupChat, {carol, kBob}, {kSubject}, L"Budget"},
        {1, {carol}, ConversationKind::InstantMessage, {carol}, {kEndpoint}, L"tel:+441"},
        {1, {L"sip:carol@example.com", L"SIP:alice@example.com", L"sip:bob@example.com"}, ConversationKind::GroupChat,
         {L"sip:carol@example.com", L"sip:bob@example.com"}},
        {2, {L"sip:alice@example.com", L"sip:bob@example.com"}, ConversationKind::Call, {L"sip:bob@example.com"}},
        {4, {kBob, carol, kBob}, ConversationKind::ConferenceCall, {kBob, carol}},
        {2, {carol}, ConversationKind::Call, {L"tel:+441"}, {kEndpoint}, L"tel:+441"},
        {4, {carol, kBob}, ConversationKind::ConferenceCall, {carol, kBob}, {kEndpoint}, L"tel:+441"},
    };
    ComPtr<IUCCAutomation> automation = ComObject<UCCAutomation>::create().as<IUCCAutomation>();
    for (const auto& row : rows) {
        SCOPED_TRACE(testing::PrintToString(row.started));
        host().forgetRecords();
        const std::vector<Variant> context = row.context ? std::vector<Variant>{text(row.context)} : std::vector<Variant>{};
        const std::vector<Variant> arguments = {number(row.modes), arrayArgument(strings(row.participants)),
                                                arrayArgument(types(row.contextTypes)), arrayArgument(datas(context))};
        answer(automation.as<IDispatch>().get(), L"StartConversation", kCall, arguments);
        const auto started = host().conversations();
        ASSERT_EQ(started.size(), 1u);
        EXPECT_EQ(started[0].kind, row.kind);
        EXPECT_EQ(started[0].participants, row.started);
        EXPECT_EQ(started[0].subject, row.contextTypes == Int32s{kSubject} ? row.context : L"");
    }

    // Other modes, bad arguments and host failures start nothing and write no window.
    host().forgetRecords();
    IUCCConversationWindow* window = sentinel<IUCCConversationWindow>();
    auto start = [&](LONG modes, const SafeArray& participants, const SafeArray& contextTypes, const SafeArray& datas) {
        const auto modalities = static_cast<AutomationModalities>(modes);
        return automation->StartConversation(modalities, participants.get(), contextTypes.get(), datas.get(), &window);
    };
    for (LONG modes : {0L, 3L, 5L, 6L, 7L, 8L, 16L, 31L}) EXPECT_EQ(start(modes, strings({kBob}), types({}), datas({})), S_OK) << modes;
    EXPECT_EQ(start(1, datas({text(kBob)}), types({}), datas({})), E_INVALIDARG);
    EXPECT_TRUE(host().conversations().empty());
    host().failMethod(HostMethod::StartGroupChat);
    host().failMethod(HostMethod::MakeCall);
    EXPECT_EQ(start(1, strings({kBob, carol}), types({}), datas({})), S_OK) << "the host's failure is not Office's business";
    EXPECT_EQ(start(2, strings({kBob}), types({}), datas({})), S_OK);
    EXPECT_EQ(window, sentinel<IUCCConversationWindow>());
}

// Both dictionaries are one implementation over their key type: the contact information one stands for both.
class Dictionary : public UcFixture {
protected:
    using Content = std::vector<std::pair<LONG, std::wstring>>;
    static ContactInformationType key(long value) { return static_cast<ContactInformationType>(value); }

    // A dictionary filled with (key, text) pairs in the order given.
    static ComPtr<IUCCContactInformationDictionary> dictionaryOf(const Content& entries)
    {
        MICComPtr<UCCContactInformationDictionary> dictionary = ComObject<UCCContactInformationDictionary>::create();
        for (const auto& [added, value] : entries) EXPECT_EQ(dictionary->add(key(added), *text(value.c_str()).get()), S_OK);
        return dictionary.as<IUCCContactInformationDictionary>();
    }
    // Late-bound as Office reads it: keys, then values by position, then each key's item.
    static Content contentOf(IUCCContactInformationDictionary* dictionary)
    {
        const Int32s keyList = elementsOf<LONG>(property(dictionary, L"Keys"), VT_I4);
        const std::vector<Variant> valueList = elementsOf<Variant>(property(dictionary, L"Values"), VT_VARIANT);
        EXPECT_EQ(int32Of(property(dictionary, L"Count")), static_cast<LONG>(keyList.size()));
        EXPECT_EQ(valueList.size(), keyList.size());
        Content content;
        for (LONG i = 0; i < static_cast<LONG>(keyList.size()); ++i) {
            const LONG keyAt = int32Of(answer(dictionary, L"GetKeyAt", kCall, {number(i)}));
            EXPECT_EQ(keyAt, keyList.at(i));
            EXPECT_EQ(stringOf(answer(dictionary, L"GetValueAt", kCall, {number(i)})), stringOf(valueList.at(i)));
            content.emplace_back(keyAt, stringOf(property(dictionary, L"Item", {number(keyAt)})));
        }
        return content;
    }
};

// Keys answer in key order, values in the order of adding; a key added twice keeps its position and takes
// the later value, and no later key reads another key's value.
TEST_F(Dictionary, KeysInKeyOrderValuesInAddingOrderEachItemItsOwn)
{
    auto dictionary = dictionaryOf({{10, L"ten"}, {0, L"zero"}});
    EXPECT_EQ(contentOf(dictionary.get()), (Content{{0, L"zero"}, {10, L"ten"}}));
    EXPECT_EQ(stringOf(answer(dictionary.get(), L"GetValueAt", kCall, {number(0)})), L"ten")
        << "position 0 pairs the lowest key with the first value added";
    EXPECT_EQ(contentOf(dictionaryOf({{0, L"a"}, {10, L"b"}, {0, L"c"}, {7, L"d"}}).get()),
              (Content{{0, L"c"}, {7, L"d"}, {10, L"b"}}));
    EXPECT_TRUE(contentOf(dictionaryOf({}).get()).empty());
}

TEST_F(Dictionary, ReadsAnswerCopiesOrFailWritingNothing)
{
    auto dictionary = dictionaryOf({{3, L"three"}, {10, L"ten"}});
    for (LONG index : {LONG(-1), LONG(2), LONG_MIN, LONG_MAX}) {
        ContactInformationType unwritten = key(77);
        EXPECT_EQ(dictionary->GetKeyAt(index, &unwritten), E_FAIL) << index;
        EXPECT_EQ(unwritten, 77);
        VARIANT value;
        value.vt = VT_I4; // stands for whatever an [out] VARIANT may hold on entry
        EXPECT_EQ(dictionary->GetValueAt(index, &value), E_FAIL) << index;
        EXPECT_EQ(value.vt, VT_EMPTY);
    }
    Variant value;
    EXPECT_EQ(dictionary->get_Item(key(4), value.out()), E_FAIL);
    VARIANT_BOOL found = VARIANT_TRUE;
    EXPECT_EQ(dictionary->TryGetValue(key(4), value.out(), &found), S_OK);
    EXPECT_TRUE(found == VARIANT_FALSE && value.isEmpty());
    Variant viaReference;
    EXPECT_TRUE(sameValue(answer(dictionary.get(), L"TryGetValue", kCall, {number(3), byReference(viaReference.get())}), truth(true)));
    EXPECT_EQ(stringOf(viaReference), L"three");
    EXPECT_TRUE(sameValue(answer(dictionary.get(), L"ContainsKey", kCall, {number(7)}), truth(false)));
    for (HRESULT refused : {dictionary->get_Values(nullptr), dictionary->get_Keys(nullptr), dictionary->get_Count(nullptr),
                            dictionary->get_Item(key(3), nullptr), dictionary->TryGetValue(key(3), nullptr, &found),
                            dictionary->TryGetValue(key(3), value.out(), nullptr), dictionary->GetKeyAt(0, nullptr),
                            dictionary->GetValueAt(0, nullptr), dictionary->ContainsKey(key(3), nullptr)})
        EXPECT_EQ(refused, E_POINTER);
    ASSERT_EQ(dictionary->get_Item(key(3), value.out()), S_OK);
    value.get()->bstrVal[0] = L'X'; // scribbling on a copy must not reach the dictionary
    EXPECT_EQ(contentOf(dictionary.get()).at(0).second, L"three");
}

using Values = UcFixture;

TEST_F(Values, SettingValuesAreCopiedWholeOrRefused)
{
    MICComPtr<UCCContactSettingChangedEventData> data = ComObject<UCCContactSettingChangedEventData>::create();
    ASSERT_EQ(data->setValue(*truth(false).get()), S_OK);
    VARIANT broken;
    broken.vt = 0x7FFF; // no such type
    EXPECT_HRESULT_FAILED(data->setValue(broken));
    EXPECT_EQ(property(data.as<IDispatch>().get(), L"Value").type(), VT_BOOL);
    const std::wstring withNul(L"In a meeting\0 until 3", 21);
    EXPECT_EQ(stringOf(property(ComObject<UCCLocaleString>::create(withNul).as<IDispatch>().get(), L"Value")), withNul);
}

class AsynchronousOperation : public UcFixture {
protected:
    void releaseTestObjects() override { callback.reset(); }
    std::shared_ptr<AsynchronousOperationWorker> newWorker(IDispatch* target = nullptr)
    {
        auto made = std::make_shared<AsynchronousOperationWorker>(target ? target : callback.get(), UCCContactManager::OnLookupId);
        made->setResultFunction([](DispatchParameters& parameters) {
            for (int i = 0; i < 2; ++i) parameters.add(Variant::fromDispatch(nullptr));
            return true;
        });
        return made;
    }
    static bool flag(const std::shared_ptr<AsynchronousOperationWorker>& worker, const wchar_t* name)
    {
        return operationSays(worker->operation().as<IDispatch>().get(), name);
    }

    ComPtr<FakeOfficeSink> callback = FakeOfficeSink::create(contractid::IUCCContactsAndGroupsCallback, journal);
};

TEST_F(AsynchronousOperation, ReportsItsCompletionOnceUnlessCancelled)
{
    // When Office hears a report and what it carries, a failed result among them: Contact.LookupAnswers...
    auto held = std::make_shared<int>(0); // stands for the contact manager that started the call
    auto holding = newWorker();
    holding->setResultFunction(
        [held](DispatchParameters& parameters) { return SUCCEEDED(parameters.add(Variant::fromDispatch(nullptr))); });
    holding->DoWork();
    EXPECT_EQ(held.use_count(), 1) << "a finished worker still holds what its result function held";
    holding->DoWork();

    // Cancelled before or while the result is built, or without a result function: nothing is reported.
    auto before = newWorker();
    ASSERT_EQ(before->operation().as<IUCCAsynchronousOperation>()->CancelOperation(), S_OK);
    before->DoWork();
    auto during = newWorker();
    ComPtr<IUCCAsynchronousOperation> operation = during->operation().as<IUCCAsynchronousOperation>();
    during->setResultFunction([operation](DispatchParameters&) { return operation->CancelOperation() == S_OK; });
    during->DoWork();
    auto without = std::make_shared<AsynchronousOperationWorker>(callback.get(), UCCContactManager::OnLookupId);
    without->DoWork();
    extensionsutils::EventDelivery::waitUntilSettled(20000);
    EXPECT_EQ(journal->count(), 1u);
    EXPECT_FALSE(flag(before, L"IsCompleted") || flag(during, L"IsCompleted") || flag(without, L"IsCompleted"));

    MICComPtr<UCCAsynchronousOperation> completed = ComObject<UCCAsynchronousOperation>::create();
    completed->complete(true);
    answer(completed.as<IDispatch>().get(), L"CancelOperation", kCall);
    EXPECT_TRUE(completed->isCancelled());
    EXPECT_TRUE(operationSays(completed.as<IDispatch>().get(), L"IsSucceeded")) << "cancelling after completion keeps the result";

    ComPtr<FakeOfficeSink> failing = FakeOfficeSink::create(contractid::IUCCContactsAndGroupsCallback, journal);
    failing->setResult(DISP_E_MEMBERNOTFOUND);
    auto withFailing = newWorker(failing.get());
    withFailing->DoWork();
    auto withNone = std::make_shared<AsynchronousOperationWorker>(nullptr, UCCContactManager::OnLookupId);
    withNone->setResultFunction([](DispatchParameters&) { return true; });
    withNone->DoWork();
    extensionsutils::EventDelivery::waitUntilSettled(20000);
    EXPECT_TRUE(flag(withFailing, L"IsCompleted") && flag(withNone, L"IsCompleted"));
    EXPECT_TRUE(host().logged(L"Asynchronous Operation callback failed -2147352573"));
}

} // namespace
