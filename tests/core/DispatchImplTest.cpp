#include "extensionsutils/Bstr.h"
#include "extensionsutils/ComObject.h"
#include "extensionsutils/DispatchImpl.h"
#include "extensionsutils/TypeInfoHolder.h"

#include "ExtensionsUtilsLateLib.h"
#include "ExtensionsUtilsTestLib.h"
#include "common/ProgramFolder.h"
#include "support/LateBoundCall.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

using namespace extensionsutils;

namespace {

// The type libraries are copied beside the test program by the build.
HRESULT registerTypeLib(const wchar_t* file)
{
    std::wstring path = tools::besideThisProgram(file);
    ComPtr<ITypeLib> library;
    HRESULT hr = LoadTypeLibEx(path.c_str(), REGKIND_NONE, library.out());
    if (FAILED(hr)) return hr;
    return RegisterTypeLib(library.get(), &path[0], nullptr);
}

void unregisterLateLib()
{
    UnRegisterTypeLib(LIBID_ExtensionsUtilsLateLib, 1, 0, 0x409, sizeof(void*) == 8 ? SYS_WIN64 : SYS_WIN32);
}

class Calculator : public ComObjectRoot,
                   public DispatchImpl<ITestCalculator, &IID_ITestCalculator, &LIBID_ExtensionsUtilsTestLib>
{
public:
    using Interfaces = InterfaceTable<ITestCalculator, Via<IDispatch, ITestCalculator>>;

    HRESULT STDMETHODCALLTYPE Add(LONG a, LONG b, LONG* sum) override { return (*sum = a + b), S_OK; }
    HRESULT STDMETHODCALLTYPE Subtract(LONG a, LONG b, LONG* difference) override { return (*difference = a - b), S_OK; }
    HRESULT STDMETHODCALLTYPE get_Name(BSTR* name) override { return name_.copyTo(name); }
    HRESULT STDMETHODCALLTYPE put_Name(BSTR name) override
    {
        name_ = Bstr(name, SysStringLen(name));
        return S_OK;
    }

private:
    Bstr name_;
};

class FirstUse : public ComObjectRoot,
                 public DispatchImpl<ITestConcurrentFirstUse, &IID_ITestConcurrentFirstUse, &LIBID_ExtensionsUtilsTestLib>
{
public:
    using Interfaces = InterfaceTable<ITestConcurrentFirstUse, Via<IDispatch, ITestConcurrentFirstUse>>;
    HRESULT STDMETHODCALLTYPE Ping(LONG* value) override { return (*value = 7), S_OK; }
};

class LateObject : public ComObjectRoot,
                   public DispatchImpl<ILateRegistered, &IID_ILateRegistered, &LIBID_ExtensionsUtilsLateLib>
{
public:
    using Interfaces = InterfaceTable<ILateRegistered, Via<IDispatch, ILateRegistered>>;
    HRESULT STDMETHODCALLTYPE Answer(LONG* value) override { return (*value = 42), S_OK; }
};

class DispatchImplTest : public ::testing::Test
{
protected:
    static void SetUpTestSuite() { ASSERT_EQ(S_OK, registerTypeLib(L"ExtensionsUtilsTestLib.tlb")); }
};

} // namespace

TEST_F(DispatchImplTest, AnswersNamesAndCallsFromTheRegisteredTypeLibrary)
{
    ComPtr<IDispatch> calculator = ComObject<Calculator>::create().as<IDispatch>();
    EXPECT_EQ(2, dispatchIdOf(calculator.get(), L"name")) << "names are matched without regard to case";
    EXPECT_EQ(DISPID_UNKNOWN, dispatchIdOf(calculator.get(), L"Multiply"));

    const LateBoundResult difference =
        callByName(calculator.get(), L"Subtract", DISPATCH_METHOD, {Variant::fromInt32(10), Variant::fromInt32(4)});
    ASSERT_EQ(S_OK, difference.invoke);
    EXPECT_EQ(6, difference.value.get()->lVal) << "arguments reach the member in their order";

    ASSERT_EQ(S_OK, callByName(calculator.get(), L"Name", DISPATCH_PROPERTYPUT, {Variant::fromString(L"abacus")}).invoke);
    const LateBoundResult name = callByName(calculator.get(), L"Name", DISPATCH_PROPERTYGET);
    ASSERT_EQ(VT_BSTR, name.value.type());
    EXPECT_EQ(std::wstring(L"abacus"), name.value.get()->bstrVal);
}

TEST_F(DispatchImplTest, FindsALibraryRegisteredForAnotherLocale)
{
    for (LCID locale : {0x0u, 0x400u, 0x407u, 0x409u}) {
        ComPtr<ITypeLib> library;
        EXPECT_EQ(S_OK, loadRegisteredTypeLib(LIBID_ExtensionsUtilsTestLib, 1, 0, locale, library.out())) << locale;
    }
    ComPtr<ITypeLib> missing;
    EXPECT_EQ(TYPE_E_LIBNOTREGISTERED, loadRegisteredTypeLib(IID_ITestCalculator, 1, 0, 0, missing.out()));
}

TEST_F(DispatchImplTest, FailsWhileTheLibraryIsNotRegisteredSucceedsOnceItIsAndKeepsIt)
{
    unregisterLateLib();
    ComPtr<IDispatch> late = ComObject<LateObject>::create().as<IDispatch>();
    EXPECT_EQ(DISPID_UNKNOWN, dispatchIdOf(late.get(), L"Answer"));
    DISPPARAMS none = {};
    EXPECT_TRUE(FAILED(late->Invoke(1, IID_NULL, 0, DISPATCH_METHOD, &none, nullptr, nullptr, nullptr)));

    ASSERT_EQ(S_OK, registerTypeLib(L"ExtensionsUtilsLateLib.tlb"));
    const LateBoundResult answer = callByName(late.get(), L"Answer", DISPATCH_METHOD);
    ASSERT_EQ(S_OK, answer.invoke) << "a failed load is retried";
    EXPECT_EQ(42, answer.value.get()->lVal);
    unregisterLateLib();
    EXPECT_EQ(1, dispatchIdOf(late.get(), L"Answer")) << "loaded once, the description stays";
}

TEST_F(DispatchImplTest, ConcurrentFirstCallsAllSucceed)
{
    ComPtr<IDispatch> object = ComObject<FirstUse>::create().as<IDispatch>();
    std::atomic<bool> go{false};
    std::atomic<int> succeeded{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < 6; ++t) {
        threads.emplace_back([&] {
            while (!go) std::this_thread::yield();
            const LateBoundResult ping = callByName(object.get(), L"Ping", DISPATCH_METHOD);
            if (ping.invoke == S_OK && ping.value.get()->lVal == 7) ++succeeded;
        });
    }
    go = true;
    for (std::thread& thread : threads) thread.join();
    EXPECT_EQ(6, succeeded);
}

TEST_F(DispatchImplTest, TypeInfoHolderLoadsOnceForConcurrentCallersAndRetriesAfterAFailure)
{
    std::atomic<int> loads{0};
    std::atomic<bool> failNext{true};
    TypeInfoHolder holder(IID_ITestCalculator, [&](LCID, ITypeLib** library) {
        ++loads;
        std::this_thread::sleep_for(std::chrono::milliseconds(30));
        if (failNext.exchange(false)) return E_ACCESSDENIED;
        return LoadTypeLibEx(tools::besideThisProgram(L"ExtensionsUtilsTestLib.tlb").c_str(), REGKIND_NONE, library);
    });
    ComPtr<ITypeInfo> info;
    EXPECT_EQ(E_ACCESSDENIED, holder.typeInfo(0, info));
    EXPECT_FALSE(info);

    std::vector<ComPtr<ITypeInfo>> seen(6);
    std::vector<std::thread> threads;
    for (std::size_t t = 0; t < seen.size(); ++t) threads.emplace_back([&, t] { holder.typeInfo(0, seen[t]); });
    for (std::thread& thread : threads) thread.join();
    EXPECT_EQ(2, loads) << "one failed load, then one load for all concurrent callers";
    for (const ComPtr<ITypeInfo>& each : seen) {
        ASSERT_TRUE(each);
        EXPECT_EQ(seen[0].get(), each.get());
    }
}
