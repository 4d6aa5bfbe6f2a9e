#include "extensionsutils/CComWeakPtr.h"
#include "extensionsutils/CComWeakPtrEnabled.h"
#include "extensionsutils/ComObject.h"
#include "extensionsutils/MICComPtr.h"
#include "extensionsutils/ModuleLock.h"
#include "extensionsutils/WeakPtrCComObject.h"

#include <gtest/gtest.h>

#include <servprov.h>

#include <atomic>
#include <thread>
#include <vector>

using namespace extensionsutils;

namespace {

std::atomic<int> destroyed{0};

ULONG referenceCount(IUnknown* object)
{
    object->AddRef();
    return object->Release();
}

// Two unrelated interfaces plus the base of one of them, sharing one identity; reachable weakly, as a
// UC contact is from queued work.
class TwoFaced : public ComObjectRoot, public IPersistStream, public IServiceProvider, public CComWeakPtrEnabled<TwoFaced>
{
public:
    using Interfaces = InterfaceTable<IPersistStream, Via<IPersist, IPersistStream>, IServiceProvider>;

    HRESULT STDMETHODCALLTYPE GetClassID(CLSID*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE IsDirty() override { return S_FALSE; }
    HRESULT STDMETHODCALLTYPE Load(IStream*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Save(IStream*, BOOL) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetSizeMax(ULARGE_INTEGER*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE QueryService(REFGUID, REFIID, void**) override { return E_NOTIMPL; }
    bool alive() const { return alive_; }

protected:
    TwoFaced() = default;
    ~TwoFaced() override
    {
        alive_ = false;
        ++destroyed;
    }

private:
    std::atomic<bool> alive_{true};
};

} // namespace

TEST(ComObject, AnswersItsInterfacesWithOneIdentityAndRefusesOthersCleanly)
{
    MICComPtr<TwoFaced> object = ComObject<TwoFaced>::create();
    ComPtr<IPersist> persist = object.as<IPersist>();
    ComPtr<IServiceProvider> provider = object.as<IServiceProvider>();
    ASSERT_TRUE(persist && provider);
    EXPECT_EQ(object.identity(), persist.as<IUnknown>().get());
    EXPECT_EQ(object.identity(), provider.as<IUnknown>().get());

    IUnknown* missing = reinterpret_cast<IUnknown*>(1);
    EXPECT_EQ(E_NOINTERFACE, provider->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&missing)));
    EXPECT_EQ(nullptr, missing);
    EXPECT_EQ(E_POINTER, provider->QueryInterface(IID_IUnknown, nullptr));
}

TEST(ComObject, LastReleaseDestroysOnceAndFreesTheModuleLockAlsoWhenCreationAskedForAMissingInterface)
{
    const long locksBefore = moduleLockCount();
    const int destroyedBefore = destroyed;
    {
        MICComPtr<TwoFaced> object = ComObject<TwoFaced>::create();
        EXPECT_EQ(locksBefore + 1, moduleLockCount());
        MICComPtr<TwoFaced> copy = object;
        ComPtr<IServiceProvider> provider = object.as<IServiceProvider>();
        MICComPtr<TwoFaced> moved = std::move(copy);
        EXPECT_EQ(3u, referenceCount(object.identity()));
    }
    EXPECT_EQ(destroyedBefore + 1, destroyed);
    EXPECT_EQ(locksBefore, moduleLockCount());

    void* result = reinterpret_cast<void*>(1);
    EXPECT_EQ(E_NOINTERFACE, ComObject<TwoFaced>::createInstance(IID_IDispatch, &result));
    EXPECT_EQ(nullptr, result);
    EXPECT_EQ(destroyedBefore + 2, destroyed);
    EXPECT_EQ(locksBefore, moduleLockCount());
}

TEST(ComObject, CountsReferencesTakenAndDroppedOnManyThreadsAtOnce)
{
    const int destroyedBefore = destroyed;
    MICComPtr<TwoFaced> object = ComObject<TwoFaced>::create();
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([object] {
            for (int i = 0; i < 20000; ++i) MICComPtr<TwoFaced>(object).as<IPersist>();
        });
    }
    for (std::thread& thread : threads) thread.join();
    EXPECT_EQ(1u, referenceCount(object.identity()));
    object.reset();
    EXPECT_EQ(destroyedBefore + 1, destroyed);
}

TEST(CComWeakPtr, LocksOnlyWhileAnOwnerLivesAndHoldsNoReferenceItself)
{
    const int destroyedBefore = destroyed;
    MICComPtr<TwoFaced> owner = WeakPtrCComObject<TwoFaced>::create();
    const CComWeakPtr<TwoFaced> weak = owner->getWeakPtr();
    EXPECT_EQ(1u, referenceCount(owner.identity()));

    MICComPtr<TwoFaced> worker = CComWeakPtr<TwoFaced>(weak).lock();
    ASSERT_EQ(owner.get(), worker.get());
    owner.reset();
    EXPECT_EQ(destroyedBefore, destroyed) << "a locked reference keeps the object";
    EXPECT_TRUE(weak.lock());
    worker.reset();
    EXPECT_EQ(destroyedBefore + 1, destroyed);
    EXPECT_FALSE(weak.lock());
    EXPECT_FALSE(CComWeakPtr<TwoFaced>().lock());
    EXPECT_FALSE(ComObject<TwoFaced>::create()->getWeakPtr().lock()) << "without the weak wrapper";
}

TEST(CComWeakPtr, ThreadsLockingWhileTheLastOwnerReleasesNeverReachADeadObject)
{
    const int destroyedBefore = destroyed;
    const int rounds = 60;
    for (int round = 0; round < rounds; ++round) {
        MICComPtr<TwoFaced> owner = WeakPtrCComObject<TwoFaced>::create();
        const CComWeakPtr<TwoFaced> weak = owner->getWeakPtr();
        std::atomic<bool> sawDeadObject{false};
        std::atomic<int> started{0};
        std::vector<std::thread> workers;
        for (int t = 0; t < 3; ++t) {
            workers.emplace_back([&] {
                ++started;
                for (int i = 0; i < 2000; ++i) {
                    MICComPtr<TwoFaced> locked = weak.lock();
                    if (!locked) break;
                    if (!locked->alive()) sawDeadObject = true;
                    MICComPtr<TwoFaced> second = locked; // owners on several threads letting go at once
                }
            });
        }
        while (started < 3) std::this_thread::yield();
        owner.reset();
        for (std::thread& worker : workers) worker.join();
        ASSERT_FALSE(sawDeadObject);
        ASSERT_FALSE(weak.lock());
    }
    EXPECT_EQ(destroyedBefore + rounds, destroyed) << "each object destroyed exactly once";
}
