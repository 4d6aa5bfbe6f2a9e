#include "host/BareClassFactory.h"


namespace bench {

HRESULT BareClassFactory::CreateInstance(IUnknown* outer, REFIID iid, void** object)
{
    if (!object) return E_POINTER;
    *object = nullptr;
    if (outer) return CLASS_E_NOAGGREGATION;
    std::lock_guard<std::mutex> guard(mutex_);
    if (!messenger_) messenger_ = extensionsutils::ComObject<BareMessenger>::create();
    if (!messenger_) return E_OUTOFMEMORY;
    return messenger_.identity()->QueryInterface(iid, object);
}

extensionsutils::MICComPtr<BareMessenger> BareClassFactory::messenger()
{
    std::lock_guard<std::mutex> guard(mutex_);
    return messenger_;
}

} // namespace bench
