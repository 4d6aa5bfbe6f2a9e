#include "extensionsutils/Bstr.h"
#include "extensionsutils/DispatchImpl.h"
#include "extensionsutils/TypeInfoHolder.h"
#include "extensionsutils/Variant.h"

#include "ComTestSupport.h"
#include "ExtensionsUtilsLateLib.h"
#include "ExtensionsUtilsTestLib.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

using namespace extensionsutils;

namespace {

const SYSKIND thisSystem = sizeof(void*) == 8 ? SYS_WIN64 : SYS_WIN32;

// The type libraries are copied beside the test program by the build.
std::wstring besideTheProgram(const wchar_t* file)
{
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring folder(path);
    return folder.substr(0, folder.find_last_of(L'\\') + 1) + file;
}

HRESULT registerTypeLib(const wchar_t* file)
{
    std::wstring path = besideTheProgram(file);
    ComPtr<ITypeLib> library;
    HRESULT hr = LoadTypeLibEx(path.c_str(), REGKIND_NONE, library.out());
    if (FAILED(hr)) return hr;
    return RegisterTypeLib(library.get(), &path[0], nullptr);
}

class Calculator : public ComObjectRoot,
                   public DispatchImpl<ITestCalculator, &IID_ITestCalculator, &LIBID_ExtensionsUtilsTestLib>
{
public:
    using Interfaces = InterfaceTable<ITestCalculator, Via<IDispatch, ITestCalculator>>;

    HRESULT STDMETHODCALLTYPE Add(LONG a, LONG b, LONG* sum) override
    {
        if (!sum) return E_POINTER;
        *sum = a + b;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Subtract(LONG a, LONG b, LONG* difference) override
    {
        if (!difference) return E_POINTER;
        *difference = a - b;
        return S_OK;
    }
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
    HRESULT STDMETHODCALLTYPE Ping(LONG* value) override
    {
        *value = 7;
        return S_OK;
    }
};

class LateObject : public ComObjectRoot,
                   public DispatchImpl<ILateRegistered, &IID_ILateRegistered, &LIBID_ExtensionsUtilsLateLib>
{
public:
    using Interfaces = InterfaceTable<ILateRegistered, Via<IDispatch, ILateRegistered>>;
    HRESULT STDMETHODCALLTYPE Answer(LONG* value) override
    {
        *value = 42;
        return S_OK;
    }
};

DISPID idOf(IDispatch* object, const wchar_t* name, HRESULT* result = nullptr)
{
    LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
    DISPID id = DISPID_UNKNOWN;
    const HRESULT hr = object->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id);
    if (result) *result = hr;
    return id;
}

// Calls like a script engine: arguments reversed, the result in a VARIANT.
HRESULT call(IDispatch* object, DISPID id, WORD flags, std::vector<Variant> reversedArguments, Variant& result)
{
    std::vector<VARIANT> arguments;
    for (Variant& argument : reversedArguments) arguments.push_back(*argument.get());
    DISPID named = DISPID_PROPERTYPUT;
    DISPPARAMS parameters = {arguments.data(), nullptr, static_cast<UINT>(arguments.size()), 0};
    if (flags == DISPATCH_PROPERTYPUT) {
        parameters.rgdispidNamedArgs = &named;
        parameters.cNamedArgs = 1;
    }
    return object->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, flags, &parameters, result.out(), nullptr, nullptr);
}

class DispatchImplTest : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        ComApartment apartment;
        ASSERT_EQ(S_OK, registerTypeLib(L"ExtensionsUtilsTestLib.tlb"));
    }

    ComApartment apartment;
};

} // namespace

TEST_F(DispatchImplTest, AnswersNamesAndCallsFromTheRegisteredTypeLibrary)
{
    ComPtr<IDispatch> calculator = ComObject<Calculator>::create().as<IDispatch>();
    ASSERT_TRUE(calculator);
    EXPECT_EQ(1, idOf(calculator.get(), L"Add"));
    EXPECT_EQ(2, idOf(calculator.get(), L"name")) << "names are matched without regard to case";
    HRESULT unknown = S_OK;
    idOf(calculator.get(), L"Multiply", &unknown);
    EXPECT_EQ(DISP_E_UNKNOWNNAME, unknown);

    Variant result;
    ASSERT_EQ(S_OK, call(calculator.get(), 3, DISPATCH_METHOD, {Variant::fromInt32(4), Variant::fromInt32(10)}, result));
    EXPECT_EQ(VT_I4, result.type());
    EXPECT_EQ(6, result.get()->lVal) << "10 - 4: the last argument comes first in DISPPARAMS";

    ASSERT_EQ(S_OK, call(calculator.get(), 2, DISPATCH_PROPERTYPUT, {Variant::fromString(L"abacus")}, result));
    ASSERT_EQ(S_OK, call(calculator.get(), 2, DISPATCH_PROPERTYGET, {}, result));
    ASSERT_EQ(VT_BSTR, result.type());
    EXPECT_EQ(std::wstring(L"abacus"), result.get()->bstrVal);

    ComPtr<ITypeInfo> info;
    ASSERT_EQ(S_OK, calculator->GetTypeInfo(0, 0, info.out()));
    Bstr name;
    ASSERT_EQ(S_OK, info->GetDocumentation(MEMBERID_NIL, name.out(), nullptr, nullptr, nullptr));
    EXPECT_EQ(std::wstring(L"ITestCalculator"), name.str());
}

TEST_F(DispatchImplTest, FindsALibraryRegisteredForAnotherLocale)
{
    for (LCID locale : {0x0u, 0x400u, 0x407u, 0x409u}) {
        ComPtr<ITypeLib> library;
        EXPECT_EQ(S_OK, loadRegisteredTypeLib(LIBID_ExtensionsUtilsTestLib, 1, 0, locale, library.out())) << locale;
        EXPECT_TRUE(library);
    }
    ComPtr<ITypeLib> missing;
    EXPECT_EQ(TYPE_E_LIBNOTREGISTERED, loadRegisteredTypeLib(IID_ITestCalculator, 1, 0, 0, missing.out()));
}

TEST_F(DispatchImplTest, FailsWhileTheLibraryIsNotRegisteredAndSucceedsOnceItIs)
{
    UnRegisterTypeLib(LIBID_ExtensionsUtilsLateLib, 1, 0, 0x409, thisSystem);
    ComPtr<IDispatch> late = ComObject<LateObject>::create().as<IDispatch>();
    HRESULT first = S_OK;
    idOf(late.get(), L"Answer", &first);
    EXPECT_EQ(TYPE_E_LIBNOTREGISTERED, first);
    Variant result;
    EXPECT_TRUE(FAILED(call(late.get(), 1, DISPATCH_METHOD, {}, result)));

    ASSERT_EQ(S_OK, registerTypeLib(L"ExtensionsUtilsLateLib.tlb"));
    HRESULT second = E_FAIL;
    EXPECT_EQ(1, idOf(late.get(), L"Answer", &second));
    EXPECT_EQ(S_OK, second);
    ASSERT_EQ(S_OK, call(late.get(), 1, DISPATCH_METHOD, {}, result));
    EXPECT_EQ(42, result.get()->lVal);

    // Loaded once, the description stays even if the registration goes.
    UnRegisterTypeLib(LIBID_ExtensionsUtilsLateLib, 1, 0, 0x409, thisSystem);
    EXPECT_EQ(1, idOf(late.get(), L"Answer"));
}

TEST_F(DispatchImplTest, ConcurrentFirstCallsAllSucceed)
{
    ComPtr<IDispatch> object = ComObject<FirstUse>::create().as<IDispatch>();
    std::atomic<bool> go{false};
    std::atomic<int> succeeded{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < 6; ++t) {
        threads.emplace_back([&] {
            ComApartment threadApartment;
            while (!go) std::this_thread::yield();
            Variant result;
            if (idOf(object.get(), L"Ping") == 1 && call(object.get(), 1, DISPATCH_METHOD, {}, result) == S_OK
                && result.get()->lVal == 7) {
                ++succeeded;
            }
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
        return LoadTypeLibEx(besideTheProgram(L"ExtensionsUtilsTestLib.tlb").c_str(), REGKIND_NONE, library);
    });

    ComPtr<ITypeInfo> info;
    EXPECT_EQ(E_ACCESSDENIED, holder.typeInfo(0, info));
    EXPECT_FALSE(info);

    std::vector<ComPtr<ITypeInfo>> seen(6);
    std::vector<std::thread> threads;
    for (std::size_t t = 0; t < seen.size(); ++t) {
        threads.emplace_back([&, t] { holder.typeInfo(0, seen[t]); });
    }
    for (std::thread& thread : threads) thread.join();
    EXPECT_EQ(2, loads) << "one failed load, then one load for all concurrent callers";
    for (const ComPtr<ITypeInfo>& each : seen) {
        ASSERT_TRUE(each);
        EXPECT_EQ(seen[0].get(), each.get());
    }
}
