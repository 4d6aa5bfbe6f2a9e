// The simulator over module exports of the test's own, so that what it does as a host (stopping, events,
// resolutions, log printing) is seen without the module's threads.
#include "hostsim/HostSimulator.h"

#include "ToolTestSupport.h"

#include "support/FakeComObject.h"

#include "extensionsutils/Bstr.h"

#include <gtest/gtest.h>

#include <atomic>
#include <mutex>
#include <thread>

using hostsim::HostSimulator;
using tooltest::waitUntil;

namespace {

// The exports: record the starts, and call each stop's callback as often as asked, on another thread.
namespace fakemodule {
std::mutex mutex;
std::vector<unsigned> starts;
int onStoppedCallsPerStop = 1;
std::vector<std::thread> stoppers;

void start(unsigned flags)
{
    std::lock_guard<std::mutex> lock(mutex);
    starts.push_back(flags);
}

// The argument comes as the header's Microsoft-layout block; its reference is released after the calls.
void stop(TavoMessengerSharedPointer callback)
{
    std::lock_guard<std::mutex> lock(mutex);
    const int calls = onStoppedCallsPerStop;
    auto* block = static_cast<tavomessenger_abi::SharedCallbackBlock*>(callback.controlBlock);
    stoppers.emplace_back([block, calls] {
        for (int i = 0; i < calls; ++i) block->host->onStopped();
        block->release();
    });
}

void reset()
{
    std::lock_guard<std::mutex> lock(mutex);
    for (std::thread& stopper : stoppers) stopper.join();
    stoppers.clear();
    starts.clear();
    onStoppedCallsPerStop = 1;
}
} // namespace fakemodule

struct Event {
    std::wstring who;
    long presence = 0;
    std::wstring imAddress;
};

// The module's host listener as the host sees it: records presence events and resolution answers.
class RecordingListener : public fakehost::FakeComObject<_IIMAndPresenceEvents> {
public:
    using FakeComObject::FakeComObject;

    HRESULT STDMETHODCALLTYPE OnContactPresenceChanged(IDispatch* contact, IDispatch* presenceState) override
    {
        extensionsutils::ComPtr<IContact> person;
        extensionsutils::ComPtr<IPresenceState> presence;
        contact->QueryInterface(IID_IContact, reinterpret_cast<void**>(person.out()));
        presenceState->QueryInterface(IID_IPresenceState, reinterpret_cast<void**>(presence.out()));
        extensionsutils::Bstr name;
        LONG value = 0;
        if (person) person->get_SigninName(name.out());
        if (presence) presence->get_PresenceState(&value);
        record(Event{name.str(), value, {}});
        return S_OK;
    }

    HRESULT STDMETHODCALLTYPE OnContactResolved(BSTR email, BSTR imAddress) override
    {
        record(Event{email ? email : L"", 0, imAddress ? imAddress : L""});
        return S_OK;
    }

    std::vector<Event> events() const
    {
        std::lock_guard<std::mutex> lock(mutex_);
        return events_;
    }

private:
    void record(const Event& event)
    {
        std::lock_guard<std::mutex> lock(mutex_);
        events_.push_back(event);
    }

    mutable std::mutex mutex_;
    std::vector<Event> events_;
};

hostsim::ContactDirectory demoDirectory()
{
    hostsim::DirectoryError error;
    std::optional<hostsim::ContactDirectory> directory = hostsim::parseDirectory(
        L"user | anna@q | Anna | away | note=Lunch | email=anna@corp\n"
        L"contact | bo@q | Bo | available | email=bo@corp\n"
        L"contact | cy@q | Cy | offline\n",
        error);
    return *directory;
}

class HostSimulatorTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_HRESULT_SUCCEEDED(CoInitializeEx(nullptr, COINIT_MULTITHREADED));
        fakemodule::reset();
    }

    void TearDown() override
    {
        simulator_.reset();
        fakemodule::reset();
        CoUninitialize();
    }

    HostSimulator& simulator(long logLevel = 3, DWORD stopTimeoutMs = 5000)
    {
        hostsim::SimulatorSettings settings;
        settings.directory = demoDirectory();
        settings.defaultFlags = 2;
        settings.logLevel = logLevel;
        settings.stopTimeoutMs = stopTimeoutMs;
        simulator_ = std::make_unique<HostSimulator>(
            hostsim::ModuleExports{fakemodule::start, fakemodule::stop, L"C:\\fake\\TavoMessenger.dll"},
            std::move(settings), captured_.output());
        EXPECT_HRESULT_SUCCEEDED(simulator_->hostRegistration());
        return *simulator_;
    }

    RecordingListener& listen()
    {
        listener_ =
            fakehost::makeFakeObject<RecordingListener, _IIMAndPresenceEvents>(simulator_->host().shared_from_this());
        simulator_->host().addListener(listener_.get());
        return *static_cast<RecordingListener*>(listener_.get());
    }

    tooltest::CapturedOutput captured_;
    std::unique_ptr<HostSimulator> simulator_;
    extensionsutils::ComPtr<_IIMAndPresenceEvents> listener_;
};

TEST_F(HostSimulatorTest, StartPassesTheFlagsAndStopWaitsForOnStopped)
{
    HostSimulator& host = simulator();
    EXPECT_TRUE(host.start(std::nullopt));
    EXPECT_TRUE(host.start(7ul));
    EXPECT_EQ((std::vector<unsigned>{2, 7}), fakemodule::starts);
    EXPECT_EQ(1u, captured_.countLines(L"it ignores a second start"));

    EXPECT_TRUE(host.stop());
    EXPECT_FALSE(host.started());
    EXPECT_EQ(1, host.lastStopCallbackCalls());
    EXPECT_EQ(1u, captured_.countLines(L"hostsim: onStopped called"));
    EXPECT_EQ(0u, captured_.countLines(L"error"));
}

TEST_F(HostSimulatorTest, ASecondOnStoppedForOneStopIsReported)
{
    HostSimulator& host = simulator();
    fakemodule::onStoppedCallsPerStop = 2;
    EXPECT_TRUE(host.stop());
    EXPECT_TRUE(captured_.waitForLine(L"hostsim: error: onStopped called again (call 2 for one stop)"));
    EXPECT_EQ(2, host.lastStopCallbackCalls());
}

TEST_F(HostSimulatorTest, AStopWithoutOnStoppedFailsAfterTheTimeOut)
{
    HostSimulator& host = simulator(3, 200);
    fakemodule::onStoppedCallsPerStop = 0;
    EXPECT_FALSE(host.stop());
    EXPECT_EQ(1u, captured_.countLines(L"hostsim: error: onStopped was not called within 200 ms"));
}

TEST_F(HostSimulatorTest, TheDirectoryBecomesTheHostsAnswers)
{
    HostSimulator& host = simulator();
    std::wstring user;
    ASSERT_TRUE(host.host().isClientUserSet(user));
    EXPECT_EQ(L"anna@q", user);
    EXPECT_EQ((std::vector<std::wstring>{L"bo@q", L"cy@q"}), host.host().contactList());
    EXPECT_EQ(L"Lunch", host.host().contact(L"anna@q")->presenceText);
    EXPECT_EQ(0, host.host().signedInValue());

    // Automatic resolution answers from the directory, "not found" for strangers.
    RecordingListener& listener = listen();
    host.host().recordResolveRequest(L"bo@corp");
    host.host().recordResolveRequest(L"stranger@corp");
    ASSERT_TRUE(waitUntil([&] { return listener.events().size() == 2; }));
    EXPECT_EQ(L"bo@q", listener.events()[0].imAddress);
    EXPECT_EQ(L"", listener.events()[1].imAddress);
    EXPECT_TRUE(captured_.waitForLine(L"the module asks to resolve bo@corp: answered with bo@q"));
}

TEST_F(HostSimulatorTest, PresenceChangesReachTheListenersAndUnknownPeopleAreRefused)
{
    HostSimulator& host = simulator();
    RecordingListener& listener = listen();
    EXPECT_TRUE(host.setPresence(L"bo@q", 3, L"Presenting"));
    ASSERT_EQ(1u, listener.events().size());
    EXPECT_EQ(L"bo@q", listener.events()[0].who);
    EXPECT_EQ(3, listener.events()[0].presence);
    EXPECT_EQ(L"Presenting", host.host().contact(L"bo@q")->presenceText);
    EXPECT_EQ(1u, captured_.countLines(L"bo@q is dnd (\"Presenting\"); the presence event reached 1 listener"));

    EXPECT_FALSE(host.setPresence(L"nobody@q", 1, L"Available"));
    EXPECT_EQ(1u, captured_.countLines(L"nobody in the directory has the sign-in name nobody@q"));
    EXPECT_EQ(1u, listener.events().size());
}

TEST_F(HostSimulatorTest, SigningOutAndInFlipsIsSignedInAndRestoresTheUsersPresence)
{
    HostSimulator& host = simulator();
    RecordingListener& listener = listen();
    EXPECT_TRUE(host.signOut());
    EXPECT_EQ(1, host.host().signedInValue());
    EXPECT_EQ(5, host.host().contact(L"anna@q")->presence);
    EXPECT_TRUE(host.signOut()); // already: nothing fires
    EXPECT_TRUE(host.signIn());
    EXPECT_EQ(0, host.host().signedInValue());
    EXPECT_EQ(2, host.host().contact(L"anna@q")->presence);
    EXPECT_EQ(L"Lunch", host.host().contact(L"anna@q")->presenceText);
    ASSERT_EQ(2u, listener.events().size());
    EXPECT_EQ(5, listener.events()[0].presence);
    EXPECT_EQ(2, listener.events()[1].presence);
}

TEST_F(HostSimulatorTest, ManualResolutionsWaitForAnswerOrRefuse)
{
    HostSimulator& host = simulator();
    RecordingListener& listener = listen();
    host.setResolutionMode(hostsim::ResolutionMode::Manual);
    host.host().recordResolveRequest(L"bo@corp");
    host.host().recordResolveRequest(L"anna@corp");
    EXPECT_TRUE(captured_.waitForLine(L"the module asks to resolve anna@corp: pending (answer or refuse it)"));
    EXPECT_EQ((std::vector<std::wstring>{L"bo@corp", L"anna@corp"}), host.host().pendingResolutions());
    EXPECT_TRUE(listener.events().empty());

    EXPECT_TRUE(host.answerResolution(L"bo@corp", std::nullopt));
    EXPECT_TRUE(host.answerResolution(L"anna@corp", std::wstring()));
    EXPECT_TRUE(host.answerResolution(L"late@corp", std::wstring(L"cy@q")));
    ASSERT_EQ(3u, listener.events().size());
    EXPECT_EQ(L"bo@q", listener.events()[0].imAddress);
    EXPECT_EQ(L"", listener.events()[1].imAddress);
    EXPECT_EQ(L"cy@q", listener.events()[2].imAddress);
    EXPECT_TRUE(host.host().pendingResolutions().empty());
    EXPECT_EQ(1u, captured_.countLines(L"late@corp answered with cy@q (no such request was pending)"));
}

TEST_F(HostSimulatorTest, OnlyTheChosenHostLevelsAreEnabledAndRecordsArePrintedNotKept)
{
    HostSimulator& host = simulator(2);
    EXPECT_EQ((std::set<long>{0, 1, 2}), host.host().enabledHostLevels());
    fakehost::LogRecord record;
    record.hostLevel = 1;
    record.function = L"LocalServer::start";
    record.message = L"Exception thrown during startup";
    host.host().recordLog(record);
    EXPECT_EQ(1u, captured_.countLines(L"[log 1] LocalServer::start: Exception thrown during startup"));
    EXPECT_TRUE(host.host().logRecords().empty());
}

TEST_F(HostSimulatorTest, WaitingEndsEarlyWhenInterruptedAndReadinessNeedsAStart)
{
    HostSimulator& host = simulator();
    EXPECT_FALSE(host.interruptWait()); // no wait running
    std::thread interrupter([&] { waitUntil([&] { return host.interruptWait(); }); });
    const ULONGLONG begin = GetTickCount64();
    EXPECT_TRUE(host.wait(INFINITE));
    interrupter.join();
    EXPECT_LT(GetTickCount64() - begin, 10000u);
    EXPECT_EQ(1u, captured_.countLines(L"wait interrupted"));

    EXPECT_FALSE(host.waitUntilReady(100));
    EXPECT_EQ(1u, captured_.countLines(L"the module is not started"));
}

} // namespace
