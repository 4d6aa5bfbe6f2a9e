#include "IMessenger/TavoMessengerServices.h"

#include "logging/Results.h"

#include "extensionsutils/ComPtr.h"
#include "extensionsutils/SnapshotEnumerator.h"

#include <memory>
#include <vector>

using extensionsutils::ComPtr;

namespace {

void handOutService(const ComPtr<IDispatch>& service, VARIANT* item)
{
    VariantInit(item);
    item->vt = VT_DISPATCH;
    item->pdispVal = service.get();
    service->AddRef();
}

using ServicesEnumerator = extensionsutils::SnapshotEnumerator<IEnumVARIANT, VARIANT, ComPtr<IDispatch>, &handOutService>;

} // namespace

TavoMessengerServices::TavoMessengerServices() : primary(extensionsutils::ComObject<CTavoMessengerService>::create()) {}

TavoMessengerServices::~TavoMessengerServices()
{
    TAVO_LOG(1, "destructing");
}

HRESULT TavoMessengerServices::get_PrimaryService(IDispatch** service)
{
    if (!service) return E_POINTER;
    if (!primary) return TAVO_FAIL(1, "WindowsMessengerService is NULL, cannot continue", E_FAIL);
    return primary.copyTo(service);
}

HRESULT TavoMessengerServices::get_Count(LONG* count)
{
    if (!count) return E_POINTER;
    *count = 1;
    return S_OK;
}

HRESULT TavoMessengerServices::Item(LONG index, IDispatch** service)
{
    if (!service) return E_POINTER;
    if (index != 0) return TAVO_FAIL(3, "no service at index " << index, E_FAIL);
    return get_PrimaryService(service);
}

HRESULT TavoMessengerServices::get__NewEnum(IUnknown** enumerator)
try {
    if (!enumerator) return E_POINTER;
    *enumerator = nullptr;
    auto services = std::make_shared<ServicesEnumerator::Items>();
    if (primary) services->push_back(primary.as<IDispatch>());
    ComPtr<IEnumVARIANT> walker;
    const HRESULT hr = ServicesEnumerator::create(services, walker.out());
    if (SUCCEEDED(hr)) *enumerator = walker.detach();
    return hr;
}
TAVO_CATCH_RETURN
