#include "extensionsutils/ComObject.h"
#include "extensionsutils/ConnectionPointContainer.h"
#include "extensionsutils/EventDelivery.h"
#include "extensionsutils/MICComPtr.h"

#include "ExtensionsUtilsTestLib.h"
#include "support/FakeOfficeSink.h"

#include <gtest/gtest.h>

#include <atomic>
#include <future>
#include <set>
#include <string>
#include <thread>

using namespace extensionsutils;
using fakeoffice::FakeOfficeSink;
using fakeoffice::OfficeEvent;
using fakeoffice::OfficeEventJournal;

namespace {

std::atomic<int> destroyedSources{0};

// An event source as the module's objects are: a COM object whose container holds two points.
class EventSource : public ComObjectRoot, public ConnectionPointContainer
{
public:
    using Interfaces = InterfaceTable<IConnectionPointContainer>;

protected:
    EventSource() : ConnectionPointContainer({DIID__ITestEvents, IID_IPropertyNotifySink}) {}
    ~EventSource() { ++destroyedSources; }
};

// A careless callee that clears the arguments it was given.
class ScribblingSink final : public tools::DispatchSink
{
public:
    ScribblingSink() : DispatchSink(DIID__ITestEvents) {}
    HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS* parameters, VARIANT*, EXCEPINFO*,
                                     UINT*) override
    {
        for (UINT i = 0; i < parameters->cArgs; ++i) VariantClear(&parameters->rgvarg[i]);
        return S_OK;
    }
};

class ConnectionPointTest : public ::testing::Test
{
protected:
    ComPtr<FakeOfficeSink> sink(std::shared_ptr<OfficeEventJournal> journal = nullptr, const IID& iid = DIID__ITestEvents)
    {
        return FakeOfficeSink::create(iid, journal ? journal : std::make_shared<OfficeEventJournal>());
    }

    DWORD advise(IUnknown* sink)
    {
        DWORD cookie = 0;
        EXPECT_EQ(S_OK, point().Advise(sink, &cookie));
        return cookie;
    }

    HRESULT fireOnValue(LONG value, const wchar_t* text)
    {
        DispatchParameters parameters;
        parameters.add(Variant::fromInt32(value));
        parameters.add(Variant::fromString(text));
        const HRESULT queued = point().fire(1, parameters);
        EventDelivery::waitUntilSettled(5000); // the sinks are called on the delivery threads
        return queued;
    }

    ConnectionPoint& point() { return *source->connectionPoint(DIID__ITestEvents); }

    MICComPtr<EventSource> source = ComObject<EventSource>::create();
};

} // namespace

TEST_F(ConnectionPointTest, DeliversOwnCopiesOfTheArgumentsToEverySinkWhicheverInterfaceItAnswers)
{
    auto journal = std::make_shared<OfficeEventJournal>();
    ComPtr<ScribblingSink> scribbler;
    *scribbler.out() = new ScribblingSink;
    ComPtr<FakeOfficeSink> eventsOnly = sink(journal);
    eventsOnly->refuseIDispatch();
    ComPtr<FakeOfficeSink> dispatchOnly = sink(journal, IID_IDispatch);
    advise(scribbler.get());
    advise(eventsOnly.get());
    advise(dispatchOnly.get());

    EXPECT_EQ(S_OK, fireOnValue(5, L"five"));

    const std::vector<OfficeEvent> events = journal->events();
    ASSERT_EQ(2u, events.size());
    // Sinks are called in parallel, each on its own queue: the order across sinks is open.
    EXPECT_TRUE(IsEqualIID(DIID__ITestEvents, events[0].eventInterface) ||
                IsEqualIID(DIID__ITestEvents, events[1].eventInterface));
    for (const OfficeEvent& event : events) {
        EXPECT_EQ(1, event.id);
        EXPECT_EQ(DISPATCH_METHOD, event.flags);
        ASSERT_EQ(2u, event.arguments.size());
        EXPECT_EQ(5, event.arguments[0].get()->lVal);
        ASSERT_EQ(VT_BSTR, event.arguments[1].type());
        EXPECT_EQ(std::wstring(L"five"), event.arguments[1].get()->bstrVal);
    }
    EXPECT_EQ(E_FAIL, DispatchParameters().invoke(nullptr, 1));
}

TEST_F(ConnectionPointTest, IssuesDistinctNonZeroCookiesReleasesTheSinkOnUnadviseAndRefusesUnknownCookies)
{
    std::vector<ComPtr<FakeOfficeSink>> sinks;
    std::set<DWORD> cookies;
    DWORD removed = 0;
    for (int i = 0; i < 4; ++i) {
        sinks.push_back(sink());
        removed = advise(sinks.back().get());
        cookies.insert(removed);
    }
    EXPECT_EQ(4u, cookies.size());
    EXPECT_EQ(0u, cookies.count(0));

    const ULONG heldBefore = sinks[3]->references();
    EXPECT_EQ(S_OK, point().Unadvise(removed));
    EXPECT_EQ(CONNECT_E_NOCONNECTION, point().Unadvise(removed));
    EXPECT_EQ(CONNECT_E_NOCONNECTION, point().Unadvise(0));
    EXPECT_EQ(3u, point().connectionCount());
    EXPECT_EQ(0u, cookies.count(advise(sinks[3].get()))) << "a cookie is never issued twice";
    EXPECT_EQ(heldBefore, sinks[3]->references());
}

TEST_F(ConnectionPointTest, RefusesSinksWithoutADispatchInterfaceAndNullArguments)
{
    MICComPtr<EventSource> notASink = ComObject<EventSource>::create();
    DWORD cookie = 99;
    EXPECT_EQ(CONNECT_E_CANNOTCONNECT, point().Advise(notASink.identity(), &cookie));
    EXPECT_EQ(0u, cookie);
    EXPECT_EQ(E_POINTER, point().Advise(nullptr, &cookie));
    EXPECT_EQ(E_POINTER, point().Advise(notASink.identity(), nullptr));
    EXPECT_EQ(0u, point().connectionCount());
    EXPECT_EQ(S_OK, fireOnValue(1, L"nobody listens"));
}

TEST_F(ConnectionPointTest, AFailingSinkDoesNotStopTheOthers)
{
    auto journal = std::make_shared<OfficeEventJournal>();
    ComPtr<FakeOfficeSink> failing = sink(journal);
    failing->setResult(RPC_E_DISCONNECTED);
    ComPtr<FakeOfficeSink> healthy = sink(journal);
    advise(failing.get());
    advise(healthy.get());
    EXPECT_EQ(S_OK, fireOnValue(2, L"two")) << "firing queues; the delivery logs the sink's failure";
    EXPECT_EQ(2u, journal->count());
    EXPECT_EQ(RPC_E_DISCONNECTED, DispatchParameters().invoke(failing.get(), 2)) << "one sink's own answer";
}

TEST_F(ConnectionPointTest, ASinkThatUnadvisesItselfDuringAnEventDoesNotCostTheOthersThatEvent)
{
    auto journal = std::make_shared<OfficeEventJournal>();
    ComPtr<FakeOfficeSink> leaving = sink();
    const DWORD cookie = advise(leaving.get());
    advise(sink(journal).get());
    leaving->setHook([this, cookie](const OfficeEvent&) { EXPECT_EQ(S_OK, point().Unadvise(cookie)); });
    leaving.reset(); // the only reference left is the one the event holds while it runs

    EXPECT_EQ(S_OK, fireOnValue(3, L"three"));
    EXPECT_EQ(1u, journal->count()) << "every sink advised when the event started gets it";
    EXPECT_EQ(S_OK, fireOnValue(4, L"four"));
    EXPECT_EQ(2u, journal->count());
    EXPECT_EQ(1u, point().connectionCount());
}

TEST_F(ConnectionPointTest, HoldsNoLockWhileASinkRunsSoOtherThreadsCanChangeTheList)
{
    ComPtr<FakeOfficeSink> running = sink();
    auto newcomerJournal = std::make_shared<OfficeEventJournal>();
    ComPtr<FakeOfficeSink> newcomer = sink(newcomerJournal);
    const DWORD cookie = advise(running.get());
    bool changedDuringEvent = false;
    running->setHook([&](const OfficeEvent&) {
        std::packaged_task<void()> change([&] {
            DWORD newCookie = 0;
            point().Advise(newcomer.get(), &newCookie);
            point().Unadvise(cookie);
        });
        std::future<void> finished = change.get_future();
        std::thread other(std::move(change));
        changedDuringEvent = finished.wait_for(std::chrono::seconds(10)) == std::future_status::ready;
        if (changedDuringEvent) other.join();
        else other.detach();
    });

    fireOnValue(5, L"five");
    EXPECT_TRUE(changedDuringEvent);
    EXPECT_EQ(0u, newcomerJournal->count());
    EXPECT_EQ(1u, point().connectionCount());
}

TEST_F(ConnectionPointTest, ContainerFindsAndEnumeratesItsPointsAndAPointAClientHoldsKeepsItsSource)
{
    ComPtr<IConnectionPointContainer> container = source.as<IConnectionPointContainer>();
    ComPtr<IConnectionPoint> found;
    EXPECT_EQ(CONNECT_E_NOCONNECTION, container->FindConnectionPoint(IID_IDispatch, found.out()));
    EXPECT_FALSE(found);
    ComPtr<IEnumConnectionPoints> points;
    ASSERT_EQ(S_OK, container->EnumConnectionPoints(points.out()));
    IConnectionPoint* fetched[3] = {};
    ULONG count = 0;
    EXPECT_EQ(S_FALSE, points->Next(3, fetched, &count));
    ASSERT_EQ(2u, count);
    for (ULONG i = 0; i < count; ++i) fetched[i]->Release();

    ASSERT_EQ(S_OK, container->FindConnectionPoint(IID_IPropertyNotifySink, found.out()));
    IID iid = {};
    ASSERT_EQ(S_OK, found->GetConnectionInterface(&iid));
    EXPECT_TRUE(IsEqualIID(IID_IPropertyNotifySink, iid));
    const int destroyedBefore = destroyedSources;
    container.reset();
    points.reset();
    source.reset();
    EXPECT_EQ(destroyedBefore, destroyedSources);
    ASSERT_EQ(S_OK, found->GetConnectionPointContainer(container.out()));
    container.reset();
    found.reset();
    EXPECT_EQ(destroyedBefore + 1, destroyedSources);
}
