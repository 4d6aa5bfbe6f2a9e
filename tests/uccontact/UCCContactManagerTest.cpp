#include "ContactFixture.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using extensionsutils::Bstr;
using extensionsutils::ComPtr;
using extensionsutils::Variant;
using fakehost::HostMethod;
using fakeoffice::FakeOfficeSink;
using fakeoffice::OfficeEvent;

namespace {

const wchar_t* const kBobsMail = L"bob.builder@mail.example.com";
const DISPID kOnLookup = 0xfb;

class UCCContactManagerTest : public ContactFixture
{
protected:
    ComPtr<FakeOfficeSink> lookupCallback()
    {
        return FakeOfficeSink::create(DIID__IUCCContactsAndGroupsCallback, journal);
    }

    HRESULT lookup(const wchar_t* text, IUnknown* callback, IUCCAsynchronousOperation** operation)
    {
        return manager->Lookup(Bstr(text).get(), callback, *Variant().get(), operation);
    }

    static VARIANT_BOOL completed(IUCCAsynchronousOperation* operation)
    {
        VARIANT_BOOL value = 7;
        EXPECT_EQ(operation->get_IsCompleted(&value), S_OK);
        return value;
    }

    static VARIANT_BOOL succeeded(IUCCAsynchronousOperation* operation)
    {
        VARIANT_BOOL value = 7;
        EXPECT_EQ(operation->get_IsSucceeded(&value), S_OK);
        return value;
    }

    // The contact that an OnLookup carried, or empty.
    static ComPtr<IUCCContact> lookupResultOf(const OfficeEvent& event)
    {
        if (event.arguments.size() != 3 || event.arguments[1].type() != VT_DISPATCH) return nullptr;
        return ComPtr<IDispatch>(event.arguments[1].get()->pdispVal).as<IUCCContact>();
    }
};

} // namespace

TEST_F(UCCContactManagerTest, AnAddressWithAnAtSignBecomesAContactOverTheHostsContact)
{
    ComPtr<IUCCContact> bob = contactFor(kBob);
    ASSERT_TRUE(bob);
    EXPECT_EQ(uriOf(bob.get()), L"sip:bob@example.com");
    EXPECT_EQ(host().uriLookups(), std::vector<std::wstring>{kBob}) << "the address goes to the host unchanged";
    EXPECT_EQ(host().startWatchingCount(kBob), 1u);
    EXPECT_EQ(host().contactSinkCount(kBob), 1u);
    const fakehost::LogRecord request = onlyRecordOf(L"GetContactByUri request for bob@example.com");
    EXPECT_EQ(request.function, L"UCCContactManager::GetContactByUri");
    EXPECT_EQ(request.file, L"extensions/tavomessenger/IUCOfficeIntegration/UCCContactManager");
    EXPECT_TRUE(bob.as<IUCCContact2>()) << "a host-backed contact is a full contact";
}

TEST_F(UCCContactManagerTest, AnAddressWithoutAnAtSignBecomesANumberContact)
{
    ComPtr<IUCCContact> number = contactFor(L"+15550100");
    ASSERT_TRUE(number);
    EXPECT_EQ(uriOf(number.get()), L"+15550100");
    EXPECT_FALSE(number.as<IUCCContact2>()) << "a number-normalisation contact";
    EXPECT_TRUE(host().uriLookups().empty());
    EXPECT_EQ(onlyRecordOf(L"No @ in URI, assuming phone number normalisation").function,
              L"UCCContactManager::GetContactByUri");
    EXPECT_EQ(uriOf(contactFor(L"sip:bob").get()), L"sip:bob") << "no at sign, whatever else it holds";
}

TEST_F(UCCContactManagerTest, TheUriOfAContactFindsItAgainAsOfficeAsksWithTheScheme)
{
    ComPtr<IUCCContact> again = contactFor(uriOf(contactFor(kBob).get()).c_str());
    ASSERT_TRUE(again);
    EXPECT_EQ(uriOf(again.get()), L"sip:bob@example.com");
    EXPECT_TRUE(contactFor(L"SIP:bob@example.com"));
    EXPECT_EQ(host().uriLookups(),
              (std::vector<std::wstring>{kBob, L"sip:bob@example.com", kBob, L"SIP:bob@example.com", kBob}))
        << "asked as given first";
    IUCCContact* none = nullptr;
    EXPECT_EQ(manager->GetContactByUri(Bstr(L"sip:nobody@example.com").get(), &none), static_cast<HRESULT>(0x8100030A));

    ComPtr<IUCCContact> self = contactFor(L"sip:alice@example.com");
    VARIANT_BOOL canStart = VARIANT_FALSE;
    ASSERT_TRUE(self);
    EXPECT_EQ(self->CanStart(ucModalityInstantMessage, &canStart), S_OK);
    EXPECT_EQ(canStart, VARIANT_TRUE) << "the user's own contact";
}

TEST_F(UCCContactManagerTest, ALookupOfASipUriTheHostFindsNobodyForIsAskedAgainWithoutTheScheme)
{
    host().setResolutionAnswer(kBobsMail, kBob);
    ComPtr<FakeOfficeSink> callback = lookupCallback();
    ComPtr<IUCCAsynchronousOperation> operation;
    ASSERT_EQ(lookup(L"sip:bob.builder@mail.example.com", callback.get(), operation.out()), S_OK);
    host().answerPendingResolutions(); // nobody, as given
    settleWorker();
    host().answerPendingResolutions();
    settleWorker();

    EXPECT_EQ(host().resolveRequests(), (std::vector<std::wstring>{L"sip:bob.builder@mail.example.com", kBobsMail}));
    ASSERT_EQ(journal->count(), 1u);
    EXPECT_EQ(uriOf(lookupResultOf(journal->events()[0]).get()), L"sip:bob@example.com");
}

TEST_F(UCCContactManagerTest, EveryRequestMakesANewContact)
{
    ComPtr<IUCCContact> first = contactFor(kBob);
    ComPtr<IUCCContact> second = contactFor(kBob);
    EXPECT_FALSE(extensionsutils::sameComObject(first.get(), second.get()));
    EXPECT_EQ(host().contactSinkCount(kBob), 2u);
}

TEST_F(UCCContactManagerTest, AnAddressTheHostDoesNotKnowGivesTheHostsFailure)
{
    IUCCContact* contact = nullptr;
    EXPECT_EQ(manager->GetContactByUri(Bstr(L"nobody@example.com").get(), &contact), static_cast<HRESULT>(0x8100030A));
    EXPECT_EQ(contact, nullptr);
    const fakehost::LogRecord failure = onlyRecordOf(L"Unable to get extension provider contact");
    EXPECT_EQ(failure.hostLevel, 1); // module level 4
    EXPECT_EQ(failure.function, L"UCCContactManager::createContactForUri");
}

TEST_F(UCCContactManagerTest, AnEmptyAddressIsANumberContactAndMissingOutputsAreRefused)
{
    // No at sign: a null address, like an empty one, is taken for a number.
    ComPtr<IUCCContact> fromNull;
    ASSERT_EQ(manager->GetContactByUri(nullptr, fromNull.out()), S_OK);
    EXPECT_EQ(uriOf(fromNull.get()), L"");
    EXPECT_FALSE(fromNull.as<IUCCContact2>());
    EXPECT_EQ(uriOf(contactFor(L"").get()), L"");
    EXPECT_EQ(manager->GetContactByUri(Bstr(kBob).get(), nullptr), E_POINTER);
    EXPECT_EQ(manager->GetSelfContact(nullptr), E_POINTER);
    EXPECT_EQ(manager->CreateSubscription(nullptr), E_POINTER);
    EXPECT_TRUE(host().uriLookups().empty());
}

TEST_F(UCCContactManagerTest, SelfContactIsTheSignedInUser)
{
    ComPtr<IUCCContact> self;
    ASSERT_EQ(manager->GetSelfContact(self.out()), S_OK);
    EXPECT_EQ(uriOf(self.get()), L"sip:alice@example.com");
    VARIANT_BOOL canStart = VARIANT_FALSE;
    EXPECT_EQ(self->CanStart(ucModalityInstantMessage, &canStart), S_OK);
    EXPECT_EQ(canStart, VARIANT_TRUE);
    EXPECT_EQ(onlyRecordOf(L"Received request for self contact").function, L"UCCContactManager::GetSelfContact");

    host().clearClientUser();
    IUCCContact* none = nullptr;
    EXPECT_EQ(manager->GetSelfContact(&none), E_FAIL);
    host().answerEmpty(HostMethod::GetLoggedInUser);
    EXPECT_EQ(manager->GetSelfContact(&none), E_FAIL);
    EXPECT_EQ(none, nullptr);
    EXPECT_EQ(host().recordsOf(L"Unable to get ClientUser contact").size(), 2u);
    EXPECT_EQ(host().recordsOf(L"Unable to get ClientUser contact").at(0).function, L"UCCContactManager::GetSelfContact");
}

TEST_F(UCCContactManagerTest, LookupReportsTheResolvedContactToOnLookupOnTheWorkerThread)
{
    host().setResolutionAnswer(kBobsMail, kBob);
    ComPtr<FakeOfficeSink> callback = lookupCallback();
    ComPtr<IUCCAsynchronousOperation> operation;
    ASSERT_EQ(lookup(kBobsMail, callback.get(), operation.out()), S_OK);
    ASSERT_TRUE(operation);
    EXPECT_EQ(host().pendingResolutions(), std::vector<std::wstring>{kBobsMail});
    EXPECT_EQ(completed(operation.get()), VARIANT_FALSE);

    host().answerPendingResolutions();
    settleWorker();
    const std::vector<OfficeEvent> events = journal->events();
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].id, kOnLookup);
    EXPECT_EQ(events[0].threadId, workerThreadId);
    ASSERT_EQ(events[0].arguments.size(), 3u);
    EXPECT_TRUE(extensionsutils::sameComObject(events[0].arguments[0].get()->pdispVal, manager.identity()));
    EXPECT_EQ(uriOf(lookupResultOf(events[0]).get()), L"sip:bob@example.com");
    EXPECT_TRUE(extensionsutils::sameComObject(events[0].arguments[2].get()->pdispVal, operation.get()));
    EXPECT_EQ(completed(operation.get()), VARIANT_TRUE);
    EXPECT_EQ(succeeded(operation.get()), VARIANT_TRUE);
    EXPECT_EQ(onlyRecordOf(L"Lookup contact request for bob.builder@mail.example.com").function,
              L"UCCContactManager::Lookup");
    EXPECT_EQ(onlyRecordOf(L"Contact resolved for email: bob.builder@mail.example.com to jid: bob@example.com").function,
              L"UCCContactManager::onContactResolved");
    EXPECT_EQ(onlyRecordOf(L"Creating contact for bob@example.com resolved from bob.builder@mail.example.com").function,
              L"UCCContactManager::getResolvedContactResult");
}

TEST_F(UCCContactManagerTest, AnAnswerGivenAtOnceReachesOfficeOnlyAfterLookupReturned)
{
    host().setResolutionMode(fakehost::FakeHost::ResolutionMode::WhileRequesting);
    host().setResolutionAnswer(kBobsMail, kBob);
    ComPtr<FakeOfficeSink> callback = lookupCallback();
    ComPtr<IUCCAsynchronousOperation> operation;
    bool operationWrittenFirst = false;
    std::size_t reportedBeforeReturn = 99;
    host().setAnsweredWhileRequestingHook([&] {
        operationWrittenFirst = operation.get() != nullptr;
        settleWorker();
        reportedBeforeReturn = journal->count();
    });
    ASSERT_EQ(lookup(kBobsMail, callback.get(), operation.out()), S_OK);
    settleWorker();

    EXPECT_TRUE(operationWrittenFirst) << "Office has its operation before the request is made";
    EXPECT_EQ(reportedBeforeReturn, 0u);
    ASSERT_EQ(journal->count(), 1u);
    EXPECT_EQ(uriOf(lookupResultOf(journal->events()[0]).get()), L"sip:bob@example.com");
}

TEST_F(UCCContactManagerTest, AnEmptyAnswerStillReportsAContactFromFailedResolution)
{
    ComPtr<FakeOfficeSink> callback = lookupCallback();
    ComPtr<IUCCAsynchronousOperation> operation;
    ASSERT_EQ(lookup(L"stranger@mail.example.com", callback.get(), operation.out()), S_OK);
    host().answerPendingResolutions(); // nobody found
    settleWorker();
    const std::vector<OfficeEvent> events = journal->events();
    ASSERT_EQ(events.size(), 1u);
    ComPtr<IUCCContact> stranger = lookupResultOf(events[0]);
    ASSERT_TRUE(stranger);
    EXPECT_EQ(uriOf(stranger.get()), L"sip:");
    EXPECT_EQ(completed(operation.get()), VARIANT_TRUE);
    EXPECT_EQ(succeeded(operation.get()), VARIANT_TRUE);
    EXPECT_EQ(onlyRecordOf(L"Resolution failed for stranger@mail.example.com").function,
              L"UCCContactManager::getResolvedContactResult");
}

TEST_F(UCCContactManagerTest, AnAnswerTheHostCannotFindReportsNoContactAndAFailedOperation)
{
    host().setResolutionAnswer(kBobsMail, L"ghost@example.com");
    ComPtr<FakeOfficeSink> callback = lookupCallback();
    ComPtr<IUCCAsynchronousOperation> operation;
    ASSERT_EQ(lookup(kBobsMail, callback.get(), operation.out()), S_OK);
    host().answerPendingResolutions();
    settleWorker();
    const std::vector<OfficeEvent> events = journal->events();
    ASSERT_EQ(events.size(), 1u);
    ASSERT_EQ(events[0].arguments.size(), 3u);
    EXPECT_EQ(events[0].arguments[1].type(), VT_DISPATCH);
    EXPECT_EQ(events[0].arguments[1].get()->pdispVal, nullptr);
    EXPECT_EQ(completed(operation.get()), VARIANT_TRUE);
    EXPECT_EQ(succeeded(operation.get()), VARIANT_FALSE);
}

TEST_F(UCCContactManagerTest, LookupWithoutAContactsAndGroupsCallbackFails)
{
    IUCCAsynchronousOperation* untouched = reinterpret_cast<IUCCAsynchronousOperation*>(0x10);
    EXPECT_EQ(lookup(kBobsMail, nullptr, &untouched), E_FAIL);
    ComPtr<FakeOfficeSink> wrong = FakeOfficeSink::create(DIID__IUCCContactEvents, journal);
    EXPECT_EQ(lookup(kBobsMail, wrong.get(), &untouched), E_FAIL);
    EXPECT_EQ(untouched, reinterpret_cast<IUCCAsynchronousOperation*>(0x10));
    EXPECT_TRUE(host().resolveRequests().empty());
    EXPECT_EQ(host().recordsOf(L"Unable to Lookup contact as an invalid callback supplied").size(), 2u);

    ComPtr<FakeOfficeSink> callback = lookupCallback();
    EXPECT_EQ(lookup(L"", callback.get(), &untouched), E_INVALIDARG);
    EXPECT_TRUE(host().resolveRequests().empty());
}

TEST_F(UCCContactManagerTest, AManagerReleasedBeforeTheAnswerHearsNothing)
{
    ComPtr<FakeOfficeSink> callback = lookupCallback();
    ComPtr<IUCCAsynchronousOperation> operation;
    host().setResolutionAnswer(kBobsMail, kBob);
    ASSERT_EQ(lookup(kBobsMail, callback.get(), operation.out()), S_OK);
    const long locksBefore = extensionsutils::moduleLockCount();
    manager.reset();
    EXPECT_LT(extensionsutils::moduleLockCount(), locksBefore) << "the pending lookup did not keep the manager";

    host().answerPendingResolutions();
    settleWorker();
    EXPECT_EQ(journal->count(), 0u);
    EXPECT_EQ(completed(operation.get()), VARIANT_FALSE) << "the operation stays pending";
    EXPECT_FALSE(host().logged(L"Contact resolved for email: bob.builder@mail.example.com to jid: bob@example.com"));
}

TEST_F(UCCContactManagerTest, AnAnswerAfterDisconnectIsNotReported)
{
    ComPtr<FakeOfficeSink> callback = lookupCallback();
    ComPtr<IUCCAsynchronousOperation> operation;
    ASSERT_EQ(lookup(kBobsMail, callback.get(), operation.out()), S_OK);
    manager->disconnect();
    host().answerPendingResolutions();
    settleWorker();
    EXPECT_EQ(journal->count(), 0u);
    EXPECT_EQ(completed(operation.get()), VARIANT_FALSE);
    const fakehost::LogRecord failure =
        onlyRecordOf(L"Unable to acquire lock on WorkerThread, cannot report Contact Resolved");
    EXPECT_EQ(failure.hostLevel, 1);
    EXPECT_EQ(failure.function, L"UCCContactManager::onContactResolved");

    EXPECT_EQ(lookup(kBobsMail, callback.get(), operation.out()), E_FAIL) << "a disconnected manager looks nothing up";
}

TEST_F(UCCContactManagerTest, UnsupportedMembersAnswerNotImplemented)
{
    const VARIANT none = *Variant().get();
    IUCCGroupCollection* groups = nullptr;
    BSTR text = nullptr;
    SearchFields fields = static_cast<SearchFields>(0);
    SearchProviderStatusType status = static_cast<SearchProviderStatusType>(0);
    IUCCContact* contact = nullptr;
    EXPECT_EQ(manager->get_Groups(&groups), E_NOTIMPL);
    EXPECT_EQ(manager->Search(Bstr(L"bob").get(), static_cast<SearchProviders>(0), fields,
                              static_cast<SearchOptions>(0), 30, nullptr, none, nullptr),
              E_NOTIMPL);
    EXPECT_EQ(manager->RemoveContactFromAllGroups(nullptr, nullptr, none, nullptr), E_NOTIMPL);
    EXPECT_EQ(manager->GetSearchProviderID(static_cast<SearchProviders>(0), &text), E_NOTIMPL);
    EXPECT_EQ(manager->AddCustomGroup(Bstr(L"friends").get(), nullptr, none, nullptr), E_NOTIMPL);
    EXPECT_EQ(manager->AddDistributionGroup(nullptr, nullptr, none, nullptr), E_NOTIMPL);
    EXPECT_EQ(manager->RemoveGroup(nullptr, nullptr, none, nullptr), E_NOTIMPL);
    EXPECT_EQ(manager->SuspendSubscriptions(), E_NOTIMPL);
    EXPECT_EQ(manager->ResumeSubscriptions(), E_NOTIMPL);
    EXPECT_EQ(manager->GetSearchFields(&fields), E_NOTIMPL);
    EXPECT_EQ(manager->GetSearchProviderStatus(static_cast<SearchProviders>(0), &status), E_NOTIMPL);
    EXPECT_EQ(manager->GetExpertSearchQueryString(Bstr(L"bob").get(), &text), E_NOTIMPL);
    EXPECT_EQ(manager->GetContactByTel(Bstr(L"tel:+15550100").get(), &contact), E_NOTIMPL);
    EXPECT_EQ(groups, nullptr);
    EXPECT_EQ(text, nullptr);
    EXPECT_EQ(contact, nullptr);
}
