// UC contacts: made by address through the contact manager, their answers from the host (each read inside
// a host read transaction), Lookup through the resolver, and host changes becoming Office's events.

#include "UcFixture.h"

#include <thread>

namespace {

constexpr HRESULT kNotFound = static_cast<HRESULT>(0x8100030A);
const wchar_t* const kBobsMail = L"bob.builder@mail.example.com";
const DISPID kInformationChanged = 400;
const DISPID kSettingChanged = 401;
using Endpoints = std::vector<std::pair<std::wstring, LONG>>;
using Heard = std::vector<std::pair<DISPID, Int32s>>;

// Details whose change handler the test holds, to deliver host events the fake host cannot send.
class HandDeliveredDetails : public ContactDetails {
public:
    void startWatchingContact(ChangeHandler changeHandler) override { handler = std::move(changeHandler); }
    HRESULT getUri(BSTR* uri) override { return Bstr(L"carol@example.com").copyTo(uri); }
    HRESULT getDisplayName(BSTR*) override { return E_FAIL; }
    HRESULT getPresenceString(BSTR*) override { return E_FAIL; }
    LONG getPresenceState() override { return 0; }
    HRESULT getWorkNumber(BSTR*) override { return E_FAIL; }
    HRESULT getMobileNumber(BSTR*) override { return E_FAIL; }
    HRESULT getHomeNumber(BSTR*) override { return E_FAIL; }
    HRESULT getOtherNumber(BSTR*) override { return E_FAIL; }
    HRESULT getTagged(VARIANT_BOOL*) override { return E_FAIL; }
    std::shared_ptr<TransactionLock> getReadTransactionLock() override { return nullptr; }
    void deliver(VARIANT argument) { DISPPARAMS parameters = {&argument, nullptr, 1, 0}; handler(&parameters); }
    ChangeHandler handler;
};

class Contact : public UcFixture {
protected:
    Variant information(IUCCContact* contact, LONG type, HRESULT expected = S_OK)
    {
        Variant value;
        EXPECT_EQ(contact->GetContactInformation(static_cast<ContactInformationType>(type), value.out()), expected) << type;
        return value;
    }
    LONG availabilityOf(IUCCContact* contact) { return int32Of(information(contact, ucPresenceAvailability)); }
    Endpoints endpointsOf(IUCCContact* contact)
    {
        Endpoints result;
        for (const auto& endpoint : elementsOf<ComPtr<IDispatch>>(information(contact, ucPresenceContactEndpoints), VT_DISPATCH))
            result.emplace_back(stringOf(property(endpoint.get(), L"Uri")), int32Of(property(endpoint.get(), L"Type")));
        return result;
    }
    HRESULT tag(IUCCContact* contact, const Variant& value, LONG setting = ucContactTagged)
    {
        return contact->ChangeSetting(static_cast<ContactSetting>(setting), *value.get(), nullptr, *Variant().get(), nullptr);
    }
    HRESULT lookup(const wchar_t* text, IUnknown* callback, IUCCAsynchronousOperation** operation)
    {
        return manager->Lookup(Bstr(text).get(), callback, *Variant().get(), operation);
    }
    ComPtr<FakeOfficeSink> lookupCallback() { return FakeOfficeSink::create(contractid::IUCCContactsAndGroupsCallback, journal); }
    static bool completed(IUCCAsynchronousOperation* operation) { return operationSays(operation, L"IsCompleted"); }

    // The one OnLookup Office heard, from a delivery thread: its result's address ("<null>" for none).
    std::wstring onlyLookupResult(IUCCAsynchronousOperation* operation)
    {
        const std::vector<OfficeEvent> events = journal->events();
        if (events.size() != 1 || events[0].arguments.size() != 3) return L"<" + std::to_wstring(events.size()) + L" events>";
        EXPECT_EQ(events[0].id, 0xfb); // OnLookup
        EXPECT_NE(events[0].threadId, workerThreadId) << "a delivery thread calls Office, not the worker";
        EXPECT_TRUE(extensionsutils::sameComObject(events[0].arguments[0].get()->pdispVal, manager.identity()));
        EXPECT_TRUE(extensionsutils::sameComObject(events[0].arguments[2].get()->pdispVal, operation));
        IDispatch* result = events[0].arguments[1].get()->pdispVal;
        return result ? uriOf(ComPtr<IDispatch>(result).as<IUCCContact>().get()) : L"<null>";
    }
    // Each event after the first `skipped` as its id and what it carries: the changed types, or the tag's
    // value for a setting.
    Heard heard(std::size_t skipped)
    {
        Heard result;
        const std::vector<OfficeEvent> events = journal->events();
        for (auto event = events.begin() + skipped; event != events.end(); ++event) {
            EXPECT_EQ(event->apartment, "MTA");
            IDispatch* data = event->arguments.at(1).get()->pdispVal;
            if (event->id == kSettingChanged) result.push_back({event->id, {property(data, L"Value").get()->boolVal}});
            else result.push_back({event->id, elementsOf<LONG>(property(data, L"ChangedContactInformation"), VT_I4)});
        }
        return result;
    }
};

// An address with an at sign is the host's contact, asked as given and, when a "sip:" address (any case)
// finds nobody, again without the scheme; any other address is a number contact the host never sees.
TEST_F(Contact, AddressesBecomeHostContactsOrNumberContacts)
{
    // `asked`: a host contact when the host was asked
    const struct { const wchar_t* address; const wchar_t* uri; Strings asked = {}; } rows[] = {
        {kBob, L"sip:bob@example.com", {kBob}}, {L"sip:bob@example.com", L"sip:bob@example.com", {L"sip:bob@example.com", kBob}},
        {L"SIP:bob@example.com", L"sip:bob@example.com", {L"SIP:bob@example.com", kBob}},
        {L"+15550100", L"+15550100"}, {L"sip:bob", L"sip:bob"}, {L"", L""}, {nullptr, L""}};
    for (const auto& row : rows) {
        SCOPED_TRACE(narrow(row.uri));
        host().forgetRecords();
        ComPtr<IUCCContact> contact;
        ASSERT_EQ(manager->GetContactByUri(Bstr(row.address).get(), contact.out()), S_OK);
        EXPECT_EQ(uriOf(contact.get()), row.uri);
        EXPECT_EQ(static_cast<bool>(contact.as<IUCCContact2>()), !row.asked.empty()) << "number contacts are not full contacts";
        EXPECT_EQ(host().uriLookups(), row.asked);
    }
    ComPtr<IUCCContact> first = contactFor(kBob);
    EXPECT_FALSE(extensionsutils::sameComObject(first.get(), contactFor(kBob).get())) << "every request makes a new contact";
    IUCCContact* none = nullptr;
    EXPECT_EQ(manager->GetContactByUri(Bstr(L"sip:nobody@example.com").get(), &none), kNotFound);
    EXPECT_EQ(uriOf(contactFor(kUser).get()), L"sip:alice@example.com");
    host().clearClientUser();
    EXPECT_EQ(manager->GetSelfContact(&none), E_FAIL);
    EXPECT_EQ(none, nullptr);
    EXPECT_EQ(manager->GetContactByUri(Bstr(kBob).get(), nullptr), E_POINTER);
}

TEST_F(Contact, InformationIsTheHostContactsInOfficesUnits)
{
    ComPtr<IUCCContact> bob = contactFor(kBob);
    const std::pair<long, LONG> rows[] = {{1, 3500}, {2, 15500}, {3, 9500}, {4, 15500}, {5, 18500}, {0, 0}, {6, 0}};
    for (const auto& [presence, availability] : rows) {
        host().setPresence(kBob, presence, L"Do not disturb");
        EXPECT_EQ(availabilityOf(bob.get()), availability) << presence;
    }
    EXPECT_EQ(stringOf(information(bob.get(), ucPresenceActivity)), L"Do not disturb");
    EXPECT_EQ(stringOf(information(bob.get(), ucPresenceDisplayName)), L"Bob Builder");
    EXPECT_EQ(stringOf(information(bob.get(), ucPresenceActivityId)), L"");
    EXPECT_EQ(elementsOf<std::wstring>(information(bob.get(), ucPresenceLegacyInstantMessageAddresses), VT_BSTR), Strings{kBob});
    const auto custom = elementsOf<ComPtr<IDispatch>>(information(bob.get(), ucPresenceCustomActivity), VT_DISPATCH);
    ASSERT_EQ(custom.size(), 1u);
    EXPECT_EQ(int32Of(property(custom[0].get(), L"LocaleId")), -1);
    EXPECT_EQ(stringOf(property(custom[0].get(), L"Value")), L"Do not disturb");
    EXPECT_EQ(endpointsOf(bob.get()), (Endpoints{{L"+1 555 0100", ucContactEndpointTypeWorkPhone},
                                                 {L"+1 555 0101", ucContactEndpointTypeMobilePhone},
                                                 {L"+1 555 0102", ucContactEndpointTypeHomePhone},
                                                 {L"+1 555 0103", ucContactEndpointTypeOtherPhone}}));
    host().failMethod(HostMethod::GetMobileNumber);
    EXPECT_EQ(endpointsOf(contactFor(kUser).get()), (Endpoints{{L"+44 20 1", ucContactEndpointTypeWorkPhone}}))
        << "an empty number and a failing getter are left out";
    ComPtr<IUCCContact> unresolved = unresolvedContact();
    EXPECT_EQ(availabilityOf(unresolved.get()), 0);
    EXPECT_TRUE(elementsOf<std::wstring>(information(unresolved.get(), ucPresenceInstantMessageAddresses), VT_BSTR).empty());
    host().failMethod(HostMethod::RequestPresenceState);
    EXPECT_EQ(availabilityOf(bob.get()), 0) << "an unreadable presence is none";

    // Unanswered types and the host's failures give their codes with an empty value.
    host().clearFailures();
    for (const LONG type : {LONG(ucPresenceTitle), LONG(ucPresencePhoto), 49L, -1L, 0x7fffffffL}) {
        VARIANT value;
        value.vt = VT_I4; // whatever the caller left there is overwritten, not freed
        EXPECT_EQ(bob->GetContactInformation(static_cast<ContactInformationType>(type), &value), E_NOTIMPL) << type;
        EXPECT_EQ(value.vt, VT_EMPTY) << type;
    }
    EXPECT_EQ(bob->GetContactInformation(ucPresenceAvailability, nullptr), E_POINTER);
    const struct { HostMethod failing; LONG type; HRESULT code; } failures[] = {
        {HostMethod::GetFriendlyName, ucPresenceDisplayName, E_ACCESSDENIED},
        {HostMethod::GetPresenceString, ucPresenceCustomActivity, E_UNEXPECTED},
        {HostMethod::GetSigninName, ucPresenceInstantMessageAddresses, E_HANDLE}};
    for (const auto& failure : failures) {
        host().failMethod(failure.failing, failure.code);
        EXPECT_TRUE(information(bob.get(), failure.type, failure.code).isEmpty());
    }
    EXPECT_TRUE(information(unresolvedContact().get(), ucPresenceDisplayName, E_FAIL).isEmpty());
}

TEST_F(Contact, DictionariesHoldWhatTheHostCanReadInOneReadTransaction)
{
    ComPtr<IUCCContact> bob = contactFor(kBob);
    std::vector<unsigned> openAtRequest;
    host().addLogHook([&](const fakehost::LogRecord& record) {
        if (record.message.rfind(L"Request received for", 0) == 0) openAtRequest.push_back(host().openReadTransactions());
    });
    ComPtr<IUCCContactInformationDictionary> batch;
    const SafeArray asked = int32Array({ucPresenceDisplayName, ucPresenceAvailability, ucPresenceTitle}, 5);
    ASSERT_EQ(bob->BatchGetContactInformation(asked.get(), batch.out()), S_OK);
    host().clearLogHooks();
    ASSERT_GE(openAtRequest.size(), 2u);
    for (std::size_t i = 0; i < openAtRequest.size(); ++i)
        EXPECT_EQ(openAtRequest[i], i ? 2u : 1u) << "the batch holds one, each read another";
    EXPECT_EQ(elementsOf<LONG>(property(batch.get(), L"Keys"), VT_I4), (Int32s{0, 10, 14}));
    EXPECT_TRUE(property(batch.get(), L"Item", {number(ucPresenceTitle)}).isEmpty()) << "an unanswered type is there, empty";
    EXPECT_EQ(bob->BatchGetContactInformation(SafeArray::ofStrings({L"10"}).get(), batch.out()), E_INVALIDARG);
    EXPECT_EQ(bob->BatchGetContactInformation(twoByTwo(VT_I4).get(), batch.out()), E_INVALIDARG);
    EXPECT_EQ(bob->BatchGetContactInformation(nullptr, batch.out()), E_POINTER);
    EXPECT_FALSE(batch);

    ComPtr<IDispatch> settings = objectOf(property(ComPtr<IDispatch>(contactFor(kUser).get()).get(), L"Settings"));
    EXPECT_EQ(answer(settings.get(), L"GetValueAt", kCall, {number(0)}).type(), VT_BOOL) << "the tag's value comes first";
    const auto endpointSetting = [&](LONG type) { return objectOf(property(settings.get(), L"Item", {number(type)})); };
    EXPECT_EQ(stringOf(property(endpointSetting(ucContactEndpointTypeMobilePhone).get(), L"DisplayName")), L"+44 77 1");
    EXPECT_FALSE(endpointSetting(ucContactEndpointTypeHomePhone)) << "an empty number is a null endpoint";
    host().failMethod(HostMethod::GetIsTagged);
    host().failMethod(HostMethod::GetHomeNumber);
    settings = objectOf(property(ComPtr<IDispatch>(bob.get()).get(), L"Settings"));
    EXPECT_EQ(elementsOf<LONG>(property(settings.get(), L"Keys"), VT_I4), (Int32s{0, 1, 3})) << "what the host cannot read is left out";
    EXPECT_EQ(int32Of(property(objectOf(property(ComPtr<IDispatch>(unresolvedContact().get()).get(), L"Settings")).get(), L"Count")), 0);
    EXPECT_EQ(host().openReadTransactions(), 0u);
}

TEST_F(Contact, ChangeSettingTagsThroughTheHostOnly)
{
    ComPtr<IUCCContact> bob = contactFor(kBob);
    IUCCAsynchronousOperation* operation = reinterpret_cast<IUCCAsynchronousOperation*>(1);
    EXPECT_EQ(bob->ChangeSetting(ucContactTagged, *truth(false).get(), nullptr, *Variant().get(), &operation), S_OK);
    EXPECT_EQ(operation, nullptr) << "no operation is handed out";
    EXPECT_EQ(tag(bob.get(), truth(true)), S_OK);
    EXPECT_EQ(tag(bob.get(), number(0)), S_OK) << "a number converts to a boolean";
    EXPECT_EQ(tag(bob.get(), Variant()), S_OK) << "empty reads as false";
    EXPECT_EQ(tag(bob.get(), text(L"perhaps")), E_INVALIDARG);
    VARIANT nowhere = {};
    nowhere.vt = VT_BYREF | VT_BOOL; // a reference whose pointer Office left null
    EXPECT_EQ(bob->ChangeSetting(ucContactTagged, nowhere, nullptr, *Variant().get(), nullptr), E_INVALIDARG);
    EXPECT_EQ(tag(bob.get(), truth(true), 0), E_NOTIMPL);
    EXPECT_EQ(tag(unresolvedContact().get(), truth(true)), E_NOTIMPL);
    EXPECT_EQ(host().tagRequests(), (std::vector<std::pair<std::wstring, long>>{{kBob, 0}, {kBob, -1}, {kBob, 0}, {kBob, 0}}));
    host().failMethod(HostMethod::TagContact);
    EXPECT_EQ(tag(bob.get(), truth(true)), S_OK) << "the host's answer is not Office's business";
    for (const auto& [contact, setting] :
         {std::pair{bob, LONG(ucContactEndpointTypeWorkPhone)}, std::pair{unresolvedContact(), LONG(ucContactTagged)}})
        EXPECT_TRUE(sameValue(answer(ComPtr<IDispatch>(contact.get()).get(), L"CanChangeSetting", kCall, {number(setting)}), truth(false)));
}

TEST_F(Contact, CanStartInstantMessageOrAudioOnlyOnTheUsersOwnContact)
{
    ComPtr<IUCCContact> user = contactFor(kUser), userBySip = contactFor(L"sip:alice@example.com"), bob = contactFor(kBob);
    const struct { IUCCContact* contact; LONG modalities; VARIANT_BOOL answer; } rows[] = {
        {user.get(), ucModalityInstantMessage, VARIANT_TRUE}, {userBySip.get(), ucModalityInstantMessage, VARIANT_TRUE},
        {user.get(), ucModalityAudioVideo, VARIANT_TRUE}, {user.get(), ucModalityApplicationSharing, VARIANT_FALSE},
        {bob.get(), ucModalityAudioVideo, VARIANT_FALSE},
        {user.get(), ucModalityInstantMessage | ucModalityAudioVideo, VARIANT_FALSE}, {bob.get(), ucModalityInstantMessage, VARIANT_FALSE},
    };
    for (const auto& row : rows) {
        VARIANT_BOOL answer = 7;
        EXPECT_EQ(row.contact->CanStart(static_cast<ModalityTypes>(row.modalities), &answer), S_OK);
        EXPECT_EQ(answer, row.answer) << narrow(uriOf(row.contact)) << " " << row.modalities;
    }
    auto canStartChat = [](IUCCContact* contact) {
        return sameValue(answer(ComPtr<IDispatch>(contact).get(), L"CanStart", kCall, {number(ucModalityInstantMessage)}), truth(true));
    };
    host().answerEmpty(HostMethod::GetSigninName); // the host knows the user but gives no name
    EXPECT_FALSE(canStartChat(unresolvedContact().get())) << "a contact without address is never the user";
    host().clearFailures();
    host().clearClientUser();
    EXPECT_FALSE(canStartChat(user.get()));
}

// Office has its operation before the request is made, and hears an answer the host gives at once only
// after the lookup returned, complete by then.
TEST_F(Contact, AnAnswerGivenAtOnceReachesOfficeOnlyAfterLookupReturned)
{
    host().setResolutionMode(fakehost::FakeHost::ResolutionMode::WhileRequesting);
    host().setResolutionAnswer(kBobsMail, kBob);
    ComPtr<IUCCAsynchronousOperation> operation;
    bool operationWrittenFirst = false;
    std::size_t reportedBeforeReturn = 99;
    host().setAnsweredWhileRequestingHook([&] {
        operationWrittenFirst = operation.get() != nullptr;
        settleWorker();
        reportedBeforeReturn = journal->count();
    });
    bool completedWhenHeard = false;
    ComPtr<FakeOfficeSink> callback = lookupCallback();
    callback->setHook([&](const OfficeEvent&) { completedWhenHeard = operation && completed(operation.get()); });
    ASSERT_EQ(lookup(kBobsMail, callback.get(), operation.out()), S_OK);
    settleWorker();
    EXPECT_TRUE(operationWrittenFirst) << "Office has its operation before the request is made";
    EXPECT_EQ(reportedBeforeReturn, 0u);
    EXPECT_TRUE(completedWhenHeard) << "the operation is complete when Office hears the answer";
    EXPECT_EQ(onlyLookupResult(operation.get()), L"sip:bob@example.com");
}

// Nobody found is still a contact (over the failed resolution); an answer the host cannot find is none.
TEST_F(Contact, LookupsAnswerWhatTheHostResolved)
{
    // `answer` nullptr: nobody
    const struct { const wchar_t *asked, *answer, *reported; bool succeeded; Strings requests; } rows[] = {
        {L"stranger@mail.example.com", nullptr, L"sip:", true, {L"stranger@mail.example.com"}},
        {kBobsMail, L"ghost@example.com", L"<null>", false, {kBobsMail}},
        {L"sip:bob.builder@mail.example.com", kBob, L"sip:bob@example.com", true, {L"sip:bob.builder@mail.example.com", kBobsMail}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(narrow(row.asked));
        journal = std::make_shared<fakeoffice::OfficeEventJournal>();
        host().forgetRecords();
        if (row.answer) host().setResolutionAnswer(kBobsMail, row.answer);
        ComPtr<IUCCAsynchronousOperation> operation;
        ASSERT_EQ(lookup(row.asked, lookupCallback().get(), operation.out()), S_OK);
        EXPECT_FALSE(completed(operation.get()));
        for (std::size_t i = 0; i < row.requests.size(); ++i) {
            host().answerPendingResolutions();
            settleWorker();
        }
        EXPECT_EQ(host().resolveRequests(), row.requests);
        EXPECT_EQ(onlyLookupResult(operation.get()), row.reported);
        EXPECT_TRUE(completed(operation.get()));
        EXPECT_EQ(operationSays(operation.get(), L"IsSucceeded"), row.succeeded);
    }
}

TEST_F(Contact, LookupRefusesNoCallbackOrNoAddressWritingNothing)
{
    IUCCAsynchronousOperation* untouched = sentinel<IUCCAsynchronousOperation>();
    EXPECT_EQ(lookup(kBobsMail, nullptr, &untouched), E_FAIL);
    EXPECT_EQ(lookup(kBobsMail, FakeOfficeSink::create(contractid::IUCCContactEvents, journal).get(), &untouched), E_FAIL);
    EXPECT_EQ(lookup(L"", lookupCallback().get(), &untouched), E_INVALIDARG);
    EXPECT_EQ(untouched, sentinel<IUCCAsynchronousOperation>());
}

TEST_F(Contact, AnAnswerForADisconnectedOrReleasedManagerReachesNothing)
{
    ComPtr<IUCCAsynchronousOperation> operation;
    ASSERT_EQ(lookup(kBobsMail, lookupCallback().get(), operation.out()), S_OK);
    manager->disconnect();
    host().answerPendingResolutions();
    settleWorker();
    EXPECT_EQ(lookup(kBobsMail, lookupCallback().get(), operation.out()), E_FAIL) << "a disconnected manager looks nothing up";
    manager->initialise(worker, resolver);
    ASSERT_EQ(lookup(kBobsMail, lookupCallback().get(), operation.out()), S_OK);
    const long locksBefore = extensionsutils::moduleLockCount();
    manager.reset();
    // A delivery thread may still be letting go of an earlier report, which holds the manager for a moment.
    EXPECT_TRUE(waitUntil([&] { return extensionsutils::moduleLockCount() < locksBefore; }))
        << "the pending lookup kept the manager";
    host().answerPendingResolutions();
    settleWorker();
    EXPECT_EQ(journal->count(), 0u);
    EXPECT_FALSE(completed(operation.get())) << "the operation stays pending";
}

// Codes: 1 name, 2 nothing Office reads, 3 numbers, 4 presence, 5 tag (fired at once as its setting).
TEST_F(Contact, ChangeCodesBecomeInformationAndSettingEventsInArrayOrder)
{
    const std::pair<std::vector<long>, Heard> rows[] = {
        {{4, 1}, {{kInformationChanged, {0, 1, 8, 7, 10}}}},
        {{3, 5, 3, 2, 4}, {{kSettingChanged, {VARIANT_TRUE}}, {kInformationChanged, {27, 27, 0, 1, 8, 7}}}},
        {{2}, {}}, {{}, {}}, {{0, 6, -1}, {}},
    };
    ComPtr<IUCCContact> bob = contactFor(kBob);
    adviseSink(bob.get());
    for (const auto& [codes, expected] : rows) {
        SCOPED_TRACE(testing::PrintToString(codes));
        const std::size_t earlier = journal->count();
        EXPECT_EQ(host().fireContactChanged(kBob, codes), std::vector<HRESULT>{S_OK});
        drainWorker();
        EXPECT_EQ(heard(earlier), expected);
        EXPECT_EQ(heard(earlier), expected) << "each read is a new array: the first one's destruction left it whole";
    }
    const std::size_t earlier = journal->count();
    host().fireContactChanged(kBob, {1}, 2); // another event of the host contact
    host().failMethod(HostMethod::GetIsTagged);
    host().fireContactChanged(kBob, {5});
    drainWorker();
    EXPECT_EQ(heard(earlier), (Heard{{kSettingChanged, {VARIANT_FALSE}}})) << "an unreadable tag reads as not tagged";
}

TEST_F(Contact, TheHostsHandlerTakesOnlyAnArrayOfCodes)
{
    auto details = std::make_shared<HandDeliveredDetails>();
    ComPtr<IUCCContact> contact;
    ASSERT_EQ(manager->createContact(details, contact.out()), S_OK);
    adviseSink(contact.get());
    details->handler(nullptr);
    DISPPARAMS empty = {nullptr, nullptr, 0, 0};
    details->handler(&empty);
    details->deliver(*Variant::fromString(L"1").get());
    details->deliver(*Variant::fromSafeArray(SafeArray::ofStrings({L"1"}).detach()).get());
    Variant codes = Variant::fromSafeArray(int32Array({1}).detach());
    VARIANT reference; // as some hosts pass them
    reference.vt = VT_BYREF | VT_ARRAY | VT_I4;
    reference.pparray = &codes.get()->parray;
    details->deliver(reference);
    drainWorker();
    EXPECT_EQ(journal->count(), 1u) << "only the array of codes, given by reference, is heard";
}

TEST_F(Contact, ReleasedContactsLetGoOfTheHostAtOnceWhateverTheQueueHolds)
{
    ComPtr<IUCCContact> kept = contactFor(kBob);
    adviseSink(kept.get());
    std::vector<ComPtr<IUCCContact>> released;
    for (int i = 0; i < 10; ++i) released.push_back(contactFor(kBob));
    auto gate = std::make_shared<vorn::Event>();
    worker->AddWork(std::make_shared<Tr1FunctionWorker>([gate] { gate->wait(20000); }));
    for (int i = 0; i < 20; ++i) host().fireContactChanged(kBob, {4}); // a burst waits in the queue
    released.clear();
    EXPECT_EQ(host().contactSinkCount(kBob), 1u);
    gate->set();
    drainWorker();
    EXPECT_GE(journal->count(), 1u) << "the contact Office kept heard the changes";
}

TEST_F(Contact, TheStopWindowDropsChangesButNotReleasedContacts)
{
    manager->disconnect(); // nothing is queued for a change now
    ComPtr<IUCCContact> bob = contactFor(kBob);
    vorn::Event inHandler, released;
    host().addLogHook([&](const fakehost::LogRecord& record) {
        if (record.message != L"Contact data changed") return;
        inHandler.set();
        released.wait(20000);
    });
    std::thread office([&] { inHandler.wait(20000); bob.reset(); released.set(); });
    EXPECT_EQ(host().fireContactChanged(kBob, {4}), std::vector<HRESULT>{S_OK});
    office.join();
    host().clearLogHooks();
    const DWORD hostThread = host().recordsOf(L"Contact data changed").at(0).threadId;
    std::vector<DWORD> destroyedOn;
    for (const fakehost::LogRecord& record : host().logRecords())
        if (record.function == L"UCCContact::~UCCContact") destroyedOn.push_back(record.threadId);
    ASSERT_EQ(destroyedOn.size(), 1u);
    EXPECT_NE(destroyedOn[0], hostThread);
    EXPECT_EQ(journal->count(), 0u);
}

} // namespace
