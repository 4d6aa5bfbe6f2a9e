#include "ClassFactory.h"

#include "ExtensionProvider/HostClassObject.h"

#include "support/FakeHostEnvironment.h"
#include "support/FakeOfficeSink.h"

#include "extensionsutils/ComObject.h"
#include "extensionsutils/ModuleLock.h"

#include "Watchdog.h"

#include <gtest/gtest.h>

#include <objbase.h>

#include <atomic>
#include <memory>
#include <thread>
#include <vector>

using extensionsutils::ComPtr;
using extensionsutils::MICComPtr;

namespace {

// The COM identity of what a request handed out; null for none.
IUnknown* identityOf(IUnknown* object)
{
    if (!object) return nullptr;
    ComPtr<IUnknown> identity;
    object->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(identity.out()));
    return identity.get(); // the object stays alive through the caller's reference
}

class ClassFactoryTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_EQ(S_OK, environment_.registration());
        ASSERT_EQ(S_OK, hostaccess::fetchHostClassObject());
        ASSERT_EQ(0, extensionsutils::moduleLockCount());
        factory_ = newFactory();
    }

    void TearDown() override
    {
        factory_.reset();
        EXPECT_EQ(0, extensionsutils::moduleLockCount()) << "a module object outlived every reference to it";
        hostaccess::releaseHostClassObject();
    }

    static MICComPtr<ClassFactory> newFactory()
    {
        MICComPtr<ClassFactory> factory = extensionsutils::ComObject<ClassFactory>::create();
        if (factory) factory->Initialize(std::weak_ptr<WorkerThread>(), std::make_shared<Configuration>(0));
        return factory;
    }

    static ComPtr<IUnknown> request(const MICComPtr<ClassFactory>& factory, REFIID iid, HRESULT expected = S_OK)
    {
        ComPtr<IUnknown> object;
        EXPECT_EQ(expected, factory->CreateInstance(nullptr, iid, reinterpret_cast<void**>(object.out())));
        return object;
    }

    fakehost::FakeHost& host() const { return environment_.host(); }

    Watchdog watchdog_{60000, "class factory test"};
    fakehost::FakeHostEnvironment environment_;
    MICComPtr<ClassFactory> factory_;
};

TEST_F(ClassFactoryTest, RefusesAggregationAndANullOutParameterAndCreatesNothing)
{
    ComPtr<fakeoffice::FakeOfficeSink> outer = fakeoffice::FakeOfficeSink::create(IID_IDispatch, nullptr);
    void* object = reinterpret_cast<void*>(1);
    EXPECT_EQ(CLASS_E_NOAGGREGATION, factory_->CreateInstance(outer.get(), IID_IUnknown, &object));
    EXPECT_EQ(nullptr, object);
    EXPECT_EQ(E_POINTER, factory_->CreateInstance(nullptr, IID_IUnknown, nullptr));
    EXPECT_FALSE(factory_->getImplementation());
    EXPECT_EQ(1, extensionsutils::moduleLockCount()) << "only the factory should live";
}

TEST_F(ClassFactoryTest, EveryRequestGetsTheOneObjectWhichOutlivesUninitializeAfterWhichNothingIsCreated)
{
    ComPtr<IUnknown> first = request(factory_, IID_IConnectionPointContainer);
    ComPtr<IUnknown> second = request(factory_, IID_IUnknown);
    ASSERT_TRUE(first && second);
    EXPECT_EQ(identityOf(first.get()), identityOf(second.get()));
    factory_->Uninitialize();
    EXPECT_EQ(identityOf(first.get()), factory_->getImplementation().identity());

    MICComPtr<ClassFactory> unused = newFactory();
    unused->Uninitialize();
    const std::size_t listeners = host().addedListeners().size();
    request(unused, IID_IUnknown, CO_E_SERVER_STOPPING);
    EXPECT_EQ(listeners, host().addedListeners().size());
    EXPECT_FALSE(unused->getImplementation());
}

// A request for an interface the object lacks fails and drops the object it made, leaving nothing behind,
// but never takes the object away from clients that already hold it (the shutdown events must reach them).
TEST_F(ClassFactoryTest, AMissingInterfaceFailsCleanlyAndNeverTakesTheObjectAwayFromItsHolders)
{
    void* stream = reinterpret_cast<void*>(1);
    EXPECT_EQ(E_NOINTERFACE, factory_->CreateInstance(nullptr, IID_IStream, &stream));
    EXPECT_EQ(nullptr, stream);
    EXPECT_EQ(1u, host().recordsOf(L"failed to get a Messenger implementation").size());
    EXPECT_FALSE(factory_->getImplementation()) << "the failed object was kept";
    EXPECT_EQ(1, extensionsutils::moduleLockCount()) << "the dropped object, or a part of it, still lives";
    EXPECT_EQ(0u, host().listenerCount()) << "the dropped object is still registered with the host";

    ComPtr<IUnknown> earlier = request(factory_, IID_IUnknown);
    ASSERT_TRUE(earlier);
    EXPECT_EQ(E_NOINTERFACE, factory_->CreateInstance(nullptr, IID_IStream, &stream));
    ComPtr<IUnknown> later = request(factory_, IID_IUnknown);
    EXPECT_EQ(identityOf(earlier.get()), identityOf(later.get()));
    EXPECT_EQ(identityOf(earlier.get()), factory_->getImplementation().identity());
}

TEST_F(ClassFactoryTest, ConcurrentFirstRequestsEndWithOneObjectSharedByAll)
{
    // What one factory with its object keeps alive, however many objects the object is made of.
    long oneFactoryWithItsObject = 0;
    {
        const long before = extensionsutils::moduleLockCount();
        MICComPtr<ClassFactory> factory = newFactory();
        ComPtr<IUnknown> object = request(factory, IID_IUnknown);
        oneFactoryWithItsObject = extensionsutils::moduleLockCount() - before;
    }
    const int threads = 8;
    for (int round = 0; round < 10; ++round) {
        SCOPED_TRACE(round);
        MICComPtr<ClassFactory> factory = newFactory();
        std::vector<ComPtr<IUnknown>> objects(threads);
        HANDLE go = CreateEventW(nullptr, TRUE, FALSE, nullptr);
        std::vector<std::thread> requesters;
        for (int i = 0; i < threads; ++i) {
            requesters.emplace_back([&, i] {
                CoInitializeEx(nullptr, COINIT_MULTITHREADED);
                WaitForSingleObject(go, 20000);
                factory->CreateInstance(nullptr, IID_IUnknown, reinterpret_cast<void**>(objects[i].out()));
                CoUninitialize();
            });
        }
        SetEvent(go);
        for (std::thread& requester : requesters) requester.join();
        CloseHandle(go);

        for (const ComPtr<IUnknown>& object : objects) {
            ASSERT_TRUE(object);
            EXPECT_EQ(identityOf(objects[0].get()), identityOf(object.get()));
        }
        EXPECT_EQ(1 + oneFactoryWithItsObject, extensionsutils::moduleLockCount())
            << "more than one object was made (the fixture's factory counts one)";
    }
}

TEST_F(ClassFactoryTest, LockServerAnswersSOkAndChangesNothing)
{
    EXPECT_EQ(S_OK, factory_->LockServer(TRUE));
    EXPECT_EQ(1, extensionsutils::moduleLockCount());
    EXPECT_EQ(S_OK, factory_->LockServer(FALSE));
    EXPECT_EQ(S_OK, factory_->LockServer(FALSE));
    EXPECT_EQ(1, extensionsutils::moduleLockCount());
}

// An object dropped for a missing interface is uninitialised first: its host listener goes with it, and a
// presence event racing with the drop never reaches the dying object.
TEST_F(ClassFactoryTest, ObjectsDroppedForAMissingInterfaceNeverMeetPresenceEventsAfterwards)
{
    host().addContact(fakehost::ContactRecord{L"bo@example.com", L"bo", L"Bo"});
    std::atomic<bool> stop{false};
    std::thread events([this, &stop] {
        while (!stop) host().firePresenceChanged(L"bo@example.com");
    });
    for (int i = 0; i < 200; ++i) request(newFactory(), IID_IClassFactory, E_NOINTERFACE);
    stop = true;
    events.join();
    EXPECT_EQ(0u, host().listenerCount());
    EXPECT_EQ(host().addedListeners().size(), host().removedListeners().size());
}

} // namespace
