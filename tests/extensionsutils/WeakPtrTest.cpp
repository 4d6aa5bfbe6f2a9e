#include "extensionsutils/CComWeakPtr.h"
#include "extensionsutils/CComWeakPtrEnabled.h"
#include "extensionsutils/WeakPtrCComObject.h"

#include "ComTestSupport.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

using namespace extensionsutils;

namespace {

std::atomic<int> destroyedContacts{0};

// Stands for a UC contact: a COM object that queued work reaches through weak references.
class WatchedContact : public ComObjectRoot, public IPersist, public CComWeakPtrEnabled<WatchedContact>
{
public:
    using Interfaces = InterfaceTable<IPersist>;

    HRESULT STDMETHODCALLTYPE GetClassID(CLSID*) override { return E_NOTIMPL; }
    bool alive() const { return alive_; }

protected:
    WatchedContact() = default;
    ~WatchedContact() override
    {
        alive_ = false;
        ++destroyedContacts;
    }

private:
    std::atomic<bool> alive_{true};
};

} // namespace

TEST(CComWeakPtr, LocksWhileTheObjectLivesAndComesBackEmptyAfterItsLastRelease)
{
    const int destroyedBefore = destroyedContacts;
    MICComPtr<WatchedContact> contact = WeakPtrCComObject<WatchedContact>::create();
    CComWeakPtr<WatchedContact> weak = contact->getWeakPtr();
    CComWeakPtr<WatchedContact> copy = weak;
    EXPECT_EQ(1u, referenceCount(contact.identity())) << "a weak reference holds no reference";

    MICComPtr<WatchedContact> locked = copy.lock();
    ASSERT_TRUE(locked);
    EXPECT_EQ(contact.get(), locked.get());
    EXPECT_EQ(2u, referenceCount(contact.identity()));
    locked.reset();

    contact.reset();
    EXPECT_EQ(destroyedBefore + 1, destroyedContacts);
    EXPECT_FALSE(weak.lock());
    EXPECT_FALSE(copy.lock());
    EXPECT_FALSE(CComWeakPtr<WatchedContact>().lock());
}

TEST(CComWeakPtr, ALockedReferenceKeepsTheObjectAfterTheOtherOwnerLetGo)
{
    const int destroyedBefore = destroyedContacts;
    MICComPtr<WatchedContact> owner = WeakPtrCComObject<WatchedContact>::create();
    CComWeakPtr<WatchedContact> weak = owner->getWeakPtr();
    MICComPtr<WatchedContact> worker = weak.lock();
    owner.reset();
    ASSERT_EQ(destroyedBefore, destroyedContacts);
    EXPECT_TRUE(worker->alive());
    EXPECT_TRUE(weak.lock());
    worker.reset();
    EXPECT_EQ(destroyedBefore + 1, destroyedContacts);
    EXPECT_FALSE(weak.lock());
}

TEST(CComWeakPtr, AnObjectWithoutTheWeakWrapperHandsOutEmptyWeakReferences)
{
    MICComPtr<WatchedContact> plain = ComObject<WatchedContact>::create();
    EXPECT_FALSE(plain->getWeakPtr().lock());
}

TEST(CComWeakPtr, ThreadsLockingWhileTheLastOwnerReleasesNeverReachADeadObject)
{
    const int destroyedBefore = destroyedContacts;
    const int rounds = 60;
    for (int round = 0; round < rounds; ++round) {
        MICComPtr<WatchedContact> owner = WeakPtrCComObject<WatchedContact>::create();
        const CComWeakPtr<WatchedContact> weak = owner->getWeakPtr();
        std::atomic<bool> sawDeadObject{false};
        std::atomic<int> started{0};
        std::vector<std::thread> workers;
        for (int t = 0; t < 3; ++t) {
            workers.emplace_back([&] {
                ++started;
                for (int i = 0; i < 2000; ++i) {
                    MICComPtr<WatchedContact> locked = weak.lock();
                    if (!locked) break;
                    if (!locked->alive()) sawDeadObject = true;
                    MICComPtr<WatchedContact> second = locked; // owners on several threads letting go at once
                }
            });
        }
        while (started < 3) std::this_thread::yield();
        owner.reset();
        for (std::thread& worker : workers) worker.join();
        ASSERT_FALSE(sawDeadObject);
        ASSERT_FALSE(weak.lock());
    }
    EXPECT_EQ(destroyedBefore + rounds, destroyedContacts) << "each object destroyed exactly once";
}
