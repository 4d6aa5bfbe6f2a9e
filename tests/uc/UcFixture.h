#pragma once

// The UC integration API over the fake host client: the module's worker thread, a contact resolver fed by
// the host's resolution answers, a contact manager as the client holds it, Office's event journal, the
// host's class object in the module's slot (so module log lines reach the fake logger) and the module's
// type library registered for late binding. The user is kUser; kBob is another person in the host's
// directory. Every test ends with the worker stopped and every host and module object released.

#include "ExtensionProvider/ContactResolver.h"
#include "ExtensionProvider/HostClassObject.h"
#include "IUCOfficeIntegration/FailedResolutionContactDetails.h"
#include "IUCOfficeIntegration/UCCContactManager.h"
#include "utils/Tr1FunctionWorker.h"
#include "utils/WorkerThreadImpl.h"

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
#include "support/LateBoundCall.h"
#include "support/ResolutionForwarder.h"
#include "support/RunOnWorker.h"
#include "support/TypeLibraryRegistration.h"
#include "vorn/Event.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

using extensionsutils::Bstr;
using extensionsutils::ComObject;
using extensionsutils::ComPtr;
using extensionsutils::MICComPtr;
using extensionsutils::SafeArray;
using extensionsutils::Variant;
using fakehost::HostMethod;
using fakeoffice::FakeOfficeSink;
using fakeoffice::OfficeEvent;
using Strings = std::vector<std::wstring>;
using Int32s = std::vector<LONG>;

class UcFixture : public ::testing::Test {
protected:
    static constexpr const wchar_t* kUser = L"alice@example.com";
    static constexpr const wchar_t* kBob = L"bob@example.com";

    void SetUp() override
    {
        ASSERT_EQ(environment.registration(), S_OK);
        static const HRESULT registered = registerTypeLibraryForMarshaling(besideThisProgram(L"TavoMessengerLib.tlb"));
        ASSERT_EQ(registered, S_OK);
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
        for (const auto& sink : sinks) sink->unadvise(); // the journal's events may hold what they watch
        sinks.clear();
        manager.reset();
        journal.reset(); // its events hold the objects that were sent
        if (forwarder) forwarder->unregisterFromHost();
        forwarder.reset();
        resolver.reset();
        if (worker) worker->stop(nullptr, true);
        worker.reset();
        hostaccess::releaseHostClassObject();
        host().shutdown(); // lets go of sinks the host still held
        EXPECT_EQ(host().liveObjectCount(), 0) << "a host object was not released";
        EXPECT_EQ(extensionsutils::moduleLockCount(), 0) << "a module object was not released";
    }

    // Tests release what they made in their own fixtures here, before the checks of TearDown.
    virtual void releaseTestObjects() {}

    fakehost::FakeHost& host() { return environment.host(); }

    DWORD runOnWorker(std::function<void()> function) { return ::runOnWorker(*worker, std::move(function)); }

    // Lets work run that queued work itself (a resolution answer queues its report): twice through the queue.
    void settleWorker()
    {
        runOnWorker([] {});
        runOnWorker([] {});
    }

    ComPtr<IUCCContact> contactFor(const wchar_t* uri)
    {
        ComPtr<IUCCContact> contact;
        EXPECT_EQ(manager->GetContactByUri(Bstr(uri).get(), contact.out()), S_OK) << extensionsutils::toUtf8(uri);
        return contact;
    }

    // A contact over an address the host could not resolve, as a failed lookup yields.
    ComPtr<IUCCContact> unresolvedContact()
    {
        ComPtr<IUCCContact> contact;
        EXPECT_EQ(manager->createContact(std::make_shared<FailedResolutionContactDetails>(), contact.out()), S_OK);
        return contact;
    }

    // An Office sink for `eventInterface` advised on `source`; its events go to `journal`.
    ComPtr<FakeOfficeSink> adviseSink(IUnknown* source, const IID& eventInterface = DIID__IUCCContactEvents)
    {
        ComPtr<FakeOfficeSink> sink = FakeOfficeSink::create(eventInterface, journal);
        EXPECT_EQ(sink->advise(source), S_OK);
        sinks.push_back(sink);
        return sink;
    }

    fakehost::FakeHostEnvironment environment;
    std::shared_ptr<WorkerThreadImpl> worker;
    DWORD workerThreadId = 0;
    std::shared_ptr<ContactResolver> resolver;
    MICComPtr<ResolutionForwarder> forwarder;
    MICComPtr<UCCContactManager> manager;
    std::shared_ptr<fakeoffice::OfficeEventJournal> journal = std::make_shared<fakeoffice::OfficeEventJournal>();
    std::vector<ComPtr<FakeOfficeSink>> sinks; // unadvised by TearDown
};

inline std::wstring textOf(const Variant& value)
{
    if (value.type() != VT_BSTR) return L"<not a string>";
    const BSTR text = value.get()->bstrVal;
    return std::wstring(text ? text : L"", SysStringLen(text));
}

inline std::wstring uriOf(IUCCContact* contact)
{
    Bstr uri;
    if (!contact || FAILED(contact->get_Uri(uri.out()))) return L"<no uri>";
    return uri.str();
}

// Every array the module hands out is one-dimensional with lower bound 0 and this element type.
inline ::testing::AssertionResult isZeroBasedVector(SAFEARRAY* array, VARTYPE elementType)
{
    if (!array || SafeArrayGetDim(array) != 1) return ::testing::AssertionFailure() << "not one dimension";
    LONG lower = -1;
    SafeArrayGetLBound(array, 1, &lower);
    VARTYPE type = VT_EMPTY;
    SafeArrayGetVartype(array, &type);
    if (lower != 0 || type != elementType)
        return ::testing::AssertionFailure() << "lower bound " << lower << ", element type " << type;
    return ::testing::AssertionSuccess();
}

// The elements of an array a VARIANT holds (not taken over).
template <class T>
std::vector<T> elementsOf(const Variant& value, VARTYPE elementType)
{
    std::vector<T> values;
    EXPECT_EQ(value.type(), VT_ARRAY | elementType);
    if (value.type() != (VT_ARRAY | elementType)) return values;
    EXPECT_TRUE(isZeroBasedVector(value.get()->parray, elementType));
    if constexpr (std::is_same_v<T, LONG>) extensionsutils::readInt32s(value.get()->parray, values);
    if constexpr (std::is_same_v<T, std::wstring>) extensionsutils::readStrings(value.get()->parray, values);
    if constexpr (std::is_same_v<T, ComPtr<IDispatch>>) extensionsutils::readDispatches(value.get()->parray, values);
    if constexpr (std::is_same_v<T, Variant>) extensionsutils::readVariants(value.get()->parray, values);
    return values;
}

// The elements of a handed-out array (it is destroyed).
template <class T>
std::vector<T> takeElements(SAFEARRAY* owned, VARTYPE elementType)
{
    return elementsOf<T>(Variant::fromSafeArray(owned), elementType);
}

// A VT_I4 array with the given lower bound.
inline SafeArray int32Array(const Int32s& values, LONG lowerBound = 0)
{
    SAFEARRAYBOUND bound = {static_cast<ULONG>(values.size()), lowerBound};
    SafeArray array(SafeArrayCreate(VT_I4, 1, &bound));
    for (std::size_t i = 0; i < values.size(); ++i) {
        LONG index = lowerBound + static_cast<LONG>(i);
        LONG value = values[i];
        SafeArrayPutElement(array.get(), &index, &value);
    }
    return array;
}

inline Variant arrayArgument(SafeArray array)
{
    return Variant::fromSafeArray(array.detach());
}
