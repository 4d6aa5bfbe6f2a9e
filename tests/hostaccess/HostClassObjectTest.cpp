#include "ExtensionProvider/HostClassObject.h"

#include "support/FakeHostEnvironment.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

using extensionsutils::ComPtr;
using fakehost::FakeHostEnvironment;
using fakehost::HostMethod;

namespace {

class HostClassObject : public ::testing::Test {
protected:
    void TearDown() override { hostaccess::releaseHostClassObject(); }

    FakeHostEnvironment environment;
};

bool everyAccessorAnswersNull()
{
    return !hostaccess::GetIMAndPresence() && !hostaccess::GetProviderManagement() && !hostaccess::GetEventManager()
        && !hostaccess::GetPhone() && !hostaccess::GetLogger();
}

TEST_F(HostClassObject, AccessorsAnswerNullBeforeTheFetch)
{
    ASSERT_EQ(environment.registration(), S_OK);
    EXPECT_FALSE(hostaccess::hasHostClassObject());
    EXPECT_TRUE(everyAccessorAnswersNull());
    EXPECT_EQ(environment.host().callCount(HostMethod::CreateLogger), 0u);
}

TEST_F(HostClassObject, FetchFindsTheClassObjectRegisteredInProcess)
{
    ASSERT_EQ(hostaccess::fetchHostClassObject(), S_OK);
    EXPECT_TRUE(hostaccess::hasHostClassObject());

    EXPECT_TRUE(hostaccess::GetIMAndPresence());
    EXPECT_TRUE(hostaccess::GetProviderManagement());
    EXPECT_TRUE(hostaccess::GetEventManager());
    EXPECT_TRUE(hostaccess::GetPhone());
    EXPECT_TRUE(hostaccess::GetLogger());
    EXPECT_EQ(environment.host().liveObjectCount(), 0) << "each accessor's object belongs to its caller";
}

TEST_F(HostClassObject, EveryAccessGivesAFreshObject)
{
    ASSERT_EQ(hostaccess::fetchHostClassObject(), S_OK);
    ComPtr<IIMAndPresence> first = hostaccess::GetIMAndPresence();
    ComPtr<IIMAndPresence> second = hostaccess::GetIMAndPresence();
    ASSERT_TRUE(first && second);
    EXPECT_NE(first.get(), second.get());
    EXPECT_EQ(environment.host().callCount(HostMethod::CreateIMAndPresence), 2u);
}

TEST_F(HostClassObject, AHostThatCannotCreateAnObjectGivesNull)
{
    ASSERT_EQ(hostaccess::fetchHostClassObject(), S_OK);
    environment.host().failMethod(HostMethod::CreatePhone, E_OUTOFMEMORY);
    environment.host().answerEmpty(HostMethod::CreateLogger);

    EXPECT_FALSE(hostaccess::GetPhone());
    EXPECT_FALSE(hostaccess::GetLogger());
    EXPECT_TRUE(hostaccess::GetIMAndPresence()) << "one failing interface does not affect the others";
}

TEST_F(HostClassObject, ReleaseEmptiesTheSlot)
{
    ASSERT_EQ(hostaccess::fetchHostClassObject(), S_OK);
    hostaccess::releaseHostClassObject();

    EXPECT_FALSE(hostaccess::hasHostClassObject());
    EXPECT_TRUE(everyAccessorAnswersNull());
    hostaccess::releaseHostClassObject(); // a second release finds nothing to let go
    EXPECT_FALSE(hostaccess::hasHostClassObject());
}

TEST_F(HostClassObject, AFullSlotKeepsItsClassObject)
{
    ASSERT_EQ(hostaccess::fetchHostClassObject(), S_OK);
    // A different host class object registered meanwhile is not fetched: the slot is filled only when empty.
    environment.host().revokeClassObject();
    auto other = fakehost::FakeHost::create();
    ASSERT_EQ(other->registerClassObject(), S_OK);

    EXPECT_EQ(hostaccess::fetchHostClassObject(), S_FALSE);
    EXPECT_TRUE(hostaccess::GetLogger());
    EXPECT_EQ(environment.host().callCount(HostMethod::CreateLogger), 1u);
    EXPECT_EQ(other->callCount(HostMethod::CreateLogger), 0u);

    other->revokeClassObject();
    other->shutdown();
}

TEST_F(HostClassObject, AFailedFetchLeavesTheSlotEmpty)
{
    environment.host().revokeClassObject();

    EXPECT_EQ(hostaccess::fetchHostClassObject(), REGDB_E_CLASSNOTREG);
    EXPECT_FALSE(hostaccess::hasHostClassObject());
    EXPECT_TRUE(everyAccessorAnswersNull());
}

TEST_F(HostClassObject, ReleaseLetsGoOfTheHostsClassObject)
{
    ASSERT_EQ(hostaccess::fetchHostClassObject(), S_OK);
    ComPtr<IClassFactory> factory = environment.host().classObject();
    environment.host().revokeClassObject();
    // Now held by the slot and by this test only.
    factory->AddRef();
    const ULONG heldWithSlot = factory->Release();

    hostaccess::releaseHostClassObject();
    factory->AddRef();
    EXPECT_EQ(factory->Release(), heldWithSlot - 1);
}

TEST_F(HostClassObject, AccessorsRunAlongsideFetchAndRelease)
{
    std::atomic<bool> stop{false};
    std::atomic<int> created{0};
    std::vector<std::thread> readers;
    for (int i = 0; i < 4; ++i) {
        readers.emplace_back([&] {
            while (!stop) {
                ComPtr<IIMAndPresence> object = hostaccess::GetIMAndPresence();
                if (object) ++created;
            }
        });
    }
    std::thread writer([&] {
        CoInitializeEx(nullptr, COINIT_MULTITHREADED);
        for (int round = 0; round < 200; ++round) {
            hostaccess::fetchHostClassObject();
            hostaccess::releaseHostClassObject();
        }
        hostaccess::fetchHostClassObject();
        CoUninitialize();
    });
    writer.join();
    while (created < 100) std::this_thread::yield(); // the slot stays full now: readers must succeed
    stop = true;
    for (std::thread& reader : readers) reader.join();
    EXPECT_EQ(environment.host().liveObjectCount(), 0);
}

} // namespace
