#include "IUCOfficeIntegration/ExtensionProviderContactDetails.h"

#include "DetailsFixture.h"

#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <thread>
#include <vector>

using extensionsutils::ComPtr;
using fakehost::HostMethod;

namespace {

const wchar_t* const kNotConnected = L"Unable to initialised sink for _IContactEvents, contact updates will not be reported";

// Notes the change codes of every event that reaches a handler, and the thread it came on. The fake host
// waits for each event it fires, so the test reads these after the event without a lock.
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
    std::size_t count() const { return changes.size(); }

    std::vector<std::vector<long>> changes;
    std::vector<std::thread::id> threads;
};

class ContactWatchingTest : public DetailsFixture {
protected:
    std::shared_ptr<ContactDetails> watchedDetails()
    {
        auto details = std::make_shared<ExtensionProviderContactDetails>(hostContact());
        details->startWatchingContact(recorder.handler());
        return details;
    }

    ChangeRecorder recorder;
};

TEST_F(ContactWatchingTest, HostChangesReachTheHandlerWithTheirCodesOnTheHostThread)
{
    std::shared_ptr<ContactDetails> details = watchedDetails();
    EXPECT_EQ(host().startWatchingCount(kAlice), 1u);
    EXPECT_EQ(onlyRecordOf(L"Start watching contact").hostLevel, 4);
    EXPECT_FALSE(host().logged(kNotConnected));

    EXPECT_EQ(host().fireContactChanged(kAlice, {4, 1}), std::vector<HRESULT>{S_OK});
    EXPECT_EQ(host().fireContactChanged(kAlice, {1}, 2), std::vector<HRESULT>{S_OK}) << "another dispid";
    ASSERT_EQ(recorder.count(), 1u);
    EXPECT_EQ(recorder.changes[0], (std::vector<long>{4, 1}));
    EXPECT_NE(recorder.threads[0], std::this_thread::get_id());
}

TEST_F(ContactWatchingTest, WatchingAgainReplacesTheAdviseAndDestructionEndsIt)
{
    std::shared_ptr<ContactDetails> details = watchedDetails();
    ChangeRecorder second;
    details->startWatchingContact(second.handler());
    EXPECT_EQ(host().contactUnadviseCount(), 1u);
    host().fireContactChanged(kAlice, {3});
    EXPECT_EQ(recorder.count(), 0u);
    EXPECT_EQ(second.count(), 1u);

    details.reset();
    EXPECT_EQ(host().contactUnadviseCount(), 2u);
    EXPECT_EQ(host().contactSinkCount(kAlice), 0u);
}

TEST_F(ContactWatchingTest, AContactWhoseEventsCannotBeConnectedIsStillWatchedAndRead)
{
    host().failMethod(HostMethod::FindConnectionPoint, E_FAIL, 1);
    std::shared_ptr<ContactDetails> details = watchedDetails();
    EXPECT_EQ(onlyRecordOf(kNotConnected).hostLevel, 1);
    EXPECT_EQ(details->getPresenceState(), 3500);

    host().failMethod(HostMethod::Advise, E_FAIL, 1);
    details->startWatchingContact(recorder.handler());
    EXPECT_EQ(host().loggedCount(kNotConnected), 2u);
    EXPECT_EQ(host().startWatchingCount(kAlice), 2u);
    details.reset();
    EXPECT_EQ(host().callCount(HostMethod::Unadvise), 0u) << "nothing was advised, so nothing is unadvised";
}

// The host may keep the sink (a failed Unadvise, an event in flight): the released owner hears nothing.
TEST_F(ContactWatchingTest, AChangeAfterTheOwnerWasReleasedCallsNothing)
{
    host().failMethod(HostMethod::Unadvise);
    watchedDetails().reset();
    ASSERT_EQ(host().contactSinkCount(kAlice), 1u);
    EXPECT_EQ(host().fireContactChanged(kAlice, {4}), std::vector<HRESULT>{S_OK});
    EXPECT_EQ(recorder.count(), 0u);
}

TEST_F(ContactWatchingTest, ChangesRacingTheDetailsDestructionDoNotCrash)
{
    for (int round = 0; round < 20; ++round) {
        auto calls = std::make_shared<std::atomic<int>>(0);
        auto details = std::make_shared<ExtensionProviderContactDetails>(hostContact());
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

TEST_F(ContactWatchingTest, TheSinkAnswersOnlyItsEventInterfaceAndRefusesMissingParameters)
{
    using Sink = extensionsutils::DispatchEventListenerImpl<_IContactEvents>;
    ComPtr<Sink> sink(new Sink(1, recorder.handler()));
    EXPECT_EQ(extensionsutils::moduleLockCount(), 1);
    ComPtr<IDispatch> events;
    EXPECT_EQ(sink->QueryInterface(DIID__IContactEvents, reinterpret_cast<void**>(events.out())), S_OK);
    void* other = reinterpret_cast<void*>(1);
    EXPECT_EQ(sink->QueryInterface(IID_IConnectionPoint, &other), E_NOINTERFACE);
    EXPECT_EQ(other, nullptr);
    EXPECT_EQ(sink->Invoke(1, IID_NULL, 0, DISPATCH_METHOD, nullptr, nullptr, nullptr, nullptr), E_POINTER);
    EXPECT_EQ(recorder.count(), 0u);
}

} // namespace
