// The Messenger class factory, linked in: one object for every request, refused requests that leave
// nothing behind, and nothing made after Uninitialize.
#include "ClassFactory.h"
#include "Workers.h"

#include "support/ModuleFixture.h"
#include "support/ThreadTestHelpers.h"
#include "common/ContractIds.h"

#include <atomic>

using extensionsutils::ComPtr;
using extensionsutils::MICComPtr;

namespace {

// The COM identity of what a request handed out; null for none (the caller's reference keeps it alive).
IUnknown* identityOf(IUnknown* object)
{
    ComPtr<IUnknown> identity;
    if (object) object->QueryInterface(contractid::IUnknown, reinterpret_cast<void**>(identity.out()));
    return identity.get();
}

class ClassFactoryTest : public ModuleFixture {
protected:
    void SetUp() override
    {
        ModuleFixture::SetUp();
        factory = newFactory();
    }
    void releaseModuleObjects() override { factory.reset(); }

    static MICComPtr<ClassFactory> newFactory()
    {
        MICComPtr<ClassFactory> made = extensionsutils::ComObject<ClassFactory>::create();
        if (made) made->Initialize(std::weak_ptr<WorkerThread>(), std::make_shared<Configuration>(0));
        return made;
    }
    static ComPtr<IUnknown> request(const MICComPtr<ClassFactory>& from, REFIID iid, HRESULT expected = S_OK)
    {
        ComPtr<IUnknown> object;
        EXPECT_EQ(expected, from->CreateInstance(nullptr, iid, reinterpret_cast<void**>(object.out())));
        return object;
    }

    MICComPtr<ClassFactory> factory;
};

TEST_F(ClassFactoryTest, RefusesAggregationOrANullOutParameter)
{
    ComPtr<fakeoffice::FakeOfficeSink> outer = fakeoffice::FakeOfficeSink::create(contractid::IDispatch, nullptr);
    void* object = reinterpret_cast<void*>(1);
    EXPECT_EQ(CLASS_E_NOAGGREGATION, factory->CreateInstance(outer.get(), contractid::IUnknown, &object));
    EXPECT_EQ(nullptr, object);
    EXPECT_EQ(E_POINTER, factory->CreateInstance(nullptr, contractid::IUnknown, nullptr));
    for (BOOL lock : {TRUE, FALSE, FALSE}) EXPECT_EQ(S_OK, factory->LockServer(lock));
    EXPECT_EQ(1, extensionsutils::moduleLockCount()) << "only the factory should live";
}

TEST_F(ClassFactoryTest, ServesOneObjectUntilUninitializeThenCreatesNothing)
{
    ComPtr<IUnknown> first = request(factory, contractid::IConnectionPointContainer), second = request(factory, contractid::IUnknown);
    ASSERT_TRUE(first && second);
    EXPECT_EQ(identityOf(first.get()), identityOf(second.get()));
    factory->Uninitialize();
    EXPECT_EQ(identityOf(first.get()), factory->getImplementation().identity());

    MICComPtr<ClassFactory> unused = newFactory();
    unused->Uninitialize();
    const std::size_t listeners = host().addedListeners().size();
    request(unused, contractid::IUnknown, CO_E_SERVER_STOPPING);
    EXPECT_EQ(listeners, host().addedListeners().size());
    EXPECT_FALSE(unused->getImplementation());
}

// A request for an interface the object lacks drops the object it made, leaving nothing behind, but never
// takes the object away from clients that already hold it (the shutdown events must reach them).
TEST_F(ClassFactoryTest, AMissingInterfaceNeverTakesTheObjectAwayFromItsHolders)
{
    void* stream = reinterpret_cast<void*>(1);
    EXPECT_EQ(E_NOINTERFACE, factory->CreateInstance(nullptr, IID_IStream, &stream));
    EXPECT_EQ(nullptr, stream);
    EXPECT_EQ(1u, logCount(L"failed to get a Messenger implementation"));
    EXPECT_EQ(1, extensionsutils::moduleLockCount()) << "the dropped object, or a part of it, was kept";

    ComPtr<IUnknown> earlier = request(factory, contractid::IUnknown);
    ASSERT_TRUE(earlier);
    EXPECT_EQ(E_NOINTERFACE, factory->CreateInstance(nullptr, IID_IStream, &stream));
    EXPECT_EQ(identityOf(earlier.get()), identityOf(request(factory, contractid::IUnknown).get()));
    EXPECT_EQ(identityOf(earlier.get()), factory->getImplementation().identity());
}

TEST_F(ClassFactoryTest, ConcurrentFirstRequestsEndWithOneObjectSharedByAll)
{
    // What one factory with its object keeps alive, however many objects the object is made of.
    long oneFactoryWithItsObject = -extensionsutils::moduleLockCount();
    {
        MICComPtr<ClassFactory> other = newFactory();
        ComPtr<IUnknown> object = request(other, contractid::IUnknown);
        oneFactoryWithItsObject += extensionsutils::moduleLockCount();
    }
    const int threads = 8;
    for (int round = 0; round < 10; ++round) {
        SCOPED_TRACE(round);
        MICComPtr<ClassFactory> shared = newFactory();
        std::vector<ComPtr<IUnknown>> objects(threads);
        Gate go;
        std::atomic<int> next{0};
        Threads requesters(threads, [&] {
            ComPtr<IUnknown>& object = objects[next++];
            CoInitializeEx(nullptr, COINIT_MULTITHREADED);
            go.arriveAndWait();
            shared->CreateInstance(nullptr, contractid::IUnknown, reinterpret_cast<void**>(object.out()));
            CoUninitialize();
        });
        go.open();
        requesters.join();
        for (const ComPtr<IUnknown>& object : objects) EXPECT_TRUE(object && identityOf(object.get()) == identityOf(objects[0].get()));
        EXPECT_EQ(1 + oneFactoryWithItsObject, extensionsutils::moduleLockCount())
            << "more than one object was made (the fixture's factory counts one)";
    }
}

// An object dropped for a missing interface is uninitialised first: its host listener goes with it, and a
// presence event racing with the drop never reaches the dying object.
TEST_F(ClassFactoryTest, ObjectsDroppedForAMissingInterfaceNeverMeetPresenceEventsAfterwards)
{
    host().addContact(fakehost::ContactRecord{L"bo@example.com", L"bo", L"Bo"});
    std::atomic<bool> stop{false};
    std::thread events([this, &stop] { while (!stop) host().firePresenceChanged(L"bo@example.com"); });
    for (int i = 0; i < 200; ++i) request(newFactory(), contractid::IClassFactory, E_NOINTERFACE);
    stop = true;
    events.join();
    EXPECT_EQ(0u, host().listenerCount());
    EXPECT_EQ(host().addedListeners().size(), host().removedListeners().size());
}

// From the first shutdown event on, an Office that connects or advises is told that the module stops: one
// that got in then would never hear of the shutdown.
TEST_F(ClassFactoryTest, AnOfficeConnectingDuringTheShutdownEventsIsToldTheServerStops)
{
    const ComPtr<IUnknown> held = request(factory, contractid::IUnknown);
    ComPtr<IDispatch> client;
    ASSERT_EQ(S_OK, held.as<IUCOfficeIntegration>()->GetInterface(extensionsutils::Bstr(L"15.0.0.0").get(), oiInterfaceIUCCLyncClient,
                                                                  client.out()));
    std::vector<HRESULT> answers;
    const auto late = [this](const IID& events) { return fakeoffice::FakeOfficeSink::create(events, journal); };
    connectSink(held.get())->setHook([&](const fakeoffice::OfficeEvent&) {
        if (!answers.empty()) return;
        ComPtr<IUnknown> again;
        answers.push_back(factory->CreateInstance(nullptr, contractid::IUnknown, reinterpret_cast<void**>(again.out())));
        answers.push_back(late(contractid::DMessengerEvents)->advise(held.get()));
        answers.push_back(late(contractid::IUCOfficeIntegrationEvents)->advise(held.get()));
        answers.push_back(late(contractid::IUCCLyncClientEvents)->advise(client.get()));
    });
    auto container = std::make_shared<ClassFactoryContainer>();
    container->setRegistration(factory, 0, 0);
    TavoMessengerStateWorkers::revokeMessenger(container);
    EXPECT_EQ(std::vector<HRESULT>(4, CO_E_SERVER_STOPPING), answers);
}

} // namespace
