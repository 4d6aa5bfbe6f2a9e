// Event delivery by Office apartment: the sinks of one apartment share one lane with one call in flight, so
// a hung apartment costs one thread and holds up nobody else, and a lane's one-off events stay bounded.
// Hung Offices here are real single-threaded apartments reached through real proxies.
#include "extensionsutils/ComObject.h"
#include "extensionsutils/ConnectionPointContainer.h"
#include "extensionsutils/DeliveryLane.h"
#include "extensionsutils/EventDelivery.h"
#include "extensionsutils/LogSink.h"
#include "extensionsutils/MICComPtr.h"
#include "extensionsutils/Variant.h"
#include "support/OfficeApartment.h"
#include "support/ThreadTestHelpers.h"
#include "common/ContractIds.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

using namespace extensionsutils;
using fakeoffice::FakeOfficeSink;
using fakeoffice::OfficeApartment;
using fakeoffice::OfficeEvent;
using fakeoffice::OfficeEventJournal;

namespace {

// Its events go through plain IDispatch, which the hung Office's proxies already hold: advising one costs
// no call into its apartment.
struct Source : ComObjectRoot, ConnectionPointContainer {
    using Interfaces = InterfaceTable<IConnectionPointContainer>;
    Source() : ConnectionPointContainer({contractid::IDispatch}) {}
};

struct RecordingLog : LogSink {
    void write(int, const char*, int, const char*, const std::string& message) override
    {
        std::lock_guard<std::mutex> lock(mutex);
        messages.push_back(message);
    }
    std::size_t count(const std::string& message)
    {
        std::lock_guard<std::mutex> lock(mutex);
        return static_cast<std::size_t>(std::count(messages.begin(), messages.end(), message));
    }
    std::mutex mutex;
    std::vector<std::string> messages;
};

class EventDeliveryTest : public ::testing::Test {
protected:
    void TearDown() override
    {
        gate.open();
        source.reset(); // lets go of every proxy while the apartments still run
        EventDelivery::waitUntilSettled(20000);
        EventDelivery::setLogSink(nullptr);
        EventDelivery::setStallLimit(EventDelivery::defaultStallLimitMs);
    }
    void advise(IUnknown* sink)
    {
        DWORD cookie = 0;
        ASSERT_EQ(S_OK, source->connectionPoint(contractid::IDispatch)->Advise(sink, &cookie));
    }
    HRESULT fire(LONG value)
    {
        DispatchParameters parameters;
        parameters.add(Variant::fromInt32(value));
        return source->fire(contractid::IDispatch, 1, parameters);
    }
    // Sinks of the hung Office, whose handler hangs until the gate opens.
    std::vector<ComPtr<IDispatch>> hungSinks(int count)
    {
        return office.makeSinks(count, hungJournal, [this](const OfficeEvent&) { gate.arriveAndWait(); });
    }
    static const void* laneOf(IDispatch* sink) { return EventDelivery::laneFor(sink, contractid::IDispatch).get(); }

    Gate gate;
    OfficeApartment office, otherOffice;
    std::shared_ptr<OfficeEventJournal> journal = std::make_shared<OfficeEventJournal>();
    std::shared_ptr<OfficeEventJournal> hungJournal = std::make_shared<OfficeEventJournal>();
    MICComPtr<Source> source = ComObject<Source>::create();
};

} // namespace

TEST_F(EventDeliveryTest, SinksShareALaneExactlyWhenTheyLiveInOneApartment)
{
    const std::vector<ComPtr<IDispatch>> ofFirst = office.makeSinks(2, journal), ofSecond = otherOffice.makeSinks(1, journal);
    ComPtr<FakeOfficeSink> local = FakeOfficeSink::create(contractid::IDispatch, journal);
    ComPtr<FakeOfficeSink> otherLocal = FakeOfficeSink::create(contractid::IDispatch, journal);
    ASSERT_EQ(2u, ofFirst.size());
    ASSERT_EQ(1u, ofSecond.size());
    const std::shared_ptr<DeliveryLane> held = EventDelivery::laneFor(ofFirst[0].get(), contractid::IDispatch);
    const std::shared_ptr<DeliveryLane> heldLocal = EventDelivery::laneFor(local.get(), contractid::IDispatch);
    EXPECT_EQ(held.get(), laneOf(ofFirst[1].get()));
    EXPECT_NE(held.get(), laneOf(ofSecond[0].get()));
    EXPECT_NE(heldLocal.get(), laneOf(otherLocal.get())) << "a sink whose apartment cannot be told is a lane of its own";
    EXPECT_EQ(heldLocal.get(), laneOf(local.get()));
}

TEST_F(EventDeliveryTest, AnObjectOfThisProcessIsNeverExportedToFindItsApartment)
{
    ComPtr<FakeOfficeSink> local = FakeOfficeSink::create(contractid::IDispatch, journal);
    const ULONG before = local->references();
    const std::shared_ptr<DeliveryLane> lane = EventDelivery::laneFor(local.get(), contractid::IDispatch);
    ASSERT_TRUE(lane);
    EXPECT_EQ(before, local->references()) << "a stub holds the object";
}

TEST_F(EventDeliveryTest, ASinkBesideSixtyFiveHungOnesOfOneApartmentGetsItsEventInTwoSeconds)
{
    for (const ComPtr<IDispatch>& sink : hungSinks(65)) advise(sink.get());
    advise(FakeOfficeSink::create(contractid::IDispatch, journal).get());
    ASSERT_EQ(S_OK, fire(1));
    ASSERT_TRUE(gate.waitUntilReached());
    EXPECT_TRUE(waitUntil([&] { return journal->arrived() == 1; }, 2000)) << "the hung apartment held up another sink";
    gate.open();
    EXPECT_TRUE(EventDelivery::waitUntilSettled(20000));
    EXPECT_EQ(65u, hungJournal->arrived()) << "each of the hung apartment's sinks once it returned";
}

TEST_F(EventDeliveryTest, AThousandHungSinksOfOneApartmentUseNoMoreThreadsThanTheBound)
{
    const long threadBound = 32; // as docs/architecture.md states it
    const std::vector<ComPtr<IDispatch>> sinks = hungSinks(1000);
    ASSERT_EQ(1000u, sinks.size());
    for (const ComPtr<IDispatch>& sink : sinks) advise(sink.get());
    const long before = threadsOfThisProcess();
    ASSERT_EQ(S_OK, fire(1));
    ASSERT_TRUE(gate.waitUntilReached());
    long most = 0;
    // Long enough for a delivery that gives a thread to each sink to show it.
    waitUntil([&] { return (most = (std::max)(most, threadsOfThisProcess() - before)) > threadBound; }, 2000);
    EXPECT_LE(most, threadBound);
}

TEST_F(EventDeliveryTest, AHungApartmentCountsAsStalledForAllItsSinksAfterOneStallLimit)
{
    EventDelivery::setStallLimit(300);
    auto log = std::make_shared<RecordingLog>();
    EventDelivery::setLogSink(log);
    for (const ComPtr<IDispatch>& sink : hungSinks(65)) advise(sink.get());
    ASSERT_EQ(S_OK, fire(1));
    EXPECT_TRUE(EventDelivery::waitUntilSettled(2000)) << "a stop would wait for the hung apartment";
    EXPECT_EQ(1u, log->count("An apartment has not returned from an event within the stall limit; "
                             "marked stalled (event sinks: 65), their events kept merged until it returns"));
}

TEST_F(EventDeliveryTest, AStalledSinkKeepsItsLatestSixtyFourOneOffEvents)
{
    EventDelivery::setStallLimit(200);
    auto log = std::make_shared<RecordingLog>();
    EventDelivery::setLogSink(log);
    ComPtr<FakeOfficeSink> hung = FakeOfficeSink::create(contractid::IDispatch, journal);
    hung->setHook([this, first = std::make_shared<bool>(true)](const OfficeEvent&) {
        if (std::exchange(*first, false)) gate.arriveAndWait();
    });
    advise(hung.get());
    const long droppedBefore = EventDelivery::figures().dropped;
    ASSERT_EQ(S_OK, fire(0));
    ASSERT_TRUE(gate.waitUntilReached());
    ASSERT_TRUE(EventDelivery::waitUntilSettled(2000)) << "not stalled";
    for (LONG value = 1; value <= 70; ++value) ASSERT_EQ(S_OK, fire(value));
    EXPECT_EQ(6, EventDelivery::figures().dropped - droppedBefore);
    gate.open();
    waitUntil([&] { return journal->arrived() >= 65; }, 5000); // the lane counts as settled while it is stalled
    std::vector<LONG> values;
    for (const OfficeEvent& event : journal->events()) values.push_back(event.arguments.at(0).get()->lVal);
    ASSERT_EQ(65u, values.size());
    EXPECT_EQ(0, values.front());
    EXPECT_EQ(7, values[1]) << "the oldest waiting were dropped";
    EXPECT_EQ(70, values.back());
    EXPECT_EQ(1u, log->count("An event sink has 64 one-off events waiting; the oldest are dropped and counted until it takes them"));
}
