#include "IMessenger/TavoMessengerServices.h"

#include "MessengerFixture.h"

#include "extensionsutils/ComObject.h"
#include "extensionsutils/MICComPtr.h"

#include <gtest/gtest.h>

#include <chrono>
#include <future>
#include <thread>

using extensionsutils::Bstr;
using extensionsutils::ComPtr;
using extensionsutils::MICComPtr;
using extensionsutils::Variant;
using fakehost::HostMethod;

namespace {

class MessengerServices : public MessengerFixture {
protected:
    void SetUp() override
    {
        MessengerFixture::SetUp();
        services = extensionsutils::ComObject<TavoMessengerServices>::create();
        ASSERT_TRUE(services);
        service = services->primaryService().as<IMessengerService>();
        ASSERT_TRUE(service);
    }

    void TearDown() override
    {
        service.reset();
        services.reset();
        MessengerFixture::TearDown();
    }

    MISTATUS myStatus()
    {
        MISTATUS status = MISTATUS_LOCAL_FINDING_SERVER;
        EXPECT_EQ(service->get_MyStatus(&status), S_OK);
        return status;
    }

    bool logged(const std::wstring& message, int level, const std::wstring& operation)
    {
        return MessengerFixture::logged(message, level, L"CTavoMessengerService::" + operation, L"TavoMessengerService");
    }

    MICComPtr<TavoMessengerServices> services;
    ComPtr<IMessengerService> service;
};

TEST_F(MessengerServices, OfferExactlyThePrimaryService)
{
    LONG count = 0;
    EXPECT_EQ(services->get_Count(&count), S_OK);
    EXPECT_EQ(count, 1);
    ComPtr<IDispatch> primary;
    ComPtr<IDispatch> first;
    ASSERT_EQ(services->get_PrimaryService(primary.out()), S_OK);
    ASSERT_EQ(services->Item(0, first.out()), S_OK);
    EXPECT_TRUE(extensionsutils::sameComObject(primary.get(), first.get()));
    EXPECT_TRUE(extensionsutils::sameComObject(primary.get(), service.get()));

    IDispatch* untouched = reinterpret_cast<IDispatch*>(0x1234);
    EXPECT_EQ(services->Item(1, &untouched), E_FAIL);
    EXPECT_EQ(services->Item(-1, &untouched), E_FAIL);
    EXPECT_EQ(untouched, reinterpret_cast<IDispatch*>(0x1234));
    EXPECT_EQ(services->Item(0, nullptr), E_POINTER);
    EXPECT_EQ(services->get_PrimaryService(nullptr), E_POINTER);
}

TEST_F(MessengerServices, EnumerateThePrimaryService)
{
    ComPtr<IUnknown> unknown;
    ASSERT_EQ(services->get__NewEnum(unknown.out()), S_OK);
    const ComPtr<IEnumVARIANT> enumerator = unknown.as<IEnumVARIANT>();
    ASSERT_TRUE(enumerator);
    VARIANT items[2];
    ULONG fetched = 0;
    EXPECT_EQ(enumerator->Next(2, items, &fetched), S_FALSE);
    ASSERT_EQ(fetched, 1u);
    EXPECT_EQ(items[0].vt, VT_DISPATCH);
    EXPECT_TRUE(extensionsutils::sameComObject(items[0].pdispVal, service.get()));
    VariantClear(&items[0]);
}

TEST_F(MessengerServices, AnswerTheServiceIdentityOnlyWhileSignedIn)
{
    Bstr text;
    EXPECT_EQ(service->get_ServiceName(text.out()), S_OK);
    EXPECT_EQ(text.str(), L"Norvane Quillon");
    EXPECT_EQ(service->get_ServiceId(text.out()), S_OK);
    EXPECT_EQ(text.str(), L"{83D4679F-B6D7-11D2-BF36-00C04FB90A03}");

    host().setSignedInValue(2);
    BSTR untouched = reinterpret_cast<BSTR>(0x1234);
    MISTATUS status = MISTATUS_LOCAL_FINDING_SERVER;
    VARIANT value;
    VariantInit(&value);
    EXPECT_EQ(service->get_ServiceName(&untouched), NotLoggedOn);
    EXPECT_EQ(service->get_ServiceId(&untouched), NotLoggedOn);
    EXPECT_EQ(service->get_MySigninName(&untouched), NotLoggedOn);
    EXPECT_EQ(service->get_MyFriendlyName(&untouched), NotLoggedOn);
    EXPECT_EQ(service->get_MyStatus(&status), NotLoggedOn);
    EXPECT_EQ(service->get_Property(MSERVICEPROP_INVALID_PROPERTY, &value), NotLoggedOn);
    EXPECT_EQ(service->put_Property(MSERVICEPROP_INVALID_PROPERTY, value), NotLoggedOn);
    EXPECT_EQ(untouched, reinterpret_cast<BSTR>(0x1234));
    EXPECT_EQ(status, MISTATUS_LOCAL_FINDING_SERVER);
    EXPECT_TRUE(logged(L"Not logged in returning MSGR_E_NOT_LOGGED_ON", 1, L"get_ServiceName"));
    EXPECT_TRUE(logged(L"not logged in returning MSGR_E_NOT_LOGGED_ON", 1, L"get_MyStatus"));
}

TEST_F(MessengerServices, AnswerTheSignedInUser)
{
    Bstr text;
    EXPECT_EQ(service->get_MySigninName(text.out()), S_OK);
    EXPECT_EQ(text.str(), L"me");
    EXPECT_EQ(service->get_MyFriendlyName(text.out()), S_OK);
    EXPECT_EQ(text.str(), L"Me Myself");
    EXPECT_TRUE(logged(L"got friendly name - Me Myself", 1, L"get_MyFriendlyName"));
    EXPECT_EQ(myStatus(), MISTATUS_DO_NOT_DISTURB);
    host().setPresence(L"me", 2, L"");
    EXPECT_EQ(myStatus(), MISTATUS_AWAY);

    host().failMethod(HostMethod::GetFriendlyName, E_FAIL, 1);
    EXPECT_EQ(service->get_MyFriendlyName(text.out()), S_OK);
    EXPECT_EQ(text.str(), L"") << "an unreadable friendly name is empty";
}

TEST_F(MessengerServices, FailWhenTheHostCannotNameTheUser)
{
    BSTR untouched = reinterpret_cast<BSTR>(0x1234);
    host().failMethod(HostMethod::GetLoggedInUser, E_FAIL, 2);
    EXPECT_EQ(service->get_MyFriendlyName(&untouched), E_FAIL);
    EXPECT_TRUE(logged(L"call to GetLoggedInUser failed returning NULL", 4, L"get_MyFriendlyName"));
    EXPECT_EQ(service->get_MySigninName(&untouched), E_FAIL);

    host().answerWrongObject(HostMethod::GetLoggedInUser, 1);
    EXPECT_EQ(service->get_MyFriendlyName(&untouched), E_FAIL);
    EXPECT_TRUE(logged(L"call pdispLoggedOnUser->QueryInterface failed returning NULL", 4, L"get_MyFriendlyName"));

    MISTATUS status = MISTATUS_LOCAL_FINDING_SERVER;
    host().failMethod(HostMethod::GetLoggedInUser, E_FAIL, 1);
    EXPECT_EQ(service->get_MyStatus(&status), E_FAIL);
    EXPECT_TRUE(logged(L"get_MySigninName failed", 4, L"get_MyStatus"));
    EXPECT_EQ(untouched, reinterpret_cast<BSTR>(0x1234));
    EXPECT_EQ(status, MISTATUS_LOCAL_FINDING_SERVER);
}

TEST_F(MessengerServices, ReportOfflineWhenTheUsersPresenceCannotBeRead)
{
    host().failMethod(HostMethod::GetPresenceForContact, E_FAIL, 1);
    EXPECT_EQ(myStatus(), MISTATUS_OFFLINE);
    EXPECT_TRUE(logged(L"pIMAndPresence->GetPresenceForContact failed ", 4, L"get_MyStatus"));
    host().answerEmpty(HostMethod::GetPresenceForContact, 1);
    EXPECT_EQ(myStatus(), MISTATUS_OFFLINE);
    EXPECT_TRUE(logged(L"pDispPresenceState- is NULL", 4, L"get_MyStatus"));
    host().answerWrongObject(HostMethod::GetPresenceForContact, 1);
    EXPECT_EQ(myStatus(), MISTATUS_OFFLINE);
    EXPECT_TRUE(logged(L"pDispPresenceState->QueryInterface<IPresenceState> failed", 4, L"get_MyStatus"));
}

TEST_F(MessengerServices, AfterShutdownBeganOnlyTheUserGettersFallSilent)
{
    const Variant version = Variant::fromString(L"8.0");
    ASSERT_EQ(service->put_Property(MSERVICEPROP_INVALID_PROPERTY, *version.get()), S_OK);
    VARIANT referenceToNothing;
    VariantInit(&referenceToNothing);
    referenceToNothing.vt = VT_BYREF | VT_BSTR;
    EXPECT_EQ(service->put_Property(MSERVICEPROP_INVALID_PROPERTY, referenceToNothing), E_INVALIDARG);
    services->primaryService()->setShuttingDown();

    BSTR untouched = reinterpret_cast<BSTR>(0x1234);
    MISTATUS status = MISTATUS_LOCAL_FINDING_SERVER;
    EXPECT_EQ(service->get_MySigninName(&untouched), S_OK);
    EXPECT_EQ(service->get_MyFriendlyName(&untouched), S_OK);
    EXPECT_EQ(service->get_MyStatus(&status), S_OK);
    EXPECT_EQ(untouched, reinterpret_cast<BSTR>(0x1234));
    EXPECT_EQ(status, MISTATUS_LOCAL_FINDING_SERVER);
    EXPECT_TRUE(logged(L"shutdown in progress", 1, L"get_MyStatus"));

    Bstr text;
    EXPECT_EQ(service->get_ServiceName(text.out()), S_OK);
    EXPECT_EQ(text.str(), L"Norvane Quillon");
    Variant stored;
    EXPECT_EQ(service->get_Property(MSERVICEPROP_INVALID_PROPERTY, stored.out()), S_OK);
    EXPECT_EQ(stringOf(stored), L"8.0");
}

// get_MyStatus holds the lock shared and takes it shared again in get_MySigninName; a writer that
// queues in between must not make that second acquisition wait.
TEST_F(MessengerServices, StatusDoesNotWaitBehindAWriterQueuedDuringIt)
{
    std::promise<void> writerStarted;
    std::future<void> writerStartedFuture = writerStarted.get_future();
    std::future<HRESULT> writer;
    IMessengerService* target = service.get();
    host().addLogHook([&](const fakehost::LogRecord& record) {
        if (record.message != L"getting signin name" || writer.valid()) return;
        writer = std::async(std::launch::async, [&, target] {
            CoInitializeEx(nullptr, COINIT_MULTITHREADED);
            writerStarted.set_value();
            const HRESULT hr = target->put_Property(MSERVICEPROP_INVALID_PROPERTY, *Variant::fromInt32(1).get());
            CoUninitialize();
            return hr;
        });
        writerStartedFuture.wait();
        std::this_thread::sleep_for(std::chrono::milliseconds(200)); // the writer is queued by now
    });

    std::future<MISTATUS> status = std::async(std::launch::async, [&] {
        CoInitializeEx(nullptr, COINIT_MULTITHREADED);
        const MISTATUS result = myStatus();
        CoUninitialize();
        return result;
    });
    ASSERT_EQ(status.wait_for(std::chrono::seconds(20)), std::future_status::ready) << "get_MyStatus deadlocked";
    EXPECT_EQ(status.get(), MISTATUS_DO_NOT_DISTURB);
    ASSERT_TRUE(writer.valid());
    EXPECT_EQ(writer.get(), S_OK);
    host().clearLogHooks();
}

} // namespace
