// One program serves a module interface for local-server activation; this one creates the object in that
// other process and calls it through the virtual table and through IDispatch, marshaled by the registered
// type library.
#include "LocaleStringServer.h"
#include "support/TypeLibraryRegistration.h"

#include "extensionsutils/Bstr.h"
#include "extensionsutils/ComPtr.h"
#include "extensionsutils/Variant.h"

#include <gtest/gtest.h>

#include <string>

using extensionsutils::Bstr;
using extensionsutils::ComPtr;

namespace {

class Handle
{
public:
    explicit Handle(HANDLE handle = nullptr) : handle_(handle) {}
    ~Handle()
    {
        if (handle_) CloseHandle(handle_);
    }
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;
    HANDLE get() const { return handle_; }
    void reset(HANDLE handle)
    {
        if (handle_) CloseHandle(handle_);
        handle_ = handle;
    }

private:
    HANDLE handle_;
};

// The serving program, started and stopped around each test.
class ServerProcess
{
public:
    ServerProcess()
    {
        const std::wstring suffix = std::to_wstring(GetCurrentProcessId());
        readyName_ = L"TavoCrossProcessReady" + suffix;
        doneName_ = L"TavoCrossProcessDone" + suffix;
        ready_.reset(CreateEventW(nullptr, TRUE, FALSE, readyName_.c_str()));
        done_.reset(CreateEventW(nullptr, TRUE, FALSE, doneName_.c_str()));
    }

    bool start()
    {
        std::wstring program = besideThisProgram(L"crossprocess_server.exe");
        std::wstring commandLine = L"\"" + program + L"\" " + readyName_ + L" " + doneName_;
        STARTUPINFOW startup = {sizeof(startup)};
        PROCESS_INFORMATION info = {};
        if (!CreateProcessW(program.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                            &info)) {
            return false;
        }
        CloseHandle(info.hThread);
        process_.reset(info.hProcess);
        processId_ = info.dwProcessId;
        HANDLE waitFor[] = {ready_.get(), process_.get()};
        return WaitForMultipleObjects(2, waitFor, FALSE, 30000) == WAIT_OBJECT_0;
    }

    // Tells the server to revoke and leave; its exit code, or -1 if it did not end in time.
    long stop()
    {
        SetEvent(done_.get());
        if (WaitForSingleObject(process_.get(), 30000) != WAIT_OBJECT_0) {
            TerminateProcess(process_.get(), 99);
            return -1;
        }
        DWORD exitCode = 0;
        GetExitCodeProcess(process_.get(), &exitCode);
        return static_cast<long>(exitCode);
    }

    DWORD processId() const { return processId_; }

private:
    std::wstring readyName_;
    std::wstring doneName_;
    Handle ready_;
    Handle done_;
    Handle process_;
    DWORD processId_ = 0;
};

// Right after a registration COM may still answer "class not registered" for a moment.
HRESULT createInOtherProcess(REFCLSID clsid, IUCCLocaleString** object)
{
    HRESULT hr = REGDB_E_CLASSNOTREG;
    for (int attempt = 0; attempt < 50 && hr == REGDB_E_CLASSNOTREG; ++attempt) {
        if (attempt > 0) Sleep(200);
        hr = CoCreateInstance(clsid, nullptr, CLSCTX_LOCAL_SERVER, IID_IUCCLocaleString,
                              reinterpret_cast<void**>(object));
    }
    return hr;
}

class CrossProcess : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_HRESULT_SUCCEEDED(CoInitializeEx(nullptr, COINIT_MULTITHREADED));
        ASSERT_HRESULT_SUCCEEDED(registerTypeLibraryForMarshaling(besideThisProgram(L"TavoMessenger.dll")));
        ASSERT_TRUE(server_.start()) << "the serving program did not start";
    }

    void TearDown() override
    {
        object_.reset();
        EXPECT_EQ(0, server_.stop());
        CoUninitialize();
    }

    ServerProcess server_;
    ComPtr<IUCCLocaleString> object_;
};

TEST_F(CrossProcess, ClientCallsTheServedObjectThroughItsVirtualTable)
{
    ASSERT_HRESULT_SUCCEEDED(createInOtherProcess(CLSID_UCCLocaleString, object_.out()));

    Bstr value;
    ASSERT_HRESULT_SUCCEEDED(object_->get_Value(value.out()));
    EXPECT_EQ(LocaleStringServer::valueFor(server_.processId()), value.str());
    EXPECT_NE(GetCurrentProcessId(), server_.processId());

    LONG localeId = 0;
    ASSERT_HRESULT_SUCCEEDED(object_->get_LocaleId(&localeId));
    EXPECT_EQ(0x409, localeId);
    // The proxy refuses a null out-pointer before anything crosses.
    EXPECT_HRESULT_FAILED(object_->get_LocaleId(nullptr));
}

TEST_F(CrossProcess, ClientCallsTheServedObjectLateBound)
{
    ASSERT_HRESULT_SUCCEEDED(createInOtherProcess(CLSID_UCCLocaleString, object_.out()));
    ComPtr<IDispatch> dispatch = object_.as<IDispatch>();
    ASSERT_TRUE(dispatch);

    wchar_t name[] = L"Value";
    LPOLESTR names[] = {name};
    DISPID id = 0;
    ASSERT_HRESULT_SUCCEEDED(dispatch->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id));
    EXPECT_EQ(0x60020001, id);

    DISPPARAMS none = {};
    extensionsutils::Variant result;
    ASSERT_HRESULT_SUCCEEDED(
        dispatch->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYGET, &none, result.out(), nullptr, nullptr));
    ASSERT_EQ(VT_BSTR, V_VT(result.get()));
    EXPECT_EQ(LocaleStringServer::valueFor(server_.processId()), std::wstring(V_BSTR(result.get())));

    wchar_t unknown[] = L"NoSuchMember";
    LPOLESTR unknownNames[] = {unknown};
    EXPECT_EQ(DISP_E_UNKNOWNNAME, dispatch->GetIDsOfNames(IID_NULL, unknownNames, 1, LOCALE_USER_DEFAULT, &id));
}

} // namespace
