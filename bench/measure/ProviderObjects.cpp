#include "measure/ProviderObjects.h"

#include "measure/BenchNames.h"
#include "measure/Interleave.h"

#include "common/ModuleTypeLibrary.h"

#include "extensionsutils/Bstr.h"

using extensionsutils::Bstr;
using extensionsutils::ComPtr;

namespace bench {

HRESULT activate(const CLSID& clsid, DWORD context, IMessenger** messenger)
{
    const ULONGLONG begin = GetTickCount64();
    for (;;) {
        const HRESULT hr = CoCreateInstance(clsid, nullptr, context, IID_IMessenger, reinterpret_cast<void**>(messenger));
        if (hr != REGDB_E_CLASSNOTREG || GetTickCount64() - begin > 10000) return hr;
        Sleep(20);
    }
}

namespace {

ProviderObjects failed(std::string& why, const char* step, HRESULT hr)
{
    why = std::string(step) + " failed with " + hresultText(hr);
    return ProviderObjects{};
}

} // namespace

ProviderObjects connectModule(DWORD context, std::string& why)
{
    ProviderObjects objects;
    HRESULT hr = activate(CLSID_Messenger, context, objects.messenger.out());
    if (FAILED(hr)) return failed(why, "CoCreateInstance(CLSID_Messenger)", hr);
    // Both providers' objects are marshaled with the module's library: keep it before events arrive
    // (not in a first call's timing, which includes loading it).
    tools::holdModuleTypeLibrary();
    ComPtr<IUCOfficeIntegration> integration = objects.messenger.as<IUCOfficeIntegration>();
    if (!integration) return failed(why, "QueryInterface(IUCOfficeIntegration)", E_NOINTERFACE);
    Bstr authentication;
    integration->GetAuthenticationInfo(Bstr(L"15.0.0.0").get(), authentication.out());
    ComPtr<IDispatch> clientDispatch;
    hr = integration->GetInterface(Bstr(L"15.0.0.0").get(), oiInterfaceIUCCLyncClient, clientDispatch.out());
    ComPtr<IUCCClient> client = clientDispatch ? clientDispatch.as<IUCCClient>() : nullptr;
    if (!client) return failed(why, "GetInterface(client)", FAILED(hr) ? hr : E_NOINTERFACE);
    hr = client->get_ContactManager(objects.contactManager.out());
    if (!objects.contactManager) return failed(why, "get_ContactManager", FAILED(hr) ? hr : E_POINTER);
    hr = objects.contactManager->GetContactByUri(Bstr(BenchContact).get(), objects.ucContact.out());
    if (!objects.ucContact) return failed(why, "GetContactByUri", FAILED(hr) ? hr : E_POINTER);
    return objects;
}

ProviderObjects connectBare(DWORD context, std::string& why)
{
    ProviderObjects objects;
    HRESULT hr = activate(CLSID_BareMessenger, context, objects.messenger.out());
    if (FAILED(hr)) return failed(why, "CoCreateInstance(bare)", hr);
    tools::holdModuleTypeLibrary();
    ComPtr<IDispatch> contact;
    hr = objects.messenger->GetContact(Bstr(BenchContact).get(), nullptr, contact.out());
    objects.ucContact = contact ? contact.as<IUCCContact>() : nullptr;
    if (!objects.ucContact) return failed(why, "bare GetContact as IUCCContact", FAILED(hr) ? hr : E_NOINTERFACE);
    return objects;
}

} // namespace bench
