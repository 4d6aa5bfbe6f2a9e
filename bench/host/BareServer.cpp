#include "host/BareServer.h"

#include "measure/BenchNames.h"
#include "host/BareHost.h"

#include <process.h>

#include <initializer_list>

namespace bench {

HRESULT BareServer::start()
{
    if (thread_) return S_FALSE;
    registered_ = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    stopRequested_ = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    thread_ = reinterpret_cast<HANDLE>(_beginthreadex(nullptr, 0, &BareServer::threadMain, this, 0, nullptr));
    if (!thread_) return E_OUTOFMEMORY;
    WaitForSingleObject(registered_, INFINITE);
    if (FAILED(result_)) stop();
    return result_;
}

void BareServer::stop()
{
    if (!thread_) return;
    SetEvent(stopRequested_);
    WaitForSingleObject(thread_, INFINITE);
    for (HANDLE* handle : {&thread_, &registered_, &stopRequested_}) {
        CloseHandle(*handle);
        *handle = nullptr;
    }
    factory_.reset();
}

extensionsutils::MICComPtr<BareMessenger> BareServer::messenger()
{
    return factory_ ? factory_->messenger() : extensionsutils::MICComPtr<BareMessenger>();
}

unsigned __stdcall BareServer::threadMain(void* self)
{
    BareServer& server = *static_cast<BareServer*>(self);
    const HRESULT initialised = CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    server.result_ = FAILED(initialised) ? initialised : server.serve();
    if (FAILED(server.result_)) SetEvent(server.registered_);
    if (SUCCEEDED(initialised)) CoUninitialize();
    return 0;
}

HRESULT BareServer::serve()
{
    HRESULT hr = bareHost().fetch();
    if (FAILED(hr)) return hr;
    factory_ = extensionsutils::ComObject<BareClassFactory>::create();
    const extensionsutils::ComPtr<IClassFactory> factory = factory_.as<IClassFactory>();
    if (!factory) return E_OUTOFMEMORY;
    DWORD cookies[2] = {};
    const CLSID* classes[2] = {&CLSID_BareMessenger, &CLSID_BareOfficeIntegration};
    for (int i = 0; i < 2 && SUCCEEDED(hr); ++i)
        hr = CoRegisterClassObject(*classes[i], factory.get(), CLSCTX_LOCAL_SERVER, REGCLS_MULTIPLEUSE, &cookies[i]);
    if (SUCCEEDED(hr)) {
        result_ = S_OK;
        SetEvent(registered_);
        WaitForSingleObject(stopRequested_, INFINITE);
    }
    for (DWORD cookie : cookies)
        if (cookie) CoRevokeClassObject(cookie);
    bareHost().release();
    return hr;
}

} // namespace bench
