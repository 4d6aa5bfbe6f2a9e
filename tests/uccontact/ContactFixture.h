#pragma once

// The UC contact manager as the client object holds it, over the fake host client: the module's worker
// thread, a contact resolver fed by the host's resolution answers, Office's event journal, and the host's
// class object in the module's slot (so module log lines reach the fake logger). The signed-in user is
// kUser; kBob is another person in the host's directory. Every test ends with the worker stopped and
// every host and module object released.

#include "extensionsutils/EventDelivery.h"
#include "ExtensionProvider/ContactResolver.h"
#include "ExtensionProvider/HostClassObject.h"
#include "IUCOfficeIntegration/FailedResolutionContactDetails.h"
#include "IUCOfficeIntegration/UCCContactManager.h"
#include "utils/Tr1FunctionWorker.h"
#include "utils/WorkerThreadImpl.h"

#include "ResolutionForwarder.h"

#include "extensionsutils/Bstr.h"
#include "extensionsutils/ComPtr.h"
#include "extensionsutils/MICComPtr.h"
#include "extensionsutils/ModuleLock.h"
#include "extensionsutils/SafeArray.h"
#include "extensionsutils/Utf8.h"
#include "extensionsutils/Variant.h"
#include "extensionsutils/WeakPtrCComObject.h"
#include "support/FakeHostEnvironment.h"
#include "support/FakeOfficeSink.h"
#include "vorn/Event.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

class ContactFixture : public ::testing::Test
{
protected:
    static constexpr const wchar_t* kUser = L"alice@example.com";
    static constexpr const wchar_t* kBob = L"bob@example.com";

    void SetUp() override
    {
        ASSERT_EQ(environment.registration(), S_OK);
        // signin, user id, name, work, home, mobile, other, tagged, presence, presence text
        host().setClientUser({kUser, L"", L"Alice Liddell", L"+44 20 1", L"", L"+44 77 1", L"", false, 1, L"Available"});
        host().addContact({kBob, L"", L"Bob Builder", L"+1 555 0100", L"+1 555 0102", L"+1 555 0101", L"+1 555 0103",
                           true, 3, L"Do not disturb"});
        ASSERT_EQ(hostaccess::fetchHostClassObject(), S_OK);
        worker = std::make_shared<WorkerThreadImpl>();
        workerThreadId = runOnWorker([] {});
        resolver = std::make_shared<ContactResolver>(worker);
        forwarder = ResolutionForwarder::registerWithHost(resolver);
        ASSERT_TRUE(forwarder);
        manager = extensionsutils::WeakPtrCComObject<UCCContactManager>::create();
        ASSERT_TRUE(manager);
        manager->initialise(worker, resolver);
    }

    void TearDown() override
    {
        releaseTestObjects();
        for (const auto& sink : officeSinks) sink->unadvise(); // the journal's events may hold what they watch
        officeSinks.clear();
        manager.reset();
        journal.reset(); // its events hold the objects that were sent
        if (forwarder) forwarder->unregisterFromHost();
        forwarder.reset();
        resolver.reset();
        stopWorker();
        hostaccess::releaseHostClassObject();
        host().shutdown(); // lets go of sinks the host still held
        EXPECT_EQ(host().liveObjectCount(), 0) << "a host object was not released";
        EXPECT_EQ(extensionsutils::moduleLockCount(), 0) << "a module object was not released";
    }

    // Tests release what they made in their own fixtures here, before the checks of TearDown.
    virtual void releaseTestObjects() {}

    fakehost::FakeHost& host() { return environment.host(); }

    // Runs the function on the worker thread behind everything queued so far, waits, answers the thread id.
    DWORD runOnWorker(std::function<void()> function)
    {
        auto done = std::make_shared<vorn::Event>();
        auto threadId = std::make_shared<DWORD>(0);
        worker->AddWork(std::make_shared<Tr1FunctionWorker>([function, done, threadId] {
            function();
            *threadId = GetCurrentThreadId();
            done->set();
        }));
        EXPECT_EQ(done->wait(20000), 0) << "the worker thread did not get to the end of its queue";
        // What the worker fired is then delivered too (or its sink stalled).
        extensionsutils::EventDelivery::waitUntilSettled(20000);
        return *threadId;
    }

    // Lets work run that queued work itself (a resolution answer queues its report): twice through the queue.
    void settleWorker()
    {
        runOnWorker([] {});
        runOnWorker([] {});
    }

    void stopWorker()
    {
        if (!worker) return;
        worker->stop(nullptr, true);
        worker.reset();
    }

    extensionsutils::ComPtr<IUCCContact> contactFor(const wchar_t* uri)
    {
        extensionsutils::ComPtr<IUCCContact> contact;
        EXPECT_EQ(manager->GetContactByUri(extensionsutils::Bstr(uri).get(), contact.out()), S_OK)
            << extensionsutils::toUtf8(uri);
        return contact;
    }

    // A sink of Office's for the contact's events, advised on it.
    extensionsutils::ComPtr<fakeoffice::FakeOfficeSink> adviseContactSink(IUnknown* contact)
    {
        auto sink = fakeoffice::FakeOfficeSink::create(DIID__IUCCContactEvents, journal);
        EXPECT_EQ(sink->advise(contact), S_OK);
        officeSinks.push_back(sink);
        return sink;
    }

    // The one record with this message, or a failure.
    fakehost::LogRecord onlyRecordOf(const std::wstring& message)
    {
        const std::vector<fakehost::LogRecord> records = host().recordsOf(message);
        EXPECT_EQ(records.size(), 1u) << extensionsutils::toUtf8(message);
        return records.empty() ? fakehost::LogRecord() : records.front();
    }

    static std::wstring textOf(const extensionsutils::Variant& value)
    {
        if (value.type() != VT_BSTR) return L"<not a string>";
        const BSTR text = value.get()->bstrVal;
        return std::wstring(text ? text : L"", SysStringLen(text));
    }

    static std::wstring uriOf(IUCCContact* contact)
    {
        extensionsutils::Bstr uri;
        if (!contact || FAILED(contact->get_Uri(uri.out()))) return L"<no uri>";
        return uri.str();
    }

    fakehost::FakeHostEnvironment environment;
    std::shared_ptr<WorkerThreadImpl> worker;
    DWORD workerThreadId = 0;
    std::shared_ptr<ContactResolver> resolver;
    extensionsutils::MICComPtr<ResolutionForwarder> forwarder;
    extensionsutils::MICComPtr<UCCContactManager> manager;
    std::shared_ptr<fakeoffice::OfficeEventJournal> journal = std::make_shared<fakeoffice::OfficeEventJournal>();
    std::vector<extensionsutils::ComPtr<fakeoffice::FakeOfficeSink>> officeSinks; // unadvised by TearDown
};

// The elements of an array that a VARIANT holds, which must be one-dimensional and zero-based.
inline ::testing::AssertionResult isZeroBasedVector(const extensionsutils::Variant& value, VARTYPE elementType)
{
    if (value.type() != (VT_ARRAY | elementType))
        return ::testing::AssertionFailure() << "variant type " << value.type();
    SAFEARRAY* array = value.get()->parray;
    if (!array || SafeArrayGetDim(array) != 1) return ::testing::AssertionFailure() << "not one dimension";
    LONG lower = -1;
    SafeArrayGetLBound(array, 1, &lower);
    if (lower != 0) return ::testing::AssertionFailure() << "lower bound " << lower;
    return ::testing::AssertionSuccess();
}

inline std::vector<extensionsutils::ComPtr<IDispatch>> dispatchesOf(const extensionsutils::Variant& value)
{
    std::vector<extensionsutils::ComPtr<IDispatch>> values;
    EXPECT_TRUE(isZeroBasedVector(value, VT_DISPATCH));
    if (value.type() == (VT_ARRAY | VT_DISPATCH)) extensionsutils::readDispatches(value.get()->parray, values);
    return values;
}

inline std::vector<std::wstring> stringsOf(const extensionsutils::Variant& value)
{
    std::vector<std::wstring> values;
    EXPECT_TRUE(isZeroBasedVector(value, VT_BSTR));
    if (value.type() == (VT_ARRAY | VT_BSTR)) extensionsutils::readStrings(value.get()->parray, values);
    return values;
}

inline std::vector<LONG> int32sOf(SAFEARRAY* owned)
{
    extensionsutils::SafeArray array(owned);
    std::vector<LONG> values;
    EXPECT_EQ(extensionsutils::readInt32s(array.get(), values), S_OK);
    return values;
}

// A VT_I4 array with the given lower bound.
inline extensionsutils::SafeArray int32Array(const std::vector<LONG>& values, LONG lowerBound = 0)
{
    SAFEARRAYBOUND bound = {static_cast<ULONG>(values.size()), lowerBound};
    extensionsutils::SafeArray array(SafeArrayCreate(VT_I4, 1, &bound));
    for (std::size_t i = 0; i < values.size(); ++i) {
        LONG index = lowerBound + static_cast<LONG>(i);
        LONG value = values[i];
        SafeArrayPutElement(array.get(), &index, &value);
    }
    return array;
}
