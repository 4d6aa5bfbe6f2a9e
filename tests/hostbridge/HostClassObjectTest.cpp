// The module's one slot for the host's class object, and the accessors every host call starts from.

#include "HostFixture.h"

#include <atomic>
#include <thread>
#include <vector>

using extensionsutils::ComPtr;
using fakehost::HostMethod;

namespace {

using HostClassObject = HostFixture;

bool everyAccessorAnswersNull()
{
    return !hostaccess::GetIMAndPresence() && !hostaccess::GetProviderManagement() && !hostaccess::GetEventManager()
        && !hostaccess::GetPhone() && !hostaccess::GetLogger();
}

TEST_F(HostClassObject, EveryAccessGivesAFreshObjectThatBelongsToItsCaller)
{
    EXPECT_TRUE(hostaccess::GetProviderManagement() && hostaccess::GetEventManager() && hostaccess::GetPhone()
                && hostaccess::GetLogger());
    ComPtr<IIMAndPresence> first = hostaccess::GetIMAndPresence();
    ComPtr<IIMAndPresence> second = hostaccess::GetIMAndPresence();
    ASSERT_TRUE(first && second);
    EXPECT_NE(first.get(), second.get());

    host().failMethod(HostMethod::CreatePhone, E_OUTOFMEMORY);
    host().answerEmpty(HostMethod::CreateLogger);
    EXPECT_FALSE(hostaccess::GetPhone());
    EXPECT_FALSE(hostaccess::GetLogger());
    EXPECT_TRUE(hostaccess::GetIMAndPresence()) << "one failing interface does not affect the others";
}

TEST_F(HostClassObject, AFullSlotKeepsItsClassObject)
{
    host().revokeClassObject();
    auto other = fakehost::FakeHost::create();
    ASSERT_EQ(other->registerClassObject(), S_OK);

    EXPECT_EQ(hostaccess::fetchHostClassObject(), S_FALSE);
    EXPECT_TRUE(hostaccess::GetLogger());
    EXPECT_EQ(other->callCount(HostMethod::CreateLogger), 0u);
    other->revokeClassObject();
    other->shutdown();
}

TEST_F(HostClassObject, ReleaseLetsGoOfTheClassObjectAndAFailedFetchLeavesTheSlotEmpty)
{
    ComPtr<IClassFactory> factory = host().classObject();
    host().revokeClassObject();
    factory->AddRef();
    const ULONG heldWithSlot = factory->Release();
    hostaccess::releaseHostClassObject();
    factory->AddRef();
    EXPECT_EQ(factory->Release(), heldWithSlot - 1);
    hostaccess::releaseHostClassObject(); // a second release finds nothing to let go

    EXPECT_EQ(hostaccess::fetchHostClassObject(), REGDB_E_CLASSNOTREG);
    EXPECT_FALSE(hostaccess::hasHostClassObject());
    EXPECT_TRUE(everyAccessorAnswersNull());
}

TEST_F(HostClassObject, AccessorsRunAlongsideFetchAndRelease)
{
    std::atomic<bool> stop{false};
    std::atomic<int> created{0};
    std::vector<std::thread> readers;
    for (int i = 0; i < 4; ++i) {
        readers.emplace_back([&] {
            while (!stop) {
                if (ComPtr<IIMAndPresence>(hostaccess::GetIMAndPresence())) ++created;
            }
        });
    }
    std::thread writer([&] {
        CoInitializeEx(nullptr, COINIT_MULTITHREADED);
        for (int round = 0; round < 200; ++round) {
            hostaccess::releaseHostClassObject();
            hostaccess::fetchHostClassObject();
        }
        CoUninitialize();
    });
    writer.join();
    while (created < 100) std::this_thread::yield(); // the slot stays full now: readers must succeed
    stop = true;
    for (std::thread& reader : readers) reader.join();
}

} // namespace
