// The per-contact data behind Office 2013/2016's contacts: the host contact's values read fresh on every
// call, the empty details of a failed resolution, change watching through the host's _IContactEvents, and
// the number contact Office gets for an address without an at sign.

#include "MessengerFixture.h"

#include "IUCOfficeIntegration/ExtensionProviderContactDetails.h"
#include "IUCOfficeIntegration/FailedResolutionContactDetails.h"
#include "IUCOfficeIntegration/UCCNumberNormalisationContact.h"

#include "support/LateBoundCall.h"

#include "extensionsutils/Bstr.h"
#include "extensionsutils/ComObject.h"
#include "extensionsutils/ModuleLock.h"

#include <atomic>
#include <thread>

using extensionsutils::Bstr;
using extensionsutils::ComPtr;
using fakehost::HostMethod;

namespace {

const wchar_t* const kAlice = L"sip:alice@example.com";
const wchar_t* const kNotConnected =
    L"Unable to initialised sink for _IContactEvents, contact updates will not be reported";

// The change codes of every event that reaches a handler, and its thread. The fake host waits for each
// event it fires, so the test reads these after the event without a lock.
struct ChangeRecorder {
    ContactDetails::ChangeHandler handler()
    {
        return [this](DISPPARAMS* parameters) {
            const SAFEARRAY* array = parameters->rgvarg[0].parray;
            const LONG* codes = static_cast<const LONG*>(array->pvData);
            changes.emplace_back(codes, codes + array->rgsabound[0].cElements);
            threads.push_back(std::this_thread::get_id());
        };
    }
    std::vector<std::vector<long>> changes;
    std::vector<std::thread::id> threads;
};

class ContactDetailsTest : public MessengerTest {
protected:
    void SetUp() override
    {
        MessengerTest::SetUp();
        host().addContact({kAlice, L"", L"Alice Liddell", L"+44 1", L"+44 2", L"+44 3", L"+44 4", true, 1, L"Available"});
    }

    std::shared_ptr<ContactDetails> detailsOfAlice()
    {
        return std::make_shared<ExtensionProviderContactDetails>(host().makeContactObject(kAlice).as<IContact>());
    }

    std::shared_ptr<ContactDetails> watchedAlice()
    {
        std::shared_ptr<ContactDetails> details = detailsOfAlice();
        details->startWatchingContact(recorder.handler());
        return details;
    }

    ChangeRecorder recorder;
};

TEST_F(ContactDetailsTest, MapsEveryHostPresenceToItsAvailabilityNumberReadFreshEachTime)
{
    std::shared_ptr<ContactDetails> details = detailsOfAlice();
    const std::pair<long, LONG> expected[] = {{1, 3500}, {2, 15500}, {3, 9500}, {4, 15500},
                                              {5, 18500}, {0, 0},    {6, 0},    {-1, 0}};
    for (const auto& [presence, availability] : expected) {
        host().setPresence(kAlice, presence, L"");
        EXPECT_EQ(details->getPresenceState(), availability) << "host presence " << presence;
    }
    EXPECT_EQ(host().callCount(HostMethod::RequestPresenceState), std::size(expected)) << "nothing is cached";
    const std::function<void()> failures[] = {
        [this] { host().failMethod(HostMethod::RequestPresenceState, E_FAIL, 1); },
        [this] { host().answerEmpty(HostMethod::RequestPresenceState, 1); },
        [this] { host().answerWrongObject(HostMethod::RequestPresenceState, 1); },
        [this] { host().failMethod(HostMethod::GetPresenceState, E_FAIL, 1); }};
    for (const auto& breakHost : failures) {
        breakHost();
        EXPECT_EQ(details->getPresenceState(), 0);
    }
    EXPECT_EQ(onlyRecordOf(L"Unable to request Presence State").moduleLevel, 4);
    EXPECT_EQ(onlyRecordOf(L"Unable to QueryInterface IDispatch for IPresenceState").function,
              L"ExtensionProviderContactDetails::getPresenceStateFromExtensionProviderContact");
    EXPECT_EQ(onlyRecordOf(L"Unable to get Presence from PresenceState").moduleLevel, 4);
}

// Each value is read from the host on every call; a failure comes back with the host's own code.
TEST_F(ContactDetailsTest, PassesTheHostContactsValuesAndFailuresThrough)
{
    std::shared_ptr<ContactDetails> details = detailsOfAlice();
    using Getter = HRESULT (ContactDetails::*)(BSTR*);
    const std::tuple<Getter, HostMethod, std::wstring> getters[] = {
        {&ContactDetails::getUri, HostMethod::GetSigninName, kAlice},
        {&ContactDetails::getDisplayName, HostMethod::GetFriendlyName, L"Alice Liddell"},
        {&ContactDetails::getWorkNumber, HostMethod::GetWorkNumber, L"+44 1"},
        {&ContactDetails::getHomeNumber, HostMethod::GetHomeNumber, L"+44 2"},
        {&ContactDetails::getMobileNumber, HostMethod::GetMobileNumber, L"+44 3"},
        {&ContactDetails::getOtherNumber, HostMethod::GetOtherNumber, L"+44 4"},
        {&ContactDetails::getPresenceString, HostMethod::GetPresenceString, L"Available"},
    };
    HRESULT failure = static_cast<HRESULT>(0x80040200);
    for (const auto& [getter, method, expected] : getters) {
        Bstr value;
        ASSERT_EQ(((*details).*getter)(value.out()), S_OK);
        EXPECT_EQ(value.str(), expected);
        host().failMethod(method, ++failure, 1);
        EXPECT_EQ(((*details).*getter)(value.out()), failure);
        EXPECT_EQ(((*details).*getter)(nullptr), E_POINTER);
    }
    EXPECT_EQ(host().callCount(HostMethod::GetSigninName), 2u) << "a null out pointer never reaches the host";
    VARIANT_BOOL tagged = VARIANT_FALSE;
    ASSERT_EQ(details->getTagged(&tagged), S_OK);
    EXPECT_EQ(tagged, VARIANT_TRUE);
}

TEST_F(ContactDetailsTest, TheReadTransactionLastsWhileAnyHolderKeepsTheLock)
{
    std::shared_ptr<ContactDetails> details = detailsOfAlice();
    std::shared_ptr<TransactionLock> lock = details->getReadTransactionLock();
    std::shared_ptr<TransactionLock> sharedHolder = lock;
    lock.reset();
    EXPECT_EQ(host().openReadTransactions(), 1u);
    sharedHolder.reset();
    EXPECT_EQ(host().openReadTransactions(), 0u);
    host().failMethod(HostMethod::BeginReadTransaction, E_FAIL, 1);
    EXPECT_TRUE(details->getReadTransactionLock()) << "a lock holding nothing, as the host gave nothing";
}

TEST_F(ContactDetailsTest, AFailedResolutionAnswersAnEmptyUriAndNothingElse)
{
    FailedResolutionContactDetails details;
    Bstr uri;
    ASSERT_EQ(details.getUri(uri.out()), S_OK);
    EXPECT_TRUE(uri && uri.empty()) << "an empty string, not a null one";
    EXPECT_EQ(details.getUri(nullptr), E_POINTER);
    BSTR untouched = kUnwrittenBstr;
    EXPECT_EQ(details.getDisplayName(&untouched), E_FAIL);
    EXPECT_EQ(untouched, kUnwrittenBstr);
    EXPECT_EQ(details.getPresenceState(), 0);
    EXPECT_FALSE(details.getReadTransactionLock());
    auto captured = std::make_shared<int>(0);
    details.startWatchingContact([captured](DISPPARAMS*) {});
    EXPECT_EQ(captured.use_count(), 1) << "the handler is dropped at once";
}

TEST_F(ContactDetailsTest, HostChangesReachTheHandlerWithTheirCodesOnTheHostThread)
{
    std::shared_ptr<ContactDetails> details = watchedAlice();
    EXPECT_EQ(host().startWatchingCount(kAlice), 1u);
    EXPECT_FALSE(host().logged(kNotConnected));
    EXPECT_EQ(host().fireContactChanged(kAlice, {4, 1}), std::vector<HRESULT>{S_OK});
    EXPECT_EQ(host().fireContactChanged(kAlice, {1}, 2), std::vector<HRESULT>{S_OK}) << "another dispid";
    ASSERT_EQ(recorder.changes.size(), 1u);
    EXPECT_EQ(recorder.changes[0], (std::vector<long>{4, 1}));
    EXPECT_NE(recorder.threads[0], std::this_thread::get_id());

    // Watching again replaces the advise; destruction ends it.
    ChangeRecorder second;
    details->startWatchingContact(second.handler());
    EXPECT_EQ(host().contactUnadviseCount(), 1u);
    host().fireContactChanged(kAlice, {3});
    EXPECT_EQ(recorder.changes.size(), 1u);
    EXPECT_EQ(second.changes.size(), 1u);
    details.reset();
    EXPECT_EQ(host().contactUnadviseCount(), 2u);
    EXPECT_EQ(host().contactSinkCount(kAlice), 0u);
}

TEST_F(ContactDetailsTest, AContactWhoseEventsCannotBeConnectedIsStillWatchedAndRead)
{
    host().failMethod(HostMethod::FindConnectionPoint, E_FAIL, 1);
    std::shared_ptr<ContactDetails> details = watchedAlice();
    EXPECT_EQ(onlyRecordOf(kNotConnected).moduleLevel, 4);
    EXPECT_EQ(details->getPresenceState(), 3500);
    host().failMethod(HostMethod::Advise, E_FAIL, 1);
    details->startWatchingContact(recorder.handler());
    EXPECT_EQ(host().loggedCount(kNotConnected), 2u);
    EXPECT_EQ(host().startWatchingCount(kAlice), 2u);
    details.reset();
    EXPECT_EQ(host().callCount(HostMethod::Unadvise), 0u) << "nothing was advised, so nothing is unadvised";
}

// The host may keep the sink (a failed Unadvise, an event in flight): the released owner hears nothing.
TEST_F(ContactDetailsTest, AChangeAfterTheOwnerWasReleasedCallsNothing)
{
    host().failMethod(HostMethod::Unadvise);
    watchedAlice().reset();
    ASSERT_EQ(host().contactSinkCount(kAlice), 1u);
    EXPECT_EQ(host().fireContactChanged(kAlice, {4}), std::vector<HRESULT>{S_OK});
    EXPECT_TRUE(recorder.changes.empty());
    host().clearFailures();
}

TEST_F(ContactDetailsTest, ChangesRacingTheDetailsDestructionDoNotCrash)
{
    for (int round = 0; round < 20; ++round) {
        auto calls = std::make_shared<std::atomic<int>>(0);
        std::shared_ptr<ContactDetails> details = detailsOfAlice();
        details->startWatchingContact([calls](DISPPARAMS*) { ++*calls; });
        std::thread firing([this] {
            for (int i = 0; i < 5; ++i) host().fireContactChanged(kAlice, {4});
        });
        details.reset();
        firing.join();
        const int settled = *calls;
        host().fireContactChanged(kAlice, {4});
        EXPECT_EQ(*calls, settled);
    }
}

TEST_F(ContactDetailsTest, TheSinkAnswersOnlyItsEventInterfaceAndRefusesMissingParameters)
{
    using Sink = extensionsutils::DispatchEventListenerImpl<_IContactEvents>;
    ComPtr<Sink> sink(new Sink(1, recorder.handler()));
    ComPtr<IDispatch> events;
    EXPECT_EQ(sink->QueryInterface(DIID__IContactEvents, reinterpret_cast<void**>(events.out())), S_OK);
    void* other = reinterpret_cast<void*>(1);
    EXPECT_EQ(sink->QueryInterface(IID_IConnectionPoint, &other), E_NOINTERFACE);
    EXPECT_EQ(other, nullptr);
    EXPECT_EQ(sink->Invoke(1, IID_NULL, 0, DISPATCH_METHOD, nullptr, nullptr, nullptr, nullptr), E_POINTER);
    EXPECT_TRUE(recorder.changes.empty());
}

TEST_F(ContactDetailsTest, ANumberContactAnswersItsAddressAsGivenAndNothingElse)
{
    auto object = extensionsutils::ComObject<UCCNumberNormalisationContact>::create();
    ASSERT_EQ(object->setUri(Bstr(L"tel:+4420794600001").get()), S_OK);
    ComPtr<IUCCContact> contact = object.as<IUCCContact>();
    EXPECT_EQ(L"tel:+4420794600001",
              stringOf(callByName(contact.as<IDispatch>().get(), L"Uri", DISPATCH_PROPERTYGET).value));
    EXPECT_EQ(contact->get_Uri(nullptr), E_POINTER);
    VARIANT_BOOL flag = 7;
    EXPECT_EQ(contact->CanStart(ucModalityInstantMessage, &flag), E_NOTIMPL);
    EXPECT_EQ(flag, 7);
    EXPECT_FALSE(contact.as<IUCCContact2>());
    EXPECT_FALSE(contact.as<IConnectionPointContainer>()) << "no events can be advised";
}

} // namespace
