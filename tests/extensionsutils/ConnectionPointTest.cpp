#include "extensionsutils/EventDelivery.h"
#include "extensionsutils/ConnectionPointContainer.h"

#include "ComTestSupport.h"
#include "RecordingSink.h"

#include <gtest/gtest.h>

#include <chrono>
#include <future>
#include <set>
#include <string>
#include <thread>

using namespace extensionsutils;

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

class ConnectionPointTest : public ::testing::Test
{
protected:
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

    ComApartment apartment;
    MICComPtr<EventSource> source = ComObject<EventSource>::create();
};

} // namespace

TEST_F(ConnectionPointTest, DeliversEventsToEverySinkInAdviseOrderWithTheArgumentsReversed)
{
    MICComPtr<RecordingSink> first = ComObject<RecordingSink>::create();
    MICComPtr<DispatchOnlySink> second = ComObject<DispatchOnlySink>::create();
    advise(first.identity());
    advise(second.identity());

    EXPECT_EQ(S_OK, fireOnValue(5, L"five"));

    for (const std::vector<RecordedCall>& calls : {first->calls(), second->calls()}) {
        ASSERT_EQ(1u, calls.size());
        EXPECT_EQ(1, calls[0].id);
        ASSERT_EQ(2u, calls[0].arguments.size());
        EXPECT_EQ(std::wstring(L"five"), calls[0].arguments[0].get()->bstrVal);
        EXPECT_EQ(5, calls[0].arguments[1].get()->lVal);
    }
}

TEST_F(ConnectionPointTest, IssuesDistinctNonZeroCookiesAndRefusesUnknownOnes)
{
    std::vector<MICComPtr<RecordingSink>> sinks;
    std::vector<DWORD> issued;
    for (int i = 0; i < 4; ++i) {
        sinks.push_back(ComObject<RecordingSink>::create());
        issued.push_back(advise(sinks.back().identity()));
    }
    const std::set<DWORD> cookies(issued.begin(), issued.end());
    EXPECT_EQ(4u, cookies.size());
    EXPECT_EQ(0u, cookies.count(0));

    const DWORD removed = issued[0];
    const ULONG heldBefore = referenceCount(sinks[0].identity());
    EXPECT_EQ(S_OK, point().Unadvise(removed));
    EXPECT_LT(referenceCount(sinks[0].identity()), heldBefore) << "the point lets go of the sink";
    EXPECT_EQ(CONNECT_E_NOCONNECTION, point().Unadvise(removed));
    EXPECT_EQ(CONNECT_E_NOCONNECTION, point().Unadvise(0));

    const DWORD added = advise(sinks[0].identity());
    EXPECT_EQ(0u, cookies.count(added));
    EXPECT_EQ(4u, point().connectionCount());

    EXPECT_EQ(S_OK, fireOnValue(1, L"one"));
    EXPECT_EQ(1u, sinks[0]->calls().size());
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
    MICComPtr<RecordingSink> failing = ComObject<RecordingSink>::create();
    failing->answer = RPC_E_DISCONNECTED;
    MICComPtr<RecordingSink> healthy = ComObject<RecordingSink>::create();
    advise(failing.identity());
    advise(healthy.identity());

    EXPECT_EQ(S_OK, fireOnValue(2, L"two")) << "firing queues; the delivery logs the sink's failure";
    EXPECT_EQ(1u, failing->calls().size());
    EXPECT_EQ(1u, healthy->calls().size());
}

TEST_F(ConnectionPointTest, ASinkThatUnadvisesItselfDuringAnEventDoesNotCostTheOthersThatEvent)
{
    MICComPtr<RecordingSink> leaving = ComObject<RecordingSink>::create();
    MICComPtr<RecordingSink> staying = ComObject<RecordingSink>::create();
    const DWORD cookie = advise(leaving.identity());
    advise(staying.identity());
    leaving->duringCall = [this, cookie] { EXPECT_EQ(S_OK, point().Unadvise(cookie)); };
    // The only reference left to the leaving sink is the one the event holds while it runs.
    leaving.reset();

    EXPECT_EQ(S_OK, fireOnValue(3, L"three"));
    EXPECT_EQ(1u, staying->calls().size()) << "every sink advised when the event started gets it";

    EXPECT_EQ(S_OK, fireOnValue(4, L"four"));
    EXPECT_EQ(2u, staying->calls().size());
    EXPECT_EQ(1u, point().connectionCount());
}

TEST_F(ConnectionPointTest, HoldsNoLockWhileASinkRunsSoOtherThreadsCanChangeTheList)
{
    MICComPtr<RecordingSink> sink = ComObject<RecordingSink>::create();
    MICComPtr<RecordingSink> newcomer = ComObject<RecordingSink>::create();
    const DWORD cookie = advise(sink.identity());
    bool changedDuringEvent = false;
    sink->duringCall = [&] {
        std::promise<void> done;
        std::future<void> finished = done.get_future();
        std::thread other([&, cookie] {
            ComApartment threadApartment;
            DWORD newCookie = 0;
            point().Advise(newcomer.identity(), &newCookie);
            point().Unadvise(cookie);
            done.set_value();
        });
        changedDuringEvent = finished.wait_for(std::chrono::seconds(10)) == std::future_status::ready;
        if (changedDuringEvent) other.join();
        else other.detach();
    };

    fireOnValue(5, L"five");
    EXPECT_TRUE(changedDuringEvent);
    EXPECT_TRUE(newcomer->calls().empty());
    EXPECT_EQ(1u, point().connectionCount());
}

TEST_F(ConnectionPointTest, ContainerFindsAndEnumeratesItsPointsWhichKeepItAlive)
{
    ComPtr<IConnectionPointContainer> container = source.as<IConnectionPointContainer>();
    ComPtr<IConnectionPoint> found;
    ASSERT_EQ(S_OK, container->FindConnectionPoint(DIID__ITestEvents, found.out()));
    IID iid = {};
    ASSERT_EQ(S_OK, found->GetConnectionInterface(&iid));
    EXPECT_TRUE(IsEqualIID(DIID__ITestEvents, iid));
    ComPtr<IConnectionPointContainer> owner;
    ASSERT_EQ(S_OK, found->GetConnectionPointContainer(owner.out()));
    EXPECT_TRUE(sameComObject(owner.get(), source.identity()));
    EXPECT_EQ(CONNECT_E_NOCONNECTION, container->FindConnectionPoint(IID_IDispatch, found.out()));
    EXPECT_FALSE(found);

    ComPtr<IEnumConnectionPoints> points;
    ASSERT_EQ(S_OK, container->EnumConnectionPoints(points.out()));
    IConnectionPoint* fetched[3] = {};
    ULONG count = 0;
    EXPECT_EQ(S_FALSE, points->Next(3, fetched, &count));
    EXPECT_EQ(2u, count);
    for (ULONG i = 0; i < count; ++i) fetched[i]->Release();

    // A point held by a client keeps the source alive after every other reference went.
    const int destroyedBefore = destroyedSources;
    ASSERT_EQ(S_OK, container->FindConnectionPoint(IID_IPropertyNotifySink, found.out()));
    container.reset();
    owner.reset();
    points.reset();
    source.reset();
    EXPECT_EQ(destroyedBefore, destroyedSources);
    found.reset();
    EXPECT_EQ(destroyedBefore + 1, destroyedSources);
}

TEST_F(ConnectionPointTest, EnumeratesConnectionsAsASnapshot)
{
    MICComPtr<RecordingSink> sink = ComObject<RecordingSink>::create();
    const DWORD cookie = advise(sink.identity());
    ComPtr<IEnumConnections> connections;
    ASSERT_EQ(S_OK, point().EnumConnections(connections.out()));
    point().Unadvise(cookie);

    CONNECTDATA data = {};
    ASSERT_EQ(S_OK, connections->Next(1, &data, nullptr));
    EXPECT_EQ(cookie, data.dwCookie);
    EXPECT_TRUE(sameComObject(data.pUnk, sink.identity()));
    data.pUnk->Release();
    EXPECT_EQ(S_FALSE, connections->Next(1, &data, nullptr));
}
