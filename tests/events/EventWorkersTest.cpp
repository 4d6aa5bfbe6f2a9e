#include "utils/ModuleLogSink.h"
#include "extensionsutils/EventDelivery.h"
#include "EventWorkers.h"

#include "EventsFixture.h"
#include "TestMessenger.h"

#include "extensionsutils/ComPtr.h"
#include "extensionsutils/MICComPtr.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using extensionsutils::Bstr;
using extensionsutils::ComPtr;
using extensionsutils::MICComPtr;
using fakeoffice::FakeOfficeSink;
using fakeoffice::OfficeEvent;

namespace {

class EventWorkersTest : public EventsFixture
{
protected:
    void SetUp() override
    {
        EventsFixture::SetUp();
        for (int i = 0; i < 2; ++i) {
            sinks.push_back(FakeOfficeSink::create(DIID_DMessengerEvents, journal));
            ASSERT_EQ(sinks.back()->advise(messenger.identity()), S_OK);
        }
    }

    void releaseModuleObjects() override
    {
        for (ComPtr<FakeOfficeSink>& sink : sinks) sink->unadvise();
        sinks.clear();
        messenger.reset();
    }

    static ComPtr<IMessengerContact> contactNamed(const std::wstring& name, HRESULT signinResult = S_OK)
    {
        return extensionsutils::ComObject<TestMessengerContact>::create(name, signinResult).as<IMessengerContact>();
    }

    void queueStatusChange(ComPtr<IMessengerContact> contact, MISTATUS status)
    {
        MICComPtr<TestMessenger> target = messenger;
        worker->AddWork(std::make_shared<Tr1FunctionWorker>([target, contact, status] {
            ExtensionProviderEventWorkers::contactStatusChanged(target, contact, status);
        }));
    }

    void runResolved(const std::wstring& email, const std::wstring& imAddress)
    {
        MICComPtr<TestMessenger> target = messenger;
        CProxyDMessengerEvents<TestMessenger>* events = messenger->getMessengerEvents();
        runOnWorker([target, events, email, imAddress] {
            ExtensionProviderEventWorkers::contactResolved(target, events, Bstr(email), Bstr(imAddress));
        });
    }

    MICComPtr<TestMessenger> messenger = extensionsutils::ComObject<TestMessenger>::create();
    std::vector<ComPtr<FakeOfficeSink>> sinks;
};

TEST_F(EventWorkersTest, UnreadableContactIsSkippedWithItsLogLine)
{
    queueStatusChange(nullptr, MISTATUS_ONLINE);
    queueStatusChange(contactNamed(L"bob", E_FAIL), MISTATUS_ONLINE);
    drainWorker();

    EXPECT_EQ(journal->count(), 0u);
    const std::vector<fakehost::LogRecord> missing = host().recordsOf(L"messengerContact is NULL");
    ASSERT_EQ(missing.size(), 1u);
    EXPECT_EQ(missing[0].hostLevel, 1); // module level 4
    EXPECT_EQ(logCount(L"pMessengerContact->get_SigninName failed"), 1u);
}

TEST_F(EventWorkersTest, FailingSinkIsLoggedAndTheOthersStillReceiveTheStatus)
{
    extensionsutils::EventDelivery::setLogSink(std::make_shared<ModuleLogSink>());
    sinks.back()->setResult(DISP_E_EXCEPTION);
    queueStatusChange(contactNamed(L"bob"), MISTATUS_ONLINE);
    drainWorker();

    EXPECT_EQ(journal->count(), 2u);
    EXPECT_EQ(logCount(L"Event sink failed: dispid 0x406, hr 0x80020009"), 1u);
    extensionsutils::EventDelivery::setLogSink(nullptr);
}

TEST_F(EventWorkersTest, ResolvedAddressIsSentAsOnContactResolvedToEverySink)
{
    runResolved(L"bob@example.com", L"sip:bob@example.com");

    const std::vector<OfficeEvent> events = journal->events();
    ASSERT_EQ(events.size(), 2u);
    for (const OfficeEvent& event : events) {
        EXPECT_EQ(event.id, 0x41a);
        EXPECT_EQ(event.apartment, "MTA"); // a delivery thread
        ASSERT_EQ(event.arguments.size(), 4u);
        EXPECT_EQ(event.arguments[0].get()->lVal, S_OK);
        EXPECT_EQ(event.arguments[1].get()->lVal, ADDRESS_TYPE_SMTP);
        EXPECT_STREQ(event.arguments[2].get()->bstrVal, L"bob@example.com");
        EXPECT_STREQ(event.arguments[3].get()->bstrVal, L"sip:bob@example.com");
    }
    EXPECT_EQ(logCount(L"About to fire OnContactResolved event; email=bob@example.com; IM_address=sip:bob@example.com"), 1u);
}

TEST_F(EventWorkersTest, FailedResolutionIsNeverSentToOffice)
{
    runResolved(L"nobody@example.com", L"");

    EXPECT_EQ(journal->count(), 0u);
    const std::vector<fakehost::LogRecord> records = host().recordsOf(L"Resolution failed, not notifying clients");
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].hostLevel, 2); // module level 3
    EXPECT_EQ(records[0].function, L"ExtensionProviderEventWorkers::contactResolved");
}

} // namespace
