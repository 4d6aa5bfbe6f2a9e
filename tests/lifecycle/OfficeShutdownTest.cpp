// Office in the host's process: it reaches the module only through the class objects that the running
// module registered for local-server activation.
#include "HostedModuleFixture.h"

#include "common/ContractIds.h"
#include "support/FakeOfficeSink.h"

#include "extensionsutils/Bstr.h"
#include "extensionsutils/Variant.h"

#include "TavoMessengerLib.h"

#include <gmock/gmock.h>

#include <algorithm>
#include <atomic>

using extensionsutils::Bstr;
using extensionsutils::ComPtr;
using extensionsutils::Variant;
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
    // Every call the module made of the host so far, whatever the method.
    unsigned hostCalls() const
    {
        unsigned calls = 0;
        for (int method = 0; method < static_cast<int>(fakehost::HostMethod::Count); ++method)
            calls += host().callCount(static_cast<fakehost::HostMethod>(method));
        return calls;
    }
};

TEST_F(OfficeShutdownTest, BothClassIdsServeOneObjectThatLockServerDoesNotKeepAlive)
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

TEST_F(OfficeShutdownTest, AStopTellsBothApisOnTheWorkerBeforeTheRevocation)
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

// Office may hold contacts of both APIs past the stop (and so may events still queued for it): they let go
// of the host's objects, their watching included, before the host hears that the module stopped, and
// answer without the host afterwards, so that nothing of the host is called once onStopped has come.
TEST_F(OfficeShutdownTest, ContactsOfficeStillHoldsCallNothingOfTheHostAfterOnStopped)
{
    host().setClientUser({L"me@example.com", L"", L"Me"});
    host().addContact({L"bob@example.com", L"", L"Bob", L"+1 555 0100"});
    startAndWaitUntilPublished();
    ComPtr<IUnknown> object = create(CLSID_Messenger);
    ASSERT_TRUE(object);
    ComPtr<IDispatch> client, messengerBob;
    ASSERT_EQ(S_OK, object.as<IUCOfficeIntegration>()->GetInterface(Bstr(L"16.0.0.0").get(), oiInterfaceIUCCLyncClient, client.out()));
    ComPtr<IUCCContactManager> manager;
    ASSERT_EQ(S_OK, client.as<IUCCLyncClient>()->get_ContactManager(manager.out()));
    ComPtr<IUCCContact> ucBob;
    ASSERT_EQ(S_OK, manager->GetContactByUri(Bstr(L"sip:bob@example.com").get(), ucBob.out()));
    ASSERT_EQ(S_OK, object.as<IMessenger>()->GetContact(Bstr(L"bob@example.com").get(), nullptr, messengerBob.out()));
    ASSERT_EQ(1u, host().contactSinkCount(L"bob@example.com"));
    object.reset();
    client.reset();
    manager.reset();

    std::atomic<long> heldAtOnStopped{-1};
    std::atomic<std::size_t> watchedAtOnStopped{99};
    auto callback = std::make_shared<RecordingStoppedCallback>(&host(), [&] {
        heldAtOnStopped = host().liveObjectCount();
        watchedAtOnStopped = host().contactSinkCount();
    });
    module().stop(callback);
    ASSERT_TRUE(callback->waitForCall());
    ASSERT_TRUE(logWatch->waitUntilOtherThreadsEnded(20000));
    EXPECT_EQ(0, heldAtOnStopped) << "host objects the module still held when it said it had stopped";
    EXPECT_EQ(0u, watchedAtOnStopped) << "contacts still watched";

    const unsigned callsAtOnStopped = hostCalls();
    Variant availability;
    EXPECT_EQ(S_OK, ucBob->GetContactInformation(ucPresenceAvailability, availability.out()));
    EXPECT_EQ(0, availability.get()->lVal) << "ucAvailabilityNone";
    MISTATUS status = MISTATUS_ONLINE;
    EXPECT_EQ(static_cast<HRESULT>(0x8100031E), messengerBob.as<IMessengerContact>()->get_Status(&status));
    ucBob.reset();
    messengerBob.reset();
    EXPECT_EQ(callsAtOnStopped, hostCalls()) << "the host was called after onStopped";
}

} // namespace
