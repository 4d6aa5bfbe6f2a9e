// The contact manager: contacts by address (the host's, a number's, the user's own) and Lookup answered
// through the resolver to Office's callback, called by the event delivery.

#include "UcFixture.h"

namespace {

constexpr HRESULT kNotFound = static_cast<HRESULT>(0x8100030A);
const wchar_t* const kBobsMail = L"bob.builder@mail.example.com";

class ContactManager : public UcFixture {
protected:
    HRESULT lookup(const wchar_t* text, IUnknown* callback, IUCCAsynchronousOperation** operation)
    {
        return manager->Lookup(Bstr(text).get(), callback, *Variant().get(), operation);
    }

    ComPtr<FakeOfficeSink> lookupCallback() { return FakeOfficeSink::create(DIID__IUCCContactsAndGroupsCallback, journal); }

    static bool flag(IUCCAsynchronousOperation* operation, bool completed)
    {
        VARIANT_BOOL value = 7;
        EXPECT_EQ(completed ? operation->get_IsCompleted(&value) : operation->get_IsSucceeded(&value), S_OK);
        return value == VARIANT_TRUE;
    }

    // The one OnLookup Office heard: its result's address ("<null>" for none), checked for its shape.
    std::wstring onlyLookupResult(IUCCAsynchronousOperation* operation)
    {
        const std::vector<OfficeEvent> events = journal->events();
        if (events.size() != 1 || events[0].arguments.size() != 3) return L"<" + std::to_wstring(events.size()) + L" events>";
        EXPECT_EQ(events[0].id, UCCContactManager::OnLookupId);
        EXPECT_NE(events[0].threadId, workerThreadId) << "a delivery thread calls Office, not the worker";
        EXPECT_TRUE(extensionsutils::sameComObject(events[0].arguments[0].get()->pdispVal, manager.identity()));
        EXPECT_TRUE(extensionsutils::sameComObject(events[0].arguments[2].get()->pdispVal, operation));
        IDispatch* result = events[0].arguments[1].get()->pdispVal;
        return result ? uriOf(ComPtr<IDispatch>(result).as<IUCCContact>().get()) : L"<null>";
    }
};

// An address with an at sign is the host's contact, asked as given and, when a "sip:" address (any case)
// finds nobody, again without the scheme; any other address is a number contact the host never sees.
TEST_F(ContactManager, AddressesBecomeHostContactsOrNumberContacts)
{
    struct Row {
        const wchar_t* address;
        const wchar_t* uri;
        bool hostContact;
        Strings asked;
    };
    const Row rows[] = {
        {kBob, L"sip:bob@example.com", true, {kBob}},
        {L"sip:bob@example.com", L"sip:bob@example.com", true, {L"sip:bob@example.com", kBob}},
        {L"SIP:bob@example.com", L"sip:bob@example.com", true, {L"SIP:bob@example.com", kBob}},
        {L"+15550100", L"+15550100", false, {}},
        {L"sip:bob", L"sip:bob", false, {}},
        {L"", L"", false, {}},
        {nullptr, L"", false, {}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(extensionsutils::toUtf8(row.uri));
        host().forgetRecords();
        ComPtr<IUCCContact> contact;
        ASSERT_EQ(manager->GetContactByUri(Bstr(row.address).get(), contact.out()), S_OK);
        EXPECT_EQ(uriOf(contact.get()), row.uri);
        EXPECT_EQ(static_cast<bool>(contact.as<IUCCContact2>()), row.hostContact) << "number contacts are not full contacts";
        EXPECT_EQ(host().uriLookups(), row.asked);
    }
    EXPECT_EQ(host().contactSinkCount(kBob), 0u) << "released contacts stop watching";
    ComPtr<IUCCContact> first = contactFor(kBob);
    ComPtr<IUCCContact> second = contactFor(kBob);
    EXPECT_FALSE(extensionsutils::sameComObject(first.get(), second.get())) << "every request makes a new contact";
    EXPECT_EQ(host().contactSinkCount(kBob), 2u);
}

TEST_F(ContactManager, UnknownAddressesAndAnUnknownUserFailWithNothingWritten)
{
    IUCCContact* none = nullptr;
    EXPECT_EQ(manager->GetContactByUri(Bstr(L"nobody@example.com").get(), &none), kNotFound);
    EXPECT_EQ(manager->GetContactByUri(Bstr(L"sip:nobody@example.com").get(), &none), kNotFound);
    EXPECT_EQ(host().loggedCount(L"Unable to get extension provider contact"), 2u);
    ComPtr<IUCCContact> self;
    ASSERT_EQ(manager->GetSelfContact(self.out()), S_OK);
    EXPECT_EQ(uriOf(self.get()), L"sip:alice@example.com");
    host().clearClientUser();
    EXPECT_EQ(manager->GetSelfContact(&none), E_FAIL);
    EXPECT_EQ(none, nullptr);
    EXPECT_EQ(manager->GetContactByUri(Bstr(kBob).get(), nullptr), E_POINTER);
    EXPECT_EQ(manager->GetSelfContact(nullptr), E_POINTER);
    EXPECT_EQ(manager->CreateSubscription(nullptr), E_POINTER);
}

TEST_F(ContactManager, AnAnswerGivenAtOnceReachesOfficeOnlyAfterLookupReturned)
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
    ASSERT_EQ(lookup(kBobsMail, lookupCallback().get(), operation.out()), S_OK);
    settleWorker();
    EXPECT_TRUE(operationWrittenFirst) << "Office has its operation before the request is made";
    EXPECT_EQ(reportedBeforeReturn, 0u);
    EXPECT_EQ(onlyLookupResult(operation.get()), L"sip:bob@example.com");
}

// The answer reaches OnLookup through the event delivery. Nobody found is still a contact (over the failed
// resolution); an answer the host cannot find is none.
TEST_F(ContactManager, LookupAnswersTable)
{
    struct Row {
        const wchar_t* asked;
        const wchar_t* answer; // nullptr: nobody
        const wchar_t* reported;
        bool succeeded;
        Strings requests;
    };
    const Row rows[] = {
        {L"stranger@mail.example.com", nullptr, L"sip:", true, {L"stranger@mail.example.com"}},
        {kBobsMail, L"ghost@example.com", L"<null>", false, {kBobsMail}},
        {kBobsMail, kBob, L"sip:bob@example.com", true, {kBobsMail}},
        {L"sip:bob.builder@mail.example.com", kBob, L"sip:bob@example.com", true,
         {L"sip:bob.builder@mail.example.com", kBobsMail}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(extensionsutils::toUtf8(row.asked));
        journal = std::make_shared<fakeoffice::OfficeEventJournal>();
        host().forgetRecords();
        if (row.answer) host().setResolutionAnswer(kBobsMail, row.answer);
        ComPtr<IUCCAsynchronousOperation> operation;
        ASSERT_EQ(lookup(row.asked, lookupCallback().get(), operation.out()), S_OK);
        EXPECT_FALSE(flag(operation.get(), true));
        for (std::size_t i = 0; i < row.requests.size(); ++i) {
            host().answerPendingResolutions();
            settleWorker();
        }
        EXPECT_EQ(host().resolveRequests(), row.requests);
        EXPECT_EQ(onlyLookupResult(operation.get()), row.reported);
        EXPECT_TRUE(flag(operation.get(), true));
        EXPECT_EQ(flag(operation.get(), false), row.succeeded);
    }
}

TEST_F(ContactManager, LookupRefusesABadCallbackOrTextAndWritesNothing)
{
    IUCCAsynchronousOperation* untouched = reinterpret_cast<IUCCAsynchronousOperation*>(0x10);
    EXPECT_EQ(lookup(kBobsMail, nullptr, &untouched), E_FAIL);
    EXPECT_EQ(lookup(kBobsMail, FakeOfficeSink::create(DIID__IUCCContactEvents, journal).get(), &untouched), E_FAIL);
    EXPECT_EQ(host().loggedCount(L"Unable to Lookup contact as an invalid callback supplied"), 2u);
    EXPECT_EQ(lookup(L"", lookupCallback().get(), &untouched), E_INVALIDARG);
    EXPECT_EQ(untouched, reinterpret_cast<IUCCAsynchronousOperation*>(0x10));
    EXPECT_TRUE(host().resolveRequests().empty());
}

TEST_F(ContactManager, AnAnswerForAReleasedOrDisconnectedManagerReachesNothing)
{
    ComPtr<IUCCAsynchronousOperation> operation;
    ASSERT_EQ(lookup(kBobsMail, lookupCallback().get(), operation.out()), S_OK);
    manager->disconnect();
    host().answerPendingResolutions();
    settleWorker();
    EXPECT_TRUE(host().logged(L"Unable to acquire lock on WorkerThread, cannot report Contact Resolved"));
    EXPECT_EQ(lookup(kBobsMail, lookupCallback().get(), operation.out()), E_FAIL) << "a disconnected manager looks nothing up";

    manager->initialise(worker, resolver);
    ASSERT_EQ(lookup(kBobsMail, lookupCallback().get(), operation.out()), S_OK);
    const long locksBefore = extensionsutils::moduleLockCount();
    manager.reset();
    EXPECT_LT(extensionsutils::moduleLockCount(), locksBefore) << "the pending lookup did not keep the manager";
    host().answerPendingResolutions();
    settleWorker();
    EXPECT_EQ(journal->count(), 0u);
    VARIANT_BOOL completed = VARIANT_TRUE;
    EXPECT_EQ(operation->get_IsCompleted(&completed), S_OK);
    EXPECT_EQ(completed, VARIANT_FALSE) << "the operation stays pending";
}

} // namespace
