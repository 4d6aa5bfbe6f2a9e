#include "extensionsutils/ComObject.h"
#include "extensionsutils/MICComPtr.h"
#include "extensionsutils/ModuleLock.h"

#include "ComTestSupport.h"

#include <gtest/gtest.h>

#include <servprov.h>

#include <atomic>
#include <thread>
#include <vector>

using namespace extensionsutils;

namespace {

std::atomic<int> destroyedObjects{0};

// Two unrelated interfaces plus the base of one of them, sharing one identity.
class TwoFaced : public ComObjectRoot, public IPersistStream, public IServiceProvider
{
public:
    using Interfaces = InterfaceTable<IPersistStream, Via<IPersist, IPersistStream>, IServiceProvider>;

    HRESULT STDMETHODCALLTYPE GetClassID(CLSID*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE IsDirty() override { return S_FALSE; }
    HRESULT STDMETHODCALLTYPE Load(IStream*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Save(IStream*, BOOL) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetSizeMax(ULARGE_INTEGER*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE QueryService(REFGUID, REFIID, void**) override { return E_NOTIMPL; }

    int value() const { return value_; }

protected:
    explicit TwoFaced(int value) : value_(value) {}
    ~TwoFaced() { ++destroyedObjects; }

private:
    int value_;
};

} // namespace

TEST(ComObject, AnswersItsInterfacesWithOneIdentity)
{
    MICComPtr<TwoFaced> object = ComObject<TwoFaced>::create(42);
    ASSERT_TRUE(object);
    EXPECT_EQ(42, object->value());

    ComPtr<IPersist> persist = object.as<IPersist>();
    ComPtr<IServiceProvider> provider = object.as<IServiceProvider>();
    ASSERT_TRUE(persist);
    ASSERT_TRUE(provider);
    EXPECT_TRUE(sameComObject(persist.get(), provider.get()));
    EXPECT_EQ(object.identity(), persist.as<IUnknown>().get());
    EXPECT_EQ(object.identity(), provider.as<IUnknown>().get());

    IUnknown* missing = reinterpret_cast<IUnknown*>(1);
    EXPECT_EQ(E_NOINTERFACE, provider->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&missing)));
    EXPECT_EQ(nullptr, missing);
    EXPECT_EQ(E_POINTER, provider->QueryInterface(IID_IUnknown, nullptr));
}

TEST(ComObject, LastReleaseDestroysTheObjectAndFreesTheModuleLock)
{
    const long locksBefore = moduleLockCount();
    const int destroyedBefore = destroyedObjects;
    {
        MICComPtr<TwoFaced> object = ComObject<TwoFaced>::create(1);
        EXPECT_EQ(locksBefore + 1, moduleLockCount());
        EXPECT_EQ(1u, referenceCount(object.identity()));

        MICComPtr<TwoFaced> copy = object;
        ComPtr<IServiceProvider> provider = object.as<IServiceProvider>();
        EXPECT_EQ(3u, referenceCount(object.identity()));
        MICComPtr<TwoFaced> moved = std::move(copy);
        EXPECT_EQ(3u, referenceCount(object.identity()));
        EXPECT_EQ(destroyedBefore, destroyedObjects);
    }
    EXPECT_EQ(destroyedBefore + 1, destroyedObjects);
    EXPECT_EQ(locksBefore, moduleLockCount());
}

TEST(ComObject, CreateInstanceForAnUnansweredInterfaceLeavesNothingBehind)
{
    const long locksBefore = moduleLockCount();
    const int destroyedBefore = destroyedObjects;
    void* result = reinterpret_cast<void*>(1);
    EXPECT_EQ(E_NOINTERFACE, ComObject<TwoFaced>::createInstance(IID_IDispatch, &result, 7));
    EXPECT_EQ(nullptr, result);
    EXPECT_EQ(destroyedBefore + 1, destroyedObjects);
    EXPECT_EQ(locksBefore, moduleLockCount());

    ASSERT_EQ(S_OK, ComObject<TwoFaced>::createInstance(IID_IPersist, &result, 7));
    EXPECT_EQ(0u, static_cast<IPersist*>(result)->Release());
    EXPECT_EQ(locksBefore, moduleLockCount());
}

TEST(ComObject, CountsReferencesTakenAndDroppedOnManyThreadsAtOnce)
{
    const int destroyedBefore = destroyedObjects;
    MICComPtr<TwoFaced> object = ComObject<TwoFaced>::create(0);
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([object] {
            for (int i = 0; i < 20000; ++i) {
                MICComPtr<TwoFaced> copy = object;
                copy.as<IPersist>();
            }
        });
    }
    for (std::thread& thread : threads) thread.join();
    EXPECT_EQ(1u, referenceCount(object.identity()));
    object.reset();
    EXPECT_EQ(destroyedBefore + 1, destroyedObjects);
}
