// Office in the host's process: it reaches the module only through the class objects that the running
// module registered for local-server activation.
#include "HostedModuleFixture.h"

#include "common/ContractIds.h"
#include "support/FakeOfficeSink.h"

#include "TavoMessengerLib.h"

#include <gmock/gmock.h>

#include <algorithm>

using extensionsutils::ComPtr;
using fakeoffice::FakeOfficeSink;
using fakeoffice::OfficeEvent;

namespace {

class OfficeShutdownTest : public HostedModuleTest {
protected:
    static ComPtr<IUnknown> create(REFCLSID clsid)
    {
        ComPtr<IUnknown> object;
        EXPECT_EQ(S_OK, CoCreateInstance(clsid, nullptr, CLSCTX_LOCAL_SERVER, IID_IUnknown, reinterpret_cast<void**>(object.out())));
        return object;
    }
};

TEST_F(OfficeShutdownTest, BothClassIdsServeTheSameFactoryAndTheSameObjectAndLockServerKeepsNothingAlive)
{
    startAndWaitUntilPublished();
    ASSERT_TRUE(classObjectRegistered(contractid::Messenger) && classObjectRegistered(contractid::OfficeIntegrationImpl));
    EXPECT_TRUE(extensionsutils::sameComObject(registeredFactory(contractid::Messenger).get(),
                                               registeredFactory(contractid::OfficeIntegrationImpl).get()));
    ComPtr<IUnknown> first = create(contractid::Messenger), second = create(contractid::OfficeIntegrationImpl);
    ASSERT_TRUE(first && second);
    EXPECT_EQ(first.get(), second.get()) << "Office 2010 and Office 2016 were given different objects";
    EXPECT_EQ(S_OK, registeredFactory(contractid::OfficeIntegrationImpl)->LockServer(TRUE));
    first.reset();
    second.reset();
    stopAndWait();
    EXPECT_TRUE(unloadable()) << "the object or a LockServer(TRUE) kept the module from unloading";
}

TEST_F(OfficeShutdownTest, AStopWhileOfficeHoldsTheObjectTellsBothApisOnTheWorkerBeforeTheRevocation)
{
    startAndWaitUntilPublished();
    ComPtr<IUnknown> object = create(contractid::Messenger);
    ASSERT_TRUE(object);
    auto journal = std::make_shared<fakeoffice::OfficeEventJournal>();
    ComPtr<FakeOfficeSink> sinks[] = {FakeOfficeSink::create(contractid::DMessengerEvents, journal),
                                      FakeOfficeSink::create(contractid::IUCOfficeIntegrationEvents, journal)};
    for (const auto& sink : sinks) ASSERT_EQ(S_OK, sink->advise(object.get()));
    std::atomic<long> eventsWhenUninitialising{-1};
    host().addLogHook([&](const fakehost::LogRecord& record) {
        if (record.message == L"calling classFactory->Uninitialize()") eventsWhenUninitialising = static_cast<long>(journal->count());
    });
    EXPECT_EQ(1, stopAndWait()->calls);

    // Each sink gets its events in order; the order across sinks is open. Office is called as it calls, from
    // the module's multithreaded apartment but never from the worker.
    std::vector<OfficeEvent> events = journal->events();
    const auto messengers = std::stable_partition(events.begin(), events.end(), [](const OfficeEvent& event) {
        return IsEqualIID(contractid::DMessengerEvents, event.eventInterface);
    });
    EXPECT_EQ(2, messengers - events.begin());
    const DWORD worker = host().recordsOf(L"About to begin revoking Messenger Class Factory").at(0).threadId;
    std::vector<std::wstring> texts;
    for (const OfficeEvent& event : events)
        texts.push_back(fakeoffice::describe(event) +
                        (event.flags == DISPATCH_METHOD && event.apartment == "MTA" && event.threadId != worker ? L"" : L" badly called"));
    EXPECT_EQ((std::vector<std::wstring>{L"0x407(0, 1)", L"0x408()", L"0x32()"}), texts)
        << "MyStatusChange(S_OK, offline), AppShutdown, ShuttingDown";
    EXPECT_EQ(3, eventsWhenUninitialising.load()) << "the factory was uninitialised before every event was fired";
    EXPECT_THAT(messagesOf(host(), L"TavoMessengerStateWorkers::applicationShutdown"),
                ::testing::ElementsAre(L"about to start firing shutdown", L"firing status change", L"firing application shutdown"));

    // Office lets go after the provider went away; then nothing of the module lives any more.
    for (const auto& sink : sinks) EXPECT_EQ(S_OK, sink->unadvise());
    object.reset();
    for (const auto& sink : sinks) EXPECT_EQ(1u, sink->references());
    EXPECT_TRUE(unloadable());
}

} // namespace
