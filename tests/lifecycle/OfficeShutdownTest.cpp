#include "HostedModuleFixture.h"
#include "support/ThreadTestHelpers.h"

#include "support/FakeOfficeSink.h"

#include "extensionsutils/ComPtr.h"

#include "TavoMessengerLib.h"

#include <algorithm>
#include <gmock/gmock.h>

#include <objbase.h>

#include <atomic>

using extensionsutils::ComPtr;
using fakeoffice::FakeOfficeSink;
using fakeoffice::OfficeEvent;
using fakeoffice::OfficeEventJournal;

namespace {

const DISPID onMyStatusChange = 0x407;
const DISPID onAppShutdown = 0x408;
const DISPID onShuttingDown = 0x32;

// Office in the host's process: it reaches the module only through the class objects that the running
// module registered for local-server activation.
class OfficeShutdownTest : public HostedModuleTest {
protected:
    ComPtr<IClassFactory> registeredFactory(REFCLSID clsid)
    {
        ComPtr<IClassFactory> factory;
        EXPECT_EQ(S_OK, CoGetClassObject(clsid, CLSCTX_LOCAL_SERVER, nullptr, IID_IClassFactory,
                                         reinterpret_cast<void**>(factory.out())));
        return factory;
    }

    ComPtr<IUnknown> create(const ComPtr<IClassFactory>& factory)
    {
        ComPtr<IUnknown> object;
        if (!factory) return object;
        EXPECT_EQ(S_OK, factory->CreateInstance(nullptr, IID_IUnknown, reinterpret_cast<void**>(object.out())));
        return object;
    }
};

TEST_F(OfficeShutdownTest, BothClassIdsServeTheSameFactoryAndTheSameObject)
{
    startAndWaitUntilPublished();
    ComPtr<IClassFactory> messenger = registeredFactory(CLSID_Messenger);
    ComPtr<IClassFactory> officeIntegration = registeredFactory(CLSID_OfficeIntegrationImpl);
    ASSERT_TRUE(messenger && officeIntegration);
    ComPtr<IUnknown> messengerIdentity;
    ComPtr<IUnknown> officeIntegrationIdentity;
    messenger->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(messengerIdentity.out()));
    officeIntegration->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(officeIntegrationIdentity.out()));
    EXPECT_EQ(messengerIdentity.get(), officeIntegrationIdentity.get());

    ComPtr<IUnknown> first = create(messenger);
    ComPtr<IUnknown> second = create(officeIntegration);
    ASSERT_TRUE(first && second);
    EXPECT_EQ(first.get(), second.get()) << "Office 2010 and Office 2016 were given different objects";

    messengerIdentity.reset();
    officeIntegrationIdentity.reset();
    messenger.reset();
    officeIntegration.reset();
    first.reset();
    second.reset();
    stopAndWait();
}

TEST_F(OfficeShutdownTest, AStopWhileOfficeHoldsTheObjectTellsBothApisOnTheWorkerBeforeTheRevocation)
{
    startAndWaitUntilPublished();
    ComPtr<IClassFactory> factory = registeredFactory(CLSID_Messenger);
    ComPtr<IUnknown> object = create(factory);
    ASSERT_TRUE(object);

    auto journal = std::make_shared<OfficeEventJournal>();
    ComPtr<FakeOfficeSink> messengerSink = FakeOfficeSink::create(DIID_DMessengerEvents, journal);
    ComPtr<FakeOfficeSink> officeIntegrationSink = FakeOfficeSink::create(DIID__IUCOfficeIntegrationEvents, journal);
    ASSERT_EQ(S_OK, messengerSink->advise(object.get()));
    ASSERT_EQ(S_OK, officeIntegrationSink->advise(object.get()));

    std::atomic<long> eventsWhenUninitialising{-1};
    host().addLogHook([&](const fakehost::LogRecord& record) {
        if (record.message == L"calling classFactory->Uninitialize()")
            eventsWhenUninitialising = static_cast<long>(journal->count());
    });
    auto callback = stopAndWait();

    // Each sink gets its events in order; the order across sinks is open.
    std::vector<OfficeEvent> events = journal->events();
    std::stable_partition(events.begin(), events.end(),
                          [](const OfficeEvent& event) { return IsEqualIID(DIID_DMessengerEvents, event.eventInterface); });
    ASSERT_EQ(3u, events.size());
    EXPECT_EQ(onMyStatusChange, events[0].id);
    EXPECT_TRUE(IsEqualIID(DIID_DMessengerEvents, events[0].eventInterface));
    ASSERT_EQ(2u, events[0].arguments.size());
    EXPECT_EQ(VT_I4, events[0].arguments[0].type());
    EXPECT_EQ(S_OK, events[0].arguments[0].get()->lVal) << "hr";
    EXPECT_EQ(1, events[0].arguments[1].get()->lVal) << "MISTATUS_OFFLINE";
    EXPECT_EQ(onAppShutdown, events[1].id);
    EXPECT_TRUE(IsEqualIID(DIID_DMessengerEvents, events[1].eventInterface));
    EXPECT_TRUE(events[1].arguments.empty());
    EXPECT_EQ(onShuttingDown, events[2].id);
    EXPECT_TRUE(IsEqualIID(DIID__IUCOfficeIntegrationEvents, events[2].eventInterface));
    EXPECT_TRUE(events[2].arguments.empty());

    const auto revocation = logWatch().firstSighting(L"About to begin revoking Messenger Class Factory");
    ASSERT_TRUE(revocation.has_value());
    for (const OfficeEvent& event : events) {
        EXPECT_EQ(DISPATCH_METHOD, event.flags);
        EXPECT_NE(revocation->thread, event.threadId) << "event " << event.id << " called Office from the worker";
        EXPECT_EQ("MTA", event.apartment);
    }
    EXPECT_EQ(3, eventsWhenUninitialising.load()) << "the factory was uninitialised before every event was fired";
    EXPECT_THAT(messagesOf(L"TavoMessengerStateWorkers::applicationShutdown"),
                ::testing::ElementsAre(L"about to start firing shutdown", L"firing status change",
                                       L"firing application shutdown"));
    EXPECT_EQ(1, callback->calls());

    // Office lets go after the provider went away; then nothing of the module lives any more.
    EXPECT_EQ(S_OK, messengerSink->unadvise());
    EXPECT_EQ(S_OK, officeIntegrationSink->unadvise());
    object.reset();
    factory.reset();
    EXPECT_EQ(1u, messengerSink->references());
    EXPECT_EQ(1u, officeIntegrationSink->references());
    EXPECT_TRUE(waitUntil([this] { return module().canUnloadNow() == S_OK; }));
}

TEST_F(OfficeShutdownTest, LockServerAnswersSOkAndKeepsNothingAlive)
{
    startAndWaitUntilPublished();
    ComPtr<IClassFactory> factory = registeredFactory(CLSID_OfficeIntegrationImpl);
    ASSERT_TRUE(factory);
    EXPECT_EQ(S_OK, factory->LockServer(TRUE));
    factory.reset();
    stopAndWait();
    EXPECT_TRUE(waitUntil([this] { return module().canUnloadNow() == S_OK; }))
        << "a LockServer(TRUE) kept the module from unloading";
}

} // namespace
